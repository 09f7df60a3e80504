// The chart editor of a sheet's drawing: the data references of the first series of a chart's
// first bar chart, read and replaced as text.
//
// Design choice: categories given as text (c:strRef, as xlsxwriter and LibreOffice write them)
// are read and written like number categories; only a series without either reference reads
// empty and ignores a write.
#pragma once

#include <string>
#include <string_view>

#include "xls/drawingml/xpgparsechart.h"

namespace xls {

class TXLSDrawingEditorChart {
 public:
  explicit TXLSDrawingEditorChart(xpgchart::TCT_Chart* chart) : FChart(chart) {}
  // The reference of the values (c:val) of the first series of the plot area's first bar chart:
  // the bound range in absolute form once the load has ended; empty without one. Writing stores
  // the text in the reference (nothing without one).
  std::u16string Values() const;
  void SetValues(std::u16string_view ref);
  // The same for the categories (c:cat): the number reference, else the string reference.
  std::u16string Categories() const;
  void SetCategories(std::u16string_view ref);
  xpgchart::TCT_Chart* Chart() const { return FChart; }

 private:
  xpgchart::TCT_BarSer* FirstBarSeries() const;
  xpgchart::TCT_Chart* FChart;  // not owned
};

}  // namespace xls
