// The package reader with the pivot lists registered: cache definitions and their records read
// with the workbook part, each sheet's tables after its drawings, tables linked to their caches;
// a pivot part that cannot be read is dropped with one warning naming it and the load goes on.
#include <gtest/gtest.h>

#include <string>

#include "tests/xls/xlsxreader/readxlsx_fixtures.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlsworkbookdata.h"
#include "xls/model/xlsworksheetdata.h"
#include "xls/pivot/xlspivottables.h"
#include "xls/pivot/xpgpivotroots.h"
#include "xls/xlsxreader/xlsreadxlsx.h"

namespace {

using namespace kws::test;
using namespace xls::xpgpivot;

const std::string kRel = kRelNs;

std::string Definition(const std::string& attrs = " r:id=\"rId1\"") {
  return "<pivotCacheDefinition xmlns=\"" + std::string(kMainNs) + "\" xmlns:r=\"" + kRel + "\"" + attrs +
         " recordCount=\"2\"><cacheSource type=\"worksheet\"><worksheetSource ref=\"A1:B3\" sheet=\"S\"/>"
         "</cacheSource><cacheFields count=\"2\"><cacheField name=\"k\"><sharedItems><s v=\"a\"/><s v=\"b\"/>"
         "</sharedItems></cacheField><cacheField name=\"v\"><sharedItems containsNumber=\"1\"/></cacheField>"
         "</cacheFields></pivotCacheDefinition>";
}
const std::string kRecords = "<pivotCacheRecords xmlns=\"" + std::string(kMainNs) +
                             "\" count=\"2\"><r><x v=\"0\"/><n v=\"1\"/></r><r><x v=\"1\"/><n v=\"2\"/></r>"
                             "</pivotCacheRecords>";
std::string Table(const std::string& name, int cacheId) {
  return "<pivotTableDefinition xmlns=\"" + std::string(kMainNs) + "\" name=\"" + name + "\" cacheId=\"" +
         std::to_string(cacheId) + "\" dataCaption=\"Values\"><location ref=\"D1:E4\" firstHeaderRow=\"1\" "
         "firstDataRow=\"1\" firstDataCol=\"1\"/><pivotFields count=\"2\"><pivotField axis=\"axisRow\">"
         "<items count=\"3\"><item x=\"0\"/><item x=\"1\"/><item t=\"default\"/></items></pivotField>"
         "<pivotField dataField=\"1\"/></pivotFields><rowFields count=\"1\"><field x=\"0\"/></rowFields>"
         "<dataFields count=\"1\"><dataField name=\"Sum - v\" fld=\"1\" subtotal=\"sum\"/></dataFields>"
         "</pivotTableDefinition>";
}

// A workbook of one sheet with two pivot tables over cache 5 and a third over cache 6; the parts
// may be replaced to damage one.
struct Parts {
  std::string def1 = Definition(), records1 = kRecords, def2 = Definition(""), table1 = Table("T1", 5),
              table2 = Table("T2", 5), table3 = Table("T3", 6);
};

class PivotLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    xls::RegisterXLSXReader();
    RegisterPivotTables();
  }
  // Loads into a new component (warnings of this load only), or the same one for `again`.
  void Load(const Parts& p, bool again = false) {
    if (!again) {
      book = std::make_unique<xls::TXLSBook>();
      book->Errors().SetIgnoreXMLWarnings(false);
      book->Errors().SetSaveToList(true);
    }
    TPackageBuilder b;
    b.Sheet("S",
            WorksheetXml("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>still here</t></is></c></row>"),
            "worksheet",
            "<Relationship Id=\"rIdP1\" Type=\"" + kRel + "/pivotTable\" Target=\"../pivotTables/t1.xml\"/>"
            "<Relationship Id=\"rIdP2\" Type=\"" + kRel + "/pivotTable\" Target=\"../pivotTables/t2.xml\"/>"
            "<Relationship Id=\"rIdP3\" Type=\"" + kRel + "/pivotTable\" Target=\"../pivotTables/t3.xml\"/>")
        .WorkbookTail("<pivotCaches><pivotCache cacheId=\"5\" r:id=\"rIdC1\"/><pivotCache cacheId=\"6\" "
                      "r:id=\"rIdC2\"/></pivotCaches>")
        .WorkbookRel("rIdC1", "pivotCacheDefinition", "pivotCache/pivotCacheDefinition1.xml")
        .WorkbookRel("rIdC2", "pivotCacheDefinition", "pivotCache/pivotCacheDefinition2.xml")
        .Part("xl/pivotCache/_rels/pivotCacheDefinition1.xml.rels",
              "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
              "<Relationship Id=\"rId1\" Type=\"" + kRel +
                  "/pivotCacheRecords\" Target=\"pivotCacheRecords1.xml\"/></Relationships>");
    // The first table names its cache definition too, and the sheet comes before the cache in the
    // workbook's relationships: the package follows the definition's own relationships (to its
    // records) under the table's item, and the records must still be found.
    b.Part("xl/pivotTables/_rels/t1.xml.rels",
           "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
           "<Relationship Id=\"rId1\" Type=\"" + kRel +
               "/pivotCacheDefinition\" Target=\"../pivotCache/pivotCacheDefinition1.xml\"/></Relationships>");
    auto part = [&](const std::string& name, const std::string& xml) {
      if (xml != "-") b.Part(name, xml);  // "-": the part is missing
    };
    part("xl/pivotCache/pivotCacheDefinition1.xml", p.def1);
    part("xl/pivotCache/pivotCacheRecords1.xml", p.records1);
    part("xl/pivotCache/pivotCacheDefinition2.xml", p.def2);
    part("xl/pivotTables/t1.xml", p.table1);
    part("xl/pivotTables/t2.xml", p.table2);
    part("xl/pivotTables/t3.xml", p.table3);
    bytes = b.Bytes();
    book->LoadFromBytes(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    caches = dynamic_cast<TCT_PivotCacheDefinitions*>(book->Manager().Workbook().PivotCaches());
    tables = dynamic_cast<TCT_pivotTableDefinitions*>(book->Items(0)->Xc12Sheet().PivotTables());
  }
  int Warnings(std::u16string_view part) {
    int n = 0;
    for (const auto& w : WarningTexts(*book)) n += w.find(part) != std::u16string::npos;
    return n;
  }

  std::unique_ptr<xls::TXLSBook> book;
  std::string bytes;
  TCT_PivotCacheDefinitions* caches = nullptr;
  TCT_pivotTableDefinitions* tables = nullptr;
};

TEST_F(PivotLoad, CachesRecordsAndLinkedTables) {
  Load(Parts());
  ASSERT_NE(caches, nullptr);
  ASSERT_NE(tables, nullptr);
  ASSERT_EQ(caches->Count(), 2);
  TCT_pivotCacheDefinition* c5 = caches->Find(5);
  ASSERT_NE(c5, nullptr);
  EXPECT_EQ(c5->CacheFields()->GetItems(0)->SharedItems()->Values().StringCount(), 2);
  EXPECT_EQ(c5->Records()->RecordCount(), 2);
  EXPECT_EQ(c5->Records()->Value(1, 0).Index, 1);
  EXPECT_EQ(c5->UsageCount(), 2);
  EXPECT_EQ(caches->Find(6)->UsageCount(), 1);
  EXPECT_EQ(caches->Find(6)->Records()->RecordCount(), 0);
  ASSERT_EQ(tables->Count(), 3);
  EXPECT_EQ(tables->GetItems(0)->Cache(), c5);
  EXPECT_EQ(tables->GetItems(2)->Cache(), caches->Find(6));
  EXPECT_EQ(tables->GetItems(0)->DataFields()->DataFieldXpgList()->GetItems(0)->Subtotal(), u"sum");
  EXPECT_EQ(Warnings(u"Pivot"), 0);

  // A second load starts from empty lists.
  Load(Parts(), true);
  EXPECT_EQ(caches->Count(), 2);
  EXPECT_EQ(tables->Count(), 3);
  EXPECT_EQ(caches->Find(5)->UsageCount(), 2);
}

// Each damaged part is dropped with one warning naming it; everything else loads.
TEST_F(PivotLoad, DamagedPartsAreDroppedWithOneWarning) {
  struct Case {
    const char* what;
    void (*damage)(Parts&);
    const char16_t* warning;
    int caches, records, tables;
  };
  const Case cases[] = {
      {"definition missing", [](Parts& p) { p.def1 = "-"; }, u"Pivot cache definition rIdC1 not read", 1, 0, 3},
      {"definition malformed", [](Parts& p) { p.def1 = p.def1.substr(0, 150); },
       u"Pivot cache definition rIdC1 not read", 1, 0, 3},
      {"definition of another kind", [](Parts& p) { p.def1 = Table("X", 5); },
       u"Pivot cache definition rIdC1 not read: Not a pivotCacheDefinition part", 1, 0, 3},
      {"definition empty", [](Parts& p) { p.def1 = ""; }, u"Pivot cache definition rIdC1 not read", 1, 0, 3},
      {"shared Boolean no Boolean",
       [](Parts& p) { p.def1.replace(p.def1.find("<s v=\"a\"/>"), 10, "<b v=\"yes\"/>"); },
       u"Invalid boolean value \"yes\"", 1, 0, 3},
      {"shared unused flag no Boolean",
       [](Parts& p) { p.def1.replace(p.def1.find("<s v=\"a\"/>"), 10, "<s v=\"a\" u=\"2\"/>"); },
       u"Invalid boolean value \"2\"", 1, 0, 3},
      {"records missing", [](Parts& p) { p.records1 = "-"; }, u"Pivot cache records rId1 of cache definition rIdC1",
       2, 0, 3},
      {"records malformed", [](Parts& p) { p.records1 = p.records1.substr(0, 120); },
       u"Pivot cache records rId1 of cache definition rIdC1", 2, 0, 3},
      {"records of another kind", [](Parts& p) { p.records1 = Definition(); }, u"Not a pivotCacheRecords part", 2,
       0, 3},
      {"table missing", [](Parts& p) { p.table2 = "-"; }, u"Pivot table rIdP2 not read", 2, 2, 2},
      {"table malformed", [](Parts& p) { p.table2 = p.table2.substr(0, 100); }, u"Pivot table rIdP2 not read", 2,
       2, 2},
      {"table of another kind", [](Parts& p) { p.table2 = Definition(); },
       u"Pivot table rIdP2 not read: Not a pivotTableDefinition part", 2, 2, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Parts p;
    c.damage(p);
    Load(p);
    EXPECT_EQ(Warnings(c.warning), 1);
    EXPECT_EQ(Warnings(u"Pivot"), 1);
    EXPECT_EQ(Warnings(u"still"), 0);
    EXPECT_EQ(book->Items(0)->GetAsString(0, 0), u"still here");
    ASSERT_NE(caches, nullptr);
    EXPECT_EQ(caches->Count(), c.caches);
    TCT_pivotCacheDefinition* c5 = caches->Find(5);
    EXPECT_EQ(c5 ? c5->Records()->RecordCount() : 0, c.records);
    EXPECT_EQ(tables->Count(), c.tables);
    // A table whose cache was dropped stays, unlinked.
    for (int i = 0; i < tables->Count(); ++i)
      EXPECT_EQ(tables->GetItems(i)->Cache(), caches->Find(tables->GetItems(i)->CacheId()));
  }
}

// The sheet object's wrappers: fields with their cache fields, the areas they are placed in, and
// the summary function read from and written to the subtotal flags.
TEST_F(PivotLoad, SheetWrappersAndFunctions) {
  Load(Parts());
  xls::TXLSPivotTables* wrappers = xls::PivotTablesOf(*book->Items(0));
  ASSERT_NE(wrappers, nullptr);
  ASSERT_EQ(wrappers->Count(), 3);
  EXPECT_EQ(wrappers->OwnerRef()->SheetName(), u"S");
  xls::TXLSPivotTable* t = wrappers->Items(0);
  EXPECT_EQ(t->Name(), u"T1");
  t->SetName(u"Renamed");
  EXPECT_EQ(tables->GetItems(0)->Name(), u"Renamed");
  EXPECT_TRUE(t->RowsGrandTotals());
  t->SetColsGrandTotals(false);
  EXPECT_EQ(tables->GetItems(0)->ColGrandTotals(), 0);
  ASSERT_EQ(t->FieldCount(), 2);
  ASSERT_EQ(t->RowLabels().size(), 1u);
  EXPECT_EQ(t->RowLabels()[0]->Name(), u"k");
  ASSERT_EQ(t->DataValues().size(), 1u);
  xls::TXLSPivotField* k = t->Fields(0);
  xls::TXLSPivotField* v = t->Fields(1);
  EXPECT_EQ(k->DisplayName(), u"k");
  k->SetUserName(u"Key");
  EXPECT_EQ(k->DisplayName(), u"Key");
  // Default functions by the shared items: texts count, a field without values sums.
  EXPECT_EQ(k->Func(), xls::TXLSPivotFunc::xpfDefault);
  EXPECT_EQ(k->FuncName(), u"Count");
  EXPECT_EQ(v->FuncName(), u"Sum");

  struct Case {
    xls::TXLSPivotFunc func;
    const char16_t* name;
  };
  const Case cases[] = {
      {xls::TXLSPivotFunc::xpfSum, u"Sum"},       {xls::TXLSPivotFunc::xpfCountNumbers, u"Count numbers"},
      {xls::TXLSPivotFunc::xpfAverage, u"Average"}, {xls::TXLSPivotFunc::xpfMax, u"Max"},
      {xls::TXLSPivotFunc::xpfMin, u"Min"},       {xls::TXLSPivotFunc::xpfProduct, u"Product"},
      {xls::TXLSPivotFunc::xpfCount, u"Count"},   {xls::TXLSPivotFunc::xpfStdDev, u"StdDev"},
      {xls::TXLSPivotFunc::xpfStdDevp, u"StdDevp"}, {xls::TXLSPivotFunc::xpfVar, u"Var"},
      {xls::TXLSPivotFunc::xpfVarp, u"Varp"},
  };
  for (const Case& c : cases) {
    k->SetFunc(c.func);
    EXPECT_EQ(k->Func(), c.func);
    EXPECT_EQ(k->FuncName(), c.name);
    EXPECT_EQ(k->PivotField()->DefaultSubtotal(), 0);
  }
  // Only countA set (as a file may hold it) reads as count numbers; a later flag loses to an
  // earlier one in the test order.
  k->SetFunc(xls::TXLSPivotFunc::xpfNone);
  EXPECT_EQ(k->Func(), xls::TXLSPivotFunc::xpfDefault);
  k->PivotField()->SetCountASubtotal(1);
  k->PivotField()->SetVarSubtotal(1);
  EXPECT_EQ(k->FuncName(), u"Count numbers");
  k->SetFunc(xls::TXLSPivotFunc::xpfDefault);
  EXPECT_EQ(k->PivotField()->DefaultSubtotal(), 1);
  EXPECT_EQ(k->PivotField()->VarSubtotal(), 0);
  EXPECT_EQ(k->FuncName(), u"Count");
}

}  // namespace
