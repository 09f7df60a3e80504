// Cell areas, A1 references, model enumerations and colours.
//
// Rows and columns are zero-based: columns 0..16383 (A..XFD), rows 0..1048575 (1..1048576 in
// text). Reference text is A1 style with upper-case letters and optional "$" (B7, $B$7, A1:C9,
// whole columns A:C, whole rows 2:5, a sheet prefix Sheet1! that is ignored). Colour values are
// 00BBGGRR; theme colours with a tint go through integer HLS arithmetic on bytes 0..255.
// Design choice: the parsers are bounded (at most 3 column letters and 7 row digits) so that an
// overlong or malformed reference is refused before any arithmetic can overflow.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace xls {

inline constexpr int32_t XLS_MAXCOL = 16383;
inline constexpr int32_t XLS_MAXROW = 1048575;

struct TXLSCellArea {
  int32_t Row1 = 0, Row2 = 0, Col1 = 0, Col2 = 0;
  bool operator==(const TXLSCellArea&) const = default;
};

struct TXLSCellRef {
  int32_t Row = 0, Col = 0;
  bool operator==(const TXLSCellRef&) const = default;
};

struct TXLS3dCellArea {
  int32_t SheetIndex = 0, Row1 = 0, Row2 = 0, Col1 = 0, Col2 = 0;
  bool operator==(const TXLS3dCellArea&) const = default;
};

struct TXLS3dCompactRef {
  uint16_t SheetId = 0;
  uint16_t Col = 0;
  uint32_t Row = 0;
};

enum class TExcelVersion : uint8_t {
  xvNone, xvExcelUnknown, xvExcel21, xvExcel30, xvExcel40, xvExcel50, xvExcel97, xvExcel2007, xvOffice2007Encrypted
};
enum class TXLSCellType : uint8_t {
  xctNone, xctBlank, xctBoolean, xctError, xctString, xctFloat, xctFloatFormula, xctStringFormula,
  xctBooleanFormula, xctErrorFormula
};
enum class TXc12CellError : uint8_t {
  errUnknown, errNull, errDiv0, errValue, errRef, errName, errNum, errNA, errGettingData
};
enum class TXLSHyperlinkType : uint8_t { xhltUnknown, xhltURL, xhltFile, xhltUNC, xhltWorkbook };
enum class TXc12Visibility : uint8_t { x12vVisible, x12vHidden, x12vVeryHidden };
enum class TXc12BuiltInName : uint8_t {
  bnConsolidateArea, bnExtract, bnDatabase, bnCriteria, bnPrintArea, bnPrintTitles, bnSheetTitle,
  bnFilterDatabase, bnNone
};
enum class TXc12SimpleNameType : uint8_t { xsntNone, xsntRef, xsntArea, xsntError };
enum class TXc12ColorType : uint8_t { exctAuto, exctIndexed, exctRgb, exctTheme, exctUnassigned };
enum class TXc12ClrSchemeColor : uint8_t {
  cscLt1, cscDk1, cscLt2, cscDk2, cscAccent1, cscAccent2, cscAccent3, cscAccent4, cscAccent5,
  cscAccent6, cscHLink, cscFolHLink, cscExtList
};
// Ordinals are the Windows printer paper codes.
enum class TXc12PaperSize : uint8_t {
  psNone, psLetter, psLetterSmall, psTabloid, psLedger, psLegal, psStatement, psExecutive, psA3, psA4,
  psA4Small, psA5, psB4, psB5, psFolio, psQuarto, ps10X14, ps11X17, psNote, psEnv9, psEnv10, psEnv11,
  psEnv12, psEnv14, psCSheet, psDSheet, psESheet, psEnvDL, psEnvC5, psEnvC3, psEnvC4, psEnvC6,
  psEnvC65, psEnvB4, psEnvB5, psEnvB6, psEnvItaly, psEnvMonarch, psEnvPersonal, psFanfoldUS,
  psFanfoldStdGerman, psFanfoldLglGerman, psISO_B4, psJapanesePostcard, ps9X11, ps10X11, ps15X11,
  psEnvInvite, psReserved48, psReserved49, psLetterExtra, psLegalExtra, psTabloidExtra, psA4Extra,
  psLetterTransverse, psA4Transverse, psLetterExtraTransverse, psAPlus, psBPlus, psLetterPlus,
  psA4Plus, psA5Transverse, psB5transverse, psA3Extra, psA5Extra, psB5Extra, psA2, psA3Transverse,
  psA3ExtraTransverse
};
// Palette entries 0..64 (64 = automatic).
enum class TXc12IndexColor : uint8_t {
  xc0, xc1, xc2, xc3, xc4, xc5, xc6, xc7, xcBlack, xcWhite, xcRed, xcBrightGreen, xcBlue, xcYellow,
  xcPink, xcTurquoise, xcDarkRed, xcGreen, xcDarkBlue, xcBrownGreen, xcViolet, xcBlueGreen, xcGray25,
  xcGray50, xc24, xc25, xc26, xc27, xc28, xc29, xc30, xc31, xc32, xc33, xc34, xc35, xc36, xc37, xc38,
  xc39, xcSky, xcPaleTurquois, xcPaleGreen, xcLightYellow, xcPaleSky, xcRose, xcLilac, xcLightBrown,
  xcDarkSky, xcDarkTurquois, xcGrass, xcGold, xcLightOrange, xcOrange, xcDarkBlueGray, xcGray40,
  xcDarkGreenGray, xcEmerald, xcDarkGreen, xcOlive, xcBrown, xcCherry, xcIndigo, xcGray80, xcAutomatic
};

// A callback with a cell position.
using TXc12RefEvent = std::function<void(int32_t Col, int32_t Row)>;

// Error texts indexed by TXc12CellError.
extern const char16_t* const Xc12CellErrorNames[9];
// Theme slot names indexed by TXc12ClrSchemeColor.
extern const char16_t* const Xc12ClrSchemeColorNames[13];

// A colour as read: ARGB is the resolved value; one of Auto, Indexed, OrigRGB, Theme is meaningful
// depending on ColorType.
struct TXc12Color {
  uint32_t ARGB = 0;
  double Tint = 0;
  TXc12ColorType ColorType = TXc12ColorType::exctUnassigned;
  bool Auto = false;
  TXc12IndexColor Indexed = TXc12IndexColor::xc0;
  uint32_t OrigRGB = 0;
  TXc12ClrSchemeColor Theme = TXc12ClrSchemeColor::cscLt1;
};

// Area records and limits.
void ClearCellArea(TXLSCellArea& area);
void SetCellArea(TXLSCellArea& area, int32_t col, int32_t row);
void InitCellArea(TXLSCellArea& area, int32_t col1, int32_t row1, int32_t col2, int32_t row2);
TXLSCellArea SetCellAreaOneCell(int32_t col, int32_t row);
TXLSCellArea SetCellAreaBounds(int32_t col1, int32_t row1, int32_t col2, int32_t row2);
bool ValidColRow(int32_t col, int32_t row);
bool ValidCellArea(int32_t col1, int32_t row1, int32_t col2, int32_t row2);
bool CellAreaInLimits(int32_t col1, int32_t row1, int32_t col2, int32_t row2);
void ClipCellArea(int32_t& col1, int32_t& row1, int32_t& col2, int32_t& row2);
void NormalizeCellArea(int32_t& col1, int32_t& row1, int32_t& col2, int32_t& row2);
// Strips the class bits of a legacy formula token id.
uint8_t PtgBaseId(uint8_t id);

// Reference text. The parsers return false for anything but a valid reference inside the limits.
bool RefStrToColRow(std::u16string_view s, int32_t& col, int32_t& row);
bool RefStrToColRowAbs(std::u16string_view s, int32_t& col, int32_t& row, bool& colAbs, bool& rowAbs);
bool AreaStrToColRow(std::u16string_view s, int32_t& col1, int32_t& row1, int32_t& col2, int32_t& row2);
bool AreaStrToColRowAbs(std::u16string_view s, int32_t& col1, int32_t& row1, int32_t& col2, int32_t& row2,
                        bool& colAbs1, bool& rowAbs1, bool& colAbs2, bool& rowAbs2);
// Empty text: all -1. A failed parse also leaves all four bounds -1.
void AreaStrToCellArea(std::u16string_view s, TXLSCellArea& area);
std::u16string ColRowToRefStr(int32_t col, int32_t row);
std::u16string ColRowToRefStrAbs(int32_t col, int32_t row, bool colAbs, bool rowAbs);
std::u16string AreaToRefStr(int32_t col1, int32_t row1, int32_t col2, int32_t row2);
std::u16string AreaToRefStrAbs(int32_t col1, int32_t row1, int32_t col2, int32_t row2, bool colAbs1, bool rowAbs1,
                               bool colAbs2, bool rowAbs2);
// Absolute flags packed in bit 15 of a column and bit 31 of a row.
std::u16string AreaToRefStrPacked(int32_t col1, int32_t row1, int32_t col2, int32_t row2);
TXc12CellError ErrorTextToCellError(std::u16string_view text);

// Colours. A colour value has red in the low byte, green, then blue (palette, theme and editing
// values alike); an RGB record keeps its value as a file's rgb attribute writes it, AARRGGBB, and
// converts on the way in and out.
uint32_t Xc12ColorToRGB(const TXc12Color& color, uint32_t defaultColor);
TXc12Color SetIndexedColor(int32_t index);
TXc12Color IndexColorToXc12Color(uint8_t index);
void MakeXc12AutoColor(TXc12Color& color, uint32_t value);
// An RGB record of a colour value (a top byte is kept as the alpha byte).
TXc12Color MakeXc12RGBColor(uint32_t value);
bool Xc12ColorEqual(const TXc12Color& a, const TXc12Color& b);
// The colour is the RGB record of that colour value.
bool Xc12ColorEqualsRGB(const TXc12Color& color, uint32_t value);
bool Xc12ColorIsIndexed(const TXc12Color& color);
int32_t Xc12ColorHash(const TXc12Color& color);
// The HLS bytes of a colour value (hue, lightness, saturation) and back.
void RGBToHLS(uint32_t color, int32_t& h, int32_t& l, int32_t& s);
uint32_t HLSToRGB(int32_t h, int32_t l, int32_t s);
void RGBToHSLFloat(uint32_t color, double& h, double& l, double& s);
uint32_t HSLFloatToRGB(double h, double l, double s);

// An area of cells; subclasses keep the bounds in their own storage.
class TCellArea {
 public:
  virtual ~TCellArea() = default;
  virtual int32_t GetCol1() const = 0;
  virtual int32_t GetRow1() const = 0;
  virtual int32_t GetCol2() const = 0;
  virtual int32_t GetRow2() const = 0;
  virtual void SetCol1(int32_t v) = 0;
  virtual void SetRow1(int32_t v) = 0;
  virtual void SetCol2(int32_t v) = 0;
  virtual void SetRow2(int32_t v) = 0;

  int32_t Col1() const { return GetCol1(); }
  int32_t Row1() const { return GetRow1(); }
  int32_t Col2() const { return GetCol2(); }
  int32_t Row2() const { return GetRow2(); }

  void SetSize(int32_t c, int32_t r) { SetSize(c, r, c, r); }
  void SetSize(int32_t c1, int32_t r1, int32_t c2, int32_t r2);
  bool Equal(int32_t c1, int32_t r1, int32_t c2, int32_t r2) const;
  bool InArea(int32_t c1, int32_t r1, int32_t c2, int32_t r2) const;
  TXLSCellArea AsRecArea() const;
  void SetAsRecArea(const TXLSCellArea& a);
  std::u16string AsString() const;
  std::u16string AsStringAbs() const;

  int32_t Tag = 0;
  void* Obj = nullptr;  // not owned
};

// An area with its own four bounds.
class TCellAreaImpl : public TCellArea {
 public:
  int32_t GetCol1() const override { return FCol1; }
  int32_t GetRow1() const override { return FRow1; }
  int32_t GetCol2() const override { return FCol2; }
  int32_t GetRow2() const override { return FRow2; }
  void SetCol1(int32_t v) override { FCol1 = v; }
  void SetRow1(int32_t v) override { FRow1 = v; }
  void SetCol2(int32_t v) override { FCol2 = v; }
  void SetRow2(int32_t v) override { FRow2 = v; }

 protected:
  int32_t FCol1 = 0, FRow1 = 0, FCol2 = 0, FRow2 = 0;
};

// An owning list of areas with the editing operations that subclasses define.
class TBaseCellAreas {
 public:
  virtual ~TBaseCellAreas() = default;

  virtual std::unique_ptr<TCellArea> CreateArea() const { return std::make_unique<TCellAreaImpl>(); }
  virtual void Copy(int32_t Col1, int32_t Row1, int32_t Col2, int32_t Row2, int32_t DeltaCol, int32_t DeltaRow) {
    (void)Col1, (void)Row1, (void)Col2, (void)Row2, (void)DeltaCol, (void)DeltaRow;
  }
  virtual void Delete(int32_t Col1, int32_t Row1, int32_t Col2, int32_t Row2) = 0;
  virtual void DeleteAndAdjust(int32_t Col1, int32_t Row1, int32_t Col2, int32_t Row2) = 0;
  virtual TCellArea* Include(int32_t Col1, int32_t Row1, int32_t Col2, int32_t Row2) = 0;
  virtual void Move(int32_t DeltaCol, int32_t DeltaRow) = 0;
  virtual void Move(int32_t Col1, int32_t Row1, int32_t Col2, int32_t Row2, int32_t DeltaCol, int32_t DeltaRow) = 0;

  TCellArea* Add();
  TCellArea* Add(int32_t c, int32_t r) { return Add(c, r, c, r); }
  TCellArea* Add(int32_t c1, int32_t r1, int32_t c2, int32_t r2);
  // A text that fails to parse adds nothing and returns nullptr.
  TCellArea* Add(std::u16string_view ref);
  TCellArea* Add(const TXLSCellArea& area) { return Add(area.Col1, area.Row1, area.Col2, area.Row2); }

  int FindArea(int32_t c1, int32_t r1, int32_t c2, int32_t r2) const;
  int CellInAreas(int32_t col, int32_t row) const;
  bool AreaInAreas(int32_t c1, int32_t r1, int32_t c2, int32_t r2) const;

  size_t Count() const { return FItems.size(); }
  TCellArea* Items(size_t index) const;  // std::out_of_range outside the list
  void Clear() { FItems.clear(); }
  void Remove(size_t index);

  std::u16string DelimitedText() const;
  void SetDelimitedText(std::u16string_view text);

  int32_t Tag = 0;
  char16_t Delimiter = u' ';

  // The last column and row an area may reach after a shift (the sheet's by default; a legacy
  // list sets those of its format).
  void SetLimits(int32_t maxCol, int32_t maxRow) { FMaxCol = maxCol, FMaxRow = maxRow; }

 protected:
  TCellArea* Append(std::unique_ptr<TCellArea> a);
  // False when the area lies wholly outside the limits; otherwise cuts it to them.
  bool ClipToLimits(TXLSCellArea& a) const;
  std::vector<std::unique_ptr<TCellArea>> FItems;
  int32_t FMaxCol = XLS_MAXCOL, FMaxRow = XLS_MAXROW;
};

// Areas that may overlap (selections, reference lists).
class TCellAreas : public TBaseCellAreas {
 public:
  TCellArea* Last() const { return FItems.empty() ? nullptr : FItems.back().get(); }
  void Copy(int32_t Col1, int32_t Row1, int32_t Col2, int32_t Row2, int32_t DeltaCol, int32_t DeltaRow) override;
  void Delete(int32_t Col1, int32_t Row1, int32_t Col2, int32_t Row2) override;
  void DeleteAndAdjust(int32_t, int32_t, int32_t, int32_t) override {}
  TCellArea* Include(int32_t Col1, int32_t Row1, int32_t Col2, int32_t Row2) override;
  void Move(int32_t DeltaCol, int32_t DeltaRow) override;
  void Move(int32_t Col1, int32_t Row1, int32_t Col2, int32_t Row2, int32_t DeltaCol, int32_t DeltaRow) override;

 private:
  void AddMoved(const TXLSCellArea& part, int32_t DeltaCol, int32_t DeltaRow);
};

// Areas that must never be cut (merged cells).
class TSolidCellAreas : public TBaseCellAreas {
 public:
  void Copy(int32_t Col1, int32_t Row1, int32_t Col2, int32_t Row2, int32_t DeltaCol, int32_t DeltaRow) override;
  void Delete(int32_t Col1, int32_t Row1, int32_t Col2, int32_t Row2) override;
  void DeleteAndAdjust(int32_t Col1, int32_t Row1, int32_t Col2, int32_t Row2) override;
  TCellArea* Include(int32_t Col1, int32_t Row1, int32_t Col2, int32_t Row2) override;
  void Move(int32_t DeltaCol, int32_t DeltaRow) override;
  void Move(int32_t Col1, int32_t Row1, int32_t Col2, int32_t Row2, int32_t DeltaCol, int32_t DeltaRow) override;
  bool CopyFailed() const { return FCopyFailed; }

 private:
  bool FCopyFailed = false;
};

// One cell reference.
class TCellRef {
 public:
  void Clear() { Col = Row = 0; }
  std::u16string AsString() const { return ColRowToRefStr(Col, Row); }
  // A text that fails to parse leaves the reference unchanged.
  void SetAsString(std::u16string_view s);
  int32_t Col = 0, Row = 0;
};

class TCellRefs {
 public:
  TCellRef* Add(std::u16string_view ref);
  size_t Count() const { return FItems.size(); }
  TCellRef* Items(size_t index) const;

 private:
  std::vector<std::unique_ptr<TCellRef>> FItems;
};

// An item of a sheet that moves, copies and deletes with cell ranges.
class TXLSMoveCopyItem {
 public:
  virtual ~TXLSMoveCopyItem() = default;
  virtual void Delete(int32_t Col1, int32_t Row1, int32_t Col2, int32_t Row2) = 0;
};

class TXLSMoveCopyList {
 public:
  virtual ~TXLSMoveCopyList() = default;
  void DeleteLocal(int32_t Col1, int32_t Row1, int32_t Col2, int32_t Row2);
  size_t Count() const { return FItems.size(); }
  TXLSMoveCopyItem* Items(size_t index) const;

 protected:
  std::vector<std::unique_ptr<TXLSMoveCopyItem>> FItems;
};

}  // namespace xls
