// Workbook packages written by xlsxwriter, openpyxl, LibreOffice and Gnumeric (tests/data/xlsx,
// made by its make_fixtures.py) are loaded through the component and compared with what openpyxl
// read from the same files: every cell's text, and the merged areas, hyperlinks, comments and
// defined names. Damaged packages must raise and leave no cells behind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/textcodec.h"
#include "tests/support/tempdir.h"
#include "tests/support/zipwriter.h"
#include "tests/xls/realfiles/realfiles.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlscellarea.h"
#include "xls/model/xlsworkbookdata.h"
#include "xls/model/xlsworksheetdata.h"
#include "xls/xlsxreader/xlsreadxlsx.h"

namespace {

using kws::test::RealFilesDir;

const char* const kPackages[] = {
    "xlsxwriter-cells",  "xlsxwriter-inline", "xlsxwriter-stored", "openpyxl-cells",
    "openpyxl-isodates", "shared-formulas",   "libreoffice-cells", "gnumeric-cells",
};

class XlsxRealFile : public kws::test::RealFileTest {
 protected:
  XlsxRealFile() : RealFileTest("xlsx") {}
  static void SetUpTestSuite() { xls::RegisterXLSXReader(); }
};

TEST_P(XlsxRealFile, Cells_MatchOpenpyxl) {
  const auto expected = kws::test::ReadLines(File(".tsv"));
  ASSERT_FALSE(expected.empty()) << File(".tsv");
  xls::TXLSBook book;
  book.LoadFromFile(File(".xlsx"));
  EXPECT_EQ(kws::test::DiffCellLines(expected, kws::test::CellLines(book)), "");
}

// Merged areas, hyperlinks, comments and defined names as the model holds them, in the lines of
// NAME.objects.
std::vector<std::string> ObjectLines(xls::TXLSBook& book) {
  using kws::test::Escaped;
  std::vector<std::string> lines;
  for (size_t s = 0; s < book.Count(); ++s) {
    xls::TXLSWorksheet& sheet = *book.Items(s);
    const std::string name = Escaped(sheet.Name());
    xls::TXc12DataWorksheet& data = sheet.Xc12Sheet();
    for (size_t i = 0; i < data.MergedCells().Count(); ++i) {
      const auto* a = data.MergedCells().Items(i);
      lines.push_back("merge\t" + name + '\t' +
                      Escaped(xls::AreaToRefStr(a->Col1(), a->Row1(), a->Col2(), a->Row2())));
    }
    for (size_t i = 0; i < data.Hyperlinks().Count(); ++i) {
      const auto* link = data.Hyperlinks().Link(i);
      const std::u16string& target = link->FAddress.empty() ? link->FLocation : link->FAddress;
      lines.push_back("link\t" + name + '\t' + Escaped(xls::ColRowToRefStr(link->Col1(), link->Row1())) +
                      '\t' + Escaped(target));
    }
    for (size_t i = 0; i < data.Comments().Count(); ++i) {
      const auto* c = data.Comments().Items(i);
      lines.push_back("comment\t" + name + '\t' + Escaped(xls::ColRowToRefStr(c->Col(), c->Row())) + '\t' +
                      Escaped(c->FText));
    }
  }
  auto& names = book.Manager().Workbook().DefinedNames();
  for (size_t i = 0; i < names.Count(); ++i) {
    const auto* n = names.Items(i);
    if (n->Deleted() || n->BuiltIn() != xls::TXc12BuiltInName::bnNone) continue;
    std::string scope;
    if (n->LocalSheetId() >= 0 && size_t(n->LocalSheetId()) < book.Count())
      scope = Escaped(book.Items(size_t(n->LocalSheetId()))->Name());
    lines.push_back("name\t" + scope + '\t' + Escaped(n->Name()));
  }
  return lines;
}

// The packages that hold merged areas, hyperlinks, comments or defined names.
const char* const kPackagesWithObjects[] = {"xlsxwriter-cells", "xlsxwriter-stored", "openpyxl-cells",
                                            "libreoffice-cells", "gnumeric-cells"};

using XlsxRealFileObjects = XlsxRealFile;

TEST_P(XlsxRealFileObjects, Objects_MatchOpenpyxl) {
  const auto expected = kws::test::ReadLines(File(".objects"));
  ASSERT_FALSE(expected.empty()) << File(".objects");
  xls::TXLSBook book;
  book.LoadFromFile(File(".xlsx"));
  EXPECT_EQ(kws::test::DiffLineSets(expected, ObjectLines(book)), "");
}

INSTANTIATE_TEST_SUITE_P(Packages, XlsxRealFile, testing::ValuesIn(kPackages), kws::test::FixtureTestName);
INSTANTIATE_TEST_SUITE_P(Packages, XlsxRealFileObjects, testing::ValuesIn(kPackagesWithObjects),
                         kws::test::FixtureTestName);

// ---- search over real packages

struct Probe {
  const char* file;
  const char16_t* keyword;
  bool found;
};

TEST(XlsxRealFiles, Search_FindsCellTextOnly) {
  xls::RegisterXLSXReader();
  const Probe probes[] = {
      {"xlsxwriter-cells", u"last cell xfd", true},        // the cell at XFD1048576, other letter case
      {"xlsxwriter-cells", u"Total 15", true},             // a cached text formula result
      {"xlsxwriter-cells", u"#N/A", true},                 // a cached error
      {"xlsxwriter-cells", u"1.23456789012346E15", true},  // a number in general form
      {"xlsxwriter-cells", u"commentword", false},         // comments are not searched
      {"xlsxwriter-cells", u"A1*2", false},                // nor formula texts
      {"xlsxwriter-inline", u"Rich and text", true},       // a rich inline string, runs joined
      {"openpyxl-cells", u"右下角", true},
      {"openpyxl-isodates", u"45351", true},  // an ISO date cell as its serial number
      {"libreoffice-cells", u"sum 3.55", true},
      {"shared-formulas", u"Row 10", true},  // a shared-formula follower's cached text
  };
  for (const Probe& p : probes) {
    xls::TXLSBook book;
    book.LoadFromFile(RealFilesDir("xlsx") / (std::string(p.file) + ".xlsx"));
    book.BeginFindText();
    EXPECT_EQ(book.FindText(p.keyword, true), p.found) << p.file << " " << kws::Utf16ToUtf8(p.keyword);
  }
}

// ---- damaged packages

// A minimal package whose one sheet is `sheetXml`, packed as given.
std::string Package(const std::string& sheetPacked, uint32_t crc, uint32_t declaredSize) {
  kws::test::ZipWriter zip;
  zip.Deflated(
      "[Content_Types].xml",
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
      "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
      "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
      "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
      "<Override PartName=\"/xl/workbook.xml\" "
      "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
      "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
      "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/></Types>");
  zip.Deflated("_rels/.rels",
               "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
               "<Relationship Id=\"rId1\" "
               "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
               "Target=\"xl/workbook.xml\"/></Relationships>");
  zip.Deflated("xl/workbook.xml",
               "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
               "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
               "<sheets><sheet name=\"Only\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>");
  zip.Deflated("xl/_rels/workbook.xml.rels",
               "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
               "<Relationship Id=\"rId1\" "
               "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
               "Target=\"worksheets/sheet1.xml\"/></Relationships>");
  zip.AddPacked("xl/worksheets/sheet1.xml", 8, sheetPacked, crc, declaredSize);
  return zip.Bytes();
}

const std::string kSheetHead =
    "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>"
    "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>packagetext</t></is></c></row>";
const std::string kSheetTail = "</sheetData></worksheet>";

uint32_t Crc32(const std::string& data) {
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char b : data) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void ExpectCleanFailure(const std::string& name, const std::string& bytes) {
  kws::test::ExpectCleanFailure(RealFilesDir("xlsx") / "xlsxwriter-cells.xlsx", name, bytes);
}

TEST(XlsxDamaged, Package_RaisesAndLeavesNothing) {
  xls::RegisterXLSXReader();
  // The minimal package itself is sound, so what fails below is the damage alone.
  {
    const std::string sheet = kSheetHead + kSheetTail;
    kws::test::TempDir dir;
    xls::TXLSBook book;
    book.LoadFromFile(
        dir.Write("sound.xlsx", Package(kws::test::RawDeflate(sheet), Crc32(sheet), uint32_t(sheet.size()))));
    EXPECT_EQ(kws::test::CellLines(book), std::vector<std::string>{"Only\tA1\tpackagetext"});
  }
  const std::string random = kws::test::NoiseBytes(20000, 20261211);
  ExpectCleanFailure("random.xlsx", random);
  ExpectCleanFailure("zipsignature.xlsx", "PK\x03\x04" + random);
  ExpectCleanFailure("empty.xlsx", "");
  const std::string real = kws::test::ReadFileBytes(RealFilesDir("xlsx") / "libreoffice-cells.xlsx");
  // Cut inside the parts' local records (a cut behind them, in the central directory, is mended
  // by scanning the local headers: see below).
  for (size_t keep : {size_t(30), real.size() / 4, real.size() / 2, real.size() * 3 / 4})
    ExpectCleanFailure("truncated" + std::to_string(keep) + ".xlsx", real.substr(0, keep));

  // A zip bomb: 16 MiB of blanks in the sheet packed to a few kilobytes and declared beyond what
  // an entry may give.
  const std::string bomb = kSheetHead + std::string(16u << 20, ' ') + kSheetTail;
  const std::string packed = kws::test::RawDeflate(bomb);
  ASSERT_LT(packed.size(), 64u << 10);
  ExpectCleanFailure("bomb-declared-huge.xlsx", Package(packed, Crc32(bomb), 0xFFFFFFFFu));
}

// A package cut inside its central directory or its end record still holds every part whole: the
// directory is rebuilt from the local headers and the load gives every cell.
TEST(XlsxDamaged, CentralDirectoryCut_PartsFoundByScan) {
  xls::RegisterXLSXReader();
  const auto dir = RealFilesDir("xlsx");
  const std::string real = kws::test::ReadFileBytes(dir / "libreoffice-cells.xlsx");
  const auto expected = kws::test::ReadLines(dir / "libreoffice-cells.tsv");
  for (size_t cut : {size_t(200), size_t(12)}) {
    kws::test::TempDir temp;
    xls::TXLSBook book;
    book.LoadFromFile(temp.Write("cut.xlsx", real.substr(0, real.size() - cut)));
    EXPECT_EQ(kws::test::DiffCellLines(expected, kws::test::CellLines(book)), "") << cut;
  }
}

// Sparse files of 8 GB that start with a zip signature cost the time and memory of what they
// hold, not of their size: a sound package followed by holes loads (its end record is lost in the
// holes, so the directory is rebuilt from the local headers) and a bare signature followed by
// holes fails at once. Neither is read whole into memory.
TEST(XlsxDamaged, SparseFile_CostsWhatItHolds) {
  xls::RegisterXLSXReader();
  const auto dir = RealFilesDir("xlsx");
  const std::string real = kws::test::ReadFileBytes(dir / "libreoffice-cells.xlsx");
  kws::test::TempDir temp;
  const long before = kws::test::PeakResidentMiB();
  xls::TXLSBook book;
  book.LoadFromFile(kws::test::SparseCopy(temp.path(), "padded.xlsx", real, uint64_t{8} << 30));
  EXPECT_EQ(kws::test::DiffCellLines(kws::test::ReadLines(dir / "libreoffice-cells.tsv"),
                                     kws::test::CellLines(book)),
            "");
  EXPECT_THROW(book.LoadFromFile(kws::test::SparseCopy(temp.path(), "signature.xlsx",
                                                       std::string("PK\x03\x04", 4), uint64_t{8} << 30)),
               xls::XLSRWException);
  EXPECT_TRUE(kws::test::CellLines(book).empty());
  EXPECT_LT(kws::test::PeakResidentMiB() - before, 256);
}

// The same bomb declared at 200 bytes: the entry stops at its declared size, so the load either
// raises or reads only the cell inside those bytes; the blanks behind them are never inflated
// into the model.
TEST(XlsxDamaged, BombDeclaredSmall_StopsAtDeclaredSize) {
  xls::RegisterXLSXReader();
  const std::string bomb = kSheetHead + std::string(16u << 20, ' ') + kSheetTail;
  kws::test::TempDir dir;
  const auto file =
      dir.Write("bomb-declared-small.xlsx", Package(kws::test::RawDeflate(bomb), Crc32(bomb), 200));
  xls::TXLSBook book;
  try {
    book.LoadFromFile(file);
    EXPECT_EQ(kws::test::CellLines(book), std::vector<std::string>{"Only\tA1\tpackagetext"});
  } catch (const std::exception&) {
    EXPECT_TRUE(kws::test::CellLines(book).empty());
  }
}

TEST(XlsxRealFiles, Progress_FollowsTheSheetsRead) {
  xls::RegisterXLSXReader();
  xls::TXLSBook book;
  std::vector<int32_t> seen;
  book.SetOnProgress([&](int32_t p) { seen.push_back(p); });
  book.LoadFromFile(RealFilesDir("xlsx") / "xlsxwriter-cells.xlsx");  // four sheets
  EXPECT_EQ(seen, (std::vector<int32_t>{0, 25, 50, 75, 100}));
}

}  // namespace
