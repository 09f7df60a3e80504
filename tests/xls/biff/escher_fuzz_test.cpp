// Mutation fuzzing of the drawing readers: the drawing groups and the first sheet drawings of the
// fixtures of tests/data/xls-drawing (LibreOffice and Gnumeric), damaged at random, go straight to
// the drawing group reader (`TEscherGroup::LoadFromBuffer`) and, as record lists, to the sheet
// drawing reader (`TEscherDrawing::LoadFromRecords`) over a store with pictures. An engine error is
// fine; a crash, a hang, a sanitizer report or any other exception fails.
//
// Budget: KWS_FUZZ_SECONDS (default 20) and KWS_FUZZ_INPUTS (default 1,000,000), whichever ends
// first; the number of inputs run is printed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/cfb.h"
#include "tests/support/mutator.h"
#include "tests/xls/biff/frame_fixtures.h"
#include "xls/biff/escherdrawing.h"
#include "xls/biff/escherpictures.h"
#include "xls/model/xlserrors.h"

namespace {

using namespace xls::biff;

uint16_t Le16(const std::string& s, size_t at) { return uint16_t(uint8_t(s[at]) | uint8_t(s[at + 1]) << 8); }

std::string WorkbookStream(const char* file) {
  const char* root = std::getenv("KWS_SOURCE_DIR");
  const std::string b =
      kws::test::ReadFileBytes(std::filesystem::path(root ? root : ".") / "tests/data/xls-drawing" / file);
  auto compound = kws::OpenCompoundData(std::vector<uint8_t>(b.begin(), b.end()));
  const auto d = compound.OpenStream(u"Workbook")->ReadAll();
  return std::string(d.begin(), d.end());
}

// The drawing group's bytes (MSODRAWINGGROUP and the CONTINUE records after it), and the first
// sheet drawing's records in stream form (from the first MSODRAWING on, as long as they can belong
// to it).
void Seeds(const std::string& stream, std::string& group, std::string& drawing) {
  bool inGroup = false, inDrawing = false, done = false;
  int chart = 0;
  for (size_t p = 0; p + 4 <= stream.size() && !done;) {
    const uint16_t id = Le16(stream, p), len = Le16(stream, p + 2);
    const std::string body = stream.substr(p + 4, len), whole = stream.substr(p, 4 + len);
    p += 4 + len;
    if (id == 0x00EB || (inGroup && id == 0x003C)) {
      inGroup = true;
      group += body;
      continue;
    }
    inGroup = false;
    if (chart > 0 || (inDrawing && id == 0x0809)) {
      drawing += whole;
      if (id == 0x0809) ++chart;
      if (id == 0x000A) --chart;
      continue;
    }
    if (id == 0x00EC || (inDrawing && (id == 0x005D || id == 0x01B6 || id == 0x003C || id == 0x007F))) {
      inDrawing = true;
      drawing += whole;
    } else if (inDrawing) {
      done = true;
    }
  }
}

std::vector<TRecordData> AsRecords(const std::string& s) {
  std::vector<TRecordData> out;
  for (size_t p = 0; p + 4 <= s.size();) {
    TRecordData r;
    r.RecId = Le16(s, p);
    const size_t len = std::min<size_t>(Le16(s, p + 2), s.size() - p - 4);
    r.Data.assign(s.begin() + std::ptrdiff_t(p + 4), s.begin() + std::ptrdiff_t(p + 4 + len));
    r.Length = uint16_t(len);
    out.push_back(std::move(r));
    p += 4 + len;
  }
  return out;
}

TEST(EscherFuzz_Mutations, GroupAndSheetDrawingReaders) {
  std::vector<std::string> groups, drawings;
  for (const char* f : {"lo-drawing.xls", "lo-pictures.xls", "gn-drawing.xls"}) {
    std::string g, d;
    Seeds(WorkbookStream(f), g, d);
    ASSERT_FALSE(g.empty()) << f;
    ASSERT_FALSE(d.empty()) << f;
    groups.push_back(g);
    drawings.push_back(d);
  }
  TMSOPictures store;
  store.LoadFromBuffer(std::span(reinterpret_cast<const uint8_t*>(groups[1].data()), groups[1].size()));
  std::vector<int32_t> blips;
  store.GetBlipIds(blips);
  const auto budget = kws::test::FuzzBudget::FromEnvironment(20, 1000000);
  const auto start = std::chrono::steady_clock::now();
  kws::test::Mutator mutator(20261211);
  uint64_t inputs = 0, read = 0;
  while (inputs < budget.inputs &&
         std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() < budget.seconds) {
    const bool group = inputs % 2 == 0;
    const std::vector<std::string>& corpus = group ? groups : drawings;
    const std::string input = mutator.Mutate(corpus[size_t(mutator.Below(corpus.size()))]);
    try {
      if (group) {
        TMSOPictures g;
        g.LoadFromBuffer(std::span(reinterpret_cast<const uint8_t*>(input.data()), input.size()));
      } else {
        TEscherDrawing d(&store, nullptr, nullptr);
        d.LoadFromRecords(AsRecords(input));
        d.AssignBlipIds(blips, [](int32_t) {});
        d.Clear();
      }
      ++read;
    } catch (const xls::XLSRWException&) {
    } catch (const std::exception& e) {
      FAIL() << "input " << inputs << ": " << typeid(e).name() << ": " << e.what();
    }
    ++inputs;
  }
  std::printf("drawing fuzz: %llu inputs, %llu read whole\n", static_cast<unsigned long long>(inputs),
              static_cast<unsigned long long>(read));
  EXPECT_GT(inputs, 0u);
}

}  // namespace
