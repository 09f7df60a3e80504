// The cell store of one worksheet.
//
// Rows are grouped in blocks of 256 (row r: block r / 256, vector r % 256). A block keeps the byte
// vectors of its rows back to back (in any row order) in one area; a row vector is (little-endian):
//   0  u16  item count: columns covered by the slots (last used column + 1), 0 for no items
//   2  u32  offset of the last slot (12 when there are no items)
//   6  6    row header: options u8, style u16, outline level u8, height u16 (twentieths of a pt)
//   12 ...  slots in column order, covering columns 0 .. item count - 1 exactly:
//           gap run      $80 + n (n = 1..127 columns without item)
//           fixed run    n (1..127), code X (< $80), then n items of Size[X] bytes
//           sized item   1, X + $80, u16 length s, then s bytes (one column)
// A vector never ends with a gap run. Item codes: bits 0-4 the kind, bit 6 a leading u16 cell
// format index (style), bit 7 a sized item. Kinds: 1 blank, 2..8 numbers (int8, int16, int32,
// int32/100, int32/10000, float32, float64), 9/10 shared-string index u16/u32, 11 Boolean, 12
// error, 20..23 formulas (number, string, Boolean, error result) as sized items:
//   flags u8 (bits 0-4 formula type, $40 target area follows, $80 data-table data follow),
//   [style u16], cached result (f64 | u16 n + n UTF-16 units | u8 | u8),
//   body: u16 n, encoding u8 (0 UTF-16 text, 1 one byte per character, $FF tokens), n units,
//   [target area: u16 col1, u32 row1, u16 col2, u32 row2], [table options u8, u16/u32 R1, R2].
// Numbers are packed into the smallest kind that decodes to exactly the same double.
//
// Design choice: the formats above are kept exactly (they are what every reader and writer of
// the store agrees on), but a block's area grows geometrically behind its exact MemSize, so
// that appending cells row by row costs amortised constant time instead of one reallocation per
// cell. Block areas are carved from a pool of pages the store takes from the system in batches
// (each four times the last, up to 4 MB; small ones faulted in at once, large ones on huge
// pages): filling a large sheet costs a few system calls instead of a page fault on every page.
// The block carved last grows in place while its batch has room, which is the readers' road
// (rows come in order); a block that must grow elsewhere moves to the end of the pool. The bytes
// a block leaves behind in the pool are only given back with the store, so once they would pass
// half of what the pool handed out, blocks go to the heap instead. Positions and payload lengths
// are checked before anything is written; a bad one raises
// XLSRWException and leaves the block as it was.
//
// Cells that do not come in order (a cell left of the row's last one, or a row that would have to
// move past much of its block to grow) are not written into their row at once: rewriting the row
// for every such cell made a row filled right to left cost its length per cell. They are kept as
// records in a list of pending cells, and every operation that reads or changes stored cells
// first settles them: each block that has pending cells is rebuilt once, its pending rows merged
// with their cells (a later cell at the same place wins). Filling a store costs time linear in
// the cells whatever their order; the in-order road is unchanged. A row with pending cells takes
// every further cell as pending until they are settled.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/filebytes.h"
#include "xls/model/xlscellarea.h"

namespace xls {

class TXc12DataSST;
class TXLSStyleUseCounter;

inline constexpr int32_t XLS_MMU_ITEMSHDR_SIZE = 6;
inline constexpr int32_t XLS_MMU_VECTOR_HDR = 6 + XLS_MMU_ITEMSHDR_SIZE;  // count, last slot, header

enum TXLSRowOption : uint8_t {
  xroHidden = 0x01, xroCustomHeight = 0x02, xroCollapsed = 0x04, xroThickTop = 0x08, xroThickBottom = 0x10,
  xroPhonetic = 0x20
};

#pragma pack(push, 1)
struct TXLSMMURowHeader {
  uint8_t Options = 0;  // set of TXLSRowOption
  uint16_t Style = 0;
  uint8_t OutlineLevel = 0;
  uint16_t Height = 300;
};
#pragma pack(pop)
static_assert(sizeof(TXLSMMURowHeader) == XLS_MMU_ITEMSHDR_SIZE);

// A stored cell: its code as stored (+ $80 for a sized item) and the address of its first byte
// (the length field of a sized item); Data is nullptr when the cell has no item. Valid until the
// row vector or its block changes.
struct TXLSCellItem {
  uint32_t XLate = 0;
  uint8_t* Data = nullptr;
};

struct TXLSMMUBlock {
  int32_t MemSize = 0;
  uint8_t* Memory = nullptr;
  std::array<int32_t, 256> VectorsOffs;
  size_t Capacity = 0;  // bytes allocated behind Memory (>= MemSize)
  bool InPool = false;  // Memory lies in the store's page pool (else on the heap)
  std::array<uint64_t, 4> PendingRows{};  // rows of the block with pending cells (bit per row)
  TXLSMMUBlock() { VectorsOffs.fill(-1); }
  bool RowPending(int32_t v) const { return (PendingRows[size_t(v) >> 6] >> (v & 63)) & 1; }
};

// Little-endian access to the store's bytes.
inline uint16_t MMURead16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t MMURead32(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }
inline void MMUWrite16(uint8_t* p, uint16_t v) { p[0] = uint8_t(v), p[1] = uint8_t(v >> 8); }
inline void MMUWrite32(uint8_t* p, uint32_t v) { p[0] = uint8_t(v), p[1] = uint8_t(v >> 8), p[2] = uint8_t(v >> 16), p[3] = uint8_t(v >> 24); }

// Walks the slots of one row vector; keeps its position so that a left-to-right walk reads each
// slot once.
class TXLSMMUVectorIterator {
 public:
  explicit TXLSMMUVectorIterator(const std::array<uint8_t, 256>& sizes) : FSizes(sizes) {}
  void Reset(uint8_t* vector);
  // The item at column c; false in a gap (c := the gap's last column) or outside the items.
  bool Find(int32_t& c, TXLSCellItem& item);
  // The first item at column c or later.
  bool FindNext(int32_t& c, TXLSCellItem& item);
  int32_t FirstItem();
  int32_t LastItem() const;

 private:
  uint32_t SlotColumns(const uint8_t* slot) const;
  uint32_t SlotSize(const uint8_t* slot) const;

  const std::array<uint8_t, 256>& FSizes;
  uint8_t* FVector = nullptr;
  int32_t FSlotCount = 0;  // item count of the vector
  bool FIsEmpty = true;
  int32_t FEQIndex = -1;  // first column of the current slot
  uint32_t FItem = 0;     // offset of the current slot
};

// Rewrites a row vector after an insertion or deletion inside it.
class TXLSMMURebuildVector {
 public:
  TXLSMMURebuildVector(const std::array<uint8_t, 256>& sizes, const uint8_t* vector);
  void InsertXLateItem(int32_t c, uint8_t x);
  void InsertExItem(int32_t c, uint8_t x, uint16_t s);
  bool DeleteItem(int32_t c);
  // Puts the record [X][bytes] (a sized item: [X + $80][u16 s][s bytes]) at column c.
  void InsertRecord(int32_t c, const uint8_t* record);
  int32_t RequiredMem() const;
  // Writes the slots after the vector's header; returns the address of column c's item or
  // nullptr (c < 0 asks for none).
  uint8_t* WriteVector(uint8_t* vector, int32_t c);
  int32_t ItemCount() const { return int32_t(FItems.size()); }
  int32_t WrittenMem() const { return FWrittenMem; }

 private:
  static constexpr int32_t kEmpty = INT32_MAX;
  int32_t AddRecord(const uint8_t* src, size_t n);
  const std::array<uint8_t, 256>& FSizes;
  std::vector<uint8_t> FMem;
  std::vector<int32_t> FItems;  // per column: offset of the record [X][bytes] in FMem, or kEmpty
  int32_t FWrittenMem = 0;
};

class TXLSMMUBlockManager;

// Works on one row vector of the current block.
class TXLSMMUVectorManager {
 public:
  TXLSMMUVectorManager(TXLSMMUBlockManager& bm, const std::array<uint8_t, 256>& sizes)
      : FBlockManager(bm), FSizes(sizes), FIterator(sizes) {}
  uint8_t* Alloc(int32_t c, uint8_t x);
  uint8_t* AllocEx(int32_t c, uint8_t x, uint16_t s);
  void FreeMem(int32_t c1, int32_t c2);
  bool GetMem(int32_t c, TXLSCellItem& item);
  bool GetNextMem(int32_t& c, TXLSCellItem& item);
  int32_t FirstItem();
  int32_t LastItem() const { return FIterator.LastItem(); }
  int32_t ItemCount() const;
  int32_t MemorySize() const;
  uint8_t* Vector() const { return FVector; }
  void SetVector(uint8_t* v);

 private:
  friend class TXLSMMUBlockManager;
  uint8_t* AllocSlot(int32_t c, uint8_t x, uint16_t s, bool sized);
  TXLSMMUBlockManager& FBlockManager;
  const std::array<uint8_t, 256>& FSizes;
  uint8_t* FVector = nullptr;
  TXLSMMUVectorIterator FIterator;
};

// Works on one block (256 rows) at a time.
class TXLSMMUBlockManager {
 public:
  TXLSMMUBlockManager(const std::array<uint8_t, 256>& sizes, const TXLSMMURowHeader& defaultHeader)
      : FVectManager(*this, sizes), FDefaultHeader(defaultHeader) {}
  TXLSMMUBlock* Block() const { return FBlock; }
  void SetBlock(TXLSMMUBlock* b);
  uint8_t* GetVector(int32_t v) const;
  TXLSMMURowHeader* GetItemsHeader(int32_t v) const;
  TXLSMMURowHeader* NewVector(int32_t v);
  bool GetMem(int32_t v, int32_t c, TXLSCellItem& item);
  uint8_t* GetNextVector(int32_t& v) const;
  uint8_t* AllocMem(int32_t v, int32_t c, uint8_t x);
  uint8_t* AllocMemEx(int32_t v, int32_t c, uint16_t s, uint8_t x);
  void FreeMem(int32_t v, int32_t c);
  void FreeVector(int32_t v);
  void FreeVectors(int32_t v1, int32_t v2);
  int32_t _VectorItemsCount() const { return FVectManager.ItemCount(); }
  // Over the block: first and last vector index and first and last used column. False when the
  // block holds no vector.
  bool CalcDimensions(int32_t& v1, int32_t& v2, int32_t& c1, int32_t& c2);
  TXLSMMUVectorManager& VectManager() { return FVectManager; }

  // Block area changes (used by the vector manager).
  uint8_t* GrowBlock(int32_t a);
  void ResizeVector(int32_t oldSize, int32_t newSize);
  // Moves the current row vector (of `size` bytes) behind every other row of the block.
  void MoveVectorToEnd(int32_t size);
  void RemoveVector(int32_t size);
  void SelectVector(int32_t v);
  int32_t CurrentVectorIndex() const { return FCurrVectorIndex; }
  const TXLSMMURowHeader& DefaultHeader() const { return FDefaultHeader; }
  // Gives up a block's area (the block is left without one).
  void FreeBlockMemory(TXLSMMUBlock& block);
  // Gives every pool page back; no block may hold pool memory any more.
  void ClearPool();
  // Gives the current block a new area holding `size` bytes from `data`.
  void ReplaceBlockArea(const uint8_t* data, int32_t size);

 private:
  void Reserve(size_t size);
  // A pool area of `size` bytes; nullptr when the pool is closed or the size too large for it.
  uint8_t* Carve(size_t size);
  TXLSMMUBlock* FBlock = nullptr;
  std::vector<kws::PageBuffer> FPool;
  uint8_t* FPoolNext = nullptr;  // the free room of the last batch
  size_t FPoolLeft = 0;
  size_t FPoolTaken = 0;      // bytes handed to blocks
  size_t FPoolAbandoned = 0;  // of those, bytes no block holds any more
  TXLSMMUVectorManager FVectManager;
  int32_t FCurrVectorIndex = -1;
  const TXLSMMURowHeader& FDefaultHeader;
};

enum class TXLSCellFormulaType : uint8_t {
  xcftNormal, xcftArray, xcftDataTable, xcftArrayChild, xcftArrayChild97, xcftDataTableChild
};

#pragma pack(push, 1)
struct TXLSFormulaArea {
  uint16_t Col1 = 0;
  uint32_t Row1 = 0;
  uint16_t Col2 = 0;
  uint32_t Row2 = 0;
};
struct TXLSFormulaRef {
  uint16_t Col = 0xFFFF;
  uint32_t Row = 0;
};
#pragma pack(pop)

// The staging record of one formula cell (stored by StoreFormula, filled by RetriveFormula).
class TXLSFormulaHelper {
 public:
  TXLSFormulaHelper() { Clear(); }
  void Clear();

  double AsFloat() const;
  void SetAsFloat(double v);
  const std::u16string& AsString() const { return FStrResult; }
  void SetAsString(std::u16string v);
  bool AsBoolean() const { return (FResult & 0xFF) != 0; }
  void SetAsBoolean(bool v);
  TXc12CellError AsError() const { return static_cast<TXc12CellError>(FResult & 0xFF); }
  void SetAsError(TXc12CellError e);  // errUnknown: "Invalid error value"
  std::u16string AsErrorStr() const;
  void SetAsErrorStr(std::u16string_view s);

  void AllocPtgs(const uint8_t* ptgs, int32_t size);
  void AllocPtgs97(const uint8_t* ptgs, int32_t size);
  void AllocPtgsArrayConsts97(const uint8_t* ptgs, int32_t size, int32_t constSize);
  // Points at tokens without owning them (PtgsSize is written separately).
  void SetPtgs(const uint8_t* ptgs);
  const uint8_t* Ptgs() const { return FPtgs; }

  std::u16string Ref() const { return ColRowToRefStr(FCol, FRow); }
  void SetR1(int32_t col, int32_t row) { FR1 = {uint16_t(col), uint32_t(row)}; }
  void SetR2(int32_t col, int32_t row) { FR2 = {uint16_t(col), uint32_t(row)}; }
  std::u16string StrR1() const;
  void SetStrR1(std::u16string_view s);
  std::u16string StrR2() const;
  void SetStrR2(std::u16string_view s);
  void SetTargetRef(int32_t col1, int32_t row1, int32_t col2, int32_t row2);
  std::u16string StrTargetRef() const;
  void SetStrTargetRef(std::u16string_view s);
  // Payload bytes of the formula item.
  int32_t AllocSize();

  int32_t FCol = -1, FRow = -1;
  int32_t FParentCol = 0, FParentRow = 0;
  int32_t FStyle = 64;
  std::u16string FFormula;
  bool FFmlaIs8Bit = false;
  int32_t FPtgsSize = -1;
  TXLSCellType FCellType = TXLSCellType::xctNone;
  TXLSCellFormulaType FFormulaType = TXLSCellFormulaType::xcftNormal;
  TXLSFormulaArea FTargetRef;
  bool FHasApply = false;
  uint64_t FResult = 0;
  std::u16string FStrResult;
  TXLSFormulaRef FR1, FR2;
  bool FIsTABLE = false;
  uint8_t FOptions = 0;
  uint8_t FTableOptions = 0;

 private:
  const uint8_t* FPtgs = nullptr;
  std::vector<uint8_t> FOwnedPtgs;
};

// A cell waiting to be written into its row: its record lies at Offs in the store's pending bytes.
struct TXLSMMUPendingCell {
  int32_t Row, Col;
  uint32_t Offs;
};

// Row iteration state.
struct TXLSCellMMUIterate {
  int32_t Col = -1, Row = -1, LastRow = -1;
  TXLSMMURowHeader* RowHeader = nullptr;
  TXLSCellItem Cell;
};

// The cell store of one worksheet.
class TXLSCellMMU {
 public:
  // sst and styles are not owned; either may be nullptr (no string storing / no use counting).
  TXLSCellMMU(int32_t sheetIndex, TXc12DataSST* sst, TXLSStyleUseCounter* styles);
  ~TXLSCellMMU();
  TXLSCellMMU(const TXLSCellMMU&) = delete;
  TXLSCellMMU& operator=(const TXLSCellMMU&) = delete;

  // Size of fixed item code x; raises "Index out of range" above 255.
  void SetXLate(int32_t index, uint8_t size);

  // ---- rows and blocks
  bool SelectRowBlock(int32_t row);
  TXLSMMURowHeader* FindRow(int32_t row);
  bool CalcDimensions();
  void CalcRowDimensions(int32_t row, int32_t& col1, int32_t& col2);
  int32_t LastRow() const;
  void DeleteRows(int32_t row1, int32_t row2);
  void Clear();
  size_t BlockCount() const { return FBlocks.size(); }
  // A block as stored (pending cells are not in it until they are settled).
  const TXLSMMUBlock& Blocks(size_t i) const { return *FBlocks[i]; }
  // Writes the pending cells into their rows (every reading operation does it first).
  void SettlePending();
  // Bytes in use over all blocks and pending cells, and bytes allocated for them.
  size_t MemoryUsed() const;
  size_t MemoryAllocated() const;

  // ---- iteration
  void BeginIterate(int32_t row);
  void BeginIterateRow(int32_t row);
  void BeginIterateCol() { FIterate.Col = -1; }
  bool IterateNext();
  bool IterateNextRow();
  bool IterateNextCol();
  int32_t IterCellRow() const { return FIterate.Row; }
  int32_t IterCellCol() const { return FIterate.Col; }
  TXLSMMURowHeader* IterRow() const { return FIterate.RowHeader; }
  const TXLSCellItem& IterCell() const { return FIterate.Cell; }
  int32_t IterGetStyleIndex() const { return GetStyle(FIterate.Cell); }

  // ---- storing
  void StoreBlank(int32_t col, int32_t row, int32_t style, bool acceptDefStyle = false);
  void StoreBoolean(int32_t col, int32_t row, int32_t style, bool value);
  void StoreError(int32_t col, int32_t row, int32_t style, TXc12CellError value);
  void StoreFloat(int32_t col, int32_t row, int32_t style, double value);
  void StoreString(int32_t col, int32_t row, int32_t style, std::u16string_view text);
  void StoreString(int32_t col, int32_t row, int32_t style, int32_t sstIndex);
  void StoreFormula();
  void UpdateBlankOF(int32_t col, int32_t row, int32_t style);
  void UpdateBooleanOF(int32_t col, int32_t row, bool value, int32_t style);
  void UpdateErrorOF(int32_t col, int32_t row, TXc12CellError value, int32_t style);
  void UpdateFloatOF(int32_t col, int32_t row, double value, int32_t style);
  void UpdateStringOF(int32_t col, int32_t row, std::u16string_view value, int32_t style);
  void AddRow(int32_t row, int32_t style);
  void SetRowStyle(int32_t row, int32_t style) { AddRow(row, style); }
  void SetStyle(int32_t col, int32_t row, int32_t style);
  void SetStyle(int32_t col, int32_t row, TXLSCellItem cell, int32_t style);
  void ClearCell(int32_t col, int32_t row);
  void DeleteCell(int32_t col, int32_t row);

  // ---- reading
  TXLSCellItem FindCell(int32_t col, int32_t row);
  bool FindCell(int32_t col, int32_t row, TXLSCellItem& cell) {
    cell = FindCell(col, row);
    return cell.Data != nullptr;
  }
  TXLSCellType CellType(const TXLSCellItem& cell) const;
  int32_t GetStyle(const TXLSCellItem& cell) const;
  bool GetBoolean(const TXLSCellItem& cell) const;
  TXc12CellError GetError(const TXLSCellItem& cell) const;
  double GetFloat(const TXLSCellItem& cell) const;
  std::u16string GetString(const TXLSCellItem& cell) const;
  int32_t GetStringSST(const TXLSCellItem& cell) const;
  bool GetBlank(int32_t col, int32_t row);
  bool GetEmpty(int32_t col, int32_t row);
  bool IsFormulaCompiled(const TXLSCellItem& cell) const;
  std::u16string GetFormula(const TXLSCellItem& cell) const;
  // The token bytes (inside the store) and their count.
  int32_t GetFormulaPtgs(const TXLSCellItem& cell, const uint8_t*& ptgs) const;
  double GetFormulaValFloat(const TXLSCellItem& cell) const;
  std::u16string GetFormulaValString(const TXLSCellItem& cell) const;
  bool GetFormulaValBoolean(const TXLSCellItem& cell) const;
  TXc12CellError GetFormulaValError(const TXLSCellItem& cell) const;
  void RetriveFormula(const TXLSCellItem& cell);

  // Made at its first use (an empty sheet costs little).
  TXLSFormulaHelper& FormulaHelper() {
    if (!FFormulaHelper) FFormulaHelper = std::make_unique<TXLSFormulaHelper>();
    return *FFormulaHelper;
  }
  TXLSMMUBlockManager& BlockManager() {
    SettlePending();
    return *FBlockManager;
  }
  const TXLSMMURowHeader& DefaultRowHdr() const { return FDefaultRowHdr; }
  TXLSMMURowHeader FDefaultRowHdr;
  TXLSCellArea FDimension{-1, -1, -1, -1};
  int32_t FSheetIndex;

 private:
  void CheckAndUse(int32_t col, int32_t row, int32_t style);
  uint8_t* AllocItem(int32_t col, int32_t row, uint8_t x);
  uint8_t* AllocItemEx(int32_t col, int32_t row, uint8_t x, int32_t size);
  // The item's bytes as a pending cell when (col, row) cannot be written in place cheaply; nullptr
  // when it can. The row's block is selected.
  uint8_t* AllocPending(int32_t col, int32_t row, uint8_t x, int32_t size, bool sized);
  void SettleBlock(size_t b, const TXLSMMUPendingCell* first, const TXLSMMUPendingCell* last);
  void UseStyle(int32_t style);
  void FreeStyle(int32_t style);
  void ReleaseCellString(const TXLSCellItem& cell);
  const uint8_t* FormulaBody(const TXLSCellItem& cell) const;
  void WriteStyledFixed(int32_t col, int32_t row, int32_t style, uint8_t kind, const void* value, size_t n);
  bool ExistingStyle(int32_t col, int32_t row, int32_t& style);
  // Gives back the uses of the cell's string and format; the style to store with.
  int32_t PrepareUpdate(int32_t col, int32_t row, int32_t style);

  TXc12DataSST* FSST;
  TXLSStyleUseCounter* FStyles;
  std::array<uint8_t, 256> FSizes{};
  std::vector<std::unique_ptr<TXLSMMUBlock>> FBlocks;
  std::unique_ptr<TXLSMMUBlockManager> FBlockManager;
  std::unique_ptr<TXLSFormulaHelper> FFormulaHelper;
  TXLSCellMMUIterate FIterate;
  std::vector<TXLSMMUPendingCell> FPending;
  std::vector<uint8_t> FPendingMem;  // the pending cells' records
};

// Packing of a number: the kind (2..6 or 8) and the stored value bits (the integer for kinds
// 2..6, the double's bits for kind 8). A short kind is used only when it decodes to exactly x.
struct TXLSEncodedFloat {
  uint8_t Kind;
  int64_t Int;
  double Float;
};
TXLSEncodedFloat EncodeFloat(double x);

}  // namespace xls
