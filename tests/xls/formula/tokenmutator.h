// Small random edits of token arrays for the formula fuzz tests.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace xls::test {

// One to four edits: a byte changed, set to 0x00/0xFF or dropped, one inserted, the end cut; with
// `tokenIds` also a plausible legacy token id written somewhere.
inline std::vector<uint8_t> MutateTokens(std::vector<uint8_t> b, std::mt19937& rng, bool tokenIds) {
  const int edits = 1 + static_cast<int>(rng() % 4);
  for (int e = 0; e < edits; ++e) {
    switch (rng() % (tokenIds ? 6 : 5)) {
      case 0:  // flip a byte
        if (!b.empty()) b[rng() % b.size()] = static_cast<uint8_t>(rng());
        break;
      case 1:  // cut the end
        if (!b.empty()) b.resize(rng() % b.size());
        break;
      case 2:  // insert a byte
        b.insert(b.begin() + (b.empty() ? 0 : rng() % (b.size() + 1)), static_cast<uint8_t>(rng()));
        break;
      case 3:  // set a byte to a boundary value
        if (!b.empty()) b[rng() % b.size()] = (rng() & 1) ? 0xFF : 0x00;
        break;
      case 5:  // put a token id somewhere
        if (!b.empty()) b[rng() % b.size()] = static_cast<uint8_t>(rng() % 0x40 | (rng() % 4) << 5);
        break;
      default:  // drop a byte
        if (!b.empty()) b.erase(b.begin() + rng() % b.size());
        break;
    }
  }
  return b;
}

}  // namespace xls::test
