#include "xls/model/xlsmaskdate.h"

#include <string>
#include <vector>

#include "platform/textcodec.h"
#include "xls/model/xlserrors.h"

namespace xls {

namespace {

enum class Kind : uint8_t { Digit, Decimal, Elapsed, Other };

bool IsDateLetter(char16_t c) {
  switch (c) {
    case u'D':
    case u'H':
    case u'M':
    case u'S':
    case u'Y':
    case u'd':
    case u'h':
    case u'm':
    case u's':
    case u'y':
      return true;
    default:
      return false;
  }
}

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; }

// The code as the mask keeps it: "general" as "@", the first bracket group dropped.
std::u16string Prepared(std::u16string_view code) {
  std::u16string s;
  for (size_t i = 0; i < code.size();) {
    if (i + 7 <= code.size() && kws::AsciiSameText(code.substr(i, 7), u"general")) {
      s += u'@';
      i += 7;
    } else {
      s += code[i++];
    }
  }
  const size_t open = s.find(u'['), close = s.find(u']');
  if (open != std::u16string::npos && close != std::u16string::npos && open < close)
    s.erase(open, close - open + 1);
  return s;
}

// The first section: up to the first ";" outside double quotes.
std::u16string_view FirstSection(std::u16string_view s) {
  bool quoted = false;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == u'"')
      quoted = !quoted;
    else if (s[i] == u';' && !quoted)
      return s.substr(0, i);
  }
  return s;
}

}  // namespace

bool NumFmtIsDateTime(std::u16string_view code) {
  if (code.size() >= 256) throw XLSRWException("Format string more than 255 characthers");
  const std::u16string prepared = Prepared(code);
  const std::u16string_view s = FirstSection(prepared);
  std::vector<Kind> tokens;
  bool dateTime = false;
  size_t i = 0;
  auto at = [&](size_t k) { return k < s.size() ? s[k] : char16_t(0); };
  while (i < s.size()) {
    const char16_t c = s[i];
    if (c == u'"') {
      const size_t end = s.find(u'"', i + 1);
      if (end == std::u16string_view::npos) break;  // the section ends
      tokens.push_back(Kind::Other);
      i = end + 1;
    } else if (c == u'#' || c == u'0' || c == u'?') {
      tokens.push_back(Kind::Digit);
      ++i;
    } else if (c == u'.') {
      tokens.push_back(Kind::Decimal);
      ++i;
    } else if (c == u',') {
      ++i;
    } else if (c == u'@') {
      tokens.push_back(Kind::Other);
      dateTime = false;  // a text section: the other flags are dropped
      ++i;
    } else if (c == u'E' || c == u'e') {
      tokens.push_back(Kind::Other);
      i += (at(i + 1) == u'+' || at(i + 1) == u'-') ? 2 : 1;
    } else if (c == u'\\' || c == u'_') {
      if (i + 1 < s.size()) tokens.push_back(Kind::Other);
      i += 2;
    } else if (c == u'*') {
      ++i;
    } else if (c == u'[') {
      const size_t end = s.find(u']', i + 1);
      if (end == std::u16string_view::npos) break;  // the section ends
      const std::u16string group = kws::AsciiUpperCopy(s.substr(i + 1, end - i - 1));
      if (!group.empty() && group[0] == u'$')
        tokens.push_back(Kind::Other);
      else if (group == u"H" || group == u"HH" || group == u"M" || group == u"MM" || group == u"S" ||
               group == u"SS")
        tokens.push_back(Kind::Elapsed);
      if (!tokens.empty() && tokens.back() == Kind::Elapsed) dateTime = true;
      i = end + 1;
    } else if (IsDateLetter(c)) {
      dateTime = true;
      const char16_t l = Lower(c);
      while (i < s.size() && Lower(s[i]) == l) ++i;
      tokens.push_back(Kind::Other);
    } else if (c == u'a' || c == u'A') {
      tokens.push_back(Kind::Other);
      if (s.substr(i, 3) == u"a/p")
        i += 3;
      else if (s.substr(i, 5) == u"am/pm" || s.substr(i, 5) == u"AM/PM")
        i += 5;
      else
        ++i;
    } else {
      tokens.push_back(Kind::Other);
      ++i;
    }
  }
  // Digit placeholders before any decimal point make it a number section.
  for (Kind k : tokens) {
    if (k == Kind::Decimal) break;
    if (k == Kind::Digit) return false;
  }
  return dateTime;
}

}  // namespace xls
