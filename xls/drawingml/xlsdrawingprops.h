// The drawing objects' view of DrawingML settings: small wrappers that sit on one element of a
// drawing's element tree and offer its colour, fill, line or text in plain units (colours as RGB
// or Windows colours with a transparency of 0..1, fills as one of five kinds, line widths in
// points, text as paragraphs and runs). Each wrapper writes every change straight into its
// element; the tree owns the elements, and a wrapper must not outlive it.
//
// Units: DrawingML percentages are thousandths of a percent (100000 = 1.0), angles 60000ths of a
// degree, line widths and tile offsets EMU (12700 a point), font sizes hundredths of a point.
// Every Double written into an element is rounded to the nearest integer, halves to even. Values
// the file did not give pass through the conversions as they are stored (2147483632 for an
// integer, 65535 for an enumeration).
//
// Design choices: a colour's transparency is its "alpha" transform in DrawingML's unit,
// alpha / 100000 (0..1), so a file's 50 % reads as 0.5; the scheme colours come from the default
// theme; every system colour reads as the platform's window colour.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xls/drawingml/xpgparsedrawingcommon.h"
#include "xls/model/xlsutils.h"

namespace xls {

using xpgdml::TCT_BlipFillProperties;
using xpgdml::TCT_GradientFillProperties;
using xpgdml::TCT_GradientStop;
using xpgdml::TCT_GradientStopList;
using xpgdml::TCT_LineEndProperties;
using xpgdml::TCT_LineProperties;
using xpgdml::TCT_NoFillProperties;
using xpgdml::TCT_ShapeProperties;
using xpgdml::TCT_SolidColorFillProperties;
using xpgdml::TCT_StretchInfoProperties;
using xpgdml::TCT_TextBody;
using xpgdml::TCT_TextCharacterProperties;
using xpgdml::TCT_TextParagraph;
using xpgdml::TCT_TextParagraphXpgList;
using xpgdml::TCT_TileInfoProperties;
using xpgdml::TEG_ColorChoice;
using xpgdml::TEG_ColorTransform;
using xpgdml::TEG_FillProperties;
using xpgdml::TEG_TextRun;
using xpgdml::TEG_TextRunXpgList;

enum TXLSDrwFillType : uint8_t { xdftNone, xdftSolid, xdftGradient, xdftPicture, xdftAutomatic };
enum TXLSDrwColorType : uint8_t { xdctRGB, xdctHSL, xdctSystem, xdctScheme, xdctPreset };
enum TXLSDrwGradientFillType : uint8_t { xdgftLinear, xdgftRadial, xdgftRectangular, xdgftPath };
enum TXLSDrwGradientFillDirection : uint8_t {
  xdgfdNone,
  xdgfdCentre,
  xdgfdTopLeft,
  xdgfdTopRight,
  xdgfdBottomLeft,
  xdgfdBottomRight
};
// The order of the tile flip modes none, x, y, xy (a flip not given reads as 65535).
enum TXLSDrwMirrorType : uint16_t { xdmtNone, xdmtHorizontal, xdmtVertical, xdmtBoth };
enum TXLSDrwLineJoinType : uint8_t { xdljtNone, xdljtRound, xdljtBevel, xdljtMiter };
// The order of the text alignment values l, ctr, r, just, justLow, dist (not given: 65535).
enum TXLSDrwTextAlign : uint16_t {
  xdtaLeft,
  xdtaCentre,
  xdtaRight,
  xdtaJustify,
  xdtaJustifyLow,
  xdtaDistributed
};

class TXLSDrwShapeProp {
 public:
  TXLSDrwShapeProp() = default;
  virtual ~TXLSDrwShapeProp() = default;
  TXLSDrwShapeProp(const TXLSDrwShapeProp&) = delete;
  TXLSDrwShapeProp& operator=(const TXLSDrwShapeProp&) = delete;
};

// A colour over a colour choice; a choice without a colour becomes the scheme colour accent1.
class TXLSDrwColor : public TXLSDrwShapeProp {
 public:
  explicit TXLSDrwColor(TEG_ColorChoice* choice);
  TXLSDrwColorType ColorType();
  // The colour as RGB after its transforms: sRGB and scRGB as stored, HSL converted, a system
  // colour the platform's window colour, a preset colour white, a scheme colour from the default
  // theme (bg1, bg2, phClr white; tx1, tx2 black).
  uint32_t AsRGB();
  // Makes the colour an sRGB colour holding `rgb`.
  void SetAsRGB(uint32_t rgb);
  uint32_t AsTColor() { return SwapRedBlue(AsRGB()); }
  void SetAsTColor(uint32_t color) { SetAsRGB(SwapRedBlue(color)); }
  // AsRGB with round(Transparency * 255) in bits 24-31. Writing sets the transparency from the
  // high byte and the RGB of an sRGB or scRGB colour from the low bytes (other kinds keep theirs).
  uint32_t AsARGB();
  void SetAsARGB(uint32_t argb);
  // Raise "Color is not HSL" ("System", "Scheme", "Preset") for a colour of another kind; the
  // setters make the colour that kind.
  uint32_t AsHSL();
  void SetAsHSL(uint32_t hsl);
  xpgdml::TST_SystemColorVal AsSystem();
  void SetAsSystem(xpgdml::TST_SystemColorVal v);
  xpgdml::TST_SchemeColorVal AsScheme();
  void SetAsScheme(xpgdml::TST_SchemeColorVal v);
  xpgdml::TST_PresetColorVal AsPreset();
  void SetAsPreset(xpgdml::TST_PresetColorVal v);
  // The "alpha" transform / 100000 (0 without one); written clamped to 0..1 (NaN: 0).
  double Transparency();
  void SetTransparency(double value);
  TEG_ColorChoice* ColorChoice() const { return FColorChoice; }

 private:
  // The transform list of the colour present now (made accent1 when there is none).
  TEG_ColorTransform& ColorTransform();
  void EnsureColor();
  TEG_ColorChoice* FColorChoice;
};

class TXLSDrwFill : public TXLSDrwShapeProp {
 public:
  virtual TXLSDrwFillType FillType() const = 0;
};

class TXLSDrwFillNone : public TXLSDrwFill {
 public:
  explicit TXLSDrwFillNone(TCT_NoFillProperties* fill) : FFill(fill) {}
  TXLSDrwFillType FillType() const override { return xdftNone; }

 private:
  TCT_NoFillProperties* FFill;
};

class TXLSDrwFillSolid : public TXLSDrwFill {
 public:
  explicit TXLSDrwFillSolid(TCT_SolidColorFillProperties* fill);
  TXLSDrwFillType FillType() const override { return xdftSolid; }
  TXLSDrwColor& Color() { return *FColor; }

 private:
  std::unique_ptr<TXLSDrwColor> FColor;
  TCT_SolidColorFillProperties* FFill;
};

class TXLSDrwFillGradientStop : public TXLSDrwShapeProp {
 public:
  explicit TXLSDrwFillGradientStop(TCT_GradientStop* stop);
  // The position / 100000; written * 100000.
  double StopPosition() const;
  void SetStopPosition(double value);
  TXLSDrwColor& Color() { return *FColor; }
  double Transparency() { return FColor->Transparency(); }
  void SetTransparency(double value) { FColor->SetTransparency(value); }

 private:
  TCT_GradientStop* FStop;
  std::unique_ptr<TXLSDrwColor> FColor;
};

class TXLSDrwFillGradientStops : public TXLSDrwShapeProp {
 public:
  // Wraps every stop in order; a list of fewer than two stops is reset (Clear).
  explicit TXLSDrwFillGradientStops(TCT_GradientStopList* list);
  // Empties the list and adds the two default stops: 0 with RGB 0000FF, 1 with RGB A0A0FF.
  void Clear();
  TXLSDrwFillGradientStop* Add();
  int Count() const { return static_cast<int>(FItems.size()); }
  TXLSDrwFillGradientStop* GetItems(int index) const;

 private:
  std::vector<std::unique_ptr<TXLSDrwFillGradientStop>> FItems;
  TCT_GradientStopList* FGSList;
};

class TXLSDrwFillGradient : public TXLSDrwFill {
 public:
  explicit TXLSDrwFillGradient(TCT_GradientFillProperties* fill);
  TXLSDrwFillType FillType() const override { return xdftGradient; }
  TXLSDrwFillGradientStops& Stops() { return *FStops; }
  // Linear shading, else path shading by its kind (circle radial, rect rectangular, else path);
  // with neither a linear shading is made.
  TXLSDrwGradientFillType GradientType();
  void SetGradientType(TXLSDrwGradientFillType type);
  TXLSDrwGradientFillDirection Direction();
  void SetDirection(TXLSDrwGradientFillDirection direction);
  uint8_t RotateWithShape() const { return FFill->RotWithShape(); }
  void SetRotateWithShape(bool value) { FFill->SetRotWithShape(value ? 1 : 0); }
  // The linear shading's angle in degrees (0 without one); written only when there is one.
  double Angle() const;
  void SetAngle(double degrees);

 private:
  TCT_GradientFillProperties* FFill;
  std::unique_ptr<TXLSDrwFillGradientStops> FStops;
};

class TXLSDrwFillPictStretchOpts : public TXLSDrwShapeProp {
 public:
  explicit TXLSDrwFillPictStretchOpts(TCT_StretchInfoProperties* stretch) : FStretch(stretch) {}
  // The fill rectangle's l, r, t, b / 100000; written * 100000.
  double OffsetLeft() const;
  double OffsetRight() const;
  double OffsetTop() const;
  double OffsetBottom() const;
  void SetOffsetLeft(double v);
  void SetOffsetRight(double v);
  void SetOffsetTop(double v);
  void SetOffsetBottom(double v);

 private:
  TCT_StretchInfoProperties* FStretch;
};

class TXLSDrwFillPictTileOpts : public TXLSDrwShapeProp {
 public:
  explicit TXLSDrwFillPictTileOpts(TCT_TileInfoProperties* tile) : FTile(tile) {}
  // tx, ty in points (/ 12700); sx, sy / 100000.
  double OffsetX() const;
  double OffsetY() const;
  void SetOffsetX(double points);
  void SetOffsetY(double points);
  double ScaleX() const;
  double ScaleY() const;
  void SetScaleX(double v);
  void SetScaleY(double v);
  void SetScale(double v) {
    SetScaleX(v);
    SetScaleY(v);
  }
  xpgdml::TST_RectAlignment Alignment() const { return FTile->Algn(); }
  void SetAlignment(xpgdml::TST_RectAlignment v) { FTile->SetAlgn(v); }
  TXLSDrwMirrorType MirrorType() const { return TXLSDrwMirrorType(FTile->Flip()); }
  void SetMirrorType(TXLSDrwMirrorType v) { FTile->SetFlip(xpgdml::TST_TileFlipMode(v)); }

 private:
  TCT_TileInfoProperties* FTile;
};

class TXLSDrwFillPicture : public TXLSDrwFill {
 public:
  // Makes sure the fill holds a picture; a stretched picture keeps its stretch mode, any other
  // becomes tiled.
  explicit TXLSDrwFillPicture(TCT_BlipFillProperties* fill);
  TXLSDrwFillType FillType() const override { return xdftPicture; }
  const std::u16string& Filename() const { return FFilename; }
  void SetFilename(std::u16string_view name) { FFilename = name; }
  bool TilePicture() const { return FTile != nullptr; }
  void SetTilePicture(bool tile);
  TXLSDrwFillPictTileOpts* Tile() const { return FTile.get(); }
  TXLSDrwFillPictStretchOpts* Stretch() const { return FStretch.get(); }
  uint8_t RorateWithShape() const { return FBlip->RotWithShape(); }
  void SetRorateWithShape(bool value) { FBlip->SetRotWithShape(value ? 1 : 0); }
  // The fixed alpha modulation / 100000 (0 without); above 0 (or NaN) stored clamped to 0..1,
  // 0 or less removes it.
  double Transparency() const;
  void SetTransparency(double value);
  // The luminance effect's bright and contrast / 100000 (0 without); the effect goes when both
  // are 0.
  double Brightness() const;
  void SetBrightness(double value);
  double Contrast() const;
  void SetContrast(double value);

 private:
  std::u16string FFilename;
  TCT_BlipFillProperties* FBlip;
  std::unique_ptr<TXLSDrwFillPictTileOpts> FTile;
  std::unique_ptr<TXLSDrwFillPictStretchOpts> FStretch;
};

class TXLSDrwFillAutomatic : public TXLSDrwFill {
 public:
  TXLSDrwFillType FillType() const override { return xdftAutomatic; }
};

// The fill of a fill choice: solid, else gradient, else picture, else none, else automatic.
class TXLSDrwFillChoice : public TXLSDrwShapeProp {
 public:
  explicit TXLSDrwFillChoice(TEG_FillProperties* choice);
  TXLSDrwFillType FillType() const { return FFill->FillType(); }
  // Another kind drops the element's present fill and makes that kind (automatic leaves the
  // element as it is).
  void SetFillType(TXLSDrwFillType type);
  TXLSDrwFill& Fill() const { return *FFill; }
  // Raise "Fill is not None Fill" ("Solid", "Gradient", "Pictuer") for another kind.
  TXLSDrwFillNone& AsNone() const;
  TXLSDrwFillSolid& AsSolid() const;
  TXLSDrwFillGradient& AsGradient() const;
  TXLSDrwFillPicture& AsPicture() const;

 private:
  void Wrap(TXLSDrwFillType type);
  TEG_FillProperties* FFillChoice;
  std::unique_ptr<TXLSDrwFill> FFill;
};

class TXLSDrwLineEndStyle : public TXLSDrwShapeProp {
 public:
  explicit TXLSDrwLineEndStyle(TCT_LineEndProperties* style) : FStyle(style) {}
  xpgdml::TST_LineEndType EndType() const { return FStyle->Type(); }
  void SetEndType(xpgdml::TST_LineEndType v) { FStyle->SetType(v); }
  xpgdml::TST_LineEndWidth Size() const { return FStyle->W(); }
  void SetSize(xpgdml::TST_LineEndWidth v) { FStyle->SetW(v); }
  xpgdml::TST_LineEndLength Len() const { return FStyle->Len(); }
  void SetLen(xpgdml::TST_LineEndLength v) { FStyle->SetLen(v); }

 private:
  TCT_LineEndProperties* FStyle;
};

class TXLSDrwLineStyle : public TXLSDrwShapeProp {
 public:
  // `isOpenLine`: the line may have arrows. A line whose fill is no fill has no fill wrapper.
  TXLSDrwLineStyle(TCT_LineProperties* line, bool isOpenLine);
  bool CanHaveArrows() const { return FIsOpenLine; }
  TXLSDrwFillChoice* Fill() const { return FFill.get(); }
  // w in points (/ 12700).
  double Width() const;
  void SetWidth(double points);
  xpgdml::TST_CompoundLine CompoundType() const { return FLineStyle->Cmpd(); }
  void SetCompoundType(xpgdml::TST_CompoundLine v) { FLineStyle->SetCmpd(v); }
  xpgdml::TST_LineCap CapType() const { return FLineStyle->Cap(); }
  void SetCapType(xpgdml::TST_LineCap v) { FLineStyle->SetCap(v); }
  // The preset dash, solid without one; writing makes the preset dash.
  xpgdml::TST_PresetLineDashVal DashType() const;
  void SetDashType(xpgdml::TST_PresetLineDashVal v);
  TXLSDrwLineJoinType JoinType() const;
  void SetJoinType(TXLSDrwLineJoinType v);
  // Raise "This line can not have arrows" on a line that cannot.
  bool HasBeginArrow() const { return FBeginArrow != nullptr; }
  void SetHasBeginArrow(bool value);
  bool HasEndArrow() const { return FEndArrow != nullptr; }
  void SetHasEndArrow(bool value);
  TXLSDrwLineEndStyle* BeginArrow() const { return FBeginArrow.get(); }
  TXLSDrwLineEndStyle* EndArrow() const { return FEndArrow.get(); }

 private:
  std::unique_ptr<TXLSDrwFillChoice> FFill;
  TCT_LineProperties* FLineStyle;
  bool FIsOpenLine;
  std::unique_ptr<TXLSDrwLineEndStyle> FBeginArrow, FEndArrow;
};

// The shape properties of a shape: its fill and, when it has one, its line (which cannot have
// arrows). Made over the shape's element, or over shape properties of its own.
class TXLSDrwShapeProperies : public TXLSDrwShapeProp {
 public:
  explicit TXLSDrwShapeProperies(TCT_ShapeProperties* spPr);
  explicit TXLSDrwShapeProperies(std::unique_ptr<TCT_ShapeProperties> ownSpPr);
  ~TXLSDrwShapeProperies() override;
  bool HasLine() const { return FLine != nullptr; }
  void SetHasLine(bool value);
  TXLSDrwLineStyle* Line() const { return FLine.get(); }
  TXLSDrwFillChoice& Fill() const { return *FFill; }
  TCT_ShapeProperties* SpPr() const { return FSpPr; }

 private:
  std::unique_ptr<TCT_ShapeProperties> FOwnedSpPr;  // freed after the wrappers over it
  TCT_ShapeProperties* FSpPr;
  std::unique_ptr<TXLSDrwLineStyle> FLine;
  std::unique_ptr<TXLSDrwFillChoice> FFill;
};

// A text font over character properties, or over character properties of its own.
class TXLSDrwTextFont : public TXLSDrwShapeProp {
 public:
  explicit TXLSDrwTextFont(TCT_TextCharacterProperties* props = nullptr);
  // A text fill set up but left without anything is cleared.
  ~TXLSDrwTextFont() override;
  // The Latin typeface (empty without a Latin font); writing makes the Latin font.
  std::u16string Name() const;
  void SetName(std::u16string_view name);
  // sz / 100.
  double Size() const;
  void SetSize(double points);
  bool Bold() const { return FProps->B() == 1; }
  void SetBold(bool v) { FProps->SetB(v ? 1 : 0); }
  bool Italic() const { return FProps->I() == 1; }
  void SetItalic(bool v) { FProps->SetI(v ? 1 : 0); }
  xpgdml::TST_TextUnderlineType Underline() const { return FProps->U(); }
  void SetUnderline(xpgdml::TST_TextUnderlineType v) { FProps->SetU(v); }
  // The colour last written (a Windows colour, 0 at first); writing makes the text fill a solid
  // sRGB fill of that colour.
  uint32_t Color() const { return FColor; }
  void SetColor(uint32_t color);
  // The character properties count anything as set.
  bool Assigned() const { return FProps->CheckAssigned() > 0; }
  TCT_TextCharacterProperties* Props() const { return FProps; }

 private:
  TCT_TextCharacterProperties* FProps;
  std::unique_ptr<TCT_TextCharacterProperties> FOwnProps;
  uint32_t FColor = 0;
};

class TXLSDrwTextPara;
class TXLSDrwTextParas;
class TXLSDrwTextBody;

// The text of a run item (a regular run's text, a line break as CR, a field as nothing) and of a
// whole body (its paragraphs joined with CR), read without changing the tree.
std::u16string TextRunText(const TEG_TextRun& run);
std::u16string TextBodyText(const TCT_TextBody& body);

// One run item: a regular run or a line break (with its font), or a field.
class TXLSDrwTextRun : public TXLSDrwShapeProp {
 public:
  // `withFont`: wrap the run's properties (made when absent) as its font.
  explicit TXLSDrwTextRun(TEG_TextRun* run, bool withFont = true);
  ~TXLSDrwTextRun() override;
  // The run's text; a line break reads as CR, anything else as empty.
  std::u16string Text() const;
  // A text beginning with CR makes the item a line break; any other a regular run holding it.
  void SetText(std::u16string_view text);
  TXLSDrwTextFont* Font() const { return FFont.get(); }
  TEG_TextRun* Run() const { return FRun; }

 private:
  TEG_TextRun* FRun;
  std::unique_ptr<TXLSDrwTextFont> FFont;
};

class TXLSDrwTextRuns : public TXLSDrwShapeProp {
 public:
  TXLSDrwTextRuns(TXLSDrwTextPara* parent, TEG_TextRunXpgList* runs);
  ~TXLSDrwTextRuns() override;
  void Clear();
  int Count() const { return static_cast<int>(FItems.size()); }
  TXLSDrwTextRun* GetItems(int index) const;
  // Appends a regular run of `text` with a copy of the paragraphs' last font (or the body's
  // default font when it is set and no run has one); the new wrapper has no font of its own.
  TXLSDrwTextRun* AddText(std::u16string_view text);

 private:
  TXLSDrwTextPara* FParent;
  std::vector<std::unique_ptr<TXLSDrwTextRun>> FItems;
  TEG_TextRunXpgList* FRuns;
};

class TXLSDrwTextPara : public TXLSDrwShapeProp {
 public:
  TXLSDrwTextPara(TXLSDrwTextParas* parent, TCT_TextParagraph* para);
  ~TXLSDrwTextPara() override;
  // The run texts joined; writing replaces the runs by one run of the text.
  std::u16string PlainText() const;
  void SetPlainText(std::u16string_view text);
  TXLSDrwTextRuns& Runs() { return *FRuns; }
  // The paragraph's alignment, left without paragraph properties.
  TXLSDrwTextAlign Align() const;
  void SetAlign(TXLSDrwTextAlign align);
  void Clear();
  TXLSDrwTextParas* Parent() const { return FParent; }

 private:
  TXLSDrwTextParas* FParent;
  TCT_TextParagraph* FPara;
  std::unique_ptr<TXLSDrwTextRuns> FRuns;
};

class TXLSDrwTextParas : public TXLSDrwShapeProp {
 public:
  TXLSDrwTextParas(TXLSDrwTextBody* parent, TCT_TextParagraphXpgList* paras);
  ~TXLSDrwTextParas() override;
  int Count() const { return static_cast<int>(FItems.size()); }
  void Clear();
  TXLSDrwTextPara* GetItems(int index) const;
  // Appends a new paragraph and its wrapper.
  TXLSDrwTextPara* Add();
  // The font of the last run that has one, else the body's default font when it is set, else
  // none.
  TXLSDrwTextFont* LastFont() const;

 private:
  TXLSDrwTextBody* FParent;
  std::vector<std::unique_ptr<TXLSDrwTextPara>> FItems;
  TCT_TextParagraphXpgList* FParas;
};

class TXLSDrwTextBody : public TXLSDrwShapeProp {
 public:
  // Makes sure the body has a paragraph list.
  explicit TXLSDrwTextBody(TCT_TextBody* body);
  ~TXLSDrwTextBody() override;
  TXLSDrwTextParas& Paras() { return *FParas; }
  TXLSDrwTextFont& DefaultFont() { return *FDefaultFont; }
  // The paragraphs' texts joined with CR; writing leaves one paragraph with one run of the text.
  std::u16string PlainText() const;
  void SetPlainText(std::u16string_view text);

 private:
  TCT_TextBody* FBody;
  std::unique_ptr<TXLSDrwTextFont> FDefaultFont;
  std::unique_ptr<TXLSDrwTextParas> FParas;
};

}  // namespace xls
