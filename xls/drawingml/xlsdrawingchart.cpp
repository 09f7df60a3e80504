// The chart editor of a sheet's drawing.
#include "xls/drawingml/xlsdrawingchart.h"

namespace xls {

using namespace xpgchart;

TCT_BarSer* TXLSDrawingEditorChart::FirstBarSeries() const {
  TCT_PlotArea* plot = FChart ? FChart->PlotArea() : nullptr;
  TCT_BarChart* bar = plot ? plot->BarChart() : nullptr;
  if (!bar || bar->EG_BarChartShared()->Series()->Count() == 0) return nullptr;
  return bar->EG_BarChartShared()->Series()->GetItems(0);
}

std::u16string TXLSDrawingEditorChart::Values() const {
  TCT_BarSer* s = FirstBarSeries();
  return s && s->Val() && s->Val()->NumRef() ? s->Val()->NumRef()->GetF() : std::u16string();
}

void TXLSDrawingEditorChart::SetValues(std::u16string_view ref) {
  TCT_BarSer* s = FirstBarSeries();
  if (s && s->Val() && s->Val()->NumRef()) s->Val()->NumRef()->SetF(ref);
}

std::u16string TXLSDrawingEditorChart::Categories() const {
  TCT_BarSer* s = FirstBarSeries();
  if (!s || !s->Cat()) return {};
  if (s->Cat()->NumRef()) return s->Cat()->NumRef()->GetF();
  if (s->Cat()->StrRef()) return s->Cat()->StrRef()->GetF();
  return {};
}

void TXLSDrawingEditorChart::SetCategories(std::u16string_view ref) {
  TCT_BarSer* s = FirstBarSeries();
  if (!s || !s->Cat()) return;
  if (s->Cat()->NumRef()) s->Cat()->NumRef()->SetF(ref);
  else if (s->Cat()->StrRef()) s->Cat()->StrRef()->SetF(ref);
}

}  // namespace xls
