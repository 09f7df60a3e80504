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

// Detaching keeps the order of the others whatever the pattern: a table of detach sequences,
// each checked against the same sequence on a plain list.
TEST(TXpgDOMNode_Detach, ChildrenKeepTheirOrder) {
  const std::vector<std::vector<int>> sequences = {
      {0, 0, 0}, {5, 4, 3}, {2, 2, 2, 0}, {9, 0, 7, 1, 3}, {3, 5, 1, 1, 0, 4}, {1, 3, 3, 2},
  };
  for (const auto& seq : sequences) {
    TXpgDOMNode parent(nullptr);
    std::vector<std::u16string> plain;
    for (int i = 0; i < 10; ++i) {
      plain.push_back(u"n" + std::u16string(1, char16_t(u'0' + i)));
      parent.AddChild(plain.back());
    }
    for (int index : seq) {
      EXPECT_EQ(parent.Detach(index)->QName(), plain[size_t(index)]);
      plain.erase(plain.begin() + index);
      ASSERT_EQ(parent.Count(), int(plain.size()));
      for (int i = 0; i < parent.Count(); ++i) EXPECT_EQ(parent.Items(i)->QName(), plain[size_t(i)]);
    }
    parent.AddChild(u"new");  // added after a detach: at the end, found by name
    plain.push_back(u"new");
    for (int i = 0; i < parent.Count(); ++i) EXPECT_EQ(parent.Items(i)->QName(), plain[size_t(i)]);
    EXPECT_EQ(parent.Find(u"new"), parent.Items(parent.Count() - 1));
    EXPECT_EQ(parent.Find(plain[0]), parent.Items(0));
  }
  TXpgDOMNode parent(nullptr);
  EXPECT_THROW(parent.Detach(0), std::out_of_range);
}

// Taking 200,000 shapes out of a drawing one after the other, front first or every other one,
// finishes well within the test timeout (erasing from a vector each time took minutes).
TEST(TXpgDOMNode_Detach, DetachingManyChildrenCostsLinearTime) {
  const int n = 200000;
  TXpgDOMNode front(nullptr), alternate(nullptr);
  for (int i = 0; i < n; ++i) {
    front.AddChild(u"s");
    alternate.AddChild(i % 2 ? u"s" : u"x");
  }
  for (int i = 0; i < n; ++i) front.Detach(0);
  EXPECT_EQ(front.Count(), 0);
  int i = 0;
  while (i < alternate.Count())
    if (alternate.Items(i)->QName() == u"s")
      alternate.Detach(i);
    else
      ++i;
  EXPECT_EQ(alternate.Count(), n / 2);
}

// A document with more elements and attributes than the budget raises and leaves an empty tree;
// one within it loads, and the next load starts its count afresh.
TEST(TXpgSimpleDOM_Load, NodeBudgetBoundsTheTree) {
  TXpgSimpleDOM dom;
  dom.MaxNodes = 10;
  dom.LoadFromUtf8(R"(<a x="1"><b/><b/><b y="2" z="3"/><c/></a>)");  // 5 elements, 3 attributes
  EXPECT_EQ(dom.Root()->Find(u"a")->Count(), 4);
  struct Case {
    std::string xml;
    bool fits;
  };
  const Case cases[] = {
      {"<a>" + std::string(9 * 4, ' ') + "</a>", true},
      {"<a><b/><b/><b/><b/><b/><b/><b/><b/><b/></a>", true},
      {"<a><b/><b/><b/><b/><b/><b/><b/><b/><b/><b/></a>", false},
      {R"(<a p="1" q="2" r="3" s="4" t="5" u="6" v="7" w="8" x="9" y="10"/>)", false},
  };
  for (const Case& c : cases) {
    if (c.fits) {
      EXPECT_NO_THROW(dom.LoadFromUtf8(c.xml)) << c.xml;
      EXPECT_EQ(dom.Root()->Count(), 1) << c.xml;
      continue;
    }
    try {
      dom.LoadFromUtf8(c.xml);
      ADD_FAILURE() << c.xml;
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "XML error: more than 10 nodes") << c.xml;
    }
    EXPECT_EQ(dom.Root()->Count(), 0) << c.xml;
  }
  EXPECT_EQ(TXpgSimpleDOM().MaxNodes, kXpgDomMaxNodes);
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
