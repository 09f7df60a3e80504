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
  Clear();
  FItemCount = itemCount;
  // The fixed part runs until the entries and the complex data they announce fill the body.
  size_t budget = body.size(), fixed = 0, entries = 0;
  while (budget > 0) {
    if (budget < 6) throw XLSRWException("Error when reading OPT items, Length <> 0");
    const uint16_t id = Le16(body.data() + fixed);
    const uint32_t value = Le32(body.data() + fixed + 2);
    fixed += 6;
    budget -= 6;
    ++entries;
    if ((id & 0x8000) && value != 0) {
      if (value > budget) throw XLSRWException("Error when reading OPT items, Length <> 0");
      budget -= value;
    }
  }
  // Entries past the instance count are dropped with their data.
  const size_t kept = std::min<size_t>(entries, itemCount);
  FItems.reserve(kept);
  size_t data = fixed, keptData = 0;
  for (size_t i = 0; i < kept; ++i) {
    TOPTItem item;
    item.Id = Le16(body.data() + 6 * i);
    item.Value = Le32(body.data() + 6 * i + 2);
    if (item.IsComplex() && item.Value != 0) {
      item.DataOffset = uint32_t(data - fixed);
      data += item.Value;
      keptData = data - fixed;
    }
    FItems.push_back(item);
  }
  FData.assign(body.begin() + std::ptrdiff_t(fixed), body.begin() + std::ptrdiff_t(fixed + keptData));
}

void TOPT::SetData(TOPTItem& item, std::span<const uint8_t> data) {
  item.DataOffset = uint32_t(FData.size());
  item.Value = uint32_t(data.size());
  FData.insert(FData.end(), data.begin(), data.end());
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
  const auto data = ItemData(size_t(i));
  std::u16string s;
  for (size_t k = 0; k + 1 < data.size(); k += 2) s.push_back(char16_t(Le16(data.data() + k)));
  while (!s.empty() && s.back() == 0) s.pop_back();
  return s;
}

// The picture reference: the first simple entry flagged fBid, else the picture property (pib,
// 0x0104) itself, which Gnumeric writes without the flag.
int TOPT::BlipIndex() const {
  int pib = -1;
  for (size_t i = 0; i < FItems.size(); ++i) {
    if (FItems[i].IsComplex()) continue;
    if (FItems[i].IsBlip()) return int(i);
    if (pib < 0 && FItems[i].Number() == 0x0104) pib = int(i);
  }
  return pib;
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
  // A complex entry's value is the size of its data, which stays as it is.
  const int i = Find(id);
  if (i >= 0 && !FItems[size_t(i)].IsComplex()) FItems[size_t(i)].Value = v;
}

void TOPT::UpdateString(uint16_t id, std::u16string_view s) {
  const int i = Find(id);
  if (i < 0) return;
  SetData(FItems[size_t(i)], TextData(s));
}

void TOPT::AddValue(uint16_t id, uint32_t v, bool isBlip) {
  TOPTItem item;
  item.Id = uint16_t((id & 0x3FFF) | (isBlip ? 0x4000 : 0));
  item.Value = v;
  if ((id & 0x3FFF) == 0x0004)
    FItems.insert(FItems.begin(), item);
  else
    FItems.push_back(item);
}

void TOPT::AddString(uint16_t id, std::u16string_view s) {
  TOPTItem item;
  item.Id = uint16_t((id & 0x3FFF) | 0xC000);
  SetData(item, TextData(s));
  FItems.push_back(item);
}

void TOPT::AddExtra(uint16_t id, uint32_t size, bool isBlip) {
  TOPTItem item;
  item.Id = uint16_t((id & 0x3FFF) | (isBlip ? 0xC000 : 0x8000));
  SetData(item, std::vector<uint8_t>(size, 0));
  FItems.push_back(item);
}

int64_t TOPT::Size() const {
  int64_t n = 0;
  for (const TOPTItem& item : FItems) n += 6 + int64_t(item.DataSize());
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
  for (size_t i = 0; i < FItems.size(); ++i) {
    const auto d = ItemData(i);
    out.insert(out.end(), d.begin(), d.end());
  }
  return out;
}

}  // namespace xls::biff
