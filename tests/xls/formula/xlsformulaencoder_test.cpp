#include "xls/formula/xlsformulaencoder.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/textcodec.h"
#include "tests/xls/formula/formulatestbook.h"
#include "tests/xls/formula/ptgbuilder.h"
#include "xls/formula/xlsformuladecoder.h"
#include "xls/formula/xlstokenizer.h"

namespace xls {
namespace {

using test::PtgBuilder;
using Bytes = std::vector<uint8_t>;

using test::kComma;
using test::kSemicolon;

struct Compiling {
  test::TestBook book;
  test::FormulaTestErrors errors;

  // Tokens of `formula` on sheet `sheet`; raises what the tokenizer or encoder raise.
  Bytes Ptgs(std::string_view formula, int32_t sheet = 0) {
    TXLSTokenizer tokenizer(errors.Manager());
    tokenizer.SetFormula(kws::Utf8ToUtf16(formula));
    std::unique_ptr<TXLSTokenList> tokens = tokenizer.Parse();
    if (!tokens) return {};
    TXLSFormulaEncoder encoder(book, errors.Manager());
    return encoder.Encode(*tokens, sheet);
  }
  std::string Error(std::string_view formula, int32_t sheet = 0) {
    try {
      Ptgs(formula, sheet);
    } catch (const std::runtime_error& e) {
      return e.what();
    }
    return "no error";
  }
  std::string Text(const Bytes& ptgs, TXLSFormulaSeparators seps, int32_t sheet = 0) {
    TXLSFormulaDecoder decoder(book, seps);
    return kws::Utf16ToUtf8(decoder.Decode(nullptr, sheet, ptgs));
  }
};

PtgBuilder Ref3d(uint8_t sheet, uint16_t col, uint32_t row, bool abs = false) {
  return std::move(PtgBuilder().Id(ptg::Ref3d).Cell(col, row, abs, abs).U8(sheet));
}

TEST(FormulaEncoder_Encode, ExactTokenBytes) {
  Compiling c;
  const struct {
    const char* formula;
    Bytes ptgs;
  } cases[] = {
      {"1+2*3", PtgBuilder().Int(1).Int(2).Int(3).Id(ptg::Mul).Id(ptg::Add)},
      {"(1+2)*3", PtgBuilder().Int(1).Int(2).Id(ptg::Add).Id(ptg::Paren).Int(3).Id(ptg::Mul)},
      {"2^3^2", PtgBuilder().Int(2).Int(3).Id(ptg::Power).Int(2).Id(ptg::Power)},
      {"-2^2", PtgBuilder().Int(2).Id(ptg::UMinus).Int(2).Id(ptg::Power)},
      {"-A1", PtgBuilder().Ref(0, 0).Id(ptg::UMinus)},
      {"50%", PtgBuilder().Int(50).Id(ptg::Percent)},
      {"1.5", PtgBuilder().Num(1.5)},
      {"3", PtgBuilder().Int(3)},
      {"3000000000", PtgBuilder().Num(3000000000.0)},
      {"2147483647", PtgBuilder().Int(2147483647)},
      {"1&\"a\"\"b\"", PtgBuilder().Int(1).Str(u"a\"b").Id(ptg::Concat)},
      {"1<>2", PtgBuilder().Int(1).Int(2).Id(ptg::NotEqual)},
      {"TRUE=#N/A", PtgBuilder().Id(ptg::Bool).U8(1).Id(ptg::Err).U8(7).Id(ptg::Equal)},
      {"SUM(1,,2)", PtgBuilder().Int(1).Id(ptg::MissArg).Int(2).FuncVar(3, 4)},
      {"PI()", PtgBuilder().Func(19)},
      {"NOW()", PtgBuilder().Func(74)},
      {"SUM()", PtgBuilder().FuncVar(0, 4)},
      {"LOG10(A1)", PtgBuilder().Ref(0, 0).Func(23)},
      {"MYFUNC(1)", PtgBuilder().Int(1).Id(ptg::UserFunc).U8(1).U16(6).Bytes({'M', 0, 'Y', 0, 'F', 0, 'U', 0, 'N', 0, 'C', 0})},
      {"(A1,B1)", PtgBuilder().Ref(0, 0).Ref(1, 0).Id(ptg::Union).Id(ptg::Paren)},
      {"SUM((A1,B1),C1)", PtgBuilder().Ref(0, 0).Ref(1, 0).Id(ptg::Union).Id(ptg::Paren).Ref(2, 0).FuncVar(2, 4)},
      {"{1,2;3,4}", PtgBuilder().Int(1).Int(2).Int(3).Int(4).Id(ptg::Array).U16(2).U32(2)},
      {"A:A", PtgBuilder().Area(0, 0, 0, kXLSMaxRow)},
      {"2:3", PtgBuilder().Area(0, 1, kXLSMaxCol, 2)},
      {"$A$1:B2", PtgBuilder().Id(ptg::Area).U32(kPtgRowAbs).U32(1).U16(kPtgColAbs).U16(1)},
      {"A1 B1", PtgBuilder().Ref(0, 0).Ref(1, 0).Id(ptg::ISect).U8(1)},
      {"SUM( A1)", PtgBuilder().Id(ptg::Space).U8(1).Ref(0, 0).FuncVar(1, 4)},
      {"'My Sheet'!$B$2", Ref3d(1, 1, 1, true)},
      {"'MY SHEET'!$B$2", Ref3d(1, 1, 1, true)},  // letter case is ignored in every lookup
      {"total", PtgBuilder().Id(ptg::Name).U16(0)},
      {"[other.XLSX]FEB!A1", PtgBuilder().Id(ptg::RefExt).Cell(0, 0).U16(0).U8(1)},
      {"Sheet1:Data2!B2", PtgBuilder().Id(ptg::Ref3dRange).Cell(1, 1).U8(0).U8(2)},
      {"Data2!A1:B2", PtgBuilder().Id(ptg::Area3d).Body(0, 0, 1, 1).U8(2)},
      {"[1]Feb!A1", PtgBuilder().Id(ptg::RefExt).Cell(0, 0).U16(0).U8(1)},
      {"[Other.xlsx]Jan:Feb!A1:B2", PtgBuilder().Id(ptg::AreaExtRange).Body(0, 0, 1, 1).U16(0).U8(0).U8(1)},
      {"Sheet1!#REF!", PtgBuilder().Id(ptg::Err3d).Bytes(Bytes(6, 0)).U8(4)},
      {"NoSuchName+1", PtgBuilder().Id(ptg::Err).U8(5).Int(1).Id(ptg::Add)},
      {"Total", PtgBuilder().Id(ptg::Name).U16(0)},
      {"'My Sheet'!Rate", PtgBuilder().Id(ptg::Name).U16(2)},
      {"Sheet1!Rate", PtgBuilder().Id(ptg::Name).U16(0xFFFF)},
      {"[1]Sheet1!Total", PtgBuilder().Id(ptg::Name).U16(0)},
  };
  for (const auto& k : cases) EXPECT_EQ(c.Ptgs(k.formula), k.ptgs) << k.formula;
  // A name local to the formula's sheet comes before the workbook's.
  EXPECT_EQ(c.Ptgs("Rate", 1), Bytes(PtgBuilder().Id(ptg::Name).U16(2)));
  EXPECT_EQ(c.Ptgs("Rate", 0), Bytes(PtgBuilder().Id(ptg::Name).U16(1)));
}

// Mends: empty arguments (also blanks) write the missing-argument token; blanks do not trip the
// union check; an error constant after any sheet prefix is an error token.
TEST(FormulaEncoder_Encode, EmptyArgumentsBlanksAndPrefixedErrors) {
  Compiling c;
  EXPECT_EQ(c.Ptgs("SUM( )"), Bytes(PtgBuilder().Id(ptg::Space).U8(1).Id(ptg::MissArg).FuncVar(1, 4)));
  EXPECT_EQ(c.Ptgs("SUM(,1)"), Bytes(PtgBuilder().Id(ptg::MissArg).Int(1).FuncVar(2, 4)));
  EXPECT_EQ(c.Ptgs("SUM(1, )"), Bytes(PtgBuilder().Int(1).Id(ptg::Space).U8(1).Id(ptg::MissArg).FuncVar(2, 4)));
  EXPECT_EQ(c.Ptgs("IF(,1,)"), Bytes(PtgBuilder().Id(ptg::MissArg).Int(1).Id(ptg::MissArg).FuncVar(3, 1)));
  EXPECT_EQ(c.Ptgs("PI( )"), Bytes(PtgBuilder().Id(ptg::Space).U8(1).Func(19)));
  EXPECT_EQ(c.Ptgs("(A1, B1)"),
            Bytes(PtgBuilder().Ref(0, 0).Id(ptg::Space).U8(1).Ref(1, 0).Id(ptg::Union).Id(ptg::Paren)));
  const Bytes refError = PtgBuilder().Id(ptg::Err3d).Bytes(Bytes(6, 0)).U8(4);
  EXPECT_EQ(c.Ptgs("Sheet1:Data2!#REF!"), refError);
  EXPECT_EQ(c.Ptgs("[1]Jan!#REF!"), refError);
}

// Mend: a structured reference is one operand, so operators around it stay outside it.
TEST(FormulaEncoder_Encode, StructuredReferences) {
  Compiling c;
  // Sales lies at A1:B6 with one header and one totals row: data rows 1..4.
  const Bytes amount = PtgBuilder().Id(ptg::TableCol).U16(0).U16(1).Id(ptg::Area).Body(1, 1, 1, 4);
  auto sales = [](uint8_t args) {
    return Bytes(PtgBuilder().Id(ptg::Table).U16(0).U16(0).U8(args).Id(ptg::Area).Body(0, 1, 1, 4));
  };
  EXPECT_EQ(c.Ptgs("Sales[Amount]"), Bytes(PtgBuilder().Bytes(amount).Bytes(sales(1))));
  EXPECT_EQ(c.Ptgs("Sales[Amount]*2"), Bytes(PtgBuilder().Bytes(amount).Bytes(sales(1)).Int(2).Id(ptg::Mul)));
  EXPECT_EQ(c.Ptgs("1+Sales[Amount]"), Bytes(PtgBuilder().Int(1).Bytes(amount).Bytes(sales(1)).Id(ptg::Add)));
  EXPECT_EQ(c.Ptgs("SUM(Sales[])"), Bytes(PtgBuilder().Bytes(sales(0)).FuncVar(1, 4)));
  const Bytes headers = PtgBuilder().Id(ptg::TableSpecial).U8(3).U8(0).Id(ptg::Area).Body(0, 0, 1, 0);
  EXPECT_EQ(c.Ptgs("Sales[[#Headers],[Amount]]"), Bytes(PtgBuilder().Bytes(headers).Bytes(amount).Bytes(sales(2))));
  const Bytes region = PtgBuilder().Id(ptg::TableCol).U16(0).U16(0).Id(ptg::Area).Body(0, 1, 0, 4);
  EXPECT_EQ(c.Ptgs("Sales[[Region]:[Amount]]"),
            Bytes(PtgBuilder().Bytes(region).Bytes(amount).Id(ptg::Range).Bytes(sales(1))));
  // From another sheet the table token names the table's sheet.
  EXPECT_EQ(c.Text(c.Ptgs("Sales[Amount]*2", 2), kComma, 2), "Sales[Amount]*2");
}

TEST(FormulaEncoder_Errors, NumberedErrorsOfTheEncoder) {
  Compiling c;
  const struct {
    const char* formula;
    const char* message;
  } cases[] = {
      {"(1,2)", "E4018: Invalid use of operator"},
      {"{1,2;3}", "E4022: Array constant columns not the same on each row"},
      {"NoSheet!A1", "E4016: Unknown sheet name \"NoSheet\""},
      {"[1]Mar!A1", "E4016: Unknown sheet name \"Mar\""},
      {"[Nope.xlsx]Jan!A1", "E4012: Invalid workbook name"},
      {"[3]Jan!A1", "E4012: Invalid workbook name"},
      {"NoSheet!Total", "E4016: Unknown sheet name \"NoSheet\""},
      {"ROUND(1)", "E4020: Missing argument for function \"ROUND\""},
      {"ROUND(1,2,3)", "E4021: To many arguments for function \"ROUND\""},
      {"PI(1)", "E4021: To many arguments for function \"PI\""},
      {"NoTable[Amount]", "E4024: Unknown table \"NoTable\""},
      {"Sales[Price]", "E4025: Unknown table columns \"Price\""},
      {"Sales[[#Foo],[Amount]]", "E4026: Unknown table special \"Foo\""},
      {"Sales[[#Data]:[Amount]]", "E4028: Invalid use of operator in table"},
      {"Sales[[#Headers],[#Totals]]", "E4029: Invalid combination of table specials"},
      {"Sales[[#All],[#Data]]", "E4029: Invalid combination of table specials"},
      {"Sales[[Amount],[#Data]]", "E4030: Table specials must be first in expression"},
      {"Sheet1:Data2!Total", "Unknown name reference"},
      // Mend: operators without their operands give no unbalanced array.
      {"%", "E4015: Missing operand"},
      {"A1:", "E4015: Missing operand"},
      {"SUM(1)%%+", "E4006: Error in formula"},
  };
  for (const auto& k : cases) EXPECT_EQ(c.Error(k.formula), k.message) << k.formula;
  std::string many = "SUM(1";
  for (int i = 0; i < 300; ++i) many += ",1";
  EXPECT_EQ(c.Error(many + ")"), "E4021: To many arguments for function \"SUM\"");
  EXPECT_EQ(c.Error("\"" + std::string(40000, 'x') + "\""), "Out of memory in Encode Formula");
}

// Mend: with an error list, a fixed-count function with the wrong number of arguments gives no
// array rather than an unbalanced one.
TEST(FormulaEncoder_Errors, ListedArgumentCountErrorGivesNoArray) {
  Compiling c;
  c.errors.KeepList();
  EXPECT_EQ(c.Ptgs("1+ROUND(1)"), Bytes());
  EXPECT_EQ(c.errors.Messages(), std::vector<std::string>{"E4020: Missing argument for function \"ROUND\""});
}

TEST(FormulaEncoder_RoundTrip, TextToTokensToTextUnderBothSeparators) {
  Compiling c;
  const struct {
    const char* formula;
    const char* semicolon;  // the same formula under ";" and ","
  } cases[] = {
      {"1+2*3", "1+2*3"},
      {"(1+2)*3", "(1+2)*3"},
      {"-A1%", "-A1%"},
      {"SUM(1,,2)", "SUM(1;;2)"},
      {"ROUND(1.5,0)", "ROUND(1,5;0)"},
      {"IF(A1>0,\"yes\",\"no\")", "IF(A1>0;\"yes\";\"no\")"},
      {"\"a\"\"b\"&C3", "\"a\"\"b\"&C3"},
      {"SUM( A1, B1)", "SUM( A1; B1)"},
      {"A1:B2 B1:C3", "A1:B2 B1:C3"},
      {"(A1,B1)", "(A1;B1)"},
      {"{1,2;3,4}", "{1\\2;3\\4}"},
      {"'My Sheet'!$A$1+Data2!B2", "'My Sheet'!$A$1+Data2!B2"},
      {"'It''s'!A1", "'It''s'!A1"},
      {"SUM(Sheet1:Data2!B2)", "SUM(Sheet1:Data2!B2)"},
      {"[Other.xlsx]Feb!A1", "[Other.xlsx]Feb!A1"},
      {"'[Book 1.xlsx]My Data'!A1", "'[Book 1.xlsx]My Data'!A1"},
      {"Total*Rate", "Total*Rate"},
      {"Sales[Amount]*2", "Sales[Amount]*2"},
      {"SUM(Sales[[#Headers],[Amount]])", "SUM(Sales[[#Headers];[Amount]])"},
      {"Sales[[Region]:[Amount]]", "Sales[[Region]:[Amount]]"},
      {"Sales[#Totals]+Sales[]", "Sales[#Totals]+Sales[]"},
      {"MYFUNC(1,2)", "MYFUNC(1;2)"},
      {"_xlfn.STDEV.S(A1:A3)", "_xlfn.STDEV.S(A1:A3)"},
      {"LOG10(A1)+TRUE", "LOG10(A1)+TRUE"},
      {"#N/A", "#N/A"},
      {"1.5E+20+0.00001", "1,5E20+0,00001"},
  };
  for (const auto& k : cases) {
    const Bytes ptgs = c.Ptgs(k.formula);
    std::string expected = k.formula;
    if (expected == "1.5E+20+0.00001") expected = "1.5E20+0.00001";
    EXPECT_EQ(c.Text(ptgs, kComma), expected) << k.formula;
    EXPECT_EQ(c.Text(ptgs, kSemicolon), k.semicolon) << k.formula;
    // The text written under "," compiles to the same tokens again.
    EXPECT_EQ(c.Ptgs(c.Text(ptgs, kComma)), ptgs) << k.formula;
  }
  // Whole columns come back as areas that compile to the same tokens.
  const Bytes column = c.Ptgs("COUNTIF(A:A,A1)");
  EXPECT_EQ(c.Text(column, kComma), "COUNTIF(A1:A1048576,A1)");
  EXPECT_EQ(c.Ptgs(c.Text(column, kComma)), column);
}

}  // namespace
}  // namespace xls
