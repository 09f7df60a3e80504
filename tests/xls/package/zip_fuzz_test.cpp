// Bounded random-mutation fuzzing of the zip reader with both back-ends: every mutated archive
// either opens and reads, or raises an exception; nothing crashes, hangs or reads out of bounds
// (the test runs under AddressSanitizer and UndefinedBehaviorSanitizer).
// KWS_FUZZ_SECONDS and KWS_FUZZ_INPUTS set the budget of a longer manual run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/support/mutator.h"
#include "tests/support/tempdir.h"
#include "tests/support/zipwriter.h"
#include "xls/package/xlsziparchiveintf.h"

namespace xls {
namespace {

std::vector<std::string> Corpus() {
  std::vector<std::string> corpus;
  const char* root = std::getenv("KWS_SOURCE_DIR");
  const auto dir = std::filesystem::path(root ? root : ".") / "tests/data/zip";
  for (const auto& f : std::filesystem::directory_iterator(dir))
    if (f.path().extension() == ".zip") corpus.push_back(kws::test::ReadFileBytes(f.path()));
  using W = kws::test::ZipWriter;
  corpus.push_back(W().Stored("a.txt", "abc").Deflated("b/c.xml", std::string(3000, 'x') + "<a/>").Bytes());
  corpus.push_back(W().Add("d.xml", std::string(500, 'y'), W::Method::Deflated, true)
                       .Add("e.txt", "stored", W::Method::Stored, true)
                       .Comment("comment")
                       .Bytes());
  return corpus;
}

// The entry names the own reader sees (the interface looks entries up by name only).
std::vector<std::u16string> Names(const std::string& bytes) {
  std::vector<std::u16string> names;
  try {
    TXLSViewStream s(bytes);
    TXLSZipArchive zip;
    zip.OpenRead(s);
    for (int i = 0; i < std::min(zip.Count(), 16); ++i) names.push_back(zip.Items(i).Name());
  } catch (const std::exception&) {
  }
  return names;
}

// Opens the archive and reads every named entry, with a restart and a forward seek; returns the
// bytes read.
size_t Exercise(const std::string& bytes, const std::vector<std::u16string>& names, bool alternate) {
  size_t total = 0;
  try {
    TXLSViewStream s(bytes);
    auto zip = CreateZipArchiveIntf(alternate);
    zip->LoadFromStream(s);
    (void)zip->Find(u"[Content_Types].xml");
    for (const auto& name : names) {
      try {
        auto e = zip->OpenStream(name);
        char buf[4096];
        for (int k = 0; k < 256; ++k) {
          const size_t n = e->Read(buf, sizeof buf);
          if (n == 0) break;
          total += n;
        }
        e->Seek(0, TXLSSeekOrigin::soBeginning);
        e->Seek(10, TXLSSeekOrigin::soCurrent);
        total += e->Read(buf, 100);
      } catch (const std::exception&) {
      }
    }
  } catch (const std::exception&) {
  }
  return total;
}

TEST(ZipFuzz, MutatedArchives_OpenOrFailCleanly) {
  const auto budget = kws::test::FuzzBudget::FromEnvironment(20, 2'000'000);
  const auto corpus = Corpus();
  ASSERT_GE(corpus.size(), 10u);
  size_t bytesRead = 0;
  const uint64_t inputs = kws::test::RunFuzz(budget, corpus, 20261210, [&](const std::string& input) {
    const auto names = Names(input);
    bytesRead += Exercise(input, names, false);
    bytesRead += Exercise(input, names, true);
  });
  // Unmutated seeds must still read (the harness itself works).
  EXPECT_GT(Exercise(corpus.back(), Names(corpus.back()), false), 0u);
  EXPECT_GT(Exercise(corpus.back(), Names(corpus.back()), true), 0u);
  std::printf("zip fuzz: %llu inputs, %zu bytes read\n", static_cast<unsigned long long>(inputs), bytesRead);
  EXPECT_GT(inputs, 0u);
}

}  // namespace
}  // namespace xls
