// Zip layer: the own archive and the libzip back-end read the same fixtures to the same results.
#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/textcodec.h"
#include "tests/support/tempdir.h"
#include "tests/support/zipwriter.h"
#include "xls/model/xlserrors.h"
#include "xls/package/xlsziparchiveintf.h"
#include "xls/package/xlszip.h"
#include "xls/package/xlszlib.h"

namespace xls {
namespace {

using kws::test::ZipWriter;

std::string DataFile(const std::string& name) {
  const char* root = std::getenv("KWS_SOURCE_DIR");
  return kws::test::ReadFileBytes(std::filesystem::path(root ? root : ".") / "tests/data/zip" / name);
}

// The texts make_fixtures.py stores.
std::string Workbook() {
  std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<workbook>";
  for (int i = 1; i < 60; ++i)
    s += "<sheet name=\"Sheet" + std::to_string(i) + "\" sheetId=\"" + std::to_string(i) + "\"/>";
  return s + "</workbook>\n";
}
const std::string kReadme = "Hello, stored world!\n";

// The message of the exception `f` raises, or "" when it raises none.
template <class F>
std::string MessageOf(F&& f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

// The CRC-32 of `n` zero bytes.
uint32_t ZerosCrc(uint64_t n) {
  static const std::string zeros(1 << 20, '\0');
  uLong crc = crc32(0, nullptr, 0);
  for (; n > 0; n -= std::min<uint64_t>(n, zeros.size()))
    crc = crc32(crc, reinterpret_cast<const Bytef*>(zeros.data()),
                static_cast<uInt>(std::min<uint64_t>(n, zeros.size())));
  return static_cast<uint32_t>(crc);
}

uint32_t Crc(std::string_view s) {
  return static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(s.data()), static_cast<uInt>(s.size())));
}

std::string ReadEntry(TXLSZipArchiveIntf& zip, std::u16string_view name) {
  auto s = zip.OpenStream(name);
  return s->ReadAll(static_cast<size_t>(kZipMemoryEntryLimit));
}

// One back-end per test parameter: false = own archive, true = libzip.
class ZipBackends : public ::testing::TestWithParam<bool> {
 protected:
  std::unique_ptr<TXLSZipArchiveIntf> Open(TXLSStream& s) {
    auto zip = CreateZipArchiveIntf(GetParam());
    zip->LoadFromStream(s);
    return zip;
  }
};

struct FixtureCase {
  const char* file;
  const char* openError;  // "" when the archive opens
  std::vector<std::pair<std::u16string, std::string>> entries;  // name, content or "!message"
};

std::vector<FixtureCase> FixtureCases() {
  const std::string wb = Workbook();
  return {
      {"stored.zip", "", {{u"docs/readme.txt", kReadme}, {u"empty.txt", ""}}},
      {"deflated.zip", "", {{u"xl/workbook.xml", wb}, {u"docs/readme.txt", kReadme}}},
      {"descriptor.zip", "", {{u"xl/workbook.xml", wb}, {u"docs/readme.txt", kReadme}}},
      {"comment300.zip", "", {{u"docs/readme.txt", kReadme}}},
      {"comment2000.zip", "", {{u"docs/readme.txt", kReadme}}},
      {"trailing.zip", "", {{u"docs/readme.txt", kReadme}}},
      {"method12.zip", "", {{u"docs/readme.txt", "!ZIP file is not open"}}},
      {"corrupt.zip", "", {{u"docs/readme.txt", "!ZLib decompress error"}}},
      {"brokencd.zip", "File is not a valid ZIP file", {}},
      {"badcount.zip", "File is not a valid ZIP file", {}},
  };
}

TEST_P(ZipBackends, Fixtures_GiveListedResults) {
  for (const FixtureCase& c : FixtureCases()) {
    SCOPED_TRACE(c.file);
    TXLSMemoryStream s(DataFile(c.file));
    auto zip = CreateZipArchiveIntf(GetParam());
    const std::string err = MessageOf([&] { zip->LoadFromStream(s); });
    EXPECT_EQ(err, c.openError);
    if (!err.empty()) continue;
    ASSERT_EQ(zip->Count(), static_cast<int>(c.entries.size()));
    for (size_t i = 0; i < c.entries.size(); ++i) {
      const auto& [name, expected] = c.entries[i];
      EXPECT_EQ(zip->Find(name), static_cast<int>(i));
      if (!expected.empty() && expected[0] == '!') {
        auto stream = zip->OpenStream(name);  // opening succeeds; the read fails
        char buf[16];
        EXPECT_EQ(MessageOf([&] { stream->Read(buf, sizeof buf); }), expected.substr(1));
      } else {
        EXPECT_EQ(ReadEntry(*zip, name), expected);
      }
    }
  }
}

TEST_P(ZipBackends, LoadFromFile_OwnsTheFileStream) {
  kws::test::TempDir dir;
  const auto file = dir.Write("a.zip", DataFile("deflated.zip"));
  auto zip = CreateZipArchiveIntf(GetParam());
  zip->LoadFromFile(file);
  EXPECT_EQ(ReadEntry(*zip, u"docs/readme.txt"), kReadme);
  EXPECT_EQ(ReadEntry(*zip, u"xl/workbook.xml"), Workbook());
}

TEST_P(ZipBackends, Find_IgnoresAsciiCaseAndMissingNameRaises) {
  TXLSMemoryStream s(DataFile("deflated.zip"));
  auto zip = Open(s);
  EXPECT_EQ(zip->Find(u"XL/Workbook.XML"), 0);
  EXPECT_EQ(ReadEntry(*zip, u"XL/Workbook.XML"), Workbook());
  EXPECT_EQ(zip->Find(u"/xl/workbook.xml"), -1);  // names are compared as stored
  EXPECT_EQ(MessageOf([&] { zip->OpenStream(u"xl/styles.xml"); }), "Can not find file xl/styles.xml in ZIP");
  EXPECT_THROW(zip->OpenStream(u"xl/styles.xml"), XLSRWException);
}

TEST_P(ZipBackends, Errors_HaveTheEngineExceptionOrTheDecompressionError) {
  TXLSMemoryStream broken(DataFile("brokencd.zip"));
  EXPECT_THROW(CreateZipArchiveIntf(GetParam())->LoadFromStream(broken), XLSRWException);
  TXLSMemoryStream corrupt(DataFile("corrupt.zip"));
  auto zip = Open(corrupt);
  auto e = zip->OpenStream(u"docs/readme.txt");
  char buf[16];
  EXPECT_THROW(e->Read(buf, sizeof buf), EDecompressionError);
}

TEST_P(ZipBackends, EntryStream_ReadsPastEndShortAndSeeksForwardOrToStart) {
  TXLSMemoryStream s(DataFile("deflated.zip"));
  auto zip = Open(s);
  const std::string wb = Workbook();
  auto e = zip->OpenStream(u"xl/workbook.xml");
  EXPECT_EQ(e->Size(), static_cast<int64_t>(wb.size()));
  EXPECT_EQ(e->Seek(100, TXLSSeekOrigin::soBeginning), 100);
  char buf[10];
  ASSERT_EQ(e->Read(buf, 10), 10u);
  EXPECT_EQ(std::string(buf, 10), wb.substr(100, 10));
  EXPECT_EQ(e->Position(), 110);
  EXPECT_EQ(MessageOf([&] { e->Seek(50, TXLSSeekOrigin::soBeginning); }), "Invalid stream operation");
  EXPECT_EQ(e->Seek(0, TXLSSeekOrigin::soBeginning), 0);
  std::string all(wb.size() + 100, '\0');
  EXPECT_EQ(e->Read(all.data(), all.size()), wb.size());
  EXPECT_EQ(all.substr(0, wb.size()), wb);
  EXPECT_EQ(e->Read(buf, 10), 0u);
  EXPECT_EQ(MessageOf([&] { e->Write("x", 1); }), "Not implemented, write");
}

TEST_P(ZipBackends, TwoEntryStreams_ReadInterleaved) {
  TXLSMemoryStream s(DataFile("descriptor.zip"));
  auto zip = Open(s);
  auto a = zip->OpenStream(u"xl/workbook.xml");
  auto b = zip->OpenStream(u"docs/readme.txt");
  std::string ra, rb;
  char buf[7];
  for (;;) {
    const size_t na = a->Read(buf, sizeof buf);
    ra.append(buf, na);
    const size_t nb = b->Read(buf, sizeof buf);
    rb.append(buf, nb);
    if (na == 0 && nb == 0) break;
  }
  EXPECT_EQ(ra, Workbook());
  EXPECT_EQ(rb, kReadme);
}

TEST_P(ZipBackends, TinyOrForeignStream_IsAnEmptyArchive) {
  for (const std::string& bytes : {std::string("0123456789"), std::string(), std::string(300, 'P')}) {
    TXLSMemoryStream s(bytes);
    auto zip = Open(s);
    EXPECT_EQ(zip->Count(), 0);
    EXPECT_EQ(MessageOf([&] { zip->OpenStream(u"[Content_Types].xml"); }),
              "Can not find file [Content_Types].xml in ZIP");
  }
}

TEST_P(ZipBackends, SmallArchiveWithComment_OpensWhateverTheCommentLength) {
  for (size_t commentLen : {0u, 255u, 256u, 300u, 1023u, 1024u, 2000u, 65535u}) {
    SCOPED_TRACE(commentLen);
    TXLSMemoryStream s(ZipWriter().Deflated("a.txt", "abc").Comment(std::string(commentLen, 'c')).Bytes());
    auto zip = Open(s);
    ASSERT_EQ(zip->Count(), 1);
    EXPECT_EQ(ReadEntry(*zip, u"a.txt"), "abc");
  }
}

TEST_P(ZipBackends, TrailingBytesAfterEndRecord_AreTolerated) {
  for (size_t trailing : {1u, 15u, 300u, 5000u}) {
    SCOPED_TRACE(trailing);
    TXLSMemoryStream s(ZipWriter().Deflated("a.txt", "abc").Bytes() + std::string(trailing, '\0'));
    auto zip = Open(s);
    ASSERT_EQ(zip->Count(), 1);
    EXPECT_EQ(ReadEntry(*zip, u"a.txt"), "abc");
  }
}

// A raw deflate stream of `chunks` MiB of zeros, about 1 KiB per MiB: one compressed MiB ended by
// a full flush (byte-aligned, dictionary reset) repeated, then an empty final block.
std::string ZerosDeflated(int chunks) {
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string zeros(1 << 20, '\0'), chunk(1 << 16, '\0');
  z.next_in = reinterpret_cast<Bytef*>(zeros.data());
  z.avail_in = static_cast<uInt>(zeros.size());
  z.next_out = reinterpret_cast<Bytef*>(chunk.data());
  z.avail_out = static_cast<uInt>(chunk.size());
  deflate(&z, Z_FULL_FLUSH);
  chunk.resize(z.total_out);
  std::string out;
  for (int i = 0; i < chunks; ++i) out += chunk;
  const uLong before = z.total_out;
  std::string tail(64, '\0');
  z.next_out = reinterpret_cast<Bytef*>(tail.data());
  z.avail_out = static_cast<uInt>(tail.size());
  deflate(&z, Z_FINISH);
  tail.resize(z.total_out - before);
  deflateEnd(&z);
  return out + tail;
}

TEST_P(ZipBackends, HugeEntry_IsRefusedAtItsCapQuickly) {
  // 1 GiB + 1 MiB of zeros in about a megabyte of deflate data.
  const std::string packed = ZerosDeflated(1025);
  const uint32_t size = 1025u << 20;
  const auto start = std::chrono::steady_clock::now();
  TXLSMemoryStream s(ZipWriter()
                         .AddPacked("zeros.bin", 8, packed, 0, size)
                         .AddPacked("lies.bin", 8, packed, ZerosCrc(1000), 1000)
                         .Bytes());
  auto zip = Open(s);
  char buf[4096];
  for (auto name : {u"zeros.bin"}) {
    auto e = zip->OpenStream(name);
    EXPECT_EQ(MessageOf([&] { e->Read(buf, sizeof buf); }),
              "ZIP entry \"" + kws::Utf16ToUtf8(name) + "\" is larger than the size limit");
  }
  // The declared size ends the output, whatever the deflate data would still give.
  EXPECT_EQ(ReadEntry(*zip, u"lies.bin"), std::string(1000, '\0'));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

// An entry whose bytes do not match the archive's CRC-32 is an error for that entry, however it
// is read (whole, in small pieces, skipped over by a forward seek), and stays one; its good
// neighbours and an entry whose CRC the archive does not know read as before.
TEST_P(ZipBackends, CrcMismatch_IsAnErrorOfThatEntry) {
  const std::string text = "<sst><si><t>needle</t></si></sst>";
  std::string flipped = text;
  flipped[13] = 'N';
  TXLSMemoryStream s(
      ZipWriter()
          .AddPacked("bad-stored.xml", 0, flipped, Crc(text), static_cast<uint32_t>(text.size()))
          .AddPacked("bad-deflated.xml", 8, kws::test::RawDeflate(flipped), Crc(text),
                     static_cast<uint32_t>(text.size()))
          .AddPacked("short.xml", 8, kws::test::RawDeflate(text.substr(0, 10)), Crc(text),
                     static_cast<uint32_t>(text.size()))
          .AddPacked("good.xml", 8, kws::test::RawDeflate(text), Crc(text),
                     static_cast<uint32_t>(text.size()))
          .Bytes());
  auto zip = Open(s);
  for (auto name : {u"bad-stored.xml", u"bad-deflated.xml", u"short.xml"}) {
    const std::string expected = "ZIP entry \"" + kws::Utf16ToUtf8(name) + "\" is damaged (CRC-32 mismatch)";
    EXPECT_EQ(MessageOf([&] { ReadEntry(*zip, name); }), expected);
    auto e = zip->OpenStream(name);
    char c;
    EXPECT_EQ(MessageOf([&] {
                while (e->Read(&c, 1)) {
                }
              }),
              expected);
    EXPECT_EQ(MessageOf([&] { e->Read(&c, 1); }), expected);  // stays an error
    auto skipped = zip->OpenStream(name);
    EXPECT_EQ(MessageOf([&] { skipped->Seek(0, TXLSSeekOrigin::soEnd); }), expected);
  }
  EXPECT_EQ(ReadEntry(*zip, u"good.xml"), text);
}

TEST(ZipArchive_Own, RebuiltEntryWithoutDescriptor_HasNoCrcToCheck) {
  // No end record and no data descriptor after the deflate data: the CRC is not known.
  std::string bytes = ZipWriter().Add("a.xml", "<a>text</a>", ZipWriter::Method::Deflated, true).Bytes();
  const size_t desc = bytes.find("PK\x07\x08");
  ASSERT_NE(desc, std::string::npos);
  bytes.resize(desc);
  TXLSMemoryStream s(bytes);
  auto zip = CreateZipArchiveIntf(false);
  zip->LoadFromStream(s);
  EXPECT_EQ(ReadEntry(*zip, u"a.xml"), "<a>text</a>");
}

// ---- writing ----

std::string WriteArchive(bool alternate) {
  TXLSMemoryStream out;
  auto zip = CreateZipArchiveIntf(alternate);
  zip->SaveToStream(out);
  TXLSStream& a = zip->CreateStream(u"xl/worksheets/sheet1.xml");
  const std::string wb = Workbook();
  a.WriteBuffer(wb.data(), wb.size());
  EXPECT_EQ(MessageOf([&] { zip->CreateStream(u"other.xml"); }), "There is an active zip");
  TXLSMemoryStream foreign;
  EXPECT_EQ(MessageOf([&] { zip->CloseStream(foreign); }), "Stream is not TCompressionStream");
  zip->CloseStream(a);
  TXLSMemoryStream src(kReadme), empty;
  src.Seek(0, TXLSSeekOrigin::soEnd);  // Write rewinds its source
  zip->Write(u"docs/", u"/readme.txt", src);
  zip->Write(u"empty.txt", empty);
  EXPECT_EQ(MessageOf([&] { zip->Write(u"DOCS/README.TXT", src); }), "Duplicate file \"DOCS/README.TXT\" in Zip");
  zip->Close();
  return out.Bytes();
}

TEST_P(ZipBackends, WrittenArchive_ReadsBackWithBothBackendsAndPassesPythonCheck) {
  const std::string bytes = WriteArchive(GetParam());
  for (bool reader : {false, true}) {
    SCOPED_TRACE(reader);
    TXLSMemoryStream s(bytes);
    auto zip = CreateZipArchiveIntf(reader);
    zip->LoadFromStream(s);
    ASSERT_EQ(zip->Count(), 3);
    EXPECT_EQ(ReadEntry(*zip, u"xl/worksheets/sheet1.xml"), Workbook());
    EXPECT_EQ(ReadEntry(*zip, u"docs/readme.txt"), kReadme);
    EXPECT_EQ(ReadEntry(*zip, u"empty.txt"), "");
  }
  kws::test::TempDir dir;
  const auto file = dir.Write("out.zip", bytes);
  const std::string cmd = "/usr/bin/python3 -m zipfile -t '" + file.string() + "' > /dev/null 2>&1";
  EXPECT_EQ(std::system(cmd.c_str()), 0);
}

TEST_P(ZipBackends, NonAsciiNames_AreWrittenAsFlaggedUtf8) {
  TXLSMemoryStream out;
  auto zip = CreateZipArchiveIntf(GetParam());
  zip->SaveToStream(out);
  TXLSMemoryStream src("x");
  zip->Write(u"xl/Tabelle \u00c4\u4e2d.xml", src);
  zip->Close();
  for (bool reader : {false, true}) {
    TXLSMemoryStream in(out.Bytes());
    auto back = CreateZipArchiveIntf(reader);
    back->LoadFromStream(in);
    EXPECT_EQ(ReadEntry(*back, u"XL/tabelle \u00c4\u4e2d.xml"), "x");
  }
  kws::test::TempDir dir;
  const auto file = dir.Write("out.zip", out.Bytes());
  const std::string cmd = "/usr/bin/python3 -c \"import zipfile,sys; sys.exit(zipfile.ZipFile(sys.argv[1]).namelist() != "
                          "['xl/Tabelle \\u00c4\\u4e2d.xml'])\" '" + file.string() + "'";
  EXPECT_EQ(std::system(cmd.c_str()), 0);
}

TEST_P(ZipBackends, EmptyWrittenArchive_IsAnEndRecord) {
  TXLSMemoryStream out;
  auto zip = CreateZipArchiveIntf(GetParam());
  zip->SaveToStream(out);
  zip->Close();
  EXPECT_EQ(out.Bytes(), std::string("PK\x05\x06", 4) + std::string(18, '\0'));
}

INSTANTIATE_TEST_SUITE_P(OwnAndLibzip, ZipBackends, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Libzip" : "Own"; });

// ---- own archive only ----

TEST(ZipArchive_Own, MissingDirectory_IsRebuiltFromLocalHeaders) {
  TXLSMemoryStream s(DataFile("nodirectory.zip"));
  TXLSZipArchive zip;
  zip.OpenRead(s);
  EXPECT_TRUE(zip.HasBadEntries());
  ASSERT_EQ(zip.Count(), 2);
  EXPECT_EQ(zip.Items(0).Name(), u"docs/readme.txt");
  EXPECT_EQ(zip.Items(1).Name(), u"xl/workbook.xml");
  TXLSMemoryStream out;
  zip.Items(1)._SaveToStream(out);
  EXPECT_EQ(out.Bytes(), Workbook());
}

// A known difference: libzip does not test the signature of a local header and reads the entry
// that the own reader refuses with "Unknown zip file".
TEST(ZipArchive_Libzip, LocalHeaderWithoutSignature_IsReadAnyway) {
  std::string bytes = ZipWriter().Stored("a.txt", "abc").Bytes();
  bytes[0] = 'X';
  TXLSMemoryStream s(bytes);
  auto zip = CreateZipArchiveIntf(true);
  zip->LoadFromStream(s);
  EXPECT_EQ(ReadEntry(*zip, u"a.txt"), "abc");
}

// libzip has no local-header scan: an archive cut before its directory does not open there,
// with the message the own reader gives for a directory it cannot read.
TEST(ZipArchive_Libzip, MissingDirectory_IsNotAValidZipFile) {
  TXLSMemoryStream s(DataFile("nodirectory.zip"));
  auto zip = CreateZipArchiveIntf(true);
  EXPECT_EQ(MessageOf([&] { zip->LoadFromStream(s); }), "File is not a valid ZIP file");
}

TEST(ZipArchive_Own, MissingDirectoryWithDataDescriptors_IsRebuiltByInflating) {
  std::string bytes = ZipWriter()
                          .Add("a.xml", Workbook(), ZipWriter::Method::Deflated, true)
                          .Add("b.txt", kReadme, ZipWriter::Method::Deflated, true)
                          .Bytes();
  bytes.resize(bytes.find("PK\x01\x02"));
  TXLSMemoryStream s(bytes);
  TXLSZipArchive zip;
  zip.OpenRead(s);
  ASSERT_EQ(zip.Count(), 2);
  TXLSMemoryStream out;
  zip.Items(1)._SaveToStream(out);
  EXPECT_EQ(out.Bytes(), kReadme);
  EXPECT_EQ(zip.Items(0).LocalFile().Crc32, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(Workbook().data()), static_cast<uInt>(Workbook().size()))));
}

TEST(ZipArchive_Own, LocalHeaderWithoutSignature_RaisesUnknownZipFile) {
  std::string bytes = ZipWriter().Stored("a.txt", "abc").Bytes();
  bytes[0] = 'X';
  TXLSMemoryStream s(bytes);
  TXLSZipArchive zip;
  EXPECT_EQ(MessageOf([&] { zip.OpenRead(s); }), "Unknown zip file");
  EXPECT_EQ(zip.Count(), 0);
  EXPECT_EQ(zip.OpenMode(), TXLSZipOpenMode::xzomClosed);
}

TEST(ZipArchive_Own, EntryAttributes_ComeFromTheCentralRecord) {
  TXLSMemoryStream s(DataFile("descriptor.zip"));
  TXLSZipArchive zip;
  zip.OpenRead(s);
  const TXLSZipFile& e = zip.Items(0);
  EXPECT_EQ(e.CompressionType(), TZipCompressionType::ctNormal);
  EXPECT_EQ(e.UncompressedSize(), static_cast<int64_t>(Workbook().size()));
  EXPECT_FALSE(e.IsFolder());
  EXPECT_FALSE(e.IsEncrypted());
  // 2021-03-04 05:06:08 as written by the fixture script.
  EXPECT_EQ(e.Date(), std::time_t{1614834368});
  EXPECT_EQ(zip.Items(1).CompressionType(), TZipCompressionType::ctUnknown);
}

TEST(ZipArchive_Own, EntryNotOpened_RaisesOnRead) {
  TXLSMemoryStream s(DataFile("stored.zip"));
  TXLSZipArchive zip;
  zip.OpenRead(s);
  char c;
  EXPECT_EQ(MessageOf([&] { zip.Items(0).Read(&c, 1); }), "ZIP file is not open");
  zip.Items(0).OpenRead();
  EXPECT_EQ(zip.Items(0).Read(&c, 1), 1u);
  EXPECT_EQ(c, 'H');
}

TEST(ZipArchive_Own, WriterNormalisesNames) {
  struct Case {
    std::u16string in;
    bool relative;
    std::u16string out;
  };
  const Case cases[] = {
      {u"xl\\worksheets\\sheet1.xml", true, u"xl/worksheets/sheet1.xml"},
      {u"c:/data/x.xml", true, u"data/x.xml"},
      {u"//server/share/dir/x.xml", true, u"dir/x.xml"},
      {u"xl/worksheets/sheet1.xml", false, u"sheet1.xml"},
  };
  for (const Case& c : cases) {
    TXLSMemoryStream out;
    TXLSZipArchive zip;
    zip.StoreRelativePath = c.relative;
    zip.OpenWrite(out);
    TXLSMemoryStream src("x");
    zip.AddStream(c.in, src);
    EXPECT_EQ(zip.Items(0).Name(), c.out);
    zip.Close();
  }
}

// The cap is inclusive: an entry of exactly 1 GiB is read whole. (The limit test is shared by
// both back-ends; reading a whole GiB is done for the own one only, to keep the run short.)
TEST(ZipArchive_Own, EntryOfExactlyTheCap_IsReadWhole) {
  TXLSMemoryStream s(
      ZipWriter().AddPacked("zeros.bin", 8, ZerosDeflated(1024), ZerosCrc(1u << 30), 1u << 30).Bytes());
  auto zip = CreateZipArchiveIntf(false);
  zip->LoadFromStream(s);
  auto e = zip->OpenStream(u"zeros.bin");
  std::string buf(1 << 20, 'x');
  int64_t total = 0;
  while (const size_t n = e->Read(buf.data(), buf.size())) total += static_cast<int64_t>(n);
  EXPECT_EQ(total, kZipStreamedEntryLimit);
  EXPECT_EQ(buf, std::string(1 << 20, '\0'));
}

// ---- zlib adapters ----

TEST(InflateBuffer, InflatesWholeZlibStreamsAndRejectsCorruptOrHugeOnes) {
  const std::string text = Workbook();
  std::string packed(compressBound(static_cast<uLong>(text.size())), '\0');
  uLongf packedLen = static_cast<uLongf>(packed.size());
  compress(reinterpret_cast<Bytef*>(packed.data()), &packedLen, reinterpret_cast<const Bytef*>(text.data()),
           static_cast<uLong>(text.size()));
  packed.resize(packedLen);
  for (size_t guess : {size_t{0}, size_t{10}, text.size(), text.size() * 3})
    EXPECT_EQ(InflateBuffer(packed.data(), packed.size(), guess), text) << guess;
  std::string bad = packed;
  bad[5] ^= 0x55;
  bad[6] ^= 0x55;
  EXPECT_EQ(MessageOf([&] { InflateBuffer(bad.data(), bad.size(), 0); }), "ZLib decompress error");
  EXPECT_EQ(MessageOf([&] { InflateBuffer(packed.data(), packed.size() / 2, 0); }), "ZLib decompress error");
  // 300 MiB of zeros stop at the in-memory cap.
  const std::string zeros = std::string("\x78\x9c", 2) + ZerosDeflated(300);
  EXPECT_EQ(MessageOf([&] { InflateBuffer(zeros.data(), zeros.size(), 0); }),
            "ZLib decompress error: output exceeds the size limit");
}

TEST(CompressionStream, RoundTripsAndKeepsCrcAndCounts) {
  const std::string text = Workbook();
  TXLSMemoryStream out;
  {
    TCompressionStream z(TCompressionLevel::clMax, true, out);
    for (size_t i = 0; i < text.size(); i += 1000) z.WriteBuffer(text.data() + i, std::min<size_t>(1000, text.size() - i));
    z.Finish();
    EXPECT_EQ(z.Size(), static_cast<int64_t>(text.size()));
    EXPECT_EQ(z.Position(), static_cast<int64_t>(text.size()));
    EXPECT_EQ(z.CRC32(), static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size()))));
    EXPECT_GT(z.CompressionRate(), 50.0);
    char c;
    EXPECT_EQ(MessageOf([&] { z.Read(&c, 1); }), "Invalid stream operation");
    EXPECT_EQ(MessageOf([&] { z.Seek(1, TXLSSeekOrigin::soBeginning); }), "Invalid stream operation");
  }
  out.SetPosition(0);
  auto d = TDecompressionStream::CreateZip(out, out.Size());
  EXPECT_EQ(d->ReadAll(1 << 20), text);
}

}  // namespace
}  // namespace xls
