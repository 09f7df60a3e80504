#include "xls/model/xlsworkbookdata.h"

#include "platform/textcodec.h"

namespace xls {

void TXc12WorkbookPr::Clear() {
  const bool date1904 = FDate1904;
  const TXc12Objects showObjects = FShowObjects;
  *this = TXc12WorkbookPr();
  FDate1904 = date1904;
  FShowObjects = showObjects;
}

void TXc12BookViews::Clear(bool addDefault) {
  FItems.clear();
  if (addDefault) {
    TXc12BookView* v = Add();
    v->FXWindow = 240;
    v->FYWindow = 45;
    v->FWindowWidth = 25875;
    v->FWindowHeight = 15915;
  }
}

TXc12BookView* TXc12BookViews::Add() {
  FItems.push_back(std::make_unique<TXc12BookView>());
  return FItems.back().get();
}

// ---- defined names

namespace {
struct TBuiltInText {
  std::u16string_view Text;
  TXc12BuiltInName Kind;
};
constexpr TBuiltInText kBuiltInNames[] = {
    {u"_xlnm.Print_Area", TXc12BuiltInName::bnPrintArea},
    {u"_xlnm.Print_Titles", TXc12BuiltInName::bnPrintTitles},
    {u"_xlnm.Criteria", TXc12BuiltInName::bnCriteria},
    {u"_xlnm._FilterDatabase", TXc12BuiltInName::bnFilterDatabase},
    {u"_xlnm.Extract", TXc12BuiltInName::bnExtract},
    {u"_xlnm.Consolidate_Area", TXc12BuiltInName::bnConsolidateArea},
    {u"_xlnm.Database", TXc12BuiltInName::bnDatabase},
    {u"_xlnm.Sheet_Title", TXc12BuiltInName::bnSheetTitle},
};
}  // namespace

void TXc12DefinedName::Clear() {
  TXc12DefinedNames* owner = FOwner;
  const int32_t index = FIndex;
  if (FDeleted && owner) --owner->FDeletedCount;
  *this = TXc12DefinedName();
  FOwner = owner;
  FIndex = index;
  Changed();
}

void TXc12DefinedName::Changed() {
  if (FOwner) FOwner->NameChanged(FIndex);
}

void TXc12DefinedName::SetName(std::u16string_view name) {
  FName = name;
  FBuiltIn = TXc12BuiltInName::bnNone;
  for (const auto& b : kBuiltInNames) {
    if (b.Text == name) {
      FBuiltIn = b.Kind;
      FName.clear();
      break;
    }
  }
  Changed();
}

void TXc12DefinedName::SetLocalSheetId(int32_t id) {
  FLocalSheetId = id;
  Changed();
}

void TXc12DefinedName::SetDeleted(bool v) {
  if (FOwner && v != FDeleted) v ? ++FOwner->FDeletedCount : --FOwner->FDeletedCount;
  FDeleted = v;
  Changed();
}

TXc12DefinedName* TXc12DefinedNames::TakeFree() {
  // Only a list that holds deleted entries is searched, so that adding names one by one stays
  // linear in their number.
  if (FDeletedCount > 0)
    for (auto& n : FItems)
      if (n->FDeleted) {
        n->Clear();
        return n.get();
      }
  std::unique_ptr<TXc12DefinedName> n;
  if (FClassFactory) n = FClassFactory->CreateAs<TXc12DefinedName>(TXLSClassFactoryType::xcftNamesMember, this);
  if (!n) n = std::make_unique<TXc12DefinedName>();
  n->FOwner = this;
  n->FIndex = int32_t(FItems.size());
  n->Clear();
  FItems.push_back(std::move(n));
  return FItems.back().get();
}

TXc12DefinedName* TXc12DefinedNames::Add(std::u16string_view name, int32_t localSheetId) {
  TXc12DefinedName* n = TakeFree();
  // The scope first: a name is checked against the names of its own scope.
  n->SetLocalSheetId(localSheetId);
  n->SetName(name);
  return n;
}

TXc12DefinedName* TXc12DefinedNames::Add(TXc12BuiltInName builtIn, int32_t localSheetId) {
  TXc12DefinedName* n = TakeFree();
  n->FBuiltIn = builtIn;
  n->SetLocalSheetId(localSheetId);
  return n;
}

namespace {

// Hash key of a scope (-1: the workbook) and a name, letters a to z folded.
std::u16string NameKey(int32_t sheetId, std::u16string_view name) {
  const uint32_t scope = uint32_t(sheetId + 1);
  std::u16string key{char16_t(scope & 0xFFFF), char16_t(scope >> 16)};
  key += kws::AsciiUpperCopy(name);
  return key;
}

}  // namespace

void TXc12DefinedNames::NameChanged(int32_t index) {
  if (!FHashValid) return;
  if (index < 0 || FChanged.size() >= FItems.size() + 16) {
    FHashValid = false;
    return;
  }
  FChanged.push_back(index);
}

void TXc12DefinedNames::RebuildHash() const {
  FHash.clear();
  FChanged.clear();
  for (size_t i = 0; i < FItems.size(); ++i) {
    const TXc12DefinedName& n = *FItems[i];
    if (!n.FDeleted) FHash.try_emplace(NameKey(n.FLocalSheetId, n.FName), int32_t(i));
  }
  FHashValid = true;
}

int32_t TXc12DefinedNames::Lookup(int32_t sheetId, std::u16string_view name) const {
  if (!FHashValid) RebuildHash();
  for (const int32_t i : FChanged) {
    if (size_t(i) >= FItems.size()) continue;
    const TXc12DefinedName& n = *FItems[size_t(i)];
    if (n.FDeleted) continue;
    const auto [it, added] = FHash.try_emplace(NameKey(n.FLocalSheetId, n.FName), i);
    if (!added && it->second > i) it->second = i;
  }
  FChanged.clear();
  const std::u16string key = NameKey(sheetId, name);
  auto it = FHash.find(key);
  if (it == FHash.end()) return -1;
  const TXc12DefinedName& found = *FItems[size_t(it->second)];
  if (found.FDeleted || NameKey(found.FLocalSheetId, found.FName) != key) {
    // The entry changed after it was hashed and another may hold the name now.
    RebuildHash();
    it = FHash.find(key);
    if (it == FHash.end()) return -1;
  }
  return it->second;
}

int32_t TXc12DefinedNames::FindIdInSheet(std::u16string_view name, int32_t sheetId) const {
  return Lookup(sheetId, name);
}

int32_t TXc12DefinedNames::FindId(std::u16string_view name, int32_t sheetId) const {
  if (sheetId >= 0) {
    const int32_t i = Lookup(sheetId, name);
    if (i >= 0) return i;
  }
  return Lookup(-1, name);
}

void TXc12DefinedNames::Clear() {
  FItems.clear();
  FDeletedCount = 0;
  FHash.clear();
  FChanged.clear();
  FHashValid = false;
}

// ---- workbook data

TXc12DataWorkbook::TXc12DataWorkbook(TXLSClassFactory* factory) : FClassFactory(factory) {
  if (FClassFactory) FDefinedNames = FClassFactory->CreateAs<TXc12DefinedNames>(TXLSClassFactoryType::xcftNames, this);
  if (!FDefinedNames) FDefinedNames = std::make_unique<TXc12DefinedNames>(FClassFactory);
}

TXc12DataWorkbook::~TXc12DataWorkbook() = default;

void TXc12DataWorkbook::Clear() {
  FUserName.clear();
  FFileVersion.Clear();
  FFileSharing.Clear();
  FWorkbookPr.Clear();
  FWorkbookProtection.Clear();
  FBookViews.Clear(true);
  FSheets.Clear();
  FFunctionGroups.Clear();
  FDefinedNames->Clear();
  FCalcPr.Clear();
  FCustomWorkbookViews.Clear();
  if (FPivotCaches) FPivotCaches->Clear();
  FSmartTagPr.Clear();
  FSmartTagTypes.Clear();
  FWebPublishing.Clear();
  FFileRecoveryPrs.Clear();
  FWebPublishObjects.Clear();
  FConnections.Clear();
}

TXc12PivotCacheList* TXc12DataWorkbook::PivotCaches() {
  if (!FPivotCaches && DefaultPivotFactory().NewCaches) FPivotCaches = DefaultPivotFactory().NewCaches();
  return FPivotCaches.get();
}

TXLSPivotFactory& DefaultPivotFactory() {
  static TXLSPivotFactory factory;
  return factory;
}

}  // namespace xls
