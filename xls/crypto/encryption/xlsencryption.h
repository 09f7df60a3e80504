// The reader of password-encrypted workbook packages ([MS-OFFCRYPTO] 2.3.4, ECMA-376 document
// encryption): `TXLSEncryption` opens the compound file, lets the method named by
// "EncryptionInfo" test the password, and decrypts "EncryptedPackage" into the zip package that
// the package reader then reads like a plain .xlsx file.
//
// Format facts relied on (all integers little-endian):
// - "EncryptionInfo": VersionMajor (2 bytes), VersionMinor (2), Flags (4), then the method data:
//   3.2 and 4.2 standard encryption (HeaderSize, a 32-byte header, the CSP name, a 72-byte
//   verifier; see cryptostandard.h), 4.4 agile encryption (an XML descriptor; see cryptoagile.h).
// - "EncryptedPackage": StreamSize (8 bytes, the package's size), then the encrypted package in
//   segments of 4096 bytes; the last segment is filled up to whole cipher blocks.
//
// Design choice: the compound file is read in place over the caller's bytes (the component's
// mapped file), and "EncryptedPackage" is decrypted segment by segment straight from the runs of
// sectors it lies in, into a sink. Nothing is copied first, so a package costs its own size once
// (the output) and the caller may even stream the output elsewhere.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "xls/model/xlsbook.h"

namespace kws {
class CfbStream;
}

namespace xls {

// A resizable byte buffer of the encryption methods. Copies into it are checked: a copy that
// would end past its size raises std::runtime_error "Vector to long" and copies nothing.
class TXLSVector {
 public:
  TXLSVector() = default;
  explicit TXLSVector(size_t size, uint8_t value = 0) { Resize(size, value); }

  // Sets the size and fills every byte with `value` (the old content is not kept).
  void Resize(size_t size, uint8_t value = 0) { FBytes.assign(size, value); }
  void Clear() { FBytes.clear(); }
  void Assign(const TXLSVector& v) { FBytes = v.FBytes; }
  void Assign(std::span<const uint8_t> bytes) { FBytes.assign(bytes.begin(), bytes.end()); }
  void CopyFrom(const TXLSVector& v, size_t offset) { CopyFrom(v.Bytes(), offset); }
  void CopyFrom(std::span<const uint8_t> bytes, size_t offset);
  void CopyFrom(const TXLSVector& v, size_t count, size_t offset);
  // compareSize <= 0: same size and bytes; > 0: both hold at least compareSize bytes and their
  // first compareSize bytes agree.
  bool Equal(const TXLSVector& v, int compareSize) const;
  // Writes a 32-bit little-endian value at byte 4 * index.
  void SetAsInteger(size_t index, uint32_t value);
  // The bytes as decimal numbers joined by ", ".
  std::string AsText() const;

  size_t Size() const { return FBytes.size(); }
  uint8_t* Data() { return FBytes.data(); }
  const uint8_t* Data() const { return FBytes.data(); }
  std::span<const uint8_t> Bytes() const { return FBytes; }
  std::span<uint8_t> Bytes() { return FBytes; }

 private:
  std::vector<uint8_t> FBytes;
};

// Receives the decrypted package piece by piece, in order.
using TXLSPackageSink = std::function<void(std::span<const uint8_t>)>;

// The base of the two encryption methods.
class TXLSCrypto {
 public:
  static constexpr size_t kSegmentSize = 4096;

  explicit TXLSCrypto(std::u16string password) : FPassword(std::move(password)) {}
  virtual ~TXLSCrypto() = default;
  TXLSCrypto(const TXLSCrypto&) = delete;
  TXLSCrypto& operator=(const TXLSCrypto&) = delete;

  // Reads the method data of "EncryptionInfo" (after its 8 bytes of version and flags) and
  // tests the password: xcrOk, xcrWrongPassword or xcrUnsupportedEncryption.
  virtual TXLSCryptoResult InitiateRead(std::span<const uint8_t> methodData) = 0;
  // Writes the whole "EncryptionInfo" stream; false when the method has no write side.
  virtual bool InitiateWrite(std::vector<uint8_t>& info) = 0;
  // Writes the whole "EncryptedPackage" stream for `package`; false without a write side.
  virtual bool EncryptDocument(std::span<const uint8_t> package, std::vector<uint8_t>& out) = 0;

  // Decrypts "EncryptedPackage" (only after InitiateRead gave xcrOk) segment by segment into
  // `sink`: StreamSize bytes when they are not more than the bytes decrypted (the filler of the
  // last cipher block is dropped), else every decrypted byte.
  bool DecryptDocument(kws::CfbStream& in, const TXLSPackageSink& sink);

  // `out` filled from the system's random source.
  static void RandomBytes(std::span<uint8_t> out);
  // The password as UTF-16LE bytes, every character, no terminator.
  static std::vector<uint8_t> PasswordBytes(std::u16string_view password);

 protected:
  // Decrypts segment `index` (at most kSegmentSize bytes) of the package from `in` into `out`
  // (as many bytes).
  virtual void DecryptSegment(uint32_t index, std::span<const uint8_t> in, std::span<uint8_t> out) = 0;

  int32_t FSaltSize = 16;
  std::u16string FPassword;
};

// Opens one encrypted package: created, given a password (and event), loaded once.
class TXLSEncryption {
 public:
  // The password that office programs use for a workbook encrypted without a user password.
  static constexpr std::u16string_view kDefaultPassword = u"VelvetSweatshop";

  TXLSEncryption() = default;
  void SetPassword(std::u16string_view p) { FPassword = p; }
  // Asked for a password when none is set.
  TStringEvent FPasswEvent;

  // Reads the compound file held in `file` (kept alive and unchanged by the caller during the
  // call) and decrypts the package into FOutStream, or into `sink` when one is given. With no
  // password (after the event) the default password is tried once; when it fails, the result is
  // xcrMissingPassword. A compound file that cannot be read raises kws::CfbError.
  TXLSCryptoResult LoadFromStream(std::span<const uint8_t> file, const TXLSPackageSink& sink = {});

  TXLSCryptoResult Result() const { return FResult; }
  std::vector<uint8_t> FOutStream;

  // A method object for the version at the start of "EncryptionInfo", or nullptr.
  static std::unique_ptr<TXLSCrypto> CreateCryptoForVersion(std::span<const uint8_t> info,
                                                            std::u16string password);

 private:
  TXLSCryptoResult Decrypt(std::span<const uint8_t> file, const std::u16string& password,
                           const TXLSPackageSink& sink);

  std::u16string FPassword;
  std::unique_ptr<TXLSCrypto> FCrypto;
  TXLSCryptoResult FResult = TXLSCryptoResult::xcrUnknown;
};

// Puts the decryptor into the component's default readers (`DefaultXLSBookReaders()`), so that
// LoadFromFile opens encrypted packages with `Password` or what `OnPassword` gives; safe to call
// many times.
void RegisterEncryptedPackageReader();

}  // namespace xls
