#include "xls/biff/sheetrules.h"

#include <algorithm>

#include "xls/biff/biff5.h"
#include "xls/biff/shapeobjects.h"
#include "xls/formula/xlsformulamodel.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlsworkbookdata.h"

namespace xls::biff {

namespace {

constexpr uint16_t kCF = 0x01B1, kDV = 0x01BE, kDVAL = 0x01B2, kAUTOFILTERINFO = 0x009D, kAUTOFILTER = 0x009E;

// A range of 8 bytes (first row, last row, first column, last column) as an area; false for one
// outside the legacy sheet or reversed.
bool AddRange(TCellAreas97& areas, const TBIFFBody& b, size_t p) {
  const int32_t r1 = b.U16(p), r2 = b.U16(p + 2), c1 = b.U16(p + 4), c2 = b.U16(p + 6);
  if (r1 > r2 || c1 > c2 || c2 > MAX_LEGACY_COL) return false;
  areas.Add(c1, r1, c2, r2);
  return true;
}

std::vector<uint8_t> Tokens(const TBIFFBody& b, size_t p, size_t n) {
  const auto bytes = b.Bytes(p, n);
  return {bytes.begin(), bytes.end()};
}

// Leading and trailing blanks and control characters cut off.
std::u16string Trimmed(std::u16string s) {
  const auto keep = [](char16_t c) { return c > u' '; };
  const auto b = std::find_if(s.begin(), s.end(), keep);
  const auto e = std::find_if(s.rbegin(), s.rend(), keep).base();
  return b < e ? std::u16string(b, e) : std::u16string();
}

}  // namespace

namespace {

// Little-endian fields of the format blocks.
uint32_t Get(const uint8_t* p, size_t size) {
  uint32_t v = 0;
  for (size_t i = size; i-- > 0;) v = (v << 8) | p[i];
  return v;
}
void Put(uint8_t* p, size_t size, uint32_t v) {
  for (size_t i = 0; i < size; ++i, v >>= 8) p[i] = uint8_t(v);
}

// The font block's fields.
constexpr size_t kHeight = 64, kOptions = 68, kWeight = 72, kEscapement = 74, kUnderline = 76, kColorIndex = 80,
                 kModified = 88, kEscapementModified = 92, kUnderlineModified = 96, kIs0001 = 116;
constexpr uint32_t kNotSet = 0xFFFFFFFF;

}  // namespace

TCondFmtData::TCondFmtData() {
  FRecCF[0] = 1;  // compare the cell value
  FRecCF[1] = 3;  // equal
  FRecCF[6] = 0xFF, FRecCF[7] = 0xFF, FRecCF[8] = 0x3F;  // flags 0x3FFFFF
  uint8_t* f = FFont.data();
  Put(f + kHeight, 4, kNotSet);
  Put(f + kWeight, 2, 400);
  Put(f + kColorIndex, 4, kNotSet);
  Put(f + kModified, 4, 0x9A);
  Put(f + kEscapementModified, 4, 1);
  Put(f + kUnderlineModified, 4, 1);
  Put(f + kIs0001, 2, 1);
  Put(FBorder.data() + 2, 4, 64u | 64u << 7 | 64u << 16 | 64u << 23);  // automatic colours
}

// ---- typed format blocks

int32_t TCondFmtFont::Height20() const {
  const uint32_t h = Get(FData.FFont.data() + kHeight, 4);
  return h == kNotSet ? 0 : int32_t(h);
}
void TCondFmtFont::SetHeight20(int32_t v) {
  Put(FData.FFont.data() + kHeight, 4, v == 0 ? kNotSet : uint32_t(v));
  FData.FFontAssigned = v != 0 && uint32_t(v) != kNotSet;
}

TXc12FontStyles TCondFmtFont::FontStyle() const {
  const uint8_t* f = FData.FFont.data();
  TXc12FontStyles s;
  if (Get(f + kWeight, 2) >= 700) s.Include(TXc12FontStyle::xfsBold);
  if (Get(f + kOptions, 4) & 0x02) s.Include(TXc12FontStyle::xfsItalic);
  if (Get(f + kOptions, 4) & 0x80) s.Include(TXc12FontStyle::xfsStrikeOut);
  return s;
}
void TCondFmtFont::SetFontStyle(TXc12FontStyles v) {
  TXc12FontStyles kept;
  for (TXc12FontStyle k : {TXc12FontStyle::xfsBold, TXc12FontStyle::xfsItalic, TXc12FontStyle::xfsStrikeOut})
    if (v.Contains(k)) kept.Include(k);
  if (kept == FontStyle()) return;
  uint8_t* f = FData.FFont.data();
  uint32_t options = 0, modified = 0x9A;
  if (kept.Contains(TXc12FontStyle::xfsItalic)) options = 0x02, modified = 0x98;
  if (kept.Contains(TXc12FontStyle::xfsStrikeOut)) options |= 0x80, modified &= ~0x80u;
  const bool bold = kept.Contains(TXc12FontStyle::xfsBold);
  if (bold) modified &= ~0x02u;
  Put(f + kOptions, 4, options);
  Put(f + kModified, 4, modified);
  Put(f + kWeight, 2, bold ? 700 : 400);
  FData.FFontAssigned = true;
}

int32_t TCondFmtFont::Escapment() const { return int32_t(Get(FData.FFont.data() + kEscapement, 2)); }
void TCondFmtFont::SetEscapment(int32_t v) {
  if (v == Escapment()) return;
  Put(FData.FFont.data() + kEscapement, 2, uint32_t(v));
  Put(FData.FFont.data() + kEscapementModified, 4, 0);
  FData.FFontAssigned = true;
}

namespace {
constexpr uint8_t kUnderlineCodes[] = {0, 1, 2, 0x21, 0x22};  // in the order of TXc12Underline
}

TXc12Underline TCondFmtFont::Underline() const {
  const uint32_t u = Get(FData.FFont.data() + kUnderline, 1);
  for (size_t i = 1; i < std::size(kUnderlineCodes); ++i)
    if (u == kUnderlineCodes[i]) return TXc12Underline(i);
  return TXc12Underline::xulNone;
}
void TCondFmtFont::SetUnderline(TXc12Underline v) {
  if (v == Underline() || size_t(v) >= std::size(kUnderlineCodes)) return;
  Put(FData.FFont.data() + kUnderline, 1, kUnderlineCodes[size_t(v)]);
  Put(FData.FFont.data() + kUnderlineModified, 4, 0);
  FData.FFontAssigned = true;
}

int32_t TCondFmtFont::Color() const {
  const uint32_t c = Get(FData.FFont.data() + kColorIndex, 4);
  return c == kNotSet ? 64 : int32_t(c);
}
void TCondFmtFont::SetColor(int32_t v) {
  const uint32_t stored = v == 64 ? kNotSet : uint32_t(v) & 0x7F;
  if (stored == Get(FData.FFont.data() + kColorIndex, 4)) return;
  Put(FData.FFont.data() + kColorIndex, 4, stored);
  FData.FFontAssigned = true;
}
bool TCondFmtFont::Assigned() const { return FData.FFontAssigned; }

namespace {
constexpr int kColourShift[] = {0, 7, 16, 23};  // left, right, top, bottom
}

int32_t TCondFmtBorder::Style(TCondFmtSide side) const {
  return int32_t(Get(FData.FBorder.data(), 2) >> (4 * int(side)) & 0x0F);
}
void TCondFmtBorder::SetStyle(TCondFmtSide side, int32_t v) {
  if (v == Style(side)) return;
  const int shift = 4 * int(side);
  const uint32_t word = Get(FData.FBorder.data(), 2) & ~(0x0Fu << shift);
  Put(FData.FBorder.data(), 2, word | (uint32_t(v) & 0x0F) << shift);
  FData.FBorderAssigned[size_t(side)] = v != 0;
}
int32_t TCondFmtBorder::Color(TCondFmtSide side) const {
  return std::min<int32_t>(int32_t(Get(FData.FBorder.data() + 2, 4) >> kColourShift[int(side)] & 0x7F), 64);
}
void TCondFmtBorder::SetColor(TCondFmtSide side, int32_t v) {
  const int shift = kColourShift[int(side)];
  const uint32_t word = Get(FData.FBorder.data() + 2, 4) & ~(0x7Fu << shift);
  Put(FData.FBorder.data() + 2, 4, word | (uint32_t(v) & 0x7F) << shift);
}
bool TCondFmtBorder::Assigned() const {
  return std::any_of(FData.FBorderAssigned.begin(), FData.FBorderAssigned.end(), [](bool b) { return b; });
}

int32_t TCondFmtPattern::FillPattern() const { return int32_t(Get(FData.FPattern.data(), 2) >> 10); }
void TCondFmtPattern::SetFillPattern(int32_t v) {
  const uint32_t word = Get(FData.FPattern.data(), 2) & 0x03FF;
  Put(FData.FPattern.data(), 2, word | (uint32_t(v) & 0x3F) << 10);
  FData.FPatternAssigned[0] = v != 0;
}
int32_t TCondFmtPattern::ColorField(int shift) const {
  const int32_t c = int32_t(Get(FData.FPattern.data() + 2, 2) >> shift & 0x7F);
  return c == 0 || c > 64 ? 64 : c;
}
void TCondFmtPattern::SetColorField(int shift, size_t flag, int32_t v) {
  uint32_t word = Get(FData.FPattern.data() + 2, 2) & ~(0x7Fu << shift);
  const bool set = v != 0 && v != 64;
  if (set) word |= (uint32_t(v) & 0x7F) << shift;
  Put(FData.FPattern.data() + 2, 2, word);
  FData.FPatternAssigned[flag] = set;
}
int32_t TCondFmtPattern::BackColor() const { return ColorField(0); }
void TCondFmtPattern::SetBackColor(int32_t v) { SetColorField(0, 1, v); }
int32_t TCondFmtPattern::ForeColor() const { return ColorField(7); }
void TCondFmtPattern::SetForeColor(int32_t v) { SetColorField(7, 2, v); }
bool TCondFmtPattern::Assigned() const {
  return std::any_of(FData.FPatternAssigned.begin(), FData.FPatternAssigned.end(), [](bool b) { return b; });
}

TConditionalFormat& TConditionalFormats::Add() {
  FItems.push_back(std::make_unique<TConditionalFormat>());
  return *FItems.back();
}

void TConditionalFormats::LoadFromStream(TRuleSource& source, const TBIFFBody& body, TRuleWarnings& warnings) {
  TConditionalFormat& cf = Add();
  cf.FBaseRow = body.U16(4);
  cf.FBaseCol = body.U16(8);
  const size_t ranges = body.Bound(body.U16(12), 14, 8);
  for (size_t i = 0; i < ranges; ++i) AddRange(cf.FAreas, body, 14 + 8 * i);
  // Conditions past the third go behind the three (Gnumeric writes five in one CONDFMT).
  const size_t count = body.U16(0);
  if (count < 1 || count > 3) warnings.push_back(u"Bad number of CF records.");
  std::vector<uint8_t> buf;
  for (size_t n = 0; n < count; ++n) {
    uint16_t id = 0;
    if (source.PeekId() != kCF || !source.ReadRecord(id, buf)) {
      warnings.push_back(u"Excpected record missing: CF");
      return;
    }
    if (n >= cf.FConditions.size()) cf.FConditions.emplace_back();
    ReadCF(TBIFFBody(buf), cf.FConditions[n]);
    cf.FRead = n + 1;
  }
}

// One CF body: its first 12 bytes, the format blocks its flags announce (number format, font,
// alignment, border, pattern, protection, in that order) and the formula tokens.
void TConditionalFormats::ReadCF(const TBIFFBody& b, TCondFmtData& c) {
  const auto head = b.Bytes(0, 12);
  c.FRecCF.fill(0);
  std::copy(head.begin(), head.end(), c.FRecCF.begin());
  const uint32_t f = b.U32(6);
  size_t p = 12;
  const auto block = [&](auto& dst) {
    const auto bytes = b.Bytes(p, dst.size());
    std::copy(bytes.begin(), bytes.end(), dst.begin());
    p += dst.size();
  };
  if (f & (1u << 25)) p += (b.U16(10) & 1) ? b.U16(p) : 2;  // number format
  if (f & (1u << 26)) {
    block(c.FFont);
    c.FFontAssigned = true;
  }
  if (f & (1u << 27)) p += 8;  // alignment
  if (f & (1u << 28)) {
    block(c.FBorder);
    for (size_t s = 0; s < 4; ++s) c.FBorderAssigned[s] = !(f & (1u << (10 + s)));
  }
  if (f & (1u << 29)) {
    block(c.FPattern);
    for (size_t s = 0; s < 3; ++s) c.FPatternAssigned[s] = !(f & (1u << (16 + s)));
  }
  if (f & (1u << 30)) p += 2;  // protection
  c.FFormula1 = Tokens(b, p, b.U16(2));
  c.FFormula2 = Tokens(b, p + b.U16(2), b.U16(4));
}

TDataValidation& TDataValidations::Add() {
  FItems.push_back(std::make_unique<TDataValidation>());
  return *FItems.back();
}

void TDataValidations::LoadFromStream(TRuleSource& source, uint16_t id, const TBIFFBody& body, bool biff8,
                                      TRuleWarnings& warnings) {
  if (id == kDV) {  // a DV without its DVAL is one rule
    if (!ReadDV(body, biff8, Add())) warnings.push_back(u"Unhandled string in DV");
    return;
  }
  const auto head = body.Bytes(0, 18);
  std::copy(head.begin(), head.end(), FRecDVAL.begin());
  const int32_t count = int32_t(body.U32(14));
  std::vector<uint8_t> buf;
  for (int32_t n = 0; n < count; ++n) {
    uint16_t next = 0;
    if (source.PeekId() != kDV || !source.ReadRecord(next, buf)) {
      warnings.push_back(u"Excpected record missing: DV");
      return;
    }
    if (!ReadDV(TBIFFBody(buf), biff8, Add())) {
      warnings.push_back(u"Unhandled string in DV");
      return;
    }
  }
}

bool TDataValidations::ReadDV(const TBIFFBody& b, bool biff8, TDataValidation& dv) {
  dv.FOptions = b.U32(0);
  dv.FValidationType = TValidationType(std::min<uint32_t>(dv.FOptions & 0x0F, 7));
  dv.FValidationStyle = TValidationStyle(std::min<uint32_t>((dv.FOptions >> 4) & 7, 2));
  dv.FValidationOperator = TValidationOperator((dv.FOptions >> 20) & 7);
  size_t p = 4;
  TBIFFTextCodec codec;
  codec.SetBIFF8(true);  // BIFF5 texts of Gnumeric's DV are Latin-1 too
  for (std::u16string* text : {&dv.FInputTitle, &dv.FErrorTitle, &dv.FInputMsg, &dv.FErrorMsg}) {
    const size_t count = b.U16(p);
    p += 2;
    if (!biff8) {  // 8-bit characters without a flag byte
      *text = Trimmed(codec.Decode8(b.Bytes(p, count)));
      p += count;
      continue;
    }
    const uint8_t flag = b.U8(p);
    if (count != 0 && flag > 1) return false;
    if (count != 0) *text = Trimmed(ReadBIFF8Chars(b, p, int32_t(count), codec));
    p += 1 + (count == 0 ? 0 : count * (flag == 1 ? 2 : 1));
  }
  for (std::vector<uint8_t>* f : {&dv.FFormula1, &dv.FFormula2}) {
    const size_t n = b.U16(p);
    *f = Tokens(b, p + 4, n);
    p += 4 + n;
  }
  const size_t ranges = b.U16(p);
  if (ranges < 4096)
    for (size_t i = 0, n = b.Bound(ranges, p + 2, 8); i < n; ++i) AddRange(dv.FAreas, b, p + 2 + 8 * i);
  return true;
}

namespace {

// One condition of 10 bytes at `p`; its text (when it is a text condition) at `text`, which moves
// past it.
void ReadCondition(const TBIFFBody& b, size_t p, size_t& text, TAutoFilterCondition& c) {
  c.CompOperator = b.U8(p + 1) <= 6 ? TAutoFilterOperator(b.U8(p + 1)) : TAutoFilterOperator::afoUnassigned;
  switch (b.U8(p)) {
    case 0x02:
      c.DataType = TAutoFilterDataType::afdtFloat;
      c.vFloat = DecodeRK(b.U32(p + 2));
      break;
    case 0x04:
      c.DataType = TAutoFilterDataType::afdtFloat;
      c.vFloat = b.F64(p + 2);
      break;
    case 0x06: {
      c.DataType = TAutoFilterDataType::afdtString;
      const size_t n = b.U8(p + 6);
      const bool wide = (b.U8(text) & 1) != 0;
      TBIFFTextCodec codec;
      c.vString = ReadBIFF8Chars(b, text, int32_t(n), codec);
      text += 1 + n * (wide ? 2 : 1);
      break;
    }
    case 0x08:
      c.DataType = b.U8(p + 3) ? TAutoFilterDataType::afdtError : TAutoFilterDataType::afdtBoolean;
      c.vByte = b.U8(p + 2);
      break;
    case 0x0C:
      c.DataType = TAutoFilterDataType::afdtAllBlanks;
      break;
    case 0x0E:
      c.DataType = TAutoFilterDataType::afdtAllNonBlanks;
      break;
    default:
      break;
  }
}

}  // namespace

void TAutoFilters::LoadFromStream(TRuleSource& source, uint16_t id, const TBIFFBody& body) {
  FIsDynamicFilter = false;
  std::vector<uint8_t> buf;
  uint16_t next = 0;
  if (id == kAUTOFILTERINFO)
    FDropDownCount = body.U16(0);
  else if (source.PeekId() == kAUTOFILTERINFO && source.ReadRecord(next, buf))
    FDropDownCount = TBIFFBody(buf).U16(0);
  while (source.PeekId() == kAUTOFILTER && source.ReadRecord(next, buf)) {
    const TBIFFBody b(buf);
    auto f = std::make_unique<TAutoFilter>();
    f->FIndex = b.U16(0);
    f->FOptions = b.U16(2);
    size_t text = 24;
    ReadCondition(b, 4, text, f->FCondition1);
    ReadCondition(b, 14, text, f->FCondition2);
    // A filter's position is its column index (at most the 256 columns of the sheet).
    const size_t at = std::min<size_t>(f->FIndex, MAX_LEGACY_COL);
    if (FItems.size() <= at) FItems.resize(at + 1);
    FItems[at] = std::move(f);
  }
}

TSheetRules& SheetRules(TSheet& sheet) {
  if (!sheet.FRules) {
    sheet.FRules = std::make_unique<TSheetRules>();
    sheet.FRules->FAutoFilters.FComboBoxes = &sheet.ControlObjects().ComboBoxes();
    sheet.FRules->FAutoFilters.FParent = &sheet;
  }
  return *sheet.FRules;
}

void TAutoFilters::Clear() {
  for (size_t i = FComboBoxes ? FComboBoxes->Count() : 0; i-- > 0;) {
    const TDrwAnchor& item = FComboBoxes->Items(i);
    auto* combo = item.Shape() ? dynamic_cast<TShapeControlComboBox*>(item.Shape()->FInterface.get()) : nullptr;
    if (combo && combo->IsAutoFilter()) FComboBoxes->DeleteById(item.Id());
  }
  FItems.clear();
  if (!FParent || !FParent->Owner() || !FParent->Owner()->Manager()) return;
  TXc12DefinedNames& names = FParent->Owner()->Manager()->Workbook().DefinedNames();
  for (size_t i = 0; i < names.Count(); ++i) {
    TXc12DefinedName& n = *names.Items(i);
    if (!n.Deleted() && n.BuiltIn() == TXc12BuiltInName::bnFilterDatabase && n.LocalSheetId() == FParent->Index())
      n.SetDeleted(true);
  }
}

const TSheetRules* FindSheetRules(const TSheet& sheet) { return sheet.FRules.get(); }

std::u16string RuleFormulaText(TBIFF5& biff, std::span<const uint8_t> tokens, int32_t sheetIndex, int32_t col,
                               int32_t row) {
  if (tokens.empty()) return {};
  TBIFFDecodeOptions options;
  if (biff.Version() < TExcelVersion::xvExcel97) {
    options.Version = TBIFFFormulaVersion::BIFF5;
    TBIFFTextCodec codec;
    codec.SetBIFF8(false);
    codec.SetCodePage(biff.Codepage());
    options.Decode8 = [codec](std::span<const uint8_t> bytes) { return codec.Decode8(bytes); };
  }
  std::u16string text = biff.FormulaHandler().DecodeFormula(tokens, sheetIndex, TXLSFormulaSeparators{}, options, col, row);
  std::replace(text.begin(), text.end(), u'\0', u',');
  return text;
}

}  // namespace xls::biff
