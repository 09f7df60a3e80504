#include "xls/model/xlssheetsettings.h"

#include <algorithm>

#include "xls/model/xlsutils.h"
#include "xls/model/xlsworksheetdata.h"

namespace xls {

void TXLSSelectedAreas::Init(int32_t col, int32_t row) {
  Add(col, row);
  FActiveCol = col;
  FActiveRow = row;
}

TXc12HeaderFooter& TXLSHeaderFooter::Record() { return FSheet->HeaderFooter(); }

TXLSPagebreak TXLSPagebreaks::Add(int32_t id, int32_t min, int32_t max) {
  TXc12Break b;
  b.FId = id, b.FMin = min, b.FMax = max, b.FMan = true;
  FList->push_back(b);
  return TXLSPagebreak(FList, FList->size() - 1);
}
void TXLSPagebreaks::Delete(size_t index) {
  FList->at(index);
  FList->erase(FList->begin() + ptrdiff_t(index));
}

// ---- print settings

TXLSPrintSettings::TXLSPrintSettings(TXc12DataWorksheet* sheet, TXLSNames* names)
    : FXc12Sheet(sheet),
      FNames(names),
      FXLSHeaderFooter(sheet),
      FVertPagebreaks(&sheet->ColBreaks()),
      FHorizPagebreaks(&sheet->RowBreaks()) {}

int32_t TXLSPrintSettings::Copies() { return FXc12Sheet->PageSetup().FCopies; }
void TXLSPrintSettings::SetCopies(int32_t v) { FXc12Sheet->PageSetup().FCopies = v; }
int32_t TXLSPrintSettings::FitWidth() { return FXc12Sheet->PageSetup().FFitToWidth; }
void TXLSPrintSettings::SetFitWidth(int32_t v) { FXc12Sheet->PageSetup().FFitToWidth = v; }
int32_t TXLSPrintSettings::FitHeight() { return FXc12Sheet->PageSetup().FFitToHeight; }
void TXLSPrintSettings::SetFitHeight(int32_t v) { FXc12Sheet->PageSetup().FFitToHeight = v; }
int32_t TXLSPrintSettings::ScalingFactor() { return FXc12Sheet->PageSetup().FScale; }
void TXLSPrintSettings::SetScalingFactor(int32_t v) { FXc12Sheet->PageSetup().FScale = v; }
int32_t TXLSPrintSettings::StartingPage() { return FXc12Sheet->PageSetup().FFirstPageNumber; }
void TXLSPrintSettings::SetStartingPage(int32_t v) { FXc12Sheet->PageSetup().FFirstPageNumber = v; }
int32_t TXLSPrintSettings::Resolution() { return FXc12Sheet->PageSetup().FHorizontalDpi; }
void TXLSPrintSettings::SetResolution(int32_t v) { FXc12Sheet->PageSetup().FHorizontalDpi = v; }
TXc12PaperSize TXLSPrintSettings::PaperSize() { return FXc12Sheet->PageSetup().FPaperSize; }
void TXLSPrintSettings::SetPaperSize(TXc12PaperSize v) { FXc12Sheet->PageSetup().FPaperSize = v; }

namespace {
double& MarginField(TXc12PageMargins& m, TXLSPrintSettings::TMargin which) {
  using M = TXLSPrintSettings::TMargin;
  switch (which) {
    case M::Left:
      return m.FLeft;
    case M::Right:
      return m.FRight;
    case M::Top:
      return m.FTop;
    case M::Bottom:
      return m.FBottom;
    case M::Header:
      return m.FHeader;
    default:
      return m.FFooter;
  }
}
}  // namespace

double TXLSPrintSettings::Margin(TMargin m) { return MarginField(FXc12Sheet->PageMargins(), m); }
void TXLSPrintSettings::SetMargin(TMargin m, double inches) {
  MarginField(FXc12Sheet->PageMargins(), m) = inches;
}

TPrintSetupOptions TXLSPrintSettings::Options() {
  using O = TPrintSetupOption;
  const TXc12PageSetup& ps = FXc12Sheet->PageSetup();
  const TXc12PrintOptions& po = FXc12Sheet->PrintOptions();
  TPrintSetupOptions o;
  if (ps.FOrientation == TXc12Orientation::x12oPortrait) o.Include(O::psoPortrait);
  if (ps.FBlackAndWhite) o.Include(O::psoNoColor);
  if (ps.FDraft) o.Include(O::psoDraftQuality);
  if (ps.FCellComments == TXc12CellComments::x12ccAsDisplayed) o.Include(O::psoNotes);
  if (po.FHeadings) o.Include(O::psoRowColHeading);
  if (po.FGridLines) o.Include(O::psoGridlines);
  if (po.FHorizontalCentered) o.Include(O::psoHorizCenter);
  if (po.FVerticalCentered) o.Include(O::psoVertCenter);
  return o;
}

void TXLSPrintSettings::SetOptions(TPrintSetupOptions o) {
  using O = TPrintSetupOption;
  TXc12PageSetup& ps = FXc12Sheet->PageSetup();
  TXc12PrintOptions& po = FXc12Sheet->PrintOptions();
  ps.FOrientation =
      o.Contains(O::psoPortrait) ? TXc12Orientation::x12oPortrait : TXc12Orientation::x12oLandscape;
  ps.FBlackAndWhite = o.Contains(O::psoNoColor);
  ps.FDraft = o.Contains(O::psoDraftQuality);
  ps.FCellComments =
      o.Contains(O::psoNotes) ? TXc12CellComments::x12ccAsDisplayed : TXc12CellComments::x12ccNone;
  po.FHeadings = o.Contains(O::psoRowColHeading);
  po.FGridLines = o.Contains(O::psoGridlines);
  po.FHorizontalCentered = o.Contains(O::psoHorizCenter);
  po.FVerticalCentered = o.Contains(O::psoVertCenter);
}

// ---- pane

const TXc12Pane* TXLSPane::Record() const {
  return FSheet->SheetViews().Count() ? &FSheet->SheetViews().Items(0)->FPane : nullptr;
}
TXc12Pane& TXLSPane::Writable() {
  if (!FSheet->SheetViews().Count()) FSheet->SheetViews().Add();
  return FSheet->SheetViews().Items(0)->FPane;
}
TActivePane TXLSPane::ActivePane() {
  const TXc12Pane* p = Record();
  return p ? TActivePane(p->FActivePane) : TActivePane::apTopLeft;
}
void TXLSPane::SetActivePane(TActivePane v) { Writable().FActivePane = TXc12PaneEnum(v); }

TPaneType TXLSPane::PaneType() {
  const TXc12Pane* p = Record();
  // A view without a split has no pane: the data model keeps a pane record in every view.
  if (!p || (p->FXSplit == 0 && p->FYSplit == 0)) return TPaneType::ptNone;
  switch (p->FState) {
    case TXc12PaneState::x12psSplit:
      return TPaneType::ptSplit;
    case TXc12PaneState::x12psFrozen:
      return TPaneType::ptFrozen;
    case TXc12PaneState::x12psFrozenSplit:
      return TPaneType::ptFrozenSplit;
  }
  return TPaneType::ptNone;
}
void TXLSPane::SetPaneType(TPaneType v) {
  switch (v) {
    case TPaneType::ptFrozen:
      Writable().FState = TXc12PaneState::x12psFrozen;
      break;
    case TPaneType::ptSplit:
      Writable().FState = TXc12PaneState::x12psSplit;
      break;
    case TPaneType::ptFrozenSplit:
      Writable().FState = TXc12PaneState::x12psFrozenSplit;
      break;
    case TPaneType::ptNone:
      break;
  }
}
double TXLSPane::SplitColX() {
  const TXc12Pane* p = Record();
  return p ? p->FXSplit : 0;
}
void TXLSPane::SetSplitColX(double v) { Writable().FXSplit = v; }
double TXLSPane::SplitRowY() {
  const TXc12Pane* p = Record();
  return p ? p->FYSplit : 0;
}
void TXLSPane::SetSplitRowY(double v) { Writable().FYSplit = v; }
int32_t TXLSPane::LeftCol() {
  const TXc12Pane* p = Record();
  return p ? p->FTopLeftCell.Col1 : -1;
}
void TXLSPane::SetLeftCol(int32_t v) {
  TXc12Pane& p = Writable();
  p.FTopLeftCell.Col1 = p.FTopLeftCell.Col2 = v;
  if (p.FTopLeftCell.Row1 < 0) p.FTopLeftCell.Row1 = p.FTopLeftCell.Row2 = 0;
  p.FXSplit = v;
}
int32_t TXLSPane::TopRow() {
  const TXc12Pane* p = Record();
  return p ? p->FTopLeftCell.Row1 : -1;
}
void TXLSPane::SetTopRow(int32_t v) {
  TXc12Pane& p = Writable();
  p.FTopLeftCell.Row1 = p.FTopLeftCell.Row2 = v;
  if (p.FTopLeftCell.Col1 < 0) p.FTopLeftCell.Col1 = p.FTopLeftCell.Col2 = 0;
  p.FYSplit = v;
}

// ---- protection

uint16_t SheetPasswordVerifier(std::u16string_view text) {
  std::string bytes;
  for (size_t i = 0; i < text.size() && i < 15; ++i) bytes += text[i] < 256 ? char(text[i]) : '?';
  return LegacyPasswordHash(bytes);
}

TXc12SheetProtection& TXLSSheetProtection::Record() { return FSheet->SheetProtection(); }

void TXLSSheetProtection::SetPassword(std::u16string_view text) {
  TXc12SheetProtection& p = Record();
  p.FPassword = SheetPasswordVerifier(text);
  if (!text.empty()) p.FSheet = p.FObjects = p.FScenarios = true;
}

// ---- workbook window

TXc12BookView& TXLSWorkbookData::View() {
  if (!FBookViews->Count()) FBookViews->Add();
  return *FBookViews->Items(0);
}

TWorkbookOptions TXLSWorkbookData::Options() {
  using O = TWorkbookOption;
  const TXc12BookView& v = View();
  TWorkbookOptions o;
  if (v.FVisibility != TXc12Visibility::x12vVisible) o.Include(O::woHidden);
  if (v.FMinimized) o.Include(O::woIconized);
  if (v.FShowVerticalScroll) o.Include(O::woVScroll);
  if (v.FShowHorizontalScroll) o.Include(O::woHScroll);
  if (v.FShowSheetTabs) o.Include(O::woTabs);
  return o;
}

void TXLSWorkbookData::SetOptions(TWorkbookOptions o) {
  using O = TWorkbookOption;
  TXc12BookView& v = View();
  v.FVisibility = o.Contains(O::woHidden) ? TXc12Visibility::x12vHidden : TXc12Visibility::x12vVisible;
  v.FMinimized = o.Contains(O::woIconized);
  v.FShowVerticalScroll = o.Contains(O::woVScroll);
  v.FShowHorizontalScroll = o.Contains(O::woHScroll);
  v.FShowSheetTabs = o.Contains(O::woTabs);
}

}  // namespace xls
