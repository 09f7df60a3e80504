#include "xls/biff/biffrecords.h"

#include "xls/biff/biff5.h"
#include "xls/formula/xlsformuladecoder97.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsstylesheet.h"
#include "xls/model/xlsworkbookdata.h"
#include "xls/model/xlsworksheetdata.h"

namespace xls::biff {

TBIFFRecords::TBIFFRecords(TXc12Manager& manager) : FManager(manager) {
  SharedFixup = [](std::vector<uint8_t>& ptgs, int32_t col, int32_t row, bool biff8) {
    FixupSharedFormula(biff8, ptgs, col, row);
  };
}
TBIFFRecords::~TBIFFRecords() = default;

void TBIFFRecords::StartExcel4Formats() {
  FExcel4Start = int32_t(FManager.StyleSheet().NumFmts().Count());
  FExcel4Formats.clear();
  for (const char16_t* f : Excel4NumberFormats()) FExcel4Formats.emplace_back(f);
}

void TBIFFRecords::Sync(TBIFFRecordHost& host) {
  FVersion = host.Version();
  FCodec.SetBIFF8(FVersion >= TExcelVersion::xvExcel97);
  FCurrSheet = host.CurrentSheet();
  FSheet = host.CurrentXc12Sheet();
  FHost = &host;
}

bool TBIFFRecords::HandleBIFF4(uint16_t id, std::span<const uint8_t> data, TBIFFRecordHost& host) {
  Sync(host);
  if (!FExcel4Started) {
    FExcel4Started = true;
    StartExcel4Formats();
  }
  const TBIFFBody b(data);
  switch (id) {
    case BIFFID_LABEL:
      RecLABEL_4(b);
      return true;
    case BIFFID_FONT_3:
      RecFONT_4(b);
      return true;
    case BIFFID_FORMAT:
      RecFORMAT_4(b);
      return true;
    case BIFFID_XF_4:
      RecXF_4(b);
      return true;
    case BIFFID_CODEPAGE:
      RecCODEPAGE(b);
      return true;
    case BIFFID_ROW:
      RecROW(b);
      return true;
    case BIFFID_COLINFO:
      RecCOLINFO(b);
      return true;
    case BIFFID_COLWIDTH:
      RecCOLWIDTH(b);
      return true;
    case BIFFID_BLANK_2:
      RecBLANK_2(b);
      return true;
    case BIFFID_BOOLERR_2:
      RecBOOLERR_2(b);
      return true;
    case BIFFID_FORMULA_3:
    case BIFFID_FORMULA_4:
      RecFORMULA_3(b, host);
      return true;
    case BIFFID_INTEGER_2:
    case BIFFID_NUMBER_2:
    case BIFFID_LABEL_2:
    case BIFFID_BLANK:
    case BIFFID_NUMBER:
    case BIFFID_BOOLERR:
    case BIFFID_RK:
    case BIFFID_MULRK:
    case BIFFID_MULBLANK:
    case BIFFID_PALETTE:
      return Handle(id, data, host);
    default:
      return false;
  }
}

bool TBIFFRecords::Handle(uint16_t id, std::span<const uint8_t> data, TBIFFRecordHost& host) {
  Sync(host);
  const TBIFFBody b(data);
  const bool biff5up = FVersion > TExcelVersion::xvExcel40;
  const bool biff8 = FVersion >= TExcelVersion::xvExcel97;
  TXc12DataWorkbook& wb = FManager.Workbook();
  const bool one = b.U16(0) == 1;
  // Settings records: their slot from BIFF5 on, the model field in every version.
  auto slot = [&](bool always = false) {
    if (always || biff5up) host.UpdateDefault(id, data);
  };
  switch (id) {
    // ---- cells
    case BIFFID_ROW:
      if (!biff5up) return false;
      RecROW(b);
      return true;
    case BIFFID_BLANK:
      RecBLANK(b);
      return true;
    case BIFFID_NUMBER:
      RecNUMBER(b);
      return true;
    case BIFFID_RK:
    case BIFFID_RK_2:
      RecRK(b);
      return true;
    case BIFFID_MULRK:
      RecMULRK(b);
      return true;
    case BIFFID_MULBLANK:
      RecMULBLANK(b);
      return true;
    case BIFFID_LABEL:
      RecLABEL(b);
      return true;
    case BIFFID_LABELSST:
      RecLABELSST(b);
      return true;
    case BIFFID_BOOLERR:
      RecBOOLERR(b);
      return true;
    case BIFFID_INTEGER_2:
      RecINTEGER_2(b);
      return true;
    case BIFFID_NUMBER_2:
      RecNUMBER_2(b);
      return true;
    case BIFFID_LABEL_2:
      RecLABEL_2(b);
      return true;
    // Bare BIFF2-4 files (SheetJS writes BIFF2 BLANK and BOOLERR into all three).
    case BIFFID_BLANK_2:
      if (biff5up) return false;
      RecBLANK_2(b);
      return true;
    case BIFFID_BOOLERR_2:
      if (biff5up) return false;
      RecBOOLERR_2(b);
      return true;
    case BIFFID_FORMULA_3:
    case BIFFID_FORMULA_4:
      if (biff5up) return false;
      RecFORMULA_3(b, host);
      return true;
    case BIFFID_FORMULA:
      if (FVersion <= TExcelVersion::xvExcel21)
        RecFORMULA_2(b, host);
      else
        RecFORMULA(b, host);
      return true;
    case BIFFID_SST:
      RecSST(b, host);
      return true;
    // ---- styles
    case BIFFID_FONT:
      if (biff5up)
        RecFONT(b);
      else
        RecFONT_2(b);
      return true;
    case BIFFID_FONT_3:
      if (biff5up)
        RecFONT(b);
      else
        RecFONT_4(b);
      return true;
    case BIFFID_FORMAT:
      RecFORMAT(b);
      return true;
    case BIFFID_XF:
      if (!biff5up) return false;
      RecXF(b);
      return true;
    case BIFFID_XF_3:
    case BIFFID_XF_4:
      RecXF_4(b);
      return true;
    case BIFFID_PALETTE:
      RecPALETTE(b);
      return true;
    case BIFFID_STYLE:
      RecSTYLE(b, host);
      return true;
    // ---- globals
    case BIFFID_CODEPAGE:
      RecCODEPAGE(b);
      slot();
      return true;
    case BIFFID_NAME:
    case BIFFID_NAME_3:
      if (biff5up) RecNAME(b, host);
      return true;
    case BIFFID_SUPBOOK:
    case BIFFID_EXTERNSHEET:
    case BIFFID_EXTERNNAME:
    case BIFFID_EXTERNNAME_3:
      if (!biff5up) return false;
      RecExtern(id, b, host);
      return true;
    case BIFFID_XCT:
      RecXCT(b, host);
      return true;
    case BIFFID_WRITEACCESS:
      RecWRITEACCESS(b, host);
      return true;
    case BIFFID_WINDOW1:
      RecWINDOW1(b, host);
      return true;
    case BIFFID_FILESHARING:
      host.KeepFileSharing(data);
      return true;
    case BIFFID_DATEMODE:
      slot();
      wb.WorkbookPr().FDate1904 = one;
      return true;
    case BIFFID_CALCCOUNT:
      slot();
      wb.CalcPr().FIterateCount = b.U16(0);
      return true;
    case BIFFID_CALCMODE:
      slot();
      switch (b.U16(0)) {
        case 0xFFFF:
          wb.CalcPr().FCalcMode = TXc12CalcMode::cmAutoExTables;
          break;
        case 0:
          wb.CalcPr().FCalcMode = TXc12CalcMode::cmManual;
          break;
        case 1:
          wb.CalcPr().FCalcMode = TXc12CalcMode::cmAutomatic;
          break;
        default:
          break;
      }
      return true;
    case BIFFID_PRECISION:
      slot();
      wb.CalcPr().FFullPrecision = one;
      return true;
    case BIFFID_REFMODE:
      slot();
      wb.CalcPr().FRefMode = b.U16(0) == 0 ? TXc12RefMode::x12rmR1C1 : TXc12RefMode::x12rmA1;
      return true;
    case BIFFID_DELTA:
      slot();
      wb.CalcPr().FIterateDelta = b.F64(0);
      return true;
    case BIFFID_ITERATION:
      slot();
      wb.CalcPr().FIterate = one;
      return true;
    case BIFFID_SAVERECALC:
      slot();
      wb.CalcPr().FCalcOnSave = one;
      return true;
    case BIFFID_BACKUP:
      slot();
      wb.WorkbookPr().FBackupFile = one;
      return true;
    case BIFFID_WINDOWPROTECT:
      slot();
      wb.WorkbookProtection().FLockWindows = one;
      return true;
    case BIFFID_REFRESHALL:
      slot(true);
      wb.WorkbookPr().FRefreshAllConnections = one;
      return true;
    case BIFFID_BOOKBOOL: {
      slot(true);
      wb.WorkbookPr().FSaveExternalLinkValues = (b.U16(0) & 1) != 0;
      const uint32_t u = (b.U16(0) >> 5) & 3;
      if (u <= 2) wb.WorkbookPr().FUpdateLinks = static_cast<TXc12UpdateLinks>(u);
      return true;
    }
    case BIFFID_PASSWORD:
      if (FCurrSheet < 0) {
        slot(true);
        wb.WorkbookProtection().FWorkbookPassword = b.U16(0);
      } else {
        host.StoreRecord(id, data);
        if (FSheet) FSheet->SheetProtection().FPassword = b.U16(0);
      }
      return true;
    case BIFFID_PROTECT:
      slot(true);
      // A sheet's PROTECT says whether the sheet is protected.
      if (FCurrSheet >= 0 && FSheet) FSheet->SheetProtection().FSheet = one;
      return true;
    case BIFFID_PROT4REV:
    case BIFFID_DSF:
    case BIFFID_FNGROUPCOUNT:
    case BIFFID_RECALCID:
      slot(true);
      return true;
    case BIFFID_HIDEOBJ:
      slot();
      return true;
    case BIFFID_COUNTRY:
      if (biff8) host.UpdateDefault(id, data);
      return true;
    default:
      return HandleSheet(id, data, host);
  }
}

}  // namespace xls::biff

namespace xls::biff {

uint16_t TBIFFReaderHost::PeekId() { return FReader.Stream().PeekHeader(); }

bool TBIFFReaderHost::ReadRecord(uint16_t& id, std::vector<uint8_t>& body) {
  TBIFFHeader h;
  if (FReader.Stream().ReadHeader(h) != 4) return false;
  body.resize(h.Length);
  body.resize(FReader.Stream().Read(body.data(), h.Length));
  id = h.RecID;
  return true;
}

bool TBIFFReaderHost::ReadRecordView(uint16_t& id, std::span<const uint8_t>& body,
                                     std::vector<uint8_t>& scratch) {
  TBIFFHeader h;
  if (FReader.Stream().ReadHeader(h) != 4) return false;
  id = h.RecID;
  scratch.clear();
  if (const auto lent = FReader.Stream().ReadInPlace(h.Length)) {
    body = *lent;
    return true;
  }
  scratch.resize(h.Length);
  scratch.resize(FReader.Stream().Read(scratch.data(), h.Length));
  body = scratch;
  return true;
}

void TBIFFReaderHost::StoreRecord(uint16_t id, std::span<const uint8_t> body) {
  if (!FReader.CurrRecs) return;
  body = body.first(std::min<size_t>(body.size(), 0xFFFF));
  FReader.CurrRecs->AddRec(TBIFFHeader{id, uint16_t(body.size())}, body);
}

void TBIFFReaderHost::UpdateDefault(uint16_t id, std::span<const uint8_t> body) {
  if (!FReader.CurrRecs) return;
  body = body.first(std::min<size_t>(body.size(), 0xFFFF));
  FReader.CurrRecs->UpdateDefault(TBIFFHeader{id, uint16_t(body.size())}, body);
}

void TBIFFReaderHost::KeepStyle(std::span<const uint8_t> copy) {
  FReader.XLS().Styles().AddRec(TBIFFHeader{BIFFID_STYLE, uint16_t(copy.size())}, copy);
}

void TBIFFReaderHost::KeepFileSharing(std::span<const uint8_t> body) { FReader.XLS().SetFILESHARING(body); }

TExcelVersion TBIFFReaderHost::Version() const { return FReader.Version(); }
int32_t TBIFFReaderHost::CurrentSheet() const { return FReader.FCurrSheet; }
TXc12DataWorksheet* TBIFFReaderHost::CurrentXc12Sheet() const { return FReader.FCurrXc12Sheet; }
TSharedFormulas& TBIFFReaderHost::SharedFormulas() { return FReader.FSharedFormulas; }
std::vector<uint8_t>& TBIFFReaderHost::LastARRAY() { return FReader.FLastARRAY; }
void TBIFFReaderHost::Warning(std::u16string_view text, int32_t number) { FReader.Warning(text, number); }
TFormulaHandler* TBIFFReaderHost::LegacyFormulas() { return &FReader.XLS().FormulaHandler(); }
void TBIFFReaderHost::UpdateInternal(uint16_t id) {
  if (FReader.CurrRecs) FReader.CurrRecs->UpdateInternal(id);
}
TSheet* TBIFFReaderHost::LegacySheet() { return FReader.CurrSheet(); }
bool TBIFFReaderHost::SkipDrawing() const { return FReader.FSkipMSO; }

void AddRecordHandlers(TBIFFRecordHandlers& handlers, std::shared_ptr<TBIFFRecords> records) {
  static constexpr uint16_t kIds[] = {
      BIFFID_ROW,        BIFFID_BLANK,        BIFFID_NUMBER,       BIFFID_RK,
      BIFFID_RK_2,       BIFFID_MULRK,        BIFFID_MULBLANK,     BIFFID_LABEL,
      BIFFID_LABELSST,   BIFFID_BOOLERR,      BIFFID_INTEGER_2,    BIFFID_NUMBER_2,
      BIFFID_LABEL_2,    BIFFID_FORMULA,      BIFFID_SST,          BIFFID_FONT,
      BIFFID_FONT_3,     BIFFID_FORMAT,       BIFFID_XF,           BIFFID_XF_3,
      BIFFID_XF_4,       BIFFID_PALETTE,      BIFFID_STYLE,        BIFFID_CODEPAGE,
      BIFFID_NAME,       BIFFID_NAME_3,       BIFFID_SUPBOOK,      BIFFID_EXTERNSHEET,
      BIFFID_EXTERNNAME, BIFFID_EXTERNNAME_3, BIFFID_XCT,          BIFFID_WRITEACCESS,
      BIFFID_WINDOW1,    BIFFID_FILESHARING,  BIFFID_DATEMODE,     BIFFID_CALCCOUNT,
      BIFFID_CALCMODE,   BIFFID_PRECISION,    BIFFID_REFMODE,      BIFFID_DELTA,
      BIFFID_ITERATION,  BIFFID_SAVERECALC,   BIFFID_BACKUP,       BIFFID_WINDOWPROTECT,
      BIFFID_REFRESHALL, BIFFID_BOOKBOOL,     BIFFID_PASSWORD,     BIFFID_PROTECT,
      BIFFID_PROT4REV,   BIFFID_DSF,          BIFFID_FNGROUPCOUNT, BIFFID_RECALCID,
      BIFFID_HIDEOBJ,    BIFFID_COUNTRY,      BIFFID_BLANK_2,      BIFFID_BOOLERR_2,
      BIFFID_FORMULA_3,  BIFFID_FORMULA_4,
      // sheet records
      BIFFID_DIMENSIONS, BIFFID_DIMENSIONS_2, BIFFID_COLINFO, BIFFID_DEFCOLWIDTH, BIFFID_DEFAULTROWHEIGHT,
      BIFFID_WINDOW2, BIFFID_PANE, BIFFID_SELECTION, BIFFID_MERGEDCELLS, BIFFID_HLINK,
      BIFFID_HORIZONTALPAGEBREAKS, BIFFID_VERTICALPAGEBREAKS, BIFFID_HEADER, BIFFID_FOOTER,
      BIFFID_LEFTMARGIN, BIFFID_RIGHTMARGIN, BIFFID_TOPMARGIN, BIFFID_BOTTOMMARGIN, BIFFID_SETUP,
      BIFFID_PRINTHEADERS, BIFFID_PRINTGRIDLINES, BIFFID_GRIDSET, BIFFID_HCENTER, BIFFID_VCENTER,
      BIFFID_GUTS, BIFFID_WSBOOL, BIFFID_SHEETEXT, BIFFID_FEATHDR, BIFFID_CONDFMT, BIFFID_DVAL_, BIFFID_DV_,
      BIFFID_FILTERMODE, BIFFID_AUTOFILTERINFO};
  // BOUNDSHEET: the frame keeps the sheet list; the name is decoded in the file's code page.
  handlers.Set(
      BIFFID_BOUNDSHEET,
      [records](TXLSReadII& reader) {
        const size_t before = reader.FBoundsheets.size();
        reader.RecBOUNDSHEET();
        if (reader.FBoundsheets.size() != before + 1) return;
        TBIFFReaderHost host(reader);
        TBoundsheetEntry& e = reader.FBoundsheets.back();
        e.Name = records->BoundSheetName(host, TBIFFBody(reader.Body().Span()));
        reader.XLS().FormulaHandler().FSheetNames.push_back(e.Name);
        TXc12DataWorksheets& sheets = reader.Manager().Worksheets();
        if (e.IsWorksheet && sheets.Count() > 0) sheets.Items(sheets.Count() - 1)->FName = e.Name;
        records->AddBoundsheet(e.IsWorksheet && sheets.Count() > 0 ? int32_t(sheets.Count()) - 1 : -1);
      },
      false, TBIFFRecordKind::Frame);
  for (const uint16_t id : {BIFFID_LABEL, BIFFID_FONT_3, BIFFID_FORMAT, BIFFID_XF_4, BIFFID_CODEPAGE,
                            BIFFID_INTEGER_2, BIFFID_NUMBER_2, BIFFID_LABEL_2, BIFFID_BLANK, BIFFID_NUMBER,
                            BIFFID_BOOLERR, BIFFID_RK, BIFFID_MULRK, BIFFID_MULBLANK, BIFFID_PALETTE,
                            BIFFID_ROW, BIFFID_COLINFO, BIFFID_COLWIDTH, BIFFID_BLANK_2, BIFFID_BOOLERR_2,
                            BIFFID_FORMULA_3, BIFFID_FORMULA_4}) {
    handlers.SetBIFF4(id, [records, id](TXLSReadII& reader) {
      TBIFFReaderHost host(reader);
      records->HandleBIFF4(id, reader.Body().Span(), host);
    });
  }
  // Stored raw as before; only its range is taken.
  for (const uint16_t id : {BIFFID_SHRFMLA, BIFFID_SHRFMLA_5}) {
    handlers.Set(id, [records](TXLSReadII& reader) {
      TBIFFReaderHost host(reader);
      records->RecSHRFMLA(TBIFFBody(reader.Body().Span()), host);
    });
  }
  for (const uint16_t id : kIds) {
    handlers.Set(id, [records, id](TXLSReadII& reader) {
      TBIFFReaderHost host(reader);
      if (records->Handle(id, reader.Body().Span(), host)) reader.InsertRecord = false;
    });
  }
}

}  // namespace xls::biff
