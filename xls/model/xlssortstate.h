// The sort state of a sheet, an autofilter or a table (ECMA-376 sortState with its
// sortCondition children) and the icon-set kinds that sort conditions, icon filters and
// conditional formats share.
//
// Design choice: a new sort state is all zero (sort method x12smStroke, area bounds 0) until its
// first Clear, as the legacy reader expects of a state it fills field by field; the owners that
// want the documented defaults (worksheet data, autofilter, table) clear theirs on creation.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "xls/model/xlscellarea.h"

namespace xls {

enum class TXc12IconSetType : uint8_t {
  x12ist3Arrows,
  x12ist3ArrowsGray,
  x12ist3Flags,
  x12ist3TrafficLights1,
  x12ist3TrafficLights2,
  x12ist3Signs,
  x12ist3Symbols,
  x12ist3Symbols2,
  x12ist4Arrows,
  x12ist4ArrowsGray,
  x12ist4RedToBlack,
  x12ist4Rating,
  x12ist4TrafficLights,
  x12ist5Arrows,
  x12ist5ArrowsGray,
  x12ist5Rating,
  x12ist5Quarters
};

enum class TXc12SortMethod : uint8_t { x12smStroke, x12smPinYin, x12smNone };
enum class TXc12SortBy : uint8_t { x12sbValue, x12sbCellColor, x12sbFontColor, x12sbIcon };

// One sort key. A cleared condition sorts A1 ascending by value.
struct TXc12SortCondition {
  TXc12SortCondition() { Clear(); }
  void Clear();
  bool FDescending = false;
  TXc12SortBy FSortBy = TXc12SortBy::x12sbValue;
  TXLSCellArea FRef{0, 0, 0, 0};
  std::u16string FCustomList;
  int32_t FDxfId = -1;  // a position in the style sheet's differential formats; -1 none
  TXc12IconSetType FIconSet = TXc12IconSetType::x12ist3Arrows;
  int32_t FIconId = 0;
};

class TXc12SortConditions {
 public:
  TXc12SortCondition* Add();
  size_t Count() const { return FItems.size(); }
  TXc12SortCondition* Items(size_t index) const { return FItems.at(index).get(); }
  void Clear() { FItems.clear(); }

 private:
  std::vector<std::unique_ptr<TXc12SortCondition>> FItems;
};

class TXc12SortState {
 public:
  // Not sorted by columns, case-blind, method none, area none (all -1), no conditions.
  void Clear();
  TXc12SortConditions& SortConditions() { return FSortConditions; }
  const TXc12SortConditions& SortConditions() const { return FSortConditions; }

  bool FColumnSort = false, FCaseSensitive = false;
  TXc12SortMethod FSortMethod = TXc12SortMethod::x12smStroke;
  TXLSCellArea FRef{0, 0, 0, 0};

 private:
  TXc12SortConditions FSortConditions;
};

// A sort state in its cleared form, for owners that hold one from creation.
inline std::unique_ptr<TXc12SortState> NewClearedSortState() {
  auto s = std::make_unique<TXc12SortState>();
  s->Clear();
  return s;
}

}  // namespace xls
