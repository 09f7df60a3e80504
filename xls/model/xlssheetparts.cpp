#include "xls/model/xlssheetparts.h"

#include "platform/textcodec.h"

namespace xls {

namespace {
bool SameAsciiCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (kws::AsciiUpper(a[i]) != kws::AsciiUpper(b[i])) return false;
  return true;
}
}  // namespace

TXc12Column* TXc12Columns::Add(TXc12XF* style) {
  auto c = std::make_unique<TXc12Column>();
  c->FStyle = style;
  FItems.push_back(std::move(c));
  return FItems.back().get();
}

void TXc12Hyperlink::Clear() {
  FHyperlinkType = TXLSHyperlinkType::xhltUnknown;
  FDisplay.clear();
  FAddress.clear();
  FLocation.clear();
  FTooltip.clear();
  FRef = {-1, -1, -1, -1};
}

TXc12Hyperlink* TXc12Hyperlinks::AddLink() {
  auto h = std::make_unique<TXc12Hyperlink>();
  h->Clear();
  return static_cast<TXc12Hyperlink*>(Append(std::move(h)));
}

TXc12SheetView* TXc12SheetViews::Add() {
  FItems.push_back(std::make_unique<TXc12SheetView>());
  return FItems.back().get();
}

TXc12Author* TXc12Authors::Add(std::u16string_view name) {
  auto a = std::make_unique<TXc12Author>();
  a->FName = name;
  FItems.push_back(std::move(a));
  return FItems.back().get();
}

TXc12Author* TXc12Authors::Find(std::u16string_view name) const {
  for (const auto& a : FItems)
    if (SameAsciiCase(a->FName, name)) return a.get();
  return nullptr;
}

void TXc12Comment::SetCol(int32_t v) {
  if (FOrigCol < 0) FOrigCol = v;
  FCol = v;
}

void TXc12Comment::SetRow(int32_t v) {
  if (FOrigRow < 0) FOrigRow = v;
  FRow = v;
}

TXc12Comment* TXc12Comments::Add() {
  FItems.push_back(std::make_unique<TXc12Comment>());
  return FItems.back().get();
}

TXc12Comment* TXc12Comments::Find(int32_t col, int32_t row) const {
  for (const auto& c : FItems)
    if (c->Col() == col && c->Row() == row) return c.get();
  return nullptr;
}

namespace {
constexpr std::u16string_view kOperatorTexts[] = {u"=", u"<", u"<=", u"<>", u">=", u">"};
}

std::u16string TXc12CustomFilter::OperatorAsString() const {
  return std::u16string(kOperatorTexts[static_cast<size_t>(FOperator)]);
}

void TXc12CustomFilter::SetOperatorAsString(std::u16string_view s) {
  for (size_t i = 0; i < std::size(kOperatorTexts); ++i)
    if (kOperatorTexts[i] == s) FOperator = static_cast<TXc12FilterOperator>(i);
}

void TXc12AutoFilter::Clear() {
  FRef = {-1, -1, -1, -1};
  FColumns.clear();
}

TXc12FilterColumn* TXc12AutoFilter::AddColumn() {
  FColumns.push_back(std::make_unique<TXc12FilterColumn>());
  return FColumns.back().get();
}

TXc12TableColumn* TXc12Table::AddColumn() {
  FColumns.push_back(std::make_unique<TXc12TableColumn>());
  return FColumns.back().get();
}

TXc12Table* TXc12Tables::Add() {
  FItems.push_back(std::make_unique<TXc12Table>());
  return FItems.back().get();
}

int32_t TXc12Tables::Find(std::u16string_view name) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (SameAsciiCase(FItems[i]->FName, name)) return int32_t(i);
  return -1;
}

int32_t TXc12Tables::Find(int32_t col, int32_t row) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i]->Hit(col, row)) return int32_t(i);
  return -1;
}

int32_t TXc12Tables::FindCol(std::u16string_view name) const {
  std::u16string plain;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] != u'\'') {
      plain += name[i];
    } else if (i + 1 < name.size() && name[i + 1] == u'\'') {
      plain += u'\'';
      ++i;
    }
  }
  for (const auto& t : FItems)
    for (size_t c = 0; c < t->ColumnCount(); ++c)
      if (SameAsciiCase(t->Columns(c)->FName, plain)) return int32_t(c);
  return -1;
}

TXc12ExternalLink* TXc12DataXLinks::Add() {
  FItems.push_back(std::make_unique<TXc12ExternalLink>());
  return FItems.back().get();
}

}  // namespace xls
