// RC4 stream cipher over a caller-owned key state.
//
// Protected legacy workbooks (MS-OFFCRYPTO, RC4 encryption of Office binary documents) re-key one
// state per 1024-byte block of the workbook stream with a 16-byte MD5 value and run the key stream
// over the bytes they read; to skip bytes they run it over a scratch buffer of the right length.
// The key stream therefore advances by exactly the length of every call, whatever the buffer
// holds, and one call over two buffers' worth equals two calls in a row. The arithmetic is
// nettle's arcfour.
#pragma once

#include <cstdint>
#include <span>

#include <nettle/arcfour.h>

namespace xls {

// The permutation (`Ctx.S`) and the two indexes of the key-stream generator (`Ctx.i`, `Ctx.j`).
struct TRC4Key {
  arcfour_ctx Ctx{};
};

// The RC4 key schedule: key byte i mod KeyLen enters step i, so only the first 256 key bytes
// matter. An empty key raises "RC4 key is empty": it would leave nothing to take the steps from.
void RC4Init(std::span<const std::uint8_t> Key, TRC4Key& State);

// Combines the bytes in place with the key stream and advances the state by Len bytes.
// A Len of 0 or less does nothing. Buffer must hold Len bytes.
void RC4Crypt(std::uint8_t* Buffer, std::int64_t Len, TRC4Key& State);
void RC4Crypt(std::span<std::uint8_t> Buffer, TRC4Key& State);

}  // namespace xls
