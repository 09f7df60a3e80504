#include "xls/model/xlscellarea.h"

#include <gtest/gtest.h>

#include "xls/model/xlserrors.h"
#include "xls/model/xlsglobals.h"

namespace xls {
namespace {

TEST(CellRef_Parse, CellReferences) {
  struct Case {
    std::u16string_view text;
    bool ok;
    int32_t col = 0, row = 0;
    bool colAbs = false, rowAbs = false;
  } cases[] = {
      {u"A1", true, 0, 0, false, false},
      {u"XFD1048576", true, 16383, 1048575, false, false},
      {u"$B$7", true, 1, 6, true, true},
      {u"B$7", true, 1, 6, false, true},
      {u"$B7", true, 1, 6, true, false},
      {u"B$10", true, 1, 9, false, true},
      {u"XFE1", false},
      {u"A1048577", false},
      {u"A0", false},
      {u"7", false},
      {u"B", false},  // no row digits: refused by both parsers
      {u"$B$", false},
      {u"", false},
      {u"1B1", false},
      {u"b7", false},
      {u"AAAAAAAAAAAAAAAAAAAAAAAAAA1", false},  // overlong letters
      {u"A99999999999999999999", false},        // overlong digits
      {u"A00000001", false},
      {u"x$A1", false},
  };
  for (const auto& c : cases) {
    int32_t col = -5, row = -5;
    bool ca = true, ra = true;
    EXPECT_EQ(RefStrToColRowAbs(c.text, col, row, ca, ra), c.ok) << std::string(c.text.begin(), c.text.end());
    EXPECT_EQ(RefStrToColRow(c.text, col, row), c.ok);
    if (c.ok) {
      EXPECT_EQ(col, c.col);
      EXPECT_EQ(row, c.row);
      RefStrToColRowAbs(c.text, col, row, ca, ra);
      EXPECT_EQ(ca, c.colAbs);
      EXPECT_EQ(ra, c.rowAbs);
    }
  }
}

TEST(CellRef_Parse, AreaReferences) {
  struct Case {
    std::u16string_view text;
    bool ok;
    int32_t c1 = 0, r1 = 0, c2 = 0, r2 = 0;
  } cases[] = {
      {u"A1:C9", true, 0, 0, 2, 8},
      {u"B7", true, 1, 6, 1, 6},
      {u"A:C", true, 0, 0, 2, 1048575},
      {u"$A:$C", true, 0, 0, 2, 1048575},
      {u"2:5", true, 0, 1, 16383, 4},
      {u"$2:$5", true, 0, 1, 16383, 4},
      {u"Sheet1!A1:B2", true, 0, 0, 1, 1},
      {u"Other!B2:C3", true, 1, 1, 2, 2},
      {u"C:A", false},
      {u"5:2", false},
      {u"A1:B", false},
      {u"!A1", false},  // "!" at the first position is no sheet prefix
      {u"XFE:XFF", false},
      {u"1:1048577", false},
  };
  for (const auto& c : cases) {
    int32_t c1 = 0, r1 = 0, c2 = 0, r2 = 0;
    const std::string name(c.text.begin(), c.text.end());
    EXPECT_EQ(AreaStrToColRow(c.text, c1, r1, c2, r2), c.ok) << name;
    if (c.ok) {
      EXPECT_EQ((TXLSCellArea{r1, r2, c1, c2}), (TXLSCellArea{c.r1, c.r2, c.c1, c.c2})) << name;
    }
  }
  int32_t c1, r1, c2, r2;
  bool a1, a2, a3, a4;
  EXPECT_TRUE(AreaStrToColRowAbs(u"$C$3:B2", c1, r1, c2, r2, a1, a2, a3, a4));
  EXPECT_EQ((TXLSCellArea{r1, r2, c1, c2}), (TXLSCellArea{2, 1, 2, 1}));  // text order kept
  EXPECT_TRUE(a1 && a2 && !a3 && !a4);
  EXPECT_FALSE(AreaStrToColRowAbs(u"A1", c1, r1, c2, r2, a1, a2, a3, a4));
  EXPECT_FALSE(AreaStrToColRowAbs(u"A:B", c1, r1, c2, r2, a1, a2, a3, a4));

  TXLSCellArea area;
  AreaStrToCellArea(u"", area);
  EXPECT_EQ(area, (TXLSCellArea{-1, -1, -1, -1}));
  AreaStrToCellArea(u"C4", area);
  EXPECT_EQ(area, (TXLSCellArea{3, 3, 2, 2}));
  AreaStrToCellArea(u"junk:", area);
  EXPECT_EQ(area, (TXLSCellArea{-1, -1, -1, -1}));
}

TEST(CellRef_Write, ColumnLettersAndAreas) {
  struct Case {
    int32_t col, row;
    std::u16string_view text;
  } cases[] = {{0, 0, u"A1"}, {25, 0, u"Z1"}, {26, 0, u"AA1"}, {701, 0, u"ZZ1"}, {702, 0, u"AAA1"},
               {16383, 1048575, u"XFD1048576"}};
  for (const auto& c : cases) {
    EXPECT_EQ(ColRowToRefStr(c.col, c.row), c.text);
    int32_t col, row;
    ASSERT_TRUE(RefStrToColRow(c.text, col, row));
    EXPECT_EQ(col, c.col);
  }
  EXPECT_EQ(ColRowToRefStrAbs(1, 6, true, false), u"$B7");
  EXPECT_EQ(AreaToRefStr(0, 0, 0, 0), u"A1:A1");
  EXPECT_EQ(AreaToRefStrAbs(0, 0, 2, 4, true, false, false, true), u"$A1:C$5");
  EXPECT_EQ(AreaToRefStrPacked(0x8000 | 1, int32_t(0x80000001u), 3, 4), u"$B$2:D5");
  TCellAreaImpl a;
  a.SetSize(0, 0);
  EXPECT_EQ(a.AsString(), u"A1");
  a.SetSize(1, 1, 2, 4);
  EXPECT_EQ(a.AsString(), u"B2:C5");
  EXPECT_EQ(a.AsStringAbs(), u"$B$2:$C$5");
}

TEST(CellRef_Misc, ErrorTextsLimitsAndTokenIds) {
  EXPECT_EQ(ErrorTextToCellError(u"#N/A"), TXc12CellError::errNA);
  EXPECT_EQ(ErrorTextToCellError(u"#n/a"), TXc12CellError::errUnknown);
  EXPECT_EQ(ErrorTextToCellError(u""), TXc12CellError::errUnknown);
  EXPECT_EQ(ErrorTextToCellError(u"#GETTING_DATA"), TXc12CellError::errGettingData);
  int32_t c1 = -3, r1 = -2, c2 = 20000, r2 = 2000000;
  ClipCellArea(c1, r1, c2, r2);
  EXPECT_EQ((TXLSCellArea{r1, r2, c1, c2}), (TXLSCellArea{0, XLS_MAXROW, 0, XLS_MAXCOL}));
  c1 = 5, r1 = 9, c2 = 1, r2 = 2;
  NormalizeCellArea(c1, r1, c2, r2);
  EXPECT_EQ((TXLSCellArea{r1, r2, c1, c2}), (TXLSCellArea{2, 9, 1, 5}));
  EXPECT_TRUE(ValidCellArea(5, 5, 1, 1));  // order not tested
  EXPECT_FALSE(ValidColRow(16384, 0));
  EXPECT_EQ(PtgBaseId(0x44), 0x24);
  EXPECT_EQ(PtgBaseId(0x64), 0x24);
  EXPECT_EQ(PtgBaseId(0x24), 0x24);
  EXPECT_EQ(PtgBaseId(0x1E), 0x1E);
  EXPECT_EQ(PtgBaseId(0x98), 0x98);
}

class Colours : public ::testing::Test {
 protected:
  void TearDown() override { ResetXLSGlobals(); }
};

TEST_F(Colours, TablesAndIndexedColours) {
  EXPECT_EQ(DefaultPalette[2], 0x000000FFu);
  EXPECT_EQ(DefaultPalette[16], 0x00000080u);
  EXPECT_EQ(DefaultPalette[24], 0x00FF9999u);
  EXPECT_EQ(DefaultPalette[64], 0x0F000000u);
  EXPECT_EQ(DefaultThemeColors[3], 0x007D491Fu);
  EXPECT_EQ(std::u16string(Xc12ClrSchemeColorNames[11]), u"folHlink");

  TXc12Color c = SetIndexedColor(65);
  EXPECT_EQ(c.Indexed, TXc12IndexColor::xcAutomatic);
  EXPECT_EQ(c.ARGB, 0xF0000000u);
  c.Indexed = static_cast<TXc12IndexColor>(65);
  EXPECT_EQ(Xc12ColorToRGB(c, 7), 0x0F000000u);  // palette entry 65
  c.Indexed = static_cast<TXc12IndexColor>(200);
  EXPECT_EQ(Xc12ColorToRGB(c, 7), 7u);
  IndexedPalette()[10] = 0x123456;
  EXPECT_EQ(SetIndexedColor(10).ARGB, 0x123456u);
  ResetIndexedPalette();
  EXPECT_EQ(IndexColorToXc12Color(10).ARGB, 0x0000FFu);
}

TEST_F(Colours, ThemeTintAndBounds) {
  TXc12Color t;
  t.ColorType = TXc12ColorType::exctTheme;
  t.Theme = TXc12ClrSchemeColor::cscAccent1;
  EXPECT_EQ(Xc12ColorToRGB(t, 0), 0x00BD814Fu);
  int32_t h, l, s;
  RGBToHLS(0x00BD814F, h, l, s);
  t.Tint = 1;
  EXPECT_EQ(Xc12ColorToRGB(t, 0), HLSToRGB(h, 255, s));
  t.Tint = -1;
  EXPECT_EQ(Xc12ColorToRGB(t, 0), 0u);
  t.Theme = static_cast<TXc12ClrSchemeColor>(40);  // outside the theme table
  EXPECT_EQ(Xc12ColorToRGB(t, 0xABCDEF), 0xABCDEFu);
  ThemeColors()[0] = 0x010203;
  t.Theme = TXc12ClrSchemeColor::cscLt1;
  t.Tint = 0;
  EXPECT_EQ(Xc12ColorToRGB(t, 0), 0x010203u);

  TXc12Color rgb = MakeXc12RGBColor(0xFF112233);
  EXPECT_EQ(Xc12ColorToRGB(rgb, 0), 0x112233u);
  EXPECT_TRUE(Xc12ColorEqualsRGB(rgb, 0xFF112233));
  TXc12Color un;
  EXPECT_EQ(Xc12ColorToRGB(un, 5), 0u);
}

// A colour read from a file keeps its rgb attribute (AARRGGBB) and gives the same colour value as
// the palette and the theme: red from a file is palette red, not blue.
TEST_F(Colours, FileRgbRecordsGiveColourValues) {
  TXc12Color fromFile;
  fromFile.ColorType = TXc12ColorType::exctRgb;
  fromFile.OrigRGB = 0xFFFF0000;  // rgb="FFFF0000"
  EXPECT_EQ(Xc12ColorToRGB(fromFile, 0), IndexedPalette()[2]);
  const TXc12Color made = MakeXc12RGBColor(IndexedPalette()[2]);
  EXPECT_EQ(made.OrigRGB & 0xFFFFFFu, 0xFF0000u);
  EXPECT_TRUE(Xc12ColorEqual(made, [] {
    TXc12Color c;
    c.ColorType = TXc12ColorType::exctRgb;
    c.OrigRGB = 0x00FF0000;
    return c;
  }()));
  EXPECT_TRUE(Xc12ColorEqualsRGB(fromFile, 0xFF0000FF));
  fromFile.OrigRGB = 0xFF1F497D;  // the default theme's dark blue, written out
  EXPECT_EQ(Xc12ColorToRGB(fromFile, 0), ThemeColors()[3]);
}

TEST_F(Colours, HlsArithmetic) {
  int32_t h, l, s;
  RGBToHLS(0x000000FF, h, l, s);
  EXPECT_EQ(h, 0);
  EXPECT_EQ(l, 127);
  EXPECT_EQ(s, 255);
  EXPECT_EQ(HLSToRGB(0, 127, 255), 0x0101FDu);  // red 253, green 1, blue 1
  RGBToHLS(0x00FF0000, h, l, s);                 // blue
  EXPECT_EQ(h, 170);
  EXPECT_EQ(HLSToRGB(0, 99, 0), 0x636363u);
  double fh, fl, fs;
  RGBToHSLFloat(0x000000FF, fh, fl, fs);
  EXPECT_DOUBLE_EQ(fl, 127 / 255.0);
  EXPECT_EQ(HSLFloatToRGB(fh, fl, fs), 0x0101FDu);
}

TEST_F(Colours, EqualityAndHash) {
  TXc12Color a, b;
  EXPECT_FALSE(Xc12ColorEqual(a, b));  // unassigned never equal
  MakeXc12AutoColor(a, 1);
  MakeXc12AutoColor(b, 2);
  EXPECT_TRUE(Xc12ColorEqual(a, b));
  EXPECT_EQ(Xc12ColorHash(a), 1);
  a.ColorType = b.ColorType = TXc12ColorType::exctTheme;
  a.Theme = b.Theme = TXc12ClrSchemeColor::cscDk2;
  a.Tint = 0.5;
  b.Tint = 0.50005;
  EXPECT_TRUE(Xc12ColorEqual(a, b));
  b.Tint = 0.6;
  EXPECT_FALSE(Xc12ColorEqual(a, b));
  EXPECT_EQ(Xc12ColorHash(a), 3 + 3 + 5000);
  EXPECT_TRUE(Xc12ColorIsIndexed(SetIndexedColor(3)));
  EXPECT_EQ(Xc12ColorHash(SetIndexedColor(3)), 4);
  EXPECT_FALSE(Xc12ColorEqual(SetIndexedColor(3), MakeXc12RGBColor(3)));
}

std::u16string Areas(const TBaseCellAreas& l) {
  std::u16string s;
  for (size_t i = 0; i < l.Count(); ++i) s += (i ? u" " : u"") + AreaToRefStr(l.Items(i)->Col1(), l.Items(i)->Row1(), l.Items(i)->Col2(), l.Items(i)->Row2());
  return s;
}

TEST(CellAreas_Edit, DeleteCopyMoveInclude) {
  TCellAreas l;
  l.Add(u"A1:C3");
  l.Delete(1, 1, 1, 1);
  EXPECT_EQ(Areas(l), u"A1:C1 A3:C3 A2:A2 C2:C2");

  l.SetDelimitedText(u"A1:B2 D4");
  EXPECT_EQ(l.DelimitedText(), u"A1:B2 D4");
  EXPECT_EQ(l.FindArea(3, 3, 3, 3), 1);
  EXPECT_EQ(l.CellInAreas(1, 1), 0);
  EXPECT_EQ(l.CellInAreas(2, 2), -1);
  EXPECT_TRUE(l.AreaInAreas(2, 2, 3, 3));

  l.Copy(0, 0, 1, 1, 0, 2);  // A1:B2 copied to A3:B4: joins directly below
  EXPECT_EQ(Areas(l), u"A1:B4 D4:D4");
  l.Copy(0, 0, 1, 0, 0, 0);  // inside an existing area: no change
  EXPECT_EQ(Areas(l), u"A1:B4 D4:D4");

  l.Move(3, 3, 3, 3, -3, 4);  // D4 moved to A8
  EXPECT_EQ(Areas(l), u"A1:B4 A8:A8");
  l.Move(0, 0, 0, 0, 5, 0);  // A1 moved out of A1:B4 to F1
  EXPECT_EQ(Areas(l), u"A8:A8 A2:B4 B1:B1 F1:F1");

  l.Move(-1, 0);  // A8 leaves the sheet; A2:B4 is clipped to column A
  EXPECT_EQ(Areas(l), u"A2:A4 A1:A1 E1:E1");
  l.Move(0, -2000000);
  EXPECT_EQ(l.Count(), 0u);

  l.SetDelimitedText(u"A1:C3 E5:F6 H1");
  EXPECT_EQ(l.Include(1, 1, 4, 4)->AsString(), u"E5");
  EXPECT_EQ(Areas(l), u"B2:C3 E5:E5");
  EXPECT_EQ(l.Include(20, 20, 21, 21), nullptr);
  EXPECT_EQ(l.Count(), 0u);
  EXPECT_THROW(l.Items(0), std::out_of_range);
}

TEST(SolidCellAreas_Edit, MergedAreasAreNeverCut) {
  TSolidCellAreas m;
  m.Add(u"A1:C3");
  try {
    m.Delete(1, 1, 1, 1);
    FAIL();
  } catch (const XLSRWException& e) {
    EXPECT_STREQ(e.what(), "Can not change part of a merged cell");
  }
  m.Delete(0, 0, 2, 0);
  EXPECT_EQ(Areas(m), u"A2:C3");
  m.Clear();
  m.Add(u"A1:C3");
  EXPECT_EQ(m.Include(1, 1, 3, 3)->AsString(), u"A1:D4");
  EXPECT_EQ(m.Count(), 1u);

  m.Copy(0, 0, 3, 3, 0, 2);  // overlaps itself
  EXPECT_TRUE(m.CopyFailed());
  EXPECT_EQ(m.Count(), 1u);
  m.Copy(0, 0, 3, 3, 5, 0);
  EXPECT_FALSE(m.CopyFailed());
  EXPECT_EQ(Areas(m), u"A1:D4 F1:I4");

  m.DeleteAndAdjust(16384, 1, 16384, 2);  // rows 2..3 deleted
  EXPECT_EQ(Areas(m), u"A1:D2 F1:I2");
  m.DeleteAndAdjust(5, 16384, 8, 16384);  // columns F..I deleted
  EXPECT_EQ(Areas(m), u"A1:D2");

  EXPECT_NO_THROW(m.Move(0, 0, 1, 0, 0, 1));  // no corner strictly inside A1:D2
  EXPECT_EQ(Areas(m), u"A2:D2");  // only the first row lay in the moved rows
  m.Clear();
  m.Add(u"A1:D4");
  EXPECT_THROW(m.Move(1, 1, 5, 5, 1, 1), std::runtime_error);
  m.Move(0, 0, 3, 3, 2, 2);
  EXPECT_EQ(Areas(m), u"C3:F6");
  try {
    m.Move(1, 1);
    FAIL();
  } catch (const XLSRWException& e) {
    EXPECT_STREQ(e.what(), "TSolidCellAreas.Move not implemented");
  }
}

}  // namespace
}  // namespace xls
