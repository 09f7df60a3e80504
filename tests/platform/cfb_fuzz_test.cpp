// Mutation fuzzing of the compound-file reader: sound files (written by our
// writer and by LibreOffice) are damaged at random and read through every path.
// Any outcome but a clean read or CfbError (a crash, a hang, a sanitizer
// report, another exception) fails.
//
// The run is bounded by time (KWS_FUZZ_SECONDS, default 20) and by count (KWS_FUZZ_INPUTS,
// default unlimited within the time); KWS_CFB_FUZZ_SEED picks another sequence of inputs.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <random>

#include "platform/cfb.h"
#include "tests/platform/cfb_walk.h"
#include "tests/support/cfbwriter.h"
#include "tests/support/mutator.h"
#include "tests/support/tempdir.h"

namespace kws {
namespace {

std::vector<std::vector<uint8_t>> Seeds() {
  std::vector<std::vector<uint8_t>> seeds;
  for (int major : {3, 4}) {
    test::CfbWriter w(major);
    w.AddStream(u"WordDocument", std::string(5000, 'w'));
    w.AddStream(u"1Table", std::string(300, 't'));
    w.AddStream(u"\u0005SummaryInformation", std::string(120, 's'));
    w.AddStream(u"ObjectPool/_1/Ole", std::string(70, 'o'));
    w.AddStream(u"ObjectPool/_1/Contents", std::string(4200, 'c'));
    const auto b = w.Build().bytes;
    seeds.emplace_back(b.begin(), b.end());
  }
  const char* root = std::getenv("KWS_SOURCE_DIR");
  for (const char* name : {"sample.doc", "sample.xls"}) {
    const auto b = test::ReadFileBytes(std::filesystem::path(root ? root : ".") / "tests/data/office" / name);
    seeds.emplace_back(b.begin(), b.end());
  }
  return seeds;
}

long EnvNumber(const char* name, long fallback) {
  const char* v = std::getenv(name);
  return v ? std::strtol(v, nullptr, 10) : fallback;
}

TEST(CfbFuzz_Mutations, EndInDataOrCleanError) {
  const auto seeds = Seeds();
  const auto budget = test::FuzzBudget::FromEnvironment(20, UINT64_MAX);
  const long seconds = long(budget.seconds);
  const long limit = budget.inputs > uint64_t(LONG_MAX) ? -1 : long(budget.inputs);
  std::mt19937_64 rng(EnvNumber("KWS_CFB_FUZZ_SEED", 12345));
  const uint32_t interesting[] = {0,          1,          2,          3,          0x7F,
                                  0x80,       0x1000,     0xFFFF,     0x7FFFFFFF, 0xFFFFFFFA,
                                  0xFFFFFFFB, 0xFFFFFFFC, 0xFFFFFFFD, 0xFFFFFFFE, 0xFFFFFFFF};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  long runs = 0, clean = 0;
  while ((limit < 0 || runs < limit) && std::chrono::steady_clock::now() < deadline) {
    for (int batch = 0; batch < 64 && (limit < 0 || runs < limit); ++batch, ++runs) {
      std::vector<uint8_t> b = seeds[rng() % seeds.size()];
      const int edits = 1 + int(rng() % 4);
      for (int e = 0; e < edits; ++e) {
        // Header and directory fields matter most: aim there half of the time.
        const size_t span = (rng() & 1) ? std::min<size_t>(b.size(), 4096 + 512) : b.size();
        const size_t at = rng() % span;
        switch (rng() % 4) {
          case 0:
            b[at] ^= uint8_t(1u << (rng() % 8));
            break;
          case 1:
            b[at] = uint8_t(rng());
            break;
          case 2: {
            const uint32_t v =
                (rng() & 1) ? interesting[rng() % std::size(interesting)] : uint32_t(rng() % 64);
            for (int k = 0; k < 4 && at + k < b.size(); ++k) b[at + k] = uint8_t(v >> (8 * k));
            break;
          }
          case 3:
            b.resize(std::max<size_t>(8, b.size() - std::min<size_t>(b.size(), rng() % 2048)));
            break;
        }
      }
      try {
        test::WalkCompound(std::move(b));
        ++clean;
      } catch (const CfbError&) {
      }
    }
  }
  RecordProperty("iterations", std::to_string(runs));
  std::printf("compound-file fuzz: %ld inputs, %ld read without error\n", runs, clean);
  EXPECT_GT(runs, 0);
}

}  // namespace
}  // namespace kws
