#include "tests/support/cfbwriter.h"

#include <stdexcept>

namespace kws::test {

namespace {

void Put32At(std::string& b, uint64_t off, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[off + i] = char((v >> (8 * i)) & 0xFF);
}

}  // namespace

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

void CfbWriter::AddStorage(std::u16string_view path) {
  if (const auto* e = copy_.Find(path); e && e->type != kws::CfbElementType::Storage)
    throw std::invalid_argument("a stream of that name exists");
  copy_.PutStorage(path);
}

void CfbWriter::AddStream(std::u16string_view path, std::string_view bytes) {
  if (const auto* e = copy_.Find(path); e && e->type != kws::CfbElementType::Stream)
    throw std::invalid_argument("a storage of that name exists");
  for (size_t slash = path.find(u'/'); slash != std::u16string_view::npos; slash = path.find(u'/', slash + 1))
    if (const auto* e = copy_.Find(path.substr(0, slash)); e && e->type != kws::CfbElementType::Storage)
      throw std::invalid_argument("a stream cannot hold elements");
  copy_.PutStream(path, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

CfbImageLayout CfbWriter::Build() const {
  kws::detail::CfbWriteLayout where;
  const std::vector<uint8_t> bytes = kws::detail::WriteCompound(copy_, major_, &where);
  CfbImageLayout out;
  out.bytes.assign(bytes.begin(), bytes.end());
  out.sectorSize = where.sectorSize;
  out.fatSectors = std::move(where.fatSectors);
  out.difatSectors = std::move(where.difatSectors);
  out.dirSectors = std::move(where.dirSectors);
  out.miniFatSectors = std::move(where.miniFatSectors);
  for (auto& [path, entry] : where.entries) out.entryOf[std::move(path)] = entry;
  return out;
}

}  // namespace kws::test
