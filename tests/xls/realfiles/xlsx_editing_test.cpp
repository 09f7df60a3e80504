// Edits made in LibreOffice against the same edits made through the editing layer
// (tests/data/editing, made by make_fixtures.py): edit-base.xlsx is an openpyxl workbook,
// edit-libreoffice.xlsx is LibreOffice's file after it made the edits through python3-uno. The test
// loads the base, replays the edits through the format command, Rows and Columns, loads
// LibreOffice's file, and compares each cell's format as our reader reads it. A line between two
// cells counts once, whichever side holds it (LibreOffice may write it on both).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/textcodec.h"
#include "tests/xls/realfiles/realfiles.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlscellarea.h"
#include "xls/model/xlscmdformat.h"
#include "xls/model/xlsformattedobj.h"
#include "xls/model/xlsrange.h"
#include "xls/model/xlsrowscols.h"
#include "xls/model/xlsutils.h"
#include "xls/xlsxreader/xlsreadxlsx.h"

namespace {

using xls::TCmdBorderSide;
using xls::TCmdBorderSidePreset;
using xls::TXc12CellBorderStyle;
using xls::TXLSFormattedCell;
using TSide = xls::TXLSFormattedObj::TSide;

// The edits of make_fixtures.py's uno_edits, through the editing layer.
void ReplayEdits(xls::TXLSBook& book) {
  xls::TXLSWorksheet& sheet = *book.Sheets(0);
  xls::TXLSCmdFormat& cmd = book.Command();
  cmd.BeginEdit(&sheet);
  cmd.Font().SetBold(true);
  cmd.Apply(0, 0, 1, 1);  // A1:B2
  cmd.BeginEdit(&sheet);
  cmd.Border().SetStyle(TXc12CellBorderStyle::cbsThin);
  cmd.Border().Preset(TCmdBorderSidePreset::cbspOutline);
  cmd.Apply(1, 1, 3, 3);  // B2:D4
  cmd.BeginEdit(&sheet);
  cmd.Border().SetStyle(TXc12CellBorderStyle::cbsDashed);
  cmd.Border().SetSide(TCmdBorderSide::cbsBottom, true);
  cmd.Apply(2, 2);  // C3
  cmd.BeginEdit(&sheet);
  cmd.Number().SetFormat(u"0.00");
  cmd.Apply(0, 2, 0, 4);  // A3:A5
  cmd.BeginEdit(&sheet);
  cmd.Fill().BackgroundColor().SetRGB(0xFFFF00);           // yellow
  cmd.Apply(3, 0, 4, 1);                                   // D1:E2
  sheet.Rows().Items(5)->SetHeightPt(1000 / 2540.0 * 72);  // 1 cm
  sheet.Rows().Items(7)->SetHidden(true);
  sheet.Columns().Items(6)->SetFillPatternPattern(xls::TXc12FillPattern::efpSolid);
  sheet.Columns().Items(6)->SetCellColorRGB(xls::SwapRedBlue(0x0000FF));  // blue, as a colour value
  sheet.Columns().Items(5)->SetHidden(true);
}

std::string Hex(uint32_t v) {
  char s[16];
  std::snprintf(s, sizeof s, "%06X", unsigned(v));
  return s;
}

std::string Fill(const TXLSFormattedCell& f) {
  if (f.FillPatternPattern() == xls::TXc12FillPattern::efpNone) return "none";
  return std::to_string(int(f.FillPatternPattern())) + "/" +
         Hex(xls::SwapRedBlue(xls::Xc12ColorToRGB(f.FillPatternForeColor(), 0)));  // RRGGBB
}

// Everything but the lines, as text.
std::string Look(xls::TXLSWorksheet& sheet, int32_t c, int32_t r) {
  const TXLSFormattedCell& f = sheet.CellFormat(c, r);
  const xls::TXc12FontStyles s = f.FontStyle();
  std::string t;
  t += s.Contains(xls::TXc12FontStyle::xfsBold) ? "b" : "-";
  t += s.Contains(xls::TXc12FontStyle::xfsItalic) ? "i" : "-";
  t += " " + kws::Utf16ToUtf8(f.NumberFormat().empty() ? u"General" : f.NumberFormat());
  t += " " + Fill(f);
  return t;
}

// The line under (c, r) (vertical: at its right), whichever of the two cells holds it.
int Line(xls::TXLSWorksheet& sheet, int32_t c, int32_t r, bool below) {
  const auto style = [&sheet](int32_t col, int32_t row, TSide side) {
    if (col < 0 || row < 0) return TXc12CellBorderStyle::cbsNone;
    TXLSFormattedCell& f = sheet.CellFormat(col, row);
    return f.BorderStyle(side);
  };
  const TXc12CellBorderStyle a = below ? style(c, r, TSide::Bottom) : style(c, r, TSide::Right);
  const TXc12CellBorderStyle b = below ? style(c, r + 1, TSide::Top) : style(c + 1, r, TSide::Left);
  return int(a != TXc12CellBorderStyle::cbsNone ? a : b);
}

TEST(XlsxEditing, EditsMatchLibreOfficesFile) {
  xls::RegisterXLSXReader();
  const std::filesystem::path dir = kws::test::RealFilesDir("editing");
  xls::TXLSBook ours, theirs;
  ours.LoadFromFile(dir / "edit-base.xlsx");
  theirs.LoadFromFile(dir / "edit-libreoffice.xlsx");
  ReplayEdits(ours);
  xls::TXLSWorksheet& a = *ours.Sheets(0);
  xls::TXLSWorksheet& b = *theirs.Sheets(0);
  for (int32_t r = -1; r < 9; ++r) {
    for (int32_t c = -1; c < 8; ++c) {
      const std::string at = kws::Utf16ToUtf8(xls::ColRowToRefStr(std::max(c, 0), std::max(r, 0)));
      SCOPED_TRACE(at + (c < 0 || r < 0 ? " edge" : ""));
      if (c >= 0 && r >= 0) {
        EXPECT_EQ(Look(a, c, r), Look(b, c, r));
      }
      if (c >= 0) {
        EXPECT_EQ(Line(a, c, r, true), Line(b, c, r, true)) << "line below";
      }
      if (r >= 0) {
        EXPECT_EQ(Line(a, c, r, false), Line(b, c, r, false)) << "line right";
      }
    }
  }
  // The edits showed: the comparison is not between two unedited sheets.
  EXPECT_EQ(Look(a, 0, 0), "bi General none");
  EXPECT_EQ(Line(a, 2, 2, true), int(TXc12CellBorderStyle::cbsDashed));
  // LibreOffice writes its own default height on the rows it did not size, the hidden one too.
  EXPECT_NEAR(a.Rows().Items(5)->HeightPt(), b.Rows().Items(5)->HeightPt(), 0.05);
  for (int32_t r : {5, 6, 7}) EXPECT_EQ(a.Rows().Items(r)->Hidden(), b.Rows().Items(r)->Hidden()) << r;
  EXPECT_TRUE(a.Rows().Items(7)->Hidden());
  for (int32_t c : {5, 6}) {
    SCOPED_TRACE(c);
    EXPECT_EQ(a.Columns().Items(c)->Hidden(), b.Columns().Items(c)->Hidden());
    const TXLSFormattedCell colA(a.Columns().Items(c)->XF()), colB(b.Columns().Items(c)->XF());
    EXPECT_EQ(Fill(colA), Fill(colB));
  }
  EXPECT_EQ(Fill(TXLSFormattedCell(a.Columns().Items(6)->XF())), "1/0000FF");
}

// The edits of make_fixtures.py's uno_range_edits, one property at a time through the sheet's
// range object.
void ReplayRangeEdits(xls::TXLSWorksheet& sheet) {
  using namespace xls;
  TXLSRange& range = sheet.Range();
  const auto at = [&range](int32_t c1, int32_t r1, int32_t c2, int32_t r2) -> TXLSRange& {
    range.SetSize(c1, r1, c2, r2);
    return range;
  };
  at(0, 0, 1, 0).SetFontName(u"Arial");  // A1:B1
  at(2, 0, 2, 0).SetFontSize(14);        // C1
  at(3, 0, 4, 0).SetFontColor(0xFF0000);  // D1:E1
  at(0, 1, 0, 1).SetFontUnderline(TXc12Underline::xulSingle);
  at(1, 1, 1, 1).SetFontUnderline(TXc12Underline::xulDouble);
  TXc12FontStyles boldItalic;
  boldItalic.Include(TXc12FontStyle::xfsBold);
  boldItalic.Include(TXc12FontStyle::xfsItalic);
  at(2, 1, 2, 1).SetFontStyle(boldItalic);
  at(3, 1, 3, 1).SetFontStyle(TXc12FontStyles{TXc12FontStyle::xfsStrikeOut});
  at(0, 2, 0, 2).SetHorizAlignment(TXc12HorizAlignment::chaRight);
  at(1, 2, 1, 2).SetHorizAlignment(TXc12HorizAlignment::chaCenter);
  at(2, 2, 2, 2).SetVertAlignment(TXc12VertAlignment::cvaTop);
  at(3, 2, 3, 2).SetRotation(45);
  at(4, 2, 4, 2).SetWrapText(true);
  at(0, 3, 0, 3).SetShrinkToFit(true);
  at(1, 3, 2, 3).SetNumberFormat(u"#,##0.000");  // B4:C4
  TXc12CellProtections lockedHidden;
  lockedHidden.Include(TXc12CellProtection::cpLocked);
  lockedHidden.Include(TXc12CellProtection::cpHidden);
  at(3, 3, 3, 3).SetProtection(lockedHidden);
  at(4, 3, 4, 3).SetFillPatternPattern(TXc12FillPattern::efpSolid);
  at(4, 3, 4, 3).SetFillPatternForeColor(0x00FF00);
  TXLSRange& box = at(1, 5, 3, 7);  // B6:D8
  box.SetBorderOutlineStyle(TXc12CellBorderStyle::cbsMedium);
  box.SetBorderOutlineColor(0xFF0000);
  box.SetBorderInsideHorizStyle(TXc12CellBorderStyle::cbsDashed);
  box.SetBorderInsideHorizColor(0x0000FF);
  box.SetBorderInsideVertStyle(TXc12CellBorderStyle::cbsDashed);
  box.SetBorderInsideVertColor(0x0000FF);
  at(0, 7, 0, 7).SetBorderDiagStyle(TXc12CellBorderStyle::cbsThin);  // A8
}

// A cell's whole format as text: font, alignment, number format, protection, fill and the
// diagonal lines (the other lines are compared by ColouredLine, whichever cell holds them). The
// size is left out where asked: the base's A1 font has no sz element (openpyxl writes
// <font><i/></font>), which we read as size 0 and LibreOffice as its default 11.
std::string FullLook(xls::TXLSWorksheet& sheet, int32_t c, int32_t r, bool withSize) {
  using namespace xls;
  TXLSFormattedCell& f = sheet.CellFormat(c, r);
  const auto rgb = [](const TXc12Color& colour) { return Hex(SwapRedBlue(Xc12ColorToRGB(colour, 0))); };
  std::string t = kws::Utf16ToUtf8(f.FontName()) + " " + (withSize ? std::to_string(f.FontSize()) : "-") + " " +
                  rgb(f.FontColor());
  t += " style";
  for (int bit = 0; bit <= int(TXc12FontStyle::xfsExtend); ++bit)
    if (f.FontStyle().Contains(TXc12FontStyle(bit))) t += std::to_string(bit);
  t += " u" + std::to_string(int(f.FontUnderline())) + " h" + std::to_string(int(f.HorizAlignment())) + " v" +
       std::to_string(int(f.VertAlignment())) + " rot" + std::to_string(f.Rotation()) + " ind" +
       std::to_string(f.Indent()) + (f.WrapText() ? " wrap" : "") + (f.ShrinkToFit() ? " shrink" : "");
  t += " " + kws::Utf16ToUtf8(f.NumberFormat().empty() ? u"General" : f.NumberFormat());
  t += f.Protection().Contains(TXc12CellProtection::cpLocked) ? " locked" : "";
  t += f.Protection().Contains(TXc12CellProtection::cpHidden) ? " hidden" : "";
  t += " " + Fill(f);
  t += " diag" + std::to_string(int(f.BorderStyle(TSide::Diag)));
  return t;
}

// The line under (c, r) (vertical: at its right) with its colour, whichever cell holds it.
std::string ColouredLine(xls::TXLSWorksheet& sheet, int32_t c, int32_t r, bool below) {
  TSide near = below ? TSide::Bottom : TSide::Right, far = below ? TSide::Top : TSide::Left;
  int32_t c2 = below ? c : c + 1, r2 = below ? r + 1 : r;
  if (c >= 0 && r >= 0 && sheet.CellFormat(c, r).BorderStyle(near) != TXc12CellBorderStyle::cbsNone)
    c2 = c, r2 = r, far = near;
  if (c2 < 0 || r2 < 0) return "none";
  TXLSFormattedCell& f = sheet.CellFormat(c2, r2);
  if (f.BorderStyle(far) == TXc12CellBorderStyle::cbsNone) return "none";
  return std::to_string(int(f.BorderStyle(far))) + "/" + Hex(xls::SwapRedBlue(xls::Xc12ColorToRGB(f.BorderColor(far), 0)));  // RRGGBB
}

TEST(XlsxEditing, RangeEditsMatchLibreOfficesFile) {
  xls::RegisterXLSXReader();
  const std::filesystem::path dir = kws::test::RealFilesDir("editing");
  xls::TXLSBook ours, theirs;
  ours.LoadFromFile(dir / "edit-base.xlsx");
  theirs.LoadFromFile(dir / "range-libreoffice.xlsx");
  ReplayRangeEdits(*ours.Sheets(0));
  xls::TXLSWorksheet& a = *ours.Sheets(0);
  xls::TXLSWorksheet& b = *theirs.Sheets(0);
  for (int32_t r = -1; r < 9; ++r) {
    for (int32_t c = -1; c < 6; ++c) {
      const std::string at = kws::Utf16ToUtf8(xls::ColRowToRefStr(std::max(c, 0), std::max(r, 0)));
      SCOPED_TRACE(at + (c < 0 || r < 0 ? " edge" : ""));
      if (c >= 0 && r >= 0) {
        const bool sized = a.CellFormat(c, r).FontSize() != 0;
        EXPECT_EQ(FullLook(a, c, r, sized), FullLook(b, c, r, sized));
      }
      if (c >= 0) {
        EXPECT_EQ(ColouredLine(a, c, r, true), ColouredLine(b, c, r, true)) << "line below";
      }
      if (r >= 0) {
        EXPECT_EQ(ColouredLine(a, c, r, false), ColouredLine(b, c, r, false)) << "line right";
      }
    }
  }
  // The edits showed on our side.
  EXPECT_EQ(kws::Utf16ToUtf8(a.CellFormat(0, 0).FontName()), "Arial");
  EXPECT_EQ(ColouredLine(a, 1, 7, true), std::to_string(int(TXc12CellBorderStyle::cbsMedium)) + "/FF0000");
  EXPECT_EQ(ColouredLine(a, 2, 5, true), std::to_string(int(TXc12CellBorderStyle::cbsDashed)) + "/0000FF");
}

}  // namespace
