#include "xls/drawingml/xlsdrawingprops.h"

#include <cmath>
#include <limits>

#include "platform/syscolors.h"
#include "xls/model/xlscellarea.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsglobals.h"

namespace xls {

using namespace xpgdml;

namespace {

// A Double into an element integer: rounded, halves to even, held to the 32-bit range (NaN: 0).
int32_t ToElementInt(double v) {
  const double r = std::nearbyint(v);
  if (std::isnan(r)) return 0;
  if (r >= 2147483647.0) return 2147483647;
  if (r <= -2147483648.0) return INT32_MIN;
  return int32_t(r);
}

constexpr double kPercent = 100000.0;  // DrawingML's 1.0
constexpr double kEmuPerPoint = 12700.0;
constexpr double kAngle = 60000.0;  // a degree

// Scheme colours from the default theme (stored as Windows colours), as RGB.
uint32_t SchemeRGB(TST_SchemeColorVal v) {
  auto theme = [](int i) { return SwapRedBlue(DefaultThemeColors[i]); };
  switch (v) {
    case stscvBg1:
    case stscvBg2:
    case stscvPhClr:
      return 0xFFFFFF;
    case stscvTx1:
    case stscvTx2:
      return 0;
    case stscvAccent1:
    case stscvAccent2:
    case stscvAccent3:
    case stscvAccent4:
    case stscvAccent5:
    case stscvAccent6:
    case stscvHlink:
    case stscvFolHlink:
      return theme(4 + (v - stscvAccent1));
    case stscvDk1:
      return theme(1);
    case stscvLt1:
      return theme(0);
    case stscvDk2:
      return theme(3);
    case stscvLt2:
      return theme(2);
    default:
      return 0;
  }
}

}  // namespace

// ---- colour ---------------------------------------------------------------------------------

TXLSDrwColor::TXLSDrwColor(TEG_ColorChoice* choice) : FColorChoice(choice) { EnsureColor(); }

void TXLSDrwColor::EnsureColor() {
  TEG_ColorChoice* c = FColorChoice;
  if (!c->A_ScrgbClr() && !c->A_SrgbClr() && !c->A_HslClr() && !c->A_SysClr() && !c->A_SchemeClr() &&
      !c->A_PrstClr())
    c->Create_SchemeClr()->SetVal(stscvAccent1);
}

TEG_ColorTransform& TXLSDrwColor::ColorTransform() {
  EnsureColor();
  TEG_ColorChoice* c = FColorChoice;
  if (c->A_ScrgbClr()) return *c->A_ScrgbClr()->A_EG_ColorTransform();
  if (c->A_SrgbClr()) return *c->A_SrgbClr()->A_EG_ColorTransform();
  if (c->A_HslClr()) return *c->A_HslClr()->A_EG_ColorTransform();
  if (c->A_SysClr()) return *c->A_SysClr()->A_EG_ColorTransform();
  if (c->A_SchemeClr()) return *c->A_SchemeClr()->A_EG_ColorTransform();
  return *c->A_PrstClr()->A_EG_ColorTransform();
}

TXLSDrwColorType TXLSDrwColor::ColorType() {
  EnsureColor();
  TEG_ColorChoice* c = FColorChoice;
  if (c->A_ScrgbClr() || c->A_SrgbClr()) return xdctRGB;
  if (c->A_HslClr()) return xdctHSL;
  if (c->A_PrstClr()) return xdctPreset;
  if (c->A_SchemeClr()) return xdctScheme;
  return xdctSystem;
}

uint32_t TXLSDrwColor::AsRGB() {
  EnsureColor();
  TEG_ColorChoice* c = FColorChoice;
  uint32_t rgb = 0;
  if (c->A_SrgbClr())
    rgb = uint32_t(c->A_SrgbClr()->Val()) & 0xFFFFFF;
  else if (c->A_ScrgbClr())
    rgb = c->A_ScrgbClr()->RGB();
  else if (c->A_HslClr())
    rgb = HSLToRGB(c->A_HslClr()->HSL());
  else if (c->A_SysClr())
    rgb = kws::SystemWindowColor();
  else if (c->A_PrstClr())
    rgb = 0xFFFFFF;
  else if (c->A_SchemeClr())
    rgb = SchemeRGB(c->A_SchemeClr()->Val());
  const TEG_ColorTransform& t = ColorTransform();
  return t.Count() > 0 ? t.Apply(rgb) : rgb;
}

void TXLSDrwColor::SetAsRGB(uint32_t rgb) { FColorChoice->Create_SrgbClr()->SetVal(int32_t(rgb & 0xFFFFFF)); }

uint32_t TXLSDrwColor::AsARGB() {
  const uint32_t alpha = uint32_t(ToElementInt(Transparency() * 255.0)) & 0xFF;
  return AsRGB() | alpha << 24;
}

void TXLSDrwColor::SetAsARGB(uint32_t argb) {
  SetTransparency((argb >> 24) / 255.0);
  if (TCT_SRgbColor* s = FColorChoice->A_SrgbClr())
    s->SetVal(int32_t(argb & 0xFFFFFF));
  else if (TCT_ScRgbColor* sc = FColorChoice->A_ScrgbClr())
    sc->SetRGB(argb & 0xFFFFFF);
}

uint32_t TXLSDrwColor::AsHSL() {
  if (!FColorChoice->A_HslClr()) throw XLSRWException("Color is not HSL");
  return FColorChoice->A_HslClr()->HSL();
}

void TXLSDrwColor::SetAsHSL(uint32_t hsl) { FColorChoice->Create_HslClr()->SetHSL(hsl); }

TST_SystemColorVal TXLSDrwColor::AsSystem() {
  if (!FColorChoice->A_SysClr()) throw XLSRWException("Color is not System");
  return FColorChoice->A_SysClr()->Val();
}

void TXLSDrwColor::SetAsSystem(TST_SystemColorVal v) { FColorChoice->Create_SysClr()->SetVal(v); }

TST_SchemeColorVal TXLSDrwColor::AsScheme() {
  EnsureColor();
  if (!FColorChoice->A_SchemeClr()) throw XLSRWException("Color is not Scheme");
  return FColorChoice->A_SchemeClr()->Val();
}

void TXLSDrwColor::SetAsScheme(TST_SchemeColorVal v) { FColorChoice->Create_SchemeClr()->SetVal(v); }

TST_PresetColorVal TXLSDrwColor::AsPreset() {
  if (!FColorChoice->A_PrstClr()) throw XLSRWException("Color is not Preset");
  return FColorChoice->A_PrstClr()->Val();
}

void TXLSDrwColor::SetAsPreset(TST_PresetColorVal v) { FColorChoice->Create_PrstClr()->SetVal(v); }

double TXLSDrwColor::Transparency() {
  const double a = ColorTransform().GetAsDouble("alpha");
  return std::isnan(a) ? 0.0 : a / kPercent;
}

void TXLSDrwColor::SetTransparency(double value) {
  ColorTransform().SetAsDouble("alpha", ClampFloat(value, 0.0, 1.0) * kPercent);
}

// ---- fills ----------------------------------------------------------------------------------

TXLSDrwFillSolid::TXLSDrwFillSolid(TCT_SolidColorFillProperties* fill)
    : FColor(std::make_unique<TXLSDrwColor>(fill->A_EG_ColorChoice())), FFill(fill) {}

TXLSDrwFillGradientStop::TXLSDrwFillGradientStop(TCT_GradientStop* stop)
    : FStop(stop), FColor(std::make_unique<TXLSDrwColor>(stop->A_EG_ColorChoice())) {}

double TXLSDrwFillGradientStop::StopPosition() const { return FStop->Pos() / kPercent; }

void TXLSDrwFillGradientStop::SetStopPosition(double value) { FStop->SetPos(ToElementInt(value * kPercent)); }

TXLSDrwFillGradientStops::TXLSDrwFillGradientStops(TCT_GradientStopList* list) : FGSList(list) {
  for (const auto& stop : *list->A_GsXpgList()) FItems.push_back(std::make_unique<TXLSDrwFillGradientStop>(stop.get()));
  if (FItems.size() < 2) Clear();
}

void TXLSDrwFillGradientStops::Clear() {
  FItems.clear();
  FGSList->Clear();
  TXLSDrwFillGradientStop* first = Add();
  first->SetStopPosition(0);
  first->Color().SetAsRGB(0x0000FF);
  TXLSDrwFillGradientStop* last = Add();
  last->SetStopPosition(1);
  last->Color().SetAsRGB(0xA0A0FF);
}

TXLSDrwFillGradientStop* TXLSDrwFillGradientStops::Add() {
  FItems.push_back(std::make_unique<TXLSDrwFillGradientStop>(FGSList->A_GsXpgList()->Add()));
  return FItems.back().get();
}

TXLSDrwFillGradientStop* TXLSDrwFillGradientStops::GetItems(int index) const {
  if (index < 0 || index >= Count()) XpgListIndexError(index);
  return FItems[size_t(index)].get();
}

TXLSDrwFillGradient::TXLSDrwFillGradient(TCT_GradientFillProperties* fill)
    : FFill(fill), FStops(std::make_unique<TXLSDrwFillGradientStops>(fill->A_GsLst())) {}

TXLSDrwGradientFillType TXLSDrwFillGradient::GradientType() {
  TEG_ShadeProperties* shade = FFill->A_EG_ShadeProperties();
  if (shade->A_Lin()) return xdgftLinear;
  if (TCT_PathShadeProperties* p = shade->A_Path()) {
    if (p->Path() == stpstCircle) return xdgftRadial;
    if (p->Path() == stpstRect) return xdgftRectangular;
    return xdgftPath;
  }
  shade->Create_Lin();
  return xdgftLinear;
}

void TXLSDrwFillGradient::SetGradientType(TXLSDrwGradientFillType type) {
  if (type == GradientType()) return;
  TEG_ShadeProperties* shade = FFill->A_EG_ShadeProperties();
  shade->Clear();
  switch (type) {
    case xdgftLinear:
      FFill->Free_TileRect();
      shade->Create_Lin();
      break;
    case xdgftRadial:
      shade->Create_Path()->SetPath(stpstCircle);
      break;
    case xdgftRectangular:
      shade->Create_Path()->SetPath(stpstRect);
      break;
    case xdgftPath:
      shade->Create_Path()->SetPath(stpstShape);
      break;
  }
}

namespace {
// Per direction: the linear angle in degrees and the path shading's rectangles (l, t, r, b).
struct TDirectionRow {
  TXLSDrwGradientFillDirection dir;
  int angle;
  int32_t fill[4];
  int32_t tile[4];
};
constexpr int32_t P = 100000, H = 50000;
// In the order a direction is read back: top left, top right, bottom left, bottom right, centre.
constexpr TDirectionRow kDirections[] = {
    {xdgfdTopLeft, 45, {P, 0, 0, P}, {0, -P, -P, 0}},
    {xdgfdTopRight, 135, {0, 0, P, P}, {-P, -P, 0, 0}},
    {xdgfdBottomLeft, 315, {0, P, P, 0}, {-P, 0, 0, -P}},
    {xdgfdBottomRight, 225, {P, P, 0, 0}, {0, 0, -P, -P}},
    {xdgfdCentre, 0, {H, H, H, H}, {0, 0, 0, 0}},
};
const TDirectionRow* DirectionRow(TXLSDrwGradientFillDirection d) {
  for (const TDirectionRow& r : kDirections)
    if (r.dir == d) return &r;
  return nullptr;
}
bool RectIs(const TCT_RelativeRect* r, const int32_t (&v)[4]) {
  if (!r) return v[0] == 0 && v[1] == 0 && v[2] == 0 && v[3] == 0;
  return r->Equal(v[0], v[2], v[1], v[3]);
}
}  // namespace

TXLSDrwGradientFillDirection TXLSDrwFillGradient::Direction() {
  const TCT_PathShadeProperties* p = FFill->A_EG_ShadeProperties()->A_Path();
  if (!p || (p->Path() != stpstCircle && p->Path() != stpstRect) || !p->A_FillToRect()) return xdgfdNone;
  for (const TDirectionRow& r : kDirections)
    if (RectIs(p->A_FillToRect(), r.fill) && RectIs(FFill->A_TileRect(), r.tile)) return r.dir;
  return xdgfdNone;
}

void TXLSDrwFillGradient::SetDirection(TXLSDrwGradientFillDirection direction) {
  const TDirectionRow* row = DirectionRow(direction);
  TEG_ShadeProperties* shade = FFill->A_EG_ShadeProperties();
  const TXLSDrwGradientFillType type = GradientType();
  if (type == xdgftPath) return;
  if (type == xdgftLinear) {
    if (row) shade->Create_Lin()->SetAng(ToElementInt(row->angle * kAngle));
    return;
  }
  // Radial or rectangular: the path shading is made again with its kind kept, so that the
  // direction reads back.
  const TST_PathShadeType kind = shade->A_Path()->Path();
  shade->Clear();
  TCT_PathShadeProperties* path = shade->Create_Path();
  path->SetPath(kind);
  TCT_RelativeRect* fillTo = path->Create_FillToRect();
  if (!row) {  // none: no rectangles, no shading
    FFill->Free_TileRect();
    shade->Clear();
    return;
  }
  fillTo->SetValues(row->fill[0], row->fill[2], row->fill[1], row->fill[3]);
  if (direction == xdgfdCentre)
    FFill->Free_TileRect();
  else
    FFill->Create_TileRect()->SetValues(row->tile[0], row->tile[2], row->tile[1], row->tile[3]);
}

double TXLSDrwFillGradient::Angle() const {
  const TCT_LinearShadeProperties* lin = FFill->A_EG_ShadeProperties()->A_Lin();
  return lin ? lin->Ang() / kAngle : 0.0;
}

void TXLSDrwFillGradient::SetAngle(double degrees) {
  if (TCT_LinearShadeProperties* lin = FFill->A_EG_ShadeProperties()->A_Lin())
    lin->SetAng(ToElementInt(degrees * kAngle));
}

double TXLSDrwFillPictStretchOpts::OffsetLeft() const { return FStretch->A_FillRect()->L() / kPercent; }
double TXLSDrwFillPictStretchOpts::OffsetRight() const { return FStretch->A_FillRect()->R() / kPercent; }
double TXLSDrwFillPictStretchOpts::OffsetTop() const { return FStretch->A_FillRect()->T() / kPercent; }
double TXLSDrwFillPictStretchOpts::OffsetBottom() const { return FStretch->A_FillRect()->B() / kPercent; }
void TXLSDrwFillPictStretchOpts::SetOffsetLeft(double v) { FStretch->A_FillRect()->SetL(ToElementInt(v * kPercent)); }
void TXLSDrwFillPictStretchOpts::SetOffsetRight(double v) { FStretch->A_FillRect()->SetR(ToElementInt(v * kPercent)); }
void TXLSDrwFillPictStretchOpts::SetOffsetTop(double v) { FStretch->A_FillRect()->SetT(ToElementInt(v * kPercent)); }
void TXLSDrwFillPictStretchOpts::SetOffsetBottom(double v) {
  FStretch->A_FillRect()->SetB(ToElementInt(v * kPercent));
}

double TXLSDrwFillPictTileOpts::OffsetX() const { return FTile->Tx() / kEmuPerPoint; }
double TXLSDrwFillPictTileOpts::OffsetY() const { return FTile->Ty() / kEmuPerPoint; }
void TXLSDrwFillPictTileOpts::SetOffsetX(double points) { FTile->SetTx(ToElementInt(points * kEmuPerPoint)); }
void TXLSDrwFillPictTileOpts::SetOffsetY(double points) { FTile->SetTy(ToElementInt(points * kEmuPerPoint)); }
double TXLSDrwFillPictTileOpts::ScaleX() const { return FTile->Sx() / kPercent; }
double TXLSDrwFillPictTileOpts::ScaleY() const { return FTile->Sy() / kPercent; }
void TXLSDrwFillPictTileOpts::SetScaleX(double v) { FTile->SetSx(ToElementInt(v * kPercent)); }
void TXLSDrwFillPictTileOpts::SetScaleY(double v) { FTile->SetSy(ToElementInt(v * kPercent)); }

TXLSDrwFillPicture::TXLSDrwFillPicture(TCT_BlipFillProperties* fill) : FBlip(fill) {
  fill->Create_Blip();
  TEG_FillModeProperties* mode = fill->A_EG_FillModeProperties();
  if (mode->A_Stretch())
    FStretch = std::make_unique<TXLSDrwFillPictStretchOpts>(mode->A_Stretch());
  else
    FTile = std::make_unique<TXLSDrwFillPictTileOpts>(mode->Create_Tile());
}

void TXLSDrwFillPicture::SetTilePicture(bool tile) {
  TEG_FillModeProperties* mode = FBlip->A_EG_FillModeProperties();
  if (tile && !FTile) {
    FStretch.reset();
    FTile = std::make_unique<TXLSDrwFillPictTileOpts>(mode->Create_Tile());
  } else if (!tile && !FStretch) {
    FTile.reset();
    FStretch = std::make_unique<TXLSDrwFillPictStretchOpts>(mode->Create_Stretch());
  }
}

double TXLSDrwFillPicture::Transparency() const {
  const TCT_AlphaModulateFixedEffect* a = FBlip->Create_Blip()->A_AlphaModFix();
  return a ? a->Amt() / kPercent : 0.0;
}

void TXLSDrwFillPicture::SetTransparency(double value) {
  TCT_Blip* blip = FBlip->Create_Blip();
  if (value > 0 || std::isnan(value))
    blip->Create_AlphaModFix()->SetAmt(ToElementInt(ClampFloat(value, 0.0, 1.0) * kPercent));
  else
    blip->Free_AlphaModFix();
}

double TXLSDrwFillPicture::Brightness() const {
  const TCT_LuminanceEffect* l = FBlip->Create_Blip()->A_Lum();
  return l ? l->Bright() / kPercent : 0.0;
}

double TXLSDrwFillPicture::Contrast() const {
  const TCT_LuminanceEffect* l = FBlip->Create_Blip()->A_Lum();
  return l ? l->Contrast() / kPercent : 0.0;
}

void TXLSDrwFillPicture::SetBrightness(double value) {
  TCT_Blip* blip = FBlip->Create_Blip();
  TCT_LuminanceEffect* l = blip->Create_Lum();
  l->SetBright(ToElementInt(value * kPercent));
  if (l->Bright() == 0 && l->Contrast() == 0) blip->Free_Lum();
}

void TXLSDrwFillPicture::SetContrast(double value) {
  TCT_Blip* blip = FBlip->Create_Blip();
  TCT_LuminanceEffect* l = blip->Create_Lum();
  l->SetContrast(ToElementInt(value * kPercent));
  if (l->Bright() == 0 && l->Contrast() == 0) blip->Free_Lum();
}

TXLSDrwFillChoice::TXLSDrwFillChoice(TEG_FillProperties* choice) : FFillChoice(choice) {
  if (choice->A_SolidFill())
    Wrap(xdftSolid);
  else if (choice->A_GradFill())
    Wrap(xdftGradient);
  else if (choice->A_BlipFill())
    Wrap(xdftPicture);
  else if (choice->A_NoFill())
    Wrap(xdftNone);
  else
    Wrap(xdftAutomatic);
}

void TXLSDrwFillChoice::Wrap(TXLSDrwFillType type) {
  switch (type) {
    case xdftNone:
      FFill = std::make_unique<TXLSDrwFillNone>(FFillChoice->Create_NoFill());
      break;
    case xdftSolid:
      FFill = std::make_unique<TXLSDrwFillSolid>(FFillChoice->Create_SolidFill());
      break;
    case xdftGradient:
      FFill = std::make_unique<TXLSDrwFillGradient>(FFillChoice->Create_GradFill());
      break;
    case xdftPicture:
      FFill = std::make_unique<TXLSDrwFillPicture>(FFillChoice->Create_BlipFill());
      break;
    case xdftAutomatic:
      FFill = std::make_unique<TXLSDrwFillAutomatic>();
      break;
  }
}

void TXLSDrwFillChoice::SetFillType(TXLSDrwFillType type) {
  if (FFill && FFill->FillType() == type) return;
  FFill.reset();
  Wrap(type);
}

TXLSDrwFillNone& TXLSDrwFillChoice::AsNone() const {
  if (FFill->FillType() != xdftNone) throw XLSRWException("Fill is not None Fill");
  return static_cast<TXLSDrwFillNone&>(*FFill);
}

TXLSDrwFillSolid& TXLSDrwFillChoice::AsSolid() const {
  if (FFill->FillType() != xdftSolid) throw XLSRWException("Fill is not Solid Fill");
  return static_cast<TXLSDrwFillSolid&>(*FFill);
}

TXLSDrwFillGradient& TXLSDrwFillChoice::AsGradient() const {
  if (FFill->FillType() != xdftGradient) throw XLSRWException("Fill is not Gradient Fill");
  return static_cast<TXLSDrwFillGradient&>(*FFill);
}

TXLSDrwFillPicture& TXLSDrwFillChoice::AsPicture() const {
  if (FFill->FillType() != xdftPicture) throw XLSRWException("Fill is not Pictuer Fill");
  return static_cast<TXLSDrwFillPicture&>(*FFill);
}

// ---- lines ----------------------------------------------------------------------------------

TXLSDrwLineStyle::TXLSDrwLineStyle(TCT_LineProperties* line, bool isOpenLine)
    : FLineStyle(line), FIsOpenLine(isOpenLine) {
  if (!line->A_EG_LineFillProperties()->A_NoFill())
    FFill = std::make_unique<TXLSDrwFillChoice>(line->A_EG_LineFillProperties());
}

double TXLSDrwLineStyle::Width() const { return FLineStyle->W() / kEmuPerPoint; }

void TXLSDrwLineStyle::SetWidth(double points) { FLineStyle->SetW(ToElementInt(points * kEmuPerPoint)); }

TST_PresetLineDashVal TXLSDrwLineStyle::DashType() const {
  const TCT_PresetLineDashProperties* d = FLineStyle->A_EG_LineDashProperties()->A_PrstDash();
  return d ? d->Val() : stpldvSolid;
}

void TXLSDrwLineStyle::SetDashType(TST_PresetLineDashVal v) {
  FLineStyle->A_EG_LineDashProperties()->Create_PrstDash()->SetVal(v);
}

TXLSDrwLineJoinType TXLSDrwLineStyle::JoinType() const {
  const TEG_LineJoinProperties* j = FLineStyle->A_EG_LineJoinProperties();
  if (j->A_Round()) return xdljtRound;
  if (j->A_Bevel()) return xdljtBevel;
  if (j->A_Miter()) return xdljtMiter;
  return xdljtNone;
}

void TXLSDrwLineStyle::SetJoinType(TXLSDrwLineJoinType v) {
  TEG_LineJoinProperties* j = FLineStyle->A_EG_LineJoinProperties();
  switch (v) {
    case xdljtNone:
      j->Clear();
      break;
    case xdljtRound:
      j->Create_Round();
      break;
    case xdljtBevel:
      j->Create_Bevel();
      break;
    case xdljtMiter:
      j->Create_Miter();
      break;
  }
}

void TXLSDrwLineStyle::SetHasBeginArrow(bool value) {
  if (!FIsOpenLine) throw XLSRWException("This line can not have arrows");
  if (value && !FBeginArrow) {
    FBeginArrow = std::make_unique<TXLSDrwLineEndStyle>(FLineStyle->Create_HeadEnd());
  } else if (!value && FBeginArrow) {
    FBeginArrow.reset();
    FLineStyle->Free_HeadEnd();
  }
}

void TXLSDrwLineStyle::SetHasEndArrow(bool value) {
  if (!FIsOpenLine) throw XLSRWException("This line can not have arrows");
  if (value && !FEndArrow) {
    FEndArrow = std::make_unique<TXLSDrwLineEndStyle>(FLineStyle->Create_TailEnd());
  } else if (!value && FEndArrow) {
    FEndArrow.reset();
    FLineStyle->Free_TailEnd();
  }
}

TXLSDrwShapeProperies::TXLSDrwShapeProperies(TCT_ShapeProperties* spPr)
    : FSpPr(spPr), FFill(std::make_unique<TXLSDrwFillChoice>(spPr->A_EG_FillProperties())) {
  if (spPr->A_Ln()) FLine = std::make_unique<TXLSDrwLineStyle>(spPr->A_Ln(), false);
}

TXLSDrwShapeProperies::TXLSDrwShapeProperies(std::unique_ptr<TCT_ShapeProperties> ownSpPr)
    : TXLSDrwShapeProperies(ownSpPr.get()) {
  FOwnedSpPr = std::move(ownSpPr);
}

TXLSDrwShapeProperies::~TXLSDrwShapeProperies() = default;

void TXLSDrwShapeProperies::SetHasLine(bool value) {
  if (value && !FLine) {
    FLine = std::make_unique<TXLSDrwLineStyle>(FSpPr->Create_Ln(), false);
  } else if (!value && FLine) {
    FLine.reset();
    FSpPr->Free_Ln();
  }
}

// ---- text -----------------------------------------------------------------------------------

TXLSDrwTextFont::TXLSDrwTextFont(TCT_TextCharacterProperties* props) : FProps(props) {
  if (!FProps) {
    FOwnProps = std::make_unique<TCT_TextCharacterProperties>(nullptr);
    FProps = FOwnProps.get();
  }
}

TXLSDrwTextFont::~TXLSDrwTextFont() {
  TEG_FillProperties* fill = FProps->A_EG_FillProperties();
  if (fill->CheckAssigned() < 1) fill->Clear();
}

std::u16string TXLSDrwTextFont::Name() const { return FProps->A_Latin() ? FProps->A_Latin()->Typeface() : u""; }

void TXLSDrwTextFont::SetName(std::u16string_view name) { FProps->Create_Latin()->SetTypeface(name); }

double TXLSDrwTextFont::Size() const { return FProps->Sz() / 100.0; }

void TXLSDrwTextFont::SetSize(double points) { FProps->SetSz(ToElementInt(points * 100.0)); }

void TXLSDrwTextFont::SetColor(uint32_t color) {
  FColor = color;
  TXLSDrwColor(FProps->A_EG_FillProperties()->Create_SolidFill()->A_EG_ColorChoice()).SetAsTColor(color);
}

TXLSDrwTextRun::TXLSDrwTextRun(TEG_TextRun* run, bool withFont) : FRun(run) {
  if (!withFont) return;
  if (run->A_R())
    FFont = std::make_unique<TXLSDrwTextFont>(run->A_R()->Create_RPr());
  else if (run->A_Br())
    FFont = std::make_unique<TXLSDrwTextFont>(run->A_Br()->Create_RPr());
}

TXLSDrwTextRun::~TXLSDrwTextRun() = default;

std::u16string TextRunText(const TEG_TextRun& run) {
  if (run.A_R()) return run.A_R()->A_T();
  if (run.A_Br()) return u"\r";
  return u"";
}

std::u16string TextBodyText(const TCT_TextBody& body) {
  std::u16string s;
  if (!body.A_PXpgList()) return s;
  bool first = true;
  for (const auto& p : *body.A_PXpgList()) {
    if (!first) s += u'\r';
    first = false;
    for (const auto& r : *p->A_EG_TextRuns()) s += TextRunText(*r);
  }
  return s;
}

std::u16string TXLSDrwTextRun::Text() const { return TextRunText(*FRun); }

void TXLSDrwTextRun::SetText(std::u16string_view text) {
  // The run properties move between the run and the break, so the font stays over them; a
  // field's conversion drops the field and gives no font to keep.
  if (!text.empty() && text[0] == u'\r') {
    if (FRun->A_R()) FRun->ConvertToBreak();
    FRun->Create_Br();
  } else {
    if (FRun->A_Br()) FRun->ConvertToRun();
    FRun->Create_R()->SetA_T(text);
  }
}

TXLSDrwTextRuns::TXLSDrwTextRuns(TXLSDrwTextPara* parent, TEG_TextRunXpgList* runs) : FParent(parent), FRuns(runs) {
  for (const auto& r : *runs) FItems.push_back(std::make_unique<TXLSDrwTextRun>(r.get()));
}

TXLSDrwTextRuns::~TXLSDrwTextRuns() = default;

void TXLSDrwTextRuns::Clear() {
  FItems.clear();
  FRuns->Clear();
}

TXLSDrwTextRun* TXLSDrwTextRuns::GetItems(int index) const {
  if (index < 0 || index >= Count()) XpgListIndexError(index);
  return FItems[size_t(index)].get();
}

TXLSDrwTextRun* TXLSDrwTextRuns::AddText(std::u16string_view text) {
  const TXLSDrwTextFont* font = FParent && FParent->Parent() ? FParent->Parent()->LastFont() : nullptr;
  TEG_TextRun* item = FRuns->Add();
  TCT_RegularTextRun* run = item->Create_R();
  run->SetA_T(text);
  if (font) run->Create_RPr()->AssignFont(*font->Props());
  FItems.push_back(std::make_unique<TXLSDrwTextRun>(item, false));
  return FItems.back().get();
}

TXLSDrwTextPara::TXLSDrwTextPara(TXLSDrwTextParas* parent, TCT_TextParagraph* para)
    : FParent(parent), FPara(para), FRuns(std::make_unique<TXLSDrwTextRuns>(this, para->A_EG_TextRuns())) {}

TXLSDrwTextPara::~TXLSDrwTextPara() = default;

std::u16string TXLSDrwTextPara::PlainText() const {
  std::u16string s;
  for (int i = 0; i < FRuns->Count(); ++i) s += FRuns->GetItems(i)->Text();
  return s;
}

void TXLSDrwTextPara::SetPlainText(std::u16string_view text) {
  Clear();
  FRuns->AddText(text);
}

TXLSDrwTextAlign TXLSDrwTextPara::Align() const {
  return FPara->A_PPr() ? TXLSDrwTextAlign(FPara->A_PPr()->Algn()) : xdtaLeft;
}

void TXLSDrwTextPara::SetAlign(TXLSDrwTextAlign align) { FPara->Create_PPr()->SetAlgn(TST_TextAlignType(align)); }

void TXLSDrwTextPara::Clear() {
  FRuns->Clear();
  FPara->Clear();
}

TXLSDrwTextParas::TXLSDrwTextParas(TXLSDrwTextBody* parent, TCT_TextParagraphXpgList* paras)
    : FParent(parent), FParas(paras) {
  for (const auto& p : *paras) FItems.push_back(std::make_unique<TXLSDrwTextPara>(this, p.get()));
}

TXLSDrwTextParas::~TXLSDrwTextParas() = default;

void TXLSDrwTextParas::Clear() {
  FItems.clear();
  FParas->Clear();
}

TXLSDrwTextPara* TXLSDrwTextParas::GetItems(int index) const {
  if (index < 0 || index >= Count()) XpgListIndexError(index);
  return FItems[size_t(index)].get();
}

TXLSDrwTextPara* TXLSDrwTextParas::Add() {
  FItems.push_back(std::make_unique<TXLSDrwTextPara>(this, FParas->Add()));
  return FItems.back().get();
}

TXLSDrwTextFont* TXLSDrwTextParas::LastFont() const {
  TXLSDrwTextFont* font = nullptr;
  for (const auto& p : FItems)
    for (int i = 0; i < p->Runs().Count(); ++i)
      if (TXLSDrwTextFont* f = p->Runs().GetItems(i)->Font()) font = f;
  if (!font && FParent && FParent->DefaultFont().Assigned()) font = &FParent->DefaultFont();
  return font;
}

TXLSDrwTextBody::TXLSDrwTextBody(TCT_TextBody* body)
    : FBody(body),
      FDefaultFont(std::make_unique<TXLSDrwTextFont>()),
      FParas(std::make_unique<TXLSDrwTextParas>(this, body->Create_Paras())) {}

TXLSDrwTextBody::~TXLSDrwTextBody() = default;

std::u16string TXLSDrwTextBody::PlainText() const { return TextBodyText(*FBody); }

void TXLSDrwTextBody::SetPlainText(std::u16string_view text) {
  FParas->Clear();
  FParas->Add()->SetPlainText(text);
}

}  // namespace xls
