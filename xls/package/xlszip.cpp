#include "xls/package/xlszip.h"

#include "xls/model/formatsettings.h"

#include <algorithm>
#include <cstring>

#include "platform/textcodec.h"
#include "xls/package/detail/ziperror.h"

namespace xls {

using kws::AsciiUpper;
using kws::IsValidUtf8;
using kws::Latin1ToUtf16;
using kws::Utf16ToUtf8;
using kws::Utf8ToUtf16;
namespace {

constexpr uint32_t kLocalSig = 0x04034B50;
constexpr uint32_t kCentralSig = 0x02014B50;
constexpr uint32_t kEndSig = 0x06054B50;
constexpr uint32_t kDescriptorSig = 0x08074B50;
constexpr int64_t kEndSize = 22;
constexpr int64_t kCentralSize = 46;
constexpr int64_t kLocalSize = 30;

uint16_t Get16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
void Put16(std::string& out, uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// Reads `count` bytes at `pos`, which the caller has checked to lie within the stream.
void ReadAt(TXLSStream& s, int64_t pos, void* buffer, size_t count) {
  s.SetPosition(pos);
  s.ReadBuffer(buffer, count);
}
std::string ReadStringAt(TXLSStream& s, int64_t pos, size_t count) {
  std::string out(count, '\0');
  if (count > 0) ReadAt(s, pos, out.data(), count);
  return out;
}

TLocalFile ParseLocal(const unsigned char* p) {
  TLocalFile l;
  l.LocalFileHeaderSignature = Get32(p);
  l.VersionNeededToExtract = Get16(p + 4);
  l.GeneralPurposeBitFlag = Get16(p + 6);
  l.CompressionMethod = Get16(p + 8);
  l.LastModFileTimeDate = Get32(p + 10);
  l.Crc32 = Get32(p + 14);
  l.CompressedSize = Get32(p + 18);
  l.UncompressedSize = Get32(p + 22);
  l.FilenameLength = Get16(p + 26);
  l.ExtraFieldLength = Get16(p + 28);
  return l;
}

void WriteLocal(std::string& out, const TLocalFile& l) {
  Put32(out, l.LocalFileHeaderSignature);
  Put16(out, l.VersionNeededToExtract);
  Put16(out, l.GeneralPurposeBitFlag);
  Put16(out, l.CompressionMethod);
  Put32(out, l.LastModFileTimeDate);
  Put32(out, l.Crc32);
  Put32(out, l.CompressedSize);
  Put32(out, l.UncompressedSize);
  Put16(out, l.FilenameLength);
  Put16(out, l.ExtraFieldLength);
  out += l.FileName;
  out += l.ExtraField;
}

void WriteCentral(std::string& out, const TCentralDirectoryFile& c) {
  Put32(out, c.CentralFileHeaderSignature);
  Put16(out, c.VersionMadeBy);
  Put16(out, c.VersionNeededToExtract);
  Put16(out, c.GeneralPurposeBitFlag);
  Put16(out, c.CompressionMethod);
  Put32(out, c.LastModFileTimeDate);
  Put32(out, c.Crc32);
  Put32(out, c.CompressedSize);
  Put32(out, c.UncompressedSize);
  Put16(out, c.FilenameLength);
  Put16(out, c.ExtraFieldLength);
  Put16(out, c.FileCommentLength);
  Put16(out, c.DiskNumberStart);
  Put16(out, c.InternalFileAttributes);
  Put32(out, c.ExternalFileAttributes);
  Put32(out, c.RelativeOffsetOfLocalHeader);
  out += c.FileName;
  out += c.ExtraField;
  out += c.FileComment;
}


}  // namespace

namespace detail {

std::time_t DosDateTimeToTime(uint32_t dosDateTime) {
  const uint32_t time = dosDateTime & 0xFFFF;
  const uint32_t date = dosDateTime >> 16;
  const unsigned day = date & 31, month = (date >> 5) & 15;
  const int64_t year = 1980 + (date >> 9);
  const unsigned sec = (time & 31) * 2, minute = (time >> 5) & 63, hour = time >> 11;
  if (day == 0 || month == 0 || month > 12 || hour > 23 || minute > 59 || sec > 59) return 0;
  return static_cast<std::time_t>(DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + sec);
}

uint32_t TimeToDosDateTime(std::time_t t) {
  const int64_t days = static_cast<int64_t>(t) / 86400;
  const int64_t secs = static_cast<int64_t>(t) % 86400;
  int64_t y;
  unsigned m, d;
  CivilFromDays(days, y, m, d);
  if (y < 1980 || y > 2107) return (1u << 21) | (1u << 16);  // 1980-01-01 00:00
  const auto date = static_cast<uint32_t>(((y - 1980) << 9) | (m << 5) | d);
  const auto time = static_cast<uint32_t>(((secs / 3600) << 11) | (((secs / 60) % 60) << 5) | ((secs % 60) / 2));
  return (date << 16) | time;
}

}  // namespace detail

using detail::RaiseZipError;

void TXLSZipNameIndex::Add(std::u16string_view name, int index) {
  FMap.emplace(kws::AsciiUpperCopy(name), index);
}

int TXLSZipNameIndex::Find(std::u16string_view name) const {
  const auto it = FMap.find(kws::AsciiUpperCopy(name));
  return it == FMap.end() ? -1 : it->second;
}

std::u16string ZipNameToString(std::string_view raw) {
  return IsValidUtf8(raw) ? Utf8ToUtf16(raw) : Latin1ToUtf16(raw);
}

// ---- entry streams ------------------------------------------------------------------------

TXLSZipEntryStream::TXLSZipEntryStream(bool supported, int64_t limit, std::u16string name,
                                       std::optional<uint32_t> crc)
    : FSupported(supported), FLimit(supported ? limit : 0), FName(std::move(name)), FExpectedCrc(crc) {}

void TXLSZipEntryStream::RaiseCrcError() const {
  RaiseZipError("ZIP entry \"" + Utf16ToUtf8(FName) + "\" is damaged (CRC-32 mismatch)");
}

void TXLSZipEntryStream::CheckCrc() {
  if (!FExpectedCrc || *FExpectedCrc == FCrc) return;
  FCrcFailed = true;
  RaiseCrcError();
}

size_t TXLSZipEntryStream::Read(void* buffer, size_t count) {
  if (!FSupported) RaiseZipError("ZIP file is not open");
  if (FLimit > kZipStreamedEntryLimit)
    RaiseZipError("ZIP entry \"" + Utf16ToUtf8(FName) + "\" is larger than the size limit");
  if (FCrcFailed) RaiseCrcError();
  const auto want = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(count), FLimit - FPos));
  if (want == 0) return 0;
  const size_t got = ReadData(buffer, want);
  if (got == 0) {  // the data ends before its declared size
    CheckCrc();
    return 0;
  }
  if (FExpectedCrc) FCrc = static_cast<uint32_t>(crc32_z(FCrc, static_cast<const Bytef*>(buffer), got));
  FPos += static_cast<int64_t>(got);
  if (FPos == FLimit) CheckCrc();
  return got;
}

size_t TXLSZipEntryStream::Write(const void*, size_t) { RaiseZipError("Not implemented, write"); }

int64_t TXLSZipEntryStream::Seek(int64_t offset, TXLSSeekOrigin origin) {
  const int64_t base = origin == TXLSSeekOrigin::soBeginning ? 0
                       : origin == TXLSSeekOrigin::soCurrent ? FPos
                                                             : FLimit;
  const int64_t target = base + offset;
  if (target == FPos) return FPos;
  if (target == 0) {
    RestartData();
    FPos = 0;
    FCrc = 0;
    return 0;
  }
  if (target < FPos) RaiseZipError("Invalid stream operation");
  char scratch[8192];
  while (FPos < target) {
    const auto n = static_cast<size_t>(std::min<int64_t>(sizeof scratch, target - FPos));
    if (Read(scratch, n) == 0) break;
  }
  return FPos;
}

TXLSZipEntryReader::TXLSZipEntryReader(TXLSStream& archive, int64_t dataPos, uint16_t method,
                                       int64_t compressedSize, int64_t uncompressedSize, std::u16string name,
                                       std::optional<uint32_t> crc)
    : TXLSZipEntryStream(method == 0 || method == 8, method == 0 ? compressedSize : uncompressedSize,
                         std::move(name), crc),
      FArchive(archive),
      FDataPos(dataPos),
      FMethod(method),
      FCompressedSize(compressedSize) {}

TXLSZipEntryReader::~TXLSZipEntryReader() = default;

size_t TXLSZipEntryReader::ReadData(void* buffer, size_t count) {
  if (FMethod == 0) {
    FArchive.SetPosition(FDataPos + FRawPos);
    const size_t got = FArchive.Read(buffer, count);
    FRawPos += static_cast<int64_t>(got);
    return got;
  }
  if (!FDStream) {
    FArchive.SetPosition(FDataPos);
    FDStream = TDecompressionStream::CreateZip(FArchive, FCompressedSize);
  }
  return FDStream->ReadZip(buffer, count);
}

// ---- TXLSZipFile ---------------------------------------------------------------------------

TXLSZipFile::~TXLSZipFile() = default;

void TXLSZipFile::SetCentral(const TCentralDirectoryFile& central) {
  FCentralDirectoryFile = central;
  FDate = detail::DosDateTimeToTime(central.LastModFileTimeDate);
  FIsEncrypted = (central.GeneralPurposeBitFlag & 1) != 0;
  FIsFolder = (central.ExternalFileAttributes & 0x10) != 0;
  if (central.CompressionMethod == 8 || central.CompressionMethod == 9) {
    switch (central.GeneralPurposeBitFlag & 6) {
      case 0: FCompressionType = TZipCompressionType::ctNormal; break;
      case 2: FCompressionType = TZipCompressionType::ctMaximum; break;
      case 4: FCompressionType = TZipCompressionType::ctFast; break;
      default: FCompressionType = TZipCompressionType::ctSuperFast; break;
    }
  } else {
    FCompressionType = TZipCompressionType::ctUnknown;
  }
}

int64_t TXLSZipFile::CompressedSize() const { return FLocalFile.CompressedSize; }
int64_t TXLSZipFile::UncompressedSize() const { return FLocalFile.UncompressedSize; }

std::unique_ptr<TXLSZipEntryReader> TXLSZipFile::NewReader() const {
  if (!FParent.Stream()) RaiseZipError("ZIP file is not open");
  return std::make_unique<TXLSZipEntryReader>(
      *FParent.Stream(), FLocalFile.CompressedDataPos, FLocalFile.CompressionMethod,
      FLocalFile.CompressedSize, FLocalFile.UncompressedSize, FName,
      FLocalFile.Crc32Known ? std::optional<uint32_t>(FLocalFile.Crc32) : std::nullopt);
}

TXLSZipStoredEntry TXLSZipFile::Stored() const {
  if (!FParent.Stream()) RaiseZipError("ZIP file is not open");
  TXLSStream& archive = *FParent.Stream();
  const int64_t size = archive.Size();
  if (FLocalFile.CompressedDataPos > size || FLocalFile.CompressedSize > size - FLocalFile.CompressedDataPos)
    RaiseZipError("Unknown zip file");
  TXLSZipStoredEntry e;
  e.Name = FName;
  e.Method = FLocalFile.CompressionMethod;
  e.Packed = ReadStringAt(archive, FLocalFile.CompressedDataPos, FLocalFile.CompressedSize);
  e.UncompressedSize = FLocalFile.UncompressedSize;
  if (FLocalFile.Crc32Known) e.Crc = FLocalFile.Crc32;
  return e;
}

namespace {

// The unpacked data of a stored entry: an entry reader over a view of the packed bytes.
class TStoredEntryStream : public TXLSStream {
 public:
  explicit TStoredEntryStream(const TXLSZipStoredEntry& e)
      : FPacked(e.Packed),
        FReader(FPacked, 0, e.Method, static_cast<int64_t>(e.Packed.size()), e.UncompressedSize, e.Name,
                e.Crc) {}
  size_t Read(void* buffer, size_t count) override { return FReader.Read(buffer, count); }
  size_t Write(const void* buffer, size_t count) override { return FReader.Write(buffer, count); }
  int64_t Seek(int64_t offset, TXLSSeekOrigin origin) override { return FReader.Seek(offset, origin); }
  int64_t Size() override { return FReader.Size(); }

 private:
  TXLSViewStream FPacked;
  TXLSZipEntryReader FReader;
};

}  // namespace

std::unique_ptr<TXLSStream> OpenStoredEntry(const TXLSZipStoredEntry& entry) {
  return std::make_unique<TStoredEntryStream>(entry);
}

void TXLSZipFile::OpenRead() { FDStream = NewReader(); }
void TXLSZipFile::Close() { FDStream.reset(); }

size_t TXLSZipFile::Read(void* buffer, size_t count) {
  if (!FDStream) RaiseZipError("ZIP file is not open");
  return FDStream->Read(buffer, count);
}

size_t TXLSZipFile::Write(const void*, size_t) { RaiseZipError("Not implemented, write"); }

int64_t TXLSZipFile::Seek(int64_t offset, TXLSSeekOrigin origin) {
  if (!FDStream) RaiseZipError("ZIP file is not open");
  return FDStream->Seek(offset, origin);
}

int64_t TXLSZipFile::Size() { return FDStream ? FDStream->Size() : UncompressedSize(); }

void TXLSZipFile::_SaveToStream(TXLSStream& dest) {
  OpenRead();
  try {
    char buf[4095];
    for (;;) {
      const size_t n = Read(buf, sizeof buf);
      if (n == 0) break;
      dest.WriteBuffer(buf, n);
    }
  } catch (...) {
    Close();
    throw;
  }
  Close();
}

// ---- TXLSOwnerStream -----------------------------------------------------------------------

TXLSOwnerStream::TXLSOwnerStream(const TXLSZipFile& entry, std::u16string id)
    : FReader(entry.NewReader()), FId(std::move(id)) {}

// ---- TXLSZipArchive: reading ---------------------------------------------------------------

TXLSZipArchive::TXLSZipArchive() = default;

TXLSZipArchive::~TXLSZipArchive() {
  try {
    Close();
  } catch (...) {
  }
}

void TXLSZipArchive::OpenRead(TXLSStream& stream) {
  Close();
  FStream = &stream;
  FOpenMode = TXLSZipOpenMode::xzomRead;
  try {
    const int64_t size = stream.Size();
    if (FindEndOfCentralDir(size)) {
      try {
        ReadCentralDirectory(size);
      } catch (...) {
        RaiseZipError("File is not a valid ZIP file");
      }
      for (auto& entry : FItems) ReadLocalHeader(*entry, size);
    } else {
      ScanLocalHeaders(size);
      FHasBadEntries = !FItems.empty();
    }
    for (size_t i = 0; i < FItems.size(); ++i) FNameIndex.Add(FItems[i]->FName, static_cast<int>(i));
  } catch (...) {
    // A failed open leaves nothing half read behind.
    FItems.clear();
    FNameIndex.Clear();
    FStream = nullptr;
    FOpenMode = TXLSZipOpenMode::xzomClosed;
    throw;
  }
}

// Searches the end record backwards from the end: first in the last 256 positions (an archive
// without a comment has it at the very end), then as far back as the longest comment reaches.
// The search never reaches before the start of the stream, so a small archive with a comment is
// found too, and bytes after the end record (a decrypted package's padding) are passed over.
bool TXLSZipArchive::FindEndOfCentralDir(int64_t size) {
  if (size < kEndSize) return false;
  for (const int64_t reach : {int64_t{256}, int64_t{65535} + 256}) {
    const int64_t tailLen = std::min<int64_t>(size, kEndSize + reach);
    const int64_t tailStart = size - tailLen;
    const std::string tail = ReadStringAt(*FStream, tailStart, static_cast<size_t>(tailLen));
    const auto* p = reinterpret_cast<const unsigned char*>(tail.data());
    for (int64_t i = tailLen - kEndSize; i >= 0; --i) {
      if (p[i] != 'P' || Get32(p + i) != kEndSig) continue;
      const unsigned char* r = p + i;
      FEndOfCentralDir.EndOfCentralDirSignature = Get32(r);
      FEndOfCentralDir.NumberOfThisDisk = Get16(r + 4);
      FEndOfCentralDir.NumberOfTheDiskWithTheStart = Get16(r + 6);
      FEndOfCentralDir.TotalNumberOfEntriesOnThisDisk = Get16(r + 8);
      FEndOfCentralDir.TotalNumberOfEntries = Get16(r + 10);
      FEndOfCentralDir.SizeOfTheCentralDirectory = Get32(r + 12);
      FEndOfCentralDir.OffsetOfStartOfCentralDirectory = Get32(r + 16);
      FEndOfCentralDir.ZipfileCommentLength = Get16(r + 20);
      FEndOfCentralDirPos = tailStart + i;
      return true;
    }
    if (tailLen == size) break;
  }
  return false;
}

void TXLSZipArchive::ReadCentralDirectory(int64_t size) {
  int64_t pos = FEndOfCentralDir.OffsetOfStartOfCentralDirectory;
  const unsigned count = FEndOfCentralDir.TotalNumberOfEntriesOnThisDisk;
  for (unsigned i = 0; i < count; ++i) {
    if (pos + kCentralSize > size) RaiseZipError("File is not a valid ZIP file");
    unsigned char h[kCentralSize];
    ReadAt(*FStream, pos, h, sizeof h);
    TCentralDirectoryFile c;
    c.CentralFileHeaderSignature = Get32(h);
    c.VersionMadeBy = Get16(h + 4);
    c.VersionNeededToExtract = Get16(h + 6);
    c.GeneralPurposeBitFlag = Get16(h + 8);
    c.CompressionMethod = Get16(h + 10);
    c.LastModFileTimeDate = Get32(h + 12);
    c.Crc32 = Get32(h + 16);
    c.CompressedSize = Get32(h + 20);
    c.UncompressedSize = Get32(h + 24);
    c.FilenameLength = Get16(h + 28);
    c.ExtraFieldLength = Get16(h + 30);
    c.FileCommentLength = Get16(h + 32);
    c.DiskNumberStart = Get16(h + 34);
    c.InternalFileAttributes = Get16(h + 36);
    c.ExternalFileAttributes = Get32(h + 38);
    c.RelativeOffsetOfLocalHeader = Get32(h + 42);
    pos += kCentralSize;
    const int64_t varLen = int64_t{c.FilenameLength} + c.ExtraFieldLength + c.FileCommentLength;
    if (pos + varLen > size) RaiseZipError("File is not a valid ZIP file");
    c.FileName = ReadStringAt(*FStream, pos, c.FilenameLength);
    c.ExtraField = ReadStringAt(*FStream, pos + c.FilenameLength, c.ExtraFieldLength);
    c.FileComment = ReadStringAt(*FStream, pos + c.FilenameLength + c.ExtraFieldLength, c.FileCommentLength);
    pos += varLen;
    auto entry = std::make_unique<TXLSZipFile>(*this);
    entry->SetCentral(c);
    FItems.push_back(std::move(entry));
  }
  if (FItems.size() != count) RaiseZipError("File is not a valid ZIP file");
}

void TXLSZipArchive::ReadLocalHeader(TXLSZipFile& entry, int64_t size) {
  const TCentralDirectoryFile& c = entry.FCentralDirectoryFile;
  const int64_t pos = c.RelativeOffsetOfLocalHeader;
  if (pos + kLocalSize > size) RaiseZipError("Unknown zip file");
  unsigned char h[kLocalSize];
  ReadAt(*FStream, pos, h, sizeof h);
  TLocalFile l = ParseLocal(h);
  if (l.LocalFileHeaderSignature != kLocalSig) RaiseZipError("Unknown zip file");
  if (pos + kLocalSize + l.FilenameLength + l.ExtraFieldLength > size) RaiseZipError("Unknown zip file");
  l.FileName = ReadStringAt(*FStream, pos + kLocalSize, l.FilenameLength);
  l.ExtraField = ReadStringAt(*FStream, pos + kLocalSize + l.FilenameLength, l.ExtraFieldLength);
  l.CompressedDataPos = pos + kLocalSize + l.FilenameLength + l.ExtraFieldLength;
  if (l.GeneralPurposeBitFlag & 8) {
    // The sizes follow the data in a descriptor; the central record has them.
    l.Crc32 = c.Crc32;
    l.CompressedSize = c.CompressedSize;
    l.UncompressedSize = c.UncompressedSize;
  }
  entry.FLocalFile = std::move(l);
  entry.FName = ZipNameToString(entry.FLocalFile.FileName);
}

// Rebuilds the directory of an archive whose end record is missing (a truncated download, say)
// from the local headers, one after the other from offset 0.
void TXLSZipArchive::ScanLocalHeaders(int64_t size) {
  int64_t pos = 0;
  int64_t dirSize = 0;
  FLocalHeaderNumFiles = 0;
  while (pos + kLocalSize <= size && FItems.size() < 65535) {
    unsigned char h[kLocalSize];
    ReadAt(*FStream, pos, h, sizeof h);
    TLocalFile l = ParseLocal(h);
    if (l.LocalFileHeaderSignature != kLocalSig) break;
    const int64_t dataPos = pos + kLocalSize + l.FilenameLength + l.ExtraFieldLength;
    if (dataPos > size) break;
    l.FileName = ReadStringAt(*FStream, pos + kLocalSize, l.FilenameLength);
    l.ExtraField = ReadStringAt(*FStream, pos + kLocalSize + l.FilenameLength, l.ExtraFieldLength);
    l.CompressedDataPos = dataPos;
    int64_t next = dataPos + l.CompressedSize;
    if ((l.GeneralPurposeBitFlag & 8) && l.CompressionMethod == 8) {
      // No sizes in the header: inflate to the end of the deflate data to find where the data
      // descriptor and the next header are.
      FStream->SetPosition(dataPos);
      int64_t produced = 0;
      int64_t used = 0;
      try {
        auto inflater = TDecompressionStream::CreateZip(*FStream, size - dataPos);
        char scratch[16384];
        for (;;) {
          const size_t n = inflater->ReadZip(scratch, sizeof scratch);
          if (n == 0) break;
          produced += static_cast<int64_t>(n);
          if (produced > kZipStreamedEntryLimit) break;
        }
      } catch (const EDecompressionError&) {
        break;  // the data is not deflate data: the scan ends before this entry
      }
      if (produced > kZipStreamedEntryLimit) break;
      used = FStream->Position() - dataPos;  // the inflater gave back its unused input
      unsigned char d[16] = {};
      const int64_t descPos = dataPos + used;
      const int64_t descLen = std::min<int64_t>(16, size - descPos);
      if (descLen > 0) ReadAt(*FStream, descPos, d, static_cast<size_t>(descLen));
      const bool signedDesc = descLen >= 16 && Get32(d) == kDescriptorSig;
      const unsigned char* f = signedDesc ? d + 4 : d;
      l.Crc32 = descLen >= 12 ? Get32(f) : 0;
      l.Crc32Known = descLen >= 12;
      l.CompressedSize = static_cast<uint32_t>(used);
      l.UncompressedSize = static_cast<uint32_t>(produced);
      next = descPos + (signedDesc ? 16 : 12);
    }
    TCentralDirectoryFile c;
    c.CentralFileHeaderSignature = kCentralSig;
    c.VersionMadeBy = 20;
    c.VersionNeededToExtract = l.VersionNeededToExtract;
    c.GeneralPurposeBitFlag = l.GeneralPurposeBitFlag;
    c.CompressionMethod = l.CompressionMethod;
    c.LastModFileTimeDate = l.LastModFileTimeDate;
    c.Crc32 = l.Crc32;
    c.CompressedSize = l.CompressedSize;
    c.UncompressedSize = l.UncompressedSize;
    c.FilenameLength = l.FilenameLength;
    c.ExtraFieldLength = l.ExtraFieldLength;
    c.ExternalFileAttributes = (!l.FileName.empty() && l.FileName.back() == '/') ? 16 : 32;
    c.RelativeOffsetOfLocalHeader = static_cast<uint32_t>(pos);
    c.FileName = l.FileName;
    c.ExtraField = l.ExtraField;
    dirSize += kCentralSize + c.FilenameLength + c.ExtraFieldLength;
    auto entry = std::make_unique<TXLSZipFile>(*this);
    entry->SetCentral(c);
    entry->FLocalFile = std::move(l);
    entry->FName = ZipNameToString(entry->FLocalFile.FileName);
    FItems.push_back(std::move(entry));
    ++FLocalHeaderNumFiles;
    if (next <= pos) break;
    pos = next;
  }
  FEndOfCentralDir = TEndOfCentralDir{};
  FEndOfCentralDir.EndOfCentralDirSignature = kEndSig;
  FEndOfCentralDir.TotalNumberOfEntriesOnThisDisk = static_cast<uint16_t>(FItems.size());
  FEndOfCentralDir.TotalNumberOfEntries = static_cast<uint16_t>(FItems.size());
  FEndOfCentralDir.SizeOfTheCentralDirectory = static_cast<uint32_t>(dirSize);
  FEndOfCentralDir.OffsetOfStartOfCentralDirectory = static_cast<uint32_t>(std::min<int64_t>(pos, size));
}

int TXLSZipArchive::Find(std::u16string_view name) const { return FNameIndex.Find(name); }

// ---- TXLSZipArchive: writing ---------------------------------------------------------------

void TXLSZipArchive::OpenWrite(TXLSStream& stream) {
  Close();
  FStream = &stream;
  FOpenMode = TXLSZipOpenMode::xzomWrite;
  FEndOfCentralDir = TEndOfCentralDir{};
  FEndOfCentralDir.EndOfCentralDirSignature = kEndSig;
}

// Backslashes become "/", a drive ("c:/") and a server share ("//server/share/") are removed;
// without relative paths only the file name stays.
std::string TXLSZipArchive::NormaliseName(std::u16string_view name) const {
  std::string s = Utf16ToUtf8(name);
  std::replace(s.begin(), s.end(), '\\', '/');
  if (const auto p = s.find(":/"); p != std::string::npos) s.erase(0, p + 2);
  if (const auto p = s.find("//"); p != std::string::npos) {
    s.erase(0, p + 2);
    for (int i = 0; i < 2; ++i) {
      const auto q = s.find('/');
      s.erase(0, q == std::string::npos ? s.size() : q + 1);
    }
  }
  if (!StoreRelativePath) {
    if (const auto p = s.rfind('/'); p != std::string::npos) s.erase(0, p + 1);
  }
  return s;
}

TXLSZipFile& TXLSZipArchive::StartEntry(const std::string& rawName, uint16_t method) {
  if (FOpenMode != TXLSZipOpenMode::xzomWrite) RaiseZipError("ZIP file is not open");
  if (FCurrZip) RaiseZipError("There is an active zip");
  if (Find(ZipNameToString(rawName)) >= 0)
    RaiseZipError("Duplicate file \"" + rawName + "\" in Zip");
  const bool ascii = std::all_of(rawName.begin(), rawName.end(), [](char ch) { return (ch & 0x80) == 0; });
  if (rawName.size() > 0xFFFF) RaiseZipError("File name too long");
  TLocalFile l;
  l.LocalFileHeaderSignature = kLocalSig;
  l.VersionNeededToExtract = 20;
  l.GeneralPurposeBitFlag = ascii ? 0 : 0x800;  // bit 11: the name is UTF-8
  l.CompressionMethod = method;
  l.LastModFileTimeDate = detail::TimeToDosDateTime(std::time(nullptr));
  l.FilenameLength = static_cast<uint16_t>(rawName.size());
  l.FileName = rawName;
  const int64_t offset = FEndOfCentralDir.OffsetOfStartOfCentralDirectory;
  if (offset > UINT32_MAX) RaiseZipError("ZIP file is too large");
  std::string header;
  WriteLocal(header, l);
  FStream->SetPosition(offset);
  FStream->WriteBuffer(header.data(), header.size());
  l.CompressedDataPos = offset + static_cast<int64_t>(header.size());

  TCentralDirectoryFile c;
  c.CentralFileHeaderSignature = kCentralSig;
  c.VersionMadeBy = 20;
  c.VersionNeededToExtract = 20;
  c.GeneralPurposeBitFlag = l.GeneralPurposeBitFlag;
  c.CompressionMethod = method;
  c.LastModFileTimeDate = l.LastModFileTimeDate;
  c.FilenameLength = l.FilenameLength;
  c.ExternalFileAttributes = 32;
  c.RelativeOffsetOfLocalHeader = static_cast<uint32_t>(offset);
  c.FileName = rawName;

  auto entry = std::make_unique<TXLSZipFile>(*this);
  entry->SetCentral(c);
  entry->FLocalFile = std::move(l);
  entry->FName = ZipNameToString(rawName);
  FItems.push_back(std::move(entry));
  FNameIndex.Add(FItems.back()->FName, static_cast<int>(FItems.size()) - 1);
  FCurrZip = FItems.back().get();
  FCurrStreamStart = FCurrZip->FLocalFile.CompressedDataPos;
  return *FCurrZip;
}

void TXLSZipArchive::FinishEntry(TXLSZipFile& entry, uint32_t crc, int64_t compressed, int64_t uncompressed) {
  if (compressed > UINT32_MAX || uncompressed > UINT32_MAX ||
      FCurrStreamStart + compressed > UINT32_MAX)
    RaiseZipError("ZIP file is too large");
  TLocalFile& l = entry.FLocalFile;
  l.Crc32 = crc;
  l.CompressedSize = static_cast<uint32_t>(compressed);
  l.UncompressedSize = static_cast<uint32_t>(uncompressed);
  TCentralDirectoryFile& c = entry.FCentralDirectoryFile;
  c.Crc32 = crc;
  c.CompressedSize = l.CompressedSize;
  c.UncompressedSize = l.UncompressedSize;
  std::string header;
  WriteLocal(header, l);
  FStream->SetPosition(c.RelativeOffsetOfLocalHeader);
  FStream->WriteBuffer(header.data(), header.size());
  const int64_t end = FCurrStreamStart + compressed;
  FEndOfCentralDir.OffsetOfStartOfCentralDirectory = static_cast<uint32_t>(end);
  FStream->SetPosition(end);
  FCurrZip = nullptr;
}

TCompressionStream& TXLSZipArchive::CreateStream(std::u16string_view name) {
  TXLSZipFile& entry = StartEntry(NormaliseName(name), 8);
  (void)entry;
  FStream->SetPosition(FCurrStreamStart);
  FCurrCompression = std::make_unique<TCompressionStream>(TCompressionLevel::clFastest, true, *FStream);
  return *FCurrCompression;
}

void TXLSZipArchive::CloseStream(TXLSStream& stream) {
  if (!FCurrCompression || &stream != FCurrCompression.get())
    RaiseZipError("Stream is not TCompressionStream");
  FCurrCompression->Finish();
  const uint32_t crc = FCurrCompression->CRC32();
  const int64_t compressed = FCurrCompression->CompressedSize();
  const int64_t uncompressed = FCurrCompression->Size();
  FCurrCompression.reset();
  FinishEntry(*FCurrZip, crc, compressed, uncompressed);
}

void TXLSZipArchive::AddStream(std::u16string_view name, TXLSStream& source) {
  const bool empty = source.Position() >= source.Size();
  TXLSZipFile& entry = StartEntry(NormaliseName(name), empty ? 0 : 8);
  if (empty) {
    FinishEntry(entry, 0, 0, 0);
    return;
  }
  FStream->SetPosition(FCurrStreamStart);
  TCompressionStream z(TCompressionLevel::clFastest, true, *FStream);
  z.CopyFrom(source);
  z.Finish();
  FinishEntry(entry, z.CRC32(), z.CompressedSize(), z.Size());
}

void TXLSZipArchive::Close() {
  if (FOpenMode == TXLSZipOpenMode::xzomWrite && FStream) {
    FCurrCompression.reset();
    if (FCurrZip) {  // an entry never closed is dropped from the directory
      FItems.pop_back();
      FCurrZip = nullptr;
    }
    std::string dir;
    for (const auto& e : FItems) WriteCentral(dir, e->FCentralDirectoryFile);
    if (FItems.size() > 0xFFFF) RaiseZipError("ZIP file is too large");
    std::string end;
    Put32(end, kEndSig);
    Put16(end, 0);
    Put16(end, 0);
    Put16(end, static_cast<uint32_t>(FItems.size()));
    Put16(end, static_cast<uint32_t>(FItems.size()));
    Put32(end, static_cast<uint32_t>(dir.size()));
    Put32(end, FEndOfCentralDir.OffsetOfStartOfCentralDirectory);
    Put16(end, 0);
    FStream->SetPosition(FEndOfCentralDir.OffsetOfStartOfCentralDirectory);
    FStream->WriteBuffer(dir.data(), dir.size());
    FEndOfCentralDirPos = FStream->Position();
    FStream->WriteBuffer(end.data(), end.size());
  }
  FItems.clear();
  FNameIndex.Clear();
  FCurrZip = nullptr;
  FCurrCompression.reset();
  FStream = nullptr;
  FOpenMode = TXLSZipOpenMode::xzomClosed;
  FHasBadEntries = false;
  FLocalHeaderNumFiles = 0;
}

}  // namespace xls
