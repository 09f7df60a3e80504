// What the chart unit adds to the drawing runtime: the cell range a chart data reference owns,
// and the two process-wide counters of the unit (default axis ids, plot-area order stamps).
//
// A data reference (c:f of c:strRef or c:numRef) asks the workbook's graphic manager for a
// relative cell range, which the manager lists for binding when the workbook load ends. The
// reference owns the range; when it frees it (a second c:f in the same reference, a chart
// dropped during the load, a chart document freed before the load ended) the range leaves the
// manager's list first, so that binding never touches freed memory.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "xls/model/xlsrelcells.h"

namespace xls {
class TXPGDocBase;
class TXc12GraphicManager;
}  // namespace xls

namespace xls::xpgchart {

class TXpgChartRange {
 public:
  TXpgChartRange() = default;
  ~TXpgChartRange() { Reset(); }
  TXpgChartRange(const TXpgChartRange&) = delete;
  TXpgChartRange& operator=(const TXpgChartRange&) = delete;
  // A new range for `ref` through the graphic manager of `owner` (a drawing document), replacing
  // the one made before; none when the document has no graphic manager.
  void Make(TXPGDocBase* owner, std::u16string_view ref);
  // Frees the range after taking it off the manager's list.
  void Reset();
  TXLSRelCells* Get() const { return FCells.get(); }

 private:
  TXc12GraphicManager* FGrManager = nullptr;
  std::unique_ptr<TXLSRelCells> FCells;
};

// The next default axis id: 1001 for the first axis the process makes, then one more each time.
int32_t NextAxisId();
// The next plot-area order stamp: 0 first, then one more each time, for the whole process.
int32_t NextPlotAreaOrder();

}  // namespace xls::xpgchart
