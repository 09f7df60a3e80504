// Reads a generated 40 MB worksheet part, deflated in a zip archive, through the own back-end
// and the libzip back-end in 64 KiB reads, and inflates the same deflate data with one zlib
// call into a buffer of the right size (the floor for any reader). Prints the peak resident
// memory at the end.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <zlib.h>

#include <cstdio>
#include <string>

#include "tests/support/zipwriter.h"
#include "xls/package/xlsziparchiveintf.h"

namespace {

const std::string& Sheet() {
  static const std::string sheet = [] {
    std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<worksheet><sheetData>";
    for (int r = 1; s.size() < (40u << 20); ++r) {
      s += "<row r=\"" + std::to_string(r) + "\">";
      for (int c = 0; c < 8; ++c)
        s += "<c r=\"" + std::string(1, static_cast<char>('A' + c)) + std::to_string(r) + "\" t=\"n\"><v>" +
             std::to_string(r * 37 + c * 1009) + "</v></c>";
      s += "</row>";
    }
    return s + "</sheetData></worksheet>";
  }();
  return sheet;
}

const std::string& Archive() {
  static const std::string zip = kws::test::ZipWriter().Deflated("xl/worksheets/sheet1.xml", Sheet()).Bytes();
  return zip;
}

void ReadThrough(benchmark::State& state, bool alternate) {
  std::string buf(65536, '\0');
  (void)Archive();  // built once, outside the timing
  for (auto _ : state) {
    xls::TXLSViewStream s(Archive());
    auto zip = xls::CreateZipArchiveIntf(alternate);
    zip->LoadFromStream(s);
    auto e = zip->OpenStream(u"xl/worksheets/sheet1.xml");
    size_t total = 0;
    while (const size_t n = e->Read(buf.data(), buf.size())) total += n;
    if (total != Sheet().size()) state.SkipWithError("short read");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Sheet().size()));
}

void BM_OwnBackend(benchmark::State& state) { ReadThrough(state, false); }
void BM_LibzipBackend(benchmark::State& state) { ReadThrough(state, true); }

void BM_ZlibInflateWhole(benchmark::State& state) {
  const std::string packed = kws::test::RawDeflate(Sheet());
  std::string out(Sheet().size(), '\0');
  for (auto _ : state) {
    z_stream z{};
    inflateInit2(&z, -15);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    z.avail_in = static_cast<uInt>(packed.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    if (inflate(&z, Z_FINISH) != Z_STREAM_END) state.SkipWithError("inflate failed");
    inflateEnd(&z);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Sheet().size()));
}

BENCHMARK(BM_ZlibInflateWhole)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OwnBackend)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibzipBackend)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  std::printf("peak resident memory: %ld MiB (the 40 MB part, its deflate data and the archive are held by the driver)\n",
              ru.ru_maxrss / 1024);
  return 0;
}
