// Mutation fuzzing of the macro storage: the dir stream (before and after compression) and a
// module stream of a sound project of ours and of LibreOffice's lo-macros.xls are damaged at random and read
// through TXLSVBA::Read. Any outcome but a read project or a failure with its warning (a crash, a hang, a
// sanitizer report, an exception out of Read) fails.
//
// The run is bounded by time (KWS_FUZZ_SECONDS, default 20) and by count (KWS_FUZZ_INPUTS).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/cfb.h"
#include "tests/support/mutator.h"
#include "tests/support/tempdir.h"
#include "tests/support/vbawriter.h"
#include "xls/biff/biffvba.h"

namespace {

using kws::test::VbaCompress;

std::vector<uint8_t> Bytes(std::string_view s) { return std::vector<uint8_t>(s.begin(), s.end()); }

kws::test::VbaProjectSpec Project() {
  kws::test::VbaProjectSpec p;
  kws::test::VbaModuleSpec m;
  m.name = "Module1";
  m.source =
      "Attribute VB_Name = \"Module1\"\r\nSub A()\r\n  x = \"aaaaaaaaaaaaaaaaaaaaaaaaaaa\"\r\nEnd Sub\r\n";
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
  kws::CfbStorageCopy ours;
  kws::test::PutVbaProject(ours, spec);
  // LibreOffice's project (tests/data/xls-macros/lo-macros.xls): its own dir records and streams.
  const char* root = std::getenv("KWS_SOURCE_DIR");
  const std::string lo = kws::test::ReadFileBytes(std::filesystem::path(root ? root : ".") /
                                                  "tests/data/xls-macros/lo-macros.xls");
  ASSERT_FALSE(lo.empty());
  kws::CfbStorageCopy theirs = kws::OpenCompoundData(Bytes(lo)).CopyToMemory();
  // What an input stands for: a stream of one of the two projects; `compress` when the input is
  // the stream before compression.
  struct Target {
    kws::CfbStorageCopy* file;
    std::u16string path;
    bool compress;
    std::vector<uint8_t> original;
  };
  const std::u16string dirPath = u"_VBA_PROJECT_CUR/VBA/dir";
  const std::u16string loModule = u"_VBA_PROJECT_CUR/VBA/Modul\u00e4";
  std::vector<Target> targets = {
      {&ours, dirPath, true, {}},
      {&ours, dirPath, false, {}},
      {&ours, u"_VBA_PROJECT_CUR/VBA/Module1", false, {}},
      {&theirs, dirPath, false, {}},
      {&theirs, loModule, false, {}},
  };
  std::vector<std::string> corpus;
  for (size_t i = 0; i < targets.size(); ++i) {
    const kws::CfbStorageCopy::Element* e = targets[i].file->Find(targets[i].path);
    ASSERT_NE(e, nullptr);
    targets[i].original = e->data;
    const std::string stored(e->data.begin(), e->data.end());
    // The first byte picks the target.
    corpus.push_back(std::string(1, char(i)) +
                     (targets[i].compress ? kws::test::VbaDirStream(spec) : stored));
  }
  const auto budget = kws::test::FuzzBudget::FromEnvironment(20, UINT64_MAX);
  uint64_t read = 0, failed = 0;
  const uint64_t runs = kws::test::RunFuzz(budget, corpus, 4242, [&](const std::string& input) {
    if (input.empty()) return;
    const std::string rest = input.substr(1);
    Target& t = targets[uint8_t(input[0]) % targets.size()];
    t.file->PutStream(t.path, Bytes(t.compress ? VbaCompress(rest) : rest));
    const kws::CfbStorage file = kws::OpenCompoundData(t.file->Save());
    xls::biff::TXLSVBA vba;
    int warnings = 0;
    vba.OnWarning = [&](std::u16string_view) { ++warnings; };
    const auto result = vba.Read(file);
    if (result == xls::biff::TVBAReadResult::vbarrFailure) {
      ++failed;
      ASSERT_EQ(warnings, 1);
      ASSERT_EQ(vba.ModuleCount(), 0u);
    } else {
      ++read;
      ASSERT_EQ(warnings, 0);
    }
    ASSERT_NE(vba.Saved(), nullptr);
    t.file->PutStream(t.path, t.original);
  });
  std::printf("vba fuzz: %llu inputs, %llu read, %llu failed\n", (unsigned long long)runs,
              (unsigned long long)read, (unsigned long long)failed);
  EXPECT_GT(runs, 0u);
}

}  // namespace
