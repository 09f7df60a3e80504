#include "platform/textcodec.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kws {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence starting at s[i]; returns the code point or -1 and advances i past
// what was consumed (at least one byte).
int32_t DecodeOne(std::string_view s, size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  int len;
  uint32_t cp;
  uint32_t min;
  if ((b0 & 0xE0) == 0xC0) {
    len = 2, cp = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3, cp = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4, cp = b0 & 0x07, min = 0x10000;
  } else {
    ++i;
    return -1;
  }
  size_t j = i + 1;
  for (int k = 1; k < len; ++k, ++j) {
    if (j >= s.size()) {
      i = j;
      return -1;
    }
    const auto b = static_cast<unsigned char>(s[j]);
    if ((b & 0xC0) != 0x80) {
      i = j;  // the byte that broke the sequence starts the next one
      return -1;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  i = j;
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
  return static_cast<int32_t>(cp);
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    if (b < 0x80) {  // fast path for ASCII runs
      out.push_back(b);
      ++i;
      continue;
    }
    const int32_t cp = DecodeOne(utf8, i);
    if (cp < 0) {
      out.push_back(kReplacement);
    } else if (cp >= 0x10000) {
      const uint32_t v = static_cast<uint32_t>(cp) - 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view s) {
  // Plain ASCII, the usual case, is narrowed in one pass.
  if (std::all_of(s.begin(), s.end(), [](char16_t c) { return c < 0x80; })) {
    std::string out(s.size(), '\0');
    std::transform(s.begin(), s.end(), out.begin(), [](char16_t c) { return char(c); });
    return out;
  }
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    uint32_t cp = s[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = kReplacement;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

bool IsValidUtf8(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    if (DecodeOne(bytes, i) < 0) return false;
  }
  return true;
}

std::u16string Latin1ToUtf16(std::string_view bytes) {
  std::u16string out(bytes.size(), u'\0');
  for (size_t i = 0; i < bytes.size(); ++i) out[i] = static_cast<unsigned char>(bytes[i]);
  return out;
}

std::u16string Utf16BytesToString(std::string_view bytes, bool bigEndian) {
  std::u16string out(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < out.size(); ++i) {
    const auto a = static_cast<unsigned char>(bytes[2 * i]);
    const auto b = static_cast<unsigned char>(bytes[2 * i + 1]);
    out[i] = bigEndian ? static_cast<char16_t>((a << 8) | b) : static_cast<char16_t>((b << 8) | a);
  }
  return out;
}

std::optional<std::u16string> DecodeCharset(std::string_view bytes, const char* charset) {
  iconv_t cd = iconv_open("UTF-16LE", charset);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::u16string out;
  out.reserve(bytes.size());
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  char buf[4096];
  while (inLeft > 0) {
    char* outPtr = buf;
    size_t outLeft = sizeof(buf);
    const size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    const size_t produced = sizeof(buf) - outLeft;
    for (size_t k = 0; k + 1 < produced; k += 2)
      out.push_back(static_cast<char16_t>(static_cast<unsigned char>(buf[k]) |
                                          (static_cast<unsigned char>(buf[k + 1]) << 8)));
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL (truncated at the end): one replacement, skip one byte
      out.push_back(kReplacement);
      ++in;
      --inLeft;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  return out;
}

const char* CharsetOfCodePage(uint32_t codePage) {
  switch (codePage) {
    case 437: return "CP437";
    case 850: return "CP850";
    case 852: return "CP852";
    case 866: return "CP866";
    case 874: return "CP874";
    case 932: return "CP932";
    case 936: return "GBK";
    case 949: return "CP949";
    case 950: return "BIG5";
    case 1200: return "UTF-16LE";
    case 1250: return "CP1250";
    case 1251: return "CP1251";
    case 1252: return "CP1252";
    case 1253: return "CP1253";
    case 1254: return "CP1254";
    case 1255: return "CP1255";
    case 1256: return "CP1256";
    case 1257: return "CP1257";
    case 1258: return "CP1258";
    case 10000: return "MACINTOSH";
    case 20936: return "GB2312";
    case 28591: return "ISO-8859-1";
    case 54936: return "GB18030";
    case 65001: return "UTF-8";
    default: return nullptr;
  }
}

void AsciiUpperInPlace(std::u16string& s) {
  for (auto& c : s) c = AsciiUpper(c);
}

std::u16string AsciiUpperCopy(std::u16string_view s) {
  std::u16string out(s);
  AsciiUpperInPlace(out);
  return out;
}

bool AsciiSameText(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  return true;
}

}  // namespace kws
