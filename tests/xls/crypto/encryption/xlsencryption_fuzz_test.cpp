// Mutation fuzzing of encrypted packages: the streams "EncryptionInfo" and "EncryptedPackage" of
// packages made by the fixture writer (agile with one spin round, standard) are damaged at random
// and put back into a compound file by the tests' writer (now and then the whole file is damaged
// too), then loaded through the component with the right password. A load may end in a workbook
// or in an exception; a crash, a hang or a sanitizer report fails the run. Standard inputs cost
// 50,000 SHA-1 rounds each and are one in twenty. Budget: KWS_FUZZ_SECONDS / KWS_FUZZ_INPUTS.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/mutator.h"
#include "tests/xls/crypto/encryption/encryption_fixtures.h"
#include "xls/crypto/encryption/xlsencryption.h"
#include "xls/xlsxreader/xlsreadxlsx.h"

namespace {

TEST(EncryptedPackageFuzz, EndsInWorkbookOrCleanError) {
  xls::RegisterXLSXReader();
  xls::RegisterEncryptedPackageReader();
  const std::string plain = kws::test::XlsxFixture("openpyxl-cells");
  const std::vector<kws::test::EncryptedStreams> agile = {
      kws::test::StreamsOf(kws::test::EncryptWithScript(plain, "pw", "--method agile --spin-count 1")),
      kws::test::StreamsOf(kws::test::EncryptWithScript(
          plain, "pw", "--method agile --hash SHA1 --key-bits 128 --spin-count 1")),
  };
  const kws::test::EncryptedStreams standard =
      kws::test::StreamsOf(kws::test::EncryptWithScript(plain, "pw", "--method standard"));
  const auto budget = kws::test::FuzzBudget::FromEnvironment(8, 1000000);
  kws::test::Mutator mutator(2828);
  xls::TXLSBook book;
  book.SetPassword(u"pw");
  uint64_t failures = 0, opened = 0;
  const uint64_t runs = kws::test::RunFuzz(budget, {std::string()}, 2829, [&](const std::string&) {
    kws::test::EncryptedStreams s = mutator.Below(20) == 0 ? standard : agile[mutator.Below(2)];
    const uint64_t what = mutator.Below(8);
    if (what < 5) s.info = mutator.Mutate(s.info);
    if (what >= 3 && what < 7) s.package = mutator.Mutate(s.package);
    std::string file = kws::test::Wrap(s);
    if (what == 7) file = mutator.Mutate(file);
    try {
      book.LoadFromBytes(kws::test::AsBytes(file));
      (void)kws::test::CellLines(book);
      ++opened;
    } catch (const std::exception&) {
      ++failures;
    }
  });
  std::printf("encrypted package fuzz: %llu inputs, %llu opened, %llu raised\n", (unsigned long long)runs,
              (unsigned long long)opened, (unsigned long long)failures);
  EXPECT_GT(runs, 0u);
}

}  // namespace
