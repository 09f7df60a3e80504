#include "xls/biff/biff5.h"

#include "xls/biff/xlsreadii.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsglobals.h"
#include "xls/model/xlsstylesheet.h"
#include "xls/model/xlsworkbookdata.h"

namespace xls::biff {

TBIFF5::TBIFF5(TXc12Manager& manager)
    : FManager(&manager),
      FMSOPictures(std::make_unique<TMSOPictures>()),
      FFormulaHandler(std::make_unique<TFormulaHandler>()),
      FSheets(std::make_unique<TSheets>(this, &manager)),
      FStyles(std::make_unique<TStyles>()),
      FRecords(std::make_unique<TRecordStorageGlobals>()),
      FExtraObjects(std::make_unique<TExtraObjects>()),
      FSheetCharts(std::make_unique<TSheetCharts>(FMSOPictures.get())),
      FHandlers(DefaultBIFFRecordHandlers()) {
  FFormulaHandler->OnSheetName = [this](std::u16string_view name, int32_t& index, int32_t& tabCount) {
    SheetNameLookup(name, index, tabCount);
  };
  FFormulaHandler->OnSheetData = [this](TSheetDataType type, int32_t sheet, int32_t, int32_t) {
    return type == TSheetDataType::sdtName ? SheetNameOf(sheet) : std::u16string();
  };
  FFormulaHandler->OnDefinedName = [this](int32_t index) { return DefinedNameText(index); };
  FFormulaHandler->SetOnName([this](std::u16string_view name, int32_t& id) { id = DefinedNameIndex(name); });
  ResetIndexedPalette();
  SetStrTRUE(u"TRUE");
  SetStrFALSE(u"FALSE");
  FSheets->Add(TWorksheetType::wtSheet);
  SetVersion(TExcelVersion::xvExcel97);
}

TBIFF5::~TBIFF5() = default;

void TBIFF5::SetReadMacros(bool v) {
  if (!v) {
    FVBA.reset();
    return;
  }
  if (FVBA) return;
  FVBA = std::make_unique<TXLSVBA>();
  FVBA->OnWarning = [manager = FManager](std::u16string_view text) {
    manager->Errors()->Warning(text, XLSWARN_BIFF_RECORD_SKIPPED);
  };
}

TXc12Fonts& TBIFF5::Fonts() const { return FManager->StyleSheet().Fonts(); }

void TBIFF5::SetVersion(TExcelVersion v) {
  FVersion = v;
  FMaxBuffsize = v < TExcelVersion::xvExcel97 ? MAXRECSIZE_50 : MAXRECSIZE_97;
}

void TBIFF5::Clear() {
  FRecords->SetDefaultData();
  FWriteDefaultData = true;
  ClearCells();
  FMSOPictures->Clear();
  FStyles->Clear();
  FExtraObjects->Clear();
  if (FVBA) FVBA->Clear();
  FFormulaHandler->Clear();
  FSheetCharts->Clear();
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
    reader.AssignPictureIds();
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
  index = -1;
  tabCount = 0;
  const std::vector<std::u16string>& book = FFormulaHandler->FSheetNames;
  if (!book.empty()) {
    const std::u16string upper = UpperName(name);
    for (size_t i = 0; i < book.size(); ++i)
      if (UpperName(book[i]) == upper) {
        index = int32_t(i);
        tabCount = int32_t(book.size());
        return;
      }
    return;
  }
  if (const TSheet* s = FSheets->SheetByName(name)) {
    index = s->Index();
    tabCount = int32_t(FSheets->Count());
  }
}

std::u16string TBIFF5::SheetNameOf(int32_t index) const {
  const std::vector<std::u16string>& book = FFormulaHandler->FSheetNames;
  if (!book.empty()) return index >= 0 && size_t(index) < book.size() ? book[size_t(index)] : std::u16string();
  if (index < 0 || size_t(index) >= FSheets->Count()) return {};
  return FSheets->GetSheet(size_t(index))->Name();
}

int32_t TBIFF5::DefinedNameIndex(std::u16string_view name) const {
  const std::u16string upper = UpperName(name);
  const TXc12DefinedNames& names = FManager->Workbook().DefinedNames();
  for (size_t i = 0; i < names.Count(); ++i) {
    const std::u16string& n = names.Items(i)->Name();
    if (n.size() == upper.size() && UpperName(n) == upper) return int32_t(i);
  }
  return -1;
}

std::u16string TBIFF5::DefinedNameText(int32_t index) const {
  static constexpr std::u16string_view kBuiltIn[] = {
      u"_xlnm.Consolidate_Area", u"_xlnm.Extract",      u"_xlnm.Database",    u"_xlnm.Criteria",
      u"_xlnm.Print_Area",       u"_xlnm.Print_Titles", u"_xlnm.Sheet_Title", u"_xlnm._FilterDatabase",
  };
  const TXc12DefinedNames& names = FManager->Workbook().DefinedNames();
  if (index < 0 || size_t(index) >= names.Count()) return {};
  const TXc12DefinedName& name = *names.Items(size_t(index));
  if (!name.Name().empty()) return name.Name();
  const size_t kind = size_t(name.BuiltIn());
  return kind < std::size(kBuiltIn) ? std::u16string(kBuiltIn[kind]) : std::u16string();
}

}  // namespace xls::biff
