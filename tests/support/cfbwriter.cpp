#include "tests/support/cfbwriter.h"

#include <algorithm>
#include <functional>
#include <stdexcept>

#include "platform/cfb.h"

namespace kws::test {

namespace {

constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFreeSect = 0xFFFFFFFF;
constexpr uint32_t kFatSect = 0xFFFFFFFD;
constexpr uint32_t kDifSect = 0xFFFFFFFC;
constexpr uint32_t kNoStream = 0xFFFFFFFF;
constexpr uint32_t kMiniCutoff = 4096;

void Put16At(std::string& b, uint64_t off, uint16_t v) {
  b[off] = char(v & 0xFF);
  b[off + 1] = char(v >> 8);
}
void Put32At(std::string& b, uint64_t off, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[off + i] = char((v >> (8 * i)) & 0xFF);
}

uint32_t Ceil(uint64_t n, uint64_t d) { return uint32_t((n + d - 1) / d); }

}  // namespace

bool CfbNameLess(std::u16string_view a, std::u16string_view b) { return kws::CfbNameLess(a, b); }

// ---- layout helpers
// ----------------------------------------------------------------------------

uint64_t CfbImageLayout::DirEntryOffset(uint32_t entry) const {
  const uint32_t per = sectorSize / 128;
  return SectorOffset(dirSectors.at(entry / per)) + uint64_t(entry % per) * 128;
}

uint32_t CfbImageLayout::Get32(uint64_t offset) const {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= uint32_t(uint8_t(bytes.at(offset + i))) << (8 * i);
  return v;
}

void CfbImageLayout::Put32(uint64_t offset, uint32_t value) {
  if (offset + 4 > bytes.size()) throw std::out_of_range("Put32 past the end");
  Put32At(bytes, offset, value);
}

uint32_t CfbImageLayout::Fat(uint32_t id) const {
  const uint32_t per = sectorSize / 4;
  return Get32(SectorOffset(fatSectors.at(id / per)) + uint64_t(id % per) * 4);
}

void CfbImageLayout::SetFat(uint32_t id, uint32_t value) {
  const uint32_t per = sectorSize / 4;
  Put32(SectorOffset(fatSectors.at(id / per)) + uint64_t(id % per) * 4, value);
}

void CfbImageLayout::SetMiniFat(uint32_t id, uint32_t value) {
  const uint32_t per = sectorSize / 4;
  Put32(SectorOffset(miniFatSectors.at(id / per)) + uint64_t(id % per) * 4, value);
}

uint32_t CfbImageLayout::StartOf(const std::u16string& path) const {
  return Get32(DirEntryOffset(entryOf.at(path)) + 0x74);
}

void CfbImageLayout::SetStart(const std::u16string& path, uint32_t sector) {
  Put32(DirEntryOffset(entryOf.at(path)) + 0x74, sector);
}

void CfbImageLayout::ReverseSectors(const std::u16string& path) {
  std::vector<uint32_t> chain;
  for (uint32_t id = StartOf(path); id < 0xFFFFFFFAu; id = Fat(id)) chain.push_back(id);
  const size_t n = chain.size();
  std::vector<std::string> data;
  for (uint32_t id : chain) data.push_back(bytes.substr(SectorOffset(id), sectorSize));
  // Sector k of the stream moves to where sector n-1-k was.
  for (size_t k = 0; k < n; ++k) bytes.replace(SectorOffset(chain[n - 1 - k]), sectorSize, data[k]);
  SetStart(path, chain[n - 1]);
  for (size_t k = 0; k + 1 < n; ++k) SetFat(chain[n - 1 - k], chain[n - 2 - k]);
  SetFat(chain[0], 0xFFFFFFFEu);
}

void CfbImageLayout::SetSize(const std::u16string& path, uint64_t size) {
  const uint64_t off = DirEntryOffset(entryOf.at(path));
  Put32(off + 0x78, uint32_t(size));
  Put32(off + 0x7C, uint32_t(size >> 32));
}

// ---- writer
// ------------------------------------------------------------------------------------

int CfbWriter::Ensure(std::u16string_view path, bool storage) {
  int parent = 0;
  size_t begin = 0;
  while (true) {
    const size_t slash = path.find(u'/', begin);
    const bool last = slash == std::u16string_view::npos;
    const std::u16string_view name = path.substr(begin, last ? std::u16string_view::npos : slash - begin);
    const std::u16string full(path.substr(0, last ? path.size() : slash));
    int found = -1;
    for (size_t i = 0; i < nodes_.size(); ++i)
      if (nodes_[i].parent == parent && nodes_[i].name == name) found = int(i);
    if (found < 0) {
      if (name.empty() || name.size() > 31) throw std::invalid_argument("bad element name");
      nodes_.push_back(Node{std::u16string(name), full, last ? storage : true, {}, parent});
      found = int(nodes_.size() - 1);
    }
    if (last) return found;
    if (!nodes_[found].storage) throw std::invalid_argument("a stream cannot hold elements");
    parent = found;
    begin = slash + 1;
  }
}

void CfbWriter::AddStorage(std::u16string_view path) { Ensure(path, true); }

void CfbWriter::AddStream(std::u16string_view path, std::string_view bytes) {
  const int i = Ensure(path, false);
  if (nodes_[i].storage) throw std::invalid_argument("a storage of that name exists");
  nodes_[i].data = std::string(bytes);
}

CfbImageLayout CfbWriter::Build() const {
  CfbImageLayout out;
  const uint32_t ss = major_ == 4 ? 4096 : 512;
  out.sectorSize = ss;
  const uint32_t perFat = ss / 4;
  const size_t n = nodes_.size();

  // Mini stream and the sectors of large streams.
  std::string mini;
  std::vector<uint32_t> miniFat;
  std::vector<uint32_t> start(n, kEndOfChain);
  std::vector<uint32_t> bigSectors(n, 0);
  uint32_t bigTotal = 0;
  for (size_t i = 1; i < n; ++i) {
    const Node& node = nodes_[i];
    if (node.storage || node.data.empty()) continue;
    if (node.data.size() < kMiniCutoff) {
      const uint32_t first = uint32_t(mini.size() / 64);
      const uint32_t count = Ceil(node.data.size(), 64);
      start[i] = first;
      for (uint32_t k = 0; k < count; ++k) miniFat.push_back(k + 1 < count ? first + k + 1 : kEndOfChain);
      mini += node.data;
      mini.resize(size_t(first + count) * 64, '\0');
    } else {
      bigSectors[i] = Ceil(node.data.size(), ss);
      bigTotal += bigSectors[i];
    }
  }
  const uint32_t dirCount = Ceil(n * 128, ss);
  const uint32_t miniFatCount = Ceil(miniFat.size() * 4, ss);
  const uint32_t miniCount = Ceil(mini.size(), ss);
  const uint32_t others = dirCount + miniFatCount + miniCount + bigTotal;
  uint32_t fatCount = 1, difatCount = 0;
  while (true) {
    const uint32_t needDifat = fatCount > 109 ? Ceil(fatCount - 109, perFat - 1) : 0;
    const uint32_t needFat = Ceil(uint64_t(others) + fatCount + needDifat, perFat);
    if (needFat <= fatCount && needDifat == difatCount) break;
    fatCount = std::max(fatCount, needFat);
    difatCount = needDifat;
  }
  const uint32_t total = fatCount + difatCount + others;

  std::vector<uint32_t> fat(size_t(fatCount) * perFat, kFreeSect);
  uint32_t next = 0;
  auto chain = [&](uint32_t count, std::vector<uint32_t>* list) {
    const uint32_t first = next;
    for (uint32_t k = 0; k < count; ++k) {
      fat[next] = k + 1 < count ? next + 1 : kEndOfChain;
      if (list) list->push_back(next);
      ++next;
    }
    return count ? first : kEndOfChain;
  };
  for (uint32_t k = 0; k < fatCount; ++k) out.fatSectors.push_back(next), fat[next++] = kFatSect;
  for (uint32_t k = 0; k < difatCount; ++k) out.difatSectors.push_back(next), fat[next++] = kDifSect;
  const uint32_t dirStart = chain(dirCount, &out.dirSectors);
  const uint32_t miniFatStart = chain(miniFatCount, &out.miniFatSectors);
  const uint32_t miniStart = chain(miniCount, nullptr);
  for (size_t i = 1; i < n; ++i)
    if (bigSectors[i]) start[i] = chain(bigSectors[i], nullptr);

  out.bytes.assign(size_t(total + 1) * ss, '\0');
  std::string& b = out.bytes;
  // Header.
  const uint8_t sig[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  for (int i = 0; i < 8; ++i) b[i] = char(sig[i]);
  Put16At(b, 0x18, 0x003E);
  Put16At(b, 0x1A, uint16_t(major_));
  Put16At(b, 0x1C, 0xFFFE);
  Put16At(b, 0x1E, major_ == 4 ? 12 : 9);
  Put16At(b, 0x20, 6);
  Put32At(b, 0x28, major_ == 4 ? dirCount : 0);
  Put32At(b, 0x2C, fatCount);
  Put32At(b, 0x30, dirStart);
  Put32At(b, 0x38, kMiniCutoff);
  Put32At(b, 0x3C, miniFatStart);
  Put32At(b, 0x40, miniFatCount);
  Put32At(b, 0x44, difatCount ? out.difatSectors[0] : kEndOfChain);
  Put32At(b, 0x48, difatCount);
  for (uint32_t i = 0; i < 109; ++i) Put32At(b, 0x4C + 4 * i, i < fatCount ? out.fatSectors[i] : kFreeSect);
  // DIFAT sectors: the FAT sector ids past the first 109, the last slot chains
  // to the next.
  for (uint32_t d = 0; d < difatCount; ++d) {
    const uint64_t off = out.SectorOffset(out.difatSectors[d]);
    for (uint32_t i = 0; i + 1 < perFat; ++i) {
      const uint64_t k = 109 + uint64_t(d) * (perFat - 1) + i;
      Put32At(b, off + 4 * i, k < fatCount ? out.fatSectors[k] : kFreeSect);
    }
    Put32At(b, off + 4 * (perFat - 1), d + 1 < difatCount ? out.difatSectors[d + 1] : kEndOfChain);
  }
  for (size_t k = 0; k < fat.size(); ++k)
    out.Put32(out.SectorOffset(out.fatSectors[k / perFat]) + (k % perFat) * 4, fat[k]);
  for (size_t k = 0; k < miniFat.size(); ++k) out.SetMiniFat(uint32_t(k), miniFat[k]);
  for (uint32_t k = miniFat.size(); k < miniFatCount * perFat; ++k) out.SetMiniFat(k, kFreeSect);

  // Directory: siblings sorted and hung as a balanced tree below their storage.
  std::vector<uint32_t> left(n, kNoStream), right(n, kNoStream), child(n, kNoStream);
  std::function<uint32_t(std::vector<int>&, size_t, size_t)> hang = [&](std::vector<int>& v, size_t lo,
                                                                        size_t hi) -> uint32_t {
    if (lo >= hi) return kNoStream;
    const size_t mid = (lo + hi) / 2;
    left[v[mid]] = hang(v, lo, mid);
    right[v[mid]] = hang(v, mid + 1, hi);
    return uint32_t(v[mid]);
  };
  for (size_t p = 0; p < n; ++p) {
    if (!nodes_[p].storage) continue;
    std::vector<int> kids;
    for (size_t i = 1; i < n; ++i)
      if (nodes_[i].parent == int(p)) kids.push_back(int(i));
    std::sort(kids.begin(), kids.end(),
              [&](int x, int y) { return CfbNameLess(nodes_[x].name, nodes_[y].name); });
    child[p] = hang(kids, 0, kids.size());
  }
  for (size_t i = 0; i < n; ++i) {
    const Node& node = nodes_[i];
    out.entryOf[node.path] = uint32_t(i);
    const uint64_t e = out.DirEntryOffset(uint32_t(i));
    for (size_t k = 0; k < node.name.size(); ++k) Put16At(b, e + 2 * k, node.name[k]);
    Put16At(b, e + 0x40, uint16_t(2 * (node.name.size() + 1)));
    b[e + 0x42] = char(i == 0 ? 5 : node.storage ? 1 : 2);
    b[e + 0x43] = 1;  // black
    Put32At(b, e + 0x44, left[i]);
    Put32At(b, e + 0x48, right[i]);
    Put32At(b, e + 0x4C, child[i]);
    const uint64_t size = i == 0 ? mini.size() : node.data.size();
    Put32At(b, e + 0x74, i == 0 ? miniStart : start[i]);
    Put32At(b, e + 0x78, uint32_t(size));
    Put32At(b, e + 0x7C, uint32_t(size >> 32));
  }
  for (size_t i = n; i < size_t(dirCount) * (ss / 128); ++i) {
    const uint64_t e = out.DirEntryOffset(uint32_t(i));
    Put32At(b, e + 0x44, kNoStream);
    Put32At(b, e + 0x48, kNoStream);
    Put32At(b, e + 0x4C, kNoStream);
  }

  // Stream bytes.
  for (uint32_t k = 0; k < miniCount; ++k)
    b.replace(out.SectorOffset(miniStart + k), std::min<size_t>(ss, mini.size() - size_t(k) * ss), mini,
              size_t(k) * ss, ss);
  for (size_t i = 1; i < n; ++i) {
    if (!bigSectors[i]) continue;
    for (uint32_t k = 0; k < bigSectors[i]; ++k) {
      const size_t from = size_t(k) * ss;
      const size_t len = std::min<size_t>(ss, nodes_[i].data.size() - from);
      b.replace(out.SectorOffset(start[i] + k), len, nodes_[i].data, from, len);
    }
  }
  return out;
}

}  // namespace kws::test
