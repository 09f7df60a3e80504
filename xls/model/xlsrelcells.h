// Relative cell ranges: a rectangle of one worksheet made from reference text before the
// worksheets exist (chart series keep their data references this way) and bound to its sheet
// and area when the load ends.
//
// Reference text is Sheet!Area with the sheet name in apostrophes when it holds other characters
// than letters and digits; inside the apostrophes a doubled apostrophe stands for one, and "!" is
// part of the name. A sheet part beginning with "[" names another workbook and is never bound.
// Design choice: the base class holds the text, the bounds and a current cell and leaves every
// access to the sheet to virtual operations, so that the model can collect ranges before the
// sheet objects that serve them exist.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "xls/model/xlscellarea.h"
#include "xls/model/xlsclassfactory.h"
#include "xls/model/xlsshareditems.h"

namespace xls {

class TXLSCmdFormatValues;

class TXLSRelCells : public TXLSFactoryObject {
 public:
  ~TXLSRelCells() override = default;

  // A new range of the same kind over the same sheet, with default fields.
  virtual std::unique_ptr<TXLSRelCells> CreateInstance() const = 0;
  virtual bool GetAsBoolean(int32_t col, int32_t row) = 0;
  virtual double GetAsFloat(int32_t col, int32_t row) = 0;
  virtual std::u16string GetAsString(int32_t col, int32_t row) = 0;
  virtual TXc12CellError GetAsError(int32_t col, int32_t row) = 0;
  virtual bool GetAsBlank(int32_t col, int32_t row) = 0;
  virtual bool GetAsEmpty(int32_t col, int32_t row) = 0;
  virtual std::u16string GetAsFmtString(int32_t col, int32_t row) = 0;
  // The cell as a new pivot shared-item value: blank, Boolean, error, text, or a number (a date
  // when the cell's format shows dates or times); nullptr for no cell or an unbound range.
  virtual std::unique_ptr<TXLSSharedItemsValue> GetAsSharedItem(int32_t col, int32_t row) = 0;
  virtual TXLSCellType GetCellType(int32_t col, int32_t row) = 0;
  virtual bool GetIsDateTime(int32_t col, int32_t row) = 0;
  virtual void SetAsBoolean(int32_t col, int32_t row, bool value) = 0;
  virtual void SetAsFloat(int32_t col, int32_t row, double value) = 0;
  virtual void SetAsString(int32_t col, int32_t row, std::u16string_view value) = 0;
  virtual void SetAsError(int32_t col, int32_t row, TXc12CellError value) = 0;
  virtual void SetAsBlank(int32_t col, int32_t row) = 0;
  // Deletes the area's cells with every delete option.
  virtual void ClearAll(int32_t col1, int32_t row1, int32_t col2, int32_t row2) = 0;
  // The sheet's AutoWidthCol with no limits.
  virtual int32_t AutoWidthCol(int32_t col) = 0;
  // Writes the value by its kind (a date as its serial number); a blank value leaves the cell.
  virtual void SetAsSharedItem(int32_t col, int32_t row, const TXLSSharedItemsValue& value) = 0;
  // The sheet's name; "???" while unbound.
  virtual std::u16string SheetName() const = 0;
  // The sheet's position in the workbook; -1 while unbound.
  virtual int32_t SheetIndex() const = 0;
  // Starts an edit of the workbook's format command on the sheet; the ApplyCommand forms apply it
  // to the range's area, to one cell or to an area (the last two clear it afterwards).
  virtual void BeginCommand() = 0;
  virtual void ApplyCommand() = 0;
  virtual void ApplyCommand(int32_t col, int32_t row) = 0;
  virtual void ApplyCommand(int32_t col1, int32_t row1, int32_t col2, int32_t row2) = 0;
  // The pending command values of the workbook's format command (not owned; none while unbound).
  TXLSCmdFormatValues* Command() const { return FCommand; }

  // The current cell's value.
  bool AsBooleanCurr() { return GetAsBoolean(FCurrCol, FCurrRow); }
  void SetAsBooleanCurr(bool v) { SetAsBoolean(FCurrCol, FCurrRow, v); }
  double AsFloatCurr() { return GetAsFloat(FCurrCol, FCurrRow); }
  void SetAsFloatCurr(double v) { SetAsFloat(FCurrCol, FCurrRow, v); }
  std::u16string AsStringCurr() { return GetAsString(FCurrCol, FCurrRow); }
  void SetAsStringCurr(std::u16string_view v) { SetAsString(FCurrCol, FCurrRow, v); }
  TXc12CellError AsErrorCurr() { return GetAsError(FCurrCol, FCurrRow); }
  void SetAsErrorCurr(TXc12CellError v) { SetAsError(FCurrCol, FCurrRow, v); }

  const std::u16string& Ref_() const { return FRefText; }
  void SetRef_(std::u16string_view text) { FRefText = text; }
  // Parses an area (a sheet prefix is dropped); a text that does not parse changes nothing.
  void SetRefAbs(std::u16string_view text);
  // Sheet!B2:C5 (no dollar signs, no quotes), Sheet!$B$2:$C$5 (the stored text for a list), B2:C5.
  std::u16string Ref() const;
  std::u16string RefAbs() const;
  std::u16string ShortRef() const;
  bool IsArea() const { return !(FCol1 == FCol2 && FRow1 == FRow2); }
  bool IsList() const { return FRefText.size() >= 2 && FRefText.front() == u'(' && FRefText.back() == u')'; }
  int32_t ColCount() const { return FCol2 - FCol1 + 1; }
  int32_t RowCount() const { return FRow2 - FRow1 + 1; }
  int32_t Cols() const { return ColCount(); }
  int32_t Rows() const { return RowCount(); }
  // Writing a count moves the last column (row) to first + count - 1.
  void SetCols(int32_t count) { FCol2 = FCol1 + count - 1; }
  void SetRows(int32_t count) { FRow2 = FRow1 + count - 1; }
  // The formatted texts of the area row by row, each followed by a blank, trimmed. Only the part
  // of the area inside the sheet's used area is walked: a whole-column range costs the cells the
  // sheet holds, and the empty positions outside the used area add no blanks.
  std::u16string AsText();

  int32_t FCol1 = 0, FRow1 = 0, FCol2 = 0, FRow2 = 0;
  int32_t FCurrCol = 0, FCurrRow = 0;
  bool FAutoExtend = false;
  bool FExpand = true;
  // Place in the hub's list of ranges to bind while the load runs (SIZE_MAX: not listed).
  size_t FBindSlot = SIZE_MAX;

 protected:
  // Cuts the area to the sheet's used area; false when nothing of it is left.
  virtual bool ClipToUsedArea(int32_t& col1, int32_t& row1, int32_t& col2, int32_t& row2) = 0;
  std::u16string FRefText;
  TXLSCmdFormatValues* FCommand = nullptr;
};

// Splits reference text into its sheet name (quotes removed, doubled apostrophes made single)
// and its area text. False when the text has no sheet part, no area, or names another workbook.
bool SplitSheetRef(std::u16string_view ref, std::u16string& sheet, std::u16string& area);

}  // namespace xls
