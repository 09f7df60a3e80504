// Number formats of real files: workbooks written by openpyxl (tests/data/numfmt, made by its
// make_fixtures.py) are loaded through the component with the en-US defaults of FormatSettings,
// and every cell's formatted text (GetAsFmtString) is compared with the text LibreOffice shows
// for the same cell (its csv export "as shown", en-US). Cells that differ by design take their
// expected text from the table below, each with its reason.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "platform/textcodec.h"
#include "tests/xls/realfiles/realfiles.h"
#include "xls/model/formatsettings.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlscellarea.h"
#include "xls/xlsxreader/xlsreadxlsx.h"

namespace {

// Why cells differ by design. Values in the columns F, I, L, N (negative) and Q, R (beyond
// year 9999) of the date codes differ by their range; the rest by what the format grammar knows.
constexpr const char* kNegativeSerial =
    "a negative serial is decoded with its time of day counted forward from its whole day";
constexpr const char* kOutOfRange =
    "a serial beyond year 9999 under a date or time code shows the general text";
constexpr const char* kLocaleForms = "built-ins 20 and 22 show the settings' time form (h:mm AMPM)";
constexpr const char* kGeneralExponent =
    "the general form takes an exponent below 0.00001 and from 15 digits before the point";
constexpr const char* kScalingTie = "1.005 * 100 is 100.49999999999999, whose 15-digit form 100.5 rounds up";
constexpr const char* kPlaceholderZeros =
    "placeholders take the number text's digits, its zeros too (#### with 0, 0.## with 1.5)";
constexpr const char* kScientific =
    "the exponent form counts placeholders after the decimal point and puts the point's token position as "
    "exponent digits";
constexpr const char* kBuiltIn38 = "built-in 38 is _(#,##0_);[Red](#,##0) in the model's table";
constexpr const char* kFillOnce = "the character after * is printed once";
constexpr const char* kCurrencyUpper = "currency text of a [$...] group is upper-cased";
constexpr const char* kScalingComma = "a scaling comma also sets thousands separators";
constexpr const char* kEmptySection = "an empty section falls back to section 0 or to the general text";
constexpr const char* kConditions =
    "conditions are ignored: section 0 takes every value that is not negative";
constexpr const char* kFractions = "fractions are not known: / and the placeholders print as in a number";
constexpr const char* kBuiltIn17 = "built-in 17 is mmmm-yy in the model's table";
constexpr const char* kDateComma = "a comma in a date code makes no token";
constexpr const char* kAmPmSpelling =
    "only a/p, am/pm and AM/PM are markers; A/P stays literal and the hour 24-hour";
constexpr const char* kElapsedWhole = "elapsed units count whole seconds (LibreOffice rounds them)";
constexpr const char* kElapsedDigits = "[mm] prints its minutes without leading zero";
constexpr const char* kLargeElapsed = "LibreOffice shows no elapsed time this large";

// A cell whose text differs from LibreOffice's by design: the text this system shows (empty: no
// text at all).
struct ByDesign {
  const char* fixture;
  const char* sheet;
  const char* cell;
  const char* text;
  const char* reason;
};

const ByDesign kByDesign[] = {
    {"codes", "Builtin", "F1", "12/30/1899", kNegativeSerial},
    {"codes", "Builtin", "I1", "12/28/1899", kNegativeSerial},
    {"codes", "Builtin", "L1", "8/13/1896", kNegativeSerial},
    {"codes", "Builtin", "N1", "12/30/1899", kNegativeSerial},
    {"codes", "Builtin", "Q1", "123456789012.345", kOutOfRange},
    {"codes", "Builtin", "R1", "1E15", kOutOfRange},
    {"codes", "Builtin", "B2", "12:00 AM", kLocaleForms},
    {"codes", "Builtin", "C2", "12:00 AM", kLocaleForms},
    {"codes", "Builtin", "D2", "12:00 AM", kLocaleForms},
    {"codes", "Builtin", "E2", "12:00 PM", kLocaleForms},
    {"codes", "Builtin", "F2", "12:00 PM", kNegativeSerial},
    {"codes", "Builtin", "G2", "12:07 AM", kLocaleForms},
    {"codes", "Builtin", "H2", "4:12 PM", kLocaleForms},
    {"codes", "Builtin", "I2", "12:00 PM", kNegativeSerial},
    {"codes", "Builtin", "J2", "8:16 AM", kLocaleForms},
    {"codes", "Builtin", "K2", "1:37 PM", kLocaleForms},
    {"codes", "Builtin", "L2", "1:37 PM", kNegativeSerial},
    {"codes", "Builtin", "M2", "9:23 PM", kLocaleForms},
    {"codes", "Builtin", "N2", "12:05 AM", kNegativeSerial},
    {"codes", "Builtin", "O2", "12:00 AM", kLocaleForms},
    {"codes", "Builtin", "P2", "12:00 AM", kLocaleForms},
    {"codes", "Builtin", "Q2", "123456789012.345", kOutOfRange},
    {"codes", "Builtin", "R2", "1E15", kOutOfRange},
    {"codes", "Builtin", "S2", "6:00 PM", kLocaleForms},
    {"codes", "Builtin", "T2", "1:30 AM", kLocaleForms},
    {"codes", "Builtin", "U2", "12:00 PM", kLocaleForms},
    {"codes", "Builtin", "B3", "12/30/1899 12:00 AM", kLocaleForms},
    {"codes", "Builtin", "C3", "12/31/1899 12:00 AM", kLocaleForms},
    {"codes", "Builtin", "D3", "12/29/1899 12:00 AM", kLocaleForms},
    {"codes", "Builtin", "E3", "12/30/1899 12:00 PM", kLocaleForms},
    {"codes", "Builtin", "F3", "12/30/1899 12:00 PM", kNegativeSerial},
    {"codes", "Builtin", "G3", "12/31/1899 12:07 AM", kLocaleForms},
    {"codes", "Builtin", "H3", "1/1/1900 4:12 PM", kLocaleForms},
    {"codes", "Builtin", "I3", "12/28/1899 12:00 PM", kNegativeSerial},
    {"codes", "Builtin", "J3", "1/11/1900 8:16 AM", kLocaleForms},
    {"codes", "Builtin", "K3", "5/18/1903 1:37 PM", kLocaleForms},
    {"codes", "Builtin", "L3", "8/13/1896 1:37 PM", kNegativeSerial},
    {"codes", "Builtin", "M3", "2/15/5280 9:23 PM", kLocaleForms},
    {"codes", "Builtin", "N3", "12/30/1899 12:05 AM", kNegativeSerial},
    {"codes", "Builtin", "O3", "12/30/1899 12:00 AM", kLocaleForms},
    {"codes", "Builtin", "P3", "12/30/1899 12:00 AM", kLocaleForms},
    {"codes", "Builtin", "Q3", "123456789012.345", kOutOfRange},
    {"codes", "Builtin", "R3", "1E15", kOutOfRange},
    {"codes", "Builtin", "S3", "3/15/2023 6:00 PM", kLocaleForms},
    {"codes", "Builtin", "T3", "12/30/1899 1:30 AM", kLocaleForms},
    {"codes", "Builtin", "U3", "12/31/1899 12:00 PM", kLocaleForms},
    {"codes", "Codes", "P1", "3.14159E-7", kGeneralExponent},
    {"codes", "Codes", "R1", "1E15", kGeneralExponent},
    {"codes", "Codes", "G9", "101%", kScalingTie},
    {"codes", "Codes", "B14", "0", kPlaceholderZeros},
    {"codes", "Codes", "N14", "0", kPlaceholderZeros},
    {"codes", "Codes", "O14", "0", kPlaceholderZeros},
    {"codes", "Codes", "P14", "0", kPlaceholderZeros},
    {"codes", "Codes", "T14", "0", kPlaceholderZeros},
    {"codes", "Codes", "B15", "0", kPlaceholderZeros},
    {"codes", "Codes", "N15", "0", kPlaceholderZeros},
    {"codes", "Codes", "O15", "0", kPlaceholderZeros},
    {"codes", "Codes", "P15", "0", kPlaceholderZeros},
    {"codes", "Codes", "T15", "0", kPlaceholderZeros},
    {"codes", "Codes", "B16", "0.00", kPlaceholderZeros},
    {"codes", "Codes", "C16", "1.00", kPlaceholderZeros},
    {"codes", "Codes", "D16", "-1.00", kPlaceholderZeros},
    {"codes", "Codes", "E16", "0.50", kPlaceholderZeros},
    {"codes", "Codes", "F16", "-0.50", kPlaceholderZeros},
    {"codes", "Codes", "I16", "-2.50", kPlaceholderZeros},
    {"codes", "Codes", "N16", "0.00", kPlaceholderZeros},
    {"codes", "Codes", "O16", "0.00", kPlaceholderZeros},
    {"codes", "Codes", "P16", "0.00", kPlaceholderZeros},
    {"codes", "Codes", "R16", "1000000000000000.00", kPlaceholderZeros},
    {"codes", "Codes", "T16", "0.06", kPlaceholderZeros},
    {"codes", "Codes", "U16", "1.50", kPlaceholderZeros},
    {"codes", "Codes", "B17", "0.00", kPlaceholderZeros},
    {"codes", "Codes", "C17", "1.00", kPlaceholderZeros},
    {"codes", "Codes", "D17", "-1.00", kPlaceholderZeros},
    {"codes", "Codes", "E17", "0.50", kPlaceholderZeros},
    {"codes", "Codes", "F17", "-0.50", kPlaceholderZeros},
    {"codes", "Codes", "I17", "-2.50", kPlaceholderZeros},
    {"codes", "Codes", "N17", "0.00", kPlaceholderZeros},
    {"codes", "Codes", "O17", "0.00", kPlaceholderZeros},
    {"codes", "Codes", "P17", "0.00", kPlaceholderZeros},
    {"codes", "Codes", "R17", "1000000000000000.00", kPlaceholderZeros},
    {"codes", "Codes", "U17", "1.50", kPlaceholderZeros},
    {"codes", "Codes", "B18", "0", kPlaceholderZeros},
    {"codes", "Codes", "N18", "0", kPlaceholderZeros},
    {"codes", "Codes", "O18", "0", kPlaceholderZeros},
    {"codes", "Codes", "P18", "0", kPlaceholderZeros},
    {"codes", "Codes", "T18", "0", kPlaceholderZeros},
    {"codes", "Codes", "B20", "  0.00", kPlaceholderZeros},
    {"codes", "Codes", "C20", "  1.00", kPlaceholderZeros},
    {"codes", "Codes", "D20", "-  1.00", kPlaceholderZeros},
    {"codes", "Codes", "E20", "  0.50", kPlaceholderZeros},
    {"codes", "Codes", "F20", "-  0.50", kPlaceholderZeros},
    {"codes", "Codes", "I20", "-  2.50", kPlaceholderZeros},
    {"codes", "Codes", "N20", "  0.00", kPlaceholderZeros},
    {"codes", "Codes", "O20", "  0.00", kPlaceholderZeros},
    {"codes", "Codes", "P20", "  0.00", kPlaceholderZeros},
    {"codes", "Codes", "R20", "1000000000000000.00", kPlaceholderZeros},
    {"codes", "Codes", "U20", "  1.50", kPlaceholderZeros},
    {"codes", "Codes", "B24", "0E+0000", kScientific},
    {"codes", "Codes", "C24", "1E+0000", kScientific},
    {"codes", "Codes", "D24", "-1E+0000", kScientific},
    {"codes", "Codes", "E24", "5E-0001", kScientific},
    {"codes", "Codes", "F24", "-5E-0001", kScientific},
    {"codes", "Codes", "G24", "1E+0000", kScientific},
    {"codes", "Codes", "H24", "3E+0000", kScientific},
    {"codes", "Codes", "I24", "-3E+0000", kScientific},
    {"codes", "Codes", "J24", "1E+0001", kScientific},
    {"codes", "Codes", "K24", "1E+0003", kScientific},
    {"codes", "Codes", "L24", "-1E+0003", kScientific},
    {"codes", "Codes", "M24", "1E+0006", kScientific},
    {"codes", "Codes", "N24", "-4E-0003", kScientific},
    {"codes", "Codes", "O24", "1E-0004", kScientific},
    {"codes", "Codes", "P24", "3E-0007", kScientific},
    {"codes", "Codes", "Q24", "1E+0011", kScientific},
    {"codes", "Codes", "R24", "1E+0015", kScientific},
    {"codes", "Codes", "S24", "5E+0004", kScientific},
    {"codes", "Codes", "T24", "6E-0002", kScientific},
    {"codes", "Codes", "U24", "2E+0000", kScientific},
    {"codes", "Codes", "B28", " 0 ", kBuiltIn38},
    {"codes", "Codes", "C28", " 1 ", kBuiltIn38},
    {"codes", "Codes", "E28", " 1 ", kBuiltIn38},
    {"codes", "Codes", "G28", " 1 ", kBuiltIn38},
    {"codes", "Codes", "H28", " 3 ", kBuiltIn38},
    {"codes", "Codes", "J28", " 12 ", kBuiltIn38},
    {"codes", "Codes", "K28", " 1,235 ", kBuiltIn38},
    {"codes", "Codes", "M28", " 1,234,568 ", kBuiltIn38},
    {"codes", "Codes", "O28", " 0 ", kBuiltIn38},
    {"codes", "Codes", "P28", " 0 ", kBuiltIn38},
    {"codes", "Codes", "Q28", " 123,456,789,012 ", kBuiltIn38},
    {"codes", "Codes", "R28", " 1,000,000,000,000,000 ", kBuiltIn38},
    {"codes", "Codes", "S28", " 45,001 ", kBuiltIn38},
    {"codes", "Codes", "T28", " 0 ", kBuiltIn38},
    {"codes", "Codes", "U28", " 2 ", kBuiltIn38},
    {"codes", "Codes", "B29", "  - ", kFillOnce},
    {"codes", "Codes", "C29", "  1 ", kFillOnce},
    {"codes", "Codes", "D29", "  (1)", kFillOnce},
    {"codes", "Codes", "E29", "  1 ", kFillOnce},
    {"codes", "Codes", "F29", "  (1)", kFillOnce},
    {"codes", "Codes", "G29", "  1 ", kFillOnce},
    {"codes", "Codes", "H29", "  3 ", kFillOnce},
    {"codes", "Codes", "I29", "  (3)", kFillOnce},
    {"codes", "Codes", "J29", "  12 ", kFillOnce},
    {"codes", "Codes", "K29", "  1,235 ", kFillOnce},
    {"codes", "Codes", "L29", "  (1,235)", kFillOnce},
    {"codes", "Codes", "M29", "  1,234,568 ", kFillOnce},
    {"codes", "Codes", "N29", "  (0)", kFillOnce},
    {"codes", "Codes", "O29", "  0 ", kFillOnce},
    {"codes", "Codes", "P29", "  0 ", kFillOnce},
    {"codes", "Codes", "Q29", "  123,456,789,012 ", kFillOnce},
    {"codes", "Codes", "R29", "  1,000,000,000,000,000 ", kFillOnce},
    {"codes", "Codes", "S29", "  45,001 ", kFillOnce},
    {"codes", "Codes", "T29", "  0 ", kFillOnce},
    {"codes", "Codes", "U29", "  2 ", kFillOnce},
    {"codes", "Codes", "B31", "KR 0", kCurrencyUpper},
    {"codes", "Codes", "C31", "KR 1", kCurrencyUpper},
    {"codes", "Codes", "D31", "-KR 1", kCurrencyUpper},
    {"codes", "Codes", "E31", "KR 1", kCurrencyUpper},
    {"codes", "Codes", "F31", "-KR 1", kCurrencyUpper},
    {"codes", "Codes", "G31", "KR 1", kCurrencyUpper},
    {"codes", "Codes", "H31", "KR 3", kCurrencyUpper},
    {"codes", "Codes", "I31", "-KR 3", kCurrencyUpper},
    {"codes", "Codes", "J31", "KR 12", kCurrencyUpper},
    {"codes", "Codes", "K31", "KR 1,235", kCurrencyUpper},
    {"codes", "Codes", "L31", "-KR 1,235", kCurrencyUpper},
    {"codes", "Codes", "M31", "KR 1,234,568", kCurrencyUpper},
    {"codes", "Codes", "N31", "KR 0", kCurrencyUpper},
    {"codes", "Codes", "O31", "KR 0", kCurrencyUpper},
    {"codes", "Codes", "P31", "KR 0", kCurrencyUpper},
    {"codes", "Codes", "Q31", "KR 123,456,789,012", kCurrencyUpper},
    {"codes", "Codes", "R31", "KR 1,000,000,000,000,000", kCurrencyUpper},
    {"codes", "Codes", "S31", "KR 45,001", kCurrencyUpper},
    {"codes", "Codes", "T31", "KR 0", kCurrencyUpper},
    {"codes", "Codes", "U31", "KR 2", kCurrencyUpper},
    {"codes", "Codes", "M33", "1,234.6", kScalingComma},
    {"codes", "Codes", "Q33", "123,456,789.0", kScalingComma},
    {"codes", "Codes", "R33", "1,000,000,000,000.0", kScalingComma},
    {"codes", "Codes", "Q34", "123,456.8", kScalingComma},
    {"codes", "Codes", "R34", "1,000,000,000.0", kScalingComma},
    {"codes", "Codes", "B37", "0.00", kEmptySection},
    {"codes", "Codes", "B38", "0", kEmptySection},
    {"codes", "Codes", "C38", "1", kEmptySection},
    {"codes", "Codes", "D38", "-1", kEmptySection},
    {"codes", "Codes", "E38", "0.5", kEmptySection},
    {"codes", "Codes", "F38", "-0.5", kEmptySection},
    {"codes", "Codes", "G38", "1.005", kEmptySection},
    {"codes", "Codes", "H38", "2.675", kEmptySection},
    {"codes", "Codes", "I38", "-2.5", kEmptySection},
    {"codes", "Codes", "J38", "12.345", kEmptySection},
    {"codes", "Codes", "K38", "1234.5678", kEmptySection},
    {"codes", "Codes", "L38", "-1234.5678", kEmptySection},
    {"codes", "Codes", "M38", "1234567.891", kEmptySection},
    {"codes", "Codes", "N38", "-0.004", kEmptySection},
    {"codes", "Codes", "O38", "0.000123", kEmptySection},
    {"codes", "Codes", "P38", "3.14159E-7", kEmptySection},
    {"codes", "Codes", "Q38", "123456789012.345", kEmptySection},
    {"codes", "Codes", "R38", "1E15", kEmptySection},
    {"codes", "Codes", "S38", "45000.75", kEmptySection},
    {"codes", "Codes", "T38", "0.0625", kEmptySection},
    {"codes", "Codes", "U38", "1.5", kEmptySection},
    {"codes", "Codes", "B41", "0", kConditions},
    {"codes", "Codes", "C41", "1", kConditions},
    {"codes", "Codes", "E41", "1", kConditions},
    {"codes", "Codes", "G41", "1", kConditions},
    {"codes", "Codes", "H41", "3", kConditions},
    {"codes", "Codes", "J41", "12", kConditions},
    {"codes", "Codes", "O41", "0", kConditions},
    {"codes", "Codes", "P41", "0", kConditions},
    {"codes", "Codes", "T41", "0", kConditions},
    {"codes", "Codes", "U41", "2", kConditions},
    {"codes", "Codes", "B42", "  /0", kFractions},
    {"codes", "Codes", "C42", "  /1", kFractions},
    {"codes", "Codes", "D42", "-  /1", kFractions},
    {"codes", "Codes", "E42", "  /1", kFractions},
    {"codes", "Codes", "F42", "-  /1", kFractions},
    {"codes", "Codes", "G42", "  /1", kFractions},
    {"codes", "Codes", "H42", "  /3", kFractions},
    {"codes", "Codes", "I42", "-  /3", kFractions},
    {"codes", "Codes", "J42", " 1/2", kFractions},
    {"codes", "Codes", "K42", "12 3/5", kFractions},
    {"codes", "Codes", "L42", "-12 3/5", kFractions},
    {"codes", "Codes", "M42", "12345 6/8", kFractions},
    {"codes", "Codes", "N42", "  /0", kFractions},
    {"codes", "Codes", "O42", "  /0", kFractions},
    {"codes", "Codes", "P42", "  /0", kFractions},
    {"codes", "Codes", "Q42", "1234567890 1/2", kFractions},
    {"codes", "Codes", "R42", "10000000000000 0/0", kFractions},
    {"codes", "Codes", "S42", "450 0/1", kFractions},
    {"codes", "Codes", "T42", "  /0", kFractions},
    {"codes", "Codes", "U42", "  /2", kFractions},
    {"codes", "Codes", "B43", "   / 0", kFractions},
    {"codes", "Codes", "C43", "   / 1", kFractions},
    {"codes", "Codes", "D43", "-   / 1", kFractions},
    {"codes", "Codes", "E43", "   / 1", kFractions},
    {"codes", "Codes", "F43", "-   / 1", kFractions},
    {"codes", "Codes", "G43", "   / 1", kFractions},
    {"codes", "Codes", "H43", "   / 3", kFractions},
    {"codes", "Codes", "I43", "-   / 3", kFractions},
    {"codes", "Codes", "J43", "   /12", kFractions},
    {"codes", "Codes", "K43", " 12/35", kFractions},
    {"codes", "Codes", "L43", "- 12/35", kFractions},
    {"codes", "Codes", "M43", "123 45/68", kFractions},
    {"codes", "Codes", "N43", "   / 0", kFractions},
    {"codes", "Codes", "O43", "   / 0", kFractions},
    {"codes", "Codes", "P43", "   / 0", kFractions},
    {"codes", "Codes", "Q43", "12345678 90/12", kFractions},
    {"codes", "Codes", "R43", "100000000000 00/00", kFractions},
    {"codes", "Codes", "S43", "4 50/01", kFractions},
    {"codes", "Codes", "T43", "   / 0", kFractions},
    {"codes", "Codes", "U43", "   / 2", kFractions},
    {"codes", "Codes", "G47", "101 %", kScalingTie},
    {"codes", "Codes", "F48", "30/12/1899", kNegativeSerial},
    {"codes", "Codes", "I48", "28/12/1899", kNegativeSerial},
    {"codes", "Codes", "L48", "13/08/1896", kNegativeSerial},
    {"codes", "Codes", "N48", "30/12/1899", kNegativeSerial},
    {"codes", "Codes", "Q48", "123456789012.345", kOutOfRange},
    {"codes", "Codes", "R48", "1E15", kOutOfRange},
    {"codes", "Codes", "F49", "12/30/99", kNegativeSerial},
    {"codes", "Codes", "I49", "12/28/99", kNegativeSerial},
    {"codes", "Codes", "L49", "08/13/96", kNegativeSerial},
    {"codes", "Codes", "N49", "12/30/99", kNegativeSerial},
    {"codes", "Codes", "Q49", "123456789012.345", kOutOfRange},
    {"codes", "Codes", "R49", "1E15", kOutOfRange},
    {"codes", "Codes", "F50", "30-Dec-99", kNegativeSerial},
    {"codes", "Codes", "I50", "28-Dec-99", kNegativeSerial},
    {"codes", "Codes", "L50", "13-Aug-96", kNegativeSerial},
    {"codes", "Codes", "N50", "30-Dec-99", kNegativeSerial},
    {"codes", "Codes", "Q50", "123456789012.345", kOutOfRange},
    {"codes", "Codes", "R50", "1E15", kOutOfRange},
    {"codes", "Codes", "F51", "30-Dec", kNegativeSerial},
    {"codes", "Codes", "I51", "28-Dec", kNegativeSerial},
    {"codes", "Codes", "L51", "13-Aug", kNegativeSerial},
    {"codes", "Codes", "N51", "30-Dec", kNegativeSerial},
    {"codes", "Codes", "Q51", "123456789012.345", kOutOfRange},
    {"codes", "Codes", "R51", "1E15", kOutOfRange},
    {"codes", "Codes", "B52", "December-99", kBuiltIn17},
    {"codes", "Codes", "C52", "December-99", kBuiltIn17},
    {"codes", "Codes", "D52", "December-99", kBuiltIn17},
    {"codes", "Codes", "E52", "December-99", kBuiltIn17},
    {"codes", "Codes", "F52", "December-99", kNegativeSerial},
    {"codes", "Codes", "G52", "December-99", kBuiltIn17},
    {"codes", "Codes", "H52", "January-00", kBuiltIn17},
    {"codes", "Codes", "I52", "December-99", kNegativeSerial},
    {"codes", "Codes", "J52", "January-00", kBuiltIn17},
    {"codes", "Codes", "L52", "August-96", kNegativeSerial},
    {"codes", "Codes", "M52", "February-80", kBuiltIn17},
    {"codes", "Codes", "N52", "December-99", kNegativeSerial},
    {"codes", "Codes", "O52", "December-99", kBuiltIn17},
    {"codes", "Codes", "P52", "December-99", kBuiltIn17},
    {"codes", "Codes", "Q52", "123456789012.345", kOutOfRange},
    {"codes", "Codes", "R52", "1E15", kOutOfRange},
    {"codes", "Codes", "S52", "March-23", kBuiltIn17},
    {"codes", "Codes", "T52", "December-99", kBuiltIn17},
    {"codes", "Codes", "U52", "December-99", kBuiltIn17},
    {"codes", "Codes", "B53", "December 30 1899", kDateComma},
    {"codes", "Codes", "C53", "December 31 1899", kDateComma},
    {"codes", "Codes", "D53", "December 29 1899", kDateComma},
    {"codes", "Codes", "E53", "December 30 1899", kDateComma},
    {"codes", "Codes", "F53", "December 30 1899", kNegativeSerial},
    {"codes", "Codes", "G53", "December 31 1899", kDateComma},
    {"codes", "Codes", "H53", "January 1 1900", kDateComma},
    {"codes", "Codes", "I53", "December 28 1899", kNegativeSerial},
    {"codes", "Codes", "J53", "January 11 1900", kDateComma},
    {"codes", "Codes", "K53", "May 18 1903", kDateComma},
    {"codes", "Codes", "L53", "August 13 1896", kNegativeSerial},
    {"codes", "Codes", "M53", "February 15 5280", kDateComma},
    {"codes", "Codes", "N53", "December 30 1899", kNegativeSerial},
    {"codes", "Codes", "O53", "December 30 1899", kDateComma},
    {"codes", "Codes", "P53", "December 30 1899", kDateComma},
    {"codes", "Codes", "Q53", "123456789012.345", kOutOfRange},
    {"codes", "Codes", "R53", "1E15", kOutOfRange},
    {"codes", "Codes", "S53", "March 15 2023", kDateComma},
    {"codes", "Codes", "T53", "December 30 1899", kDateComma},
    {"codes", "Codes", "U53", "December 31 1899", kDateComma},
    {"codes", "Codes", "F54", "Saturday", kNegativeSerial},
    {"codes", "Codes", "I54", "Thursday", kNegativeSerial},
    {"codes", "Codes", "L54", "Thursday", kNegativeSerial},
    {"codes", "Codes", "N54", "Saturday", kNegativeSerial},
    {"codes", "Codes", "Q54", "123456789012.345", kOutOfRange},
    {"codes", "Codes", "R54", "1E15", kOutOfRange},
    {"codes", "Codes", "F55", "Sat 30 Dec", kNegativeSerial},
    {"codes", "Codes", "I55", "Thu 28 Dec", kNegativeSerial},
    {"codes", "Codes", "L55", "Thu 13 Aug", kNegativeSerial},
    {"codes", "Codes", "N55", "Sat 30 Dec", kNegativeSerial},
    {"codes", "Codes", "Q55", "123456789012.345", kOutOfRange},
    {"codes", "Codes", "R55", "1E15", kOutOfRange},
    {"codes", "Codes", "F56", "1899-12-30", kNegativeSerial},
    {"codes", "Codes", "I56", "1899-12-28", kNegativeSerial},
    {"codes", "Codes", "L56", "1896-08-13", kNegativeSerial},
    {"codes", "Codes", "N56", "1899-12-30", kNegativeSerial},
    {"codes", "Codes", "Q56", "123456789012.345", kOutOfRange},
    {"codes", "Codes", "R56", "1E15", kOutOfRange},
    {"codes", "Codes", "F57", "1899-12-30 12:00:00", kNegativeSerial},
    {"codes", "Codes", "I57", "1899-12-28 12:00:00", kNegativeSerial},
    {"codes", "Codes", "L57", "1896-08-13 13:37:37", kNegativeSerial},
    {"codes", "Codes", "N57", "1899-12-30 00:05:45", kNegativeSerial},
    {"codes", "Codes", "Q57", "123456789012.345", kOutOfRange},
    {"codes", "Codes", "R57", "1E15", kOutOfRange},
    {"codes", "Codes", "L58", "13:37", kNegativeSerial},
    {"codes", "Codes", "N58", "00:05", kNegativeSerial},
    {"codes", "Codes", "Q58", "123456789012.345", kOutOfRange},
    {"codes", "Codes", "R58", "1E15", kOutOfRange},
    {"codes", "Codes", "L59", "13:37:37", kNegativeSerial},
    {"codes", "Codes", "N59", "0:05:45", kNegativeSerial},
    {"codes", "Codes", "Q59", "123456789012.345", kOutOfRange},
    {"codes", "Codes", "R59", "1E15", kOutOfRange},
    {"codes", "Codes", "L60", "1:37 PM", kNegativeSerial},
    {"codes", "Codes", "N60", "12:05 AM", kNegativeSerial},
    {"codes", "Codes", "Q60", "123456789012.345", kOutOfRange},
    {"codes", "Codes", "R60", "1E15", kOutOfRange},
    {"codes", "Codes", "L61", "1:37:37 PM", kNegativeSerial},
    {"codes", "Codes", "N61", "12:05:45 AM", kNegativeSerial},
    {"codes", "Codes", "Q61", "123456789012.345", kOutOfRange},
    {"codes", "Codes", "R61", "1E15", kOutOfRange},
    {"codes", "Codes", "M62", "29629629:23", kLargeElapsed},
    {"codes", "Codes", "Q62", "123456789012.345", kOutOfRange},
    {"codes", "Codes", "R62", "1E15", kOutOfRange},
    {"codes", "Codes", "K63", "29629:37:37", kElapsedWhole},
    {"codes", "Codes", "L63", "-29629:37:37", kNegativeSerial},
    {"codes", "Codes", "M63", "29629629:23:02", kLargeElapsed},
    {"codes", "Codes", "N63", "-0:05:45", kNegativeSerial},
    {"codes", "Codes", "O63", "0:00:10", kElapsedWhole},
    {"codes", "Codes", "Q63", "123456789012.345", kOutOfRange},
    {"codes", "Codes", "R63", "1E15", kOutOfRange},
    {"codes", "Codes", "B64", "0:00", kElapsedDigits},
    {"codes", "Codes", "K64", "1777777:37", kElapsedWhole},
    {"codes", "Codes", "L64", "-1777777:37", kNegativeSerial},
    {"codes", "Codes", "M64", "1777777763:02", kLargeElapsed},
    {"codes", "Codes", "N64", "-5:45", kNegativeSerial},
    {"codes", "Codes", "O64", "0:10", kElapsedWhole},
    {"codes", "Codes", "P64", "0:00", kElapsedDigits},
    {"codes", "Codes", "Q64", "123456789012.345", kOutOfRange},
    {"codes", "Codes", "R64", "1E15", kOutOfRange},
    {"codes", "Codes", "L65", "37:37", kNegativeSerial},
    {"codes", "Codes", "N65", "05:45", kNegativeSerial},
    {"codes", "Codes", "Q65", "123456789012.345", kOutOfRange},
    {"codes", "Codes", "R65", "1E15", kOutOfRange},
    {"codes", "Codes", "L66", "37:37.9", kNegativeSerial},
    {"codes", "Codes", "N66", "05:45.6", kNegativeSerial},
    {"codes", "Codes", "Q66", "123456789012.345", kOutOfRange},
    {"codes", "Codes", "R66", "1E15", kOutOfRange},
    {"codes", "Codes", "L67", "13:37:37.92", kNegativeSerial},
    {"codes", "Codes", "N67", "00:05:45.60", kNegativeSerial},
    {"codes", "Codes", "Q67", "123456789012.345", kOutOfRange},
    {"codes", "Codes", "R67", "1E15", kOutOfRange},
    {"codes", "Codes", "Q68", "123456789012.345", kOutOfRange},
    {"codes", "Codes", "R68", "1E15", kOutOfRange},
    {"codes", "Codes", "Q69", "123456789012.345", kOutOfRange},
    {"codes", "Codes", "R69", "1E15", kOutOfRange},
    {"codes", "Codes", "B70", "0:00 A/P", kAmPmSpelling},
    {"codes", "Codes", "C70", "0:00 A/P", kAmPmSpelling},
    {"codes", "Codes", "D70", "0:00 A/P", kAmPmSpelling},
    {"codes", "Codes", "E70", "12:00 A/P", kAmPmSpelling},
    {"codes", "Codes", "F70", "12:00 A/P", kNegativeSerial},
    {"codes", "Codes", "G70", "0:07 A/P", kAmPmSpelling},
    {"codes", "Codes", "H70", "16:12 A/P", kAmPmSpelling},
    {"codes", "Codes", "I70", "12:00 A/P", kNegativeSerial},
    {"codes", "Codes", "J70", "8:16 A/P", kAmPmSpelling},
    {"codes", "Codes", "K70", "13:37 A/P", kAmPmSpelling},
    {"codes", "Codes", "L70", "13:37 A/P", kNegativeSerial},
    {"codes", "Codes", "M70", "21:23 A/P", kAmPmSpelling},
    {"codes", "Codes", "N70", "0:05 A/P", kNegativeSerial},
    {"codes", "Codes", "O70", "0:00 A/P", kAmPmSpelling},
    {"codes", "Codes", "P70", "0:00 A/P", kAmPmSpelling},
    {"codes", "Codes", "Q70", "123456789012.345", kOutOfRange},
    {"codes", "Codes", "R70", "1E15", kOutOfRange},
    {"codes", "Codes", "S70", "18:00 A/P", kAmPmSpelling},
    {"codes", "Codes", "T70", "1:30 A/P", kAmPmSpelling},
    {"codes", "Codes", "U70", "12:00 A/P", kAmPmSpelling},
    {"codes", "Codes", "F71", "30/12/99 12:00", kNegativeSerial},
    {"codes", "Codes", "I71", "28/12/99 12:00", kNegativeSerial},
    {"codes", "Codes", "L71", "13/8/96 13:37", kNegativeSerial},
    {"codes", "Codes", "N71", "30/12/99 0:05", kNegativeSerial},
    {"codes", "Codes", "Q71", "123456789012.345", kOutOfRange},
    {"codes", "Codes", "R71", "1E15", kOutOfRange},
};

// One line "sheet<TAB>A1<TAB>text" per cell whose formatted text is not empty.
std::vector<std::string> FormattedLines(xls::TXLSBook& book) {
  std::vector<std::string> lines;
  for (size_t s = 0; s < book.Count(); ++s) {
    xls::TXLSWorksheet& sheet = *book.Items(s);
    sheet.CalcDimensions();
    for (int32_t r = sheet.FirstRow(); r <= sheet.LastRow(); ++r)
      for (int32_t c = sheet.FirstCol(); c <= sheet.LastCol(); ++c) {
        const std::u16string text = sheet.GetAsFmtString(c, r);
        if (!text.empty())
          lines.push_back(kws::test::Escaped(sheet.Name()) + '\t' +
                          kws::Utf16ToUtf8(xls::ColRowToRefStr(c, r)) + '\t' + kws::test::Escaped(text));
      }
  }
  return lines;
}

// LibreOffice's lines with the by-design cells of `fixture` put in their place.
std::vector<std::string> ExpectedLines(const char* fixture) {
  std::vector<std::string> lines =
      kws::test::ReadLines(kws::test::RealFilesDir("numfmt") / (std::string(fixture) + ".tsv"));
  for (const ByDesign& d : kByDesign) {
    if (std::string_view(d.fixture) != fixture) continue;
    const std::string key = std::string(d.sheet) + '\t' + d.cell + '\t';
    const std::string ours = *d.text ? key + d.text : std::string();
    // An entry that LibreOffice agrees with has no place in the table.
    EXPECT_EQ(std::count(lines.begin(), lines.end(), ours), 0) << ours << ": " << d.reason;
    std::erase_if(lines, [&](const std::string& l) { return l.starts_with(key); });
    if (!ours.empty()) lines.push_back(ours);
  }
  return lines;
}

class NumFmtRealFile : public kws::test::RealFileTest {
 protected:
  NumFmtRealFile() : RealFileTest("numfmt") {}
  static void SetUpTestSuite() { xls::RegisterXLSXReader(); }
};

TEST_P(NumFmtRealFile, FormattedText_MatchesLibreOffice) {
  const std::vector<std::string> expected = ExpectedLines(GetParam());
  ASSERT_FALSE(expected.empty()) << File(".tsv");
  xls::TXLSBook book{xls::FormatSettings{}};
  book.LoadFromFile(File(".xlsx"));
  EXPECT_EQ(kws::test::DiffLineSets(expected, FormattedLines(book), 2000), "");
}

const char* const kFixtures[] = {"codes", "dates1904"};
INSTANTIATE_TEST_SUITE_P(Fixtures, NumFmtRealFile, testing::ValuesIn(kFixtures), kws::test::FixtureTestName);

}  // namespace
