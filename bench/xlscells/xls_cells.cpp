// xls_cells FILE [PASSWORD]: loads FILE with the spreadsheet component and prints, for every
// cell whose text is not empty, one UTF-8 line "sheet<TAB>A1 reference<TAB>text", sheets in
// order, rows then columns in order. A load error prints the exception's message to standard
// error and exits 1. The tool registers the readers it links in DefaultXLSBookReaders() (the
// package, legacy and encrypted-package readers); a kind of file whose reader is not linked
// gives the component's own error.
#include <cstdio>
#include <exception>
#include <string>

#include "bench/common/celltext.h"
#include "platform/textcodec.h"
#include "xls/biff/biffreader.h"
#include "xls/crypto/encryption/xlsencryption.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlscellmmu.h"
#include "xls/xlsxreader/xlsreadxlsx.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: xls_cells FILE [PASSWORD]\n");
    return 2;
  }
  xls::RegisterXLSXReader();
  xls::biff::RegisterBIFFReader();
  xls::RegisterEncryptedPackageReader();
  try {
    xls::TXLSBook book;
    if (argc == 3) book.SetPassword(kws::Utf8ToUtf16(argv[2]));
    book.LoadFromFile(argv[1]);
    std::string line;
    for (size_t s = 0; s < book.Count(); ++s) {
      xls::TXLSWorksheet& sheet = *book.Items(s);
      const std::string name = kws::bench::EscapedText(sheet.Name());
      xls::TXLSCellMMU& cells = sheet.Cells();
      cells.BeginIterateRow(-1);
      while (cells.IterateNextRow()) {
        const int32_t row = cells.IterCellRow();
        cells.BeginIterateCol();
        while (cells.IterateNextCol()) {
          const int32_t col = cells.IterCellCol();
          const std::string text = kws::bench::CellText(sheet, col, row);
          if (text.empty()) continue;
          line = name;
          line += '\t';
          line += kws::Utf16ToUtf8(xls::ColRowToRefStr(col, row));
          line += '\t';
          line += text;
          line += '\n';
          std::fwrite(line.data(), 1, line.size(), stdout);
        }
      }
    }
  } catch (const std::exception& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
