// Separators, names and date forms for numbers and dates shown to people, the general
// number-to-text form and the decoding of date serials.
//
// This stands in for the platform's process-wide format settings and its float and date texts.
// `FormatSettings` is a value: built once from the environment's locale (read through
// newlocale/nl_langinfo_l, never setlocale) or made by a test, and passed to whoever formats.
// General form: at most 15 significant digits, the shortest text of that precision, plain
// notation when |x| >= 0.00001 and there are at most 15 digits before the separator, otherwise
// "E" and the exponent without "+" or leading zeros (1E20, 1.5E-7).
// Date serials count days from 30 December 1899 (serial 0); the fraction is the time of day,
// taken without its sign for negative serials; the value is rounded to whole milliseconds first.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace xls {

struct FormatSettings {
  char16_t DecimalSeparator = u'.';
  char16_t ThousandSeparator = u',';
  char16_t DateSeparator = u'/';
  char16_t TimeSeparator = u':';
  // Separates list items in formula text (function arguments, rows of array constants). The
  // locale gives none; 0 stands for the usual one, ";" where the decimal separator is "," and ","
  // elsewhere (see ListSeparatorOf).
  char16_t ListSeparator = 0;
  // Date and time forms in the letters of number-format masks (d, m, yy, h, nn, ss, AMPM).
  std::u16string ShortDateFormat = u"M/d/yyyy";
  std::u16string LongDateFormat = u"dddd, MMMM d, yyyy";
  std::u16string ShortTimeFormat = u"h:mm AMPM";
  std::u16string LongTimeFormat = u"h:mm:ss AMPM";
  // Currency symbol and its placement: 0 before, 1 after, 2 before with a blank, 3 after with
  // a blank (the order of the Windows locale setting the number formats follow).
  std::u16string CurrencyString = u"$";
  uint8_t CurrencyFormat = 0;
  std::u16string TimeAMString = u"AM";
  std::u16string TimePMString = u"PM";
  std::array<std::u16string, 12> ShortMonthNames{u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun",
                                                 u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"};
  std::array<std::u16string, 12> LongMonthNames{u"January", u"February", u"March",     u"April",
                                                u"May",     u"June",     u"July",      u"August",
                                                u"September", u"October", u"November", u"December"};
  std::array<std::u16string, 7> ShortDayNames{u"Sun", u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat"};
  std::array<std::u16string, 7> LongDayNames{u"Sunday",   u"Monday", u"Tuesday", u"Wednesday",
                                             u"Thursday", u"Friday", u"Saturday"};

  // The settings of the environment's locale (LC_ALL, LC_NUMERIC, LC_TIME, LANG as the C library
  // reads them); the defaults above where the locale is unknown or gives nothing.
  static FormatSettings FromEnvironment();
};

// The settings' list separator, or the usual one for its decimal separator when it has none.
inline char16_t ListSeparatorOf(const FormatSettings& fs) {
  if (fs.ListSeparator) return fs.ListSeparator;
  return fs.DecimalSeparator == u',' ? u';' : u',';
}

// The settings built once from the environment on first use.
const FormatSettings& DefaultFormatSettings();

// Room for any general-form text: sign, 15 digits, separator and either up to 5 zeros after
// the separator or "E-324" (22 units at most).
inline constexpr size_t kFormatGeneralMaxLen = 32;

// The number in general form with the settings' decimal separator.
std::u16string FormatGeneral(double value, const FormatSettings& fs);
// The same with the given decimal separator (formula text uses its own).
std::u16string FormatGeneral(double value, char16_t decimalSeparator);
// The one general-form routine: writes the text into `out` and returns its length in units. The
// overloads above wrap it; the text search calls it to format into a buffer on its stack.
size_t FormatGeneralTo(double value, char16_t decimalSeparator,
                       std::span<char16_t, kFormatGeneralMaxLen> out);

// Days since 1970-01-01 of a proleptic Gregorian date, and the date of such a day count.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d);
void CivilFromDays(int64_t days, int64_t& y, unsigned& m, unsigned& d);

struct TDateParts {
  int32_t Year = 0, Month = 0, Day = 0;
  int32_t Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
  int32_t DayOfWeek = 0;  // 1 = Sunday .. 7 = Saturday
};

// False (parts untouched) for a serial outside years 1..9999 or not finite.
bool DecodeDateSerial(double serial, TDateParts& parts);

}  // namespace xls
