#include "platform/filebytes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/support/tempdir.h"

namespace {

std::vector<uint8_t> Pattern(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = uint8_t(i * 131 + (i >> 8));
  return v;
}

TEST(ReadFileBytes, ReadsFilesOfEverySizeWhole) {
  kws::test::TempDir dir;
  for (size_t n : {size_t{0}, size_t{1}, size_t{4096}, (size_t{1} << 20) + 17, (size_t{3} << 20)}) {
    auto want = Pattern(n);
    auto path = dir.path() / ("f" + std::to_string(n));
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(want.data()), std::streamsize(n));
    std::vector<uint8_t> got{1, 2, 3};
    ASSERT_TRUE(kws::ReadFileBytes(path, got)) << n;
    EXPECT_EQ(got, want) << n;
  }
}

TEST(ReadFileBytes, MissingFileOrFolderIsFalse) {
  kws::test::TempDir dir;
  std::vector<uint8_t> got;
  EXPECT_FALSE(kws::ReadFileBytes(dir.path() / "none", got));
  EXPECT_TRUE(got.empty());
  EXPECT_FALSE(kws::ReadFileBytes(dir.path(), got));
}

TEST(ReadStreamBytes, ReadsTheRestAcrossChunks) {
  auto want = Pattern((size_t{2} << 20) + 5);
  std::string text(want.begin(), want.end());
  std::istringstream in("xyz" + text);
  char skip[3];
  in.read(skip, 3);
  EXPECT_EQ(kws::ReadStreamBytes(in), want);
}

}  // namespace
