#include "xls/model/xlscmdformat.h"

#include <gtest/gtest.h>

#include "tests/xls/model/editingcheck.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlscellmmu.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsformattedobj.h"
#include "xls/model/xlsrowscols.h"
#include "xls/model/xlssst.h"
#include "xls/model/xlsstylesheet.h"

namespace xls {
namespace {

using TSide = TXLSFormattedObj::TSide;
using BS = TXc12CellBorderStyle;

struct Book {
  TXLSBook book;
  TXLSWorksheet& sheet = *book.Sheets(0);
  TXLSCmdFormat& cmd = book.Command();
  TXLSFormattedCell& F(int32_t c, int32_t r) { return sheet.CellFormat(c, r); }
};

TEST(CmdFormat_Apply, BoldKeepsItalicFillAndNumberFormat) {
  Book b;
  b.sheet.SetAsFloat(0, 0, 1.5);
  b.sheet.Cell(0, 0).SetFontStyle({TXc12FontStyle::xfsItalic});
  b.sheet.Cell(0, 0).SetCellColorRGB(0x00FF00);
  b.sheet.Cell(0, 0).SetNumberFormat(u"0.0");
  b.cmd.BeginEdit(&b.sheet);
  b.cmd.Font().SetBold(true);
  b.cmd.Apply(0, 0, 1, 1);
  const TXc12FontStyles s = b.F(0, 0).FontStyle();
  EXPECT_TRUE(s.Contains(TXc12FontStyle::xfsBold) && s.Contains(TXc12FontStyle::xfsItalic));
  EXPECT_EQ(b.sheet.Cell(0, 0).CellColorRGB(), 0x00FF00u);
  EXPECT_EQ(b.F(0, 0).NumberFormat(), u"0.0");
  for (auto [c, r] : {std::pair{1, 0}, {0, 1}, {1, 1}}) {
    EXPECT_TRUE(b.F(c, r).FontStyle().Contains(TXc12FontStyle::xfsBold));
    EXPECT_FALSE(b.F(c, r).FontStyle().Contains(TXc12FontStyle::xfsItalic));
    EXPECT_EQ(b.sheet.GetCellType(c, r), TXLSCellType::xctBlank);  // blanks carry the format
  }
  EXPECT_EQ(b.sheet.GetAsFloat(0, 0), 1.5);
  EXPECT_EQ(test::RecountStyleUses(b.book, 5, 5), "");
}

TEST(CmdFormat_Apply, OutlineGoesByPosition) {
  Book b;
  b.cmd.BeginEdit(&b.sheet);
  b.cmd.Border().SetStyle(BS::cbsThin);
  b.cmd.Border().Preset(TCmdBorderSidePreset::cbspOutline);
  b.cmd.Apply(1, 1, 3, 3);  // B2:D4
  struct Case {
    int c, r;
    BS top, left, right, bottom;
  } cases[] = {
      {1, 1, BS::cbsThin, BS::cbsThin, BS::cbsNone, BS::cbsNone},  // B2
      {2, 1, BS::cbsThin, BS::cbsNone, BS::cbsNone, BS::cbsNone},  // C2
      {3, 3, BS::cbsNone, BS::cbsNone, BS::cbsThin, BS::cbsThin},  // D4
      {2, 2, BS::cbsNone, BS::cbsNone, BS::cbsNone, BS::cbsNone},  // C3
  };
  for (const Case& c : cases) {
    EXPECT_EQ(b.F(c.c, c.r).BorderStyle(TSide::Top), c.top) << c.c << "," << c.r;
    EXPECT_EQ(b.F(c.c, c.r).BorderStyle(TSide::Left), c.left) << c.c << "," << c.r;
    EXPECT_EQ(b.F(c.c, c.r).BorderStyle(TSide::Right), c.right) << c.c << "," << c.r;
    EXPECT_EQ(b.F(c.c, c.r).BorderStyle(TSide::Bottom), c.bottom) << c.c << "," << c.r;
  }
  // Nine cells, four kinds of corner, four edges and the middle: each made once, kept apart.
  EXPECT_EQ(test::RecountStyleUses(b.book, 5, 5), "");
}

TEST(CmdFormat_Apply, ColourOnlyRecoloursAnExistingLine) {
  Book b;
  b.sheet.Cell(0, 0).SetBorderStyle(TSide::Bottom, BS::cbsDashed);
  b.cmd.BeginEdit(&b.sheet);
  b.cmd.Border().Color().SetRGB(0xFF0000);
  b.cmd.Border().SetSide(TCmdBorderSide::cbsBottom, true);
  b.cmd.Apply(0, 0, 1, 0);
  EXPECT_EQ(b.F(0, 0).BorderStyle(TSide::Bottom), BS::cbsDashed);
  EXPECT_EQ(b.sheet.Cell(0, 0).BorderColorRGB(TSide::Bottom), 0x0000FFu);  // red, 00BBGGRR
  EXPECT_EQ(b.F(1, 0).BorderStyle(TSide::Bottom), BS::cbsNone);
  EXPECT_EQ(b.sheet.Cell(1, 0).BorderColorRGB(TSide::Bottom), 0x0000FFu);
}

TEST(CmdFormat_Number, FormatTextBuilder) {
  Book b;
  TXLSCmdFormatNumber& n = b.cmd.Number();
  n.SetDecimals(2);
  n.SetThousands(true);
  EXPECT_EQ(n.Format(), u"#,##0.00");
  n.SetNegativeColor(0xFF);
  EXPECT_EQ(n.Format(), u"#,##0.00;[Red]#,##0.00");
  n.SetNegativeColorShowSign(true);
  EXPECT_EQ(n.Format(), u"#,##0.00_ ;[Red]\\-#,##0.00\\ ");
  EXPECT_THROW(n.SetNegativeColor(0x123456), XLSRWException);
  EXPECT_EQ(n.NegativeColor(), 0xFFu);
  n.SetNegativeColor(0x20000000);
  n.SetNegativeColorShowSign(false);
  n.SetThousands(false);
  struct Case {
    int32_t lcid;
    const char16_t* text;
  } currencies[] = {{1033, u"\\$0.00"}, {1031, u"0.00\\ \u20AC"}, {1040, u"\\\u20AC 0.00"}};
  for (const Case& c : currencies) {
    n.SetCurrencySymbolLCID(c.lcid);
    EXPECT_EQ(n.Format(), c.text) << c.lcid;
  }
  n.SetCurrencySymbolLCID(-1);
  n.SetScientific(true);
  EXPECT_EQ(n.Format(), u"0.00E+00");
  n.SetPercentage(true);
  EXPECT_EQ(n.Format(), u"0.00%");
  n.SetPercentage(false);
  n.SetScientific(false);
  n.SetFractions(TXLSNumFmtFractions::xnffAsQuarters);
  EXPECT_EQ(n.Format(), u"#\" \"?/4");
  n.SetFractions(TXLSNumFmtFractions::xnffTwoDigits);
  EXPECT_EQ(n.Format(),
            u"#\" \"?"
            u"?/?"
            u"?");
}

TEST(CmdFormat_Apply, ProtectionReversedBoundsAndRepeat) {
  Book b;
  b.cmd.BeginEdit(&b.sheet);
  b.cmd.Protection().SetHidden(true);
  b.cmd.Apply(5, 3, 1, 0);  // B1:F4
  const TXc12CellProtections p = b.F(1, 0).Protection();
  EXPECT_TRUE(p.Contains(TXc12CellProtection::cpLocked) && p.Contains(TXc12CellProtection::cpHidden));
  EXPECT_TRUE(b.F(5, 3).Protection().Contains(TXc12CellProtection::cpHidden));
  EXPECT_EQ(b.sheet.GetCellType(0, 0), TXLSCellType::xctNone);
  EXPECT_EQ(b.sheet.GetCellType(6, 3), TXLSCellType::xctNone);
  const TXc12XF* first = b.F(2, 2).XF();
  b.cmd.Apply(2, 2);
  EXPECT_EQ(b.F(2, 2).XF(), first);
  EXPECT_EQ(test::RecountStyleUses(b.book, 8, 8), "");
}

TEST(CmdFormat_Apply, ReplaceModeStartsFromTheDefault) {
  Book b;
  b.sheet.Cell(0, 0).SetFontStyle({TXc12FontStyle::xfsItalic});
  b.cmd.SetMode(TXLSCmdFormatMode::xcfmReplace);
  b.cmd.BeginEdit(&b.sheet);
  b.cmd.Fill().BackgroundColor().SetRGB(0x00FF00);
  b.cmd.Apply(0, 0, 1, 0);
  EXPECT_FALSE(b.F(0, 0).FontStyle().Contains(TXc12FontStyle::xfsItalic));
  EXPECT_EQ(b.F(0, 0).XF(), b.F(1, 0).XF());
  EXPECT_EQ(b.F(0, 0).FillPatternPattern(), TXc12FillPattern::efpSolid);
  EXPECT_EQ(test::RecountStyleUses(b.book, 3, 3), "");
}

TEST(CmdFormat_Values, PendingValuesAndTypes) {
  Book b;
  b.cmd.BeginEdit(&b.sheet);
  b.cmd.Commands().AddBoolean(TXLSCmdFormatCommand::xcfcFontBold, true);
  b.cmd.Commands().AddFloat(TXLSCmdFormatCommand::xcfcFontSize, 20);
  b.cmd.Commands().AddInteger(TXLSCmdFormatCommand::xcfcBorderBottomColor, 0xFF0000);
  b.cmd.SetSetRowHeight(true);
  b.cmd.Apply(0, 0);
  EXPECT_EQ(b.cmd.Commands().Count(), 0u);
  EXPECT_TRUE(b.F(0, 0).FontStyle().Contains(TXc12FontStyle::xfsBold));
  EXPECT_EQ(b.F(0, 0).FontSize(), 20);
  EXPECT_EQ(b.F(0, 0).BorderStyle(TSide::Bottom), BS::cbsMedium);
  EXPECT_EQ(b.sheet.Rows().Items(0)->HeightPt(), 24);  // raised to the font size + 4
  TXLSCmdFormatValues v;
  TXLSCmdFormatValue* x = v.AddInteger(TXLSCmdFormatCommand::xcfcIndent, 2);
  EXPECT_THROW(x->AsFloat(), XLSRWException);
  EXPECT_THROW(x->SetAsString(u"a"), XLSRWException);
  EXPECT_EQ(x->AsInteger(), 2);
}

// Clearing the workbook drops the command's target instead of leaving it on freed sheets.
TEST(CmdFormat_Apply, ApplyWithoutTargetRaises) {
  TXLSBook book;
  TXLSCmdFormat& cmd = book.Command();
  EXPECT_THROW(cmd.Apply(0, 0), XLSRWException);
  cmd.BeginEdit(book.Sheets(0));
  cmd.Font().SetBold(true);
  cmd.Apply(0, 0);
  book.Clear(1);
  try {
    cmd.Apply(0, 0);
    FAIL() << "no exception";
  } catch (const XLSRWException& e) {
    EXPECT_STREQ(e.what(), "No worksheet defined fo Apply");
  }
}

// A rich shared string shown by a cell outside the area keeps its runs; the cell inside gets an
// entry with the merged runs, and the old entry gives up one use.
TEST(CmdFormat_Apply, RichSharedStringKeepsCellsOutsideTheArea) {
  Book b;
  TXc12DataStyleSheet& ss = b.book.Manager().StyleSheet();
  TXc12DataSST& sst = b.book.Manager().SST();
  TXc12Font* f = ss.Fonts().Add();
  f->Assign(*ss.Fonts().DefaultFont());
  f->SetStyle({TXc12FontStyle::xfsItalic});
  const std::vector<TXc12FontRun> runs{{0, ss.Fonts().DefaultFont()}, {2, f}};
  const int32_t idx = sst.AddFormattedString(u"rich", runs);
  ss.XFEditor().UseFonts(runs);
  b.sheet.Cells().StoreString(0, 0, 0, idx);
  b.sheet.Cells().StoreString(5, 5, 0, idx);
  ASSERT_EQ(sst.GetItems(idx)->RefCount, 2);
  b.cmd.BeginEdit(&b.sheet);
  b.cmd.Font().SetBold(true);
  b.cmd.Apply(0, 0, 1, 1);
  EXPECT_EQ(sst.GetItems(idx)->RefCount, 1);
  const int32_t mine = b.sheet.Cells().GetStringSST(b.sheet.Cells().FindCell(0, 0));
  ASSERT_NE(mine, idx);
  const TXLSString* s = sst.GetItems(mine);
  ASSERT_EQ(s->RunCount, 2u);
  const TXc12FontRun* r = TXc12DataSST::GetFontRuns(*s);
  EXPECT_TRUE(r[0].Font->Style().Contains(TXc12FontStyle::xfsBold));
  EXPECT_TRUE(r[1].Font->Style().Contains(TXc12FontStyle::xfsBold) &&
              r[1].Font->Style().Contains(TXc12FontStyle::xfsItalic));
  const TXc12FontRun* old = TXc12DataSST::GetFontRuns(*sst.GetItems(idx));
  EXPECT_EQ(old[1].Font, f);
  EXPECT_FALSE(f->Style().Contains(TXc12FontStyle::xfsBold));
  EXPECT_EQ(b.sheet.GetAsString(0, 0), u"rich");
  EXPECT_EQ(b.sheet.GetAsString(5, 5), u"rich");
  EXPECT_EQ(test::RecountStyleUses(b.book, 6, 6), "");
}

TEST(CmdFormat_Apply, WholeColumnGetsABlankInEveryRow) {
  Book b;
  b.cmd.BeginEdit(&b.sheet);
  b.cmd.Alignment().SetHorizontal(TXc12HorizAlignment::chaCenter);
  b.cmd.Apply(2, 0, 2, XLS_MAXROW);
  for (int32_t r : {0, 5000, XLS_MAXROW})
    EXPECT_EQ(b.F(2, r).HorizAlignment(), TXc12HorizAlignment::chaCenter) << r;
  EXPECT_EQ(b.F(2, 0).XF()->RefCount(), XLS_MAXROW + 1);
}

}  // namespace
}  // namespace xls
