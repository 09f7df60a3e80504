// Routing of mutated compound files, zip headers and plain bytes through the component: every
// input either loads through a reader or raises XLSRWException, and a failure leaves an empty model.
#include <gtest/gtest.h>

#include "tests/support/cfbwriter.h"
#include "tests/support/mutator.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlsworksheetdata.h"

namespace xls {
namespace {

TEST(BookFuzz_Routing, MutatedInputsLoadOrRaiseCleanly) {
  std::vector<std::string> corpus;
  for (const char16_t* stream : {u"Workbook", u"Book", u"EncryptionInfo", u"Other"}) {
    kws::test::CfbWriter w;
    w.AddStream(stream, std::string(700, 'w'));
    w.AddStream(u"Dir/Inner", std::string(5000, 'i'));
    corpus.push_back(w.Build().bytes);
  }
  corpus.push_back(std::string("PK\x03\x04", 4) + std::string(60, 'z'));
  corpus.push_back("{\\rtf1 text}");

  TXLSBook book;
  book.Readers().ReadPackage = [](TXLSBook& b, std::span<const uint8_t>) { b.Manager().Worksheets().Add(-1); };
  book.Readers().ReadLegacy = [](TXLSBook& b, std::span<const uint8_t>) { b.Manager().Worksheets().Add(-1); };
  book.Readers().DecryptPackage = [](TXLSBook&, std::span<const uint8_t>, const std::u16string&, std::vector<uint8_t>&) {
    return TXLSCryptoResult::xcrWrongPassword;
  };
  const auto budget = kws::test::FuzzBudget::FromEnvironment(5.0, 3000);
  const uint64_t runs = kws::test::RunFuzz(budget, corpus, 20261211, [&](const std::string& input) {
    const std::span<const uint8_t> data(reinterpret_cast<const uint8_t*>(input.data()), input.size());
    try {
      book.LoadFromBytes(data);
      EXPECT_EQ(book.Count(), 1u);
    } catch (const XLSRWException&) {
      EXPECT_EQ(book.Count(), 0u);
    }
  });
  EXPECT_GT(runs, 0u);
}

}  // namespace
}  // namespace xls
