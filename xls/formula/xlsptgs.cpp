#include "xls/formula/xlsptgs.h"

#include <algorithm>

#include "xls/formula/xlsformulaerror.h"
#include "xls/formula/xlsfuncnames.h"

namespace xls {

namespace {

// Sheet limits of the legacy reference fields: 16-bit rows and 14 bits of column in the column
// word (bit 14 column relative, bit 15 row relative).
constexpr int64_t kLegacyMaxRow = 0xFFFF;
constexpr int64_t kLegacyMaxCol = 0x3FFF;
constexpr uint16_t kLegacyColRel = 0x4000;
constexpr uint16_t kLegacyRowRel = 0x8000;
// Bounds of an area spanning every row or every column in the legacy format.
constexpr int64_t kLegacyLastRow = 0xFFFF;
constexpr int64_t kLegacyLastCol = 0xFF;

size_t Need(std::span<const uint8_t> bytes, size_t size) {
  if (size > bytes.size()) ThrowPtgsTruncated(bytes[0]);
  return size;
}

}  // namespace

size_t PtgSize(std::span<const uint8_t> bytes, bool legacy) {
  const uint8_t id = bytes[0];
  if (legacy) {
    if (id == ptg::ISect) return 1;
    if (id == 0x01 || id == 0x02) return Need(bytes, 5);
  }
  switch (id) {
    case 0x00:
      ThrowIllegalPtgs();
    case ptg::Legacy:
      return 1;
    case ptg::LegacyArrays:
      return Need(bytes, 3);
    case ptg::Str:
      Need(bytes, 3);
      return Need(bytes, 3 + 2 * size_t{PtgGetU16(bytes.data() + 1)});
    case ptg::UserFunc:
      Need(bytes, 4);
      return Need(bytes, 4 + 2 * size_t{PtgGetU16(bytes.data() + 2)});
    case ptg::Ref:
    case ptg::RefErr:
      return Need(bytes, 7);
    case ptg::Area:
    case ptg::AreaErr:
      return Need(bytes, 13);
    case 0x17:  // legacy string: 8-bit length, flags (bit 0: 16-bit characters), characters
      Need(bytes, 3);
      return Need(bytes, 3 + size_t{bytes[1]} * (bytes[2] & 0x01 ? 2 : 1));
    case 0x19:  // legacy attribute; with bit 2 (choose) a jump table of count + 1 words follows
      Need(bytes, 4);
      return Need(bytes, (bytes[1] & 0x04) ? 6 + 2 * size_t{PtgGetU16(bytes.data() + 2)} : 4);
    case 0x26: case 0x46: case 0x66:  // legacy memory area, error, no-memory: 4 reserved bytes and
    case 0x27: case 0x47: case 0x67:  // the 16-bit size of the sub-expression, whose tokens follow
    case 0x28: case 0x48: case 0x68:  // and are walked as tokens of their own
      return Need(bytes, 7);
    case 0x29: case 0x49: case 0x69:  // legacy memory function, memory area (relative)
    case 0x2E: case 0x4E: case 0x6E:
      return Need(bytes, 3);
    default:
      break;
  }
  const int32_t size = XLSTokenSize(id);
  if (size < 0) ThrowUnknownPtgs(id);
  return Need(bytes, static_cast<size_t>(size));
}

bool TXLSIteratePtgs::Next() {
  if (FOffset >= FPtgs.size()) return false;
  std::span<const uint8_t> rest = FPtgs.subspan(FOffset);
  if (FOffset == 0) FLegacy = rest[0] == ptg::Legacy || rest[0] == ptg::LegacyArrays;
  const size_t size = PtgSize(rest, FLegacy);
  if (rest[0] == ptg::LegacyArrays) {
    // The array constants at the end are no tokens: the walk ends before them.
    const size_t constants = PtgGetU16(rest.data() + 1);
    if (constants > rest.size() - size) ThrowPtgsTruncated(ptg::LegacyArrays);
    FPtgs = FPtgs.first(FPtgs.size() - constants);
  }
  FCurrPtgs = rest.first(size);
  FCurrOffset = FOffset;
  FOffset += size;
  return true;
}

namespace {

// Moves one coordinate when `move`; false when the moved value leaves 0..limit.
bool Shift(int64_t& value, int32_t delta, bool move, int64_t limit) {
  if (!move) return true;
  value += delta;
  return value >= 0 && value <= limit;
}

struct OwnRef {
  uint8_t* row;
  uint8_t* col;
};

// Moves an own row field and column field; false when a moved part leaves the sheet.
bool AdjustOwnCell(OwnRef r, int32_t dCol, int32_t dRow, bool moveRow) {
  const uint32_t rowField = PtgGetU32(r.row);
  const uint16_t colField = PtgGetU16(r.col);
  int64_t row = rowField & kPtgRowMask;
  int64_t col = colField & kPtgColMask;
  bool ok = Shift(col, dCol, !(colField & kPtgColAbs), kXLSMaxCol);
  ok = Shift(row, dRow, moveRow && !(rowField & kPtgRowAbs), kXLSMaxRow) && ok;
  if (!ok) return false;
  PtgPutU16(r.col, static_cast<uint16_t>((colField & kPtgColAbs) | col));
  PtgPutU32(r.row, (rowField & kPtgRowAbs) | static_cast<uint32_t>(row));
  return true;
}

// Moves an own area body (first row, last row, first column, last column).
bool AdjustOwnArea(uint8_t* body, int32_t dCol, int32_t dRow, bool lockStartRow) {
  const uint32_t r1 = PtgGetU32(body), r2 = PtgGetU32(body + 4);
  const uint16_t c1 = PtgGetU16(body + 8), c2 = PtgGetU16(body + 10);
  int64_t row1 = r1 & kPtgRowMask, row2 = r2 & kPtgRowMask;
  int64_t col1 = c1 & kPtgColMask, col2 = c2 & kPtgColMask;
  const bool allRows = row1 == 0 && row2 == kXLSMaxRow;
  const bool allCols = col1 == 0 && col2 == kXLSMaxCol;
  bool ok = Shift(row1, dRow, !allRows && !lockStartRow && !(r1 & kPtgRowAbs), kXLSMaxRow);
  ok = Shift(row2, dRow, !allRows && !(r2 & kPtgRowAbs), kXLSMaxRow) && ok;
  ok = Shift(col1, dCol, !allCols && !(c1 & kPtgColAbs), kXLSMaxCol) && ok;
  ok = Shift(col2, dCol, !allCols && !(c2 & kPtgColAbs), kXLSMaxCol) && ok;
  if (!ok) return false;
  PtgPutU32(body, (r1 & kPtgRowAbs) | static_cast<uint32_t>(row1));
  PtgPutU32(body + 4, (r2 & kPtgRowAbs) | static_cast<uint32_t>(row2));
  PtgPutU16(body + 8, static_cast<uint16_t>((c1 & kPtgColAbs) | col1));
  PtgPutU16(body + 10, static_cast<uint16_t>((c2 & kPtgColAbs) | col2));
  return true;
}

// Moves a legacy 16-bit row and column word.
bool AdjustLegacyPart(uint8_t* rowP, uint8_t* colP, int32_t dCol, int32_t dRow, bool moveRow,
                      bool moveCol) {
  const uint16_t word = PtgGetU16(colP);
  int64_t row = PtgGetU16(rowP);
  int64_t col = word & kLegacyMaxCol;
  bool ok = Shift(col, dCol, moveCol && (word & kLegacyColRel), kLegacyMaxCol);
  ok = Shift(row, dRow, moveRow && (word & kLegacyRowRel), kLegacyMaxRow) && ok;
  if (!ok) return false;
  PtgPutU16(colP, static_cast<uint16_t>((word & ~kLegacyMaxCol) | col));
  PtgPutU16(rowP, static_cast<uint16_t>(row));
  return true;
}

}  // namespace

void AdjustPtgs(std::span<uint8_t> ptgs, int32_t deltaCol, int32_t deltaRow, bool lockStartRow) {
  // The whole array is walked once before anything changes, so a damaged array raises with its
  // bytes untouched.
  for (TXLSIteratePtgs check(ptgs); check.Next();) {
  }
  TXLSIteratePtgs it(ptgs);
  while (it.Next()) {
    uint8_t* p = ptgs.data() + it.CurrOffset();
    switch (p[0]) {
      case ptg::Ref:
      case ptg::Ref3d:
        if (!AdjustOwnCell({p + 1, p + 5}, deltaCol, deltaRow, !lockStartRow)) {
          if (p[0] == ptg::Ref) {
            p[0] = ptg::RefErr;
          } else {
            p[0] = ptg::Err3d;
            p[7] = 4;  // #REF!
          }
        }
        break;
      case ptg::Area:
      case ptg::Area3d:
        if (!AdjustOwnArea(p + 1, deltaCol, deltaRow, lockStartRow))
          p[0] = p[0] == ptg::Area ? ptg::AreaErr : ptg::AreaErr3d;
        break;
      case 0x24: case 0x44: case 0x64:
        if (!AdjustLegacyPart(p + 1, p + 3, deltaCol, deltaRow, !lockStartRow, true))
          p[0] = static_cast<uint8_t>(p[0] + 6);  // the reference-error token of the same class
        break;
      case 0x25: case 0x45: case 0x65: {
        const int64_t row1 = PtgGetU16(p + 1), row2 = PtgGetU16(p + 3);
        const int64_t col1 = PtgGetU16(p + 5) & kLegacyMaxCol, col2 = PtgGetU16(p + 7) & kLegacyMaxCol;
        const bool allRows = row1 == 0 && row2 == kLegacyLastRow;
        const bool allCols = col1 == 0 && col2 == kLegacyLastCol;
        // Validate both corners on copies, then write: no half-moved area.
        uint8_t copy[9];
        std::copy(p, p + 9, copy);
        const bool ok =
            AdjustLegacyPart(copy + 1, copy + 5, deltaCol, deltaRow, !allRows && !lockStartRow,
                             !allCols) &&
            AdjustLegacyPart(copy + 3, copy + 7, deltaCol, deltaRow, !allRows, !allCols);
        if (ok)
          std::copy(copy, copy + 9, p);
        else
          p[0] = static_cast<uint8_t>(p[0] + 6);
        break;
      }
      default:
        break;
    }
  }
}

}  // namespace xls
