// The sheet-level objects a worksheet holds beside those of xlssheetparts.h: conditional formats
// (ECMA-376 conditionalFormatting with its cfRule children and their colorScale, dataBar, iconSet
// and cfvo elements), custom sheet views (customSheetView) and cell smart tags (smartTags).
//
// Every object here starts in the state its Clear gives, except where a field says it keeps its
// value across Clear. A rule keeps its formulas as text; the compiled slots stay empty until the
// formula layer compiles them, and setting a formula text drops its compiled form.
// Design choice: the conditional-format list and its items are made by the class factory (kinds
// xcftConditionalFormats and xcftConditionalFormat), so the editing layer can put in the
// subclasses that move, copy and evaluate them; the component's own minimal subclasses are
// TXLSConditionalFormats and TXLSConditionalFormat below, and the worksheet data falls back to
// them when a factory makes none.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xls/model/xlscellarea.h"
#include "xls/model/xlsclassfactory.h"
#include "xls/model/xlssheetparts.h"
#include "xls/model/xlssortstate.h"

namespace xls {

class TXc12DXF;
class TXc12DataWorksheet;
class TXc12Manager;
class TXLSFormulaHandler;

// ---- conditional formats

// Copies of colour records, in the order added.
class TXc12Colors {
 public:
  void Add(const TXc12Color& color) { FItems.push_back(color); }
  size_t Count() const { return FItems.size(); }
  const TXc12Color& Items(size_t index) const { return FItems.at(index); }
  void Clear() { FItems.clear(); }

 private:
  std::vector<TXc12Color> FItems;
};

enum class TXc12CfvoType : uint8_t {
  x12ctNum,
  x12ctPercent,
  x12ctMax,
  x12ctMin,
  x12ctFormula,
  x12ctPercentile
};

// A value object of a colour scale, data bar or icon set. `FVal` holds a number or a formula as
// text; a cleared value object is the number type with an empty value, gte true.
class TXc12Cfvo {
 public:
  TXc12Cfvo() { Clear(); }
  void Clear();
  // `FVal` read with "." as decimal separator whatever the locale; 0 when it is not a number.
  double AsFloat() const;
  // Writes the shortest text that reads back as the same number, with "." as separator.
  void SetAsFloat(double v);
  double AsPercent() const { return AsFloat() / 100; }

  TXc12CfvoType FType = TXc12CfvoType::x12ctNum;
  std::u16string FVal;
  bool FGte = true;
  std::unique_ptr<uint8_t[]> FPtgs;  // compiled formula of a formula value; none until compiled
  int32_t FPtgsSz = 0;
};

class TXc12Cfvos {
 public:
  TXc12Cfvo* Add();
  size_t Count() const { return FItems.size(); }
  TXc12Cfvo* Items(size_t index) const { return FItems.at(index).get(); }
  void Clear() { FItems.clear(); }

 private:
  std::vector<std::unique_ptr<TXc12Cfvo>> FItems;
};

// Clear resets the flags and the kind; the value objects stay.
class TXc12IconSet {
 public:
  TXc12IconSet() { Clear(); }
  void Clear();
  TXc12Cfvos& Cfvos() { return *FCfvos; }

  TXc12IconSetType FIconSet = TXc12IconSetType::x12ist3TrafficLights1;
  bool FShowValue = true, FPercent = true, FReverse = false;
  std::unique_ptr<TXc12Cfvos> FCfvos = std::make_unique<TXc12Cfvos>();
};

class TXc12DataBar {
 public:
  TXc12DataBar() { Clear(); }
  void Clear();

  int32_t FMinLength = 10, FMaxLength = 90;
  bool FShowValue = true;
  TXc12Color FColor;
  std::unique_ptr<TXc12Cfvo> FCfvo1 = std::make_unique<TXc12Cfvo>();
  std::unique_ptr<TXc12Cfvo> FCfvo2 = std::make_unique<TXc12Cfvo>();
};

class TXc12ColorScale {
 public:
  void Clear() {
    FCfvos->Clear();
    FColors->Clear();
  }
  TXc12Cfvos& Cfvos() { return *FCfvos; }
  TXc12Colors& Colors() { return *FColors; }

  std::unique_ptr<TXc12Cfvos> FCfvos = std::make_unique<TXc12Cfvos>();
  std::unique_ptr<TXc12Colors> FColors = std::make_unique<TXc12Colors>();
};

enum class TXc12CfType : uint8_t {
  x12ctExpression,
  x12ctCellIs,
  x12ctColorScale,
  x12ctDataBar,
  x12ctIconSet,
  x12ctTop10,
  x12ctUniqueValues,
  x12ctDuplicateValues,
  x12ctContainsText,
  x12ctNotContainsText,
  x12ctBeginsWith,
  x12ctEndsWith,
  x12ctContainsBlanks,
  x12ctNotContainsBlanks,
  x12ctContainsErrors,
  x12ctNotContainsErrors,
  x12ctTimePeriod,
  x12ctAboveAverage
};
enum class TXc12ConditionalFormattingOperator : uint8_t {
  x12cfoLessThan,
  x12cfoLessThanOrEqual,
  x12cfoEqual,
  x12cfoNotEqual,
  x12cfoGreaterThanOrEqual,
  x12cfoGreaterThan,
  x12cfoBetween,
  x12cfoNotBetween,
  x12cfoContainsText,
  x12cfoNotContains,
  x12cfoBeginsWith,
  x12cfoEndsWith
};
enum class TXc12TimePeriod : uint8_t {
  x12tpToday,
  x12tpYesterday,
  x12tpTomorrow,
  x12tpLast7Days,
  x12tpThisMonth,
  x12tpLastMonth,
  x12tpNextMonth,
  x12tpThisWeek,
  x12tpLastWeek,
  x12tpNextWeek
};

// The value 255 of the rule's type, operator and time period: none given.
inline constexpr TXc12CfType kXc12CfTypeNone = static_cast<TXc12CfType>(255);
inline constexpr TXc12ConditionalFormattingOperator kXc12CfOperatorNone =
    static_cast<TXc12ConditionalFormattingOperator>(255);
inline constexpr TXc12TimePeriod kXc12TimePeriodNone = static_cast<TXc12TimePeriod>(255);

// One rule. Clear resets the attributes and the three visuals; the formula texts, their compiled
// forms, the three cached doubles and the value array keep their values.
class TXc12CfRule {
 public:
  TXc12CfRule() { Clear(); }
  void Clear();
  const std::u16string& Formulas(int index) const { return FFormula.at(static_cast<size_t>(index)); }
  // Sets formula `index` (0..2) and frees its compiled form; any other index raises
  // XLSRWException "Index out of range".
  void SerFormulas(int index, std::u16string_view value);
  size_t ValuesCount() const { return FValues.size(); }
  void SetValuesCount(size_t n) { FValues.resize(n); }

  std::array<std::u16string, 3> FFormula;
  std::array<std::unique_ptr<uint8_t[]>, 3> FPtgs;
  std::array<int32_t, 3> FPtgsSz{};
  TXc12CfType FType_ = kXc12CfTypeNone;
  TXc12DXF* FDXF = nullptr;  // not owned; an entry of the style sheet's differential formats
  int32_t FPriority = 0;
  bool FStopIfTrue = false, FAboveAverage = true, FPercent = false, FBottom = false;
  TXc12ConditionalFormattingOperator FOperator = kXc12CfOperatorNone;
  std::u16string FText;
  TXc12TimePeriod FTimePeriod = kXc12TimePeriodNone;
  int32_t FRank = 0, FStdDev = 0;
  bool FEqualAverage = false;
  std::unique_ptr<TXc12ColorScale> FColorScale = std::make_unique<TXc12ColorScale>();
  std::unique_ptr<TXc12DataBar> FDataBar = std::make_unique<TXc12DataBar>();
  std::unique_ptr<TXc12IconSet> FIconSet = std::make_unique<TXc12IconSet>();
  double FValAverage = 0, FValMin = 0, FValMax = 0;
  std::vector<double> FValues;
};

class TXc12CfRules {
 public:
  TXc12CfRule* Add();
  size_t Count() const { return FItems.size(); }
  TXc12CfRule* Items(size_t index) const { return FItems.at(index).get(); }
  void Clear() { FItems.clear(); }

 private:
  std::vector<std::unique_ptr<TXc12CfRule>> FItems;
};

// The rules over one set of areas. Clear empties the areas and the rules; `FPivot` keeps its
// value. The move and copy operations belong to the subclass the class factory makes.
class TXc12ConditionalFormatting : public TXLSMoveCopyItem, public TXLSFactoryObject {
 public:
  TXc12ConditionalFormatting() = default;
  void Clear() {
    FSQRef->Clear();
    FCfRules->Clear();
  }
  TCellAreas& SQRef() { return *FSQRef; }
  TXc12CfRules& CfRules() { return *FCfRules; }

  bool FPivot = false;
  std::unique_ptr<TCellAreas> FSQRef = std::make_unique<TCellAreas>();
  std::unique_ptr<TXc12CfRules> FCfRules = std::make_unique<TXc12CfRules>();
};

// The conditional formats of a sheet; items come from CreateItem of the factory-made subclass.
class TXc12ConditionalFormattings : public TXLSMoveCopyList, public TXLSFactoryObject {
 public:
  explicit TXc12ConditionalFormattings(TXLSClassFactory* factory) : FClassFactory(factory) {}
  virtual TXc12ConditionalFormatting* Add();
  virtual std::unique_ptr<TXc12ConditionalFormatting> CreateItem() = 0;
  TXc12ConditionalFormatting* AddCF() { return Add(); }
  TXc12ConditionalFormatting* CF(size_t index) const {
    return static_cast<TXc12ConditionalFormatting*>(Items(index));
  }
  void Clear() { FItems.clear(); }

  TXLSClassFactory* FClassFactory;           // not owned
  TXc12DataWorksheet* FXc12Sheet = nullptr;  // the owning worksheet data, set by it

 private:
  using TXLSMoveCopyList::Items;
};

// The component's conditional format: its move and copy operations act on its areas. The
// evaluation results stay zero until an evaluator fills them.
class TXLSConditionalFormat : public TXc12ConditionalFormatting {
 public:
  TXLSConditionalFormat(TXc12Manager* manager, TXLSFormulaHandler* formulas)
      : FManager(manager), FFormulas(formulas) {}
  bool Pivot() const { return FPivot; }
  void SetPivot(bool v) { FPivot = v; }
  TCellAreas& Areas() { return *FSQRef; }
  // The area meets one of the format's areas.
  bool Intersect(int32_t col1, int32_t row1, int32_t col2, int32_t row2) const {
    return FSQRef->AreaInAreas(col1, row1, col2, row2);
  }
  void Copy(int32_t col1, int32_t row1, int32_t col2, int32_t row2, int32_t deltaCol, int32_t deltaRow) {
    FSQRef->Copy(col1, row1, col2, row2, deltaCol, deltaRow);
  }
  void Delete(int32_t col1, int32_t row1, int32_t col2, int32_t row2) override {
    FSQRef->Delete(col1, row1, col2, row2);
  }
  void Include(int32_t col1, int32_t row1, int32_t col2, int32_t row2) {
    FSQRef->Include(col1, row1, col2, row2);
  }
  void Move(int32_t deltaCol, int32_t deltaRow) { FSQRef->Move(deltaCol, deltaRow); }
  void Move(int32_t col1, int32_t row1, int32_t col2, int32_t row2, int32_t deltaCol, int32_t deltaRow) {
    FSQRef->Move(col1, row1, col2, row2, deltaCol, deltaRow);
  }
  uint32_t ResultColor() const { return FResColor; }
  TXc12DXF* ResultDXF() const { return FResDXF; }
  double ResPercent() const { return FResPercent; }
  int32_t ResIconIndex() const { return FResIconIndex; }
  TXc12IconSetType ResIconStyle() const { return FResIconStyle; }

  TXc12Manager* FManager;         // not owned; may be null
  TXLSFormulaHandler* FFormulas;  // not owned; may be null
  TXc12DataWorksheet* FXc12Sheet = nullptr;
  TXLSCellArea FCurrArea{-1, -1, -1, -1};

 private:
  uint32_t FResColor = 0;
  TXc12DXF* FResDXF = nullptr;
  double FResPercent = 0;
  int32_t FResIconIndex = 0;
  TXc12IconSetType FResIconStyle = TXc12IconSetType::x12ist3Arrows;
};

// The component's list: items through the class factory (kind xcftConditionalFormat, no owner),
// each told the list's worksheet data.
class TXLSConditionalFormats : public TXc12ConditionalFormattings {
 public:
  using TXc12ConditionalFormattings::TXc12ConditionalFormattings;
  std::unique_ptr<TXc12ConditionalFormatting> CreateItem() override;
  TXLSConditionalFormat* Format(size_t index) const {
    return dynamic_cast<TXLSConditionalFormat*>(CF(index));
  }
};

// ---- custom sheet views

enum class TXc12SheetState : uint8_t { x12ssVisible, x12ssHidden, x12ssVeryHidden };

// One customSheetView. Clear resets every field and member except the class factory.
class TXc12CustomSheetView {
 public:
  explicit TXc12CustomSheetView(TXLSClassFactory* factory) : FClassFactory(factory) { Clear(); }
  void Clear();

  TXLSClassFactory* FClassFactory;  // not owned
  std::u16string FGuid;
  int32_t FScale = 100, FColorId = 64;
  bool FShowPageBreaks = false, FShowFormulas = false, FShowGridLines = true, FShowRowCol = true,
       FOutlineSymbols = true, FZeroValues = true, FFitToPage = false, FPrintArea = false, FFilter = false,
       FShowAutoFilter = false, FHiddenRows = false, FHiddenColumns = false;
  TXc12SheetState FState = TXc12SheetState::x12ssVisible;
  bool FFilterUnique = false;
  TXc12SheetViewType FView = TXc12SheetViewType::x12svtNormal;
  bool FShowRuler = true;
  TXLSCellArea FTopLeftCell{-1, -1, -1, -1};
  std::unique_ptr<TXc12Pane> FPane = std::make_unique<TXc12Pane>();
  std::unique_ptr<TXc12Selection> FSelection = std::make_unique<TXc12Selection>();
  std::unique_ptr<std::vector<TXc12Break>> FRowBreaks = std::make_unique<std::vector<TXc12Break>>();
  std::unique_ptr<std::vector<TXc12Break>> FColBreaks = std::make_unique<std::vector<TXc12Break>>();
  std::unique_ptr<TXc12PageMargins> FPageMargins = std::make_unique<TXc12PageMargins>();
  std::unique_ptr<TXc12PrintOptions> FPrintOptions = std::make_unique<TXc12PrintOptions>();
  std::unique_ptr<TXc12PageSetup> FPageSetup = std::make_unique<TXc12PageSetup>();
  std::unique_ptr<TXc12HeaderFooter> FHeaderFooter = std::make_unique<TXc12HeaderFooter>();
  std::unique_ptr<TXc12AutoFilter> FAutoFilter = std::make_unique<TXc12AutoFilter>();
};

class TXc12CustomSheetViews {
 public:
  explicit TXc12CustomSheetViews(TXLSClassFactory* factory) : FClassFactory(factory) {}
  TXc12CustomSheetView* Add();
  size_t Count() const { return FItems.size(); }
  TXc12CustomSheetView* Items(size_t index) const { return FItems.at(index).get(); }
  void Clear() { FItems.clear(); }

 private:
  TXLSClassFactory* FClassFactory;  // not owned
  std::vector<std::unique_ptr<TXc12CustomSheetView>> FItems;
};

// ---- smart tags

struct TXc12CellSmartTagPr {
  std::u16string FKey, FVal;
};

// One smart tag of a cell with its properties.
class TXc12CellSmartTag {
 public:
  void Clear() {
    FItems.clear();
    FType_ = 0;
    FDeleted = FXmlBased = false;
  }
  TXc12CellSmartTagPr* Add();
  size_t Count() const { return FItems.size(); }
  TXc12CellSmartTagPr* Items(size_t index) const { return FItems.at(index).get(); }

  int32_t FType_ = 0;
  bool FDeleted = false, FXmlBased = false;

 private:
  std::vector<std::unique_ptr<TXc12CellSmartTagPr>> FItems;
};

// The smart tags of one cell.
class TXc12CellSmartTags {
 public:
  void Clear() {
    FItems.clear();
    FRef->Clear();
  }
  TXc12CellSmartTag* Add();
  size_t Count() const { return FItems.size(); }
  TXc12CellSmartTag* Items(size_t index) const { return FItems.at(index).get(); }

  std::unique_ptr<TCellRef> FRef = std::make_unique<TCellRef>();

 private:
  std::vector<std::unique_ptr<TXc12CellSmartTag>> FItems;
};

class TXc12SmartTags {
 public:
  TXc12CellSmartTags* Add();
  size_t Count() const { return FItems.size(); }
  TXc12CellSmartTags* Items(size_t index) const { return FItems.at(index).get(); }
  void Clear() { FItems.clear(); }

 private:
  std::vector<std::unique_ptr<TXc12CellSmartTags>> FItems;
};

}  // namespace xls
