// Byte streams of the package layer: the abstract stream that zip entries, package parts and
// archives are handed around as, with a memory stream, a read-only view over bytes held
// elsewhere, and a file stream.
//
// Design: one small virtual interface (read, write, seek) instead of std::streambuf, because the
// entry streams of the zip layer raise their decompression and format errors as exceptions that
// must reach the caller unchanged; std::istream would turn them into a bad bit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace xls {

enum class TXLSSeekOrigin { soBeginning, soCurrent, soEnd };

// A byte stream. Read returns the number of bytes delivered (0 at the end); Seek returns the new
// position. Streams that do not support an operation raise std::runtime_error.
class TXLSStream {
 public:
  virtual ~TXLSStream() = default;

  virtual size_t Read(void* buffer, size_t count) = 0;
  virtual size_t Write(const void* buffer, size_t count);
  virtual int64_t Seek(int64_t offset, TXLSSeekOrigin origin) = 0;
  // The stream's size; the default seeks to the end and back.
  virtual int64_t Size();

  int64_t Position() { return Seek(0, TXLSSeekOrigin::soCurrent); }
  void SetPosition(int64_t pos) { Seek(pos, TXLSSeekOrigin::soBeginning); }
  // Reads exactly `count` bytes or raises "Stream read error".
  void ReadBuffer(void* buffer, size_t count);
  // Writes all bytes or raises "Stream write error".
  void WriteBuffer(const void* buffer, size_t count);
  // Copies `count` bytes from `source` (all that is left when `count` is negative); returns the
  // number copied.
  int64_t CopyFrom(TXLSStream& source, int64_t count = -1);
  // Everything from the current position to the end, refused with "Stream too large" when more
  // than `limit` bytes come.
  std::string ReadAll(size_t limit);
};

// A growable stream in memory.
class TXLSMemoryStream : public TXLSStream {
 public:
  TXLSMemoryStream() = default;
  explicit TXLSMemoryStream(std::string bytes) : data_(std::move(bytes)) {}

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, TXLSSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }

  const std::string& Bytes() const { return data_; }
  std::string& Bytes() { return data_; }
  void Clear();

 private:
  std::string data_;
  size_t pos_ = 0;
};

// A read-only stream over bytes owned by someone else, which must outlive the stream.
class TXLSViewStream : public TXLSStream {
 public:
  explicit TXLSViewStream(std::string_view bytes) : data_(bytes) {}

  size_t Read(void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, TXLSSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }

 private:
  std::string_view data_;
  size_t pos_ = 0;
};

// A file opened for reading, or created for writing.
class TXLSFileStream : public TXLSStream {
 public:
  enum class Mode { Read, Create };
  // Raises "Cannot open file \"%s\"" when the file cannot be opened.
  TXLSFileStream(const std::filesystem::path& file, Mode mode);
  ~TXLSFileStream() override;
  TXLSFileStream(const TXLSFileStream&) = delete;
  TXLSFileStream& operator=(const TXLSFileStream&) = delete;

  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  int64_t Seek(int64_t offset, TXLSSeekOrigin origin) override;

 private:
  std::FILE* file_ = nullptr;
  Mode mode_;
};

}  // namespace xls
