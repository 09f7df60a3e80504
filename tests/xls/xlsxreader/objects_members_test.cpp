// The members of a worksheet part and of its parts beside cells and the common objects: scenarios,
// data consolidation, phonetic and custom properties, OLE objects, controls, web publish items,
// pivot selections, every filter kind, the whole table with its query table; and, over the whole
// road, connections, core document properties and custom workbook views. A part the model keeps
// but cannot parse stays as its bytes with a warning.
#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>

#include "tests/xls/xlsxreader/objects_fixtures.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlsstylesheet.h"
#include "xls/model/xlsworkbookdata.h"
#include "xls/xlsxreader/xlsreadxlsx.h"

namespace xls {
namespace {

using namespace objectsfixtures;

TXLSCellArea Area(int c1, int r1, int c2, int r2) { return {r1, r2, c1, c2}; }

TEST(WorksheetObjects_Members, ScenariosConsolidationPhoneticValidationsAndObjects) {
  Load l(Book(
      Worksheet(
          "<sheetViews><sheetView workbookViewId=\"0\">"
          "<pivotSelection pane=\"topLeft\" showHeader=\"1\" axis=\"axisRow\" dimension=\"1\" "
          "activeRow=\"4\" "
          "activeCol=\"2\" click=\"1\" r:id=\"rId8\"><pivotArea field=\"2\" type=\"button\" dataOnly=\"0\" "
          "offset=\"B1:C2\" axis=\"axisCol\" fieldPosition=\"1\"><references count=\"1\">"
          "<reference field=\"2\" count=\"2\" sumSubtotal=\"1\"><x v=\"3\"/><x v=\"5\"/></reference>"
          "</references></pivotArea></pivotSelection></sheetView></sheetViews>"
          "<sheetData/>"
          "<scenarios current=\"1\" show=\"1\" sqref=\"B2:B3\">"
          "<scenario name=\"Best\" locked=\"1\" count=\"2\" user=\"Ann\" comment=\"high\">"
          "<inputCells r=\"B2\" val=\"10\"/><inputCells r=\"B3\" val=\"20\" numFmtId=\"4\" deleted=\"1\"/>"
          "</scenario><scenario name=\"Worst\" hidden=\"1\" count=\"1\"><inputCells r=\"B2\" val=\"1\"/>"
          "</scenario></scenarios>"
          "<dataConsolidate function=\"max\" leftLabels=\"1\" link=\"1\"><dataRefs count=\"2\">"
          "<dataRef ref=\"A1:B4\" sheet=\"North\"/><dataRef name=\"SouthData\" r:id=\"rId6\"/>"
          "</dataRefs></dataConsolidate>"
          "<phoneticPr fontId=\"3\" type=\"hiragana\" alignment=\"center\"/>"
          "<dataValidations count=\"1\" disablePrompts=\"1\" xWindow=\"120\" yWindow=\"45\">"
          "<dataValidation type=\"whole\" imeMode=\"fullKatakana\" sqref=\"C1\"><formula1>1</formula1>"
          "</dataValidation></dataValidations>"
          "<customProperties><customPr name=\"Owner\" r:id=\"rId5\"/></customProperties>"
          "<oleObjects><oleObject progId=\"Package\" dvAspect=\"DVASPECT_ICON\" "
          "oleUpdate=\"OLEUPDATE_ONCALL\" "
          "autoLoad=\"1\" shapeId=\"1025\" r:id=\"rId7\"/></oleObjects>"
          "<controls><control shapeId=\"1026\" r:id=\"rId9\" name=\"Button 1\"/></controls>"
          "<webPublishItems count=\"1\"><webPublishItem id=\"5\" divId=\"d5\" sourceType=\"range\" "
          "sourceRef=\"C3\" destinationFile=\"out.htm\" title=\"T\" autoRepublish=\"1\"/></webPublishItems>"),
      {{"rId5", "customProperty", "../customProperty1.bin", ""}},
      {{"xl/customProperty1.bin", "prop bytes"}}));
  l.ReadSheet();
  TXc12DataWorksheet& s = *l.sheet;

  const TXc12SheetView& view = *s.SheetViews().Items(0);
  ASSERT_EQ(view.FPivotSelection.size(), 1u);
  const TXc12PivotSelection& ps = *view.FPivotSelection[0];
  EXPECT_TRUE(ps.FShowHeader);
  EXPECT_EQ(ps.FAxis, TXc12Axis::x12aAxisRow);
  EXPECT_EQ(ps.FActiveRow, 4);
  EXPECT_EQ(ps.FClick, 1);
  EXPECT_EQ(ps.FRId, u"rId8");
  EXPECT_EQ(ps.FPivotArea.FType_, TXc12PivotAreaType::x12patButton);
  EXPECT_FALSE(ps.FPivotArea.FDataOnly);
  EXPECT_EQ(ps.FPivotArea.FOffset, Area(1, 0, 2, 1));
  EXPECT_EQ(ps.FPivotArea.FAxis, TXc12Axis::x12aAxisCol);
  ASSERT_EQ(ps.FPivotArea.FReferences.size(), 1u);
  EXPECT_TRUE(ps.FPivotArea.FReferences[0]->FSumSubtotal);
  EXPECT_EQ(ps.FPivotArea.FReferences[0]->FValues, (std::vector<int32_t>{3, 5}));

  const TXc12Scenarios& sc = s.Scenarios();
  EXPECT_EQ(sc.FCurrent, 1);
  EXPECT_EQ(sc.FSqref.DelimitedText(), u"B2:B3");
  ASSERT_EQ(sc.Count(), 2u);
  EXPECT_EQ(sc.Items(0)->FName, u"Best");
  EXPECT_TRUE(sc.Items(0)->FLocked);
  EXPECT_EQ(sc.Items(0)->FUser, u"Ann");
  ASSERT_EQ(sc.Items(0)->FInputCells.Count(), 2u);
  const TXc12InputCell& in = *sc.Items(0)->FInputCells.Items(1);
  EXPECT_EQ(in.FCol, 1);
  EXPECT_EQ(in.FRow, 2);
  EXPECT_EQ(in.FVal, u"20");
  EXPECT_EQ(in.FNumFmtId, 4);
  EXPECT_TRUE(in.FDeleted);
  EXPECT_TRUE(sc.Items(1)->FHidden);

  const TXc12DataConsolidate& dc = s.DataConsolidate();
  EXPECT_EQ(dc.FFunction, TXc12DataConsolidateFunction::x12dcfMax);
  EXPECT_TRUE(dc.FLeftLabels);
  EXPECT_FALSE(dc.FTopLabels);
  EXPECT_TRUE(dc.FLink);
  ASSERT_EQ(dc.FDataRefs.Count(), 2u);
  EXPECT_EQ(dc.FDataRefs.Items(0)->FRef, Area(0, 0, 1, 3));
  EXPECT_EQ(dc.FDataRefs.Items(0)->FSheet, u"North");
  EXPECT_EQ(dc.FDataRefs.Items(1)->FRef, Area(-1, -1, -1, -1));
  EXPECT_EQ(dc.FDataRefs.Items(1)->FName, u"SouthData");
  EXPECT_EQ(dc.FDataRefs.Items(1)->FRId, u"rId6");

  EXPECT_EQ(s.PhoneticPr().FFontId, 3);
  EXPECT_EQ(s.PhoneticPr().FType, TXc12PhoneticType::x12ptHiragana);
  EXPECT_EQ(s.PhoneticPr().FAlignment, TXc12PhoneticAlignment::x12paCenter);

  EXPECT_TRUE(s.DataValidations().FDisablePrompts);
  EXPECT_EQ(s.DataValidations().FXWindow, 120);
  EXPECT_EQ(s.DataValidations().FYWindow, 45);
  ASSERT_EQ(s.DataValidations().size(), 1u);
  EXPECT_EQ(s.DataValidations()[0]->FImeMode, TXc12DataValidationImeMode::x12dvimFullKatakana);

  ASSERT_EQ(s.CustomProperties().Count(), 1u);
  EXPECT_EQ(s.CustomProperties().Items(0)->FName, u"Owner");
  const std::vector<uint8_t>& data = s.CustomProperties().Items(0)->FData;
  EXPECT_EQ(std::string(data.begin(), data.end()), "prop bytes");

  ASSERT_EQ(s.OleObjects().Count(), 1u);
  const TXc12OleObject& ole = *s.OleObjects().Items(0);
  EXPECT_EQ(ole.FProgId, u"Package");
  EXPECT_EQ(ole.FDvAspect, TXc12DvAspect::x12daDVASPECT_ICON);
  EXPECT_EQ(ole.FOleUpdate, TXc12OleUpdate::x12ouOLEUPDATE_ONCALL);
  EXPECT_TRUE(ole.FAutoLoad);
  EXPECT_EQ(ole.FShapeId, 1025);
  EXPECT_EQ(ole.FRId, u"rId7");
  ASSERT_EQ(s.Controls().Count(), 1u);
  EXPECT_EQ(s.Controls().Items(0)->FName, u"Button 1");
  EXPECT_EQ(s.Controls().Items(0)->FShapeId, 1026);
  ASSERT_EQ(s.WebPublishItems().Count(), 1u);
  const TXc12WebPublishItem& w = *s.WebPublishItems().Items(0);
  EXPECT_EQ(w.FId, 5);
  EXPECT_EQ(w.FSourceType, TXc12WebSourceType::x12wstRange);
  EXPECT_EQ(w.FSourceRef.AsString(), u"C3");
  EXPECT_EQ(w.FDestinationFile, u"out.htm");
  EXPECT_TRUE(w.FAutoRepublish);
  EXPECT_EQ(l.errors.ErrorList().size(), 0u);
}

TEST(WorksheetObjects_Members, MissingCustomPropertyPartIsAWarning) {
  Load l(Book(Worksheet("<sheetData/><customProperties><customPr name=\"Gone\" r:id=\"rId5\"/>"
                        "</customProperties>"),
              {}));
  l.ReadSheet();
  ASSERT_EQ(l.sheet->CustomProperties().Count(), 1u);
  EXPECT_TRUE(l.sheet->CustomProperties().Items(0)->FData.empty());
  EXPECT_EQ(l.Warnings(u"Custom property part rId5 not found"), 1);
}

TEST(WorksheetObjects_Members, EmptyScenarioListLeavesTheDefaults) {
  Load l(Book(Worksheet("<sheetData/><scenarios current=\"3\" sqref=\"A1\"/>"), {}));
  l.ReadSheet();
  EXPECT_EQ(l.sheet->Scenarios().FCurrent, 0);
  EXPECT_EQ(l.sheet->Scenarios().FSqref.Count(), 0u);
  EXPECT_EQ(l.sheet->PhoneticPr().FType, TXc12PhoneticType::x12ptFullwidthKatakana);
  EXPECT_EQ(l.sheet->DataConsolidate().FFunction, TXc12DataConsolidateFunction::x12dcfSum);
}

TEST(WorksheetObjects_AutoFilter, EveryFilterKind) {
  Load l(Book(
      Worksheet("<sheetData/><autoFilter ref=\"A1:G20\">"
                "<filterColumn colId=\"0\"><top10 top=\"0\" percent=\"1\" val=\"10\" filterVal=\"3.5\"/>"
                "</filterColumn>"
                "<filterColumn colId=\"1\"><dynamicFilter type=\"aboveAverage\" val=\"4.25\"/></filterColumn>"
                "<filterColumn colId=\"2\"><colorFilter dxfId=\"0\" cellColor=\"0\"/></filterColumn>"
                "<filterColumn colId=\"3\"><iconFilter iconSet=\"3Flags\" iconId=\"2\"/></filterColumn>"
                "<filterColumn colId=\"4\"><filters blank=\"1\" calendarType=\"japan\"><filter val=\"a\"/>"
                "<dateGroupItem year=\"2024\" month=\"3\" dateTimeGrouping=\"month\"/>"
                "<dateGroupItem year=\"2023\" day=\"9\" hour=\"13\" dateTimeGrouping=\"hour\"/></filters>"
                "</filterColumn>"
                "<filterColumn colId=\"5\"><colorFilter dxfId=\"9\"/></filterColumn>"
                "<filterColumn colId=\"6\"><dynamicFilter type=\"M12\"/></filterColumn>"
                "</autoFilter>"),
      {}));
  // The differential format the colour filter names comes from the style sheet.
  TXc12DXF* dxf = l.hub.StyleSheet().DXFs().Add();
  l.ReadSheet();
  const TXc12AutoFilter& f = l.sheet->Autofilter();
  ASSERT_EQ(f.ColumnCount(), 7u);
  const TXc12Top10& t = f.Columns(0)->FTop10;
  EXPECT_TRUE(t.FAssigned);
  EXPECT_FALSE(t.FTop);
  EXPECT_TRUE(t.FPercent);
  EXPECT_EQ(t.FVal, 10);
  EXPECT_EQ(t.FFilterVal, 3.5);
  EXPECT_EQ(f.Columns(0)->FDynamicFilter.FType_, TXc12DynamicFilterType::x12dftUnset);
  EXPECT_EQ(f.Columns(1)->FDynamicFilter.FType_, TXc12DynamicFilterType::x12dftAboveAverage);
  EXPECT_EQ(f.Columns(1)->FDynamicFilter.FVal, 4.25);
  EXPECT_FALSE(f.Columns(1)->FTop10.FAssigned);
  EXPECT_TRUE(f.Columns(2)->FColorFilter.FAssigned);
  EXPECT_EQ(f.Columns(2)->FColorFilter.FDXF, dxf);
  EXPECT_FALSE(f.Columns(2)->FColorFilter.FCellColor);
  EXPECT_EQ(f.Columns(3)->FIconFilter.FIconSet, TXc12IconSetType::x12ist3Flags);
  EXPECT_EQ(f.Columns(3)->FIconFilter.FIconId, 2);
  const TXc12FilterColumn& fc = *f.Columns(4);
  EXPECT_TRUE(fc.FBlank);
  EXPECT_EQ(fc.FCalendarType, TXc12CalendarType::x12ctJapan);
  EXPECT_EQ(fc.FFilters, (std::vector<std::u16string>{u"a"}));
  ASSERT_EQ(fc.FDateGroupItems.size(), 2u);
  EXPECT_EQ(fc.FDateGroupItems[0].FYear, 2024);
  EXPECT_EQ(fc.FDateGroupItems[0].FMonth, 3);
  EXPECT_EQ(fc.FDateGroupItems[0].FDateTimeGrouping, TXc12DateTimeGrouping::x12dtgMonth);
  EXPECT_EQ(fc.FDateGroupItems[1].FHour, 13);
  EXPECT_EQ(fc.FDateGroupItems[1].FDateTimeGrouping, TXc12DateTimeGrouping::x12dtgHour);
  // A number the style sheet does not hold names no format; the number itself is kept.
  EXPECT_EQ(f.Columns(5)->FColorFilter.FDXF, nullptr);
  EXPECT_EQ(f.Columns(5)->FColorFilter.FDxfId, 9);
  EXPECT_TRUE(f.Columns(5)->FColorFilter.FCellColor);
  EXPECT_EQ(f.Columns(6)->FDynamicFilter.FType_, TXc12DynamicFilterType::x12dftM12);
}

std::string TableXml(const std::string& attrs) {
  return "<table " + kMain + " id=\"2\" name=\"Q\" displayName=\"Q\" ref=\"A1:C5\" " + attrs +
         "><autoFilter ref=\"A1:C4\"/><tableColumns count=\"3\">"
         "<tableColumn id=\"1\" uniqueName=\"1\" name=\"Region\" queryTableFieldId=\"1\" "
         "headerRowDxfId=\"4\" dataCellStyle=\"Good\" totalsRowLabel=\"Total\"/>"
         "<tableColumn id=\"2\" name=\"Amount\" totalsRowFunction=\"average\" dataDxfId=\"5\">"
         "<totalsRowFormula array=\"1\">SUBTOTAL(101,[Amount])</totalsRowFormula></tableColumn>"
         "<tableColumn id=\"3\" name=\"Mapped\" totalsRowFunction=\"custom\">"
         "<xmlColumnPr mapId=\"1\" xpath=\"/r/a\" denormalized=\"1\" xmlDataType=\"decimal\"/>"
         "</tableColumn></tableColumns>"
         "<tableStyleInfo name=\"TableStyleLight9\" showFirstColumn=\"1\" showColumnStripes=\"1\"/></table>";
}

Load TableBook(const std::string& table, const std::string& queryTable) {
  Parts extra{{"xl/tables/table1.xml", table}};
  if (!queryTable.empty()) {
    extra["xl/tables/_rels/table1.xml.rels"] =
        Rels({{"rId1", "queryTable", "../queryTables/queryTable1.xml", ""}});
    extra["xl/queryTables/queryTable1.xml"] = queryTable;
  }
  return Load(Book(Worksheet("<sheetData/><tableParts count=\"1\"><tablePart r:id=\"rId3\"/></tableParts>"),
                   {{"rId3", "table", "../tables/table1.xml", ""}}, extra));
}

TEST(WorksheetObjects_Table, EveryMemberAndTheQueryTable) {
  Load l = TableBook(
      TableXml("tableType=\"queryTable\" insertRow=\"1\" insertRowShift=\"1\" totalsRowCount=\"1\" "
               "published=\"1\" headerRowDxfId=\"1\" dataDxfId=\"2\" totalsRowDxfId=\"3\" "
               "headerRowBorderDxfId=\"7\" tableBorderDxfId=\"8\" totalsRowBorderDxfId=\"9\" "
               "headerRowCellStyle=\"Heading 1\" dataCellStyle=\"Normal\" totalsRowCellStyle=\"Total\" "
               "connectionId=\"4\""),
      "<queryTable " + kMain +
          " name=\"Query from db\" connectionId=\"4\" autoFormatId=\"16\">"
          "<queryTableRefresh nextId=\"3\"/></queryTable>");
  l.ReadSheet();
  ASSERT_EQ(l.sheet->Tables().Count(), 1u);
  const TXc12Table& t = *l.sheet->Tables().Items(0);
  EXPECT_EQ(t.FTableType, TXc12TableType::x12ttQueryTable);
  EXPECT_TRUE(t.FInsertRow);
  EXPECT_TRUE(t.FInsertRowShift);
  EXPECT_TRUE(t.FPublished);
  const std::u16string dxfIds[] = {t.FHeaderRowDxfId,       t.FDataDxfId,        t.FTotalsRowDxfId,
                                   t.FHeaderRowBorderDxfId, t.FTableBorderDxfId, t.FTotalsRowBorderDxfId};
  EXPECT_EQ(std::vector<std::u16string>(std::begin(dxfIds), std::end(dxfIds)),
            (std::vector<std::u16string>{u"1", u"2", u"3", u"7", u"8", u"9"}));
  EXPECT_EQ(t.FHeaderRowCellStyle, u"Heading 1");
  EXPECT_EQ(t.FDataCellStyle, u"Normal");
  EXPECT_EQ(t.FTotalsRowCellStyle, u"Total");
  EXPECT_EQ(t.FConnectionId, 4);
  EXPECT_EQ(t.FTableStyleInfo.FName, u"TableStyleLight9");
  EXPECT_TRUE(t.FTableStyleInfo.FShowFirstColumn);
  EXPECT_FALSE(t.FTableStyleInfo.FShowLastColumn);
  EXPECT_FALSE(t.FTableStyleInfo.FShowRowStripes);
  EXPECT_TRUE(t.FTableStyleInfo.FShowColumnStripes);

  ASSERT_EQ(t.ColumnCount(), 3u);
  const TXc12TableColumn& c0 = *t.Columns(0);
  EXPECT_EQ(c0.FUniqueName, u"1");
  EXPECT_EQ(c0.FQueryTableFieldId, 1);
  EXPECT_EQ(c0.FHeaderRowDxfId, u"4");
  EXPECT_EQ(c0.FDataCellStyle, u"Good");
  EXPECT_EQ(c0.FTotalsRowFunction, TXc12TotalsRowFunction::x12trfNone);
  EXPECT_FALSE(c0.FXmlColumnPr.FAssigned);
  const TXc12TableColumn& c1 = *t.Columns(1);
  EXPECT_EQ(c1.FTotalsRowFunction, TXc12TotalsRowFunction::x12trfAverage);
  EXPECT_EQ(c1.FDataDxfId, u"5");
  EXPECT_EQ(c1.FTotalsRowFormula, u"SUBTOTAL(101,[Amount])");
  EXPECT_TRUE(c1.FTotalsRowArray);
  EXPECT_FALSE(c1.FCalculatedColumnArray);
  const TXc12TableColumn& c2 = *t.Columns(2);
  EXPECT_EQ(c2.FTotalsRowFunction, TXc12TotalsRowFunction::x12trfCustom);
  EXPECT_TRUE(c2.FXmlColumnPr.FAssigned);
  EXPECT_EQ(c2.FXmlColumnPr.FMapId, 1);
  EXPECT_EQ(c2.FXmlColumnPr.FXpath, u"/r/a");
  EXPECT_TRUE(c2.FXmlColumnPr.FDenormalized);
  EXPECT_EQ(c2.FXmlColumnPr.FXmlDataType, TXc12XmlDataType::x12xdtDecimal);

  const TXc12XmlNode* q = t.FQueryTable.Find(u"queryTable");
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(q->NodeAttribute(u"name"), u"Query from db");
  EXPECT_EQ(q->NodeAttribute(u"connectionId"), u"4");
  EXPECT_TRUE(t.FQueryTable.FBytes.empty());
  EXPECT_EQ(l.pkg.FCurrTable, nullptr);
}

TEST(WorksheetObjects_Table, DefaultsWithoutAttributesAndNoQueryTable) {
  Load l = TableBook(TableXml(""), "");
  l.ReadSheet();
  const TXc12Table& t = *l.sheet->Tables().Items(0);
  EXPECT_EQ(t.FTableType, TXc12TableType::x12ttWorksheet);
  EXPECT_EQ(t.FHeaderRowCount, 1);
  EXPECT_FALSE(t.FPublished);
  EXPECT_EQ(t.FConnectionId, 0);
  EXPECT_EQ(t.FHeaderRowDxfId, u"");
  EXPECT_TRUE(t.FQueryTable.Empty());
}

TEST(WorksheetObjects_Table, DamagedQueryTableIsKeptAsItsBytes) {
  // Cut off inside an attribute: the tokenizer refuses it.
  const std::string damaged = "<queryTable name=\"q\"><queryTableRefresh nextId=\"3";
  Load l = TableBook(TableXml(""), damaged);
  l.ReadSheet();  // the load goes on
  ASSERT_EQ(l.sheet->Tables().Count(), 1u);
  const TXc12KeptXml& q = l.sheet->Tables().Items(0)->FQueryTable;
  EXPECT_EQ(q.FDom, nullptr);
  EXPECT_EQ(std::string(q.FBytes.begin(), q.FBytes.end()), damaged);
  EXPECT_EQ(l.Warnings(u"Part query table of Q kept unparsed"), 1);
}

TEST(ChartsheetObjects_Members, WebPublishItems) {
  Load l(Book(Worksheet("<sheetData/>"), {},
              {{"xl/chartsheets/sheet2.xml",
                "<chartsheet " + kMain +
                    "><sheetViews><sheetView workbookViewId=\"0\"/></sheetViews>"
                    "<webPublishItems count=\"1\"><webPublishItem id=\"9\" divId=\"c\" sourceType=\"chart\" "
                    "destinationFile=\"chart.htm\"/></webPublishItems></chartsheet>"}}));
  TXc12DataWorksheet* chart = l.hub.Worksheets().Add(1);
  l.objects->LoadChartSheet(u"rId2", *chart);
  ASSERT_EQ(chart->WebPublishItems().Count(), 1u);
  EXPECT_EQ(chart->WebPublishItems().Items(0)->FSourceType, TXc12WebSourceType::x12wstChart);
  EXPECT_EQ(chart->WebPublishItems().Items(0)->FDestinationFile, u"chart.htm");
}

// ---- the whole road

const std::string kConnections =
    "<connections " + kMain +
    "><connection id=\"4\" name=\"Sales db\" type=\"1\" refreshOnLoad=\"1\">"
    "<dbPr connection=\"DSN=sales\" command=\"SELECT * FROM t\"/></connection></connections>";

const std::string kCore =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><cp:coreProperties "
    "xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
    "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:dcterms=\"http://purl.org/dc/terms/\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"><dc:creator>Ann</dc:creator>"
    "<cp:lastModifiedBy>Bob</cp:lastModifiedBy>"
    "<dcterms:created xsi:type=\"dcterms:W3CDTF\">2024-03-05T14:30:00Z</dcterms:created>"
    "<dcterms:modified xsi:type=\"dcterms:W3CDTF\">2006-09-16T00:00:00Z</dcterms:modified>"
    "</cp:coreProperties>";

const char kCoreType[] =
    "http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties";

Parts RoadBook(const std::string& connections, const std::string& core,
               const std::string& coreType = kCoreType) {
  Parts p{{"[Content_Types].xml", opcfixtures::kTypes},
          {"xl/workbook.xml",
           "<workbook " + kMain +
               "><customWorkbookViews><customWorkbookView name=\"v\" "
               "guid=\"{00000000-0000-0000-0000-000000000001}\" windowWidth=\"100\" windowHeight=\"80\" "
               "activeSheetId=\"1\" showComments=\"commIndAndComment\" showObjects=\"none\"/>"
               "</customWorkbookViews><sheets><sheet name=\"S\" sheetId=\"1\" "
               "r:id=\"rId1\"/></sheets></workbook>"},
          {"xl/worksheets/sheet1.xml", Worksheet("<sheetData/>")}};
  std::vector<Rel> root{{"rId1", "officeDocument", "xl/workbook.xml", ""}};
  if (!core.empty()) {
    root.push_back({"rId2", coreType, "docProps/core.xml", ""});
    p["docProps/core.xml"] = core;
  }
  p["_rels/.rels"] = Rels(root);
  std::vector<Rel> wb{{"rId1", "worksheet", "worksheets/sheet1.xml", ""}};
  if (!connections.empty()) {
    wb.push_back({"rId2", "connections", "connections.xml", ""});
    p["xl/connections.xml"] = connections;
  }
  p["xl/_rels/workbook.xml.rels"] = Rels(wb);
  return p;
}

struct Road {
  explicit Road(const Parts& parts) : hub(&factory, &errors), bytes(opcfixtures::Package(parts)) {
    errors.SetIgnoreXMLWarnings(false);
    errors.SetSaveToList(true);
    hub.CreateMembers();
    hub.BeforeRead();
    TXLSReadXLSX reader(hub, nullptr);
    reader.LoadFromStream(bytes);
    hub.AfterRead();
  }
  int Warnings(std::u16string_view part) const { return MessagesWith(errors, part); }
  TXLSClassFactoryImpl factory;
  TXLSErrorManager errors;
  TXc12Manager hub;
  TXLSMemoryStream bytes;
};

TEST(PackageRoad_Members, ConnectionsCorePropertiesAndCustomViews) {
  Road r(RoadBook(kConnections, kCore));
  const TXc12XmlNode* c = r.hub.Workbook().Connections().Find(u"connections/connection");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->NodeAttribute(u"name"), u"Sales db");
  EXPECT_EQ(c->NodeAttribute(u"refreshOnLoad"), u"1");
  ASSERT_NE(c->FindNode(u"dbPr"), nullptr);
  EXPECT_EQ(c->FindNode(u"dbPr")->NodeAttribute(u"command"), u"SELECT * FROM t");

  TXc12DocProps& props = r.hub.DocProps();
  EXPECT_EQ(props.Creator(), u"Ann");
  EXPECT_EQ(props.LastModifiedBy(), u"Bob");
  EXPECT_EQ(TXc12DocProps::DateTimeToXmlText(props.DateCreated()), u"2024-03-05T14:30:00Z");
  EXPECT_EQ(TXc12DocProps::DateTimeToXmlText(props.DateModified()), u"2006-09-16T00:00:00Z");

  ASSERT_EQ(r.hub.Workbook().CustomWorkbookViews().Count(), 1u);
  const TXc12CustomWorkbookView& v = *r.hub.Workbook().CustomWorkbookViews().Items(0);
  EXPECT_EQ(v.FShowComments, TXc12Comments_::x12cCommIndAndComment);
  EXPECT_EQ(v.FShowObjects, TXc12Objects::x12oNone);
  // The package of the load stays with the file data.
  EXPECT_NE(r.hub.FileData().FOPC, nullptr);
  // Read parts are not kept a second time with the unread ones.
  EXPECT_EQ(r.hub.FileData().FSavedWorkbook.Count(), 0u);
}

TEST(PackageRoad_Members, CorePropertiesUnderTheTypeLibreOfficeWrites) {
  Road r(RoadBook(
      "", kCore,
      "http://schemas.openxmlformats.org/officedocument/2006/relationships/metadata/core-properties"));
  EXPECT_EQ(r.hub.DocProps().Creator(), u"Ann");
  EXPECT_EQ(r.hub.FileData().FSavedRoot.Count(), 0u);  // read, so not kept a second time
}

TEST(PackageRoad_Members, WithoutPartsTheTemplateAndNoConnections) {
  Road r(RoadBook("", ""));
  EXPECT_TRUE(r.hub.Workbook().Connections().Empty());
  ASSERT_NE(r.hub.FileData().FDocPropsCore.FDom, nullptr);  // the template
  EXPECT_NE(r.hub.FileData().FDocPropsCore.Find(u"cp:coreProperties/dc:creator"), nullptr);
  EXPECT_EQ(r.hub.DocProps().Creator(), u"");
  EXPECT_EQ(r.hub.DocProps().DateCreated(), 0);
  r.hub.DocProps().SetCreator(u"Me");
  EXPECT_EQ(r.hub.DocProps().Creator(), u"Me");
  const auto& v = *r.hub.Workbook().CustomWorkbookViews().Items(0);
  EXPECT_EQ(v.FShowComments, TXc12Comments_::x12cCommIndAndComment);
}

TEST(PackageRoad_Members, DamagedConnectionsAndCorePartsAreKeptAsBytes) {
  // A part cut off inside an attribute and one in an encoding the tokenizer does not read: both
  // are refused; the load still reads the sheet.
  const std::string badConnections = "<connections><connection id=\"1";
  const std::string badCore =
      "<?xml version=\"1.0\" encoding=\"windows-1252\"?><cp:coreProperties><dc:creator>x</dc:creator>"
      "</cp:coreProperties>";
  Road r(RoadBook(badConnections, badCore));
  const TXc12KeptXml& c = r.hub.Workbook().Connections();
  EXPECT_EQ(c.FDom, nullptr);
  EXPECT_EQ(std::string(c.FBytes.begin(), c.FBytes.end()), badConnections);
  EXPECT_EQ(r.Warnings(u"Part connections kept unparsed"), 1);
  const TXc12KeptXml& core = r.hub.FileData().FDocPropsCore;
  EXPECT_EQ(std::string(core.FBytes.begin(), core.FBytes.end()), badCore);
  EXPECT_EQ(r.Warnings(u"Part docProps/core.xml kept unparsed"), 1);
  EXPECT_EQ(r.hub.DocProps().Creator(), u"");
  EXPECT_EQ(r.hub.Worksheets().Count(), 1u);
}

}  // namespace
}  // namespace xls
