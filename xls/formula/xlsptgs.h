// The engine's own formula token format, and the walk over a token array.
//
// A formula token array is a byte string of tokens in postfix order, always handled together with
// its size: nothing inside it tells where it ends. Its first byte tells its form:
//   0xFF  legacy (BIFF8) tokens up to the end;
//   0xFE  a 16-bit length n, legacy tokens, then n bytes of array constants at the end;
//   0xB9  a 16-bit column and a 32-bit row: the cell whose tokens this cell uses (7 bytes);
//   other the engine's own tokens up to the end.
// Own tokens are one id byte and a fixed or counted body, little-endian. A row field is 32-bit
// (bits 0-30 the zero-based row, bit 31 absolute); a column field is 16-bit (bits 0-14 the
// column, bit 15 absolute); an area body is first row, last row, first column, last column.
//
// Every step of the walk checks the token's size against the bytes left, so that no reader of a
// damaged array reads or writes past its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace xls {

// Ids of the own tokens.
namespace ptg {
inline constexpr uint8_t Add = 0x03;
inline constexpr uint8_t Sub = 0x04;
inline constexpr uint8_t Mul = 0x05;
inline constexpr uint8_t Div = 0x06;
inline constexpr uint8_t Power = 0x07;
inline constexpr uint8_t Concat = 0x08;
inline constexpr uint8_t Less = 0x09;
inline constexpr uint8_t LessEqual = 0x0A;
inline constexpr uint8_t Equal = 0x0B;
inline constexpr uint8_t GreaterEqual = 0x0C;
inline constexpr uint8_t Greater = 0x0D;
inline constexpr uint8_t NotEqual = 0x0E;
inline constexpr uint8_t ISect = 0x0F;    // 8-bit count of blanks
inline constexpr uint8_t Union = 0x10;
inline constexpr uint8_t Range = 0x11;
inline constexpr uint8_t UPlus = 0x12;
inline constexpr uint8_t UMinus = 0x13;
inline constexpr uint8_t Percent = 0x14;
inline constexpr uint8_t Paren = 0x15;
inline constexpr uint8_t Err = 0x1C;      // 8-bit TXc12CellError ordinal
inline constexpr uint8_t Bool = 0x1D;     // 8-bit 0 or 1
inline constexpr uint8_t Num = 0x1F;      // 64-bit double
inline constexpr uint8_t Array = 0x80;    // 16-bit columns, 32-bit rows
inline constexpr uint8_t Func = 0x81;     // 16-bit function id
inline constexpr uint8_t FuncVar = 0x82;  // 8-bit argument count, 16-bit function id
inline constexpr uint8_t Name = 0x83;     // 16-bit defined-name index, 0xFFFF: not found
inline constexpr uint8_t Ref = 0x84;      // row, column
inline constexpr uint8_t Area = 0x86;     // area body
inline constexpr uint8_t RefErr = 0x87;   // a former 0x84 moved off the sheet
inline constexpr uint8_t AreaErr = 0x88;  // a former 0x86 moved off the sheet
inline constexpr uint8_t Int = 0x89;      // 32-bit signed
inline constexpr uint8_t Str = 0x8A;      // 16-bit length n, n UTF-16 units
inline constexpr uint8_t Space = 0xA0;    // 8-bit count of blanks before the next token
inline constexpr uint8_t RPar = 0xA1;     // encoder only, never stored
inline constexpr uint8_t Ref3d = 0xA2;    // row, column, sheet
inline constexpr uint8_t Ref3dRange = 0xA3;   // row, column, first sheet, last sheet
inline constexpr uint8_t RefExt = 0xA4;       // row, column, 16-bit book, external sheet
inline constexpr uint8_t RefExtRange = 0xA5;  // row, column, book, first and last ext. sheet
inline constexpr uint8_t Area3d = 0xA6;
inline constexpr uint8_t Area3dRange = 0xA7;
inline constexpr uint8_t AreaExt = 0xA8;
inline constexpr uint8_t AreaExtRange = 0xA9;
inline constexpr uint8_t Err3d = 0xB0;         // 6 ignored bytes, error code
inline constexpr uint8_t Err3dAlt = 0xB1;      // 6 ignored bytes, error code, 1 ignored byte
inline constexpr uint8_t AreaErr3d = 0xB2;     // 12 ignored bytes, sheet
inline constexpr uint8_t AreaErr3dAlt = 0xB3;  // 12 ignored bytes, error code, 1 ignored byte
inline constexpr uint8_t ArrayCell = 0xB8;     // 16-bit column, 32-bit row of the anchor
inline constexpr uint8_t OtherCell = 0xB9;     // form byte: another cell's tokens stand here
inline constexpr uint8_t DataTable = 0xBA;     // flags, two input cells
inline constexpr uint8_t DataTableCell = 0xBB;  // 16-bit column, 32-bit row of the anchor
inline constexpr uint8_t Table = 0xBC;
inline constexpr uint8_t TableCol = 0xBD;
inline constexpr uint8_t TableSpecial = 0xBE;
inline constexpr uint8_t ArgSep = 0xF0;    // encoder only, never stored
inline constexpr uint8_t MissArg = 0xF1;
inline constexpr uint8_t UserFunc = 0xF2;  // 8-bit argument count, 16-bit length n, n units
inline constexpr uint8_t LegacyArrays = 0xFE;
inline constexpr uint8_t Legacy = 0xFF;
}  // namespace ptg

inline constexpr uint32_t kPtgRowAbs = 0x80000000u;
inline constexpr uint16_t kPtgColAbs = 0x8000u;
inline constexpr uint32_t kPtgRowMask = 0x7FFFFFFFu;
inline constexpr uint16_t kPtgColMask = 0x7FFFu;
inline constexpr int32_t kXLSMaxRow = 1048575;
inline constexpr int32_t kXLSMaxCol = 16383;

// Little-endian field access inside a token whose size the walk has already checked.
inline uint16_t PtgGetU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t PtgGetU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline void PtgPutU16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PtgPutU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Size in bytes of the token at the start of `bytes`, checked against the bytes given; raises
// XLSRWException "Illegal ptgs" for id 0, "Unknown ptgs XX" for an id without a size and
// "Truncated ptgs XX" when the token runs past the end. For 0xFE the size is that of the form
// header alone (3 bytes). With `legacy` (the tokens of a 0xFF or 0xFE array) the legacy sizes
// apply where they differ from the own ones: the intersection 0x0F is 1 byte, and the shared and
// table formula tokens 0x01 and 0x02 are 5.
size_t PtgSize(std::span<const uint8_t> bytes, bool legacy = false);

// Steps over the tokens of an array one at a time. Own tokens and the legacy tokens of the 0xFF
// and 0xFE forms are both walked; the array constants at the end of a 0xFE array are left out.
class TXLSIteratePtgs {
 public:
  explicit TXLSIteratePtgs(std::span<const uint8_t> ptgs) : FPtgs(ptgs) {}

  // Steps over the next token: true while there was one, false when no bytes are left. Raises
  // as PtgSize does; a 0xFE length beyond the array raises "Truncated ptgs FE".
  bool Next();
  // The token the last Next stepped over (id byte and body).
  std::span<const uint8_t> CurrPtgs() const { return FCurrPtgs; }
  // Offset of CurrPtgs from the start of the array.
  size_t CurrOffset() const { return FCurrOffset; }

 private:
  std::span<const uint8_t> FPtgs;
  std::span<const uint8_t> FCurrPtgs;
  size_t FOffset = 0;
  bool FLegacy = false;  // the array is in a legacy form (first byte 0xFF or 0xFE)
  size_t FCurrOffset = 0;
};

// Moves the relative references of a token array in place by a column and a row distance (a
// shared formula's master tokens become a follower's). Absolute parts stay; with lockStartRow the
// row of a cell and the first row of an area stay too. A reference moved off the sheet becomes
// its "#REF!" form (0x84 -> 0x87, 0x86 -> 0x88, 0xA2 -> 0xB0 with code 4, 0xA6 -> 0xB2, legacy
// 0x24 -> 0x2A and 0x25 -> 0x2B in their class). The rows of an area that spans every row, and
// the columns of one that spans every column, never move, so a shared COUNTIF(A:A,A1) becomes
// COUNTIF(A:A,A2). External, sheet-range and table references are not moved. Raises as the walk
// does; nothing is changed past the end of the array.
void AdjustPtgs(std::span<uint8_t> ptgs, int32_t deltaCol, int32_t deltaRow, bool lockStartRow);

}  // namespace xls
