// Worksheet, workbook, shared-string and comments parts read through the SpreadsheetML unit:
// the streamed containers with their event order, defaults, conversions and reports.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/textcodec.h"
#include "xls/spreadsheetml/xpgparsexlsx.h"

namespace xls::xpgxlsx {
namespace {

const std::string kMain = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
const std::string kRel = "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";

std::string U8(std::u16string_view s) { return kws::Utf16ToUtf8(s); }

struct Doc {
  TXPGDocXLSX doc;
  std::vector<std::string> reports;
  std::vector<std::string> events;
  Doc() {
    doc.Errors().OnError = [this](TXpgPErrors& e) { reports.push_back(U8(e.LastErrorText())); };
  }
  void Load(const std::string& root, const std::string& body) {
    doc.LoadFromBytes("<" + root + " " + kMain + " " + kRel + ">" + body + "</" + root + ">");
  }
};

// A worksheet whose events are logged as text.
struct Sheet : Doc {
  explicit Sheet(const std::string& body) {
    TCT_Worksheet* ws = doc.Worksheet();
    ws->SheetData()->OnReadRow = [this](TCT_Row& r) {
      std::string s = "row " + std::to_string(r.R());
      for (int i = 0; i < r.SpansXpgList().Count(); ++i) s += " " + U8(r.SpansXpgList().GetItems(i));
      events.push_back(s);
    };
    ws->SheetData()->Row()->OnReadC = [this](TCT_Cell& c) {
      std::string s =
          "c " + U8(c.R()) + " t" + std::to_string(c.T()) + " s" + std::to_string(c.S()) + " v=" + U8(c.V());
      if (c.F()->Available())
        s += " f" + std::to_string(c.F()->T()) + "/" + std::to_string(c.F()->Si()) + "=" +
             U8(c.F()->Content());
      if (c.Is()->Available()) s += " is=" + U8(c.Is()->T());
      events.push_back(s);
    };
    doc.OnReadWorksheetColsCol = [this](TCT_Col& c) {
      events.push_back("col " + std::to_string(c.Min()) + "-" + std::to_string(c.Max()) + " w" +
                       std::to_string(c.Width()));
    };
    ws->MergeCells()->OnReadMergeCell = [this](TCT_MergeCell& m) {
      events.push_back("merge " + U8(m.Ref()));
    };
    ws->Hyperlinks()->OnReadHyperlink = [this](TCT_Hyperlink& h) {
      events.push_back("link " + U8(h.Ref()) + " " + U8(h.R_Id()) + " " + U8(h.Location()) + " " +
                       U8(h.Display()));
    };
    Load("worksheet", body);
  }
};

TEST(TCT_SheetData_Stream, EventOrder) {
  Sheet s(
      "<cols><col min=\"1\" max=\"2\" width=\"9.5\"/></cols><cols><col min=\"5\" max=\"5\"/></cols>"
      "<sheetData>"
      "<row r=\"1\" spans=\"1:3\"><c r=\"A1\" t=\"s\"><v>0</v></c><c "
      "r=\"B1\"><f>SUM(1,2)</f><v>3</v></c></row>"
      "<row r=\"3\" spans=\"1:2 4:5\"/>"
      "<row r=\"4\"><c r=\"A4\" t=\"inlineStr\"><is><t> hi </t></is></c><c r=\"B4\" s=\"2\"/></row>"
      "</sheetData>"
      "<mergeCells count=\"9\"><mergeCell ref=\"A1:B2\"/><mergeCell ref=\"C3:D4\"/></mergeCells>"
      "<hyperlinks><hyperlink ref=\"A1\" r:id=\"rId1\" display=\"x\"/><hyperlink ref=\"B2\" "
      "location=\"S!A1\"/></hyperlinks>");
  const std::vector<std::string> expected = {
      "col 1-2 w9.500000",
      "col 5-5 w0.000000",
      "c A1 t4 s0 v=0",
      "c B1 t1 s0 v=3 f0/65535=SUM(1,2)",
      "row 1 1:3",
      "row 3 1:2 4:5",
      "c A4 t6 s0 v= is=hi",
      "c B4 t1 s2 v=",
      "row 4",
      "merge A1:B2",
      "merge C3:D4",
      "link A1 rId1  x",
      "link B2  S!A1 ",
  };
  EXPECT_EQ(s.events, expected);
  EXPECT_TRUE(s.reports.empty());
  EXPECT_EQ(s.doc.Worksheet()->ColsXpgList()->Count(), 2);
  EXPECT_EQ(s.doc.Worksheet()->MergeCells()->Count_(), 9);
  // the reused objects end empty: nothing fires for the end of a non-streamed child
  EXPECT_EQ(s.doc.Worksheet()->SheetData()->Row()->C()->Assigneds(), 0);
}

TEST(TCT_Row_Stream, UnknownChildrenAndAttributes) {
  struct Case {
    std::string body;
    std::vector<std::string> events;
    std::vector<std::string> reports;
  };
  const std::vector<Case> cases = {
      // a row child that is not c is reported and skipped; it never becomes a cell
      {"<row r=\"2\"><col r=\"A2\"/><cx/><c r=\"B2\"/></row>",
       {"c B2 t1 s0 v=", "row 2"},
       {"Row 0: Unknown Element col", "Row 0: Unknown Element cx"}},
      // a cell inside an unknown wrapper is not read
      {"<row r=\"1\"><wrap><c r=\"A1\"/></wrap></row>", {"row 1"}, {"Row 0: Unknown Element wrap"}},
      // unknown attributes on row and cell
      {"<row r=\"1\" x14ac:dyDescent=\"0.25\" xmlns:x14ac=\"urn:ac\"><c r=\"A1\" foo=\"1\"/></row>",
       {"c A1 t1 s0 v=", "row 1"},
       {"Row 0: Unknown Attribute x14ac:dyDescent", "Row 0: Unknown Attribute foo"}},
      // children of a cell by exact name: vm and value are not the value
      {"<row><c r=\"A1\"><vm>1</vm><v>2</v></c></row>",
       {"c A1 t1 s0 v=2", "row 0"},
       {"Row 0: Unknown Element vm"}},
      // whitespace-only formula text is no formula text
      {"<row><c r=\"A1\"><f t=\"shared\" si=\"3\">  \n </f></c><c r=\"A2\"><f>1+1</f></c><c r=\"A3\"/></row>",
       {"c A1 t1 s0 v= f3/3=", "c A2 t1 s0 v= f0/65535=1+1", "c A3 t1 s0 v=", "row 0"},
       {}},
      // cell types: unknown text is not given (255), never a Boolean
      {"<row><c t=\"str\"/><c t=\"x\"/><c t=\"E\"/></row>",
       {"c  t5 s0 v=", "c  t255 s0 v=", "c  t3 s0 v=", "row 0"},
       {}},
      // an row is matched in the main namespace only
      {"<x:row xmlns:x=\"urn:other\"><c/></x:row>", {}, {"Row 0: Unknown Element x:row"}},
  };
  for (const Case& c : cases) {
    Sheet s("<sheetData>" + c.body + "</sheetData>");
    EXPECT_EQ(s.events, c.events) << c.body;
    EXPECT_EQ(s.reports, c.reports) << c.body;
  }
}

TEST(TCT_Row_Read, AttributeConversions) {
  TCT_Row* last = nullptr;
  struct Got {
    int r;
    double ht;
    int hidden, customHeight, outline;
  } got{};
  Doc d;
  d.doc.Worksheet()->SheetData()->OnReadRow = [&](TCT_Row& r) {
    last = &r;
    got = {r.R(), r.Ht(), r.Hidden(), r.CustomHeight(), r.OutlineLevel()};
  };
  d.Load("worksheet",
         "<sheetData><row r=\"7\" ht=\"12,5\" hidden=\"yes\" customHeight=\"T\" "
         "outlineLevel=\"x\"/></sheetData>");
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(got.r, 7);
  EXPECT_EQ(got.ht, 0.0);
  EXPECT_EQ(got.hidden, 0);
  EXPECT_EQ(got.customHeight, 1);
  EXPECT_EQ(got.outline, 0);
  // with OnReadC unassigned the cell stays filled until the next cell start clears it
  Doc e;
  e.Load("worksheet", "<sheetData><row><c r=\"Z9\"><v>5</v></c></row></sheetData>");
  EXPECT_EQ(e.doc.Worksheet()->SheetData()->Row()->C()->R(), u"Z9");
}

// The row's short path (only r and spans) and the general path (any other attribute present)
// give the same span list and number.
TEST(TCT_Row_Read, SpansAndNumberOnBothPaths) {
  struct Case {
    const char* attrs;
    std::vector<std::string> spans;
    int r;
  };
  const Case cases[] = {
      {"r=\"3\" spans=\"1:10\"", {"1:10"}, 3},
      {"spans=\"1:3 5:6\" r=\"12\"", {"1:3", "5:6"}, 12},
      {"spans=\" a\"", {"", "a"}, 0},
      {"spans=\"a \"", {"a"}, 0},
      {"spans=\"a  b\"", {"a", "", "b"}, 0},
      {"spans=\"\" r=\"x\"", {}, 0},
      {"spans=\"\xC3\xA9 1:2\"", {"\xC3\xA9", "1:2"}, 0},
      {"r=\"+4\" spans=\"1:1\" r=\"5\"", {"1:1"}, 5},
  };
  for (const Case& k : cases)
    for (const char* extra : {"", " ht=\"15\""}) {
      Doc d;
      std::vector<std::string> spans;
      int r = -1;
      d.doc.Worksheet()->SheetData()->OnReadRow = [&](TCT_Row& row) {
        r = row.R();
        for (int i = 0; i < row.SpansXpgList().Count(); ++i)
          spans.push_back(U8(row.SpansXpgList().GetItems(i)));
      };
      d.Load("worksheet", std::string("<sheetData><row ") + k.attrs + extra + "/></sheetData>");
      EXPECT_EQ(spans, k.spans) << k.attrs << extra;
      EXPECT_EQ(r, k.r) << k.attrs << extra;
    }
}

TEST(TCT_Cell_Read, AttributesAndValueTexts) {
  Doc d;
  std::vector<std::string> got;
  d.doc.Worksheet()->SheetData()->Row()->OnReadC = [&](TCT_Cell& c) {
    got.push_back(U8(c.R()) + " s" + std::to_string(c.S()) + " cm" + std::to_string(c.Cm()) + " vm" +
                  std::to_string(c.Vm()) + " ph" + std::to_string(c.Ph()) + " v=" + U8(c.V()) +
                  " f=" + U8(c.F()->Content()) + " ref=" + U8(c.F()->Ref()));
  };
  d.Load("worksheet",
         "<sheetData><row>"
         "<c r=\"A1\" s=\"abc\" cm=\"2\" vm=\"x\" ph=\"1\" x:r=\"B1\" xmlns:x=\"urn:x\"><v>a&amp;b</v></c>"
         "<c r=\"\xC3\xA9\"><v>\xE2\x82\xAC 1</v><f t=\"array\" ref=\"A1:B2\">{1,2}</f></c>"
         "<c><x:v xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">7</x:v></c>"
         "</row></sheetData>");
  EXPECT_EQ(got, (std::vector<std::string>{"A1 s0 cm2 vm0 ph1 v=a&b f= ref=",
                                           "\xC3\xA9 s0 cm0 vm0 ph0 v=\xE2\x82\xAC 1 f={1,2} ref=A1:B2",
                                           " s0 cm0 vm0 ph0 v=7 f= ref="}));
  EXPECT_EQ(d.reports, (std::vector<std::string>{"Row 0: Unknown Attribute x:r"}));
}

// The cell's attributes as the hand-written hot path reads them must agree with the general
// conversions: type letters in any case, anything else through the type table (255 when unknown),
// style indexes of any form, and the reference and value text as bytes and as engine text.
TEST(TCT_Cell_Read, TypeTextsStyleIndexesAndBytes) {
  struct Case {
    const char* attrs;
    int type, style;
  };
  const Case cases[] = {
      {"t=\"s\"", stctS, 0},
      {"t=\"S\"", stctS, 0},
      {"t=\"b\" s=\"12\"", stctB, 12},
      {"t=\"D\" s=\"007\"", stctD, 7},
      {"t=\"e\"", stctE, 0},
      {"t=\"str\"", stctStr, 0},
      {"t=\"INLINESTR\"", stctInlineStr, 0},
      {"t=\"x\"", 255, 0},
      {"t=\"\"", 255, 0},
      {"t=\"n \"", 255, 0},
      {"s=\"+5\"", stctN, 5},
      {"s=\"-1\"", stctN, -1},
      {"s=\"123456789\"", stctN, 123456789},
      {"s=\"2147483647\"", stctN, 2147483647},
      {"s=\"99999999999\"", stctN, 0},
      {"s=\"1.0\"", stctN, 0},
  };
  for (const Case& k : cases) {
    Doc d;
    int type = -1, style = -1;
    d.doc.Worksheet()->SheetData()->Row()->OnReadC = [&](TCT_Cell& c) {
      type = c.T();
      style = c.S();
    };
    d.Load("worksheet", std::string("<sheetData><row><c ") + k.attrs + "/></row></sheetData>");
    EXPECT_EQ(type, k.type) << k.attrs;
    EXPECT_EQ(style, k.style) << k.attrs;
  }
  Doc d;
  std::vector<std::string> got;
  d.doc.Worksheet()->SheetData()->Row()->OnReadC = [&](TCT_Cell& c) {
    got.push_back(std::string(c.RBytes()) + "|" + std::string(c.VBytes()) + "|" + U8(c.R()) + "|" +
                  U8(c.V()));
    c.SetV(u"x\u00e9");  // a handler's change is gone with the clearing after the event
    got.push_back(std::string(c.VBytes()) + "|" + U8(c.V()));
  };
  d.Load("worksheet",
         "<sheetData><row><c r=\"B&#50;\"><v>1&lt;2 \xE2\x82\xAC</v></c><c><v/></c></row></sheetData>");
  EXPECT_EQ(got, (std::vector<std::string>{"B2|1<2 \xE2\x82\xAC|B2|1<2 \xE2\x82\xAC", "x\xC3\xA9|x\xC3\xA9",
                                           "|||", "x\xC3\xA9|x\xC3\xA9"}));
}

TEST(TCT_MergeCells_Stream, FirstAttributeNotRefStillScanned) {
  Sheet s("<mergeCells><mergeCell foo=\"1\" ref=\"A1:A2\"/><mergeCell bar=\"x\"/></mergeCells>");
  EXPECT_EQ(s.events, (std::vector<std::string>{"merge A1:A2", "merge "}));
  EXPECT_EQ(s.reports,
            (std::vector<std::string>{"Row 0: Unknown Attribute foo", "Row 0: Unknown Attribute bar"}));
}

TEST(TCT_Worksheet_Read, SheetLevelElements) {
  Doc d;
  d.Load(
      "worksheet",
      "<sheetPr published=\"no\" codeName=\"S1\"><tabColor rgb=\"FFFF0000\"/><outlinePr "
      "summaryBelow=\"0\"/></sheetPr>"
      "<dimension ref=\"A1:D20\"/>"
      "<sheetFormatPr baseColWidth=\"abc\" defaultRowHeight=\"15\"/>"
      "<sheetProtection password=\"CC1A\" sheet=\"1\" algorithmName=\"SHA-512\"/>"
      "<pageSetup orientation=\"landscape\" usePrinterDefaults=\"yes\"/>"
      "<headerFooter><oddHeader>&amp;CPage &amp;P</oddHeader></headerFooter>"
      "<rowBreaks count=\"3\" manualBreakCount=\"2\"><brk id=\"4\" man=\"1\"/><brk id=\"9\"/></rowBreaks>"
      "<drawing r:id=\"rId2\"/><legacyDrawing r:id=\"rId3\"/>"
      "<tableParts count=\"2\"><tablePart r:id=\"rId4\"/><tablePart r:id=\"rId5\"/></tableParts>"
      "<autoFilter ref=\"A1:C9\"><filterColumn colId=\"1\"><customFilters><customFilter val=\"a*\"/>"
      "<customFilter operator=\"greaterThan\" val=\"3\"/></customFilters></filterColumn>"
      "<filterColumn colId=\"2\"><customFilters and=\"maybe\"/><colorFilter/></filterColumn></autoFilter>");
  TCT_Worksheet* ws = d.doc.Worksheet();
  EXPECT_EQ(d.reports, (std::vector<std::string>{"Row 0: Unknown Attribute algorithmName"}));
  EXPECT_TRUE(ws->SheetPr()->Available());
  EXPECT_EQ(ws->SheetPr()->Published_(), 0);
  EXPECT_EQ(ws->SheetPr()->EnableFormatConditionsCalculation(), 1);
  EXPECT_EQ(ws->SheetPr()->TabColor()->Rgb(), int32_t(0xFFFF0000));
  EXPECT_EQ(ws->SheetPr()->OutlinePr()->SummaryBelow(), 0);
  EXPECT_EQ(ws->SheetPr()->OutlinePr()->SummaryRight(), 1);
  EXPECT_FALSE(ws->SheetPr()->PageSetUpPr()->Available());
  EXPECT_EQ(ws->Dimension()->Ref(), u"A1:D20");
  EXPECT_EQ(ws->SheetFormatPr()->BaseColWidth(), 0);
  EXPECT_EQ(ws->SheetFormatPr()->DefaultRowHeight(), 15.0);
  EXPECT_EQ(ws->SheetProtection()->Password(), 0xCC1A);
  EXPECT_EQ(ws->SheetProtection()->Sheet(), 1);
  EXPECT_EQ(ws->SheetProtection()->FormatCells(), 1);
  EXPECT_EQ(ws->PageSetup()->Orientation(), stoLandscape);
  EXPECT_EQ(ws->PageSetup()->UsePrinterDefaults(), 0);
  EXPECT_EQ(ws->PageSetup()->PaperSize(), 1);
  EXPECT_EQ(ws->PageSetup()->Scale(), 100);
  EXPECT_EQ(ws->PageSetup()->HorizontalDpi(), 600);
  EXPECT_EQ(ws->HeaderFooter()->OddHeader(), u"&CPage &P");
  EXPECT_EQ(ws->HeaderFooter()->ScaleWithDoc(), 1);
  ASSERT_EQ(ws->RowBreaks()->BrkXpgList()->Count(), 2);
  EXPECT_EQ(ws->RowBreaks()->BrkXpgList()->GetItems(0)->Man(), 1);
  EXPECT_FALSE(ws->ColBreaks()->Available());
  EXPECT_EQ(ws->Drawing()->R_Id(), u"rId2");
  EXPECT_EQ(ws->LegacyDrawing()->R_Id(), u"rId3");
  ASSERT_EQ(ws->TableParts()->TablePartXpgList()->Count(), 2);
  EXPECT_EQ(ws->TableParts()->TablePartXpgList()->GetItems(1)->R_Id(), u"rId5");
  TCT_FilterColumn* f0 = ws->AutoFilter()->FilterColumnXpgList()->GetItems(0);
  EXPECT_EQ(f0->CustomFilters()->And(), 1);
  ASSERT_EQ(f0->CustomFilters()->CustomFilterXpgList()->Count(), 2);
  EXPECT_EQ(f0->CustomFilters()->CustomFilterXpgList()->GetItems(0)->Operator_(), stfoEqual);
  EXPECT_EQ(f0->CustomFilters()->CustomFilterXpgList()->GetItems(1)->Operator_(), stfoGreaterThan);
  TCT_FilterColumn* f1 = ws->AutoFilter()->FilterColumnXpgList()->GetItems(1);
  EXPECT_EQ(f1->CustomFilters()->And(), 1);  // other text reads True here
  EXPECT_EQ(f1->ColorFilter()->DxfId(), -1);
  EXPECT_EQ(f1->ColorFilter()->CellColor(), 1);
  EXPECT_FALSE(f1->Top10()->Available());
  // the relationship id is matched by namespace, whatever the prefix
  Doc p;
  p.doc.LoadFromBytes("<worksheet " + kMain +
                      " xmlns:rel=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                      "<drawing rel:id=\"rId7\"/></worksheet>");
  EXPECT_EQ(p.doc.Worksheet()->Drawing()->R_Id(), u"rId7");
  EXPECT_TRUE(p.reports.empty());
}

TEST(TCT_SheetView_Read, ViewsPanesSelections) {
  Doc d;
  d.Load(
      "worksheet",
      "<sheetViews><sheetView workbookViewId=\"0\"/>"
      "<sheetView showGridLines=\"no\" view=\"PageLayout\" zoomScale=\"85\" workbookViewId=\"1\">"
      "<pane xSplit=\"2\" topLeftCell=\"C1\" state=\"frozen\"/><selection/><selection sqref=\"A1:B2 D4\"/>"
      "<selection/><selection/><selection pane=\"bottomLeft\"/>"
      "<pivotSelection axis=\"axisPage\"><pivotArea><references><reference countASubtotal=\"1\" "
      "stdDevSubtotal=\"0\">"
      "<x v=\"3\"/></reference></references></pivotArea></pivotSelection></sheetView></sheetViews>"
      "<customSheetViews><customSheetView guid=\"{G}\" showRowCol=\"0\" hiddenRows=\"1\" state=\"hidden2\">"
      "<selection activeCell=\"B2\"/><rowBreaks><brk "
      "id=\"3\"/></rowBreaks></customSheetView></customSheetViews>");
  EXPECT_TRUE(d.reports.empty());
  TCT_SheetViews* v = d.doc.Worksheet()->SheetViews();
  ASSERT_EQ(v->SheetViewXpgList()->Count(), 2);
  TCT_SheetView* a = v->SheetViewXpgList()->GetItems(0);
  EXPECT_EQ(a->ShowGridLines(), 1);
  EXPECT_EQ(a->ZoomScale(), 100);
  EXPECT_EQ(a->ColorId(), 64);
  EXPECT_EQ(a->View(), stsvtNormal);
  EXPECT_FALSE(a->Pane()->Available());
  TCT_SheetView* b = v->SheetViewXpgList()->GetItems(1);
  EXPECT_EQ(b->ShowGridLines(), 0);
  EXPECT_EQ(b->View(), stsvtPageLayout);
  EXPECT_EQ(b->ZoomScale(), 85);
  EXPECT_EQ(b->Pane()->XSplit(), 2.0);
  EXPECT_EQ(b->Pane()->State(), stpsFrozen);
  EXPECT_EQ(b->Pane()->ActivePane(), stpTopLeft);
  ASSERT_EQ(b->SelectionXpgList()->Count(), 5);
  EXPECT_EQ(b->SelectionXpgList()->GetItems(0)->SqrefXpgList().Count(), 1);
  EXPECT_EQ(b->SelectionXpgList()->GetItems(0)->SqrefXpgList().GetItems(0), u"A1");
  ASSERT_EQ(b->SelectionXpgList()->GetItems(1)->SqrefXpgList().Count(), 2);
  EXPECT_EQ(b->SelectionXpgList()->GetItems(1)->SqrefXpgList().GetItems(1), u"D4");
  EXPECT_EQ(b->SelectionXpgList()->GetItems(4)->Pane(), stpBottomLeft);
  TCT_PivotSelection* ps = b->PivotSelectionXpgList()->GetItems(0);
  EXPECT_EQ(ps->Axis(), staAxisPage);
  EXPECT_EQ(ps->PivotArea()->Axis(), 255);
  TCT_PivotAreaReference* ref = ps->PivotArea()->References()->ReferenceXpgList()->GetItems(0);
  EXPECT_EQ(ref->CountASubtotal(), 1);
  EXPECT_EQ(ref->StdDevSubtotal(), 0);
  EXPECT_EQ(ref->Selected(), 1);
  EXPECT_EQ(ref->XXpgList()->GetItems(0)->V(), 3);
  TCT_CustomSheetView* c = d.doc.Worksheet()->CustomSheetViews()->CustomSheetViewXpgList()->GetItems(0);
  EXPECT_EQ(c->ShowRowCol(), 0);
  EXPECT_EQ(c->HiddenRows(), 1);
  EXPECT_EQ(c->State(), 255);  // not a sheet state
  EXPECT_EQ(c->Scale(), 100);
  EXPECT_EQ(c->Selection()->ActiveCell(), u"B2");
  EXPECT_EQ(c->RowBreaks()->BrkXpgList()->Count(), 1);
  EXPECT_FALSE(c->PageSetup()->Available());
}

TEST(TCT_ConditionalFormatting_Read, RulesVisualsAndValidations) {
  Doc d;
  d.Load(
      "worksheet",
      "<conditionalFormatting sqref=\"A1:A9 C1\"><cfRule type=\"cellIs\" operator=\"between\" priority=\"2\">"
      "<formula> 1 </formula><formula>A1&lt;2</formula><formula/></cfRule>"
      "<cfRule type=\"iconSet\"><iconSet><cfvo type=\"percent\" val=\"0\"/><cfvo "
      "type=\"gregorian\"/></iconSet></cfRule>"
      "<cfRule type=\"dataBar\"><dataBar><cfvo type=\"min\"/><color rgb=\"FF0000FF\" theme=\"1\"/><color "
      "theme=\"4\"/></dataBar></cfRule>"
      "</conditionalFormatting><conditionalFormatting sqref=\"B2\"/>"
      "<dataValidations count=\"1\"><dataValidation type=\"list\" allowBlank=\"1\" sqref=\"D1:D5\">"
      "<formula1>\"a,b\"</formula1><formula2>1</formula2><formula2>2</formula2></dataValidation>"
      "<dataValidation/></dataValidations>");
  EXPECT_TRUE(d.reports.empty());
  TCT_Worksheet* ws = d.doc.Worksheet();
  ASSERT_EQ(ws->ConditionalFormattingXpgList()->Count(), 2);
  TCT_ConditionalFormatting* cf = ws->ConditionalFormattingXpgList()->GetItems(0);
  EXPECT_EQ(cf->SqrefXpgList().Count(), 2);
  TCT_CfRule* r0 = cf->CfRuleXpgList()->GetItems(0);
  EXPECT_EQ(r0->Type_(), stctCellIs);
  EXPECT_EQ(r0->Operator_(), stcfoBetween);
  EXPECT_EQ(r0->TimePeriod(), 255);
  EXPECT_EQ(r0->DxfId(), -1);
  EXPECT_EQ(r0->AboveAverage(), 1);
  ASSERT_EQ(r0->FormulaXpgList().Count(), 3);
  EXPECT_EQ(r0->FormulaXpgList().GetItems(0), u" 1 ");
  EXPECT_EQ(r0->FormulaXpgList().GetItems(1), u"A1<2");
  EXPECT_EQ(r0->FormulaXpgList().GetItems(2), u"");
  TCT_IconSet* is = cf->CfRuleXpgList()->GetItems(1)->IconSet();
  EXPECT_EQ(is->IconSet(), stist3TrafficLights1);
  EXPECT_EQ(is->ShowValue() + is->Percent(), 2);
  EXPECT_EQ(is->CfvoXpgList()->GetItems(0)->Type_(), stctPercent);
  EXPECT_EQ(is->CfvoXpgList()->GetItems(1)->Type_(), 255);  // a calendar value is not a cfvo type
  EXPECT_EQ(is->CfvoXpgList()->GetItems(1)->Gte(), 1);
  TCT_DataBar* db = cf->CfRuleXpgList()->GetItems(2)->DataBar();
  EXPECT_EQ(db->MinLength(), 10);
  EXPECT_EQ(db->Color()->Theme(), 4);  // the second color overwrites what it carries
  EXPECT_EQ(db->Color()->Rgb(), int32_t(0xFF0000FF));
  TCT_DataValidation* v = ws->DataValidations()->DataValidationXpgList()->GetItems(0);
  EXPECT_EQ(v->Type_(), stdvtList);
  EXPECT_EQ(v->AllowBlank(), 1);
  EXPECT_EQ(v->Formula1(), u"\"a,b\"");
  EXPECT_EQ(v->Formula2(), u"2");
  EXPECT_EQ(v->SqrefXpgList().GetItems(0), u"D1:D5");
  TCT_DataValidation* e = ws->DataValidations()->DataValidationXpgList()->GetItems(1);
  EXPECT_EQ(e->Operator_(), stdvoBetween);
  EXPECT_EQ(e->ErrorStyle(), stdvesStop);
}

TEST(TCT_Worksheet_Read, OtherCollectionsAndCompatibilityWrappers) {
  Doc d;
  d.doc.LoadFromBytes(
      "<worksheet " + kMain + " " + kRel +
      " xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\">"
      "<protectedRanges><protectedRange password=\"CE2B\" sqref=\"A1:B2 D4\" name=\"R\" spinCount=\"9\"/>"
      "<protectedRange password=\"xyz\"/></protectedRanges>"
      "<scenarios current=\"1\"><scenario name=\"S\" count=\"1\"><inputCells r=\"A1\" "
      "val=\"5\"/></scenario></scenarios>"
      "<dataConsolidate><dataRefs count=\"1\"><dataRef ref=\"A1:B3\" "
      "sheet=\"X\"/></dataRefs></dataConsolidate>"
      "<ignoredErrors><ignoredError sqref=\"C1\" numberStoredAsText=\"1\"/></ignoredErrors>"
      "<smartTags><cellSmartTags r=\"B2\"><cellSmartTag type=\"0\"><cellSmartTagPr key=\"k\" val=\"v\"/>"
      "</cellSmartTag></cellSmartTags></smartTags>"
      "<mc:AlternateContent><mc:Choice Requires=\"x14\"><oleObjects><oleObject "
      "progId=\"Choice\"/></oleObjects></mc:Choice>"
      "<mc:Fallback><oleObjects><oleObject progId=\"Word.Document.12\" shapeId=\"1025\" "
      "r:id=\"rId3\"/></oleObjects>"
      "</mc:Fallback></mc:AlternateContent>"
      "<controls><control shapeId=\"7\" name=\"Button 1\"/></controls>"
      "<webPublishItems count=\"1\"><webPublishItem id=\"2\" "
      "sourceType=\"range\"/><webPublishItem/></webPublishItems>"
      "</worksheet>");
  EXPECT_EQ(d.reports, (std::vector<std::string>{"Row 0: Unknown Attribute spinCount"}));
  TCT_Worksheet* ws = d.doc.Worksheet();
  TCT_ProtectedRange* pr = ws->ProtectedRanges()->ProtectedRangeXpgList()->GetItems(0);
  EXPECT_EQ(pr->Password(), 0xCE2B);
  EXPECT_EQ(pr->SqrefXpgList().Count(), 2);
  EXPECT_EQ(pr->Name(), u"R");
  EXPECT_EQ(ws->ProtectedRanges()->ProtectedRangeXpgList()->GetItems(1)->Password(), 0);
  EXPECT_EQ(ws->Scenarios()->Current(), 1);
  EXPECT_EQ(ws->Scenarios()->ScenarioXpgList()->GetItems(0)->InputCellsXpgList()->GetItems(0)->Val(), u"5");
  EXPECT_EQ(ws->DataConsolidate()->Function_(), stdcfSum);
  EXPECT_EQ(ws->DataConsolidate()->DataRefs()->DataRefXpgList()->GetItems(0)->Sheet(), u"X");
  EXPECT_EQ(ws->IgnoredErrors()->IgnoredErrorXpgList()->GetItems(0)->NumberStoredAsText(), 1);
  TCT_CellSmartTags* st = ws->SmartTags()->CellSmartTagsXpgList()->GetItems(0);
  EXPECT_EQ(st->R(), u"B2");
  EXPECT_EQ(st->CellSmartTagXpgList()->GetItems(0)->CellSmartTagPrXpgList()->GetItems(0)->Val(), u"v");
  // only the Fallback branch of a compatibility wrapper is read
  ASSERT_EQ(ws->OleObjects()->OleObjectXpgList()->Count(), 1);
  TCT_OleObject* o = ws->OleObjects()->OleObjectXpgList()->GetItems(0);
  EXPECT_EQ(o->ProgId(), u"Word.Document.12");
  EXPECT_EQ(o->DvAspect(), stdaDVASPECT_CONTENT);
  EXPECT_EQ(o->OleUpdate(), 255);
  EXPECT_EQ(o->R_Id(), u"rId3");
  EXPECT_EQ(ws->Controls()->ControlXpgList()->GetItems(0)->Name(), u"Button 1");
  EXPECT_EQ(ws->WebPublishItems()->WebPublishItemXpgList()->GetItems(0)->SourceType(), stwstRange);
  EXPECT_EQ(ws->WebPublishItems()->WebPublishItemXpgList()->GetItems(1)->SourceType(), 255);
}

TEST(TCT_Chartsheet_Read, ChartsheetAndDialogsheet) {
  Doc d;
  d.Load("chartsheet",
         "<sheetPr codeName=\"C\"><tabColor indexed=\"10\"/></sheetPr>"
         "<sheetViews><sheetView zoomToFit=\"1\" workbookViewId=\"0\"/></sheetViews>"
         "<sheetProtection content=\"1\" password=\"AB12\"/>"
         "<customSheetViews><customSheetView guid=\"{G}\" state=\"veryHidden\"><pageSetup "
         "copies=\"2\"/></customSheetView>"
         "</customSheetViews><pageSetup/><drawing r:id=\"rId1\"/>");
  EXPECT_TRUE(d.reports.empty());
  TCT_Chartsheet* c = d.doc.Chartsheet();
  ASSERT_TRUE(c->Available());
  EXPECT_FALSE(d.doc.Worksheet()->Available());
  EXPECT_EQ(c->SheetPr()->Published_(), 1);
  EXPECT_EQ(c->SheetPr()->TabColor()->Indexed(), 10);
  TCT_ChartsheetView* v = c->SheetViews()->SheetViewXpgList()->GetItems(0);
  EXPECT_EQ(v->ZoomToFit(), 1);
  EXPECT_EQ(v->ZoomScale(), 100);
  EXPECT_EQ(c->SheetProtection()->Password(), 0xAB12);
  EXPECT_EQ(c->SheetProtection()->Content(), 1);
  TCT_CustomChartsheetView* cv = c->CustomSheetViews()->CustomSheetViewXpgList()->GetItems(0);
  EXPECT_EQ(cv->State(), stssVeryHidden);
  EXPECT_EQ(cv->PageSetup()->Copies(), 2);
  // a chartsheet page setup without attributes
  TCT_CsPageSetup* ps = c->PageSetup();
  EXPECT_TRUE(ps->Available());
  EXPECT_EQ(ps->PaperSize() + ps->FirstPageNumber() + ps->Copies(), 3);
  EXPECT_EQ(ps->HorizontalDpi() + ps->VerticalDpi(), 1200);
  EXPECT_EQ(ps->UsePrinterDefaults(), 1);
  EXPECT_EQ(c->Drawing()->R_Id(), u"rId1");
  Doc g;
  g.Load("dialogsheet",
         "<sheetFormatPr defaultRowHeight=\"12.75\"/><oleObjects><oleObject progId=\"P\"/></oleObjects>");
  EXPECT_TRUE(g.doc.Dialogsheet()->Available());
  EXPECT_EQ(g.doc.Dialogsheet()->SheetFormatPr()->DefaultRowHeight(), 12.75);
  EXPECT_EQ(g.doc.Dialogsheet()->OleObjects()->OleObjectXpgList()->Count(), 1);
}

TEST(TXPGDocXLSX_Root, DocumentElementsAndAttributes) {
  Doc d;
  d.Load("sst", "<si><t>a</t></si>");
  EXPECT_TRUE(d.doc.Sst()->Available());
  EXPECT_FALSE(d.doc.Workbook()->Available());
  EXPECT_FALSE(d.doc.Worksheet()->Available());
  ASSERT_EQ(d.doc.Root()->RootAttributes().Count(), 2);
  EXPECT_EQ(U8(d.doc.Root()->RootAttributes().GetItems(0)),
            "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"");
  // a name with the byte sum of sst is not sst
  Doc o;
  o.Load("tss", "<si/>");
  EXPECT_FALSE(o.doc.Sst()->Available());
  EXPECT_EQ(o.reports, (std::vector<std::string>{"Row 0: Unknown Element tss"}));
}

// ---- shared strings ----------------------------------------------------------------------------

TEST(TCT_Sst_Stream, ItemsWithRichTextAndPhonetics) {
  Doc d;
  std::vector<std::string> items;
  d.doc.Sst()->OnReadSi = [&](TCT_Rst& si) {
    std::string s = "[" + U8(si.T()) + "]";
    for (auto& r : *si.RXpgList()) {
      s += " r[" + U8(r->T()) + "]";
      TCT_RPrElt* p = r->RPr();
      if (p->B()->Available()) s += " b" + std::to_string(p->B()->Val());
      if (p->I()->Available()) s += " i" + std::to_string(p->I()->Val());
      if (p->U()->Available()) s += " u" + std::to_string(p->U()->Val());
      if (p->Sz()->Available()) s += " sz" + std::to_string(int(p->Sz()->Val()));
      if (p->RFont()->Available()) s += " " + U8(p->RFont()->Val());
      if (p->Color()->Available()) s += " theme" + std::to_string(p->Color()->Theme());
    }
    for (auto& ph : *si.RPhXpgList())
      s += " ph" + std::to_string(ph->Sb()) + "-" + std::to_string(ph->Eb()) + "[" + U8(ph->T()) + "]";
    s += " pr" + std::to_string(si.PhoneticPr()->FontId()) + "/" + std::to_string(si.PhoneticPr()->Type());
    items.push_back(s);
    si.Clear();
  };
  d.Load("sst count=\"99\" uniqueCount=\"2000000000\"",
         "<si><t>  a b  </t></si>"
         "<si><t xml:space=\"preserve\"> keep </t></si>"
         "<si><t> \n\t </t></si>"
         "<si><r><rPr><b/><i val=\"0\"/><u/><sz val=\"11\"/><rFont val=\"Arial\"/><color "
         "theme=\"1\"/></rPr><t> x </t></r>"
         "<r><rPr><b val=\"yes\"/><u val=\"double\"/></rPr><t>y</t></r></si>"
         "<si><t>\xE6\xBC\xA2</t><rPh sb=\"1\" eb=\"3\"><t>ab</t></rPh><phoneticPr fontId=\"2\" "
         "type=\"hiragana\"/></si>"
         "<si/>");
  const std::vector<std::string> expected = {
      "[a b] pr-1/1",
      "[ keep ] pr-1/1",
      "[] pr-1/1",
      "[] r[ x ] b1 i0 u0 sz11 Arial theme1 r[y] b1 u1 pr-1/1",
      "[\xE6\xBC\xA2] ph1-3[ab] pr2/2",
      "[] pr-1/1",
  };
  EXPECT_EQ(items, expected);
  EXPECT_TRUE(d.reports.empty());
  EXPECT_EQ(d.doc.Sst()->Count_(), 99);
  EXPECT_EQ(d.doc.Sst()->UniqueCount(), 2000000000);
}

// ---- comments ---------------------------------------------------------------------------------

TEST(TCT_Comments_Stream, AuthorsAndComments) {
  Doc d;
  std::vector<std::string> got;
  d.doc.Comments()->CommentList()->OnReadComment = [&](TCT_Comment& c) {
    got.push_back(U8(c.Ref()) + " " + std::to_string(c.AuthorId()) + " " + U8(c.Text()->T()) + " runs" +
                  std::to_string(c.Text()->RXpgList()->Count()));
  };
  d.Load("comments",
         "<authors><author>Ann</author><author/><author>Bo</author></authors>"
         "<commentList><comment ref=\"A1\" authorId=\"2\"><text><r><t>hello</t></r></text></comment>"
         "<comment ref=\"B2\" authorId=\"x\"/><comment "
         "ref=\"C3\"><text><t>plain</t></text></comment></commentList>");
  EXPECT_EQ(got, (std::vector<std::string>{"A1 2  runs1", "B2 0  runs0", "C3 0 plain runs0"}));
  const TStringXpgList& a = d.doc.Comments()->Authors()->AuthorXpgList();
  ASSERT_EQ(a.Count(), 3);
  EXPECT_EQ(a.GetItems(1), u"");
  EXPECT_EQ(a.GetItems(2), u"Bo");
  EXPECT_TRUE(d.reports.empty());
  EXPECT_EQ(d.doc.Comments()->CommentList()->Comment()->Ref(), u"");  // cleared after its event
}

// ---- table parts -------------------------------------------------------------------------------

TEST(TCT_Table_Read, ColumnsFormulasAndDefaults) {
  Doc d;
  d.Load(
      "table id=\"3\" name=\"T1\" displayName=\"Sales\" ref=\"A1:C9\" totalsRowCount=\"1\" "
      "headerRowDxfId=\"4\"",
      "<autoFilter ref=\"A1:C8\"/>"
      "<tableColumns count=\"7\"><tableColumn id=\"1\" name=\"Item\" totalsRowLabel=\"Total\"/>"
      "<tableColumn id=\"2\" name=\"Qty\" "
      "totalsRowFunction=\"SUM\"><calculatedColumnFormula>[@a]*2</calculatedColumnFormula>"
      "<xmlColumnPr mapId=\"1\" xpath=\"/r/q\" xmlDataType=\"QName\"/></tableColumn>"
      "<tableColumn id=\"3\" name=\"X\" totalsRowFunction=\"bogus\"/></tableColumns>"
      "<tableStyleInfo name=\"TableStyleMedium2\" showRowStripes=\"1\"/>");
  TCT_Table* t = d.doc.Table();
  EXPECT_TRUE(d.reports.empty());
  ASSERT_TRUE(t->Available());
  EXPECT_EQ(t->Id(), 3);
  EXPECT_EQ(t->DisplayName(), u"Sales");
  EXPECT_EQ(t->TableType(), stttworksheet);
  EXPECT_EQ(t->HeaderRowCount(), 1);
  EXPECT_EQ(t->TotalsRowShown(), 1);
  EXPECT_EQ(t->HeaderRowDxfId(), u"4");
  EXPECT_TRUE(t->AutoFilter()->Available());
  EXPECT_FALSE(t->SortState()->Available());
  ASSERT_EQ(t->TableColumns()->TableColumnXpgList()->Count(), 3);
  TCT_TableColumn* q = t->TableColumns()->TableColumnXpgList()->GetItems(1);
  EXPECT_EQ(q->TotalsRowFunction(), sttrfsum);
  EXPECT_EQ(q->CalculatedColumnFormula()->Content(), u"[@a]*2");
  EXPECT_FALSE(q->TotalsRowFormula()->Available());
  EXPECT_EQ(q->XmlColumnPr()->XmlDataType(), stxdtQName);
  EXPECT_EQ(t->TableColumns()->TableColumnXpgList()->GetItems(0)->XmlColumnPr()->XmlDataType(), 255);
  EXPECT_EQ(t->TableColumns()->TableColumnXpgList()->GetItems(2)->TotalsRowFunction(), 255);
  EXPECT_EQ(t->TableStyleInfo()->ShowRowStripes(), 1);
  EXPECT_EQ(t->TableStyleInfo()->ShowFirstColumn(), 0);
}

// ---- workbook -----------------------------------------------------------------------------------

TEST(TCT_Workbook_Read, DefaultsAndItems) {
  Doc d;
  d.Load("workbook",
         "<workbookPr showObjects=\"portrait\" showInkAnnotation=\"yes\" date1904=\"1\"/>"
         "<bookViews><workbookView showSheetTabs=\"yes\"/></bookViews>"
         "<sheets><sheet name=\"A\" sheetId=\"1\" r:id=\"rId1\"/><sheet name=\"B\" sheetId=\"2\" "
         "state=\"hidden\" r:id=\"rId2\"/></sheets>"
         "<externalReferences><externalReference r:id=\"rId9\"/></externalReferences>"
         "<fileRecoveryPr autoRecover=\"0\"/><fileRecoveryPr repairLoad=\"1\"/>"
         "<workbookProtection workbookPassword=\"83AF\" lockStructure=\"1\"/>"
         "<functionGroups><functionGroup name=\"G\"/></functionGroups>"
         "<webPublishing targetScreenSize=\"1024x768\"/>");
  TCT_Workbook* w = d.doc.Workbook();
  EXPECT_TRUE(d.reports.empty());
  EXPECT_FALSE(w->CalcPr()->Available());
  EXPECT_EQ(w->CalcPr()->CalcId(), 125725);
  EXPECT_EQ(w->CalcPr()->CalcMode(), stcmAuto);
  EXPECT_EQ(w->CalcPr()->IterateCount(), 100);
  EXPECT_EQ(w->CalcPr()->IterateDelta(), 0.001);
  EXPECT_EQ(w->CalcPr()->FullPrecision() + w->CalcPr()->CalcCompleted() + w->CalcPr()->CalcOnSave() +
                w->CalcPr()->ConcurrentCalc(),
            4);
  EXPECT_EQ(w->WorkbookPr()->Date1904(), 1);
  EXPECT_EQ(w->WorkbookPr()->ShowInkAnnotation(), 0);
  // a value of another enumeration with the same prefix is not taken for this one
  EXPECT_EQ(w->WorkbookPr()->ShowObjects(), 255);
  EXPECT_EQ(w->WorkbookPr()->UpdateLinks(), stulUserSet);
  TCT_BookView* v = w->BookViews()->WorkbookViewXpgList()->GetItems(0);
  EXPECT_EQ(v->ShowSheetTabs(), 0);
  EXPECT_EQ(v->ShowHorizontalScroll(), 1);
  EXPECT_EQ(v->TabRatio(), 600);
  EXPECT_EQ(v->AutoFilterDateGrouping(), 1);
  ASSERT_EQ(w->Sheets()->SheetXpgList()->Count(), 2);
  TCT_Sheet* b = w->Sheets()->SheetXpgList()->GetItems(1);
  EXPECT_EQ(b->Name(), u"B");
  EXPECT_EQ(b->SheetId(), 2);
  EXPECT_EQ(b->State(), stssHidden);
  EXPECT_EQ(b->R_Id(), u"rId2");
  EXPECT_EQ(w->Sheets()->SheetXpgList()->GetItems(0)->State(), stssVisible);
  EXPECT_EQ(w->ExternalReferences()->ExternalReferenceXpgList()->GetItems(0)->R_Id(), u"rId9");
  ASSERT_EQ(w->FileRecoveryPrXpgList()->Count(), 2);
  EXPECT_EQ(w->FileRecoveryPrXpgList()->GetItems(0)->AutoRecover(), 0);
  EXPECT_EQ(w->FileRecoveryPrXpgList()->GetItems(1)->AutoRecover(), 1);
  EXPECT_EQ(w->FileRecoveryPrXpgList()->GetItems(1)->RepairLoad(), 1);
  EXPECT_EQ(w->WorkbookProtection()->WorkbookPassword(), 0x83AF);
  EXPECT_EQ(w->WorkbookProtection()->LockStructure(), 1);
  EXPECT_EQ(w->FunctionGroups()->BuiltInGroupCount(), 16);
  EXPECT_EQ(w->FunctionGroups()->FunctionGroupXpgList()->GetItems(0)->Name(), u"G");
  EXPECT_EQ(w->WebPublishing()->TargetScreenSize(), sttss1024x768);
  EXPECT_EQ(w->WebPublishing()->Dpi(), 96);
  EXPECT_EQ(w->WebPublishing()->Css(), 1);
  EXPECT_THROW(w->Sheets()->SheetXpgList()->GetItems(2), std::out_of_range);
}

TEST(TCT_DefinedNames_Stream, EventsInOrder) {
  Doc d;
  std::vector<std::string> got;
  TCT_Workbook* w = d.doc.Workbook();
  w->DefinedNames()->OnReadDefinedName = [&](TCT_DefinedName& n) {
    got.push_back(U8(n.Name()) + " " + std::to_string(n.LocalSheetId()) + " h" + std::to_string(n.Hidden()) +
                  " f" + std::to_string(n.Function_()) + " =" + U8(n.Content()));
  };
  w->OnReadDefinedNames = [&](TCT_DefinedNames&) { got.push_back("end"); };
  d.Load("workbook",
         "<definedNames><definedName name=\"A\" localSheetId=\"2\" hidden=\"1\">Sheet1!$A$1</definedName>"
         "<definedName name=\"B\" function=\"true\"/><definedName name=\"C\">1+&amp;2</definedName>"
         "<other/></definedNames>"
         "<definedNames><definedName name=\"D\">x</definedName></definedNames>");
  EXPECT_EQ(got, (std::vector<std::string>{"A 2 h1 f0 =Sheet1!$A$1", "B -1 h0 f1 =", "C -1 h0 f0 =1+&2",
                                           "end", "D -1 h0 f0 =x", "end"}));
  EXPECT_EQ(d.reports, (std::vector<std::string>{"Row 0: Unknown Element other"}));
}

}  // namespace
}  // namespace xls::xpgxlsx
