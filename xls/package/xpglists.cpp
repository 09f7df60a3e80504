#include "xls/package/xpglists.h"

#include <stdexcept>

#include "platform/textcodec.h"

namespace xls {

void TBaseXpgList::CheckIndex(int index) const {
  if (index < 0 || index >= Count())
    throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
}

std::u16string TBaseXpgList::GetDelimitedText() const {
  std::u16string s;
  for (int i = 0; i < Count(); ++i) {
    if (i) s += delimiter_;
    s += GetAsString(i);
  }
  return s;
}

void TBaseXpgList::SetDelimitedText(std::u16string_view text) {
  Clear();
  std::u16string rest(text), head;
  while (!rest.empty()) {
    XmlSplitAtChar(delimiter_, rest, head);
    if (!AddPiece(head) && OnError) OnError(*this);
  }
}

std::u16string TBooleanXpgList::GetDelimitedText() const {
  std::u16string s;
  for (int i = 0; i < Count(); ++i) {
    if (i) s += u' ';
    s += Items(i) ? u"True" : u"False";
  }
  return s;
}

bool TBooleanXpgList::AddPiece(std::u16string_view piece) {
  bool v;
  if (!TryXmlStrToBool(piece, v)) return false;
  items_.push_back(v);
  return true;
}

bool TExtendedXpgList::AddPiece(std::u16string_view piece) {
  double v;
  if (!TryXmlStrToFloat(piece, v)) return false;
  items_.push_back(v);
  return true;
}

void TLongwordXpgList::Add(std::u16string_view text) {
  int32_t v;
  if (!TryXmlStrToInt(text, v))
    throw std::runtime_error("'" + kws::Utf16ToUtf8(text) + "' is not a valid integer value");
  items_.push_back(static_cast<uint32_t>(v));
}

bool TLongwordXpgList::AddPiece(std::u16string_view piece) {
  int32_t v;
  if (!TryXmlStrToInt(piece, v)) return false;
  items_.push_back(static_cast<uint32_t>(v));
  return true;
}

std::u16string TTDateTimeXpgList::GetDelimitedText() const {
  std::u16string s;
  for (int i = 0; i < Count(); ++i) {
    if (i) s += u' ';
    s += XmlFloatToStr(Items(i));
  }
  return s;
}

bool TTDateTimeXpgList::AddPiece(std::u16string_view piece) {
  TXpgDateTime v;
  if (!TryXmlStrToDateTime(piece, v)) return false;
  items_.push_back(v);
  return true;
}

void TStringXpgList::AddNameValue(std::u16string_view name, std::u16string_view value) {
  std::u16string s(name);
  s += u"=\"";
  s += value;
  s += u"\" ";
  items_.push_back(std::move(s));
}

std::u16string TStringXpgList::Text() const {
  std::u16string s;
  for (const auto& i : items_) {
    s += i;
    s += u"\r\n";
  }
  return s;
}

}  // namespace xls
