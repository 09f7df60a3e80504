// xls_find FILE KEYWORD...: loads FILE with the spreadsheet component (package and legacy readers
// registered) and looks for each keyword as the search worker does: the workbook search started
// afresh, letters a to z folded. Prints "found<TAB>keyword<TAB>sheet<TAB>A1 reference" for the
// first cell holding it, or "absent<TAB>keyword", one line per keyword. A load error prints the
// exception's message to standard error and exits 1.
#include <cstdio>
#include <exception>
#include <string>

#include "platform/textcodec.h"
#include "xls/biff/biffreader.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlscellarea.h"
#include "xls/xlsxreader/xlsreadxlsx.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: xls_find FILE KEYWORD...\n");
    return 2;
  }
  xls::RegisterXLSXReader();
  xls::biff::RegisterBIFFReader();
  try {
    xls::TXLSBook book;
    book.LoadFromFile(argv[1]);
    for (int k = 2; k < argc; ++k) {
      const std::u16string keyword = kws::Utf8ToUtf16(argv[k]);
      book.BeginFindText();
      if (book.FindText(keyword, true)) {
        xls::TXLSWorksheet& sheet = *book.Items(size_t(book.CurrFindSheet()));
        std::printf("found\t%s\t%s\t%s\n", argv[k], kws::Utf16ToUtf8(sheet.Name()).c_str(),
                    kws::Utf16ToUtf8(xls::ColRowToRefStr(sheet.CurrFindCol(), sheet.CurrFindRow())).c_str());
      } else {
        std::printf("absent\t%s\n", argv[k]);
      }
    }
  } catch (const std::exception& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
