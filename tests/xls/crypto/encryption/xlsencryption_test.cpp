// The encrypted-package reader through the component: the encrypted fixtures of tests/data/xlsx
// (ooxml_encrypt.py over the LibreOffice, openpyxl and xlsxwriter packages, proven by
// msoffcrypto-tool and LibreOffice) give exactly the cells of their plain packages; every failure
// ends with its message and leaves no workbook behind; the package is decrypted whole for any
// size and layout, cut to StreamSize.
#include "xls/crypto/encryption/xlsencryption.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "tests/support/zipwriter.h"
#include "tests/xls/crypto/encryption/encryption_fixtures.h"
#include "xls/xlsxreader/xlsreadxlsx.h"

namespace {

using kws::test::AsBytes;
using kws::test::CellLines;
using kws::test::EncryptedStreams;
using kws::test::StreamsOf;
using kws::test::Wrap;
using kws::test::XlsxFixture;

void RegisterReaders() {
  xls::RegisterXLSXReader();
  xls::RegisterEncryptedPackageReader();
}

// The message of loading `file` with `password`; empty when it loads.
std::string LoadMessage(const std::string& file, const std::u16string& password = u"") {
  RegisterReaders();
  xls::TXLSBook book;
  book.SetPassword(password);
  try {
    book.LoadFromBytes(AsBytes(file));
  } catch (const std::exception& e) {
    EXPECT_TRUE(CellLines(book).empty()) << "a failed load left cells";
    return e.what();
  }
  return "";
}

// ---- TXLSVector ------------------------------------------------------------------------------

TEST(TXLSVector_Operations, ResizeFillsAndIntegersAreLittleEndian) {
  xls::TXLSVector v(4, 7);
  v.Resize(8, 9);  // content is not kept
  EXPECT_EQ(v.AsText(), "9, 9, 9, 9, 9, 9, 9, 9");
  v.SetAsInteger(1, 0x01020304);
  EXPECT_EQ(v.AsText(), "9, 9, 9, 9, 4, 3, 2, 1");
  v.Clear();
  EXPECT_EQ(v.Size(), 0u);
}

TEST(TXLSVector_Operations, EqualAndCheckedCopies) {
  struct Case {
    size_t aSize, bSize;
    int compare;
    bool equal;
  } const cases[] = {
      {16, 16, 16, true}, {15, 16, 16, false}, {16, 15, 16, false}, {20, 32, 16, true},
      {20, 32, 0, false}, {20, 20, 0, true},   {20, 20, -1, true},  {0, 0, 0, true},
  };
  for (const Case& c : cases) {
    xls::TXLSVector a(c.aSize, 5), b(c.bSize, 5);
    EXPECT_EQ(a.Equal(b, c.compare), c.equal) << c.aSize << " " << c.bSize << " " << c.compare;
  }
  xls::TXLSVector v(8);
  const uint8_t four[4] = {1, 2, 3, 4};
  EXPECT_NO_THROW(v.CopyFrom(four, 4));
  EXPECT_EQ(v.AsText(), "0, 0, 0, 0, 1, 2, 3, 4");
  for (size_t offset : {size_t(5), size_t(8), size_t(9), size_t(-1)}) {
    try {
      v.CopyFrom(four, offset);
      ADD_FAILURE() << "copy to " << offset << " passed";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "Vector to long");
    }
  }
  EXPECT_EQ(v.AsText(), "0, 0, 0, 0, 1, 2, 3, 4");  // nothing copied
  EXPECT_THROW(v.SetAsInteger(2, 1), std::runtime_error);
  xls::TXLSVector small(3);
  EXPECT_THROW(v.CopyFrom(small, 4, 0), std::runtime_error);  // more than the source holds
}

// ---- Real fixtures ---------------------------------------------------------------------------

struct FixtureCase {
  const char* encrypted;
  const char* plain;
  const char16_t* password;
};

const FixtureCase kFixtures[] = {
    {"encrypted-agile-sha512", "libreoffice-cells", u"Pass wörd 1"},
    {"encrypted-agile-sha1", "openpyxl-cells", u"Sesame"},
    {"encrypted-standard32", "xlsxwriter-cells", u"Standard pw"},
    {"encrypted-standard42", "openpyxl-cells", u"Standard pw"},
    {"encrypted-standard-aes256", "libreoffice-cells", u"Long key"},
    {"encrypted-velvet", "xlsxwriter-cells", u""},  // the default password, tried unasked
};

class EncryptedFixture : public testing::TestWithParam<FixtureCase> {};

TEST_P(EncryptedFixture, Cells_EqualPlainPackage) {
  RegisterReaders();
  const FixtureCase& c = GetParam();
  const auto dir = kws::test::RealFilesDir("xlsx");
  xls::TXLSBook plain, encrypted;
  plain.LoadFromFile(dir / (std::string(c.plain) + ".xlsx"));
  encrypted.SetPassword(c.password);
  encrypted.LoadFromFile(dir / (std::string(c.encrypted) + ".xlsx"));
  const auto lines = CellLines(encrypted);
  EXPECT_EQ(kws::test::DiffCellLines(CellLines(plain), lines), "");
  EXPECT_EQ(kws::test::DiffCellLines(kws::test::ReadLines(dir / (std::string(c.plain) + ".tsv")), lines), "");
  EXPECT_EQ(encrypted.Version(), xls::TExcelVersion::xvExcel2007);
  // The decrypted package is exactly the plain one (cut to StreamSize).
  xls::TXLSEncryption reader;
  reader.SetPassword(c.password);
  const std::string file = XlsxFixture(c.encrypted);
  ASSERT_EQ(reader.LoadFromStream(AsBytes(file)), xls::TXLSCryptoResult::xcrOk);
  EXPECT_TRUE(kws::test::AsString(reader.FOutStream) == XlsxFixture(c.plain));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, EncryptedFixture, testing::ValuesIn(kFixtures),
                         [](const testing::TestParamInfo<FixtureCase>& info) {
                           std::string n = info.param.encrypted;
                           for (char& ch : n)
                             if (ch == '-') ch = '_';
                           return n;
                         });

TEST(EncryptedPackage_Password, EventMissingWrongAndDefault) {
  const std::string agile = XlsxFixture("encrypted-agile-sha1");
  EXPECT_EQ(LoadMessage(agile), "Missing password");
  EXPECT_EQ(LoadMessage(agile, u"sesame"), "Wrong password");  // letter case counts
  EXPECT_EQ(LoadMessage(agile, u"SESAME"), "Wrong password");
  EXPECT_EQ(LoadMessage(XlsxFixture("encrypted-standard32"), u"standard pw"), "Wrong password");
  // Given the default password in other letter case, the file is not opened either.
  EXPECT_EQ(LoadMessage(XlsxFixture("encrypted-velvet"), u"velvetsweatshop"), "Wrong password");

  // The event is asked once, only when no password is set; a wrong answer is not asked again.
  RegisterReaders();
  int asked = 0;
  xls::TXLSBook book;
  book.SetOnPassword([&](std::u16string& p) { ++asked, p = u"nope"; });
  EXPECT_THROW(book.LoadFromBytes(AsBytes(agile)), xls::XLSRWException);
  EXPECT_EQ(asked, 1);
  book.SetOnPassword([&](std::u16string& p) { ++asked, p = u"Sesame"; });
  book.LoadFromBytes(AsBytes(agile));
  EXPECT_EQ(asked, 2);
  EXPECT_FALSE(CellLines(book).empty());
  book.SetPassword(u"Sesame");
  book.LoadFromBytes(AsBytes(agile));
  EXPECT_EQ(asked, 2);
}

TEST(EncryptedPackage_Failure, MessagesAndNoWorkbookLeft) {
  const EncryptedStreams standard = StreamsOf(XlsxFixture("encrypted-standard32"));
  const EncryptedStreams agile = StreamsOf(XlsxFixture("encrypted-agile-sha1"));
  auto version = [](EncryptedStreams s, uint8_t major, uint8_t minor) {
    s.info[0] = char(major), s.info[2] = char(minor);
    return Wrap(s);
  };
  auto set = [](EncryptedStreams s, size_t at, uint32_t value) {
    for (int k = 0; k < 4; ++k) s.info[at + k] = char(value >> (8 * k));
    return s;
  };
  auto info = [&](const EncryptedStreams& s, size_t at, uint32_t value) { return Wrap(set(s, at, value)); };
  auto cutInfo = [](EncryptedStreams s, size_t size) {
    s.info.resize(size);
    return Wrap(s);
  };
  // Standard method data: HeaderSize at 8, the header at 12 (AlgId at 20, KeySize at 28), the
  // verifier at 12 + HeaderSize.
  const uint32_t headerSize = uint32_t(uint8_t(standard.info[8]) | uint8_t(standard.info[9]) << 8);
  struct Case {
    const char* what;
    std::string file;
    const char* message;
    const char16_t* password = u"Standard pw";
  } const cases[] = {
      {"version 2.2", version(standard, 2, 2), "Unsupported encryption"},
      {"version 3.3", version(standard, 3, 3), "Unsupported encryption"},
      {"version 4.3", version(agile, 4, 3), "Unsupported encryption", u"Sesame"},
      {"no EncryptedPackage", Wrap(&standard.info, nullptr), "Unknown crypto error"},
      {"no EncryptedPackage, agile", Wrap(&agile.info, nullptr), "Unknown crypto error", u"Sesame"},
      {"EncryptionInfo of 7 bytes", cutInfo(standard, 7), "Unsupported encryption"},
      {"EncryptionInfo of 8 bytes", cutInfo(standard, 8), "Unsupported encryption"},
      {"standard data cut in its verifier", cutInfo(standard, standard.info.size() - 1),
       "Unsupported encryption"},
      {"HeaderSize 31", info(standard, 8, 31), "Unsupported encryption"},
      {"HeaderSize past the stream", info(standard, 8, 0xFFFFFFF0), "Unsupported encryption"},
      {"SaltSize 15", info(standard, 12 + headerSize, 15), "Unsupported encryption"},
      {"SaltSize 17", info(standard, 12 + headerSize, 17), "Unsupported encryption"},
      {"RC4 header", info(set(standard, 12, 0x04), 20, 0x6801), "Unsupported encryption"},
      {"KeySize 40", info(standard, 28, 40), "Unsupported encryption"},
      {"hash not SHA-1", info(standard, 24, 0x8003), "Unsupported encryption"},
      {"descriptor cut", cutInfo(agile, 200), "Unsupported encryption", u"Sesame"},
  };
  for (const Case& c : cases) EXPECT_EQ(LoadMessage(c.file, c.password), c.message) << c.what;
  // Without a password every one of them is a missing password (the default one failed).
  for (const Case& c : cases) EXPECT_EQ(LoadMessage(c.file), "Missing password") << c.what;
}

// The package in any size, segment layout and method decrypts to exactly its bytes; StreamSize
// cuts the filler of the last block. The packages are encrypted by the fixture writer.
TEST(EncryptedPackage_Decrypt, EverySizeAndMethod) {
  struct Method {
    const char* options;
    const char* password;
  } const methods[] = {
      {"--method agile --hash SHA512 --spin-count 3", "pw"},
      {"--method agile --hash SHA1 --key-bits 256 --spin-count 3",
       "pw"},  // keys: 20 digest bytes, 12 of 0x36
      {"--method agile --hash SHA1 --key-bits 192 --spin-count 0", "pw"},
      {"--method standard --version 3.2", "pw"},
      {"--method standard --key-bits 192", "pw"},
  };
  // 4097: one segment and one of a single byte; 9192: the last segment is 1000 bytes (62 blocks
  // and 8 bytes); 8192: whole segments only.
  for (size_t size : {1u, 15u, 4095u, 4096u, 4097u, 8192u, 9192u}) {
    const std::string plain = kws::test::NoiseBytes(size, uint32_t(size));
    for (const Method& m : methods) {
      const std::string file = kws::test::EncryptWithScript(plain, m.password, m.options);
      xls::TXLSEncryption reader;
      reader.SetPassword(u"pw");
      ASSERT_EQ(reader.LoadFromStream(AsBytes(file)), xls::TXLSCryptoResult::xcrOk)
          << m.options << " " << size;
      EXPECT_TRUE(kws::test::AsString(reader.FOutStream) == plain) << m.options << " " << size;
      // The same through the sink, and with the stream's sectors laid out backwards (every
      // segment then crosses runs).
      EncryptedStreams s = StreamsOf(file);
      kws::test::CfbWriter w;
      w.AddStream(u"EncryptionInfo", s.info);
      w.AddStream(u"EncryptedPackage", s.package);
      kws::test::CfbImageLayout layout = w.Build();
      if (s.package.size() >= 4096) layout.ReverseSectors(u"EncryptedPackage");
      std::string streamed;
      xls::TXLSEncryption again;
      again.SetPassword(u"pw");
      ASSERT_EQ(
          again.LoadFromStream(AsBytes(layout.bytes),
                               [&](std::span<const uint8_t> b) { streamed.append(b.begin(), b.end()); }),
          xls::TXLSCryptoResult::xcrOk);
      EXPECT_TRUE(streamed == plain) << m.options << " " << size;
    }
  }
}

TEST(EncryptedPackage_Decrypt, StreamSizeCutsOnlyWhatWasDecrypted) {
  const std::string plain = kws::test::NoiseBytes(5000, 3);
  EncryptedStreams s = StreamsOf(kws::test::EncryptWithScript(plain, "pw", "--method agile --spin-count 1"));
  const size_t decrypted = s.package.size() - 8;  // 5008: two segments, the last one filled up
  struct Case {
    uint64_t streamSize;
    size_t expected;
  } const cases[] = {
      {5000, 5000},      {0, 0}, {4999, 4999}, {decrypted, decrypted}, {decrypted + 1, decrypted},
      {~0ull, decrypted}};
  for (const Case& c : cases) {
    for (int k = 0; k < 8; ++k) s.package[k] = char(c.streamSize >> (8 * k));
    xls::TXLSEncryption reader;
    reader.SetPassword(u"pw");
    ASSERT_EQ(reader.LoadFromStream(AsBytes(Wrap(s))), xls::TXLSCryptoResult::xcrOk);
    ASSERT_EQ(reader.FOutStream.size(), c.expected) << c.streamSize;
    const size_t n = std::min(c.expected, plain.size());
    EXPECT_TRUE(kws::test::AsString(reader.FOutStream).substr(0, n) == plain.substr(0, n)) << c.streamSize;
  }
  // An "EncryptedPackage" shorter than StreamSize's 8 bytes gives an empty package.
  s.package.resize(5);
  xls::TXLSEncryption reader;
  reader.SetPassword(u"pw");
  EXPECT_EQ(reader.LoadFromStream(AsBytes(Wrap(s))), xls::TXLSCryptoResult::xcrOk);
  EXPECT_TRUE(reader.FOutStream.empty());
}

// A package of 10,000,000 bytes: 2,442 segments (the last of 1,664 bytes) in a compound file
// that needs DIFAT sectors, opened through the component like a plain package.
TEST(EncryptedPackage_Decrypt, LargePackageWithDifatSectors) {
  std::string rows;
  for (int r = 1; rows.size() < 9990000; ++r)
    rows += "<row r=\"" + std::to_string(r) + "\"><c r=\"A" + std::to_string(r) +
            "\" t=\"inlineStr\"><is><t>Row " + std::to_string(r) + " text</t></is></c></row>";
  kws::test::ZipWriter z;  // stored, so that the package is as large as its sheet
  z.Stored(
      "[Content_Types].xml",
      "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
      "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
      "<Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>");
  z.Stored("_rels/.rels",
           "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
           "relationships\"><Relationship Id=\"rId1\" "
           "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
           "relationships/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>");
  z.Stored(
      "xl/workbook.xml",
      "<?xml version=\"1.0\"?><workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets><sheet "
      "name=\"Large\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>");
  z.Stored("xl/_rels/workbook.xml.rels",
           "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
           "relationships\"><Relationship Id=\"rId1\" "
           "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
           "relationships/worksheet\" Target=\"worksheets/sheet1.xml\"/></Relationships>");
  z.Stored(
      "xl/worksheets/sheet1.xml",
      "<?xml version=\"1.0\"?><worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
      "<sheetData>" +
          rows + "</sheetData></worksheet>");
  std::string plain = z.Bytes();
  ASSERT_LE(plain.size(), 10000000u);
  z.Comment(std::string(10000000 - plain.size() - 0, '-'));
  plain = z.Bytes();
  ASSERT_EQ(plain.size(), 10000000u);
  const std::string file = kws::test::EncryptWithScript(plain, "Large pw", "--method agile --spin-count 100");
  // DIFAT sectors: their count in the header at 0x48.
  ASSERT_GT(uint8_t(file[0x48]) | uint8_t(file[0x49]) << 8, 0);
  xls::TXLSEncryption reader;
  reader.SetPassword(u"Large pw");
  ASSERT_EQ(reader.LoadFromStream(AsBytes(file)), xls::TXLSCryptoResult::xcrOk);
  EXPECT_TRUE(kws::test::AsString(reader.FOutStream) == plain);

  RegisterReaders();
  xls::TXLSBook book;
  book.SetPassword(u"Large pw");
  book.LoadFromBytes(AsBytes(file));
  book.BeginFindText();
  EXPECT_TRUE(book.FindText(u"row 100000 TEXT", true));
}

}  // namespace
