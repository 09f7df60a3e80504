// Byte strings of legacy tokens for the tests of the legacy decoder and encoder, written and shown
// as hexadecimal text.
#pragma once

#include <bit>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace xls::test {

using Bytes = std::vector<uint8_t>;

// "1E 01 00" -> bytes.
inline Bytes Hex(std::string_view text) {
  Bytes out;
  for (size_t i = 0; i < text.size();) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    out.push_back(static_cast<uint8_t>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16)));
    i += 2;
  }
  return out;
}

inline std::string ToHex(const Bytes& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string s;
  for (uint8_t b : bytes) {
    if (!s.empty()) s += ' ';
    s += digits[b >> 4];
    s += digits[b & 15];
  }
  return s;
}

// The eight bytes of an IEEE double, little-endian.
inline Bytes Double(double v) {
  Bytes b(8);
  const uint64_t bits = std::bit_cast<uint64_t>(v);
  for (int i = 0; i < 8; ++i) b[i] = static_cast<uint8_t>(bits >> (8 * i));
  return b;
}

}  // namespace xls::test
