// Real shape-property and text-body fragments (xlsxwriter text boxes and chart formats, their
// Gnumeric and LibreOffice re-saves, LibreOffice and openpyxl objects;
// tests/data/xlsx/make_drawing_fragments.py) read with no report, and a bounded fuzz run over
// the fragment reader seeded with them.
// KWS_FUZZ_SECONDS and KWS_FUZZ_INPUTS set the budget of a longer manual run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/mutator.h"
#include "xls/drawingml/xpgparsedrawingcommon.h"

namespace xls::xpgdml {
namespace {

// One fragment a line of tests/data/xlsx/<file>.
std::vector<std::string> Fragments(const char* file = "drawing-fragments.txt") {
  const char* root = std::getenv("KWS_SOURCE_DIR");
  std::ifstream in(std::string(root ? root : ".") + "/tests/data/xlsx/" + file);
  std::vector<std::string> out;
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) out.push_back(line);
  return out;
}

TEST(DrawingFragments_Real, ReadWithoutReports) {
  const std::vector<std::string> frags = Fragments();
  ASSERT_GE(frags.size(), 30u);
  int fills = 0, lines = 0;
  for (const std::string& f : frags) {
    TXPGDocDrawingFragment doc;
    std::u16string reports;
    doc.Errors().OnError = [&](TXpgPErrors& e) { reports += e.LastErrorText() + u"; "; };
    doc.LoadFromBytes(f);
    EXPECT_TRUE(reports.empty()) << f.substr(0, 200);
    TCT_ShapeProperties* sp = doc.SpPr() ? doc.SpPr() : doc.XdrSpPr() ? doc.XdrSpPr() : doc.CSpPr();
    ASSERT_NE(sp, nullptr) << f.substr(0, 200);
    fills += !sp->A_EG_FillProperties()->Automatic();
    lines += sp->A_Ln() != nullptr;
  }
  EXPECT_GT(fills, 10);
  EXPECT_GT(lines, 10);
}

// Text bodies of shapes (xdr:txBody) and of chart titles, labels and axes (c:rich, c:txPr).
TEST(DrawingFragments_Real, TextBodiesReadWithoutReports) {
  const std::vector<std::string> frags = Fragments("drawing-text-fragments.txt");
  ASSERT_GE(frags.size(), 30u);
  int withText = 0, withDefaults = 0;
  int twoParagraphBoxes = 0;
  for (const std::string& f : frags) {
    TXPGDocDrawingFragment doc;
    std::u16string reports;
    doc.Errors().OnError = [&](TXpgPErrors& e) { reports += e.LastErrorText() + u"; "; };
    doc.LoadFromBytes(f);
    EXPECT_TRUE(reports.empty()) << f.substr(0, 300);
    TCT_TextBody* body = doc.XdrTxBody() ? doc.XdrTxBody() : doc.CRich() ? doc.CRich() : doc.CTxPr();
    ASSERT_NE(body, nullptr) << f.substr(0, 200);
    ASSERT_NE(body->A_PXpgList(), nullptr) << f.substr(0, 200);
    withText += !body->PlainText().empty();
    const TCT_TextParagraphProperties* ppr = body->A_PXpgList()->GetItems(0)->A_PPr();
    withDefaults += ppr && ppr->A_DefRPr();
    // xlsxwriter's text box and its LibreOffice re-save: two paragraphs of bold italic
    // underlined 14 pt Arial (Gnumeric's re-save keeps the text in one plain paragraph).
    if (body->PlainText() == u"First paragraphSecond paragraph" && body->A_PXpgList()->Count() == 2) {
      for (const auto& p : *body->A_PXpgList()) {
        const TCT_TextCharacterProperties* r = p->A_EG_TextRuns()->GetItems(0)->A_R()->A_RPr();
        EXPECT_EQ(r->Sz(), 1400);
        EXPECT_EQ(r->B(), 1);
        EXPECT_EQ(r->I(), 1);
        EXPECT_EQ(r->U(), sttutSng);
        EXPECT_EQ(r->A_Latin()->Typeface(), u"Arial");
      }
      EXPECT_EQ(body->A_BodyPr()->Anchor(), sttatCtr1);
      ++twoParagraphBoxes;
    }
  }
  EXPECT_GT(withText, 10);
  EXPECT_GT(withDefaults, 10);
  EXPECT_EQ(twoParagraphBoxes, 2);
}

TEST(DrawingFragments_Fuzz, NoCrashOnMutatedFragments) {
  std::vector<std::string> corpus = Fragments();
  for (std::string& t : Fragments("drawing-text-fragments.txt")) corpus.push_back(std::move(t));
  ASSERT_FALSE(corpus.empty());
  const auto budget = kws::test::FuzzBudget::FromEnvironment(10.0, 20000);
  const uint64_t n = kws::test::RunFuzz(budget, corpus, 24, [](const std::string& in) {
    TXPGDocDrawingFragment doc;
    try {
      doc.LoadFromBytes(in);
      if (doc.SpPr()) doc.SpPr()->CheckAssigned();
      if (doc.CSpPr()) doc.CSpPr()->CheckAssigned();
      for (TCT_TextBody* b : {doc.XdrTxBody(), doc.CRich(), doc.CTxPr()})
        if (b) {
          b->CheckAssigned();
          (void)b->PlainText();
        }
    } catch (const std::exception&) {
      // malformed input ends in a clean exception
    }
  });
  std::printf("drawing fragment fuzz: %llu inputs\n", static_cast<unsigned long long>(n));
  EXPECT_GT(n, 0u);
}

}  // namespace
}  // namespace xls::xpgdml
