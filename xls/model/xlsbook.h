// The spreadsheet component: `TXLSBook` loads a workbook file into its data model, and its sheet
// list `TXLSWorkbook` with the sheet objects `TXLSWorksheet` turns cells into text and searches
// that text.
//
// File kinds are told by their first bytes: D0 CF 11 E0 A1 B1 a compound file (MS-CFB), 50 4B 03
// 04 a zip package (ECMA-376 Part 2), "{\rtf" a rich-text file. A compound file with a stream
// "Workbook" (BIFF8) or "Book" (BIFF5/7) is a legacy workbook; one with "EncryptionInfo" is an
// encrypted package ([MS-OFFCRYPTO]); a bare early BIFF2-4 file has no signature and is known by
// its .xls/.xlm name alone. Anything else raises "XLSX File read error.".
//
// Design choice: the readers sit in libraries above the model, so the component reaches them
// through `TXLSBookReaders`, a set of callbacks that each reader library registers in
// `DefaultXLSBookReaders()` (every new component takes a copy) or that a host sets per
// component. A road whose reader is not registered raises the component's own error. Every load
// clears the model first, and a load that fails clears it again, so a failed file never leaves
// the previous workbook (or half of its own) behind to be searched.
//
// File watch: `MonitorFile` watches the loaded file through kws::FileWatch (the folder's change
// notifications, filtered to that file). There is no message loop in the engine to carry a timer,
// so the owner polls: `PollMonitorFile` does what the timer's tick did and fires `OnMonitorFile`
// inside that call, on the caller's thread. The component is used by one thread at a time, so a
// handler may act on it at once (reload, clear); a watcher thread would have fired the event
// while another thread loads, and a thread that only queued the news would still need the owner
// to look. Polling never waits, and neither do starting and stopping, so the watch never holds up
// a load or the search. The watch ends with `Clear` (the model no longer holds the file), with a
// load of any other file or stream, and with the component; a reload of the watched file keeps it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/filewatch.h"
#include "xls/model/formatsettings.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlsclassfactory.h"
#include "xls/model/xlsdrawinglists.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsevents.h"
#include "xls/model/xlsrelcells.h"
#include "xls/model/xlsstyles.h"
#include "xls/model/xlsutils.h"

namespace xls {

class TXLSBook;
class TXLSWorkbook;
class TXLSComments;
class TXLSRange;
class TXLSClipboard;
class TXc12DataWorksheet;
class TXLSCellMMU;
struct TXLSCellItem;
class TXLSCell;
class TXLSFormattedCell;
class TXLSRows;
class TXLSColumns;
class TXLSPrintSettings;
class TXLSPane;
class TXLSSheetProtection;
class TXLSSelectedAreas;
class TXLSCmdFormat;
class TXLSWorkbookData;
class TXLSOptionsDialog;
class TCellAreas;

// What became of the watched file: Changed, Replaced (another file under its name) or Deleted.
using TXLSFileChange = kws::FileChange;
using TXLSMonitorFileEvent = std::function<void(TXLSBook& sender, TXLSFileChange change)>;

// Results of decrypting an encrypted package.
enum class TXLSCryptoResult : uint8_t { xcrOk, xcrUnknown, xcrMissingPassword, xcrWrongPassword, xcrUnsupportedEncryption };

// The readers behind the component's loading roads. Each reads into `book.Manager()` between the
// component's clear and after-read work, and raises on failure.
struct TXLSBookReaders {
  // A workbook package (the zip file's bytes).
  std::function<void(TXLSBook& book, std::span<const uint8_t> zip)> ReadPackage;
  // A legacy workbook (a compound file's bytes, or a bare early file).
  std::function<void(TXLSBook& book, std::span<const uint8_t> data)> ReadLegacy;
  // Decrypts an encrypted package (a compound file's bytes) into zip bytes with the password.
  std::function<TXLSCryptoResult(TXLSBook& book, std::span<const uint8_t> data, const std::u16string& password,
                                 std::vector<uint8_t>& zip)>
      DecryptPackage;
  // Called at the start of every load, before the reader, so that libraries above the model can
  // attach their services to the component (the formula binding: RegisterFormulaBinding).
  std::function<void(TXLSBook& book)> AttachServices;
  // Called at the end of the after-read work of a legacy load (the sheet objects made, the reader
  // object kept): the legacy reader puts its drawings' pictures and notes into the model.
  std::function<void(TXLSBook& book)> AfterReadLegacy;
};
// The process-wide readers that new components start with (empty until reader libraries register).
TXLSBookReaders& DefaultXLSBookReaders();

// An empty legacy workbook kept in the program: a compound file whose "Workbook" stream holds a
// BIFF8 workbook with one empty sheet "Sheet1".
std::span<const uint8_t> EmptyLegacyWorkbook();

// What DeleteCells removes besides the cells themselves.
enum class TXLSDeleteOption : uint8_t {
  xdoCellValues,
  xdoFormats,
  xdoComments,
  xdoDataValidations,
  xdoConditionalFormats,
  xdoAutofilters,
  xdoDrawing
};
using TXLSDeleteOptions = TXc12Set<TXLSDeleteOption>;

// One sheet object over a worksheet's data.
class TXLSWorksheet {
 public:
  TXLSWorksheet(TXLSClassFactory* factory, TXc12DataWorksheet* sheet, TXc12Manager* manager, TXLSWorkbook* owner);
  ~TXLSWorksheet();
  TXLSWorksheet(const TXLSWorksheet&) = delete;
  TXLSWorksheet& operator=(const TXLSWorksheet&) = delete;

  int32_t Index() const;
  const std::u16string& Name() const;
  // Cut to 31 units (never inside a surrogate pair); a name another sheet has (a to z folded) is
  // refused with warning 3003.
  void SetName(std::u16string_view name);
  TXc12DataWorksheet& Xc12Sheet() { return *FXc12Sheet; }
  TXLSCellMMU& Cells();
  TXLSWorkbook* Owner() const { return FOwner; }

  // The sheet's one cell object and one formatted-cell view, positioned on the cell (each valid
  // until the next call); a write through Cell on a cell without an item stores a blank.
  TXLSCell& Cell(int32_t col, int32_t row);
  TXLSFormattedCell& CellFormat(int32_t col, int32_t row);
  // Made on first use (a search reads the cell store and never asks for them), so that a
  // workbook of many sheets costs none of them per sheet.
  TXLSRows& Rows();
  TXLSColumns& Columns() { return *FColumns; }
  TXLSPrintSettings& PrintSettings();
  TXLSPane& Pane();
  // The sheet's pivot-table wrappers (xls/pivot's TXLSPivotTables), made over the sheet's pivot
  // table definitions on first use; nullptr when no pivot library has registered.
  TXLSFactoryObject* PivotTables();
  // The sheet's drawing layer (xls/drawingml's TXLSDrawing) over its sheet data's drawing
  // document, made on first use (with the document when the sheet has none yet); nullptr when no
  // drawing library has registered. After a load it is made for every sheet with a drawing.
  TXLSDrawingLayer* Drawing();
  // Lets the drawing layer go of the legacy reader's text objects, before the reader goes.
  void ForgetLegacyDrawing();
  TXLSSheetProtection& Protection();
  TXLSSelectedAreas& SelectedAreas();
  // The object of the class asked for (ClassId<T>()): the worksheet data, the selected areas
  // (TCellAreas), the columns or the rows; nullptr for any other class.
  void* RequestObject(const void* classId);
  template <class T>
  T* RequestObject() {
    return static_cast<T*>(RequestObject(ClassId<T>()));
  }

  // Measures the formatted text of every cell of the column outside merged areas in its font
  // (kws::MeasureText) and returns the widest, in pixels: text width + average character width + 5,
  // plus the indent and one more character width for right-aligned cells (the text height for
  // rotations 90, 180 and 255). When above 0, the column's pixel width becomes that width clamped to
  // minWidth..maxWidth.
  int32_t AutoWidthCol(int32_t col, int32_t minWidth, int32_t maxWidth);
  // Deletes cells of the area: with values and formats the cells go, with values alone they become
  // blanks keeping their format; an area over every column deletes its rows whatever the options.
  // Values also take merged areas and hyperlinks in the area; comments, validations and
  // conditional formats go with their options (drawing objects with the drawing layer).
  void DeleteCells(int32_t col1, int32_t row1, int32_t col2, int32_t row2, TXLSDeleteOptions options);
  // The sheet's comments (made at the first call over the worksheet's comment list).
  TXLSComments& Comments();
  // The sheet's range object (made at the first call); set its area, then its format properties.
  TXLSRange& Range();

  void BeginFindText();
  // The next cell whose text holds `text` (ASCII letters folded when caseInsensitive), continuing
  // after the previous hit; CurrFindPos/Col/Row tell where. False when no cell is left.
  bool FindText(std::u16string_view text, bool caseInsensitive);
  int32_t CurrFindPos() const { return FCurrFindPos; }
  int32_t CurrFindCol() const { return FCurrFindCol; }
  int32_t CurrFindRow() const { return FCurrFindRow; }

  void CalcDimensions();
  bool IsEmpty() const;
  int32_t FirstCol() const;
  int32_t LastCol() const;
  int32_t FirstRow() const;
  int32_t LastRow() const;

  std::u16string GetAsString(int32_t col, int32_t row);
  double GetAsFloat(int32_t col, int32_t row);
  bool GetAsBoolean(int32_t col, int32_t row);
  TXc12CellError GetAsError(int32_t col, int32_t row);
  std::u16string GetAsFormula(int32_t col, int32_t row);
  bool GetAsBlank(int32_t col, int32_t row);
  bool GetAsEmpty(int32_t col, int32_t row);
  // The text shown for the cell: numbers (and cached numbers of formulas) formatted by the cell's
  // number format, other cells as GetAsString, formulas as text when formulas are shown.
  std::u16string GetAsFmtString(int32_t col, int32_t row) { return GetFormatString(col, row, nullptr); }
  // The same; `color`, when given, receives the colour (Windows order, blue in the high byte)
  // that the format's section names, or 0xFF000000 when it names none. Built-in formats 14, 20
  // and 22 show the settings' short date, short time and both; other codes go through the
  // number-format mask (in a 1904 workbook dates count from 1904); numbers without a format
  // code show the general form, or DefDecimals decimals with thousands separators when
  // DefDecimals >= 0. Never raises for a code the mask refuses: that gives the general form.
  std::u16string GetFormatString(int32_t col, int32_t row, uint32_t* color);
  TXLSCellType GetCellType(int32_t col, int32_t row);
  // False for a missing or blank cell; true when the cell's number format is a built-in date or
  // time format (positions 14 to 22) or its code, read as a number-format mask, shows dates or
  // times.
  bool GetIsDateTime(int32_t col, int32_t row);
  // Decimals of formatted numbers without a number format; -1 (the default) for the general form.
  int32_t DefDecimals() const { return FDefDecimals; }
  void SetDefDecimals(int32_t v) { FDefDecimals = v; }

  void SetAsBlank(int32_t col, int32_t row);
  void SetAsBoolean(int32_t col, int32_t row, bool value);
  void SetAsError(int32_t col, int32_t row, TXc12CellError value);
  void SetAsFloat(int32_t col, int32_t row, double value);
  void SetAsString(int32_t col, int32_t row, std::u16string_view value);
  // A number with a built-in date and time format: 22 (date and time) for a value with a whole part
  // and a fraction, 14 (date) for a whole number, 20 (time) for a value below one day. The format
  // is applied through the workbook's format command when the cell's format shows another one.
  void SetAsDateTime(int32_t col, int32_t row, double value);

 private:
  int32_t DefaultStyle(int32_t col, int32_t row);
  // True when cell writes go to the hub's write event instead of the store (see DirectWrite).
  bool DirectWriting() const;
  template <class F>
  void HandOver(int32_t col, int32_t row, F&& setValue);
  bool SeekCell(int32_t& row, int32_t& col, bool iterCurrent, TXLSCellItem& lookup,
                const TXLSCellItem*& cell);
  // The cell's text; numbers formatted by the cell's number format when `formatted`.
  std::u16string CellText(int32_t col, int32_t row, bool formulasAsText, bool formatted = false,
                          uint32_t* color = nullptr);
  std::u16string FormattedNumber(int32_t style, double value, uint32_t* color);

  TXLSClassFactory* FClassFactory;
  TXc12DataWorksheet* FXc12Sheet;
  TXc12Manager* FManager;
  TXLSWorkbook* FOwner;
  int32_t FCurrFindPos = -1, FCurrFindCol = 0, FCurrFindRow = 0;
  int32_t FDefDecimals = -1;
  TXLSCellArea FFindDim{-1, -1, -1, -1};
  bool FIterValid = false;
  std::unique_ptr<TXLSCell> FTheCell;
  std::unique_ptr<TXLSFormattedCell> FTheCellFormat;
  std::unique_ptr<TXLSRows> FRows;
  std::unique_ptr<TXLSColumns> FColumns;
  std::unique_ptr<TXLSPrintSettings> FPrintSettings;
  std::unique_ptr<TXLSPane> FPane;
  std::unique_ptr<TXLSFactoryObject> FPivotTables;
  std::unique_ptr<TXLSDrawingLayer> FDrawing;
  std::unique_ptr<TXLSSheetProtection> FProtection;
  std::unique_ptr<TXLSSelectedAreas> FSelectedAreas;
  std::unique_ptr<TXLSComments> FComments;
  std::unique_ptr<TXLSRange> FRange;
};

// The sheet list over the model.
class TXLSWorkbook {
 public:
  TXLSWorkbook(TXLSClassFactory* factory, TXc12Manager* manager);
  virtual ~TXLSWorkbook();
  TXLSWorkbook(const TXLSWorkbook&) = delete;
  TXLSWorkbook& operator=(const TXLSWorkbook&) = delete;

  size_t Count() const { return FItems.size(); }
  TXLSWorksheet* Items(size_t index) const { return FItems.at(index).get(); }
  TXLSWorksheet* Sheets(size_t index) const { return Items(index); }
  // A new worksheet named "<DefaultName><n>" with the first free n from the sheet count on.
  TXLSWorksheet* Add();
  virtual void Clear();
  virtual void AfterRead();
  TXLSWorksheet* SheetByName(std::u16string_view name) const;

  void BeginFindText();
  bool FindText(std::u16string_view text, bool caseInsensitive);
  int32_t CurrFindSheet() const { return FCurrFindSheet; }

  bool ShowFormulas() const { return FShowFormulas; }
  void SetShowFormulas(bool v) { FShowFormulas = v; }
  const std::u16string& DefaultName() const { return FDefaultName; }
  void SetDefaultName(std::u16string_view v) { FDefaultName = v.empty() ? u"Sheet" : std::u16string(v); }
  // Separators for numbers turned into text.
  const FormatSettings& Settings() const { return FSettings; }
  void SetSettings(const FormatSettings& fs) { FSettings = fs; }
  // Turns a compiled formula of `sheet` into text; set by the formula layer.
  std::function<std::u16string(TXLSWorksheet& sheet, std::span<const uint8_t> ptgs)> OnDecodeFormula;
  TXc12Manager& Manager() { return *FManager; }
  // The workbook's format command (its target is dropped whenever the sheets are cleared),
  // window settings and calculation options.
  TXLSCmdFormat& Command();
  // The cell format every value assignment takes when set (a position in the style sheet's cell
  // formats; -1, the start, for none). Dropped when the sheets are.
  int32_t DefaultFormat() const { return FDefaultFormat; }
  void SetDefaultFormat(int32_t xf) { FDefaultFormat = xf < 0 ? -1 : xf; }
  TXLSWorkbookData& WorkbookData();
  TXLSOptionsDialog& Options();
  // The workbook's clipboard object (made at the first call).
  TXLSClipboard& Clipboard();

 protected:
  void DropSheets();
  TXLSClassFactory* FClassFactory;
  TXc12Manager* FManager;
  std::vector<std::unique_ptr<TXLSWorksheet>> FItems;
  std::u16string FDefaultName = u"Sheet";
  bool FShowFormulas = false;
  int32_t FCurrFindSheet = 0;
  bool FCompiled = false;
  FormatSettings FSettings = DefaultFormatSettings();
  std::unique_ptr<TXLSCmdFormat> FCmdFormat;
  int32_t FDefaultFormat = -1;
  std::unique_ptr<TXLSWorkbookData> FWorkbookData;
  std::unique_ptr<TXLSOptionsDialog> FOptions;
  std::unique_ptr<TXLSClipboard> FXLSClipboard;

 private:
  friend class TXLSWorksheet;
  // What the keyword of the running search gave for each shared-string entry searched from its
  // start (0 not searched yet, 1 no hit, p + 2 the first hit at p), so that an entry used by many
  // cells is searched once; kept while the keyword, its folding and the table stay the same.
  struct TFindEntryCache {
    std::u16string Key;
    bool Fold = false;
    const TXc12DataSST* Table = nullptr;
    uint64_t Generation = 0;
    std::vector<uint32_t> FirstHit;
  };
  std::vector<uint32_t>& FindEntryCache(std::u16string_view key, bool fold, const TXc12DataSST& sst);
  TFindEntryCache FFindCache;
};

// A relative cell range served by a sheet object.
class TXLSRelCellsImpl : public TXLSRelCells {
 public:
  // Takes the command values of the sheet's workbook when a sheet is given.
  explicit TXLSRelCellsImpl(TXLSWorksheet* sheet) { Bind(sheet); }
  std::unique_ptr<TXLSRelCells> CreateInstance() const override;
  bool GetAsBoolean(int32_t col, int32_t row) override;
  double GetAsFloat(int32_t col, int32_t row) override;
  std::u16string GetAsString(int32_t col, int32_t row) override;
  TXc12CellError GetAsError(int32_t col, int32_t row) override;
  bool GetAsBlank(int32_t col, int32_t row) override;
  bool GetAsEmpty(int32_t col, int32_t row) override;
  std::u16string GetAsFmtString(int32_t col, int32_t row) override;
  std::unique_ptr<TXLSSharedItemsValue> GetAsSharedItem(int32_t col, int32_t row) override;
  TXLSCellType GetCellType(int32_t col, int32_t row) override;
  bool GetIsDateTime(int32_t col, int32_t row) override;
  void SetAsBoolean(int32_t col, int32_t row, bool value) override;
  void SetAsFloat(int32_t col, int32_t row, double value) override;
  void SetAsString(int32_t col, int32_t row, std::u16string_view value) override;
  void SetAsError(int32_t col, int32_t row, TXc12CellError value) override;
  void SetAsBlank(int32_t col, int32_t row) override;
  void ClearAll(int32_t col1, int32_t row1, int32_t col2, int32_t row2) override;
  int32_t AutoWidthCol(int32_t col) override;
  void SetAsSharedItem(int32_t col, int32_t row, const TXLSSharedItemsValue& value) override;
  std::u16string SheetName() const override;
  int32_t SheetIndex() const override;
  void BeginCommand() override;
  void ApplyCommand() override;
  void ApplyCommand(int32_t col, int32_t row) override;
  void ApplyCommand(int32_t col1, int32_t row1, int32_t col2, int32_t row2) override;
  TXLSWorksheet* Sheet() const { return FSheet; }
  void Bind(TXLSWorksheet* sheet);

 protected:
  bool ClipToUsedArea(int32_t& col1, int32_t& row1, int32_t& col2, int32_t& row2) override;

 private:
  // The bound sheet; raises while unbound.
  TXLSWorksheet& Bound() const;
  TXLSCmdFormat& Cmd() const;
  // Writes through the bound sheet after growing the bounds when AutoExtend is set.
  template <class F>
  void Write(int32_t col, int32_t row, F&& write);
  TXLSWorksheet* FSheet = nullptr;
};

// The component's class factory: the model's own classes for every kind it knows.
class TXLSClassFactoryImpl : public TXLSClassFactory {
 public:
  std::unique_ptr<TXLSFactoryObject> CreateAClass(TXLSClassFactoryType kind, void* owner) override;
  TXc12Manager* FManager = nullptr;  // the component's hub, given to the names; not owned
};

class TXLSBook : public TXLSWorkbook {
 public:
  explicit TXLSBook(const FormatSettings& settings = DefaultFormatSettings());
  ~TXLSBook() override;

  // Empties the model and leaves `defaultSheets` empty sheets (clamped to 0..255).
  void Clear(int32_t defaultSheets);
  void Clear() override { Clear(1); }
  void LoadFromFile(const std::filesystem::path& file);
  // A stream of any kind the component reads; "XLSX File read error." for others.
  void LoadFromStream(std::istream& stream);
  void LoadFromBytes(std::span<const uint8_t> data, bool legacyName = false);
  // A legacy workbook's bytes, whatever their first bytes say.
  void LoadFromStream97(std::span<const uint8_t> data);

  // 1 compound file, 2 zip package, 6 rich-text file, 0 anything else.
  static int DetectFileType(std::span<const uint8_t> data);
  // The data begins with the signature (at most 16 bytes; a longer one never matches).
  static bool StreamHasSignature(std::span<const uint8_t> data, std::span<const uint8_t> signature);

  TExcelVersion Version() const { return FManager->Version(); }
  // The version switch. To xvExcel97: warning 6003 when sheets with content are discarded, then
  // the model holds one empty legacy workbook (read by the legacy reader from
  // EmptyLegacyWorkbook()) with every number format, font, fill and border locked. To any other
  // version: the legacy reader object is freed and the hub becomes a package workbook
  // (xvExcel2007). The same version again changes nothing.
  void SetVersion(TExcelVersion version);
  const std::u16string& Filename() const { return FManager->FFilename; }
  const std::u16string& Password() const { return FManager->FPassword; }
  void SetPassword(std::u16string_view p) { FManager->FPassword = p; }
  TXLSErrorManager& Errors() { return *FErrors; }
  TXLSBookReaders& Readers() { return FReaders; }
  // The legacy reader's object after a legacy load (kept for its name tables), else nullptr.
  TXLSFactoryObject* BIFF() const { return FBIFF.get(); }
  void SetBIFF(std::unique_ptr<TXLSFactoryObject> biff) { FBIFF = std::move(biff); }
  // The formula service of a library above the model (the formula binding keeps its handler and
  // model views here), owned by the component and freed before the hub; nullptr until set.
  TXLSFactoryObject* FormulaService() const { return FFormulaService.get(); }
  void SetFormulaService(std::unique_ptr<TXLSFactoryObject> service) { FFormulaService = std::move(service); }
  // Pass-throughs to the hub, the shared strings and the process-wide Boolean texts.
  bool DirectRead() const { return FManager->FDirectRead; }
  void SetDirectRead(bool v) { FManager->FDirectRead = v; }
  bool UseAlternateZip() const { return FManager->FileData().FUseAlternateZip; }
  void SetUseAlternateZip(bool v) { FManager->FileData().FUseAlternateZip = v; }
  bool CompressStrings() const;
  void SetCompressStrings(bool v);
  void SetOnPassword(TStringEvent e) { FManager->FPasswordEvent = std::move(e); }
  void SetOnReadCell(TCellReadWriteEvent e) { FManager->FCellReadEvent = std::move(e); }
  // Direct write: while DirectWrite is on and OnWriteCell is set, a cell written through a sheet
  // object (SetAsBlank ... SetAsString) is not stored but handed to OnWriteCell in the hub's
  // event cell (sheet index and name, column, row, type and value). The same cell of the same
  // sheet twice in a row is error 1005 and is not handed on again. Switching DirectWrite on
  // forgets the previous cell.
  bool DirectWrite() const { return FManager->FDirectWrite; }
  void SetDirectWrite(bool v);
  const TCellReadWriteEvent& OnWriteCell() const { return FManager->FCellWriteEvent; }
  void SetOnWriteCell(TCellReadWriteEvent e) { FManager->FCellWriteEvent = std::move(e); }
  // Load progress of both roads: the legacy reader by its position in the record stream, the
  // package reader by the share of sheets read; 0 first and 100 last when the load succeeds.
  const TXLSProgressEvent& OnProgress() const { return FProgressEvent; }
  void SetOnProgress(TXLSProgressEvent e) { FProgressEvent = std::move(e); }
  // The function lookups of the formula handler when it compiles formula text (shared formulas
  // of packages, defined names): OnFunction for a function of the function table, OnUserFunction
  // for a name it does not hold.
  const TXLSFunctionEvent& OnFunction() const { return FFunctionEvent; }
  void SetOnFunction(TXLSFunctionEvent e) { FFunctionEvent = std::move(e); }
  const TXLSUserFunctionEvent& OnUserFunction() const { return FUserFunctionEvent; }
  void SetOnUserFunction(TXLSUserFunctionEvent e) { FUserFunctionEvent = std::move(e); }

  // The file watch (see the header comment). Setting true watches the hub's file name and
  // answers whether the watch runs (false without a file name or when its folder cannot be
  // watched); setting false stops it. MonitorFile reads true while the watch runs.
  bool MonitorFile() const { return FMonitor.Active(); }
  bool SetMonitorFile(bool on);
  const TXLSMonitorFileEvent& OnMonitorFile() const { return FMonitorFileEvent; }
  void SetOnMonitorFile(TXLSMonitorFileEvent e) { FMonitorFileEvent = std::move(e); }
  // What became of the watched file since the last poll; fires OnMonitorFile (on this thread)
  // when something did. Never waits.
  TXLSFileChange PollMonitorFile();

  bool ReadVBA = false;
  bool SkipExcel97Drawing = false;
  static std::u16string ComponentVersion() { return u"6.00.47"; }

 protected:
  void AfterReadWork();

 private:
  template <class F>
  void Load(TExcelVersion version, F&& read);
  void RouteLoad(std::span<const uint8_t> data, bool legacyName);
  void BindVirtualCells();

  std::unique_ptr<TXLSErrorManager> FErrors;
  std::unique_ptr<TXLSClassFactoryImpl> FClassFactoryImpl;
  std::unique_ptr<TXc12Manager> FManagerOwned;
  std::unique_ptr<TXLSFactoryObject> FBIFF;
  TXLSBookReaders FReaders;
  std::unique_ptr<TXLSFactoryObject> FFormulaService;
  TXLSProgressEvent FProgressEvent;
  TXLSFunctionEvent FFunctionEvent;
  TXLSUserFunctionEvent FUserFunctionEvent;
  kws::FileWatch FMonitor;
  TXLSMonitorFileEvent FMonitorFileEvent;
  bool FKeepMonitor = false;  // set while LoadFromFile reloads the watched file
};

}  // namespace xls
