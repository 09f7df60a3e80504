// Number formats of real files: workbooks written by openpyxl (tests/data/numfmt, made by its
// make_fixtures.py) are loaded through the component with the en-US defaults of FormatSettings,
// and every cell's formatted text (GetAsFmtString) is compared with the text LibreOffice shows
// for the same cell (its csv export "as shown", en-US). Cells that differ by design are left out
// of the comparison and listed in the table below with their reason only; a listed cell must
// really differ from LibreOffice's text, so the table cannot hide a cell that agrees.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
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

// A cell whose text differs from LibreOffice's by design.
struct ByDesign {
  const char* fixture;
  const char* sheet;
  const char* cell;
  const char* reason;
};

const ByDesign kByDesign[] = {
    {"codes", "Builtin", "F1", kNegativeSerial},
    {"codes", "Builtin", "I1", kNegativeSerial},
    {"codes", "Builtin", "L1", kNegativeSerial},
    {"codes", "Builtin", "N1", kNegativeSerial},
    {"codes", "Builtin", "Q1", kOutOfRange},
    {"codes", "Builtin", "R1", kOutOfRange},
    {"codes", "Builtin", "B2", kLocaleForms},
    {"codes", "Builtin", "C2", kLocaleForms},
    {"codes", "Builtin", "D2", kLocaleForms},
    {"codes", "Builtin", "E2", kLocaleForms},
    {"codes", "Builtin", "F2", kNegativeSerial},
    {"codes", "Builtin", "G2", kLocaleForms},
    {"codes", "Builtin", "H2", kLocaleForms},
    {"codes", "Builtin", "I2", kNegativeSerial},
    {"codes", "Builtin", "J2", kLocaleForms},
    {"codes", "Builtin", "K2", kLocaleForms},
    {"codes", "Builtin", "L2", kNegativeSerial},
    {"codes", "Builtin", "M2", kLocaleForms},
    {"codes", "Builtin", "N2", kNegativeSerial},
    {"codes", "Builtin", "O2", kLocaleForms},
    {"codes", "Builtin", "P2", kLocaleForms},
    {"codes", "Builtin", "Q2", kOutOfRange},
    {"codes", "Builtin", "R2", kOutOfRange},
    {"codes", "Builtin", "S2", kLocaleForms},
    {"codes", "Builtin", "T2", kLocaleForms},
    {"codes", "Builtin", "U2", kLocaleForms},
    {"codes", "Builtin", "B3", kLocaleForms},
    {"codes", "Builtin", "C3", kLocaleForms},
    {"codes", "Builtin", "D3", kLocaleForms},
    {"codes", "Builtin", "E3", kLocaleForms},
    {"codes", "Builtin", "F3", kNegativeSerial},
    {"codes", "Builtin", "G3", kLocaleForms},
    {"codes", "Builtin", "H3", kLocaleForms},
    {"codes", "Builtin", "I3", kNegativeSerial},
    {"codes", "Builtin", "J3", kLocaleForms},
    {"codes", "Builtin", "K3", kLocaleForms},
    {"codes", "Builtin", "L3", kNegativeSerial},
    {"codes", "Builtin", "M3", kLocaleForms},
    {"codes", "Builtin", "N3", kNegativeSerial},
    {"codes", "Builtin", "O3", kLocaleForms},
    {"codes", "Builtin", "P3", kLocaleForms},
    {"codes", "Builtin", "Q3", kOutOfRange},
    {"codes", "Builtin", "R3", kOutOfRange},
    {"codes", "Builtin", "S3", kLocaleForms},
    {"codes", "Builtin", "T3", kLocaleForms},
    {"codes", "Builtin", "U3", kLocaleForms},
    {"codes", "Codes", "P1", kGeneralExponent},
    {"codes", "Codes", "R1", kGeneralExponent},
    {"codes", "Codes", "G9", kScalingTie},
    {"codes", "Codes", "B14", kPlaceholderZeros},
    {"codes", "Codes", "N14", kPlaceholderZeros},
    {"codes", "Codes", "O14", kPlaceholderZeros},
    {"codes", "Codes", "P14", kPlaceholderZeros},
    {"codes", "Codes", "T14", kPlaceholderZeros},
    {"codes", "Codes", "B15", kPlaceholderZeros},
    {"codes", "Codes", "N15", kPlaceholderZeros},
    {"codes", "Codes", "O15", kPlaceholderZeros},
    {"codes", "Codes", "P15", kPlaceholderZeros},
    {"codes", "Codes", "T15", kPlaceholderZeros},
    {"codes", "Codes", "B16", kPlaceholderZeros},
    {"codes", "Codes", "C16", kPlaceholderZeros},
    {"codes", "Codes", "D16", kPlaceholderZeros},
    {"codes", "Codes", "E16", kPlaceholderZeros},
    {"codes", "Codes", "F16", kPlaceholderZeros},
    {"codes", "Codes", "I16", kPlaceholderZeros},
    {"codes", "Codes", "N16", kPlaceholderZeros},
    {"codes", "Codes", "O16", kPlaceholderZeros},
    {"codes", "Codes", "P16", kPlaceholderZeros},
    {"codes", "Codes", "R16", kPlaceholderZeros},
    {"codes", "Codes", "T16", kPlaceholderZeros},
    {"codes", "Codes", "U16", kPlaceholderZeros},
    {"codes", "Codes", "B17", kPlaceholderZeros},
    {"codes", "Codes", "C17", kPlaceholderZeros},
    {"codes", "Codes", "D17", kPlaceholderZeros},
    {"codes", "Codes", "E17", kPlaceholderZeros},
    {"codes", "Codes", "F17", kPlaceholderZeros},
    {"codes", "Codes", "I17", kPlaceholderZeros},
    {"codes", "Codes", "N17", kPlaceholderZeros},
    {"codes", "Codes", "O17", kPlaceholderZeros},
    {"codes", "Codes", "P17", kPlaceholderZeros},
    {"codes", "Codes", "R17", kPlaceholderZeros},
    {"codes", "Codes", "U17", kPlaceholderZeros},
    {"codes", "Codes", "B18", kPlaceholderZeros},
    {"codes", "Codes", "N18", kPlaceholderZeros},
    {"codes", "Codes", "O18", kPlaceholderZeros},
    {"codes", "Codes", "P18", kPlaceholderZeros},
    {"codes", "Codes", "T18", kPlaceholderZeros},
    {"codes", "Codes", "B20", kPlaceholderZeros},
    {"codes", "Codes", "C20", kPlaceholderZeros},
    {"codes", "Codes", "D20", kPlaceholderZeros},
    {"codes", "Codes", "E20", kPlaceholderZeros},
    {"codes", "Codes", "F20", kPlaceholderZeros},
    {"codes", "Codes", "I20", kPlaceholderZeros},
    {"codes", "Codes", "N20", kPlaceholderZeros},
    {"codes", "Codes", "O20", kPlaceholderZeros},
    {"codes", "Codes", "P20", kPlaceholderZeros},
    {"codes", "Codes", "R20", kPlaceholderZeros},
    {"codes", "Codes", "U20", kPlaceholderZeros},
    {"codes", "Codes", "B24", kScientific},
    {"codes", "Codes", "C24", kScientific},
    {"codes", "Codes", "D24", kScientific},
    {"codes", "Codes", "E24", kScientific},
    {"codes", "Codes", "F24", kScientific},
    {"codes", "Codes", "G24", kScientific},
    {"codes", "Codes", "H24", kScientific},
    {"codes", "Codes", "I24", kScientific},
    {"codes", "Codes", "J24", kScientific},
    {"codes", "Codes", "K24", kScientific},
    {"codes", "Codes", "L24", kScientific},
    {"codes", "Codes", "M24", kScientific},
    {"codes", "Codes", "N24", kScientific},
    {"codes", "Codes", "O24", kScientific},
    {"codes", "Codes", "P24", kScientific},
    {"codes", "Codes", "Q24", kScientific},
    {"codes", "Codes", "R24", kScientific},
    {"codes", "Codes", "S24", kScientific},
    {"codes", "Codes", "T24", kScientific},
    {"codes", "Codes", "U24", kScientific},
    {"codes", "Codes", "B28", kBuiltIn38},
    {"codes", "Codes", "C28", kBuiltIn38},
    {"codes", "Codes", "E28", kBuiltIn38},
    {"codes", "Codes", "G28", kBuiltIn38},
    {"codes", "Codes", "H28", kBuiltIn38},
    {"codes", "Codes", "J28", kBuiltIn38},
    {"codes", "Codes", "K28", kBuiltIn38},
    {"codes", "Codes", "M28", kBuiltIn38},
    {"codes", "Codes", "O28", kBuiltIn38},
    {"codes", "Codes", "P28", kBuiltIn38},
    {"codes", "Codes", "Q28", kBuiltIn38},
    {"codes", "Codes", "R28", kBuiltIn38},
    {"codes", "Codes", "S28", kBuiltIn38},
    {"codes", "Codes", "T28", kBuiltIn38},
    {"codes", "Codes", "U28", kBuiltIn38},
    {"codes", "Codes", "B29", kFillOnce},
    {"codes", "Codes", "C29", kFillOnce},
    {"codes", "Codes", "D29", kFillOnce},
    {"codes", "Codes", "E29", kFillOnce},
    {"codes", "Codes", "F29", kFillOnce},
    {"codes", "Codes", "G29", kFillOnce},
    {"codes", "Codes", "H29", kFillOnce},
    {"codes", "Codes", "I29", kFillOnce},
    {"codes", "Codes", "J29", kFillOnce},
    {"codes", "Codes", "K29", kFillOnce},
    {"codes", "Codes", "L29", kFillOnce},
    {"codes", "Codes", "M29", kFillOnce},
    {"codes", "Codes", "N29", kFillOnce},
    {"codes", "Codes", "O29", kFillOnce},
    {"codes", "Codes", "P29", kFillOnce},
    {"codes", "Codes", "Q29", kFillOnce},
    {"codes", "Codes", "R29", kFillOnce},
    {"codes", "Codes", "S29", kFillOnce},
    {"codes", "Codes", "T29", kFillOnce},
    {"codes", "Codes", "U29", kFillOnce},
    {"codes", "Codes", "B31", kCurrencyUpper},
    {"codes", "Codes", "C31", kCurrencyUpper},
    {"codes", "Codes", "D31", kCurrencyUpper},
    {"codes", "Codes", "E31", kCurrencyUpper},
    {"codes", "Codes", "F31", kCurrencyUpper},
    {"codes", "Codes", "G31", kCurrencyUpper},
    {"codes", "Codes", "H31", kCurrencyUpper},
    {"codes", "Codes", "I31", kCurrencyUpper},
    {"codes", "Codes", "J31", kCurrencyUpper},
    {"codes", "Codes", "K31", kCurrencyUpper},
    {"codes", "Codes", "L31", kCurrencyUpper},
    {"codes", "Codes", "M31", kCurrencyUpper},
    {"codes", "Codes", "N31", kCurrencyUpper},
    {"codes", "Codes", "O31", kCurrencyUpper},
    {"codes", "Codes", "P31", kCurrencyUpper},
    {"codes", "Codes", "Q31", kCurrencyUpper},
    {"codes", "Codes", "R31", kCurrencyUpper},
    {"codes", "Codes", "S31", kCurrencyUpper},
    {"codes", "Codes", "T31", kCurrencyUpper},
    {"codes", "Codes", "U31", kCurrencyUpper},
    {"codes", "Codes", "M33", kScalingComma},
    {"codes", "Codes", "Q33", kScalingComma},
    {"codes", "Codes", "R33", kScalingComma},
    {"codes", "Codes", "Q34", kScalingComma},
    {"codes", "Codes", "R34", kScalingComma},
    {"codes", "Codes", "B37", kEmptySection},
    {"codes", "Codes", "B38", kEmptySection},
    {"codes", "Codes", "C38", kEmptySection},
    {"codes", "Codes", "D38", kEmptySection},
    {"codes", "Codes", "E38", kEmptySection},
    {"codes", "Codes", "F38", kEmptySection},
    {"codes", "Codes", "G38", kEmptySection},
    {"codes", "Codes", "H38", kEmptySection},
    {"codes", "Codes", "I38", kEmptySection},
    {"codes", "Codes", "J38", kEmptySection},
    {"codes", "Codes", "K38", kEmptySection},
    {"codes", "Codes", "L38", kEmptySection},
    {"codes", "Codes", "M38", kEmptySection},
    {"codes", "Codes", "N38", kEmptySection},
    {"codes", "Codes", "O38", kEmptySection},
    {"codes", "Codes", "P38", kEmptySection},
    {"codes", "Codes", "Q38", kEmptySection},
    {"codes", "Codes", "R38", kEmptySection},
    {"codes", "Codes", "S38", kEmptySection},
    {"codes", "Codes", "T38", kEmptySection},
    {"codes", "Codes", "U38", kEmptySection},
    {"codes", "Codes", "B41", kConditions},
    {"codes", "Codes", "C41", kConditions},
    {"codes", "Codes", "E41", kConditions},
    {"codes", "Codes", "G41", kConditions},
    {"codes", "Codes", "H41", kConditions},
    {"codes", "Codes", "J41", kConditions},
    {"codes", "Codes", "O41", kConditions},
    {"codes", "Codes", "P41", kConditions},
    {"codes", "Codes", "T41", kConditions},
    {"codes", "Codes", "U41", kConditions},
    {"codes", "Codes", "B42", kFractions},
    {"codes", "Codes", "C42", kFractions},
    {"codes", "Codes", "D42", kFractions},
    {"codes", "Codes", "E42", kFractions},
    {"codes", "Codes", "F42", kFractions},
    {"codes", "Codes", "G42", kFractions},
    {"codes", "Codes", "H42", kFractions},
    {"codes", "Codes", "I42", kFractions},
    {"codes", "Codes", "J42", kFractions},
    {"codes", "Codes", "K42", kFractions},
    {"codes", "Codes", "L42", kFractions},
    {"codes", "Codes", "M42", kFractions},
    {"codes", "Codes", "N42", kFractions},
    {"codes", "Codes", "O42", kFractions},
    {"codes", "Codes", "P42", kFractions},
    {"codes", "Codes", "Q42", kFractions},
    {"codes", "Codes", "R42", kFractions},
    {"codes", "Codes", "S42", kFractions},
    {"codes", "Codes", "T42", kFractions},
    {"codes", "Codes", "U42", kFractions},
    {"codes", "Codes", "B43", kFractions},
    {"codes", "Codes", "C43", kFractions},
    {"codes", "Codes", "D43", kFractions},
    {"codes", "Codes", "E43", kFractions},
    {"codes", "Codes", "F43", kFractions},
    {"codes", "Codes", "G43", kFractions},
    {"codes", "Codes", "H43", kFractions},
    {"codes", "Codes", "I43", kFractions},
    {"codes", "Codes", "J43", kFractions},
    {"codes", "Codes", "K43", kFractions},
    {"codes", "Codes", "L43", kFractions},
    {"codes", "Codes", "M43", kFractions},
    {"codes", "Codes", "N43", kFractions},
    {"codes", "Codes", "O43", kFractions},
    {"codes", "Codes", "P43", kFractions},
    {"codes", "Codes", "Q43", kFractions},
    {"codes", "Codes", "R43", kFractions},
    {"codes", "Codes", "S43", kFractions},
    {"codes", "Codes", "T43", kFractions},
    {"codes", "Codes", "U43", kFractions},
    {"codes", "Codes", "G47", kScalingTie},
    {"codes", "Codes", "F48", kNegativeSerial},
    {"codes", "Codes", "I48", kNegativeSerial},
    {"codes", "Codes", "L48", kNegativeSerial},
    {"codes", "Codes", "N48", kNegativeSerial},
    {"codes", "Codes", "Q48", kOutOfRange},
    {"codes", "Codes", "R48", kOutOfRange},
    {"codes", "Codes", "F49", kNegativeSerial},
    {"codes", "Codes", "I49", kNegativeSerial},
    {"codes", "Codes", "L49", kNegativeSerial},
    {"codes", "Codes", "N49", kNegativeSerial},
    {"codes", "Codes", "Q49", kOutOfRange},
    {"codes", "Codes", "R49", kOutOfRange},
    {"codes", "Codes", "F50", kNegativeSerial},
    {"codes", "Codes", "I50", kNegativeSerial},
    {"codes", "Codes", "L50", kNegativeSerial},
    {"codes", "Codes", "N50", kNegativeSerial},
    {"codes", "Codes", "Q50", kOutOfRange},
    {"codes", "Codes", "R50", kOutOfRange},
    {"codes", "Codes", "F51", kNegativeSerial},
    {"codes", "Codes", "I51", kNegativeSerial},
    {"codes", "Codes", "L51", kNegativeSerial},
    {"codes", "Codes", "N51", kNegativeSerial},
    {"codes", "Codes", "Q51", kOutOfRange},
    {"codes", "Codes", "R51", kOutOfRange},
    {"codes", "Codes", "B52", kBuiltIn17},
    {"codes", "Codes", "C52", kBuiltIn17},
    {"codes", "Codes", "D52", kBuiltIn17},
    {"codes", "Codes", "E52", kBuiltIn17},
    {"codes", "Codes", "F52", kNegativeSerial},
    {"codes", "Codes", "G52", kBuiltIn17},
    {"codes", "Codes", "H52", kBuiltIn17},
    {"codes", "Codes", "I52", kNegativeSerial},
    {"codes", "Codes", "J52", kBuiltIn17},
    {"codes", "Codes", "L52", kNegativeSerial},
    {"codes", "Codes", "M52", kBuiltIn17},
    {"codes", "Codes", "N52", kNegativeSerial},
    {"codes", "Codes", "O52", kBuiltIn17},
    {"codes", "Codes", "P52", kBuiltIn17},
    {"codes", "Codes", "Q52", kOutOfRange},
    {"codes", "Codes", "R52", kOutOfRange},
    {"codes", "Codes", "S52", kBuiltIn17},
    {"codes", "Codes", "T52", kBuiltIn17},
    {"codes", "Codes", "U52", kBuiltIn17},
    {"codes", "Codes", "B53", kDateComma},
    {"codes", "Codes", "C53", kDateComma},
    {"codes", "Codes", "D53", kDateComma},
    {"codes", "Codes", "E53", kDateComma},
    {"codes", "Codes", "F53", kNegativeSerial},
    {"codes", "Codes", "G53", kDateComma},
    {"codes", "Codes", "H53", kDateComma},
    {"codes", "Codes", "I53", kNegativeSerial},
    {"codes", "Codes", "J53", kDateComma},
    {"codes", "Codes", "K53", kDateComma},
    {"codes", "Codes", "L53", kNegativeSerial},
    {"codes", "Codes", "M53", kDateComma},
    {"codes", "Codes", "N53", kNegativeSerial},
    {"codes", "Codes", "O53", kDateComma},
    {"codes", "Codes", "P53", kDateComma},
    {"codes", "Codes", "Q53", kOutOfRange},
    {"codes", "Codes", "R53", kOutOfRange},
    {"codes", "Codes", "S53", kDateComma},
    {"codes", "Codes", "T53", kDateComma},
    {"codes", "Codes", "U53", kDateComma},
    {"codes", "Codes", "F54", kNegativeSerial},
    {"codes", "Codes", "I54", kNegativeSerial},
    {"codes", "Codes", "L54", kNegativeSerial},
    {"codes", "Codes", "N54", kNegativeSerial},
    {"codes", "Codes", "Q54", kOutOfRange},
    {"codes", "Codes", "R54", kOutOfRange},
    {"codes", "Codes", "F55", kNegativeSerial},
    {"codes", "Codes", "I55", kNegativeSerial},
    {"codes", "Codes", "L55", kNegativeSerial},
    {"codes", "Codes", "N55", kNegativeSerial},
    {"codes", "Codes", "Q55", kOutOfRange},
    {"codes", "Codes", "R55", kOutOfRange},
    {"codes", "Codes", "F56", kNegativeSerial},
    {"codes", "Codes", "I56", kNegativeSerial},
    {"codes", "Codes", "L56", kNegativeSerial},
    {"codes", "Codes", "N56", kNegativeSerial},
    {"codes", "Codes", "Q56", kOutOfRange},
    {"codes", "Codes", "R56", kOutOfRange},
    {"codes", "Codes", "F57", kNegativeSerial},
    {"codes", "Codes", "I57", kNegativeSerial},
    {"codes", "Codes", "L57", kNegativeSerial},
    {"codes", "Codes", "N57", kNegativeSerial},
    {"codes", "Codes", "Q57", kOutOfRange},
    {"codes", "Codes", "R57", kOutOfRange},
    {"codes", "Codes", "L58", kNegativeSerial},
    {"codes", "Codes", "N58", kNegativeSerial},
    {"codes", "Codes", "Q58", kOutOfRange},
    {"codes", "Codes", "R58", kOutOfRange},
    {"codes", "Codes", "L59", kNegativeSerial},
    {"codes", "Codes", "N59", kNegativeSerial},
    {"codes", "Codes", "Q59", kOutOfRange},
    {"codes", "Codes", "R59", kOutOfRange},
    {"codes", "Codes", "L60", kNegativeSerial},
    {"codes", "Codes", "N60", kNegativeSerial},
    {"codes", "Codes", "Q60", kOutOfRange},
    {"codes", "Codes", "R60", kOutOfRange},
    {"codes", "Codes", "L61", kNegativeSerial},
    {"codes", "Codes", "N61", kNegativeSerial},
    {"codes", "Codes", "Q61", kOutOfRange},
    {"codes", "Codes", "R61", kOutOfRange},
    {"codes", "Codes", "M62", kLargeElapsed},
    {"codes", "Codes", "Q62", kOutOfRange},
    {"codes", "Codes", "R62", kOutOfRange},
    {"codes", "Codes", "K63", kElapsedWhole},
    {"codes", "Codes", "L63", kNegativeSerial},
    {"codes", "Codes", "M63", kLargeElapsed},
    {"codes", "Codes", "N63", kNegativeSerial},
    {"codes", "Codes", "O63", kElapsedWhole},
    {"codes", "Codes", "Q63", kOutOfRange},
    {"codes", "Codes", "R63", kOutOfRange},
    {"codes", "Codes", "B64", kElapsedDigits},
    {"codes", "Codes", "K64", kElapsedWhole},
    {"codes", "Codes", "L64", kNegativeSerial},
    {"codes", "Codes", "M64", kLargeElapsed},
    {"codes", "Codes", "N64", kNegativeSerial},
    {"codes", "Codes", "O64", kElapsedWhole},
    {"codes", "Codes", "P64", kElapsedDigits},
    {"codes", "Codes", "Q64", kOutOfRange},
    {"codes", "Codes", "R64", kOutOfRange},
    {"codes", "Codes", "L65", kNegativeSerial},
    {"codes", "Codes", "N65", kNegativeSerial},
    {"codes", "Codes", "Q65", kOutOfRange},
    {"codes", "Codes", "R65", kOutOfRange},
    {"codes", "Codes", "L66", kNegativeSerial},
    {"codes", "Codes", "N66", kNegativeSerial},
    {"codes", "Codes", "Q66", kOutOfRange},
    {"codes", "Codes", "R66", kOutOfRange},
    {"codes", "Codes", "L67", kNegativeSerial},
    {"codes", "Codes", "N67", kNegativeSerial},
    {"codes", "Codes", "Q67", kOutOfRange},
    {"codes", "Codes", "R67", kOutOfRange},
    {"codes", "Codes", "Q68", kOutOfRange},
    {"codes", "Codes", "R68", kOutOfRange},
    {"codes", "Codes", "Q69", kOutOfRange},
    {"codes", "Codes", "R69", kOutOfRange},
    {"codes", "Codes", "B70", kAmPmSpelling},
    {"codes", "Codes", "C70", kAmPmSpelling},
    {"codes", "Codes", "D70", kAmPmSpelling},
    {"codes", "Codes", "E70", kAmPmSpelling},
    {"codes", "Codes", "F70", kNegativeSerial},
    {"codes", "Codes", "G70", kAmPmSpelling},
    {"codes", "Codes", "H70", kAmPmSpelling},
    {"codes", "Codes", "I70", kNegativeSerial},
    {"codes", "Codes", "J70", kAmPmSpelling},
    {"codes", "Codes", "K70", kAmPmSpelling},
    {"codes", "Codes", "L70", kNegativeSerial},
    {"codes", "Codes", "M70", kAmPmSpelling},
    {"codes", "Codes", "N70", kNegativeSerial},
    {"codes", "Codes", "O70", kAmPmSpelling},
    {"codes", "Codes", "P70", kAmPmSpelling},
    {"codes", "Codes", "Q70", kOutOfRange},
    {"codes", "Codes", "R70", kOutOfRange},
    {"codes", "Codes", "S70", kAmPmSpelling},
    {"codes", "Codes", "T70", kAmPmSpelling},
    {"codes", "Codes", "U70", kAmPmSpelling},
    {"codes", "Codes", "F71", kNegativeSerial},
    {"codes", "Codes", "I71", kNegativeSerial},
    {"codes", "Codes", "L71", kNegativeSerial},
    {"codes", "Codes", "N71", kNegativeSerial},
    {"codes", "Codes", "Q71", kOutOfRange},
    {"codes", "Codes", "R71", kOutOfRange},
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

// The lines of the cells of `fixture` that the table leaves out of the comparison, erased from
// `lines`; each erased line is returned with its reason.
std::vector<std::pair<std::string, const char*>> EraseByDesign(const char* fixture, std::vector<std::string>& lines) {
  std::vector<std::pair<std::string, const char*>> erased;
  for (const ByDesign& d : kByDesign) {
    if (std::string_view(d.fixture) != fixture) continue;
    const std::string key = std::string(d.sheet) + '\t' + d.cell + '\t';
    const auto it = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.starts_with(key); });
    erased.emplace_back(it == lines.end() ? key : *it, d.reason);
    if (it != lines.end()) lines.erase(it);
  }
  return erased;
}

class NumFmtRealFile : public kws::test::RealFileTest {
 protected:
  NumFmtRealFile() : RealFileTest("numfmt") {}
  static void SetUpTestSuite() { xls::RegisterXLSXReader(); }
};

TEST_P(NumFmtRealFile, FormattedText_MatchesLibreOffice) {
  std::vector<std::string> expected = kws::test::ReadLines(File(".tsv"));
  ASSERT_FALSE(expected.empty()) << File(".tsv");
  xls::TXLSBook book{xls::FormatSettings{}};
  book.LoadFromFile(File(".xlsx"));
  std::vector<std::string> actual = FormattedLines(book);
  const auto theirs = EraseByDesign(GetParam(), expected);
  const auto ours = EraseByDesign(GetParam(), actual);
  ASSERT_EQ(theirs.size(), ours.size());
  for (size_t i = 0; i < theirs.size(); ++i)
    EXPECT_NE(theirs[i].first, ours[i].first) << "agrees with LibreOffice, so not by design: " << theirs[i].second;
  EXPECT_EQ(kws::test::DiffLineSets(expected, actual, 2000), "");
}

const char* const kFixtures[] = {"codes", "dates1904"};
INSTANTIATE_TEST_SUITE_P(Fixtures, NumFmtRealFile, testing::ValuesIn(kFixtures), kws::test::FixtureTestName);

}  // namespace
