#include "xls/package/xlspackageopc.h"

#include <algorithm>

#include "platform/textcodec.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlserrors.h"
#include "xls/package/detail/opcparts.h"

namespace xls {

using kws::AsciiUpperCopy;
using kws::Utf16ToUtf8;
using kws::Utf8ToUtf16;

namespace {

constexpr char16_t kContentTypesPart[] = u"[Content_Types].xml";

[[noreturn]] void Raise(const std::string& message) { throw XLSRWException(message); }
[[noreturn]] void Raise(const std::string& message, std::u16string_view arg) {
  std::string text = message;
  const auto p = text.find("%s");
  if (p != std::string::npos) text.replace(p, 2, Utf16ToUtf8(arg));
  throw XLSRWException(text);
}

// Joins the segments of a slash-separated path, dropping empty and "." segments and removing
// each ".." together with the folder before it; a ".." with no folder before it stays.
std::u16string NormalisePath(std::u16string_view path) {
  std::vector<std::u16string_view> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(u'/', start);
    if (end == std::u16string_view::npos) end = path.size();
    const std::u16string_view seg = path.substr(start, end - start);
    if (seg == u"..") {
      if (!parts.empty() && parts.back() != u"..")
        parts.pop_back();
      else
        parts.push_back(seg);
    } else if (!seg.empty() && seg != u".") {
      parts.push_back(seg);
    }
    start = end + 1;
  }
  std::u16string out;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) out += u'/';
    out += parts[i];
  }
  return out;
}

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// %XX escapes decoded as UTF-8 bytes; a "%" not followed by two hex digits stays.
std::u16string PercentDecode(std::u16string_view s) {
  std::string bytes = Utf16ToUtf8(s);
  std::string out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const int hi = i + 2 < bytes.size() ? HexValue(static_cast<unsigned char>(bytes[i + 1])) : -1;
    const int lo = i + 2 < bytes.size() ? HexValue(static_cast<unsigned char>(bytes[i + 2])) : -1;
    if (bytes[i] == '%' && hi >= 0 && lo >= 0) {
      out.push_back(static_cast<char>(hi * 16 + lo));
      i += 2;
    } else {
      out.push_back(bytes[i]);
    }
  }
  return Utf8ToUtf16(out);
}

// A part kept packed: its zip entry's bytes, unpacked each time they are asked for.
class TOPCKeptPart final : public TXLSPartSource {
 public:
  explicit TOPCKeptPart(TXLSZipStoredEntry entry) : FEntry(std::move(entry)) {}
  std::vector<uint8_t> Bytes() const override {
    const std::string s = OpenStoredEntry(FEntry)->ReadAll(static_cast<size_t>(kZipMemoryEntryLimit));
    return std::vector<uint8_t>(s.begin(), s.end());
  }

 private:
  TXLSZipStoredEntry FEntry;
};

std::u16string FolderOf(std::u16string_view path) {
  const auto p = path.rfind(u'/');
  return p == std::u16string_view::npos ? std::u16string() : std::u16string(path.substr(0, p));
}

}  // namespace

std::u16string opc::RelType(std::u16string_view path) { return std::u16string(kSchemaHost) + std::u16string(path); }

// ---- TOPCItem ------------------------------------------------------------------------------

TOPCItem::TOPCItem(TOPCContainer* owner, TOPCItem* parent)
    : FOwner(owner), FParent(parent), FIndex(parent ? parent->Count() : -1) {}

TOPCItem::~TOPCItem() = default;

TXLSMemoryStream* TOPCItem::Data() const {
  if (!FData && FSource) {
    try {
      const std::vector<uint8_t> bytes = FSource->Bytes();
      TXLSViewStream view(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
      FData = std::make_unique<TXLSMemoryStream>(FOwner->ReadHeld(view));
    } catch (...) {
      return nullptr;
    }
  }
  return FData.get();
}

void TOPCItem::Clear() {
  FData.reset();
  FSource.reset();
  FChilds.clear();
  FChildIds.clear();
  FChildIndex.clear();
}

TOPCItem* TOPCItem::Add(std::u16string_view id, std::unique_ptr<TOPCItem> child) {
  child->FIndex = Count();
  FChildIndex.emplace(AsciiUpperCopy(id), FChilds.size());
  FChildIds.emplace_back(id);
  FChilds.push_back(std::move(child));
  return FChilds.back().get();
}

TOPCItem* TOPCItem::Find(std::u16string_view id) const {
  const auto it = FChildIndex.find(AsciiUpperCopy(id));
  return it == FChildIndex.end() ? nullptr : FChilds[it->second].get();
}

bool TOPCItem::FindByType(std::u16string_view type, TOPCItemList& list, bool clear) const {
  if (clear) list.clear();
  for (const auto& c : FChilds)
    if (c->FType == type) list.push_back(c.get());
  return !list.empty();
}

TOPCItem* TOPCItem::FindByType(std::u16string_view type) const {
  TOPCItem* found = nullptr;
  for (const auto& c : FChilds) {
    if (c->FType != type) continue;
    if (found) Raise("OPC: only one item of type %s excpected", type);
    found = c.get();
  }
  return found;
}

std::u16string TOPCItem::FindTarget(std::u16string_view id) const {
  const TOPCItem* c = Find(id);
  return c ? c->Target() : std::u16string();
}

void TOPCItem::CheckoutAll() {
  FCheckedOut = true;
  for (auto& c : FChilds) c->CheckoutAll();
}

std::u16string TOPCItem::GetId() const {
  if (!FParent || FIndex < 0 || FIndex >= FParent->Count()) return {};
  return FParent->FChildIds[static_cast<size_t>(FIndex)];
}

std::u16string TOPCItem::Target() const { return FPath.empty() ? FName : FPath + u"/" + FName; }

void TOPCItem::SetTarget(std::u16string_view target) {
  const auto p = target.rfind(u'/');
  if (FTargetMode == TOPCTargetMode::otmExternal || p == std::u16string_view::npos) {
    FPath.clear();
    FName = std::u16string(target);
  } else {
    FPath = std::u16string(target.substr(0, p));
    FName = std::u16string(target.substr(p + 1));
  }
}

// An absolute target counts from the package root; a relative one from the folder of the
// parent's part. "." and ".." segments are applied in both, so "./a.xml", "x/../a.xml" and
// "/xl/./a.xml" name the parts they mean.
std::u16string TOPCItem::AbsoluteTarget() const {
  if (!FParent) return {};
  std::u16string path;
  if (!FPath.empty() && FPath.front() == u'/') {
    path = FPath + u"/" + FName;
  } else {
    path = FolderOf(FParent->AbsoluteTarget());
    path += u'/';
    path += FPath;
    path += u'/';
    path += FName;
  }
  return NormalisePath(path);
}

std::u16string TOPCItem::AbsolutePath() const { return FolderOf(AbsoluteTarget()); }

std::u16string TOPCItem::RelationshipsPartName() const {
  std::u16string name = AbsolutePath() + u"/_rels/" + FName + u".rels";
  if (!name.empty() && name.front() == u'/') name.erase(0, 1);
  return name;
}

// ---- TOPC_ContentTypes ---------------------------------------------------------------------

TOPC_ContentTypes::TOPC_ContentTypes(bool xlsxMode) : FXLSXMode(xlsxMode) { SetDefault(); }

void TOPC_ContentTypes::SetDefault() {
  struct Builtin {
    const char16_t* ext;
    const char16_t* type;
    bool xlsx;
    bool other;
  };
  static constexpr Builtin kBuiltins[] = {
      {u"bin", u"application/vnd.openxmlformats-officedocument.spreadsheetml.printerSettings", true, false},
      {u"rels", u"application/vnd.openxmlformats-package.relationships+xml", true, true},
      {u"xml", u"application/xml", true, true},
      {u"vml", u"application/vnd.openxmlformats-officedocument.vmlDrawing", true, false},
      {u"jpeg", u"image/jpeg", true, true},
      {u"png", u"image/png", true, true},
      {u"gif", u"image/gif", true, true},
      {u"bmp", u"image/bmp", false, true},
      {u"wmf", u"image/x-wmf", true, true},
      {u"emf", u"image/x-emf", true, true},
  };
  FItems.clear();
  FDefaultIndex.clear();
  FOverrideIndex.clear();
  for (const Builtin& b : kBuiltins)
    if (FXLSXMode ? b.xlsx : b.other) AddDefault(b.ext, b.type);
}

void TOPC_ContentTypes::AddDefault(std::u16string_view extension, std::u16string_view contentType) {
  if (FDefaultIndex.try_emplace(std::u16string(extension), Count()).second)
    FItems.push_back({false, std::u16string(extension), std::u16string(contentType)});
}

void TOPC_ContentTypes::AddOverride(std::u16string_view partName, std::u16string_view contentType) {
  std::u16string key(partName);
  if (key.empty() || key.front() != u'/') key.insert(0, 1, u'/');
  if (FOverrideIndex.try_emplace(key, Count()).second)
    FItems.push_back({true, std::move(key), std::u16string(contentType)});
}

int TOPC_ContentTypes::FindDefault(std::u16string_view extension) const {
  const auto it = FDefaultIndex.find(std::u16string(extension));
  return it == FDefaultIndex.end() ? -1 : it->second;
}

int TOPC_ContentTypes::FindOverride(std::u16string_view partName) const {
  const auto it = FOverrideIndex.find(std::u16string(partName));
  return it == FOverrideIndex.end() ? -1 : it->second;
}

// ---- TOPCContainer -------------------------------------------------------------------------

TOPCContainer::TOPCContainer(bool xlsxMode)
    : FRoot(std::make_unique<TOPCItem>(this, nullptr)),
      FContentTypes(std::make_unique<TOPC_ContentTypes>(xlsxMode)) {
  FRoot->FType = u"__ROOT__";
}

TOPCContainer::~TOPCContainer() = default;

void TOPCContainer::Clear() {
  FRoot->Clear();
  FContentTypes->Clear();
  FExpanded.clear();
  FKept.clear();
  FHeldBytes = 0;
  FItemCount = 0;
  FWarnings.clear();
}

void TOPCContainer::Warning(const std::u16string& text) {
  FWarnings.push_back(text);
  if (OnWarning) OnWarning(text);
}

void TOPCContainer::OpenRead(TXLSStream& stream, bool useAlternateZip) {
  if (FState != TOPCState::opcsClosed) Raise("OPC is allready open");
  FZIP = CreateZipArchiveIntf(useAlternateZip);
  Clear();
  FState = TOPCState::opcsRead;
  try {
    FZIP->LoadFromStream(stream);
    // The relationships first: a package that names more than its kind allows is refused
    // before its content types (one per part) are read.
    ReadRelationships(FRoot.get(), 0);
    {
      auto types = FZIP->OpenStream(kContentTypesPart);
      for (const auto& e : detail::ReadContentTypesPart(*types)) {
        if (e.IsOverride)
          FContentTypes->AddOverride(e.Key, e.ContentType);
        else
          FContentTypes->AddDefault(e.Key, e.ContentType);
      }
    }
  } catch (...) {
    // Nothing of a package that failed to open stays behind, and the next one can open.
    Clear();
    FZIP.reset();
    FState = TOPCState::opcsClosed;
    throw;
  }
}

int TOPCContainer::FindPart(std::u16string_view name) const { return FZIP ? FZIP->Find(name) : -1; }

std::u16string TOPCContainer::PartName(const TOPCItem* item) const {
  std::u16string name = item->AbsoluteTarget();
  if (name.find(u'%') != std::u16string::npos && FindPart(name) < 0) {
    std::u16string decoded = PercentDecode(name);
    if (FindPart(decoded) >= 0) return decoded;
  }
  return name;
}

void TOPCContainer::ReadRelationships(TOPCItem* item, int depth) {
  std::u16string relsName = item->RelationshipsPartName();
  if (FindPart(relsName) < 0) {
    const std::u16string decoded = PercentDecode(relsName);
    if (decoded == relsName || FindPart(decoded) < 0) return;
    relsName = decoded;
  }
  if (!FExpanded.insert(AsciiUpperCopy(relsName)).second) {
    Warning(u"OPC: the relationships of \"" + item->AbsoluteTarget() + u"\" are reached again and not followed");
    return;
  }
  if (depth >= kOPCMaxDepth) {
    Warning(u"OPC: relationships nested deeper than " + Utf8ToUtf16(std::to_string(kOPCMaxDepth)) +
            u" levels are not followed");
    return;
  }
  std::unique_ptr<detail::TOPCRelationshipsPart> rels;
  {
    auto stream = FZIP->OpenStream(relsName);
    rels = std::make_unique<detail::TOPCRelationshipsPart>(*stream);
  }
  RelationshipsRead(*item, *rels);
  for (size_t i = 0; i < rels->size(); ++i) {
    const detail::TOPCRelationshipView rel = (*rels)[i];
    if (++FItemCount > MaxItems) Raise("OPC: too many relationships in the package");
    auto child = std::make_unique<TOPCItem>(this, item);
    child->FTargetMode = rel.TargetMode == 0 ? TOPCTargetMode::otmExternal : TOPCTargetMode::otmInternal;
    child->FType = rel.Type;
    child->SetTarget(rel.Target);
    child->FText = rel.Text;
    TOPCItem* added = item->Add(rel.Id, std::move(child));
    if (added->FTargetMode == TOPCTargetMode::otmInternal) ReadRelationships(added, depth + 1);
  }
}

void TOPCContainer::OpenWrite(TXLSStream& stream, bool useAlternateZip) {
  if (FState != TOPCState::opcsClosed) Raise("OPC is allready open");
  FZIP = CreateZipArchiveIntf(useAlternateZip);
  FState = TOPCState::opcsWrite;
  FWriteStream = &stream;
  FZIP->SaveToStream(stream);
}

void TOPCContainer::WriteRelationships(TOPCItem* item) {
  if (item->Count() == 0) return;
  std::vector<detail::TOPCRelationshipEntry> rels;
  for (int i = 0; i < item->Count(); ++i) {
    const TOPCItem* c = item->Items(i);
    detail::TOPCRelationshipEntry e;
    e.Id = c->GetId();
    e.Type = c->FType;
    e.Target = c->Target();
    e.Text = c->FText;
    e.TargetMode = c->FTargetMode == TOPCTargetMode::otmExternal ? 0 : 255;
    rels.push_back(std::move(e));
  }
  TXLSMemoryStream part;
  detail::WriteRelationshipsPart(part, FXmlns, rels);
  FZIP->Write(item->RelationshipsPartName(), part);
  for (int i = 0; i < item->Count(); ++i) WriteRelationships(item->Items(i));
}

void TOPCContainer::Close() {
  if (FState == TOPCState::opcsWrite && FZIP) {
    std::vector<detail::TOPCContentTypeEntry> entries;
    for (const auto& t : {true, false})
      for (int i = 0; i < FContentTypes->Count(); ++i)
        if (FContentTypes->Items(i).IsOverride == t)
          entries.push_back({t, FContentTypes->Items(i).Key, FContentTypes->Items(i).ContentType});
    TXLSMemoryStream part;
    detail::WriteContentTypesPart(part, opc::kContentTypesNamespace, entries);
    FZIP->Write(kContentTypesPart, part);
    WriteRelationships(FRoot.get());
    FZIP->Close();
    FWriteStream = nullptr;
  }
  FState = TOPCState::opcsClosed;
}

std::unique_ptr<TXLSStream> TOPCContainer::ReadContentType() {
  if (FindPart(kContentTypesPart) < 0) return nullptr;
  return FZIP->OpenStream(kContentTypesPart);
}

TOPCItem* TOPCContainer::ItemOpenRead(TOPCItem* owner, std::u16string_view type, std::u16string_view id) {
  if (!owner) return nullptr;
  TOPCItem* item = owner->Find(id);
  if (!item) return nullptr;
  if (item->FType != type) Raise("OPC Item is not of excpected type \"%s\"", type);
  item->FState = TOPCState::opcsRead;
  return item;
}

TOPCItem* TOPCContainer::ItemOpenRead(TOPCItem* owner, std::u16string_view type) {
  if (!owner) return nullptr;
  TOPCItem* item = owner->FindByType(type);
  if (item) item->FState = TOPCState::opcsRead;
  return item;
}

std::unique_ptr<TXLSStream> TOPCContainer::ItemOpenStream(TOPCItem* item) {
  if (!FZIP) Raise("Can not find file %s in ZIP", item->AbsoluteTarget());
  auto stream = FZIP->OpenStream(PartName(item));
  if (FAutoCheckout) item->Checkout();
  return stream;
}

void TOPCContainer::ItemClose(TOPCItem* item) {
  if (!item || (item->FState != TOPCState::opcsRead && item->FState != TOPCState::opcsWrite))
    Raise("Close on not open OPC Item.");
  item->FState = TOPCState::opcsClosed;
}

void TOPCContainer::CollectUnchecked(TOPCItemList& list) {
  std::vector<TOPCItem*> stack;
  for (int i = FRoot->Count() - 1; i >= 0; --i) stack.push_back(FRoot->Items(i));
  while (!stack.empty()) {
    TOPCItem* item = stack.back();
    stack.pop_back();
    if (!item->FCheckedOut && !item->FName.empty()) list.push_back(item);
    for (int i = item->Count() - 1; i >= 0; --i) stack.push_back(item->Items(i));
  }
}

void TOPCContainer::SaveUnchecked(TOPCItemList& list) {
  CollectUnchecked(list);
  for (TOPCItem* item : list)
    if (item->FTargetMode == TOPCTargetMode::otmInternal) SaveItemData(item);
}

void TOPCContainer::SaveItemData(TOPCItem* item) {
  try {
    const std::u16string name = PartName(item);
    if (FindPart(name) < 0) return;
    std::shared_ptr<const TXLSPartSource>& kept = FKept[AsciiUpperCopy(name)];
    if (!kept) kept = std::make_shared<TOPCKeptPart>(FZIP->ReadStoredEntry(name));
    item->FData.reset();
    item->FSource = kept;
    const int ct = FContentTypes->FindOverride(u"/" + item->AbsoluteTarget());
    if (ct >= 0) item->FContent = FContentTypes->Items(ct).ContentType;
  } catch (...) {
    item->FData.reset();
    item->FSource.reset();
  }
}

std::string TOPCContainer::ReadHeld(TXLSStream& stream) {
  const int64_t room = std::max<int64_t>(0, MaxHeldBytes - FHeldBytes);
  std::string out;
  char buf[65536];
  for (;;) {
    const size_t n = stream.Read(buf, sizeof buf);
    if (n == 0) break;
    if (static_cast<int64_t>(out.size() + n) > kZipMemoryEntryLimit)
      throw std::runtime_error("Stream too large");
    if (static_cast<int64_t>(out.size() + n) > room)
      Raise("OPC: parts read whole exceed " + std::to_string(MaxHeldBytes) + " bytes");
    out.append(buf, n);
  }
  FHeldBytes += static_cast<int64_t>(out.size());
  return out;
}

// ---- TOPC_XLSX -----------------------------------------------------------------------------

using opc::RelType;

TOPC_XLSX::TOPC_XLSX() : TOPCContainer(true) {
  FAutoCheckout = true;
  FXmlns = opc::kRelationshipsNamespace;
}

TOPC_XLSX::~TOPC_XLSX() = default;

void TOPC_XLSX::Clear() {
  TOPCContainer::Clear();
  FResultList.clear();
  FWorkbook = FCurrSheet = FCurrChart = FCurrDrawing = FCurrTable = nullptr;
}

void TOPC_XLSX::OpenRead(TXLSStream& stream, bool useAlternateZip) {
  TOPCContainer::OpenRead(stream, useAlternateZip);
  FCurrSheet = FCurrChart = FCurrDrawing = FCurrTable = nullptr;
  FResultList.clear();
  try {
    FRoot->FindByType(RelType(opc::kOfficeDocument), FResultList, true);
    if (FResultList.empty()) Raise("Can not find workbook in OPC");
    if (FResultList.size() > 1) Raise("More than one workbook in OPC");
    FWorkbook = FResultList[0];
    if (TOPCItem* chain = FWorkbook->FindByType(RelType(opc::kCalcChain))) chain->Checkout();
  } catch (...) {
    Clear();
    FZIP.reset();
    FState = TOPCState::opcsClosed;
    throw;
  }
}

void TOPC_XLSX::RelationshipsRead(const TOPCItem& item, const detail::TOPCRelationshipsPart& rels) {
  if (item.Type_() != RelType(opc::kOfficeDocument)) return;
  const std::u16string worksheet = RelType(opc::kWorksheet), chartsheet = RelType(opc::kChartsheet);
  size_t sheets = 0;
  for (size_t i = 0; i < rels.size(); ++i) {
    const std::u16string_view type = rels[i].Type;
    if ((type == worksheet || type == chartsheet) && ++sheets > kOPCMaxSheets)
      throw XLSRWException("Too many sheets in the file");
  }
}

void TOPC_XLSX::OpenWrite(TXLSStream& stream, bool useAlternateZip) {
  TOPCContainer::OpenWrite(stream, useAlternateZip);
  FPrinterSettingsCount = 0;
}

void TOPC_XLSX::Close() {
  TOPCContainer::Close();
  FWorkbook = nullptr;
}

std::unique_ptr<TXLSStream> TOPC_XLSX::ReadChild(TOPCItem* owner, std::u16string_view typePath,
                                                 const std::u16string_view* id) {
  const std::u16string type = RelType(typePath);
  TOPCItem* item = id ? ItemOpenRead(owner, type, *id) : ItemOpenRead(owner, type);
  if (!item) return nullptr;
  auto stream = ItemOpenStream(item);
  ItemClose(item);
  return stream;
}

std::unique_ptr<TXLSStream> TOPC_XLSX::ReadWorkbook() {
  FWorkbook = ItemOpenRead(FRoot.get(), RelType(opc::kOfficeDocument));
  if (!FWorkbook) return nullptr;
  auto stream = ItemOpenStream(FWorkbook);
  ItemClose(FWorkbook);
  return stream;
}

std::unique_ptr<TXLSStream> TOPC_XLSX::ReadStyles() { return ReadChild(FWorkbook, opc::kStyles, nullptr); }
std::unique_ptr<TXLSStream> TOPC_XLSX::ReadSST() { return ReadChild(FWorkbook, opc::kSharedStrings, nullptr); }
std::unique_ptr<TXLSStream> TOPC_XLSX::ReadConnections() { return ReadChild(FWorkbook, opc::kConnections, nullptr); }
std::unique_ptr<TXLSStream> TOPC_XLSX::ReadTheme() { return ReadChild(FWorkbook, opc::kTheme, nullptr); }
std::unique_ptr<TXLSStream> TOPC_XLSX::ReadDocPropsCore() {
  if (auto s = ReadChild(FRoot.get(), opc::kCoreProperties, nullptr)) return s;
  return ReadChild(FRoot.get(), opc::kCorePropertiesAlt, nullptr);
}

std::unique_ptr<TXLSStream> TOPC_XLSX::OpenAndReadSheet(std::u16string_view id) {
  FCurrSheet = ItemOpenRead(FWorkbook, RelType(opc::kWorksheet), id);
  if (!FCurrSheet) Raise("Can not find worksheet in OPC");
  return ItemOpenStream(FCurrSheet);
}

std::unique_ptr<TXLSStream> TOPC_XLSX::OpenAndReadChartSheet(std::u16string_view id) {
  FCurrSheet = ItemOpenRead(FWorkbook, RelType(opc::kChartsheet), id);
  if (!FCurrSheet) Raise("Can not find worksheet in OPC");
  return ItemOpenStream(FCurrSheet);
}

bool TOPC_XLSX::SheetIsChartSheet(std::u16string_view id) {
  const TOPCItem* item = FWorkbook ? FWorkbook->Find(id) : nullptr;
  return item && item->Type_() == RelType(opc::kChartsheet);
}

std::u16string TOPC_XLSX::FindSheetItemTarget(std::u16string_view sheetId, std::u16string_view itemId) {
  const TOPCItem* sheet = FWorkbook ? FWorkbook->Find(sheetId) : nullptr;
  if (!sheet) Raise("Can not find worksheet in OPC");
  return sheet->FindTarget(itemId);
}

std::unique_ptr<TXLSStream> TOPC_XLSX::ReadComments(std::u16string_view sheetId) {
  TOPCItem* sheet = ItemOpenRead(FWorkbook, RelType(opc::kWorksheet), sheetId);
  if (!sheet) return nullptr;
  auto stream = ReadChild(sheet, opc::kComments, nullptr);
  ItemClose(sheet);
  return stream;
}

std::unique_ptr<TXLSStream> TOPC_XLSX::ReadPrinterSettings(std::u16string_view id) {
  return ReadChild(FCurrSheet, opc::kPrinterSettings, &id);
}

std::unique_ptr<TXLSStream> TOPC_XLSX::ReadTable(std::u16string_view id) {
  FCurrTable = ItemOpenRead(FCurrSheet, RelType(opc::kTable), id);
  if (!FCurrTable) Raise("Can not find Table in OPC");
  return ItemOpenStream(FCurrTable);
}

std::unique_ptr<TXLSStream> TOPC_XLSX::ReadQueryTable() { return ReadChild(FCurrTable, opc::kQueryTable, nullptr); }

std::unique_ptr<TXLSStream> TOPC_XLSX::ReadCustomProperty(std::u16string_view id) {
  return ReadChild(FCurrSheet, opc::kCustomProperty, &id);
}

std::unique_ptr<TXLSStream> TOPC_XLSX::OpenAndReadDrawing(std::u16string_view id) {
  FCurrDrawing = ItemOpenRead(FCurrSheet, RelType(opc::kDrawing), id);
  if (!FCurrDrawing) Raise("Can not find Drawing in OPC");
  return ItemOpenStream(FCurrDrawing);
}

bool TOPC_XLSX::GetDrawingImages(std::vector<std::u16string>& ids) {
  if (!FCurrDrawing || !FCurrDrawing->FindByType(RelType(opc::kImage), FResultList, true)) return false;
  for (const TOPCItem* item : FResultList) ids.push_back(item->GetId());
  return !ids.empty();
}

std::unique_ptr<TXLSStream> TOPC_XLSX::ReadDrawingMedia(std::u16string_view id, std::u16string& target,
                                                        const std::function<bool(const std::u16string&)>& wanted) {
  TOPCItem* item = ItemOpenRead(FCurrDrawing, RelType(opc::kImage), id);
  if (!item) Raise("Can not find Image in OPC");
  std::unique_ptr<TXLSStream> stream;
  target.clear();
  if (item->TargetMode() == TOPCTargetMode::otmInternal) {
    if (!wanted || wanted(item->AbsoluteTarget())) stream = ItemOpenStream(item);
    target = item->Target();
  }
  ItemClose(item);
  return stream;
}

TOPCItem* TOPC_XLSX::FindAndOpenChart(std::u16string_view id) {
  TOPCItem* item = ItemOpenRead(FCurrDrawing, RelType(opc::kChart), id);
  if (!item) Raise("Can not find Table in OPC");
  return item;
}

std::unique_ptr<TXLSStream> TOPC_XLSX::ReadChartPart(TOPCItem* chart, std::u16string_view type, std::u16string_view id) {
  TOPCItem* item = ItemOpenRead(chart, type, id);
  if (!item) Raise("Can not find Table in OPC");
  auto stream = ItemOpenStream(item);
  ItemClose(item);
  return stream;
}

std::unique_ptr<TXLSStream> TOPC_XLSX::ReadChartStyle(TOPCItem* chart, std::u16string_view id) {
  return ReadChartPart(chart, opc::kChartStyleType, id);
}

std::unique_ptr<TXLSStream> TOPC_XLSX::ReadChartColors(TOPCItem* chart, std::u16string_view id) {
  return ReadChartPart(chart, opc::kChartColorStyleType, id);
}

std::unique_ptr<TXLSStream> TOPC_XLSX::ReadVmlDrawing(std::u16string_view id, std::vector<std::u16string>& items) {
  TOPCItem* item = ItemOpenRead(FCurrSheet, RelType(opc::kVmlDrawing), id);
  if (!item) Raise("Can not find VmlDrawing %s in OPC", id);
  for (int i = 0; i < item->Count(); ++i) items.push_back(item->Items(i)->Type_() + u"&" + item->Items(i)->Target());
  auto stream = ItemOpenStream(item);
  ItemClose(item);
  return stream;
}

bool TOPC_XLSX::GetSheetPivotTables(std::vector<std::u16string>& ids) {
  if (!FCurrSheet || !FCurrSheet->FindByType(RelType(opc::kPivotTable), FResultList, true)) return false;
  for (const TOPCItem* item : FResultList) ids.push_back(item->GetId());
  return !ids.empty();
}

std::unique_ptr<TXLSStream> TOPC_XLSX::ReadPivotTable(std::u16string_view id) {
  TOPCItem* item = ItemOpenRead(FCurrSheet, RelType(opc::kPivotTable), id);
  if (!item) Raise("Can not find pivotTable %s in OPC", id);
  item->CheckoutAll();
  auto stream = ItemOpenStream(item);
  ItemClose(item);
  return stream;
}

std::unique_ptr<TXLSStream> TOPC_XLSX::ReadPivotCacheDefinition(std::u16string_view id) {
  auto stream = ReadChild(FWorkbook, opc::kPivotCacheDefinition, &id);
  if (!stream) Raise("Can not find pivotCacheDefintion %s in OPC", id);
  return stream;
}

namespace {
// The item of that type naming the same part as `like` and holding its relationships, searched
// depth first; nullptr when none has any.
TOPCItem* ExpandedTwin(TOPCItem* item, const TOPCItem* like, std::u16string_view type, const std::u16string& target) {
  for (int i = 0; i < item->Count(); ++i) {
    TOPCItem* c = item->Items(i);
    if (c != like && c->Count() > 0 && c->Type_() == type && c->AbsoluteTarget() == target) return c;
    if (TOPCItem* found = ExpandedTwin(c, like, type, target)) return found;
  }
  return nullptr;
}
}  // namespace

std::unique_ptr<TXLSStream> TOPC_XLSX::ReadPivotCacheRecords(std::u16string_view ownerId, std::u16string_view id) {
  TOPCItem* owner = ItemOpenRead(FWorkbook, RelType(opc::kPivotCacheDefinition), ownerId);
  if (!owner) Raise("Can not find pivotCacheDefintion %s in OPC", ownerId);
  ItemClose(owner);
  // A definition part is also named by its pivot tables; its relationships are followed once,
  // under whichever item the tree reached first (often a table's, below a sheet).
  if (owner->Count() == 0)
    if (TOPCItem* twin = ExpandedTwin(Root(), owner, owner->Type_(), owner->AbsoluteTarget())) owner = twin;
  auto stream = ReadChild(owner, opc::kPivotCacheRecords, &id);
  if (!stream) Raise("Can not find pivotCacheRecords %s in OPC", id);
  return stream;
}

std::unique_ptr<TXLSStream> TOPC_XLSX::ReadXLink(std::u16string_view id) {
  auto stream = ReadChild(FWorkbook, opc::kExternalLink, &id);
  if (!stream) Raise("Can not find ExternalLink in OPC");
  return stream;
}

void TOPC_XLSX::CloseSheet() {
  ItemClose(FCurrSheet);
  FCurrSheet = nullptr;
}

void TOPC_XLSX::CloseDrawing() {
  ItemClose(FCurrDrawing);
  FCurrDrawing = nullptr;
}

void TOPC_XLSX::CloseTable() {
  ItemClose(FCurrTable);
  FCurrTable = nullptr;
}

}  // namespace xls
