#include "xls/model/formatsettings.h"

#include <langinfo.h>
#include <locale.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

#include "platform/textcodec.h"

namespace xls {

namespace {

// Strftime directives of the C library's date and time forms, in mask letters.
std::u16string MaskFromStrftime(std::u16string_view f) {
  std::u16string out;
  for (size_t i = 0; i < f.size(); ++i) {
    if (f[i] != u'%' || i + 1 >= f.size()) {
      out += f[i];
      continue;
    }
    char16_t d = f[++i];
    if ((d == u'E' || d == u'O') && i + 1 < f.size()) d = f[++i];
    switch (d) {
      case u'd': out += u"dd"; break;
      case u'e': out += u"d"; break;
      case u'm': out += u"mm"; break;
      case u'y': out += u"yy"; break;
      case u'Y': out += u"yyyy"; break;
      case u'b': case u'h': out += u"mmm"; break;
      case u'B': out += u"mmmm"; break;
      case u'a': out += u"ddd"; break;
      case u'A': out += u"dddd"; break;
      case u'H': out += u"hh"; break;
      case u'I': out += u"h"; break;
      case u'M': out += u"nn"; break;
      case u'S': out += u"ss"; break;
      case u'p': out += u"AMPM"; break;
      case u'D': out += u"mm/dd/yy"; break;
      case u'T': out += u"hh:nn:ss"; break;
      case u'R': out += u"hh:nn"; break;
      case u'F': out += u"yyyy-mm-dd"; break;
      case u'r': out += u"h:nn:ss AMPM"; break;
      case u'%': out += u'%'; break;
      default: break;
    }
  }
  return out;
}

class LocaleTexts {
 public:
  LocaleTexts() : FLoc(newlocale(LC_ALL_MASK, "", nullptr)) {
    if (FLoc) FCodeset = nl_langinfo_l(CODESET, FLoc);
  }
  ~LocaleTexts() {
    if (FLoc) freelocale(FLoc);
  }
  LocaleTexts(const LocaleTexts&) = delete;
  LocaleTexts& operator=(const LocaleTexts&) = delete;
  bool Valid() const { return FLoc != nullptr; }
  // The item's text, or `fallback` when the locale gives nothing.
  void Get(nl_item item, std::u16string& target) const {
    const char* s = nl_langinfo_l(item, FLoc);
    if (!s || !*s) return;
    const std::string_view bytes(s);
    if (FCodeset == "UTF-8" || kws::IsValidUtf8(bytes)) {
      target = kws::Utf8ToUtf16(bytes);
    } else if (auto t = kws::DecodeCharset(bytes, FCodeset.c_str())) {
      target = *t;
    }
  }
  // A numeric item of the locale (-1 when the locale gives none).
  int Byte(nl_item item) const {
    const char* s = nl_langinfo_l(item, FLoc);
    return s ? static_cast<signed char>(*s) : -1;
  }
  void Get(nl_item item, char16_t& target) const {
    std::u16string s;
    Get(item, s);
    if (s.size() == 1) target = s[0];
  }

 private:
  locale_t FLoc;
  std::string FCodeset;
};

}  // namespace

FormatSettings FormatSettings::FromEnvironment() {
  FormatSettings fs;
  const LocaleTexts lt;
  if (!lt.Valid()) return fs;
  lt.Get(RADIXCHAR, fs.DecimalSeparator);
  lt.Get(THOUSEP, fs.ThousandSeparator);
  std::u16string dfmt, tfmt;
  lt.Get(D_FMT, dfmt);
  lt.Get(T_FMT, tfmt);
  if (!dfmt.empty()) {
    fs.ShortDateFormat = MaskFromStrftime(dfmt);
    for (char16_t c : fs.ShortDateFormat)
      if (!(c >= u'a' && c <= u'z') && !(c >= u'A' && c <= u'Z')) {
        fs.DateSeparator = c;
        break;
      }
  }
  if (!tfmt.empty()) fs.LongTimeFormat = MaskFromStrftime(tfmt);
  std::u16string crncy;
  lt.Get(CRNCYSTR, crncy);
  // "-" before the number, "+" after it, "." in place of the decimal separator (taken as before).
  if (crncy.size() > 1) {
    fs.CurrencyString = crncy.substr(1);
    const bool after = crncy[0] == u'+';
    const bool blank = lt.Byte(__INT_P_SEP_BY_SPACE) == 1;
    fs.CurrencyFormat = uint8_t((after ? 1 : 0) + (blank ? 2 : 0));
  }
  lt.Get(AM_STR, fs.TimeAMString);
  lt.Get(PM_STR, fs.TimePMString);
  for (int i = 0; i < 12; ++i) {
    lt.Get(nl_item(ABMON_1 + i), fs.ShortMonthNames[size_t(i)]);
    lt.Get(nl_item(MON_1 + i), fs.LongMonthNames[size_t(i)]);
  }
  for (int i = 0; i < 7; ++i) {
    lt.Get(nl_item(ABDAY_1 + i), fs.ShortDayNames[size_t(i)]);
    lt.Get(nl_item(DAY_1 + i), fs.LongDayNames[size_t(i)]);
  }
  return fs;
}

const FormatSettings& DefaultFormatSettings() {
  static const FormatSettings fs = FormatSettings::FromEnvironment();
  return fs;
}

std::u16string FormatGeneral(double value, const FormatSettings& fs) {
  return FormatGeneral(value, fs.DecimalSeparator);
}

std::u16string FormatGeneral(double value, char16_t decimalSeparator) {
  std::array<char16_t, kFormatGeneralMaxLen> buf;
  return std::u16string(buf.data(), FormatGeneralTo(value, decimalSeparator, buf));
}

namespace {

char16_t* PutAscii(char16_t* o, std::string_view text) {
  for (char c : text) *o++ = char16_t(c);
  return o;
}

constexpr std::array<uint64_t, 20> kPow10 = [] {
  std::array<uint64_t, 20> p{};
  uint64_t v = 1;
  for (uint64_t& x : p) x = v, v *= 10;  // the last product wraps and is not kept
  return p;
}();

// The 15 significant digits of |x| (an integer in [10^14, 10^15)) and its decimal exponent, for a
// number that is not whole with 0.00001 <= |x| < 10^15; false for any other. Such an x is
// m / 2^k with a 53-bit m and k in 1..69, so m * 10^(14 - exp) (exp in -5..14) fits 128 bits and
// the digits come out exactly, rounded half to even like the scientific form of to_chars, at a
// fraction of its cost.
bool ExactDigits15(double x, uint64_t& digits, int& exp) {
  const double a = std::fabs(x);
  if (!(a >= 1e-5 && a < 1e15)) return false;
  const auto bits = std::bit_cast<uint64_t>(x);
  const int k = 1075 - int((bits >> 52) & 0x7FF);
  if (k < 1 || k > 69) return false;
  const uint64_t m = (bits & ((uint64_t(1) << 52) - 1)) | (uint64_t(1) << 52);
  // The double 1e-5 lies above 10^-5, so exp starts at -5 or more; the guess from the double
  // powers is then put right exactly: the quotient must have 15 digits.
  static constexpr double kDecimal[20] = {1e-4, 1e-3, 1e-2, 1e-1, 1,    1e1,  1e2,  1e3,  1e4,  1e5,
                                          1e6,  1e7,  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  exp = -5;
  while (exp < 14 && a >= kDecimal[exp + 5]) ++exp;
  using u128 = unsigned __int128;
  u128 q = 0, rest = 0;
  for (;;) {
    const u128 v = u128(m) * kPow10[14 - exp];
    q = v >> k;
    rest = v - (q << k);
    if (q < kPow10[14] && exp > -5) {
      --exp;
    } else if (q >= kPow10[15] && exp < 14) {
      ++exp;
    } else {
      break;
    }
  }
  const u128 half = u128(1) << (k - 1);
  if (rest > half || (rest == half && (q & 1) != 0)) ++q;
  if (q == kPow10[15]) {  // rounded up to the next power of ten
    q = kPow10[14];
    ++exp;
  }
  digits = uint64_t(q);
  return true;
}

// Writes the general form from o on; returns the end.
char16_t* WriteGeneral(double value, char16_t decimalSeparator, char16_t* o) {
  if (std::isnan(value)) return PutAscii(o, "NAN");
  if (std::isinf(value)) return PutAscii(o, value > 0 ? "INF" : "-INF");
  if (value == 0) return PutAscii(o, "0");
  char buf[64];
  // A whole number below 10^15 has at most 15 digits: its general form is its decimal digits.
  if (std::fabs(value) < 1e15 && value == std::trunc(value)) {
    const auto res = std::to_chars(buf, buf + sizeof buf, int64_t(value));
    return PutAscii(o, std::string_view(buf, size_t(res.ptr - buf)));
  }
  const bool negative = value < 0;
  char digitBuf[15] = {};
  int exp = 0;
  uint64_t exact = 0;
  if (ExactDigits15(value, exact, exp)) {
    std::to_chars(digitBuf, digitBuf + 15, exact);
  } else {
    // d.dddddddddddddde±x: 15 significant digits, correctly rounded, always 14 after the point.
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    const char* mantissa = buf + (negative ? 1 : 0);
    digitBuf[0] = mantissa[0];
    std::memcpy(digitBuf + 1, mantissa + 2, 14);
    const char* e = mantissa + 16;  // 'e'
    std::from_chars(e + (e[1] == '+' ? 2 : 1), res.ptr, exp);
  }
  size_t nd = 15;
  while (nd > 1 && digitBuf[nd - 1] == '0') --nd;
  const std::string_view digits(digitBuf, nd);

  if (negative) *o++ = u'-';
  if (exp >= 15 || exp < -5) {
    *o++ = char16_t(digits[0]);
    if (digits.size() > 1) {
      *o++ = decimalSeparator;
      o = PutAscii(o, digits.substr(1));
    }
    *o++ = u'E';
    const auto e = std::to_chars(buf, buf + sizeof buf, exp);
    return PutAscii(o, std::string_view(buf, size_t(e.ptr - buf)));
  }
  if (exp >= 0) {
    const size_t intDigits = size_t(exp) + 1;
    if (digits.size() <= intDigits) {
      o = PutAscii(o, digits);
      for (size_t i = digits.size(); i < intDigits; ++i) *o++ = u'0';
      return o;
    }
    o = PutAscii(o, digits.substr(0, intDigits));
    *o++ = decimalSeparator;
    return PutAscii(o, digits.substr(intDigits));
  }
  *o++ = u'0';
  *o++ = decimalSeparator;
  for (int i = 0; i < -exp - 1; ++i) *o++ = u'0';
  return PutAscii(o, digits);
}

}  // namespace

size_t FormatGeneralTo(double value, char16_t decimalSeparator,
                       std::span<char16_t, kFormatGeneralMaxLen> out) {
  return size_t(WriteGeneral(value, decimalSeparator, out.data()) - out.data());
}

// Civil-date arithmetic over 400-year eras of 146097 days, counted from 0000-03-01 so that the
// leap day ends each year.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t days, int64_t& y, unsigned& m, unsigned& d) {
  const int64_t z = days + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<int64_t>(yoe) + era * 400 + (m <= 2);
}

bool DecodeDateSerial(double serial, TDateParts& parts) {
  constexpr int64_t kMsPerDay = 86400000;
  constexpr int64_t kDateDelta = 693594;  // days from 0001-01-01 (day 1) to 1899-12-30
  if (!std::isfinite(serial) || std::fabs(serial) > 3.0e6) return false;
  const int64_t ms = int64_t(std::nearbyint(serial * double(kMsPerDay)));
  const int64_t date = kDateDelta + ms / kMsPerDay;  // day 1 = 0001-01-01
  const int64_t time = (ms < 0 ? -ms : ms) % kMsPerDay;
  if (date < 1 || date > 3652059) return false;  // 9999-12-31
  int64_t y;
  unsigned mo, d;
  CivilFromDays(date - 1 - 719162, y, mo, d);  // 719162: days from 0001-01-01 to 1970-01-01
  parts.Year = int32_t(y);
  parts.Month = int32_t(mo);
  parts.Day = int32_t(d);
  parts.Hour = int32_t(time / 3600000);
  parts.Minute = int32_t(time / 60000 % 60);
  parts.Second = int32_t(time / 1000 % 60);
  parts.Millisecond = int32_t(time % 1000);
  parts.DayOfWeek = int32_t(date % 7 + 1);
  return true;
}

}  // namespace xls
