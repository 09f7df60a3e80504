// Blocks, row vectors, the rebuild buffer and the vector iterator of the cell store, and the
// row-level operations of TXLSCellMMU. The byte formats are described in xlscellmmu.h.
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

#include "xls/model/xlscellmmu.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsstyleuse.h"

namespace xls {

namespace {

constexpr int32_t HDR = XLS_MMU_VECTOR_HDR;

// Gap bytes for n empty columns.
constexpr int32_t GapBytes(int32_t n) { return (n + 126) / 127; }

// Writes the gap runs for n columns; returns the position after them.
uint8_t* WriteGaps(uint8_t* p, int32_t n) {
  for (; n >= 127; n -= 127) *p++ = 0xFF;
  if (n > 0) *p++ = uint8_t(0x80 + n);
  return p;
}

bool IsGap(const uint8_t* slot) { return slot[0] >= 0x80; }
bool IsSized(const uint8_t* slot) { return slot[0] == 1 && slot[1] >= 0x80; }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Iterator

uint32_t TXLSMMUVectorIterator::SlotColumns(const uint8_t* slot) const {
  if (IsGap(slot)) return slot[0] - 0x80u;
  if (IsSized(slot)) return 1;
  return slot[0];
}

uint32_t TXLSMMUVectorIterator::SlotSize(const uint8_t* slot) const {
  if (IsGap(slot)) return 1;
  if (IsSized(slot)) return 4u + MMURead16(slot + 2);
  return 2u + uint32_t(slot[0]) * FSizes[slot[1]];
}

void TXLSMMUVectorIterator::Reset(uint8_t* vector) {
  FVector = vector;
  FSlotCount = vector ? MMURead16(vector) : 0;
  FIsEmpty = FSlotCount == 0;
  FEQIndex = FIsEmpty ? -1 : 0;
  FItem = HDR;
}

bool TXLSMMUVectorIterator::Find(int32_t& c, TXLSCellItem& item) {
  if (FIsEmpty || c < 0 || c >= FSlotCount) return false;
  if (c < FEQIndex) {
    FEQIndex = 0;
    FItem = HDR;
  }
  const uint8_t* slot = FVector + FItem;
  uint32_t cols = SlotColumns(slot);
  while (uint32_t(c) >= FEQIndex + cols) {
    FEQIndex += int32_t(cols);
    FItem += SlotSize(slot);
    slot = FVector + FItem;
    cols = SlotColumns(slot);
  }
  if (IsGap(slot)) {
    c = FEQIndex + int32_t(cols) - 1;
    return false;
  }
  if (IsSized(slot)) {
    item.XLate = slot[1];
    item.Data = FVector + FItem + 2;
  } else {
    item.XLate = slot[1];
    item.Data = FVector + FItem + 2 + uint32_t(c - FEQIndex) * FSizes[slot[1]];
  }
  return true;
}

bool TXLSMMUVectorIterator::FindNext(int32_t& c, TXLSCellItem& item) {
  if (c < 0) c = 0;
  while (c < FSlotCount) {
    if (Find(c, item)) return true;
    ++c;
  }
  return false;
}

int32_t TXLSMMUVectorIterator::FirstItem() {
  int32_t c = 0;
  TXLSCellItem item;
  return FindNext(c, item) ? c : -1;
}

int32_t TXLSMMUVectorIterator::LastItem() const { return FSlotCount - 1; }

// ---------------------------------------------------------------------------------------------
// Rebuild buffer

TXLSMMURebuildVector::TXLSMMURebuildVector(const std::array<uint8_t, 256>& sizes, const uint8_t* vector)
    : FSizes(sizes) {
  FMem.reserve(1024);
  const int32_t count = MMURead16(vector);
  FItems.reserve(size_t(count) + 1);
  uint32_t pos = HDR;
  while (int32_t(FItems.size()) < count) {
    const uint8_t* slot = vector + pos;
    if (IsGap(slot)) {
      FItems.insert(FItems.end(), slot[0] - 0x80u, kEmpty);
      pos += 1;
    } else if (IsSized(slot)) {
      const uint16_t s = MMURead16(slot + 2);
      FItems.push_back(AddRecord(slot + 1, 3u + s));
      pos += 4u + s;
    } else {
      const uint8_t n = slot[0], x = slot[1], sz = FSizes[x];
      for (uint8_t i = 0; i < n; ++i) {
        const int32_t at = AddRecord(&x, 1);
        FMem.insert(FMem.end(), slot + 2 + i * sz, slot + 2 + (i + 1) * sz);
        FItems.push_back(at);
      }
      pos += 2u + uint32_t(n) * sz;
    }
  }
  FItems.resize(size_t(count), kEmpty);
}

int32_t TXLSMMURebuildVector::AddRecord(const uint8_t* src, size_t n) {
  const int32_t at = int32_t(FMem.size());
  FMem.insert(FMem.end(), src, src + n);
  return at;
}

void TXLSMMURebuildVector::InsertXLateItem(int32_t c, uint8_t x) {
  if (size_t(c) >= FItems.size()) FItems.resize(size_t(c) + 1, kEmpty);
  FItems[size_t(c)] = AddRecord(&x, 1);
  FMem.insert(FMem.end(), FSizes[x], 0);
}

void TXLSMMURebuildVector::InsertExItem(int32_t c, uint8_t x, uint16_t s) {
  if (size_t(c) >= FItems.size()) FItems.resize(size_t(c) + 1, kEmpty);
  const uint8_t head[3] = {uint8_t(x | 0x80), uint8_t(s), uint8_t(s >> 8)};
  FItems[size_t(c)] = AddRecord(head, 3);
  FMem.insert(FMem.end(), s, 0);
}

void TXLSMMURebuildVector::InsertRecord(int32_t c, const uint8_t* record) {
  if (size_t(c) >= FItems.size()) FItems.resize(size_t(c) + 1, kEmpty);
  const size_t n = (record[0] & 0x80) ? 3u + MMURead16(record + 1) : 1u + FSizes[record[0]];
  FItems[size_t(c)] = AddRecord(record, n);
}

bool TXLSMMURebuildVector::DeleteItem(int32_t c) {
  if (c < 0 || size_t(c) >= FItems.size() || FItems[size_t(c)] == kEmpty) return false;
  FItems[size_t(c)] = kEmpty;
  while (!FItems.empty() && FItems.back() == kEmpty) FItems.pop_back();
  return true;
}

int32_t TXLSMMURebuildVector::RequiredMem() const {
  int32_t size = HDR;
  const size_t n = FItems.size();
  for (size_t i = 0; i < n;) {
    if (FItems[i] == kEmpty) {
      size_t j = i;
      while (j < n && FItems[j] == kEmpty) ++j;
      size += GapBytes(int32_t(j - i));
      i = j;
      continue;
    }
    const uint8_t x = FMem[size_t(FItems[i])];
    if (x & 0x80) {
      size += 4 + MMURead16(&FMem[size_t(FItems[i]) + 1]);
      ++i;
      continue;
    }
    size_t j = i;
    while (j < n && FItems[j] != kEmpty && FMem[size_t(FItems[j])] == x) ++j;
    const int32_t d = int32_t(j - i), sz = FSizes[x];
    size += (d / 127) * (127 * sz + 2);
    if (d % 127) size += (d % 127) * sz + 2;
    i = j;
  }
  return size;
}

uint8_t* TXLSMMURebuildVector::WriteVector(uint8_t* vector, int32_t c) {
  uint8_t* p = vector + HDR;
  uint8_t* last = p;
  uint8_t* found = nullptr;
  const size_t n = FItems.size();
  for (size_t i = 0; i < n;) {
    if (FItems[i] == kEmpty) {
      size_t j = i;
      while (j < n && FItems[j] == kEmpty) ++j;
      last = p;
      p = WriteGaps(p, int32_t(j - i));
      i = j;
      continue;
    }
    const uint8_t* rec = &FMem[size_t(FItems[i])];
    if (rec[0] & 0x80) {
      const uint16_t s = MMURead16(rec + 1);
      last = p;
      *p++ = 1;
      std::memcpy(p, rec, 3u + s);
      if (int32_t(i) == c) found = p + 1;
      p += 3u + s;
      ++i;
      continue;
    }
    const uint8_t x = rec[0], sz = FSizes[x];
    size_t j = i;
    while (j < n && FItems[j] != kEmpty && FMem[size_t(FItems[j])] == x && j - i < 127) ++j;
    last = p;
    *p++ = uint8_t(j - i);
    *p++ = x;
    for (size_t k = i; k < j; ++k) {
      if (int32_t(k) == c) found = p;
      std::memcpy(p, &FMem[size_t(FItems[k]) + 1], sz);
      p += sz;
    }
    i = j;
  }
  MMUWrite16(vector, uint16_t(n));
  MMUWrite32(vector + 2, n ? uint32_t(last - vector) : uint32_t(HDR));
  FWrittenMem = int32_t(p - vector);
  return found;
}

// ---------------------------------------------------------------------------------------------
// Vector manager

void TXLSMMUVectorManager::SetVector(uint8_t* v) {
  FVector = v;
  FIterator.Reset(v);
}

int32_t TXLSMMUVectorManager::ItemCount() const { return FVector ? MMURead16(FVector) : 0; }

int32_t TXLSMMUVectorManager::MemorySize() const {
  if (!FVector) return 0;
  if (MMURead16(FVector) == 0) return HDR;
  const uint32_t last = MMURead32(FVector + 2);
  const uint8_t* slot = FVector + last;
  uint32_t size;
  if (IsGap(slot))
    size = 1;
  else if (IsSized(slot))
    size = 4u + MMURead16(slot + 2);
  else
    size = 2u + uint32_t(slot[0]) * FSizes[slot[1]];
  return int32_t(last + size);
}

bool TXLSMMUVectorManager::GetMem(int32_t c, TXLSCellItem& item) {
  item = {};
  return FVector && FIterator.Find(c, item);
}

bool TXLSMMUVectorManager::GetNextMem(int32_t& c, TXLSCellItem& item) {
  item = {};
  return FVector && FIterator.FindNext(c, item);
}

int32_t TXLSMMUVectorManager::FirstItem() { return FVector ? FIterator.FirstItem() : -1; }

uint8_t* TXLSMMUVectorManager::Alloc(int32_t c, uint8_t x) { return AllocSlot(c, x, FSizes[x], false); }

uint8_t* TXLSMMUVectorManager::AllocEx(int32_t c, uint8_t x, uint16_t s) { return AllocSlot(c, x, s, true); }

uint8_t* TXLSMMUVectorManager::AllocSlot(int32_t c, uint8_t x, uint16_t s, bool sized) {
  TXLSMMUBlockManager& bm = FBlockManager;
  const int32_t v = bm.CurrentVectorIndex();
  const int32_t slotSize = sized ? 4 + s : 2 + s;
  const uint8_t code = sized ? uint8_t(x | 0x80) : x;
  const int32_t count = ItemCount();
  // A row that grows at its end where other rows lie behind it first moves behind them (the
  // block's rows need not lie in row order). A file gives the headers of a group of rows before
  // their cells: each row then moves once, past short rows, instead of shifting them for every
  // cell.
  if (FVector && c >= count) bm.MoveVectorToEnd(MemorySize());
  uint8_t* item;
  if (!FVector || count == 0) {
    const int32_t size = HDR + GapBytes(c) + slotSize;
    if (!FVector) {
      const int32_t offs = bm.Block()->MemSize;
      uint8_t* p = bm.GrowBlock(size);
      bm.Block()->VectorsOffs[size_t(v)] = offs;
      std::memcpy(p + 6, &bm.DefaultHeader(), XLS_MMU_ITEMSHDR_SIZE);
    } else {
      bm.ResizeVector(HDR, size);
    }
    uint8_t* vec = bm.GetVector(v);
    uint8_t* p = WriteGaps(vec + HDR, c);
    MMUWrite32(vec + 2, uint32_t(p - vec));
    p[0] = 1;
    p[1] = code;
    item = p + 2;
    MMUWrite16(vec, uint16_t(c + 1));
    FVector = vec;
  } else if (c >= count) {
    const int32_t oldSize = MemorySize();
    const uint32_t last = MMURead32(FVector + 2);
    const uint8_t* ls = FVector + last;
    if (c == count && !sized && !IsGap(ls) && !IsSized(ls) && ls[1] == x && ls[0] < 127) {
      bm.ResizeVector(oldSize, oldSize + s);
      uint8_t* vec = bm.GetVector(v);
      vec[last] += 1;
      item = vec + oldSize;
      FVector = vec;
    } else {
      const int32_t gb = GapBytes(c - count);
      bm.ResizeVector(oldSize, oldSize + gb + slotSize);
      uint8_t* vec = bm.GetVector(v);
      uint8_t* p = WriteGaps(vec + oldSize, c - count);
      MMUWrite32(vec + 2, uint32_t(p - vec));
      p[0] = 1;
      p[1] = code;
      item = p + 2;
      FVector = vec;
    }
    MMUWrite16(FVector, uint16_t(c + 1));
  } else {
    TXLSMMURebuildVector rb(FSizes, FVector);
    if (sized)
      rb.InsertExItem(c, x, s);
    else
      rb.InsertXLateItem(c, x);
    const int32_t req = rb.RequiredMem();
    bm.ResizeVector(MemorySize(), req);
    FVector = bm.GetVector(v);
    item = rb.WriteVector(FVector, c);
    if (sized && rb.WrittenMem() != req) throw XLSRWException("Rebuild ex mem error");
  }
  if (sized) MMUWrite16(item, s);
  FIterator.Reset(FVector);
  return item;
}

void TXLSMMUVectorManager::FreeMem(int32_t c1, int32_t c2) {
  const int32_t count = ItemCount();
  if (!FVector || (c1 >= count && c2 >= count)) return;
  TXLSMMURebuildVector rb(FSizes, FVector);
  bool deleted = false;
  for (int32_t c = std::max(c1, 0); c <= c2 && c < count; ++c) deleted |= rb.DeleteItem(c);
  if (!deleted) return;
  const int32_t v = FBlockManager.CurrentVectorIndex();
  if (rb.ItemCount() > 0) {
    FBlockManager.ResizeVector(MemorySize(), rb.RequiredMem());
    FVector = FBlockManager.GetVector(v);
    rb.WriteVector(FVector, -1);
    FIterator.Reset(FVector);
  } else {
    FBlockManager.RemoveVector(MemorySize());
  }
}

// ---------------------------------------------------------------------------------------------
// Block manager

void TXLSMMUBlockManager::SetBlock(TXLSMMUBlock* b) {
  FBlock = b;
  FCurrVectorIndex = -1;
  FVectManager.SetVector(nullptr);
}

uint8_t* TXLSMMUBlockManager::GetVector(int32_t v) const {
  if (!FBlock || v < 0 || v > 255) return nullptr;
  const int32_t offs = FBlock->VectorsOffs[size_t(v)];
  return offs < 0 ? nullptr : FBlock->Memory + offs;
}

TXLSMMURowHeader* TXLSMMUBlockManager::GetItemsHeader(int32_t v) const {
  uint8_t* vec = GetVector(v);
  return vec ? reinterpret_cast<TXLSMMURowHeader*>(vec + 6) : nullptr;
}

TXLSMMURowHeader* TXLSMMUBlockManager::NewVector(int32_t v) {
  if (TXLSMMURowHeader* h = GetItemsHeader(v)) return h;
  SelectVector(v);
  const int32_t offs = FBlock->MemSize;
  uint8_t* p = GrowBlock(HDR);
  FBlock->VectorsOffs[size_t(v)] = offs;
  MMUWrite16(p, 0);
  MMUWrite32(p + 2, HDR);
  std::memcpy(p + 6, &FDefaultHeader, XLS_MMU_ITEMSHDR_SIZE);
  FVectManager.SetVector(p);
  return reinterpret_cast<TXLSMMURowHeader*>(p + 6);
}

void TXLSMMUBlockManager::SelectVector(int32_t v) {
  if (v == FCurrVectorIndex && FVectManager.Vector() == GetVector(v)) return;
  FCurrVectorIndex = v;
  FVectManager.SetVector(GetVector(v));
}

bool TXLSMMUBlockManager::GetMem(int32_t v, int32_t c, TXLSCellItem& item) {
  SelectVector(v);
  return FVectManager.GetMem(c, item);
}

uint8_t* TXLSMMUBlockManager::GetNextVector(int32_t& v) const {
  for (; v >= 0 && v < 256; ++v)
    if (uint8_t* vec = GetVector(v)) return vec;
  v = -1;
  return nullptr;
}

uint8_t* TXLSMMUBlockManager::AllocMem(int32_t v, int32_t c, uint8_t x) {
  SelectVector(v);
  return FVectManager.Alloc(c, x);
}

uint8_t* TXLSMMUBlockManager::AllocMemEx(int32_t v, int32_t c, uint16_t s, uint8_t x) {
  SelectVector(v);
  return FVectManager.AllocEx(c, x, s);
}

void TXLSMMUBlockManager::FreeMem(int32_t v, int32_t c) {
  SelectVector(v);
  FVectManager.FreeMem(c, c);
}

void TXLSMMUBlockManager::FreeVector(int32_t v) {
  SelectVector(v);
  if (FVectManager.Vector()) RemoveVector(FVectManager.MemorySize());
}

void TXLSMMUBlockManager::FreeVectors(int32_t v1, int32_t v2) {
  for (int32_t v = std::max(v1, 0); v <= v2 && v < 256; ++v) FreeVector(v);
}

bool TXLSMMUBlockManager::CalcDimensions(int32_t& v1, int32_t& v2, int32_t& c1, int32_t& c2) {
  v1 = c1 = INT32_MAX;
  v2 = c2 = -2147483646;
  bool any = false;
  for (int32_t v = 0; v < 256; ++v) {
    if (!GetVector(v)) continue;
    any = true;
    SelectVector(v);
    v1 = std::min(v1, v);
    v2 = std::max(v2, v);
    const int32_t f = FVectManager.FirstItem(), l = FVectManager.LastItem();
    if (f >= 0) c1 = std::min(c1, f);
    if (l >= 0) c2 = std::max(c2, l);
  }
  return any;
}

uint8_t* TXLSMMUBlockManager::Carve(size_t size) {
  constexpr size_t kFirstBatch = size_t{1} << 14, kLargestBatch = size_t{1} << 22;
  if (size > kLargestBatch || FPoolAbandoned > FPoolTaken / 2) return nullptr;
  if (size > FPoolLeft) {
    const size_t batch = FPool.empty() ? kFirstBatch : std::min(kLargestBatch, 4 * FPool.back().size());
    FPool.emplace_back(std::max(batch, size));
    FPoolNext = FPool.back().data();
    FPoolLeft = FPool.back().size();
  }
  uint8_t* p = FPoolNext;
  FPoolNext += size;
  FPoolLeft -= size;
  FPoolTaken += size;
  return p;
}

void TXLSMMUBlockManager::FreeBlockMemory(TXLSMMUBlock& block) {
  if (!block.InPool) {
    std::free(block.Memory);
  } else if (block.Memory + block.Capacity == FPoolNext) {
    // The area carved last goes back to the free room.
    FPoolNext = block.Memory;
    FPoolLeft += block.Capacity;
    FPoolTaken -= block.Capacity;
  } else {
    FPoolAbandoned += block.Capacity;
  }
  block.Memory = nullptr;
  block.Capacity = 0;
  block.InPool = false;
}

void TXLSMMUBlockManager::ClearPool() {
  FPool.clear();
  FPoolNext = nullptr;
  FPoolLeft = FPoolTaken = FPoolAbandoned = 0;
}

void TXLSMMUBlockManager::ReplaceBlockArea(const uint8_t* data, int32_t size) {
  FreeBlockMemory(*FBlock);
  FBlock->MemSize = 0;
  FCurrVectorIndex = -1;
  Reserve(size_t(size));
  if (size > 0) std::memcpy(FBlock->Memory, data, size_t(size));
  FBlock->MemSize = size;
  FVectManager.SetVector(nullptr);
}

void TXLSMMUBlockManager::Reserve(size_t size) {
  TXLSMMUBlock& b = *FBlock;
  if (size <= b.Capacity) return;
  const size_t cap = std::max({b.Capacity + b.Capacity / 2, size, size_t(64)});
  if (b.InPool && b.Memory + b.Capacity == FPoolNext && cap - b.Capacity <= FPoolLeft) {
    // The block carved last grows in place.
    FPoolNext += cap - b.Capacity;
    FPoolLeft -= cap - b.Capacity;
    FPoolTaken += cap - b.Capacity;
    b.Capacity = cap;
    return;
  }
  if (uint8_t* p = Carve(cap)) {
    if (b.MemSize > 0) std::memcpy(p, b.Memory, size_t(b.MemSize));
    FreeBlockMemory(b);
    b.Memory = p;
    b.Capacity = cap;
    b.InPool = true;
  } else if (b.InPool) {
    auto* p = static_cast<uint8_t*>(std::malloc(cap));
    if (!p) throw std::bad_alloc();
    if (b.MemSize > 0) std::memcpy(p, b.Memory, size_t(b.MemSize));
    FreeBlockMemory(b);
    b.Memory = p;
    b.Capacity = cap;
  } else {
    void* p = std::realloc(b.Memory, cap);
    if (!p) throw std::bad_alloc();
    b.Memory = static_cast<uint8_t*>(p);
    b.Capacity = cap;
  }
  FVectManager.FVector = GetVector(FCurrVectorIndex);
}

uint8_t* TXLSMMUBlockManager::GrowBlock(int32_t a) {
  Reserve(size_t(FBlock->MemSize) + size_t(a));
  uint8_t* p = FBlock->Memory + FBlock->MemSize;
  FBlock->MemSize += a;
  return p;
}

void TXLSMMUBlockManager::MoveVectorToEnd(int32_t size) {
  TXLSMMUBlock& b = *FBlock;
  int32_t& offs = b.VectorsOffs[size_t(FCurrVectorIndex)];
  if (offs + size == b.MemSize) return;
  // The row is copied behind the end, the rows behind it close the gap, and the copy follows them.
  Reserve(size_t(b.MemSize) + size_t(size));
  std::memcpy(b.Memory + b.MemSize, b.Memory + offs, size_t(size));
  std::memmove(b.Memory + offs, b.Memory + offs + size, size_t(b.MemSize - offs));
  const int32_t moved = offs;
  for (auto& o : b.VectorsOffs) o -= o > moved ? size : 0;  // branch-free: the loop vectorises
  offs = b.MemSize - size;
  FVectManager.FVector = GetVector(FCurrVectorIndex);
}

void TXLSMMUBlockManager::ResizeVector(int32_t oldSize, int32_t newSize) {
  const int32_t diff = newSize - oldSize;
  if (diff == 0) return;
  const int32_t offs = FBlock->VectorsOffs[size_t(FCurrVectorIndex)];
  const int32_t after = offs + oldSize;
  if (diff > 0) Reserve(size_t(FBlock->MemSize) + size_t(diff));
  const bool last = after == FBlock->MemSize;  // the fast path of readers: nothing lies after it
  if (!last) std::memmove(FBlock->Memory + after + diff, FBlock->Memory + after, size_t(FBlock->MemSize - after));
  FBlock->MemSize += diff;
  if (!last)
    for (auto& o : FBlock->VectorsOffs)
      if (o > offs) o += diff;
  FVectManager.FVector = GetVector(FCurrVectorIndex);
}

void TXLSMMUBlockManager::RemoveVector(int32_t size) {
  const int32_t offs = FBlock->VectorsOffs[size_t(FCurrVectorIndex)];
  std::memmove(FBlock->Memory + offs, FBlock->Memory + offs + size, size_t(FBlock->MemSize - offs - size));
  FBlock->MemSize -= size;
  FBlock->VectorsOffs[size_t(FCurrVectorIndex)] = -1;
  for (auto& o : FBlock->VectorsOffs)
    if (o > offs) o -= size;
  if (FBlock->MemSize == 0) FreeBlockMemory(*FBlock);
  FCurrVectorIndex = -1;
  FVectManager.SetVector(nullptr);
}

// ---------------------------------------------------------------------------------------------
// Row level of the store

void TXLSCellMMU::SetXLate(int32_t index, uint8_t size) {
  if (index < 0 || index > 255) throw XLSRWException("Index out of range");
  FSizes[size_t(index)] = size;
}

bool TXLSCellMMU::SelectRowBlock(int32_t row) {
  if (row < 0 || row > XLS_MAXROW) throw XLSRWException("Cell row out of range");
  const size_t b = size_t(row) >> 8;
  while (FBlocks.size() <= b) FBlocks.push_back(std::make_unique<TXLSMMUBlock>());
  if (FBlockManager->Block() != FBlocks[b].get()) FBlockManager->SetBlock(FBlocks[b].get());
  return FBlocks[b]->VectorsOffs[size_t(row & 255)] < 0;
}

TXLSMMURowHeader* TXLSCellMMU::FindRow(int32_t row) {
  if (row < 0 || size_t(row >> 8) >= FBlocks.size()) return nullptr;
  const TXLSMMUBlock* b = FBlocks[size_t(row >> 8)].get();
  const int32_t offs = b->VectorsOffs[size_t(row & 255)];
  return offs < 0 ? nullptr : reinterpret_cast<TXLSMMURowHeader*>(b->Memory + offs + 6);
}

bool TXLSCellMMU::CalcDimensions() {
  SettlePending();
  FDimension = {-1, -1, -1, -1};
  if (FBlocks.empty()) {
    FDimension = {0, 0, 0, 0};  // as a store whose blocks hold no row
    return true;
  }
  int32_t r1 = INT32_MAX, c1 = INT32_MAX, r2 = -2147483646, c2 = -2147483646;
  for (size_t b = 0; b < FBlocks.size(); ++b) {
    if (!FBlocks[b]->Memory) continue;
    FBlockManager->SetBlock(FBlocks[b].get());
    int32_t v1, v2, bc1, bc2;
    if (!FBlockManager->CalcDimensions(v1, v2, bc1, bc2)) continue;
    r1 = std::min(r1, int32_t(b) * 256 + v1);
    r2 = std::max(r2, int32_t(b) * 256 + v2);
    if (bc1 >= 0) c1 = std::min(c1, bc1);
    if (bc2 >= 0) c2 = std::max(c2, bc2);
  }
  if (c1 > XLS_MAXCOL + 1 || c2 > XLS_MAXCOL + 1 || r1 > XLS_MAXROW + 1 || r2 > XLS_MAXROW + 1) {
    FDimension = {0, 0, 0, 0};
    return true;
  }
  FDimension = {r1, r2, c1, c2};
  return false;
}

void TXLSCellMMU::CalcRowDimensions(int32_t row, int32_t& col1, int32_t& col2) {
  col1 = col2 = -1;
  SettlePending();
  if (row < 0 || size_t(row >> 8) >= FBlocks.size()) return;
  FBlockManager->SetBlock(FBlocks[size_t(row >> 8)].get());
  int32_t v1, v2;
  FBlockManager->CalcDimensions(v1, v2, col1, col2);
}

int32_t TXLSCellMMU::LastRow() const {
  if (FBlocks.empty()) return -1;
  const size_t b = FBlocks.size() - 1;
  for (int32_t v = 255; v >= 0; --v)
    if (FBlocks[b]->VectorsOffs[size_t(v)] >= 0) return int32_t(b) * 256 + v;
  return int32_t(b) * 256 - 1;
}

void TXLSCellMMU::DeleteRows(int32_t row1, int32_t row2) {
  if (row1 < 0 || row1 > XLS_MAXROW || row2 < 0 || row2 > XLS_MAXROW || row2 < row1 || FBlocks.empty()) return;
  SettlePending();
  // Release the uses of the cells and rows that go.
  BeginIterateRow(row1 - 1);
  while (IterateNextRow() && FIterate.Row <= row2) {
    const int32_t rowStyle = FIterate.RowHeader->Style;
    bool any = false;
    BeginIterateCol();
    while (IterateNextCol()) {
      any = true;
      FreeStyle(GetStyle(FIterate.Cell));
      ReleaseCellString(FIterate.Cell);
    }
    if (any) FreeStyle(rowStyle);
  }
  const size_t b1 = size_t(row1) >> 8, b2 = size_t(row2) >> 8;
  for (size_t b = b1; b <= b2 && b < FBlocks.size(); ++b) {
    const int32_t v1 = b == b1 ? row1 & 255 : 0, v2 = b == b2 ? row2 & 255 : 255;
    if (v1 == 0 && v2 == 255) {
      FBlockManager->FreeBlockMemory(*FBlocks[b]);
      *FBlocks[b] = TXLSMMUBlock();
      if (FBlockManager->Block() == FBlocks[b].get()) FBlockManager->SetBlock(FBlocks[b].get());
    } else {
      FBlockManager->SetBlock(FBlocks[b].get());
      FBlockManager->FreeVectors(v1, v2);
    }
  }
  while (!FBlocks.empty() && !FBlocks.back()->Memory) {
    if (FBlockManager->Block() == FBlocks.back().get()) FBlockManager->SetBlock(nullptr);
    FBlocks.pop_back();
  }
  FIterate = {};
}

void TXLSCellMMU::Clear() {
  FPending.clear();
  FPendingMem.clear();
  FBlockManager->SetBlock(nullptr);
  for (auto& b : FBlocks) FBlockManager->FreeBlockMemory(*b);
  FBlocks.clear();
  FBlockManager->ClearPool();
  FBlocks.shrink_to_fit();
  FDimension = {-1, -1, -1, -1};
  FIterate = {};  // blocks are made as rows come
}

size_t TXLSCellMMU::MemoryUsed() const {
  size_t n = 0;
  for (const auto& b : FBlocks) n += size_t(b->MemSize);
  return n + FPendingMem.size() + FPending.size() * sizeof(TXLSMMUPendingCell);
}

size_t TXLSCellMMU::MemoryAllocated() const {
  size_t n = 0;
  for (const auto& b : FBlocks) n += b->Capacity + sizeof(TXLSMMUBlock);
  return n + FPendingMem.capacity() + FPending.capacity() * sizeof(TXLSMMUPendingCell);
}

void TXLSCellMMU::BeginIterateRow(int32_t row) {
  SettlePending();
  FIterate = {};
  FIterate.Row = row;
  FIterate.LastRow = LastRow();
}

void TXLSCellMMU::BeginIterate(int32_t row) {
  BeginIterateRow(row - 1);
  if (IterateNextRow()) BeginIterateCol();
}

bool TXLSCellMMU::IterateNextRow() {
  SettlePending();
  if (FBlocks.empty() || FIterate.Row >= FIterate.LastRow) {
    FIterate.Row = -1;
    return false;
  }
  while (FIterate.Row < FIterate.LastRow) {
    ++FIterate.Row;
    const size_t b = size_t(FIterate.Row) >> 8;
    TXLSMMUBlock* block = FBlocks[b].get();
    if (block->Memory) {
      int32_t v = FIterate.Row & 255;
      if (FBlockManager->Block() != block) FBlockManager->SetBlock(block);
      if (FBlockManager->GetNextVector(v)) {
        FIterate.Row = int32_t(b) * 256 + v;
        FIterate.RowHeader = FBlockManager->GetItemsHeader(v);
        FIterate.Col = -1;
        return true;
      }
    }
    FIterate.Row = int32_t(b) * 256 + 255;
  }
  FIterate.Row = -1;
  return false;
}

bool TXLSCellMMU::IterateNextCol() {
  if (FIterate.Row < 0) return false;
  ++FIterate.Col;
  TXLSMMUBlock* block = FBlocks[size_t(FIterate.Row) >> 8].get();
  if (FBlockManager->Block() != block) FBlockManager->SetBlock(block);
  FBlockManager->SelectVector(FIterate.Row & 255);
  return FBlockManager->VectManager().GetNextMem(FIterate.Col, FIterate.Cell);
}

// ---------------------------------------------------------------------------------------------
// Pending cells

namespace {

// A row that would move past more than this many bytes of its block to take a cell at its end
// takes the cell as pending instead.
constexpr int32_t kMoveBound = 1024;
// Pending bytes beyond which the cells are settled at once (record offsets stay 32-bit).
constexpr size_t kPendingBytesMax = size_t{1} << 31;

}  // namespace

uint8_t* TXLSCellMMU::AllocPending(int32_t col, int32_t row, uint8_t x, int32_t size, bool sized) {
  TXLSMMUBlock& b = *FBlockManager->Block();
  const int32_t v = row & 255;
  const int32_t offs = b.VectorsOffs[size_t(v)];
  if (offs < 0) return nullptr;  // a new row is made at the block's end
  if (!b.RowPending(v)) {
    FBlockManager->SelectVector(v);
    TXLSMMUVectorManager& vm = FBlockManager->VectManager();
    const int32_t count = vm.ItemCount();
    // In order: a row takes its first cell (moving once behind the others) or grows at its end
    // with little behind it.
    if (col >= count && (count == 0 || b.MemSize - offs - vm.MemorySize() <= kMoveBound)) return nullptr;
  }
  if (FPendingMem.size() + size_t(size) + 4 > kPendingBytesMax) {
    SettlePending();
    SelectRowBlock(row);
    return AllocPending(col, row, x, size, sized);
  }
  b.PendingRows[size_t(v) >> 6] |= uint64_t{1} << (v & 63);
  const size_t at = FPendingMem.size();
  FPending.push_back({row, col, uint32_t(at)});
  if (sized) {
    FPendingMem.resize(at + 3 + size_t(size));
    FPendingMem[at] = uint8_t(x | 0x80);
    MMUWrite16(&FPendingMem[at + 1], uint16_t(size));
  } else {
    FPendingMem.resize(at + 1 + size_t(size));
    FPendingMem[at] = x;
  }
  return &FPendingMem[at + 1];
}

void TXLSCellMMU::SettlePending() {
  if (FPending.empty()) return;
  TXLSMMUBlock* selected = FBlockManager->Block();
  // Row order, and in a row column order; a later cell at the same place stays behind an earlier
  // one and so replaces it.
  std::stable_sort(FPending.begin(), FPending.end(),
                   [](const TXLSMMUPendingCell& a, const TXLSMMUPendingCell& b) {
                     return a.Row != b.Row ? a.Row < b.Row : a.Col < b.Col;
                   });
  const TXLSMMUPendingCell* p = FPending.data();
  const TXLSMMUPendingCell* end = p + FPending.size();
  while (p != end) {
    const TXLSMMUPendingCell* q = p;
    while (q != end && (q->Row >> 8) == (p->Row >> 8)) ++q;
    SettleBlock(size_t(p->Row) >> 8, p, q);
    p = q;
  }
  FPending.clear();
  FPendingMem.clear();
  if (FPendingMem.capacity() > (size_t{1} << 20)) {
    FPending.shrink_to_fit();
    FPendingMem.shrink_to_fit();
  }
  FBlockManager->SetBlock(selected);
}

void TXLSCellMMU::SettleBlock(size_t bi, const TXLSMMUPendingCell* first, const TXLSMMUPendingCell* last) {
  TXLSMMUBlock& b = *FBlocks[bi];
  FBlockManager->SetBlock(&b);
  std::vector<uint8_t> area;
  area.reserve(size_t(b.MemSize) + FPendingMem.size() / 4);
  std::array<int32_t, 256> offs;
  offs.fill(-1);
  for (int32_t v = 0; v < 256; ++v) {
    const uint8_t* vec = FBlockManager->GetVector(v);
    if (!vec) continue;
    const size_t at = area.size();
    offs[size_t(v)] = int32_t(at);
    if (!b.RowPending(v)) {
      FBlockManager->SelectVector(v);
      area.insert(area.end(), vec, vec + FBlockManager->VectManager().MemorySize());
      continue;
    }
    TXLSMMURebuildVector rb(FSizes, vec);
    for (; first != last && (first->Row & 255) == v; ++first)
      rb.InsertRecord(first->Col, &FPendingMem[first->Offs]);
    area.resize(at + size_t(rb.RequiredMem()));
    std::memcpy(&area[at], vec, size_t(HDR));
    rb.WriteVector(&area[at], -1);
  }
  b.PendingRows = {};
  FBlockManager->ReplaceBlockArea(area.data(), int32_t(area.size()));
  b.VectorsOffs = offs;
}

bool TXLSCellMMU::IterateNext() {
  while (!IterateNextCol())
    if (!IterateNextRow()) return false;
  return true;
}

}  // namespace xls
