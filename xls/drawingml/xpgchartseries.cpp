// The chart groups of a plot area in file order with their series.
#include "xls/drawingml/xpgchartseries.h"

#include <algorithm>

#include "xls/drawingml/xlsdrawingprops.h"

namespace xls::xpgchart {

namespace {

template <class S>
void AddPlain(TXpgChartGroup& g, S* list) {
  if (!list) return;
  for (auto& s : *list) g.Series.push_back({s->Shared(), s->Cat(), s->Val(), nullptr});
}

template <class S>
void AddXY(TXpgChartGroup& g, S* list) {
  if (!list) return;
  for (auto& s : *list) {
    TXpgChartSeries x{s->Shared(), s->XVal(), s->YVal(), nullptr};
    if constexpr (requires { s->BubbleSize(); }) x.BubbleSizes = s->BubbleSize();
    g.Series.push_back(x);
  }
}

template <class L, class F>
void Collect(std::vector<TXpgChartGroup>& out, L* list, std::string_view type, F series) {
  if (!list) return;
  for (auto& c : *list) {
    TXpgChartGroup g{type, c.get(), {}};
    series(g, c.get());
    out.push_back(std::move(g));
  }
}

}  // namespace

std::vector<TXpgChartGroup> ChartGroups(const TCT_PlotArea& p) {
  std::vector<TXpgChartGroup> out;
  Collect(out, p.AreaCharts(), "areaChart", [](auto& g, auto* c) { AddPlain(g, c->EG_AreaChartShared()->Series()); });
  Collect(out, p.Area3DCharts(), "area3DChart",
          [](auto& g, auto* c) { AddPlain(g, c->EG_AreaChartShared()->Series()); });
  Collect(out, p.LineCharts(), "lineChart", [](auto& g, auto* c) { AddPlain(g, c->EG_LineChartShared()->Series()); });
  Collect(out, p.Line3DCharts(), "line3DChart",
          [](auto& g, auto* c) { AddPlain(g, c->EG_LineChartShared()->Series()); });
  Collect(out, p.StockCharts(), "stockChart", [](auto& g, auto* c) { AddPlain(g, c->SerXpgList()); });
  Collect(out, p.RadarCharts(), "radarChart", [](auto& g, auto* c) { AddPlain(g, c->Series()); });
  Collect(out, p.ScatterCharts(), "scatterChart", [](auto& g, auto* c) { AddXY(g, c->Series()); });
  Collect(out, p.PieCharts(), "pieChart", [](auto& g, auto* c) { AddPlain(g, c->EG_PieChartShared()->Series()); });
  Collect(out, p.Pie3DCharts(), "pie3DChart", [](auto& g, auto* c) { AddPlain(g, c->EG_PieChartShared()->Series()); });
  Collect(out, p.DoughnutCharts(), "doughnutChart",
          [](auto& g, auto* c) { AddPlain(g, c->EG_PieChartShared()->Series()); });
  Collect(out, p.BarCharts(), "barChart", [](auto& g, auto* c) { AddPlain(g, c->EG_BarChartShared()->Series()); });
  Collect(out, p.Bar3DCharts(), "bar3DChart", [](auto& g, auto* c) { AddPlain(g, c->EG_BarChartShared()->Series()); });
  Collect(out, p.OfPieCharts(), "ofPieChart", [](auto& g, auto* c) { AddPlain(g, c->EG_PieChartShared()->Series()); });
  Collect(out, p.SurfaceCharts(), "surfaceChart",
          [](auto& g, auto* c) { AddPlain(g, c->EG_SurfaceChartShared()->Series()); });
  Collect(out, p.Surface3DCharts(), "surface3DChart",
          [](auto& g, auto* c) { AddPlain(g, c->EG_SurfaceChartShared()->Series()); });
  Collect(out, p.BubbleCharts(), "bubbleChart", [](auto& g, auto* c) { AddXY(g, c->Series()); });
  std::stable_sort(out.begin(), out.end(),
                   [](const TXpgChartGroup& a, const TXpgChartGroup& b) { return a.Chart->Tag() < b.Chart->Tag(); });
  return out;
}

namespace {
template <class Ref>
std::u16string BoundOrRead(const Ref* ref) {
  if (!ref) return {};
  const TXLSRelCells* cells = ref->RCells();
  return cells && cells->SheetIndex() >= 0 ? ref->GetF() : ref->F();
}
}  // namespace

std::u16string RefOrText(const TCT_StrRef* ref) { return BoundOrRead(ref); }
std::u16string RefOrText(const TCT_NumRef* ref) { return BoundOrRead(ref); }

std::u16string SourceRef(const TCT_AxDataSource* s) {
  if (!s) return {};
  if (s->NumRef()) return RefOrText(s->NumRef());
  if (s->StrRef()) return RefOrText(s->StrRef());
  if (s->MultiLvlStrRef()) return s->MultiLvlStrRef()->F();
  return {};
}

std::u16string SourceRef(const TCT_NumDataSource* s) { return s ? RefOrText(s->NumRef()) : std::u16string(); }

std::u16string TitleText(const TCT_Title* title) {
  const TCT_Tx* tx = title ? title->Tx() : nullptr;
  if (!tx) return {};
  if (tx->StrRef()) return RefOrText(tx->StrRef());
  if (tx->Rich()) return TextBodyText(*tx->Rich());
  return {};
}

}  // namespace xls::xpgchart
