// The sheet's range object: each format property runs one command over the area and changes
// only what it names.
#include "xls/model/xlsrange.h"

#include <gtest/gtest.h>

#include "xls/model/xlsbook.h"
#include "xls/model/xlsclipboard.h"
#include "xls/model/xlscellmmu.h"
#include "xls/model/xlsformattedobj.h"

namespace xls {
namespace {

using S = TXLSFormattedObj::TSide;

struct RangeSheet {
  TXLSBook book;
  TXLSWorksheet& sheet = *book.Items(0);
  TXLSRange& range = sheet.Range();
  RangeSheet() {
    for (int32_t r = 0; r < 4; ++r)
      for (int32_t c = 0; c < 4; ++c) sheet.Cells().StoreFloat(c, r, 0, r * 4 + c);
    range.SetCol1(1), range.SetRow1(1), range.SetCol2(2), range.SetRow2(2);  // B2:C3
  }
  TXLSFormattedCell& At(int32_t col, int32_t row) { return sheet.CellFormat(col, row); }
};

TEST(TXLSRange_Properties, ApplyToTheAreaOnly) {
  RangeSheet f;
  f.range.SetNumberFormat(u"0.00%");
  f.range.SetFontSize20(240);
  f.range.SetFontName(u"Arial");
  f.range.SetHorizAlignment(TXc12HorizAlignment::chaRight);
  f.range.SetWrapText(true);
  f.range.SetFillPatternPattern(TXc12FillPattern::efpSolid);
  for (auto [c, r] : {std::pair{1, 1}, {2, 1}, {1, 2}, {2, 2}}) {
    EXPECT_EQ(f.At(c, r).NumberFormat(), u"0.00%");
    EXPECT_EQ(f.At(c, r).FontSize(), 12.0);
    EXPECT_EQ(f.At(c, r).FontName(), u"Arial");
    EXPECT_EQ(f.At(c, r).HorizAlignment(), TXc12HorizAlignment::chaRight);
    EXPECT_TRUE(f.At(c, r).WrapText());
    EXPECT_EQ(f.At(c, r).FillPatternPattern(), TXc12FillPattern::efpSolid);
  }
  EXPECT_EQ(f.At(0, 0).NumberFormat(), u"");  // outside the area
  EXPECT_NE(f.At(3, 2).FontName(), u"Arial");
  EXPECT_EQ(f.sheet.GetAsFmtString(1, 1), u"500.00%");
}

TEST(TXLSRange_Properties, OutlineBordersTheEdges) {
  RangeSheet f;
  f.range.SetBorderOutlineStyle(TXc12CellBorderStyle::cbsThin);
  EXPECT_EQ(f.At(1, 1).BorderStyle(S::Top), TXc12CellBorderStyle::cbsThin);
  EXPECT_EQ(f.At(1, 1).BorderStyle(S::Left), TXc12CellBorderStyle::cbsThin);
  EXPECT_EQ(f.At(1, 1).BorderStyle(S::Right), TXc12CellBorderStyle::cbsNone);
  EXPECT_EQ(f.At(2, 2).BorderStyle(S::Bottom), TXc12CellBorderStyle::cbsThin);
  EXPECT_EQ(f.At(2, 2).BorderStyle(S::Right), TXc12CellBorderStyle::cbsThin);
  EXPECT_EQ(f.At(2, 2).BorderStyle(S::Top), TXc12CellBorderStyle::cbsNone);
  f.range.SetBorderInsideHorizStyle(TXc12CellBorderStyle::cbsDouble);
  EXPECT_EQ(f.At(1, 1).BorderStyle(S::Bottom), TXc12CellBorderStyle::cbsDouble);
  EXPECT_EQ(f.At(1, 1).BorderStyle(S::Top), TXc12CellBorderStyle::cbsThin);  // kept
}

TEST(TXLSRange_Properties, ProtectionAndFamilyChangeOnlyWhatTheyName) {
  RangeSheet f;
  const TXc12CellProtections before = f.At(1, 1).Protection();
  EXPECT_TRUE(before.Contains(TXc12CellProtection::cpLocked));
  const int32_t style = f.sheet.Cells().GetStyle(f.sheet.Cells().FindCell(1, 1));
  f.range.SetProtection({});
  EXPECT_EQ(f.sheet.Cells().GetStyle(f.sheet.Cells().FindCell(1, 1)), style);
  f.range.SetProtection({TXc12CellProtection::cpHidden});
  EXPECT_TRUE(f.At(1, 1).Protection().Contains(TXc12CellProtection::cpHidden));
  EXPECT_TRUE(f.At(1, 1).Protection().Contains(TXc12CellProtection::cpLocked));
  EXPECT_FALSE(f.At(0, 0).Protection().Contains(TXc12CellProtection::cpHidden));
  const int32_t hidden = f.sheet.Cells().GetStyle(f.sheet.Cells().FindCell(2, 2));
  f.range.SetFontFamily(2);
  EXPECT_EQ(f.sheet.Cells().GetStyle(f.sheet.Cells().FindCell(2, 2)), hidden);
}

TEST(TXLSClipboard_Workbook, OneObjectOverTheHub) {
  TXLSBook book;
  TXLSClipboard& clipboard = book.Clipboard();
  EXPECT_EQ(clipboard.Manager(), &book.Manager());
  EXPECT_EQ(clipboard.WinCF(), 0);
  EXPECT_EQ(&book.Clipboard(), &clipboard);
}

}  // namespace
}  // namespace xls
