// MD4 (RFC 1320) as an object with an explicit life cycle.
//
// The legacy reader's picture store names each picture by the MD4 digest of its bytes. The object
// goes from not initialized (after construction or Clear) to initialized (Init) and back (Final);
// Update or Final on an object that is not initialized raises "Hash not initialized", so that a
// digest is never taken from a state that was not started. The arithmetic is nettle's MD4.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include <nettle/md4.h>

namespace xls {

class TMD4Hash {
 public:
  TMD4Hash();
  ~TMD4Hash();
  TMD4Hash(const TMD4Hash&) = delete;
  TMD4Hash& operator=(const TMD4Hash&) = delete;

  // Clear, then the initial state of RFC 1320.
  void Init();
  // Zeroes count, buffer and state; the object is no longer initialized.
  void Clear();
  // Feeds the bytes, compressing each full 64-byte block. Raises when not initialized.
  void Update(std::span<const std::uint8_t> Buffer);
  // Pads, writes the 16-byte digest and clears. Raises when not initialized.
  void Final(std::array<std::uint8_t, 16>& Digest);

  bool Initialized() const { return FInitialized; }

 private:
  void CheckInitialized() const;

  bool FInitialized = false;
  md4_ctx FCtx{};
};

}  // namespace xls
