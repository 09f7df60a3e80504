#include "xls/model/xlssheetsettings.h"

#include <gtest/gtest.h>

#include "xls/model/xlsbook.h"
#include "xls/model/xlsworksheetdata.h"

namespace xls {
namespace {

using O = TPrintSetupOption;

TEST(SheetSettings_Selection, NewSheetSelectsA1) {
  TXLSBook book;
  TXLSSelectedAreas& s = book.Sheets(0)->SelectedAreas();
  ASSERT_EQ(s.Count(), 1u);
  EXPECT_EQ(s.Items(0)->AsString(), u"A1");
  EXPECT_EQ(s.ActiveCol(), 0);
  EXPECT_EQ(s.ActiveRow(), 0);
}

TEST(SheetSettings_Print, MarginsOptionsAndBreaks) {
  TXLSBook book;
  TXLSWorksheet& sheet = *book.Sheets(0);
  TXLSPrintSettings& p = sheet.PrintSettings();
  p.SetMarginCm(TXLSPrintSettings::TMargin::Left, 2.54);
  EXPECT_DOUBLE_EQ(p.Margin(TXLSPrintSettings::TMargin::Left), 1);
  p.SetOptions({O::psoGridlines});
  EXPECT_EQ(sheet.Xc12Sheet().PageSetup().FOrientation, TXc12Orientation::x12oLandscape);
  EXPECT_TRUE(sheet.Xc12Sheet().PrintOptions().FGridLines);
  EXPECT_FALSE(sheet.Xc12Sheet().PrintOptions().FHeadings ||
               sheet.Xc12Sheet().PrintOptions().FHorizontalCentered);
  EXPECT_EQ(p.Options(), TPrintSetupOptions({O::psoGridlines}));
  p.SetOptions({O::psoPortrait, O::psoNotes, O::psoLeftToRight});
  EXPECT_EQ(p.Options(),
            TPrintSetupOptions({O::psoPortrait, O::psoNotes}));  // left-to-right is never reported

  // Breaks read from a file keep their manual flag; a break added here is manual.
  sheet.Xc12Sheet().RowBreaks().push_back({10, 0, 16383, false, false});
  TXLSPagebreaks& h = p.HorizPagebreaks();
  ASSERT_EQ(h.Count(), 1u);
  EXPECT_FALSE(h.Items(0).Manual());
  const TXLSPagebreak added = h.Add(20, 0, 100);
  sheet.Xc12Sheet().RowBreaks().reserve(100);  // the wrapper survives the vector moving
  EXPECT_TRUE(added.Manual());
  EXPECT_EQ(added.Id(), 20);
  EXPECT_THROW(h.Items(2), std::out_of_range);
  p.HeaderFooter().SetOddHeader(u"&CPage &P");
  EXPECT_EQ(sheet.Xc12Sheet().HeaderFooter().FOddHeader, u"&CPage &P");
}

TEST(SheetSettings_Pane, TypeAndTopLeft) {
  TXLSBook book;
  TXLSWorksheet& sheet = *book.Sheets(0);
  TXLSPane& pane = sheet.Pane();
  EXPECT_EQ(pane.PaneType(), TPaneType::ptNone);
  pane.SetLeftCol(3);
  EXPECT_EQ(pane.Record()->FTopLeftCell.Col1, 3);
  EXPECT_EQ(pane.Record()->FTopLeftCell.Row1, 0);
  EXPECT_EQ(pane.SplitColX(), 3);
  pane.SetPaneType(TPaneType::ptFrozen);
  EXPECT_EQ(pane.PaneType(), TPaneType::ptFrozen);
  pane.SetPaneType(TPaneType::ptNone);
  EXPECT_EQ(pane.PaneType(), TPaneType::ptFrozen);
}

TEST(SheetSettings_Protection, PasswordVerifier) {
  TXLSBook book;
  TXLSSheetProtection& p = book.Sheets(0)->Protection();
  p.SetPassword(u"");
  EXPECT_EQ(p.Verifier(), SheetPasswordVerifier(u""));
  EXPECT_FALSE(p.Sheet());
  p.SetPassword(u"secret");
  EXPECT_EQ(p.Verifier(), 0xDAA7);
  EXPECT_TRUE(p.Sheet() && p.Objects() && p.Scenarios());
  EXPECT_EQ(SheetPasswordVerifier(u"0123456789abcdefXYZ"), SheetPasswordVerifier(u"0123456789abcde"));
}

TEST(SheetSettings_Workbook, WindowAndOptions) {
  TXLSBook book;
  TXLSWorkbookData& w = book.WorkbookData();
  w.SetOptions({TWorkbookOption::woHidden, TWorkbookOption::woTabs});
  EXPECT_EQ(book.Manager().Workbook().BookViews().Items(0)->FVisibility, TXc12Visibility::x12vHidden);
  EXPECT_EQ(w.Options(), TWorkbookOptions({TWorkbookOption::woHidden, TWorkbookOption::woTabs}));
  TXLSOptionsDialog& o = book.Options();
  o.SetRightToLeft(true);
  EXPECT_TRUE(o.RightToLeft());
  o.SetPrecisionAsDisplayed(true);
  EXPECT_FALSE(book.Manager().Workbook().CalcPr().FFullPrecision);
  o.SetR1C1Mode(true);
  EXPECT_EQ(book.Manager().Workbook().CalcPr().FRefMode, TXc12RefMode::x12rmR1C1);
  book.Clear(1);
  EXPECT_FALSE(book.Options().RightToLeft());
}

}  // namespace
}  // namespace xls
