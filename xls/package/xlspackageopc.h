// The OPC package of a workbook: content types, the relationship tree, and part access by
// relationship type and Id.
//
// Format facts (ECMA-376 Part 2): a package is a zip archive; "[Content_Types].xml" maps file
// extensions (Default) and part names (Override) to content types; the relationships of a part
// "dir/name" live in "dir/_rels/name.rels", those of the package in "_rels/.rels". A relationship
// has an Id (unique within its part, compared without case here), a type URI, a target (relative
// to the source part's folder, or absolute from the package root when it starts with "/") and a
// target mode (Internal by default, or External for a URI outside the package).
//
// TOPCContainer opens the archive through a zip back-end and builds the whole relationship tree
// at once: one TOPCItem per relationship, under a root item that stands for the package.
// TOPC_XLSX adds the spreadsheet accessors; every part it hands out is checked out, and the parts
// nobody checked out can be collected with their bytes afterwards.
//
// Design: the tree is built once, depth first in document order, and every part's relationships
// are read at most once. A part reached again (a cycle, or a part shared by two relationships)
// keeps its relationship item but is not expanded again, and a warning says so; the tree has a
// depth limit and an item cap, so no package can make the build loop, recurse without end or
// exhaust memory. A failed open leaves the container closed and empty, ready for the next package.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "xls/model/xlskeptxml.h"
#include "xls/package/xlsstream.h"
#include "xls/package/xlsziparchiveintf.h"

namespace xls {

enum class TOPCState { opcsClosed, opcsRead, opcsWrite };
// Same ordinals as the relationship parser's target mode.
enum class TOPCTargetMode : uint8_t { otmExternal = 0, otmInternal = 1 };

// Most items a relationship tree may hold, and the deepest chain of relationships followed.
inline constexpr int kOPCMaxItems = 1000000;
inline constexpr int kOPCMaxDepth = 64;
// Most sheets a spreadsheet package may name.
inline constexpr size_t kOPCMaxSheets = 65535;
// Most bytes one load holds unpacked from parts read whole (pictures, printer settings, kept
// parts asked for): twice what one part may unpack to (kZipMemoryEntryLimit). Parts are streamed
// or kept packed otherwise, so a real workbook stays far below; a package whose relationships
// name big parts again and again fails cleanly instead of taking gigabytes.
inline constexpr int64_t kOPCMaxHeldBytes = int64_t{512} << 20;

class TOPCContainer;
class TXLSPartSource;
class TOPCItem;
using TOPCItemList = std::vector<TOPCItem*>;

// Relationship type URIs.
namespace opc {
inline constexpr char16_t kSchemaHost[] = u"http://schemas.openxmlformats.org";
std::u16string RelType(std::u16string_view path);  // kSchemaHost + path
inline constexpr char16_t kOfficeDocument[] = u"/officeDocument/2006/relationships/officeDocument";
inline constexpr char16_t kStyles[] = u"/officeDocument/2006/relationships/styles";
inline constexpr char16_t kSharedStrings[] = u"/officeDocument/2006/relationships/sharedStrings";
inline constexpr char16_t kConnections[] = u"/officeDocument/2006/relationships/connections";
inline constexpr char16_t kTheme[] = u"/officeDocument/2006/relationships/theme";
inline constexpr char16_t kCoreProperties[] = u"/package/2006/relationships/metadata/core-properties";
// The type LibreOffice (and other writers) give the core-properties relationship.
inline constexpr char16_t kCorePropertiesAlt[] =
    u"/officedocument/2006/relationships/metadata/core-properties";
inline constexpr char16_t kWorksheet[] = u"/officeDocument/2006/relationships/worksheet";
inline constexpr char16_t kChartsheet[] = u"/officeDocument/2006/relationships/chartsheet";
inline constexpr char16_t kComments[] = u"/officeDocument/2006/relationships/comments";
inline constexpr char16_t kPrinterSettings[] = u"/officeDocument/2006/relationships/printerSettings";
inline constexpr char16_t kTable[] = u"/officeDocument/2006/relationships/table";
inline constexpr char16_t kQueryTable[] = u"/officeDocument/2006/relationships/queryTable";
inline constexpr char16_t kCustomProperty[] = u"/officeDocument/2006/relationships/customProperty";
inline constexpr char16_t kDrawing[] = u"/officeDocument/2006/relationships/drawing";
inline constexpr char16_t kImage[] = u"/officeDocument/2006/relationships/image";
inline constexpr char16_t kChart[] = u"/officeDocument/2006/relationships/chart";
inline constexpr char16_t kVmlDrawing[] = u"/officeDocument/2006/relationships/vmlDrawing";
inline constexpr char16_t kPivotTable[] = u"/officeDocument/2006/relationships/pivotTable";
inline constexpr char16_t kPivotCacheDefinition[] = u"/officeDocument/2006/relationships/pivotCacheDefinition";
inline constexpr char16_t kPivotCacheRecords[] = u"/officeDocument/2006/relationships/pivotCacheRecords";
inline constexpr char16_t kExternalLink[] = u"/officeDocument/2006/relationships/externalLink";
inline constexpr char16_t kCalcChain[] = u"/officeDocument/2006/relationships/calcChain";
inline constexpr char16_t kChartStyleType[] = u"http://schemas.microsoft.com/office/2011/relationships/chartStyle";
inline constexpr char16_t kChartColorStyleType[] = u"http://schemas.microsoft.com/office/2011/relationships/chartColorStyle";
inline constexpr char16_t kRelationshipsNamespace[] = u"http://schemas.openxmlformats.org/package/2006/relationships";
inline constexpr char16_t kContentTypesNamespace[] = u"http://schemas.openxmlformats.org/package/2006/content-types";
}  // namespace opc

// One relationship and the part it targets; its children are the part's own relationships.
class TOPCItem {
 public:
  TOPCItem(TOPCContainer* owner, TOPCItem* parent);
  ~TOPCItem();
  TOPCItem(const TOPCItem&) = delete;
  TOPCItem& operator=(const TOPCItem&) = delete;

  // Frees the kept part data and every child.
  void Clear();
  int Count() const { return static_cast<int>(FChilds.size()); }
  TOPCItem* Items(int index) const { return FChilds.at(static_cast<size_t>(index)).get(); }
  // Adds a child under its relationship Id (the first of equal Ids wins lookups).
  TOPCItem* Add(std::u16string_view id, std::unique_ptr<TOPCItem> child);
  // The child with that Id (compared without ASCII case), or nullptr.
  TOPCItem* Find(std::u16string_view id) const;
  // Appends every child of exactly that type (emptying `list` first when asked); true when the
  // list is not empty afterwards.
  bool FindByType(std::u16string_view type, TOPCItemList& list, bool clear) const;
  // The only child of that type, or nullptr; raises "OPC: only one item of type %s excpected"
  // when there are several.
  TOPCItem* FindByType(std::u16string_view type) const;
  // The target text of the child with that Id, or empty.
  std::u16string FindTarget(std::u16string_view id) const;
  void Checkout() { FCheckedOut = true; }
  void CheckoutAll();
  void Close() { FState = TOPCState::opcsClosed; }
  // The Id under which the parent holds this item (empty for the root).
  std::u16string GetId() const;

  // The target as written: Path + "/" + Name, or Name alone.
  std::u16string Target() const;
  // Internal targets are split at the last "/" into Path and Name; external ones are all Name.
  void SetTarget(std::u16string_view target);
  // The part name in the archive (no leading "/"), resolved against the parent's folder with
  // "." and ".." segments applied; empty for the root.
  std::u16string AbsoluteTarget() const;
  // The folder of AbsoluteTarget; empty when it has none.
  std::u16string AbsolutePath() const;
  // Name of this item's relationships part: AbsolutePath + "/_rels/" + Name + ".rels".
  std::u16string RelationshipsPartName() const;

  TOPCContainer* Owner() const { return FOwner; }
  TOPCItem* Parent() const { return FParent; }
  int Index() const { return FIndex; }
  TOPCState State() const { return FState; }
  void SetState(TOPCState s) { FState = s; }
  const std::u16string& Path() const { return FPath; }
  const std::u16string& Name() const { return FName; }
  const std::u16string& Type_() const { return FType; }
  void SetType(std::u16string_view t) { FType = std::u16string(t); }
  TOPCTargetMode TargetMode() const { return FTargetMode; }
  void SetTargetMode(TOPCTargetMode m) { FTargetMode = m; }
  const std::u16string& Text() const { return FText; }
  void SetText(std::u16string_view t) { FText = std::u16string(t); }
  bool CheckedOut() const { return FCheckedOut; }
  // The kept part's bytes, unpacked at the first call (counted against the load's cap); nullptr
  // when the item keeps no part or it cannot be unpacked.
  TXLSMemoryStream* Data() const;
  // The kept part, still packed; shared by every item that names the same part.
  const std::shared_ptr<const TXLSPartSource>& Source() const { return FSource; }
  const std::u16string& Content() const { return FContent; }

 private:
  friend class TOPCContainer;

  TOPCContainer* FOwner;
  TOPCItem* FParent;
  int32_t FIndex;
  std::vector<std::unique_ptr<TOPCItem>> FChilds;
  std::vector<std::u16string> FChildIds;
  std::unordered_map<std::u16string, size_t> FChildIndex;  // upper-cased Id -> first child
  TOPCState FState = TOPCState::opcsClosed;
  std::u16string FPath;
  std::u16string FName;
  std::u16string FType;
  TOPCTargetMode FTargetMode = TOPCTargetMode::otmInternal;
  std::u16string FText;
  bool FCheckedOut = false;
  mutable std::unique_ptr<TXLSMemoryStream> FData;
  std::shared_ptr<const TXLSPartSource> FSource;
  std::u16string FContent;
};

// A content type for an extension (Default) or a part name (Override).
struct TOPC_ContentType {
  bool IsOverride = false;
  std::u16string Key;  // the extension, or the part name with a leading "/"
  std::u16string ContentType;
};

// The content-type table, in insertion order; the first entry per key wins. Keys are found through
// a hash, so a package of many parts costs linear time to list.
class TOPC_ContentTypes {
 public:
  explicit TOPC_ContentTypes(bool xlsxMode);
  // Empties the table and adds the built-in extension defaults.
  void Clear() { SetDefault(); }
  void SetDefault();
  void AddDefault(std::u16string_view extension, std::u16string_view contentType);
  void AddOverride(std::u16string_view partName, std::u16string_view contentType);
  // Index of the first entry of that kind with exactly that key (letter case compared), or -1.
  int FindDefault(std::u16string_view extension) const;
  int FindOverride(std::u16string_view partName) const;
  int Count() const { return static_cast<int>(FItems.size()); }
  const TOPC_ContentType& Items(int index) const { return FItems.at(static_cast<size_t>(index)); }
  bool XLSXMode() const { return FXLSXMode; }

 private:
  std::vector<TOPC_ContentType> FItems;
  // Index of the first entry per key, defaults and overrides apart.
  std::unordered_map<std::u16string, int> FDefaultIndex, FOverrideIndex;
  bool FXLSXMode;
};

namespace detail {
class TOPCRelationshipsPart;
}

// A package open for reading (or writing) with its relationship tree.
class TOPCContainer {
 public:
  explicit TOPCContainer(bool xlsxMode = false);
  virtual ~TOPCContainer();
  TOPCContainer(const TOPCContainer&) = delete;
  TOPCContainer& operator=(const TOPCContainer&) = delete;

  // Opens the package in `stream` (which must outlive the reading) with the own zip back-end, or
  // libzip when `useAlternateZip` is set. Raises "OPC is allready open" when not closed.
  virtual void OpenRead(TXLSStream& stream, bool useAlternateZip);
  virtual void OpenWrite(TXLSStream& stream, bool useAlternateZip);
  // Writing: writes "[Content_Types].xml" and every relationships part, then the archive's
  // directory. Reading: the back-end stays until the next open.
  virtual void Close();
  // Frees the tree and resets the content types.
  void Clear();

  // The stream of "[Content_Types].xml", or nullptr when the archive lacks it.
  std::unique_ptr<TXLSStream> ReadContentType();
  // The owner's child with that Id, opened for reading; nullptr when there is none (or no owner);
  // a child of another type raises "OPC Item is not of excpected type \"%s\"".
  TOPCItem* ItemOpenRead(TOPCItem* owner, std::u16string_view type, std::u16string_view id);
  // The owner's only child of that type, opened for reading; nullptr when there is none.
  TOPCItem* ItemOpenRead(TOPCItem* owner, std::u16string_view type);
  // The part of the item, owned by the caller; checks the item out when AutoCheckout is set.
  std::unique_ptr<TXLSStream> ItemOpenStream(TOPCItem* item);
  // Raises "Close on not open OPC Item." unless the item is open.
  void ItemClose(TOPCItem* item);
  // Appends, depth first, every item not checked out that has a name (never the root).
  void CollectUnchecked(TOPCItemList& list);
  // CollectUnchecked, then SaveItemData for every internal item collected.
  void SaveUnchecked(TOPCItemList& list);
  // Keeps the item's part packed, as a reference unpacked only when used (one per part, however
  // many items name it), and its override content type. Failures leave the item without a part
  // and are not passed on.
  void SaveItemData(TOPCItem* item);
  // Reads a part's stream whole, counting its bytes against MaxHeldBytes for this load; raises
  // "OPC: parts read whole exceed %d bytes" beyond it (and "Stream too large" beyond
  // kZipMemoryEntryLimit for one part).
  std::string ReadHeld(TXLSStream& stream);
  int64_t HeldBytes() const { return FHeldBytes; }
  // The archive name under which the item's part is found: its AbsoluteTarget, or the same with
  // %XX escapes decoded when only that form is in the archive.
  std::u16string PartName(const TOPCItem* item) const;

  TOPCState State() const { return FState; }
  bool AutoCheckout() const { return FAutoCheckout; }
  void SetAutoCheckout(bool v) { FAutoCheckout = v; }
  TOPCItem* Root() const { return FRoot.get(); }
  const std::u16string& Xmlns() const { return FXmlns; }
  void SetXmlns(std::u16string_view v) { FXmlns = std::u16string(v); }
  TOPC_ContentTypes& ContentTypes() { return *FContentTypes; }
  TXLSZipArchiveIntf* Zip() const { return FZIP.get(); }

  // Conditions that do not end the open (a part reached twice, a chain too deep); the host
  // passes them on to its error manager. The texts are also kept in Warnings().
  std::function<void(const std::u16string&)> OnWarning;
  const std::vector<std::u16string>& Warnings() const { return FWarnings; }
  // Most relationship items one package may hold; a package with more fails to open.
  int MaxItems = kOPCMaxItems;
  // Most bytes one load holds from parts read whole.
  int64_t MaxHeldBytes = kOPCMaxHeldBytes;

 protected:
  void Warning(const std::u16string& text);
  // Called with an item's relationships once they are read, before any target of them is
  // followed: a kind of package can refuse what it will not load before the walk costs anything.
  virtual void RelationshipsRead(const TOPCItem& /*item*/, const detail::TOPCRelationshipsPart& /*rels*/) {}

  TOPCState FState = TOPCState::opcsClosed;
  std::unique_ptr<TXLSZipArchiveIntf> FZIP;
  bool FAutoCheckout = false;
  std::unique_ptr<TOPCItem> FRoot;
  std::u16string FXmlns;
  std::unique_ptr<TOPC_ContentTypes> FContentTypes;

 private:
  void ReadRelationships(TOPCItem* item, int depth);
  int FindPart(std::u16string_view name) const;
  void WriteRelationships(TOPCItem* item);

  std::unordered_set<std::u16string> FExpanded;  // upper-cased relationships parts already read
  // Upper-cased part name -> the part kept packed, shared by the items that name it.
  std::unordered_map<std::u16string, std::shared_ptr<const TXLSPartSource>> FKept;
  int64_t FHeldBytes = 0;
  int FItemCount = 0;
  std::vector<std::u16string> FWarnings;
  TXLSStream* FWriteStream = nullptr;
};

// A spreadsheet package: finds the one workbook part and offers one accessor per kind of part.
// Accessors that return a stream give nullptr when the part is not there (unless they raise).
// The model's file data owns the package of the last load (TXc12PackageObject).
class TOPC_XLSX : public TOPCContainer, public TXc12PackageObject {
 public:
  TOPC_XLSX();
  ~TOPC_XLSX() override;

  void Clear();
  // Raises "Can not find workbook in OPC" / "More than one workbook in OPC".
  void OpenRead(TXLSStream& stream, bool useAlternateZip) override;
  void OpenWrite(TXLSStream& stream, bool useAlternateZip) override;
  void Close() override;

  std::unique_ptr<TXLSStream> ReadWorkbook();
  std::unique_ptr<TXLSStream> ReadStyles();
  std::unique_ptr<TXLSStream> ReadSST();
  std::unique_ptr<TXLSStream> ReadConnections();
  std::unique_ptr<TXLSStream> ReadTheme();
  // Under either relationship type writers use for it; nullptr when there is none.
  std::unique_ptr<TXLSStream> ReadDocPropsCore();
  std::unique_ptr<TXLSStream> OpenAndReadSheet(std::u16string_view id);
  std::unique_ptr<TXLSStream> OpenAndReadChartSheet(std::u16string_view id);
  bool SheetIsChartSheet(std::u16string_view id);
  std::u16string FindSheetItemTarget(std::u16string_view sheetId, std::u16string_view itemId);
  std::unique_ptr<TXLSStream> ReadComments(std::u16string_view sheetId);
  std::unique_ptr<TXLSStream> ReadPrinterSettings(std::u16string_view id);
  std::unique_ptr<TXLSStream> ReadTable(std::u16string_view id);
  std::unique_ptr<TXLSStream> ReadQueryTable();
  // The current sheet's custom-property part of that Id; nullptr when there is none.
  std::unique_ptr<TXLSStream> ReadCustomProperty(std::u16string_view id);
  std::unique_ptr<TXLSStream> OpenAndReadDrawing(std::u16string_view id);
  bool GetDrawingImages(std::vector<std::u16string>& ids);
  // The picture of the current drawing's image relationship `id` (nullptr when it is external)
  // and its target. `wanted`, when given, is asked with the picture's part name first: when it
  // answers false (a picture read before for another drawing) the part is not read again and
  // nullptr comes back with `target` set.
  std::unique_ptr<TXLSStream> ReadDrawingMedia(std::u16string_view id, std::u16string& target,
                                               const std::function<bool(const std::u16string&)>& wanted = {});
  TOPCItem* FindAndOpenChart(std::u16string_view id);
  std::unique_ptr<TXLSStream> ReadChartStyle(TOPCItem* chart, std::u16string_view id);
  std::unique_ptr<TXLSStream> ReadChartColors(TOPCItem* chart, std::u16string_view id);
  std::unique_ptr<TXLSStream> ReadVmlDrawing(std::u16string_view id, std::vector<std::u16string>& items);
  bool GetSheetPivotTables(std::vector<std::u16string>& ids);
  std::unique_ptr<TXLSStream> ReadPivotTable(std::u16string_view id);
  std::unique_ptr<TXLSStream> ReadPivotCacheDefinition(std::u16string_view id);
  std::unique_ptr<TXLSStream> ReadPivotCacheRecords(std::u16string_view ownerId, std::u16string_view id);
  std::unique_ptr<TXLSStream> ReadXLink(std::u16string_view id);
  void CloseSheet();
  void CloseDrawing();
  void CloseTable();

  TOPCItem* FWorkbook = nullptr;
  TOPCItem* FCurrSheet = nullptr;
  TOPCItem* FCurrChart = nullptr;
  TOPCItem* FCurrDrawing = nullptr;
  TOPCItem* FCurrTable = nullptr;
  int FPrinterSettingsCount = 0;
  int FChartCount = 0;
  int FTableCount = 0;
  int FQueryTableCount = 0;
  int FPivotTableCount = 0;
  TOPCItemList& ResultList() { return FResultList; }

 protected:
  // The workbook's relationships name at most kOPCMaxSheets worksheets and chart sheets (as many
  // as a legacy workbook holds); more raise "Too many sheets in the file" before any sheet's own
  // relationships are walked.
  void RelationshipsRead(const TOPCItem& item, const detail::TOPCRelationshipsPart& rels) override;

 private:
  // The part of the owner's child (by Id, or the only one of the type when `id` is null), read
  // and closed again; nullptr when there is none.
  std::unique_ptr<TXLSStream> ReadChild(TOPCItem* owner, std::u16string_view typePath, const std::u16string_view* id);
  // A chart's style or colour part by Id; raises "Can not find Table in OPC" when missing.
  std::unique_ptr<TXLSStream> ReadChartPart(TOPCItem* chart, std::u16string_view type, std::u16string_view id);

  TOPCItemList FResultList;
};

}  // namespace xls
