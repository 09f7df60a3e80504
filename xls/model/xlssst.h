// The shared string table: every text of the workbook's string cells, once, with a use count.
//
// A string cell stores only an index into the table. Entries are 8-bit (Latin-1: the byte is the
// code unit) when compression is on and every unit is below 256, else UTF-16; rich entries carry
// font runs. Plain entries are found by their text through a hash of 65535 chains so that
// storing the same text twice through the editing road shares one entry; the readers append
// entries without looking for duplicates, and the hash is rebuilt after a load, when the editing
// road first needs it (a workbook that is only read and searched never builds it).
// Design choice: the hash chains run through the slots themselves (one 32-bit link per slot, the
// text compared in the entry), and releasing a slot unlinks exactly that slot, so a freed slot
// can never be handed out by a later lookup even when the readers stored the same text twice.
// Lengths and run counts are 32-bit.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/filebytes.h"
#include "xls/model/xlsstyleuse.h"

namespace xls {

// One entry: one block of this header, the text (Len bytes for 8-bit entries, Len UTF-16 units
// for 16-bit ones) and, for rich entries, RunCount font runs.
// Options: bit 0 16-bit characters, bit 3 rich text (kinds 0, 1, 8, 9).
// Entries the readers append are carved out of large blocks owned by the table (a workbook holds
// hundreds of thousands of short strings; one heap block each costs more than reading them) and
// live until the table is cleared; entries added through the editing road are heap blocks of
// their own (HeldAlone), freed as soon as they are released.
struct TXLSString {
  int32_t RefCount = 0;
  uint32_t Len = 0;
  uint8_t Options = 0;
  bool HeldAlone = false;
  uint32_t RunCount = 0;
};
using PXLSString = TXLSString*;

class TXc12DataSST {
 public:
  // styles: the use counter of the style sheet (font uses of rich entries); may be nullptr.
  explicit TXc12DataSST(TXLSStyleUseCounter* styles = nullptr);
  ~TXc12DataSST();
  TXc12DataSST(const TXc12DataSST&) = delete;
  TXc12DataSST& operator=(const TXc12DataSST&) = delete;

  // Frees every entry. Nothing is released in the style sheet: the table is cleared together
  // with the style sheet, which is cleared next.
  void Clear();
  void AfterRead();
  // Room for `count` more entries (a reader that knows how many follow; bound it by its bytes).
  void Reserve(size_t count) { FSST.reserve(FSST.size() + count); }

  int32_t AddString(std::u16string_view text);
  int32_t FileAddString(std::u16string_view text);
  int32_t AddRawString(size_t len, const uint8_t* data);
  int32_t AddRawString(size_t len, const char16_t* data);
  int32_t AddFormattedString(std::u16string_view text, const std::vector<TXc12FontRun>& runs);
  void UsesString(int32_t index);
  void ReleaseString(int32_t index);

  PXLSString GetItems(int32_t index) const;
  std::u16string GetItemText(int32_t index) const;
  static std::u16string GetText(const TXLSString& s);
  // The entry's stored text where it lies: Len bytes (8-bit) or Len UTF-16 units (not aligned).
  static const uint8_t* TextBytes(const TXLSString& s) { return reinterpret_cast<const uint8_t*>(&s + 1); }
  static const TXc12FontRun* GetFontRuns(const TXLSString& s);
  static size_t GetFontRunsCount(const TXLSString& s);
  static bool IsFormattedString(const TXLSString& s) { return (s.Options & 0x08) != 0; }

  bool CompressStrings() const { return FCompress; }
  void SetCompressStrings(bool v) { FCompress = v; }
  int32_t TotalCount() const { return FTotalCount; }
  bool IsExcel97() const { return FIsExcel97; }
  void SetIsExcel97(bool v) { FIsExcel97 = v; }
  int32_t FreeCount() const { return FFreeCount; }
  // (h rotated left by 2) xor unit, over the UTF-16 units.
  static uint32_t KeyHash(std::u16string_view key);
  // Changes whenever an index may come to stand for another text (a slot freed or reused, the
  // table cleared); what was learnt about an entry by its index holds while it stays the same.
  uint64_t Generation() const { return FGeneration; }

 private:
  struct TEntryDeleter {
    void operator()(TXLSString* s) const;
  };
  using TEntry = std::unique_ptr<TXLSString, TEntryDeleter>;
  // A new entry with its header set and room for its text and runs: a heap block of its own
  // (alone) or a piece of the table's blocks.
  TEntry NewEntry(size_t len, bool wide, size_t runCount, bool alone);
  TEntry MakeEntry(std::u16string_view text, bool wide, const std::vector<TXc12FontRun>* runs, bool alone);
  template <typename Unit>
  int32_t AppendKept(size_t len, const Unit* data, bool wide);
  int32_t Append(TEntry e);
  void RebuildHash();
  void CheckIndex(int32_t index) const;
  bool EntryEquals(const TXLSString& s, std::u16string_view text) const;
  void HashAdd(int32_t slot, uint32_t key);
  void HashRemove(int32_t slot);
  int32_t HashFind(std::u16string_view text) const;
  bool Wide(std::u16string_view text) const;

  // Text to slots of plain entries: 65535 chains threaded through FHashNext (one link per slot).
  std::vector<int32_t> FHashHeads;
  std::vector<int32_t> FHashNext;
  std::vector<uint32_t> FHashKeys;  // KeyHash of each hashed slot's text
  bool FHashValid = false;
  TXLSStyleUseCounter* FStyles;
  std::vector<TEntry> FSST;  // slot i: entry i or none; size == FTotalCount
  // The blocks the readers' entries are carved from, and the free room of the last one.
  std::vector<kws::PageBuffer> FBlocks;
  uint8_t* FBlockNext = nullptr;
  size_t FBlockLeft = 0;
  std::vector<int32_t> FFreeSlots;  // min-heap of freed slots below FTotalCount
  int32_t FTotalCount = 0;
  int32_t FFreeCount = 0;
  bool FCompress = true;
  bool FIsExcel97 = false;
  uint64_t FGeneration = 0;
};

// The text a package shows for stored package text: every _xHHHH_ (four hexadecimal digits) is
// the character HHHH, so that _x005F_ is a "_" and _x005F_x0041_ the literal _x0041_.
std::u16string DecodePackageEscapes(std::u16string_view text);
// The stored text may hold such an escape (it holds "_x").
bool MayHoldPackageEscape(const TXLSString& s);

}  // namespace xls
