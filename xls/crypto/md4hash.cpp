#include "xls/crypto/md4hash.h"

#include <cstring>
#include <stdexcept>

namespace xls {

TMD4Hash::TMD4Hash() { Clear(); }

TMD4Hash::~TMD4Hash() { Clear(); }

void TMD4Hash::Init() {
  Clear();
  md4_init(&FCtx);
  FInitialized = true;
}

void TMD4Hash::Clear() {
  std::memset(&FCtx, 0, sizeof FCtx);
  FInitialized = false;
}

void TMD4Hash::CheckInitialized() const {
  if (!FInitialized) throw std::runtime_error("Hash not initialized");
}

void TMD4Hash::Update(std::span<const std::uint8_t> Buffer) {
  CheckInitialized();
  if (!Buffer.empty()) md4_update(&FCtx, Buffer.size(), Buffer.data());
}

void TMD4Hash::Final(std::array<std::uint8_t, 16>& Digest) {
  CheckInitialized();
  md4_digest(&FCtx, Digest.size(), Digest.data());
  Clear();
}

}  // namespace xls
