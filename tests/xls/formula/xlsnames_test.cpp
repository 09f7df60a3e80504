// The component's defined names compiled through the formula binding: simple names, definition
// text, renaming, lookups that skip deleted names, and compile after a read that never ends a
// load.
#include "xls/model/xlsnames.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/textcodec.h"
#include "xls/formula/xlsformulabinding.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlsworksheetdata.h"

namespace xls {
namespace {

struct NamedBook {
  NamedBook() {
    book.Add()->SetName(u"Bob's");
    FormulaHandlerOf(book);
    book.Errors().SetErrorList(&list);
  }
  TXLSNames& Names() { return dynamic_cast<TXLSNames&>(book.Manager().Workbook().DefinedNames()); }
  TXLSName& Add(std::u16string_view name, std::u16string_view definition, int32_t sheet = -1) {
    auto* n = dynamic_cast<TXLSName*>(Names().Add(name, sheet));
    n->FContent = definition;
    return *n;
  }
  std::vector<int32_t> Numbers() const {
    std::vector<int32_t> out;
    for (const auto& item : list) out.push_back(item.Number);
    return out;
  }
  TXLSBook book;
  TXLSErrorList list;
};

TEST(Names_Factory, ComponentListsAreTheNameClasses) {
  TXLSBook book;
  auto* names = dynamic_cast<TXLSNames_Int*>(&book.Manager().Workbook().DefinedNames());
  ASSERT_NE(names, nullptr);
  EXPECT_EQ(names->Manager(), &book.Manager());
  EXPECT_NE(dynamic_cast<TXLSName*>(names->Add(u"A", -1)), nullptr);
  // Without the formula binding names keep their text uncompiled.
  EXPECT_EQ(names->Formulas(), nullptr);
  auto* n = names->Names(0);
  n->SetDefinition(u"Sheet1!A1");
  EXPECT_TRUE(n->FPtgs.empty());
  EXPECT_EQ(n->Definition(), u"Sheet1!A1");
}

TEST(Names_Compile, SimpleNamesAndDefinitionText) {
  struct Case {
    std::u16string_view definition;
    TXc12SimpleNameType kind;
    const char* text;
  };
  const Case cases[] = {
      {u"'bob''s'!$B$2", TXc12SimpleNameType::xsntRef, "'Bob''s'!$B$2"},
      {u"Sheet1!A$1", TXc12SimpleNameType::xsntRef, "Sheet1!A$1"},
      {u"Sheet1!$A$1:C3", TXc12SimpleNameType::xsntArea, "Sheet1!$A$1:C3"},
      {u"Sheet1!A1+1", TXc12SimpleNameType::xsntNone, "Sheet1!A1+1"},
      {u"SUM(Sheet1!A1:A3)*2", TXc12SimpleNameType::xsntNone, "SUM(Sheet1!A1:A3)*2"},
  };
  NamedBook b;
  for (const Case& c : cases) {
    TXLSName& n = b.Add(u"N", u"");
    n.SetDefinition(c.definition);
    SCOPED_TRACE(kws::Utf16ToUtf8(c.definition));
    EXPECT_EQ(n.FSimpleName, c.kind);
    EXPECT_EQ(n.Area() != nullptr, c.kind != TXc12SimpleNameType::xsntNone);
    EXPECT_EQ(kws::Utf16ToUtf8(n.Definition()), c.text);
    EXPECT_EQ(kws::Utf16ToUtf8(n.Content()), c.text);
    n.SetDeleted(true);
  }
  TXLSName& ref = b.Add(u"Cell", u"");
  ref.SetDefinition(u"'Bob''s'!$C$4");
  ASSERT_NE(ref.Area(), nullptr);
  EXPECT_EQ(ref.SheetIndex(), 1);
  EXPECT_EQ(ref.Col1(), 2);
  EXPECT_EQ(ref.Row1(), 3);
  EXPECT_TRUE(b.list.empty());
}

TEST(Names_Compile, FailedDefinitionReports4011AndKeepsItsText) {
  NamedBook b;
  TXLSName& n = b.Add(u"Bad", u"");
  n.SetDefinition(u"NoSheet!A1");
  EXPECT_TRUE(n.FPtgs.empty());
  EXPECT_EQ(n.Area(), nullptr);
  EXPECT_EQ(n.Definition(), u"NoSheet!A1");
  EXPECT_EQ(b.Numbers().back(), XLSERR_FMLA_INVALID_SHEET_NAME);
  // Without an error list the failure raises.
  b.book.Errors().SetErrorList(nullptr);
  EXPECT_THROW(n.SetDefinition(u"NoSheet!B1"), XLSRWException);
}

TEST(Names_SetName, TakenTextIs4032AndChangesNothing) {
  NamedBook b;
  TXLSName& a = b.Add(u"Alpha", u"1");
  TXLSName& beta = b.Add(u"Beta", u"2");
  beta.SetName(u"ALPHA");
  beta.SetName(u"Beta");
  EXPECT_EQ(b.Numbers(), (std::vector<int32_t>{XLSERR_NAME_DEFINED, XLSERR_NAME_DEFINED}));
  EXPECT_EQ(a.Name(), u"Alpha");
  EXPECT_EQ(beta.Name(), u"Beta");
  beta.SetName(u"Gamma");
  EXPECT_EQ(b.Names().Find(u"gamma"), &beta);
  EXPECT_EQ(b.Names().Find(u"beta"), nullptr);
  a.SetDeleted(true);
  EXPECT_EQ(b.Names().Find(u"Alpha"), nullptr);
  // The text of a deleted name is free again.
  beta.SetName(u"Alpha");
  EXPECT_EQ(b.Names().Find(u"alpha"), &beta);
}

TEST(Names_SetName, EveryRoadChecksTheScopeOfTheName) {
  NamedBook b;
  TXLSName& alpha = b.Add(u"Alpha", u"1");
  TXLSName& beta = b.Add(u"Beta", u"2");
  // Through the base class (the road the list's Add takes) the check still runs.
  TXc12DefinedName& base = beta;
  base.SetName(u"alpha");
  EXPECT_EQ(beta.Name(), u"Beta");
  EXPECT_EQ(b.Numbers(), (std::vector<int32_t>{XLSERR_NAME_DEFINED}));
  // Add: a workbook-wide clash is refused; the same text local to a sheet is another name, but
  // twice on one sheet is refused.
  b.Names().Add(u"ALPHA", -1);
  TXc12DefinedName* local = b.Names().Add(u"Alpha", 0);
  EXPECT_EQ(local->Name(), u"Alpha");
  EXPECT_EQ(local->LocalSheetId(), 0);
  b.Names().Add(u"alpha", 0);
  EXPECT_EQ(b.Numbers(),
            (std::vector<int32_t>{XLSERR_NAME_DEFINED, XLSERR_NAME_DEFINED, XLSERR_NAME_DEFINED}));
  EXPECT_EQ(b.Names().Find(u"Alpha"), &alpha);
  EXPECT_EQ(b.Names().FindIdInSheet(u"ALPHA", 0), b.Names().FindIdInSheet(u"alpha", 0));
}

TEST(Names_SetName, AClashWhileReadingIsAWarningAndKeepsTheName) {
  NamedBook b;
  b.book.Errors().SetErrorList(nullptr);  // errors would raise
  b.Add(u"Rate", u"1");
  b.book.Manager().BeforeRead();
  TXc12DefinedName* again = b.Names().Add(u"Rate", -1);
  b.book.Manager().FIsUpdating = false;
  EXPECT_EQ(again->Name(), u"Rate");
  EXPECT_EQ(b.book.Errors().WarningCount(), 1);
}

TEST(Names_AfterRead, EveryNameCompiledAndABadOneNeverEndsTheLoad) {
  NamedBook b;
  b.book.Errors().SetErrorList(nullptr);  // errors would raise
  TXLSName& good = b.Add(u"Good", u"Sheet1!$A$1:$A$9");
  TXLSName& local = b.Add(u"Local", u"Good*2", 1);
  TXLSName& bad = b.Add(u"Bad", u"NoSheet!A1+");
  TXLSName& builtIn = *dynamic_cast<TXLSName*>(b.Names().Add(u"_xlnm.Print_Area", 0));
  builtIn.FContent = u"Sheet1!$A$1:$D$20";
  b.book.AfterRead();
  EXPECT_EQ(good.FSimpleName, TXc12SimpleNameType::xsntArea);
  EXPECT_FALSE(local.FPtgs.empty());
  EXPECT_EQ(local.Definition(), u"Good*2");
  EXPECT_TRUE(bad.FPtgs.empty());
  EXPECT_EQ(bad.Definition(), u"NoSheet!A1+");
  EXPECT_EQ(builtIn.FSimpleName, TXc12SimpleNameType::xsntArea);
  EXPECT_EQ(builtIn.Definition(), u"Sheet1!$A$1:$D$20");
  EXPECT_EQ(b.book.Errors().ErrorCount(), 0);
  EXPECT_EQ(b.book.Errors().WarningCount(), 1);
  EXPECT_FALSE(b.book.Errors().IgnoreErrors());  // held back for the compile only
}

TEST(Names_Legacy, ThreeDReferencesFindTheirSheetThroughTheLegacyTables) {
  NamedBook b;
  // The legacy reader's resolver: reference index 0 is the second sheet, 1 names several.
  b.book.Manager().FExtSheet97 = [](uint16_t index, int32_t& sheet) {
    sheet = 1;
    return index == 0;
  };
  TXLSName& cell = b.Add(u"Cell", u"");
  cell.FPtgs = {0xFF, 0x3A, 0, 0, 3, 0, 2, 0};  // $C$4
  TXLSName& area = b.Add(u"Area", u"");
  area.FPtgs = {0xFF, 0x3B, 0, 0, 1, 0, 2, 0, 0x01, 0xC0, 0x02, 0xC0};  // B2:C3, relative
  TXLSName& several = b.Add(u"Several", u"");
  several.FPtgs = {0xFF, 0x3A, 1, 0, 0, 0, 0, 0};
  b.book.AfterRead();
  EXPECT_EQ(cell.FSimpleName, TXc12SimpleNameType::xsntRef);
  EXPECT_EQ(cell.Definition(), u"'Bob''s'!$C$4");
  EXPECT_EQ(area.FSimpleName, TXc12SimpleNameType::xsntArea);
  EXPECT_EQ(area.Definition(), u"'Bob''s'!B2:C3");
  EXPECT_EQ(area.Col2(), 2);
  EXPECT_EQ(several.FSimpleName, TXc12SimpleNameType::xsntNone);

  // The tables and the resolver go with the reader object.
  TXLSFactoryObject tables;
  b.book.Manager().FNames97 = &tables;
  b.book.Clear(1);
  EXPECT_EQ(b.book.Manager().FNames97, nullptr);
  EXPECT_FALSE(b.book.Manager().FExtSheet97);
}

TEST(Names_Definition, SheetGoneSinceCompileReadsAsBrokenReference) {
  NamedBook b;
  TXLSName& n = b.Add(u"Far", u"");
  n.SetDefinition(u"'Bob''s'!A1");
  n.FArea.SheetIndex = 7;
  EXPECT_EQ(n.Definition(), u"#REF!");
}

}  // namespace
}  // namespace xls
