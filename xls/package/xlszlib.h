// zlib stream adapters of the zip layer: raw deflate streams for zip entries (window bits -15),
// and a whole-buffer inflate of zlib-format data for the legacy workbook reader's pictures.
//
// Output is always capped: an entry streamed to a reader gives at most 1 GiB, data inflated whole
// into memory at most 256 MiB, so that a small archive cannot make the engine produce unbounded
// output (a few kilobytes of deflate data can stand for gigabytes of zeros).
#pragma once

#include <zlib.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "xls/package/xlsstream.h"

namespace xls {

// Largest output of one entry read as a stream.
inline constexpr int64_t kZipStreamedEntryLimit = int64_t{1} << 30;
// Largest output of data inflated whole into memory.
inline constexpr int64_t kZipMemoryEntryLimit = int64_t{256} << 20;

class EZLibError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
class EDecompressionError : public EZLibError {
 public:
  using EZLibError::EZLibError;
};
class ECompressionError : public EZLibError {
 public:
  using EZLibError::EZLibError;
};

// zlib compression levels.
enum class TCompressionLevel : int { clNone = 0, clFastest = 1, clDefault = -1, clMax = 9 };

// Raw inflate of a zip entry's compressed bytes. Reads through a 65,536-byte input buffer from
// the source, which it puts back to where this stream's data continues before each refill, so
// that other readers of the same source may move it in between.
class TDecompressionStream : public TXLSStream {
 public:
  // Inflates `compressedSize` bytes that start at the source's current position.
  static std::unique_ptr<TDecompressionStream> CreateZip(TXLSStream& source, int64_t compressedSize);
  ~TDecompressionStream() override;
  TDecompressionStream(const TDecompressionStream&) = delete;
  TDecompressionStream& operator=(const TDecompressionStream&) = delete;

  size_t Read(void* buffer, size_t count) override { return ReadZip(buffer, count); }
  // Fills the buffer as far as the data goes; returns fewer bytes at the end of the deflate
  // stream or of the compressed bytes. Corrupt data raises EDecompressionError.
  size_t ReadZip(void* buffer, size_t count);
  size_t Write(const void*, size_t) override;
  // Only the position query (offset 0 from the current position) is supported.
  int64_t Seek(int64_t offset, TXLSSeekOrigin origin) override;

  std::function<void()> OnProgress;

 private:
  TDecompressionStream(TXLSStream& source, int64_t compressedSize);

  TXLSStream& FStrm;
  int64_t FStrmPos;
  int64_t FSize;  // compressed bytes still to take from the source
  z_stream FZRec{};
  std::unique_ptr<unsigned char[]> FBuffer;
  bool FEnded = false;
};

// Deflate into a destination stream: raw deflate in zip mode (method 8, window bits -15, memory
// level 8, default strategy), the zlib format otherwise. Keeps the CRC-32 of what was written.
class TCompressionStream : public TXLSStream {
 public:
  TCompressionStream(TCompressionLevel level, bool zipMode, TXLSStream& dest);
  ~TCompressionStream() override;  // finishes the deflate stream when Finish was not called
  TCompressionStream(const TCompressionStream&) = delete;
  TCompressionStream& operator=(const TCompressionStream&) = delete;

  size_t Read(void*, size_t) override;
  size_t Write(const void* buffer, size_t count) override;
  // Only the position query (offset 0 from the current position) is supported; it gives the
  // count of bytes written so far.
  int64_t Seek(int64_t offset, TXLSSeekOrigin origin) override;
  int64_t Size() override { return FInCount; }

  // Writes out the buffered input (the deflate stream stays open).
  void Flush();
  // Ends the deflate stream and writes what is left. Further writes raise.
  void Finish();
  uint32_t CRC32() const { return FCRC32; }
  int64_t CompressedSize() const { return FOutCount; }
  // (1 - output / input) * 100; 0 without input.
  double CompressionRate() const;

 private:
  void Deflate(const unsigned char* data, size_t size, int flush);

  TXLSStream& FStrm;
  z_stream FZRec{};
  std::unique_ptr<unsigned char[]> FBuffer;
  unsigned char FTempBuffer[8191];
  size_t FTempBufSz = 0;
  uint32_t FCRC32 = 0;
  int64_t FInCount = 0;
  int64_t FOutCount = 0;
  bool FFinished = false;
};

// Inflates a whole zlib-format stream (header and Adler-32 trailer). The output starts at
// `expectedSize` bytes (0: the input size rounded up to a multiple of 256) and grows by the
// rounded input size; it is cut to the bytes produced. Corrupt data raises EDecompressionError
// "ZLib decompress error"; output beyond kZipMemoryEntryLimit raises EDecompressionError too.
std::string InflateBuffer(const void* input, size_t inputSize, size_t expectedSize);

}  // namespace xls
