// A bounded fuzz run over the three pivot part kinds (cache definitions, records, table
// definitions), seeded with the parts of the pivot fixtures of tests/data/xlsx
// (make_pivot_fixtures.py): every mutated part is read into its root list, which either holds
// a definition afterwards or raised and holds none. KWS_FUZZ_SECONDS and KWS_FUZZ_INPUTS set the
// budget of a longer manual run.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/mutator.h"
#include "xls/package/xlsstream.h"
#include "xls/package/xlsziparchiveintf.h"
#include "xls/pivot/xpgpivotroots.h"

namespace xls::xpgpivot {
namespace {

// The pivot parts of the fixtures, each behind a one-letter kind: c, r or t.
std::vector<std::string> PivotParts() {
  const char* root = std::getenv("KWS_SOURCE_DIR");
  const std::string dir = std::string(root ? root : ".") + "/tests/data/xlsx/";
  std::vector<std::string> out;
  for (const char* file : {"libreoffice-pivot-fields.xlsx", "libreoffice-pivot-shared.xlsx",
                           "libreoffice-pivot-dategroup.xlsx", "openpyxl-pivot-resaved.xlsx"}) {
    TXLSZipArchiveIntfXLS zip;
    zip.LoadFromFile(dir + file);
    for (int i = 1; i <= 2; ++i) {
      const std::string n = std::to_string(i);
      const std::pair<char, std::string> names[] = {
          {'c', "xl/pivotCache/pivotCacheDefinition" + n + ".xml"},
          {'r', "xl/pivotCache/pivotCacheRecords" + n + ".xml"},
          {'t', "xl/pivotTables/pivotTable" + n + ".xml"}};
      for (const auto& [kind, name] : names) {
        const std::u16string wide(name.begin(), name.end());
        if (zip.Find(wide) < 0) continue;
        out.push_back(kind + zip.OpenStream(wide)->ReadAll(1 << 24));
      }
    }
  }
  return out;
}

TEST(PivotParts_Fuzz, MutatedPartsLoadWholeOrNotAtAll) {
  const std::vector<std::string> corpus = PivotParts();
  ASSERT_GE(corpus.size(), 12u);
  const auto budget = kws::test::FuzzBudget::FromEnvironment(10.0, 20000);
  uint64_t loaded = 0;
  const uint64_t n = kws::test::RunFuzz(budget, corpus, 27, [&](const std::string& in) {
    if (in.empty()) return;
    const char kind = in[0];
    const std::string_view part = std::string_view(in).substr(1);
    TCT_PivotCacheDefinitions caches;
    TCT_pivotTableDefinitions tables;
    caches.Document().SetBudget(NewPivotBudget(200000));
    try {
      if (kind == 'c' || kind == 'r') {
        TCT_pivotCacheDefinition* d = caches.LoadFromBytes("<pivotCacheDefinition/>");
        if (kind == 'c') {
          d = caches.LoadFromBytes(part);
          if (d && d->CacheFields())
            for (int i = 0; i < d->CacheFields()->Count(); ++i)
              if (const TCT_SharedItems* s = d->CacheFields()->GetItems(i)->SharedItems()) s->Values().IsNumeric();
        } else {
          d->Records()->LoadFromBytes(part);
          for (int r = 0; r < d->Records()->RecordCount(); ++r)
            for (int v = 0; v < d->Records()->ValueCount(r); ++v) d->Records()->Value(r, v);
        }
        if (caches.Count() > 1) caches.GetItems(1)->CheckAssigned();
      } else {
        TXLSViewStream s(part);
        tables.LoadTable(s, &caches);
        if (tables.Count() > 0) tables.GetItems(0)->CheckAssigned();
      }
      ++loaded;
    } catch (const std::exception&) {
      // malformed input ends in a clean exception, and the list keeps no part of it
      EXPECT_EQ(tables.Count(), 0);
      EXPECT_LE(caches.Count(), 1);
    }
  });
  std::printf("pivot part fuzz: %llu inputs, %llu loaded\n", static_cast<unsigned long long>(n),
              static_cast<unsigned long long>(loaded));
  EXPECT_GT(n, 0u);
}

}  // namespace
}  // namespace xls::xpgpivot
