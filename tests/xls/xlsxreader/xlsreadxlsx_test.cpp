// The package reader over packages written by the tests' zip writer: what reaches the model
// (cells, formulas, rows, columns, merged cells, hyperlinks, names, styles, shared strings) and
// the conditions that cost a warning instead of the load.
#include "xls/xlsxreader/xlsreadxlsx.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "platform/textcodec.h"
#include "tests/xls/xlsxreader/readxlsx_fixtures.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlscellmmu.h"
#include "xls/model/xlsimages.h"
#include "xls/model/xlssst.h"
#include "xls/model/xlsstylesheet.h"
#include "xls/model/xlsworkbookdata.h"
#include "xls/model/xlsworksheetdata.h"

namespace {

using kws::test::AsSpan;
using kws::test::SharedStringsXml;
using kws::test::TPackageBuilder;
using kws::test::WorksheetXml;
using xls::TXLSCellType;

class ReadXLSX : public ::testing::Test {
 protected:
  void SetUp() override {
    xls::RegisterXLSXReader();
    book = std::make_unique<xls::TXLSBook>();
    book->Errors().SetIgnoreXMLWarnings(false);
    book->Errors().SetSaveToList(true);
  }
  void Load(const TPackageBuilder& b) {
    bytes = b.Bytes();
    book->LoadFromBytes(AsSpan(bytes));
  }
  // A package of one sheet "S" with these rows (and shared strings when given).
  void LoadRows(std::string_view rows, std::vector<std::string> sst = {}, std::string_view after = {}) {
    TPackageBuilder b;
    b.Sheet("S", WorksheetXml(rows, after));
    if (!sst.empty()) b.SharedStrings(SharedStringsXml(sst));
    Load(b);
  }
  xls::TXLSWorksheet& Sheet(size_t i = 0) { return *book->Items(i); }
  std::u16string Text(std::u16string_view ref, size_t sheet = 0) {
    int32_t c, r;
    EXPECT_TRUE(xls::RefStrToColRow(ref, c, r)) << std::string(ref.begin(), ref.end());
    return Sheet(sheet).GetAsString(c, r);
  }
  TXLSCellType Type(std::u16string_view ref) {
    int32_t c, r;
    xls::RefStrToColRow(ref, c, r);
    return Sheet().GetCellType(c, r);
  }
  bool Warned(std::u16string_view part) {
    for (const auto& w : kws::test::WarningTexts(*book))
      if (w.find(part) != std::u16string::npos) return true;
    return false;
  }

  std::unique_ptr<xls::TXLSBook> book;
  std::string bytes;
};

// ---- cell values ------------------------------------------------------------------------------

TEST_F(ReadXLSX, Cells_EveryValueKindReachesTheStore) {
  LoadRows(
      "<row r=\"1\">"
      "<c r=\"A1\" t=\"s\"><v>1</v></c>"
      "<c r=\"B1\" t=\"str\"><v>plain</v></c>"
      "<c r=\"C1\" t=\"inlineStr\"><is><t>inline</t></is></c>"
      "<c r=\"D1\"><v>1.5</v></c>"
      "<c r=\"E1\" t=\"b\"><v>1</v></c>"
      "<c r=\"F1\" t=\"b\"><v>yes</v></c>"
      "<c r=\"G1\" t=\"e\"><v>#N/A</v></c>"
      "<c r=\"H1\" s=\"0\"/>"
      "<c r=\"I1\"><v>abc</v></c>"
      "</row>"
      "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>2</v></c><c r=\"XFD2\"><v>-3E2</v></c></row>"
      "<row r=\"1048576\"><c r=\"XFD1048576\" t=\"inlineStr\"><is><t>last</t></is></c></row>",
      {"zero", "one", "\xE4\xB8\xAD\xE6\x96\x87"});
  EXPECT_EQ(Text(u"A1"), u"one");
  EXPECT_EQ(Text(u"B1"), u"plain");
  EXPECT_EQ(Text(u"C1"), u"inline");
  EXPECT_EQ(Text(u"D1"), u"1.5");
  EXPECT_EQ(Type(u"E1"), TXLSCellType::xctBoolean);
  EXPECT_EQ(Text(u"E1"), u"TRUE");
  EXPECT_EQ(Text(u"F1"), u"FALSE");
  EXPECT_EQ(Type(u"G1"), TXLSCellType::xctError);
  EXPECT_EQ(Text(u"G1"), u"#N/A");
  EXPECT_EQ(Type(u"H1"), TXLSCellType::xctBlank);
  EXPECT_EQ(Text(u"I1"), u"0");
  EXPECT_EQ(Text(u"A2"), u"\u4E2D\u6587");
  EXPECT_EQ(Text(u"XFD2"), u"-300");
  EXPECT_EQ(Text(u"XFD1048576"), u"last");
}

TEST_F(ReadXLSX, Cells_FormulaKeepsTextAndCachedValueOfEveryType) {
  LoadRows(
      "<row r=\"1\">"
      "<c r=\"A1\"><f>1+1</f><v>2</v></c>"
      "<c r=\"B1\" t=\"str\"><f>\"a\"&amp;\"b\"</f><v>ab</v></c>"
      "<c r=\"C1\" t=\"b\"><f>TRUE()</f><v>TRUE</v></c>"
      "<c r=\"D1\" t=\"e\"><f>1/0</f><v>#DIV/0!</v></c>"
      "</row>");
  EXPECT_EQ(Type(u"A1"), TXLSCellType::xctFloatFormula);
  EXPECT_EQ(Text(u"A1"), u"2");
  EXPECT_EQ(Sheet().GetAsFormula(0, 0), u"1+1");
  EXPECT_EQ(Type(u"B1"), TXLSCellType::xctStringFormula);
  EXPECT_EQ(Text(u"B1"), u"ab");
  EXPECT_EQ(Type(u"C1"), TXLSCellType::xctBooleanFormula);
  EXPECT_EQ(Type(u"D1"), TXLSCellType::xctErrorFormula);
  EXPECT_EQ(Text(u"D1"), u"#DIV/0!");
}

TEST_F(ReadXLSX, Cells_UnknownCachedErrorIsAnErrorWithAWarning) {
  LoadRows(
      "<row r=\"1\"><c r=\"A1\" t=\"e\"><v>#SPILL!</v></c><c r=\"B1\" "
      "t=\"e\"><f>SEQUENCE(2)</f><v>#CALC!</v></c>"
      "<c r=\"C1\" t=\"e\"><v>#BUSY!</v></c><c r=\"D1\"><v>7</v></c></row>");
  EXPECT_EQ(Type(u"A1"), TXLSCellType::xctError);
  EXPECT_EQ(Type(u"B1"), TXLSCellType::xctErrorFormula);
  EXPECT_EQ(Type(u"C1"), TXLSCellType::xctError);
  EXPECT_EQ(Text(u"D1"), u"7");
  EXPECT_TRUE(Warned(u"#SPILL!"));
  EXPECT_TRUE(Warned(u"#CALC!"));
}

TEST_F(ReadXLSX, Cells_DateCellKeepsItsValueAsSerial) {
  LoadRows(
      "<row r=\"1\"><c r=\"A1\" t=\"d\"><v>2024-01-15</v></c>"
      "<c r=\"B1\" t=\"d\"><v>2024-01-15T12:00:00</v></c>"
      "<c r=\"C1\" t=\"d\"><f>DATE(2024,1,15)</f><v>2024-01-15T00:00:00Z</v></c>"
      "<c r=\"D1\" t=\"d\"><v>45306</v></c></row>");
  EXPECT_EQ(Sheet().GetAsFloat(0, 0), 45306);
  EXPECT_EQ(Sheet().GetAsFloat(1, 0), 45306.5);
  EXPECT_EQ(Type(u"C1"), TXLSCellType::xctFloatFormula);
  EXPECT_EQ(Sheet().GetAsFloat(2, 0), 45306);
  EXPECT_EQ(Sheet().GetAsFloat(3, 0), 45306);
}

TEST_F(ReadXLSX, Cells_InlineStringWithValueKeepsItsText) {
  LoadRows(
      "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><v>from v</v></c>"
      "<c r=\"B1\" t=\"inlineStr\"><is><t>from is</t></is><v>ignored</v></c>"
      "<c r=\"C1\" t=\"inlineStr\"><is><r><t>rich </t></r><r><rPr><b/></rPr><t>runs</t></r></is></c></row>");
  EXPECT_EQ(Text(u"A1"), u"from v");
  EXPECT_EQ(Text(u"B1"), u"from is");
  EXPECT_EQ(Text(u"C1"), u"rich runs");
}

TEST_F(ReadXLSX, Cells_FormulaWithSharedStringTypeKeepsItsCachedText) {
  LoadRows(
      "<row r=\"1\"><c r=\"A1\" t=\"s\"><f>B1</f><v>0</v></c><c r=\"B1\" "
      "t=\"s\"><f>C1</f><v>text</v></c></row>",
      {"cached"});
  EXPECT_EQ(Type(u"A1"), TXLSCellType::xctStringFormula);
  EXPECT_EQ(Text(u"A1"), u"cached");
  EXPECT_EQ(Text(u"B1"), u"text");
}

TEST_F(ReadXLSX, Cells_WithoutReferenceTakeTheNextColumnOfTheirRow) {
  LoadRows(
      "<row r=\"2\"><c><v>1</v></c><c><v>2</v></c><c r=\"E2\"><v>5</v></c><c><v>6</v></c></row>"
      "<row><c><v>7</v></c></row>");
  EXPECT_EQ(Text(u"A2"), u"1");
  EXPECT_EQ(Text(u"B2"), u"2");
  EXPECT_EQ(Text(u"E2"), u"5");
  EXPECT_EQ(Text(u"F2"), u"6");
  EXPECT_EQ(Text(u"A3"), u"7");
}

TEST_F(ReadXLSX, Cells_OutsideTheSheetAreSkippedWithAWarning) {
  LoadRows(
      "<row r=\"1\"><c r=\"XFE1\"><v>1</v></c><c r=\"A1048577\"><v>2</v></c><c r=\"B1\"><v>3</v></c>"
      "<c r=\"1A\"><v>4</v></c></row>"
      "<row r=\"1048577\"><c><v>5</v></c></row>"
      "<row r=\"3\" s=\"1\" customFormat=\"1\"><c r=\"C3\"><v>6</v></c></row>");
  EXPECT_EQ(Text(u"B1"), u"3");
  EXPECT_EQ(Text(u"C3"), u"6");
  EXPECT_TRUE(Warned(u"XFE1"));
  EXPECT_TRUE(Warned(u"A1048577"));
  EXPECT_TRUE(Warned(u"outside the sheet"));
  Sheet().CalcDimensions();
  EXPECT_EQ(Sheet().LastRow(), 2);
}

TEST_F(ReadXLSX, Cells_SharedStringIndexBeyondTheTableGivesEmptyTextAndWarning) {
  LoadRows(
      "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>5</v></c><c r=\"B1\" t=\"s\"><v>x</v></c><c r=\"C1\" "
      "t=\"s\"><v>0</v></c></row>",
      {"only"});
  EXPECT_EQ(Type(u"A1"), TXLSCellType::xctString);
  EXPECT_EQ(Text(u"A1"), u"");
  EXPECT_EQ(Text(u"B1"), u"");
  EXPECT_EQ(Text(u"C1"), u"only");
  EXPECT_TRUE(Warned(u"W2002: Shared string index 5 out of range"));
}

TEST_F(ReadXLSX, Cells_StyleBeyondTheFormatsIsTheDefaultWithAWarning) {
  LoadRows("<row r=\"1\"><c r=\"A1\" s=\"999\"><v>1</v></c></row>");
  EXPECT_EQ(Text(u"A1"), u"1");
  EXPECT_EQ(Sheet().Cells().GetStyle(Sheet().Cells().FindCell(0, 0)), 0);
  EXPECT_TRUE(Warned(u"Cell format 999 out of range"));
}

// ---- formulas -----------------------------------------------------------------------------------

TEST_F(ReadXLSX, SharedFormula_FollowersGetTheMastersFormulaMoved) {
  LoadRows(
      "<row r=\"1\"><c r=\"A1\"><f t=\"shared\" ref=\"A1:A3\" si=\"0\">B1*2</f><v>2</v></c><c "
      "r=\"B1\"><v>1</v></c></row>"
      "<row r=\"2\"><c r=\"A2\"><f t=\"shared\" si=\"0\"/><v>4</v></c></row>"
      "<row r=\"3\"><c r=\"A3\"><f t=\"shared\" si=\"0\"/><v>6</v></c></row>"
      "<row r=\"4\"><c r=\"A4\"><f t=\"shared\" si=\"0\"/><v>8</v></c></row>");
  EXPECT_EQ(Sheet().GetAsFormula(0, 0), u"B1*2");
  EXPECT_EQ(Sheet().GetAsFormula(0, 1), u"B2*2");
  EXPECT_EQ(Sheet().GetAsFormula(0, 2), u"B3*2");
  // Outside the master's area: the cached value only.
  EXPECT_EQ(Sheet().GetAsFormula(0, 3), u"");
  EXPECT_EQ(Text(u"A4"), u"8");
}

TEST_F(ReadXLSX, SharedFormula_NumbersAreKeysNotPositions) {
  LoadRows(
      "<row r=\"1\"><c r=\"A1\"><f t=\"shared\" ref=\"A1:A2\" si=\"2000000000\">C1+1</f><v>1</v></c>"
      "<c r=\"B1\"><f t=\"shared\" ref=\"B1:B2\" si=\"1\">C1+2</f><v>2</v></c></row>"
      "<row r=\"2\"><c r=\"A2\"><f t=\"shared\" si=\"2000000000\"/><v>3</v></c>"
      "<c r=\"B2\"><f t=\"shared\" si=\"1\"/><v>4</v></c></row>");
  EXPECT_EQ(Sheet().GetAsFormula(0, 1), u"C2+1");
  EXPECT_EQ(Sheet().GetAsFormula(1, 1), u"C2+2");
}

TEST_F(ReadXLSX, SharedFormula_FollowerWithoutMasterKeepsItsValue) {
  LoadRows(
      "<row r=\"1\"><c r=\"A1\"><f t=\"shared\" si=\"7\"/><v>42</v></c>"
      "<c r=\"B1\" t=\"str\"><f t=\"shared\" si=\"8\"/><v>kept</v></c></row>");
  EXPECT_EQ(Text(u"A1"), u"42");
  EXPECT_EQ(Text(u"B1"), u"kept");
}

TEST_F(ReadXLSX, Formula_ThatDoesNotCompileIsKeptAsTextWithItsValue) {
  LoadRows(
      "<row r=\"1\"><c r=\"A1\"><f t=\"shared\" ref=\"A1:A2\" si=\"0\">SUM(((</f><v>5</v></c>"
      "<c r=\"B1\"><f t=\"shared\" ref=\"B1:B2\" si=\"1\">Table9[Col]</f><v>6</v></c></row>"
      "<row r=\"2\"><c r=\"A2\"><f t=\"shared\" si=\"0\"/><v>7</v></c><c r=\"B2\"><f t=\"shared\" "
      "si=\"1\"/><v>8</v></c></row>");
  EXPECT_EQ(Text(u"A1"), u"5");
  EXPECT_EQ(Sheet().GetAsFormula(0, 0), u"SUM(((");
  EXPECT_EQ(Text(u"A2"), u"7");
  EXPECT_EQ(Text(u"B1"), u"6");
  EXPECT_EQ(Text(u"B2"), u"8");
  EXPECT_TRUE(Warned(u"SUM((("));
  EXPECT_TRUE(Warned(u"Table9[Col]"));
}

TEST_F(ReadXLSX, ArrayFormula_CellsOfTheAreaAreChildrenWithTheirValues) {
  LoadRows(
      "<row r=\"1\"><c r=\"A1\"><f t=\"array\" ref=\"A1:B2\">C1:D2*2</f><v>1</v></c><c "
      "r=\"B1\"><v>2</v></c></row>"
      "<row r=\"2\"><c r=\"A2\"><v>3</v></c><c r=\"B2\"><v>4</v></c><c r=\"C2\"><v>5</v></c></row>");
  EXPECT_EQ(Type(u"A1"), TXLSCellType::xctFloatFormula);
  EXPECT_EQ(Type(u"B2"), TXLSCellType::xctFloatFormula);
  EXPECT_EQ(Text(u"B2"), u"4");
  EXPECT_EQ(Type(u"C2"), TXLSCellType::xctFloat);
}

// ---- rows, columns, merged cells, hyperlinks -------------------------------------------------------

TEST_F(ReadXLSX, Sheet_RowsColumnsMergedCellsAndHyperlinks) {
  TPackageBuilder b;
  b.Sheet(
      "S",
      WorksheetXml(
          "<row r=\"5\" s=\"0\" customHeight=\"1\" ht=\"15\" hidden=\"1\"><c r=\"A5\"><v>1</v></c></row>",
          "<mergeCells count=\"2\"><mergeCell ref=\"A1:B2\"/><mergeCell ref=\"bad\"/></mergeCells>"
          "<hyperlinks><hyperlink ref=\"A5\" r:id=\"rIdH\" display=\"site\"/>"
          "<hyperlink ref=\"B5\" location=\"S!A1\" tooltip=\"tip\"/></hyperlinks>",
          "<cols><col min=\"2\" max=\"4\" width=\"10\" customWidth=\"1\"/><col min=\"0\" max=\"1\"/></cols>"),
      "worksheet",
      "<Relationship Id=\"rIdH\" Type=\"" + std::string(kws::test::kRelNs) +
          "/hyperlink\" Target=\"http://example.com/\" TargetMode=\"External\"/>");
  Load(b);
  xls::TXc12DataWorksheet& ws = Sheet().Xc12Sheet();
  const xls::TXLSMMURowHeader* h = ws.Cells().FindRow(4);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(h->Height, 300);
  EXPECT_EQ(h->Options, xls::xroCustomHeight | xls::xroHidden);
  ASSERT_EQ(ws.Columns().Count(), 1u);
  EXPECT_EQ(ws.Columns().Items(0)->FMin, 1);
  EXPECT_EQ(ws.Columns().Items(0)->FMax, 3);
  EXPECT_EQ(ws.Columns().Items(0)->FWidth, 10);
  ASSERT_EQ(ws.MergedCells().Count(), 1u);
  ASSERT_EQ(ws.Hyperlinks().Count(), 2u);
  EXPECT_EQ(ws.Hyperlinks().Link(0)->FAddress, u"http://example.com/");
  EXPECT_EQ(ws.Hyperlinks().Link(0)->FHyperlinkType, xls::TXLSHyperlinkType::xhltURL);
  EXPECT_EQ(ws.Hyperlinks().Link(0)->FDisplay, u"site");
  EXPECT_EQ(ws.Hyperlinks().Link(1)->FAddress, u"S!A1");
  EXPECT_EQ(ws.Hyperlinks().Link(1)->FHyperlinkType, xls::TXLSHyperlinkType::xhltWorkbook);
  EXPECT_TRUE(Warned(u"bad"));
}

// ---- workbook-level parts -----------------------------------------------------------------------------

TEST_F(ReadXLSX, Workbook_SheetsNamesAndRichSharedStrings) {
  TPackageBuilder b;
  b.Sheet("First", WorksheetXml("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>"))
      .Sheet("Second", WorksheetXml("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>1</v></c></row>"))
      .SharedStrings(std::string("<sst xmlns=\"") + kws::test::kMainNs +
                     "\"><si><r><t>ab</t></r><r><rPr><b/></rPr><t>cd</t></r></si><si><t "
                     "xml:space=\"preserve\"> x </t></si></sst>")
      .WorkbookTail(
          "<definedNames><definedName name=\"Total\">First!$A$1</definedName>"
          "<definedName name=\"LOCAL_MYSQL_DATE_FORMAT\">1</definedName>"
          "<definedName name=\"Local\" localSheetId=\"1\">Second!$A$1</definedName>"
          "<definedName name=\"Broken\">SUM(((</definedName></definedNames>");
  Load(b);
  ASSERT_EQ(book->Count(), 2u);
  EXPECT_EQ(Sheet(0).Name(), u"First");
  EXPECT_EQ(Sheet(1).Name(), u"Second");
  EXPECT_EQ(Text(u"A1", 0), u"abcd");
  EXPECT_EQ(Text(u"A1", 1), u" x ");
  xls::TXc12DefinedNames& names = book->Manager().Workbook().DefinedNames();
  // A name that does not compile stays as text and does not end the load.
  ASSERT_EQ(names.Count(), 3u);
  EXPECT_EQ(names.Items(0)->Name(), u"Total");
  EXPECT_EQ(names.Items(0)->FContent, u"First!$A$1");
  EXPECT_EQ(names.Items(1)->LocalSheetId(), 1);
  EXPECT_EQ(names.Items(2)->FContent, u"SUM(((");
}

TEST_F(ReadXLSX, Styles_FewerEntriesThanBuiltInsOverwriteOnlyWhatTheyHave) {
  xls::TXLSBook defaults;
  const size_t fills = defaults.Manager().StyleSheet().Fills().Count();
  ASSERT_GE(fills, 2u);
  const auto pattern1 = defaults.Manager().StyleSheet().Fills().Items(1)->PatternType();
  TPackageBuilder b;
  b.Sheet("S", WorksheetXml("<row r=\"1\"><c r=\"A1\" s=\"1\"><v>1</v></c></row>"))
      .Styles(std::string("<styleSheet xmlns=\"") + kws::test::kMainNs +
              "\"><fonts><font><b/><sz val=\"12\"/><name val=\"Arial\"/></font></fonts>"
              "<fills><fill><patternFill patternType=\"solid\"><fgColor "
              "rgb=\"FFFF0000\"/></patternFill></fill></fills>"
              "<cellXfs><xf fontId=\"0\" fillId=\"0\"/><xf numFmtId=\"9999\" fontId=\"0\" "
              "fillId=\"5\"/></cellXfs>"
              "</styleSheet>");
  Load(b);
  xls::TXc12DataStyleSheet& ss = book->Manager().StyleSheet();
  EXPECT_EQ(ss.Fonts().Items(0)->Name(), u"Arial");
  EXPECT_TRUE(ss.Fonts().Items(0)->Style().Contains(xls::TXc12FontStyle::xfsBold));
  EXPECT_EQ(ss.Fills().Count(), fills);
  EXPECT_EQ(ss.Fills().Items(0)->PatternType(), xls::TXc12FillPattern::efpSolid);
  EXPECT_EQ(ss.Fills().Items(1)->PatternType(), pattern1);
  ASSERT_GE(ss.XFs().Count(), 2u);
  EXPECT_EQ(ss.XFs().Items(1)->NumFmt(), ss.NumFmts().Items(0));
  EXPECT_EQ(ss.XFs().Items(1)->Fill(), ss.Fills().Items(0));
  EXPECT_TRUE(Warned(u"Number format id 9999 out of range"));
  EXPECT_TRUE(Warned(u"Fill id 5 out of range"));
  EXPECT_EQ(Text(u"A1"), u"1");
}

TEST_F(ReadXLSX, ExternalLink_BooleansAreReadLeniently) {
  TPackageBuilder b;
  b.Sheet("S", WorksheetXml("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"))
      .WorkbookExtra("<externalReferences><externalReference r:id=\"rIdX\"/></externalReferences>")
      .WorkbookRel("rIdX", "externalLink", "externalLinks/externalLink1.xml")
      .Part("xl/externalLinks/externalLink1.xml",
            std::string("<externalLink xmlns=\"") + kws::test::kMainNs +
                "\"><externalBook><sheetNames><sheetName val=\"Other\"/></sheetNames><sheetDataSet>"
                "<sheetData sheetId=\"0\"><row r=\"1\"><cell r=\"A1\" t=\"b\"><v>yes</v></cell>"
                "<cell r=\"B1\" "
                "t=\"b\"><v>TRUE</v></cell></row></sheetData></sheetDataSet></externalBook></externalLink>");
  Load(b);
  ASSERT_EQ(book->Manager().XLinks().Count(), 1u);
  const auto& eb = book->Manager().XLinks().Items(0)->FExternalBook;
  ASSERT_EQ(eb.FSheetNames.size(), 1u);
  ASSERT_EQ(eb.FSheetDataSet.size(), 1u);
  ASSERT_EQ(eb.FSheetDataSet[0].FRows.size(), 1u);
  const auto& cells = eb.FSheetDataSet[0].FRows[0].FCells;
  ASSERT_EQ(cells.size(), 2u);
  EXPECT_FALSE(cells[0].AsBoolean());
  EXPECT_TRUE(cells[1].AsBoolean());
  EXPECT_EQ(cells[1].FCol, 1);
}

// ---- what never ends a load ------------------------------------------------------------------------

TEST_F(ReadXLSX, UnknownNamespacesAndExtensionsCostOnlyAWarning) {
  LoadRows(
      "<row r=\"1\" x14ac:dyDescent=\"0.25\" xmlns:x14ac=\"urn:x14ac\"><c r=\"A1\" q:extra=\"1\" "
      "xmlns:q=\"urn:q\"><v>1</v></c>"
      "<q:odd xmlns:q=\"urn:q\"><q:deep/></q:odd><c r=\"B1\"><v>2</v><unknownChild/></c></row>",
      {}, "<extLst><ext uri=\"{78C0D931}\"><x14:anything xmlns:x14=\"urn:x14\"/></ext></extLst><mystery/>");
  EXPECT_EQ(Text(u"A1"), u"1");
  EXPECT_EQ(Text(u"B1"), u"2");
  EXPECT_TRUE(Warned(u"W2001"));
}

TEST_F(ReadXLSX, MacroAndDialogSheetsAreKeptUnreadAndSkipped) {
  TPackageBuilder b;
  b.Sheet("Macro", "<xm:macrosheet xmlns:xm=\"urn:macro\"/>", "xlMacrosheet")
      .Sheet("Dialog", std::string("<dialogsheet xmlns=\"") + kws::test::kMainNs + "\"/>", "dialogsheet")
      .Sheet("Data",
             WorksheetXml("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>found</t></is></c></row>"));
  Load(b);
  ASSERT_EQ(book->Count(), 3u);
  EXPECT_EQ(Text(u"A1", 2), u"found");
  EXPECT_TRUE(Warned(u"Macro"));
  EXPECT_TRUE(Warned(u"Dialog"));
  // Their parts stay with the model's kept parts.
  const auto& kept = book->Manager().FileData().FSavedWorkbook;
  size_t sheetsKept = 0;
  for (size_t i = 0; i < kept.Count(); ++i)
    if (kept.Items(i)->FTarget.find(u"worksheets/sheet") != std::u16string::npos) ++sheetsKept;
  EXPECT_EQ(sheetsKept, 2u);
}

TEST_F(ReadXLSX, DamagedPackagesRaiseAndLeaveTheModelEmpty) {
  LoadRows("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>");
  const std::string good = bytes;
  const std::vector<std::string> damaged = {
      std::string(),                                      // empty
      std::string("PK\x03\x04") + std::string(500, 'x'),  // a zip header and noise
      good.substr(0, 30),                                 // cut inside the first entry
  };
  for (const std::string& d : damaged) {
    EXPECT_ANY_THROW(book->LoadFromBytes(AsSpan(d)));
    EXPECT_EQ(book->Count(), 0u);
  }
  book->LoadFromBytes(AsSpan(good));
  EXPECT_EQ(Text(u"A1"), u"1");
}

// Any cut of a package either loads what is readable or raises; it never crashes or hangs.
TEST_F(ReadXLSX, EveryTruncationEndsCleanly) {
  LoadRows("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\"><f>A1</f><v>1</v></c></row>", {"text"});
  const std::string good = bytes;
  for (size_t n = 0; n < good.size(); n += 7) {
    try {
      book->LoadFromBytes(AsSpan(good.substr(0, n)));
    } catch (const std::exception&) {
      EXPECT_EQ(book->Count(), 0u);
    }
  }
}

}  // namespace

namespace {

TEST_F(ReadXLSX, DirectRead_HandsEachValueCellToTheEventAndStoresNone) {
  std::vector<std::string> seen;
  book->SetDirectRead(true);
  book->SetOnReadCell([&](xls::TXLSEventCell& c) {
    std::string v = kws::Utf16ToUtf8(xls::ColRowToRefStr(c.FCol, c.FRow)) + "=";
    switch (c.FCellType) {
      case TXLSCellType::xctString:
      case TXLSCellType::xctStringFormula:
        v += kws::Utf16ToUtf8(c.FValString);
        break;
      case TXLSCellType::xctFloat:
      case TXLSCellType::xctFloatFormula:
        v += std::to_string(int(c.FValFloat));
        break;
      default:
        v += "?";
    }
    if (c.FIsFormula) v += " f:" + kws::Utf16ToUtf8(c.FFormula);
    seen.push_back(v);
  });
  LoadRows(
      "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\"><f>1+1</f><v>2</v></c><c r=\"C1\"/>"
      "<c r=\"D1\" t=\"d\"><v>1900-01-01</v></c><c r=\"E1\" t=\"s\"><v>9</v></c></row>",
      {"shared"});
  EXPECT_EQ(seen, (std::vector<std::string>{"A1=shared", "B1=2 f:1+1", "D1=2", "E1="}));
  Sheet().CalcDimensions();
  EXPECT_TRUE(Sheet().IsEmpty());
}

TEST_F(ReadXLSX, Cells_DatesOfA1904WorkbookCountFrom1904) {
  TPackageBuilder b;
  b.Sheet("S", WorksheetXml("<row r=\"1\"><c r=\"A1\" t=\"d\"><v>1904-01-02</v></c></row>"))
      .WorkbookExtra("<workbookPr date1904=\"1\"/>");
  Load(b);
  EXPECT_EQ(Sheet().GetAsFloat(0, 0), 1);
}

}  // namespace

namespace {

TEST_F(ReadXLSX, DrawingChartAndPivotPartsNeverStopALoad) {
  const std::string rel = kws::test::kRelNs;
  TPackageBuilder b;
  b.Sheet("S",
          WorksheetXml("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>still here</t></is></c></row>",
                       "<drawing r:id=\"rIdD\"/>"),
          "worksheet",
          "<Relationship Id=\"rIdD\" Type=\"" + rel +
              "/drawing\" Target=\"../drawings/drawing1.xml\"/>"
              "<Relationship Id=\"rIdP\" Type=\"" +
              rel + "/pivotTable\" Target=\"../pivotTables/missing.xml\"/>")
      .WorkbookTail("<pivotCaches><pivotCache cacheId=\"1\" r:id=\"rIdC\"/></pivotCaches>")
      .WorkbookRel("rIdC", "pivotCacheDefinition", "pivotCache/missing.xml")
      .Part("xl/drawings/drawing1.xml", "<xdr:wsDr xmlns:xdr=\"urn:broken\"><xdr:twoCellAnchor>")
      .Part("xl/drawings/_rels/drawing1.xml.rels",
            "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
            "<Relationship Id=\"rId1\" Type=\"" +
                rel + "/chart\" Target=\"../charts/chart1.xml\"/></Relationships>")
      .Part("xl/charts/chart1.xml", "not xml at all <<<");
  Load(b);
  EXPECT_EQ(Text(u"A1"), u"still here");
}

}  // namespace

namespace {

// A theme or VML drawing that cannot be read (here cut short; equally one over the small DOM's
// node budget or with a damaged zip entry) is dropped with a warning, and the load goes on.
TEST_F(ReadXLSX, ThemeAndVmlThatCannotBeReadAreDroppedWithAWarning) {
  const std::string rel = kws::test::kRelNs;
  TPackageBuilder b;
  b.Sheet(
       "S",
       WorksheetXml("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>still here</t></is></c></row>",
                    "<legacyDrawing r:id=\"rIdV\"/>"),
       "worksheet",
       "<Relationship Id=\"rIdV\" Type=\"" + rel + "/vmlDrawing\" Target=\"../drawings/vmlDrawing1.vml\"/>")
      .WorkbookRel("rIdT", "theme", "theme/theme1.xml")
      .Part("xl/theme/theme1.xml",
            "<a:theme "
            "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"><a:themeElements><a:clr")
      .Part("xl/drawings/vmlDrawing1.vml", "<xml><v:shape id=\"a");
  Load(b);
  EXPECT_EQ(Text(u"A1"), u"still here");
  EXPECT_TRUE(Warned(u"Theme not read: Unexpected end of file in XML"));
  EXPECT_TRUE(Warned(u"VML drawing rIdV not read: Unexpected end of file in XML"));
}

// A part named by eight relationships and read by no reader is kept once, packed: the model's
// kept parts share it and unpack it only when their bytes are asked for.
TEST_F(ReadXLSX, KeptPartNamedManyTimesIsHeldOncePacked) {
  TPackageBuilder b;
  b.Sheet("S", WorksheetXml("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"));
  for (int i = 0; i < 8; ++i)
    b.WorkbookRel("rIdK" + std::to_string(i), "customXml", "../customXml/item1.xml");
  b.Part("customXml/item1.xml", "<kept>" + std::string(100000, 'k') + "</kept>");
  Load(b);
  const xls::TXLSSavedFileDataList& kept = book->Manager().FileData().FSavedWorkbook;
  ASSERT_EQ(kept.Count(), 8u);
  for (size_t i = 0; i < kept.Count(); ++i) {
    EXPECT_TRUE(kept.Items(i)->FData.empty());
    ASSERT_NE(kept.Items(i)->FSource, nullptr);
    EXPECT_EQ(kept.Items(i)->FSource, kept.Items(0)->FSource);
  }
  const std::vector<uint8_t> bytes = kept.Items(3)->Bytes();
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "<kept>" + std::string(100000, 'k') + "</kept>");
}

// A picture part that the drawings of several sheets name is read and held once: one image of
// the store with one use per drawing, found under each drawing's identifiers; another picture is
// an image of its own.
TEST_F(ReadXLSX, PictureNamedBySeveralDrawingsIsHeldOnce) {
  const std::string pkgRels = "http://schemas.openxmlformats.org/package/2006/relationships";
  TPackageBuilder b;
  for (int n = 1; n <= 4; ++n) {
    const std::string d = std::to_string(n);
    b.Sheet("S" + d, WorksheetXml("", "<drawing r:id=\"rIdD\"/>"), "worksheet",
            "<Relationship Id=\"rIdD\" Type=\"" + std::string(kws::test::kRelNs) + "/drawing\" Target=\"../drawings/drawing" +
                d + ".xml\"/>");
    b.Part("xl/drawings/drawing" + d + ".xml",
           "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\"/>");
    // Sheets 1 to 3 name one picture (sheet 3 by a path through another folder), sheet 4 another.
    const std::string target = n == 3 ? "../../xl/media/image1.png" : n == 4 ? "../media/image2.png" : "../media/image1.png";
    b.Part("xl/drawings/_rels/drawing" + d + ".xml.rels",
           "<Relationships xmlns=\"" + pkgRels + "\"><Relationship Id=\"rIdP" + d + "\" Type=\"" +
               std::string(kws::test::kRelNs) + "/image\" Target=\"" + target + "\"/></Relationships>");
  }
  b.Part("xl/media/image1.png", std::string(5000, 'p')).Part("xl/media/image2.png", "other");
  Load(b);
  xls::TXc12GraphicImages& images = book->Manager().GrManager().Images();
  ASSERT_EQ(images.Count(), 2u);
  xls::TXc12GraphicImage* shared = images.Items(0);
  EXPECT_EQ(shared->FImage, std::vector<uint8_t>(5000, 'p'));
  EXPECT_EQ(shared->FRefCount, 3);
  EXPECT_EQ(images.FindByRId(u"rIdS1", u"rIdP1"), shared);
  EXPECT_EQ(images.FindByRId(u"rIdS2", u"rIdP2"), shared);
  EXPECT_EQ(images.FindByRId(u"rIdS3", u"rIdP3"), shared);
  EXPECT_EQ(images.Items(1)->FRefCount, 1);
  EXPECT_EQ(images.FindByRId(u"rIdS4", u"rIdP4"), images.Items(1));
}

TEST_F(ReadXLSX, WarningsOfOneLoadAreCapped) {
  std::string rows = "<row r=\"1\">";
  for (int i = 0; i < 1000; ++i) rows += "<c r=\"A" + std::to_string(1 + i) + "\" t=\"s\"><v>99</v></c>";
  rows += "</row>";
  LoadRows(rows, {"only"});
  EXPECT_EQ(book->Errors().ErrorList().size(), size_t(xls::TXLSReadXLSX::kMaxWarnings));
}

// The warnings of the sheet objects (here comments at no cell) count toward the same cap as those
// of the cells read before them.
TEST_F(ReadXLSX, WarningsOfObjectsCountTowardTheLoadsCap) {
  std::string rows = "<row r=\"1\">", comments;
  for (int i = 0; i < 150; ++i) rows += "<c r=\"A" + std::to_string(1 + i) + "\" t=\"s\"><v>99</v></c>";
  rows += "</row>";
  for (int i = 0; i < 150; ++i)
    comments += "<comment ref=\"nowhere" + std::to_string(i) + "\" authorId=\"0\"><text><t>c</t></text></comment>";
  TPackageBuilder b;
  b.Sheet("S", WorksheetXml(rows), "worksheet",
          "<Relationship Id=\"rIdC\" Type=\"" + std::string(kws::test::kRelNs) +
              "/comments\" Target=\"../comments1.xml\"/>")
      .SharedStrings(SharedStringsXml({"only"}))
      .Part("xl/comments1.xml", "<comments xmlns=\"" + std::string(kws::test::kMainNs) +
                                    "\"><authors><author>a</author></authors><commentList>" + comments +
                                    "</commentList></comments>");
  Load(b);
  EXPECT_TRUE(Warned(u"Comment with invalid cell reference \"nowhere0\" skipped"));
  EXPECT_EQ(book->Errors().ErrorList().size(), size_t(xls::TXLSReadXLSX::kMaxWarnings));
}

}  // namespace

namespace {

// Readings checked against openpyxl on the same package: a plain text before the runs of an
// entry leads its text ("abc"); a date cell holding a time alone is the fraction of a day
// (openpyxl: time(10, 10, 10) and time(6, 0, 0, 500000)); _x005F_x0041_ is the literal _x0041_.
// By design ABC_x000D_ shows a carriage return, as Excel shows it (openpyxl keeps the escape).
TEST_F(ReadXLSX, Cells_TextsAndTimesAsPeersReadThem) {
  TPackageBuilder b;
  b.Sheet("S", WorksheetXml("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c>"
                            "<c r=\"C1\" t=\"s\"><v>2</v></c><c r=\"D1\" t=\"d\"><v>10:10:10</v></c>"
                            "<c r=\"E1\" t=\"d\"><v>06:00:00.5</v></c><c r=\"F1\" t=\"d\"><v>25:00:00</v></c>"
                            "<c r=\"G1\" t=\"inlineStr\"><is><t>x</t><r><t>y</t></r></is></c>"
                            "<c r=\"H1\" t=\"d\"><f>NOW()</f><v>00:00:30</v></c></row>"));
  b.SharedStrings(std::string("<?xml version=\"1.0\"?><sst xmlns=\"") + kws::test::kMainNs +
                  "\"><si><t>a</t><r><t>b</t></r><r><rPr><b/></rPr><t>c</t></r></si>"
                  "<si><t>ABC_x000D_</t></si><si><t>_x005F_x0041_</t></si></sst>");
  Load(b);
  EXPECT_EQ(Text(u"A1"), u"abc");
  EXPECT_EQ(Text(u"B1"), u"ABC\r");
  EXPECT_EQ(Text(u"C1"), u"_x0041_");
  EXPECT_DOUBLE_EQ(Sheet().GetAsFloat(3, 0), (10 * 3600 + 10 * 60 + 10) / 86400.0);
  EXPECT_DOUBLE_EQ(Sheet().GetAsFloat(4, 0), (6 * 3600 + 0.5) / 86400.0);
  EXPECT_EQ(Type(u"F1"), TXLSCellType::xctString);  // no time of day: kept as text with a warning
  EXPECT_TRUE(Warned(u"25:00:00"));
  EXPECT_EQ(Text(u"G1"), u"xy");
  EXPECT_DOUBLE_EQ(Sheet().GetAsFloat(7, 0), 30 / 86400.0);
  // The rich entry keeps its run where its text begins.
  const xls::TXLSString* rich = book->Manager().SST().GetItems(0);
  ASSERT_NE(rich, nullptr);
  ASSERT_EQ(xls::TXc12DataSST::GetFontRunsCount(*rich), 1u);
  EXPECT_EQ(xls::TXc12DataSST::GetFontRuns(*rich)[0].Index, 2);
}

}  // namespace

namespace {

// Areas of many shapes and places (one cell, rows, columns, blocks across the halvings of the
// sheet): every cell inside one is its child, every cell outside keeps its value; an area that
// overlaps an earlier one leaves the shared cells to the earlier one and costs a warning.
TEST_F(ReadXLSX, ArrayFormula_AreasOfEveryShapeFindTheirCells) {
  struct Area {
    int32_t C1, R1, C2, R2;
  };
  const Area areas[] = {{0, 0, 0, 0},     {2, 0, 5, 0},     {7, 1, 7, 9},   {1, 3, 4, 6},
                        {6, 126, 9, 130}, {0, 127, 3, 128}, {10, 0, 13, 3}, {2, 255, 2, 257}};
  const auto inside = [&areas](int32_t c, int32_t r) {
    for (const Area& a : areas)
      if (c >= a.C1 && c <= a.C2 && r >= a.R1 && r <= a.R2) return true;
    return false;
  };
  std::string rows;
  for (int32_t r = 0; r < 260; ++r) {
    rows += "<row r=\"" + std::to_string(r + 1) + "\">";
    for (int32_t c = 0; c < 15; ++c) {
      const std::string ref = kws::Utf16ToUtf8(xls::ColRowToRefStr(c, r));
      std::string f;
      for (const Area& a : areas)
        if (a.C1 == c && a.R1 == r)
          f = "<f t=\"array\" ref=\"" + kws::Utf16ToUtf8(xls::AreaToRefStr(a.C1, a.R1, a.C2, a.R2)) +
              "\">1+1</f>";
      if (c == 3 && r == 3) f = "<f t=\"array\" ref=\"D4:F5\">2+2</f>";  // overlaps B4:E7
      rows += "<c r=\"" + ref + "\">" + f + "<v>" + std::to_string(c + r) + "</v></c>";
    }
    rows += "</row>";
  }
  LoadRows(rows);
  for (int32_t r = 0; r < 260; ++r)
    for (int32_t c = 0; c < 15; ++c) {
      const bool child = inside(c, r) || (c == 3 && r == 3);
      ASSERT_EQ(Sheet().GetCellType(c, r), child ? TXLSCellType::xctFloatFormula : TXLSCellType::xctFloat)
          << c << "," << r;
    }
  EXPECT_TRUE(Warned(u"D4:F5"));
  EXPECT_EQ(Sheet().GetCellType(5, 4), TXLSCellType::xctFloat);  // F5: only in the overlapping area
}

// 100,000 one-cell array formulas, each next to a plain cell: linear in the cells (every cell
// scanning every area takes minutes here).
TEST_F(ReadXLSX, ArrayFormula_ManyAreasLoadInLinearTime) {
  std::string rows;
  constexpr int32_t kRows = 50000;
  for (int32_t r = 1; r <= kRows; ++r) {
    const std::string n = std::to_string(r);
    rows += "<row r=\"" + n + "\"><c r=\"A" + n + "\"><f t=\"array\" ref=\"A" + n +
            "\">1</f><v>1</v></c><c r=\"B" + n + "\"><f t=\"array\" ref=\"B" + n +
            "\">2</f><v>2</v></c><c r=\"C" + n + "\"><v>3</v></c></row>";
  }
  LoadRows(rows);
  EXPECT_EQ(Sheet().GetCellType(1, kRows - 1), TXLSCellType::xctFloatFormula);
  EXPECT_EQ(Sheet().GetCellType(2, kRows - 1), TXLSCellType::xctFloat);
}

}  // namespace

namespace {

// Empty sheets cost little, and the package road holds at most 65,535 sheets, as the legacy
// road does: one more ends the load with the legacy reader's message and leaves no workbook.
TEST_F(ReadXLSX, Workbook_EmptySheetsLoadAndAreCappedAt65535) {
  const auto package = [](size_t count) {
    TPackageBuilder b;
    b.Sheet("S1", WorksheetXml(""));
    std::string entries;  // every further sheet names the first one's part
    for (size_t i = 2; i <= count; ++i)
      entries +=
          "<sheet name=\"S" + std::to_string(i) + "\" sheetId=\"" + std::to_string(i) + "\" r:id=\"rIdS1\"/>";
    b.SheetEntries(entries);
    return b;
  };
  Load(package(2000));
  EXPECT_EQ(book->Count(), 2000u);
  EXPECT_TRUE(Sheet(1999).IsEmpty());
  try {
    Load(package(65536));
    ADD_FAILURE() << "no error";
  } catch (const xls::XLSRWException& e) {
    EXPECT_STREQ(e.what(), "Too many sheets in the file");
  }
  EXPECT_EQ(book->Count(), 0u);
}

// The cap is checked on the workbook's relationships, before any sheet is walked: a package
// whose workbook names 65,536 worksheets (one listed, the rest only related) is refused; at
// 65,535 it loads. It is seen before the content types (one per part in a package of many
// parts) are read: a missing content-types part does not hide it, and does fail a package
// under the cap.
TEST_F(ReadXLSX, Workbook_SheetRelationshipsCappedBeforeTheWalk) {
  const auto package = [](size_t related) {
    TPackageBuilder b;
    b.Sheet("S1", WorksheetXml(""));
    for (size_t i = 2; i <= related; ++i)
      b.WorkbookRel("rIdX" + std::to_string(i), "worksheet", "worksheets/x" + std::to_string(i) + ".xml");
    return b;
  };
  Load(package(65535));
  EXPECT_EQ(book->Count(), 1u);
  try {
    Load(package(65536));
    ADD_FAILURE() << "no error";
  } catch (const xls::XLSRWException& e) {
    EXPECT_STREQ(e.what(), "Too many sheets in the file");
  }
  EXPECT_EQ(book->Count(), 0u);
  try {
    Load(package(65536).WithoutContentTypes());
    ADD_FAILURE() << "no error";
  } catch (const xls::XLSRWException& e) {
    EXPECT_STREQ(e.what(), "Too many sheets in the file");
  }
  EXPECT_THROW(Load(package(2).WithoutContentTypes()), xls::XLSRWException);
  EXPECT_EQ(book->Count(), 0u);
}

}  // namespace
