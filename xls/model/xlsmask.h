// Number-format masks: a format code such as "#,##0.00;[Red]-#,##0.00" or "dd/mm/yyyy hh:mm"
// read into up to four sections of tokens, and a number formatted with it.
//
// Format facts (ECMA-376 Part 1, 18.8.31, and the format codes of the legacy FORMAT record): a
// code holds up to four sections split at ";" outside double quotes, for positive numbers,
// negative numbers, zero and text; "0", "#" and "?" are digit placeholders, "." the decimal point,
// "," a thousands separator (after the last placeholder it divides by 1000), "%" scales by 100,
// "E+"/"E-" start an exponent; d m y h s are date and time letters, "m" directly after an hour
// (or an elapsed-hour group) and before seconds is minutes; bracket groups hold a colour name, a
// condition, a locale or currency tag ([$text-locale]) or an elapsed unit ([h], [mm], [ss]).
// This mask reads its own subset of the language: what it does not know prints as itself,
// conditions and colour numbers are ignored, and nothing in a code ever makes it fail except a
// code of 256 characters or more.
// Design choice: numbers are written from their 15-significant-digit decimal form and rounded
// half away from zero on that text (1.005 under 0.00 gives 1.01, as other spreadsheet programs
// show it), never from the binary value; all locale texts come from a `FormatSettings` value.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xls/model/formatsettings.h"

namespace xls {

enum class TMaskEntity : uint8_t {
  meNone,      // nothing printed ("@", "E+", "E-")
  meLitteral,  // one literal character
  meString,    // a literal text
  mePlace,     // "#"
  meSpace,     // "?"
  meZero,      // "0"
  meYear2,
  meYear4,
  meMonthDig1,
  meMonthDig2,
  meMonthShort,
  meMonthName,
  meMonthChar,
  meDayDig1,
  meDayDig2,
  meDayShort,
  meDayName,
  meHourDig1,
  meHourDig2,
  meHourDig1AmPm,
  meHourDig2AmPm,
  meHourElapsed,
  meMinuteDig1,
  meMinuteDig2,
  meMinuteElapsed,
  meSecondDig1,
  meSecondDig2,
  meSecondElapsed,
  meStrAmPmUpp,
  meStrAmPmLow,
  meStrap,
  meDecimalPos,
  mePercentPos,
  meFirstDigitPlace,  // where the digits no placeholder takes are printed
  meRightIndent,      // three spaces (never made by the parser)
};

// One token of a section.
struct TMaskData {
  TMaskEntity FEntity = TMaskEntity::meNone;
  std::u16string FValue;  // kept for callers; parsing and formatting do not use it
  char16_t FC = 0;        // the character of a meLitteral
  std::u16string FS;      // the text of a meString
  TMaskEntity Entity() const { return FEntity; }
};

// The tokens of one section, in order.
class TMaskDataList {
 public:
  TMaskData* Add();
  TMaskData* Insert(size_t index);
  TMaskData* Items(size_t index) const { return FItems.at(index).get(); }
  size_t Count() const { return FItems.size(); }

 private:
  std::vector<std::unique_ptr<TMaskData>> FItems;
};

// The colour out of formatted cell text when the format names no colour.
inline constexpr uint32_t kNoMaskColor = 0xFF000000;

// Section flags.
inline constexpr uint8_t kMaskText = 0x01, kMaskComma = 0x02, kMaskDecimal = 0x04, kMaskPercent = 0x08,
                         kMaskExponent = 0x10, kMaskDateTime = 0x20, kMaskZeroSection = 0x40;

struct TMaskSection {
  std::unique_ptr<TMaskDataList> List;  // none for an empty or absent section
  uint32_t Color = 0;                   // Windows colour value (blue in the high byte)
  bool ColorNamed = false;              // a colour name set Color
  uint8_t Flags = 0;
  int32_t DecimalPos = -1;  // index of the meDecimalPos token in List, -1 when none
  int32_t Decimals = 0;     // digit placeholders after the decimal point
  int32_t Commas = 0;       // commas after the last digit placeholder, at most 4
};

// A parsed format code that formats numbers. Short-lived: set Mask, then FormatNumber or
// IsDateTime as often as needed.
class TExcelMask {
 public:
  explicit TExcelMask(const FormatSettings& settings = DefaultFormatSettings()) : FSettings(settings) {}

  const std::u16string& Mask() const { return FMask; }
  // Parses `code`. Raises XLSRWException "Format string more than 255 characthers" for a code of
  // 256 characters or more and then leaves the mask as it was.
  void SetMask(std::u16string_view code);
  int32_t Index() const { return FIndex; }
  void SetIndex(int32_t v) { FIndex = v; }
  // Dates count from 1 January 1904 (serial 0) instead of 30 December 1899.
  bool Date1904() const { return FDate1904; }
  void SetDate1904(bool v) { FDate1904 = v; }
  // The colour of the section the last FormatNumber used (0 before), and whether that section
  // named one (so that a named black tells from none).
  uint32_t Color() const { return FColor; }
  bool ColorNamed() const { return FColorNamed; }

  // The value's text under the mask (the general text when no mask is set). Never raises: a
  // value that is not finite, or a date outside years 1..9999, gives the general text.
  std::u16string FormatNumber(double value);
  // True when the first section exists and shows dates or times.
  bool IsDateTime() const;

  const TMaskSection& Section(size_t index) const { return FFormats.at(index); }

 private:
  static void ParseSection(std::u16string_view text, TMaskSection& section, bool zeroSection);
  static void Finish(TMaskSection& section);
  std::u16string FormatSection(double value, const TMaskSection& section) const;
  std::u16string FormatNumberText(double value, const TMaskSection& section) const;
  std::u16string FormatScientific(double value, const TMaskSection& section) const;
  std::u16string FormatDateTime(double value, const TMaskSection& section) const;

  FormatSettings FSettings;
  std::u16string FMask;
  int32_t FIndex = 0;
  std::array<TMaskSection, 4> FFormats;
  uint32_t FColor = 0;
  bool FColorNamed = false;
  bool FDate1904 = false;
};

// Whether the first section of `code` shows dates or times: TExcelMask::IsDateTime of the code.
// Raises the length error for a code of 256 characters or more.
bool NumFmtIsDateTime(std::u16string_view code);

// A date or time form of FormatSettings (letters d, m, y, h, n, s and AMPM) written as a mask
// code: "nn" becomes minutes, "AMPM" the AM/PM marker, other characters but "/" and ":" are
// escaped so that they print as themselves.
std::u16string MaskCodeOfDateForm(std::u16string_view form);

}  // namespace xls
