// Formatted objects: a cell, a row or a column shown as flat format properties over its cell
// format (XF).
//
// Every write goes through the style sheet's format editor (BeginEdit, one editor property,
// EndEdit), so that a format shared by other cells is never changed in place: the write yields
// an equal existing XF or a new one, and the descendant's `XFChanged` makes its target use it
// and keeps the use counts. Colours read as RGB give 0 for an automatic colour; index colours
// read 0 for every colour that is not indexed.
// Design choice: the object keeps only the position of its target (cell, row or column) and
// finds the target's XF again through `CurrentXF` before each read and write. The cell store
// moves row vectors and the editor's compaction empties unused XF slots, so a pointer kept from
// the last positioning could point into memory that has moved or been freed.
#pragma once

#include <cstdint>
#include <string>

#include "xls/model/xlsstyles.h"

namespace xls {

class TXc12DataStyleSheet;
class TXc12XFEditor;
class TXLSCellMMU;

class TXLSFormattedObj {
 public:
  explicit TXLSFormattedObj(TXc12DataStyleSheet* styles) : FStyles(styles) {}
  virtual ~TXLSFormattedObj() = default;

  TXc12XF* Style() { return CurrentXF(); }
  TXc12XF* XF() { return CurrentXF(); }

  TXc12CellProtections Protection();
  void SetProtection(TXc12CellProtections v);
  TXc12HorizAlignment HorizAlignment();
  void SetHorizAlignment(TXc12HorizAlignment v);
  TXc12VertAlignment VertAlignment();
  void SetVertAlignment(TXc12VertAlignment v);
  int32_t Indent();
  void SetIndent(int32_t v);
  int32_t Rotation();
  void SetRotation(int32_t v);
  bool WrapText();
  void SetWrapText(bool v);
  bool ShrinkToFit();
  void SetShrinkToFit(bool v);

  uint8_t FillPatternForeColor();
  void SetFillPatternForeColor(uint8_t v);
  uint32_t FillPatternForeColorRGB();
  void SetFillPatternForeColorRGB(uint32_t v);
  uint8_t FillPatternBackColor();
  void SetFillPatternBackColor(uint8_t v);
  uint32_t FillPatternBackColorRGB();
  void SetFillPatternBackColorRGB(uint32_t v);
  uint32_t CellColorRGB() { return FillPatternForeColorRGB(); }
  void SetCellColorRGB(uint32_t v) { SetFillPatternForeColorRGB(v); }
  TXc12FillPattern FillPatternPattern();
  void SetFillPatternPattern(TXc12FillPattern v);
  std::u16string NumberFormat();
  void SetNumberFormat(std::u16string_view v);

  // Border sides in the order top, left, right, bottom, diagonal.
  enum class TSide : uint8_t { Top, Left, Right, Bottom, Diag };
  uint8_t BorderColor(TSide side);
  void SetBorderColor(TSide side, uint8_t v);
  uint32_t BorderColorRGB(TSide side);
  void SetBorderColorRGB(TSide side, uint32_t v);
  TXc12CellBorderStyle BorderStyle(TSide side);
  void SetBorderStyle(TSide side, TXc12CellBorderStyle v);

  std::u16string FontName();
  void SetFontName(std::u16string_view v);
  uint8_t FontCharset();
  void SetFontCharset(uint8_t v);
  int32_t FontFamily();
  void SetFontFamily(int32_t v);
  uint32_t FontColor();
  void SetFontColor(uint32_t v);
  TXc12Color FontColorXc12();
  // Through the editor like every other write: formats sharing the font keep their colour.
  void SetFontColorXc12(const TXc12Color& v);
  double FontSize();
  void SetFontSize(double v);
  int32_t FontSize20();
  void SetFontSize20(int32_t v);
  TXc12FontStyles FontStyle();
  void SetFontStyle(TXc12FontStyles v);
  TXc12SubSuperscript FontSubSuperScript();
  void SetFontSubSuperScript(TXc12SubSuperscript v);
  TXc12Underline FontUnderline();
  void SetFontUnderline(TXc12Underline v);

 protected:
  // The target's format as it is now (XF 0 when the target has none).
  virtual TXc12XF* CurrentXF() = 0;
  // Called after a write with the new format; the target takes it and counts its use.
  virtual void XFChanged(TXc12XF* xf) = 0;
  TXc12XF* DefaultXF() const;

  TXc12DataStyleSheet* FStyles;

 private:
  template <class F>
  void Edit(F&& set);
  const TXc12BorderPr* BorderSide(TSide side);
};

// The worksheet's one cell object, positioned on a cell by the sheet's `Cell`.
class TXLSCell : public TXLSFormattedObj {
 public:
  TXLSCell(TXc12DataStyleSheet* styles, TXLSCellMMU* cells) : TXLSFormattedObj(styles), FCells(cells) {}
  TXLSCell* Position(int32_t col, int32_t row) {
    FCol = col, FRow = row;
    return this;
  }
  TXLSCellMMU* Cells() const { return FCells; }
  int32_t Col() const { return FCol; }
  int32_t Row() const { return FRow; }

 protected:
  TXc12XF* CurrentXF() override;
  // The cell takes the format; a cell without an item becomes a blank carrying it.
  void XFChanged(TXc12XF* xf) override;

 private:
  TXLSCellMMU* FCells;
  int32_t FCol = 0, FRow = 0;
};

// A read-only view of one cell format.
class TXLSFormattedCell {
 public:
  explicit TXLSFormattedCell(TXc12XF* xf = nullptr) : FXF(xf) {}
  TXLSFormattedCell* Position(TXc12XF* xf) {
    FXF = xf;
    return this;
  }
  TXc12XF* XF() const { return FXF; }
  TXc12CellProtections Protection() const { return FXF->Protection(); }
  TXc12HorizAlignment HorizAlignment() const { return FXF->Alignment().FHorizAlignment; }
  TXc12VertAlignment VertAlignment() const { return FXF->Alignment().FVertAlignment; }
  int32_t Indent() const { return FXF->Alignment().FIndent; }
  int32_t Rotation() const { return FXF->Alignment().FRotation; }
  bool WrapText() const { return FXF->Alignment().IsWrapText(); }
  bool ShrinkToFit() const { return FXF->Alignment().FOptions.Contains(TXc12AlignmentOption::foShrinkToFit); }
  TXc12FillPattern FillPatternPattern() const { return FXF->Fill()->PatternType(); }
  TXc12Color FillPatternForeColor() const { return FXF->Fill()->FgColor(); }
  TXc12Color FillPatternBackColor() const { return FXF->Fill()->BgColor(); }
  std::u16string NumberFormat() const { return FXF->NumFmt() ? FXF->NumFmt()->Value() : std::u16string(); }
  const TXc12BorderPr& Border(TXLSFormattedObj::TSide side) const;
  TXc12CellBorderStyle BorderStyle(TXLSFormattedObj::TSide side) const { return Border(side).FStyle; }
  TXc12Color BorderColor(TXLSFormattedObj::TSide side) const { return Border(side).FColor; }
  std::u16string FontName() const { return FXF->Font()->Name(); }
  int32_t FontFamily() const { return FXF->Font()->Family(); }
  double FontSize() const { return FXF->Font()->Size(); }
  TXc12FontStyles FontStyle() const { return FXF->Font()->Style(); }
  TXc12SubSuperscript FontSubSuperScript() const { return FXF->Font()->SubSuperscript(); }
  TXc12Underline FontUnderline() const { return FXF->Font()->Underline(); }
  TXc12Color FontColor() const { return FXF->Font()->Color(); }

 private:
  TXc12XF* FXF;
};

// The XF at a style position of the style sheet; XF 0 for an empty slot or a position outside.
TXc12XF* StyleXF(TXc12DataStyleSheet& styles, int32_t style);

}  // namespace xls
