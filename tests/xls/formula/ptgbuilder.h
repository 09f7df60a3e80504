// Writes own token arrays byte by byte for the tests of the walker, AdjustPtgs and the decoder.
#pragma once

#include <bit>
#include <cstdint>
#include <string_view>
#include <vector>

#include "xls/formula/xlsptgs.h"

namespace xls::test {

class PtgBuilder {
 public:
  PtgBuilder& Id(uint8_t id) { return U8(id); }
  PtgBuilder& U8(uint8_t v) {
    FBytes.push_back(v);
    return *this;
  }
  PtgBuilder& U16(uint16_t v) { return U8(static_cast<uint8_t>(v)).U8(static_cast<uint8_t>(v >> 8)); }
  PtgBuilder& U32(uint32_t v) { return U16(static_cast<uint16_t>(v)).U16(static_cast<uint16_t>(v >> 16)); }
  PtgBuilder& Int(int32_t v) { return Id(ptg::Int).U32(static_cast<uint32_t>(v)); }
  PtgBuilder& Num(double v) {
    const uint64_t bits = std::bit_cast<uint64_t>(v);
    return Id(ptg::Num).U32(static_cast<uint32_t>(bits)).U32(static_cast<uint32_t>(bits >> 32));
  }
  PtgBuilder& Str(std::u16string_view s) {
    Id(ptg::Str).U16(static_cast<uint16_t>(s.size()));
    for (char16_t c : s) U16(c);
    return *this;
  }
  static uint32_t RowField(uint32_t row, bool abs) { return row | (abs ? kPtgRowAbs : 0); }
  static uint16_t ColField(uint16_t col, bool abs) { return static_cast<uint16_t>(col | (abs ? kPtgColAbs : 0)); }
  // Row and column fields of a cell.
  PtgBuilder& Cell(uint16_t col, uint32_t row, bool colAbs = false, bool rowAbs = false) {
    return U32(RowField(row, rowAbs)).U16(ColField(col, colAbs));
  }
  PtgBuilder& Ref(uint16_t col, uint32_t row, bool colAbs = false, bool rowAbs = false) {
    return Id(ptg::Ref).Cell(col, row, colAbs, rowAbs);
  }
  // Area body: first row, last row, first column, last column (all relative).
  PtgBuilder& Body(uint16_t c1, uint32_t r1, uint16_t c2, uint32_t r2) { return U32(r1).U32(r2).U16(c1).U16(c2); }
  PtgBuilder& Area(uint16_t c1, uint32_t r1, uint16_t c2, uint32_t r2) { return Id(ptg::Area).Body(c1, r1, c2, r2); }
  PtgBuilder& Func(uint16_t id) { return Id(ptg::Func).U16(id); }
  PtgBuilder& FuncVar(uint8_t args, uint16_t id) { return Id(ptg::FuncVar).U8(args).U16(id); }
  PtgBuilder& Bytes(std::vector<uint8_t> more) {
    FBytes.insert(FBytes.end(), more.begin(), more.end());
    return *this;
  }
  const std::vector<uint8_t>& Get() const { return FBytes; }
  operator std::vector<uint8_t>() const { return FBytes; }

 private:
  std::vector<uint8_t> FBytes;
};

}  // namespace xls::test
