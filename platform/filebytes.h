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

// A large writable buffer of pages taken from the system in one batch; its bytes start as zeros.
// On virtual machines the first touch of every small page is costly, even of a page faulted in
// ahead: a buffer of at least one huge page (2 MB) is therefore laid on huge-page boundaries and
// offered to the kernel for huge pages (its size then rounds up to whole huge pages), and only a
// smaller one is faulted in as one batch.
class PageBuffer {
 public:
  static constexpr size_t kHugePage = size_t{1} << 21;

  PageBuffer() = default;
  explicit PageBuffer(size_t size);
  ~PageBuffer();
  PageBuffer(PageBuffer&& other) noexcept;
  PageBuffer& operator=(PageBuffer&& other) noexcept;

  uint8_t* data() { return data_; }
  size_t size() const { return size_; }
  std::span<const uint8_t> bytes() const { return {data_, size_}; }

 private:
  void Release();
  void* map_ = nullptr;  // the mapping, which may start before data_ (alignment)
  size_t mapSize_ = 0;
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

// A regular file's bytes for the object's lifetime, never in a large heap block (which would
// shift the allocator's thresholds for a load's many small blocks). A file smaller than a huge
// page is mapped read-only with its pages faulted in as one batch, which costs far less than one
// fault per page on virtual machines; a larger one is read into a page buffer on huge pages,
// whose one copy costs less there than touching every small page of the mapping.
class MappedFile {
 public:
  explicit MappedFile(const std::filesystem::path& file);
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // False when the file cannot be opened or is not a regular file.
  bool ok() const { return ok_; }
  std::span<const uint8_t> bytes() const {
    if (copy_.size()) return copy_.bytes().first(size_);
    return {static_cast<const uint8_t*>(map_), map_ ? size_ : 0};
  }

 private:
  int fd_ = -1;
  void* map_ = nullptr;
  PageBuffer copy_;
  size_t size_ = 0;
  bool ok_ = false;
};

}  // namespace kws
