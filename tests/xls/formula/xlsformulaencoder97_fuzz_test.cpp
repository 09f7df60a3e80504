// Mutated formula texts through the legacy tokenizer and encoder: texts of the encoder's tables
// and of the legacy fixtures, damaged by the byte mutator and by inserted pieces of formula syntax
// (quotes, brackets, separators, error literals, paths, deep nesting), read with and without an
// error event, into buffers of random size. Every input must tokenize and encode or raise
// XLSRWException; a crash, a hang, a sanitizer report or another exception fails. Tokens that
// encode without an error must decode again without one.
//
// Budget: KWS_FUZZ_SECONDS (default 20) and KWS_FUZZ_INPUTS (default 1,000,000), whichever ends
// first; the number of inputs run is printed.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/mutator.h"
#include "xls/formula/xlsformuladecoder97.h"
#include "xls/formula/xlsformulaencoder97.h"
#include "xls/model/xlserrors.h"

namespace xls {
namespace {

const std::vector<std::string> kCorpus = {
    "1+2*3",
    "-(-1)%^2",
    "SUM(A1:B2,,$C$3)/COUNT(A1)",
    "IF(A1>5,\"big\",\"sm\"\"all\")&#N/A",
    "'My Sheet'!A1*2+Sheet2!$B$3:C4",
    "SUM('My Sheet'!$A$1:$B$2)*Rate",
    "'C:\\dir\\[book.xls]Data'!A1+'C:\\dir\\book.xls'!Total",
    "SUM((A2,A3))+SUM(A1:A3 A2:A12)",
    "ROUND(PI(),2)<>1.5E-3",
    "A1,B1",
    "Third!$A$1:$IV$1,Third!$A$1:$A$65536",
    "MID(\"abc\",1)>=TRUE",
    "((((1))))",
    "'It''s'!A1&{1,2}",
    "[Book1.xls]Sheet1!A1",
    "  1 + 2 ",
};

const char* const kPieces[] = {"(", ")", ",", ";", "'", "\"", "!", ":", "$", "#N/A", "#REF!", "#", "SUM(",
                               "1E5", "1.5", "[", "]", " ", "'C:\\d\\[b.xls]S'!", "{", "}", "%", "-", "&",
                               "IV65536", "A65537", "EOMONTH(", "''", "\"\"", "((((((((", "ABS(ABS(ABS("};

std::u16string Widen(const std::string& s, kws::test::Mutator& m) {
  std::u16string out;
  for (char c : s) out += char16_t(uint8_t(c));
  if (!out.empty() && m.Below(8) == 0) out[m.Below(out.size())] = char16_t(m.Below(0x10000));
  return out;
}

TEST(Fuzz_LegacyEncoder, MutatedTextsTokenizeAndEncodeOrRaise) {
  const auto budget = kws::test::FuzzBudget::FromEnvironment(20, 1000000);
  kws::test::Mutator pieces(20261212);
  TEncodeFormula encoder;
  encoder._OnUnknownName = [](std::u16string_view name, int32_t& id) { id = name.size() == 4 ? 3 : -1; };
  encoder.OnExternName = [](std::u16string_view path, std::u16string_view, std::u16string_view sheet,
                            std::u16string_view, bool, int32_t& ext, int32_t& nameIndex) {
    if (path.empty() && sheet.size() < 9) {
      nameIndex = int32_t(sheet.size());
      ext = int32_t(sheet.size()) * 2;
    }
  };
  uint64_t encoded = 0, raised = 0, tokenized = 0;
  std::vector<uint8_t> buf;
  const uint64_t inputs = kws::test::RunFuzz(budget, kCorpus, 20261211, [&](std::string text) {
    for (uint64_t n = pieces.Below(4); n-- > 0;)
      text.insert(pieces.Below(text.size() + 1), kPieces[pieces.Below(std::size(kPieces))]);
    const std::u16string formula = Widen(text, pieces);
    TXLSTokenizer97 tokenizer;
    tokenizer.FTokenErrorEvent = [](int32_t, std::u16string_view) {};
    try {
      tokenizer.Tokenize(formula);
      ++tokenized;
    } catch (const XLSRWException&) {
    }
    const bool withEvent = pieces.Below(4) == 0;
    encoder.OnFormulaError = withEvent ? TEncodeFormula::TFormulaErrorEvent([](int32_t, const std::u16string&) {})
                                       : TEncodeFormula::TFormulaErrorEvent();
    buf.assign(pieces.Below(4) == 0 ? pieces.Below(64) : 512, 0);
    int32_t size = 0;
    try {
      size = encoder.Encode(formula, uint8_t(pieces.Below(4) * 0x20), TFormulaVersion::fvExcel97, buf);
      ++encoded;
    } catch (const XLSRWException&) {
      ++raised;
      return;
    }
    ASSERT_LE(size_t(size), buf.size());
    if (withEvent || size == 0) return;
    buf.resize(size_t(size));
    try {
      DecodeBIFFFormula(buf, 0, 0, 0, {}, u',');
    } catch (const XLSRWException& e) {
      ADD_FAILURE() << "encoded tokens do not decode: " << e.what();
    }
  });
  std::printf("legacy encoder fuzz: %llu inputs, %llu tokenized, %llu encoded, %llu raised\n",
              (unsigned long long)inputs, (unsigned long long)tokenized, (unsigned long long)encoded,
              (unsigned long long)raised);
  EXPECT_GT(encoded, 0u);
  EXPECT_GT(raised, 0u);
}

}  // namespace
}  // namespace xls
