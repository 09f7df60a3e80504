// Sheet records: used area, columns, default sizes, the view with its pane and selections,
// merged areas, hyperlinks, page breaks, header and footer, margins, page setup, print and
// outline settings, the tab colour and the enhanced protection. Each goes into the current
// model worksheet and, where the record has one, into its slot or placeholder of the sheet's
// raw storage.
//
// Layouts (MS-XLS, offsets from the body start): DIMENSIONS BIFF8 first row u32, row after the
// last u32, first column u16, column after the last u16 (BIFF5: four u16); COLINFO first and last
// column, width in 1/256 of a character, XF, flags (bit 0 hidden, 1 custom width, 8-10 outline
// level, 12 collapsed); WINDOW2 flags u16, top row, left column, grid colour, then (BIFF8) the
// zoom of the page-break preview at 10 and of the normal view at 12; PANE x split, y split,
// top row, left column of the other panes, active pane byte: frozen panes count columns and
// rows, split panes measure in twentieths of a point; SELECTION pane byte, active row, active
// column, active area, area count and areas of (row, row, column byte, column byte);
// MERGEDCELLS count and areas of (row, row, column, column); page breaks BIFF8 count and
// (position, first, last), BIFF5 count and positions, a position being the first row or column
// of the new page; HEADER/FOOTER BIFF8 count u16 and a flagged string, BIFF5 count byte and
// 8-bit text; SETUP paper, scale, first page, fit width, fit height, flags, resolutions, header
// and footer margins (doubles at 16 and 24), copies at 32.
//
// HLINK (BIFF8): the area (rows, columns), a class id, then the hyperlink object: stream
// version, flags (bit 0 moniker, 1 absolute, 2 site gave the display name, 3 location, 4 display
// name, 5 GUID, 6 creation time, 7 frame name, 8 moniker as text), then from 32 the parts that
// the flags announce: display name, frame name, moniker, location. A text part is a u32
// character count (the null included) and UTF-16 characters. A URL moniker holds a byte count
// and the UTF-16 address; a file moniker the up-level count, the 8-bit path and, behind 24 bytes,
// an optional UTF-16 path. Every count and offset is bounded by the record: a part that runs past
// it ends the reading, and the link keeps what was read before (its area and kind at least).
#include <algorithm>
#include <cmath>

#include "xls/biff/biffrecords.h"
#include "xls/biff/sheetrules.h"
#include "xls/biff/sheets.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsstylesheet.h"
#include "xls/model/xlsworksheetdata.h"

namespace xls::biff {

namespace {

// Columns of a legacy sheet.
constexpr int32_t kLastCol97 = 255;

// Class ids of the URL and the file moniker as stored (the GUID's first three fields
// little-endian).
constexpr uint8_t kURLMoniker[16] = {0xE0, 0xC9, 0xEA, 0x79, 0xF9, 0xBA, 0xCE, 0x11,
                                     0x8C, 0x82, 0x00, 0xAA, 0x00, 0x4B, 0xA9, 0x0B};
constexpr uint8_t kFileMoniker[16] = {0x03, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                      0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

bool IsClassId(const TBIFFBody& b, size_t off, const uint8_t (&id)[16]) {
  const auto bytes = b.Bytes(off, 16);
  return bytes.size() == 16 && std::equal(bytes.begin(), bytes.end(), id);
}

// A text part of the hyperlink object at `p` (u32 character count, null included, and UTF-16
// characters); moves `p` past it. False when the part runs past the record.
bool TakeHyperlinkText(const TBIFFBody& b, size_t& p, std::u16string& out) {
  const uint64_t count = b.U32(p);
  if (b.Available(p) < 4 || count * 2 > b.Available(p + 4)) return false;
  out = ReadUTF16Bytes(b, p + 4, int32_t(count * 2));
  p += 4 + size_t(count) * 2;
  return true;
}

TXc12SheetView& FirstView(TXc12DataWorksheet& ws) {
  if (ws.SheetViews().Count() == 0) ws.SheetViews().Add();
  return *ws.SheetViews().Items(0);
}

TXc12PaneEnum PaneOf(uint8_t v, TXc12PaneEnum dflt) { return v <= 3 ? TXc12PaneEnum(v) : dflt; }

}  // namespace

// The key of a merged area among those the current sheet read already.
static uint64_t MergedKey(uint32_t r1, uint32_t r2, uint32_t c1, uint32_t c2) {
  return uint64_t(r1 & 0xFFFF) | uint64_t(r2 & 0xFFFF) << 16 | uint64_t(c1 & 0xFFFF) << 32 |
         uint64_t(c2 & 0xFFFF) << 48;
}

bool TBIFFRecords::HandleSheet(uint16_t id, std::span<const uint8_t> data, TBIFFRecordHost& host) {
  const TBIFFBody b(data);
  const bool biff5up = FVersion > TExcelVersion::xvExcel40;
  const bool biff8 = FVersion >= TExcelVersion::xvExcel97;
  // Sheet records outside a worksheet are stored as they are.
  if (!FSheet || FCurrSheet < 0) return false;
  TXc12DataWorksheet& ws = *FSheet;
  switch (id) {
    case BIFFID_DIMENSIONS:
    case BIFFID_DIMENSIONS_2:
      if ((id == BIFFID_DIMENSIONS) != biff5up) return false;
      if (!biff5up) return true;  // dropped
      RecDIMENSIONS(b, host);
      return true;
    case BIFFID_COLINFO:
      RecCOLINFO(b);
      return true;
    case BIFFID_DEFCOLWIDTH:
      if (!biff5up) return false;
      ws.SheetFormatPr().FDefaultColWidth = b.U16(0);
      return true;
    case BIFFID_DEFAULTROWHEIGHT:
      if (!biff5up) return false;
      ws.SheetFormatPr().FDefaultRowHeight = b.U16(2);
      return true;
    case BIFFID_WINDOW2:
      RecWINDOW2(b, data, host);
      return true;
    case BIFFID_PANE: {
      TXc12Pane& p = FirstView(ws).FPane;
      p.FExcel97 = true;
      p.FActivePane = PaneOf(b.U8(8), p.FActivePane);
      // As stored: columns and rows of a frozen pane, twentieths of a point of a split one.
      p.FXSplit = b.U16(0);
      p.FYSplit = b.U16(2);
      p.FTopLeftCell = SetCellAreaOneCell(b.U16(6), b.U16(4));
      if (TSheet* legacy = host.LegacySheet()) RecLegacyPane(b, *legacy, p.FState == TXc12PaneState::x12psFrozen);
      return true;
    }
    case BIFFID_SELECTION:
      if (!biff5up) return false;
      RecSELECTION(b);
      return true;
    case BIFFID_MERGEDCELLS:
      RecMERGEDCELLS(b, host);
      return true;
    case BIFFID_HLINK:
      if (!biff8) return true;  // dropped
      RecHLINK(b, host);
      return true;
    case BIFFID_HORIZONTALPAGEBREAKS:
    case BIFFID_VERTICALPAGEBREAKS:
      host.UpdateInternal(INTERNAL_PAGEBREAKES);
      RecPageBreaks(b, id == BIFFID_HORIZONTALPAGEBREAKS);
      return true;
    case BIFFID_HEADER:
    case BIFFID_FOOTER: {
      if (!biff5up) return false;
      host.UpdateInternal(INTERNAL_HEADER);
      if (b.Empty()) return true;
      std::u16string text;
      if (biff8)
        text = ReadBIFF8Chars(b, 2, b.U16(0), FCodec);
      else
        text = FCodec.Decode8(b.Bytes(1, b.U8(0)));
      (id == BIFFID_HEADER ? ws.HeaderFooter().FOddHeader : ws.HeaderFooter().FOddFooter) = std::move(text);
      return true;
    }
    case BIFFID_LEFTMARGIN:
    case BIFFID_RIGHTMARGIN:
    case BIFFID_TOPMARGIN:
    case BIFFID_BOTTOMMARGIN: {
      if (!biff5up) return false;
      host.UpdateInternal(INTERNAL_MARGINS);
      b.Need(8);
      TXc12PageMargins& m = ws.PageMargins();
      double* fields[] = {&m.FLeft, &m.FRight, &m.FTop, &m.FBottom};
      *fields[id - BIFFID_LEFTMARGIN] = b.F64(0);
      return true;
    }
    case BIFFID_SETUP:
      if (biff5up) host.UpdateDefault(id, data);
      RecSETUP(b);
      return true;
    case BIFFID_PRINTHEADERS:
    case BIFFID_PRINTGRIDLINES:
    case BIFFID_GRIDSET:
    case BIFFID_HCENTER:
    case BIFFID_VCENTER:
    case BIFFID_GUTS: {
      if (biff5up) host.UpdateDefault(id, data);
      TXc12PrintOptions& o = ws.PrintOptions();
      const bool on = b.U16(0) == 1;
      switch (id) {
        case BIFFID_PRINTHEADERS:
          o.FHeadings = on;
          break;
        case BIFFID_PRINTGRIDLINES:
          o.FGridLines = on;
          break;
        case BIFFID_GRIDSET:
          o.FGridLinesSet = on;
          break;
        case BIFFID_HCENTER:
          o.FHorizontalCentered = on;
          break;
        case BIFFID_VCENTER:
          o.FVerticalCentered = on;
          break;
        default:
          break;
      }
      return true;
    }
    case BIFFID_WSBOOL: {
      if (!biff5up) return false;
      host.UpdateDefault(id, data);
      const uint16_t f = b.U16(0);
      TXc12SheetPr& pr = ws.SheetPr();
      pr.FAutoPageBreaks = (f & 0x0001) != 0;
      pr.FFitToPage = (f & 0x0100) != 0;
      pr.FApplyStyles = (f & 0x0020) != 0;
      pr.FSummaryBelow = (f & 0x0040) != 0;
      pr.FSummaryRight = (f & 0x0080) != 0;
      return true;
    }
    case BIFFID_SHEETEXT:
      // The record stays stored; a body without the colour field changes nothing.
      if (b.Size() >= 20) {
        if (TSheet* s = host.LegacySheet()) s->FTabColor = b.U8(16);
        ws.SheetPr().FTabColor = SetIndexedColor(int32_t(b.U32(16) & 0x7F));
      }
      return false;
    case BIFFID_FEATHDR: {
      if (b.U16(12) != 2) return false;  // other shared features are stored
      const uint32_t f = b.U32(19);
      TXc12SheetProtection& p = ws.SheetProtection();
      bool* fields[] = {&p.FObjects,       &p.FScenarios,         &p.FFormatCells, &p.FFormatColumns,
                        &p.FFormatRows,    &p.FInsertColumns,     &p.FInsertRows,  &p.FInsertHyperlinks,
                        &p.FDeleteColumns, &p.FDeleteRows,        &p.FSelectLockedCells,
                        &p.FSort,          &p.FAutoFilter,        &p.FPivotTables, &p.FSelectUnlockedCells};
      // The record's bits allow the actions; the model's fields protect them.
      for (size_t i = 0; i < std::size(fields); ++i) *fields[i] = (f >> i & 1) == 0;
      return true;
    }
    case BIFFID_CONDFMT:
    case BIFFID_DVAL_:
    case BIFFID_DV_:
    case BIFFID_FILTERMODE:
    case BIFFID_AUTOFILTERINFO:
      RecRules(id, b, host);
      return true;
    default:
      return false;
  }
}

namespace {

// The record loop as the rule readers see it.
class THostRuleSource : public TRuleSource {
 public:
  explicit THostRuleSource(TBIFFRecordHost& host) : FHost(host) {}
  uint16_t PeekId() override { return FHost.PeekId(); }
  bool ReadRecord(uint16_t& id, std::vector<uint8_t>& body) override { return FHost.ReadRecord(id, body); }

 private:
  TBIFFRecordHost& FHost;
};

}  // namespace

// Conditional formats, validations and the autofilter go to the legacy sheet; none is stored.
// Validations are dropped with the drawing layer, the autofilter records before BIFF8.
void TBIFFRecords::RecRules(uint16_t id, const TBIFFBody& b, TBIFFRecordHost& host) {
  const bool biff8 = FVersion >= TExcelVersion::xvExcel97;
  TSheet* sheet = host.LegacySheet();
  if (!sheet) return;
  THostRuleSource source(host);
  TRuleWarnings warnings;
  TSheetRules& rules = SheetRules(*sheet);
  if (id == BIFFID_CONDFMT) {
    rules.FConditionalFormats.LoadFromStream(source, b, warnings);
  } else if (id == BIFFID_DVAL_ || id == BIFFID_DV_) {
    if (host.SkipDrawing()) return;
    rules.FDataValidations.LoadFromStream(source, id, b, biff8, warnings);
  } else if (biff8) {
    rules.FAutoFilters.LoadFromStream(source, id, b);
  }
  for (const std::u16string& w : warnings) host.Warning(w, XLSWARN_BIFF_RECORD_SKIPPED);
}

void TBIFFRecords::RecDIMENSIONS(const TBIFFBody& b, TBIFFRecordHost& host) {
  // BIFF5 holds four u16 values: rewritten into the BIFF8 layout for the slot.
  uint8_t body[14] = {};
  uint32_t r1, r2;
  uint16_t c1, c2;
  if (FVersion >= TExcelVersion::xvExcel97) {
    r1 = b.U32(0), r2 = b.U32(4), c1 = b.U16(8), c2 = b.U16(10);
  } else {
    r1 = b.U16(0), r2 = b.U16(2), c1 = b.U16(4), c2 = b.U16(6);
  }
  const auto put = [&body](size_t off, uint32_t v, size_t n) {
    for (size_t i = 0; i < n; ++i) body[off + i] = uint8_t(v >> (8 * i));
  };
  put(0, r1, 4), put(4, r2, 4), put(8, c1, 2), put(10, c2, 2);
  host.UpdateDefault(BIFFID_DIMENSIONS, std::span<const uint8_t>(body, 14));
  // The used area, bounded by the sheet; an empty sheet (all 0) has last row and column -1.
  const auto last = [](uint32_t after, int32_t max) { return int32_t(std::min<uint32_t>(after, uint32_t(max) + 1)) - 1; };
  FSheet->SetDimension(SetCellAreaBounds(std::min<int32_t>(c1, XLS_MAXCOL), int32_t(std::min<uint32_t>(r1, XLS_MAXROW)),
                                         last(c2, XLS_MAXCOL), last(r2, XLS_MAXROW)));
}

void TBIFFRecords::RecCOLINFO(const TBIFFBody& b) {
  b.Need(10);
  const int32_t first = b.U16(0), last = std::min<int32_t>(b.U16(2), kLastCol97);
  // A column past the sheet or a reversed range describes no column.
  if (first > last) throw XLSRWException("Column range outside the sheet");
  const uint16_t flags = b.U16(8);
  AddColumn(first, last, b.U16(4), StyleOf(b.U16(6)),
            uint8_t(((flags & 0x0001) ? xcoHidden : 0) | ((flags & 0x0002) ? xcoCustomWidth : 0) |
                    ((flags & 0x1000) ? xcoCollapsed : 0)),
            (flags >> 8) & 7);
}

void TBIFFRecords::RecCOLWIDTH(const TBIFFBody& b) {
  b.Need(4);
  const int32_t first = b.U8(0), last = b.U8(1);
  if (first > last) throw XLSRWException("Column range outside the sheet");
  AddColumn(first, last, b.U16(2), 0, 0, 0);
}

// A model column with the format `style`: widths are in 1/256 of a character (5120 is 20).
void TBIFFRecords::AddColumn(int32_t first, int32_t last, uint16_t width, int32_t style, uint8_t options,
                             int32_t outline) {
  if (!FSheet) return;
  TXc12XF* xf = FManager.StyleSheet().XFs().Items(size_t(style));
  FManager.StyleSheet().XFEditor().UseStyle(xf);
  TXc12Column* c = FSheet->Columns().Add(xf);
  c->FMin = first;
  c->FMax = last;
  c->FWidth = width / 256.0;
  c->FOutlineLevel = outline;
  c->FOptions = options;
}

void TBIFFRecords::RecWINDOW2(const TBIFFBody& b, std::span<const uint8_t> data, TBIFFRecordHost& host) {
  // Up to BIFF5 the fields from 10 on are not there (the view reads them 0); up to BIFF4 the
  // record only says what earlier files show and is not kept.
  if (FVersion <= TExcelVersion::xvExcel40) return;
  host.UpdateDefault(BIFFID_WINDOW2, data);
  const bool biff8 = FVersion >= TExcelVersion::xvExcel97;
  TXc12SheetView& v = FirstView(*FSheet);
  const uint16_t f = b.U16(0);
  v.FTopLeftCell = SetCellAreaOneCell(b.U16(4), b.U16(2));
  v.FColorId = int32_t(b.U32(6));
  v.FZoomScaleNormal = biff8 ? b.U16(12) : 0;
  v.FZoomScalePageLayoutView = biff8 ? b.U16(10) : 0;
  v.FShowFormulas = (f & 0x0001) != 0;
  v.FShowGridLines = (f & 0x0002) != 0;
  v.FShowRowColHeaders = (f & 0x0004) != 0;
  v.FShowZeros = (f & 0x0010) != 0;
  v.FDefaultGridColor = (f & 0x0020) != 0;
  v.FRightToLeft = (f & 0x0040) != 0;
  v.FShowOutlineSymbols = (f & 0x0080) != 0;
  v.FTabSelected = (f & 0x0200) != 0;
  if (f & 0x0008) v.FPane.FState = TXc12PaneState::x12psFrozen;
  if (f & 0x0800) FSheet->CustomSheetViews().Add()->FView = TXc12SheetViewType::x12svtPageBreakPreview;
}

// The legacy sheet's own pane: the split as stored, the other panes' first cell, the active
// pane; frozen by WINDOW2's bit 3, without splits to keep when bit 8 says so too, else split.
void TBIFFRecords::RecLegacyPane(const TBIFFBody& b, TSheet& sheet, bool frozen) {
  TPane& pane = sheet.FPane;
  const uint16_t window = sheet.Records().SlotWordAt(TRecordStorageSheet::PWINDOW2, 0);  // options
  pane.FPaneType = !frozen ? TPaneType::ptSplit : (window & 0x0100) ? TPaneType::ptFrozen : TPaneType::ptFrozenSplit;
  pane.FSplitColX = b.U16(0);
  pane.FSplitRowY = b.U16(2);
  pane.FTopRow = b.U16(4);
  pane.FLeftCol = b.U16(6);
  if (b.U8(8) <= 3) pane.SetActivePane(b.U8(8));
}

void TBIFFRecords::RecSELECTION(const TBIFFBody& b) {
  TXc12SheetView& v = FirstView(*FSheet);
  auto s = std::make_unique<TXc12Selection>();
  s->FPane = PaneOf(b.U8(0), s->FPane);
  s->FActiveCell = SetCellAreaOneCell(b.U16(3), b.U16(1));
  s->FActiveCellId = b.U16(5);
  const size_t n = b.Bound(b.U16(7), 9, 6);
  for (size_t i = 0; i < n; ++i) {
    const size_t p = 9 + 6 * i;
    TCellArea* a = i == 0 ? s->FSQRef.Items(0) : s->FSQRef.Add();
    a->SetCol1(b.U8(p + 4));
    a->SetRow1(b.U16(p));
    a->SetCol2(b.U8(p + 5));
    a->SetRow2(b.U16(p + 2));
  }
  v.FSelection.push_back(std::move(s));
}

void TBIFFRecords::RecMERGEDCELLS(const TBIFFBody& b, TBIFFRecordHost& host) {
  host.UpdateInternal(INTERNAL_SUFFIXDATA);
  if (FMergedSheet != FSheet) {
    FMergedSheet = FSheet;
    FMergedSeen.clear();
  }
  const size_t n = b.Bound(b.U16(0), 2, 8);
  TXc12MergedCells& merged = FSheet->MergedCells();
  for (size_t i = 0; i < n; ++i) {
    const size_t p = 2 + 8 * i;
    const int32_t r1 = b.U16(p), r2 = b.U16(p + 2), c1 = b.U16(p + 4), c2 = b.U16(p + 6);
    // An area outside the sheet or with reversed bounds merges nothing.
    if (r1 > r2 || c1 > c2 || c2 > kLastCol97) continue;
    if (!FMergedSeen.insert(MergedKey(r1, r2, c1, c2)).second) continue;
    merged.AddRef(SetCellAreaBounds(c1, r1, c2, r2));
  }
}

void TBIFFRecords::RecHLINK(const TBIFFBody& b, TBIFFRecordHost& host) {
  b.Need(32);
  const int32_t r1 = b.U16(0), r2 = b.U16(2), c1 = b.U16(4), c2 = b.U16(6);
  if (r1 > r2 || c1 > c2 || c2 > kLastCol97) throw XLSRWException("Hyperlink area outside the sheet");
  TXc12Hyperlink* h = FSheet->Hyperlinks().AddLink();
  h->SetCol1(c1);
  h->SetCol2(c2);
  h->SetRow1(r1);
  h->SetRow2(r2);
  uint32_t f = b.U32(28);
  using K = TXLSHyperlinkType;
  const bool plain = (f & 0x160) == 0;
  K kind = K::xhltUnknown;
  if (plain && (f & 0x003) == 0x003)
    kind = K::xhltURL;
  else if (plain && (f & 0x001))
    kind = K::xhltFile;
  else if ((f & 0x060) == 0 && (f & 0x103) == 0x103)
    kind = K::xhltUNC;
  else if (f & 0x008)
    kind = K::xhltWorkbook;
  h->FHyperlinkType = h->FHyperlinkEnc = kind;
  if (kind != K::xhltUnknown) ReadHyperlinkParts(b, f, kind, *h);
  // The tooltip record that belongs to the link.
  if (host.PeekId() == BIFFID_HLINKTOOLTIP) {
    uint16_t tid = 0;
    if (host.ReadRecord(tid, FScratch)) {
      const TBIFFBody t(FScratch);
      h->FTooltip = ReadUTF16Bytes(t, 10, int32_t(t.Size()) - 10);
    }
  }
}

// The parts of a hyperlink object from offset 32 on; reading ends where a part runs past the
// record, the link keeping what was read.
void TBIFFRecords::ReadHyperlinkParts(const TBIFFBody& b, uint32_t f, TXLSHyperlinkType kind, TXc12Hyperlink& h) {
  using K = TXLSHyperlinkType;
  size_t p = 32;
  // A moniker right at the start: no display name or frame name before it.
  if (IsClassId(b, p, kURLMoniker) || IsClassId(b, p, kFileMoniker)) f &= ~uint32_t(0x94);
  if ((f & 0x14) == 0x14 && !TakeHyperlinkText(b, p, h.FDisplay)) return;
  if ((f & 0x80) && !TakeHyperlinkText(b, p, h.FTargetFrame)) return;
  int enc = kind == K::xhltUNC ? 3 : 0;
  if (kind == K::xhltURL || kind == K::xhltFile) {
    if (IsClassId(b, p, kURLMoniker))
      enc = 1;
    else if (IsClassId(b, p, kFileMoniker))
      enc = 2;
  }
  std::u16string address;
  if (enc == 1) {
    const uint64_t n = b.U32(p + 16);
    if (b.Available(p) < 20 || n > b.Available(p + 20)) return;
    address = ReadUTF16Bytes(b, p + 20, int32_t(n));
    p += 20 + size_t(n);
  } else if (enc == 2) {
    const uint16_t up = b.U16(p + 16);
    const uint64_t len = b.U32(p + 18);
    if (b.Available(p) < 22 || len + 24 + 4 > b.Available(p + 22)) return;
    const size_t s = p + 22 + size_t(len) + 24;
    const uint64_t extra = b.U32(s);
    if (extra > b.Available(s + 4)) return;
    if (extra != 0) {
      const uint64_t bytes = b.U32(s + 4);
      if (bytes > extra || bytes + 6 > extra) return;
      address = UTF16Units(b.Bytes(s + 10, size_t(bytes)));
    } else {
      auto ansi = b.Bytes(p + 22, size_t(len));
      if (!ansi.empty() && ansi.back() == 0) ansi = ansi.first(ansi.size() - 1);
      address = FCodec.Decode8(ansi);
    }
    std::u16string prefix;
    for (uint16_t i = 0; i < up; ++i) prefix += u"..\\";
    address = prefix + address;
    p = s + 4 + size_t(extra);
  } else if (enc == 3) {
    if (!TakeHyperlinkText(b, p, address)) return;
  }
  // The hyperlink object classifies and encodes the address; the tooltip stays the file's.
  if (enc != 0) h.SetRawAddress(address);
  h.FTooltip.clear();
  if (!(f & 0x08)) return;
  // The location: from the display text behind its "#", else the part that follows.
  std::u16string location;
  if (const size_t hash = h.FDisplay.find(u'#'); hash != std::u16string::npos && hash >= 1)
    location = h.FDisplay.substr(hash + 1);
  else if (!TakeHyperlinkText(b, p, location))
    return;
  h.FScreenTip = location;
  h.FLocation = location;
  if (kind == K::xhltWorkbook) {
    h.SetRawAddress(location);
    h.FTooltip.clear();
  }
}

void TBIFFRecords::RecPageBreaks(const TBIFFBody& b, bool rows) {
  std::vector<TXc12Break>& list = rows ? FSheet->RowBreaks() : FSheet->ColBreaks();
  // A break's id is the first row (column) of the new page; its bounds are the columns (rows) it
  // spans, zero-based, as the package format keeps them.
  if (FVersion >= TExcelVersion::xvExcel97) {
    const size_t n = b.Bound(b.U16(0), 2, 6);
    for (size_t i = 0; i < n; ++i) {
      const size_t p = 2 + 6 * i;
      list.push_back(TXc12Break{b.U16(p), b.U16(p + 2), b.U16(p + 4), true, false});
    }
  } else {
    const size_t n = b.Bound(b.U16(0), 2, 2);
    for (size_t i = 0; i < n; ++i)
      list.push_back(TXc12Break{b.U16(2 + 2 * i), 0, rows ? kLastCol97 : 0xFFFF, true, false});
  }
}

void TBIFFRecords::RecSETUP(const TBIFFBody& b) {
  TXc12PageSetup& s = FSheet->PageSetup();
  TXc12PageMargins& m = FSheet->PageMargins();
  const uint16_t paper = b.U16(0);
  s.FPaperSize = paper <= uint16_t(TXc12PaperSize::psA3ExtraTransverse) ? TXc12PaperSize(paper) : TXc12PaperSize::psNone;
  s.FScale = b.U16(2);
  s.FFirstPageNumber = b.I16(4);
  s.FFitToWidth = b.U16(6);
  s.FFitToHeight = b.U16(8);
  s.FHorizontalDpi = b.U16(12);
  s.FVerticalDpi = b.U16(14);
  s.FCopies = b.U16(32);
  if (b.Size() >= 32) {
    m.FHeader = b.F64(16);
    m.FFooter = b.F64(24);
  }
  const uint16_t f = b.U16(10);
  s.FPageOrder = (f & 0x0001) ? TXc12PageOrder::x12poOverThenDown : TXc12PageOrder::x12poDownThenOver;
  s.FOrientation = (f & 0x0002) ? TXc12Orientation::x12oPortrait : TXc12Orientation::x12oLandscape;
  s.FBlackAndWhite = (f & 0x0008) != 0;
  s.FDraft = (f & 0x0010) != 0;
  s.FCellComments = !(f & 0x0020)  ? TXc12CellComments::x12ccNone
                    : (f & 0x0200) ? TXc12CellComments::x12ccAtEnd
                                   : TXc12CellComments::x12ccAsDisplayed;
  s.FErrors = TXc12PrintError((f >> 10) & 3);
  if (f & 0x0004) {  // no valid printer settings
    s.FPaperSize = TXc12PaperSize::psA4;
    s.FScale = 100;
    s.FHorizontalDpi = s.FVerticalDpi = 600;
    s.FCopies = 1;
    s.FOrientation = TXc12Orientation::x12oPortrait;
  }
}

}  // namespace xls::biff
