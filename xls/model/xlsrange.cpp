#include "xls/model/xlsrange.h"

namespace xls {

TXLSRange::TXLSRange(TXc12Manager* manager, TXLSWorksheet* sheet)
    : FManager(manager), FSheet(sheet), FCmdFormat(std::make_unique<TXLSCmdFormat>(manager)) {}

TXLSRange::~TXLSRange() = default;

template <class F>
void TXLSRange::Run(F&& set) {
  FCmdFormat->BeginEdit(FSheet);
  set(*FCmdFormat);
  FCmdFormat->Apply(FCol1, FRow1, FCol2, FRow2);
}

void TXLSRange::SetBorderOutlineColor(uint32_t rgb) {
  Run([&](TXLSCmdFormat& c) {
    c.Border().Color().SetRGB(rgb);
    c.Border().Preset(TCmdBorderSidePreset::cbspOutline);
  });
}

void TXLSRange::SetBorderOutlineStyle(TXc12CellBorderStyle v) {
  Run([&](TXLSCmdFormat& c) {
    c.Border().SetStyle(v);
    c.Border().Preset(TCmdBorderSidePreset::cbspOutline);
  });
}

void TXLSRange::SetBorderColor(TCmdBorderSide side, uint32_t rgb) {
  Run([&](TXLSCmdFormat& c) {
    c.Border().Color().SetRGB(rgb);
    c.Border().SetSide(side, true);
  });
}

void TXLSRange::SetBorderStyle(TCmdBorderSide side, TXc12CellBorderStyle v) {
  Run([&](TXLSCmdFormat& c) {
    c.Border().SetStyle(v);
    c.Border().SetSide(side, true);
  });
}

void TXLSRange::SetBorderDiagColor(uint32_t rgb) {
  Run([&](TXLSCmdFormat& c) {
    c.Border().Color().SetRGB(rgb);
    c.Border().SetSide(TCmdBorderSide::cbsDiagLeft, true);
    c.Border().SetSide(TCmdBorderSide::cbsDiagRight, true);
  });
}

void TXLSRange::SetBorderDiagStyle(TXc12CellBorderStyle v) {
  Run([&](TXLSCmdFormat& c) {
    c.Border().SetStyle(v);
    c.Border().SetSide(TCmdBorderSide::cbsDiagLeft, true);
    c.Border().SetSide(TCmdBorderSide::cbsDiagRight, true);
  });
}

void TXLSRange::SetFillPatternForeColor(uint32_t rgb) {
  Run([&](TXLSCmdFormat& c) { c.Fill().BackgroundColor().SetRGB(rgb); });
}
void TXLSRange::SetFillPatternBackColor(uint32_t rgb) {
  Run([&](TXLSCmdFormat& c) { c.Fill().PatternColor().SetRGB(rgb); });
}
void TXLSRange::SetFillPatternPattern(TXc12FillPattern v) {
  Run([&](TXLSCmdFormat& c) { c.Fill().SetPatternStyle(v); });
}

void TXLSRange::SetFontName(std::u16string_view v) {
  Run([&](TXLSCmdFormat& c) { c.Font().SetName(v); });
}
void TXLSRange::SetFontCharset(uint8_t v) {
  Run([&](TXLSCmdFormat& c) { c.Font().SetCharset(v); });
}
void TXLSRange::SetFontSize(double v) {
  Run([&](TXLSCmdFormat& c) { c.Font().SetSize(v); });
}
void TXLSRange::SetFontSize20(int32_t v) { SetFontSize(v / 20.0); }
void TXLSRange::SetFontStyle(TXc12FontStyles v) {
  Run([&](TXLSCmdFormat& c) { c.Font().SetStyle(v); });
}
void TXLSRange::SetFontSubSuperScript(TXc12SubSuperscript v) {
  Run([&](TXLSCmdFormat& c) { c.Font().SetSubSuperscript(v); });
}
void TXLSRange::SetFontUnderline(TXc12Underline v) {
  Run([&](TXLSCmdFormat& c) { c.Font().SetUnderline(v); });
}
void TXLSRange::SetFontColor(uint32_t rgb) {
  Run([&](TXLSCmdFormat& c) { c.Font().Color().SetRGB(rgb); });
}

void TXLSRange::SetHorizAlignment(TXc12HorizAlignment v) {
  Run([&](TXLSCmdFormat& c) { c.Alignment().SetHorizontal(v); });
}
void TXLSRange::SetVertAlignment(TXc12VertAlignment v) {
  Run([&](TXLSCmdFormat& c) { c.Alignment().SetVertical(v); });
}
void TXLSRange::SetIndent(int32_t v) {
  Run([&](TXLSCmdFormat& c) { c.Alignment().SetIndent(v); });
}
void TXLSRange::SetRotation(int32_t v) {
  Run([&](TXLSCmdFormat& c) { c.Alignment().SetRotation(v); });
}
void TXLSRange::SetWrapText(bool v) {
  Run([&](TXLSCmdFormat& c) { c.Alignment().SetWrapText(v); });
}
void TXLSRange::SetShrinkToFit(bool v) {
  Run([&](TXLSCmdFormat& c) { c.Alignment().SetShrinkToFit(v); });
}

void TXLSRange::SetNumberFormat(std::u16string_view v) {
  Run([&](TXLSCmdFormat& c) { c.Number().SetFormat(v); });
}

void TXLSRange::SetProtection(TXc12CellProtections v) {
  Run([&](TXLSCmdFormat& c) {
    if (v.Contains(TXc12CellProtection::cpLocked)) c.Protection().SetLocked(true);
    if (v.Contains(TXc12CellProtection::cpHidden)) c.Protection().SetHidden(true);
  });
}

}  // namespace xls
