// Saving changed storage copies: random trees written by CfbStorageCopy::Save are read back by
// our reader and by olefile (the oracle), element for element and byte for byte.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <set>

#include "platform/cfb.h"
#include "platform/textcodec.h"
#include "tests/support/cfbwriter.h"
#include "tests/support/tempdir.h"

namespace kws {
namespace {

using Element = CfbStorageCopy::Element;

std::string Guid(const CfbClsid& c) {
  if (std::all_of(c.begin(), c.end(), [](uint8_t b) { return b == 0; })) return "";
  char s[40];
  std::snprintf(s, sizeof s, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                unsigned(c[0] | c[1] << 8 | c[2] << 16 | uint32_t(c[3]) << 24), unsigned(c[4] | c[5] << 8),
                unsigned(c[6] | c[7] << 8), c[8], c[9], c[10], c[11], c[12], c[13], c[14], c[15]);
  return s;
}

std::string Crc(const std::vector<uint8_t>& d) {
  char s[12];
  std::snprintf(s, sizeof s, "%08lx", crc32(0, d.data(), uInt(d.size())));
  return s;
}

std::string Hex(uint32_t v) {
  char s[12];
  std::snprintf(s, sizeof s, "%x", v);
  return s;
}

// The lines olefile's listing should show for a copy, sorted the same way (bytewise UTF-8).
std::string ExpectedListing(const CfbStorageCopy& copy) {
  std::vector<std::string> lines{"\troot\t0\t0\t" + Guid(copy.clsid) + "\t" + Hex(copy.stateBits)};
  auto walk = [&](auto& self, const std::vector<std::unique_ptr<Element>>& list,
                  const std::string& prefix) -> void {
    for (const auto& e : list) {
      const std::string path = prefix + Utf16ToUtf8(e->name);
      if (e->type == CfbElementType::Stream) {
        lines.push_back(path + "\tstream\t" + std::to_string(e->data.size()) + "\t" + Crc(e->data) + "\t\t" +
                        Hex(e->stateBits));
      } else {
        lines.push_back(path + "\tstorage\t0\t0\t" + Guid(e->clsid) + "\t" + Hex(e->stateBits));
        self(self, e->children, path + "/");
      }
    }
  };
  walk(walk, copy.Elements(), "");
  std::sort(lines.begin(), lines.end());
  std::string out;
  for (const auto& l : lines) out += l + "\n";
  return out;
}

std::string OlefileListing(const std::vector<uint8_t>& bytes) {
  test::TempDir dir;
  const auto file =
      dir.Write("saved.cfb", std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  const char* root = std::getenv("KWS_SOURCE_DIR");
  const std::string cmd = "/usr/bin/python3 '" + std::string(root ? root : ".") +
                          "/tests/platform/cfb_olefile_list.py' '" + file.string() + "' 2>&1";
  std::string out;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
  }
  return out;
}

// Compares a storage of a reopened file with the copy it was saved from, recursively.
void ExpectSame(const CfbStorage& storage, const std::vector<std::unique_ptr<Element>>& list) {
  const auto elements = storage.Elements();
  ASSERT_EQ(elements.size(), list.size()) << Utf16ToUtf8(storage.Name());
  for (size_t i = 1; i < elements.size(); ++i)
    EXPECT_TRUE(CfbNameLess(elements[i - 1].name, elements[i].name));
  for (const auto& e : list) {
    SCOPED_TRACE(Utf16ToUtf8(e->name));
    const auto it = std::find_if(elements.begin(), elements.end(),
                                 [&](const CfbElement& x) { return x.name == e->name; });
    ASSERT_NE(it, elements.end());
    EXPECT_EQ(it->type, e->type);
    EXPECT_EQ(it->stateBits, e->stateBits);
    if (e->type == CfbElementType::Stream) {
      auto s = storage.OpenStream(e->name);
      ASSERT_TRUE(s);
      EXPECT_TRUE(s->ReadAll() == e->data);
    } else {
      EXPECT_EQ(it->clsid, e->clsid);
      auto sub = storage.OpenStorage(e->name);
      ASSERT_TRUE(sub);
      ExpectSame(*sub, e->children);
    }
  }
}

// Random names of 1 to 31 units in mixed case (ASCII and Latin-1 letters, digits, a few signs),
// unique among their siblings as the format compares names.
std::u16string RandomName(std::mt19937_64& rng) {
  static const std::u16string alphabet =
      u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_ "
      u".\u00e4\u00c4\u00e9\u00df\u4e2d\u0005";
  const size_t len = 1 + rng() % 31;
  std::u16string s;
  for (size_t i = 0; i < len; ++i) s.push_back(alphabet[rng() % alphabet.size()]);
  return s;
}

std::vector<uint8_t> RandomBytes(std::mt19937_64& rng, size_t n) {
  std::vector<uint8_t> d(n);
  for (auto& b : d) b = uint8_t(rng());
  return d;
}

void Fill(std::mt19937_64& rng, std::vector<std::unique_ptr<Element>>& list, int depth, int& budget) {
  static const size_t sizes[] = {0, 1, 63, 64, 65, 511, 512, 4095, 4096, 4097, 9000};
  const int count = int(rng() % 6) + (depth == 0 ? 2 : 0);
  for (int i = 0; i < count && budget > 0; ++i, --budget) {
    auto e = std::make_unique<Element>();
    do e->name = RandomName(rng);
    while (std::any_of(list.begin(), list.end(),
                       [&](const auto& x) { return CfbNamesEqual(x->name, e->name); }));
    e->stateBits = (rng() % 3 == 0) ? uint32_t(rng()) : 0;
    if (depth < 9 && rng() % 4 == 0) {
      e->type = CfbElementType::Storage;
      if (rng() & 1)
        for (auto& b : e->clsid) b = uint8_t(rng());
      Fill(rng, e->children, depth + 1, budget);
    } else {
      const size_t n = (rng() % 5 == 0) ? size_t(rng() % 20000) : sizes[rng() % std::size(sizes)];
      e->data = RandomBytes(rng, n);
    }
    list.push_back(std::move(e));
  }
}

CfbStorageCopy RandomTree(uint64_t seed) {
  std::mt19937_64 rng(seed);
  CfbStorageCopy copy;
  for (auto& b : copy.clsid) b = uint8_t(rng());
  int budget = 60;
  std::vector<std::unique_ptr<Element>> top;
  Fill(rng, top, 0, budget);
  for (auto& e : top) copy.PutElement(u"", std::move(e));
  return copy;
}

// The sibling trees of a saved file as its directory holds them: every storage's tree must be a
// red-black tree (black root, no red node with a red child, the same number of black nodes on
// every path down) whose in-order walk is in the format's name order. Returns the faults found.
std::string TreeFaults(const std::vector<uint8_t>& b) {
  const auto get32 = [&](size_t at) {
    return uint32_t(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24);
  };
  std::vector<uint32_t> fat;
  for (uint32_t i = 0; i < std::min<uint32_t>(get32(0x2C), 109); ++i) {
    const size_t sector = (size_t(get32(0x4C + 4 * i)) + 1) * 512;
    for (size_t k = 0; k < 512; k += 4) fat.push_back(get32(sector + k));
  }
  struct Entry {
    std::u16string name;
    bool red;
    uint32_t left, right, child;
  };
  std::vector<Entry> dir;
  for (uint32_t s = get32(0x30); s < fat.size(); s = fat[s])
    for (size_t k = 0; k < 4; ++k) {
      const size_t e = (size_t(s) + 1) * 512 + 128 * k;
      Entry entry{{}, b[e + 0x43] == 0, get32(e + 0x44), get32(e + 0x48), get32(e + 0x4C)};
      for (size_t c = 0; c + 2 < size_t(b[e + 0x40] | b[e + 0x41] << 8); c += 2)
        entry.name.push_back(char16_t(b[e + c] | b[e + c + 1] << 8));
      dir.push_back(entry);
    }
  std::string faults;
  // Black height of a subtree, or -1; names in order into `names`.
  const auto walk = [&](auto& self, uint32_t id, bool parentRed, std::vector<std::u16string>& names) -> int {
    if (id == 0xFFFFFFFF) return 0;
    const Entry& e = dir.at(id);
    if (parentRed && e.red) faults += "red child of a red node; ";
    const int l = self(self, e.left, e.red, names);
    names.push_back(e.name);
    const int r = self(self, e.right, e.red, names);
    if (l != r) faults += "black heights differ; ";
    return l + (e.red ? 0 : 1);
  };
  for (const Entry& storage : dir) {
    if (storage.child == 0xFFFFFFFF) continue;
    if (dir.at(storage.child).red) faults += "red root; ";
    std::vector<std::u16string> names;
    walk(walk, storage.child, false, names);
    for (size_t i = 1; i < names.size(); ++i)
      if (!CfbNameLess(names[i - 1], names[i])) faults += "siblings out of order; ";
  }
  return faults;
}

TEST(CfbStorageCopy_Save, RandomTreesReadBackByUsAndByOlefile) {
  for (uint64_t seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE(seed);
    CfbStorageCopy copy = RandomTree(seed);
    // A deep chain of storages on top of the random ones.
    std::u16string deep = u"d0";
    for (int i = 1; i < 12; ++i) deep += u"/D" + Utf8ToUtf16(std::to_string(i));
    copy.PutStream(deep + u"/leaf", std::vector<uint8_t>(64, uint8_t(seed)));
    const auto bytes = copy.Save();
    ASSERT_EQ(bytes.size() % 512, 0u);
    const CfbStorage root = OpenCompoundData(bytes);
    EXPECT_EQ(root.MajorVersion(), 3);
    EXPECT_EQ(root.Clsid(), copy.clsid);
    ExpectSame(root, copy.Elements());
    EXPECT_EQ(OlefileListing(bytes), ExpectedListing(copy));
    EXPECT_EQ(TreeFaults(bytes), "");
  }
}

// The test writer builds its files with the same writer, in both sector sizes: random trees
// given to it path by path read back the same through our reader and through olefile, and the
// entry it names for each path holds that element's name.
TEST(CfbWriter_Build, VersionsThreeAndFourReadBackByUsAndByOlefile) {
  for (int major : {3, 4}) {
    for (uint64_t seed = 21; seed <= 24; ++seed) {
      SCOPED_TRACE(std::to_string(major) + "/" + std::to_string(seed));
      const CfbStorageCopy tree = RandomTree(seed);
      test::CfbWriter w(major);
      CfbStorageCopy expected;  // the same elements without class ids and state bits
      const auto give = [&](auto& self, const std::vector<std::unique_ptr<Element>>& list,
                            const std::u16string& prefix) -> void {
        for (const auto& e : list) {
          const std::u16string path = prefix + e->name;
          if (e->type == CfbElementType::Storage) {
            w.AddStorage(path);
            expected.PutStorage(path);
            self(self, e->children, path + u"/");
          } else {
            w.AddStream(path, std::string(e->data.begin(), e->data.end()));
            expected.PutStream(path, e->data);
          }
        }
      };
      give(give, tree.Elements(), u"");
      const test::CfbImageLayout file = w.Build();
      const std::vector<uint8_t> bytes(file.bytes.begin(), file.bytes.end());
      const CfbStorage root = OpenCompoundData(bytes);
      EXPECT_EQ(root.MajorVersion(), major);
      ExpectSame(root, expected.Elements());
      EXPECT_EQ(OlefileListing(bytes), ExpectedListing(expected));
      for (const auto& [path, entry] : file.entryOf) {
        const std::u16string name = path.empty() ? u"Root Entry" : path.substr(path.rfind(u'/') + 1);
        const uint64_t at = file.DirEntryOffset(entry);
        std::u16string stored;
        for (size_t k = 0; k < name.size(); ++k)
          stored.push_back(char16_t(uint8_t(file.bytes[at + 2 * k]) | uint8_t(file.bytes[at + 2 * k + 1]) << 8));
        EXPECT_EQ(stored, name);
      }
    }
  }
}

TEST(CfbStorageCopy_Save, SiblingTreesOfEverySizeAreRedBlack) {
  for (int n = 1; n <= 70; ++n) {
    SCOPED_TRACE(n);
    CfbStorageCopy copy;
    for (int i = 0; i < n; ++i)
      copy.PutStream(u"s" + Utf8ToUtf16(std::to_string(i * 7919 % 1000)), {uint8_t(i)});
    EXPECT_EQ(TreeFaults(copy.Save()), "");
  }
}

TEST(CfbStorageCopy_Save, MoreThan109FatSectorsUseTheDifat) {
  // 110 FAT sectors cover 14,080 sectors: a 7.5 MB stream needs more, so DIFAT sectors follow.
  CfbStorageCopy copy;
  std::mt19937_64 rng(7);
  copy.PutStream(u"Big", RandomBytes(rng, 7'500'000));
  copy.PutStream(u"Sub/small", RandomBytes(rng, 100));
  copy.PutStream(u"Sub/edge", RandomBytes(rng, 4096));
  const auto bytes = copy.Save();
  const uint32_t fatSectors = uint32_t(bytes[0x2C] | bytes[0x2D] << 8 | bytes[0x2E] << 16);
  const uint32_t difatSectors = uint32_t(bytes[0x48] | bytes[0x49] << 8);
  EXPECT_GT(fatSectors, 109u);
  EXPECT_GE(difatSectors, 1u);
  ExpectSame(OpenCompoundData(bytes), copy.Elements());
  EXPECT_EQ(OlefileListing(bytes), ExpectedListing(copy));
}

TEST(CfbStorageCopy_Save, EmptyCopyIsARootAlone) {
  CfbStorageCopy copy;
  const auto bytes = copy.Save();
  const CfbStorage root = OpenCompoundData(bytes);
  EXPECT_TRUE(root.Elements().empty());
  EXPECT_EQ(OlefileListing(bytes), ExpectedListing(copy));
}

TEST(CfbStorageCopy_Edit, AddsReplacesAndRemovesAtAnyDepth) {
  test::CfbWriter w;
  w.AddStream(u"A/B/C/s1", std::string(5000, 'x'));
  w.AddStream(u"A/B/s2", "two");
  w.AddStream(u"top", "t");
  CfbStorageCopy copy = OpenCompoundData([&] {
                          const auto b = w.Build().bytes;
                          return std::vector<uint8_t>(b.begin(), b.end());
                        }())
                            .CopyToMemory();
  ASSERT_NE(copy.Find(u"a/b/C/S1"), nullptr);
  EXPECT_EQ(copy.Find(u"A/B/C/s1")->data.size(), 5000u);
  EXPECT_EQ(copy.Find(u"A/B/s2/x"), nullptr);  // a stream holds nothing
  // Replace a deep stream, add beside it, turn a stream into a storage, remove a storage tree.
  copy.PutStream(u"A/B/C/S1", {1, 2, 3});
  copy.PutStream(u"A/B/C/new", std::vector<uint8_t>(4096, 9));
  copy.PutStream(u"top/inner", {7});
  EXPECT_TRUE(copy.Remove(u"a/b/c/NEW"));
  EXPECT_FALSE(copy.Remove(u"A/B/C/new"));
  copy.PutStream(u"A/B/C/new", std::vector<uint8_t>(4096, 9));
  EXPECT_TRUE(copy.Remove(u"A/B/s2"));
  const Element* s1 = copy.Find(u"A/B/C/s1");
  ASSERT_NE(s1, nullptr);
  EXPECT_EQ(s1->name, u"s1");  // the stored name is kept
  EXPECT_EQ(s1->data, (std::vector<uint8_t>{1, 2, 3}));
  ASSERT_NE(copy.Find(u"top"), nullptr);
  EXPECT_EQ(copy.Find(u"top")->type, CfbElementType::Storage);
  // Storage kept as it is when put again.
  copy.PutStorage(u"A/B");
  EXPECT_NE(copy.Find(u"A/B/C/new"), nullptr);
  // A whole element under a parent, in place of one of its name.
  auto moved = std::make_unique<Element>();
  moved->name = u"C";
  moved->type = CfbElementType::Stream;
  moved->data = {5};
  copy.PutElement(u"A/B", std::move(moved));
  EXPECT_EQ(copy.Find(u"A/B/C/new"), nullptr);
  EXPECT_EQ(copy.Find(u"A/B/C")->data, std::vector<uint8_t>{5});

  const auto bytes = copy.Save();
  ExpectSame(OpenCompoundData(bytes), copy.Elements());
  EXPECT_EQ(OlefileListing(bytes), ExpectedListing(copy));
}

TEST(CfbStorageCopy_Edit, BadNamesRaiseAndChangeNothing) {
  CfbStorageCopy copy;
  copy.PutStream(u"keep", {1});
  for (std::u16string_view path :
       {u"", u"new/", u"/x", u"a:b", u"new/a!b", u"x\\y", u"n/0123456789012345678901234567890123"}) {
    SCOPED_TRACE(Utf16ToUtf8(path));
    EXPECT_THROW(copy.PutStream(path, {1}), CfbError);
    EXPECT_THROW(copy.PutStorage(path), CfbError);
    EXPECT_EQ(copy.Elements().size(), 1u);
    EXPECT_EQ(copy.Find(path), nullptr);
    EXPECT_FALSE(copy.Remove(path));
  }
  copy.PutStream(u"0123456789012345678901234567890", {2});  // 31 units is the longest name
  EXPECT_EQ(copy.Elements().size(), 2u);
}

TEST(CfbStorageCopy_Edit, ClassIdsAndStateBitsSurviveCopyAndSave) {
  CfbStorageCopy first;
  first.clsid = {0x20, 0x08, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
  first.stateBits = 0x11;
  Element& s = first.PutStorage(u"Obj");
  s.clsid = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  s.stateBits = 0x80000001;
  first.PutStream(u"Obj/data", {1, 2}).stateBits = 5;
  const CfbStorage root = OpenCompoundData(first.Save());
  EXPECT_EQ(root.Clsid(), first.clsid);
  EXPECT_EQ(root.StateBits(), 0x11u);
  // A copy of the file, saved again, and a copy of the sub-storage as a file of its own.
  const CfbStorageCopy again = root.CopyToMemory();
  EXPECT_EQ(OlefileListing(again.Save()), ExpectedListing(first));
  const CfbStorageCopy sub = root.OpenStorage(u"obj")->CopyToMemory();
  EXPECT_EQ(sub.clsid, s.clsid);
  EXPECT_EQ(sub.stateBits, 0x80000001u);
  const CfbStorage subRoot = OpenCompoundData(sub.Save());
  EXPECT_EQ(subRoot.Clsid(), s.clsid);
  ASSERT_TRUE(subRoot.OpenStream(u"data"));
  EXPECT_EQ(subRoot.Elements()[0].stateBits, 5u);
}

}  // namespace
}  // namespace kws
