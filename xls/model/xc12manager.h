// The hub of one workbook's data model and the package-level file data.
//
// The spreadsheet component creates one hub, clears it before every load and brackets every
// load with BeforeRead and AfterRead. Readers and model objects reach the rest of the model
// through it: style sheet, shared strings, workbook data, worksheets, external links, the
// graphic manager with the images, the cell handed to the read-cell event, and the relative cell
// ranges that chart references create during a load.
//
// The file data keeps the package parts that no reader consumed, sorted by where they hang in
// the package's relationship tree (ECMA-376 Part 2, OPC): below the package root, below the
// workbook part (officeDocument relationship), below a worksheet (worksheet relationship: per
// sheet, table parts apart), or below another kept part. The package reader hands the unread
// parts over as plain records, so the model never sees the package itself.
// Theme colours come from the theme part's colour scheme (a:clrScheme, ECMA-376 Part 1,
// 20.1.6.2) as RRGGBB hexadecimal text and are stored in the model's 00BBGGRR order.
// The file data owns the open package of the last package load (with its content types) and the
// core document properties (docProps/core.xml: Dublin Core creator, cp:lastModifiedBy,
// dcterms:created and dcterms:modified as W3C date-time text) as the package layer's tree;
// TXc12DocProps reads and writes them there.
// Design choice: Clear also forgets the relative cell ranges of the previous load, which the
// hub never owns, so nothing is bound or freed twice after a load that failed half way.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xls/model/formatsettings.h"
#include "xls/model/xlscellarea.h"
#include "xls/model/xlsclassfactory.h"
#include "xls/model/xlsevents.h"
#include "xls/model/xlsimages.h"
#include "xls/model/xlskeptxml.h"
#include "xls/model/xlssheetparts.h"

namespace xls {

class TXLSErrorManager;
class TXc12DataStyleSheet;
class TXc12DataSST;
class TXc12DataWorkbook;
class TXc12DataWorksheets;
class TXc12XF;
class TXLSRelCells;
class TXc12Manager;

// The cell handed to the read-cell event: a reader sets the formula first, then the result.
class TXLSEventCell {
 public:
  void Clear();
  void ClearValues();
  bool Active() const { return FActive && !FAborted; }
  void SetAsFormula(std::u16string_view f) {
    FFormula = f;
    FIsFormula = true;
  }
  void SetAsBoolean(bool v);
  void SetAsError(TXc12CellError v);
  void SetAsFloat(double v);
  void SetAsString(std::u16string_view v);
  // A1 reference text; a text that does not parse leaves the position unchanged.
  void SetRef(std::u16string_view ref);

  int32_t FPrevCol = -1, FPrevRow = -1;
  bool FActive = false, FAborted = false;
  int32_t FSheetIndex = 0;
  std::u16string FSheetName;
  int32_t FCol = 0, FRow = 0;
  TXLSCellArea FTargetArea{0, 65535, 0, 255};
  TXLSCellType FCellType = TXLSCellType::xctNone;
  bool FIsFormula = false;
  bool FValBoolean = false;
  TXc12CellError FValError = TXc12CellError::errUnknown;
  double FValFloat = 0;
  std::u16string FValString, FFormula;
  TXc12XF* FXF = nullptr;  // not owned
};

class TXLSSavedFileDataList;

// Where the bytes of a kept part come from when they are not held: the reader keeps a part
// packed and unpacks it only when asked, so that a load never holds parts nobody reads.
class TXLSPartSource {
 public:
  virtual ~TXLSPartSource() = default;
  // The part's bytes; raises when they cannot be read.
  virtual std::vector<uint8_t> Bytes() const = 0;
};

// One kept part.
struct TXLSSavedFileData {
  std::u16string FType, FTarget, FContent;
  std::vector<uint8_t> FData;
  std::shared_ptr<const TXLSPartSource> FSource;  // when the bytes are not held in FData
  // The part's bytes: FData, or what the source gives.
  std::vector<uint8_t> Bytes() const { return FSource && FData.empty() ? FSource->Bytes() : FData; }
  std::unique_ptr<TXLSSavedFileDataList> FChilds;
  TXLSSavedFileDataList& AddChilds();
};

class TXLSSavedFileDataList {
 public:
  TXLSSavedFileData* Add(std::u16string_view type, std::u16string_view target, std::vector<uint8_t> data,
                         std::u16string_view content);
  TXLSSavedFileData* FindByType(std::u16string_view type) const;
  size_t Count() const { return FItems.size(); }
  TXLSSavedFileData* Items(size_t index) const { return FItems.at(index).get(); }
  void Clear();
  // True once a macro project ("vbaProject.bin") was added, until Clear.
  bool FHasVBA = false;
  bool FHasSignedVBA = false;

 private:
  std::vector<std::unique_ptr<TXLSSavedFileData>> FItems;
};

struct TXLSSavedFileDataSheet {
  TXLSSavedFileDataList FSheetData, FTableData;
};

// A package part no reader consumed, as the package reader hands it over.
struct TXLSUnusedPart {
  std::u16string Name;        // the part's file name (no folder)
  bool Internal = true;       // target mode internal
  std::u16string ParentType;  // relationship type of the parent part; "__ROOT__" for the package root
  std::u16string ParentId;    // relationship Id of the parent part
  std::u16string Type, Target, Content;
  std::vector<uint8_t> Data;
  std::shared_ptr<const TXLSPartSource> Source;  // the bytes, unpacked when used
};

class TXc12FileData {
 public:
  explicit TXc12FileData(TXLSErrorManager* errors) : FErrors(errors) {}
  void Clear();
  // A worksheet's relationship Id, in workbook order, before the sheet is read.
  void AddSaveSheet(std::u16string_view id);
  // Keeps the parts no reader consumed (see the header comment). A part below a worksheet Id that
  // no sheet registered is kept with the root's parts and reported as warning 2001.
  void ReadUnusedData(std::vector<TXLSUnusedPart> parts);
  // Sets theme slot `slot` (0..12, the clrScheme order lt1, dk1, ..., folHlink, extList) from
  // RRGGBB hexadecimal text; false (slot unchanged) when the text is not 1..8 hex digits.
  static bool SetThemeColor(int slot, std::u16string_view hex);

  bool HasMacros() const { return FSavedWorkbook.FHasVBA; }
  bool FUseAlternateZip = false;
  // The package of the last package load (closed once the load ends), with its content types.
  std::unique_ptr<TXc12PackageObject> FOPC;
  // The core-properties part; the template's tree when the package has none.
  TXc12KeptXml FDocPropsCore;
  TXLSSavedFileDataList FSavedRoot, FSavedWorkbook;
  std::vector<std::pair<std::u16string, std::unique_ptr<TXLSSavedFileDataSheet>>> FSavedSheets;

 private:
  TXLSErrorManager* FErrors;
};

// The core document properties over the file data's tree. Reads give empty text or 0 when the
// node is missing; writes change an existing node only.
class TXc12DocProps {
 public:
  explicit TXc12DocProps(TXc12FileData* data) : FData(data) {}
  // The core-properties part a new workbook starts from (every property empty).
  static std::u16string_view Template();

  std::u16string Creator() const { return Text(kCreator); }
  std::u16string LastModifiedBy() const { return Text(kLastModifiedBy); }
  // Date serials (days since 1899-12-30, UTC); 0 when missing or not a W3C date-time.
  double DateCreated() const { return XmlTextToDateTime(Text(kCreated)); }
  double DateModified() const { return XmlTextToDateTime(Text(kModified)); }
  void SetCreator(std::u16string_view v) { SetText(kCreator, v); }
  void SetLastModifiedBy(std::u16string_view v) { SetText(kLastModifiedBy, v); }
  void SetDateCreated(double v) { SetText(kCreated, DateTimeToXmlText(v)); }
  void SetDateModified(double v) { SetText(kModified, DateTimeToXmlText(v)); }

  // "2024-03-05T14:30:00Z" (also with a fraction of seconds or an offset, which is taken off)
  // to a date serial; 0 when the text is no such date-time.
  static double XmlTextToDateTime(std::u16string_view text);
  // A date serial as "yyyy-mm-ddThh:nn:ssZ" (whole seconds); empty outside years 1..9999.
  static std::u16string DateTimeToXmlText(double serial);

  bool FAutoUpdate = true;  // stored only

 private:
  static constexpr std::u16string_view kCreator = u"cp:coreProperties/dc:creator";
  static constexpr std::u16string_view kLastModifiedBy = u"cp:coreProperties/cp:lastModifiedBy";
  static constexpr std::u16string_view kCreated = u"cp:coreProperties/dcterms:created";
  static constexpr std::u16string_view kModified = u"cp:coreProperties/dcterms:modified";
  std::u16string Text(std::u16string_view path) const;
  void SetText(std::u16string_view path, std::u16string_view text);
  TXc12FileData* FData;  // not owned
};

class TXc12GraphicManagerImpl : public TXc12GraphicManager {
 public:
  TXc12GraphicManagerImpl(TXc12Manager* manager, TXLSErrorManager* errors) : TXc12GraphicManager(errors), FManager(manager) {}
  TXLSRelCells* CreateRelativeCells(std::u16string_view ref) override;
  void ReleaseRelativeCells(TXLSRelCells* cells) override;

 private:
  TXc12Manager* FManager;
};

using TCellReadWriteEvent = std::function<void(TXLSEventCell& cell)>;
using TStringEvent = std::function<void(std::u16string& value)>;
// The kind of a long operation whose progress the hub's fields hold.
enum class TXLSProgressType : uint8_t { xptNone, xptRead, xptWrite, xptCalculate };

class TXc12Manager {
 public:
  // settings: the separators of array constants in formula text come from its decimal separator.
  TXc12Manager(TXLSClassFactory* factory, TXLSErrorManager* errors, const FormatSettings& settings = DefaultFormatSettings());
  ~TXc12Manager();
  TXc12Manager(const TXc12Manager&) = delete;
  TXc12Manager& operator=(const TXc12Manager&) = delete;

  void CreateMembers();
  void Clear();
  void BeforeRead() { FIsUpdating = true; }
  void AfterRead();
  // The table named `name` (a to z folded) on any sheet: its position in that sheet's list, with
  // the list and the sheet's position; -1 when none.
  int32_t FindTable(std::u16string_view name, TXc12Tables*& tables, int32_t& sheetIndex) const;
  void FireReadCellEvent() {
    if (FCellReadEvent) FCellReadEvent(*FEventCell);
  }

  TExcelVersion Version() const { return FVersion; }
  void SetVersion(TExcelVersion v);
  // "dir/[name.xlsx]" form of the file name; empty without one.
  std::u16string FilenameAsXLS() const;

  TXLSErrorManager* Errors() const { return FErrors; }
  TXc12FileData& FileData() { return *FFileData; }
  TXc12DataStyleSheet& StyleSheet() { return *FStyleSheet; }
  TXc12DataSST& SST() { return *FSST; }
  TXc12DataWorkbook& Workbook() { return *FWorkbook; }
  TXc12DataWorksheets& Worksheets() { return *FWorksheets; }
  const TXc12DataWorksheets& Worksheets() const { return *FWorksheets; }
  TXc12DataXLinks& XLinks() { return *FXLinks; }
  TXc12GraphicManager& GrManager() { return *FGrManager; }
  TXc12DocProps& DocProps() { return *FDocProps; }
  TXLSEventCell& EventCell() { return *FEventCell; }
  TXLSClassFactory* ClassFactory() const { return FClassFactory; }
  std::vector<TXLSRelCells*>& VirtualCells() { return FVirtualCells; }

  std::u16string FFilename;
  std::u16string FPassword;
  TStringEvent FPasswordEvent;
  bool FHasXSS = false;  // no operation of the engine sets it
  bool FIsUpdating = false;
  bool FPaletteChanged = false;
  char16_t FColSeparator = u',';
  char16_t FRowSeparator = u';';
  bool FAborted = false;
  TCellReadWriteEvent FCellReadEvent, FCellWriteEvent;
  bool FDirectRead = false, FDirectWrite = false;
  TXc12PaperSize FDefaultPaperSz = TXc12PaperSize::psNone;
  // Progress fields stored for the component; the readers fire the component's OnProgress.
  TXLSProgressEvent FProgress;
  TXLSProgressType FProgressType = TXLSProgressType::xptNone;
  int32_t FProgressCount = 0;
  std::function<void(TXc12Manager*)> FXSSAfterRead;
  // The legacy reader's name tables after a legacy load, owned by the reader object that the
  // component keeps (TXLSBook::BIFF): FNames97 its defined names, FExtNames97 its external
  // references; FExtSheet97 resolves the reference index of a legacy 3-D reference to the one
  // sheet of this workbook it names (false when it names none or several). The legacy reader sets
  // them; Clear drops the external references and the resolver, the component's clear all three.
  TXLSFactoryObject* FNames97 = nullptr;
  TXLSFactoryObject* FExtNames97 = nullptr;
  std::function<bool(uint16_t refIndex, int32_t& sheet)> FExtSheet97;
  std::u16string FStrSERIES = u"Series";

 private:
  TXLSErrorManager* FErrors;
  TXLSClassFactory* FClassFactory;
  TExcelVersion FVersion = TExcelVersion::xvNone;
  std::unique_ptr<TXc12FileData> FFileData;
  std::unique_ptr<TXc12DataStyleSheet> FStyleSheet;
  std::unique_ptr<TXc12DataSST> FSST;
  std::unique_ptr<TXc12DataWorkbook> FWorkbook;
  std::unique_ptr<TXc12DataWorksheets> FWorksheets;
  std::unique_ptr<TXc12DataXLinks> FXLinks;
  std::unique_ptr<TXc12GraphicManagerImpl> FGrManager;
  std::unique_ptr<TXLSEventCell> FEventCell;
  std::unique_ptr<TXc12DocProps> FDocProps;
  std::vector<TXLSRelCells*> FVirtualCells;  // not owned
};

// Paper size of the environment's locale (LC_PAPER): letter, legal or A3 by their sizes in
// millimetres, A4 otherwise.
TXc12PaperSize LocalePaperSize();

}  // namespace xls
