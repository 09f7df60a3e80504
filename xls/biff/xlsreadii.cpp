#include "xls/biff/xlsreadii.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>

#include "platform/textcodec.h"
#include "xls/biff/chartobjects.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsworksheetdata.h"

namespace xls::biff {

namespace {

constexpr uint16_t BOF_GLOBALS = 0x0005, BOF_VBMODULE = 0x0006, BOF_WORKSHEET = 0x0010, BOF_CHART = 0x0020,
                   BOF_MACROSHEET = 0x0040, BOF_WORKSPACE = 0x0100;
// The password office programs use for workbooks encrypted without a user password (error 1003
// names it too).
constexpr char16_t DefaultPassword[] = u"VelvetSweatshop";

// Records that the loop consumes without reading further (no model data, no raw copy).
constexpr uint16_t DroppedIds[] = {0x00D7, 0x00FF, 0x01A9, 0x0863, 0x087C, 0x087D, 0x088C,
                                   0x088E, 0x0892, 0x0896, 0x089A, 0x089B, 0x08A3};

// A sheet name of the sheet list: a flag byte and `n` characters (UTF-16 for flag 1, else 8-bit
// in Latin-1), cut to what the body holds.
std::u16string FlaggedName(const TRecordView& b, size_t off, size_t n) {
  std::u16string s;
  if (b.U8(off) == 1) {
    n = b.Bound(n, off + 1, 2);
    for (size_t i = 0; i < n; ++i) s.push_back(char16_t(b.U16(off + 1 + 2 * i)));
  } else {
    n = b.Bound(n, off + 1, 1);
    for (size_t i = 0; i < n; ++i) s.push_back(char16_t(b.U8(off + 1 + i)));
  }
  return s;
}

std::u16string PlainName(const TRecordView& b, size_t off, size_t n) {
  std::u16string s;
  n = b.Bound(n, off, 1);
  for (size_t i = 0; i < n; ++i) s.push_back(char16_t(b.U8(off + i)));
  return s;
}

TXc12Visibility VisibilityOf(int32_t v, TXc12Visibility dflt) {
  switch (v) {
    case 0:
      return TXc12Visibility::x12vVisible;
    case 1:
      return TXc12Visibility::x12vHidden;
    case 2:
      return TXc12Visibility::x12vVeryHidden;
    default:
      return dflt;
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
void AddFrameRecordHandlers(TBIFFRecordHandlers& h) {
  constexpr TBIFFRecordKind frame = TBIFFRecordKind::Frame;
  h.Set(
      BIFFID_BOUNDSHEET, [](TXLSReadII& r) { r.RecBOUNDSHEET(); }, false, frame);
  h.Set(
      BIFFID_FILEPASS, [](TXLSReadII& r) { r.RecFILEPASS(); }, false, frame);
  h.Set(
      BIFFID_INDEX, [](TXLSReadII& r) { r.RecINDEX(); }, false, frame);
  h.Set(
      BIFFID_MSODRAWINGGROUP, [](TXLSReadII& r) { r.RecMSODRAWINGGROUP(); }, true);
  h.Set(
      BIFFID_MSODRAWING, [](TXLSReadII& r) { r.RecMSODRAWING(); }, true);
  h.Set(BIFFID_NOTE, [](TXLSReadII& r) { r.RecNOTE(); });
  // Validations are read with the drawing layer; when drawings are skipped they are dropped.
  for (uint16_t id : {BIFFID_DVAL, BIFFID_DV})
    h.Set(id, [](TXLSReadII& r) {
      if (r.FSkipMSO) r.InsertRecord = false;
    });
  for (uint16_t id : DroppedIds) h.Set(id, [](TXLSReadII& r) { r.InsertRecord = false; });
}

TBIFFRecordHandlers& DefaultBIFFRecordHandlers() {
  static TBIFFRecordHandlers handlers = [] {
    TBIFFRecordHandlers t;
    AddFrameRecordHandlers(t);
    return t;
  }();
  return handlers;
}

// ---------------------------------------------------------------------------------------------
TXLSReadII::TXLSReadII(TBIFF5& xls) : FXLS(&xls), FManager(&xls.Manager()) {
  FXLSStream.SaveVBA = xls.FPreserveMacros;
}

TXLSReadII::~TXLSReadII() = default;

TExcelVersion TXLSReadII::Version() const { return FXLS->Version(); }

TSheet* TXLSReadII::CurrSheet() const {
  if (FCurrSheet < 0 || size_t(FCurrSheet) >= FXLS->Sheets().Count()) return nullptr;
  return FXLS->Sheets().GetSheet(size_t(FCurrSheet));
}

void TXLSReadII::SetBodyLength(uint16_t length) {
  FBodyLent = false;
  if (PBuf.size() < length) PBuf.resize(length, 0);
  FBodyLength = length;
  FDirtyLength = std::max<size_t>(FDirtyLength, length);
  Header.Length = length;
}

// The body of `n` bytes now in the buffer: everything behind it up to what earlier records
// may have left is zeroed, so a short body never shows stale bytes.
static void ClearTail(std::vector<uint8_t>& buf, size_t n, size_t& dirty) {
  if (dirty > n) std::memset(buf.data() + n, 0, std::min(dirty, buf.size()) - n);
  dirty = n;
}

std::vector<uint8_t>& TXLSReadII::Buffer() {
  if (FBodyLent) {
    if (PBuf.size() < FLentBody.size()) PBuf.resize(FLentBody.size(), 0);
    if (!FLentBody.empty()) std::memcpy(PBuf.data(), FLentBody.data(), FLentBody.size());
    ClearTail(PBuf, FLentBody.size(), FDirtyLength);
    FBodyLength = FLentBody.size();
    FBodyLent = false;
  }
  return PBuf;
}

size_t TXLSReadII::ReadBody() {
  FBodyLent = false;
  if (PBuf.size() < Header.Length) PBuf.resize(Header.Length, 0);
  const size_t n = FXLSStream.ReadRecordBody(Header.RecID, PBuf.data(), Header.Length);
  ClearTail(PBuf, n, FDirtyLength);
  FBodyLength = n;
  return n;
}

void TXLSReadII::LoadFromStream(std::optional<std::span<const uint8_t>> data) {
  FCurrSheet = -1;
  FBoundsheets.clear();
  FBoundsheetIndex = -1;
  FDone = false;
  FXLS->FWriteDefaultData = false;
  FXLSStream.SetExtraObjects(&FXLS->ExtraObjects());
  FXLSStream.SetVBA(FXLS->VBA());
  if (data)
    FXLSStream.SetSourceStream(*data);
  else
    FXLSStream.ClearSourceStream();

  struct Closer {
    TXLSReadII& r;
    ~Closer() {
      r.FXLSStream.CloseStorage();
      r.PBuf.clear();
      r.PBuf.shrink_to_fit();
    }
  } closer{*this};

  FXLS->SetVersion(FXLSStream.OpenStorageRead(FXLS->Filename()));
  if (FXLS->Version() == TExcelVersion::xvOffice2007Encrypted)
    throw XLSRWException("The file is not an Excel workbook");
  PBuf.assign(FXLS->MaxBuffSize(), 0);
  FBodyLength = FDirtyLength = 0;
  CurrRecs = &FXLS->Records();
  FLastProgress = 0;
  FWarningCap.Reset();
  if (FXLS->FProgressEvent) FXLS->FProgressEvent(*this, 0);

  TBIFFHeader first;
  if (FXLSStream.ReadHeader(first) == 4 && first.RecID == BIFFID_BOF_4) {
    ReadBIFF4Worksheet();
    return;
  }
  FXLSStream.Seek(0, 0);
  RecordLoop();
}

void TXLSReadII::RecordLoop() {
  const TBIFFRecordHandlers& handlers = FXLS->Handlers();
  const int64_t size = FXLSStream.Size();
  bool skipMode = false;
  FRecordNumber = 0;
  while (!FDone && FXLSStream.ReadHeader(Header) == 4) {
    if (FXLS->Aborted()) return;
    const int64_t start = FXLSStream.Pos() - 4;
    bool content = false;  // an engine error now comes from a content record's handler
    try {
      const TBIFFRecordHandler* handler = handlers.Find(Header.RecID);
      const bool isBOF = IsBOFId(Header.RecID);
      const bool deferred = isBOF || (handler && handler->ReadsBody);
      if (Header.Length > FXLS->MaxBuffSize()) {
        if (Header.Length > PBuf.size()) PBuf.resize(Header.Length, 0);
      } else if (Header.RecID & 0x8000) {
        throw XLSRWException("Bad record in file");
      }
      if (deferred) {
        FBodyLent = false;
        ClearTail(PBuf, 0, FDirtyLength);
        FBodyLength = 0;
      } else if (const auto lent = FXLSStream.ReadInPlace(Header.Length)) {
        FLentBody = *lent;
        FBodyLent = true;
      } else {
        ReadBody();
      }

      if (FXLS->FProgressEvent && size > 0) {
        const auto p = int32_t(std::lround(100.0 * double(FXLSStream.Pos()) / double(size)));
        if (p > FLastProgress) {
          FLastProgress = p;
          FXLS->FProgressEvent(*this, p);
        }
      }

      if (skipMode) {
        // Records of a custom view are ignored, bodies included, up to USERSVIEWEND.
        if (deferred) FXLSStream.Seek(FXLSStream.RecordRemaining(), 1);
        if (Header.RecID == BIFFID_USERSVIEWEND) skipMode = false;
        continue;
      }

      InsertRecord = true;
      if (isBOF)
        RecBOF();
      else if (Header.RecID == BIFFID_EOF)
        RecEOF();
      else if (Header.RecID == BIFFID_USERSVIEWBEGIN) {
        skipMode = true;
        InsertRecord = false;
      } else if (handler) {
        content = handler->Kind == TBIFFRecordKind::Content;
        handler->Handle(*this);
        content = false;
      }

      if (InsertRecord) StoreCurrent();
    } catch (const XLSRWException& e) {
      if (!content) WrapError(e);
      SkipDamaged(e, start);
    }
    PassOverRest();
    ++FRecordNumber;
  }
  if (FXLS->Aborted()) return;
  // The closing 100, unless the last record already reported it: each percentage once.
  if (FXLS->FProgressEvent && FLastProgress < 100) {
    FLastProgress = 100;
    FXLS->FProgressEvent(*this, 100);
  }
}

void TXLSReadII::WrapError(const std::exception& e) {
  char head[80];
  std::snprintf(head, sizeof head, "Error on reading record # %d, %.4X Offs: %.8X\r", FRecordNumber,
                unsigned(Header.RecID), unsigned(FXLSStream.Pos()));
  std::u16string msg = kws::Utf8ToUtf16(head);
  if (const auto* x = dynamic_cast<const XLSRWException*>(&e))
    msg += x->Message();
  else
    msg += kws::Utf8ToUtf16(e.what());
  throw XLSRWException(std::u16string_view(msg));
}

// Whatever a handler left of the record it ended in is passed over, so that the next header is
// read where it really starts.
void TXLSReadII::PassOverRest() {
  if (FXLSStream.RecordRemaining() > 0 && !FXLSStream.ReadCONTINUEActive())
    FXLSStream.Seek(FXLSStream.RecordRemaining(), 1);
}

void TXLSReadII::Warning(std::u16string_view text, int32_t number) {
  if (FWarningCap.Take()) FManager->Errors()->Warning(text, number);
}

void TXLSReadII::SkipDamaged(const XLSRWException& e, int64_t start) {
  if (!FWarningCap.Take()) return;  // the text is not even made beyond the cap
  char head[48];
  std::snprintf(head, sizeof head, "# %d, %.4X Offs: %.8X: ", FRecordNumber, unsigned(Header.RecID),
                unsigned(start));
  FManager->Errors()->Warning(kws::Utf8ToUtf16(head) + e.Message(), XLSWARN_BIFF_RECORD_SKIPPED);
}

void TXLSReadII::StoreCurrent() { StoreRecord(Header, Body().Span()); }

void TXLSReadII::StoreRecord(const TBIFFHeader& header, std::span<const uint8_t> body) {
  if (CurrRecs) CurrRecs->AddRec(header, body);
}

// Reads the next record whole (BOF bodies are never encrypted).
void TXLSReadII::ReadNextRaw(TBIFFHeader& header, std::vector<uint8_t>& body) {
  body.clear();
  if (FXLSStream.ReadHeader(header) < 4) {
    header = {};
    return;
  }
  body.resize(header.Length);
  body.resize(FXLSStream.ReadRecordBody(header.RecID, body.data(), header.Length));
}

// ---------------------------------------------------------------------------------------------
void TXLSReadII::RecBOF() {
  InsertRecord = false;
  FSharedFormulas.clear();
  const size_t n = FXLSStream.ReadUnencryptedSync(PBuf.data(), Header.Length);
  ClearTail(PBuf, n, FDirtyLength);
  FBodyLength = n;
  const TRecordView b = Body();
  switch (b.U16(2)) {
    case BOF_GLOBALS:
      if (Header.Length > 256) throw XLSRWException("Invalid BOF size");
      if (n >= 6) {
        PBuf[4] = uint8_t(6319 & 0xFF);
        PBuf[5] = uint8_t(6319 >> 8);
      }
      CurrRecs = &FXLS->Records();
      CurrRecs->UpdateDefault(Header, Body().Span());
      break;
    case BOF_VBMODULE:
      // A module holds no cells: its substream is stepped over whole.
      ++FBoundsheetIndex;
      ReadSubstreamRaw(nullptr);
      break;
    case BOF_WORKSHEET:
    case BOF_MACROSHEET: {
      // A macro sheet stores its cells as a worksheet does (its sheet-list entry made a worksheet),
      // so its text is read and searched like any other sheet's.
      ++FBoundsheetIndex;
      ++FCurrSheet;
      if (size_t(FCurrSheet) >= MAX_LEGACY_SHEETS) throw XLSRWException("Too many sheets in the file");
      TXc12DataWorksheets& sheets = FManager->Worksheets();
      const bool early = Version() <= TExcelVersion::xvExcel40;
      const TBoundsheetEntry* entry =
          size_t(FBoundsheetIndex) < FBoundsheets.size() ? &FBoundsheets[size_t(FBoundsheetIndex)] : nullptr;
      if (Version() < TExcelVersion::xvExcel40) {
        FXLS->Sheets().Add(TWorksheetType::wtSheet);
        FCurrXc12Sheet = sheets.Add(int32_t(sheets.Count()) + 1);
      } else {
        if (!early && !entry) throw XLSRWException("Worksheet substream without an entry in the sheet list");
        AddMissingWorksheet();
        FCurrXc12Sheet = sheets.Items(size_t(FCurrSheet));
      }
      TSheet* sheet = CurrSheet();
      if (!sheet) {  // bare BIFF2/3 files add their sheets above; this only guards the index
        AddMissingWorksheet();
        sheet = CurrSheet();
      }
      sheet->FHasDefaultRecords = true;
      if (early) {
        sheet->SetName(u"Sheet1");
        FCurrXc12Sheet->FName = u"Sheet1";
      } else {
        sheet->FSheetIndex = FBoundsheetIndex;
        sheet->SetName(entry->Name);
        sheet->FHidden = entry->Visibility == 1   ? THiddenState::hsHidden
                         : entry->Visibility == 2 ? THiddenState::hsVeryHidden
                                                  : THiddenState::hsVisible;
        CurrRecs = &sheet->Records();
        CurrRecs->UpdateDefault(Header, Body().Span());
        FCurrXc12Sheet->FName = entry->Name;
        FCurrXc12Sheet->FState = VisibilityOf(entry->Visibility, TXc12Visibility::x12vVisible);
      }
      // BIFF2-5 BOFs are shorter than 16 bytes: the view reads 0 where the field is absent.
      FBIFFVer = b.U32(12);
      break;
    }
    case BOF_CHART:
      ++FBoundsheetIndex;
      ReadChartSheet();
      break;
    case BOF_WORKSPACE:
      throw XLSRWException("BIFF4 Workbook unhandled");
    default:
      break;
  }
}

// A worksheet substream whose sheet-list entry made no worksheet (an entry typed as a chart or
// module sheet, or none in an early file) gets its legacy sheet and model worksheet here, so
// that sheet k always exists for the k-th worksheet substream.
void TXLSReadII::AddMissingWorksheet() {
  TXc12DataWorksheets& sheets = FManager->Worksheets();
  while (FXLS->Sheets().Count() <= size_t(FCurrSheet)) FXLS->Sheets().Add(TWorksheetType::wtSheet);
  while (sheets.Count() <= size_t(FCurrSheet)) {
    TXc12DataWorksheet* ws = sheets.Add(int32_t(sheets.Count()) + 1);
    if (size_t(FBoundsheetIndex) < FBoundsheets.size())
      ws->FName = FBoundsheets[size_t(FBoundsheetIndex)].Name;
  }
}

// A chart sheet becomes a record tree; one the tree reader cannot take stays raw up to its EOF
// with warning 2003, and the load goes on.
void TXLSReadII::ReadChartSheet() {
  const int64_t start = FXLSStream.Pos() - Header.Length - 4;
  const std::u16string name =
      size_t(FBoundsheetIndex) < FBoundsheets.size() ? FBoundsheets[size_t(FBoundsheetIndex)].Name : u"Chart";
  const std::string failure = FXLS->SheetCharts().LoadFromStream(FXLSStream, name, PBuf, &FXLS->Fonts(), FBoundsheetIndex);
  if (!failure.empty()) SkipDamaged(XLSRWException("Chart kept raw: " + failure), start);
  if (FBoundsheetIndex >= int32_t(FBoundsheets.size()) - 1) FDone = true;
}

// Reads the records after a substream's BOF up to its own EOF (nested substreams included),
// keeping them in `keep` when given.
void TXLSReadII::ReadSubstreamRaw(TBaseRecordStorage* keep) {
  int depth = 1;
  TBIFFHeader h;
  std::vector<uint8_t> body;
  while (depth > 0) {
    ReadNextRaw(h, body);
    if (h.RecID == 0 && h.Length == 0 && FXLSStream.Pos() >= FXLSStream.Size()) break;
    if (keep) keep->AddRec(h, body);
    if (IsBOFId(h.RecID))
      ++depth;
    else if (h.RecID == BIFFID_EOF)
      --depth;
  }
  if (FBoundsheetIndex >= int32_t(FBoundsheets.size()) - 1) FDone = true;
}

void TXLSReadII::RecEOF() {
  InsertRecord = false;
  if (CurrRecs) CurrRecs->UpdateDefault(Header, Body().Span());
  FSharedFormulas.clear();
  if (FBoundsheets.empty() || FBoundsheetIndex >= int32_t(FBoundsheets.size()) - 1) FDone = true;
}

void TXLSReadII::RecINDEX() {
  InsertRecord = false;
  if (Version() <= TExcelVersion::xvExcel40)
    if (TSheet* s = CurrSheet()) CurrRecs = &s->Records();
}

void TXLSReadII::RecBOUNDSHEET() {
  InsertRecord = false;
  CurrRecs->UpdateInternal(INTERNAL_BOUNDSHEETS);
  const TRecordView b = Body();
  const int32_t visibility = b.U8(4) & 3;
  const uint8_t type = b.U8(5);
  const size_t len = b.U8(6);
  if (FBoundsheets.size() >= MAX_LEGACY_SHEETS) throw XLSRWException("Too many sheets in the file");
  TBoundsheetEntry e;
  e.Name = Version() > TExcelVersion::xvExcel50 ? FlaggedName(b, 7, len) : PlainName(b, 7, len);
  e.Visibility = visibility;
  e.IsWorksheet = (type & 2) == 0;
  FBoundsheets.push_back(e);
  if (!e.IsWorksheet) return;
  FXLS->Sheets().Add(TWorksheetType::wtSheet);
  TXc12DataWorksheets& sheets = FManager->Worksheets();
  TXc12DataWorksheet* ws = sheets.Add(int32_t(sheets.Count()) + 1);
  ws->FName = e.Name;
  ws->FState = VisibilityOf(visibility, ws->FState);
}

void TXLSReadII::RecFILEPASS() {
  InsertRecord = false;
  const TRecordView b = Body();
  TXLSErrorManager& errors = *FManager->Errors();
  // Encryption type u16 (1 = RC4), then for RC4 the version major u16 and minor u16 (1.1 is the
  // RC4 scheme of Office binary documents; 2.x to 4.x are CryptoAPI), salt (16), encrypted
  // verifier (16) and its encrypted hash (16). Only RC4 of version 1.1 with its whole header is
  // decrypted here; XOR obfuscation, CryptoAPI RC4 and a body too short for its fields are an
  // unknown type of encryption.
  if (b.Size() < 54 || b.U16(0) != 1 || b.U16(2) != 1 || b.U16(4) != 1) {
    errors.Error(u"", XLSERR_UNKNOWN_ENCRYPTION);
    return;
  }
  if (FManager->FPasswordEvent || !FManager->FPassword.empty()) {
    std::u16string password = FManager->FPassword;
    if (FManager->FPasswordEvent) FManager->FPasswordEvent(password);
    if (FManager->FAborted) return;
    if (password.empty())
      errors.Error(u"", XLSERR_PASSWORD_MISSING);
    else if (!FXLSStream.SetReadDecrypt(b.Span(), password))
      errors.Error(u"", XLSERR_PASSWORD_WRONG);
  } else if (FXLSStream.SetReadDecrypt(b.Span(), DefaultPassword)) {
    FXLS->FPassword = DefaultPassword;
  } else {
    errors.Error(u"", XLSERR_PASSWORD_MISSING);
  }
}

// Drawings are read in BIFF8 files unless they are skipped. A damaged drawing group keeps the
// pictures read before the fault; a damaged sheet drawing is kept raw from its first MSODRAWING
// on, its records passed whole; both give warning 2003 and the load goes on.
bool TXLSReadII::ReadsDrawings() const { return !FSkipMSO && Version() == TExcelVersion::xvExcel97; }

void TXLSReadII::RecMSODRAWINGGROUP() {
  InsertRecord = false;
  if (!ReadsDrawings()) {
    KeepDrawingGroupRaw();
    return;
  }
  CurrRecs->UpdateInternal(INTERNAL_MSODRWGRP);
  TMSOPictures& store = FXLS->MSOPictures();
  struct Reset {
    TMSOPictures& s;
    ~Reset() { s.FOnWarning = nullptr; }
  } reset{store};
  store.FOnWarning = [this](std::u16string_view text) { Warning(text, XLSWARN_BIFF_RECORD_SKIPPED); };
  store.LoadFromStream(FXLSStream);
}

void TXLSReadII::RecMSODRAWING() {
  InsertRecord = false;
  TSheet* sheet = CurrSheet();
  if (!ReadsDrawings() || !sheet || sheet->FDrawingRead) {
    KeepDrawingRaw();
    return;
  }
  sheet->FDrawingRead = true;
  CurrRecs->UpdateInternal(INTERNAL_SUFFIXDATA);
  TDrawingRecords records;
  try {
    sheet->EscherDrawing().LoadFromStream(FXLSStream, records);
  } catch (const XLSRWException&) {
    sheet->ReleaseDrawingObjects();  // the drawing lost its shapes
    for (size_t i = 0; i < records.Count(); ++i)
      StoreRecord(TBIFFHeader{records.Id(i), uint16_t(records.Body(i).size())}, records.Body(i));
    throw;
  }
  WarnEmbeddedCharts(*sheet);
}

// Every chart of the sheet's drawing (nested groups included) that its object kept raw or that
// the chart list could not bind is warning 2003; the chart keeps what could be read.
void TXLSReadII::WarnEmbeddedCharts(TSheet& sheet) {
  sheet.EscherDrawing().ForEachShape([this](TShape& shape, TShapeGroup&) {
    const auto* chart = ExactCast<const TShapeOutsideMsoChart>(shape.FInterface.get());
    if (chart && !chart->Failure().empty())
      Warning(u"Embedded chart: " + kws::Utf8ToUtf16(chart->Failure()), XLSWARN_BIFF_RECORD_SKIPPED);
  });
}

void TXLSReadII::RecNOTE() {
  if (FSkipMSO) return;  // stored raw
  TSheet* sheet = CurrSheet();
  const TRecordView b = Body();
  if (!ReadsDrawings() || !sheet) {
    // A BIFF5 NOTE holds the note's text itself and has no shape: it stays raw.
    StoreCurrent();
    InsertRecord = false;
    throw XLSRWException("Note without its shape kept raw");
  }
  try {
    sheet->EscherDrawing().SetNoteData(b.U16(2), b.U16(0), b.U16(4), b.U16(6), FlaggedName(b, 10, b.U16(8)));
  } catch (const XLSRWException&) {
    StoreCurrent();
    InsertRecord = false;
    throw;
  }
  InsertRecord = false;
  CurrRecs->UpdateInternal(INTERNAL_SUFFIXDATA);
}

void TXLSReadII::AssignPictureIds() {
  std::vector<int32_t> blips;
  FXLS->MSOPictures().GetBlipIds(blips);
  for (size_t i = 0; i < FXLS->Sheets().Count(); ++i)
    FXLS->Sheets().GetSheet(i)->EscherDrawing().AssignBlipIds(blips, [this, i](int32_t id) {
      char msg[96];
      std::snprintf(msg, sizeof msg, "Sheet %d: a shape refers to picture %d, which the store does not hold",
                    int(i + 1), int(id));
      Warning(kws::Utf8ToUtf16(msg), XLSWARN_BIFF_RECORD_SKIPPED);
    });
  for (size_t i = 0; i < FXLS->SheetCharts().Count(); ++i)
    if (TEscherDrawing* d = FXLS->SheetCharts().Items(i).Drawing()) d->AssignBlipIds(blips);
}

// Drawing records kept raw: the group with its continuation records, a sheet drawing with an
// embedded chart's records; the loop stays in step without reading the shapes.
void TXLSReadII::KeepDrawingGroupRaw() {
  ReadBody();
  StoreCurrent();
  TBIFFHeader h;
  std::vector<uint8_t> body;
  for (uint16_t next = FXLSStream.PeekHeader(); next == BIFFID_CONTINUE || next == BIFFID_MSODRAWINGGROUP;
       next = FXLSStream.PeekHeader()) {
    ReadNextRaw(h, body);
    StoreRecord(h, body);
  }
}

void TXLSReadII::KeepDrawingRaw() {
  ReadBody();
  StoreCurrent();
  if (FXLSStream.PeekHeader() != BIFFID_OBJ) return;
  const int64_t objPos = FXLSStream.Pos();
  TBIFFHeader obj;
  std::vector<uint8_t> objBody;
  ReadNextRaw(obj, objBody);
  if (TRecordView(objBody).U16(4) == 5 && IsBOFId(FXLSStream.PeekHeader())) {
    StoreRecord(obj, objBody);
    TBIFFHeader h;
    std::vector<uint8_t> body;
    do {
      ReadNextRaw(h, body);
      if (h.RecID == 0 && h.Length == 0 && FXLSStream.Pos() >= FXLSStream.Size()) break;
      StoreRecord(h, body);
    } while (h.RecID != BIFFID_EOF);
  } else {
    FXLSStream.Seek(objPos, 0);  // the loop reads the OBJ as the next record
  }
}

void TXLSReadII::RecMSODRAWINGSELECTION() {}

// ---------------------------------------------------------------------------------------------
void TXLSReadII::ReadBIFF4Worksheet() {
  FFormatCnt = 0;
  FXLSStream.Seek(0, 0);
  TXc12DataWorksheets& sheets = FManager->Worksheets();
  FCurrXc12Sheet = sheets.Add(1);
  FCurrXc12Sheet->FName = u"Sheet1";
  if (FManager->FDirectRead && FXLS->Sheets().Count() == 0) {
    FXLS->Clear();
    FXLS->Sheets().Clear();
    FCurrSheet = 0;
  }
  FXLS->SetVersion(TExcelVersion::xvExcel50);
  const TBIFFRecordHandlers& handlers = FXLS->Handlers();
  FRecordNumber = 0;
  while (FXLSStream.ReadHeader(Header) == 4) {
    const int64_t start = FXLSStream.Pos() - 4;
    if (Header.Length > MAXRECSIZE_50) {
      // No BIFF4 record is that long: what follows is not read, and the load says so.
      SkipDamaged(XLSRWException("Record longer than a BIFF4 record can be; reading stopped"), start);
      break;
    }
    bool content = false;
    try {
      ReadBody();
      if (Header.RecID == BIFFID_EOF) break;
      if (const TBIFFHandlerFunc* f = handlers.FindBIFF4(Header.RecID)) {
        content = true;
        (*f)(*this);
      }
    } catch (const XLSRWException& e) {
      if (!content) WrapError(e);
      SkipDamaged(e, start);
    }
    ++FRecordNumber;
  }
}

}  // namespace xls::biff
