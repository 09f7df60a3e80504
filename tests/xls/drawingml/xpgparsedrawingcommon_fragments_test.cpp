// Real shape-property fragments (xlsxwriter text boxes and chart formats, their Gnumeric
// re-save, LibreOffice and openpyxl objects; tests/data/xlsx/make_drawing_fragments.py) read
// with no report, and a bounded fuzz run over the fragment reader seeded with them.
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

std::vector<std::string> Fragments() {
  const char* root = std::getenv("KWS_SOURCE_DIR");
  std::ifstream in(std::string(root ? root : ".") + "/tests/data/xlsx/drawing-fragments.txt");
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

TEST(DrawingFragments_Fuzz, NoCrashOnMutatedFragments) {
  const std::vector<std::string> corpus = Fragments();
  ASSERT_FALSE(corpus.empty());
  const auto budget = kws::test::FuzzBudget::FromEnvironment(10.0, 20000);
  const uint64_t n = kws::test::RunFuzz(budget, corpus, 24, [](const std::string& in) {
    TXPGDocDrawingFragment doc;
    try {
      doc.LoadFromBytes(in);
      if (doc.SpPr()) doc.SpPr()->CheckAssigned();
      if (doc.CSpPr()) doc.CSpPr()->CheckAssigned();
    } catch (const std::exception&) {
      // malformed input ends in a clean exception
    }
  });
  std::printf("drawing fragment fuzz: %llu inputs\n", static_cast<unsigned long long>(n));
  EXPECT_GT(n, 0u);
}

}  // namespace
}  // namespace xls::xpgdml
