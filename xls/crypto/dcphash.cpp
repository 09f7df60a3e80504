#include "xls/crypto/dcphash.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace xls {

namespace {

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Digest of `message` by a fresh object of class H, compared with `expected`.
template <class H, std::size_t N>
bool Matches(std::string_view message, const std::array<std::uint8_t, N>& expected) {
  H hash;
  hash.Init();
  hash.Update(Bytes(message));
  std::array<std::uint8_t, N> digest{};
  hash.Final(digest);
  return digest == expected;
}

template <class Ctx>
void Wipe(Ctx& ctx) {
  std::memset(&ctx, 0, sizeof ctx);
}

template <class Ctx, class UpdateFn>
void Feed(Ctx& ctx, UpdateFn update, std::span<const std::uint8_t> buffer) {
  if (!buffer.empty()) update(&ctx, buffer.size(), buffer.data());
}

}  // namespace

void TDCP_hash::CheckInitialized() const {
  if (!fInitialized) throw EDCP_hash("Hash not initialized");
}

void TDCP_hash::CheckDigestRoom(std::span<const std::uint8_t> Digest) const {
  if (Digest.size() < std::size_t(GetHashSize() / 8))
    throw EDCP_hash("Digest buffer is shorter than the hash");
}

// ---- SHA-1 ---------------------------------------------------------------------------------

TDCP_sha1::TDCP_sha1() { Burn(); }

TDCP_sha1::~TDCP_sha1() {
  if (fInitialized) Burn();
}

bool TDCP_sha1::SelfTest() const {
  // FIPS 180 examples: "abc" and the 448-bit two-block message.
  static constexpr std::array<std::uint8_t, 20> kAbc = {
      0xa9, 0x99, 0x3e, 0x36, 0x47, 0x06, 0x81, 0x6a, 0xba, 0x3e,
      0x25, 0x71, 0x78, 0x50, 0xc2, 0x6c, 0x9c, 0xd0, 0xd8, 0x9d};
  static constexpr std::array<std::uint8_t, 20> kTwoBlocks = {
      0x84, 0x98, 0x3e, 0x44, 0x1c, 0x3b, 0xd2, 0x6e, 0xba, 0xae,
      0x4a, 0xa1, 0xf9, 0x51, 0x29, 0xe5, 0xe5, 0x46, 0x70, 0xf1};
  return Matches<TDCP_sha1>("abc", kAbc) &&
         Matches<TDCP_sha1>("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", kTwoBlocks);
}

void TDCP_sha1::Init() {
  Burn();
  sha1_init(&FCtx);
  fInitialized = true;
}

void TDCP_sha1::Burn() {
  Wipe(FCtx);
  fInitialized = false;
}

void TDCP_sha1::Update(std::span<const std::uint8_t> Buffer) {
  CheckInitialized();
  Feed(FCtx, sha1_update, Buffer);
}

void TDCP_sha1::Final(std::span<std::uint8_t> Digest) {
  CheckInitialized();
  CheckDigestRoom(Digest);
  sha1_digest(&FCtx, SHA1_DIGEST_SIZE, Digest.data());
  Burn();
}

// ---- SHA-512 -------------------------------------------------------------------------------

TDCP_sha512base::TDCP_sha512base() { TDCP_sha512base::Burn(); }

TDCP_sha512base::~TDCP_sha512base() {
  if (fInitialized) TDCP_sha512base::Burn();
}

void TDCP_sha512base::Burn() {
  Wipe(FCtx);
  fInitialized = false;
}

void TDCP_sha512base::Update(std::span<const std::uint8_t> Buffer) {
  CheckInitialized();
  Feed(FCtx, sha512_update, Buffer);
}

bool TDCP_sha512::SelfTest() const {
  // FIPS 180 example: "abc".
  static constexpr std::array<std::uint8_t, 64> kAbc = {
      0xdd, 0xaf, 0x35, 0xa1, 0x93, 0x61, 0x7a, 0xba, 0xcc, 0x41, 0x73, 0x49, 0xae,
      0x20, 0x41, 0x31, 0x12, 0xe6, 0xfa, 0x4e, 0x89, 0xa9, 0x7e, 0xa2, 0x0a, 0x9e,
      0xee, 0xe6, 0x4b, 0x55, 0xd3, 0x9a, 0x21, 0x92, 0x99, 0x2a, 0x27, 0x4f, 0xc1,
      0xa8, 0x36, 0xba, 0x3c, 0x23, 0xa3, 0xfe, 0xeb, 0xbd, 0x45, 0x4d, 0x44, 0x23,
      0x64, 0x3c, 0xe8, 0x0e, 0x2a, 0x9a, 0xc9, 0x4f, 0xa5, 0x4c, 0xa4, 0x9f};
  return Matches<TDCP_sha512>("abc", kAbc);
}

void TDCP_sha512::Init() {
  Burn();
  sha512_init(&FCtx);
  fInitialized = true;
}

void TDCP_sha512::Final(std::span<std::uint8_t> Digest) {
  CheckInitialized();
  CheckDigestRoom(Digest);
  sha512_digest(&FCtx, SHA512_DIGEST_SIZE, Digest.data());
  Burn();
}

}  // namespace xls
