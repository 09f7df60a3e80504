// Reading across CONTINUE records: a record and the CONTINUE records after it form one run of
// segments; strings whose characters go on in a CONTINUE record start that record with a new
// flag byte (bit 0: UTF-16), while other fields (string headers, rich-text runs, phonetic data)
// simply go on in it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace xls::biff {

class TBIFFContinueReader {
 public:
  // Appends one segment (the record itself first, then each CONTINUE body): a copy of `body`, or
  // the vector itself.
  void Add(std::span<const uint8_t> body) { Add(std::vector<uint8_t>(body.begin(), body.end())); }
  void Add(std::vector<uint8_t>&& body) {
    FOwned.push_back(std::move(body));
    FSegs.emplace_back(FOwned.back());
  }
  // Appends bytes that stay where they are for as long as the reader is used.
  void AddView(std::span<const uint8_t> body) { FSegs.push_back(body); }
  // Bytes in all segments, read or not.
  size_t TotalBytes() const {
    size_t n = 0;
    for (const auto& s : FSegs) n += s.size();
    return n;
  }
  void Clear() {
    FSegs.clear();
    FOwned.clear();
    FSeg = FPos = 0;
  }
  // Bytes left in the current segment.
  size_t RestInSegment() const { return FSeg < FSegs.size() ? FSegs[FSeg].size() - FPos : 0; }
  // True when no byte is left in any segment.
  bool AtEnd();
  // Reads `n` bytes that may go on in the next segments; false (nothing guaranteed about `out`)
  // when fewer are left.
  bool ReadRaw(uint8_t* out, size_t n);
  bool Skip(size_t n);
  bool ReadU8(uint8_t& v) { return ReadRaw(&v, 1); }
  bool ReadU16(uint16_t& v);
  bool ReadU32(uint32_t& v);
  // `count` characters that start in width `wide` and take a new flag byte at each segment
  // boundary. Returns the characters read (fewer when the segments end); `wideOut` is true when
  // any part was UTF-16, and then every character is in `wideChars`, else the bytes are in
  // `narrow`.
  size_t ReadChars(size_t count, bool wide, std::u16string& wideChars, std::vector<uint8_t>& narrow,
                   bool& wideOut);

 private:
  bool NextSegment();
  std::vector<std::span<const uint8_t>> FSegs;
  std::vector<std::vector<uint8_t>> FOwned;  // the segments copied in (their bytes never move)
  size_t FSeg = 0, FPos = 0;
};

}  // namespace xls::biff
