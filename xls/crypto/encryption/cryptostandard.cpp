#include "xls/crypto/encryption/cryptostandard.h"

#include <cstring>

#include "xls/crypto/aescipher.h"
#include "xls/crypto/shabuffer.h"

namespace xls {

namespace {

constexpr uint32_t kFlagAES = 0x20;
constexpr uint32_t kFlagsWritten = 0x24;  // fCryptoAPI | fAES
constexpr uint32_t kAlgAES128 = 0x660E, kAlgAES192 = 0x660F, kAlgAES256 = 0x6610;
constexpr uint32_t kAlgSHA1 = 0x8004;
constexpr uint32_t kProvAES = 0x18;
constexpr char16_t kProviderName[] = u"Microsoft Enhanced RSA and AES Cryptographic Provider";
constexpr size_t kHeaderBytes = 32, kVerifierBytes = 72;

uint32_t Get32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

// The key size of an AES header, or 0 when the header names no AES key this method decrypts.
unsigned AesKeyBits(const TXLSRecEncHeader& h) {
  if (h.AlgIDHash != kAlgSHA1 && h.AlgIDHash != 0) return 0;
  const bool aes = h.AlgId == kAlgAES128 || h.AlgId == kAlgAES192 || h.AlgId == kAlgAES256 ||
                   (h.AlgId == 0 && (h.Flags & kFlagAES));
  if (!aes || (h.KeySize != 128 && h.KeySize != 192 && h.KeySize != 256)) return 0;
  const uint32_t named = h.AlgId == kAlgAES192 ? 192 : h.AlgId == kAlgAES256 ? 256 : 128;
  if (h.AlgId != 0 && named != h.KeySize) return 0;
  return h.KeySize;
}

}  // namespace

TXLSCryptoStandard::TXLSCryptoStandard(std::u16string password) : TXLSCrypto(std::move(password)) {}
TXLSCryptoStandard::~TXLSCryptoStandard() = default;

TXLSCryptoResult TXLSCryptoStandard::InitiateRead(std::span<const uint8_t> data) {
  if (data.size() < 4) return TXLSCryptoResult::xcrUnsupportedEncryption;
  const uint32_t headerSize = Get32(data.data());
  if (headerSize < kHeaderBytes || headerSize > data.size() - 4 ||
      data.size() - 4 - headerSize < kVerifierBytes)
    return TXLSCryptoResult::xcrUnsupportedEncryption;
  const uint8_t* h = data.data() + 4;
  FHeader = {Get32(h),      Get32(h + 4),  Get32(h + 8),  Get32(h + 12),
             Get32(h + 16), Get32(h + 20), Get32(h + 24), Get32(h + 28)};
  const uint8_t* v = data.data() + 4 + headerSize;
  FVerifier.SaltSize = Get32(v);
  std::memcpy(FVerifier.Salt.data(), v + 4, 16);
  std::memcpy(FVerifier.EncryptedVerifier.data(), v + 20, 16);
  FVerifier.VerifierHashSize = Get32(v + 36);
  std::memcpy(FVerifier.EncryptedVerifierHash.data(), v + 40, 32);
  FKeyBits = AesKeyBits(FHeader);
  if (!FKeyBits || FVerifier.SaltSize != 16) return TXLSCryptoResult::xcrUnsupportedEncryption;
  FSaltSize = 16;
  DeriveKey();
  return VerifyPassword() ? TXLSCryptoResult::xcrOk : TXLSCryptoResult::xcrWrongPassword;
}

void TXLSCryptoStandard::DeriveKey() {
  Sha1Context ctx;
  std::array<uint8_t, 20> hash;
  std::vector<uint8_t> b(FVerifier.Salt.begin(), FVerifier.Salt.begin() + FSaltSize);
  const std::vector<uint8_t> pw = PasswordBytes(FPassword);
  b.insert(b.end(), pw.begin(), pw.end());
  Sha1OfBuffer(ctx, b, hash);
  uint8_t round[24];
  for (uint32_t i = 0; i < 50000; ++i) {
    for (int k = 0; k < 4; ++k) round[k] = uint8_t(i >> (8 * k));
    std::memcpy(round + 4, hash.data(), 20);
    Sha1OfBuffer(ctx, round, hash);
  }
  std::memcpy(round, hash.data(), 20);
  std::memset(round + 20, 0, 4);  // block number 0
  Sha1OfBuffer(ctx, round, hash);
  // X1 from the 0x36 buffer, X2 from the 0x5C one; the key is the start of X1 X2.
  uint8_t pad[64];
  std::array<uint8_t, 20> x;
  for (int part = 0; part < 2; ++part) {
    std::memset(pad, part ? 0x5C : 0x36, sizeof pad);
    for (int k = 0; k < 20; ++k) pad[k] ^= hash[k];
    Sha1OfBuffer(ctx, pad, x);
    std::memcpy(FKey.data() + 20 * part, x.data(), part ? 12 : 20);
  }
  FCipher = std::make_unique<TAESECB>(std::span<const uint8_t>(FKey).first(FKeyBits / 8), FKeyBits);
}

bool TXLSCryptoStandard::VerifyPassword() const {
  std::array<uint8_t, 16> v;
  std::array<uint8_t, 32> w;
  FCipher->Decrypt(FVerifier.EncryptedVerifier, v);
  FCipher->Decrypt(FVerifier.EncryptedVerifierHash, w);
  Sha1Context ctx;
  std::array<uint8_t, 20> hash;
  Sha1OfBuffer(ctx, v, hash);
  return std::memcmp(hash.data(), w.data(), 16) == 0;
}

void TXLSCryptoStandard::MakeVerifier(std::span<const uint8_t, 16> verifier) {
  FCipher->Encrypt(verifier, FVerifier.EncryptedVerifier);
  Sha1Context ctx;
  std::array<uint8_t, 20> hash;
  Sha1OfBuffer(ctx, verifier, hash);
  std::array<uint8_t, 32> padded{};
  std::memcpy(padded.data(), hash.data(), 20);
  FCipher->Encrypt(padded, FVerifier.EncryptedVerifierHash);
  FVerifier.VerifierHashSize = 20;
}

void TXLSCryptoStandard::DecryptSegment(uint32_t, std::span<const uint8_t> in, std::span<uint8_t> out) {
  FCipher->Decrypt(in, out);
}

bool TXLSCryptoStandard::InitiateWrite(std::vector<uint8_t>& info) {
  FHeader = {kFlagsWritten, 0, kAlgAES128, kAlgSHA1, 128, kProvAES, 0, 0};
  FKeyBits = 128;
  FSaltSize = 16;
  FVerifier.SaltSize = 16;
  RandomBytes(FVerifier.Salt);
  std::array<uint8_t, 16> verifier;
  RandomBytes(verifier);
  DeriveKey();
  MakeVerifier(verifier);

  info.clear();
  info.insert(info.end(), {3, 0, 2, 0});
  Put32(info, kFlagsWritten);
  const size_t nameUnits = std::char_traits<char16_t>::length(kProviderName) + 1;  // with its zero
  Put32(info, uint32_t(kHeaderBytes + 2 * nameUnits));
  for (uint32_t f : {FHeader.Flags, FHeader.SizeExtra, FHeader.AlgId, FHeader.AlgIDHash, FHeader.KeySize,
                     FHeader.ProviderType, FHeader.Reserved1, FHeader.Reserved2})
    Put32(info, f);
  for (size_t i = 0; i < nameUnits; ++i)
    info.insert(info.end(), {uint8_t(kProviderName[i]), uint8_t(kProviderName[i] >> 8)});
  Put32(info, FVerifier.SaltSize);
  info.insert(info.end(), FVerifier.Salt.begin(), FVerifier.Salt.end());
  info.insert(info.end(), FVerifier.EncryptedVerifier.begin(), FVerifier.EncryptedVerifier.end());
  Put32(info, FVerifier.VerifierHashSize);
  info.insert(info.end(), FVerifier.EncryptedVerifierHash.begin(), FVerifier.EncryptedVerifierHash.end());
  return true;
}

bool TXLSCryptoStandard::EncryptDocument(std::span<const uint8_t> package, std::vector<uint8_t>& out) {
  if (!FCipher) return false;
  out.clear();
  Put32(out, uint32_t(package.size()));
  Put32(out, uint32_t(uint64_t(package.size()) >> 32));
  uint8_t chunk[kSegmentSize];
  for (size_t pos = 0; pos < package.size(); pos += kSegmentSize) {
    const size_t n = std::min(kSegmentSize, package.size() - pos);
    const size_t padded = (n + 15) / 16 * 16;
    std::memset(chunk, 0, padded);
    std::memcpy(chunk, package.data() + pos, n);
    const size_t at = out.size();
    out.resize(at + padded);
    FCipher->Encrypt(std::span<const uint8_t>(chunk, padded), std::span<uint8_t>(out.data() + at, padded));
  }
  return true;
}

}  // namespace xls
