#include "xls/crypto/md5.h"

#include <algorithm>

#include <nettle/md5.h>

namespace xls {

void TMD5::Init(TMD5Context& Ctx) {
  Ctx.I = {0, 0};
  Ctx.Buf = {0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u};
}

void TMD5::Update(TMD5Context& Ctx, std::span<const std::uint8_t> InBuf) {
  const std::uint64_t bitsBefore = (std::uint64_t(Ctx.I[1]) << 32) | Ctx.I[0];
  const std::uint64_t bitsAfter = bitsBefore + (std::uint64_t(InBuf.size()) << 3);
  Ctx.I[0] = std::uint32_t(bitsAfter);
  Ctx.I[1] = std::uint32_t(bitsAfter >> 32);

  std::size_t pos = std::size_t(bitsBefore >> 3) & 63;
  while (!InBuf.empty()) {
    const std::size_t take = std::min(InBuf.size(), 64 - pos);
    std::copy_n(InBuf.begin(), take, Ctx.InBuf.begin() + pos);
    InBuf = InBuf.subspan(take);
    pos += take;
    if (pos == 64) {
      nettle_md5_compress(Ctx.Buf.data(), Ctx.InBuf.data());
      pos = 0;
    }
  }
}

void TMD5::Store(TMD5Context& Ctx) {
  for (std::size_t w = 0; w < 4; ++w)
    for (std::size_t b = 0; b < 4; ++b) Ctx.Digest[4 * w + b] = std::uint8_t(Ctx.Buf[w] >> (8 * b));
}

}  // namespace xls
