// The chart object layer and its properties: binding over built record trees (each message of
// the layer, the edge cases of its walk), the charts of the LibreOffice and Gnumeric fixtures,
// accessors over record bytes and the edits that change the tree.
#include "xls/biff/chartobjects.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/cfb.h"
#include "platform/textcodec.h"
#include "tests/xls/biff/chart_fixtures.h"
#include "xls/biff/biffformulahandler.h"
#include "xls/biff/biffreader.h"
#include "xls/biff/escherdrawing.h"
#include "xls/model/formatsettings.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlserrors.h"

namespace xls::biff {
namespace {

using namespace xls::biff::test;
using kws::test::Bof8Body;
using kws::test::Le16;
using kws::test::Le32;
using kws::test::LeF64;

std::string Z(size_t n) { return std::string(n, '\0'); }
// A BRAI: id, rt, flags 0, ifmt 0, cce and tokens.
std::string Brai(uint8_t id, uint8_t rt, const std::string& tokens = {}) {
  return R(0x1051, std::string{char(id), char(rt)} + Le16(0) + Le16(0) + Le16(uint16_t(tokens.size())) + tokens);
}
// ptgArea (reference class, absolute) over rows r1..r2, columns c1..c2 (0-based).
std::string Area(uint16_t r1, uint16_t r2, uint16_t c1, uint16_t c2) {
  return "\x25" + Le16(r1) + Le16(r2) + Le16(c1) + Le16(c2);
}
std::string DataFormat(uint16_t xi, const std::string& children) {
  return R(0x1006, Le16(xi) + Le16(0) + Le16(xi == 0xFFFF ? 0xFFFD : 0) + Le16(0)) + Begin + children + End;
}
const std::string Formats = R(0x105F, Le16(0)) + R(0x1007, Z(12)) + R(0x100A, Z(16)) + R(0x100B, Le16(0)) +
                            R(0x1009, Z(20));

// A chart sub-stream: one series (literal name "abc", values A2:A6, categories B2:B6), a default
// text, a label, the chart frame, a plot area with its axes and a chart format whose records are
// `style` (its chart type record first).
std::string ChartRun(const std::string& style = R(0x101A, Le16(0)), const std::string& afterChart = {}) {
  const std::string series =
      R(0x1003, Z(12)) + Begin + Brai(0, 1) + R(0x100D, Le16(0) + std::string("\x03\x00" "abc", 5)) + Brai(1, 2, Area(1, 5, 0, 0)) +
      Brai(2, 2, Area(1, 5, 1, 1)) + DataFormat(0xFFFF, Formats) +
      DataFormat(1, R(0x100B, Le16(5)) + R(0x100C, Le16(3))) + End;
  const std::string axes = R(0x101D, Le16(0) + Z(16)) + Begin + R(0x1020, Le16(1) + Le16(1) + Le16(1) + Le16(0)) +
                           R(0x101E, Z(30)) + End + R(0x101D, Le16(1) + Z(16)) + Begin + R(0x101F, Z(42)) +
                           R(0x101E, Z(30)) + End;
  return R(0x0809, Bof8Body(0x20)) + R(0x0012, Le16(0)) + R(0x1002, Z(16)) + Begin + R(0x1044, Le16(0) + "\x01\x00") +
         series + R(0x1024, Le16(2)) + R(0x1025, Z(32)) + Begin + R(0x1026, Le16(0)) + End + R(0x1025, Z(32)) +
         Begin + R(0x104F, Z(20)) + Brai(0, 1) + R(0x1027, Le16(4) + Le16(1) + Le16(2)) + End + R(0x1032, Le16(0) + Le16(3)) +
         Begin + R(0x1007, Z(12)) + R(0x100A, Z(16)) + End + R(0x1041, Z(18)) + Begin + axes +
         R(0x1014, Z(20)) + Begin + style + End + End + afterChart + End + Eof;
}

struct Bound {
  TFormulaHandler handler;
  std::unique_ptr<TChartRecordUpdate> root;
  TDrwCharts charts{nullptr, &handler, nullptr};
  std::string failure;
  explicit Bound(const std::string& run) : root(TreeOf(run)) { failure = charts.AddFromFile(nullptr, root.get()); }
  TDrwChart& chart() { return charts.Items(0); }
};

std::string ErrorOf(const std::function<void()>& f) { return ErrorText(f); }

TEST(ChartObjects_Bind, BindsSeriesLabelsTextsFrameAndPlotArea) {
  Bound b(ChartRun());
  ASSERT_EQ(b.failure, "");
  TDrwChart& c = b.chart();
  EXPECT_EQ(c.Name(), u"Chart 1");
  ASSERT_EQ(c.Series().size(), 1u);
  TXLSChartSerie& s = *c.Series()[0];
  EXPECT_EQ(s.SerieName(), u"\"abc\"");
  EXPECT_EQ(s.Values(), u"$A$2:$A$6");
  EXPECT_EQ(s.Category(), u"$B$2:$B$6");
  EXPECT_EQ(ErrorOf([&] { s.Values2(); }), "Property has no data");
  EXPECT_TRUE(s.DefDataPoint().Valid());
  ASSERT_EQ(s.DataPoints().size(), 1u);
  EXPECT_EQ(s.DataPoints()[0]->PieSliceDist(), 5);
  EXPECT_EQ(s.DataPoints()[0]->DataLablel(), 3);
  EXPECT_TRUE(c.DefaultTextA().Valid());
  EXPECT_FALSE(c.DefaultTextB().Valid());
  ASSERT_EQ(c.Labels().size(), 1u);
  EXPECT_EQ(c.Labels()[0]->SerieIndex(), 1);
  EXPECT_EQ(c.Labels()[0]->DataPointIndex(), 2);
  EXPECT_TRUE(c.Frame().LineFormat().Valid());
  EXPECT_TRUE(c.PlotArea().CategoryAxis().Scaling().Valid());
  EXPECT_TRUE(c.PlotArea().ValueAxis().Scaling().Valid());
  EXPECT_FALSE(c.PlotArea().SerieAxis().Valid());
  EXPECT_EQ(c.PlotArea().ChartType(), TXLSChartType::xctArea);
  EXPECT_EQ(c.EmptyCells(), TChartEmptyCells::cecZero);
}

TEST(ChartObjects_Bind, TreesOfUnexpectedShapeGetNoObjects) {
  const std::string bof = R(0x0809, Bof8Body(0x20));
  const struct {
    std::string run;
    const char* message;
  } cases[] = {
      {ChartRun(R(0x101A, Le16(0)), R(0x1024, Le16(2)) + R(0x1003, Z(12))), "Excpected Chart record missing: TEXT"},
      {ChartRun(R(0x101A, Le16(0)), R(0x1003, Z(12)) + Begin + R(0x1006, Le16(3) + Z(6)) + End),
       "DATAFORMAT has no child records"},
      {ChartRun(R(0x101A, Le16(0)), R(0x1041, Z(18)) + Begin + R(0x1014, Z(20)) + End), "Chart style record is missing"},
      {ChartRun(R(0x1234, Le16(0))), "Unknown chart style 1234"},
      {ChartRun(R(0x101A, Le16(0)), R(0x1041, Z(18)) + Begin + R(0x101D, Le16(3)) + End), "Unknown axis type 3"},
      {ChartRun(R(0x101A, Le16(0)), R(0x1032, Z(4)) + Begin + R(0x1066, Le16(0) + Le16(0xF00A) + Le32(0)) + End),
       "First MSO record in Gelframe is not OPT"},
  };
  for (const auto& c : cases) {
    Bound b(c.run);
    EXPECT_EQ(b.failure, c.message);
    EXPECT_EQ(b.charts.Count(), 0u);
  }
  Bound none(bof + Eof);
  EXPECT_EQ(none.charts.AddFromFile(nullptr, nullptr), "Can not find CHART record.");
}

TEST(ChartObjects_Bind, WalkEdgeCases) {
  // A root without BOF is bound to itself; DEFAULTTEXT 0 consumes its TEXT; a FONTX hides the
  // record after it; the later of two values BRAIs wins; the last AXISPARENT is the plot area.
  const std::string run = R(0x1024, Le16(0)) + R(0x1025, Z(32)) + R(0x1026, Le16(0)) + R(0x1003, Z(12)) +
                          R(0x1003, Z(12)) + Begin + Brai(1, 2, Area(0, 0, 0, 0)) + Brai(1, 2, Area(1, 1, 1, 1)) +
                          End + R(0x1041, Z(18)) + Begin + R(0x1014, Z(20)) + Begin + R(0x1018, Le16(0)) + End + End +
                          R(0x1041, Z(18)) + Begin + R(0x1014, Z(20)) + Begin + R(0x1019, Z(6)) + End + End;
  Bound b(run);
  ASSERT_EQ(b.failure, "");
  EXPECT_EQ(b.chart().Labels().size(), 0u);
  ASSERT_EQ(b.chart().Series().size(), 1u);
  EXPECT_EQ(b.chart().Series()[0]->Values(), u"$B$2:$B$2");
  EXPECT_EQ(b.chart().PlotArea().ChartType(), TXLSChartType::xctPie);
  EXPECT_EQ(b.chart().PlotArea().Rec(), b.root->Items(b.root->Count() - 1));
}

TEST(ChartObjects_Bind, GelframeMovesIntoThePropertyTableAndBack) {
  // OPT of two properties: fill type 7 and a complex 0x0186 with 4 bytes (a PNG blip's header).
  const std::string opt = Le16(0x0023) + Le16(0xF00B) + Le32(16) + Le16(0x0180) + Le32(7) + Le16(0xC186) + Le32(4) +
                          Le16(0x6E00) + Le16(0);
  Bound b(ChartRun(R(0x101A, Le16(0)), R(0x1032, Z(4)) + Begin + R(0x1066, opt.substr(0, 20)) + R(0x003C, opt.substr(20)) + End));
  ASSERT_EQ(b.failure, "");
  TPaintFrame& frame = b.chart().Frame();
  ASSERT_TRUE(frame.HasFillEffects());
  EXPECT_EQ(frame.FillEffects().Rec()->Length(), 0u);
  ASSERT_EQ(frame.FillEffects().Properties().Count(), 2u);
  EXPECT_EQ(frame.FillEffects().Properties().Item(0).Value, 7u);
  EXPECT_EQ(frame.FillEffects().PictureType(), TMSOBlipType::msoblipPNG);
  auto* update = dynamic_cast<TChartRecordUpdate*>(frame.FillEffects().Rec());
  ASSERT_TRUE(update && update->OnUpdate);
  update->OnUpdate(*update);
  const std::span<const uint8_t> body = update->Body();
  EXPECT_EQ(std::string(body.begin(), body.end()), opt);
}

// ---- the fixtures -----------------------------------------------------------------------------

std::filesystem::path ChartData(const char* name) {
  return FrameData("").parent_path().parent_path() / "xls-charts" / name;
}

// The objects of the chart shapes of a sheet's drawing, nested ones included, in file order.
std::vector<TShapeOutsideMsoChart*> ChartShapes(const TSheet& sheet) {
  std::vector<TShapeOutsideMsoChart*> out;
  sheet.EscherDrawing().ForEachShape([&](TShape& s, TShapeGroup&) {
    if (auto* c = dynamic_cast<TShapeOutsideMsoChart*>(s.FInterface.get())) out.push_back(c);
  });
  return out;
}

TEST(ChartObjects_Files, EveryChartOfTheFixturesGetsObjects) {
  RegisterBIFFReader();
  const auto dir = ChartData("");
  TXLSBook book{FormatSettings()};
  book.LoadFromFile(dir / "lo-charts.xls");
  auto* biff = dynamic_cast<TBIFF5*>(book.BIFF());
  ASSERT_TRUE(biff);
  const TSheet& sheet = *biff->GetSheet(1);
  const std::vector<TShapeOutsideMsoChart*> shapes = ChartShapes(sheet);
  ASSERT_EQ(shapes.size(), 11u);
  ASSERT_TRUE(sheet.FCharts);
  ASSERT_EQ(sheet.FCharts->Count(), 11u);
  const TXLSChartType types[] = {TXLSChartType::xctColumn, TXLSChartType::xctColumn, TXLSChartType::xctLine,
                                 TXLSChartType::xctPie,    TXLSChartType::xctPie,    TXLSChartType::xctArea,
                                 TXLSChartType::xctScatter, TXLSChartType::xctBubble, TXLSChartType::xctRadar,
                                 TXLSChartType::xctColumn, TXLSChartType::xctPie};
  for (size_t i = 0; i < 11; ++i) {
    TDrwChart& c = sheet.FCharts->Items(i);
    EXPECT_EQ(c.ChartShape(), shapes[i]) << i;
    EXPECT_EQ(c.Rec(), &shapes[i]->Records()) << i;
    EXPECT_EQ(c.PlotArea().ChartType(), types[i]) << i;
    EXPECT_EQ(c.PlotArea().Is3D(), i >= 9) << i;
  }
  EXPECT_EQ(sheet.FCharts->Items(1).Col1(), 9);  // J1:N10, as the dump's anchor
  EXPECT_EQ(sheet.FCharts->Items(1).Row2(), 9);
  // The line chart's gradient chart area: a GELFRAME whose table holds a gradient fill (type 7).
  TPaintFrame& area = sheet.FCharts->Items(2).Frame();
  ASSERT_TRUE(area.HasFillEffects());
  ASSERT_FALSE(area.FillEffects().Properties().Count() == 0);
  EXPECT_EQ(area.FillEffects().Properties().Item(0).Id & 0x3FFF, 0x0180);
  EXPECT_EQ(area.FillEffects().Properties().Item(0).Value, 7u);

  // The same file with the first chart's first axis typed 7: that chart keeps its tree without
  // objects, with warning 2003, and the others are read as before.
  {
    const std::string bytes = kws::test::ReadFileBytes(dir / "lo-charts.xls");
    auto cfb = kws::OpenCompoundData(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    const auto data = cfb.OpenStream(u"Workbook")->ReadAll();
    std::string stream(data.begin(), data.end());
    bool inChart = false;
    for (size_t p = 0; p + 4 <= stream.size();) {
      const uint16_t id = uint16_t(uint8_t(stream[p]) | uint8_t(stream[p + 1]) << 8);
      const size_t len = uint8_t(stream[p + 2]) | uint8_t(stream[p + 3]) << 8;
      if (id == 0x0809 && stream[p + 6] == 0x20) inChart = true;
      if (inChart && id == 0x101D) {
        stream[p + 4] = 7;
        break;
      }
      p += 4 + len;
    }
    Hub hub;
    TXLSErrorList warnings;
    hub.M().Errors()->SetErrorList(&warnings);
    TBIFF5 damaged(hub.M());
    RegisterBIFFReader();
    damaged.LoadFromStream(std::span<const uint8_t>(Compound(stream)));
    const TSheet& s = *damaged.GetSheet(1);
    ASSERT_TRUE(s.FCharts);
    const std::vector<TShapeOutsideMsoChart*> damagedShapes = ChartShapes(s);
    ASSERT_EQ(damagedShapes.size(), 11u);
    EXPECT_EQ(s.FCharts->Count(), 10u);
    EXPECT_EQ(s.FCharts->Items(0).ChartShape(), damagedShapes[1]);
    EXPECT_EQ(damagedShapes[0]->Failure(), "Chart kept without objects: Unknown axis type 7");
    EXPECT_EQ(damagedShapes[0]->Records().Items(0)->RecId(), 0x0809);  // the tree stays
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(kws::Utf16ToUtf8(warnings[0].Text),
              "W2003: Damaged record skipped: Embedded chart: Chart kept without objects: Unknown axis type 7");
  }

  TXLSBook gn{FormatSettings()};
  gn.LoadFromFile(dir / "gn-chartsheet.xls");
  auto* gbiff = dynamic_cast<TBIFF5*>(gn.BIFF());
  ASSERT_TRUE(gbiff);
  ASSERT_EQ(gbiff->SheetCharts().Count(), 1u);
  EXPECT_FALSE(gbiff->SheetCharts().Items(0).Raw());
  ASSERT_TRUE(gbiff->GetSheet(0)->FCharts);
  EXPECT_EQ(gbiff->GetSheet(0)->FCharts->Count(), 1u);
}

// One chart, not the load: an embedded chart the tree reader cannot take stays raw up to its EOF,
// one the object layer rejects keeps its tree without objects (the records as a drawing reader
// keeps them for the chart's shape); neither gets a chart item.
TEST(ChartObjects_Embedded, ChartsThatFailStayRawOrWithoutObjects) {
  TFormulaHandler handler;
  TDrwCharts charts(nullptr, &handler, nullptr);
  const auto shapeOf = [](const std::string& run) {
    TBaseRecordStorage list;
    for (size_t p = 0; p + 4 <= run.size();) {
      const uint16_t id = uint16_t(uint8_t(run[p]) | uint8_t(run[p + 1]) << 8);
      const uint16_t len = uint16_t(uint8_t(run[p + 2]) | uint8_t(run[p + 3]) << 8);
      list.AddRec(TBIFFHeader{id, len}, std::span(reinterpret_cast<const uint8_t*>(run.data()) + p + 4, len));
      p += 4 + len;
    }
    auto shape = std::make_unique<TShapeClientAnchor>();
    auto object = std::make_shared<TShapeOutsideMsoChart>();
    TListChartSource source(list);
    object->Read(source);
    shape->FInterface = object;
    return shape;
  };
  const auto objectOf = [](TShape& s) -> TShapeOutsideMsoChart& { return dynamic_cast<TShapeOutsideMsoChart&>(*s.FInterface); };
  auto raw = shapeOf(R(0x0809, Bof8Body(0x20)) + Begin + Begin + R(0x1002, "c") + Eof);
  EXPECT_EQ(charts.AddFromFile(*raw), "Chart kept raw: Chart BEGIN record without a record before it");
  EXPECT_TRUE(objectOf(*raw).Raw());
  EXPECT_EQ(Shape(objectOf(*raw).Records()), "FFFA(0809 1033 1033 1002 000A)");
  auto rejected = shapeOf(ChartRun(R(0x101A, Le16(0)), R(0x1041, Z(18)) + Begin + R(0x101D, Le16(7)) + End));
  EXPECT_EQ(charts.AddFromFile(*rejected), "Chart kept without objects: Unknown axis type 7");
  EXPECT_FALSE(objectOf(*rejected).Raw());
  EXPECT_EQ(objectOf(*rejected).Records().Items(2)->RecId(), 0x1002);
  auto good = shapeOf(ChartRun());
  good->FAnchor.FCol1 = 5;
  EXPECT_EQ(charts.AddFromFile(*good), "");
  ASSERT_EQ(charts.Count(), 1u);
  EXPECT_EQ(charts.Items(0).Shape(), good.get());
  EXPECT_EQ(charts.Items(0).ChartShape(), &objectOf(*good));
  EXPECT_EQ(charts.Items(0).Name(), u"Chart 2");  // the rejected chart had taken id 1
  EXPECT_EQ(charts.Items(0).Col1(), 5);
}

// The LibreOffice fixture's chart sheet ("Charts", eleven embedded charts), read through the
// component.
class ChartObjects_New : public ::testing::Test {
 protected:
  static FormatSettings Settings() {
    RegisterBIFFReader();  // before the book is made
    return FormatSettings();
  }
  void SetUp() override {
    book.LoadFromFile(ChartData("lo-charts.xls"));
    biff = dynamic_cast<TBIFF5*>(book.BIFF());
    ASSERT_TRUE(biff);
  }
  TXLSBook book{Settings()};
  TBIFF5* biff = nullptr;
  TSheet& Sheet() { return *biff->GetSheet(1); }
};

// A new chart on a sheet read from a file: a chart shape appended to the sheet's drawing (host
// control, anchored C2:I17, the listed properties, an OBJ of object type 5 with the next object
// id), whose object has the workbook's picture store and fonts and a tree that is an empty root,
// and a chart item bound to that root: no series and no chart type yet.
TEST_F(ChartObjects_New, AddMakesAChartShapeWithAnEmptyTree) {
  TSheet& sheet = Sheet();
  TEscherDrawing& drawing = sheet.EscherDrawing();
  const size_t shapes = drawing.ShapeCount();
  const int32_t maxObjId = drawing.MaxObjId();
  const uint32_t nextSpId = drawing.DG().CurSpId;
  const size_t firstSeries = SummarizeChart(*sheet.Charts().Items(0).Rec()).SeriesCount;

  TDrwChart& c = sheet.Charts().Add();
  EXPECT_EQ(sheet.Charts().Count(), 12u);
  EXPECT_EQ(c.Name(), u"Chart 12");
  ASSERT_EQ(drawing.ShapeCount(), shapes + 1);
  TShapeClientAnchor* s = c.Shape();
  ASSERT_EQ(s, drawing.Group().Items(shapes));
  EXPECT_EQ(s->ShapeType(), 201);
  EXPECT_EQ(s->SpId(), nextSpId + 1);  // the file's DG names the last id given out
  EXPECT_EQ(s->FOptions, 0x0A00u);
  EXPECT_EQ((std::array{c.Col1(), c.Row1(), c.Col2(), c.Row2()}), (std::array{2, 1, 8, 16}));
  EXPECT_EQ(s->ObjType(), 5);
  EXPECT_EQ(s->ObjId(), maxObjId + 1);
  const std::pair<uint16_t, uint32_t> props[] = {{0x007F, 0x01040104}, {0x00BF, 0x00080008}, {0x0181, 0x0800004E},
                                                 {0x0183, 0x0800004D}, {0x01BF, 0x00100010}, {0x01C0, 0x0800004D},
                                                 {0x01FF, 0x00100010}, {0x023F, 0x00020000}};
  EXPECT_EQ(s->FOPT.Count(), std::size(props));
  for (const auto& [id, value] : props) EXPECT_EQ(s->FOPT.FindValue(id), int64_t(value)) << id;

  TShapeOutsideMsoChart* object = c.ChartShape();
  ASSERT_TRUE(object);
  EXPECT_EQ(object->DrawingGroup(), &biff->MSOPictures());
  EXPECT_EQ(object->Fonts(), &biff->Fonts());
  EXPECT_EQ(object->Drawing(), nullptr);
  EXPECT_EQ(Shape(object->Records()), "FFFA");
  EXPECT_EQ(c.Rec(), &object->Records());
  EXPECT_EQ(c.Series().size(), 0u);
  const TChartSummary summary = SummarizeChart(object->Records());
  EXPECT_EQ(summary.Type, "");
  EXPECT_EQ(summary.SeriesCount, 0u);
  EXPECT_EQ(ErrorOf([&] { c.PlotArea().ChartType(); }), "Property has no data.");
  // The charts read from the file are untouched.
  EXPECT_EQ(SummarizeChart(*sheet.Charts().Items(0).Rec()).SeriesCount, firstSeries);
  // No shape id of the drawing is taken twice.
  for (size_t i = 0; i < shapes; ++i) EXPECT_NE(drawing.Group().Items(i)->SpId(), s->SpId()) << i;
}

// Fill effects need the chart's own drawing: a chart read without one gets a drawing of the
// workbook's picture store with a cluster of its own, and its drawing record after PROTECT; a
// second fill effect adds neither again. A tree without PROTECT fails before anything is made.
TEST_F(ChartObjects_New, FillEffectsGiveAChartWithoutADrawingItsDrawing) {
  TSheet& sheet = Sheet();
  TDrwChart& c = sheet.Charts().Items(0);
  TShapeOutsideMsoChart& object = *c.ChartShape();
  ASSERT_EQ(object.Drawing(), nullptr);
  ASSERT_EQ(object.Records().FindRecord(0x00EC), -1);
  const int32_t protect = object.Records().FindRecord(0x0012);
  ASSERT_GE(protect, 0);
  const size_t clusters = biff->MSOPictures().FDGG.FItems.size();

  ASSERT_FALSE(c.Frame().HasFillEffects());
  c.Frame().SetHasFillEffects(true);
  ASSERT_TRUE(object.Drawing());
  EXPECT_EQ(object.Drawing()->EscherGroup(), &biff->MSOPictures());
  EXPECT_NE(object.Drawing()->DgId(), 0);
  EXPECT_NE(object.Drawing()->DgId(), sheet.EscherDrawing().DgId());
  EXPECT_EQ(biff->MSOPictures().FDGG.FItems.size(), clusters + 1);
  EXPECT_EQ(object.Records().Items(size_t(protect) + 1)->RecId(), 0x00EC);
  EXPECT_EQ(object.Records().Items(size_t(protect) + 1)->Length(), 0u);

  TEscherDrawing* made = object.Drawing();
  c.Frame().SetHasFillEffects(false);
  c.Frame().SetHasFillEffects(true);
  EXPECT_TRUE(c.Frame().HasFillEffects());
  EXPECT_EQ(object.Drawing(), made);
  EXPECT_EQ(biff->MSOPictures().FDGG.FItems.size(), clusters + 1);
  size_t records = 0;
  for (size_t i = 0; i < object.Records().Count(); ++i) records += object.Records().Items(i)->RecId() == 0x00EC;
  EXPECT_EQ(records, 1u);

  // A new chart's empty tree has no PROTECT: no drawing is made for it.
  TDrwChart& fresh = sheet.Charts().Add();
  TChartRecord* frame = fresh.Rec()->InsertRecord(-1, 0x1032, 4, false);
  fresh.Frame().SetRecord(frame);
  EXPECT_EQ(ErrorOf([&] { fresh.Frame().SetHasFillEffects(true); }), "Can not find insertion point for MSODRAWING");
  EXPECT_EQ(fresh.ChartShape()->Drawing(), nullptr);
}

// ---- properties and edits ---------------------------------------------------------------------

TEST(ChartProperties_Access, ColoursScalingAnd3D) {
  Bound b(ChartRun(R(0x101A, Le16(0)) + R(0x103A, Z(14))));
  ASSERT_EQ(b.failure, "");
  TLineFormat& line = b.chart().Frame().LineFormat();
  line.Rec()->Bytes()[10] = 65;
  EXPECT_EQ(line.LineColor(), TXc12IndexColor::xcAutomatic);
  line.SetLineColor(TXc12IndexColor::xcRed);
  EXPECT_EQ(line.LineColor(), TXc12IndexColor::xcRed);
  EXPECT_EQ(std::string(line.Rec()->Body().begin(), line.Rec()->Body().begin() + 4), std::string("\xFF\0\0\0", 4));

  TValueAxisScaling& v = b.chart().PlotArea().ValueAxis().Scaling();
  v.SetMinValue(0);
  EXPECT_EQ(v.Options() & 1, 1);
  v.SetMinValue(1.5);
  EXPECT_EQ(v.Options() & 1, 0);
  EXPECT_EQ(v.MinValue(), 1.5);

  TChart3D& d3 = b.chart().PlotArea().ChartStyle()->Chart3D();
  d3.SetElevation(-30);
  EXPECT_EQ(d3.Elevation(), -30);
  EXPECT_EQ(ErrorOf([&] { d3.SetElevation(91); }), "Invalid value");
  EXPECT_EQ(ErrorOf([&] { b.chart().PlotArea().CategoryAxis().Scaling().SetCrossingPoint(0); }), "Value out of range");
  // Accessors without their record raise instead of reading through it.
  b.chart().PlotArea().SetIs3D(false);
  EXPECT_FALSE(b.chart().PlotArea().Is3D());
  EXPECT_EQ(ErrorOf([&] { d3.Rotation(); }), "Property has no data.");
  EXPECT_EQ(ErrorOf([&] { b.chart().PlotArea().SerieAxis().Tick().MajorTick(); }), "Property has no data.");
  EXPECT_EQ(ErrorOf([&] { b.chart().PlotArea().ChartStyle()->Legend().Vertical(); }), "Property has no data.");
}

TEST(ChartProperties_Series, NamesValuesAndDefaultDataPoint) {
  Bound b(ChartRun());
  TXLSChartSerie& s = *b.chart().Series()[0];
  s.SetSerieName(u"\"Totals\"");
  EXPECT_EQ(s.SerieName(), u"\"Totals\"");
  // A literal name needs a SERIESTEXT after the name BRAI: inserted, the values stay on their BRAI.
  TChartRecord& series = *s.Rec();
  series.Delete(1);
  s.SetRecord(&series);
  s.SetSerieName(u"\"x\"");
  EXPECT_EQ(series.Items(1)->RecId(), 0x100D);
  EXPECT_EQ(s.Values(), u"$A$2:$A$6");
  // Names over 255 characters are cut (the count is 8 bits).
  s.SetSerieName(u"\"" + std::u16string(300, u'n') + u"\"");
  EXPECT_EQ(s.SerieName().size(), 257u);
  // New values: the tokens and the value count of SERIES.
  s.SetValues(u"$C$1:$D$4");
  EXPECT_EQ(s.Values(), u"$C$1:$D$4");
  EXPECT_EQ(series.Body()[6], 8);
  // Switching the default data point off removes its DATAFORMAT.
  EXPECT_TRUE(s.HasDefDataPoint());
  s.SetHasDefDataPoint(false);
  EXPECT_FALSE(s.DefDataPoint().Valid());
  EXPECT_EQ(Shape(series).find("1006(105F"), std::string::npos);
  EXPECT_EQ(ErrorOf([&] { s.HasDefDataPoint(); }), "Property has no data.");
}

TEST(ChartProperties_Edit, ChartTypeLegendFrameAndLabels) {
  Bound b(ChartRun());
  TChartPlotArea& plot = b.chart().PlotArea();
  EXPECT_EQ(ErrorOf([&] { plot.SetIs3D(true); }), "Invalid record");  // the style has its type record only
  plot.SetChartType(TXLSChartType::xctColumn);
  auto* bar = dynamic_cast<TChartStyleBarColumn*>(plot.ChartStyle());
  ASSERT_TRUE(bar);
  EXPECT_FALSE(bar->IsBar());
  EXPECT_EQ(plot.ChartType(), TXLSChartType::xctColumn);
  EXPECT_EQ(Shape(*bar->Rec()), "1014(1017 1022 1015(104F 1025(104F 1051)))");
  EXPECT_EQ(ErrorOf([&] { plot.SetChartType(TXLSChartType::xctNone); }), "Invalid chart type");
  // 3-D on: CHART3D after the chart type record, here after its CHARTFORMATLINK.
  plot.SetIs3D(true);
  EXPECT_EQ(plot.ChartStyle()->Rec()->Items(2)->RecId(), 0x103A);
  EXPECT_EQ(plot.ChartStyle()->Chart3D().Rotation(), 20);
  plot.SetIs3D(false);

  // A new legend gets the legend table below it; its frame comes and goes.
  plot.SetHasLegend(false);
  EXPECT_FALSE(plot.HasLegend());
  plot.SetHasLegend(true);
  TChartLegend& legend = plot.ChartStyle()->Legend();
  EXPECT_EQ(Shape(*legend.Rec()), "1015(104F 1025(104F 1051))");
  legend.SetHasFrame(true);
  EXPECT_EQ(Shape(*legend.Rec()), "1015(104F 1025(104F 1051) 1032(1007 100A))");
  legend.SetHasFrame(false);
  EXPECT_EQ(legend.Rec()->FindRecord(0x1032), -1);

  // The style's default data point comes with its formats and goes with them.
  plot.ChartStyle()->SetHasDefDataPoint(true);
  EXPECT_EQ(Shape(*plot.ChartStyle()->DefDatapoint().Rec()), "1006(105F 1007 100A 100B 1009)");
  plot.ChartStyle()->SetHasDefDataPoint(false);
  EXPECT_EQ(plot.ChartStyle()->Rec()->FindRecord(0x1006), -1);

  TChartLabel& label = *b.chart().Labels()[0];
  label.SetText(u"Title");
  EXPECT_EQ(label.Text(), u"Title");
  label.SetText(u"");
  EXPECT_EQ(label.Text(), u"");
  EXPECT_EQ(label.Rec()->Body()[24] & 0x10, 0x10);
  EXPECT_EQ(ErrorOf([&] { label.SetRotation(400); }), "Invalid rotation.");

  // Fill effects: the defaults, and a drawing record after PROTECT for the chart.
  b.chart().Frame().SetHasFillEffects(true);
  EXPECT_EQ(b.chart().Frame().FillEffects().Properties().Count(), 30u);
  EXPECT_EQ(b.root->Items(2)->RecId(), 0x00EC);
}

}  // namespace
}  // namespace xls::biff
