// Loading the chart a sheet drawing's graphic frame names: the chart part with its style,
// colour-style and user-shapes parts, and every way one of them can fail (the chart dropped with
// a warning, or a part left out and the chart kept).
#include "xls/drawingml/xpgchartload.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/textcodec.h"
#include "tests/support/zipwriter.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlsbook.h"
#include "xls/package/xlspackageopc.h"
#include "xls/package/xlsstream.h"

namespace xls::xpgchart {
namespace {

using kws::test::ZipWriter;

constexpr const char* kRelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const std::string kChartSpace =
    "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\""
    " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
    "<c:chart><c:plotArea><c:barChart><c:ser><c:val><c:numRef><c:f>Sheet1!$B$2:$B$5</c:f></c:numRef></c:val>"
    "</c:ser></c:barChart></c:plotArea></c:chart>";

std::string Rels(const std::vector<std::tuple<std::string, std::string, std::string>>& rels) {
  std::string s = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
  for (auto& [id, type, target] : rels)
    s += "<Relationship Id=\"" + id + "\" Type=\"" + type + "\" Target=\"" + target + "\"/>";
  return s + "</Relationships>";
}
std::string Off(const std::string& path) { return std::string(kRelNs) + path; }

// A package whose sheet's drawing names charts; `parts` replaces or removes (empty text) parts.
std::string Package(std::map<std::string, std::string> parts) {
  std::map<std::string, std::string> p = {
      {"[Content_Types].xml",
       "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"},
      {"_rels/.rels", Rels({{"rId1", Off("/officeDocument"), "xl/workbook.xml"}})},
      {"xl/workbook.xml", "<workbook/>"},
      {"xl/_rels/workbook.xml.rels", Rels({{"rId1", Off("/worksheet"), "worksheets/sheet1.xml"}})},
      {"xl/worksheets/sheet1.xml", "<worksheet/>"},
      {"xl/worksheets/_rels/sheet1.xml.rels", Rels({{"rId1", Off("/drawing"), "../drawings/drawing1.xml"}})},
      {"xl/drawings/drawing1.xml", "<xdr:wsDr/>"},
      {"xl/drawings/_rels/drawing1.xml.rels",
       Rels({{"rId1", Off("/chart"), "../charts/chart1.xml"}, {"rId2", Off("/image"), "../media/image1.png"},
             {"rId3", Off("/chart"), "../charts/chart3.xml"}})},
      {"xl/charts/chart1.xml", kChartSpace + "<c:userShapes r:id=\"rId3\"/></c:chartSpace>"},
      {"xl/charts/_rels/chart1.xml.rels",
       Rels({{"rId1", "http://schemas.microsoft.com/office/2011/relationships/chartStyle", "style1.xml"},
             {"rId2", "http://schemas.microsoft.com/office/2011/relationships/chartColorStyle", "colors1.xml"},
             {"rId3", Off("/chartUserShapes"), "../drawings/drawing2.xml"}})},
      {"xl/charts/style1.xml", "<cs:chartStyle xmlns:cs=\"http://schemas.microsoft.com/office/drawing/2012/chartStyle\"/>"},
      {"xl/charts/colors1.xml", "<cs:colorStyle xmlns:cs=\"http://schemas.microsoft.com/office/drawing/2012/chartStyle\"/>"},
      {"xl/drawings/drawing2.xml", "<c:userShapes xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\"/>"},
  };
  for (auto& [k, v] : parts) {
    if (v.empty()) p.erase(k);
    else p[k] = v;
  }
  ZipWriter z;
  for (auto& [k, v] : p) z.Deflated(k, v);
  return z.Bytes();
}

// The package opened with its sheet's drawing as the current drawing item, and a sheet drawing
// document over the workbook's graphic manager.
struct Env {
  TXLSBook book;
  TXLSMemoryStream bytes;
  TOPC_XLSX opc;
  TXPGDrawingDocBase drawing;
  std::vector<std::string> warnings;
  int userShapesRead = 0;
  bool userShapesFail = false;
  explicit Env(const std::string& package) : bytes(package) {
    opc.OpenRead(bytes, false);
    opc.ReadWorkbook();
    opc.OpenAndReadSheet(u"rId1");
    opc.OpenAndReadDrawing(u"rId1");
    book.Manager().GrManager().FXLSOPC = &opc;
    drawing.FGrManager = &book.Manager().GrManager();
    drawing.FKind = TXpgDrawingKind::SheetDrawing;
  }
  ~Env() { book.Manager().GrManager().FXLSOPC = nullptr; }
  std::unique_ptr<TXPGDocXLSXChart> Load(std::u16string_view id) {
    TXpgChartLoad load;
    load.Drawing = &drawing;
    load.Warning = [this](std::u16string_view w) { warnings.push_back(kws::Utf16ToUtf8(w)); };
    load.ReadUserShapes = [this](TXLSStream&) -> std::unique_ptr<TXPGDocBase> {
      ++userShapesRead;
      if (userShapesFail) throw std::runtime_error("bad user shapes");
      return std::make_unique<TXPGDrawingDocBase>();
    };
    return LoadChart(load, id);
  }
  int LiveRanges() {
    int n = 0;
    for (TXLSRelCells* rc : book.Manager().VirtualCells()) n += rc != nullptr;
    return n;
  }
};

TEST(ChartLoad, ChartWithStyleColoursAndUserShapes) {
  Env env(Package({}));
  auto chart = env.Load(u"rId1");
  ASSERT_NE(chart, nullptr);
  EXPECT_TRUE(env.warnings.empty());
  EXPECT_NE(chart->Style(), nullptr);
  EXPECT_NE(chart->Colors(), nullptr);
  EXPECT_EQ(env.userShapesRead, 1);
  EXPECT_NE(chart->ChartSpace()->Drawing(), nullptr);
  EXPECT_EQ(chart->FGrManager, env.drawing.FGrManager);
  EXPECT_EQ(chart->Budget(), env.drawing.Budget());  // one budget for the load
  EXPECT_EQ(env.LiveRanges(), 1);
  // Every item opened for the chart is closed again.
  TOPCItem* item = env.opc.FCurrDrawing->Find(u"rId1");
  EXPECT_EQ(item->State(), TOPCState::opcsClosed);
}

// What cannot be loaded: the chart is dropped with a warning naming it, its cell ranges leave the
// binding list, and the caller goes on.
TEST(ChartLoad, DamagedChartsAreDroppedWithAWarning) {
  struct Case {
    const char* what;
    std::map<std::string, std::string> parts;
    const char16_t* id;
    const char* warning;
  };
  const std::string truncated = kChartSpace.substr(0, kChartSpace.size() - 20);
  const Case cases[] = {
      {"missing relationship", {}, u"rId9", "Chart rId9 not read: the drawing has no such relationship"},
      {"relationship of another type", {}, u"rId2", "Chart rId2 not read: OPC Item is not of excpected type"},
      {"part missing from the package", {}, u"rId3", "Chart xl/charts/chart3.xml not read: "},
      {"malformed XML", {{"xl/charts/chart1.xml", truncated}}, u"rId1", "Chart xl/charts/chart1.xml not read: "},
      {"more end tags than start tags", {{"xl/charts/chart1.xml", kChartSpace + "</c:chartSpace></c:chartSpace></c:chartSpace>"}}, u"rId1",
       "Chart xl/charts/chart1.xml not read: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Env env(Package(c.parts));
    EXPECT_EQ(env.Load(c.id), nullptr);
    ASSERT_EQ(env.warnings.size(), 1u);
    EXPECT_EQ(env.warnings[0].rfind(c.warning, 0), 0u) << env.warnings[0];
    EXPECT_EQ(env.LiveRanges(), 0);
  }
}

TEST(ChartLoad, OverTheElementBudgetTheChartIsDropped) {
  Env env(Package({}));
  env.book.Manager().GrManager().DrawingBudget().SetLimit(5);  // the load's budget
  EXPECT_EQ(env.Load(u"rId1"), nullptr);
  ASSERT_EQ(env.warnings.size(), 1u);
  EXPECT_EQ(env.warnings[0], "Chart xl/charts/chart1.xml not read: Too many drawing elements");
  EXPECT_EQ(env.LiveRanges(), 0);
}

// A failing style, colour-style or user-shapes part is left out with a warning; the chart stays.
TEST(ChartLoad, FailingSidePartsAreLeftOut) {
  struct Case {
    const char* what;
    std::map<std::string, std::string> parts;
    bool userShapesFail;
    bool style, colors, drawing;
    const char* warning;
  };
  const std::string noUserShapesRel =
      Rels({{"rId1", "http://schemas.microsoft.com/office/2011/relationships/chartStyle", "style1.xml"}});
  const Case cases[] = {
      {"style part missing", {{"xl/charts/style1.xml", ""}}, false, false, true, true,
       "Chart style xl/charts/style1.xml not read: "},
      {"colour style malformed", {{"xl/charts/colors1.xml", "<cs:colorStyle"}}, false, true, false, true,
       "Chart colour style xl/charts/colors1.xml not read: "},
      {"user-shapes id the chart lacks", {{"xl/charts/_rels/chart1.xml.rels", noUserShapesRel}}, false, true, false,
       false, "User shapes of chart xl/charts/chart1.xml not read: the chart has no relationship rId3"},
      {"user-shapes part failing", {}, true, true, true, false,
       "User shapes of chart xl/charts/chart1.xml not read: bad user shapes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Env env(Package(c.parts));
    env.userShapesFail = c.userShapesFail;
    auto chart = env.Load(u"rId1");
    ASSERT_NE(chart, nullptr);
    EXPECT_EQ(chart->Style() != nullptr, c.style);
    EXPECT_EQ(chart->Colors() != nullptr, c.colors);
    EXPECT_EQ(chart->ChartSpace()->Drawing() != nullptr, c.drawing);
    ASSERT_EQ(env.warnings.size(), 1u);
    EXPECT_EQ(env.warnings[0].rfind(c.warning, 0), 0u) << env.warnings[0];
  }
}

// Charts load only for a sheet's drawing: a frame inside a user-shapes document naming its own
// chart would load it again without end.
TEST(ChartLoad, NeverInsideUserShapes) {
  Env env(Package({}));
  env.drawing.FKind = TXpgDrawingKind::UserShapes;
  EXPECT_EQ(env.Load(u"rId1"), nullptr);
  EXPECT_TRUE(env.warnings.empty());
  EXPECT_EQ(env.userShapesRead, 0);
}

}  // namespace
}  // namespace xls::xpgchart
