#include "bench/common/celltext.h"

#include "platform/textcodec.h"
#include "xls/model/xlsbook.h"

namespace kws::bench {

void AppendEscapedText(std::string& out, std::u16string_view text) {
  const std::string utf8 = kws::Utf16ToUtf8(text);
  size_t from = 0;  // the plain bytes from here on are appended in one piece
  for (size_t i = 0; i < utf8.size(); ++i) {
    const char c = utf8[i];
    const char code = c == '\t' ? 't' : c == '\n' ? 'n' : c == '\r' ? 'r' : c == '\\' ? '\\' : '\0';
    if (code == '\0') continue;
    out.append(utf8, from, i - from);
    out += '\\';
    out += code;
    from = i + 1;
  }
  out.append(utf8, from, std::string::npos);
}

std::string EscapedText(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() + 16);
  AppendEscapedText(out, text);
  return out;
}

std::string CellText(xls::TXLSWorksheet& sheet, int32_t col, int32_t row) {
  return EscapedText(sheet.GetAsString(col, row));
}

}  // namespace kws::bench
