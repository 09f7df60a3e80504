// Compiles (tokenizer + encoder) and decodes formulas of mixed shapes, one million of each run.
// The formulas cycle through arithmetic, functions with missing arguments, sheet and external
// references, names, arrays, strings and structured references, over the small workbook of the
// formula tests.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/xls/formula/formulatestbook.h"
#include "xls/formula/xlsformuladecoder.h"
#include "xls/formula/xlsformulaencoder.h"
#include "xls/formula/xlstokenizer.h"

namespace {

using namespace xls;

const std::vector<std::u16string>& Formulas() {
  static const std::vector<std::u16string> formulas = {
      u"1+2*3",
      u"SUM(A1:A100)",
      u"IF(A1>0,\"yes\",\"no\")",
      u"VLOOKUP($B2,'My Sheet'!$A$1:$D$500,3,FALSE)",
      u"ROUND(AVERAGE(B1:B10)*1.05,2)",
      u"SUM(1,,2)+COUNTIF(A:A,A1)",
      u"Total*Rate-[Other.xlsx]Feb!C3",
      u"{1,2;3,4}",
      u"Sales[Amount]*2",
      u"SUM(Sheet1:Data2!B2)+INDEX(A1:C3,2,2)",
      u"\"long text with \"\"quotes\"\" inside\"&TEXT(NOW(),\"yyyy-mm-dd\")",
      u"-A1%+B1^2-(C1/D1)",
  };
  return formulas;
}

struct Codec {
  test::TestBook book;
  TXLSErrorManager errors;
  TXLSTokenizer tokenizer{errors};
  TXLSFormulaEncoder encoder{book, errors};
  TXLSFormulaDecoder decoder{book, {}};

  std::vector<uint8_t> Compile(const std::u16string& text) {
    tokenizer.SetFormula(text);
    std::unique_ptr<TXLSTokenList> tokens = tokenizer.Parse();
    return encoder.Encode(*tokens, 0);
  }
};

void BM_Compile(benchmark::State& state) {
  Codec codec;
  const auto& formulas = Formulas();
  size_t i = 0, bytes = 0;
  for (auto _ : state) {
    std::vector<uint8_t> ptgs = codec.Compile(formulas[i++ % formulas.size()]);
    bytes += ptgs.size();
    benchmark::DoNotOptimize(ptgs.data());
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["token_bytes"] = static_cast<double>(bytes);
}

void BM_Decode(benchmark::State& state) {
  Codec codec;
  std::vector<std::vector<uint8_t>> arrays;
  for (const std::u16string& f : Formulas()) arrays.push_back(codec.Compile(f));
  size_t i = 0;
  for (auto _ : state) {
    std::u16string text = codec.decoder.Decode(nullptr, 0, arrays[i++ % arrays.size()]);
    benchmark::DoNotOptimize(text.data());
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_CompileAndDecode(benchmark::State& state) {
  Codec codec;
  const auto& formulas = Formulas();
  size_t i = 0;
  for (auto _ : state) {
    std::vector<uint8_t> ptgs = codec.Compile(formulas[i++ % formulas.size()]);
    std::u16string text = codec.decoder.Decode(nullptr, 0, ptgs);
    benchmark::DoNotOptimize(text.data());
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_Compile)->Iterations(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Decode)->Iterations(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CompileAndDecode)->Iterations(1000000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
