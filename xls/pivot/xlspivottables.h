// The sheet object's pivot-table wrappers over the pivot object model: each table with its fields
// (cache field and pivot field side by side), the fields placed as report filter, column labels,
// row labels and data values, and the function a field summarises with. Made on first use over
// the sheet's pivot table definitions as the package reader left them; nothing here changes the
// definitions but the name, the grand-total switches, a field's user name and its function.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "xls/model/xlsclassfactory.h"
#include "xls/model/xlsrelcells.h"
#include "xls/model/xlsshareditems.h"
#include "xls/pivot/xpgpivotroots.h"

namespace xls {

class TXLSWorksheet;

enum class TXLSPivotFunc : uint8_t {
  xpfSum, xpfCount, xpfAverage, xpfMax, xpfMin, xpfProduct, xpfCountNumbers, xpfStdDev, xpfStdDevp,
  xpfVar, xpfVarp, xpfDefault, xpfNone
};

class TXLSPivotField {
 public:
  // `cacheField` may be nullptr (a pivot field beyond the cache's fields).
  TXLSPivotField(xpgpivot::TCT_CacheField* cacheField, xpgpivot::TCT_PivotField* pivotField)
      : FCacheField(cacheField), FPivFld(pivotField) {}
  // The cache field's name.
  std::u16string Name() const;
  // The pivot field's own name (empty when the user gave none).
  std::u16string UserName() const { return FPivFld->Name(); }
  void SetUserName(std::u16string_view v) { FPivFld->SetName(v); }
  std::u16string DisplayName() const { return UserName().empty() ? Name() : UserName(); }
  // The first subtotal flag set, in the order sum, countA, avg, max, min, product, count,
  // stdDev, stdDevP, var, varP; xpfDefault when none is. Writing clears the twelve flags and sets
  // the one of the value (defaultSubtotal for xpfDefault, none for xpfNone).
  TXLSPivotFunc Func() const;
  void SetFunc(TXLSPivotFunc f);
  // The function's name; for xpfDefault "Sum" when the cache field's shared items are mostly
  // numbers (a field without shared items counts as one with none), else "Count".
  std::u16string FuncName() const;
  xpgpivot::TCT_CacheField* CacheField() const { return FCacheField; }
  xpgpivot::TCT_PivotField* PivotField() const { return FPivFld; }
  TXLSUniqueSharedItemsValues& Filter() { return FFilter; }

 private:
  xpgpivot::TCT_CacheField* FCacheField;
  xpgpivot::TCT_PivotField* FPivFld;
  TXLSUniqueSharedItemsValues FFilter;
};

// Fields placed in one area of a table (not owned; the table's field list owns them).
using TXLSPivotFieldsDest = std::vector<TXLSPivotField*>;

// One row or column item of a table's layout, with its child items by value text.
class TXLSPivotRCItem {
 public:
  TXLSPivotRCItem(TXLSPivotRCItem* parent, std::unique_ptr<TXLSSharedItemsValue> value, int32_t cacheX)
      : FParent(parent), FValue(std::move(value)), FCacheX(cacheX) {}
  TXLSPivotRCItem* Parent() const { return FParent; }
  int32_t CacheX() const { return FCacheX; }
  const TXLSSharedItemsValue* Value() const { return FValue.get(); }
  bool Expanded() const { return FExpanded; }
  void SetExpanded(bool v) { FExpanded = v; }
  // The child with that value's id text, made when absent.
  TXLSPivotRCItem* Child(std::unique_ptr<TXLSSharedItemsValue> value, int32_t cacheX);
  int ChildCount() const { return static_cast<int>(FOrder.size()); }
  TXLSPivotRCItem* Children(int index) const { return FOrder.at(static_cast<size_t>(index)); }
  // Frees every child item (the item then has none).
  void Clear();

 private:
  TXLSPivotRCItem* FParent;
  std::unique_ptr<TXLSSharedItemsValue> FValue;
  int32_t FCacheX;
  bool FExpanded = true;
  std::unique_ptr<std::unordered_map<std::u16string, std::unique_ptr<TXLSPivotRCItem>>> FChilds;
  std::vector<TXLSPivotRCItem*> FOrder;
};

class TXLSPivotTableResult {
 public:
  int32_t ColCount() const { return FColCount; }
  int32_t RowCount() const { return FRowCount; }

 private:
  int32_t FColCount = 0, FRowCount = 0;
};

class TXLSPivotTable {
 public:
  // Fields in the order of the definition's pivot fields, each with the cache field of its index.
  explicit TXLSPivotTable(xpgpivot::TCT_pivotTableDefinition* def);
  std::u16string Name() const { return FTableDef->Name(); }
  void SetName(std::u16string_view v) { FTableDef->SetName(v); }
  bool RowsGrandTotals() const { return FTableDef->RowGrandTotals() == 1; }
  void SetRowsGrandTotals(bool v) { FTableDef->SetRowGrandTotals(v); }
  bool ColsGrandTotals() const { return FTableDef->ColGrandTotals() == 1; }
  void SetColsGrandTotals(bool v) { FTableDef->SetColGrandTotals(v); }
  xpgpivot::TCT_pivotTableDefinition* TableDef() const { return FTableDef; }
  int FieldCount() const { return static_cast<int>(FFields.size()); }
  TXLSPivotField* Fields(int index) const { return FFields.at(static_cast<size_t>(index)).get(); }
  const TXLSPivotFieldsDest& ReportFilter() const { return FReportFilter; }
  const TXLSPivotFieldsDest& ColumnLabels() const { return FColumnLabels; }
  const TXLSPivotFieldsDest& RowLabels() const { return FRowLabels; }
  const TXLSPivotFieldsDest& DataValues() const { return FDataValues; }
  const TXLSPivotTableResult& PivResult() const { return FPivResult; }
  TXLSPivotRCItem& Rows() { return FRows; }
  TXLSPivotRCItem& Cols() { return FCols; }
  TXLSRelCells* DestRef() const { return FDestRef.get(); }
  void SetDestRef(std::unique_ptr<TXLSRelCells> r) { FDestRef = std::move(r); }
  int32_t ColorCols() const { return FColorCols; }
  void SetColorCols(int32_t v) { FColorCols = v; }
  int32_t ColorSubtotals() const { return FColorSubs; }
  void SetColorSubtotals(int32_t v) { FColorSubs = v; }
  bool Dirty() const { return FDirty; }
  void SetDirty(bool v) { FDirty = v; }

 private:
  TXLSPivotField* FieldAt(int32_t index) const;
  xpgpivot::TCT_pivotTableDefinition* FTableDef;
  std::vector<std::unique_ptr<TXLSPivotField>> FFields;
  TXLSPivotFieldsDest FReportFilter, FColumnLabels, FRowLabels, FDataValues;
  std::unique_ptr<TXLSRelCells> FDestRef;
  TXLSPivotRCItem FRows{nullptr, nullptr, -1}, FCols{nullptr, nullptr, -1};
  TXLSPivotTableResult FPivResult;
  int32_t FColorCols = 0, FColorSubs = 0;
  bool FDirty = false;
};

// The pivot tables of one sheet object, over the sheet's pivot table definitions.
class TXLSPivotTables : public TXLSFactoryObject {
 public:
  // `ownerRef`: the sheet's relative cell range (owned).
  TXLSPivotTables(xpgpivot::TCT_pivotTableDefinitions* defs, std::unique_ptr<TXLSRelCells> ownerRef);
  int Count() const { return static_cast<int>(FItems.size()); }
  TXLSPivotTable* Items(int index) const { return FItems.at(static_cast<size_t>(index)).get(); }
  TXLSRelCells* OwnerRef() const { return FOwnerRef.get(); }

 private:
  std::unique_ptr<TXLSRelCells> FOwnerRef;
  std::vector<std::unique_ptr<TXLSPivotTable>> FItems;
};

// The sheet object's wrappers, or nullptr when no pivot library has registered.
TXLSPivotTables* PivotTablesOf(TXLSWorksheet& sheet);

}  // namespace xls
