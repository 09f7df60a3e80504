// SHA-1 and SHA-512 (FIPS 180-4) as hash objects of one family, for agile package encryption.
//
// Every hash object goes from not initialized (after construction or Burn) to initialized (Init)
// and back (Final). Update or Final while not initialized raise `EDCP_hash` "Hash not
// initialized". Callers make a new object per digest: Init, Update over the bytes, Final into a
// buffer of at least GetHashSize() / 8 bytes. A shorter buffer is refused rather than written
// past. The arithmetic is nettle's; the objects add the life cycle and the family's class values.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

#include <nettle/sha1.h>
#include <nettle/sha2.h>

namespace xls {

class EDCP_hash : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Base of the family. The class values here stand for "no algorithm" (-1, empty, -1, false).
class TDCP_hash {
 public:
  TDCP_hash() = default;
  virtual ~TDCP_hash() = default;
  TDCP_hash(const TDCP_hash&) = delete;
  TDCP_hash& operator=(const TDCP_hash&) = delete;

  virtual int GetId() const { return -1; }
  virtual std::u16string GetAlgorithm() const { return {}; }
  virtual int GetHashSize() const { return -1; }  // in bits
  // Checks the implementation against the standard's published examples.
  virtual bool SelfTest() const { return false; }
  virtual void Init() {}
  virtual void Final(std::span<std::uint8_t> /*Digest*/) {}
  virtual void Burn() {}
  virtual void Update(std::span<const std::uint8_t> /*Buffer*/) {}

  bool Initialized() const { return fInitialized; }

 protected:
  // Raises "Hash not initialized" unless Init ran since the last Final or Burn.
  void CheckInitialized() const;
  // Raises unless Digest holds the whole digest of this object's algorithm.
  void CheckDigestRoom(std::span<const std::uint8_t> Digest) const;

  bool fInitialized = false;
};

class TDCP_sha1 : public TDCP_hash {
 public:
  TDCP_sha1();
  ~TDCP_sha1() override;

  int GetId() const override { return 2; }
  std::u16string GetAlgorithm() const override { return u"SHA1"; }
  int GetHashSize() const override { return 160; }
  bool SelfTest() const override;
  void Init() override;
  void Final(std::span<std::uint8_t> Digest) override;
  void Burn() override;
  void Update(std::span<const std::uint8_t> Buffer) override;

 private:
  sha1_ctx FCtx{};
};

// The 128-byte-block machinery shared by the SHA-512 family: Burn and Update.
class TDCP_sha512base : public TDCP_hash {
 public:
  TDCP_sha512base();
  ~TDCP_sha512base() override;

  void Burn() override;
  void Update(std::span<const std::uint8_t> Buffer) override;

 protected:
  sha512_ctx FCtx{};
};

class TDCP_sha512 : public TDCP_sha512base {
 public:
  int GetId() const override { return 30; }
  std::u16string GetAlgorithm() const override { return u"SHA512"; }
  int GetHashSize() const override { return 512; }
  bool SelfTest() const override;
  void Init() override;
  void Final(std::span<std::uint8_t> Digest) override;
};

}  // namespace xls
