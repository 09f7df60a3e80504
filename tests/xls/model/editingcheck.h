// Test helper for the editing layer: recounts the uses of every cell format from the cells,
// row headers and column records of a sheet area, and reports formats whose counted uses differ.
#pragma once

#include <map>
#include <string>

#include "xls/model/xc12manager.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlscellmmu.h"
#include "xls/model/xlssst.h"
#include "xls/model/xlsstylesheet.h"
#include "xls/model/xlsworksheetdata.h"

namespace xls::test {

// Uses of each format (position >= 1) from cells and rows in 0..maxCol x 0..maxRow and from
// every column record of every sheet; compared with the formats' counts (format 0 also counts
// the built-in entries' own uses, so it is left out). Empty text when all agree.
inline std::string RecountStyleUses(TXLSBook& book, int32_t maxCol, int32_t maxRow) {
  std::map<int32_t, int32_t> uses;
  TXc12Manager& m = book.Manager();
  for (size_t s = 0; s < m.Worksheets().Count(); ++s) {
    TXc12DataWorksheet& ws = *m.Worksheets().Items(s);
    TXLSCellMMU& cells = ws.Cells();
    for (int32_t r = 0; r <= maxRow; ++r) {
      if (const TXLSMMURowHeader* h = cells.FindRow(r)) ++uses[h->Style];
      for (int32_t c = 0; c <= maxCol; ++c) {
        const TXLSCellItem item = cells.FindCell(c, r);
        if (item.Data) ++uses[cells.GetStyle(item)];
      }
    }
    for (size_t i = 0; i < ws.Columns().Count(); ++i)
      if (const TXc12XF* xf = ws.Columns().Items(i)->FStyle) ++uses[xf->Index()];
  }
  std::string out;
  TXc12XFs& xfs = m.StyleSheet().XFs();
  for (size_t i = 1; i < xfs.Count(); ++i) {
    const TXc12XF* xf = xfs.Items(i);
    const int32_t want = uses.count(int32_t(i)) ? uses[int32_t(i)] : 0;
    const int32_t have = xf ? xf->RefCount() : 0;
    if (want != have && !(xf && xf->Locked() && want == 0))
      out += "XF " + std::to_string(i) + ": counted " + std::to_string(have) + ", used " +
             std::to_string(want) + "\n";
    if (!xf && want) out += "XF " + std::to_string(i) + " freed while used\n";
  }
  return out;
}

// Uses of each shared-string entry from the string cells in 0..maxCol x 0..maxRow of every sheet,
// compared with the entries' counts. Empty text when all agree.
inline std::string RecountStringUses(TXLSBook& book, int32_t maxCol, int32_t maxRow) {
  std::map<int32_t, int32_t> uses;
  TXc12Manager& m = book.Manager();
  for (size_t s = 0; s < m.Worksheets().Count(); ++s) {
    TXLSCellMMU& cells = m.Worksheets().Items(s)->Cells();
    for (int32_t r = 0; r <= maxRow; ++r)
      for (int32_t c = 0; c <= maxCol; ++c) {
        const TXLSCellItem item = cells.FindCell(c, r);
        if (item.Data && cells.CellType(item) == TXLSCellType::xctString) ++uses[cells.GetStringSST(item)];
      }
  }
  std::string out;
  TXc12DataSST& sst = m.SST();
  for (int32_t i = 0; i < sst.TotalCount(); ++i) {
    const TXLSString* e = sst.GetItems(i);
    const int32_t want = uses.count(i) ? uses[i] : 0;
    const int32_t have = e ? e->RefCount : 0;
    if (want != have)
      out += "entry " + std::to_string(i) + ": counted " + std::to_string(have) + ", used " +
             std::to_string(want) + "\n";
  }
  return out;
}

}  // namespace xls::test
