#include "xls/model/xlsstylesheet.h"

#include <algorithm>

#include "platform/fontmetrics.h"
#include "platform/textcodec.h"

namespace xls {

// ---------------------------------------------------------------------------------------------
// Style sheet

TXc12DataStyleSheet::TXc12DataStyleSheet()
    : FXFs(std::make_unique<TXc12XFs>(this)),
      FDXFs(std::make_unique<TXc12DXFs>(this)),
      FStyleXFs(std::make_unique<TXc12XFs>(this)),
      FNumFmts(std::make_unique<TXc12NumberFormats>()),
      FFonts(std::make_unique<TXc12Fonts>()),
      FFills(std::make_unique<TXc12Fills>()),
      FBorders(std::make_unique<TXc12Borders>()),
      FStyles(std::make_unique<TXc12CellStyles>()),
      FTableStyles(std::make_unique<TXc12TableStyles>()),
      FMruColors(std::make_unique<TXc12ColorObjs>()),
      FInxColors(std::make_unique<TXc12IndexColorObjs>()) {
  FFonts->PixelsPerInch = [this] {
    int x, y;
    PixelsPerInchXY(x, y);
    return y;
  };
  FXFEditor = std::make_unique<TXc12XFEditor>(*this);
  Clear();
}

TXc12DataStyleSheet::~TXc12DataStyleSheet() = default;

void TXc12DataStyleSheet::Clear() {
  FNumFmts->Clear();
  FFonts->Clear();
  FFills->Clear();
  FBorders->Clear();
  FStyles->Clear();
  FTableStyles->Clear();
  FMruColors->Clear();
  FInxColors->Clear();
  FXFs->Clear();
  FStyleXFs->Clear();
  FDXFs->Clear();
}

void TXc12DataStyleSheet::AfterRead() {
  FFills->FixupColors();
  FMruColors->FixupColors();
  FFonts->FixupColors();
}

void TXc12DataStyleSheet::SetXFDefaultValues(TXc12XF& xf) {
  xf.SetBorder(FBorders->Items(0));
  xf.SetFill(FFills->Items(0));
  xf.SetFont(FFonts->Items(0));
  xf.SetNumFmt(FNumFmts->Items(0));
  xf.SetXF(nullptr);
}

void TXc12DataStyleSheet::PixelsPerInchXY(int& x, int& y) const {
  if (OnPixelsPerInch) {
    OnPixelsPerInch(x, y);
    return;
  }
  x = y = kws::PixelsPerInch();
}

// ---------------------------------------------------------------------------------------------
// Editor

TXc12XFEditor::TXc12XFEditor(TXc12DataStyleSheet& styles)
    : FStyles(styles),
      FXF(std::make_unique<TXc12XF>()),
      FCmpNumFmt(std::make_unique<TXc12NumberFormat>()),
      FCmpFont(std::make_unique<TXc12Font>()),
      FCmpFill(std::make_unique<TXc12Fill>()),
      FCmpBorder(std::make_unique<TXc12Border>()) {
  FXF->SetNumFmt(FCmpNumFmt.get());
  FXF->SetFont(FCmpFont.get());
  FXF->SetFill(FCmpFill.get());
  FXF->SetBorder(FCmpBorder.get());
}

TXc12XFEditor::~TXc12XFEditor() = default;

void TXc12XFEditor::BeginEdit(TXc12XF* xf) {
  if (!xf) {
    xf = FStyles.XFs().Items(0);
  } else {
    const bool wasLocked = xf->Locked();
    xf->SetLocked(true);
    CompactStyles();
    xf->SetLocked(wasLocked);
  }
  FOrigXF = xf;
  FXF->AssignProps(*xf);
  if (xf->NumFmt()) FCmpNumFmt->SetValue(xf->NumFmt()->Value());
  if (xf->Font()) FCmpFont->Assign(*xf->Font());
  if (xf->Fill()) FCmpFill->Assign(*xf->Fill());
  if (xf->Border()) FCmpBorder->Assign(*xf->Border());
  FProtectChanged = FAlignChanged = FNumFmtChanged = FFontChanged = FFillChanged = FBorderChanged = false;
}

TXc12XF* TXc12XFEditor::EndEdit() {
  TXc12XFs& xfs = FStyles.XFs();
  if (TXc12XF* found = xfs.Find(*FXF)) return found;
  // The edited format must not come back as a free slot while its parts are still read.
  const bool wasLocked = FOrigXF->Locked();
  FOrigXF->SetLocked(true);
  TXc12XF* xf = xfs.AddOrGetFree();
  FOrigXF->SetLocked(wasLocked);
  xf->AssignProps(*FXF);
  if (FProtectChanged) xf->FApply.Include(TXc12ApplyFormat::eafProtection);
  if (FAlignChanged) {
    xf->Alignment().Assign(FXF->Alignment());
    xf->FApply.Include(TXc12ApplyFormat::eafAlignment);
  }
  if (FNumFmtChanged) {
    TXc12NumberFormat* nf = FStyles.NumFmts().Find(*FCmpNumFmt);
    if (!nf) {
      nf = FStyles.NumFmts().Add();
      nf->SetValue(FCmpNumFmt->Value());
    }
    xf->SetNumFmt(nf);
    xf->FApply.Include(TXc12ApplyFormat::eafNumberFormat);
  } else {
    xf->SetNumFmt(FOrigXF->NumFmt());
  }
  const auto part = [&](auto& list, auto& scratch, bool changed, auto orig, TXc12ApplyFormat flag) {
    if (!changed) return orig;
    auto* found = list.Find(*scratch);
    if (!found) {
      found = list.Add();
      found->Assign(*scratch);
    }
    xf->FApply.Include(flag);
    return found;
  };
  xf->SetFont(part(FStyles.Fonts(), FCmpFont, FFontChanged, FOrigXF->Font(), TXc12ApplyFormat::eafFont));
  xf->SetFill(part(FStyles.Fills(), FCmpFill, FFillChanged, FOrigXF->Fill(), TXc12ApplyFormat::eafFill));
  xf->SetBorder(part(FStyles.Borders(), FCmpBorder, FBorderChanged, FOrigXF->Border(), TXc12ApplyFormat::eafBorder));
  return xf;
}

// ---- edit properties

void TXc12XFEditor::SetFontName(std::u16string_view v) {
  if (kws::AsciiUpperCopy(v) != kws::AsciiUpperCopy(FCmpFont->Name())) FFontChanged = true;
  FCmpFont->SetName(std::u16string(v));
}
void TXc12XFEditor::SetFontCharset(uint8_t v) {
  if (v != FCmpFont->Charset()) FFontChanged = true;
  FCmpFont->SetCharset(v);
}
void TXc12XFEditor::SetFontFamily(int32_t v) {
  if (v != FCmpFont->Family()) FFontChanged = true;
  FCmpFont->SetFamily(v);
}
void TXc12XFEditor::SetFontColorRGB(uint32_t v) {
  if (!Xc12ColorEqualsRGB(FCmpFont->Color(), v)) FFontChanged = true;
  FCmpFont->SetColor(MakeXc12RGBColor(v));
}
void TXc12XFEditor::SetFontColor(const TXc12Color& v) {
  if (!Xc12ColorEqual(FCmpFont->Color(), v)) FFontChanged = true;
  FCmpFont->SetColor(v);
}
void TXc12XFEditor::SetFontSize(double v) {
  if (v != FCmpFont->Size()) FFontChanged = true;
  FCmpFont->SetSize(v);
}
void TXc12XFEditor::SetFontStyle(TXc12FontStyles v) {
  if (v != FCmpFont->Style()) FFontChanged = true;
  FCmpFont->SetStyle(v);
}
void TXc12XFEditor::SetFontSubSuperScript(TXc12SubSuperscript v) {
  if (v != FCmpFont->SubSuperscript()) FFontChanged = true;
  FCmpFont->SetSubSuperscript(v);
}
void TXc12XFEditor::SetFontUnderline(TXc12Underline v) {
  if (v != FCmpFont->Underline()) FFontChanged = true;
  FCmpFont->SetUnderline(v);
}

void TXc12XFEditor::FillChanged() {
  if (FFillChanged) return;
  FFillChanged = true;
  FCmpFill->SetPatternType(TXc12FillPattern::efpSolid);
}
void TXc12XFEditor::SetFillColor(const TXc12Color& v) {
  if (!Xc12ColorEqual(v, FCmpFill->FgColor())) FillChanged();
  FCmpFill->SetFgColor(v);
}
void TXc12XFEditor::SetFillBgColor(const TXc12Color& v) {
  if (!Xc12ColorEqual(v, FCmpFill->BgColor())) FillChanged();
  FCmpFill->SetBgColor(v);
}
void TXc12XFEditor::SetFillColorRGB(uint32_t v) {
  if (Xc12ColorToRGB(FCmpFill->FgColor(), 0) != v) FillChanged();
  FCmpFill->SetFgColor(MakeXc12RGBColor(v));
}
void TXc12XFEditor::SetFillBgColorRGB(uint32_t v) {
  if (Xc12ColorToRGB(FCmpFill->BgColor(), 0) != v) FillChanged();
  FCmpFill->SetBgColor(MakeXc12RGBColor(v));
}
void TXc12XFEditor::SetFillPattern(TXc12FillPattern v) {
  if (v != FCmpFill->PatternType()) FillChanged();
  FCmpFill->SetPatternType(v);
}

void TXc12XFEditor::SetNumberFormat(std::u16string_view v) {
  const bool blank = std::all_of(v.begin(), v.end(), [](char16_t c) { return c <= u' '; });
  if (blank) return;
  if (v != FCmpNumFmt->Value()) FNumFmtChanged = true;
  FCmpNumFmt->SetValue(std::u16string(v));
}

TXc12BorderPr& TXc12XFEditor::Side(TBorderSide s) {
  switch (s) {
    case TBorderSide::Left: return FCmpBorder->FLeft;
    case TBorderSide::Top: return FCmpBorder->FTop;
    case TBorderSide::Right: return FCmpBorder->FRight;
    case TBorderSide::Bottom: return FCmpBorder->FBottom;
    default: return FCmpBorder->FDiagonal;
  }
}
void TXc12XFEditor::SetBorderColor(TBorderSide side, const TXc12Color& v) {
  if (!Xc12ColorEqual(v, Side(side).FColor)) FBorderChanged = true;
  Side(side).FColor = v;
}
void TXc12XFEditor::SetBorderColorRGB(TBorderSide side, uint32_t v) {
  if (Side(side).ColorRGB() != v) FBorderChanged = true;
  Side(side).SetColorRGB(v);
}
void TXc12XFEditor::SetBorderStyle(TBorderSide side, TXc12CellBorderStyle v) {
  if (v != Side(side).FStyle) FBorderChanged = true;
  Side(side).FStyle = v;
}

void TXc12XFEditor::SetProtectionLocked(bool v) {
  TXc12CellProtections p = FXF->Protection();
  v ? p.Include(TXc12CellProtection::cpLocked) : p.Exclude(TXc12CellProtection::cpLocked);
  if (p != FXF->Protection()) FProtectChanged = true;
  FXF->SetProtection(p);
}
void TXc12XFEditor::SetProtectionHidden(bool v) {
  TXc12CellProtections p = FXF->Protection();
  v ? p.Include(TXc12CellProtection::cpHidden) : p.Exclude(TXc12CellProtection::cpHidden);
  if (p != FXF->Protection()) FProtectChanged = true;
  FXF->SetProtection(p);
}

#define XLS_ALIGN_SETTER(Name, Type, Field)      \
  void TXc12XFEditor::Name(Type v) {             \
    if (v != FXF->Alignment().Field) FAlignChanged = true; \
    FXF->Alignment().Field = v;                  \
  }
XLS_ALIGN_SETTER(SetAlignHoriz, TXc12HorizAlignment, FHorizAlignment)
XLS_ALIGN_SETTER(SetAlignVert, TXc12VertAlignment, FVertAlignment)
XLS_ALIGN_SETTER(SetAlignRotation, int32_t, FRotation)
XLS_ALIGN_SETTER(SetAlignOptions, TXc12AlignmentOptions, FOptions)
XLS_ALIGN_SETTER(SetAlignIndent, int32_t, FIndent)
XLS_ALIGN_SETTER(SetAlignRelIndent, int32_t, FRelativeIndent)
XLS_ALIGN_SETTER(SetAlignReadingOrder, TXc12ReadOrder, FReadingOrder)
#undef XLS_ALIGN_SETTER

// ---- use counts

TXc12XF* TXc12XFEditor::UseDefault() {
  TXc12XF* xf = FStyles.XFs().Items(0);
  UseStyle(xf);
  return xf;
}

void TXc12XFEditor::UseStyle(TXc12XF* xf) {
  if (!xf) return;
  xf->AddRef();
  if (xf->NumFmt()) xf->NumFmt()->AddRef();
  if (xf->Font()) xf->Font()->AddRef();
  if (xf->Fill()) xf->Fill()->AddRef();
  if (xf->Border()) xf->Border()->AddRef();
}

void TXc12XFEditor::FreeStyle(TXc12XF* xf) {
  if (!xf) return;
  if (xf->NumFmt()) xf->NumFmt()->Release();
  if (xf->Font()) xf->Font()->Release();
  if (xf->Fill()) xf->Fill()->Release();
  if (xf->Border()) xf->Border()->Release();
  xf->Release();
}

void TXc12XFEditor::UseStyle(int32_t xf) { UseStyle(FStyles.XFs().Items(size_t(xf < 0 ? SIZE_MAX : size_t(xf)))); }
void TXc12XFEditor::FreeStyle(int32_t xf) { FreeStyle(FStyles.XFs().Items(size_t(xf < 0 ? SIZE_MAX : size_t(xf)))); }

void TXc12XFEditor::UseFonts(const std::vector<TXc12FontRun>& runs) {
  for (const auto& r : runs)
    if (r.Font) r.Font->AddRef();
}

TXc12Font* TXc12XFEditor::UseRequiredFont(const TXc12Font& font) {
  TXc12Font* f = FStyles.Fonts().Find(font);
  if (f) f->AddRef();
  return f;
}

void TXc12XFEditor::FreeFonts(const TXc12FontRun* runs, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    TXc12Font* f = runs[i].Font;
    if (!f) continue;
    f->Release();
    if (!f->Locked() && f->RefCount() == 0 && f->Owner() == &FStyles.Fonts() && !FontReferenced(f))
      FStyles.Fonts().Delete(size_t(f->Index()));
  }
}

void TXc12XFEditor::LockAll() {
  for (size_t i = 0; i < FStyles.NumFmts().Count(); ++i)
    if (auto* r = FStyles.NumFmts().Items(i)) r->SetLocked(true);
  for (size_t i = 0; i < FStyles.Fonts().Count(); ++i)
    if (auto* r = FStyles.Fonts().Items(i)) r->SetLocked(true);
  for (size_t i = 0; i < FStyles.Fills().Count(); ++i)
    if (auto* r = FStyles.Fills().Items(i)) r->SetLocked(true);
  for (size_t i = 0; i < FStyles.Borders().Count(); ++i)
    if (auto* r = FStyles.Borders().Items(i)) r->SetLocked(true);
}

namespace {
template <class Pred>
bool AnyFormat(TXc12DataStyleSheet& s, Pred pred) {
  for (TXc12XFs* list : {&s.XFs(), &s.StyleXFs()})
    for (size_t i = 0; i < list->Count(); ++i)
      if (const TXc12XF* xf = list->Items(i); xf && pred(*xf)) return true;
  return false;
}

template <class List, class Referenced>
void CompactList(List& list, Referenced referenced) {
  for (size_t i = 0; list.Count() > 0 && i < list.Count() - 1;) {
    auto* r = list.Items(i);
    if (r && !r->Locked() && r->RefCount() <= 0 && !referenced(r))
      list.Delete(i);
    else
      ++i;
  }
}
}  // namespace

bool TXc12XFEditor::FontReferenced(const TXc12Font* f) const {
  if (AnyFormat(FStyles, [f](const TXc12XF& xf) { return xf.Font() == f; })) return true;
  return false;
}
bool TXc12XFEditor::FillReferenced(const TXc12Fill* f) const {
  return AnyFormat(FStyles, [f](const TXc12XF& xf) { return xf.Fill() == f; });
}
bool TXc12XFEditor::BorderReferenced(const TXc12Border* b) const {
  return AnyFormat(FStyles, [b](const TXc12XF& xf) { return xf.Border() == b; });
}

void TXc12XFEditor::CompactStyles() {
  if (++FCompactCount < 25) return;
  FCompactCount = 0;
  TXc12XFs& xfs = FStyles.XFs();
  // Cell formats first, so that the parts of the formats they free can go in the same pass.
  while (xfs.Count() > 0) {
    TXc12XF* last = xfs.Items(xfs.Count() - 1);
    if (!last || last->Locked() || last->RefCount() > 0) break;
    xfs.Delete(xfs.Count() - 1);
  }
  for (size_t i = 0; i < xfs.Count(); ++i)
    if (TXc12XF* xf = xfs.Items(i); xf && !xf->Locked() && xf->RefCount() <= 0) xfs.FreeAndNil(i);
  CompactList(FStyles.Fonts(), [this](const TXc12Font* f) { return FontReferenced(f); });
  CompactList(FStyles.Fills(), [this](const TXc12Fill* f) { return FillReferenced(f); });
  CompactList(FStyles.Borders(), [this](const TXc12Border* b) { return BorderReferenced(b); });
}

}  // namespace xls
