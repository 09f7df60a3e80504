#include "xls/package/xpgdom.h"

#include <gtest/gtest.h>

#include "xls/package/xlsstream.h"
#include "xls/package/xpgwritexml.h"

namespace xls {
namespace {

TEST(TXpgSimpleDOM_Load, TreeFindAndAttributes) {
  TXpgSimpleDOM dom;
  dom.LoadFromString(uR"(<a x="1" c="FF" v="x&#10;y" w="p&#13;&#10;q"><b> t </b><b>u</b></a>)");
  TXpgDOMNode* a = dom.Root()->Find(u"a");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->Attributes().FindValue(u"x"), u"1");
  EXPECT_EQ(a->Attributes().FindValueHexDef(u"c", 0), 255);
  EXPECT_EQ(a->Attributes().FindValueHexDef(u"zz", 0), 0);
  // numeric references in values are decoded, then line breaks become blanks
  EXPECT_EQ(a->Attributes().FindValue(u"v"), u"x y");
  EXPECT_EQ(a->Attributes().FindValue(u"w"), u"p q");
  ASSERT_EQ(a->Count(), 2);
  EXPECT_EQ(dom.Root()->Find(u"a/b")->Content(), u"t");
  EXPECT_EQ(a->Items(1)->Content(), u"u");
  EXPECT_EQ(dom.Root()->Find(u"a/c"), nullptr);
  try {
    dom.Root()->Find(u"a/c", true);
    ADD_FAILURE();
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "XML error: Can not find expected node \"c\"");
  }
  auto b = a->Detach(0);
  EXPECT_EQ(a->Count(), 1);
  EXPECT_EQ(b->Content(), u"t");
  // a second load starts afresh
  dom.LoadFromString(u"<z/>");
  EXPECT_EQ(dom.Root()->Count(), 1);
  EXPECT_EQ(dom.Root()->Items(0)->QName(), u"z");
}

TEST(TXpgSimpleDOM_Load, LoadFromBufferTakesThePrintableRun) {
  TXpgSimpleDOM dom;
  EXPECT_EQ(dom.LoadFromBuffer("\xEF\xBB\xBF<a/>", 100), 0u);
  EXPECT_EQ(dom.Root()->Count(), 0);
  EXPECT_EQ(dom.LoadFromBuffer("<a/>\t<b/>", 100), 4u);
  ASSERT_EQ(dom.Root()->Count(), 1);
  EXPECT_EQ(dom.Root()->Items(0)->QName(), u"a");
}

TEST(TXpgWriteXML_Output, ExactBytes) {
  TXLSMemoryStream out;
  TXpgWriteXML w;
  w.SaveToStream(out);
  w.AddAttribute(u"x", u"<1>");
  w.BeginTag(u"a");
  w.AddAttribute(u"y", u"\"&'");
  w.SimpleTag(u"b");
  w.SimpleTextTag(u"c", u"t<");
  w.SetText(u"z");
  w.EndTag();
  EXPECT_THROW(w.EndTag(), std::runtime_error);
  EXPECT_EQ(out.Bytes(),
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r"
            "<a x=\"&lt;1&gt;\" >\r<b y=\"&quot;&amp;&apos;\" />\r<c>t&lt;</c>\rz</a>\r");
  EXPECT_THROW(w.AddRawAttributes(std::string(40000, 'x')), std::runtime_error);  // pending bytes are capped
}

}  // namespace
}  // namespace xls
