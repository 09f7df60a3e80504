// Edits made in LibreOffice against the same edits made through the editing layer
// (tests/data/editing, made by make_fixtures.py): edit-base.xlsx is an openpyxl workbook,
// edit-libreoffice.xlsx is LibreOffice's file after it made the edits through python3-uno. The test
// loads the base, replays the edits through the format command, Rows and Columns, loads
// LibreOffice's file, and compares each cell's format as our reader reads it. A line between two
// cells counts once, whichever side holds it (LibreOffice may write it on both).
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/textcodec.h"
#include "tests/xls/realfiles/realfiles.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlscellarea.h"
#include "xls/model/xlscmdformat.h"
#include "xls/model/xlsformattedobj.h"
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

}  // namespace
