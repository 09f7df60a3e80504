#include "platform/pdfdoc.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/support/pdfwriter.h"
#include "tests/support/tempdir.h"

namespace kws {
namespace {

TEST(PdfDocument_Find, PagesWordsCaseAndCjk) {
  test::TempDir dir;
  const auto file = dir.Write("a.pdf", test::MakePdf({{u"First page Alpha"}, {u"Searchable text here", u"中文关键字测试"}}));
  TPdfDocument doc;
  doc.Open(file);
  ASSERT_TRUE(doc.Active());
  ASSERT_EQ(doc.PageCount(), 2);
  doc.SetPageNumber(1);
  EXPECT_NE(doc.FindFirst(u"alpha", true), -1);
  EXPECT_EQ(doc.FindFirst(u"Searchable", true), -1);
  doc.SetPageNumber(2);
  EXPECT_NE(doc.FindFirst(u"SEARCHABLE", true), -1);
  EXPECT_EQ(doc.FindFirst(u"Search", true), -1) << "a word that only starts a longer word";
  EXPECT_NE(doc.FindFirst(u"Search", false), -1);
  EXPECT_NE(doc.FindFirst(u"关键字", true), -1) << "CJK inside a run of CJK";
  EXPECT_EQ(doc.FindFirst(u"", true), -1);
  EXPECT_THROW(doc.SetPageNumber(3), std::out_of_range);
  doc.Close();
  EXPECT_FALSE(doc.Active());
  EXPECT_EQ(doc.PageCount(), 0);
}

TEST(PdfDocument_Open, UnreadableFileThrows) {
  test::TempDir dir;
  TPdfDocument doc;
  EXPECT_THROW(doc.Open(dir.Write("bad.pdf", "%PDF-1.4 not really")), std::runtime_error);
  EXPECT_THROW(doc.Open(dir.path() / "missing.pdf"), std::runtime_error);
  EXPECT_FALSE(doc.Active());
}

TEST(PdfDocument_Open, LockedFileThrows) {
  // A file encrypted with a user password: text in it cannot be read without the password.
  const char* root = std::getenv("KWS_SOURCE_DIR");
  ASSERT_NE(root, nullptr);
  TPdfDocument doc;
  try {
    doc.Open(std::filesystem::path(root) / "tests/data/app/locked.pdf");
    FAIL() << "a locked PDF opened";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("locked"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(doc.Active());
}

}  // namespace
}  // namespace kws
