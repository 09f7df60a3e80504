#include "xls/crypto/aescipher.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "xls/crypto/shabuffer.h"

namespace xls {

// ---- TAES ----------------------------------------------------------------------------------

TAES::TAES() { std::memset(&Ctx, 0, sizeof Ctx); }

bool TAES::SetKey(std::span<const std::uint8_t> Key, unsigned aKeySize, bool forDecryption) {
  Initialized = false;
  if ((aKeySize != 128 && aKeySize != 192 && aKeySize != 256) || Key.size() < aKeySize / 8)
    return false;
  const std::uint8_t* k = Key.data();
  switch (aKeySize) {
    case 128:
      forDecryption ? aes128_set_decrypt_key(&Ctx.c128, k) : aes128_set_encrypt_key(&Ctx.c128, k);
      break;
    case 192:
      forDecryption ? aes192_set_decrypt_key(&Ctx.c192, k) : aes192_set_encrypt_key(&Ctx.c192, k);
      break;
    default:
      forDecryption ? aes256_set_decrypt_key(&Ctx.c256, k) : aes256_set_encrypt_key(&Ctx.c256, k);
      break;
  }
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

void TAES::Encrypt(const TAESBlock& BI, TAESBlock& BO) const {
  switch (KeySize) {
    case 128: aes128_encrypt(&Ctx.c128, 16, BO.data(), BI.data()); break;
    case 192: aes192_encrypt(&Ctx.c192, 16, BO.data(), BI.data()); break;
    default: aes256_encrypt(&Ctx.c256, 16, BO.data(), BI.data()); break;
  }
}

void TAES::Decrypt(const TAESBlock& BI, TAESBlock& BO) const {
  switch (KeySize) {
    case 128: aes128_decrypt(&Ctx.c128, 16, BO.data(), BI.data()); break;
    case 192: aes192_decrypt(&Ctx.c192, 16, BO.data(), BI.data()); break;
    default: aes256_decrypt(&Ctx.c256, 16, BO.data(), BI.data()); break;
  }
}

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
  const std::size_t whole = fCount - fCount % 16;
  const std::size_t rest = fCount - whole;
  if (rest == 0) return;
  InitAES(false);
  AES.Encrypt(fCV, fCV);
  for (std::size_t i = 0; i < rest; ++i) fOut[whole + i] = std::uint8_t(fIn[whole + i] ^ fCV[i]);
}

namespace {

// Runs `step` over each whole 16-byte block of the call. Each input block is copied out before
// its output is written, so the input and output may be the same buffer.
template <class Step>
void ForEachBlock(const std::uint8_t* in, std::uint8_t* out, std::size_t count, Step step) {
  for (std::size_t pos = 0; pos + 16 <= count; pos += 16) {
    TAESBlock block;
    std::memcpy(block.data(), in + pos, 16);
    TAESBlock result;
    step(block, result);
    std::memcpy(out + pos, result.data(), 16);
  }
}

void XorInto(TAESBlock& a, const TAESBlock& b) {
  for (std::size_t i = 0; i < 16; ++i) a[i] ^= b[i];
}

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
  ForEachBlock(fIn, fOut, fCount, [&](const TAESBlock& in, TAESBlock& out) {
    decrypt ? AES.Decrypt(in, out) : AES.Encrypt(in, out);
  });
  TrailingPart();
}

// ---- TAESCBC -------------------------------------------------------------------------------

TAESCBC::TAESCBC(std::span<const std::uint8_t> aKey, unsigned aKeySize)
    : TAESAbstractSyn("TAESCBC", aKey, aKeySize) {}

std::unique_ptr<TAESAbstract> TAESCBC::Clone() const { return SameKey(*this); }

void TAESCBC::Encrypt(std::span<const std::uint8_t> BufIn, std::span<std::uint8_t> BufOut) {
  SetUp(BufIn, BufOut, "Encrypt");
  InitAES(false);
  ForEachBlock(fIn, fOut, fCount, [&](TAESBlock in, TAESBlock& out) {
    XorInto(in, fCV);
    AES.Encrypt(in, out);
    fCV = out;
  });
  TrailingPart();
}

void TAESCBC::Decrypt(std::span<const std::uint8_t> BufIn, std::span<std::uint8_t> BufOut) {
  SetUp(BufIn, BufOut, "Decrypt");
  if (fCount >= 16) {
    InitAES(true);
    ForEachBlock(fIn, fOut, fCount, [&](const TAESBlock& in, TAESBlock& out) {
      AES.Decrypt(in, out);
      XorInto(out, fCV);
      fCV = in;
    });
  }
  TrailingPart();
}

}  // namespace xls
