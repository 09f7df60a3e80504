#include "xls/package/xpgvalues.h"

#include <gtest/gtest.h>

#include <clocale>

#include "xls/package/xpglists.h"

namespace xls {
namespace {

TEST(XmlValues_Bool, Texts) {
  EXPECT_TRUE(XmlStrToBool(u"TRUE"));
  EXPECT_TRUE(XmlStrToBool(u"T"));
  EXPECT_FALSE(XmlStrToBool(u"0"));
  try {
    XmlStrToBool(u"yes");
    ADD_FAILURE();
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Invalid boolean value \"yes\"");
  }
  bool v = true;
  EXPECT_FALSE(TryXmlStrToBool(u"1", v));
  EXPECT_TRUE(TryXmlStrToBool(u"False", v));
  EXPECT_FALSE(v);
}

TEST(XmlValues_Numbers, LocaleFreeTableOfCases) {
  // A locale with a decimal comma must not change anything (when the system has one).
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  std::string saved = old ? old : "C";
  std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  struct F {
    const char* text;
    bool ok;
    double value;
  };
  const F floats[] = {{"1.5", true, 1.5},   {"1,5", false, 0},    {"-2.5E3", true, -2500}, {"1.5E2", true, 150},
                      {"+3", true, 3},      {"abc", false, 0},    {"inf", false, 0},       {"nan", false, 0},
                      {"", false, 0},       {" 1", false, 0},     {"0x10", false, 0},      {"1e400", false, 0}};
  for (const F& f : floats) {
    double v = -1;
    EXPECT_EQ(TryXmlStrToFloat(std::string_view(f.text), v), f.ok) << f.text;
    EXPECT_EQ(XmlStrToFloat(std::string_view(f.text)), f.value) << f.text;
  }
  struct I {
    const char* text;
    bool ok;
    int32_t value;
  };
  const I ints[] = {{"12", true, 12},          {"  -7", true, -7},        {"$FFFFFFFF", true, -1},
                    {"0x10", true, 16},        {"X1f", true, 31},         {"12.5", false, 0},
                    {"abc", false, 0},         {"4294967296", false, 0},  {"2147483647", true, 2147483647},
                    {"-2147483648", true, INT32_MIN}, {"$123456789", false, 0}, {"", false, 0}, {"5 ", false, 0}};
  for (const I& i : ints) {
    int32_t v = 99;
    EXPECT_EQ(TryXmlStrToInt(std::string_view(i.text), v), i.ok) << i.text;
    if (i.ok) {
      EXPECT_EQ(v, i.value) << i.text;
    }
  }
  EXPECT_EQ(XmlHexStrToIntDef(u"#FF0000", 7), 16711680);
  EXPECT_EQ(XmlHexStrToIntDef(u"12", 7), 12);
  EXPECT_EQ(XmlHexStrToIntDef(u"#XYZ", 7), 7);
  EXPECT_EQ(XmlHexStrToIntDef(u"0x10", 7), 16);
  EXPECT_EQ(XmlFloatToStr(1e20), u"1E20");
  EXPECT_EQ(XmlFloatToStr(1.5e-7), u"1.5E-7");
  EXPECT_EQ(XmlFloatToStr(0.1), u"0.1");
  EXPECT_EQ(XmlFloatToStr(-2500), u"-2500");
  EXPECT_EQ(XmlIntToStr(-12), u"-12");
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(XmlValues_Text, HelpersTableOfCases) {
  std::u16string t = u"A1 B2", head;
  XmlSplitAtChar(u' ', t, head);
  EXPECT_EQ(head, u"A1");
  EXPECT_EQ(t, u"B2");
  t = u"A1";
  XmlSplitAtChar(u' ', t, head);
  EXPECT_EQ(head, u"A1");
  EXPECT_EQ(t, u"");
  std::u16string ws = u"\r\na\tb\n\rc\n";
  XmlNormalizeWhitespace(ws);
  EXPECT_EQ(ws, u"ab c");
  EXPECT_EQ(XmlStripPrefix(u"r:id"), u"id");
  EXPECT_EQ(XmlStripPrefix(u"id"), u"id");
  EXPECT_EQ(XmlCharPos(u'b', u"abcb"), 2);
  EXPECT_EQ(XmlLastCharPos(u'b', u"abcb"), 4);
  EXPECT_EQ(XmlCharPos(u'z', u"abcb"), -1);
  EXPECT_EQ(DecodeBase64("SGVsbG8="), "Hello");
  EXPECT_EQ(DecodeBase64("SGVs\r\nbG8"), "Hello");
  EXPECT_EQ(DecodeBase64("QQ"), "A");
  EXPECT_EQ(DecodeBase64("Q"), "");
}

TEST(XmlValues_DateTime, IsoTextBothWays) {
  // 2021-03-04 05:06:07.890 is day 44259 after 1899-12-30.
  double dt = 44259 + (5 * 3600 + 6 * 60 + 7.89) / 86400.0;
  EXPECT_EQ(XmlDateTimeToStr(dt), u"2021-03-04T05:06:07Z");
  EXPECT_NEAR(XmlStrToDateTime(u"2021-03-04T05:06:07.89Z"), dt, 1e-9);
  EXPECT_EQ(XmlStrToDateTime(u"2021-03-04"), 44259);
  EXPECT_EQ(XmlStrToDateTime(u"04.03.2021"), 0);
  EXPECT_EQ(XmlStrToDateTime(u"2021-13-04"), 0);
  TXpgDateTime v;
  EXPECT_THROW(TryXmlStrToDateTime(u"2021-03-04", v), std::runtime_error);
}

TEST(XpgLists_Typed, DelimitedTextAndErrors) {
  int errors = 0;
  TExtendedXpgList f;
  f.OnError = [&](TBaseXpgList&) { ++errors; };
  f.SetDelimitedText(u"1.5 x -2");
  EXPECT_EQ(f.Count(), 2);
  EXPECT_EQ(errors, 1);
  EXPECT_EQ(f.GetDelimitedText(), u"1.5 -2");
  TBooleanXpgList b;
  b.SetDelimitedText(u"true FALSE 1");
  EXPECT_EQ(b.GetDelimitedText(), u"True False");
  EXPECT_THROW(b.Add(u"yes"), std::runtime_error);
  TLongwordXpgList l;
  l.SetDelimitedText(u"1 $10");
  EXPECT_EQ(l.GetDelimitedText(), u"1 16");
  EXPECT_THROW(l.Add(u"q"), std::runtime_error);
  TStringXpgList s;
  s.SetDelimitedText(u"A1:B2 C3");
  EXPECT_EQ(s.Count(), 2);
  EXPECT_EQ(s.GetItems(1), u"C3");
  EXPECT_THROW(s.GetItems(2), std::out_of_range);
  s.SetDelimitedText(u"");
  EXPECT_EQ(s.Count(), 0);
  TTDateTimeXpgList d;
  EXPECT_THROW(d.SetDelimitedText(u"2021-03-04"), std::runtime_error);
}

}  // namespace
}  // namespace xls
