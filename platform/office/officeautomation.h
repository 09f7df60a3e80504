// Our layer in place of the word processors' automation servers (Word,
// "Word.application", and WPS Office, "Kwps.application"): open a document
// read-only and hidden, find a text in its content, close it.
//
// The search routines see only the three interfaces below, so that tests can
// put a fake in place of a server (one that cannot be had, a document that
// fails to open, a find that fails). OwnOfficeAutomation serves both programs
// from our own readers (wordtext.h): opening reads the document's main text
// once; Find is a literal search that keeps blanks and ignores letter case
// (Latin, Greek, Cyrillic and full-width letters fold to one case); a match
// never crosses a paragraph end, table cell, tab, break or inline object.
#pragma once

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kws {

enum class OfficeProgram { Word, Wps };

// An open document. Find and Close may raise std::exception (a server's
// failure).
class OfficeDocument {
 public:
  virtual ~OfficeDocument() = default;
  virtual bool Find(std::u16string_view text) = 0;
  virtual void Close() = 0;
};

// A running application. Open raises std::exception when the document cannot be
// opened (missing, password-protected or encrypted, unreadable format).
class OfficeApplication {
 public:
  virtual ~OfficeApplication() = default;
  virtual void SetVisible(bool visible) = 0;
  virtual std::unique_ptr<OfficeDocument> Open(const std::filesystem::path& file) = 0;
};

// Where the applications come from: nothing when the program's application
// object cannot be had.
class OfficeAutomation {
 public:
  virtual ~OfficeAutomation() = default;
  virtual std::unique_ptr<OfficeApplication> Connect(OfficeProgram program) = 0;
};

// Our readers, for both programs; always available.
class OwnOfficeAutomation : public OfficeAutomation {
 public:
  std::unique_ptr<OfficeApplication> Connect(OfficeProgram program) override;
};

// The find used by our documents, over text from wordtext.h: true when `text`
// (non-empty) occurs in `content` ignoring letter case. Exposed for tests and
// benchmarks.
bool OfficeFindText(std::u16string_view content, std::u16string_view text);
// The case folding of that find.
char16_t OfficeFoldCase(char16_t c);

}  // namespace kws
