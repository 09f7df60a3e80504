// AES (FIPS 197) in ECB and CBC mode for encrypted workbook packages.
//
// Standard package encryption decrypts with AES-128 in ECB mode, agile encryption with AES in
// CBC mode, one cipher object per key (and per 4096-byte segment). A call may cover a length that
// is not a whole number of 16-byte blocks: after the whole blocks, the chaining value (the IV in
// ECB mode; in CBC mode the last ciphertext block of the call, or the IV when there was none) is
// encrypted once and the trailing bytes are XORed with it, in both directions. So the output
// always has exactly as many bytes as the input, and a trailing part round-trips. Every call
// starts again from `fIV`.
//
// The block cipher and the chaining of whole blocks are nettle's (it uses the processor's AES
// instructions where it finds them); the trailing-part rule is ours. A key schedule is kept while
// the key and direction stay the same, so a run of calls does not expand the key each time.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include <nettle/aes.h>
#include <nettle/nettle-meta.h>

namespace xls {

using TAESBlock = std::array<std::uint8_t, 16>;
using TAESKey = std::array<std::uint8_t, 32>;

class ESynCrypto : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One AES key schedule for one direction.
struct TAES {
  TAES();
  ~TAES();
  TAES(const TAES&) = default;
  TAES& operator=(const TAES&) = default;

  // False (and Initialized false) for a KeySize other than 128, 192 or 256 bits, or a Key that
  // holds fewer than KeySize / 8 bytes; else expands the key for encryption.
  bool EncryptInit(std::span<const std::uint8_t> Key, unsigned KeySize);
  // The same, expanded for decryption.
  bool DecryptInit(std::span<const std::uint8_t> Key, unsigned KeySize);
  // One block each; BI and BO may be the same block. Encrypt needs a schedule made by
  // EncryptInit, Decrypt one made by DecryptInit; otherwise they raise ESynCrypto "AES engine
  // initialization failure".
  void Encrypt(const TAESBlock& BI, TAESBlock& BO) const;
  void Decrypt(const TAESBlock& BI, TAESBlock& BO) const;

  // The block function of the schedule (encryption or decryption, as initialised) and the
  // schedule itself, for nettle's mode routines; the function is null before initialisation.
  nettle_cipher_func* BlockFunction() const;
  const void* ScheduleData() const { return &Ctx; }

  union Schedule {
    aes128_ctx c128;
    aes192_ctx c192;
    aes256_ctx c256;
  } Ctx;
  unsigned Rounds = 0;   // 10, 12 or 14
  unsigned KeySize = 0;  // in bits
  bool Initialized = false;

 private:
  bool SetKey(std::span<const std::uint8_t> Key, unsigned KeySize, bool forDecryption);
  void Run(const TAESBlock& BI, TAESBlock& BO, bool decrypt) const;

  TAESKey FKey{};  // the key bytes the schedule was made from
  const nettle_cipher* FCipher = nullptr;
  bool FDecrypts = false;
};

// A cipher object: key, key size and IV, with encryption and decryption of byte runs.
class TAESAbstract {
 public:
  virtual ~TAESAbstract();
  TAESAbstract(const TAESAbstract&) = delete;
  TAESAbstract& operator=(const TAESAbstract&) = delete;

  // A new object of the same class with the same key (the IV starts at zero).
  virtual std::unique_ptr<TAESAbstract> Clone() const = 0;
  // BufIn and BufOut may be the same buffer (or must not overlap otherwise). BufOut must hold at
  // least as many bytes as BufIn; a shorter one raises ESynCrypto.
  virtual void Encrypt(std::span<const std::uint8_t> BufIn, std::span<std::uint8_t> BufOut) = 0;
  virtual void Decrypt(std::span<const std::uint8_t> BufIn, std::span<std::uint8_t> BufOut) = 0;
  virtual const char* ClassName() const = 0;

  // An object of class T with a 256-bit key: the SHA-256 digest of the key text, the text first
  // extended to 256 bytes with bytes whose value is the text's length when it is shorter.
  template <class T>
  static std::unique_ptr<T> CreateFromSha256(std::string_view aKey) {
    const TAESKey key = Sha256Key(aKey);
    return std::make_unique<T>(key, 256);
  }

  std::uint32_t fKeySize = 0;       // in bits
  std::uint32_t fKeySizeBytes = 0;  // fKeySize / 8
  TAESKey fKey{};
  TAESBlock fIV{};  // zero after creation; set it before a CBC call

 protected:
  // aKeySize must be 128, 192 or 256 and aKey must hold aKeySize / 8 bytes; otherwise raises
  // ESynCrypto "<class>.Create key size = <size>; should be either 128, 192 or 256".
  TAESAbstract(const char* aClassName, std::span<const std::uint8_t> aKey, unsigned aKeySize);

 private:
  static TAESKey Sha256Key(std::string_view aKey);
};

// The running state of one call shared by both modes.
class TAESAbstractSyn : public TAESAbstract {
 public:
  // These only set up the call: fIn, fOut, fCount from the arguments and fCV := fIV.
  void Encrypt(std::span<const std::uint8_t> BufIn, std::span<std::uint8_t> BufOut) override;
  void Decrypt(std::span<const std::uint8_t> BufIn, std::span<std::uint8_t> BufOut) override;

 protected:
  using TAESAbstract::TAESAbstract;

  void SetUp(std::span<const std::uint8_t> BufIn, std::span<std::uint8_t> BufOut,
             const char* operation);
  // Initialises AES for one direction; raises "AES engine initialization failure" on failure.
  void InitAES(bool forDecryption);
  // The bytes after the whole blocks: XOR with the encryption of fCV.
  void TrailingPart();
  // Bytes of the call that form whole 16-byte blocks.
  std::size_t WholeBlocks() const { return fCount - fCount % 16; }

  const std::uint8_t* fIn = nullptr;
  std::uint8_t* fOut = nullptr;
  TAES AES;
  std::size_t fCount = 0;
  TAESBlock fCV{};
};

class TAESECB : public TAESAbstractSyn {
 public:
  TAESECB(std::span<const std::uint8_t> aKey, unsigned aKeySize);
  std::unique_ptr<TAESAbstract> Clone() const override;
  void Encrypt(std::span<const std::uint8_t> BufIn, std::span<std::uint8_t> BufOut) override;
  void Decrypt(std::span<const std::uint8_t> BufIn, std::span<std::uint8_t> BufOut) override;
  const char* ClassName() const override { return "TAESECB"; }

 private:
  // Each whole block on its own, then the trailing part.
  void Blocks(std::span<const std::uint8_t> BufIn, std::span<std::uint8_t> BufOut, bool decrypt);
};

class TAESCBC : public TAESAbstractSyn {
 public:
  TAESCBC(std::span<const std::uint8_t> aKey, unsigned aKeySize);
  std::unique_ptr<TAESAbstract> Clone() const override;
  void Encrypt(std::span<const std::uint8_t> BufIn, std::span<std::uint8_t> BufOut) override;
  void Decrypt(std::span<const std::uint8_t> BufIn, std::span<std::uint8_t> BufOut) override;
  const char* ClassName() const override { return "TAESCBC"; }
};

}  // namespace xls
