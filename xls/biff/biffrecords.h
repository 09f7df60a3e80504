// The record handlers that bring a legacy workbook's content into the model: cell, formula and
// shared-string records, the workbook-globals records (sheet list, names, external
// references, settings) and the style records (fonts, number formats, cell formats, palette,
// styles).
//
// Format facts (MS-XLS): cell records begin with row (u16), column (u16) and XF index (u16); a
// cell's model style is its XF index + 1 (model format 0 is the default format, the file's XF
// records follow in file order). Legacy font index f is model font f + 1, with one placeholder
// model font at the place of file font index 4, which files never use. FORMULA may be followed by
// SHRFMLA, ARRAY and STRING records that belong to it; SST, NAME, SUPBOOK and EXTERNSHEET may go
// on in CONTINUE records. Shared and array formulas keep their tokens (first byte 0xFF, or 0xFE
// and the size of the array constants behind the tokens) for the formula layer to decode; only
// the cached results are needed for the text of a cell.
//
// Design choice: the handlers know the record loop only through `TBIFFRecordHost` (look at the
// next record, read it, keep a record raw, switch decryption on), so they can be driven by the
// loop of a compound-file reader and by tests that feed records from memory alike. Every count,
// length and index read from a record is bounded by the record before it is used; a record that
// cannot be read raises, and the loop skips it with a warning (see `xlsreadii.h`).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <unordered_set>
#include <vector>

#include "xls/biff/biffvalues.h"
#include "xls/biff/xlsreadii.h"
#include "xls/model/xlscellarea.h"

namespace xls {
class TXc12Font;
class TXc12NumberFormat;
class TXc12Manager;
class TXc12DataWorksheet;
class TXLSCellMMU;
class TXc12Hyperlink;
}  // namespace xls

namespace xls::biff {

class TFormulaHandler;

// Record ids handled here.
enum : uint16_t {
  BIFFID_BLANK_2 = 0x0001,
  BIFFID_INTEGER_2 = 0x0002,
  BIFFID_NUMBER_2 = 0x0003,
  BIFFID_LABEL_2 = 0x0004,
  BIFFID_BOOLERR_2 = 0x0005,
  BIFFID_FORMULA = 0x0006,
  BIFFID_STRING_2 = 0x0007,
  BIFFID_CALCCOUNT = 0x000C,
  BIFFID_CALCMODE = 0x000D,
  BIFFID_PRECISION = 0x000E,
  BIFFID_REFMODE = 0x000F,
  BIFFID_DELTA = 0x0010,
  BIFFID_ITERATION = 0x0011,
  BIFFID_PROTECT = 0x0012,
  BIFFID_PASSWORD = 0x0013,
  BIFFID_EXTERNSHEET = 0x0017,
  BIFFID_NAME = 0x0018,
  BIFFID_WINDOWPROTECT = 0x0019,
  BIFFID_DATEMODE = 0x0022,
  BIFFID_EXTERNNAME = 0x0023,
  BIFFID_FONT = 0x0031,
  BIFFID_WINDOW1 = 0x003D,
  BIFFID_BACKUP = 0x0040,
  BIFFID_CODEPAGE = 0x0042,
  BIFFID_XCT = 0x0059,
  BIFFID_CRN = 0x005A,
  BIFFID_FILESHARING = 0x005B,
  BIFFID_WRITEACCESS = 0x005C,
  BIFFID_SAVERECALC = 0x005F,
  BIFFID_RK_2 = 0x007E,
  BIFFID_COUNTRY = 0x008C,
  BIFFID_HIDEOBJ = 0x008D,
  BIFFID_PALETTE = 0x0092,
  BIFFID_FNGROUPCOUNT = 0x009C,
  BIFFID_SHRFMLA_5 = 0x00BC,
  BIFFID_MULRK = 0x00BD,
  BIFFID_MULBLANK = 0x00BE,
  BIFFID_BOOKBOOL = 0x00DA,
  BIFFID_XF = 0x00E0,
  BIFFID_LABELSST = 0x00FD,
  BIFFID_DSF = 0x0161,
  BIFFID_SUPBOOK = 0x01AE,
  BIFFID_PROT4REV = 0x01AF,
  BIFFID_REFRESHALL = 0x01B7,
  BIFFID_RECALCID = 0x01C1,
  BIFFID_BLANK = 0x0201,
  BIFFID_NUMBER = 0x0203,
  BIFFID_LABEL = 0x0204,
  BIFFID_BOOLERR = 0x0205,
  BIFFID_STRING = 0x0207,
  BIFFID_ROW = 0x0208,
  BIFFID_NAME_3 = 0x0218,
  BIFFID_ARRAY = 0x0221,
  BIFFID_EXTERNNAME_3 = 0x0223,
  BIFFID_FONT_3 = 0x0231,
  BIFFID_XF_3 = 0x0243,
  BIFFID_RK = 0x027E,
  BIFFID_STYLE = 0x0293,
  BIFFID_FORMAT = 0x041E,
  BIFFID_XF_4 = 0x0443,
  BIFFID_SHRFMLA = 0x04BC,
  BIFFID_FORMULA_3 = 0x0206,
  BIFFID_FORMULA_4 = 0x0406,
  // sheet records
  BIFFID_DIMENSIONS_2 = 0x0000,
  BIFFID_HEADER = 0x0014,
  BIFFID_FOOTER = 0x0015,
  BIFFID_VERTICALPAGEBREAKS = 0x001A,
  BIFFID_HORIZONTALPAGEBREAKS = 0x001B,
  BIFFID_SELECTION = 0x001D,
  BIFFID_COLWIDTH = 0x0024,
  BIFFID_LEFTMARGIN = 0x0026,
  BIFFID_RIGHTMARGIN = 0x0027,
  BIFFID_TOPMARGIN = 0x0028,
  BIFFID_BOTTOMMARGIN = 0x0029,
  BIFFID_PRINTHEADERS = 0x002A,
  BIFFID_PRINTGRIDLINES = 0x002B,
  BIFFID_PANE = 0x0041,
  BIFFID_DEFCOLWIDTH = 0x0055,
  BIFFID_COLINFO = 0x007D,
  BIFFID_GUTS = 0x0080,
  BIFFID_WSBOOL = 0x0081,
  BIFFID_GRIDSET = 0x0082,
  BIFFID_HCENTER = 0x0083,
  BIFFID_VCENTER = 0x0084,
  BIFFID_SETUP = 0x00A1,
  BIFFID_MERGEDCELLS = 0x00E5,
  BIFFID_HLINK = 0x01B8,
  BIFFID_DIMENSIONS = 0x0200,
  BIFFID_DEFAULTROWHEIGHT = 0x0225,
  BIFFID_WINDOW2 = 0x023E,
  BIFFID_HLINKTOOLTIP = 0x0800,
  BIFFID_SHEETEXT = 0x0862,
  BIFFID_FEATHDR = 0x0867,
  BIFFID_FILTERMODE = 0x009B,
  BIFFID_AUTOFILTERINFO = 0x009D,
  BIFFID_CONDFMT = 0x01B0,
  BIFFID_DVAL_ = 0x01B2,
  BIFFID_DV_ = 0x01BE
};

// What the handlers need of the record loop.
class TBIFFRecordHost {
 public:
  virtual ~TBIFFRecordHost() = default;
  // The id of the next record without reading it; 0 when no whole header is left.
  virtual uint16_t PeekId() = 0;
  // Reads the next record whole (its body decrypted when decryption is on); false at the end.
  virtual bool ReadRecord(uint16_t& id, std::vector<uint8_t>& body) = 0;
  // As ReadRecord, but a body that lies whole and in clear in the stream may be lent in place
  // (valid while the stream is open) and `scratch` is left empty; otherwise the body is copied
  // into `scratch` and `body` views it.
  virtual bool ReadRecordView(uint16_t& id, std::span<const uint8_t>& body, std::vector<uint8_t>& scratch) {
    if (!ReadRecord(id, scratch)) return false;
    body = scratch;
    return true;
  }
  // Keeps a record raw in the storage of the current sheet or of the globals.
  virtual void StoreRecord(uint16_t id, std::span<const uint8_t> body) = 0;
  // Puts a record into its default slot of the current storage (settings records).
  virtual void UpdateDefault(uint16_t id, std::span<const uint8_t> body) { StoreRecord(id, body); }
  // Places the placeholder `id` of a group read into the model (page breaks, header, margins,
  // merged cells ...) in the current storage.
  virtual void UpdateInternal(uint16_t id) { (void)id; }
  // The legacy sheet of the current worksheet (nullptr in the globals or without the reader
  // object's sheets).
  virtual TSheet* LegacySheet() { return nullptr; }
  // True when the load skips the drawing layer (validations are then dropped with it).
  virtual bool SkipDrawing() const { return false; }
  // Keeps the copy of a STYLE record's first bytes and of the FILESHARING body with the reader
  // object.
  virtual void KeepStyle(std::span<const uint8_t> copy) = 0;
  virtual void KeepFileSharing(std::span<const uint8_t> body) = 0;
  // The version of the stream being read.
  virtual TExcelVersion Version() const = 0;
  // The current worksheet: its index among the worksheets (-1 in the globals) and model sheet.
  virtual int32_t CurrentSheet() const = 0;
  virtual TXc12DataWorksheet* CurrentXc12Sheet() const = 0;
  // The shared formulas and the last ARRAY record of the current sheet (emptied at BOF and EOF).
  virtual TSharedFormulas& SharedFormulas() = 0;
  virtual std::vector<uint8_t>& LastARRAY() = 0;
  // Warning `number` of the load (within the load's warning cap).
  virtual void Warning(std::u16string_view text, int32_t number) = 0;
  // The legacy formula handler whose name tables the external-reference records feed (none:
  // those records are dropped).
  virtual TFormulaHandler* LegacyFormulas() { return nullptr; }
};

// Shared-formula fix-up: turns the relative references of tokens copied from the shared formula
// into those of the cell at (col, row); biff8 chooses the token sizes. Raises on tokens it cannot
// read. The formula layer's fix-up by default; without one the tokens stay as the SHRFMLA holds
// them.
using TBIFFSharedFixup =
    std::function<void(std::vector<uint8_t>& ptgs, int32_t col, int32_t row, bool biff8)>;

class TBIFFRecords {
 public:
  explicit TBIFFRecords(TXc12Manager& manager);
  ~TBIFFRecords();
  TBIFFRecords(const TBIFFRecords&) = delete;
  TBIFFRecords& operator=(const TBIFFRecords&) = delete;

  const TBIFFTextCodec& Codec() const { return FCodec; }

  // Handles one record of a bare BIFF4 worksheet file (its reader's own variants of LABEL, FONT,
  // FORMAT and XF); false for ids that are not handled there.
  bool HandleBIFF4(uint16_t id, std::span<const uint8_t> body, TBIFFRecordHost& host);

  // Handles one record whose body the loop has read. Returns false when the record is not one
  // of these handlers' (the loop then stores it); true when it was consumed (stored, slotted or
  // dropped here).
  bool Handle(uint16_t id, std::span<const uint8_t> body, TBIFFRecordHost& host);

  TBIFFSharedFixup SharedFixup;

  // The raw BIFF4 worksheet reader's start: its number formats follow the model's built-in ones.
  void StartExcel4Formats();

  // ---- single handlers (also reached through Handle)
  // Cells
  void RecBLANK(const TBIFFBody& b);
  void RecROW(const TBIFFBody& b);
  void RecNUMBER(const TBIFFBody& b);
  void RecRK(const TBIFFBody& b);
  void RecMULRK(const TBIFFBody& b);
  void RecMULBLANK(const TBIFFBody& b);
  void RecLABEL(const TBIFFBody& b);
  void RecLABELSST(const TBIFFBody& b);
  void RecBOOLERR(const TBIFFBody& b);
  void RecINTEGER_2(const TBIFFBody& b);
  void RecNUMBER_2(const TBIFFBody& b);
  void RecLABEL_2(const TBIFFBody& b);
  void RecFORMULA(const TBIFFBody& b, TBIFFRecordHost& host);
  void RecFORMULA_2(const TBIFFBody& b, TBIFFRecordHost& host);
  void RecFORMULA_3(const TBIFFBody& b, TBIFFRecordHost& host);
  void RecBLANK_2(const TBIFFBody& b);
  void RecBOOLERR_2(const TBIFFBody& b);
  void RecSST(const TBIFFBody& b, TBIFFRecordHost& host);
  // A SHRFMLA that no FORMULA took (its first cell's record was damaged): its range still serves
  // the cells that follow.
  void RecSHRFMLA(const TBIFFBody& b, TBIFFRecordHost& host);
  // Globals
  // The sheet name of a BOUNDSHEET body in the version and code page of the file.
  std::u16string BoundSheetName(TBIFFRecordHost& host, const TBIFFBody& b);
  // Notes the next BOUNDSHEET entry: the index of its model worksheet, -1 for a sheet the model
  // does not keep (chart, VB module). NAME records number sheets by these entries.
  void AddBoundsheet(int32_t modelSheet) { FBoundsheetModel.push_back(modelSheet); }
  void RecCODEPAGE(const TBIFFBody& b);
  void RecNAME(const TBIFFBody& b, TBIFFRecordHost& host);
  void RecExtern(uint16_t id, const TBIFFBody& b, TBIFFRecordHost& host);
  void RecXCT(const TBIFFBody& b, TBIFFRecordHost& host);
  void RecWRITEACCESS(const TBIFFBody& b, TBIFFRecordHost& host);
  void RecWINDOW1(const TBIFFBody& b, TBIFFRecordHost& host);
  // Styles
  void RecFONT(const TBIFFBody& b);
  void RecFONT_2(const TBIFFBody& b);
  void RecFONT_4(const TBIFFBody& b);
  // The BIFF4 worksheet reader's FORMAT and LABEL (8-bit text in the code page).
  void RecFORMAT_4(const TBIFFBody& b);
  void RecLABEL_4(const TBIFFBody& b);
  void RecFORMAT(const TBIFFBody& b);
  void RecXF(const TBIFFBody& b);
  void RecXF_4(const TBIFFBody& b);
  void RecPALETTE(const TBIFFBody& b);
  void RecSTYLE(const TBIFFBody& b, TBIFFRecordHost& host);
  // Sheet records (biffsheet.cpp): false for ids that are not sheet records or that are stored
  // raw in this version or state.
  bool HandleSheet(uint16_t id, std::span<const uint8_t> data, TBIFFRecordHost& host);
  void RecCOLINFO(const TBIFFBody& b);
  void RecCOLWIDTH(const TBIFFBody& b);

 private:
  // Takes version and current sheet from the loop.
  void Sync(TBIFFRecordHost& host);
  TXLSCellMMU& Cells();
  int32_t StyleOf(uint16_t xf) const;
  // Raises the cell store's error for a cell outside the sheet (direct reads store nothing).
  static void CheckCell(int32_t col, int32_t row);
  // Direct-read events.
  bool Direct() const;
  void FireNumber(int32_t col, int32_t row, double v);
  void FireText(int32_t col, int32_t row, const std::u16string& v);
  void FireBoolean(int32_t col, int32_t row, bool v);
  void FireError(int32_t col, int32_t row, TXc12CellError v);
  void PrepareEvent(int32_t col, int32_t row);
  // Warns that an external-reference record (named by `what`) was dropped.
  void ExternDropped(const char16_t* what);
  // FORMULA parts.
  bool ReadStringResult(TBIFFRecordHost& host, std::u16string& text);
  bool StageResult(const TBIFFBody& b, TBIFFRecordHost& host);
  void StoreBoolErr(int32_t col, int32_t row, int32_t style, uint8_t value, bool error);
  void StoreCachedResult(const TBIFFBody& b, TBIFFRecordHost& host, size_t at, int32_t style);
  // Joins the CONTINUE records that follow into `body`, up to `limit` bytes in all.
  void JoinContinue(std::vector<uint8_t>& body, TBIFFRecordHost& host, size_t limit);
  TXc12Font* FontOfIndex(int32_t fontIndex, bool rangeCheck) const;
  TXc12Font* AddFont(const TBIFFBody& b, size_t need, bool placeholderFirst);
  void AddPlainXF(TXc12Font* font, TXc12NumberFormat* fmt);
  void NeedXF(const TBIFFBody& b, size_t need);
  void AddExcel4Formats();
  // Sheet record parts.
  void RecDIMENSIONS(const TBIFFBody& b, TBIFFRecordHost& host);
  void AddColumn(int32_t first, int32_t last, uint16_t width, int32_t style, uint8_t options, int32_t outline);
  void RecWINDOW2(const TBIFFBody& b, std::span<const uint8_t> data, TBIFFRecordHost& host);
  void RecLegacyPane(const TBIFFBody& b, TSheet& sheet, bool frozen);
  void RecSELECTION(const TBIFFBody& b);
  void RecMERGEDCELLS(const TBIFFBody& b, TBIFFRecordHost& host);
  void RecHLINK(const TBIFFBody& b, TBIFFRecordHost& host);
  void ReadHyperlinkParts(const TBIFFBody& b, uint32_t flags, TXLSHyperlinkType kind, TXc12Hyperlink& h);
  void RecPageBreaks(const TBIFFBody& b, bool rows);
  void RecSETUP(const TBIFFBody& b);
  void RecRules(uint16_t id, const TBIFFBody& b, TBIFFRecordHost& host);
  // The model scope of a NAME's 1-based sheet number (0 the workbook).
  int32_t NameScope(uint16_t sheet) const;

  TXc12Manager& FManager;
  // Taken from the host at every record.
  TExcelVersion FVersion = TExcelVersion::xvExcel97;
  int32_t FCurrSheet = -1;
  TXc12DataWorksheet* FSheet = nullptr;
  TBIFFRecordHost* FHost = nullptr;  // the loop of the record in hand
  TBIFFTextCodec FCodec;
  std::vector<std::u16string> FExcel4Formats;
  int32_t FExcel4Start = 0;
  int32_t FFormatCnt = 0;
  bool FExcel4Started = false;
  bool FExcel4Added = false;
  std::vector<uint8_t> FScratch;
  // The merged areas the current sheet read so far, so that a repeated one is added once.
  const TXc12DataWorksheet* FMergedSheet = nullptr;
  std::unordered_set<uint64_t> FMergedSeen;
  // The model worksheet of each BOUNDSHEET entry, in file order (-1: none).
  std::vector<int32_t> FBoundsheetModel;
};

// The 34 number formats of Excel 4, in their index order.
std::span<const char16_t* const> Excel4NumberFormats();

// The record loop of a legacy load as the handlers see it.
class TBIFFReaderHost : public TBIFFRecordHost {
 public:
  explicit TBIFFReaderHost(TXLSReadII& reader) : FReader(reader) {}
  uint16_t PeekId() override;
  bool ReadRecord(uint16_t& id, std::vector<uint8_t>& body) override;
  bool ReadRecordView(uint16_t& id, std::span<const uint8_t>& body, std::vector<uint8_t>& scratch) override;
  void StoreRecord(uint16_t id, std::span<const uint8_t> body) override;
  void UpdateDefault(uint16_t id, std::span<const uint8_t> body) override;
  void KeepStyle(std::span<const uint8_t> copy) override;
  void KeepFileSharing(std::span<const uint8_t> body) override;
  TExcelVersion Version() const override;
  int32_t CurrentSheet() const override;
  TXc12DataWorksheet* CurrentXc12Sheet() const override;
  TSharedFormulas& SharedFormulas() override;
  std::vector<uint8_t>& LastARRAY() override;
  void Warning(std::u16string_view text, int32_t number) override;
  TFormulaHandler* LegacyFormulas() override;
  void UpdateInternal(uint16_t id) override;
  TSheet* LegacySheet() override;
  bool SkipDrawing() const override;

 private:
  TXLSReadII& FReader;
};

// Installs the handlers of this unit into a reader object's table; they share `records` (one
// per load: it keeps the code page and the external references of the workbook being read).
void AddRecordHandlers(TBIFFRecordHandlers& handlers, std::shared_ptr<TBIFFRecords> records);

}  // namespace xls::biff
