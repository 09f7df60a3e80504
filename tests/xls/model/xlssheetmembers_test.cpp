// The sheet members the editing layer adds (RequestObject, SetAsDateTime, DeleteCells, AutoWidthCol,
// the workbook's default format) and the relative cell ranges' operations over them.
#include <gtest/gtest.h>

#include <chrono>
#include <limits>

#include "platform/fontmetrics.h"
#include "tests/xls/model/editingcheck.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlscellmmu.h"
#include "xls/model/xlscmdformat.h"
#include "xls/model/xlsformattedobj.h"
#include "xls/model/xlsrowscols.h"
#include "xls/model/xlssheetlists.h"
#include "xls/model/xlssheetsettings.h"
#include "xls/model/xlsstylesheet.h"
#include "xls/model/xlsworksheetdata.h"

namespace xls {
namespace {

using O = TXLSDeleteOption;

struct Book {
  TXLSBook book;
  TXLSWorksheet& sheet = *book.Sheets(0);
  TXc12DataWorksheet& data = sheet.Xc12Sheet();
  TXLSFormattedCell& F(int32_t c, int32_t r) { return sheet.CellFormat(c, r); }
  bool Bold(int32_t c, int32_t r) { return F(c, r).FontStyle().Contains(TXc12FontStyle::xfsBold); }
};

TEST(SheetMembers, RequestObjectAnswersForItsObjects) {
  Book b;
  EXPECT_EQ(b.sheet.RequestObject<TXc12DataWorksheet>(), &b.data);
  EXPECT_EQ(b.sheet.RequestObject<TCellAreas>(), static_cast<TCellAreas*>(&b.sheet.SelectedAreas()));
  EXPECT_EQ(b.sheet.RequestObject<TXLSColumns>(), &b.sheet.Columns());
  EXPECT_EQ(b.sheet.RequestObject<TXLSRows>(), &b.sheet.Rows());
  EXPECT_EQ(b.sheet.RequestObject<TXLSCmdFormat>(), nullptr);
}

// The built-in format follows the value's parts; a format the cell had keeps its other items.
TEST(SheetMembers, SetAsDateTimePicksTheBuiltInFormat) {
  Book b;
  struct Case {
    double value;
    int builtIn;
  } cases[] = {{45000.5, 22}, {45000, 14}, {0.25, 20}, {0, 20}};
  int32_t row = 0;
  for (const Case& c : cases) {
    b.sheet.Cell(0, row).SetFontStyle({TXc12FontStyle::xfsBold});
    b.sheet.SetAsDateTime(0, row, c.value);
    EXPECT_EQ(b.sheet.GetAsFloat(0, row), c.value);
    EXPECT_EQ(b.F(0, row).NumberFormat(), XLSBuiltInNumFmts[c.builtIn]) << c.value;
    EXPECT_TRUE(b.sheet.GetIsDateTime(0, row)) << c.value;
    EXPECT_TRUE(b.Bold(0, row)) << c.value;
    ++row;
  }
  // A new cell in a formatted column starts from the column's format.
  b.sheet.Columns().Items(3)->SetFontName(u"Courier New");
  b.sheet.SetAsDateTime(3, 0, 45000);
  EXPECT_EQ(b.F(3, 0).FontName(), u"Courier New");
  EXPECT_EQ(b.F(3, 0).NumberFormat(), XLSBuiltInNumFmts[14]);
  // A cell already showing the format is written without a command.
  const TXc12XF* before = b.F(3, 0).XF();
  b.sheet.SetAsDateTime(3, 0, 45001);
  EXPECT_EQ(b.F(3, 0).XF(), before);
  EXPECT_EQ(test::RecountStyleUses(b.book, 5, 5), "");
}

TEST(SheetMembers, DefaultFormatServesEveryAssignment) {
  Book b;
  b.sheet.Cell(0, 0).SetFontStyle({TXc12FontStyle::xfsItalic});
  const int32_t italic = b.F(0, 0).XF()->Index();
  b.book.SetDefaultFormat(italic);
  b.sheet.SetAsFloat(4, 4, 1);
  b.sheet.SetAsDateTime(5, 5, 45000);
  EXPECT_EQ(b.F(4, 4).XF()->Index(), italic);
  EXPECT_EQ(b.F(5, 5).XF()->Index(), italic);  // no date format is added
  b.book.Clear(1);
  EXPECT_EQ(b.book.DefaultFormat(), -1);
}

TEST(SheetMembers, DeleteCellsByOptions) {
  Book b;
  for (int32_t r = 0; r < 4; ++r)
    for (int32_t c = 0; c < 4; ++c) b.sheet.SetAsFloat(c, r, r * 4 + c);
  b.sheet.Cell(1, 1).SetFontStyle({TXc12FontStyle::xfsBold});
  b.sheet.Cell(2, 1).SetFontStyle({TXc12FontStyle::xfsBold});
  b.data.MergedCells().Add(1, 1, 2, 2);
  b.data.MergedCells().Add(0, 3, 3, 3);
  TXc12Hyperlink* link = b.data.Hyperlinks().AddLink();
  link->SetCol1(2), link->SetRow1(1), link->SetCol2(2), link->SetRow2(1);
  TXc12Comment* note = b.data.Comments().Add();
  note->SetCol(1), note->SetRow(1);

  // Values alone: the cells become blanks keeping their format; merged areas and links go.
  b.sheet.DeleteCells(1, 1, 2, 2, {O::xdoCellValues});
  EXPECT_EQ(b.sheet.GetCellType(1, 1), TXLSCellType::xctBlank);
  EXPECT_TRUE(b.Bold(1, 1));
  EXPECT_EQ(b.sheet.GetAsFloat(0, 1), 4);  // outside the area
  EXPECT_EQ(b.sheet.GetAsFloat(3, 2), 11);
  EXPECT_EQ(b.data.MergedCells().Count(), 1u);
  EXPECT_EQ(b.data.Hyperlinks().Count(), 0u);
  EXPECT_NE(b.data.Comments().Find(1, 1), nullptr);  // comments have their own option
  // Values and formats, reversed corners: the cells go.
  b.sheet.DeleteCells(2, 2, 1, 1, {O::xdoCellValues, O::xdoFormats, O::xdoComments});
  EXPECT_EQ(b.sheet.GetCellType(1, 1), TXLSCellType::xctNone);
  EXPECT_EQ(b.sheet.GetCellType(2, 2), TXLSCellType::xctNone);
  EXPECT_EQ(b.data.Comments().Find(1, 1), nullptr);
  // Every column: the rows go whatever the options.
  b.sheet.DeleteCells(0, 3, XLS_MAXCOL, 3, {});
  EXPECT_EQ(b.sheet.GetCellType(0, 3), TXLSCellType::xctNone);
  EXPECT_EQ(b.sheet.GetAsFloat(0, 2), 8);
  EXPECT_EQ(test::RecountStyleUses(b.book, 5, 5), "");
}

TEST(SheetMembers, DeleteCellsDropsValidationsLeftWithoutCells) {
  Book b;
  auto* inside = dynamic_cast<TXLSDataValidation*>(b.data.DataValidations().AddDV());
  auto* across = dynamic_cast<TXLSDataValidation*>(b.data.DataValidations().AddDV());
  ASSERT_TRUE(inside && across);
  inside->Areas().Add(1, 1, 2, 2);
  across->Areas().Add(0, 0, 5, 0);
  b.sheet.DeleteCells(0, 0, 3, 3, {O::xdoCellValues});  // validations have their own option
  EXPECT_EQ(b.data.DataValidations().size(), 2u);
  b.sheet.DeleteCells(0, 0, 3, 3, {O::xdoDataValidations});
  ASSERT_EQ(b.data.DataValidations().size(), 1u);
  EXPECT_EQ(b.data.DataValidations()[0].get(), across);
  EXPECT_FALSE(across->Intersect(0, 0, 3, 0));
  EXPECT_TRUE(across->Intersect(4, 0, 5, 0));
}

// Widths come from the text in each cell's font; merged cells are left out; the result is clamped
// into the column only.
TEST(SheetMembers, AutoWidthColMeasuresEachCellsText) {
  Book b;
  b.book.Manager().StyleSheet().OnPixelsPerInch = [](int& x, int& y) { x = y = 96; };
  EXPECT_EQ(b.sheet.AutoWidthCol(1, 0, 1000), 0);  // an empty column keeps its width
  EXPECT_EQ(b.sheet.Columns().Items(1)->Width(), b.sheet.Columns().DefaultWidth());

  b.sheet.SetAsString(1, 0, u"iiii");
  const int32_t narrow = b.sheet.AutoWidthCol(1, 0, 1000);
  b.sheet.SetAsString(1, 1, u"a much longer text than the first");
  const int32_t wide = b.sheet.AutoWidthCol(1, 0, 1000);
  EXPECT_GT(narrow, 5);
  EXPECT_GT(wide, narrow);
  // Pixel widths are kept as character widths: compare with a column given the same pixels.
  const auto samePixels = [&b](int32_t pixels) {
    b.sheet.Columns().Items(20)->SetPixelWidth(pixels);
    return b.sheet.Columns().Items(20)->Width();
  };
  EXPECT_EQ(b.sheet.Columns().Items(1)->Width(), samePixels(wide));
  // Right alignment adds a character width, an indent of two adds two.
  b.sheet.Cell(1, 1).SetHorizAlignment(TXc12HorizAlignment::chaRight);
  const int32_t right = b.sheet.AutoWidthCol(1, 0, 1000);
  b.sheet.Cell(1, 1).SetHorizAlignment(TXc12HorizAlignment::chaLeft);
  b.sheet.Cell(1, 1).SetIndent(2);
  const int32_t indented = b.sheet.AutoWidthCol(1, 0, 1000);
  const int32_t ave = right - wide;
  EXPECT_GT(ave, 0);
  EXPECT_EQ(indented - wide, 2 * ave);
  // A bigger font measures wider.
  b.sheet.Cell(1, 1).SetIndent(0);
  b.sheet.Cell(1, 1).SetFontSize(22);
  EXPECT_GT(b.sheet.AutoWidthCol(1, 0, 1000), wide * 3 / 2);
  b.sheet.Cell(1, 1).SetFontSize(11);
  // A merged cell does not count; the limits clamp the column, not the result.
  b.data.MergedCells().Add(1, 1, 2, 1);
  EXPECT_EQ(b.sheet.AutoWidthCol(1, 0, 1000), narrow);
  EXPECT_EQ(b.sheet.AutoWidthCol(1, 0, 10), narrow);
  EXPECT_EQ(b.sheet.Columns().Items(1)->Width(), samePixels(10));
  EXPECT_THROW(b.sheet.AutoWidthCol(XLS_MAXCOL + 1, 0, 10), XLSRWException);
}

// Wrapped text counts its longest line; text turned by 90 degrees counts the font's height.
TEST(SheetMembers, AutoWidthColWrapAndRotation) {
  Book b;
  b.book.Manager().StyleSheet().OnPixelsPerInch = [](int& x, int& y) { x = y = 96; };
  const std::u16string longLine = u"a line that is clearly the longest";
  b.sheet.SetAsString(3, 0, longLine);
  const int32_t oneLine = b.sheet.AutoWidthCol(3, 0, 1000);
  b.sheet.SetAsString(3, 0, u"short\n" + longLine + u"\nmid line");
  const int32_t unwrapped = b.sheet.AutoWidthCol(3, 0, 1000);
  b.sheet.Cell(3, 0).SetWrapText(true);
  EXPECT_EQ(b.sheet.AutoWidthCol(3, 0, 1000), oneLine);
  EXPECT_GT(unwrapped, oneLine);
  b.sheet.Cell(3, 0).SetRotation(90);
  const int32_t turned = b.sheet.AutoWidthCol(3, 0, 1000);
  EXPECT_LT(turned, oneLine / 2);
  b.sheet.Cell(3, 0).SetFontSize(22);
  EXPECT_GT(b.sheet.AutoWidthCol(3, 0, 1000), turned);
}

// ---- relative cell ranges

TEST(RelCells_Operations, CommandCurrentCellAndCounts) {
  Book b;
  TXLSRelCellsImpl rc(&b.sheet);
  rc.SetRefAbs(u"B2:C3");
  EXPECT_EQ(rc.Command(), &b.book.Command().Commands());
  std::unique_ptr<TXLSRelCells> twin = rc.CreateInstance();
  EXPECT_EQ(twin->SheetName(), rc.SheetName());
  EXPECT_EQ(twin->ShortRef(), u"A1");
  EXPECT_EQ(twin->Command(), rc.Command());

  rc.FCurrCol = 2, rc.FCurrRow = 4;
  rc.SetAsFloatCurr(2.5);
  EXPECT_EQ(b.sheet.GetAsFloat(2, 4), 2.5);
  EXPECT_EQ(rc.AsFloatCurr(), 2.5);
  rc.SetAsStringCurr(u"x");
  EXPECT_EQ(rc.AsStringCurr(), u"x");
  rc.SetAsBooleanCurr(true);
  EXPECT_TRUE(rc.AsBooleanCurr());
  rc.SetAsErrorCurr(TXc12CellError::errNA);
  EXPECT_EQ(rc.AsErrorCurr(), TXc12CellError::errNA);

  rc.SetCols(4);
  rc.SetRows(1);
  EXPECT_EQ(rc.ShortRef(), u"B2:E2");
  EXPECT_EQ(rc.Cols(), 4);
  EXPECT_EQ(rc.Rows(), 1);

  b.sheet.SetAsDateTime(0, 0, 45000);
  EXPECT_TRUE(rc.GetIsDateTime(0, 0));
  EXPECT_FALSE(rc.GetIsDateTime(2, 4));

  // The command applied to the range's area, then to one cell (which clears it).
  rc.BeginCommand();
  b.book.Command().Font().SetBold(true);
  rc.ApplyCommand();
  EXPECT_TRUE(b.Bold(1, 1) && b.Bold(4, 1));
  EXPECT_FALSE(b.Bold(1, 2));
  rc.BeginCommand();
  b.book.Command().Font().SetItalic(true);
  rc.ApplyCommand(6, 6);
  EXPECT_TRUE(b.F(6, 6).FontStyle().Contains(TXc12FontStyle::xfsItalic));
  rc.ApplyCommand(7, 7, 8, 8);  // nothing pending any more
  EXPECT_FALSE(b.F(7, 7).FontStyle().Contains(TXc12FontStyle::xfsItalic));
  EXPECT_EQ(test::RecountStyleUses(b.book, 10, 10), "");

  rc.ClearAll(0, 0, 10, 10);
  EXPECT_EQ(b.sheet.GetCellType(1, 1), TXLSCellType::xctNone);
  EXPECT_EQ(b.sheet.GetCellType(2, 4), TXLSCellType::xctNone);
}

TEST(RelCells_Operations, UnboundRangesRaiseOrGiveDefaults) {
  TXLSRelCellsImpl rc(nullptr);
  EXPECT_EQ(rc.Command(), nullptr);
  EXPECT_FALSE(rc.GetIsDateTime(0, 0));
  EXPECT_EQ(rc.AsText(), u"");
  EXPECT_THROW(rc.BeginCommand(), XLSRWException);
  EXPECT_THROW(rc.ApplyCommand(), XLSRWException);
  EXPECT_THROW(rc.ClearAll(0, 0, 1, 1), XLSRWException);
  EXPECT_THROW(rc.AutoWidthCol(0), XLSRWException);
  EXPECT_EQ(rc.CreateInstance()->SheetName(), u"???");
}

TEST(RelCells_Operations, AutoWidthColHasNoLimits) {
  Book b;
  TXLSRelCellsImpl rc(&b.sheet);
  b.sheet.SetAsString(2, 0, u"some text in the column");
  const int32_t w = rc.AutoWidthCol(2);
  EXPECT_GT(w, 0);
  b.sheet.Columns().Items(3)->SetPixelWidth(w);
  EXPECT_EQ(b.sheet.Columns().Items(2)->Width(), b.sheet.Columns().Items(3)->Width());
}

// A whole-column range from a chart walks the used area only: the texts of a 2 x 2 sheet come at
// once, with the blank of an empty cell inside the used area kept.
TEST(RelCells_Operations, AsTextWalksTheUsedAreaOnly) {
  Book b;
  TXLSRelCellsImpl rc(&b.sheet);
  b.sheet.SetAsString(3, 10, u"a");
  b.sheet.SetAsString(5, 10, u"b");
  b.sheet.SetAsString(3, 11, u"c");
  b.sheet.SetAsFloat(5, 11, 4);
  rc.SetRefAbs(u"A:XFD");
  EXPECT_EQ(rc.ShortRef(), u"A1:XFD1048576");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(rc.AsText(), u"a  b c  4");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  rc.SetRefAbs(u"E1:E5");  // inside the used columns, above its rows
  EXPECT_EQ(rc.AsText(), u"");
}

}  // namespace
}  // namespace xls
