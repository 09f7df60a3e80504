#include "xls/package/xpgwritexml.h"

#include <stdexcept>

#include "platform/textcodec.h"
#include "xls/package/xlsstream.h"

namespace xls {

namespace {
// Pending attributes or text beyond this many bytes are refused.
constexpr size_t kMaxPending = 32767;
}  // namespace

std::string XpgEscape(std::u16string_view text) {
  std::u16string s;
  s.reserve(text.size());
  for (char16_t c : text) {
    switch (c) {
      case u'"': s += u"&quot;"; break;
      case u'&': s += u"&amp;"; break;
      case u'\'': s += u"&apos;"; break;
      case u'<': s += u"&lt;"; break;
      case u'>': s += u"&gt;"; break;
      default: s += c;
    }
  }
  return kws::Utf16ToUtf8(s);
}

void TXpgWriteXML::Put(std::string_view bytes) {
  if (!stream_) throw std::runtime_error("XML writer has no output");
  stream_->WriteBuffer(bytes.data(), bytes.size());
}

void TXpgWriteXML::CheckPending() const {
  if (attributes_.size() > kMaxPending || text_.size() > kMaxPending)
    throw std::runtime_error("Write XML buffer owerflow");
}

void TXpgWriteXML::SaveToStream(TXLSStream& stream) {
  stream_ = &stream;
  stack_.clear();
  attributes_.clear();
  text_.clear();
  Declaration();
}

void TXpgWriteXML::Declaration() { Put("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r"); }

void TXpgWriteXML::AddRawAttributes(std::string_view raw) {
  attributes_ += raw;
  CheckPending();
}

void TXpgWriteXML::AddAttribute(std::u16string_view name, std::u16string_view value) {
  attributes_ += kws::Utf16ToUtf8(name);
  attributes_ += "=\"";
  attributes_ += XpgEscape(value);
  attributes_ += "\" ";
  CheckPending();
}

void TXpgWriteXML::BeginTag(std::u16string_view name) {
  std::string n = kws::Utf16ToUtf8(name);
  if (attributes_.empty()) Put("<" + n + ">\r");
  else Put("<" + n + " " + attributes_ + ">\r");
  attributes_.clear();
  stack_.push_back(std::move(n));
}

void TXpgWriteXML::EndTag() {
  if (!text_.empty()) {
    CheckPending();
    Put(XpgEscape(text_));
    text_.clear();
  }
  if (stack_.empty()) throw std::runtime_error("Empty stack");
  Put("</" + stack_.back() + ">\r");
  stack_.pop_back();
}

void TXpgWriteXML::SimpleTag(std::u16string_view name) {
  if (!text_.empty()) {
    std::u16string t = std::move(text_);
    text_.clear();
    SimpleTextTag(name, t);
    return;
  }
  std::string n = kws::Utf16ToUtf8(name);
  if (attributes_.empty()) Put("<" + n + "/>\r");
  else Put("<" + n + " " + attributes_ + "/>\r");
  attributes_.clear();
}

void TXpgWriteXML::SimpleTextTag(std::u16string_view name, std::u16string_view text) {
  std::string n = kws::Utf16ToUtf8(name);
  if (text.size() > kMaxPending) throw std::runtime_error("Write XML buffer owerflow");
  std::string open = attributes_.empty() ? "<" + n + ">" : "<" + n + " " + attributes_ + ">";
  attributes_.clear();
  Put(open + XpgEscape(text) + "</" + n + ">\r");
}

}  // namespace xls
