// A records part of ten million "x" values (117 MB inflated) passes the load's element budget:
// the records are dropped with one warning, the cache definition and the sheet stay. Outside CI
// (label hostile): it takes seconds and some hundred megabytes.
#include <gtest/gtest.h>

#include <string>

#include "tests/xls/xlsxreader/readxlsx_fixtures.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlsworkbookdata.h"
#include "xls/pivot/xpgpivotroots.h"
#include "xls/xlsxreader/xlsreadxlsx.h"

namespace {

using namespace kws::test;

TEST(PivotLoad_Hostile, TenMillionRecordValuesAreDroppedWithAWarning) {
  xls::RegisterXLSXReader();
  xls::xpgpivot::RegisterPivotTables();
  const std::string rel = kRelNs;
  std::string records = "<pivotCacheRecords xmlns=\"" + std::string(kMainNs) + "\" count=\"1000000\">";
  const std::string r = "<r>" + [] {
    std::string x;
    for (int i = 0; i < 10; ++i) x += "<x v=\"0\"/>";
    return x;
  }() + "</r>";
  records.reserve(records.size() + r.size() * 1000000 + 32);
  for (int i = 0; i < 1000000; ++i) records += r;
  records += "</pivotCacheRecords>";
  TPackageBuilder b;
  b.Sheet("S", WorksheetXml("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>still here</t></is></c></row>"))
      .WorkbookTail("<pivotCaches><pivotCache cacheId=\"1\" r:id=\"rIdC\"/></pivotCaches>")
      .WorkbookRel("rIdC", "pivotCacheDefinition", "pivotCache/def.xml")
      .Part("xl/pivotCache/def.xml", "<pivotCacheDefinition xmlns=\"" + std::string(kMainNs) + "\" xmlns:r=\"" + rel +
                                         "\" r:id=\"rId1\"><cacheFields count=\"1\"><cacheField name=\"f\">"
                                         "<sharedItems><s v=\"a\"/></sharedItems></cacheField></cacheFields>"
                                         "</pivotCacheDefinition>")
      .Part("xl/pivotCache/_rels/def.xml.rels",
            "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
            "<Relationship Id=\"rId1\" Type=\"" + rel + "/pivotCacheRecords\" Target=\"rec.xml\"/></Relationships>")
      .Part("xl/pivotCache/rec.xml", records);
  records.clear();
  records.shrink_to_fit();
  const std::string bytes = b.Bytes();
  xls::TXLSBook book;
  book.Errors().SetIgnoreXMLWarnings(false);
  book.Errors().SetSaveToList(true);
  book.LoadFromBytes(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  EXPECT_EQ(book.Items(0)->GetAsString(0, 0), u"still here");
  int warned = 0;
  for (const auto& w : WarningTexts(book)) warned += w.find(u"Too many pivot elements") != std::u16string::npos;
  EXPECT_EQ(warned, 1);
  auto* caches = dynamic_cast<xls::xpgpivot::TCT_PivotCacheDefinitions*>(book.Manager().Workbook().PivotCaches());
  ASSERT_NE(caches, nullptr);
  ASSERT_EQ(caches->Count(), 1);
  EXPECT_EQ(caches->GetItems(0)->Records()->RecordCount(), 0);
}

}  // namespace
