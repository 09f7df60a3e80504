// Writes compound files (MS-CFB, versions 3 and 4) for test fixtures through the storage copy's
// own writer (kws::CfbStorageCopy, detail::WriteCompound), and tells where everything went so
// that tests can damage a sound file on purpose (loops, ids out of range, short chains, huge
// sizes).
//
// Layout of a written file: header sector, FAT sectors, DIFAT sectors (only past 109 FAT
// sectors), directory sectors, mini FAT sectors, the mini stream, then each large stream in
// directory order. Streams under 4096 bytes go to the mini stream. Directory entries: the root,
// then the children of each storage in turn, siblings sorted as the format sorts names (shorter
// first, then upper-cased code units) and hung as a balanced tree.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cfb.h"

namespace kws::test {

// A written compound file and where its parts lie.
struct CfbImageLayout {
  std::string bytes;
  uint32_t sectorSize = 512;
  std::vector<uint32_t> fatSectors;
  std::vector<uint32_t> difatSectors;
  std::vector<uint32_t> dirSectors;
  std::vector<uint32_t> miniFatSectors;
  std::map<std::u16string, uint32_t> entryOf;  // directory entry of each path ("Dir/Stream")

  uint64_t SectorOffset(uint32_t id) const { return uint64_t(id + 1) * sectorSize; }
  uint64_t DirEntryOffset(uint32_t entry) const;
  // FAT / mini FAT entry `id`.
  uint32_t Fat(uint32_t id) const;
  void SetFat(uint32_t id, uint32_t value);
  void SetMiniFat(uint32_t id, uint32_t value);
  // The start sector of an entry (offset 0x74) and its size (0x78, 64 bits).
  uint32_t StartOf(const std::u16string& path) const;
  void SetStart(const std::u16string& path, uint32_t sector);
  void SetSize(const std::u16string& path, uint64_t size);
  // Lays the sectors of a large stream out in the reverse order, in the same places, and relinks
  // its chain: the stream reads the same, but no two of its sectors follow one another.
  void ReverseSectors(const std::u16string& path);
  // A 32-bit little-endian value at any byte offset.
  uint32_t Get32(uint64_t offset) const;
  void Put32(uint64_t offset, uint32_t value);
};

class CfbWriter {
 public:
  explicit CfbWriter(int majorVersion = 3) : major_(majorVersion) {}
  // Paths use "/" between storage names; parent storages are made as needed. A name has 1 to 31
  // code units and none of "/", "\\", ":", "!" (else CfbError); a stream in place of a storage,
  // or the other way round, raises std::invalid_argument.
  void AddStorage(std::u16string_view path);
  void AddStream(std::u16string_view path, std::string_view bytes);
  CfbImageLayout Build() const;

 private:
  int major_;
  kws::CfbStorageCopy copy_;
};

}  // namespace kws::test
