// Sheet and workbook settings shown as flat, typed properties: selected areas, print settings
// with header, footer and page breaks, the frozen or split pane, sheet protection, the workbook
// window and the calculation options.
//
// Every property reads or writes one field of the data model (ECMA-376 sheetView/pane,
// pageSetup, pageMargins, printOptions, headerFooter, rowBreaks/colBreaks, sheetProtection,
// bookViews/workbookView, calcPr, workbookPr); margins are inches, the "Cm" twins convert by
// 2.54. A sheet password is stored as the 16-bit legacy verifier of MS-XLS and ECMA-376 sheet
// protection over the first 15 characters in 8-bit form (Latin-1; other characters become "?").
// Design choice: no wrapper owns its record or keeps a pointer into a vector: each keeps the
// worksheet data (and an index) and finds its record at every access, so records added or
// removed by others never leave a wrapper pointing at freed memory. Wrapping a loaded sheet's
// page breaks leaves their manual flag as read; a break added here is manual.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "xls/model/xlscellarea.h"
#include "xls/model/xlssheetparts.h"
#include "xls/model/xlsworkbookdata.h"

namespace xls {

class TXc12DataWorksheet;
class TXLSNames;

template <class E>
class TXLSSet {
 public:
  TXLSSet() = default;
  TXLSSet(std::initializer_list<E> items) {
    for (E e : items) Include(e);
  }
  bool Contains(E e) const { return (FBits >> unsigned(e)) & 1u; }
  void Include(E e) { FBits |= 1u << unsigned(e); }
  void Exclude(E e) { FBits &= ~(1u << unsigned(e)); }
  bool operator==(const TXLSSet&) const = default;

 private:
  uint32_t FBits = 0;
};

class TXLSSelectedAreas : public TCellAreas {
 public:
  TXLSSelectedAreas() { Init(0, 0); }
  // Appends an area of the one cell and makes it the active cell.
  void Init(int32_t col, int32_t row);
  int32_t ActiveCol() const { return FActiveCol; }
  void SetActiveCol(int32_t v) { FActiveCol = v; }
  int32_t ActiveRow() const { return FActiveRow; }
  void SetActiveRow(int32_t v) { FActiveRow = v; }
  int32_t ActiveArea() const { return FActiveArea; }
  void SetActiveArea(int32_t v) { FActiveArea = v; }

 private:
  int32_t FActiveCol = 0, FActiveRow = 0, FActiveArea = 0;
};

class TXLSHeaderFooter {
 public:
  explicit TXLSHeaderFooter(TXc12DataWorksheet* sheet) : FSheet(sheet) {}
  TXc12HeaderFooter& Record();
  const std::u16string& OddHeader() { return Record().FOddHeader; }
  void SetOddHeader(std::u16string_view v) { Record().FOddHeader = v; }
  const std::u16string& OddFooter() { return Record().FOddFooter; }
  void SetOddFooter(std::u16string_view v) { Record().FOddFooter = v; }
  const std::u16string& EvenHeader() { return Record().FEvenHeader; }
  void SetEvenHeader(std::u16string_view v) { Record().FEvenHeader = v; }
  const std::u16string& EvenFooter() { return Record().FEvenFooter; }
  void SetEvenFooter(std::u16string_view v) { Record().FEvenFooter = v; }
  const std::u16string& FirstHeader() { return Record().FFirstHeader; }
  void SetFirstHeader(std::u16string_view v) { Record().FFirstHeader = v; }
  const std::u16string& FirstFooter() { return Record().FFirstFooter; }
  void SetFirstFooter(std::u16string_view v) { Record().FFirstFooter = v; }
  bool DifferentOddEven() { return Record().FDifferentOddEven; }
  void SetDifferentOddEven(bool v) { Record().FDifferentOddEven = v; }
  bool DifferentFirst() { return Record().FDifferentFirst; }
  void SetDifferentFirst(bool v) { Record().FDifferentFirst = v; }
  bool ScaleWithDoc() { return Record().FScaleWithDoc; }
  void SetScaleWithDoc(bool v) { Record().FScaleWithDoc = v; }
  bool AlignWithMargins() { return Record().FAlignWithMargins; }
  void SetAlignWithMargins(bool v) { Record().FAlignWithMargins = v; }

 private:
  TXc12DataWorksheet* FSheet;
};

// One page break: the list's record at a position. Horizontal: Row = Id, Col1 = Min, Col2 = Max;
// vertical: Col = Id, Row1 = Min, Row2 = Max.
class TXLSPagebreak {
 public:
  TXLSPagebreak(std::vector<TXc12Break>* list, size_t index) : FList(list), FIndex(index) {}
  TXc12Break& Record() const { return FList->at(FIndex); }
  int32_t Id() const { return Record().FId; }
  void SetId(int32_t v) const { Record().FId = v; }
  int32_t Min() const { return Record().FMin; }
  void SetMin(int32_t v) const { Record().FMin = v; }
  int32_t Max() const { return Record().FMax; }
  void SetMax(int32_t v) const { Record().FMax = v; }
  bool Manual() const { return Record().FMan; }

 private:
  std::vector<TXc12Break>* FList;
  size_t FIndex;
};

class TXLSPagebreaks {
 public:
  explicit TXLSPagebreaks(std::vector<TXc12Break>* list) : FList(list) {}
  size_t Count() const { return FList->size(); }
  // The break at a position (std::out_of_range outside).
  TXLSPagebreak Items(size_t index) const {
    FList->at(index);
    return TXLSPagebreak(FList, index);
  }
  // A new manual break at id (row or column) spanning min..max.
  TXLSPagebreak Add(int32_t id, int32_t min, int32_t max);
  void Delete(size_t index);

 private:
  std::vector<TXc12Break>* FList;
};

enum class TPrintSetupOption : uint8_t {
  psoLeftToRight,
  psoPortrait,
  psoNoColor,
  psoDraftQuality,
  psoNotes,
  psoRowColHeading,
  psoGridlines,
  psoHorizCenter,
  psoVertCenter
};
using TPrintSetupOptions = TXLSSet<TPrintSetupOption>;

class TXLSPrintSettings {
 public:
  TXLSPrintSettings(TXc12DataWorksheet* sheet, TXLSNames* names);
  int32_t Copies();
  void SetCopies(int32_t v);
  int32_t FitWidth();
  void SetFitWidth(int32_t v);
  int32_t FitHeight();
  void SetFitHeight(int32_t v);
  int32_t ScalingFactor();
  void SetScalingFactor(int32_t v);
  int32_t StartingPage();
  void SetStartingPage(int32_t v);
  int32_t Resolution();
  void SetResolution(int32_t v);
  TXc12PaperSize PaperSize();
  void SetPaperSize(TXc12PaperSize v);
  enum class TMargin : uint8_t { Left, Right, Top, Bottom, Header, Footer };
  double Margin(TMargin m);
  void SetMargin(TMargin m, double inches);
  double MarginCm(TMargin m) { return Margin(m) * 2.54; }
  void SetMarginCm(TMargin m, double cm) { SetMargin(m, cm / 2.54); }
  TPrintSetupOptions Options();
  void SetOptions(TPrintSetupOptions v);
  TXLSHeaderFooter& HeaderFooter() { return FXLSHeaderFooter; }
  TXLSPagebreaks& HorizPagebreaks() { return FHorizPagebreaks; }
  TXLSPagebreaks& VertPagebreaks() { return FVertPagebreaks; }

 private:
  TXc12DataWorksheet* FXc12Sheet;
  TXLSNames* FNames;
  TXLSHeaderFooter FXLSHeaderFooter;
  TXLSPagebreaks FVertPagebreaks, FHorizPagebreaks;
};

enum class TActivePane : uint8_t { apBottomRight, apTopRight, apBottomLeft, apTopLeft };
enum class TPaneType : uint8_t { ptNone, ptFrozen, ptSplit, ptFrozenSplit };

// The pane of the sheet's first view (a view is added on the first write when there is none).
class TXLSPane {
 public:
  explicit TXLSPane(TXc12DataWorksheet* sheet) : FSheet(sheet) {}
  TActivePane ActivePane();
  void SetActivePane(TActivePane v);
  TPaneType PaneType();
  void SetPaneType(TPaneType v);
  double SplitColX();
  void SetSplitColX(double v);
  double SplitRowY();
  void SetSplitRowY(double v);
  int32_t LeftCol();
  void SetLeftCol(int32_t v);
  int32_t TopRow();
  void SetTopRow(int32_t v);
  // The pane record, nullptr for a sheet without a view.
  const TXc12Pane* Record() const;

 private:
  TXc12Pane& Writable();
  TXc12DataWorksheet* FSheet;
  bool FHasState = false;
};

class TXLSSheetProtection {
 public:
  explicit TXLSSheetProtection(TXc12DataWorksheet* sheet) : FSheet(sheet) {}
  TXc12SheetProtection& Record();
#define XLS_PROT(Name)                     \
  bool Name() { return Record().F##Name; } \
  void Set##Name(bool v) { Record().F##Name = v; }
  XLS_PROT(Sheet)
  XLS_PROT(Objects)
  XLS_PROT(Scenarios)
  XLS_PROT(FormatCells)
  XLS_PROT(FormatColumns)
  XLS_PROT(FormatRows)
  XLS_PROT(InsertColumns)
  XLS_PROT(InsertRows)
  XLS_PROT(InsertHyperlinks)
  XLS_PROT(DeleteColumns)
  XLS_PROT(DeleteRows)
  XLS_PROT(SelectLockedCells)
  XLS_PROT(SelectUnlockedCells)
  XLS_PROT(Sort)
  XLS_PROT(AutoFilter)
  XLS_PROT(PivotTables)
#undef XLS_PROT
  uint16_t Verifier() { return Record().FPassword; }
  // Stores the text's verifier; a text that is not empty also protects sheet, objects, scenarios.
  void SetPassword(std::u16string_view text);

 private:
  TXc12DataWorksheet* FSheet;
};

// The 16-bit legacy password verifier of a text (first 15 characters, Latin-1, others as "?").
uint16_t SheetPasswordVerifier(std::u16string_view text);

enum class TWorkbookOption : uint8_t { woHidden, woIconized, woHScroll, woVScroll, woTabs };
using TWorkbookOptions = TXLSSet<TWorkbookOption>;

// The workbook's first window (the book views keep at least one; one is added when there is none).
class TXLSWorkbookData {
 public:
  explicit TXLSWorkbookData(TXc12BookViews* views) : FBookViews(views) {}
  int32_t Left() { return View().FXWindow; }
  void SetLeft(int32_t v) { View().FXWindow = v; }
  int32_t Top() { return View().FYWindow; }
  void SetTop(int32_t v) { View().FYWindow = v; }
  int32_t Width() { return View().FWindowWidth; }
  void SetWidth(int32_t v) { View().FWindowWidth = v; }
  int32_t Height() { return View().FWindowHeight; }
  void SetHeight(int32_t v) { View().FWindowHeight = v; }
  int32_t SelectedTab() { return View().FActiveTab; }
  void SetSelectedTab(int32_t v) { View().FActiveTab = v; }
  TWorkbookOptions Options();
  void SetOptions(TWorkbookOptions v);

 private:
  TXc12BookView& View();
  TXc12BookViews* FBookViews;
};

class TXLSOptionsDialog {
 public:
  TXLSOptionsDialog(TXc12CalcPr* calcPr, TXc12WorkbookPr* workbookPr)
      : FCalcPr(calcPr), FWorkbookPr(workbookPr) {}
  void Clear() { FRightToLeftAssigned = FRightToLeft = FSaveRecalc = false; }
  int32_t CalcCount() const { return FCalcPr->FIterateCount; }
  void SetCalcCount(int32_t v) { FCalcPr->FIterateCount = v; }
  int32_t MaxIterations() const { return FCalcPr->FIterateCount; }
  void SetMaxIterations(int32_t v) { FCalcPr->FIterateCount = v; }
  TXc12CalcMode CalcMode() const { return FCalcPr->FCalcMode; }
  void SetCalcMode(TXc12CalcMode v) { FCalcPr->FCalcMode = v; }
  double Delta() const { return FCalcPr->FIterateDelta; }
  void SetDelta(double v) { FCalcPr->FIterateDelta = v; }
  bool Iteration() const { return FCalcPr->FIterate; }
  void SetIteration(bool v) { FCalcPr->FIterate = v; }
  bool PrecisionAsDisplayed() const { return !FCalcPr->FFullPrecision; }
  void SetPrecisionAsDisplayed(bool v) { FCalcPr->FFullPrecision = !v; }
  bool Uncalced() const { return !FCalcPr->FCalcCompleted; }
  void SetUncalced(bool v) { FCalcPr->FCalcCompleted = !v; }
  bool R1C1Mode() const { return FCalcPr->FRefMode == TXc12RefMode::x12rmR1C1; }
  void SetR1C1Mode(bool v) { FCalcPr->FRefMode = v ? TXc12RefMode::x12rmR1C1 : TXc12RefMode::x12rmA1; }
  bool RecalcBeforeSave() const { return FCalcPr->FCalcOnSave; }
  void SetRecalcBeforeSave(bool v) { FCalcPr->FCalcOnSave = v; }
  bool Date1904() const { return FWorkbookPr->FDate1904; }
  void SetDate1904(bool v) { FWorkbookPr->FDate1904 = v; }
  bool SaveExtLinkVal() const { return FWorkbookPr->FSaveExternalLinkValues; }
  void SetSaveExtLinkVal(bool v) { FWorkbookPr->FSaveExternalLinkValues = v; }
  TXc12Objects ShowObjects() const { return FWorkbookPr->FShowObjects; }
  void SetShowObjects(TXc12Objects v) { FWorkbookPr->FShowObjects = v; }
  bool SaveRecalc() const { return FSaveRecalc; }
  void SetSaveRecalc(bool v) { FSaveRecalc = v; }
  // Keeps what is written (the data model has no field for the direction of the workbook).
  bool RightToLeft() const { return FRightToLeft; }
  void SetRightToLeft(bool v) { FRightToLeftAssigned = true, FRightToLeft = v; }
  bool RightToLeftAssigned() const { return FRightToLeftAssigned; }

 private:
  TXc12CalcPr* FCalcPr;
  TXc12WorkbookPr* FWorkbookPr;
  bool FRightToLeftAssigned = false, FRightToLeft = false, FSaveRecalc = false;
};

}  // namespace xls
