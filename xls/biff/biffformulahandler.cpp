#include "xls/biff/biffformulahandler.h"

#include "xls/formula/xlsformuladecoder.h"

namespace xls::biff {

namespace {
constexpr std::u16string_view kRefPrefix = u"#REF!!";
constexpr std::u16string_view kBadName = u"#NAME?";
}  // namespace

TFormulaHandler::TFormulaHandler() : FExternalNames(std::make_unique<TExternalNames>()) {}

TFormulaHandler::~TFormulaHandler() = default;

void TFormulaHandler::Clear() {
  FExternalNames->Clear();
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

void TFormulaHandler::InsertSheet(int32_t sheetIndex) { FExternalNames->InsertSheet(sheetIndex); }

}  // namespace xls::biff
