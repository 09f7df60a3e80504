#include "xls/crypto/aescipher.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <nettle/cbc.h>

#include "xls/crypto/shabuffer.h"

namespace xls {

// ---- TAES ----------------------------------------------------------------------------------

TAES::TAES() { std::memset(&Ctx, 0, sizeof Ctx); }

TAES::~TAES() {
  std::memset(&Ctx, 0, sizeof Ctx);
  FKey.fill(0);
}

bool TAES::SetKey(std::span<const std::uint8_t> Key, unsigned aKeySize, bool forDecryption) {
  // A schedule already made from the same key for the same direction is kept: the cipher objects
  // initialise once per call, and expanding a decryption key costs more than a 4096-byte chunk's
  // worth of comparisons.
  if (Initialized && FDecrypts == forDecryption && KeySize == aKeySize && Key.size() >= aKeySize / 8 &&
      std::equal(Key.begin(), Key.begin() + aKeySize / 8, FKey.begin()))
    return true;
  Initialized = false;
  FCipher = nullptr;
  switch (aKeySize) {
    case 128: FCipher = &nettle_aes128; break;
    case 192: FCipher = &nettle_aes192; break;
    case 256: FCipher = &nettle_aes256; break;
    default: return false;
  }
  if (Key.size() < aKeySize / 8) {
    FCipher = nullptr;
    return false;
  }
  std::copy_n(Key.begin(), aKeySize / 8, FKey.begin());
  (forDecryption ? FCipher->set_decrypt_key : FCipher->set_encrypt_key)(&Ctx, FKey.data());
  FDecrypts = forDecryption;
  KeySize = aKeySize;
  Rounds = aKeySize / 32 + 6;
  Initialized = true;
  return true;
}

bool TAES::EncryptInit(std::span<const std::uint8_t> Key, unsigned aKeySize) {
  return SetKey(Key, aKeySize, false);
}

bool TAES::DecryptInit(std::span<const std::uint8_t> Key, unsigned aKeySize) {
  return SetKey(Key, aKeySize, true);
}

nettle_cipher_func* TAES::BlockFunction() const {
  if (!Initialized) return nullptr;
  return FDecrypts ? FCipher->decrypt : FCipher->encrypt;
}

void TAES::Run(const TAESBlock& BI, TAESBlock& BO, bool decrypt) const {
  if (!Initialized || FDecrypts != decrypt) throw ESynCrypto("AES engine initialization failure");
  BlockFunction()(&Ctx, 16, BO.data(), BI.data());
}

void TAES::Encrypt(const TAESBlock& BI, TAESBlock& BO) const { Run(BI, BO, false); }

void TAES::Decrypt(const TAESBlock& BI, TAESBlock& BO) const { Run(BI, BO, true); }

// ---- TAESAbstract --------------------------------------------------------------------------

TAESAbstract::TAESAbstract(const char* aClassName, std::span<const std::uint8_t> aKey,
                           unsigned aKeySize) {
  if (aKeySize != 128 && aKeySize != 192 && aKeySize != 256)
    throw ESynCrypto(std::string(aClassName) + ".Create key size = " + std::to_string(aKeySize) +
                     "; should be either 128, 192 or 256");
  if (aKey.size() < aKeySize / 8)
    throw ESynCrypto(std::string(aClassName) + ".Create key of " + std::to_string(aKey.size()) +
                     " bytes is shorter than key size = " + std::to_string(aKeySize));
  fKeySize = aKeySize;
  fKeySizeBytes = aKeySize / 8;
  std::copy_n(aKey.begin(), fKeySizeBytes, fKey.begin());
}

TAESAbstract::~TAESAbstract() { std::fill(fKey.begin(), fKey.end(), 0); }

TAESKey TAESAbstract::Sha256Key(std::string_view aKey) {
  std::vector<std::uint8_t> text(aKey.begin(), aKey.end());
  if (text.size() < 256) text.resize(256, std::uint8_t(aKey.size()));
  Sha256Context context;
  TAESKey key{};
  Sha256OfBuffer(context, text, key);
  return key;
}

// ---- TAESAbstractSyn -----------------------------------------------------------------------

void TAESAbstractSyn::SetUp(std::span<const std::uint8_t> BufIn, std::span<std::uint8_t> BufOut,
                            const char* operation) {
  if (BufOut.size() < BufIn.size())
    throw ESynCrypto(std::string(ClassName()) + "." + operation + " output of " +
                     std::to_string(BufOut.size()) + " bytes is shorter than the input of " +
                     std::to_string(BufIn.size()));
  fIn = BufIn.data();
  fOut = BufOut.data();
  fCount = BufIn.size();
  fCV = fIV;
}

void TAESAbstractSyn::Encrypt(std::span<const std::uint8_t> BufIn, std::span<std::uint8_t> BufOut) {
  SetUp(BufIn, BufOut, "Encrypt");
}

void TAESAbstractSyn::Decrypt(std::span<const std::uint8_t> BufIn, std::span<std::uint8_t> BufOut) {
  SetUp(BufIn, BufOut, "Decrypt");
}

void TAESAbstractSyn::InitAES(bool forDecryption) {
  const bool ok = forDecryption ? AES.DecryptInit(fKey, fKeySize) : AES.EncryptInit(fKey, fKeySize);
  if (!ok) throw ESynCrypto("AES engine initialization failure");
}

void TAESAbstractSyn::TrailingPart() {
  const std::size_t whole = WholeBlocks();
  const std::size_t rest = fCount - whole;
  if (rest == 0) return;
  InitAES(false);
  AES.Encrypt(fCV, fCV);
  for (std::size_t i = 0; i < rest; ++i) fOut[whole + i] = std::uint8_t(fIn[whole + i] ^ fCV[i]);
}

namespace {

template <class T>
std::unique_ptr<TAESAbstract> SameKey(const T& cipher) {
  return std::make_unique<T>(std::span(cipher.fKey.data(), cipher.fKeySizeBytes), cipher.fKeySize);
}

}  // namespace

// ---- TAESECB -------------------------------------------------------------------------------

TAESECB::TAESECB(std::span<const std::uint8_t> aKey, unsigned aKeySize)
    : TAESAbstractSyn("TAESECB", aKey, aKeySize) {}

std::unique_ptr<TAESAbstract> TAESECB::Clone() const { return SameKey(*this); }

void TAESECB::Encrypt(std::span<const std::uint8_t> BufIn, std::span<std::uint8_t> BufOut) {
  Blocks(BufIn, BufOut, false);
}

void TAESECB::Decrypt(std::span<const std::uint8_t> BufIn, std::span<std::uint8_t> BufOut) {
  Blocks(BufIn, BufOut, true);
}

void TAESECB::Blocks(std::span<const std::uint8_t> BufIn, std::span<std::uint8_t> BufOut,
                     bool decrypt) {
  SetUp(BufIn, BufOut, decrypt ? "Decrypt" : "Encrypt");
  InitAES(decrypt);
  // nettle runs the whole blocks in one call; source and destination may be the same buffer.
  AES.BlockFunction()(AES.ScheduleData(), WholeBlocks(), fOut, fIn);
  TrailingPart();
}

// ---- TAESCBC -------------------------------------------------------------------------------

TAESCBC::TAESCBC(std::span<const std::uint8_t> aKey, unsigned aKeySize)
    : TAESAbstractSyn("TAESCBC", aKey, aKeySize) {}

std::unique_ptr<TAESAbstract> TAESCBC::Clone() const { return SameKey(*this); }

void TAESCBC::Encrypt(std::span<const std::uint8_t> BufIn, std::span<std::uint8_t> BufOut) {
  SetUp(BufIn, BufOut, "Encrypt");
  InitAES(false);
  // nettle leaves the last ciphertext block in fCV, which the trailing part then uses.
  cbc_encrypt(AES.ScheduleData(), AES.BlockFunction(), 16, fCV.data(), WholeBlocks(), fOut, fIn);
  TrailingPart();
}

void TAESCBC::Decrypt(std::span<const std::uint8_t> BufIn, std::span<std::uint8_t> BufOut) {
  SetUp(BufIn, BufOut, "Decrypt");
  if (fCount >= 16) {
    InitAES(true);
    cbc_decrypt(AES.ScheduleData(), AES.BlockFunction(), 16, fCV.data(), WholeBlocks(), fOut, fIn);
  }
  TrailingPart();
}

}  // namespace xls
