// The workbook package reader: reads an Office Open XML spreadsheet package into the workbook
// model of one component.
//
// Format facts (ECMA-376 Part 1, 18.2-18.3 and 18.8; Part 2 for the package): the package root
// names the workbook part (officeDocument relationship); the workbook part names its styles,
// shared strings, theme, connections, external links, pivot caches and sheets (worksheet,
// chartsheet, dialogsheet or macrosheet relationships) by relationship. A worksheet's sheetData
// holds rows (r, 1-based) of cells c with r (A1), s (cell format), t (b, n, d, e, s, str,
// inlineStr), a formula f (normal, array, dataTable, or shared with si and, on its master, ref)
// and the cached value v. Shared-string cells hold a 0-based index into the shared strings.
//
// The road, in order: open the package (theme colours), styles, shared strings, the workbook
// (names while it streams, then views, properties and external links), every sheet (cells, rows,
// columns, merged cells and hyperlinks while the part streams, then the sheet-level objects and
// its comments), and last the parts nobody read, which stay with the model. Drawings, charts,
// pivot caches and pivot tables, connections, macro sheets and dialog sheets stay unread.
//
// Design choice: the cell path is the hot path, so cells are handled while the worksheet part
// streams through the element classes' events, one reused element object at a time, and go
// straight into the cell store; numbers, references and indexes are decoded from the element's
// text without building intermediate objects. Anything about one cell, formula, name or element
// that cannot be understood costs a warning (through the component's error manager), never the
// load: a workbook whose text is readable is searched.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "xls/model/xlscellarea.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsevents.h"

namespace xls {

class TXc12Manager;
class TXc12DataWorksheet;
class TXLSCellMMU;
class TXLSFormulaHandler;
class TXLSReadXLSXObjects;
class TOPC_XLSX;
class TXLSStream;
class TXPGDocBase;

namespace xpgxlsx {
class TCT_Rst;
class TCT_DefinedName;
class TCT_Cell;
class TCT_CellFormula;
class TCT_Row;
class TCT_Col;
class TCT_MergeCell;
class TCT_Hyperlink;
class TCT_PivotCaches;
}  // namespace xpgxlsx

// One shared-formula master of the sheet being read.
struct TXLSSharedFormula {
  TXLSCellRef FRef;                         // the master cell
  TXLSCellArea FApplyArea{-1, -1, -1, -1};  // the master's ref attribute
  std::vector<uint8_t> FPtgs;               // compiled tokens; empty when not compiled
};

// One array-formula or data-table area of the sheet being read.
struct TXLSArrayFormulaArea {
  TXLSCellArea Area;
  int32_t MasterCol = 0, MasterRow = 0;
  bool IsArray = true;  // false: data table
};

class TXLSReadXLSX {
 public:
  // `formulas` may be nullptr: formulas are then kept as text, shared followers keep only their
  // cached values.
  TXLSReadXLSX(TXc12Manager& manager, TXLSFormulaHandler* formulas);
  ~TXLSReadXLSX();
  TXLSReadXLSX(const TXLSReadXLSX&) = delete;
  TXLSReadXLSX& operator=(const TXLSReadXLSX&) = delete;

  // Reads the whole package in `zip`. Raises for a package that cannot be opened (no zip, no
  // workbook part) and for XML that is not well formed; the model keeps what was read.
  void LoadFromStream(TXLSStream& zip);

  // Cell and row elements handled in the last load.
  int32_t TotCells() const { return FTotCells; }
  int32_t TotRows() const { return FTotRows; }
  // Most warnings one load reports; further ones are counted in SuppressedWarnings only.
  static constexpr int32_t kMaxWarnings = TXLSWarningCap::kMax;
  int32_t SuppressedWarnings() const { return FWarningCap.Suppressed(); }

  // Load progress: 0 when the package is open, then by the share of sheets read, 100 at the end.
  TXLSProgressEvent OnProgress;

 private:
  void LoadTheme();
  // The core-properties part into the file data (the template's tree when there is none).
  void LoadDocPropsCore();
  // The connections part into the workbook data, kept as it is.
  void LoadConnections();
  void LoadStyles();
  void LoadSST();
  // Each cache definition part the workbook lists, with its records part, into the workbook's
  // pivot caches (when a pivot library has registered); a part that cannot be read is dropped
  // with a warning naming it.
  void LoadPivotCaches(const xpgxlsx::TCT_PivotCaches& src);
  void LoadWorkbook();
  void LoadXLink(std::u16string_view rId);
  void LoadSheets();
  void LoadSheet(std::u16string_view rId, TXc12DataWorksheet& sheet, TXLSReadXLSXObjects& objects);
  void ReadUnusedData();

  void DoSSTItem(xpgxlsx::TCT_Rst& item);
  void DoDefinedName(xpgxlsx::TCT_DefinedName& name);
  void DoCell(xpgxlsx::TCT_Cell& cell);
  void DoCellDirect(xpgxlsx::TCT_Cell& cell);
  void DoRow(xpgxlsx::TCT_Row& row);
  void DoCol(xpgxlsx::TCT_Col& col);
  void DoMergeCell(xpgxlsx::TCT_MergeCell& merge);
  void DoHyperlink(xpgxlsx::TCT_Hyperlink& link);

  // Position of a cell element: from r, or the next column of its row when r is missing.
  // False (with a warning) when it lies outside the sheet.
  bool CellPosition(const xpgxlsx::TCT_Cell& cell, int32_t& col, int32_t& row);
  // The row number of the row element being read (its r, or one after the previous row).
  int32_t CurrentRow();
  // A cell format number the style sheet has, else 0 with a warning.
  int32_t CheckStyle(int32_t s);
  // Tokens of formula text, or empty (with a warning) when it does not compile.
  std::vector<uint8_t> Compile(std::u16string_view text);
  void StoreCell(const xpgxlsx::TCT_Cell& cell, int32_t col, int32_t row, int32_t style);
  void StoreFormulaCell(const xpgxlsx::TCT_Cell& cell, int32_t col, int32_t row, int32_t style);
  void StoreArrayChild(const xpgxlsx::TCT_Cell& cell, int32_t col, int32_t row, int32_t style,
                       const TXLSArrayFormulaArea& area);
  // Sets the staging record's cached result from t and v.
  void StageResult(const xpgxlsx::TCT_Cell& cell);
  // Records the area of an array or data-table master at (col, row) (its ref, else the master
  // alone) and widens the bounds of all areas.
  const TXLSArrayFormulaArea& AddArrayArea(const xpgxlsx::TCT_CellFormula& f, int32_t col, int32_t row);
  const TXLSArrayFormulaArea* ArrayAreaOf(int32_t col, int32_t row) const;
  // The text of a shared string index (empty with a warning when out of range).
  std::u16string SharedText(std::u16string_view index);
  std::u16string InlineText(const xpgxlsx::TCT_Cell& cell) const;

  void BindErrors(TXPGDocBase& doc);
  // Warning `number` (the XML read warning unless given) through the component's error manager; after
  // kMaxWarnings in one load further ones are only counted.
  void Warning(std::u16string_view text, int32_t number = XLSWARN_XML_READ);

  TXc12Manager& FManager;
  TXLSFormulaHandler* FFormulas;  // not owned; may be nullptr
  TOPC_XLSX* FPackage;            // owned by the hub's file data
  std::unordered_map<int32_t, TXLSSharedFormula> FSharedFormulas;  // by si
  std::vector<TXLSArrayFormulaArea> FArrayFormulas;
  TXLSCellArea FArrayBounds{-1, -1, -1, -1};  // rows and columns any array area covers
  // The areas by their place in the halvings of the sheet: an area's rows r1..r2 lie in one
  // block of 2^L rows that the area crosses in its middle (L the bit width of r1 xor r2), and so
  // do its columns with their own level. Two areas with the same levels and blocks share the
  // blocks' middle cell, so each key holds one area; a cell finds every area that can hold it
  // by one look-up per pair of levels in use.
  std::unordered_map<uint64_t, int32_t> FArrayIndex;
  std::array<uint16_t, 21> FArrayLevels{};  // per row level, the column levels in use (a bit each)
  TXc12DataWorksheet* FCurrSheet = nullptr;
  TXLSCellMMU* FCells = nullptr;
  std::u16string FCurrSheetRId;
  const xpgxlsx::TCT_Row* FRowElement = nullptr;
  int32_t FPrevRow = -1;        // row of the last row element ended
  int32_t FRowInProgress = -1;  // row of the row element being read, -1 before its first cell
  int32_t FLastCol = -1;        // column of the previous cell of the row
  bool FDate1904 = false;
  int32_t FTotCells = 0, FTotRows = 0;
  TXLSWarningCap FWarningCap;
  int32_t FLastProgress = 0;  // the last percentage OnProgress was given
  std::u16string FScratch;  // reused text buffer
};

// Puts the package reader into the component's default readers (`DefaultXLSBookReaders()`);
// each new component reads packages with it. Calling it again changes nothing.
void RegisterXLSXReader();

}  // namespace xls
