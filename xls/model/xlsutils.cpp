#include "xls/model/xlsutils.h"

#include <array>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace xls {

namespace {

constexpr std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    t[i] = c;
  }
  return t;
}
constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

double HueCurve(double m1, double m2, double h) {
  if (h < 0) h += 1;
  if (h > 1) h -= 1;
  if (h < 1.0 / 6) return m1 + (m2 - m1) * 6 * h;
  if (h < 0.5) return m2;
  if (h < 2.0 / 3) return m1 + (m2 - m1) * (2.0 / 3 - h) * 6;
  return m1;
}

uint32_t ToByte(double v) { return static_cast<uint32_t>(std::nearbyint(ClampFloat(v, 0, 1) * 255)); }

}  // namespace

void ListIndexError(size_t index) {
  throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
}

int FindCharPos(char16_t c, std::u16string_view text) {
  const auto p = text.find(c);
  return p == std::u16string_view::npos ? -1 : static_cast<int>(p) + 1;
}

int FindLastCharPos(char16_t c, std::u16string_view text) {
  const auto p = text.rfind(c);
  return p == std::u16string_view::npos ? -1 : static_cast<int>(p) + 1;
}

void SplitAtChar(char16_t c, std::u16string& text, std::u16string& head) {
  const auto p = text.find(c);
  if (p == std::u16string::npos) {
    head = std::move(text);
    text.clear();
  } else {
    head = text.substr(0, p);
    text.erase(0, p + 1);
  }
}

uint32_t CRC32Bytes(const void* bytes, int count) {
  uint32_t crc = 0xFFFFFFFFu;
  const auto* p = static_cast<const unsigned char*>(bytes);
  for (int i = 0; i < count; ++i) crc = kCrcTable[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}

double EMUToCm(int32_t emu) { return emu / 360000.0; }

int32_t CmToEMU(double cm) { return static_cast<int32_t>(std::nearbyint(cm * 360000.0)); }

bool Is8BitText(std::u16string_view text) {
  for (char16_t c : text)
    if (c > 255) return false;
  return true;
}

void StripQuotes(std::u16string& text) {
  if (text.size() >= 2 && text.front() == text.back() && (text.front() == u'"' || text.front() == u'\''))
    text = text.substr(1, text.size() - 2);
}

uint16_t LegacyPasswordHash(std::string_view password) {
  const size_t n = password.size() < 15 ? password.size() : 15;
  uint32_t hash = 0;
  for (size_t i = 0; i < n; ++i) {
    uint32_t c = static_cast<unsigned char>(password[i]) << (i + 1);
    c = ((c >> 15) | c) & 0x7FFF;  // rotate within 15 bits
    hash ^= c;
  }
  hash ^= static_cast<uint32_t>(n);
  hash ^= 0xCE4B;
  return static_cast<uint16_t>(hash);
}

double ClampFloat(double value, double minimum, double maximum) {
  if (!(value >= minimum)) return minimum;
  if (value > maximum) return maximum;
  return value;
}

int32_t ClampInt(int32_t value, int32_t minimum, int32_t maximum) {
  if (value < minimum) return minimum;
  if (value > maximum) return maximum;
  return value;
}

uint32_t SwapRedBlue(uint32_t colour) {
  return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}

std::u16string Spaces(int n) { return std::u16string(n > 0 ? size_t(n) * 2 : 0, u' '); }

uint32_t HSLToRGB(uint32_t hsl) {
  const double h = ((hsl >> 16) & 0xFF) / 255.0;
  const double s = ((hsl >> 8) & 0xFF) / 255.0;
  const double l = (hsl & 0xFF) / 255.0;
  double r, g, b;
  if (s == 0) {
    r = g = b = l;
  } else {
    const double m2 = l <= 0.5 ? l * (1 + s) : l + s - l * s;
    const double m1 = 2 * l - m2;
    r = HueCurve(m1, m2, h + 1.0 / 3);
    g = HueCurve(m1, m2, h);
    b = HueCurve(m1, m2, h - 1.0 / 3);
  }
  return (ToByte(r) << 16) | (ToByte(g) << 8) | ToByte(b);
}

bool AdjustRangeOnDelete(int32_t& first, int32_t& last, int32_t d1, int32_t d2) {
  const int32_t n = d2 - d1 + 1;
  if (d2 < first) {  // all before the range
    first -= n;
    last -= n;
  } else if (d1 <= first && d2 < last) {  // covers its start only
    first = d1;
    last -= n;
  } else if (d1 <= first) {  // covers it whole
    return false;
  } else if (d2 <= last) {  // inside it
    last -= n;
  } else if (d1 <= last) {  // covers its end only
    last = d1 - 1;
  }
  return true;  // after it: unchanged
}

int32_t TIntegerList::Items(size_t index) const {
  if (index >= FItems.size()) ListIndexError(index);
  return FItems[index];
}

void TIntegerList::SetItems(size_t index, int32_t value) {
  if (index >= FItems.size()) ListIndexError(index);
  FItems[index] = value;
}

void TIntegerList::Delete(size_t index) {
  if (index >= FItems.size()) ListIndexError(index);
  FItems.erase(FItems.begin() + static_cast<ptrdiff_t>(index));
}

int32_t TIntegerStack::Pop() {
  if (FItems.empty()) ListIndexError(0);
  const int32_t v = FItems.back();
  FItems.pop_back();
  return v;
}

TIndexObjectList::~TIndexObjectList() { Clear(); }

TIndexObject* TIndexObjectList::Add(std::unique_ptr<TIndexObject> item) {
  item->FIndex = static_cast<int32_t>(FItems.size());
  FItems.push_back(std::move(item));
  return FItems.back().get();
}

void TIndexObjectList::Delete(size_t index) { Extract(index).reset(); }

std::unique_ptr<TIndexObject> TIndexObjectList::Extract(size_t index) {
  if (index >= FItems.size()) ListIndexError(index);
  auto item = std::move(FItems[index]);
  FItems.erase(FItems.begin() + static_cast<ptrdiff_t>(index));
  ReIndex();
  return item;
}

void TIndexObjectList::Clear() {
  FIsClearing = true;
  FItems.clear();
  FIsClearing = false;
}

TIndexObject* TIndexObjectList::Items(size_t index) const {
  if (index >= FItems.size()) ListIndexError(index);
  return FItems[index].get();
}

void TIndexObjectList::ReIndex() {
  for (size_t i = 0; i < FItems.size(); ++i) FItems[i]->FIndex = static_cast<int32_t>(i);
}

void TPointerMemoryStream::SetStreamData(const void* data, size_t size) {
  FData = static_cast<const std::byte*>(data);
  FSize = data ? size : 0;
  FPosition = 0;
}

size_t TPointerMemoryStream::Read(void* buffer, size_t count) {
  const size_t n = count < FSize - FPosition ? count : FSize - FPosition;
  if (n) std::memcpy(buffer, FData + FPosition, n);
  FPosition += n;
  return n;
}

}  // namespace xls
