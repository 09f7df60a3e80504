#include "xls/package/xpgdom.h"

#include <algorithm>
#include <stdexcept>

#include "platform/textcodec.h"

namespace xls {

int32_t TXpgDOMAttribute::AsInteger() const {
  int32_t v = 0;
  return TryXmlStrToInt(Value, v) ? v : 0;
}

std::string TXpgDOMAttribute::AsBase64() const {
  std::string bytes;
  bytes.reserve(Value.size());
  for (char16_t c : Value) bytes += static_cast<char>(c & 0xFF);
  return DecodeBase64(bytes);
}

TXpgDOMAttribute& TXpgDOMAttributes::Add(std::u16string_view name, std::u16string_view value) {
  items_.push_back(std::make_unique<TXpgDOMAttribute>(std::u16string(name), std::u16string(value)));
  return *items_.back();
}

TXpgDOMAttribute& TXpgDOMAttributes::Items(int index) const {
  if (index < 0 || index >= Count()) throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
  return *items_[index];
}

TXpgDOMAttribute* TXpgDOMAttributes::Find(std::u16string_view name) const {
  for (const auto& a : items_)
    if (a->Name == name) return a.get();
  return nullptr;
}

std::u16string TXpgDOMAttributes::FindValue(std::u16string_view name) const {
  TXpgDOMAttribute* a = Find(name);
  return a ? a->Value : std::u16string();
}

int32_t TXpgDOMAttributes::FindValueIntDef(std::u16string_view name, int32_t def) const {
  TXpgDOMAttribute* a = Find(name);
  int32_t v;
  return a && TryXmlStrToInt(a->Value, v) ? v : def;
}

int32_t TXpgDOMAttributes::FindValueHexDef(std::u16string_view name, int32_t def) const {
  TXpgDOMAttribute* a = Find(name);
  return a ? XmlHexStrToIntDef(u"#" + a->Value, def) : def;
}

TXpgDOMNode* TXpgDOMNode::AddChild(std::u16string_view qname) {
  std::unique_ptr<TXpgDOMNode> child = CreateChild();
  child->qname_ = qname;
  TXpgDOMNode* added = child.get();
  if (gapLen_ == 0) {
    childs_.push_back(std::move(child));
  } else {
    MoveGap(static_cast<size_t>(Count()));
    childs_[gap_++] = std::move(child);
    --gapLen_;
  }
  return added;
}

TXpgDOMNode* TXpgDOMNode::Items(int index) const {
  if (index < 0 || index >= Count()) throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
  return childs_[Slot(static_cast<size_t>(index))].get();
}

void TXpgDOMNode::MoveGap(size_t index) {
  if (gapLen_ == 0) {
    gap_ = index;
    return;
  }
  // Children between the old and the new start of the gap cross it.
  if (index > gap_) {
    std::move(childs_.begin() + static_cast<ptrdiff_t>(gap_ + gapLen_),
              childs_.begin() + static_cast<ptrdiff_t>(index + gapLen_),
              childs_.begin() + static_cast<ptrdiff_t>(gap_));
  } else if (index < gap_) {
    std::move_backward(childs_.begin() + static_cast<ptrdiff_t>(index),
                       childs_.begin() + static_cast<ptrdiff_t>(gap_),
                       childs_.begin() + static_cast<ptrdiff_t>(gap_ + gapLen_));
  }
  gap_ = index;
}

std::unique_ptr<TXpgDOMNode> TXpgDOMNode::Detach(int index) {
  Items(index);
  const auto i = static_cast<size_t>(index);
  // The gap grows by the detached slot: at its end when the child follows the gap, else at
  // its start after moving the gap behind the child.
  if (gapLen_ > 0 && i + 1 == gap_) {
    std::unique_ptr<TXpgDOMNode> n = std::move(childs_[i]);
    --gap_;
    ++gapLen_;
    return n;
  }
  MoveGap(i);
  std::unique_ptr<TXpgDOMNode> n = std::move(childs_[gap_ + gapLen_]);
  ++gapLen_;
  if (gap_ + gapLen_ == childs_.size()) {  // a gap at the end is no gap
    childs_.resize(gap_);
    gapLen_ = 0;
  }
  return n;
}

TXpgDOMNode* TXpgDOMNode::Find(std::u16string_view path, bool required) const {
  size_t slash = path.find(u'/');
  std::u16string_view head = path.substr(0, slash);
  for (const auto& c : childs_) {
    if (c && c->qname_ == head) {
      if (slash == std::u16string_view::npos) return c.get();
      return c->Find(path.substr(slash + 1), required);
    }
  }
  if (required) throw std::runtime_error("XML error: Can not find expected node \"" + kws::Utf16ToUtf8(path) + "\"");
  return nullptr;
}

int32_t TXpgDOMNode::AsInteger() const {
  int32_t v = 0;
  return TryXmlStrToInt(content_, v) ? v : 0;
}

double TXpgDOMNode::AsFloat() const {
  double v = 0;
  return TryXmlStrToFloat(content_, v) ? v : 0.0;
}

bool TXpgDOMNode::AsBoolean() const {
  bool v = false;
  return TryXmlStrToBool(content_, v) ? v : false;
}

TXpgDateTime TXpgDOMNode::AsDateTime() const {
  TXpgDateTime v = 0;
  TryXmlStrToDateTime(content_, v);
  return v;
}

TXpgSimpleDOM::TXpgSimpleDOM() : root_(std::make_unique<TXpgDOMNode>(nullptr)) { root_->SetQName(u"__ROOT__"); }

void TXpgSimpleDOM::Clear() {
  TXpgReadXML::Clear();
  stack_.clear();
  root_->Clear();
  nodes_ = 0;
}

template <class F>
int64_t TXpgSimpleDOM::Load(F&& parse) {
  Clear();
  stack_.push_back(root_.get());
  int64_t n = 0;
  try {
    n = parse();
  } catch (...) {
    // Nothing of a document that failed stays behind, whatever it cost.
    stack_.clear();
    root_->Clear();
    nodes_ = 0;
    throw;
  }
  stack_.clear();
  return n;
}

int64_t TXpgSimpleDOM::LoadFromStream(TXLSStream& stream) {
  return Load([&] { return TXpgReadXML::LoadFromStream(stream); });
}

int64_t TXpgSimpleDOM::LoadFromUtf8(std::string_view bytes) {
  return Load([&] { return LoadFromBytes(bytes); });
}

void TXpgSimpleDOM::LoadFromString(std::u16string_view text) {
  std::string bytes = kws::Utf16ToUtf8(text);
  LoadFromUtf8(bytes);
}

size_t TXpgSimpleDOM::LoadFromBuffer(std::string_view bytes, size_t maxSize) {
  size_t n = 0;
  size_t limit = std::min(maxSize, bytes.size());
  while (n < limit) {
    unsigned char c = static_cast<unsigned char>(bytes[n]);
    if (!(c == '\n' || c == '\r' || (c >= 0x20 && c <= 0x7E))) break;
    ++n;
  }
  LoadFromUtf8(bytes.substr(0, n));
  return n;
}

void TXpgSimpleDOM::BeginTag() {
  nodes_ += 1 + Attributes().Count();
  if (nodes_ > MaxNodes)
    throw std::runtime_error("XML error: more than " + std::to_string(MaxNodes) + " nodes");
  TXpgDOMNode* parent = stack_.empty() ? root_.get() : stack_.back();
  TXpgDOMNode* node = parent->AddChild(QName());
  if (HasText()) {
    std::u16string t = Text();
    if (!PreserveSpaces) {
      size_t b = 0, e = t.size();
      while (b < e && t[b] <= u' ') ++b;
      while (e > b && t[e - 1] <= u' ') --e;
      t = t.substr(b, e - b);
    }
    node->SetContent(t);
  }
  const TXpgXMLAttributeList& a = Attributes();
  for (int i = 0; i < a.Count(); ++i) {
    std::u16string v = a.GetValues(i);
    XmlNormalizeWhitespace(v);
    node->AddAttribute(a.GetAttributes(i), v);
  }
  stack_.push_back(node);
}

void TXpgSimpleDOM::EndTag() {
  // The root stays at the bottom: stray end tags are ignored.
  if (stack_.size() > 1) stack_.pop_back();
}

}  // namespace xls
