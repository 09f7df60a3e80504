#include "xls/crypto/rc4.h"

#include <algorithm>
#include <stdexcept>

namespace xls {

void RC4Init(std::span<const std::uint8_t> Key, TRC4Key& State) {
  if (Key.empty()) throw std::runtime_error("RC4 key is empty");
  // Bytes past the 256th never enter the schedule; nettle takes at most 256.
  const std::size_t used = std::min<std::size_t>(Key.size(), ARCFOUR_MAX_KEY_SIZE);
  arcfour_set_key(&State.Ctx, used, Key.data());
}

void RC4Crypt(std::uint8_t* Buffer, std::int64_t Len, TRC4Key& State) {
  if (Len <= 0) return;
  arcfour_crypt(&State.Ctx, std::size_t(Len), Buffer, Buffer);
}

void RC4Crypt(std::span<std::uint8_t> Buffer, TRC4Key& State) {
  RC4Crypt(Buffer.data(), std::int64_t(Buffer.size()), State);
}

}  // namespace xls
