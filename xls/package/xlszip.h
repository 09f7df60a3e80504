// The engine's own zip archive reader and writer.
//
// Format facts (PKWARE APPNOTE): an archive is a sequence of local records (30-byte header, name,
// extra field, data), then the central directory (one 46-byte record plus name, extra field and
// comment per entry) and the 22-byte end record with an optional comment, all little-endian.
// Office packages need only stored (method 0) and deflated (method 8) entries on one disk with
// 32-bit sizes and offsets and 16-bit entry counts.
//
// Reading: the end record is searched backwards from the end of the stream; the central
// directory gives the entries and the local header of each is read for the data position. An
// archive without an end record is rebuilt by scanning local headers from offset 0. Every size,
// count and offset read from the archive is unsigned and checked against the stream's size
// before use, and an entry's output is capped (kZipStreamedEntryLimit) and stops at the entry's
// declared size whatever the deflate data would still produce.
//
// Design: the archive stream is shared by all entries; every entry reader remembers its own
// position in it and puts the stream back there before it reads, so entry streams never depend
// on one another's reading order.
#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "xls/package/xlsstream.h"
#include "xls/package/xlszlib.h"

namespace xls {

struct TEndOfCentralDir {
  uint32_t EndOfCentralDirSignature = 0;
  uint16_t NumberOfThisDisk = 0;
  uint16_t NumberOfTheDiskWithTheStart = 0;
  uint16_t TotalNumberOfEntriesOnThisDisk = 0;
  uint16_t TotalNumberOfEntries = 0;
  uint32_t SizeOfTheCentralDirectory = 0;
  uint32_t OffsetOfStartOfCentralDirectory = 0;
  uint16_t ZipfileCommentLength = 0;
};

struct TCentralDirectoryFile {
  uint32_t CentralFileHeaderSignature = 0;
  uint16_t VersionMadeBy = 0;
  uint16_t VersionNeededToExtract = 0;
  uint16_t GeneralPurposeBitFlag = 0;
  uint16_t CompressionMethod = 0;
  uint32_t LastModFileTimeDate = 0;
  uint32_t Crc32 = 0;
  uint32_t CompressedSize = 0;
  uint32_t UncompressedSize = 0;
  uint16_t FilenameLength = 0;
  uint16_t ExtraFieldLength = 0;
  uint16_t FileCommentLength = 0;
  uint16_t DiskNumberStart = 0;
  uint16_t InternalFileAttributes = 0;
  uint32_t ExternalFileAttributes = 0;
  uint32_t RelativeOffsetOfLocalHeader = 0;
  std::string FileName;
  std::string ExtraField;
  std::string FileComment;
};

struct TLocalFile {
  uint32_t LocalFileHeaderSignature = 0;
  uint16_t VersionNeededToExtract = 0;
  uint16_t GeneralPurposeBitFlag = 0;
  uint16_t CompressionMethod = 0;
  uint32_t LastModFileTimeDate = 0;
  uint32_t Crc32 = 0;
  uint32_t CompressedSize = 0;
  uint32_t UncompressedSize = 0;
  uint16_t FilenameLength = 0;
  uint16_t ExtraFieldLength = 0;
  std::string FileName;
  std::string ExtraField;
  int64_t CompressedDataPos = 0;  // where the entry's data starts in the archive stream
  bool Crc32Known = true;         // false for a rebuilt entry whose data descriptor is missing
};

enum class TXLSZipOpenMode { xzomClosed, xzomRead, xzomWrite };
enum class TZipCompressionType { ctNormal, ctMaximum, ctFast, ctSuperFast, ctUnknown };

class TXLSZipArchive;

// Entry names looked up without regard to ASCII letter case; the first entry of a name wins.
class TXLSZipNameIndex {
 public:
  void Clear() { FMap.clear(); }
  void Add(std::u16string_view name, int index);
  // The index of the name, or -1.
  int Find(std::u16string_view name) const;

 private:
  std::unordered_map<std::u16string, int> FMap;
};

// An entry's uncompressed data as a stream, the part both back-ends share: output ends at the
// declared size, an entry declared larger than kZipStreamedEntryLimit is refused at the first
// read, an entry of an unsupported method raises "ZIP file is not open" at the first read.
// Seeking: to the beginning restarts, forward reads and discards, backward raises
// "Invalid stream operation".
// Data is always delivered in order from its first byte, so its CRC-32 is kept as it goes: when
// the data has been read to its end (the declared size, or an earlier end of the data) and the
// CRC-32 differs from the archive's, the read raises "ZIP entry \"%s\" is damaged (CRC-32
// mismatch)", and so does every later read, so that no reader takes damaged bytes for the part.
class TXLSZipEntryStream : public TXLSStream {
 public:
  size_t Read(void* buffer, size_t count) final;
  size_t Write(const void*, size_t) override;  // raises "Not implemented, write"
  int64_t Seek(int64_t offset, TXLSSeekOrigin origin) final;
  int64_t Size() override { return FLimit; }

 protected:
  // `crc`: the CRC-32 the archive gives for the data; none when the archive does not know it.
  TXLSZipEntryStream(bool supported, int64_t limit, std::u16string name,
                     std::optional<uint32_t> crc = std::nullopt);
  // The next bytes of the data (at most `count`, which never goes past the declared size).
  virtual size_t ReadData(void* buffer, size_t count) = 0;
  // Goes back to the first byte of the data.
  virtual void RestartData() = 0;
  [[noreturn]] void RaiseCrcError() const;

 private:
  void CheckCrc();

  bool FSupported;
  int64_t FLimit;  // bytes this entry delivers at most
  std::u16string FName;
  int64_t FPos = 0;  // bytes delivered so far
  std::optional<uint32_t> FExpectedCrc;
  uint32_t FCrc = 0;  // of the bytes delivered so far
  bool FCrcFailed = false;
};

// The own reader's entry data: stored bytes, or raw inflate of the deflated bytes.
class TXLSZipEntryReader : public TXLSZipEntryStream {
 public:
  TXLSZipEntryReader(TXLSStream& archive, int64_t dataPos, uint16_t method, int64_t compressedSize,
                     int64_t uncompressedSize, std::u16string name,
                     std::optional<uint32_t> crc = std::nullopt);
  ~TXLSZipEntryReader() override;

 protected:
  size_t ReadData(void* buffer, size_t count) override;
  void RestartData() override { FDStream.reset(); FRawPos = 0; }

 private:
  TXLSStream& FArchive;
  int64_t FDataPos;
  uint16_t FMethod;
  int64_t FCompressedSize;
  int64_t FRawPos = 0;  // stored entries: bytes taken so far
  std::unique_ptr<TDecompressionStream> FDStream;
};

// An entry as the archive stores it: its packed bytes with what is needed to unpack them, kept
// apart from the archive so that a part can be held unread and unpacked later, when it is used.
struct TXLSZipStoredEntry {
  std::u16string Name;
  uint16_t Method = 0;
  std::string Packed;
  int64_t UncompressedSize = 0;
  std::optional<uint32_t> Crc;
};

// One entry of an archive; as a stream it reads the entry's uncompressed data once opened.
class TXLSZipFile : public TXLSStream {
 public:
  explicit TXLSZipFile(TXLSZipArchive& parent) : FParent(parent) {}
  ~TXLSZipFile() override;

  void OpenRead();
  void Close();
  bool IsOpen() const { return FDStream != nullptr; }
  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void*, size_t) override;  // raises "Not implemented, write"
  int64_t Seek(int64_t offset, TXLSSeekOrigin origin) override;
  int64_t Size() override;
  // Copies the whole uncompressed entry to `dest`.
  void _SaveToStream(TXLSStream& dest);

  const std::u16string& Name() const { return FName; }
  int64_t CompressedSize() const;
  int64_t UncompressedSize() const;
  std::time_t Date() const { return FDate; }
  bool IsEncrypted() const { return FIsEncrypted; }
  bool IsFolder() const { return FIsFolder; }
  TZipCompressionType CompressionType() const { return FCompressionType; }
  const TCentralDirectoryFile& CentralDirectoryFile() const { return FCentralDirectoryFile; }
  const TLocalFile& LocalFile() const { return FLocalFile; }

  // A new reader over this entry's data, independent of the entry's own reading state.
  std::unique_ptr<TXLSZipEntryReader> NewReader() const;
  // The entry's packed bytes (bounded by the archive) and how to unpack them.
  TXLSZipStoredEntry Stored() const;

 private:
  friend class TXLSZipArchive;
  void SetCentral(const TCentralDirectoryFile& central);

  TXLSZipArchive& FParent;
  std::time_t FDate = 0;
  bool FIsEncrypted = false;
  bool FIsFolder = false;
  TZipCompressionType FCompressionType = TZipCompressionType::ctUnknown;
  TCentralDirectoryFile FCentralDirectoryFile;
  TLocalFile FLocalFile;
  std::u16string FName;
  std::unique_ptr<TXLSZipEntryReader> FDStream;
};

// The stream OpenStream hands out: reads one entry, independently of other open entries.
class TXLSOwnerStream : public TXLSStream {
 public:
  TXLSOwnerStream(const TXLSZipFile& entry, std::u16string id);
  size_t Read(void* buffer, size_t count) override { return FReader->Read(buffer, count); }
  size_t Write(const void* buffer, size_t count) override { return FReader->Write(buffer, count); }
  int64_t Seek(int64_t offset, TXLSSeekOrigin origin) override { return FReader->Seek(offset, origin); }
  int64_t Size() override { return FReader->Size(); }
  const std::u16string& Id() const { return FId; }

 private:
  std::unique_ptr<TXLSZipEntryReader> FReader;
  std::u16string FId;
};

// An archive open for reading or writing over a stream it does not own.
class TXLSZipArchive {
 public:
  TXLSZipArchive();
  ~TXLSZipArchive();
  TXLSZipArchive(const TXLSZipArchive&) = delete;
  TXLSZipArchive& operator=(const TXLSZipArchive&) = delete;

  void OpenRead(TXLSStream& stream);
  void OpenWrite(TXLSStream& stream);
  void Close();

  int Count() const { return static_cast<int>(FItems.size()); }
  TXLSZipFile& Items(int index) { return *FItems.at(static_cast<size_t>(index)); }
  // Index of the first entry whose name equals `name` without regard to ASCII letter case; -1.
  int Find(std::u16string_view name) const;

  // Writing. CreateStream starts an entry and returns the stream its data is written to; the
  // stream stays the archive's until CloseStream.
  TCompressionStream& CreateStream(std::u16string_view name);
  void CloseStream(TXLSStream& stream);
  void AddStream(std::u16string_view name, TXLSStream& source);

  TXLSZipOpenMode OpenMode() const { return FOpenMode; }
  bool HasBadEntries() const { return FHasBadEntries; }
  int LocalHeaderNumFiles() const { return FLocalHeaderNumFiles; }
  int64_t EndOfCentralDirPos() const { return FEndOfCentralDirPos; }
  const TEndOfCentralDir& EndOfCentralDir() const { return FEndOfCentralDir; }
  TXLSStream* Stream() const { return FStream; }
  bool StoreFolders = true;
  bool StoreRelativePath = true;

 private:
  bool FindEndOfCentralDir(int64_t size);
  void ReadCentralDirectory(int64_t size);
  void ReadLocalHeader(TXLSZipFile& entry, int64_t size);
  void ScanLocalHeaders(int64_t size);
  std::string NormaliseName(std::u16string_view name) const;
  TXLSZipFile& StartEntry(const std::string& rawName, uint16_t method);
  void FinishEntry(TXLSZipFile& entry, uint32_t crc, int64_t compressed, int64_t uncompressed);

  std::vector<std::unique_ptr<TXLSZipFile>> FItems;
  TXLSZipNameIndex FNameIndex;
  TXLSZipOpenMode FOpenMode = TXLSZipOpenMode::xzomClosed;
  TXLSStream* FStream = nullptr;
  std::string FComment;
  int64_t FEndOfCentralDirPos = -1;
  TEndOfCentralDir FEndOfCentralDir;
  bool FHasBadEntries = false;
  int FLocalHeaderNumFiles = 0;
  TXLSZipFile* FCurrZip = nullptr;
  std::unique_ptr<TCompressionStream> FCurrCompression;
  int64_t FCurrStreamStart = 0;
};

// A stream over the unpacked data of a stored entry, with the checks of an entry read from its
// archive (size cap, declared size, CRC-32). The entry must outlive the stream.
std::unique_ptr<TXLSStream> OpenStoredEntry(const TXLSZipStoredEntry& entry);

// Decodes an entry name: UTF-8 when it is well formed (or flagged as UTF-8), Latin-1 otherwise.
std::u16string ZipNameToString(std::string_view raw);

namespace detail {
// The MS-DOS date (high word) and time (low word) of a zip record as a calendar time in UTC;
// 0 for an invalid date.
std::time_t DosDateTimeToTime(uint32_t dosDateTime);
uint32_t TimeToDosDateTime(std::time_t t);
}  // namespace detail

}  // namespace xls
