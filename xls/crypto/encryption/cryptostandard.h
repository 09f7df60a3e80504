// Standard encryption ([MS-OFFCRYPTO] 2.3.4.5 to 2.3.4.9), "EncryptionInfo" versions 3.2 and 4.2:
// the package is encrypted with AES in ECB mode under a key derived from the password with
// SHA-1 (salt and password hashed, then 50,000 rounds over the round number and the hash, then
// block number 0, then the 0x36 / 0x5C expansion cut to the key size).
//
// Method data after the 8 bytes of version and flags:
//   HeaderSize (4), header (32: Flags, SizeExtra, AlgID, AlgIDHash, KeySize, ProviderType,
//   Reserved1, Reserved2), CSP name (HeaderSize - 32 bytes of UTF-16), then the verifier (72:
//   SaltSize, Salt[16], EncryptedVerifier[16], VerifierHashSize, EncryptedVerifierHash[32]).
//
// Every size is checked against the bytes present before it is used; a header that does not
// name AES with SHA-1, or a salt other than 16 bytes, is not supported. The password passes
// when the SHA-1 of the decrypted verifier agrees with the decrypted verifier hash in its first
// 16 bytes. The write side (version 3.2, AES-128) takes its salt and verifier from the system's
// random source; nothing in the program writes encrypted packages, tests use it.
#pragma once

#include <array>
#include <cstdint>

#include "xls/crypto/encryption/xlsencryption.h"

namespace xls {

class TAESECB;

struct TXLSRecEncHeader {
  uint32_t Flags = 0, SizeExtra = 0, AlgId = 0, AlgIDHash = 0, KeySize = 0, ProviderType = 0, Reserved1 = 0,
           Reserved2 = 0;
};

struct TXLSRecEncVerifier {
  uint32_t SaltSize = 0;
  std::array<uint8_t, 16> Salt{};
  std::array<uint8_t, 16> EncryptedVerifier{};
  uint32_t VerifierHashSize = 0;
  std::array<uint8_t, 32> EncryptedVerifierHash{};
};

class TXLSCryptoStandard : public TXLSCrypto {
 public:
  explicit TXLSCryptoStandard(std::u16string password);
  ~TXLSCryptoStandard() override;

  TXLSCryptoResult InitiateRead(std::span<const uint8_t> methodData) override;
  bool InitiateWrite(std::vector<uint8_t>& info) override;
  bool EncryptDocument(std::span<const uint8_t> package, std::vector<uint8_t>& out) override;

  // FKey from the password, FVerifier's salt and the key size of FHeader.
  void DeriveKey();
  bool VerifyPassword() const;
  // FVerifier's encrypted verifier and hash made from `verifier` under FKey.
  void MakeVerifier(std::span<const uint8_t, 16> verifier);

  const TXLSRecEncHeader& Header() const { return FHeader; }
  const TXLSRecEncVerifier& Verifier() const { return FVerifier; }
  std::span<const uint8_t> Key() const { return std::span<const uint8_t>(FKey).first(FKeyBits / 8); }

 protected:
  void DecryptSegment(uint32_t index, std::span<const uint8_t> in, std::span<uint8_t> out) override;

 private:
  TXLSRecEncHeader FHeader;
  TXLSRecEncVerifier FVerifier;
  std::array<uint8_t, 32> FKey{};
  unsigned FKeyBits = 128;
  std::unique_ptr<TAESECB> FCipher;  // made once the key is known
};

}  // namespace xls
