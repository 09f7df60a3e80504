// A seeded random sequence of edits (values, format writes, commands in both modes, row and
// column formats and widths, dates, cell and area deletes) after which every format's use count
// must equal a recount from cells, rows and columns, and every shared string's (rich ones among
// them, which commands split into new entries) a recount from the cells. KWS_FUZZ_INPUTS sets the
// number of steps (100,000 for a long run outside CI); the default is a short share.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

#include "tests/xls/model/editingcheck.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlscellmmu.h"
#include "xls/model/xlscmdformat.h"
#include "xls/model/xlsformattedobj.h"
#include "xls/model/xlsrowscols.h"
#include "xls/model/xlssst.h"
#include "xls/model/xlsstylesheet.h"

namespace xls {
namespace {

TEST(EditingRandom, UseCountsMatchARecount) {
  const char* env = std::getenv("KWS_FUZZ_INPUTS");
  const long steps = env ? std::atol(env) : 20000;
  TXLSBook book;
  TXLSWorksheet& sheet = *book.Sheets(0);
  TXLSCmdFormat& cmd = book.Command();
  std::mt19937 rng(20261211);
  const auto pick = [&rng](int n) { return int(rng() % unsigned(n)); };
  constexpr int kCols = 12, kRows = 12;
  // A rich shared string (plain, then italic runs) that cells take and commands split.
  TXc12DataStyleSheet& styles = book.Manager().StyleSheet();
  TXc12Font* italic = styles.Fonts().Add();
  italic->Assign(*styles.Fonts().DefaultFont());
  italic->SetStyle({TXc12FontStyle::xfsItalic});
  const std::vector<TXc12FontRun> runs{{0, styles.Fonts().DefaultFont()}, {2, italic}};
  const int32_t rich = book.Manager().SST().AddFormattedString(u"rich", runs);
  styles.XFEditor().UseFonts(runs);
  sheet.Cells().StoreString(kCols + 2, kRows + 2, 0, rich);  // holds the entry outside the edits
  for (long i = 0; i < steps; ++i) {
    const int c = pick(kCols), r = pick(kRows);
    switch (pick(12)) {
      case 0:
        sheet.SetAsString(c, r, pick(2) ? u"a" : u"b");
        break;
      case 1:
        sheet.SetAsFloat(c, r, pick(100));
        break;
      case 2:
        sheet.Cell(c, r).SetFontSize(8 + pick(4));
        break;
      case 3:
        sheet.Cell(c, r).SetCellColorRGB(uint32_t(pick(3)) * 0x7F);
        break;
      case 4: {
        cmd.SetMode(pick(2) ? TXLSCmdFormatMode::xcfmMerge : TXLSCmdFormatMode::xcfmReplace);
        cmd.BeginEdit(&sheet);
        if (pick(2)) cmd.Font().SetBold(pick(2));
        if (pick(2)) {
          cmd.Border().SetStyle(TXc12CellBorderStyle(1 + pick(3)));
          cmd.Border().Preset(TCmdBorderSidePreset(pick(4)));
        }
        cmd.Number().SetDecimals(pick(3));
        cmd.Apply(c, r, pick(kCols), pick(kRows));
        break;
      }
      case 5:
        sheet.Rows().Items(r)->SetFontName(pick(2) ? u"Arial" : u"Calibri");
        break;
      case 6:
        sheet.Columns().Items(c)->SetFontStyle(pick(2) ? TXc12FontStyles{TXc12FontStyle::xfsItalic}
                                                       : TXc12FontStyles{});
        break;
      case 7:
        sheet.Columns().Items(c)->SetWidth(pick(2) ? 2340 : 3000 + pick(3) * 256);
        break;
      case 8:
        sheet.DeleteCells(c, r, pick(kCols), pick(kRows), TXLSDeleteOptions::FromBits(uint8_t(pick(128))));
        break;
      case 9:
        sheet.SetAsDateTime(c, r, pick(3) == 0 ? 0.25 : 45000 + pick(2) * 0.5);
        break;
      case 10:
        sheet.Cells().DeleteCell(c, r);
        sheet.Cells().StoreString(c, r, 0, rich);
        break;
      default:
        sheet.Cells().DeleteCell(c, r);
        break;
    }
    if (i % 97 == 0 || i == steps - 1) {
      const std::string diff = test::RecountStyleUses(book, kCols + 2, kRows + 2) +
                               test::RecountStringUses(book, kCols + 2, kRows + 2);
      ASSERT_EQ(diff, "") << "after step " << i;
    }
  }
  RecordProperty("steps", std::to_string(steps));
}

}  // namespace
}  // namespace xls
