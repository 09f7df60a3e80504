// The XML tokenizer of the engine, its attribute list, the name hashes and the error sink of the
// generated element readers.
//
// Format facts: office package parts are UTF-8 XML (ECMA-376 Part 2) with namespaces. The
// tokenizer understands tags with quoted attributes (blanks around "=" allowed), character data
// with the five predefined entities and decimal or hexadecimal character references, CDATA
// sections (delivered as text), comments, processing instructions and a document type
// declaration (skipped). Namespace declarations are tracked, and every element and attribute
// carries the namespace its prefix is bound to (TXpgNs), so that readers match names by
// namespace and never by the prefix a document happens to use.
//
// Design: the tokenizer works on UTF-8 bytes. Names, values and text are views into the read
// buffer during an event and are converted to UTF-16 only when a reader asks for them
// (Text(), GetValues()), so a reader that dispatches on a name hash and converts numbers from
// bytes allocates nothing per tag. Bytes are classified through 256-entry tables; a token that
// is cut by the end of the buffer is scanned again once more bytes are in, so a quoted ">" or
// "/>" never ends a tag at a chunk boundary. One token (a tag with its leading text) may take up
// to kXpgMaxToken bytes; the buffer grows to that size and no further.
//
// Line ends are normalised before anything else, as XML requires: a literal CR LF pair or a lone
// CR reads as LF in text, attribute values and CDATA sections ("&#13;" still gives a CR).
//
// Element text is the character data between a start tag and the next start or end tag; comments
// and processing instructions inside it are passed over and CDATA sections are part of it.
// Entity and character references are decoded in one pass; a reference that is not well formed
// or not known stays as written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace xls {

class TXLSStream;

// The namespaces the engine's readers know. Elements written without a prefix and without a
// default namespace are in None; a prefix bound to a URI the engine does not know gives Other,
// an unbound prefix Unbound.
enum class TXpgNs : uint8_t {
  None,
  Other,
  Unbound,
  Xml,
  Xmlns,  // namespace declarations themselves (xmlns, xmlns:p)
  SpreadsheetML,
  OfficeRelationships,
  PackageRelationships,
  ContentTypes,
  MarkupCompatibility,
  DrawingML,
  Chart,
  SpreadsheetDrawing,
  ChartDrawing,
  ExtendedProperties,
  DocPropsVTypes,
  WordprocessingML,  // transitional or strict
};

// The namespace a URI names (Other for one the engine does not know).
TXpgNs XpgNamespaceOfUri(std::string_view uri);
// The URI of a known namespace (empty for None, Other, Unbound).
std::string_view XpgNamespaceUri(TXpgNs ns);

// Name hashes over raw name bytes. HashA: the byte sum. HashB: h := h * a + b, a := a * 378551,
// starting with h = 0, a = 63689, modulo 2^32, read as signed.
constexpr uint32_t XpgHashA(std::string_view bytes) {
  uint32_t h = 0;
  for (unsigned char c : bytes) h += c;
  return h;
}
constexpr int32_t XpgHashB(std::string_view bytes) {
  uint32_t h = 0, a = 63689;
  for (unsigned char c : bytes) {
    h = h * a + c;
    a *= 378551;
  }
  return static_cast<int32_t>(h);
}
// The same hashes over decoded text: HashA sums the low and the high byte of every code unit;
// HashB runs over the code units.
uint32_t StrHashA(std::u16string_view s);
int32_t StrHashB(std::u16string_view s);

// Largest token (a tag with the text that follows it) the tokenizer accepts when it reads in
// chunks; a longer one raises "XML token longer than 16777216 bytes". The limit is set by the
// longest text a workbook legitimately carries in one element: Excel stops a cell at 32,767
// characters (229,369 bytes when every one is written as an "_xHHHH_" escape), but other writers
// (LibreOffice, openpyxl) store shared strings of millions of characters, and those are read.
// 16 MiB holds over 4 million characters of any script (16 million of ASCII) while keeping what
// one token can make the tokenizer buffer bounded.
inline constexpr size_t kXpgMaxToken = size_t{16} << 20;
// Deepest element nesting the tokenizer accepts.
inline constexpr int kXpgMaxDepth = 4096;

// Appends `in` with its entity and character references decoded to `out` (UTF-8). Well-formed
// references only: &lt; &gt; &amp; &apos; &quot; &#NNN; &#xHHH; (a code point of U+0001 to
// U+10FFFF outside the surrogates); anything else stays as written. One pass: "&amp;#65;" gives
// "&#65;".
void XpgDecodeEntities(std::string_view in, std::string& out);

// Word helpers of the short-view paths: unaligned loads and a test for an "&" byte in a word
// (the zero-byte test on the word with every byte XORed with "&"; exact, no false hits).
inline uint64_t XpgLoad8(const char* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}
inline uint32_t XpgLoad4(const char* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline bool XpgWordHasAmp(uint64_t w) {
  const uint64_t x = w ^ 0x2626262626262626ull;
  return ((x - 0x0101010101010101ull) & ~x & 0x8080808080808080ull) != 0;
}

// Bytes an element keeps from an attribute value or a text beyond the end of its tag (the
// tokenizer's views end with the tag, and a chunked read may move the buffer): entity-decoded
// UTF-8, up to 16 bytes held in place, longer ones in a string whose storage is reused. A short
// value is copied and tested for "&" in the same word moves.
class TXpgBytes {
 public:
  TXpgBytes() = default;
  TXpgBytes(const TXpgBytes&) = delete;
  TXpgBytes& operator=(const TXpgBytes&) = delete;

  std::string_view View() const { return {data_, size_}; }
  size_t Size() const { return size_; }
  void Clear() { size_ = 0; }
  // Copies bytes as they are.
  void Assign(std::string_view bytes);
  // Copies markup bytes (an attribute value between its quotes, a piece of character data) with
  // their entity and character references decoded, as XpgDecodeEntities does.
  void AssignMarkup(std::string_view raw) {
    if (raw.size() > kInline || !CopyShort(raw)) AssignMarkupSlow(raw);
  }

 private:
  static constexpr size_t kInline = 16;
  // Copies up to kInline bytes into the inline storage; false (nothing changed) when they hold "&".
  bool CopyShort(std::string_view raw) {
    const char* s = raw.data();
    const size_t n = raw.size();
    if (n >= 8) {
      const uint64_t a = XpgLoad8(s), b = XpgLoad8(s + n - 8);
      if (XpgWordHasAmp(a) | XpgWordHasAmp(b)) return false;
      std::memcpy(inline_, &a, 8);
      std::memcpy(inline_ + n - 8, &b, 8);
    } else if (n >= 4) {
      const uint32_t a = XpgLoad4(s), b = XpgLoad4(s + n - 4);
      if (XpgWordHasAmp(a | uint64_t(b) << 32)) return false;
      std::memcpy(inline_, &a, 4);
      std::memcpy(inline_ + n - 4, &b, 4);
    } else if (n > 0) {
      const char a = s[0], m = s[n >> 1], z = s[n - 1];
      if ((a == '&') | (m == '&') | (z == '&')) return false;
      inline_[0] = a;
      inline_[n >> 1] = m;
      inline_[n - 1] = z;
    }
    data_ = inline_;
    size_ = static_cast<uint32_t>(n);
    return true;
  }
  void AssignMarkupSlow(std::string_view raw);

  char inline_[kInline];
  const char* data_ = inline_;
  uint32_t size_ = 0;
  std::string heap_;
};

// One attribute of the current tag.
struct TXpgXmlAttribute {
  std::string_view Attribute;  // the name as written, prefix included
  std::string_view Value;      // the bytes between the quotes, not decoded
  uint16_t LocalStart = 0;     // index of the local name in Attribute (after the colon)
  TXpgNs Ns = TXpgNs::None;    // namespace of the prefix; Xmlns for namespace declarations
  int Flag = 0;
  // Decoding caches and storage of pairs added as text.
  mutable bool BytesDone = false;
  mutable bool ValDone = false;
  mutable std::string Bytes;
  mutable std::u16string sVal;
  std::string OwnName;
};

// The attributes of the current start tag (or the pairs added to a list kept by a reader).
class TXpgXMLAttributeList {
 public:
  TXpgXMLAttributeList() = default;
  TXpgXMLAttributeList(const TXpgXMLAttributeList&) = delete;
  TXpgXMLAttributeList& operator=(const TXpgXMLAttributeList&) = delete;

  int Count() const { return count_; }
  void Clear() { count_ = 0; }

  // Decoded name (bytes widened from UTF-8) and value of entry i.
  std::u16string GetAttributes(int i) const;
  const std::u16string& GetValues(int i) const;
  // The entity-decoded UTF-8 bytes of the value; valid until the list changes. A short value
  // without "&" is answered inline.
  std::string_view ValueBytes(int i) const {
    const TXpgXmlAttribute& a = at(i);
    if (!a.BytesDone && a.Value.size() <= 16 && !HasAmpersand(a.Value)) return a.Value;
    return ValueBytesSlow(a);
  }
  // True when `s` holds "&" (the value and text fast paths ask it of short views): up to 16
  // bytes are tested in at most two overlapping words, without a loop whose exit depends on the
  // length.
  static bool HasAmpersand(std::string_view s) {
    const char* p = s.data();
    const size_t n = s.size();
    if (n >= 8) {
      bool amp = false;
      size_t i = 0;
      for (; i + 8 < n; i += 8) amp |= XpgWordHasAmp(XpgLoad8(p + i));
      return amp | XpgWordHasAmp(XpgLoad8(p + n - 8));
    }
    if (n >= 4) return XpgWordHasAmp(XpgLoad4(p) | uint64_t(XpgLoad4(p + n - 4)) << 32);
    return n > 0 && ((p[0] == '&') | (p[n >> 1] == '&') | (p[n - 1] == '&'));
  }
  // Copies the value of entry i, entity-decoded, into `out` (one pass over a short raw value).
  void CopyValue(int i, TXpgBytes& out) const {
    const TXpgXmlAttribute& a = at(i);
    if (a.BytesDone)
      out.Assign(a.Bytes);  // decoded already (or a pair added as text)
    else
      out.AssignMarkup(a.Value);
  }
  std::string_view RawName(int i) const { return at(i).Attribute; }
  // Entry i itself (its raw name and value), for a reader that takes several fields of it.
  const TXpgXmlAttribute& Entry(int i) const { return at(i); }
  std::string_view LocalName(int i) const { return at(i).Attribute.substr(at(i).LocalStart); }
  TXpgNs Ns(int i) const { return at(i).Ns; }
  bool IsNsDecl(int i) const { return at(i).Ns == TXpgNs::Xmlns; }
  // True when entry i is `local` in namespace `ns` (None for unprefixed attributes).
  bool Is(int i, TXpgNs ns, std::string_view local) const { return Ns(i) == ns && LocalName(i) == local; }
  uint32_t GetHashA(int i) const { return XpgHashA(at(i).Attribute); }
  int32_t GetHashB(int i) const { return XpgHashB(at(i).Attribute); }
  uint32_t LocalHashA(int i) const { return XpgHashA(LocalName(i)); }
  // Position of an entry whose decoded name equals `name` exactly, or -1; a presence test.
  int Find(std::u16string_view name) const;
  // name="value", nothing escaped.
  std::u16string AsXmlText2(int i) const;

  // Appends a decoded pair (name as written, value decoded).
  void Add(std::u16string_view name, std::u16string_view value);
  // Appends copies of all entries of another list.
  void Assign(const TXpgXMLAttributeList& other);

  // Tokenizer side: a fresh slot for a raw attribute.
  TXpgXmlAttribute& NewRaw() {
    if (count_ == static_cast<int>(items_.size())) Grow();
    TXpgXmlAttribute& a = *items_[count_++];
    a.BytesDone = a.ValDone = false;
    a.Flag = 0;
    a.LocalStart = 0;
    a.Ns = TXpgNs::None;
    return a;
  }
  TXpgXmlAttribute& Raw(int i) { return *items_[i]; }
  void SetNs(int i, TXpgNs ns) { items_[i]->Ns = ns; }
  size_t Local(int i) const { return at(i).LocalStart; }

 private:
  const TXpgXmlAttribute& at(int i) const {
    if (i < 0 || i >= count_) IndexError(i);
    return *items_[i];
  }
  [[noreturn]] static void IndexError(int i);
  std::string_view ValueBytesSlow(const TXpgXmlAttribute& a) const;
  void Grow();
  std::vector<std::unique_ptr<TXpgXmlAttribute>> items_;
  int count_ = 0;
};

enum class TXpgErrorMsg { xemUnknownAttribute, xemUnknownElement };

// Where generated readers report names they do not know. Reading always goes on.
class TXpgPErrors {
 public:
  // Sets the text "Row %d: Unknown Attribute %s" / "Row %d: Unknown Element %s" and calls the
  // error event when one is set.
  void Error(TXpgErrorMsg msg, std::u16string_view args, int row);
  const std::u16string& LastErrorText() const { return errorText_; }
  std::function<void(TXpgPErrors&)> OnError;
  bool NoDuplicates = false;

 private:
  std::u16string errorText_;
};

// The tokenizer. Subclasses override the events; every load runs the whole parse in one call.
class TXpgReadXML {
 public:
  // Fills `buffer` with up to `count` bytes; returns how many (0 at the end).
  using ReadFn = std::function<size_t(char* buffer, size_t count)>;

  TXpgReadXML();
  virtual ~TXpgReadXML();
  TXpgReadXML(const TXpgReadXML&) = delete;
  TXpgReadXML& operator=(const TXpgReadXML&) = delete;

  // Clears the abort flag.
  virtual void Clear();
  // Parses bytes held in memory (no copy). Returns the number of bytes.
  int64_t LoadFromBytes(std::string_view bytes);
  // Parses what `read` delivers, in chunks. Returns the number of bytes read.
  int64_t LoadFromReader(const ReadFn& read);
  // Parses a stream from its current position to its end. Returns the number of bytes read.
  virtual int64_t LoadFromStream(TXLSStream& stream);

  // Stops the parse before the next token.
  void Abort() { aborted_ = true; }
  bool Aborted() const { return aborted_; }

  // Events. Declaration fires for "<?name ...?>"; the base version checks the encoding of the
  // XML declaration (utf-8 only).
  virtual void Declaration();
  virtual void BeginTag() {}
  virtual void EndTag() {}
  virtual void Comment() {}

  // The current tag.
  std::string_view RawQName() const { return qname_; }
  std::string_view RawPrefix() const { return qname_.substr(0, localStart_ ? localStart_ - 1 : 0); }
  std::string_view RawLocalName() const { return {qname_.data() + localStart_, qname_.size() - localStart_}; }
  std::u16string Tag() const;    // local name
  std::u16string QName() const;  // prefix:local as written
  uint32_t QNameHashA() const { return XpgHashA(qname_); }
  int32_t QNameHashB() const { return XpgHashB(qname_); }
  uint32_t LocalHashA() const { return XpgHashA(RawLocalName()); }
  bool QNameIsC() const { return !RawLocalName().empty() && RawLocalName()[0] == 'c'; }
  bool QNameIsV() const { return !RawLocalName().empty() && RawLocalName()[0] == 'v'; }
  // The local name equals S (compared code unit by code unit).
  bool CmpTag(std::u16string_view s) const;
  TXpgNs Namespace() const { return ns_; }
  bool IsEmptyElement() const { return emptyElement_; }
  // Nesting depth of the current element (1 for the document element).
  int Depth() const { return depth_; }

  bool HasText() const { return hasText_; }
  // The element's text, decoded; empty when there is none.
  const std::u16string& Text();
  // The element's text as entity-decoded UTF-8 bytes; valid during the event. A short text in
  // one piece without "&" is answered inline.
  std::string_view TextBytes() {
    if (!hasText_) return {};
    if (segments_.size() == 1 && !segments_[0].cdata && segments_[0].bytes.size() <= 16 &&
        !TXpgXMLAttributeList::HasAmpersand(segments_[0].bytes))
      return segments_[0].bytes;
    return TextBytesSlow();
  }
  // Copies the element's text as TextBytes gives it into `out`.
  void CopyText(TXpgBytes& out) {
    if (!hasText_)
      out.Clear();
    else if (segments_.size() == 1 && !segments_[0].cdata)
      out.AssignMarkup(segments_[0].bytes);
    else
      out.Assign(TextBytesSlow());
  }
  // The content of the current comment.
  std::string_view CommentText() const { return comment_; }

  // Raw value of a pseudo-attribute of the current declaration ("" when absent).
  std::u16string FindAttribute(std::u16string_view name) const;

  TXpgXMLAttributeList& Attributes() { return attrs_; }
  const TXpgXMLAttributeList& Attributes() const { return attrs_; }

  bool PreserveSpaces = false;

 private:
  // A namespace declaration in scope: popped at the end of the element that made it. `hidden`
  // is the binding of the same prefix it hides (-1 for none), restored when it is popped.
  struct Binding {
    std::string prefix;
    TXpgNs ns;
    int depth;
    int hidden;
  };
  struct PrefixHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  struct Segment {
    std::string_view bytes;
    bool cdata;
  };

  std::string_view TextBytesSlow();
  int64_t Run(const char* data, size_t size, const ReadFn* read);
  // Tokenizes [p, end). Returns where it stopped: at `end`, or at the start of a token that
  // needs more bytes (only when !eof).
  const char* Tokenize(const char* p, const char* end, bool eof);
  // Each returns the position after the token, or nullptr when the token runs past `end`.
  const char* StartTag(const char* p, const char* end, bool eof);
  const char* EndTagAt(const char* p, const char* end);
  const char* Bang(const char* p, const char* end);
  const char* Pi(const char* p, const char* end);
  // Scans attributes up to ">" or "/>"; returns the position of the ">" or "/", nullptr when
  // cut off.
  const char* ScanAttributes(const char* q, const char* end, int& count);
  void SetName(std::string_view qname);
  TXpgNs Resolve(std::string_view prefix) const;
  void PopBindings() {
    if (bindings_.empty() || bindings_.back().depth < depth_) {
      if (depth_ > 0) --depth_;
      return;
    }
    PopBindingsSlow();
  }
  void PopBindingsSlow();

  bool aborted_ = false;
  std::string_view qname_;
  size_t localStart_ = 0;
  TXpgNs ns_ = TXpgNs::None;
  bool emptyElement_ = false;
  int depth_ = 0;
  bool hasText_ = false;
  bool sawMarkup_ = false;
  bool special_ = false;  // the current tag has a prefixed attribute or one starting with "x"
  std::vector<Segment> segments_;
  bool textDone_ = false, textBytesDone_ = false;
  std::u16string text_;
  std::string textBytes_;
  std::string_view comment_;
  void PushBinding(std::string_view prefix, TXpgNs ns);
  std::vector<Binding> bindings_;
  // Prefix -> index in bindings_ of its innermost binding: a lookup costs the same however many
  // prefixes are in scope.
  std::unordered_map<std::string, int, PrefixHash, std::equal_to<>> innermost_;
  TXpgNs defaultNs_ = TXpgNs::None;
  TXpgXMLAttributeList attrs_;
  int declCount_ = 0;
  std::string normalized_;  // bytes given whole that held a CR, with their line ends normalised
};

}  // namespace xls
