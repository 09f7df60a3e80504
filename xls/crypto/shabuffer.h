// One-call SHA-1 and SHA-256 (FIPS 180-4) over caller-owned contexts.
//
// Standard package encryption takes its SHA-1 values through `Sha1OfBuffer`; `Sha256OfBuffer`
// keys an AES object from a text. Each call resets the context, feeds the bytes, finishes, writes
// the digest and resets the context again, so no message state survives between calls. The
// arithmetic is nettle's.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include <nettle/sha1.h>
#include <nettle/sha2.h>

namespace xls {

struct Sha1Context {
  sha1_ctx Ctx{};
};

struct Sha256Context {
  sha256_ctx Ctx{};
};

void Sha1OfBuffer(Sha1Context& Context, std::span<const std::uint8_t> Data,
                  std::array<std::uint8_t, 20>& Digest);

void Sha256OfBuffer(Sha256Context& Context, std::span<const std::uint8_t> Data,
                    std::array<std::uint8_t, 32>& Digest);

}  // namespace xls
