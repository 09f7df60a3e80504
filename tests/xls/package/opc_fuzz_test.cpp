// Bounded random-mutation fuzzing of the package open: mutated archives (stored entries, so that
// mutations reach the XML of the relationships and content-type parts, and deflated ones) are
// opened with both back-ends and walked through the accessors; every outcome is an open package
// or an exception, never a crash, a hang or a sanitizer report.
// KWS_FUZZ_SECONDS and KWS_FUZZ_INPUTS set the budget of a longer manual run.
#include <gtest/gtest.h>


#include "tests/support/mutator.h"
#include "tests/xls/package/opc_fixtures.h"
#include "xls/package/xlspackageopc.h"

namespace xls {
namespace {

using namespace opcfixtures;

// Opens the package and reads every part the accessors reach; returns the number of parts read.
int Exercise(const std::string& bytes, bool alternate) {
  int parts = 0;
  auto count = [&](const std::unique_ptr<TXLSStream>& s) {
    if (s) {
      char buf[4096];
      while (s->Read(buf, sizeof buf) > 0) {
      }
      ++parts;
    }
  };
  TOPC_XLSX opc;
  try {
    TXLSViewStream s(bytes);
    opc.OpenRead(s, alternate);
    // Each accessor on its own: a part that fails does not hide the others.
    auto attempt = [&](auto&& read) {
      try {
        count(read());
      } catch (const std::exception&) {
      }
    };
    attempt([&] { return opc.ReadWorkbook(); });
    attempt([&] { return opc.ReadStyles(); });
    attempt([&] { return opc.ReadSST(); });
    attempt([&] { return opc.ReadDocPropsCore(); });
    for (int i = 0; opc.FWorkbook && i < opc.FWorkbook->Count(); ++i) {
      const std::u16string id = opc.FWorkbook->Items(i)->GetId();
      try {
        count(opc.OpenAndReadSheet(id));
        for (int k = 0; k < opc.FCurrSheet->Count(); ++k) {
          try {
            count(opc.OpenAndReadDrawing(opc.FCurrSheet->Items(k)->GetId()));
            std::vector<std::u16string> images;
            opc.GetDrawingImages(images);
            std::u16string target;
            for (const auto& img : images) count(opc.ReadDrawingMedia(img, target));
            opc.CloseDrawing();
          } catch (const std::exception&) {
          }
        }
        opc.CloseSheet();
        count(opc.ReadComments(id));
      } catch (const std::exception&) {
      }
    }
    TOPCItemList unused;
    opc.SaveUnchecked(unused);
    opc.Close();
  } catch (const std::exception&) {
  }
  return parts;
}

TEST(OpcFuzz, MutatedPackages_OpenOrFailCleanly) {
  const auto budget = kws::test::FuzzBudget::FromEnvironment(20, 2'000'000);
  const std::vector<std::string> corpus = {Package(StandardParts(), true), Package(StandardParts(), false)};
  int parts = 0;
  const uint64_t inputs = kws::test::RunFuzz(budget, corpus, 4, [&](const std::string& input) {
    parts += Exercise(input, false);
    parts += Exercise(input, true);
  });
  // The unmutated package reads its parts with both back-ends (the harness itself works).
  EXPECT_GT(Exercise(corpus[0], false), 8);
  EXPECT_GT(Exercise(corpus[1], true), 8);
  std::printf("opc fuzz: %llu inputs, %d parts read\n", static_cast<unsigned long long>(inputs), parts);
  EXPECT_GT(inputs, 0u);
}

}  // namespace
}  // namespace xls
