// The style sheet of one workbook and its cell format editor.
//
// The style sheet holds every formatting list (Part of the model that cells point into by
// position: a cell's style is a position in the cell formats, 0 being the built-in default).
// After Clear each list holds its built-in, locked entries: 50 number formats, the font Calibri
// 11, the fills none and gray125, an empty border, one cell format and one style format over
// those, and the named style "Normal". The format editor is the only way a format is changed:
// BeginEdit copies a format into a scratch format, the setters change it there, and EndEdit
// returns an existing equal format or a new or reused one; it also keeps the use counts and
// removes unused records every 25th edit.
// Design choice: before a font, fill or border is removed for having no counted use, the editor
// checks that no cell format, style format or named style still points at it, so records that
// formats refer to without a counted use (a package's first formats, style formats) survive.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "xls/model/xlsstyles.h"
#include "xls/model/xlsstyleuse.h"

namespace xls {

class TXc12XFEditor;

class TXc12DataStyleSheet {
 public:
  TXc12DataStyleSheet();
  ~TXc12DataStyleSheet();
  TXc12DataStyleSheet(const TXc12DataStyleSheet&) = delete;
  TXc12DataStyleSheet& operator=(const TXc12DataStyleSheet&) = delete;

  void Clear();
  void AfterRead();
  void SetXFDefaultValues(TXc12XF& xf);
  void PixelsPerInchXY(int& x, int& y) const;
  int32_t StdFontWidth() const { return FFonts->FStdFontWidth; }
  int32_t StdFontHeight() const { return FFonts->FStdFontHeight; }

  TXc12XFs& XFs() { return *FXFs; }
  TXc12DXFs& DXFs() { return *FDXFs; }
  TXc12XFs& StyleXFs() { return *FStyleXFs; }
  TXc12NumberFormats& NumFmts() { return *FNumFmts; }
  TXc12Fonts& Fonts() { return *FFonts; }
  TXc12Fills& Fills() { return *FFills; }
  TXc12Borders& Borders() { return *FBorders; }
  TXc12CellStyles& Styles() { return *FStyles; }
  TXc12TableStyles& TableStyles() { return *FTableStyles; }
  TXc12ColorObjs& MruColors() { return *FMruColors; }
  TXc12IndexColorObjs& InxColors() { return *FInxColors; }
  TXc12XFEditor& XFEditor() { return *FXFEditor; }

  // Optional source of the pixels per inch (x, y); without one the platform's value is used.
  std::function<void(int& x, int& y)> OnPixelsPerInch;

 private:
  std::unique_ptr<TXc12XFs> FXFs;
  std::unique_ptr<TXc12DXFs> FDXFs;
  std::unique_ptr<TXc12XFs> FStyleXFs;
  std::unique_ptr<TXc12NumberFormats> FNumFmts;
  std::unique_ptr<TXc12Fonts> FFonts;
  std::unique_ptr<TXc12Fills> FFills;
  std::unique_ptr<TXc12Borders> FBorders;
  std::unique_ptr<TXc12CellStyles> FStyles;
  std::unique_ptr<TXc12TableStyles> FTableStyles;
  std::unique_ptr<TXc12ColorObjs> FMruColors;
  std::unique_ptr<TXc12IndexColorObjs> FInxColors;
  std::unique_ptr<TXc12XFEditor> FXFEditor;
};

// Edits cell formats by copy, find-equal and compaction; keeps the use counts.
class TXc12XFEditor : public TXLSStyleUseCounter {
 public:
  explicit TXc12XFEditor(TXc12DataStyleSheet& styles);
  ~TXc12XFEditor() override;

  void BeginEdit(TXc12XF* xf);
  TXc12XF* EndEdit();

  // Edit properties.
  void SetFontName(std::u16string_view v);
  void SetFontCharset(uint8_t v);
  void SetFontFamily(int32_t v);
  void SetFontColorRGB(uint32_t v);
  void SetFontColor(const TXc12Color& v);
  void SetFontSize(double v);
  void SetFontStyle(TXc12FontStyles v);
  void SetFontSubSuperScript(TXc12SubSuperscript v);
  void SetFontUnderline(TXc12Underline v);
  void SetFillColor(const TXc12Color& v);
  void SetFillBgColor(const TXc12Color& v);
  void SetFillColorRGB(uint32_t v);
  void SetFillBgColorRGB(uint32_t v);
  void SetFillPattern(TXc12FillPattern v);
  void SetNumberFormat(std::u16string_view v);
  enum class TBorderSide : uint8_t { Left, Top, Right, Bottom, Diag };
  void SetBorderColor(TBorderSide side, const TXc12Color& v);
  void SetBorderColorRGB(TBorderSide side, uint32_t v);
  void SetBorderStyle(TBorderSide side, TXc12CellBorderStyle v);
  void SetProtectionLocked(bool v);
  void SetProtectionHidden(bool v);
  void SetAlignHoriz(TXc12HorizAlignment v);
  void SetAlignVert(TXc12VertAlignment v);
  void SetAlignRotation(int32_t v);
  void SetAlignOptions(TXc12AlignmentOptions v);
  void SetAlignIndent(int32_t v);
  void SetAlignRelIndent(int32_t v);
  void SetAlignReadingOrder(TXc12ReadOrder v);

  TXc12XF* UseDefault();
  void UseStyle(TXc12XF* xf);
  void FreeStyle(TXc12XF* xf);
  // By position in the cell formats (std::out_of_range outside; an empty slot is skipped).
  void UseStyle(int32_t xf) override;
  void FreeStyle(int32_t xf) override;
  void UseFonts(const std::vector<TXc12FontRun>& runs);
  TXc12Font* UseRequiredFont(const TXc12Font& font);
  void FreeFonts(const std::vector<TXc12FontRun>& runs) { FreeFonts(runs.data(), runs.size()); }
  void FreeFonts(const TXc12FontRun* runs, size_t count) override;
  void LockAll();
  void CompactStyles();
  int32_t CompactCount() const { return FCompactCount; }

 private:
  bool FontReferenced(const TXc12Font* f) const;
  bool FillReferenced(const TXc12Fill* f) const;
  bool BorderReferenced(const TXc12Border* b) const;
  void FillChanged();
  TXc12BorderPr& Side(TBorderSide s);

  TXc12DataStyleSheet& FStyles;
  std::unique_ptr<TXc12XF> FXF;
  std::unique_ptr<TXc12NumberFormat> FCmpNumFmt;
  std::unique_ptr<TXc12Font> FCmpFont;
  std::unique_ptr<TXc12Fill> FCmpFill;
  std::unique_ptr<TXc12Border> FCmpBorder;
  TXc12XF* FOrigXF = nullptr;
  bool FProtectChanged = false, FAlignChanged = false, FNumFmtChanged = false, FFontChanged = false,
       FFillChanged = false, FBorderChanged = false;
  int32_t FCompactCount = 0;
};

}  // namespace xls
