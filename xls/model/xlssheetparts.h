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
#include <vector>

#include "xls/model/xlscellarea.h"
#include "xls/model/xlsclassfactory.h"

namespace xls {

class TXc12XF;
class TXc12Font;

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
  double FDefColWidth = 0;

 private:
  std::vector<std::unique_ptr<TXc12Column>> FItems;
};

// ---- hyperlinks

class TXc12Hyperlink : public TCellArea {
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

  TXLSHyperlinkType FHyperlinkType = TXLSHyperlinkType::xhltUnknown;
  std::u16string FDisplay, FAddress, FLocation;
  TXLSCellArea FRef{-1, -1, -1, -1};
  std::u16string FTooltip, FTargetFrame, FScreenTip;
  TXLSHyperlinkType FHyperlinkEnc = TXLSHyperlinkType::xhltUnknown;
};

class TXc12Hyperlinks : public TCellAreas, public TXLSFactoryObject {
 public:
  std::unique_ptr<TCellArea> CreateArea() const override { return std::make_unique<TXc12Hyperlink>(); }
  TXc12Hyperlink* AddLink();
  TXc12Hyperlink* Link(size_t index) const { return static_cast<TXc12Hyperlink*>(Items(index)); }
};

// ---- merged cells

class TXc12MergedCells : public TSolidCellAreas, public TXLSFactoryObject {};

// ---- views, properties, page setup

enum class TXc12PaneState : uint8_t { x12psSplit, x12psFrozen, x12psFrozenSplit };

struct TXc12SheetView {
  bool FWindowProtection = false, FShowFormulas = false, FShowGridLines = true, FShowRowColHeaders = true,
       FShowZeros = true, FRightToLeft = false, FTabSelected = false, FShowRuler = true,
       FShowOutlineSymbols = true, FDefaultGridColor = true, FShowWhiteSpace = true;
  TXLSCellRef FTopLeftCell;
  int32_t FColorId = 64, FZoomScale = 100, FZoomScaleNormal = 0, FZoomScaleSheetLayoutView = 0,
          FZoomScalePageLayoutView = 0, FWorkbookViewId = 0;
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
  bool FSyncHorizontal = false, FSyncVertical = false, FTransitionEvaluation = false,
       FTransitionEntry = false, FPublished = true, FFilterMode = false, FEnableFormatConditionsCalculation = true;
  std::u16string FSyncRef, FCodeName;
  TXc12Color FTabColor;
};

struct TXc12SheetFormatPr {
  int32_t FBaseColWidth = 8;
  double FDefaultColWidth = 0;
  double FDefaultRowHeight = 15;
  bool FCustomHeight = false, FZeroHeight = false, FThickTop = false, FThickBottom = false;
  int32_t FOutlineLevelRow = 0, FOutlineLevelCol = 0;
};

struct TXc12PageSetup {
  TXc12PaperSize FPaperSize = TXc12PaperSize::psNone;
  int32_t FScale = 100, FFirstPageNumber = 1, FFitToWidth = 1, FFitToHeight = 1;
  bool FUseFirstPageNumber = false, FBlackAndWhite = false, FDraft = false;
  int32_t FHorizontalDpi = 600, FVerticalDpi = 600, FCopies = 1;
  std::u16string FRId;
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

class TXc12Comment {
 public:
  // The first position given is kept as the original one.
  void SetCol(int32_t v);
  void SetRow(int32_t v);
  int32_t Col() const { return FCol; }
  int32_t Row() const { return FRow; }
  TXLSCellArea Ref() const { return {FRow, FRow, FCol, FCol}; }

  std::u16string FText;
  TXc12Author* FAuthor = nullptr;  // not owned; an entry of the comments' author list
  int32_t FOrigCol = -1, FOrigRow = -1;

 private:
  int32_t FCol = -1, FRow = -1;
};

class TXc12Comments {
 public:
  TXc12Comment* Add();
  TXc12Comment* Find(int32_t col, int32_t row) const;
  size_t Count() const { return FItems.size(); }
  TXc12Comment* Items(size_t index) const { return FItems.at(index).get(); }
  void Clear() {
    FItems.clear();
    FAuthors.Clear();
  }
  TXc12Authors& Authors() { return FAuthors; }

 private:
  std::vector<std::unique_ptr<TXc12Comment>> FItems;
  TXc12Authors FAuthors;
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

struct TXc12FilterColumn {
  int32_t FColId = 0;
  bool FHiddenButton = false, FShowButton = true;
  std::vector<std::u16string> FFilters;
  std::vector<TXc12CustomFilter> FCustomFilters;
  bool FCustomAnd = false;
};

class TXc12AutoFilter : public TXLSFactoryObject {
 public:
  // Area none (all -1), no columns.
  void Clear();
  TXc12FilterColumn* AddColumn();
  size_t ColumnCount() const { return FColumns.size(); }
  TXc12FilterColumn* Columns(size_t index) const { return FColumns.at(index).get(); }
  TXLSCellArea FRef{-1, -1, -1, -1};
  void* FOwner = nullptr;  // the worksheet data; not owned

 private:
  std::vector<std::unique_ptr<TXc12FilterColumn>> FColumns;
};

// ---- tables

struct TXc12TableColumn {
  int32_t FId = 0;
  std::u16string FUniqueName, FName, FTotalsRowLabel;
  std::u16string FCalculatedColumnFormula, FTotalsRowFormula;
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
  int32_t FHeaderRowCount = 1, FTotalsRowCount = 0;
  bool FTotalsRowShown = true;
  std::u16string FTableStyleName;

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

class TXc12ExternalLink {
 public:
  std::u16string FFilename;   // the external workbook's file name as the link gives it
  std::vector<std::u16string> FSheetNames;
  std::u16string FRId;
};

class TXc12DataXLinks {
 public:
  TXc12ExternalLink* Add();
  size_t Count() const { return FItems.size(); }
  TXc12ExternalLink* Items(size_t index) const { return FItems.at(index).get(); }
  void Clear() { FItems.clear(); }

 private:
  std::vector<std::unique_ptr<TXc12ExternalLink>> FItems;
};

}  // namespace xls
