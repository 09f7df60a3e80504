#include "xls/model/xlsstyles.h"

#include <gtest/gtest.h>

#include "xls/model/xlscellmmu.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsglobals.h"
#include "xls/model/xlssst.h"
#include "xls/model/xlsstylesheet.h"

namespace xls {
namespace {

TXc12Color Theme(TXc12ClrSchemeColor slot, double tint) {
  TXc12Color c;
  c.ColorType = TXc12ColorType::exctTheme;
  c.Theme = slot;
  c.Tint = tint;
  return c;
}

TEST(StyleRecords_Equal, FontsFillsAndFormats) {
  TXc12Font a, b;
  a.SetName(u"Calibri");
  b.SetName(u"CALIBRI");
  a.SetSize(11);
  b.SetSize(11);
  EXPECT_TRUE(a.Equal(b));
  b.SetSize(11.0000001);
  EXPECT_FALSE(a.Equal(b));

  struct Case {
    double tintA, tintB;
    bool equal;
  } cases[] = {{0.5, 0.50005, true}, {0.5, 0.6, false}};
  for (const auto& c : cases) {
    TXc12Fill f, g;
    f.SetPatternType(TXc12FillPattern::efpSolid);
    g.SetPatternType(TXc12FillPattern::efpSolid);
    f.SetFgColor(Theme(TXc12ClrSchemeColor::cscAccent1, c.tintA));
    g.SetFgColor(Theme(TXc12ClrSchemeColor::cscAccent1, c.tintB));
    EXPECT_EQ(f.Equal(g), c.equal) << c.tintB;
  }

  TXc12Fill grad, pattern;
  grad.SetIsGradientFill(true);
  grad.GradientFill()->FStops.push_back({MakeXc12RGBColor(0xFF), 0});
  grad.GradientFill()->FDegree = 90;
  grad.GradientFill()->SetTop(0.5);
  EXPECT_FALSE(grad.Equal(pattern));
  TXc12Fill copy;
  copy.Assign(grad);
  EXPECT_TRUE(copy.Equal(grad));
  EXPECT_TRUE(copy.GradientFill()->FCorners[0] && copy.GradientFill()->FCorners[3]);
  copy.Assign(pattern);
  EXPECT_FALSE(copy.IsGradientFill());
  EXPECT_TRUE(copy.Equal(pattern));

  TXc12XF x, y;
  y.FApply.Include(TXc12ApplyFormat::eafFont);
  EXPECT_TRUE(x.Equal(y));  // the apply flags are not compared
  y.SetQuotePrefix(true);
  EXPECT_FALSE(x.Equal(y));
  y.SetXF(&y);
  EXPECT_EQ(y.XF(), nullptr);

  TXc12DXF d;
  EXPECT_THROW(d.Equal(d), XLSRWException);
}

TEST(StyleRecords_Font, LogFontAndHash) {
  TXc12Font f;
  f.SetName(u"Arial");
  f.SetSize(10.5);
  f.SetStyle({TXc12FontStyle::xfsBold, TXc12FontStyle::xfsStrikeOut});
  f.SetUnderline(TXc12Underline::xulDouble);
  TXLSLogFont lf;
  uint32_t colour;
  f.CopyToLOGFONT(lf, colour);
  EXPECT_EQ(lf.Height, 210);
  EXPECT_EQ(lf.Weight, 700);
  EXPECT_TRUE(lf.StrikeOut);
  EXPECT_FALSE(lf.Underline);  // only a single underline
  EXPECT_EQ(std::u16string(lf.FaceName), u"Arial");
  TXc12Font g;
  g.Assign(f);
  EXPECT_EQ(g.Hash(), f.Hash());
  g.SetSize(12);
  EXPECT_NE(g.Hash(), f.Hash());
}

TEST(StyleLists_NumberFormats, BuiltInsGrowthAndLimit) {
  TXc12NumberFormats nf;
  nf.Clear();
  ASSERT_EQ(nf.Count(), 50u);
  EXPECT_EQ(nf.Items(14)->Value(), u"m/d/yy");
  EXPECT_EQ(nf.Items(22)->Value(), u"m/d/yy h:mm");
  EXPECT_EQ(nf.Items(13)->Value(), u"# ?\?/??");
  EXPECT_EQ(nf.Items(48)->Value(), u"# #0.0E+0");
  EXPECT_EQ(nf.Items(5)->Value(), u"");
  EXPECT_TRUE(nf.Items(14)->IsDateTime());
  EXPECT_EQ(nf.DefaultCount(), 50u);

  EXPECT_EQ(nf.Add(u"yyyy-mm-dd", 164)->Index(), 164);
  EXPECT_EQ(nf.Count(), 166u);
  EXPECT_EQ(nf.Items(100)->Value(), u"");
  EXPECT_EQ(nf.Items(165)->Value(), u"");
  EXPECT_FALSE(nf.Items(164)->IsDateTime());
  nf.Add(u"0.000", 3);
  EXPECT_TRUE(nf.Items(3)->FStdRedefined);

  TXLSErrorManager em;
  em.SetIgnoreXMLWarnings(false);
  nf.Errors = &em;
  EXPECT_EQ(nf.Add(u"x", 70000), nullptr);  // refused, the list does not grow
  EXPECT_EQ(nf.Add(u"x", -1), nullptr);
  EXPECT_EQ(nf.Count(), 166u);
  EXPECT_EQ(em.WarningCount(), 2);
}

TEST(StyleSheet_Clear, BuiltInState) {
  TXc12DataStyleSheet s;
  EXPECT_EQ(s.NumFmts().Count(), 50u);
  ASSERT_EQ(s.Fonts().Count(), 1u);
  EXPECT_EQ(s.Fonts().DefaultCount(), 1u);
  EXPECT_EQ(s.Fonts().Items(0)->Name(), u"Calibri");
  EXPECT_EQ(s.Fonts().Items(0)->Size(), 11);
  EXPECT_EQ(s.Fonts().Items(0)->Color().Theme, TXc12ClrSchemeColor::cscDk1);
  EXPECT_EQ(s.Fills().Count(), 2u);
  EXPECT_EQ(s.Fills().DefaultCount(), 2u);
  EXPECT_EQ(s.Fills().Items(1)->PatternType(), TXc12FillPattern::efpGray125);
  EXPECT_EQ(s.Borders().Count(), 1u);
  ASSERT_EQ(s.XFs().Count(), 1u);
  EXPECT_EQ(s.XFs().Items(0)->Font(), s.Fonts().Items(0));
  EXPECT_EQ(s.XFs().Items(0)->NumFmt(), s.NumFmts().Items(0));
  EXPECT_EQ(s.StyleXFs().Count(), 1u);
  EXPECT_EQ(s.Styles().Items(0)->FName, u"Normal");
  EXPECT_EQ(s.StdFontWidth(), 7);    // Calibri 11 at 96 pixels per inch
  EXPECT_EQ(s.StdFontHeight(), -15);
  s.OnPixelsPerInch = [](int& x, int& y) { x = y = 120; };
  int x, y;
  s.PixelsPerInchXY(x, y);
  EXPECT_EQ(x, 120);
  s.Fonts().Items(0)->SetSize(11);  // the first font's size recomputes the metrics
  EXPECT_EQ(s.StdFontHeight(), -18);
  EXPECT_EQ(s.Fonts().MakeCommentFont(true), s.Fonts().MakeCommentFont(true));
  EXPECT_EQ(s.Fonts().Count(), 2u);
}

TEST(StyleRecords_AsString, FormatAndColourText) {
  TXc12DataStyleSheet s;
  TXc12XF* xf = s.XFs().Items(0);
  s.Fills().Items(0)->SetFgColor(MakeXc12RGBColor(0xFF0000));
  xf->SetQuotePrefix(true);
  const std::u16string text = xf->AsString(0);
  EXPECT_EQ(text.substr(0, 39), u"This XF: 0\rNumberFormat: 0\r  @\rFont: 0\r");
  // The colour value has red in the low byte; the record keeps it in a file's order (blue).
  EXPECT_NE(text.find(u"Fill: 0\r  ARGB: 00FF0000\r  Tint: 0.00\r  Color type:\r  RGB: 000000FF\r"), std::u16string::npos);
  EXPECT_NE(text.find(u"Protection:\r  Locked\rQuotePrfix: True\r"), std::u16string::npos);
  TXc12Fill g;
  g.SetIsGradientFill(true);
  EXPECT_EQ(g.AsString(1), u"  [Gradient - not shown]\r");
  TXc12Color none;
  EXPECT_EQ(Xc12ColorAsString(none, 0), u"ARGB: 00000000\rTint: 0.00\rColor type:\r!UNASSIGNED!\r");
}

TEST(StyleSheet_AfterRead, IndexedColoursFromThePalette) {
  TXc12DataStyleSheet s;
  TXc12Fill* f = s.Fills().Add();
  *f->PFgColor() = SetIndexedColor(10);
  IndexedPalette()[10] = 0x123456;
  s.AfterRead();
  EXPECT_EQ(f->FgColor().ARGB, 0x123456u);
  ResetXLSGlobals();
}

TEST(XFEditor_Edit, FindEqualOrAdd) {
  TXc12DataStyleSheet s;
  TXc12XFEditor& e = s.XFEditor();
  TXc12XF* def = s.XFs().Items(0);

  e.BeginEdit(def);
  e.SetFontSize(11);
  EXPECT_EQ(e.EndEdit(), def);  // nothing changed

  e.BeginEdit(def);
  e.SetFontName(u"CALIBRI");
  EXPECT_EQ(e.EndEdit(), def);  // names compare without case

  e.BeginEdit(def);
  e.SetNumberFormat(u"  \t");
  EXPECT_EQ(e.EndEdit(), def);

  e.BeginEdit(def);
  e.SetFillColor(MakeXc12RGBColor(0xFF));
  TXc12XF* red = e.EndEdit();
  ASSERT_NE(red, def);
  EXPECT_EQ(red->Fill()->PatternType(), TXc12FillPattern::efpSolid);
  EXPECT_TRUE(Xc12ColorEqualsRGB(red->Fill()->FgColor(), 0xFF));
  EXPECT_TRUE(red->FApply.Contains(TXc12ApplyFormat::eafFill));
  EXPECT_EQ(red->Font(), def->Font());

  e.BeginEdit(def);
  e.SetFillColor(MakeXc12RGBColor(0xFF));
  EXPECT_EQ(e.EndEdit(), red);  // the second cell shares the format

  e.BeginEdit(red);
  e.SetNumberFormat(u"0.000");
  e.SetAlignHoriz(TXc12HorizAlignment::chaRight);
  e.SetProtectionHidden(true);
  TXc12XF* more = e.EndEdit();
  EXPECT_EQ(more->NumFmt()->Value(), u"0.000");
  EXPECT_EQ(more->NumFmt()->Index(), 50);
  EXPECT_EQ(more->Fill(), red->Fill());
  EXPECT_EQ(more->Alignment().FHorizAlignment, TXc12HorizAlignment::chaRight);
  EXPECT_TRUE(more->Protection().Contains(TXc12CellProtection::cpHidden));
  EXPECT_TRUE(more->FApply.Contains(TXc12ApplyFormat::eafAlignment));
}

TEST(XFEditor_Compact, EveryTwentyFifthEditRemovesUnusedRecords) {
  TXc12DataStyleSheet s;
  TXc12XFEditor& e = s.XFEditor();
  TXc12XF* def = s.XFs().Items(0);
  e.BeginEdit(def);
  e.SetFontSize(20);
  TXc12XF* big = e.EndEdit();
  e.UseStyle(big);  // one cell uses it
  e.BeginEdit(def);
  e.SetFontSize(30);
  TXc12XF* unused = e.EndEdit();
  const int32_t unusedPos = unused->Index();
  e.UseStyle(unused);  // used while the next format is made, so that its slot is not reused
  e.BeginEdit(def);
  e.SetBorderStyle(TXc12XFEditor::TBorderSide::Left, TXc12CellBorderStyle::cbsThin);
  TXc12XF* last = e.EndEdit();
  e.UseStyle(last);
  e.FreeStyle(unused);  // its cell went
  // A font nothing refers to at all.
  s.Fonts().Add()->SetName(u"Orphan");
  s.Fonts().Add()->SetName(u"LastOne");
  ASSERT_EQ(s.Fonts().Count(), 5u);
  const int32_t before = e.CompactCount();
  for (int i = before; i < 24; ++i) e.BeginEdit(big);
  EXPECT_EQ(e.CompactCount(), 24);
  e.BeginEdit(nullptr);  // not counted
  EXPECT_EQ(e.CompactCount(), 24);
  e.BeginEdit(big);  // the 25th
  EXPECT_EQ(e.CompactCount(), 0);
  EXPECT_EQ(s.XFs().Items(size_t(unusedPos)), nullptr);  // freed in place
  EXPECT_EQ(s.XFs().Count(), 4u);                         // positions do not move
  // Fonts: size 30 (its format is gone) and the orphan go; the used font, the built-in font and
  // the last font of the list stay.
  ASSERT_EQ(s.Fonts().Count(), 3u);
  EXPECT_EQ(s.Fonts().Items(1), big->Font());
  EXPECT_EQ(s.Fonts().Items(2)->Name(), u"LastOne");
  EXPECT_EQ(last->Border()->FLeft.FStyle, TXc12CellBorderStyle::cbsThin);

  // The freed slot is reused by the next new format.
  e.BeginEdit(def);
  e.SetFontSize(40);
  EXPECT_EQ(e.EndEdit()->Index(), unusedPos);
}

TEST(XFEditor_Edit, EditedUnusedFormatIsNotReusedWhileRead) {
  TXc12DataStyleSheet s;
  TXc12XFEditor& e = s.XFEditor();
  e.BeginEdit(nullptr);
  e.SetFontSize(20);
  TXc12XF* x = e.EndEdit();  // no cell uses it: a free slot for AddOrGetFree
  TXc12Font* font20 = x->Font();
  e.BeginEdit(x);
  e.SetFillColor(MakeXc12RGBColor(0xFF00));
  TXc12XF* y = e.EndEdit();
  EXPECT_NE(y, x);
  EXPECT_EQ(y->Font(), font20);  // the unchanged font comes from the edited format
  EXPECT_EQ(x->Font(), font20);
  EXPECT_EQ(x->Fill(), s.Fills().Items(0));
}

TEST(XFEditor_Compact, PartsAFormatStillPointsAtSurvive) {
  TXc12DataStyleSheet s;
  // A reader's format whose font carries no counted use, held by a locked format.
  TXc12Font* font = s.Fonts().Add();
  font->SetName(u"Reader");
  s.Fonts().Add()->SetName(u"Tail");
  TXc12XF* xf = s.XFs().Add();
  s.SetXFDefaultValues(*xf);
  xf->SetFont(font);
  xf->SetLocked(true);
  for (int i = 0; i < 25; ++i) s.XFEditor().BeginEdit(xf);
  EXPECT_EQ(s.Fonts().Items(1), font);
  // FreeFonts of a rich string leaves a font that a format points at.
  font->AddRef();
  const TXc12FontRun run{0, font};
  s.XFEditor().FreeFonts(&run, 1);
  EXPECT_EQ(s.Fonts().Items(1), font);
}

TEST(XFEditor_FreeFonts, RichStringFontGoesWithItsLastUse) {
  TXc12DataStyleSheet s;
  TXc12Font* f = s.Fonts().Add();
  f->SetName(u"Runs");
  s.Fonts().Add()->SetName(u"Tail");
  TXc12Font probe;
  probe.SetName(u"runs");
  EXPECT_EQ(s.XFEditor().UseRequiredFont(probe), f);
  TXc12DataSST sst(&s.XFEditor());
  const int32_t i = sst.AddFormattedString(u"ab", {{0, f}});
  sst.UsesString(i);
  sst.ReleaseString(i);
  ASSERT_EQ(s.Fonts().Count(), 2u);
  EXPECT_EQ(s.Fonts().Items(1)->Name(), u"Tail");
}

TEST(XFEditor_CellStore, StoreCountsFormatAndParts) {
  TXc12DataStyleSheet s;
  TXc12XFEditor& e = s.XFEditor();
  e.BeginEdit(nullptr);
  e.SetFontSize(14);
  TXc12XF* xf = e.EndEdit();
  TXLSCellMMU cells(0, nullptr, &e);
  cells.StoreFloat(0, 0, xf->Index(), 1);
  cells.StoreFloat(1, 0, xf->Index(), 2);
  EXPECT_EQ(xf->RefCount(), 2);
  EXPECT_EQ(xf->Font()->RefCount(), 2);
  EXPECT_EQ(s.XFs().Items(0)->RefCount(), 1);  // the new row
  cells.DeleteCell(0, 0);
  cells.DeleteCell(1, 0);
  EXPECT_EQ(xf->RefCount(), 0);
  EXPECT_EQ(s.XFs().Items(0)->RefCount(), 0);
  EXPECT_THROW(cells.StoreFloat(0, 0, 99, 1), std::out_of_range);  // no such format
  EXPECT_EQ(cells.FindRow(0), nullptr);                            // nothing was written
  EXPECT_EQ(s.XFs().Items(0)->RefCount(), 0);
}

}  // namespace
}  // namespace xls
