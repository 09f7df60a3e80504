// Legacy (BIFF8 and BIFF5) formula tokens: the decoder to formula text and the shared-formula
// fix-up.
//
// Format facts: a legacy formula is a byte string of tokens (parsed expressions) in postfix
// order, little-endian. Token ids 0x20-0x7F carry an operand class in bits 5-6 (reference, value,
// array) that the text does not depend on, so ids are compared with their class stripped.
//   BIFF8 cell location: row u16, column word (column in bits 0-13, bit 14 set when the column
//   is relative, bit 15 set when the row is relative).
//   BIFF5 cell location: row word (row in bits 0-13, the same two flags in bits 14 and 15), then
//   a column byte.
//   PtgRefN / PtgAreaN (the tokens of shared formulas) hold relative parts as offsets from the
//   cell that uses the formula: the column offset is the signed low byte of the column word
//   (BIFF5: the column byte), the row offset the row u16 (BIFF5: the 14 row bits).
// A stored token array may start with a form byte: 0xFF (tokens follow), or 0xFE, a u16 n, the
// tokens and then n bytes of array constants at the end of the array.
//
// Design choice: both routines take a span and check every token's bytes against it before they
// read or change anything, so a damaged formula raises XLSRWException (or, in the decoder, ends
// in a marker text) instead of reading or writing outside the array. Relative parts wrap around
// the sheet as the format's own application does (rows modulo 65536, columns modulo 256; BIFF5
// rows modulo 16384), so an offset of -1 from row 1 names the last row rather than a row that
// does not exist.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "xls/formula/xlsformuladecoder.h"
#include "xls/formula/xlsformulamodel.h"

namespace xls {

// What the decoder asks its owner to name.
enum class TFormulaNameType : uint8_t { ntName, ntExternName, ntExternSheet, ntCurrBook, ntCellValue };

// Resolves what a legacy formula names outside itself. The decoder calls it with:
//   ntName         nameIndex: the 1-based defined-name number a PtgName holds; the name's text.
//   ntExternSheet  sheetIndex: the 0-based EXTERNSHEET entry of a 3-D reference or external
//                  name (BIFF8: the index the token holds; BIFF5: the stored one-based index
//                  minus 1); nameIndex -1 for a 3-D reference, which wants the sheet prefix with
//                  its "!" ("Sheet1!", "'My Sheet'!", "#REF!!", an external prefix); for an
//                  external name (PtgNameX) the 1-based name number, which wants the name text.
//   ntCurrBook     BIFF5 3-D reference into this workbook: sheetIndex and nameIndex are the first
//                  and last 0-based sheet; wants the prefix with its "!".
//   ntCellValue    sheetIndex as given to the decoder, col and row of a cell whose value stands
//                  in the formula; wants that text.
// Unused arguments are 0 (col, row) or -1. An empty resolver gives placeholder texts.
using TGetNameEvent = std::function<std::u16string(TFormulaNameType nameType, int32_t sheetIndex,
                                                   int32_t nameIndex, int32_t col, int32_t row)>;

// Token layouts of a legacy formula.
enum class TBIFFFormulaVersion : uint8_t { BIFF5, BIFF8 };

// How the tokens are read.
struct TBIFFDecodeOptions {
  TBIFFFormulaVersion Version = TBIFFFormulaVersion::BIFF8;
  // Characters of the 8-bit strings of BIFF5 tokens, in the code page the file declares; empty:
  // each byte is one code point. BIFF8 8-bit strings are always Latin-1 (compressed UTF-16).
  std::function<std::u16string(std::span<const uint8_t> bytes)> Decode8;
};

// Formula text (without "=") of legacy tokens, with or without a 0xFF / 0xFE form byte.
//   col, row     the cell that relative tokens (PtgRefN, PtgAreaN) are counted from.
//   sheetIndex   passed to the ntCellValue request.
//   getName      resolver of names and sheets (may be empty).
//   listSep      joins function arguments.
//   separators   the locale's: List joins union operands, Decimal is the number separator,
//                ArrayCol joins the columns of array constants (rows are joined by ";").
//   options      BIFF8 or BIFF5 layouts, and the code page of BIFF5 strings.
// The intersection operator prints as a blank between its operands; memory tokens print the
// sub-expression that follows them. Operators or unary tokens without their operands print
// "<Val missing>" in their place; an array that leaves no text gives "[ERROR]"; an unknown token
// ends the text with "Unknown ptg[XX]". Raises XLSRWException "Function arguments missing" when
// a function finds fewer texts than its arguments, and "Truncated ptgs XX" when a token or an
// array constant runs past the end.
std::u16string DecodeBIFFFormula(std::span<const uint8_t> buf, int32_t sheetIndex, int32_t col, int32_t row,
                                 const TGetNameEvent& getName, char16_t listSep,
                                 const TXLSFormulaSeparators& separators = {},
                                 const TBIFFDecodeOptions& options = {});

// Turns the relative tokens of a shared formula (PtgRefN, PtgAreaN, any class) into the ordinary
// references (PtgRef, PtgArea of the same class) of the cell at (col, row), in place; the
// relative flags stay, so the result still prints as relative references. The tokens of a memory
// token's sub-expression are fixed too. Raises XLSRWException "Unknown ptg[XX] in Shared Formula"
// for a token that a shared formula cannot hold and "Truncated ptgs XX" for a token that runs
// past the end; the tokens before it stay rewritten, nothing past the end is touched.
void FixupSharedFormula(bool isBIFF8, std::span<uint8_t> ptgs, int32_t col, int32_t row);

// The decode that TXLSFormulaHandler uses for legacy token arrays (0xFF and 0xFE forms): the
// tokens of the formula's sheet, counted from A1, function arguments joined by the locale's list
// separator, names and sheets from `getName`.
TXLSLegacyFormulaDecode MakeLegacyFormulaDecode(TXLSFormulaSeparators separators, TGetNameEvent getName = {});

}  // namespace xls
