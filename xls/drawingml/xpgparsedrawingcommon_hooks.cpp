// Hand-written parts of the DrawingML common unit: the runtime additions of xpgdrawingbase.h,
// the colour conversions, extensions, fill and fill-mode operations and the binding of a picture
// to the workbook's image store.
#include <cmath>
#include <limits>

#include "xls/drawingml/xpgparsedrawingcommon.h"
#include "xls/model/xlscellarea.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsimages.h"
#include "xls/model/xlsutils.h"
#include "xls/package/xlspackageopc.h"
#include "xls/package/xpgvalues.h"

namespace xls::xpgdml {

void TXPGDrawingDocBase::ChargeElement() {
  if (FGrManager)
    FGrManager->DrawingBudget().Charge();
  else
    FBudget->Charge();
}

void StrToAdjValue(std::u16string_view text, TST_AdjValue& value) {
  if (text.empty()) return;
  int32_t v = 0;
  if (TryXmlStrToInt(text, v)) {
    value.Val1 = v;
    value.nVal = 0;
  } else {
    value.Val2 = std::u16string(text);
    value.nVal = 1;
  }
}

// Foreign elements ----------------------------------------------------------------------------

TXPGBase* TXPGAnyElement::HandleElement(TXPGReader& reader) {
  (void)reader;
  return this;
}

void TXPGAnyElement::AssignAttributes(const TXpgXMLAttributeList& attributes) {
  for (int i = 0; i < attributes.Count(); ++i)
    FAttributes.emplace_back(attributes.GetAttributes(i), attributes.GetValues(i));
}

TXPGAnyElement* TXPGAnyElements::Add(std::u16string_view elementName, std::u16string_view content) {
  FItems.push_back(std::make_unique<TXPGAnyElement>(FOwner));
  TXPGAnyElement* e = FItems.back().get();
  e->FElementName = elementName;
  e->FContent = content;
  return e;
}

TXPGBase* TCT_OfficeArtExtension::HandleElement(TXPGReader& r) {
  return FAnyElements.Add(r.QName(), r.HasText() ? std::u16string_view(r.Text()) : std::u16string_view());
}

int TCT_OfficeArtExtension::CheckAssigned() { return CheckAssignedGenerated() + FAnyElements.Count(); }

// Colour transforms ---------------------------------------------------------------------------

namespace {
constexpr std::string_view kTransformNames[] = {
    "red",     "hue",     "sat",      "inv",      "lum",      "blue",     "comp",
    "gray",    "tint",    "gamma",    "shade",    "alpha",    "green",    "redOff",
    "redMod",  "hueOff",  "hueMod",   "satOff",   "satMod",   "lumOff",   "lumMod",
    "blueOff", "blueMod", "alphaOff", "alphaMod", "greenOff", "invGamma", "greenMod"};

bool IsTransformName(std::string_view name) {
  for (std::string_view n : kTransformNames)
    if (n == name) return true;
  return false;
}
}  // namespace

int TEG_ColorTransform::CheckAssigned() {
  FAssigneds = FItems.empty() ? 0 : xaElements;
  return Count();
}

TXPGBase* TEG_ColorTransform::HandleElement(TXPGReader& r) {
  if (!r.InNs(TXpgNs::DrawingML) || !IsTransformName(r.RawLocalName())) return nullptr;
  const TXpgXMLAttributeList& a = r.Attributes();
  for (int i = 0; i < a.Count(); ++i) {
    if (a.IsNsDecl(i)) continue;
    if (a.Is(i, TXpgNs::None, "val"))
      Add(r.RawLocalName(), XpgToInt(a.ValueBytes(i)));
    else
      ReportAttribute(a, i);
  }
  FAssigneds = xaRead;
  return TXPGReader::SkipSilently();
}

int TEG_ColorTransform::Find(std::string_view name) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].Name == name) return static_cast<int>(i);
  return -1;
}

double TEG_ColorTransform::GetAsDouble(std::string_view name) const {
  const int i = Find(name);
  return i < 0 ? std::numeric_limits<double>::quiet_NaN() : double(FItems[i].Value);
}

void TEG_ColorTransform::SetAsDouble(std::string_view name, double value) {
  const double r = std::nearbyint(value);
  const int32_t v = r >= 2147483647.0    ? 2147483647
                    : r <= -2147483648.0 ? INT32_MIN
                                         : int32_t(std::isnan(r) ? 0 : r);
  const int i = Find(name);
  if (i < 0)
    Add(name, v);
  else
    FItems[i].Value = v;
}

uint32_t TEG_ColorTransform::Apply(uint32_t rgb) const {
  // Without a hue, saturation or luminance entry the colour stays as it is (the conversion
  // through HSL bytes would shift it slightly).
  bool any = false;
  for (const TItem& it : FItems) {
    const std::string_view n = it.Name;
    any |= n.starts_with("hue") || n.starts_with("sat") || (n.starts_with("lum"));
  }
  if (!any) return rgb;
  double h = 0, l = 0, s = 0;
  RGBToHSLFloat(rgb, h, l, s);
  constexpr double kDegrees = 21600000.0;  // a full circle in 60000ths of a degree
  for (const TItem& it : FItems) {
    const double pct = it.Value / 100000.0;
    const std::string_view n = it.Name;
    if (n == "hue")
      h = it.Value / kDegrees;
    else if (n == "hueOff")
      h += it.Value / kDegrees;
    else if (n == "hueMod")
      h *= pct;
    else if (n == "sat")
      s = pct;
    else if (n == "satOff")
      s += pct;
    else if (n == "satMod")
      s *= pct;
    else if (n == "lum")
      l = pct;
    else if (n == "lumOff")
      l += pct;
    else if (n == "lumMod")
      l *= pct;
  }
  h = std::isfinite(h) ? h - std::floor(h) : 0.0;
  return HSLFloatToRGB(h, ClampFloat(l, 0.0, 1.0), ClampFloat(s, 0.0, 1.0));
}

// Colours -------------------------------------------------------------------------------------

namespace {
// A part in 1/1000 percent as a byte (0..255), rounded; out-of-range parts are clamped.
uint32_t PartToByte(int32_t v, double full) {
  const double b = std::nearbyint(ClampFloat(v / full, 0.0, 1.0) * 255.0);
  return uint32_t(b);
}
int32_t ByteToPart(uint32_t b, double full) { return int32_t(std::nearbyint((b & 0xFF) * full / 255.0)); }
}  // namespace

uint32_t TCT_ScRgbColor::RGB() const {
  return PartToByte(FR, 100000.0) << 16 | PartToByte(FG, 100000.0) << 8 | PartToByte(FB, 100000.0);
}

void TCT_ScRgbColor::SetRGB(uint32_t rgb) {
  FR = ByteToPart(rgb >> 16, 100000.0);
  FG = ByteToPart(rgb >> 8, 100000.0);
  FB = ByteToPart(rgb, 100000.0);
}

uint32_t TCT_HslColor::HSL() const {
  return PartToByte(FHue, 21600000.0) << 16 | PartToByte(FSat, 100000.0) << 8 | PartToByte(FLum, 100000.0);
}

void TCT_HslColor::SetHSL(uint32_t hsl) {
  FHue = ByteToPart(hsl >> 16, 21600000.0);
  FSat = ByteToPart(hsl >> 8, 100000.0);
  FLum = ByteToPart(hsl, 100000.0);
}

// Fills ---------------------------------------------------------------------------------------

int TCT_NoFillProperties::CheckAssigned() { return 0; }
int TCT_GroupFillProperties::CheckAssigned() { return 0; }

int TEG_FillProperties::CheckAssigned() {
  int n = FA_NoFill ? 1 : 0;
  for (TXPGBase* x : std::initializer_list<TXPGBase*>{FA_SolidFill.get(), FA_GradFill.get(),
                                                      FA_BlipFill.get(), FA_PattFill.get(), FA_GrpFill.get()})
    if (x) n += x->CheckAssigned();
  FAssigneds = n > 0 ? xaElements : 0;
  return n;
}

TCT_TileInfoProperties* TEG_FillModeProperties::Create_Tile() {
  FA_Stretch.reset();
  if (!FA_Tile) FA_Tile = std::make_unique<TCT_TileInfoProperties>(FOwner);
  return FA_Tile.get();
}

TCT_StretchInfoProperties* TEG_FillModeProperties::Create_Stretch() {
  FA_Tile.reset();
  if (!FA_Stretch) FA_Stretch = std::make_unique<TCT_StretchInfoProperties>(FOwner);
  return FA_Stretch.get();
}

// A picture counts its bound image and its effects (its identifiers are no content of their own).
int TCT_Blip::CheckAssigned() {
  const int n = CheckAssignedGenerated() + (FImage ? 1 : 0);
  if (FImage) FAssigneds |= xaAttributes;
  return n;
}

// A picture binds to the image the package reader registered for the sheet being read; only a
// sheet's drawing names the sheet's images (a chart's r:embed names the chart's relationships).
void TCT_Blip::AssignAttributes(const TXpgXMLAttributeList& a) {
  AssignAttributesGenerated(a);
  auto* doc = dynamic_cast<TXPGDrawingDocBase*>(FOwner);
  if (FR_Embed.empty() || !doc || doc->FKind != TXpgDrawingKind::SheetDrawing || !doc->FGrManager) return;
  TOPC_XLSX* opc = doc->FGrManager->FXLSOPC;
  if (!opc || !opc->FCurrSheet) return;
  FImage = doc->FGrManager->Images().FindByRId(opc->FCurrSheet->GetId(), FR_Embed);
}

}  // namespace xls::xpgdml

// Text ----------------------------------------------------------------------------------------

namespace xls::xpgdml {

void TCT_TextCharacterProperties::AssignFont(const TCT_TextCharacterProperties& source) {
  FSz = source.FSz;
  FB = source.FB;
  FI = source.FI;
  FU = source.FU;
  FStrike = source.FStrike;
  FKern = source.FKern;
  FCap = source.FCap;
  FSpc = source.FSpc;
  FNormalizeH = source.FNormalizeH;
  FBaseline = source.FBaseline;
  if (source.FA_Latin && !source.FA_Latin->Typeface().empty())
    Create_Latin()->SetTypeface(source.FA_Latin->Typeface());
}

std::unique_ptr<TCT_TextCharacterProperties> TCT_RegularTextRun::TakeRPr() { return std::move(FA_RPr); }
void TCT_RegularTextRun::SetRPr(std::unique_ptr<TCT_TextCharacterProperties> rPr) { FA_RPr = std::move(rPr); }
std::unique_ptr<TCT_TextCharacterProperties> TCT_TextLineBreak::TakeRPr() { return std::move(FA_RPr); }
void TCT_TextLineBreak::SetRPr(std::unique_ptr<TCT_TextCharacterProperties> rPr) { FA_RPr = std::move(rPr); }

void TEG_TextRun::ConvertToBreak() {
  if (FA_Br) return;
  std::unique_ptr<TCT_TextCharacterProperties> rPr = FA_R ? FA_R->TakeRPr() : nullptr;
  Clear();
  Create_Br()->SetRPr(std::move(rPr));
}

void TEG_TextRun::ConvertToRun() {
  if (FA_R) return;
  std::unique_ptr<TCT_TextCharacterProperties> rPr = FA_Br ? FA_Br->TakeRPr() : nullptr;
  Clear();
  Create_R()->SetRPr(std::move(rPr));
}

TCT_TextParagraphXpgList* TCT_TextBody::Create_Paras() {
  if (!FA_PXpgList) FA_PXpgList = std::make_unique<TCT_TextParagraphXpgList>(FOwner);
  return FA_PXpgList.get();
}

std::u16string TCT_TextBody::PlainText() const {
  std::u16string s;
  if (!FA_PXpgList) return s;
  for (const auto& p : *FA_PXpgList)
    for (const auto& item : *p->A_EG_TextRuns())
      if (const TCT_RegularTextRun* run = item->A_R()) s += run->A_T();
  return s;
}

void TCT_TextBody::SetPlainText(std::u16string_view text) {
  TCT_TextParagraphXpgList* paras = Create_Paras();
  paras->Clear();
  paras->Add()->A_EG_TextRuns()->Add()->Create_R()->SetA_T(text);
}

}  // namespace xls::xpgdml

namespace xls::xpgdml {

// A shape's non-visual part takes its two children in the namespace of its document: xdr: in a
// sheet's drawing, cdr: in a chart's user shapes (one class serves both).
TXPGBase* TCT_ShapeNonVisual::HandleElement(TXPGReader& r) {
  auto* doc = dynamic_cast<TXPGDrawingDocBase*>(FOwner);
  const TXpgNs ns = doc && doc->FNS == u"cdr" ? TXpgNs::ChartDrawing : TXpgNs::SpreadsheetDrawing;
  if (r.Is(ns, "cNvPr")) {
    if (!FCNvPr) FCNvPr = std::make_unique<TCT_NonVisualDrawingProps>(FOwner);
    return FCNvPr.get();
  }
  if (r.Is(ns, "cNvSpPr")) {
    if (!FCNvSpPr) FCNvSpPr = std::make_unique<TCT_NonVisualDrawingShapeProps>(FOwner);
    return FCNvSpPr.get();
  }
  return nullptr;
}

}  // namespace xls::xpgdml
