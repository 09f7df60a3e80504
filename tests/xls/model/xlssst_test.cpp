#include "xls/model/xlssst.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "xls/model/xlserrors.h"

namespace xls {
namespace {

class FontCounter : public TXLSStyleUseCounter {
 public:
  void UseStyle(int32_t) override {}
  void FreeStyle(int32_t) override {}
  void FreeFonts(const TXc12FontRun*, size_t count) override { Freed += int(count); }
  int Freed = 0;
};

TEST(SST_AddString, SharesEqualTextsAndReusesFreedSlots) {
  TXc12DataSST sst;
  const int32_t a = sst.AddString(u"alpha");
  EXPECT_EQ(sst.AddString(u"alpha"), a);
  sst.UsesString(a);
  sst.UsesString(a);
  EXPECT_EQ(sst.GetItems(a)->RefCount, 2);
  const int32_t b = sst.AddString(u"beta");
  const int32_t c = sst.AddString(u"gamma");
  sst.UsesString(b);
  sst.UsesString(c);
  sst.ReleaseString(b);  // inner slot: kept for reuse
  EXPECT_EQ(sst.TotalCount(), 3);
  EXPECT_EQ(sst.GetItems(b), nullptr);
  EXPECT_EQ(sst.AddString(u"delta"), b);
  sst.ReleaseString(c);  // last slot: the table shrinks
  EXPECT_EQ(sst.TotalCount(), 2);
  EXPECT_THROW(sst.GetItemText(2), XLSRWException);
  EXPECT_THROW(sst.GetItemText(-1), XLSRWException);
  sst.ReleaseString(b);  // delta had no use: freed at once
  EXPECT_THROW(sst.UsesString(b), XLSRWException);
}

TEST(SST_AddString, EqualTextsFromAReaderNeverYieldAFreedSlot) {
  TXc12DataSST sst;
  for (int i = 0; i < 9; ++i) sst.FileAddString(i == 3 || i == 7 ? u"same" : u"t" + std::u16string(1, char16_t('0' + i)));
  sst.AfterRead();
  EXPECT_EQ(sst.AddString(u"same"), 7);  // the highest index wins
  sst.UsesString(3);
  sst.UsesString(7);
  sst.ReleaseString(7);  // releases slot 7's own hash entry, not slot 3's
  EXPECT_EQ(sst.GetItems(7), nullptr);
  EXPECT_EQ(sst.AddString(u"same"), 3);
  sst.UsesString(0);
  sst.ReleaseString(0);
  sst.AfterRead();
  EXPECT_EQ(sst.AddString(u"same"), 3);
}

TEST(SST_Escape, PackageEscapesOnlyValidHexForms) {
  struct Case {
    std::u16string_view in, stored;
  } cases[] = {
      {u"a_x0041_b", u"a_x005F_x0041_b"},
      {u"_x00G1_", u"_x00G1_"},
      {u"_X0041_", u"_X0041_"},
      {u"_x00ff__x0041_", u"_x005F_x00ff__x005F_x0041_"},
  };
  for (const auto& c : cases) {
    TXc12DataSST sst;
    EXPECT_EQ(sst.GetItemText(sst.AddString(c.in)), c.stored);
  }
  TXc12DataSST legacy;
  legacy.SetIsExcel97(true);
  EXPECT_EQ(legacy.GetItemText(legacy.AddString(u"a_x0041_b")), u"a_x0041_b");
}

TEST(SST_Kinds, CompressionRawAndLongTexts) {
  TXc12DataSST sst;
  struct Case {
    std::u16string_view text;
    uint8_t kind;
  } cases[] = {{u"", 0}, {u"caf\u00e9", 0}, {u"\u20ac5", 1}};
  for (const auto& c : cases) {
    const int32_t i = sst.AddString(c.text);
    EXPECT_EQ(sst.GetItems(i)->Options, c.kind);
    EXPECT_EQ(sst.GetItemText(i), c.text);
  }
  const uint8_t raw[] = {'A', 9, 'B', 13, 10, 'C', 0xE9};
  const int32_t r8 = sst.AddRawString(sizeof raw, raw);
  EXPECT_EQ(sst.GetItemText(r8), u"AB\nC\u00e9");  // 8-bit entries read as Latin-1
  const char16_t raw16[] = {u'A', 9, u'B', 13, 10, u'C'};
  EXPECT_EQ(sst.GetItemText(sst.AddRawString(6, raw16)), u"AB\r\nC");

  const std::u16string big(70000, u'\u4e2d');
  const int32_t l = sst.AddString(big);
  EXPECT_EQ(sst.GetItems(l)->Len, 70000u);
  EXPECT_EQ(sst.GetItemText(l), big);

  TXc12DataSST wide;
  wide.SetCompressStrings(false);
  EXPECT_EQ(wide.GetItems(wide.AddString(u"abc"))->Options, 1);
}

// Readers' entries are carved from shared blocks: texts of every size (one larger than a block)
// keep their contents side by side, and the hash made after a load finds 8-bit and 16-bit ones.
TEST(SST_Reader, ManyEntriesKeepTheirTextsAndAreFoundAfterTheLoad) {
  TXc12DataSST sst;
  std::vector<std::u16string> texts;
  for (int i = 0; i < 5000; ++i) {
    const std::string n = std::to_string(i);
    std::u16string t = u"word" + std::u16string(n.begin(), n.end()) +
                       std::u16string(size_t(i % 37), char16_t(u'a' + i % 26));
    if (i % 3 == 0) t += u'\u4e2d';
    texts.push_back(t);
  }
  texts.push_back(std::u16string(40000, u'\u00e9') + u"z");
  texts.push_back(u"");
  for (const auto& t : texts) {
    if (t.find(u'\u4e2d') != std::u16string::npos)
      sst.AddRawString(t.size(), t.data());
    else
      sst.FileAddString(t);
  }
  sst.AfterRead();
  for (size_t i = 0; i < texts.size(); ++i) ASSERT_EQ(sst.GetItemText(int32_t(i)), texts[i]) << i;
  const int32_t count = sst.TotalCount();
  for (size_t i : {size_t(0), size_t(3), size_t(4999), texts.size() - 2})
    EXPECT_EQ(sst.AddString(texts[i]), int32_t(i));
  EXPECT_EQ(sst.TotalCount(), count);  // nothing new: every one was found
  sst.Clear();
  EXPECT_EQ(sst.GetItemText(sst.AddRawString(3, u"abc")), u"abc");
}

TEST(SST_Rich, RunsAreKeptAndReleasedWithTheEntry) {
  FontCounter fonts;
  TXc12DataSST sst(&fonts);
  std::vector<TXc12FontRun> runs(70000);
  for (size_t i = 0; i < runs.size(); ++i) runs[i].Index = int32_t(i);
  const int32_t i = sst.AddFormattedString(u"rich", runs);
  const TXLSString& s = *sst.GetItems(i);
  EXPECT_EQ(s.Options, 8);
  EXPECT_TRUE(TXc12DataSST::IsFormattedString(s));
  ASSERT_EQ(TXc12DataSST::GetFontRunsCount(s), 70000u);
  EXPECT_EQ(TXc12DataSST::GetFontRuns(s)[69999].Index, 69999);
  EXPECT_EQ(sst.AddString(u"rich"), i + 1);  // rich entries are not shared
  sst.UsesString(i);
  sst.ReleaseString(i);
  EXPECT_EQ(fonts.Freed, 70000);
  sst.AddFormattedString(u"again", runs);
  sst.Clear();  // the style sheet is cleared next: nothing released here
  EXPECT_EQ(fonts.Freed, 70000);
  EXPECT_EQ(sst.TotalCount(), 0);
}

}  // namespace
}  // namespace xls
