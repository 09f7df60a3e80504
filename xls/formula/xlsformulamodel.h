// What the formula language reads of the workbook model.
//
// The formula language sits beside the model, not above it: it sees the workbook only through
// these narrow views, which the model implements (and tests implement with a few sheets, a name
// and a table). Indexes are the positions in the model's lists; every view answers for the
// indexes below its count, and the formula code checks an index read from a token array against
// the count before it asks.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace xls {

// Where a table lies: its area (zero-based, inclusive) and its header and totals row counts.
struct TXLSFormulaTableGeometry {
  int32_t Col1 = 0, Row1 = 0, Col2 = 0, Row2 = 0;
  int32_t HeaderRowCount = 0;
  int32_t TotalsRowCount = 0;
};

// The tables of one worksheet.
class TXLSFormulaTables {
 public:
  virtual ~TXLSFormulaTables() = default;
  virtual int32_t TableCount() const = 0;
  virtual std::u16string_view TableName(int32_t table) const = 0;
  virtual int32_t ColumnCount(int32_t table) const = 0;
  virtual std::u16string_view ColumnName(int32_t table, int32_t column) const = 0;
  virtual TXLSFormulaTableGeometry Geometry(int32_t table) const = 0;
  // 1-based position of a column in its table.
  virtual int32_t ColumnId(int32_t /*table*/, int32_t column) const { return column + 1; }

  // Index of the table named `name` (letter case ignored); -1 when there is none.
  virtual int32_t Find(std::u16string_view name) const;
  // Index of the first table whose area holds the cell; -1 when there is none.
  virtual int32_t Find(int32_t col, int32_t row) const;
  // Index of the column of `table` named `name` (letter case ignored); -1 when there is none.
  virtual int32_t FindColumn(int32_t table, std::u16string_view name) const;
};

// The workbook as the formula code reads it (decoder) and binds names in it (encoder).
class TXLSFormulaWorkbook {
 public:
  virtual ~TXLSFormulaWorkbook() = default;
  virtual int32_t SheetCount() const = 0;
  virtual std::u16string_view SheetName(int32_t sheet) const = 0;
  // The tables of a worksheet; null when it has none.
  virtual const TXLSFormulaTables* SheetTables(int32_t sheet) const = 0;
  virtual int32_t DefinedNameCount() const = 0;
  virtual std::u16string_view DefinedNameName(int32_t name) const = 0;
  virtual int32_t ExternalLinkCount() const = 0;
  virtual std::u16string_view ExternalLinkFileName(int32_t link) const = 0;
  virtual int32_t ExternalSheetCount(int32_t link) const = 0;
  virtual std::u16string_view ExternalSheetName(int32_t link, int32_t sheet) const = 0;
  // Sheet a defined name is local to; -1 for a workbook-wide name.
  virtual int32_t DefinedNameSheet(int32_t name) const = 0;

  // Lookups for binding formula text; letter case is ignored. Each answers -1 for "none". The
  // defaults search the lists above; a model with hashed lists overrides them.
  virtual int32_t FindSheet(std::u16string_view name) const;
  // An external link by its file name.
  virtual int32_t FindExternalBook(std::u16string_view fileName) const;
  virtual int32_t FindExternalSheet(int32_t link, std::u16string_view name) const;
  // A name local to `sheet` first, then a workbook-wide one (`sheet` -1: workbook-wide only).
  virtual int32_t FindName(std::u16string_view name, int32_t sheet) const;
  // A name local to `sheet` only.
  virtual int32_t FindNameInSheet(std::u16string_view name, int32_t sheet) const;
  // A table by name, through the worksheets in order: its index in the tables of `sheet`.
  virtual int32_t FindTable(std::u16string_view name, int32_t& sheet) const;
};

// The formula of one cell of a sheet's cell store, for the tokens that stand for another cell's
// formula (0xB8 array cells, 0xBB data-table cells).
struct TXLSCellFormula {
  enum Kind : uint8_t { NoFormula, Tokens, Text };
  Kind kind = NoFormula;
  std::span<const uint8_t> ptgs;  // Tokens: the compiled token array
  std::u16string_view text;       // Text: the formula text stored instead
};

// The cell store of the sheet a formula stands on.
class TXLSFormulaCells {
 public:
  virtual ~TXLSFormulaCells() = default;
  // The formula of the cell at (col, row); the views stay valid until the store changes.
  virtual TXLSCellFormula GetFormula(int32_t col, int32_t row) const = 0;
};

// Separators of formula text written for people: the locale's list and decimal separators and
// the array column separator (a backslash when the decimal separator is a comma, else a comma).
struct TXLSFormulaSeparators {
  char16_t List = u',';
  char16_t Decimal = u'.';
  char16_t ArrayCol = u',';
};

}  // namespace xls
