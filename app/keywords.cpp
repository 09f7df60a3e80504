#include "app/keywords.h"

namespace kws::app {

std::vector<std::u16string> SplitCommaText(std::u16string_view text) {
  std::vector<std::u16string> fields;
  if (text.empty()) return fields;
  size_t i = 0;
  for (;;) {
    std::u16string field;
    if (i < text.size() && text[i] == u'"') {
      ++i;
      while (i < text.size()) {
        if (text[i] == u'"') {
          if (i + 1 < text.size() && text[i + 1] == u'"') {
            field += u'"';
            i += 2;
            continue;
          }
          ++i;  // closing quote
          break;
        }
        field += text[i++];
      }
    }
    const size_t comma = text.find(u',', i);
    const size_t end = comma == std::u16string_view::npos ? text.size() : comma;
    field.append(text.substr(i, end - i));
    fields.push_back(std::move(field));
    if (comma == std::u16string_view::npos) break;
    i = comma + 1;
  }
  return fields;
}

std::u16string QuoteCommaField(std::u16string_view field) {
  if (field.find_first_of(u",\"") == std::u16string_view::npos) return std::u16string(field);
  std::u16string out;
  out.reserve(field.size() + 2);
  out += u'"';
  for (char16_t c : field) {
    if (c == u'"') out += u'"';
    out += c;
  }
  out += u'"';
  return out;
}

std::u16string RemoveBlanks(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char16_t c : text)
    if (c != u' ') out += c;
  return out;
}

}  // namespace kws::app
