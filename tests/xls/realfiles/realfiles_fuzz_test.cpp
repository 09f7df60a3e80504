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
#include "xls/model/xlscellmmu.h"
#if KWS_FUZZ_XLSX
#include "xls/xlsxreader/xlsreadxlsx.h"
#endif
#if KWS_FUZZ_XLS
#include "xls/biff/biffreader.h"
#endif

namespace {

// Loads every input and reads all its cells back; reports how many inputs ran and how many raised.
void Exercise(const char* label, const std::vector<std::string>& corpus, uint64_t seed, bool legacy) {
  const auto budget = kws::test::FuzzBudget::FromEnvironment(8, 1000000);
  xls::TXLSBook book;
  uint64_t failures = 0;
  const uint64_t runs = kws::test::RunFuzz(budget, corpus, seed, [&](const std::string& input) {
    try {
      book.LoadFromBytes(std::span(reinterpret_cast<const uint8_t*>(input.data()), input.size()), legacy);
      (void)kws::test::CellLines(book);
    } catch (const std::exception&) {
      ++failures;
      return;
    }
    // Every formula decodes to text or raises the engine's error, never anything else.
    for (size_t i = 0; i < book.Count(); ++i) {
      xls::TXLSWorksheet& sheet = *book.Items(i);
      xls::TXLSCellMMU& cells = sheet.Cells();
      cells.BeginIterateRow(-1);
      while (cells.IterateNextRow()) {
        cells.BeginIterateCol();
        while (cells.IterateNextCol()) {
          try {
            (void)sheet.GetAsFormula(cells.IterCellCol(), cells.IterCellRow());
          } catch (const xls::XLSRWException&) {
          }
        }
      }
    }
  });
  std::printf("%s fuzz: %llu inputs, %llu raised\n", label, (unsigned long long)runs,
              (unsigned long long)failures);
  EXPECT_GT(runs, 0u);
}

std::string Fixture(const char* area, const char* name) {
  return kws::test::ReadFileBytes(kws::test::RealFilesDir(area) / name);
}

#if KWS_FUZZ_XLSX
TEST(XlsxRealFilesFuzz, EndsInWorkbookOrCleanError) {
  xls::RegisterXLSXReader();
  Exercise("package",
           {Fixture("xlsx", "xlsxwriter-stored.xlsx"), Fixture("xlsx", "libreoffice-cells.xlsx"),
            Fixture("xlsx", "shared-formulas.xlsx")},
           71, false);
}
#endif

#if KWS_FUZZ_XLS
TEST(XlsRealFilesFuzz, EndsInWorkbookOrCleanError) {
  xls::biff::RegisterBIFFReader();
  Exercise("legacy",
           {Fixture("xls", "gnumeric-biff8.xls"), Fixture("xls", "gnumeric-biff7-cp936.xls"),
            Fixture("xls", "libreoffice-velvet.xls"), Fixture("formula", "libreoffice-biff8-names.xls"),
            Fixture("formula", "gnumeric-names-biff7.xls"), Fixture("formula", "gnumeric-names-biff8.xls")},
           72, true);
}
#endif

}  // namespace
