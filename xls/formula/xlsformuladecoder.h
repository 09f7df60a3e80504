// The decoder from the engine's own token arrays back to formula text (without a leading "=").
//
// It walks the postfix tokens once and keeps the text of every operand on a string stack of 256
// entries; operators and functions replace the texts of their operands by the combined text, and
// the text left on top is the result ("???" for an array that leaves nothing). Text follows the
// locale: function arguments, union operands, table items and array rows are joined by the list
// separator, array columns by the array column separator, numbers use the decimal separator.
//
// Every token body is checked against the array, every stack operation against the entries it
// needs ("Empty decode stack"), and every index a token holds against the model's list, so a
// damaged array raises XLSRWException instead of reading outside anything.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "xls/formula/xlsformulamodel.h"

namespace xls {

// The operand texts of one decoding.
class TStringStack {
 public:
  static constexpr int kSize = 256;

  explicit TStringStack(const TXLSFormulaSeparators& separators) : FSeparators(separators) {}

  void Clear() { FStackPtr = -1; }
  int Count() const { return FStackPtr + 1; }
  // A 257th entry raises "Out of decode stack".
  void Push(std::u16string value);
  // Binary operator: the two top entries become first + op + second.
  void Op(std::u16string_view op);
  void UnaryLeft(std::u16string_view op);
  void UnaryRight(std::u16string_view op);
  void Surround(std::u16string_view left, std::u16string_view right);
  // The argCount top entries become name(arg1,arg2,...); below 1, name() is pushed.
  void Func(std::u16string_view name, int argCount);
  // As Func with "[" and "]"; a single bracketed item keeps its brackets: Sales[Amount].
  void Table(std::u16string_view name, int argCount);
  // The cols x rows top entries become {a,b;c,d} (columns by the array column separator, rows by
  // ";"); "{}" when there are none.
  void Array_(int64_t cols, int64_t rows);
  const std::u16string& Peek() const;

 private:
  void Need(int64_t count) const;
  void Call(std::u16string_view name, int argCount, char16_t open, char16_t close);

  std::array<std::u16string, kSize> FStack;
  int FStackPtr = -1;
  const TXLSFormulaSeparators& FSeparators;
};

class TXLSFormulaDecoder {
 public:
  // No stop position: decode to the end of the array.
  static constexpr size_t kNoStop = static_cast<size_t>(-1);

  // `book` must outlive the decoder.
  TXLSFormulaDecoder(const TXLSFormulaWorkbook& book, TXLSFormulaSeparators separators);

  // Formula text of an own token array. `cells` is the cell store of the formula's sheet, needed
  // only for tokens that stand for another cell's formula (which are followed one level deep);
  // `sheetIndex` the formula's sheet (-1: none); `stop` an offset at which the walk ends after a
  // token; `saveToFile` writes external books as "[n]" (their 1-based number) instead of "[file]".
  std::u16string Decode(const TXLSFormulaCells* cells, int32_t sheetIndex,
                        std::span<const uint8_t> ptgs, size_t stop = kNoStop,
                        bool saveToFile = false);

  const TXLSFormulaSeparators& Separators() const { return FSeparators; }

 private:
  std::u16string DecodeWith(TStringStack& stack, const TXLSFormulaCells* cells,
                            std::span<const uint8_t> ptgs, size_t stop, bool saveToFile,
                            bool nested);
  std::u16string SheetPrefix(int32_t first, int32_t last) const;
  std::u16string BookPrefix(uint16_t book, int32_t firstSheet, int32_t lastSheet,
                            bool saveToFile) const;
  std::u16string PrefixText(std::u16string_view book, std::u16string_view first,
                            std::u16string_view last, bool external) const;
  const TXLSFormulaTables& CurrentTables() const;
  // The tables of the table token that follows an item, else the current tables.
  const TXLSFormulaTables& ItemTables(std::span<const uint8_t> after) const;

  const TXLSFormulaWorkbook& FBook;
  TXLSFormulaSeparators FSeparators;
  const TXLSFormulaTables* FCurrTables = nullptr;
  int32_t FSheetIndex = -1;
  TStringStack FStack;
};

// Decodes legacy token arrays (first byte 0xFE or 0xFF) for the formula's sheet.
using TXLSLegacyFormulaDecode =
    std::function<std::u16string(std::span<const uint8_t> ptgs, int32_t sheetIndex)>;

// Formula text of a token array of any form. A 0xB9 array (16-bit column, 32-bit row) stands for
// the compiled tokens of that cell in `cells`, which are decoded instead, one level deep; legacy
// arrays go to `legacy`; every other array to `decoder`. Raises XLSRWException for an empty array,
// a 0xB9 array shorter than its 7 bytes or without a cell store, a cell that holds no compiled
// formula ("Formula is not compiled"), and a legacy array when no legacy decoder is given.
std::u16string DecodeFormulaOfAnyForm(TXLSFormulaDecoder& decoder, const TXLSFormulaCells* cells,
                                      int32_t sheetIndex, std::span<const uint8_t> ptgs,
                                      bool saveToFile, const TXLSLegacyFormulaDecode& legacy);

// The sheet prefix of a reference with its "!": `open`, `book` and `close` (the book part, may be
// empty), the first sheet and, when not empty, ":" and the last. Quoted as a whole when a sheet
// name is not letters and digits only or the book holds a character that would not read back
// ('My Sheet:Third'!, '[Book 1.xlsx]Jan'!); apostrophes inside are doubled.
std::u16string SheetPrefixText(std::u16string_view open, std::u16string_view book, std::u16string_view close,
                               std::u16string_view first, std::u16string_view last);

// A1 text of a cell from its row and column fields (absolute flags in bit 31 and bit 15).
void AppendCellText(std::u16string& out, uint32_t rowField, uint16_t colField);

}  // namespace xls
