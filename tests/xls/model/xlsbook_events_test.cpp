// The component's file watch and direct write: what OnMonitorFile and OnWriteCell see, on which
// thread, and when the watch ends.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "platform/textcodec.h"
#include "tests/support/tempdir.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlscellmmu.h"

namespace xls {
namespace {

namespace fs = std::filesystem;

size_t OpenDescriptors() {
  size_t n = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

// A component whose file name is `file`, as after loading it.
void NameFile(TXLSBook& book, const fs::path& file) {
  book.Manager().FFilename = kws::Utf8ToUtf16(file.string());
}

TEST(Book_MonitorFile, EachChangeFiresOnceOnThePollingThread) {
  kws::test::TempDir dir;
  const fs::path file = dir.Write("book.xlsx", "one");
  TXLSBook book;
  EXPECT_FALSE(book.SetMonitorFile(true)) << "no file name yet";
  EXPECT_FALSE(book.MonitorFile());
  NameFile(book, file);

  std::vector<TXLSFileChange> seen;
  std::optional<std::thread::id> thread;
  book.SetOnMonitorFile([&](TXLSBook& sender, TXLSFileChange change) {
    EXPECT_EQ(&sender, &book);
    seen.push_back(change);
    thread = std::this_thread::get_id();
  });
  ASSERT_TRUE(book.SetMonitorFile(true));
  EXPECT_TRUE(book.MonitorFile());
  EXPECT_EQ(book.PollMonitorFile(), TXLSFileChange::None);

  dir.Write("book.xlsx", "two");
  EXPECT_EQ(book.PollMonitorFile(), TXLSFileChange::Changed);
  const fs::path temp = dir.Write("book.xlsx.tmp", "three");
  fs::rename(temp, file);
  EXPECT_EQ(book.PollMonitorFile(), TXLSFileChange::Replaced);
  fs::remove(file);
  EXPECT_EQ(book.PollMonitorFile(), TXLSFileChange::Deleted);
  EXPECT_EQ(book.PollMonitorFile(), TXLSFileChange::None);

  EXPECT_EQ(seen, (std::vector<TXLSFileChange>{TXLSFileChange::Changed, TXLSFileChange::Replaced,
                                               TXLSFileChange::Deleted}));
  EXPECT_EQ(thread, std::this_thread::get_id());
  EXPECT_TRUE(book.MonitorFile());
  EXPECT_FALSE(book.SetMonitorFile(false));
  EXPECT_FALSE(book.MonitorFile());
}

TEST(Book_MonitorFile, EndsWithClearOtherLoadsAndTheComponent) {
  kws::test::TempDir dir;
  const fs::path file = dir.Write("book.xlsx", "not a workbook");
  const fs::path other = dir.Write("other.xlsx", "not a workbook either");
  const size_t before = OpenDescriptors();
  auto book = std::make_unique<TXLSBook>();
  NameFile(*book, file);
  struct Case {
    const char* what;
    std::function<void(TXLSBook&)> act;
    bool watching;
  };
  const Case cases[] = {
      {"reload of the watched file (even one that fails)",
       [&](TXLSBook& b) { EXPECT_THROW(b.LoadFromFile(file), XLSRWException); }, true},
      {"reload by another spelling of its name",
       [&](TXLSBook& b) { EXPECT_THROW(b.LoadFromFile(dir.path() / "." / "book.xlsx"), XLSRWException); },
       true},
      {"load of another file", [&](TXLSBook& b) { EXPECT_THROW(b.LoadFromFile(other), XLSRWException); },
       false},
      {"load of bytes",
       [&](TXLSBook& b) {
         EXPECT_THROW(b.LoadFromBytes(std::vector<uint8_t>{1, 2, 3}), XLSRWException);
       },
       false},
      {"Clear", [](TXLSBook& b) { b.Clear(); }, false},
      {"Clear with a count", [](TXLSBook& b) { b.Clear(3); }, false},
  };
  for (const Case& c : cases) {
    NameFile(*book, file);
    ASSERT_TRUE(book->SetMonitorFile(true)) << c.what;
    c.act(*book);
    EXPECT_EQ(book->MonitorFile(), c.watching) << c.what;
  }
  NameFile(*book, file);
  ASSERT_TRUE(book->SetMonitorFile(true));
  EXPECT_EQ(OpenDescriptors(), before + 1);
  book.reset();
  EXPECT_EQ(OpenDescriptors(), before);
}

TEST(Book_MonitorFile, HandlerMayClearOrReplaceItselfDuringTheEvent) {
  kws::test::TempDir dir;
  const fs::path file = dir.Write("book.xlsx", "one");
  TXLSBook book;
  NameFile(book, file);
  int calls = 0;
  book.SetOnMonitorFile([&](TXLSBook& b, TXLSFileChange) {
    ++calls;
    b.SetOnMonitorFile(nullptr);  // the running handler is a copy
    b.Clear();                    // ends the watch in the middle of its poll
  });
  ASSERT_TRUE(book.SetMonitorFile(true));
  dir.Write("book.xlsx", "two");
  EXPECT_EQ(book.PollMonitorFile(), TXLSFileChange::Changed);
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(book.MonitorFile());
  dir.Write("book.xlsx", "three");
  EXPECT_EQ(book.PollMonitorFile(), TXLSFileChange::None);
}

TEST(Book_MonitorFile, WatchOfAnotherThreadsComponentNeverHoldsItUp) {
  // The search thread owns its component: it loads and polls between files while another
  // thread writes the watched file. Nothing in the watch waits, so the run ends on its own.
  kws::test::TempDir dir;
  const fs::path file = dir.Write("book.xlsx", "one");
  int changes = 0;
  std::thread search([&] {
    TXLSBook book;
    NameFile(book, file);
    book.SetOnMonitorFile([&](TXLSBook&, TXLSFileChange) { ++changes; });
    ASSERT_TRUE(book.SetMonitorFile(true));
    for (int i = 0; i < 200; ++i) {
      book.Items(0)->SetAsString(0, 0, u"text");
      book.BeginFindText();
      EXPECT_TRUE(book.FindText(u"TEXT", true));
      book.PollMonitorFile();
    }
    dir.Write("book.xlsx", "written by the search thread");
    book.PollMonitorFile();
  });
  for (int i = 0; i < 20; ++i) dir.Write("book.xlsx", "two");
  search.join();
  EXPECT_GE(changes, 1);
}

// ---- direct write

struct WriteCase {
  const char* what;
  std::function<void(TXLSWorksheet&)> write;
  TXLSCellType type;
  std::function<void(const TXLSEventCell&)> check;
};

TEST(Book_DirectWrite, CellsGoToTheEventInsteadOfTheStore) {
  const WriteCase cases[] = {
      {"blank", [](TXLSWorksheet& s) { s.SetAsBlank(2, 5); }, TXLSCellType::xctBlank,
       [](const TXLSEventCell&) {}},
      {"boolean", [](TXLSWorksheet& s) { s.SetAsBoolean(2, 5, true); }, TXLSCellType::xctBoolean,
       [](const TXLSEventCell& c) { EXPECT_TRUE(c.FValBoolean); }},
      {"error", [](TXLSWorksheet& s) { s.SetAsError(2, 5, TXc12CellError::errDiv0); }, TXLSCellType::xctError,
       [](const TXLSEventCell& c) { EXPECT_EQ(c.FValError, TXc12CellError::errDiv0); }},
      {"number", [](TXLSWorksheet& s) { s.SetAsFloat(2, 5, 2.5); }, TXLSCellType::xctFloat,
       [](const TXLSEventCell& c) { EXPECT_EQ(c.FValFloat, 2.5); }},
      {"text", [](TXLSWorksheet& s) { s.SetAsString(2, 5, u"héllo"); }, TXLSCellType::xctString,
       [](const TXLSEventCell& c) { EXPECT_EQ(c.FValString, u"héllo"); }},
  };
  for (const WriteCase& c : cases) {
    TXLSBook book;
    book.Add()->SetName(u"Data");
    int calls = 0;
    book.SetOnWriteCell([&](TXLSEventCell& cell) {
      ++calls;
      EXPECT_EQ(cell.FSheetIndex, 1) << c.what;
      EXPECT_EQ(cell.FSheetName, u"Data") << c.what;
      EXPECT_EQ(cell.FCol, 2) << c.what;
      EXPECT_EQ(cell.FRow, 5) << c.what;
      EXPECT_EQ(cell.FCellType, c.type) << c.what;
      c.check(cell);
    });
    book.SetDirectWrite(true);
    c.write(*book.Items(1));
    EXPECT_EQ(calls, 1) << c.what;
    EXPECT_EQ(book.Items(1)->GetCellType(2, 5), TXLSCellType::xctNone) << c.what << ": not stored";
    // Off again: written to the store, the event stays silent.
    book.SetDirectWrite(false);
    c.write(*book.Items(1));
    EXPECT_EQ(calls, 1) << c.what;
    EXPECT_EQ(book.Items(1)->GetCellType(2, 5), c.type) << c.what;
  }
}

TEST(Book_DirectWrite, SameCellTwiceInARowIsError1005) {
  TXLSBook book;
  book.Add();
  std::vector<std::pair<int32_t, int32_t>> handed;
  book.SetOnWriteCell([&](TXLSEventCell& c) { handed.emplace_back(c.FCol, c.FRow); });
  book.SetDirectWrite(true);
  TXLSWorksheet& s0 = *book.Items(0);
  s0.SetAsFloat(0, 0, 1);
  try {
    s0.SetAsFloat(0, 0, 2);
    ADD_FAILURE() << "no error";
  } catch (const XLSRWException& e) {
    EXPECT_STREQ(e.what(), "E1005: Direct write: Cell column and row can not be the same as previous");
  }
  // Listed instead of raised: the cell is not handed on again.
  book.Errors().SetSaveToList(true);
  s0.SetAsString(0, 0, u"again");
  EXPECT_EQ(book.Errors().LastError(), XLSERR_DIRECT_WRITE_SAME_CELL);
  // Another cell, or the same place of another sheet, is fine; so is a fresh start.
  s0.SetAsFloat(1, 0, 3);
  s0.SetAsFloat(0, 0, 4);
  book.Items(1)->SetAsFloat(0, 0, 5);
  book.SetDirectWrite(false);
  book.SetDirectWrite(true);
  book.Items(1)->SetAsFloat(0, 0, 6);
  EXPECT_EQ(handed, (std::vector<std::pair<int32_t, int32_t>>{{0, 0}, {1, 0}, {0, 0}, {0, 0}, {0, 0}}));
  // Positions outside the sheet raise as the store does.
  EXPECT_THROW(s0.SetAsFloat(16384, 0, 1), XLSRWException);
  EXPECT_THROW(s0.SetAsFloat(0, 1048576, 1), XLSRWException);
  EXPECT_EQ(handed.size(), 5u);
}

TEST(Book_DirectWrite, WithoutAnEventCellsAreStored) {
  TXLSBook book;
  book.SetDirectWrite(true);
  book.Items(0)->SetAsFloat(0, 0, 7);
  EXPECT_EQ(book.Items(0)->GetAsFloat(0, 0), 7);
}

}  // namespace
}  // namespace xls
