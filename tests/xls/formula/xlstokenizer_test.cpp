#include "xls/formula/xlstokenizer.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "platform/textcodec.h"
#include "tests/xls/formula/formulatestbook.h"

namespace xls {
namespace {

// Short names of the token types, by ordinal.
constexpr const char* kTypeNames[] = {
    "None", "White", "Comma", "Colon", "Semi", "SpaceOp", "Excl", "LPar", "RPar", "LSq", "RSq",
    "Apos", "Space", "#NULL!", "#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#NUM!", "#N/A",
    "#GETTING_DATA", "TRUE", "FALSE", "Str", "ArrBegin", "ArrEnd", "Num", "^", "*", "/", "+", "-",
    "U-", "U+", "&", "=", "<>", "<", "<=", ">", ">=", "%", ":", "ISect", "Col", "$Col", "Row",
    "$Row", "R1C1RelCol", "R1C1AbsCol", "R1C1RelRow", "R1C1AbsRow", "Name", "Func", "Sheet",
    "Book", "Table", "TableCol", "TableSpecial"};
static_assert(std::size(kTypeNames) == xttTableSpecial + 1);

// The token list as text: type names, with the value of each token in parentheses.
std::string Describe(const TXLSTokenList& list) {
  std::string out;
  for (size_t i = 0; i < list.Count(); ++i) {
    const TXLSToken& t = list.GetItems(i);
    if (!out.empty()) out += ' ';
    out += kTypeNames[t.TokenType];
    if (t.ValueType == xtvtString) out += "(" + kws::Utf16ToUtf8(t.vPStr) + ")";
    if (t.ValueType == xtvtInteger) out += "(" + std::to_string(t.vInteger) + ")";
    if (t.ValueType == xtvtFloat) {
      char buf[32];
      snprintf(buf, sizeof buf, "(%g)", t.vFloat);
      out += buf;
    }
  }
  return out;
}

// Tokenizes with an error manager that raises; returns the tokens or the error message.
std::string Tokens(std::string_view formula) {
  test::FormulaTestErrors errors;
  TXLSTokenizer tokenizer(errors.Manager());
  tokenizer.SetFormula(kws::Utf8ToUtf16(formula));
  try {
    std::unique_ptr<TXLSTokenList> list = tokenizer.Parse();
    return list ? Describe(*list) : "no list";
  } catch (const std::runtime_error& e) {
    return std::string("error ") + e.what();
  }
}

struct Case {
  const char* formula;
  const char* tokens;
};

void Check(std::initializer_list<Case> cases) {
  for (const Case& c : cases) EXPECT_EQ(Tokens(c.formula), c.tokens) << "formula: " << c.formula;
}

TEST(Tokenizer_Parse, ConstantsAndOperators) {
  Check({
      {"1+2*3", "Num(1) + Num(2) * Num(3)"},
      {"-2^2", "U- Num(2) ^ Num(2)"},
      {"50%", "Num(50) %"},
      {"1.5E3+.5+2e-2", "Num(1500) + Num(0.5) + Num(0.02)"},
      {"\"a\"\"b\"&\"\"", "Str(a\"b) & Str()"},
      {"TRUE<>FALSE", "TRUE <> FALSE"},
      {"1<=2>=3<4>5=6", "Num(1) <= Num(2) >= Num(3) < Num(4) > Num(5) = Num(6)"},
      {"#DIV/0!+#N/A+#GETTING_DATA", "#DIV/0! + #N/A + #GETTING_DATA"},
      {"{1,2;3,4}", "ArrBegin Num(1) Comma Num(2) Semi Num(3) Comma Num(4) ArrEnd"},
      {"{-1,\"x\";TRUE,#N/A}", "ArrBegin U- Num(1) Comma Str(x) Semi TRUE Comma #N/A ArrEnd"},
      {"", "no list"},
      {" \r\n ", "no list"},
  });
}

TEST(Tokenizer_Parse, BlanksAreWhiteSpaceOrIntersection) {
  Check({
      {"SUM( A1, B1)", "Func(SUM) White(1) Col(0) Row(0) Comma White(1) Col(1) Row(0) RPar"},
      {"A1:B2 B1:C3", "Col(0) Row(0) Colon Col(1) Row(1) ISect(1) Col(1) Row(0) Colon Col(2) Row(2)"},
      {"  1 +  2", "White(2) Num(1) White(1) + White(2) Num(2)"},
      {"(A1 )", "LPar Col(0) Row(0) White(1) RPar"},
  });
}

TEST(Tokenizer_Parse, ReferencesAndPrefixes) {
  Check({
      {"'My Sheet'!$A$1", "Sheet(My Sheet) Excl $Col(0) $Row(0)"},
      {"'It''s'!A1", "Sheet(It's) Excl Col(0) Row(0)"},
      {"[1]Sheet1!A1", "Book(1) Sheet(Sheet1) Excl Col(0) Row(0)"},
      {"'[Book 2.xlsx]Data'!B2", "Book(Book 2.xlsx) Sheet(Data) Excl Col(1) Row(1)"},
      {"Sheet1:Sheet3!B2", "Sheet(Sheet1) Colon Sheet(Sheet3) Excl Col(1) Row(1)"},
      {"'A b:C d'!B2", "Sheet(A b) Colon Sheet(C d) Excl Col(1) Row(1)"},
      {"A:C", "Col(0) Colon Col(2)"},
      {"$A:$C", "$Col(0) Colon $Col(2)"},
      {"2:5", "Row(1) Colon Row(4)"},
      {"Sheet1!$2:$5", "Sheet(Sheet1) Excl $Row(1) Colon $Row(4)"},
      {"A1048576", "Col(0) Row(1048575)"},
      {"A1048577", "Name(A1048577)"},
      {"XFD1", "Col(16383) Row(0)"},
      {"xfd1", "Col(16383) Row(0)"},
      {"XFE1", "Name(XFE1)"},
      {"ABCD1", "Name(ABCD1)"},
      {"A1B", "Name(A1B)"},
      {"Sheet1!#REF!", "Sheet(Sheet1) Excl #REF!"},
      {"Sheet1!Total", "Sheet(Sheet1) Excl Name(Total)"},
  });
}

TEST(Tokenizer_Parse, NamesAndFunctions) {
  Check({
      {"_xlfn.STDEV.S(A1:A3)", "Func(_xlfn.STDEV.S) Col(0) Row(0) Colon Col(0) Row(2) RPar"},
      {"true", "Name(true)"},
      {"NoSuchName+1", "Name(NoSuchName) + Num(1)"},
      {"MYFUNC(1)", "Func(MYFUNC) Num(1) RPar"},
      {"SUM(1,,2)", "Func(SUM) Num(1) Comma Comma Num(2) RPar"},
      {"PI()", "Func(PI) RPar"},
      {"\\name+_x.y", "Name(\\name) + Name(_x.y)"},
  });
}

// Mends: a name that reads as a cell reference followed by "(" calls a function; TRUE and FALSE
// are constants only when no name character (or "(") follows.
TEST(Tokenizer_Parse, CellLikeFunctionNamesAndLogicalWords) {
  Check({
      {"LOG10(A1)", "Func(LOG10) Col(0) Row(0) RPar"},
      {"ATAN2(1,2)", "Func(ATAN2) Num(1) Comma Num(2) RPar"},
      {"A1 (B1)", "Col(0) Row(0) ISect(1) LPar Col(1) Row(0) RPar"},
      {"TRUEVALUE", "Name(TRUEVALUE)"},
      {"FALSE_1+TRUE", "Name(FALSE_1) + TRUE"},
      {"TRUE()", "Func(TRUE) RPar"},
      {"IF(TRUE,FALSE)", "Func(IF) TRUE Comma FALSE RPar"},
  });
}

TEST(Tokenizer_Parse, StructuredReferences) {
  Check({
      {"Table1[[#Headers],[Amount]]", "Table(Table1) TableSpecial(Headers) Comma TableCol(Amount) RSq"},
      {"Table1[Amount]", "Table(Table1) TableCol(Amount) RSq"},
      {"SUM(Table1[[#This Row], [Net Amount]])",
       "Func(SUM) Table(Table1) TableSpecial(This Row) Comma TableCol(Net Amount) RSq RPar"},
      {"Table1[Price'[EUR']]", "Table(Table1) TableCol(Price'[EUR']) RSq"},
      {"Table1[[A]:[B]]", "Table(Table1) TableCol(A) Colon TableCol(B) RSq"},
      {"Table1[]", "Table(Table1) RSq"},
      {"[Amount]", "TableCol(Amount)"},
      {"Table1['#Total]", "Table(Table1) TableCol('#Total) RSq"},
  });
}

TEST(Tokenizer_Errors, NumberedErrorsOfTheTokenizer) {
  Check({
      {"#FOO!", "error E4001: Unknown error constant \"#FOO!\""},
      {"1.5E", "error E4002: Invalid exponent value"},
      {"1.", "error E4003: Invalid fractional number"},
      {"\"abc", "error E4004: Missing end quote character"},
      {"{1,2", "error E4005: Invalid array constant"},
      {"{1,A1}", "error E4005: Invalid array constant"},
      {"1+)", "error E4006: Error in formula"},
      {"SUM(1", "error E4007: Missing right parenthesis \"SUM(1\""},
      {"-", "error E4008: Invalid use of \"-\""},
      {"A:1", "error E4010: Invalid cell reference"},
      {"1:", "error E4010: Invalid cell reference"},
      {"Sheet1!5", "error E4010: Invalid cell reference"},
      {"''!A1", "error E4011: Invalid sheet name"},
      {"':B'!A1", "error E4011: Invalid sheet name"},
      {"'[]S'!A1", "error E4012: Invalid workbook name"},
      {"'[Book]'!A1", "error E4012: Invalid workbook name"},
      {"'abc", "error E4013: Missing \"'\""},
      {"'abc'A1", "error E4013: Missing \"!\""},
  });
}

// Mends: row ranges are checked like whole rows, and hostile nesting stops at a limit.
TEST(Tokenizer_Errors, RowZeroAndDeepNesting) {
  Check({
      {"0:0", "error E4010: Invalid cell reference"},
      {"1:1048577", "error E4010: Invalid cell reference"},
      {"1:1048576", "Row(0) Colon Row(1048575)"},
  });
  std::string deep(TXLSTokenizer::kMaxNesting + 10, '(');
  EXPECT_EQ(Tokens(deep + "1"), "error E4006: Error in formula");
  EXPECT_EQ(Tokens(std::string(TXLSTokenizer::kMaxNesting + 10, '-') + "1"),
            "error E4006: Error in formula");
  EXPECT_EQ(Tokens(std::string(TXLSTokenizer::kMaxNesting + 10, '{') + "1"),
            "error E4006: Error in formula");
  // Long flat chains do not nest.
  std::string chain = "1";
  for (int i = 0; i < 2000; ++i) chain += "+1";
  EXPECT_EQ(Tokens(chain).substr(0, 18), "Num(1) + Num(1) + ");
  std::string nested;
  for (int i = 0; i < 60; ++i) nested += "(";
  nested += "1";
  for (int i = 0; i < 60; ++i) nested += ")";
  EXPECT_EQ(Tokens(nested).substr(0, 10), "LPar LPar ");
}

// With an error list the scan goes on: the reports are collected and the token list is built.
TEST(Tokenizer_Errors, ReportsGoToTheListAndTheScanGoesOn) {
  test::FormulaTestErrors errors;
  errors.KeepList();
  TXLSTokenizer tokenizer(errors.Manager());
  tokenizer.SetFormula(u"1+)+#FOO+2");
  std::unique_ptr<TXLSTokenList> list = tokenizer.Parse();
  ASSERT_TRUE(list);
  EXPECT_EQ(errors.Messages(), (std::vector<std::string>{"E4006: Error in formula",
                                                         "E4001: Unknown error constant \"#FOO\""}));
  EXPECT_EQ(Describe(*list), "Num(1) + None U+ U+ Num(2)");
}

}  // namespace
}  // namespace xls
