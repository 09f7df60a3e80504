#include "xls/model/xlsformattedobj.h"

#include <gtest/gtest.h>

#include "tests/xls/model/editingcheck.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlscellmmu.h"
#include "xls/model/xlsstylesheet.h"

namespace xls {
namespace {

using TSide = TXLSFormattedObj::TSide;

struct Book {
  TXLSBook book;
  TXLSWorksheet& sheet = *book.Sheets(0);
  TXLSCellMMU& cells = sheet.Cells();
  TXc12DataStyleSheet& styles = book.Manager().StyleSheet();
  int32_t StyleOf(int32_t c, int32_t r) {
    const TXLSCellItem i = cells.FindCell(c, r);
    return i.Data ? cells.GetStyle(i) : -1;
  }
};

TEST(FormattedCell_Write, SameValueKeepsFormatAndNewValueMakesOne) {
  Book b;
  b.sheet.SetAsFloat(0, 0, 1);
  b.sheet.Cell(0, 0).SetFontSize(14);
  const int32_t s = b.StyleOf(0, 0);
  ASSERT_GT(s, 0);
  b.sheet.Cell(0, 0).SetFontSize(14);
  EXPECT_EQ(b.StyleOf(0, 0), s);
  EXPECT_EQ(b.sheet.CellFormat(0, 0).FontSize(), 14);
  EXPECT_EQ(b.sheet.GetAsFloat(0, 0), 1);
  EXPECT_EQ(test::RecountStyleUses(b.book, 5, 5), "");
}

TEST(FormattedCell_Write, ConversionsOfColoursSizesAndOptions) {
  Book b;
  TXLSCell& c = b.sheet.Cell(1, 1);
  c.SetFillPatternForeColor(10);
  EXPECT_EQ(b.sheet.CellFormat(1, 1).FillPatternForeColor().ColorType, TXc12ColorType::exctIndexed);
  EXPECT_EQ(int(b.sheet.CellFormat(1, 1).FillPatternForeColor().Indexed), 10);
  EXPECT_EQ(c.FillPatternForeColor(), 10);
  c.SetCellColorRGB(0x123456);
  EXPECT_EQ(c.FillPatternForeColor(), 0);  // an RGB colour reads as index 0
  EXPECT_EQ(c.FillPatternForeColorRGB(), 0x123456u);
  EXPECT_EQ(c.CellColorRGB(), c.FillPatternForeColorRGB());
  EXPECT_EQ(c.FontColor(), 0u);  // automatic reads as black

  c.SetWrapText(true);
  c.SetShrinkToFit(true);
  c.SetWrapText(false);
  EXPECT_TRUE(c.ShrinkToFit());
  EXPECT_FALSE(c.WrapText());

  c.SetFontSize20(230);
  EXPECT_EQ(c.FontSize(), 11.5);
  EXPECT_EQ(c.FontSize20(), 230);

  c.SetProtection({TXc12CellProtection::cpHidden});
  EXPECT_TRUE(c.Protection().Contains(TXc12CellProtection::cpHidden));
  EXPECT_FALSE(c.Protection().Contains(TXc12CellProtection::cpLocked));

  c.SetBorderStyle(TSide::Diag, TXc12CellBorderStyle::cbsDashed);
  c.SetBorderColorRGB(TSide::Diag, 0xFF);
  EXPECT_EQ(b.sheet.CellFormat(1, 1).BorderStyle(TSide::Diag), TXc12CellBorderStyle::cbsDashed);
  EXPECT_EQ(c.BorderColorRGB(TSide::Diag), 0xFFu);
  EXPECT_EQ(c.BorderStyle(TSide::Top), TXc12CellBorderStyle::cbsNone);
  c.SetNumberFormat(u"0.000");
  EXPECT_EQ(b.sheet.CellFormat(1, 1).NumberFormat(), u"0.000");
  EXPECT_EQ(test::RecountStyleUses(b.book, 5, 5), "");
}

// A write on a cell without an item stores a blank carrying the format instead of being lost.
TEST(FormattedCell_Write, CellWithoutItemBecomesStyledBlank) {
  Book b;
  b.sheet.Cell(3, 7).SetFontStyle({TXc12FontStyle::xfsBold});
  ASSERT_EQ(b.sheet.GetCellType(3, 7), TXLSCellType::xctBlank);
  EXPECT_TRUE(b.sheet.CellFormat(3, 7).FontStyle().Contains(TXc12FontStyle::xfsBold));
  // A later value keeps the cell's format.
  b.sheet.SetAsString(3, 7, u"x");
  EXPECT_TRUE(b.sheet.CellFormat(3, 7).FontStyle().Contains(TXc12FontStyle::xfsBold));
  EXPECT_EQ(test::RecountStyleUses(b.book, 5, 8), "");
}

// The object finds its cell again at each write: writes after the store moved the row stay right.
TEST(FormattedCell_Write, WritesAfterTheStoreMovedRows) {
  Book b;
  TXLSCell& c = b.sheet.Cell(0, 0);
  c.SetFontSize(12);
  for (int i = 0; i < 300; ++i) b.sheet.SetAsString(i % 40, i / 40, u"grow the row vectors");
  c.SetFontName(u"Arial");
  EXPECT_EQ(b.sheet.CellFormat(0, 0).FontName(), u"Arial");
  EXPECT_EQ(b.sheet.CellFormat(0, 0).FontSize(), 12);
  EXPECT_EQ(test::RecountStyleUses(b.book, 40, 10), "");
}

// FontColorXc12 goes through the editor: cells sharing the font keep their colour.
TEST(FormattedCell_Write, FontColorXc12LeavesSharedFontAlone) {
  Book b;
  b.sheet.Cell(0, 0).SetFontSize(13);
  b.sheet.Cell(1, 0).SetFontSize(13);
  ASSERT_EQ(b.StyleOf(0, 0), b.StyleOf(1, 0));
  b.sheet.Cell(0, 0).SetFontColorXc12(MakeXc12RGBColor(0x0000FF));
  EXPECT_EQ(b.sheet.Cell(0, 0).FontColor(), 0x0000FFu);
  EXPECT_EQ(b.sheet.Cell(1, 0).FontColorXc12().ColorType, b.styles.Fonts().DefaultFont()->Color().ColorType);
  EXPECT_NE(b.StyleOf(0, 0), b.StyleOf(1, 0));
  EXPECT_EQ(b.styles.Fonts().DefaultFont()->Color().ColorType,
            b.sheet.CellFormat(5, 5).FontColor().ColorType);
  EXPECT_EQ(test::RecountStyleUses(b.book, 5, 5), "");
}

}  // namespace
}  // namespace xls
