// Style objects: the use-counted formatting records of a workbook and their lists.
//
// Every formatting record (number format, font, fill, border, cell format, differential format,
// named cell style, table style, recent colour, palette entry) knows its position in its owning
// list and tells by `Equal` whether another record of its kind holds the same values; the format
// editor reuses equal records instead of adding copies and frees records no cell uses. Cells
// refer to cell formats by position, so a cell-format slot can be emptied in place
// (`FreeAndNil`) without moving the others. Colours compare with Xc12ColorEqual (theme tints
// within 0.0001). Design choice: each list is a template over its record class, so that lookups
// return the record type and no cast is needed at the call sites.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "xls/model/xlscellarea.h"
#include "xls/model/xlsutils.h"

namespace xls {

class TXLSErrorManager;

enum class TXc12FontStyle : uint8_t { xfsBold, xfsItalic, xfsStrikeOut, xfsOutline, xfsShadow, xfsCondense, xfsExtend };
enum class TXc12Underline : uint8_t { xulNone, xulSingle, xulDouble, xulSingleAccount, xulDoubleAccount };
enum class TXc12SubSuperscript : uint8_t { xssNone, xssSuperscript, xssSubscript };
enum class TXc12FontScheme : uint8_t { efsNone, efsMajor, efsMinor };
enum class TXc12FillPattern : uint8_t {
  efpNone, efpSolid, efpMediumGray, efpDarkGray, efpLightGray, efpDarkHorizontal, efpDarkVertical, efpDarkDown,
  efpDarkUp, efpDarkGrid, efpDarkTrellis, efpLightHorizontal, efpLightVertical, efpLightDown, efpLightUp,
  efpLightGrid, efpLightTrellis, efpGray125, efpGray0625
};
enum class TXc12GradientFillType : uint8_t { gftLinear, gftPath };
enum class TXc12CellBorderStyle : uint8_t {
  cbsNone, cbsThin, cbsMedium, cbsDashed, cbsDotted, cbsThick, cbsDouble, cbsHair, cbsMediumDashed, cbsDashDot,
  cbsMediumDashDot, cbsDashDotDot, cbsMediumDashDotDot, cbsSlantedDashDot
};
enum class TXc12CellBorderOption : uint8_t { ecboDiagonalDown, ecboDiagonalUp, ecboOutline };
enum class TXc12HorizAlignment : uint8_t {
  chaGeneral, chaLeft, chaCenter, chaRight, chaFill, chaJustify, chaCenterContinuous, chaDistributed
};
enum class TXc12VertAlignment : uint8_t { cvaTop, cvaCenter, cvaBottom, cvaJustify, cvaDistributed };
enum class TXc12AlignmentOption : uint8_t { foWrapText, foShrinkToFit, foJustifyLastLine };
enum class TXc12ReadOrder : uint8_t { xroContextDependent, xroLeftToRight, xroRightToLeft };
enum class TXc12CellProtection : uint8_t { cpLocked, cpHidden };
enum class TXc12ApplyFormat : uint8_t { eafNumberFormat, eafFont, eafFill, eafBorder, eafAlignment, eafProtection };

// A one-byte set over an enumeration (bit n for value n).
template <class E>
class TXc12Set {
 public:
  constexpr TXc12Set() = default;
  constexpr TXc12Set(std::initializer_list<E> items) {
    for (E e : items) Include(e);
  }
  static constexpr TXc12Set FromBits(uint8_t bits) {
    TXc12Set s;
    s.FBits = bits;
    return s;
  }
  constexpr bool Contains(E e) const { return (FBits >> uint8_t(e)) & 1u; }
  constexpr void Include(E e) { FBits |= uint8_t(1u << uint8_t(e)); }
  constexpr void Exclude(E e) { FBits &= uint8_t(~(1u << uint8_t(e))); }
  constexpr uint8_t Bits() const { return FBits; }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr bool operator==(const TXc12Set&) const = default;

 private:
  uint8_t FBits = 0;
};
using TXc12FontStyles = TXc12Set<TXc12FontStyle>;
using TXc12CellBorderOptions = TXc12Set<TXc12CellBorderOption>;
using TXc12AlignmentOptions = TXc12Set<TXc12AlignmentOption>;
using TXc12CellProtections = TXc12Set<TXc12CellProtection>;
using TXc12ApplyFormats = TXc12Set<TXc12ApplyFormat>;

class TXLSStyleObjectList;

// A use-counted record that knows its position in its owning list.
class TXLSStyleObject : public TIndexObject {
 public:
  explicit TXLSStyleObject(TXLSStyleObjectList* owner = nullptr) : FOwner(owner) {}
  virtual void CalcHash() = 0;
  uint32_t Hash() {
    if (!FHashvalid) {
      CalcHash();
      FHashvalid = true;
    }
    return FHash;
  }
  virtual std::u16string AsString(int indent) const {
    (void)indent;
    return {};
  }
  void AddRef() { ++FRefCount; }
  void Release() { --FRefCount; }
  int32_t RefCount() const { return FRefCount; }
  bool Locked() const { return FLocked; }
  void SetLocked(bool v) { FLocked = v; }
  TXLSStyleObjectList* Owner() const { return FOwner; }
  void SetOwner(TXLSStyleObjectList* o) { FOwner = o; }

 protected:
  int32_t FRefCount = 0;
  bool FHashvalid = false;
  uint32_t FHash = 0;
  bool FLocked = false;
  TXLSStyleObjectList* FOwner = nullptr;
};

// Keeps FIndex of present items equal to their position; allows empty slots.
class TXLSIndexObjectListBase {
 protected:
  static void SetIndex(TIndexObject& o, size_t i) { o.FIndex = int32_t(i); }
};

class TXLSStyleObjectList : protected TXLSIndexObjectListBase {
 public:
  virtual ~TXLSStyleObjectList() = default;
  virtual void SetIsDefault() = 0;
  bool FItemHashValid = false;
};

// The owning list of records of class T.
template <class T>
class TXLSStyleObjects : public TXLSStyleObjectList {
 public:
  size_t Count() const { return FItems.size(); }
  // The record at a position (nullptr for an empty slot); std::out_of_range outside the list.
  T* Items(size_t index) const {
    if (index >= FItems.size()) ListIndexError(index);
    return FItems[index].get();
  }
  T* GetItems(size_t index) const { return Items(index); }
  T* Add(std::unique_ptr<T> item) {
    item->SetOwner(this);
    SetIndex(*item, FItems.size());
    FItems.push_back(std::move(item));
    FItemHashValid = false;
    return FItems.back().get();
  }
  T* Add() { return Add(std::make_unique<T>(this)); }
  void Delete(size_t index) {
    Items(index);
    FItems.erase(FItems.begin() + ptrdiff_t(index));
    ReIndex();
  }
  // The first record, in list order, Equal to `item`.
  T* Find(const T& item) const {
    for (const auto& r : FItems)
      if (r && r->Equal(item)) return r.get();
    return nullptr;
  }
  // Leading locked records: the built-in entries.
  size_t DefaultCount() const {
    size_t n = 0;
    while (n < FItems.size() && FItems[n] && FItems[n]->Locked()) ++n;
    return n;
  }
  virtual void Clear() {
    FItems.clear();
    FItemHashValid = false;
    SetIsDefault();
  }
  void FreeAndNil(size_t index) {
    Items(index);
    FItems[index].reset();
    FItemHashValid = false;
  }

 protected:
  void ReIndex() {
    for (size_t i = 0; i < FItems.size(); ++i)
      if (FItems[i]) SetIndex(*FItems[i], i);
    FItemHashValid = false;
  }
  std::vector<std::unique_ptr<T>> FItems;
};

// ---------------------------------------------------------------------------------------------

class TXc12NumberFormat : public TXLSStyleObject {
 public:
  using TXLSStyleObject::TXLSStyleObject;
  bool Equal(const TXc12NumberFormat& o) const { return FValue == o.FValue; }
  void Assign(const TXc12NumberFormat& o) {
    if (!FLocked) SetValue(o.FValue);
  }
  // True for the built-in date and time formats, positions 14 to 22.
  bool IsDateTime() const { return Index() >= 14 && Index() <= 22; }
  void CalcHash() override;
  std::u16string AsString(int indent) const override;
  const std::u16string& Value() const { return FValue; }
  void SetValue(std::u16string v) {
    FValue = std::move(v);
    FHashvalid = false;
  }
  bool FIsDateTime = false;
  bool FStdRedefined = false;

 private:
  std::u16string FValue;
};

// The logical-font record filled from a font (twentieths of a point; weight 700 bold or 400).
struct TXLSLogFont {
  int32_t Height = 0;
  int32_t Weight = 0;
  bool Italic = false, Underline = false, StrikeOut = false;
  uint8_t CharSet = 0;
  char16_t FaceName[32] = {};
};

class TXc12Font : public TXLSStyleObject {
 public:
  explicit TXc12Font(TXLSStyleObjectList* owner = nullptr) : TXLSStyleObject(owner) { Clear(); }
  bool Equal(const TXc12Font& o) const;
  void Assign(const TXc12Font& o);
  void Clear();
  void CalcHash() override;
  // Fills the logical-font record; fontColor := the colour's ARGB.
  void CopyToLOGFONT(TXLSLogFont& dest, uint32_t& fontColor) const;

  const std::u16string& Name() const { return FName; }
  void SetName(std::u16string v) { FName = std::move(v), FHashvalid = false; }
  int32_t Charset() const { return FCharset; }
  void SetCharset(int32_t v) { FCharset = v, FHashvalid = false; }
  int32_t Family() const { return FFamily; }
  void SetFamily(int32_t v) { FFamily = v, FHashvalid = false; }
  TXc12FontStyles Style() const { return FStyle; }
  void SetStyle(TXc12FontStyles v) { FStyle = v, FHashvalid = false; }
  TXc12Underline Underline() const { return FUnderline; }
  void SetUnderline(TXc12Underline v) { FUnderline = v, FHashvalid = false; }
  TXc12SubSuperscript SubSuperscript() const { return FSubSuperscript; }
  void SetSubSuperscript(TXc12SubSuperscript v) { FSubSuperscript = v, FHashvalid = false; }
  TXc12Color Color() const { return FColor; }
  TXc12Color* PColor() { return FHashvalid = false, &FColor; }
  void SetColor(const TXc12Color& v) { FColor = v, FHashvalid = false; }
  double Size() const { return FSize; }
  // On the first font of a font list, a size above 0 also recomputes the list's metrics.
  void SetSize(double v);
  TXc12FontScheme Scheme() const { return FScheme; }
  void SetScheme(TXc12FontScheme v) { FScheme = v, FHashvalid = false; }

 private:
  std::u16string FName;
  int32_t FCharset = 0, FFamily = 0;
  TXc12FontStyles FStyle;
  TXc12Underline FUnderline = TXc12Underline::xulNone;
  TXc12SubSuperscript FSubSuperscript = TXc12SubSuperscript::xssNone;
  TXc12Color FColor;
  double FSize = 0;
  TXc12FontScheme FScheme = TXc12FontScheme::efsNone;
};

struct TXc12GradientStop {
  TXc12Color FColor;
  double FPosition = 0;
};

class TXc12GradientFill : public TXLSStyleObject {
 public:
  using TXLSStyleObject::TXLSStyleObject;
  bool Equal(const TXc12GradientFill& o) const;
  void Assign(const TXc12GradientFill& o);
  void CalcHash() override {}
  std::vector<TXc12GradientStop> FStops;
  TXc12GradientFillType FGradientType = TXc12GradientFillType::gftLinear;
  double FDegree = 0;
  double Left() const { return FLeft; }
  double Right() const { return FRight; }
  double Top() const { return FTop; }
  double Bottom() const { return FBottom; }
  void SetLeft(double v) { FLeft = v, FCorners[0] = true; }
  void SetRight(double v) { FRight = v, FCorners[1] = true; }
  void SetTop(double v) { FTop = v, FCorners[2] = true; }
  void SetBottom(double v) { FBottom = v, FCorners[3] = true; }
  bool FCorners[4] = {false, false, false, false};

 private:
  double FLeft = 0, FRight = 0, FTop = 0, FBottom = 0;
};

class TXc12Fill : public TXLSStyleObject {
 public:
  explicit TXc12Fill(TXLSStyleObjectList* owner = nullptr) : TXLSStyleObject(owner) { Clear(); }
  bool Equal(const TXc12Fill& o) const;
  void Assign(const TXc12Fill& o);
  void Clear();
  void CalcHash() override;
  std::u16string AsString(int indent) const override;
  bool IsGradientFill() const { return FGradientFill != nullptr; }
  void SetIsGradientFill(bool v);
  TXc12GradientFill* GradientFill() const { return FGradientFill.get(); }
  TXc12FillPattern PatternType() const { return FPatternType; }
  void SetPatternType(TXc12FillPattern v) { FPatternType = v, FHashvalid = false; }
  TXc12Color FgColor() const { return FFgColor; }
  TXc12Color BgColor() const { return FBgColor; }
  void SetFgColor(const TXc12Color& c) { FFgColor = c, FHashvalid = false; }
  void SetBgColor(const TXc12Color& c) { FBgColor = c, FHashvalid = false; }
  TXc12Color* PFgColor() { return FHashvalid = false, &FFgColor; }
  TXc12Color* PBgColor() { return FHashvalid = false, &FBgColor; }

 private:
  std::unique_ptr<TXc12GradientFill> FGradientFill;
  TXc12FillPattern FPatternType = TXc12FillPattern::efpNone;
  TXc12Color FFgColor, FBgColor;
};

// One side of a border.
class TXc12BorderPr {
 public:
  TXc12BorderPr() { Clear(); }
  void Clear() {
    FColor.ColorType = TXc12ColorType::exctAuto;
    FStyle = TXc12CellBorderStyle::cbsNone;
  }
  bool Equal(const TXc12BorderPr& o) const { return Xc12ColorEqual(FColor, o.FColor) && FStyle == o.FStyle; }
  void Assign(const TXc12BorderPr& o) { FColor = o.FColor, FStyle = o.FStyle; }
  uint32_t CalcHash() const { return uint32_t(Xc12ColorHash(FColor)) + uint32_t(FStyle); }
  uint32_t ColorRGB() const { return Xc12ColorToRGB(FColor, 0); }
  void SetColorRGB(uint32_t v) { FColor = MakeXc12RGBColor(v); }
  TXc12Color FColor;
  TXc12CellBorderStyle FStyle = TXc12CellBorderStyle::cbsNone;
};

class TXc12Border : public TXLSStyleObject {
 public:
  explicit TXc12Border(TXLSStyleObjectList* owner = nullptr) : TXLSStyleObject(owner) {}
  bool Equal(const TXc12Border& o) const;
  void Assign(const TXc12Border& o);
  void Clear();
  void CalcHash() override;
  TXc12CellBorderOptions Options() const { return FOptions; }
  void SetOptions(TXc12CellBorderOptions v) { FOptions = v, FHashvalid = false; }
  TXc12BorderPr FLeft, FTop, FRight, FBottom, FDiagonal, FHorizontal, FVertical;

 private:
  TXc12CellBorderOptions FOptions;
};

class TXc12CellAlignment {
 public:
  bool Equal(const TXc12CellAlignment& o) const;
  void Assign(const TXc12CellAlignment& o);
  bool IsWrapText() const;
  // The sum of the seven values, computed once and kept.
  uint32_t Hash();
  TXc12HorizAlignment FHorizAlignment = TXc12HorizAlignment::chaGeneral;
  TXc12VertAlignment FVertAlignment = TXc12VertAlignment::cvaBottom;
  int32_t FRotation = 0;
  TXc12AlignmentOptions FOptions;
  int32_t FIndent = 0;
  int32_t FRelativeIndent = 0;
  TXc12ReadOrder FReadingOrder = TXc12ReadOrder::xroContextDependent;

 private:
  uint32_t FHash = 0;
  bool FHashValid = false;
};

class TXc12XF : public TXLSStyleObject {
 public:
  using TXLSStyleObject::TXLSStyleObject;
  bool Equal(const TXc12XF& o) const;
  void Assign(const TXc12XF& o);
  void AssignProps(const TXc12XF& o);
  bool IsDefault() const { return Index() == 0; }
  void CalcHash() override;
  std::u16string AsString(int indent) const override;

  TXc12CellAlignment& Alignment() { return FAlignment; }
  const TXc12CellAlignment& Alignment() const { return FAlignment; }
  TXc12CellProtections Protection() const { return FProtection; }
  void SetProtection(TXc12CellProtections v) {
    if (v != FProtection) FHashvalid = false;
    FProtection = v;
  }
  bool QuotePrefix() const { return FQuotePrefix; }
  void SetQuotePrefix(bool v) {
    if (v != FQuotePrefix) FHashvalid = false;
    FQuotePrefix = v;
  }
  bool PivotButton() const { return FPivotButton; }
  void SetPivotButton(bool v) {
    if (v != FPivotButton) FHashvalid = false;
    FPivotButton = v;
  }
  TXc12NumberFormat* NumFmt() const { return FNumFmt; }
  void SetNumFmt(TXc12NumberFormat* v) { FNumFmt = v, FHashvalid = false; }
  TXc12Font* Font() const { return FFont; }
  void SetFont(TXc12Font* v) { FFont = v, FHashvalid = false; }
  TXc12Fill* Fill() const { return FFill; }
  TXc12Fill* GetFill() const { return FFill; }
  void SetFill(TXc12Fill* v) { FFill = v, FHashvalid = false; }
  TXc12Border* Border() const { return FBorder; }
  TXc12Border* GetBorder() const { return FBorder; }
  void SetBorder(TXc12Border* v) { FBorder = v, FHashvalid = false; }
  TXc12XF* XF() const { return FXF; }
  // Setting the record itself as its parent stores none.
  void SetXF(TXc12XF* v) { FXF = v == this ? nullptr : v, FHashvalid = false; }
  TXc12ApplyFormats FApply;
  uint16_t FE97XfData1 = 0;

 private:
  TXc12CellAlignment FAlignment;
  TXc12CellProtections FProtection{TXc12CellProtection::cpLocked};
  TXc12NumberFormat* FNumFmt = nullptr;
  TXc12Font* FFont = nullptr;
  TXc12Border* FBorder = nullptr;
  TXc12Fill* FFill = nullptr;
  TXc12XF* FXF = nullptr;
  bool FQuotePrefix = false, FPivotButton = false;
};

// Differential format: parts made on demand.
class TXc12DXF : public TXLSStyleObject {
 public:
  using TXLSStyleObject::TXLSStyleObject;
  bool Equal(const TXc12DXF&) const;  // not supported: raises XLSRWException
  void CalcHash() override;
  TXc12Font* AddFont();
  TXc12NumberFormat* AddNumFmt();
  TXc12Fill* AddFill();
  TXc12Border* AddBorder();
  TXc12CellAlignment* AddAlignment();
  TXc12Font* Font() const { return FFont.get(); }
  TXc12NumberFormat* NumFmt() const { return FNumFmt.get(); }
  TXc12Fill* Fill() const { return FFill.get(); }
  TXc12Border* Border() const { return FBorder.get(); }
  TXc12CellAlignment* Alignment() const { return FAlignment.get(); }
  TXc12CellProtections FProtection;

 private:
  std::unique_ptr<TXc12Font> FFont;
  std::unique_ptr<TXc12NumberFormat> FNumFmt;
  std::unique_ptr<TXc12Fill> FFill;
  std::unique_ptr<TXc12Border> FBorder;
  std::unique_ptr<TXc12CellAlignment> FAlignment;
};

class TXc12CellStyle : public TXLSStyleObject {
 public:
  using TXLSStyleObject::TXLSStyleObject;
  bool Equal(const TXc12CellStyle& o) const;
  void CalcHash() override;
  int32_t FBuiltInId = 0;
  bool FCustomBuiltIn = false, FHidden = false;
  int32_t FLevel = 0;
  std::u16string FName;
  TXc12XF* FXF = nullptr;
};

struct TXc12TableStyleElement {
  uint8_t FType = 255;  // TXc12TableStyleType, 255 = none
  int32_t FSize = 1;
  TXc12DXF* FDXF = nullptr;
};

class TXc12TableStyle : public TXLSStyleObject {
 public:
  using TXLSStyleObject::TXLSStyleObject;
  bool Equal(const TXc12TableStyle&) const;  // not supported: raises XLSRWException
  void CalcHash() override;                   // not supported: raises XLSRWException
  void Clear() {
    FTableStyleElements.clear();
    FName.clear();
    FPivot = FTable = true;
  }
  std::u16string FName;
  bool FPivot = true, FTable = true;
  std::vector<TXc12TableStyleElement> FTableStyleElements;
};

class TXc12ColorObj : public TXLSStyleObject {
 public:
  using TXLSStyleObject::TXLSStyleObject;
  bool Equal(const TXc12ColorObj& o) const { return Xc12ColorEqual(FColor, o.FColor); }
  void CalcHash() override { FHash = uint32_t(Xc12ColorHash(FColor)); }
  TXc12Color FColor;
};

class TXc12IndexColorObj : public TXLSStyleObject {
 public:
  using TXLSStyleObject::TXLSStyleObject;
  bool Equal(const TXc12IndexColorObj& o) const { return FRGB == o.FRGB; }
  void CalcHash() override { FHash = FRGB; }
  uint32_t RGB() const { return FRGB; }
  void SetRGB(uint32_t v) { FRGB = v, FHashvalid = false; }

 private:
  uint32_t FRGB = 0;
};

// ---------------------------------------------------------------------------------------------
// Lists

class TXc12NumberFormats : public TXLSStyleObjects<TXc12NumberFormat> {
 public:
  using TXLSStyleObjects::Add;
  // Gives the built-in entry (index <= 49) a new code or grows the list up to the index. An index
  // above 65535 or below 0 is refused (warning through `Errors` when set) and gives nullptr.
  TXc12NumberFormat* Add(std::u16string value, int32_t index);
  TXc12NumberFormat* DefaultNumFmt() const { return Items(0); }
  void SetIsDefault() override;
  TXLSErrorManager* Errors = nullptr;
};

class TXc12Fonts : public TXLSStyleObjects<TXc12Font> {
 public:
  TXc12Font* DefaultFont() const { return Items(0); }
  TXc12Font* GetDefaultFont() const { return Items(0); }
  void SetIsDefault() override;
  void FixupColors();
  TXc12Font* MakeCommentFont(bool bold);
  // Largest digit width and minus the pixel height of font 0 at the pixels per inch.
  void CalcStdFontMetrics();
  int32_t FStdFontWidth = 0;
  int32_t FStdFontHeight = 0;
  // Vertical pixels per inch used for the metrics.
  std::function<int()> PixelsPerInch;
};

class TXc12Fills : public TXLSStyleObjects<TXc12Fill> {
 public:
  TXc12Fill* DefaultFill() const { return Items(0); }
  void SetIsDefault() override;
  void FixupColors();
};

class TXc12Borders : public TXLSStyleObjects<TXc12Border> {
 public:
  TXc12Border* DefaultBorder() const { return Items(0); }
  void SetIsDefault() override;
};

class TXc12DataStyleSheet;

class TXc12XFs : public TXLSStyleObjects<TXc12XF> {
 public:
  explicit TXc12XFs(TXc12DataStyleSheet* owner) : FOwner(owner) {}
  using TXLSStyleObjects::Add;
  // Appends the format; returns its position.
  int32_t AddXF(std::unique_ptr<TXc12XF> xf) { return Add(std::move(xf))->Index(); }
  // The first empty or unused unlocked slot from position 1 on (given the default parts), else a
  // new record at the end.
  TXc12XF* AddOrGetFree();
  TXc12XF* DefaultXF() const { return Items(0); }
  void SetIsDefault() override;
  void Clear() override;
  TXc12DataStyleSheet* FOwner;
};

class TXc12DXFs : public TXLSStyleObjects<TXc12DXF> {
 public:
  explicit TXc12DXFs(TXc12DataStyleSheet* owner) : FOwner(owner) {}
  void SetIsDefault() override {}
  TXc12DataStyleSheet* FOwner;
};

class TXc12CellStyles : public TXLSStyleObjects<TXc12CellStyle> {
 public:
  void SetIsDefault() override;
};

class TXc12TableStyles : public TXLSStyleObjects<TXc12TableStyle> {
 public:
  void SetIsDefault() override {}
  void Clear() override {
    TXLSStyleObjects::Clear();
    FDefaultTableStyle.clear();
    FDefaultPivotStyle.clear();
  }
  std::u16string FDefaultTableStyle, FDefaultPivotStyle;
};

class TXc12ColorObjs : public TXLSStyleObjects<TXc12ColorObj> {
 public:
  using TXLSStyleObjects::Add;
  TXc12ColorObj* Add(const TXc12Color& c) {
    TXc12ColorObj* o = Add();
    o->FColor = c;
    return o;
  }
  void SetIsDefault() override {}
  void FixupColors();
};

class TXc12IndexColorObjs : public TXLSStyleObjects<TXc12IndexColorObj> {
 public:
  void SetIsDefault() override {}
};

// A colour as diagnostic text: "ARGB: ", "Tint: ", "Color type:" and the kind, one line each.
std::u16string Xc12ColorAsString(const TXc12Color& c, int indent);

// The built-in number format codes, positions 0..49 (empty where there is none).
extern const char16_t* const XLSBuiltInNumFmts[50];

}  // namespace xls
