// `TXLSReadII`: the record reader of one legacy load. It opens the record stream, reads it record
// by record, sends each record to its handler (the table of `TBIFF5::Handlers()`), stores what no
// handler consumed in the current raw storage, reports progress and wraps engine errors.
//
// States: workbook globals (`FCurrSheet` -1, `CurrRecs` the globals storage) -> sheet k after the
// k-th worksheet BOF (`CurrRecs` that sheet's storage; in a bare BIFF2/3 file from its INDEX
// record on) -> end after the EOF of the last sub-stream of the sheet list, at the end of the
// stream, or when the reader object is aborted. A chart-sheet sub-stream is read whole into its
// record tree (chartrecords.h) inside its BOF handling; one the tree reader cannot take stays raw
// with warning 2003. Records between USERSVIEWBEGIN and USERSVIEWEND are skipped and not counted.
//
// For handlers: `Header` is the current record's header and `Body()` a bounded view of its body
// as read (bytes past the body read 0). A body that lies whole and in clear in the stream is
// viewed where it lies instead of being copied; `Buffer()` copies it into the record buffer first
// (the buffer past the body is zero). A handler that rewrites the body into another layout
// (BIFF5 to BIFF8) uses `Buffer()` and `SetBodyLength`.
// Handlers that read their body themselves (`ReadsBody`) call `ReadBody()` or read the stream.
//
// Damaged records. One policy for the load, the same as the package reader's: a content record
// that is short, names a cell outside the sheet or cannot be read otherwise is skipped with
// warning 2003 (record number, id, offset and reason; the per-load cap of `TXLSWarningCap` holds)
// and the load goes on with the next record; only a fault of the frame ends the load, with the
// wrapped error. What a handler raises counts by the kind of its table entry; the BIFF4
// worksheet reader's handlers are all content. Errors other than the engine's (compound file,
// memory) always end the load.
//
//   ends the load (frame)                      | skipped with a warning (content)
//   -------------------------------------------+------------------------------------------------
//   compound file; no "Workbook"/"Book" stream | cells: BLANK, NUMBER, RK, MULRK, MULBLANK,
//   record header with id bit 15 set           |   LABEL, LABELSST, BOOLERR, BIFF2 INTEGER,
//   BOF: globals BOF size, VB module or macro  |   NUMBER, LABEL; FORMULA with the SHRFMLA,
//     sheet, workspace, worksheet without a    |   ARRAY and STRING it reads; the BIFF4
//     sheet-list entry, too many sheets        |   reader's cell records (a MULRK or MULBLANK
//   EOF (sub-stream end, slot)                 |   keeps the cells before the fault)
//   BOUNDSHEET (sheet list, sheet count)       | rows: ROW
//   FILEPASS (encryption, password)            | SST (the strings before the fault stay)
//   INDEX (storage switch of BIFF2/3 files)    | names, references: NAME, SUPBOOK, EXTERNSHEET,
//   USERSVIEWBEGIN..USERSVIEWEND skip          |   EXTERNNAME, XCT with its CRNs
//                                              | styles: FONT and XF (a placeholder keeps the
//                                              |   place of a damaged one), FORMAT, PALETTE,
//                                              |   STYLE
//                                              | settings and sheet records: CODEPAGE, WINDOW1,
//                                              |   WRITEACCESS, FILESHARING, calculation and
//                                              |   protection settings, PASSWORD, ...
//                                              | objects kept raw: drawing records, OBJ, DV,
//                                              |   DVAL; every record without a handler
//                                              | charts: a chart sheet the tree reader cannot
//                                              |   take stays raw up to its EOF
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "xls/biff/biff5.h"
#include "xls/biff/biffrecordview.h"
#include "xls/biff/recordstorage.h"
#include "xls/biff/xlsstream.h"
#include "xls/model/xlserrors.h"

namespace xls {
class TXc12Manager;
class TXc12DataWorksheet;
}  // namespace xls

namespace xls::biff {

// Record ids of the frame.
inline constexpr uint16_t BIFFID_EOF = 0x000A;
inline constexpr uint16_t BIFFID_FILEPASS = 0x002F;
inline constexpr uint16_t BIFFID_BOUNDSHEET = 0x0085;
inline constexpr uint16_t BIFFID_INDEX = 0x020B;
inline constexpr uint16_t BIFFID_MSODRAWING = 0x00EC;
inline constexpr uint16_t BIFFID_MSODRAWINGSELECTION = 0x00ED;
inline constexpr uint16_t BIFFID_OBJ = 0x005D;
inline constexpr uint16_t BIFFID_NOTE = 0x001C;
inline constexpr uint16_t BIFFID_SST = 0x00FC;
inline constexpr uint16_t BIFFID_USERSVIEWBEGIN = 0x01AA;
inline constexpr uint16_t BIFFID_USERSVIEWEND = 0x01AB;
inline constexpr uint16_t BIFFID_BOF_4 = 0x0409;
inline constexpr uint16_t BIFFID_DVAL = 0x01B2;
inline constexpr uint16_t BIFFID_DV = 0x01BE;
// Sheet indexes of the format are 16-bit: a file names at most this many sheets. Each sheet costs
// the reader and the model a few kilobytes, so the cap also bounds what a stream of tiny
// BOUNDSHEET or BOF records can make us allocate.
inline constexpr size_t MAX_LEGACY_SHEETS = 65535;

// Any id whose low byte is 0x09 is a BOF.
inline constexpr bool IsBOFId(uint16_t id) { return (id & 0xFF) == 0x09; }

// One SHRFMLA of the current sheet.
struct TSharedFormula {
  uint16_t Row1 = 0, Row2 = 0;
  uint8_t Col1 = 0, Col2 = 0;
  std::vector<uint8_t> Formula;  // token bytes
};

// The shared formulas of the current sheet. A follower points at its group's first cell, so the
// group is found by that cell at once; a cell that starts no group is looked for in every range
// (only odd files point elsewhere). A sheet with many groups thus costs no search per follower.
class TSharedFormulas {
 public:
  void clear() {
    FItems.clear();
    FByFirst.clear();
  }
  void push_back(TSharedFormula f) {
    FByFirst.emplace(Key(f.Row1, f.Col1), FItems.size());  // the first group starting there stays
    FItems.push_back(std::move(f));
  }
  size_t size() const { return FItems.size(); }
  // The group that starts at the cell, else the first whose range holds it; nullptr when none.
  const TSharedFormula* Find(int32_t row, int32_t col) const {
    if (row >= 0 && row <= 0xFFFF && col >= 0 && col <= 0xFF)
      if (const auto it = FByFirst.find(Key(uint16_t(row), uint8_t(col))); it != FByFirst.end())
        return &FItems[it->second];
    for (const TSharedFormula& f : FItems)
      if (row >= f.Row1 && row <= f.Row2 && col >= f.Col1 && col <= f.Col2) return &f;
    return nullptr;
  }

 private:
  static uint32_t Key(uint16_t row, uint8_t col) { return uint32_t(row) << 8 | col; }
  std::vector<TSharedFormula> FItems;
  std::unordered_map<uint32_t, size_t> FByFirst;  // first cell of a range -> the first such group
};

// One entry of the sheet list: the name and its visibility (0 visible, 1 hidden, 2 very hidden).
struct TBoundsheetEntry {
  std::u16string Name;
  int32_t Visibility = 0;
  bool IsWorksheet = true;  // worksheet or macro sheet (has a legacy sheet and a model worksheet)
};

class TXLSReadII {
 public:
  explicit TXLSReadII(TBIFF5& xls);
  ~TXLSReadII();
  TXLSReadII(const TXLSReadII&) = delete;
  TXLSReadII& operator=(const TXLSReadII&) = delete;

  // The record loop over `data` (or the file of the reader object when none).
  void LoadFromStream(std::optional<std::span<const uint8_t>> data);

  TBIFF5& XLS() const { return *FXLS; }
  TXc12Manager& Manager() const { return *FManager; }
  TXLSStream& Stream() { return FXLSStream; }
  TExcelVersion Version() const;

  // The current record's body as read (bounded).
  TRecordView Body() const {
    return FBodyLent ? TRecordView(FLentBody) : TRecordView(PBuf.data(), FBodyLength);
  }
  // The record buffer (at least MaxBuffSize bytes and at least the body's length), holding the
  // body.
  std::vector<uint8_t>& Buffer();
  // Sets the body length (and Header.Length) after a handler rewrote the body in the buffer;
  // the buffer grows as needed and new bytes are 0.
  void SetBodyLength(uint16_t length);
  // Reads the current record's body into the buffer (for handlers that read their body).
  size_t ReadBody();
  // The legacy sheet of FCurrSheet, nullptr in the globals or when there is none.
  TSheet* CurrSheet() const;
  // Records counted so far (the number of the current record).
  int32_t RecordNumber() const { return FRecordNumber; }
  // The progress percentage last reported.
  int32_t LastProgress() const { return FLastProgress; }
  // Warning `number` of this load through the component's error manager, within the load's cap.
  void Warning(std::u16string_view text, int32_t number);
  const TXLSWarningCap& Warnings() const { return FWarningCap; }

  TBIFFHeader Header;
  int32_t FCurrSheet = -1;
  TXc12DataWorksheet* FCurrXc12Sheet = nullptr;
  std::vector<TBoundsheetEntry> FBoundsheets;
  int32_t FBoundsheetIndex = -1;
  TRecordStorage* CurrRecs = nullptr;
  bool InsertRecord = true;
  uint32_t FBIFFVer = 0;
  TSharedFormulas FSharedFormulas;
  std::vector<uint8_t> FLastARRAY;
  int32_t FLastARRAYSize = 0;
  // Number formats of the BIFF4 worksheet reader.
  int32_t FMaxFormat = 0, FFormatCnt = 0;
  std::vector<std::u16string> FEx40NumFmts;
  bool FEx40NumFmtsSaved = false;
  bool FSkipMSO = false;

  // Frame handlers, public so that tests and the handler table can reach them.
  void RecBOF();
  void RecEOF();
  void RecBOUNDSHEET();
  void RecFILEPASS();
  void RecINDEX();
  void RecMSODRAWINGGROUP();
  void RecMSODRAWING();
  void RecMSODRAWINGSELECTION();
  void RecNOTE();
  // After the load: the picture references of every sheet drawing become store positions
  // (a reference to no stored picture becomes 0, with warning 2003).
  void AssignPictureIds();

 private:
  void RecordLoop();
  void ReadBIFF4Worksheet();
  void ReadChartSheet();
  void WarnEmbeddedCharts(TSheet& sheet);
  void ReadSubstreamRaw(TBaseRecordStorage* keep);
  void StoreCurrent();
  void StoreRecord(const TBIFFHeader& header, std::span<const uint8_t> body);
  void ReadNextRaw(TBIFFHeader& header, std::vector<uint8_t>& body);
  void AddMissingWorksheet();
  void KeepDrawingGroupRaw();
  void KeepDrawingRaw();
  bool ReadsDrawings() const;
  [[noreturn]] void WrapError(const std::exception& e);
  // Warning 2003 for the current record, which started at `start`, skipped for `e`.
  void SkipDamaged(const XLSRWException& e, int64_t start);
  // Passes over what a handler left of the record it ended in.
  void PassOverRest();

  TBIFF5* FXLS;
  TXc12Manager* FManager;
  TXLSStream FXLSStream;
  std::vector<uint8_t> PBuf;
  size_t FBodyLength = 0;
  size_t FDirtyLength = 0;             // bytes of PBuf that may be non-zero
  std::span<const uint8_t> FLentBody;  // the body where it lies in the stream, when FBodyLent
  bool FBodyLent = false;
  int32_t FRecordNumber = 0;
  int32_t FLastProgress = 0;
  bool FDone = false;
  TXLSWarningCap FWarningCap;
};

}  // namespace xls::biff
