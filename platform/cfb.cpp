#include "platform/cfb.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <unordered_set>

namespace kws {

namespace {

constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr uint32_t kMaxRegSect = 0xFFFFFFFA;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFreeSect = 0xFFFFFFFF;
constexpr uint32_t kNoStream = 0xFFFFFFFF;
constexpr uint32_t kHeaderDifatCount = 109;
constexpr uint32_t kMiniShift = 6;
constexpr uint32_t kMiniCutoff = 4096;
constexpr uint32_t kDirEntrySize = 128;
// Files larger than this are refused: the image is held in memory.
// Nesting of sub-storages followed by a copy.
constexpr int kMaxCopyDepth = 64;

enum : uint8_t { kTypeUnused = 0, kTypeStorage = 1, kTypeStream = 2, kTypeRoot = 5 };

uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

char16_t FoldName(char16_t c) {
  if (c >= u'a' && c <= u'z') return char16_t(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return char16_t(c - 32);
  return c;
}

// A bit per table entry: marks the ids a chain has passed, to find loops.
class Visited {
 public:
  explicit Visited(size_t n) : bits_((n + 63) / 64, 0) {}
  // Marks `i`; false when it was marked already.
  bool Mark(uint32_t i) {
    uint64_t& w = bits_[i / 64];
    const uint64_t m = uint64_t(1) << (i % 64);
    if (w & m) return false;
    w |= m;
    return true;
  }

 private:
  std::vector<uint64_t> bits_;
};

}  // namespace

namespace detail {

struct CfbDirEntry {
  std::u16string name;
  uint8_t type = kTypeUnused;
  uint32_t left = kNoStream;
  uint32_t right = kNoStream;
  uint32_t child = kNoStream;
  uint32_t start = kEndOfChain;
  uint64_t size = 0;
  CfbClsid clsid{};
  uint32_t stateBits = 0;
};

// The parsed file: its bytes, FAT, mini FAT, the mini stream's sector offsets
// and the directory.
class CfbImage {
 public:
  explicit CfbImage(std::vector<uint8_t> bytes);
  // Over bytes the caller keeps alive and unchanged for the image's lifetime.
  explicit CfbImage(std::span<const uint8_t> borrowed);

  // Follows a chain from `start` through the FAT (or the mini FAT) for at most
  // `maxBytes` bytes and returns the image offsets of its sectors together with
  // the readable byte count. Stops early at ENDOFCHAIN or at the end of the
  // file; raises CfbError on a loop, an id out of range or a free/reserved id
  // inside the chain. `maxBytes` of UINT64_MAX follows the chain to its end.
  struct Chain {
    std::vector<uint64_t> units;
    uint64_t bytes = 0;
  };
  Chain Follow(uint32_t start, uint64_t maxBytes, bool mini, const char* what) const;
  void Parse();

  std::vector<uint8_t> owned;
  std::span<const uint8_t> bytes;  // the owned bytes or the borrowed ones
  int major = 3;
  uint32_t shift = 9;
  uint32_t sectorSize = 512;
  uint32_t fileSectors = 0;  // sectors that start inside the file
  std::vector<uint32_t> fat;
  std::vector<uint32_t> miniFat;
  std::vector<uint64_t> miniUnits;  // image offset of each mini sector
  uint64_t miniStreamSize = 0;
  std::vector<CfbDirEntry> dir;

 private:
  void ReadFat(const uint8_t* header);
};

CfbImage::Chain CfbImage::Follow(uint32_t start, uint64_t maxBytes, bool mini, const char* what) const {
  Chain chain;
  if (maxBytes == 0) return chain;
  const std::vector<uint32_t>& table = mini ? miniFat : fat;
  const uint64_t unitSize = mini ? (uint64_t(1) << kMiniShift) : sectorSize;
  const size_t unitCount = mini ? miniUnits.size() : fileSectors;
  Visited visited(table.size());
  uint32_t id = start;
  while (chain.bytes < maxBytes) {
    if (id == kEndOfChain) break;
    if (id > kMaxRegSect || id >= unitCount || id >= table.size())
      throw CfbError(std::string("compound file: sector id out of range in ") + what);
    if (!visited.Mark(id)) throw CfbError(std::string("compound file: loop in ") + what);
    uint64_t offset;
    uint64_t avail;
    if (mini) {
      offset = miniUnits[id];
      avail = std::min<uint64_t>(unitSize, miniStreamSize - uint64_t(id) * unitSize);
    } else {
      offset = (uint64_t(id) + 1) << shift;
      avail = std::min<uint64_t>(unitSize, bytes.size() - offset);
    }
    chain.units.push_back(offset);
    chain.bytes += avail;
    if (avail < unitSize) break;  // the file (or the mini stream) ends inside this sector
    id = table[id];
  }
  chain.bytes = std::min(chain.bytes, maxBytes);
  return chain;
}

void CfbImage::ReadFat(const uint8_t* header) {
  const uint32_t fatCount = Get32(header + 0x2C);
  uint32_t difat = Get32(header + 0x44);
  const uint32_t perSector = sectorSize / 4;
  // Every FAT sector lies in the file, so a larger count is a lie.
  if (fatCount > fileSectors) throw CfbError("compound file: FAT sector count out of range");
  std::vector<uint32_t> fatSectors;
  fatSectors.reserve(fatCount);
  for (uint32_t i = 0; i < kHeaderDifatCount && fatSectors.size() < fatCount; ++i)
    fatSectors.push_back(Get32(header + 0x4C + 4 * i));
  // The DIFAT chain is as long as the FAT count needs: its loop check costs what it visits, not
  // a bit per sector of the file.
  std::unordered_set<uint32_t> seen;
  while (fatSectors.size() < fatCount) {
    if (difat == kEndOfChain || difat == kFreeSect)
      throw CfbError("compound file: DIFAT chain shorter than the FAT");
    if (difat >= fileSectors) throw CfbError("compound file: sector id out of range in the DIFAT");
    if (!seen.insert(difat).second) throw CfbError("compound file: loop in the DIFAT");
    const uint64_t off = (uint64_t(difat) + 1) << shift;
    if (off + sectorSize > bytes.size()) throw CfbError("compound file: DIFAT sector cut short");
    const uint8_t* p = bytes.data() + off;
    for (uint32_t i = 0; i + 1 < perSector && fatSectors.size() < fatCount; ++i)
      fatSectors.push_back(Get32(p + 4 * i));
    difat = Get32(p + 4 * (perSector - 1));
  }
  fat.resize(size_t(fatCount) * perSector);
  for (size_t k = 0; k < fatSectors.size(); ++k) {
    const uint32_t s = fatSectors[k];
    if (s >= fileSectors) throw CfbError("compound file: sector id out of range in the FAT list");
    const uint64_t off = (uint64_t(s) + 1) << shift;
    const uint64_t avail = std::min<uint64_t>(sectorSize, bytes.size() - off);
    const uint8_t* p = bytes.data() + off;
    for (uint32_t i = 0; i < perSector; ++i)
      fat[k * perSector + i] = (4 * uint64_t(i) + 4 <= avail) ? Get32(p + 4 * i) : kFreeSect;
  }
}

CfbImage::CfbImage(std::vector<uint8_t> data) : owned(std::move(data)) {
  bytes = owned;
  Parse();
}

CfbImage::CfbImage(std::span<const uint8_t> borrowed) : bytes(borrowed) { Parse(); }

void CfbImage::Parse() {
  if (bytes.size() < 512 || !IsCompoundData(bytes)) throw CfbError("compound file: not a compound file");
  if (bytes.size() > kCompoundFileMaxSize) throw CfbError("compound file: file too large");
  const uint8_t* h = bytes.data();
  major = Get16(h + 0x1A);
  const uint16_t sectorShift = Get16(h + 0x1E);
  if (Get16(h + 0x1C) != 0xFFFE) throw CfbError("compound file: wrong byte order mark");
  if (!((major == 3 && sectorShift == 9) || (major == 4 && sectorShift == 12)))
    throw CfbError("compound file: unknown version or sector size");
  if (Get16(h + 0x20) != kMiniShift) throw CfbError("compound file: unknown mini sector size");
  if (Get32(h + 0x38) != kMiniCutoff) throw CfbError("compound file: unknown mini stream cutoff");
  shift = sectorShift;
  sectorSize = uint32_t(1) << shift;
  if (bytes.size() <= sectorSize) throw CfbError("compound file: no sectors");
  fileSectors = uint32_t((bytes.size() - sectorSize + sectorSize - 1) >> shift);

  ReadFat(h);

  // Directory: a chain of sectors to its end, 128 bytes an entry.
  const Chain dirChain = Follow(Get32(h + 0x30), UINT64_MAX, false, "the directory");
  const size_t perSector = sectorSize / kDirEntrySize;
  dir.reserve(dirChain.units.size() * perSector);
  for (uint64_t unit : dirChain.units) {
    for (size_t i = 0; i < perSector; ++i) {
      const uint64_t off = unit + i * kDirEntrySize;
      if (off + kDirEntrySize > bytes.size()) break;
      const uint8_t* e = bytes.data() + off;
      CfbDirEntry entry;
      entry.type = e[0x42];
      const uint16_t nameBytes = std::min<uint16_t>(Get16(e + 0x40), 64);
      for (size_t k = 0; k + 1 < nameBytes; k += 2) {
        const char16_t c = char16_t(Get16(e + k));
        if (c == 0) break;
        entry.name.push_back(c);
      }
      entry.left = Get32(e + 0x44);
      entry.right = Get32(e + 0x48);
      entry.child = Get32(e + 0x4C);
      std::memcpy(entry.clsid.data(), e + 0x50, 16);
      entry.stateBits = Get32(e + 0x60);
      entry.start = Get32(e + 0x74);
      entry.size = Get32(e + 0x78);
      // Version 3 files keep only 32 bits; writers have left garbage in the
      // high half.
      if (major == 4) entry.size |= uint64_t(Get32(e + 0x7C)) << 32;
      dir.push_back(std::move(entry));
    }
  }
  if (dir.empty() || dir[0].type != kTypeRoot) throw CfbError("compound file: no root entry");

  // Mini FAT, then the mini stream (the root entry's stream) cut into 64-byte
  // mini sectors.
  const Chain miniFatChain = Follow(Get32(h + 0x3C), UINT64_MAX, false, "the mini FAT");
  miniFat.reserve(miniFatChain.bytes / 4);
  for (uint64_t unit : miniFatChain.units) {
    const uint64_t avail = std::min<uint64_t>(sectorSize, bytes.size() - unit);
    for (uint64_t i = 0; i + 4 <= avail; i += 4) miniFat.push_back(Get32(bytes.data() + unit + i));
  }
  const Chain root = Follow(dir[0].start, dir[0].size, false, "the mini stream");
  miniStreamSize = root.bytes;
  const uint64_t miniCount = (miniStreamSize + 63) >> kMiniShift;
  miniUnits.reserve(miniCount);
  for (uint64_t m = 0; m < miniCount; ++m) {
    const uint64_t pos = m << kMiniShift;
    miniUnits.push_back(root.units[pos >> shift] + (pos & (sectorSize - 1)));
  }
}

}  // namespace detail

// ---- names
// -------------------------------------------------------------------------------------

bool CfbNameLess(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return a.size() < b.size();
  for (size_t i = 0; i < a.size(); ++i) {
    const char16_t x = FoldName(a[i]), y = FoldName(b[i]);
    if (x != y) return x < y;
  }
  return false;
}

bool CfbNamesEqual(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldName(a[i]) != FoldName(b[i])) return false;
  return true;
}

// ---- opening
// -----------------------------------------------------------------------------------

bool IsCompoundData(std::span<const uint8_t> bytes) {
  return bytes.size() >= sizeof kSignature && std::memcmp(bytes.data(), kSignature, 8) == 0;
}

bool IsCompoundFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  uint8_t head[8];
  if (!in.read(reinterpret_cast<char*>(head), sizeof head)) return false;
  return IsCompoundData(head);
}

CfbStorage OpenCompoundFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary | std::ios::ate);
  if (!in) throw CfbError("compound file: cannot open " + file.string());
  const std::streamoff size = in.tellg();
  if (size < 0) throw CfbError("compound file: cannot read " + file.string());
  if (uint64_t(size) > kCompoundFileMaxSize) throw CfbError("compound file: file too large");
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  in.seekg(0);
  if (!in.read(reinterpret_cast<char*>(bytes.data()), size))
    throw CfbError("compound file: cannot read " + file.string());
  return OpenCompoundData(std::move(bytes));
}

CfbStorage OpenCompoundData(std::vector<uint8_t> bytes) {
  return CfbStorage(std::make_shared<const detail::CfbImage>(std::move(bytes)), 0);
}

CfbStorage OpenCompoundView(std::span<const uint8_t> bytes) {
  return CfbStorage(std::make_shared<const detail::CfbImage>(bytes), 0);
}

// ---- storage
// -----------------------------------------------------------------------------------

namespace {

// Visits the children of a storage through the sibling tree, in tree order
// (left, node, right), with an explicit stack; a node met twice or an id out of
// range raises CfbError.
template <class Fn>
void ForEachChild(const detail::CfbImage& image, uint32_t storage, Fn&& fn) {
  const auto& dir = image.dir;
  Visited visited(dir.size());
  std::vector<uint32_t> stack;
  uint32_t node = dir[storage].child;
  while (node != kNoStream || !stack.empty()) {
    while (node != kNoStream) {
      if (node >= dir.size()) throw CfbError("compound file: directory id out of range");
      if (!visited.Mark(node)) throw CfbError("compound file: loop in the directory");
      stack.push_back(node);
      node = dir[node].left;
    }
    const uint32_t current = stack.back();
    stack.pop_back();
    const auto& entry = dir[current];
    if (entry.type == kTypeStorage || entry.type == kTypeStream) {
      if (!fn(current, entry)) return;
    }
    node = entry.right;
  }
}

}  // namespace

std::optional<uint32_t> CfbStorage::FindChild(std::u16string_view name, CfbElementType type) const {
  std::optional<uint32_t> found;
  ForEachChild(*image_, entry_, [&](uint32_t id, const detail::CfbDirEntry& e) {
    if (e.type == uint8_t(type) && CfbNamesEqual(e.name, name)) {
      found = id;
      return false;
    }
    return true;
  });
  return found;
}

std::optional<CfbStream> CfbStorage::OpenStream(std::u16string_view name) const {
  const auto id = FindChild(name, CfbElementType::Stream);
  if (!id) return std::nullopt;
  const auto& e = image_->dir[*id];
  const bool mini = e.size < kMiniCutoff;
  auto chain = image_->Follow(e.start, e.size, mini, "a stream");
  CfbStream s;
  s.image_ = image_;
  s.units_ = std::move(chain.units);
  s.unitShift_ = mini ? kMiniShift : image_->shift;
  s.size_ = chain.bytes;
  s.name_ = e.name;
  return s;
}

std::optional<CfbStorage> CfbStorage::OpenStorage(std::u16string_view name) const {
  const auto id = FindChild(name, CfbElementType::Storage);
  if (!id) return std::nullopt;
  return CfbStorage(image_, *id);
}

std::vector<CfbElement> CfbStorage::Elements() const {
  std::vector<CfbElement> out;
  ForEachChild(*image_, entry_, [&](uint32_t, const detail::CfbDirEntry& e) {
    out.push_back({e.name, CfbElementType(e.type), e.type == kTypeStream ? e.size : 0,
                   e.type == kTypeStream ? CfbClsid{} : e.clsid, e.stateBits});
    return true;
  });
  return out;
}

const std::u16string& CfbStorage::Name() const { return image_->dir[entry_].name; }

CfbClsid CfbStorage::Clsid() const { return image_->dir[entry_].clsid; }

uint32_t CfbStorage::StateBits() const { return image_->dir[entry_].stateBits; }

int CfbStorage::MajorVersion() const { return image_->major; }

CfbStorageCopy CfbStorage::CopyToMemory(std::span<const std::u16string_view> skip) const {
  // `budget` is what may still be copied: a sound file cannot hold more stream
  // bytes than it has. `visited` spans the whole copy, so a storage reachable
  // twice is a loop, not a fan-out.
  CfbStorageCopy copy;
  copy.clsid = Clsid();
  copy.stateBits = StateBits();
  uint64_t budget = image_->bytes.size();
  Visited visited(image_->dir.size());
  visited.Mark(entry_);
  auto copyInto = [&](auto& self, const CfbStorage& storage,
                      std::vector<std::unique_ptr<CfbStorageCopy::Element>>& out, int depth) -> void {
    if (depth > kMaxCopyDepth) throw CfbError("compound file: storages nested too deep");
    for (const CfbElement& e : storage.Elements()) {
      if (depth == 0 && std::any_of(skip.begin(), skip.end(),
                                    [&](std::u16string_view n) { return CfbNamesEqual(n, e.name); }))
        continue;
      auto element = std::make_unique<CfbStorageCopy::Element>();
      element->name = e.name;
      element->type = e.type;
      element->clsid = e.clsid;
      element->stateBits = e.stateBits;
      if (e.type == CfbElementType::Stream) {
        auto s = storage.OpenStream(e.name);
        if (!s) continue;
        if (s->Size() > budget) throw CfbError("compound file: copy larger than the file");
        budget -= s->Size();
        element->data = s->ReadAll();
      } else {
        auto sub = storage.OpenStorage(e.name);
        if (!sub) continue;
        if (!visited.Mark(sub->entry_)) throw CfbError("compound file: loop in the directory");
        self(self, *sub, element->children, depth + 1);
      }
      out.push_back(std::move(element));
    }
  };
  copyInto(copyInto, *this, copy.elements_, 0);
  return copy;
}

// ---- storage copy
// ------------------------------------------------------------------------------

namespace {

using ElementList = std::vector<std::unique_ptr<CfbStorageCopy::Element>>;

constexpr size_t kMaxNameLength = 31;

void CheckName(std::u16string_view name) {
  if (name.empty() || name.size() > kMaxNameLength)
    throw CfbError("compound file: an element name has 1 to 31 characters");
  for (char16_t c : name)
    if (c == u'/' || c == u'\\' || c == u':' || c == u'!')
      throw CfbError("compound file: an element name holds no / \\ : !");
}

// The names of a path; each checked.
std::vector<std::u16string_view> SplitPath(std::u16string_view path) {
  std::vector<std::u16string_view> names;
  size_t at = 0;
  while (true) {
    const size_t slash = path.find(u'/', at);
    names.push_back(
        path.substr(at, slash == std::u16string_view::npos ? std::u16string_view::npos : slash - at));
    CheckName(names.back());
    if (slash == std::u16string_view::npos) break;
    at = slash + 1;
  }
  return names;
}

ElementList::iterator FindIn(ElementList& list, std::u16string_view name) {
  return std::find_if(list.begin(), list.end(), [&](const auto& e) { return CfbNamesEqual(e->name, name); });
}

}  // namespace

std::vector<std::unique_ptr<CfbStorageCopy::Element>>* CfbStorageCopy::ParentList(std::u16string_view path,
                                                                                  bool make,
                                                                                  std::u16string_view& leaf) {
  const auto names = SplitPath(path);
  ElementList* list = &elements_;
  for (size_t i = 0; i + 1 < names.size(); ++i) {
    auto it = FindIn(*list, names[i]);
    if (it != list->end() && (*it)->type == CfbElementType::Storage) {
      list = &(*it)->children;
      continue;
    }
    if (!make) return nullptr;
    auto storage = std::make_unique<Element>();
    storage->name = std::u16string(names[i]);
    storage->type = CfbElementType::Storage;
    if (it != list->end()) {
      *it = std::move(storage);  // a stream on the way gives way to the storage
    } else {
      list->push_back(std::move(storage));
      it = list->end() - 1;
    }
    list = &(*it)->children;
  }
  leaf = names.back();
  return list;
}

const CfbStorageCopy::Element* CfbStorageCopy::Find(std::u16string_view path) const {
  return const_cast<CfbStorageCopy*>(this)->Find(path);
}

CfbStorageCopy::Element* CfbStorageCopy::Find(std::u16string_view path) {
  std::u16string_view leaf;
  ElementList* list;
  try {
    list = ParentList(path, false, leaf);
  } catch (const CfbError&) {
    return nullptr;  // no element has a name that could not be stored
  }
  if (!list) return nullptr;
  const auto it = FindIn(*list, leaf);
  return it == list->end() ? nullptr : it->get();
}

bool CfbStorageCopy::Remove(std::u16string_view path) {
  std::u16string_view leaf;
  ElementList* list;
  try {
    list = ParentList(path, false, leaf);
  } catch (const CfbError&) {
    return false;
  }
  if (!list) return false;
  const auto it = FindIn(*list, leaf);
  if (it == list->end()) return false;
  list->erase(it);
  return true;
}

CfbStorageCopy::Element& CfbStorageCopy::Leaf(std::u16string_view path) {
  std::u16string_view leaf;  // every name is checked before anything changes
  ElementList& list = *ParentList(path, true, leaf);
  auto it = FindIn(list, leaf);
  if (it != list.end()) return **it;
  list.push_back(std::make_unique<Element>());
  list.back()->name = std::u16string(leaf);
  return *list.back();
}

CfbStorageCopy::Element& CfbStorageCopy::PutStream(std::u16string_view path, std::vector<uint8_t> data) {
  Element& e = Leaf(path);
  if (e.type != CfbElementType::Stream) {
    e.type = CfbElementType::Stream;
    e.children.clear();
    e.clsid = {};
  }
  e.data = std::move(data);
  return e;
}

CfbStorageCopy::Element& CfbStorageCopy::PutStorage(std::u16string_view path) {
  Element& e = Leaf(path);
  if (e.type != CfbElementType::Storage) {
    e.type = CfbElementType::Storage;
    e.data.clear();
  }
  return e;
}

CfbStorageCopy::Element& CfbStorageCopy::PutElement(std::u16string_view parent,
                                                    std::unique_ptr<Element> element) {
  if (!element) throw CfbError("compound file: no element to put");
  CheckName(element->name);
  ElementList* list = parent.empty() ? &elements_ : &PutStorage(parent).children;
  const auto it = FindIn(*list, element->name);
  if (it != list->end()) {
    *it = std::move(element);
    return **it;
  }
  list->push_back(std::move(element));
  return *list->back();
}

// ---- saving
// ------------------------------------------------------------------------------------

namespace {

constexpr uint32_t kFatSect = 0xFFFFFFFD;
constexpr uint32_t kDifSect = 0xFFFFFFFC;

void Put16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// One directory entry of the file being written.
struct SaveEntry {
  const CfbStorageCopy::Element* element = nullptr;  // nullptr for the root
  uint32_t left = kNoStream, right = kNoStream, child = kNoStream;
  bool red = false;
  uint32_t start = kEndOfChain;
  uint64_t size = 0;
};

// Hangs the sorted ids [from, to) as a balanced tree; returns its root. Nodes on the deepest
// level of a tree that is not full are red, all others black: every path down then meets the
// same number of black nodes, and no red node has a red child.
uint32_t Hang(std::vector<SaveEntry>& dir, const std::vector<uint32_t>& ids, size_t from, size_t to,
              int depth, int deepest) {
  if (from >= to) return kNoStream;
  const size_t mid = from + (to - from) / 2;
  const uint32_t id = ids[mid];
  dir[id].left = Hang(dir, ids, from, mid, depth + 1, deepest);
  dir[id].right = Hang(dir, ids, mid + 1, to, depth + 1, deepest);
  dir[id].red = depth == deepest && depth > 0;
  return id;
}

int DeepestLevel(size_t n) {
  int d = -1;
  for (size_t full = 0; full < n; full = full * 2 + 1) ++d;
  return d;
}

}  // namespace

std::vector<uint8_t> CfbStorageCopy::Save() const { return detail::WriteCompound(*this, 3, nullptr); }

std::vector<uint8_t> detail::WriteCompound(const CfbStorageCopy& copy, int majorVersion, CfbWriteLayout* layout) {
  using Element = CfbStorageCopy::Element;
  if (majorVersion != 3 && majorVersion != 4) throw CfbError("compound file: version 3 or 4");
  const uint32_t shift = majorVersion == 4 ? 12 : 9;
  const uint32_t kSector = 1u << shift;
  const uint32_t kPerFat = kSector / 4;
  const uint32_t kPerDir = kSector / kDirEntrySize;
  constexpr uint32_t kMini = 1u << kMiniShift;
  // Directory: the root first, then every storage's children in turn, each list hung as a tree.
  std::vector<SaveEntry> dir(1);
  std::vector<std::u16string> paths(1);
  struct Pending {
    uint32_t parent;
    const ElementList* list;
  };
  std::vector<Pending> todo{{0, &copy.Elements()}};
  for (size_t t = 0; t < todo.size(); ++t) {
    const Pending p = todo[t];
    std::vector<const Element*> kids;
    for (const auto& e : *p.list) kids.push_back(e.get());
    std::sort(kids.begin(), kids.end(),
              [](const Element* a, const Element* b) { return CfbNameLess(a->name, b->name); });
    for (size_t i = 1; i < kids.size(); ++i)
      if (CfbNamesEqual(kids[i - 1]->name, kids[i]->name))
        throw CfbError("compound file: two elements of one name");
    std::vector<uint32_t> ids;
    for (const Element* e : kids) {
      CheckName(e->name);
      ids.push_back(uint32_t(dir.size()));
      SaveEntry entry;
      entry.element = e;
      dir.push_back(entry);
      if (layout) paths.push_back(p.parent ? paths[p.parent] + u"/" + e->name : e->name);
      if (e->type == CfbElementType::Storage) todo.push_back({ids.back(), &e->children});
    }
    dir[p.parent].child = Hang(dir, ids, 0, ids.size(), 0, DeepestLevel(ids.size()));
  }

  // Sizes: small streams go to the mini stream, the others to sectors of their own.
  uint64_t miniSectors = 0, bigSectors = 0;
  for (size_t i = 1; i < dir.size(); ++i) {
    const Element& e = *dir[i].element;
    if (e.type != CfbElementType::Stream) continue;
    if (e.data.size() > kCompoundFileMaxSize) throw CfbError("compound file: file too large");
    dir[i].size = e.data.size();
    if (e.data.size() < kMiniCutoff)
      miniSectors += (e.data.size() + kMini - 1) / kMini;
    else
      bigSectors += (e.data.size() + kSector - 1) / kSector;
  }
  const uint64_t dirSectors = (dir.size() + kPerDir - 1) / kPerDir;
  const uint64_t miniFatSectors = (miniSectors + kPerFat - 1) / kPerFat;
  const uint64_t miniStreamSectors = (miniSectors * kMini + kSector - 1) / kSector;
  const uint64_t dataSectors = dirSectors + miniFatSectors + miniStreamSectors + bigSectors;
  if ((dataSectors + 1) * kSector > kCompoundFileMaxSize) throw CfbError("compound file: file too large");
  // The FAT covers itself and the DIFAT too: grow both until they do.
  uint64_t fatSectors = 1, difatSectors = 0;
  while (true) {
    difatSectors =
        fatSectors > kHeaderDifatCount ? (fatSectors - kHeaderDifatCount + kPerFat - 2) / (kPerFat - 1) : 0;
    if (fatSectors * kPerFat >= dataSectors + fatSectors + difatSectors) break;
    ++fatSectors;
  }
  const uint64_t total = fatSectors + difatSectors + dataSectors;
  if ((total + 1) * kSector > kCompoundFileMaxSize) throw CfbError("compound file: file too large");

  std::vector<uint8_t> out(size_t(total + 1) * kSector, 0);
  std::vector<uint32_t> fat(size_t(fatSectors * kPerFat), kFreeSect);
  uint32_t next = 0;
  auto chain = [&](uint64_t count) {  // the next `count` sectors as one chain; its start
    if (count == 0) return kEndOfChain;
    const uint32_t first = next;
    for (uint64_t i = 0; i < count; ++i, ++next) fat[next] = (i + 1 == count) ? kEndOfChain : next + 1;
    return first;
  };
  const uint32_t firstFat = next;
  for (uint64_t i = 0; i < fatSectors; ++i) fat[next++] = kFatSect;
  const uint32_t firstDifat = next;
  for (uint64_t i = 0; i < difatSectors; ++i) fat[next++] = kDifSect;
  const uint32_t firstDir = chain(dirSectors);
  const uint32_t firstMiniFat = chain(miniFatSectors);
  const uint32_t firstMini = chain(miniStreamSectors);
  auto sector = [&](uint32_t id) { return out.data() + (uint64_t(id) + 1) * kSector; };
  if (layout) {
    const auto run = [](uint32_t first, uint64_t count) {
      std::vector<uint32_t> ids;
      for (uint64_t i = 0; i < count; ++i) ids.push_back(uint32_t(first + i));
      return ids;
    };
    layout->sectorSize = kSector;
    layout->fatSectors = run(firstFat, fatSectors);
    layout->difatSectors = run(firstDifat, difatSectors);
    layout->dirSectors = run(firstDir, dirSectors);
    layout->miniFatSectors = run(firstMiniFat, miniFatSectors);
    layout->entries.clear();
    for (size_t i = 0; i < dir.size(); ++i) layout->entries.emplace_back(paths[i], uint32_t(i));
  }

  // Stream bytes: mini streams one after another in the mini stream, the others in their chains.
  std::vector<uint32_t> miniFat(size_t(miniFatSectors * kPerFat), kFreeSect);
  uint32_t nextMini = 0;
  for (size_t i = 1; i < dir.size(); ++i) {
    const Element& e = *dir[i].element;
    if (e.type != CfbElementType::Stream || e.data.empty()) continue;
    if (e.data.size() < kMiniCutoff) {
      const uint32_t count = uint32_t((e.data.size() + kMini - 1) / kMini);
      dir[i].start = nextMini;
      for (uint32_t k = 0; k < count; ++k)
        miniFat[nextMini + k] = k + 1 == count ? kEndOfChain : nextMini + k + 1;
      // The mini stream's sectors follow one another, so its bytes are one run.
      std::memcpy(sector(firstMini) + uint64_t(nextMini) * kMini, e.data.data(), e.data.size());
      nextMini += count;
    } else {
      const uint64_t count = (e.data.size() + kSector - 1) / kSector;
      dir[i].start = chain(count);
      std::memcpy(sector(dir[i].start), e.data.data(), e.data.size());
    }
  }
  dir[0].start = firstMini;
  dir[0].size = miniSectors * kMini;

  // Header (version 4 pads it to a whole sector and counts its directory sectors).
  uint8_t* h = out.data();
  std::memcpy(h, kSignature, 8);
  Put16(h + 0x18, 0x003E);
  Put16(h + 0x1A, uint16_t(majorVersion));
  Put16(h + 0x1C, 0xFFFE);
  Put16(h + 0x1E, uint16_t(shift));
  Put16(h + 0x20, kMiniShift);
  Put32(h + 0x28, majorVersion == 4 ? uint32_t(dirSectors) : 0);
  Put32(h + 0x2C, uint32_t(fatSectors));
  Put32(h + 0x30, firstDir);
  Put32(h + 0x38, kMiniCutoff);
  Put32(h + 0x3C, firstMiniFat);
  Put32(h + 0x40, uint32_t(miniFatSectors));
  Put32(h + 0x44, difatSectors ? firstDifat : kEndOfChain);
  Put32(h + 0x48, uint32_t(difatSectors));
  for (uint32_t i = 0; i < kHeaderDifatCount; ++i)
    Put32(h + 0x4C + 4 * i, i < fatSectors ? firstFat + i : kFreeSect);
  // DIFAT sectors: the FAT sector ids past the header's, then the next DIFAT sector.
  for (uint64_t d = 0; d < difatSectors; ++d) {
    uint8_t* p = sector(uint32_t(firstDifat + d));
    for (uint32_t i = 0; i + 1 < kPerFat; ++i) {
      const uint64_t k = kHeaderDifatCount + d * (kPerFat - 1) + i;
      Put32(p + 4 * i, k < fatSectors ? uint32_t(firstFat + k) : kFreeSect);
    }
    Put32(p + 4 * (kPerFat - 1), d + 1 < difatSectors ? uint32_t(firstDifat + d + 1) : kEndOfChain);
  }
  for (size_t i = 0; i < fat.size(); ++i)
    Put32(sector(uint32_t(firstFat + i / kPerFat)) + 4 * (i % kPerFat), fat[i]);
  for (size_t i = 0; i < miniFat.size(); ++i)
    Put32(sector(uint32_t(firstMiniFat + i / kPerFat)) + 4 * (i % kPerFat), miniFat[i]);

  // Directory entries; the unused ones after the last entry have no siblings and no child.
  for (size_t i = 0; i < dirSectors * kPerDir; ++i) {
    uint8_t* e = sector(uint32_t(firstDir + i / kPerDir)) + kDirEntrySize * (i % kPerDir);
    Put32(e + 0x44, kNoStream);
    Put32(e + 0x48, kNoStream);
    Put32(e + 0x4C, kNoStream);
    if (i >= dir.size()) continue;
    const SaveEntry& s = dir[i];
    const std::u16string& name = s.element ? s.element->name : std::u16string(u"Root Entry");
    for (size_t k = 0; k < name.size(); ++k) Put16(e + 2 * k, uint16_t(name[k]));
    Put16(e + 0x40, uint16_t(2 * (name.size() + 1)));
    e[0x42] = !s.element                                   ? kTypeRoot
              : s.element->type == CfbElementType::Storage ? kTypeStorage
                                                           : kTypeStream;
    e[0x43] = s.red ? 0 : 1;
    Put32(e + 0x44, s.left);
    Put32(e + 0x48, s.right);
    Put32(e + 0x4C, s.child);
    const bool stream = s.element && s.element->type == CfbElementType::Stream;
    if (!stream) std::memcpy(e + 0x50, (s.element ? s.element->clsid : copy.clsid).data(), 16);
    Put32(e + 0x60, s.element ? s.element->stateBits : copy.stateBits);
    Put32(e + 0x74, stream || !s.element ? s.start : 0);
    Put32(e + 0x78, uint32_t(s.size));
    Put32(e + 0x7C, uint32_t(s.size >> 32));
  }
  return out;
}
// ---- stream
// ------------------------------------------------------------------------------------

size_t CfbStream::Read(void* buffer, size_t count) {
  auto* out = static_cast<uint8_t*>(buffer);
  size_t done = 0;
  const uint64_t unitSize = uint64_t(1) << unitShift_;
  while (done < count && pos_ < size_) {
    const uint64_t unit = pos_ >> unitShift_;
    const uint64_t within = pos_ & (unitSize - 1);
    const uint64_t n = std::min<uint64_t>({unitSize - within, size_ - pos_, count - done});
    std::memcpy(out + done, image_->bytes.data() + units_[unit] + within, n);
    done += n;
    pos_ += n;
  }
  return done;
}

uint64_t CfbStream::Seek(int64_t offset, CfbSeekOrigin origin) {
  int64_t base = 0;
  if (origin == CfbSeekOrigin::Current) base = int64_t(pos_);
  if (origin == CfbSeekOrigin::End) base = int64_t(size_);
  if ((offset < 0 && base + offset < 0) || (offset > 0 && base > INT64_MAX - offset))
    throw CfbError("compound file: seek out of range");
  pos_ = uint64_t(base + offset);
  return pos_;
}

std::vector<std::span<const uint8_t>> CfbStream::Runs() const {
  std::vector<std::span<const uint8_t>> runs;
  const uint64_t unitSize = uint64_t(1) << unitShift_;
  // The chain was checked against the file when the stream was opened, exactly as Read relies on.
  for (uint64_t at = 0; at < size_;) {
    const size_t first = size_t(at >> unitShift_);
    size_t last = first;
    while (last + 1 < units_.size() && units_[last + 1] == units_[last] + unitSize &&
           ((last + 1) << unitShift_) < size_)
      ++last;
    const uint64_t n = std::min<uint64_t>(uint64_t(last - first + 1) << unitShift_, size_ - at);
    runs.emplace_back(image_->bytes.data() + units_[first], size_t(n));
    at += n;
  }
  return runs;
}

std::vector<uint8_t> CfbStream::ReadAll() {
  std::vector<uint8_t> out(size_);
  pos_ = 0;
  Read(out.data(), out.size());
  return out;
}

}  // namespace kws
