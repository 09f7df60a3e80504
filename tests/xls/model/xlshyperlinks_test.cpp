#include "xls/model/xlshyperlinks.h"

#include <gtest/gtest.h>

#include "tests/support/mutator.h"
#include "xls/formula/xlsformulabinding.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsworksheetdata.h"

namespace xls {
namespace {

using K = TXLSHyperlinkType;

TXLSHyperlinks& LinksOf(TXLSBook& book) {
  return dynamic_cast<TXLSHyperlinks&>(book.Sheets(0)->Xc12Sheet().Hyperlinks());
}

TEST(Hyperlink_Address, ClassifiedAndEncoded) {
  TXLSBook book;
  FormulaHandlerOf(book);  // the workbook test compiles through the formula binding
  book.Add()->SetName(u"My Sheet");
  struct Case {
    const char16_t* text;
    K kind;
    const char16_t* stored;
  } cases[] = {
      {u"http://example.com/a b#c", K::xhltURL, u"http://example.com/a%20b%23c"},
      {u"HTTPS://Example.com/x", K::xhltURL, u"HTTPS://Example.com/x"},
      {u"www.example.com/p?q?a=1 2&b", K::xhltURL, u"www.example.com/p?q?a=1%202&b"},
      {u"www.x.org?a=b=c d", K::xhltURL, u"www.x.org?a=b=c%20d"},
      {u"\\\\server\\share\\file.xls", K::xhltUNC, u"file:///\\\\server\\share\\file.xls"},
      {u"C:\\My Files\\a.xls", K::xhltFile, u"file:///C:\\My%20Files\\a.xls"},
      {u"file:///C:/a b.xls", K::xhltFile, u"file:///C:/a b.xls"},
      {u"mailto:a b@x.org", K::xhltURL, u"mailto:a b@x.org"},
      {u"Sheet1!A1", K::xhltWorkbook, u"Sheet1!A1"},
      {u"'My Sheet'!B2:C3", K::xhltWorkbook, u"'My Sheet'!B2:C3"},
      {u"other.xlsx", K::xhltFile, u"other.xlsx"},
      {u"100%", K::xhltFile, u"100%25"},
      {u"%41 %ZZ", K::xhltFile, u"%41%20%25ZZ"},
      {u"a+b,c;d=e@f[g]h^i`j{k}l~m\x7f$", K::xhltFile,
       u"a%2Bb%2Cc%3Bd%3De%40f%5Bg%5Dh%5Ei%60j%7Bk%7Dl%7Em%7F%24"},
      {u"http", K::xhltFile, u"http"},
      // A network path as a file gives it back stays a network path.
      {u"file:///\\\\server\\share\\f.xls", K::xhltUNC, u"file:///\\\\server\\share\\f.xls"},
  };
  for (const Case& c : cases) {
    TXLSHyperlink* h = LinksOf(book).Add();
    h->SetAddress(c.text);
    EXPECT_EQ(h->Address(), c.stored)
        << std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text));
    EXPECT_EQ(h->FHyperlinkType, c.kind);
    EXPECT_EQ(h->FHyperlinkEnc, c.kind);
  }
  EXPECT_EQ(LinksOf(book).Items(8)->ToolTip(), u"#Sheet1!A1");
  EXPECT_EQ(book.Errors().LastError(), 0);
  EXPECT_FALSE(book.Errors().IgnoreErrors());
}

// The raw address the readers store ends in the same classification.
TEST(Hyperlink_Address, RawAddressIsClassified) {
  TXLSBook book;
  TXLSHyperlink* h = LinksOf(book).Add();
  h->SetRawAddress(u"\\\\srv\\a b");
  EXPECT_EQ(h->Address(), u"file:///\\\\srv\\a%20b");
  EXPECT_EQ(h->HyperlinkType(), K::xhltUNC);
  // Without the formula binding no text names a place in the workbook.
  h->SetRawAddress(u"Sheet1!A1");
  EXPECT_EQ(h->HyperlinkType(), K::xhltFile);
  EXPECT_EQ(h->Address(), u"Sheet1!A1");
}

TEST(Hyperlink_Address, LongAddressesStayLinear) {
  TXLSBook book;
  FormulaHandlerOf(book);
  TXLSHyperlink* h = LinksOf(book).Add();
  h->SetAddress(u"http://x.org/" + std::u16string(100000, u' '));
  EXPECT_EQ(h->Address().size(), 13u + 300000u);
  h->SetAddress(std::u16string(100000, u'A'));
  EXPECT_EQ(h->HyperlinkType(), K::xhltFile);
  EXPECT_EQ(book.Errors().LastError(), 0);
}

// Mutated addresses: never a crash, and the stored form of a stored form is itself with the same
// kind (encoding is idempotent and each kind's stored form classifies to the same text and kind).
TEST(Hyperlink_Fuzz, MutatedAddressesKeepTheirStoredForm) {
  const std::vector<std::string> corpus{"http://example.com/a b?x=1&y=2 3",
                                        "www.a.org/%41%zz",
                                        "\\\\srv\\share\\f",
                                        "C:\\dir\\f.xls",
                                        "file:///C:/x",
                                        "mailto:x@y",
                                        "Sheet1!A1:B2",
                                        "100%",
                                        "[]^`{}~;=@+,$#"};
  const auto budget = kws::test::FuzzBudget::FromEnvironment(5, 1000000);
  const uint64_t n = kws::test::RunFuzz(budget, corpus, 18, [](const std::string& s) {
    const std::u16string t(s.begin(), s.end());  // bytes as Latin-1 units
    K kind = K::xhltUnknown;
    const std::u16string once = ClassifyHyperlink(t, nullptr, nullptr, kind, nullptr);
    K again = K::xhltUnknown;
    ASSERT_EQ(ClassifyHyperlink(once, nullptr, nullptr, again, nullptr), once) << s;
    ASSERT_EQ(again, kind) << s;  // the stored form keeps its kind
    ASSERT_EQ(HyperlinkEncode(HyperlinkEncode(t)), HyperlinkEncode(t)) << s;
  });
  EXPECT_GT(n, 0u);
  RecordProperty("inputs", std::to_string(n));
}

}  // namespace
}  // namespace xls
