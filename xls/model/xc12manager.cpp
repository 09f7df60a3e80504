#include "xls/model/xc12manager.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdio>

#include "platform/textcodec.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsglobals.h"
#include "xls/model/xlsrelcells.h"
#include "xls/model/xlssst.h"
#include "xls/model/xlsstylesheet.h"
#include "xls/model/xlsutils.h"
#include "xls/model/xlsworkbookdata.h"
#include "xls/model/xlsworksheetdata.h"

namespace xls {

// ---- event cell

void TXLSEventCell::ClearValues() {
  FCellType = TXLSCellType::xctNone;
  FFormula.clear();
  FIsFormula = false;
  FXF = nullptr;
}

void TXLSEventCell::Clear() {
  FCol = FTargetArea.Col1 - 1;
  FRow = FTargetArea.Row1;
  FPrevCol = -1;
  FPrevRow = -1;
  ClearValues();
}

void TXLSEventCell::SetAsBoolean(bool v) {
  FValBoolean = v;
  FCellType = FIsFormula ? TXLSCellType::xctBooleanFormula : TXLSCellType::xctBoolean;
}

void TXLSEventCell::SetAsError(TXc12CellError v) {
  FValError = v;
  FCellType = FIsFormula ? TXLSCellType::xctErrorFormula : TXLSCellType::xctError;
}

void TXLSEventCell::SetAsFloat(double v) {
  FValFloat = v;
  FCellType = FIsFormula ? TXLSCellType::xctFloatFormula : TXLSCellType::xctFloat;
}

void TXLSEventCell::SetAsString(std::u16string_view v) {
  FValString = v;
  FCellType = FIsFormula ? TXLSCellType::xctStringFormula : TXLSCellType::xctString;
}

void TXLSEventCell::SetRef(std::u16string_view ref) {
  int32_t c, r;
  if (RefStrToColRow(ref, c, r)) FCol = c, FRow = r;
}

// ---- kept parts

TXLSSavedFileDataList& TXLSSavedFileData::AddChilds() {
  if (!FChilds) FChilds = std::make_unique<TXLSSavedFileDataList>();
  return *FChilds;
}

TXLSSavedFileData* TXLSSavedFileDataList::Add(std::u16string_view type, std::u16string_view target,
                                              std::vector<uint8_t> data, std::u16string_view content) {
  auto d = std::make_unique<TXLSSavedFileData>();
  d->FType = type;
  d->FTarget = target;
  d->FData = std::move(data);
  d->FContent = content;
  // Once a macro project is kept the workbook has macros, whatever is added after it.
  if (target == u"vbaProject.bin") FHasVBA = true;
  if (target == u"vbaProjectSignature.bin") FHasSignedVBA = true;
  FItems.push_back(std::move(d));
  return FItems.back().get();
}

TXLSSavedFileData* TXLSSavedFileDataList::FindByType(std::u16string_view type) const {
  for (const auto& d : FItems)
    if (d->FType == type) return d.get();
  return nullptr;
}

void TXLSSavedFileDataList::Clear() {
  FItems.clear();
  FHasVBA = FHasSignedVBA = false;
}

void TXc12FileData::Clear() {
  FOPC.reset();
  FDocPropsCore.Clear();
  FSavedRoot.Clear();
  FSavedWorkbook.Clear();
  FSavedSheets.clear();
}

void TXc12FileData::AddSaveSheet(std::u16string_view id) { FSavedSheets.emplace_back(std::u16string(id), nullptr); }

namespace {
bool EndsWith(std::u16string_view s, std::u16string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}
bool StartsWith(std::u16string_view s, std::u16string_view head) { return s.substr(0, head.size()) == head; }
}  // namespace

void TXc12FileData::ReadUnusedData(std::vector<TXLSUnusedPart> parts) {
  for (TXLSUnusedPart& p : parts) {
    if (!p.Internal || p.Name == u"calcChain.xml" || p.Name == u"app.xml" || StartsWith(p.Name, u"printerSettings") ||
        StartsWith(p.Name, u"oleObject"))
      continue;
    TXLSSavedFileDataList* list = nullptr;
    if (EndsWith(p.ParentType, u"/officeDocument/2006/relationships/worksheet")) {
      TXLSSavedFileDataSheet* sheet = nullptr;
      for (auto& [id, rec] : FSavedSheets)
        if (id == p.ParentId) {
          if (!rec) rec = std::make_unique<TXLSSavedFileDataSheet>();
          sheet = rec.get();
          break;
        }
      if (sheet) {
        list = EndsWith(p.Type, u"/officeDocument/2006/relationships/table") ? &sheet->FTableData : &sheet->FSheetData;
      } else {
        // A worksheet no sheet entry names: keep the part with the root's and go on loading.
        if (FErrors) FErrors->Warning(u"Unknown OPC sheet id \"" + p.ParentId + u"\"", XLSWARN_XML_READ);
        list = &FSavedRoot;
      }
    } else if (EndsWith(p.ParentType, u"/officeDocument/2006/relationships/officeDocument")) {
      list = &FSavedWorkbook;
    } else if (p.ParentType == u"__ROOT__") {
      list = &FSavedRoot;
    } else {
      TXLSSavedFileData* parent = FSavedRoot.FindByType(p.ParentType);
      if (!parent) parent = FSavedWorkbook.FindByType(p.ParentType);
      if (parent) {
        list = &parent->AddChilds();
      } else if (StartsWith(p.Name, u"image")) {
        continue;
      } else {
        list = &FSavedRoot;
      }
    }
    list->Add(p.Type, p.Target, std::move(p.Data), p.Content)->FSource = std::move(p.Source);
  }
}

bool TXc12FileData::SetThemeColor(int slot, std::u16string_view hex) {
  if (slot < 0 || slot >= XLS_THEME_COLOR_COUNT || hex.empty() || hex.size() > 8) return false;
  uint32_t v = 0;
  for (char16_t c : hex) {
    uint32_t d;
    if (c >= u'0' && c <= u'9') d = c - u'0';
    else if (c >= u'a' && c <= u'f') d = c - u'a' + 10;
    else if (c >= u'A' && c <= u'F') d = c - u'A' + 10;
    else return false;
    v = v << 4 | d;
  }
  // The text is RRGGBB; the model keeps 00BBGGRR.
  ThemeColors()[size_t(slot)] = SwapRedBlue(v & 0xFFFFFF);
  return true;
}

// ---- document properties

std::u16string_view TXc12DocProps::Template() {
  return u"<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
         u"<cp:coreProperties "
         u"xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
         u"xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:dcterms=\"http://purl.org/dc/terms/\" "
         u"xmlns:dcmitype=\"http://purl.org/dc/dcmitype/\" "
         u"xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">"
         u"<dc:creator></dc:creator><cp:lastModifiedBy></cp:lastModifiedBy>"
         u"<dcterms:created xsi:type=\"dcterms:W3CDTF\"></dcterms:created>"
         u"<dcterms:modified xsi:type=\"dcterms:W3CDTF\"></dcterms:modified>"
         u"</cp:coreProperties>";
}

std::u16string TXc12DocProps::Text(std::u16string_view path) const {
  const TXc12XmlNode* n = FData ? FData->FDocPropsCore.Find(path) : nullptr;
  return n ? std::u16string(n->NodeText()) : std::u16string();
}

void TXc12DocProps::SetText(std::u16string_view path, std::u16string_view text) {
  if (TXc12XmlNode* n = FData ? FData->FDocPropsCore.Find(path) : nullptr) n->SetNodeText(text);
}

namespace {

// Reads `width` digits at `pos`; false when there are not that many.
bool Digits(std::u16string_view s, size_t& pos, size_t width, int32_t& out) {
  if (pos + width > s.size()) return false;
  out = 0;
  for (size_t i = 0; i < width; ++i) {
    const char16_t c = s[pos + i];
    if (c < u'0' || c > u'9') return false;
    out = out * 10 + (c - u'0');
  }
  pos += width;
  return true;
}

bool Expect(std::u16string_view s, size_t& pos, char16_t c) {
  if (pos >= s.size() || s[pos] != c) return false;
  ++pos;
  return true;
}

constexpr int64_t kSerialEpochDays = -25569;  // 1899-12-30 counted from 1970-01-01

}  // namespace

double TXc12DocProps::XmlTextToDateTime(std::u16string_view s) {
  size_t p = 0;
  int32_t y, mo, d, h = 0, mi = 0, sec = 0;
  if (!Digits(s, p, 4, y) || !Expect(s, p, u'-') || !Digits(s, p, 2, mo) || !Expect(s, p, u'-') ||
      !Digits(s, p, 2, d))
    return 0;
  if (y < 1 || mo < 1 || mo > 12 || d < 1 || d > 31) return 0;
  double fraction = 0;
  if (p < s.size() && s[p] == u'T') {
    ++p;
    if (!Digits(s, p, 2, h) || !Expect(s, p, u':') || !Digits(s, p, 2, mi) || !Expect(s, p, u':') ||
        !Digits(s, p, 2, sec))
      return 0;
    if (h > 23 || mi > 59 || sec > 59) return 0;
    if (p < s.size() && s[p] == u'.') {
      ++p;
      double scale = 0.1;
      const size_t start = p;
      while (p < s.size() && s[p] >= u'0' && s[p] <= u'9') fraction += (s[p++] - u'0') * scale, scale /= 10;
      if (p == start) return 0;
    }
  }
  int32_t offset = 0;  // minutes east of UTC
  if (p < s.size() && s[p] == u'Z') {
    ++p;
  } else if (p < s.size() && (s[p] == u'+' || s[p] == u'-')) {
    const int sign = s[p++] == u'-' ? -1 : 1;
    int32_t oh, om;
    if (!Digits(s, p, 2, oh) || !Expect(s, p, u':') || !Digits(s, p, 2, om)) return 0;
    offset = sign * (oh * 60 + om);
  }
  if (p != s.size()) return 0;
  const int64_t days = DaysFromCivil(y, unsigned(mo), unsigned(d)) - kSerialEpochDays;
  const double seconds = h * 3600.0 + mi * 60.0 + sec + fraction - offset * 60.0;
  return double(days) + seconds / 86400.0;
}

std::u16string TXc12DocProps::DateTimeToXmlText(double serial) {
  TDateParts t;
  if (!DecodeDateSerial(serial, t)) return {};
  char buf[32];
  const int n = std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02dZ", t.Year, t.Month, t.Day,
                              t.Hour, t.Minute, t.Second);
  return std::u16string(buf, buf + n);
}

// ---- graphic manager

TXLSRelCells* TXc12GraphicManagerImpl::CreateRelativeCells(std::u16string_view ref) {
  if (!FManager->ClassFactory()) return nullptr;
  auto o = FManager->ClassFactory()->CreateAClass(TXLSClassFactoryType::xcftVirtualCells, nullptr);
  auto* rc = dynamic_cast<TXLSRelCells*>(o.get());
  if (!rc) return nullptr;
  o.release();  // the caller owns the range
  rc->SetRef_(ref);
  rc->FBindSlot = FManager->VirtualCells().size();
  FManager->VirtualCells().push_back(rc);
  return rc;
}

void TXc12GraphicManagerImpl::ReleaseRelativeCells(TXLSRelCells* cells) {
  // The range knows its place in the list: its slot is emptied (binding steps over empty slots).
  auto& list = FManager->VirtualCells();
  if (cells && cells->FBindSlot < list.size() && list[cells->FBindSlot] == cells) list[cells->FBindSlot] = nullptr;
  if (cells) cells->FBindSlot = SIZE_MAX;
}

// ---- hub

TXc12PaperSize LocalePaperSize() {
  TXc12PaperSize result = TXc12PaperSize::psA4;
#ifdef _NL_PAPER_WIDTH
  if (locale_t loc = newlocale(LC_PAPER_MASK, "", static_cast<locale_t>(0))) {
    const auto h = int(reinterpret_cast<intptr_t>(nl_langinfo_l(_NL_PAPER_HEIGHT, loc)));
    const auto w = int(reinterpret_cast<intptr_t>(nl_langinfo_l(_NL_PAPER_WIDTH, loc)));
    if (w == 216 && h == 279) result = TXc12PaperSize::psLetter;
    else if (w == 216 && h == 356) result = TXc12PaperSize::psLegal;
    else if (w == 297 && h == 420) result = TXc12PaperSize::psA3;
    freelocale(loc);
  }
#endif
  return result;
}

TXc12Manager::TXc12Manager(TXLSClassFactory* factory, TXLSErrorManager* errors, const FormatSettings& settings)
    : FErrors(errors), FClassFactory(factory) {
  FDefaultPaperSz = LocalePaperSize();
  const bool comma = settings.DecimalSeparator == u',';
  FColSeparator = comma ? u'\\' : u',';
  FRowSeparator = ListSeparatorOf(settings);
  FEventCell = std::make_unique<TXLSEventCell>();
}

TXc12Manager::~TXc12Manager() {
  // Worksheets hold back-references into the shared strings and the style sheet: free them first.
  FXLinks.reset();
  FWorksheets.reset();
  FWorkbook.reset();
  FSST.reset();
  FStyleSheet.reset();
}

void TXc12Manager::CreateMembers() {
  FFileData = std::make_unique<TXc12FileData>(FErrors);
  FStyleSheet = std::make_unique<TXc12DataStyleSheet>();
  FSST = std::make_unique<TXc12DataSST>(&FStyleSheet->XFEditor());
  FWorkbook = std::make_unique<TXc12DataWorkbook>(FClassFactory);
  FWorksheets = std::make_unique<TXc12DataWorksheets>(FClassFactory, FSST.get(), FStyleSheet.get());
  FXLinks = std::make_unique<TXc12DataXLinks>();
  FGrManager = std::make_unique<TXc12GraphicManagerImpl>(this, FErrors);
  FDocProps = std::make_unique<TXc12DocProps>(FFileData.get());
}

void TXc12Manager::Clear() {
  FXLinks->Clear();
  // Ranges still listed belong to the sheets' charts about to be freed: empty the list first.
  for (TXLSRelCells* rc : FVirtualCells)
    if (rc) rc->FBindSlot = SIZE_MAX;
  FVirtualCells.clear();
  FWorksheets->Clear();
  FWorkbook->Clear();
  FSST->Clear();
  FStyleSheet->Clear();
  FFileData->Clear();
  FGrManager->Clear();
  FVirtualCells.clear();
  FExtNames97 = nullptr;
  FExtSheet97 = nullptr;
}

void TXc12Manager::AfterRead() {
  FIsUpdating = false;
  FStyleSheet->AfterRead();
  FSST->AfterRead();
  if (FXSSAfterRead) FXSSAfterRead(this);
}

void TXc12Manager::SetVersion(TExcelVersion v) {
  FVersion = v;
  if (FSST) FSST->SetIsExcel97(v < TExcelVersion::xvExcel2007);
}

std::u16string TXc12Manager::FilenameAsXLS() const {
  if (FFilename.empty()) return {};
  const size_t slash = FFilename.find_last_of(u"/\\");
  if (slash == std::u16string::npos) return u"[" + FFilename + u"]";
  return FFilename.substr(0, slash + 1) + u"[" + FFilename.substr(slash + 1) + u"]";
}

int32_t TXc12Manager::FindTable(std::u16string_view name, TXc12Tables*& tables, int32_t& sheetIndex) const {
  for (size_t s = 0; s < FWorksheets->Count(); ++s) {
    TXc12Tables& t = FWorksheets->Items(s)->Tables();
    const int32_t i = t.Find(name);
    if (i >= 0) {
      tables = &t;
      sheetIndex = int32_t(s);
      return i;
    }
  }
  return -1;
}

}  // namespace xls
