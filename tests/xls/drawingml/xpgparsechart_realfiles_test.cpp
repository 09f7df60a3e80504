// Chart parts written by xlsxwriter, openpyxl, LibreOffice (re-saves and its own charts) and
// Gnumeric, read part by part into the chart document and compared with openpyxl's reading of the
// same parts (tests/data/xlsx/chart-parts.expected, made by make_chart_expected.py): the chart
// types of each plot area in file order, the chart's title, every series' index, order, name and
// references, every axis with its title;
// and a bounded fuzz run over the chart document seeded with these parts (KWS_FUZZ_SECONDS and
// KWS_FUZZ_INPUTS set the budget of a longer manual run).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/textcodec.h"
#include "tests/support/mutator.h"
#include "tests/support/tempdir.h"
#include "xls/drawingml/xpgchartseries.h"
#include "xls/drawingml/xpgparsechart.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlsbook.h"
#include "xls/package/xlsstream.h"
#include "xls/package/xlszip.h"

namespace xls::xpgchart {
namespace {

std::filesystem::path DataDir() {
  const char* root = std::getenv("KWS_SOURCE_DIR");
  return std::filesystem::path(root ? root : ".") / "tests/data/xlsx";
}

std::string U8(std::u16string_view s) { return kws::Utf16ToUtf8(s); }

std::string NameOf(TCT_SerieShared* sh) {
  if (!sh->Tx()) return {};
  if (sh->Tx()->StrRef() && !sh->Tx()->StrRef()->F().empty()) return U8(sh->Tx()->StrRef()->GetF());
  return U8(sh->Tx()->V());
}
std::string Int(TCT_UnsignedInt* v) { return std::to_string(v ? v->Val() : 0); }

// A title as the expected file writes it (xls_dump's escapes).
std::string Title(const TCT_Title* t) {
  std::string out;
  for (char c : U8(TitleText(t))) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

// The lines of one chart part, in the expected file's form (axes sorted: openpyxl keeps them by
// kind, not in file order).
struct PartLines {
  std::string part;
  std::vector<std::string> series;
  std::set<std::string> axes;
};

PartLines Describe(const std::string& key, TCT_Chart* chart) {
  TCT_PlotArea* p = chart->PlotArea();
  PartLines out;
  std::string types;
  size_t count = 0;
  for (const TXpgChartGroup& g : ChartGroups(*p)) {
    types += (types.empty() ? "" : "|") + std::string(g.Type);
    for (const TXpgChartSeries& x : g.Series) {
      ++count;
      out.series.push_back("series\t" + key + "\t" + std::string(g.Type) + "\t" + Int(x.Shared->Idx()) + "\t" +
                           Int(x.Shared->Order()) + "\t" + NameOf(x.Shared) + "\t" + U8(SourceRef(x.Categories)) +
                           "\t" + U8(SourceRef(x.Values)) + "\t" + U8(SourceRef(x.BubbleSizes)));
    }
  }
  out.part = "part\t" + key + "\t" + types + "\t" + Title(chart->Title()) + "\t" + std::to_string(count);
  auto axis = [&](auto* list, const char* kind) {
    if (!list) return;
    for (auto& a : *list) {
      TEG_AxShared* g = a->EG_AxShared();
      const auto pos = g->AxPos()->Val();
      out.axes.insert("axis\t" + key + "\t" + kind + "\t" + Int(g->AxId()) + "\t" + Int(g->CrossAx()) + "\t" +
                      (pos < std::size(kTST_AxPosNames) ? std::string(kTST_AxPosNames[pos]) : "") + "\t" +
                      (g->Delete() && g->Delete()->Val() == 1 ? "1" : "0") + "\t" + Title(g->Title()));
    }
  };
  axis(p->ValAxis(), "valAx");
  axis(p->CatAxis(), "catAx");
  axis(p->DateAxes(), "dateAx");
  axis(p->SerAx(), "serAx");
  return out;
}

// The one report that stands: c:noMultiLvlLbl, which LibreOffice writes in a date axis
// (CT_DateAx has none).
bool Expected(const std::u16string& report) {
  for (std::u16string_view n : {u"c:noMultiLvlLbl"})
    if (report.ends_with(n)) return true;
  return false;
}

const char* const kFiles[] = {"xlsxwriter-charts.xlsx", "openpyxl-charts.xlsx", "libreoffice-charts.xlsx",
                              "libreoffice-charts2.xlsx", "gnumeric-charts.xlsx", "libreoffice-uno-charts.xlsx"};

// Every chart part of the fixtures with its key (file:part).
std::vector<std::pair<std::string, std::string>> ChartParts() {
  std::vector<std::pair<std::string, std::string>> out;
  for (const char* file : kFiles) {
    TXLSMemoryStream s(kws::test::ReadFileBytes(DataDir() / file));
    TXLSZipArchive zip;
    zip.OpenRead(s);
    for (int i = 0; i < zip.Count(); ++i) {
      const std::string name = U8(zip.Items(i).Name());
      if (!name.starts_with("xl/charts/chart") || !name.ends_with(".xml")) continue;
      TXLSMemoryStream part;
      zip.Items(i)._SaveToStream(part);
      out.emplace_back(std::string(file) + ":" + name, part.Bytes());
    }
  }
  return out;
}

TEST(ChartParts_RealFiles, AgreeWithOpenpyxl) {
  std::ifstream in(DataDir() / "chart-parts.expected");
  ASSERT_TRUE(in) << "chart-parts.expected";
  std::map<std::string, PartLines> want;
  std::set<std::string> unread;
  for (std::string l; std::getline(in, l);) {
    const std::string kind = l.substr(0, l.find('\t'));
    const size_t k0 = l.find('\t') + 1;
    const std::string key = l.substr(k0, l.find('\t', k0) - k0);
    if (kind == "unread") unread.insert(key);
    else if (kind == "part") want[key].part = l;
    else if (kind == "series") want[key].series.push_back(l);
    else if (kind == "axis") want[key].axes.insert(l);
  }
  int parts = 0;
  for (const auto& [key, bytes] : ChartParts()) {
    SCOPED_TRACE(key);
    TXPGDocXLSXChart doc;
    std::vector<std::u16string> reports;
    doc.Errors().OnError = [&](TXpgPErrors& e) { reports.push_back(e.LastErrorText()); };
    doc.LoadFromBytes(bytes);
    for (const auto& r : reports) EXPECT_TRUE(Expected(r)) << U8(r);
    ASSERT_NE(doc.ChartSpace(), nullptr);
    ASSERT_NE(doc.ChartSpace()->Chart(), nullptr);
    TCT_PlotArea* plot = doc.ChartSpace()->Chart()->PlotArea();
    ASSERT_NE(plot, nullptr);
    ++parts;
    if (unread.count(key)) continue;  // openpyxl 3.0 cannot read it: no oracle
    ASSERT_TRUE(want.count(key));
    const PartLines got = Describe(key, doc.ChartSpace()->Chart());
    EXPECT_EQ(got.part, want[key].part);
    EXPECT_EQ(got.series, want[key].series);
    EXPECT_EQ(got.axes, want[key].axes);
  }
  EXPECT_EQ(parts, int(want.size() + unread.size()));
}

// Mutated chart parts read with a workbook's graphic manager (every reference makes a cell range
// the hub lists), walked, and freed: a clean exception or a tree, never a crash, and no range
// left in the binding list once its document is gone.
TEST(ChartParts_Fuzz, NoCrashOnMutatedParts) {
  std::vector<std::string> corpus;
  for (auto& [key, bytes] : ChartParts()) corpus.push_back(bytes);
  ASSERT_FALSE(corpus.empty());
  TXLSBook book;
  const auto budget = kws::test::FuzzBudget::FromEnvironment(10.0, 20000);
  const uint64_t n = kws::test::RunFuzz(budget, corpus, 26, [&](const std::string& in) {
    {
      TXPGDocXLSXChart doc;
      doc.FGrManager = &book.Manager().GrManager();
      try {
        doc.LoadFromBytes(in);
        if (TCT_ChartSpace* cs = doc.ChartSpace()) {
          cs->CheckAssigned();
          if (cs->Chart() && cs->Chart()->PlotArea()) Describe("fuzz", cs->Chart());
        }
      } catch (const std::exception&) {
        // malformed input ends in a clean exception
      }
    }
    for (TXLSRelCells* rc : book.Manager().VirtualCells()) ASSERT_EQ(rc, nullptr);
    book.Manager().VirtualCells().clear();
  });
  std::printf("chart part fuzz: %llu inputs\n", static_cast<unsigned long long>(n));
  EXPECT_GT(n, 0u);
}

}  // namespace
}  // namespace xls::xpgchart
