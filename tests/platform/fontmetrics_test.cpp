#include "platform/fontmetrics.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace kws {
namespace {

TEST(FontMetrics_Measure, CommonFontsAtScreenResolutions) {
  struct Case {
    std::u16string_view name;
    double size;
    int ppi, height, digit;
  } cases[] = {
      {u"Calibri", 11, 96, 15, 7},         {u"calibri", 11, 96, 15, 7}, {u"Arial", 10, 96, 13, 7},
      {u"Times New Roman", 12, 96, 16, 8}, {u"Tahoma", 8, 96, 11, 5},   {u"Calibri", 11, 120, 18, 9},
      {u"No Such Font", 10, 96, 13, 7},
  };
  for (const auto& c : cases) {
    const FontPixelMetrics m = MeasureFont(c.name, c.size, false, c.ppi);
    EXPECT_EQ(m.Height, c.height) << c.size;
    EXPECT_EQ(m.DigitWidth, c.digit) << c.size;
  }
  EXPECT_EQ(MeasureFont(u"Arial", 0, false, 96).Height, 0);
  EXPECT_EQ(MeasureFont(u"Arial", 1, false, 96).DigitWidth, 1);
}

// Text widths from the metric-compatible font files (Carlito, Liberation) agree with the digit
// table where both speak: ten digits are ten digit widths. Proportional letters differ.
TEST(FontMetrics_Text, FontFilesAgreeWithTheDigitTable) {
  struct Case {
    std::u16string_view name;
    double size;
    const char* family;
  } cases[] = {{u"Calibri", 11, "Carlito"},
               {u"Arial", 10, "Liberation Sans"},
               {u"Times New Roman", 12, "Liberation Serif"},
               {u"Courier New", 10, "Liberation Mono"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.family));
    const std::string family = TextFontFamily(c.name, false, false);
    if (family.empty()) GTEST_SKIP() << "no metric-compatible font installed (tools/debian-packages.txt)";
    EXPECT_EQ(family, c.family);
    const int digit = MeasureFont(c.name, c.size, false, 96).DigitWidth;
    EXPECT_EQ(MeasureText(c.name, c.size, false, false, u"0123456789", 96), 10 * digit);
    if (family != "Liberation Mono") {
      EXPECT_LT(MeasureText(c.name, c.size, false, false, u"iiiiiiiiii", 96),
                MeasureText(c.name, c.size, false, false, u"MMMMMMMMMM", 96));
    } else {
      EXPECT_EQ(MeasureText(c.name, c.size, false, false, u"iiiiiiiiii", 96),
                MeasureText(c.name, c.size, false, false, u"MMMMMMMMMM", 96));
    }
    EXPECT_GE(MeasureText(c.name, c.size, true, false, u"Wide Bold Words", 96),
              MeasureText(c.name, c.size, false, false, u"Wide Bold Words", 96));
  }
}

// A face with no file of its own or of its metrics (fontconfig's general fallback is not taken)
// counts each character, a surrogate pair once, as a digit of the table.
TEST(FontMetrics_Text, WithoutAFileEveryCharacterIsADigit) {
  EXPECT_EQ(TextFontFamily(u"No Such Font", false, false), "");
  const int digit = MeasureFont(u"No Such Font", 10, false, 96).DigitWidth;
  EXPECT_EQ(MeasureText(u"No Such Font", 10, false, false, u"abc", 96), 3 * digit);
  EXPECT_EQ(MeasureText(u"No Such Font", 10, false, false, u"a\U0001F600", 96), 2 * digit);
  EXPECT_EQ(MeasureText(u"No Such Font", 10, false, false, u"", 96), 0);
  EXPECT_EQ(MeasureText(u"Calibri", 0, false, false, u"abc", 96), 0);
  EXPECT_EQ(MeasureText(u"", 10, false, false, u"ab", 96), 2 * MeasureFont(u"", 10, false, 96).DigitWidth);
}

TEST(FontMetrics_Text, SameWidthsFromManyThreads) {
  const std::u16string text = u"Thread-safe measuring of some text";
  const int want = MeasureText(u"Arial", 10, false, true, text, 96);
  std::vector<std::thread> threads;
  std::vector<int> got(4);
  for (size_t i = 0; i < got.size(); ++i)
    threads.emplace_back([&, i] { got[i] = MeasureText(u"Arial", 10, false, true, text, 96); });
  for (auto& t : threads) t.join();
  for (int g : got) EXPECT_EQ(g, want);
}

TEST(FontMetrics_PixelsPerInch, DefaultSetAndReset) {
  EXPECT_EQ(PixelsPerInch(), 96);
  std::thread t([] { SetPixelsPerInch(144); });
  t.join();
  EXPECT_EQ(PixelsPerInch(), 144);
  SetPixelsPerInch(0);
  EXPECT_EQ(PixelsPerInch(), 96);
}

}  // namespace
}  // namespace kws
