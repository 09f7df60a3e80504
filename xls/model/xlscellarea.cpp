#include "xls/model/xlscellarea.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "xls/model/xlserrors.h"
#include "xls/model/xlsglobals.h"
#include "xls/model/xlsutils.h"

namespace xls {

const char16_t* const Xc12CellErrorNames[9] = {u"_ERROR_ERROR_", u"#NULL!", u"#DIV/0!", u"#VALUE!", u"#REF!",
                                               u"#NAME?",        u"#NUM!",  u"#N/A",    u"#GETTING_DATA"};
const char16_t* const Xc12ClrSchemeColorNames[13] = {u"lt1",     u"dk1",     u"lt2",     u"dk2",   u"accent1",
                                                      u"accent2", u"accent3", u"accent4", u"accent5", u"accent6",
                                                      u"hlink",   u"folHlink", u"extList"};

// ---------------------------------------------------------------------------------------------
// Area records

void ClearCellArea(TXLSCellArea& area) { area = {-1, -1, -1, -1}; }
void SetCellArea(TXLSCellArea& area, int32_t col, int32_t row) { area = {row, row, col, col}; }
void InitCellArea(TXLSCellArea& area, int32_t col1, int32_t row1, int32_t col2, int32_t row2) {
  area = {row1, row2, col1, col2};
}
TXLSCellArea SetCellAreaOneCell(int32_t col, int32_t row) { return {row, row, col, col}; }
TXLSCellArea SetCellAreaBounds(int32_t col1, int32_t row1, int32_t col2, int32_t row2) {
  return {row1, row2, col1, col2};
}
bool ValidColRow(int32_t col, int32_t row) { return col >= 0 && col <= XLS_MAXCOL && row >= 0 && row <= XLS_MAXROW; }
bool ValidCellArea(int32_t col1, int32_t row1, int32_t col2, int32_t row2) {
  return ValidColRow(col1, row1) && ValidColRow(col2, row2);
}
bool CellAreaInLimits(int32_t col1, int32_t row1, int32_t col2, int32_t row2) {
  return ValidCellArea(col1, row1, col2, row2);
}
void ClipCellArea(int32_t& col1, int32_t& row1, int32_t& col2, int32_t& row2) {
  col1 = std::max(col1, 0);
  row1 = std::max(row1, 0);
  col2 = std::min(col2, XLS_MAXCOL);
  row2 = std::min(row2, XLS_MAXROW);
}
void NormalizeCellArea(int32_t& col1, int32_t& row1, int32_t& col2, int32_t& row2) {
  if (col1 > col2) std::swap(col1, col2);
  if (row1 > row2) std::swap(row1, row2);
}
uint8_t PtgBaseId(uint8_t id) {
  if (id >= 0x80) return id;
  if (id & 0x40) return uint8_t(0x20 + (id & 0x1F));
  return id & 0x3F;
}

// ---------------------------------------------------------------------------------------------
// Reference text

namespace {

constexpr size_t kMaxColLetters = 3;  // XFD
constexpr size_t kMaxRowDigits = 7;   // 1048576

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsLetter(char16_t c) { return c >= u'A' && c <= u'Z'; }

// Letters A..Z (at most 3) to a 0-based column; -1 when not a column.
int32_t ColumnValue(std::u16string_view letters) {
  if (letters.empty() || letters.size() > kMaxColLetters) return -1;
  int32_t v = 0;
  for (char16_t c : letters) {
    if (!IsLetter(c)) return -1;
    v = v * 26 + (c - 64);
  }
  return v - 1;
}

// Digits (at most 7) to their value; -1 when not a number.
int32_t RowNumber(std::u16string_view digits) {
  if (digits.empty() || digits.size() > kMaxRowDigits) return -1;
  int32_t v = 0;
  for (char16_t c : digits) {
    if (!IsDigit(c)) return -1;
    v = v * 10 + (c - u'0');
  }
  return v;
}

// The cell grammar: ["$"] letters ["$"] digits, nothing else.
bool ParseCell(std::u16string_view s, int32_t& col, int32_t& row, bool& colAbs, bool& rowAbs) {
  colAbs = rowAbs = false;
  if (s.empty()) return false;
  size_t i = s.size();
  while (i > 0 && IsDigit(s[i - 1])) --i;
  const std::u16string_view digits = s.substr(i);
  if (i > 0 && s[i - 1] == u'$') {
    rowAbs = true;
    --i;
  }
  size_t j = i;
  while (j > 0 && IsLetter(s[j - 1])) --j;
  const std::u16string_view letters = s.substr(j, i - j);
  if (j == 1 && s[0] == u'$')
    colAbs = true;
  else if (j != 0)
    return false;
  const int32_t c = ColumnValue(letters);
  const int32_t r = RowNumber(digits);
  if (c < 0 || r < 0) return false;
  col = c;
  row = r - 1;
  return ValidColRow(col, row);
}

// ["$"] letters: the column, or -1.
int32_t ColumnPart(std::u16string_view s) {
  if (!s.empty() && s[0] == u'$') s.remove_prefix(1);
  const int32_t c = ColumnValue(s);
  return c <= XLS_MAXCOL ? c : -1;
}

// ["$"] digits: the 1-based row number 1..1048576, or -1.
int32_t RowPart(std::u16string_view s) {
  if (!s.empty() && s[0] == u'$') s.remove_prefix(1);
  const int32_t r = RowNumber(s);
  return r >= 1 && r <= XLS_MAXROW + 1 ? r : -1;
}

void AppendColumn(std::u16string& out, int32_t c) {
  if (c <= 25) {
    out += char16_t(65 + c);
  } else if (c <= 701) {
    out += char16_t(64 + c / 26);
    out += char16_t(65 + c % 26);
  } else {
    const int32_t k = (c - 702) / 676;
    const int32_t rest = c - (k * 676 + 702);
    const int32_t m = rest / 26;
    out += char16_t(65 + k);
    out += char16_t(65 + m);
    out += char16_t(65 + rest - 26 * m);
  }
}

}  // namespace

bool RefStrToColRow(std::u16string_view s, int32_t& col, int32_t& row) {
  bool ca, ra;
  return ParseCell(s, col, row, ca, ra);
}

bool RefStrToColRowAbs(std::u16string_view s, int32_t& col, int32_t& row, bool& colAbs, bool& rowAbs) {
  return ParseCell(s, col, row, colAbs, rowAbs);
}

bool AreaStrToColRow(std::u16string_view s, int32_t& col1, int32_t& row1, int32_t& col2, int32_t& row2) {
  if (FindCharPos(u'!', s) >= 2) s.remove_prefix(s.find(u'!') + 1);
  const auto colon = s.find(u':');
  if (colon == std::u16string_view::npos) {
    if (!RefStrToColRow(s, col1, row1)) return false;
    col2 = col1;
    row2 = row1;
    return true;
  }
  const std::u16string_view first = s.substr(0, colon), second = s.substr(colon + 1);
  if (RefStrToColRow(first, col1, row1) && RefStrToColRow(second, col2, row2)) return true;
  const int32_t c1 = ColumnPart(first);
  if (c1 >= 0) {
    const int32_t c2 = ColumnPart(second);
    if (c2 < c1) return false;
    col1 = c1, col2 = c2, row1 = 0, row2 = XLS_MAXROW;
    return true;
  }
  const int32_t r1 = RowPart(first), r2 = RowPart(second);
  if (r1 < 0 || r2 < r1) return false;
  row1 = r1 - 1, row2 = r2 - 1, col1 = 0, col2 = XLS_MAXCOL;
  return true;
}

bool AreaStrToColRowAbs(std::u16string_view s, int32_t& col1, int32_t& row1, int32_t& col2, int32_t& row2,
                        bool& colAbs1, bool& rowAbs1, bool& colAbs2, bool& rowAbs2) {
  const auto colon = s.find(u':');
  if (colon == std::u16string_view::npos) return false;
  return RefStrToColRowAbs(s.substr(0, colon), col1, row1, colAbs1, rowAbs1) &&
         RefStrToColRowAbs(s.substr(colon + 1), col2, row2, colAbs2, rowAbs2);
}

void AreaStrToCellArea(std::u16string_view s, TXLSCellArea& area) {
  bool ok;
  if (s.find(u':') != std::u16string_view::npos) {
    ok = AreaStrToColRow(s, area.Col1, area.Row1, area.Col2, area.Row2);
  } else {
    ok = RefStrToColRow(s, area.Col1, area.Row1);
    area.Col2 = area.Col1;
    area.Row2 = area.Row1;
  }
  if (!ok) ClearCellArea(area);
}

std::u16string ColRowToRefStrAbs(int32_t col, int32_t row, bool colAbs, bool rowAbs) {
  std::u16string out;
  if (colAbs) out += u'$';
  AppendColumn(out, col);
  if (rowAbs) out += u'$';
  const std::string digits = std::to_string(int64_t(row) + 1);
  out.append(digits.begin(), digits.end());
  return out;
}

std::u16string ColRowToRefStr(int32_t col, int32_t row) { return ColRowToRefStrAbs(col, row, false, false); }

std::u16string AreaToRefStr(int32_t col1, int32_t row1, int32_t col2, int32_t row2) {
  return ColRowToRefStr(col1, row1) + u':' + ColRowToRefStr(col2, row2);
}

std::u16string AreaToRefStrAbs(int32_t col1, int32_t row1, int32_t col2, int32_t row2, bool colAbs1, bool rowAbs1,
                               bool colAbs2, bool rowAbs2) {
  return ColRowToRefStrAbs(col1, row1, colAbs1, rowAbs1) + u':' + ColRowToRefStrAbs(col2, row2, colAbs2, rowAbs2);
}

std::u16string AreaToRefStrPacked(int32_t col1, int32_t row1, int32_t col2, int32_t row2) {
  const auto r = [](int32_t v) { return int32_t(uint32_t(v) & 0x7FFFFFFFu); };
  return AreaToRefStrAbs(col1 & 0x7FFF, r(row1), col2 & 0x7FFF, r(row2), (col1 & 0x8000) != 0, row1 < 0,
                         (col2 & 0x8000) != 0, row2 < 0);
}

TXc12CellError ErrorTextToCellError(std::u16string_view text) {
  for (int i = 0; i < 9; ++i)
    if (text == Xc12CellErrorNames[i]) return static_cast<TXc12CellError>(i);
  return TXc12CellError::errUnknown;
}

// ---------------------------------------------------------------------------------------------
// Colours

void RGBToHLS(uint32_t color, int32_t& h, int32_t& l, int32_t& s) {
  const int32_t r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
  const int32_t mx = std::max({r, g, b}), mn = std::min({r, g, b});
  l = (mx + mn) / 2;
  if (mx == mn) {
    h = s = 0;
    return;
  }
  const int32_t d = mx - mn;
  s = l < 128 ? (d * 256) / (mx + mn) : (d * 256) / (512 - mx - mn);
  if (s > 255) s = 255;
  int32_t hue;
  if (r == mx)
    hue = ((g - b) * 256) / d;
  else if (g == mx)
    hue = ((b - r) * 256) / d + 512;
  else
    hue = ((r - g) * 256) / d + 1024;
  h = (hue / 6) & 0xFF;
}

uint32_t HLSToRGB(int32_t h, int32_t l, int32_t s) {
  if (s == 0) return uint32_t(l) | (uint32_t(l) << 8) | (uint32_t(l) << 16);
  const int32_t m2 = l < 128 ? (l * (s + 256)) / 256 : l + s - (l * s) / 256;
  const int32_t m1 = 2 * l - m2;
  const int32_t k = 6 * (m2 - m1);
  const auto channel = [&](int32_t hue) -> uint32_t {
    if (hue < 0) hue += 256;
    if (hue > 256) hue -= 256;
    int32_t v;
    if (hue < 43)
      v = m1 + (k * hue) / 256;
    else if (hue < 128)
      v = m2;
    else if (hue < 171)
      v = m1 + (k * (170 - hue)) / 256;
    else
      v = m1;
    return uint32_t(std::clamp(v, 0, 255));
  };
  return channel(h + 85) | (channel(h) << 8) | (channel(h - 85) << 16);
}

void RGBToHSLFloat(uint32_t color, double& h, double& l, double& s) {
  int32_t hb, lb, sb;
  RGBToHLS(color, hb, lb, sb);
  h = hb / 255.0;
  l = lb / 255.0;
  s = sb / 255.0;
}

uint32_t HSLFloatToRGB(double h, double l, double s) {
  const auto byte = [](double v) { return int32_t(int64_t(std::nearbyint(ClampFloat(v, -1e6, 1e6) * 255)) & 0xFF); };
  return HLSToRGB(byte(h), byte(l), byte(s));
}

uint32_t Xc12ColorToRGB(const TXc12Color& color, uint32_t defaultColor) {
  switch (color.ColorType) {
    case TXc12ColorType::exctAuto:
      return defaultColor;
    case TXc12ColorType::exctIndexed: {
      const size_t i = static_cast<size_t>(color.Indexed);
      return i < XLS_PALETTE_SIZE ? IndexedPalette()[i] : defaultColor;
    }
    case TXc12ColorType::exctRgb:
      // The record keeps the rgb value as a file writes it (AARRGGBB); colour values have red in
      // the low byte, as palette and theme colours do.
      return SwapRedBlue(color.OrigRGB);
    case TXc12ColorType::exctTheme: {
      const size_t t = static_cast<size_t>(color.Theme);
      if (t >= XLS_THEME_COLOR_COUNT) return defaultColor;
      const uint32_t c = ThemeColors()[t];
      if (color.Tint == 0 || !std::isfinite(color.Tint)) return c;
      int32_t h, l, s;
      RGBToHLS(c, h, l, s);
      const double tint = ClampFloat(color.Tint, -1, 1);
      const double nl = tint > 0 ? l * (1 - tint) + (255 - (1 - tint) * 255) : l * (1 + tint);
      return HLSToRGB(h, int32_t(std::nearbyint(nl)) & 0xFF, s);
    }
    default:
      return 0;
  }
}

TXc12Color SetIndexedColor(int32_t index) {
  TXc12Color c;
  c.ColorType = TXc12ColorType::exctIndexed;
  c.Tint = 0;
  if (index >= 0 && index <= 64) {
    c.Indexed = static_cast<TXc12IndexColor>(index);
    c.ARGB = IndexedPalette()[size_t(index)];
  } else {
    c.Indexed = TXc12IndexColor::xcAutomatic;
    c.ARGB = 0xF0000000;
  }
  return c;
}

TXc12Color IndexColorToXc12Color(uint8_t index) { return SetIndexedColor(index); }

void MakeXc12AutoColor(TXc12Color& color, uint32_t value) {
  color.ColorType = TXc12ColorType::exctAuto;
  color.ARGB = value;
}

TXc12Color MakeXc12RGBColor(uint32_t value) {
  TXc12Color c;
  c.ColorType = TXc12ColorType::exctRgb;
  c.OrigRGB = (value & 0xFF000000u) | SwapRedBlue(value);  // in the file's byte order
  c.ARGB = value;
  c.Tint = 0;
  return c;
}

bool Xc12ColorEqual(const TXc12Color& a, const TXc12Color& b) {
  if (a.ColorType != b.ColorType) return false;
  switch (a.ColorType) {
    case TXc12ColorType::exctAuto:
      return true;
    case TXc12ColorType::exctIndexed:
      return a.Indexed == b.Indexed;
    case TXc12ColorType::exctRgb:
      return a.OrigRGB == b.OrigRGB;
    case TXc12ColorType::exctTheme:
      return a.Theme == b.Theme && std::fabs(a.Tint - b.Tint) <= 0.0001;
    default:
      return false;
  }
}

bool Xc12ColorEqualsRGB(const TXc12Color& color, uint32_t value) {
  return color.ColorType == TXc12ColorType::exctRgb &&
         color.OrigRGB == ((value & 0xFF000000u) | SwapRedBlue(value));
}

bool Xc12ColorIsIndexed(const TXc12Color& color) { return color.ColorType == TXc12ColorType::exctIndexed; }

int32_t Xc12ColorHash(const TXc12Color& color) {
  uint32_t h = static_cast<uint32_t>(color.ColorType);
  switch (color.ColorType) {
    case TXc12ColorType::exctAuto:
      h += 1;
      break;
    case TXc12ColorType::exctIndexed:
      h += static_cast<uint32_t>(color.Indexed);
      break;
    case TXc12ColorType::exctRgb:
      h += color.OrigRGB;
      break;
    case TXc12ColorType::exctTheme:
      h += static_cast<uint32_t>(color.Theme) +
           static_cast<uint32_t>(int32_t(std::nearbyint(ClampFloat(color.Tint, -1, 1) * 10000)));
      break;
    default:
      break;
  }
  return static_cast<int32_t>(h);
}

// ---------------------------------------------------------------------------------------------
// Area objects

void TCellArea::SetSize(int32_t c1, int32_t r1, int32_t c2, int32_t r2) {
  SetCol1(c1);
  SetRow1(r1);
  SetCol2(c2);
  SetRow2(r2);
}
bool TCellArea::Equal(int32_t c1, int32_t r1, int32_t c2, int32_t r2) const {
  return Col1() == c1 && Row1() == r1 && Col2() == c2 && Row2() == r2;
}
bool TCellArea::InArea(int32_t c1, int32_t r1, int32_t c2, int32_t r2) const {
  return Col1() >= c1 && Col2() <= c2 && Row1() >= r1 && Row2() <= r2;
}
TXLSCellArea TCellArea::AsRecArea() const { return {Row1(), Row2(), Col1(), Col2()}; }
void TCellArea::SetAsRecArea(const TXLSCellArea& a) { SetSize(a.Col1, a.Row1, a.Col2, a.Row2); }
std::u16string TCellArea::AsString() const {
  if (Col1() == Col2() && Row1() == Row2()) return ColRowToRefStr(Col1(), Row1());
  return AreaToRefStr(Col1(), Row1(), Col2(), Row2());
}
std::u16string TCellArea::AsStringAbs() const {
  if (Col1() == Col2() && Row1() == Row2()) return ColRowToRefStrAbs(Col1(), Row1(), true, true);
  return AreaToRefStrAbs(Col1(), Row1(), Col2(), Row2(), true, true, true, true);
}

namespace {

TXLSCellArea Rec(int32_t c1, int32_t r1, int32_t c2, int32_t r2) { return {r1, r2, c1, c2}; }

bool Intersect(const TXLSCellArea& a, const TXLSCellArea& b, TXLSCellArea& out) {
  out = Rec(std::max(a.Col1, b.Col1), std::max(a.Row1, b.Row1), std::min(a.Col2, b.Col2), std::min(a.Row2, b.Row2));
  return out.Col2 >= out.Col1 && out.Row2 >= out.Row1;
}

bool Intersects(const TXLSCellArea& a, const TXLSCellArea& b) {
  TXLSCellArea x;
  return Intersect(a, b, x);
}

// A minus D (which intersects A): the rows above, the rows below, then left and right of D.
std::vector<TXLSCellArea> Subtract(const TXLSCellArea& a, const TXLSCellArea& d) {
  std::vector<TXLSCellArea> pieces;
  if (a.Row1 < d.Row1) pieces.push_back(Rec(a.Col1, a.Row1, a.Col2, d.Row1 - 1));
  if (a.Row2 > d.Row2) pieces.push_back(Rec(a.Col1, d.Row2 + 1, a.Col2, a.Row2));
  const int32_t r1 = std::max(a.Row1, d.Row1), r2 = std::min(a.Row2, d.Row2);
  if (a.Col1 < d.Col1) pieces.push_back(Rec(a.Col1, r1, d.Col1 - 1, r2));
  if (a.Col2 > d.Col2) pieces.push_back(Rec(d.Col2 + 1, r1, a.Col2, r2));
  return pieces;
}


TXLSCellArea Shifted(TXLSCellArea a, int32_t dc, int32_t dr) {
  a.Col1 += dc, a.Col2 += dc, a.Row1 += dr, a.Row2 += dr;
  return a;
}

}  // namespace

TCellArea* TBaseCellAreas::Append(std::unique_ptr<TCellArea> a) {
  FItems.push_back(std::move(a));
  return FItems.back().get();
}

TCellArea* TBaseCellAreas::Add() { return Append(CreateArea()); }

bool TBaseCellAreas::ClipToLimits(TXLSCellArea& a) const {
  if (a.Col1 > FMaxCol || a.Row1 > FMaxRow || a.Col2 < 0 || a.Row2 < 0) return false;
  a.Col1 = std::max(a.Col1, 0);
  a.Row1 = std::max(a.Row1, 0);
  a.Col2 = std::min(a.Col2, FMaxCol);
  a.Row2 = std::min(a.Row2, FMaxRow);
  return true;
}

TCellArea* TBaseCellAreas::Add(int32_t c1, int32_t r1, int32_t c2, int32_t r2) {
  auto a = CreateArea();
  a->SetSize(c1, r1, c2, r2);
  return Append(std::move(a));
}

TCellArea* TBaseCellAreas::Add(std::u16string_view ref) {
  int32_t c1 = 0, r1 = 0, c2 = 0, r2 = 0;
  const auto colon = ref.find(u':');
  bool ok;
  if (colon == std::u16string_view::npos || colon == 0) {
    ok = RefStrToColRow(ref, c1, r1);
    c2 = c1, r2 = r1;
  } else {
    ok = AreaStrToColRow(ref, c1, r1, c2, r2);
  }
  return ok ? Add(c1, r1, c2, r2) : nullptr;
}

int TBaseCellAreas::FindArea(int32_t c1, int32_t r1, int32_t c2, int32_t r2) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i]->Equal(c1, r1, c2, r2)) return int(i);
  return -1;
}

int TBaseCellAreas::CellInAreas(int32_t col, int32_t row) const {
  for (size_t i = 0; i < FItems.size(); ++i) {
    const auto& a = *FItems[i];
    if (col >= a.Col1() && col <= a.Col2() && row >= a.Row1() && row <= a.Row2()) return int(i);
  }
  return -1;
}

bool TBaseCellAreas::AreaInAreas(int32_t c1, int32_t r1, int32_t c2, int32_t r2) const {
  for (const auto& a : FItems)
    if (Intersects(a->AsRecArea(), Rec(c1, r1, c2, r2))) return true;
  return false;
}

TCellArea* TBaseCellAreas::Items(size_t index) const {
  if (index >= FItems.size()) ListIndexError(index);
  return FItems[index].get();
}

void TBaseCellAreas::Remove(size_t index) {
  Items(index);
  FItems.erase(FItems.begin() + ptrdiff_t(index));
}

std::u16string TBaseCellAreas::DelimitedText() const {
  std::u16string s;
  for (const auto& a : FItems) {
    s += a->AsString();
    s += u' ';
  }
  const auto b = s.find_first_not_of(u' ');
  if (b == std::u16string::npos) return {};
  return s.substr(b, s.find_last_not_of(u' ') - b + 1);
}

void TBaseCellAreas::SetDelimitedText(std::u16string_view text) {
  Clear();
  size_t start = 0;
  while (true) {
    const auto p = text.find(Delimiter, start);
    Add(text.substr(start, p == std::u16string_view::npos ? std::u16string_view::npos : p - start));
    if (p == std::u16string_view::npos) break;
    start = p + 1;
  }
}

// ---------------------------------------------------------------------------------------------
// TCellAreas

void TCellAreas::Delete(int32_t Col1, int32_t Row1, int32_t Col2, int32_t Row2) {
  const TXLSCellArea d = Rec(Col1, Row1, Col2, Row2);
  std::vector<std::unique_ptr<TCellArea>> kept;
  std::vector<TXLSCellArea> pieces;
  for (auto& a : FItems) {
    const TXLSCellArea r = a->AsRecArea();
    if (Intersects(r, d)) {
      const auto p = Subtract(r, d);
      pieces.insert(pieces.end(), p.begin(), p.end());
    } else {
      kept.push_back(std::move(a));
    }
  }
  FItems = std::move(kept);
  for (const auto& p : pieces) TBaseCellAreas::Add(p);
}

void TCellAreas::AddMoved(const TXLSCellArea& part, int32_t DeltaCol, int32_t DeltaRow) {
  TXLSCellArea n = Shifted(part, DeltaCol, DeltaRow);
  if (!ClipToLimits(n)) return;
  for (auto& e : FItems) {
    const TXLSCellArea r = e->AsRecArea();
    const bool sameCols = n.Col1 == r.Col1 && n.Col2 == r.Col2;
    const bool sameRows = n.Row1 == r.Row1 && n.Row2 == r.Row2;
    if (n.Col1 >= r.Col1 && n.Col2 <= r.Col2 && n.Row1 >= r.Row1 && n.Row2 <= r.Row2) return;
    if (sameCols && n.Row2 >= r.Row1 - 1 && n.Row2 <= r.Row2) {
      e->SetRow1(n.Row1);
      return;
    }
    if (sameCols && n.Row1 >= r.Row1 && n.Row1 <= r.Row2 + 1) {
      e->SetRow2(n.Row2);
      return;
    }
    if (sameRows && n.Col2 >= r.Col1 - 1 && n.Col2 <= r.Col2) {
      e->SetCol1(n.Col1);
      return;
    }
    if (sameRows && n.Col1 >= r.Col1 && n.Col1 <= r.Col2 + 1) {
      e->SetCol2(n.Col2);
      return;
    }
  }
  Delete(n.Col1, n.Row1, n.Col2, n.Row2);
  TBaseCellAreas::Add(n);
}

void TCellAreas::Copy(int32_t Col1, int32_t Row1, int32_t Col2, int32_t Row2, int32_t DeltaCol, int32_t DeltaRow) {
  // The parts are taken from the list as it is at the start, so that the walk does not depend on
  // what the deletes of earlier parts remove.
  const TXLSCellArea s = Rec(Col1, Row1, Col2, Row2);
  std::vector<TXLSCellArea> parts;
  for (const auto& a : FItems) {
    TXLSCellArea x;
    if (Intersect(a->AsRecArea(), s, x)) parts.push_back(x);
  }
  for (const auto& p : parts) AddMoved(p, DeltaCol, DeltaRow);
}

void TCellAreas::Move(int32_t Col1, int32_t Row1, int32_t Col2, int32_t Row2, int32_t DeltaCol, int32_t DeltaRow) {
  const TXLSCellArea s = Rec(Col1, Row1, Col2, Row2);
  std::vector<std::unique_ptr<TCellArea>> kept;
  std::vector<TXLSCellArea> pieces, parts;
  for (auto& a : FItems) {
    const TXLSCellArea r = a->AsRecArea();
    TXLSCellArea x;
    if (Intersect(r, s, x)) {
      const auto p = Subtract(r, s);
      pieces.insert(pieces.end(), p.begin(), p.end());
      parts.push_back(x);
    } else {
      kept.push_back(std::move(a));
    }
  }
  FItems = std::move(kept);
  for (const auto& p : pieces) TBaseCellAreas::Add(p);
  for (const auto& p : parts) AddMoved(p, DeltaCol, DeltaRow);
}

void TCellAreas::Move(int32_t DeltaCol, int32_t DeltaRow) {
  std::vector<std::unique_ptr<TCellArea>> kept;
  for (auto& a : FItems) {
    TXLSCellArea r = Shifted(a->AsRecArea(), DeltaCol, DeltaRow);
    if (!ClipToLimits(r)) continue;
    a->SetAsRecArea(r);
    kept.push_back(std::move(a));
  }
  FItems = std::move(kept);
}

TCellArea* TCellAreas::Include(int32_t Col1, int32_t Row1, int32_t Col2, int32_t Row2) {
  const TXLSCellArea g = Rec(Col1, Row1, Col2, Row2);
  std::vector<std::unique_ptr<TCellArea>> kept;
  for (auto& a : FItems) {
    TXLSCellArea x;
    if (!Intersect(a->AsRecArea(), g, x)) continue;
    a->SetAsRecArea(x);
    kept.push_back(std::move(a));
  }
  FItems = std::move(kept);
  return Last();
}

// ---------------------------------------------------------------------------------------------
// TSolidCellAreas

namespace {
constexpr const char* kMergedPart = "Can not change part of a merged cell";
}

void TSolidCellAreas::Copy(int32_t Col1, int32_t Row1, int32_t Col2, int32_t Row2, int32_t DeltaCol,
                           int32_t DeltaRow) {
  if (DeltaCol == 0 && DeltaRow == 0) return;
  FCopyFailed = false;
  std::vector<TXLSCellArea> moved;
  for (const auto& a : FItems) {
    if (!a->InArea(Col1, Row1, Col2, Row2)) continue;
    const TXLSCellArea n = Shifted(a->AsRecArea(), DeltaCol, DeltaRow);
    if (n.Col1 >= 0 && n.Row1 >= 0 && n.Col2 <= FMaxCol && n.Row2 <= FMaxRow) moved.push_back(n);
  }
  for (const auto& n : moved) {
    if (AreaInAreas(n.Col1, n.Row1, n.Col2, n.Row2)) {
      FCopyFailed = true;
      return;
    }
  }
  for (const auto& n : moved) TBaseCellAreas::Add(n);
}

void TSolidCellAreas::Delete(int32_t Col1, int32_t Row1, int32_t Col2, int32_t Row2) {
  const TXLSCellArea d = Rec(Col1, Row1, Col2, Row2);
  // Every area is checked before one changes: a refused delete leaves the list as it was.
  for (const auto& a : FItems) {
    const TXLSCellArea r = a->AsRecArea();
    if (!a->InArea(Col1, Row1, Col2, Row2) && Intersects(r, d) && Subtract(r, d).size() > 1)
      throw XLSRWException(kMergedPart);
  }
  for (size_t i = 0; i < FItems.size();) {
    TCellArea& a = *FItems[i];
    if (a.InArea(Col1, Row1, Col2, Row2)) {
      FItems.erase(FItems.begin() + ptrdiff_t(i));
      continue;
    }
    const TXLSCellArea r = a.AsRecArea();
    if (Intersects(r, d)) {
      const auto pieces = Subtract(r, d);
      if (pieces.size() > 1) throw XLSRWException(kMergedPart);
      a.SetAsRecArea(pieces.front());
    }
    ++i;
  }
}

void TSolidCellAreas::DeleteAndAdjust(int32_t Col1, int32_t Row1, int32_t Col2, int32_t Row2) {
  for (size_t i = FItems.size(); i-- > 0;) {
    TCellArea& a = *FItems[i];
    int32_t r1 = a.Row1(), r2 = a.Row2(), c1 = a.Col1(), c2 = a.Col2();
    if (!AdjustRangeOnDelete(r1, r2, Row1, Row2) || !AdjustRangeOnDelete(c1, c2, Col1, Col2)) {
      FItems.erase(FItems.begin() + ptrdiff_t(i));
      continue;
    }
    a.SetSize(c1, r1, c2, r2);
  }
}

TCellArea* TSolidCellAreas::Include(int32_t Col1, int32_t Row1, int32_t Col2, int32_t Row2) {
  TXLSCellArea g = Rec(Col1, Row1, Col2, Row2);
  std::vector<std::unique_ptr<TCellArea>> kept;
  for (auto& a : FItems) {
    const TXLSCellArea r = a->AsRecArea();
    if (Intersects(r, Rec(Col1, Row1, Col2, Row2))) {
      g = Rec(std::min(g.Col1, r.Col1), std::min(g.Row1, r.Row1), std::max(g.Col2, r.Col2), std::max(g.Row2, r.Row2));
    } else {
      kept.push_back(std::move(a));
    }
  }
  FItems = std::move(kept);
  return TBaseCellAreas::Add(g);
}

void TSolidCellAreas::Move(int32_t, int32_t) { throw XLSRWException("TSolidCellAreas.Move not implemented"); }

void TSolidCellAreas::Move(int32_t Col1, int32_t Row1, int32_t Col2, int32_t Row2, int32_t DeltaCol,
                           int32_t DeltaRow) {
  const std::pair<int32_t, int32_t> corners[] = {{Col1, Row1}, {Col2, Row1}, {Col1, Row2}, {Col2, Row2}};
  for (const auto& a : FItems)
    for (auto [c, r] : corners)
      if (c > a->Col1() && c < a->Col2() && r > a->Row1() && r < a->Row2()) throw std::runtime_error(kMergedPart);
  const auto moves = [](int32_t v, int32_t lo, int32_t hi) { return v >= lo && v <= hi; };
  std::vector<std::unique_ptr<TCellArea>> kept;
  for (auto& a : FItems) {
    int32_t c1 = a->Col1(), r1 = a->Row1(), c2 = a->Col2(), r2 = a->Row2();
    if (moves(c1, Col1, Col2)) c1 += DeltaCol;
    if (moves(r1, Row1, Row2)) r1 += DeltaRow;
    if (moves(c2, Col1, Col2) || (c2 < Col1 && c2 == Col1 + DeltaCol)) c2 += DeltaCol;
    if (moves(r2, Row1, Row2) || (r2 < Row1 && r2 == Row1 + DeltaRow)) r2 += DeltaRow;
    TXLSCellArea n = Rec(c1, r1, c2, r2);
    // Shifted areas are clipped as in the plain lists; one that leaves the limits is dropped.
    if (c2 < c1 || r2 < r1 || !ClipToLimits(n)) continue;
    a->SetAsRecArea(n);
    kept.push_back(std::move(a));
  }
  FItems = std::move(kept);
}

// ---------------------------------------------------------------------------------------------
// References and move/copy lists

void TCellRef::SetAsString(std::u16string_view s) {
  int32_t c, r;
  if (RefStrToColRow(s, c, r)) Col = c, Row = r;
}

TCellRef* TCellRefs::Add(std::u16string_view ref) {
  auto r = std::make_unique<TCellRef>();
  r->SetAsString(ref);
  FItems.push_back(std::move(r));
  return FItems.back().get();
}

TCellRef* TCellRefs::Items(size_t index) const {
  if (index >= FItems.size()) ListIndexError(index);
  return FItems[index].get();
}

void TXLSMoveCopyList::DeleteLocal(int32_t Col1, int32_t Row1, int32_t Col2, int32_t Row2) {
  for (auto& i : FItems) i->Delete(Col1, Row1, Col2, Row2);
}

TXLSMoveCopyItem* TXLSMoveCopyList::Items(size_t index) const {
  if (index >= FItems.size()) ListIndexError(index);
  return FItems[index].get();
}

}  // namespace xls
