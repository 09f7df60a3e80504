#include "xls/pivot/xlspivottables.h"

#include <array>

#include "xls/model/xlsbook.h"
#include "xls/model/xlsworksheetdata.h"

namespace xls {

using namespace xpgpivot;

namespace {
// The subtotal flags of a pivot field in the order Func tests them, with their functions.
struct TFlag {
  uint8_t (TCT_PivotField::*get)() const;
  void (TCT_PivotField::*set)(uint8_t);
  TXLSPivotFunc func;
};
constexpr std::array<TFlag, 11> kFlags = {{
    {&TCT_PivotField::SumSubtotal, &TCT_PivotField::SetSumSubtotal, TXLSPivotFunc::xpfSum},
    {&TCT_PivotField::CountASubtotal, &TCT_PivotField::SetCountASubtotal, TXLSPivotFunc::xpfCountNumbers},
    {&TCT_PivotField::AvgSubtotal, &TCT_PivotField::SetAvgSubtotal, TXLSPivotFunc::xpfAverage},
    {&TCT_PivotField::MaxSubtotal, &TCT_PivotField::SetMaxSubtotal, TXLSPivotFunc::xpfMax},
    {&TCT_PivotField::MinSubtotal, &TCT_PivotField::SetMinSubtotal, TXLSPivotFunc::xpfMin},
    {&TCT_PivotField::ProductSubtotal, &TCT_PivotField::SetProductSubtotal, TXLSPivotFunc::xpfProduct},
    {&TCT_PivotField::CountSubtotal, &TCT_PivotField::SetCountSubtotal, TXLSPivotFunc::xpfCount},
    {&TCT_PivotField::StdDevSubtotal, &TCT_PivotField::SetStdDevSubtotal, TXLSPivotFunc::xpfStdDev},
    {&TCT_PivotField::StdDevPSubtotal, &TCT_PivotField::SetStdDevPSubtotal, TXLSPivotFunc::xpfStdDevp},
    {&TCT_PivotField::VarSubtotal, &TCT_PivotField::SetVarSubtotal, TXLSPivotFunc::xpfVar},
    {&TCT_PivotField::VarPSubtotal, &TCT_PivotField::SetVarPSubtotal, TXLSPivotFunc::xpfVarp},
}};
constexpr const char16_t* kFuncNames[] = {u"Sum",   u"Count",   u"Average", u"Max",  u"Min",
                                          u"Product", u"Count numbers", u"StdDev", u"StdDevp", u"Var",
                                          u"Varp",  u"Default", u"None"};
}  // namespace

std::u16string TXLSPivotField::Name() const { return FCacheField ? FCacheField->Name() : std::u16string(); }

TXLSPivotFunc TXLSPivotField::Func() const {
  for (const TFlag& f : kFlags)
    if ((FPivFld->*f.get)() == 1) return f.func;
  return TXLSPivotFunc::xpfDefault;
}

void TXLSPivotField::SetFunc(TXLSPivotFunc func) {
  FPivFld->SetDefaultSubtotal(func == TXLSPivotFunc::xpfDefault);
  for (const TFlag& f : kFlags) (FPivFld->*f.set)(f.func == func);
}

std::u16string TXLSPivotField::FuncName() const {
  const TXLSPivotFunc f = Func();
  if (f != TXLSPivotFunc::xpfDefault) return kFuncNames[static_cast<int>(f)];
  const TCT_SharedItems* items = FCacheField ? FCacheField->SharedItems() : nullptr;
  return !items || items->Values().IsNumeric() ? u"Sum" : u"Count";
}

TXLSPivotRCItem* TXLSPivotRCItem::Child(std::unique_ptr<TXLSSharedItemsValue> value, int32_t cacheX) {
  if (!FChilds) FChilds = std::make_unique<std::unordered_map<std::u16string, std::unique_ptr<TXLSPivotRCItem>>>();
  std::u16string key = value ? value->AsIdString() : std::u16string();
  if (value) key.insert(key.begin(), char16_t(u'0' + static_cast<int>(value->Type_())));
  auto& slot = (*FChilds)[key];
  if (!slot) {
    slot = std::make_unique<TXLSPivotRCItem>(this, std::move(value), cacheX);
    FOrder.push_back(slot.get());
  }
  return slot.get();
}

void TXLSPivotRCItem::Clear() {
  FOrder.clear();
  FChilds.reset();
}

TXLSPivotTable::TXLSPivotTable(TCT_pivotTableDefinition* def) : FTableDef(def) {
  const TCT_CacheFields* cache =
      def->Cache() && def->Cache()->CacheFields() ? def->Cache()->CacheFields() : nullptr;
  if (def->PivotFields() && def->PivotFields()->PivotFieldXpgList()) {
    int i = 0;
    for (const auto& pf : *def->PivotFields()->PivotFieldXpgList()) {
      TCT_CacheField* cf = cache && i < cache->Count() ? cache->GetItems(i) : nullptr;
      FFields.push_back(std::make_unique<TXLSPivotField>(cf, pf.get()));
      ++i;
    }
  }
  auto place = [&](const TCT_RowColFields* from, TXLSPivotFieldsDest& to) {
    if (from && from->FieldXpgList())
      for (const auto& f : *from->FieldXpgList())
        if (TXLSPivotField* x = FieldAt(f->X())) to.push_back(x);
  };
  place(def->RowFields(), FRowLabels);
  place(def->ColFields(), FColumnLabels);
  if (def->PageFields() && def->PageFields()->PageFieldXpgList())
    for (const auto& p : *def->PageFields()->PageFieldXpgList())
      if (TXLSPivotField* x = FieldAt(p->Fld())) FReportFilter.push_back(x);
  if (def->DataFields() && def->DataFields()->DataFieldXpgList())
    for (const auto& d : *def->DataFields()->DataFieldXpgList())
      if (TXLSPivotField* x = FieldAt(d->Fld())) FDataValues.push_back(x);
}

// The field of that index; nullptr for the data pseudo-field (-2), an index not given or one
// beyond the fields.
TXLSPivotField* TXLSPivotTable::FieldAt(int32_t index) const {
  return index >= 0 && index < FieldCount() ? FFields[static_cast<size_t>(index)].get() : nullptr;
}

TXLSPivotTables::TXLSPivotTables(TCT_pivotTableDefinitions* defs, std::unique_ptr<TXLSRelCells> ownerRef)
    : FOwnerRef(std::move(ownerRef)) {
  if (defs)
    for (int i = 0; i < defs->Count(); ++i) FItems.push_back(std::make_unique<TXLSPivotTable>(defs->GetItems(i)));
}

TXLSPivotTables* PivotTablesOf(TXLSWorksheet& sheet) { return dynamic_cast<TXLSPivotTables*>(sheet.PivotTables()); }

}  // namespace xls
