// The record stream: sources and versions, continuation reads by real record length, wide
// strings, the write side, and RC4 decryption against LibreOffice's protected twin file.
#include "xls/biff/xlsstream.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/cfb.h"
#include "tests/xls/biff/frame_fixtures.h"
#include "xls/model/xlserrors.h"

namespace xls::biff {
namespace {

using kws::test::BiffRecord;
using kws::test::Le16;
using namespace xls::biff::test;

TEST(XLSStream_Open, VersionBySource) {
  const std::string bof = BiffRecord(0x0809, kws::test::Bof8Body(5));
  kws::test::CfbWriter both;
  both.AddStream(u"Book", bof);
  both.AddStream(u"Workbook", bof);
  both.AddStream(u"\x05SummaryInformation", "summary");
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    TExcelVersion version;
    int64_t size;  // of the stream read
  } cases[] = {
      {"Workbook stream", Compound(bof), TExcelVersion::xvExcel97, int64_t(bof.size())},
      {"Book stream", Compound(bof, u"Book"), TExcelVersion::xvExcel50, int64_t(bof.size())},
      {"both streams", Bytes(both.Build().bytes), TExcelVersion::xvExcel97, int64_t(bof.size())},
      {"encrypted package", Compound("x", u"EncryptionInfo"), TExcelVersion::xvOffice2007Encrypted, 1},
      {"bare BIFF2", Bytes(std::string("\x09\x00\x04\x00\x02\x00\x10\x00", 8)), TExcelVersion::xvExcel21, 8},
      {"bare BIFF3", Bytes(std::string("\x09\x02\x06\x00", 4)), TExcelVersion::xvExcel30, 4},
      {"bare BIFF4", Bytes(std::string("\x09\x04\x06\x00", 4)), TExcelVersion::xvExcel40, 4},
  };
  for (const auto& c : cases) {
    TXLSStream s;
    TExtraObjects extra;
    s.SetExtraObjects(&extra);
    s.SetSourceStream(c.bytes);
    EXPECT_EQ(s.OpenStorageRead({}), c.version) << c.what;
    EXPECT_EQ(s.Size(), c.size) << c.what;
  }
  // The copy of the other elements leaves out both workbook streams.
  TXLSStream s;
  TExtraObjects extra;
  s.SetExtraObjects(&extra);
  const auto b = Bytes(both.Build().bytes);
  s.SetSourceStream(b);
  s.OpenStorageRead({});
  ASSERT_NE(extra.Saved(), nullptr);
  ASSERT_EQ(extra.Saved()->Elements().size(), 1u);
  EXPECT_EQ(extra.Saved()->Elements()[0]->name, u"\x05SummaryInformation");
}

// A file that is no workbook is refused at once, whatever it is.
TEST(XLSStream_Open, NotAWorkbookAtOnce) {
  const char* const others[] = {"PK\x03\x04 renamed package", "<html><body>saved page</body></html>",
                                "\x09\x08\x10\x00 bare BIFF8", "\x09", ""};
  for (const char* o : others) {
    const auto bytes = Bytes(o);
    TXLSStream s;
    s.SetSourceStream(bytes);
    EXPECT_EQ(ErrorText([&] { s.OpenStorageRead({}); }), "The file is not an Excel workbook") << o;
  }
  const auto noStream = Compound("data", u"WordDocument");
  TXLSStream s;
  s.SetSourceStream(noStream);
  EXPECT_EQ(ErrorText([&] { s.OpenStorageRead({}); }), "The file is not an Excel workbook");
}

TXLSStream& OpenBare(TXLSStream& s, const std::vector<uint8_t>& bytes) {
  s.SetSourceStream(bytes);
  s.OpenStorageRead({});
  return s;
}

// Continuation records are taken at their real length, not at a fixed 8224 bytes.
TEST(XLSStream_Continue, FollowsRealLengths) {
  const std::string data = BiffRecord(0x0009, std::string("\x02\x00\x10\x00", 4)) +
                           BiffRecord(0x00EB, "0123456789") + BiffRecord(0x003C, "abc") +
                           BiffRecord(0x0866, std::string(14, 'h') + "DEFG") + BiffRecord(0x003C, "xyz") +
                           BiffRecord(0x000A, "");
  const auto bytes = Bytes(data);
  TXLSStream s;
  OpenBare(s, bytes);
  TBIFFHeader h;
  ASSERT_EQ(s.ReadHeader(h), 4);
  s.Seek(h.Length, 1);
  ASSERT_EQ(s.ReadHeader(h), 4);
  EXPECT_EQ(h.RecID, 0x00EB);
  s.BeginCONTINUERead();
  EXPECT_EQ(ErrorText([&] { s.BeginCONTINUERead(); }), "CONTINUE read active");
  std::string got(20, '\0');
  EXPECT_EQ(s.Read(got.data(), 20), 20u);
  EXPECT_EQ(got, "0123456789abcDEFGxyz");
  s.EndCONTINUERead();
  EXPECT_EQ(s.PeekHeader(), 0x000A);

  // A record of another kind where a continuation is needed.
  const auto broken =
      Bytes(BiffRecord(0x0009, std::string(4, '\0')) + BiffRecord(0x00EB, "01") + BiffRecord(0x0203, "zz"));
  TXLSStream t;
  OpenBare(t, broken);
  t.Seek(8, 0);
  t.ReadHeader(h);
  t.BeginCONTINUERead();
  char buf[4];
  EXPECT_EQ(ErrorText([&] { t.Read(buf, 4); }), "CONTINUE record is missing");
}

TEST(XLSStream_Continue, DrawingGroupOverTwoContinues) {
  std::string payload(20000, '\0');
  for (size_t i = 0; i < payload.size(); ++i) payload[i] = char(i * 7);
  TXLSStream w;
  w.OpenRawMemStreamWrite();
  w.Write("\x09\x00\x04\x00\x02\x00\x10\x00", 8);
  w.WriteCONTINUE(0x00EB, payload.data(), payload.size());
  const std::vector<uint8_t> bytes = w.WrittenData();
  ASSERT_EQ(bytes.size(), 8 + 4 * 3 + payload.size());
  EXPECT_EQ(bytes[8 + 2] | (bytes[8 + 3] << 8), 8224);

  TXLSStream s;
  OpenBare(s, bytes);
  s.Seek(8, 0);
  TBIFFHeader h;
  s.ReadHeader(h);
  s.BeginCONTINUERead();
  std::string got(20000, '\0');
  EXPECT_EQ(s.Read(got.data(), got.size()), 20000u);
  EXPECT_EQ(got, payload);
  EXPECT_EQ(s.Pos(), s.Size());
}

// A workbook stream whose sectors lie scattered is read in place piece by piece: records, peeks,
// continuations and seeks that cross from one piece to the next give what the stream holds.
TEST(XLSStream_Read, ScatteredStreamReadsLikeALaidOutOne) {
  std::string data = BiffRecord(0x0809, kws::test::Bof8Body(5));
  for (int i = 0; i < 120; ++i)
    data += BiffRecord(uint16_t(0x0200 + i), std::string(size_t(i * 7 % 61), char('a' + i % 26)));
  data += BiffRecord(0x00EB, std::string(900, 'g')) + BiffRecord(0x003C, std::string(700, 'h'));
  data += BiffRecord(0x000A, "");
  kws::test::CfbWriter w;
  w.AddStream(u"Workbook", data);
  auto layout = w.Build();
  layout.ReverseSectors(u"Workbook");
  const auto bytes = Bytes(layout.bytes);
  TXLSStream s;
  s.SetSourceStream(bytes);
  ASSERT_EQ(s.OpenStorageRead({}), TExcelVersion::xvExcel97);
  ASSERT_EQ(s.Size(), int64_t(data.size()));
  TBIFFHeader h;
  size_t at = 0;
  while (s.PeekHeader() != 0x00EB) {
    const uint16_t peeked = s.PeekHeader();
    ASSERT_EQ(s.ReadHeader(h), 4);
    EXPECT_EQ(h.RecID, peeked);
    std::string body(h.Length, '\0');
    ASSERT_EQ(s.Read(body.data(), body.size()), body.size());
    EXPECT_EQ(body, data.substr(at + 4, h.Length)) << "record at " << at;
    at += 4 + h.Length;
  }
  s.ReadHeader(h);
  s.BeginCONTINUERead();
  std::string joined(1600, '\0');
  EXPECT_EQ(s.Read(joined.data(), joined.size()), 1600u);
  EXPECT_EQ(joined, std::string(900, 'g') + std::string(700, 'h'));
  s.EndCONTINUERead();
  EXPECT_EQ(s.PeekHeader(), 0x000A);
  // Back to a record that starts in one piece and ends in the next.
  size_t cross = 0;
  for (size_t p = 0; p + 4 <= data.size(); p += 4 + size_t(uint8_t(data[p + 2]) | uint8_t(data[p + 3]) << 8))
    if (p / 512 != (p + 4) / 512) cross = p;
  ASSERT_GT(cross, 0u);
  s.Seek(int64_t(cross), 0);
  EXPECT_EQ(s.PeekHeader(), uint16_t(uint8_t(data[cross]) | uint8_t(data[cross + 1]) << 8));
  // Bytes are lent in place only from within one piece; the position moves only when they are.
  EXPECT_FALSE(s.ReadInPlace(8).has_value());
  EXPECT_EQ(s.Pos(), int64_t(cross));
  s.Seek(1024, 0);
  const auto lent = s.ReadInPlace(100);
  ASSERT_TRUE(lent.has_value());
  EXPECT_EQ(std::string(lent->begin(), lent->end()), data.substr(1024, 100));
  EXPECT_EQ(s.Pos(), 1124);
}

TEST(XLSStream_Read, WideStringsAndPeek) {
  const auto bytes = Bytes(std::string("\x09\x00\x00\x00", 4) + std::string("\0abc", 4) +
                           std::string("\x01h\0i\0", 5) + std::string("\x01z", 2));
  TXLSStream s;
  OpenBare(s, bytes);
  EXPECT_EQ(s.PeekHeader(), 0x0009);
  EXPECT_EQ(s.PeekMSOHeader(), 0x0000);
  EXPECT_EQ(s.Pos(), 0);
  s.Seek(4, 0);
  std::u16string t;
  EXPECT_EQ(s.ReadWideString(3, t), 4u);
  EXPECT_EQ(t, u"abc");
  EXPECT_EQ(s.ReadWideString(2, t), 5u);
  EXPECT_EQ(t, u"hi");
  // Five wide characters announced, one byte left: nothing is made up.
  EXPECT_EQ(s.ReadWideString(5, t), 2u);
  EXPECT_EQ(t, u"");
  EXPECT_EQ(s.PeekHeader(), 0);
  EXPECT_EQ(s.Seek(5, 7), 0);
  EXPECT_EQ(s.Seek(-100, 1), 0);
  EXPECT_EQ(s.Seek(100, 2), s.Size());
}

TEST(XLSStream_Write, RecordForms) {
  TXLSStream w;
  w.OpenRawMemStreamWrite();
  w.WriteMSOHeader(0xF, 2, 0xF000, 0x11223344);
  w.WriteUnicodeStr8({});
  const uint8_t wide[] = {1, 'a', 0, 'b', 0};
  w.WriteUnicodeStr8(wide);
  const uint8_t narrow[] = {0, 'x', 'y'};
  w.WriteUnicodeStr8(narrow);
  const std::vector<uint8_t> expected = {0x2F, 0x00, 0x00, 0xF0, 0x44, 0x33, 0x22, 0x11, 0x00, 0x02,
                                         1,    'a',  0,    'b',  0,    0x02, 0,    'x',  'y'};
  EXPECT_EQ(w.WrittenData(), expected);
  EXPECT_EQ(w.WrittenBytes(), int64_t(expected.size()));
}

// One walk over LibreOffice's plain and protected twins.
struct TwinRecord {
  uint16_t id;
  int64_t offset;  // of the body in the protected stream
  std::vector<uint8_t> plain;
};

// Records whose bodies hold stream positions, which differ between the twins by the FILEPASS.
bool HoldsPositions(uint16_t id) { return id == 0x0085 || id == 0x020B || id == 0x00FF; }

std::vector<TwinRecord> WalkTwins(TXLSStream& plain, TXLSStream& prot, int& boundaryBodies,
                                  int& boundaryHeaders) {
  std::vector<TwinRecord> out;
  boundaryBodies = boundaryHeaders = 0;
  TBIFFHeader hp, hx;
  while (plain.ReadHeader(hp) == 4) {
    const int64_t headerAt = prot.Pos();
    EXPECT_EQ(prot.ReadHeader(hx), 4);
    if (hx.RecID == 0x002F) {
      std::vector<uint8_t> fp(hx.Length);
      prot.Read(fp.data(), fp.size());
      EXPECT_FALSE(TXLSStream().SetReadDecrypt(fp, u"wrong"));
      EXPECT_TRUE(prot.SetReadDecrypt(fp, u"frame-pw"));
      prot.ReadHeader(hx);
    }
    EXPECT_EQ(hp.RecID, hx.RecID);
    EXPECT_EQ(hp.Length, hx.Length);
    std::vector<uint8_t> a(hp.Length), b(hx.Length);
    const int64_t at = prot.Pos();
    plain.ReadRecordBody(hp.RecID, a.data(), a.size());
    prot.ReadRecordBody(hx.RecID, b.data(), b.size());
    if (!HoldsPositions(hp.RecID)) {
      EXPECT_EQ(a, b) << "record " << std::hex << hp.RecID << " at " << at;
    }
    if (hp.Length > 0 && at / 1024 != (at + hp.Length - 1) / 1024) ++boundaryBodies;
    if (headerAt / 1024 != (headerAt + 3) / 1024) ++boundaryHeaders;
    out.push_back({hp.RecID, at, std::move(a)});
  }
  return out;
}

// LibreOffice's plain file and its protected twin, opened.
struct Twins {
  std::vector<uint8_t> plainBytes = FrameFile("lo-biff8.xls"),
                       protBytes = FrameFile("lo-biff8-protected.xls");
  TXLSStream plain, prot;
  Twins() {
    plain.SetSourceStream(plainBytes);
    prot.SetSourceStream(protBytes);
    EXPECT_EQ(plain.OpenStorageRead({}), TExcelVersion::xvExcel97);
    EXPECT_EQ(prot.OpenStorageRead({}), TExcelVersion::xvExcel97);
  }
};

TEST(XLSStream_RC4, ProtectedTwinDecryptsToThePlainBodies) {
  Twins t;
  int bodies = 0, headers = 0;
  const auto records = WalkTwins(t.plain, t.prot, bodies, headers);
  EXPECT_GT(records.size(), 1000u);
  EXPECT_GT(bodies, 5) << "record bodies across 1024-byte blocks";
  EXPECT_GT(headers, 0) << "record headers across 1024-byte blocks";
}

// A read that does not follow the previous one (a seek back, a read in reverse order) derives
// its key stream from its offset and decrypts the same bytes.
TEST(XLSStream_RC4, NonSequentialReadsStayInStep) {
  Twins t;
  TXLSStream& prot = t.prot;
  int bodies = 0, headers = 0;
  const auto records = WalkTwins(t.plain, prot, bodies, headers);
  int checked = 0;
  for (auto it = records.rbegin(); it != records.rend(); ++it) {
    // Records kept in clear are not decrypted by Read.
    if (HoldsPositions(it->id) || (it->id & 0xFF) == 0x09 || it->id == 0x00E1 || it->plain.empty()) continue;
    prot.Seek(it->offset, 0);
    std::vector<uint8_t> b(it->plain.size());
    ASSERT_EQ(prot.Read(b.data(), b.size()), b.size());
    ASSERT_EQ(b, it->plain) << "record " << std::hex << it->id << " at " << it->offset;
    // Peeking and reading the same record again after a backward seek.
    prot.PeekHeader();
    prot.Seek(it->offset + 1, 0);
    uint8_t tail = 0;
    if (b.size() > 1) {
      prot.Read(&tail, 1);
      ASSERT_EQ(tail, it->plain[1]);
    }
    ++checked;
  }
  EXPECT_GT(checked, 1000);
}

}  // namespace
}  // namespace xls::biff
