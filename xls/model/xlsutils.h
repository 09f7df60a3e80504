// Small shared routines and list classes of the engine.
//
// Character search and splitting count 1-based positions in UTF-16 code units. `CRC32Bytes` is
// the CRC-32 register (reflected polynomial EDB88320, start FFFFFFFF) without the final
// inversion, so "abc" gives CADBBE3D; the model uses it as a hash of style records, never as a
// file checksum. `LegacyPasswordHash` is the 16-bit password verifier of sheet and workbook
// protection in the legacy binary file format ([MS-XLS] 2.2.9).
// Design choice: the list classes are thin wrappers over std::vector that keep the engine's
// names and raise std::out_of_range for a bad index, so callers get one checked access path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace xls {

// Raises the list-index error (std::out_of_range) for a position outside a list.
[[noreturn]] void ListIndexError(size_t index);

// 1-based position of the first `c` in `text`; -1 when absent or the text is empty.
int FindCharPos(char16_t c, std::u16string_view text);
// 1-based position of the last `c` in `text`; -1 when absent.
int FindLastCharPos(char16_t c, std::u16string_view text);
// head := the part before the first `c`, text := the part after it; without `c` head := the
// whole text and text := empty.
void SplitAtChar(char16_t c, std::u16string& text, std::u16string& head);

// CRC-32 register over `count` bytes (no final inversion); FFFFFFFF for a count below 1.
uint32_t CRC32Bytes(const void* bytes, int count);

double EMUToCm(int32_t emu);
int32_t CmToEMU(double cm);  // rounded half to even

// True when every code unit is at most 255 (an empty text is 8-bit).
bool Is8BitText(std::u16string_view text);
// Removes the first and last character when both are '"' or both are '\'' (length >= 2).
void StripQuotes(std::u16string& text);

// The legacy 16-bit password verifier over at most the first 15 bytes (Latin-1 text).
uint16_t LegacyPasswordHash(std::string_view password);

// minimum when value < minimum or the comparison is unordered (NaN), maximum when value >
// maximum, else value.
double ClampFloat(double value, double minimum, double maximum);
int32_t ClampInt(int32_t value, int32_t minimum, int32_t maximum);

// Exchanges bits 0-7 and 16-23 of a 24-bit colour; bits 24-31 are dropped.
uint32_t SwapRedBlue(uint32_t colour);

// 2n blanks.
std::u16string Spaces(int n);

// Hue (bits 16-23), saturation (bits 8-15) and lightness (bits 0-7), each byte scaled to 0..1
// by dividing by 255, to an RGB value with red in bits 16-23.
uint32_t HSLToRGB(uint32_t hsl);

// Adjusts the line range first..last after lines d1..d2 were deleted. False when the whole
// range is gone (first and last are then unchanged).
bool AdjustRangeOnDelete(int32_t& first, int32_t& last, int32_t d1, int32_t d2);

// A list of 32-bit integers.
// An owning list of plain items: Add appends one in its default state.
template <class T>
class TXc12PlainList {
 public:
  T* Add() {
    FItems.push_back(std::make_unique<T>());
    return FItems.back().get();
  }
  size_t Count() const { return FItems.size(); }
  T* Items(size_t index) const { return FItems.at(index).get(); }
  void Clear() { FItems.clear(); }

 private:
  std::vector<std::unique_ptr<T>> FItems;
};

class TIntegerList {
 public:
  virtual ~TIntegerList() = default;
  void Add(int32_t value) { FItems.push_back(value); }
  int32_t Items(size_t index) const;
  int32_t GetItems(size_t index) const { return Items(index); }
  void SetItems(size_t index, int32_t value);
  size_t Count() const { return FItems.size(); }
  void Delete(size_t index);
  void Clear() { FItems.clear(); }

 protected:
  std::vector<int32_t> FItems;
};

// A stack of 32-bit integers.
class TIntegerStack : public TIntegerList {
 public:
  void Push(int32_t value) { Add(value); }
  // Returns the last value and removes it; std::out_of_range on an empty stack.
  int32_t Pop();
};

// A distinct address for each class, naming the class in RequestObject.
template <class T>
const void* ClassId() {
  static const char id = 0;
  return &id;
}

// An object that knows its position in the owning TIndexObjectList.
class TIndexObject {
 public:
  virtual ~TIndexObject() = default;
  int32_t Index() const { return FIndex; }
  // Objects that hold other objects answer for them; the base holds none.
  virtual void* RequestObject(const void* classId) {
    (void)classId;
    return nullptr;
  }

 private:
  friend class TIndexObjectList;
  friend class TXLSIndexObjectListBase;
  int32_t FIndex = 0;
};

// An owning list of TIndexObject that keeps every item's FIndex equal to its position.
class TIndexObjectList {
 public:
  virtual ~TIndexObjectList();
  // Appends the item; its index becomes Count() - 1. Returns the item.
  TIndexObject* Add(std::unique_ptr<TIndexObject> item);
  // Frees the item at `index` and renumbers the rest.
  void Delete(size_t index);
  // Removes the item at `index` without freeing it and renumbers the rest.
  std::unique_ptr<TIndexObject> Extract(size_t index);
  void Clear();
  size_t Count() const { return FItems.size(); }
  TIndexObject* Items(size_t index) const;
  bool IsClearing() const { return FIsClearing; }

 protected:
  void ReIndex();

 private:
  std::vector<std::unique_ptr<TIndexObject>> FItems;
  bool FIsClearing = false;
};

// A read-only stream over memory it neither copies nor owns.
class TPointerMemoryStream {
 public:
  void SetStreamData(const void* data, size_t size);
  // Copies up to `count` bytes from the position on; returns how many were copied.
  size_t Read(void* buffer, size_t count);
  // Moves the position to `pos`, at most to the end.
  void Seek(size_t pos) { FPosition = pos < FSize ? pos : FSize; }
  size_t Position() const { return FPosition; }
  size_t Size() const { return FSize; }
  std::span<const std::byte> Bytes() const { return {FData, FSize}; }

 private:
  const std::byte* FData = nullptr;
  size_t FSize = 0;
  size_t FPosition = 0;
};

}  // namespace xls
