// The formula service wired to a spreadsheet component: compile and decode against the model's
// sheets, names, tables and external links; cell formulas as text; defined names compiled.
#include "xls/formula/xlsformulabinding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/textcodec.h"
#include "xls/formula/xlsfuncnames.h"
#include "xls/formula/xlsptgs.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlscellmmu.h"
#include "xls/model/xlsnames.h"
#include "xls/model/xlsworkbookdata.h"
#include "xls/model/xlsworksheetdata.h"

namespace xls {
namespace {

using Bytes = std::vector<uint8_t>;

FormatSettings Decimal(char16_t sep) {
  FormatSettings fs;
  fs.DecimalSeparator = sep;
  fs.ThousandSeparator = sep == u',' ? u'.' : u',';
  return fs;
}

// Sheets "Sheet1" and "My Sheet"; the table "Sales" on Sheet1 at A1:B6 (header and totals row,
// columns Region and Amount); the workbook name "Rate", the name "Rate" local to "My Sheet"
// and a deleted name "Gone"; the external link "Other.xlsx" with the sheets "Jan" and "Feb".
struct BoundBook {
  explicit BoundBook(char16_t decimal = u'.') : book(Decimal(decimal)) {
    book.Add()->SetName(u"My Sheet");
    TXc12Table* t = book.Manager().Worksheets().Items(0)->Tables().Add();
    t->FName = u"Sales";
    t->FRef = {0, 5, 0, 1};
    t->FTotalsRowCount = 1;
    t->AddColumn()->FName = u"Region";
    t->AddColumn()->FName = u"Amount";
    TXc12DefinedNames& names = book.Manager().Workbook().DefinedNames();
    names.Add(u"Rate", -1)->FContent = u"'My Sheet'!$B$2";
    names.Add(u"Rate", 1)->FContent = u"Sheet1!$C$1:$D$4";
    names.Add(u"Gone", -1)->SetDeleted(true);
    TXc12ExternalLink* link = book.Manager().XLinks().Add();
    link->FExternalBook.FFilename = u"Other.xlsx";
    link->FExternalBook.FSheetNames = {u"Jan", u"Feb"};
  }
  std::string RoundTrip(std::u16string_view text, int32_t sheet = 0) {
    TXLSFormulaHandler& h = FormulaHandlerOf(book);
    const Bytes ptgs = h.EncodeFormula(text, sheet);
    return kws::Utf16ToUtf8(h.DecodeFormula(nullptr, sheet, ptgs, false));
  }
  TXLSNames& Names() { return dynamic_cast<TXLSNames&>(book.Manager().Workbook().DefinedNames()); }
  TXLSName& Name(size_t i) { return *Names().Names(i); }

  TXLSBook book;
};

TEST(FormulaBinding_Handler, OneHandlerPerComponentOverItsLiveModel) {
  BoundBook b;
  TXLSFormulaHandler& h = FormulaHandlerOf(b.book);
  EXPECT_EQ(&h, &FormulaHandlerOf(b.book));
  const TXLSFormulaWorkbook& view = FormulaWorkbookOf(b.book);
  EXPECT_EQ(view.SheetCount(), 2);
  // A sheet added after the handler was made is seen at once.
  b.book.Add()->SetName(u"Later");
  EXPECT_EQ(b.RoundTrip(u"later!A1"), "Later!A1");
  TXLSBook other;
  EXPECT_NE(&FormulaHandlerOf(other), &h);
}

TEST(FormulaBinding_FunctionEvents, CompileRaisesTheComponentsLookupEvents) {
  BoundBook b;
  std::vector<std::string> found, user;
  // Set before the handler exists; compiling then makes it.
  b.book.SetOnUserFunction([&](std::u16string_view name) { user.push_back(kws::Utf16ToUtf8(name)); });
  EXPECT_EQ(b.RoundTrip(u"MYFUNC(1,A1)+sum(A1,_xlfn.NEWFN(2))"), "MYFUNC(1,A1)+SUM(A1,_xlfn.NEWFN(2))");
  EXPECT_EQ(user, (std::vector<std::string>{"MYFUNC", "_xlfn.NEWFN"}));
  // Set after: the handler asks the component at each lookup.
  b.book.SetOnFunction([&](std::u16string_view name, int32_t id) {
    EXPECT_EQ(id, TXLSExcelFuncNames::Instance().FindId(name));
    found.push_back(kws::Utf16ToUtf8(name));
  });
  b.book.SetOnUserFunction(nullptr);
  EXPECT_EQ(b.RoundTrip(u"IF(A1,MYFUNC(),SUM(1))"), "IF(A1,MYFUNC(),SUM(1))");
  EXPECT_EQ(found, (std::vector<std::string>{"IF", "SUM"}));
  EXPECT_EQ(user.size(), 2u);
  // Defined names compile through the same handler.
  auto* n = dynamic_cast<TXLSName*>(b.book.Manager().Workbook().DefinedNames().Add(u"Total", -1));
  ASSERT_NE(n, nullptr);
  n->SetDefinition(u"ROUND(Rate,2)");
  EXPECT_EQ(found.back(), "ROUND");
}

TEST(FormulaBinding_Compile, RoundTripsAgainstTheModel) {
  struct Case {
    std::u16string_view text;
    int32_t sheet;
    const char* expected;
  };
  const Case cases[] = {
      {u"'My Sheet'!A1+Sheet1!$B$2", 0, "'My Sheet'!A1+Sheet1!$B$2"},
      {u"'my sheet'!A1:B3", 0, "'My Sheet'!A1:B3"},
      {u"Rate*2", 0, "Rate*2"},
      {u"Rate*2", 1, "Rate*2"},
      {u"SUM(Sales[Amount])", 0, "SUM(Sales[Amount])"},
      {u"Sales[[#Totals],[Region]]", 1, "Sales[[#Totals],[Region]]"},
      {u"[Other.xlsx]Feb!C3", 0, "[Other.xlsx]Feb!C3"},
      {u"IF(A1>1.5,\"a\",{1,2;3,4})", 0, "IF(A1>1.5,\"a\",{1,2;3,4})"},
  };
  BoundBook b;
  for (const Case& c : cases) EXPECT_EQ(b.RoundTrip(c.text, c.sheet), c.expected) << kws::Utf16ToUtf8(c.text);

  // A built-in name reads in its file form and is found by it.
  b.book.Manager().Workbook().DefinedNames().Add(u"_xlnm.Print_Area", 1);
  EXPECT_EQ(b.RoundTrip(u"ROWS(_xlnm.Print_Area)", 1), "ROWS(_xlnm.Print_Area)");

  // The local name is the one on its own sheet; the workbook-wide one elsewhere.
  TXLSFormulaHandler& h = FormulaHandlerOf(b.book);
  EXPECT_NE(h.EncodeFormula(u"Rate", 1), h.EncodeFormula(u"Rate", 0));
}

TEST(FormulaBinding_Compile, DeletedNamesAndUnknownSheetsAreNotBound) {
  BoundBook b;
  TXLSErrorList list;
  b.book.Errors().SetErrorList(&list);
  TXLSFormulaHandler& h = FormulaHandlerOf(b.book);
  const Bytes gone = h.EncodeFormula(u"Gone+1", 0);
  EXPECT_EQ(kws::Utf16ToUtf8(h.DecodeFormula(nullptr, 0, gone, false)).rfind("#NAME?", 0), 0u);
  EXPECT_TRUE(h.EncodeFormula(u"NoSheet!A1", 0).empty());
  ASSERT_FALSE(list.empty());
  EXPECT_EQ(list.back().Number, XLSERR_FMLA_UNKNOWN_SHEET);
}

TEST(FormulaBinding_CurrTables, StructuredReferencesLookInTheCurrentTablesFirst) {
  BoundBook b;
  // A second table of the same name on "My Sheet" at D10:E20 (a header row, no totals row).
  TXc12Table* t = b.book.Manager().Worksheets().Items(1)->Tables().Add();
  t->FName = u"Sales";
  t->FRef = {9, 19, 3, 4};
  t->AddColumn()->FName = u"Region";
  t->AddColumn()->FName = u"Amount";
  TXLSFormulaHandler& h = FormulaHandlerOf(b.book);
  // The column item: 0xBD, table, column, then 0x86 and its area (first row at offset 6).
  auto firstRow = [](const Bytes& p) { return p.size() > 10 && p[0] == 0xBD ? int(p[6]) : -1; };
  EXPECT_EQ(firstRow(h.EncodeFormula(u"SUM(Sales[Amount])", 1)), 1);
  h.SetCurrTables(FormulaWorkbookOf(b.book).SheetTables(1), 1);
  EXPECT_EQ(firstRow(h.EncodeFormula(u"SUM(Sales[Amount])", 0)), 10);
  EXPECT_EQ(b.RoundTrip(u"SUM(Sales[Amount])"), "SUM(Sales[Amount])");
  h.SetCurrTables(nullptr, -1);
  EXPECT_EQ(firstRow(h.EncodeFormula(u"SUM(Sales[Amount])", 1)), 1);
}

TEST(FormulaBinding_Compile, TextForPeopleFollowsTheLocale) {
  BoundBook b(u',');
  // Formula text is read with "." and ","; written with the locale's separators.
  EXPECT_EQ(b.RoundTrip(u"SUM(1.5,A1,{1,2;3,4})"), "SUM(1,5;A1;{1\\2;3\\4})");
}

TEST(FormulaBinding_CellFormulas, CompiledCellsReadAsText) {
  BoundBook b;
  TXLSWorksheet& sheet = *b.book.Items(0);
  TXLSCellMMU& cells = sheet.Cells();
  TXLSFormulaHelper& f = cells.FormulaHelper();
  const Bytes ptgs = FormulaHandlerOf(b.book).EncodeFormula(u"'My Sheet'!B2*Rate", 0);
  f.Clear();
  f.FCol = 2, f.FRow = 3, f.FStyle = 0;
  f.AllocPtgs(ptgs.data(), int32_t(ptgs.size()));
  f.SetAsFloat(6);
  cells.StoreFormula();
  // A cell that uses the tokens of the cell above (a legacy array-formula child).
  f.Clear();
  f.FCol = 2, f.FRow = 4, f.FStyle = 0;
  f.FFormulaType = TXLSCellFormulaType::xcftArrayChild97;
  f.FParentCol = 2, f.FParentRow = 3;
  f.SetAsFloat(6);
  cells.StoreFormula();

  EXPECT_EQ(kws::Utf16ToUtf8(sheet.GetAsFormula(2, 3)), "'My Sheet'!B2*Rate");
  EXPECT_EQ(kws::Utf16ToUtf8(sheet.GetAsFormula(2, 4)), "'My Sheet'!B2*Rate");
  EXPECT_EQ(kws::Utf16ToUtf8(sheet.GetAsString(2, 3)), "6");
  b.book.SetShowFormulas(true);
  EXPECT_EQ(kws::Utf16ToUtf8(sheet.GetAsString(2, 3)), "'My Sheet'!B2*Rate");
}

TEST(FormulaBinding_CellFormulas, OtherCellHoldingTextRaises) {
  BoundBook b;
  FormulaHandlerOf(b.book);
  TXLSCellMMU& cells = b.book.Items(0)->Cells();
  TXLSFormulaHelper& f = cells.FormulaHelper();
  f.Clear();
  f.FCol = 0, f.FRow = 0, f.FStyle = 0;
  f.FFormula = u"A2+1";
  f.SetAsFloat(1);
  cells.StoreFormula();
  TXLSFormulaCellsOf view(cells);
  EXPECT_EQ(view.GetFormula(0, 0).kind, TXLSCellFormula::Text);
  EXPECT_EQ(view.GetFormula(0, 0).text, u"A2+1");
  EXPECT_EQ(view.GetFormula(5, 5).kind, TXLSCellFormula::NoFormula);
  const Bytes pointer = {0xB9, 0, 0, 0, 0, 0, 0};
  EXPECT_THROW(FormulaHandlerOf(b.book).DecodeFormula(&view, 0, pointer, false), XLSRWException);
}

TEST(FormulaBinding_Register, EveryLoadAttachesTheServiceBeforeTheReader) {
  RegisterFormulaBinding();
  RegisterFormulaBinding();
  TXLSBook book;
  EXPECT_EQ(book.FormulaService(), nullptr);
  bool attached = false;
  book.Readers().ReadPackage = [&](TXLSBook& b, std::span<const uint8_t>) {
    attached = b.FormulaService() != nullptr;
    b.Manager().Worksheets().Add(-1)->FName = u"Data";
    b.Manager().Workbook().DefinedNames().Add(u"Total", -1)->FContent = u"Data!$A$1:$A$3";
  };
  const uint8_t zip[] = {0x50, 0x4B, 0x03, 0x04, 0};
  book.LoadFromBytes(zip);
  EXPECT_TRUE(attached);
  auto& names = dynamic_cast<TXLSNames&>(book.Manager().Workbook().DefinedNames());
  EXPECT_EQ(names.Names(0)->FSimpleName, TXc12SimpleNameType::xsntArea);
  EXPECT_EQ(names.Names(0)->Definition(), u"Data!$A$1:$A$3");
  DefaultXLSBookReaders().AttachServices = nullptr;
}

TEST(FormulaBinding_Lifetime, ComponentFreesTheServiceFirst) {
  auto book = std::make_unique<TXLSBook>();
  FormulaHandlerOf(*book);
  ASSERT_TRUE(book->OnDecodeFormula);
  book->SetFormulaService(nullptr);
  // The binding took its hooks with it.
  EXPECT_FALSE(book->OnDecodeFormula);
  FormulaHandlerOf(*book);
  book.reset();
}

}  // namespace
}  // namespace xls
