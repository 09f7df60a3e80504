#include "xls/package/xpgreadxml.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/textcodec.h"
#include "xls/package/xlsstream.h"

namespace xls {
namespace {

// Records every event as text: B<qname>{attr=value,...}'text' for a start tag, E<qname> for an
// end tag, C'comment', D<name>; the namespace of an element is given when it is not None.
class Recorder : public TXpgReadXML {
 public:
  std::string log;
  void BeginTag() override {
    log += "B" + std::string(RawQName());
    if (Namespace() != TXpgNs::None) log += "@" + std::to_string(int(Namespace()));
    if (Attributes().Count()) {
      log += "{";
      for (int i = 0; i < Attributes().Count(); ++i) {
        if (i) log += ",";
        log += std::string(Attributes().RawName(i)) + "=" + kws::Utf16ToUtf8(Attributes().GetValues(i));
      }
      log += "}";
    }
    if (HasText()) log += "'" + kws::Utf16ToUtf8(Text()) + "'";
    log += " ";
  }
  void EndTag() override { log += "E" + std::string(RawQName()) + " "; }
  void Comment() override { log += "C'" + std::string(CommentText()) + "' "; }
  void Declaration() override {
    TXpgReadXML::Declaration();
    log += "D" + std::string(RawQName()) + " ";
  }
};

std::string RunWhole(const std::string& xml) {
  Recorder r;
  r.LoadFromBytes(xml);
  return r.log;
}

// The same input delivered `piece` bytes at a time.
std::string RunChunked(const std::string& xml, size_t piece) {
  Recorder r;
  size_t pos = 0;
  r.LoadFromReader([&](char* buf, size_t count) {
    size_t n = std::min({count, piece, xml.size() - pos});
    std::memcpy(buf, xml.data() + pos, n);
    pos += n;
    return n;
  });
  return r.log;
}

struct Case {
  const char* xml;
  const char* events;
};

const Case kCases[] = {
    {R"(<a x="1"/>)", "Ba{x=1} Ea "},
    {R"(<x:row r="1"><c>5</c></x:row>)", "Bx:row@2{r=1} Bc'5' Ec Ex:row "},
    // entities: one pass, well-formed only, the rest literal
    {"<t>a &amp;lt; b</t>", "Bt'a &lt; b' Et "},
    {"<t>&gt;&lt;&apos;&quot;</t>", "Bt'><'\"' Et "},
    {"<t>&nbsp;x</t>", "Bt'&nbsp;x' Et "},
    {"<t>&#65;&#x42;</t>", "Bt'AB' Et "},
    {"<t>&amp;#65;</t>", "Bt'&#65;' Et "},
    {"<t>&#abc;&#</t>", "Bt'&#abc;&#' Et "},
    {"<t>a&#</t>", "Bt'a&#' Et "},
    {"<t>&#0;&#xD800;&#x110000;</t>", "Bt'&#0;&#xD800;&#x110000;' Et "},
    {"<t>&#x1F600;</t>", "Bt'\xF0\x9F\x98\x80' Et "},
    {R"(<a v="x&#10;y&amp;z&#x41;"/>)", "Ba{v=x\ny&zA} Ea "},
    // text runs across comments and processing instructions; CDATA is text
    {"<t>ab<!-- c -->cd<?pi x?>ef</t>", "Bt'abcdef' C' c ' Dpi Et "},
    {"<t><![CDATA[<b>&amp;</b>]]>x</t>", "Bt'<b>&amp;</b>x' Et "},
    {"<a>  \n </a>", "Ba'  \n ' Ea "},
    {"<a><b/>tail</a>", "Ba Bb Eb Ea "},
    // quoted ">" and "/>" never end a tag; blanks around "=" are accepted
    {R"(<a x="1/>2" y='>'>t</a>)", "Ba{x=1/>2,y=>}'t' Ea "},
    {R"(<a x = "1"  y= '2' />)", "Ba{x=1,y=2} Ea "},
    // a document type declaration is skipped to its ">"
    {"<!DOCTYPE a [<!ENTITY e \"x>\">]><a/>", "Ba Ea "},
    {"<?xml version=\"1.0\" encoding=\"UTF-8\"?><a/>", "Dxml Ba Ea "},
    // line ends: CR LF and a lone CR read as LF in text, values and CDATA; "&#13;" stays CR
    {"<t>a\r\nb\rc\n\rd\r\r\ne</t>", "Bt'a\nb\nc\n\nd\n\ne' Et "},
    {"<a v=\"x\r\ny\rz\" w='&#13;&#10;'>\r\n</a>", "Ba{v=x\ny\nz,w=\r\n}'\n' Ea "},
    {"<t><![CDATA[p\r\nq]]>\r</t>", "Bt'p\nq\n' Et "},
    {"<t>\r</t>\r", "Bt'\n' Et "},
    {"", ""},
    {"ab", ""},
};

TEST(TXpgReadXML_Events, TableOfCases) {
  for (const Case& c : kCases) {
    EXPECT_EQ(RunWhole(c.xml), c.events) << c.xml;
    for (size_t piece : {1, 2, 3, 7})
      EXPECT_EQ(RunChunked(c.xml, piece), c.events) << c.xml << " in pieces of " << piece;
  }
}

TEST(TXpgReadXML_Namespaces, PrefixesResolveToNamespaces) {
  struct NsRec : TXpgReadXML {
    std::vector<std::pair<std::string, TXpgNs>> tags, attrs;
    void BeginTag() override {
      tags.emplace_back(std::string(RawLocalName()), Namespace());
      for (int i = 0; i < Attributes().Count(); ++i)
        attrs.emplace_back(std::string(Attributes().LocalName(i)), Attributes().Ns(i));
    }
  } r;
  r.LoadFromBytes(
      R"(<x:worksheet xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
      R"(xmlns:q="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
      R"(<x:a q:id="r1" xml:space="preserve"/><b xmlns="http://example.com/other"><c/></b>)"
      R"(<d/><z:e/></x:worksheet>)");
  std::vector<std::pair<std::string, TXpgNs>> tags = {{"worksheet", TXpgNs::SpreadsheetML},
                                                      {"a", TXpgNs::SpreadsheetML},
                                                      {"b", TXpgNs::Other},
                                                      {"c", TXpgNs::Other},
                                                      {"d", TXpgNs::None},
                                                      {"e", TXpgNs::Unbound}};
  EXPECT_EQ(r.tags, tags);
  std::vector<std::pair<std::string, TXpgNs>> attrs = {{"x", TXpgNs::Xmlns},
                                                       {"q", TXpgNs::Xmlns},
                                                       {"id", TXpgNs::OfficeRelationships},
                                                       {"space", TXpgNs::Xml},
                                                       {"xmlns", TXpgNs::Xmlns}};
  EXPECT_EQ(r.attrs, attrs);
}

// A binding holds in its element and below, and ends with it; an inner one hides an outer one
// of the same prefix (the default namespace too) until its element ends.
TEST(TXpgReadXML_Namespaces, BindingsAreScopedToTheirElement) {
  struct NsRec : TXpgReadXML {
    std::string log;
    void BeginTag() override {
      log += std::string(RawLocalName()) + "@" + std::to_string(int(Namespace())) + " ";
    }
  } r;
  r.LoadFromBytes(
      R"(<r xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
      R"(<p:a xmlns:p="http://schemas.openxmlformats.org/drawingml/2006/main">)"
      R"(<p:b xmlns:p="http://example.com/x" xmlns="http://example.com/y"><c/></p:b><p:d/><e/></p:a>)"
      R"(<p:f/><g/><h xmlns=""><i/></h><j/>)"
      R"(<w:k xmlns:w="http://purl.oclc.org/ooxml/wordprocessingml/main"/><w:l/></r>)");
  EXPECT_EQ(r.log, "r@5 a@10 b@1 c@1 d@10 e@5 f@2 g@5 h@0 i@0 j@5 k@16 l@2 ");
}

// Time follows the bindings and elements read, not their product: a root binding 40,000 unused
// prefixes over 40,000 prefixed elements, and 40,000 elements that each bind a new prefix, load
// well within the test timeout (a scan of every binding per name would take minutes).
TEST(TXpgReadXML_Namespaces, ManyBindingsCostLinearTime) {
  struct Count : TXpgReadXML {
    int main = 0;
    void BeginTag() override { main += Namespace() == TXpgNs::SpreadsheetML; }
  };
  const int n = 40000;
  std::string root = R"(<x:r xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main")";
  for (int i = 0; i < n; ++i) root += " xmlns:p" + std::to_string(i) + "=\"u\"";
  root += ">";
  for (int i = 0; i < n; ++i) root += "<x:c/>";
  root += "</x:r>";
  Count a;
  a.LoadFromBytes(root);
  EXPECT_EQ(a.main, n + 1);
  std::string each = "<r>";
  for (int i = 0; i < n; ++i) {
    const std::string p = "q" + std::to_string(i);
    each += "<" + p + ":c xmlns:" + p + "=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><" +
            p + ":v/></" + p + ":c>";
  }
  each += "</r>";
  Count b;
  TXLSViewStream stream(each);
  b.LoadFromStream(stream);
  EXPECT_EQ(b.main, 2 * n);
}

TEST(TXpgReadXML_Text, CodePointsAboveBmpBecomeSurrogatePairs) {
  struct T : TXpgReadXML {
    std::u16string text;
    void BeginTag() override { text = Text(); }
  } r;
  r.LoadFromBytes("<t>&#x1F600;&#128512;\xF0\x9F\x98\x80</t>");
  EXPECT_EQ(r.text, u"\U0001F600\U0001F600\U0001F600");
  EXPECT_EQ(r.text.size(), 6u);
}

TEST(TXpgReadXML_Failures, Messages) {
  struct Bad {
    const char* xml;
    const char* message;
  };
  const Bad bad[] = {
      {"abc", "Syntax error in XML: can not find \"<\""},
      {"<?xml version=\"1.0\" encoding=\"windows-1252\"?><a/>",
       "Unsupported encoding of xml: \"windows-1252\". Must be utf-8"},
      {"<a x=\"1", "Unexpected end of file in XML"},
      {"<a><!-- open", "Unexpected end of file in XML"},
  };
  for (const Bad& b : bad) {
    Recorder r;
    try {
      r.LoadFromBytes(b.xml);
      ADD_FAILURE() << "no exception for " << b.xml;
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), b.message) << b.xml;
    }
  }
}

// A text of 2,000,000 characters (a shared string other writers store) is read whole in chunks;
// one longer than the token limit gets an error that names the limit, not an early end.
TEST(TXpgReadXML_Buffer, LongTokenGrowsBufferUpToTheLimit) {
  std::string text(100000, 'x');
  EXPECT_EQ(RunChunked("<a>" + text + "</a>", 70000), "Ba'" + text + "' Ea ");
  struct Length : TXpgReadXML {
    size_t length = 0;
    void BeginTag() override { length = TextBytes().size(); }
  };
  const std::string two = "<si><t>" + std::string(2000000, 'y') + "</t></si>";
  Length l;
  TXLSViewStream s2(two);
  l.LoadFromStream(s2);
  EXPECT_EQ(l.length, 2000000u);
  Recorder r;
  std::string huge = "<a>" + std::string(kXpgMaxToken + 10, 'y') + "</a>";
  TXLSViewStream s(huge);
  try {
    r.LoadFromStream(s);
    ADD_FAILURE() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "XML token longer than 16777216 bytes");
  }
}

TEST(TXpgReadXML_Buffer, DeepNestingIsRefused) {
  std::string deep;
  for (int i = 0; i <= kXpgMaxDepth; ++i) deep += "<a>";
  Recorder r;
  EXPECT_THROW(r.LoadFromBytes(deep), std::runtime_error);
}

TEST(TXpgReadXML_Names, HashesAndNames) {
  EXPECT_EQ(XpgHashA("x:row"), uint32_t('x' + ':' + 'r' + 'o' + 'w'));
  EXPECT_EQ(XpgHashB("tx"), 682308548);
  EXPECT_EQ(XpgHashB("flip"), -451419535);
  EXPECT_EQ(StrHashA(u"Id"), 173u);
  EXPECT_EQ(StrHashB(u"tx"), 682308548);
  TXpgPErrors e;
  int calls = 0;
  e.OnError = [&](TXpgPErrors&) { ++calls; };
  e.Error(TXpgErrorMsg::xemUnknownElement, u"foo", 0);
  EXPECT_EQ(e.LastErrorText(), u"Row 0: Unknown Element foo");
  e.Error(TXpgErrorMsg::xemUnknownAttribute, u"r:x", 3);
  EXPECT_EQ(e.LastErrorText(), u"Row 3: Unknown Attribute r:x");
  EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace xls

namespace xls {
namespace {

// Copies into kept bytes (one pass over a short raw value) against the value and text accessors,
// over values and texts of every short length with references at the start, inside and at the
// end, a lone "&", pieces split by comments and CDATA sections, and long ones.
class CopyChecker : public TXpgReadXML {
 public:
  int checked = 0;
  void BeginTag() override {
    const TXpgXMLAttributeList& a = Attributes();
    for (int i = 0; i < a.Count(); ++i) {
      a.CopyValue(i, kept_);
      EXPECT_EQ(kept_.View(), a.ValueBytes(i)) << a.Entry(i).Value;
      ++checked;
    }
    CopyText(kept_);
    EXPECT_EQ(kept_.View(), TextBytes());
    ++checked;
  }

 private:
  TXpgBytes kept_;
};

TEST(TXpgBytes_Copy, SameBytesAsValueAndTextAccessors) {
  std::vector<std::string> values;
  for (size_t n = 0; n <= 20; ++n) {
    const std::string plain(n, 'x');
    values.push_back(plain);
    for (const char* ref : {"&amp;", "&#65;", "&", "&bad;"}) {
      values.push_back(ref + plain);
      values.push_back(plain.substr(0, n / 2) + ref + plain.substr(n / 2));
      values.push_back(plain + ref);
    }
  }
  std::string xml = "<root>";
  for (const std::string& v : values) {
    xml += "<e a=\"" + v + "\" b='" + v + v + "'>" + v + "</e>";
    xml += "<t>" + v + "<!-- c -->" + v + "<![CDATA[&amp;]]></t>";
  }
  xml += "</root>";
  CopyChecker whole;
  whole.LoadFromBytes(xml);
  EXPECT_EQ(whole.checked, int(values.size()) * 4 + 1);
  // every kind of "&" test the accessors use, against a plain search
  for (size_t n = 0; n <= 40; ++n)
    for (size_t at = 0; at <= n; ++at) {
      std::string s(n, 'a');
      if (at < n) s[at] = '&';
      EXPECT_EQ(TXpgXMLAttributeList::HasAmpersand(s), at < n) << n << " " << at;
      if (at < n) s[at] = '&' ^ 0x80;  // a byte that differs from "&" in its high bit only
      EXPECT_FALSE(TXpgXMLAttributeList::HasAmpersand(s)) << n << " " << at;
    }
}

}  // namespace
}  // namespace xls
