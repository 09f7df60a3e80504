// The record stream of a legacy workbook: `TXLSStream` reads BIFF records from the workbook
// stream of a compound file or from a bare early BIFF2-4 file, joins a record with its
// continuation records when asked to, and decrypts a password-protected stream.
//
// Format facts (MS-XLS 2.1.4, MS-OFFCRYPTO 2.3.6):
// - A record is a 4-byte header (16-bit id, 16-bit body length, little-endian) and its body.
//   BIFF8 bodies hold at most 8224 bytes, BIFF2-7 bodies 2080; longer data continues in
//   CONTINUE (0x003C) records, each with its own length.
// - A compound file holds the BIFF8 stream "Workbook" or the BIFF5/7 stream "Book" (an encrypted
//   package has "EncryptionInfo" instead). A bare BIFF2/3/4 file starts with a BOF record whose id
//   is 0x0009, 0x0209 or 0x0409.
// - RC4 protection (FILEPASS type 1, RC4 header version 1.1): H0 = MD5 of the UTF-16LE password,
//   H1 = MD5 of 16 repetitions of (the first 5 bytes of H0, the 16-byte salt); the key of block b
//   is MD5(first 5 bytes of H1, b as 32-bit little-endian). The byte at stream offset x is
//   combined with byte x mod 1024 of the key stream of block x div 1024. Record headers and BOF
//   bodies are stored in clear but count for the key stream.
//
// Design: the workbook stream (or the bare file) is read where it lies in memory, so a read is a
// bounded copy and a peek or seek is free. A compound-file stream is read in place as the runs of
// sectors the file lays it out in (a writer makes a few long ones), never copied out whole; the
// run of the last read is kept, so reading on within it is one comparison and a copy. The key
// stream is derived from the absolute offset of the bytes being decrypted: a read that does not
// continue where the last decrypted bytes ended re-keys its block and skips to its offset, so
// seeking, peeking and reading ahead can never desynchronise decryption. In continuation mode
// each record is taken at its real length.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "xls/crypto/md5.h"

namespace kws {
class CfbStorage;
class CfbStream;
}
#include "xls/crypto/rc4.h"
#include "xls/model/xlscellarea.h"  // TExcelVersion

namespace kws {
class CfbStorageCopy;
}

namespace xls::biff {

// Record ids the stream itself knows.
inline constexpr uint16_t BIFFID_CONTINUE = 0x003C;
inline constexpr uint16_t BIFFID_MSODRAWINGGROUP = 0x00EB;
inline constexpr uint16_t BIFFID_HFPICTURE = 0x0866;
inline constexpr uint16_t BIFFID_CONTINUEFRT12 = 0x1066;

// Largest body of one record: BIFF8, and BIFF2 to BIFF7.
inline constexpr uint32_t MAXRECSIZE_97 = 8224;
inline constexpr uint32_t MAXRECSIZE_50 = 2080;

// The 4-byte record header.
struct TBIFFHeader {
  uint16_t RecID = 0;
  uint16_t Length = 0;
  // The header as one 32-bit value: id in the low half, length in the high half.
  uint32_t AsDWord() const { return uint32_t(RecID) | (uint32_t(Length) << 16); }
  static TBIFFHeader FromDWord(uint32_t v) { return {uint16_t(v & 0xFFFF), uint16_t(v >> 16)}; }
};

// FILEPASS body of an RC4-protected file (54 bytes).
struct TRecFILEPASS {
  uint16_t Options = 0;           // encryption type; 1 = RC4
  uint8_t SillyPassword[4] = {};  // RC4 header version (major, minor words)
  uint8_t DocId[16] = {};         // salt
  uint8_t Salt[16] = {};          // encrypted verifier
  uint8_t HashedSalt[16] = {};    // encrypted verifier hash
  // Missing bytes of a short body read as 0.
  static TRecFILEPASS FromBytes(std::span<const uint8_t> body);
};

// An in-memory copy of the compound file's other elements (everything but "Workbook" and
// "Book"), kept with the reader object.
class TXLSVBA;

class TExtraObjects {
 public:
  TExtraObjects();
  ~TExtraObjects();
  void Clear();
  // nullptr until a compound file was opened.
  const kws::CfbStorageCopy* Saved() const { return FSavedStorage.get(); }
  void SetSaved(std::unique_ptr<kws::CfbStorageCopy> copy);

 private:
  std::unique_ptr<kws::CfbStorageCopy> FSavedStorage;
};

// The RC4 key stream of a protected legacy stream, positioned by absolute offset.
class TBIFFRC4 {
 public:
  // Checks the password against the FILEPASS verifier; on success the object is keyed.
  bool Init(const TRecFILEPASS& filePass, std::u16string_view password);
  // Combines `count` bytes that lie at stream offset `offset` with the key stream.
  void Crypt(uint8_t* buffer, size_t count, uint64_t offset);

 private:
  void KeyBlock(uint32_t block);
  std::array<uint8_t, 5> FH1{};  // first 5 bytes of the password hash H1
  TRC4Key FRC4Key{};
  int64_t FNextReKeyBlock = -1;  // block FRC4Key is keyed for; -1 before the first key
  uint64_t FKeyPos = 0;          // stream offset of the next key-stream byte of FRC4Key
};

class TXLSStream {
 public:
  TXLSStream();
  ~TXLSStream();
  TXLSStream(const TXLSStream&) = delete;
  TXLSStream& operator=(const TXLSStream&) = delete;

  // --- source -----------------------------------------------------------------------------
  // When set, OpenStorageRead reads these bytes (a compound file or a bare BIFF2-4 file)
  // instead of the named file. The bytes must stay alive until CloseStorage.
  void SetSourceStream(std::span<const uint8_t> data) {
    FSource = data;
    FHasSource = true;
  }
  void ClearSourceStream() {
    FSource = {};
    FHasSource = false;
  }
  // Receives the copy of the compound file's other elements (not owned; may be nullptr).
  void SetExtraObjects(TExtraObjects* extra) { FExtraObjects = extra; }
  // Reads the macro project of a compound file once its workbook stream is open (not owned;
  // nullptr reads none). A bare file is never searched for macros.
  void SetVBA(TXLSVBA* vba) { FVBA = vba; }
  bool SaveVBA = false;

  // Opens the source and returns its version: xvExcel97 ("Workbook"), xvExcel50 ("Book"),
  // xvOffice2007Encrypted ("EncryptionInfo"), xvExcel21/30/40 (bare BIFF2/3/4 file). Raises
  // XLSRWException "The file is not an Excel workbook" for anything else, at once. Compound-file
  // damage raises kws::CfbError; an unreadable file std::runtime_error.
  TExcelVersion OpenStorageRead(const std::filesystem::path& filename);
  void CloseStorage();
  TExcelVersion FileVersion() const { return FFileVersion; }
  size_t DataSize() const { return FRunStarts.empty() ? 0 : FRunStarts.back(); }
  int64_t Size() const { return int64_t(DataSize()); }

  // --- records ----------------------------------------------------------------------------
  // Reads a record header; returns the bytes read (4 unless the stream ended). Headers are never
  // decrypted. The header becomes the current record (its body is what follows).
  int ReadHeader(TBIFFHeader& header);
  // As ReadHeader (continuation mode stays as it is).
  int ReadOtherHeader(TBIFFHeader& header) { return ReadHeader(header); }
  // The id of the next record without moving; 0 when fewer than 4 bytes are left.
  uint16_t PeekHeader() const;
  // The record type (second word) of the drawing record header that follows; 0 when fewer
  // than 4 bytes are left.
  uint16_t PeekMSOHeader() const;
  // The current record's body bytes not yet read (by its real length).
  uint32_t RecordRemaining() const { return FRecRemain; }
  const TBIFFHeader& CurrentHeader() const { return FCurHeader; }

  // Reads up to `count` bytes, decrypting when decryption is on. In continuation mode a read
  // past the end of the current record goes on in the following CONTINUE (or MSODRAWINGGROUP,
  // HFPICTURE, 0x1066) record; any other record there raises "CONTINUE record is missing".
  size_t Read(void* buffer, size_t count);
  // The next `count` bytes where they lie, as Read would give them, when they are in one piece
  // and in clear (no decryption, no continuation mode); else nothing and the position stays.
  std::optional<std::span<const uint8_t>> ReadInPlace(size_t count) {
    if (FIsEncrypted || FReadCONTINUEActive || !InRun(count)) return std::nullopt;
    const std::span<const uint8_t> bytes = FRun.subspan(FPos - FRunStart, count);
    FPos += count;
    FRecRemain -= uint32_t(std::min<size_t>(count, FRecRemain));
    return bytes;
  }
  // Reads without decrypting.
  size_t ReadUnencrypted(void* buffer, size_t count);
  // Reads the body of a record with id `recId`. In a protected stream the records that the format
  // keeps in clear (BOF, FILEPASS, INTERFACEHDR, RRDHEAD, USREXCL, FILELOCK, RRDINFO; MS-XLS
  // 2.2.10) are delivered as stored, and so is the stream position that opens a BOUNDSHEET; all
  // other bytes are decrypted.
  size_t ReadRecordBody(uint16_t recId, void* buffer, size_t count);
  // Reads without decrypting; the key stream counts the bytes (BOF bodies). With the key stream
  // positioned by offset this is the same as ReadUnencrypted.
  size_t ReadUnencryptedSync(void* buffer, size_t count) { return ReadUnencrypted(buffer, count); }
  // One flag byte, then `length` characters: UTF-16 for flag 1, else 8-bit (each byte one
  // character). Returns the bytes consumed; characters that are not there are not made up.
  size_t ReadWideString(size_t length, std::u16string& text);

  void BeginCONTINUERead();  // raises "CONTINUE read active" when already on
  void EndCONTINUERead();
  // The current record counts as unread from the current position on (the position does not move).
  void ResetCONTINUERead();
  bool ReadCONTINUEActive() const { return FReadCONTINUEActive; }

  // --- decryption -------------------------------------------------------------------------
  // Checks the password against the FILEPASS body; when right, decryption is on from here.
  bool SetReadDecrypt(std::span<const uint8_t> filePass, std::u16string_view password);
  bool IsEncrypted() const { return FIsEncrypted; }
  // Decrypts `count` bytes that end at the current position.
  void Decrypt(uint8_t* buffer, size_t count);

  // --- position ---------------------------------------------------------------------------
  // origin 0 start, 1 current, 2 end; the position is kept within 0..Size(). Any other origin
  // does nothing and returns 0.
  int64_t Seek(int64_t offset, int origin);
  int64_t Pos() const { return int64_t(FPos); }

  // --- write side (in memory) -------------------------------------------------------------
  void OpenRawMemStreamWrite();
  void Write(const void* buffer, size_t count);
  void WriteHeader(uint16_t recId, uint16_t length);
  void WByte(uint8_t v);
  void WWord(uint16_t v);
  void WLWord(uint32_t v);
  // A record with at most 8224 body bytes, the rest in CONTINUE records of at most 8224.
  void WriteCONTINUE(uint16_t recId, const void* buffer, size_t count);
  void WriteMSOHeader(uint16_t version, uint16_t instance, uint16_t fbt, uint32_t length);
  // Empty: the single byte 0; else a length byte ((size - 1) / 2 for flag 1, else size - 1) and
  // every byte of s (whose first byte is the width flag).
  void WriteUnicodeStr8(std::span<const uint8_t> s);
  int64_t WrittenBytes() const { return FWrittenBytes; }
  // The bytes written so far.
  const std::vector<uint8_t>& WrittenData() const { return FWrite; }

 private:
  // True when the `count` bytes at the position lie in the run of the last read.
  bool InRun(size_t count) const {
    return FPos >= FRunStart && FPos - FRunStart <= FRun.size() && count <= FRun.size() - (FPos - FRunStart);
  }
  size_t RawRead(void* buffer, size_t count) {
    if (InRun(count)) {
      if (count) std::memcpy(buffer, FRun.data() + (FPos - FRunStart), count);
      FPos += count;
      return count;
    }
    return RawReadAcross(buffer, count);
  }
  size_t RawReadAcross(void* buffer, size_t count);
  // Copies up to `count` bytes at stream offset `pos` without moving; the bytes copied.
  size_t CopyAt(size_t pos, uint8_t* out, size_t count) const;
  void SetRuns(std::vector<std::span<const uint8_t>> runs);
  size_t ContinueRead(uint8_t* buffer, size_t count, bool decrypt);
  void OpenCompound(const kws::CfbStorage& root);

  TExtraObjects* FExtraObjects = nullptr;
  TXLSVBA* FVBA = nullptr;
  std::span<const uint8_t> FSource;
  bool FHasSource = false;
  std::vector<uint8_t> FOwned;              // the bare file when read by us
  std::unique_ptr<kws::CfbStream> FStream;  // the workbook stream; holds the file image when it is ours
  // What is read, in order: the runs of the workbook stream, or the bare file as one run.
  std::vector<std::span<const uint8_t>> FRuns;
  std::vector<size_t> FRunStarts;         // stream offset of each run, then the total size
  mutable std::span<const uint8_t> FRun;  // the run of the last read, and its stream offset
  mutable size_t FRunStart = 0;
  size_t FPos = 0;
  TExcelVersion FFileVersion = TExcelVersion::xvNone;

  TBIFFHeader FCurHeader;
  uint32_t FRecRemain = 0;  // body bytes of the current record not yet read
  bool FReadCONTINUEActive = false;

  bool FIsEncrypted = false;
  TBIFFRC4 FRC4;

  std::vector<uint8_t> FWrite;
  int64_t FWrittenBytes = 0;
};

}  // namespace xls::biff
