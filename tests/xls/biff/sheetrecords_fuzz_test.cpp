// Mutation fuzzing of the sheet records with every record handler installed: the workbook streams
// of tests/data/xls-sheets (LibreOffice BIFF8, Gnumeric BIFF8 and BIFF7: views, panes, merged
// areas, hyperlinks, page settings, rules), SheetJS's bare BIFF2-4 files and built bare BIFF2 and
// BIFF4 files (the BIFF4 worksheet reader with ROW, COLINFO, COLWIDTH and FORMULA) are damaged at random and read
// through the component. A load or an engine error is fine; a crash, a hang, a sanitizer report
// or any other exception fails.
//
// Budget: KWS_FUZZ_SECONDS (default 30) and KWS_FUZZ_INPUTS (default 1,000,000), whichever ends
// first; the number of inputs run is printed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/cfb.h"
#include "tests/support/biffbook.h"
#include "tests/support/mutator.h"
#include "tests/xls/biff/frame_fixtures.h"
#include "xls/biff/biffreader.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlsglobals.h"

namespace {

using kws::test::BiffBody;
using kws::test::BiffRecord;

std::string SheetsStream(const char* file, std::u16string& name) {
  const char* root = std::getenv("KWS_SOURCE_DIR");
  const std::string b =
      kws::test::ReadFileBytes(std::filesystem::path(root ? root : ".") / "tests/data/xls-sheets" / file);
  auto compound = kws::OpenCompoundData(std::vector<uint8_t>(b.begin(), b.end()));
  auto s = compound.OpenStream(u"Workbook");
  name = u"Workbook";
  if (!s) {
    s = compound.OpenStream(u"Book");
    name = u"Book";
  }
  const auto d = s->ReadAll();
  return std::string(d.begin(), d.end());
}

TEST(SheetRecordsFuzz_Mutations, LoadOrEngineError) {
  std::vector<std::string> corpus;
  std::vector<std::u16string> streams;  // empty: a bare file
  for (const char* f : {"sheets-libreoffice.xls", "sheets-gnumeric-biff8.xls", "sheets-gnumeric-biff7.xls"}) {
    std::u16string name;
    corpus.push_back(SheetsStream(f, name));
    streams.push_back(name);
  }
  const std::string cells2 = BiffRecord(0x0001, kws::test::Biff2Cell(0, 0)) +
                             BiffRecord(0x0005, kws::test::Biff2Cell(0, 1).U8(1).U8(0)) +
                             BiffRecord(0x0006, kws::test::Biff2Cell(1, 0).F64(2).U8(0).U8(0));
  corpus.push_back(kws::test::BiffBareFile(2, cells2));
  streams.emplace_back();
  // The bare BIFF2-4 files SheetJS wrote (make_sheetjs.py).
  for (const char* f : {"sheetjs-biff2.xls", "sheetjs-biff3.xls", "sheetjs-biff4.xls"}) {
    const char* root = std::getenv("KWS_SOURCE_DIR");
    corpus.push_back(
        kws::test::ReadFileBytes(std::filesystem::path(root ? root : ".") / "tests/data/xls-sheets" / f));
    streams.emplace_back();
  }
  corpus.push_back(kws::test::BiffBareFile(
      4, cells2 + BiffRecord(0x0208, BiffBody().U16(1).U16(0).U16(2).U16(600).U16(0).U16(0).U16(0x60).U16(0)) +
             BiffRecord(0x007D, BiffBody().U16(2).U16(3).U16(5120).U16(0).U16(1).U16(0)) +
             BiffRecord(0x0024, BiffBody().U8(5).U8(6).U16(2560)) +
             BiffRecord(0x0406, BiffBody().U16(2).U16(0).U16(0).U16(0).U32(0).U16(0xFFFF).U16(0).U16(0)) +
             BiffRecord(0x0207, BiffBody().U16(2).Bytes("ok"))));
  streams.emplace_back();

  xls::biff::RegisterBIFFReader();
  xls::ResetXLSGlobals();
  xls::TXLSBook book{xls::FormatSettings()};
  xls::TXLSErrorList warnings;
  book.Errors().SetErrorList(&warnings);
  book.Readers().ReadLegacy = xls::biff::ReadLegacyWorkbook;
  const auto budget = kws::test::FuzzBudget::FromEnvironment(30, 1000000);
  kws::test::Mutator mutator(20261211);
  const auto start = std::chrono::steady_clock::now();
  uint64_t inputs = 0, loaded = 0;
  while (inputs < budget.inputs &&
         std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() < budget.seconds) {
    const size_t k = size_t(mutator.Below(corpus.size()));
    const std::string input = mutator.Mutate(corpus[k]);
    const std::vector<uint8_t> bytes = streams[k].empty() ? xls::biff::test::Bytes(input)
                                                          : xls::biff::test::Compound(input, streams[k]);
    warnings.clear();
    try {
      book.LoadFromBytes(std::span<const uint8_t>(bytes), streams[k].empty());
      ++loaded;
    } catch (const xls::XLSRWException&) {
    } catch (const kws::CfbError&) {
    } catch (const std::exception& e) {
      FAIL() << "input " << inputs << " of seed " << k << ": " << typeid(e).name() << ": " << e.what();
    }
    ++inputs;
  }
  std::printf("sheet-record fuzz: %llu inputs, %llu loaded\n", static_cast<unsigned long long>(inputs),
              static_cast<unsigned long long>(loaded));
  EXPECT_GT(inputs, 0u);
}

}  // namespace
