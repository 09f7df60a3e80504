// Damaged chart parts inside a whole workbook: the xlsxwriter chart fixture
// (tests/data/xlsx/make_chart_fixtures.py) with one chart, its relationship or its side parts
// broken, loaded through the package reader. The workbook always loads with its cells and its
// other charts; a chart that cannot be loaded is dropped (its frame holds no chart) with a warning
// naming the part; a failing style, colour-style or user-shapes part is left out with a warning
// and the chart kept; numbers in a cache size nothing.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/textcodec.h"
#include "tests/xls/drawingml/packageparts.h"
#include "tests/xls/xlsxreader/readxlsx_fixtures.h"
#include "xls/drawingml/xlsdrawing.h"
#include "xls/drawingml/xpgchartseries.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlsworksheetdata.h"
#include "xls/xlsxreader/xlsreadxlsx.h"

namespace {

using namespace xls;
using namespace xls::xpgdml::xdr;

constexpr const char* kRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

std::string Rels(const std::string& body) {
  return "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" + body +
         "</Relationships>";
}
std::string Rel(const std::string& id, const std::string& type, const std::string& target) {
  return "<Relationship Id=\"" + id + "\" Type=\"" + type + "\" Target=\"" + target + "\"/>";
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// The loaded charts of a sheet's drawing, two-cell anchors in file order.
std::vector<xpgchart::TXPGDocXLSXChart*> Charts(TXLSWorksheet& ws) {
  std::vector<xpgchart::TXPGDocXLSXChart*> out;
  auto* doc = dynamic_cast<TXLSSheetDrawingDocument*>(ws.Xc12Sheet().Drawing());
  if (!doc || !doc->WsDr()) return out;
  for (const auto& a : *doc->WsDr()->EG_Anchor()->TwoCellAnchorXpgList()) {
    TCT_GraphicalObjectFrame* f = a->EG_ObjectChoices()->GraphicFrame();
    out.push_back(f && f->IsChart() ? f->A_Graphic()->A_GraphicData()->Chart() : nullptr);
  }
  return out;
}

// The first series' name and value reference of a chart.
std::string FirstSeries(xpgchart::TXPGDocXLSXChart* c) {
  auto groups = xpgchart::ChartGroups(*c->ChartSpace()->Chart()->PlotArea());
  if (groups.empty() || groups[0].Series.empty()) return {};
  const xpgchart::TXpgChartSeries& s = groups[0].Series[0];
  return kws::Utf16ToUtf8(xpgchart::RefOrText(s.Shared->Tx()->StrRef()) + u" " + xpgchart::SourceRef(s.Values));
}

class ChartWorkbook : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterXLSXReader();
    RegisterDrawings();
  }
  // Loads the fixture with `changed` parts; the book keeps its warnings.
  void Load(const std::map<std::string, std::string>& changed) {
    book = std::make_unique<TXLSBook>();
    book->Errors().SetIgnoreXMLWarnings(false);
    book->Errors().SetSaveToList(true);
    const std::string bytes = kws::test::Repack(parts, changed);
    book->LoadFromBytes(kws::test::AsSpan(bytes));
  }
  std::vector<std::string> Warnings() {
    std::vector<std::string> out;
    for (const auto& w : kws::test::WarningTexts(*book)) out.push_back(kws::Utf16ToUtf8(w));
    return out;
  }
  std::string Part(const std::string& name) {
    for (const auto& [n, data] : parts)
      if (n == name) return data;
    ADD_FAILURE() << name;
    return {};
  }
  // The first chart of the Charts sheet with style, colour-style and user-shapes relationships.
  std::map<std::string, std::string> WithSideParts() {
    return {{"xl/charts/chart1.xml", Replaced(Part("xl/charts/chart1.xml"), "</c:chartSpace>",
                                              "<c:userShapes r:id=\"rId3\"/></c:chartSpace>")},
            {"xl/charts/_rels/chart1.xml.rels",
             Rels(Rel("rId1", "http://schemas.microsoft.com/office/2011/relationships/chartStyle", "style1.xml") +
                  Rel("rId2", "http://schemas.microsoft.com/office/2011/relationships/chartColorStyle",
                      "colors1.xml") +
                  Rel("rId3", std::string(kRel) + "/chartUserShapes", "../drawings/drawing9.xml"))},
            {"xl/charts/style1.xml",
             "<cs:chartStyle xmlns:cs=\"http://schemas.microsoft.com/office/drawing/2012/chartStyle\" id=\"201\"/>"},
            {"xl/charts/colors1.xml",
             "<cs:colorStyle xmlns:cs=\"http://schemas.microsoft.com/office/drawing/2012/chartStyle\" meth=\"cycle\" "
             "id=\"10\"/>"},
            {"xl/drawings/drawing9.xml",
             "<c:userShapes xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" "
             "xmlns:cdr=\"http://schemas.openxmlformats.org/drawingml/2006/chartDrawing\" "
             "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"><cdr:relSizeAnchor>"
             "<cdr:from><cdr:x>0.1</cdr:x><cdr:y>0.1</cdr:y></cdr:from><cdr:to><cdr:x>0.3</cdr:x><cdr:y>0.2</cdr:y>"
             "</cdr:to><cdr:sp><cdr:nvSpPr><cdr:cNvPr id=\"2\" name=\"Note\"/><cdr:cNvSpPr/></cdr:nvSpPr>"
             "<cdr:spPr><a:prstGeom prst=\"rect\"/></cdr:spPr></cdr:sp></cdr:relSizeAnchor></c:userShapes>"}};
  }
  kws::test::PackageParts parts = kws::test::FixtureParts("xlsxwriter-charts.xlsx");
  std::unique_ptr<TXLSBook> book;
};

// The fixture itself: 17 charts on the Charts sheet, one on the chart sheet, no warning.
TEST_F(ChartWorkbook, FixtureLoadsEveryChart) {
  Load({});
  EXPECT_TRUE(Warnings().empty());
  ASSERT_EQ(book->Count(), 3u);
  const auto charts = Charts(*book->Items(1));
  ASSERT_EQ(charts.size(), 17u);
  for (auto* c : charts) EXPECT_NE(c, nullptr);
  EXPECT_EQ(FirstSeries(charts[0]), "Data!$B$1 Data!$B$2:$B$7");
  // The side parts of the first chart load with it.
  Load(WithSideParts());
  EXPECT_TRUE(Warnings().empty());
  auto* first = Charts(*book->Items(1))[0];
  ASSERT_NE(first, nullptr);
  EXPECT_NE(first->Style(), nullptr);
  EXPECT_NE(first->Colors(), nullptr);
  EXPECT_NE(first->ChartSpace()->Drawing(), nullptr);
}

// A chart that cannot be loaded: the workbook loads, the frame holds no chart, the other sixteen
// charts are there, and a warning names the chart part (or the relationship when no part is
// known).
TEST_F(ChartWorkbook, DamagedChartsAreDroppedAndTheWorkbookLoads) {
  const std::string chart = Part("xl/charts/chart1.xml");
  const std::string drawingRels = Part("xl/drawings/_rels/drawing1.xml.rels");
  struct Case {
    const char* what;
    std::map<std::string, std::string> changed;
    const char* warning;
  };
  const Case cases[] = {
      {"chart part missing", {{"xl/charts/chart1.xml", ""}}, "Chart xl/charts/chart1.xml not read: "},
      {"relationship of another type",
       {{"xl/drawings/_rels/drawing1.xml.rels",
         Replaced(drawingRels, std::string(kRel) + "/chart\" Target=\"../charts/chart1.xml\"",
                  std::string(kRel) + "/image\" Target=\"../charts/chart1.xml\"")}},
       "Chart rId1 not read: "},
      {"relationship missing",
       {{"xl/drawings/_rels/drawing1.xml.rels",
         Replaced(drawingRels, "Id=\"rId1\"", "Id=\"rId99\"")}},
       "Chart rId1 not read: the drawing has no such relationship"},
      {"truncated chart XML", {{"xl/charts/chart1.xml", chart.substr(0, chart.size() / 2)}},
       "Chart xl/charts/chart1.xml not read: "},
      {"mutated chart XML: an end tag out of place",
       {{"xl/charts/chart1.xml", Replaced(chart, "</c:plotArea>", "</c:plotArea></c:chart></c:plotArea>")}},
       "Chart xl/charts/chart1.xml not read: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Load(c.changed);
    ASSERT_EQ(book->Count(), 3u);
    EXPECT_EQ(book->Items(0)->GetAsString(0, 0), u"Month");
    const auto charts = Charts(*book->Items(1));
    ASSERT_EQ(charts.size(), 17u);
    EXPECT_EQ(charts[0], nullptr);
    for (size_t i = 1; i < charts.size(); ++i) EXPECT_NE(charts[i], nullptr) << i;
    EXPECT_EQ(FirstSeries(charts[1]), "Data!$B$1 Data!$B$2:$B$7");  // bound after the load
    const auto warnings = Warnings();
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find(c.warning), std::string::npos) << warnings[0];
  }
}

// A failing style, colour-style or user-shapes part: the chart stays without it, a warning names
// the part.
TEST_F(ChartWorkbook, FailingSidePartsAreLeftOutAndTheChartKept) {
  struct Case {
    const char* what;
    std::map<std::string, std::string> changed;
    bool style, colors, userShapes;
    const char* warning;
  };
  const Case cases[] = {
      {"style part missing", {{"xl/charts/style1.xml", ""}}, false, true, true,
       "Chart style xl/charts/style1.xml not read: "},
      {"colour-style part truncated", {{"xl/charts/colors1.xml", "<cs:colorStyle xmlns:cs=\"x\" meth"}}, true, false,
       true, "Chart colour style xl/charts/colors1.xml not read: "},
      {"user-shapes part missing", {{"xl/drawings/drawing9.xml", ""}}, true, true, false,
       "User shapes of chart xl/charts/chart1.xml not read: "},
      {"user-shapes part malformed", {{"xl/drawings/drawing9.xml", "<c:userShapes xmlns:c=\"y\"><oops"}}, true, true,
       false, "User shapes of chart xl/charts/chart1.xml not read: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto changed = WithSideParts();
    for (const auto& [k, v] : c.changed) changed[k] = v;
    Load(changed);
    EXPECT_EQ(book->Items(0)->GetAsString(0, 0), u"Month");
    auto* chart = Charts(*book->Items(1))[0];
    ASSERT_NE(chart, nullptr);
    EXPECT_EQ(chart->Style() != nullptr, c.style);
    EXPECT_EQ(chart->Colors() != nullptr, c.colors);
    EXPECT_EQ(chart->ChartSpace()->Drawing() != nullptr, c.userShapes);
    EXPECT_EQ(FirstSeries(chart), "Data!$B$1 Data!$B$2:$B$7");
    const auto warnings = Warnings();
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find(c.warning), std::string::npos) << warnings[0];
  }
}

// A user-shapes part whose own anchor holds a frame naming the chart it belongs to: the chart and
// its user shapes load once, the frame in the user shapes holds no chart, and the package warns
// that the chart part's relationships are reached again.
TEST_F(ChartWorkbook, UserShapesNamingTheirChartLoadOnce) {
  auto changed = WithSideParts();
  changed["xl/drawings/drawing9.xml"] =
      "<c:userShapes xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" "
      "xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\" "
      "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><xdr:twoCellAnchor>"
      "<xdr:from><xdr:col>0</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>0</xdr:row><xdr:rowOff>0</xdr:rowOff>"
      "</xdr:from><xdr:to><xdr:col>2</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>2</xdr:row><xdr:rowOff>0</xdr:rowOff>"
      "</xdr:to><xdr:graphicFrame><xdr:nvGraphicFramePr><xdr:cNvPr id=\"3\" name=\"Again\"/><xdr:cNvGraphicFramePr/>"
      "</xdr:nvGraphicFramePr><xdr:xfrm/><a:graphic><a:graphicData "
      "uri=\"http://schemas.openxmlformats.org/drawingml/2006/chart\"><c:chart r:id=\"rId1\"/></a:graphicData>"
      "</a:graphic></xdr:graphicFrame><xdr:clientData/></xdr:twoCellAnchor></c:userShapes>";
  changed["xl/drawings/_rels/drawing9.xml.rels"] =
      Rels(Rel("rId1", std::string(kRel) + "/chart", "../charts/chart1.xml"));
  Load(changed);
  auto* chart = Charts(*book->Items(1))[0];
  ASSERT_NE(chart, nullptr);
  auto* shapes = chart->ChartSpace()->Drawing();
  ASSERT_NE(shapes, nullptr);
  auto* doc = dynamic_cast<TXPGDocXLSXDrawing*>(shapes);
  ASSERT_NE(doc, nullptr);
  ASSERT_EQ(doc->Drawing()->EG_Anchor()->TwoCellAnchorXpgList()->Count(), 1);
  TCT_GraphicalObjectFrame* frame =
      doc->Drawing()->EG_Anchor()->TwoCellAnchorXpgList()->GetItems(0)->EG_ObjectChoices()->GraphicFrame();
  ASSERT_NE(frame, nullptr);
  EXPECT_FALSE(frame->IsChart());
  const auto warnings = Warnings();
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("relationships of \"xl/charts/chart1.xml\" are reached again"), std::string::npos)
      << warnings[0];
}

// Counts and indexes of a cache at the top of their range: the chart loads as it is, nothing is
// sized from them.
TEST_F(ChartWorkbook, HugeCountsInCachesSizeNothing) {
  std::string chart = Part("xl/charts/chart1.xml");
  for (size_t at; (at = chart.find("<c:ptCount val=\"6\"/>")) != std::string::npos;)
    chart.replace(at, 20, "<c:ptCount val=\"4294967295\"/>");
  chart = Replaced(chart, "<c:pt idx=\"5\">", "<c:pt idx=\"4294967295\">");
  Load({{"xl/charts/chart1.xml", chart}});
  EXPECT_TRUE(Warnings().empty());
  auto* c = Charts(*book->Items(1))[0];
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(FirstSeries(c), "Data!$B$1 Data!$B$2:$B$7");
}

}  // namespace
