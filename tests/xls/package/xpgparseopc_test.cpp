// Relationship and content-type documents, and through them the generated element runtime's
// reading rules (namespace matching, name text compared after the hash, unknown elements
// reported once and skipped, mc:AlternateContent, enumeration lookup).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/textcodec.h"
#include "xls/package/xlsstream.h"
#include "xls/package/xpgparsecontenttype.h"
#include "xls/package/xpgparseopc.h"

namespace xls {
namespace {

using namespace xpgopc;

constexpr const char* kRelsNs = "http://schemas.openxmlformats.org/package/2006/relationships";

struct Loaded {
  TXPGDocOPC doc;
  std::vector<std::string> reports;
  explicit Loaded(const std::string& xml) {
    doc.Errors().OnError = [this](TXpgPErrors& e) { reports.push_back(kws::Utf16ToUtf8(e.LastErrorText())); };
    doc.LoadFromBytes(xml);
  }
  std::string Ids() const {
    std::string s;
    for (auto& r : *doc.Relationships()->RelationshipXpgList()) s += kws::Utf16ToUtf8(r->Id()) + ";";
    return s;
  }
};

std::string Rels(const std::string& body, const std::string& open = std::string("<Relationships xmlns=\"") + kRelsNs + "\">",
                 const std::string& close = "</Relationships>") {
  return open + body + close;
}

TEST(TXPGDocOPC_Read, RelationshipsWithTargetModes) {
  Loaded l(Rels(R"(<Relationship Id="rId1" Type="t1" Target="a.xml"/>)"
                R"(<Relationship Id="rId2" Type="t2" Target="http://x" TargetMode="External"/>)"
                R"(<Relationship Id="rId3" Type="t3" Target="b" TargetMode="internal">txt</Relationship>)"
                R"(<Relationship Id="rId4" Type="t4" Target="c" TargetMode="Sideways"/>)"));
  auto* list = l.doc.Relationships()->RelationshipXpgList();
  ASSERT_EQ(list->Count(), 4);
  EXPECT_TRUE(l.doc.Relationships()->Available());
  EXPECT_FALSE(l.doc.Relationship()->Available());
  EXPECT_EQ(list->GetItems(0)->TargetMode(), 255);  // not given
  EXPECT_EQ(list->GetItems(0)->Target(), u"a.xml");
  EXPECT_EQ(list->GetItems(1)->TargetMode(), sttmExternal);
  EXPECT_EQ(list->GetItems(2)->TargetMode(), sttmInternal);  // letter case ignored
  EXPECT_EQ(list->GetItems(2)->Content(), u"txt");
  EXPECT_EQ(list->GetItems(3)->TargetMode(), 255);  // unknown value: not given
  EXPECT_TRUE(l.reports.empty());
  EXPECT_EQ(l.doc.Root()->RootAttributes().GetItems(0), u"xmlns=\"" + kws::Utf8ToUtf16(kRelsNs) + u"\"");
  EXPECT_THROW(list->GetItems(4), std::out_of_range);
}

TEST(TXPGDocOPC_Read, NamesMatchByNamespaceAndText) {
  struct Case {
    std::string xml;
    std::string ids;
    std::vector<std::string> reports;
  };
  const std::string ns = kRelsNs;
  const std::vector<Case> cases = {
      // any prefix bound to the namespace reads like the unprefixed form
      {"<pr:Relationships xmlns:pr=\"" + ns + "\"><pr:Relationship Id=\"a\"/></pr:Relationships>", "a;", {}},
      // a prefix bound elsewhere, or not bound, is not the namespace
      {"<pr:Relationships xmlns:pr=\"urn:other\" xmlns=\"" + ns + "\"><Relationship Id=\"a\"/></pr:Relationships>",
       "",
       {"Row 0: Unknown Element pr:Relationships"}},
      {Rels("<q:Relationship Id=\"a\"/>"), "", {"Row 0: Unknown Element q:Relationship"}},
      // same byte sum, other name: unknown (dI and Id both sum to 173)
      {Rels("<Relationship dI=\"x\" rId=\"y\" Id=\"a\"/>"), "a;", {"Row 0: Unknown Attribute dI", "Row 0: Unknown Attribute rId"}},
      // an unknown element is reported once, and nothing below it reaches any element
      {Rels("<Bogus Id=\"zz\"><Relationship Id=\"inner\"/><x/></Bogus><Relationship Id=\"b\"/>"),
       "b;",
       {"Row 0: Unknown Element Bogus"}},
      // mc:AlternateContent: the Fallback branch only
      {Rels("<mc:AlternateContent xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\">"
            "<mc:Choice Requires=\"x\"><Relationship Id=\"choice\"/></mc:Choice>"
            "<mc:Fallback><Relationship Id=\"fallback\"/></mc:Fallback></mc:AlternateContent>"),
       "fallback;",
       {}},
      // no namespace at all is taken as the unit's own
      {"<Relationships><Relationship Id=\"a\"/></Relationships>", "a;", {}},
  };
  for (const Case& c : cases) {
    Loaded l(c.xml);
    EXPECT_EQ(l.Ids(), c.ids) << c.xml;
    EXPECT_EQ(l.reports, c.reports) << c.xml;
  }
}

TEST(TXPGDocOPC_Read, LoneRelationshipAndStrayEndTag) {
  Loaded l(std::string("<Relationship xmlns=\"") + kRelsNs + "\" Id=\"x\">t</Relationship>");
  EXPECT_TRUE(l.doc.Relationship()->Available());
  EXPECT_EQ(l.doc.Relationship()->Id(), u"x");
  EXPECT_EQ(l.doc.Relationship()->Content(), u"t");
  EXPECT_EQ(l.doc.Relationships()->RelationshipXpgList()->Count(), 0);
  TXPGDocOPC d;
  EXPECT_THROW(d.LoadFromBytes("<a/></a>"), std::out_of_range);
}

TEST(TXPGDocOPC_Write, RoundTripWithExactBytes) {
  TXPGDocOPC w;
  w.Root()->RootAttributes().Add(u"xmlns=\"" + kws::Utf8ToUtf16(kRelsNs) + u"\"");
  auto* r1 = w.Relationships()->RelationshipXpgList()->Add();
  r1->SetId(u"rId1");
  r1->SetType(u"t&1");
  r1->SetTarget(u"xl/workbook.xml");
  auto* r2 = w.Relationships()->RelationshipXpgList()->Add();
  r2->SetId(u"rId2");
  r2->SetType(u"t2");
  r2->SetTarget(u"http://x/");
  r2->SetTargetMode(sttmExternal);
  TXLSMemoryStream out;
  w.SaveToStream(out);
  EXPECT_EQ(out.Bytes(), std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r") +
                             "<Relationships xmlns=\"" + kRelsNs + "\"\r\n>\r" +
                             "<Relationship Target=\"xl/workbook.xml\" Type=\"t&amp;1\" Id=\"rId1\" />\r"
                             "<Relationship TargetMode=\"External\" Target=\"http://x/\" Type=\"t2\" Id=\"rId2\" />\r"
                             "</Relationships>\r");
  Loaded back(out.Bytes());
  EXPECT_EQ(back.Ids(), "rId1;rId2;");
  EXPECT_EQ(back.doc.Relationships()->RelationshipXpgList()->GetItems(0)->Type(), u"t&1");
  EXPECT_TRUE(back.reports.empty());
}

TEST(TXPGDocContentType_Read, DefaultsAndOverridesInOrder) {
  xpgct::TXPGDocContentType doc;
  doc.LoadFromBytes(
      R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
      R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
      R"(<Default Extension="xml" ContentType="application/xml"/><Default Extension="xml" ContentType="text/other"/>)"
      R"(<Override PartName="/xl/workbook.xml" ContentType="wb"/></Types>)");
  auto* d = doc.Types()->DefaultXpgList();
  ASSERT_EQ(d->Count(), 2);
  EXPECT_EQ(d->GetItems(1)->ContentType(), u"text/other");
  ASSERT_EQ(doc.Types()->OverrideXpgList()->Count(), 1);
  EXPECT_EQ(doc.Types()->OverrideXpgList()->GetItems(0)->PartName(), u"/xl/workbook.xml");
  TXLSMemoryStream out;
  doc.SaveToStream(out);
  xpgct::TXPGDocContentType back;
  back.LoadFromBytes(out.Bytes());
  EXPECT_EQ(back.Types()->DefaultXpgList()->Count(), 2);
  EXPECT_EQ(back.Types()->OverrideXpgList()->GetItems(0)->ContentType(), u"wb");
}

TEST(XpgUnits_EnumNames, StrToEnum) {
  EXPECT_EQ(xpgopc::StrToEnum("sttmINTERNAL"), 1);
  EXPECT_EQ(xpgopc::StrToEnum("sttmNone"), 0);
  EXPECT_EQ(xpgct::kEnumNameCount, 0);
}

}  // namespace
}  // namespace xls
