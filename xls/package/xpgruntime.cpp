#include "xls/package/xpgruntime.h"

#include "xls/model/xlserrors.h"
#include "xls/package/xpgvalues.h"

namespace xls {

TXPGBase* TXPGBase::HandleElement(TXPGReader& reader) {
  (void)reader;
  return nullptr;
}

void TXPGBase::ReportAttribute(const TXpgXMLAttributeList& attributes, int index) const {
  if (FOwner) FOwner->Errors().Error(TXpgErrorMsg::xemUnknownAttribute, attributes.GetAttributes(index), 0);
}

void TXPGBase::ReportElement(const TXpgReadXML& reader) const {
  if (FOwner) FOwner->Errors().Error(TXpgErrorMsg::xemUnknownElement, reader.QName(), 0);
}

void XpgListIndexError(int index) {
  throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
}

TXPGReader::TXPGReader(TXpgPErrors& errors, TXPGBase& root, TXpgUnitPolicy policy)
    : errors_(errors), current_(&root), policy_(policy) {
  errors_.NoDuplicates = true;
}

void TXPGBase::ContentBegin(TXPGReader& reader) { reader.BeginGeneric(this); }

bool TXPGBase::ContentEnd(TXPGReader& reader) {
  (void)reader;
  return false;
}

void TXPGReader::Dispatch() {
  const bool mc = Namespace() == TXpgNs::MarkupCompatibility;
  if (mc && RawLocalName() == "AlternateContent") {
    stack_.push_back({current_, Kind::AlternateContent});
    return;
  }
  if (!stack_.empty() && stack_.back().kind == Kind::AlternateContent) {
    if (mc && RawLocalName() == "Fallback") stack_.push_back({current_, Kind::Fallback});
    else skipDepth_ = 1;  // mc:Choice and anything else
    return;
  }
  TXPGBase* next = current_->HandleElement(*this);
  if (next == nullptr) {
    errors_.Error(TXpgErrorMsg::xemUnknownElement, QName(), 0);
    skipDepth_ = 1;
    return;
  }
  if (next == SkipSilently()) {
    skipDepth_ = 1;
    return;
  }
  stack_.push_back({current_, Kind::Element});
  if (next != current_) next->SetAssigneds(xaRead);
  current_ = next;
  if (policy_.AssignAttributesAlways || Attributes().Count() > 0) current_->AssignAttributes(Attributes());
}

void TXPGReader::EndDispatched() {
  if (stack_.empty()) XpgListIndexError(-1);  // more end tags than start tags
  Frame f = stack_.back();
  stack_.pop_back();
  current_ = f.element;
  if (f.kind == Kind::Element) current_->HandleChildEnd();
}

int XpgEnumIndex(std::string_view value, std::span<const std::string_view> names) {
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; };
  for (size_t i = 0; i < names.size(); ++i) {
    std::string_view n = names[i];
    if (n.size() != value.size()) continue;
    size_t k = 0;
    while (k < n.size() && lower(n[k]) == lower(value[k])) ++k;
    if (k == n.size()) return static_cast<int>(i);
  }
  return -1;
}

void XpgEnumNotFound(std::string_view prefix, std::string_view value) {
  throw XLSRWException("Can not find enum \"" + std::string(prefix) + std::string(value) + "\"");
}

int32_t XpgToInt(std::string_view text) {
  int32_t v = 0;
  return TryXmlStrToInt(text, v) ? v : 0;
}

int32_t XpgToArgb(std::string_view text) {
  std::string s = "$" + std::string(text);
  int32_t v = 0;
  return TryXmlStrToInt(std::string_view(s), v) ? v : 0;
}

double XpgToDouble(std::string_view text) { return XmlStrToFloat(text); }

uint8_t XpgToBool(std::string_view text, uint8_t fallback) {
  auto is = [&](std::string_view w) { return XpgEnumIndex(text, std::span<const std::string_view>(&w, 1)) == 0; };
  if (is("true") || is("1") || is("t")) return 1;
  if (is("false") || is("0") || is("f")) return 0;
  return fallback;
}

}  // namespace xls
