// The root lists of the pivot unit: the workbook's pivot cache definitions and one sheet's pivot
// table definitions. Each list is the root of its parts' readers and owns the document base that
// every element of its trees is made with.
//
// Loading rules: a part whose document element is not the list's own ("pivotCacheDefinition",
// "pivotTableDefinition"), that is not well-formed XML, holds a shared item whose Boolean text is
// no Boolean, or passes the load's element budget raises XLSRWException and leaves the list as it
// was (a definition read in part is removed again); the package reader drops such a part with a
// warning and goes on.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xls/model/xlspivotlists.h"
#include "xls/pivot/xpgparserpivot.h"

namespace xls::xpgpivot {

// What both root lists share: the document base, the owning list of definitions and the load of
// one part that adds nothing when it fails.
template <class TDefinition>
class TPivotRootList : public TXPGBase {
 public:
  TPivotRootList() : TXPGBase(nullptr), FDocument(std::make_unique<TXPGPivotDocBase>()) {}
  // The definitions go before the document base they were made with.
  ~TPivotRootList() override { FItems.clear(); }
  TDefinition* Add() {
    FItems.push_back(std::make_unique<TDefinition>(FDocument.get()));
    return FItems.back().get();
  }
  TDefinition* GetItems(int index) const {
    if (index < 0 || index >= static_cast<int>(FItems.size())) XpgListIndexError(index);
    return FItems[index].get();
  }
  // Reads one part; returns the definition it added (nullptr when the part held none). Raises
  // as the header says, the list left as it was.
  TDefinition* LoadFromStream(TXLSStream& stream) { return Load(&stream, {}); }
  TDefinition* LoadFromBytes(std::string_view bytes) { return Load(nullptr, bytes); }
  TXPGPivotDocBase& Document() { return *FDocument; }

 protected:
  TDefinition* Load(TXLSStream* stream, std::string_view bytes) {
    const size_t n = FItems.size();
    try {
      XpgPivotLoad(*FDocument, *this, stream, bytes);
    } catch (...) {
      FItems.resize(n);
      throw;
    }
    return FItems.size() > n ? FItems[n].get() : nullptr;
  }
  std::unique_ptr<TXPGPivotDocBase> FDocument;
  std::vector<std::unique_ptr<TDefinition>> FItems;
};

class TCT_PivotCacheDefinitions : public TXc12PivotCacheList, public TPivotRootList<TCT_pivotCacheDefinition> {
 public:
  int Count() const override { return static_cast<int>(FItems.size()); }
  // Frees every definition and gives the next load a fresh element budget.
  void Clear() override;
  // The first definition in load order with this cache id, nullptr when none has it.
  TCT_pivotCacheDefinition* Find(int32_t cacheId) const;

  std::u16string LoadDefinition(TXLSStream& part, int32_t cacheId) override;
  void LoadRecords(TXLSStream& part) override;

  // The document element "pivotCacheDefinition" becomes a new definition; another raises.
  TXPGBase* HandleElement(TXPGReader& reader) override;

 private:
  TCT_pivotCacheDefinition* FLast = nullptr;  // the definition LoadDefinition added last
};

class TCT_pivotTableDefinitions : public TXc12PivotTableList, public TPivotRootList<TCT_pivotTableDefinition> {
 public:
  int Count() const override { return static_cast<int>(FItems.size()); }
  void Clear() override { FItems.clear(); }

  // Reads with the element budget of the caches' load and links the table to its cache.
  void LoadTable(TXLSStream& part, TXc12PivotCacheList* caches) override;

  // The document element "pivotTableDefinition" becomes a new definition; another raises.
  TXPGBase* HandleElement(TXPGReader& reader) override;
};

// Registers the pivot lists' makers with the model (DefaultPivotFactory), so that workbooks and
// sheets hold pivot lists and the package reader loads the pivot parts into them.
void RegisterPivotTables();

}  // namespace xls::xpgpivot
