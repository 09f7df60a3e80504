// Legacy workbooks written by LibreOffice and Gnumeric (tests/data/xls, made by its
// make_fixtures.py: BIFF8 and BIFF7, code pages 1252 and 936, a 10,000-character shared string
// across CONTINUE records, shared formulas, RC4 with the default and with a given password) are
// loaded through the component and compared with what xlrd read from the same files (the
// encrypted ones decrypted by the script first). Damaged files must raise and leave no cells; a
// file with one damaged cell or row record keeps every other cell.
#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <string>
#include <vector>

#include "platform/cfb.h"
#include "platform/textcodec.h"
#include "tests/support/biffbook.h"
#include "tests/support/cfbwriter.h"
#include "tests/support/tempdir.h"
#include "tests/xls/realfiles/realfiles.h"
#include "xls/biff/biffreader.h"
#include "xls/model/xlsbook.h"

namespace {

using kws::test::RealFilesDir;

const char* const kWorkbooks[] = {
    "libreoffice-biff8", "libreoffice-velvet", "libreoffice-password",
    "gnumeric-biff8",    "gnumeric-biff7",     "gnumeric-biff7-cp936",
};

class XlsRealFile : public kws::test::RealFileTest {
 protected:
  explicit XlsRealFile(const char* area = "xls") : RealFileTest(area) {}
  static void SetUpTestSuite() { xls::biff::RegisterBIFFReader(); }
  // `bare`: a bare worksheet file has no sheet name; xlrd calls its sheet "Sheet 1", we "Sheet1".
  void ExpectCellsMatchXlrd(bool bare = false) {
    auto expected = kws::test::ReadLines(File(".tsv"));
    if (bare)
      for (std::string& line : expected)
        if (line.starts_with("Sheet 1\t")) line.erase(5, 1);
    ASSERT_FALSE(expected.empty()) << File(".tsv");
    xls::TXLSBook book;
    // A file protected with a password of its own has it in NAME.password; the others need none
    // (the default password opens libreoffice-velvet.xls).
    const std::string password = kws::test::ReadFirstLine(File(".password"));
    if (!password.empty()) book.SetPassword(kws::Utf8ToUtf16(password));
    book.LoadFromFile(File(".xls"));
    EXPECT_EQ(kws::test::DiffCellLines(expected, kws::test::CellLines(book)), "");
  }
};

TEST_P(XlsRealFile, Cells_MatchXlrd) { ExpectCellsMatchXlrd(); }

INSTANTIATE_TEST_SUITE_P(Workbooks, XlsRealFile, testing::ValuesIn(kWorkbooks), kws::test::FixtureTestName);

// Bare BIFF2, BIFF3 and BIFF4 files written by SheetJS (tests/data/xls-sheets, made by
// make_sheetjs.py): their BIFF2 BOOLERR and BLANK records in every version included.
class XlsBareFile : public XlsRealFile {
 protected:
  XlsBareFile() : XlsRealFile("xls-sheets") {}
};

TEST_P(XlsBareFile, Cells_MatchXlrd) { ExpectCellsMatchXlrd(true); }

const char* const kBareFiles[] = {"sheetjs-biff2", "sheetjs-biff3", "sheetjs-biff4"};
INSTANTIATE_TEST_SUITE_P(SheetJS, XlsBareFile, testing::ValuesIn(kBareFiles), kws::test::FixtureTestName);

struct Probe {
  const char* file;
  const char16_t* keyword;
  bool found;
};

TEST(XlsRealFiles, Search_FindsCellText) {
  xls::biff::RegisterBIFFReader();
  const Probe probes[] = {
      {"libreoffice-biff8", u"endoflatin", true},     // the end of the 10,000-character string
      {"libreoffice-biff8", u"END中文结尾", true},    // the end of the 10,000-character CJK string
      {"libreoffice-biff8", u"After long 39", true},  // a string after them in the table
      {"libreoffice-biff8", u"Row 20", true},         // a shared formula's cached text
      {"libreoffice-biff8", u"wse", true},            // =MID(D1;2;3) of "Kwsearch"
      {"libreoffice-biff8", u"A1*2", false},          // formula texts are not searched
      {"libreoffice-velvet", u"secret text", true},
      {"gnumeric-biff7-cp936", u"简体中文", true},
      {"gnumeric-biff7", u"Grüße", true},
  };
  for (const Probe& p : probes) {
    xls::TXLSBook book;
    book.LoadFromFile(RealFilesDir("xls") / (std::string(p.file) + ".xls"));
    book.BeginFindText();
    EXPECT_EQ(book.FindText(p.keyword, true), p.found) << p.file << " " << kws::Utf16ToUtf8(p.keyword);
  }
}

TEST(XlsRealFiles, Password_MissingOrWrongRaises) {
  xls::biff::RegisterBIFFReader();
  const auto file = RealFilesDir("xls") / "libreoffice-password.xls";
  for (const char16_t* password : {u"", u"wrong-password", u"VelvetSweatshop"}) {
    xls::TXLSBook book;
    book.SetPassword(password);
    EXPECT_ANY_THROW(book.LoadFromFile(file)) << kws::Utf16ToUtf8(password);
    EXPECT_TRUE(kws::test::CellLines(book).empty());
  }
}

void ExpectCleanFailure(const std::string& name, const std::string& bytes) {
  kws::test::ExpectCleanFailure(RealFilesDir("xls") / "gnumeric-biff8.xls", name, bytes);
}

// Sparse files that start with a compound-file signature cost the time and memory of what they
// hold: a sound workbook followed by 1.5 GB of holes loads (the tables of its header reach only
// its own sectors), and one of 8 GB fails at once, beyond what compound-file sector ids address.
// Neither is read whole into memory.
TEST(XlsDamaged, SparseFile_CostsWhatItHolds) {
  xls::biff::RegisterBIFFReader();
  const auto dir = RealFilesDir("xls");
  const std::string real = kws::test::ReadFileBytes(dir / "gnumeric-biff8.xls");
  kws::test::TempDir temp;
  const long before = kws::test::PeakResidentMiB();
  xls::TXLSBook book;
  book.LoadFromFile(kws::test::SparseCopy(temp.path(), "padded.xls", real, uint64_t{3} << 29));
  EXPECT_EQ(kws::test::DiffCellLines(kws::test::ReadLines(dir / "gnumeric-biff8.tsv"), kws::test::CellLines(book)),
            "");
  try {
    book.LoadFromFile(kws::test::SparseCopy(temp.path(), "huge.xls", real, uint64_t{8} << 30));
    ADD_FAILURE() << "an 8 GB compound file loaded";
  } catch (const xls::XLSRWException& e) {
    EXPECT_EQ(e.Message(), u"compound file: file too large");
  }
  EXPECT_TRUE(kws::test::CellLines(book).empty());
  EXPECT_LT(kws::test::PeakResidentMiB() - before, 256);
}

TEST(XlsDamaged, Workbook_RaisesAndLeavesNothing) {
  xls::biff::RegisterBIFFReader();
  const std::string random = kws::test::NoiseBytes(20000, 20261211);
  ExpectCleanFailure("random.xls", random);
  ExpectCleanFailure("cfbsignature.xls", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + random);
  ExpectCleanFailure("empty.xls", "");
  // A sound compound file whose Workbook stream is noise.
  kws::test::CfbWriter noise;
  noise.AddStream(u"Workbook", random);
  ExpectCleanFailure("noisestream.xls", noise.Build().bytes);
  const std::string real = kws::test::ReadFileBytes(RealFilesDir("xls") / "libreoffice-biff8.xls");
  for (size_t keep : {size_t(100), size_t(600), real.size() / 4, real.size() / 2, real.size() - 512})
    ExpectCleanFailure("truncated" + std::to_string(keep) + ".xls", real.substr(0, keep));
}

TEST(XlsRealFiles, Progress_RisesFromZeroToHundredOnce) {
  xls::biff::RegisterBIFFReader();
  xls::TXLSBook book;
  std::vector<int32_t> seen;
  book.SetOnProgress([&](int32_t p) { seen.push_back(p); });
  book.LoadFromFile(RealFilesDir("xls") / "libreoffice-biff8.xls");
  ASSERT_GE(seen.size(), 3u);
  EXPECT_EQ(seen.front(), 0);
  EXPECT_EQ(seen.back(), 100);
  for (size_t i = 1; i < seen.size(); ++i) EXPECT_GT(seen[i], seen[i - 1]) << i;
}

// ---- one damaged record ---------------------------------------------------------------------

// A record of a worksheet sub-stream: where its header starts and which worksheet holds it.
struct SheetRecord {
  size_t at;
  size_t sheet;
};

// The records with id `id` in the worksheet sub-streams of a workbook stream, in order.
std::vector<SheetRecord> FindSheetRecords(const std::string& stream, uint16_t id) {
  std::vector<SheetRecord> found;
  int sheet = -1;
  bool inSheet = false;
  for (size_t pos = 0; pos + 4 <= stream.size();) {
    const auto u16 = [&](size_t p) { return uint16_t(uint8_t(stream[p]) | (uint8_t(stream[p + 1]) << 8)); };
    const uint16_t rid = u16(pos), len = u16(pos + 2);
    if ((rid & 0xFF) == 0x09 && pos + 8 <= stream.size()) {
      inSheet = u16(pos + 6) == 0x0010;
      if (inSheet) ++sheet;
    } else if (inSheet && rid == id) {
      found.push_back({pos, size_t(sheet)});
    }
    pos += 4 + len;
  }
  return found;
}

enum class Damage { Short, Column40000 };

// The record at `at` cut to `length` bytes, or with column 40,000 in its cell position.
std::string Damaged(const std::string& stream, size_t at, Damage damage, uint16_t length) {
  std::string s = stream;
  if (damage == Damage::Column40000) {
    s[at + 6] = char(40000 & 0xFF);
    s[at + 7] = char(40000 >> 8);
    return s;
  }
  const size_t old = uint8_t(s[at + 2]) | (uint8_t(s[at + 3]) << 8);
  s[at + 2] = char(length & 0xFF);
  s[at + 3] = char(length >> 8);
  s.erase(at + 4 + length, old - length);
  return s;
}

// Real files with one cell or row record damaged (cut short, or its column moved to 40,000): the
// load goes on, the damaged record's cell is gone with one warning 2003, and every other cell
// reads as in the sound file. Damaged: the first, a middle and the last record of each kind.
TEST(XlsDamagedRecord, EveryOtherCellReadsAsInTheSoundFile) {
  xls::biff::RegisterBIFFReader();
  const struct {
    uint16_t id;
    const char* name;
    Damage damage;
    uint16_t length;  // the length of a short record
  } kinds[] = {
      {0x0203, "NUMBER", Damage::Short, 8},   {0x0203, "NUMBER", Damage::Column40000, 0},
      {0x027E, "RK", Damage::Short, 6},       {0x027E, "RK", Damage::Column40000, 0},
      {0x00FD, "LABELSST", Damage::Short, 6}, {0x00FD, "LABELSST", Damage::Column40000, 0},
      {0x0204, "LABEL", Damage::Short, 6},    {0x0204, "LABEL", Damage::Column40000, 0},
      {0x0006, "FORMULA", Damage::Short, 8},  {0x0006, "FORMULA", Damage::Column40000, 0},
      {0x0205, "BOOLERR", Damage::Short, 6},  {0x0205, "BOOLERR", Damage::Column40000, 0},
      {0x0208, "ROW", Damage::Short, 6},
  };
  size_t checked = 0;
  for (const char* fixture :
       {"libreoffice-biff8", "gnumeric-biff8", "gnumeric-biff7", "gnumeric-biff7-cp936"}) {
    const std::string file = kws::test::ReadFileBytes(RealFilesDir("xls") / (std::string(fixture) + ".xls"));
    xls::TXLSBook sound;
    sound.LoadFromBytes(std::span(reinterpret_cast<const uint8_t*>(file.data()), file.size()), true);
    const std::vector<std::string> soundLines = kws::test::CellLines(sound);
    auto root = kws::OpenCompoundData(std::vector<uint8_t>(file.begin(), file.end()));
    const bool biff8 = root.OpenStream(u"Workbook").has_value();
    const std::vector<uint8_t> raw = root.OpenStream(biff8 ? u"Workbook" : u"Book")->ReadAll();
    const std::string stream(raw.begin(), raw.end());

    for (const auto& k : kinds) {
      const std::vector<SheetRecord> found = FindSheetRecords(stream, k.id);
      if (found.empty()) continue;
      for (const size_t pick : {size_t(0), found.size() / 2, found.size() - 1}) {
        const SheetRecord r = found[pick];
        const std::string what = std::string(fixture) + " " + k.name + " #" + std::to_string(pick) +
                                 (k.damage == Damage::Short ? " short" : " at column 40000");
        const std::string damaged =
            kws::test::BiffCompoundFile(Damaged(stream, r.at, k.damage, k.length), biff8);
        xls::TXLSBook book;
        xls::TXLSErrorList list;
        book.Errors().SetErrorList(&list);
        book.LoadFromBytes(std::span(reinterpret_cast<const uint8_t*>(damaged.data()), damaged.size()), true);

        // The sound cells but the damaged record's own (a row record holds none).
        std::vector<std::string> expected = soundLines;
        if (k.id != 0x0208) {
          const auto u16 = [&](size_t p) {
            return uint16_t(uint8_t(stream[p]) | (uint8_t(stream[p + 1]) << 8));
          };
          const std::string prefix = kws::test::Escaped(sound.Items(r.sheet)->Name()) + '\t' +
                                     kws::Utf16ToUtf8(xls::ColRowToRefStr(u16(r.at + 6), u16(r.at + 4))) +
                                     '\t';
          std::erase_if(expected, [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
        }
        EXPECT_EQ(kws::test::DiffCellLines(expected, kws::test::CellLines(book)), "") << what;
        const auto skipped = std::count_if(list.begin(), list.end(), [](const xls::TXLSErrorListItem& e) {
          return e.Number == xls::XLSWARN_BIFF_RECORD_SKIPPED;
        });
        EXPECT_EQ(skipped, 1) << what;
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 60u);  // every fixture gave records of most kinds
}

}  // namespace
