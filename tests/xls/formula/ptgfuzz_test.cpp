// Random and mutated token arrays and formula texts through the walker, AdjustPtgs, the decoder
// and the tokenizer. Every input must either pass or raise a std::runtime_error; a crash, a hang
// or a sanitizer report fails the run. The input count is set by KWS_FUZZ_COUNT (default
// 1,000,000 arrays and 200,000 texts).
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/xls/formula/formulatestbook.h"
#include "tests/xls/formula/ptgbuilder.h"
#include "tests/xls/formula/tokenmutator.h"
#include "xls/formula/xlsformuladecoder.h"
#include "xls/formula/xlsformulaencoder.h"
#include "xls/formula/xlsptgs.h"
#include "xls/formula/xlstokenizer.h"

namespace xls {
namespace {

using test::PtgBuilder;
using Bytes = std::vector<uint8_t>;

long FuzzCount(long fallback) {
  const char* env = std::getenv("KWS_FUZZ_COUNT");
  return env ? std::strtol(env, nullptr, 10) : fallback;
}

std::vector<Bytes> Seeds() {
  const Bytes area = PtgBuilder().Area(0, 1, 1, 4);
  return {
      PtgBuilder().Int(1).Int(2).Int(3).Id(ptg::Mul).Id(ptg::Add),
      PtgBuilder().Int(1).Id(ptg::MissArg).Num(2.5).FuncVar(3, 4),
      PtgBuilder().Id(ptg::Space).U8(2).Ref(0, 0).Ref(1, 1).Id(ptg::ISect).U8(1).Func(19).Id(ptg::Union),
      PtgBuilder().Int(1).Int(2).Int(3).Int(4).Id(ptg::Array).U16(2).U32(2),
      PtgBuilder().Str(u"a\"b").Id(ptg::Name).U16(1).Id(ptg::Concat).Id(ptg::Paren),
      PtgBuilder().Id(ptg::Ref3d).Cell(0, 0).U8(1).Id(ptg::Area3dRange).Body(0, 0, 2, 2).U8(0).U8(2).Id(ptg::Range),
      PtgBuilder().Id(ptg::RefExt).Cell(1, 1).U16(0).U8(1).Id(ptg::AreaExtRange).Body(0, 0, 1, 1).U16(0).U8(0).U8(1).Id(ptg::Add),
      PtgBuilder().Id(ptg::TableSpecial).U8(3).U8(0).Bytes(area).Id(ptg::TableCol).U16(0).U16(1).Bytes(area)
          .Id(ptg::Table).U16(0).U16(0).U8(2).Bytes(area),
      PtgBuilder().Id(ptg::DataTable).U8(4).U16(0).U32(0).U16(1).U32(1),
      PtgBuilder().Id(ptg::ArrayCell).U16(2).U32(3).Id(ptg::UserFunc).U8(1).U16(2).U16('F').U16('N'),
      PtgBuilder().Id(ptg::Err3d).Bytes(Bytes(6, 0)).U8(4).Id(ptg::AreaErr3d).Bytes(Bytes(12, 0)).U8(1).Id(ptg::Add),
      {0xFF, 0x44, 0, 0, 0, 0xC0, 0x25, 0, 0, 1, 0, 0, 0xC0, 1, 0xC0, 0x19, 0x04, 1, 0, 0, 0, 0, 0},
      {0xFE, 2, 0, 0x17, 2, 1, 'a', 0, 'b', 0, 0x26, 0, 0, 0, 0, 5, 0, 9, 9},
  };
}

Bytes Random(std::mt19937& rng) {
  Bytes b(rng() % 40);
  for (uint8_t& x : b) x = static_cast<uint8_t>(rng());
  if (!b.empty() && (rng() & 1)) b[0] = 0xFF;
  return b;
}

TEST(Fuzz_TokenArrays, WalkerAdjustAndDecoderNeverCrash) {
  const long count = FuzzCount(1000000);
  test::TestBook book;
  test::TestCells cells;
  cells.tokens[{2, 3}] = PtgBuilder().Ref(0, 0).Int(1).Id(ptg::Add);
  TXLSFormulaDecoder decoder(book, {});
  const std::vector<Bytes> seeds = Seeds();
  std::mt19937 rng(20261210);
  long decoded = 0, raised = 0;
  for (long i = 0; i < count; ++i) {
    Bytes b = (i % 4 == 3) ? Random(rng) : test::MutateTokens(seeds[rng() % seeds.size()], rng, false);
    bool walks = true;
    try {
      for (TXLSIteratePtgs it(b); it.Next();) {
      }
    } catch (const std::runtime_error&) {
      walks = false;
    }
    // AdjustPtgs starts with this same walk, so only arrays that walk are worth shifting; they
    // must shift without raising and keep their size.
    if (walks) {
      Bytes copy = b;
      AdjustPtgs(copy, static_cast<int32_t>(rng() % 5) - 2, static_cast<int32_t>(rng() % 5) - 2, rng() & 1);
      ASSERT_EQ(copy.size(), b.size());
    }
    try {
      decoder.Decode(&cells, static_cast<int32_t>(rng() % 5) - 1, b);
      ++decoded;
    } catch (const std::runtime_error&) {
      ++raised;
    }
  }
  EXPECT_EQ(decoded + raised, count);
  EXPECT_GT(decoded, 0);
  EXPECT_GT(raised, 0);
}

// Texts go through the tokenizer, the encoder and the decoder; what the encoder writes must walk
// and decode or raise cleanly.
std::u16string RandomFormula(std::mt19937& rng) {
  static const std::u16string kPieces[] = {
      u"A1", u"$B$2", u":", u"(", u")", u",", u";", u"{", u"}", u"\"", u"'", u"!", u"[", u"]",
      u"#REF!", u"#", u"SUM", u"LOG10", u"TRUE", u"1", u"1.5E", u".", u"+", u"-", u" ", u"Sheet1",
      u"'My Sheet'", u"_xlfn.", u"Sales", u"Amount", u"Total", u"[1]Jan", u"#Headers", u"0", u"%", u"\u00e9", u"\\", u"$"};
  std::u16string text;
  const int n = static_cast<int>(rng() % 12);
  for (int k = 0; k < n; ++k) text += kPieces[rng() % std::size(kPieces)];
  return text;
}

TEST(Fuzz_FormulaText, TokenizerEncoderDecoderNeverCrash) {
  const long count = FuzzCount(1000000) / 5;
  std::mt19937 rng(7);
  test::FormulaTestErrors errors;
  test::TestBook book;
  TXLSTokenizer tokenizer(errors.Manager());
  TXLSFormulaEncoder encoder(book, errors.Manager());
  TXLSFormulaDecoder decoder(book, {});
  long parsed = 0, raised = 0, failures = 0;
  for (long i = 0; i < count; ++i) {
    const std::u16string text = RandomFormula(rng);
    tokenizer.SetFormula(text);
    Bytes ptgs;
    try {
      std::unique_ptr<TXLSTokenList> tokens = tokenizer.Parse();
      if (tokens) ptgs = encoder.Encode(*tokens, static_cast<int32_t>(rng() % 3) - 1);
      ++parsed;
    } catch (const std::runtime_error&) {
      ++raised;
      continue;
    }
    // What compiled without an error is a balanced array: it decodes.
    try {
      if (!ptgs.empty()) decoder.Decode(nullptr, 0, ptgs);
    } catch (const std::runtime_error& e) {
      ADD_FAILURE() << kws::Utf16ToUtf8(text) << ": " << e.what();
      if (++failures > 20) break;
    }
  }
  EXPECT_GT(parsed, 0);
  EXPECT_GT(raised, 0);
}

// With an error list the tokenizer and the encoder go on after each report: those paths must not
// crash either, and what they write must walk.
TEST(Fuzz_FormulaText, ListedErrorsNeverCrash) {
  const long count = FuzzCount(1000000) / 10;
  std::mt19937 rng(11);
  test::TestBook book;
  std::unique_ptr<test::FormulaTestErrors> errors;
  long encoded = 0;
  for (long i = 0; i < count; ++i) {
    if (i % 1000 == 0) {  // a fresh list now and then keeps memory flat
      errors = std::make_unique<test::FormulaTestErrors>();
      errors->KeepList();
    }
    TXLSTokenizer tokenizer(errors->Manager());
    tokenizer.SetFormula(RandomFormula(rng));
    std::unique_ptr<TXLSTokenList> tokens = tokenizer.Parse();
    if (!tokens) continue;
    TXLSFormulaEncoder encoder(book, errors->Manager());
    try {
      const Bytes ptgs = encoder.Encode(*tokens, 0);
      for (TXLSIteratePtgs it(ptgs); it.Next();) {
      }
      ++encoded;
    } catch (const std::runtime_error&) {
      // direct faults ("Unknown name reference", ...) still raise
    }
  }
  EXPECT_GT(encoded, 0);
}

}  // namespace
}  // namespace xls
