// Rows and columns of a worksheet as reusable objects: heights, widths, visibility, outline
// settings and the row's or column's cell format.
//
// Units: row heights in twentieths of a point (a row without header, or with the header value
// $FFFF, is 300 = 15 points; stored heights are clamped to 0..65534); column widths in 1/256 of
// the standard character width (the column record keeps characters as a double; a width that is
// negative, not finite or above 255 characters is clamped before it becomes an integer: NaN and
// negative give 0, larger ones 255). Pixels come from the style sheet's pixels per inch and
// standard character width, each taken as at least 1.
// A column record covers a run of columns with equal settings. A change to one column splits its
// record; afterwards the records are sorted and neighbours with equal settings are joined. Each
// record holds one counted use of its cell format, so a join gives the removed record's use back.
// Records read from a file may come unsorted or overlapping: before the first search they are
// cut (a later record gives up the columns an earlier one covers) and sorted.
// Design choice: the row and column objects keep only their index and find the row header or the
// column record again at every access, because the cell store moves row vectors and tidying
// deletes records.
#pragma once

#include <cstdint>
#include <functional>

#include "xls/model/xlsformattedobj.h"

namespace xls {

class TXLSCellMMU;
class TXc12Columns;
struct TXc12Column;
struct TXLSMMURowHeader;
class TXLSRows;
class TXLSColumns;

class TXLSRow : public TXLSFormattedObj {
 public:
  TXLSRow(TXLSRows* owner, TXc12DataStyleSheet* styles) : TXLSFormattedObj(styles), FOwner(owner) {}
  int32_t Index() const { return FIndex; }
  int32_t Height();
  void SetHeight(int32_t v);
  double HeightPt() { return Height() / 20.0; }
  void SetHeightPt(double v);
  int32_t PixelHeight();
  void SetPixelHeight(int32_t v);
  bool Hidden();
  void SetHidden(bool v);
  int32_t OutlineLevel();
  void SetOutlineLevel(int32_t v);
  bool CollapsedOutline();
  void SetCollapsedOutline(bool v);
  bool CustomHeight();

 protected:
  TXc12XF* CurrentXF() override;
  void XFChanged(TXc12XF* xf) override;

 private:
  friend class TXLSRows;
  TXLSMMURowHeader* Header();
  TXLSMMURowHeader* MakeHeader();
  void SetOption(uint8_t option, bool v);
  TXLSRows* FOwner;
  int32_t FIndex = 0;
};

class TXLSRows {
 public:
  TXLSRows(TXLSCellMMU* cells, TXc12DataStyleSheet* styles)
      : FStyles(styles), FTheRow(this, styles), FCells(cells) {}
  // The one row object, positioned on row `index` (clamped to the sheet's rows).
  TXLSRow* Items(int32_t index);
  bool ApplyStyleOnCells() const { return FApplyStyleOnCells; }
  void SetApplyStyleOnCells(bool v) { FApplyStyleOnCells = v; }
  TXLSCellMMU* Cells() const { return FCells; }
  TXc12DataStyleSheet* Styles() const { return FStyles; }

 private:
  TXc12DataStyleSheet* FStyles;
  TXLSRow FTheRow;
  TXLSCellMMU* FCells;
  bool FApplyStyleOnCells = true;
};

class TXLSColumn : public TXLSFormattedObj {
 public:
  TXLSColumn(TXLSColumns* owner, TXc12DataStyleSheet* styles) : TXLSFormattedObj(styles), FOwner(owner) {}
  int32_t Index() const { return FColIndex; }
  int32_t Width();
  void SetWidth(int32_t v);
  double CharWidth();
  void SetCharWidth(double v);
  double WidthPt();
  void SetWidthPt(double v);
  int32_t PixelWidth();
  void SetPixelWidth(int32_t v);
  int32_t PixelWidth2();
  void SetPixelWidth2(int32_t v) { SetPixelWidth(v); }
  bool Hidden();
  void SetHidden(bool v);
  int32_t OutlineLevel();
  void SetOutlineLevel(int32_t v);
  bool CollapsedOutline();
  void SetCollapsedOutline(bool v);

 protected:
  TXc12XF* CurrentXF() override;
  void XFChanged(TXc12XF* xf) override;

 private:
  friend class TXLSColumns;
  TXc12Column* Record();
  // The record covering only this column (split off, or created with `style`), tidied later.
  TXc12Column* Own(TXc12XF* style = nullptr);
  void SetFlag(uint8_t option, bool v);
  void Changed();
  TXLSColumns* FOwner;
  int32_t FColIndex = 0;
};

class TXLSColumns {
 public:
  TXLSColumns(TXc12Columns* cols, TXc12DataStyleSheet* styles);
  // The one column object, positioned on column `index` (clamped to the sheet's columns).
  TXLSColumn* Items(int32_t index);
  TXc12DataStyleSheet* Styles() const { return FStyles; }
  int32_t DefaultWidth() const { return FDefaultWidth; }
  void SetDefaultWidth(int32_t v);
  // The format of the record covering `col`, nullptr without one.
  TXc12XF* ColumnXF(int32_t col);
  // The record covering `col`, nullptr without one.
  TXc12Column* Find(int32_t col);
  std::function<void(TXLSColumns& sender, int32_t col1, int32_t col2)> OnColWidthChange;
  TXc12Columns& Cols() { return *FCols; }

 private:
  friend class TXLSColumn;
  // Cuts overlapping records and sorts them when the list changed outside this object.
  void Normalize();
  void Tidy();
  TXc12DataStyleSheet* FStyles;
  TXc12Columns* FCols;
  TXLSColumn FTheColumn;
  int32_t FDefaultWidth = 2340;
  size_t FCheckedCount = SIZE_MAX;
};

// A column width in characters as a finite value in 0..255 (NaN and negative give 0).
double ClampColumnChars(double chars);

}  // namespace xls
