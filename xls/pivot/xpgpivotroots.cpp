#include "xls/pivot/xpgpivotroots.h"

#include "xls/model/xlsbook.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsworksheetdata.h"
#include "xls/pivot/xlspivottables.h"
#include "xls/package/xlsstream.h"

namespace xls::xpgpivot {

// ---- cache definitions --------------------------------------------------------------------------

void TCT_PivotCacheDefinitions::Clear() {
  FItems.clear();
  FLast = nullptr;
  FDocument->SetBudget(NewPivotBudget());
}

TCT_pivotCacheDefinition* TCT_PivotCacheDefinitions::Find(int32_t cacheId) const {
  for (const auto& d : FItems)
    if (d->CacheId() == cacheId) return d.get();
  return nullptr;
}

TXPGBase* TCT_PivotCacheDefinitions::HandleElement(TXPGReader& r) {
  if (!r.Is(TXpgNs::SpreadsheetML, "pivotCacheDefinition")) XpgPivotWrongDocument(r, "pivotCacheDefinition");
  return Add();
}

std::u16string TCT_PivotCacheDefinitions::LoadDefinition(TXLSStream& part, int32_t cacheId) {
  FLast = LoadFromStream(part);
  if (!FLast) throw XLSRWException("No pivot cache definition in the part");
  FLast->SetCacheId(cacheId);
  return FLast->R_Id();
}

void TCT_PivotCacheDefinitions::LoadRecords(TXLSStream& part) {
  if (FLast) FLast->Records()->LoadFromStream(part);
}

// ---- table definitions --------------------------------------------------------------------------

TXPGBase* TCT_pivotTableDefinitions::HandleElement(TXPGReader& r) {
  if (!r.Is(TXpgNs::SpreadsheetML, "pivotTableDefinition")) XpgPivotWrongDocument(r, "pivotTableDefinition");
  return Add();
}

void TCT_pivotTableDefinitions::LoadTable(TXLSStream& part, TXc12PivotCacheList* caches) {
  auto* c = dynamic_cast<TCT_PivotCacheDefinitions*>(caches);
  if (c) FDocument->SetBudget(c->Document().Budget());
  TCT_pivotTableDefinition* t = LoadFromStream(part);
  if (!t) throw XLSRWException("No pivot table definition in the part");
  if (TCT_pivotCacheDefinition* cache = c ? c->Find(t->CacheId()) : nullptr) {
    t->SetCache(cache);
    cache->Use();
  }
}

void RegisterPivotTables() {
  DefaultPivotFactory().NewCaches = [] { return std::make_unique<TCT_PivotCacheDefinitions>(); };
  DefaultPivotFactory().NewTables = [] { return std::make_unique<TCT_pivotTableDefinitions>(); };
  DefaultPivotFactory().NewSheetPivotTables = [](TXLSWorksheet& sheet) -> std::unique_ptr<TXLSFactoryObject> {
    auto* defs = dynamic_cast<TCT_pivotTableDefinitions*>(sheet.Xc12Sheet().PivotTables());
    return std::make_unique<TXLSPivotTables>(defs, std::make_unique<TXLSRelCellsImpl>(&sheet));
  };
}

}  // namespace xls::xpgpivot
