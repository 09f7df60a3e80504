// An area of a worksheet that takes one format setting at a time: every property write runs the
// range's own format command on the sheet (begin, one item of one command part, apply to the
// area), so that a cell keeps whatever the write does not name.
// Design choice: the range owns its command instead of sharing the workbook's, so that a write
// through it never disturbs a command being built elsewhere.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "xls/model/xlscellarea.h"
#include "xls/model/xlscmdformat.h"

namespace xls {

enum class TXLSRangeType : uint8_t { xrtCell, xrtColumn, xrtRow, xrtArea };

class TXLSRange : public TCellAreaImpl {
 public:
  TXLSRange(TXc12Manager* manager, TXLSWorksheet* sheet);
  ~TXLSRange() override;

  TXLSRangeType RangeType() const { return FRangeType; }
  void SetRangeType(TXLSRangeType v) { FRangeType = v; }

  void SetBorderOutlineColor(uint32_t rgb);
  void SetBorderOutlineStyle(TXc12CellBorderStyle v);
  // One side: top, left, right, bottom, inside horizontal or inside vertical.
  void SetBorderColor(TCmdBorderSide side, uint32_t rgb);
  void SetBorderStyle(TCmdBorderSide side, TXc12CellBorderStyle v);
  void SetBorderTopColor(uint32_t v) { SetBorderColor(TCmdBorderSide::cbsTop, v); }
  void SetBorderLeftColor(uint32_t v) { SetBorderColor(TCmdBorderSide::cbsLeft, v); }
  void SetBorderRightColor(uint32_t v) { SetBorderColor(TCmdBorderSide::cbsRight, v); }
  void SetBorderBottomColor(uint32_t v) { SetBorderColor(TCmdBorderSide::cbsBottom, v); }
  void SetBorderInsideHorizColor(uint32_t v) { SetBorderColor(TCmdBorderSide::cbsInsideHoriz, v); }
  void SetBorderInsideVertColor(uint32_t v) { SetBorderColor(TCmdBorderSide::cbsInsideVert, v); }
  void SetBorderTopStyle(TXc12CellBorderStyle v) { SetBorderStyle(TCmdBorderSide::cbsTop, v); }
  void SetBorderLeftStyle(TXc12CellBorderStyle v) { SetBorderStyle(TCmdBorderSide::cbsLeft, v); }
  void SetBorderRightStyle(TXc12CellBorderStyle v) { SetBorderStyle(TCmdBorderSide::cbsRight, v); }
  void SetBorderBottomStyle(TXc12CellBorderStyle v) { SetBorderStyle(TCmdBorderSide::cbsBottom, v); }
  void SetBorderInsideHorizStyle(TXc12CellBorderStyle v) {
    SetBorderStyle(TCmdBorderSide::cbsInsideHoriz, v);
  }
  void SetBorderInsideVertStyle(TXc12CellBorderStyle v) { SetBorderStyle(TCmdBorderSide::cbsInsideVert, v); }
  // Both diagonals.
  void SetBorderDiagColor(uint32_t rgb);
  void SetBorderDiagStyle(TXc12CellBorderStyle v);

  void SetFillPatternForeColor(uint32_t rgb);
  void SetFillPatternBackColor(uint32_t rgb);
  void SetFillPatternPattern(TXc12FillPattern v);

  void SetFontName(std::u16string_view v);
  void SetFontCharset(uint8_t v);
  void SetFontSize(double v);
  void SetFontSize20(int32_t v);
  void SetFontStyle(TXc12FontStyles v);
  void SetFontSubSuperScript(TXc12SubSuperscript v);
  void SetFontUnderline(TXc12Underline v);
  void SetFontColor(uint32_t rgb);
  // The format command has no family item: nothing changes.
  void SetFontFamily(int32_t) {}

  void SetHorizAlignment(TXc12HorizAlignment v);
  void SetVertAlignment(TXc12VertAlignment v);
  void SetIndent(int32_t v);
  void SetRotation(int32_t v);
  void SetWrapText(bool v);
  void SetShrinkToFit(bool v);

  void SetNumberFormat(std::u16string_view v);
  // Locked and hidden set to true when in the value; a flag not in it is left as the cell has it.
  void SetProtection(TXc12CellProtections v);

  TXLSCmdFormat& CmdFormat() { return *FCmdFormat; }

 private:
  template <class F>
  void Run(F&& set);
  TXc12Manager* FManager;
  TXLSRangeType FRangeType = TXLSRangeType::xrtArea;
  TXLSWorksheet* FSheet;
  std::unique_ptr<TXLSCmdFormat> FCmdFormat;
};

}  // namespace xls
