// The small data objects a worksheet holds beside its cells: column records, hyperlink records,
// merged areas, sheet views, sheet properties, page setup, comments with their authors, the
// autofilter, tables, and the workbook's external links.
//
// Field names follow the ECMA-376 SpreadsheetML elements and attributes of the same names
// (worksheet, cols/col, hyperlinks, mergeCells, sheetViews/sheetView, sheetFormatPr, pageSetup,
// comments, autoFilter, table, externalLink). The readers fill these objects and the sheet
// objects read them; apart from finding, none of them interprets its data.
// Design choice: only what the reading roads and the text search hold is modelled here; the
// editing layer derives its own objects from these classes through the class factory, so that
// each list creates its members through one virtual `CreateMember`.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "xls/model/xlscellarea.h"
#include "xls/model/xlsclassfactory.h"
#include "xls/model/xlskeptxml.h"
#include "xls/model/xlssortstate.h"
#include "xls/model/xlsstyleuse.h"

namespace xls {

class TXc12XF;
class TXc12Font;
class TXc12DXF;

// ---- columns

enum TXc12ColumnOption : uint8_t { xcoHidden = 1, xcoBestFit = 2, xcoCustomWidth = 4, xcoPhonetic = 8, xcoCollapsed = 16 };

struct TXc12Column {
  int32_t FMin = 0, FMax = 0;  // first and last column covered, zero-based
  double FWidth = 0;           // in characters
  TXc12XF* FStyle = nullptr;   // not owned
  int32_t FOutlineLevel = 0;
  uint8_t FOptions = 0;        // set of TXc12ColumnOption
  void Clear() { *this = TXc12Column(); }
  bool EqualProps(const TXc12Column& c) const {
    return FWidth == c.FWidth && FStyle == c.FStyle && FOutlineLevel == c.FOutlineLevel && FOptions == c.FOptions;
  }
};

class TXc12Columns {
 public:
  TXc12Column* Add(TXc12XF* style);
  size_t Count() const { return FItems.size(); }
  TXc12Column* Items(size_t index) const { return FItems.at(index).get(); }
  void Clear() { FItems.clear(); }
  // The records themselves, for the editing layer that sorts, splits and joins them.
  std::vector<std::unique_ptr<TXc12Column>>& List() { return FItems; }
  double FDefColWidth = 0;

 private:
  std::vector<std::unique_ptr<TXc12Column>> FItems;
};

// ---- hyperlinks

// Made by the class factory (kind xcftHyperlinksMember) when the list adds it.
class TXc12Hyperlink : public TCellArea, public TXLSFactoryObject {
 public:
  int32_t GetCol1() const override { return FRef.Col1; }
  int32_t GetRow1() const override { return FRef.Row1; }
  int32_t GetCol2() const override { return FRef.Col2; }
  int32_t GetRow2() const override { return FRef.Row2; }
  void SetCol1(int32_t v) override { FRef.Col1 = v; }
  void SetRow1(int32_t v) override { FRef.Row1 = v; }
  void SetCol2(int32_t v) override { FRef.Col2 = v; }
  void SetRow2(int32_t v) override { FRef.Row2 = v; }
  // Type unknown, texts empty, area none (all -1); target frame, screen tip and the encoded type
  // keep their values.
  void Clear();
  // Stores the address text unchanged, then tells the object (the editing layer's hyperlink
  // classifies and encodes it there).
  void SetRawAddress(std::u16string_view v) {
    FAddress = v;
    AddressChanged();
  }
  virtual void AddressChanged() {}

  TXLSHyperlinkType FHyperlinkType = TXLSHyperlinkType::xhltUnknown;
  std::u16string FDisplay, FAddress, FLocation;
  TXLSCellArea FRef{-1, -1, -1, -1};
  std::u16string FTooltip, FTargetFrame, FScreenTip;
  TXLSHyperlinkType FHyperlinkEnc = TXLSHyperlinkType::xhltUnknown;
};

class TXc12Hyperlinks : public TCellAreas, public TXLSFactoryObject {
 public:
  TXLSClassFactory* FClassFactory = nullptr;  // not owned; set by the sheet that owns the list
  std::unique_ptr<TCellArea> CreateArea() const override { return std::make_unique<TXc12Hyperlink>(); }
  // A cleared link made by the class factory (kind xcftHyperlinksMember, this list as owner); the
  // model's own class when the factory makes none.
  TXc12Hyperlink* AddLink();
  TXc12Hyperlink* Link(size_t index) const { return static_cast<TXc12Hyperlink*>(Items(index)); }
};

// ---- merged cells

class TXc12MergedCells : public TSolidCellAreas, public TXLSFactoryObject {
 public:
  // Appends the area as it is (overlaps are not looked for; Include merges them).
  TCellArea* AddRef(const TXLSCellArea& ref) { return Add(ref); }
};

// ---- views, properties, page setup

enum class TXc12PaneState : uint8_t { x12psSplit, x12psFrozen, x12psFrozenSplit };
enum class TXc12PaneEnum : uint8_t { x12pBottomRight, x12pTopRight, x12pBottomLeft, x12pTopLeft };
enum class TXc12SheetViewType : uint8_t { x12svtNormal, x12svtPageBreakPreview, x12svtPageLayout };

struct TXc12Pane {
  double FXSplit = 0, FYSplit = 0;
  TXLSCellArea FTopLeftCell{-1, -1, -1, -1};
  TXc12PaneEnum FActivePane = TXc12PaneEnum::x12pTopLeft;
  TXc12PaneState FState = TXc12PaneState::x12psSplit;
  bool FExcel97 = false;
};

// A cleared selection holds one area, A1, with A1 active.
struct TXc12Selection {
  TXc12Selection() { Clear(); }
  void Clear() {
    FSQRef.Clear();
    FSQRef.Add(0, 0);
    FActiveCell = {0, 0, 0, 0};
    FActiveCellId = 0;
    FPane = TXc12PaneEnum::x12pTopLeft;
  }
  TXc12PaneEnum FPane = TXc12PaneEnum::x12pTopLeft;
  TXLSCellArea FActiveCell;
  int32_t FActiveCellId = 0;
  TCellAreas FSQRef;
};

// pivotSelection of a sheet view, with its pivot area and the area's references.
enum class TXc12Axis : uint8_t { x12aAxisRow, x12aAxisCol, x12aAxisPage, x12aAxisValues, x12aUnknown };
enum class TXc12PivotAreaType : uint8_t {
  x12patNone,
  x12patNormal,
  x12patData,
  x12patAll,
  x12patOrigin,
  x12patButton,
  x12patTopRight
};

struct TXc12PivotAreaReference {
  int32_t FField = 0;
  bool FSelected = true, FByPosition = false, FRelative = false, FDefaultSubtotal = false,
       FSumSubtotal = false, FCountASubtotal = false, FAvgSubtotal = false, FMaxSubtotal = false,
       FMinSubtotal = false, FProductSubtotal = false, FCountSubtotal = false, FStdDevSubtotal = false,
       FStdDevPSubtotal = false, FVarSubtotal = false, FVarPSubtotal = false;
  std::vector<int32_t> FValues;  // the x children's v
};

struct TXc12PivotArea {
  int32_t FField = 0;
  TXc12PivotAreaType FType_ = TXc12PivotAreaType::x12patNormal;
  bool FDataOnly = true, FLabelOnly = false, FGrandRow = false, FGrandCol = false, FCacheIndex = false,
       FOutline = true;
  TXLSCellArea FOffset{-1, -1, -1, -1};
  bool FCollapsedLevelsAreSubtotals = false;
  TXc12Axis FAxis = TXc12Axis::x12aUnknown;
  int32_t FFieldPosition = 0;
  std::vector<std::unique_ptr<TXc12PivotAreaReference>> FReferences;
};

struct TXc12PivotSelection {
  TXc12PaneEnum FPane = TXc12PaneEnum::x12pTopLeft;
  bool FShowHeader = false, FLabel_ = false, FData = false, FExtendable = false;
  int32_t FCount = 0;
  TXc12Axis FAxis = TXc12Axis::x12aUnknown;
  int32_t FDimension = 0, FStart = 0, FMin = 0, FMax = 0, FActiveRow = 0, FActiveCol = 0, FPreviousRow = 0,
          FPreviousCol = 0, FClick = 0;
  std::u16string FRId;
  TXc12PivotArea FPivotArea;
};

struct TXc12SheetView {
  bool FWindowProtection = false, FShowFormulas = false, FShowGridLines = true, FShowRowColHeaders = true,
       FShowZeros = true, FRightToLeft = false, FTabSelected = false, FShowRuler = true,
       FShowOutlineSymbols = true, FDefaultGridColor = true, FShowWhiteSpace = true;
  TXc12SheetViewType FView = TXc12SheetViewType::x12svtNormal;
  TXLSCellArea FTopLeftCell{-1, -1, -1, -1};
  int32_t FColorId = 64, FZoomScale = 100, FZoomScaleNormal = 0, FZoomScaleSheetLayoutView = 0,
          FZoomScalePageLayoutView = 0, FWorkbookViewId = 0;
  TXc12Pane FPane;
  std::vector<std::unique_ptr<TXc12Selection>> FSelection;
  std::vector<std::unique_ptr<TXc12PivotSelection>> FPivotSelection;
  bool FZoomToFit = false;
};

class TXc12SheetViews {
 public:
  TXc12SheetView* Add();
  size_t Count() const { return FItems.size(); }
  TXc12SheetView* Items(size_t index) const { return FItems.at(index).get(); }
  void Clear() { FItems.clear(); }

 private:
  std::vector<std::unique_ptr<TXc12SheetView>> FItems;
};

struct TXc12SheetPr {
  bool FSyncHorizontal = false, FSyncVertical = false;
  TXLSCellArea FSyncRef{-1, -1, -1, -1};
  bool FTransitionEvaluation = false, FTransitionEntry = false, FPublished_ = true;
  std::u16string FCodeName;
  bool FFilterMode = false, FEnableFormatConditionsCalculation = true;
  TXc12Color FTabColor;
  // outlinePr and pageSetUpPr
  bool FApplyStyles = false, FSummaryBelow = true, FSummaryRight = true, FShowOutlineSymbols = true;
  bool FAutoPageBreaks = true, FFitToPage = false;
};

struct TXc12SheetCalcPr {
  bool FFullCalcOnLoad = false;
};

struct TXc12SheetFormatPr {
  int32_t FBaseColWidth = 8;
  double FDefaultColWidth = 0;
  double FDefaultRowHeight = 0;
  bool FCustomHeight = false, FZeroHeight = false, FThickTop = false, FThickBottom = false;
  int32_t FOutlineLevelRow = 0, FOutlineLevelCol = 0;
};

enum class TXc12PageOrder : uint8_t { x12poDownThenOver, x12poOverThenDown };
enum class TXc12Orientation : uint8_t { x12oDefault, x12oPortrait, x12oLandscape };
enum class TXc12CellComments : uint8_t { x12ccNone, x12ccAsDisplayed, x12ccAtEnd };
enum class TXc12PrintError : uint8_t { x12peDisplayed, x12peBlank, x12peDash, x12peNA };

struct TXc12PageSetup {
  TXc12PaperSize FPaperSize = TXc12PaperSize::psNone;
  int32_t FScale = 100, FFirstPageNumber = 1, FFitToWidth = 1, FFitToHeight = 1;
  TXc12PageOrder FPageOrder = TXc12PageOrder::x12poDownThenOver;
  TXc12Orientation FOrientation = TXc12Orientation::x12oPortrait;
  bool FUsePrinterDefaults = true, FBlackAndWhite = false, FDraft = false;
  TXc12CellComments FCellComments = TXc12CellComments::x12ccNone;
  bool FUseFirstPageNumber = false;
  TXc12PrintError FErrors = TXc12PrintError::x12peDisplayed;
  int32_t FHorizontalDpi = 600, FVerticalDpi = 600, FCopies = 1;
  std::vector<uint8_t> FPrinterSettings;  // the printer settings part, empty when none
  std::u16string FRId;
};

struct TXc12PrintOptions {
  bool FHorizontalCentered = false, FVerticalCentered = false, FHeadings = false, FGridLines = false, FGridLinesSet = true;
};

// In inches.
struct TXc12PageMargins {
  double FLeft = 0.7, FRight = 0.7, FTop = 0.75, FBottom = 0.75, FHeader = 0.3, FFooter = 0.3;
};

struct TXc12HeaderFooter {
  bool FDifferentOddEven = false, FDifferentFirst = false, FScaleWithDoc = true, FAlignWithMargins = true;
  std::u16string FOddHeader, FOddFooter, FEvenHeader, FEvenFooter, FFirstHeader, FFirstFooter;
};

struct TXc12Break {
  int32_t FId = 0, FMin = 0, FMax = 0;
  bool FMan = false, FPt = false;
};

// A true value protects the action, as in ECMA-376 (sheetProtection).
struct TXc12SheetProtection {
  // The 16-bit verifier of the text's 8-bit form (its first 15 characters) into FPassword.
  void SetPasswordAsString(std::u16string_view password);
  uint16_t FPassword = 0;  // the 16-bit password hash, 0 = none
  bool FSheet = false, FObjects = false, FScenarios = false, FFormatCells = true, FFormatColumns = true,
       FFormatRows = true, FInsertColumns = true, FInsertRows = true, FInsertHyperlinks = true, FDeleteColumns = true,
       FDeleteRows = true, FSelectLockedCells = false, FSort = true, FAutoFilter = true, FPivotTables = true,
       FSelectUnlockedCells = false;
};

struct TXc12ProtectedRange {
  int32_t FPassword = 0;
  TCellAreas FSqref;
  std::u16string FName, FSecurityDescriptor;
};

struct TXc12IgnoredError {
  TCellAreas FSqref;
  bool FEvalError = false, FTwoDigitTextYear = false, FNumberStoredAsText = false, FFormula = false,
       FFormulaRange = false, FUnlockedFormula = false, FEmptyCellReference = false, FListDataValidation = false,
       FCalculatedColumn = false;
};

enum class TXc12DataValidationType : uint8_t { x12dvtNone, x12dvtWhole, x12dvtDecimal, x12dvtList, x12dvtDate, x12dvtTime, x12dvtTextLength, x12dvtCustom };
enum class TXc12DataValidationErrorStyle : uint8_t { x12dvesStop, x12dvesWarning, x12dvesInformation };
enum class TXc12DataValidationImeMode : uint8_t {
  x12dvimNoControl,
  x12dvimOff,
  x12dvimOn,
  x12dvimDisabled,
  x12dvimHiragana,
  x12dvimFullKatakana,
  x12dvimHalfKatakana,
  x12dvimFullAlpha,
  x12dvimHalfAlpha,
  x12dvimFullHangul,
  x12dvimHalfHangul
};
enum class TXc12DataValidationOperator : uint8_t {
  x12dvoBetween, x12dvoNotBetween, x12dvoEqual, x12dvoNotEqual, x12dvoLessThan, x12dvoLessThanOrEqual,
  x12dvoGreaterThan, x12dvoGreaterThanOrEqual
};

// Made by the class factory (kind xcftDataValidationsMember) when the sheet adds it.
struct TXc12DataValidation : TXLSFactoryObject {
  TXc12DataValidationType FType_ = TXc12DataValidationType::x12dvtNone;
  TXc12DataValidationErrorStyle FErrorStyle = TXc12DataValidationErrorStyle::x12dvesStop;
  TXc12DataValidationImeMode FImeMode = TXc12DataValidationImeMode::x12dvimNoControl;
  TXc12DataValidationOperator FOperator_ = TXc12DataValidationOperator::x12dvoBetween;
  bool FAllowBlank = false, FShowDropDown = false, FShowInputMessage = false, FShowErrorMessage = false;
  std::u16string FErrorTitle, FError, FPromptTitle, FPrompt;
  TCellAreas FSqref;
  std::u16string FFormula1, FFormula2;
};

// The validations of a sheet (made by the class factory, kind xcftDataValidations) with the
// dataValidations element's own attributes; the items are owned, in document order.
class TXc12DataValidations : public TXLSFactoryObject,
                             public std::vector<std::unique_ptr<TXc12DataValidation>> {
 public:
  explicit TXc12DataValidations(TXLSClassFactory* factory = nullptr) : FClassFactory(factory) {}
  // Appends a validation made by the class factory (kind xcftDataValidationsMember, no owner); the
  // model's own class when the factory makes none.
  TXc12DataValidation* AddDV();
  // No validations; prompts enabled, window at 0, 0.
  void Clear();
  TXLSClassFactory* FClassFactory;  // not owned
  bool FDisablePrompts = false;
  int32_t FXWindow = 0, FYWindow = 0;
};

// ---- comments

class TXc12Author {
 public:
  std::u16string FName;
};

class TXc12Authors {
 public:
  TXc12Author* Add(std::u16string_view name);
  // The first author whose name equals `name`, ASCII letters compared without case; nullptr when none.
  TXc12Author* Find(std::u16string_view name) const;
  size_t Count() const { return FItems.size(); }
  TXc12Author* Items(size_t index) const { return FItems.at(index).get(); }
  void Clear() { FItems.clear(); }

 private:
  std::vector<std::unique_ptr<TXc12Author>> FItems;
};

// A phonetic run of rich text: first and last-plus-one character it reads, and its text.
struct TXc12PhoneticRun {
  int32_t Start = 0, End = 0;
  std::u16string Text;
};

class TXc12Comment {
 public:
  // The first position given is kept as the original one.
  void SetCol(int32_t v);
  void SetRow(int32_t v);
  int32_t Col() const { return FCol; }
  int32_t Row() const { return FRow; }
  TXLSCellArea Ref() const { return {FRow, FRow, FCol, FCol}; }

  // A new run at the end of the font runs (first character and font).
  TXc12FontRun* AddFontRun();
  // Empties the font runs and the phonetic runs; the owner of the fonts' uses frees them first.
  void ClearFontRuns() {
    FFontRuns.clear();
    FPhoneticRuns.clear();
  }
  // The default note shape (a hidden box of 120 x 59.25 points on a light yellow fill), kept as
  // its VML text, numbered by a process-wide counter.
  void SetDefault();

  std::u16string FText;
  TXc12Author* FAuthor = nullptr;  // not owned; an entry of the comments' author list
  int32_t FOrigCol = -1, FOrigRow = -1;
  std::vector<TXc12FontRun> FFontRuns;
  std::vector<TXc12PhoneticRun> FPhoneticRuns;
  std::u16string FGUID;
  std::u16string FVML;  // the note shape as VML text; empty until set
  int32_t FAuthorId = 0;
  // The box's anchor: cells and offsets of its corners.
  int32_t FCol1 = 0, FCol1Offs = 0, FRow1 = 0, FRow1Offs = 0, FCol2 = 0, FCol2Offs = 0, FRow2 = 0, FRow2Offs = 0;
  uint32_t FColor = 0x00FFFFE1;

 private:
  friend class TXc12Comments;
  int32_t FCol = -1, FRow = -1;
  bool* FListStale = nullptr;  // the owning list's index goes stale when the comment moves
};

class TXc12Comments {
 public:
  TXc12Comments() = default;
  TXc12Comments(const TXc12Comments&) = delete;  // the comments point at the list's flag
  TXc12Comments& operator=(const TXc12Comments&) = delete;
  TXc12Comment* Add();
  // Removes the comment at `index` (std::out_of_range outside).
  void Delete(size_t index);
  // The first comment at the cell, through an index of the comments by cell (made again at the
  // first look-up after comments were added or moved).
  TXc12Comment* Find(int32_t col, int32_t row) const;
  size_t Count() const { return FItems.size(); }
  TXc12Comment* Items(size_t index) const { return FItems.at(index).get(); }
  // Removes the comments of the cells in the area (authors stay).
  void Delete(int32_t col1, int32_t row1, int32_t col2, int32_t row2);
  void Clear() {
    FItems.clear();
    FAuthors.Clear();
    FByCell.clear();
    FStale = false;
  }
  TXc12Authors& Authors() { return FAuthors; }

 private:
  std::vector<std::unique_ptr<TXc12Comment>> FItems;
  TXc12Authors FAuthors;
  mutable std::unordered_map<uint64_t, TXc12Comment*> FByCell;
  mutable bool FStale = false;  // one flag per list, held where every comment can reach it
};

// ---- filters

enum class TXc12FilterOperator : uint8_t { x12foEqual, x12foLessThan, x12foLessThanOrEqual, x12foNotEqual, x12foGreaterThanOrEqual, x12foGreaterThan };

struct TXc12CustomFilter {
  TXc12FilterOperator FOperator = TXc12FilterOperator::x12foEqual;
  std::u16string FVal;
  std::u16string OperatorAsString() const;
  // One of "=", "<", "<=", "<>", ">=", ">"; any other text leaves the operator unchanged.
  void SetOperatorAsString(std::u16string_view s);
};

enum class TXc12CalendarType : uint8_t {
  x12ctNone,
  x12ctGregorian,
  x12ctGregorianUs,
  x12ctJapan,
  x12ctTaiwan,
  x12ctKorea,
  x12ctHijri,
  x12ctThai,
  x12ctHebrew,
  x12ctGregorianMeFrench,
  x12ctGregorianArabic,
  x12ctGregorianXlitEnglish
};
enum class TXc12DateTimeGrouping : uint8_t {
  x12dtgYear,
  x12dtgMonth,
  x12dtgDay,
  x12dtgHour,
  x12dtgMinute,
  x12dtgSecond
};

struct TXc12DateGroupItem {
  int32_t FYear = 0, FMonth = 0, FDay = 0, FHour = 0, FMinute = 0, FSecond = 0;
  TXc12DateTimeGrouping FDateTimeGrouping = TXc12DateTimeGrouping::x12dtgYear;
};

// top10: the largest or smallest items (or percent); FAssigned when the file gave one.
struct TXc12Top10 {
  bool FAssigned = false, FTop = true, FPercent = false;
  double FVal = 0, FFilterVal = 0;
};

enum class TXc12DynamicFilterType : uint8_t {
  x12dftNull,
  x12dftAboveAverage,
  x12dftBelowAverage,
  x12dftTomorrow,
  x12dftToday,
  x12dftYesterday,
  x12dftNextWeek,
  x12dftThisWeek,
  x12dftLastWeek,
  x12dftNextMonth,
  x12dftThisMonth,
  x12dftLastMonth,
  x12dftNextQuarter,
  x12dftThisQuarter,
  x12dftLastQuarter,
  x12dftNextYear,
  x12dftThisYear,
  x12dftLastYear,
  x12dftYearToDate,
  x12dftQ1,
  x12dftQ2,
  x12dftQ3,
  x12dftQ4,
  x12dftM1,
  x12dftM2,
  x12dftM3,
  x12dftM4,
  x12dftM5,
  x12dftM6,
  x12dftM7,
  x12dftM8,
  x12dftM9,
  x12dftM10,
  x12dftM11,
  x12dftM12,
  x12dftUnset = 255  // no dynamic filter
};

struct TXc12DynamicFilter {
  TXc12DynamicFilterType FType_ = TXc12DynamicFilterType::x12dftUnset;
  double FVal = 0, FMaxVal = 0;
};

// colorFilter: cells (FCellColor) or fonts of the differential format's colour.
struct TXc12ColorFilter {
  bool FAssigned = false;
  TXc12DXF* FDXF = nullptr;  // not owned; nullptr when the number names none
  int32_t FDxfId = -1;       // the number as the file gave it
  bool FCellColor = true;
};

struct TXc12IconFilter {
  bool FAssigned = false;
  TXc12IconSetType FIconSet = TXc12IconSetType::x12ist3Arrows;
  int32_t FIconId = -1;
};

struct TXc12FilterColumn : TXLSFactoryObject {
  int32_t FColId = 0;
  bool FHiddenButton = false, FShowButton = true;
  // filters: the values shown, blank cells, the calendar of the date groups, the date groups.
  std::vector<std::u16string> FFilters;
  bool FBlank = false;
  TXc12CalendarType FCalendarType = TXc12CalendarType::x12ctNone;
  std::vector<TXc12DateGroupItem> FDateGroupItems;
  TXc12Top10 FTop10;
  std::vector<TXc12CustomFilter> FCustomFilters;  // at most two
  bool FCustomAnd = false;
  TXc12DynamicFilter FDynamicFilter;
  TXc12ColorFilter FColorFilter;
  TXc12IconFilter FIconFilter;
};

class TXc12AutoFilter : public TXLSFactoryObject {
 public:
  // Area none (all -1), no columns.
  void Clear();
  TXc12FilterColumn* AddColumn();
  // The object AddColumn appends; the editing layer makes its own through the class factory.
  virtual std::unique_ptr<TXc12FilterColumn> CreateColumn() { return std::make_unique<TXc12FilterColumn>(); }
  size_t ColumnCount() const { return FColumns.size(); }
  TXc12FilterColumn* Columns(size_t index) const { return FColumns.at(index).get(); }
  TXLSCellArea FRef{-1, -1, -1, -1};
  void* FOwner = nullptr;  // the worksheet data; not owned
  // The filter's own sortState; Clear clears it.
  std::unique_ptr<TXc12SortState> FSortState = NewClearedSortState();

 private:
  std::vector<std::unique_ptr<TXc12FilterColumn>> FColumns;
};

// ---- tables

enum class TXc12TableType : uint8_t { x12ttWorksheet, x12ttXml, x12ttQueryTable };
enum class TXc12TotalsRowFunction : uint8_t {
  x12trfNone,
  x12trfSum,
  x12trfMin,
  x12trfMax,
  x12trfAverage,
  x12trfCount,
  x12trfCountNums,
  x12trfStdDev,
  x12trfVar,
  x12trfCustom
};
// The XML Schema built-in types, in the order of ECMA-376's ST_XmlDataType.
enum class TXc12XmlDataType : uint8_t {
  x12xdtString,
  x12xdtNormalizedString,
  x12xdtToken,
  x12xdtByte,
  x12xdtUnsignedByte,
  x12xdtBase64Binary,
  x12xdtHexBinary,
  x12xdtInteger,
  x12xdtPositiveInteger,
  x12xdtNegativeInteger,
  x12xdtNonPositiveInteger,
  x12xdtNonNegativeInteger,
  x12xdtInt,
  x12xdtUnsignedInt,
  x12xdtLong,
  x12xdtUnsignedLong,
  x12xdtShort,
  x12xdtUnsignedShort,
  x12xdtDecimal,
  x12xdtFloat,
  x12xdtDouble,
  x12xdtBoolean,
  x12xdtTime,
  x12xdtDateTime,
  x12xdtDuration,
  x12xdtDate,
  x12xdtGMonth,
  x12xdtGYear,
  x12xdtGYearMonth,
  x12xdtGDay,
  x12xdtGMonthDay,
  x12xdtName,
  x12xdtQName,
  x12xdtNCName,
  x12xdtAnyURI,
  x12xdtLanguage,
  x12xdtID,
  x12xdtIDREF,
  x12xdtIDREFS,
  x12xdtENTITY,
  x12xdtENTITIES,
  x12xdtNOTATION,
  x12xdtNMTOKEN,
  x12xdtNMTOKENS,
  x12xdtAnyType
};

struct TXc12XmlColumnPr {
  bool FAssigned = false;
  int32_t FMapId = 0;
  std::u16string FXpath;
  bool FDenormalized = false;
  TXc12XmlDataType FXmlDataType = TXc12XmlDataType::x12xdtString;
};

struct TXc12TableColumn {
  int32_t FId = 0;
  std::u16string FUniqueName, FName;
  TXc12TotalsRowFunction FTotalsRowFunction = TXc12TotalsRowFunction::x12trfNone;
  std::u16string FTotalsRowLabel;
  int32_t FQueryTableFieldId = 0;
  // Differential format numbers as the file writes them, and cell style names.
  std::u16string FHeaderRowDxfId, FDataDxfId, FTotalsRowDxfId;
  std::u16string FHeaderRowCellStyle, FDataCellStyle, FTotalsRowCellStyle;
  // Formula texts; the flags say the formula is an array formula.
  std::u16string FCalculatedColumnFormula, FTotalsRowFormula;
  bool FCalculatedColumnArray = false, FTotalsRowArray = false;
  TXc12XmlColumnPr FXmlColumnPr;
};

struct TXc12TableStyleInfo {
  std::u16string FName;
  bool FShowFirstColumn = false, FShowLastColumn = false, FShowRowStripes = false, FShowColumnStripes = false;
};

class TXc12Table {
 public:
  TXc12TableColumn* AddColumn();
  size_t ColumnCount() const { return FColumns.size(); }
  TXc12TableColumn* Columns(size_t index) const { return FColumns.at(index).get(); }
  // The cell lies inside the table's area, bounds included.
  bool Hit(int32_t col, int32_t row) const {
    return col >= FRef.Col1 && col <= FRef.Col2 && row >= FRef.Row1 && row <= FRef.Row2;
  }

  int32_t FId = 0;
  std::u16string FName, FDisplayName, FComment;
  TXLSCellArea FRef{-1, -1, -1, -1};
  TXc12TableType FTableType = TXc12TableType::x12ttWorksheet;
  int32_t FHeaderRowCount = 1;
  bool FInsertRow = false, FInsertRowShift = false;
  int32_t FTotalsRowCount = 0;
  bool FTotalsRowShown = true, FPublished = false;
  // Differential format numbers as the file writes them, and cell style names.
  std::u16string FHeaderRowDxfId, FDataDxfId, FTotalsRowDxfId, FHeaderRowBorderDxfId, FTableBorderDxfId,
      FTotalsRowBorderDxfId;
  std::u16string FHeaderRowCellStyle, FDataCellStyle, FTotalsRowCellStyle;
  int32_t FConnectionId = 0;
  std::unique_ptr<TXc12AutoFilter> FAutoFilter = std::make_unique<TXc12AutoFilter>();
  std::unique_ptr<TXc12SortState> FSortState = NewClearedSortState();
  TXc12TableStyleInfo FTableStyleInfo;
  // The table's query-table part (its tree, or its bytes when it did not parse); empty when none.
  TXc12KeptXml FQueryTable;

 private:
  std::vector<std::unique_ptr<TXc12TableColumn>> FColumns;
};

class TXc12Tables {
 public:
  TXc12Table* Add();
  // Index of the first table with this name, ASCII letters compared without case; -1 when none.
  int32_t Find(std::u16string_view name) const;
  // Index of the first table whose area holds the cell; -1 when none.
  int32_t Find(int32_t col, int32_t row) const;
  // Structured-reference column name ('' is an apostrophe, a lone ' is dropped): the index of the
  // first column of any table, in list order, with that name; -1 when none.
  int32_t FindCol(std::u16string_view name) const;
  size_t Count() const { return FItems.size(); }
  TXc12Table* Items(size_t index) const { return FItems.at(index).get(); }
  void Clear() { FItems.clear(); }

 private:
  std::vector<std::unique_ptr<TXc12Table>> FItems;
};

// ---- external links (workbook level)

// A number written with `decimalSeparator` (blanks around it allowed); 0 when the text is not one.
double TextToFloat(std::u16string_view text, char16_t decimalSeparator);

enum class TXc12XCellType : uint8_t { x12ctNil, x12ctBoolean, x12ctError, x12ctFloat, x12ctString };

// A cached value of an external cell: a new or cleared value is the number 0, not nil.
class TXc12XCellValue {
 public:
  void Clear() { *this = TXc12XCellValue(); }
  TXc12XCellType Type() const { return FType; }
  bool AsBoolean() const;
  TXc12CellError AsError() const { return FType == TXc12XCellType::x12ctError ? FError : TXc12CellError::errUnknown; }
  // Texts are read with the settings' decimal separator; 0 when not a number.
  double AsFloat(char16_t decimalSeparator = u'.') const;
  std::u16string AsString(char16_t decimalSeparator = u'.') const;
  bool AsNil() const { return FType == TXc12XCellType::x12ctNil; }
  void SetAsBoolean(bool v);
  void SetAsError(TXc12CellError v);
  void SetAsFloat(double v);
  void SetAsString(std::u16string_view v);
  void SetAsNil(bool v);

 private:
  TXc12XCellType FType = TXc12XCellType::x12ctFloat;
  bool FBoolean = false;
  TXc12CellError FError = TXc12CellError::errUnknown;
  double FFloat = 0;
  std::u16string FString;
};

struct TXc12XCell : TXc12XCellValue {
  int32_t FCol = 0, FRow = 0, FValueMetadata = 0;
};

struct TXc12XRow {
  int32_t FRow = 0;
  std::vector<TXc12XCell> FCells;
};

struct TXc12XSheetData {
  int32_t FSheetId = 0;
  bool FRefreshError = false;
  std::vector<TXc12XRow> FRows;
};

struct TXc12XDefinedName {
  std::u16string FName, FRefersTo;
  int32_t FSheetId = -1;
};

struct TXc12XExternalBook {
  std::vector<std::u16string> FSheetNames;
  std::vector<TXc12XDefinedName> FDefinedNames;
  std::vector<TXc12XSheetData> FSheetDataSet;
  std::u16string FFilename;  // the link's target
  // Index of the sheet name (a to z folded); -1 when none.
  int32_t FindSheetName(std::u16string_view name) const;
};

struct TXc12DdeItem {
  std::u16string FName;
  bool FOle = false, FAdvise = false, FPreferPic = false;
  int32_t FCols = 0, FRows = 0;
  std::vector<TXc12XCellValue> FValues;
};

struct TXc12DdeLink {
  std::u16string FDdeService, FDdeTopic;
  std::vector<TXc12DdeItem> FItems;
};

struct TXc12OleItem {
  std::u16string FName;
  bool FIcon = false, FAdvice = false, FPreferPic = false;
};

struct TXc12OleLink {
  std::u16string FFilename, FProgId;
  std::vector<TXc12OleItem> FItems;
};

// One external link: which of the three parts is meaningful depends on what the link part held.
struct TXc12ExternalLink {
  TXc12XExternalBook FExternalBook;
  TXc12DdeLink FDdeLink;
  TXc12OleLink FOleLink;
  std::u16string FRId;
};

class TXc12DataXLinks {
 public:
  TXc12ExternalLink* Add();
  size_t Count() const { return FItems.size(); }
  TXc12ExternalLink* Items(size_t index) const { return FItems.at(index).get(); }
  void Clear() { FItems.clear(); }
  // A decimal number n gives n - 1 when it names a link (1-based), else -1; any other text the
  // first link whose book's file name equals it (a to z folded), else -1.
  int32_t FindBook(std::u16string_view name) const;

 private:
  std::vector<std::unique_ptr<TXc12ExternalLink>> FItems;
};

}  // namespace xls
