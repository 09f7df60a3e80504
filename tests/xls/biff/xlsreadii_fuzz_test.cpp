// Mutation fuzzing of the record loop: the workbook streams of the real files (BIFF8, BIFF7,
// BIFF8 protected) and small hand-built streams (early BIFF files, drawings, chart sheets, custom
// views) are damaged at random and read through the whole reader object. A clean load or an
// engine error (XLSRWException, or CfbError from the compound-file layer) is fine; a crash, a
// hang, a sanitizer report or any other exception fails.
//
// Budget: KWS_FUZZ_SECONDS (default 40) and KWS_FUZZ_INPUTS (default 1,000,000), whichever ends
// first; the number of inputs run is printed.
#include <gtest/gtest.h>

#include <cstdio>

#include "platform/cfb.h"
#include "tests/support/mutator.h"
#include "tests/xls/biff/frame_fixtures.h"
#include "xls/biff/xlsreadii.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlserrors.h"

namespace xls::biff {
namespace {

using kws::test::BiffRecord;
using kws::test::Bof2Body;
using kws::test::Bof8Body;
using kws::test::BoundSheet8Body;
using namespace xls::biff::test;

std::string WorkbookStream(const char* file, std::u16string& name) {
  const auto bytes = FrameFile(file);
  auto root = kws::OpenCompoundData(bytes);
  auto s = root.OpenStream(u"Workbook");
  name = u"Workbook";
  if (!s) {
    s = root.OpenStream(u"Book");
    name = u"Book";
  }
  const auto d = s->ReadAll();
  return std::string(d.begin(), d.end());
}

struct Seed {
  std::u16string stream;  // empty: a bare file
};

std::string LoadErrorText(TBIFF5& biff, const std::vector<uint8_t>& bytes) {
  return ErrorText([&] { biff.LoadFromStream(std::span<const uint8_t>(bytes)); });
}

std::string Wrapped(int n, uint16_t id, size_t offset, const std::string& message) {
  char head[80];
  std::snprintf(head, sizeof head, "Error on reading record # %d, %.4X Offs: %.8X\r", n, unsigned(id),
                unsigned(offset));
  return head + message;
}

// (Here rather than with the loop's tests: it makes 131070 sheets, which takes seconds under the
// sanitizers.)
// Each sheet costs kilobytes: a stream of tiny sheet records cannot make more than the format's
// 65535 sheets.
TEST(RecordLoop_Sheets, SheetCountIsCapped) {
  std::string list = BiffRecord(0x0809, Bof8Body(5));
  const std::string entry = BiffRecord(0x0085, BoundSheet8Body("S"));
  for (size_t i = 0; i < MAX_LEGACY_SHEETS + 1; ++i) list += entry;
  Hub hub;
  TBIFF5 biff(hub.M());
  EXPECT_EQ(LoadErrorText(biff, Compound(list)),
            Wrapped(int(MAX_LEGACY_SHEETS) + 1, 0x0085, 20 + entry.size() * (MAX_LEGACY_SHEETS + 1),
                    "Too many sheets in the file"));
  EXPECT_EQ(biff.Sheets().Count(), MAX_LEGACY_SHEETS);

  std::string early;
  for (size_t i = 0; i < MAX_LEGACY_SHEETS + 1; ++i) early += BiffRecord(0x0009, Bof2Body(2, 0x0010));
  TBIFF5 biff2(hub.M());
  EXPECT_EQ(
      LoadErrorText(biff2, Bytes(early)),
      Wrapped(int(MAX_LEGACY_SHEETS), 0x0009, 8 * (MAX_LEGACY_SHEETS + 1), "Too many sheets in the file"));
}

TEST(RecordLoopFuzz_Mutations, CleanLoadOrEngineError) {
  std::vector<std::string> corpus;
  std::vector<Seed> kinds;
  for (const char* f : {"lo-biff8.xls", "lo-biff8-protected.xls", "gn-biff7.xls", "gn-biff8.xls"}) {
    std::u16string name;
    corpus.push_back(WorkbookStream(f, name));
    kinds.push_back({name});
  }
  const std::string eof = BiffRecord(0x000A, "");
  const std::string objChart = std::string("\x15\x00\x12\x00\x05\x00\x01\x00", 8) + std::string(14, '\0');
  corpus.push_back(BiffRecord(0x0809, Bof8Body(5)) + BiffRecord(0x0085, BoundSheet8Body("A")) +
                   BiffRecord(0x0085, BoundSheet8Body("C", 0, 2)) + BiffRecord(0x00EB, "group") +
                   BiffRecord(0x003C, "more") + BiffRecord(0x01AA, "v") + BiffRecord(0x0203, "x") +
                   BiffRecord(0x01AB, "") + eof + BiffRecord(0x0809, Bof8Body(0x10)) +
                   BiffRecord(0x00EC, "d") + BiffRecord(0x005D, objChart) +
                   BiffRecord(0x0809, Bof8Body(0x20)) + eof + BiffRecord(0x0099, "z") + eof +
                   BiffRecord(0x0809, Bof8Body(0x20)) + BiffRecord(0x1002, "c") + eof);
  kinds.push_back({u"Workbook"});
  corpus.push_back(BiffRecord(0x0009, std::string("\x02\x00\x10\x00", 4)) + BiffRecord(0x0099, "a") +
                   BiffRecord(0x020B, std::string(12, '\0')) + BiffRecord(0x0098, "b") + eof);
  kinds.push_back({u""});
  corpus.push_back(BiffRecord(0x0409, std::string("\x04\x00\x10\x00", 4)) +
                   BiffRecord(0x0203, std::string(14, '\1')) + eof);
  kinds.push_back({u""});

  Hub hub;
  TBIFF5 biff(hub.M());
  biff.Handlers().SetBIFF4(0x0203, [](TXLSReadII& r) { (void)r.Body().F64(6); });
  const auto budget = kws::test::FuzzBudget::FromEnvironment(40, 1000000);
  kws::test::Mutator mutator(20261211);
  const auto start = std::chrono::steady_clock::now();
  uint64_t inputs = 0, clean = 0;
  while (inputs < budget.inputs &&
         std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() < budget.seconds) {
    const size_t k = size_t(mutator.Below(corpus.size()));
    const std::string input = mutator.Mutate(corpus[k]);
    // Bare files go in as they are; streams through a compound file.
    const std::vector<uint8_t> bytes =
        kinds[k].stream.empty() ? Bytes(input) : Compound(input, kinds[k].stream);
    hub.book.Clear(0);
    hub.M().FPassword = u"frame-pw";
    try {
      biff.LoadFromStream(std::span<const uint8_t>(bytes));
      ++clean;
    } catch (const XLSRWException&) {
    } catch (const kws::CfbError&) {
    } catch (const std::exception& e) {
      FAIL() << "input " << inputs << " of seed " << k << ": " << typeid(e).name() << ": " << e.what();
    }
    ASSERT_GE(biff.Sheets().Count(), 1u);
    ++inputs;
  }
  std::printf("record-loop fuzz: %llu inputs, %llu loaded cleanly\n", static_cast<unsigned long long>(inputs),
              static_cast<unsigned long long>(clean));
  EXPECT_GT(inputs, 0u);
}

}  // namespace
}  // namespace xls::biff
