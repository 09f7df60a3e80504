#include "xls/package/xlsstream.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace xls {
namespace {

// The new position of a seek within [0, size]; raises for a position outside it.
int64_t SeekTarget(int64_t pos, int64_t size, int64_t offset, TXLSSeekOrigin origin) {
  int64_t base = 0;
  switch (origin) {
    case TXLSSeekOrigin::soBeginning: base = 0; break;
    case TXLSSeekOrigin::soCurrent: base = pos; break;
    case TXLSSeekOrigin::soEnd: base = size; break;
  }
  if ((offset > 0 && base > INT64_MAX - offset) || base + offset < 0)
    throw std::runtime_error("Invalid stream operation");
  return base + offset;
}

// Reads from bytes held in memory at `pos`, moving it on.
size_t ReadFromBytes(std::string_view data, size_t& pos, void* buffer, size_t count) {
  if (pos >= data.size()) return 0;
  const size_t n = std::min(count, data.size() - pos);
  std::memcpy(buffer, data.data() + pos, n);
  pos += n;
  return n;
}

}  // namespace

size_t TXLSStream::Write(const void*, size_t) { throw std::runtime_error("Invalid stream operation"); }

int64_t TXLSStream::Size() {
  const int64_t pos = Position();
  const int64_t size = Seek(0, TXLSSeekOrigin::soEnd);
  Seek(pos, TXLSSeekOrigin::soBeginning);
  return size;
}

void TXLSStream::ReadBuffer(void* buffer, size_t count) {
  auto* p = static_cast<char*>(buffer);
  while (count > 0) {
    const size_t n = Read(p, count);
    if (n == 0) throw std::runtime_error("Stream read error");
    p += n;
    count -= n;
  }
}

void TXLSStream::WriteBuffer(const void* buffer, size_t count) {
  if (Write(buffer, count) != count) throw std::runtime_error("Stream write error");
}

int64_t TXLSStream::CopyFrom(TXLSStream& source, int64_t count) {
  std::vector<char> buf(65536);
  int64_t copied = 0;
  while (count < 0 || copied < count) {
    size_t want = buf.size();
    if (count >= 0) want = static_cast<size_t>(std::min<int64_t>(want, count - copied));
    const size_t n = source.Read(buf.data(), want);
    if (n == 0) {
      if (count >= 0) throw std::runtime_error("Stream read error");
      break;
    }
    WriteBuffer(buf.data(), n);
    copied += static_cast<int64_t>(n);
  }
  return copied;
}

std::string TXLSStream::ReadAll(size_t limit) {
  std::string out;
  char buf[65536];
  for (;;) {
    const size_t n = Read(buf, sizeof buf);
    if (n == 0) break;
    if (n > limit - out.size()) throw std::runtime_error("Stream too large");
    out.append(buf, n);
  }
  return out;
}

// ---- TXLSMemoryStream ----------------------------------------------------------------------

size_t TXLSMemoryStream::Read(void* buffer, size_t count) { return ReadFromBytes(data_, pos_, buffer, count); }

size_t TXLSMemoryStream::Write(const void* buffer, size_t count) {
  if (count == 0) return 0;
  if (pos_ > data_.size()) data_.resize(pos_, '\0');
  const size_t overlap = std::min(count, data_.size() - pos_);
  std::memcpy(data_.data() + pos_, buffer, overlap);
  data_.append(static_cast<const char*>(buffer) + overlap, count - overlap);
  pos_ += count;
  return count;
}

int64_t TXLSMemoryStream::Seek(int64_t offset, TXLSSeekOrigin origin) {
  pos_ = static_cast<size_t>(SeekTarget(static_cast<int64_t>(pos_), Size(), offset, origin));
  return static_cast<int64_t>(pos_);
}

void TXLSMemoryStream::Clear() {
  data_.clear();
  pos_ = 0;
}

// ---- TXLSViewStream ------------------------------------------------------------------------

size_t TXLSViewStream::Read(void* buffer, size_t count) { return ReadFromBytes(data_, pos_, buffer, count); }

int64_t TXLSViewStream::Seek(int64_t offset, TXLSSeekOrigin origin) {
  pos_ = static_cast<size_t>(SeekTarget(static_cast<int64_t>(pos_), Size(), offset, origin));
  return static_cast<int64_t>(pos_);
}

// ---- TXLSFileStream ------------------------------------------------------------------------

TXLSFileStream::TXLSFileStream(const std::filesystem::path& file, Mode mode) : mode_(mode) {
  file_ = std::fopen(file.c_str(), mode == Mode::Read ? "rb" : "w+b");
  if (!file_) throw std::runtime_error("Cannot open file \"" + file.string() + "\"");
}

TXLSFileStream::~TXLSFileStream() {
  if (file_) std::fclose(file_);
}

size_t TXLSFileStream::Read(void* buffer, size_t count) { return std::fread(buffer, 1, count, file_); }

size_t TXLSFileStream::Write(const void* buffer, size_t count) {
  if (mode_ == Mode::Read) throw std::runtime_error("Invalid stream operation");
  return std::fwrite(buffer, 1, count, file_);
}

int64_t TXLSFileStream::Seek(int64_t offset, TXLSSeekOrigin origin) {
  const int whence = origin == TXLSSeekOrigin::soBeginning ? SEEK_SET
                     : origin == TXLSSeekOrigin::soCurrent ? SEEK_CUR
                                                           : SEEK_END;
  if (!(origin == TXLSSeekOrigin::soCurrent && offset == 0) && fseeko(file_, offset, whence) != 0)
    throw std::runtime_error("Invalid stream operation");
  return ftello(file_);
}

}  // namespace xls
