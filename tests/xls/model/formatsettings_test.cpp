#include "xls/model/formatsettings.h"

#include <gtest/gtest.h>

#include <clocale>
#include <limits>

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
