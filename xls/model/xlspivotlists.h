// The pivot caches of a workbook and the pivot tables of a sheet, as the model holds them: the
// pivot library (xls/pivot) makes the objects and registers its makers here, the way the readers
// register in the component; the model includes no pivot header and holds the lists through
// these interfaces. Without a registered maker a workbook has no pivot lists and the package
// reader leaves the pivot parts with the kept parts.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "xls/model/xlsclassfactory.h"

namespace xls {

class TXLSStream;
class TXLSWorksheet;

// The pivot cache definitions of a workbook, in load order.
class TXc12PivotCacheList : public TXLSFactoryObject {
 public:
  // Empties the list and starts a new load (a fresh element budget for the load's pivot parts).
  virtual void Clear() = 0;
  virtual int Count() const = 0;
  // Reads one cache definition part and stamps it with the cache id the workbook gives it;
  // returns the relationship id of its records part (empty when it has none). A damaged part
  // raises XLSRWException and adds nothing.
  virtual std::u16string LoadDefinition(TXLSStream& part, int32_t cacheId) = 0;
  // Reads a records part into the definition loaded last. A damaged part raises XLSRWException
  // and leaves that definition without records.
  virtual void LoadRecords(TXLSStream& part) = 0;
};

// The pivot table definitions of one sheet, in load order.
class TXc12PivotTableList : public TXLSFactoryObject {
 public:
  virtual int Count() const = 0;
  virtual void Clear() = 0;
  // Reads one table definition part and links the table to the cache of its cache id in
  // `caches` (counting the use); no cache with that id leaves it unlinked. A damaged part raises
  // XLSRWException and adds nothing.
  virtual void LoadTable(TXLSStream& part, TXc12PivotCacheList* caches) = 0;
};

// The makers of the pivot lists (empty until the pivot library registers): the workbook data's
// caches, the worksheet data's tables, and the sheet object's pivot-table wrappers over them.
struct TXLSPivotFactory {
  std::function<std::unique_ptr<TXc12PivotCacheList>()> NewCaches;
  std::function<std::unique_ptr<TXc12PivotTableList>()> NewTables;
  std::function<std::unique_ptr<TXLSFactoryObject>(TXLSWorksheet& sheet)> NewSheetPivotTables;
};
TXLSPivotFactory& DefaultPivotFactory();

}  // namespace xls
