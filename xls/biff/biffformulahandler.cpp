#include "xls/biff/biffformulahandler.h"

#include "xls/formula/xlsformuladecoder.h"

namespace xls::biff {

namespace {
constexpr std::u16string_view kRefPrefix = u"#REF!!";
constexpr std::u16string_view kBadName = u"#NAME?";
}  // namespace

TFormulaHandler::TFormulaHandler()
    : FFormulaEncoder(std::make_unique<TEncodeFormula>()), FExternalNames(std::make_unique<TExternalNames>()) {
  FFormulaEncoder->OnExternName = [this](std::u16string_view path, std::u16string_view filename,
                                         std::u16string_view sheetName, std::u16string_view name, bool isRef,
                                         int32_t& extIndex, int32_t& nameIndex) {
    HandleExternName(path, filename, sheetName, name, isRef, extIndex, nameIndex);
  };
  FInternalNames = std::make_unique<TInternalNames>(
      *FFormulaEncoder, [this](std::span<const uint8_t> ptgs) { return DecodeFormula(ptgs); });
}

TFormulaHandler::~TFormulaHandler() = default;

void TFormulaHandler::Clear() {
  FExternalNames->Clear();
  FInternalNames->Clear();
  FSheetExternalNames.clear();
  FSheetNames.clear();
}

TExternalNames& TFormulaHandler::TablesOf(int32_t sheetIndex, bool create) {
  if (sheetIndex < 0) return *FExternalNames;
  auto it = FSheetExternalNames.find(sheetIndex);
  if (it != FSheetExternalNames.end()) return *it->second;
  if (!create) return *FExternalNames;
  return *(FSheetExternalNames[sheetIndex] = std::make_unique<TExternalNames>());
}

std::u16string TFormulaHandler::SheetPrefix(int32_t first, int32_t last) {
  if (first < 0 || first >= 0xFFFE || last < 0 || last >= 0xFFFE || !OnSheetData)
    return std::u16string(kRefPrefix);
  const std::u16string firstName = OnSheetData(TSheetDataType::sdtName, first, -1, -1);
  if (firstName.empty()) return std::u16string(kRefPrefix);
  std::u16string lastName;
  if (last != first) {
    lastName = OnSheetData(TSheetDataType::sdtName, last, -1, -1);
    if (lastName.empty()) return std::u16string(kRefPrefix);
  }
  return SheetPrefixText({}, {}, {}, firstName, lastName);
}

std::u16string TFormulaHandler::DefinedName(int32_t number) {
  std::u16string text = number >= 1 && OnDefinedName ? OnDefinedName(number - 1) : std::u16string();
  return text.empty() ? std::u16string(kBadName) : text;
}

std::u16string TFormulaHandler::GetName(TFormulaNameType type, int32_t sheetIndex, int32_t nameIndex,
                                        int32_t col, int32_t row, int32_t formulaSheet) {
  switch (type) {
    case TFormulaNameType::ntExternSheet: {
      const TExternalNames& tables = TablesOf(formulaSheet);
      const TSupBook* book = tables.BookOf(sheetIndex);
      if (book && book->IsSelf()) {
        if (nameIndex >= 0) return DefinedName(nameIndex);
        const TExtSheet& e = *tables.Entry(sheetIndex);
        return SheetPrefix(e.FirstSheet, e.LastSheet);
      }
      return tables.GetAsString(sheetIndex, nameIndex);
    }
    case TFormulaNameType::ntCurrBook:
      return SheetPrefix(sheetIndex, nameIndex);
    case TFormulaNameType::ntCellValue:
      return OnSheetData ? OnSheetData(TSheetDataType::sdtCell, sheetIndex, col, row) : std::u16string();
    default:
      return DefinedName(nameIndex);
  }
}

std::u16string TFormulaHandler::DecodeFormula(std::span<const uint8_t> ptgs, int32_t sheetIndex,
                                              const TXLSFormulaSeparators& separators,
                                              const TBIFFDecodeOptions& options, int32_t col, int32_t row) {
  const TGetNameEvent getName = [this, sheetIndex](TFormulaNameType type, int32_t sheet, int32_t name,
                                                   int32_t col, int32_t row) {
    return GetName(type, sheet, name, col, row, sheetIndex);
  };
  return DecodeBIFFFormula(ptgs, sheetIndex, col, row, getName, separators.List, separators, options);
}

std::u16string TFormulaHandler::DecodeFormula(std::span<const uint8_t> ptgs) {
  return DecodeFormula(ptgs, -1, FSeparators, {});
}

int32_t TFormulaHandler::EncodeFormula(std::u16string_view formula, uint8_t returnClass, std::span<uint8_t> buf) {
  FFormulaEncoder->SetSeparators(FSeparators);
  return FFormulaEncoder->Encode(formula, returnClass, TFormulaVersion::fvExcel97, buf);
}

void TFormulaHandler::HandleExternName(std::u16string_view path, std::u16string_view filename,
                                       std::u16string_view sheetName, std::u16string_view name, bool isRef,
                                       int32_t& extIndex, int32_t& nameIndex) {
  if (path.empty() && filename.empty()) {
    int32_t index = -1, tabCount = 0;
    if (OnSheetName) OnSheetName(sheetName, index, tabCount);
    if (index >= 0 && index < 0xFFFE) {
      extIndex = FExternalNames->AddSelf(index, tabCount);
      nameIndex = index;
    }
  } else if (isRef) {
    if (!FExternalNames->RefIndexByName(path, filename, sheetName, extIndex, nameIndex))
      FExternalNames->AddRef(path, filename, sheetName, extIndex, nameIndex);
  } else {
    FExternalNames->NameIndexByName(path, filename, name, extIndex, nameIndex);
  }
}

void TFormulaHandler::InsertSheet(int32_t sheetIndex) { FExternalNames->InsertSheet(sheetIndex); }

}  // namespace xls::biff
