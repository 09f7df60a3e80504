#include "xls/model/xlscmdformat.h"

#include <algorithm>
#include <cmath>

#include "xls/model/formatsettings.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlscellmmu.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsformattedobj.h"
#include "xls/model/xlsrowscols.h"
#include "xls/model/xlssheetsettings.h"
#include "xls/model/xlssst.h"
#include "xls/model/xlsstylesheet.h"
#include "xls/model/xlsworksheetdata.h"

namespace xls {

// ---- colour

void TXLSCmdFormatColor::Store(const TXc12Color& c) {
  if (Xc12ColorEqual(*FColor, c) && FColor->ColorType == c.ColorType) return;
  *FColor = c;
  if (FChanged) FChanged();
}
void TXLSCmdFormatColor::SetColor(const TXc12Color& v) { Store(v); }
uint32_t TXLSCmdFormatColor::TColor() const { return Xc12ColorToRGB(*FColor, 0); }
void TXLSCmdFormatColor::SetTColor(uint32_t v) { Store(MakeXc12RGBColor(v & 0xFFFFFF)); }
uint32_t TXLSCmdFormatColor::RGB() const { return SwapRedBlue(TColor()); }
void TXLSCmdFormatColor::SetRGB(uint32_t v) { SetTColor(SwapRedBlue(v & 0xFFFFFF)); }
uint8_t TXLSCmdFormatColor::IndexColor() const {
  return FColor->ColorType == TXc12ColorType::exctIndexed ? uint8_t(FColor->Indexed) : uint8_t(64);
}
void TXLSCmdFormatColor::SetIndexColor(uint8_t v) { Store(IndexColorToXc12Color(v)); }

// ---- font

TXLSCmdFormatFont::TXLSCmdFormatFont(TXLSCmdFormat* owner)
    : FOwner(owner), FColor(FFont.PColor(), [this] { Assigned(aColor); }) {}

void TXLSCmdFormatFont::Clear() {
  FFont.Assign(*FOwner->Styles().Fonts().DefaultFont());
  TXc12Color c;
  MakeXc12AutoColor(c, 0);
  FFont.SetColor(c);
  std::fill(std::begin(FAssigned), std::end(FAssigned), false);
  FStyleMask = 0;
}
void TXLSCmdFormatFont::Assigned(int item) {
  FAssigned[item] = true;
  FOwner->SetAssigned(TXLSCmdFormat::asFont, true);
}
void TXLSCmdFormatFont::SetName(std::u16string_view v) {
  size_t b = 0, e = v.size();
  while (b < e && v[b] <= u' ') ++b;
  while (e > b && v[e - 1] <= u' ') --e;
  if (b == e) return;
  FFont.SetName(std::u16string(v.substr(b, e - b)));
  Assigned(aName);
}
void TXLSCmdFormatFont::SetSize(double v) { FFont.SetSize(v), Assigned(aSize); }
void TXLSCmdFormatFont::SetStyle(TXc12FontStyles v) {
  FFont.SetStyle(v);
  FStyleMask = 0xFF;
  Assigned(aStyle);
}
void TXLSCmdFormatFont::SetStyleFlag(TXc12FontStyle flag, bool v) {
  TXc12FontStyles s = FFont.Style();
  v ? s.Include(flag) : s.Exclude(flag);
  FFont.SetStyle(s);
  FStyleMask |= TXc12FontStyles{flag}.Bits();
  Assigned(aStyle);
}
void TXLSCmdFormatFont::SetBold(bool v) { SetStyleFlag(TXc12FontStyle::xfsBold, v); }
void TXLSCmdFormatFont::SetItalic(bool v) { SetStyleFlag(TXc12FontStyle::xfsItalic, v); }
void TXLSCmdFormatFont::SetUnderline(TXc12Underline v) { FFont.SetUnderline(v), Assigned(aUnderline); }
void TXLSCmdFormatFont::SetSubSuperscript(TXc12SubSuperscript v) {
  FFont.SetSubSuperscript(v), Assigned(aSubSup);
}
void TXLSCmdFormatFont::SetCharset(int32_t v) { FFont.SetCharset(v), Assigned(aCharset); }

void TXLSCmdFormatFont::MergeInto(TXc12Font& f) const {
  if (FAssigned[aName]) f.SetName(FFont.Name());
  if (FAssigned[aSize]) f.SetSize(FFont.Size());
  if (FAssigned[aColor]) f.SetColor(FFont.Color());
  if (FAssigned[aStyle])
    f.SetStyle(TXc12FontStyles::FromBits(
        uint8_t((f.Style().Bits() & ~FStyleMask) | (FFont.Style().Bits() & FStyleMask))));
  if (FAssigned[aUnderline]) f.SetUnderline(FFont.Underline());
  if (FAssigned[aSubSup]) f.SetSubSuperscript(FFont.SubSuperscript());
  if (FAssigned[aCharset]) f.SetCharset(FFont.Charset());
}

// ---- fill

TXLSCmdFormatFill::TXLSCmdFormatFill(TXLSCmdFormat* owner)
    : FOwner(owner),
      FBgColor(FFill.PFgColor(),
               [this] {
                 FFgAssigned = true;
                 FOwner->SetAssigned(TXLSCmdFormat::asFill, true);
                 if (FFill.PatternType() == TXc12FillPattern::efpNone)
                   SetPatternStyle(TXc12FillPattern::efpSolid);
               }),
      FPatColor(FFill.PBgColor(), [this] {
        FFgAssigned = FBgAssigned = FPatAssigned = true;
        FOwner->SetAssigned(TXLSCmdFormat::asFill, true);
      }) {}

void TXLSCmdFormatFill::Clear() {
  FFill.Assign(*FOwner->Styles().Fills().DefaultFill());
  FFgAssigned = FBgAssigned = FPatAssigned = false;
  FNoColor = false;
}
void TXLSCmdFormatFill::SetPatternStyle(TXc12FillPattern v) {
  FFill.SetPatternType(v);
  FPatAssigned = true;
  FOwner->SetAssigned(TXLSCmdFormat::asFill, true);
}
void TXLSCmdFormatFill::SetNoColor(bool v) {
  FNoColor = v;
  FOwner->SetAssigned(TXLSCmdFormat::asFill, true);
}
void TXLSCmdFormatFill::MergeInto(TXc12Fill& fill, const TXc12Fill& defaultFill) const {
  if (FNoColor) {
    fill.Assign(defaultFill);
    return;
  }
  if (FFgAssigned) fill.SetFgColor(FFill.FgColor());
  if (FBgAssigned) fill.SetBgColor(FFill.BgColor());
  if (FPatAssigned) fill.SetPatternType(FFill.PatternType());
}

// ---- border

TXLSCmdFormatBorder::TXLSCmdFormatBorder(TXLSCmdFormat* owner) : FOwner(owner), FCmdColor(&FColor, nullptr) {
  std::fill(std::begin(FSides), std::end(FSides), TCmdTriState::ctsUnassigned);
}
void TXLSCmdFormatBorder::Clear(const TXc12Border& def) {
  std::fill(std::begin(FSides), std::end(FSides), TCmdTriState::ctsUnassigned);
  FColor = def.FLeft.FColor;
  FStyle = def.FLeft.FStyle;
  FOptions = {};
}
void TXLSCmdFormatBorder::SetSide(TCmdBorderSide s, bool v) {
  FSides[size_t(s)] = v ? TCmdTriState::ctsTrue : TCmdTriState::ctsFalse;
  FBorders[size_t(s)].FColor = FColor;
  FBorders[size_t(s)].FStyle = FStyle;
  FOwner->SetAssigned(TXLSCmdFormat::asBorder, true);
}
void TXLSCmdFormatBorder::Preset(TCmdBorderSidePreset p) {
  using S = TCmdBorderSide;
  if (p == TCmdBorderSidePreset::cbspNone) {
    for (int i = 0; i < 8; ++i) SetSide(S(i), false);
    return;
  }
  if (p == TCmdBorderSidePreset::cbspOutline || p == TCmdBorderSidePreset::cbspOutlineAndInside)
    for (S s : {S::cbsLeft, S::cbsTop, S::cbsRight, S::cbsBottom}) SetSide(s, true);
  if (p == TCmdBorderSidePreset::cbspInside || p == TCmdBorderSidePreset::cbspOutlineAndInside)
    for (S s : {S::cbsInsideVert, S::cbsInsideHoriz}) SetSide(s, true);
}
void TXLSCmdFormatBorder::MergeLine(TCmdBorderSide s, TXc12BorderPr& line) const {
  switch (FSides[size_t(s)]) {
    case TCmdTriState::ctsTrue: {
      const TXc12BorderPr& cmd = FBorders[size_t(s)];
      const bool recolour =
          cmd.FColor.ColorType != TXc12ColorType::exctAuto && line.FStyle != TXc12CellBorderStyle::cbsNone;
      line.FColor = cmd.FColor;
      if (!recolour) line.FStyle = cmd.FStyle;
      break;
    }
    case TCmdTriState::ctsFalse:
      line.Clear();
      break;
    default:
      break;
  }
}

// ---- number format

namespace {
struct TCurrency {
  int32_t Lcid;
  const char16_t* Symbol;
  uint8_t Placement;
};
// Our own table of common locales (symbol and placement as the locales' conventions give them).
constexpr TCurrency kCurrencies[] = {
    {1028, u"NT$", 0},     {1031, u"\u20AC", 3}, {1033, u"$", 0},      {1036, u"\u20AC", 3},
    {1040, u"\u20AC", 2},  {1041, u"\u00A5", 0}, {1042, u"\u20A9", 0}, {1043, u"\u20AC", 2},
    {1045, u"z\u0142", 3}, {1046, u"R$", 2},     {1049, u"\u20BD", 3}, {1053, u"kr", 3},
    {2052, u"\u00A5", 0},  {2055, u"CHF", 2},    {2057, u"\u00A3", 0}, {3076, u"HK$", 0},
    {3081, u"$", 0},       {3082, u"\u20AC", 3}, {4105, u"$", 0},
};
}  // namespace

bool CurrencyOfLocale(int32_t lcid, std::u16string& symbol, uint8_t& placement) {
  for (const TCurrency& c : kCurrencies)
    if (c.Lcid == lcid) {
      symbol = c.Symbol;
      placement = c.Placement;
      return true;
    }
  return false;
}

void TXLSCmdFormatNumber::Clear() {
  FFormat = FOwner->Styles().NumFmts().DefaultNumFmt()->Value();
  FDecimals = 0;
  FThousands = false;
  FNegColor = 0x20000000;
  FNegColorSign = false;
  FCurrencyLCID = -1;
  FPercentage = false;
  FFractions = TXLSNumFmtFractions::xnffNone;
  FScientific = false;
}
void TXLSCmdFormatNumber::SetFormat(std::u16string_view v) {
  FFormat = v;
  FOwner->SetAssigned(TXLSCmdFormat::asNumFmt, true);
}
void TXLSCmdFormatNumber::SetNegativeColor(uint32_t v) {
  switch (v) {
    case 0:
    case 0xFF:
    case 0x8000:
    case 0xFFFF:
    case 0x800080:
    case 0xFF0000:
    case 0xFF00FF:
    case 0xFFFFFF:
    case 0x20000000:
      break;
    default:
      throw XLSRWException("Invalid negative color");
  }
  FNegColor = v;
  Build();
}
void TXLSCmdFormatNumber::Build() {
  const std::u16string dec =
      FDecimals <= 0 ? u"0" : u"0." + std::u16string(size_t(std::min(FDecimals, 30)), u'0');
  std::u16string f;
  if (FPercentage) {
    f = dec + u"%";
  } else if (FScientific) {
    f = dec + u"E+00";
  } else if (FFractions != TXLSNumFmtFractions::xnffNone) {
    static constexpr const char16_t* kFractions[] = {u"",
                                                     u"?/?",
                                                     u"?"
                                                     u"?/?"
                                                     u"?",
                                                     u"??"
                                                     u"?/?"
                                                     u"??",
                                                     u"?/2",
                                                     u"?/4",
                                                     u"?/8",
                                                     u"?/16",
                                                     u"?/10",
                                                     u"?/100"};
    f = u"#\" \"" + std::u16string(kFractions[size_t(FFractions)]);
  } else {
    f = (FThousands ? u"#,##" : u"") + dec;
    if (FNegColor != 0x20000000) {
      std::u16string c;
      switch (FNegColor) {
        case 0:
          c = u";[Black]";
          break;
        case 0xFF:
          c = u";[Red]";
          break;
        case 0x8000:
          c = u";[Green]";
          break;
        case 0xFFFF:
          c = u";[Yellow]";
          break;
        case 0x800080:
          c = u";[Purple]";
          break;
        case 0xFF0000:
          c = u";[Blue]";
          break;
        case 0xFF00FF:
          c = u";[Fuchsia]";
          break;
        default:
          c = u";[White]";
          break;
      }
      f = FNegColorSign ? f + u"_ " + c + u"\\-" + f + u"\\ " : f + c + f;
    }
    if (FCurrencyLCID >= 0) {
      std::u16string sym;
      uint8_t place = 0;
      if (FCurrencyLCID == 0 || !CurrencyOfLocale(FCurrencyLCID, sym, place)) {
        sym = DefaultFormatSettings().CurrencyString;
        place = DefaultFormatSettings().CurrencyFormat;
      }
      switch (place) {
        case 0:
          f = u"\\" + sym + f;
          break;
        case 1:
          f = f + u"\\" + sym;
          break;
        case 2:
          f = u"\\" + sym + u" " + f;
          break;
        default:
          f = f + u"\\" + u" " + sym;
          break;
      }
    }
  }
  SetFormat(f);
}

// ---- alignment

void TXLSCmdFormatAlignment::Clear(const TXc12CellAlignment& def) {
  FAlign.Assign(def);
  std::fill(std::begin(FAssigned), std::end(FAssigned), false);
}
void TXLSCmdFormatAlignment::Assigned(int item) {
  FAssigned[item] = true;
  FOwner->SetAssigned(TXLSCmdFormat::asAlignment, true);
}
void TXLSCmdFormatAlignment::SetHorizontal(TXc12HorizAlignment v) {
  FAlign.FHorizAlignment = v, Assigned(aHoriz);
}
void TXLSCmdFormatAlignment::SetVertical(TXc12VertAlignment v) { FAlign.FVertAlignment = v, Assigned(aVert); }
void TXLSCmdFormatAlignment::SetIndent(int32_t v) {
  if (v < 0) return;
  FAlign.FIndent = v, Assigned(aIndent);
}
void TXLSCmdFormatAlignment::SetRotation(int32_t v) {
  FAlign.FRotation = std::clamp(v, -180, 180), Assigned(aRotation);
}
void TXLSCmdFormatAlignment::SetTextDirection(TXc12ReadOrder v) {
  FAlign.FReadingOrder = v, Assigned(aTextDir);
}
void TXLSCmdFormatAlignment::Option(TXc12AlignmentOption o, bool v, int item) {
  v ? FAlign.FOptions.Include(o) : FAlign.FOptions.Exclude(o);
  Assigned(item);
}
void TXLSCmdFormatAlignment::SetWrapText(bool v) { Option(TXc12AlignmentOption::foWrapText, v, aWrap); }
void TXLSCmdFormatAlignment::SetShrinkToFit(bool v) {
  Option(TXc12AlignmentOption::foShrinkToFit, v, aShrink);
}
void TXLSCmdFormatAlignment::SetJustifyDistributed(bool v) {
  Option(TXc12AlignmentOption::foJustifyLastLine, v, aJustDist);
}
void TXLSCmdFormatAlignment::SetMergeCells(bool v) { FMergeCells = v, Assigned(aMerge); }
void TXLSCmdFormatAlignment::MergeInto(TXc12CellAlignment& a) const {
  if (FAssigned[aHoriz]) a.FHorizAlignment = FAlign.FHorizAlignment;
  if (FAssigned[aVert]) a.FVertAlignment = FAlign.FVertAlignment;
  if (FAssigned[aIndent]) a.FIndent = FAlign.FIndent;
  if (FAssigned[aRotation]) a.FRotation = FAlign.FRotation;
  if (FAssigned[aTextDir]) a.FReadingOrder = FAlign.FReadingOrder;
  const auto opt = [&](int item, TXc12AlignmentOption o) {
    if (!FAssigned[item]) return;
    FAlign.FOptions.Contains(o) ? a.FOptions.Include(o) : a.FOptions.Exclude(o);
  };
  opt(aWrap, TXc12AlignmentOption::foWrapText);
  opt(aShrink, TXc12AlignmentOption::foShrinkToFit);
  opt(aJustDist, TXc12AlignmentOption::foJustifyLastLine);
}

// ---- protection

void TXLSCmdFormatProtection::SetLocked(bool v) {
  FLocked = v ? TCmdTriState::ctsTrue : TCmdTriState::ctsFalse;
  FOwner->SetAssigned(TXLSCmdFormat::asProtection, true);
}
void TXLSCmdFormatProtection::SetHidden(bool v) {
  FHidden = v ? TCmdTriState::ctsTrue : TCmdTriState::ctsFalse;
  FOwner->SetAssigned(TXLSCmdFormat::asProtection, true);
}
TXc12CellProtections TXLSCmdFormatProtection::MergeInto(TXc12CellProtections p) const {
  const auto one = [&](TCmdTriState s, TXc12CellProtection f) {
    if (s == TCmdTriState::ctsTrue) p.Include(f);
    if (s == TCmdTriState::ctsFalse) p.Exclude(f);
  };
  one(FLocked, TXc12CellProtection::cpLocked);
  one(FHidden, TXc12CellProtection::cpHidden);
  return p;
}

// ---- command values

void TXLSCmdFormatValue::Check(TXLSCmdFormatValueType t) const {
  if (ValueType() != t) throw XLSRWException("Wrong value type");
}
bool TXLSCmdFormatValue::AsBoolean() const { return Check(TXLSCmdFormatValueType::xcfvtBoolean), FBoolean; }
void TXLSCmdFormatValue::SetAsBoolean(bool v) { Check(TXLSCmdFormatValueType::xcfvtBoolean), FBoolean = v; }
int32_t TXLSCmdFormatValue::AsInteger() const {
  return Check(TXLSCmdFormatValueType::xcfvtInteger), FInteger;
}
void TXLSCmdFormatValue::SetAsInteger(int32_t v) {
  Check(TXLSCmdFormatValueType::xcfvtInteger), FInteger = v;
}
double TXLSCmdFormatValue::AsFloat() const { return Check(TXLSCmdFormatValueType::xcfvtFloat), FFloat; }
void TXLSCmdFormatValue::SetAsFloat(double v) { Check(TXLSCmdFormatValueType::xcfvtFloat), FFloat = v; }
std::u16string TXLSCmdFormatValue::AsString() const {
  return Check(TXLSCmdFormatValueType::xcfvtString), FString;
}
void TXLSCmdFormatValue::SetAsString(std::u16string_view v) {
  Check(TXLSCmdFormatValueType::xcfvtString), FString = v;
}

TXLSCmdFormatValue* TXLSCmdFormatValues::AddInteger(TXLSCmdFormatCommand c, int32_t v) {
  auto* x = Add(std::make_unique<TXLSCmdFormatValueOf<TXLSCmdFormatValueType::xcfvtInteger>>(c));
  x->SetAsInteger(v);
  return x;
}
TXLSCmdFormatValue* TXLSCmdFormatValues::AddFloat(TXLSCmdFormatCommand c, double v) {
  auto* x = Add(std::make_unique<TXLSCmdFormatValueOf<TXLSCmdFormatValueType::xcfvtFloat>>(c));
  x->SetAsFloat(v);
  return x;
}
TXLSCmdFormatValue* TXLSCmdFormatValues::AddBoolean(TXLSCmdFormatCommand c, bool v) {
  auto* x = Add(std::make_unique<TXLSCmdFormatValueOf<TXLSCmdFormatValueType::xcfvtBoolean>>(c));
  x->SetAsBoolean(v);
  return x;
}

TXc12XF* TXLSDefaultFormats::Find(std::u16string_view name) const {
  const auto it = FItems.find(name);
  return it == FItems.end() ? nullptr : it->second;
}

// ---- command

TXLSCmdFormat::TXLSCmdFormat(TXc12Manager* manager)
    : FManager(manager),
      FStyles(&manager->StyleSheet()),
      FAlignment(this),
      FNumFmt(this),
      FFont(this),
      FFill(this),
      FBorder(this),
      FProtect(this) {
  FSearchXF.SetNumFmt(&FSearchNumFmt);
  FSearchXF.SetFont(&FSearchFont);
  FSearchXF.SetFill(&FSearchFill);
  FSearchXF.SetBorder(&FSearchBorder);
  Clear();
}
TXLSCmdFormat::~TXLSCmdFormat() = default;

void TXLSCmdFormat::BeginEdit(TXLSWorksheet* sheet) {
  FAddBlank = true;
  if (sheet) {
    FSheet = &sheet->Xc12Sheet();
    FColumns = &sheet->Columns();
    FRows = &sheet->Rows();
    FAreas = &sheet->SelectedAreas();
    FCells = &FSheet->Cells();
  }
  Clear();
  FAlignment.SetMergeCells(false);
  FAssigned[asAlignment] = false;
}

void TXLSCmdFormat::DropTarget() {
  FSheet = nullptr;
  FColumns = nullptr;
  FRows = nullptr;
  FAreas = nullptr;
  FCells = nullptr;
}

void TXLSCmdFormat::Clear() {
  FFont.Clear();
  FFill.Clear();
  FBorder.Clear(*FStyles->Borders().DefaultBorder());
  FNumFmt.Clear();
  FAlignment.Clear(FStyles->XFs().DefaultXF()->Alignment());
  FProtect.Clear();
  std::fill(std::begin(FAssigned), std::end(FAssigned), false);
  FMaxFont = nullptr;
}

void TXLSCmdFormat::Lock(TXc12XF* xf) {
  if (xf->Locked()) return;
  xf->SetLocked(true);
  FLocked.push_back(xf);
}

TXc12XF* TXLSCmdFormat::MakeFormat(TXc12XF* src, uint8_t pos) {
  FSearchXF.AssignProps(*src);
  FSearchXF.SetXF(src->XF());
  src->NumFmt() ? FSearchNumFmt.SetValue(src->NumFmt()->Value()) : FSearchNumFmt.SetValue(u"");
  src->Font() ? FSearchFont.Assign(*src->Font()) : FSearchFont.Assign(*FStyles->Fonts().DefaultFont());
  src->Fill() ? FSearchFill.Assign(*src->Fill()) : FSearchFill.Assign(*FStyles->Fills().DefaultFill());
  src->Border() ? FSearchBorder.Assign(*src->Border()) : FSearchBorder.Clear();
  if (FAssigned[asNumFmt]) FSearchNumFmt.SetValue(FNumFmt.Format());
  if (FAssigned[asAlignment]) FAlignment.MergeInto(FSearchXF.Alignment());
  if (FAssigned[asFill]) FFill.MergeInto(FSearchFill, *FStyles->Fills().DefaultFill());
  if (FAssigned[asFont]) FFont.MergeInto(FSearchFont);
  if (FAssigned[asBorder]) {
    using S = TCmdBorderSide;
    TXc12Border& b = FSearchBorder;
    if (pos & posTop) FBorder.MergeLine(S::cbsTop, b.FTop);
    if (pos & posLeft) FBorder.MergeLine(S::cbsLeft, b.FLeft);
    if (pos & posRight) FBorder.MergeLine(S::cbsRight, b.FRight);
    if (pos & posBottom) FBorder.MergeLine(S::cbsBottom, b.FBottom);
    if (pos & posInnerH) FBorder.MergeLine(S::cbsInsideHoriz, b.FBottom);
    if (pos & posInnerV) FBorder.MergeLine(S::cbsInsideVert, b.FRight);
    if (FMode == TXLSCmdFormatMode::xcfmMerge) {
      TXc12CellBorderOptions o = b.Options();
      if (FBorder.SideState(S::cbsDiagLeft) == TCmdTriState::ctsTrue) {
        FBorder.MergeLine(S::cbsDiagLeft, b.FDiagonal);
        o.Include(TXc12CellBorderOption::ecboDiagonalDown);
      }
      if (FBorder.SideState(S::cbsDiagRight) == TCmdTriState::ctsTrue) {
        FBorder.MergeLine(S::cbsDiagRight, b.FDiagonal);
        o.Include(TXc12CellBorderOption::ecboDiagonalUp);
      }
      b.SetOptions(o);
    }
    b.SetOptions(b.Options());  // the lines were changed in place: the hash is computed anew
  }
  if (FAssigned[asProtection]) FSearchXF.SetProtection(FProtect.MergeInto(FSearchXF.Protection()));
  FSearchXF.SetNumFmt(&FSearchNumFmt);  // parts changed in place: the hash is computed anew

  TXc12XF* result = FStyles->XFs().Find(FSearchXF);
  if (!result) {
    // The source and every format this Apply met are locked, so the free slot is none of them.
    result = FStyles->XFs().AddOrGetFree();
    if (FAssigned[asAlignment] || FAssigned[asProtection]) {
      result->AssignProps(FSearchXF);
      result->FApply.Include(TXc12ApplyFormat::eafAlignment);
      if (FAssigned[asProtection]) result->FApply.Include(TXc12ApplyFormat::eafProtection);
    } else {
      result->AssignProps(*src);
    }
    result->SetXF(src->XF());
    const auto part = [&](auto& list, auto& work, bool assigned, auto orig, TXc12ApplyFormat flag) {
      if (!assigned) return orig;
      auto* found = list.Find(work);
      if (!found) {
        found = list.Add();
        found->Assign(work);
      }
      result->FApply.Include(flag);
      return found;
    };
    TXc12NumberFormat* nf = src->NumFmt();
    if (FAssigned[asNumFmt]) {
      nf = FStyles->NumFmts().Find(FSearchNumFmt);
      if (!nf) {
        nf = FStyles->NumFmts().Add();
        nf->SetValue(FSearchNumFmt.Value());
      }
      result->FApply.Include(TXc12ApplyFormat::eafNumberFormat);
    }
    result->SetNumFmt(nf);
    result->SetFont(
        part(FStyles->Fonts(), FSearchFont, FAssigned[asFont], src->Font(), TXc12ApplyFormat::eafFont));
    result->SetFill(
        part(FStyles->Fills(), FSearchFill, FAssigned[asFill], src->Fill(), TXc12ApplyFormat::eafFill));
    result->SetBorder(part(FStyles->Borders(), FSearchBorder, FAssigned[asBorder], src->Border(),
                           TXc12ApplyFormat::eafBorder));
  }
  if (FAssigned[asFont] && FSetRowHeight && result->Font() &&
      (!FMaxFont || result->Font()->Size() > FMaxFont->Size()))
    FMaxFont = result->Font();
  return result;
}

TXc12XF* TXLSCmdFormat::CachedFormat(TXc12XF* src, uint8_t pos) {
  const auto key = std::make_pair(src, pos);
  if (auto it = FMade.find(key); it != FMade.end()) return it->second;
  Lock(src);
  TXc12XF* r = MakeFormat(src, pos);
  Lock(r);
  FMade.emplace(key, r);
  return r;
}

uint8_t TXLSCmdFormat::PosFlags(int32_t c, int32_t r, int32_t c1, int32_t r1, int32_t c2, int32_t r2) const {
  uint8_t p = 0;
  if (r == r1) p |= posTop;
  if (r == r2) p |= posBottom;
  if (c == c1) p |= posLeft;
  if (c == c2) p |= posRight;
  if (r != r2) p |= posInnerH;
  if (c != c2) p |= posInnerV;
  return p;
}

int32_t TXLSCmdFormat::BlankSource(int32_t col, int32_t row) {
  if (FColumns)
    if (TXc12XF* xf = FColumns->ColumnXF(col); xf && xf->Index() != 0) return xf->Index();
  if (const TXLSMMURowHeader* h = FCells->FindRow(row); h && h->Style != 0) return h->Style;
  return 0;
}

void TXLSCmdFormat::MergeRichString(int32_t col, int32_t row, int32_t style) {
  const TXLSCellItem item = FCells->FindCell(col, row);
  const int32_t old = FCells->GetStringSST(item);
  TXc12DataSST& sst = FManager->SST();
  if (old < 0) return;
  const TXLSString* s = sst.GetItems(old);
  if (!s || !TXc12DataSST::IsFormattedString(*s) || s->RunCount == 0) return;
  int32_t made;
  if (auto it = FMergedStrings.find(old); it != FMergedStrings.end()) {
    made = it->second;
  } else {
    const TXc12FontRun* runs = TXc12DataSST::GetFontRuns(*s);
    std::vector<TXc12FontRun> merged(runs, runs + s->RunCount);
    bool changed = false;
    for (TXc12FontRun& r : merged) {
      TXc12Font f;
      f.Assign(r.Font ? *r.Font : *FStyles->Fonts().DefaultFont());
      FFont.MergeInto(f);
      TXc12Font* eq = FStyles->Fonts().Find(f);
      if (!eq) {
        eq = FStyles->Fonts().Add();
        eq->Assign(f);
      }
      changed |= eq != r.Font;
      r.Font = eq;
    }
    if (!changed) {
      made = old;
    } else {
      made = sst.AddFormattedString(TXc12DataSST::GetText(*s), merged);
      FStyles->XFEditor().UseFonts(merged);
    }
    FMergedStrings.emplace(old, made);
  }
  if (made == old) return;
  // The cell's item is written again with the new entry (one use of it) and keeps its format;
  // then the old item's format and string uses are given back.
  const int32_t oldStyle = FCells->GetStyle(item);
  FCells->StoreString(col, row, style, made);
  FStyles->XFEditor().FreeStyle(oldStyle);
  sst.ReleaseString(old);
}

void TXLSCmdFormat::FormatCell(int32_t col, int32_t row, uint8_t pos) {
  const TXLSCellItem item = FCells->FindCell(col, row);
  const bool merge = FMode == TXLSCmdFormatMode::xcfmMerge;
  if (item.Data) {
    TXc12XF* src = merge ? StyleXF(*FStyles, FCells->GetStyle(item)) : FStyles->XFs().DefaultXF();
    TXc12XF* xf = CachedFormat(src, pos);
    if (merge && FAssigned[asFont] && FCells->GetStringSST(item) >= 0) {
      const int32_t before = FCells->GetStyle(item);
      MergeRichString(col, row, before);
    }
    FCells->SetStyle(col, row, xf->Index());
  } else if (FAddBlank) {
    TXc12XF* src = merge ? StyleXF(*FStyles, BlankSource(col, row)) : FStyles->XFs().DefaultXF();
    FCells->StoreBlank(col, row, CachedFormat(src, pos)->Index());
  }
}

void TXLSCmdFormat::RunCommandValues() {
  for (size_t i = 0; i < FCommands.Count(); ++i) {
    const TXLSCmdFormatValue& v = *FCommands.Items(i);
    switch (v.Command()) {
      case TXLSCmdFormatCommand::xcfcCellColor:
        FFill.BackgroundColor().SetRGB(uint32_t(v.AsInteger()));
        break;
      case TXLSCmdFormatCommand::xcfcBorderBottomColor:
        FBorder.SetStyle(TXc12CellBorderStyle::cbsMedium);
        FBorder.Color().SetRGB(uint32_t(v.AsInteger()));
        FBorder.SetSide(TCmdBorderSide::cbsBottom, true);
        break;
      case TXLSCmdFormatCommand::xcfcFontSize:
        FFont.SetSize(v.AsFloat());
        break;
      case TXLSCmdFormatCommand::xcfcFontBold:
        FFont.SetBold(true);
        break;
      case TXLSCmdFormatCommand::xcfcFontItalic:
        FFont.SetItalic(true);
        break;
      case TXLSCmdFormatCommand::xcfcIndent:
        FAlignment.SetIndent(v.AsInteger());
        break;
    }
  }
  FCommands.Clear();
}

void TXLSCmdFormat::RaiseRowHeights(int32_t row1, int32_t row2) {
  const double want = FMaxFont->Size() + 4;
  for (int32_t r = row1; r <= row2; ++r) {
    TXLSRow& row = *FRows->Items(r);
    if (row.CustomHeight()) continue;
    if (row.HeightPt() < want) row.SetHeightPt(want);
  }
}

void TXLSCmdFormat::Apply(int32_t col1, int32_t row1, int32_t col2, int32_t row2) {
  if (!FSheet || !FCells) throw XLSRWException("No worksheet defined fo Apply");
  RunCommandValues();
  if (col1 > col2) std::swap(col1, col2);
  if (row1 > row2) std::swap(row1, row2);
  col1 = std::max(col1, 0), row1 = std::max(row1, 0);
  col2 = std::min(col2, XLS_MAXCOL), row2 = std::min(row2, XLS_MAXROW);
  if (col1 > col2 || row1 > row2) return;
  FMade.clear();
  FMergedStrings.clear();
  struct TUnlock {
    std::vector<TXc12XF*>& list;
    ~TUnlock() {
      for (TXc12XF* xf : list) xf->SetLocked(false);
      list.clear();
    }
  } unlock{FLocked};
  // Replace mode without a border makes one format for every cell; diagonal lines go by merge only.
  const bool byPosition = FAssigned[asBorder];
  for (int32_t r = row1; r <= row2; ++r)
    for (int32_t c = col1; c <= col2; ++c)
      FormatCell(c, r, byPosition ? PosFlags(c, r, col1, row1, col2, row2) : 0);
  if (FRows && FSetRowHeight && FMaxFont) RaiseRowHeights(row1, row2);
}

}  // namespace xls
