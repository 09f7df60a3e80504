#include "xls/model/xlsshareditems.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <functional>

#include "xls/model/formatsettings.h"
#include "xls/model/xlserrors.h"

namespace xls {

namespace {
[[noreturn]] void InvalidType() { throw XLSRWException("Invalid value type"); }

uint32_t Rol2(uint32_t h) { return (h << 2) | (h >> 30); }

// The date in the short date form of the settings (d, dd, M, MM, yy, yyyy; other characters as
// written); the serial in general form when it is no date of years 1 to 9999.
std::u16string ShortDate(double serial) {
  const FormatSettings& fs = DefaultFormatSettings();
  TDateParts p;
  if (!DecodeDateSerial(serial, p)) return FormatGeneral(serial, fs);
  std::u16string out;
  const std::u16string& f = fs.ShortDateFormat;
  auto num = [&](int v, size_t width) {
    std::u16string d;
    for (char c : std::to_string(v)) d += char16_t(c);
    while (d.size() < width) d.insert(d.begin(), u'0');
    out += d;
  };
  for (size_t i = 0; i < f.size();) {
    const char16_t c = f[i];
    size_t n = 1;
    while (i + n < f.size() && f[i + n] == c) ++n;
    if (c == u'd' || c == u'D')
      num(p.Day, n >= 2 ? 2 : 1);
    else if (c == u'M' || c == u'm')
      num(p.Month, n >= 2 ? 2 : 1);
    else if (c == u'y' || c == u'Y')
      n <= 2 ? num(p.Year % 100, 2) : num(p.Year, 4);
    else
      out.append(n, c);
    i += n;
  }
  return out;
}
}  // namespace

uint32_t SharedItemsStringHash(std::u16string_view v) {
  uint32_t h = 0;
  for (char16_t c : v) h = Rol2(h) ^ c;
  return h;
}

uint32_t SharedItemsDoubleHash(double v) {
  uint8_t b[8];
  std::memcpy(b, &v, 8);
  if constexpr (std::endian::native == std::endian::big) std::reverse(b, b + 8);
  uint32_t h = 0;
  for (uint8_t x : b) h = Rol2(h) ^ x;
  return h;
}

// ---- one value ------------------------------------------------------------------------------

bool TXLSSharedItemsValue::AsBoolean() const { InvalidType(); }
double TXLSSharedItemsValue::AsDate() const { InvalidType(); }
TXc12CellError TXLSSharedItemsValue::AsError() const { InvalidType(); }
double TXLSSharedItemsValue::AsNumeric() const { InvalidType(); }
const std::u16string& TXLSSharedItemsValue::AsString() const { InvalidType(); }
void TXLSSharedItemsValue::SetAsBoolean(bool) { InvalidType(); }
void TXLSSharedItemsValue::SetAsDate(double) { InvalidType(); }
void TXLSSharedItemsValue::SetAsError(TXc12CellError) { InvalidType(); }
void TXLSSharedItemsValue::SetAsNumeric(double) { InvalidType(); }
void TXLSSharedItemsValue::SetAsString(std::u16string_view) { InvalidType(); }

bool TXLSSharedItemsValue::EqualBoolean(bool v) const {
  return Type_() == TXLSSharedItemsValueType::xsivtBoolean && AsBoolean() == v;
}
bool TXLSSharedItemsValue::EqualError(TXc12CellError v) const {
  return Type_() == TXLSSharedItemsValueType::xsivtError && AsError() == v;
}
bool TXLSSharedItemsValue::EqualString(std::u16string_view v) const {
  return Type_() == TXLSSharedItemsValueType::xsivtString && AsString() == v;
}
bool TXLSSharedItemsValue::EqualNumeric(double v) const {
  return Type_() == TXLSSharedItemsValueType::xsivtNumeric && AsNumeric() == v;
}
bool TXLSSharedItemsValue::EqualDate(double v) const {
  return Type_() == TXLSSharedItemsValueType::xsivtDate && AsDate() == v;
}
bool TXLSSharedItemsValue::Equal(const TXLSSharedItemsValue& o) const {
  switch (o.Type_()) {
    case TXLSSharedItemsValueType::xsivtBoolean: return EqualBoolean(o.AsBoolean());
    case TXLSSharedItemsValueType::xsivtDate: return EqualDate(o.AsDate());
    case TXLSSharedItemsValueType::xsivtError: return EqualError(o.AsError());
    case TXLSSharedItemsValueType::xsivtBlank: return EqualBlank();
    case TXLSSharedItemsValueType::xsivtNumeric: return EqualNumeric(o.AsNumeric());
    case TXLSSharedItemsValueType::xsivtString: return EqualString(o.AsString());
  }
  return false;
}

std::unique_ptr<TXLSSharedItemsValue> TXLSSharedItemsValueBoolean::Clone() const {
  return std::make_unique<TXLSSharedItemsValueBoolean>(FValue);
}

uint32_t TXLSSharedItemsValueDate::GetHash() const { return SharedItemsDoubleHash(FValue); }
std::u16string TXLSSharedItemsValueDate::AsIdString() const { return FormatGeneral(FValue, u'.'); }
std::u16string TXLSSharedItemsValueDate::AsText() const { return ShortDate(FValue); }
std::unique_ptr<TXLSSharedItemsValue> TXLSSharedItemsValueDate::Clone() const {
  return std::make_unique<TXLSSharedItemsValueDate>(FValue);
}

std::u16string TXLSSharedItemsValueError::AsIdString() const {
  const auto i = static_cast<size_t>(FValue);
  return i < 9 ? Xc12CellErrorNames[i] : Xc12CellErrorNames[0];
}
std::unique_ptr<TXLSSharedItemsValue> TXLSSharedItemsValueError::Clone() const {
  return std::make_unique<TXLSSharedItemsValueError>(FValue);
}

std::unique_ptr<TXLSSharedItemsValue> TXLSSharedItemsValueBlank::Clone() const {
  return std::make_unique<TXLSSharedItemsValueBlank>();
}

uint32_t TXLSSharedItemsValueNumeric::GetHash() const { return SharedItemsDoubleHash(FValue); }
std::u16string TXLSSharedItemsValueNumeric::AsIdString() const { return FormatGeneral(FValue, u'.'); }
std::u16string TXLSSharedItemsValueNumeric::AsText() const {
  const FormatSettings& fs = DefaultFormatSettings();
  if (std::isfinite(FValue) && FValue == std::trunc(FValue)) return FormatGeneral(FValue, fs);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.2f", FValue);
  std::u16string s;
  for (const char* p = buf; *p; ++p) s += *p == '.' ? fs.DecimalSeparator : char16_t(*p);
  return s;
}
std::unique_ptr<TXLSSharedItemsValue> TXLSSharedItemsValueNumeric::Clone() const {
  return std::make_unique<TXLSSharedItemsValueNumeric>(FValue);
}

uint32_t TXLSSharedItemsValueString::GetHash() const { return SharedItemsStringHash(FValue); }
std::unique_ptr<TXLSSharedItemsValue> TXLSSharedItemsValueString::Clone() const {
  return std::make_unique<TXLSSharedItemsValueString>(FValue);
}

// ---- the list ---------------------------------------------------------------------------------

TXLSSharedItemsValue* TXLSSharedItemsValues::GetItems(int index) const {
  if (index < 0 || index >= Count())
    throw XLSRWException("List index out of bounds (" + std::to_string(index) + ")");
  return FItems[index].get();
}

namespace {
template <class Pred>
bool AnyOf(const TXLSSharedItemsValues& l, Pred p) {
  for (int i = 0; i < l.Count(); ++i)
    if (p(*l.GetItems(i))) return true;
  return false;
}
}  // namespace

bool TXLSSharedItemsValues::FindBoolean(bool v) const {
  return AnyOf(*this, [&](const TXLSSharedItemsValue& x) { return x.EqualBoolean(v); });
}
bool TXLSSharedItemsValues::FindNumeric(double v) const {
  return AnyOf(*this, [&](const TXLSSharedItemsValue& x) { return x.EqualNumeric(v); });
}
bool TXLSSharedItemsValues::FindDate(double v) const {
  return AnyOf(*this, [&](const TXLSSharedItemsValue& x) { return x.EqualDate(v); });
}
bool TXLSSharedItemsValues::FindError(TXc12CellError v) const {
  return AnyOf(*this, [&](const TXLSSharedItemsValue& x) { return x.EqualError(v); });
}
bool TXLSSharedItemsValues::FindBlank() const {
  return AnyOf(*this, [&](const TXLSSharedItemsValue& x) { return x.EqualBlank(); });
}
bool TXLSSharedItemsValues::FindString(std::u16string_view v) const {
  return AnyOf(*this, [&](const TXLSSharedItemsValue& x) { return x.EqualString(v); });
}
bool TXLSSharedItemsValues::Find(const TXLSSharedItemsValue& v) const {
  return AnyOf(*this, [&](const TXLSSharedItemsValue& x) { return x.Equal(v); });
}

bool TXLSSharedItemsValues::Add(std::unique_ptr<TXLSSharedItemsValue> v) {
  Append(std::move(v));
  return true;
}
bool TXLSSharedItemsValues::AddBoolean(bool v) { return Add(std::make_unique<TXLSSharedItemsValueBoolean>(v)); }
bool TXLSSharedItemsValues::AddDate(double v) { return Add(std::make_unique<TXLSSharedItemsValueDate>(v)); }
bool TXLSSharedItemsValues::AddError(TXc12CellError v) { return Add(std::make_unique<TXLSSharedItemsValueError>(v)); }
bool TXLSSharedItemsValues::AddBlank() { return Add(std::make_unique<TXLSSharedItemsValueBlank>()); }
bool TXLSSharedItemsValues::AddNumeric(double v) { return Add(std::make_unique<TXLSSharedItemsValueNumeric>(v)); }
bool TXLSSharedItemsValues::AddString(std::u16string_view v) {
  return Add(std::make_unique<TXLSSharedItemsValueString>(v));
}

// ---- the unique list --------------------------------------------------------------------------

size_t TXLSUniqueSharedItemsValues::THash::operator()(int32_t i) const {
  const TXLSSharedItemsValue& v = list->At(i);
  const size_t kind = static_cast<size_t>(v.Type_()) * 0x9E3779B97F4A7C15ull;
  switch (v.Type_()) {
    case TXLSSharedItemsValueType::xsivtString:
      return kind ^ std::hash<std::u16string_view>()(v.AsString());
    case TXLSSharedItemsValueType::xsivtNumeric:
    case TXLSSharedItemsValueType::xsivtDate: {
      double d = v.Type_() == TXLSSharedItemsValueType::xsivtDate ? v.AsDate() : v.AsNumeric();
      if (d == 0) d = 0;  // -0 equals 0
      return kind ^ std::hash<uint64_t>()(std::bit_cast<uint64_t>(d));
    }
    default:
      return kind ^ v.GetHash();
  }
}

bool TXLSUniqueSharedItemsValues::TEq::operator()(int32_t a, int32_t b) const {
  return a == b || list->At(a).Equal(list->At(b));
}

TXLSUniqueSharedItemsValues::TXLSUniqueSharedItemsValues() : FSet(16, THash{this}, TEq{this}) {}
TXLSUniqueSharedItemsValues::~TXLSUniqueSharedItemsValues() = default;

void TXLSUniqueSharedItemsValues::Clear() {
  FSet.clear();
  TXLSSharedItemsValues::Clear();
}

bool TXLSUniqueSharedItemsValues::Has(const TXLSSharedItemsValue& probe) const {
  FProbe = &probe;
  const bool found = FSet.find(-1) != FSet.end();
  FProbe = nullptr;
  return found;
}

bool TXLSUniqueSharedItemsValues::Insert(std::unique_ptr<TXLSSharedItemsValue> v) {
  if (Has(*v)) return false;
  v->SetUnused(false);
  Append(std::move(v));
  FSet.insert(Count() - 1);
  return true;
}

bool TXLSUniqueSharedItemsValues::FindBoolean(bool v) const { return Has(TXLSSharedItemsValueBoolean(v)); }
bool TXLSUniqueSharedItemsValues::FindNumeric(double v) const { return Has(TXLSSharedItemsValueNumeric(v)); }
bool TXLSUniqueSharedItemsValues::FindDate(double v) const { return Has(TXLSSharedItemsValueDate(v)); }
bool TXLSUniqueSharedItemsValues::FindError(TXc12CellError v) const { return Has(TXLSSharedItemsValueError(v)); }
bool TXLSUniqueSharedItemsValues::FindBlank() const { return Has(TXLSSharedItemsValueBlank()); }
bool TXLSUniqueSharedItemsValues::FindString(std::u16string_view v) const {
  return Has(TXLSSharedItemsValueString(v));
}
bool TXLSUniqueSharedItemsValues::Find(const TXLSSharedItemsValue& v) const { return Has(v); }

bool TXLSUniqueSharedItemsValues::Add(std::unique_ptr<TXLSSharedItemsValue> v) {
  // The list keeps a value of its own; the object handed in is freed either way.
  return Insert(v->Clone());
}
bool TXLSUniqueSharedItemsValues::AddBoolean(bool v) { return Insert(std::make_unique<TXLSSharedItemsValueBoolean>(v)); }
bool TXLSUniqueSharedItemsValues::AddDate(double v) { return Insert(std::make_unique<TXLSSharedItemsValueDate>(v)); }
bool TXLSUniqueSharedItemsValues::AddError(TXc12CellError v) {
  return Insert(std::make_unique<TXLSSharedItemsValueError>(v));
}
bool TXLSUniqueSharedItemsValues::AddBlank() { return Insert(std::make_unique<TXLSSharedItemsValueBlank>()); }
bool TXLSUniqueSharedItemsValues::AddNumeric(double v) {
  return Insert(std::make_unique<TXLSSharedItemsValueNumeric>(v));
}
bool TXLSUniqueSharedItemsValues::AddString(std::u16string_view v) {
  return Insert(std::make_unique<TXLSSharedItemsValueString>(v));
}

}  // namespace xls
