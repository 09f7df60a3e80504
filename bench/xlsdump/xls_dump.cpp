// xls_dump FILE [PASSWORD]: loads FILE with the spreadsheet component (either road, an encrypted
// file with the password) and prints what the model holds, one object a line, in the form of
// README.md beside this file. Warnings of the load go to standard error as "warning<TAB>text" and
// leave the exit code 0; a load error prints its message to standard error and exits 1.
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

#include "bench/common/celltext.h"
#include "bench/xlsdump/modeldump.h"
#include "platform/textcodec.h"
#include "xls/biff/biffreader.h"
#include "xls/crypto/encryption/xlsencryption.h"
#include "xls/drawingml/xlsdrawing.h"
#include "xls/formula/xlsformulabinding.h"
#include "xls/model/formatsettings.h"
#include "xls/model/xlsbook.h"
#include "xls/pivot/xpgpivotroots.h"
#include "xls/xlsxreader/xlsreadxlsx.h"

namespace {

void WriteLine(std::FILE* out, std::string_view prefix, std::string_view line) {
  std::string text;
  text.reserve(prefix.size() + line.size() + 1);
  text.append(prefix).append(line) += '\n';
  std::fwrite(text.data(), 1, text.size(), out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: xls_dump FILE [PASSWORD]\n");
    return 2;
  }
  xls::RegisterXLSXReader();
  xls::biff::RegisterBIFFReader();
  xls::RegisterEncryptedPackageReader();
  xls::RegisterFormulaBinding();
  xls::xpgpivot::RegisterPivotTables();
  xls::RegisterDrawings();
  try {
    // Numbers are written with "." whatever the environment's locale says.
    xls::TXLSBook book{xls::FormatSettings()};
    // Warnings go to the event; errors keep raising (they end the load).
    book.Errors().SetFilter({xls::TXLSErrorLevel::xelError, xls::TXLSErrorLevel::xelFatal});
    book.Errors().SetOnError(
        [](xls::TXLSErrorManager*, xls::TXLSErrorLevel level, const std::u16string& text) {
          if (level == xls::TXLSErrorLevel::xelWarning)
            WriteLine(stderr, "warning\t", kws::bench::EscapedText(text));
        });
    if (argc == 3) book.SetPassword(kws::Utf8ToUtf16(argv[2]));
    book.ReadVBA = true;  // the macro project of a legacy workbook gives the `macro` lines
    book.LoadFromFile(argv[1]);
    kws::bench::DumpModel(
        book, [](std::string_view line) { WriteLine(stdout, {}, line); },
        [](std::string_view text) { WriteLine(stderr, "warning\t", text); });
  } catch (const std::exception& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}
