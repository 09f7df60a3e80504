#include "app/mythread.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <mutex>
#include <set>

#include "tests/support/pdfwriter.h"
#include "tests/support/tempdir.h"

namespace kws::app {
namespace {

// Records what the worker asks of the window.
class TRecordingView : public TSearchView {
 public:
  void showfilecounts(int32_t n) override { filecounts.push_back(n); }
  void showfinishes(int32_t n) override {
    finishes.push_back(n);
    if (onFinishes) onFinishes(n);
  }
  void addlist(const std::filesystem::path& f) override { hits.push_back(f.filename().string()); }
  void showmessage(const std::u16string& t) override { messages.push_back(t); }
  void endfinding() override { ++ends; }

  std::vector<int32_t> filecounts, finishes;
  std::vector<std::string> hits;
  std::vector<std::u16string> messages;
  int ends = 0;
  std::function<void(int32_t)> onFinishes;
};

constexpr const char* kAllMasks = "*.doc,*.docx,*.wps,*.xls,*.xlsx,*.pdf,*.txt,*.pas";

struct Fixture {
  TFindText routines;
  TInlineHandOver handover;
  TRecordingView view;
  std::atomic<bool> stopfind{false};

  void RunFolder(const std::filesystem::path& folder, const std::string& masks, std::u16string findtxt) {
    TMyThread worker(nullptr, folder, masks, std::move(findtxt), routines, handover, view, stopfind);
    worker.Run();
    EXPECT_EQ(worker.filelist, nullptr) << "the list is freed when the run ends";
  }
  void RunList(TFileList list, std::u16string findtxt) {
    TMyThread worker(std::make_unique<TFileList>(std::move(list)), "", "", std::move(findtxt), routines, handover,
                     view, stopfind);
    worker.Run();
  }
};

TEST(TMyThread_Run, RoutesByExtensionAndCounts) {
  test::TempDir dir;
  dir.Write("a.txt", "has alpha inside");
  dir.Write("sub/B.PAS", "unit x; { beta }");
  dir.Write("c.pdf", test::MakePdf({{u"some alpha words"}}));
  dir.Write("d.doc", "alpha");    // not a Word document: unreadable, counted as a miss
  dir.Write("e.xlsx", "alpha");   // workbooks: listed and counted, not searched yet
  dir.Write("f.log", "alpha");    // no mask takes it
  dir.Write("g.txt", "nothing");
  dir.Write("h.pdf", "broken pdf alpha");  // the PDF routine raises: a miss, the run goes on
  const char* root = std::getenv("KWS_SOURCE_DIR");
  ASSERT_NE(root, nullptr) << "KWS_SOURCE_DIR names the source folder";
  std::filesystem::copy_file(std::filesystem::path(root) / "tests/data/app/locked.pdf",
                             dir.path() / "i.pdf");  // locked by a password: a miss too
  Fixture fx;
  fx.RunFolder(dir.path(), kAllMasks, u"alpha, beta, secret");
  EXPECT_EQ(fx.view.filecounts, (std::vector<int32_t>{8}));
  ASSERT_EQ(fx.view.finishes.size(), 8u);
  EXPECT_EQ(fx.view.finishes.back(), 8);
  // Hits come in list order: masks in order (*.pdf before *.txt before *.pas).
  EXPECT_EQ(fx.view.hits, (std::vector<std::string>{"c.pdf", "a.txt", "B.PAS"}));
  EXPECT_EQ(fx.view.ends, 1);
}

TEST(TMyThread_Run, GivenListSkipsVanishedFilesAndFolders) {
  test::TempDir dir;
  const auto a = dir.Write("a.txt", "key");
  const auto b = dir.Write("b.txt", "key");
  const auto c = dir.Write("c.bin", "key");  // any extension is counted, only routed ones are searched
  std::filesystem::remove(b);
  const auto folder = dir.path() / "folder.txt";  // a folder is not a file, whatever its name
  std::filesystem::create_directory(folder);
  Fixture fx;
  fx.RunList({a, b, dir.path(), folder, c, a}, u"key");
  EXPECT_EQ(fx.view.filecounts, (std::vector<int32_t>{6}));
  EXPECT_EQ(fx.view.finishes, (std::vector<int32_t>{1, 2, 3}));
  EXPECT_EQ(fx.view.hits, (std::vector<std::string>{"a.txt", "a.txt"}));
}

TEST(TMyThread_Run, CaseRules) {
  test::TempDir dir;
  dir.Write("upper.TXT", "Keyword");
  dir.Write("lower.txt", "keyword");
  Fixture fx;
  fx.RunFolder(dir.path(), "*.txt", u"keyword");  // the text search is case-sensitive
  EXPECT_EQ(fx.view.filecounts, (std::vector<int32_t>{2}));
  EXPECT_EQ(fx.view.hits, (std::vector<std::string>{"lower.txt"}));
}

TEST(TMyThread_Run, StopEndsAfterTheCurrentFile) {
  test::TempDir dir;
  std::vector<std::filesystem::path> list;
  for (int i = 0; i < 5; ++i) list.push_back(dir.Write("f" + std::to_string(i) + ".txt", "hit"));
  Fixture fx;
  fx.view.onFinishes = [&](int32_t n) {
    if (n == 2) fx.stopfind = true;
  };
  fx.RunList(list, u"hit");
  EXPECT_EQ(fx.view.finishes, (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(fx.view.hits, (std::vector<std::string>{"f0.txt", "f1.txt"})) << "the file in hand is still reported";
  EXPECT_EQ(fx.view.ends, 1);
}

TEST(TMyThread_Run, EmptyAndMissingFolders) {
  test::TempDir dir;
  Fixture fx;
  fx.RunFolder(dir.path(), kAllMasks, u"x");
  fx.RunFolder(dir.path() / "gone", kAllMasks, u"x");
  EXPECT_EQ(fx.view.filecounts, (std::vector<int32_t>{0, 0}));
  EXPECT_TRUE(fx.view.finishes.empty());
  EXPECT_EQ(fx.view.ends, 2);
}

TEST(TMyThread_Run, OfficeFlagsResetAndMessagesHandedOver) {
  Fixture fx;
  fx.routines.office.hasword = false;
  fx.routines.office.haswps = false;
  test::TempDir dir;
  dir.Write("a.txt", "x");
  fx.RunFolder(dir.path(), "*.txt", u"x");
  EXPECT_TRUE(fx.routines.office.hasword);
  EXPECT_TRUE(fx.routines.office.haswps);
  EXPECT_FALSE(fx.routines.office.showmessage) << "no message route outlives the run";
}

// A hand-over that runs the work under a lock from the worker's own thread, as the window's
// blocking hand-over serialises it, and remembers which thread asked.
class TLockedHandOver final : public THandOver {
 public:
  void Run(const std::function<void()>& work) override {
    std::lock_guard<std::mutex> lock(mutex);
    threads.insert(std::this_thread::get_id());
    work();
  }
  std::mutex mutex;
  std::set<std::thread::id> threads;
};

TEST(TMyThread_Start, RunsOnItsOwnThread) {
  test::TempDir dir;
  dir.Write("a.txt", "needle");
  TFindText routines;
  TLockedHandOver handover;
  TRecordingView view;
  std::atomic<bool> stopfind{false};
  {
    TMyThread worker(nullptr, dir.path(), "*.txt", u"needle", routines, handover, view, stopfind);
    worker.Start();
  }  // the destructor waits for the thread
  EXPECT_EQ(view.hits, (std::vector<std::string>{"a.txt"}));
  EXPECT_EQ(view.ends, 1);
  ASSERT_EQ(handover.threads.size(), 1u);
  EXPECT_NE(*handover.threads.begin(), std::this_thread::get_id());
}

}  // namespace
}  // namespace kws::app
