#include "xls/model/xlsutils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace xls {
namespace {

TEST(Utils_CharSearch, PositionsAndSplit) {
  EXPECT_EQ(FindCharPos(u'!', u"Sheet1!A1"), 7);
  EXPECT_EQ(FindCharPos(u'!', u""), -1);
  EXPECT_EQ(FindCharPos(u'?', u"abc"), -1);
  EXPECT_EQ(FindLastCharPos(u'!', u"a!b!c"), 4);
  EXPECT_EQ(FindLastCharPos(u'!', u"abc"), -1);

  std::u16string text = u"Sheet1!A1:B2", head;
  SplitAtChar(u'!', text, head);
  EXPECT_EQ(head, u"Sheet1");
  EXPECT_EQ(text, u"A1:B2");
  text = u"NoMark";
  SplitAtChar(u'!', text, head);
  EXPECT_EQ(head, u"NoMark");
  EXPECT_EQ(text, u"");
}

TEST(Utils_CRC32, RegisterWithoutFinalInversion) {
  EXPECT_EQ(CRC32Bytes("abc", 3), 0xCADBBE3Du);
  EXPECT_EQ(~CRC32Bytes("123456789", 9), 0xCBF43926u);  // the standard check value
  EXPECT_EQ(CRC32Bytes("abc", 0), 0xFFFFFFFFu);
  EXPECT_EQ(CRC32Bytes("abc", -5), 0xFFFFFFFFu);
}

// The verifier as [MS-OFFCRYPTO] 2.3.7.1 writes it (length byte first, bytes walked backwards,
// shift left with the 0x4000 bit carried in), an independent form of the same hash.
uint16_t ReferenceVerifier(std::string_view pw) {
  std::string bytes(1, char(pw.size()));
  bytes += pw;
  uint16_t v = 0;
  for (auto it = bytes.rbegin(); it != bytes.rend(); ++it) {
    const uint16_t i1 = (v & 0x4000) ? 1 : 0;
    const uint16_t i2 = (v * 2) & 0x7FFF;
    v = (i1 | i2) ^ static_cast<unsigned char>(*it);
  }
  return v ^ 0xCE4B;
}

TEST(Utils_LegacyPasswordHash, MatchesPublishedVerifier) {
  for (std::string_view pw : {"", "a", "secret", "abcdefghij", "\xff\xfe\x80zz", "fifteenchars123"})
    EXPECT_EQ(LegacyPasswordHash(pw), ReferenceVerifier(pw)) << pw;
  EXPECT_EQ(LegacyPasswordHash("secret"), 0xDAA7);
  // Only the first 15 characters count.
  EXPECT_EQ(LegacyPasswordHash("fifteenchars123XYZ"), LegacyPasswordHash("fifteenchars123"));
}

TEST(Utils_Clamp, BoundsAndNaN) {
  EXPECT_EQ(ClampFloat(5, 0, 1), 1);
  EXPECT_EQ(ClampFloat(-5, 0, 1), 0);
  EXPECT_EQ(ClampFloat(0.5, 0, 1), 0.5);
  EXPECT_EQ(ClampFloat(std::numeric_limits<double>::quiet_NaN(), 0, 1), 0);
  EXPECT_EQ(ClampInt(7, 0, 5), 5);
  EXPECT_EQ(ClampInt(-7, 0, 5), 0);
}

TEST(Utils_Conversions, SmallRoutines) {
  EXPECT_EQ(SwapRedBlue(0xAA112233u), 0x332211u);
  EXPECT_EQ(Spaces(3), u"      ");
  EXPECT_EQ(Spaces(-1), u"");
  EXPECT_DOUBLE_EQ(EMUToCm(720000), 2.0);
  EXPECT_EQ(CmToEMU(1.5), 540000);
  EXPECT_TRUE(Is8BitText(u""));
  EXPECT_TRUE(Is8BitText(u"caf\u00ff"));
  EXPECT_FALSE(Is8BitText(u"\u0100"));
  for (auto [in, out] : {std::pair<std::u16string, std::u16string>{u"\"ab\"", u"ab"},
                         {u"'x'", u"x"},
                         {u"\"ab'", u"\"ab'"},
                         {u"\"", u"\""},
                         {u"''", u""}}) {
    StripQuotes(in);
    EXPECT_EQ(in, out);
  }
}

TEST(Utils_HSLToRGB, GreyPrimariesAndLightness) {
  EXPECT_EQ(HSLToRGB(0x000080), 0x808080u);  // no saturation: grey
  EXPECT_EQ(HSLToRGB(0x00FF80), 0xFF0101u);  // hue 0: red (lightness 128/255)
  EXPECT_EQ(HSLToRGB(0x55FF80), 0x01FF01u);  // hue 1/3: green
  EXPECT_EQ(HSLToRGB(0xAAFF80), 0x0101FFu);  // hue 2/3: blue
  EXPECT_EQ(HSLToRGB(0x00FFFF), 0xFFFFFFu);
}

TEST(Utils_AdjustRangeOnDelete, EveryPosition) {
  struct Case {
    int32_t d1, d2;
    bool kept;
    int32_t first, last;
  } cases[] = {
      {2, 3, true, 3, 8},    // before
      {4, 6, true, 4, 7},    // covers the start
      {4, 12, false, 5, 10}, // covers it whole
      {5, 10, false, 5, 10},
      {6, 7, true, 5, 8},    // inside
      {9, 12, true, 5, 8},   // covers the end
      {11, 12, true, 5, 10}, // after
  };
  for (const auto& c : cases) {
    int32_t f = 5, l = 10;
    EXPECT_EQ(AdjustRangeOnDelete(f, l, c.d1, c.d2), c.kept) << c.d1 << ".." << c.d2;
    EXPECT_EQ(f, c.first) << c.d1 << ".." << c.d2;
    EXPECT_EQ(l, c.last) << c.d1 << ".." << c.d2;
  }
}

TEST(Utils_Lists, IntegerListStackAndIndexObjects) {
  TIntegerStack st;
  st.Push(4);
  st.Add(9);
  EXPECT_EQ(st.Items(1), 9);
  EXPECT_THROW(st.Items(2), std::out_of_range);
  EXPECT_EQ(st.Pop(), 9);
  EXPECT_EQ(st.Pop(), 4);
  EXPECT_THROW(st.Pop(), std::out_of_range);

  TIndexObjectList list;
  for (int i = 0; i < 4; ++i) EXPECT_EQ(list.Add(std::make_unique<TIndexObject>())->Index(), i);
  TIndexObject* last = list.Items(3);
  list.Delete(1);
  EXPECT_EQ(last->Index(), 2);
  auto taken = list.Extract(0);
  EXPECT_EQ(last->Index(), 1);
  EXPECT_EQ(list.Count(), 2u);
  EXPECT_THROW(list.Items(2), std::out_of_range);
  EXPECT_EQ(list.Items(0)->RequestObject(nullptr), nullptr);
}

TEST(Utils_PointerMemoryStream, ReadsWithoutCopy) {
  const char data[] = "hello";
  TPointerMemoryStream s;
  s.SetStreamData(data, 5);
  char buf[8] = {};
  EXPECT_EQ(s.Read(buf, 3), 3u);
  EXPECT_EQ(s.Read(buf + 3, 8), 2u);
  EXPECT_STREQ(buf, "hello");
  EXPECT_EQ(s.Read(buf, 1), 0u);
  s.Seek(100);
  EXPECT_EQ(s.Position(), 5u);
  EXPECT_EQ(s.Bytes().data(), reinterpret_cast<const std::byte*>(data));
}

}  // namespace
}  // namespace xls
