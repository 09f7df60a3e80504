// Mutation fuzzing of both readers seeded with the real fixtures: packages (one with stored parts,
// so that damage reaches the XML) and legacy workbooks (plain and RC4-protected) are damaged at
// random and loaded from memory. A load may end in a workbook or in an exception; a crash, a hang
// or a sanitizer report fails the run. Budget: KWS_FUZZ_SECONDS / KWS_FUZZ_INPUTS.
#include <gtest/gtest.h>

#include <cstdio>
#include <span>

#include "tests/support/mutator.h"
#include "tests/support/tempdir.h"
#include "tests/xls/realfiles/realfiles.h"
#include "xls/model/xlsbook.h"
#if KWS_FUZZ_XLSX
#include "xls/package/reader/xlsreadxlsx.h"
#endif
#if KWS_FUZZ_XLS
#include "xls/biff/biffreader.h"
#endif

namespace {

// Loads every input and reads all its cells back; counts the loads that raised.
uint64_t Exercise(const std::vector<std::string>& corpus, uint64_t seed, bool legacy, uint64_t& failures) {
  const auto budget = kws::test::FuzzBudget::FromEnvironment(8, 1000000);
  xls::TXLSBook book;
  return kws::test::RunFuzz(budget, corpus, seed, [&](const std::string& input) {
    try {
      book.LoadFromBytes(std::span(reinterpret_cast<const uint8_t*>(input.data()), input.size()), legacy);
      (void)kws::test::CellLines(book);
    } catch (const std::exception&) {
      ++failures;
    }
  });
}

std::string Fixture(const char* area, const char* name) {
  return kws::test::ReadFileBytes(kws::test::RealFilesDir(area) / name);
}

#if KWS_FUZZ_XLSX
TEST(XlsxRealFilesFuzz, EndsInWorkbookOrCleanError) {
  xls::RegisterXLSXReader();
  uint64_t failures = 0;
  const uint64_t runs =
      Exercise({Fixture("xlsx", "xlsxwriter-stored.xlsx"), Fixture("xlsx", "libreoffice-cells.xlsx"),
                Fixture("xlsx", "shared-formulas.xlsx")},
               71, false, failures);
  std::printf("package fuzz: %llu inputs, %llu raised\n", (unsigned long long)runs,
              (unsigned long long)failures);
  EXPECT_GT(runs, 0u);
}
#endif

#if KWS_FUZZ_XLS
TEST(XlsRealFilesFuzz, EndsInWorkbookOrCleanError) {
  xls::biff::RegisterBIFFReader();
  uint64_t failures = 0;
  const uint64_t runs =
      Exercise({Fixture("xls", "gnumeric-biff8.xls"), Fixture("xls", "gnumeric-biff7-cp936.xls"),
                Fixture("xls", "libreoffice-velvet.xls")},
               72, true, failures);
  std::printf("legacy fuzz: %llu inputs, %llu raised\n", (unsigned long long)runs,
              (unsigned long long)failures);
  EXPECT_GT(runs, 0u);
}
#endif

}  // namespace
