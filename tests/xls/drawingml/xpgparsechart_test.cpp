// The chart unit: chart parts read into the chart document from inline XML (values, references
// and their cell ranges, series, decorations, axes, chart types, plot area, chart space).
#include "xls/drawingml/xpgparsechart.h"

#include "xls/drawingml/xlsdrawingchart.h"
#include "xls/drawingml/xpgchartseries.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "xls/model/xc12manager.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlsrelcells.h"

namespace xls::xpgchart {
namespace {

constexpr const char* kNs =
    " xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\""
    " xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\""
    " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\""
    " xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\""
    " xmlns:c16=\"http://schemas.microsoft.com/office/drawing/2014/chart\"";

// Reads a chart part given as its c:chartSpace content (or a whole part when it starts with
// "<c:"), counting the reports; `gr` is the graphic manager the references use.
struct Doc {
  TXPGDocXLSXChart doc;
  int reports = 0;
  std::u16string last;
  explicit Doc(const std::string& body, TXc12GraphicManager* gr = nullptr) {
    doc.FGrManager = gr;
    doc.Errors().OnError = [this](TXpgPErrors& e) {
      ++reports;
      last = e.LastErrorText();
    };
    std::string xml = body.rfind("<c:chartSpace", 0) == 0 || body.rfind("<c:chart@", 0) == 0
                          ? body
                          : "<c:chartSpace@>" + body + "</c:chartSpace>";
    const size_t at = xml.find('@');
    if (at != std::string::npos) xml.replace(at, 1, kNs);
    doc.LoadFromBytes(xml);
  }
  TCT_ChartSpace* Space() const { return doc.ChartSpace(); }
  TCT_PlotArea* Plot() const { return doc.ChartSpace()->Chart()->PlotArea(); }
};

std::string InPlot(const std::string& s) { return "<c:chart><c:plotArea>" + s + "</c:plotArea></c:chart>"; }

// ---- values, references, layout ----------------------------------------------------------------

TEST(ChartValues, BooleansNumberFormatsAndDoubles) {
  Doc d(InPlot("<c:barChart><c:varyColors/><c:ser><c:invertIfNegative val=\"yes\"/></c:ser>"
               "<c:ser><c:invertIfNegative val=\"0\"/></c:ser></c:barChart>"
               "<c:valAx><c:numFmt formatCode=\"0.0\" sourceLinked=\"x\"/><c:majorUnit val=\"0.5\"/>"
               "<c:crossesAt val=\"abc\"/></c:valAx>"));
  EXPECT_EQ(d.reports, 0) << std::string(d.last.begin(), d.last.end());
  TEG_BarChartShared* g = d.Plot()->BarChart()->EG_BarChartShared();
  EXPECT_EQ(g->VaryColors()->Val(), 2);  // not given without val
  ASSERT_EQ(g->Series()->Count(), 2);
  EXPECT_EQ(g->Series()->GetItems(0)->InvertIfNegative()->Val(), 1);  // other text: the schema default
  EXPECT_EQ(g->Series()->GetItems(1)->InvertIfNegative()->Val(), 0);
  TCT_ValAx* ax = d.Plot()->ValAxis()->GetItems(0);
  EXPECT_EQ(ax->EG_AxShared()->NumFmt()->FormatCode(), u"0.0");
  EXPECT_EQ(ax->EG_AxShared()->NumFmt()->SourceLinked(), 0);
  EXPECT_EQ(ax->MajorUnit()->Val(), 0.5);
  EXPECT_EQ(ax->EG_AxShared()->CrossesAt()->Val(), 0.0);
}

TEST(ChartValues, CachesKeepTheirTextsAndNothingIsSizedFromCounts) {
  Doc d(InPlot("<c:lineChart><c:ser><c:cat><c:strRef><c:f>S!$A$1:$A$2</c:f><c:strCache>"
               "<c:ptCount val=\"4294967295\"/><c:pt idx=\"0\"><c:v>a</c:v></c:pt><c:pt idx=\"7\"><c:v>b</c:v></c:pt>"
               "</c:strCache></c:strRef></c:cat><c:val><c:numRef><c:f>S!$B$1:$B$2</c:f><c:numCache>"
               "<c:formatCode>General</c:formatCode><c:ptCount val=\"2147483647\"/>"
               "<c:pt idx=\"0\" formatCode=\"0%\"><c:v>1.5E3</c:v></c:pt></c:numCache></c:numRef></c:val>"
               "</c:ser></c:lineChart>"));
  EXPECT_EQ(d.reports, 0);
  TCT_LineSer* s = d.Plot()->LineChart()->EG_LineChartShared()->Series()->GetItems(0);
  TCT_StrData* sc = s->Cat()->StrRef()->StrCache();
  EXPECT_EQ(sc->PtCount()->Val(), 0);  // beyond 32 bits: 0; never used to size anything
  ASSERT_EQ(sc->PtXpgList()->Count(), 2);
  EXPECT_EQ(sc->PtXpgList()->GetItems(1)->Idx(), 7);
  EXPECT_EQ(sc->PtXpgList()->GetItems(1)->V(), u"b");
  TCT_NumData* nc = s->Val()->NumRef()->NumCache();
  EXPECT_EQ(nc->FormatCode(), u"General");
  EXPECT_EQ(nc->PtXpgList()->GetItems(0)->V(), u"1.5E3");
  EXPECT_EQ(nc->PtXpgList()->GetItems(0)->FormatCode(), u"0%");
  // Without a graphic manager no range is made: F is the text as read.
  EXPECT_EQ(s->Val()->NumRef()->RCells(), nullptr);
  EXPECT_EQ(s->Val()->NumRef()->GetF(), u"S!$B$1:$B$2");
}

TEST(ChartValues, ExtensionKeepsUriNamespaceAndForeignElements) {
  Doc d("<c:extLst><c:ext uri=\"{C3380CC4}\" xmlns:c16=\"http://x\"><c16:uniqueId val=\"{0001}\"/></c:ext></c:extLst>");
  EXPECT_EQ(d.reports, 0);
  TCT_Extension* e = d.Space()->ExtLst()->ExtXpgList()->GetItems(0);
  EXPECT_EQ(e->Uri(), u"{C3380CC4}");
  EXPECT_EQ(e->Xmlns(), u"xmlns:c16");
  EXPECT_EQ(e->XmlnsVal(), u"http://x");
  ASSERT_EQ(e->AnyElements().Count(), 1);
  EXPECT_EQ(e->AnyElements().GetItems(0)->FElementName, u"c16:uniqueId");
}

TEST(ChartValues, ManualLayoutHoldsOnlyWhatWasRead) {
  Doc d(InPlot("<c:layout><c:manualLayout><c:x val=\"0.1\"/></c:manualLayout></c:layout>"));
  TCT_ManualLayout* m = d.Plot()->Layout()->ManualLayout();
  EXPECT_EQ(m->X()->Val(), 0.1);
  EXPECT_EQ(m->LayoutTarget(), nullptr);
  EXPECT_EQ(m->XMode(), nullptr);
  EXPECT_EQ(m->Y(), nullptr);
}

// ---- text of titles, labels, axes, legend, data table and chart space --------------------------

constexpr const char* kTxPr = "<c:txPr><a:bodyPr rot=\"-5400000\"/><a:lstStyle/><a:p><a:pPr><a:defRPr sz=\"900\"/>"
                              "</a:pPr><a:endParaRPr lang=\"en-US\"/></a:p></c:txPr>";

// Every place the schema gives a text body (c:txPr, c:rich) reads it into a text body of the
// common unit, with no report.
TEST(ChartText, TextBodiesWhereverTheSchemaPutsThem) {
  const std::string t = kTxPr;
  Doc d("<c:chart><c:title><c:tx><c:rich><a:bodyPr/><a:p><a:r><a:t>Sales</a:t></a:r></a:p></c:rich></c:tx>"
        "<c:overlay val=\"0\"/>" + t + "</c:title><c:plotArea>"
        "<c:barChart><c:ser><c:dLbls><c:dLbl><c:idx val=\"0\"/><c:tx><c:rich><a:p><a:r><a:t>top</a:t></a:r></a:p>"
        "</c:rich></c:tx>" + t + "</c:dLbl>" + t + "</c:dLbls><c:trendline><c:trendlineLbl>" + t +
        "</c:trendlineLbl></c:trendline></c:ser></c:barChart>"
        "<c:valAx><c:axId val=\"1\"/><c:title><c:tx><c:rich><a:p><a:r><a:t>EUR</a:t></a:r></a:p></c:rich></c:tx>"
        "</c:title>" + t + "<c:crossAx val=\"2\"/><c:dispUnits><c:builtInUnit val=\"thousands\"/><c:dispUnitsLbl>" +
        t + "</c:dispUnitsLbl></c:dispUnits></c:valAx><c:dTable>" + t + "</c:dTable></c:plotArea>"
        "<c:legend><c:legendEntry><c:idx val=\"0\"/><c:delete val=\"1\"/>" + t + "</c:legendEntry>" + t +
        "</c:legend></c:chart><c:pivotFmts/>" + t);
  EXPECT_EQ(d.reports, 1) << std::string(d.last.begin(), d.last.end());  // c:pivotFmts belongs in c:chart
  TCT_Chart* c = d.Space()->Chart();
  ASSERT_NE(c->Title()->Tx()->Rich(), nullptr);
  EXPECT_EQ(TitleText(c->Title()), u"Sales");
  ASSERT_NE(c->Title()->TxPr(), nullptr);
  EXPECT_EQ(c->Title()->TxPr()->A_BodyPr()->Rot(), -5400000);
  TEG_DLblShared* lbls = d.Plot()->BarChart()->EG_BarChartShared()->Series()->GetItems(0)->DLbls()->Group_DLbls()
                             ->EG_DLblShared();
  EXPECT_NE(lbls->TxPr(), nullptr);
  TCT_DLbl* lbl = d.Plot()->BarChart()->EG_BarChartShared()->Series()->GetItems(0)->DLbls()->DLblXpgList()->GetItems(0);
  EXPECT_NE(lbl->Group_DLbl()->EG_DLblShared()->TxPr(), nullptr);
  ASSERT_NE(lbl->Group_DLbl()->Tx()->Rich(), nullptr);
  EXPECT_EQ(lbl->Group_DLbl()->Tx()->Rich()->A_PXpgList()->Count(), 1);
  EXPECT_NE(d.Plot()->BarChart()->EG_BarChartShared()->Series()->GetItems(0)->TrendlineXpgList()->GetItems(0)
                ->TrendlineLbl()->TxPr(),
            nullptr);
  TCT_ValAx* ax = d.Plot()->ValAxis()->GetItems(0);
  EXPECT_EQ(TitleText(ax->EG_AxShared()->Title()), u"EUR");
  EXPECT_NE(ax->EG_AxShared()->TxPr(), nullptr);
  EXPECT_EQ(ax->EG_AxShared()->CrossAx()->Val(), 2);  // the axis reads on after its text body
  EXPECT_NE(ax->DispUnits()->DispUnitsLbl()->TxPr(), nullptr);
  EXPECT_NE(d.Plot()->DTable()->TxPr(), nullptr);
  TCT_LegendEntry* e = c->Legend()->LegendEntryXpgList()->GetItems(0);
  EXPECT_EQ(e->Delete()->Val(), 1);  // the schema's choice is not enforced: both are kept
  EXPECT_NE(e->EG_LegendEntryData()->TxPr(), nullptr);
  EXPECT_NE(c->Legend()->TxPr(), nullptr);
  EXPECT_NE(d.Space()->TxPr(), nullptr);
}

TEST(ChartText, PivotFormatsTakeTheirTextBody) {
  Doc d("<c:chart><c:pivotFmts><c:pivotFmt><c:idx val=\"0\"/>" + std::string(kTxPr) +
        "</c:pivotFmt></c:pivotFmts></c:chart>");
  EXPECT_EQ(d.reports, 0);
  EXPECT_NE(d.Space()->Chart()->PivotFmts()->PivotFmtXpgList()->GetItems(0)->TxPr(), nullptr);
}

// A title's text: a reference's F (the bound range once the load has ended), else the rich
// text's paragraphs joined with CR, a line break as CR, a field as nothing.
TEST(ChartText, TitleTextFromReferenceOrRichText) {
  struct Case {
    const char* title;
    std::u16string text;
  } cases[] = {
      {"<c:tx><c:rich><a:bodyPr/><a:p><a:r><a:t>One </a:t></a:r><a:r><a:t>run</a:t></a:r></a:p></c:rich></c:tx>",
       u"One run"},
      {"<c:tx><c:rich><a:p><a:r><a:t>a</a:t></a:r><a:br/><a:r><a:t>b</a:t></a:r></a:p><a:p/>"
       "<a:p><a:fld id=\"{1}\" type=\"x\"><a:t>f</a:t></a:fld><a:r><a:t>c</a:t></a:r></a:p></c:rich></c:tx>",
       u"a\rb\r\rc"},
      {"<c:tx><c:strRef><c:f>Data!$B$1</c:f></c:strRef></c:tx>", u"Data!$B$1"},
      // A formula that is no range (LibreOffice writes literals so) reads as written.
      {"<c:tx><c:strRef><c:f>\"Formatted\"</c:f></c:strRef></c:tx>", u"\"Formatted\""},
      {"<c:tx><c:rich><a:bodyPr/></c:rich></c:tx>", u""},
      {"<c:overlay val=\"0\"/>", u""},  // Excel's automatic title: no text in the part
      {"<c:tx/>", u""},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.title);
    Doc d(std::string("<c:chart><c:title>") + k.title + "</c:title></c:chart>");
    EXPECT_EQ(d.reports, 0);
    EXPECT_EQ(TitleText(d.Space()->Chart()->Title()), k.text);
  }
  EXPECT_EQ(TitleText(nullptr), u"");
}

// An element the legend entry does not know is reported once and skipped with its content: a
// c:txPr inside it is not taken for the entry's own.
TEST(ChartText, UnknownChildOfLegendEntryIsSkippedWhole) {
  Doc d("<c:chart><c:legend><c:legendEntry><c:idx val=\"1\"/><c:foo>" + std::string(kTxPr) +
        "</c:foo></c:legendEntry></c:legend></c:chart>");
  EXPECT_EQ(d.reports, 1);
  TCT_LegendEntry* e = d.Space()->Chart()->Legend()->LegendEntryXpgList()->GetItems(0);
  EXPECT_EQ(e->Idx()->Val(), 1);
  EXPECT_EQ(e->EG_LegendEntryData()->TxPr(), nullptr);
}

// References make their cell ranges through the graphic manager; a range the reference frees
// during the load leaves the hub's binding list (a dropped chart, a second c:f).
TEST(ChartReferences, RangesAreListedForBindingAndLeaveTheListWhenFreed) {
  TXLSBook book;
  TXc12Manager& hub = book.Manager();
  auto live = [&] {
    int n = 0;
    for (TXLSRelCells* rc : hub.VirtualCells()) n += rc != nullptr;
    return n;
  };
  const std::string part = InPlot(
      "<c:barChart><c:ser><c:tx><c:strRef><c:f>Sheet1!$B$1</c:f></c:strRef></c:tx>"
      "<c:cat><c:numRef><c:f>Sheet1!$A$2:$A$5</c:f></c:numRef></c:cat>"
      "<c:val><c:numRef><c:f>Sheet1!$B$2:$B$5</c:f><c:f>(Sheet1!$B$2,Sheet1!$B$4)</c:f></c:numRef></c:val>"
      "</c:ser></c:barChart>");
  {
    auto d = std::make_unique<Doc>(part, &hub.GrManager());
    // Name, categories and the second c:f: the first range of the values left the list.
    EXPECT_EQ(live(), 3);
    TCT_BarSer* s = d->Plot()->BarChart()->EG_BarChartShared()->Series()->GetItems(0);
    TCT_NumRef* val = s->Val()->NumRef();
    ASSERT_NE(val->RCells(), nullptr);
    EXPECT_EQ(val->GetF(), u"(Sheet1!$B$2,Sheet1!$B$4)");  // a list in parentheses as stored
    // Unbound (no such sheet is bound before the load ends): the sheet reads "???".
    EXPECT_EQ(s->Cat()->NumRef()->GetF(), u"???!$A$1");
    EXPECT_EQ(s->Shared()->Tx()->Text(), u"");
    // Writing F stores the text; reading gives the range's text again.
    s->Cat()->NumRef()->SetF(u"Sheet1!$C$2:$C$5");
    EXPECT_EQ(s->Cat()->NumRef()->F(), u"Sheet1!$C$2:$C$5");
    EXPECT_EQ(s->Cat()->NumRef()->GetF(), u"???!$A$1");
  }
  EXPECT_EQ(live(), 0);
}

// ---- series ------------------------------------------------------------------------------------

TEST(ChartSeries, SharedGroupAndAccessors) {
  Doc d(InPlot("<c:barChart><c:ser><c:idx val=\"3\"/><c:order val=\"1\"/><c:tx><c:v>Sales</c:v></c:tx>"
               "<c:spPr><a:solidFill><a:srgbClr val=\"4472C4\"><a:alpha val=\"60000\"/></a:srgbClr></a:solidFill>"
               "<a:ln><a:solidFill><a:srgbClr val=\"FF0000\"/></a:solidFill></a:ln></c:spPr>"
               "<c:shape val=\"box\"/></c:ser><c:ser/></c:barChart>"));
  EXPECT_EQ(d.reports, 0);
  auto* list = d.Plot()->BarChart()->EG_BarChartShared()->Series();
  TCT_SerieShared* sh = list->GetItems(0)->Shared();
  EXPECT_EQ(sh->Idx()->Val(), 3);
  EXPECT_EQ(sh->Order()->Val(), 1);
  EXPECT_EQ(sh->Name(), u"Sales");
  EXPECT_EQ(sh->Tx()->Text(), u"Sales");
  EXPECT_EQ(sh->FillColor(), 0x4472C4u);
  EXPECT_EQ(sh->FillTColor(), 0xC47244u);
  EXPECT_EQ(sh->LineColor(), 0xFF0000u);
  EXPECT_DOUBLE_EQ(sh->Transparency(), 0.6);
  EXPECT_EQ(list->GetItems(0)->Shape()->Val(), stsBox);
  sh->SetTransparency(1.7);
  EXPECT_DOUBLE_EQ(sh->Transparency(), 1.0);
  sh->SetTransparency(-0.2);
  EXPECT_DOUBLE_EQ(sh->Transparency(), 0.0);
  sh->SetFillColor(0x123456);  // replaces the shape properties: the line colour is gone
  EXPECT_EQ(sh->FillColor(), 0x123456u);
  EXPECT_EQ(sh->LineColor(), TCT_SerieShared::kNoColor);

  TCT_SerieShared* bare = list->GetItems(1)->Shared();
  EXPECT_EQ(bare->FillColor(), TCT_SerieShared::kNoColor);
  EXPECT_EQ(bare->FillTColor(), 0u);
  EXPECT_FALSE(bare->NoLineFill());
  EXPECT_DOUBLE_EQ(bare->Transparency(), 1.0);
  bare->SetNoLineFill(false);
  EXPECT_EQ(bare->SpPr(), nullptr);  // writing False without a line creates nothing
  bare->SetNoLineFill(true);
  EXPECT_TRUE(bare->NoLineFill());
  bare->SetName(u"n");
  EXPECT_EQ(bare->Name(), u"n");
}

TEST(ChartSeries, RepeatedAndSingleDecorationsPerSeriesKind) {
  Doc d(InPlot("<c:areaChart><c:ser><c:errBars/><c:errBars/></c:ser></c:areaChart>"
               "<c:lineChart><c:ser><c:errBars><c:errDir val=\"x\"/></c:errBars><c:errBars><c:errDir val=\"y\"/>"
               "<c:errBarType val=\"plus\"/><c:errValType val=\"percentage\"/><c:val val=\"5\"/></c:errBars></c:ser>"
               "</c:lineChart>"
               "<c:scatterChart><c:ser><c:errBars/><c:errBars/><c:xVal><c:numLit><c:pt idx=\"0\"><c:v>1</c:v></c:pt>"
               "</c:numLit></c:xVal></c:ser></c:scatterChart>"
               "<c:bubbleChart><c:ser><c:errBars/><c:errBars/><c:bubbleSize><c:numRef><c:f>A</c:f></c:numRef>"
               "</c:bubbleSize><c:foo><c:bar/></c:foo></c:ser></c:bubbleChart>"));
  EXPECT_EQ(d.reports, 1);  // c:foo, once, with its content
  EXPECT_EQ(d.Plot()->AreaChart()->EG_AreaChartShared()->Series()->GetItems(0)->ErrBarsXpgList()->Count(), 2);
  TCT_ErrBars* eb = d.Plot()->LineChart()->EG_LineChartShared()->Series()->GetItems(0)->ErrBars();
  EXPECT_EQ(eb->ErrDir()->Val(), stedY);
  EXPECT_EQ(eb->ErrBarType()->Val(), stebtPlus);
  EXPECT_EQ(eb->ErrValType()->Val(), stevtPercentage);
  EXPECT_EQ(eb->Val()->Val(), 5.0);
  TCT_ScatterSer* sc = d.Plot()->ScatterChart()->Series()->GetItems(0);
  EXPECT_EQ(sc->ErrBarsXpgList()->Count(), 2);
  EXPECT_EQ(sc->XVal()->NumLit()->PtXpgList()->GetItems(0)->V(), u"1");
  TCT_BubbleSer* b = d.Plot()->BubbleChart()->Series()->GetItems(0);
  EXPECT_EQ(b->ErrBarsXpgList()->Count(), 2);
  EXPECT_EQ(b->BubbleSize()->NumRef()->F(), u"A");
}

// Each c:ser of a pie, 3-D pie, doughnut or of-pie chart is a series of its own: the first ring
// of a doughnut keeps its name, categories and values.
TEST(ChartSeries, EveryPieSeriesIsItsOwn) {
  for (const char* type : {"pieChart", "pie3DChart", "doughnutChart", "ofPieChart"}) {
    const std::string t = type;
    Doc d(InPlot("<c:" + t + "><c:ser><c:idx val=\"0\"/><c:tx><c:v>inner</c:v></c:tx>"
                 "<c:cat><c:strRef><c:f>S!$A$1:$A$3</c:f></c:strRef></c:cat><c:val><c:numRef><c:f>S!$B$1:$B$3</c:f>"
                 "</c:numRef></c:val><c:dPt><c:idx val=\"1\"/></c:dPt></c:ser><c:ser><c:idx val=\"1\"/>"
                 "<c:tx><c:v>outer</c:v></c:tx><c:val><c:numRef><c:f>S!$C$1:$C$3</c:f></c:numRef></c:val>"
                 "<c:dPt><c:idx val=\"2\"/></c:dPt></c:ser></c:" + t + ">"));
    SCOPED_TRACE(t);
    EXPECT_EQ(d.reports, 0);
    TCT_PlotArea* p = d.Plot();
    TEG_PieChartShared* g = t == "pieChart"        ? p->PieChart()->EG_PieChartShared()
                            : t == "pie3DChart"    ? p->Pie3DChart()->EG_PieChartShared()
                            : t == "doughnutChart" ? p->DoughnutChart()->EG_PieChartShared()
                                                   : p->OfPieChart()->EG_PieChartShared();
    ASSERT_EQ(g->Series()->Count(), 2);
    EXPECT_EQ(g->Ser(), g->Series()->GetItems(0));
    EXPECT_EQ(g->Ser()->Shared()->Name(), u"inner");
    EXPECT_EQ(g->Ser()->Shared()->Idx()->Val(), 0);
    EXPECT_EQ(g->Ser()->Cat()->StrRef()->F(), u"S!$A$1:$A$3");
    EXPECT_EQ(g->Ser()->Val()->NumRef()->F(), u"S!$B$1:$B$3");
    EXPECT_EQ(g->Ser()->DPtXpgList()->Count(), 1);
    EXPECT_EQ(g->Series()->GetItems(1)->Shared()->Name(), u"outer");
  }
}

// ---- decorations -------------------------------------------------------------------------------

TEST(ChartDecorations, LabelsMarkersTrendlines) {
  Doc d(InPlot("<c:lineChart><c:ser><c:marker><c:symbol val=\"none\"/></c:marker>"
               "<c:dLbls><c:dLbl><c:idx val=\"2\"/><c:delete val=\"1\"/></c:dLbl><c:showVal val=\"1\"/>"
               "<c:dLblPos val=\"outEnd\"/><c:separator>; </c:separator><c:showLeaderLines val=\"0\"/></c:dLbls>"
               "<c:trendline><c:name>t</c:name><c:trendlineType val=\"poly\"/><c:order val=\"3\"/></c:trendline>"
               "<c:trendline/></c:ser>"
               "<c:ser><c:marker><c:symbol val=\"auto\"/><c:size/></c:marker></c:ser></c:lineChart>"));
  EXPECT_EQ(d.reports, 0);
  auto* series = d.Plot()->LineChart()->EG_LineChartShared()->Series();
  TCT_LineSer* s = series->GetItems(0);
  EXPECT_EQ(s->Marker()->Symbol()->Val(), stmsNone);
  EXPECT_EQ(s->Marker()->Size(), nullptr);
  TCT_DLbls* l = s->DLbls();
  TEG_DLblShared* sh = l->Group_DLbls()->EG_DLblShared();
  EXPECT_EQ(sh->ShowVal()->Val(), 1);
  EXPECT_EQ(sh->DLblPos()->Val(), stdlpOutEnd);
  EXPECT_EQ(sh->Separator(), u"; ");
  EXPECT_EQ(l->Group_DLbls()->ShowLeaderLines()->Val(), 0);
  TCT_DLbl* one = l->DLblXpgList()->GetItems(0);
  EXPECT_EQ(one->Idx()->Val(), 2);
  EXPECT_EQ(one->Delete()->Val(), 1);
  EXPECT_EQ(one->Group_DLbl()->Tx(), nullptr);
  ASSERT_EQ(s->TrendlineXpgList()->Count(), 2);
  EXPECT_EQ(s->TrendlineXpgList()->GetItems(0)->Name(), u"t");
  EXPECT_EQ(s->TrendlineXpgList()->GetItems(0)->TrendlineType()->Val(), stttPoly);
  EXPECT_EQ(s->TrendlineXpgList()->GetItems(0)->Order()->Val(), 3);
  EXPECT_EQ(s->TrendlineXpgList()->GetItems(1)->Order(), nullptr);
  // Gnumeric writes symbol auto, which the first-edition table lacks: not given, and reading goes on.
  TCT_Marker* m = series->GetItems(1)->Marker();
  EXPECT_EQ(m->Symbol()->Val(), 65535);
  EXPECT_EQ(m->Size()->Val(), 2147483647);
}

// ---- axes, groups, plot area -------------------------------------------------------------------

TEST(ChartAxes, DefaultIdsAndMembersMadeWithTheAxis) {
  Doc d(InPlot("<c:valAx/><c:catAx><c:axId val=\"50\"/><c:foo/><c:lblAlgn/><c:tickLblSkip/></c:catAx>"
               "<c:valAx><c:crosses val=\"max\"/><c:crossesAt val=\"2\"/><c:crossBetween/>"
               "<c:dispUnits><c:custUnit val=\"10\"/><c:builtInUnit/></c:dispUnits></c:valAx>"
               "<c:dateAx><c:axId val=\"7\"/><c:baseTimeUnit/></c:dateAx><c:dateAx><c:axId val=\"8\"/></c:dateAx>"
               "<c:valAx/>"));
  EXPECT_EQ(d.reports, 1);  // c:foo
  TCT_PlotArea* p = d.Plot();
  TEG_AxShared* a0 = p->ValAxis()->GetItems(0)->EG_AxShared();
  TEG_AxShared* a2 = p->ValAxis()->GetItems(2)->EG_AxShared();
  EXPECT_GT(a0->AxId()->Val(), 1000);
  EXPECT_GT(a2->AxId()->Val(), a0->AxId()->Val());  // one process-wide counter
  EXPECT_EQ(p->CatAxis()->GetItems(0)->EG_AxShared()->AxId()->Val(), 50);
  // Made with the axis: scaling with its orientation, position, crossing axis, label position.
  ASSERT_NE(a0->Scaling(), nullptr);
  EXPECT_EQ(a0->Scaling()->Orientation()->Val(), stoMinMax);
  EXPECT_EQ(a0->AxPos()->Val(), 65535);
  EXPECT_EQ(a0->CrossAx()->Val(), 2147483632);
  EXPECT_EQ(a0->TickLblPos()->Val(), sttlpNextTo);
  EXPECT_EQ(a0->Delete(), nullptr);
  EXPECT_EQ(a0->Title(), nullptr);
  TCT_CatAx* cat = p->CatAxis()->GetItems(0);
  EXPECT_EQ(cat->LblAlgn()->Val(), 65535);
  EXPECT_EQ(cat->TickLblSkip()->Val(), 2147483632);
  TCT_ValAx* v = p->ValAxis()->GetItems(1);
  EXPECT_EQ(v->EG_AxShared()->Crosses()->Val(), stcMax);
  EXPECT_EQ(v->EG_AxShared()->CrossesAt()->Val(), 2.0);
  EXPECT_EQ(v->CrossBetween()->Val(), 65535);
  EXPECT_EQ(v->DispUnits()->CustUnit()->Val(), 10.0);
  EXPECT_EQ(v->DispUnits()->BuiltInUnit()->Val(), stbiuThousands);
  // Every c:dateAx is an axis of its own.
  ASSERT_EQ(p->DateAxes()->Count(), 2);
  EXPECT_EQ(p->DateAx()->EG_AxShared()->AxId()->Val(), 7);
  EXPECT_EQ(p->DateAx()->BaseTimeUnit()->Val(), sttuDays);
  EXPECT_EQ(p->DateAxes()->GetItems(1)->EG_AxShared()->AxId()->Val(), 8);
}

TEST(ChartPlotArea, OrderStampsAndFirstChartGetters) {
  const std::string part = InPlot("<c:layout/><c:barChart/><c:lineChart/><c:catAx/><c:valAx/><c:valAx/><c:barChart/>");
  Doc d(part);
  TCT_PlotArea* p = d.Plot();
  const int n = p->Layout()->Tag();
  EXPECT_EQ(p->BarCharts()->GetItems(0)->Tag(), n + 1);
  EXPECT_EQ(p->LineChart()->Tag(), n + 2);
  EXPECT_EQ(p->CatAxis()->GetItems(0)->Tag(), n + 3);
  EXPECT_EQ(p->ValAxis()->GetItems(1)->Tag(), n + 5);
  EXPECT_EQ(p->BarCharts()->GetItems(1)->Tag(), n + 6);
  EXPECT_EQ(p->BarChart(), p->BarCharts()->GetItems(0));
  EXPECT_EQ(p->PieChart(), nullptr);
  EXPECT_EQ(p->BarChart()->EG_BarChartShared()->Series()->Count(), 0);  // exists, empty
  Doc next(part);
  EXPECT_EQ(next.Plot()->Layout()->Tag(), n + 7);  // the count goes on from chart to chart
}

TEST(ChartGroups, DefaultsOfValueClasses) {
  Doc d(InPlot("<c:barChart><c:gapWidth val=\"219%\"/><c:overlap val=\"-50\"/></c:barChart>"
               "<c:barChart><c:gapWidth/></c:barChart><c:barChart/>"
               "<c:doughnutChart><c:holeSize/><c:firstSliceAng/></c:doughnutChart>"
               "<c:ofPieChart><c:ofPieType/><c:splitType val=\"percent\"/><c:secondPieSize/>"
               "<c:custSplit><c:secondPiePt val=\"1\"/><c:secondPiePt val=\"2\"/><c:secondPiePt val=\"3\"/></c:custSplit>"
               "</c:ofPieChart><c:bubbleChart><c:bubbleScale/></c:bubbleChart>"
               "<c:bar3DChart><c:shape val=\"cylinder\"/></c:bar3DChart>"
               "<c:areaChart/><c:pie3DChart><c:firstSliceAng val=\"30\"/></c:pie3DChart>"
               "<c:valAx><c:scaling><c:max val=\"100\"/></c:scaling></c:valAx>"
               "<c:catAx><c:scaling><c:orientation val=\"maxMin\"/></c:scaling></c:catAx>"));
  EXPECT_EQ(d.reports, 0);
  TCT_PlotArea* p = d.Plot();
  EXPECT_EQ(p->BarCharts()->GetItems(0)->GapWidth()->Val(), 0);
  EXPECT_EQ(p->BarCharts()->GetItems(0)->Overlap()->Val(), -50);
  EXPECT_EQ(p->BarCharts()->GetItems(1)->GapWidth()->Val(), 150);
  EXPECT_EQ(p->BarCharts()->GetItems(2)->GapWidth(), nullptr);
  EXPECT_EQ(p->DoughnutChart()->HoleSize()->Val(), 10);
  EXPECT_EQ(p->DoughnutChart()->FirstSliceAng()->Val(), 0);
  EXPECT_EQ(p->OfPieChart()->OfPieType()->Val(), stoptPie);
  EXPECT_EQ(p->OfPieChart()->SplitType()->Val(), ststPercent);
  EXPECT_EQ(p->OfPieChart()->SecondPieSize()->Val(), 75);
  EXPECT_EQ(p->OfPieChart()->CustSplit()->SecondPiePtXpgList()->Count(), 3);
  EXPECT_EQ(p->BubbleChart()->BubbleScale()->Val(), 100);
  EXPECT_EQ(p->Bar3DChart()->Shape()->Val(), stsCylinder);
  EXPECT_EQ(p->AreaChart()->EG_AreaChartShared()->Series()->Count(), 0);
  EXPECT_EQ(p->Pie3DChart()->FirstSliceAng()->Val(), 30);
  TCT_Scaling* sc = p->ValAxis()->GetItems(0)->EG_AxShared()->Scaling();
  EXPECT_EQ(sc->Max()->Val(), 100.0);
  EXPECT_EQ(sc->Min(), nullptr);
  EXPECT_EQ(sc->Orientation()->Val(), stoMinMax);
  EXPECT_EQ(p->CatAxis()->GetItems(0)->EG_AxShared()->Scaling()->Orientation()->Val(), stoMaxMin);
}

// ---- chart space, chart, legend, print settings --------------------------------------------------

TEST(ChartSpace, ChartLegendPrintSettingsAndColourMapping) {
  Doc d("<c:date1904 val=\"0\"/><c:lang val=\"en-US\"/>"
        "<mc:AlternateContent><mc:Choice Requires=\"c14\"><c14:style val=\"102\"/></mc:Choice>"
        "<mc:Fallback><c:style val=\"2\"/></mc:Fallback></mc:AlternateContent>"
        "<c:clrMapOvr bg1=\"lt1\" tx1=\"dk1\" foo=\"x\"/>"
        "<c:pivotSource><c:name>[b.xlsx]P!T</c:name><c:fmtId val=\"0\"/><c:extLst/><c:extLst/></c:pivotSource>"
        "<c:chart><c:autoTitleDeleted val=\"1\"/><c:view3D><c:rotX/><c:perspective/></c:view3D>"
        "<c:floor/><c:sideWall/><c:backWall/><c:plotArea/>"
        "<c:legend><c:legendPos/><c:legendEntry><c:idx val=\"0\"/><c:delete val=\"1\"/></c:legendEntry></c:legend>"
        "<c:dispBlanksAs/></c:chart><c:chart><c:plotVisOnly val=\"1\"/></c:chart>"
        "<c:printSettings><c:headerFooter alignWithMargins=\"maybe\" differentFirst=\"TRUE\"><c:oddHeader/>"
        "<c:oddFooter>&amp;P</c:oddFooter></c:headerFooter><c:pageMargins l=\"0.7\"/>"
        "<c:pageSetup paperHeight=\"297mm\"/></c:printSettings><c:userShapes r:id=\"rId2\"/>");
  EXPECT_EQ(d.reports, 2);  // foo on c:clrMapOvr, paperHeight on c:pageSetup
  TCT_ChartSpace* cs = d.Space();
  EXPECT_EQ(cs->Date1904()->Val(), 0);
  EXPECT_EQ(cs->Lang()->Val(), u"en-US");
  EXPECT_EQ(cs->Style()->Val(), 2);
  EXPECT_EQ(cs->ClrMapOvr()->Bg1(), stcsiLt1);
  EXPECT_EQ(cs->ClrMapOvr()->Tx1(), stcsiDk1);
  EXPECT_EQ(cs->ClrMapOvr()->Accent1(), 65535);
  EXPECT_EQ(cs->PivotSource()->Name(), u"[b.xlsx]P!T");
  EXPECT_EQ(cs->PivotSource()->ExtLstXpgList()->Count(), 2);
  TCT_Chart* c = cs->Chart();
  EXPECT_EQ(c->AutoTitleDeleted()->Val(), 1);
  EXPECT_EQ(c->PlotVisOnly()->Val(), 1);  // a second c:chart reads into the same chart
  EXPECT_EQ(c->View3D()->RotX()->Val(), 0);
  EXPECT_EQ(c->View3D()->Perspective()->Val(), 30);
  EXPECT_NE(c->Floor(), c->SideWall());
  EXPECT_NE(c->SideWall(), c->BackWall());
  EXPECT_EQ(c->Legend()->LegendPos()->Val(), stlpR);
  EXPECT_EQ(c->Legend()->LegendEntryXpgList()->GetItems(0)->Delete()->Val(), 1);
  EXPECT_EQ(c->DispBlanksAs()->Val(), stdbaZero);
  TCT_HeaderFooter* hf = cs->PrintSettings()->HeaderFooter();
  EXPECT_EQ(hf->AlignWithMargins(), 1);
  EXPECT_EQ(hf->DifferentFirst(), 1);
  EXPECT_EQ(hf->OddHeader(), u"");
  EXPECT_EQ(hf->OddFooter(), u"&P");
  EXPECT_EQ(cs->PrintSettings()->PageMargins()->L(), 0.7);
  EXPECT_TRUE(std::isnan(cs->PrintSettings()->PageMargins()->R()));
  TCT_PageSetup* ps = cs->PrintSettings()->PageSetup();
  EXPECT_EQ(ps->PaperSize(), 1);
  EXPECT_EQ(ps->HorizontalDpi(), 600);
  EXPECT_EQ(ps->VerticalDpi(), 600);
  EXPECT_EQ(ps->Copies(), 1);
  EXPECT_EQ(cs->UserShapes()->R_Id(), u"rId2");
  EXPECT_EQ(d.doc.Chart(), nullptr);
}

TEST(ChartSpace, DocumentElementChartAndStyleDoms) {
  Doc d(std::string("<c:chart@ r:id=\"rId1\"/>"));
  EXPECT_EQ(d.doc.ChartSpace(), nullptr);
  ASSERT_NE(d.doc.Chart(), nullptr);
  EXPECT_EQ(d.doc.Chart()->R_Id(), u"rId1");
  EXPECT_EQ(d.doc.Style(), nullptr);
  TXpgSimpleDOM* s = d.doc.AddStyle();
  EXPECT_EQ(d.doc.Style(), s);
  EXPECT_NE(d.doc.AddStyle(), nullptr);
  EXPECT_EQ(d.doc.Colors(), nullptr);
}

// ---- chart editor ----------------------------------------------------------------------------------

// The editor reaches the first series of the first bar chart; categories written as text
// (c:strRef) are read and written like number categories.
TEST(ChartEditor, ValuesAndCategoriesOfTheFirstBarSeries) {
  struct Case {
    const char* what;
    std::string plot;
    const char16_t* values;
    const char16_t* categories;
  };
  const Case cases[] = {
      {"number categories",
       "<c:lineChart/><c:barChart><c:ser><c:cat><c:numRef><c:f>S!$A$2:$A$5</c:f></c:numRef></c:cat>"
       "<c:val><c:numRef><c:f>S!$B$2:$B$5</c:f></c:numRef></c:val></c:ser><c:ser/></c:barChart><c:barChart/>",
       u"S!$B$2:$B$5", u"S!$A$2:$A$5"},
      {"text categories",
       "<c:barChart><c:ser><c:cat><c:strRef><c:f>S!$A$2:$A$5</c:f></c:strRef></c:cat></c:ser></c:barChart>", u"",
       u"S!$A$2:$A$5"},
      {"no bar chart", "<c:lineChart><c:ser><c:val><c:numRef><c:f>S!$B$2</c:f></c:numRef></c:val></c:ser></c:lineChart>",
       u"", u""},
      {"bar chart without series", "<c:barChart/>", u"", u""},
      {"series without references", "<c:barChart><c:ser/></c:barChart>", u"", u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Doc d(InPlot(c.plot));
    TXLSDrawingEditorChart ed(d.Space()->Chart());
    EXPECT_EQ(ed.Values(), c.values);
    EXPECT_EQ(ed.Categories(), c.categories);
    ed.SetValues(u"T!$C$1:$C$4");
    ed.SetCategories(u"T!$D$1:$D$4");
    // Written where a reference is (without a graphic manager F gives the text itself).
    EXPECT_EQ(ed.Values(), std::u16string(c.values).empty() ? u"" : u"T!$C$1:$C$4");
    EXPECT_EQ(ed.Categories(), std::u16string(c.categories).empty() ? u"" : u"T!$D$1:$D$4");
  }
}

}  // namespace
}  // namespace xls::xpgchart
