#include "xls/biff/shapeobjects.h"

#include <algorithm>
#include <cstdio>

#include "xls/biff/biffinternalnames.h"
#include "xls/biff/chartobjects.h"  // TShapeOutsideMsoChart
#include "xls/biff/biffrecordview.h"
#include "xls/model/xlserrors.h"

namespace xls::biff {

namespace {

std::string HexText(const char* format, unsigned v) {
  char buf[48];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

void PutWord(std::vector<uint8_t>& bytes, size_t off, uint16_t v) {
  if (off + 2 > bytes.size()) return;
  bytes[off] = uint8_t(v);
  bytes[off + 1] = uint8_t(v >> 8);
}

uint16_t Word(std::span<const uint8_t> bytes, size_t off) { return TRecordView(bytes).U16(off); }

std::vector<uint8_t> CopyOf(const TRecordData& rec) { return rec.Data; }

// Column words of references carry the relative flags in bits 14 and 15.
constexpr uint16_t COLUMN_MASK = 0x3FFF;

// Walks stored sub-records: ftEnd is passed over, ftCmo gives the object's id and flags, every
// other type goes to `take`, which returns false for a type the class does not take; that raises
// `message` formatted with the type.
template <class TTake>
void WalkSubRecords(TShapeOutsideMso& object, const TBaseRecordStorage& storage, const char* message, TTake take) {
  for (size_t i = 0; i < storage.Count(); ++i) {
    const TRecordData* rec = storage.Items(i);
    if (!rec || rec->RecId == ftEnd) continue;
    if (rec->RecId == ftCmo) {
      object.FObjId = rec->View().U16(2);
      object.FOptions = rec->View().U16(4);
      continue;
    }
    switch (take(*rec)) {
      case 0:
        throw XLSRWException(HexText(message, rec->RecId));
      case 2:
        return;  // the class ends the walk here
      default:
        break;
    }
  }
}

// ftSbsFmla: the whole data, and the cell reference with its fill byte when the tokens are one.
void TakeSbsFormula(const TRecordData& rec, std::vector<uint8_t>& formula, std::vector<uint8_t>& orig) {
  orig = rec.Data;
  if (rec.View().U16(0) == 5) {
    const auto cell = rec.View().Bytes(6, 6);
    formula.assign(cell.begin(), cell.end());
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// OBJ records

int32_t ReadObjRecord(std::span<const uint8_t> body, TBaseRecordStorage& subRecords, int32_t& maxObjId) {
  const TRecordView view(body);
  int32_t objType = -1;
  size_t pos = 0;
  while (view.Available(pos) >= 4) {
    const uint16_t ft = view.U16(pos);
    uint16_t cb = view.U16(pos + 2);
    pos += 4;
    const size_t left = std::min<size_t>(view.Available(pos), 0xFFFF);
    if (ft == ftLbsData) {
      subRecords.AddRec(uint32_t(ft) | uint32_t(left) << 16, view.Bytes(pos, left));
      if (objType == otListBox || objType == otDropDown) subRecords.AddRec(ftEnd, {});
      break;
    }
    if (ft != ftEnd && (ft < ftMacro || ft > ftCmo))
      throw XLSRWException(HexText("Unknown OBJ record %.2X", ft));
    if (ft == ftEnd) {
      subRecords.AddRec(ftEnd, {});
      break;
    }
    cb = uint16_t(std::min<size_t>(cb, left));
    subRecords.AddRec(uint32_t(ft) | uint32_t(cb) << 16, view.Bytes(pos, cb));
    if (ft == ftCmo) {
      if (objType < 0) objType = view.U16(pos);
      maxObjId = std::max<int32_t>(maxObjId, view.U16(pos + 2));
    }
    pos += cb;
  }
  return objType;
}

int32_t ObjectTypeOf(const TBaseRecordStorage& subRecords) {
  const TRecordData* first = subRecords.Count() ? subRecords.Items(0) : nullptr;
  return first ? first->View().U16(0) : -1;
}

int32_t ObjectIdOf(const TBaseRecordStorage& subRecords) {
  const TRecordData* first = subRecords.Count() ? subRecords.Items(0) : nullptr;
  return first ? first->View().U16(2) : -1;
}

std::span<const uint8_t> ObjFormulaTokens(std::span<const uint8_t> data) {
  return TRecordView(data).Bytes(6, Word(data, 0));
}

// ---------------------------------------------------------------------------------------------
// The objects

void TShapeOutsideMso::Assign(const TShapeOutsideMso& source) {
  FOwnsObjData = source.FOwnsObjData;
  FObjId = source.FObjId;
  FOptions = source.FOptions;
  FShapeType = source.FShapeType;
}

bool TShapeOutsideMso::ParseOBJ(const TBaseRecordStorage&) { return false; }

TShapeOutsideMsoBaseText::TShapeOutsideMsoBaseText(TMSOShapeType type) : TShapeOutsideMso(type), FpTXO(18, 0) {}

void TShapeOutsideMsoBaseText::Assign(const TShapeOutsideMso& source) {
  TShapeOutsideMso::Assign(source);
  if (auto* s = dynamic_cast<const TShapeOutsideMsoBaseText*>(&source)) {
    FpTXO = s->FpTXO;
    FText = s->FText;
    FTXORuns = s->FTXORuns;
  }
}

uint16_t TShapeOutsideMsoBaseText::TextLen() const { return Word(FpTXO, 10); }
uint16_t TShapeOutsideMsoBaseText::FormatLen() const { return Word(FpTXO, 12); }

void TShapeOutsideMsoBaseText::ReadText(std::span<const uint8_t> txo, const TTXOPieceSource& next) {
  FpTXO.assign(txo.begin(), txo.end());
  if (FpTXO.size() < 18) FpTXO.resize(18, 0);
  FText.clear();
  FTXORuns.clear();
  const size_t textLen = TextLen();
  if (textLen == 0) return;
  FText.reserve(textLen);
  while (FText.size() < textLen) {
    const auto piece = next();
    if (!piece) return;  // the text ends where the data ends; no runs follow then
    if (piece->empty()) continue;
    const uint8_t flag = (*piece)[0];
    if (flag > 1) throw XLSRWException("Unicode error in TXO");
    const auto chars = piece->subspan(1);
    const size_t want = textLen - FText.size();
    const size_t at = FText.size();
    if (flag == 0) {
      const size_t n = std::min(want, chars.size());
      FText.resize(at + n);
      for (size_t i = 0; i < n; ++i) FText[at + i] = char16_t(chars[i]);
    } else {
      const size_t n = std::min(want, chars.size() / 2);
      FText.resize(at + n);
      for (size_t i = 0; i < n; ++i) FText[at + i] = char16_t(chars[2 * i] | chars[2 * i + 1] << 8);
    }
  }
  const size_t formatLen = FormatLen();
  // The runs where they lie when one piece holds them all (the usual case), else joined.
  std::vector<uint8_t> joined;
  std::span<const uint8_t> runs;
  while (runs.size() < formatLen) {
    const auto piece = next();
    if (!piece) break;
    const auto part = piece->first(std::min(piece->size(), formatLen - runs.size()));
    if (joined.empty() && part.size() == formatLen) {
      runs = part;
      break;
    }
    joined.insert(joined.end(), part.begin(), part.end());
    runs = joined;
  }
  const TRecordView view(runs.data(), runs.size());
  FTXORuns.resize(runs.size() / 8);
  for (size_t i = 0; i < FTXORuns.size(); ++i)
    FTXORuns[i] = {view.U16(8 * i), view.U16(8 * i + 2), view.U32(8 * i + 4)};
}

size_t TShapeOutsideMsoBaseText::ReadText(std::span<const uint8_t> txo, std::span<const std::span<const uint8_t>> pieces) {
  size_t taken = 0;
  ReadText(txo, [&]() -> std::optional<std::span<const uint8_t>> {
    if (taken >= pieces.size()) return std::nullopt;
    return pieces[taken++];
  });
  return taken;
}

void TShapeOutsideMsoBaseText::SetFormatting(std::span<const TRecTXORUN> runs) {
  FTXORuns.assign(runs.size(), TRecTXORUN{});
  for (size_t i = 0; i < runs.size(); ++i) {
    FTXORuns[i].CharIndex = runs[i].CharIndex;
    FTXORuns[i].FontIndex = runs[i].FontIndex;
  }
}

void TShapeOutsideMsoBaseText::SetDefaultTxo() {
  FText.clear();
  FpTXO.assign(18, 0);
  PutWord(FpTXO, 0, 0x0212);
  FTXORuns.assign(2, TRecTXORUN{});
}

void TShapeOutsideMsoNote::Assign(const TShapeOutsideMso& source) {
  TShapeOutsideMsoBaseText::Assign(source);
  if (auto* s = dynamic_cast<const TShapeOutsideMsoNote*>(&source)) {
    FCellCol = s->FCellCol;
    FCellRow = s->FCellRow;
    FNoteOptions = s->FNoteOptions;
    FAuthor = s->FAuthor;
  }
}

// --- macro links -----------------------------------------------------------------------------

namespace {

// The 1-based name index of a macro link (PtgNameX at data offset 6); 0 when there is none.
uint16_t MacroNameIndex(std::span<const uint8_t> formula) {
  const TRecordView v(formula);
  return v.Size() >= 11 && v.U8(6) == 0x39 ? v.U16(9) : 0;
}

std::vector<uint8_t> MacroLink(int32_t nameIndex) {
  std::vector<uint8_t> f(14, 0);
  PutWord(f, 0, 7);
  f[6] = 0x39;
  PutWord(f, 9, uint16_t(nameIndex + 1));
  return f;
}

void ShiftMacroName(std::vector<uint8_t>& formula, int32_t delta) {
  if (formula.size() > 9 + 1) PutWord(formula, 9, uint16_t(Word(formula, 9) + delta));
}

}  // namespace

TShapeOutsideMsoBaseTextMacro::TShapeOutsideMsoBaseTextMacro(TMSOShapeType type, TInternalNames* names)
    : TShapeOutsideMsoBaseText(type), FInternalNames(names) {
  FOwnsObjData = true;
}

void TShapeOutsideMsoBaseTextMacro::Assign(const TShapeOutsideMso& source) {
  TShapeOutsideMsoBaseText::Assign(source);
  if (auto* s = dynamic_cast<const TShapeOutsideMsoBaseTextMacro*>(&source)) FMacroFormula = s->FMacroFormula;
}

std::u16string TShapeOutsideMsoBaseTextMacro::GetMacro() const {
  const uint16_t index = MacroNameIndex(FMacroFormula);
  if (index == 0 || !FInternalNames || index > FInternalNames->Count()) return {};
  return FInternalNames->GetItems(index - 1).Name();
}

bool TShapeOutsideMsoBaseTextMacro::SetMacro(std::u16string_view name) {
  const int32_t index = FInternalNames ? FInternalNames->FindName(name) : -1;
  if (index < 0) throw XLSRWException(u"Can not find Name " + std::u16string(name));
  FMacroFormula = MacroLink(index);
  return true;
}

void TShapeOutsideMsoBaseTextMacro::NameIndexChanged(int32_t delta) { ShiftMacroName(FMacroFormula, delta); }

// --- controls --------------------------------------------------------------------------------

TShapeControlButton::TShapeControlButton(TInternalNames* names)
    : TShapeOutsideMsoBaseTextMacro(TMSOShapeType::mstCtrlButton, names) {
  FOptions = 0x4001;
}

bool TShapeControlButton::ParseOBJ(const TBaseRecordStorage& storage) {
  FMacroFormula.clear();
  WalkSubRecords(*this, storage, "Unknown record %.4X in OBJ LBS", [&](const TRecordData& rec) {
    if (rec.RecId != ftMacro) return 0;
    FMacroFormula = CopyOf(rec);
    return 1;
  });
  FOwnsObjData = true;
  return true;
}

TShapeControlCheckBox::TShapeControlCheckBox(TInternalNames* names)
    : TShapeControlCheckBox(TMSOShapeType::mstCtrlCheckBox, names) {}

TShapeControlCheckBox::TShapeControlCheckBox(TMSOShapeType type, TInternalNames* names)
    : TShapeOutsideMsoBaseTextMacro(type, names), FCBLS(12, 0) {
  FOptions = 0x0011;
}

void TShapeControlCheckBox::Assign(const TShapeOutsideMso& source) {
  TShapeOutsideMsoBaseTextMacro::Assign(source);
  if (auto* s = dynamic_cast<const TShapeControlCheckBox*>(&source)) {
    FCBLS = s->FCBLS;
    FCBLSFMLA = s->FCBLSFMLA;
    FCBLSDATA = s->FCBLSDATA;
  }
}

bool TShapeControlCheckBox::ParseOBJ(const TBaseRecordStorage& storage) {
  FMacroFormula.clear();
  FCBLS.clear();
  FCBLSFMLA.clear();
  FCBLSDATA.clear();
  WalkSubRecords(*this, storage, "Unknown record %.4X in OBJ CBLS", [&](const TRecordData& rec) {
    switch (rec.RecId) {
      case ftMacro: FMacroFormula = CopyOf(rec); return 1;
      case ftCbls: FCBLS = CopyOf(rec); return 1;
      case ftCblsData: FCBLSDATA = CopyOf(rec); return 1;
      case ftCblsFmla: FCBLSFMLA = CopyOf(rec); return 1;
      default: return 0;
    }
  });
  FOwnsObjData = true;
  return true;
}

uint16_t TShapeControlCheckBox::State() const { return Word(FCBLS, 0) & 3; }

void TShapeControlCheckBox::SetState(uint16_t value) {
  if (FCBLS.size() < 2) FCBLS.resize(12, 0);
  PutWord(FCBLS, 0, uint16_t((Word(FCBLS, 0) & ~3u) | value));
}

TShapeControlRadioButton::TShapeControlRadioButton(TInternalNames* names)
    : TShapeControlCheckBox(TMSOShapeType::mstCtrlRadioButton, names) {}

void TShapeControlRadioButton::Assign(const TShapeOutsideMso& source) {
  TShapeControlCheckBox::Assign(source);
  if (auto* s = dynamic_cast<const TShapeControlRadioButton*>(&source)) {
    FRBO = s->FRBO;
    FRBODATA = s->FRBODATA;
  }
}

bool TShapeControlRadioButton::ParseOBJ(const TBaseRecordStorage& storage) {
  FMacroFormula.clear();
  FCBLS.clear();
  FRBO.clear();
  FCBLSDATA.clear();
  FCBLSFMLA.clear();
  FRBODATA.clear();
  WalkSubRecords(*this, storage, "Unknown record %.4X in OBJ RBO", [&](const TRecordData& rec) {
    switch (rec.RecId) {
      case ftMacro: FMacroFormula = CopyOf(rec); return 1;
      case ftCbls: FCBLS = CopyOf(rec); return 1;
      case ftRbo: FRBO = CopyOf(rec); return 1;
      case ftRboData: FRBODATA = CopyOf(rec); return 1;
      case ftCblsData: FCBLSDATA = CopyOf(rec); return 1;
      case ftCblsFmla: FCBLSFMLA = CopyOf(rec); return 1;
      default: return 0;
    }
  });
  FOwnsObjData = true;
  return true;
}

// --- scroll values and list data -------------------------------------------------------------

TObjSBS TObjSBS::FromBytes(std::span<const uint8_t> data) {
  const TRecordView v(data);
  TObjSBS s;
  s.Reserved = v.U32(0);
  s.ScrollPos = v.U16(4);
  s.MinimumValue = v.U16(6);
  s.MaximumValue = v.U16(8);
  s.ScrollWhenArrowClicked = v.U16(10);
  s.ScrollWhenBarClicked = v.U16(12);
  s.Horizontal = v.U16(14);
  s.Width = v.U16(16);
  s.Options = v.U16(18);
  return s;
}

std::vector<uint8_t> TObjSBS::ToBytes() const {
  std::vector<uint8_t> b(20, 0);
  PutWord(b, 0, uint16_t(Reserved));
  PutWord(b, 2, uint16_t(Reserved >> 16));
  const uint16_t words[] = {ScrollPos, MinimumValue, MaximumValue, ScrollWhenArrowClicked,
                            ScrollWhenBarClicked, Horizontal, Width, Options};
  for (size_t i = 0; i < 8; ++i) PutWord(b, 4 + 2 * i, words[i]);
  return b;
}

size_t TObjLBS::LoadFromBuf(std::span<const uint8_t> buf) {
  const TRecordView v(buf);
  FLBSOrig.assign(buf.begin(), buf.end());
  size_t pos = 2;
  FFormula.clear();
  if (v.U16(0) != 0) {
    const uint16_t n = v.U16(2);
    FUnknownFmlaData1 = v.U32(4);
    const auto tokens = v.Bytes(8, n);
    FFormula.assign(tokens.begin(), tokens.end());
    FUnknownFmlaData2 = v.U8(8 + size_t(n));
    pos = 9 + size_t(n);
  }
  FEntryCount = v.U16(pos);
  FSelectedEntry = v.U16(pos + 2);
  FStyle = v.U16(pos + 4);
  FLinkedEdit = v.U16(pos + 6);
  return std::min(pos + 8, buf.size());
}

size_t TObjLBSListBox::LoadFromBuf(std::span<const uint8_t> buf) {
  size_t pos = TObjLBS::LoadFromBuf(buf);
  FMultiselect.clear();
  if (FStyle & 0x30) {
    const auto sel = TRecordView(buf).Bytes(pos, FEntryCount);
    FMultiselect.assign(sel.begin(), sel.end());
    pos += sel.size();
  }
  return pos;
}

size_t TObjLBSComboBox::LoadFromBuf(std::span<const uint8_t> buf) {
  const size_t pos = TObjLBS::LoadFromBuf(buf);
  const TRecordView v(buf);
  FComboStyle = v.U16(pos);
  FLineCount = v.U16(pos + 2);
  FUnknown = v.U16(pos + 4);
  return std::min(pos + 6, buf.size());
}

void TObjLBS::GetSourceArea(int32_t& sheet, int32_t& col1, int32_t& row1, int32_t& col2, int32_t& row2) const {
  const TRecordView v(FFormula.data(), FFormula.size());
  if (FFormula.empty()) throw XLSRWException("No source area assigned");
  if (FFormula.size() == 9 && FFormula[0] == 0x25) {
    sheet = -1;
    row1 = v.U16(1);
    row2 = v.U16(3);
    col1 = v.U16(5) & COLUMN_MASK;
    col2 = v.U16(7) & COLUMN_MASK;
  } else if (FFormula.size() == 11 && FFormula[0] == 0x3B) {
    sheet = v.U16(1);
    row1 = v.U16(3);
    row2 = v.U16(5);
    col1 = v.U16(7) & COLUMN_MASK;
    col2 = v.U16(9) & COLUMN_MASK;
  } else {
    throw XLSRWException("Unknown LBS formula.");
  }
}

bool TObjLBS::SetSourceArea(int32_t col1, int32_t row1, int32_t col2, int32_t row2) {
  if (!(FFormula.size() == 9 && FFormula[0] == 0x25)) {
    FFormula.assign(9, 0);
    FFormula[0] = 0x25;
  }
  const uint16_t c1 = Word(FFormula, 5), c2 = Word(FFormula, 7);
  if (Word(FFormula, 1) == row1 && Word(FFormula, 3) == row2 && (c1 & COLUMN_MASK) == col1 &&
      (c2 & COLUMN_MASK) == col2)
    return false;
  PutWord(FFormula, 1, uint16_t(row1));
  PutWord(FFormula, 3, uint16_t(row2));
  PutWord(FFormula, 5, uint16_t((c1 & ~COLUMN_MASK) | (col1 & COLUMN_MASK)));
  PutWord(FFormula, 7, uint16_t((c2 & ~COLUMN_MASK) | (col2 & COLUMN_MASK)));
  return true;
}

TShapeControlListBox::TShapeControlListBox(bool isComboBox)
    : TShapeControl(isComboBox ? TMSOShapeType::mstCtrlComboBox : TMSOShapeType::mstCtrlListBox),
      FIsComboBox(isComboBox) {
  FOwnsObjData = true;
  FOptions = 0x2011;
  FSBS.MaximumValue = 4;
  FSBS.ScrollWhenArrowClicked = 1;
  FSBS.ScrollWhenBarClicked = 5;
  FSBS.Width = 16;
  FSBS.Options = 1;
  FSBSFormula = {0x24, 1, 0, 1, 0, 0};
  if (isComboBox) {
    auto lbs = std::make_unique<TObjLBSComboBox>();
    lbs->FLineCount = 10;
    FLBS = std::move(lbs);
  } else {
    FLBS = std::make_unique<TObjLBSListBox>();
  }
  FLBS->FEntryCount = 10;
  FLBS->FSelectedEntry = 1;
  FLBS->FStyle = 8;
}

void TShapeControlListBox::Assign(const TShapeOutsideMso& source) {
  TShapeOutsideMso::Assign(source);
  if (auto* s = dynamic_cast<const TShapeControlListBox*>(&source)) {
    FIsComboBox = s->FIsComboBox;
    FIsComboBoxAutoFilter = s->FIsComboBoxAutoFilter;
    FSBS = s->FSBS;
    FSBSFormula = s->FSBSFormula;
    FSBSFormulaOrig = s->FSBSFormulaOrig;
    FMacroFormula = s->FMacroFormula;
    FLBS = s->FLBS->Clone();
    FChanged = s->FChanged;
  }
}

bool TShapeControlListBox::ParseOBJ(const TBaseRecordStorage& storage) {
  FMacroFormula.clear();
  FSBSFormulaOrig.clear();
  FSBSFormula.clear();  // a control of the file without ftSbsFmla has no linked cell
  int32_t objType = -1;
  for (size_t i = 0; i < storage.Count(); ++i) {
    const TRecordData* rec = storage.Items(i);
    if (rec && rec->RecId == ftCmo) {
      objType = rec->View().U16(0);
      break;
    }
  }
  WalkSubRecords(*this, storage, "Unknown record %.4X in OBJ LBS", [&](const TRecordData& rec) {
    switch (rec.RecId) {
      case ftMacro: FMacroFormula = CopyOf(rec); return 1;
      case ftSbs: FSBS = TObjSBS::FromBytes(rec.Data); return 1;
      case ftSbsFmla: TakeSbsFormula(rec, FSBSFormula, FSBSFormulaOrig); return 1;
      case ftLbsData:
        FLBS->LoadFromBuf(rec.Data);
        return objType == otListBox ? 2 : 1;
      default: return 0;
    }
  });
  // The drop-down of an autofilter has no linked cell.
  if (FOptions & 0x0100) FSBSFormula.clear();
  FOwnsObjData = true;
  FChanged = false;
  return true;
}

void TShapeControlListBox::GetDestCell(int32_t& col, int32_t& row) const {
  if (FSBSFormula.empty() || FSBSFormula[0] != 0x24) throw XLSRWException("Unknown SBS formula.");
  row = Word(FSBSFormula, 1);
  col = Word(FSBSFormula, 3) & COLUMN_MASK;
}

void TShapeControlListBox::SetDestCell(int32_t col, int32_t row) {
  if (FSBSFormula.size() != 6 || FSBSFormula[0] != 0x24) throw XLSRWException("Unknown SBS formula.");
  const uint16_t c = Word(FSBSFormula, 3);
  if (Word(FSBSFormula, 1) == row && (c & COLUMN_MASK) == col) return;
  PutWord(FSBSFormula, 1, uint16_t(row));
  PutWord(FSBSFormula, 3, uint16_t((c & ~COLUMN_MASK) | (col & COLUMN_MASK)));
  FChanged = true;
}

void TShapeControlListBox::SetSourceArea(int32_t, int32_t col1, int32_t row1, int32_t col2, int32_t row2) {
  if (FLBS->SetSourceArea(col1, row1, col2, row2)) FChanged = true;
}

void TShapeControlListBox::NameIndexChanged(int32_t delta) { ShiftMacroName(FMacroFormula, delta); }

bool TShapeControlComboBox::IsAutoFilter() const { return (FOptions & 0x0100) && FSBSFormula.empty(); }

void TShapeControlComboBox::SetIsAutoFilter(bool value) {
  if (!value) {
    if (IsAutoFilter()) throw XLSRWException("An autofilter combo box can not be changed to a normal.");
    return;
  }
  FOptions = 0x2101;
  FLBS->FStyle = 0x0301;
  if (auto* combo = dynamic_cast<TObjLBSComboBox*>(FLBS.get())) {
    combo->FComboStyle = 10;
    combo->FLineCount = 8;
  }
  FSBSFormula.clear();
}

TShapeControlScrollBar::TShapeControlScrollBar()
    : TShapeOutsideMso(TMSOShapeType::mstCtrlScrollBar), FSBS(20, 0) {
  FOwnsObjData = true;
  FOptions = 0x6011;
}

void TShapeControlScrollBar::Assign(const TShapeOutsideMso& source) {
  TShapeOutsideMso::Assign(source);
  if (auto* s = dynamic_cast<const TShapeControlScrollBar*>(&source)) {
    FSBS = s->FSBS;
    FSBSFormula = s->FSBSFormula;
    FSBSFormulaOrig = s->FSBSFormulaOrig;
    FMacroFormula = s->FMacroFormula;
  }
}

bool TShapeControlScrollBar::ParseOBJ(const TBaseRecordStorage& storage) {
  FMacroFormula.clear();
  FSBS.clear();
  FSBSFormula.clear();
  FSBSFormulaOrig.clear();
  WalkSubRecords(*this, storage, "Unknown record %.4X in OBJ CBLS", [&](const TRecordData& rec) {
    switch (rec.RecId) {
      case ftMacro: FMacroFormula = CopyOf(rec); return 1;
      case ftSbs: FSBS = CopyOf(rec); return 1;
      case ftSbsFmla: TakeSbsFormula(rec, FSBSFormula, FSBSFormulaOrig); return 1;
      default: return 0;
    }
  });
  FOwnsObjData = true;
  return true;
}

void TShapeControlScrollBar::SetWord(size_t off, uint16_t v) {
  if (FSBS.size() < 20) FSBS.resize(20, 0);
  PutWord(FSBS, off, v);
}

// --- the object of a shape -------------------------------------------------------------------

std::shared_ptr<TShapeOutsideMso> MakeShapeObject(TBaseRecordStorage& subRecords, bool hasText,
                                                  TInternalNames* names) {
  std::shared_ptr<TShapeOutsideMso> object;  // made with its count in one piece
  const int32_t objType = ObjectTypeOf(subRecords);
  switch (objType) {
    case -1:
      return nullptr;  // an OBJ of length 0 makes no object
    case otChart:
      object = std::make_shared<TShapeOutsideMsoChart>();
      break;
    case otTextBox:
      if (hasText) object = std::make_shared<TShapeOutsideMsoBaseText>(TMSOShapeType::mstTextBox);
      break;
    case otButton:
      object = std::make_shared<TShapeControlButton>(names);
      break;
    case otCheckBox:
      object = std::make_shared<TShapeControlCheckBox>(names);
      break;
    case otRadioButton:
      object = std::make_shared<TShapeControlRadioButton>(names);
      break;
    case otScrollBar:
      object = std::make_shared<TShapeControlScrollBar>();
      break;
    case otListBox:
      object = std::make_shared<TShapeControlListBox>();
      break;
    case otDropDown:
      object = std::make_shared<TShapeControlComboBox>();
      break;
    case otNote:
      object = std::make_shared<TShapeOutsideMsoNote>();
      break;
    default:
      if (hasText) {
        const TMSOShapeType kind = objType == otLabel      ? TMSOShapeType::mstCtrlLabel
                                   : objType == otGroupBox ? TMSOShapeType::mstCtrlGroupBox
                                   : objType == otDrawing  ? TMSOShapeType::mstTextShape
                                                           : TMSOShapeType::mstUnknown;
        object = std::make_shared<TShapeOutsideMsoBaseText>(kind);
      }
      break;
  }
  if (object) {
    object->FObjId = 0;
    if (object->ParseOBJ(subRecords)) subRecords.Clear();
  }
  return object;
}

}  // namespace xls::biff
