// A PDF document opened for text search, in place of the PDF component the search relied on.
//
// It offers what the search needs and nothing more: open a file by name (no password), the page
// count, selecting the current page by its 1-based number, and finding a text on that page. It is
// a thin layer over poppler-cpp, which extracts each page's text in reading order with the fonts'
// ToUnicode maps, so CJK text is found like any other.
//
// Finding ignores letter case (ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic letters fold
// to lower case) and, with `wholeWord`, takes a match only when it neither continues a word
// before it nor runs on into one after it. Word characters are letters and digits of alphabetic
// scripts; CJK ideographs, kana and hangul are not, since those scripts put no spaces between
// words and any run of them may be a word.
//
// One object is used by one thread at a time.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace poppler {
class document;
}

namespace kws {

class TPdfDocument {
 public:
  TPdfDocument();
  ~TPdfDocument();
  TPdfDocument(const TPdfDocument&) = delete;
  TPdfDocument& operator=(const TPdfDocument&) = delete;

  // Opens the file, closing any document open before. Throws std::runtime_error when the file
  // cannot be read as a PDF or is locked by a user password.
  void Open(const std::filesystem::path& file);
  void Close();
  bool Active() const { return doc_ != nullptr; }

  // Number of pages of the open document (0 when none is open).
  int PageCount() const;
  // Selects the current page (1-based) and extracts its text. Throws std::out_of_range for a
  // number outside 1..PageCount().
  void SetPageNumber(int page);
  int PageNumber() const { return page_; }

  // Position (in UTF-16 code units of the page text) of the first occurrence of `text` on the
  // current page at or after `start`, or -1. An empty text is never found.
  int FindFirst(std::u16string_view text, bool wholeWord, int start = 0) const;

  // The current page's text as extracted (for diagnostics and tests).
  const std::u16string& PageText() const { return text_; }

 private:
  std::unique_ptr<poppler::document> doc_;
  int page_ = 0;
  std::u16string text_;    // current page text
  std::u16string folded_;  // the same, case-folded, same length
};

}  // namespace kws
