#include "app/findtext.h"

#include <gtest/gtest.h>

#include "platform/textcodec.h"
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

namespace kws::app {
namespace {

TEST(IsUtf8Text, AgreesWithSharedValidator) {
  // Random short strings over the bytes that matter (ASCII, continuation, every lead range) and
  // the boundary cases, each checked against the shared validator.
  const unsigned char alphabet[] = {'a', 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2, 0xDF,
                                    0xE0, 0xE1, 0xED, 0xEE, 0xEF, 0xF0, 0xF1, 0xF4, 0xF5, 0xFF};
  uint32_t seed = 12345;
  for (int round = 0; round < 20000; ++round) {
    seed = seed * 1103515245u + 12345u;
    std::string s(static_cast<size_t>(seed >> 28), 'x');  // 0..15 leading ASCII bytes
    const int len = 1 + static_cast<int>((seed >> 16) % 6);
    for (int k = 0; k < len; ++k) {
      seed = seed * 1103515245u + 12345u;
      s += static_cast<char>(alphabet[(seed >> 16) % sizeof(alphabet)]);
    }
    ASSERT_EQ(IsUtf8Text(s), IsValidUtf8(s)) << round;
  }
  EXPECT_TRUE(IsUtf8Text(std::string(40, 'a') + "\xF4\x8F\xBF\xBF"));
  EXPECT_FALSE(IsUtf8Text(std::string(40, 'a') + "\xED\xA0\x80"));
}

TEST(findintxt, StreamedChunksAndGb18030Tails) {
  test::TempDir dir;
  TFindText routines;
  const size_t chunk = 256u << 10;
  // A keyword across the first chunk boundary, ASCII and CJK; a CJK character split by it.
  const std::string pad(chunk - 3, 'x');
  const auto across = dir.Write("across.txt", pad + "needle" + pad);
  EXPECT_TRUE(routines.findintxt(across, u"needle"));
  EXPECT_TRUE(routines.findintxt(dir.Write("cjk.txt", pad + "中文" + pad), u"中文"));
  EXPECT_TRUE(routines.findintxt(dir.Write("split.txt", std::string(chunk - 1, 'x') + "中 key"), u"中,nokey"));
  EXPECT_TRUE(routines.findintxt(dir.Write("split2.txt", std::string(chunk - 1, 'x') + "中 key"), u"key"));
  // A UTF-8 file whose only hit follows a non-ASCII byte is still a hit.
  EXPECT_TRUE(routines.findintxt(dir.Write("after.txt", pad + "中key"), u"key"));
  // In GB18030 text, 81 40 is one character: the bytes "@A" that follow 81 are not "@A".
  const auto gb = dir.Write("gb.txt", std::string("x\x81" "@A y", 6));
  EXPECT_FALSE(routines.findintxt(gb, u"@A"));
  EXPECT_TRUE(routines.findintxt(gb, u"A"));
  EXPECT_TRUE(routines.findintxt(dir.Write("gbcjk.txt", pad + "\xD6\xD0\xCE\xC4"), u"中文"));
  // The same bytes far into a file, after a chunk boundary.
  EXPECT_FALSE(routines.findintxt(dir.Write("gbfar.txt", pad + pad + "\x81@A"), u"@A"));
  // A UTF-8 mark is not text: a keyword at the very start follows it.
  EXPECT_TRUE(routines.findintxt(dir.Write("bom.txt", "\xEF\xBB\xBFkey"), u"key"));
  EXPECT_FALSE(routines.findintxt(dir.Write("trunc.txt", "abc\xE4\xB8"), u"\xE4"));
}

}  // namespace
}  // namespace kws::app
