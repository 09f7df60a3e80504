// Legacy formula text to BIFF8 tokens: the tokenizer's token lists and the encoder's bytes, as
// tables of formula texts; the decoder reads the encoder's tokens back where the text is one the
// decoder prints.
#include "xls/formula/xlsformulaencoder97.h"

#include <gtest/gtest.h>

#include <bit>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/textcodec.h"
#include "tests/xls/formula/legacybytes.h"
#include "xls/formula/xlsformuladecoder97.h"
#include "xls/model/xlserrors.h"

namespace xls {
namespace {

using test::Bytes;
using test::ToHex;
using TT = TTokenType;

std::string DoubleHex(double v) { return ToHex(test::Double(v)); }

std::u16string U(std::string_view s) { return kws::Utf8ToUtf16(s); }
std::string N(std::u16string_view s) { return kws::Utf16ToUtf8(s); }

// An encoder whose events know two sheets (index 1 SHEET2, index 2 My Sheet, entries 5 and 6) and
// the defined names TOTAL (0) and RATE (1).
struct Encoder {
  TEncodeFormula e;
  std::vector<std::string> externCalls;
  Encoder() {
    e._OnUnknownName = [](std::u16string_view name, int32_t& id) {
      id = name == u"TOTAL" ? 0 : name == u"RATE" ? 1 : -1;
    };
    e.OnExternName = [this](std::u16string_view path, std::u16string_view file, std::u16string_view sheet,
                            std::u16string_view name, bool isRef, int32_t& ext, int32_t& nameIndex) {
      externCalls.push_back(N(path) + "|" + N(file) + "|" + N(sheet) + "|" + N(name) + "|" + (isRef ? "ref" : "name"));
      if (path.empty() && file.empty() && (sheet == u"SHEET2" || sheet == u"My Sheet")) {
        nameIndex = sheet == u"SHEET2" ? 1 : 2;
        ext = nameIndex + 4;
      }
    };
  }
  // The token bytes as hex, or "error " and the exception's message (its first line).
  std::string Run(std::u16string_view text, uint8_t cls = 0, size_t bufSize = 512) {
    Bytes buf(bufSize);
    try {
      const int32_t n = e.Encode(text, cls, TFormulaVersion::fvExcel97, buf);
      buf.resize(size_t(n));
      return ToHex(buf);
    } catch (const XLSRWException& x) {
      std::string m = x.what();
      for (char& c : m)
        if (c == '\r') c = '|';
      return "error " + m;
    }
  }
};

TEST(LegacyEncoder, OperatorsConstantsAndFunctions) {
  const struct {
    const char* text;
    uint8_t cls;
    std::string want;
  } cases[] = {
      {"1+2*3", 0, "1E 01 00 1E 02 00 1E 03 00 05 03"},
      {"2^3^2", 0, "1E 02 00 1E 03 00 07 1E 02 00 07"},
      {"-(-1)", 0, "1E 01 00 13 15 13"},
      {"--1", 0, "1E 01 00 13 13"},
      {"10%+5", 0, "1E 0A 00 14 1E 05 00 03"},
      {"1&\"a\"<>A1", 0, "1E 01 00 17 01 01 61 00 08 44 00 00 00 C0 0E"},
      {"65535", 0, "1E FF FF"},
      {"65536", 0, "1F " + DoubleHex(65536)},
      {"1.5", 0, "1F " + DoubleHex(1.5)},
      {"-1", 0, "1E 01 00 13"},
      {"TRUE=FALSE", 0, "1D 01 1D 00 0B"},
      {"\"\"", 0, "17 00 00"},
      {"SUM(A1,,B2)", 0, "24 00 00 00 C0 16 24 01 00 01 C0 42 03 04 00"},
      {"PI()", 0, "41 13 00"},
      {"NOW()+1", 0, "41 4A 00 1E 01 00 03"},
      {"IF(1)", 0, "1E 01 00 42 01 01 00"},
      {"MID(1)", 0, "1E 01 00 42 01 1F 00"},
      {"SUM()", 0, "42 00 04 00"},
      {"SUM(1,)", 0, "1E 01 00 42 01 04 00"},
      {"SUM(1", 0, "1E 01 00 42 01 04 00"},
      {"TRUE()", 0, "41 22 00"},
      {"A1+SUM(B1)+C1", 0x20, "24 00 00 00 C0 24 00 00 01 C0 42 01 04 00 03 44 00 00 02 C0 03"},
      {"$A$1:B$2", 0, "45 00 00 01 00 00 00 01 40"},
      {"IV65536", 0, "44 FF FF FF C0"},
      {"TOTAL*Rate", 0, "43 01 00 00 00 43 02 00 00 00 05"},
      {" 1", 0, "19 40 00 01 1E 01 00"},
      {"( 1 )", 0, "19 40 00 01 1E 01 00 19 40 04 01 15"},
      {"ROUND(1)", 0, "error Error in formula ROUND(1)|Wrong number of arguments for function ROUND"},
      {"GOTO(A1)", 0, "error Error in formula GOTO(A1)|Invalid function name GOTO"},
      {"SUM(1,", 0, "error Error in formula SUM(1,|Closing paranthese missing in function"},
      {"(1", 0, "error Error in formula (1|Missmatching parantheses"},
      {"BOGUS", 0, "error Error in formula BOGUS|Unknown name BOGUS"},
      {"Nowhere!A1", 0, "error Error in formula Nowhere!A1|Unknown name NOWHERE"},
      {"[Book1.xls]Sheet1!A1", 0, "error Error in formula [Book1.xls]Sheet1!A1|Invalid constant BOOK1.XLS"},
      {"  ", 0, "error Error in formula   |Empty formula"},
      {"{1,2}", 0, "error Error in formula"},
      {".5", 0, "error Illegal use of decimal separator"},
      {"1+?", 0, "error Invalid name"},
  };
  for (const auto& c : cases) {
    Encoder enc;
    EXPECT_EQ(enc.Run(U(c.text), c.cls), c.want) << c.text;
  }
}

// Sound behaviour where a plain reading of the format would lose or mistake text.
TEST(LegacyEncoder, Mends) {
  const struct {
    std::string text;
    std::string want;
  } cases[] = {
      // Error literals are PtgErr, not operators and names.
      {"#N/A", "1C 2A"},
      {"IF(A1,#DIV/0!,#REF!)", "44 00 00 00 C0 1C 07 1C 17 42 03 01 00"},
      {"#NULL!+#VALUE!&#NAME?&#NUM!", "1C 00 1C 0F 03 1C 1D 08 1C 24 08"},
      {"#BOGUS!", "error Error in formula #BOGUS!|Invalid symbol #BOGUS!"},
      // A doubled double quote in a string is one quote.
      {"\"a\"\"b\"", "17 03 01 61 00 22 00 62 00"},
      // Numbers take an exponent.
      {"1E20", "1F " + DoubleHex(1e20)},
      {"2.5E-3*4", "1F " + DoubleHex(2.5e-3) + " 1E 04 00 05"},
      {"1E", "error Error in formula 1E|Illegal number"},
      {"1E999", "error Error in formula 1E999|Invalid constant 1E999"},
      // Text after a whole expression is error 2 with its token.
      {"1 2", "error Error in formula 1 2|Invalid symbol 2"},
      {"SUM(1 2)", "error Error in formula SUM(1 2)|Invalid symbol 2"},
      {"1)", "error Error in formula 1)|Invalid symbol )"},
      {"1+", "error Error in formula 1+|Invalid symbol "},
      {"1,2", "error Error in formula 1,2|Invalid symbol ,"},
      // A list separator between references outside an argument list is the union; a blank
      // between two references the intersection.
      {"A1,B1", "44 00 00 00 C0 44 00 00 01 C0 10"},
      {"SUM((A2,A3))", "24 01 00 00 C0 24 02 00 00 C0 10 15 42 01 04 00"},
      {"A1:A3 A2:A12", "45 00 00 02 00 00 C0 00 C0 45 01 00 0B 00 00 C0 00 C0 0F"},
      {"SHEET2!$A$1:$B$2,Sheet2!$A$4:$B$4",
       "5B 05 00 00 00 01 00 00 00 01 00 5B 05 00 03 00 03 00 00 00 01 00 10"},
      // A function the table lacks is error 4.
      {"EOMONTH(A1,1)", "error Error in formula EOMONTH(A1,1)|Invalid function name EOMONTH"},
      // Functions count a nesting level.
      {std::string(257, '(') + "1" + std::string(257, ')'), "error Error in formula"},
      {"'It''s'!A1", "error Error in formula 'It''s'!A1|Unknown name It's"},
  };
  for (const auto& c : cases) {
    Encoder enc;
    EXPECT_EQ(enc.Run(U(c.text)), c.want) << c.text;
  }
  Encoder enc;
  std::string nested = "1";
  for (int i = 0; i < 256; ++i) nested = "(" + nested + ")";
  EXPECT_EQ(enc.Run(U(nested)).substr(0, 8), "1E 01 00");
  std::string calls = "1";
  for (int i = 0; i < 300; ++i) calls = "ABS(" + calls + ")";
  EXPECT_EQ(enc.Run(U(calls)), "error Error in formula");
}

TEST(LegacyEncoder, SheetReferencesAskTheOwner) {
  Encoder enc;
  EXPECT_EQ(enc.Run(u"Sheet2!B3", 0x20), "3A 05 00 02 00 01 C0");
  EXPECT_EQ(enc.e.LastSheetIndex(), 1);
  EXPECT_EQ(enc.externCalls, std::vector<std::string>{"||SHEET2|B3|ref"});
  EXPECT_EQ(enc.Run(u"SUM('My Sheet'!A1:B2)"), "3B 06 00 00 00 01 00 00 C0 01 C0 42 01 04 00");
  EXPECT_EQ(enc.e.LastSheetIndex(), 2);
  EXPECT_EQ(enc.Run(u"1"), "1E 01 00");
  EXPECT_EQ(enc.e.LastSheetIndex(), -1);
  enc.externCalls.clear();
  EXPECT_EQ(enc.Run(u"'C:\\dir\\[Book1.xls]Data'!A1").substr(0, 6), "error ");
  EXPECT_EQ(enc.externCalls, std::vector<std::string>{"C:\\dir\\|Book1.xls|Data|A1|ref"});
  enc.externCalls.clear();
  EXPECT_EQ(enc.Run(u"'C:\\dir\\Book1.xls'!Total").substr(0, 6), "error ");
  EXPECT_EQ(enc.externCalls, std::vector<std::string>{"C:\\dir\\Book1.xls|||TOTAL|name"});
}

TEST(LegacyEncoder, ErrorsGoToTheEventWhenSet) {
  Encoder enc;
  std::vector<std::string> errors;
  enc.e.OnFormulaError = [&](int32_t id, const std::u16string& message) {
    errors.push_back(std::to_string(id) + ":" + N(message));
  };
  EXPECT_EQ(enc.Run(u"ROUND(1)+BOGUS"), "1E 01 00 41 1B 00 03");
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0], "17:Error in formula ROUND(1)+BOGUS\rWrong number of arguments for function ROUND");
  EXPECT_EQ(errors[1], "7:Error in formula ROUND(1)+BOGUS\rUnknown name BOGUS");
}

TEST(LegacyEncoder, BufferAndBlankRecords) {
  Encoder enc;
  EXPECT_EQ(enc.Run(u"1+2", 0, 6), "error Formula buffer overflow.");
  EXPECT_EQ(enc.Run(u"1+2", 0, 7), "1E 01 00 1E 02 00 03");
  // The blank records of an encoding that ended in an error do not reach the next one.
  EXPECT_EQ(enc.Run(u"  SUM(  1,"), "error Error in formula   SUM(  1,|Closing paranthese missing in function");
  EXPECT_EQ(enc.Run(u"1"), "1E 01 00");
  // A string of 255 characters is written, one of 256 is error 6.
  const std::string s255(255, 'x');
  EXPECT_EQ(enc.Run(U("\"" + s255 + "\""), 0, 1024).size(), size_t(3 + 510) * 3 - 1);
  EXPECT_EQ(enc.Run(U("\"" + s255 + "x\""), 0, 1024), "error Error in formula \"" + s255 + "x\"|Strings can have max 255 characthers");
}

TEST(LegacyEncoder, DecoderReadsTheTokensBack) {
  const char* texts[] = {"1+2*3", "-(-1)", "10%+5", "A1&\"say \"\"hi\"\"\"", "IF(A1>5,\"big\",#N/A)",
                         "SUM(A1:B2,,$C$3)", "1E20*2", "ROUND(PI(),2)", "TRUE", "A1:A3 A2:A12", "SUM((A2,A3))"};
  for (const char* text : texts) {
    Encoder enc;
    Bytes buf(512);
    const int32_t n = enc.e.Encode(U(text), 0, TFormulaVersion::fvExcel97, buf);
    buf.resize(size_t(n));
    EXPECT_EQ(N(DecodeBIFFFormula(buf, 0, 0, 0, {}, u',')), text);
  }
}

std::string Tokens(std::u16string_view text, TXLSFormulaSeparators separators = {}) {
  static const char* kNames[] = {"None", "Add", "Concat", "Sub", "Mul", "Div", "Percent", "Power", "GT",
                                 "GE", "LT", "LE", "EQ", "NE", "ParenL", "ParenR", "Space", "ListSep",
                                 "VectL", "VectR", "Func", "Ref", "Area", "Ref3d", "Area3d", "RefX", "AreaX",
                                 "Number", "String", "Path", "File", "Name", "NameX", "SheetName",
                                 "SheetNameX", "Error"};
  TXLSTokenizer97 t;
  t.FSeparators = separators;
  std::string error;
  t.FTokenErrorEvent = [&](int32_t id, std::u16string_view s) { error = " error " + std::to_string(id) + " " + N(s); };
  try {
    t.Tokenize(text);
  } catch (const XLSRWException& x) {
    return std::string("raised ") + x.what();
  }
  std::string out;
  for (size_t i = 0; i < t.Count(); ++i)
    out += std::string(out.empty() ? "" : " ") + kNames[size_t(t.GetItems(i).TokenType)] + ":" +
           N(t.GetItems(i).Token);
  if (t.Error()) out += error.empty() ? " error" : error;
  return out;
}

TEST(LegacyTokenizer, TokenLists) {
  const TXLSFormulaSeparators decimalComma{u';', u',', u';'};
  const struct {
    const char* text;
    TXLSFormulaSeparators separators;
    const char* want;
  } cases[] = {
      {"sum(a1)", {}, "Func:SUM Ref:A1 ParenR:)"},
      {"'my sheet'!a1", {}, "SheetName:my sheet Ref3d:A1"},
      {"IV65536+IW1+A0+A65537", {}, "Ref:IV65536 Add:+ Name:IW1 Add:+ Name:A0 Add:+ Name:A65537"},
      {"A1:B2 $A$1", {}, "Area:A1:B2 Space:  Ref:$A$1"},
      {"1.5", decimalComma, " error 12 "},
      {"1,5", {}, "Number:1 ListSep:, Number:5"},
      {"1,5;2", decimalComma, "Number:1,5 ListSep:; Number:2"},
      {"A1x+A1xy", {}, "Name:A1X Add:+ Name:A1XY"},
      {"{1,2}", {}, " error"},
      {"'C:\\DIR\\[BOOK1.XLS]SHEET1'!A1", {}, "Path:C:\\DIR\\ File:BOOK1.XLS SheetNameX:SHEET1 RefX:A1"},
      {"'C:\\DIR\\BOOK1.XLS'!TOTAL", {}, "Path:C:\\DIR\\BOOK1.XLS NameX:TOTAL"},
      {"'My Sheet'!B2", {}, "SheetName:My Sheet Ref3d:B2"},
      {"x<=1<>2>=3", {}, "Name:X LE:<= Number:1 NE:<> Number:2 GE:>= Number:3"},
      {"'a*b'!A1", {}, " error 13 'a*"},
      {"[]", {}, " error 14 []"},
      {"$+1", {}, " error 16 "},
      {"+!A1", {}, "Add:+ error 15 "},
      {"\"abc", {}, " error 5 \"abc"},
      {"1:1", {}, " error 12 "},
      {"1.2.3", {}, " error 12 "},
      {"a;b", {}, "Name:A;B"},
      {"\\x", {}, "raised Invalid name"},
      // Mends: error literals, doubled quotes, exponents, a quote kind closed only by itself.
      {"#N/A", {}, "Error:#N/A"},
      {"#REF!+1", {}, "Error:#REF! Add:+ Number:1"},
      {"\"a\"\"b\"", {}, "String:a\"b"},
      {"'It''s'!A1", {}, "SheetName:It's Ref3d:A1"},
      {"1E5+2.5e-3", {}, "Number:1E5 Add:+ Number:2.5E-3"},
      {"\"it's\"&sum(a1)", {}, "String:it's Concat:& Func:SUM Ref:A1 ParenR:)"},
  };
  for (const auto& c : cases) EXPECT_EQ(Tokens(U(c.text), c.separators), c.want) << c.text;
}

}  // namespace
}  // namespace xls
