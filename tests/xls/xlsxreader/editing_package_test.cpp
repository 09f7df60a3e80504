// A package with odd column records and a very long link, loaded through the reader and read back
// through the editing layer's wrappers: col records unsorted and overlapping (the later record gives
// up the overlap), widths "1e999" and "NaN" read as 0, a 100,000-character address classified and kept.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "tests/xls/xlsxreader/readxlsx_fixtures.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlshyperlinks.h"
#include "xls/model/xlsrowscols.h"
#include "xls/model/xlsworksheetdata.h"
#include "xls/xlsxreader/xlsreadxlsx.h"

namespace {

using kws::test::TPackageBuilder;
using kws::test::WorksheetXml;

TEST(EditingPackage, OddColumnsAndLongLinkLoad) {
  xls::RegisterXLSXReader();
  const std::string longTail(100000, 'a');
  TPackageBuilder b;
  b.Sheet("S",
          WorksheetXml("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>",
                       "<hyperlinks><hyperlink ref=\"A1\" r:id=\"rIdH\"/>"
                       "<hyperlink ref=\"A2\" location=\"S!B" +
                           std::string(99990, '9') + "\"/></hyperlinks>",
                       "<cols><col min=\"6\" max=\"11\" width=\"1\"/><col min=\"3\" max=\"7\" width=\"2\"/>"
                       "<col min=\"8\" max=\"9\" width=\"3\"/><col min=\"1\" max=\"21\" width=\"4\"/>"
                       "<col min=\"30\" max=\"30\" width=\"1e999\" customWidth=\"1\"/>"
                       "<col min=\"31\" max=\"31\" width=\"NaN\" customWidth=\"1\"/></cols>"),
          "worksheet",
          "<Relationship Id=\"rIdH\" Type=\"" + std::string(kws::test::kRelNs) +
              "/hyperlink\" Target=\"http://example.com/" + longTail + "\" TargetMode=\"External\"/>");
  const std::string bytes = b.Bytes();
  xls::TXLSBook book;
  const auto start = std::chrono::steady_clock::now();
  book.LoadFromBytes(kws::test::AsSpan(bytes));
  xls::TXLSWorksheet& sheet = *book.Items(0);
  xls::TXLSColumns& cols = sheet.Columns();

  // Records (1-based in the file): 6..11 w1, 3..7 w2, 8..9 w3, 1..21 w4. Each later record gives up
  // what an earlier one holds.
  struct Want {
    int col;  // 0-based
    double width;
  } wants[] = {{0, 4}, {1, 4}, {2, 2}, {4, 2}, {5, 1}, {8, 1}, {10, 1}, {11, 4}, {20, 4}};
  for (const Want& w : wants) EXPECT_EQ(cols.Items(w.col)->CharWidth(), w.width) << w.col;
  EXPECT_EQ(cols.Items(21)->Width(), cols.DefaultWidth());
  // The XML layer reads "1e999" (out of range) and "NaN" as no number, 0; infinite and undefined
  // widths stored by other roads are clamped by the columns (Columns_Width.OddStoredWidthsAreClamped).
  for (int32_t c : {29, 30}) {
    EXPECT_EQ(cols.Items(c)->Width(), 0) << c;
    EXPECT_EQ(cols.Items(c)->PixelWidth(), 0) << c;
  }
  xls::TXc12Columns& recs = sheet.Xc12Sheet().Columns();
  for (size_t i = 1; i < recs.Count(); ++i)
    EXPECT_GT(recs.Items(i)->FMin, recs.Items(i - 1)->FMax) << i;  // sorted, no overlap

  auto* links = dynamic_cast<xls::TXLSHyperlinks*>(&sheet.Xc12Sheet().Hyperlinks());
  ASSERT_NE(links, nullptr);
  ASSERT_EQ(links->Count(), 2u);
  const xls::TXLSHyperlink* web = links->Items(0);
  EXPECT_EQ(web->HyperlinkType(), xls::TXLSHyperlinkType::xhltURL);
  EXPECT_EQ(web->Address(), u"http://example.com/" + std::u16string(longTail.begin(), longTail.end()));
  EXPECT_EQ(links->Items(1)->Address().size(), 99993u);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

}  // namespace
