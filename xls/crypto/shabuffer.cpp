#include "xls/crypto/shabuffer.h"

#include <cstring>

namespace xls {

namespace {

template <class Ctx, class InitFn, class UpdateFn, class DigestFn, std::size_t N>
void OneCall(Ctx& ctx, std::span<const std::uint8_t> data, std::array<std::uint8_t, N>& digest,
             InitFn init, UpdateFn update, DigestFn finish) {
  std::memset(&ctx, 0, sizeof ctx);
  init(&ctx);
  if (!data.empty()) update(&ctx, data.size(), data.data());
  finish(&ctx, digest.size(), digest.data());
  std::memset(&ctx, 0, sizeof ctx);
}

}  // namespace

void Sha1OfBuffer(Sha1Context& Context, std::span<const std::uint8_t> Data,
                  std::array<std::uint8_t, 20>& Digest) {
  OneCall(Context.Ctx, Data, Digest, sha1_init, sha1_update, sha1_digest);
}

void Sha256OfBuffer(Sha256Context& Context, std::span<const std::uint8_t> Data,
                    std::array<std::uint8_t, 32>& Digest) {
  OneCall(Context.Ctx, Data, Digest, sha256_init, sha256_update, sha256_digest);
}

}  // namespace xls
