// Tokenizing a generated worksheet part of about 40 MB, next to the time zlib needs to inflate
// the same part from raw deflate data (as a zip entry holds it). The goal: tokenizing is faster
// than inflating, so the tokenizer never is the bottleneck of reading a package.
//
// Benchmarks:
//   Inflate            zlib raw inflate of the deflated part into a 64 KB buffer, repeatedly
//   TokenizeBytes      the tokenizer over the part held in memory (no events used)
//   TokenizeChunked    the same part handed over in 64 KB pieces, as an entry stream does
//   TokenizeCells      chunked, with a reader that does what a cell reader does per tag:
//                      dispatch on the local-name hash, read r/s/t attributes as bytes, convert
//                      s to an integer, take the value text of v as bytes
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstring>
#include <string>

#include "xls/package/xpgreadxml.h"
#include "xls/package/xpgvalues.h"

namespace {

std::string MakeSheet(size_t targetBytes) {
  std::string s =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
      "<dimension ref=\"A1:J100000\"/><sheetData>";
  uint32_t seed = 12345;
  auto rnd = [&] { return seed = seed * 1103515245 + 12345; };
  for (int row = 1; s.size() < targetBytes; ++row) {
    s += "<row r=\"" + std::to_string(row) + "\" spans=\"1:10\">";
    for (int col = 0; col < 10; ++col) {
      std::string ref = std::string(1, char('A' + col)) + std::to_string(row);
      switch (rnd() % 4) {
        case 0: s += "<c r=\"" + ref + "\" s=\"1\"><v>" + std::to_string(rnd() % 100000) + "</v></c>"; break;
        case 1: s += "<c r=\"" + ref + "\" t=\"s\"><v>" + std::to_string(rnd() % 5000) + "</v></c>"; break;
        case 2: s += "<c r=\"" + ref + "\"><v>" + std::to_string(rnd() % 1000) + "." + std::to_string(rnd() % 1000) + "</v></c>"; break;
        default: s += "<c r=\"" + ref + "\" s=\"2\"><f>SUM(A1:A" + std::to_string(row) + ")</f><v>42</v></c>"; break;
      }
    }
    s += "</row>";
  }
  s += "</sheetData><pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/></worksheet>";
  return s;
}

const std::string& Sheet() {
  static const std::string s = MakeSheet(40u << 20);
  return s;
}

const std::string& Deflated() {
  static const std::string d = [] {
    const std::string& in = Sheet();
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, in.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
  }();
  return d;
}

void BM_Inflate(benchmark::State& state) {
  const std::string& d = Deflated();
  std::string buf(65536, '\0');
  for (auto _ : state) {
    z_stream z{};
    inflateInit2(&z, -15);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(d.data()));
    z.avail_in = static_cast<uInt>(d.size());
    int rc;
    do {
      z.next_out = reinterpret_cast<Bytef*>(buf.data());
      z.avail_out = static_cast<uInt>(buf.size());
      rc = inflate(&z, Z_NO_FLUSH);
      benchmark::DoNotOptimize(buf.data());
    } while (rc == Z_OK);
    if (z.total_out != Sheet().size()) state.SkipWithError("inflate size mismatch");
    inflateEnd(&z);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Sheet().size()));
  state.counters["deflated_MB"] = double(d.size()) / (1 << 20);
}

struct Counter : xls::TXpgReadXML {
  int64_t tags = 0;
  void BeginTag() override { ++tags; }
};

void BM_TokenizeBytes(benchmark::State& state) {
  for (auto _ : state) {
    Counter c;
    c.LoadFromBytes(Sheet());
    benchmark::DoNotOptimize(c.tags);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Sheet().size()));
}

int64_t Chunked(xls::TXpgReadXML& r) {
  const std::string& s = Sheet();
  size_t pos = 0;
  return r.LoadFromReader([&](char* buf, size_t count) {
    size_t n = std::min({count, size_t(65536), s.size() - pos});
    std::memcpy(buf, s.data() + pos, n);
    pos += n;
    return n;
  });
}

void BM_TokenizeChunked(benchmark::State& state) {
  for (auto _ : state) {
    Counter c;
    Chunked(c);
    benchmark::DoNotOptimize(c.tags);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Sheet().size()));
}

struct CellReader : xls::TXpgReadXML {
  int64_t sum = 0;
  void BeginTag() override {
    switch (LocalHashA()) {
      case 'c': {
        const auto& a = Attributes();
        for (int i = 0; i < a.Count(); ++i) {
          switch (a.LocalHashA(i)) {
            case 'r': sum += a.ValueBytes(i).size(); break;
            case 's': sum += xls::XpgHashA(a.ValueBytes(i)) ? 1 : 0; break;
            case 't': sum += a.ValueBytes(i)[0]; break;
          }
        }
        break;
      }
      case 'v': sum += TextBytes().size(); break;
      default: break;
    }
  }
};

void BM_TokenizeCells(benchmark::State& state) {
  for (auto _ : state) {
    CellReader c;
    Chunked(c);
    benchmark::DoNotOptimize(c.sum);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Sheet().size()));
}

}  // namespace

BENCHMARK(BM_Inflate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TokenizeBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TokenizeChunked)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TokenizeCells)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
