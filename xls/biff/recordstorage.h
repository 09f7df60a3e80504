// Raw record storage of a legacy workbook: the records that the reader does not turn into model
// data, byte for byte and in file order, for the workbook globals and for each sheet.
//
// Records that carry one setting (calculation mode, window settings, code page ...) each own a
// fixed slot: the slot starts with a default body and is overwritten by the file's record. Groups
// that the reader turns into model data (formats, the sheet list, names, margins ...) leave an
// internal placeholder record (ids 0x8001-0x8005 in the globals, 0x8101-0x8106 in a sheet, body
// empty) where the group belongs. Placing a slot or placeholder first moves every pending default
// before it into the main list, in the fixed order, so the output order stays the format's.
//
// Design: each slot is an index into one table of the storage kind (id, default body); the
// storage keeps one pointer per slot to its current record, first the pending default, after
// placement the record in the main list. Slot getters read through a bounded view, so a short
// body (a 10-byte BIFF5 WINDOW2, an 8-byte BIFF5 BOF) reads 0 for the missing fields, and
// setters leave a field alone that the body does not hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "xls/biff/biffrecordview.h"
#include "xls/biff/xlsstream.h"

namespace xls::biff {

// One raw record: id (file id or placeholder id), length and the body (Data.size() == Length).
struct TRecordData {
  uint16_t RecId = 0;
  uint16_t Length = 0;
  std::vector<uint8_t> Data;
  TRecordView View() const { return TRecordView(Data.data(), Data.size()); }
  uint32_t Header() const { return uint32_t(RecId) | (uint32_t(Length) << 16); }
};

// Placeholder ids.
inline constexpr uint16_t INTERNAL_FORMATS = 0x8001;
inline constexpr uint16_t INTERNAL_BOUNDSHEETS = 0x8002;
inline constexpr uint16_t INTERNAL_NAMES = 0x8003;
inline constexpr uint16_t INTERNAL_MSODRWGRP = 0x8004;
inline constexpr uint16_t INTERNAL_SST = 0x8005;
inline constexpr uint16_t INTERNAL_PAGEBREAKES = 0x8101;
inline constexpr uint16_t INTERNAL_HEADER = 0x8102;
inline constexpr uint16_t INTERNAL_MARGINS = 0x8103;
inline constexpr uint16_t INTERNAL_COLINFO = 0x8104;
inline constexpr uint16_t INTERNAL_CELLDATA = 0x8105;
inline constexpr uint16_t INTERNAL_SUFFIXDATA = 0x8106;

// An ordered, owning list of raw records. Entries may be empty (nullptr); every operation
// tolerates them.
class TBaseRecordStorage {
 public:
  TBaseRecordStorage() = default;
  virtual ~TBaseRecordStorage() = default;
  TBaseRecordStorage(const TBaseRecordStorage&) = delete;
  TBaseRecordStorage& operator=(const TBaseRecordStorage&) = delete;

  // Appends a record with the header's id and length; the body is a copy of `body`, cut or
  // padded with zeros to the header's length.
  TRecordData* AddRec(uint32_t header, std::span<const uint8_t> body);
  TRecordData* AddRec(const TBIFFHeader& header, std::span<const uint8_t> body) {
    return AddRec(header.AsDWord(), body);
  }
  virtual void Clear();
  // First record with the id, from the start; -1 when none.
  int FindRecord(uint16_t recId) const;
  size_t Count() const { return FItems.size(); }
  void Reserve(size_t count) { FItems.reserve(count); }
  // The record at Index (nullptr for an empty entry); std::out_of_range outside the list.
  TRecordData* Items(size_t index) const;
  // Puts `rec` at Index and hands back the record that was there.
  std::unique_ptr<TRecordData> SetItems(size_t index, std::unique_ptr<TRecordData> rec);
  void WriteRec(size_t index, TXLSStream& stream) const;
  virtual void WriteAllRecs(TXLSStream& stream) const;
  // Sum of Length + 4 over the records.
  int64_t Size() const;
  // Sets the record's length to `data.size()` (at most 65535) and copies the bytes in.
  TRecordData* UpdateRec(size_t index, std::span<const uint8_t> data);
  // Appends a copy of each record of this storage, in order, to `records`.
  void Assign(TBaseRecordStorage& records) const;

 protected:
  std::vector<std::unique_ptr<TRecordData>> FItems;
};

// Storage with default slots and placeholders.
class TRecordStorage : public TBaseRecordStorage {
 public:
  virtual void SetDefaultData() = 0;
  virtual int PostCheck() = 0;
  // Puts the file's record into its slot (ids without a slot are ignored). Raises
  // XLSRWException "Size missmatch on default record %.4X" when the slot is already placed with
  // another length, "Excpected default record %.4X not found." when the slot is neither placed
  // nor pending.
  virtual void UpdateDefault(uint32_t header, std::span<const uint8_t> data) = 0;
  void UpdateDefault(const TBIFFHeader& header, std::span<const uint8_t> data) {
    UpdateDefault(header.AsDWord(), data);
  }
  // Places a placeholder of this storage kind (other ids are ignored).
  virtual void UpdateInternal(uint16_t id) = 0;
};

// One default record of a storage kind, in the kind's fixed order: its record id, the slot
// (an index of the kind's TSlot enumeration) and the default body.
struct TDefaultSlot {
  uint16_t RecId;
  size_t Slot;
  std::span<const uint8_t> Body;
};

// Slots over a table of defaults: FDefault holds the pending defaults in their fixed order.
class TRecordStorageDefault : public TRecordStorage {
 public:
  TRecordStorageDefault(std::span<const TDefaultSlot> defaults, size_t slotCount);
  void Clear() override;
  void SetDefaultData() override;
  using TRecordStorage::UpdateDefault;
  void UpdateDefault(uint32_t header, std::span<const uint8_t> data) override;
  void UpdateInternal(uint16_t id) override;
  // Points the slot whose id is rec's id at `newRec`.
  virtual void MoveDefault(const TRecordData* rec, TRecordData* newRec);

  // The current record of slot i (the pending default or the placed record); nullptr after
  // Clear until SetDefaultData.
  TRecordData* Slot(size_t i) const { return i < FSlotPtrs.size() ? FSlotPtrs[i] : nullptr; }
  TRecordView SlotView(size_t i) const;
  const TBaseRecordStorage& Defaults() const { return FDefault; }
  // Slot index of a record id, -1 when the id has no slot (BOF ids map by their low byte).
  virtual int SlotOf(uint16_t recId) const;

 protected:
  // Slot accessors' helpers: fields outside the body read 0 and are not written.
  uint16_t SlotWord(size_t slot, size_t off = 0) const { return SlotView(slot).U16(off); }
  void SetSlotWord(size_t slot, uint16_t v, size_t off = 0);
  bool SlotBool(size_t slot) const { return SlotWord(slot) == 1; }
  void SetSlotBool(size_t slot, bool v) { SetSlotWord(slot, v ? 1 : 0); }
  // The id under which a record takes its slot.
  virtual uint16_t StoredId(uint16_t recId) const { return recId; }
  // Places the record (id, length, body cut or zero-padded to the length) into its slot.
  void Place(uint16_t id, std::span<const uint8_t> data, size_t length, bool hasData);

  std::span<const TDefaultSlot> FSlots;
  size_t FSlotCount;
  TBaseRecordStorage FDefault;
  std::vector<TRecordData*> FSlotPtrs;
  std::vector<bool> FPlaced;  // per slot: its record is in the main list
};

// The globals storage (one per workbook).
class TRecordStorageGlobals : public TRecordStorageDefault {
 public:
  enum TSlot : size_t {
    P_INT_FORMATS,
    P_INT_BOUNDSHEETS,
    P_INT_NAMES,
    P_INT_MSODRWGRP,
    P_INT_SST,
    PBOF,
    PWRITEACCESS,
    PCODEPAGE,
    PDSF,
    PTABID,
    PFNGROUPCOUNT,
    PWINDOWPROTECT,
    PPROTECT,
    PPASSWORD,
    PPROT4REV,
    PWINDOW1,
    PBACKUP,
    PHIDEOBJ,
    P1904,
    PPRECISION,
    PREFRESHALL,
    PBOOKBOOL,
    PCOUNTRY,
    PRECALCID,
    PEOF,
    SLOT_COUNT
  };
  TRecordStorageGlobals();
  int PostCheck() override { return 0; }
  int SlotOf(uint16_t recId) const override;

  TRecordView BOF() const { return SlotView(PBOF); }
  uint16_t CODEPAGE() const { return SlotWord(PCODEPAGE); }
  void SetCODEPAGE(uint16_t v) { SetSlotWord(PCODEPAGE, v); }
  // User name: count word, flag byte (0 8-bit, 1 UTF-16) and characters from offset 3, trimmed.
  std::u16string WRITEACCESS() const;
  // Fills the 112-byte body with spaces and writes the text in UTF-16 (at most 52 characters,
  // so the "6047" stamp at 107 stays).
  void SetWRITEACCESS(std::u16string_view name);
  bool WINDOWPROTECT() const { return SlotBool(PWINDOWPROTECT); }
  void SetWINDOWPROTECT(bool v) { SetSlotBool(PWINDOWPROTECT, v); }
  bool BACKUP() const { return SlotBool(PBACKUP); }
  void SetBACKUP(bool v) { SetSlotBool(PBACKUP, v); }
  bool PRECISION() const { return SlotBool(PPRECISION); }
  void SetPRECISION(bool v) { SetSlotBool(PPRECISION, v); }
  bool REFRESHALL() const { return SlotBool(PREFRESHALL); }
  void SetREFRESHALL(bool v) { SetSlotBool(PREFRESHALL, v); }
  bool BOOKBOOL() const { return SlotBool(PBOOKBOOL); }
  void SetBOOKBOOL(bool v) { SetSlotBool(PBOOKBOOL, v); }
  bool DATE1904() const { return SlotBool(P1904); }
  void SetDATE1904(bool v) { SetSlotBool(P1904, v); }
  uint16_t HIDEOBJ() const { return SlotWord(PHIDEOBJ); }
  void SetHIDEOBJ(uint16_t v) { SetSlotWord(PHIDEOBJ, v); }
  TRecordView WINDOW1() const { return SlotView(PWINDOW1); }
  TRecordView COUNTRY() const { return SlotView(PCOUNTRY); }
  TRecordView RECALCID() const { return SlotView(PRECALCID); }
  uint16_t PASSWORD() const { return SlotWord(PPASSWORD); }
  void SetPASSWORD(uint16_t v) { SetSlotWord(PPASSWORD, v); }
};

// The storage of one sheet.
class TRecordStorageSheet : public TRecordStorageDefault {
 public:
  enum TSlot : size_t {
    P_INT_PAGEBREAKES,
    P_INT_HEADER,
    P_INT_MARGINS,
    P_INT_COLINFO,
    P_INT_CELLDATA,
    P_INT_SUFFIXDATA,
    PBOF,
    PCALCMODE,
    PCALCCOUNT,
    PDELTA,
    PREFMODE,
    PITERATION,
    PSAVERECALC,
    PPRINTHEADERS,
    PPRINTGRIDLINES,
    PGRIDSET,
    PGUTS,
    PDEFAULTROWHEIGHT,
    PWSBOOL,
    PHCENTER,
    PVCENTER,
    PSETUP,
    PPROTECT,
    PDEFCOLWIDTH,
    PDIMENSIONS,
    PWINDOW2,
    PEOF,
    SLOT_COUNT
  };
  TRecordStorageSheet();
  int PostCheck() override { return -1; }
  int SlotOf(uint16_t recId) const override;
  uint16_t StoredId(uint16_t recId) const override { return (recId & 0xFF) == 0x09 ? 0x0809 : recId; }

  TRecordView BOF() const { return SlotView(PBOF); }
  TRecordView GUTS() const { return SlotView(PGUTS); }
  TRecordView DEFAULTROWHEIGHT() const { return SlotView(PDEFAULTROWHEIGHT); }
  TRecordView SETUP() const { return SlotView(PSETUP); }
  TRecordView DIMENSIONS() const { return SlotView(PDIMENSIONS); }
  TRecordView WINDOW2() const { return SlotView(PWINDOW2); }
  uint16_t CALCMODE() const { return SlotWord(PCALCMODE); }
  void SetCALCMODE(uint16_t v) { SetSlotWord(PCALCMODE, v); }
  uint16_t CALCCOUNT() const { return SlotWord(PCALCCOUNT); }
  void SetCALCCOUNT(uint16_t v) { SetSlotWord(PCALCCOUNT, v); }
  uint16_t REFMODE() const { return SlotWord(PREFMODE); }
  void SetREFMODE(uint16_t v) { SetSlotWord(PREFMODE, v); }
  uint16_t GRIDSET() const { return SlotWord(PGRIDSET); }
  void SetGRIDSET(uint16_t v) { SetSlotWord(PGRIDSET, v); }
  uint16_t WSBOOL() const { return SlotWord(PWSBOOL); }
  void SetWSBOOL(uint16_t v) { SetSlotWord(PWSBOOL, v); }
  uint16_t DEFCOLWIDTH() const { return SlotWord(PDEFCOLWIDTH); }
  void SetDEFCOLWIDTH(uint16_t v) { SetSlotWord(PDEFCOLWIDTH, v); }
  uint16_t PROTECT() const { return SlotWord(PPROTECT); }
  void SetPROTECT(uint16_t v) { SetSlotWord(PPROTECT, v); }
  double DELTA() const { return SlotView(PDELTA).F64(0); }
  void SetDELTA(double v);
  bool ITERATION() const { return SlotBool(PITERATION); }
  void SetITERATION(bool v) { SetSlotBool(PITERATION, v); }
  bool SAVERECALC() const { return SlotBool(PSAVERECALC); }
  void SetSAVERECALC(bool v) { SetSlotBool(PSAVERECALC, v); }
  bool PRINTHEADERS() const { return SlotBool(PPRINTHEADERS); }
  void SetPRINTHEADERS(bool v) { SetSlotBool(PPRINTHEADERS, v); }
  bool PRINTGRIDLINES() const { return SlotBool(PPRINTGRIDLINES); }
  void SetPRINTGRIDLINES(bool v) { SetSlotBool(PPRINTGRIDLINES, v); }
  bool HCENTER() const { return SlotBool(PHCENTER); }
  void SetHCENTER(bool v) { SetSlotBool(PHCENTER, v); }
  bool VCENTER() const { return SlotBool(PVCENTER); }
  void SetVCENTER(bool v) { SetSlotBool(PVCENTER, v); }
  // A word of a slot body (for the sheet's view properties); 0 past the body, not written past it.
  uint16_t SlotWordAt(TSlot slot, size_t off) const { return SlotWord(slot, off); }
  void SetSlotWordAt(TSlot slot, size_t off, uint16_t v) { SetSlotWord(slot, v, off); }
};

}  // namespace xls::biff
