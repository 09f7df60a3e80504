// Style records: FONT, FORMAT, XF, PALETTE and STYLE.
//
// Layouts (MS-XLS): FONT height u16 (twentieths of a point), flags u16 at 2 (bit 1 italic, bit 3
// strike-out), colour index u16 at 4, weight u16 at 6, script u16 at 8, underline byte 10, family
// byte 11, charset byte 12, name length byte 14 and the name at 15 (BIFF8: flag byte first).
// FORMAT index u16 and the code (BIFF8: cch u16 at 2 and the string; BIFF5: cch byte at 2). XF of
// BIFF8: font u16, format u16, type/protection u16 at 4, alignment u16 at 6, indent word at 8,
// border styles u16 at 10, border colours u16 at 12, fill/colour u32 at 14 and colours u16 at
// 18. PALETTE: count u16 and count colours of 4 bytes (red first). STYLE: XF word (bit 15
// built-in), then a built-in id and level, or a user style's name.
#include <algorithm>

#include "xls/biff/biffrecords.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsglobals.h"
#include "xls/model/xlsstylesheet.h"

namespace xls::biff {

namespace {

template <class E>
E Bounded(uint32_t v, E maxValue, E fallback) {
  return v <= uint32_t(maxValue) ? static_cast<E>(v) : fallback;
}

// The number formats of Excel 4 that the BIFF4 worksheet reader starts with.
constexpr const char16_t* kExcel4Formats[34] = {
    u"General",
    u"0",
    u"0.00",
    u"#,##0",
    u"#,##0.00",
    u"#,##0\\ _$;\\-#,##0\\ _$",
    u"#,##0\\ _$;[Red]\\-#,##0\\ _$",
    u"#,##0.00\\ _$;\\-#,##0.00\\ _$",
    u"#,##0.00\\ _$;[Red]\\-#,##0.00\\ _$",
    u"#,##0\\ \"kr\";\\-#,##0\\ \"kr\"",
    u"#,##0\\ \"kr\";[Red]\\-#,##0\\ \"kr\"",
    u"#,##0.00\\ \"kr\";\\-#,##0.00\\ \"kr\"",
    u"#,##0.00\\ \"kr\";[Red]\\-#,##0.00\\ \"kr\"",
    u"0%",
    u"0.00%",
    u"0.00E+00",
    u"#\" \"?/?",
    u"#\" \"?\?/??",
    u"yyyy/mm/dd",
    u"dd/mmm/yy",
    u"dd/mmm",
    u"mmm/yy",
    u"h:mm\\ AM/PM",
    u"h:mm:ss\\ AM/PM",
    u"hh:mm",
    u"hh:mm:ss",
    u"yyyy/mm/dd\\ hh:mm",
    u"##0.0E+0",
    u"mm:ss",
    u"@",
    u"_-* #,##0\\ \"$\"_-;\\-* #,##0\\ \"$\"_-;_-* \"-\"\\ \"$\"_-;_-@_-",
    u"_-* #,##0\\ _$_-;\\-* #,##0\\ _$_-;_-* \"-\"\\ _$_-;_-@_-",
    u"_-* #,##0.00\\ \"kr\"_-;\\-* #,##0.00\\ \"kr\"_-;_-* \"-\"?\?\\ \"kr\"_-;_-@_-",
    u"_-* #,##0.00\\ _$_-;\\-* #,##0.00\\ _$_-;_-* \"-\"?\?\\ _$_-;_-@_-"};

}  // namespace

std::span<const char16_t* const> Excel4NumberFormats() { return kExcel4Formats; }

// Model font of legacy font index f (f + 1); the default font when the file has no such font.
TXc12Font* TBIFFRecords::FontOfIndex(int32_t fontIndex, bool rangeCheck) const {
  TXc12Fonts& fonts = FManager.StyleSheet().Fonts();
  const size_t i = size_t(fontIndex) + 1;
  if (i < fonts.Count() && fonts.Items(i)) return fonts.Items(i);
  if (!rangeCheck) fonts.Items(i);  // raises the list's index error
  return fonts.DefaultFont();
}

// Adds the model font of the next FONT record and, behind the fourth, the placeholder at the
// place of font index 4, which files never use (BIFF3/4 put it before the fifth). A body shorter
// than `need` raises after its font took its place as a copy of the default font: the fonts
// after a damaged one keep their indexes.
TXc12Font* TBIFFRecords::AddFont(const TBIFFBody& b, size_t need, bool placeholderFirst) {
  TXc12Fonts& fonts = FManager.StyleSheet().Fonts();
  if (placeholderFirst && fonts.Count() == 5) fonts.Add();
  TXc12Font* f = fonts.Add();
  if (!placeholderFirst && fonts.Count() == 5) fonts.Add();
  if (b.Size() < need) {
    f->Assign(*fonts.DefaultFont());
    b.Need(need);
  }
  return f;
}

// A cell format of a font and a number format only (BIFF5, and the place of a damaged XF).
void TBIFFRecords::AddPlainXF(TXc12Font* font, TXc12NumberFormat* fmt) {
  TXc12DataStyleSheet& ss = FManager.StyleSheet();
  TXc12XF* xf = ss.XFs().Add();
  xf->SetFont(font);
  xf->SetNumFmt(fmt);
  xf->SetFill(ss.Fills().DefaultFill());
  xf->SetBorder(ss.Borders().DefaultBorder());
}

// A damaged XF still takes its place with the default parts, so that the formats after it keep
// their indexes; then it raises.
void TBIFFRecords::NeedXF(const TBIFFBody& b, size_t need) {
  if (b.Size() >= need) return;
  TXc12DataStyleSheet& ss = FManager.StyleSheet();
  AddPlainXF(ss.Fonts().DefaultFont(), ss.NumFmts().DefaultNumFmt());
  b.Need(need);
}

void TBIFFRecords::RecFONT(const TBIFFBody& b) {
  TXc12Font* f = AddFont(b, 15, false);
  const uint8_t len = b.U8(14);
  f->SetName(FVersion >= TExcelVersion::xvExcel97 ? ReadBIFF8Chars(b, 15, len, FCodec)
                                                  : FCodec.Decode8(b.Bytes(15, len)));
  f->SetCharset(b.U8(12));
  f->SetFamily(b.U8(11));
  TXc12FontStyles style;
  if (b.U16(6) >= 700) style.Include(TXc12FontStyle::xfsBold);
  if (b.U16(2) & 0x02) style.Include(TXc12FontStyle::xfsItalic);
  if (b.U16(2) & 0x08) style.Include(TXc12FontStyle::xfsStrikeOut);
  f->SetStyle(style);
  // MS-XLS underline values 1, 2, 0x21, 0x22 are single, double and the accounting kinds.
  switch (b.U8(10)) {
    case 0x01:
      f->SetUnderline(TXc12Underline::xulSingle);
      break;
    case 0x02:
      f->SetUnderline(TXc12Underline::xulDouble);
      break;
    case 0x21:
      f->SetUnderline(TXc12Underline::xulSingleAccount);
      break;
    case 0x22:
      f->SetUnderline(TXc12Underline::xulDoubleAccount);
      break;
    default:
      f->SetUnderline(TXc12Underline::xulNone);
      break;
  }
  f->SetSubSuperscript(Bounded(b.U8(8), TXc12SubSuperscript::xssSubscript, TXc12SubSuperscript::xssNone));
  const uint16_t color = b.U16(4);
  f->SetColor(SetIndexedColor(color < 256 ? color : 0));
  f->SetSize(b.U16(0) / 20.0);
  f->SetScheme(TXc12FontScheme::efsNone);
}

// BIFF2: height u16, flags u16 at 2 (bit 0 bold, 1 italic, 2 underline, 3 strike-out), name
// length byte 4 and the name at 5.
void TBIFFRecords::RecFONT_2(const TBIFFBody& b) {
  TXc12Font* f = AddFont(b, 5, false);
  f->SetSize(b.U16(0) / 20.0);
  const uint16_t flags = b.U16(2);
  TXc12FontStyles style;
  if (flags & 0x01) style.Include(TXc12FontStyle::xfsBold);
  if (flags & 0x02) style.Include(TXc12FontStyle::xfsItalic);
  if (flags & 0x08) style.Include(TXc12FontStyle::xfsStrikeOut);
  f->SetStyle(style);
  if (flags & 0x04) f->SetUnderline(TXc12Underline::xulSingle);
  f->SetName(FCodec.Decode8(b.Bytes(5, b.U8(4))));
}

void TBIFFRecords::RecFONT_4(const TBIFFBody& b) {
  TXc12Font* f = AddFont(b, 7, true);
  f->SetSize(b.U16(0) / 20.0);
  const uint8_t flags = b.U8(2);
  TXc12FontStyles style = TXc12FontStyles::FromBits(0);
  constexpr TXc12FontStyle kBits[8] = {TXc12FontStyle::xfsBold,     TXc12FontStyle::xfsItalic,
                                       TXc12FontStyle::xfsBold,     TXc12FontStyle::xfsStrikeOut,
                                       TXc12FontStyle::xfsOutline,  TXc12FontStyle::xfsShadow,
                                       TXc12FontStyle::xfsCondense, TXc12FontStyle::xfsExtend};
  for (int i = 0; i < 8; ++i)
    if (i != 2 && (flags & (1 << i))) style.Include(kBits[i]);
  f->SetStyle(style);
  if (flags & 0x04) f->SetUnderline(TXc12Underline::xulSingle);
  f->SetColor(SetIndexedColor(b.U16(4)));
  f->SetName(FCodec.Decode8(b.Bytes(7, b.U8(6))));
}

void TBIFFRecords::RecFORMAT(const TBIFFBody& b) {
  b.Need(3);
  std::u16string text;
  if (FVersion >= TExcelVersion::xvExcel97)
    text = ReadBIFF8Chars(b, 4, b.U16(2), FCodec);
  else
    text = FCodec.Decode8(b.Bytes(3, b.U8(2)));
  FManager.StyleSheet().NumFmts().Add(std::move(text), b.U16(0));
}

// Replaces entry k of the Excel 4 formats, k counting the FORMAT records: the file's formats
// take the first indexes, the built-in ones fill those behind them.
void TBIFFRecords::RecFORMAT_4(const TBIFFBody& b) {
  if (FFormatCnt >= 0xFFFF) return;
  if (size_t(FFormatCnt) >= FExcel4Formats.size()) FExcel4Formats.resize(size_t(FFormatCnt) + 1);
  FExcel4Formats[size_t(FFormatCnt++)] = FCodec.Decode8(b.Bytes(3, b.U8(2)));
}

void TBIFFRecords::RecXF(const TBIFFBody& b) {
  NeedXF(b, FVersion < TExcelVersion::xvExcel97 ? 4 : 20);
  TXc12DataStyleSheet& ss = FManager.StyleSheet();
  TXc12NumberFormats& fmts = ss.NumFmts();
  // A font or number format that the file does not hold falls back to 0 (CJK workbooks use the
  // built-in formats 50 to 58 without FORMAT records).
  // A place that only the growth of the list made (no FORMAT record gave it a code) is none.
  const uint16_t fmtIndex = b.U16(2);
  TXc12NumberFormat* fmt = fmtIndex < fmts.Count() ? fmts.Items(fmtIndex) : nullptr;
  if (!fmt || (fmtIndex >= 50 && fmt->Value().empty())) fmt = fmts.DefaultNumFmt();
  TXc12Font* font = FontOfIndex(b.U16(0), true);
  if (FVersion < TExcelVersion::xvExcel97) return AddPlainXF(font, fmt);
  TXc12XF* xf = ss.XFs().Add();
  xf->FE97XfData1 = b.U16(4);
  xf->SetFont(font);
  xf->SetNumFmt(fmt);
  xf->SetProtection(TXc12CellProtections::FromBits(uint8_t(b.U8(4) & 3)));
  const uint16_t a = b.U16(6), bw = b.U16(8);
  TXc12CellAlignment& al = xf->Alignment();
  al.FHorizAlignment = static_cast<TXc12HorizAlignment>(a & 7);
  al.FVertAlignment =
      Bounded((a & 0x70u) >> 4, TXc12VertAlignment::cvaDistributed, TXc12VertAlignment::cvaBottom);
  al.FIndent = bw & 0x0F;
  al.FRotation = a >> 8;
  al.FOptions = {};
  if (a & 0x08) al.FOptions.Include(TXc12AlignmentOption::foWrapText);
  if (bw & 0x10) al.FOptions.Include(TXc12AlignmentOption::foShrinkToFit);

  const uint32_t d = b.U32(14);
  const uint16_t c18 = b.U16(18);
  TXc12Fill* fill = ss.Fills().Add();
  fill->SetFgColor(SetIndexedColor(c18 & 0x7F));
  fill->SetBgColor(SetIndexedColor(std::min(64, (c18 >> 7) & 0x7F)));
  fill->SetPatternType(Bounded(d >> 26, TXc12FillPattern::efpGray0625, TXc12FillPattern::efpNone));
  xf->SetFill(fill);

  const uint16_t l = b.U16(10), c = b.U16(12);
  TXc12Border* border = ss.Borders().Add();
  auto line = [](TXc12BorderPr& p, uint32_t style, uint32_t color) {
    p.FStyle = Bounded(style, TXc12CellBorderStyle::cbsSlantedDashDot, TXc12CellBorderStyle::cbsNone);
    p.FColor = SetIndexedColor(int32_t(color));
  };
  line(border->FLeft, l & 0x0F, c & 0x7F);
  line(border->FRight, (l >> 4) & 0x0F, (c >> 7) & 0x7F);
  line(border->FTop, (l >> 8) & 0x0F, d & 0x7F);
  line(border->FBottom, l >> 12, (d >> 7) & 0x7F);
  TXc12CellBorderOptions opts;
  if ((c >> 14) & 1) opts.Include(TXc12CellBorderOption::ecboDiagonalDown);
  if ((c >> 14) & 2) opts.Include(TXc12CellBorderOption::ecboDiagonalUp);
  border->SetOptions(opts);
  xf->SetBorder(border);

  // The first formats of the file stay even when no cell uses them.
  if (ss.XFs().Count() <= 22) xf->SetLocked(true);
  ss.XFEditor().UseStyle(xf);
}

void TBIFFRecords::AddExcel4Formats() {
  if (FExcel4Added) return;
  FExcel4Added = true;
  for (size_t i = 0; i < FExcel4Formats.size(); ++i)
    FManager.StyleSheet().NumFmts().Add(FExcel4Formats[i], int32_t(i) + FExcel4Start);
}

void TBIFFRecords::RecXF_4(const TBIFFBody& b) {
  AddExcel4Formats();
  NeedXF(b, 12);
  TXc12DataStyleSheet& ss = FManager.StyleSheet();
  TXc12XF* xf = ss.XFs().Add();
  xf->SetFont(FontOfIndex(b.U8(0), true));
  TXc12NumberFormats& fmts = ss.NumFmts();
  const size_t fi = size_t(b.U8(1)) + size_t(FExcel4Start);
  xf->SetNumFmt(fi < fmts.Count() && fmts.Items(fi) ? fmts.Items(fi) : fmts.DefaultNumFmt());

  const uint16_t w = b.U16(6);
  const uint32_t fg = (w >> 6) & 0x1F, bg = (w >> 11) & 0x1F;
  if (fg > 23 && bg >= 24) {
    xf->SetFill(ss.Fills().DefaultFill());
  } else {
    TXc12Fill* fill = ss.Fills().Add();
    if (fg <= 23) fill->SetFgColor(SetIndexedColor(int32_t(fg)));
    if (bg < 24) fill->SetBgColor(SetIndexedColor(int32_t(bg)));
    if ((w & 0x3F) < 19) fill->SetPatternType(static_cast<TXc12FillPattern>(w & 0x3F));
    xf->SetFill(fill);
  }
  if (b.U32(8) == 0) {
    xf->SetBorder(ss.Borders().DefaultBorder());
  } else {
    TXc12Border* border = ss.Borders().Add();
    TXc12BorderPr* sides[4] = {&border->FTop, &border->FLeft, &border->FBottom, &border->FRight};
    for (int i = 0; i < 4; ++i) {
      const uint8_t v = b.U8(8 + size_t(i));
      if (!v) continue;
      sides[i]->FColor = SetIndexedColor(v >> 3);
      sides[i]->FStyle = static_cast<TXc12CellBorderStyle>(v & 7);
    }
    xf->SetBorder(border);
  }
  const uint8_t al = b.U8(4);
  TXc12CellAlignment& a = xf->Alignment();
  a.FHorizAlignment = static_cast<TXc12HorizAlignment>(al & 7);
  if (al & 0x08) a.FOptions.Include(TXc12AlignmentOption::foWrapText);
  a.FVertAlignment = static_cast<TXc12VertAlignment>((al >> 4) & 3);
  if ((al >> 6) == 2)
    a.FRotation = 90;
  else if ((al >> 6) == 3)
    a.FRotation = 180;
}

void TBIFFRecords::RecPALETTE(const TBIFFBody& b) {
  b.Need(2);
  // A palette announcing more colours than it holds reads those it holds.
  const size_t count = std::min<size_t>({b.U16(0), 58, (b.Size() - 2) / 4});
  TXc12IndexColorObjs& list = FManager.StyleSheet().InxColors();
  const size_t base = list.Count();
  for (size_t i = 0; i < count + 8; ++i) list.Add()->SetRGB(i < 8 ? IndexedPalette()[i] : 0);
  for (size_t i = 0; i < count; ++i) {
    const uint32_t rgb = b.U32(2 + 4 * i);
    list.Items(base + i + 8)->SetRGB(rgb);
    IndexedPalette()[i + 8] = rgb;
  }
  FManager.FPaletteChanged = true;
}

void TBIFFRecords::RecSTYLE(const TBIFFBody& b, TBIFFRecordHost& host) {
  size_t n = 4;
  if (!(b.U16(0) & 0xF000)) {
    const size_t count = b.U16(2);
    if (count > 0) {
      const uint8_t flag = b.U8(4);
      n += flag == 0 ? 1 + count : flag == 1 ? 1 + 2 * count : count;
    }
  }
  host.KeepStyle(b.Bytes(0, n));
}

}  // namespace xls::biff
