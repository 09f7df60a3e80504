#include "app/findoffice.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

#include "app/mythread.h"
#include "tests/support/tempdir.h"

namespace kws::app {
namespace {

std::filesystem::path DataFile(const char* name) {
  const char* root = std::getenv("KWS_SOURCE_DIR");
  return std::filesystem::path(root ? root : ".") / "tests/data/office" / name;
}

// A fake automation layer: which programs can be had, what each document holds,
// and where the server fails; it records every call.
struct FakeOffice : OfficeAutomation {
  bool word = true, wps = true;
  bool failOpen = false;
  int failFindAt = -1;  // the n-th find (0-based) raises
  std::u16string content = u"alpha beta";
  std::vector<std::string> calls;
  int finds = 0;

  struct Doc : OfficeDocument {
    FakeOffice& f;
    std::string program;
    Doc(FakeOffice& o, std::string p) : f(o), program(std::move(p)) {}
    bool Find(std::u16string_view text) override {
      f.calls.push_back(program + " find [" + std::string(text.begin(), text.end()) + "]");
      if (f.finds++ == f.failFindAt) throw std::runtime_error("server failed");
      return !text.empty() && f.content.find(text) != std::u16string::npos;
    }
    void Close() override { f.calls.push_back(program + " close"); }
  };
  struct App : OfficeApplication {
    FakeOffice& f;
    std::string program;
    App(FakeOffice& o, std::string p) : f(o), program(std::move(p)) {}
    void SetVisible(bool v) override { f.calls.push_back(program + (v ? " visible" : " hidden")); }
    std::unique_ptr<OfficeDocument> Open(const std::filesystem::path& file) override {
      f.calls.push_back(program + " open " + file.filename().string());
      if (f.failOpen) throw std::runtime_error("cannot open");
      return std::make_unique<Doc>(f, program);
    }
  };
  std::unique_ptr<OfficeApplication> Connect(OfficeProgram p) override {
    const bool isWord = p == OfficeProgram::Word;
    calls.push_back(isWord ? "connect word" : "connect wps");
    if (!(isWord ? word : wps)) return nullptr;
    return std::make_unique<App>(*this, isWord ? "word" : "wps");
  }
};

struct OfficeRun {
  FakeOffice fake;
  TOfficeSearchState state;
  std::vector<std::u16string> messages;
  OfficeRun() {
    state.automation = &fake;
    state.showmessage = [this](const std::u16string& m) { messages.push_back(m); };
  }
};

TEST(FindInWord_Routine, OpensHiddenFindsEachKeywordAsTypedAndCloses) {
  OfficeRun r;
  EXPECT_TRUE(findinword("/x/a.doc", u"gamma, beta,\"x,y\"", r.state));
  EXPECT_EQ(r.fake.calls, (std::vector<std::string>{"connect word", "word hidden", "word open a.doc",
                                                    "word find [gamma]", "word find [ beta]", "word close"}))
      << "a keyword with a leading blank is searched with the blank";
  r.fake.calls.clear();
  EXPECT_FALSE(findinwps("/x/b.wps", u"gamma,\"x,y\"", r.state));
  EXPECT_EQ(r.fake.calls, (std::vector<std::string>{"connect wps", "wps hidden", "wps open b.wps",
                                                    "wps find [gamma]", "wps find [x,y]", "wps close"}));
  EXPECT_TRUE(r.messages.empty());
  EXPECT_TRUE(r.state.hasword && r.state.haswps);
}

TEST(FindInWord_Routine, OpenAndSearchFailuresAreMissesWithoutMessages) {
  OfficeRun r;
  r.fake.failOpen = true;
  EXPECT_FALSE(findinword("/x/locked.doc", u"alpha", r.state));
  EXPECT_EQ(r.fake.calls.back(), "word open locked.doc");
  r.fake.failOpen = false;
  // The second find fails: the document is released without closing, the first
  // result stands.
  r.fake.calls.clear();
  r.fake.failFindAt = 1;
  EXPECT_FALSE(findinwps("/x/a.wps", u"zeta,alpha", r.state));
  EXPECT_EQ(r.fake.calls.back(), "wps find [alpha]");
  EXPECT_TRUE(r.messages.empty());
  EXPECT_TRUE(r.state.hasword && r.state.haswps);
}

TEST(FindInWord_Mends, WordMissingTriesTheSameFileWithWps) {
  OfficeRun r;
  r.fake.word = false;
  EXPECT_TRUE(findinword("/x/a.doc", u"alpha", r.state))
      << "the file that found Word missing is searched by WPS";
  EXPECT_FALSE(r.state.hasword);
  EXPECT_TRUE(r.state.haswps);
  EXPECT_EQ(r.messages, (std::vector<std::u16string>{kWordMissingMessage}));
  // Later Word documents go to WPS (the worker's routing) without another
  // message.
  EXPECT_TRUE(findinwps("/x/b.docx", u"beta", r.state));
  EXPECT_EQ(r.messages.size(), 1u);
}

TEST(FindInWord_Mends, EachMissingMessageAtMostOncePerRun) {
  OfficeRun r;
  r.fake.word = r.fake.wps = false;
  EXPECT_FALSE(findinword("/x/a.doc", u"alpha", r.state));
  EXPECT_EQ(r.messages, (std::vector<std::u16string>{kWordMissingMessage, kWpsMissingMessage}));
  EXPECT_FALSE(r.state.hasword);
  EXPECT_FALSE(r.state.haswps);
  EXPECT_FALSE(findinwps("/x/b.doc", u"alpha", r.state));
  EXPECT_FALSE(findinwps("/x/c.docx", u"alpha", r.state));
  EXPECT_EQ(r.messages.size(), 2u);
  // A new run sets the flags true again: the messages may come once more.
  r.state.hasword = r.state.haswps = true;
  EXPECT_FALSE(findinword("/x/d.doc", u"alpha", r.state));
  EXPECT_EQ(r.messages.size(), 4u);
}

TEST(FindInWord_OwnReaders, LibreOfficeDocumentsAndUnreadableFiles) {
  test::TempDir tmp;
  TOfficeSearchState state;  // no automation given: our own readers
  std::vector<std::u16string> messages;
  state.showmessage = [&](const std::u16string& m) { messages.push_back(m); };
  for (const char* name : {"sample.doc", "sample.docx", "sample.wps"}) {
    EXPECT_TRUE(findinword(DataFile(name), u"nothing here,中文关键词", state)) << name;
    EXPECT_TRUE(findinwps(DataFile(name), u"LAZY DOG", state)) << name;
    EXPECT_FALSE(findinword(DataFile(name), u"Struckoutword,fieldcodeurl", state)) << name;
  }
  EXPECT_FALSE(findinword(tmp.Write("fake.doc", "alpha"), u"alpha", state));
  EXPECT_FALSE(findinwps(tmp.path() / "gone.wps", u"alpha", state));
  EXPECT_TRUE(messages.empty());
  EXPECT_TRUE(state.hasword && state.haswps);
}

// The worker over the LibreOffice documents: the routing by extension and flags reaches the
// documents, Word missing sends every Word document to WPS with one message in the run.
class HitsAndMessages final : public TSearchView {
 public:
  void showfilecounts(int32_t) override {}
  void showfinishes(int32_t) override {}
  void addlist(const std::filesystem::path& f) override { hits.push_back(f.filename().string()); }
  void showmessage(const std::u16string& t) override { messages.push_back(t); }
  void endfinding() override {}
  std::vector<std::string> hits;
  std::vector<std::u16string> messages;
};

struct FolderOfOwnReaders : OfficeAutomation {
  bool word = true;
  OwnOfficeAutomation own;
  std::unique_ptr<OfficeApplication> Connect(OfficeProgram p) override {
    return p == OfficeProgram::Word && !word ? nullptr : own.Connect(p);
  }
};

std::vector<std::string> RunWorker(FolderOfOwnReaders& office, std::u16string findtxt,
                                   std::vector<std::u16string>* messages = nullptr) {
  test::TempDir dir;
  for (const char* name : {"sample.doc", "sample.docx", "sample.wps"})
    std::filesystem::copy_file(DataFile(name), dir.path() / name);
  std::filesystem::copy_file(DataFile("sample.doc"), dir.path() / "second.doc");
  TFindText routines;
  routines.office.automation = &office;
  TInlineHandOver handover;
  HitsAndMessages view;
  std::atomic<bool> stopfind{false};
  TMyThread worker(nullptr, dir.path(), "*.doc,*.docx,*.wps", std::move(findtxt), routines, handover, view,
                   stopfind);
  worker.Run();
  if (messages) *messages = view.messages;
  std::sort(view.hits.begin(), view.hits.end());
  return view.hits;
}

TEST(FindInWord_Worker, LibreOfficeDocumentsThroughTheRun) {
  FolderOfOwnReaders office;
  const std::vector<std::string> all{"sample.doc", "sample.docx", "sample.wps", "second.doc"};
  EXPECT_EQ(RunWorker(office, u"absent,КИРИЛЛИЦА"), all);
  EXPECT_EQ(RunWorker(office, u"Struckoutword,fieldcodeurl"), std::vector<std::string>{});
  office.word = false;
  std::vector<std::u16string> messages;
  EXPECT_EQ(RunWorker(office, u"中文关键词", &messages), all);
  EXPECT_EQ(messages, (std::vector<std::u16string>{kWordMissingMessage}));
}

}  // namespace
}  // namespace kws::app
