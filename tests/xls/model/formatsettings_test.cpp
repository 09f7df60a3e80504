#include "xls/model/formatsettings.h"

#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace xls {
namespace {

TEST(FormatGeneral_Numbers, PlainAndExponentForms) {
  FormatSettings comma;
  comma.DecimalSeparator = u',';
  const FormatSettings point;
  struct Case {
    double x;
    std::u16string_view text;
  } cases[] = {
      {0, u"0"},
      {-0.0, u"0"},
      {1234.5, u"1234.5"},
      {-3.25, u"-3.25"},
      {0.1, u"0.1"},
      {1.0 / 3, u"0.333333333333333"},
      {2.0 / 3, u"0.666666666666667"},
      {0.00001, u"0.00001"},
      {0.000015, u"0.000015"},
      {1.5e-7, u"1.5E-7"},
      {1e-6, u"1E-6"},
      {999999999999999.0, u"999999999999999"},
      {1e15, u"1E15"},
      {1e20, u"1E20"},
      {-1.25e100, u"-1.25E100"},
      {123456789012345678.0, u"1.23456789012346E17"},
      {0.1 + 0.2, u"0.3"},
      {100, u"100"},
      {std::numeric_limits<double>::quiet_NaN(), u"NAN"},
      {-std::numeric_limits<double>::infinity(), u"-INF"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatGeneral(c.x, point), c.text) << c.x;
  EXPECT_EQ(FormatGeneral(1234.5, comma), u"1234,5");
  EXPECT_EQ(FormatGeneral(2.5e-9, comma), u"2,5E-9");
}

// Whole numbers below 10^15 are written from their integer digits; at 10^15 and above the
// 15-digit exponent form takes over.
TEST(FormatGeneral_Numbers, WholeNumbersAreTheirDigits) {
  uint64_t seed = 12345;
  for (int i = 0; i < 2000; ++i) {
    seed = seed * 6364136223846793005u + 1442695040888963407u;
    const int digits = 1 + i % 15;
    int64_t n = int64_t(seed >> 4) % 1000000000000000;
    for (int d = digits; d < 15; ++d) n /= 10;
    if (i % 2) n = -n;
    const std::string expected = std::to_string(n);
    EXPECT_EQ(FormatGeneral(double(n), '.'), std::u16string(expected.begin(), expected.end())) << n;
  }
  EXPECT_EQ(FormatGeneral(-999999999999999.0, '.'), u"-999999999999999");
  EXPECT_EQ(FormatGeneral(9007199254740993.0, '.'), u"9.00719925474099E15");
  EXPECT_EQ(FormatGeneral(-1e15, '.'), u"-1E15");
  EXPECT_EQ(FormatGeneral(999999999999999.5, '.'), u"1E15");
  EXPECT_EQ(FormatGeneral(-1.5, ','), u"-1,5");
}

// The general form as made from the 15-digit scientific text of to_chars: the reference for the
// digits that FormatGeneral works out itself for numbers that are not whole.
std::u16string ReferenceGeneral(double x) {
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, 14);
  const std::string s(buf, res.ptr);
  const bool negative = s[0] == '-';
  const size_t e = s.find('e');
  std::string digits = s.substr(negative ? 1 : 0, 1) + s.substr(negative ? 3 : 2, 14);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  const int exp = std::stoi(s.substr(e + 1));
  std::string out = negative ? "-" : "";
  if (exp >= 15 || exp < -5) {
    out +=
        digits.substr(0, 1) + (digits.size() > 1 ? "." + digits.substr(1) : "") + "E" + std::to_string(exp);
  } else if (exp >= 0) {
    digits.resize(std::max(digits.size(), size_t(exp) + 1), '0');
    out += digits.substr(0, size_t(exp) + 1);
    if (digits.size() > size_t(exp) + 1) out += "." + digits.substr(size_t(exp) + 1);
  } else {
    out += "0." + std::string(size_t(-exp - 1), '0') + digits;
  }
  return std::u16string(out.begin(), out.end());
}

TEST(FormatGeneral_Numbers, FractionsAgreeWithTheScientificText) {
  std::mt19937_64 rng(20261211);
  std::vector<double> xs;
  // Any bits with a binary exponent from below 1e-5 to above 1e15, both signs.
  for (int i = 0; i < 100000; ++i) {
    const uint64_t exponent = 1023 - 18 + rng() % 70;
    const uint64_t bits =
        (rng() & ((uint64_t(1) << 52) - 1)) | (exponent << 52) | (i % 2 ? uint64_t(1) << 63 : 0);
    double x;
    std::memcpy(&x, &bits, sizeof x);
    xs.push_back(x);
  }
  // Decimal fractions as people type them, and the benchmark's sevenths.
  for (int i = 0; i < 50000; ++i) {
    const double k = double(rng() % 100000000);
    xs.push_back(k / 100);
    xs.push_back(k / 1000 - 5000);
    xs.push_back(double(i) * 1.25 + double(i % 5) / 7);
  }
  // Exact halves of the last digit (rounded to even) and quarters below them.
  for (int i = 0; i < 20000; ++i) {
    const double n = double(100000000000000 + rng() % 900000000000000);
    xs.push_back(n + 0.5);
    xs.push_back(std::floor(n / 10) + 0.25);
    xs.push_back(std::floor(n / 10) + 0.75);
    xs.push_back(std::floor(n / 100) + 0.125);
  }
  // Next to the powers of ten, where rounding carries into a new digit, and the ends of the
  // plain form.
  for (int d = -7; d <= 16; ++d) {
    const double p = std::pow(10.0, d);
    for (double x : {p, std::nextafter(p, 0.0), std::nextafter(p, 1e300), p * (1 - 4e-16), p * (1 - 6e-16)})
      xs.push_back(x);
  }
  for (double x : {1e-5, 0.0000099999999999999995, 999999999999999.5, 999999999999999.4, 99999999999999.95})
    xs.push_back(x);
  for (double x : xs) {
    if (x == std::trunc(x)) continue;  // whole numbers have their own test
    ASSERT_EQ(FormatGeneral(x, '.'), ReferenceGeneral(x)) << std::hexfloat << x;
  }
}

TEST(DateSerial_Decode, CalendarTimeAndLimits) {
  struct Case {
    double serial;
    TDateParts parts;
  } cases[] = {
      {0, {1899, 12, 30, 0, 0, 0, 0, 7}},
      {1, {1899, 12, 31, 0, 0, 0, 0, 1}},
      {2, {1900, 1, 1, 0, 0, 0, 0, 2}},
      {61, {1900, 3, 1, 0, 0, 0, 0, 5}},
      {45000.75, {2023, 3, 15, 18, 0, 0, 0, 4}},
      {36526.5 + 1.0 / 86400000 * 499, {2000, 1, 1, 12, 0, 0, 499, 7}},
      {-1.25, {1899, 12, 29, 6, 0, 0, 0, 6}},
      {2958465.99999999, {9999, 12, 31, 23, 59, 59, 999, 6}},
  };
  for (const auto& c : cases) {
    TDateParts p;
    ASSERT_TRUE(DecodeDateSerial(c.serial, p)) << c.serial;
    EXPECT_EQ(p.Year, c.parts.Year) << c.serial;
    EXPECT_EQ(p.Month, c.parts.Month) << c.serial;
    EXPECT_EQ(p.Day, c.parts.Day) << c.serial;
    EXPECT_EQ(p.Hour, c.parts.Hour) << c.serial;
    EXPECT_EQ(p.Minute, c.parts.Minute) << c.serial;
    EXPECT_EQ(p.Second, c.parts.Second) << c.serial;
    EXPECT_EQ(p.Millisecond, c.parts.Millisecond) << c.serial;
    EXPECT_EQ(p.DayOfWeek, c.parts.DayOfWeek) << c.serial;
  }
  TDateParts p;
  EXPECT_FALSE(DecodeDateSerial(2958466, p));
  EXPECT_FALSE(DecodeDateSerial(-693594, p));
  EXPECT_FALSE(DecodeDateSerial(1e300, p));
  EXPECT_FALSE(DecodeDateSerial(std::numeric_limits<double>::quiet_NaN(), p));
}

TEST(FormatSettings_Environment, BuildsWithoutTouchingTheProcessLocale) {
  const std::string before = setlocale(LC_ALL, nullptr);
  const FormatSettings& fs = DefaultFormatSettings();
  EXPECT_EQ(&fs, &DefaultFormatSettings());
  EXPECT_FALSE(fs.ShortDateFormat.empty());
  EXPECT_NE(fs.DecimalSeparator, u'\0');
  EXPECT_EQ(std::string(setlocale(LC_ALL, nullptr)), before);
}

}  // namespace
}  // namespace xls
