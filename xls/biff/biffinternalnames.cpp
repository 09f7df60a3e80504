#include "xls/biff/biffinternalnames.h"

#include <algorithm>
#include <array>

#include "xls/biff/sheets.h"
#include "xls/formula/xlsformulaencoder97.h"
#include "xls/model/xlserrors.h"

namespace xls::biff {

namespace {

constexpr size_t kMaxDefinition = 512;
constexpr uint8_t kNameArea3d[] = {0x3B, 0x5B, 0x7B};

uint16_t GetU16(const std::vector<uint8_t>& b, size_t at) { return uint16_t(b[at] | (b[at + 1] << 8)); }

bool IsPrintName(uint8_t code) {
  return code == uint8_t(TX97BuiltInName::xbnPrintArea) || code == uint8_t(TX97BuiltInName::xbnPrintTitles);
}

}  // namespace

// ---------------------------------------------------------------------------------------------

std::u16string TInternalName::Name() const {
  if (BuiltInName() != TX97BuiltInName::xbnNone || FName.empty()) return {};
  return DecodeRawText(FName);
}

void TInternalName::SetName(std::u16string_view value) {
  constexpr std::u16string_view kPrefix = u"_xlnm.";
  std::u16string name(value);
  if (name.starts_with(kPrefix)) {
    name.erase(0, kPrefix.size());
    SetOption(TNameOption::noBuiltIn, true);
  }
  if (name.empty()) throw XLSRWException("Name is empty");
  if (!FParent->FIsUpdating && FParent->FindName(name) >= 0)
    throw XLSRWException(u"There is allready an area named " + name);
  FName = RawTextOf(name);
  if (!FParent->FIsUpdating) FParent->Sort();
}

TX97BuiltInName TInternalName::BuiltInName() const {
  if (FName.size() == 2 && FName[0] == 0 && FName[1] <= uint8_t(TX97BuiltInName::xbnFilterDatabase))
    return TX97BuiltInName(FName[1]);
  return TX97BuiltInName::xbnNone;
}

void TInternalName::SetBuiltInName(TX97BuiltInName value) {
  if (uint8_t(value) > uint8_t(TX97BuiltInName::xbnFilterDatabase)) {
    SetOption(TNameOption::noBuiltIn, false);
    return;
  }
  SetOption(TNameOption::noBuiltIn, true);
  FName = {0, uint8_t(value)};
}

void TInternalName::SetOption(TNameOption o, bool on) {
  const uint16_t bit = uint16_t(1u << unsigned(o));
  FNameOptions = on ? uint16_t(FNameOptions | bit) : uint16_t(FNameOptions & ~bit);
}

std::u16string TInternalName::Definition() const {
  if (FNameDef.empty()) return {};
  return FParent->Decode(FNameDef);
}

void TInternalName::SetDefinition(std::u16string_view value) {
  if (FName.size() <= 1) throw XLSRWException("Name must be set before definition.");
  std::array<uint8_t, kMaxDefinition> buf{};
  TEncodeFormula& encoder = FParent->Encoder();
  const int32_t size = encoder.Encode(value, 0x20, TFormulaVersion::fvExcel97, buf);
  const bool print = IsOption(TNameOption::noBuiltIn) && FName.size() == 2 && IsPrintName(FName[1]);
  std::vector<uint8_t> old = std::move(FNameDef);
  FNameDef.assign(buf.begin(), buf.begin() + size);
  if (print && !NameIsArea(true)) {
    FNameDef = std::move(old);
    throw XLSRWException("Name definition must be an area");
  }
  FFormulaSize = size;
  if (!print) return;
  FSheetIndex = uint16_t(encoder.LastSheetIndex() + 1);
  // One such name a sheet: the others of this code and sheet go.
  for (size_t i = FParent->Count(); i-- > 0;) {
    TInternalName& other = FParent->GetItems(i);
    if (&other != this && other.FName.size() == 2 && other.FName == FName && other.FSheetIndex == FSheetIndex)
      FParent->Delete(i);
  }
}

bool TInternalName::NameIsArea(bool listAccepted) const {
  const auto isArea3d = [](uint8_t id) { return std::find(std::begin(kNameArea3d), std::end(kNameArea3d), id) != std::end(kNameArea3d); };
  if (FNameDef.size() == 11 && isArea3d(FNameDef[0])) return true;
  return listAccepted && FNameDef.size() == 23 && FNameDef[0] == 0x3B && FNameDef[11] == 0x3B;
}

bool TInternalName::NameIsCell() const { return FNameDef.size() == 7 && FNameDef[0] == 0x3A; }

uint16_t TInternalName::Field(size_t areaOffset, size_t cellOffset, bool column) const {
  if (FNameDef.size() == 11 && NameIsArea(false)) {
    const uint16_t v = GetU16(FNameDef, areaOffset);
    return column ? uint16_t(v & 0x3FFF) : v;
  }
  if (NameIsCell()) {
    const uint16_t v = GetU16(FNameDef, cellOffset);
    return column ? uint16_t(v & 0x3FFF) : v;
  }
  throw XLSRWException("Name is not of requested type.");
}

void TInternalName::SetField(size_t areaOffset, size_t cellOffset, bool column, int32_t v) {
  size_t at;
  if (FNameDef.size() == 11 && NameIsArea(false))
    at = areaOffset;
  else if (NameIsCell())
    at = cellOffset;
  else
    throw XLSRWException("Name is not of requested type.");
  uint16_t value = uint16_t(v);
  if (column) value = uint16_t((GetU16(FNameDef, at) & 0xC000) | (v & 0x3FFF));
  FNameDef[at] = uint8_t(value & 0xFF);
  FNameDef[at + 1] = uint8_t(value >> 8);
}

int32_t TInternalName::Col1() const { return Field(7, 5, true); }
int32_t TInternalName::Row1() const { return Field(3, 3, false); }
int32_t TInternalName::Col2() const { return Field(9, 5, true); }
int32_t TInternalName::Row2() const { return Field(5, 3, false); }
int32_t TInternalName::ExtSheet() const {
  if (!NameIsArea(false) && !NameIsCell()) return -1;
  return GetU16(FNameDef, 1);
}
void TInternalName::SetCol1(int32_t v) { SetField(7, 5, true, v); }
void TInternalName::SetRow1(int32_t v) { SetField(3, 3, false, v); }
void TInternalName::SetCol2(int32_t v) { SetField(9, 5, true, v); }
void TInternalName::SetRow2(int32_t v) { SetField(5, 3, false, v); }

// ---------------------------------------------------------------------------------------------

TInternalNames::TInternalNames(TEncodeFormula& encoder, TDecodeEvent decode)
    : FEncoder(&encoder), FDecode(std::move(decode)) {}

TInternalName& TInternalNames::Add() {
  FItems.push_back(std::make_unique<TInternalName>(*this));
  return *FItems.back();
}

void TInternalNames::Delete(size_t index) {
  if (index >= FItems.size()) return;
  FItems.erase(FItems.begin() + std::ptrdiff_t(index));
  if (OnNameDeleted) OnNameDeleted(*this, -1);
}

int32_t TInternalNames::FindName(std::u16string_view name) const {
  const std::u16string upper = UpperName(name);
  for (size_t i = 0; i < FItems.size(); ++i)
    if (UpperName(FItems[i]->Name()) == upper) return int32_t(i);
  return -1;
}

TInternalName* TInternalNames::FindBuiltInName(TX97BuiltInName code, int32_t sheetIndex) {
  for (auto& n : FItems)
    if (n->BuiltInName() == code && n->FSheetIndex == sheetIndex + 1) return n.get();
  return nullptr;
}

void TInternalNames::DeleteBuiltInName(TX97BuiltInName code, int32_t sheetIndex) {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i]->BuiltInName() == code && FItems[i]->FSheetIndex == sheetIndex + 1) {
      Delete(i);
      return;
    }
}

void TInternalNames::Sort() {
  std::stable_sort(FItems.begin(), FItems.end(), [](const auto& a, const auto& b) { return a->Name() < b->Name(); });
}

}  // namespace xls::biff
