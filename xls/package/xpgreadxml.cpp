#include "xls/package/xpgreadxml.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/textcodec.h"
#include "xls/package/xlsstream.h"

namespace xls {

namespace {

// Byte classes of the hot loops. Bit 1: XML white space (TAB, LF, CR, space). Bit 2: ends a tag
// name (white space, ">", "/"). Bit 4: ends an attribute name (white space, "=", ">", "/").
constexpr uint8_t kWs = 1, kTagNameEnd = 2, kAttrNameEnd = 4;
constexpr std::array<uint8_t, 256> MakeClasses() {
  std::array<uint8_t, 256> t{};
  for (unsigned char c : {'\t', '\n', '\r', ' '}) t[c] = kWs | kTagNameEnd | kAttrNameEnd;
  t['>'] = kTagNameEnd | kAttrNameEnd;
  t['/'] = kTagNameEnd | kAttrNameEnd;
  t['='] = kAttrNameEnd;
  return t;
}
constexpr std::array<uint8_t, 256> kClass = MakeClasses();
inline bool Is(char c, uint8_t bits) { return kClass[static_cast<unsigned char>(c)] & bits; }

constexpr std::string_view kUris[] = {
    "",
    "",
    "",
    "http://www.w3.org/XML/1998/namespace",
    "http://www.w3.org/2000/xmlns/",
    "http://schemas.openxmlformats.org/spreadsheetml/2006/main",
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships",
    "http://schemas.openxmlformats.org/package/2006/relationships",
    "http://schemas.openxmlformats.org/package/2006/content-types",
    "http://schemas.openxmlformats.org/markup-compatibility/2006",
    "http://schemas.openxmlformats.org/drawingml/2006/main",
    "http://schemas.openxmlformats.org/drawingml/2006/chart",
    "http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing",
    "http://schemas.openxmlformats.org/drawingml/2006/chartDrawing",
    "http://schemas.openxmlformats.org/officeDocument/2006/extended-properties",
    "http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes",
    "http://schemas.openxmlformats.org/wordprocessingml/2006/main",
};
// The strict form of a namespace the engine knows by its transitional URI.
constexpr std::string_view kStrictWordUri = "http://purl.oclc.org/ooxml/wordprocessingml/main";

[[noreturn]] void UnexpectedEnd() { throw std::runtime_error("Unexpected end of file in XML"); }
[[noreturn]] void TokenTooLong() {
  throw std::runtime_error("XML token longer than " + std::to_string(kXpgMaxToken) + " bytes");
}

// XML line-end handling in place: CR LF becomes LF and a lone CR becomes LF. `pendingCR` carries a
// CR that ended the previous piece, so that an LF starting this one is dropped. Returns the new
// length.
size_t NormalizeLineEnds(char* p, size_t n, bool& pendingCR) {
  size_t r = 0, w = 0;
  if (pendingCR && n > 0) {
    pendingCR = false;
    if (p[0] == '\n') r = 1;
  }
  for (;;) {
    const void* cr = r < n ? std::memchr(p + r, '\r', n - r) : nullptr;
    const size_t stop = cr ? static_cast<size_t>(static_cast<const char*>(cr) - p) : n;
    if (w != r) std::memmove(p + w, p + r, stop - r);
    w += stop - r;
    if (!cr) return w;
    p[w++] = '\n';
    r = stop + 1;
    if (r == n) {
      pendingCR = true;
      return w;
    }
    if (p[r] == '\n') ++r;
  }
}

void AppendUtf8(uint32_t cp, std::string& out) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xF0 | (cp >> 18));
    out += char(0x80 | ((cp >> 12) & 0x3F));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

// The code point of "#NNN" or "#xHHH"; 0 when not well formed or not allowed.
uint32_t CharRef(std::string_view name) {
  if (name.size() < 2 || name[0] != '#') return 0;
  size_t i = 1;
  uint32_t base = 10;
  if (name[1] == 'x') {
    base = 16;
    i = 2;
    if (name.size() < 3) return 0;
  }
  uint32_t cp = 0;
  for (; i < name.size(); ++i) {
    char c = name[i];
    uint32_t d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return 0;
    cp = cp * base + d;
    if (cp > 0x10FFFF) return 0;
  }
  if (cp >= 0xD800 && cp <= 0xDFFF) return 0;
  return cp;
}

bool IsBlankOnly(std::string_view s) {
  for (char c : s)
    if (!Is(c, kWs)) return false;
  return true;
}

// memchr with an inline scan of the first bytes: most distances in markup are short.
inline const char* FindChar(const char* p, const char* end, char c) {
  const char* stop = end - p > 16 ? p + 16 : end;
  for (; p < stop; ++p)
    if (*p == c) return p;
  if (p >= end) return nullptr;
  return static_cast<const char*>(std::memchr(p, c, end - p));
}

const char* Find(const char* p, const char* end, std::string_view what) {
  if (end - p < static_cast<ptrdiff_t>(what.size())) return nullptr;
  auto* r = static_cast<const char*>(memmem(p, end - p, what.data(), what.size()));
  return r;
}

bool StartsWith(const char* p, const char* end, std::string_view what) {
  return end - p >= static_cast<ptrdiff_t>(what.size()) && std::memcmp(p, what.data(), what.size()) == 0;
}
// True when [p, end) is a proper beginning of `what` (more bytes could still make it `what`).
bool CouldStart(const char* p, const char* end, std::string_view what) {
  size_t n = end - p;
  return n < what.size() && std::memcmp(p, what.data(), n) == 0;
}

}  // namespace

TXpgNs XpgNamespaceOfUri(std::string_view uri) {
  for (size_t i = 3; i < std::size(kUris); ++i)
    if (kUris[i] == uri) return static_cast<TXpgNs>(i);
  if (uri == kStrictWordUri) return TXpgNs::WordprocessingML;
  return TXpgNs::Other;
}

std::string_view XpgNamespaceUri(TXpgNs ns) { return kUris[static_cast<size_t>(ns)]; }

uint32_t StrHashA(std::u16string_view s) {
  uint32_t h = 0;
  for (char16_t c : s) h += (c & 0xFF) + (c >> 8);
  return h;
}

int32_t StrHashB(std::u16string_view s) {
  uint32_t h = 0, a = 63689;
  for (char16_t c : s) {
    h = h * a + c;
    a *= 378551;
  }
  return static_cast<int32_t>(h);
}

void XpgDecodeEntities(std::string_view in, std::string& out) {
  size_t i = 0;
  const size_t n = in.size();
  while (i < n) {
    const void* amp = std::memchr(in.data() + i, '&', n - i);
    if (!amp) {
      out.append(in.data() + i, n - i);
      return;
    }
    size_t a = static_cast<const char*>(amp) - in.data();
    out.append(in.data() + i, a - i);
    // A reference is at most "&#x10FFFF;" long, leading zeros aside; look a little further.
    size_t limit = std::min(n, a + 34);
    size_t semi = a + 1;
    while (semi < limit && in[semi] != ';' && in[semi] != '&') ++semi;
    if (semi >= limit || in[semi] != ';') {
      out += '&';
      i = a + 1;
      continue;
    }
    std::string_view name = in.substr(a + 1, semi - a - 1);
    char c = 0;
    if (name == "lt") c = '<';
    else if (name == "gt") c = '>';
    else if (name == "amp") c = '&';
    else if (name == "apos") c = '\'';
    else if (name == "quot") c = '"';
    if (c) {
      out += c;
    } else if (uint32_t cp = CharRef(name)) {
      AppendUtf8(cp, out);
    } else {
      out += '&';
      i = a + 1;
      continue;
    }
    i = semi + 1;
  }
}

// ---------------------------------------------------------------------------------------------
// Kept bytes

void TXpgBytes::Assign(std::string_view bytes) {
  if (bytes.size() <= kInline) {
    if (!bytes.empty()) std::memcpy(inline_, bytes.data(), bytes.size());
    data_ = inline_;
  } else {
    heap_.assign(bytes);
    data_ = heap_.data();
  }
  size_ = static_cast<uint32_t>(bytes.size());
}

void TXpgBytes::AssignMarkupSlow(std::string_view raw) {
  if (FindChar(raw.data(), raw.data() + raw.size(), '&') == nullptr) return Assign(raw);
  heap_.clear();
  XpgDecodeEntities(raw, heap_);
  data_ = heap_.data();
  size_ = static_cast<uint32_t>(heap_.size());
}

// ---------------------------------------------------------------------------------------------
// Attribute list

void TXpgXMLAttributeList::IndexError(int i) {
  throw std::out_of_range("List index out of bounds (" + std::to_string(i) + ")");
}

void TXpgXMLAttributeList::Grow() { items_.push_back(std::make_unique<TXpgXmlAttribute>()); }

std::u16string TXpgXMLAttributeList::GetAttributes(int i) const { return kws::Utf8ToUtf16(at(i).Attribute); }

std::string_view TXpgXMLAttributeList::ValueBytesSlow(const TXpgXmlAttribute& a) const {
  if (a.BytesDone) return a.Bytes;
  if (FindChar(a.Value.data(), a.Value.data() + a.Value.size(), '&') == nullptr) return a.Value;
  a.Bytes.clear();
  XpgDecodeEntities(a.Value, a.Bytes);
  a.BytesDone = true;
  return a.Bytes;
}

const std::u16string& TXpgXMLAttributeList::GetValues(int i) const {
  const TXpgXmlAttribute& a = at(i);
  if (!a.ValDone) {
    a.sVal = kws::Utf8ToUtf16(ValueBytes(i));
    a.ValDone = true;
  }
  return a.sVal;
}

int TXpgXMLAttributeList::Find(std::u16string_view name) const {
  for (int i = 0; i < count_; ++i)
    if (GetAttributes(i) == name) return i;
  return -1;
}

std::u16string TXpgXMLAttributeList::AsXmlText2(int i) const {
  return GetAttributes(i) + u"=\"" + GetValues(i) + u"\"";
}

void TXpgXMLAttributeList::Add(std::u16string_view name, std::u16string_view value) {
  TXpgXmlAttribute& a = NewRaw();
  a.OwnName = kws::Utf16ToUtf8(name);
  a.Attribute = a.OwnName;
  size_t colon = a.OwnName.rfind(':');
  a.LocalStart = colon == std::string::npos ? 0 : static_cast<uint16_t>(colon + 1);
  a.Bytes = kws::Utf16ToUtf8(value);
  a.BytesDone = true;
  a.Value = a.Bytes;
  a.sVal.assign(value);
  a.ValDone = true;
  a.Ns = a.Attribute.substr(0, a.LocalStart) == "xmlns:" || a.Attribute == "xmlns" ? TXpgNs::Xmlns
                                                                                      : TXpgNs::None;
}

void TXpgXMLAttributeList::Assign(const TXpgXMLAttributeList& other) {
  for (int i = 0; i < other.Count(); ++i) {
    Add(other.GetAttributes(i), other.GetValues(i));
    items_[count_ - 1]->Ns = other.Ns(i);
  }
}

// ---------------------------------------------------------------------------------------------
// Error sink

void TXpgPErrors::Error(TXpgErrorMsg msg, std::u16string_view args, int row) {
  std::string head = "Row " + std::to_string(row) + ": ";
  errorText_ = kws::Utf8ToUtf16(head);
  errorText_ += msg == TXpgErrorMsg::xemUnknownAttribute ? u"Unknown Attribute " : u"Unknown Element ";
  errorText_ += args;
  if (OnError) OnError(*this);
}

// ---------------------------------------------------------------------------------------------
// Tokenizer

TXpgReadXML::TXpgReadXML() = default;
TXpgReadXML::~TXpgReadXML() = default;

void TXpgReadXML::Clear() { aborted_ = false; }

std::u16string TXpgReadXML::Tag() const { return kws::Utf8ToUtf16(RawLocalName()); }
std::u16string TXpgReadXML::QName() const { return kws::Utf8ToUtf16(qname_); }

bool TXpgReadXML::CmpTag(std::u16string_view s) const {
  std::string_view local = RawLocalName();
  if (local.size() != s.size()) return false;
  for (size_t i = 0; i < s.size(); ++i)
    if (static_cast<unsigned char>(local[i]) != s[i]) return false;
  return true;
}

std::string_view TXpgReadXML::TextBytesSlow() {
  if (segments_.size() == 1 && !segments_[0].cdata) {
    const std::string_view b = segments_[0].bytes;
    if (FindChar(b.data(), b.data() + b.size(), '&') == nullptr) return b;
  }
  if (!textBytesDone_) {
    textBytes_.clear();
    for (const Segment& s : segments_) {
      if (s.cdata) textBytes_.append(s.bytes);
      else XpgDecodeEntities(s.bytes, textBytes_);
    }
    textBytesDone_ = true;
  }
  return textBytes_;
}

const std::u16string& TXpgReadXML::Text() {
  if (!textDone_) {
    text_ = kws::Utf8ToUtf16(TextBytes());
    textDone_ = true;
  }
  return text_;
}

std::u16string TXpgReadXML::FindAttribute(std::u16string_view name) const {
  for (int i = 0; i < attrs_.Count(); ++i)
    if (attrs_.GetAttributes(i) == name) return kws::Utf8ToUtf16(attrs_.ValueBytes(i));
  return {};
}

void TXpgReadXML::Declaration() {
  if (RawLocalName() != "xml") return;
  std::u16string enc = FindAttribute(u"encoding");
  if (enc.empty()) return;
  if (kws::AsciiUpperCopy(enc) != u"UTF-8")
    throw std::runtime_error("Unsupported encoding of xml: \"" + kws::Utf16ToUtf8(enc) + "\". Must be utf-8");
}

int64_t TXpgReadXML::LoadFromBytes(std::string_view bytes) { return Run(bytes.data(), bytes.size(), nullptr); }

int64_t TXpgReadXML::LoadFromReader(const ReadFn& read) { return Run(nullptr, 0, &read); }

int64_t TXpgReadXML::LoadFromStream(TXLSStream& stream) {
  return LoadFromReader([&stream](char* buffer, size_t count) { return stream.Read(buffer, count); });
}

int64_t TXpgReadXML::Run(const char* data, size_t size, const ReadFn* read) {
  depth_ = 0;
  bindings_.clear();
  innermost_.clear();
  defaultNs_ = TXpgNs::None;
  sawMarkup_ = false;
  attrs_.Clear();
  int64_t total = 0;
  bool anyNonBlank = false;
  normalized_.clear();
  if (!read) {
    total = static_cast<int64_t>(size);
    if (size > 0 && std::memchr(data, '\r', size)) {
      normalized_.assign(data, size);
      bool pendingCR = false;
      normalized_.resize(NormalizeLineEnds(normalized_.data(), size, pendingCR));
      data = normalized_.data();
      size = normalized_.size();
    }
    Tokenize(data, data + size, true);
    anyNonBlank = !IsBlankOnly({data, size});
  } else {
    std::unique_ptr<char[]> buf;
    size_t cap = 65536, len = 0;
    buf.reset(new char[cap]);
    bool eof = false, pendingCR = false;
    while (!aborted_) {
      // Fill the buffer.
      while (!eof && len < cap) {
        size_t got = (*read)(buf.get() + len, cap - len);
        if (got == 0) eof = true;
        total += static_cast<int64_t>(got);
        if (!anyNonBlank) anyNonBlank = !IsBlankOnly({buf.get() + len, got});
        got = NormalizeLineEnds(buf.get() + len, got, pendingCR);
        len += got;
        if (got < 4096) break;  // keep latency low for slow sources; loop refills
      }
      if (len == 0 && eof) break;
      const char* stop = Tokenize(buf.get(), buf.get() + len, eof);
      size_t rest = buf.get() + len - stop;
      if (eof) break;
      if (rest == len && len == cap) {
        // One token fills the whole buffer: grow it, up to the token limit.
        if (cap >= kXpgMaxToken) TokenTooLong();
        size_t ncap = std::min(cap * 2, kXpgMaxToken);
        std::unique_ptr<char[]> nb(new char[ncap]);
        std::memcpy(nb.get(), buf.get(), len);
        buf = std::move(nb);
        cap = ncap;
      } else {
        std::memmove(buf.get(), stop, rest);
        len = rest;
      }
    }
  }
  if (!sawMarkup_ && total >= 3 && anyNonBlank && !aborted_)
    throw std::runtime_error("Syntax error in XML: can not find \"<\"");
  return total;
}

const char* TXpgReadXML::Tokenize(const char* p, const char* end, bool eof) {
  while (p < end) {
    if (aborted_) return end;
    const char* lt = FindChar(p, end, '<');
    if (!lt) return end;
    p = lt;
    if (end - p < 2) {
      if (eof) UnexpectedEnd();
      return p;
    }
    const char* next;
    switch (p[1]) {
      case '/': next = EndTagAt(p, end); break;
      case '!': next = Bang(p, end); break;
      case '?': next = Pi(p, end); break;
      default: next = StartTag(p, end, eof); break;
    }
    if (!next) {
      if (eof) UnexpectedEnd();
      return p;
    }
    p = next;
  }
  return p;
}

void TXpgReadXML::SetName(std::string_view qname) {
  qname_ = qname;
  size_t colon = qname.rfind(':');
  localStart_ = colon == std::string_view::npos ? 0 : colon + 1;
}

TXpgNs TXpgReadXML::Resolve(std::string_view prefix) const {
  if (prefix.empty()) return defaultNs_;
  if (!innermost_.empty()) {
    const auto it = innermost_.find(prefix);
    if (it != innermost_.end()) return bindings_[static_cast<size_t>(it->second)].ns;
  }
  if (prefix == "xml") return TXpgNs::Xml;
  if (prefix == "xmlns") return TXpgNs::Xmlns;
  return TXpgNs::Unbound;
}

const char* TXpgReadXML::ScanAttributes(const char* q, const char* end, int& count) {
  for (;;) {
    while (q < end && Is(*q, kWs)) ++q;
    if (q >= end) return nullptr;
    char c = *q;
    if (c == '>' || c == '/' || c == '?') return q;
    const char* an = q;
    const char* colon = nullptr;
    while (q < end && !Is(*q, kAttrNameEnd)) {
      if (*q == ':') colon = q;
      ++q;
    }
    if (q >= end) return nullptr;
    if (q == an) {  // a stray "=": skip it
      ++q;
      continue;
    }
    std::string_view name(an, q - an);
    while (q < end && Is(*q, kWs)) ++q;
    if (q >= end) return nullptr;
    if (*q != '=') continue;  // an attribute without a value is dropped
    ++q;
    while (q < end && Is(*q, kWs)) ++q;
    if (q >= end) return nullptr;
    std::string_view value;
    if (*q == '"' || *q == '\'') {
      const char* close = FindChar(q + 1, end, *q);
      if (!close) return nullptr;
      value = std::string_view(q + 1, close - q - 1);
      q = close + 1;
    } else {
      const char* v = q;
      while (q < end && !Is(*q, kWs) && *q != '>') ++q;
      if (q >= end) return nullptr;
      value = std::string_view(v, q - v);
    }
    TXpgXmlAttribute& a = attrs_.NewRaw();
    a.Attribute = name;
    a.Value = value;
    if (colon) {
      a.LocalStart = static_cast<uint16_t>(std::min<ptrdiff_t>(colon - an + 1, 65535));
      special_ = true;
    } else if (*an == 'x') {
      special_ = true;
    }
    ++count;
  }
}

const char* TXpgReadXML::StartTag(const char* p, const char* end, bool eof) {
  const char* q = p + 1;
  while (q < end && Is(*q, kWs)) ++q;
  const char* ns = q;
  const char* tagColon = nullptr;
  while (q < end && !Is(*q, kTagNameEnd)) {
    if (*q == ':') tagColon = q;
    ++q;
  }
  if (q >= end) return nullptr;
  if (q == ns) return p + 1;  // "<" without a name is character data
  std::string_view name(ns, q - ns);
  attrs_.Clear();
  special_ = false;
  int count = 0;
  q = ScanAttributes(q, end, count);
  if (!q) return nullptr;
  bool empty = false;
  for (;;) {
    if (*q == '>') {
      ++q;
      break;
    }
    // "/" or "?": an empty-element tag when ">" follows, else a stray byte.
    if (q + 1 >= end) return nullptr;
    if (*q == '/' && q[1] == '>') {
      empty = true;
      q += 2;
      break;
    }
    q = ScanAttributes(q + 1, end, count);
    if (!q) return nullptr;
  }
  // Leading text: up to the next start or end tag, across comments, processing instructions and
  // CDATA sections.
  segments_.clear();
  size_t textLen = 0;
  if (!empty) {
    const char* t = q;
    for (;;) {
      const char* ltv = FindChar(t, end, '<');
      if (!ltv) {
        if (!eof) return nullptr;
        if (end > t) segments_.push_back({{t, size_t(end - t)}, false});
        textLen += end - t;
        break;
      }
      const char* lt = ltv;
      if (lt > t) {
        segments_.push_back({{t, size_t(lt - t)}, false});
        textLen += lt - t;
      }
      if (end - lt >= 2 && lt[1] != '!' && lt[1] != '?') break;  // the next start or end tag
      if (!eof && (CouldStart(lt, end, "<![CDATA[") || CouldStart(lt, end, "<!--") || end - lt < 2)) return nullptr;
      const char* after = nullptr;
      if (StartsWith(lt, end, "<!--")) {
        const char* e = Find(lt + 4, end, "-->");
        if (!e) {
          if (!eof) return nullptr;
          break;
        }
        after = e + 3;
      } else if (StartsWith(lt, end, "<![CDATA[")) {
        const char* e = Find(lt + 9, end, "]]>");
        if (!e) {
          if (!eof) return nullptr;
          break;
        }
        segments_.push_back({{lt + 9, size_t(e - lt - 9)}, true});
        textLen += e - lt - 9;
        after = e + 3;
      } else if (end - lt >= 2 && lt[1] == '?') {
        const char* e = Find(lt + 2, end, "?>");
        if (!e) {
          if (!eof) return nullptr;
          break;
        }
        after = e + 2;
      } else {
        break;
      }
      t = after;
    }
  }
  sawMarkup_ = true;
  if (depth_ >= kXpgMaxDepth) throw std::runtime_error("XML nesting too deep");
  ++depth_;
  // Namespace declarations of this element, then the namespaces of its attributes; only tags
  // with a prefixed attribute or one starting with "x" need either.
  if (special_) {
    const int n = attrs_.Count();
    for (int i = 0; i < n; ++i) {
      TXpgXmlAttribute& a = attrs_.Raw(i);
      std::string_view an = a.Attribute;
      if (an[0] == 'x' && (an == "xmlns" || an.starts_with("xmlns:"))) {
        a.Ns = TXpgNs::Xmlns;
        std::string_view uri = attrs_.ValueBytes(i);
        TXpgNs uns = uri.empty() ? TXpgNs::None : XpgNamespaceOfUri(uri);
        PushBinding(an.size() > 5 ? an.substr(6) : std::string_view(), uns);
      }
    }
    for (int i = 0; i < n; ++i) {
      TXpgXmlAttribute& a = attrs_.Raw(i);
      if (a.Ns != TXpgNs::Xmlns && a.LocalStart > 0) a.Ns = Resolve(a.Attribute.substr(0, a.LocalStart - 1));
    }
  }
  qname_ = name;
  localStart_ = tagColon ? size_t(tagColon - ns + 1) : 0;
  ns_ = tagColon ? Resolve(RawPrefix()) : defaultNs_;
  emptyElement_ = empty;
  hasText_ = textLen > 0;
  textDone_ = textBytesDone_ = false;
  BeginTag();
  if (empty) {
    hasText_ = false;
    segments_.clear();
    EndTag();
    PopBindings();
  }
  return q;
}

void TXpgReadXML::PushBinding(std::string_view prefix, TXpgNs ns) {
  const int index = static_cast<int>(bindings_.size());
  int hidden = -1;
  const auto it = innermost_.find(prefix);
  if (it == innermost_.end()) {
    innermost_.emplace(std::string(prefix), index);
  } else {
    hidden = it->second;
    it->second = index;
  }
  bindings_.push_back({std::string(prefix), ns, depth_, hidden});
  if (prefix.empty()) defaultNs_ = ns;
}

void TXpgReadXML::PopBindingsSlow() {
  while (!bindings_.empty() && bindings_.back().depth >= depth_) {
    const Binding& b = bindings_.back();
    const auto it = innermost_.find(b.prefix);
    if (b.hidden < 0) {
      if (it != innermost_.end()) innermost_.erase(it);
    } else if (it != innermost_.end()) {
      it->second = b.hidden;
    }
    if (b.prefix.empty())
      defaultNs_ = b.hidden < 0 ? TXpgNs::None : bindings_[static_cast<size_t>(b.hidden)].ns;
    bindings_.pop_back();
  }
  if (depth_ > 0) --depth_;
}

const char* TXpgReadXML::EndTagAt(const char* p, const char* end) {
  const char* gt = FindChar(p + 2, end, '>');
  if (!gt) return nullptr;
  const char* ns = p + 2;
  while (ns < gt && Is(*ns, kWs)) ++ns;
  const char* q = ns;
  while (q < gt && !Is(*q, kTagNameEnd)) ++q;
  std::string_view name(ns, q - ns);
  sawMarkup_ = true;
  SetName(name);
  ns_ = Resolve(RawPrefix());
  attrs_.Clear();
  hasText_ = false;
  segments_.clear();
  emptyElement_ = false;
  EndTag();
  PopBindings();
  return gt + 1;
}

const char* TXpgReadXML::Bang(const char* p, const char* end) {
  if (CouldStart(p, end, "<!--") || CouldStart(p, end, "<![CDATA[")) return nullptr;
  sawMarkup_ = true;
  if (StartsWith(p, end, "<!--")) {
    const char* e = Find(p + 4, end, "-->");
    if (!e) return nullptr;
    comment_ = std::string_view(p + 4, e - p - 4);
    Comment();
    return e + 3;
  }
  if (StartsWith(p, end, "<![CDATA[")) {  // character data outside any element's leading text
    const char* e = Find(p + 9, end, "]]>");
    return e ? e + 3 : nullptr;
  }
  // A document type declaration (or another "<!" construct): up to its ">", passing over quoted
  // text and an internal subset in brackets.
  int brackets = 0;
  for (const char* q = p + 2; q < end; ++q) {
    char c = *q;
    if (c == '"' || c == '\'') {
      const void* close = std::memchr(q + 1, c, end - q - 1);
      if (!close) return nullptr;
      q = static_cast<const char*>(close);
    } else if (c == '[') {
      ++brackets;
    } else if (c == ']') {
      if (brackets > 0) --brackets;
    } else if (c == '>' && brackets == 0) {
      return q + 1;
    }
  }
  return nullptr;
}

const char* TXpgReadXML::Pi(const char* p, const char* end) {
  const char* e = Find(p + 2, end, "?>");
  if (!e) return nullptr;
  sawMarkup_ = true;
  const char* q = p + 2;
  const char* ns = q;
  while (q < e && !Is(*q, kWs) && *q != '?') ++q;
  SetName(std::string_view(ns, q - ns));
  ns_ = TXpgNs::None;
  attrs_.Clear();
  hasText_ = false;
  segments_.clear();
  if (RawLocalName() == "xml") {
    int count = 0;
    ScanAttributes(q, e, count);  // cut off at "?>": whatever was complete is kept
  }
  Declaration();
  attrs_.Clear();
  return e + 2;
}

}  // namespace xls
