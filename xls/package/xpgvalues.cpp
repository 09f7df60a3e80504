#include "xls/package/xpgvalues.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "platform/textcodec.h"
#include "xls/model/formatsettings.h"
#include "xls/model/xlsutils.h"

namespace xls {

namespace {

// ASCII copy of a UTF-16 text; false when it holds anything else (no number does).
bool Narrow(std::u16string_view in, std::string& out) {
  out.clear();
  for (char16_t c : in) {
    if (c > 0x7F) return false;
    out += static_cast<char>(c);
  }
  return true;
}

std::u16string Widen(std::string_view s) { return std::u16string(s.begin(), s.end()); }

char16_t Lower(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

constexpr int64_t kDaysTo1970 = 25569;  // 1899-12-30 to 1970-01-01


bool Digits(std::string_view s, size_t pos, size_t n, int& v) {
  if (pos + n > s.size()) return false;
  v = 0;
  for (size_t i = pos; i < pos + n; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    v = v * 10 + (s[i] - '0');
  }
  return true;
}

}  // namespace

bool XmlStrToBool(std::u16string_view text) {
  for (std::u16string_view t : {u"true", u"1", u"t"})
    if (EqualsNoCase(text, t)) return true;
  for (std::u16string_view f : {u"false", u"0", u"f"})
    if (EqualsNoCase(text, f)) return false;
  throw std::runtime_error("Invalid boolean value \"" + kws::Utf16ToUtf8(text) + "\"");
}

bool TryXmlStrToBool(std::u16string_view text, bool& value) {
  if (EqualsNoCase(text, u"true")) return value = true, true;
  if (EqualsNoCase(text, u"false")) return value = false, true;
  return false;
}

bool TryXmlStrToFloat(std::string_view text, double& value) {
  const char* p = text.data();
  const char* end = p + text.size();
  if (p < end && *p == '+') ++p;
  if (p == end) return false;
  // Only digits, sign, ".", "e", "E": keeps out "inf", "nan" and hexadecimal forms.
  for (const char* q = p; q < end; ++q) {
    char c = *q;
    if (!((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '-' || c == '+')) return false;
  }
  double v = 0;
  auto [ptr, ec] = std::from_chars(p, end, v, std::chars_format::general);
  if (ec != std::errc() || ptr != end) return false;
  value = v;
  return true;
}

bool TryXmlStrToFloat(std::u16string_view text, double& value) {
  std::string s;
  return Narrow(text, s) && TryXmlStrToFloat(std::string_view(s), value);
}

double XmlStrToFloat(std::string_view text) {
  double v = 0;
  return TryXmlStrToFloat(text, v) ? v : 0.0;
}

double XmlStrToFloat(std::u16string_view text) {
  double v = 0;
  return TryXmlStrToFloat(text, v) ? v : 0.0;
}

bool TryXmlStrToInt(std::string_view text, int32_t& value) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool neg = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) neg = text[i++] == '-';
  std::string_view rest = text.substr(i);
  if (rest.empty()) return false;
  int base = 10;
  if (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X') {
    rest.remove_prefix(1);
    base = 16;
  } else if (rest.size() > 1 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
    rest.remove_prefix(2);
    base = 16;
  }
  if (rest.empty()) return false;
  if (base == 16) {
    if (rest.size() > 8) return false;
    uint32_t u = 0;
    auto [ptr, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), u, 16);
    if (ec != std::errc() || ptr != rest.data() + rest.size()) return false;
    value = static_cast<int32_t>(neg ? 0u - u : u);
    return true;
  }
  if (rest[0] < '0' || rest[0] > '9') return false;
  int64_t v = 0;
  auto [ptr, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), v, 10);
  if (ec != std::errc() || ptr != rest.data() + rest.size()) return false;
  if (neg) v = -v;
  if (v < INT32_MIN || v > INT32_MAX) return false;
  value = static_cast<int32_t>(v);
  return true;
}

bool TryXmlStrToInt(std::u16string_view text, int32_t& value) {
  std::string s;
  return Narrow(text, s) && TryXmlStrToInt(std::string_view(s), value);
}

int32_t XmlHexStrToIntDef(std::string_view text, int32_t def) {
  int32_t v = 0;
  if (!text.empty() && text[0] == '#') {
    std::string s = "$" + std::string(text.substr(1));
    return TryXmlStrToInt(std::string_view(s), v) ? v : def;
  }
  return TryXmlStrToInt(text, v) ? v : def;
}

int32_t XmlHexStrToIntDef(std::u16string_view text, int32_t def) {
  std::string s;
  return Narrow(text, s) ? XmlHexStrToIntDef(std::string_view(s), def) : def;
}

TXpgDateTime XmlStrToDateTime(std::u16string_view text) {
  std::string s;
  if (!Narrow(text, s)) return 0;
  int y, mo, d, h = 0, mi = 0, sec = 0;
  if (!Digits(s, 0, 4, y) || s.size() < 10 || s[4] != '-' || !Digits(s, 5, 2, mo) || s[7] != '-' ||
      !Digits(s, 8, 2, d))
    return 0;
  if (mo < 1 || mo > 12 || d < 1 || d > 31) return 0;
  double frac = 0;
  size_t pos = 10;
  if (pos < s.size()) {
    if (s[pos] != 'T' || !Digits(s, 11, 2, h) || s.size() < 19 || s[13] != ':' || !Digits(s, 14, 2, mi) ||
        s[16] != ':' || !Digits(s, 17, 2, sec))
      return 0;
    if (h > 23 || mi > 59 || sec > 59) return 0;
    pos = 19;
    if (pos < s.size() && s[pos] == '.') {
      size_t start = pos;
      ++pos;
      while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') ++pos;
      if (pos == start + 1 || !TryXmlStrToFloat(std::string_view(s).substr(start, pos - start), frac)) return 0;
    }
    if (pos < s.size() && s[pos] == 'Z') ++pos;
    if (pos != s.size()) return 0;
  }
  int64_t days = DaysFromCivil(y, mo, d) + kDaysTo1970;
  return static_cast<double>(days) + (h * 3600.0 + mi * 60.0 + sec + frac) / 86400.0;
}

bool TryXmlStrToDateTime(std::u16string_view, TXpgDateTime&) {
  throw std::runtime_error("Not implemented: TryXmlStrToDateTime");
}

std::u16string XmlIntToStr(int64_t value) { return Widen(std::to_string(value)); }

std::u16string XmlFloatToStr(double value) {
  if (!std::isfinite(value)) return u"0";
  char buf[64];
  auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
  std::string s(buf, ec == std::errc() ? ptr : buf);
  size_t e = s.find('e');
  if (e != std::string::npos) {
    std::string mant = s.substr(0, e);
    int exp = std::stoi(s.substr(e + 1));
    s = mant + "E" + std::to_string(exp);
  }
  return Widen(s);
}

std::u16string XmlDateTimeToStr(TXpgDateTime value) {
  int64_t ms = static_cast<int64_t>(std::floor(value * 86400000.0 + 0.5));
  int64_t days = ms / 86400000;
  int64_t rest = ms % 86400000;
  if (rest < 0) {
    rest += 86400000;
    --days;
  }
  int64_t y;
  unsigned m, d;
  CivilFromDays(days - kDaysTo1970, y, m, d);
  int64_t secs = rest / 1000;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%d-%.2u-%.2uT%.2d:%.2d:%.2dZ", static_cast<int>(y), m, d,
                static_cast<int>(secs / 3600), static_cast<int>(secs / 60 % 60), static_cast<int>(secs % 60));
  return Widen(buf);
}

std::u16string XmlBoolToStr(bool value) { return value ? u"1" : u"0"; }

void XmlNormalizeWhitespace(std::u16string& text) {
  size_t b = 0, e = text.size();
  while (b < e && (text[b] == u'\r' || text[b] == u'\n')) ++b;
  while (e > b && (text[e - 1] == u'\r' || text[e - 1] == u'\n')) --e;
  std::u16string out;
  out.reserve(e - b);
  for (size_t i = b; i < e; ++i) {
    char16_t c = text[i];
    if (c == u'\t') continue;
    if (c == u'\r' || c == u'\n') {
      if (i + 1 < e && (text[i + 1] == u'\r' || text[i + 1] == u'\n') && text[i + 1] != c) ++i;
      out += u' ';
      continue;
    }
    out += c;
  }
  text = std::move(out);
}

std::u16string_view XmlStripPrefix(std::u16string_view qname) {
  size_t p = qname.find(u':');
  return p == std::u16string_view::npos ? qname : qname.substr(p + 1);
}

int XmlCharPos(char16_t c, std::u16string_view text) { return FindCharPos(c, text); }

int XmlLastCharPos(char16_t c, std::u16string_view text) { return FindLastCharPos(c, text); }

void XmlSplitAtChar(char16_t c, std::u16string& text, std::u16string& head) { SplitAtChar(c, text, head); }

std::string DecodeBase64Table(std::string_view text, const uint8_t (&table)[95]) {
  std::string out;
  out.reserve(text.size() / 4 * 3 + 3);
  uint32_t acc = 0;
  int n = 0;
  for (unsigned char c : text) {
    if (c < 33 || c > 127) continue;
    if (c - 33 >= 95) continue;
    uint8_t v = table[c - 33];
    if (v >= 64) continue;
    acc = (acc << 6) | v;
    if (++n == 4) {
      out += char(acc >> 16);
      out += char(acc >> 8);
      out += char(acc);
      acc = 0;
      n = 0;
    }
  }
  if (n == 3) {
    out += char(acc >> 10);
    out += char(acc >> 2);
  } else if (n == 2) {
    out += char(acc >> 4);
  }
  return out;
}

std::string DecodeBase64(std::string_view text) {
  static const auto table = [] {
    struct T {
      uint8_t v[95];
    } t{};
    for (auto& x : t.v) x = 255;
    const char* alpha = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 64; ++i) t.v[alpha[i] - 33] = static_cast<uint8_t>(i);
    return t;
  }();
  return DecodeBase64Table(text, table.v);
}

}  // namespace xls
