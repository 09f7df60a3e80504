#include "app/findtext.h"

#include <gtest/gtest.h>

#include "tests/support/pdfwriter.h"
#include "tests/support/tempdir.h"

namespace kws::app {
namespace {

std::string Utf16Bytes(std::u16string_view s, bool bigEndian) {
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t c : s) {
    const char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
  }
  return out;
}

TEST(FindInTextBytes, EncodingsAndKeywordRules) {
  struct Case {
    const char* what;
    std::string bytes;
    std::u16string findtxt;
    bool found;
  };
  // "中文" in GB18030 is D6 D0 CE C4; these bytes are not valid UTF-8.
  const std::string gb = "abc \xD6\xD0\xCE\xC4 xyz";
  const Case cases[] = {
      {"utf8 plain", "hello world", u"world", true},
      {"case sensitive", "hello world", u"WORLD", false},
      {"second keyword", "hello world", u"nope,world", true},
      {"blanks removed", "helloworld", u"hello world", true},
      {"blank keyword after removal", "a b", u" ,  ", false},
      {"empty keyword never matches", "text", u",", false},
      {"quoted keyword with comma", "1,5 kg", u"\"1,5\"", true},
      {"utf8 cjk", "前言 中文 后记", u"中文", true},
      {"utf8 bom", "\xEF\xBB\xBF中文", u"中文", true},
      {"utf16 le", Utf16Bytes(u"x 中文 y", false), u"中文", true},
      {"utf16 be", Utf16Bytes(u"x 中文 y", true), u"中文", true},
      {"utf16 le miss", Utf16Bytes(u"abc", false), u"abd", false},
      {"gb18030", gb, u"中文", true},
      {"gb18030 ascii", gb, u"xyz", true},
      {"gb18030 miss", gb, u"英文", false},
      {"empty file", "", u"a", false},
  };
  for (const Case& c : cases) EXPECT_EQ(FindInTextBytes(c.bytes, c.findtxt), c.found) << c.what;
}

TEST(findintxt, ReadsFilesAndRaisesOnMissing) {
  test::TempDir dir;
  TFindText routines;
  const std::string big(300000, 'x');
  EXPECT_TRUE(routines.findintxt(dir.Write("big.txt", big + "needle" + big), u"needle"));
  EXPECT_FALSE(routines.findintxt(dir.Write("small.txt", "hay"), u"needle"));
  EXPECT_THROW(routines.findintxt(dir.path() / "missing.txt", u"x"), std::runtime_error);
}

TEST(findinpdf, WholeWordsCaseCjkAndBlanks) {
  test::TempDir dir;
  TFindText routines;
  const auto file = dir.Write("a.pdf", test::MakePdf({{u"Cover"}, {u"Quarterly Results", u"年度报告摘要"}}));
  EXPECT_TRUE(routines.findinpdf(file, u"results"));
  EXPECT_TRUE(routines.findinpdf(file, u"missing, quarterly"));
  EXPECT_FALSE(routines.findinpdf(file, u"Quarter")) << "only the start of a longer word";
  EXPECT_TRUE(routines.findinpdf(file, u"报告"));
  EXPECT_FALSE(routines.findinpdf(file, u"Quarterly Results")) << "blanks are removed: the words are joined";
  EXPECT_FALSE(routines.pdfdoc.Active()) << "closed on every way out";
  EXPECT_THROW(routines.findinpdf(dir.Write("bad.pdf", "not a pdf"), u"x"), std::runtime_error);
  EXPECT_FALSE(routines.pdfdoc.Active());
}

}  // namespace
}  // namespace kws::app
