// Number-format masks: formatted numbers, colours, date and time codes, and the cell object's
// GetIsDateTime.
#include "xls/model/xlsmask.h"

#include <gtest/gtest.h>

#include <limits>
#include <span>
#include <string>

#include "platform/textcodec.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlscellmmu.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsrelcells.h"
#include "xls/model/xlsstylesheet.h"
#include "xls/model/xlsworkbookdata.h"

namespace xls {
namespace {

struct FmtCase {
  std::u16string_view code;
  double value;
  std::u16string_view text;
};

void ExpectFormats(const FormatSettings& fs, std::span<const FmtCase> cases) {
  for (const FmtCase& c : cases) {
    TExcelMask mask(fs);
    mask.SetMask(c.code);
    EXPECT_EQ(kws::Utf16ToUtf8(mask.FormatNumber(c.value)), kws::Utf16ToUtf8(c.text))
        << kws::Utf16ToUtf8(c.code) << " with " << c.value;
  }
}

double Time(int h, int m, double s) { return (h * 3600 + m * 60 + s) / 86400.0; }

TEST(TExcelMask_FormatNumber, NumberSections) {
  const FmtCase cases[] = {
      {u"General", 1234.5, u"1234.5"},
      {u"general", -0.25, u"-0.25"},
      {u"0.00", -1.5, u"-1.50"},
      {u"0.00", 2, u"2.00"},
      {u"#,##0", 1234567, u"1,234,567"},
      {u"#,##0.00", 1234.5, u"1,234.50"},
      {u"0.0,", 12345, u"12.3"},  // a trailing comma divides by 1000
      {u"0%", 0.256, u"26%"},
      {u"0.00%", -0.0125, u"-1.25%"},
      {u"0;-0;\"zero\"", 0, u"zero"},
      {u"0;-0;\"zero\"", -3, u"-3"},
      {u"0.00;-0.00;0.00", 0, u"0.00"},  // the zero section prints its own placeholders
      {u"0000", 5, u"0005"},
      {u"####", 0, u"0"},  // "#" takes the digit of the number text "0"
      {u"??0", 5, u"  5"},
      {u"0.0?", 1.5, u"1.50"},  // placeholders take the digits of the number text, zeros too
      {u"#.##", 12.3456, u"12.35"},
      {u"\"Total: \"0", 7, u"Total: 7"},
      {u"0\" pcs\"", 7, u"7 pcs"},
      {u"_(0_)", 7, u" 7 "},
      {u"*-0", 7, u"-7"},  // "*" is skipped, its character printed once
      {u"@", 12.5, u"12.5"},
      {u"\"x\"@", -2, u"-2"},  // a text section prints its literal characters only
      {u"x@", -2, u"x-2"},
      {u"", 0.1, u"0.1"},
      // Fixed decimals round half away from zero on the 15-digit form.
      {u"0.00", 1.005, u"1.01"},
      {u"0.00", -1.005, u"-1.01"},
      {u"0.00", 2.675, u"2.68"},
      {u"0", 0.5, u"1"},
      {u"0", 2.5, u"3"},
      {u"0.000", 1e-300, u"0.000"},
      {u"#,##0.00", 999999.999, u"1,000,000.00"},
      // Scientific: Decimals - 1 significant digits (at least 1), DecimalPos exponent digits.
      {u"0.00E+00", 12345, u"1.23E+04"},
      {u"0.00E+00", -12345, u"-1.23E+04"},
      {u"0.00E+00", 0.00012345, u"1.23E-04"},
      {u"0.00E+00", 9.999e9, u"1.00E+10"},
      {u"0.00E+00", 0, u"0.00E+00"},
      {u"0E+0", 12345, u"1E+04"},          // no decimal point: two exponent digits
      {u"#####.0E+0", 12345, u"1E+0004"},  // decimal point at token 6: four exponent digits
      {u"0.000E+00", 1.23456e-7, u"1.235E-07"},
  };
  ExpectFormats(FormatSettings{}, cases);
}

TEST(TExcelMask_FormatNumber, LocaleSeparators) {
  FormatSettings fs;
  fs.DecimalSeparator = u',';
  fs.ThousandSeparator = u'.';
  fs.DateSeparator = u'.';
  fs.TimeSeparator = u'-';
  const FmtCase cases[] = {
      {u"#,##0.00", 1234.5, u"1.234,50"},   {u"General", 0.5, u"0,5"},
      {u"0.00E+00", 12345, u"1,23E+04"},    {u"dd/mm/yyyy", 45000, u"15.03.2023"},
      {u"hh:mm", Time(13, 5, 0), u"13-05"},
  };
  ExpectFormats(fs, cases);
}

TEST(TExcelMask_FormatNumber, DatesAndTimes) {
  const FmtCase cases[] = {
      {u"dd/mm/yyyy", 45000, u"15/03/2023"},
      {u"d-mmm-yy", 45000, u"15-Mar-23"},
      {u"dddd, mmmm d", 45000, u"Wednesday March 15"},  // the comma makes no token
      {u"ddd mmmmm", 45000, u"Wed M"},
      {u"mm:ss", Time(12, 5, 7), u"05:07"},  // minutes, not months
      {u"m:ss", Time(12, 5, 7), u"5:07"},
      {u"h:mm AM/PM", 45000 + Time(13, 5, 0), u"1:05 PM"},
      {u"h:mm am/pm", Time(9, 5, 0), u"9:05 am"},
      {u"hh:mm a/p", Time(21, 5, 0), u"09:05 p"},
      {u"h:mm AM/PM", Time(12, 0, 0), u"12:00 PM"},  // noon and midnight print 12
      {u"h:mm AM/PM", Time(0, 30, 0), u"12:30 AM"},
      {u"h:mm A/P", Time(13, 5, 0), u"13:05 A/P"},  // other spellings stay literals
      {u"hh:mm:ss.00", Time(12, 34, 56.78), u"12:34:56.78"},
      {u"mm:ss.00", Time(0, 0, 59.999), u"01:00.00"},  // rounded to what is shown
      {u"hh:mm:ss.000", Time(1, 2, 3.004), u"01:02:03.004"},
      {u"[$-409]mmmm d, yyyy", 45000, u"March 15 2023"},
      {u"yyyy-mm-dd;@", 45000.75, u"2023-03-15"},
      {u"yyyy-mm-dd hh:mm:ss", 45000.75, u"2023-03-15 18:00:00"},
      // Elapsed groups are read where they stand and count whole units.
      {u"[h]:mm", 1.5, u"36:00"},
      {u"[h]:mm", Time(1, 30, 0), u"1:30"},
      {u"[h]:mm:ss", Time(1, 59, 59.9996), u"2:00:00"},
      {u"h:mm:ss", Time(8, 16, 47.92), u"8:16:47"},  // whole seconds are cut
      {u"h:mm", Time(8, 16, 48), u"8:16"},           // minutes alone are not
      {u"[mm]:ss", Time(2, 3, 4), u"123:04"},
      {u"[ss]", Time(0, 2, 5), u"125"},
      {u"[h]:mm", -1.5, u"-36:00"},
      {u"[Red][h]:mm", 0.25, u"6:00"},
      // A date outside years 1..9999 or not finite gives the general text.
      {u"yyyy-mm-dd", 1e7, u"10000000"},
      {u"yyyy-mm-dd", -700000, u"-700000"},
      {u"yyyy-mm-dd", std::numeric_limits<double>::infinity(), u"INF"},
      {u"[h]:mm", std::numeric_limits<double>::quiet_NaN(), u"NAN"},
  };
  ExpectFormats(FormatSettings{}, cases);
}

TEST(TExcelMask_FormatNumber, NegativeSignStandsInFront) {
  const FmtCase cases[] = {
      {u"0000", -1, u"-0001"},
      {u"\"$\"#,##0.00", -1, u"-$1.00"},
      {u"0", -0.4, u"0"},  // no sign when every digit shown is 0
      {u"0.0", -0.04, u"0.0"},
      {u"0", -0.5, u"-1"},
      {u"#,##0", -1234567, u"-1,234,567"},
      {u"(0)", -5, u"-(5)"},
      {u"0;(0)", -5, u"(5)"},  // the negative section takes the absolute value
  };
  ExpectFormats(FormatSettings{}, cases);
}

TEST(TExcelMask_FormatNumber, BracketGroupsReadWhereTheyStand) {
  const FmtCase cases[] = {
      {u"[$-409]0.00", 1.5, u"1.50"},  // a locale tag prints nothing
      {u"[$\u20AC-407]#,##0.00", 1234.5, u"\u20AC1,234.50"},
      {u"[$kr-414] 0", 3, u"KR 3"},
      {u"[$USD]0", 3, u"$USD3"},
      {u"[>=100]0;0.0", 5, u"5"},  // conditions are ignored
      {u"[Color10]0", 5, u"5"},
  };
  ExpectFormats(FormatSettings{}, cases);
}

TEST(TExcelMask_FormatNumber, IntegerPartHasNoLengthCap) {
  TExcelMask mask(FormatSettings{});
  mask.SetMask(u"0");
  EXPECT_EQ(mask.FormatNumber(1e300), u"1" + std::u16string(300, u'0'));
  mask.SetMask(u"0%");  // scaled beyond the doubles: the general text
  EXPECT_EQ(mask.FormatNumber(-1.7976931348623157e308), u"-1.79769313486232E308");
  mask.SetMask(u"#,##0");
  const std::u16string grouped = mask.FormatNumber(-1.5e308);
  EXPECT_EQ(grouped.substr(0, 6), u"-150,0");
  EXPECT_EQ(grouped.size(), 1u + 309u + 102u);  // sign, 309 digits, 102 separators
}

TEST(TExcelMask_Color, SectionColours) {
  struct Case {
    std::u16string_view code;
    double value;
    std::u16string_view text;
    uint32_t color;
  };
  const Case cases[] = {
      {u"[Red]0.00;[Blue]-0.00", -1.5, u"-1.50", 0xFF0000},
      {u"[Red]0.00;[Blue]-0.00", 1.5, u"1.50", 0x0000FF},  // the first group colours section 0
      {u"0;[Cyan]0", -1, u"1", 0xFFFF00},
      {u"0;[Magenta]0", -1, u"1", 0xFF00FF},
      {u"[Green]0", 1, u"1", 0x00FF00},
      {u"[yellow]0", 1, u"1", 0x00FFFF},
      {u"[White]0;[Black]0;[RED]0", 0, u"0", 0x0000FF},
      {u"0", 1, u"1", 0},
  };
  for (const Case& c : cases) {
    TExcelMask mask(FormatSettings{});
    mask.SetMask(c.code);
    EXPECT_EQ(mask.FormatNumber(c.value), c.text) << kws::Utf16ToUtf8(c.code);
    EXPECT_EQ(mask.Color(), c.color) << kws::Utf16ToUtf8(c.code);
  }
}

TEST(TExcelMask_Mask, LengthErrorKeepsTheMask) {
  TExcelMask mask(FormatSettings{});
  EXPECT_EQ(mask.FormatNumber(0.5), u"0.5");  // no mask set: general text
  mask.SetMask(u"0.00");
  try {
    mask.SetMask(std::u16string(256, u'0'));
    FAIL() << "no length error";
  } catch (const XLSRWException& e) {
    EXPECT_STREQ(e.what(), "Format string more than 255 characthers");
  }
  EXPECT_EQ(mask.Mask(), u"0.00");
  EXPECT_EQ(mask.FormatNumber(2), u"2.00");
  mask.SetMask(std::u16string(255, u'0'));
  EXPECT_EQ(mask.FormatNumber(1), std::u16string(254, u'0') + u"1");
}

TEST(TExcelMask_Mask, SectionsAndTokens) {
  TExcelMask mask(FormatSettings{});
  mask.SetMask(u"#,##0.00_);[Red](#,##0.00);\"-\";@;ignored");
  const TMaskSection& s0 = mask.Section(0);
  ASSERT_TRUE(s0.List);
  EXPECT_EQ(s0.List->Items(0)->Entity(), TMaskEntity::meFirstDigitPlace);
  EXPECT_EQ(s0.List->Items(size_t(s0.DecimalPos))->Entity(), TMaskEntity::meDecimalPos);
  EXPECT_EQ(s0.Decimals, 2);
  EXPECT_EQ(s0.Commas, 0);
  EXPECT_EQ(s0.Flags, kMaskComma | kMaskDecimal);
  EXPECT_EQ(mask.Section(1).Color, 0x0000FFu);
  EXPECT_EQ(mask.Section(2).Flags, kMaskZeroSection);
  EXPECT_EQ(mask.Section(3).Flags, kMaskText);
  mask.SetMask(u"0,,,,,,");
  EXPECT_EQ(mask.Section(0).Commas, 4);
  EXPECT_FALSE(mask.Section(1).List);
  mask.SetMask(u"0;;");  // an empty section keeps no tokens
  EXPECT_FALSE(mask.Section(1).List);
  EXPECT_EQ(mask.FormatNumber(-3), u"-3");
}

TEST(TExcelMask_IsDateTime, FirstSectionDecides) {
  struct Case {
    std::u16string_view code;
    bool dateTime;
  };
  const Case cases[] = {
      {u"0.00", false},
      {u"General", false},
      {u"dd/mm/yy", true},
      {u"h:mm AM/PM", true},
      {u"[h]:mm", true},
      {u"[h]", true},
      {u"[$-409]mmmm d, yyyy", true},
      {u"0 yy", false},  // a digit placeholder before any decimal point
      {u".0 d", true},   // the decimal point comes first
      {u"yyyy-mm-dd;@", true},
      {u"0.00;dd/mm/yy", false},  // only the first section counts
      {u"\"d\";d", false},        // ";" inside quotes does not split; quoted text is no letter
      {u"\\d 0", false},
      {u"d @", false},  // "@" drops what was seen before it
      {u"@ d", true},
      {u"[Red][h]", true},
      {u"[Red][>=100]", false},
      {u"0.0E+00", false},
      {u"#,##0.00_);[Red](#,##0.00)", false},
      {u"\"open", false},  // an unclosed quote ends the section
      {u"", false},
  };
  for (const Case& c : cases) {
    TExcelMask mask(FormatSettings{});
    mask.SetMask(c.code);
    EXPECT_EQ(mask.IsDateTime(), c.dateTime) << kws::Utf16ToUtf8(c.code);
    EXPECT_EQ(NumFmtIsDateTime(c.code), c.dateTime) << kws::Utf16ToUtf8(c.code);
  }
  EXPECT_THROW(NumFmtIsDateTime(std::u16string(256, u'd')), XLSRWException);
  EXPECT_TRUE(NumFmtIsDateTime(std::u16string(255, u'd')));
}

TEST(TExcelMask_Date1904, SerialZeroIsFirstOfJanuary1904) {
  TExcelMask mask(FormatSettings{});
  mask.SetMask(u"yyyy-mm-dd [h]:mm");
  mask.SetDate1904(true);
  EXPECT_EQ(mask.FormatNumber(0), u"1904-01-01 0:00");
  EXPECT_EQ(mask.FormatNumber(1.5), u"1904-01-02 36:00");  // elapsed units count the value itself
  mask.SetDate1904(false);
  EXPECT_EQ(mask.FormatNumber(0), u"1899-12-30 0:00");
}

TEST(MaskCodeOfDateForm, LocaleFormsBecomeMaskCodes) {
  EXPECT_EQ(MaskCodeOfDateForm(u"M/d/yyyy"), u"M/d/yyyy");
  EXPECT_EQ(MaskCodeOfDateForm(u"h:nn AMPM"), u"h:mm\\ AM/PM");
  EXPECT_EQ(MaskCodeOfDateForm(u"dd.mm.yyyy"), u"dd\\.mm\\.yyyy");
  TExcelMask mask(FormatSettings{});
  mask.SetMask(MaskCodeOfDateForm(u"dd.mm.yyyy hh:nn"));
  EXPECT_EQ(mask.FormatNumber(45000.5), u"15.03.2023 12:00");
}

TEST(Worksheet_GetIsDateTime, ByBuiltInPositionOrCode) {
  TXLSBook book;
  TXc12DataStyleSheet& styles = book.Manager().StyleSheet();
  auto styleWith = [&](TXc12NumberFormat* fmt) {
    TXc12XF* xf = styles.XFs().Add();
    styles.SetXFDefaultValues(*xf);
    xf->SetNumFmt(fmt);
    return xf->Index();
  };
  const int32_t builtIn = styleWith(styles.NumFmts().Items(14));
  const int32_t custom = styleWith(styles.NumFmts().Add(u"yyyy\\-mm", 164));
  const int32_t number = styleWith(styles.NumFmts().Add(u"0.00", 165));
  TXLSCellMMU& cells = book.Items(0)->Cells();
  cells.StoreFloat(0, 0, builtIn, 45000);
  cells.StoreFloat(1, 0, custom, 45000);
  cells.StoreFloat(2, 0, number, 45000);
  cells.StoreBlank(3, 0, builtIn);
  TXLSWorksheet& sheet = *book.Items(0);
  EXPECT_TRUE(sheet.GetIsDateTime(0, 0));
  EXPECT_TRUE(sheet.GetIsDateTime(1, 0));
  EXPECT_FALSE(sheet.GetIsDateTime(2, 0));
  EXPECT_FALSE(sheet.GetIsDateTime(3, 0));  // blank
  EXPECT_FALSE(sheet.GetIsDateTime(9, 9));  // missing
}

// A workbook whose first sheet holds numbers under given formats, with en-US settings.
struct FormattedSheet {
  TXLSBook book;
  TXc12DataStyleSheet& styles = book.Manager().StyleSheet();
  TXLSWorksheet& sheet = *book.Items(0);
  FormattedSheet() : book(FormatSettings{}) {}
  int32_t Style(TXc12NumberFormat* fmt) {
    TXc12XF* xf = styles.XFs().Add();
    styles.SetXFDefaultValues(*xf);
    xf->SetNumFmt(fmt);
    return xf->Index();
  }
  int32_t Style(std::u16string_view code) {
    return Style(styles.NumFmts().Add(std::u16string(code), int32_t(164 + next++)));
  }
  int next = 0;
};

TEST(Worksheet_GetFormatString, NumbersByTheirFormat) {
  FormattedSheet f;
  TXLSCellMMU& cells = f.sheet.Cells();
  cells.StoreFloat(0, 0, f.Style(u"0.00"), 1.005);
  cells.StoreFloat(1, 0, f.Style(f.styles.NumFmts().Items(14)), 45000.75);
  cells.StoreFloat(2, 0, f.Style(f.styles.NumFmts().Items(20)), 45000.75);
  cells.StoreFloat(3, 0, f.Style(f.styles.NumFmts().Items(22)), 45000.75);
  cells.StoreFloat(4, 0, f.Style(u"0;[Red]-0"), -7);
  cells.StoreFloat(5, 0, 0, 1234.5678);
  cells.StoreFloat(6, 0, f.Style(std::u16string(256, u'0')), 1234.5);
  cells.StoreString(7, 0, 0, u"text");
  cells.StoreBoolean(8, 0, 0, true);
  cells.StoreFloat(9, 0, f.Style(u"yyyy-mm-dd"), 0);
  cells.StoreFloat(10, 0, f.Style(u"[Black]0"), 1);
  cells.StoreFloat(11, 0, f.Style(u"yyyy-mm-dd"), 1e300);

  EXPECT_EQ(f.sheet.GetAsFmtString(0, 0), u"1.01");
  EXPECT_EQ(f.sheet.GetAsFmtString(1, 0), u"3/15/2023");
  EXPECT_EQ(f.sheet.GetAsFmtString(2, 0), u"6:00 PM");
  EXPECT_EQ(f.sheet.GetAsFmtString(3, 0), u"3/15/2023 6:00 PM");
  EXPECT_EQ(f.sheet.GetAsFmtString(5, 0), u"1234.5678");
  EXPECT_EQ(f.sheet.GetAsFmtString(6, 0), u"1234.5");  // a code the mask refuses: general form
  EXPECT_EQ(f.sheet.GetAsFmtString(7, 0), u"text");
  EXPECT_EQ(f.sheet.GetAsFmtString(8, 0), u"TRUE");
  EXPECT_EQ(f.sheet.GetAsFmtString(9, 0), u"1899-12-30");
  EXPECT_EQ(f.sheet.GetAsFmtString(11, 0), u"1E300");
  EXPECT_EQ(f.sheet.GetAsFmtString(12, 0), u"");
  EXPECT_EQ(f.sheet.GetAsString(0, 0), u"1.005");  // GetAsString stays unformatted

  uint32_t color = 0;
  EXPECT_EQ(f.sheet.GetFormatString(4, 0, &color), u"-7");
  EXPECT_EQ(color, 0x0000FFu);
  EXPECT_EQ(f.sheet.GetFormatString(0, 0, &color), u"1.01");
  EXPECT_EQ(color, kNoMaskColor);
  EXPECT_EQ(f.sheet.GetFormatString(10, 0, &color), u"1");
  EXPECT_EQ(color, 0u);  // a named black differs from none
  f.sheet.GetFormatString(12, 0, &color);
  EXPECT_EQ(color, kNoMaskColor);

  f.book.Manager().Workbook().WorkbookPr().FDate1904 = true;
  EXPECT_EQ(f.sheet.GetAsFmtString(9, 0), u"1904-01-01");
  EXPECT_EQ(f.sheet.GetAsFmtString(1, 0), u"3/16/2027");
}

TEST(Worksheet_GetFormatString, DefDecimalsAndFormulas) {
  FormattedSheet f;
  TXLSCellMMU& cells = f.sheet.Cells();
  cells.StoreFloat(0, 0, 0, 1234567.125);
  EXPECT_EQ(f.sheet.DefDecimals(), -1);
  EXPECT_EQ(f.sheet.GetAsFmtString(0, 0), u"1234567.125");
  f.sheet.SetDefDecimals(2);
  EXPECT_EQ(f.sheet.GetAsFmtString(0, 0), u"1,234,567.13");
  f.sheet.SetDefDecimals(0);
  EXPECT_EQ(f.sheet.GetAsFmtString(0, 0), u"1,234,567");
}

TEST(RelCells_AsText, ShowsFormattedNumbers) {
  FormattedSheet f;
  TXLSCellMMU& cells = f.sheet.Cells();
  cells.StoreFloat(0, 0, f.Style(u"0.0%"), 0.125);
  cells.StoreFloat(1, 0, f.Style(u"#,##0"), 1234567);
  cells.StoreString(0, 1, 0, u"x");
  cells.StoreFloat(1, 1, f.Style(u"d-mmm-yy"), 45000);
  TXLSRelCellsImpl range(&f.sheet);
  range.FCol1 = 0, range.FRow1 = 0, range.FCol2 = 1, range.FRow2 = 1;
  EXPECT_EQ(range.AsText(), u"12.5% 1,234,567 x 15-Mar-23");
}

}  // namespace
}  // namespace xls
