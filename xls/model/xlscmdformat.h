// Format commands: change chosen parts of the cell formats of an area in one step.
//
// A command collects wanted changes in six parts (alignment, number format, font, fill, border,
// protection), each remembering which of its items were set; `Apply` gives every cell of an area
// the cell format that results from merging the set items over the cell's current format (merge
// mode) or over the default format (replace mode), finding an equal format in the style sheet or
// adding one. Borders go by position, so an area can get an outline or inner lines. A cell that
// shows a shared string with font runs gets an entry with the merged runs, so cells outside the
// area keep their look.
// Design choice: one `Apply` makes the format of each (source format, position kind) pair once
// and keeps the formats it met locked until it ends, so that a slot freed by the cells it moved
// cannot be handed out again as another format while the pair still names it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "xls/model/xlsstyles.h"

namespace xls {

class TXc12Manager;
class TXc12DataStyleSheet;
class TXc12DataWorksheet;
class TXLSCellMMU;
class TXLSColumns;
class TXLSRows;
class TXLSWorksheet;
class TCellAreas;
class TXLSCmdFormat;

enum class TCmdTriState : uint8_t { ctsTrue, ctsFalse, ctsUnassigned };
enum class TCmdBorderSide : uint8_t {
  cbsTop,
  cbsLeft,
  cbsRight,
  cbsBottom,
  cbsInsideHoriz,
  cbsInsideVert,
  cbsDiagLeft,
  cbsDiagRight
};
enum class TCmdBorderSidePreset : uint8_t { cbspNone, cbspOutline, cbspInside, cbspOutlineAndInside };
enum class TXLSCmdFormatMode : uint8_t { xcfmMerge, xcfmReplace };
enum class TXLSNumFmtFractions : uint8_t {
  xnffNone,
  xnffOneDigit,
  xnffTwoDigits,
  xnffThreeDigits,
  xnffAsHalves,
  xnffAsQuarters,
  xnffAsEights,
  xnffAsSixtheenths,
  xnffAsTenths,
  xnffAsHundredths
};
enum class TXLSCmdFormatCommand : uint8_t {
  xcfcCellColor,
  xcfcBorderBottomColor,
  xcfcFontSize,
  xcfcFontBold,
  xcfcFontItalic,
  xcfcIndent
};
enum class TXLSCmdFormatValueType : uint8_t {
  xcfvtNone,
  xcfvtBoolean,
  xcfvtInteger,
  xcfvtFloat,
  xcfvtString
};

// A colour inside one of the command's working records; a change calls the owning part back.
class TXLSCmdFormatColor {
 public:
  TXLSCmdFormatColor(TXc12Color* color, std::function<void()> changed)
      : FChanged(std::move(changed)), FColor(color) {}
  const TXc12Color& Color() const { return *FColor; }
  void SetColor(const TXc12Color& v);
  // Red in the high byte of the low three (00RRGGBB).
  uint32_t RGB() const;
  void SetRGB(uint32_t v);
  // The same value in blue-green-red order (00BBGGRR).
  uint32_t TColor() const;
  void SetTColor(uint32_t v);
  // 64 unless the colour is indexed.
  uint8_t IndexColor() const;
  void SetIndexColor(uint8_t v);

 private:
  void Store(const TXc12Color& c);
  std::function<void()> FChanged;
  TXc12Color* FColor;
};

class TXLSCmdFormatFont {
 public:
  explicit TXLSCmdFormatFont(TXLSCmdFormat* owner);
  void Clear();
  std::u16string Name() const { return FFont.Name(); }
  // Trimmed of blanks and control characters; an empty result is ignored.
  void SetName(std::u16string_view v);
  double Size() const { return FFont.Size(); }
  void SetSize(double v);
  TXLSCmdFormatColor& Color() { return FColor; }
  TXc12FontStyles Style() const { return FFont.Style(); }
  void SetStyle(TXc12FontStyles v);
  bool Bold() const { return FFont.Style().Contains(TXc12FontStyle::xfsBold); }
  void SetBold(bool v);
  bool Italic() const { return FFont.Style().Contains(TXc12FontStyle::xfsItalic); }
  void SetItalic(bool v);
  TXc12Underline Underline() const { return FFont.Underline(); }
  void SetUnderline(TXc12Underline v);
  TXc12SubSuperscript SubSuperscript() const { return FFont.SubSuperscript(); }
  void SetSubSuperscript(TXc12SubSuperscript v);
  int32_t Charset() const { return FFont.Charset(); }
  void SetCharset(int32_t v);
  // Merges the set items over `font`.
  void MergeInto(TXc12Font& font) const;

 private:
  enum { aName, aSize, aColor, aStyle, aUnderline, aSubSup, aCharset, aCount };
  void Assigned(int item);
  void SetStyleFlag(TXc12FontStyle flag, bool v);
  TXLSCmdFormat* FOwner;
  TXc12Font FFont;
  TXLSCmdFormatColor FColor;
  bool FAssigned[aCount] = {};
  // The style flags the command sets: all of them through Style, one each through Bold, Italic.
  uint8_t FStyleMask = 0;
};

class TXLSCmdFormatFill {
 public:
  explicit TXLSCmdFormatFill(TXLSCmdFormat* owner);
  void Clear();
  TXLSCmdFormatColor& BackgroundColor() { return FBgColor; }
  TXLSCmdFormatColor& PatternColor() { return FPatColor; }
  TXc12FillPattern PatternStyle() const { return FFill.PatternType(); }
  void SetPatternStyle(TXc12FillPattern v);
  bool NoColor() const { return FNoColor; }
  void SetNoColor(bool v);
  void MergeInto(TXc12Fill& fill, const TXc12Fill& defaultFill) const;

 private:
  TXLSCmdFormat* FOwner;
  TXc12Fill FFill;
  TXLSCmdFormatColor FBgColor, FPatColor;
  bool FNoColor = false;
  bool FFgAssigned = false, FBgAssigned = false, FPatAssigned = false;
};

class TXLSCmdFormatBorder {
 public:
  explicit TXLSCmdFormatBorder(TXLSCmdFormat* owner);
  void Clear(const TXc12Border& defaultBorder);
  TXLSCmdFormatColor& Color() { return FCmdColor; }
  TXc12CellBorderStyle Style() const { return FStyle; }
  void SetStyle(TXc12CellBorderStyle v) { FStyle = v; }
  bool Side(TCmdBorderSide s) const { return FSides[size_t(s)] == TCmdTriState::ctsTrue; }
  void SetSide(TCmdBorderSide s, bool v);
  TCmdTriState SideState(TCmdBorderSide s) const { return FSides[size_t(s)]; }
  void Preset(TCmdBorderSidePreset p);
  // Merges side `s` of the command over `line` by the side's state.
  void MergeLine(TCmdBorderSide s, TXc12BorderPr& line) const;

 private:
  TXLSCmdFormat* FOwner;
  TXc12CellBorderOptions FOptions;
  TXc12CellBorderStyle FStyle = TXc12CellBorderStyle::cbsNone;
  TXc12Color FColor;
  TXc12BorderPr FBorders[8];
  TCmdTriState FSides[8];
  TXLSCmdFormatColor FCmdColor;
};

class TXLSCmdFormatNumber {
 public:
  explicit TXLSCmdFormatNumber(TXLSCmdFormat* owner) : FOwner(owner) {}
  void Clear();
  const std::u16string& Format() const { return FFormat; }
  void SetFormat(std::u16string_view v);
  int32_t Decimals() const { return FDecimals; }
  void SetDecimals(int32_t v) { FDecimals = v, Build(); }
  bool Thousands() const { return FThousands; }
  void SetThousands(bool v) { FThousands = v, Build(); }
  uint32_t NegativeColor() const { return FNegColor; }
  // One of eight colours (00BBGGRR) or $20000000 for none; else "Invalid negative color".
  void SetNegativeColor(uint32_t v);
  bool NegativeColorShowSign() const { return FNegColorSign; }
  void SetNegativeColorShowSign(bool v) { FNegColorSign = v, Build(); }
  // -1 none, 0 the process's locale, else a locale id.
  int32_t CurrencySymbolLCID() const { return FCurrencyLCID; }
  void SetCurrencySymbolLCID(int32_t v) { FCurrencyLCID = v, Build(); }
  bool Percentage() const { return FPercentage; }
  void SetPercentage(bool v) { FPercentage = v, Build(); }
  TXLSNumFmtFractions Fractions() const { return FFractions; }
  void SetFractions(TXLSNumFmtFractions v) { FFractions = v, Build(); }
  bool Scientific() const { return FScientific; }
  void SetScientific(bool v) { FScientific = v, Build(); }

 private:
  void Build();
  TXLSCmdFormat* FOwner;
  std::u16string FFormat;
  int32_t FDecimals = 0;
  bool FThousands = false;
  uint32_t FNegColor = 0x20000000;
  bool FNegColorSign = false;
  int32_t FCurrencyLCID = -1;
  bool FPercentage = false;
  TXLSNumFmtFractions FFractions = TXLSNumFmtFractions::xnffNone;
  bool FScientific = false;
};

class TXLSCmdFormatAlignment {
 public:
  explicit TXLSCmdFormatAlignment(TXLSCmdFormat* owner) : FOwner(owner) {}
  void Clear(const TXc12CellAlignment& defaultAlignment);
  TXc12HorizAlignment Horizontal() const { return FAlign.FHorizAlignment; }
  void SetHorizontal(TXc12HorizAlignment v);
  TXc12VertAlignment Vertical() const { return FAlign.FVertAlignment; }
  void SetVertical(TXc12VertAlignment v);
  int32_t Indent() const { return FAlign.FIndent; }
  void SetIndent(int32_t v);
  int32_t Rotation() const { return FAlign.FRotation; }
  void SetRotation(int32_t v);
  TXc12ReadOrder TextDirection() const { return FAlign.FReadingOrder; }
  void SetTextDirection(TXc12ReadOrder v);
  bool WrapText() const { return FAlign.FOptions.Contains(TXc12AlignmentOption::foWrapText); }
  void SetWrapText(bool v);
  bool ShrinkToFit() const { return FAlign.FOptions.Contains(TXc12AlignmentOption::foShrinkToFit); }
  void SetShrinkToFit(bool v);
  bool JustifyDistributed() const {
    return FAlign.FOptions.Contains(TXc12AlignmentOption::foJustifyLastLine);
  }
  void SetJustifyDistributed(bool v);
  bool MergeCells() const { return FMergeCells; }
  void SetMergeCells(bool v);
  void MergeInto(TXc12CellAlignment& a) const;

 private:
  enum { aHoriz, aVert, aIndent, aJustDist, aWrap, aShrink, aMerge, aRotation, aTextDir, aCount };
  void Assigned(int item);
  void Option(TXc12AlignmentOption o, bool v, int item);
  TXLSCmdFormat* FOwner;
  TXc12CellAlignment FAlign;
  bool FMergeCells = false;
  bool FAssigned[aCount] = {};
};

class TXLSCmdFormatProtection {
 public:
  explicit TXLSCmdFormatProtection(TXLSCmdFormat* owner) : FOwner(owner) {}
  void Clear() { FLocked = FHidden = TCmdTriState::ctsUnassigned; }
  // The states the command applies (ctsUnassigned keeps each cell's own).
  TCmdTriState Locked() const { return FLocked; }
  void SetLocked(bool v);
  TCmdTriState Hidden() const { return FHidden; }
  void SetHidden(bool v);
  TXc12CellProtections MergeInto(TXc12CellProtections p) const;

 private:
  TXLSCmdFormat* FOwner;
  TCmdTriState FLocked = TCmdTriState::ctsUnassigned, FHidden = TCmdTriState::ctsUnassigned;
};

// A pending command value: one kind of change with its one value.
class TXLSCmdFormatValue {
 public:
  explicit TXLSCmdFormatValue(TXLSCmdFormatCommand c) : FCommand(c) {}
  virtual ~TXLSCmdFormatValue() = default;
  virtual TXLSCmdFormatValueType ValueType() const = 0;
  TXLSCmdFormatCommand Command() const { return FCommand; }
  bool AsBoolean() const;
  void SetAsBoolean(bool v);
  int32_t AsInteger() const;
  void SetAsInteger(int32_t v);
  double AsFloat() const;
  void SetAsFloat(double v);
  std::u16string AsString() const;
  void SetAsString(std::u16string_view v);

 protected:
  void Check(TXLSCmdFormatValueType t) const;
  TXLSCmdFormatCommand FCommand;
  bool FBoolean = false;
  int32_t FInteger = 0;
  double FFloat = 0;
  std::u16string FString;
};
template <TXLSCmdFormatValueType T>
class TXLSCmdFormatValueOf : public TXLSCmdFormatValue {
 public:
  using TXLSCmdFormatValue::TXLSCmdFormatValue;
  TXLSCmdFormatValueType ValueType() const override { return T; }
};
class TXLSCmdFormatValues {
 public:
  TXLSCmdFormatValue* Add(std::unique_ptr<TXLSCmdFormatValue> v) {
    return FItems.emplace_back(std::move(v)).get();
  }
  TXLSCmdFormatValue* AddInteger(TXLSCmdFormatCommand c, int32_t v);
  TXLSCmdFormatValue* AddFloat(TXLSCmdFormatCommand c, double v);
  TXLSCmdFormatValue* AddBoolean(TXLSCmdFormatCommand c, bool v);
  size_t Count() const { return FItems.size(); }
  TXLSCmdFormatValue* Items(size_t i) const { return FItems.at(i).get(); }
  void Clear() { FItems.clear(); }

 private:
  std::vector<std::unique_ptr<TXLSCmdFormatValue>> FItems;
};

// Named formats (kept with the command; nothing in the model adds to them yet).
class TXLSDefaultFormats {
 public:
  void Add(std::u16string_view name, TXc12XF* xf) { FItems[std::u16string(name)] = xf; }
  TXc12XF* Find(std::u16string_view name) const;
  void Clear() { FItems.clear(); }

 private:
  std::map<std::u16string, TXc12XF*, std::less<>> FItems;
};

class TXLSCmdFormat {
 public:
  explicit TXLSCmdFormat(TXc12Manager* manager);
  ~TXLSCmdFormat();
  TXLSCmdFormat(const TXLSCmdFormat&) = delete;
  TXLSCmdFormat& operator=(const TXLSCmdFormat&) = delete;

  // Starts a new command on `sheet` (nullptr keeps the previous target) and clears the parts.
  void BeginEdit(TXLSWorksheet* sheet);
  // Forgets the target sheet (the workbook was cleared): Apply then raises.
  void DropTarget();
  void Clear();
  void Apply(int32_t col, int32_t row) { Apply(col, row, col, row); }
  void Apply(int32_t col1, int32_t row1, int32_t col2, int32_t row2);

  TXLSCmdFormatMode Mode() const { return FMode; }
  void SetMode(TXLSCmdFormatMode v) { FMode = v; }
  bool SetRowHeight() const { return FSetRowHeight; }
  void SetSetRowHeight(bool v) { FSetRowHeight = v; }
  bool AddBlank() const { return FAddBlank; }
  void SetAddBlank(bool v) { FAddBlank = v; }
  TXLSCmdFormatAlignment& Alignment() { return FAlignment; }
  TXLSCmdFormatNumber& Number() { return FNumFmt; }
  TXLSCmdFormatFont& Font() { return FFont; }
  TXLSCmdFormatFill& Fill() { return FFill; }
  TXLSCmdFormatBorder& Border() { return FBorder; }
  TXLSCmdFormatProtection& Protection() { return FProtect; }
  TXLSDefaultFormats& Defaults() { return FDefaults; }
  TXLSCmdFormatValues& Commands() { return FCommands; }
  TXc12DataStyleSheet& Styles() const { return *FStyles; }

  enum TAssigned : uint8_t { asAlignment, asProtection, asNumFmt, asFill, asFont, asBorder, asCount };
  void SetAssigned(TAssigned a, bool v) { FAssigned[a] = v; }
  bool Assigned(TAssigned a) const { return FAssigned[a]; }

 private:
  // Position flags of a cell in the area.
  enum TPos : uint8_t {
    posTop = 1,
    posBottom = 2,
    posLeft = 4,
    posRight = 8,
    posInnerH = 16,
    posInnerV = 32
  };
  TXc12XF* MakeFormat(TXc12XF* source, uint8_t pos);
  TXc12XF* CachedFormat(TXc12XF* source, uint8_t pos);
  uint8_t PosFlags(int32_t c, int32_t r, int32_t c1, int32_t r1, int32_t c2, int32_t r2) const;
  int32_t BlankSource(int32_t col, int32_t row);
  void FormatCell(int32_t col, int32_t row, uint8_t pos);
  void MergeRichString(int32_t col, int32_t row, int32_t style);
  void RunCommandValues();
  void RaiseRowHeights(int32_t row1, int32_t row2);
  void Lock(TXc12XF* xf);

  TXc12Manager* FManager;
  TXc12DataStyleSheet* FStyles;
  TXc12DataWorksheet* FSheet = nullptr;
  TXLSColumns* FColumns = nullptr;
  TXLSRows* FRows = nullptr;
  TCellAreas* FAreas = nullptr;
  TXLSCellMMU* FCells = nullptr;
  TXLSCmdFormatMode FMode = TXLSCmdFormatMode::xcfmMerge;
  bool FSetRowHeight = false;
  TXc12Font* FMaxFont = nullptr;
  TXLSCmdFormatAlignment FAlignment;
  TXLSCmdFormatNumber FNumFmt;
  TXLSCmdFormatFont FFont;
  TXLSCmdFormatFill FFill;
  TXLSCmdFormatBorder FBorder;
  TXLSCmdFormatProtection FProtect;
  // The working format and its own parts; never entered into the style sheet.
  TXc12XF FSearchXF;
  TXc12NumberFormat FSearchNumFmt;
  TXc12Font FSearchFont;
  TXc12Fill FSearchFill;
  TXc12Border FSearchBorder;
  bool FAssigned[asCount] = {};
  TXLSDefaultFormats FDefaults;
  bool FAddBlank = true;
  TXLSCmdFormatValues FCommands;
  // Per Apply: (source format, position) to result, rich strings merged, formats locked.
  std::map<std::pair<TXc12XF*, uint8_t>, TXc12XF*> FMade;
  std::map<int32_t, int32_t> FMergedStrings;
  std::vector<TXc12XF*> FLocked;
};

// The currency symbol and its placement (0..3, as FormatSettings::CurrencyFormat) of a locale id;
// false for an id the table does not hold.
bool CurrencyOfLocale(int32_t lcid, std::u16string& symbol, uint8_t& placement);

}  // namespace xls
