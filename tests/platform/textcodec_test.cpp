#include "platform/textcodec.h"

#include <gtest/gtest.h>

namespace kws {
namespace {

TEST(TextCodec_Utf8, RoundTripsAllPlanes) {
  const std::u16string text = u"abc \u00e9\u4e2d\u6587 \U0001F600";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
  EXPECT_EQ(Utf16ToUtf8(u"\u4e2d"), "\xe4\xb8\xad");
}

TEST(TextCodec_Utf8, MalformedSequencesBecomeReplacement) {
  struct Case {
    std::string in;
    std::u16string out;
    bool valid;
  } cases[] = {
      {"a\xc0\xafz", u"a\uFFFDz", false},      // overlong slash
      {"\xed\xa0\x80", u"\uFFFD", false},       // encoded surrogate
      {"ab\xe4\xb8", u"ab\uFFFD", false},       // truncated at the end
      {"\xe4" "a", u"\uFFFDa", false},          // broken by an ASCII byte
      {"\xf4\x90\x80\x80", u"\uFFFD", false},   // above U+10FFFF
      {"\xe4\xb8\xad", u"\u4e2d", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8ToUtf16(c.in), c.out) << c.in;
    EXPECT_EQ(IsValidUtf8(c.in), c.valid) << c.in;
  }
}

TEST(TextCodec_Charset, DecodesGb18030AndCodePages) {
  // "中文" in GB18030
  auto gb = DecodeCharset("\xd6\xd0\xce\xc4", "GB18030");
  ASSERT_TRUE(gb.has_value());
  EXPECT_EQ(*gb, u"\u4e2d\u6587");
  auto w = DecodeCharset("\x80", CharsetOfCodePage(1252));
  ASSERT_TRUE(w.has_value());
  EXPECT_EQ(*w, u"\u20ac");
  EXPECT_FALSE(DecodeCharset("x", "NO-SUCH-CHARSET").has_value());
  EXPECT_EQ(CharsetOfCodePage(12345), nullptr);
}

TEST(TextCodec_Charset, InvalidBytesDoNotStopDecoding) {
  auto s = DecodeCharset("a\xff" "b", "UTF-8");
  ASSERT_TRUE(s.has_value());
  EXPECT_EQ(*s, u"a\uFFFDb");
}

TEST(TextCodec_Case, FoldsOnlyAsciiLetters) {
  EXPECT_EQ(AsciiUpperCopy(u"abz\u00e9\u00ff{`"), u"ABZ\u00e9\u00ff{`");
  EXPECT_TRUE(AsciiSameText(u"Sheet1", u"sHEET1"));
  EXPECT_FALSE(AsciiSameText(u"\u00e9", u"\u00c9"));
  EXPECT_FALSE(AsciiSameText(u"ab", u"abc"));
}

TEST(TextCodec_Utf16Bytes, BothByteOrdersAndOddTail) {
  EXPECT_EQ(Utf16BytesToString(std::string("a\0b\0c", 5), false), u"ab");
  EXPECT_EQ(Utf16BytesToString(std::string("\0a\0b", 4), true), u"ab");
}

}  // namespace
}  // namespace kws
