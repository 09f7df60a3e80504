// Workbooks are loaded by the spreadsheet engine's one component, kept for the whole run, and
// searched through its workbook search (every cell of every sheet as text, ASCII letters folded).
// A file the engine cannot read raises from the load; the component is then empty, so nothing of
// an earlier workbook is ever searched in its place. The file is mapped, not copied, and handed to
// the component's byte entry, which routes by content exactly as LoadFromFile does; a file that
// cannot be opened is no hit rather than an error.
#include "app/findexcel.h"

#include <span>
#include <string>

#include "app/keywords.h"
#include "platform/filebytes.h"
#include "platform/textcodec.h"
#include "xls/biff/biffreader.h"
#include "xls/model/xlsbook.h"
#include "xls/package/reader/xlsreadxlsx.h"

namespace kws::app {

namespace {

// The readers the component routes to, registered once before the first component is made.
bool RegisterReaders() {
  xls::RegisterXLSXReader();
  xls::biff::RegisterBIFFReader();
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
  kws::MappedFile data(file);
  if (!data.ok()) {
    book.Clear(0);
    return false;
  }
  std::string ext = file.extension().string();
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
  book.Manager().FFilename = kws::Utf8ToUtf16(file.string());
  book.LoadFromBytes(data.bytes(), ext == ".xls" || ext == ".xlm");
  for (const std::u16string& key : SplitCommaText(findtxt)) {
    if (key.empty()) continue;
    book.BeginFindText();
    if (book.FindText(key, true)) return true;
  }
  return false;
}

}  // namespace kws::app
