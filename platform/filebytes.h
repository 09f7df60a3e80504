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

// A file opened for reading by the search, which reads regular files only. The open does not
// block (opening a FIFO without a writer, or reading one, would wait for ever) and the kind is
// taken from the open file's own status (fstat), so that no name swapped between a look-up and
// the open slips a FIFO, socket or device past the check. An open regular file reads blocking.
class RegularFile {
 public:
  enum class State {
    Open,        // a regular file, open for reading
    Missing,     // nothing there under that name
    Folder,      // a folder
    NotRegular,  // a FIFO, socket or device: never read
    Failed       // cannot be opened (no permission, ...)
  };

  explicit RegularFile(const std::filesystem::path& file);
  ~RegularFile();
  RegularFile(RegularFile&& other) noexcept;
  RegularFile& operator=(RegularFile&&) = delete;
  RegularFile(const RegularFile&) = delete;

  State state() const { return state_; }
  bool ok() const { return state_ == State::Open; }
  int fd() const { return fd_; }
  // The size when it was opened.
  uint64_t size() const { return size_; }
  // Reads up to `n` bytes at `offset`, retrying after interruptions: fewer only at the end of the
  // file; -1 when the file cannot be read.
  int64_t ReadAt(void* out, size_t n, uint64_t offset) const;
  // Reads the first `n` bytes into `out`, which holds zeros, skipping the file's holes (where the
  // file system tells them), so that a sparse file costs the time and the pages of the data it
  // really holds: the bytes of a hole are the zeros already in `out`, never touched. The count of
  // bytes the file had (fewer than `n` only when it shrank), or -1 when it cannot be read.
  int64_t ReadDataInto(uint8_t* out, size_t n) const;
  // A name that opens this very file again, for libraries that take only a name: its entry in
  // /proc/self/fd, or the name it was opened by where there is none.
  std::filesystem::path ReopenName() const;

 private:
  std::filesystem::path name_;
  int fd_ = -1;
  uint64_t size_ = 0;
  State state_ = State::Failed;
};

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
// page, or one of up to kMapLimit bytes without holes, is mapped read-only with its pages faulted
// in as one batch, which costs far less than one fault per page on virtual machines and, unlike a
// copy, zeroes no fresh memory; a larger one is read into a page buffer on huge pages, whose one
// copy costs less there than touching every small page of the mapping. Only the data of
// a sparse file is read: its holes stay untouched pages of the buffer, so that a file of
// gigabytes of holes costs the memory and time of the bytes it really holds.
class MappedFile {
 public:
  static constexpr size_t kMapLimit = size_t{16} << 20;
  explicit MappedFile(const std::filesystem::path& file) : MappedFile(RegularFile(file)) {}
  // The bytes of a file opened before (whose first bytes the caller may have looked at).
  explicit MappedFile(RegularFile file);
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // False when the file cannot be opened, is not a regular file or finds no room in memory.
  bool ok() const { return ok_; }
  std::span<const uint8_t> bytes() const {
    if (copy_.size()) return copy_.bytes().first(size_);
    return {static_cast<const uint8_t*>(map_), map_ ? size_ : 0};
  }

 private:
  RegularFile file_;
  void* map_ = nullptr;
  PageBuffer copy_;
  size_t size_ = 0;
  bool ok_ = false;
};

}  // namespace kws
