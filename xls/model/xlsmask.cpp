#include "xls/model/xlsmask.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "platform/textcodec.h"
#include "xls/model/xlserrors.h"

namespace xls {

using E = TMaskEntity;

TMaskData* TMaskDataList::Add() { return FItems.emplace_back(std::make_unique<TMaskData>()).get(); }

TMaskData* TMaskDataList::Insert(size_t index) {
  index = std::min(index, FItems.size());
  return FItems.insert(FItems.begin() + std::ptrdiff_t(index), std::make_unique<TMaskData>())->get();
}

namespace {

constexpr size_t kMaxMaskLen = 255;

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; }

bool IsDateLetter(char16_t c) {
  switch (Lower(c)) {
    case u'd':
    case u'h':
    case u'm':
    case u's':
    case u'y':
      return true;
    default:
      return false;
  }
}

bool IsDigitPlace(E e) { return e == E::mePlace || e == E::meSpace || e == E::meZero; }
bool IsHour(E e) {
  return e == E::meHourDig1 || e == E::meHourDig2 || e == E::meHourDig1AmPm || e == E::meHourDig2AmPm ||
         e == E::meHourElapsed;
}
bool IsElapsed(E e) { return e == E::meHourElapsed || e == E::meMinuteElapsed || e == E::meSecondElapsed; }

// Colour names in Windows colour order (blue in the high byte), the spreadsheet palette's values.
struct NamedColor {
  std::u16string_view name;
  uint32_t color;
};
constexpr NamedColor kColors[] = {
    {u"BLACK", 0x000000}, {u"CYAN", 0xFFFF00},  {u"MAGENTA", 0xFF00FF}, {u"WHITE", 0xFFFFFF},
    {u"BLUE", 0xFF0000},  {u"GREEN", 0x00FF00}, {u"RED", 0x0000FF},     {u"YELLOW", 0x00FFFF},
};

// |a| (finite) as its 15-significant-digit decimal form: digits without trailing zeros ("0" for
// zero) and the decimal exponent of the first digit.
void Digits15(double a, std::string& digits, int& exp) {
  a = std::fabs(a);
  if (a == 0 || !std::isfinite(a)) {  // callers pass finite values; never parse "inf"
    digits = "0";
    exp = 0;
    return;
  }
  char buf[48];
  const auto res = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, 14);
  digits.assign(1, buf[0]);
  digits.append(buf + 2, 14);
  const char* e = std::find(buf, res.ptr, 'e');
  std::from_chars(e + (e[1] == '+' ? 2 : 1), res.ptr, exp);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
}

// Adds one unit in the last place of a digit string; true when it grew by a leading "1".
bool AddOne(std::string& n) {
  size_t i = n.size();
  while (i > 0 && n[i - 1] == '9') n[--i] = '0';
  if (i == 0) {
    n.insert(n.begin(), '1');
    return true;
  }
  ++n[i - 1];
  return false;
}

// |a| with `decimals` decimals, rounded half away from zero on its 15-digit form: the integer
// digits (at least "0") and exactly `decimals` fraction digits.
void FixedDigits(double a, int decimals, std::string& intPart, std::string& fracPart) {
  std::string d;
  int exp = 0;
  Digits15(a, d, exp);
  const long keep = long(exp) + 1 + decimals;  // digits at 10^-decimals or above
  std::string n;
  if (keep <= 0) {
    n = keep == 0 && d[0] >= '5' ? "1" : "0";
  } else {
    const size_t k = size_t(keep);
    n = d.substr(0, std::min(k, d.size()));
    if (k < d.size()) {
      if (d[k] >= '5') AddOne(n);
    } else {
      n.append(k - d.size(), '0');
    }
  }
  if (n.size() < size_t(decimals) + 1) n.insert(0, size_t(decimals) + 1 - n.size(), '0');
  intPart = n.substr(0, n.size() - size_t(decimals));
  fracPart = n.substr(n.size() - size_t(decimals));
  const size_t first = intPart.find_first_not_of('0');
  intPart.erase(0, first == std::string::npos ? intPart.size() - 1 : first);
}

bool HasNonZeroDigit(std::string_view s) { return s.find_first_of("123456789") != std::string_view::npos; }

void PutAscii(std::u16string& out, std::string_view s) {
  for (char c : s) out += char16_t(c);
}

void PutNumber(std::u16string& out, int64_t v, int minDigits) {
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  const int len = int(res.ptr - buf);
  for (int i = len; i < minDigits; ++i) out += u'0';
  PutAscii(out, std::string_view(buf, size_t(len)));
}

bool HasTokens(const TMaskSection& s) { return s.List && s.List->Count() > 0; }

}  // namespace

void TExcelMask::SetMask(std::u16string_view code) {
  if (code.size() > kMaxMaskLen) throw XLSRWException("Format string more than 255 characthers");
  std::u16string s;
  s.reserve(code.size());
  for (size_t i = 0; i < code.size();) {
    if (i + 7 <= code.size() && kws::AsciiSameText(code.substr(i, 7), u"general")) {
      s += u'@';
      i += 7;
    } else {
      s += code[i++];
    }
  }
  FMask = s;
  for (TMaskSection& sec : FFormats) sec = TMaskSection{};
  // Sections: split at ";" outside double quotes, at most four.
  size_t start = 0, index = 0;
  bool quoted = false;
  for (size_t i = 0; i <= s.size() && index < 4; ++i) {
    if (i < s.size() && s[i] == u'"') quoted = !quoted;
    if (i == s.size() || (s[i] == u';' && !quoted)) {
      const std::u16string_view text = std::u16string_view(s).substr(start, i - start);
      if (!text.empty()) ParseSection(text, FFormats[index], index == 2);
      ++index;
      start = i + 1;
    }
  }
}

void TExcelMask::ParseSection(std::u16string_view text, TMaskSection& sec, bool zeroSection) {
  sec = TMaskSection{};
  sec.List = std::make_unique<TMaskDataList>();
  sec.Flags = zeroSection ? kMaskZeroSection : 0;
  TMaskDataList& list = *sec.List;
  auto add = [&](E e) {
    TMaskData* t = list.Add();
    t->FEntity = e;
    return t;
  };
  auto literal = [&](char16_t c) { add(E::meLitteral)->FC = c; };
  // The token of the previous date or time run (or elapsed group) of this section.
  long prevDate = -1;
  auto prevIs = [&](E e) { return prevDate >= 0 && list.Items(size_t(prevDate))->FEntity == e; };
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    const char16_t c = text[i];
    switch (c) {
      case u'"': {
        const size_t end = text.find(u'"', i + 1);
        if (end == std::u16string_view::npos) return Finish(sec);
        add(E::meString)->FS = std::u16string(text.substr(i + 1, end - i - 1));
        i = end + 1;
        continue;
      }
      case u'#':
      case u'0':
      case u'?':
        add(c == u'#' ? E::mePlace : c == u'0' ? E::meZero : E::meSpace);
        if (sec.Flags & kMaskDecimal) ++sec.Decimals;
        sec.Commas = 0;
        ++i;
        continue;
      case u'%':
        sec.Flags |= kMaskPercent;
        add(E::mePercentPos);
        ++i;
        continue;
      case u',':
        sec.Flags |= kMaskComma;
        ++sec.Commas;
        ++i;
        continue;
      case u'.':
        sec.Flags |= kMaskDecimal;
        add(E::meDecimalPos);
        sec.DecimalPos = int32_t(list.Count());
        ++i;
        continue;
      case u'@':
        add(E::meNone);
        sec.Flags = kMaskText;
        ++i;
        continue;
      case u'E':
      case u'e':
        if (i + 1 < n && (text[i + 1] == u'+' || text[i + 1] == u'-')) {
          add(E::meNone);
          sec.Flags |= kMaskExponent;
          i += 2;
        } else {
          literal(c);
          ++i;
        }
        continue;
      case u'\\':
      case u'_':
        if (i + 1 < n) literal(c == u'_' ? u' ' : text[i + 1]);
        i += 2;
        continue;
      case u'*':
        ++i;
        continue;
      case u'[': {
        const size_t end = text.find(u']', i + 1);
        if (end == std::u16string_view::npos) return Finish(sec);
        const std::u16string g = kws::AsciiUpperCopy(text.substr(i + 1, end - i - 1));
        i = end + 1;
        if (!g.empty() && g[0] == u'$') {
          const size_t dash = g.find(u'-');
          add(E::meString)->FS = dash == std::u16string::npos ? g : g.substr(1, dash - 1);
        } else if (g == u"H" || g == u"HH" || g == u"M" || g == u"MM" || g == u"S" || g == u"SS") {
          add(g[0] == u'H' ? E::meHourElapsed : g[0] == u'M' ? E::meMinuteElapsed : E::meSecondElapsed);
          prevDate = long(list.Count()) - 1;
        } else {
          for (const NamedColor& nc : kColors)
            if (g == nc.name) sec.Color = nc.color, sec.ColorNamed = true;
        }
        if (list.Count() > 0 && IsElapsed(list.Items(list.Count() - 1)->FEntity)) sec.Flags |= kMaskDateTime;
        continue;
      }
      case u'a':
      case u'A': {
        TMaskData* t = add(E::meLitteral);
        t->FC = c;
        const std::u16string_view rest = text.substr(i);
        if (rest.starts_with(u"a/p")) {
          t->FEntity = E::meStrap;
          i += 3;
        } else if (rest.starts_with(u"am/pm")) {
          t->FEntity = E::meStrAmPmLow;
          i += 5;
        } else if (rest.starts_with(u"AM/PM")) {
          t->FEntity = E::meStrAmPmUpp;
          i += 5;
        } else {
          ++i;
          continue;
        }
        for (size_t k = list.Count() - 1; k-- > 0;) {
          TMaskData* h = list.Items(k);
          if (h->FEntity == E::meHourDig1 || h->FEntity == E::meHourDig2) {
            h->FEntity = h->FEntity == E::meHourDig1 ? E::meHourDig1AmPm : E::meHourDig2AmPm;
            break;
          }
        }
        continue;
      }
      default:
        break;
    }
    if (!IsDateLetter(c)) {
      literal(c);
      ++i;
      continue;
    }
    // A run of one date or time letter.
    sec.Flags |= kMaskDateTime;
    const char16_t l = Lower(c);
    size_t run = 0;
    while (i < n && Lower(text[i]) == l) ++i, ++run;
    E e = E::meNone;
    switch (l) {
      case u'd':
        e = run == 1 ? E::meDayDig1 : run == 2 ? E::meDayDig2 : run == 3 ? E::meDayShort : E::meDayName;
        break;
      case u'h':
        e = run == 1 ? E::meHourDig1 : E::meHourDig2;
        break;
      case u'm':
        if (prevDate >= 0 && IsHour(list.Items(size_t(prevDate))->FEntity))
          e = run == 1 ? E::meMinuteDig1 : E::meMinuteDig2;
        else
          e = run == 1   ? E::meMonthDig1
              : run == 2 ? E::meMonthDig2
              : run == 3 ? E::meMonthShort
              : run == 4 ? E::meMonthName
                         : E::meMonthChar;
        break;
      case u's':
        if (prevIs(E::meMonthDig1)) list.Items(size_t(prevDate))->FEntity = E::meMinuteDig1;
        if (prevIs(E::meMonthDig2)) list.Items(size_t(prevDate))->FEntity = E::meMinuteDig2;
        e = run == 1 ? E::meSecondDig1 : E::meSecondDig2;
        break;
      default:
        e = run <= 2 ? E::meYear2 : E::meYear4;
        break;
    }
    add(e);
    prevDate = long(list.Count()) - 1;
  }
  Finish(sec);
}

void TExcelMask::Finish(TMaskSection& sec) {
  TMaskDataList& list = *sec.List;
  for (size_t k = 0; k < list.Count(); ++k) {
    const E e = list.Items(k)->FEntity;
    if (IsDigitPlace(e) || e == E::meDecimalPos) {
      list.Insert(k)->FEntity = E::meFirstDigitPlace;
      // Digit placeholders before any decimal point make a number section.
      if (e != E::meDecimalPos) sec.Flags &= uint8_t(~kMaskDateTime);
      break;
    }
  }
  sec.Commas = std::min(sec.Commas, 4);
}

bool TExcelMask::IsDateTime() const { return FFormats[0].List && (FFormats[0].Flags & kMaskDateTime); }

std::u16string TExcelMask::FormatNumber(double value) {
  const TMaskSection &s0 = FFormats[0], &s1 = FFormats[1], &s2 = FFormats[2];
  if (HasTokens(s1) && !(value >= 0)) {
    FColor = s1.Color;
    FColorNamed = s1.ColorNamed;
    return FormatSection(std::fabs(value), s1);
  }
  if (!HasTokens(s2) || value != 0) {
    FColor = s0.Color;
    FColorNamed = s0.ColorNamed;
    return FormatSection(value, s0);
  }
  FColor = s2.Color;
  FColorNamed = s2.ColorNamed;
  return FormatSection(0, s2);
}

std::u16string TExcelMask::FormatSection(double value, const TMaskSection& sec) const {
  if (!HasTokens(sec) || !std::isfinite(value)) return FormatGeneral(value, FSettings);
  if (sec.Flags & kMaskText) {
    std::u16string out;
    for (size_t k = 0; k < sec.List->Count(); ++k)
      if (const TMaskData* t = sec.List->Items(k); t->FEntity == E::meLitteral) out += t->FC;
    return out + FormatGeneral(value, FSettings);
  }
  if (sec.Flags & kMaskDateTime) return FormatDateTime(value, sec);
  if (sec.Flags & kMaskExponent) return FormatScientific(value, sec);
  return FormatNumberText(value, sec);
}

std::u16string TExcelMask::FormatNumberText(double value, const TMaskSection& sec) const {
  const TMaskDataList& list = *sec.List;
  // The number text: digits, thousands separators and decimal separator, no sign.
  std::u16string num;
  size_t intLen = 0;
  bool nonZero = false;
  if (!(sec.Flags & kMaskZeroSection)) {
    double a = std::fabs(value);
    for (int c = 0; c < sec.Commas; ++c) a /= 1000;
    if (sec.Flags & kMaskPercent) a *= 100;
    if (!std::isfinite(a)) return FormatGeneral(value, FSettings);  // 1E308 as a percentage
    std::string intPart, fracPart;
    FixedDigits(a, sec.Decimals, intPart, fracPart);
    nonZero = HasNonZeroDigit(intPart) || HasNonZeroDigit(fracPart);
    for (size_t k = 0; k < intPart.size(); ++k) {
      if ((sec.Flags & kMaskComma) && k > 0 && (intPart.size() - k) % 3 == 0)
        num += FSettings.ThousandSeparator;
      num += char16_t(intPart[k]);
    }
    intLen = num.size();
    if (sec.Decimals > 0) {
      num += FSettings.DecimalSeparator;
      PutAscii(num, fracPart);
    }
  }
  // Integer part, right to left from the decimal point.
  std::u16string rev;
  size_t p = intLen;
  const size_t from = sec.DecimalPos >= 0 ? size_t(sec.DecimalPos) : list.Count() - 1;
  for (size_t k = from + 1; k-- > 0;) {
    const TMaskData& t = *list.Items(k);
    switch (t.FEntity) {
      case E::meLitteral:
        rev += t.FC;
        break;
      case E::meString:
        rev.append(t.FS.rbegin(), t.FS.rend());
        break;
      case E::mePercentPos:
        rev += u'%';
        break;
      case E::meRightIndent:
        rev += u"   ";
        break;
      case E::mePlace:
      case E::meSpace:
      case E::meZero:
        if (p > 0)
          rev += num[--p];
        else if (t.FEntity == E::meZero)
          rev += u'0';
        else if (t.FEntity == E::meSpace)
          rev += u' ';
        break;
      case E::meFirstDigitPlace:
        while (p > 0) rev += num[--p];
        break;
      default:
        break;
    }
  }
  std::u16string out(rev.rbegin(), rev.rend());
  // Fraction part, left to right from the decimal point.
  if (sec.DecimalPos >= 0) {
    size_t q = sec.Decimals > 0 && !num.empty() ? intLen + 1 : num.size();
    for (size_t k = size_t(sec.DecimalPos); k < list.Count(); ++k) {
      const TMaskData& t = *list.Items(k);
      switch (t.FEntity) {
        case E::meDecimalPos:
          out += FSettings.DecimalSeparator;
          break;
        case E::meLitteral:
          out += t.FC;
          break;
        case E::meString:
          out += t.FS;
          break;
        case E::mePercentPos:
          out += u'%';
          break;
        case E::meRightIndent:
          out += u"   ";
          break;
        case E::mePlace:
        case E::meSpace:
        case E::meZero:
          if (q < num.size())
            out += num[q++];
          else if (t.FEntity == E::meZero)
            out += u'0';
          else if (t.FEntity == E::meSpace)
            out += u' ';
          break;
        default:
          break;
      }
    }
  }
  // The sign stands before the whole text, and only when a digit shown is not zero.
  if (value < 0 && nonZero) out.insert(out.begin(), u'-');
  return out;
}

std::u16string TExcelMask::FormatScientific(double value, const TMaskSection& sec) const {
  const size_t precision = size_t(std::max(1, sec.Decimals - 1));
  const int expDigits = sec.DecimalPos < 0 ? 2 : std::min(sec.DecimalPos, 4);
  std::string d;
  int exp = 0;
  Digits15(value, d, exp);
  if (d.size() > precision) {
    const bool up = d[precision] >= '5';
    d.resize(precision);
    if (up && AddOne(d)) {
      d.pop_back();
      ++exp;
    }
  }
  d.append(precision - d.size(), '0');
  if (value == 0) exp = 0;
  std::u16string out;
  if (value < 0 && HasNonZeroDigit(d)) out += u'-';
  out += char16_t(d[0]);
  if (precision > 1) {
    out += FSettings.DecimalSeparator;
    PutAscii(out, std::string_view(d).substr(1));
  }
  out += u'E';
  out += exp < 0 ? u'-' : u'+';
  PutNumber(out, exp < 0 ? -int64_t(exp) : int64_t(exp), expDigits);
  return out;
}

std::u16string TExcelMask::FormatDateTime(double value, const TMaskSection& sec) const {
  const TMaskDataList& list = *sec.List;
  // Fractions of a second are shown rounded: a section that shows them rounds the value to the
  // finest one shown before decoding (so 59.999 seconds under ss.00 show as the next minute).
  // Whole seconds, minutes and hours are cut, as the decoding gives them.
  int shownDecimals = 0;
  for (size_t k = 0; k < list.Count(); ++k) {
    if (list.Items(k)->FEntity != E::meDecimalPos) continue;
    int z = 0;
    while (z < 3 && k + 1 + size_t(z) < list.Count() && list.Items(k + 1 + size_t(z))->FEntity == E::meZero)
      ++z;
    shownDecimals = std::max(shownDecimals, z);
  }
  double serial = value;
  if (shownDecimals > 0 && std::fabs(serial) < 3.0e6) {
    const double units = 86400.0 * std::pow(10.0, shownDecimals);
    serial = std::nearbyint(serial * units) / units;
  }
  TDateParts t;
  if (!DecodeDateSerial(FDate1904 ? serial + 1462 : serial, t)) return FormatGeneral(value, FSettings);
  // Elapsed units count whole units of the value rounded to milliseconds.
  const int64_t totalMs = int64_t(std::nearbyint(std::fabs(serial) * 86400000.0));
  bool signDone = !(serial < 0);
  const FormatSettings& fs = FSettings;
  std::u16string out;
  for (size_t k = 0; k < list.Count(); ++k) {
    const TMaskData& tok = *list.Items(k);
    switch (tok.FEntity) {
      case E::meLitteral:
        out += tok.FC == u'/' ? fs.DateSeparator : tok.FC == u':' ? fs.TimeSeparator : tok.FC;
        break;
      case E::meString:
        out += tok.FS;
        break;
      case E::meYear2:
        PutNumber(out, t.Year % 100, 2);
        break;
      case E::meYear4:
        PutNumber(out, t.Year, 4);
        break;
      case E::meMonthDig1:
        PutNumber(out, t.Month, 1);
        break;
      case E::meMonthDig2:
        PutNumber(out, t.Month, 2);
        break;
      case E::meMonthShort:
        out += fs.ShortMonthNames[size_t(t.Month - 1)];
        break;
      case E::meMonthName:
        out += fs.LongMonthNames[size_t(t.Month - 1)];
        break;
      case E::meMonthChar:
        out += fs.ShortMonthNames[size_t(t.Month - 1)].substr(0, 1);
        break;
      case E::meDayDig1:
        PutNumber(out, t.Day, 1);
        break;
      case E::meDayDig2:
        PutNumber(out, t.Day, 2);
        break;
      case E::meDayShort:
        out += fs.ShortDayNames[size_t(t.DayOfWeek - 1)];
        break;
      case E::meDayName:
        out += fs.LongDayNames[size_t(t.DayOfWeek - 1)];
        break;
      case E::meHourDig1:
        PutNumber(out, t.Hour, 1);
        break;
      case E::meHourDig2:
        PutNumber(out, t.Hour, 2);
        break;
      case E::meHourDig1AmPm:
      case E::meHourDig2AmPm: {
        const int h = t.Hour % 12 == 0 ? 12 : t.Hour % 12;
        PutNumber(out, h, tok.FEntity == E::meHourDig1AmPm ? 1 : 2);
        break;
      }
      case E::meHourElapsed:
      case E::meMinuteElapsed:
      case E::meSecondElapsed: {
        if (!signDone) out += u'-';
        signDone = true;
        const int64_t unit = tok.FEntity == E::meHourElapsed     ? 3600000
                             : tok.FEntity == E::meMinuteElapsed ? 60000
                                                                 : 1000;
        PutNumber(out, totalMs / unit, 1);
        break;
      }
      case E::meMinuteDig1:
        PutNumber(out, t.Minute, 1);
        break;
      case E::meMinuteDig2:
        PutNumber(out, t.Minute, 2);
        break;
      case E::meSecondDig1:
        PutNumber(out, t.Second, 1);
        break;
      case E::meSecondDig2:
        PutNumber(out, t.Second, 2);
        break;
      case E::meStrAmPmUpp:
        out += t.Hour < 12 ? u"AM" : u"PM";
        break;
      case E::meStrAmPmLow:
        out += t.Hour < 12 ? u"am" : u"pm";
        break;
      case E::meStrap:
        out += t.Hour < 12 ? u'a' : u'p';
        break;
      case E::meDecimalPos: {
        int z = 0;
        while (z < 3 && k + 1 < list.Count() && list.Items(k + 1)->FEntity == E::meZero) ++z, ++k;
        if (z > 0) {
          out += fs.DecimalSeparator;
          PutNumber(out, t.Millisecond / int(std::pow(10, 3 - z)), z);
        }
        break;
      }
      default:
        break;
    }
  }
  return out;
}

bool NumFmtIsDateTime(std::u16string_view code) {
  TExcelMask mask;
  mask.SetMask(code);
  return mask.IsDateTime();
}

std::u16string MaskCodeOfDateForm(std::u16string_view form) {
  std::u16string out;
  for (size_t i = 0; i < form.size(); ++i) {
    const char16_t c = form[i];
    if (i + 4 <= form.size() && kws::AsciiSameText(form.substr(i, 4), u"AMPM")) {
      out += u"AM/PM";
      i += 3;
    } else if (i + 5 <= form.size() && (form.substr(i, 5) == u"am/pm" || form.substr(i, 5) == u"AM/PM")) {
      out += form.substr(i, 5);
      i += 4;
    } else if (Lower(c) == u'n') {
      out += c == u'N' ? u'M' : u'm';
    } else if (IsDateLetter(c) || c == u'/' || c == u':') {
      out += c;
    } else {
      out += u'\\';
      out += c;
    }
  }
  return out;
}

}  // namespace xls
