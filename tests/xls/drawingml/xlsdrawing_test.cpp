// Drawing parts through the package reader into each sheet's drawing document, and the sheet's
// drawing layer over them: pictures bound to the image store, the objects sorted after the load,
// positions, picture insertion and sizes, and drawing parts that cannot be read.
#include "xls/drawingml/xlsdrawing.h"
#include "xls/drawingml/xlsdrawingchart.h"
#include "xls/drawingml/xlsdrawingeditors.h"
#include "xls/drawingml/xpgchartseries.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/textcodec.h"
#include "tests/support/tempdir.h"
#include "tests/xls/xlsxreader/readxlsx_fixtures.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsrowscols.h"
#include "xls/model/xlsstylesheet.h"
#include "xls/model/xlsworksheetdata.h"
#include "xls/package/xlsstream.h"
#include "xls/package/xpgreadxml.h"
#include "xls/xlsxreader/xlsreadxlsx.h"

namespace {

using kws::test::AsSpan;
using kws::test::TPackageBuilder;
using kws::test::WorksheetXml;
using namespace xls;
using namespace xls::xpgdml;
using namespace xls::xpgdml::xdr;

constexpr const char* kXdr =
    "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\""
    " xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\""
    " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">";

std::string Marker(const char* name, int col, int colOff, int row, int rowOff) {
  return std::string("<xdr:") + name + "><xdr:col>" + std::to_string(col) + "</xdr:col><xdr:colOff>" +
         std::to_string(colOff) + "</xdr:colOff><xdr:row>" + std::to_string(row) + "</xdr:row><xdr:rowOff>" +
         std::to_string(rowOff) + "</xdr:rowOff></xdr:" + name + ">";
}

std::string TwoCell(const std::string& object, const std::string& attrs = "") {
  return "<xdr:twoCellAnchor" + attrs + ">" + Marker("from", 1, 0, 2, 0) + Marker("to", 4, 0, 9, 0) + object +
         "<xdr:clientData/></xdr:twoCellAnchor>";
}

std::string Pic(int id, const std::string& embed) {
  return "<xdr:pic><xdr:nvPicPr><xdr:cNvPr id=\"" + std::to_string(id) + "\" name=\"Picture " +
         std::to_string(id) + "\"/><xdr:cNvPicPr/></xdr:nvPicPr><xdr:blipFill><a:blip r:embed=\"" + embed +
         "\"/><a:stretch><a:fillRect/></a:stretch></xdr:blipFill><xdr:spPr><a:prstGeom prst=\"rect\"/></xdr:spPr>"
         "</xdr:pic>";
}

std::string Sp(int id, const std::string& cNvSpPr, const std::string& geometry) {
  return "<xdr:sp><xdr:nvSpPr><xdr:cNvPr id=\"" + std::to_string(id) + "\" name=\"S\"/>" + cNvSpPr +
         "</xdr:nvSpPr><xdr:spPr>" + geometry + "</xdr:spPr></xdr:sp>";
}

// A PNG header of the given size (enough for the image store to take it).
std::string Png(uint32_t w, uint32_t h) {
  std::string s = "\x89PNG\r\n\x1a\n";
  s += std::string("\0\0\0\x0d", 4) + "IHDR";
  for (uint32_t v : {w, h})
    for (int sh = 24; sh >= 0; sh -= 8) s += char((v >> sh) & 0xFF);
  s += std::string("\x08\x06\0\0\0", 5) + std::string(4, '\0');
  return s;
}

class DrawingLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterXLSXReader();
    RegisterDrawings();
    book = std::make_unique<TXLSBook>();
    book->Errors().SetIgnoreXMLWarnings(false);
    book->Errors().SetSaveToList(true);
    book->Manager().StyleSheet().OnPixelsPerInch = [](int& x, int& y) { x = y = 96; };
  }
  // One sheet "S" (a cell A1) whose drawing part is `drawing` (none when empty), with a picture.
  // `drawingRels` adds relationships to the drawing's, `parts` adds parts.
  void Load(const std::string& drawing, bool withPart = true, const std::string& type = "worksheet",
            const std::string& drawingRels = "", const std::vector<std::pair<std::string, std::string>>& parts = {}) {
    const std::string rel = kws::test::kRelNs;
    TPackageBuilder b;
    const std::string rels =
        "<Relationship Id=\"rIdD\" Type=\"" + rel + "/drawing\" Target=\"../drawings/drawing1.xml\"/>";
    if (type == "chartsheet")
      b.Sheet("C",
              "<chartsheet xmlns=\"" + std::string(kws::test::kMainNs) + "\" xmlns:r=\"" + rel +
                  "\"><sheetViews><sheetView workbookViewId=\"0\"/></sheetViews><drawing r:id=\"rIdD\"/></chartsheet>",
              "chartsheet", rels);
    else
      b.Sheet("S",
              WorksheetXml("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>still here</t></is></c></row>",
                           "<drawing r:id=\"rIdD\"/>"),
              "worksheet", rels);
    if (withPart) b.Part("xl/drawings/drawing1.xml", drawing);
    b.Part("xl/drawings/_rels/drawing1.xml.rels",
           "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
           "<Relationship Id=\"rIdP\" Type=\"" +
               rel + "/image\" Target=\"../media/image1.png\"/>" + drawingRels + "</Relationships>");
    b.Part("xl/media/image1.png", Png(40, 20));
    for (const auto& [name, xml] : parts) b.Part(name, xml);
    bytes = b.Bytes();
    book->LoadFromBytes(AsSpan(bytes));
  }
  TXLSDrawing* Layer() { return dynamic_cast<TXLSDrawing*>(book->Items(0)->Drawing()); }
  TCT_Drawing* Tree() {
    auto* doc = dynamic_cast<TXLSSheetDrawingDocument*>(book->Items(0)->Xc12Sheet().Drawing());
    return doc ? doc->WsDr() : nullptr;
  }
  bool Warned(std::u16string_view part) {
    for (const auto& w : kws::test::WarningTexts(*book))
      if (w.find(part) != std::u16string::npos) return true;
    return false;
  }
  std::unique_ptr<TXLSBook> book;
  std::string bytes;
};

TEST_F(DrawingLoad, PicturesBindAndObjectsAreSorted) {
  Load(std::string(kXdr) + TwoCell(Pic(2, "rIdP"), " editAs=\"oneCell\"") +
       TwoCell(Sp(3, "<xdr:cNvSpPr txBox=\"1\"/>", "<a:prstGeom prst=\"rect\"/>")) +
       TwoCell(Sp(4, "<xdr:cNvSpPr/>", "<a:prstGeom prst=\"ellipse\"/>")) +
       TwoCell(Sp(5, "<xdr:cNvSpPr/>", "<a:custGeom/>")) +
       TwoCell("<xdr:cxnSp><xdr:nvCxnSpPr><xdr:cNvPr id=\"5000\" name=\"C\"/><xdr:cNvCxnSpPr/></xdr:nvCxnSpPr>"
               "</xdr:cxnSp>") +
       TwoCell("<xdr:grpSp><xdr:nvGrpSpPr><xdr:cNvPr id=\"1500\" name=\"G\"/><xdr:cNvGrpSpPr/></xdr:nvGrpSpPr>"
               "</xdr:grpSp>") +
       TwoCell(Pic(6, "rIdNone")) + TwoCell("<xdr:pic><xdr:nvPicPr/></xdr:pic>") +
       "<xdr:absoluteAnchor><xdr:pos x=\"0\" y=\"0\"/><xdr:ext cx=\"1\" cy=\"1\"/>" + Sp(1700, "", "") +
       "<xdr:clientData/></xdr:absoluteAnchor></xdr:wsDr>");
  EXPECT_EQ(book->Items(0)->GetAsString(0, 0), u"still here");
  TXLSDrawing* d = Layer();
  ASSERT_NE(d, nullptr);
  // Pictures with a blip are images (bound or not); the one without a blip fill is none.
  ASSERT_EQ(d->Images().Count(), 2);
  TXLSDrawingImage* img = d->Images().Items(0);
  EXPECT_EQ(img->ImageType(), TXc12ImageType::x12itPNG);
  EXPECT_EQ(img->ImageTypeStr(), u"png");
  EXPECT_EQ(img->UniqueName(), u"Image001.png");
  EXPECT_EQ(img->Positioning(), TDrwOptImagePositioning::doipMoveButDoNotSize);
  EXPECT_EQ(d->Images().Items(1)->Image(), nullptr);
  EXPECT_EQ(d->Images().Items(1)->ImageTypeStr(), u"");
  ASSERT_EQ(d->TextBoxes().Count(), 1);
  ASSERT_EQ(d->Shapes().Count(), 1);
  EXPECT_EQ(d->Shapes().Items(0)->ShapeType(), ststEllipse);
  // Group shapes and absolute anchors count for the highest id, connectors do not.
  EXPECT_EQ(d->MaxShapeId(), 1700);
  EXPECT_EQ(img->Col1(), 1);
  EXPECT_EQ(img->Row2(), 9);
}

// A text box reads and writes its shape's text; a one-cell shape whose body properties hold a
// 3-D scene is word art, one without is nothing.
TEST_F(DrawingLoad, TextBoxTextAndWordArt) {
  const std::string body = "<xdr:txBody><a:bodyPr/><a:p><a:r><a:t>ab</a:t></a:r><a:br/><a:r><a:t>c</a:t></a:r></a:p>"
                           "<a:p><a:r><a:t>d</a:t></a:r></a:p></xdr:txBody>";
  const std::string art = "<xdr:sp><xdr:nvSpPr><xdr:cNvPr id=\"9\" name=\"W\"/><xdr:cNvSpPr/></xdr:nvSpPr><xdr:spPr/>"
                          "<xdr:txBody><a:bodyPr><a:scene3d><a:camera prst=\"orthographicFront\"/><a:lightRig "
                          "rig=\"threePt\" dir=\"t\"/></a:scene3d></a:bodyPr><a:p/></xdr:txBody></xdr:sp>";
  Load(std::string(kXdr) + TwoCell("<xdr:sp><xdr:nvSpPr><xdr:cNvPr id=\"3\" name=\"T\"/><xdr:cNvSpPr txBox=\"1\"/>"
                                   "</xdr:nvSpPr><xdr:spPr/>" + body + "</xdr:sp>") +
       "<xdr:oneCellAnchor>" + Marker("from", 0, 0, 0, 0) + "<xdr:ext cx=\"1\" cy=\"1\"/>" + art +
       "<xdr:clientData/></xdr:oneCellAnchor><xdr:oneCellAnchor>" + Marker("from", 0, 0, 0, 0) +
       "<xdr:ext cx=\"1\" cy=\"1\"/>" + Sp(10, "<xdr:cNvSpPr/>", "") + "<xdr:clientData/></xdr:oneCellAnchor></xdr:wsDr>");
  TXLSDrawing* d = Layer();
  ASSERT_EQ(d->TextBoxes().Count(), 1);
  EXPECT_EQ(d->TextBoxes().Items(0)->PlainText(), u"ab\rc\rd");
  d->TextBoxes().Items(0)->SetPlainText(u"new");
  EXPECT_EQ(d->TextBoxes().Items(0)->PlainText(), u"new");
  ASSERT_EQ(d->WordArts().Count(), 1);
  EXPECT_EQ(d->WordArts().Items(0)->OneCellAnchor()->EG_ObjectChoices()->Sp()->NvSpPr()->CNvPr()->Id(), 9);
  EXPECT_EQ(d->MaxShapeId(), 1000);
}

// A graphic frame naming a chart part.
std::string Frame(int id, const std::string& rid) {
  return "<xdr:graphicFrame macro=\"\"><xdr:nvGraphicFramePr><xdr:cNvPr id=\"" + std::to_string(id) +
         "\" name=\"Chart\"/><xdr:cNvGraphicFramePr/></xdr:nvGraphicFramePr><xdr:xfrm><a:off x=\"0\" y=\"0\"/>"
         "<a:ext cx=\"0\" cy=\"0\"/></xdr:xfrm><a:graphic><a:graphicData "
         "uri=\"http://schemas.openxmlformats.org/drawingml/2006/chart\"><c:chart "
         "xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" r:id=\"" + rid +
         "\"/></a:graphicData></a:graphic></xdr:graphicFrame>";
}

// Charts: every two-cell anchor whose graphic frame holds a loaded chart becomes a chart object
// over the chart document's chart space, in anchor order; a dropped chart, a frame of another
// graphic, a chart in a one-cell or absolute anchor give none, and frame ids never count for the
// highest shape id.
TEST_F(DrawingLoad, ChartsOfTwoCellFramesBecomeChartObjects) {
  const std::string rel = kws::test::kRelNs;
  auto chartRel = [&](const char* id, const char* target) {
    return "<Relationship Id=\"" + std::string(id) + "\" Type=\"" + rel + "/chart\" Target=\"" + target + "\"/>";
  };
  const std::string c = "xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\"";
  const std::string bar = "<c:chartSpace " + c + "><c:chart><c:plotArea><c:barChart><c:ser><c:cat><c:strRef>"
                          "<c:f>S!$A$1:$A$2</c:f></c:strRef></c:cat><c:val><c:numRef><c:f>S!$B$1:$B$2</c:f>"
                          "</c:numRef></c:val></c:ser></c:barChart></c:plotArea></c:chart></c:chartSpace>";
  Load(std::string(kXdr) + TwoCell(Sp(3, "<xdr:cNvSpPr txBox=\"1\"/>", "")) + TwoCell(Frame(5000, "rIdC1")) +
           TwoCell(Frame(5001, "rIdMissing")) + TwoCell(Frame(5002, "rIdC2")) +
           TwoCell("<xdr:graphicFrame><a:graphic><a:graphicData uri=\"x\"/></a:graphic></xdr:graphicFrame>") +
           "<xdr:oneCellAnchor>" + Marker("from", 0, 0, 0, 0) + "<xdr:ext cx=\"1\" cy=\"1\"/>" + Frame(5003, "rIdC3") +
           "<xdr:clientData/></xdr:oneCellAnchor><xdr:absoluteAnchor><xdr:pos x=\"0\" y=\"0\"/>"
           "<xdr:ext cx=\"1\" cy=\"1\"/>" + Frame(5004, "rIdC4") + "<xdr:clientData/></xdr:absoluteAnchor></xdr:wsDr>",
       true, "worksheet",
       chartRel("rIdC1", "../charts/chart1.xml") + chartRel("rIdC2", "../charts/chart2.xml") +
           chartRel("rIdC3", "../charts/chart1.xml") + chartRel("rIdC4", "../charts/chart1.xml"),
       {{"xl/charts/chart1.xml", bar}, {"xl/charts/chart2.xml", "<c:chart " + c + "/>"}});
  EXPECT_EQ(book->Items(0)->GetAsString(0, 0), u"still here");
  TXLSDrawing* d = Layer();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->TextBoxes().Count(), 1);
  EXPECT_EQ(d->Shapes().Count(), 0);
  ASSERT_EQ(d->Charts().Count(), 2);
  EXPECT_EQ(d->Charts().Owner(), d);
  const auto& anchors = *Tree()->EG_Anchor()->TwoCellAnchorXpgList();
  TXLSDrawingChart* first = d->Charts().Items(0);
  EXPECT_EQ(first->Owner(), d);
  EXPECT_EQ(first->Anchor(), anchors.GetItems(1));
  EXPECT_EQ(first->ChartSpace(),
            anchors.GetItems(1)->EG_ObjectChoices()->GraphicFrame()->A_Graphic()->A_GraphicData()->Chart()->ChartSpace());
  EXPECT_EQ(first->Col1(), 1);
  EXPECT_EQ(first->Row2(), 9);
  // The chart's references are bound once the load has ended.
  ASSERT_NE(first->ChartSpace(), nullptr);
  TXLSDrawingEditorChart editor(first->ChartSpace()->Chart());
  EXPECT_EQ(editor.Values(), u"S!$B$1:$B$2");
  EXPECT_EQ(editor.Categories(), u"S!$A$1:$A$2");
  // A part whose document element is c:chart: a chart object without a chart space.
  EXPECT_EQ(d->Charts().Items(1)->Anchor(), anchors.GetItems(3));
  EXPECT_EQ(d->Charts().Items(1)->ChartSpace(), nullptr);
  EXPECT_TRUE(Warned(u"rIdMissing"));
  // The one-cell and absolute anchors' charts were loaded, yet give no chart object.
  EXPECT_TRUE(Tree()->EG_Anchor()->OneCellAnchorXpgList()->GetItems(0)->EG_ObjectChoices()->GraphicFrame()->IsChart());
  EXPECT_TRUE(Tree()->EG_Anchor()->AbsoluteAnchorXpgList()->GetItems(0)->EG_ObjectChoices()->GraphicFrame()->IsChart());
  EXPECT_EQ(d->MaxShapeId(), 1000);
}

// The chart fixtures of three writers loaded whole: each worksheet's chart objects (anchor cells
// and title, through the chart space) against openpyxl's reading of the sheet's two-cell charts
// (tests/data/xlsx/chart-objects.expected, made by make_chart_objects_expected.py); openpyxl's
// one-cell charts give none.
TEST_F(DrawingLoad, ChartObjectsOfRealFilesAgreeWithOpenpyxl) {
  const char* root = std::getenv("KWS_SOURCE_DIR");
  const std::filesystem::path dir = std::filesystem::path(root ? root : ".") / "tests/data/xlsx";
  std::ifstream in(dir / "chart-objects.expected");
  ASSERT_TRUE(in);
  std::map<std::string, std::vector<std::string>> want;
  int skipped = 0;
  for (std::string l; std::getline(in, l);) {
    const size_t f0 = l.find('\t') + 1, f1 = l.find('\t', f0);
    if (l.starts_with("skipped\t")) ++skipped;
    else want[l.substr(f0, f1 - f0)].push_back(l);
  }
  EXPECT_GT(skipped, 0);
  for (const char* file : {"xlsxwriter-charts.xlsx", "openpyxl-charts.xlsx", "libreoffice-charts2.xlsx"}) {
    SCOPED_TRACE(file);
    bytes = kws::test::ReadFileBytes(dir / file);
    book->LoadFromBytes(AsSpan(bytes));
    std::vector<std::string> got;
    for (size_t i = 0; i < book->Count(); ++i) {
      auto* d = dynamic_cast<TXLSDrawing*>(book->Items(i)->Drawing());
      if (!d) continue;
      for (int32_t k = 0; k < d->Charts().Count(); ++k) {
        TXLSDrawingChart* c = d->Charts().Items(k);
        ASSERT_NE(c->ChartSpace(), nullptr);
        got.push_back("chart\t" + std::string(file) + "\t" + kws::Utf16ToUtf8(book->Items(i)->Name()) + "\t" +
                      std::to_string(c->Col1()) + "\t" + std::to_string(c->Row1()) + "\t" + std::to_string(c->Col2()) +
                      "\t" + std::to_string(c->Row2()) + "\t" +
                      kws::Utf16ToUtf8(xpgchart::TitleText(c->ChartSpace()->Chart()->Title())));
      }
    }
    EXPECT_EQ(got, want[file]);
  }
}

TEST_F(DrawingLoad, ChartsheetDrawingIsRead) {
  Load(std::string(kXdr) + TwoCell(Pic(2, "rIdP")) + "</xdr:wsDr>", true, "chartsheet");
  ASSERT_NE(Layer(), nullptr);
  EXPECT_EQ(Layer()->Images().Count(), 1);
  EXPECT_EQ(Layer()->Images().Items(0)->ImageType(), TXc12ImageType::x12itPNG);
}

// A drawing part whose document element is c:userShapes is read like xdr:wsDr.
TEST_F(DrawingLoad, UserShapesDocumentElementIsTheDrawing) {
  std::string xml = kXdr;
  xml.replace(1, 8, "c:userShapes xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\"");
  Load(xml + TwoCell(Pic(2, "rIdP")) + "</c:userShapes>");
  ASSERT_NE(Layer(), nullptr);
  EXPECT_EQ(Layer()->Images().Count(), 1);
}

TEST_F(DrawingLoad, DrawingsWithoutObjectsKeepTheDefaultId) {
  Load(std::string(kXdr) + "<xdr:twoCellAnchor>" + Marker("from", 0, 0, 0, 0) +
       "<xdr:sp><xdr:nvSpPr><xdr:cNvPr id=\"7\" name=\"low\"/></xdr:nvSpPr></xdr:sp></xdr:twoCellAnchor></xdr:wsDr>");
  EXPECT_EQ(Layer()->MaxShapeId(), 1000);
}

// A drawing part that cannot be read is dropped with a warning naming it; the cells, the
// sheet's (empty) drawing and the picture in the store stay.
TEST_F(DrawingLoad, PartsThatCannotBeReadAreDropped) {
  std::string deep = std::string(kXdr) + "<xdr:twoCellAnchor>";
  // One group more than the reader's nesting bound allows under xdr:wsDr and the anchor.
  for (int i = 0; i < kXpgMaxDepth - 1; ++i) deep += "<xdr:grpSp>";
  struct Case {
    const char* what;
    std::string xml;
    bool withPart;
  } cases[] = {
      {"truncated", std::string(kXdr) + TwoCell(Pic(2, "rIdP")).substr(0, 120), true},
      {"not xml", "not xml at all <<<", true},
      {"missing", "", false},
      {"nested past the reader's bound", deep, true},
  };
  for (const Case& c : cases) {
    SetUp();
    Load(c.xml, c.withPart);
    EXPECT_EQ(book->Items(0)->GetAsString(0, 0), u"still here") << c.what;
    EXPECT_TRUE(Warned(u"Drawing xl/drawings/drawing1.xml not read: ")) << c.what;
    ASSERT_NE(Tree(), nullptr) << c.what;
    EXPECT_EQ(Tree()->EG_Anchor()->TwoCellAnchorXpgList()->Count(), 0) << c.what;
    EXPECT_EQ(book->Manager().GrManager().Images().Count(), 1u) << c.what;
  }
}

// The element budget is one per load, shared by every drawing part of the workbook: six sheets
// whose drawings each stay far below it pass it together. With the bound set between two and
// three drawings' worth, the first two drawings are read whole, the third (which crosses it) and
// every one after it are dropped with a warning naming the part, and every sheet keeps its cells
// and an empty drawing. A second load of the same file starts from an unused budget and ends the
// same way.
TEST_F(DrawingLoad, DrawingsOfAWorkbookShareTheLoadsBudget) {
  constexpr int kSheets = 6, kAnchors = 40;
  const std::string rel = kws::test::kRelNs;
  TPackageBuilder b;
  for (int s = 1; s <= kSheets; ++s) {
    const std::string n = std::to_string(s);
    b.Sheet("S" + n,
            WorksheetXml("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>sheet " + n + "</t></is></c></row>",
                         "<drawing r:id=\"rIdD\"/>"),
            "worksheet",
            "<Relationship Id=\"rIdD\" Type=\"" + rel + "/drawing\" Target=\"../drawings/drawing" + n + ".xml\"/>");
    std::string xml = kXdr;
    for (int a = 0; a < kAnchors; ++a) xml += TwoCell(Sp(a + 2, "<xdr:cNvSpPr/>", "<a:prstGeom prst=\"rect\"/>"));
    b.Part("xl/drawings/drawing" + n + ".xml", xml + "</xdr:wsDr>");
  }
  bytes = b.Bytes();
  const auto anchors = [&](int sheet) {
    auto* doc = dynamic_cast<TXLSSheetDrawingDocument*>(book->Items(sheet)->Xc12Sheet().Drawing());
    return doc && doc->WsDr() ? doc->WsDr()->EG_Anchor()->TwoCellAnchorXpgList()->Count() : -1;
  };
  TXpgElementBudget& budget = book->Manager().GrManager().DrawingBudget();
  book->LoadFromBytes(AsSpan(bytes));
  EXPECT_TRUE(kws::test::WarningTexts(*book).empty());
  for (int s = 0; s < kSheets; ++s) EXPECT_EQ(anchors(s), kAnchors);
  ASSERT_EQ(budget.Used() % kSheets, 0);  // the drawings are alike
  const int64_t perDrawing = budget.Used() / kSheets;
  ASSERT_GT(perDrawing, kAnchors);

  budget.SetLimit(perDrawing * 2 + perDrawing / 2);
  std::vector<std::u16string> expected;
  for (int s = 3; s <= kSheets; ++s)
    expected.push_back(u"W2001: XML read error: \"Drawing xl/drawings/drawing" + kws::Utf8ToUtf16(std::to_string(s)) +
                       u".xml not read: Too many drawing elements\"");
  for (int load = 0; load < 2; ++load) {
    SCOPED_TRACE(load);
    TXLSErrorList warnings;  // this load's
    book->Errors().SetErrorList(&warnings);
    book->LoadFromBytes(AsSpan(bytes));
    EXPECT_EQ(kws::test::WarningTexts(*book), expected);
    book->Errors().SetErrorList(nullptr);
    ASSERT_EQ(book->Count(), size_t(kSheets));
    for (int s = 0; s < kSheets; ++s) {
      EXPECT_EQ(book->Items(s)->GetAsString(0, 0), u"sheet " + kws::Utf8ToUtf16(std::to_string(s + 1)));
      EXPECT_EQ(anchors(s), s < 2 ? kAnchors : 0) << "sheet " << s + 1;
    }
  }
}

TEST_F(DrawingLoad, DeepGroupsWithinTheBoundAreRead) {
  std::string xml = std::string(kXdr) + "<xdr:twoCellAnchor>";
  // Groups nested to the reader's nesting bound (with xdr:wsDr and the anchor above them).
  const int depth = kXpgMaxDepth - 2;
  for (int i = 0; i < depth; ++i) xml += "<xdr:grpSp>";
  for (int i = 0; i < depth; ++i) xml += "</xdr:grpSp>";
  Load(xml + "</xdr:twoCellAnchor></xdr:wsDr>");
  ASSERT_NE(Tree(), nullptr);
  const TCT_GroupShape* g = Tree()->EG_Anchor()->TwoCellAnchorXpgList()->GetItems(0)->EG_ObjectChoices()->GrpSp();
  int n = 1;
  while (g->GrpSpXpgList()) g = g->GrpSpXpgList()->GetItems(0), ++n;
  EXPECT_EQ(n, depth);
}

TEST_F(DrawingLoad, MarkersOutsideTheSheetAreHeldToIt) {
  Load(std::string(kXdr) + "<xdr:twoCellAnchor>" + "<xdr:from><xdr:col>-1</xdr:col><xdr:colOff>-1</xdr:colOff>"
       "<xdr:row>4294967296</xdr:row><xdr:rowOff>4294967296</xdr:rowOff></xdr:from>" +
       Marker("to", 2, 0, 3, 0) + Pic(2, "rIdP") + "</xdr:twoCellAnchor></xdr:wsDr>");
  ASSERT_EQ(Layer()->Images().Count(), 1);
  TXLSDrawingImage* img = Layer()->Images().Items(0);
  EXPECT_EQ(img->Col1(), 0);
  EXPECT_EQ(img->Row1(), 1048575);
  EXPECT_EQ(img->Anchor()->From()->ColOff(), 0u);
  EXPECT_EQ(img->Anchor()->From()->RowOff(), 2147483647u);
  EXPECT_FALSE(Warned(u"Drawing"));
}

// The element budget of the load (the graphic manager's): a document over it raises, and the
// emptied document charges the same budget again.
TEST(DrawingDocumentBudget, OverTheBudgetRaisesAndClearEmpties) {
  TXLSErrorManager errors;
  TXc12GraphicManager graphics(&errors);
  TXLSSheetDrawingDocument doc(graphics);
  graphics.DrawingBudget().SetLimit(50);
  std::string xml = kXdr;
  for (int i = 0; i < 60; ++i) xml += "<xdr:twoCellAnchor/>";
  xml += "</xdr:wsDr>";
  TXLSMemoryStream stream(xml);
  EXPECT_THROW(doc.LoadDrawing(stream), XLSRWException);
  doc.Clear();
  EXPECT_EQ(doc.WsDr()->EG_Anchor()->TwoCellAnchorXpgList()->Count(), 0);
  graphics.Clear();  // a new load
  TXLSMemoryStream again(std::string(kXdr) + "<xdr:twoCellAnchor/></xdr:wsDr>");
  doc.LoadDrawing(again);
  EXPECT_GT(graphics.DrawingBudget().Used(), 0);
}

class DrawingLayer : public DrawingLoad {
 protected:
  void SetUp() override {
    DrawingLoad::SetUp();
    Load(std::string(kXdr) + "<xdr:twoCellAnchor>" + Marker("from", 1, 304800, 2, 95250) +
         Marker("to", 3, 0, 5, 0) + Pic(2, "rIdP") + "<xdr:clientData/></xdr:twoCellAnchor></xdr:wsDr>");
    d = Layer();
    ASSERT_NE(d, nullptr);
    cols = &book->Items(0)->Columns();
    rows = &book->Items(0)->Rows();
    for (int c = 0; c < 8; ++c) cols->Items(c)->SetPixelWidth(64);
    for (int r = 0; r < 12; ++r) rows->Items(r)->SetPixelHeight(20);
    // Widths are stored in character units: the pixel width read back is what counts.
    W = cols->Items(1)->PixelWidth();
    ASSERT_EQ(rows->Items(1)->PixelHeight(), 20);
  }
  int32_t W = 0;
  TXLSDrawing* d = nullptr;
  TXLSColumns* cols = nullptr;
  TXLSRows* rows = nullptr;
};

TEST_F(DrawingLayer, OffsetsAsFractionsOfTheCell) {
  TXLSDrawingImage* img = d->Images().Items(0);
  EXPECT_DOUBLE_EQ(img->Col1Offs(), 32.0 / W);  // 304800 EMU = 32 px
  EXPECT_DOUBLE_EQ(img->Row1Offs(), 0.5);       // 95250 EMU = 10 px of 20
  img->SetCol1Offs(1.5);
  EXPECT_EQ(img->Anchor()->From()->ColOff(), uint32_t(W) * 9525);
  img->SetCol1Offs(-1);
  EXPECT_EQ(img->Anchor()->From()->ColOff(), 0u);
  img->SetRow2Offs(0.25);
  EXPECT_EQ(img->Anchor()->To_()->RowOff(), 5u * 9525);
  cols->Items(1)->SetPixelWidth(0);
  img->SetCol1Offs(0.5);
  EXPECT_EQ(img->Col1Offs(), 0.0);
  img->SetPositioning(TDrwOptImagePositioning::doipMoveAndSize);
  EXPECT_EQ(img->Anchor()->EditAs(), steatwoCell);
  img->SetPositioning(TDrwOptImagePositioning::doipDoNotMoveOrSize);
  EXPECT_EQ(img->Positioning(), TDrwOptImagePositioning::doipDoNotMoveOrSize);
}

TEST_F(DrawingLayer, ImageEditorSizesAndWalks) {
  TXLSDrawingImage* img = d->Images().Items(0);
  TXLSDrawingEditorImage ed(d, img);
  // Columns 1..3 less 32 px of column 1 (the to cell's offset is 0: all of column 3 counts).
  EXPECT_EQ(ed.PixelWidth(), W * 3 - 32);
  EXPECT_EQ(ed.PixelHeight(), 20 * 4 - 10);
  EXPECT_NEAR(ed.CmWidth(), (W * 3 - 32) / (96 / 2.54), 1e-9);
  ed.SetKeepAspect(false);
  // Twice the width from 32 px into column 1 ends 2 * (3W - 32) + 32 px after column 1 starts.
  ed.SetCmWidth(ed.CmWidth() * 2);
  const int32_t width = 2 * (W * 3 - 32), end = width + 32;
  EXPECT_EQ(ed.PixelWidth(), width);
  EXPECT_EQ(img->Col2(), 1 + end / W);
  EXPECT_EQ(img->Anchor()->To_()->ColOff(), uint32_t(end % W) * 9525);
  EXPECT_EQ(ed.PixelHeight(), 70);
  ed.SetKeepAspect(true);
  ed.SetInchHeight(ed.InchHeight() * 2);
  EXPECT_EQ(ed.PixelHeight(), 140);
  EXPECT_EQ(img->Row2(), 2 + 150 / 20);
  EXPECT_EQ(img->Anchor()->To_()->RowOff(), uint32_t(150 % 20) * 9525);
  EXPECT_EQ(ed.PixelWidth(), 2 * width);
  // A size past the sheet's end stops the walk at its last column.
  ed.SetCmWidth(1e12);
  EXPECT_EQ(img->Col2(), 16383);
}

TEST_F(DrawingLayer, InsertImage97PlacesAPicture) {
  // The first image of the store is the loaded picture; two more make the new one the third.
  ASSERT_NE(book->Manager().GrManager().Images().LoadFromStream(AsSpan(Png(3, 3)), u"x.png"), nullptr);
  const std::string png = Png(10, 30);
  TXLSAnchor97 a;
  a.Col1 = 2, a.Col1Offs = 512, a.Row1 = 1, a.Row1Offs = 64;
  a.Col2 = 4, a.Col2Offs = 0, a.Row2 = 3, a.Row2Offs = 256;
  TXLSDrawingImage* img = d->InsertImage97(u"legacy.png", AsSpan(png), a);
  ASSERT_NE(img, nullptr);
  EXPECT_EQ(d->Images().Count(), 2);
  EXPECT_EQ(img->Col1(), 2);
  EXPECT_EQ(img->Anchor()->From()->ColOff(), uint32_t(std::nearbyint(W * 0.5)) * 9525);
  EXPECT_EQ(img->Anchor()->From()->RowOff(), 5u * 9525);
  EXPECT_EQ(img->Anchor()->To_()->RowOff(), 20u * 9525);
  const TCT_Picture* pic = img->Anchor()->EG_ObjectChoices()->Pic();
  EXPECT_EQ(pic->NvPicPr()->CNvPr()->Id(), 3);
  EXPECT_EQ(pic->NvPicPr()->CNvPr()->Name(), u"Picture 3");
  EXPECT_EQ(pic->NvPicPr()->CNvPr()->Descr(), u"legacy.png");
  EXPECT_EQ(pic->NvPicPr()->CNvPicPr()->A_PicLocks()->NoChangeAspect(), 1);
  EXPECT_NE(pic->BlipFill()->A_EG_FillModeProperties()->A_Stretch(), nullptr);
  EXPECT_EQ(pic->SpPr()->A_EG_Geometry()->A_PrstGeom()->Prst(), ststRect);
  EXPECT_EQ(img->ImageTypeStr(), u"png");
  EXPECT_EQ(d->MaxShapeId(), 1000);
  // The store read the picture's own size.
  TXLSDrawingEditorImage ed(d, img);
  EXPECT_EQ(ed.OriginalWidth(), 10);
  EXPECT_EQ(ed.OriginalHeight(), 30);
  // Bytes the store refuses add nothing.
  EXPECT_EQ(d->InsertImage97(u"bad.png", AsSpan(std::string("nope")), a), nullptr);
  EXPECT_EQ(d->Images().Count(), 2);
}

// The text box's legacy branch reads and writes the legacy text object it names.
TEST_F(DrawingLayer, TextBoxLegacyBranch) {
  struct Texts : TXLSLegacyTexts {
    std::vector<std::u16string> t{u"first", u"second"};
    std::u16string Text(int32_t i) const override { return t.at(size_t(i)); }
    void SetText(int32_t i, std::u16string_view v) override { t.at(size_t(i)) = v.substr(0, 32767); }
  } texts;
  TXLSDrawingTextBox* box = d->TextBoxes().Add(d->Images().Items(0)->Anchor());
  EXPECT_EQ(box->PlainText(), u"");
  d->SetBIFFDrawing(&texts);
  box->FCurrIndex = 1;
  EXPECT_EQ(box->PlainText(), u"second");
  box->SetPlainText(u"new");
  EXPECT_EQ(texts.t[1], u"new");
}

// The shape-properties editor over each kind of anchored object: the fill and line it reads from
// the element, and what it offers when the object has no shape properties of its own.
TEST_F(DrawingLoad, ShapeEditorReadsFillAndLine) {
  struct Case {
    const char* what;
    std::string object;
    bool editable;
    TXLSDrwFillType fill;
    bool hasLine;
    double lineWidth;  // points; checked when hasLine
    bool lineFilled;
  };
  const std::string nv = "<xdr:nvSpPr><xdr:cNvPr id=\"3\" name=\"S\"/><xdr:cNvSpPr/></xdr:nvSpPr>";
  const std::vector<Case> cases = {
      {"solid fill, 2 pt line", "<xdr:sp>" + nv + "<xdr:spPr><a:prstGeom prst=\"rect\"/><a:solidFill><a:srgbClr "
       "val=\"FF0000\"/></a:solidFill><a:ln w=\"25400\"><a:solidFill><a:srgbClr val=\"0000FF\"/></a:solidFill>"
       "</a:ln></xdr:spPr></xdr:sp>", true, xdftSolid, true, 2.0, true},
      {"gradient, no line", "<xdr:sp>" + nv + "<xdr:spPr><a:gradFill><a:gsLst><a:gs pos=\"0\"><a:srgbClr "
       "val=\"000000\"/></a:gs><a:gs pos=\"100000\"><a:srgbClr val=\"FFFFFF\"/></a:gs></a:gsLst></a:gradFill>"
       "</xdr:spPr></xdr:sp>", true, xdftGradient, false, 0, false},
      {"no fill, unfilled line", "<xdr:sp>" + nv + "<xdr:spPr><a:noFill/><a:ln w=\"0\"><a:noFill/></a:ln></xdr:spPr></xdr:sp>",
       true, xdftNone, true, 0, false},
      {"shape without spPr", "<xdr:sp>" + nv + "</xdr:sp>", true, xdftAutomatic, false, 0, false},
      {"picture", Pic(4, "rIdP"), true, xdftAutomatic, false, 0, false},
      {"group", "<xdr:grpSp><xdr:nvGrpSpPr><xdr:cNvPr id=\"5\" name=\"G\"/><xdr:cNvGrpSpPr/></xdr:nvGrpSpPr>"
       "</xdr:grpSp>", false, xdftAutomatic, false, 0, false},
      {"connector", "<xdr:cxnSp><xdr:nvCxnSpPr><xdr:cNvPr id=\"6\" name=\"C\"/><xdr:cNvCxnSpPr/></xdr:nvCxnSpPr>"
       "<xdr:spPr><a:solidFill><a:srgbClr val=\"00FF00\"/></a:solidFill></xdr:spPr></xdr:cxnSp>",
       false, xdftAutomatic, false, 0, false},
  };
  std::string xml = kXdr;
  for (const Case& c : cases) xml += TwoCell(c.object);
  Load(xml + "</xdr:wsDr>");
  ASSERT_NE(Tree(), nullptr);
  TCT_TwoCellAnchorXpgList* anchors = Tree()->EG_Anchor()->TwoCellAnchorXpgList();
  ASSERT_EQ(anchors->Count(), int(cases.size()));
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.what);
    TXLSDrawingEditorShape ed(anchors->GetItems(int(i)));
    TXLSDrwShapeProperies* props = ed.ShapeProperies();
    ASSERT_EQ(props != nullptr, c.editable);
    if (!props) continue;
    EXPECT_EQ(props->Fill().FillType(), c.fill);
    ASSERT_EQ(props->HasLine(), c.hasLine);
    if (!c.hasLine) continue;
    EXPECT_DOUBLE_EQ(props->Line()->Width(), c.lineWidth);
    EXPECT_EQ(props->Line()->Fill() != nullptr, c.lineFilled);
  }
  // Read values come from the file's elements.
  TXLSDrawingEditorShape first(anchors->GetItems(0));
  EXPECT_EQ(first.ShapeProperies()->Fill().AsSolid().Color().AsRGB(), 0xFF0000u);
  EXPECT_EQ(first.ShapeProperies()->Line()->Fill()->AsSolid().Color().AsRGB(), 0x0000FFu);
  // A shape without spPr gets one made, so what is set is kept by the shape.
  EXPECT_NE(anchors->GetItems(3)->EG_ObjectChoices()->Sp()->SpPr(), nullptr);
}

// Changes made through the shape editor are in the element: a second editor over the same anchor
// reads them back.
TEST_F(DrawingLoad, ShapeEditorWritesIntoTheShape) {
  Load(std::string(kXdr) + TwoCell(Sp(3, "<xdr:cNvSpPr/>", "<a:prstGeom prst=\"rect\"/><a:ln w=\"12700\"/>")) +
       "</xdr:wsDr>");
  TCT_TwoCellAnchor* anchor = Tree()->EG_Anchor()->TwoCellAnchorXpgList()->GetItems(0);
  TCT_ShapeProperties* spPr = anchor->EG_ObjectChoices()->Sp()->SpPr();
  {
    TXLSDrawingEditorShape ed(anchor);
    TXLSDrwShapeProperies& p = *ed.ShapeProperies();
    EXPECT_EQ(p.SpPr(), spPr);
    p.Fill().SetFillType(xdftSolid);
    p.Fill().AsSolid().Color().SetAsRGB(0x336699);
    p.Fill().AsSolid().Color().SetTransparency(0.25);
    p.SetHasLine(false);
    EXPECT_EQ(spPr->A_Ln(), nullptr);
    p.SetHasLine(true);
    p.Line()->SetWidth(1.5);
    p.Line()->SetDashType(stpldvDash);
    // The shape's line cannot have arrows.
    EXPECT_THROW(p.Line()->SetHasEndArrow(true), XLSRWException);
  }
  ASSERT_NE(spPr->A_Ln(), nullptr);
  EXPECT_EQ(spPr->A_Ln()->W(), 19050);
  TXLSDrawingEditorShape again(anchor);
  TXLSDrwShapeProperies& p = *again.ShapeProperies();
  EXPECT_EQ(p.Fill().FillType(), xdftSolid);
  EXPECT_EQ(p.Fill().AsSolid().Color().AsRGB(), 0x336699u);
  EXPECT_DOUBLE_EQ(p.Fill().AsSolid().Color().Transparency(), 0.25);
  ASSERT_TRUE(p.HasLine());
  EXPECT_DOUBLE_EQ(p.Line()->Width(), 1.5);
  EXPECT_EQ(p.Line()->DashType(), stpldvDash);
  // The preset geometry is left as it was.
  EXPECT_EQ(spPr->A_EG_Geometry()->A_PrstGeom()->Prst(), ststRect);
}

// The text-box editor over the shape's text body: paragraphs, breaks and fonts as read, and a
// write that leaves one paragraph in the element with the last run's font.
TEST_F(DrawingLoad, TextBoxEditorReadsAndWritesTheBody) {
  struct Case {
    const char* what;
    std::string object;
    bool hasBody;
    std::u16string text;
    int paras;
  };
  auto sp = [](const std::string& body) {
    return "<xdr:sp><xdr:nvSpPr><xdr:cNvPr id=\"3\" name=\"T\"/><xdr:cNvSpPr txBox=\"1\"/></xdr:nvSpPr>"
           "<xdr:spPr><a:prstGeom prst=\"rect\"/></xdr:spPr>" + body + "</xdr:sp>";
  };
  const std::vector<Case> cases = {
      {"two paragraphs with a break",
       sp("<xdr:txBody><a:bodyPr/><a:p><a:r><a:rPr lang=\"en-US\" sz=\"1400\" b=\"1\"><a:latin typeface=\"Arial\"/>"
          "</a:rPr><a:t>ab</a:t></a:r><a:br/><a:r><a:t>c</a:t></a:r></a:p><a:p><a:r><a:rPr sz=\"1400\" b=\"1\" "
          "i=\"1\"><a:latin typeface=\"Arial\"/></a:rPr><a:t>d</a:t></a:r></a:p></xdr:txBody>"),
       true, u"ab\rc\rd", 2},
      {"empty paragraph", sp("<xdr:txBody><a:bodyPr/><a:p/></xdr:txBody>"), true, u"", 1},
      {"body without paragraphs", sp("<xdr:txBody><a:bodyPr/></xdr:txBody>"), true, u"", 0},
      {"shape without a text body", sp(""), false, u"", 0},
      {"picture", Pic(4, "rIdP"), false, u"", 0},
  };
  std::string xml = kXdr;
  for (const Case& c : cases) xml += TwoCell(c.object);
  Load(xml + "</xdr:wsDr>");
  TCT_TwoCellAnchorXpgList* anchors = Tree()->EG_Anchor()->TwoCellAnchorXpgList();
  ASSERT_EQ(anchors->Count(), int(cases.size()));
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.what);
    TXLSDrawingEditorTextBox ed(anchors->GetItems(int(i)));
    ASSERT_EQ(ed.Body() != nullptr, c.hasBody);
    if (!ed.Body()) continue;
    EXPECT_EQ(ed.Body()->PlainText(), c.text);
    EXPECT_EQ(ed.Body()->Paras().Count(), c.paras);
  }
  {
    TXLSDrawingEditorTextBox ed(anchors->GetItems(0));
    TXLSDrwTextPara* p0 = ed.Body()->Paras().GetItems(0);
    ASSERT_EQ(p0->Runs().Count(), 3);
    EXPECT_EQ(p0->Runs().GetItems(1)->Text(), u"\r");
    TXLSDrwTextFont* f = p0->Runs().GetItems(0)->Font();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Name(), u"Arial");
    EXPECT_DOUBLE_EQ(f->Size(), 14.0);
    EXPECT_TRUE(f->Bold());
    EXPECT_FALSE(f->Italic());
    // A paragraph written anew takes the font of the last run left (paragraph two: bold italic).
    p0->SetPlainText(u"xy");
  }
  {
    TXLSDrawingEditorTextBox ed(anchors->GetItems(0));
    EXPECT_EQ(ed.Body()->PlainText(), u"xy\rd");
    ASSERT_EQ(ed.Body()->Paras().GetItems(0)->Runs().Count(), 1);
    TXLSDrwTextFont* f = ed.Body()->Paras().GetItems(0)->Runs().GetItems(0)->Font();
    EXPECT_EQ(f->Name(), u"Arial");
    EXPECT_DOUBLE_EQ(f->Size(), 14.0);
    EXPECT_TRUE(f->Bold());
    EXPECT_TRUE(f->Italic());
    ed.Body()->SetPlainText(u"one\rtwo");
  }
  // The whole body written leaves one paragraph of one run in the element.
  TCT_TextBody* body = anchors->GetItems(0)->EG_ObjectChoices()->Sp()->TxBody();
  ASSERT_EQ(body->Create_Paras()->Count(), 1);
  TXLSDrawingEditorTextBox again(anchors->GetItems(0));
  EXPECT_EQ(again.Body()->PlainText(), u"one\rtwo");
  EXPECT_EQ(again.Body()->Paras().GetItems(0)->Runs().Count(), 1);
  // The sorted text box reads the editor's text too.
  ASSERT_GE(Layer()->TextBoxes().Count(), 1);
  EXPECT_EQ(Layer()->TextBoxes().Items(0)->PlainText(), u"one\rtwo");
  // An empty body written with text gets its first paragraph.
  TXLSDrawingEditorTextBox empty(anchors->GetItems(2));
  empty.Body()->SetPlainText(u"x");
  EXPECT_EQ(TXLSDrawingEditorTextBox(anchors->GetItems(2)).Body()->PlainText(), u"x");
}

}  // namespace
