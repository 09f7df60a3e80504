// The tokenizer's reading modes: locale separators outside strict mode, R1C1 references.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/textcodec.h"
#include "tests/xls/formula/formulatestbook.h"
#include "xls/formula/xlstokenizer.h"

namespace xls {
namespace {

struct Tok {
  TXLSTokenType type;
  int64_t value;
  bool operator==(const Tok&) const = default;
};

// Types with their integer values (numbers: the value times 10), or the error text.
std::vector<Tok> Read(std::u16string_view text, bool strict, char16_t decimal, bool r1c1,
                      std::string* error = nullptr) {
  test::FormulaTestErrors errors;
  TXLSTokenizer tokenizer(errors.Manager());
  tokenizer.SetStrictMode(strict, decimal);
  tokenizer.SetR1C1Mode(r1c1);
  tokenizer.SetFormula(text);
  std::vector<Tok> out;
  try {
    auto list = tokenizer.Parse();
    for (size_t i = 0; list && i < list->Count(); ++i) {
      const TXLSToken& t = list->GetItems(i);
      out.push_back({t.TokenType, t.ValueType == xtvtFloat ? int64_t(t.vFloat * 10) : t.vInteger});
    }
  } catch (const std::runtime_error& e) {
    if (error) *error = e.what();
  }
  return out;
}

TEST(TokenizerModes, LocaleSeparatorsOutsideStrictMode) {
  const std::vector<Tok> semicolon = {
      {xttFuncName, 0}, {xttConstNumber, 15}, {xttComma, 0}, {xttConstNumber, 20}, {xttRPar, 0}};
  EXPECT_EQ(Read(u"SUM(1,5;2)", false, u',', false), semicolon);
  EXPECT_EQ(Read(u"SUM(1.5,2)", false, u'.', false), semicolon);
  EXPECT_EQ(Read(u"SUM(1.5,2)", true, u',', false), semicolon);  // strict mode ignores the locale
}

TEST(TokenizerModes, R1C1ReferencesAndTheirErrors) {
  EXPECT_EQ(Read(u"R2C3", true, u'.', true), (std::vector<Tok>{{xttR1C1AbsRow, 1}, {xttR1C1AbsCol, 2}}));
  EXPECT_EQ(
      Read(u"R[-1]C[2]:RC", true, u'.', true),
      (std::vector<Tok>{
          {xttR1C1RelRow, -1}, {xttR1C1RelCol, 2}, {xttColon, 0}, {xttR1C1RelRow, 0}, {xttR1C1RelCol, 0}}));
  // Names and functions that begin with R or C stay names and functions.
  EXPECT_EQ(Read(u"Rate+COS(1)", true, u'.', true).front().type, xttName);
  EXPECT_EQ(Read(u"Rate+COS(1)", true, u'.', true)[2].type, xttFuncName);
  // Outside R1C1 mode R2C3 is a name.
  EXPECT_EQ(Read(u"R2C3", true, u'.', false), (std::vector<Tok>{{xttName, 0}}));
  for (std::u16string_view bad : {u"R0C1", u"R1048577C1", u"R1C16385", u"R[1C1", u"R[]C"}) {
    std::string error;
    Read(bad, true, u'.', true, &error);
    EXPECT_EQ(error, "E4014: Invalid R1C1 reference") << kws::Utf16ToUtf8(bad);
  }
}

}  // namespace
}  // namespace xls
