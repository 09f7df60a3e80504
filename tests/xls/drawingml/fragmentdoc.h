// Reads one property element from inline XML through the fragment document and collects the
// reports: the document element carries the marker "@" where the namespace declarations (a:, r:,
// mc:, c:, xdr:) go.
#pragma once

#include <string>

#include "xls/drawingml/xpgparsedrawingcommon.h"

namespace xls::xpgdml::test {

inline constexpr const char* kNs =
    " xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\""
    " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\""
    " xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\""
    " xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\""
    " xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\"";

struct Doc {
  TXPGDocDrawingFragment doc;
  int count = 0;           // reports
  std::u16string last;     // the last report
  std::u16string reports;  // every report, each followed by "; "
  explicit Doc(std::string xml) {
    doc.Errors().OnError = [this](TXpgPErrors& e) {
      ++count;
      last = e.LastErrorText();
      reports += last + u"; ";
    };
    const size_t at = xml.find('@');
    if (at != std::string::npos) xml.replace(at, 1, kNs);
    doc.LoadFromBytes(xml);
  }
};

}  // namespace xls::xpgdml::test
