// Mutation fuzzing of the chart reader with the object layer: the chart sub-streams of the
// LibreOffice and Gnumeric fixtures are damaged at random, read into a sheet's chart list (tree
// reader, raw fallback, object layer) and every bound series and style is read. A chart kept raw
// or without objects, or an engine error from an accessor, is fine; a crash, a hang, a sanitizer
// report or any other exception fails.
//
// Budget: KWS_FUZZ_SECONDS (default 20) and KWS_FUZZ_INPUTS (default 1,000,000), whichever ends
// first; the number of inputs run is printed.
#include <gtest/gtest.h>

#include <cstdio>

#include "platform/cfb.h"
#include "tests/support/mutator.h"
#include "tests/xls/biff/chart_fixtures.h"
#include "xls/biff/biffformulahandler.h"
#include "xls/biff/chartobjects.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsstylesheet.h"

namespace xls::biff {
namespace {

using namespace xls::biff::test;

// The chart sub-streams (BOF of type 0x20 to the first EOF) of a fixture's workbook stream.
std::vector<std::string> ChartRuns(const char* file) {
  const auto bytes = kws::test::ReadFileBytes(FrameData("").parent_path().parent_path() / "xls-charts" / file);
  auto root = kws::OpenCompoundData(std::vector<uint8_t>(bytes.begin(), bytes.end()));
  const auto data = root.OpenStream(u"Workbook")->ReadAll();
  const std::string s(data.begin(), data.end());
  std::vector<std::string> runs;
  size_t start = std::string::npos;
  for (size_t p = 0; p + 4 <= s.size();) {
    const uint16_t id = uint16_t(uint8_t(s[p]) | uint8_t(s[p + 1]) << 8);
    const size_t len = uint8_t(s[p + 2]) | uint8_t(s[p + 3]) << 8;
    if (id == 0x0809 && p + 8 <= s.size() && s[p + 6] == 0x20 && s[p + 7] == 0 && start == std::string::npos) start = p;
    p += 4 + len;
    if (id == 0x000A && start != std::string::npos) {
      runs.push_back(s.substr(start, p - start));
      start = std::string::npos;
    }
  }
  return runs;
}

// Reads everything the object layer gives of a chart; engine errors are the accessors' answers.
void ReadAll(TDrwChart& c) {
  auto guard = [](auto f) {
    try {
      f();
    } catch (const XLSRWException&) {
    }
  };
  for (auto& s : c.Series()) {
    guard([&] { (void)s->SerieName(); });
    guard([&] { (void)s->Values(); });
    guard([&] { (void)s->Category(); });
    guard([&] { (void)s->HasDefDataPoint(); });
    (void)s->Geomtery();
    for (auto& p : s->DataPoints()) guard([&] { (void)p->PieSliceDist(); });
  }
  for (auto& l : c.Labels()) guard([&] { (void)l->Text(); });
  guard([&] { (void)c.PlotArea().ChartType(); });
  guard([&] { (void)c.PlotArea().ValueAxis().Scaling().MinValue(); });
  guard([&] { (void)c.EmptyCells(); });
  if (c.Frame().HasFillEffects()) {
    (void)c.Frame().FillEffects().PictureType();
    c.Frame().FillEffects().UpdateRecord();
  }
}

TEST(ChartFuzz_Mutations, ChartKeptOrEngineError) {
  std::vector<std::string> corpus = ChartRuns("lo-charts.xls");
  const std::vector<std::string> gn = ChartRuns("gn-chartsheet.xls");
  ASSERT_EQ(corpus.size(), 11u);
  ASSERT_EQ(gn.size(), 2u);
  corpus.insert(corpus.end(), gn.begin(), gn.end());

  Hub hub;
  TXc12Fonts& fonts = hub.M().StyleSheet().Fonts();
  while (fonts.Count() < 8) fonts.Add();
  TFormulaHandler handler;
  const auto budget = kws::test::FuzzBudget::FromEnvironment(20, 1000000);
  kws::test::Mutator mutator(20261211);
  const auto start = std::chrono::steady_clock::now();
  uint64_t inputs = 0, trees = 0, objects = 0;
  while (inputs < budget.inputs &&
         std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() < budget.seconds) {
    const size_t k = size_t(mutator.Below(corpus.size()));
    const std::string input = mutator.Mutate(corpus[k]);
    try {
      RunStream rs(input);
      TShapeOutsideMsoChart shape(nullptr, &fonts);
      TStreamChartSource source(rs.stream);
      shape.Read(source);
      if (!shape.Raw()) ++trees;
      TDrwCharts charts(nullptr, &handler, &fonts);
      if (!shape.Raw() && charts.AddFromFile(nullptr, &shape.Records()).empty()) {
        ++objects;
        ReadAll(charts.Items(0));
        (void)SummarizeChart(shape.Records());
      }
    } catch (const kws::CfbError&) {
    } catch (const std::exception& e) {
      FAIL() << "input " << inputs << " of seed " << k << ": " << typeid(e).name() << ": " << e.what();
    }
    ++inputs;
  }
  std::printf("chart fuzz: %llu inputs, %llu read as trees, %llu with objects\n",
              static_cast<unsigned long long>(inputs), static_cast<unsigned long long>(trees),
              static_cast<unsigned long long>(objects));
  EXPECT_GT(inputs, 0u);
}

}  // namespace
}  // namespace xls::biff
