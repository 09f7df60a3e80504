// Workbook-globals records: the sheet list, defined names, external references and the workbook
// settings (FILEPASS is the record loop's own).
//
// Layouts (MS-XLS): BOUNDSHEET stream position u32, visibility byte 4 (bits 0-1), sheet type byte
// 5 (0 worksheet, 1 macro sheet, 2 chart, 6 VB module), name length byte 6, name at 7 (BIFF8: a
// flag byte first). NAME (BIFF8): flags u16, key byte 2, name length byte 3, cce u16 at 4, sheet
// u16 at 8 (0 workbook, else the sheet-list entry + 1, chart sheets and modules counted), lengths
// of menu, description, help and status texts at 10..13, name at 14 (flag byte and characters; a
// built-in name holds its one-character code), tokens, then the four texts. NAME of BIFF5/7: the
// same fields, texts without a flag byte in the file's code page. XCT: CRN count u16, sheet index
// u16. WRITEACCESS (BIFF8): cch u16, flag byte, characters, spaces to 112 bytes.
#include <algorithm>

#include "platform/textcodec.h"
#include "xls/biff/biffformulahandler.h"
#include "xls/biff/biffrecords.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsworkbookdata.h"
#include "xls/model/xlsworksheetdata.h"

namespace xls::biff {

namespace {

// NAME, SUPBOOK and EXTERNSHEET bodies joined with their CONTINUE records stay below this size
// (more than the largest record a writer makes: 8224 bytes of name tokens and texts, or 65535
// external sheet entries of 6 bytes).
constexpr size_t kMaxJoinedRecord = 2 + 65535 * 6 + 8224;

// The scope of a name on a sheet the model does not keep (a chart sheet, a module): this base
// plus the sheet-list entry, past any worksheet index, so that the name lands on no worksheet and
// names of two such sheets stay apart.
constexpr int32_t kUnkeptSheetScope = 0x10000;

}  // namespace

int32_t TBIFFRecords::NameScope(uint16_t sheet) const {
  if (sheet == 0) return -1;
  const size_t entry = size_t(sheet) - 1;
  if (entry < FBoundsheetModel.size())
    return FBoundsheetModel[entry] >= 0 ? FBoundsheetModel[entry] : kUnkeptSheetScope + int32_t(entry);
  // An entry not listed (yet) counts as a worksheet after the listed ones.
  const auto kept = std::count_if(FBoundsheetModel.begin(), FBoundsheetModel.end(), [](int32_t m) { return m >= 0; });
  return int32_t(kept) + int32_t(entry - FBoundsheetModel.size());
}

void TBIFFRecords::JoinContinue(std::vector<uint8_t>& body, TBIFFRecordHost& host, size_t limit) {
  uint16_t id;
  std::vector<uint8_t> part;
  while (host.PeekId() == BIFFID_CONTINUE) {
    if (!host.ReadRecord(id, part)) break;
    const size_t take = std::min(part.size(), limit - std::min(limit, body.size()));
    body.insert(body.end(), part.begin(), part.begin() + ptrdiff_t(take));
  }
}

std::u16string TBIFFRecords::BoundSheetName(TBIFFRecordHost& host, const TBIFFBody& b) {
  Sync(host);
  const uint8_t len = b.U8(6);
  // BIFF8: 8-bit characters are Latin-1 and UTF-16 names of any length are read whole; earlier
  // versions are in the file's code page.
  return FVersion >= TExcelVersion::xvExcel97 ? ReadBIFF8Chars(b, 7, len, FCodec)
                                              : FCodec.Decode8(b.Bytes(7, len));
}

void TBIFFRecords::RecCODEPAGE(const TBIFFBody& b) {
  // BIFF8 text is UTF-16 or Latin-1 whatever the record says.
  if (b.Size() >= 2 && FVersion < TExcelVersion::xvExcel97) FCodec.SetCodePage(b.U16(0));
}

void TBIFFRecords::RecNAME(const TBIFFBody& first, TBIFFRecordHost& host) {
  std::vector<uint8_t> joined(first.Span().begin(), first.Span().end());
  JoinContinue(joined, host, kMaxJoinedRecord);
  const TBIFFBody b(joined);
  b.Need(14);
  const uint16_t flags = b.U16(0);
  const uint8_t len = b.U8(3);
  // The sheet number counts the sheet list's entries, chart sheets and modules included.
  const int32_t sheet = NameScope(b.U16(8));
  TXc12DefinedNames& names = FManager.Workbook().DefinedNames();
  size_t used = 0;
  // BIFF8 texts have a flag byte and may be UTF-16; BIFF5/7 texts are 8-bit in the code page.
  const bool biff8 = FVersion >= TExcelVersion::xvExcel97;
  auto readText = [&](size_t at, int32_t count, size_t* taken) {
    if (biff8) return ReadBIFF8Chars(b, at, count, FCodec, taken);
    const auto bytes = b.Bytes(at, size_t(std::max<int32_t>(count, 0)));
    *taken = bytes.size();
    return FCodec.Decode8(bytes);
  };
  TXc12DefinedName* name;
  if (flags & 0x20) {
    name = names.Add(TXc12BuiltInName::bnPrintArea, sheet);
    const std::u16string code = readText(14, std::max<int32_t>(len, 1), &used);
    const char16_t c = code.empty() ? 0xFFFF : code[0];
    switch (c) {
      case 0x00:
        name->SetBuiltIn(TXc12BuiltInName::bnConsolidateArea);
        break;
      case 0x03:
        name->SetBuiltIn(TXc12BuiltInName::bnExtract);
        break;
      case 0x04:
        name->SetBuiltIn(TXc12BuiltInName::bnDatabase);
        break;
      case 0x05:
        name->SetBuiltIn(TXc12BuiltInName::bnCriteria);
        break;
      case 0x06:
        name->SetBuiltIn(TXc12BuiltInName::bnPrintArea);
        break;
      case 0x07:
        name->SetBuiltIn(TXc12BuiltInName::bnPrintTitles);
        break;
      case 0x0C:
        name->SetBuiltIn(TXc12BuiltInName::bnSheetTitle);
        break;
      case 0x0D:
        name->SetBuiltIn(TXc12BuiltInName::bnFilterDatabase);
        break;
      default:
        name->FUnused97 = uint8_t(c);
        break;  // a kind the model has no member for
    }
  } else {
    const std::u16string text = readText(14, len, &used);
    // BIFF5/7 writers store the autofilter's range as a plain name "_FilterDatabase" (Gnumeric
    // writes it twice, the second hidden); it is the built-in name, as BIFF8's code 0x0D.
    if (!biff8 && kws::AsciiSameText(text, u"_FilterDatabase"))
      name = names.Add(TXc12BuiltInName::bnFilterDatabase, sheet);
    else
      name = names.Add(text, sheet);
  }
  size_t pos = 14 + used;
  name->FHidden = (flags & 0x01) != 0;
  name->FFunction = (flags & 0x02) != 0;
  name->FVbProcedure = (flags & 0x04) != 0;
  name->FFunctionGroupId = (flags & 0x0FC0) >> 6;
  const auto tokens = b.Bytes(pos, b.U16(4));
  name->FPtgs.assign(1, 0xFF);
  name->FPtgs.insert(name->FPtgs.end(), tokens.begin(), tokens.end());
  pos += tokens.size();
  std::u16string* texts[4] = {&name->FCustomMenu, &name->FDescription, &name->FHelp, &name->FStatusBar};
  for (int i = 0; i < 4; ++i) {
    const uint8_t n = b.U8(10 + size_t(i));
    if (!n) continue;
    *texts[i] = readText(pos, n, &used);
    pos += used;
  }
}

void TBIFFRecords::ExternDropped(const char16_t* what) {
  FManager.Errors()->Warning(what, XLSWARN_BIFF_EXTERN_DROPPED);
}

void TBIFFRecords::RecExtern(uint16_t id, const TBIFFBody& first, TBIFFRecordHost& host) {
  const bool name = id == BIFFID_EXTERNNAME || id == BIFFID_EXTERNNAME_3;
  std::vector<uint8_t> body(first.Span().begin(), first.Span().end());
  if (!name) JoinContinue(body, host, kMaxJoinedRecord);
  TFormulaHandler* formulas = host.LegacyFormulas();
  if (!formulas) return;
  if (FVersion >= TExcelVersion::xvExcel97) {
    TExternalNames& tables = formulas->ExternalNames();
    if (id == BIFFID_SUPBOOK)
      tables.SetSUPBOOK(body);
    else if (id == BIFFID_EXTERNSHEET)
      tables.SetEXTERNSHEET(body);
    else if (!tables.SetEXTERNNAME(body))
      ExternDropped(u"EXTERNNAME");
    return;
  }
  // BIFF5/7: a sheet's own references are that sheet's table.
  TExternalNames& tables = formulas->TablesOf(FCurrSheet, true);
  auto decode8 = [this](std::span<const uint8_t> bytes) { return FCodec.Decode8(bytes); };
  if (id == BIFFID_EXTERNSHEET)
    tables.SetEXTERNSHEET5(body, formulas->OnSheetName, decode8);
  else if (name && !tables.SetEXTERNNAME5(body, decode8))
    ExternDropped(u"EXTERNNAME");
}

void TBIFFRecords::RecXCT(const TBIFFBody& b, TBIFFRecordHost& host) {
  uint32_t n = b.U16(0);
  if (n & 0x8000) n = 65536 - n;
  const int32_t sheet = b.U16(2);
  TFormulaHandler* formulas = host.LegacyFormulas();
  bool dropped = false;
  std::vector<uint8_t> body;
  for (uint32_t i = 0; i < n && host.PeekId() == BIFFID_CRN; ++i) {
    uint16_t id;
    if (!host.ReadRecord(id, body)) throw XLSRWException("CRN record missing");
    // A group without its book or sheet is dropped whole; the load goes on.
    if (!formulas || !formulas->TablesOf(FCurrSheet).SetCRN(sheet, body)) dropped = true;
  }
  if (dropped) ExternDropped(u"CRN");
}

void TBIFFRecords::RecWRITEACCESS(const TBIFFBody& b, TBIFFRecordHost& host) {
  std::vector<uint8_t> body(b.Span().begin(), b.Span().end());
  if (FVersion < TExcelVersion::xvExcel97 && !body.empty()) {
    // BIFF5: a count byte and 8-bit characters; brought to the BIFF8 layout.
    body.insert(body.begin() + 1, {0, 0});
  }
  if (body.size() < 112) body.resize(112, 0x20);
  const TBIFFBody w(body);
  FManager.Workbook().FUserName = FVersion < TExcelVersion::xvExcel97 && !b.Span().empty()
                                      ? FCodec.Decode8(b.Bytes(1, b.U8(0)))
                                      : ReadBIFF8Chars(w, 2, w.U16(0), FCodec);
  host.UpdateDefault(BIFFID_WRITEACCESS, body);
}

void TBIFFRecords::RecWINDOW1(const TBIFFBody& b, TBIFFRecordHost& host) {
  if (FCurrSheet != -1 || FVersion < TExcelVersion::xvExcel97) return;
  host.UpdateDefault(BIFFID_WINDOW1, b.Span());
  TXc12BookViews& views = FManager.Workbook().BookViews();
  TXc12BookView* v = views.Count() ? views.Items(0) : views.Add();
  v->FXWindow = b.U16(0);
  v->FYWindow = b.U16(2);
  v->FWindowWidth = b.U16(4);
  v->FWindowHeight = b.U16(6);
  v->FActiveTab = b.U16(10);
  v->FFirstSheet = b.U16(12);
  v->FTabRatio = b.U16(16);
  const uint8_t f = b.U8(8);
  if (f & 0x01) v->FVisibility = TXc12Visibility::x12vHidden;
  v->FMinimized = (f & 0x02) != 0;
  v->FShowHorizontalScroll = (f & 0x08) != 0;
  v->FShowVerticalScroll = (f & 0x10) != 0;
  v->FShowSheetTabs = (f & 0x20) != 0;
  v->FAutoFilterDateGrouping = true;
}

}  // namespace xls::biff
