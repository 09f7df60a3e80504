#include "xls/package/xlszlib.h"

#include <algorithm>
#include <cstring>

namespace xls {
namespace {

constexpr size_t kBufferSize = 65536;
constexpr char kDecompressError[] = "ZLib decompress error";
constexpr char kInvalidOperation[] = "Invalid stream operation";

}  // namespace

// ---- TDecompressionStream ------------------------------------------------------------------

TDecompressionStream::TDecompressionStream(TXLSStream& source, int64_t compressedSize)
    : FStrm(source), FStrmPos(source.Position()), FSize(std::max<int64_t>(compressedSize, 0)),
      FBuffer(new unsigned char[kBufferSize]) {
  if (inflateInit2(&FZRec, -15) != Z_OK) throw EDecompressionError(kDecompressError);
}

std::unique_ptr<TDecompressionStream> TDecompressionStream::CreateZip(TXLSStream& source,
                                                                      int64_t compressedSize) {
  return std::unique_ptr<TDecompressionStream>(new TDecompressionStream(source, compressedSize));
}

TDecompressionStream::~TDecompressionStream() {
  // Give back the input read ahead but not used, so that the source continues right after the
  // deflate data.
  if (FZRec.avail_in > 0) {
    try {
      FStrm.Seek(FStrmPos - static_cast<int64_t>(FZRec.avail_in), TXLSSeekOrigin::soBeginning);
    } catch (...) {
    }
  }
  inflateEnd(&FZRec);
}

size_t TDecompressionStream::ReadZip(void* buffer, size_t count) {
  if (count == 0 || FEnded) return 0;
  if (FStrm.Position() != FStrmPos) FStrm.SetPosition(FStrmPos);
  auto* out = static_cast<unsigned char*>(buffer);
  size_t produced = 0;
  while (produced < count) {
    if (FZRec.avail_in == 0) {
      const auto want = static_cast<size_t>(std::min<int64_t>(FSize, kBufferSize));
      const size_t got = want > 0 ? FStrm.Read(FBuffer.get(), want) : 0;
      if (got == 0) break;  // the compressed bytes ran out: deliver what there is
      FSize -= static_cast<int64_t>(got);
      FStrmPos += static_cast<int64_t>(got);
      FZRec.next_in = FBuffer.get();
      FZRec.avail_in = static_cast<uInt>(got);
      if (OnProgress) OnProgress();
    }
    const size_t room = std::min<size_t>(count - produced, UINT32_MAX);
    FZRec.next_out = out + produced;
    FZRec.avail_out = static_cast<uInt>(room);
    const uInt inBefore = FZRec.avail_in;
    const int rc = inflate(&FZRec, Z_NO_FLUSH);
    const size_t made = room - FZRec.avail_out;
    produced += made;
    if (rc == Z_STREAM_END) {
      FEnded = true;
      break;
    }
    if (rc != Z_OK && rc != Z_BUF_ERROR) throw EDecompressionError(kDecompressError);
    // No progress with input at hand means the data cannot go on.
    if (made == 0 && FZRec.avail_in == inBefore && FZRec.avail_in > 0)
      throw EDecompressionError(kDecompressError);
  }
  return produced;
}

size_t TDecompressionStream::Write(const void*, size_t) { throw EDecompressionError(kInvalidOperation); }

int64_t TDecompressionStream::Seek(int64_t offset, TXLSSeekOrigin origin) {
  if (offset == 0 && origin == TXLSSeekOrigin::soCurrent) return static_cast<int64_t>(FZRec.total_out);
  throw EDecompressionError(kInvalidOperation);
}

// ---- TCompressionStream --------------------------------------------------------------------

TCompressionStream::TCompressionStream(TCompressionLevel level, bool zipMode, TXLSStream& dest)
    : FStrm(dest), FBuffer(new unsigned char[kBufferSize]) {
  const int rc = zipMode ? deflateInit2(&FZRec, static_cast<int>(level), Z_DEFLATED, -15, 8,
                                        Z_DEFAULT_STRATEGY)
                         : deflateInit(&FZRec, static_cast<int>(level));
  if (rc != Z_OK) throw ECompressionError("ZLib compress error");
  FCRC32 = static_cast<uint32_t>(crc32(0, nullptr, 0));
}

TCompressionStream::~TCompressionStream() {
  try {
    Finish();
  } catch (...) {
  }
  deflateEnd(&FZRec);
}

size_t TCompressionStream::Read(void*, size_t) { throw ECompressionError(kInvalidOperation); }

void TCompressionStream::Deflate(const unsigned char* data, size_t size, int flush) {
  FZRec.next_in = const_cast<unsigned char*>(data);
  FZRec.avail_in = static_cast<uInt>(size);
  for (;;) {
    FZRec.next_out = FBuffer.get();
    FZRec.avail_out = kBufferSize;
    const int rc = deflate(&FZRec, flush);
    if (rc == Z_STREAM_ERROR) throw ECompressionError("ZLib compress error");
    const size_t made = kBufferSize - FZRec.avail_out;
    if (made > 0) {
      FStrm.WriteBuffer(FBuffer.get(), made);
      FOutCount += static_cast<int64_t>(made);
    }
    if (flush == Z_FINISH ? rc == Z_STREAM_END : (FZRec.avail_in == 0 && FZRec.avail_out != 0)) break;
  }
}

size_t TCompressionStream::Write(const void* buffer, size_t count) {
  if (FFinished) throw ECompressionError(kInvalidOperation);
  const auto* p = static_cast<const unsigned char*>(buffer);
  size_t left = count;
  while (left > 0) {
    const size_t n = std::min(left, sizeof FTempBuffer - FTempBufSz);
    std::memcpy(FTempBuffer + FTempBufSz, p, n);
    FTempBufSz += n;
    p += n;
    left -= n;
    if (FTempBufSz == sizeof FTempBuffer) Flush();
  }
  FCRC32 = static_cast<uint32_t>(crc32_z(FCRC32, static_cast<const Bytef*>(buffer), count));
  FInCount += static_cast<int64_t>(count);
  return count;
}

void TCompressionStream::Flush() {
  if (FTempBufSz == 0 || FFinished) return;
  Deflate(FTempBuffer, FTempBufSz, Z_NO_FLUSH);
  FTempBufSz = 0;
}

void TCompressionStream::Finish() {
  if (FFinished) return;
  Flush();
  FFinished = true;
  Deflate(nullptr, 0, Z_FINISH);
}

int64_t TCompressionStream::Seek(int64_t offset, TXLSSeekOrigin origin) {
  if (offset == 0 && origin == TXLSSeekOrigin::soCurrent) return FInCount;
  throw ECompressionError(kInvalidOperation);
}

double TCompressionStream::CompressionRate() const {
  if (FInCount == 0) return 0;
  return (1.0 - static_cast<double>(FOutCount) / static_cast<double>(FInCount)) * 100.0;
}

// ---- InflateBuffer -------------------------------------------------------------------------

std::string InflateBuffer(const void* input, size_t inputSize, size_t expectedSize) {
  const size_t step = std::max<size_t>((inputSize + 255) / 256 * 256, 256);
  std::string out;
  out.resize(std::min<size_t>(expectedSize ? expectedSize : step, kZipMemoryEntryLimit));
  z_stream z{};
  if (inflateInit(&z) != Z_OK) throw EDecompressionError(kDecompressError);
  z.next_in = static_cast<Bytef*>(const_cast<void*>(input));
  z.avail_in = static_cast<uInt>(std::min<size_t>(inputSize, UINT32_MAX));
  int rc = Z_OK;
  for (;;) {
    if (z.total_out == out.size()) {
      if (out.size() >= static_cast<size_t>(kZipMemoryEntryLimit)) {
        inflateEnd(&z);
        throw EDecompressionError("ZLib decompress error: output exceeds the size limit");
      }
      // Growing by half the size at least keeps the copying linear for large ratios.
      out.resize(std::min<size_t>(out.size() + std::max(step, out.size() / 2), kZipMemoryEntryLimit));
    }
    z.next_out = reinterpret_cast<Bytef*>(out.data()) + z.total_out;
    z.avail_out = static_cast<uInt>(out.size() - z.total_out);
    const uLong before = z.total_out;
    const uInt inBefore = z.avail_in;
    rc = inflate(&z, Z_NO_FLUSH);
    if (rc == Z_STREAM_END) break;
    // Running out of input before the end of the stream is corrupt data as well.
    if ((rc != Z_OK && rc != Z_BUF_ERROR) || (z.total_out == before && z.avail_in == inBefore && z.avail_out > 0)) {
      inflateEnd(&z);
      throw EDecompressionError(kDecompressError);
    }
  }
  out.resize(z.total_out);
  inflateEnd(&z);
  return out;
}

}  // namespace xls
