// xls_sheet_counts FILE: loads a legacy workbook with the component and reads what the peer
// benchmark (run.sh) reads with xlrd: every cell's text, the merged areas, the hyperlinks with
// their addresses and the row records of every sheet. Prints
// "counts<TAB>cells N<TAB>merged N<TAB>hyperlinks N<TAB>rows N" (rows: those with a ROW record,
// that is with a height given). A load error prints the message and exits 1.
#include <cstdio>
#include <exception>

#include "xls/biff/biffreader.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlscellmmu.h"
#include "xls/model/xlshyperlinks.h"
#include "xls/model/xlsworksheetdata.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: xls_sheet_counts FILE\n");
    return 2;
  }
  xls::biff::RegisterBIFFReader();
  try {
    xls::TXLSBook book;
    book.LoadFromFile(argv[1]);
    size_t cells = 0, merged = 0, links = 0, rows = 0, text = 0;
    for (size_t s = 0; s < book.Count(); ++s) {
      xls::TXLSWorksheet& sheet = *book.Items(s);
      xls::TXLSCellMMU& store = sheet.Cells();
      store.BeginIterateRow(-1);
      while (store.IterateNextRow()) {
        const xls::TXLSMMURowHeader* h = store.IterRow();
        if (h && h->Height != 0xFFFF) ++rows;
        store.BeginIterateCol();
        while (store.IterateNextCol()) {
          const std::u16string v = sheet.GetAsString(store.IterCellCol(), store.IterCellRow());
          if (v.empty()) continue;
          ++cells;
          text += v.size();
        }
      }
      xls::TXc12DataWorksheet& data = sheet.Xc12Sheet();
      merged += data.MergedCells().Count();
      for (size_t i = 0; i < data.Hyperlinks().Count(); ++i, ++links)
        text += static_cast<const xls::TXLSHyperlink*>(data.Hyperlinks().Link(i))->Address().size();
    }
    std::printf("counts\tcells %zu\tmerged %zu\thyperlinks %zu\trows %zu\n", cells, merged, links, rows);
    std::fprintf(stderr, "characters read: %zu\n", text);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}
