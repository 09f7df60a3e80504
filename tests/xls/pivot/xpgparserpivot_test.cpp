// The pivot unit: its enumeration table, the cache definition, records and table definition
// parts read from inline XML, the shared-item collector and the root lists with their failures.
#include "xls/pivot/xpgparserpivot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "xls/model/xlserrors.h"
#include "xls/package/xlsstream.h"
#include "xls/pivot/xpgpivotroots.h"

namespace xls::xpgpivot {
namespace {

constexpr const char* kNs =
    " xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\""
    " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";

std::string CacheXml(const std::string& attrs, const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<pivotCacheDefinition" +
         std::string(kNs) + attrs + ">" + body + "</pivotCacheDefinition>";
}

std::string TableXml(const std::string& attrs, const std::string& body) {
  return "<pivotTableDefinition" + std::string(kNs) + attrs + ">" + body + "</pivotTableDefinition>";
}

// The interfaces the package reader uses take streams.
std::u16string LoadDefinition(TCT_PivotCacheDefinitions& caches, const std::string& xml, int32_t id) {
  TXLSViewStream s(xml);
  return caches.LoadDefinition(s, id);
}
void LoadTable(TCT_pivotTableDefinitions& tables, const std::string& xml, TCT_PivotCacheDefinitions* caches) {
  TXLSViewStream s(xml);
  tables.LoadTable(s, caches);
}

std::string Fields(const std::string& items) {
  return "<cacheFields count=\"1\"><cacheField name=\"f\">" + items + "</cacheField></cacheFields>";
}

// ---- enumeration table ----------------------------------------------------------------------

TEST(PivotEnums_Table, CountsOrdinalsAndOwnTypeLookup) {
  EXPECT_EQ(kEnumNameCount, 134);
  EXPECT_EQ(std::size(kTST_PivotFilterTypeNames), 66u);
  EXPECT_EQ(std::size(kTST_PivotAreaTypeNames), 7u);  // no "topEnd" in the first edition
  std::set<std::string> seen;
  for (const auto& e : kEnumNames) {
    std::string lower;
    for (char c : e.Identifier) lower += char(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_TRUE(seen.insert(lower).second) << e.Identifier;
  }
  EXPECT_EQ(StrToEnum("ststAscending"), 1);
  EXPECT_EQ(StrToEnum("stpftM12"), 65);
  EXPECT_EQ(StrToEnum("nothing"), 0);

  // A source type is looked up among the source types only: "ascending" (a sort type sharing
  // the prefix) is no external source but an unknown value, ordinal 0.
  TCT_PivotCacheDefinitions caches;
  TCT_pivotCacheDefinition* d =
      caches.LoadFromBytes(CacheXml("", "<cacheSource type=\"ascending\"/>"));
  EXPECT_EQ(d->CacheSource()->Type(), ststWorksheet);
  d = caches.LoadFromBytes(CacheXml("", "<cacheSource type=\"EXTERNAL\"/>"));
  EXPECT_EQ(d->CacheSource()->Type(), ststExternal);
  d = caches.LoadFromBytes(CacheXml("", "<cacheSource/>"));
  EXPECT_EQ(d->CacheSource()->Type(), TST_SourceType(65535));
}

// ---- cache definitions ------------------------------------------------------------------------

TEST(PivotCache_Definition, AttributesDefaultsAndKeptRootAttributes) {
  TCT_PivotCacheDefinitions caches;
  TCT_pivotCacheDefinition* d = caches.LoadFromBytes(CacheXml(
      " xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" mc:Ignorable=\"x14\""
      " r:id=\"rId1\" saveData=\"maybe\" invalid=\"maybe\" enableRefresh=\"0\" refreshedDate=\"41234.5\""
      " recordCount=\"3\" tupleCache=\"1\"",
      "<cacheSource type=\"worksheet\"><worksheetSource ref=\"A1:C4\" sheet=\"Data\"/></cacheSource>"
      "<tupleCache/>"));
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->R_Id(), u"rId1");
  EXPECT_EQ(d->SaveData(), 1);  // other text: the default true
  EXPECT_EQ(d->Invalid(), 0);   // other text: the default false
  EXPECT_EQ(d->EnableRefresh(), 0);
  EXPECT_DOUBLE_EQ(d->RefreshedDate(), 41234.5);
  EXPECT_EQ(d->RecordCount(), 3);
  EXPECT_EQ(d->CreatedVersion(), 3);
  EXPECT_EQ(d->RefreshedVersion(), 3);
  EXPECT_EQ(d->MissingItemsLimit(), 2147483632);
  EXPECT_EQ(d->TupleCache(), 1);
  EXPECT_NE(d->TupleCache_Dup(), nullptr);
  EXPECT_EQ(d->CacheSource()->WorksheetSource()->Ref(), u"A1:C4");
  EXPECT_EQ(d->CacheSource()->WorksheetSource()->Sheet(), u"Data");
  EXPECT_EQ(d->CacheSource()->ConnectionId(), 0);
  // Unknown attributes and namespace declarations, in document order.
  std::u16string all;
  for (int i = 0; i < d->RootAttributes().Count(); ++i) all += d->RootAttributes().GetItems(i) + u" ";
  EXPECT_NE(all.find(u"mc:Ignorable=\"x14\""), std::u16string::npos) << std::string(all.begin(), all.end());
  EXPECT_NE(all.find(u"xmlns:r="), std::u16string::npos);
  EXPECT_EQ(all.find(u"saveData"), std::u16string::npos);

  d = caches.LoadFromBytes(CacheXml("", ""));
  EXPECT_TRUE(std::isnan(d->RefreshedDate()));
  EXPECT_EQ(d->CacheSource(), nullptr);
  EXPECT_EQ(d->Records()->RecordCount(), 0);
  EXPECT_EQ(d->Records()->Count(), 0);
}

TEST(PivotCache_Definition, FieldsGroupingAndOlapParts) {
  TCT_PivotCacheDefinitions caches;
  TCT_pivotCacheDefinition* d = caches.LoadFromBytes(CacheXml(
      "",
      "<cacheFields count=\"2\">"
      "<cacheField name=\"a\" name=\"b\" uniqueList=\"maybe\" sqlType=\"12abc\"><sharedItems/></cacheField>"
      "<cacheField name=\"Date\" numFmtId=\"14\">"
      "<sharedItems containsSemiMixedTypes=\"0\" containsNonDate=\"0\" count=\"2\">"
      "<d v=\"2020-01-01T00:00:00\"/><d v=\"2020-02-01T00:00:00\"/></sharedItems>"
      "<fieldGroup base=\"1\"><rangePr groupBy=\"months\" startDate=\"2020-01-01T00:00:00\" endDate=\"2020-03-01T00:00:00\"/>"
      "<groupItems count=\"3\"><s v=\"&lt;1/1/2020\"/><n v=\"2\"/><s v=\"Jan\"/><m/></groupItems></fieldGroup>"
      "</cacheField></cacheFields>"
      "<cacheHierarchies count=\"1\"><cacheHierarchy uniqueName=\"[x]\" unbalanced=\"1\"/></cacheHierarchies>"
      "<kpis count=\"1\"><kpi uniqueName=\"k\" value=\"v1\" trend=\"t1\"/></kpis>"
      "<calculatedItems count=\"1\"><calculatedItem field=\"3\" formula=\"a*2\"><pivotArea/></calculatedItem></calculatedItems>"
      "<maps><map measureGroup=\"0\" dimension=\"2\"/><map/></maps>"
      "<extLst><ext uri=\"{A}\"><x14:pivotCacheDefinition xmlns:x14=\"urn:x14\" pivotCacheId=\"1\"><x14:in/></x14:pivotCacheDefinition></ext>"
      "<ext uri=\"{B}\"/></extLst>"));
  const TCT_CacheFields* f = d->CacheFields();
  ASSERT_EQ(f->Count(), 2);
  const TCT_CacheField* a = f->GetItems(0);
  EXPECT_EQ(a->Name(), u"b");  // the later of a repeated attribute wins
  EXPECT_EQ(a->NumFmtId(), u"0");
  EXPECT_EQ(a->UniqueList(), 1);
  EXPECT_EQ(a->SqlType(), 0);
  EXPECT_FALSE(a->SharedItems()->Values().Used());
  EXPECT_TRUE(a->SharedItems()->Values().IsNumeric());
  const TCT_CacheField* date = f->GetItems(1);
  EXPECT_EQ(date->NumFmtId(), u"14");
  EXPECT_EQ(date->SharedItems()->ContainsSemiMixedTypes(), 0);
  EXPECT_EQ(date->SharedItems()->Values().DateCount(), 2);
  EXPECT_DOUBLE_EQ(date->SharedItems()->Values().MinDate(), 43831.0);
  const TCT_FieldGroup* g = date->FieldGroup();
  EXPECT_EQ(g->Base(), 1);
  EXPECT_EQ(g->Par(), 2147483632);
  EXPECT_EQ(g->RangePr()->GroupBy(), stgbMonths);
  EXPECT_EQ(g->RangePr()->AutoStart(), 1);
  EXPECT_DOUBLE_EQ(g->RangePr()->GroupInterval(), 1.0);
  EXPECT_TRUE(std::isnan(g->RangePr()->StartNum()));
  EXPECT_DOUBLE_EQ(g->RangePr()->EndDate(), 43891.0);
  EXPECT_EQ(g->GroupItems()->Count(), 3);
  ASSERT_EQ(g->GroupItems()->SXpgList()->Count(), 2);
  EXPECT_EQ(g->GroupItems()->SXpgList()->GetItems(0)->V(), u"<1/1/2020");
  EXPECT_DOUBLE_EQ(g->GroupItems()->NXpgList()->GetItems(0)->V(), 2.0);
  EXPECT_EQ(g->GroupItems()->MXpgList()->Count(), 1);
  EXPECT_EQ(g->GroupItems()->BXpgList(), nullptr);

  const TCT_CacheHierarchy* h = d->CacheHierarchies()->CacheHierarchyXpgList()->GetItems(0);
  EXPECT_EQ(h->UniqueName(), u"[x]");
  EXPECT_EQ(h->Unbalanced(), 1);
  EXPECT_EQ(h->UnbalancedGroup(), 2);
  const TCT_PCDKPI* k = d->Kpis()->KpiXpgList()->GetItems(0);
  EXPECT_EQ(k->Value(), u"v1");
  EXPECT_EQ(k->Trend(), u"t1");
  const TCT_CalculatedItem* ci = d->CalculatedItems()->CalculatedItemXpgList()->GetItems(0);
  EXPECT_EQ(ci->Field(), 3);
  EXPECT_NE(ci->PivotArea(), nullptr);
  EXPECT_EQ(ci->PivotArea()->Type(), stpatNormal);
  EXPECT_EQ(d->Maps()->MapXpgList()->GetItems(0)->Dimension(), 2);
  EXPECT_EQ(d->Maps()->MapXpgList()->GetItems(1)->MeasureGroup(), 2147483632);
  // Two extensions stay two, each with its own uri; the foreign element keeps its name.
  ASSERT_EQ(d->ExtLst()->ExtXpgList()->Count(), 2);
  TCT_Extension* e = d->ExtLst()->ExtXpgList()->GetItems(0);
  EXPECT_EQ(e->Uri(), u"{A}");
  ASSERT_EQ(e->AnyElements().Count(), 1);
  EXPECT_EQ(e->AnyElements().GetItems(0)->FElementName, u"x14:pivotCacheDefinition");
  EXPECT_EQ(d->ExtLst()->ExtXpgList()->GetItems(1)->Uri(), u"{B}");
}

// ---- shared items -------------------------------------------------------------------------------

TCT_pivotCacheDefinition* WithItems(TCT_PivotCacheDefinitions& caches, const std::string& items) {
  return caches.LoadFromBytes(CacheXml("", Fields("<sharedItems>" + items + "</sharedItems>")));
}

const TXLSSharedItemsValuesHash& ValuesOf(TCT_pivotCacheDefinition* d) {
  return d->CacheFields()->GetItems(0)->SharedItems()->Values();
}

TEST(PivotCache_SharedItems, DistinctValuesAndStatistics) {
  TCT_PivotCacheDefinitions caches;
  const TXLSSharedItemsValuesHash& s = ValuesOf(WithItems(caches, "<s v=\"a\"/><s v=\"b\"/><s v=\"a\"/><s/>"));
  EXPECT_EQ(s.StringCount(), 2);
  ASSERT_EQ(s.ValueList().Count(), 2);
  EXPECT_EQ(s.ValueList().GetItems(0)->AsString(), u"a");
  EXPECT_EQ(s.ValueList().GetItems(1)->AsString(), u"b");
  EXPECT_FALSE(s.IsNumeric());

  const TXLSSharedItemsValuesHash& n =
      ValuesOf(WithItems(caches, "<n v=\"1\"/><n v=\"2.5\"/><n v=\"-3\"/><n v=\"1\"/><n v=\"2147483648\"/>"
                                 "<n v=\"-2147483647\"/>"));
  EXPECT_EQ(n.NumericCount(), 5);
  EXPECT_EQ(n.IntegerCount(), 3);  // 1, -3, -2147483647; 2147483648 is no integer
  EXPECT_DOUBLE_EQ(n.MinValue(), -2147483647.0);
  EXPECT_DOUBLE_EQ(n.MaxValue(), 2147483648.0);
  EXPECT_TRUE(n.IsNumeric());

  const TXLSSharedItemsValuesHash& neg = ValuesOf(WithItems(caches, "<n v=\"-5\"/><n v=\"-2\"/>"));
  EXPECT_DOUBLE_EQ(neg.MaxValue(), -2.0);

  const TXLSSharedItemsValuesHash& m = ValuesOf(WithItems(caches, "<m/><m u=\"1\"/><b v=\"1\"/><e v=\"#N/A\"/>"));
  EXPECT_EQ(m.BlankCount(), 1);
  EXPECT_EQ(m.BooleanCount(), 1);
  EXPECT_EQ(m.ErrorCount(), 1);
  // The second blank added nothing, so its unused flag marks no value.
  EXPECT_FALSE(m.ValueList().GetItems(0)->Unused());
  EXPECT_EQ(m.ValueList().GetItems(2)->AsError(), TXc12CellError::errNA);
  EXPECT_EQ(m.Count(), 3);

  const TXLSSharedItemsValuesHash& u = ValuesOf(WithItems(caches, "<m u=\"1\"/><s v=\"x\" u=\"true\"/>"));
  EXPECT_TRUE(u.ValueList().GetItems(0)->Unused());
  EXPECT_TRUE(u.ValueList().GetItems(1)->Unused());

  // Only value elements right under sharedItems add values: an x below one adds none.
  const TXLSSharedItemsValuesHash& x = ValuesOf(WithItems(caches, "<s v=\"a\"><x v=\"0\"/></s>"));
  EXPECT_EQ(x.StringCount(), 1);
  EXPECT_EQ(x.ValueList().Count(), 1);

  const TXLSSharedItemsValuesHash& l =
      ValuesOf(WithItems(caches, "<s v=\"" + std::string(256, 'z') + "\"/><s v=\"short\"/>"));
  EXPECT_TRUE(l.LongText());
  const TXLSSharedItemsValuesHash& l2 = ValuesOf(WithItems(caches, "<s v=\"" + std::string(255, 'z') + "\"/>"));
  EXPECT_FALSE(l2.LongText());
}

TEST(PivotCache_SharedItems, NonBooleanTextDropsThePart) {
  for (const char* items : {"<b v=\"yes\"/>", "<s v=\"a\" u=\"maybe\"/>", "<b u=\"0\" v=\"\"/>"}) {
    TCT_PivotCacheDefinitions caches;
    WithItems(caches, "<s v=\"kept\"/>");
    try {
      WithItems(caches, items);
      ADD_FAILURE() << items;
    } catch (const std::exception& e) {
      EXPECT_NE(std::string(e.what()).find("Invalid boolean value"), std::string::npos) << e.what();
    }
    // The part read in part is gone; the earlier definition stays.
    EXPECT_EQ(caches.Count(), 1) << items;
  }
}

// ---- records ----------------------------------------------------------------------------------

TEST(PivotCache_Records, ValuesInDocumentOrderAndRootAttributes) {
  TCT_PivotCacheDefinitions caches;
  TCT_pivotCacheDefinition* d = caches.LoadFromBytes(CacheXml(" r:id=\"rId1\"", ""));
  TCT_PivotCacheRecords* r = d->Records();
  r->LoadFromBytes(std::string("<pivotCacheRecords") + kNs +
                   " count=\"2\"><r><x v=\"0\"/><n v=\"5.5\"/><x v=\"2\"/><s v=\"a\"/></r>"
                   "<r><b v=\"yes\"/><e v=\"#DIV/0!\"/><d v=\"1900-01-01T00:00:00\"/><m/><n v=\"1,5\"/><n/>"
                   "<y v=\"1\"/></r><extLst><ext uri=\"u\"/></extLst></pivotCacheRecords>");
  EXPECT_EQ(r->Count(), 2);
  EXPECT_EQ(r->RootAttributes().Count(), 2);  // the two namespace declarations
  ASSERT_EQ(r->RecordCount(), 2);
  ASSERT_EQ(r->ValueCount(0), 4);
  EXPECT_EQ(r->Value(0, 0).Kind, TPivotRecordKind::Index);
  EXPECT_EQ(r->Value(0, 0).Index, 0);
  EXPECT_EQ(r->Value(0, 1).Kind, TPivotRecordKind::Number);
  EXPECT_DOUBLE_EQ(r->Value(0, 1).Number, 5.5);
  EXPECT_EQ(r->Value(0, 2).Index, 2);
  EXPECT_EQ(r->Value(0, 3).Text, u"a");
  ASSERT_EQ(r->ValueCount(1), 6);  // the unknown "y" is no value
  EXPECT_EQ(r->Value(1, 0).Kind, TPivotRecordKind::Boolean);
  EXPECT_EQ(r->Value(1, 0).Index, 0);  // "yes" is no true
  EXPECT_EQ(r->Value(1, 1).Text, u"#DIV/0!");
  EXPECT_DOUBLE_EQ(r->Value(1, 2).Number, 2.0);
  EXPECT_EQ(r->Value(1, 3).Kind, TPivotRecordKind::Missing);
  EXPECT_DOUBLE_EQ(r->Value(1, 4).Number, 0.0);
  EXPECT_TRUE(std::isnan(r->Value(1, 5).Number));
  EXPECT_NE(r->ExtLst(), nullptr);
  EXPECT_THROW(r->Value(2, 0), std::exception);

  r->LoadFromBytes(std::string("<pivotCacheRecords") + kNs + "/>");
  EXPECT_EQ(r->Count(), 0);
  EXPECT_EQ(r->RecordCount(), 0);
}

TEST(PivotCache_Records, BudgetAndDamageLeaveNoRecords) {
  TCT_PivotCacheDefinitions caches;
  caches.Document().SetBudget(NewPivotBudget(1000));
  TCT_pivotCacheDefinition* d = caches.LoadFromBytes(CacheXml("", ""));
  std::string many = std::string("<pivotCacheRecords") + kNs + ">";
  for (int i = 0; i < 1000; ++i) many += "<r><x v=\"1\"/></r>";
  many += "</pivotCacheRecords>";
  try {
    d->Records()->LoadFromBytes(many);
    ADD_FAILURE();
  } catch (const XLSRWException& e) {
    EXPECT_STREQ(e.what(), "Too many pivot elements");
  }
  EXPECT_EQ(d->Records()->RecordCount(), 0);

  TCT_PivotCacheDefinitions other;
  TCT_pivotCacheDefinition* d2 = other.LoadFromBytes(CacheXml("", ""));
  EXPECT_THROW(d2->Records()->LoadFromBytes("<pivotCacheRecords><r><x v=\"1\"/></r"), std::exception);
  EXPECT_EQ(d2->Records()->RecordCount(), 0);
  EXPECT_THROW(d2->Records()->LoadFromBytes("<pivotCacheDefinition count=\"1\"><r/></pivotCacheDefinition>"),
               XLSRWException);
  EXPECT_EQ(d2->Records()->RecordCount(), 0);
}

// ---- root lists -------------------------------------------------------------------------------

TEST(PivotCache_Roots, FindWrongDocumentsAndClear) {
  TCT_PivotCacheDefinitions caches;
  EXPECT_EQ(LoadDefinition(caches, CacheXml(" r:id=\"rId7\"", ""), 3), u"rId7");
  EXPECT_EQ(LoadDefinition(caches, CacheXml("", ""), 3), u"");
  EXPECT_EQ(caches.Find(3), caches.GetItems(0));  // the first of two with one id
  EXPECT_EQ(caches.Find(4), nullptr);
  for (const std::string& bad :
       {std::string("<pivotTableDefinition name=\"x\"/>"), std::string("<pivotTableDefinition/>"),
        CacheXml("", "<cacheFields><cacheField name=\"a"), std::string("not xml at all <"),
        std::string("")}) {
    EXPECT_THROW(LoadDefinition(caches, bad, 9), std::exception) << bad;
    EXPECT_EQ(caches.Count(), 2) << bad;
  }
  caches.Clear();
  EXPECT_EQ(caches.Count(), 0);
  EXPECT_EQ(caches.Find(3), nullptr);
}

// ---- table definitions ------------------------------------------------------------------------

TEST(PivotTable_Definition, AttributesChildrenAndDataFields) {
  TCT_pivotTableDefinitions tables;
  TCT_pivotTableDefinition* t = tables.LoadFromBytes(TableXml(
      " name=\"P1\" cacheId=\"5\" applyNumberFormats=\"0\" showMissing=\"maybe\" outline=\"maybe\""
      " rowGrandTotals=\"0\"",
      "<location ref=\"A3:C20\" firstHeaderRow=\"1\"/><location firstDataRow=\"2\" ref=\"B3:D20\"/>"
      "<pivotFields count=\"2\"><pivotField axis=\"axisPage\" dataSourceSort=\"maybe\"><items count=\"9\">"
      "<item x=\"1\"/><item t=\"default\"/></items></pivotField><pivotField axis=\"bogus\"/></pivotFields>"
      "<rowFields count=\"1\"><field x=\"-2\"/></rowFields><rowItems><i><x/><x v=\"3\"/></i></rowItems>"
      "<colItems><i t=\"grand\"/></colItems>"
      "<pageFields count=\"1\"><pageField fld=\"0\" hier=\"-1\"/></pageFields>"
      "<dataFields count=\"2\"><dataField name=\"Sum of n\" fld=\"1\"/>"
      "<dataField fld=\"2\" subtotal=\"average\" showDataAs=\"percent\"/></dataFields>"
      "<formats count=\"1\"><format action=\"blank\" dxfId=\"4\"><pivotArea dataOnly=\"0\">"
      "<references count=\"1\"><reference field=\"4294967294\"><x v=\"0\"/><x/><x v=\"2\"/></reference>"
      "</references></pivotArea></format><format/></formats>"
      "<filters count=\"1\"><filter fld=\"0\" type=\"count\" evalOrder=\"-1\" id=\"1\"><autoFilter ref=\"A1\">"
      "<filterColumn colId=\"0\"><dynamicFilter type=\"today\"/></filterColumn></autoFilter></filter></filters>"
      "<pivotTableStyleInfo name=\"PivotStyleLight16\" showRowStripes=\"maybe\" showColHeaders=\"1\"/>"));
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->Name(), u"P1");
  EXPECT_EQ(t->CacheId(), 5);
  EXPECT_EQ(t->Indent(), 1);
  EXPECT_EQ(t->ShowMissing(), 1);
  EXPECT_EQ(t->Outline(), 0);
  EXPECT_EQ(t->RowGrandTotals(), 0);
  EXPECT_EQ(t->ColGrandTotals(), 1);
  std::u16string all;
  for (int i = 0; i < t->RootAttributes().Count(); ++i) all += t->RootAttributes().GetItems(i) + u" ";
  EXPECT_NE(all.find(u"applyNumberFormats=\"0\""), std::u16string::npos);
  EXPECT_EQ(all.find(u"count"), std::u16string::npos);
  // A repeated location is one object, the later attributes winning.
  EXPECT_EQ(t->Location()->Ref(), u"B3:D20");
  EXPECT_EQ(t->Location()->FirstHeaderRow(), 1);
  EXPECT_EQ(t->Location()->FirstDataRow(), 2);
  EXPECT_EQ(t->Location()->RowPageCount(), 0);

  const TCT_PivotField* pf = t->PivotFields()->PivotFieldXpgList()->GetItems(0);
  EXPECT_EQ(pf->Axis(), staAxisPage);
  EXPECT_EQ(pf->DataSourceSort(), 0);
  EXPECT_EQ(pf->ItemPageCount(), 10);
  EXPECT_EQ(pf->SortType(), stfstManual);
  EXPECT_EQ(pf->DefaultSubtotal(), 1);
  ASSERT_EQ(pf->Items()->ItemXpgList()->Count(), 2);  // the count is not trusted
  EXPECT_EQ(pf->Items()->ItemXpgList()->GetItems(0)->X(), 1);
  EXPECT_EQ(pf->Items()->ItemXpgList()->GetItems(0)->Sd(), 1);
  EXPECT_EQ(pf->Items()->ItemXpgList()->GetItems(1)->T(), stitDefault);
  const TCT_PivotField* pf2 = t->PivotFields()->PivotFieldXpgList()->GetItems(1);
  EXPECT_EQ(pf2->Axis(), staAxisRow);  // unknown text: ordinal 0
  EXPECT_EQ(pf2->DataSourceSort(), 2);

  EXPECT_EQ(t->RowFields()->FieldXpgList()->GetItems(0)->X(), -2);
  EXPECT_TRUE(t->RowItems()->IsRow());
  EXPECT_FALSE(t->ColItems()->IsRow());
  const TCT_I* i = t->RowItems()->IXpgList()->GetItems(0);
  EXPECT_EQ(i->XXpgList()->GetItems(0)->V(), 0);
  EXPECT_EQ(i->XXpgList()->GetItems(1)->V(), 3);
  EXPECT_EQ(t->ColItems()->IXpgList()->GetItems(0)->T(), stitGrand);
  EXPECT_EQ(t->PageFields()->PageFieldXpgList()->GetItems(0)->Hier(), -1);
  EXPECT_EQ(t->PageFields()->PageFieldXpgList()->GetItems(0)->Item(), 2147483632);

  const TCT_DataFieldXpgList* df = t->DataFields()->DataFieldXpgList();
  ASSERT_EQ(df->Count(), 2);
  EXPECT_EQ(df->GetItems(0)->Name(), u"Sum of n");
  EXPECT_EQ(df->GetItems(0)->Subtotal(), u"");  // not given: empty, not "sum"
  EXPECT_EQ(df->GetItems(0)->BaseField(), -1);
  EXPECT_EQ(df->GetItems(0)->BaseItem(), 1048832);
  EXPECT_EQ(df->GetItems(0)->ShowDataAs(), stsdaNormal);
  EXPECT_EQ(df->GetItems(1)->Subtotal(), u"average");
  EXPECT_EQ(df->GetItems(1)->ShowDataAs(), stsdaPercent);

  const TCT_Format* fmt = t->Formats()->FormatXpgList()->GetItems(0);
  EXPECT_EQ(fmt->Action(), stfaBlank);
  EXPECT_EQ(fmt->DxfId(), u"4");
  EXPECT_EQ(t->Formats()->FormatXpgList()->GetItems(1)->Action(), stfaFormatting);
  const TCT_PivotArea* area = fmt->PivotArea();
  EXPECT_EQ(area->DataOnly(), 0);
  EXPECT_EQ(area->Outline(), 1);
  EXPECT_EQ(area->Axis(), TST_Axis(65535));
  EXPECT_EQ(area->Field(), 2147483632);
  const TCT_PivotAreaReference* ref = area->References()->ReferenceXpgList()->GetItems(0);
  EXPECT_EQ(ref->Field(), u"4294967294");
  ASSERT_EQ(ref->XXpgList()->Count(), 3);
  EXPECT_EQ(ref->XXpgList()->GetItems(1)->V(), 2147483632);  // an index without v: not given

  // The filter's auto filter is no pivot element: skipped whole, so the dynamic filter's type
  // leaves the filter's own type alone.
  const TCT_PivotFilter* flt = t->Filters()->FilterXpgList()->GetItems(0);
  EXPECT_EQ(flt->Type(), stpftCount);
  EXPECT_EQ(flt->EvalOrder(), -1);
  EXPECT_EQ(t->PivotTableStyleInfo()->Name(), u"PivotStyleLight16");
  EXPECT_EQ(t->PivotTableStyleInfo()->ShowRowStripes(), 0);
  EXPECT_EQ(t->PivotTableStyleInfo()->ShowColHeaders(), 1);
  EXPECT_EQ(t->PivotTableStyleInfo()->ShowRowHeaders(), 2);
}

TEST(PivotTable_Roots, LinkToCacheAndDamage) {
  TCT_PivotCacheDefinitions caches;
  LoadDefinition(caches, CacheXml("", ""), 3);
  TCT_pivotTableDefinitions tables;
  LoadTable(tables, TableXml(" name=\"T\" cacheId=\"3\"", ""), &caches);
  LoadTable(tables, TableXml(" name=\"U\" cacheId=\"4\"", ""), &caches);
  LoadTable(tables, TableXml(" name=\"V\"", ""), &caches);
  ASSERT_EQ(tables.Count(), 3);
  EXPECT_EQ(tables.GetItems(0)->Cache(), caches.GetItems(0));
  EXPECT_EQ(caches.GetItems(0)->UsageCount(), 1);
  EXPECT_EQ(tables.GetItems(1)->Cache(), nullptr);
  EXPECT_EQ(tables.GetItems(2)->CacheId(), 2147483632);
  for (const std::string& bad : {std::string("<pivotCacheDefinition a=\"1\"/>"), std::string("<other/>"),
                                 TableXml("", "<location ref=\"A1")}) {
    EXPECT_THROW(LoadTable(tables, bad, &caches), std::exception) << bad;
    EXPECT_EQ(tables.Count(), 3);
  }
  // Table elements count against the caches' budget of the load.
  caches.Document().SetBudget(NewPivotBudget(10));
  std::string big;
  for (int i = 0; i < 20; ++i) big += "<format/>";
  EXPECT_THROW(LoadTable(tables, TableXml("", "<formats>" + big + "</formats>"), &caches), XLSRWException);
  EXPECT_EQ(tables.Count(), 3);
}

}  // namespace
}  // namespace xls::xpgpivot
