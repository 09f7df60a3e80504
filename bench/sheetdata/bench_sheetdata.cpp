// Streaming a generated worksheet part of about 40 MB through the sheet-data container of the
// SpreadsheetML unit (rows and cells read into their reused objects, empty row and cell events)
// next to the tokenizer alone over the same bytes (start and end tags with no work). The goal:
// the element layer costs at most half again the tokenizer's time.
//
// Benchmarks (bytes/s is the throughput over the part):
//   Tokenizer   TXpgReadXML over the part, empty events
//   SheetData   TXPGDocXLSX over the part, OnReadRow and OnReadC assigned and empty
//   SheetDataUse the same, the cell event touching reference, type, style and value text
#include <benchmark/benchmark.h>

#include <string>

#include "xls/package/xpgreadxml.h"
#include "xls/spreadsheetml/xpgparsexlsx.h"

namespace {

using namespace xls;
using namespace xls::xpgxlsx;

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

struct NullReader : TXpgReadXML {
  long tags = 0;
  void BeginTag() override { ++tags; }
};

void BM_Tokenizer(benchmark::State& state) {
  const std::string& xml = Sheet();
  for (auto _ : state) {
    NullReader r;
    r.LoadFromBytes(xml);
    benchmark::DoNotOptimize(r.tags);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(xml.size()));
}

void BM_SheetData(benchmark::State& state) {
  const std::string& xml = Sheet();
  for (auto _ : state) {
    TXPGDocXLSX doc;
    long cells = 0;
    doc.Worksheet()->SheetData()->OnReadRow = [](TCT_Row&) {};
    doc.Worksheet()->SheetData()->Row()->OnReadC = [&](TCT_Cell&) { ++cells; };
    doc.LoadFromBytes(xml);
    benchmark::DoNotOptimize(cells);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(xml.size()));
}

void BM_SheetDataUse(benchmark::State& state) {
  const std::string& xml = Sheet();
  for (auto _ : state) {
    TXPGDocXLSX doc;
    size_t n = 0;
    doc.Worksheet()->SheetData()->OnReadRow = [](TCT_Row&) {};
    doc.Worksheet()->SheetData()->Row()->OnReadC = [&](TCT_Cell& c) {
      n += c.R().size() + c.V().size() + c.T() + c.S() + c.F()->Content().size();
    };
    doc.LoadFromBytes(xml);
    benchmark::DoNotOptimize(n);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(xml.size()));
}

BENCHMARK(BM_Tokenizer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SheetData)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SheetDataUse)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
