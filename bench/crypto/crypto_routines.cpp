// The digest and cipher routines over 1 MiB, in the shapes their callers use them, each next to
// the same work done by nettle's own interface (the "Nettle" rows), so the ratio shows what our
// layer costs:
// - AES-256-CBC decryption in 4096-byte segments with a new cipher object per segment (agile
//   package encryption); AES-128-ECB decryption in 4096-byte chunks with one object (standard).
// - RC4 re-keyed every 1024 bytes from a 16-byte key (protected legacy workbooks).
// - MD5 fed 64-byte blocks (the legacy key derivation builds its blocks itself), SHA-1 and
//   SHA-512 hash objects, MD4 over the whole buffer.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <type_traits>
#include <vector>

#include <nettle/aes.h>
#include <nettle/arcfour.h>
#include <nettle/cbc.h>
#include <nettle/md4.h>
#include <nettle/md5.h>
#include <nettle/nettle-meta.h>
#include <nettle/sha1.h>
#include <nettle/sha2.h>

#include "xls/crypto/aescipher.h"
#include "xls/crypto/dcphash.h"
#include "xls/crypto/md4hash.h"
#include "xls/crypto/md5.h"
#include "xls/crypto/rc4.h"

namespace {

using namespace xls;

constexpr std::size_t kSize = 1 << 20;

std::vector<std::uint8_t>& Data() {
  static std::vector<std::uint8_t> data = [] {
    std::vector<std::uint8_t> d(kSize);
    for (std::size_t i = 0; i < d.size(); ++i) d[i] = std::uint8_t(i * 131 + 7);
    return d;
  }();
  return data;
}

const std::array<std::uint8_t, 32> kKey = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16,
                                           17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32};

void Bytes(benchmark::State& state) { state.SetBytesProcessed(std::int64_t(state.iterations() * kSize)); }

// Runs `step(pos, out)` over the buffer in chunks of `chunk` bytes, `out` being 1 MiB of output.
template <class Step>
void OverChunks(benchmark::State& state, std::size_t chunk, Step step) {
  std::vector<std::uint8_t> out(kSize);
  for (auto _ : state) {
    for (std::size_t pos = 0; pos < kSize; pos += chunk) step(pos, out);
    benchmark::DoNotOptimize(out.data());
  }
  Bytes(state);
}

std::span<const std::uint8_t> In(std::size_t pos, std::size_t n) { return std::span(Data()).subspan(pos, n); }

void BM_AesCbcSegments(benchmark::State& state) {
  OverChunks(state, 4096, [](std::size_t pos, std::vector<std::uint8_t>& out) {
    TAESCBC cbc(kKey, 256);
    cbc.fIV[0] = std::uint8_t(pos >> 12);
    cbc.Decrypt(In(pos, 4096), std::span(out).subspan(pos, 4096));
  });
}
BENCHMARK(BM_AesCbcSegments);

void BM_AesCbcSegmentsNettle(benchmark::State& state) {
  OverChunks(state, 4096, [](std::size_t pos, std::vector<std::uint8_t>& out) {
    aes256_ctx ctx;
    aes256_set_decrypt_key(&ctx, kKey.data());
    std::array<std::uint8_t, 16> iv{};
    iv[0] = std::uint8_t(pos >> 12);
    cbc_decrypt(&ctx, nettle_aes256.decrypt, 16, iv.data(), 4096, out.data() + pos, In(pos, 4096).data());
  });
}
BENCHMARK(BM_AesCbcSegmentsNettle);

void BM_AesEcbChunks(benchmark::State& state) {
  TAESECB ecb{std::span(kKey).first(16), 128};
  OverChunks(state, 4096, [&](std::size_t pos, std::vector<std::uint8_t>& out) {
    ecb.Decrypt(In(pos, 4096), std::span(out).subspan(pos, 4096));
  });
}
BENCHMARK(BM_AesEcbChunks);

void BM_AesEcbChunksNettle(benchmark::State& state) {
  aes128_ctx ctx;
  aes128_set_decrypt_key(&ctx, kKey.data());
  OverChunks(state, 4096, [&](std::size_t pos, std::vector<std::uint8_t>& out) {
    aes128_decrypt(&ctx, 4096, out.data() + pos, In(pos, 4096).data());
  });
}
BENCHMARK(BM_AesEcbChunksNettle);

void BM_Rc4Blocks(benchmark::State& state) {
  TRC4Key key;
  OverChunks(state, 1024, [&](std::size_t pos, std::vector<std::uint8_t>& out) {
    RC4Init(std::span(kKey).first(16), key);
    RC4Crypt(std::span(out).subspan(pos, 1024), key);
  });
}
BENCHMARK(BM_Rc4Blocks);

void BM_Rc4BlocksNettle(benchmark::State& state) {
  arcfour_ctx ctx;
  OverChunks(state, 1024, [&](std::size_t pos, std::vector<std::uint8_t>& out) {
    arcfour_set_key(&ctx, 16, kKey.data());
    arcfour_crypt(&ctx, 1024, out.data() + pos, out.data() + pos);
  });
}
BENCHMARK(BM_Rc4BlocksNettle);

void BM_Md5Blocks(benchmark::State& state) {
  for (auto _ : state) {
    TMD5Context ctx;
    TMD5::Init(ctx);
    for (std::size_t pos = 0; pos < kSize; pos += 64) TMD5::Update(ctx, std::span(Data()).subspan(pos, 64));
    TMD5::Store(ctx);
    benchmark::DoNotOptimize(ctx.Digest);
  }
  Bytes(state);
}
BENCHMARK(BM_Md5Blocks);

void BM_Md5BlocksNettle(benchmark::State& state) {
  for (auto _ : state) {
    md5_ctx ctx;
    md5_init(&ctx);
    for (std::size_t pos = 0; pos < kSize; pos += 64) md5_update(&ctx, 64, Data().data() + pos);
    std::array<std::uint8_t, 16> digest;
    md5_digest(&ctx, 16, digest.data());
    benchmark::DoNotOptimize(digest);
  }
  Bytes(state);
}
BENCHMARK(BM_Md5BlocksNettle);

// One digest object over the whole buffer: Init, Update, Final.
template <class H>
void BM_HashObject(benchmark::State& state) {
  for (auto _ : state) {
    H hash;
    hash.Init();
    hash.Update(Data());
    if constexpr (std::is_same_v<H, TMD4Hash>) {
      std::array<std::uint8_t, 16> digest;
      hash.Final(digest);
      benchmark::DoNotOptimize(digest);
    } else {
      std::array<std::uint8_t, 64> digest;
      hash.Final(digest);
      benchmark::DoNotOptimize(digest);
    }
  }
  Bytes(state);
}
BENCHMARK(BM_HashObject<TMD4Hash>);
BENCHMARK(BM_HashObject<TDCP_sha1>);
BENCHMARK(BM_HashObject<TDCP_sha512>);

// The same through nettle's interface.
template <class Ctx, std::size_t N>
void NettleDigest(benchmark::State& state, void (*init)(Ctx*), void (*update)(Ctx*, std::size_t, const std::uint8_t*),
                  void (*finish)(Ctx*, std::size_t, std::uint8_t*)) {
  for (auto _ : state) {
    Ctx ctx;
    init(&ctx);
    update(&ctx, kSize, Data().data());
    std::array<std::uint8_t, N> digest;
    finish(&ctx, N, digest.data());
    benchmark::DoNotOptimize(digest);
  }
  Bytes(state);
}
void BM_Md4Nettle(benchmark::State& state) { NettleDigest<md4_ctx, 16>(state, md4_init, md4_update, md4_digest); }
void BM_Sha1Nettle(benchmark::State& state) { NettleDigest<sha1_ctx, 20>(state, sha1_init, sha1_update, sha1_digest); }
void BM_Sha512Nettle(benchmark::State& state) {
  NettleDigest<sha512_ctx, 64>(state, sha512_init, sha512_update, sha512_digest);
}
BENCHMARK(BM_Md4Nettle);
BENCHMARK(BM_Sha1Nettle);
BENCHMARK(BM_Sha512Nettle);

}  // namespace
BENCHMARK_MAIN();
