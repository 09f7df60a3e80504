#include "xls/formula/xlsformuladecoder97.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/textcodec.h"
#include "tests/xls/formula/formulatestbook.h"
#include "tests/xls/formula/legacybytes.h"
#include "xls/formula/xlsformulahandler.h"
#include "xls/formula/xlslegacyfunctable.h"

namespace xls {
namespace {

using test::Bytes;
using test::Double;
using test::Hex;
using test::ToHex;

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// Decodes and gives the text, or "error " and the message.
std::string Text(const Bytes& ptgs, int32_t col = 0, int32_t row = 0, const TGetNameEvent& names = {},
                 const TXLSFormulaSeparators& seps = test::kComma, const TBIFFDecodeOptions& options = {}) {
  try {
    return kws::Utf16ToUtf8(DecodeBIFFFormula(ptgs, 0, col, row, names, seps.List, seps, options));
  } catch (const std::runtime_error& e) {
    return std::string("error ") + e.what();
  }
}

// Fixes up and gives the bytes in hex, or "error " and the message followed by the bytes.
std::string Fixed(Bytes ptgs, bool isBIFF8, int32_t col, int32_t row) {
  try {
    FixupSharedFormula(isBIFF8, ptgs, col, row);
    return ToHex(ptgs);
  } catch (const std::runtime_error& e) {
    return std::string("error ") + e.what() + " | " + ToHex(ptgs);
  }
}

TEST(ExcelFunctions, TableRows) {
  int hidden = 0, none = 0, one = 0, oneOrMore = 0;
  for (int32_t i = 0; i < kExcelFunctionCount; ++i) {
    const TExcelFunction& f = *ExcelFunction(i);
    hidden += f.Min == -1 && f.Max == -1;
    none += f.Min == 0 && f.Max == 0;
    one += f.Min == 1 && f.Max == 1;
    oneOrMore += f.Min == 1 && f.Max == kExcelFunctionAnyCount;
    if (f.Name[0] >= u'0' && f.Name[0] <= u'9') {
      EXPECT_EQ(kws::Utf16ToUtf8(f.Name), std::to_string(i));  // unnamed numbers
    }
  }
  EXPECT_EQ(hidden, 135);
  EXPECT_EQ(none, 7);
  EXPECT_EQ(one, 81);
  EXPECT_EQ(oneOrMore, 49);
  EXPECT_EQ(ExcelFunction(-1), nullptr);
  EXPECT_EQ(ExcelFunction(381), nullptr);

  const TExcelFunction& mid = *ExcelFunction(31);
  EXPECT_EQ(std::u16string_view(mid.Name), u"MID");
  EXPECT_EQ(mid.Min, 1);
  EXPECT_EQ(mid.Max, 3);
  const TExcelFunction& index = *ExcelFunction(29);  // RVVV
  EXPECT_EQ(Bytes(index.ArgClass, index.ArgClass + 6), Hex("20 40 40 40 00 00"));
  const TExcelFunction& rate = *ExcelFunction(60);  // six value arguments
  EXPECT_EQ(Bytes(rate.ArgClass, rate.ArgClass + 6), Hex("40 40 40 40 40 40"));
  const TExcelFunction& findb = *ExcelFunction(205);  // refused by name, classes kept
  EXPECT_EQ(findb.Min, -1);
  EXPECT_EQ(findb.ArgClass[0], 0x40);
}

TEST(ExcelFunctions, FindByExactName) {
  EXPECT_EQ(FindExcelFunction(u"SUM"), 4);
  EXPECT_EQ(FindExcelFunction(u"ISHYPERLINK"), 380);
  EXPECT_EQ(FindExcelFunction(u"DATEDIF"), 351);
  EXPECT_EQ(FindExcelFunction(u"255"), 255);
  EXPECT_EQ(FindExcelFunction(u"sum"), -1);  // no case folding
  EXPECT_EQ(FindExcelFunction(u"IFERROR"), -1);
}

TEST(DecodeBIFFFormula, TokensToText) {
  const Bytes ref = Hex("24 00 00 00 C0");   // A1
  const Bytes refB = Hex("24 00 00 01 C0");  // B1
  const struct {
    Bytes ptgs;
    const char* text;
  } cases[] = {
      {Hex("1E 01 00 1E 02 00 03"), "1+2"},
      {Hex("03"), "<Val missing>"},
      {Hex("1E 01 00 03"), "<Val missing>"},
      {Hex("FF 1E 05 00"), "5"},
      {Hex(""), "[ERROR]"},
      {Hex("FF"), "[ERROR]"},
      {Hex("41 13 00"), "PI()"},
      {Hex("1E 01 00 1E 02 00 42 02 04 00"), "SUM(1,2)"},
      {Hex("24 00 00 00 C0"), "A1"},
      {Hex("24 00 00 00 00"), "$A$1"},
      {Hex("24 00 00 00 40"), "A$1"},
      {Hex("64 00 00 00 C0"), "A1"},
      {Hex("44 FF FF FF 00"), "$IV$65536"},
      {Hex("25 00 00 01 00 00 C0 01 C0"), "A1:B2"},
      {Hex("01 00 00 00 00"), "Unknown ptg[01]"},
      {Hex("1E 01 00 01 00 00 00 00"), "Unknown ptg[01]"},
      {Hex("1E 01 00 1E 02 00 03 80"), "Unknown ptg[80]"},
      {Cat({ref, refB, Hex("10")}), "A1,B1"},
      {Cat({ref, refB, Hex("11")}), "A1:B1"},
      {Cat({ref, refB, Hex("0F")}), "A1 B1"},
      {Cat({ref, refB, Hex("09 15")}), "(A1<B1)"},
      {Cat({ref, Hex("13 14")}), "-A1%"},
      {Hex("1E 02 00 1E 03 00 07 12"), "+2^3"},
      {Hex("16"), ""},
      {Hex("17 03 00 61 62 63"), "\"abc\""},
      {Hex("17 02 01 41 00 1B 04"), "\"A\xD0\x9B\""},
      {Hex("17 00 00"), "\"\""},
      {Hex("1C 07"), "#DIV/0!"},
      {Hex("1C 2A"), "#N/A"},
      {Hex("1C 63"), "#???"},
      {Hex("1D 01 1D 00 08"), "TRUE&FALSE"},
      {Cat({Hex("1F"), Double(1.5)}), "1.5"},
      {Cat({Hex("1F"), Double(-2e20)}), "-2E20"},
      {Cat({ref, Hex("19 10 00 00")}), "SUM(A1)"},
      {Cat({ref, Hex("19 04 01 00 08 00 0A 00"), refB, Hex("42 02 64 00")}), "CHOOSE(A1,B1)"},
      {Cat({Hex("19 40 00 01"), ref}), "A1"},
      {Hex("2A 00 00 00 00 2B 00 00 00 00 00 00 00 00 03"), "#REF!+#REF!"},
      {Hex("23 01 00 00 00"), "[EXTERNNAME]"},
      {Hex("39 00 00 01 00 00 00"), "[EXTERNNAME X]"},
      {Hex("3A 00 00 01 00 02 C0"), "[ExternSheet]C2"},
      {Hex("5C 00 00 01 00 02 C0"), "[ExternSheet]#REF!"},
      {Hex("3C 00 00 01 00 02 C0"), "[ExternSheet]#REF!"},
      {Hex("3B 00 00 00 00 01 00 00 00 01 00"), "[ExternSheet]$A$1:$B$2"},
      {Hex("3D 00 00 00 00 01 00 00 00 01 00"), "[ExternSheet]#REF!"},
      {Hex("18 01 00 00 00 00 1E 01 00"), "1"},
      {Hex("18 0A 00 00 00 00 00 00 00 00 00 00 00 00 00 1E 01 00"), "1"},
      {Hex("18 06 05 00 02 00"), "C6"},
      {Hex("18 63 1E 01 00"), "1"},  // unknown sub-id, then 1 on top
      {Hex("18 63"), "Unknown eptg[63]"},
      // The memory tokens' sub-expression holds the operand; it is printed.
      {Cat({Hex("29 0B 00"), ref, refB, Hex("11 42 01 04 00")}), "SUM(A1:B1)"},
      {Cat({Hex("26 00 00 00 00 0B 00"), ref, refB, Hex("11")}), "A1:B1"},
      {Cat({Hex("28 00 00 00 00 05 00"), ref}), "A1"},
      {Cat({Hex("2E 0B 00"), ref, refB, Hex("10 15 42 01 04 00")}), "SUM((A1,B1))"},
      {Cat({Hex("4F 05 00"), ref}), "A1"},
      {Hex("41 E8 03"), "1000()"},  // a number past the table prints the number
      {Hex("42 01 04 00"), "error Function arguments missing"},
      {Hex("1E 01 00 42 02 04 00"), "error Function arguments missing"},
  };
  for (const auto& c : cases) EXPECT_EQ(Text(c.ptgs), c.text) << ToHex(c.ptgs);
}

TEST(DecodeBIFFFormula, LongStringAndTheTokenAfterIt) {
  Bytes ptgs = Hex("17 C8 01");
  for (int i = 0; i < 200; ++i) ptgs.insert(ptgs.end(), {static_cast<uint8_t>('a' + i % 26), 0x04});
  ptgs.insert(ptgs.end(), {0x1E, 0x07, 0x00, 0x08});
  const std::u16string text = DecodeBIFFFormula(ptgs, 0, 0, 0, {}, u',');
  ASSERT_EQ(text.size(), 204u);  // two quotes, 200 characters, "&7"
  EXPECT_EQ(text[1], u'\u0461');
  EXPECT_EQ(text.substr(201), u"\"&7");
}

TEST(DecodeBIFFFormula, RelativeTokensFromTheBaseCell) {
  const struct {
    const char* ptgs;
    int32_t col, row;
    const char* text;
  } cases[] = {
      {"2C 01 00 FF C0", 5, 10, "E12"},
      {"4C 01 00 FF C0", 5, 10, "E12"},
      {"2C 01 00 05 00", 5, 10, "$F$2"},  // absolute parts stay
      // Negative offsets wrap around the sheet: rows modulo 65536, columns modulo 256.
      {"2C FF FF FF C0", 3, 5, "C5"},
      {"2C FF FF FF C0", 0, 0, "IV65536"},
      {"2D 00 00 01 00 00 C0 01 C0", 2, 3, "C4:D5"},
      {"2D FF FF 00 00 FF C0 00 C0", 1, 1, "A1:B2"},
  };
  for (const auto& c : cases) EXPECT_EQ(Text(Hex(c.ptgs), c.col, c.row), c.text) << c.ptgs;
}

// A PtgFunc has no count of its own: MID is fixed at three arguments although the legacy table
// gives it 1 to 3.
TEST(DecodeBIFFFormula, FixedCountFromTheFunctionTable) {
  EXPECT_EQ(Text(Hex("24 00 00 00 C0 1E 02 00 1E 03 00 41 1F 00")), "MID(A1,2,3)");
  EXPECT_EQ(Text(Hex("17 01 00 61 1E 02 00 1E 01 00 17 01 00 62 41 77 00")), "REPLACE(\"a\",2,1,\"b\")");
  EXPECT_EQ(Text(Hex("1E 01 00 1E 02 00 41 27 00"), 0, 0, {}, test::kSemicolon), "MOD(1;2)");
}

TEST(DecodeBIFFFormula, ArrayConstants) {
  // Two columns, two rows, stored row by row.
  Bytes consts = Hex("01 01 00");
  for (double v : {1.0, 2.0, 3.0, 4.5}) consts = Cat({consts, Hex("01"), Double(v)});
  const Bytes head = {0xFE, static_cast<uint8_t>(consts.size()), 0x00};
  const Bytes arrayPtg = Hex("20 00 00 00 00 00 00 00");
  EXPECT_EQ(Text(Cat({head, arrayPtg, consts})), "{1,2;3,4.5}");
  EXPECT_EQ(Text(Cat({head, arrayPtg, consts}), 0, 0, {}, test::kSemicolon), "{1\\2;3\\4,5}");

  // Three columns, one row: a string, a Boolean, an error, an empty value; then a second array.
  const Bytes mixed = Cat({Hex("03 00 00 02 02 00 01 61 00 62 00 04 01"), Bytes(7, 0), Hex("10 2A"),
                           Bytes(7, 0), Hex("00"), Bytes(8, 0), Hex("00 00 00 02 01 00 00 7A")});
  const Bytes head2 = {0xFE, static_cast<uint8_t>(mixed.size()), 0x00};
  EXPECT_EQ(Text(Cat({head2, arrayPtg, Hex("60 00 00 00 00 00 00 00 10"), mixed})),
            "{\"ab\",TRUE,#N/A,},{\"z\"}");

  EXPECT_EQ(Text(Cat({Hex("FE 04 00"), arrayPtg, Hex("00 00 00 03")})), "Bad element ID#3 in array");
  // Constants that run short, a length past the array, an array token without constants.
  EXPECT_EQ(Text(Cat({Hex("FE 04 00"), arrayPtg, Hex("00 00 00 01")})), "error Truncated ptgs 20");
  EXPECT_EQ(Text(Cat({Hex("FE 09 00"), arrayPtg})), "error Truncated ptgs FE");
  EXPECT_EQ(Text(Cat({Hex("FF"), arrayPtg})), "error Truncated ptgs 20");
}

// An operator or a parenthesis with nothing to work on prints a marker instead of failing.
TEST(DecodeBIFFFormula, EmptyStackPrintsMarker) {
  for (const char* hex : {"15", "14", "12", "13", "19 10 00 00", "10", "11"})
    EXPECT_EQ(Text(Hex(hex)), "<Val missing>") << hex;
}

// Every token read is bounded by the array: each cut of a whole formula decodes or raises.
TEST(DecodeBIFFFormula, CutTokensRaiseTruncated) {
  EXPECT_EQ(Text(Hex("24 00 00")), "error Truncated ptgs 24");
  EXPECT_EQ(Text(Hex("17 05 00 61")), "error Truncated ptgs 17");
  EXPECT_EQ(Text(Hex("17 02 01 61 00 62")), "error Truncated ptgs 17");
  EXPECT_EQ(Text(Hex("19 04 02 00 00 00")), "error Truncated ptgs 19");
  EXPECT_EQ(Text(Hex("18")), "error Truncated ptgs 18");
  EXPECT_EQ(Text(Hex("1F 00 00")), "error Truncated ptgs 1F");
  const Bytes whole =
      Hex("FF 3B 00 00 00 00 01 00 00 00 01 00 17 02 01 61 00 62 00 24 00 00 00 C0 42 02 04 00");
  // Exact-size copies: a read past a cut is a sanitizer report.
  for (size_t n = 0; n < whole.size(); ++n) {
    const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_FALSE(Text(cut).empty()) << n;
  }
  EXPECT_EQ(Text(whole), "SUM(\"ab\",A1)");
  EXPECT_EQ(Text(Cat({whole, Hex("08")})), "[ExternSheet]$A$1:$B$2&SUM(\"ab\",A1)");
}

TEST(DecodeBIFFFormula, NamesAndSheetsFromTheResolver) {
  std::vector<std::string> calls;
  const TGetNameEvent names = [&](TFormulaNameType type, int32_t sheet, int32_t name, int32_t col,
                                  int32_t row) {
    calls.push_back(std::to_string(static_cast<int>(type)) + " " + std::to_string(sheet) + " " +
                    std::to_string(name) + " " + std::to_string(col) + " " + std::to_string(row));
    switch (type) {
      case TFormulaNameType::ntName:
        return std::u16string(u"Total");
      case TFormulaNameType::ntExternSheet:
        return std::u16string(name < 0 ? u"'My Sheet'!" : u"ADDIN");
      case TFormulaNameType::ntCurrBook:
        return std::u16string(u"Sheet1:Sheet3!");
      default:
        return std::u16string(u"42");
    }
  };
  EXPECT_EQ(Text(Hex("23 02 00 00 00 3A 03 00 01 00 02 C0 03"), 0, 0, names), "Total+'My Sheet'!C2");
  EXPECT_EQ(Text(Hex("39 01 00 05 00 00 00 1E 01 00 42 02 FF 00"), 0, 0, names), "ADDIN(1)");
  EXPECT_EQ(Text(Hex("18 07 05 00 02 00"), 0, 0, names), "42");
  const std::vector<std::string> expected = {"0 -1 2 0 0", "2 3 -1 0 0", "2 1 5 0 0", "4 0 -1 2 5"};
  EXPECT_EQ(calls, expected);
  // Without a resolver an add-in call takes its name from the text of its first argument.
  EXPECT_EQ(Text(Hex("17 03 00 46 4E 43 1E 01 00 42 02 FF 00")), "\"FNC\"(1)");
}

TEST(DecodeBIFFFormula, BIFF5Layouts) {
  const auto text5 = [](const char* hex, const TGetNameEvent& names = {}) {
    return Text(Hex(hex), 1, 1, names, test::kComma, {TBIFFFormulaVersion::BIFF5, {}});
  };
  EXPECT_EQ(text5("24 05 C0 02"), "C6");
  EXPECT_EQ(text5("24 05 00 02 25 00 00 01 00 00 01 03"), "$C$6+$A$1:$B$2");
  EXPECT_EQ(text5("2C FF FF FF"), "A1");  // offsets -1 from B2
  EXPECT_EQ(text5("17 02 41 42"), "\"AB\"");
  // 8-bit strings in the file's code page: GBK D6 D0 is U+4E2D, in an array constant too.
  const TBIFFDecodeOptions gbk{TBIFFFormulaVersion::BIFF5, [](std::span<const uint8_t> bytes) {
                                 const std::string_view s(reinterpret_cast<const char*>(bytes.data()),
                                                          bytes.size());
                                 return kws::DecodeCharset(s, "GBK").value_or(u"?");
                               }};
  EXPECT_EQ(Text(Hex("FE 0B 00 17 02 D6 D0 20 00 00 00 00 00 00 00 08 01 00 00 02 02 D6 D0 02 02 D6 D0"), 0,
                 0, {}, test::kComma, gbk),
            "\"\xE4\xB8\xAD\"&{\"\xE4\xB8\xAD\",\"\xE4\xB8\xAD\"}");
  EXPECT_EQ(text5("2A 00 00 00"), "#REF!");
  std::vector<std::string> calls;
  const TGetNameEvent names = [&](TFormulaNameType type, int32_t sheet, int32_t name, int32_t, int32_t) {
    calls.push_back(std::to_string(static_cast<int>(type)) + " " + std::to_string(sheet) + " " +
                    std::to_string(name));
    return std::u16string(type == TFormulaNameType::ntName ? u"N" : u"S!");
  };
  EXPECT_EQ(text5("23 03 00 00 00 00 00 00 00 00 00 00 00 00 00", names), "N");
  // 3-D reference into this workbook (negative index): sheets 0 to 2; then one to another book.
  EXPECT_EQ(text5("3A FF FF 00 00 00 00 00 00 00 00 00 00 02 00 00 C0 01 "
                  "3A 02 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 11",
                  names),
            "S!B1:S!$A$1");
  const std::vector<std::string> expected = {"0 -1 3", "3 0 2", "2 1 -1"};
  EXPECT_EQ(calls, expected);
}

TEST(FixupSharedFormula, RelativeTokensBecomeReferencesOfTheCell) {
  const struct {
    bool biff8;
    const char* ptgs;
    int32_t col, row;
    const char* fixed;
  } cases[] = {
      {true, "2C 01 00 FF C0", 5, 10, "24 0B 00 04 C0"},
      {true, "4C 01 00 FF C0", 5, 10, "44 0B 00 04 C0"},
      {true, "6C 00 00 00 80", 5, 10, "64 0A 00 00 80"},  // column absolute
      {true, "2C 05 00 07 00", 5, 10, "24 05 00 07 00"},
      {true, "2D 00 00 01 00 00 C0 01 C0", 2, 3, "25 03 00 04 00 02 C0 03 C0"},
      // Negative offsets wrap: rows to 16 bits, columns to 8.
      {true, "2C FF FF FF C0", 0, 0, "24 FF FF FF C0"},
      {true, "2C FF FF FF C0", 3, 5, "24 04 00 02 C0"},
      // Other tokens are stepped over by their sizes.
      {true, "1E 01 00 2C 00 00 00 C0 03", 1, 1, "1E 01 00 24 01 00 01 C0 03"},
      {true, "17 02 01 61 00 62 00 2C 00 00 00 C0 08", 1, 1, "17 02 01 61 00 62 00 24 01 00 01 C0 08"},
      {true, "17 02 00 2C 2C 2C 00 00 00 C0 08", 1, 1, "17 02 00 2C 2C 24 01 00 01 C0 08"},
      {true, "19 04 01 00 08 00 0A 00 2C 00 00 00 C0", 1, 1, "19 04 01 00 08 00 0A 00 24 01 00 01 C0"},
      {true, "19 10 00 00 3A 00 00 00 00 00 C0 2C 00 00 00 C0", 1, 1,
       "19 10 00 00 3A 00 00 00 00 00 C0 24 01 00 01 C0"},
      {true, "39 00 00 01 00 00 00 3B 00 00 00 00 00 00 00 00 00 00 2C 00 00 00 C0", 2, 2,
       "39 00 00 01 00 00 00 3B 00 00 00 00 00 00 00 00 00 00 24 02 00 02 C0"},
      // The references of a memory token's sub-expression are fixed too.
      {true, "29 0B 00 2C 00 00 00 C0 2C 00 00 01 C0 11", 1, 1, "29 0B 00 24 01 00 01 C0 24 01 00 02 C0 11"},
      {true, "26 00 00 00 00 05 00 2C 00 00 00 C0", 1, 1, "26 00 00 00 00 05 00 24 01 00 01 C0"},
      {false, "2C 05 80 03", 0, 10, "24 0F 80 03"},
      {false, "2C 00 C0 FF", 5, 10, "24 0A C0 04"},
      {false, "2C FF FF 00", 0, 0, "24 FF FF 00"},  // row wraps to 14 bits
      {false, "2D 00 C0 01 C0 00 01", 1, 1, "25 01 C0 02 C0 01 02"},
      {false, "17 02 61 62 2C 00 C0 00", 1, 1, "17 02 61 62 24 01 C0 01"},
      {false, "23 01 00 00 00 00 00 00 00 00 00 00 00 00 00 2C 00 C0 00", 1, 1,
       "23 01 00 00 00 00 00 00 00 00 00 00 00 00 00 24 01 C0 01"},
      {false, "3A FF FF 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 2C 00 C0 00", 1, 1,
       "3A FF FF 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 24 01 C0 01"},
  };
  for (const auto& c : cases) EXPECT_EQ(Fixed(Hex(c.ptgs), c.biff8, c.col, c.row), c.fixed) << c.ptgs;
}

TEST(FixupSharedFormula, BadTokensRaiseAndLeaveTheRest) {
  EXPECT_EQ(Fixed(Hex("01 00 00 00 00"), true, 0, 0),
            "error Unknown ptg[01] in Shared Formula | 01 00 00 00 00");
  EXPECT_EQ(Fixed(Hex("2C 00 00 00 C0 50 00"), true, 1, 1),
            "error Unknown ptg[50] in Shared Formula | 24 01 00 01 C0 50 00");
  EXPECT_EQ(Fixed(Hex("80"), false, 0, 0), "error Unknown ptg[80] in Shared Formula | 80");
  EXPECT_EQ(Fixed(Hex("2C 00 00 00"), true, 1, 1), "error Truncated ptgs 2C | 2C 00 00 00");
  EXPECT_EQ(Fixed(Hex("17 03 00 61"), true, 1, 1), "error Truncated ptgs 17 | 17 03 00 61");
}

// The fix-up never writes past the bytes it is given, even where the bytes after them would
// complete a token.
TEST(FixupSharedFormula, NeverWritesPastTheArray) {
  for (bool biff8 : {true, false}) {
    Bytes buffer = Hex("1E 01 00 2D 00 C0 00 C0 00 00 00 C0");
    const Bytes before = buffer;
    EXPECT_THROW(FixupSharedFormula(biff8, std::span<uint8_t>(buffer).first(6), 3, 3), std::runtime_error);
    EXPECT_EQ(buffer, before);
  }
}

TEST(LegacyFormulaDecode, HandlerDecodesLegacyArrays) {
  test::TestBook book;
  test::FormulaTestErrors errors;
  TXLSFormulaHandler handler(book, errors.Manager(), test::kSemicolon);
  EXPECT_EQ(kws::Utf16ToUtf8(handler.DecodeFormula(
                nullptr, 0, Hex("FF 24 00 00 00 C0 1E 02 00 1E 03 00 41 1F 00"), false)),
            "MID(A1;2;3)");
  const TXLSLegacyFormulaDecode decode = MakeLegacyFormulaDecode(
      test::kComma,
      [](TFormulaNameType, int32_t, int32_t, int32_t, int32_t) { return std::u16string(u"Data2!"); });
  EXPECT_EQ(kws::Utf16ToUtf8(decode(Hex("FF 3A 00 00 01 00 02 C0 1E 01 00 42 02 04 00"), 0)),
            "SUM(Data2!C2,1)");
}

}  // namespace
}  // namespace xls
