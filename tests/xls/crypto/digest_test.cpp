// MD5 with its non-finishing store, MD4, the SHA-1/SHA-512 hash objects and the one-call SHA
// routines, against the published examples of RFC 1320, RFC 1321 and FIPS 180.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tests/xls/crypto/hex.h"
#include "xls/crypto/dcphash.h"
#include "xls/crypto/md4hash.h"
#include "xls/crypto/md5.h"
#include "xls/crypto/shabuffer.h"

namespace xls {
namespace {

using test::Bytes;
using test::Hex;
using test::ToHex;

struct Vector {
  std::string message;
  const char* digest;
};

// ---- MD5 -----------------------------------------------------------------------------------

// The message padded as RFC 1321 says: 0x80, zeros, the 64-bit little-endian bit length.
std::vector<std::uint8_t> Md5Padded(const std::string& message) {
  std::vector<std::uint8_t> out(message.begin(), message.end());
  out.push_back(0x80);
  while (out.size() % 64 != 56) out.push_back(0);
  const std::uint64_t bits = std::uint64_t(message.size()) * 8;
  for (int i = 0; i < 8; ++i) out.push_back(std::uint8_t(bits >> (8 * i)));
  return out;
}

const std::vector<Vector> kRfc1321 = {
    {"", "d41d8cd98f00b204e9800998ecf8427e"},
    {"a", "0cc175b9c0f1b6a831c399e269772661"},
    {"abc", "900150983cd24fb0d6963f7d28e17f72"},
    {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
     "d174ab98d277d9f5a5611c2c9f419d9f"},
    {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     "57edf4a22be3c955ac49da2e2107b67a"},
};

TEST(Md5Store, PaddedMessagesGiveRfc1321Digests) {
  for (const Vector& v : kRfc1321) {
    const std::vector<std::uint8_t> padded = Md5Padded(v.message);
    // Whole, and in pieces that straddle block edges (7 bytes at a time).
    TMD5Context whole;
    TMD5::Init(whole);
    TMD5::Update(whole, padded);
    TMD5::Store(whole);
    EXPECT_EQ(ToHex(whole.Digest), v.digest) << '"' << v.message << '"';

    TMD5Context pieces;
    TMD5::Init(pieces);
    for (std::size_t pos = 0; pos < padded.size(); pos += 7)
      TMD5::Update(pieces, std::span(padded).subspan(pos, std::min<std::size_t>(7, padded.size() - pos)));
    TMD5::Store(pieces);
    EXPECT_EQ(ToHex(pieces.Digest), v.digest) << '"' << v.message << '"';
    EXPECT_EQ(pieces.I[0], padded.size() * 8);
  }
}

TEST(Md5Store, AddsNoPaddingOfItsOwn) {
  TMD5Context ctx;
  TMD5::Init(ctx);
  TMD5::Store(ctx);
  // The four initial words of RFC 1321, little-endian.
  EXPECT_EQ(ToHex(ctx.Digest), "0123456789abcdeffedcba9876543210");

  // The padding block of the empty message, fed by the caller, gives the empty message's digest.
  std::array<std::uint8_t, 64> block{};
  block[0] = 0x80;
  TMD5::Init(ctx);
  TMD5::Update(ctx, block);
  TMD5::Store(ctx);
  EXPECT_EQ(ToHex(ctx.Digest), "d41d8cd98f00b204e9800998ecf8427e");
}

TEST(Md5Update, CompressesWhenTheSixtyFourthByteArrives) {
  std::array<std::uint8_t, 64> block{};
  block[0] = 0x80;
  TMD5Context ctx;
  TMD5::Init(ctx);
  const auto initial = ctx.Buf;
  TMD5::Update(ctx, std::span(block).first(63));
  EXPECT_EQ(ctx.Buf, initial);
  EXPECT_EQ(ctx.I[0], 63u * 8);
  TMD5::Update(ctx, std::span(block).last(1));
  EXPECT_NE(ctx.Buf, initial);
  TMD5::Store(ctx);
  EXPECT_EQ(ToHex(ctx.Digest), "d41d8cd98f00b204e9800998ecf8427e");
}

TEST(Md5Update, BitCountCarriesIntoHighWord) {
  TMD5Context ctx;
  TMD5::Init(ctx);
  ctx.I = {0xFFFFFFF8u, 0};  // 2^29 - 1 bytes fed: the next byte is the last of a block
  const auto before = ctx.Buf;
  const std::uint8_t one = 1;
  TMD5::Update(ctx, std::span(&one, 1));
  EXPECT_EQ(ctx.I[0], 0u);
  EXPECT_EQ(ctx.I[1], 1u);
  EXPECT_EQ(ctx.InBuf[63], 1);
  EXPECT_NE(ctx.Buf, before);
}

// ---- MD4 -----------------------------------------------------------------------------------

TEST(Md4Hash, Rfc1320DigestsAndBlockEdges) {
  const std::vector<Vector> vectors = {
      {"", "31d6cfe0d16ae931b73c59d7e0c089c0"},
      {"a", "bde52cb31de33e46245e05fbdbd6fb24"},
      {"abc", "a448017aaf21d8525fc10ae87aa6729d"},
      {"message digest", "d9130a8164549fe818874806e1c7014b"},
      {"abcdefghijklmnopqrstuvwxyz", "d79e1c308aa5bbcdeea8ed63df412da9"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "043f8582f241db351ce627e153e7f0e4"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "e33b4ddc9c38f2199c3e7b164fcc0536"},
      // 55 bytes fit one padded block, 56 need a second; 64 fill one exactly.
      {std::string(55, 'a'), "c889c81dd86c4d2e025778944ea02881"},
      {std::string(56, 'a'), "d5f9a9e9257077a5f08b0b92f348b0ad"},
      {std::string(64, 'a'), "52f5076fabd22680234a3fa9f9dc5732"},
  };
  TMD4Hash hash;  // one object through all: Final leaves it ready for the next Init
  for (const Vector& v : vectors) {
    std::array<std::uint8_t, 16> digest{};
    hash.Init();
    const std::size_t half = v.message.size() / 2;
    hash.Update(Bytes(v.message).first(half));
    hash.Update(Bytes(v.message).subspan(half));
    hash.Final(digest);
    EXPECT_EQ(ToHex(digest), v.digest) << v.message.size() << " bytes";
    EXPECT_FALSE(hash.Initialized());
  }
}

TEST(Md4Hash, UseOutsideInitAndFinalRaises) {
  TMD4Hash hash;
  std::array<std::uint8_t, 16> digest{};
  auto expectNotInitialized = [&](auto call) {
    try {
      call();
      ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "Hash not initialized");
    }
  };
  expectNotInitialized([&] { hash.Update(Bytes("abc")); });
  expectNotInitialized([&] { hash.Final(digest); });
  hash.Init();
  hash.Final(digest);
  expectNotInitialized([&] { hash.Final(digest); });
  hash.Init();
  hash.Clear();
  expectNotInitialized([&] { hash.Update(Bytes("abc")); });
}

// ---- SHA-1 and SHA-512 hash objects ----------------------------------------------------------

// Digest of `message` through the family's base class, the way callers hold these objects.
std::string Digest(std::unique_ptr<TDCP_hash> hash, const std::string& message, std::size_t chunk) {
  hash->Init();
  for (std::size_t pos = 0; pos < message.size(); pos += chunk)
    hash->Update(Bytes(message).subspan(pos, std::min(chunk, message.size() - pos)));
  std::vector<std::uint8_t> out(std::size_t(hash->GetHashSize() / 8));
  hash->Final(out);
  EXPECT_FALSE(hash->Initialized());
  return ToHex(out);
}

TEST(DcpSha1, Fips180Digests) {
  const std::vector<Vector> vectors = {
      {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
      {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
      {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
  };
  for (const Vector& v : vectors) {
    EXPECT_EQ(Digest(std::make_unique<TDCP_sha1>(), v.message, 1000), v.digest);
    EXPECT_EQ(Digest(std::make_unique<TDCP_sha1>(), v.message, 63), v.digest);
  }
}

TEST(DcpSha512, Fips180DigestsAndBlockEdges) {
  const std::vector<Vector> vectors = {
      {"",
       "cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce"
       "47d0d13c5d85f2b0ff8318d2877eec2f63b931bd47417a81a538327af927da3e"},
      {"abc",
       "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
       "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmno"
       "ijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu",
       "8e959b75dae313da8cf4f72814fc143f8f7779c6eb9f7fa17299aeadb6889018"
       "501d289e4900f7e4331b99dec4b5433ac7d329eeb6dd26545e96e55b874be909"},
      // 111 bytes fit one padded block, 112 need a second.
      {std::string(111, 'a'),
       "fa9121c7b32b9e01733d034cfc78cbf67f926c7ed83e82200ef8681819692176"
       "0b4beff48404df811b953828274461673c68d04e297b0eb7b2b4d60fc6b566a2"},
      {std::string(112, 'a'),
       "c01d080efd492776a1c43bd23dd99d0a2e626d481e16782e75d54c2503b5dc32"
       "bd05f0f1ba33e568b88fd2d970929b719ecbb152f58f130a407c8830604b70ca"},
  };
  for (const Vector& v : vectors) {
    EXPECT_EQ(Digest(std::make_unique<TDCP_sha512>(), v.message, 1000), v.digest);
    EXPECT_EQ(Digest(std::make_unique<TDCP_sha512>(), v.message, 5), v.digest);
  }
}

TEST(DcpHash, ClassValuesAndSelfTest) {
  TDCP_hash base;
  TDCP_sha1 sha1;
  TDCP_sha512 sha512;
  EXPECT_EQ(base.GetId(), -1);
  EXPECT_EQ(base.GetAlgorithm(), u"");
  EXPECT_EQ(base.GetHashSize(), -1);
  EXPECT_FALSE(base.SelfTest());
  EXPECT_EQ(sha1.GetId(), 2);
  EXPECT_EQ(sha1.GetAlgorithm(), u"SHA1");
  EXPECT_EQ(sha1.GetHashSize(), 160);
  EXPECT_TRUE(sha1.SelfTest());
  EXPECT_EQ(sha512.GetId(), 30);
  EXPECT_EQ(sha512.GetAlgorithm(), u"SHA512");
  EXPECT_EQ(sha512.GetHashSize(), 512);
  EXPECT_TRUE(sha512.SelfTest());
  // SelfTest uses objects of its own; this one stays as it was.
  EXPECT_FALSE(sha1.Initialized());
}

TEST(DcpHash, UseOutsideInitAndFinalRaisesEdcpHash) {
  std::vector<std::unique_ptr<TDCP_hash>> hashes;
  hashes.push_back(std::make_unique<TDCP_sha1>());
  hashes.push_back(std::make_unique<TDCP_sha512>());
  for (const std::unique_ptr<TDCP_hash>& hash : hashes) {
    std::array<std::uint8_t, 64> digest{};
    auto expectNotInitialized = [&](auto call) {
      try {
        call();
        ADD_FAILURE() << "no exception";
      } catch (const EDCP_hash& e) {
        EXPECT_STREQ(e.what(), "Hash not initialized");
      }
    };
    expectNotInitialized([&] { hash->Update(Bytes("abc")); });
    expectNotInitialized([&] { hash->Final(digest); });
    hash->Init();
    hash->Update(Bytes("abc"));
    hash->Final(digest);
    expectNotInitialized([&] { hash->Final(digest); });
    hash->Init();
    hash->Burn();
    expectNotInitialized([&] { hash->Update(Bytes("abc")); });
  }
}

TEST(DcpHash, DigestBufferShorterThanTheHashIsRefused) {
  TDCP_sha512 hash;
  hash.Init();
  hash.Update(Bytes("abc"));
  std::array<std::uint8_t, 65> guarded{};
  guarded[20] = 0xA5;
  // A SHA-1-sized buffer cannot take a SHA-512 digest: refused, nothing written, still running.
  EXPECT_THROW(hash.Final(std::span(guarded).first(20)), EDCP_hash);
  EXPECT_EQ(guarded[20], 0xA5);
  EXPECT_TRUE(hash.Initialized());
  hash.Final(std::span(guarded).first(64));
  EXPECT_EQ(ToHex(std::span(guarded).first(4)), "ddaf35a1");
}

// ---- One-call SHA routines -------------------------------------------------------------------

TEST(Sha1OfBuffer, DigestsAndLeavesTheContextReset) {
  Sha1Context context;
  std::array<std::uint8_t, 20> digest{};
  Sha1OfBuffer(context, {}, digest);
  EXPECT_EQ(ToHex(digest), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
  Sha1OfBuffer(context, Bytes("abc"), digest);
  EXPECT_EQ(ToHex(digest), "a9993e364706816aba3e25717850c26c9cd0d89d");
  const Sha1Context zero{};
  EXPECT_EQ(std::memcmp(&context, &zero, sizeof context), 0);
  // A context left mid-message by someone else does not leak into the next call.
  sha1_init(&context.Ctx);
  sha1_update(&context.Ctx, 5, Bytes("junk!").data());
  Sha1OfBuffer(context, Bytes("abc"), digest);
  EXPECT_EQ(ToHex(digest), "a9993e364706816aba3e25717850c26c9cd0d89d");
}

TEST(Sha256OfBuffer, Fips180Digest) {
  Sha256Context context;
  std::array<std::uint8_t, 32> digest{};
  Sha256OfBuffer(context, Bytes("abc"), digest);
  EXPECT_EQ(ToHex(digest), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

}  // namespace
}  // namespace xls
