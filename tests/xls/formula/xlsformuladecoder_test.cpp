#include "xls/formula/xlsformuladecoder.h"

#include <gtest/gtest.h>

#include "xls/model/formatsettings.h"

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/textcodec.h"
#include "tests/xls/formula/formulatestbook.h"
#include "tests/xls/formula/ptgbuilder.h"

namespace xls {
namespace {

using test::PtgBuilder;
using Bytes = std::vector<uint8_t>;

using test::kComma;
using test::kSemicolon;

struct Decoding {
  test::TestBook book;
  test::TestCells cells;
  std::string Text(const Bytes& ptgs, TXLSFormulaSeparators seps = kComma, int32_t sheet = 0,
                   bool saveToFile = false, bool withCells = true) {
    TXLSFormulaDecoder decoder(book, seps);
    try {
      return kws::Utf16ToUtf8(
          decoder.Decode(withCells ? &cells : nullptr, sheet, ptgs, TXLSFormulaDecoder::kNoStop, saveToFile));
    } catch (const std::runtime_error& e) {
      return std::string("error ") + e.what();
    }
  }
};

// Own token bodies of the tests: area body of the table Sales (A1:B5 with a header row).
Bytes TableArea() { return PtgBuilder().Area(0, 1, 1, 4); }

TEST(FormulaDecoder_Decode, OperatorsFunctionsAndConstants) {
  Decoding d;
  const struct {
    const char* what;
    Bytes ptgs;
    const char* comma;
    const char* semicolon;
  } cases[] = {
      {"1+2*3", PtgBuilder().Int(1).Int(2).Int(3).Id(ptg::Mul).Id(ptg::Add), "1+2*3", "1+2*3"},
      {"(1+2)*3", PtgBuilder().Int(1).Int(2).Id(ptg::Add).Id(ptg::Paren).Int(3).Id(ptg::Mul), "(1+2)*3", "(1+2)*3"},
      {"-A1%", PtgBuilder().Ref(0, 0).Id(ptg::UMinus).Id(ptg::Percent), "-A1%", "-A1%"},
      {"SUM(1,,2)", PtgBuilder().Int(1).Id(ptg::MissArg).Int(2).FuncVar(3, 4), "SUM(1,,2)", "SUM(1;;2)"},
      {"SUM()", PtgBuilder().FuncVar(0, 4), "SUM()", "SUM()"},
      {"PI()", PtgBuilder().Func(19), "PI()", "PI()"},
      {"ROUND(1.5,0)", PtgBuilder().Num(1.5).Int(0).Func(27), "ROUND(1.5,0)", "ROUND(1,5;0)"},
      {"SUM( A1)", PtgBuilder().Id(ptg::Space).U8(1).Ref(0, 0).FuncVar(1, 4), "SUM( A1)", "SUM( A1)"},
      {"A1 B1", PtgBuilder().Ref(0, 0).Ref(1, 0).Id(ptg::ISect).U8(1), "A1 B1", "A1 B1"},
      {"(A1,B1)", PtgBuilder().Ref(0, 0).Ref(1, 0).Id(ptg::Union).Id(ptg::Paren), "(A1,B1)", "(A1;B1)"},
      {"{1,2;3,4}", PtgBuilder().Int(1).Int(2).Int(3).Int(4).Id(ptg::Array).U16(2).U32(2), "{1,2;3,4}", "{1\\2;3\\4}"},
      {"{}", PtgBuilder().Id(ptg::Array).U16(0).U32(0), "{}", "{}"},
      {"MYFUNC(1)", PtgBuilder().Int(1).Id(ptg::UserFunc).U8(1).U16(2).U16('M').U16('F'), "MF(1)", "MF(1)"},
      {"$A$1:B$2", PtgBuilder().Id(ptg::Area).U32(kPtgRowAbs).U32(1 | kPtgRowAbs).U16(kPtgColAbs).U16(1), "$A$1:B$2", "$A$1:B$2"},
      {"A:A", PtgBuilder().Area(0, 0, 0, kXLSMaxRow), "A1:A1048576", "A1:A1048576"},
      {"XFD1048576", PtgBuilder().Ref(kXLSMaxCol, kXLSMaxRow), "XFD1048576", "XFD1048576"},
      {"#DIV/0! TRUE FALSE", PtgBuilder().Id(ptg::Err).U8(2).Id(ptg::Bool).U8(1).Id(ptg::Concat).Id(ptg::Bool).U8(0).Id(ptg::Concat), "#DIV/0!&TRUE&FALSE", "#DIV/0!&TRUE&FALSE"},
      {"Total+#NAME?", PtgBuilder().Id(ptg::Name).U16(0).Id(ptg::Name).U16(0xFFFF).Id(ptg::Add), "Total+#NAME?", "Total+#NAME?"},
      {"moved-off references", PtgBuilder().Id(ptg::RefErr).Cell(0, 0).Id(ptg::AreaErr).Body(0, 0, 1, 1).Id(ptg::Add), "#REF!+#REF!", "#REF!+#REF!"},
      {"-2147483646", PtgBuilder().Int(-2147483646), "-2147483646", "-2147483646"},
      {"closing token is skipped", PtgBuilder().Int(1).Id(ptg::RPar), "1", "1"},
      {"empty array", {}, "???", "???"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(d.Text(c.ptgs, kComma), c.comma) << c.what;
    EXPECT_EQ(d.Text(c.ptgs, kSemicolon), c.semicolon) << c.what;
  }
}

// Mends: quotes inside strings and apostrophes inside sheet names are doubled, so that the text
// reads back as the same formula.
TEST(FormulaDecoder_Decode, StringsAndSheetNamesReadBack) {
  Decoding d;
  EXPECT_EQ(d.Text(PtgBuilder().Str(u"a\"b")), "\"a\"\"b\"");
  EXPECT_EQ(d.Text(PtgBuilder().Str(u"")), "\"\"");
  EXPECT_EQ(d.Text(PtgBuilder().Id(ptg::Ref3d).Cell(0, 0).U8(1)), "'My Sheet'!A1");
  EXPECT_EQ(d.Text(PtgBuilder().Id(ptg::Ref3d).Cell(0, 0).U8(2)), "Data2!A1");
  EXPECT_EQ(d.Text(PtgBuilder().Id(ptg::Ref3d).Cell(0, 0).U8(3)), "'It''s'!A1");
  EXPECT_EQ(d.Text(PtgBuilder().Id(ptg::Area3d).Body(0, 0, 1, 1).U8(2)), "Data2!A1:B2");
  EXPECT_EQ(d.Text(PtgBuilder().Id(ptg::Ref3dRange).Cell(1, 1).U8(0).U8(2)), "Sheet1:Data2!B2");
  EXPECT_EQ(d.Text(PtgBuilder().Id(ptg::Area3dRange).Body(0, 0, 1, 1).U8(0).U8(1)), "'Sheet1:My Sheet'!A1:B2");
  EXPECT_EQ(d.Text(PtgBuilder().Id(ptg::AreaErr3d).Bytes(Bytes(12, 0)).U8(1)), "'My Sheet'!#REF!");
  EXPECT_EQ(d.Text(PtgBuilder().Id(ptg::Err3d).Bytes(Bytes(6, 0)).U8(4)), "#REF!");
}

TEST(FormulaDecoder_Decode, ExternalBooks) {
  Decoding d;
  const Bytes ref = PtgBuilder().Id(ptg::RefExt).Cell(0, 0).U16(0).U8(1);
  EXPECT_EQ(d.Text(ref), "[Other.xlsx]Feb!A1");
  EXPECT_EQ(d.Text(ref, kComma, 0, true), "[1]Feb!A1");
  EXPECT_EQ(d.Text(PtgBuilder().Id(ptg::AreaExtRange).Body(0, 0, 1, 1).U16(0).U8(0).U8(1), kComma, 0, true),
            "[1]Jan:Feb!A1:B2");
  // Mend: a prefix that would not read back unquoted is quoted as a whole.
  const Bytes spaced = PtgBuilder().Id(ptg::RefExt).Cell(0, 0).U16(1).U8(0);
  EXPECT_EQ(d.Text(spaced), "'[Book 1.xlsx]My Data'!A1");
  EXPECT_EQ(d.Text(spaced, kComma, 0, true), "'[2]My Data'!A1");
}

TEST(FormulaDecoder_Decode, TablesAndDataTables) {
  Decoding d;
  const Bytes amount = PtgBuilder().Id(ptg::TableCol).U16(0).U16(1).Bytes(TableArea());
  const Bytes sales = PtgBuilder().Id(ptg::Table).U16(0).U16(0xFFFF).U8(1).Bytes(TableArea());
  EXPECT_EQ(d.Text(PtgBuilder().Bytes(amount).Bytes(sales)), "Sales[Amount]");
  const Bytes headers = PtgBuilder().Id(ptg::TableSpecial).U8(3).U8(0).Bytes(TableArea());
  const Bytes sales2 = PtgBuilder().Id(ptg::Table).U16(0).U16(0).U8(2).Bytes(TableArea());
  // Named by its sheet, the table is found from a formula of any sheet.
  EXPECT_EQ(d.Text(PtgBuilder().Bytes(headers).Bytes(amount).Bytes(sales2), kSemicolon, 2),
            "Sales[[#Headers];[Amount]]");
  // Column names are escaped as they are read.
  d.book.sheetTables[0].tables[0].columns[1] = u"Price[EUR]#";
  EXPECT_EQ(d.Text(PtgBuilder().Bytes(amount).Bytes(sales)), "Sales[Price'[EUR']'#]");
  auto table = [](uint8_t flags) {
    return Bytes(PtgBuilder().Id(ptg::DataTable).U8(flags).U16(0).U32(0).U16(1).U32(1));
  };
  EXPECT_EQ(d.Text(table(0x04)), "TABLE(A1,B2)");
  EXPECT_EQ(d.Text(table(0x08)), "TABLE(A1,)");
  EXPECT_EQ(d.Text(table(0x00)), "TABLE(,A1)");
  EXPECT_EQ(d.Text(table(0x04 | 0x02)), "TABLE(A1,#REF!)");
}

TEST(FormulaDecoder_Decode, CellsThatStandForAnotherCellsFormula) {
  Decoding d;
  d.cells.tokens[{2, 3}] = PtgBuilder().Ref(0, 0).Int(1).Id(ptg::Add);
  d.cells.texts[{4, 4}] = u"SUM(A1:A3)";
  d.cells.tokens[{5, 5}] = PtgBuilder().Id(ptg::ArrayCell).U16(2).U32(3);
  EXPECT_EQ(d.Text(PtgBuilder().Id(ptg::ArrayCell).U16(2).U32(3)), "A1+1");
  EXPECT_EQ(d.Text(PtgBuilder().Id(ptg::DataTableCell).U16(4).U32(4)), "SUM(A1:A3)");
  // Followed one level only: a cell pointing to a cell pointing on raises.
  EXPECT_EQ(d.Text(PtgBuilder().Id(ptg::ArrayCell).U16(5).U32(5)), "error Nested formula cell reference");
  EXPECT_EQ(d.Text(PtgBuilder().Id(ptg::ArrayCell).U16(9).U32(9)), "error Formula is not compiled");
  EXPECT_EQ(d.Text(PtgBuilder().Id(ptg::ArrayCell).U16(2).U32(3), kComma, 0, false, false),
            "error Decode formula with ACells = Nil");
}

// Mends: damaged arrays raise cleanly, whatever they hold.
TEST(FormulaDecoder_Errors, DamagedArraysRaise) {
  Decoding d;
  const struct {
    const char* what;
    Bytes ptgs;
    const char* message;
  } cases[] = {
      {"binary operator on one operand", PtgBuilder().Int(1).Id(ptg::Add), "Empty decode stack"},
      {"unary operator on nothing", PtgBuilder().Id(ptg::UMinus), "Empty decode stack"},
      {"percent on nothing", PtgBuilder().Id(ptg::Percent), "Empty decode stack"},
      {"parentheses around nothing", PtgBuilder().Id(ptg::Paren), "Empty decode stack"},
      {"function with more arguments than operands", PtgBuilder().Int(1).FuncVar(3, 4), "Empty decode stack"},
      {"fixed function without its operands", PtgBuilder().Func(27), "Empty decode stack"},
      {"array larger than its operands", PtgBuilder().Int(1).Id(ptg::Array).U16(2).U32(0x7FFFFFFF), "Empty decode stack"},
      {"table with more items than operands", PtgBuilder().Id(ptg::Table).U16(0).U16(0).U8(5).Bytes(TableArea()), "Empty decode stack"},
      {"unknown function id", PtgBuilder().Func(53), "Unknown function id \"53\""},
      {"unknown variable function id", PtgBuilder().FuncVar(0, 900), "Unknown function id \"900\""},
      {"name index past the names", PtgBuilder().Id(ptg::Name).U16(3), "List index out of bounds (3)"},
      {"sheet index past the sheets", PtgBuilder().Id(ptg::Ref3d).Cell(0, 0).U8(4), "List index out of bounds (4)"},
      {"book index past the links", PtgBuilder().Id(ptg::RefExt).Cell(0, 0).U16(2).U8(0), "List index out of bounds (2)"},
      {"external sheet past the book's sheets", PtgBuilder().Id(ptg::RefExt).Cell(0, 0).U16(0).U8(2), "List index out of bounds (2)"},
      {"table index past the tables", PtgBuilder().Id(ptg::Table).U16(1).U16(0).U8(0).Bytes(TableArea()), "List index out of bounds (1)"},
      {"table column past the columns", PtgBuilder().Id(ptg::TableCol).U16(0).U16(2).Bytes(TableArea()), "List index out of bounds (2)"},
      {"table special past the specifiers", PtgBuilder().Id(ptg::TableSpecial).U8(6).U8(0).Bytes(TableArea()), "List index out of bounds (6)"},
      {"error code past the errors", PtgBuilder().Id(ptg::Err).U8(9), "Unknown error code 9"},
      {"id 0", {0}, "Illegal ptgs 00"},
      {"unknown id", {0x85}, "Unknown Ptg \"85\""},
      {"legacy form", {0xFF, 0x1E, 1, 0}, "Unknown Ptg \"FF\""},
      {"argument separator of the encoder", {0xF0}, "Unknown Ptg \"F0\""},
      {"truncated string", PtgBuilder().Id(ptg::Str).U16(3).U16('a'), "Truncated ptgs 8A"},
      {"truncated area", {ptg::Area, 1, 2, 3}, "Truncated ptgs 86"},
      {"0xB9 array too short", {0xB9, 1, 0}, "Unknown Ptg \"B9\""},
  };
  for (const auto& c : cases) EXPECT_EQ(d.Text(c.ptgs), std::string("error ") + c.message) << c.what;
  // Sheet index -1: the table token of the own sheet has no tables to look in.
  EXPECT_EQ(d.Text(PtgBuilder().Id(ptg::Table).U16(0).U16(0xFFFF).U8(0).Bytes(TableArea()), kComma, -1),
            "error List index out of bounds (0)");
  Bytes many;
  for (int i = 0; i < TStringStack::kSize + 1; ++i) many = PtgBuilder().Bytes(many).Int(i);
  EXPECT_EQ(d.Text(many), "error Out of decode stack");
}

TEST(FormulaDecoder_Decode, StopsAtTheStopOffset) {
  Decoding d;
  const Bytes ptgs = PtgBuilder().Int(1).Int(2).Id(ptg::Add).Id(0x00);
  TXLSFormulaDecoder decoder(d.book, kComma);
  EXPECT_EQ(decoder.Decode(nullptr, 0, ptgs, 11), u"1+2");
  EXPECT_EQ(decoder.Decode(nullptr, 0, ptgs, 5), u"1");
}

TEST(FormatGeneral_FormulaNumbers, FifteenDigitsPlainOrScientific) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {1.5, "1.5"},         {0.1 + 0.2, "0.3"},        {-2.5, "-2.5"},
      {1.0 / 3, "0.333333333333333"}, {123456789012345.0, "123456789012345"},
      {1e15, "1E15"},       {1e20, "1E20"},            {1.5e-7, "1.5E-7"},
      {0.00001, "0.00001"}, {0.0000099, "9.9E-6"},    {100, "100"},
      {2.5e300, "2.5E300"}, {0.0, "0"},
  };
  for (const auto& c : cases) EXPECT_EQ(kws::Utf16ToUtf8(FormatGeneral(c.value, u'.')), c.text) << c.text;
  EXPECT_EQ(FormatGeneral(1.5, u','), u"1,5");
  EXPECT_EQ(FormatGeneral(1.5e-7, u','), u"1,5E-7");
}

}  // namespace
}  // namespace xls

namespace xls {
namespace {

TEST(DecodeFormulaOfAnyForm, FormsAndTheirFaults) {
  test::TestBook book;
  test::TestCells cells;
  cells.tokens[{1, 2}] = test::PtgBuilder().Int(7);
  cells.tokens[{3, 3}] = {0xFF, 0x1E, 1, 0};
  cells.tokens[{4, 4}] = test::PtgBuilder().Id(ptg::OtherCell).U16(1).U32(2);
  cells.texts[{5, 5}] = u"A1+1";
  TXLSFormulaDecoder decoder(book, {});
  const TXLSLegacyFormulaDecode legacy = [](std::span<const uint8_t> p, int32_t) {
    return u"legacy " + std::u16string(1, char16_t(u'0' + p.size()));
  };
  auto text = [&](const std::vector<uint8_t>& ptgs, bool withCells = true, bool withLegacy = true) {
    try {
      return kws::Utf16ToUtf8(DecodeFormulaOfAnyForm(decoder, withCells ? &cells : nullptr, 0, ptgs, false,
                                                     withLegacy ? legacy : TXLSLegacyFormulaDecode()));
    } catch (const std::runtime_error& e) {
      return std::string("error ") + e.what();
    }
  };
  auto other = [](uint16_t col, uint32_t row) { return std::vector<uint8_t>(test::PtgBuilder().Id(ptg::OtherCell).U16(col).U32(row)); };
  EXPECT_EQ(text(test::PtgBuilder().Int(3)), "3");
  EXPECT_EQ(text(other(1, 2)), "7");
  EXPECT_EQ(text(other(3, 3)), "legacy 4");
  EXPECT_EQ(text({0xFF, 0x1E, 1, 0}), "legacy 4");
  EXPECT_EQ(text({0xFF, 0x1E, 1, 0}, true, false), "error No decoder for legacy formula tokens");
  EXPECT_EQ(text(other(5, 5)), "error Formula is not compiled");
  EXPECT_EQ(text(other(6, 6)), "error Formula is not compiled");
  EXPECT_EQ(text(other(4, 4)), "error Nested formula cell reference");
  EXPECT_EQ(text({0xB9, 1, 0, 2, 0}), "error Truncated ptgs B9");
  EXPECT_EQ(text(other(1, 2), false), "error Decode formula with ACells = Nil");
  EXPECT_EQ(text({}), "error Empty formula");
}

}  // namespace
}  // namespace xls
