#include "xls/model/xlssst.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <new>

#include "xls/model/xlserrors.h"

namespace xls {

namespace {

constexpr uint32_t kBuckets = 65535;

size_t RunsOffset(const TXLSString& s) {
  const size_t text = sizeof(TXLSString) + size_t(s.Len) * ((s.Options & 1) ? 2 : 1);
  return (text + alignof(TXc12FontRun) - 1) / alignof(TXc12FontRun) * alignof(TXc12FontRun);
}

bool IsHex(char16_t c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }

// A literal _xHHHH_ in a text bound for a package gets _x005F in front, so that a reader turns it
// back into the literal instead of the character HHHH.
std::u16string EscapeForPackage(std::u16string_view text) {
  std::u16string s(text);
  size_t p = 0;  // 0-based
  while (s.size() >= 7 && p + 6 < s.size()) {
    if (s[p] == u'_' && s[p + 1] == u'x' && s[p + 6] == u'_' && IsHex(s[p + 2]) && IsHex(s[p + 3]) &&
        IsHex(s[p + 4]) && IsHex(s[p + 5])) {
      s.insert(p, u"_x005F");
      p += 13;
    } else {
      ++p;
    }
  }
  return s;
}

}  // namespace

std::u16string DecodePackageEscapes(std::u16string_view text) {
  std::u16string s;
  s.reserve(text.size());
  for (size_t p = 0; p < text.size();) {
    if (text[p] == u'_' && p + 6 < text.size() && text[p + 1] == u'x' && text[p + 6] == u'_' &&
        IsHex(text[p + 2]) && IsHex(text[p + 3]) && IsHex(text[p + 4]) && IsHex(text[p + 5])) {
      char16_t c = 0;
      for (size_t i = p + 2; i < p + 6; ++i) {
        const char16_t h = text[i];
        c = char16_t(c * 16 + (h <= u'9' ? h - u'0' : (h | 0x20) - u'a' + 10));
      }
      s += c;
      p += 7;
    } else {
      s += text[p++];
    }
  }
  return s;
}

bool MayHoldPackageEscape(const TXLSString& s) {
  const uint8_t* text = TXc12DataSST::TextBytes(s);
  if (!(s.Options & 1)) {
    for (const uint8_t *p = text, *end = text + s.Len;
         (p = static_cast<const uint8_t*>(std::memchr(p, '_', size_t(end - p))));) {
      if (++p < end && *p == 'x') return true;
    }
    return false;
  }
  char16_t prev = 0;
  for (size_t i = 0; i < s.Len; ++i) {
    char16_t u;
    std::memcpy(&u, text + 2 * i, 2);
    if (prev == u'_' && u == u'x') return true;
    prev = u;
  }
  return false;
}

void TXc12DataSST::TEntryDeleter::operator()(TXLSString* s) const {
  // Entries carved from the table's blocks go with the blocks.
  if (s->HeldAlone) ::operator delete(static_cast<void*>(s));
}

TXc12DataSST::TXc12DataSST(TXLSStyleUseCounter* styles) : FHashHeads(kBuckets, -1), FStyles(styles) {}

TXc12DataSST::~TXc12DataSST() { Clear(); }

uint32_t TXc12DataSST::KeyHash(std::u16string_view key) {
  uint32_t h = 0;
  for (char16_t c : key) h = ((h << 2) | (h >> 30)) ^ c;
  return h;
}

bool TXc12DataSST::Wide(std::u16string_view text) const {
  if (!FCompress) return true;
  return std::any_of(text.begin(), text.end(), [](char16_t c) { return c > 255; });
}

TXc12DataSST::TEntry TXc12DataSST::NewEntry(size_t len, bool wide, size_t runCount, bool alone) {
  TXLSString head;
  head.Len = uint32_t(len);
  head.Options = uint8_t((wide ? 1 : 0) | (runCount ? 8 : 0));
  head.RunCount = uint32_t(runCount);
  head.HeldAlone = alone;
  const size_t total = RunsOffset(head) + runCount * sizeof(TXc12FontRun);
  void* mem;
  if (alone) {
    mem = ::operator new(total);
  } else {
    // Blocks are pages taken in one batch, each four times the last up to 4 MB: a large table
    // costs a few system calls, and soon lies on huge pages, instead of a fault on every page.
    constexpr size_t kAlign = alignof(std::max_align_t);
    constexpr size_t kFirstBlock = size_t{1} << 16, kLargestBlock = size_t{1} << 22;
    const size_t need = (total + kAlign - 1) / kAlign * kAlign;
    if (need > FBlockLeft) {
      const size_t grown = FBlocks.empty() ? kFirstBlock : std::min(kLargestBlock, 4 * FBlocks.back().size());
      FBlocks.emplace_back(std::max(grown, need));
      FBlockNext = FBlocks.back().data();
      FBlockLeft = FBlocks.back().size();
    }
    mem = FBlockNext;
    FBlockNext += need;
    FBlockLeft -= need;
  }
  return TEntry(new (mem) TXLSString(head));
}

TXc12DataSST::TEntry TXc12DataSST::MakeEntry(std::u16string_view text, bool wide,
                                             const std::vector<TXc12FontRun>* runs, bool alone) {
  TEntry e = NewEntry(text.size(), wide, runs ? runs->size() : 0, alone);
  if (runs) e->Options |= 8;  // rich even with no run
  uint8_t* p = reinterpret_cast<uint8_t*>(e.get() + 1);
  if (wide)
    std::memcpy(p, text.data(), text.size() * 2);
  else
    for (size_t i = 0; i < text.size(); ++i) p[i] = uint8_t(text[i]);
  if (runs && !runs->empty())
    std::memcpy(reinterpret_cast<uint8_t*>(e.get()) + RunsOffset(*e), runs->data(),
                runs->size() * sizeof(TXc12FontRun));
  return e;
}

std::u16string TXc12DataSST::GetText(const TXLSString& s) {
  const uint8_t* p = TextBytes(s);
  if (s.Options & 1) {
    std::u16string t(s.Len, u'\0');
    std::memcpy(t.data(), p, size_t(s.Len) * 2);
    return t;
  }
  return std::u16string(p, p + s.Len);  // Latin-1: the byte is the code unit
}

const TXc12FontRun* TXc12DataSST::GetFontRuns(const TXLSString& s) {
  if (!IsFormattedString(s)) return nullptr;
  return reinterpret_cast<const TXc12FontRun*>(reinterpret_cast<const uint8_t*>(&s) + RunsOffset(s));
}

size_t TXc12DataSST::GetFontRunsCount(const TXLSString& s) { return IsFormattedString(s) ? s.RunCount : 0; }

bool TXc12DataSST::EntryEquals(const TXLSString& s, std::u16string_view text) const {
  if (s.Len != text.size()) return false;
  const uint8_t* p = TextBytes(s);
  if (s.Options & 1) return std::memcmp(p, text.data(), text.size() * 2) == 0;
  for (size_t i = 0; i < text.size(); ++i)
    if (p[i] != text[i]) return false;
  return true;
}

void TXc12DataSST::HashAdd(int32_t slot, uint32_t key) {
  if (FHashNext.size() <= size_t(slot)) {
    FHashNext.resize(size_t(slot) + 1, -1);
    FHashKeys.resize(size_t(slot) + 1, 0);
  }
  FHashKeys[size_t(slot)] = key;
  int32_t& head = FHashHeads[key % kBuckets];
  FHashNext[size_t(slot)] = head;
  head = slot;
}

void TXc12DataSST::HashRemove(int32_t slot) {
  int32_t* link = &FHashHeads[FHashKeys[size_t(slot)] % kBuckets];
  while (*link >= 0) {
    if (*link == slot) {
      *link = FHashNext[size_t(slot)];
      FHashNext[size_t(slot)] = -1;
      return;
    }
    link = &FHashNext[size_t(*link)];
  }
}

int32_t TXc12DataSST::HashFind(std::u16string_view text) const {
  const uint32_t key = KeyHash(text);
  for (int32_t i = FHashHeads[key % kBuckets]; i >= 0; i = FHashNext[size_t(i)])
    if (FHashKeys[size_t(i)] == key && EntryEquals(*FSST[size_t(i)], text)) return i;
  return -1;
}

void TXc12DataSST::RebuildHash() {
  std::fill(FHashHeads.begin(), FHashHeads.end(), -1);
  FHashNext.assign(FSST.size(), -1);
  FHashKeys.assign(FSST.size(), 0);
  for (int32_t i = 0; i < FTotalCount; ++i) {
    const TXLSString* e = FSST[size_t(i)].get();
    if (!e || IsFormattedString(*e)) continue;
    // The key of the entry's text, taken from its stored units.
    uint32_t h = 0;
    if (e->Options & 1) {
      const auto* p = reinterpret_cast<const char16_t*>(TextBytes(*e));
      for (uint32_t k = 0; k < e->Len; ++k) h = ((h << 2) | (h >> 30)) ^ p[k];
    } else {
      const uint8_t* p = TextBytes(*e);
      for (uint32_t k = 0; k < e->Len; ++k) h = ((h << 2) | (h >> 30)) ^ p[k];
    }
    HashAdd(i, h);
  }
  FHashValid = true;
}

void TXc12DataSST::Clear() {
  ++FGeneration;
  FSST.clear();
  FBlocks.clear();
  FBlockNext = nullptr;
  FBlockLeft = 0;
  FFreeSlots.clear();
  FTotalCount = FFreeCount = 0;
  std::fill(FHashHeads.begin(), FHashHeads.end(), -1);
  FHashNext.clear();
  FHashKeys.clear();
  FHashValid = false;
}

void TXc12DataSST::AfterRead() { FHashValid = false; }

int32_t TXc12DataSST::Append(TEntry e) {
  if (FTotalCount == INT32_MAX) throw XLSRWException("Index out of range");
  FSST.push_back(std::move(e));
  return FTotalCount++;
}

int32_t TXc12DataSST::AddString(std::u16string_view text) {
  if (!FHashValid) RebuildHash();
  const std::u16string escaped = FIsExcel97 ? std::u16string(text) : EscapeForPackage(text);
  if (const int32_t found = HashFind(escaped); found >= 0) return found;
  TEntry e = MakeEntry(escaped, Wide(escaped), nullptr, true);
  int32_t slot;
  if (FFreeCount > 0 && !FFreeSlots.empty()) {
    --FFreeCount;
    std::pop_heap(FFreeSlots.begin(), FFreeSlots.end(), std::greater<>());
    slot = FFreeSlots.back();
    FFreeSlots.pop_back();
    FSST[size_t(slot)] = std::move(e);
    ++FGeneration;
  } else {
    slot = Append(std::move(e));
  }
  HashAdd(slot, KeyHash(escaped));
  return slot;
}

int32_t TXc12DataSST::FileAddString(std::u16string_view text) {
  return Append(MakeEntry(text, Wide(text), nullptr, false));
}

// Control characters are dropped from the stored text, except line feeds (and, in 16-bit text,
// carriage returns).
template <typename Unit>
int32_t TXc12DataSST::AppendKept(size_t len, const Unit* data, bool wide) {
  const auto keep = [wide](Unit c) { return c >= 32 || c == 10 || (wide && c == 13); };
  // Most texts hold no control character: they are copied whole.
  size_t first = 0;
  while (first < len && keep(data[first])) ++first;
  size_t kept = first;
  for (size_t i = first; i < len; ++i) kept += keep(data[i]) ? 1 : 0;
  TEntry e = NewEntry(kept, wide, 0, false);
  Unit* out = reinterpret_cast<Unit*>(e.get() + 1);
  if (first) std::memcpy(out, data, first * sizeof(Unit));
  out += first;
  for (size_t i = first; i < len; ++i)
    if (keep(data[i])) *out++ = data[i];
  return Append(std::move(e));
}

int32_t TXc12DataSST::AddRawString(size_t len, const uint8_t* data) { return AppendKept(len, data, false); }

int32_t TXc12DataSST::AddRawString(size_t len, const char16_t* data) { return AppendKept(len, data, true); }

int32_t TXc12DataSST::AddFormattedString(std::u16string_view text, const std::vector<TXc12FontRun>& runs) {
  return Append(MakeEntry(text, Wide(text), &runs, false));
}

void TXc12DataSST::CheckIndex(int32_t index) const {
  if (index < 0 || index >= FTotalCount) throw XLSRWException("Index out of range");
}

void TXc12DataSST::UsesString(int32_t index) {
  CheckIndex(index);
  if (!FSST[size_t(index)]) throw XLSRWException("SST String is Nil");
  ++FSST[size_t(index)]->RefCount;
}

void TXc12DataSST::ReleaseString(int32_t index) {
  if (index < 0 || index >= FTotalCount || !FSST[size_t(index)]) return;
  TXLSString& s = *FSST[size_t(index)];
  if (--s.RefCount >= 1) return;
  if (IsFormattedString(s)) {
    if (FStyles) FStyles->FreeFonts(GetFontRuns(s), s.RunCount);
  } else if (FHashValid) {
    HashRemove(index);
  }
  FSST[size_t(index)].reset();
  ++FGeneration;
  if (index == FTotalCount - 1) {
    FSST.pop_back();
    --FTotalCount;
  } else {
    ++FFreeCount;
    FFreeSlots.push_back(index);
    std::push_heap(FFreeSlots.begin(), FFreeSlots.end(), std::greater<>());
  }
}

PXLSString TXc12DataSST::GetItems(int32_t index) const {
  CheckIndex(index);
  return FSST[size_t(index)].get();
}

std::u16string TXc12DataSST::GetItemText(int32_t index) const {
  const PXLSString s = GetItems(index);
  return s ? GetText(*s) : std::u16string();
}

}  // namespace xls
