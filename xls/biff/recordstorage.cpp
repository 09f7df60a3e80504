#include "xls/biff/recordstorage.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "xls/model/xlserrors.h"
#include "xls/model/xlsutils.h"

namespace xls::biff {

namespace {

std::string Hex4(uint16_t v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%.4X", unsigned(v));
  return buf;
}

template <size_t N>
constexpr std::array<uint8_t, N> Words(std::initializer_list<uint32_t> words,
                                       std::initializer_list<int> widths) {
  std::array<uint8_t, N> a{};
  size_t off = 0;
  auto w = widths.begin();
  for (uint32_t v : words) {
    const int width = *w++;
    for (int i = 0; i < width; ++i) a[off++] = uint8_t(v >> (8 * i));
  }
  return a;
}

constexpr auto BOFGlobals = Words<16>({0x0600, 0x0005, 6319, 1997, 0x80C9, 0x0106}, {2, 2, 2, 2, 4, 4});
constexpr auto BOFSheet = Words<16>({0x0600, 0x0010, 6319, 1997, 0x80C9, 0x0106}, {2, 2, 2, 2, 4, 4});
constexpr std::array<uint8_t, 112> WriteAccessDefault = [] {
  std::array<uint8_t, 112> a{};
  a[2] = 1;
  for (size_t i = 3; i <= 106; ++i) a[i] = 0x20;
  a[107] = '6';
  a[108] = '0';
  a[109] = '4';
  a[110] = '7';
  return a;
}();
constexpr auto W0 = Words<2>({0}, {2});
constexpr auto W1 = Words<2>({1}, {2});
constexpr auto W8 = Words<2>({8}, {2});
constexpr auto W14 = Words<2>({14}, {2});
constexpr auto W100 = Words<2>({100}, {2});
constexpr auto CodepageDefault = Words<2>({1200}, {2});
constexpr auto Window1Default =
    Words<18>({100, 100, 10000, 7000, 0x0038, 0, 0, 1, 600}, {2, 2, 2, 2, 2, 2, 2, 2, 2});
constexpr auto CountryDefault = Words<4>({1, 46}, {2, 2});
constexpr auto RecalcIdDefault = Words<8>({0x01C1, 0, 0xFFFFFF}, {2, 2, 4});
constexpr auto DeltaDefault = [] {
  // IEEE double 0.001
  std::array<uint8_t, 8> a{};
  const uint64_t bits = 0x3F50624DD2F1A9FCull;
  for (int i = 0; i < 8; ++i) a[i] = uint8_t(bits >> (8 * i));
  return a;
}();
constexpr auto GutsDefault = Words<8>({0, 0, 0, 0}, {2, 2, 2, 2});
constexpr auto DefRowHeightDefault = Words<4>({0, 255}, {2, 2});
constexpr auto WsBoolDefault = Words<2>({0x04C1}, {2});
constexpr auto SetupDefault = [] {
  std::array<uint8_t, 34> a{};
  const uint16_t w[8] = {0, 100, 1, 1, 1, 0x06B6, 600, 600};
  for (int i = 0; i < 8; ++i) {
    a[2 * i] = uint8_t(w[i]);
    a[2 * i + 1] = uint8_t(w[i] >> 8);
  }
  const uint64_t half = 0x3FE0000000000000ull;  // 0.5
  for (int i = 0; i < 8; ++i) {
    a[16 + i] = uint8_t(half >> (8 * i));
    a[24 + i] = uint8_t(half >> (8 * i));
  }
  return a;
}();
constexpr auto DimensionsDefault = std::array<uint8_t, 14>{};
constexpr auto Window2Default = Words<18>({0x04B6, 0, 0, 64, 0, 0, 0, 0}, {2, 2, 2, 2, 2, 2, 2, 4});

using G = TRecordStorageGlobals;
const TDefaultSlot GlobalsDefaults[] = {
    {0x0809, G::PBOF, BOFGlobals},
    {0x005C, G::PWRITEACCESS, WriteAccessDefault},
    {0x0042, G::PCODEPAGE, CodepageDefault},
    {0x0161, G::PDSF, W0},
    {0x013D, G::PTABID, {}},
    {0x009C, G::PFNGROUPCOUNT, W14},
    {0x0019, G::PWINDOWPROTECT, W0},
    {0x0012, G::PPROTECT, W0},
    {0x0013, G::PPASSWORD, W0},
    {0x01AF, G::PPROT4REV, W0},
    {0x003D, G::PWINDOW1, Window1Default},
    {0x0040, G::PBACKUP, W0},
    {0x008D, G::PHIDEOBJ, W0},
    {0x0022, G::P1904, W0},
    {0x000E, G::PPRECISION, W1},
    {0x01B7, G::PREFRESHALL, W0},
    {0x00DA, G::PBOOKBOOL, W0},
    {INTERNAL_FORMATS, G::P_INT_FORMATS, {}},
    {INTERNAL_BOUNDSHEETS, G::P_INT_BOUNDSHEETS, {}},
    {0x008C, G::PCOUNTRY, CountryDefault},
    {0x01C1, G::PRECALCID, RecalcIdDefault},
    {INTERNAL_NAMES, G::P_INT_NAMES, {}},
    {INTERNAL_MSODRWGRP, G::P_INT_MSODRWGRP, {}},
    {INTERNAL_SST, G::P_INT_SST, {}},
    {0x000A, G::PEOF, {}},
};

using S = TRecordStorageSheet;
const TDefaultSlot SheetDefaults[] = {
    {0x0809, S::PBOF, BOFSheet},
    {0x000D, S::PCALCMODE, W1},
    {0x000C, S::PCALCCOUNT, W100},
    {0x000F, S::PREFMODE, W1},
    {0x0011, S::PITERATION, W0},
    {0x0010, S::PDELTA, DeltaDefault},
    {0x005F, S::PSAVERECALC, W1},
    {0x002B, S::PPRINTGRIDLINES, W0},
    {0x002A, S::PPRINTHEADERS, W0},
    {0x0082, S::PGRIDSET, W1},
    {0x0080, S::PGUTS, GutsDefault},
    {0x0225, S::PDEFAULTROWHEIGHT, DefRowHeightDefault},
    {0x0081, S::PWSBOOL, WsBoolDefault},
    {INTERNAL_PAGEBREAKES, S::P_INT_PAGEBREAKES, {}},
    {INTERNAL_HEADER, S::P_INT_HEADER, {}},
    {INTERNAL_MARGINS, S::P_INT_MARGINS, {}},
    {0x0083, S::PHCENTER, W0},
    {0x0084, S::PVCENTER, W0},
    {0x00A1, S::PSETUP, SetupDefault},
    {0x0012, S::PPROTECT, W0},
    {0x0055, S::PDEFCOLWIDTH, W8},
    {0x0200, S::PDIMENSIONS, DimensionsDefault},
    {INTERNAL_COLINFO, S::P_INT_COLINFO, {}},
    {INTERNAL_CELLDATA, S::P_INT_CELLDATA, {}},
    {0x023E, S::PWINDOW2, Window2Default},
    {INTERNAL_SUFFIXDATA, S::P_INT_SUFFIXDATA, {}},
    {0x000A, S::PEOF, {}},
};

std::unique_ptr<TRecordData> MakeRecord(uint16_t id, std::span<const uint8_t> body, size_t length) {
  auto r = std::make_unique<TRecordData>();
  r->RecId = id;
  r->Length = uint16_t(length);
  r->Data.assign(body.begin(), body.begin() + std::min(length, body.size()));
  r->Data.resize(length, 0);
  return r;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
TRecordData* TBaseRecordStorage::AddRec(uint32_t header, std::span<const uint8_t> body) {
  const TBIFFHeader h = TBIFFHeader::FromDWord(header);
  FItems.push_back(MakeRecord(h.RecID, body, h.Length));
  return FItems.back().get();
}

void TBaseRecordStorage::Clear() { FItems.clear(); }

int TBaseRecordStorage::FindRecord(uint16_t recId) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i] && FItems[i]->RecId == recId) return int(i);
  return -1;
}

TRecordData* TBaseRecordStorage::Items(size_t index) const {
  if (index >= FItems.size()) ListIndexError(index);
  return FItems[index].get();
}

std::unique_ptr<TRecordData> TBaseRecordStorage::SetItems(size_t index, std::unique_ptr<TRecordData> rec) {
  if (index >= FItems.size()) ListIndexError(index);
  std::swap(FItems[index], rec);
  return rec;
}

void TBaseRecordStorage::WriteRec(size_t index, TXLSStream& stream) const {
  const TRecordData* r = Items(index);
  if (!r) return;
  stream.WriteHeader(r->RecId, r->Length);
  stream.Write(r->Data.data(), r->Data.size());
}

void TBaseRecordStorage::WriteAllRecs(TXLSStream& stream) const {
  for (size_t i = 0; i < FItems.size(); ++i) WriteRec(i, stream);
}

int64_t TBaseRecordStorage::Size() const {
  int64_t n = 0;
  for (const auto& r : FItems)
    if (r) n += int64_t(r->Length) + 4;
  return n;
}

TRecordData* TBaseRecordStorage::UpdateRec(size_t index, std::span<const uint8_t> data) {
  TRecordData* r = Items(index);
  if (!r) return nullptr;
  const size_t len = std::min<size_t>(data.size(), 0xFFFF);
  r->Length = uint16_t(len);
  r->Data.assign(data.begin(), data.begin() + len);
  return r;
}

void TBaseRecordStorage::Assign(TBaseRecordStorage& records) const {
  for (const auto& r : FItems)
    if (r) records.FItems.push_back(std::make_unique<TRecordData>(*r));
}

// ---------------------------------------------------------------------------------------------
TRecordStorageDefault::TRecordStorageDefault(std::span<const TDefaultSlot> defaults, size_t slotCount)
    : FSlots(defaults), FSlotCount(slotCount), FSlotPtrs(slotCount, nullptr), FPlaced(slotCount, false) {}

void TRecordStorageDefault::Clear() {
  TBaseRecordStorage::Clear();
  FDefault.Clear();
  std::fill(FSlotPtrs.begin(), FSlotPtrs.end(), nullptr);
  std::fill(FPlaced.begin(), FPlaced.end(), false);
}

void TRecordStorageDefault::SetDefaultData() {
  Clear();
  for (const TDefaultSlot& d : FSlots) {
    TRecordData* r = FDefault.AddRec(TBIFFHeader{d.RecId, uint16_t(d.Body.size())}, d.Body);
    FSlotPtrs[d.Slot] = r;
  }
}

TRecordView TRecordStorageDefault::SlotView(size_t i) const {
  const TRecordData* r = Slot(i);
  return r ? r->View() : TRecordView();
}

int TRecordStorageDefault::SlotOf(uint16_t recId) const {
  for (const TDefaultSlot& d : FSlots)
    if (d.RecId == recId) return int(d.Slot);
  return -1;
}

void TRecordStorageDefault::MoveDefault(const TRecordData* rec, TRecordData* newRec) {
  if (!rec) return;
  const int slot = SlotOf(rec->RecId);
  if (slot >= 0) FSlotPtrs[size_t(slot)] = newRec;
}

void TRecordStorageDefault::Place(uint16_t id, std::span<const uint8_t> data, size_t length, bool hasData) {
  // The slot is found through its own pointer: a loose record of the same id (an embedded
  // chart's BOF or EOF kept raw, a settings record stored loose) is never taken for it.
  const int slot = SlotOf(id);
  TRecordData* placed = slot >= 0 && FPlaced[size_t(slot)] ? FSlotPtrs[size_t(slot)] : nullptr;
  if (placed) {
    if (placed->Length != length) throw XLSRWException("Size missmatch on default record " + Hex4(id));
    if (hasData) {
      std::fill(placed->Data.begin(), placed->Data.end(), uint8_t(0));
      if (!data.empty() && length)
        std::memcpy(placed->Data.data(), data.data(), std::min(length, data.size()));
    }
    return;
  }
  int pending = -1;
  for (size_t i = 0; i < FDefault.Count(); ++i) {
    const TRecordData* d = FDefault.Items(i);
    if (d && d->RecId == id) {
      pending = int(i);
      break;
    }
  }
  if (pending < 0) throw XLSRWException("Excpected default record " + Hex4(id) + " not found.");
  for (size_t i = 0; i <= size_t(pending); ++i) {
    const TRecordData* d = FDefault.Items(i);
    if (!d) continue;
    std::unique_ptr<TRecordData> rec =
        i == size_t(pending) ? MakeRecord(id, data, length) : std::make_unique<TRecordData>(*d);
    TRecordData* added = rec.get();
    FItems.push_back(std::move(rec));
    MoveDefault(d, added);
    FPlaced[FSlots[i].Slot] = true;
    FDefault.SetItems(i, nullptr);
  }
}

void TRecordStorageDefault::UpdateDefault(uint32_t header, std::span<const uint8_t> data) {
  const TBIFFHeader h = TBIFFHeader::FromDWord(header);
  if (SlotOf(h.RecID) < 0) return;
  Place(StoredId(h.RecID), data, h.Length, true);
}

void TRecordStorageDefault::UpdateInternal(uint16_t id) {
  if ((id & 0x8000) == 0 || SlotOf(id) < 0) return;
  Place(id, {}, 0, false);
}

void TRecordStorageDefault::SetSlotWord(size_t slot, uint16_t v, size_t off) {
  TRecordData* r = Slot(slot);
  if (!r || off + 2 > r->Data.size()) return;
  r->Data[off] = uint8_t(v);
  r->Data[off + 1] = uint8_t(v >> 8);
}

// ---------------------------------------------------------------------------------------------
TRecordStorageGlobals::TRecordStorageGlobals() : TRecordStorageDefault(GlobalsDefaults, SLOT_COUNT) {
  SetDefaultData();
}

int TRecordStorageGlobals::SlotOf(uint16_t recId) const { return TRecordStorageDefault::SlotOf(recId); }

std::u16string TRecordStorageGlobals::WRITEACCESS() const {
  const TRecordView v = SlotView(PWRITEACCESS);
  size_t count = std::min<size_t>(v.U16(0), 109);
  std::u16string s;
  if (count == 0) return s;
  const uint8_t flag = v.U8(2);
  if (flag == 0) {
    count = v.Bound(count, 3, 1);
    for (size_t i = 0; i < count; ++i) s.push_back(char16_t(v.U8(3 + i)));
  } else if (flag == 1) {
    count = v.Bound(count, 3, 2);
    for (size_t i = 0; i < count; ++i) s.push_back(char16_t(v.U16(3 + 2 * i)));
  }
  const size_t a = s.find_first_not_of(u' ');
  if (a == std::u16string::npos) return {};
  const size_t b = s.find_last_not_of(u' ');
  return s.substr(a, b - a + 1);
}

void TRecordStorageGlobals::SetWRITEACCESS(std::u16string_view name) {
  TRecordData* r = Slot(PWRITEACCESS);
  if (!r || r->Data.size() < 112) return;
  std::fill(r->Data.begin(), r->Data.begin() + 112, uint8_t(0x20));
  const size_t n = std::min<size_t>(name.size(), 52);
  for (size_t i = 0; i < n; ++i) {
    r->Data[3 + 2 * i] = uint8_t(name[i]);
    r->Data[4 + 2 * i] = uint8_t(name[i] >> 8);
  }
  r->Data[0] = uint8_t(n);
  r->Data[1] = 0;
  r->Data[2] = 1;
  r->Data[107] = '6';
  r->Data[108] = '0';
  r->Data[109] = '4';
  r->Data[110] = '7';
  r->Data[111] = 0;
}

// ---------------------------------------------------------------------------------------------
TRecordStorageSheet::TRecordStorageSheet() : TRecordStorageDefault(SheetDefaults, SLOT_COUNT) {
  SetDefaultData();
}

int TRecordStorageSheet::SlotOf(uint16_t recId) const {
  // Every BOF id (0x0009, 0x0209, 0x0409, 0x0809) takes the one BOF slot.
  if ((recId & 0xFF) == 0x09) return PBOF;
  return TRecordStorageDefault::SlotOf(recId);
}

void TRecordStorageSheet::SetDELTA(double v) {
  TRecordData* r = Slot(PDELTA);
  if (!r || r->Data.size() < 8) return;
  std::memcpy(r->Data.data(), &v, 8);
}

}  // namespace xls::biff
