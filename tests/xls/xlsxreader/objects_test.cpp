// Sheet-level objects read from small packages built here: a worksheet part is parsed as the sheet
// loader parses it, then the objects reader copies it and reads the parts the sheet names.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "platform/textcodec.h"
#include "tests/xls/xlsxreader/objects_fixtures.h"
#include "tests/xls/package/opc_fixtures.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsstylesheet.h"
#include "xls/model/xlsworksheetdata.h"
#include "xls/xlsxreader/xlsreadxlsxconv.h"
#include "xls/xlsxreader/xlsreadxlsxobjects.h"
#include "xls/package/xlspackageopc.h"
#include "xls/package/xpgdom.h"
#include "xls/spreadsheetml/xpgparsexlsx.h"

namespace xls {
namespace {

using namespace objectsfixtures;

std::string Comments(const std::string& authors, const std::string& list) {
  return "<comments " + kMain + "><authors>" + authors + "</authors><commentList>" + list +
         "</commentList></comments>";
}

std::string Comment(const std::string& ref, int author, const std::string& text) {
  return "<comment ref=\"" + ref + "\" authorId=\"" + std::to_string(author) + "\"><text><t>" + text +
         "</t></text></comment>";
}

// A VML note shape at (column, row); `anchor` empty: no x:Anchor node.
std::string NoteShape(int col, int row, const std::string& anchor, const std::string& fill = "") {
  std::string s = "<v:shape type=\"#_x0000_t202\"";
  if (!fill.empty()) s += " fillcolor=\"" + fill + "\"";
  s += "><x:ClientData ObjectType=\"Note\"><x:MoveWithCells/>";
  if (!anchor.empty()) s += "<x:Anchor>" + anchor + "</x:Anchor>";
  return s + "<x:Row>" + std::to_string(row) + "</x:Row><x:Column>" + std::to_string(col) +
         "</x:Column></x:ClientData></v:shape>";
}

std::string Vml(const std::string& shapes) {
  return "<xml xmlns:v=\"urn:schemas-microsoft-com:vml\" xmlns:o=\"urn:schemas-microsoft-com:office:office\" "
         "xmlns:x=\"urn:schemas-microsoft-com:office:excel\"><o:shapelayout v:ext=\"edit\"/>" +
         shapes + "</xml>";
}


// ---- worksheet elements

TEST(WorksheetObjects_Copy, PropertiesViewsFormatProtectionAndPrinting) {
  Load l(Book(
      Worksheet(
          "<sheetPr codeName=\"Data\" filterMode=\"1\"><tabColor rgb=\"FF00FF00\"/>"
          "<outlinePr summaryBelow=\"0\"/><pageSetUpPr fitToPage=\"1\"/></sheetPr>"
          "<dimension ref=\"B2:D9\"/>"
          "<sheetViews><sheetView tabSelected=\"1\" zoomScale=\"85\" workbookViewId=\"0\">"
          "<pane xSplit=\"2\" ySplit=\"1\" topLeftCell=\"C2\" activePane=\"bottomRight\" state=\"frozen\"/>"
          "<selection pane=\"bottomRight\" activeCell=\"D4\" sqref=\"D4 E5:F6\"/></sheetView>"
          "<sheetView showGridLines=\"0\" workbookViewId=\"1\"/></sheetViews>"
          "<sheetFormatPr baseColWidth=\"10\" defaultColWidth=\"12.5\" defaultRowHeight=\"15\"/>"
          "<sheetData/><sheetCalcPr fullCalcOnLoad=\"1\"/>"
          "<sheetProtection password=\"CC1A\" sheet=\"1\" formatCells=\"0\"/>"
          "<protectedRanges><protectedRange name=\"P\" sqref=\"A1:B2 C3\"/></protectedRanges>"
          "<dataValidations count=\"1\"><dataValidation type=\"list\" operator=\"equal\" "
          "allowBlank=\"1\" sqref=\"A1:A5\" prompt=\"pick\"><formula1>$Z$1:$Z$3</formula1>"
          "</dataValidation></dataValidations>"
          "<printOptions gridLines=\"1\"/>"
          "<pageMargins left=\"1\" right=\"1.5\" top=\"2\" bottom=\"2.5\" header=\"0.5\" footer=\"0.25\"/>"
          "<pageSetup paperSize=\"9\" orientation=\"landscape\" copies=\"2\" r:id=\"rId9\"/>"
          "<headerFooter differentFirst=\"1\"><oddHeader>&amp;CTitle</oddHeader></headerFooter>"
          "<rowBreaks count=\"2\"><brk id=\"5\" max=\"16383\" man=\"1\"/><brk id=\"9\"/></rowBreaks>"
          "<cellWatches><cellWatch r=\"C3\"/><cellWatch r=\"not a cell\"/></cellWatches>"
          "<ignoredErrors><ignoredError sqref=\"A1:A9\" numberStoredAsText=\"1\"/></ignoredErrors>"),
      {{"rId9", "printerSettings", "../printerSettings/printerSettings1.bin", ""}},
      {{"xl/printerSettings/printerSettings1.bin", std::string("DEV\0MODE", 8)}}));
  l.ReadSheet();
  TXc12DataWorksheet& s = *l.sheet;

  EXPECT_EQ(s.SheetPr().FCodeName, u"Data");
  EXPECT_TRUE(s.SheetPr().FFilterMode);
  EXPECT_EQ(s.SheetPr().FTabColor.ColorType, TXc12ColorType::exctRgb);
  EXPECT_FALSE(s.SheetPr().FSummaryBelow);
  EXPECT_TRUE(s.SheetPr().FSummaryRight);
  EXPECT_TRUE(s.SheetPr().FFitToPage);
  EXPECT_EQ(s.Dimension(), Area(1, 1, 3, 8));

  ASSERT_EQ(s.SheetViews().Count(), 2u);  // the default view was replaced
  const TXc12SheetView& v = *s.SheetViews().Items(0);
  EXPECT_TRUE(v.FTabSelected);
  EXPECT_EQ(v.FZoomScale, 85);
  EXPECT_EQ(v.FPane.FXSplit, 2);
  EXPECT_EQ(v.FPane.FTopLeftCell, Area(2, 1, 2, 1));
  EXPECT_EQ(v.FPane.FActivePane, TXc12PaneEnum::x12pBottomRight);
  EXPECT_EQ(v.FPane.FState, TXc12PaneState::x12psFrozen);
  ASSERT_EQ(v.FSelection.size(), 1u);
  EXPECT_EQ(v.FSelection[0]->FActiveCell, Area(3, 3, 3, 3));
  EXPECT_EQ(v.FSelection[0]->FSQRef.DelimitedText(), u"D4 E5:F6");
  EXPECT_FALSE(s.SheetViews().Items(1)->FShowGridLines);
  EXPECT_EQ(s.SheetViews().Items(1)->FWorkbookViewId, 1);

  EXPECT_EQ(s.SheetFormatPr().FBaseColWidth, 10);
  EXPECT_EQ(s.SheetFormatPr().FDefaultRowHeight, 300);
  EXPECT_EQ(s.Columns().FDefColWidth, 12.5);
  EXPECT_TRUE(s.SheetCalcPr().FFullCalcOnLoad);
  EXPECT_EQ(s.SheetProtection().FPassword, 0xCC1A);
  EXPECT_TRUE(s.SheetProtection().FSheet);
  EXPECT_FALSE(s.SheetProtection().FFormatCells);
  EXPECT_TRUE(s.SheetProtection().FFormatRows);
  ASSERT_EQ(s.ProtectedRanges().size(), 1u);
  EXPECT_EQ(s.ProtectedRanges()[0]->FSqref.DelimitedText(), u"A1:B2 C3");

  ASSERT_EQ(s.DataValidations().size(), 1u);
  const TXc12DataValidation& dv = *s.DataValidations()[0];
  EXPECT_EQ(dv.FType_, TXc12DataValidationType::x12dvtList);
  EXPECT_EQ(dv.FOperator_, TXc12DataValidationOperator::x12dvoEqual);
  EXPECT_TRUE(dv.FAllowBlank);
  EXPECT_EQ(dv.FPrompt, u"pick");
  EXPECT_EQ(dv.FFormula1, u"$Z$1:$Z$3");
  EXPECT_EQ(dv.FSqref.DelimitedText(), u"A1:A5");

  EXPECT_TRUE(s.PrintOptions().FGridLines);
  EXPECT_EQ(s.PageMargins().FRight, 1.5);
  EXPECT_EQ(s.PageMargins().FFooter, 0.25);
  EXPECT_EQ(s.PageSetup().FPaperSize, TXc12PaperSize::psA4);
  EXPECT_EQ(s.PageSetup().FOrientation, TXc12Orientation::x12oLandscape);
  EXPECT_EQ(s.PageSetup().FCopies, 2);
  EXPECT_EQ(std::string(s.PageSetup().FPrinterSettings.begin(), s.PageSetup().FPrinterSettings.end()),
            std::string("DEV\0MODE", 8));
  EXPECT_TRUE(s.HeaderFooter().FDifferentFirst);
  EXPECT_EQ(s.HeaderFooter().FOddHeader, u"&CTitle");
  ASSERT_EQ(s.RowBreaks().size(), 2u);
  EXPECT_EQ(s.RowBreaks()[0].FId, 5);
  EXPECT_EQ(s.RowBreaks()[0].FMax, 16383);
  EXPECT_TRUE(s.RowBreaks()[0].FMan);
  EXPECT_FALSE(s.RowBreaks()[1].FMan);
  EXPECT_TRUE(s.ColBreaks().empty());

  // A watch whose reference is no cell is left out, not put at A1.
  ASSERT_EQ(s.CellWatches().Count(), 1u);
  EXPECT_EQ(s.CellWatches().Items(0)->AsString(), u"C3");
  ASSERT_EQ(s.IgnoredErrors().size(), 1u);
  EXPECT_TRUE(s.IgnoredErrors()[0]->FNumberStoredAsText);
  EXPECT_FALSE(s.IgnoredErrors()[0]->FFormula);
}

TEST(WorksheetObjects_Copy, DefaultsWhenElementsAreMissing) {
  // sheetPr without tabColor: an RGB tab colour with value -1. No dimension: all bounds -1.
  Load withPr(Book(Worksheet("<sheetPr codeName=\"X\"/><sheetData/>"), {}));
  withPr.sheet->SetDimension(Area(0, 0, 5, 5));
  withPr.ReadSheet();
  EXPECT_EQ(withPr.sheet->SheetPr().FTabColor.ColorType, TXc12ColorType::exctRgb);
  EXPECT_EQ(static_cast<int32_t>(withPr.sheet->SheetPr().FTabColor.OrigRGB), -1);
  EXPECT_EQ(withPr.sheet->Dimension(), Area(-1, -1, -1, -1));
  EXPECT_EQ(withPr.sheet->SheetViews().Count(), 1u);  // the model's own view stays

  // No sheetPr: the model's tab colour stays; printing records keep their defaults.
  Load bare(Book(Worksheet("<sheetData/>"), {}));
  bare.ReadSheet();
  EXPECT_EQ(bare.sheet->SheetPr().FTabColor.ColorType, TXc12ColorType::exctUnassigned);
  EXPECT_EQ(bare.sheet->PageMargins().FLeft, 0.7);
  EXPECT_EQ(bare.sheet->PageSetup().FPaperSize, TXc12PaperSize::psNone);
  EXPECT_TRUE(bare.sheet->PageSetup().FPrinterSettings.empty());
}

TEST(WorksheetObjects_Copy, MissingPrinterSettingsPartIsAWarningOnly) {
  Load l(Book(Worksheet("<sheetData/><pageSetup orientation=\"landscape\" r:id=\"rId9\"/>"
                        "<headerFooter><oddHeader>h</oddHeader></headerFooter>"),
              {{"rId9", "printerSettings", "../printerSettings/printerSettings1.bin", ""}}));
  l.ReadSheet();
  EXPECT_EQ(l.Warnings(u"Printer settings rId9 not read"), 1);
  EXPECT_TRUE(l.sheet->PageSetup().FPrinterSettings.empty());
  EXPECT_EQ(l.sheet->PageSetup().FOrientation, TXc12Orientation::x12oLandscape);
  EXPECT_EQ(l.sheet->HeaderFooter().FOddHeader, u"h");
}

TEST(WorksheetObjects_Copy, FileNumbersOutsideTheModelKeepDefaults) {
  // A printer-specific paper code and enumeration texts the model lacks do not become values
  // outside the model's enumerations.
  Load l(Book(Worksheet("<sheetData/><pageSetup paperSize=\"256\" scale=\"50\"/>"), {}));
  l.ReadSheet();
  EXPECT_EQ(l.sheet->PageSetup().FPaperSize, TXc12PaperSize::psNone);
  EXPECT_EQ(l.sheet->PageSetup().FScale, 50);
}

TEST(WorksheetObjects_AutoFilter, ColumnsFiltersAndTwoCustomConditions) {
  Load l(Book(
      Worksheet(
          "<sheetData/><autoFilter ref=\"A1:C20\">"
          "<filterColumn colId=\"0\"><filters><filter val=\"x\"/><filter val=\"y\"/></filters></filterColumn>"
          "<filterColumn colId=\"2\" showButton=\"0\"><customFilters and=\"1\">"
          "<customFilter operator=\"greaterThan\" val=\"1\"/><customFilter operator=\"lessThan\" val=\"9\"/>"
          "<customFilter operator=\"equal\" val=\"5\"/></customFilters></filterColumn>"
          "<sortState ref=\"A2:C20\"><sortCondition ref=\"A2:A20\"/></sortState></autoFilter>"),
      {}));
  l.ReadSheet();
  const TXc12AutoFilter& f = l.sheet->Autofilter();
  EXPECT_EQ(f.FRef, Area(0, 0, 2, 19));
  ASSERT_EQ(f.ColumnCount(), 2u);
  EXPECT_EQ(f.Columns(0)->FFilters, (std::vector<std::u16string>{u"x", u"y"}));
  EXPECT_TRUE(f.Columns(0)->FCustomFilters.empty());
  const TXc12FilterColumn& c = *f.Columns(1);
  EXPECT_EQ(c.FColId, 2);
  EXPECT_FALSE(c.FShowButton);
  EXPECT_TRUE(c.FCustomAnd);
  ASSERT_EQ(c.FCustomFilters.size(), 2u);  // the third condition is ignored
  EXPECT_EQ(c.FCustomFilters[0].FOperator, TXc12FilterOperator::x12foGreaterThan);
  EXPECT_EQ(c.FCustomFilters[1].FOperator, TXc12FilterOperator::x12foLessThan);
  EXPECT_EQ(c.FCustomFilters[1].FVal, u"9");
}

// ---- tables and the drawing

TEST(WorksheetObjects_Table, ColumnsFormulasAndStyle) {
  const std::string table =
      "<table " + kMain +
      " id=\"3\" name=\"Sales\" displayName=\"Sales_T\" ref=\"A1:B4\" totalsRowCount=\"1\">"
      "<autoFilter ref=\"A1:B3\"/><tableColumns count=\"2\">"
      "<tableColumn id=\"1\" name=\"Item\" totalsRowLabel=\"Total\"/>"
      "<tableColumn id=\"2\" name=\"Amount\" totalsRowFunction=\"sum\">"
      "<calculatedColumnFormula>Sales_T[[#This Row],[Item]]</calculatedColumnFormula>"
      "<totalsRowFormula>SUBTOTAL(109,[Amount])</totalsRowFormula></tableColumn></tableColumns>"
      "<tableStyleInfo name=\"TableStyleMedium2\" showRowStripes=\"1\"/></table>";
  Load l(Book(Worksheet("<sheetData/><tableParts count=\"1\"><tablePart r:id=\"rId3\"/></tableParts>"),
              {{"rId3", "table", "../tables/table1.xml", ""}}, {{"xl/tables/table1.xml", table}}));
  l.ReadSheet();
  ASSERT_EQ(l.sheet->Tables().Count(), 1u);
  const TXc12Table& t = *l.sheet->Tables().Items(0);
  EXPECT_EQ(t.FId, 3);
  EXPECT_EQ(t.FName, u"Sales");
  EXPECT_EQ(t.FDisplayName, u"Sales_T");
  EXPECT_EQ(t.FRef, Area(0, 0, 1, 3));
  EXPECT_EQ(t.FTotalsRowCount, 1);
  EXPECT_EQ(t.FTableStyleInfo.FName, u"TableStyleMedium2");
  ASSERT_EQ(t.ColumnCount(), 2u);
  EXPECT_EQ(t.Columns(0)->FTotalsRowLabel, u"Total");
  EXPECT_EQ(t.Columns(1)->FName, u"Amount");
  EXPECT_EQ(t.Columns(1)->FCalculatedColumnFormula, u"Sales_T[[#This Row],[Item]]");
  EXPECT_EQ(t.Columns(1)->FTotalsRowFormula, u"SUBTOTAL(109,[Amount])");
  EXPECT_EQ(l.pkg.FCurrTable, nullptr);
}

TEST(WorksheetObjects_Table, MissingRelationshipRaisesAndClosesNothingOpen) {
  Load l(Book(Worksheet("<sheetData/><tableParts count=\"1\"><tablePart r:id=\"rId7\"/></tableParts>"), {}));
  auto stream = l.pkg.OpenAndReadSheet(u"rId1");
  xpgxlsx::TXPGDocXLSX doc;
  doc.LoadFromStream(*stream);
  try {
    l.objects->ReadWorksheetObjects(*doc.Worksheet(), *l.sheet);
    FAIL() << "no exception";
  } catch (const XLSRWException& e) {
    EXPECT_STREQ(e.what(), "Can not find Table in OPC");
  }
  EXPECT_EQ(l.pkg.FCurrTable, nullptr);
}

TEST(WorksheetObjects_Drawing, PicturesTakenDrawingPartLeftUnread) {
  Load l(Book(Worksheet("<sheetData/><drawing r:id=\"rId2\"/>"),
              {{"rId2", "drawing", "../drawings/drawing1.xml", ""}},
              {{"xl/drawings/drawing1.xml", "<xdr:wsDr/>"},
               {"xl/drawings/_rels/drawing1.xml.rels",
                Rels({{"rId1", "image", "../media/image1.png", ""},
                      {"rId2", "image", "http://example.com/far.png", "External"}})},
               {"xl/media/image1.png", "PNGBYTES"}}));
  l.ReadSheet();
  TXc12GraphicImages& images = l.hub.GrManager().Images();
  ASSERT_EQ(images.Count(), 1u);  // the external picture is not in the package
  const TXc12GraphicImage& img = *images.Items(0);
  EXPECT_EQ(std::string(img.FImage.begin(), img.FImage.end()), "PNGBYTES");
  EXPECT_EQ(img.FImageType, TXc12ImageType::x12itPNG);
  EXPECT_EQ(img.FFileId, u"../media/image1.png");
  EXPECT_EQ(img.FDrawingRId, u"rId1");  // the sheet's relationship id
  EXPECT_EQ(img.FRId, u"rId1");         // the picture's, which r:embed names
  EXPECT_EQ(images.FindByRId(u"rId1", u"rId1"), &img);
  EXPECT_EQ(l.pkg.FCurrDrawing, nullptr);

  // Without a drawing library the drawing part itself is not checked out: it stays with the
  // parts kept unread.
  TOPCItemList unread;
  l.pkg.CollectUnchecked(unread);
  bool drawingKept = false;
  for (const TOPCItem* i : unread) drawingKept |= i->AbsoluteTarget() == u"xl/drawings/drawing1.xml";
  EXPECT_TRUE(drawingKept);
}

TEST(WorksheetObjects_Drawing, MissingPictureIsAWarningOnly) {
  Load l(Book(Worksheet("<sheetData/><drawing r:id=\"rId2\"/><printOptions headings=\"1\"/>"),
              {{"rId2", "drawing", "../drawings/drawing1.xml", ""}},
              {{"xl/drawings/drawing1.xml", "<xdr:wsDr/>"},
               {"xl/drawings/_rels/drawing1.xml.rels", Rels({{"rId1", "image", "../media/gone.png", ""},
                                                             {"rId2", "image", "../media/here.jpeg", ""}})},
               {"xl/media/here.jpeg", "JPEG"}}));
  l.ReadSheet();
  ASSERT_EQ(l.hub.GrManager().Images().Count(), 1u);
  EXPECT_EQ(l.hub.GrManager().Images().Items(0)->FImageType, TXc12ImageType::x12itJPEG);
  EXPECT_EQ(l.Warnings(u"Picture rId1 of the drawing not read"), 1);
  EXPECT_TRUE(l.sheet->PrintOptions().FHeadings);
  EXPECT_EQ(l.pkg.FCurrDrawing, nullptr);
}

TEST(WorksheetObjects_Drawing, MissingDrawingIsAWarningOnly) {
  Load l(Book(Worksheet("<sheetData/><drawing r:id=\"rId5\"/><printOptions headings=\"1\"/>"), {}));
  l.ReadSheet();
  EXPECT_EQ(l.Warnings(u"Can not find Drawing in OPC"), 1);
  EXPECT_TRUE(l.sheet->PrintOptions().FHeadings);
}

// ---- comments and their VML shapes

const std::vector<Rel> kCommentRels{{"rId1", "comments", "../comments1.xml", ""},
                                    {"rId2", "vmlDrawing", "../drawings/vmlDrawing1.vml", ""}};

Load CommentsBook(const std::string& comments, const std::string& vml) {
  Parts extra{{"xl/comments1.xml", comments}};
  if (!vml.empty()) extra["xl/drawings/vmlDrawing1.vml"] = vml;
  return Load(
      Book(Worksheet(std::string("<sheetData/>") + (vml.empty() ? "" : "<legacyDrawing r:id=\"rId2\"/>")),
           kCommentRels, extra));
}

TEST(Comments_Read, TextPositionAndAuthors) {
  Load l =
      CommentsBook(Comments("<author>Ann</author><author>Bob</author>",
                            Comment("B3", 1, "second") + Comment("A1", 0, "first") +
                                Comment("C2", 2, "orphan") + Comment("C3", -1, "negative") +
                                Comment("not-a-cell", 0, "lost") + Comment("XFE1", 0, "beyond the sheet")),
                   "");
  l.ReadSheet();
  TXc12Comments& c = l.sheet->Comments();
  ASSERT_EQ(c.Authors().Count(), 2u);
  // References that are not a cell of the sheet are skipped with a warning.
  ASSERT_EQ(c.Count(), 4u);
  EXPECT_EQ(l.Warnings(u"not-a-cell"), 1);
  EXPECT_EQ(l.Warnings(u"XFE1"), 1);
  EXPECT_EQ(c.Items(0)->FText, u"second");
  EXPECT_EQ(c.Items(0)->Col(), 1);
  EXPECT_EQ(c.Items(0)->Row(), 2);
  EXPECT_EQ(c.Items(0)->FAuthor, c.Authors().Items(1));
  EXPECT_EQ(c.Items(1)->FAuthor, c.Authors().Items(0));
  // An author id outside the author list gives no author.
  EXPECT_EQ(c.Items(2)->FText, u"orphan");
  EXPECT_EQ(c.Items(2)->FAuthor, nullptr);
  EXPECT_EQ(c.Items(3)->FAuthor, nullptr);
}

TEST(Comments_Read, RichTextRunsGiveBackTheirFontUses) {
  // The run properties equal the style sheet's default font, so reading them counts a use on it;
  // the comment keeps no runs and must give that use back.
  const std::string rpr =
      "<rPr><sz val=\"11\"/><color theme=\"1\"/><rFont val=\"Calibri\"/><family val=\"2\"/></rPr>";
  Load l = CommentsBook(
      Comments("<author>A</author>", "<comment ref=\"A1\" authorId=\"0\"><text><r>" + rpr +
                                         "<t>Ann:</t></r><r><t xml:space=\"preserve\"> note</t></r>"
                                         "</text></comment>"),
      "");
  TXc12Font* font0 = l.hub.StyleSheet().Fonts().DefaultFont();
  {
    xpgxlsx::TXPGDocXLSX doc;
    std::u16string text;
    std::vector<TXc12FontRun> runs;
    const int32_t uses = font0->RefCount();
    doc.Comments()->CommentList()->OnReadComment = [&](xpgxlsx::TCT_Comment& c) {
      ReadRichText(l.hub.StyleSheet(), *c.Text(), text, runs);
    };
    doc.LoadFromBytes(Comments("", "<comment ref=\"A1\"><text><r>" + rpr + "<t>x</t></r></text></comment>"));
    ASSERT_EQ(runs.size(), 1u);
    ASSERT_EQ(runs[0].Font, font0);  // the fixture's premise
    ASSERT_EQ(font0->RefCount(), uses + 1);
    font0->Release();
  }
  const int32_t before = font0->RefCount();
  l.ReadSheet();
  ASSERT_EQ(l.sheet->Comments().Count(), 1u);
  EXPECT_EQ(l.sheet->Comments().Items(0)->FText, u"Ann: note");
  EXPECT_EQ(font0->RefCount(), before);
}

TEST(Comments_Vml, AnchorsColoursAndDetachedShapes) {
  // Shape 1 (C1, no anchor): every anchor value from the defaults. Shape 2 (A5) with its own
  // anchor and colour. Shape 3 (D7) has no anchor: it must not take shape 2's leftovers. Shape 4
  // names a cell without comment and stays in the tree.
  const std::string vml = Vml(NoteShape(2, 0, "") + NoteShape(0, 4, "1, 15, 0, 10, 3, 31, 4, 9", "#ffffe1") +
                              NoteShape(3, 6, "") + NoteShape(9, 9, "5,5,5,5,5,5,5,5"));
  Load l = CommentsBook(
      Comments("<author>A</author>", Comment("C1", 0, "c") + Comment("A5", 0, "a") + Comment("D7", 0, "d")),
      vml);
  l.ReadSheet();
  TXLSSheetVml* v = l.objects->VmlDrawingOf(l.sheet->Index());
  ASSERT_NE(v, nullptr);
  ASSERT_EQ(v->CommentShapes.size(), 3u);

  struct Expect {
    int col, row;
    int32_t a[8];
  } const expect[] = {{2, 0, {3, 15, 0, 10, 5, 31, 3, 9}},
                      {0, 4, {1, 15, 0, 10, 3, 31, 4, 9}},
                      {3, 6, {4, 15, 5, 10, 6, 31, 9, 9}}};
  for (size_t i = 0; i < 3; ++i) {
    const TXLSCommentShape& s = v->CommentShapes[i];
    SCOPED_TRACE(i);
    ASSERT_NE(s.Comment, nullptr);
    EXPECT_EQ(s.Comment->Col(), expect[i].col);
    EXPECT_EQ(s.Comment->Row(), expect[i].row);
    const int32_t got[8] = {s.Col1, s.Col1Offs, s.Row1, s.Row1Offs, s.Col2, s.Col2Offs, s.Row2, s.Row2Offs};
    EXPECT_EQ(std::vector<int32_t>(got, got + 8), std::vector<int32_t>(expect[i].a, expect[i].a + 8));
    ASSERT_NE(s.Shape, nullptr);
    EXPECT_EQ(s.Shape->QName(), u"v:shape");
  }
  EXPECT_EQ(v->CommentShapes[1].Color, 0xFFFFE1);

  // Left in the tree: the layout element and the shape of the cell without comment.
  // The tree is the sheet's.
  ASSERT_NE(l.sheet->VmlDrawing().FDom, nullptr);
  const TXc12XmlNode* doc = l.sheet->VmlDrawing().FDom->DocumentRoot()->NodeItem(0);
  ASSERT_EQ(doc->NodeCount(), 2);
  EXPECT_EQ(doc->NodeItem(0)->NodeName(), u"o:shapelayout");
  EXPECT_NE(doc->NodeItem(1)->FindNode(u"x:ClientData/x:Anchor"), nullptr);
}

TEST(Comments_Vml, BadAnchorNumbersFallBackOneByOne) {
  const std::string vml =
      Vml(NoteShape(1, 1, "7, x, 2, 99999999999, , 1,2") + NoteShape(4, 4, "", "window [80]"));
  Load l = CommentsBook(Comments("<author>A</author>", Comment("B2", 0, "b") + Comment("E5", 0, "e")), vml);
  l.ReadSheet();
  TXLSSheetVml* v = l.objects->VmlDrawingOf(l.sheet->Index());
  ASSERT_NE(v, nullptr);
  ASSERT_EQ(v->CommentShapes.size(), 2u);
  const TXLSCommentShape& s = v->CommentShapes[0];
  const int32_t got[8] = {s.Col1, s.Col1Offs, s.Row1, s.Row1Offs, s.Col2, s.Col2Offs, s.Row2, s.Row2Offs};
  // 7 | x → 15 | 2 | too large → 10 | empty → col+3 | 1 | 2 | missing → 9
  EXPECT_EQ(std::vector<int32_t>(got, got + 8), (std::vector<int32_t>{7, 15, 2, 10, 4, 1, 2, 9}));
  EXPECT_EQ(v->CommentShapes[1].Color, 0xFFFFE1);  // a colour name is no number
}

TEST(Comments_Vml, VmlWithoutCommentsPartStaysWhole) {
  Load l(Book(Worksheet("<sheetData/><legacyDrawing r:id=\"rId2\"/>"),
              {{"rId2", "vmlDrawing", "../drawings/vmlDrawing1.vml", ""}},
              {{"xl/drawings/vmlDrawing1.vml", Vml(NoteShape(0, 0, ""))}}));
  l.ReadSheet();
  EXPECT_EQ(l.sheet->Comments().Count(), 0u);
  TXLSSheetVml* v = l.objects->VmlDrawingOf(l.sheet->Index());
  ASSERT_NE(v, nullptr);
  EXPECT_TRUE(v->CommentShapes.empty());
  EXPECT_EQ(l.sheet->VmlDrawing().Find(u"xml")->NodeCount(), 2);
  EXPECT_TRUE(l.sheet->VmlDrawing().FBytes.empty());
}

TEST(Comments_Vml, MissingVmlPartRaises) {
  Load l(Book(Worksheet("<sheetData/><legacyDrawing r:id=\"rId4\"/>"), {}));
  EXPECT_THROW(l.ReadSheet(), XLSRWException);
}

// Packages written by LibreOffice, Gnumeric, openpyxl and xlsxwriter (tests/data/xlsx, with the
// script that made them): every comment the fixture lists is read with its text, and its note
// shape leaves the VML tree for the comment.
TEST(Comments_RealFiles, EveryCommentGetsItsNoteShape) {
  const char* env = std::getenv("KWS_SOURCE_DIR");
  const std::filesystem::path root =
      env ? std::filesystem::path(env) : std::filesystem::path(__FILE__).parent_path() / "../../../..";
  for (const char* maker : {"libreoffice", "gnumeric", "openpyxl", "xlsxwriter"}) {
    SCOPED_TRACE(maker);
    const auto dir = root / "tests/data/xlsx";
    std::ifstream file(dir / (std::string(maker) + "-cells.xlsx"), std::ios::binary);
    std::ifstream listing(dir / (std::string(maker) + "-cells.objects"));
    ASSERT_TRUE(file && listing);
    std::stringstream bytes;
    bytes << file.rdbuf();
    Load l(bytes.str());
    std::vector<TXc12DataWorksheet*> sheets;
    for (int i = 0; i < l.pkg.FWorkbook->Count(); ++i)
      if (l.pkg.FWorkbook->Items(i)->Type_() == opc::RelType(opc::kWorksheet)) {
        sheets.push_back(l.hub.Worksheets().Add(-1));
        l.ReadSheet(l.pkg.FWorkbook->Items(i)->GetId(), *sheets.back());
      }
    int expected = 0;
    for (std::string line; std::getline(listing, line);) {
      if (line.rfind("comment\t", 0) != 0) continue;
      ++expected;
      std::istringstream fields(line);
      std::string kind, sheetName, ref, text;
      std::getline(fields, kind, '\t');
      std::getline(fields, sheetName, '\t');
      std::getline(fields, ref, '\t');
      std::getline(fields, text);
      int32_t col = 0, row = 0;
      ASSERT_TRUE(RefStrToColRow(kws::Utf8ToUtf16(ref), col, row));
      const TXc12Comment* found = nullptr;
      const TXLSCommentShape* shape = nullptr;
      for (TXc12DataWorksheet* s : sheets)
        if (TXc12Comment* c = s->Comments().Find(col, row)) {
          found = c;
          if (TXLSSheetVml* v = l.objects->VmlDrawingOf(s->Index()))
            for (const auto& cs : v->CommentShapes) shape = cs.Comment == c ? &cs : shape;
        }
      ASSERT_NE(found, nullptr) << ref;
      EXPECT_EQ(found->FText, kws::Utf8ToUtf16(text));
      ASSERT_NE(shape, nullptr) << ref;
      // The anchor's top-left corner lies around the comment's cell.
      EXPECT_GE(shape->Col1, col);
      EXPECT_LE(shape->Row1, row);
      EXPECT_NE(shape->Color, 0);
    }
    EXPECT_GE(expected, 1);
    size_t shapes = 0, comments = 0;
    for (const auto& v : l.objects->VmlDrawings()) shapes += v->CommentShapes.size();
    for (TXc12DataWorksheet* s : sheets) comments += s->Comments().Count();
    EXPECT_EQ(shapes, comments);
  }
}

// ---- names the element classes do not know

TEST(Objects_UnknownNames, WorksheetExtensionsLeaveTheCopiesAlone) {
  // As Excel writes them: an attribute of an ignorable namespace, an unbound prefix and an
  // extension list with conditional formats of a later namespace.
  Load l(
      Book(Worksheet("<sheetPr><tabColor theme=\"5\"/></sheetPr><dimension ref=\"A1:B2\"/>"
                     "<sheetFormatPr defaultRowHeight=\"14.4\" x14ac:dyDescent=\"0.3\"/><sheetData/>"
                     "<qq:unknown/><pageMargins left=\"0.1\" right=\"0.2\" top=\"0.3\" bottom=\"0.4\" "
                     "header=\"0\" footer=\"0\"/><extLst><ext uri=\"{78C0D931}\" "
                     "xmlns:x14=\"http://schemas.microsoft.com/office/spreadsheetml/2009/9/main\">"
                     "<x14:conditionalFormattings><x14:conditionalFormatting/></x14:conditionalFormattings>"
                     "</ext></extLst>"),
           {}));
  l.ReadSheet();
  EXPECT_EQ(l.sheet->SheetFormatPr().FDefaultRowHeight, 288);
  EXPECT_EQ(l.sheet->PageMargins().FBottom, 0.4);
  EXPECT_EQ(l.sheet->SheetPr().FTabColor.ColorType, TXc12ColorType::exctTheme);
  EXPECT_EQ(l.sheet->Dimension(), Area(0, 0, 1, 1));
}

TEST(Objects_UnknownNames, ExtensionsAndForeignPrefixesAreWarningsOnly) {
  const std::string comments =
      "<comments " + kMain +
      " xmlns:xr=\"http://schemas.microsoft.com/office/spreadsheetml/2014/revision\">"
      "<authors><author>A</author></authors><commentList>"
      "<comment ref=\"A1\" authorId=\"0\" xr:uid=\"{1}\"><text><t>kept</t></text><zz:note/></comment>"
      "</commentList><extLst><ext uri=\"{X}\"><foo:bar xmlns:foo=\"urn:foo\"/></ext></extLst></comments>";
  const std::string table = "<table " + kMain +
                            " id=\"1\" name=\"T\" displayName=\"T\" ref=\"A1:A2\" xr:uid=\"{2}\">"
                            "<tableColumns count=\"1\"><tableColumn id=\"1\" name=\"C\"/></tableColumns>"
                            "<unknownThing/></table>";
  Load l(Book(Worksheet("<sheetData/><tableParts count=\"1\"><tablePart r:id=\"rId3\"/></tableParts>"),
              {{"rId1", "comments", "../comments1.xml", ""}, {"rId3", "table", "../tables/table1.xml", ""}},
              {{"xl/comments1.xml", comments}, {"xl/tables/table1.xml", table}}));
  l.ReadSheet();
  ASSERT_EQ(l.sheet->Comments().Count(), 1u);
  EXPECT_EQ(l.sheet->Comments().Items(0)->FText, u"kept");
  ASSERT_EQ(l.sheet->Tables().Count(), 1u);
  EXPECT_EQ(l.sheet->Tables().Items(0)->Columns(0)->FName, u"C");
  EXPECT_GE(l.Warnings(u"zz:note"), 1);
  EXPECT_GE(l.Warnings(u"unknownThing"), 1);
  EXPECT_GE(l.Warnings(u"xr:uid"), 1);
}

// ---- chartsheets

TEST(ChartSheet_Read, ViewsProtectionPrintingAndClosedItem) {
  const std::string cs =
      "<chartsheet " + kMain +
      "><sheetPr codeName=\"Chart1\"><tabColor theme=\"4\"/></sheetPr>"
      "<sheetViews><sheetView zoomScale=\"80\" workbookViewId=\"0\"/></sheetViews>"
      "<sheetProtection password=\"83AF\" objects=\"1\"/>"
      "<pageMargins left=\"0.5\" right=\"0.5\" top=\"1\" bottom=\"1\" header=\"0\" footer=\"0\"/>"
      "<pageSetup orientation=\"landscape\"/><headerFooter><oddFooter>p</oddFooter></headerFooter>"
      "<drawing r:id=\"rId1\"/></chartsheet>";
  Load l(Book(
      Worksheet("<sheetData/>"), {},
      {{"xl/chartsheets/sheet2.xml", cs},
       {"xl/chartsheets/_rels/sheet2.xml.rels", Rels({{"rId1", "drawing", "../drawings/drawing9.xml", ""}})},
       {"xl/drawings/drawing9.xml", "<xdr:wsDr/>"}}));
  l.objects->LoadChartSheet(u"rId2", *l.sheet);
  TXc12DataWorksheet& s = *l.sheet;
  ASSERT_EQ(l.sheet->SheetViews().Count(), 1u);
  EXPECT_EQ(l.sheet->SheetViews().Items(0)->FZoomScale, 80);
  EXPECT_EQ(l.sheet->SheetPr().FCodeName, u"Chart1");
  EXPECT_EQ(l.sheet->SheetPr().FTabColor.ColorType, TXc12ColorType::exctTheme);
  EXPECT_EQ(l.sheet->SheetProtection().FPassword, 0x83AF);
  EXPECT_TRUE(l.sheet->SheetProtection().FObjects);
  EXPECT_EQ(s.PageMargins().FLeft, 0.5);
  EXPECT_EQ(l.sheet->HeaderFooter().FOddFooter, u"p");
  EXPECT_EQ(l.pkg.FCurrSheet, nullptr);
  EXPECT_EQ(l.pkg.FCurrDrawing, nullptr);
  EXPECT_EQ(l.Warnings(u"Drawing"), 0);
}

TEST(ChartSheet_Read, MissingPartRaises) {
  Load l(Book(Worksheet("<sheetData/>"), {}));
  try {
    l.objects->LoadChartSheet(u"rId9", *l.sheet);
    FAIL() << "no exception";
  } catch (const XLSRWException& e) {
    EXPECT_STREQ(e.what(), "Can not find worksheet in OPC");
  }
}

}  // namespace
}  // namespace xls
