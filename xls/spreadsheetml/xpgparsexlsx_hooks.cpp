// Hand-written hooks of the SpreadsheetML element classes that do not follow the generated
// pattern: the colour's assigned flag, the font property elements, extension content, rich text,
// and the streaming containers.
//
// Streaming containers (sheetData, row, cols, mergeCells, hyperlinks, sst, commentList,
// definedNames) own one reused child object. At the child's start tag the container clears the
// object and hands it to the reader, which fills it from the element's attributes and content;
// at the child's end the container fires its event with the object and empties the object's
// flags, so that the end of some other child fires nothing. A worksheet of any size is therefore
// read with a constant number of element objects; handlers copy what they keep.
#include <algorithm>
#include <cstdint>

#include "platform/textcodec.h"
#include "xls/spreadsheetml/xpgparsexlsx.h"

namespace xls::xpgxlsx {

namespace {

// Every occurrence of a font property element (in a font of the styles part or in the run
// properties of rich text) starts from its defaults; an empty b, i, strike, outline, shadow,
// condense or extend element means True and an empty u element single underline. The element's
// own val attribute, when present, is applied after this.
void PrepareFontProperty(TXPGBase* x) {
  if (auto* p = dynamic_cast<TCT_BooleanProperty*>(x)) {
    p->Clear();
    p->SetVal(1);
  } else if (auto* u = dynamic_cast<TCT_UnderlineProperty*>(x)) {
    u->Clear();
    u->SetVal(stuvSingle);
  } else if (auto* n = dynamic_cast<TCT_FontName*>(x)) {
    n->Clear();
  } else if (auto* ip = dynamic_cast<TCT_IntProperty*>(x)) {
    ip->Clear();
  } else if (auto* c = dynamic_cast<TCT_Color*>(x)) {
    c->Clear();
  } else if (auto* s = dynamic_cast<TCT_FontSize*>(x)) {
    s->Clear();
  } else if (auto* v = dynamic_cast<TCT_VerticalAlignFontProperty*>(x)) {
    v->Clear();
  } else if (auto* sc = dynamic_cast<TCT_FontScheme*>(x)) {
    sc->Clear();
  }
}

bool IsObject(TXPGBase* x) { return x != nullptr && x != TXPGReader::SkipSilently(); }

// Characters 0 to 32 removed at both ends.
void TrimControlAndBlank(std::u16string& s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] <= 32) ++b;
  while (e > b && s[e - 1] <= 32) --e;
  if (b > 0 || e < s.size()) s = s.substr(b, e - b);
}

}  // namespace

// ---- colours and fonts ------------------------------------------------------------------------

// Reading an rgb attribute flags the colour as given whatever the value converts to.
void TCT_Color::AssignAttributes(const TXpgXMLAttributeList& a) {
  AssignAttributesGenerated(a);
  for (int i = 0; i < a.Count(); ++i)
    if (a.Is(i, TXpgNs::None, "rgb")) FRgbAssigned = true;
}

void TCT_Color::Clear() {
  ClearGenerated();
  FRgbAssigned = false;
}

TXPGBase* TCT_Font::HandleElement(TXPGReader& r) {
  TXPGBase* x = HandleElementGenerated(r);
  if (IsObject(x)) PrepareFontProperty(x);
  return x;
}

TXPGBase* TCT_RPrElt::HandleElement(TXPGReader& r) {
  TXPGBase* x = HandleElementGenerated(r);
  if (IsObject(x)) PrepareFontProperty(x);
  return x;
}

// An ext element holds content of other schemas: all of it is consumed without a report.
TXPGBase* TCT_Extension::HandleElement(TXPGReader& r) {
  (void)r;
  return TXPGReader::SkipSilently();
}

// ---- rich text ----------------------------------------------------------------------------------

// The t child of an item is trimmed of blanks and control characters at both ends unless it
// carries xml:space (with any value). Run and phonetic texts are never trimmed.
TXPGBase* TCT_Rst::HandleElement(TXPGReader& r) {
  TXPGBase* x = HandleElementGenerated(r);
  if (x == TXPGReader::SkipSilently() && r.Is(TXpgNs::SpreadsheetML, "t")) {
    const TXpgXMLAttributeList& a = r.Attributes();
    bool keep = false;
    for (int i = 0; i < a.Count() && !keep; ++i) keep = a.Is(i, TXpgNs::Xml, "space");
    if (!keep) TrimControlAndBlank(FT);
  }
  return x;
}

void TCT_Rst::Clear() {
  ClearGenerated();
  FPhoneticPr->Clear();
}

// ---- shared strings -----------------------------------------------------------------------------

TXPGBase* TCT_Sst::HandleElement(TXPGReader& r) {
  TXPGBase* x = HandleElementGenerated(r);
  if (x == FSi.get()) FSi->Clear();
  return x;
}

void TCT_Sst::HandleChildEnd() {
  if (FSi->Assigneds() != 0 && OnReadSi) OnReadSi(*FSi);
  FSi->SetAssigneds(0);
}

// ---- comments -----------------------------------------------------------------------------------

TXPGBase* TCT_Authors::HandleElement(TXPGReader& r) {
  if (!r.Is(TXpgNs::SpreadsheetML, "author")) return nullptr;
  FAuthorXpgList.Add(r.Text());
  return TXPGReader::SkipSilently();
}

TXPGBase* TCT_CommentList::HandleElement(TXPGReader& r) {
  TXPGBase* x = HandleElementGenerated(r);
  if (x == FComment.get()) FComment->Clear();
  return x;
}

void TCT_CommentList::HandleChildEnd() {
  if (FComment->Assigneds() != 0 && OnReadComment) {
    OnReadComment(*FComment);
    FComment->Clear();
  }
  FComment->SetAssigneds(0);
}

void TCT_Comment::Clear() {
  ClearGenerated();
  FText->Clear();
}

// ---- workbook -----------------------------------------------------------------------------------

TXPGBase* TCT_Workbook::HandleElement(TXPGReader& r) {
  TXPGBase* x = HandleElementGenerated(r);
  if (x == FDefinedNames.get()) FDefinedNames->Clear();
  return x;
}

void TCT_Workbook::HandleChildEnd() {
  if (FDefinedNames->Assigneds() != 0 && OnReadDefinedNames) OnReadDefinedNames(*FDefinedNames);
  FDefinedNames->SetAssigneds(0);
}

// The name element is cleared at its start and takes the element's text as its formula.
TXPGBase* TCT_DefinedNames::HandleElement(TXPGReader& r) {
  if (!r.Is(TXpgNs::SpreadsheetML, "definedName")) return nullptr;
  FDefinedName->Clear();
  if (r.HasText()) FDefinedName->SetContent(r.Text());
  return FDefinedName.get();
}

void TCT_DefinedNames::HandleChildEnd() {
  if (FDefinedName->Assigneds() != 0 && OnReadDefinedName) OnReadDefinedName(*FDefinedName);
  FDefinedName->SetAssigneds(0);
}

void TCT_DefinedNames::Clear() {
  ClearGenerated();
  FDefinedName->Clear();
}

// ---- sheet data -----------------------------------------------------------------------------------

// The first child of sheetData goes through the per-tag dispatch; from then on the element reads
// its content itself (ContentBegin, ContentEnd below).
TXPGBase* TCT_SheetData::HandleElement(TXPGReader& r) {
  if (r.TakeContent()) FLevel = 0;
  TXPGBase* x = HandleElementGenerated(r);
  if (x == FRow.get()) FRow->Clear();
  return x;
}

void TCT_SheetData::HandleChildEnd() {
  if (FRow->Assigneds() != 0 && OnReadRow) OnReadRow(*FRow);
  FRow->SetAssigneds(0);
}

namespace {

// An integer of up to 9 decimal digits, read without a call; anything else takes the general
// integer conversion.
int32_t DigitsOrInt(std::string_view v) {
  if (v.empty() || v.size() > 9) return XpgToInt(v);
  int32_t n = 0;
  for (char ch : v) {
    if (ch < '0' || ch > '9') return XpgToInt(v);
    n = n * 10 + (ch - '0');
  }
  return n;
}

// 1 to 9 decimal digits as they stand, without a branch per digit; false for anything else.
bool PlainDigits(std::string_view v, int32_t& out) {
  if (v.empty() || v.size() > 9) return false;
  uint32_t n = 0;
  bool ok = true;
  for (char ch : v) {
    const uint32_t d = static_cast<unsigned char>(ch) - uint32_t('0');
    ok &= d <= 9;
    n = n * 10 + d;
  }
  out = static_cast<int32_t>(n);
  return ok;
}

// The cell type letters that stand alone (b, n, d, e, s) without the table walk.
TST_CellType CellType(std::string_view v) {
  if (v.size() == 1) {
    switch (v[0] | 0x20) {
      case 'b':
        return stctB;
      case 'n':
        return stctN;
      case 'd':
        return stctD;
      case 'e':
        return stctE;
      case 's':
        return stctS;
      default:
        return TST_CellType(255);
    }
  }
  const int e = XpgEnumIndex(v, kTST_CellTypeNames);
  return e >= 0 ? TST_CellType(e) : TST_CellType(255);
}

// Splits ASCII text at blanks into `list` as its delimited text would be (empty pieces kept,
// nothing after a final blank); false, with the list untouched, for text that is not ASCII.
bool SplitAsciiSpans(std::string_view v, TStringXpgList& list, std::u16string& scratch) {
  for (char ch : v)
    if (static_cast<unsigned char>(ch) >= 0x80) return false;
  list.Clear();
  for (size_t p = 0; p < v.size();) {
    const size_t q = std::min(v.find(' ', p), v.size());
    scratch.assign(v.begin() + p, v.begin() + q);
    list.Add(scratch);
    p = q + 1;
  }
  return true;
}

}  // namespace

// Only a c element of the main namespace is a cell; any other child is reported and skipped. The
// cell object is cleared at its start unless it is still clean from the clearing after the last
// cell's event.
TXPGBase* TCT_Row::HandleElement(TXPGReader& r) {
  const std::string_view name = r.RawLocalName();
  if (name.size() == 1 && name[0] == 'c' && r.InNs(TXpgNs::SpreadsheetML)) {
    if (!FCellClean) FC->Clear();
    FCellClean = false;
    return FC.get();
  }
  return HandleElementGenerated(r);
}

// A row start tag holding only r and spans (the usual case) is read without the general path:
// r by its digits, spans split at blanks as the span list does (empty pieces kept, nothing after
// a final blank). Anything else, or a span text that is not ASCII, takes the generated path.
void TCT_Row::AssignAttributes(const TXpgXMLAttributeList& a) {
  const int count = a.Count();
  for (int i = 0; i < count; ++i) {
    const std::string_view n = a.Entry(i).Attribute;
    if (n != "r" && n != "spans") return AssignAttributesGenerated(a);
  }
  for (int i = 0; i < count; ++i) {
    const TXpgXmlAttribute& e = a.Entry(i);
    if (e.Attribute.size() == 1) {
      int32_t v;
      FR = PlainDigits(e.Value, v) ? v : DigitsOrInt(a.ValueBytes(i));
      continue;
    }
    if (!SplitAsciiSpans(a.ValueBytes(i), FSpansXpgList, FScratch))
      FSpansXpgList.SetDelimitedText(a.GetValues(i));
  }
}

void TCT_Row::HandleChildEnd() {
  if (FC->Assigneds() != 0 && OnReadC) {
    OnReadC(*FC);
    FC->Clear();
    FCellClean = true;
  }
  FC->SetAssigneds(0);
}

void TCT_Row::Clear() {
  ClearGenerated();
  FC->Clear();
  FCellClean = true;
  FExtLst->Clear();
}

// UTF-8 bytes into a string whose storage is reused: ASCII is widened in place, anything else
// goes through the converter.
static void AssignUtf8(std::u16string& dst, std::string_view bytes) {
  for (unsigned char ch : bytes)
    if (ch >= 0x80) {
      dst = kws::Utf8ToUtf16(bytes);
      return;
    }
  dst.resize(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) dst[i] = static_cast<unsigned char>(bytes[i]);
}

const std::u16string& TCT_Cell::R() const {
  if (!FRWide) {
    AssignUtf8(FR, FRBytes.View());
    FRWide = true;
  }
  return FR;
}

const std::u16string& TCT_Cell::V() const {
  if (!FVWide) {
    AssignUtf8(FV, FVBytes.View());
    FVWide = true;
  }
  return FV;
}

void TCT_Cell::SetR(std::u16string_view v) {
  FRBytes.Assign(kws::Utf16ToUtf8(v));
  FRWide = false;
}

void TCT_Cell::SetV(std::u16string_view v) {
  FVBytes.Assign(kws::Utf16ToUtf8(v));
  FVWide = false;
}

void TCT_Cell::ReadValue(TXPGReader& r) {
  r.CopyText(FVBytes);
  FVWide = false;
}

// The formula text widened in one pass that also notes non-ASCII bytes and anything but blanks
// (a text of blanks only counts as no formula text), eight bytes at a time: a byte above 32 is
// one whose high bit is set, or set after adding 0x5F (an ASCII byte; a carry out of a non-ASCII
// byte is harmless, as that byte alone decides both answers).
void TCT_Cell::ReadFormulaText(TXPGReader& r) {
  std::u16string& dst = FF->ContentBuffer();
  const std::string_view text = r.HasText() ? r.TextBytes() : std::string_view();
  const size_t n = text.size();
  const char* p = text.data();
  dst.resize(n);
  char16_t* d = dst.data();
  uint64_t high = 0, above = 0;
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const uint64_t w = XpgLoad8(p + i);
    high |= w;
    above |= w + 0x5F5F5F5F5F5F5F5Full;
    for (size_t k = 0; k < 8; ++k) d[i + k] = static_cast<unsigned char>(p[i + k]);
  }
  for (; i < n; ++i) {
    const unsigned char ch = static_cast<unsigned char>(p[i]);
    d[i] = ch;
    high |= ch;
    above |= ch + 0x5Fu;
  }
  const uint64_t kHigh = 0x8080808080808080ull;
  if (((high | above) & kHigh) == 0)
    dst.clear();
  else if (high & kHigh)
    dst = kws::Utf8ToUtf16(text);
}

// Children of a cell, matched in the main namespace: v (value text), f (formula, its text taken
// at the start tag; a text of blanks only counts as no formula text) and is (inline string).
TXPGBase* TCT_Cell::HandleElement(TXPGReader& r) {
  if (!r.InNs(TXpgNs::SpreadsheetML)) return nullptr;
  const std::string_view name = r.RawLocalName();
  if (name.size() == 1 && name[0] == 'v') {
    ReadValue(r);
    return TXPGReader::SkipSilently();
  }
  if (name.size() == 1 && name[0] == 'f') {
    ReadFormulaText(r);
    return FF.get();
  }
  return HandleElementGenerated(r);  // is, or an unknown child
}

// Attributes of a cell: r, s, t unprefixed by hand (an unprefixed attribute is in no namespace);
// cm, vm, ph and anything else through the generated path, which also reports unknown names.
// The style index and the type letter are read from the value as written when it is plain
// (digits, one letter), which needs no decoding.
void TCT_Cell::AssignAttributes(const TXpgXMLAttributeList& a) {
  const int n = a.Count();
  for (int i = 0; i < n; ++i) {
    const TXpgXmlAttribute& e = a.Entry(i);
    if (e.Attribute.size() == 1) {
      switch (e.Attribute[0]) {
        case 'r':
          a.CopyValue(i, FRBytes);
          FRWide = false;
          continue;
        case 's': {
          int32_t v;
          FS = PlainDigits(e.Value, v) ? v : DigitsOrInt(a.ValueBytes(i));
          continue;
        }
        case 't':
          FT = CellType(e.Value.size() == 1 ? e.Value : a.ValueBytes(i));
          continue;
        default:
          break;
      }
    }
    if (a.IsNsDecl(i)) continue;
    TXpgXMLAttributeList one;
    one.Add(a.GetAttributes(i), a.GetValues(i));
    one.SetNs(0, a.Ns(i));
    AssignAttributesGenerated(one);
  }
}

// The formula and the inline string are touched only through the reader, which flags them read,
// so children with empty flags still hold their defaults and need no clearing.
void TCT_Cell::Clear() {
  ClearGenerated();
  FRBytes.Clear();
  FVBytes.Clear();
  FRWide = FVWide = false;  // the empty bytes are widened on request
  if (FF->Assigneds() != 0) FF->Clear();
  if (FIs->Assigneds() != 0) FIs->Clear();
}

// ---- sheet data read without the per-tag dispatch -------------------------------------------

// The rows and cells of sheet data follow a fixed grammar (row, c, and in a cell v and f) that is
// read here with direct calls; the per-tag dispatch would reach the same hooks through
// HandleElement, AssignAttributes and HandleChildEnd, and this code does what they do in the same
// order. Every other tag (extLst, is, mc:AlternateContent, unknown elements, children of f) is
// handed back to the dispatch as a child of the element of its level, which therefore reports and
// reads it as before.
void TCT_SheetData::ContentBegin(TXPGReader& r) {
  switch (FLevel) {
    case 0:
      if (r.RawLocalName() == "row" && r.InNs(TXpgNs::SpreadsheetML)) {
        FRow->Clear();
        FRow->SetAssigneds(xaRead);
        if (r.AssignsAttributes()) FRow->TCT_Row::AssignAttributes(r.Attributes());
        FLevel = 1;
        return;
      }
      return r.BeginGeneric(this);
    case 1: {
      const std::string_view name = r.RawLocalName();
      if (name.size() == 1 && name[0] == 'c' && r.InNs(TXpgNs::SpreadsheetML)) {
        TCT_Cell* c = FRow->FC.get();
        if (!FRow->FCellClean) c->Clear();
        FRow->FCellClean = false;
        c->SetAssigneds(xaRead);
        if (r.AssignsAttributes()) c->TCT_Cell::AssignAttributes(r.Attributes());
        FLevel = 2;
        return;
      }
      return r.BeginGeneric(FRow.get());
    }
    case 2: {
      TCT_Cell* c = FRow->FC.get();
      const std::string_view name = r.RawLocalName();
      if (name.size() == 1 && r.InNs(TXpgNs::SpreadsheetML)) {
        if (name[0] == 'v') {
          c->ReadValue(r);
          return r.SkipContent();
        }
        if (name[0] == 'f') {
          c->ReadFormulaText(r);
          TCT_CellFormula* f = c->FF.get();
          f->SetAssigneds(xaRead);
          if (r.AssignsAttributes()) f->TCT_CellFormula::AssignAttributes(r.Attributes());
          FLevel = 3;
          return;
        }
      }
      return r.BeginGeneric(c);
    }
    default:
      return r.BeginGeneric(FRow->FC->FF.get());
  }
}

bool TCT_SheetData::ContentEnd(TXPGReader& r) {
  (void)r;
  switch (FLevel) {
    case 0:
      return false;
    case 1:
      FLevel = 0;
      TCT_SheetData::HandleChildEnd();
      return true;
    case 2:
      FLevel = 1;
      FRow->TCT_Row::HandleChildEnd();
      return true;
    default:
      FLevel = 2;
      FRow->FC->TCT_Cell::HandleChildEnd();
      return true;
  }
}

// ---- columns, merged cells, hyperlinks ------------------------------------------------------

TXPGBase* TCT_Cols::HandleElement(TXPGReader& r) {
  TXPGBase* x = HandleElementGenerated(r);
  if (x == FCol.get()) FCol->Clear();
  return x;
}

void TCT_Cols::HandleChildEnd() {
  if (FCol->Assigneds() != 0) {
    auto* doc = dynamic_cast<TXPGDocXLSX*>(FOwner);
    if (doc && doc->OnReadWorksheetColsCol) doc->OnReadWorksheetColsCol(*FCol);
  }
  FCol->SetAssigneds(0);
}

TXPGBase* TCT_MergeCells::HandleElement(TXPGReader& r) {
  TXPGBase* x = HandleElementGenerated(r);
  if (x == FMergeCell.get()) FMergeCell->Clear();
  return x;
}

void TCT_MergeCells::HandleChildEnd() {
  if (FMergeCell->Assigneds() != 0 && OnReadMergeCell) OnReadMergeCell(*FMergeCell);
  FMergeCell->SetAssigneds(0);
}

TXPGBase* TCT_Hyperlinks::HandleElement(TXPGReader& r) {
  TXPGBase* x = HandleElementGenerated(r);
  if (x == FHyperlink.get()) FHyperlink->Clear();
  return x;
}

void TCT_Hyperlinks::HandleChildEnd() {
  if (FHyperlink->Assigneds() != 0 && OnReadHyperlink) OnReadHyperlink(*FHyperlink);
  FHyperlink->SetAssigneds(0);
}

}  // namespace xls::xpgxlsx

namespace xls::xpgxlsx {

// ---- conditional formats --------------------------------------------------------------------------

// Each formula element adds its text (untrimmed, empty when it has none) to the rule's list; the
// element has no object of its own and its content is taken whole.
TXPGBase* TCT_CfRule::HandleElement(TXPGReader& r) {
  if (r.Is(TXpgNs::SpreadsheetML, "formula")) {
    FFormulaXpgList.Add(r.Text());
    return TXPGReader::SkipSilently();
  }
  return HandleElementGenerated(r);
}

}  // namespace xls::xpgxlsx
