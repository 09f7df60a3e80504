#include "xls/model/xlssheetparts.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <stdexcept>
#include <string>

#include "platform/textcodec.h"
#include "xls/model/formatsettings.h"
#include "xls/model/xlsglobals.h"
#include "xls/model/xlsutils.h"

namespace xls {

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
  std::unique_ptr<TXc12Hyperlink> h;
  if (FClassFactory)
    h = FClassFactory->CreateAs<TXc12Hyperlink>(TXLSClassFactoryType::xcftHyperlinksMember, this);
  if (!h) h = std::make_unique<TXc12Hyperlink>();
  h->Clear();
  return static_cast<TXc12Hyperlink*>(Append(std::move(h)));
}

void TXc12SheetProtection::SetPasswordAsString(std::u16string_view password) {
  // The 8-bit form is Latin-1; a character beyond it has no byte and counts as "?".
  std::string bytes;
  for (char16_t c : password.substr(0, 15)) bytes += c < 256 ? static_cast<char>(c) : '?';
  FPassword = LegacyPasswordHash(bytes);
}

TXc12DataValidation* TXc12DataValidations::AddDV() {
  std::unique_ptr<TXc12DataValidation> v;
  if (FClassFactory)
    v = FClassFactory->CreateAs<TXc12DataValidation>(TXLSClassFactoryType::xcftDataValidationsMember,
                                                     nullptr);
  if (!v) v = std::make_unique<TXc12DataValidation>();
  push_back(std::move(v));
  return back().get();
}

void TXc12DataValidations::Clear() {
  clear();
  FDisablePrompts = false;
  FXWindow = FYWindow = 0;
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
    if (kws::AsciiSameText(a->FName, name)) return a.get();
  return nullptr;
}

void TXc12Comment::SetCol(int32_t v) {
  if (FOrigCol < 0) FOrigCol = v;
  FCol = v;
  if (FListStale) *FListStale = true;
}

void TXc12Comment::SetRow(int32_t v) {
  if (FOrigRow < 0) FOrigRow = v;
  FRow = v;
  if (FListStale) *FListStale = true;
}

namespace {
uint64_t CellKey(int32_t col, int32_t row) { return (uint64_t(uint32_t(row)) << 32) | uint32_t(col); }
}  // namespace

TXc12Comment* TXc12Comments::Add() {
  FItems.push_back(std::make_unique<TXc12Comment>());
  FItems.back()->FListStale = &FStale;
  FStale = true;
  return FItems.back().get();
}

void TXc12Comments::Delete(size_t index) {
  if (index >= FItems.size()) throw std::out_of_range("comment index");
  FItems.erase(FItems.begin() + std::ptrdiff_t(index));
  FStale = true;
}

TXc12FontRun* TXc12Comment::AddFontRun() { return &FFontRuns.emplace_back(); }

void TXc12Comment::SetDefault() {
  static std::atomic<int64_t> shapes{0};
  const std::string n = std::to_string(++shapes);
  const std::string vml =
      "<v:shape id=\"vodka_" + n +
      "\" type=\"#_x0000_t202\" style=\"position:absolute;width:120pt;height:59.25pt;visibility:hidden\" "
      "fillcolor=\"#ffffe1\" o:insetmode=\"auto\"><v:fill color2=\"#ffffe1\"/>"
      "<v:shadow on=\"t\" color=\"black\" obscured=\"t\"/><v:path o:connecttype=\"none\"/>"
      "<v:textbox style=\"mso-direction-alt:auto\"><div style=\"text-align:left\"></div></v:textbox>"
      "<x:ClientData ObjectType=\"Note\"><x:MoveWithCells/><x:SizeWithCells/><x:AutoFill>False</x:AutoFill>"
      "<x:Row>1</x:Row><x:Column>1</x:Column></x:ClientData></v:shape>";
  FVML.assign(vml.begin(), vml.end());
}

TXc12Comment* TXc12Comments::Find(int32_t col, int32_t row) const {
  if (FStale) {
    FByCell.clear();
    for (const auto& c : FItems) FByCell.try_emplace(CellKey(c->Col(), c->Row()), c.get());
    FStale = false;
  }
  const auto it = FByCell.find(CellKey(col, row));
  return it == FByCell.end() ? nullptr : it->second;
}

void TXc12Comments::Delete(int32_t col1, int32_t row1, int32_t col2, int32_t row2) {
  const size_t before = FItems.size();
  std::erase_if(FItems, [&](const std::unique_ptr<TXc12Comment>& c) {
    return c->Col() >= col1 && c->Col() <= col2 && c->Row() >= row1 && c->Row() <= row2;
  });
  if (FItems.size() != before) FStale = true;
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
  FSortState->Clear();
}

TXc12FilterColumn* TXc12AutoFilter::AddColumn() {
  FColumns.push_back(CreateColumn());
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
    if (kws::AsciiSameText(FItems[i]->FName, name)) return int32_t(i);
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
      if (kws::AsciiSameText(t->Columns(c)->FName, plain)) return int32_t(c);
  return -1;
}

// ---- external links

double TextToFloat(std::u16string_view text, char16_t decimalSeparator) {
  std::string a;
  for (char16_t c : text) {
    if (c == decimalSeparator) a += '.';
    else if (c < 0x80 && c != '.') a += char(c);
    else return 0;
  }
  const size_t b = a.find_first_not_of(' '), e = a.find_last_not_of(' ');
  if (b == std::string::npos) return 0;
  const char* first = a.data() + b;
  const char* last = a.data() + e + 1;
  if (*first == '+') ++first;
  double v = 0;
  const auto r = std::from_chars(first, last, v);
  return (r.ec == std::errc() && r.ptr == last) ? v : 0;
}

bool TXc12XCellValue::AsBoolean() const {
  switch (FType) {
    case TXc12XCellType::x12ctBoolean: return FBoolean;
    case TXc12XCellType::x12ctFloat: return FFloat != 0;  // NaN counts as true
    case TXc12XCellType::x12ctString: return kws::AsciiUpperCopy(FString) == StrTRUE();
    default: return false;
  }
}

double TXc12XCellValue::AsFloat(char16_t decimalSeparator) const {
  switch (FType) {
    case TXc12XCellType::x12ctBoolean: return FBoolean ? 1 : 0;
    case TXc12XCellType::x12ctFloat: return FFloat;
    case TXc12XCellType::x12ctString: return TextToFloat(FString, decimalSeparator);
    default: return 0;
  }
}

std::u16string TXc12XCellValue::AsString(char16_t decimalSeparator) const {
  switch (FType) {
    case TXc12XCellType::x12ctBoolean: return FBoolean ? StrTRUE() : StrFALSE();
    case TXc12XCellType::x12ctError: {
      const unsigned code = static_cast<unsigned>(FError);
      return code <= 8 ? std::u16string(Xc12CellErrorNames[code]) : std::u16string();
    }
    case TXc12XCellType::x12ctFloat: {
      FormatSettings fs;
      fs.DecimalSeparator = decimalSeparator;
      return FormatGeneral(FFloat, fs);
    }
    case TXc12XCellType::x12ctString: return FString;
    default: return {};
  }
}

void TXc12XCellValue::SetAsBoolean(bool v) {
  Clear();
  FType = TXc12XCellType::x12ctBoolean;
  FBoolean = v;
}

void TXc12XCellValue::SetAsError(TXc12CellError v) {
  Clear();
  FType = TXc12XCellType::x12ctError;
  FError = v;
}

void TXc12XCellValue::SetAsFloat(double v) {
  Clear();
  FFloat = v;
}

void TXc12XCellValue::SetAsString(std::u16string_view v) {
  Clear();
  FType = TXc12XCellType::x12ctString;
  FString = v;
}

void TXc12XCellValue::SetAsNil(bool v) {
  Clear();
  if (v) FType = TXc12XCellType::x12ctNil;
}

int32_t TXc12XExternalBook::FindSheetName(std::u16string_view name) const {
  for (size_t i = 0; i < FSheetNames.size(); ++i)
    if (kws::AsciiSameText(FSheetNames[i], name)) return int32_t(i);
  return -1;
}

TXc12ExternalLink* TXc12DataXLinks::Add() {
  FItems.push_back(std::make_unique<TXc12ExternalLink>());
  return FItems.back().get();
}

int32_t TXc12DataXLinks::FindBook(std::u16string_view name) const {
  if (!name.empty() && name.size() <= 9 && std::all_of(name.begin(), name.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; })) {
    size_t n = 0;
    for (char16_t c : name) n = n * 10 + size_t(c - u'0');
    return n >= 1 && n <= FItems.size() ? int32_t(n - 1) : -1;
  }
  for (size_t i = 0; i < FItems.size(); ++i)
    if (kws::AsciiSameText(FItems[i]->FExternalBook.FFilename, name)) return int32_t(i);
  return -1;
}

}  // namespace xls
