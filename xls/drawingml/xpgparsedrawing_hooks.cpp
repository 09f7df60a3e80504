// Hand-written parts of the spreadsheet drawing unit: cell markers, the graphic data of a frame,
// the relative-size anchor and XY marker of chart user shapes, and the document's load.
#include <charconv>
#include <cmath>

#include "xls/drawingml/xpgparsedrawing.h"
#include "xls/drawingml/xpgchartload.h"
#include "xls/model/xlscellarea.h"

namespace xls::xpgdml::xdr {

namespace {

// Integer text (optional sign, decimal digits); nullopt-free: 0 when it does not convert.
int64_t MarkerText(std::string_view t) {
  while (!t.empty() && (t.front() == ' ' || t.front() == '\t' || t.front() == '\r' || t.front() == '\n'))
    t.remove_prefix(1);
  while (!t.empty() && (t.back() == ' ' || t.back() == '\t' || t.back() == '\r' || t.back() == '\n'))
    t.remove_suffix(1);
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  int64_t v = 0;
  const auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  return ec == std::errc() && p == t.data() + t.size() ? v : 0;
}

uint32_t Bounded(int64_t v, int64_t hi) { return static_cast<uint32_t>(v < 0 ? 0 : v > hi ? hi : v); }

}  // namespace

// A marker's four children carry their value as text; columns and rows are held to the sheet
// (0..16383, 0..1048575) and offsets read signed and held at 0..2147483647, so that a -1 in a
// file never turns into a huge unsigned offset. The children make no objects.
TXPGBase* TCT_Marker_Pos::HandleElement(TXPGReader& r) {
  uint32_t* field = nullptr;
  int64_t hi = 2147483647;
  if (r.Is(TXpgNs::SpreadsheetDrawing, "col")) {
    field = &FCol;
    hi = XLS_MAXCOL;
  } else if (r.Is(TXpgNs::SpreadsheetDrawing, "row")) {
    field = &FRow;
    hi = XLS_MAXROW;
  } else if (r.Is(TXpgNs::SpreadsheetDrawing, "colOff")) {
    field = &FColOff;
  } else if (r.Is(TXpgNs::SpreadsheetDrawing, "rowOff")) {
    field = &FRowOff;
  } else {
    return nullptr;
  }
  *field = Bounded(r.HasText() ? MarkerText(r.TextBytes()) : 0, hi);
  return TXPGReader::SkipSilently();
}

// Each of the four values that is given counts (they are child elements).
int TCT_Marker_Pos::CheckAssigned() {
  int n = 0;
  for (uint32_t v : {FCol, FColOff, FRow, FRowOff}) n += v != kNotGiven;
  FAssigneds = uint8_t((FAssigneds & ~(xaElements | xaAttributes)) | (n > 0 ? xaElements : 0));
  return n;
}

// c:chart keeps its relationship id and, in a sheet's drawing, loads the chart it names (a later
// c:chart replaces an earlier one); every other element inside the graphic data (a diagram's
// relationships, say) is passed over silently.
TXPGBase* TCT_GraphicalObjectData::HandleElement(TXPGReader& r) {
  if (r.Is(TXpgNs::Chart, "chart")) {
    const TXpgXMLAttributeList& a = r.Attributes();
    for (int i = 0; i < a.Count(); ++i) {
      if (!a.Is(i, TXpgNs::OfficeRelationships, "id")) continue;
      FChartRId = a.GetValues(i);
      auto* doc = dynamic_cast<TXPGDrawingDocBase*>(FOwner);
      if (!doc) continue;
      xpgchart::TXpgChartLoad load;
      load.Drawing = doc;
      load.Warning = doc->OnWarning;
      load.ReadUserShapes = [doc](TXLSStream& stream) -> std::unique_ptr<TXPGDocBase> {
        auto shapes = std::make_unique<TXPGDocXLSXDrawing>();
        shapes->FGrManager = doc->FGrManager;
        shapes->SetBudget(doc->Budget());
        shapes->_LoadFromStream(stream, true);
        return shapes;
      };
      FChart = xpgchart::LoadChart(load, FChartRId);
    }
  }
  return TXPGReader::SkipSilently();
}

// ---- chart user shapes --------------------------------------------------------------------

TCT_XYMarker::TCT_XYMarker(TXPGDocBase* owner, double x, double y) : TXPGBase(owner), FX(x), FY(y) {
  XpgChargeElement(owner);
}

TXPGBase* TCT_XYMarker::HandleElement(TXPGReader& r) {
  double* field = r.Is(TXpgNs::ChartDrawing, "x") ? &FX : r.Is(TXpgNs::ChartDrawing, "y") ? &FY : nullptr;
  if (field) {
    const double v = r.HasText() ? XpgToDouble(r.TextBytes()) : 0.0;
    *field = std::isfinite(v) ? v : 0.0;
  }
  return TXPGReader::SkipSilently();
}

TCT_RelSizeAnchor::TCT_RelSizeAnchor(TXPGDocBase* owner)
    : TXPGBase(owner),
      FSp(std::make_unique<TCT_Shape>(owner)),
      FFrom(std::make_unique<TCT_XYMarker>(owner, 0.2, 0.2)),
      FTo(std::make_unique<TCT_XYMarker>(owner, 0.8, 0.4)) {
  XpgChargeElement(owner);
  FSp->Create_SpPr();
}

TCT_RelSizeAnchor::~TCT_RelSizeAnchor() = default;

TXPGBase* TCT_RelSizeAnchor::HandleElement(TXPGReader& r) {
  if (r.Is(TXpgNs::ChartDrawing, "from")) return FFrom.get();
  if (r.Is(TXpgNs::ChartDrawing, "to")) return FTo.get();
  if (r.Is(TXpgNs::ChartDrawing, "sp")) return FSp.get();
  return TXPGReader::SkipSilently();
}

int TCT_RelSizeAnchor::CheckAssigned() {
  FAssigneds |= xaElements;
  FSp->CheckAssigned();
  return 3;
}

// ---- document -----------------------------------------------------------------------------

void TXPGDocXLSXDrawing::_LoadFromStream(TXLSStream& stream, bool userShapes) {
  FNS = userShapes ? u"cdr" : u"xdr";
  FKind = userShapes ? TXpgDrawingKind::UserShapes : TXpgDrawingKind::SheetDrawing;
  LoadFromStream(stream);
}

void TXPGDocXLSXDrawing::_LoadFromBytes(std::string_view bytes, bool userShapes) {
  FNS = userShapes ? u"cdr" : u"xdr";
  FKind = userShapes ? TXpgDrawingKind::UserShapes : TXpgDrawingKind::SheetDrawing;
  LoadFromBytes(bytes);
}

TCT_Drawing* TXPGDocXLSXDrawing::Drawing() const {
  if (TCT_Drawing* u = UserShapes(); u && u->Available()) return u;
  return WsDr();
}

}  // namespace xls::xpgdml::xdr
