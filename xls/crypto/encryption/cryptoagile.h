// Agile encryption ([MS-OFFCRYPTO] 2.3.4.10 to 2.3.4.15), "EncryptionInfo" version 4.4: the
// method data is an XML encryption descriptor (UTF-8). The package is encrypted with AES-CBC in
// segments of 4096 bytes under a random data key; segment i has the IV H(keyData salt ‖ i as
// 32-bit little-endian) cut to 16 bytes. The data key is stored encrypted under a key derived
// from the password: H0 = H(salt ‖ password), Hn = H(n-1 as 32-bit little-endian ‖ Hn-1) for
// spinCount rounds, then per value H(Hfinal ‖ block key) cut (or filled with 0x36) to keyBits,
// with the key encryptor's salt as IV.
//
// What is read: keyData's saltValue (and its hash and key size, which must agree with the key
// encryptor's), and of the key encryptor whose uri names the password key encryptor: saltSize,
// saltValue, spinCount, keyBits, hashSize, cipherAlgorithm, cipherChaining, hashAlgorithm and
// the three encrypted values. The method takes AES-CBC with 128, 192 or 256-bit keys and SHA-1
// or SHA-512 with their own hash sizes; anything else, a spinCount outside 0..10,000,000 or a
// salt outside 1..64 bytes is not supported, so no buffer is sized by a number of the file.
// The password passes when the hash of the decrypted verifier input agrees with the decrypted
// verifier hash value in its first 16 bytes.
#pragma once

#include <memory>

#include "xls/crypto/encryption/xlsencryption.h"

namespace xls {

class TAESCBC;

enum class TXLSCryptoCiper : uint8_t { xccAESECB, xccAESCBC };
enum class TXLSCryptoHash : uint8_t { xchSHA1, xchSHA512 };

class TXLSCryptoAgile : public TXLSCrypto {
 public:
  // The three block keys of a password key encryptor.
  static constexpr uint8_t kBlockVerifierInput[8] = {0xfe, 0xa7, 0xd2, 0x76, 0x3b, 0x4b, 0x9e, 0x79};
  static constexpr uint8_t kBlockVerifierValue[8] = {0xd7, 0xaa, 0x0f, 0x6d, 0x30, 0x61, 0x34, 0x4e};
  static constexpr uint8_t kBlockKeyValue[8] = {0x14, 0x6e, 0x0b, 0xe7, 0xab, 0xac, 0xd0, 0xd6};
  static constexpr int32_t kMaxSpinCount = 10000000;

  explicit TXLSCryptoAgile(std::u16string password);
  ~TXLSCryptoAgile() override;

  TXLSCryptoResult InitiateRead(std::span<const uint8_t> methodData) override;
  bool InitiateWrite(std::vector<uint8_t>&) override { return false; }
  bool EncryptDocument(std::span<const uint8_t>, std::vector<uint8_t>&) override { return false; }

  // Reads the descriptor; false when it is unusable (see the top of this file).
  bool ParseEncryptionInfo(std::span<const uint8_t> descriptor);
  // The iterated password hash.
  TXLSVector HashPassword(std::u16string_view password) const;
  // Decrypts `input` under the key derived from the password hash and a block key.
  TXLSVector DecryptWithBlockKey(std::span<const uint8_t, 8> blockKey, const TXLSVector& hash,
                                 const TXLSVector& input) const;
  // On a pass FKey holds the data key.
  bool VerifyPassword(std::u16string_view password);
  // The digest of `data` with the method's hash (20 or 64 bytes).
  TXLSVector HashBytes(std::span<const uint8_t> data) const;
  // The IV of package segment `index`.
  TXLSVector SegmentIV(uint32_t index) const;

  int32_t SpinCount() const { return FSpinCount; }
  int32_t KeyBits() const { return FKeyBits; }
  TXLSCryptoHash HashAlgorithm() const { return FHashAlgorithm; }
  const TXLSVector& Key() const { return FKey; }

 protected:
  void DecryptSegment(uint32_t index, std::span<const uint8_t> in, std::span<uint8_t> out) override;

 private:
  int32_t FSpinCount = 100000;
  int32_t FBlockSize = 16;
  int32_t FKeyBits = 256;
  int32_t FHashSize = 64;
  TXLSCryptoCiper FCipherAlgorithm = TXLSCryptoCiper::xccAESECB;
  TXLSCryptoHash FHashAlgorithm = TXLSCryptoHash::xchSHA1;
  TXLSVector FKeyDataSalt;
  TXLSVector FSaltValue{16};
  TXLSVector FEncryptedVerifierHashInput{16};
  TXLSVector FEncryptedVerifierHashValue{32};
  TXLSVector FEncryptedKeyValue{32};
  TXLSVector FKey;
  std::unique_ptr<TAESCBC> FCipher;  // the data key's cipher, once the password passed
};

}  // namespace xls
