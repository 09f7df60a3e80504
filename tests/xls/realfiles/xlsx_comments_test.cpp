// Comments of real packages read through the editing layer's comment list, against openpyxl's
// reading of the same files (sheet, cell, author and text): tests/data/xlsx/*-objects.xlsx
// (written by xlsxwriter and re-saved by LibreOffice; the comment lines of NAME.dump) and
// tests/data/editing/comments-*.xlsx (xlsxwriter with the author "Ann", and LibreOffice's
// Annotations.insertNew through python3-uno; NAME.expect). On the latter, comments are also
// replaced and deleted by area.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/textcodec.h"
#include "tests/xls/realfiles/realfiles.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlscellarea.h"
#include "xls/model/xlscomments.h"
#include "xls/model/xlsstylesheet.h"
#include "xls/xlsxreader/xlsreadxlsx.h"

namespace {

// One line per comment of the book: comment, sheet, cell, author, text.
std::vector<std::string> CommentLines(xls::TXLSBook& book) {
  std::vector<std::string> lines;
  for (size_t s = 0; s < book.Count(); ++s) {
    xls::TXLSWorksheet& sheet = *book.Items(s);
    xls::TXLSComments& comments = sheet.Comments();
    for (size_t i = 0; i < comments.Count(); ++i) {
      const xls::TXLSComment& c = *comments.Items(i);
      lines.push_back("comment\t" + kws::test::Escaped(sheet.Name()) + '\t' +
                      kws::Utf16ToUtf8(xls::ColRowToRefStr(c.Col(), c.Row())) + '\t' +
                      kws::test::Escaped(c.Author()) + '\t' + kws::test::Escaped(c.PlainText()));
    }
  }
  return lines;
}

TEST(XLSComments_RealFiles, AuthorsAndTextsMatchOpenpyxl) {
  xls::RegisterXLSXReader();
  for (const char* name : {"xlsxwriter-objects", "libreoffice-objects"}) {
    SCOPED_TRACE(name);
    const auto dir = kws::test::RealFilesDir("xlsx");
    std::vector<std::string> want;
    for (const std::string& line : kws::test::ReadLines(dir / (std::string(name) + ".dump")))
      if (line.starts_with("comment\t")) want.push_back(line);
    ASSERT_FALSE(want.empty());
    xls::TXLSBook book;
    book.LoadFromFile(dir / (std::string(name) + ".xlsx"));
    EXPECT_EQ(kws::test::DiffLineSets(want, CommentLines(book)), "");
  }
}

class XlsxComments : public kws::test::RealFileTest {
 protected:
  XlsxComments() : RealFileTest("editing") {}
  static void SetUpTestSuite() { xls::RegisterXLSXReader(); }
};

TEST_P(XlsxComments, Read_MatchOpenpyxl) {
  const std::vector<std::string> expected = kws::test::ReadLines(File(".expect"));
  ASSERT_FALSE(expected.empty());
  xls::TXLSBook book;
  book.LoadFromFile(File(".xlsx"));
  EXPECT_EQ(kws::test::DiffLineSets(expected, CommentLines(book), 50), "");
}

// Replacing, deleting over A1:B2 and the text without the author on a read file: what is left is
// openpyxl's reading without A1 and B2, and the comment fonts' uses go back to 0.
TEST_P(XlsxComments, EditsOverReadComments) {
  std::vector<std::string> expected = kws::test::ReadLines(File(".expect"));
  xls::TXLSBook book;
  book.LoadFromFile(File(".xlsx"));
  xls::TXLSComments& comments = book.Items(0)->Comments();
  const size_t count = comments.Count();
  ASSERT_NE(comments.FindIndex(0, 0), -1);
  comments.SetDefaultAuthor(u"Ann");
  xls::TXLSComment* added = comments.Add(0, 0, u"replaced");  // A1's comment is replaced
  EXPECT_EQ(comments.Count(), count);
  EXPECT_EQ(added->PlainText(), u"Ann:\rreplaced");
  EXPECT_EQ(added->PlainTextNoAuthor(), u"\rreplaced");
  xls::TXc12Fonts& fonts = book.Manager().StyleSheet().Fonts();
  xls::TXc12Font* bold = fonts.MakeCommentFont(true);
  xls::TXc12Font* regular = fonts.MakeCommentFont(false);
  EXPECT_EQ(bold->RefCount(), 1);
  EXPECT_EQ(regular->RefCount(), 1);
  comments.Delete(0, 0, 1, 1);  // A1:B2
  EXPECT_EQ(bold->RefCount(), 0);
  EXPECT_EQ(regular->RefCount(), 0);
  const std::string sheet = kws::test::Escaped(book.Items(0)->Name());
  std::erase_if(expected, [&](const std::string& l) {
    return l.starts_with("comment\t" + sheet + "\tA1\t") || l.starts_with("comment\t" + sheet + "\tB2\t");
  });
  EXPECT_EQ(kws::test::DiffLineSets(expected, CommentLines(book), 50), "");
  EXPECT_NE(comments.FindIndex(2, 0), -1);  // C1 stays
}

const char* const kCommentFixtures[] = {"comments-xlsxwriter", "comments-libreoffice"};
INSTANTIATE_TEST_SUITE_P(Fixtures, XlsxComments, testing::ValuesIn(kCommentFixtures), kws::test::FixtureTestName);

}  // namespace
