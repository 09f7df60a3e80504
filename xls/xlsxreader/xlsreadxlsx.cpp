#include "xls/xlsxreader/xlsreadxlsx.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

#include "platform/textcodec.h"
#include "xls/formula/xlsformulabinding.h"
#include "xls/formula/xlsformulahandler.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlscellmmu.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsglobals.h"
#include "xls/model/xlssst.h"
#include "xls/model/xlsstylesheet.h"
#include "xls/model/xlsworkbookdata.h"
#include "xls/model/xlsworksheetdata.h"
#include "xls/xlsxreader/xlsreadxlsxconv.h"
#include "xls/xlsxreader/xlsreadxlsxobjects.h"
#include "xls/package/xlspackageopc.h"
#include "xls/package/xlsstream.h"
#include "xls/package/xpgdom.h"
#include "xls/package/xpgvalues.h"
#include "xls/spreadsheetml/xpgparsexlinks.h"
#include "xls/spreadsheetml/xpgparsexlsx.h"

namespace xls {

using namespace xpgxlsx;

namespace {

// ---- decoding of value texts (ASCII digits; no objects built) ------------------------------

// A decimal number with "." as separator; false for anything else (blanks around are allowed).
// C is char (UTF-8 bytes) or char16_t.
template <class C>
bool ParseNumber(std::basic_string_view<C> v, double& out) {
  size_t b = 0, e = v.size();
  while (b < e && C(v[b]) <= C(' ')) ++b;
  while (e > b && C(v[e - 1]) <= C(' ')) --e;
  if (b < e && v[b] == C('+')) ++b;
  const size_t n = e - b;
  if (n == 0) return false;
  if constexpr (sizeof(C) == 1) {
    const char* p0 = v.data() + b;
    const auto [p, ec] = std::from_chars(p0, p0 + n, out);
    return ec == std::errc() && p == p0 + n && std::isfinite(out);
  } else {
    char buf[64];
    if (n >= sizeof buf) return false;
    for (size_t i = 0; i < n; ++i) {
      const char16_t c = v[b + i];
      if (c > 0x7F) return false;
      buf[i] = char(c);
    }
    const auto [p, ec] = std::from_chars(buf, buf + n, out);
    return ec == std::errc() && p == buf + n && std::isfinite(out);
  }
}
bool ParseNumber(std::string_view v, double& out) { return ParseNumber<char>(v, out); }
bool ParseNumber(std::u16string_view v, double& out) { return ParseNumber<char16_t>(v, out); }

constexpr size_t kMaxSheets = kOPCMaxSheets;

// A date value holding a time of day alone (hh:mm:ss, optionally with a decimal fraction of a
// second): the fraction of a day it stands for, as a serial number carries it.
bool ParseTimeOfDay(std::u16string_view v, double& out) {
  const auto two = [&v](size_t at, int& n) {
    if (at + 2 > v.size() || v[at] < u'0' || v[at] > u'9' || v[at + 1] < u'0' || v[at + 1] > u'9')
      return false;
    n = (v[at] - u'0') * 10 + (v[at + 1] - u'0');
    return true;
  };
  int h, m, sec;
  if (v.size() < 8 || !two(0, h) || v[2] != u':' || !two(3, m) || v[5] != u':' || !two(6, sec)) return false;
  if (h > 23 || m > 59 || sec > 59) return false;
  double frac = 0;
  if (v.size() > 8) {
    if (v[8] != u'.' || v.size() == 9) return false;
    double scale = 0.1;
    for (size_t i = 9; i < v.size(); ++i, scale /= 10) {
      if (v[i] < u'0' || v[i] > u'9') return false;
      frac += (v[i] - u'0') * scale;
    }
  }
  out = (h * 3600.0 + m * 60.0 + sec + frac) / 86400.0;
  return true;
}

double NumberOf(std::u16string_view v) {
  double d = 0;
  return ParseNumber(v, d) ? d : 0;
}

// A non-negative decimal integer up to INT32_MAX; false for anything else.
template <class C>
bool ParseIndex(std::basic_string_view<C> v, int32_t& out) {
  if (v.empty() || v.size() > 10) return false;
  int64_t n = 0;
  for (C c : v) {
    if (c < C('0') || c > C('9')) return false;
    n = n * 10 + (c - C('0'));
  }
  if (n > INT32_MAX) return false;
  out = int32_t(n);
  return true;
}
bool ParseIndex(std::string_view v, int32_t& out) { return ParseIndex<char>(v, out); }
bool ParseIndex(std::u16string_view v, int32_t& out) { return ParseIndex<char16_t>(v, out); }

// true, 1 and t in any case are true; anything else is false.
template <class C>
bool BoolOf(std::basic_string_view<C> v) {
  if (v.size() == 1) return v[0] == C('1') || v[0] == C('t') || v[0] == C('T');
  if (v.size() != 4) return false;
  static constexpr char kTrue[] = "true";
  for (size_t i = 0; i < 4; ++i)
    if ((v[i] | 0x20) != C(kTrue[i])) return false;
  return true;
}
bool BoolOf(std::string_view v) { return BoolOf<char>(v); }
bool BoolOf(std::u16string_view v) { return BoolOf<char16_t>(v); }

// A1 reference of one cell inside the sheet's limits (letters in either case, no "$").
template <class C>
bool ParseCellRef(std::basic_string_view<C> r, int32_t& col, int32_t& row) {
  size_t i = 0;
  int32_t c = 0;
  while (i < r.size() && i < 4) {
    C ch = r[i];
    if (ch >= C('a') && ch <= C('z')) ch = C(ch - 32);
    if (ch < C('A') || ch > C('Z')) break;
    c = c * 26 + (ch - C('A') + 1);
    ++i;
  }
  if (i == 0 || c > XLS_MAXCOL + 1) return false;
  int64_t n = 0;
  const size_t digits = i;
  while (i < r.size() && i - digits < 8) {
    const C ch = r[i];
    if (ch < C('0') || ch > C('9')) return false;
    n = n * 10 + (ch - C('0'));
    ++i;
  }
  if (i == digits || i != r.size() || n < 1 || n > XLS_MAXROW + 1) return false;
  col = c - 1;
  row = int32_t(n - 1);
  return true;
}
bool ParseCellRef(std::string_view r, int32_t& col, int32_t& row) { return ParseCellRef<char>(r, col, row); }
bool ParseCellRef(std::u16string_view r, int32_t& col, int32_t& row) {
  return ParseCellRef<char16_t>(r, col, row);
}

std::u16string Quote(std::u16string_view s) {
  std::u16string r = u"\"";
  r.append(s.substr(0, 64));
  if (s.size() > 64) r += u"...";
  r += u'"';
  return r;
}

std::u16string NumText(int64_t n) { return kws::Utf8ToUtf16(std::to_string(n)); }

bool InArea(const TXLSCellArea& a, int32_t col, int32_t row) {
  return col >= a.Col1 && col <= a.Col2 && row >= a.Row1 && row <= a.Row2;
}

TXc12Visibility VisibilityOf(uint8_t state) {
  return state <= 2 ? TXc12Visibility(state) : TXc12Visibility::x12vVisible;
}

// Frees the package's current sheet item on every exit.
struct TSheetCloser {
  TOPC_XLSX& Package;
  ~TSheetCloser() {
    if (Package.FCurrSheet) {
      try {
        Package.CloseSheet();
      } catch (...) {
      }
    }
  }
};

}  // namespace

// ---- the road -------------------------------------------------------------------------------

TXLSReadXLSX::TXLSReadXLSX(TXc12Manager& manager, TXLSFormulaHandler* formulas)
    : FManager(manager), FFormulas(formulas) {
  // The file data owns the package of the load, as it owns the load's other package objects.
  auto package = std::make_unique<TOPC_XLSX>();
  FPackage = package.get();
  FManager.FileData().FOPC = std::move(package);
}

TXLSReadXLSX::~TXLSReadXLSX() = default;

void TXLSReadXLSX::Warning(std::u16string_view text, int32_t number) {
  if (FWarningCap.Take()) FManager.Errors()->Warning(text, number);
}

void TXLSReadXLSX::BindErrors(TXPGDocBase& doc) {
  doc.Errors().OnError = [this](TXpgPErrors& e) { Warning(e.LastErrorText()); };
}

void TXLSReadXLSX::LoadFromStream(TXLSStream& zip) {
  FTotCells = FTotRows = 0;
  FWarningCap.Reset();
  FLastProgress = 0;
  FPackage->SetAutoCheckout(true);
  FPackage->OnWarning = [this](const std::u16string& w) { Warning(w); };
  FPackage->OpenRead(zip, FManager.FileData().FUseAlternateZip);
  struct TCloser {
    TOPC_XLSX& P;
    ~TCloser() {
      try {
        P.Close();
      } catch (...) {
      }
    }
  } closer{*FPackage};
  if (OnProgress) OnProgress(0);
  LoadDocPropsCore();
  LoadTheme();
  LoadStyles();
  LoadSST();
  LoadConnections();
  LoadWorkbook();
  LoadSheets();
  ReadUnusedData();
  if (OnProgress && FLastProgress < 100) OnProgress(100);
}

void TXLSReadXLSX::LoadTheme() {
  std::unique_ptr<TXLSStream> s = FPackage->ReadTheme();
  if (!s) return;
  TXpgSimpleDOM dom;
  // A theme is not worth a workbook: one that cannot be read (damaged, or more nodes than the
  // budget) is dropped with a warning and the default colours stay.
  try {
    dom.LoadFromStream(*s);
  } catch (const std::exception& e) {
    Warning(u"Theme not read: " + kws::Utf8ToUtf16(e.what()));
    return;
  }
  TXpgDOMNode* scheme = dom.Root() ? dom.Root()->Find(u"a:theme/a:themeElements/a:clrScheme") : nullptr;
  if (!scheme) return;
  for (int slot = 0; slot < XLS_THEME_COLOR_COUNT; ++slot) {
    TXpgDOMNode* n = scheme->Find(std::u16string(u"a:") + Xc12ClrSchemeColorNames[slot]);
    TXpgDOMNode* rgb = n ? n->Find(u"a:srgbClr") : nullptr;
    if (rgb) TXc12FileData::SetThemeColor(slot, rgb->Attributes().FindValue(u"val"));
  }
}

void TXLSReadXLSX::LoadDocPropsCore() {
  TXc12KeptXml& core = FManager.FileData().FDocPropsCore;
  core.Clear();
  if (std::unique_ptr<TXLSStream> s = FPackage->ReadDocPropsCore()) {
    ReadKeptXml(*FPackage, *s, u"docProps/core.xml", core, [this](std::u16string_view w) { Warning(w); });
    if (core.FDom) return;
  }
  // Without a readable part the properties start from the template (every property empty).
  auto dom = std::make_unique<TXpgSimpleDOM>();
  dom->LoadFromString(TXc12DocProps::Template());
  core.FDom = std::move(dom);
}

void TXLSReadXLSX::LoadConnections() {
  TXc12KeptXml& connections = FManager.Workbook().Connections();
  connections.Clear();
  if (std::unique_ptr<TXLSStream> s = FPackage->ReadConnections())
    ReadKeptXml(*FPackage, *s, u"connections", connections, [this](std::u16string_view w) { Warning(w); });
}

// ---- styles -----------------------------------------------------------------------------------

namespace {

// Overwrites the built-in entries the part has and appends the others: entry i of the part is
// entry i of the model.
template <class List, class Elem, class Apply>
void ReadStyleList(List& list, const TXpgList<Elem>& src, Apply apply) {
  const size_t n = list.DefaultCount();
  for (int i = 0; i < src.Count(); ++i) {
    auto* item = size_t(i) < n ? list.Items(size_t(i)) : list.Add();
    if (size_t(i) < n) item->Clear();
    apply(*src[i], *item);
  }
}

}  // namespace

void TXLSReadXLSX::LoadStyles() {
  std::unique_ptr<TXLSStream> s = FPackage->ReadStyles();
  if (!s) return;
  TXPGDocXLSX doc;
  BindErrors(doc);
  doc.LoadFromStream(*s);
  const TCT_Stylesheet* st = doc.StyleSheet();
  if (!st || !st->Available()) return;
  TXc12DataStyleSheet& ss = FManager.StyleSheet();
  ss.NumFmts().Errors = FManager.Errors();

  for (const auto& nf : *st->NumFmts()->NumFmtXpgList()) {
    if (!ss.NumFmts().Add(nf->FormatCode(), nf->NumFmtId()))
      Warning(u"Number format id " + NumText(nf->NumFmtId()) + u" out of range");
  }
  ReadStyleList(ss.Fonts(), *st->Fonts()->FontXpgList(),
                [](const TCT_Font& e, TXc12Font& m) { ApplyFont(e, m); });
  ReadStyleList(ss.Fills(), *st->Fills()->FillXpgList(),
                [](const TCT_Fill& e, TXc12Fill& m) { ApplyFill(e, m); });
  ReadStyleList(ss.Borders(), *st->Borders()->BorderXpgList(),
                [](const TCT_Border& e, TXc12Border& m) { ApplyBorder(e, m); });

  // Lookups by number: a number beyond the list gives entry 0 (and a warning).
  auto pick = [this](auto& list, int32_t id, const char16_t* what) {
    if (id < 0 || size_t(id) >= list.Count() || !list.Items(size_t(id))) {
      Warning(std::u16string(what) + u" " + NumText(id) + u" out of range");
      id = 0;
    }
    return list.Count() > 0 ? list.Items(size_t(id)) : nullptr;
  };
  auto readXfs = [&](TXc12XFs& target, const TCT_XfXpgList& src, bool styleXfs) {
    const size_t n = target.DefaultCount();
    for (int i = 0; i < src.Count(); ++i) {
      const TCT_Xf& e = *src[i];
      TXc12XF* xf = size_t(i) < n ? target.Items(size_t(i)) : target.Add();
      xf->FApply = ReadXfApply(e);
      xf->SetFill(pick(ss.Fills(), e.FillId(), u"Fill id"));
      xf->SetBorder(pick(ss.Borders(), e.BorderId(), u"Border id"));
      xf->SetFont(pick(ss.Fonts(), e.FontId(), u"Font id"));
      xf->SetNumFmt(pick(ss.NumFmts(), e.NumFmtId(), u"Number format id"));
      if (!styleXfs || size_t(e.XfId()) < ss.StyleXFs().Count())
        xf->SetXF(ss.StyleXFs().Count() > 0 ? pick(ss.StyleXFs(), e.XfId(), u"Style format id") : nullptr);
      if (e.Alignment()->Available()) ApplyAlignment(*e.Alignment(), xf->Alignment());
      if (e.Protection()->Available()) xf->SetProtection(ReadProtection(*e.Protection()));
      xf->SetQuotePrefix(e.QuotePrefix() != 0);
      xf->SetPivotButton(e.PivotButton() != 0);
    }
  };
  readXfs(ss.StyleXFs(), *st->CellStyleXfs()->XfXpgList(), true);
  readXfs(ss.XFs(), *st->CellXfs()->XfXpgList(), false);

  for (const auto& e : *st->CellStyles()->CellStyleXpgList()) {
    if (ss.StyleXFs().Count() == 0) break;
    TXc12CellStyle* cs = ss.Styles().Add();
    cs->FName = e->Name();
    cs->FBuiltInId = e->BuiltinId();
    cs->FCustomBuiltIn = e->CustomBuiltin() != 0;
    cs->FHidden = e->Hidden() != 0;
    cs->FLevel = e->ILevel();
    cs->FXF = pick(ss.StyleXFs(), e->XfId(), u"Style format id");
    if (TXc12XF* xf = cs->FXF) {
      xf->AddRef();
      if (xf->NumFmt()) xf->NumFmt()->AddRef();
      if (xf->Font()) xf->Font()->AddRef();
      if (xf->Fill()) xf->Fill()->AddRef();
      if (xf->Border()) xf->Border()->AddRef();
    }
  }

  for (const auto& e : *st->Dxfs()->DxfXpgList()) {
    TXc12DXF* d = ss.DXFs().Add();
    if (e->Font()->Available()) ApplyFont(*e->Font(), *d->AddFont());
    if (e->NumFmt()->Available()) d->AddNumFmt()->SetValue(e->NumFmt()->FormatCode());
    if (e->Fill()->Available()) ApplyFill(*e->Fill(), *d->AddFill());
    if (e->Alignment()->Available()) ApplyAlignment(*e->Alignment(), *d->AddAlignment());
    if (e->Border()->Available()) ApplyBorder(*e->Border(), *d->AddBorder());
    if (e->Protection()->Available()) d->FProtection = ReadProtection(*e->Protection());
  }

  const TCT_TableStyles& ts = *st->TableStyles();
  ss.TableStyles().FDefaultTableStyle = ts.DefaultTableStyle();
  ss.TableStyles().FDefaultPivotStyle = ts.DefaultPivotStyle();
  for (const auto& e : *ts.TableStyleXpgList()) {
    TXc12TableStyle* t = ss.TableStyles().Add();
    t->FName = e->Name();
    t->FPivot = e->Pivot() != 0;
    t->FTable = e->Table() != 0;
    for (const auto& el : *e->TableStyleElementXpgList()) {
      TXc12TableStyleElement m;
      m.FType = el->Type();
      m.FSize = el->Size();
      if (el->DxfId() >= 0 && size_t(el->DxfId()) < ss.DXFs().Count())
        m.FDXF = ss.DXFs().Items(size_t(el->DxfId()));
      else if (el->DxfId() >= 0)
        Warning(u"Differential format id " + NumText(el->DxfId()) + u" out of range");
      t->FTableStyleElements.push_back(m);
    }
  }

  int idx = 0;
  for (const auto& c : *st->Colors()->IndexedColors()->RgbColorXpgList()) {
    const uint32_t argb = uint32_t(c->Rgb());
    // Package colours are AARRGGBB; the model keeps 00BBGGRR.
    const uint32_t rgb = ((argb >> 16) & 0xFF) | (argb & 0xFF00) | ((argb & 0xFF) << 16);
    ss.InxColors().Add()->SetRGB(rgb);
    if (idx < XLS_PALETTE_SIZE) IndexedPalette()[size_t(idx)] = rgb;
    ++idx;
  }
  for (const auto& c : *st->Colors()->MruColors()->ColorXpgList()) ss.MruColors().Add(ReadColor(*c));
}

// ---- shared strings ----------------------------------------------------------------------------

void TXLSReadXLSX::DoSSTItem(TCT_Rst& item) {
  TXc12DataSST& sst = FManager.SST();
  if (item.RXpgList()->Count() == 0) {
    sst.FileAddString(item.T());
  } else {
    std::vector<TXc12FontRun> runs;
    ReadRichText(FManager.StyleSheet(), item, FScratch, runs);
    sst.AddFormattedString(FScratch, runs);
  }
  item.Clear();
}

void TXLSReadXLSX::LoadSST() {
  std::unique_ptr<TXLSStream> s = FPackage->ReadSST();
  if (!s) return;
  TXPGDocXLSX doc;
  BindErrors(doc);
  doc.Root()->Sst()->OnReadSi = [this](TCT_Rst& item) { DoSSTItem(item); };
  doc.LoadFromStream(*s);
}

// ---- workbook ---------------------------------------------------------------------------------

void TXLSReadXLSX::DoDefinedName(TCT_DefinedName& e) {
  if (e.Name() == u"LOCAL_MYSQL_DATE_FORMAT") return;
  try {
    TXc12DefinedName* n = FManager.Workbook().DefinedNames().Add(e.Name(), e.LocalSheetId());
    if (!n) return;
    n->FContent = e.Content();
    n->FComment = e.Comment();
    n->FCustomMenu = e.CustomMenu();
    n->FDescription = e.Description();
    n->FHelp = e.Help();
    n->FStatusBar = e.StatusBar();
    n->FFunctionGroupId = e.FunctionGroupId();
    n->FShortcutKey = e.ShortcutKey();
    n->FHidden = e.Hidden() != 0;
    n->FFunction = e.Function_() != 0;
    n->FVbProcedure = e.VbProcedure() != 0;
    n->FXlm = e.Xlm() != 0;
    n->FPublishToServer = e.PublishToServer() != 0;
    n->FWorkbookParameter = e.WorkbookParameter() != 0;
  } catch (const XLSRWException& x) {
    Warning(u"Defined name " + Quote(e.Name()) + u" skipped: " + x.Message());
  }
}

void TXLSReadXLSX::LoadPivotCaches(const TCT_PivotCaches& src) {
  TXc12PivotCacheList* caches = FManager.Workbook().PivotCaches();
  if (!caches || !src.PivotCacheXpgList()) return;
  for (const auto& c : *src.PivotCacheXpgList()) {
    std::u16string recordsId;
    try {
      auto stream = FPackage->ReadPivotCacheDefinition(c->R_Id());
      recordsId = caches->LoadDefinition(*stream, c->CacheId());
    } catch (const std::exception& e) {
      Warning(u"Pivot cache definition " + c->R_Id() + u" not read: " + kws::Utf8ToUtf16(e.what()));
      continue;
    }
    if (recordsId.empty()) continue;
    try {
      auto stream = FPackage->ReadPivotCacheRecords(c->R_Id(), recordsId);
      caches->LoadRecords(*stream);
    } catch (const std::exception& e) {
      Warning(u"Pivot cache records " + recordsId + u" of cache definition " + c->R_Id() + u" not read: " +
              kws::Utf8ToUtf16(e.what()));
    }
  }
}

void TXLSReadXLSX::LoadWorkbook() {
  std::unique_ptr<TXLSStream> s = FPackage->ReadWorkbook();
  if (!s) return;
  TXPGDocXLSX doc;
  BindErrors(doc);
  doc.Root()->Workbook()->DefinedNames()->OnReadDefinedName = [this](TCT_DefinedName& n) {
    DoDefinedName(n);
  };
  doc.LoadFromStream(*s);
  const TCT_Workbook* wb = doc.Workbook();
  if (!wb || !wb->Available()) return;
  TXc12DataWorkbook& m = FManager.Workbook();

  const TCT_FileVersion& fv = *wb->FileVersion();
  m.FileVersion().SetAppName(fv.AppName());
  m.FileVersion().SetLastEdited(fv.LastEdited());
  m.FileVersion().SetLowestEdited(fv.LowestEdited());
  m.FileVersion().SetRupBuild(fv.RupBuild());
  m.FileVersion().SetCodeName(fv.CodeName());

  const TCT_FileSharing& fs = *wb->FileSharing();
  m.FileSharing().FReadOnlyReccomended = fs.ReadOnlyRecommended() != 0;
  m.FileSharing().FUsername = fs.UserName();
  m.FileSharing().FReservationPassword = fs.ReservationPassword();

  const TCT_WorkbookPr& pr = *wb->WorkbookPr();
  TXc12WorkbookPr& mp = m.WorkbookPr();
  mp.FDate1904 = pr.Date1904() != 0;
  FDate1904 = mp.FDate1904;
  mp.FShowObjects = TXc12Objects(DefaultIfUnset(pr.ShowObjects(), 0) % 3);
  mp.FShowBorderUnselectedTables = pr.ShowBorderUnselectedTables() != 0;
  mp.FFilterPrivacy = pr.FilterPrivacy() != 0;
  mp.FPromptedSolutions = pr.PromptedSolutions() != 0;
  mp.FShowInkAnnotation = pr.ShowInkAnnotation() != 0;
  mp.FBackupFile = pr.BackupFile() != 0;
  mp.FSaveExternalLinkValues = pr.SaveExternalLinkValues() != 0;
  mp.FUpdateLinks = TXc12UpdateLinks(DefaultIfUnset(pr.UpdateLinks(), 0) % 3);
  mp.FCodeName = pr.CodeName();
  mp.FHidePivotFieldList = pr.HidePivotFieldList() != 0;
  mp.FShowPivotChartFilter = pr.ShowPivotChartFilter() != 0;
  mp.FAllowRefreshQuery = pr.AllowRefreshQuery() != 0;
  mp.FPublishItems = pr.PublishItems() != 0;
  mp.FCheckCompatibility = pr.CheckCompatibility() != 0;
  mp.FAutoCompressPictures = pr.AutoCompressPictures() != 0;
  mp.FRefreshAllConnections = pr.RefreshAllConnections() != 0;
  mp.FDefaultThemeVersion = pr.DefaultThemeVersion();

  const TCT_WorkbookProtection& wp = *wb->WorkbookProtection();
  m.WorkbookProtection().FWorkbookPassword = wp.WorkbookPassword();
  m.WorkbookProtection().FRevisionPassword = wp.RevisionsPassword();
  m.WorkbookProtection().FLockStructure = wp.LockStructure() != 0;
  m.WorkbookProtection().FLockWindows = wp.LockWindows() != 0;
  m.WorkbookProtection().FLockRevision = wp.LockRevision() != 0;

  const auto& views = *wb->BookViews()->WorkbookViewXpgList();
  if (views.Count() > 0) m.BookViews().Clear(false);
  for (const auto& v : views) {
    TXc12BookView* b = m.BookViews().Add();
    b->FVisibility = VisibilityOf(v->Visibility());
    b->FMinimized = v->Minimized() != 0;
    b->FShowHorizontalScroll = v->ShowHorizontalScroll() != 0;
    b->FShowVerticalScroll = v->ShowVerticalScroll() != 0;
    b->FShowSheetTabs = v->ShowSheetTabs() != 0;
    b->FXWindow = v->XWindow();
    b->FYWindow = v->YWindow();
    b->FWindowWidth = v->WindowWidth();
    b->FWindowHeight = v->WindowHeight();
    b->FTabRatio = v->TabRatio();
    b->FFirstSheet = v->FirstSheet();
    b->FActiveTab = v->ActiveTab();
    b->FAutoFilterDateGrouping = v->AutoFilterDateGrouping() != 0;
  }

  m.FunctionGroups().FBuiltInGroupCount = wb->FunctionGroups()->BuiltInGroupCount();
  for (const auto& g : *wb->FunctionGroups()->FunctionGroupXpgList()) m.FunctionGroups().Add(g->Name());

  for (const auto& x : *wb->ExternalReferences()->ExternalReferenceXpgList()) LoadXLink(x->R_Id());

  const TCT_CalcPr& cp = *wb->CalcPr();
  TXc12CalcPr& mc = m.CalcPr();
  mc.FCalcId = cp.CalcId();
  mc.FCalcMode = TXc12CalcMode(DefaultIfUnset(cp.CalcMode(), 1) % 3);
  mc.FFullCalcOnLoad = cp.FullCalcOnLoad() != 0;
  mc.FRefMode = TXc12RefMode(DefaultIfUnset(cp.RefMode(), 0) & 1);
  mc.FIterate = cp.Iterate() != 0;
  mc.FIterateCount = cp.IterateCount();
  mc.FIterateDelta = cp.IterateDelta();
  mc.FFullPrecision = cp.FullPrecision() != 0;
  mc.FCalcCompleted = cp.CalcCompleted() != 0;
  mc.FCalcOnSave = cp.CalcOnSave() != 0;
  mc.FConcurrentCalc = cp.ConcurrentCalc() != 0;
  mc.FConcurrentManualCount = cp.ConcurrentManualCount();
  mc.FForceFullCalc = cp.ForceFullCalc() != 0;

  AreaStrToCellArea(wb->OleSize()->Ref(), m.FOleSize);

  for (const auto& v : *wb->CustomWorkbookViews()->CustomWorkbookViewXpgList()) {
    TXc12CustomWorkbookView* c = m.CustomWorkbookViews().Add();
    c->FName = v->Name();
    c->FGuid = v->Guid();
    c->FAutoUpdate = v->AutoUpdate() != 0;
    c->FMergeInterval = v->MergeInterval();
    c->FChangesSavedWin = v->ChangesSavedWin() != 0;
    c->FOnlySync = v->OnlySync() != 0;
    c->FPersonalView = v->PersonalView() != 0;
    c->FIncludePrintSettings = v->IncludePrintSettings() != 0;
    c->FIncludeHiddenRowCol = v->IncludeHiddenRowCol() != 0;
    c->FMaximized = v->Maximized() != 0;
    c->FMinimized = v->Minimized() != 0;
    c->FShowHorizontalScroll = v->ShowHorizontalScroll() != 0;
    c->FShowVerticalScroll = v->ShowVerticalScroll() != 0;
    c->FShowSheetTabs = v->ShowSheetTabs() != 0;
    c->FXWindow = v->XWindow();
    c->FYWindow = v->YWindow();
    c->FWindowWidth = v->WindowWidth();
    c->FWindowHeight = v->WindowHeight();
    c->FTabRatio = v->TabRatio();
    c->FActiveSheetId = v->ActiveSheetId();
    c->FShowFormulaBar = v->ShowFormulaBar() != 0;
    c->FShowStatusbar = v->ShowStatusbar() != 0;
    c->FShowComments = TXc12Comments_(DefaultIfUnset(v->ShowComments(), 1) % 3);
    c->FShowObjects = TXc12Objects(DefaultIfUnset(v->ShowObjects(), 0) % 3);
  }

  if (wb->PivotCaches()) LoadPivotCaches(*wb->PivotCaches());

  m.SmartTagPr().FEmbed = wb->SmartTagPr()->Embed() != 0;
  m.SmartTagPr().FShow = TXc12SmartTagShow(DefaultIfUnset(wb->SmartTagPr()->Show(), 0) % 3);
  for (const auto& t : *wb->SmartTagTypes()->SmartTagTypeXpgList()) {
    TXc12SmartTagType* x = m.SmartTagTypes().Add();
    x->FNamespaceUri = t->NamespaceUri();
    x->FName = t->Name();
    x->FUrl = t->Url();
  }

  const TCT_WebPublishing& web = *wb->WebPublishing();
  TXc12WebPublishing& mw = m.WebPublishing();
  mw.FCss = web.Css() != 0;
  mw.FThicket = web.Thicket() != 0;
  mw.FLongFileNames = web.LongFileNames() != 0;
  mw.FVml = web.Vml() != 0;
  mw.FAllowPng = web.AllowPng() != 0;
  mw.FTargetScreenSize = DefaultIfUnset(web.TargetScreenSize(), 3);
  mw.FDpi = web.Dpi();
  mw.FCodePage = web.CodePage();

  for (const auto& r : *wb->FileRecoveryPrXpgList()) {
    TXc12FileRecoveryPr* x = m.FileRecoveryPrs().Add();
    x->FAutoRecover = r->AutoRecover() != 0;
    x->FCrashSave = r->CrashSave() != 0;
    x->FDataExtractLoad = r->DataExtractLoad() != 0;
    x->FRepairLoad = r->RepairLoad() != 0;
  }
  for (const auto& o : *wb->WebPublishObjects()->WebPublishObjectXpgList()) {
    TXc12WebPublishObject* x = m.WebPublishObjects().Add();
    x->FId = o->Id();
    x->FDivId = o->DivId();
    x->FSourceObject = o->SourceObject();
    x->FDestinationFile = o->DestinationFile();
    x->FTitle = o->Title();
    x->FAutoRepublish = o->AutoRepublish() != 0;
  }

  for (const auto& sh : *wb->Sheets()->SheetXpgList()) {
    if (sh->R_Id().empty()) continue;
    // As many sheets as a legacy workbook can hold.
    if (m.Sheets().Count() >= kMaxSheets) throw XLSRWException("Too many sheets in the file");
    TXc12Sheet* x = m.Sheets().Add();
    x->FName = sh->Name();
    x->FSheetId = sh->SheetId();
    x->FState = VisibilityOf(sh->State());
    x->FRId = sh->R_Id();
  }
}

// ---- external links -------------------------------------------------------------------------

void TXLSReadXLSX::LoadXLink(std::u16string_view rId) {
  std::unique_ptr<TXLSStream> s;
  try {
    s = FPackage->ReadXLink(rId);
  } catch (const XLSRWException& e) {
    Warning(u"External link " + Quote(rId) + u" not read: " + e.Message());
    return;
  }
  xpgxlinks::TXPGDocXLink doc;
  doc.LoadFromStream(*s);
  TXc12ExternalLink* link = FManager.XLinks().Add();
  link->FRId = std::u16string(rId);
  const xpgxlinks::TCT_ExternalLink* el = doc.ExternalLink();
  if (!el || !el->Available()) return;
  TOPCItem* item = FPackage->FWorkbook ? FPackage->FWorkbook->Find(rId) : nullptr;
  auto targetOf = [item](std::u16string_view id) -> std::u16string {
    if (!item || id.empty()) return {};
    const TOPCItem* t = item->Find(id);
    return t ? t->Target() : std::u16string();
  };
  if (el->ExternalBook()->Available()) {
    const auto& b = *el->ExternalBook();
    TXc12XExternalBook& mb = link->FExternalBook;
    mb.FFilename = targetOf(b.R_Id());
    for (const auto& n : *b.SheetNames()->SheetNameXpgList()) mb.FSheetNames.push_back(n->Val());
    for (const auto& n : *b.DefinedNames()->DefinedNameXpgList())
      mb.FDefinedNames.push_back({n->Name(), n->RefersTo(), n->SheetId()});
    for (const auto& sd : *b.SheetDataSet()->SheetDataXpgList()) {
      TXc12XSheetData& d = mb.FSheetDataSet.emplace_back();
      d.FSheetId = sd->SheetId();
      d.FRefreshError = sd->RefreshError() != 0;
      for (const auto& r : *sd->RowXpgList()) {
        TXc12XRow& row = d.FRows.emplace_back();
        row.FRow = std::max(r->R(), 0) - 1;  // no row number (or a negative one): -1
        for (const auto& c : *r->CellXpgList()) {
          TXc12XCell& cell = row.FCells.emplace_back();
          int32_t col = 0, rw = 0;
          if (ParseCellRef(c->R(), col, rw)) cell.FCol = col, cell.FRow = rw;
          cell.FValueMetadata = c->Vm();
          switch (c->T()) {
            case xpgxlinks::stectB:
              cell.SetAsBoolean(BoolOf(c->V()));
              break;
            case xpgxlinks::stectN:
              cell.SetAsFloat(NumberOf(c->V()));
              break;
            case xpgxlinks::stectE:
              cell.SetAsError(ErrorTextToCellError(c->V()));
              break;
            case xpgxlinks::stectStr:
              cell.SetAsString(c->V());
              break;
            default:
              break;
          }
        }
      }
    }
  }
  if (el->DdeLink()->Available()) {
    const auto& d = *el->DdeLink();
    link->FDdeLink.FDdeService = d.DdeService();
    link->FDdeLink.FDdeTopic = d.DdeTopic();
    for (const auto& it : *d.DdeItems()->DdeItemXpgList()) {
      TXc12DdeItem& mi = link->FDdeLink.FItems.emplace_back();
      mi.FName = it->Name();
      mi.FOle = it->Ole() != 0;
      mi.FAdvise = it->Advise() != 0;
      mi.FPreferPic = it->PreferPic() != 0;
      mi.FCols = it->Values()->Cols();
      mi.FRows = it->Values()->Rows();
      for (const auto& v : *it->Values()->ValueXpgList()) {
        TXc12XCellValue& mv = mi.FValues.emplace_back();
        switch (v->T()) {
          case xpgxlinks::stdvtNil:
            mv.SetAsNil(true);
            break;
          case xpgxlinks::stdvtB:
            mv.SetAsBoolean(BoolOf(v->Val()));
            break;
          case xpgxlinks::stdvtN:
            mv.SetAsFloat(NumberOf(v->Val()));
            break;
          case xpgxlinks::stdvtE:
            mv.SetAsError(ErrorTextToCellError(v->Val()));
            break;
          case xpgxlinks::stdvtStr:
            mv.SetAsString(v->Val());
            break;
          default:
            break;
        }
      }
    }
  }
  if (el->OleLink()->Available()) {
    const auto& o = *el->OleLink();
    link->FOleLink.FFilename = targetOf(o.R_Id());
    link->FOleLink.FProgId = o.ProgId();
    for (const auto& it : *o.OleItems()->OleItemXpgList()) {
      TXc12OleItem& mi = link->FOleLink.FItems.emplace_back();
      mi.FName = it->Name();
      mi.FIcon = it->Icon() != 0;
      mi.FAdvice = it->Advise() != 0;
      mi.FPreferPic = it->PreferPic() != 0;
    }
  }
}

// ---- sheets -----------------------------------------------------------------------------------

void TXLSReadXLSX::LoadSheets() {
  TXc12Sheets& list = FManager.Workbook().Sheets();
  TXc12DataWorksheets& sheets = FManager.Worksheets();
  const size_t first = sheets.Count();
  for (size_t i = 0; i < list.Count(); ++i) {
    const TXc12Sheet& e = *list.Items(i);
    // A sheet id below 1 (the lowest 32-bit one included) leaves the numbering to the list.
    TXc12DataWorksheet* ws = sheets.Add(e.FSheetId > 0 ? e.FSheetId - 1 : -1);
    ws->FName = e.FName;
    ws->FState = e.FState;
    ws->FRId = e.FRId;
  }
  TXLSReadXLSXObjects objects(FManager, *FPackage, FFormulas, &FWarningCap);
  const std::u16string worksheetType = opc::RelType(opc::kWorksheet);
  const std::u16string chartsheetType = opc::RelType(opc::kChartsheet);
  for (size_t i = 0; i < list.Count(); ++i) {
    TXc12DataWorksheet& ws = *sheets.Items(first + i);
    FManager.FileData().AddSaveSheet(ws.FRId);
    const TOPCItem* item = FPackage->FWorkbook ? FPackage->FWorkbook->Find(ws.FRId) : nullptr;
    if (!item) {
      Warning(u"Sheet " + Quote(ws.FName) + u" has no part");
      continue;
    }
    if (item->Type_() == chartsheetType) {
      ws.FIsChartSheet = true;
      objects.LoadChartSheet(ws.FRId, ws);
    } else if (item->Type_() == worksheetType) {
      LoadSheet(ws.FRId, ws, objects);
    } else {
      // A macro sheet or dialog sheet: its part stays unread with the kept parts.
      Warning(u"Sheet " + Quote(ws.FName) + u" of type " + Quote(item->Type_()) + u" not read");
    }
    if (OnProgress) {
      const auto p = int32_t(100 * (i + 1) / list.Count());
      if (p > FLastProgress) OnProgress(FLastProgress = p);
    }
  }
  list.Clear();
}

void TXLSReadXLSX::LoadSheet(std::u16string_view rId, TXc12DataWorksheet& sheet,
                             TXLSReadXLSXObjects& objects) {
  FSharedFormulas.clear();
  FArrayFormulas.clear();
  FArrayIndex.clear();
  FArrayLevels = {};
  FArrayBounds = {-1, -1, -1, -1};
  FCurrSheet = &sheet;
  FCells = &sheet.Cells();
  FCurrSheetRId = rId;
  FPrevRow = -1;
  FRowInProgress = -1;
  FLastCol = -1;
  {
    std::unique_ptr<TXLSStream> s = FPackage->OpenAndReadSheet(rId);
    TSheetCloser closer{*FPackage};
    TXPGDocXLSX doc;
    BindErrors(doc);
    TCT_Worksheet& w = *doc.Root()->Worksheet();
    TCT_SheetData& sd = *w.SheetData();
    FRowElement = sd.Row();
    const bool direct = FManager.FDirectRead;
    if (direct) {
      FManager.EventCell().FSheetName = sheet.FName;
      sd.Row()->OnReadC = [this](TCT_Cell& c) { DoCellDirect(c); };
      sd.OnReadRow = [this](TCT_Row& r) {
        ++FTotRows;
        FPrevRow = CurrentRow();
        FRowInProgress = -1;
        FLastCol = -1;
        r.Clear();
      };
    } else {
      sd.Row()->OnReadC = [this](TCT_Cell& c) { DoCell(c); };
      sd.OnReadRow = [this](TCT_Row& r) { DoRow(r); };
      doc.OnReadWorksheetColsCol = [this](TCT_Col& c) { DoCol(c); };
    }
    w.MergeCells()->OnReadMergeCell = [this](TCT_MergeCell& m) { DoMergeCell(m); };
    w.Hyperlinks()->OnReadHyperlink = [this](TCT_Hyperlink& h) { DoHyperlink(h); };
    doc.LoadFromStream(*s);
    FRowElement = nullptr;
    objects.ReadWorksheetObjects(w, sheet);
    // Pivot tables of the sheet stay unread with the kept parts until the pivot model reads them.
  }
  objects.LoadComments(rId, sheet);
  FSharedFormulas.clear();
  FArrayFormulas.clear();
  FArrayIndex.clear();
  FCurrSheet = nullptr;
  FCells = nullptr;
}

// ---- rows, columns, merged cells, hyperlinks ------------------------------------------------

int32_t TXLSReadXLSX::CurrentRow() {
  if (FRowInProgress >= 0) return FRowInProgress;
  const int32_t r = FRowElement ? FRowElement->R() : 0;
  // r is 1-based; a row without r follows the previous one.
  FRowInProgress = r > 0 ? (r - 1 <= XLS_MAXROW ? r - 1 : INT32_MAX) : FPrevRow + 1;
  return FRowInProgress;
}

void TXLSReadXLSX::DoRow(TCT_Row& e) {
  ++FTotRows;
  const int32_t row = CurrentRow();
  FRowInProgress = -1;
  FLastCol = -1;
  if (row < 0 || row > XLS_MAXROW) {
    Warning(u"Row " + NumText(e.R()) + u" outside the sheet skipped");
    e.Clear();
    return;
  }
  FPrevRow = row;
  const bool plain = e.S() == 0 && e.Ht() == 0 && e.Hidden() == 0 && e.CustomHeight() == 0 &&
                     e.OutlineLevel() == 0 && e.Collapsed() == 0 && e.ThickTop() == 0 && e.ThickBot() == 0 &&
                     e.Ph() == 0 && e.CustomFormat() == 0;
  if (!plain) {
    const int32_t style = CheckStyle(e.S());
    FCells->AddRow(row, style);
    if (TXLSMMURowHeader* h = FCells->FindRow(row)) {
      const double ht = e.Ht();
      h->Height = ht > 0 && ht < 3276.75 ? uint16_t(std::nearbyint(ht * 20)) : uint16_t(0xFFFF);
      uint8_t o = 0;
      if (e.Hidden()) o |= xroHidden;
      if (e.CustomHeight()) o |= xroCustomHeight;
      if (e.Collapsed()) o |= xroCollapsed;
      if (e.ThickTop()) o |= xroThickTop;
      if (e.ThickBot()) o |= xroThickBottom;
      if (e.Ph()) o |= xroPhonetic;
      h->Options = o;
      h->OutlineLevel = uint8_t(e.OutlineLevel());
    }
  }
  e.Clear();
}

void TXLSReadXLSX::DoCol(TCT_Col& e) {
  if (e.Min() < 1 || e.Max() < e.Min() || e.Min() > XLS_MAXCOL + 1) {
    Warning(u"Column record " + NumText(e.Min()) + u".." + NumText(e.Max()) + u" outside the sheet skipped");
    return;
  }
  const int32_t style = CheckStyle(e.Style());
  TXc12XF* xf = FManager.StyleSheet().XFs().Items(size_t(style));
  TXc12Column* c = FCurrSheet->Columns().Add(xf);
  FManager.StyleSheet().XFEditor().UseStyle(xf);
  c->FMin = e.Min() - 1;
  c->FMax = std::min(e.Max(), XLS_MAXCOL + 1) - 1;
  c->FWidth = e.Width();
  c->FOutlineLevel = e.OutlineLevel();
  uint8_t o = 0;
  if (e.Collapsed()) o |= xcoCollapsed;
  if (e.Hidden()) o |= xcoHidden;
  if (e.BestFit()) o |= xcoBestFit;
  if (e.CustomWidth()) o |= xcoCustomWidth;
  if (e.Phonetic()) o |= xcoPhonetic;
  c->FOptions = o;
}

void TXLSReadXLSX::DoMergeCell(TCT_MergeCell& e) {
  TXLSCellArea a;
  AreaStrToCellArea(e.Ref(), a);
  if (a.Col1 < 0 || a.Row1 < 0) {
    Warning(u"Merged area " + Quote(e.Ref()) + u" skipped");
    return;
  }
  FCurrSheet->MergedCells().AddRef(a);
}

void TXLSReadXLSX::DoHyperlink(TCT_Hyperlink& e) {
  TXLSCellArea a;
  AreaStrToCellArea(e.Ref(), a);
  if (a.Col1 < 0 || a.Row1 < 0) {
    Warning(u"Hyperlink at " + Quote(e.Ref()) + u" skipped");
    return;
  }
  TXc12Hyperlink* h = FCurrSheet->Hyperlinks().AddLink();
  h->FRef = a;
  std::u16string address;
  if (!e.R_Id().empty()) address = FPackage->FindSheetItemTarget(FCurrSheetRId, e.R_Id());
  if (address.empty()) address = e.Location();
  auto starts = [&](std::u16string_view p) {
    if (address.size() < p.size()) return false;
    for (size_t i = 0; i < p.size(); ++i)
      if ((address[i] | 0x20) != p[i]) return false;
    return true;
  };
  if (e.R_Id().empty())
    h->FHyperlinkType = TXLSHyperlinkType::xhltWorkbook;
  else if (starts(u"http:") || starts(u"https:") || starts(u"mailto:") || starts(u"ftp:") || starts(u"news:"))
    h->FHyperlinkType = TXLSHyperlinkType::xhltURL;
  else if (address.size() >= 2 && address[0] == u'\\' && address[1] == u'\\')
    h->FHyperlinkType = TXLSHyperlinkType::xhltUNC;
  else
    h->FHyperlinkType = TXLSHyperlinkType::xhltFile;
  h->FHyperlinkEnc = h->FHyperlinkType;
  h->FLocation = e.Location();
  h->FDisplay = e.Display();
  // The component's hyperlink classifies and encodes the address it is given; the tooltip is
  // the file's.
  h->SetRawAddress(address);
  h->FTooltip = e.Tooltip();
}

// ---- cells ------------------------------------------------------------------------------------

int32_t TXLSReadXLSX::CheckStyle(int32_t s) {
  if (s == 0) return 0;
  const size_t n = FManager.StyleSheet().XFs().Count();
  if (s > 0 && size_t(s) < n && s <= 0xFFFF && FManager.StyleSheet().XFs().Items(size_t(s))) return s;
  Warning(u"Cell format " + NumText(s) + u" out of range");
  return 0;
}

bool TXLSReadXLSX::CellPosition(const TCT_Cell& cell, int32_t& col, int32_t& row) {
  const std::string_view r = cell.RBytes();
  if (!r.empty()) {
    if (!ParseCellRef(r, col, row)) {
      Warning(u"Cell " + Quote(cell.R()) + u" outside the sheet skipped");
      return false;
    }
  } else {
    // A cell without r is the one after the previous cell of its row.
    row = CurrentRow();
    col = FLastCol + 1;
    if (row > XLS_MAXROW || col > XLS_MAXCOL) {
      Warning(u"Cell without reference outside the sheet skipped");
      return false;
    }
  }
  if (FRowInProgress < 0) FRowInProgress = row;
  FLastCol = col;
  return true;
}

std::vector<uint8_t> TXLSReadXLSX::Compile(std::u16string_view text) {
  if (!FFormulas || text.empty()) return {};
  try {
    std::vector<uint8_t> p = FFormulas->EncodeFormula(text, FCurrSheet->Index());
    if (p.empty()) Warning(u"Formula " + Quote(text) + u" not compiled");
    return p;
  } catch (const XLSRWException& e) {
    Warning(u"Formula " + Quote(text) + u" not compiled: " + e.Message());
  } catch (const std::exception&) {
    Warning(u"Formula " + Quote(text) + u" not compiled");
  }
  return {};
}

std::u16string TXLSReadXLSX::SharedText(std::u16string_view index) {
  int32_t i = -1;
  TXc12DataSST& sst = FManager.SST();
  if (ParseIndex(index, i) && i < sst.TotalCount() && sst.GetItems(i)) return sst.GetItemText(i);
  Warning(index, XLSWARN_BIFF_SST_INDEX);
  return {};
}

std::u16string TXLSReadXLSX::InlineText(const TCT_Cell& cell) const {
  const TCT_Rst& is = *cell.Is();
  if (is.RXpgList()->Count() == 0) return is.T();
  std::u16string t = is.T();  // a plain text before the runs leads
  for (const auto& r : *is.RXpgList()) t += r->T();
  return t;
}

namespace {

uint64_t ArrayKey(int32_t rowLevel, int32_t colLevel, int32_t row, int32_t col) {
  return (uint64_t(rowLevel) << 45) | (uint64_t(colLevel) << 40) |
         (uint64_t(uint32_t(row) >> rowLevel) << 14) | (uint32_t(col) >> colLevel);
}

}  // namespace

const TXLSArrayFormulaArea* TXLSReadXLSX::ArrayAreaOf(int32_t col, int32_t row) const {
  if (FArrayFormulas.empty() || !InArea(FArrayBounds, col, row)) return nullptr;
  // Of the areas holding the cell, the one recorded first.
  int32_t found = INT32_MAX;
  for (int32_t rl = 0; rl < int32_t(FArrayLevels.size()); ++rl) {
    for (uint32_t cls = FArrayLevels[size_t(rl)]; cls; cls &= cls - 1) {
      const auto it = FArrayIndex.find(ArrayKey(rl, std::countr_zero(cls), row, col));
      if (it != FArrayIndex.end() && it->second < found &&
          InArea(FArrayFormulas[size_t(it->second)].Area, col, row))
        found = it->second;
    }
  }
  return found == INT32_MAX ? nullptr : &FArrayFormulas[size_t(found)];
}

const TXLSArrayFormulaArea& TXLSReadXLSX::AddArrayArea(const TCT_CellFormula& f, int32_t col, int32_t row) {
  TXLSArrayFormulaArea a;
  AreaStrToCellArea(f.Ref(), a.Area);
  if (a.Area.Col1 < 0) a.Area = SetCellAreaOneCell(col, row);
  a.MasterCol = col;
  a.MasterRow = row;
  a.IsArray = f.T() == stcftArray;
  const TXLSCellArea& r = a.Area;
  if (r.Col1 < 0 || r.Col1 > r.Col2 || r.Col2 > XLS_MAXCOL || r.Row1 < 0 || r.Row1 > r.Row2 ||
      r.Row2 > XLS_MAXROW) {
    Warning(u"Array formula area " + f.Ref() + u" out of range");
    return FArrayFormulas.emplace_back(a);  // the master keeps it; no cell is found in it
  }
  const int32_t rl = std::bit_width(uint32_t(r.Row1 ^ r.Row2)),
                cl = std::bit_width(uint32_t(r.Col1 ^ r.Col2));
  if (!FArrayIndex.try_emplace(ArrayKey(rl, cl, r.Row1, r.Col1), int32_t(FArrayFormulas.size())).second) {
    // Areas never overlap in a sound file; this one shares a cell with an earlier area, which keeps it.
    Warning(u"Array formula area " + f.Ref() + u" overlaps another area");
    return FArrayFormulas.emplace_back(a);
  }
  FArrayLevels[size_t(rl)] |= uint16_t(1u << cl);
  if (FArrayIndex.size() == 1) {
    FArrayBounds = a.Area;
  } else {
    FArrayBounds.Col1 = std::min(FArrayBounds.Col1, a.Area.Col1);
    FArrayBounds.Row1 = std::min(FArrayBounds.Row1, a.Area.Row1);
    FArrayBounds.Col2 = std::max(FArrayBounds.Col2, a.Area.Col2);
    FArrayBounds.Row2 = std::max(FArrayBounds.Row2, a.Area.Row2);
  }
  return FArrayFormulas.emplace_back(a);
}

void TXLSReadXLSX::StageResult(const TCT_Cell& cell) {
  TXLSFormulaHelper& h = FCells->FormulaHelper();
  const std::u16string& v = cell.V();
  switch (cell.T()) {
    case stctB:
      h.SetAsBoolean(BoolOf(v));
      break;
    case stctD: {
      // An ISO date becomes its serial number; a number stays a number.
      double d = 0;
      if (!ParseNumber(v, d) && !ParseTimeOfDay(v, d)) {
        d = XmlStrToDateTime(v);
        if (FDate1904 && d != 0) d -= 1462;
      }
      h.SetAsFloat(d);
      break;
    }
    case stctE: {
      const TXc12CellError e = ErrorTextToCellError(v);
      if (e == TXc12CellError::errUnknown) Warning(u"Unknown error value " + Quote(v) + u" kept as an error");
      h.FResult = uint8_t(e);
      h.FCellType = TXLSCellType::xctErrorFormula;
      break;
    }
    case stctStr:
      h.SetAsString(v);
      break;
    case stctS: {
      // A cached text kept as a shared-string number, or as the text itself.
      int32_t i = -1;
      if (ParseIndex(v, i) && i < FManager.SST().TotalCount() && FManager.SST().GetItems(i))
        h.SetAsString(FManager.SST().GetItemText(i));
      else
        h.SetAsString(v);
      break;
    }
    case stctInlineStr:
      h.SetAsString(cell.Is()->Available() ? InlineText(cell) : v);
      break;
    default: {
      // n, or a type the reader does not know: the number of v (text that is no number keeps
      // its text).
      double d = 0;
      if (ParseNumber(v, d) || v.empty())
        h.SetAsFloat(d);
      else
        h.SetAsString(v);
      break;
    }
  }
}

void TXLSReadXLSX::StoreFormulaCell(const TCT_Cell& cell, int32_t col, int32_t row, int32_t style) {
  TXLSFormulaHelper& h = FCells->FormulaHelper();
  const TCT_CellFormula& f = *cell.F();
  h.Clear();
  h.FCol = col;
  h.FRow = row;
  h.FStyle = style;
  std::vector<uint8_t> ptgs;
  uint8_t options = 0, tableOptions = 0;
  h.FFormulaType = TXLSCellFormulaType::xcftNormal;
  switch (f.T()) {
    case stcftArray:
    case stcftDataTable: {
      const TXLSArrayFormulaArea& a = AddArrayArea(f, col, row);
      h.SetTargetRef(a.Area.Col1, a.Area.Row1, a.Area.Col2, a.Area.Row2);
      h.FFormula = f.Content();
      if (a.IsArray) {
        h.FFormulaType = TXLSCellFormulaType::xcftArray;
        if (f.Aca()) options |= 1;
      } else {
        h.FFormulaType = TXLSCellFormulaType::xcftDataTable;
        h.FIsTABLE = true;
        if (f.Dt2D()) tableOptions |= 4;
        if (f.Dtr()) tableOptions |= 8;
        if (f.Del1()) tableOptions |= 1;
        if (f.Del2()) tableOptions |= 2;
        if (!f.R1().empty()) {
          h.SetStrR1(f.R1());
          if (!f.R2().empty()) h.SetStrR2(f.R2());
        }
      }
      break;
    }
    case stcftShared:
      if (!f.Content().empty()) {
        // A master: compiled once; its followers copy and move its tokens.
        TXLSSharedFormula& m = FSharedFormulas[f.Si()];
        m.FRef = {row, col};
        AreaStrToCellArea(f.Ref(), m.FApplyArea);
        if (m.FApplyArea.Col1 < 0) m.FApplyArea = SetCellAreaOneCell(col, row);
        m.FPtgs = Compile(f.Content());
        if (m.FPtgs.empty()) {
          h.FFormula = f.Content();  // kept as text
        } else {
          h.SetPtgs(m.FPtgs.data());
          h.FPtgsSize = int32_t(m.FPtgs.size());
        }
      } else {
        const auto it = FSharedFormulas.find(f.Si());
        if (it != FSharedFormulas.end() && !it->second.FPtgs.empty() &&
            InArea(it->second.FApplyArea, col, row)) {
          const TXLSSharedFormula& m = it->second;
          ptgs = m.FPtgs;
          try {
            FFormulas->AdjustCell(ptgs, col - m.FRef.Col, row - m.FRef.Row, false);
            h.SetPtgs(ptgs.data());
            h.FPtgsSize = int32_t(ptgs.size());
          } catch (const XLSRWException& e) {
            Warning(u"Shared formula at " + ColRowToRefStr(col, row) + u" not moved: " + e.Message());
          }
        }
        // A follower without its master keeps its cached value and an empty formula.
      }
      break;
    default:
      h.FFormula = f.Content();
      break;
  }
  StageResult(cell);
  if (f.Ca()) options |= 4;
  if (f.Bx()) options |= 2;
  h.FOptions = options;
  h.FTableOptions = tableOptions;
  FCells->StoreFormula();
}

void TXLSReadXLSX::StoreArrayChild(const TCT_Cell& cell, int32_t col, int32_t row, int32_t style,
                                   const TXLSArrayFormulaArea& a) {
  TXLSFormulaHelper& h = FCells->FormulaHelper();
  h.Clear();
  h.FCol = col;
  h.FRow = row;
  h.FParentCol = a.MasterCol;
  h.FParentRow = a.MasterRow;
  h.FStyle = style;
  h.FFormulaType = a.IsArray ? TXLSCellFormulaType::xcftArrayChild : TXLSCellFormulaType::xcftDataTableChild;
  StageResult(cell);
  FCells->StoreFormula();
}

void TXLSReadXLSX::StoreCell(const TCT_Cell& cell, int32_t col, int32_t row, int32_t style) {
  const std::string_view vb = cell.VBytes();
  TXLSCellMMU& cells = *FCells;
  if (cell.F()->Available()) return StoreFormulaCell(cell, col, row, style);
  if (const TXLSArrayFormulaArea* a = ArrayAreaOf(col, row))
    return StoreArrayChild(cell, col, row, style, *a);
  const TST_CellType t = cell.T();
  if (t == stctInlineStr) {
    // The inline text, or the value when the cell has no is element.
    if (cell.Is()->Available())
      cells.StoreString(col, row, style, InlineText(cell));
    else if (!vb.empty())
      cells.StoreString(col, row, style, cell.V());
    else
      cells.StoreBlank(col, row, style);
    return;
  }
  if (vb.empty()) return cells.StoreBlank(col, row, style);
  switch (t) {
    case stctN: {
      double d = 0;
      if (ParseNumber(vb, d))
        cells.StoreFloat(col, row, style, d);
      else
        cells.StoreFloat(col, row, style, 0);
      break;
    }
    case stctS: {
      int32_t i = -1;
      TXc12DataSST& sst = FManager.SST();
      if (ParseIndex(vb, i) && i < sst.TotalCount() && sst.GetItems(i)) {
        cells.StoreString(col, row, style, i);
      } else {
        Warning(cell.V(), XLSWARN_BIFF_SST_INDEX);
        cells.StoreString(col, row, style, std::u16string_view());
      }
      break;
    }
    case stctB:
      cells.StoreBoolean(col, row, style, BoolOf(vb));
      break;
    case stctE: {
      const std::u16string& v = cell.V();
      const TXc12CellError e = ErrorTextToCellError(v);
      if (e == TXc12CellError::errUnknown) Warning(u"Unknown error value " + Quote(v) + u" kept as an error");
      cells.StoreError(col, row, style, e);
      break;
    }
    case stctStr:
      cells.StoreString(col, row, style, cell.V());
      break;
    case stctD: {
      const std::u16string& v = cell.V();
      double d = 0;
      if (!ParseNumber(v, d) && !ParseTimeOfDay(v, d)) {
        d = XmlStrToDateTime(v);
        if (d == 0) {
          Warning(u"Date value " + Quote(v) + u" kept as text");
          cells.StoreString(col, row, style, v);
          break;
        }
        if (FDate1904) d -= 1462;
      }
      cells.StoreFloat(col, row, style, d);
      break;
    }
    default: {
      // An unknown type: a number when v is one, else its text.
      double d = 0;
      if (ParseNumber(vb, d))
        cells.StoreFloat(col, row, style, d);
      else
        cells.StoreString(col, row, style, cell.V());
      break;
    }
  }
}

void TXLSReadXLSX::DoCell(TCT_Cell& cell) {
  ++FTotCells;
  int32_t col, row;
  if (!CellPosition(cell, col, row)) return;
  const int32_t style = cell.S() == 0 ? 0 : CheckStyle(cell.S());
  try {
    StoreCell(cell, col, row, style);
  } catch (const XLSRWException& e) {
    // One cell the store refuses (a value too long for it, say) never ends the load.
    Warning(u"Cell " + ColRowToRefStr(col, row) + u" skipped: " + e.Message());
  }
}

void TXLSReadXLSX::DoCellDirect(TCT_Cell& cell) {
  ++FTotCells;
  int32_t col, row;
  if (!CellPosition(cell, col, row)) return;
  TXLSEventCell& ec = FManager.EventCell();
  ec.Clear();
  ec.FSheetIndex = FCurrSheet->Index();
  ec.FCol = col;
  ec.FRow = row;
  const std::u16string& v = cell.V();
  if (cell.F()->Available()) {
    const TCT_CellFormula& f = *cell.F();
    if (f.T() == stcftArray || f.T() == stcftDataTable) {
      AddArrayArea(f, col, row);
      return;
    }
    if (!f.Content().empty()) ec.SetAsFormula(f.Content());
  } else if (ArrayAreaOf(col, row)) {
    return;
  }
  if (v.empty() && cell.T() != stctInlineStr) {
    if (ec.FIsFormula) FManager.FireReadCellEvent();
    return;
  }
  switch (cell.T()) {
    case stctB:
      ec.SetAsBoolean(BoolOf(v));
      break;
    case stctE:
      ec.SetAsError(ErrorTextToCellError(v));
      break;
    case stctS:
      ec.SetAsString(ec.FIsFormula ? std::u16string(v) : SharedText(v));
      break;
    case stctStr:
      ec.SetAsString(v);
      break;
    case stctInlineStr:
      ec.SetAsString(cell.Is()->Available() ? InlineText(cell) : std::u16string(v));
      break;
    case stctD: {
      double d = 0;
      if (!ParseNumber(v, d)) d = XmlStrToDateTime(v) - (FDate1904 ? 1462 : 0);
      ec.SetAsFloat(d);
      break;
    }
    default:
      ec.SetAsFloat(NumberOf(v));
      break;
  }
  FManager.FireReadCellEvent();
}

// ---- kept parts -----------------------------------------------------------------------------

void TXLSReadXLSX::ReadUnusedData() {
  TOPCItemList list;
  FPackage->SaveUnchecked(list);
  std::vector<TXLSUnusedPart> parts;
  parts.reserve(list.size());
  for (TOPCItem* item : list) {
    TXLSUnusedPart p;
    p.Name = item->Name();
    p.Internal = item->TargetMode() == TOPCTargetMode::otmInternal;
    TOPCItem* parent = item->Parent();
    if (!parent || parent == FPackage->Root())
      p.ParentType = u"__ROOT__";
    else
      p.ParentType = parent->Type_(), p.ParentId = parent->GetId();
    p.Type = item->Type_();
    p.Target = item->Target();
    p.Content = item->Content();
    p.Source = item->Source();  // unpacked only when the model needs the bytes
    parts.push_back(std::move(p));
  }
  FManager.FileData().ReadUnusedData(std::move(parts));
}

// ---- registration -----------------------------------------------------------------------------

void RegisterXLSXReader() {
  DefaultXLSBookReaders().ReadPackage = [](TXLSBook& book, std::span<const uint8_t> zip) {
    TXLSViewStream stream(std::string_view(reinterpret_cast<const char*>(zip.data()), zip.size()));
    TXLSReadXLSX reader(book.Manager(), &FormulaHandlerOf(book));
    reader.OnProgress = book.OnProgress();
    reader.LoadFromStream(stream);
  };
}

}  // namespace xls
