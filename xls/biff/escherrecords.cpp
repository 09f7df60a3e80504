#include "xls/biff/escherrecords.h"

#include <algorithm>
#include <cstring>

#include "xls/model/xlserrors.h"

namespace xls::biff {

namespace {

uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
void Put16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  Put16(p, uint16_t(v));
  Put16(p + 2, uint16_t(v >> 16));
}

std::vector<uint8_t> TextData(std::u16string_view s) {
  std::vector<uint8_t> d(2 * s.size() + 2, 0);
  for (size_t i = 0; i < s.size(); ++i) Put16(d.data() + 2 * i, uint16_t(s[i]));
  return d;
}

}  // namespace

TMSOHeader TMSOHeader::FromBytes(const uint8_t* p) { return {Le16(p), Le16(p + 2), Le32(p + 4)}; }

void TMSOHeader::ToBytes(uint8_t* p) const {
  Put16(p, VerInst);
  Put16(p + 2, FBT);
  Put32(p + 4, Length);
}

// ---------------------------------------------------------------------------------------------
std::span<const uint8_t> TMSOCursor::Take(size_t n, const char* message) {
  if (n > Remaining()) throw XLSRWException(message);
  const auto s = FData.subspan(FPos, n);
  FPos += n;
  return s;
}

TMSOHeader TMSOCursor::Header(const char* message) { return TMSOHeader::FromBytes(Take(8, message).data()); }
uint16_t TMSOCursor::U16() { return Le16(Take(2).data()); }
uint32_t TMSOCursor::U32() { return Le32(Take(4).data()); }
uint16_t TMSOCursor::PeekFBT() const { return Remaining() < 8 ? 0 : Le16(FData.data() + FPos + 2); }

// ---------------------------------------------------------------------------------------------
void TMSORecords::Add(const TMSOHeader& header, std::span<const uint8_t> body) {
  std::vector<uint8_t> rec(8);
  header.ToBytes(rec.data());
  if (!header.IsContainer()) {
    // The body as given, padded to the header's length when shorter (never longer).
    rec.insert(rec.end(), body.begin(), body.begin() + std::min<size_t>(body.size(), header.Length));
    rec.resize(8 + std::min<size_t>(header.Length, body.size()), 0);
  }
  FItems.push_back(std::move(rec));
}

int64_t TMSORecords::Size() const {
  int64_t n = 0;
  for (const auto& r : FItems) {
    const TMSOHeader h = TMSOHeader::FromBytes(r.data());
    n += h.IsContainer() ? 8 : int64_t(h.Length) + 8;
  }
  return n;
}

// ---------------------------------------------------------------------------------------------
void TOPT::LoadFromBuffer(std::span<const uint8_t> body, uint32_t itemCount) {
  FItems.clear();
  FItemCount = itemCount;
  // The fixed part runs until the entries and the complex data they announce fill the body.
  size_t budget = body.size(), off = 0;
  std::vector<TOPTItem> all;
  while (budget > 0) {
    if (budget < 6 || off + 6 > body.size()) throw XLSRWException("Error when reading OPT items, Length <> 0");
    TOPTItem item;
    item.Id = Le16(body.data() + off);
    item.Value = Le32(body.data() + off + 2);
    off += 6;
    budget -= 6;
    if (item.IsComplex() && item.Value != 0) {
      if (item.Value > budget) throw XLSRWException("Error when reading OPT items, Length <> 0");
      budget -= item.Value;
    }
    all.push_back(std::move(item));
  }
  for (size_t i = 0; i < all.size(); ++i) {
    TOPTItem& item = all[i];
    if (item.IsComplex() && item.Value != 0) {
      item.Data.assign(body.begin() + off, body.begin() + off + item.Value);
      off += item.Value;
    }
    if (FItems.size() < FItemCount) FItems.push_back(std::move(item));
  }
}

int TOPT::Find(uint16_t id) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].Number() == (id & 0x3FFF)) return int(i);
  return -1;
}

int64_t TOPT::FindValue(uint16_t id) const {
  const int i = Find(id);
  return i < 0 ? -1 : int64_t(FItems[size_t(i)].Value);
}

std::u16string TOPT::FindString(uint16_t id) const {
  const int i = Find(id);
  if (i < 0) return {};
  const TOPTItem& item = FItems[size_t(i)];
  std::u16string s;
  for (size_t k = 0; k + 1 < item.Data.size(); k += 2) s.push_back(char16_t(Le16(item.Data.data() + k)));
  while (!s.empty() && s.back() == 0) s.pop_back();
  return s;
}

// The picture reference: the first simple entry flagged fBid, else the picture property (pib,
// 0x0104) itself, which Gnumeric writes without the flag.
int TOPT::BlipIndex() const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].IsBlip() && !FItems[i].IsComplex()) return int(i);
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].Number() == 0x0104 && !FItems[i].IsComplex()) return int(i);
  return -1;
}

int64_t TOPT::BlipId() const {
  const int i = BlipIndex();
  return i < 0 ? -1 : int64_t(FItems[size_t(i)].Value);
}

void TOPT::SetBlipId(uint32_t v) {
  const int i = BlipIndex();
  if (i < 0) throw XLSRWException("Shape has no Blip Id");
  FItems[size_t(i)].Value = v;
}

uint32_t TOPT::TxId() const {
  const int i = Find(0x0080);
  return i < 0 ? 0 : FItems[size_t(i)].Value;
}

void TOPT::SetValue(size_t i, uint32_t v) {
  TOPTItem& item = FItems.at(i);
  if (item.IsComplex()) throw XLSRWException("OPT value is complex");
  item.Value = v;
}

void TOPT::UpdateValue(uint16_t id, uint32_t v) {
  const int i = Find(id);
  if (i >= 0) FItems[size_t(i)].Value = v;
}

void TOPT::UpdateString(uint16_t id, std::u16string_view s) {
  const int i = Find(id);
  if (i < 0) return;
  TOPTItem& item = FItems[size_t(i)];
  item.Data = TextData(s);
  item.Value = uint32_t(item.Data.size());
}

void TOPT::AddValue(uint16_t id, uint32_t v, bool isBlip) {
  TOPTItem item;
  item.Id = uint16_t((id & 0x3FFF) | (isBlip ? 0x4000 : 0));
  item.Value = v;
  if ((id & 0x3FFF) == 0x0004)
    FItems.insert(FItems.begin(), std::move(item));
  else
    FItems.push_back(std::move(item));
}

void TOPT::AddString(uint16_t id, std::u16string_view s) {
  TOPTItem item;
  item.Id = uint16_t((id & 0x3FFF) | 0xC000);
  item.Data = TextData(s);
  item.Value = uint32_t(item.Data.size());
  FItems.push_back(std::move(item));
}

void TOPT::AddExtra(uint16_t id, uint32_t size, bool isBlip) {
  TOPTItem item;
  item.Id = uint16_t((id & 0x3FFF) | (isBlip ? 0xC000 : 0x8000));
  item.Data.assign(size, 0);
  item.Value = size;
  FItems.push_back(std::move(item));
}

int64_t TOPT::Size() const {
  int64_t n = 0;
  for (const TOPTItem& item : FItems) n += 6 + int64_t(item.Data.size());
  return n;
}

std::vector<uint8_t> TOPT::WriteToBuffer(bool includeHeader) const {
  std::vector<uint8_t> out;
  if (includeHeader) {
    out.resize(8);
    TMSOHeader{uint16_t(0x0003 | (FItemCount << 4)), MSO_OPT, uint32_t(Size())}.ToBytes(out.data());
  }
  for (const TOPTItem& item : FItems) {
    uint8_t e[6];
    Put16(e, item.Id);
    Put32(e + 2, item.Value);
    out.insert(out.end(), e, e + 6);
  }
  for (const TOPTItem& item : FItems) out.insert(out.end(), item.Data.begin(), item.Data.end());
  return out;
}

}  // namespace xls::biff
