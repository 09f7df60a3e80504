// The application-properties element classes, driven through the document's reader.
#include "xls/spreadsheetml/xpgparsedocpropsapp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/textcodec.h"

namespace xls::xpgdocpropsapp {
namespace {

struct App {
  TXPGDocDocPropsApp doc;
  std::vector<std::string> reports;
  explicit App(const std::string& body) {
    doc.Errors().OnError = [this](TXpgPErrors& e) { reports.push_back(kws::Utf16ToUtf8(e.LastErrorText())); };
    doc.Reader().LoadFromBytes(
        "<Properties xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\" "
        "xmlns:vt=\"http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes\">" +
        body + "</Properties>");
  }
  TCT_Properties* P() const { return doc.Properties(); }
};

constexpr const char* kTypical =
    "<Application>Microsoft Excel</Application><DocSecurity>0</DocSecurity><ScaleCrop>false</ScaleCrop>"
    "<HeadingPairs><vt:vector size=\"2\" baseType=\"variant\"><vt:variant><vt:lpstr>Worksheets</vt:lpstr>"
    "</vt:variant><vt:variant><vt:i4>2</vt:i4></vt:variant></vt:vector></HeadingPairs>"
    "<TitlesOfParts><vt:vector size=\"2\" baseType=\"lpstr\"><vt:lpstr>Sheet1</vt:lpstr><vt:lpstr>Data &amp; "
    "more"
    "</vt:lpstr></vt:vector></TitlesOfParts><Company>ACME</Company><LinksUpToDate>1</LinksUpToDate>"
    "<SharedDoc>yes</SharedDoc><HyperlinksChanged>T</HyperlinksChanged><AppVersion>16.0300</AppVersion>"
    "<Pages>12x</Pages><TotalTime>4294967295</TotalTime>";

TEST(TCT_Properties_Read, TypicalPart) {
  App a(kTypical);
  EXPECT_TRUE(a.reports.empty());
  TCT_Properties* p = a.P();
  EXPECT_TRUE(p->Available());
  EXPECT_EQ(p->Application(), u"Microsoft Excel");
  EXPECT_EQ(p->AppVersion(), u"16.0300");
  EXPECT_EQ(p->Company(), u"ACME");
  EXPECT_EQ(p->ScaleCrop(), 0);
  EXPECT_EQ(p->LinksUpToDate(), 1);
  EXPECT_EQ(p->SharedDoc(), 0);  // only true, 1 and t (any case) give True
  EXPECT_EQ(p->HyperlinksChanged(), 1);
  EXPECT_EQ(p->Pages(), 0);  // not a number
  EXPECT_EQ(p->TotalTime(), 4294967295);
  TCT_Vector* hp = p->HeadingPairs()->Vt_Vector();
  EXPECT_EQ(hp->BaseType(), stvbtVariant);
  EXPECT_EQ(hp->Size(), 2);
  ASSERT_NE(hp->Vt_VariantXpgList(), nullptr);
  ASSERT_EQ(hp->Vt_VariantXpgList()->Count(), 2);
  EXPECT_EQ(hp->Vt_VariantXpgList()->GetItems(0)->Vt_Lpstr(), u"Worksheets");
  EXPECT_EQ(hp->Vt_VariantXpgList()->GetItems(1)->Vt_I4(), 2);
  TCT_Vector* tp = p->TitlesOfParts()->Vt_Vector();
  EXPECT_EQ(tp->BaseType(), stvbtLpstr);
  ASSERT_EQ(tp->Vt_LpstrXpgList().size(), 2u);
  EXPECT_EQ(tp->Vt_LpstrXpgList()[1], u"Data & more");
  EXPECT_EQ(p->HLinks()->Vt_Vector()->BaseType(), 255);  // not given
  EXPECT_FALSE(p->HLinks()->Available());
}

TEST(TCT_Vector_Read, ValueKindsAndBaseTypes) {
  App a(
      "<HLinks><vt:vector size=\"9\" baseType=\"BOOL\"><vt:i8>-9000000000</vt:i8><vt:ui1>+7</vt:ui1>"
      "<vt:r8>2.5E1</vt:r8><vt:r4>1,5</vt:r4><vt:bool>true</vt:bool><vt:bool>maybe</vt:bool>"
      "<vt:filetime>2020-02-29T12:00:00Z</vt:filetime><vt:date>bad</vt:date><vt:clsid>{0}</vt:clsid>"
      "<vt:cf format=\"8\">12</vt:cf><vt:cf/></vt:vector></HLinks>"
      "<HeadingPairs><vt:vector baseType=\"nonsense\"/></HeadingPairs>");
  EXPECT_TRUE(a.reports.empty());
  TCT_Vector* v = a.P()->HLinks()->Vt_Vector();
  EXPECT_EQ(v->BaseType(), stvbtBool);
  EXPECT_EQ(v->Vt_VariantXpgList(), nullptr);  // created on first occurrence only
  EXPECT_EQ(v->Vt_I8XpgList(), std::vector<int64_t>{-9000000000});
  EXPECT_EQ(v->Vt_Ui1XpgList(), std::vector<int64_t>{7});
  EXPECT_EQ(v->Vt_R8XpgList(), std::vector<double>{25.0});
  EXPECT_EQ(v->Vt_R4XpgList(), std::vector<double>{0.0});  // "," is no decimal separator here
  EXPECT_EQ(v->Vt_BoolXpgList(), (std::vector<uint8_t>{1, 0}));
  ASSERT_EQ(v->Vt_FiletimeXpgList().size(), 1u);
  EXPECT_EQ(v->Vt_FiletimeXpgList()[0], 43890.5);  // 2020-02-29 noon as a serial day number
  EXPECT_EQ(v->Vt_DateXpgList(), std::vector<double>{0.0});
  EXPECT_EQ(v->Vt_ClsidXpgList(), std::vector<std::u16string>{u"{0}"});
  ASSERT_EQ(v->Vt_CfXpgList()->Count(), 2);
  EXPECT_EQ(v->Vt_CfXpgList()->GetItems(0)->Format(), u"8");
  EXPECT_EQ(v->Vt_CfXpgList()->GetItems(0)->Content(), 12);
  EXPECT_EQ(v->Vt_CfXpgList()->GetItems(1)->Content(), 0);
  EXPECT_EQ(a.P()->HeadingPairs()->Vt_Vector()->BaseType(), stvbtVariant);  // unknown text gives 0
}

TEST(TCT_Variant_Read, NestedValuesAndArrays) {
  App a(
      "<HeadingPairs><vt:vector><vt:variant><vt:variant><vt:bstr>in</vt:bstr></vt:variant></vt:variant>"
      "<vt:variant><vt:array lBounds=\"1\" uBounds=\"3\" baseType=\"i4\"><vt:i4>5</vt:i4><vt:int>6</vt:int>"
      "<vt:decimal>1.25</vt:decimal></vt:array></vt:variant>"
      "<vt:variant><vt:vstream version=\"{V}\">77</vt:vstream><vt:empty/><vt:cf format=\"x\">3</vt:cf>"
      "<vt:uint>12</vt:uint><vt:bool>1</vt:bool><vt:error>0x80004005</vt:error></vt:variant></vt:vector>"
      "</HeadingPairs><DigSig><vt:blob>42</vt:blob></DigSig>");
  EXPECT_TRUE(a.reports.empty());
  TCT_VariantXpgList* vs = a.P()->HeadingPairs()->Vt_Vector()->Vt_VariantXpgList();
  ASSERT_EQ(vs->Count(), 3);
  ASSERT_NE(vs->GetItems(0)->Vt_Variant(), nullptr);
  EXPECT_EQ(vs->GetItems(0)->Vt_Variant()->Vt_Bstr(), u"in");
  EXPECT_EQ(vs->GetItems(0)->Vt_Array(), nullptr);
  TCT_Array* arr = vs->GetItems(1)->Vt_Array();
  ASSERT_NE(arr, nullptr);
  EXPECT_EQ(arr->LBounds(), 1);
  EXPECT_EQ(arr->UBounds(), 3);
  EXPECT_EQ(arr->BaseType(), stabtI4);
  EXPECT_EQ(arr->BaseType(), 3);
  EXPECT_EQ(arr->Vt_I4XpgList(), std::vector<int64_t>{5});
  EXPECT_EQ(arr->Vt_IntXpgList(), std::vector<int64_t>{6});
  EXPECT_EQ(arr->Vt_DecimalXpgList(), std::vector<double>{1.25});
  TCT_Variant* v = vs->GetItems(2);
  EXPECT_EQ(v->Vt_Vstream()->Version(), u"{V}");
  EXPECT_EQ(v->Vt_Vstream()->Content(), 77);
  EXPECT_TRUE(v->Vt_Empty()->Available());
  EXPECT_FALSE(v->Vt_Null()->Available());
  EXPECT_EQ(v->Vt_Cf()->Format(), u"x");
  EXPECT_EQ(v->Vt_Cf()->Content(), 3);
  EXPECT_EQ(v->Vt_Uint(), 12);
  EXPECT_EQ(v->Vt_Bool(), 1);
  EXPECT_EQ(v->Vt_Error(), u"0x80004005");
  EXPECT_EQ(a.P()->DigSig()->Vt_Blob(), 42);
}

TEST(TXPGDocDocPropsApp_Reports, UnknownNamesAndNamespaces) {
  struct Case {
    const char* body;
    const char* report;
  };
  const Case cases[] = {
      {"<Pagez>1</Pagez>", "Row 0: Unknown Element Pagez"},
      {"<vt:Pages>1</vt:Pages>", "Row 0: Unknown Element vt:Pages"},  // a property in the variant namespace
      {"<HeadingPairs><vector/></HeadingPairs>", "Row 0: Unknown Element vector"},
      {"<HeadingPairs><vt:vector sise=\"1\"/></HeadingPairs>", "Row 0: Unknown Attribute sise"},
      {"<HeadingPairs><vt:vector><vt:i16>1</vt:i16></vt:vector></HeadingPairs>",
       "Row 0: Unknown Element vt:i16"},
      {"<HeadingPairs><vt:vector><vt:variant><vt:lpstr2/></vt:variant></vt:vector></HeadingPairs>",
       "Row 0: Unknown Element vt:lpstr2"},
  };
  for (const Case& k : cases) {
    App a(k.body);
    ASSERT_EQ(a.reports.size(), 1u) << k.body;
    EXPECT_EQ(a.reports[0], k.report);
  }
}

TEST(TXPGDocDocPropsApp_Clear, BackToEmpty) {
  App a(kTypical);
  ASSERT_EQ(a.doc.Root()->RootAttributes().Count(), 2);
  a.doc.Root()->Clear();
  TCT_Properties* p = a.P();
  EXPECT_FALSE(p->Available());
  EXPECT_EQ(a.doc.Root()->RootAttributes().Count(), 0);
  EXPECT_TRUE(p->Application().empty());
  EXPECT_TRUE(p->Company().empty());
  EXPECT_EQ(p->TotalTime(), 0);
  EXPECT_EQ(p->LinksUpToDate(), 0);
  TCT_Vector* hp = p->HeadingPairs()->Vt_Vector();
  EXPECT_EQ(hp->BaseType(), 255);
  EXPECT_EQ(hp->Size(), 0);
  ASSERT_NE(hp->Vt_VariantXpgList(), nullptr);
  EXPECT_EQ(hp->Vt_VariantXpgList()->Count(), 0);
  EXPECT_TRUE(p->TitlesOfParts()->Vt_Vector()->Vt_LpstrXpgList().empty());
  EXPECT_FALSE(p->HeadingPairs()->Available());
}

TEST(TXPGDocDocPropsApp_Nesting, DeepVariantsWithinTheTokenizerLimit) {
  std::string open, close;
  for (int i = 0; i < 2000; ++i) {
    open += "<vt:variant>";
    close += "</vt:variant>";
  }
  App a("<HeadingPairs><vt:vector>" + open + "<vt:i1>9</vt:i1>" + close + "</vt:vector></HeadingPairs>");
  EXPECT_TRUE(a.reports.empty());
  TCT_Variant* v = a.P()->HeadingPairs()->Vt_Vector()->Vt_VariantXpgList()->GetItems(0);
  int depth = 1;
  while (v->Vt_Variant()) {
    v = v->Vt_Variant();
    ++depth;
  }
  EXPECT_EQ(depth, 2000);
  EXPECT_EQ(v->Vt_I1(), 9);
}

TEST(EnumNames_DocPropsApp, TableOfThirtyEightIdentifiers) {
  ASSERT_EQ(kEnumNameCount, 38);
  EXPECT_EQ(kEnumNames[0].Identifier, "stabtVariant");
  EXPECT_EQ(kEnumNames[16].Identifier, "stabtError");
  EXPECT_EQ(kEnumNames[16].Ordinal, 16);
  EXPECT_EQ(kEnumNames[17].Identifier, "stvbtVariant");
  EXPECT_EQ(kEnumNames[37].Identifier, "stvbtCf");
  EXPECT_EQ(kEnumNames[37].Ordinal, 20);
  EXPECT_EQ(StrToEnum("stabti4"), 3);
  EXPECT_EQ(StrToEnum("stabtLpstr"), 0);  // not an array base type
  EXPECT_EQ(StrToEnum("stvbtLPSTR"), stvbtLpstr);
}

}  // namespace
}  // namespace xls::xpgdocpropsapp
