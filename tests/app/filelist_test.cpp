#include "app/filelist.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "tests/support/tempdir.h"

namespace kws::app {
namespace {

TEST(MatchesMask, Cases) {
  struct Case {
    const char* name;
    const char* mask;
    bool match;
  };
  const Case cases[] = {
      {"a.doc", "*.doc", true},      {"REPORT.DOC", "*.doc", true},  {"x.docx", "*.doc", false},
      {"x.docx", "*.docx", true},    {"x.doc", "*.docx", false},     {".txt", "*.txt", true},
      {"a.b.txt", "*.txt", true},    {"atxt", "*.txt", false},       {"中文.TXT", "*.txt", true},
      {"a1.pas", "a?.pas", true},    {"中.pas", "?.pas", true},      {"ab.pas", "?.pas", false},
      {"anything", "*", true},       {"", "*", true},                {"x.txt.bak", "*.txt", false},
  };
  for (const Case& c : cases) EXPECT_EQ(MatchesMask(c.name, c.mask), c.match) << c.name << " " << c.mask;
}

TEST(SplitMasks, CommasAndBlanks) {
  EXPECT_EQ(SplitMasks("*.doc,*.docx, *.pdf,"), (std::vector<std::string>{"*.doc", "*.docx", "*.pdf"}));
  EXPECT_TRUE(SplitMasks("").empty());
}

TEST(UpperExtension, Cases) {
  EXPECT_EQ(UpperExtension("/x/a.docx"), ".DOCX");
  EXPECT_EQ(UpperExtension("/x/.txt"), ".TXT");
  EXPECT_EQ(UpperExtension("/x.d/noext"), "");
  EXPECT_EQ(UpperExtension("/x/a.b.Pas"), ".PAS");
}

std::vector<std::string> Names(const std::vector<std::filesystem::path>& paths, const std::filesystem::path& root) {
  std::vector<std::string> out;
  for (const auto& p : paths) out.push_back(p.lexically_relative(root).string());
  return out;
}

TEST(getfilelist, GroupedByMaskCaseInsensitiveRecursive) {
  test::TempDir dir;
  dir.Write("a.docx", "");
  dir.Write("b.doc", "");
  dir.Write("sub/REPORT.DOC", "");
  dir.Write("sub/deeper/c.doc", "");
  dir.Write("sub/d.docx", "");
  dir.Write("e.txt", "");
  std::filesystem::create_directories(dir.path() / "folder.doc");  // a folder is never listed
  const auto list = Names(getfilelist(dir.path(), "*.doc,*.docx"), dir.path());
  ASSERT_EQ(list.size(), 5u);
  // Every .doc file comes before every .docx file; a folder's files before its subfolders'.
  std::vector<std::string> docs(list.begin(), list.begin() + 3), docxs(list.begin() + 3, list.end());
  EXPECT_EQ(docs[0], "b.doc");
  std::sort(docs.begin(), docs.end());
  std::sort(docxs.begin(), docxs.end());
  EXPECT_EQ(docs, (std::vector<std::string>{"b.doc", "sub/REPORT.DOC", "sub/deeper/c.doc"}));
  EXPECT_EQ(docxs, (std::vector<std::string>{"a.docx", "sub/d.docx"}));
}

TEST(getfilelist, SameFileUnderTwoMasksTwice) {
  test::TempDir dir;
  dir.Write("a.txt", "");
  EXPECT_EQ(getfilelist(dir.path(), "*.txt,a.*").size(), 2u);
}

TEST(getfilelist, MissingFolderAndUnreadableSubfolder) {
  test::TempDir dir;
  EXPECT_TRUE(getfilelist(dir.path() / "gone", "*.txt").empty());
  dir.Write("ok/a.txt", "");
  dir.Write("locked/b.txt", "");
  const auto locked = dir.path() / "locked";
  ::chmod(locked.c_str(), 0);
  const auto list = Names(getfilelist(dir.path(), "*.txt"), dir.path());
  ::chmod(locked.c_str(), 0755);
  if (::geteuid() == 0) {
    GTEST_SKIP() << "running as root: every folder is readable";
  }
  EXPECT_EQ(list, (std::vector<std::string>{"ok/a.txt"}));
}

TEST(getfilelist, LinkedFolderNotFollowed) {
  test::TempDir dir;
  dir.Write("real/a.txt", "");
  std::filesystem::create_directory_symlink(dir.path(), dir.path() / "real" / "loop");
  EXPECT_EQ(Names(getfilelist(dir.path(), "*.txt"), dir.path()), (std::vector<std::string>{"real/a.txt"}));
}

}  // namespace
}  // namespace kws::app
