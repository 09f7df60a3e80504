#include "xls/biff/xlsstream.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "platform/cfb.h"
#include "platform/filebytes.h"
#include "xls/biff/biffvba.h"
#include "xls/model/xlserrors.h"

namespace xls::biff {

namespace {

using Digest = std::array<uint8_t, 16>;

// MD5 of a whole message (RFC 1321 padding added here; TMD5 itself never pads).
Digest Md5Message(std::span<const uint8_t> data) {
  TMD5Context ctx;
  TMD5::Init(ctx);
  TMD5::Update(ctx, data);
  const size_t used = data.size() % 64;
  uint8_t pad[64 + 8] = {0x80};
  const size_t padLen = used < 56 ? 56 - used : 120 - used;
  TMD5::Update(ctx, std::span<const uint8_t>(pad, padLen));
  const uint64_t bits = uint64_t(data.size()) * 8;
  uint8_t len[8];
  for (int i = 0; i < 8; ++i) len[i] = uint8_t(bits >> (8 * i));
  TMD5::Update(ctx, len);
  TMD5::Store(ctx);
  Digest d;
  std::copy(ctx.Digest.begin(), ctx.Digest.end(), d.begin());
  return d;
}

// H0: one 64-byte block with the UTF-16LE password (at most 31 characters), the byte 0x80 behind
// it and, at byte 56, the low byte of the bit count; the state after that block is the digest.
// For passwords of up to 15 characters this is the MD5 of the password.
Digest PasswordHash(std::u16string_view password) {
  const size_t n = std::min<size_t>(password.size(), 31);
  uint8_t block[64] = {};
  for (size_t i = 0; i < n; ++i) {
    block[2 * i] = uint8_t(password[i] & 0xFF);
    block[2 * i + 1] = uint8_t(password[i] >> 8);
  }
  block[2 * n] = 0x80;
  block[56] = uint8_t((16 * n) & 0xFF);
  TMD5Context ctx;
  TMD5::Init(ctx);
  TMD5::Update(ctx, block);
  TMD5::Store(ctx);
  Digest d;
  std::copy(ctx.Digest.begin(), ctx.Digest.end(), d.begin());
  return d;
}

std::vector<uint8_t> ReadWholeFile(const std::filesystem::path& file) {
  std::vector<uint8_t> bytes;
  if (!kws::ReadFileBytes(file, bytes)) throw std::runtime_error("Cannot open file \"" + file.string() + "\"");
  return bytes;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
TRecFILEPASS TRecFILEPASS::FromBytes(std::span<const uint8_t> body) {
  uint8_t raw[54] = {};
  std::memcpy(raw, body.data(), std::min<size_t>(body.size(), sizeof raw));
  TRecFILEPASS r;
  r.Options = uint16_t(raw[0] | (raw[1] << 8));
  std::memcpy(r.SillyPassword, raw + 2, 4);
  std::memcpy(r.DocId, raw + 6, 16);
  std::memcpy(r.Salt, raw + 22, 16);
  std::memcpy(r.HashedSalt, raw + 38, 16);
  return r;
}

TExtraObjects::TExtraObjects() = default;
TExtraObjects::~TExtraObjects() = default;
void TExtraObjects::Clear() { FSavedStorage.reset(); }
void TExtraObjects::SetSaved(std::unique_ptr<kws::CfbStorageCopy> copy) { FSavedStorage = std::move(copy); }

// ---------------------------------------------------------------------------------------------
bool TBIFFRC4::Init(const TRecFILEPASS& filePass, std::u16string_view password) {
  const Digest h0 = PasswordHash(password);
  uint8_t inter[16 * 21];
  for (int i = 0; i < 16; ++i) {
    std::memcpy(inter + 21 * i, h0.data(), 5);
    std::memcpy(inter + 21 * i + 5, filePass.DocId, 16);
  }
  const Digest h1 = Md5Message(inter);
  std::copy_n(h1.begin(), 5, FH1.begin());
  FNextReKeyBlock = -1;
  KeyBlock(0);
  uint8_t verifier[16], verifierHash[16];
  std::memcpy(verifier, filePass.Salt, 16);
  std::memcpy(verifierHash, filePass.HashedSalt, 16);
  RC4Crypt(verifier, 16, FRC4Key);
  RC4Crypt(verifierHash, 16, FRC4Key);
  // The stream's key stream starts afresh: the next Crypt keys the block of its offset.
  FNextReKeyBlock = -1;
  const Digest check = Md5Message(verifier);
  return std::equal(check.begin(), check.end(), verifierHash);
}

void TBIFFRC4::KeyBlock(uint32_t block) {
  uint8_t in[9];
  std::copy(FH1.begin(), FH1.end(), in);
  for (int i = 0; i < 4; ++i) in[5 + i] = uint8_t(block >> (8 * i));
  const Digest key = Md5Message(in);
  RC4Init(key, FRC4Key);
  FNextReKeyBlock = block;
  FKeyPos = uint64_t(block) * 1024;
}

void TBIFFRC4::Crypt(uint8_t* buffer, size_t count, uint64_t offset) {
  static constexpr size_t Block = 1024;
  uint8_t skip[Block];
  while (count > 0) {
    const uint64_t block = offset / Block;
    // The key stream is a function of the offset: re-key whenever these bytes do not continue
    // the key stream where it stands.
    if (int64_t(block) != FNextReKeyBlock || offset < FKeyPos) KeyBlock(uint32_t(block));
    if (offset > FKeyPos) {
      const size_t gap = size_t(offset - FKeyPos);
      std::memset(skip, 0, gap);
      RC4Crypt(skip, int64_t(gap), FRC4Key);
      FKeyPos = offset;
    }
    const size_t chunk = std::min<uint64_t>(count, (block + 1) * Block - offset);
    RC4Crypt(buffer, int64_t(chunk), FRC4Key);
    buffer += chunk;
    count -= chunk;
    offset += chunk;
    FKeyPos = offset;
  }
}

// ---------------------------------------------------------------------------------------------
TXLSStream::TXLSStream() = default;
TXLSStream::~TXLSStream() { CloseStorage(); }

void TXLSStream::CloseStorage() {
  FOwned.clear();
  FOwned.shrink_to_fit();
  FStream.reset();
  FRuns.clear();
  FRunStarts.clear();
  FRun = {};
  FRunStart = 0;
  FPos = 0;
  FRecRemain = 0;
  FCurHeader = {};
  FReadCONTINUEActive = false;
  FIsEncrypted = false;
}

TExcelVersion TXLSStream::OpenStorageRead(const std::filesystem::path& filename) {
  CloseStorage();
  FFileVersion = TExcelVersion::xvNone;
  std::vector<uint8_t> file;
  std::span<const uint8_t> src;
  if (FHasSource) {
    src = FSource;
  } else {
    file = ReadWholeFile(filename);
    src = file;
  }
  if (kws::IsCompoundData(src)) {
    // The workbook stream is read in place: in the caller's bytes, or in the image the stream holds.
    OpenCompound(FHasSource ? kws::OpenCompoundView(src) : kws::OpenCompoundData(std::move(file)));
    return FFileVersion;
  }
  // A bare file: its first record must be a BIFF2, BIFF3 or BIFF4 BOF.
  TExcelVersion v = TExcelVersion::xvNone;
  if (src.size() >= 2 && src[0] == 0x09) {
    if (src[1] == 0x00)
      v = TExcelVersion::xvExcel21;
    else if (src[1] == 0x02)
      v = TExcelVersion::xvExcel30;
    else if (src[1] == 0x04)
      v = TExcelVersion::xvExcel40;
  }
  if (v == TExcelVersion::xvNone) throw XLSRWException("The file is not an Excel workbook");
  if (FHasSource) {
    SetRuns({src});
  } else {
    FOwned = std::move(file);
    SetRuns({FOwned});
  }
  FFileVersion = v;
  return v;
}

void TXLSStream::OpenCompound(const kws::CfbStorage& root) {
  if (FExtraObjects) {
    // Everything but the workbook stream, which the loop reads below.
    static constexpr std::u16string_view kWorkbookStreams[] = {u"Workbook", u"Book"};
    FExtraObjects->SetSaved(std::make_unique<kws::CfbStorageCopy>(root.CopyToMemory(kWorkbookStreams)));
  }
  static constexpr std::pair<const char16_t*, TExcelVersion> Streams[] = {
      {u"Workbook", TExcelVersion::xvExcel97},
      {u"Book", TExcelVersion::xvExcel50},
      {u"EncryptionInfo", TExcelVersion::xvOffice2007Encrypted}};
  for (const auto& [name, version] : Streams) {
    std::optional<kws::CfbStream> s;
    try {
      s = root.OpenStream(name);
    } catch (const kws::CfbError&) {
      s.reset();  // a stream that cannot be opened counts as absent
    }
    if (!s) continue;
    FStream = std::make_unique<kws::CfbStream>(std::move(*s));
    SetRuns(FStream->Runs());
    FFileVersion = version;
    if (FVBA) FVBA->Read(root);  // never ends the load: a failure is a warning
    return;
  }
  throw XLSRWException("The file is not an Excel workbook");
}

// ---------------------------------------------------------------------------------------------
void TXLSStream::SetRuns(std::vector<std::span<const uint8_t>> runs) {
  FRuns = std::move(runs);
  FRunStarts.assign(1, 0);
  for (const auto& r : FRuns) FRunStarts.push_back(FRunStarts.back() + r.size());
  FRun = FRuns.empty() ? std::span<const uint8_t>() : FRuns.front();
  FRunStart = 0;
}

size_t TXLSStream::CopyAt(size_t pos, uint8_t* out, size_t count) const {
  size_t done = 0;
  while (done < count && pos < DataSize()) {
    if (pos < FRunStart || pos - FRunStart >= FRun.size()) {
      // The run holding pos: the last whose start is not beyond it (runs are never empty).
      const size_t i =
          size_t(std::upper_bound(FRunStarts.begin(), FRunStarts.end() - 1, pos) - FRunStarts.begin()) - 1;
      FRun = FRuns[i];
      FRunStart = FRunStarts[i];
    }
    const size_t within = pos - FRunStart;
    const size_t n = std::min(count - done, FRun.size() - within);
    std::memcpy(out + done, FRun.data() + within, n);
    done += n;
    pos += n;
  }
  return done;
}

size_t TXLSStream::RawReadAcross(void* buffer, size_t count) {
  const size_t n = CopyAt(FPos, static_cast<uint8_t*>(buffer), count);
  FPos += n;
  return n;
}

int TXLSStream::ReadHeader(TBIFFHeader& header) {
  uint8_t h[4];
  const size_t n = RawRead(h, 4);
  if (n < 4) {
    FRecRemain = 0;
    return int(n);
  }
  header.RecID = uint16_t(h[0] | (h[1] << 8));
  header.Length = uint16_t(h[2] | (h[3] << 8));
  FCurHeader = header;
  FRecRemain = header.Length;
  return 4;
}

uint16_t TXLSStream::PeekHeader() const {
  uint8_t h[4];
  if (CopyAt(FPos, h, 4) < 4) return 0;
  return uint16_t(h[0] | (h[1] << 8));
}

uint16_t TXLSStream::PeekMSOHeader() const {
  uint8_t h[4];
  if (CopyAt(FPos, h, 4) < 4) return 0;
  return uint16_t(h[2] | (h[3] << 8));
}

size_t TXLSStream::Read(void* buffer, size_t count) {
  auto* p = static_cast<uint8_t*>(buffer);
  if (FReadCONTINUEActive) return ContinueRead(p, count, true);
  const size_t n = RawRead(p, count);
  if (FIsEncrypted && n) FRC4.Crypt(p, n, FPos - n);
  FRecRemain -= uint32_t(std::min<size_t>(n, FRecRemain));
  return n;
}

size_t TXLSStream::ReadUnencrypted(void* buffer, size_t count) {
  auto* p = static_cast<uint8_t*>(buffer);
  if (FReadCONTINUEActive) return ContinueRead(p, count, false);
  const size_t n = RawRead(p, count);
  FRecRemain -= uint32_t(std::min<size_t>(n, FRecRemain));
  return n;
}

size_t TXLSStream::ReadRecordBody(uint16_t recId, void* buffer, size_t count) {
  if (!FIsEncrypted) return Read(buffer, count);
  switch (recId) {
    case 0x002F:
    case 0x00E1:
    case 0x0138:
    case 0x0194:
    case 0x0195:
    case 0x0196:
      return ReadUnencrypted(buffer, count);
    case 0x0085: {  // BOUNDSHEET: the BOF position in clear, the rest encrypted
      auto* p = static_cast<uint8_t*>(buffer);
      const size_t n = ReadUnencrypted(p, std::min<size_t>(count, 4));
      return n < 4 ? n : n + Read(p + 4, count - 4);
    }
    default:
      return (recId & 0xFF) == 0x09 ? ReadUnencryptedSync(buffer, count) : Read(buffer, count);
  }
}

size_t TXLSStream::ContinueRead(uint8_t* buffer, size_t count, bool decrypt) {
  size_t done = 0;
  while (count > 0) {
    const size_t k = std::min<size_t>(count, FRecRemain);
    if (k > 0) {
      const size_t n = RawRead(buffer + done, k);
      if (decrypt && FIsEncrypted && n) FRC4.Crypt(buffer + done, n, FPos - n);
      done += n;
      count -= n;
      FRecRemain -= uint32_t(n);
      if (n < k) break;
    }
    if (count == 0) break;
    TBIFFHeader h;
    if (ReadHeader(h) < 4) break;
    if (h.RecID != BIFFID_CONTINUE && h.RecID != BIFFID_MSODRAWINGGROUP && h.RecID != BIFFID_HFPICTURE &&
        h.RecID != BIFFID_CONTINUEFRT12)
      throw XLSRWException("CONTINUE record is missing");
    if (h.RecID == BIFFID_HFPICTURE) {
      // Future-record header and flags come before the data.
      const size_t skip = std::min<size_t>({14, FRecRemain, DataSize() - std::min(FPos, DataSize())});
      FPos += skip;
      FRecRemain -= uint32_t(skip);
    }
  }
  return done;
}

size_t TXLSStream::ReadWideString(size_t length, std::u16string& text) {
  text.clear();
  uint8_t flag = 0;
  if (Read(&flag, 1) < 1) return 0;
  const size_t left = DataSize() - std::min(FPos, DataSize());
  const bool wide = flag == 1;
  const size_t want = std::min(wide ? 2 * length : length, left);
  std::vector<uint8_t> bytes(want);
  const size_t n = Read(bytes.data(), want);
  if (wide) {
    text.resize(n / 2);
    for (size_t i = 0; i < n / 2; ++i) text[i] = char16_t(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  } else {
    text.assign(bytes.begin(), bytes.begin() + n);
  }
  return n + 1;
}

void TXLSStream::BeginCONTINUERead() {
  if (FReadCONTINUEActive) throw XLSRWException("CONTINUE read active");
  FReadCONTINUEActive = true;
}

void TXLSStream::EndCONTINUERead() { FReadCONTINUEActive = false; }

void TXLSStream::ResetCONTINUERead() {
  // The current record counts as unread from here: its whole length is ahead.
  FRecRemain = FCurHeader.Length;
}

bool TXLSStream::SetReadDecrypt(std::span<const uint8_t> filePass, std::u16string_view password) {
  TBIFFRC4 rc4;
  if (!rc4.Init(TRecFILEPASS::FromBytes(filePass), password)) return false;
  FRC4 = rc4;
  FIsEncrypted = true;
  return true;
}

void TXLSStream::Decrypt(uint8_t* buffer, size_t count) {
  if (!FIsEncrypted || count == 0) return;
  const size_t n = std::min(count, FPos);
  FRC4.Crypt(buffer + (count - n), n, FPos - n);
}

int64_t TXLSStream::Seek(int64_t offset, int origin) {
  int64_t base;
  switch (origin) {
    case 0:
      base = 0;
      break;
    case 1:
      base = int64_t(FPos);
      break;
    case 2:
      base = int64_t(DataSize());
      break;
    default:
      return 0;
  }
  const int64_t target = std::clamp<int64_t>(base + offset, 0, int64_t(DataSize()));
  FPos = size_t(target);
  FRecRemain = 0;  // after a seek there is no current record
  return target;
}

// ---------------------------------------------------------------------------------------------
void TXLSStream::OpenRawMemStreamWrite() {
  CloseStorage();
  FWrite.clear();
  FWrittenBytes = 0;
  FFileVersion = TExcelVersion::xvExcel97;
}

void TXLSStream::Write(const void* buffer, size_t count) {
  const auto* p = static_cast<const uint8_t*>(buffer);
  FWrite.insert(FWrite.end(), p, p + count);
  FWrittenBytes += int64_t(count);
}

void TXLSStream::WriteHeader(uint16_t recId, uint16_t length) {
  WWord(recId);
  WWord(length);
}

void TXLSStream::WByte(uint8_t v) { Write(&v, 1); }
void TXLSStream::WWord(uint16_t v) {
  const uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
  Write(b, 2);
}
void TXLSStream::WLWord(uint32_t v) {
  const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  Write(b, 4);
}

void TXLSStream::WriteCONTINUE(uint16_t recId, const void* buffer, size_t count) {
  const auto* p = static_cast<const uint8_t*>(buffer);
  size_t n = std::min<size_t>(count, MAXRECSIZE_97);
  WriteHeader(recId, uint16_t(n));
  Write(p, n);
  p += n;
  count -= n;
  while (count > 0) {
    n = std::min<size_t>(count, MAXRECSIZE_97);
    WriteHeader(BIFFID_CONTINUE, uint16_t(n));
    Write(p, n);
    p += n;
    count -= n;
  }
}

void TXLSStream::WriteMSOHeader(uint16_t version, uint16_t instance, uint16_t fbt, uint32_t length) {
  WWord(uint16_t(version + 16 * instance));
  WWord(fbt);
  WLWord(length);
}

void TXLSStream::WriteUnicodeStr8(std::span<const uint8_t> s) {
  if (s.empty()) {
    WByte(0);
    return;
  }
  WByte(uint8_t(s[0] == 1 ? (s.size() - 1) / 2 : s.size() - 1));
  Write(s.data(), s.size());
}

}  // namespace xls::biff
