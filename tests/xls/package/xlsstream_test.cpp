// Package streams: memory, view and file streams read, write and seek alike.
#include <gtest/gtest.h>

#include "tests/support/tempdir.h"
#include "xls/package/xlsstream.h"

namespace xls {
namespace {

TEST(MemoryStream, WritesOverAndPastTheEndAndSeeksWithinBounds) {
  TXLSMemoryStream s("abcdef");
  s.SetPosition(4);
  s.WriteBuffer("XYZ", 3);
  EXPECT_EQ(s.Bytes(), "abcdXYZ");
  s.Seek(2, TXLSSeekOrigin::soEnd);
  s.WriteBuffer("!", 1);
  EXPECT_EQ(s.Bytes(), std::string("abcdXYZ\0\0!", 10));
  EXPECT_EQ(s.Seek(-3, TXLSSeekOrigin::soCurrent), 7);
  EXPECT_THROW(s.Seek(-1, TXLSSeekOrigin::soBeginning), std::runtime_error);
  s.SetPosition(0);
  char buf[4];
  s.ReadBuffer(buf, 4);
  EXPECT_EQ(std::string(buf, 4), "abcd");
  s.SetPosition(8);
  EXPECT_THROW(s.ReadBuffer(buf, 4), std::runtime_error);  // "Stream read error"
}

TEST(ViewStream, ReadsTheBytesItViewsAndRefusesWrites) {
  const std::string bytes = "0123456789";
  TXLSViewStream s(bytes);
  EXPECT_EQ(s.Size(), 10);
  s.Seek(-3, TXLSSeekOrigin::soEnd);
  EXPECT_EQ(s.ReadAll(100), "789");
  EXPECT_THROW(s.Write("x", 1), std::runtime_error);
  s.SetPosition(0);
  EXPECT_THROW(s.ReadAll(5), std::runtime_error);  // more than the limit
}

TEST(FileStream, CreatesWritesAndReadsBack) {
  kws::test::TempDir dir;
  const auto file = dir.path() / "f.bin";
  {
    TXLSFileStream out(file, TXLSFileStream::Mode::Create);
    TXLSMemoryStream src(std::string(100000, 'q'));
    EXPECT_EQ(out.CopyFrom(src), 100000);
  }
  TXLSFileStream in(file, TXLSFileStream::Mode::Read);
  EXPECT_EQ(in.Size(), 100000);
  in.SetPosition(99998);
  EXPECT_EQ(in.ReadAll(10), "qq");
  EXPECT_THROW(in.Write("x", 1), std::runtime_error);
  EXPECT_THROW(TXLSFileStream(dir.path() / "missing.bin", TXLSFileStream::Mode::Read), std::runtime_error);
}

}  // namespace
}  // namespace xls
