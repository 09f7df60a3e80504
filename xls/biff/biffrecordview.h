// A bounded, read-only view of one legacy record body.
//
// Record bodies are little-endian byte runs whose length the record header states; a damaged
// file can give a record that is shorter than its layout. Every field is therefore read through
// this view: a field that lies wholly or partly past the end of the body reads as if the missing
// bytes were 0, and counts taken from a body are cut to the items that the body actually holds
// (`Bound`). Nothing here ever touches a byte past `Size()`.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace xls::biff {

class TRecordView {
 public:
  TRecordView() = default;
  TRecordView(const uint8_t* data, size_t size) : FData(size ? data : nullptr), FSize(data ? size : 0) {}
  explicit TRecordView(std::span<const uint8_t> s) : TRecordView(s.data(), s.size()) {}

  const uint8_t* Data() const { return FData; }
  size_t Size() const { return FSize; }
  bool Empty() const { return FSize == 0; }
  std::span<const uint8_t> Span() const { return {FData, FSize}; }

  // Bytes present from `off` on (0 at or past the end).
  size_t Available(size_t off) const { return off < FSize ? FSize - off : 0; }

  // Little-endian fields; bytes past the end read as 0.
  uint8_t U8(size_t off) const { return off < FSize ? FData[off] : 0; }
  uint16_t U16(size_t off) const { return static_cast<uint16_t>(Field(off, 2)); }
  uint32_t U32(size_t off) const { return static_cast<uint32_t>(Field(off, 4)); }
  uint64_t U64(size_t off) const { return Field(off, 8); }
  int16_t I16(size_t off) const { return static_cast<int16_t>(U16(off)); }
  int32_t I32(size_t off) const { return static_cast<int32_t>(U32(off)); }
  double F64(size_t off) const {
    const uint64_t bits = U64(off);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
  }

  // The bytes [off, off + n) cut to the body.
  std::span<const uint8_t> Bytes(size_t off, size_t n) const {
    const size_t a = Available(off);
    return a ? std::span<const uint8_t>(FData + off, std::min(n, a)) : std::span<const uint8_t>();
  }
  // The rest of the body from `off` on, as a view (empty past the end).
  TRecordView Sub(size_t off, size_t n = SIZE_MAX) const {
    const auto b = Bytes(off, n);
    return TRecordView(b.data(), b.size());
  }
  // `count` cut to the number of whole items of `itemSize` bytes present from `off` on.
  size_t Bound(size_t count, size_t off, size_t itemSize) const {
    return itemSize == 0 ? 0 : std::min(count, Available(off) / itemSize);
  }

 private:
  uint64_t Field(size_t off, size_t width) const {
    uint64_t v = 0;
    const size_t n = std::min(width, Available(off));
    for (size_t i = 0; i < n; ++i) v |= uint64_t(FData[off + i]) << (8 * i);
    return v;
  }

  const uint8_t* FData = nullptr;
  size_t FSize = 0;
};

}  // namespace xls::biff
