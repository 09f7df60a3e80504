// What a workbook holds beside its sheets' cells: file version and sharing, workbook properties
// and protection, book views, the sheet entries of a package's workbook part, function groups,
// defined names, calculation properties, custom views, smart-tag and web-publishing settings,
// file recovery settings and the user name.
//
// Element and attribute names follow ECMA-376 Part 1, 18.2 (workbook part). Defined names are
// the one part with logic of its own: a list that reuses deleted entries, finds a name local to
// a sheet before a workbook-wide one, and keeps a lookup of upper-cased workbook-wide names.
// Names compare with the letters a to z folded, as everywhere in the engine.
// Design choice: the lookup is dropped on every change that can alter its answer (an entry
// added, renamed, moved to another sheet, deleted or reused) and rebuilt at the next lookup, and
// it never holds deleted entries, so a lookup can neither miss a name nor return a freed one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "xls/model/xlscellarea.h"
#include "xls/model/xlsclassfactory.h"
#include "xls/model/xlskeptxml.h"
#include "xls/model/xlspivotlists.h"
#include "xls/model/xlsutils.h"

namespace xls {

struct TXc12FileVersion {
  // Assigning an empty text keeps the current value.
  void SetAppName(std::u16string_view v) { Keep(FAppName, v); }
  void SetLastEdited(std::u16string_view v) { Keep(FLastEdited, v); }
  void SetLowestEdited(std::u16string_view v) { Keep(FLowestEdited, v); }
  void SetRupBuild(std::u16string_view v) { Keep(FRupBuild, v); }
  void SetCodeName(std::u16string_view v) { Keep(FCodeName, v); }
  void Clear() { *this = TXc12FileVersion(); }
  std::u16string FAppName = u"xl", FLastEdited = u"4", FLowestEdited = u"4", FRupBuild = u"6047", FCodeName;

 private:
  static void Keep(std::u16string& f, std::u16string_view v) {
    if (!v.empty()) f = v;
  }
};

struct TXc12FileSharing {
  void Clear() { *this = TXc12FileSharing(); }
  bool FReadOnlyReccomended = false;
  std::u16string FUsername;
  int32_t FReservationPassword = 0;
};

enum class TXc12Objects : uint8_t { x12oAll, x12oPlaceholders, x12oNone };
enum class TXc12Comments_ : uint8_t { x12cCommNone, x12cCommIndicator, x12cCommIndAndComment };
enum class TXc12UpdateLinks : uint8_t { x12ulUserSet, x12ulNever, x12ulAlways };

struct TXc12WorkbookPr {
  // Everything but FDate1904 and FShowObjects (the readers always set those two).
  void Clear();
  bool FDate1904 = false;
  TXc12Objects FShowObjects = TXc12Objects::x12oAll;
  bool FShowBorderUnselectedTables = true, FFilterPrivacy = false, FPromptedSolutions = false,
       FShowInkAnnotation = true, FBackupFile = false, FSaveExternalLinkValues = true;
  TXc12UpdateLinks FUpdateLinks = TXc12UpdateLinks::x12ulUserSet;
  std::u16string FCodeName;
  bool FHidePivotFieldList = false, FShowPivotChartFilter = false, FAllowRefreshQuery = false,
       FPublishItems = false, FCheckCompatibility = false, FAutoCompressPictures = true,
       FRefreshAllConnections = false;
  int32_t FDefaultThemeVersion = 124226;
};

struct TXc12WorkbookProtection {
  void Clear() { *this = TXc12WorkbookProtection(); }
  int32_t FWorkbookPassword = 0, FRevisionPassword = 0;
  bool FLockStructure = false, FLockWindows = false, FLockRevision = false;
};

struct TXc12BookView {
  TXc12Visibility FVisibility = TXc12Visibility::x12vVisible;
  bool FMinimized = false, FShowHorizontalScroll = true, FShowVerticalScroll = true, FShowSheetTabs = true;
  int32_t FXWindow = 0, FYWindow = 0, FWindowWidth = 0, FWindowHeight = 0, FTabRatio = 600, FFirstSheet = 0,
          FActiveTab = 0;
  bool FAutoFilterDateGrouping = true;
};

class TXc12BookViews {
 public:
  TXc12BookViews() { Clear(true); }
  // Empties the list; with addDefault one view at 240, 45, 25875 x 15915.
  void Clear(bool addDefault);
  TXc12BookView* Add();
  size_t Count() const { return FItems.size(); }
  TXc12BookView* Items(size_t index) const { return FItems.at(index).get(); }

 private:
  std::vector<std::unique_ptr<TXc12BookView>> FItems;
};

struct TXc12Sheet {
  std::u16string FName;
  int32_t FSheetId = -1;
  TXc12Visibility FState = TXc12Visibility::x12vVisible;
  std::u16string FRId;
};

using TXc12Sheets = TXc12PlainList<TXc12Sheet>;

struct TXc12FunctionGroups {
  void Clear() {
    FItems.clear();
    FBuiltInGroupCount = 16;
  }
  void Add(std::u16string name) { FItems.push_back(std::move(name)); }
  std::vector<std::u16string> FItems;
  int32_t FBuiltInGroupCount = 16;
};

enum class TXc12CalcMode : uint8_t { cmManual, cmAutomatic, cmAutoExTables };
enum class TXc12RefMode : uint8_t { x12rmA1, x12rmR1C1 };

struct TXc12CalcPr {
  void Clear() { *this = TXc12CalcPr(); }
  int32_t FCalcId = 125725;
  TXc12CalcMode FCalcMode = TXc12CalcMode::cmAutomatic;
  bool FFullCalcOnLoad = false;
  TXc12RefMode FRefMode = TXc12RefMode::x12rmA1;
  bool FIterate = false;
  int32_t FIterateCount = 100;
  double FIterateDelta = 0.001;
  bool FFullPrecision = true, FCalcCompleted = true, FCalcOnSave = true, FConcurrentCalc = true;
  int32_t FConcurrentManualCount = 0;
  bool FForceFullCalc = false;
};

struct TXc12CustomWorkbookView {
  std::u16string FName, FGuid;
  bool FAutoUpdate = false;
  int32_t FMergeInterval = 0;
  bool FChangesSavedWin = false, FOnlySync = false, FPersonalView = false, FIncludePrintSettings = true,
       FIncludeHiddenRowCol = true, FMaximized = false, FMinimized = false, FShowHorizontalScroll = true,
       FShowVerticalScroll = true, FShowSheetTabs = true;
  int32_t FXWindow = 0, FYWindow = 0, FWindowWidth = 0, FWindowHeight = 0, FTabRatio = 600, FActiveSheetId = 0;
  bool FShowFormulaBar = true, FShowStatusbar = true;
  TXc12Comments_ FShowComments = TXc12Comments_::x12cCommIndicator;
  TXc12Objects FShowObjects = TXc12Objects::x12oAll;
};

enum class TXc12SmartTagShow : uint8_t { x12smtAll, x12smtNone, x12smtNoIndicator };
struct TXc12SmartTagPr {
  void Clear() { *this = TXc12SmartTagPr(); }
  bool FEmbed = false;
  TXc12SmartTagShow FShow = TXc12SmartTagShow::x12smtAll;
};
struct TXc12SmartTagType {
  std::u16string FNamespaceUri, FName, FUrl;
};

struct TXc12WebPublishing {
  void Clear() { *this = TXc12WebPublishing(); }
  bool FCss = true, FThicket = true, FLongFileNames = true, FVml = false, FAllowPng = false;
  uint8_t FTargetScreenSize = 3;  // 800 x 600
  int32_t FDpi = 96, FCodePage = 0;
};

struct TXc12FileRecoveryPr {
  bool FAutoRecover = true, FCrashSave = false, FDataExtractLoad = false, FRepairLoad = false;
};

struct TXc12WebPublishObject {
  int32_t FId = 0;
  std::u16string FDivId, FSourceObject, FDestinationFile, FTitle;
  bool FAutoRepublish = false;
};

class TXc12DefinedNames;

// One defined name.
class TXc12DefinedName : public TXLSFactoryObject {
 public:
  ~TXc12DefinedName() override = default;
  // Every field back to its default, the compiled definition included.
  void Clear();

  const std::u16string& Name() const { return FName; }
  // A name that is exactly one of the built-in names ("_xlnm.Print_Area", ...) sets the built-in
  // kind and leaves the name empty; any other text is kept as the name, kind bnNone. Virtual, so
  // that the component's names check the text however the name is reached (the list's Add too).
  virtual void SetName(std::u16string_view name);
  int32_t LocalSheetId() const { return FLocalSheetId; }
  void SetLocalSheetId(int32_t id);
  bool Deleted() const { return FDeleted; }
  void SetDeleted(bool v);
  TXc12BuiltInName BuiltIn() const { return FBuiltIn; }
  void SetBuiltIn(TXc12BuiltInName v) { FBuiltIn = v; }

  int32_t SheetIndex() const { return FArea.SheetIndex; }
  int32_t Col1() const { return FArea.Col1 & ~0x8000; }
  int32_t Col2() const { return FArea.Col2 & ~0x8000; }
  int32_t Row1() const { return FArea.Row1 & 0x7FFFFFFF; }
  int32_t Row2() const { return FArea.Row2 & 0x7FFFFFFF; }

  std::u16string FComment, FCustomMenu, FDescription, FHelp, FStatusBar;
  bool FHidden = false, FFunction = false, FVbProcedure = false, FXlm = false;
  int32_t FFunctionGroupId = 0;
  std::u16string FShortcutKey;
  bool FPublishToServer = false, FWorkbookParameter = false;
  std::u16string FContent;  // the definition as formula text
  TXc12SimpleNameType FSimpleName = TXc12SimpleNameType::xsntNone;
  TXLS3dCellArea FArea;
  std::vector<uint8_t> FPtgs;  // the compiled definition (empty when none)
  uint8_t FUnused97 = 0;

 private:
  friend class TXc12DefinedNames;
  void Changed();
  std::u16string FName;
  int32_t FLocalSheetId = -1;
  TXc12BuiltInName FBuiltIn = TXc12BuiltInName::bnNone;
  bool FDeleted = false;
  TXc12DefinedNames* FOwner = nullptr;
  int32_t FIndex = -1;  // position in the owner's list
};

class TXc12DefinedNames : public TXLSFactoryObject {
 public:
  explicit TXc12DefinedNames(TXLSClassFactory* factory) : FClassFactory(factory) {}
  ~TXc12DefinedNames() override = default;

  // A free entry (a deleted one, reset whole, or a new one) with this name and sheet.
  TXc12DefinedName* Add(std::u16string_view name, int32_t localSheetId);
  // A free entry with only the built-in kind and the sheet set.
  TXc12DefinedName* Add(TXc12BuiltInName builtIn, int32_t localSheetId);
  // Index of the first live entry with this name (a to z folded) local to sheetId; -1 when none.
  int32_t FindIdInSheet(std::u16string_view name, int32_t sheetId) const;
  // A name local to sheetId (when sheetId >= 0) first, else the live workbook-wide name; -1 when none.
  int32_t FindId(std::u16string_view name, int32_t sheetId) const;
  TXc12DefinedName* Items(size_t index) const { return FItems.at(index).get(); }
  size_t Count() const { return FItems.size(); }
  void Clear();
  void InvalidateHash() { FHashValid = false; }

 private:
  friend class TXc12DefinedName;
  TXc12DefinedName* TakeFree();
  void RebuildHash() const;
  // The first live entry with this scope and name, through the hash.
  int32_t Lookup(int32_t sheetId, std::u16string_view name) const;
  // An entry whose name, scope or deleted state changed; the hash takes it at the next lookup.
  void NameChanged(int32_t index);
  TXLSClassFactory* FClassFactory;
  size_t FDeletedCount = 0;  // entries whose Deleted flag is set
  std::vector<std::unique_ptr<TXc12DefinedName>> FItems;
  // Scope and upper-cased name -> the first live entry with them. Entries changed since the hash
  // was built wait in FChanged; a hash entry that no longer matches its item makes a rebuild.
  mutable std::unordered_map<std::u16string, int32_t> FHash;
  mutable std::vector<int32_t> FChanged;
  mutable bool FHashValid = false;
};

class TXc12DataWorkbook {
 public:
  explicit TXc12DataWorkbook(TXLSClassFactory* factory);
  ~TXc12DataWorkbook();
  TXc12DataWorkbook(const TXc12DataWorkbook&) = delete;
  TXc12DataWorkbook& operator=(const TXc12DataWorkbook&) = delete;
  void Clear();

  TXc12FileVersion& FileVersion() { return FFileVersion; }
  TXc12FileSharing& FileSharing() { return FFileSharing; }
  TXc12WorkbookPr& WorkbookPr() { return FWorkbookPr; }
  TXc12WorkbookProtection& WorkbookProtection() { return FWorkbookProtection; }
  TXc12BookViews& BookViews() { return FBookViews; }
  TXc12Sheets& Sheets() { return FSheets; }
  TXc12FunctionGroups& FunctionGroups() { return FFunctionGroups; }
  TXc12DefinedNames& DefinedNames() { return *FDefinedNames; }
  TXc12CalcPr& CalcPr() { return FCalcPr; }
  TXc12PlainList<TXc12CustomWorkbookView>& CustomWorkbookViews() { return FCustomWorkbookViews; }
  TXc12SmartTagPr& SmartTagPr() { return FSmartTagPr; }
  TXc12PlainList<TXc12SmartTagType>& SmartTagTypes() { return FSmartTagTypes; }
  TXc12WebPublishing& WebPublishing() { return FWebPublishing; }
  TXc12PlainList<TXc12FileRecoveryPr>& FileRecoveryPrs() { return FFileRecoveryPrs; }
  TXc12PlainList<TXc12WebPublishObject>& WebPublishObjects() { return FWebPublishObjects; }
  // The pivot cache definitions (made by the registered pivot maker on first use); nullptr when
  // no pivot library has registered.
  TXc12PivotCacheList* PivotCaches();
  // The connections part as the package layer's tree (its bytes when it did not parse); its
  // content is not interpreted. Empty when the package has none.
  TXc12KeptXml& Connections() { return FConnections; }
  const TXc12KeptXml& Connections() const { return FConnections; }

  TXLSCellArea FOleSize;  // not changed by Clear
  std::u16string FUserName;

 private:
  TXLSClassFactory* FClassFactory;
  TXc12FileVersion FFileVersion;
  TXc12FileSharing FFileSharing;
  TXc12WorkbookPr FWorkbookPr;
  TXc12WorkbookProtection FWorkbookProtection;
  TXc12BookViews FBookViews;
  TXc12Sheets FSheets;
  TXc12FunctionGroups FFunctionGroups;
  std::unique_ptr<TXc12DefinedNames> FDefinedNames;
  TXc12CalcPr FCalcPr;
  TXc12PlainList<TXc12CustomWorkbookView> FCustomWorkbookViews;
  std::unique_ptr<TXc12PivotCacheList> FPivotCaches;
  TXc12SmartTagPr FSmartTagPr;
  TXc12PlainList<TXc12SmartTagType> FSmartTagTypes;
  TXc12WebPublishing FWebPublishing;
  TXc12PlainList<TXc12FileRecoveryPr> FFileRecoveryPrs;
  TXc12PlainList<TXc12WebPublishObject> FWebPublishObjects;
  TXc12KeptXml FConnections;
};

}  // namespace xls
