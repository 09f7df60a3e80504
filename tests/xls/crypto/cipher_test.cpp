// RC4 against RFC 6229 and the classic examples, AES in ECB and CBC against FIPS 197 and
// SP 800-38A, and the rule for a trailing part shorter than a block.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tests/xls/crypto/hex.h"
#include "xls/crypto/aescipher.h"
#include "xls/crypto/rc4.h"

namespace xls {
namespace {

using test::Bytes;
using test::Hex;
using test::ToHex;

template <class F>
std::string MessageOf(F call) {
  try {
    call();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "(no exception)";
}

// ---- RC4 -----------------------------------------------------------------------------------

std::vector<std::uint8_t> Keystream(std::span<const std::uint8_t> key, std::size_t length) {
  TRC4Key state;
  RC4Init(key, state);
  std::vector<std::uint8_t> out(length);
  RC4Crypt(out, state);
  return out;
}

TEST(RC4, Rfc6229Keystreams) {
  struct Row {
    const char* key;
    std::size_t offset;
    const char* stream;
  };
  const Row rows[] = {
      {"0102030405", 0, "b2396305f03dc027ccc3524a0a1118a8"},
      {"0102030405", 16, "6982944f18fc82d589c403a47a0d0919"},
      {"0102030405", 240, "28cb1132c96ce286421dcaadb8b69eae"},
      {"0102030405", 256, "1cfcf62b03eddb641d77dfcf7f8d8c93"},
      {"0102030405", 1008, "45129048e6a0ed0b56b490338f078da5"},
      {"0102030405", 1024, "30abbcc7c20b01609f23ee2d5f6bb7df"},
      {"0102030405", 4096, "ff25b58995996707e51fbdf08b34d875"},
      {"0102030405060708090a0b0c0d0e0f10", 0, "9ac7cc9a609d1ef7b2932899cde41b97"},
      {"0102030405060708090a0b0c0d0e0f10", 16, "5248c4959014126a6e8a84f11d1a9e1c"},
      {"0102030405060708090a0b0c0d0e0f10", 1024, "bdf0324e6083dcc6d3cedd3ca8c53c16"},
      {"0102030405060708090a0b0c0d0e0f10", 4096, "a36a4c301ae8ac13610ccbc12256cacc"},
  };
  for (const Row& r : rows) {
    const std::vector<std::uint8_t> stream = Keystream(Hex(r.key), r.offset + 16);
    EXPECT_EQ(ToHex(std::span(stream).subspan(r.offset)), r.stream) << r.key << " @" << r.offset;
  }
}

TEST(RC4, ClassicExamples) {
  struct Row {
    const char* key;
    const char* plain;
    const char* cipher;
  };
  const Row rows[] = {{"Key", "Plaintext", "bbf316e8d940af0ad3"},
                      {"Wiki", "pedia", "1021bf0420"},
                      {"Secret", "Attack at dawn", "45a01f645fc35b383552544b9bf5"}};
  for (const Row& r : rows) {
    TRC4Key state;
    RC4Init(Bytes(r.key), state);
    std::string text = r.plain;
    RC4Crypt(reinterpret_cast<std::uint8_t*>(text.data()), std::int64_t(text.size()), state);
    EXPECT_EQ(ToHex(Bytes(text)), r.cipher) << r.key;
  }
}

TEST(RC4, SplitCallsAdvanceLikeOneCall) {
  const std::vector<std::uint8_t> key = Hex("0102030405060708090a0b0c0d0e0f10");
  const std::vector<std::uint8_t> whole = Keystream(key, 3000);
  for (std::size_t split : {0, 1, 15, 256, 1023, 1024, 2999, 3000}) {
    TRC4Key state;
    RC4Init(key, state);
    std::vector<std::uint8_t> out(3000);
    RC4Crypt(std::span(out).first(split), state);
    RC4Crypt(std::span(out).subspan(split), state);
    EXPECT_EQ(out, whole) << "split at " << split;
  }
  // What the buffer holds does not matter: a scratch buffer of junk advances the same.
  TRC4Key state;
  RC4Init(key, state);
  std::vector<std::uint8_t> junk(1000, 0x5A);
  RC4Crypt(junk, state);
  std::vector<std::uint8_t> rest(2000);
  RC4Crypt(rest, state);
  EXPECT_EQ(rest, std::vector<std::uint8_t>(whole.begin() + 1000, whole.end()));
}

TEST(RC4, NonPositiveLengthDoesNothing) {
  TRC4Key state;
  RC4Init(Bytes("Key"), state);
  const TRC4Key before = state;
  std::uint8_t byte = 0x42;
  RC4Crypt(&byte, 0, state);
  RC4Crypt(&byte, -7, state);
  RC4Crypt(nullptr, -1, state);
  EXPECT_EQ(byte, 0x42);
  EXPECT_EQ(std::memcmp(&state, &before, sizeof state), 0);
}

TEST(RC4Init, KeyBytesRepeatAcrossTheSchedule) {
  // A 5-byte key and the same 5 bytes written twice give the same permutation: the schedule
  // takes key byte i mod KeyLen.
  const std::vector<std::uint8_t> key = Hex("0102030405");
  const std::vector<std::uint8_t> twice = Hex("01020304050102030405");
  TRC4Key a, b;
  RC4Init(key, a);
  RC4Init(twice, b);
  EXPECT_EQ(std::memcmp(a.Ctx.S, b.Ctx.S, 256), 0);
  EXPECT_EQ(a.Ctx.i, 0);
  EXPECT_EQ(a.Ctx.j, 0);
  // Bytes past the 256th take no part.
  std::vector<std::uint8_t> longKey(300, 7);
  longKey[280] = 99;
  EXPECT_EQ(Keystream(longKey, 32), Keystream(std::span(longKey).first(256), 32));
}

TEST(RC4Init, RekeyingRestartsTheStream) {
  const std::vector<std::uint8_t> key = Hex("0102030405");
  TRC4Key state;
  RC4Init(key, state);
  std::vector<std::uint8_t> skipped(777);
  RC4Crypt(skipped, state);
  RC4Init(key, state);
  std::vector<std::uint8_t> out(16);
  RC4Crypt(out, state);
  EXPECT_EQ(ToHex(out), "b2396305f03dc027ccc3524a0a1118a8");
}

TEST(RC4Init, EmptyKeyIsRefused) {
  TRC4Key state;
  EXPECT_EQ(MessageOf([&] { RC4Init({}, state); }), "RC4 key is empty");
}

// ---- AES -----------------------------------------------------------------------------------

// SP 800-38A, appendix F: the four plaintext blocks and, per key, ECB and CBC ciphertexts.
const std::vector<std::uint8_t> kPlain = Hex(
    "6bc1bee22e409f96e93d7e117393172a ae2d8a571e03ac9c9eb76fac45af8e51"
    "30c81c46a35ce411e5fbc1191a0a52ef f69f2445df4f9b17ad2b417be66c3710");
const std::vector<std::uint8_t> kIv = Hex("000102030405060708090a0b0c0d0e0f");

struct Sp80038a {
  unsigned bits;
  const char* key;
  const char* ecb;
  const char* cbc;
};
const Sp80038a kSp80038a[] = {
    {128, "2b7e151628aed2a6abf7158809cf4f3c",
     "3ad77bb40d7a3660a89ecaf32466ef97 f5d3d58503b9699de785895a96fdbaaf"
     "43b1cd7f598ece23881b00e3ed030688 7b0c785e27e8ad3f8223207104725dd4",
     "7649abac8119b246cee98e9b12e9197d 5086cb9b507219ee95db113a917678b2"
     "73bed6b8e3c1743b7116e69e22229516 3ff1caa1681fac09120eca307586e1a7"},
    {192, "8e73b0f7da0e6452c810f32b809079e562f8ead2522c6b7b",
     "bd334f1d6e45f25ff712a214571fa5cc 974104846d0ad3ad7734ecb3ecee4eef"
     "ef7afd2270e2e60adce0ba2face6444e 9a4b41ba738d6c72fb16691603c18e0e",
     "4f021db243bc633d7178183a9fa071e8 b4d9ada9ad7dedf4e5e738763f69145a"
     "571b242012fb7ae07fa9baac3df102e0 08b0e27988598881d920a9e64f5615cd"},
    {256, "603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4",
     "f3eed1bdb5d2a03c064b5a7e3db181f8 591ccb10d410ed26dc5ba74a31362870"
     "b6ed21b99ca6f4f9f153e7b1beafed1d 23304b7a39f9f3ff067d8d8f9e24ecc7",
     "f58c4c04d6e5f1ba779eabfb5f7bfbd6 9cfc4e967edb808d679f777bc6702c7d"
     "39f23369a9d9bacfa530e26304231461 b2eb05e2c39be9fcda6c19078c6a9d1b"},
};

std::vector<std::uint8_t> Crypt(TAESAbstract& cipher, bool encrypt, std::span<const std::uint8_t> in) {
  std::vector<std::uint8_t> out(in.size());
  if (encrypt)
    cipher.Encrypt(in, out);
  else
    cipher.Decrypt(in, out);
  return out;
}

TEST(AesEcb, Fips197AndSp80038aVectors) {
  // FIPS 197, appendix C: one block under keys of 128, 192 and 256 bits.
  const std::vector<std::uint8_t> plain = Hex("00112233445566778899aabbccddeeff");
  const std::vector<std::uint8_t> key = Hex(
      "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
  const std::pair<unsigned, const char*> fips[] = {{128, "69c4e0d86a7b0430d8cdb78070b4c55a"},
                                                   {192, "dda97ca4864cdfe06eaf70a0ec0d7191"},
                                                   {256, "8ea2b7ca516745bfeafc49904b496089"}};
  for (const auto& [bits, cipherText] : fips) {
    TAESECB ecb(std::span<const std::uint8_t>(key).first(bits / 8), bits);
    const std::vector<std::uint8_t> encrypted = Crypt(ecb, true, plain);
    EXPECT_EQ(ToHex(encrypted), cipherText) << bits;
    EXPECT_EQ(Crypt(ecb, false, encrypted), plain) << bits;
  }
  for (const Sp80038a& v : kSp80038a) {
    TAESECB ecb(Hex(v.key), v.bits);
    EXPECT_EQ(Crypt(ecb, true, kPlain), Hex(v.ecb)) << v.bits;
    EXPECT_EQ(Crypt(ecb, false, Hex(v.ecb)), kPlain) << v.bits;
  }
}

TEST(AesCbc, Sp80038aVectorsAndEveryCallRestartsFromTheIv) {
  for (const Sp80038a& v : kSp80038a) {
    TAESCBC cbc(Hex(v.key), v.bits);
    std::copy(kIv.begin(), kIv.end(), cbc.fIV.begin());
    EXPECT_EQ(Crypt(cbc, true, kPlain), Hex(v.cbc)) << v.bits;
    EXPECT_EQ(Crypt(cbc, true, kPlain), Hex(v.cbc)) << v.bits << " second call";
    EXPECT_EQ(Crypt(cbc, false, Hex(v.cbc)), kPlain) << v.bits;
    // In place, as the package reader decrypts its segments.
    std::vector<std::uint8_t> buffer = Hex(v.cbc);
    cbc.Decrypt(buffer, buffer);
    EXPECT_EQ(buffer, kPlain) << v.bits << " in place";
  }
}

TEST(AesTrailingPart, CbcDecryptOfTwentyBytes) {
  // One whole block in CBC, then 4 bytes XORed with the encryption of that ciphertext block.
  // AES-128(key, 7649abac...) = f6f577ca d4e5bf29..., so 5086cb9b becomes a673bc51.
  TAESCBC cbc(Hex(kSp80038a[0].key), 128);
  std::copy(kIv.begin(), kIv.end(), cbc.fIV.begin());
  const std::vector<std::uint8_t> in = Hex("7649abac8119b246cee98e9b12e9197d 5086cb9b");
  EXPECT_EQ(ToHex(Crypt(cbc, false, in)), "6bc1bee22e409f96e93d7e117393172a" "a673bc51");
}

TEST(AesTrailingPart, CbcDecryptWithoutWholeBlockUsesTheIv) {
  // With no whole block the bytes are XORed with the encryption of the IV: that is CFB-128,
  // so the first 8 bytes of SP 800-38A's CFB128-AES128 ciphertext give back the plaintext.
  TAESCBC cbc(Hex(kSp80038a[0].key), 128);
  std::copy(kIv.begin(), kIv.end(), cbc.fIV.begin());
  EXPECT_EQ(ToHex(Crypt(cbc, false, Hex("3b3fd92eb72dad20"))), "6bc1bee22e409f96");
  EXPECT_EQ(ToHex(Crypt(cbc, true, Hex("6bc1bee22e409f96"))), "3b3fd92eb72dad20");
}

TEST(AesTrailingPart, EcbUsesItsIvAllZeroUnlessSet) {
  TAESECB ecb(Hex(kSp80038a[0].key), 128);
  // AES-128(key, 0) = 7df76b0c1ab899b3...: the trailing bytes of zeros show it.
  const std::vector<std::uint8_t> zeros(16 + 8, 0);
  const std::vector<std::uint8_t> out = Crypt(ecb, false, zeros);
  EXPECT_EQ(ToHex(std::span(out).subspan(16)), "7df76b0c1ab899b3");
  std::copy(kIv.begin(), kIv.end(), ecb.fIV.begin());
  EXPECT_EQ(ToHex(Crypt(ecb, true, Hex("6bc1bee22e409f96"))), "3b3fd92eb72dad20");
}

TEST(AesTrailingPart, EveryLengthRoundTripsInBothModes) {
  std::vector<std::uint8_t> data(70);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = std::uint8_t(i * 37 + 1);
  const std::vector<std::uint8_t> key = Hex(kSp80038a[2].key);
  std::vector<std::unique_ptr<TAESAbstract>> ciphers;
  ciphers.push_back(std::make_unique<TAESECB>(key, 256));
  ciphers.push_back(std::make_unique<TAESCBC>(key, 256));
  for (auto& cipher : ciphers) {
    cipher->Encrypt({}, {});  // nothing in, nothing out
    std::copy(kIv.begin(), kIv.end(), cipher->fIV.begin());
    for (std::size_t n = 0; n <= data.size(); ++n) {
      const std::span<const std::uint8_t> in = std::span(data).first(n);
      const std::vector<std::uint8_t> encrypted = Crypt(*cipher, true, in);
      ASSERT_EQ(encrypted.size(), n);
      if (n > 0) {
        EXPECT_NE(ToHex(encrypted), ToHex(in)) << cipher->ClassName() << ' ' << n;
      }
      std::vector<std::uint8_t> buffer = encrypted;
      cipher->Decrypt(buffer, buffer);
      EXPECT_EQ(buffer, std::vector<std::uint8_t>(in.begin(), in.end())) << cipher->ClassName() << ' ' << n;
    }
  }
}

TEST(AesCall, KeyChangedBetweenCallsIsUsed) {
  // The key schedule is kept between calls only while the key bytes stay the same.
  TAESECB ecb(Hex(kSp80038a[0].key), 128);
  const std::vector<std::uint8_t> block = std::vector<std::uint8_t>(kPlain.begin(), kPlain.begin() + 16);
  const std::vector<std::uint8_t> tail = Hex("7649abac8119b246cee98e9b12e9197d 5086cb9b");
  const std::vector<std::uint8_t> first = Crypt(ecb, false, tail);
  EXPECT_EQ(Crypt(ecb, false, tail), first);  // decrypt, trailing part encrypts, decrypt again
  EXPECT_EQ(ToHex(Crypt(ecb, true, block)), "3ad77bb40d7a3660a89ecaf32466ef97");
  const std::vector<std::uint8_t> fips = Hex("000102030405060708090a0b0c0d0e0f");
  std::copy(fips.begin(), fips.end(), ecb.fKey.begin());
  EXPECT_EQ(ToHex(Crypt(ecb, true, Hex("00112233445566778899aabbccddeeff"))),
            "69c4e0d86a7b0430d8cdb78070b4c55a");
}

TEST(AesCreate, KeySizeOtherThan128192256IsRefused) {
  const std::vector<std::uint8_t> key(64, 1);
  EXPECT_EQ(MessageOf([&] { TAESECB(key, 512); }),
            "TAESECB.Create key size = 512; should be either 128, 192 or 256");
  EXPECT_EQ(MessageOf([&] { TAESCBC(key, 64); }),
            "TAESCBC.Create key size = 64; should be either 128, 192 or 256");
  EXPECT_THROW(TAESCBC(key, 0), ESynCrypto);
  TAESCBC ok(key, 192);
  EXPECT_EQ(ok.fKeySize, 192u);
  EXPECT_EQ(ok.fKeySizeBytes, 24u);
  EXPECT_EQ(ok.fIV, TAESBlock{});
}

TEST(AesCreate, KeyShorterThanItsSizeIsRefused) {
  const std::vector<std::uint8_t> key(20, 1);
  EXPECT_EQ(MessageOf([&] { TAESCBC(key, 256); }),
            "TAESCBC.Create key of 20 bytes is shorter than key size = 256");
}

TEST(AesCall, OutputShorterThanInputIsRefused) {
  TAESCBC cbc(Hex(kSp80038a[0].key), 128);
  std::vector<std::uint8_t> in(20), out(19, 0xEE);
  EXPECT_EQ(MessageOf([&] { cbc.Decrypt(in, out); }),
            "TAESCBC.Decrypt output of 19 bytes is shorter than the input of 20");
  EXPECT_EQ(out, std::vector<std::uint8_t>(19, 0xEE));
  TAESECB ecb(Hex(kSp80038a[0].key), 128);
  EXPECT_THROW(ecb.Encrypt(in, out), ESynCrypto);
}

TEST(TAES, InitRefusesOtherKeySizes) {
  const std::vector<std::uint8_t> key(32, 0);
  TAES aes;
  for (unsigned bits : {0u, 100u, 127u, 384u}) {
    EXPECT_FALSE(aes.EncryptInit(key, bits)) << bits;
    EXPECT_FALSE(aes.Initialized);
    EXPECT_FALSE(aes.DecryptInit(key, bits)) << bits;
  }
  EXPECT_FALSE(aes.EncryptInit(std::span(key).first(15), 128));
  TAESBlock block{};
  EXPECT_EQ(MessageOf([&] { aes.Encrypt(block, block); }), "AES engine initialization failure");
  ASSERT_TRUE(aes.DecryptInit(key, 128));
  EXPECT_EQ(MessageOf([&] { aes.Encrypt(block, block); }), "AES engine initialization failure");
  aes.Decrypt(block, block);
  for (auto [bits, rounds] : {std::pair{128u, 10u}, {192u, 12u}, {256u, 14u}}) {
    EXPECT_TRUE(aes.DecryptInit(key, bits));
    EXPECT_TRUE(aes.Initialized);
    EXPECT_EQ(aes.Rounds, rounds);
  }
}

TEST(AesAbstract, CloneAndCreateFromSha256) {
  TAESCBC original(Hex(kSp80038a[1].key), 192);
  original.fIV[0] = 9;
  std::unique_ptr<TAESAbstract> copy = original.Clone();
  EXPECT_STREQ(copy->ClassName(), "TAESCBC");
  EXPECT_EQ(copy->fKeySize, 192u);
  EXPECT_EQ(copy->fKey, original.fKey);
  EXPECT_EQ(copy->fIV, TAESBlock{});
  // "abc" is extended with 253 bytes of value 3 before hashing.
  std::unique_ptr<TAESECB> fromText = TAESAbstract::CreateFromSha256<TAESECB>("abc");
  EXPECT_EQ(fromText->fKeySize, 256u);
  EXPECT_EQ(ToHex(fromText->fKey), "1d1e91b8b6d76ecb5c5ada16126230499fd2698ef5b8c8d94403e8a198a0b47a");
  // The empty text becomes 256 zero bytes; a text of 256 bytes or more is hashed as it is.
  EXPECT_EQ(ToHex(TAESAbstract::CreateFromSha256<TAESCBC>("")->fKey),
            "5341e6b2646979a70e57653007a1f310169421ec9bdd9f1a5648f75ade005af1");
  EXPECT_EQ(ToHex(TAESAbstract::CreateFromSha256<TAESCBC>(std::string(300, 'k'))->fKey),
            "17b16d8ef494060fefa36a6a41567b8c32d213a17e02b7eeae86158cc4495461");
}

}  // namespace
}  // namespace xls
