// Random number-format codes of up to 256 characters over values with NaN, infinities, 1E308,
// denormals and dates outside the calendar: every code parses (or raises the length error, and
// only at 256 characters), and formatting never raises, never runs out of bounds and gives a text
// of bounded length.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include "platform/textcodec.h"
#include "tests/support/mutator.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsmask.h"

namespace xls {
namespace {

// Pieces codes are made of: the grammar's characters and groups, and a few others.
constexpr std::u16string_view kPieces[] = {
    u"0",       u"#",          u"?",
    u".",       u",",          u"%",
    u"E+",      u"E-",         u"e",
    u"@",       u"\"",         u"\"txt\"",
    u"\\",      u"\\x",        u"_",
    u"_)",      u"*",          u"* ",
    u"[",       u"]",          u"[Red]",
    u"[CYAN]",  u"[h]",        u"[mm]",
    u"[ss]",    u"[$-409]",    u"[$\u20ac-407]",
    u"[>=100]", u"[$",         u";",
    u"d",       u"dd",         u"ddd",
    u"dddd",    u"m",          u"mm",
    u"mmm",     u"mmmm",       u"mmmmm",
    u"y",       u"yy",         u"yyyy",
    u"h",       u"hh",         u"s",
    u"ss",      u"AM/PM",      u"am/pm",
    u"a/p",     u"A",          u"a",
    u"/",       u":",          u" ",
    u"-",       u"General",    u"gEnErAl",
    u"\u00e9",  u"\U0001F600", std::u16string_view(u"\0x", 1),
};

TEST(TExcelMaskFuzz, RandomCodesFormatEveryValue) {
  const double values[] = {0,
                           -0.0,
                           1,
                           -1,
                           0.5,
                           1.005,
                           -1234.5678,
                           45000.75,
                           1e15,
                           1e300,
                           1e308,
                           -1e308,
                           std::numeric_limits<double>::max(),
                           std::numeric_limits<double>::lowest(),
                           std::numeric_limits<double>::denorm_min(),
                           -std::numeric_limits<double>::denorm_min(),
                           2.2250738585072014e-308,
                           std::numeric_limits<double>::quiet_NaN(),
                           std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity(),
                           -693594,
                           -693595,
                           2958465.99999,
                           2958466,
                           -1e7,
                           3e6,
                           -3.0000001e6};
  const auto budget = kws::test::FuzzBudget::FromEnvironment(5.0, 20000);
  std::mt19937_64 rng(20261211);
  const auto start = std::chrono::steady_clock::now();
  uint64_t codes = 0, lengthErrors = 0;
  while (codes < budget.inputs &&
         std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() < budget.seconds) {
    std::u16string code;
    const size_t target = rng() % 257;
    while (code.size() < target) {
      if (rng() % 8 == 0)
        code += char16_t(rng() % 0x10000);
      else
        code += kPieces[rng() % std::size(kPieces)];
    }
    if (code.size() > 256) code.resize(rng() % 2 ? 256 : 255);
    ++codes;
    TExcelMask mask(FormatSettings{});
    mask.SetDate1904(rng() % 4 == 0);
    try {
      mask.SetMask(code);
    } catch (const XLSRWException& e) {
      ++lengthErrors;
      ASSERT_GE(code.size(), 256u) << kws::Utf16ToUtf8(code);
      ASSERT_STREQ(e.what(), "Format string more than 255 characthers");
      continue;
    }
    ASSERT_LE(code.size(), 255u);
    (void)mask.IsDateTime();
    for (double v : values) {
      const std::u16string text = mask.FormatNumber(v);
      ASSERT_LT(text.size(), 8192u) << kws::Utf16ToUtf8(code) << " with " << v;
    }
  }
  std::printf("random codes: %llu (%llu of 256 characters)\n", (unsigned long long)codes,
              (unsigned long long)lengthErrors);
  EXPECT_GT(codes, 0u);
}

}  // namespace
}  // namespace xls
