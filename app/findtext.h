// The per-format search routines the worker runs inside the process, and the objects they keep
// for the whole life of the program: the one PDF document, the one spreadsheet component and the
// Word/WPS flags of the current run.
//
// findintxt reads the whole file and decodes it once: a byte-order mark says UTF-8, UTF-16 LE or
// UTF-16 BE; without one the bytes are UTF-8 when they are valid UTF-8, else GB18030. Each
// keyword of the blank-free search text is then looked for as an exact, case-sensitive substring
// of the decoded text; an empty keyword never matches. Valid UTF-8 is searched in place (a UTF-8
// substring test is a character substring test), so the usual file is never converted; it is
// streamed in chunks, so memory does not grow with the file. An ASCII keyword needs no
// validation when its bytes are missing or follow an ASCII byte (see Scan). Line
// ends are searched as they stand in the file; keywords come from a one-line field.
//
// Every routine reads regular files only (kws::RegularFile): a FIFO, socket or device file whose
// name matches is searched and holds nothing.
//
// findinpdf opens the file, and for each page in turn looks for each keyword of the blank-free
// search text as a whole word without regard to letter case. A PDF that cannot be opened or is
// locked raises; the worker counts that as a miss.
#pragma once

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "app/findexcel.h"
#include "app/findoffice.h"
#include "platform/pdfdoc.h"

namespace kws::app {

// Raised by findintxt when the path names no file (nothing there, or a folder), so that the worker
// can skip it without looking it up separately first.
class TFileMissing : public std::runtime_error {
 public:
  explicit TFileMissing(const std::filesystem::path& file) : std::runtime_error("no such file: " + file.string()) {}
};

// Text routine on a buffer: true when a keyword of `findtxt` (blanks removed, split at ",")
// occurs in the decoded bytes. Exposed for tests and the benchmark.
bool FindInTextBytes(std::string_view bytes, std::u16string_view findtxt);

// True when the bytes are valid UTF-8, by the rules of IsValidUtf8; the fast form used on file
// contents.
bool IsUtf8Text(std::string_view bytes);

// The bytes of a text file decoded by the rules above (the byte-order mark itself dropped).
std::u16string DecodeText(std::string_view bytes);

class TFindText {
 public:
  TFindText();
  ~TFindText();
  TFindText(const TFindText&) = delete;
  TFindText& operator=(const TFindText&) = delete;

  bool findintxt(const std::filesystem::path& file, std::u16string_view findtxt);
  bool findinpdf(const std::filesystem::path& file, std::u16string_view findtxt);
  bool findinexcel(const std::filesystem::path& file, std::u16string_view findtxt) {
    return xlsbook.findinexcel(file, findtxt);
  }

  TPdfDocument pdfdoc;
  TExcelSearch xlsbook;
  TOfficeSearchState office;  // hasword, haswps and the message box hand-over

 private:
  struct TTextKeys;
  std::unique_ptr<TTextKeys> keys_;  // keywords of the last search text
  std::string buffer_;               // file bytes, reused from file to file
};

}  // namespace kws::app
