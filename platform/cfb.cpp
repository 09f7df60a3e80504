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
    out.push_back({e.name, CfbElementType(e.type), e.type == kTypeStream ? e.size : 0});
    return true;
  });
  return out;
}

const std::u16string& CfbStorage::Name() const { return image_->dir[entry_].name; }

int CfbStorage::MajorVersion() const { return image_->major; }

CfbStorageCopy CfbStorage::CopyToMemory(std::span<const std::u16string_view> skip) const {
  // `budget` is what may still be copied: a sound file cannot hold more stream
  // bytes than it has. `visited` spans the whole copy, so a storage reachable
  // twice is a loop, not a fan-out.
  CfbStorageCopy copy;
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

const CfbStorageCopy::Element* CfbStorageCopy::Find(std::u16string_view name) const {
  for (const auto& e : elements_)
    if (CfbNamesEqual(e->name, name)) return e.get();
  return nullptr;
}

bool CfbStorageCopy::Remove(std::u16string_view name) {
  const auto it = std::find_if(elements_.begin(), elements_.end(),
                               [&](const auto& e) { return CfbNamesEqual(e->name, name); });
  if (it == elements_.end()) return false;
  elements_.erase(it);
  return true;
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
