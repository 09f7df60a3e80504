// Comments of real packages (tests/data/xlsx/*-objects.xlsx, written by xlsxwriter and re-saved by
// LibreOffice) read through the editing layer's comment list, against the comment lines of
// NAME.dump, which openpyxl read from the same files: sheet, cell, author and text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/textcodec.h"
#include "tests/xls/realfiles/realfiles.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlscellarea.h"
#include "xls/model/xlscomments.h"
#include "xls/xlsxreader/xlsreadxlsx.h"

namespace {

TEST(XLSComments_RealFiles, AuthorsAndTextsMatchOpenpyxl) {
  xls::RegisterXLSXReader();
  for (const char* name : {"xlsxwriter-objects", "libreoffice-objects"}) {
    SCOPED_TRACE(name);
    const auto dir = kws::test::RealFilesDir("xlsx");
    std::vector<std::string> want, got;
    for (const std::string& line : kws::test::ReadLines(dir / (std::string(name) + ".dump")))
      if (line.starts_with("comment\t")) want.push_back(line);
    ASSERT_FALSE(want.empty());
    xls::TXLSBook book;
    book.LoadFromFile(dir / (std::string(name) + ".xlsx"));
    for (size_t s = 0; s < book.Count(); ++s) {
      xls::TXLSWorksheet& sheet = *book.Items(s);
      xls::TXLSComments& comments = sheet.Comments();
      for (size_t i = 0; i < comments.Count(); ++i) {
        const xls::TXLSComment& c = *comments.Items(i);
        got.push_back("comment\t" + kws::test::Escaped(sheet.Name()) + '\t' +
                      kws::Utf16ToUtf8(xls::ColRowToRefStr(c.Col(), c.Row())) + '\t' +
                      kws::test::Escaped(c.Author()) + '\t' + kws::test::Escaped(c.PlainText()));
      }
    }
    EXPECT_EQ(kws::test::DiffLineSets(want, got), "");
  }
}

}  // namespace
