// The editing layer's comments: adding with an author, replacing, finding, deleting by index and
// by area, the text without the author, and the uses of the comment fonts.
#include "xls/model/xlscomments.h"

#include <gtest/gtest.h>

#include "xls/model/xlsbook.h"
#include "xls/model/xlssheetparts.h"
#include "xls/model/xlsstylesheet.h"
#include "xls/model/xlsworksheetdata.h"

namespace xls {
namespace {

TEST(TXLSComments_Add, AuthorTextRunsAndBox) {
  TXLSBook book;
  TXLSComments& comments = book.Items(0)->Comments();
  comments.SetDefaultAuthor(u"Ann");
  TXLSComment* c = comments.Add(2, 3, u"Check this");
  ASSERT_EQ(comments.Count(), 1u);
  EXPECT_EQ(c->Col(), 2);
  EXPECT_EQ(c->Row(), 3);
  EXPECT_EQ(c->Author(), u"Ann");
  EXPECT_EQ(c->PlainText(), u"Ann:\rCheck this");
  EXPECT_EQ(c->PlainTextNoAuthor(), u"\rCheck this");
  const TXc12Comment& data = *c->Xc12Comment();
  ASSERT_EQ(data.FFontRuns.size(), 2u);
  EXPECT_EQ(data.FFontRuns[0].Index, 0);
  EXPECT_TRUE(data.FFontRuns[0].Font->Style().Contains(TXc12FontStyle::xfsBold));
  EXPECT_EQ(data.FFontRuns[0].Font->Name(), u"Tahoma");
  EXPECT_EQ(data.FFontRuns[1].Index, 4);
  EXPECT_FALSE(data.FFontRuns[1].Font->Style().Contains(TXc12FontStyle::xfsBold));
  EXPECT_EQ(data.FCol1, 1);
  EXPECT_EQ(data.FCol2, 4);
  EXPECT_EQ(data.FRow1, 1);
  EXPECT_EQ(data.FRow2, 6);
  EXPECT_EQ(data.FColor, 0x00FFFFE1u);
  EXPECT_TRUE(data.FVML.starts_with(u"<v:shape id=\"vodka_"))
      << std::string(data.FVML.begin(), data.FVML.end());
  EXPECT_NE(data.FVML.find(u"<x:ClientData ObjectType=\"Note\">"), std::u16string::npos);
  EXPECT_TRUE(c->Visible());

  // Without an author: one plain run, and the text as given.
  comments.SetDefaultAuthor(u"");
  TXLSComment* plain = comments.Add(0, 0, u"x:y");
  ASSERT_EQ(plain->Xc12Comment()->FFontRuns.size(), 1u);
  EXPECT_EQ(plain->PlainText(), u"x:y");
  EXPECT_EQ(plain->PlainTextNoAuthor(), u"x:y");
  EXPECT_EQ(plain->Author(), u"");
  EXPECT_EQ(comments.Xc12Comments().Authors().Count(), 2u);  // "Ann" and the empty name
}

TEST(TXLSComments_Add, SameCellReplaces) {
  TXLSBook book;
  TXLSComments& comments = book.Items(0)->Comments();
  comments.SetDefaultAuthor(u"Ann");
  comments.Add(1, 1, u"first");
  comments.SetAsPlainText(1, 1, u"second");
  ASSERT_EQ(comments.Count(), 1u);
  EXPECT_EQ(comments.Items(0)->PlainTextNoAuthor(), u"\rsecond");
  EXPECT_EQ(comments.FindIndex(1, 1), 0);
  EXPECT_EQ(comments.FindIndex(1, 2), -1);
  EXPECT_EQ(comments.Xc12Comments().Authors().Count(), 1u);
}

TEST(TXLSComments_Delete, AreaKeepsTheRestInOrder) {
  TXLSBook book;
  TXLSComments& comments = book.Items(0)->Comments();
  const int32_t cells[][2] = {{0, 0}, {2, 0}, {1, 0}, {0, 1}, {3, 3}, {1, 1}};
  for (const auto& cell : cells) comments.Add(cell[0], cell[1], u"t");
  comments.Delete(0, 0, 1, 1);  // A1:B2
  ASSERT_EQ(comments.Count(), 2u);
  EXPECT_EQ(comments.Items(0)->Col(), 2);  // C1
  EXPECT_EQ(comments.Items(1)->Col(), 3);  // D4
  EXPECT_EQ(comments.Xc12Comments().Count(), 2u);
  EXPECT_EQ(comments.Xc12Comments().Find(2, 0), comments.Items(0)->Xc12Comment());
  EXPECT_EQ(comments.Xc12Comments().Find(0, 0), nullptr);
  comments.Delete(1);
  ASSERT_EQ(comments.Count(), 1u);
  EXPECT_EQ(comments.Items(0)->Col(), 2);
  EXPECT_THROW(comments.Delete(5), std::out_of_range);
}

TEST(TXLSComments_Fonts, RemovedRunsGiveTheirUsesBack) {
  TXLSBook book;
  TXLSComments& comments = book.Items(0)->Comments();
  comments.SetDefaultAuthor(u"Ann");
  TXc12Fonts& fonts = book.Manager().StyleSheet().Fonts();
  TXLSComment* a = comments.Add(0, 0, u"a");
  comments.Add(1, 0, u"b");
  TXc12Font* bold = fonts.MakeCommentFont(true);
  TXc12Font* regular = fonts.MakeCommentFont(false);
  EXPECT_EQ(bold->RefCount(), 2);
  EXPECT_EQ(regular->RefCount(), 2);
  a->Xc12Comment()->FPhoneticRuns.push_back({0, 1, u"\u3042"});
  a->SetPlainText(u"new text");  // the runs go, and their uses; the phonetic runs with them
  EXPECT_TRUE(a->Xc12Comment()->FFontRuns.empty());
  EXPECT_TRUE(a->Xc12Comment()->FPhoneticRuns.empty());
  EXPECT_EQ(bold->RefCount(), 1);
  comments.Delete(1);
  EXPECT_EQ(bold->RefCount(), 0);
  EXPECT_EQ(regular->RefCount(), 0);
  comments.Add(2, 2, u"c");
  comments.Add(2, 2, u"d");  // the replaced comment's uses are given back
  EXPECT_EQ(bold->RefCount(), 1);
}

TEST(TXLSComments_Sync, FollowsTheDataList) {
  TXLSBook book;
  TXLSWorksheet& sheet = *book.Items(0);
  TXLSComments& comments = sheet.Comments();
  TXc12Comment* data = sheet.Xc12Sheet().Comments().Add();  // as a reader adds one
  data->SetCol(4);
  data->SetRow(5);
  data->FText = u"read";
  ASSERT_EQ(comments.Count(), 1u);
  EXPECT_EQ(comments.Items(0)->PlainText(), u"read");
  EXPECT_EQ(comments.FindIndex(4, 5), 0);
}

}  // namespace
}  // namespace xls
