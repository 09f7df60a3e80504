// xls_cells FILE [PASSWORD]: loads FILE with the spreadsheet component and prints, for every
// cell whose text is not empty, one UTF-8 line "sheet<TAB>A1 reference<TAB>text", sheets in
// order, rows then columns in order. A load error prints the exception's message to standard
// error and exits 1. The tool registers the readers it links in DefaultXLSBookReaders() (the
// package, legacy and encrypted-package readers); a kind of file whose reader is not linked gives the component's own error.
#include <cstdio>
#include <exception>
#include <string>

#include "platform/textcodec.h"
#include "xls/biff/biffreader.h"
#include "xls/crypto/encryption/xlsencryption.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlscellmmu.h"
#include "xls/package/reader/xlsreadxlsx.h"

namespace {

// Cell texts may hold tabs and line breaks; they are written as \t, \n and \r (and \\ for a
// backslash) so that every cell stays on one line.
std::string Escaped(const std::u16string& text) {
  std::string out;
  for (char c : kws::Utf16ToUtf8(text)) {
    switch (c) {
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace

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
      const std::string name = Escaped(sheet.Name());
      xls::TXLSCellMMU& cells = sheet.Cells();
      cells.BeginIterateRow(-1);
      while (cells.IterateNextRow()) {
        const int32_t row = cells.IterCellRow();
        cells.BeginIterateCol();
        while (cells.IterateNextCol()) {
          const int32_t col = cells.IterCellCol();
          const std::u16string text = sheet.GetAsString(col, row);
          if (text.empty()) continue;
          line = name;
          line += '\t';
          line += kws::Utf16ToUtf8(xls::ColRowToRefStr(col, row));
          line += '\t';
          line += Escaped(text);
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
