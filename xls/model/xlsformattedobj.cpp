#include "xls/model/xlsformattedobj.h"

#include <cmath>

#include "xls/model/xlscellmmu.h"
#include "xls/model/xlsstylesheet.h"

namespace xls {

namespace {
using TEdSide = TXc12XFEditor::TBorderSide;

TEdSide EditorSide(TXLSFormattedObj::TSide s) {
  switch (s) {
    case TXLSFormattedObj::TSide::Top:
      return TEdSide::Top;
    case TXLSFormattedObj::TSide::Left:
      return TEdSide::Left;
    case TXLSFormattedObj::TSide::Right:
      return TEdSide::Right;
    case TXLSFormattedObj::TSide::Bottom:
      return TEdSide::Bottom;
    default:
      return TEdSide::Diag;
  }
}

const TXc12BorderPr& SideOf(const TXc12Border& b, TXLSFormattedObj::TSide s) {
  switch (s) {
    case TXLSFormattedObj::TSide::Top:
      return b.FTop;
    case TXLSFormattedObj::TSide::Left:
      return b.FLeft;
    case TXLSFormattedObj::TSide::Right:
      return b.FRight;
    case TXLSFormattedObj::TSide::Bottom:
      return b.FBottom;
    default:
      return b.FDiagonal;
  }
}

uint8_t IndexOf(const TXc12Color& c) {
  return c.ColorType == TXc12ColorType::exctIndexed ? uint8_t(c.Indexed) : uint8_t(0);
}
uint32_t RGBOf(const TXc12Color& c) { return Xc12ColorToRGB(c, 0); }

const TXc12BorderPr kNoLine;
}  // namespace

TXc12XF* StyleXF(TXc12DataStyleSheet& styles, int32_t style) {
  TXc12XFs& xfs = styles.XFs();
  if (style > 0 && size_t(style) < xfs.Count())
    if (TXc12XF* xf = xfs.Items(size_t(style))) return xf;
  return xfs.Items(0);
}

TXc12XF* TXLSFormattedObj::DefaultXF() const { return FStyles->XFs().Items(0); }

template <class F>
void TXLSFormattedObj::Edit(F&& set) {
  TXc12XFEditor& ed = FStyles->XFEditor();
  ed.BeginEdit(CurrentXF());
  set(ed);
  XFChanged(ed.EndEdit());
}

const TXc12BorderPr* TXLSFormattedObj::BorderSide(TSide side) {
  const TXc12Border* b = CurrentXF()->Border();
  return b ? &SideOf(*b, side) : &kNoLine;
}

TXc12CellProtections TXLSFormattedObj::Protection() { return CurrentXF()->Protection(); }
void TXLSFormattedObj::SetProtection(TXc12CellProtections v) {
  Edit([&](TXc12XFEditor& e) {
    e.SetProtectionLocked(v.Contains(TXc12CellProtection::cpLocked));
    e.SetProtectionHidden(v.Contains(TXc12CellProtection::cpHidden));
  });
}
TXc12HorizAlignment TXLSFormattedObj::HorizAlignment() { return CurrentXF()->Alignment().FHorizAlignment; }
void TXLSFormattedObj::SetHorizAlignment(TXc12HorizAlignment v) {
  Edit([&](TXc12XFEditor& e) { e.SetAlignHoriz(v); });
}
TXc12VertAlignment TXLSFormattedObj::VertAlignment() { return CurrentXF()->Alignment().FVertAlignment; }
void TXLSFormattedObj::SetVertAlignment(TXc12VertAlignment v) {
  Edit([&](TXc12XFEditor& e) { e.SetAlignVert(v); });
}
int32_t TXLSFormattedObj::Indent() { return CurrentXF()->Alignment().FIndent; }
void TXLSFormattedObj::SetIndent(int32_t v) {
  Edit([&](TXc12XFEditor& e) { e.SetAlignIndent(v); });
}
int32_t TXLSFormattedObj::Rotation() { return CurrentXF()->Alignment().FRotation; }
void TXLSFormattedObj::SetRotation(int32_t v) {
  Edit([&](TXc12XFEditor& e) { e.SetAlignRotation(v); });
}
bool TXLSFormattedObj::WrapText() {
  return CurrentXF()->Alignment().FOptions.Contains(TXc12AlignmentOption::foWrapText);
}
void TXLSFormattedObj::SetWrapText(bool v) {
  TXc12AlignmentOptions o = CurrentXF()->Alignment().FOptions;
  v ? o.Include(TXc12AlignmentOption::foWrapText) : o.Exclude(TXc12AlignmentOption::foWrapText);
  Edit([&](TXc12XFEditor& e) { e.SetAlignOptions(o); });
}
bool TXLSFormattedObj::ShrinkToFit() {
  return CurrentXF()->Alignment().FOptions.Contains(TXc12AlignmentOption::foShrinkToFit);
}
void TXLSFormattedObj::SetShrinkToFit(bool v) {
  TXc12AlignmentOptions o = CurrentXF()->Alignment().FOptions;
  v ? o.Include(TXc12AlignmentOption::foShrinkToFit) : o.Exclude(TXc12AlignmentOption::foShrinkToFit);
  Edit([&](TXc12XFEditor& e) { e.SetAlignOptions(o); });
}

uint8_t TXLSFormattedObj::FillPatternForeColor() { return IndexOf(CurrentXF()->Fill()->FgColor()); }
void TXLSFormattedObj::SetFillPatternForeColor(uint8_t v) {
  Edit([&](TXc12XFEditor& e) { e.SetFillColor(IndexColorToXc12Color(v)); });
}
uint32_t TXLSFormattedObj::FillPatternForeColorRGB() { return RGBOf(CurrentXF()->Fill()->FgColor()); }
void TXLSFormattedObj::SetFillPatternForeColorRGB(uint32_t v) {
  Edit([&](TXc12XFEditor& e) { e.SetFillColorRGB(v); });
}
uint8_t TXLSFormattedObj::FillPatternBackColor() { return IndexOf(CurrentXF()->Fill()->BgColor()); }
void TXLSFormattedObj::SetFillPatternBackColor(uint8_t v) {
  Edit([&](TXc12XFEditor& e) { e.SetFillBgColor(IndexColorToXc12Color(v)); });
}
uint32_t TXLSFormattedObj::FillPatternBackColorRGB() { return RGBOf(CurrentXF()->Fill()->BgColor()); }
void TXLSFormattedObj::SetFillPatternBackColorRGB(uint32_t v) {
  Edit([&](TXc12XFEditor& e) { e.SetFillBgColorRGB(v); });
}
TXc12FillPattern TXLSFormattedObj::FillPatternPattern() { return CurrentXF()->Fill()->PatternType(); }
void TXLSFormattedObj::SetFillPatternPattern(TXc12FillPattern v) {
  Edit([&](TXc12XFEditor& e) { e.SetFillPattern(v); });
}
std::u16string TXLSFormattedObj::NumberFormat() {
  const TXc12NumberFormat* nf = CurrentXF()->NumFmt();
  return nf ? nf->Value() : std::u16string();
}
void TXLSFormattedObj::SetNumberFormat(std::u16string_view v) {
  Edit([&](TXc12XFEditor& e) { e.SetNumberFormat(v); });
}

uint8_t TXLSFormattedObj::BorderColor(TSide side) { return IndexOf(BorderSide(side)->FColor); }
void TXLSFormattedObj::SetBorderColor(TSide side, uint8_t v) {
  Edit([&](TXc12XFEditor& e) { e.SetBorderColor(EditorSide(side), IndexColorToXc12Color(v)); });
}
uint32_t TXLSFormattedObj::BorderColorRGB(TSide side) { return RGBOf(BorderSide(side)->FColor); }
void TXLSFormattedObj::SetBorderColorRGB(TSide side, uint32_t v) {
  Edit([&](TXc12XFEditor& e) { e.SetBorderColorRGB(EditorSide(side), v); });
}
TXc12CellBorderStyle TXLSFormattedObj::BorderStyle(TSide side) { return BorderSide(side)->FStyle; }
void TXLSFormattedObj::SetBorderStyle(TSide side, TXc12CellBorderStyle v) {
  Edit([&](TXc12XFEditor& e) { e.SetBorderStyle(EditorSide(side), v); });
}

std::u16string TXLSFormattedObj::FontName() { return CurrentXF()->Font()->Name(); }
void TXLSFormattedObj::SetFontName(std::u16string_view v) {
  Edit([&](TXc12XFEditor& e) { e.SetFontName(v); });
}
uint8_t TXLSFormattedObj::FontCharset() { return uint8_t(CurrentXF()->Font()->Charset()); }
void TXLSFormattedObj::SetFontCharset(uint8_t v) {
  Edit([&](TXc12XFEditor& e) { e.SetFontCharset(v); });
}
int32_t TXLSFormattedObj::FontFamily() { return CurrentXF()->Font()->Family(); }
void TXLSFormattedObj::SetFontFamily(int32_t v) {
  Edit([&](TXc12XFEditor& e) { e.SetFontFamily(v); });
}
uint32_t TXLSFormattedObj::FontColor() { return RGBOf(CurrentXF()->Font()->Color()); }
void TXLSFormattedObj::SetFontColor(uint32_t v) {
  Edit([&](TXc12XFEditor& e) { e.SetFontColorRGB(v); });
}
TXc12Color TXLSFormattedObj::FontColorXc12() { return CurrentXF()->Font()->Color(); }
void TXLSFormattedObj::SetFontColorXc12(const TXc12Color& v) {
  Edit([&](TXc12XFEditor& e) { e.SetFontColor(v); });
}
double TXLSFormattedObj::FontSize() { return CurrentXF()->Font()->Size(); }
void TXLSFormattedObj::SetFontSize(double v) {
  Edit([&](TXc12XFEditor& e) { e.SetFontSize(v); });
}
int32_t TXLSFormattedObj::FontSize20() { return int32_t(std::nearbyint(FontSize() * 20)); }
void TXLSFormattedObj::SetFontSize20(int32_t v) { SetFontSize(v / 20.0); }
TXc12FontStyles TXLSFormattedObj::FontStyle() { return CurrentXF()->Font()->Style(); }
void TXLSFormattedObj::SetFontStyle(TXc12FontStyles v) {
  Edit([&](TXc12XFEditor& e) { e.SetFontStyle(v); });
}
TXc12SubSuperscript TXLSFormattedObj::FontSubSuperScript() { return CurrentXF()->Font()->SubSuperscript(); }
void TXLSFormattedObj::SetFontSubSuperScript(TXc12SubSuperscript v) {
  Edit([&](TXc12XFEditor& e) { e.SetFontSubSuperScript(v); });
}
TXc12Underline TXLSFormattedObj::FontUnderline() { return CurrentXF()->Font()->Underline(); }
void TXLSFormattedObj::SetFontUnderline(TXc12Underline v) {
  Edit([&](TXc12XFEditor& e) { e.SetFontUnderline(v); });
}

// ---- cell

TXc12XF* TXLSCell::CurrentXF() {
  const TXLSCellItem item = FCells->FindCell(FCol, FRow);
  return StyleXF(*FStyles, item.Data ? FCells->GetStyle(item) : 0);
}

void TXLSCell::XFChanged(TXc12XF* xf) {
  // Found again here: the edit may have moved nothing, but the caller's item is not trusted.
  FCells->SetStyle(FCol, FRow, xf->Index());
}

const TXc12BorderPr& TXLSFormattedCell::Border(TXLSFormattedObj::TSide side) const {
  return FXF->Border() ? SideOf(*FXF->Border(), side) : kNoLine;
}

}  // namespace xls
