// External-link parts read through the generated classes of their own unit.
#include "xls/spreadsheetml/xpgparsexlinks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/textcodec.h"

namespace xls::xpgxlinks {
namespace {

constexpr const char* kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr const char* kRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

struct Link {
  TXPGDocXLink doc;
  std::vector<std::string> reports;
  explicit Link(const std::string& xml) {
    doc.Errors().OnError = [this](TXpgPErrors& e) { reports.push_back(kws::Utf16ToUtf8(e.LastErrorText())); };
    doc.LoadFromBytes(xml);
  }
  TCT_ExternalLink* L() const { return doc.ExternalLink(); }
  TCT_ExternalBook* Book() const { return L()->ExternalBook(); }
};

std::string Part(const std::string& body) {
  return std::string("<externalLink xmlns=\"") + kMain + "\" xmlns:r=\"" + kRel + "\">" + body +
         "</externalLink>";
}

TEST(TXPGDocXLink_Read, ExternalBookTree) {
  Link x(
      Part("<externalBook r:id=\"rId1\"><sheetNames><sheetName val=\"Prices\"/><sheetName val=\"Q&amp;A\"/>"
           "</sheetNames><definedNames><definedName name=\"Rate\" refersTo=\"=Prices!$A$1\" sheetId=\"0\"/>"
           "</definedNames><sheetDataSet><sheetData sheetId=\"1\" refreshError=\"1\"><row r=\"3\">"
           "<cell r=\"B3\" t=\"str\" vm=\"2\"><v>caf\xC3\xA9</v></cell><cell r=\"C3\"><v>1.5</v></cell></row>"
           "</sheetData><sheetData sheetId=\"x\"/></sheetDataSet></externalBook>"));
  EXPECT_TRUE(x.reports.empty());
  TCT_ExternalBook* b = x.Book();
  ASSERT_TRUE(b->Available());
  EXPECT_FALSE(x.L()->DdeLink()->Available());
  EXPECT_FALSE(x.L()->OleLink()->Available());
  EXPECT_EQ(b->R_Id(), u"rId1");
  ASSERT_EQ(b->SheetNames()->SheetNameXpgList()->Count(), 2);
  EXPECT_EQ(b->SheetNames()->SheetNameXpgList()->GetItems(1)->Val(), u"Q&A");
  TCT_ExternalDefinedName* n = b->DefinedNames()->DefinedNameXpgList()->GetItems(0);
  EXPECT_EQ(n->Name(), u"Rate");
  EXPECT_EQ(n->RefersTo(), u"=Prices!$A$1");
  auto* sets = b->SheetDataSet()->SheetDataXpgList();
  ASSERT_EQ(sets->Count(), 2);
  TCT_ExternalSheetData* sd = sets->GetItems(0);
  EXPECT_EQ(sd->SheetId(), 1);
  EXPECT_EQ(sd->RefreshError(), 1);
  EXPECT_EQ(sets->GetItems(1)->SheetId(), 0);  // bad number reads as 0
  ASSERT_EQ(sd->RowXpgList()->Count(), 1);
  TCT_ExternalRow* row = sd->RowXpgList()->GetItems(0);
  EXPECT_EQ(row->R(), 3);
  ASSERT_EQ(row->CellXpgList()->Count(), 2);
  TCT_ExternalCell* c = row->CellXpgList()->GetItems(0);
  EXPECT_EQ(c->R(), u"B3");
  EXPECT_EQ(c->T(), stectStr);
  EXPECT_EQ(c->Vm(), 2);
  EXPECT_EQ(c->V(), u"caf\u00e9");
  EXPECT_EQ(row->CellXpgList()->GetItems(1)->T(), stectN);
  EXPECT_EQ(row->CellXpgList()->GetItems(1)->V(), u"1.5");
  EXPECT_THROW(row->CellXpgList()->GetItems(2), std::out_of_range);
}

// A type text that names no cell type leaves the cell without a value type (255), never the first
// type (Boolean), so a reader does not convert the value text as a Boolean.
TEST(TCT_ExternalCell_Type, UnknownTypeTextHasNoValueType) {
  struct Case {
    const char* attr;
    int type;
  };
  const Case cases[] = {
      {"", stectN},
      {" t=\"s\"", stectS},
      {" t=\"S\"", stectS},
      {" t=\"b\"", stectB},
      {" t=\"e\"", stectE},
      {" t=\"inlineStr\"", stectInlineStr},
      {" t=\"INLINESTR\"", stectInlineStr},
      {" t=\"x\"", 255},
      {" t=\"\"", 255},
      {" t=\"n \"", 255},
      {" t=\"stectB\"", 255},
  };
  for (const Case& k : cases) {
    Link x(Part(std::string("<externalBook><sheetDataSet><sheetData><row r=\"1\"><cell r=\"A1\"") + k.attr +
                "><v>abc</v></cell></row></sheetData></sheetDataSet></externalBook>"));
    TCT_ExternalCell* c = x.Book()
                              ->SheetDataSet()
                              ->SheetDataXpgList()
                              ->GetItems(0)
                              ->RowXpgList()
                              ->GetItems(0)
                              ->CellXpgList()
                              ->GetItems(0);
    EXPECT_EQ(c->T(), k.type) << k.attr;
    EXPECT_EQ(c->V(), u"abc") << k.attr;
    EXPECT_TRUE(x.reports.empty()) << k.attr;
  }
}

TEST(TCT_DdeLink_Read, ItemsValuesAndDefaults) {
  Link x(
      Part("<ddeLink ddeService=\"Excel\" ddeTopic=\"[Book1]Sheet1\"><ddeItems>"
           "<ddeItem/>"
           "<ddeItem name=\"R1C1\" ole=\"true\" advise=\"t\" preferPic=\"yes\"><values rows=\"2\" cols=\"x\">"
           "<value><val>3</val></value><value t=\"nil\"/><value t=\"str\"><val> a </val></value>"
           "<value t=\"bogus\"><val>1</val></value><value t=\"E\"><val>#N/A</val></value></values></ddeItem>"
           "</ddeItems></ddeLink>"));
  EXPECT_TRUE(x.reports.empty());
  TCT_DdeLink* d = x.L()->DdeLink();
  ASSERT_TRUE(d->Available());
  EXPECT_FALSE(x.Book()->Available());
  EXPECT_EQ(d->DdeService(), u"Excel");
  EXPECT_EQ(d->DdeTopic(), u"[Book1]Sheet1");
  auto* items = d->DdeItems()->DdeItemXpgList();
  ASSERT_EQ(items->Count(), 2);
  TCT_DdeItem* i0 = items->GetItems(0);
  EXPECT_EQ(i0->Name(), u"0");
  EXPECT_FALSE(i0->Values()->Available());
  EXPECT_EQ(i0->Values()->Rows(), 1);
  EXPECT_EQ(i0->Values()->Cols(), 1);
  TCT_DdeItem* i1 = items->GetItems(1);
  EXPECT_EQ(i1->Name(), u"R1C1");
  EXPECT_EQ(i1->Ole(), 1);
  EXPECT_EQ(i1->Advise(), 1);
  EXPECT_EQ(i1->PreferPic(), 0);
  EXPECT_EQ(i1->Values()->Rows(), 2);
  EXPECT_EQ(i1->Values()->Cols(), 0);
  auto* v = i1->Values()->ValueXpgList();
  ASSERT_EQ(v->Count(), 5);
  EXPECT_EQ(v->GetItems(0)->T(), stdvtN);
  EXPECT_EQ(v->GetItems(0)->Val(), u"3");
  EXPECT_EQ(v->GetItems(1)->T(), stdvtNil);
  EXPECT_EQ(v->GetItems(2)->T(), stdvtStr);
  EXPECT_EQ(v->GetItems(2)->Val(), u" a ");
  EXPECT_EQ(v->GetItems(3)->T(), stdvtNil);  // no value type: no value
  EXPECT_EQ(v->GetItems(4)->T(), stdvtE);
}

TEST(TCT_OleLink_Read, ItemsAndExtensions) {
  Link x(
      Part("<oleLink r:id=\"rId2\" progId=\"Word.Document.12\"><oleItems>"
           "<oleItem name=\"_1234\" icon=\"1\" advise=\"0\" preferPic=\"TRUE\"/></oleItems></oleLink>"
           "<extLst><ext uri=\"{X}\"><x:any xmlns:x=\"urn:x\" a=\"1\"><deep/></x:any></ext></extLst>"));
  EXPECT_TRUE(x.reports.empty());
  TCT_OleLink* o = x.L()->OleLink();
  ASSERT_TRUE(o->Available());
  EXPECT_EQ(o->R_Id(), u"rId2");
  EXPECT_EQ(o->ProgId(), u"Word.Document.12");
  TCT_OleItem* it = o->OleItems()->OleItemXpgList()->GetItems(0);
  EXPECT_EQ(it->Name(), u"_1234");
  EXPECT_EQ(it->Icon(), 1);
  EXPECT_EQ(it->Advise(), 0);
  EXPECT_EQ(it->PreferPic(), 1);
  ASSERT_EQ(x.L()->ExtLst()->ExtXpgList()->Count(), 1);
  EXPECT_EQ(x.L()->ExtLst()->ExtXpgList()->GetItems(0)->Uri(), u"{X}");
}

// Names are matched by namespace: the prefix a part uses does not matter, r:id is the relationship
// namespace's id whatever its prefix, and other attributes of externalBook pass without a report.
TEST(TXPGDocXLink_Names, NamespacesNotPrefixes) {
  Link x(std::string("<x:externalLink xmlns:x=\"") + kMain + "\" xmlns:rel=\"" + kRel +
         "\" xmlns:o=\"urn:other\"><x:externalBook rel:id=\"rId7\" o:id=\"other\" extra=\"1\">"
         "<x:sheetNames><x:sheetName val=\"S\"/></x:sheetNames></x:externalBook></x:externalLink>");
  EXPECT_TRUE(x.reports.empty());
  EXPECT_TRUE(x.L()->Available());
  EXPECT_EQ(x.Book()->R_Id(), u"rId7");
  EXPECT_EQ(x.Book()->SheetNames()->SheetNameXpgList()->Count(), 1);
  // The root's attribute texts, namespace declarations included, in document order.
  TStringXpgList& ra = x.doc.Root()->RootAttributes();
  ASSERT_EQ(ra.Count(), 3);
  EXPECT_EQ(ra.GetItems(0), std::u16string(u"xmlns:x=\"") + kws::Utf8ToUtf16(kMain) + u"\"");
  EXPECT_EQ(ra.GetItems(2), u"xmlns:o=\"urn:other\"");
}

TEST(TXPGDocXLink_Reports, UnknownNamesReportedAndSkipped) {
  struct Case {
    const char* body;
    const char* report;
  };
  const Case cases[] = {
      {"<externalBook><sheetNames><sheetName val=\"A\" hidden=\"1\"/></sheetNames></externalBook>",
       "Row 0: Unknown Attribute hidden"},
      {"<externalBook><sheetNames><name val=\"A\"/></sheetNames></externalBook>",
       "Row 0: Unknown Element name"},
      {"<externalBook><sheetDataSet><sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c></row></sheetData>"
       "</sheetDataSet></externalBook>",
       "Row 0: Unknown Element c"},
      {"<externalBook><sheetDataSet><sheetData><row r=\"1\"><cell r=\"A1\"><f>1</f></cell></row></sheetData>"
       "</sheetDataSet></externalBook>",
       "Row 0: Unknown Element f"},
      {"<ddeLink ddeServer=\"x\"/>", "Row 0: Unknown Attribute ddeServer"},
  };
  for (const Case& k : cases) {
    Link x(Part(k.body));
    ASSERT_EQ(x.reports.size(), 1u) << k.body;
    EXPECT_EQ(x.reports[0], k.report);
  }
  // An unknown element's subtree is skipped: the cell inside it is not read into the row.
  Link y(
      Part("<externalBook><sheetDataSet><sheetData><row r=\"1\"><x><cell r=\"A1\"/></x></row></sheetData>"
           "</sheetDataSet></externalBook>"));
  EXPECT_EQ(y.Book()
                ->SheetDataSet()
                ->SheetDataXpgList()
                ->GetItems(0)
                ->RowXpgList()
                ->GetItems(0)
                ->CellXpgList()
                ->Count(),
            0);
}

TEST(TXPGDocXLink_Root, OtherDocumentElementLeavesLinkEmpty) {
  Link x(std::string("<workbook xmlns=\"") + kMain + "\"><externalBook/></workbook>");
  ASSERT_EQ(x.reports.size(), 1u);
  EXPECT_EQ(x.reports[0], "Row 0: Unknown Element workbook");
  EXPECT_FALSE(x.L()->Available());
  EXPECT_FALSE(x.Book()->Available());
  EXPECT_FALSE(x.L()->DdeLink()->Available());
  EXPECT_FALSE(x.L()->OleLink()->Available());
}

TEST(EnumNames_XLinks, TableOfElevenIdentifiers) {
  ASSERT_EQ(kEnumNameCount, 11);
  const char* ids[] = {"stdvtNil", "stdvtB", "stdvtN", "stdvtE",   "stdvtStr",      "stectB",
                       "stectN",   "stectE", "stectS", "stectStr", "stectInlineStr"};
  const int ordinals[] = {0, 1, 2, 3, 4, 0, 1, 2, 3, 4, 5};
  for (int i = 0; i < 11; ++i) {
    EXPECT_EQ(kEnumNames[i].Identifier, ids[i]);
    EXPECT_EQ(kEnumNames[i].Ordinal, ordinals[i]);
  }
  EXPECT_EQ(StrToEnum("STECTINLINESTR"), stectInlineStr);
  EXPECT_EQ(StrToEnum("stdvtstr"), stdvtStr);
  EXPECT_EQ(StrToEnum("stctInlineStr"), 0);  // an identifier of the SpreadsheetML unit is not here
  // The relationship id attribute's byte sum as written with its usual prefix.
  EXPECT_EQ(XpgHashA("r:id"), 377u);
}

}  // namespace
}  // namespace xls::xpgxlinks
