// `TBIFF5`: the legacy workbook reader object of one legacy load (.xls/.xlm), kept by the
// component after the load. It owns what stays on the legacy side (legacy sheets, the globals
// raw record storage, STYLE records, the copy of the compound file's other elements, chart sheets
// kept raw) and hands cells, strings, styles and names to the model hub `TXc12Manager`.
//
// A load: `LoadFromStream`(bytes) or `Read` (the file `Filename`) clears the object, runs one
// record reader `TXLSReadII` over the bytes (see xlsreadii.h), and then, when no sheet was read,
// leaves one empty legacy sheet. Errors reach the caller; inside a record they arrive wrapped as
// "Error on reading record # n, IIII Offs: OOOOOOOO\r" and the message.
//
// Design: record handlers are looked up in a table (`Handlers()`, copied from
// `DefaultBIFFRecordHandlers()` at creation) so that the cell, string, globals and style handlers
// live in their own units and tests can install their own. The legacy formula handler with its
// name tables (`FormulaHandler()`) is emptied with the object and answers sheet names and the
// model's defined names through this object. The macro storage (`VBA()`) exists only while
// `ReadMacros` is on; a compound file's macro project is then read with the workbook stream. The
// picture store (`MSOPictures()`) is held here; chart sheets are kept as raw record lists.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "xls/biff/biffformulahandler.h"
#include "xls/biff/biffvba.h"
#include "xls/biff/biffhandlers.h"
#include "xls/biff/escherpictures.h"
#include "xls/biff/recordstorage.h"
#include "xls/biff/sheets.h"
#include "xls/biff/xlsstream.h"
#include "xls/model/xlscellarea.h"
#include "xls/model/xlsclassfactory.h"

namespace xls {
class TXc12Manager;
class TXc12Fonts;
}  // namespace xls

namespace xls::biff {

class TXLSReadII;

// A chart sheet sub-stream kept as raw records, BOF to EOF inclusive.
struct TRawChartSheet {
  std::u16string Name;
  int32_t SheetIndex = 0;  // position in the file's sheet list
  TBaseRecordStorage Records;
};

// Raw STYLE records (0x0293), in file order.
class TStyles : public TBaseRecordStorage {};

using TBIFFProgressEvent = std::function<void(TXLSReadII& sender, int32_t percent)>;

class TBIFF5 : public TXLSFactoryObject {
 public:
  explicit TBIFF5(TXc12Manager& manager);
  ~TBIFF5() override;
  TBIFF5(const TBIFF5&) = delete;
  TBIFF5& operator=(const TBIFF5&) = delete;

  // Back to the state after creation (one empty sheet; defaults in the globals storage).
  void Clear();
  void ClearCells();

  // Reads the workbook file named by Filename; records the version read in OrigVersion.
  void Read();
  // Reads a workbook held in memory (a compound file or a bare BIFF2-4 file); with no bytes, the
  // file named by Filename. The bytes must stay alive for the call.
  void LoadFromStream(std::optional<std::span<const uint8_t>> data);

  TXc12Manager& Manager() const { return *FManager; }
  const std::filesystem::path& Filename() const { return FFilename; }
  void SetFilename(std::filesystem::path f) { FFilename = std::move(f); }
  TExcelVersion Version() const { return FVersion; }
  // Also sets the buffer size: 2080 below xvExcel97, else 8224.
  void SetVersion(TExcelVersion v);
  TExcelVersion OrigVersion() const { return FOrigVersion; }
  uint32_t MaxBuffSize() const { return FMaxBuffsize; }

  TSheets& Sheets() { return *FSheets; }
  // The workbook's drawing group and picture store.
  TMSOPictures& MSOPictures() { return *FMSOPictures; }
  TSheet* GetSheet(size_t index) const { return FSheets->GetSheet(index); }
  TRecordStorageGlobals& Records() { return *FRecords; }
  TStyles& Styles() { return *FStyles; }
  TExtraObjects& ExtraObjects() { return *FExtraObjects; }
  // The macro storage; nullptr while ReadMacros is off.
  TXLSVBA* VBA() const { return FVBA.get(); }
  bool ReadMacros() const { return FVBA != nullptr; }
  // On: makes the macro storage (its failures become warnings of the hub); off: frees it.
  void SetReadMacros(bool v);
  std::vector<std::unique_ptr<TRawChartSheet>>& SheetCharts() { return FSheetCharts; }
  TXc12Fonts& Fonts() const;
  TBIFFRecordHandlers& Handlers() { return FHandlers; }
  TFormulaHandler& FormulaHandler() { return *FFormulaHandler; }

  bool Aborted() const { return FAborted; }
  // Asks the running load to stop before the next record (for example from a progress handler).
  void Abort() { FAborted = true; }
  void BeginUpdate() {}
  void EndUpdate() {}

  void SetFILESHARING(std::span<const uint8_t> body) { FFILESHARING.assign(body.begin(), body.end()); }
  const std::vector<uint8_t>& FILESHARING() const { return FFILESHARING; }
  bool RecomendReadOnly() const;
  void SetRecomendReadOnly(bool v);

  // Settings over the globals storage's slots.
  uint16_t Codepage() const { return FRecords->CODEPAGE(); }
  void SetCodepage(uint16_t v) { FRecords->SetCODEPAGE(v == 0 ? 1252 : v); }
  std::u16string UserName() const { return FRecords->WRITEACCESS(); }
  void SetUserName(std::u16string_view v) { FRecords->SetWRITEACCESS(v); }
  bool BookProtected() const { return FRecords->WINDOWPROTECT(); }
  void SetBookProtected(bool v) { FRecords->SetWINDOWPROTECT(v); }
  bool Backup() const { return FRecords->BACKUP(); }
  void SetBackup(bool v) { FRecords->SetBACKUP(v); }
  bool RefreshAll() const { return FRecords->REFRESHALL(); }
  void SetRefreshAll(bool v) { FRecords->SetREFRESHALL(v); }
  static std::u16string ComponentVersion() { return u"6.00.47"; }

  // Lookups the legacy formula handler asks for: the legacy sheet of a name (its index and the
  // sheet count; -1 and 0 when none) and the name of legacy sheet `index` (empty outside).
  void SheetNameLookup(std::u16string_view name, int32_t& index, int32_t& tabCount) const;
  std::u16string SheetNameOf(int32_t index) const;
  // Formula text of the model's defined name `index` (built-in names in their file form); empty
  // outside the list.
  std::u16string DefinedNameText(int32_t index) const;
  // Index of the model's first defined name equal to `name` without regard to case; -1 when none.
  int32_t DefinedNameIndex(std::u16string_view name) const;

  // Settings.
  bool FWriteDefaultData = true;
  bool FIsMac = false;
  bool FPreserveMacros = true;
  bool FSkipDrawing = false;
  std::u16string FPassword;  // the default password when it opened the file
  TBIFFProgressEvent FProgressEvent;
  std::function<void(TBIFF5&)> FAfterLoad;
  std::function<void(std::u16string& password)> FPasswordEvent;  // the hub's event is asked instead

 private:
  friend class TXLSReadII;
  TXc12Manager* FManager;
  std::filesystem::path FFilename;
  TExcelVersion FVersion = TExcelVersion::xvExcel97;
  TExcelVersion FOrigVersion = TExcelVersion::xvNone;
  uint32_t FMaxBuffsize = 8224;
  // Made before the sheets and freed after them: their drawings hold clusters of its DGG.
  std::unique_ptr<TMSOPictures> FMSOPictures;
  std::unique_ptr<TFormulaHandler> FFormulaHandler;
  std::unique_ptr<TSheets> FSheets;
  std::unique_ptr<TStyles> FStyles;
  std::unique_ptr<TRecordStorageGlobals> FRecords;
  std::unique_ptr<TExtraObjects> FExtraObjects;
  std::unique_ptr<TXLSVBA> FVBA;
  std::vector<std::unique_ptr<TRawChartSheet>> FSheetCharts;
  std::vector<uint8_t> FFILESHARING;
  bool FAborted = false;
  TBIFFRecordHandlers FHandlers;
};

}  // namespace xls::biff
