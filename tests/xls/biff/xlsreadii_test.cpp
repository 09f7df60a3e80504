// The record loop over real files saved by LibreOffice and Gnumeric and over hand-built streams:
// sub-streams, sheet list, record counts and raw storage, the protected twin, early BIFF files,
// the wrapped error texts, the raw drawing and chart paths, bounded bodies, progress and abort.
#include "xls/biff/xlsreadii.h"

#include <gtest/gtest.h>
#include <nettle/arcfour.h>
#include <nettle/md5.h>

#include <array>
#include <map>

#include "platform/cfb.h"
#include "platform/textcodec.h"
#include "tests/xls/biff/frame_fixtures.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsworksheetdata.h"

namespace xls::biff {
namespace {

using kws::test::BiffRecord;
using kws::test::Bof2Body;
using kws::test::Bof5Body;
using kws::test::Bof8Body;
using kws::test::BoundSheet5Body;
using kws::test::BoundSheet8Body;
using kws::test::Le16;
using kws::test::Le32;
using namespace xls::biff::test;

std::string R(uint16_t id, std::string_view body = {}) { return BiffRecord(id, body); }
const std::string Eof = BiffRecord(0x000A, "");

std::string LoadError(TBIFF5& biff, const std::vector<uint8_t>& bytes) {
  try {
    biff.LoadFromStream(std::span<const uint8_t>(bytes));
  } catch (const XLSRWException& e) {
    return e.what();
  }
  return "(no error)";
}

std::string Wrapped(int n, uint16_t id, size_t offset, const std::string& message) {
  char head[80];
  std::snprintf(head, sizeof head, "Error on reading record # %d, %.4X Offs: %.8X\r", n, unsigned(id),
                unsigned(offset));
  return head + message;
}

std::vector<uint16_t> Ids(const TBaseRecordStorage& s) {
  std::vector<uint16_t> ids;
  for (size_t i = 0; i < s.Count(); ++i) ids.push_back(s.Items(i)->RecId);
  return ids;
}

// ---- real files -----------------------------------------------------------------------------

struct WalkedRecord {
  uint16_t id;
  size_t end;  // offset just past the body
  size_t length;
};

// An independent walk over the workbook stream: the records of each sub-stream, BOF to EOF.
std::vector<std::vector<WalkedRecord>> SubStreams(const std::vector<uint8_t>& file, size_t& total) {
  auto root = kws::OpenCompoundData(file);
  auto s = root.OpenStream(u"Workbook");
  if (!s) s = root.OpenStream(u"Book");
  const std::vector<uint8_t> d = s->ReadAll();
  std::vector<std::vector<WalkedRecord>> subs;
  size_t pos = 0;
  total = 0;
  while (pos + 4 <= d.size()) {
    const uint16_t id = uint16_t(d[pos] | (d[pos + 1] << 8));
    const size_t len = size_t(d[pos + 2] | (d[pos + 3] << 8));
    pos += 4 + len;
    if ((id & 0xFF) == 0x09) subs.emplace_back();
    subs.back().push_back({id, pos, len});
    ++total;
  }
  return subs;
}

std::vector<uint16_t> WithoutDefaults(const std::vector<uint16_t>& ids, const TBaseRecordStorage& defaults) {
  std::vector<uint16_t> out;
  for (uint16_t id : ids)
    if (defaults.FindRecord(id) < 0) out.push_back(id);
  return out;
}

// Records the loop consumes itself (no handlers of the record units installed); the drawing group
// and the sheet drawings are read by the drawing layer and leave their placeholder slots.
bool FrameConsumes(uint16_t id) {
  switch (id) {
    case 0x00EB:
    case 0x00EC:
    case 0x0085:
    case 0x002F:
    case 0x020B:
    case 0x00D7:
    case 0x00FF:
    case 0x01A9:
    case 0x0863:
    case 0x087C:
    case 0x087D:
    case 0x088C:
    case 0x088E:
    case 0x0892:
    case 0x0896:
    case 0x089A:
    case 0x089B:
    case 0x08A3:
      return true;
    default:
      return (id & 0xFF) == 0x09 || id == 0x000A;
  }
}

struct RealFile {
  const char* name;
  TExcelVersion version;
  const char16_t* password;
};

class RecordLoop_RealFiles : public testing::TestWithParam<RealFile> {};

TEST_P(RecordLoop_RealFiles, SubStreamsSheetListAndRecordCounts) {
  const RealFile& f = GetParam();
  const auto bytes = FrameFile(f.name);
  Hub hub;
  hub.M().FPassword = f.password;
  TBIFF5 biff(hub.M());
  // At each progress event: the record number the loop has reached and the stream position.
  std::vector<std::pair<int32_t, int64_t>> events;
  biff.FProgressEvent = [&](TXLSReadII& r, int32_t) {
    events.emplace_back(r.RecordNumber(), r.Stream().Pos());
  };
  biff.LoadFromStream(std::span<const uint8_t>(bytes));
  EXPECT_EQ(biff.Version(), f.version);

  size_t total = 0;
  const auto subs = SubStreams(bytes, total);
  ASSERT_EQ(subs.size(), 4u) << "globals and three worksheets";
  // Record numbers count every record of the stream: record n of the loop is the n-th record of
  // the walk, and the stream stands inside it (just past its header or its body).
  std::vector<WalkedRecord> flat;
  for (const auto& sub : subs) flat.insert(flat.end(), sub.begin(), sub.end());
  EXPECT_EQ(flat.size(), total);
  ASSERT_GE(events.size(), 3u);
  EXPECT_LE(events.size(), 101u);
  for (size_t e = 1; e + 1 < events.size(); ++e) {
    const auto [n, pos] = events[e];
    ASSERT_LT(size_t(n), flat.size());
    EXPECT_GE(pos, int64_t(flat[size_t(n)].end - flat[size_t(n)].length)) << "event " << e;
    EXPECT_LE(pos, int64_t(flat[size_t(n)].end)) << "event " << e;
  }
  EXPECT_GT(events[events.size() - 2].first, int32_t(total * 9 / 10));

  // Sheet list: legacy sheets and model worksheets, Beta hidden.
  const char16_t* names[] = {u"Alpha", u"Beta", u"Gamma"};
  ASSERT_EQ(biff.Sheets().Count(), 3u);
  ASSERT_EQ(hub.M().Worksheets().Count(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(biff.GetSheet(i)->Name(), names[i]);
    EXPECT_EQ(biff.GetSheet(i)->FSheetIndex, int32_t(i));
    EXPECT_TRUE(biff.GetSheet(i)->FHasDefaultRecords);
    EXPECT_EQ(hub.M().Worksheets().Items(i)->FName, names[i]);
  }
  EXPECT_EQ(biff.GetSheet(1)->FHidden, THiddenState::hsHidden);
  EXPECT_EQ(hub.M().Worksheets().Items(1)->FState, TXc12Visibility::x12vHidden);
  EXPECT_EQ(hub.M().Worksheets().Items(0)->FState, TXc12Visibility::x12vVisible);

  // Each storage: its defaults (BOF and EOF from the file) and the sub-stream's records that
  // the loop did not consume, in file order.
  const TRecordStorageGlobals freshGlobals;
  const TRecordStorageSheet freshSheet;
  for (size_t k = 0; k < 4; ++k) {
    const TRecordStorageDefault& st =
        k == 0 ? static_cast<const TRecordStorageDefault&>(biff.Records()) : biff.GetSheet(k - 1)->Records();
    const TBaseRecordStorage& defaults = k == 0 ? freshGlobals.Defaults() : freshSheet.Defaults();
    std::vector<uint16_t> loose;
    for (const auto& r : subs[k])
      if (!FrameConsumes(r.id)) loose.push_back(r.id);
    const std::vector<uint16_t> ids = Ids(st);
    ASSERT_EQ(ids.size(), defaults.Count() + loose.size()) << "sub-stream " << k;
    EXPECT_EQ(WithoutDefaults(ids, defaults), WithoutDefaults(loose, defaults)) << "sub-stream " << k;
    EXPECT_EQ(ids.front(), 0x0809);
    EXPECT_EQ(ids.back(), 0x000A);
  }
  EXPECT_EQ(biff.Records().BOF().U16(4), 6319);  // build word of the globals BOF
  ASSERT_NE(biff.ExtraObjects().Saved(), nullptr);
  EXPECT_EQ(biff.ExtraObjects().Saved()->Find(u"Workbook"), nullptr);
  EXPECT_NE(biff.ExtraObjects().Saved()->Find(u"\x05SummaryInformation"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Files, RecordLoop_RealFiles,
                         testing::Values(RealFile{"lo-biff8.xls", TExcelVersion::xvExcel97, u""},
                                         RealFile{"lo-biff8-protected.xls", TExcelVersion::xvExcel97,
                                                  u"frame-pw"},
                                         RealFile{"gn-biff8.xls", TExcelVersion::xvExcel97, u""},
                                         RealFile{"gn-biff7.xls", TExcelVersion::xvExcel50, u""}),
                         [](const testing::TestParamInfo<RealFile>& i) {
                           std::string n = i.param.name;
                           for (char& c : n)
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return n;
                         });

void ExpectSameStorage(const TBaseRecordStorage& a, const TBaseRecordStorage& b) {
  ASSERT_EQ(a.Count(), b.Count());
  for (size_t i = 0; i < a.Count(); ++i) {
    EXPECT_EQ(a.Items(i)->RecId, b.Items(i)->RecId) << i;
    EXPECT_EQ(a.Items(i)->Data, b.Items(i)->Data)
        << "record " << i << " id " << std::hex << a.Items(i)->RecId;
  }
}

// The protected file read with its password stores exactly the records of its plain twin.
TEST(RecordLoop_Protected, SameRecordsAsThePlainTwin) {
  const auto plainBytes = FrameFile("lo-biff8.xls");
  const auto protBytes = FrameFile("lo-biff8-protected.xls");
  Hub h1, h2;
  TBIFF5 plain(h1.M()), prot(h2.M());
  h2.M().FPasswordEvent = [](std::u16string& p) { p = u"frame-pw"; };
  plain.LoadFromStream(std::span<const uint8_t>(plainBytes));
  prot.LoadFromStream(std::span<const uint8_t>(protBytes));
  ExpectSameStorage(plain.Records(), prot.Records());
  ASSERT_EQ(plain.Sheets().Count(), prot.Sheets().Count());
  for (size_t i = 0; i < plain.Sheets().Count(); ++i)
    ExpectSameStorage(plain.GetSheet(i)->Records(), prot.GetSheet(i)->Records());
  EXPECT_EQ(prot.FPassword, u"");  // a given password is not copied
}

TEST(RecordLoop_Protected, PasswordErrors) {
  const auto bytes = FrameFile("lo-biff8-protected.xls");
  size_t total = 0;
  const auto subs = SubStreams(bytes, total);
  int n = 0;
  size_t end = 0;
  for (const auto& r : subs[0]) {
    if (r.id == 0x002F) {
      end = r.end;
      break;
    }
    ++n;
  }
  const std::string missing =
      "E1003: File is encrypted, password missing. If you think the file is unencrypted, try "
      "\"VelvetSweatshop\"";
  {
    Hub hub;
    TBIFF5 biff(hub.M());
    EXPECT_EQ(LoadError(biff, bytes), Wrapped(n, 0x002F, end, missing));
    EXPECT_EQ(biff.Sheets().Count(), 1u);  // FILEPASS comes before the sheet list: one empty sheet
  }
  {
    Hub hub;
    hub.M().FPassword = u"wrong";
    TBIFF5 biff(hub.M());
    EXPECT_EQ(LoadError(biff, bytes),
              Wrapped(n, 0x002F, end, "E1004: File is encrypted, password is wrong."));
  }
  {
    Hub hub;
    hub.M().FPasswordEvent = [](std::u16string& p) { p.clear(); };
    TBIFF5 biff(hub.M());
    EXPECT_EQ(LoadError(biff, bytes), Wrapped(n, 0x002F, end, missing));
  }
  {
    // The event gives up: no error; reading goes on without decryption.
    Hub hub;
    hub.M().FPasswordEvent = [&](std::u16string&) { hub.M().FAborted = true; };
    TBIFF5 biff(hub.M());
    EXPECT_EQ(LoadError(biff, bytes), "(no error)");
  }
}

// An RC4 FILEPASS for `password` and a body encrypted at its stream offset, made with nettle
// alone (MS-OFFCRYPTO RC4 encryption, version 1.1).
struct Rc4Maker {
  std::array<uint8_t, 16> salt{};
  std::array<uint8_t, 5> h1{};
  explicit Rc4Maker(std::u16string_view password) {
    for (int i = 0; i < 16; ++i) salt[i] = uint8_t(0x31 * i + 7);
    std::string pw;
    for (char16_t c : password) pw += Le16(uint16_t(c));
    const auto h0 = Md5(pw);
    std::string inter;
    for (int i = 0; i < 16; ++i)
      inter += std::string(h0.begin(), h0.begin() + 5) + std::string(salt.begin(), salt.end());
    const auto h = Md5(inter);
    std::copy_n(h.begin(), 5, h1.begin());
  }
  static std::array<uint8_t, 16> Md5(std::string_view d) {
    md5_ctx c;
    md5_init(&c);
    md5_update(&c, d.size(), reinterpret_cast<const uint8_t*>(d.data()));
    std::array<uint8_t, 16> out;
    md5_digest(&c, 16, out.data());
    return out;
  }
  arcfour_ctx Key(uint32_t block) const {
    const auto k = Md5(std::string(h1.begin(), h1.end()) + Le32(block));
    arcfour_ctx c;
    arcfour_set_key(&c, 16, k.data());
    return c;
  }
  std::string FilePass() const {
    std::string v(16, '\0');
    for (int i = 0; i < 16; ++i) v[i] = char(0xA0 + i);
    const auto hash = Md5(v);
    std::string enc = v + std::string(hash.begin(), hash.end());
    arcfour_ctx c = Key(0);
    arcfour_crypt(&c, 32, reinterpret_cast<uint8_t*>(enc.data()),
                  reinterpret_cast<const uint8_t*>(enc.data()));
    return Le16(1) + Le16(1) + Le16(1) + std::string(salt.begin(), salt.end()) + enc;
  }
  // `plain` lying at stream offset `offset` (all within one 1024-byte block).
  std::string Encrypt(std::string plain, size_t offset) const {
    arcfour_ctx c = Key(uint32_t(offset / 1024));
    std::string skip(offset % 1024, '\0');
    arcfour_crypt(&c, skip.size(), reinterpret_cast<uint8_t*>(skip.data()),
                  reinterpret_cast<const uint8_t*>(skip.data()));
    arcfour_crypt(&c, plain.size(), reinterpret_cast<uint8_t*>(plain.data()),
                  reinterpret_cast<const uint8_t*>(plain.data()));
    return plain;
  }
};

TEST(RecordLoop_Protected, DefaultPasswordOpensWithoutOne) {
  const Rc4Maker rc4(u"VelvetSweatshop");
  const std::string head = R(0x0809, Bof8Body(5)) + R(0x002F, rc4.FilePass());
  const size_t bodyAt = head.size() + 4;
  // (A workbook whose load reads no sheet ends cleared, so the stream names one.)
  const std::string file = head + R(0x0099, rc4.Encrypt("hello", bodyAt)) +
                           R(0x0085, rc4.Encrypt(BoundSheet8Body("S"), bodyAt + 9)) + Eof;
  Hub hub;
  TBIFF5 biff(hub.M());
  biff.LoadFromStream(std::span<const uint8_t>(Compound(file)));
  EXPECT_EQ(biff.FPassword, u"VelvetSweatshop");
  const int i = biff.Records().FindRecord(0x0099);
  ASSERT_GE(i, 0);
  EXPECT_EQ(
      std::string(biff.Records().Items(size_t(i))->Data.begin(), biff.Records().Items(size_t(i))->Data.end()),
      "hello");

  const std::string xorObfuscation =
      R(0x0809, Bof8Body(5)) + R(0x002F, Le16(0) + Le16(0x1234) + Le16(0x5678)) + Eof;
  EXPECT_EQ(LoadError(biff, Compound(xorObfuscation)),
            Wrapped(1, 0x002F, 20 + 10, "E1002: Unknown type of encryption"));
}

// ---- early files ----------------------------------------------------------------------------

TEST(RecordLoop_EarlyFiles, BIFF2AndBIFF3AreOneSheetNamedSheet1) {
  for (const auto& [bofId, version] : {std::pair<uint16_t, TExcelVersion>{0x0009, TExcelVersion::xvExcel21},
                                       {0x0209, TExcelVersion::xvExcel30}}) {
    const std::string file = R(bofId, Bof2Body(bofId == 0x0009 ? 2 : 3, 0x0010)) + R(0x0099, "before") +
                             R(0x020B, std::string(12, '\0')) + R(0x0098, "after") + Eof + R(0x8123, "never");
    Hub hub;
    TBIFF5 biff(hub.M());
    biff.LoadFromStream(std::span<const uint8_t>(Bytes(file)));
    EXPECT_EQ(biff.Version(), version);
    ASSERT_EQ(biff.Sheets().Count(), 1u);
    EXPECT_EQ(biff.GetSheet(0)->Name(), u"Sheet1");
    ASSERT_EQ(hub.M().Worksheets().Count(), 1u);
    EXPECT_EQ(hub.M().Worksheets().Items(0)->FName, u"Sheet1");
    EXPECT_EQ(Ids(biff.Records()), std::vector<uint16_t>{0x0099});
    const auto sheetIds = Ids(biff.GetSheet(0)->Records());
    EXPECT_EQ(sheetIds.front(), 0x0098);
    EXPECT_EQ(sheetIds.back(), 0x000A);
  }
}

TEST(RecordLoop_EarlyFiles, BIFF4WorksheetReaderRunsItsOwnTable) {
  const std::string number = Le16(0) + Le16(0) + Le16(0) + kws::test::LeF64(1.5);
  const std::string file = R(0x0409, Bof2Body(4, 0x0010)) + R(0x0203, number) + R(0x0006, "formula") +
                           R(0x0203, number) + Eof + R(0x0203, number);
  Hub hub;
  TBIFF5 biff(hub.M());
  int numbers = 0, formulas = 0;
  biff.Handlers().SetBIFF4(0x0203, [&](TXLSReadII& r) {
    ++numbers;
    EXPECT_EQ(r.Body().F64(6), 1.5);
    EXPECT_EQ(r.Version(), TExcelVersion::xvExcel50);
  });
  biff.Handlers().Set(0x0006, [&](TXLSReadII&) { ++formulas; });
  biff.LoadFromStream(std::span<const uint8_t>(Bytes(file)));
  EXPECT_EQ(numbers, 2);
  EXPECT_EQ(formulas, 0);
  ASSERT_EQ(hub.M().Worksheets().Count(), 1u);
  EXPECT_EQ(hub.M().Worksheets().Items(0)->FName, u"Sheet1");
  EXPECT_EQ(biff.Sheets().Count(), 1u);  // no legacy sheet read: one empty sheet

  // A record longer than a BIFF5 buffer ends reading without a message.
  const std::string longRec =
      R(0x0409, Bof2Body(4, 0x0010)) + R(0x0999, std::string(2081, 'x')) + R(0x0203, number);
  numbers = 0;
  biff.LoadFromStream(std::span<const uint8_t>(Bytes(longRec)));
  EXPECT_EQ(numbers, 0);
}

// ---- errors ---------------------------------------------------------------------------------

TEST(RecordLoop_Errors, WrappedTexts) {
  const std::string g8 = R(0x0809, Bof8Body(5));  // 20 bytes
  struct Case {
    const char* what;
    std::string stream;
    std::string expected;
  } cases[] = {
      {"bad record", g8 + R(0x8123, "xy"), Wrapped(1, 0x8123, 24, "Bad record in file")},
      {"globals BOF of 257 bytes", R(0x0809, Bof8Body(5) + std::string(241, '\0')),
       Wrapped(0, 0x0809, 261, "Invalid BOF size")},
      {"globals BOF of 256 bytes", R(0x0809, Bof8Body(5) + std::string(240, '\0')) + Eof, "(no error)"},
      // A module holds no cells: its substream is stepped over, even when the stream ends in it.
      {"VB module sheet", g8 + R(0x0085, BoundSheet8Body("M", 0, 6)) + Eof + R(0x0809, Bof8Body(0x0006)),
       "(no error)"},
      {"workspace BOF", R(0x0809, Bof8Body(0x0100)), Wrapped(0, 0x0809, 20, "BIFF4 Workbook unhandled")},
      {"skipped records are not counted",
       g8 + R(0x01AA, "view") + R(0x0203, "a") + R(0x00FC, "b") + R(0x01AB, "") + R(0x8000, ""),
       Wrapped(2, 0x8000, 20 + 8 + 5 + 5 + 4 + 4, "Bad record in file")},
      {"worksheet without a sheet-list entry",
       g8 + R(0x0085, BoundSheet8Body("A")) + Eof + R(0x0809, Bof8Body(0x10)) + R(0x0809, Bof8Body(0x10)),
       Wrapped(4, 0x0809, 20 + 13 + 4 + 20 + 20, "Worksheet substream without an entry in the sheet list")},
  };
  for (const auto& c : cases) {
    Hub hub;
    TBIFF5 biff(hub.M());
    EXPECT_EQ(LoadError(biff, Compound(c.stream)), c.expected) << c.what;
    EXPECT_GE(biff.Sheets().Count(), 1u) << c.what;
  }
  // A frame handler's engine error is wrapped too; other exceptions pass unchanged.
  Hub hub;
  TBIFF5 biff(hub.M());
  const auto slot = [](TXLSReadII& r) { r.CurrRecs->UpdateDefault(r.Header, r.Body().Span()); };
  const std::vector<uint8_t> twoSizes = Compound(g8 + R(0x0042, Le16(1252)) + R(0x0042, Le32(1)) + Eof);
  biff.Handlers().Set(0x0042, slot, false, TBIFFRecordKind::Frame);
  EXPECT_EQ(LoadError(biff, twoSizes),
            Wrapped(2, 0x0042, 20 + 6 + 8, "Size missmatch on default record 0042"));
  biff.Handlers().Set(0x0042, [](TXLSReadII&) { throw std::out_of_range("plain"); });
  EXPECT_THROW(biff.LoadFromStream(std::span<const uint8_t>(Compound(g8 + R(0x0042, "12")))),
               std::out_of_range);
}

// A content handler's engine error skips its record with warning 2003 (record number, id, the
// record's offset, the reason) and the load goes on to its end.
TEST(RecordLoop_Errors, ContentErrorsSkipTheRecordWithAWarning) {
  const std::string g8 = R(0x0809, Bof8Body(5));
  Hub hub;
  TXLSErrorList list;
  hub.M().Errors()->SetErrorList(&list);
  TBIFF5 biff(hub.M());
  biff.Handlers().Set(0x0042, [](TXLSReadII& r) { r.CurrRecs->UpdateDefault(r.Header, r.Body().Span()); });
  const std::string globals = g8 + R(0x0085, BoundSheet8Body("S")) + R(0x0042, Le16(936)) +
                              R(0x0042, Le32(1)) + R(0x0099, "after") + Eof;
  EXPECT_EQ(LoadError(biff, Compound(globals + R(0x0809, Bof8Body(0x10)) + Eof)), "(no error)");
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].Number, XLSWARN_BIFF_RECORD_SKIPPED);
  EXPECT_EQ(kws::Utf16ToUtf8(list[0].Text),
            "W2003: Damaged record skipped: # 3, 0042 Offs: 00000027: Size missmatch on default record 0042");
  // The first record stays in its slot, the loop reads on to the sheet.
  EXPECT_EQ(biff.Records().Slot(size_t(biff.Records().SlotOf(0x0042)))->View().U16(0), 936);
  const auto ids = Ids(biff.Records());
  EXPECT_NE(std::find(ids.begin(), ids.end(), 0x0099), ids.end());
  EXPECT_EQ(biff.GetSheet(0)->Name(), u"S");

  // The warning cap of the load holds: 300 damaged records give 200 warnings.
  list.clear();
  biff.Handlers().Set(0x0203, [](TXLSReadII&) { throw XLSRWException("Record too short"); });
  std::string many = g8;
  for (int i = 0; i < 300; ++i) many += R(0x0203, "x");
  EXPECT_EQ(LoadError(biff, Compound(many + Eof)), "(no error)");
  EXPECT_EQ(list.size(), size_t(TXLSWarningCap::kMax));
}

TEST(RecordLoop_Errors, NotAWorkbookUnwrapped) {
  for (const std::string& bad : {std::string("PK\x03\x04\x14\x00", 6), std::string("<html>table</html>")}) {
    Hub hub;
    TBIFF5 biff(hub.M());
    EXPECT_EQ(LoadError(biff, Bytes(bad)), "The file is not an Excel workbook");
    EXPECT_EQ(biff.Sheets().Count(), 1u);
  }
  // An encrypted package named .xls has no records to loop over.
  Hub hub;
  TBIFF5 biff(hub.M());
  EXPECT_EQ(LoadError(biff, Compound("info", u"EncryptionInfo")), "The file is not an Excel workbook");
}

// ---- sheet list, chart sheets, drawings -----------------------------------------------------

TEST(RecordLoop_Sheets, WorksheetWhereTheListSaysChartGetsItsSheet) {
  const std::string file = R(0x0809, Bof8Body(5)) + R(0x0085, BoundSheet8Body("A")) +
                           R(0x0085, BoundSheet8Body("C", 0, 2)) + Eof + R(0x0809, Bof8Body(0x10)) + Eof +
                           R(0x0809, Bof8Body(0x10)) + R(0x0099, "x") + Eof + R(0x8123, "after the end");
  Hub hub;
  TBIFF5 biff(hub.M());
  biff.LoadFromStream(std::span<const uint8_t>(Compound(file)));
  ASSERT_EQ(biff.Sheets().Count(), 2u);
  ASSERT_EQ(hub.M().Worksheets().Count(), 2u);
  EXPECT_EQ(biff.GetSheet(1)->Name(), u"C");
  EXPECT_EQ(hub.M().Worksheets().Items(1)->FName, u"C");
  EXPECT_EQ(biff.GetSheet(1)->Records().FindRecord(0x0099), 1);
}

TEST(RecordLoop_Sheets, ChartSheetKeptRawBetweenWorksheets) {
  const std::string chart =
      R(0x0809, Bof8Body(0x20)) + R(0x1002, "chart") + R(0x0809, Bof8Body(0x20)) + Eof + R(0x1033, "") + Eof;
  const std::string file = R(0x0809, Bof8Body(5)) + R(0x0085, BoundSheet8Body("A")) +
                           R(0x0085, BoundSheet8Body("C", 1, 2)) + R(0x0085, BoundSheet8Body("B", 2)) + Eof +
                           R(0x0809, Bof8Body(0x10)) + R(0x0099, "a") + Eof + chart +
                           R(0x0809, Bof8Body(0x10)) + R(0x0098, "b") + Eof + R(0x8123, "never read");
  Hub hub;
  TBIFF5 biff(hub.M());
  biff.LoadFromStream(std::span<const uint8_t>(Compound(file)));
  ASSERT_EQ(hub.M().Worksheets().Count(), 2u);
  EXPECT_EQ(hub.M().Worksheets().Items(1)->FName, u"B");
  EXPECT_EQ(hub.M().Worksheets().Items(1)->FState, TXc12Visibility::x12vVeryHidden);
  ASSERT_EQ(biff.Sheets().Count(), 2u);
  EXPECT_EQ(biff.GetSheet(1)->FSheetIndex, 2);
  EXPECT_EQ(biff.GetSheet(1)->Records().FindRecord(0x0098), 1);
  ASSERT_EQ(biff.SheetCharts().size(), 1u);
  const TRawChartSheet& c = *biff.SheetCharts()[0];
  EXPECT_EQ(c.Name, u"C");
  EXPECT_EQ(c.SheetIndex, 1);
  EXPECT_EQ(Ids(c.Records), (std::vector<uint16_t>{0x0809, 0x1002, 0x0809, 0x000A, 0x1033, 0x000A}));
}

TEST(RecordLoop_Drawings, KeptRawInStepWhenSkipped) {
  const std::string objChart = Le16(0x15) + Le16(18) + Le16(5) + Le16(1) + std::string(14, '\0');
  const std::string objPicture = Le16(0x15) + Le16(18) + Le16(8) + Le16(2) + std::string(14, '\0');
  const std::string file = R(0x0809, Bof8Body(5)) + R(0x0085, BoundSheet8Body("A")) + R(0x00EB, "group") +
                           R(0x003C, "more") + R(0x00EB, "again") + R(0x0097, "g") + Eof +  //
                           R(0x0809, Bof8Body(0x10)) + R(0x00EC, "drawing1") + R(0x005D, objChart) +
                           R(0x0809, Bof8Body(0x20)) + R(0x1002, "in chart") + Eof + R(0x00EC, "drawing2") +
                           R(0x005D, objPicture) + R(0x01B6, "txo") + R(0x01AA, "custom view") +
                           R(0x00EC, "hidden drawing") + R(0x01AB, "") + R(0x00ED, "sel") + Eof;
  Hub hub;
  TBIFF5 biff(hub.M());
  biff.FSkipDrawing = true;
  biff.LoadFromStream(std::span<const uint8_t>(Compound(file)));
  auto g = Ids(biff.Records());
  const auto at = std::find(g.begin(), g.end(), 0x00EB);
  ASSERT_LE(at + 4, g.end());
  EXPECT_EQ(std::vector<uint16_t>(at, at + 4), (std::vector<uint16_t>{0x00EB, 0x003C, 0x00EB, 0x0097}));
  auto s = Ids(biff.GetSheet(0)->Records());
  EXPECT_EQ(std::vector<uint16_t>(s.begin() + 1, s.begin() + 11),
            (std::vector<uint16_t>{0x00EC, 0x005D, 0x0809, 0x1002, 0x000A, 0x00EC, 0x005D, 0x01B6, 0x00ED,
                                   0x000D}));
  EXPECT_EQ(biff.GetSheet(0)->Records().Items(5)->Data.size(), 0u);  // the chart's EOF, raw
  // The sheet's own EOF still took its slot, behind all the sheet's defaults.
  EXPECT_EQ(s.size(), 1u + 9u + 26u);
  EXPECT_EQ(biff.GetSheet(0)->Records().Slot(TRecordStorageSheet::PEOF),
            biff.GetSheet(0)->Records().Items(s.size() - 1));
  EXPECT_EQ(std::string(biff.GetSheet(0)->Records().Items(6)->Data.begin(),
                        biff.GetSheet(0)->Records().Items(6)->Data.end()),
            "drawing2");
}

// ---- the handler table --------------------------------------------------------------------------

// Handlers of low and high ids are found, replaced and removed one by one; a copy of the table
// keeps its own handlers.
TEST(RecordHandlers_Table, SetReplaceRemoveAndCopy) {
  TBIFFRecordHandlers t;
  std::vector<int> calls;
  Hub hub;
  TBIFF5 biff(hub.M());
  TXLSReadII reader(biff);
  const auto call = [&](const TBIFFRecordHandlers& h, uint16_t id) {
    const TBIFFRecordHandler* f = h.Find(id);
    if (!f) return false;
    f->Handle(reader);
    return true;
  };
  for (const uint16_t id : {0x0000, 0x00FC, 0x0FFF, 0x1000, 0x1066, 0xFFFF})
    t.Set(
        id, [&calls, id](TXLSReadII&) { calls.push_back(id); }, id == 0x00FC);
  t.Set(0x0203, [&calls](TXLSReadII&) { calls.push_back(1); });
  t.Set(0x0203, [&calls](TXLSReadII&) { calls.push_back(2); });  // replaces
  EXPECT_TRUE(t.Find(0x00FC)->ReadsBody);
  EXPECT_FALSE(t.Find(0x1066)->ReadsBody);
  EXPECT_EQ(t.Find(0x0204), nullptr);
  EXPECT_EQ(t.Find(0x1001), nullptr);
  const TBIFFRecordHandlers copy = t;
  t.Remove(0x00FC);
  t.Remove(0x1000);
  t.Remove(0x0204);  // absent: nothing happens
  for (const uint16_t id : {0x0000, 0x0FFF, 0x1066, 0xFFFF, 0x0203}) EXPECT_TRUE(call(t, id)) << id;
  EXPECT_FALSE(call(t, 0x00FC));
  EXPECT_FALSE(call(t, 0x1000));
  EXPECT_EQ(calls, (std::vector<int>{0x0000, 0x0FFF, 0x1066, 0xFFFF, 2}));
  calls.clear();
  EXPECT_TRUE(call(copy, 0x00FC));
  EXPECT_TRUE(call(copy, 0x1000));
  EXPECT_EQ(calls, (std::vector<int>{0x00FC, 0x1000}));
}

// ---- bodies, buffer, progress, abort ----------------------------------------------------------

TEST(RecordLoop_Bodies, ShortRecordsReadZerosNotStaleBytes) {
  const std::string file = R(0x0809, Bof5Body(5)) + R(0x0085, BoundSheet5Body("S")) +
                           R(0x0999, std::string(20, '\xFF')) + R(0x0809, Bof5Body(0x10)) +
                           R(0x0999, std::string(20, '\xFF')) + R(0x0998, "ab") + R(0x0995, "unread body") +
                           R(0x0997, std::string(9000, 'L')) + R(0x0996, "n") + Eof;
  Hub hub;
  TBIFF5 biff(hub.M());
  uint32_t biffVer = 1;
  bool zeros = false;
  biff.Handlers().Set(0x0998, [&](TXLSReadII& r) {
    biffVer = r.FBIFFVer;
    EXPECT_EQ(r.Body().Size(), 2u);
    EXPECT_EQ(r.Body().U32(0), 0x6261u);
    zeros = std::all_of(r.Buffer().begin() + 2, r.Buffer().begin() + 20, [](uint8_t b) { return b == 0; });
  });
  // A handler that reads its own body but leaves it: the loop passes over the rest of the record.
  biff.Handlers().Set(
      0x0995, [](TXLSReadII& r) { r.InsertRecord = false; }, true);
  biff.LoadFromStream(std::span<const uint8_t>(Compound(file, u"Book")));
  EXPECT_EQ(biff.Version(), TExcelVersion::xvExcel50);
  EXPECT_EQ(biffVer, 0u) << "a BIFF5 BOF has no version field at 12";
  EXPECT_TRUE(zeros);
  const TRecordStorageSheet& st = biff.GetSheet(0)->Records();
  const int big = st.FindRecord(0x0997);
  ASSERT_GE(big, 0);
  EXPECT_EQ(st.Items(size_t(big))->Data.size(), 9000u);
  EXPECT_EQ(st.Items(size_t(big) + 1)->RecId, 0x0996);
  EXPECT_EQ(st.FindRecord(0x0995), -1);
  EXPECT_EQ(st.Items(size_t(big) - 1)->RecId, 0x0998);
  EXPECT_EQ(st.BOF().Size(), 8u);
}

TEST(RecordLoop_Progress, RisesToHundredAndStopsOnAbort) {
  std::string file = R(0x0809, Bof8Body(5)) + R(0x0085, BoundSheet8Body("S"));
  for (int i = 0; i < 300; ++i) file += R(0x0099, std::string(40, char(i)));
  file += Eof;
  const auto bytes = Compound(file);
  Hub hub;
  TBIFF5 biff(hub.M());
  std::vector<int32_t> seen;
  biff.FProgressEvent = [&](TXLSReadII&, int32_t p) { seen.push_back(p); };
  biff.LoadFromStream(std::span<const uint8_t>(bytes));
  ASSERT_GE(seen.size(), 3u);
  EXPECT_EQ(seen.front(), 0);
  EXPECT_EQ(seen.back(), 100);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end()) << "each percentage once";

  int handled = 0;
  biff.Handlers().Set(0x0099, [&](TXLSReadII& r) {
    if (++handled == 10) r.XLS().Abort();
  });
  seen.clear();
  biff.LoadFromStream(std::span<const uint8_t>(bytes));
  EXPECT_EQ(handled, 10);
  EXPECT_NE(seen.back(), 100);
  const auto ids = Ids(biff.Records());
  ASSERT_EQ(ids.size(), 19u + 10u);  // BOF ... BOUNDSHEET placeholder, then ten loose records
  EXPECT_EQ(ids.back(), 0x0099);
  EXPECT_EQ(ids[18], INTERNAL_BOUNDSHEETS);
  // The next load starts afresh.
  handled = 100;
  biff.LoadFromStream(std::span<const uint8_t>(bytes));
  EXPECT_EQ(handled, 400);
}

TEST(RecordLoop_Sheets, NoSheetReadLeavesOneEmptySheet) {
  Hub hub;
  TBIFF5 biff(hub.M());
  biff.LoadFromStream(std::span<const uint8_t>(Compound(R(0x0809, Bof8Body(5)) + Eof)));
  ASSERT_EQ(biff.Sheets().Count(), 1u);
  EXPECT_FALSE(biff.GetSheet(0)->FHasDefaultRecords);
  EXPECT_EQ(biff.OrigVersion(), TExcelVersion::xvNone);
}

TEST(RecordLoop_File, ReadByName) {
  Hub hub;
  TBIFF5 biff(hub.M());
  biff.SetFilename(FrameData("gn-biff7.xls"));
  biff.Read();
  EXPECT_EQ(biff.OrigVersion(), TExcelVersion::xvExcel50);
  EXPECT_EQ(biff.Sheets().Count(), 3u);
  biff.SetFilename(FrameData("no-such-file.xls"));
  EXPECT_THROW(biff.Read(), std::runtime_error);
}

}  // namespace
}  // namespace xls::biff
