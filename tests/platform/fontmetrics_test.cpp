#include "platform/fontmetrics.h"

#include <gtest/gtest.h>

#include <thread>

namespace kws {
namespace {

TEST(FontMetrics_Measure, CommonFontsAtScreenResolutions) {
  struct Case {
    std::u16string_view name;
    double size;
    int ppi, height, digit;
  } cases[] = {
      {u"Calibri", 11, 96, 15, 7},  {u"calibri", 11, 96, 15, 7}, {u"Arial", 10, 96, 13, 7},
      {u"Times New Roman", 12, 96, 16, 8}, {u"Tahoma", 8, 96, 11, 5}, {u"Calibri", 11, 120, 18, 9},
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
