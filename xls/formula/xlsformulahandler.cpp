#include "xls/formula/xlsformulahandler.h"

#include <memory>

#include "xls/formula/xlsformuladecoder97.h"
#include "xls/formula/xlsformulaencoder.h"
#include "xls/formula/xlsptgs.h"

namespace xls {

namespace {

std::vector<uint8_t> Compile(TXLSTokenizer& tokenizer, const TXLSFormulaWorkbook& book,
                             TXLSErrorManager& errors, std::u16string_view text, int32_t sheetId,
                             const TXLSFormulaTables* currTables = nullptr, int32_t currTablesSheet = -1,
                             const TXLSFunctionEvent* onFunction = nullptr,
                             const TXLSUserFunctionEvent* onUserFunction = nullptr) {
  tokenizer.SetFormula(text);
  std::unique_ptr<TXLSTokenList> tokens = tokenizer.Parse();
  if (!tokens) return {};
  TXLSFormulaEncoder encoder(book, errors);
  encoder.SetCurrTables(currTables, currTablesSheet);
  encoder.SetFunctionEvents(onFunction, onUserFunction);
  return encoder.Encode(*tokens, sheetId);
}

}  // namespace

TXLSFormulaHandler::TXLSFormulaHandler(const TXLSFormulaWorkbook& book, TXLSErrorManager& errors,
                                       TXLSFormulaSeparators separators)
    : FBook(book),
      FErrors(errors),
      FTokenizer(errors),
      FDecoder(book, separators),
      FLegacyDecode(MakeLegacyFormulaDecode(separators)) {}

std::vector<uint8_t> TXLSFormulaHandler::EncodeFormula(std::u16string_view formula,
                                                       int32_t sheetId) {
  const TXLSUserFunctionEvent& user = FEvaluator->FUserFunction;
  return Compile(FTokenizer, FBook, FErrors, formula, sheetId, FCurrTables, FCurrTablesSheet,
                 FFunctionEvent ? &FFunctionEvent : nullptr, user ? &user : nullptr);
}

std::u16string TXLSFormulaHandler::DecodeFormula(const TXLSFormulaCells* cells,
                                                 int32_t sheetIndex,
                                                 std::span<const uint8_t> ptgs, bool saveToFile) {
  return DecodeFormulaOfAnyForm(FDecoder, cells, sheetIndex, ptgs, saveToFile, FLegacyDecode);
}

void TXLSFormulaHandler::AdjustCell(std::span<uint8_t> ptgs, int32_t deltaCol, int32_t deltaRow,
                                    bool lockStartRow) const {
  AdjustPtgs(ptgs, deltaCol, deltaRow, lockStartRow);
}

std::vector<uint8_t> CompileFormula(const TXLSFormulaWorkbook& book, TXLSErrorManager& errors,
                                    std::u16string_view text, int32_t sheetId) {
  TXLSTokenizer tokenizer(errors);
  return Compile(tokenizer, book, errors, text, sheetId);
}

uint8_t PtgsToArea3d(std::span<const uint8_t> ptgs, TXLS3dCellArea& area,
                     const TXLSLegacy3dSheet& legacySheet) {
  const uint8_t* p = ptgs.data();
  if (ptgs.size() == 14 && p[0] == ptg::Area3d) {
    area.SheetIndex = p[13];
    area.Row1 = static_cast<int32_t>(PtgGetU32(p + 1));
    area.Row2 = static_cast<int32_t>(PtgGetU32(p + 5));
    area.Col1 = PtgGetU16(p + 9);
    area.Col2 = PtgGetU16(p + 11);
    return 2;
  }
  if (ptgs.size() == 8 && p[0] == ptg::Ref3d) {
    area.SheetIndex = p[7];
    area.Row1 = area.Row2 = static_cast<int32_t>(PtgGetU32(p + 1));
    area.Col1 = area.Col2 = PtgGetU16(p + 5);
    return 1;
  }
  // Legacy: 0xFF, then a 3-D reference 0x3A (index, row, column word) or area 0x3B (index, first
  // and last row, first and last column word), in any token class.
  if (ptgs.size() >= 2 && p[0] == ptg::Legacy && legacySheet) {
    const uint8_t base = PtgBaseId(p[1]);
    const size_t need = base == 0x3A ? 8 : base == 0x3B ? 12 : 0;
    // The reference must be the whole definition: Data!$B$3*2 is a formula, not an area.
    if (need == 0 || ptgs.size() != need) return 0;
    int32_t sheet = -1;
    if (!legacySheet(PtgGetU16(p + 2), sheet)) return 0;
    area.SheetIndex = sheet;
    if (base == 0x3A) {
      area.Row1 = area.Row2 = PtgGetU16(p + 4);
      area.Col1 = area.Col2 = PtgGetU16(p + 6);
    } else {
      area.Row1 = PtgGetU16(p + 4);
      area.Row2 = PtgGetU16(p + 6);
      area.Col1 = PtgGetU16(p + 8);
      area.Col2 = PtgGetU16(p + 10);
    }
    if (sheet >= 255) return 3;
    return base == 0x3A ? 1 : 2;
  }
  return 0;
}

}  // namespace xls
