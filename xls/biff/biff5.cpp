#include "xls/biff/biff5.h"

#include "xls/biff/xlsreadii.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlsglobals.h"
#include "xls/model/xlsstylesheet.h"

namespace xls::biff {

TBIFF5::TBIFF5(TXc12Manager& manager)
    : FManager(&manager),
      FSheets(std::make_unique<TSheets>(this, &manager)),
      FStyles(std::make_unique<TStyles>()),
      FRecords(std::make_unique<TRecordStorageGlobals>()),
      FExtraObjects(std::make_unique<TExtraObjects>()),
      FHandlers(DefaultBIFFRecordHandlers()) {
  ResetIndexedPalette();
  SetStrTRUE(u"TRUE");
  SetStrFALSE(u"FALSE");
  FSheets->Add(TWorksheetType::wtSheet);
  SetVersion(TExcelVersion::xvExcel97);
}

TBIFF5::~TBIFF5() = default;

TXc12Fonts& TBIFF5::Fonts() const { return FManager->StyleSheet().Fonts(); }

void TBIFF5::SetVersion(TExcelVersion v) {
  FVersion = v;
  FMaxBuffsize = v < TExcelVersion::xvExcel97 ? MAXRECSIZE_50 : MAXRECSIZE_97;
}

void TBIFF5::Clear() {
  FRecords->SetDefaultData();
  FWriteDefaultData = true;
  ClearCells();
  FStyles->Clear();
  FExtraObjects->Clear();
  FSheetCharts.clear();
  FFILESHARING.clear();
  FAborted = false;
  FOrigVersion = TExcelVersion::xvNone;
}

void TBIFF5::ClearCells() { FSheets->Clear(); }

void TBIFF5::Read() {
  LoadFromStream(std::nullopt);
  FOrigVersion = FVersion;
}

void TBIFF5::LoadFromStream(std::optional<std::span<const uint8_t>> data) {
  Clear();
  FSheets->ClearAll();
  BeginUpdate();
  try {
    TXLSReadII reader(*this);
    reader.FSkipMSO = FSkipDrawing;
    reader.LoadFromStream(data);
    if (FAfterLoad) FAfterLoad(*this);
  } catch (...) {
    EndUpdate();
    if (FSheets->Count() == 0) Clear();  // leaves one empty sheet
    throw;
  }
  EndUpdate();
  if (FSheets->Count() == 0) Clear();
  FRecords->PostCheck();
  for (size_t i = 0; i < FSheets->Count(); ++i) FSheets->GetSheet(i)->AfterFileRead();
}

bool TBIFF5::RecomendReadOnly() const {
  return FFILESHARING.size() >= 2 && (FFILESHARING[0] | (FFILESHARING[1] << 8)) == 1;
}

void TBIFF5::SetRecomendReadOnly(bool v) {
  if (v) {
    if (FFILESHARING.size() < 2) FFILESHARING.assign(6, 0);
    FFILESHARING[0] = 1;
    FFILESHARING[1] = 0;
  } else if (FFILESHARING.size() >= 2) {
    FFILESHARING[0] = 0;
    FFILESHARING[1] = 0;
    bool allZero = true;
    for (uint8_t b : FFILESHARING) allZero = allZero && b == 0;
    if (allZero) FFILESHARING.clear();
  }
}

void TBIFF5::SheetNameLookup(std::u16string_view name, int32_t& index, int32_t& tabCount) const {
  if (const TSheet* s = FSheets->SheetByName(name)) {
    index = s->Index();
    tabCount = int32_t(FSheets->Count());
  } else {
    index = -1;
    tabCount = 0;
  }
}

std::u16string TBIFF5::SheetNameOf(int32_t index) const {
  if (index < 0 || size_t(index) >= FSheets->Count()) return {};
  return FSheets->GetSheet(size_t(index))->Name();
}

}  // namespace xls::biff
