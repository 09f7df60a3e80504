// Random and mutated legacy token arrays through the decoder (BIFF8 and BIFF5 layouts, with and
// without a resolver) and the shared-formula fix-up (both versions). Every input must either pass
// or raise a std::runtime_error; a crash, a hang or a sanitizer report fails the run. Inputs are
// exact-size vectors, so any read or write past an array is a sanitizer report. The input count
// is set by KWS_FUZZ_COUNT (default 1,000,000).
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/xls/formula/tokenmutator.h"
#include "xls/formula/xlsformuladecoder97.h"

namespace xls {
namespace {

using Bytes = std::vector<uint8_t>;

long FuzzCount(long fallback) {
  const char* env = std::getenv("KWS_FUZZ_COUNT");
  return env ? std::strtol(env, nullptr, 10) : fallback;
}

std::vector<Bytes> Seeds() {
  return {
      {0x1E, 1, 0, 0x1E, 2, 0, 0x03, 0x24, 0, 0, 0, 0xC0, 0x05},
      {0xFF, 0x24, 0, 0, 0, 0xC0, 0x1E, 2, 0, 0x1E, 3, 0, 0x41, 0x1F, 0},
      {0x2C, 1, 0, 0xFF, 0xC0, 0x2D, 0, 0, 1, 0, 0, 0xC0, 1, 0xC0, 0x11, 0x42, 1, 4, 0},
      {0x17, 2, 1, 'a', 0, 'b', 0, 0x17, 1, 0, 'c', 0x08, 0x19, 0x10, 0, 0},
      {0x24, 0, 0, 0, 0xC0, 0x19, 0x04, 1, 0, 8, 0, 10, 0, 0x24, 0, 0, 1, 0xC0, 0x42, 2, 100, 0},
      {0xFE, 22, 0, 0x20, 0,   0,    0, 0, 0, 0, 0, 0x60, 0, 0, 0,    0, 0, 0, 0, 0x10, 1, 0, 0,
       0x02, 1,  0, 0,    'z', 0x04, 1, 0, 0, 0, 0, 0,    0, 0, 0x10, 7, 0, 0, 0, 0,    0, 0, 0},
      {0x23, 1, 0, 0, 0, 0x39, 0, 0, 1, 0, 0, 0, 0x42, 1, 0xFF, 0, 0x3A, 1, 0, 2, 0, 3, 0x80, 0x03},
      {0x3B, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0x5C, 0, 0, 0, 0, 0, 0, 0x3D, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
      {0x18, 6, 5, 0, 2, 0, 0x18, 1, 0, 0, 0, 0, 0x18, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x03},
      {0x29, 11, 0, 0x2C, 0, 0, 0, 0xC0, 0x2C, 0, 0, 1, 0xC0, 0x11, 0x26, 0, 0, 0, 0, 5, 0, 0x2A, 0, 0, 0, 0},
      {0x1C, 7, 0x1D, 1, 0x1F, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F, 0x16, 0x12, 0x13, 0x14, 0x15},
      // BIFF5 layouts.
      {0x2C, 5, 0x80, 3, 0x2D, 0, 0xC0, 1, 0xC0, 0, 1, 0x17, 2, 'a', 'b', 0x08},
      {0x3A, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0xC0,
       1,    0x23, 1,    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x03},
  };
}

Bytes Random(std::mt19937& rng) {
  Bytes b(rng() % 48);
  for (uint8_t& x : b) x = static_cast<uint8_t>(rng() % 3 ? rng() % 0x40 : rng());
  return b;
}

TEST(Fuzz_LegacyTokens, DecoderAndFixupNeverCrash) {
  const long count = FuzzCount(1000000);
  const std::vector<Bytes> seeds = Seeds();
  const TGetNameEvent names = [](TFormulaNameType type, int32_t sheet, int32_t, int32_t, int32_t) {
    return type == TFormulaNameType::ntName ? std::u16string(u"N") : std::u16string(sheet & 1, u'S') + u"!";
  };
  std::mt19937 rng(20261211);
  long decoded = 0, decodeRaised = 0, fixed = 0, fixRaised = 0;
  for (long i = 0; i < count; ++i) {
    Bytes b = (i % 4 == 3) ? Random(rng) : test::MutateTokens(seeds[rng() % seeds.size()], rng, true);
    const TBIFFFormulaVersion version = (rng() & 1) ? TBIFFFormulaVersion::BIFF8 : TBIFFFormulaVersion::BIFF5;
    const int32_t col = static_cast<int32_t>(rng() % 260) - 2, row = static_cast<int32_t>(rng() % 70000) - 2;
    try {
      DecodeBIFFFormula(b, 0, col, row, (rng() & 1) ? names : TGetNameEvent{}, u',', {}, {version, {}});
      ++decoded;
    } catch (const std::runtime_error&) {
      ++decodeRaised;
    }
    const size_t size = b.size();
    bool fixedUp = false;
    try {
      FixupSharedFormula(version == TBIFFFormulaVersion::BIFF8, b, col, row);
      fixedUp = true;
      ++fixed;
    } catch (const std::runtime_error&) {
      ++fixRaised;
    }
    ASSERT_EQ(b.size(), size);
    // What the fix-up wrote is what the record reader stores: it decodes or raises cleanly.
    if (fixedUp) {
      try {
        DecodeBIFFFormula(b, 0, 0, 0, {}, u',', {}, {version, {}});
      } catch (const std::runtime_error&) {
      }
    }
  }
  EXPECT_EQ(decoded + decodeRaised, count);
  EXPECT_EQ(fixed + fixRaised, count);
  EXPECT_GT(decoded, 0);
  EXPECT_GT(decodeRaised, 0);
  EXPECT_GT(fixed, 0);
  EXPECT_GT(fixRaised, 0);
  std::cout << "[ inputs   ] " << count << " decoded " << decoded << " raised " << decodeRaised << "; fixed "
            << fixed << " raised " << fixRaised << "\n";
}

}  // namespace
}  // namespace xls
