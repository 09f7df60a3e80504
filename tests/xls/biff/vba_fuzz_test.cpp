// Mutation fuzzing of the macro storage: the dir stream (before and after compression) and a
// module stream of a sound project are damaged at random and read through TXLSVBA::Read. Any
// outcome but a read project or a failure with its warning (a crash, a hang, a sanitizer report,
// an exception out of Read) fails.
//
// The run is bounded by time (KWS_FUZZ_SECONDS, default 20) and by count (KWS_FUZZ_INPUTS).
#include <gtest/gtest.h>

#include <cstdio>

#include "platform/cfb.h"
#include "tests/support/mutator.h"
#include "tests/support/vbawriter.h"
#include "xls/biff/biffvba.h"

namespace {

using kws::test::VbaCompress;

std::vector<uint8_t> Bytes(std::string_view s) { return std::vector<uint8_t>(s.begin(), s.end()); }

kws::test::VbaProjectSpec Project() {
  kws::test::VbaProjectSpec p;
  kws::test::VbaModuleSpec m;
  m.name = "Module1";
  m.source = "Attribute VB_Name = \"Module1\"\r\nSub A()\r\n  x = \"aaaaaaaaaaaaaaaaaaaaaaaaaaa\"\r\nEnd Sub\r\n";
  m.cache = std::string(20, 'c');
  kws::test::VbaModuleSpec d;
  d.name = "Sheet1";
  d.document = true;
  d.source = "Attribute VB_Name = \"Sheet1\"\r\n";
  p.modules = {m, d};
  return p;
}

TEST(VBAFuzz_DirWalkAndDecompression, EndInAProjectOrAWarning) {
  const kws::test::VbaProjectSpec spec = Project();
  kws::CfbStorageCopy base;
  kws::test::PutVbaProject(base, spec);
  const std::string dir = kws::test::VbaDirStream(spec);
  const std::string module = spec.modules[0].cache + VbaCompress(spec.modules[0].source);
  // The first byte says what the rest is: 0 the dir stream before compression, 1 the stored dir
  // stream, 2 the stream of Module1.
  const std::vector<std::string> corpus = {std::string(1, '\0') + dir, std::string(1, '\1') + VbaCompress(dir),
                                           std::string(1, '\2') + module};
  const auto budget = kws::test::FuzzBudget::FromEnvironment(20, UINT64_MAX);
  uint64_t read = 0, failed = 0;
  const uint64_t runs = kws::test::RunFuzz(budget, corpus, 4242, [&](const std::string& input) {
    if (input.empty()) return;
    const std::string rest = input.substr(1);
    const int kind = uint8_t(input[0]) % 3;
    const std::u16string path = kind == 2 ? u"_VBA_PROJECT_CUR/VBA/Module1" : u"_VBA_PROJECT_CUR/VBA/dir";
    base.PutStream(path, Bytes(kind == 0 ? VbaCompress(rest) : rest));
    const kws::CfbStorage root = kws::OpenCompoundData(base.Save());
    xls::biff::TXLSVBA vba;
    int warnings = 0;
    vba.OnWarning = [&](std::u16string_view) { ++warnings; };
    const auto result = vba.Read(root);
    if (result == xls::biff::TVBAReadResult::vbarrFailure) {
      ++failed;
      ASSERT_EQ(warnings, 1);
      ASSERT_EQ(vba.ModuleCount(), 0u);
    } else {
      ++read;
      ASSERT_EQ(warnings, 0);
    }
    ASSERT_NE(vba.Saved(), nullptr);
    base.PutStream(path, Bytes(kind == 2 ? module : VbaCompress(dir)));
  });
  std::printf("vba fuzz: %llu inputs, %llu read, %llu failed\n", (unsigned long long)runs,
              (unsigned long long)read, (unsigned long long)failed);
  EXPECT_GT(runs, 0u);
}

}  // namespace
