#include "platform/pdfdoc.h"

#include <poppler-document.h>
#include <poppler-page.h>

#include <stdexcept>

#include "platform/filebytes.h"

namespace kws {
namespace {

// Lower-case partner of a letter for the scripts whose case is folded; any other unit unchanged.
char16_t FoldCase(char16_t c) {
  if (c < 0x80) return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return char16_t(c + 32);
  if (c == 0x178) return 0xFF;
  if (c >= 0x100 && c <= 0x17F) {  // Latin Extended-A: pairs, mostly even = upper
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? char16_t(c + 1) : c;
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    return (c & 1) ? c : char16_t(c + 1);
  }
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return char16_t(c + 32);
  if (c >= 0x410 && c <= 0x42F) return char16_t(c + 32);
  if (c >= 0x400 && c <= 0x40F) return char16_t(c + 80);
  return c;
}

// Letters and digits of alphabetic scripts (see the header); CJK and symbols are not.
bool IsWordChar(char16_t c) {
  if (c < 0x80) return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
  if (c >= 0xC0 && c <= 0x24F) return c != 0xD7 && c != 0xF7;
  if (c >= 0x370 && c <= 0x52F) return c != 0x37E && c != 0x387;  // Greek, Cyrillic
  if (c >= 0x1E00 && c <= 0x1FFF) return true;                      // Latin and Greek extended
  return false;
}

std::u16string ToU16(const poppler::ustring& s) { return std::u16string(s.begin(), s.end()); }

}  // namespace

TPdfDocument::TPdfDocument() = default;
TPdfDocument::~TPdfDocument() = default;

void TPdfDocument::Open(const std::filesystem::path& file) {
  Close();
  // Only a regular file is read (a FIFO or device would hang poppler's open or its reads); poppler
  // opens the very file checked, through its descriptor's name.
  const RegularFile opened(file);
  if (!opened.ok()) throw std::runtime_error("cannot open PDF file " + file.string());
  std::unique_ptr<poppler::document> doc(poppler::document::load_from_file(opened.ReopenName().string()));
  if (!doc) throw std::runtime_error("cannot open PDF file " + file.string());
  if (doc->is_locked()) throw std::runtime_error("PDF file is locked: " + file.string());
  doc_ = std::move(doc);
}

void TPdfDocument::Close() {
  doc_.reset();
  page_ = 0;
  text_.clear();
  folded_.clear();
}

int TPdfDocument::PageCount() const { return doc_ ? doc_->pages() : 0; }

void TPdfDocument::SetPageNumber(int page) {
  if (page < 1 || page > PageCount()) throw std::out_of_range("PDF page number out of range");
  std::unique_ptr<poppler::page> p(doc_->create_page(page - 1));
  text_ = p ? ToU16(p->text()) : std::u16string();
  folded_ = text_;
  for (char16_t& c : folded_) c = FoldCase(c);
  page_ = page;
}

int TPdfDocument::FindFirst(std::u16string_view text, bool wholeWord, int start) const {
  if (text.empty() || start < 0) return -1;
  std::u16string needle(text);
  for (char16_t& c : needle) c = FoldCase(c);
  const std::u16string_view hay(folded_);
  for (size_t pos = hay.find(needle, static_cast<size_t>(start)); pos != std::u16string_view::npos;
       pos = hay.find(needle, pos + 1)) {
    if (!wholeWord) return static_cast<int>(pos);
    const size_t end = pos + needle.size();
    const bool joinsBefore = pos > 0 && IsWordChar(hay[pos - 1]) && IsWordChar(hay[pos]);
    const bool joinsAfter = end < hay.size() && IsWordChar(hay[end]) && IsWordChar(hay[end - 1]);
    if (!joinsBefore && !joinsAfter) return static_cast<int>(pos);
  }
  return -1;
}

}  // namespace kws
