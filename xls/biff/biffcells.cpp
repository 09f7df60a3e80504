// Cell, formula and shared-string records.
//
// Layouts (MS-XLS, offsets from the body start): BLANK row, col, xf; NUMBER + f64 at 6; RK + RK
// at 6; MULRK row, col, then (xf u16, RK u32) pairs and the last column; MULBLANK row, col, then
// xf words and the last column; LABEL + cch u16 at 6 and the string; LABELSST + SST index u32 at
// 6; BOOLERR + value byte at 6 and error flag at 7; the BIFF2 records INTEGER, NUMBER and LABEL
// keep a column byte at 2 and three attribute bytes at 4. FORMULA: row, col, xf, cached value
// (8 bytes at 6), flags u16 at 14 (bit 3 shared), 4 unused bytes, cce u16 at 20, tokens at 22
// and array constants up to the end. The cached value is special when byte 6 is below 4 and
// bytes 12 and 13 are 0xFF: byte 6 is the type (0 text in a following STRING record, 1 Boolean
// and 2 error in byte 8, 3 empty text). SST: total count u32, unique count u32, then the strings
// (cch u16, flags u8 with bit 0 UTF-16, bit 2 phonetic data, bit 3 rich text; cRun u16 and
// cbExtRst u32 when flagged; the characters; cRun runs of 4 bytes; cbExtRst bytes).
#include <algorithm>
#include <cstdio>

#include "platform/textcodec.h"
#include "xls/biff/biffcontinue.h"
#include "xls/biff/biffrecords.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlscellmmu.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlssst.h"
#include "xls/model/xlsstylesheet.h"
#include "xls/model/xlsworksheetdata.h"

namespace xls::biff {

namespace {

// Characters below 32 but LF and CR are left out of formula string results.
std::u16string WithoutControls(const std::u16string& s) {
  std::u16string r;
  r.reserve(s.size());
  for (char16_t c : s)
    if (c >= 32) r.push_back(c);
  return r;
}

bool IsSpecialResult(const TBIFFBody& b) { return b.U8(6) < 4 && b.U8(12) == 0xFF && b.U8(13) == 0xFF; }

}  // namespace

TXLSCellMMU& TBIFFRecords::Cells() {
  if (!FSheet) throw XLSRWException("Cell record outside a worksheet");
  return FSheet->Cells();
}

bool TBIFFRecords::Direct() const { return FManager.FDirectRead; }

void TBIFFRecords::CheckCell(int32_t col, int32_t row) {
  if (col < 0 || col > XLS_MAXCOL) throw XLSRWException("Cell column out of range");
  if (row < 0 || row > XLS_MAXROW) throw XLSRWException("Cell row out of range");
}

void TBIFFRecords::PrepareEvent(int32_t col, int32_t row) {
  CheckCell(col, row);
  TXLSEventCell& e = FManager.EventCell();
  e.Clear();
  e.FSheetIndex = FCurrSheet;
  e.FSheetName = FSheet ? FSheet->FName : std::u16string();
  e.FCol = col;
  e.FRow = row;
}

void TBIFFRecords::FireNumber(int32_t col, int32_t row, double v) {
  PrepareEvent(col, row);
  FManager.EventCell().SetAsFloat(v);
  FManager.FireReadCellEvent();
}

void TBIFFRecords::FireText(int32_t col, int32_t row, const std::u16string& v) {
  PrepareEvent(col, row);
  FManager.EventCell().SetAsString(v);
  FManager.FireReadCellEvent();
}

void TBIFFRecords::FireBoolean(int32_t col, int32_t row, bool v) {
  PrepareEvent(col, row);
  FManager.EventCell().SetAsBoolean(v);
  FManager.FireReadCellEvent();
}

void TBIFFRecords::FireError(int32_t col, int32_t row, TXc12CellError v) {
  PrepareEvent(col, row);
  FManager.EventCell().SetAsError(v);
  FManager.FireReadCellEvent();
}

// The model style of XF index `xf`: xf + 1, or the default format when the file has no such XF.
int32_t TBIFFRecords::StyleOf(uint16_t xf) const {
  const size_t s = size_t(xf) + 1;
  return s < FManager.StyleSheet().XFs().Count() ? int32_t(s) : 0;
}

void TBIFFRecords::RecBLANK(const TBIFFBody& b) {
  b.Need(6);
  Cells().StoreBlank(b.U16(2), b.U16(0), StyleOf(b.U16(4)), false);
}

// A row's header: height, outline level, hidden, collapsed and custom-height flags, and its cell
// format when the row has one. The row vector is made when the row has none; cells already in
// the row stay. The record is not kept.
void TBIFFRecords::RecROW(const TBIFFBody& b) {
  b.Need(16);
  if (!FSheet) return;  // outside a worksheet there is no row to describe
  const int32_t row = b.U16(0);
  const uint16_t flags = b.U16(12);
  TXLSCellMMU& cells = Cells();
  cells.AddRow(row, (flags & 0x80) ? StyleOf(b.U16(14) & 0x0FFF) : 0);
  TXLSMMURowHeader* h = cells.FindRow(row);
  if (!h) return;
  h->Height = b.U16(6);
  h->OutlineLevel = uint8_t(flags & 7);
  h->Options = uint8_t(((flags & 0x10) ? xroCollapsed : 0) | ((flags & 0x20) ? xroHidden : 0) |
                       ((flags & 0x40) ? xroCustomHeight : 0));
}

void TBIFFRecords::RecNUMBER(const TBIFFBody& b) {
  b.Need(14);
  if (Direct()) return FireNumber(b.U16(2), b.U16(0), b.F64(6));
  Cells().StoreFloat(b.U16(2), b.U16(0), StyleOf(b.U16(4)), b.F64(6));
}

void TBIFFRecords::RecRK(const TBIFFBody& b) {
  b.Need(10);
  const double v = DecodeRK(b.U32(6));
  if (Direct()) return FireNumber(b.U16(2), b.U16(0), v);
  Cells().StoreFloat(b.U16(2), b.U16(0), StyleOf(b.U16(4)), v);
}

void TBIFFRecords::RecMULRK(const TBIFFBody& b) {
  b.Need(6);
  const int32_t row = b.U16(0), col = b.U16(2);
  const size_t n = (b.Size() - 6) / 6;  // pairs that the record holds
  for (size_t i = 0; i < n; ++i) {
    const size_t p = 4 + 6 * i;
    const double v = DecodeRK(b.U32(p + 2));
    if (Direct())
      FireNumber(col + int32_t(i), row, v);
    else
      Cells().StoreFloat(col + int32_t(i), row, StyleOf(b.U16(p)), v);
  }
}

void TBIFFRecords::RecMULBLANK(const TBIFFBody& b) {
  b.Need(6);
  const int32_t row = b.U16(0), col = b.U16(2);
  const size_t n = b.Size() / 2 - 3;
  for (size_t i = 0; i < n; ++i) Cells().StoreBlank(col + int32_t(i), row, StyleOf(b.U16(4 + 2 * i)), false);
}

void TBIFFRecords::RecLABEL(const TBIFFBody& b) {
  b.Need(8);
  const int32_t row = b.U16(0), col = b.U16(2), count = b.U16(6);
  std::u16string text;
  if (FVersion >= TExcelVersion::xvExcel97) {
    text = ReadBIFF8Chars(b, 8, count, FCodec);
  } else if (b.U8(8) == 0 || b.U8(8) == 1) {
    // A BIFF7 writer may store a BIFF8-style flag byte.
    text =
        b.U8(8) == 1 ? UTF16Units(b.Bytes(9, size_t(count) * 2)) : FCodec.Decode8(b.Bytes(9, size_t(count)));
  } else {
    text = FCodec.Decode8(b.Bytes(8, size_t(count)));
  }
  if (Direct()) return FireText(col, row, text);
  Cells().StoreString(col, row, StyleOf(b.U16(4)), text);
}

void TBIFFRecords::RecLABEL_4(const TBIFFBody& b) {
  b.Need(8);
  const std::u16string text = FCodec.Decode8(b.Bytes(8, b.U16(6)));
  if (Direct()) return FireText(b.U16(2), b.U16(0), text);
  Cells().StoreString(b.U16(2), b.U16(0), StyleOf(b.U16(4)), text);
}

void TBIFFRecords::RecLABELSST(const TBIFFBody& b) {
  b.Need(10);
  const int32_t row = b.U16(0), col = b.U16(2);
  const uint32_t index = b.U32(6);
  TXc12DataSST& sst = FManager.SST();
  const bool valid = index < uint32_t(sst.TotalCount()) && sst.GetItems(int32_t(index)) != nullptr;
  if (!valid) {
    // The text is lost, not the cell: an empty text keeps the cell and its format.
    char num[16];
    std::snprintf(num, sizeof num, "%u", index);
    FHost->Warning(std::u16string(num, num + std::char_traits<char>::length(num)), XLSWARN_BIFF_SST_INDEX);
    if (Direct()) return FireText(col, row, u"");
    return Cells().StoreString(col, row, StyleOf(b.U16(4)), std::u16string_view());
  }
  if (Direct()) return FireText(col, row, sst.GetItemText(int32_t(index)));
  Cells().StoreString(col, row, StyleOf(b.U16(4)), int32_t(index));
}

void TBIFFRecords::RecBOOLERR(const TBIFFBody& b) {
  b.Need(8);
  StoreBoolErr(b.U16(2), b.U16(0), StyleOf(b.U16(4)), b.U8(6), b.U8(7) != 0);
}

// A Boolean, or the error of code `value` when `error`.
void TBIFFRecords::StoreBoolErr(int32_t col, int32_t row, int32_t style, uint8_t value, bool error) {
  if (!error) {
    if (Direct()) return FireBoolean(col, row, value != 0);
    Cells().StoreBoolean(col, row, style, value != 0);
  } else {
    if (Direct()) return FireError(col, row, ErrorCodeToCellError(value));
    Cells().StoreError(col, row, style, ErrorCodeToCellError(value));
  }
}

// BIFF2 BLANK and BOOLERR: row, column, 3 attribute bytes; BOOLERR's value byte at 7 and its
// error flag at 8.
void TBIFFRecords::RecBLANK_2(const TBIFFBody& b) {
  b.Need(7);
  if (Direct()) return CheckCell(b.U16(2), b.U16(0));
  Cells().StoreBlank(b.U16(2), b.U16(0), 0, false);
}

void TBIFFRecords::RecBOOLERR_2(const TBIFFBody& b) {
  b.Need(9);
  StoreBoolErr(b.U16(2), b.U16(0), 0, b.U8(7), b.U8(8) != 0);
}

void TBIFFRecords::RecINTEGER_2(const TBIFFBody& b) {
  b.Need(9);
  if (Direct()) return FireNumber(b.U8(2), b.U16(0), b.U16(7));
  Cells().StoreFloat(b.U8(2), b.U16(0), 0, b.U16(7));
}

void TBIFFRecords::RecNUMBER_2(const TBIFFBody& b) {
  b.Need(15);
  if (Direct()) return FireNumber(b.U8(2), b.U16(0), b.F64(7));
  Cells().StoreFloat(b.U8(2), b.U16(0), 0, b.F64(7));
}

void TBIFFRecords::RecLABEL_2(const TBIFFBody& b) {
  b.Need(8);
  const std::u16string text = FCodec.Decode8(b.Bytes(8, b.U8(7)));
  if (Direct()) return FireText(b.U8(2), b.U16(0), text);
  Cells().StoreString(b.U8(2), b.U16(0), 0, text);
}

// ---------------------------------------------------------------------------------------------
// FORMULA

// Reads a STRING record (and the CONTINUE records its characters go on in) that follows a
// formula; false when the next record is none.
bool TBIFFRecords::ReadStringResult(TBIFFRecordHost& host, std::u16string& text) {
  const uint16_t next = host.PeekId();
  if (next != BIFFID_STRING && next != BIFFID_STRING_2) return false;
  uint16_t id;
  if (!host.ReadRecord(id, FScratch)) return false;
  const TBIFFBody s(FScratch);
  if (id == BIFFID_STRING_2) {
    // BIFF2: a count byte and 8-bit characters.
    text = FCodec.Decode8(s.Bytes(1, s.U8(0)));
    return true;
  }
  const uint16_t count = s.U16(0);
  if (FVersion < TExcelVersion::xvExcel97) {
    text = FCodec.Decode8(s.Bytes(2, count));
    return true;
  }
  TBIFFContinueReader r;
  r.Add(FScratch);
  std::vector<uint8_t> part;
  while (host.PeekId() == BIFFID_CONTINUE && host.ReadRecord(id, part)) r.Add(part);
  uint16_t cch;
  uint8_t flags;
  if (!r.ReadU16(cch) || !r.ReadU8(flags)) return true;
  std::u16string wide;
  std::vector<uint8_t> narrow;
  bool isWide;
  r.ReadChars(cch, (flags & 1) != 0, wide, narrow, isWide);
  text = isWide ? std::move(wide) : FCodec.Decode8(narrow);
  return true;
}

// The result of an array formula or array member: a following STRING record, else the cached
// bytes of the FORMULA record. False for an error code that names no error: the cell is then not
// stored (one odd cached value does not end the load).
bool TBIFFRecords::StageResult(const TBIFFBody& b, TBIFFRecordHost& host) {
  TXLSFormulaHelper& h = Cells().FormulaHelper();
  std::u16string text;
  if (ReadStringResult(host, text)) {
    h.FStrResult = WithoutControls(text);
    h.FCellType = TXLSCellType::xctStringFormula;
    return true;
  }
  if (IsSpecialResult(b)) {
    switch (b.U8(6)) {
      case 1:
        h.FResult = b.U8(8) != 0;
        h.FCellType = TXLSCellType::xctBooleanFormula;
        return true;
      case 2:
        if (ErrorCodeToCellError(b.U8(8)) == TXc12CellError::errUnknown) return false;
        h.SetAsError(ErrorCodeToCellError(b.U8(8)));
        return true;
      case 3:
        h.FStrResult.clear();
        h.FCellType = TXLSCellType::xctStringFormula;
        return true;
      default:
        break;
    }
  }
  h.SetAsFloat(b.F64(6));
  h.FCellType = TXLSCellType::xctFloatFormula;
  return true;
}

// BIFF2: row, column, 3 attribute bytes, cached value at 7 (special when bytes 13 and 14 are
// 0xFF: type byte 7, value byte 9), flags byte 15, cce byte 16, tokens of BIFF2's own layout.
// BIFF3/4 (0x0206, 0x0406): row, column, XF, cached value at 6 (special when bytes 12 and 13 are
// 0xFF: type byte 6, value byte 8), flags, cce and tokens of their own layouts. The formula layer
// reads neither kind of tokens, so the cell keeps its cached value as a plain value.
void TBIFFRecords::RecFORMULA_2(const TBIFFBody& b, TBIFFRecordHost& host) {
  b.Need(15);
  StoreCachedResult(b, host, 7, 0);
}

void TBIFFRecords::RecFORMULA_3(const TBIFFBody& b, TBIFFRecordHost& host) {
  b.Need(14);
  StoreCachedResult(b, host, 6, StyleOf(b.U16(4)));
}

// The cached result whose 8 bytes start at `at` (a string result is in the STRING record that
// follows).
void TBIFFRecords::StoreCachedResult(const TBIFFBody& b, TBIFFRecordHost& host, size_t at, int32_t style) {
  const int32_t row = b.U16(0), col = b.U16(2);
  if (b.U8(at + 6) == 0xFF && b.U8(at + 7) == 0xFF && b.U8(at) < 4) {
    switch (b.U8(at)) {
      case 0: {
        std::u16string text;
        if (!ReadStringResult(host, text)) return;
        if (Direct()) return FireText(col, row, text);
        return Cells().StoreString(col, row, style, text);
      }
      case 1:
      case 2:
        return StoreBoolErr(col, row, style, b.U8(at + 2), b.U8(at) == 2);
      default:
        return;
    }
  }
  if (Direct()) return FireNumber(col, row, b.F64(at));
  Cells().StoreFloat(col, row, style, b.F64(at));
}

void TBIFFRecords::RecFORMULA(const TBIFFBody& body, TBIFFRecordHost& host) {
  body.Need(22);
  const bool biff8 = FVersion >= TExcelVersion::xvExcel97;
  const int32_t row = body.U16(0), col = body.U16(2);
  const int32_t style = StyleOf(body.U16(4));
  const uint16_t flags = body.U16(14);
  // cce and the constants behind the tokens are bounded by the record.
  size_t cce = std::min<size_t>(body.U16(20), body.Size() - 22);
  std::span<const uint8_t> tokens = body.Bytes(22, cce);
  size_t total = body.Size() - 22;  // tokens and array constants
  std::vector<uint8_t> shared;

  const bool expToken = cce >= 5 - (biff8 ? 0 : 1) && body.U8(22) == 0x01;
  if (expToken && (flags & 0x08)) {
    // Shared formula: the tokens come from the SHRFMLA whose range holds the pointed-to cell.
    const uint16_t next = host.PeekId();
    if (next == BIFFID_SHRFMLA || next == BIFFID_SHRFMLA_5) {
      uint16_t id;
      std::vector<uint8_t> sb;
      if (host.ReadRecord(id, sb)) RecSHRFMLA(TBIFFBody(sb), host);
    }
    const int32_t pr = body.U16(23), pc = biff8 ? body.U16(25) : body.U8(25);
    const TSharedFormula* found = host.SharedFormulas().Find(pr, pc);
    if (!found) {
      const std::string ref = kws::Utf16ToUtf8(ColRowToRefStr(col, row));
      char msg[128];
      std::snprintf(msg, sizeof msg, "Fixup error in shared formula at C=%d,R=%d (%s)", col, row,
                    ref.c_str());
      throw XLSRWException(msg);
    }
    shared = found->Formula;
    if (SharedFixup) SharedFixup(shared, col, row, biff8);
    tokens = shared;
    cce = total = shared.size();
  } else if (expToken) {
    // Array formula (its ARRAY record follows the first cell) or a member of the last one.
    TXLSFormulaHelper& h = Cells().FormulaHelper();
    if (host.PeekId() == BIFFID_ARRAY) {
      uint16_t id;
      if (host.ReadRecord(id, host.LastARRAY())) {
        const TBIFFBody a(host.LastARRAY());
        a.Need(14);
        const size_t acce = std::min<size_t>(a.U16(12), a.Size() - 14);
        const size_t consts = a.Size() - 14 - acce;
        h.Clear();
        h.FCol = col, h.FRow = row, h.FStyle = style;
        h.SetTargetRef(a.U8(4), a.U16(0), a.U8(5), a.U16(2));
        h.FHasApply = true;
        if (consts > 0)
          h.AllocPtgsArrayConsts97(a.Data() + 14, int32_t(acce), int32_t(consts));
        else
          h.AllocPtgs97(a.Data() + 14, int32_t(acce));
        h.FFormulaType = TXLSCellFormulaType::xcftArray;
        if (a.U16(6) & 1) h.FOptions = uint8_t(h.FOptions + 1);
        if (StageResult(body, host) && !Direct()) Cells().StoreFormula();
        return;
      }
    }
    if (!host.LastARRAY().empty()) {
      const TBIFFBody a(host.LastARRAY());
      if (row >= a.U16(0) && row <= a.U16(2) && col >= a.U8(4) && col <= a.U8(5)) {
        h.Clear();
        h.FCol = col, h.FRow = row, h.FStyle = style;
        h.FParentCol = a.U8(4), h.FParentRow = a.U16(0);
        h.FFormulaType = TXLSCellFormulaType::xcftArrayChild97;
        if (StageResult(body, host) && !Direct()) Cells().StoreFormula();
        return;
      }
      host.LastARRAY().clear();
    }
  }

  // Ordinary storing with the tokens (and constants) of this cell.
  auto stage = [&] {
    TXLSFormulaHelper& h = Cells().FormulaHelper();
    h.Clear();
    h.FCol = col, h.FRow = row, h.FStyle = style;
    if (total > cce)
      h.AllocPtgsArrayConsts97(tokens.data(), int32_t(cce), int32_t(total - cce));
    else
      h.AllocPtgs97(tokens.data(), int32_t(cce));
    return &h;
  };
  if (IsSpecialResult(body)) {
    switch (body.U8(6)) {
      case 1: {
        if (Direct()) return FireBoolean(col, row, body.U8(8) != 0);
        TXLSFormulaHelper* h = stage();
        h->FResult = body.U8(8) != 0;
        h->FCellType = TXLSCellType::xctBooleanFormula;
        break;
      }
      case 2: {
        if (Direct()) return FireError(col, row, ErrorCodeToCellError(body.U8(8)));
        // An error code that names no error: the cell is left out instead of ending the load.
        if (ErrorCodeToCellError(body.U8(8)) == TXc12CellError::errUnknown) return;
        stage()->SetAsError(ErrorCodeToCellError(body.U8(8)));
        break;
      }
      case 3: {
        if (Direct()) return FireText(col, row, u"");
        TXLSFormulaHelper* h = stage();
        h->FStrResult.clear();
        h->FCellType = TXLSCellType::xctStringFormula;
        break;
      }
      default: {
        const uint16_t next = host.PeekId();
        if (next == BIFFID_SHRFMLA || next == BIFFID_SHRFMLA_5) throw XLSRWException("Unxepected SHRFMLA");
        std::u16string text;
        if (!ReadStringResult(host, text)) return;  // no text: the cell is not stored
        if (Direct()) return FireText(col, row, text);
        TXLSFormulaHelper* h = stage();
        h->FStrResult = WithoutControls(text);
        h->FCellType = TXLSCellType::xctStringFormula;
        break;
      }
    }
    Cells().StoreFormula();
    return;
  }
  if (cce == 0) return;
  if (Direct()) return FireNumber(col, row, body.F64(6));
  TXLSFormulaHelper* h = stage();
  h->SetAsFloat(body.F64(6));
  h->FCellType = TXLSCellType::xctFloatFormula;
  Cells().StoreFormula();
}

void TBIFFRecords::RecSHRFMLA(const TBIFFBody& b, TBIFFRecordHost& host) {
  b.Need(10);
  TSharedFormula f;
  f.Row1 = b.U16(0), f.Row2 = b.U16(2), f.Col1 = b.U8(4), f.Col2 = b.U8(5);
  const auto t = b.Bytes(10, b.U16(8));
  f.Formula.assign(t.begin(), t.end());
  host.SharedFormulas().push_back(std::move(f));
}

// ---------------------------------------------------------------------------------------------
// SST

void TBIFFRecords::RecSST(const TBIFFBody& b, TBIFFRecordHost& host) {
  TBIFFContinueReader r;
  r.Add(b.Span());
  uint16_t id;
  std::vector<uint8_t> part;
  std::span<const uint8_t> body;
  // The continuation bodies are read where they lie when they can be: the strings are copied
  // once, into the table.
  while (host.PeekId() == BIFFID_CONTINUE && host.ReadRecordView(id, body, part)) {
    if (part.empty())
      r.AddView(body);
    else
      r.Add(std::move(part));
  }

  TXc12DataSST& sst = FManager.SST();
  uint32_t total, unique;
  if (!r.ReadU32(total) || !r.ReadU32(unique)) return;
  // Each string takes at least its 3-byte header.
  sst.Reserve(std::min<size_t>(unique, r.TotalBytes() / 3));
  std::u16string wide;
  std::vector<uint8_t> narrow;
  std::vector<uint8_t> runBytes;
  // An SST that announces more strings than it holds ends with its last record.
  for (uint32_t i = 0; i < unique && !r.AtEnd(); ++i) {
    uint16_t cch;
    uint8_t flags;
    if (!r.ReadU16(cch) || !r.ReadU8(flags)) break;
    switch (flags) {
      case 0:
      case 1:
      case 4:
      case 5:
      case 8:
      case 9:
      case 12:
      case 13:
        break;
      default: {
        char msg[64];
        std::snprintf(msg, sizeof msg, "STT: Unhandled string type in Read (%.2X)", flags);
        throw XLSRWException(msg);
      }
    }
    uint16_t runs = 0;
    uint32_t extRst = 0;
    if ((flags & 0x08) && !r.ReadU16(runs)) break;
    if ((flags & 0x04) && !r.ReadU32(extRst)) break;
    bool isWide;
    r.ReadChars(cch, (flags & 1) != 0, wide, narrow, isWide);
    runBytes.resize(size_t(runs) * 4);
    const bool haveRuns = runs > 0 && r.ReadRaw(runBytes.data(), runBytes.size());
    r.Skip(extRst);
    if (haveRuns) {
      std::u16string text = isWide ? wide : std::u16string(narrow.begin(), narrow.end());
      std::vector<TXc12FontRun> fr;
      fr.reserve(runs);
      for (size_t k = 0; k < runs; ++k) {
        const uint16_t first = uint16_t(runBytes[4 * k] | (runBytes[4 * k + 1] << 8));
        const uint16_t font = uint16_t(runBytes[4 * k + 2] | (runBytes[4 * k + 3] << 8));
        if (first > text.size()) continue;
        fr.push_back({first, FontOfIndex(font, true)});
      }
      sst.AddFormattedString(text, fr);
    } else if (isWide) {
      sst.AddRawString(wide.size(), wide.data());
    } else {
      sst.AddRawString(narrow.size(), narrow.data());
    }
  }
}

}  // namespace xls::biff
