// Binding of the chart object layer to a chart record tree (chartobjects.h).
#include "xls/biff/chartobjects.h"

#include <cstdio>
#include <stdexcept>

#include "xls/biff/escherdrawing.h"
#include "xls/model/xlserrors.h"

namespace xls::biff {

namespace {

uint16_t W(const TChartRecord& r, size_t at) {
  const std::span<const uint8_t> b = r.Body();
  return at + 1 < b.size() ? uint16_t(b[at] | b[at + 1] << 8) : 0;
}

[[noreturn]] void Fail(const std::string& text) { throw XLSRWException(text); }

}  // namespace

TChartRecord& TRecordObject::Need(bool child) const {
  if (!FRecord || (child && FRecord->Count() == 0)) Fail("Property has no data.");
  return *FRecord;
}

void TChartText::SetRecord(TChartRecord* record) {
  FRecord = record;
  FFont = nullptr;
  if (!record) return;
  for (size_t i = 0; i < record->Count(); ++i)
    if (record->Items(i)->RecId() == CHARTREC_FONTX) FFont = record->Items(i)->Font();
}

void TPaintFrame::SetRecord(TChartRecord* record) {
  FRecord = record;
  if (!record) return;
  for (size_t i = 0; i < record->Count(); ++i) {
    TChartRecord* c = record->Items(i);
    switch (c->RecId()) {
      case CHARTREC_LINEFORMAT: FLineFormat.SetRecord(c); break;
      case CHARTREC_AREAFORMAT: FAreaFormat.SetRecord(c); break;
      case CHARTREC_GELFRAME: FGelFrame.SetRecord(c); break;
      default: break;
    }
  }
}

void TGelFrame::SetRecord(TChartRecord* record) {
  FRecord = record;
  FOPT.Clear();
  if (!record) return;
  auto* update = dynamic_cast<TChartRecordUpdate*>(record);
  if (update) update->OnUpdate = [this](TChartRecordUpdate&) { UpdateRecord(); };
  const std::span<const uint8_t> b = record->Body();
  auto u16 = [&](size_t at) { return uint32_t(b[at] | b[at + 1] << 8); };
  if (b.size() >= 8 && u16(2) != 0xF00B) Fail("First MSO record in Gelframe is not OPT");
  // Escher records of 8-byte headers (instance in the upper 12 bits of the first word); each OPT
  // record is loaded into the table, its instance the number of its properties.
  size_t p = 0;
  while (p + 8 <= b.size()) {
    const uint32_t count = u16(p) >> 4, type = u16(p + 2), length = u16(p + 4) | u16(p + 6) << 16;
    const size_t n = std::min<size_t>(length, b.size() - p - 8);
    if (type == 0xF00B) FOPT.LoadFromBuffer(b.subspan(p + 8, n), count);
    p += 8 + n;
  }
  if (update) record->Bytes().clear();
}

void TChartAxis::SetRecord(TChartRecord* record) {
  FRecord = record;
  if (!record) return;
  if (TChartRecord* t = record->Find(CHARTREC_TICK)) FTick.SetRecord(t);
}

void TCategoryAxis::SetRecord(TChartRecord* record) {
  TChartAxis::SetRecord(record);
  if (record)
    if (TChartRecord* s = record->Find(CHARTREC_CATSERRANGE)) FCatSerAxisScaling.SetRecord(s);
}

void TValueAxis::SetRecord(TChartRecord* record) {
  TChartAxis::SetRecord(record);
  if (record)
    if (TChartRecord* s = record->Find(CHARTREC_VALUERANGE)) FValueAxisScaling.SetRecord(s);
}

void TChartLegend::SetRecord(TChartRecord* record) {
  FRecord = record;
  if (record)
    if (TChartRecord* f = record->Find(CHARTREC_FRAME)) FFrame.SetRecord(f);
}

void TDataPoint::SetRecord(TChartRecord* record) {
  if (!record) return Unbind();
  if (record->Count() == 0) Fail("DATAFORMAT has no child records");
  FRecord = record;
  for (size_t i = 0; i < record->Count(); ++i) {
    TChartRecord* c = record->Items(i);
    switch (c->RecId()) {
      case CHARTREC_LINEFORMAT: FLineFormat.SetRecord(c); break;
      case CHARTREC_MARKERFORMAT: FMarkerFormat.SetRecord(c); break;
      case CHARTREC_AREAFORMAT: FAreaFormat.SetRecord(c); break;
      case CHARTREC_PIEFORMAT: FRecPIEFORMAT = c; break;
      case CHARTREC_ATTACHEDLABEL: FRecATTACHEDLABEL = c; break;
      default: break;
    }
  }
}

void TDataPoint::Unbind() {
  FRecord = FRecPIEFORMAT = FRecATTACHEDLABEL = nullptr;
  FLineFormat.SetRecord(nullptr);
  FAreaFormat.SetRecord(nullptr);
  FMarkerFormat.SetRecord(nullptr);
}

void TChartStyle::SetRecord(TChartRecord* record) {
  FRecord = record;
  if (!record) return;
  for (size_t i = 0; i < record->Count(); ++i) {
    TChartRecord* c = record->Items(i);
    switch (c->RecId()) {
      case CHARTREC_DATAFORMAT:
        if (W(*c, 4) > 0xF000) FDefDatapoint.SetRecord(c);
        break;
      case CHARTREC_LEGEND: FLegend.SetRecord(c); break;
      case CHARTREC_CHART3D: FChart3D.SetRecord(c); break;
      default: break;
    }
  }
}

// The style class of a chart type record; nullptr for an id that names none.
static std::unique_ptr<TChartStyle> NewStyle(uint16_t id) {
  switch (id) {
    case CHARTREC_BAR: return std::make_unique<TChartStyleBarColumn>();
    case CHARTREC_LINE: return std::make_unique<TChartStyleLine>();
    case CHARTREC_PIE: return std::make_unique<TChartStylePie>();
    case CHARTREC_AREA: return std::make_unique<TChartStyleArea>();
    case CHARTREC_SCATTER: return std::make_unique<TChartStyleScatter>();
    case CHARTREC_RADAR: return std::make_unique<TChartStyleRadar>();
    case CHARTREC_SURF: return std::make_unique<TChartStyleSurface>();
    case CHARTREC_RADARAREA: return std::make_unique<TChartStyleRadarArea>();
    case CHARTREC_BOPPOP: return std::make_unique<TChartStyleBopPop>();
    default: return nullptr;
  }
}

void TChartPlotArea::SetRecord(TChartRecord* record) {
  FRecord = record;
  if (!record) return;
  for (size_t i = 0; i < record->Count(); ++i) {
    TChartRecord* c = record->Items(i);
    switch (c->RecId()) {
      case CHARTREC_CHARTFORMAT: {
        if (c->Count() == 0) Fail("Chart style record is missing");
        std::unique_ptr<TChartStyle> style = NewStyle(c->Items(0)->RecId());
        if (!style) {
          char text[48];
          std::snprintf(text, sizeof text, "Unknown chart style %.4X", unsigned(c->Items(0)->RecId()));
          Fail(text);
        }
        FChartStyle = std::move(style);
        FChartStyle->SetRecord(c);
        break;
      }
      case CHARTREC_AXIS:
        switch (W(*c, 0)) {
          case 0: FCategoryAxis.SetRecord(c); break;
          case 1: FValueAxis.SetRecord(c); break;
          case 2: FSerieAxis.SetRecord(c); break;
          default: Fail("Unknown axis type " + std::to_string(W(*c, 0)));
        }
        break;
      case CHARTREC_FRAME: FFrame.SetRecord(c); break;
      default: break;
    }
  }
}

void TXLSChartSerie::SetRecord(TChartRecord* record) {
  FRecord = record;
  FiRecAI_Values = FiRecAI_Values2 = FiRecAI_Category = FiRecAI_SerieName = -1;
  PRecGeomtery = nullptr;
  FDataPoints.clear();
  FDefDatapoint.Unbind();
  if (!record) return;
  for (size_t i = 0; i < record->Count(); ++i) {
    TChartRecord* c = record->Items(i);
    if (c->RecId() == CHARTREC_DATAFORMAT) {
      if (W(*c, 0) == 0xFFFF) {
        FDefDatapoint.SetRecord(c);
        if (c->Count() > 0 && c->Items(0)->RecId() == CHARTREC_3DBARSHAPE) PRecGeomtery = c->Items(0);
      } else {
        FDataPoints.push_back(std::make_unique<TDataPoint>());
        FDataPoints.back()->SetRecord(c);
      }
    } else if (c->RecId() == CHARTREC_BRAI && c->Length() > 0) {
      switch (c->Body()[0]) {
        case 0: FiRecAI_SerieName = int32_t(i); break;
        case 1: FiRecAI_Values = int32_t(i); break;
        case 2: FiRecAI_Category = int32_t(i); break;
        case 3: FiRecAI_Values2 = int32_t(i); break;
        default: break;
      }
    }
  }
}

void TChartLabel::SetRecord(TChartRecord* record) {
  FRecord = record;
  FRecPOS = FRecAI = FRecOBJECTLINK = FRecSERIESTEXT = nullptr;
  if (!record) return;
  for (size_t i = 0; i < record->Count(); ++i) {
    TChartRecord* c = record->Items(i);
    switch (c->RecId()) {
      case CHARTREC_SERIESTEXT: FRecSERIESTEXT = c; break;
      case CHARTREC_OBJECTLINK: FRecOBJECTLINK = c; break;
      case CHARTREC_POS: FRecPOS = c; break;
      case CHARTREC_BRAI: FRecAI = c; break;
      default: break;
    }
  }
}

std::u16string TDrwChart::Digits(int32_t v) {
  const std::string s = std::to_string(v);
  return std::u16string(s.begin(), s.end());
}

TChartRecord* ChartRecordOf(TChartRecord& root) {
  if (root.Count() > 0 && root.Items(0)->RecId() == CHARTREC_BOF) return root.Find(CHARTREC_CHART);
  return nullptr;
}

void TDrwChart::SetRecord(TChartRecord* record) {
  FRecord = record;
  TChartRecord* r = record;
  if (r)
    if (TChartRecord* chart = ChartRecordOf(*r)) {
      FRecCHART = chart;
      r = chart;
    }
  if (!r) Fail("Can not find CHART record.");
  for (size_t i = 0; i < r->Count(); ++i) {
    TChartRecord* c = r->Items(i);
    switch (c->RecId()) {
      case CHARTREC_SERIES:
        FSeries.push_back(std::make_unique<TXLSChartSerie>(FFormulaHandler));
        FSeries.back()->SetRecord(c);
        break;
      case CHARTREC_DEFAULTTEXT: {
        if (i + 1 >= r->Count() || r->Items(i + 1)->RecId() != CHARTREC_TEXT)
          Fail("Excpected Chart record missing: TEXT");
        const uint16_t id = W(*c, 0);
        if (id == 2) FDefaultTextA.SetRecord(r->Items(i + 1));
        if (id == 3) FDefaultTextB.SetRecord(r->Items(i + 1));
        ++i;
        break;
      }
      case CHARTREC_TEXT:
        FLabels.push_back(std::make_unique<TChartLabel>());
        FLabels.back()->SetRecord(c);
        break;
      case CHARTREC_FONTX: ++i; break;
      case CHARTREC_FRAME: FFrame.SetRecord(c); break;
      case CHARTREC_AXISPARENT: FPlotArea.SetRecord(c); break;
      case CHARTREC_SHTPROPS: FRecSHTPROPS = c; break;
      default: break;
    }
  }
}

TDrwChart::TDrwChart(int32_t id, TFormulaHandler* handler) : FFormulaHandler(handler) {
  FName = u"Chart " + Digits(id);
  FId = id;
}

TShapeOutsideMsoChart* TDrwChart::ChartShape() const {
  return FShape ? dynamic_cast<TShapeOutsideMsoChart*>(FShape->FInterface.get()) : nullptr;
}

TDrwChart& TDrwCharts::Items(size_t index) const {
  if (index >= FItems.size()) throw std::out_of_range("List index out of bounds");
  return *FItems[index];
}

std::string TDrwCharts::AddFromFile(TShapeClientAnchor* shape, TChartRecord* root) {
  auto chart = std::make_unique<TDrwChart>(FNextId++, FFormulaHandler);
  chart->FShape = shape;
  try {
    chart->SetRecord(root);
  } catch (const XLSRWException& e) {
    return e.what();
  }
  FItems.push_back(std::move(chart));
  return {};
}

std::string TDrwCharts::AddFromFile(TShapeClientAnchor& shape) {
  auto* object = dynamic_cast<TShapeOutsideMsoChart*>(shape.FInterface.get());
  if (!object) return "Shape is not a chart";
  if (object->Raw()) return object->Failure();  // a flat list of records has no objects to bind
  const std::string failure = AddFromFile(&shape, &object->Records());
  if (!failure.empty()) object->FFailure = "Chart kept without objects: " + failure;
  return object->Failure();
}

TDrwChart& TDrwCharts::Add() {
  if (!FDrawing) throw XLSRWException("Chart list without a drawing");
  TShapeClientAnchor* shape = FDrawing->AddChart();
  auto chart = std::make_unique<TDrwChart>(FNextId++, FFormulaHandler);
  chart->FShape = shape;
  TDrwChart& c = *chart;
  FItems.push_back(std::move(chart));
  // A new tree is an empty root: bound to itself, it holds nothing yet.
  if (TShapeOutsideMsoChart* object = c.ChartShape()) c.SetRecord(&object->Records());
  return c;
}

// ---- the chart shape's object -----------------------------------------------------------------

TShapeOutsideMsoChart::TShapeOutsideMsoChart(TEscherGroup* drawingGroup, TXc12Fonts* fonts)
    : TShapeOutsideMso(TMSOShapeType::mstChart),
      FDrawingGroup(drawingGroup),
      FFonts(fonts),
      FRecords(NewChartRoot(this)) {}
TShapeOutsideMsoChart::~TShapeOutsideMsoChart() = default;

void TShapeOutsideMsoChart::SetDrawing(std::unique_ptr<TEscherDrawing> drawing) { FDrawing = std::move(drawing); }

std::string TShapeOutsideMsoChart::Read(TChartRecordSource& source) {
  const std::string failure = ReadChartOrRaw(*FRecords, source, FFonts, source.Pos());
  if (!failure.empty()) {
    FRaw = true;
    FDrawing.reset();
    FFailure = "Chart kept raw: " + failure;
  }
  return failure;
}

bool TShapeOutsideMsoChart::NeedDrawing() {
  if (FDrawing) return false;
  FDrawing = std::make_unique<TEscherDrawing>(FDrawingGroup, nullptr, nullptr);
  FDrawing->AddEmpty();
  return true;
}

// ---- the record tree as a dump reads it ----------------------------------------------------

TChartSummary SummarizeChart(TChartRecord& root) {
  TChartSummary s;
  TChartRecord* chart = ChartRecordOf(root);
  if (!chart) return s;
  TChartRecord* format = nullptr;
  for (size_t i = 0; i < chart->Count(); ++i) {
    TChartRecord* c = chart->Items(i);
    if (c->RecId() == CHARTREC_SERIES) ++s.SeriesCount;
    if (c->RecId() == CHARTREC_AXISPARENT && !format) format = c->Find(CHARTREC_CHARTFORMAT);
  }
  if (!format || format->Count() == 0) return s;
  s.Is3D = format->Find(CHARTREC_CHART3D) != nullptr;
  const TChartRecord& type = *format->Items(0);
  switch (type.RecId()) {
    case CHARTREC_BAR: s.Type = (W(type, 4) & 1) ? "bar" : "column"; break;
    case CHARTREC_LINE: s.Type = "line"; break;
    case CHARTREC_PIE: s.Type = W(type, 2) > 0 ? "doughnut" : "pie"; break;
    case CHARTREC_AREA: s.Type = "area"; break;
    case CHARTREC_SCATTER: s.Type = (W(type, 4) & 1) ? "bubble" : "scatter"; break;
    case CHARTREC_RADAR: s.Type = "radar"; break;
    case CHARTREC_SURF: s.Type = "surface"; break;
    case CHARTREC_RADARAREA: s.Type = "radararea"; break;
    case CHARTREC_BOPPOP: s.Type = "boppop"; break;
    default: break;
  }
  return s;
}

}  // namespace xls::biff
