// A bounded fuzz run over sheet drawing parts: the drawing part of the stored-parts copy of the
// LibreOffice shapes fixture (tests/data/xlsx, make_fixtures.py --drawings) is mutated, packed
// back with the other parts and loaded with the drawing library registered. A drawing never ends
// a load: every input loads with its cells, and a drawing that cannot be read leaves the sheet an
// empty drawing. The same for chart parts: each chart part of the xlsxwriter chart fixture
// (make_chart_fixtures.py), mutated, takes the place of its first chart in a stored-parts copy of
// the workbook, loaded whole: the workbook loads, its other charts load, and a mutated chart that
// loads is walked as the dump walks it. KWS_FUZZ_SECONDS and KWS_FUZZ_INPUTS set the budget of a
// longer manual run (a million chart inputs in a Release build).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/mutator.h"
#include "tests/support/zipwriter.h"
#include "tests/xls/drawingml/packageparts.h"
#include "xls/drawingml/xlsdrawing.h"
#include "xls/drawingml/xpgchartseries.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlsworksheetdata.h"
#include "xls/xlsxreader/xlsreadxlsx.h"

namespace {

using kws::test::FixtureParts;
using Parts = kws::test::PackageParts;

TEST(DrawingParts_Fuzz, MutatedDrawingsNeverEndALoad) {
  xls::RegisterXLSXReader();
  xls::RegisterDrawings();
  const Parts parts = FixtureParts("libreoffice-shapes-stored.xlsx");
  std::vector<std::string> corpus;
  for (const auto& [name, data] : parts)
    if (name.rfind("xl/drawings/drawing", 0) == 0) corpus.push_back(data);
  ASSERT_FALSE(corpus.empty());
  xls::TXLSBook book;
  const auto budget = kws::test::FuzzBudget::FromEnvironment(10.0, 3000);
  uint64_t read = 0;
  const uint64_t n = kws::test::RunFuzz(budget, corpus, 25, [&](const std::string& drawing) {
    kws::test::ZipWriter z;
    for (const auto& [name, data] : parts)
      z.Stored(name, name.rfind("xl/drawings/drawing", 0) == 0 ? std::string_view(drawing) : std::string_view(data));
    const std::string bytes = z.Bytes();
    book.LoadFromBytes({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
    ASSERT_EQ(book.Count(), 1u);
    EXPECT_EQ(book.Items(0)->GetAsString(0, 0), u"shapes");
    auto* doc = dynamic_cast<xls::TXLSSheetDrawingDocument*>(book.Items(0)->Xc12Sheet().Drawing());
    ASSERT_NE(doc, nullptr);
    auto* layer = dynamic_cast<xls::TXLSDrawing*>(book.Items(0)->Drawing());
    ASSERT_NE(layer, nullptr);
    // Every object's position reads within the sheet.
    for (int i = 0; i < layer->Images().Count(); ++i) {
      xls::TXLSDrawingImage* img = layer->Images().Items(i);
      EXPECT_LE(img->Row2(), 1048575);
      EXPECT_GE(img->Col1Offs(), 0.0);
      img->ImageTypeStr();
    }
    for (int i = 0; i < layer->Shapes().Count(); ++i) EXPECT_LE(layer->Shapes().Items(i)->Col2(), 16383);
    if (doc->WsDr()->EG_Anchor()->TwoCellAnchorXpgList()->Count() > 0) ++read;
  });
  std::printf("drawing part fuzz: %llu inputs, %llu with anchors read\n", static_cast<unsigned long long>(n),
              static_cast<unsigned long long>(read));
  EXPECT_GT(n, 0u);
}

// The charts of the sheet's two-cell anchors (nullptr for a frame that holds none).
std::vector<xls::xpgchart::TXPGDocXLSXChart*> Charts(xls::TXLSWorksheet& ws) {
  std::vector<xls::xpgchart::TXPGDocXLSXChart*> out;
  auto* doc = dynamic_cast<xls::TXLSSheetDrawingDocument*>(ws.Xc12Sheet().Drawing());
  if (!doc || !doc->WsDr()) return out;
  for (const auto& a : *doc->WsDr()->EG_Anchor()->TwoCellAnchorXpgList()) {
    auto* f = a->EG_ObjectChoices()->GraphicFrame();
    out.push_back(f && f->IsChart() ? f->A_Graphic()->A_GraphicData()->Chart() : nullptr);
  }
  return out;
}

// Every series' name and references and every axis of a chart, as the dump reads them.
size_t Walk(xls::xpgchart::TXPGDocXLSXChart& chart) {
  using namespace xls::xpgchart;
  TCT_ChartSpace* cs = chart.ChartSpace();
  if (!cs || !cs->Chart() || !cs->Chart()->PlotArea()) return 0;
  TCT_PlotArea* plot = cs->Chart()->PlotArea();
  size_t text = 0;
  for (const TXpgChartGroup& g : ChartGroups(*plot))
    for (const TXpgChartSeries& x : g.Series) {
      if (x.Shared->Tx() && x.Shared->Tx()->StrRef()) text += RefOrText(x.Shared->Tx()->StrRef()).size();
      text += SourceRef(x.Categories).size() + SourceRef(x.Values).size() + SourceRef(x.BubbleSizes).size();
    }
  auto axes = [&](auto* list) {
    if (!list) return;
    for (const auto& a : *list) text += a->EG_AxShared()->AxPos() ? 1 : 0;
  };
  axes(plot->ValAxis()), axes(plot->CatAxis()), axes(plot->DateAxes()), axes(plot->SerAx());
  return text;
}

TEST(ChartParts_WorkbookFuzz, MutatedChartsNeverEndALoad) {
  xls::RegisterXLSXReader();
  xls::RegisterDrawings();
  const Parts parts = FixtureParts("xlsxwriter-charts.xlsx");
  std::vector<std::string> corpus;
  for (const auto& [name, data] : parts)
    if (name.rfind("xl/charts/chart", 0) == 0) corpus.push_back(data);
  ASSERT_EQ(corpus.size(), 18u);
  xls::TXLSBook book;
  const auto budget = kws::test::FuzzBudget::FromEnvironment(10.0, 2000);
  uint64_t loaded = 0;
  const uint64_t n = kws::test::RunFuzz(budget, corpus, 27, [&](const std::string& chart) {
    const std::string bytes = kws::test::Repack(parts, {{"xl/charts/chart1.xml", chart}});
    book.LoadFromBytes({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
    ASSERT_EQ(book.Count(), 3u);
    EXPECT_EQ(book.Items(0)->GetAsString(0, 0), u"Month");
    const auto charts = Charts(*book.Items(1));
    ASSERT_EQ(charts.size(), 17u);
    for (size_t i = 1; i < charts.size(); ++i) {
      ASSERT_NE(charts[i], nullptr) << i;
      EXPECT_GT(Walk(*charts[i]), 0u) << i;
    }
    if (charts[0]) {
      Walk(*charts[0]);
      ++loaded;
    }
  });
  std::printf("chart part workbook fuzz: %llu inputs, %llu with the mutated chart loaded\n",
              static_cast<unsigned long long>(n), static_cast<unsigned long long>(loaded));
  EXPECT_GT(n, 0u);
  EXPECT_GT(loaded, 0u);  // a harness whose every input fails to load would test nothing
}

}  // namespace
