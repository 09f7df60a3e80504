// MD5 (RFC 1321) over a caller-owned context, with a store that does not finish the message.
//
// The RC4 scheme of protected legacy workbooks (MS-OFFCRYPTO, RC4 encryption of Office binary
// documents) builds every 64-byte MD5 block itself, padding and bit length included, and reads
// the digest straight from the running state. `TMD5::Store` therefore adds nothing: it writes the
// four state words as they stand, little-endian. Each block is compressed as soon as its 64th
// byte arrives, so `Store` right after a whole block gives the digest of the blocks fed so far.
// The context is a plain value: callers keep it between calls and copy it whole.
//
// The compression function is nettle's; the buffering and the byte count are ours, because
// nettle's own context offers no way to read the state without finishing the message.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace xls {

struct TMD5Context {
  std::array<std::uint32_t, 2> I{};     // number of bits fed, low word first
  std::array<std::uint32_t, 4> Buf{};   // running state
  std::array<std::uint8_t, 64> InBuf{};  // block being filled
  std::array<std::uint8_t, 16> Digest{};  // output of Store
};

class TMD5 {
 public:
  // Bit count 0, state the four initial words of RFC 1321.
  static void Init(TMD5Context& Ctx);
  // Buffers the bytes from position (bits fed / 8) mod 64 and compresses each completed block.
  static void Update(TMD5Context& Ctx, std::span<const std::uint8_t> InBuf);
  // Writes the state words into Digest, little-endian; no padding, no length.
  static void Store(TMD5Context& Ctx);
};

}  // namespace xls
