// Workbook data, worksheet data, the hub's file data, sheet parts and images.
#include <gtest/gtest.h>

#include <string>

#include "platform/textcodec.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlsglobals.h"
#include "xls/model/xlsimages.h"
#include "xls/model/xlssst.h"
#include "xls/model/xlsworkbookdata.h"
#include "xls/model/xlsworksheetdata.h"

namespace xls {
namespace {

// ---- defined names

TEST(DefinedNames_Add, BuiltInNamesAndOtherTexts) {
  TXc12DefinedNames names(nullptr);
  struct Case {
    std::u16string text;
    std::u16string name;
    TXc12BuiltInName kind;
  };
  const Case cases[] = {
      {u"_xlnm.Print_Area", u"", TXc12BuiltInName::bnPrintArea},
      {u"_xlnm._FilterDatabase", u"", TXc12BuiltInName::bnFilterDatabase},
      {u"_xlnm.Sheet_Title", u"", TXc12BuiltInName::bnSheetTitle},
      // Other letter case and unknown built-in texts keep their text.
      {u"_xlnm.print_area", u"_xlnm.print_area", TXc12BuiltInName::bnNone},
      {u"_xlnm.Auto_Open", u"_xlnm.Auto_Open", TXc12BuiltInName::bnNone},
      {u"Rate", u"Rate", TXc12BuiltInName::bnNone},
  };
  for (const Case& c : cases) {
    TXc12DefinedName* n = names.Add(c.text, 0);
    EXPECT_EQ(n->Name(), c.name) << std::string(c.text.begin(), c.text.end());
    EXPECT_EQ(n->BuiltIn(), c.kind);
    EXPECT_EQ(n->LocalSheetId(), 0);
  }
}

TEST(DefinedNames_Find, LocalNamesHideWorkbookNamesOnTheirSheetOnly) {
  TXc12DefinedNames names(nullptr);
  names.Add(u"Rate", -1);
  names.Add(u"Rate", 2);
  names.Add(u"Other", 1);
  EXPECT_EQ(names.FindId(u"rate", 2), 1);
  EXPECT_EQ(names.FindId(u"RATE", 0), 0);
  EXPECT_EQ(names.FindId(u"rate", -1), 0);
  EXPECT_EQ(names.FindId(u"other", -1), -1);
  EXPECT_EQ(names.FindId(u"other", 1), 2);
  EXPECT_EQ(names.FindIdInSheet(u"Rate", 5), -1);
  names.Clear();
  EXPECT_EQ(names.FindId(u"Rate", -1), -1);
}

TEST(DefinedNames_Find, LookupFollowsEveryChangeAndSkipsDeletedNames) {
  TXc12DefinedNames names(nullptr);
  TXc12DefinedName* a = names.Add(u"Alpha", -1);
  EXPECT_EQ(names.FindId(u"alpha", -1), 0);
  a->SetName(u"Beta");
  EXPECT_EQ(names.FindId(u"alpha", -1), -1);
  EXPECT_EQ(names.FindId(u"beta", -1), 0);
  a->SetLocalSheetId(3);
  EXPECT_EQ(names.FindId(u"beta", -1), -1);
  EXPECT_EQ(names.FindId(u"beta", 3), 0);
  a->SetLocalSheetId(-1);
  a->SetDeleted(true);
  EXPECT_EQ(names.FindId(u"beta", -1), -1);
  EXPECT_EQ(names.FindIdInSheet(u"beta", -1), -1);
}

// The lookup is kept through changes without rebuilding it per name added (a book of 20,000
// names), and still answers the first live entry of a name.
TEST(DefinedNames_Find, FirstLiveEntryAfterDuplicatesRenamesAndDeletes) {
  TXc12DefinedNames names(nullptr);
  for (int i = 0; i < 20000; ++i) {
    names.Add(u"N" + std::u16string(1, char16_t(u'a' + i % 26)) + kws::Utf8ToUtf16(std::to_string(i)), i % 10 == 9 ? 0 : -1);
    ASSERT_EQ(names.FindId(u"Na0", 0), 0);
  }
  EXPECT_EQ(names.FindIdInSheet(u"NF19999", 0), 19999);
  EXPECT_EQ(names.FindId(u"nf19999", -1), -1);
  TXc12DefinedName* dup = names.Add(u"Na0", -1);  // a second entry with a taken name
  EXPECT_EQ(names.FindId(u"NA0", -1), 0);
  names.Items(0)->SetDeleted(true);
  EXPECT_EQ(names.FindId(u"NA0", -1), 20000);
  names.Items(0)->SetDeleted(false);
  EXPECT_EQ(names.FindId(u"NA0", -1), 0);
  names.Items(0)->SetName(u"Moved");
  EXPECT_EQ(names.FindId(u"NA0", -1), 20000);
  names.Items(5)->SetName(u"Na0");
  EXPECT_EQ(names.FindId(u"NA0", -1), 5);
  dup->SetDeleted(true);
  names.Items(5)->SetDeleted(true);
  EXPECT_EQ(names.FindId(u"NA0", -1), -1);
  EXPECT_EQ(names.FindId(u"moved", -1), 0);
}

TEST(DefinedNames_Add, ReusedEntryIsResetWhole) {
  TXc12DefinedNames names(nullptr);
  TXc12DefinedName* old = names.Add(u"Old", 1);
  old->FContent = u"Sheet1!$A$1";
  old->FPtgs = {1, 2, 3};
  old->FHidden = true;
  old->FSimpleName = TXc12SimpleNameType::xsntRef;
  old->FArea = {0, 1, 1, 1, 1};
  old->SetDeleted(true);
  TXc12DefinedName* fresh = names.Add(u"New", -1);
  EXPECT_EQ(fresh, old);
  EXPECT_EQ(names.Count(), 1u);
  EXPECT_FALSE(fresh->Deleted());
  EXPECT_TRUE(fresh->FContent.empty());
  EXPECT_TRUE(fresh->FPtgs.empty());
  EXPECT_FALSE(fresh->FHidden);
  EXPECT_EQ(fresh->FSimpleName, TXc12SimpleNameType::xsntNone);
  EXPECT_EQ(fresh->FArea, TXLS3dCellArea{});
  EXPECT_EQ(names.FindId(u"new", -1), 0);
  EXPECT_EQ(names.FindId(u"old", 1), -1);
  TXc12DefinedName* b = names.Add(TXc12BuiltInName::bnPrintTitles, 4);
  EXPECT_EQ(b->BuiltIn(), TXc12BuiltInName::bnPrintTitles);
  EXPECT_EQ(b->LocalSheetId(), 4);
}

// Free entries are taken in list order whatever way they were freed or refilled; many names added
// one by one stay fast (the list is searched only while it holds deleted entries).
TEST(DefinedNames_Add, FreeEntriesFollowDeleteUndeleteAndClear) {
  TXc12DefinedNames names(nullptr);
  for (int i = 0; i < 4; ++i) names.Add(u"N" + std::u16string(1, char16_t(u'0' + i)), -1);
  names.Items(2)->SetDeleted(true);
  names.Items(1)->SetDeleted(true);
  names.Items(1)->SetDeleted(true);  // twice: still one free entry
  names.Items(2)->SetDeleted(false);
  TXc12DefinedName* added = names.Add(u"A", -1);
  EXPECT_EQ(added, names.Items(1));
  added = names.Add(u"B", -1);  // no free entry left: appended
  EXPECT_EQ(added, names.Items(4));
  names.Items(3)->SetDeleted(true);
  names.Items(3)->Clear();  // cleared in place: no longer free
  added = names.Add(u"C", -1);
  EXPECT_EQ(added, names.Items(5));
  names.Items(0)->SetDeleted(true);
  names.Clear();
  names.Add(u"D", -1);
  EXPECT_EQ(names.Count(), 1u);
  for (int i = 0; i < 200000; ++i) names.Add(u"X", -1);  // quadratic before: seconds under ASan
  EXPECT_EQ(names.Count(), 200001u);
}

TEST(DefinedNames_Area, AccessorsDropTheAbsoluteFlags) {
  TXc12DefinedName n;
  n.FArea = {2, int32_t(0x80000005), 7, 0x8003, 4};
  EXPECT_EQ(n.SheetIndex(), 2);
  EXPECT_EQ(n.Row1(), 5);
  EXPECT_EQ(n.Col1(), 3);
  EXPECT_EQ(n.Row2(), 7);
  EXPECT_EQ(n.Col2(), 4);
}

TEST(WorkbookData_Clear, DefaultsAfterClear) {
  TXc12DataWorkbook wb(nullptr);
  wb.BookViews().Add();
  wb.FileVersion().SetCodeName(u"ThisWorkbook");
  wb.FileVersion().SetCodeName(u"");
  EXPECT_EQ(wb.FileVersion().FCodeName, u"ThisWorkbook");
  wb.WorkbookPr().FDate1904 = true;
  wb.DefinedNames().Add(u"Gone", -1);
  wb.Clear();
  ASSERT_EQ(wb.BookViews().Count(), 1u);
  const TXc12BookView& v = *wb.BookViews().Items(0);
  EXPECT_EQ((std::vector<int32_t>{v.FXWindow, v.FYWindow, v.FWindowWidth, v.FWindowHeight, v.FTabRatio}),
            (std::vector<int32_t>{240, 45, 25875, 15915, 600}));
  EXPECT_EQ(wb.FileVersion().FAppName, u"xl");
  EXPECT_DOUBLE_EQ(wb.CalcPr().FIterateDelta, 0.001);
  EXPECT_TRUE(wb.WorkbookPr().FDate1904);  // kept: the readers always set it
  EXPECT_EQ(wb.DefinedNames().FindId(u"gone", -1), -1);
  EXPECT_THROW(wb.BookViews().Items(1), std::out_of_range);
}

// ---- worksheet data

TEST(WorksheetData_Add, IdsIndexesViewsAndFind) {
  TXLSClassFactoryImpl factory;
  TXc12DataWorksheets sheets(&factory, nullptr, nullptr);
  sheets.Add(-1)->FName = u"Data";
  sheets.Add(7)->FName = u"More";
  EXPECT_EQ(sheets.Add(-1)->FSheetId, 3);
  EXPECT_EQ(sheets.Add(0)->FSheetId, 0);
  EXPECT_EQ(sheets.Items(1)->FSheetId, 7);
  EXPECT_EQ(sheets.Items(2)->Index(), 2);
  EXPECT_EQ(sheets.Items(0)->SheetViews().Count(), 1u);
  EXPECT_TRUE(sheets.Items(0)->Cells().CalcDimensions() || sheets.Items(0)->Dimension().Row2 < 0);
  EXPECT_EQ(sheets.Find(u"dATA"), 0);
  // Defaults of the printing and protection parts.
  TXc12DataWorksheet& ws = *sheets.Items(0);
  EXPECT_EQ(ws.PageSetup().FScale, 100);
  EXPECT_EQ(ws.PageSetup().FOrientation, TXc12Orientation::x12oPortrait);
  EXPECT_DOUBLE_EQ(ws.PageMargins().FTop, 0.75);
  EXPECT_TRUE(ws.SheetProtection().FFormatCells);
  EXPECT_FALSE(ws.SheetProtection().FSelectLockedCells);
  ws.IgnoredErrors().push_back(std::make_unique<TXc12IgnoredError>());
  ws.IgnoredErrors().back()->FSqref.Add(0, 0, XLS_MAXCOL, XLS_MAXROW);
  EXPECT_EQ(ws.IgnoredErrors().size(), 1u);
  EXPECT_EQ(sheets.Find(u"none"), -1);
}

TEST(WorksheetData_QuotedName, QuotesAndDoublesApostrophes) {
  struct Case {
    std::u16string name, quoted;
  };
  const Case cases[] = {{u"Sheet1", u"Sheet1"},         {u"", u""},
                        {u"My Sheet", u"'My Sheet'"},   {u"Donn\u00E9es", u"'Donn\u00E9es'"},
                        {u"2019-Q1", u"'2019-Q1'"},     {u"Bob's", u"'Bob''s'"},
                        {u"''", u"''''''"}};
  for (const Case& c : cases) EXPECT_EQ(QuoteSheetName(c.name), c.quoted);
  EXPECT_EQ(CutSheetName(u"abc", 2), u"ab");
  EXPECT_EQ(CutSheetName(u"a\U0001F600", 2), u"a");
  EXPECT_EQ(CutSheetName(u"\U0001F600", 2), u"\U0001F600");
}

// ---- sheet parts

TEST(SheetParts_Finds, TablesAuthorsFiltersComments) {
  TXc12Tables tables;
  TXc12Table* t = tables.Add();
  t->FName = u"Sales";
  t->FRef = {1, 5, 1, 3};  // B2:D6
  t->AddColumn()->FName = u"Item";
  t->AddColumn()->FName = u"Price's";
  EXPECT_EQ(tables.Find(u"SALES"), 0);
  EXPECT_EQ(tables.Find(u"x"), -1);
  EXPECT_EQ(tables.FindCol(u"Price''s"), 1);
  EXPECT_EQ(tables.FindCol(u"'Item"), 0);
  EXPECT_TRUE(t->Hit(3, 5));
  EXPECT_FALSE(t->Hit(3, 6));
  EXPECT_EQ(tables.Find(2, 2), 0);

  TXc12Comments comments;
  comments.Authors().Add(u"Ann Lee");
  EXPECT_NE(comments.Authors().Find(u"ann LEE"), nullptr);
  EXPECT_EQ(comments.Authors().Find(u"Bob"), nullptr);
  TXc12Comment* c = comments.Add();
  c->SetCol(2), c->SetRow(3);
  c->SetCol(5), c->SetRow(9);
  EXPECT_EQ(c->FOrigCol, 2);
  EXPECT_EQ(c->FOrigRow, 3);
  EXPECT_EQ(comments.Find(5, 9), c);

  TXc12CustomFilter f;
  f.SetOperatorAsString(u"<=");
  EXPECT_EQ(f.OperatorAsString(), u"<=");
  f.SetOperatorAsString(u"=>");
  EXPECT_EQ(f.OperatorAsString(), u"<=");
  TXc12AutoFilter af;
  af.FRef = {1, 1, 1, 1};
  af.Clear();
  EXPECT_EQ(af.FRef, (TXLSCellArea{-1, -1, -1, -1}));
}

// Comments are found by cell through an index that follows additions and moves; the first
// comment at a cell is the one found. 200,000 comments looked up one by one in a list scanned
// for each would take minutes here.
TEST(SheetParts_Comments, FoundByCellAfterAddsAndMoves) {
  TXc12Comments comments;
  constexpr int32_t kCount = 200000;
  for (int32_t i = 0; i < kCount; ++i) {
    TXc12Comment* c = comments.Add();
    c->SetCol(i % 1000);
    c->SetRow(i / 1000);
  }
  for (int32_t i = 0; i < kCount; ++i)
    ASSERT_EQ(comments.Find(i % 1000, i / 1000), comments.Items(size_t(i))) << i;
  EXPECT_EQ(comments.Find(0, kCount / 1000), nullptr);
  TXc12Comment* moved = comments.Items(5);
  moved->SetRow(7000);  // a comment that moves is found at its new cell only
  EXPECT_EQ(comments.Find(5, 0), nullptr);
  EXPECT_EQ(comments.Find(5, 7000), moved);
  TXc12Comment* second = comments.Add();  // a second comment at a cell stays behind the first
  second->SetCol(5), second->SetRow(7000);
  EXPECT_EQ(comments.Find(5, 7000), moved);
  moved->SetCol(6);
  EXPECT_EQ(comments.Find(5, 7000), second);
  comments.Clear();
  EXPECT_EQ(comments.Find(6, 7000), nullptr);
}

TEST(SheetParts_Views, ClearedSelectionHoldsA1) {
  TXc12Selection sel;
  sel.FSQRef.Add(3, 3, 5, 5);
  sel.Clear();
  ASSERT_EQ(sel.FSQRef.Count(), 1u);
  EXPECT_TRUE(sel.FSQRef.Items(0)->Equal(0, 0, 0, 0));
  EXPECT_EQ(sel.FActiveCell, (TXLSCellArea{0, 0, 0, 0}));
}

TEST(ExternalLinks_Values, CachedValuesReadInEveryKind) {
  TXc12XCellValue v;
  EXPECT_FALSE(v.AsNil());
  EXPECT_EQ(v.AsString(), u"0");
  v.SetAsString(u"true");
  EXPECT_TRUE(v.AsBoolean());
  v.SetAsString(u"2,5");
  EXPECT_DOUBLE_EQ(v.AsFloat(u','), 2.5);
  EXPECT_DOUBLE_EQ(v.AsFloat(u'.'), 0);
  v.SetAsError(TXc12CellError::errNA);
  EXPECT_EQ(v.AsString(), u"#N/A");
  EXPECT_FALSE(v.AsBoolean());
  v.SetAsNil(false);
  EXPECT_EQ(v.Type(), TXc12XCellType::x12ctFloat);
  v.SetAsNil(true);
  EXPECT_TRUE(v.AsNil());
  EXPECT_EQ(v.AsString(), u"");
}

TEST(ExternalLinks_Find, BooksByNumberOrNameAndSheets) {
  TXc12DataXLinks links;
  links.Add()->FExternalBook.FFilename = u"Prices.xlsx";
  links.Add()->FExternalBook.FSheetNames = {u"Sheet1", u"Data"};
  EXPECT_EQ(links.FindBook(u"1"), 0);
  EXPECT_EQ(links.FindBook(u"3"), -1);
  EXPECT_EQ(links.FindBook(u"0"), -1);
  EXPECT_EQ(links.FindBook(u"99999999999999999999"), -1);
  EXPECT_EQ(links.FindBook(u"PRICES.xlsx"), 0);
  EXPECT_EQ(links.Items(1)->FExternalBook.FindSheetName(u"data"), 1);
}

// ---- hub and file data

std::vector<TXLSUnusedPart> Parts(std::initializer_list<TXLSUnusedPart> parts) { return parts; }

const std::u16string kRel = u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

TEST(FileData_ReadUnusedData, KeptWhereTheyHang) {
  TXLSErrorManager errors;
  TXc12FileData fd(&errors);
  fd.AddSaveSheet(u"rId1");
  fd.ReadUnusedData(Parts({
      {u"calcChain.xml", true, kRel + u"officeDocument", u"", kRel + u"calcChain", u"calcChain.xml", u"", {}},
      {u"printerSettings1.bin", true, kRel + u"worksheet", u"rId1", kRel + u"printerSettings", u"p.bin", u"", {}},
      {u"app.xml", true, u"__ROOT__", u"", u"ext", u"docProps/app.xml", u"", {}},
      {u"x", false, u"__ROOT__", u"", kRel + u"hyperlink", u"http://x", u"", {}},
      {u"custom.xml", true, u"__ROOT__", u"", u"custom", u"docProps/custom.xml", u"c", {1}},
      {u"item1.xml", true, kRel + u"officeDocument", u"", u"customXml", u"../customXml/item1.xml", u"", {2}},
      {u"table1.xml", true, kRel + u"worksheet", u"rId1", kRel + u"table", u"../tables/table1.xml", u"", {}},
      {u"vmlDrawing1.vml", true, kRel + u"worksheet", u"rId1", kRel + u"vmlDrawing", u"v.vml", u"", {}},
      {u"props.xml", true, u"customXml", u"", u"customXmlProps", u"itemProps1.xml", u"", {}},
      {u"image1.png", true, u"unknownParent", u"", u"image", u"image1.png", u"", {}},
  }));
  ASSERT_EQ(fd.FSavedRoot.Count(), 1u);
  EXPECT_EQ(fd.FSavedRoot.Items(0)->FTarget, u"docProps/custom.xml");
  EXPECT_EQ(fd.FSavedRoot.Items(0)->FData, std::vector<uint8_t>{1});
  ASSERT_EQ(fd.FSavedWorkbook.Count(), 1u);
  ASSERT_NE(fd.FSavedWorkbook.Items(0)->FChilds, nullptr);
  EXPECT_EQ(fd.FSavedWorkbook.Items(0)->FChilds->Count(), 1u);
  ASSERT_NE(fd.FSavedSheets[0].second, nullptr);
  EXPECT_EQ(fd.FSavedSheets[0].second->FTableData.Count(), 1u);
  EXPECT_EQ(fd.FSavedSheets[0].second->FSheetData.Count(), 1u);
}

TEST(FileData_ReadUnusedData, UnknownSheetIdIsAWarningNotTheEnd) {
  TXLSErrorManager errors;
  errors.SetIgnoreXMLWarnings(false);
  errors.SetSaveToList(true);
  TXc12FileData fd(&errors);
  fd.AddSaveSheet(u"rId1");
  fd.ReadUnusedData(Parts({{u"d.xml", true, kRel + u"worksheet", u"rId9", u"t", u"d.xml", u"", {}},
                           {u"c.xml", true, u"__ROOT__", u"", u"t", u"c.xml", u"", {}}}));
  EXPECT_EQ(fd.FSavedRoot.Count(), 2u);
  ASSERT_EQ(errors.ErrorList().size(), 1u);
  EXPECT_NE(errors.ErrorList()[0].Text.find(u"Unknown OPC sheet id \"rId9\""), std::u16string::npos);
}

TEST(FileData_HasMacros, StaysTrueOnceAMacroPartWasAdded) {
  TXc12FileData fd(nullptr);
  fd.FSavedWorkbook.Add(u"t", u"vbaProject.bin", {}, u"");
  fd.FSavedWorkbook.Add(u"t", u"styles2.xml", {}, u"");
  EXPECT_TRUE(fd.HasMacros());
  fd.Clear();
  EXPECT_FALSE(fd.HasMacros());
}

TEST(FileData_Theme, ColoursInModelByteOrder) {
  ResetXLSGlobals();
  const uint32_t dk1 = ThemeColors()[1];
  EXPECT_TRUE(TXc12FileData::SetThemeColor(4, u"4F81BD"));
  EXPECT_EQ(ThemeColors()[4], 0x00BD814Fu);
  EXPECT_FALSE(TXc12FileData::SetThemeColor(1, u"windowText"));
  EXPECT_EQ(ThemeColors()[1], dk1);
  EXPECT_FALSE(TXc12FileData::SetThemeColor(13, u"000000"));
  ResetXLSGlobals();
}

TEST(Manager_Members, SeparatorsFilenameEventCellAndTables) {
  FormatSettings comma;
  comma.DecimalSeparator = u',';
  TXLSClassFactoryImpl factory;
  TXLSErrorManager errors;
  TXc12Manager hub(&factory, &errors, comma);
  hub.CreateMembers();
  EXPECT_EQ(hub.FColSeparator, u'\\');
  EXPECT_EQ(TXc12Manager(&factory, &errors, FormatSettings()).FColSeparator, u',');
  EXPECT_EQ(hub.FilenameAsXLS(), u"");
  hub.FFilename = u"/data/books/q1.xlsx";
  EXPECT_EQ(hub.FilenameAsXLS(), u"/data/books/[q1.xlsx]");
  hub.SetVersion(TExcelVersion::xvExcel97);
  EXPECT_TRUE(hub.SST().IsExcel97());

  TXLSEventCell& cell = hub.EventCell();
  cell.Clear();
  EXPECT_EQ(cell.FCol, -1);
  EXPECT_EQ(cell.FRow, 0);
  cell.SetAsFormula(u"A1+1");
  cell.SetAsFloat(2);
  EXPECT_EQ(cell.FCellType, TXLSCellType::xctFloatFormula);
  cell.ClearValues();
  cell.SetAsFloat(2);
  EXPECT_EQ(cell.FCellType, TXLSCellType::xctFloat);
  cell.SetRef(u"C7");
  EXPECT_EQ(cell.FCol, 2);
  EXPECT_EQ(cell.FRow, 6);

  hub.Worksheets().Add(-1);
  hub.Worksheets().Add(-1)->Tables().Add()->FName = u"Prices";
  TXc12Tables* tables = nullptr;
  int32_t sheet = -1;
  EXPECT_EQ(hub.FindTable(u"PRICES", tables, sheet), 0);
  EXPECT_EQ(sheet, 1);
  EXPECT_EQ(hub.FindTable(u"none", tables, sheet), -1);
}

// ---- images

std::vector<uint8_t> Png(uint32_t w, uint32_t h) {
  std::vector<uint8_t> d = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  for (uint32_t v : {w, h})
    for (int s = 24; s >= 0; s -= 8) d.push_back(uint8_t(v >> s));
  d.insert(d.end(), {8, 6, 0, 0, 0, 0, 0, 0, 0});
  return d;
}

std::vector<uint8_t> Jpeg(uint8_t sof, bool withFrame) {
  std::vector<uint8_t> d = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x06, 'J', 'F', 'I', 'F', 0xFF, 0xFF};
  if (withFrame) d.insert(d.end(), {0xFF, sof, 0x00, 0x11, 0x08, 0x01, 0x2C, 0x02, 0x58, 0x03});
  d.insert(d.end(), 12, 0);
  return d;
}

TEST(Images_Size, ProbesReadOnlyWhatIsThere) {
  int32_t w = 0, h = 0;
  ASSERT_TRUE(GetImageSize(Png(70000, 300), TXc12ImageType::x12itPNG, w, h));
  EXPECT_EQ(w, 70000);
  EXPECT_EQ(h, 300);
  auto cut = Png(1, 1);
  cut.resize(20);
  EXPECT_FALSE(GetImageSize(cut, TXc12ImageType::x12itPNG, w, h));
  ASSERT_TRUE(GetImageSize(Jpeg(0xC2, true), TXc12ImageType::x12itJPEG, w, h));
  EXPECT_EQ(w, 600);
  EXPECT_EQ(h, 300);
  EXPECT_FALSE(GetImageSize(Jpeg(0xC0, false), TXc12ImageType::x12itJPEG, w, h));
  EXPECT_FALSE(GetImageSize(std::vector<uint8_t>{0xFF, 0xD8, 0xFF, 0xC0, 0, 0, 0, 0}, TXc12ImageType::x12itJPEG, w, h));
  // A segment length that points far beyond the data.
  std::vector<uint8_t> big = {0xFF, 0xD8, 0xFF, 0xE1, 0xFF, 0xFF};
  big.resize(40, 0);
  EXPECT_FALSE(GetImageSize(big, TXc12ImageType::x12itJPEG, w, h));
  EXPECT_FALSE(GetImageSize(Png(1, 1), TXc12ImageType::x12itGIF, w, h));
}

TEST(Images_List, NamesTypesAndLoading) {
  TXLSErrorManager errors;
  errors.SetSaveToList(true);
  TXc12GraphicImages images(&errors);
  EXPECT_EQ(TXc12GraphicImages::TypeFromExt(u"C:\\Pictures\\Photo.JPG"), TXc12ImageType::x12itJPEG);
  EXPECT_EQ(TXc12GraphicImages::TypeFromExt(u"png"), TXc12ImageType::x12itPNG);
  EXPECT_EQ(TXc12GraphicImages::TypeFromExt(u"a.tiff"), TXc12ImageType::x12itUnknown);
  EXPECT_THROW(TXc12GraphicImages::ExtFromType(TXc12ImageType::x12itGIF), XLSRWException);
  images.Xc12_Add(Png(1, 1), u"png", u"Image1.png", u"rId1", u"rId2");
  images.Xc12_Add(Png(1, 1), u"png", u"Image3.png", u"rId1", u"rId3");
  EXPECT_EQ(images.Add(Png(1, 1), TXc12ImageType::x12itPNG)->FFileId, u"Image4.png");
  EXPECT_EQ(images.FindByRId(u"rId1", u"rId3"), images.Items(1));
  EXPECT_EQ(images.Items(0)->UniqueName(), u"Image001.png");
  TXc12GraphicImage* a = images.LoadFromStream(Png(20, 10), u"logo.png");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->FWidth, 20);
  EXPECT_EQ(images.LoadFromStream(Png(5, 5), u"LOGO.PNG"), a);
  EXPECT_EQ(images.Count(), 4u);
  EXPECT_EQ(images.LoadFromStream(Png(5, 5), u"anim.gif"), nullptr);
  EXPECT_EQ(images.LoadFromStream(Png(5, 5), u"x.tiff"), nullptr);
  EXPECT_EQ(errors.WarningCount(), 2);
  EXPECT_EQ(images.ByPictureId(1), images.Items(0));
  EXPECT_EQ(images.ByPictureId(0), nullptr);
  EXPECT_EQ(images.ByPictureId(5), nullptr);
  EXPECT_EQ(images.ByPictureId(-3), nullptr);
}

}  // namespace
}  // namespace xls
