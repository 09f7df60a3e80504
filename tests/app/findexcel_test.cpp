// Workbook search of the worker: keywords found in the cells of .xlsx packages through the
// engine, and damaged packages skipped without ending the run.
#include "app/findexcel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>

#include "app/mythread.h"
#include "tests/support/tempdir.h"
#include "tests/support/zipwriter.h"
#include "tests/xls/xlsxreader/readxlsx_fixtures.h"

namespace kws::app {
namespace {

std::string Workbook(std::string_view sheetRows, std::vector<std::string> sst = {}) {
  test::TPackageBuilder b;
  b.Sheet("One", test::WorksheetXml("<row r=\"1\"><c r=\"A1\"><v>12.5</v></c></row>"))
      .Sheet("Two", test::WorksheetXml(sheetRows));
  if (!sst.empty()) b.SharedStrings(test::SharedStringsXml(sst));
  return b.Bytes();
}

// A package whose worksheet part inflates to 16 MiB of zero bytes from a few kilobytes (made once).
const std::string& ZipBomb() {
  static const std::string bomb = [] {
    test::ZipWriter z;
    z.Deflated("[Content_Types].xml",
               "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>");
    z.Deflated(
        "_rels/.rels",
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
        "Id=\"rId1\" Type=\"" +
            std::string(test::kRelNs) + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>");
    z.Deflated("xl/workbook.xml",
               std::string("<workbook xmlns=\"") + test::kMainNs + "\" xmlns:r=\"" + test::kRelNs +
                   "\"><sheets><sheet name=\"B\" sheetId=\"1\" r:id=\"rIdS1\"/></sheets></workbook>");
    z.Deflated(
        "xl/_rels/workbook.xml.rels",
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
        "Id=\"rIdS1\" Type=\"" +
            std::string(test::kRelNs) + "/worksheet\" Target=\"worksheets/sheet1.xml\"/></Relationships>");
    z.Deflated("xl/worksheets/sheet1.xml", std::string(size_t(16) << 20, '\0'));
    return z.Bytes();
  }();
  return bomb;
}

TEST(findinexcel, FindsKeywordsInAnyCellOfAnySheetIgnoringAsciiCase) {
  test::TempDir dir;
  const auto file = dir.Write(
      "book.xlsx", Workbook("<row r=\"3\"><c r=\"C3\" t=\"s\"><v>0</v></c>"
                            "<c r=\"D3\" t=\"inlineStr\"><is><t>\xE4\xB8\xAD\xE6\x96\x87</t></is></c></row>",
                            {"Quarterly Report"}));
  TExcelSearch s;
  EXPECT_TRUE(s.findinexcel(file, u"QUARTERLY"));
  EXPECT_TRUE(s.findinexcel(file, u"missing,report"));
  EXPECT_TRUE(s.findinexcel(file, u"12.5"));  // numbers as their text
  EXPECT_TRUE(s.findinexcel(file, u"\u4E2D\u6587"));
  EXPECT_FALSE(s.findinexcel(file, u"missing"));
  EXPECT_FALSE(s.findinexcel(file, u","));        // empty keywords never match
  EXPECT_FALSE(s.findinexcel(file, u"Report "));  // blanks are part of the keyword
}

TEST(findinexcel, DamagedPackagesRaiseOrMissAndNeverLeaveTheLastWorkbook) {
  test::TempDir dir;
  const std::string good =
      Workbook("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>needle</t></is></c></row>");
  std::string noise(4096, '\0');
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = char((i * 2654435761u) >> 13);
  const std::vector<std::pair<std::string, std::string>> damaged = {
      {"random.xlsx", noise},
      {"zipnoise.xlsx", "PK\x03\x04" + noise},
      {"truncated.xlsx", good.substr(0, good.size() * 2 / 3)},
      {"empty.xlsx", ""},
      {"bomb.xlsx", ZipBomb()},
  };
  TExcelSearch s;
  const auto goodFile = dir.Write("good.xlsx", good);
  for (const auto& [name, bytes] : damaged) {
    ASSERT_TRUE(s.findinexcel(goodFile, u"needle"));
    const auto file = dir.Write(name, bytes);
    bool found = true;
    try {
      found = s.findinexcel(file, u"needle");
    } catch (const std::exception&) {
      found = false;
    }
    EXPECT_FALSE(found) << name;
  }
}

// Records what the worker asks of the window.
class THits : public TSearchView {
 public:
  void showfilecounts(int32_t) override {}
  void showfinishes(int32_t n) override { finishes = n; }
  void addlist(const std::filesystem::path& f) override { hits.push_back(f.filename().string()); }
  void showmessage(const std::u16string&) override {}
  void endfinding() override {}
  std::vector<std::string> hits;
  int32_t finishes = 0;
};

TEST(findinexcel, WorkerSkipsDamagedWorkbooksAndGoesOn) {
  test::TempDir dir;
  dir.Write("a_damaged.xlsx", "PK\x03\x04 not a zip");
  dir.Write("b_bomb.xlsx", ZipBomb());
  dir.Write("c_empty.xlsx", "");
  dir.Write("d_good.xlsx",
            Workbook("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>", {"the Keyword here"}));
  dir.Write("e_other.xlsx", Workbook("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"));
  TFindText routines;
  TInlineHandOver handover;
  THits view;
  std::atomic<bool> stop{false};
  TMyThread worker(nullptr, dir.path(), "*.xlsx", u"keyword", routines, handover, view, stop);
  worker.Run();
  EXPECT_EQ(view.finishes, 5);
  EXPECT_EQ(view.hits, (std::vector<std::string>{"d_good.xlsx"}));
}

// An encrypted workbook that needs a password fails with "Missing password" (the search passes
// none), counts as searched and not a hit, and the run goes on; one encrypted without a user
// password opens with the default password.
TEST(findinexcel, EncryptedWorkbooksWithoutPassword) {
  const std::filesystem::path data = std::filesystem::path(std::getenv("KWS_SOURCE_DIR")) / "tests/data/xlsx";
  TExcelSearch s;
  try {
    s.findinexcel(data / "encrypted-agile-sha1.xlsx", u"Plain text");
    ADD_FAILURE() << "opened without its password";
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "Missing password");
  }
  EXPECT_TRUE(s.findinexcel(data / "encrypted-velvet.xlsx", u"plain TEXT"));

  test::TempDir dir;
  dir.Write("a_locked.xlsx", test::ReadFileBytes(data / "encrypted-agile-sha1.xlsx"));  // holds "Plain text"
  dir.Write("b_velvet.xlsx", test::ReadFileBytes(data / "encrypted-velvet.xlsx"));
  dir.Write("c_plain.xlsx",
            Workbook("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>", {"the Keyword here"}));
  TFindText routines;
  TInlineHandOver handover;
  THits view;
  std::atomic<bool> stop{false};
  TMyThread worker(nullptr, dir.path(), "*.xlsx", u"Plain text,keyword", routines, handover, view, stop);
  worker.Run();
  EXPECT_EQ(view.finishes, 3);
  std::sort(view.hits.begin(), view.hits.end());  // the listing's order within a mask is the system's
  EXPECT_EQ(view.hits, (std::vector<std::string>{"b_velvet.xlsx", "c_plain.xlsx"}));
}

}  // namespace
}  // namespace kws::app
