#include "platform/filebytes.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
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

TEST(MappedFile, MapsRegularFilesOnly) {
  kws::test::TempDir dir;
  // A small file is mapped, one of a huge page and more is read into huge pages: the same bytes.
  for (const size_t size : {size_t{100000}, (size_t{5} << 20) + 3}) {
    auto want = Pattern(size);
    auto path = dir.path() / "f";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(want.data()), std::streamsize(want.size()));
    kws::MappedFile f(path);
    ASSERT_TRUE(f.ok());
    EXPECT_TRUE(std::equal(want.begin(), want.end(), f.bytes().begin(), f.bytes().end())) << size;
  }
  std::ofstream(dir.path() / "empty");
  kws::MappedFile empty(dir.path() / "empty");
  EXPECT_TRUE(empty.ok());
  EXPECT_TRUE(empty.bytes().empty());
  EXPECT_FALSE(kws::MappedFile(dir.path()).ok());
  EXPECT_FALSE(kws::MappedFile(dir.path() / "none").ok());
}

TEST(RegularFile, OpensRegularFilesOnlyWithoutBlocking) {
  kws::test::TempDir dir;
  const auto plain = dir.Write("plain.txt", "0123456789");
  const auto fifo = dir.path() / "fifo.txt";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);  // no writer: a blocking open would wait for ever
  std::filesystem::create_symlink("/dev/zero", dir.path() / "zero.xlsx");
  std::filesystem::create_symlink(plain, dir.path() / "link.txt");
  struct Case {
    std::filesystem::path file;
    kws::RegularFile::State state;
  };
  const Case cases[] = {{plain, kws::RegularFile::State::Open},
                        {dir.path() / "link.txt", kws::RegularFile::State::Open},
                        {fifo, kws::RegularFile::State::NotRegular},
                        {dir.path() / "zero.xlsx", kws::RegularFile::State::NotRegular},
                        {dir.path(), kws::RegularFile::State::Folder},
                        {dir.path() / "none", kws::RegularFile::State::Missing},
                        {plain / "below", kws::RegularFile::State::Missing}};
  for (const Case& c : cases) {
    const kws::RegularFile f(c.file);
    EXPECT_EQ(f.state(), c.state) << c.file;
    char b[4];
    if (!f.ok()) {
      EXPECT_EQ(f.ReadAt(b, sizeof b, 0), -1) << c.file;
    }
    EXPECT_FALSE(kws::MappedFile(c.file).ok() && c.state != kws::RegularFile::State::Open) << c.file;
  }
  const kws::RegularFile f(plain);
  EXPECT_EQ(f.size(), 10u);
  char b[8] = {};
  EXPECT_EQ(f.ReadAt(b, 8, 6), 4);  // fewer only at the end
  EXPECT_EQ(std::string(b, 4), "6789");
  // The name handed to libraries opens the same file, even once its name is taken by a FIFO.
  const auto again = f.ReopenName();
  std::filesystem::remove(plain);
  ASSERT_EQ(::mkfifo(plain.c_str(), 0600), 0);
  EXPECT_EQ(kws::test::ReadFileBytes(again), "0123456789");
}

TEST(PageBuffer, ZeroedWritableAndMovable) {
  // Below a huge page: the size asked for. From one on: whole huge pages on their boundaries.
  kws::PageBuffer small(100000);
  EXPECT_EQ(small.size(), 100000u);
  kws::PageBuffer a(3 << 20);
  ASSERT_EQ(a.size(), size_t{4} << 20);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(a.data()) % kws::PageBuffer::kHugePage, 0u);
  EXPECT_TRUE(std::all_of(a.bytes().begin(), a.bytes().end(), [](uint8_t b) { return b == 0; }));
  a.data()[a.size() - 1] = 7;
  kws::PageBuffer b(std::move(a));
  EXPECT_EQ(a.size(), 0u);
  EXPECT_EQ(b.bytes().back(), 7);
  a = std::move(b);
  EXPECT_EQ(a.bytes().back(), 7);
  EXPECT_TRUE(kws::PageBuffer(0).bytes().empty());
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
