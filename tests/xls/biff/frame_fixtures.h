// Fixtures of the legacy reader frame tests: the real files of tests/data/xls-frame, BIFF streams
// wrapped in compound files, and a model hub to read into.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/biffwriter.h"
#include "tests/support/cfbwriter.h"
#include "tests/support/tempdir.h"
#include "xls/biff/biff5.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlserrors.h"

namespace xls::biff::test {

inline std::filesystem::path FrameData(const char* name) {
  const char* root = std::getenv("KWS_SOURCE_DIR");
  return std::filesystem::path(root ? root : ".") / "tests/data/xls-frame" / name;
}

inline std::vector<uint8_t> FrameFile(const char* name) {
  const std::string b = kws::test::ReadFileBytes(FrameData(name));
  return std::vector<uint8_t>(b.begin(), b.end());
}

inline std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

// A compound file holding `stream` under `name`.
inline std::vector<uint8_t> Compound(const std::string& stream, std::u16string_view name = u"Workbook") {
  kws::test::CfbWriter w;
  w.AddStream(name, stream);
  return Bytes(w.Build().bytes);
}

// The message of the XLSRWException that f raises; "(no error)" when it raises none.
inline std::string ErrorText(const std::function<void()>& f) {
  try {
    f();
  } catch (const XLSRWException& e) {
    return e.what();
  }
  return "(no error)";
}

// A component whose hub a TBIFF5 reads into (the model emptied as the component's load does).
struct Hub {
  TXLSBook book;
  Hub() { book.Clear(0); }
  TXc12Manager& M() { return book.Manager(); }
};

}  // namespace xls::biff::test
