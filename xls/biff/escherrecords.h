// Office drawing records (MS-ODRAW) as the legacy workbook stores them: the 8-byte record header,
// a bounded cursor over drawing bytes, raw drawing records kept as they were read
// (`TMSORecords`) and the shape property table (`TOPT`, OfficeArtFOPT).
//
// Format facts (MS-ODRAW 2.1.2, 2.2.9, 2.3.1):
// - A record header is 8 bytes, little-endian: 16-bit version (bits 0-3) and instance (bits
//   4-15), 16-bit record type, 32-bit body length. Version 0xF marks a container whose body is a
//   sequence of records.
// - A property table (type 0xF00B, tertiary 0xF122) holds `instance` entries of 6 bytes (16-bit
//   id: bits 0-13 property number, bit 14 fBid, bit 15 fComplex; 32-bit value), followed by the
//   extra data of the complex entries in entry order, `value` bytes each.
//
// Design: a record is always consumed by its own length. The property table takes its whole body
// first and cuts entries and complex data out of it, so an entry count, a complex length or a
// missing byte can never move the reader off the record boundary; entries past the instance
// count are dropped with their data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace xls::biff {

// Record types of the drawing layer.
inline constexpr uint16_t MSO_DGGCONTAINER = 0xF000;
inline constexpr uint16_t MSO_BSTORECONTAINER = 0xF001;
inline constexpr uint16_t MSO_DGCONTAINER = 0xF002;
inline constexpr uint16_t MSO_SPGRCONTAINER = 0xF003;
inline constexpr uint16_t MSO_SPCONTAINER = 0xF004;
inline constexpr uint16_t MSO_SOLVERCONTAINER = 0xF005;
inline constexpr uint16_t MSO_DGG = 0xF006;
inline constexpr uint16_t MSO_BSE = 0xF007;
inline constexpr uint16_t MSO_DG = 0xF008;
inline constexpr uint16_t MSO_SPGR = 0xF009;
inline constexpr uint16_t MSO_SP = 0xF00A;
inline constexpr uint16_t MSO_OPT = 0xF00B;
inline constexpr uint16_t MSO_CLIENTTEXTBOX = 0xF00D;
inline constexpr uint16_t MSO_CHILDANCHOR = 0xF00F;
inline constexpr uint16_t MSO_CLIENTANCHOR = 0xF010;
inline constexpr uint16_t MSO_CLIENTDATA = 0xF011;
inline constexpr uint16_t MSO_CLSID = 0xF016;
inline constexpr uint16_t MSO_BLIPFIRST = 0xF018;
inline constexpr uint16_t MSO_BLIPLAST = 0xF117;
inline constexpr uint16_t MSO_FRITCONTAINER = 0xF118;
inline constexpr uint16_t MSO_COLORMRUCONTAINER = 0xF11A;
inline constexpr uint16_t MSO_SPLITMENUCOLORCONTAINER = 0xF11E;
inline constexpr uint16_t MSO_TERTIARYOPT = 0xF122;

// The 8-byte drawing record header.
struct TMSOHeader {
  uint16_t VerInst = 0;
  uint16_t FBT = 0;
  uint32_t Length = 0;
  uint16_t Version() const { return VerInst & 0x000F; }
  uint16_t Instance() const { return VerInst >> 4; }
  bool IsContainer() const { return Version() == 0x000F; }
  static TMSOHeader FromBytes(const uint8_t* p);
  void ToBytes(uint8_t* p) const;
};

// Reads drawing bytes from memory; every read is bounded by the bytes present and raises
// XLSRWException when they are not there.
class TMSOCursor {
 public:
  explicit TMSOCursor(std::span<const uint8_t> data) : FData(data) {}
  size_t Pos() const { return FPos; }
  size_t Remaining() const { return FData.size() - FPos; }
  // The next `n` bytes; raises `message` when fewer are left.
  std::span<const uint8_t> Take(size_t n, const char* message = "Unexpected end of drawing data");
  TMSOHeader Header(const char* message = "MSOHeader split in drawing data");
  uint16_t U16();
  uint32_t U32();
  // The record type of the next header without moving; 0 when no header follows.
  uint16_t PeekFBT() const;

 private:
  std::span<const uint8_t> FData;
  size_t FPos = 0;
};

// Raw drawing records, each the 8-byte header followed, for a record that is not a container, by
// its body.
class TMSORecords {
 public:
  void Add(const TMSOHeader& header, std::span<const uint8_t> body);
  size_t Count() const { return FItems.size(); }
  TMSOHeader GetHeader(size_t i) const { return TMSOHeader::FromBytes(FItems.at(i).data()); }
  uint16_t GetVersion(size_t i) const { return GetHeader(i).Version(); }
  uint16_t GetInstance(size_t i) const { return GetHeader(i).Instance(); }
  uint16_t GetFBT(size_t i) const { return GetHeader(i).FBT; }
  uint32_t GetLength(size_t i) const { return GetHeader(i).Length; }
  std::span<const uint8_t> GetData(size_t i) const { return std::span<const uint8_t>(FItems.at(i)).subspan(8); }
  // 8 for each container, Length + 8 for each other record.
  int64_t Size() const;
  void Clear() { FItems.clear(); }

 private:
  std::vector<std::vector<uint8_t>> FItems;
};

// One shape property.
struct TOPTItem {
  uint16_t Id = 0;  // as stored: property number, fBid (bit 14), fComplex (bit 15)
  uint32_t Value = 0;
  std::vector<uint8_t> Data;  // complex data (Value bytes) of a complex entry
  bool IsComplex() const { return (Id & 0x8000) != 0; }
  bool IsBlip() const { return (Id & 0x4000) != 0; }
  uint16_t Number() const { return Id & 0x3FFF; }
};

// A shape property table.
class TOPT {
 public:
  // Reads a table record body of `length` bytes holding `itemCount` entries (the record's
  // instance). Raises "Error when reading OPT items, Length <> 0" when the entries and their
  // complex data do not fill the body exactly.
  void LoadFromBuffer(std::span<const uint8_t> body, uint32_t itemCount);
  size_t Count() const { return FItems.size(); }
  const TOPTItem& Item(size_t i) const { return FItems.at(i); }
  uint32_t ItemCount() const { return FItemCount; }
  // Index of the first entry with this property number, or -1.
  int Find(uint16_t id) const;
  // Its value, or -1 when absent.
  int64_t FindValue(uint16_t id) const;
  // Its complex data as UTF-16 text without the trailing null; empty when absent.
  std::u16string FindString(uint16_t id) const;
  // Value of the first entry with fBid set and fComplex clear (else of a simple picture property
  // 0x0104, which some writers store without fBid), or -1.
  int64_t BlipId() const;
  // Raises "Shape has no Blip Id" when there is none.
  void SetBlipId(uint32_t v);
  // Value of property 0x0080 (lTxid), or 0.
  uint32_t TxId() const;
  uint16_t GetId(size_t i) const { return FItems.at(i).Number(); }
  uint32_t GetValue(size_t i) const { return FItems.at(i).Value; }
  // Raises "OPT value is complex" for a complex entry.
  void SetValue(size_t i, uint32_t v);
  void UpdateValue(uint16_t id, uint32_t v);
  void UpdateString(uint16_t id, std::u16string_view s);
  // Appends an entry (fBid when isBlip); rotation (0x0004) is inserted first.
  void AddValue(uint16_t id, uint32_t v, bool isBlip = false);
  // Appends a complex entry (fBid and fComplex) with the text and a 2-byte null.
  void AddString(uint16_t id, std::u16string_view s);
  // Appends a complex entry with `size` zero bytes.
  void AddExtra(uint16_t id, uint32_t size, bool isBlip = false);
  void SetItemCount() { FItemCount = uint32_t(FItems.size()); }
  // 6 per entry plus the complex data.
  int64_t Size() const;
  // The table in record form; with a header first (version 3, instance FItemCount, 0xF00B).
  std::vector<uint8_t> WriteToBuffer(bool includeHeader) const;
  void Clear() {
    FItems.clear();
    FItemCount = 0;
  }

 private:
  int BlipIndex() const;
  std::vector<TOPTItem> FItems;
  uint32_t FItemCount = 0;
};

}  // namespace xls::biff
