#include "app/mythread.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>

#include "tests/support/biffbook.h"
#include "tests/support/pdfwriter.h"
#include "tests/support/tempdir.h"
#include "tests/support/zipwriter.h"

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

// ---- a folder nobody checked

std::string Package(const std::string& sheetXml, const std::string& workbookRels = "",
                    const std::vector<std::pair<std::string, std::string>>& parts = {}) {
  const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
  test::ZipWriter zip;
  zip.Deflated(
         "[Content_Types].xml",
         R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
         R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
         R"(<Default Extension="xml" ContentType="application/xml"/>)"
         R"(<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>)"
         R"(<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/></Types>)")
      .Deflated("_rels/.rels",
                R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
                R"(<Relationship Id="rId1" Type=")" +
                    rel + R"(officeDocument" Target="xl/workbook.xml"/></Relationships>)")
      .Deflated("xl/workbook.xml",
                R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
                R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
                R"(<sheets><sheet name="S" sheetId="1" r:id="rId1"/></sheets></workbook>)")
      .Deflated("xl/_rels/workbook.xml.rels",
                R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
                R"(<Relationship Id="rId1" Type=")" +
                    rel + R"(worksheet" Target="worksheets/sheet1.xml"/>)" + workbookRels +
                    "</Relationships>")
      .Deflated("xl/worksheets/sheet1.xml", sheetXml);
  for (const auto& [name, data] : parts) zip.Deflated(name, data);
  return zip.Bytes();
}

std::string Sheet(const std::string& rows, const std::string& rootAttributes = "") {
  return R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main")" + rootAttributes +
         "><sheetData>" + rows + "</sheetData></worksheet>";
}

// FIFOs, a socket and device links under searched names, sparse files of 8 GB and damaged or
// costly workbooks and documents, then the good files: the search reads none of the special
// files, counts every file as searched, finds the keyword in the good files listed after them,
// and stops after the file in hand when asked.
TEST(TMyThread_Run, FolderOfHostileFilesEndsAndFindsTheGoodFiles) {
  test::TempDir dir;
  for (const char* name : {"fifo.txt", "fifo.xlsx", "fifo.xls", "fifo.pdf", "fifo.doc", "fifo.docx"})
    ASSERT_EQ(::mkfifo((dir.path() / name).c_str(), 0600), 0);
  for (const auto& [name, target] : {std::pair{"urandom.txt", "/dev/urandom"},
                                     {"zero.pas", "/dev/zero"},
                                     {"zero.xlsx", "/dev/zero"},
                                     {"urandom.xls", "/dev/urandom"},
                                     {"zero.doc", "/dev/zero"},
                                     {"zero.pdf", "/dev/zero"}})
    std::filesystem::create_symlink(target, dir.path() / name);
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(sock, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  const std::string sockName = (dir.path() / "socket.xlsx").string();
  ASSERT_LT(sockName.size(), sizeof addr.sun_path);
  std::memcpy(addr.sun_path, sockName.c_str(), sockName.size());
  ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);
  ::close(sock);
  for (const char* name : {"sparse.xlsx", "sparse.xls", "sparse.doc"})
    std::filesystem::resize_file(dir.Write(name, ""), uintmax_t{8} << 30);

  std::string unused, cells, perElement, theme;
  for (int i = 0; i < 2000; ++i)
    unused += " xmlns:u" + std::to_string(i) + "=\"urn:u" + std::to_string(i) + "\"";
  for (int c = 200; c-- > 0;)
    cells += "<c r=\"" + std::string(1, char('A' + c / 26 % 26)) + char('A' + c % 26) + "1\"><v>1</v></c>";
  dir.Write("prefixes.xlsx", Package(Sheet("<row r=\"1\">" + cells + "</row>", unused)));
  const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/customXml";
  std::string rels;
  for (int i = 2; i < 10; ++i)
    rels += "<Relationship Id=\"rId" + std::to_string(i) + "\" Type=\"" + rel + "\" Target=\"../big.xml\"/>";
  dir.Write("rels.xlsx", Package(Sheet(""), rels, {{"big.xml", "<x>" + std::string(1 << 20, ' ') + "</x>"}}));
  for (int i = 0; i < 100000; ++i) theme += "<a:x/>";
  dir.Write("theme.xlsx",
            Package(Sheet(""),
                    "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                    "relationships/theme\" Target=\"theme/theme1.xml\"/>",
                    {{"xl/theme/theme1.xml",
                      "<a:theme xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\">"
                      "<a:themeElements>" +
                          theme + "</a:themeElements></a:theme>"}}));
  const std::string short8 = test::BiffRecord(0x0203, std::string(8, '\0'));  // a NUMBER record of 8 bytes
  dir.Write("damaged.xls",
            test::BiffCompoundFile(test::BiffWorkbookStream(test::BiffBoundSheet("S"), {short8})));
  for (int i = 0; i < 1000; ++i) {
    const std::string p = "p" + std::to_string(i);
    perElement += "<" + p + ":p xmlns:" + p +
                  "=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><" + p + ":r><" + p +
                  ":t>text</" + p + ":t></" + p + ":r></" + p + ":p>";
  }
  dir.Write(
      "prefix.docx",
      test::ZipWriter()
          .Deflated(
              "[Content_Types].xml",
              R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
              R"(<Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/></Types>)")
          .Deflated(
              "_rels/.rels",
              R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
              R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="word/document.xml"/></Relationships>)")
          .Deflated("word/document.xml",
                    "<w:document "
                    "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>" +
                        perElement + "</w:body></w:document>")
          .Bytes());
  // The good files come last in the listing: the workbook in a subfolder (after the folder's
  // workbooks), the source file under the last mask.
  dir.Write("sub/good.xlsx",
            Package(Sheet(R"(<row r="1"><c r="A1" t="inlineStr"><is><t>the needle</t></is></c></row>)")));
  dir.Write("good.pas", "{ needle }");

  Fixture fx;
  fx.RunFolder(dir.path(), kAllMasks, u"needle");
  ASSERT_EQ(fx.view.filecounts.size(), 1u);
  EXPECT_EQ(fx.view.filecounts[0], 23);
  ASSERT_FALSE(fx.view.finishes.empty());
  EXPECT_EQ(fx.view.finishes.back(), 23) << "every file counts as searched";
  EXPECT_EQ(fx.view.hits, (std::vector<std::string>{"good.xlsx", "good.pas"}));

  Fixture stopped;
  stopped.view.onFinishes = [&](int32_t) { stopped.stopfind = true; };
  stopped.RunFolder(dir.path(), kAllMasks, u"needle");
  EXPECT_EQ(stopped.view.finishes, (std::vector<int32_t>{1}));
  EXPECT_EQ(stopped.view.ends, 1);
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
