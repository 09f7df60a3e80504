// Workbooks are loaded by the spreadsheet engine's one component, kept for the whole run, and
// searched through its workbook search (every cell of every sheet as text, ASCII letters folded).
// A file the engine cannot read raises from the load; the component is then empty, so nothing of
// an earlier workbook is ever searched in its place. The component maps the file and routes it by
// its content; a file that cannot be opened raises like a damaged one.
#include "app/findexcel.h"

#include <string>

#include "app/keywords.h"
#include "xls/biff/biffreader.h"
#include "xls/crypto/encryption/xlsencryption.h"
#include "xls/model/xlsbook.h"
#include "xls/xlsxreader/xlsreadxlsx.h"

namespace kws::app {

namespace {

// The readers the component routes to, registered once before the first component is made.
bool RegisterReaders() {
  xls::RegisterXLSXReader();
  xls::biff::RegisterBIFFReader();
  xls::RegisterEncryptedPackageReader();
  return true;
}

}  // namespace

struct TExcelSearch::Impl {
  Impl() : registered(RegisterReaders()) {}
  bool registered;
  xls::TXLSBook xlsbook;
};

TExcelSearch::TExcelSearch() : impl_(std::make_unique<Impl>()) {}
TExcelSearch::~TExcelSearch() = default;

bool TExcelSearch::findinexcel(const std::filesystem::path& file, std::u16string_view findtxt) {
  xls::TXLSBook& book = impl_->xlsbook;
  book.LoadFromFile(file);
  for (const std::u16string& key : SplitCommaText(findtxt)) {
    if (key.empty()) continue;
    book.BeginFindText();
    if (book.FindText(key, true)) return true;
  }
  return false;
}

}  // namespace kws::app
