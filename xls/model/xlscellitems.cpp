// Cell items of the store: item codes, number packing, formula items and the typed store and
// read operations with their use counting. The byte formats are described in xlscellmmu.h.
#include <bit>
#include <cmath>

#include "xls/model/xlscellmmu.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlssst.h"
#include "xls/model/xlsstyleuse.h"

namespace xls {

namespace {

enum : uint8_t {
  kBlank = 1, kInt8 = 2, kInt16 = 3, kInt32 = 4, kInt32Div100 = 5, kInt32Div10000 = 6, kFloat32 = 7,
  kFloat64 = 8, kSST16 = 9, kSST32 = 10, kBoolean = 11, kError = 12,
  kFloatFormula = 20, kStringFormula = 21, kBooleanFormula = 22, kErrorFormula = 23
};
constexpr uint8_t kStyleBit = 0x40;

uint8_t Kind(const TXLSCellItem& c) { return uint8_t(c.XLate & 0x1F); }
bool HasStyle(const TXLSCellItem& c) { return (c.XLate & kStyleBit) != 0; }
bool IsFormulaKind(uint8_t k) { return k >= kFloatFormula && k <= kErrorFormula; }

// Value bytes of a fixed item.
const uint8_t* FixedValue(const TXLSCellItem& c) { return c.Data + (HasStyle(c) ? 2 : 0); }
// Start of a formula item's payload after its flags byte and style: the cached result.
const uint8_t* FormulaResult(const TXLSCellItem& c) { return c.Data + 3 + (HasStyle(c) ? 2 : 0); }

double ReadF64(const uint8_t* p) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
  return std::bit_cast<double>(v);
}
void WriteF64(uint8_t* p, double d) {
  uint64_t v = std::bit_cast<uint64_t>(d);
  for (int i = 0; i < 8; ++i, v >>= 8) p[i] = uint8_t(v);
}

double DecodeNumber(uint8_t kind, const uint8_t* p) {
  switch (kind) {
    case kInt8: return int8_t(p[0]);
    case kInt16: return int16_t(MMURead16(p));
    case kInt32: return int32_t(MMURead32(p));
    case kInt32Div100: return int32_t(MMURead32(p)) / 100.0;
    case kInt32Div10000: return int32_t(MMURead32(p)) / 10000.0;
    case kFloat32: return double(std::bit_cast<float>(MMURead32(p)));
    case kFloat64: return ReadF64(p);
    default: return 0;
  }
}

constexpr uint8_t kFixedSizes[13] = {0, 0, 1, 2, 4, 4, 4, 4, 8, 2, 4, 1, 1};

[[noreturn]] void InvalidXLate() { throw XLSRWException("Invalid XLate code"); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Number packing

TXLSEncodedFloat EncodeFloat(double x) {
  const TXLSEncodedFloat whole{kFloat64, 0, x};
  if (!std::isfinite(x)) return whole;
  if (std::trunc(x) == 0 && x < 1e-8) return whole;
  if (x == 1.7976931348623157e308 || x == 2.2250738585072014e-308) return whole;
  TXLSEncodedFloat r = whole;
  // x rounded to 12 decimals decides whether x is taken as integral (only where x * 1e12 is exact
  // enough to matter; beyond 1e15 every double is integral at that precision anyway).
  const double c = std::fabs(x) < 1e15 ? std::nearbyint(x * 1e12) / 1e12 : x;
  if (c == std::trunc(c)) {
    if (c >= -128 && c <= 127)
      r = {kInt8, int64_t(c), 0};
    else if (c >= -32768 && c <= 32767)
      r = {kInt16, int64_t(c), 0};
    else if (c >= -2147483646 && c <= 2147483647)
      r = {kInt32, int64_t(c), 0};
  } else {
    const double g = x * 10000;
    const double d = std::nearbyint(g) - g;
    if (d > -1e-8 && d < 1e-8 && x >= -2147483646 && x <= 2147483647) {
      const int64_t h = int64_t(std::nearbyint(g));
      if (h % 10000 == 0)
        r = {kInt32, h / 10000, 0};
      else if (h % 100 == 0 && h / 100 >= -2147483646 && h / 100 <= 2147483647)
        r = {kInt32Div100, h / 100, 0};
      else if (h >= -2147483647 && h <= 2147483647)
        r = {kInt32Div10000, h, 0};
    }
  }
  if (r.Kind == kFloat64) return whole;
  // A short form is kept only when it reads back as exactly the same double.
  uint8_t bytes[4];
  MMUWrite32(bytes, uint32_t(int32_t(r.Int)));
  if (r.Kind == kInt8) bytes[0] = uint8_t(int8_t(r.Int));
  if (r.Kind == kInt16) MMUWrite16(bytes, uint16_t(int16_t(r.Int)));
  if (std::bit_cast<uint64_t>(DecodeNumber(r.Kind, bytes)) != std::bit_cast<uint64_t>(x)) return whole;
  return r;
}

// ---------------------------------------------------------------------------------------------
// Formula staging

void TXLSFormulaHelper::Clear() {
  FOwnedPtgs.clear();
  FCol = FRow = -1;
  FStyle = 64;
  FFormula.clear();
  FFmlaIs8Bit = false;
  FPtgs = nullptr;
  FPtgsSize = -1;
  FCellType = TXLSCellType::xctNone;
  FFormulaType = TXLSCellFormulaType::xcftNormal;
  FHasApply = false;
  FResult = 0;
  FStrResult.clear();
  FR1.Col = FR2.Col = 0xFFFF;
  FIsTABLE = false;
  FOptions = 0;
}

double TXLSFormulaHelper::AsFloat() const { return std::bit_cast<double>(FResult); }
void TXLSFormulaHelper::SetAsFloat(double v) {
  FResult = std::bit_cast<uint64_t>(v);
  FCellType = TXLSCellType::xctFloatFormula;
}
void TXLSFormulaHelper::SetAsString(std::u16string v) {
  FStrResult = std::move(v);
  FCellType = TXLSCellType::xctStringFormula;
}
void TXLSFormulaHelper::SetAsBoolean(bool v) {
  FResult = (FResult & ~uint64_t(0xFF)) | (v ? 1 : 0);
  FCellType = TXLSCellType::xctBooleanFormula;
}
void TXLSFormulaHelper::SetAsError(TXc12CellError e) {
  if (e == TXc12CellError::errUnknown || uint8_t(e) > uint8_t(TXc12CellError::errGettingData))
    throw XLSRWException("Invalid error value");
  FResult = uint8_t(e);
  FCellType = TXLSCellType::xctErrorFormula;
}
std::u16string TXLSFormulaHelper::AsErrorStr() const {
  const uint8_t e = uint8_t(FResult & 0xFF);
  return e <= 8 ? Xc12CellErrorNames[e] : Xc12CellErrorNames[0];
}
void TXLSFormulaHelper::SetAsErrorStr(std::u16string_view s) { SetAsError(ErrorTextToCellError(s)); }

void TXLSFormulaHelper::AllocPtgs(const uint8_t* ptgs, int32_t size) {
  FOwnedPtgs.assign(ptgs, ptgs + std::max(size, 0));
  FPtgs = FOwnedPtgs.data();
  FPtgsSize = size;
}
void TXLSFormulaHelper::AllocPtgs97(const uint8_t* ptgs, int32_t size) {
  FOwnedPtgs.assign(1, 0xFF);
  FOwnedPtgs.insert(FOwnedPtgs.end(), ptgs, ptgs + std::max(size, 0));
  FPtgs = FOwnedPtgs.data();
  FPtgsSize = size + 1;
}
void TXLSFormulaHelper::AllocPtgsArrayConsts97(const uint8_t* ptgs, int32_t size, int32_t constSize) {
  FOwnedPtgs = {0xFE, uint8_t(constSize), uint8_t(constSize >> 8)};
  FOwnedPtgs.insert(FOwnedPtgs.end(), ptgs, ptgs + std::max(size + constSize, 0));
  FPtgs = FOwnedPtgs.data();
  FPtgsSize = size + constSize + 3;
}
void TXLSFormulaHelper::SetPtgs(const uint8_t* ptgs) {
  FOwnedPtgs.clear();
  FPtgs = ptgs;
}

std::u16string TXLSFormulaHelper::StrR1() const { return FR1.Col == 0xFFFF ? u"" : ColRowToRefStr(FR1.Col, int32_t(FR1.Row)); }
std::u16string TXLSFormulaHelper::StrR2() const { return FR2.Col == 0xFFFF ? u"" : ColRowToRefStr(FR2.Col, int32_t(FR2.Row)); }
void TXLSFormulaHelper::SetStrR1(std::u16string_view s) {
  int32_t c, r;
  if (RefStrToColRow(s, c, r)) SetR1(c, r);
  FIsTABLE = true;
}
void TXLSFormulaHelper::SetStrR2(std::u16string_view s) {
  int32_t c, r;
  if (RefStrToColRow(s, c, r)) SetR2(c, r);
}
void TXLSFormulaHelper::SetTargetRef(int32_t col1, int32_t row1, int32_t col2, int32_t row2) {
  FTargetRef = {uint16_t(col1), uint32_t(row1), uint16_t(col2), uint32_t(row2)};
}
std::u16string TXLSFormulaHelper::StrTargetRef() const {
  return AreaToRefStr(FTargetRef.Col1, int32_t(FTargetRef.Row1), FTargetRef.Col2, int32_t(FTargetRef.Row2));
}
void TXLSFormulaHelper::SetStrTargetRef(std::u16string_view s) {
  FHasApply = !s.empty();
  int32_t c1, r1, c2, r2;
  if (!s.empty() && AreaStrToColRow(s, c1, r1, c2, r2)) SetTargetRef(c1, r1, c2, r2);
}

int32_t TXLSFormulaHelper::AllocSize() {
  int64_t size = 1 + (FStyle != 0 ? 2 : 0);
  switch (FCellType) {
    case TXLSCellType::xctFloatFormula: size += 8; break;
    case TXLSCellType::xctStringFormula: size += 2; break;  // the units are added below
    default: size += 1; break;
  }
  if (FFormulaType == TXLSCellFormulaType::xcftDataTable)
    size += 17;
  else if (FFormulaType >= TXLSCellFormulaType::xcftArrayChild)
    size += 10;
  else if (FPtgsSize > 0)
    size += FPtgsSize + 3;
  else {
    FFmlaIs8Bit = std::all_of(FFormula.begin(), FFormula.end(), [](char16_t c) { return c <= 255; });
    size += int64_t(FFormula.size()) * (FFmlaIs8Bit ? 1 : 2) + 3;
  }
  if (FHasApply) size += 12;
  if (FIsTABLE) size += 13;
  if (size > 0xFFFF || (FPtgsSize > 0xFFFF) || FFormula.size() > 0xFFFF)
    throw XLSRWException("Formula item too large");
  if (FCellType == TXLSCellType::xctStringFormula) {
    // A cached string that does not fit the item is cut to what fits.
    const size_t room = size_t(0xFFFF - size) / 2;
    if (FStrResult.size() > room) FStrResult.resize(room);
    size += int64_t(FStrResult.size()) * 2;
  }
  return int32_t(size);
}

// ---------------------------------------------------------------------------------------------
// The store

TXLSCellMMU::TXLSCellMMU(int32_t sheetIndex, TXc12DataSST* sst, TXLSStyleUseCounter* styles)
    : FSheetIndex(sheetIndex), FSST(sst), FStyles(styles) {
  for (uint8_t k = kBlank; k <= kError; ++k) {
    if (k != kBlank) SetXLate(k, kFixedSizes[k]);
    SetXLate(k | kStyleBit, uint8_t(kFixedSizes[k] + 2));
  }
  FBlockManager = std::make_unique<TXLSMMUBlockManager>(FSizes, FDefaultRowHdr);
  Clear();
}

TXLSCellMMU::~TXLSCellMMU() {
  FBlockManager->SetBlock(nullptr);
  for (auto& b : FBlocks) FBlockManager->FreeBlockMemory(*b);
}

void TXLSCellMMU::UseStyle(int32_t style) {
  if (FStyles) FStyles->UseStyle(style);
}
void TXLSCellMMU::FreeStyle(int32_t style) {
  if (FStyles) FStyles->FreeStyle(style);
}

// Checks the position and style, then counts the use of the style, so that a bad position or
// an unknown style (the counter raises) leaves the store unchanged.
void TXLSCellMMU::CheckAndUse(int32_t col, int32_t row, int32_t style) {
  if (col < 0 || col > XLS_MAXCOL) throw XLSRWException("Cell column out of range");
  if (row < 0 || row > XLS_MAXROW) throw XLSRWException("Cell row out of range");
  if (style < 0 || style > 0xFFFF) throw XLSRWException("Cell style out of range");
  UseStyle(style);
}

uint8_t* TXLSCellMMU::AllocItem(int32_t col, int32_t row, uint8_t x) {
  if (SelectRowBlock(row)) UseStyle(0);
  if (uint8_t* p = AllocPending(col, row, x, FSizes[x], false)) return p;
  return FBlockManager->AllocMem(row & 255, col, x);
}

uint8_t* TXLSCellMMU::AllocItemEx(int32_t col, int32_t row, uint8_t x, int32_t size) {
  if (SelectRowBlock(row)) UseStyle(0);
  if (uint8_t* p = AllocPending(col, row, x, size, true)) return p;
  return FBlockManager->AllocMemEx(row & 255, col, uint16_t(size), x);
}

void TXLSCellMMU::WriteStyledFixed(int32_t col, int32_t row, int32_t style, uint8_t kind, const void* value, size_t n) {
  CheckAndUse(col, row, style);
  const bool styled = style != 0 || kind == kBlank;
  uint8_t* p = AllocItem(col, row, uint8_t(kind | (styled ? kStyleBit : 0)));
  if (styled) {
    MMUWrite16(p, uint16_t(style));
    p += 2;
  }
  if (n) std::memcpy(p, value, n);
}

void TXLSCellMMU::StoreBlank(int32_t col, int32_t row, int32_t style, bool) {
  WriteStyledFixed(col, row, style, kBlank, nullptr, 0);
}

void TXLSCellMMU::StoreBoolean(int32_t col, int32_t row, int32_t style, bool value) {
  const uint8_t v = value ? 1 : 0;
  WriteStyledFixed(col, row, style, kBoolean, &v, 1);
}

void TXLSCellMMU::StoreError(int32_t col, int32_t row, int32_t style, TXc12CellError value) {
  const uint8_t v = uint8_t(value);
  WriteStyledFixed(col, row, style, kError, &v, 1);
}

void TXLSCellMMU::StoreFloat(int32_t col, int32_t row, int32_t style, double value) {
  const TXLSEncodedFloat e = EncodeFloat(value);
  uint8_t bytes[8];
  switch (e.Kind) {
    case kInt8: bytes[0] = uint8_t(int8_t(e.Int)); break;
    case kInt16: MMUWrite16(bytes, uint16_t(int16_t(e.Int))); break;
    case kInt32: case kInt32Div100: case kInt32Div10000: MMUWrite32(bytes, uint32_t(int32_t(e.Int))); break;
    case kFloat64: WriteF64(bytes, e.Float); break;
    default: throw XLSRWException("Invalid XLate");
  }
  WriteStyledFixed(col, row, style, e.Kind, bytes, kFixedSizes[e.Kind]);
}

void TXLSCellMMU::StoreString(int32_t col, int32_t row, int32_t style, std::u16string_view text) {
  if (!FSST) throw XLSRWException("No shared string table");
  StoreString(col, row, style, FSST->AddString(text));
}

void TXLSCellMMU::StoreString(int32_t col, int32_t row, int32_t style, int32_t sstIndex) {
  // The string is checked before the cell is written, so a bad index leaves the store unchanged.
  if (FSST && (sstIndex < 0 || sstIndex >= FSST->TotalCount() || !FSST->GetItems(sstIndex)))
    throw XLSRWException("SST String is Nil");
  uint8_t bytes[4];
  if (sstIndex > 0xFFFF) {
    MMUWrite32(bytes, uint32_t(sstIndex));
    WriteStyledFixed(col, row, style, kSST32, bytes, 4);
  } else {
    MMUWrite16(bytes, uint16_t(sstIndex));
    WriteStyledFixed(col, row, style, kSST16, bytes, 2);
  }
  if (FSST) FSST->UsesString(sstIndex);
}

void TXLSCellMMU::StoreFormula() {
  TXLSFormulaHelper& h = FormulaHelper();
  uint8_t kind;
  switch (h.FCellType) {
    case TXLSCellType::xctFloatFormula: kind = kFloatFormula; break;
    case TXLSCellType::xctStringFormula: kind = kStringFormula; break;
    case TXLSCellType::xctBooleanFormula: kind = kBooleanFormula; break;
    case TXLSCellType::xctErrorFormula: kind = kErrorFormula; break;
    default: throw XLSRWException("Invalid formula cell type");
  }
  const int32_t size = h.AllocSize();
  CheckAndUse(h.FCol, h.FRow, h.FStyle);
  uint8_t* d = AllocItemEx(h.FCol, h.FRow, uint8_t(kind | (h.FStyle ? kStyleBit : 0)), size);
  uint8_t* p = d + 2;
  *p++ = uint8_t(uint8_t(h.FFormulaType) | (h.FHasApply ? 0x40 : 0) | (h.FIsTABLE ? 0x80 : 0));
  if (h.FStyle) {
    MMUWrite16(p, uint16_t(h.FStyle));
    p += 2;
  }
  switch (kind) {
    case kFloatFormula: WriteF64(p, h.AsFloat()); p += 8; break;
    case kStringFormula:
      MMUWrite16(p, uint16_t(h.FStrResult.size()));
      p += 2;
      for (char16_t c : h.FStrResult) MMUWrite16(p, c), p += 2;
      break;
    default: *p++ = uint8_t(h.FResult & 0xFF); break;
  }
  const auto writeRef = [&p](uint16_t col, uint32_t row) {
    MMUWrite16(p, col);
    MMUWrite32(p + 2, row);
    p += 6;
  };
  switch (h.FFormulaType) {
    case TXLSCellFormulaType::xcftDataTable:
      MMUWrite16(p, 14), p[2] = 0xFF, p[3] = 0xBA, p[4] = h.FTableOptions, p += 5;
      writeRef(h.FR1.Col, h.FR1.Row);
      writeRef(h.FR2.Col, h.FR2.Row);
      break;
    case TXLSCellFormulaType::xcftArrayChild:
    case TXLSCellFormulaType::xcftArrayChild97:
    case TXLSCellFormulaType::xcftDataTableChild: {
      static constexpr uint8_t ids[] = {0xB8, 0xB9, 0xBB};
      MMUWrite16(p, 7), p[2] = 0xFF, p[3] = ids[uint8_t(h.FFormulaType) - 3], p += 4;
      writeRef(uint16_t(h.FParentCol), uint32_t(h.FParentRow));
      break;
    }
    default:
      if (h.FPtgsSize > 0) {
        MMUWrite16(p, uint16_t(h.FPtgsSize)), p[2] = 0xFF, p += 3;
        std::memcpy(p, h.Ptgs(), size_t(h.FPtgsSize));
        p += h.FPtgsSize;
      } else {
        MMUWrite16(p, uint16_t(h.FFormula.size())), p[2] = h.FFmlaIs8Bit ? 1 : 0, p += 3;
        for (char16_t c : h.FFormula) {
          if (h.FFmlaIs8Bit)
            *p++ = uint8_t(c);
          else
            MMUWrite16(p, c), p += 2;
        }
      }
      break;
  }
  if (h.FHasApply) {
    MMUWrite16(p, h.FTargetRef.Col1), MMUWrite32(p + 2, h.FTargetRef.Row1);
    MMUWrite16(p + 6, h.FTargetRef.Col2), MMUWrite32(p + 8, h.FTargetRef.Row2);
    p += 12;
  }
  if (h.FIsTABLE) {
    *p++ = h.FTableOptions;
    writeRef(h.FR1.Col, h.FR1.Row);
    writeRef(h.FR2.Col, h.FR2.Row);
  }
}

// ---------------------------------------------------------------------------------------------
// Reading

TXLSCellItem TXLSCellMMU::FindCell(int32_t col, int32_t row) {
  TXLSCellItem item;
  SettlePending();
  if (row < 0 || col < 0 || size_t(row >> 8) >= FBlocks.size()) return item;
  TXLSMMUBlock* b = FBlocks[size_t(row >> 8)].get();
  if (b->VectorsOffs[size_t(row & 255)] < 0) return item;
  if (FBlockManager->Block() != b) FBlockManager->SetBlock(b);
  FBlockManager->GetMem(row & 255, col, item);
  return item;
}

TXLSCellType TXLSCellMMU::CellType(const TXLSCellItem& cell) const {
  if (!cell.Data) return TXLSCellType::xctNone;
  switch (Kind(cell)) {
    case kBlank: return TXLSCellType::xctBlank;
    case kInt8: case kInt16: case kInt32: case kInt32Div100: case kInt32Div10000: case kFloat32: case kFloat64:
      return TXLSCellType::xctFloat;
    case kSST16: case kSST32: return TXLSCellType::xctString;
    case kBoolean: return TXLSCellType::xctBoolean;
    case kError: return TXLSCellType::xctError;
    case kFloatFormula: return TXLSCellType::xctFloatFormula;
    case kStringFormula: return TXLSCellType::xctStringFormula;
    case kBooleanFormula: return TXLSCellType::xctBooleanFormula;
    case kErrorFormula: return TXLSCellType::xctErrorFormula;
    default: InvalidXLate();
  }
}

int32_t TXLSCellMMU::GetStyle(const TXLSCellItem& cell) const {
  if (!cell.Data || !HasStyle(cell)) return 0;
  return MMURead16(cell.Data + (IsFormulaKind(Kind(cell)) ? 3 : 0));
}

bool TXLSCellMMU::GetBoolean(const TXLSCellItem& cell) const {
  return cell.Data && Kind(cell) == kBoolean && FixedValue(cell)[0] == 1;
}

TXc12CellError TXLSCellMMU::GetError(const TXLSCellItem& cell) const {
  if (!cell.Data || Kind(cell) != kError) return TXc12CellError::errUnknown;
  const uint8_t e = FixedValue(cell)[0];
  return e <= 8 ? TXc12CellError(e) : TXc12CellError::errUnknown;
}

double TXLSCellMMU::GetFloat(const TXLSCellItem& cell) const {
  if (!cell.Data) return 0;
  const uint8_t k = Kind(cell);
  if (k >= kInt8 && k <= kFloat64) return DecodeNumber(k, FixedValue(cell));
  if (k == kFloatFormula) return ReadF64(FormulaResult(cell));
  return 0;
}

int32_t TXLSCellMMU::GetStringSST(const TXLSCellItem& cell) const {
  if (!cell.Data) return -1;
  if (Kind(cell) == kSST16) return MMURead16(FixedValue(cell));
  if (Kind(cell) == kSST32) return int32_t(MMURead32(FixedValue(cell)));
  return -1;
}

std::u16string TXLSCellMMU::GetString(const TXLSCellItem& cell) const {
  const int32_t i = GetStringSST(cell);
  return i >= 0 && FSST ? FSST->GetItemText(i) : std::u16string();
}

bool TXLSCellMMU::GetBlank(int32_t col, int32_t row) {
  const TXLSCellItem c = FindCell(col, row);
  return c.Data && Kind(c) == kBlank;
}

bool TXLSCellMMU::GetEmpty(int32_t col, int32_t row) {
  const TXLSCellItem c = FindCell(col, row);
  return !c.Data || Kind(c) == kBlank;
}

// The body of a formula item: u16 n, encoding, n units.
const uint8_t* TXLSCellMMU::FormulaBody(const TXLSCellItem& cell) const {
  const uint8_t* r = FormulaResult(cell);
  switch (Kind(cell)) {
    case kFloatFormula: return r + 8;
    case kStringFormula: return r + 2 + 2 * MMURead16(r);
    case kBooleanFormula: case kErrorFormula: return r + 1;
    default: InvalidXLate();
  }
}

bool TXLSCellMMU::IsFormulaCompiled(const TXLSCellItem& cell) const { return FormulaBody(cell)[2] == 0xFF; }

std::u16string TXLSCellMMU::GetFormula(const TXLSCellItem& cell) const {
  const uint8_t* b = FormulaBody(cell);
  const uint16_t n = MMURead16(b);
  switch (b[2]) {
    case 0: {
      std::u16string s(n, u'\0');
      for (uint16_t i = 0; i < n; ++i) s[i] = MMURead16(b + 3 + 2 * i);
      return s;
    }
    case 1: return std::u16string(b + 3, b + 3 + n);
    case 0xFF: throw XLSRWException("Formula is compiled");
    default: throw XLSRWException("Invalid formula");
  }
}

int32_t TXLSCellMMU::GetFormulaPtgs(const TXLSCellItem& cell, const uint8_t*& ptgs) const {
  const uint8_t* b = FormulaBody(cell);
  if (b[2] != 0xFF) throw XLSRWException("Formula is not compiled");
  ptgs = b + 3;
  return MMURead16(b);
}

double TXLSCellMMU::GetFormulaValFloat(const TXLSCellItem& cell) const {
  return cell.Data && Kind(cell) == kFloatFormula ? ReadF64(FormulaResult(cell)) : 0;
}

std::u16string TXLSCellMMU::GetFormulaValString(const TXLSCellItem& cell) const {
  if (!cell.Data || Kind(cell) != kStringFormula) return {};
  const uint8_t* r = FormulaResult(cell);
  std::u16string s(MMURead16(r), u'\0');
  for (size_t i = 0; i < s.size(); ++i) s[i] = MMURead16(r + 2 + 2 * i);
  return s;
}

bool TXLSCellMMU::GetFormulaValBoolean(const TXLSCellItem& cell) const {
  return cell.Data && Kind(cell) == kBooleanFormula && FormulaResult(cell)[0] == 1;
}

TXc12CellError TXLSCellMMU::GetFormulaValError(const TXLSCellItem& cell) const {
  if (!cell.Data || Kind(cell) != kErrorFormula) return TXc12CellError::errUnknown;
  const uint8_t e = FormulaResult(cell)[0];
  return e <= 8 ? TXc12CellError(e) : TXc12CellError::errUnknown;
}

void TXLSCellMMU::RetriveFormula(const TXLSCellItem& cell) {
  TXLSFormulaHelper& h = FormulaHelper();
  h.Clear();
  const uint8_t kind = Kind(cell);
  if (!cell.Data || !IsFormulaKind(kind)) InvalidXLate();
  const uint8_t flags = cell.Data[2];
  h.FFormulaType = TXLSCellFormulaType(std::min<uint8_t>(flags & 0x1F, 5));
  h.FStyle = GetStyle(cell);
  switch (kind) {
    case kFloatFormula: h.SetAsFloat(GetFormulaValFloat(cell)); break;
    case kStringFormula: h.SetAsString(GetFormulaValString(cell)); break;
    case kBooleanFormula: h.SetAsBoolean(GetFormulaValBoolean(cell)); break;
    default: h.SetAsError(TXc12CellError(FormulaResult(cell)[0] <= 8 ? FormulaResult(cell)[0] : 0)); break;
  }
  const uint8_t* b = FormulaBody(cell);
  const uint16_t n = MMURead16(b);
  const uint8_t* body = b + 3;
  const auto readRef = [](const uint8_t* q) { return TXLSFormulaRef{MMURead16(q), MMURead32(q + 2)}; };
  switch (h.FFormulaType) {
    case TXLSCellFormulaType::xcftDataTable:
      h.FTableOptions = body[1];
      h.FR1 = readRef(body + 2);
      h.FR2 = readRef(body + 8);
      break;
    case TXLSCellFormulaType::xcftArrayChild:
    case TXLSCellFormulaType::xcftArrayChild97:
    case TXLSCellFormulaType::xcftDataTableChild:
      h.FParentCol = MMURead16(body + 1);
      h.FParentRow = int32_t(MMURead32(body + 3));
      break;
    default:
      if (b[2] == 0 || b[2] == 1)
        h.FFormula = GetFormula(cell);
      else if (b[2] == 0xFF)
        h.AllocPtgs(body, n);
      else
        throw XLSRWException("Invalid stored formula");
      break;
  }
  const uint8_t* tail = body + (b[2] == 0 ? 2 * n : n);
  h.FHasApply = (flags & 0x40) != 0;
  if (h.FHasApply) {
    h.FTargetRef = {MMURead16(tail), MMURead32(tail + 2), MMURead16(tail + 6), MMURead32(tail + 8)};
    tail += 12;
  }
  h.FIsTABLE = (flags & 0x80) != 0;
  if (h.FIsTABLE) {
    h.FTableOptions = tail[0];
    h.FR1 = readRef(tail + 1);
    h.FR2 = readRef(tail + 7);
  }
}

// ---------------------------------------------------------------------------------------------
// Changing cells

bool TXLSCellMMU::ExistingStyle(int32_t col, int32_t row, int32_t& style) {
  const TXLSCellItem c = FindCell(col, row);
  if (!c.Data) return false;
  const int32_t s = GetStyle(c);
  if (s == 0) return false;
  // The format stays with the cell: its old use is given back, the store counts it again.
  FreeStyle(s);
  style = s;
  return true;
}

void TXLSCellMMU::ReleaseCellString(const TXLSCellItem& cell) {
  const int32_t i = GetStringSST(cell);
  if (i >= 0 && FSST) FSST->ReleaseString(i);
}

int32_t TXLSCellMMU::PrepareUpdate(int32_t col, int32_t row, int32_t style) {
  ReleaseCellString(FindCell(col, row));
  ExistingStyle(col, row, style);
  return style;
}

void TXLSCellMMU::UpdateBlankOF(int32_t col, int32_t row, int32_t style) {
  StoreBlank(col, row, PrepareUpdate(col, row, style));
}
void TXLSCellMMU::UpdateBooleanOF(int32_t col, int32_t row, bool value, int32_t style) {
  StoreBoolean(col, row, PrepareUpdate(col, row, style), value);
}
void TXLSCellMMU::UpdateErrorOF(int32_t col, int32_t row, TXc12CellError value, int32_t style) {
  StoreError(col, row, PrepareUpdate(col, row, style), value);
}
void TXLSCellMMU::UpdateFloatOF(int32_t col, int32_t row, double value, int32_t style) {
  StoreFloat(col, row, PrepareUpdate(col, row, style), value);
}
void TXLSCellMMU::UpdateStringOF(int32_t col, int32_t row, std::u16string_view value, int32_t style) {
  // The new string is added before the old one is released, so that an equal text keeps its slot.
  if (!FSST) throw XLSRWException("No shared string table");
  const int32_t index = FSST->AddString(value);
  const int32_t old = GetStringSST(FindCell(col, row));
  ExistingStyle(col, row, style);
  StoreString(col, row, style, index);
  if (old >= 0) FSST->ReleaseString(old);
}

void TXLSCellMMU::AddRow(int32_t row, int32_t style) {
  if (style < 0 || style > 0xFFFF) throw XLSRWException("Cell style out of range");
  SelectRowBlock(row);
  TXLSMMURowHeader* h = FBlockManager->GetItemsHeader(row & 255);
  if (h)
    FreeStyle(h->Style);
  else
    h = FBlockManager->NewVector(row & 255);
  TXLSMMURowHeader nh = FDefaultRowHdr;
  nh.Style = uint16_t(style);
  std::memcpy(static_cast<void*>(h), &nh, sizeof(nh));
  UseStyle(style);
}

void TXLSCellMMU::SetStyle(int32_t col, int32_t row, int32_t style) {
  const TXLSCellItem c = FindCell(col, row);
  if (c.Data)
    SetStyle(col, row, c, style);
  else if (style != 0)
    StoreBlank(col, row, style);
}

void TXLSCellMMU::SetStyle(int32_t col, int32_t row, TXLSCellItem cell, int32_t style) {
  const int32_t old = GetStyle(cell);
  if (old == style) return;
  if (style < 0 || style > 0xFFFF) throw XLSRWException("Cell style out of range");
  if (old != 0 && style != 0) {
    MMUWrite16(cell.Data + (IsFormulaKind(Kind(cell)) ? 3 : 0), uint16_t(style));
    UseStyle(style);
  } else {
    switch (Kind(cell)) {
      case kBlank: StoreBlank(col, row, style); break;
      case kBoolean: StoreBoolean(col, row, style, GetBoolean(cell)); break;
      case kError: StoreError(col, row, style, TXc12CellError(FixedValue(cell)[0] <= 8 ? FixedValue(cell)[0] : 0)); break;
      case kSST16: case kSST32: {
        // Stored again by index: the new item counts a use, the replaced one gives its use back.
        const int32_t i = GetStringSST(cell);
        StoreString(col, row, style, i);
        if (FSST) FSST->ReleaseString(i);
        break;
      }
      case kFloatFormula: case kStringFormula: case kBooleanFormula: case kErrorFormula:
        RetriveFormula(cell);
        FormulaHelper().FCol = col;
        FormulaHelper().FRow = row;
        FormulaHelper().FStyle = style;
        StoreFormula();
        break;
      default: StoreFloat(col, row, style, GetFloat(cell)); break;
    }
  }
  FreeStyle(old);
}

void TXLSCellMMU::DeleteCell(int32_t col, int32_t row) {
  const TXLSCellItem c = FindCell(col, row);
  if (!c.Data) return;
  FreeStyle(GetStyle(c));
  ReleaseCellString(c);
  const int32_t rowStyle = FindRow(row)->Style;
  FBlockManager->FreeMem(row & 255, col);
  if (!FindRow(row)) FreeStyle(rowStyle);
}

void TXLSCellMMU::ClearCell(int32_t col, int32_t row) {
  const TXLSCellItem c = FindCell(col, row);
  if (!c.Data || Kind(c) == kBlank) return;
  const int32_t style = GetStyle(c);
  if (style == 0) {
    DeleteCell(col, row);
    return;
  }
  ReleaseCellString(c);
  FreeStyle(style);
  StoreBlank(col, row, style);
}

}  // namespace xls
