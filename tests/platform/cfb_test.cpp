#include "platform/cfb.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "tests/platform/cfb_walk.h"
#include "tests/support/cfbwriter.h"
#include "tests/support/tempdir.h"

namespace kws {
namespace {

using test::CfbImageLayout;
using test::CfbWriter;

constexpr uint32_t kEnd = 0xFFFFFFFE;

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

std::string Pattern(size_t n, unsigned seed) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = char((i * 131 + seed * 7 + (i >> 9)) & 0xFF);
  return s;
}

std::string ReadString(CfbStream& s, size_t chunk) {
  std::string out;
  std::string buf(chunk, '\0');
  size_t n;
  while ((n = s.Read(buf.data(), chunk)) > 0) out.append(buf.data(), n);
  return out;
}

std::filesystem::path DataFile(const char* name) {
  const char* root = std::getenv("KWS_SOURCE_DIR");
  return std::filesystem::path(root ? root : ".") / "tests/data/office" / name;
}

// ---- sound files written by our writer
// ---------------------------------------------------------

class CfbRoundTrip : public ::testing::TestWithParam<int> {};

TEST_P(CfbRoundTrip, Streams_ReadBackWholeAndInPieces) {
  // Sizes around the mini-stream cutoff and the sector sizes, in the root and
  // in sub-storages.
  const size_t sizes[] = {0, 1, 63, 64, 65, 511, 512, 4095, 4096, 4097, 5000, 70000};
  CfbWriter w(GetParam());
  std::vector<std::pair<std::u16string, std::string>> expect;
  unsigned seed = 1;
  for (size_t n : sizes) {
    for (const char16_t* dir : {u"", u"Sub/", u"Sub/Deeper/"}) {
      std::u16string path = std::u16string(dir) + u"S" + std::u16string(1, char16_t(u'a' + seed % 26)) +
                            std::u16string(1, char16_t(u'0' + seed / 26));
      expect.emplace_back(path, Pattern(n, seed++));
      w.AddStream(path, expect.back().second);
    }
  }
  const auto file = w.Build();
  const CfbStorage root = OpenCompoundData(Bytes(file.bytes));
  EXPECT_EQ(root.MajorVersion(), GetParam());
  for (const auto& [path, data] : expect) {
    CfbStorage storage = root;
    std::u16string name = path;
    for (size_t slash; (slash = name.find(u'/')) != std::u16string::npos; name = name.substr(slash + 1))
      storage = *storage.OpenStorage(name.substr(0, slash));
    auto s = storage.OpenStream(name);
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(s->Size(), data.size());
    const auto all = s->ReadAll();
    EXPECT_EQ(std::string(all.begin(), all.end()), data);
    s->Seek(0, CfbSeekOrigin::Begin);
    EXPECT_EQ(ReadString(*s, 37), data);
  }
}

INSTANTIATE_TEST_SUITE_P(Versions, CfbRoundTrip, ::testing::Values(3, 4));

TEST(CfbStorage_Lookup, NamesWithoutCaseAbsentIsNothing) {
  CfbWriter w;
  w.AddStream(u"WordDocument", "abc");
  w.AddStream(u"\u0005SummaryInformation", "xyz");
  w.AddStream(u"R\u00e9sum\u00e9", "latin");
  w.AddStorage(u"ObjectPool/_123");
  const CfbStorage root = OpenCompoundData(Bytes(w.Build().bytes));
  EXPECT_TRUE(root.OpenStream(u"worddocument").has_value());
  EXPECT_TRUE(root.OpenStream(u"\u0005SUMMARYINFORMATION").has_value());
  EXPECT_TRUE(root.OpenStream(u"R\u00c9SUM\u00c9").has_value());
  EXPECT_TRUE(root.OpenStorage(u"objectpool").has_value());
  // Absent names and the wrong kind of element are answers, not errors.
  EXPECT_FALSE(root.OpenStream(u"Workbook").has_value());
  EXPECT_FALSE(root.OpenStream(u"ObjectPool").has_value());
  EXPECT_FALSE(root.OpenStorage(u"WordDocument").has_value());
  EXPECT_FALSE(root.OpenStream(u"WordDocumen").has_value());
}

TEST(CfbStorage_Elements, SortedTreeOrderWithKinds) {
  CfbWriter w;
  w.AddStream(u"Zeta", "1");
  w.AddStream(u"Ab", std::string(5000, 'x'));
  w.AddStorage(u"Mid");
  w.AddStream(u"Mid/Inner", "22");
  const CfbStorage root = OpenCompoundData(Bytes(w.Build().bytes));
  const auto el = root.Elements();
  ASSERT_EQ(el.size(), 3u);
  EXPECT_EQ(el[0].name, u"Ab");
  EXPECT_EQ(el[0].size, 5000u);
  EXPECT_EQ(el[1].name, u"Mid");
  EXPECT_EQ(el[1].type, CfbElementType::Storage);
  EXPECT_EQ(el[2].name, u"Zeta");
  EXPECT_EQ(el[2].type, CfbElementType::Stream);
  ASSERT_EQ(root.OpenStorage(u"Mid")->Elements().size(), 1u);
}

TEST(CfbStream_Seek, OriginsPastEndAndBeforeStart) {
  CfbWriter w;
  w.AddStream(u"S", Pattern(6000, 3));
  auto s = *OpenCompoundData(Bytes(w.Build().bytes)).OpenStream(u"S");
  EXPECT_EQ(s.Seek(5990, CfbSeekOrigin::Begin), 5990u);
  char buf[32];
  EXPECT_EQ(s.Read(buf, sizeof buf), 10u);  // short at the end
  EXPECT_EQ(buf[0], Pattern(6000, 3)[5990]);
  EXPECT_EQ(s.Seek(-6000, CfbSeekOrigin::End), 0u);
  EXPECT_EQ(s.Seek(511, CfbSeekOrigin::Current), 511u);
  EXPECT_EQ(s.Read(buf, 2), 2u);  // across a sector boundary
  EXPECT_EQ(std::string(buf, 2), Pattern(6000, 3).substr(511, 2));
  EXPECT_EQ(s.Seek(100, CfbSeekOrigin::End), 6100u);
  EXPECT_EQ(s.Read(buf, 1), 0u);
  EXPECT_THROW(s.Seek(-7000, CfbSeekOrigin::End), CfbError);
  EXPECT_EQ(s.Position(), 6100u);
}

TEST(CfbStorage_CopyToMemory, HoldsEverythingAndRemovesElements) {
  CfbWriter w;
  w.AddStream(u"Workbook", Pattern(9000, 1));
  w.AddStream(u"Book", "old");
  w.AddStream(u"\u0005SummaryInformation", Pattern(300, 2));
  w.AddStream(u"_VBA_PROJECT_CUR/VBA/dir", Pattern(700, 3));
  const CfbStorage root = OpenCompoundData(Bytes(w.Build().bytes));
  auto copy = root.CopyToMemory();
  EXPECT_TRUE(copy.Remove(u"WORKBOOK"));
  EXPECT_TRUE(copy.Remove(u"Book"));
  EXPECT_FALSE(copy.Remove(u"Book"));
  ASSERT_EQ(copy.Elements().size(), 2u);
  const auto* vba = copy.Find(u"_vba_project_cur");
  ASSERT_NE(vba, nullptr);
  ASSERT_EQ(vba->children.size(), 1u);
  ASSERT_EQ(vba->children[0]->children.size(), 1u);
  const auto& dir = vba->children[0]->children[0]->data;
  EXPECT_EQ(std::string(dir.begin(), dir.end()), Pattern(700, 3));
  // The file itself still has everything.
  EXPECT_TRUE(root.OpenStream(u"Workbook").has_value());
}

TEST(CfbStorage_CopyToMemory, SkipsNamedTopElementsOnly) {
  CfbWriter w;
  w.AddStream(u"Workbook", Pattern(9000, 1));
  w.AddStream(u"Other", Pattern(100, 2));
  w.AddStream(u"Sub/Workbook", Pattern(200, 3));
  const CfbStorage root = OpenCompoundData(Bytes(w.Build().bytes));
  const std::u16string_view skip[] = {u"WORKBOOK", u"Book"};
  auto copy = root.CopyToMemory(skip);
  EXPECT_EQ(copy.Find(u"Workbook"), nullptr);
  ASSERT_NE(copy.Find(u"Other"), nullptr);
  const auto* sub = copy.Find(u"Sub");
  ASSERT_NE(sub, nullptr);
  ASSERT_EQ(sub->children.size(), 1u);  // only direct elements are skipped
  EXPECT_EQ(sub->children[0]->data.size(), 200u);
}

TEST(CfbStorage_Open, ViewReadsTheCallersBytesLikeACopy) {
  CfbWriter w;
  w.AddStream(u"Workbook", Pattern(70000, 4));
  w.AddStream(u"Sub/Small", Pattern(50, 5));
  const std::vector<uint8_t> bytes = Bytes(w.Build().bytes);
  const CfbStorage view = OpenCompoundView(bytes);
  auto big = view.OpenStream(u"Workbook");
  ASSERT_TRUE(big.has_value());
  EXPECT_EQ(ReadString(*big, 777), Pattern(70000, 4));
  auto sub = view.OpenStorage(u"Sub");
  ASSERT_TRUE(sub.has_value());
  auto small = sub->OpenStream(u"Small");
  ASSERT_TRUE(small.has_value());
  EXPECT_EQ(ReadString(*small, 7), Pattern(50, 5));
  const std::vector<uint8_t> noise(600, 0x41);
  EXPECT_THROW(OpenCompoundView(noise), CfbError);
}

// The runs of a stream are its bytes in place: one run when its sectors follow one another, one
// per sector when none do, and the short stream's mini sectors likewise.
TEST(CfbStream_Runs, BytesInPlaceInOrder) {
  CfbWriter w;
  w.AddStream(u"Laid", Pattern(70000, 4));
  w.AddStream(u"Turned", Pattern(5000, 6));
  w.AddStream(u"Small", Pattern(300, 5));
  auto layout = w.Build();
  layout.ReverseSectors(u"Turned");
  const std::vector<uint8_t> bytes = Bytes(layout.bytes);
  const CfbStorage view = OpenCompoundView(bytes);
  struct Case {
    const char16_t* name;
    std::string content;
    size_t runs;
  } cases[] = {
      {u"Laid", Pattern(70000, 4), 1}, {u"Turned", Pattern(5000, 6), 10}, {u"Small", Pattern(300, 5), 1}};
  for (const auto& c : cases) {
    auto s = view.OpenStream(c.name);
    ASSERT_TRUE(s.has_value());
    const auto runs = s->Runs();
    std::string joined;
    for (const auto& r : runs) {
      EXPECT_FALSE(r.empty());
      EXPECT_TRUE(r.data() >= bytes.data() && r.data() + r.size() <= bytes.data() + bytes.size());
      joined.append(r.begin(), r.end());
    }
    EXPECT_EQ(runs.size(), c.runs);
    EXPECT_EQ(joined, c.content);
  }
}

TEST(CfbStorage_Open, FromFileAndTheCompoundTest) {
  test::TempDir tmp;
  CfbWriter w;
  w.AddStream(u"S", "hello");
  const auto path = tmp.Write("a.bin", w.Build().bytes);
  const auto plain = tmp.Write("b.txt", "hello, not a compound file at all");
  EXPECT_TRUE(IsCompoundFile(path));
  EXPECT_FALSE(IsCompoundFile(plain));
  EXPECT_FALSE(IsCompoundFile(tmp.path() / "missing"));
  auto s = OpenCompoundFile(path).OpenStream(u"S");
  ASSERT_TRUE(s);
  EXPECT_EQ(ReadString(*s, 3), "hello");
  EXPECT_THROW(OpenCompoundFile(plain), CfbError);
  EXPECT_THROW(OpenCompoundFile(tmp.path() / "missing"), CfbError);
}

TEST(CfbFat_Difat, FatBeyondTheHeaderListIsFollowed) {
  // 109 FAT sectors of a version 3 file cover 109 * 128 sectors; a larger
  // stream needs DIFAT sectors.
  CfbWriter w;
  const std::string big = Pattern(109 * 128 * 512 + 300000, 9);
  w.AddStream(u"Big", big);
  w.AddStream(u"Small", "tail");
  const auto file = w.Build();
  ASSERT_FALSE(file.difatSectors.empty());
  const CfbStorage root = OpenCompoundData(Bytes(file.bytes));
  const auto got = root.OpenStream(u"Big")->ReadAll();
  EXPECT_TRUE(std::string(got.begin(), got.end()) == big);
  EXPECT_EQ(root.OpenStream(u"Small")->ReadAll().size(), 4u);
}

// ---- files written by LibreOffice
// --------------------------------------------------------------

uint16_t U16(const std::vector<uint8_t>& b, size_t at) { return uint16_t(b.at(at) | (b.at(at + 1) << 8)); }
uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return U16(b, at) | (uint32_t(U16(b, at + 2)) << 16);
}

// A property-set stream (mini stream when small): byte order FFFE, one section
// whose size field fits in the stream.
void ExpectPropertySet(const CfbStorage& root, const char16_t* name) {
  auto s = root.OpenStream(name);
  ASSERT_TRUE(s) << "missing property set";
  const auto b = s->ReadAll();
  ASSERT_GE(b.size(), 48u);
  EXPECT_EQ(U16(b, 0), 0xFFFE);
  const uint32_t sectionOffset = U32(b, 44);
  ASSERT_LE(sectionOffset + 8ull, b.size());
  EXPECT_LE(sectionOffset + uint64_t(U32(b, sectionOffset)), b.size());
}

TEST(CfbLibreOffice_Xls, WorkbookRecordsFillTheStreamExactly) {
  const CfbStorage root = OpenCompoundFile(DataFile("sample.xls"));
  auto wb = root.OpenStream(u"Workbook");
  ASSERT_TRUE(wb);
  const auto b = wb->ReadAll();
  ASSERT_LT(b.size(),
            4096u);              // LibreOffice keeps a small workbook in the mini stream
  EXPECT_EQ(U16(b, 0), 0x0809);  // BOF
  // BIFF records: 16-bit id, 16-bit length; they must tile the stream, ending
  // with EOF.
  size_t at = 0, lastId = 0, eofs = 0;
  while (at + 4 <= b.size()) {
    lastId = U16(b, at);
    eofs += lastId == 0x000A;
    at += 4 + U16(b, at + 2);
  }
  EXPECT_EQ(at, b.size());
  EXPECT_EQ(lastId, 0x000Au);
  EXPECT_GE(eofs, 2u);
  ExpectPropertySet(root, u"\u0005SummaryInformation");
  ExpectPropertySet(root, u"\u0005DocumentSummaryInformation");
}

TEST(CfbLibreOffice_Doc, WordStreamsAndPieceTableWhereTheHeaderSays) {
  const CfbStorage root = OpenCompoundFile(DataFile("sample.doc"));
  auto word = root.OpenStream(u"WordDocument");
  ASSERT_TRUE(word);
  const auto w = word->ReadAll();
  ASSERT_GT(w.size(), 4096u);    // in regular sectors
  EXPECT_EQ(U16(w, 0), 0xA5EC);  // wIdent of the file information block
  const bool table1 = (U16(w, 0x0A) & 0x0200) != 0;
  auto table = root.OpenStream(table1 ? u"1Table" : u"0Table");
  ASSERT_TRUE(table);
  const auto t = table->ReadAll();
  // fcClx / lcbClx: the piece table lies inside the table stream and starts
  // with a Pcdt (2) after any Prc (1) blocks.
  const uint32_t fcClx = U32(w, 0x01A2), lcbClx = U32(w, 0x01A6);
  ASSERT_GT(lcbClx, 0u);
  ASSERT_LE(uint64_t(fcClx) + lcbClx, t.size());
  size_t at = fcClx;
  while (t.at(at) == 1) at += 3 + U16(t, at + 1);
  EXPECT_EQ(t.at(at), 2);
  EXPECT_EQ(U32(t, at + 1), lcbClx - (at - fcClx) - 5);
  ExpectPropertySet(root, u"\u0005SummaryInformation");
  // Every element reads back whole.
  EXPECT_GT(test::WalkCompound(Bytes(test::ReadFileBytes(DataFile("sample.doc")))), w.size());
}

// ---- damaged files
// -----------------------------------------------------------------------------

struct Damage {
  const char* name;
  int major;
  std::function<void(CfbImageLayout&)> apply;
  // Expected: an error somewhere in the walk, or else the readable size of
  // stream "Big".
  bool error;
  uint64_t bigSize;
};

CfbImageLayout DamageFixture(int major) {
  CfbWriter w(major);
  w.AddStream(u"Big", Pattern(major == 4 ? 20000 : 5000, 4));
  w.AddStream(u"Small", Pattern(200, 5));
  w.AddStream(u"Store/Inner", Pattern(100, 6));
  return w.Build();
}

class CfbDamaged : public ::testing::TestWithParam<Damage> {};

TEST_P(CfbDamaged, EndsCleanly) {
  const Damage& d = GetParam();
  CfbImageLayout file = DamageFixture(d.major);
  d.apply(file);
  if (d.error) {
    EXPECT_THROW(test::WalkCompound(Bytes(file.bytes)), CfbError);
    return;
  }
  EXPECT_NO_THROW(test::WalkCompound(Bytes(file.bytes)));
  auto big = OpenCompoundData(Bytes(file.bytes)).OpenStream(u"Big");
  ASSERT_TRUE(big);
  EXPECT_EQ(big->Size(), d.bigSize);
  EXPECT_EQ(big->ReadAll().size(), d.bigSize);
  EXPECT_EQ(big->ReadAll()[0], uint8_t(Pattern(10, 4)[0]));
}

const Damage kDamages[] = {
    {"FatLoopInStream", 3, [](auto& f) { f.SetFat(f.StartOf(u"Big") + 2, f.StartOf(u"Big")); }, true, 0},
    {"FatSelfLoop", 3, [](auto& f) { f.SetFat(f.StartOf(u"Big"), f.StartOf(u"Big")); }, true, 0},
    {"FatIdOutOfRange", 3, [](auto& f) { f.SetFat(f.StartOf(u"Big"), 100000); }, true, 0},
    {"FatFreeInsideChain", 3, [](auto& f) { f.SetFat(f.StartOf(u"Big"), 0xFFFFFFFF); }, true, 0},
    {"StartOutOfRange", 4, [](auto& f) { f.SetStart(u"Big", 0xFFFFFFF0); }, true, 0},
    {"ShortChain", 3, [](auto& f) { f.SetFat(f.StartOf(u"Big") + 1, kEnd); }, false, 1024},
    {"ShortChainV4", 4, [](auto& f) { f.SetFat(f.StartOf(u"Big"), kEnd); }, false, 4096},
    {"HugeSizeV3", 3, [](auto& f) { f.SetSize(u"Big", 0xFFFFFFF0ull); }, false, 10 * 512},
    {"HugeSizeV4", 4, [](auto& f) { f.SetSize(u"Big", uint64_t(1) << 50); }, false, 5 * 4096},
    {"HighSizeBitsIgnoredInV3", 3, [](auto& f) { f.SetSize(u"Big", (uint64_t(7) << 32) | 5000); }, false,
     5000},
    {"TruncatedFile", 3, [](auto& f) { f.bytes.resize(f.SectorOffset(f.StartOf(u"Big") + 3) + 100); }, false,
     3 * 512 + 100},
    {"MiniFatLoop", 3, [](auto& f) { f.SetMiniFat(f.StartOf(u"Small") + 1, f.StartOf(u"Small")); }, true, 0},
    {"MiniStartOutOfRange", 3, [](auto& f) { f.SetStart(u"Small", 5000); }, true, 0},
    {"DirectoryChainLoop", 3, [](auto& f) { f.SetFat(f.dirSectors[0], f.dirSectors[0]); }, true, 0},
    {"DirectorySiblingLoop", 3,
     [](auto& f) { f.Put32(f.DirEntryOffset(f.entryOf.at(u"Small")) + 0x48, f.entryOf.at(u"Big")); }, true,
     0},
    {"DirectoryChildOutOfRange", 3, [](auto& f) { f.Put32(f.DirEntryOffset(0) + 0x4C, 9999); }, true, 0},
    {"StorageHoldsItsParent", 3,
     [](auto& f) {
       f.Put32(f.DirEntryOffset(f.entryOf.at(u"Store")) + 0x4C, f.Get32(f.DirEntryOffset(0) + 0x4C));
     },
     true, 0},
    {"FatCountHuge", 3, [](auto& f) { f.Put32(0x2C, 0xFFFFFFFF); }, true, 0},
    {"FatSectorOutOfRange", 3, [](auto& f) { f.Put32(0x4C, 70000); }, true, 0},
    {"DifatMissing", 3, [](auto& f) { f.Put32(0x2C, 2); }, true, 0},
    {"RootNotRoot", 3, [](auto& f) { f.bytes[f.DirEntryOffset(0) + 0x42] = 1; }, true, 0},
    {"BadVersion", 3, [](auto& f) { f.bytes[0x1A] = 4; }, true, 0},
    {"BadSignature", 3, [](auto& f) { f.bytes[7] = 0; }, true, 0},
    {"OnlyHeader", 3, [](auto& f) { f.bytes.resize(512); }, true, 0},
};

INSTANTIATE_TEST_SUITE_P(Cases, CfbDamaged, ::testing::ValuesIn(kDamages),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CfbDamaged_Difat, LoopAndShortDifatChains) {
  CfbWriter w;
  w.AddStream(u"Big", Pattern(109 * 128 * 512 + 300000, 9));
  CfbImageLayout file = w.Build();
  ASSERT_EQ(file.difatSectors.size(), 1u);
  const uint64_t next = file.SectorOffset(file.difatSectors[0]) + 508;
  file.Put32(0x2C,
             file.Get32(0x2C) + 200);  // claims more FAT sectors than are listed
  EXPECT_THROW(OpenCompoundData(Bytes(file.bytes)), CfbError);
  file.Put32(next, file.difatSectors[0]);  // DIFAT sector chains to itself
  EXPECT_THROW(OpenCompoundData(Bytes(file.bytes)), CfbError);
}

}  // namespace
}  // namespace kws
