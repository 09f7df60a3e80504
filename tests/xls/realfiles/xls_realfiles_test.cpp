// Legacy workbooks written by LibreOffice and Gnumeric (tests/data/xls, made by its
// make_fixtures.py: BIFF8 and BIFF7, code pages 1252 and 936, a 10,000-character shared string
// across CONTINUE records, shared formulas, RC4 with the default and with a given password) are
// loaded through the component and compared with what xlrd read from the same files (the
// encrypted ones decrypted by the script first). Damaged files must raise and leave no cells.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/textcodec.h"
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
  XlsRealFile() : RealFileTest("xls") {}
  static void SetUpTestSuite() { xls::biff::RegisterBIFFReader(); }
};

TEST_P(XlsRealFile, Cells_MatchXlrd) {
  const auto expected = kws::test::ReadLines(File(".tsv"));
  ASSERT_FALSE(expected.empty()) << File(".tsv");
  xls::TXLSBook book;
  // A file protected with a password of its own has it in NAME.password; the others need none
  // (the default password opens libreoffice-velvet.xls).
  const std::string password = kws::test::ReadFirstLine(File(".password"));
  if (!password.empty()) book.SetPassword(kws::Utf8ToUtf16(password));
  book.LoadFromFile(File(".xls"));
  EXPECT_EQ(kws::test::DiffCellLines(expected, kws::test::CellLines(book)), "");
}

INSTANTIATE_TEST_SUITE_P(Workbooks, XlsRealFile, testing::ValuesIn(kWorkbooks), kws::test::FixtureTestName);

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

}  // namespace
