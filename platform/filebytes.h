// Whole files and streams read into memory in one go.
//
// The readers work on byte spans, so a workbook file is read whole before it is parsed. Reading
// character by character through stream iterators costs as much as parsing a large sheet; these
// routines take the size first and read in one call (or in large chunks when the size is not
// known, as for pipes).
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <span>
#include <vector>

namespace kws {

// The bytes of `file`; false when it cannot be opened or read.
bool ReadFileBytes(const std::filesystem::path& file, std::vector<uint8_t>& out);
// The rest of `stream`, read in large chunks.
std::vector<uint8_t> ReadStreamBytes(std::istream& stream);

// A regular file's bytes mapped read-only for the object's lifetime: no copy and no large heap
// block (which would shift the allocator's thresholds for a load's many small blocks). The pages
// are faulted in as one batch, which costs far less than one fault per page on virtual machines.
class MappedFile {
 public:
  explicit MappedFile(const std::filesystem::path& file);
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // False when the file cannot be opened or is not a regular file.
  bool ok() const { return ok_; }
  std::span<const uint8_t> bytes() const { return {static_cast<const uint8_t*>(map_), map_ ? size_ : 0}; }

 private:
  int fd_ = -1;
  void* map_ = nullptr;
  size_t size_ = 0;
  bool ok_ = false;
};

// A large writable buffer of pages taken from the system in one batch (same reason as above); its
// bytes start as zeros.
class PageBuffer {
 public:
  PageBuffer() = default;
  explicit PageBuffer(size_t size);
  ~PageBuffer();
  PageBuffer(PageBuffer&& other) noexcept;
  PageBuffer& operator=(PageBuffer&& other) noexcept;

  uint8_t* data() { return static_cast<uint8_t*>(map_); }
  size_t size() const { return size_; }
  std::span<const uint8_t> bytes() const { return {static_cast<const uint8_t*>(map_), size_}; }

 private:
  void* map_ = nullptr;
  size_t size_ = 0;
};

}  // namespace kws
