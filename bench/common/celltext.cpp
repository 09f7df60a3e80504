#include "bench/common/celltext.h"

#include "platform/textcodec.h"
#include "xls/model/xlsbook.h"

namespace kws::bench {

std::string EscapedText(std::u16string_view text) {
  std::string out;
  for (char c : kws::Utf16ToUtf8(text)) {
    switch (c) {
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string CellText(xls::TXLSWorksheet& sheet, int32_t col, int32_t row) {
  return EscapedText(sheet.GetAsString(col, row));
}

}  // namespace kws::bench
