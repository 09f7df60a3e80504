#include "platform/filebytes.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <istream>
#include <memory>
#include <new>
#include <string>
#include <utility>

namespace kws {

namespace {
struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// Appends what is left of `f` in large chunks.
bool ReadRest(std::FILE* f, std::vector<uint8_t>& out) {
  constexpr size_t kChunk = size_t{1} << 20;
  for (;;) {
    size_t have = out.size();
    out.resize(have + kChunk);
    size_t got = std::fread(out.data() + have, 1, kChunk, f);
    out.resize(have + got);
    if (got < kChunk) return !std::ferror(f);
  }
}
}  // namespace

bool ReadFileBytes(const std::filesystem::path& file, std::vector<uint8_t>& out) {
  out.clear();
  std::unique_ptr<std::FILE, FileCloser> f(std::fopen(file.c_str(), "rb"));
  if (!f) return false;
  std::error_code ec;
  // A regular file is read in one call at its size; anything else (or a file that grew) in chunks.
  if (std::filesystem::is_regular_file(file, ec)) {
    uintmax_t size = std::filesystem::file_size(file, ec);
    if (!ec && size > 0 && size < (uintmax_t{1} << 40)) {
      out.resize(size_t(size));
      size_t got = std::fread(out.data(), 1, out.size(), f.get());
      out.resize(got);
      if (got < size) return !std::ferror(f.get());
    }
  }
  return ReadRest(f.get(), out);
}

std::vector<uint8_t> ReadStreamBytes(std::istream& stream) {
  constexpr size_t kChunk = size_t{1} << 20;
  std::vector<uint8_t> out;
  while (stream) {
    size_t have = out.size();
    out.resize(have + kChunk);
    stream.read(reinterpret_cast<char*>(out.data() + have), std::streamsize(kChunk));
    out.resize(have + size_t(stream.gcount()));
  }
  return out;
}

RegularFile::RegularFile(const std::filesystem::path& file) : name_(file) {
  fd_ = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd_ < 0) {
    if (errno == ENOENT || errno == ENOTDIR) state_ = State::Missing;
    if (errno == ENXIO) state_ = State::NotRegular;  // a socket, or a device without its driver
    return;
  }
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return;
  if (S_ISDIR(st.st_mode)) {
    state_ = State::Folder;
  } else if (!S_ISREG(st.st_mode)) {
    state_ = State::NotRegular;
  } else if (const int flags = ::fcntl(fd_, F_GETFL);
             flags >= 0 && ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) == 0) {
    size_ = uint64_t(st.st_size);
    state_ = State::Open;
  }
}

RegularFile::RegularFile(RegularFile&& other) noexcept
    : name_(std::move(other.name_)),
      fd_(std::exchange(other.fd_, -1)),
      size_(other.size_),
      state_(std::exchange(other.state_, State::Failed)) {}

RegularFile::~RegularFile() {
  if (fd_ >= 0) ::close(fd_);
}

int64_t RegularFile::ReadAt(void* out, size_t n, uint64_t offset) const {
  if (!ok()) return -1;
  size_t got = 0;
  while (got < n) {
    const ssize_t r = ::pread(fd_, static_cast<uint8_t*>(out) + got, n - got, off_t(offset + got));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return -1;
    if (r == 0) break;
    got += size_t(r);
  }
  return int64_t(got);
}

int64_t RegularFile::ReadDataInto(uint8_t* out, size_t n) const {
  if (!ok()) return -1;
  uint64_t at = 0;
  while (at < n) {
    off_t data = ::lseek(fd_, off_t(at), SEEK_DATA);
    if (data < 0) {
      if (errno == ENXIO) break;             // no data after `at`: a hole up to the end
      if (errno != EINVAL) return -1;
      data = off_t(at);                      // the file system does not tell holes: read it all
    }
    if (uint64_t(data) >= n) break;
    const off_t hole = ::lseek(fd_, data, SEEK_HOLE);
    const uint64_t end = hole < 0 ? n : std::min<uint64_t>(uint64_t(hole), n);
    if (end <= uint64_t(data)) break;
    const int64_t got = ReadAt(out + data, size_t(end - uint64_t(data)), uint64_t(data));
    if (got < 0) return -1;
    if (uint64_t(got) < end - uint64_t(data)) return data + got;  // the file shrank
    at = end;
  }
  return int64_t(n);
}

std::filesystem::path RegularFile::ReopenName() const {
  std::filesystem::path own = "/proc/self/fd/" + std::to_string(fd_);
  std::error_code ec;
  return fd_ >= 0 && std::filesystem::exists(own, ec) ? own : name_;
}

MappedFile::MappedFile(RegularFile file) : file_(std::move(file)) {
  if (!file_.ok() || file_.size() > SIZE_MAX / 2) return;
  size_ = size_t(file_.size());
  // Holes tell a sparse file: its data only is read, into a page buffer.
  const bool dense = size_ > 0 && size_ <= kMapLimit && ::lseek(file_.fd(), 0, SEEK_HOLE) >= off_t(size_);
  if (size_ >= PageBuffer::kHugePage && !dense) {
    try {
      copy_ = PageBuffer(size_);
    } catch (const std::bad_alloc&) {
      return;  // no room for its bytes (an address-space limit): it cannot be read
    }
    const int64_t got = file_.ReadDataInto(copy_.data(), size_);
    if (got < 0) return;  // cannot be read
    size_ = size_t(got);  // a file that shrank: what was read is all there is
  } else if (size_ > 0) {
    void* p = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE | MAP_POPULATE, file_.fd(), 0);
    if (p == MAP_FAILED) return;
    map_ = p;
  }
  ok_ = true;
}

MappedFile::~MappedFile() {
  if (map_) ::munmap(map_, size_);
}

PageBuffer::PageBuffer(size_t size) {
  if (size == 0) return;
  if (size < kHugePage) {
    void* p =
        ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    map_ = p;
    mapSize_ = size_ = size;
    data_ = static_cast<uint8_t*>(p);
    return;
  }
  if (size > SIZE_MAX - 2 * kHugePage) throw std::bad_alloc();
  const size_t rounded = (size + kHugePage - 1) / kHugePage * kHugePage;
  void* p = ::mmap(nullptr, rounded + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
  map_ = p;
  mapSize_ = rounded + kHugePage;
  const uintptr_t aligned = (reinterpret_cast<uintptr_t>(p) + kHugePage - 1) & ~uintptr_t(kHugePage - 1);
  data_ = reinterpret_cast<uint8_t*>(aligned);
  size_ = rounded;
  ::madvise(data_, size_, MADV_HUGEPAGE);  // advice only: small pages serve when it is not taken
}

PageBuffer::~PageBuffer() { Release(); }

void PageBuffer::Release() {
  if (map_) ::munmap(map_, mapSize_);
  map_ = nullptr;
  data_ = nullptr;
  mapSize_ = size_ = 0;
}

PageBuffer::PageBuffer(PageBuffer&& other) noexcept
    : map_(std::exchange(other.map_, nullptr)),
      mapSize_(std::exchange(other.mapSize_, 0)),
      data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)) {}

PageBuffer& PageBuffer::operator=(PageBuffer&& other) noexcept {
  if (this != &other) {
    Release();
    map_ = std::exchange(other.map_, nullptr);
    mapSize_ = std::exchange(other.mapSize_, 0);
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

}  // namespace kws
