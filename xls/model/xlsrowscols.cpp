#include "xls/model/xlsrowscols.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "xls/model/xlscellmmu.h"
#include "xls/model/xlsstylesheet.h"
#include "xls/model/xlsworksheetdata.h"

namespace xls {

namespace {
int32_t Rnd(double x) {
  if (!std::isfinite(x)) return 0;
  return int32_t(std::nearbyint(std::clamp(x, -2147483648.0, 2147483647.0)));
}
int PpiX(TXc12DataStyleSheet& s) {
  int x = 96, y = 96;
  s.PixelsPerInchXY(x, y);
  return std::max(x, 1);
}
int PpiY(TXc12DataStyleSheet& s) {
  int x = 96, y = 96;
  s.PixelsPerInchXY(x, y);
  return std::max(y, 1);
}
int StdWidth(TXc12DataStyleSheet& s) { return std::max(s.StdFontWidth(), 1); }
}  // namespace

double ClampColumnChars(double chars) {
  if (std::isnan(chars) || chars < 0) return 0;
  return std::min(chars, 255.0);
}

// ---- rows

TXLSRow* TXLSRows::Items(int32_t index) {
  FTheRow.FIndex = std::clamp(index, 0, XLS_MAXROW);
  return &FTheRow;
}

TXLSMMURowHeader* TXLSRow::Header() { return FOwner->Cells()->FindRow(FIndex); }

TXLSMMURowHeader* TXLSRow::MakeHeader() {
  if (TXLSMMURowHeader* h = Header()) return h;
  FOwner->Cells()->AddRow(FIndex, 0);
  return Header();
}

int32_t TXLSRow::Height() {
  const TXLSMMURowHeader* h = Header();
  if (!h || h->Height == 0xFFFF) return 300;
  return h->Height;
}

void TXLSRow::SetHeight(int32_t v) {
  v = std::clamp(v, 0, 65534);
  TXLSMMURowHeader* h = Header();
  if (!h) {
    if (v == 300) return;
    h = MakeHeader();
  }
  h->Height = uint16_t(v);
  if (v == 300)
    h->Options &= uint8_t(~xroCustomHeight);
  else
    h->Options |= xroCustomHeight;
}

void TXLSRow::SetHeightPt(double v) { SetHeight(Rnd(std::clamp(v * 20, -1.0, 70000.0))); }
int32_t TXLSRow::PixelHeight() { return Rnd(Height() / 20.0 / (72.0 / PpiY(*FStyles))); }
void TXLSRow::SetPixelHeight(int32_t v) {
  SetHeight(Rnd(std::clamp(v * 72.0 / PpiY(*FStyles) * 20, -1.0, 70000.0)));
}

void TXLSRow::SetOption(uint8_t option, bool v) {
  TXLSMMURowHeader* h = Header();
  if (!h) {
    if (!v) return;
    h = MakeHeader();
  }
  v ? h->Options |= option : h->Options &= uint8_t(~option);
}
bool TXLSRow::Hidden() {
  const TXLSMMURowHeader* h = Header();
  return h && (h->Options & xroHidden);
}
void TXLSRow::SetHidden(bool v) { SetOption(xroHidden, v); }
bool TXLSRow::CollapsedOutline() {
  const TXLSMMURowHeader* h = Header();
  return h && (h->Options & xroCollapsed);
}
void TXLSRow::SetCollapsedOutline(bool v) { SetOption(xroCollapsed, v); }
bool TXLSRow::CustomHeight() {
  const TXLSMMURowHeader* h = Header();
  return h && (h->Options & xroCustomHeight);
}
int32_t TXLSRow::OutlineLevel() {
  const TXLSMMURowHeader* h = Header();
  return h ? h->OutlineLevel : 0;
}
void TXLSRow::SetOutlineLevel(int32_t v) {
  if (v < 0) return;
  MakeHeader()->OutlineLevel = uint8_t(std::min(v, 255));
}

TXc12XF* TXLSRow::CurrentXF() {
  const TXLSMMURowHeader* h = Header();
  return StyleXF(*FStyles, h ? h->Style : 0);
}

void TXLSRow::XFChanged(TXc12XF* xf) {
  TXLSCellMMU& cells = *FOwner->Cells();
  const int32_t style = xf->Index();
  TXLSMMURowHeader* h = Header();
  if (!h) {
    cells.AddRow(FIndex, style);
  } else if (h->Style != style) {
    // The header keeps its height, options and outline level.
    FStyles->XFEditor().UseStyle(style);
    FStyles->XFEditor().FreeStyle(int32_t(h->Style));
    h->Style = uint16_t(style);
  }
  if (!FOwner->ApplyStyleOnCells()) return;
  int32_t c1 = -1, c2 = -1;
  cells.CalcRowDimensions(FIndex, c1, c2);
  if (c1 < 0) return;
  for (int32_t c = c1; c <= c2; ++c) {
    const TXLSCellItem item = cells.FindCell(c, FIndex);
    if (item.Data) cells.SetStyle(c, FIndex, item, style);
  }
}

// ---- columns

TXLSColumns::TXLSColumns(TXc12Columns* cols, TXc12DataStyleSheet* styles)
    : FStyles(styles), FCols(cols), FTheColumn(this, styles) {
  const double d = ClampColumnChars(cols->FDefColWidth);
  FDefaultWidth = d != 0 ? Rnd(d * 256) : 2340;
}

void TXLSColumns::SetDefaultWidth(int32_t v) {
  v = std::clamp(v, 0, 255 * 256);
  FDefaultWidth = v;
  FCols->FDefColWidth = v / 256.0;
}

void TXLSColumns::Normalize() {
  auto& list = FCols->List();
  if (FCheckedCount == list.size()) return;
  bool sorted = true;
  for (size_t i = 1; i < list.size() && sorted; ++i) sorted = list[i - 1]->FMax < list[i]->FMin;
  if (!sorted) {
    // In file order: each record keeps only the columns no earlier record covers.
    std::map<int32_t, int32_t> covered;  // first column -> last column
    std::vector<std::unique_ptr<TXc12Column>> out;
    for (auto& rec : list) {
      int32_t from = std::clamp(rec->FMin, 0, XLS_MAXCOL);
      const int32_t to = std::clamp(rec->FMax, 0, XLS_MAXCOL);
      std::vector<std::pair<int32_t, int32_t>> pieces;
      auto it = covered.upper_bound(from);
      if (it != covered.begin() && std::prev(it)->second >= from) from = std::prev(it)->second + 1;
      while (from <= to) {
        it = covered.lower_bound(from);
        const int32_t end = it == covered.end() ? to : std::min(to, it->first - 1);
        if (end >= from) pieces.emplace_back(from, end);
        if (it == covered.end() || it->first > to) break;
        from = it->second + 1;
      }
      for (const auto& [a, b] : pieces) covered[a] = b;
      if (pieces.empty()) {
        FStyles->XFEditor().FreeStyle(rec->FStyle);
        continue;
      }
      for (size_t p = 1; p < pieces.size(); ++p) {
        auto copy = std::make_unique<TXc12Column>(*rec);
        copy->FMin = pieces[p].first, copy->FMax = pieces[p].second;
        FStyles->XFEditor().UseStyle(copy->FStyle);
        out.push_back(std::move(copy));
      }
      rec->FMin = pieces[0].first, rec->FMax = pieces[0].second;
      out.push_back(std::move(rec));
    }
    list = std::move(out);
    std::stable_sort(list.begin(), list.end(),
                     [](const auto& a, const auto& b) { return a->FMin < b->FMin; });
  }
  FCheckedCount = list.size();
}

TXc12Column* TXLSColumns::Find(int32_t col) {
  Normalize();
  auto& list = FCols->List();
  auto it =
      std::upper_bound(list.begin(), list.end(), col, [](int32_t c, const auto& r) { return c < r->FMin; });
  if (it == list.begin()) return nullptr;
  TXc12Column* r = std::prev(it)->get();
  return col <= r->FMax ? r : nullptr;
}

TXc12XF* TXLSColumns::ColumnXF(int32_t col) {
  TXc12Column* r = Find(col);
  return r ? r->FStyle : nullptr;
}

TXLSColumn* TXLSColumns::Items(int32_t index) {
  FTheColumn.FColIndex = std::clamp(index, 0, XLS_MAXCOL);
  return &FTheColumn;
}

void TXLSColumns::Tidy() {
  auto& list = FCols->List();
  std::stable_sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return a->FMin < b->FMin; });
  for (size_t i = 1; i < list.size();) {
    TXc12Column& prev = *list[i - 1];
    TXc12Column& cur = *list[i];
    if (cur.FMin == prev.FMax + 1 && cur.EqualProps(prev)) {
      prev.FMax = cur.FMax;
      // Each record holds one use of its format: the joined one gives its use back.
      FStyles->XFEditor().FreeStyle(cur.FStyle);
      list.erase(list.begin() + ptrdiff_t(i));
    } else {
      ++i;
    }
  }
  FCheckedCount = list.size();
}

TXc12Column* TXLSColumn::Record() { return FOwner->Find(FColIndex); }

TXc12Column* TXLSColumn::Own(TXc12XF* style) {
  TXc12XFEditor& ed = FStyles->XFEditor();
  auto& list = FOwner->FCols->List();
  TXc12Column* r = Record();
  if (!r) {
    auto rec = std::make_unique<TXc12Column>();
    rec->FMin = rec->FMax = FColIndex;
    rec->FWidth = FOwner->DefaultWidth() / 256.0;
    rec->FStyle = style ? style : DefaultXF();
    ed.UseStyle(rec->FStyle);
    list.push_back(std::move(rec));
    FOwner->FCheckedCount = SIZE_MAX;
    return Record();
  }
  if (r->FMin == FColIndex && r->FMax == FColIndex) return r;
  const auto copy = [&](int32_t a, int32_t b) {
    auto c = std::make_unique<TXc12Column>(*r);
    c->FMin = a, c->FMax = b;
    ed.UseStyle(c->FStyle);
    list.push_back(std::move(c));
  };
  const int32_t lo = r->FMin, hi = r->FMax;
  copy(FColIndex, FColIndex);
  if (FColIndex > lo && FColIndex < hi) copy(FColIndex + 1, hi);
  if (FColIndex == lo)
    r->FMin = lo + 1;
  else
    r->FMax = FColIndex - 1;
  std::stable_sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return a->FMin < b->FMin; });
  FOwner->FCheckedCount = list.size();
  return Record();
}

void TXLSColumn::Changed() {
  if (!FOwner->OnColWidthChange) return;
  const TXc12Column* r = Record();
  const int32_t a = r ? r->FMin : FColIndex, b = r ? r->FMax : FColIndex;
  FOwner->OnColWidthChange(*FOwner, a, b);
}

int32_t TXLSColumn::Width() {
  const TXc12Column* r = Record();
  return r ? Rnd(ClampColumnChars(r->FWidth) * 256) : FOwner->DefaultWidth();
}

void TXLSColumn::SetWidth(int32_t v) {
  v = std::clamp(v, 0, 255 * 256);
  TXc12Column* r = Record();
  if (!r && v == FOwner->DefaultWidth()) return;
  const bool alone = r && r->FMin == FColIndex && r->FMax == FColIndex;
  if (!alone && (!r || Rnd(ClampColumnChars(r->FWidth) * 256) != v)) r = Own();
  if (!r) return;
  r->FWidth = v / 256.0;
  v == FOwner->DefaultWidth() ? r->FOptions &= uint8_t(~xcoCustomWidth) : r->FOptions |= xcoCustomWidth;
  if (!alone) FOwner->Tidy();
  Changed();
}

double TXLSColumn::CharWidth() {
  const TXc12Column* r = Record();
  return r ? ClampColumnChars(r->FWidth) : FOwner->DefaultWidth() / 256.0;
}

void TXLSColumn::SetCharWidth(double v) {
  v = ClampColumnChars(v);
  const double def = FOwner->DefaultWidth() / 256.0;
  TXc12Column* r = Record();
  if (!r && v == def) return;
  if (!r || r->FWidth != v) r = Own();
  r->FWidth = v;
  v != def ? r->FOptions |= xcoCustomWidth : r->FOptions &= uint8_t(~xcoCustomWidth);
  FOwner->Tidy();
}

double TXLSColumn::WidthPt() { return double(PixelWidth()) / PpiX(*FStyles) * 72; }
void TXLSColumn::SetWidthPt(double v) { SetPixelWidth(Rnd(std::clamp(v, 0.0, 1e6) / 72 * PpiX(*FStyles))); }

int32_t TXLSColumn::PixelWidth() {
  const int sw = StdWidth(*FStyles);
  return int32_t(std::trunc((Width() + std::trunc(128.0 / sw)) / 256.0 * sw));
}
int32_t TXLSColumn::PixelWidth2() {
  const int sw = StdWidth(*FStyles);
  return Rnd(((Width() / 256.0 * 100 - 0.5) / 100) * sw + 5);
}
void TXLSColumn::SetPixelWidth(int32_t v) {
  const int sw = StdWidth(*FStyles);
  const double chars = std::trunc((double(v) - 5) / sw * 100 + 0.5) / 100;
  SetWidth(Rnd(ClampColumnChars(chars)) * 256);
}

void TXLSColumn::SetFlag(uint8_t option, bool v) {
  TXc12Column* r = Record();
  if (r && bool(r->FOptions & option) == v) return;
  if (!r && !v) return;
  r = Own();
  v ? r->FOptions |= option : r->FOptions &= uint8_t(~option);
  FOwner->Tidy();
  Changed();
}
bool TXLSColumn::Hidden() {
  const TXc12Column* r = Record();
  return r && (r->FOptions & xcoHidden);
}
void TXLSColumn::SetHidden(bool v) { SetFlag(xcoHidden, v); }
bool TXLSColumn::CollapsedOutline() {
  const TXc12Column* r = Record();
  return r && (r->FOptions & xcoCollapsed);
}
void TXLSColumn::SetCollapsedOutline(bool v) { SetFlag(xcoCollapsed, v); }
int32_t TXLSColumn::OutlineLevel() {
  const TXc12Column* r = Record();
  return r ? r->FOutlineLevel : 0;
}
void TXLSColumn::SetOutlineLevel(int32_t v) {
  if (v < 0) return;
  TXc12Column* r = Record();
  if (r && r->FOutlineLevel == v) return;
  r = Own();
  r->FOutlineLevel = v;
  FOwner->Tidy();
  Changed();
}

TXc12XF* TXLSColumn::CurrentXF() {
  const TXc12Column* r = Record();
  return r && r->FStyle ? r->FStyle : DefaultXF();
}

void TXLSColumn::XFChanged(TXc12XF* xf) {
  TXc12Column* r = Record();
  if (!r && xf->Index() == 0) return;
  if (r && r->FStyle == xf) return;
  if (r) {
    r = Own();
    FStyles->XFEditor().FreeStyle(r->FStyle);
    r->FStyle = xf;
    FStyles->XFEditor().UseStyle(xf);
  } else {
    Own(xf);
  }
  FOwner->Tidy();
  Changed();
}

}  // namespace xls
