#include "xls/biff/biffcontinue.h"

#include <algorithm>
#include <cstring>

namespace xls::biff {

bool TBIFFContinueReader::NextSegment() {
  if (FSeg + 1 >= FSegs.size()) {
    FSeg = FSegs.size();
    FPos = 0;
    return false;
  }
  ++FSeg;
  FPos = 0;
  return true;
}

bool TBIFFContinueReader::AtEnd() {
  while (FSeg < FSegs.size() && FPos >= FSegs[FSeg].size())
    if (!NextSegment()) return true;
  return FSeg >= FSegs.size();
}

bool TBIFFContinueReader::ReadRaw(uint8_t* out, size_t n) {
  while (n > 0) {
    if (AtEnd()) return false;
    const size_t k = std::min(n, RestInSegment());
    if (out) {
      std::memcpy(out, FSegs[FSeg].data() + FPos, k);
      out += k;
    }
    FPos += k;
    n -= k;
  }
  return true;
}

bool TBIFFContinueReader::Skip(size_t n) { return ReadRaw(nullptr, n); }

bool TBIFFContinueReader::ReadU16(uint16_t& v) {
  uint8_t b[2];
  if (!ReadRaw(b, 2)) return false;
  v = uint16_t(b[0] | (b[1] << 8));
  return true;
}

bool TBIFFContinueReader::ReadU32(uint32_t& v) {
  uint8_t b[4];
  if (!ReadRaw(b, 4)) return false;
  v = uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
  return true;
}

size_t TBIFFContinueReader::ReadChars(size_t count, bool wide, std::u16string& wideChars,
                                      std::vector<uint8_t>& narrow, bool& wideOut) {
  wideChars.clear();
  narrow.clear();
  wideOut = false;
  size_t done = 0;
  bool first = true;
  while (done < count) {
    if (!first || RestInSegment() == 0) {
      // Characters go on in the next segment, which begins with its own flag byte.
      if (!NextSegment() || RestInSegment() == 0) break;
      wide = (FSegs[FSeg][FPos++] & 1) != 0;
    }
    first = false;
    const uint8_t* p = FSegs[FSeg].data() + FPos;
    const size_t k = std::min(count - done, RestInSegment() / (wide ? 2 : 1));
    if (wide && !wideOut) {
      // From here on the string is UTF-16: widen what was read so far.
      wideOut = true;
      wideChars.assign(narrow.begin(), narrow.end());
      narrow.clear();
    }
    if (wideOut) {
      for (size_t i = 0; i < k; ++i)
        wideChars.push_back(wide ? char16_t(p[2 * i] | (p[2 * i + 1] << 8)) : char16_t(p[i]));
    } else {
      narrow.insert(narrow.end(), p, p + k);
    }
    FPos += k * (wide ? 2 : 1);
    done += k;
    // The segment is used up (an odd byte left in a UTF-16 segment holds no character).
    if (done < count) FPos = FSegs[FSeg].size();
  }
  return done;
}

}  // namespace xls::biff
