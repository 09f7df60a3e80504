#include "xls/model/xlsstyles.h"

#include <cmath>
#include <cstdio>

#include "platform/fontmetrics.h"
#include "platform/textcodec.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsglobals.h"
#include "xls/model/xlsstylesheet.h"

namespace xls {

const char16_t* const XLSBuiltInNumFmts[50] = {
    u"",         u"0",           u"0.00",        u"#,##0",      u"#,##0.00",    u"",        u"",
    u"",         u"",            u"0%",          u"0.00%",      u"0.00E+00",    u"# ?/?",   u"# ?\?/??",
    u"m/d/yy",   u"d-mmm-y",     u"d-mmm",       u"mmmm-yy",    u"h:mm AM/PM",  u"h:mm:ss AM/PM",
    u"h:mm",     u"h:mm:SS",     u"m/d/yy h:mm", u"",           u"",            u"",        u"",
    u"",         u"",            u"",            u"",           u"",            u"",        u"",
    u"",         u"",            u"",            u"_(#,##0_);(#,##0)", u"_(#,##0_);[Red](#,##0)",
    u"_(#,##0.00_);(#,##0.00)", u"_(#,##0.00_);[Red](#,##0.00)", u"", u"", u"", u"", u"mm:ss",
    u"[h]:mm:ss", u"mm:ss.0", u"# #0.0E+0", u"@",
};

namespace {

uint32_t TextCRC(const std::u16string& s) { return CRC32Bytes(s.data(), int(s.size() * 2)); }

bool Near(double a, double b) { return std::fabs(a - b) <= 1e-6; }

void FixIndexed(TXc12Color& c) {
  if (c.ColorType != TXc12ColorType::exctIndexed) return;
  const size_t i = size_t(c.Indexed);
  if (i < XLS_PALETTE_SIZE) c.ARGB = IndexedPalette()[i];
}

}  // namespace

// ---- number formats

void TXc12NumberFormat::CalcHash() { FHash = TextCRC(FValue); }

std::u16string TXc12NumberFormat::AsString(int indent) const {
  return Spaces(indent) + (FValue.empty() ? u"@" : FValue) + u"\r";
}

namespace {
std::u16string Num(int64_t v) { return kws::Utf8ToUtf16(std::to_string(v)); }
std::u16string Hex8(uint32_t v) {
  char b[9];
  std::snprintf(b, sizeof b, "%.8X", v);
  return kws::Utf8ToUtf16(b);
}
std::u16string Line(int indent, std::u16string_view text) { return Spaces(indent) + std::u16string(text) + u"\r"; }
}  // namespace

std::u16string Xc12ColorAsString(const TXc12Color& c, int indent) {
  char tint[32];
  std::snprintf(tint, sizeof tint, "%.2f", c.Tint);
  std::u16string s = Line(indent, u"ARGB: " + Hex8(c.ARGB)) + Line(indent, u"Tint: " + kws::Utf8ToUtf16(tint)) +
                     Line(indent, u"Color type:");
  switch (c.ColorType) {
    case TXc12ColorType::exctAuto: return s + Line(indent, u"Auto");
    case TXc12ColorType::exctIndexed: return s + Line(indent, u"Indexed: " + Num(int(c.Indexed)));
    case TXc12ColorType::exctRgb: return s + Line(indent, u"RGB: " + Hex8(c.OrigRGB));
    case TXc12ColorType::exctTheme: return s + Line(indent, u"Theme: " + Num(int(c.Theme)));
    default: return s + Line(indent, u"!UNASSIGNED!");
  }
}

// ---- fonts

bool TXc12Font::Equal(const TXc12Font& o) const {
  return kws::AsciiUpperCopy(FName) == kws::AsciiUpperCopy(o.FName) && FCharset == o.FCharset && FFamily == o.FFamily &&
         FStyle == o.FStyle && FUnderline == o.FUnderline && FSubSuperscript == o.FSubSuperscript &&
         Xc12ColorEqual(FColor, o.FColor) && FSize == o.FSize && FScheme == o.FScheme;
}

void TXc12Font::Assign(const TXc12Font& o) {
  FName = o.FName, FCharset = o.FCharset, FFamily = o.FFamily, FStyle = o.FStyle, FUnderline = o.FUnderline;
  FSubSuperscript = o.FSubSuperscript, FColor = o.FColor, FScheme = o.FScheme;
  SetSize(o.FSize);
  FHashvalid = false;
}

void TXc12Font::Clear() {
  FName.clear();
  FCharset = FFamily = 0;
  FStyle = {};
  FUnderline = TXc12Underline::xulNone;
  FSubSuperscript = TXc12SubSuperscript::xssNone;
  FColor.ColorType = TXc12ColorType::exctAuto;
  FSize = 0;
  FScheme = TXc12FontScheme::efsNone;
  FHashvalid = false;
}

void TXc12Font::SetSize(double v) {
  FSize = v;
  FHashvalid = false;
  if (v > 0 && FOwner && Index() == 0) static_cast<TXc12Fonts*>(FOwner)->CalcStdFontMetrics();
}

void TXc12Font::CalcHash() {
  uint32_t h = 0;
  for (char16_t c : FName) h += c;
  h += uint32_t(FCharset) + uint32_t(FFamily) + FStyle.Bits() + uint32_t(FUnderline) + uint32_t(FSubSuperscript);
  h += uint32_t(Xc12ColorHash(FColor)) + uint32_t(int64_t(std::nearbyint(ClampFloat(FSize, -1e7, 1e7) * 100)));
  FHash = h + uint32_t(FScheme);
}

void TXc12Font::CopyToLOGFONT(TXLSLogFont& dest, uint32_t& fontColor) const {
  dest = TXLSLogFont();
  dest.CharSet = uint8_t(FCharset);
  for (size_t i = 0; i < FName.size() && i < 31; ++i) dest.FaceName[i] = FName[i];
  dest.Height = int32_t(std::nearbyint(ClampFloat(FSize, 0, 1e6) * 20));
  dest.Italic = FStyle.Contains(TXc12FontStyle::xfsItalic);
  dest.Underline = FUnderline == TXc12Underline::xulSingle;
  dest.Weight = FStyle.Contains(TXc12FontStyle::xfsBold) ? 700 : 400;
  dest.StrikeOut = FStyle.Contains(TXc12FontStyle::xfsStrikeOut);
  fontColor = FColor.ARGB;
}

// ---- fills

bool TXc12GradientFill::Equal(const TXc12GradientFill& o) const {
  if (FStops.size() != o.FStops.size() || FGradientType != o.FGradientType) return false;
  for (size_t i = 0; i < FStops.size(); ++i)
    if (!Xc12ColorEqual(FStops[i].FColor, o.FStops[i].FColor) || !Near(FStops[i].FPosition, o.FStops[i].FPosition))
      return false;
  return Near(FDegree, o.FDegree) && Near(FLeft, o.FLeft) && Near(FRight, o.FRight) && Near(FTop, o.FTop) &&
         Near(FBottom, o.FBottom);
}

void TXc12GradientFill::Assign(const TXc12GradientFill& o) {
  FStops = o.FStops;
  FGradientType = o.FGradientType;
  FDegree = o.FDegree;
  SetLeft(o.FLeft);
  SetRight(o.FRight);
  SetTop(o.FTop);
  SetBottom(o.FBottom);
}

bool TXc12Fill::Equal(const TXc12Fill& o) const {
  if (IsGradientFill() != o.IsGradientFill()) return false;
  if (IsGradientFill()) return FGradientFill->Equal(*o.FGradientFill);
  return FPatternType == o.FPatternType && Xc12ColorEqual(FFgColor, o.FFgColor) && Xc12ColorEqual(FBgColor, o.FBgColor);
}

void TXc12Fill::SetIsGradientFill(bool v) {
  if (v && !FGradientFill) FGradientFill = std::make_unique<TXc12GradientFill>();
  if (!v) FGradientFill.reset();
  FHashvalid = false;
}

void TXc12Fill::Assign(const TXc12Fill& o) {
  if (o.IsGradientFill()) {
    SetIsGradientFill(true);
    FGradientFill->Assign(*o.FGradientFill);
  } else {
    SetIsGradientFill(false);
    FPatternType = o.FPatternType;
    FFgColor = o.FFgColor;
    FBgColor = o.FBgColor;
  }
  FHashvalid = false;
}

std::u16string TXc12Fill::AsString(int indent) const {
  if (IsGradientFill()) return Line(indent, u"[Gradient - not shown]");
  return Xc12ColorAsString(FFgColor, indent) + Xc12ColorAsString(FBgColor, indent);
}

void TXc12Fill::Clear() {
  FGradientFill.reset();
  FPatternType = TXc12FillPattern::efpNone;
  FFgColor.ColorType = FBgColor.ColorType = TXc12ColorType::exctAuto;
  FHashvalid = false;
}

void TXc12Fill::CalcHash() {
  if (IsGradientFill())
    FHash = FGradientFill->Hash();
  else
    FHash = uint32_t(Xc12ColorHash(FFgColor)) + uint32_t(Xc12ColorHash(FBgColor)) + uint32_t(FPatternType);
}

// ---- borders

bool TXc12Border::Equal(const TXc12Border& o) const {
  return FOptions == o.FOptions && FLeft.Equal(o.FLeft) && FTop.Equal(o.FTop) && FRight.Equal(o.FRight) &&
         FBottom.Equal(o.FBottom) && FDiagonal.Equal(o.FDiagonal) && FHorizontal.Equal(o.FHorizontal) &&
         FVertical.Equal(o.FVertical);
}

void TXc12Border::Assign(const TXc12Border& o) {
  FOptions = o.FOptions;
  FLeft.Assign(o.FLeft), FTop.Assign(o.FTop), FRight.Assign(o.FRight), FBottom.Assign(o.FBottom);
  FDiagonal.Assign(o.FDiagonal), FHorizontal.Assign(o.FHorizontal), FVertical.Assign(o.FVertical);
  FHashvalid = false;
}

void TXc12Border::Clear() {
  FOptions = {};
  for (TXc12BorderPr* s : {&FLeft, &FTop, &FRight, &FBottom, &FDiagonal, &FHorizontal, &FVertical}) s->Clear();
  FHashvalid = false;
}

void TXc12Border::CalcHash() {
  uint32_t h = FLeft.CalcHash() ^ FOptions.Bits();
  for (const TXc12BorderPr* s : {&FTop, &FRight, &FBottom, &FDiagonal, &FHorizontal, &FVertical}) h ^= s->CalcHash();
  FHash = h;
}

// ---- alignment and cell formats

bool TXc12CellAlignment::Equal(const TXc12CellAlignment& o) const {
  return FHorizAlignment == o.FHorizAlignment && FVertAlignment == o.FVertAlignment && FRotation == o.FRotation &&
         FOptions == o.FOptions && FIndent == o.FIndent && FRelativeIndent == o.FRelativeIndent &&
         FReadingOrder == o.FReadingOrder;
}

void TXc12CellAlignment::Assign(const TXc12CellAlignment& o) {
  FHorizAlignment = o.FHorizAlignment, FVertAlignment = o.FVertAlignment, FRotation = o.FRotation;
  FOptions = o.FOptions, FIndent = o.FIndent, FRelativeIndent = o.FRelativeIndent, FReadingOrder = o.FReadingOrder;
}

bool TXc12CellAlignment::IsWrapText() const {
  return FRotation == 0 && (FOptions.Contains(TXc12AlignmentOption::foWrapText) ||
                            FHorizAlignment == TXc12HorizAlignment::chaJustify ||
                            FHorizAlignment == TXc12HorizAlignment::chaDistributed);
}

uint32_t TXc12CellAlignment::Hash() {
  if (!FHashValid) {
    FHash = uint32_t(FHorizAlignment) + uint32_t(FVertAlignment) + uint32_t(FRotation) + FOptions.Bits() +
            uint32_t(FIndent) + uint32_t(FRelativeIndent) + uint32_t(FReadingOrder);
    FHashValid = true;
  }
  return FHash;
}

namespace {
template <class T>
bool PartsEqual(const T* a, const T* b) {
  if (!a || !b) return a == b;
  return a->Equal(*b);
}
}  // namespace

bool TXc12XF::Equal(const TXc12XF& o) const {
  if (!FAlignment.Equal(o.FAlignment) || FProtection != o.FProtection || !PartsEqual(FNumFmt, o.FNumFmt) ||
      !PartsEqual(FFont, o.FFont) || !PartsEqual(FFill, o.FFill) || !PartsEqual(FBorder, o.FBorder) ||
      FQuotePrefix != o.FQuotePrefix || FPivotButton != o.FPivotButton)
    return false;
  return !(FXF && o.FXF) || FXF->Index() == o.FXF->Index();
}

void TXc12XF::AssignProps(const TXc12XF& o) {
  FAlignment.Assign(o.FAlignment);
  FProtection = o.FProtection, FQuotePrefix = o.FQuotePrefix, FPivotButton = o.FPivotButton;
  FHashvalid = false;
}

void TXc12XF::Assign(const TXc12XF& o) {
  AssignProps(o);
  FNumFmt = o.FNumFmt, FFont = o.FFont, FFill = o.FFill, FBorder = o.FBorder;
  SetXF(o.FXF);
}

std::u16string TXc12XF::AsString(int indent) const {
  const auto part = [indent](std::u16string_view name, const TXLSStyleObject* p) {
    return p ? Line(indent, std::u16string(name) + Num(p->Index())) + p->AsString(indent + 1) : Line(indent, name);
  };
  std::u16string s = Line(indent, u"This XF: " + Num(Index()));
  s += part(u"NumberFormat: ", FNumFmt) + part(u"Font: ", FFont) + part(u"Fill: ", FFill) + part(u"Border: ", FBorder);
  s += Line(indent, u"Alignment: ");
  if (FXF) s += Line(indent, u"XF: " + Num(FXF->Index()));
  if (!FProtection.Empty()) {
    s += Line(indent, u"Protection:");
    if (FProtection.Contains(TXc12CellProtection::cpLocked)) s += Line(indent + 1, u"Locked");
    if (FProtection.Contains(TXc12CellProtection::cpHidden)) s += Line(indent + 1, u"Hidden");
  }
  if (FQuotePrefix) s += Line(indent, u"QuotePrfix: True");
  if (FPivotButton) s += Line(indent, u"PivotButton: True");
  return s;
}

void TXc12XF::CalcHash() {
  uint32_t h = FAlignment.Hash() ^ FProtection.Bits();
  if (FNumFmt) h ^= FNumFmt->Hash();
  if (FFont) h ^= FFont->Hash();
  if (FFill) h ^= FFill->Hash();
  if (FBorder) h ^= FBorder->Hash();
  if (FXF) h ^= FXF->Hash();
  FHash = h + (FQuotePrefix ? 1 : 0) + (FPivotButton ? 1 : 0);
}

bool TXc12DXF::Equal(const TXc12DXF&) const { throw XLSRWException("TXc12DXF.Equal not supported"); }

void TXc12DXF::CalcHash() {
  uint32_t h = 0;
  if (FFont) h ^= FFont->Hash();
  if (FNumFmt) h ^= FNumFmt->Hash();
  if (FFill) h ^= FFill->Hash();
  if (FBorder) h ^= FBorder->Hash();
  if (FAlignment) h ^= FAlignment->Hash();
  FHash = h + FProtection.Bits();
}

TXc12Font* TXc12DXF::AddFont() {
  if (!FFont) FFont = std::make_unique<TXc12Font>();
  return FFont.get();
}
TXc12NumberFormat* TXc12DXF::AddNumFmt() {
  if (!FNumFmt) FNumFmt = std::make_unique<TXc12NumberFormat>();
  return FNumFmt.get();
}
TXc12Fill* TXc12DXF::AddFill() {
  if (!FFill) FFill = std::make_unique<TXc12Fill>();
  return FFill.get();
}
TXc12Border* TXc12DXF::AddBorder() {
  if (!FBorder) FBorder = std::make_unique<TXc12Border>();
  return FBorder.get();
}
TXc12CellAlignment* TXc12DXF::AddAlignment() {
  if (!FAlignment) FAlignment = std::make_unique<TXc12CellAlignment>();
  return FAlignment.get();
}

bool TXc12CellStyle::Equal(const TXc12CellStyle& o) const {
  return FBuiltInId == o.FBuiltInId && FCustomBuiltIn == o.FCustomBuiltIn && FHidden == o.FHidden &&
         FLevel == o.FLevel && FName == o.FName && PartsEqual(FXF, o.FXF);
}

void TXc12CellStyle::CalcHash() {
  uint32_t h = TextCRC(FName) + uint32_t(FBuiltInId) + (FCustomBuiltIn ? 1 : 0) + (FHidden ? 1 : 0) + uint32_t(FLevel);
  FHash = FXF ? h ^ FXF->Hash() : h;
}

bool TXc12TableStyle::Equal(const TXc12TableStyle&) const { throw XLSRWException("TXc12TableStyle.Equal not supported"); }
void TXc12TableStyle::CalcHash() { throw XLSRWException("TXc12TableStyle.CalcHash not supported"); }

// ---- lists

TXc12NumberFormat* TXc12NumberFormats::Add(std::u16string value, int32_t index) {
  if (index < 0 || index > 0xFFFF) {
    if (Errors) Errors->Warning(u"numFmtId " + kws::Utf8ToUtf16(std::to_string(index)) + u" out of range", XLSWARN_XML_READ);
    return nullptr;
  }
  if (index <= 49) {
    TXc12NumberFormat* f = Items(size_t(index));
    f->SetValue(std::move(value));
    f->FStdRedefined = true;
    return f;
  }
  if (size_t(index) + 1 >= FItems.size())
    while (FItems.size() < size_t(index) + 2) Add();
  TXc12NumberFormat* f = Items(size_t(index));
  f->SetValue(std::move(value));
  return f;
}

void TXc12NumberFormats::SetIsDefault() {
  for (const char16_t* code : XLSBuiltInNumFmts) {
    TXc12NumberFormat* f = Add();
    f->SetValue(code);
    f->SetLocked(true);
  }
}

void TXc12Fonts::SetIsDefault() {
  auto f = std::make_unique<TXc12Font>(this);
  f->SetName(u"Calibri");
  TXc12Color c;
  c.ColorType = TXc12ColorType::exctTheme;
  c.Theme = TXc12ClrSchemeColor::cscDk1;
  c.Tint = 0;
  f->SetColor(c);
  f->SetFamily(2);
  f->SetLocked(true);
  Add(std::move(f))->SetSize(11);
}

void TXc12Fonts::CalcStdFontMetrics() {
  if (FItems.empty() || !FItems[0]) return;
  const TXc12Font& f = *FItems[0];
  const int ppi = PixelsPerInch ? PixelsPerInch() : kws::PixelsPerInch();
  const kws::FontPixelMetrics m = kws::MeasureFont(f.Name(), f.Size(), f.Style().Contains(TXc12FontStyle::xfsBold), ppi);
  FStdFontWidth = m.DigitWidth;
  FStdFontHeight = -m.Height;
}

void TXc12Fonts::FixupColors() {
  for (auto& f : FItems)
    if (f) FixIndexed(*f->PColor());
}

TXc12Font* TXc12Fonts::MakeCommentFont(bool bold) {
  auto f = std::make_unique<TXc12Font>();
  f->SetName(u"Tahoma");
  f->SetSize(8);
  f->SetColor(MakeXc12RGBColor(0));
  f->SetFamily(2);
  if (bold) f->SetStyle({TXc12FontStyle::xfsBold});
  TXc12Font* found = Find(*f);
  if (!found) found = Add(std::move(f));
  found->SetLocked(true);
  return found;
}

void TXc12Fills::SetIsDefault() {
  for (TXc12FillPattern p : {TXc12FillPattern::efpNone, TXc12FillPattern::efpGray125}) {
    TXc12Fill* f = Add();
    f->SetPatternType(p);
    f->SetLocked(true);
  }
}

void TXc12Fills::FixupColors() {
  for (auto& f : FItems) {
    if (!f) continue;
    FixIndexed(*f->PFgColor());
    FixIndexed(*f->PBgColor());
    if (f->GradientFill())
      for (auto& s : f->GradientFill()->FStops) FixIndexed(s.FColor);
  }
}

void TXc12Borders::SetIsDefault() { Add()->SetLocked(true); }

void TXc12XFs::SetIsDefault() { Add()->SetLocked(true); }

void TXc12XFs::Clear() {
  TXLSStyleObjects::Clear();
  if (FOwner)
    for (auto& xf : FItems)
      if (xf) FOwner->SetXFDefaultValues(*xf);
}

TXc12XF* TXc12XFs::AddOrGetFree() {
  for (size_t i = 1; i < FItems.size(); ++i) {
    if (FItems[i] && (FItems[i]->Locked() || FItems[i]->RefCount() > 0)) continue;
    if (!FItems[i]) FItems[i] = std::make_unique<TXc12XF>(this);
    ReIndex();
    if (FOwner) FOwner->SetXFDefaultValues(*FItems[i]);
    return FItems[i].get();
  }
  return Add();
}

void TXc12CellStyles::SetIsDefault() {
  TXc12CellStyle* s = Add();
  s->FName = u"Normal";
  s->SetLocked(true);
}

void TXc12ColorObjs::FixupColors() {
  for (auto& c : FItems)
    if (c) FixIndexed(c->FColor);
}

}  // namespace xls
