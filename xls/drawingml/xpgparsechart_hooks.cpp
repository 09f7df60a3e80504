// Hand-written parts of the chart unit: the cell ranges of data references, extensions, the
// series accessors, the plot area's order stamp and the document's style DOMs.
#include <algorithm>
#include <cmath>

#include "xls/drawingml/xpgparsechart.h"
#include "xls/model/xlsimages.h"
#include "xls/model/xlsutils.h"

namespace xls::xpgchart {

// Counters -------------------------------------------------------------------------------------

namespace {
// Process-wide; only the loading thread reads charts.
int32_t gAxisIdCounter = 1000;
int32_t gPlotAreaOrderCounter = 0;
}  // namespace

int32_t NextAxisId() { return ++gAxisIdCounter; }
int32_t NextPlotAreaOrder() { return gPlotAreaOrderCounter++; }

// Cell ranges of references ------------------------------------------------------------------------

void TXpgChartRange::Make(TXPGDocBase* owner, std::u16string_view ref) {
  Reset();
  auto* doc = dynamic_cast<TXPGDrawingDocBase*>(owner);
  if (!doc || !doc->FGrManager) return;
  FGrManager = doc->FGrManager;
  FCells.reset(FGrManager->CreateRelativeCells(ref));
}

void TXpgChartRange::Reset() {
  if (FCells && FGrManager) FGrManager->ReleaseRelativeCells(FCells.get());
  FCells.reset();
}

TXPGBase* TCT_StrRef::HandleElement(TXPGReader& r) {
  TXPGBase* x = HandleElementGenerated(r);
  if (r.Is(TXpgNs::Chart, "f")) FRCells.Make(FOwner, FF);
  return x;
}

TXPGBase* TCT_NumRef::HandleElement(TXPGReader& r) {
  TXPGBase* x = HandleElementGenerated(r);
  if (r.Is(TXpgNs::Chart, "f")) FRCells.Make(FOwner, FF);
  return x;
}

std::u16string TCT_StrRef::GetF() const { return FRCells.Get() ? FRCells.Get()->RefAbs() : FF; }
std::u16string TCT_NumRef::GetF() const { return FRCells.Get() ? FRCells.Get()->RefAbs() : FF; }
std::u16string TCT_StrRef::Text() const { return FRCells.Get() ? FRCells.Get()->AsText() : std::u16string(); }

std::u16string TCT_SerTx::Text() const {
  if (!FV.empty()) return FV;
  return FStrRef ? FStrRef->Text() : std::u16string();
}

// Extensions ---------------------------------------------------------------------------------------

TXPGBase* TCT_Extension::HandleElement(TXPGReader& r) {
  return FAnyElements.Add(r.QName(), r.HasText() ? std::u16string_view(r.Text()) : std::u16string_view());
}

void TCT_Extension::AssignAttributes(const TXpgXMLAttributeList& a) {
  for (int i = 0; i < a.Count(); ++i) {
    if (a.IsNsDecl(i)) {
      FXmlns = a.GetAttributes(i);
      FXmlnsVal = a.GetValues(i);
    } else if (a.Is(i, TXpgNs::None, "uri")) {
      FUri = a.GetValues(i);
    } else {
      ReportAttribute(a, i);
    }
  }
}

int TCT_Extension::CheckAssigned() { return CheckAssignedGenerated() + FAnyElements.Count(); }

// Series accessors ---------------------------------------------------------------------------------

namespace {
TCT_SRgbColor* SolidRgb(TEG_FillProperties* fill) {
  if (!fill || !fill->A_SolidFill()) return nullptr;
  return fill->A_SolidFill()->A_EG_ColorChoice()->A_SrgbClr();
}
}  // namespace

uint32_t TCT_SerieShared::FillColor() const {
  TCT_SRgbColor* c = FSpPr ? SolidRgb(FSpPr->A_EG_FillProperties()) : nullptr;
  return c ? uint32_t(c->Val()) : kNoColor;
}

void TCT_SerieShared::SetFillColor(uint32_t rgb) {
  FSpPr.reset();
  Create_SpPr()->A_EG_FillProperties()->Create_SolidFill()->A_EG_ColorChoice()->Create_SrgbClr()->SetVal(int32_t(rgb));
}

uint32_t TCT_SerieShared::LineColor() const {
  TCT_SRgbColor* c = FSpPr && FSpPr->A_Ln() ? SolidRgb(FSpPr->A_Ln()->A_EG_LineFillProperties()) : nullptr;
  return c ? uint32_t(c->Val()) : kNoColor;
}

void TCT_SerieShared::SetLineColor(uint32_t rgb) {
  FSpPr.reset();
  Create_SpPr()->Create_Ln()->A_EG_LineFillProperties()->Create_SolidFill()->A_EG_ColorChoice()->Create_SrgbClr()->SetVal(
      int32_t(rgb));
}

bool TCT_SerieShared::NoLineFill() const {
  return FSpPr && FSpPr->A_Ln() && FSpPr->A_Ln()->A_EG_LineFillProperties()->A_NoFill();
}

void TCT_SerieShared::SetNoLineFill(bool v) {
  if (v) {
    TEG_FillProperties* fill = Create_SpPr()->Create_Ln()->A_EG_LineFillProperties();
    if (!fill->A_NoFill()) fill->Create_NoFill();
  } else if (FSpPr && FSpPr->A_Ln()) {
    FSpPr->A_Ln()->A_EG_LineFillProperties()->Remove_NoFill();
  }
}

double TCT_SerieShared::Transparency() const {
  TCT_SRgbColor* c = FSpPr ? SolidRgb(FSpPr->A_EG_FillProperties()) : nullptr;
  if (!c || c->A_EG_ColorTransform()->Find("alpha") < 0) return 1.0;
  return c->A_EG_ColorTransform()->GetAsDouble("alpha") / 100000.0;
}

void TCT_SerieShared::SetTransparency(double v) {
  TCT_SRgbColor* c = FSpPr ? SolidRgb(FSpPr->A_EG_FillProperties()) : nullptr;
  if (!c) return;
  c->A_EG_ColorTransform()->SetAsDouble("alpha", ClampFloat(v, 0.0, 1.0) * 100000.0);
}

// Plot area ------------------------------------------------------------------------------------------

TXPGBase* TCT_PlotArea::HandleElement(TXPGReader& r) {
  TXPGBase* x = HandleElementGenerated(r);
  // Every direct child is stamped with its place in document order; an unknown one (skipped
  // with its content) stamps the plot area itself.
  TXPGBase* stamped = x && x != TXPGReader::SkipSilently() ? x : this;
  stamped->SetTag(NextPlotAreaOrder());
  return x;
}

// Document -------------------------------------------------------------------------------------------

TXpgSimpleDOM* TXPGDocXLSXChart::AddStyle() {
  FStyle = std::make_unique<TXpgSimpleDOM>();
  return FStyle.get();
}

TXpgSimpleDOM* TXPGDocXLSXChart::AddColors() {
  FColors = std::make_unique<TXpgSimpleDOM>();
  return FColors.get();
}

}  // namespace xls::xpgchart
