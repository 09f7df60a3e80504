// The file watch over inotify: each change of the watched file is reported once, whatever number
// of kernel events it took; neighbours in the folder are not reported; a poll never waits.
#include "platform/filewatch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/tempdir.h"

namespace kws {
namespace {

namespace fs = std::filesystem;

void WriteFile(const fs::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// Writes a new file beside `file` and renames it over it, as programs that save safely do.
void ReplaceFile(const fs::path& file, std::string_view bytes) {
  const fs::path temp = file.parent_path() / (file.filename().string() + ".tmp");
  WriteFile(temp, bytes);
  fs::rename(temp, file);
}

const char* Name(FileChange c) {
  switch (c) {
    case FileChange::None:
      return "None";
    case FileChange::Changed:
      return "Changed";
    case FileChange::Replaced:
      return "Replaced";
    case FileChange::Deleted:
      return "Deleted";
  }
  return "?";
}

TEST(FileWatch_Poll, ChangeReplaceDeleteEachReportedOnce) {
  test::TempDir dir;
  const fs::path file = dir.Write("book.xlsx", "one");
  FileWatch watch;
  ASSERT_TRUE(watch.Start(file));
  EXPECT_TRUE(watch.Active());
  EXPECT_EQ(watch.Poll(), FileChange::None);

  struct Step {
    const char* what;
    std::function<void()> act;
    FileChange expected;
  };
  const Step steps[] = {
      {"written", [&] { WriteFile(file, "two, longer"); }, FileChange::Changed},
      {"written twice between polls",
       [&] {
         WriteFile(file, "three");
         WriteFile(file, "four!");
       },
       FileChange::Changed},
      {"neighbour written", [&] { dir.Write("other.xlsx", "x"); }, FileChange::None},
      {"neighbour renamed", [&] { fs::rename(dir.path() / "other.xlsx", dir.path() / "other2.xlsx"); },
       FileChange::None},
      {"renamed over", [&] { ReplaceFile(file, "five"); }, FileChange::Replaced},
      {"deleted and made anew",
       [&] {
         fs::remove(file);
         WriteFile(file, "six");
       },
       FileChange::Replaced},
      {"mode changed", [&] { fs::permissions(file, fs::perms::owner_read, fs::perm_options::remove); },
       FileChange::None},
      {"deleted", [&] { fs::remove(file); }, FileChange::Deleted},
      {"neighbour deleted", [&] { fs::remove(dir.path() / "other2.xlsx"); }, FileChange::None},
      {"made again", [&] { WriteFile(file, "seven"); }, FileChange::Replaced},
      {"renamed away", [&] { fs::rename(file, dir.path() / "moved.xlsx"); }, FileChange::Deleted},
  };
  for (const Step& s : steps) {
    s.act();
    EXPECT_STREQ(Name(watch.Poll()), Name(s.expected)) << s.what;
    // Reported once: the next poll has nothing more to say.
    EXPECT_STREQ(Name(watch.Poll()), "None") << s.what;
  }
  EXPECT_TRUE(watch.Active());
}

TEST(FileWatch_Poll, HalfWrittenFileWaitsForItsWriterToClose) {
  test::TempDir dir;
  const fs::path file = dir.Write("book.xlsx", "one");
  FileWatch watch;
  ASSERT_TRUE(watch.Start(file));
  {
    std::ofstream out(file, std::ios::binary | std::ios::app);
    out << "more";
    out.flush();
    EXPECT_EQ(watch.Poll(), FileChange::None);
  }
  EXPECT_EQ(watch.Poll(), FileChange::Changed);
}

TEST(FileWatch_Poll, FileMissingAtStartIsReportedWhenItAppears) {
  test::TempDir dir;
  FileWatch watch;
  ASSERT_TRUE(watch.Start(dir.path() / "later.xls"));
  fs::remove(dir.path() / "nothing");
  EXPECT_EQ(watch.Poll(), FileChange::None);
  dir.Write("later.xls", "x");
  EXPECT_EQ(watch.Poll(), FileChange::Replaced);
}

TEST(FileWatch_Poll, FolderRemovedReportsDeletedOnceAndEndsTheWatch) {
  test::TempDir dir;
  const fs::path file = dir.Write("sub/book.xls", "x");
  FileWatch watch;
  ASSERT_TRUE(watch.Start(file));
  fs::remove_all(dir.path() / "sub");
  EXPECT_EQ(watch.Poll(), FileChange::Deleted);
  EXPECT_FALSE(watch.Active());
  EXPECT_EQ(watch.Poll(), FileChange::None);
  // A folder of the same name made again is not watched.
  dir.Write("sub/book.xls", "y");
  EXPECT_EQ(watch.Poll(), FileChange::None);
}

TEST(FileWatch_Start, RefusesWhatCannotBeWatched) {
  test::TempDir dir;
  const fs::path plain = dir.Write("plain", "x");
  FileWatch watch;
  EXPECT_FALSE(watch.Start(fs::path()));
  EXPECT_FALSE(watch.Start(dir.path() / "missing" / "book.xls"));
  EXPECT_FALSE(watch.Start(plain / "book.xls"));  // its "folder" is a file
  EXPECT_FALSE(watch.Active());
  EXPECT_EQ(watch.Poll(), FileChange::None);
}

TEST(FileWatch_Start, RelativeNameIsTakenAgainstTheCurrentFolder) {
  test::TempDir dir;
  const fs::path file = dir.Write("rel.xls", "x");
  const fs::path before = fs::current_path();
  fs::current_path(dir.path());
  FileWatch watch;
  const bool started = watch.Start("rel.xls");
  fs::current_path(before);
  ASSERT_TRUE(started);
  EXPECT_EQ(watch.File(), file);
  WriteFile(file, "changed");
  EXPECT_EQ(watch.Poll(), FileChange::Changed);
}

size_t OpenDescriptors() {
  size_t n = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

TEST(FileWatch_Stop, ReleasesTheNotificationAndNeverWaits) {
  test::TempDir dir;
  const fs::path file = dir.Write("book.xls", "x");
  const size_t before = OpenDescriptors();
  {
    FileWatch watch;
    ASSERT_TRUE(watch.Start(file));
    ASSERT_TRUE(watch.Start(file));  // a second start replaces the first watch
    EXPECT_EQ(OpenDescriptors(), before + 1);
    // Nothing queued: a poll returns at once (a waiting poll would never return here).
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(watch.Poll(), FileChange::None);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
    // Stopping with events queued drops them.
    WriteFile(file, "y");
    watch.Stop();
    EXPECT_FALSE(watch.Active());
    EXPECT_EQ(watch.Poll(), FileChange::None);
    EXPECT_EQ(OpenDescriptors(), before);
    ASSERT_TRUE(watch.Start(file));
  }
  EXPECT_EQ(OpenDescriptors(), before);  // the destructor stops
}

}  // namespace
}  // namespace kws
