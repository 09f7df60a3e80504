// Loading a chart that a graphic frame of a sheet's drawing names: the chart part below the
// package's current drawing item, its chart style and colour-style parts and its user shapes.
//
// Design choice: a chart that cannot be loaded (its relationship missing or of another type, its
// part missing from the package, malformed XML, beyond the element budget) is dropped with a
// warning that names it, and the drawing goes on; a failing style, colour-style or user-shapes
// part (or a user-shapes id the chart's relationships lack) is left out with a warning and the
// chart kept. Charts load only for a sheet's drawing, never inside a user-shapes document: its
// root takes the sheet anchors too, and a frame there naming its own chart would load it again
// without end.
#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "xls/drawingml/xpgparsechart.h"

namespace xls::xpgchart {

struct TXpgChartLoad {
  // The document whose graphic frame names the chart: its graphic manager (with the package
  // being read), kind and element budget serve the chart.
  TXPGDrawingDocBase* Drawing = nullptr;
  // Receives each warning's text.
  std::function<void(std::u16string_view)> Warning;
  // Reads a user-shapes part into a drawing document in user-shapes mode (it raises on failure).
  std::function<std::unique_ptr<TXPGDocBase>(TXLSStream& stream)> ReadUserShapes;
};

// The chart of relationship `id` of the current drawing item; nullptr (after a warning) when it
// cannot be loaded or the document is not a sheet's drawing (then without a warning).
std::unique_ptr<TXPGDocXLSXChart> LoadChart(const TXpgChartLoad& load, std::u16string_view id);

}  // namespace xls::xpgchart
