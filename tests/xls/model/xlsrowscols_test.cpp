#include "xls/model/xlsrowscols.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/xls/model/editingcheck.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlscellmmu.h"
#include "xls/model/xlsstylesheet.h"
#include "xls/model/xlsworksheetdata.h"

namespace xls {
namespace {

struct Book {
  explicit Book(int ppi = 96, int stdWidth = 7) {
    styles.OnPixelsPerInch = [ppi](int& x, int& y) { x = y = ppi; };
    styles.Fonts().FStdFontWidth = stdWidth;
  }
  TXLSBook book;
  TXLSWorksheet& sheet = *book.Sheets(0);
  TXc12DataStyleSheet& styles = book.Manager().StyleSheet();
  TXLSRows& rows = sheet.Rows();
  TXLSColumns& cols = sheet.Columns();
  TXc12Columns& recs = sheet.Xc12Sheet().Columns();
  std::string Records() {
    std::string s;
    for (size_t i = 0; i < recs.Count(); ++i) {
      const TXc12Column& c = *recs.Items(i);
      s += std::to_string(c.FMin) + ".." + std::to_string(c.FMax) + ((c.FOptions & xcoHidden) ? "h" : "") +
           " ";
    }
    return s;
  }
};

TEST(Rows_Height, DefaultsHeadersAndCustomFlag) {
  Book b;
  EXPECT_EQ(b.rows.Items(10)->Height(), 300);
  EXPECT_EQ(b.rows.Items(10)->HeightPt(), 15);
  EXPECT_FALSE(b.rows.Items(10)->CustomHeight());
  b.rows.Items(4)->SetHeight(300);
  EXPECT_EQ(b.sheet.Cells().FindRow(4), nullptr);
  b.rows.Items(4)->SetHeight(400);
  ASSERT_NE(b.sheet.Cells().FindRow(4), nullptr);
  EXPECT_TRUE(b.rows.Items(4)->CustomHeight());
  b.rows.Items(4)->SetHeight(300);
  EXPECT_NE(b.sheet.Cells().FindRow(4), nullptr);
  EXPECT_FALSE(b.rows.Items(4)->CustomHeight());
  b.rows.Items(5)->SetPixelHeight(20);
  EXPECT_EQ(b.rows.Items(5)->Height(), 300);
  b.rows.Items(6)->SetHidden(false);  // changes nothing on a row without header
  EXPECT_EQ(b.sheet.Cells().FindRow(6), nullptr);
  b.rows.Items(6)->SetOutlineLevel(2);
  b.rows.Items(6)->SetOutlineLevel(-1);
  EXPECT_EQ(b.rows.Items(6)->OutlineLevel(), 2);
}

// Heights are clamped to 0..65534; the header value 65535 reads as the default.
TEST(Rows_Height, ClampedToTheHeaderRange) {
  Book b(0, 0);  // pixels per inch and standard width of 0 count as 1
  struct Case {
    int32_t set, read;
  } cases[] = {{70000, 65534}, {-5, 0}, {65535, 65534}, {1234, 1234}};
  for (const Case& c : cases) {
    b.rows.Items(1)->SetHeight(c.set);
    EXPECT_EQ(b.rows.Items(1)->Height(), c.read) << c.set;
  }
  b.sheet.Cells().FindRow(1)->Height = 0xFFFF;
  EXPECT_EQ(b.rows.Items(1)->Height(), 300);
  b.rows.Items(1)->SetPixelHeight(1);
  EXPECT_EQ(b.rows.Items(1)->Height(), 1440);
  EXPECT_EQ(b.cols.Items(0)->PixelWidth(), 9);
  b.rows.Items(1)->SetHeightPt(std::numeric_limits<double>::infinity());
  EXPECT_EQ(b.rows.Items(1)->Height(), 65534);
}

TEST(Rows_Format, ReachesExistingCellsOnly) {
  Book b;
  b.sheet.SetAsFloat(2, 3, 1);
  b.sheet.SetAsFloat(7, 3, 2);
  b.rows.Items(3)->SetFontName(u"Arial");
  EXPECT_EQ(b.sheet.CellFormat(2, 3).FontName(), u"Arial");
  EXPECT_EQ(b.sheet.CellFormat(7, 3).FontName(), u"Arial");
  EXPECT_EQ(b.sheet.GetCellType(4, 3), TXLSCellType::xctNone);
  EXPECT_EQ(b.rows.Items(3)->FontName(), u"Arial");
  b.sheet.SetAsFloat(4, 3, 3);  // a new value takes the row's format
  EXPECT_EQ(b.sheet.CellFormat(4, 3).FontName(), u"Arial");
  EXPECT_EQ(test::RecountStyleUses(b.book, 10, 5), "");
}

TEST(Columns_Width, DefaultsAndPixelTables) {
  Book b;
  EXPECT_EQ(b.cols.Items(3)->Width(), 2340);
  EXPECT_EQ(b.cols.Items(3)->CharWidth(), 9.140625);
  struct Case {
    int32_t setPixels, width, pixel, pixel2;
  } cases[] = {{64, 2048, 56, 61}, {100, 3584, 98, 103}, {5, 0, 0, 5}};
  for (const Case& c : cases) {
    b.cols.Items(1)->SetPixelWidth(c.setPixels);
    EXPECT_EQ(b.cols.Items(1)->Width(), c.width) << c.setPixels;
    EXPECT_EQ(b.cols.Items(1)->PixelWidth(), c.pixel) << c.setPixels;
    EXPECT_EQ(b.cols.Items(1)->PixelWidth2(), c.pixel2) << c.setPixels;
  }
  b.cols.Items(2)->SetWidthPt(48);  // 64 pixels at 96 ppi
  EXPECT_EQ(b.cols.Items(2)->Width(), 2048);
}

TEST(Columns_Records, SplitJoinFormatAndEvents) {
  Book b;
  TXc12Column* r = b.recs.Add(b.styles.XFs().DefaultXF());
  b.styles.XFEditor().UseStyle(r->FStyle);
  r->FMin = 2, r->FMax = 6, r->FWidth = 12;
  std::vector<std::pair<int, int>> events;
  b.cols.OnColWidthChange = [&](TXLSColumns&, int32_t a, int32_t z) { events.emplace_back(a, z); };
  b.cols.Items(4)->SetHidden(true);
  EXPECT_EQ(b.Records(), "2..3 4..4h 5..6 ");
  b.cols.Items(4)->SetHidden(false);
  EXPECT_EQ(b.Records(), "2..6 ");
  b.cols.Items(4)->SetFontName(u"Courier New");
  EXPECT_EQ(b.Records(), "2..3 4..4 5..6 ");
  EXPECT_EQ(b.cols.Items(4)->FontName(), u"Courier New");
  EXPECT_NE(b.cols.Items(3)->FontName(), u"Courier New");
  EXPECT_EQ(events.back(), std::make_pair(4, 4));
  const size_t n = events.size();
  b.cols.Items(9)->SetCharWidth(20);
  EXPECT_EQ(events.size(), n);  // CharWidth fires no event
  b.cols.Items(7)->SetHidden(true);
  b.cols.Items(7)->SetCollapsedOutline(true);
  EXPECT_TRUE(b.cols.Items(7)->CollapsedOutline() && b.cols.Items(7)->Hidden());
  b.sheet.SetAsFloat(4, 0, 1);  // a value takes the column's format
  EXPECT_EQ(b.sheet.CellFormat(4, 0).FontName(), u"Courier New");
  EXPECT_EQ(test::RecountStyleUses(b.book, 10, 2), "");
}

// Widths that are negative, not finite or above 255 characters are clamped before conversion.
TEST(Columns_Width, OddStoredWidthsAreClamped) {
  Book b;
  struct Case {
    double stored;
    int32_t width;
  } cases[] = {{std::numeric_limits<double>::infinity(), 255 * 256},
               {std::nan(""), 0},
               {-3, 0},
               {1e300, 255 * 256},
               {10, 2560}};
  int col = 0;
  for (const Case& c : cases) {
    TXc12Column* r = b.recs.Add(b.styles.XFs().DefaultXF());
    b.styles.XFEditor().UseStyle(r->FStyle);
    r->FMin = r->FMax = col;
    r->FWidth = c.stored;
    EXPECT_EQ(b.cols.Items(col)->Width(), c.width) << c.stored;
    EXPECT_GE(b.cols.Items(col)->PixelWidth(), 0);
    ++col;
  }
  b.sheet.Xc12Sheet().Columns().FDefColWidth = std::numeric_limits<double>::infinity();
  TXLSColumns fresh(&b.recs, &b.styles);
  EXPECT_EQ(fresh.DefaultWidth(), 255 * 256);
}

// Records from a file that are unsorted or overlap are cut (the later one gives up the overlap)
// and sorted before the first search.
TEST(Columns_Records, UnsortedAndOverlappingAreSortedAndCut) {
  Book b;
  struct Rec {
    int min, max;
    double width;
  } file[] = {{5, 10, 1}, {2, 6, 2}, {7, 8, 3}, {0, 20, 4}};
  for (const Rec& f : file) {
    TXc12Column* r = b.recs.Add(b.styles.XFs().DefaultXF());
    b.styles.XFEditor().UseStyle(r->FStyle);
    r->FMin = f.min, r->FMax = f.max, r->FWidth = f.width;
  }
  struct Want {
    int col;
    double width;
  } wants[] = {{0, 4}, {1, 4}, {2, 2}, {4, 2}, {5, 1}, {8, 1}, {10, 1}, {11, 4}, {20, 4}, {21, 2340 / 256.0}};
  for (const Want& w : wants) EXPECT_EQ(b.cols.Items(w.col)->CharWidth(), w.width) << w.col;
  EXPECT_EQ(b.Records(), "0..1 2..4 5..10 11..20 ");
}

}  // namespace
}  // namespace xls
