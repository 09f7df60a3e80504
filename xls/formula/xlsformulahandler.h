// The formula service of a workbook: compiles formula text into own token arrays, decodes token
// arrays of every form back to text, and shifts the relative references of a copied array (the
// followers of a shared formula).
//
// It sees the workbook through the views of xlsformulamodel.h and reports numbered errors through
// the workbook's error manager. It holds no names of its own and calculates nothing. The legacy
// token forms (0xFF, 0xFE) are decoded by the legacy formula code (xlsformuladecoder97.h): by
// default without names or sheets; the workbook connects one with its name tables through
// SetLegacyDecode.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "xls/formula/xlsformuladecoder.h"
#include "xls/formula/xlsformulamodel.h"
#include "xls/formula/xlstokenizer.h"
#include "xls/model/xlscellarea.h"
#include "xls/model/xlsevents.h"

namespace xls {

class TXLSErrorManager;

// Formulas are never calculated here: workbooks are read with the results their files store. The
// evaluator, the calculation-chain builder and the calculation chain are empty frames that the
// handler owns; the evaluator only keeps the user-function event, which the function lookup of a
// compile raises for a name the function table does not hold.
class TXLSFormulaEvaluator {
 public:
  TXLSUserFunctionEvent FUserFunction;
};
class TXLSCalcChainBuilder {};
class TXLSCalcChain {};

class TXLSFormulaHandler {
 public:
  // `book` and `errors` must outlive the handler; `separators` are those of formula text written
  // for people (the locale's list and decimal separators, the array column separator).
  TXLSFormulaHandler(const TXLSFormulaWorkbook& book, TXLSErrorManager& errors,
                     TXLSFormulaSeparators separators);

  // Compiles formula text (no leading "=") of sheet `sheetId` (-1: workbook level) into a new own
  // token array; empty when the text is empty or blanks only, or nothing was compiled.
  std::vector<uint8_t> EncodeFormula(std::u16string_view formula, int32_t sheetId);
  // Formula text of a token array of any form (see DecodeFormulaOfAnyForm).
  std::u16string DecodeFormula(const TXLSFormulaCells* cells, int32_t sheetIndex,
                               std::span<const uint8_t> ptgs, bool saveToFile);
  // Moves the relative references of `ptgs` in place (see AdjustPtgs).
  void AdjustCell(std::span<uint8_t> ptgs, int32_t deltaCol, int32_t deltaRow,
                  bool lockStartRow) const;

  void SetLegacyDecode(TXLSLegacyFormulaDecode decode) { FLegacyDecode = std::move(decode); }
  // The current tables handed to each encoding: structured references look for their table there
  // first (`sheet` is the index of the worksheet that holds them). nullptr (the default) finds
  // tables through all worksheets.
  void SetCurrTables(const TXLSFormulaTables* tables, int32_t sheet) {
    FCurrTables = tables;
    FCurrTablesSheet = tables ? sheet : -1;
  }
  const TXLSFormulaTables* CurrTables() const { return FCurrTables; }

  // The function lookups of EncodeFormula: OnFunction for each function found in the function
  // table, OnUserFunction for each name it does not hold. Unset events cost nothing.
  const TXLSUserFunctionEvent& OnUserFunction() const { return FEvaluator->FUserFunction; }
  void SetOnUserFunction(TXLSUserFunctionEvent event) { FEvaluator->FUserFunction = std::move(event); }
  const TXLSFunctionEvent& OnFunction() const { return FFunctionEvent; }
  void SetOnFunction(TXLSFunctionEvent event) { FFunctionEvent = std::move(event); }

  bool FormulasUncalced() const { return FFormulasUncalced; }
  void SetFormulasUncalced(bool value) { FFormulasUncalced = value; }

 private:
  const TXLSFormulaWorkbook& FBook;
  TXLSErrorManager& FErrors;
  TXLSTokenizer FTokenizer;
  TXLSFormulaDecoder FDecoder;
  TXLSLegacyFormulaDecode FLegacyDecode;
  std::unique_ptr<TXLSCalcChainBuilder> FCCBuilder = std::make_unique<TXLSCalcChainBuilder>();
  std::unique_ptr<TXLSFormulaEvaluator> FEvaluator = std::make_unique<TXLSFormulaEvaluator>();
  std::unique_ptr<TXLSCalcChain> FCalcChain = std::make_unique<TXLSCalcChain>();
  const TXLSFormulaTables* FCurrTables = nullptr;  // not owned
  int32_t FCurrTablesSheet = -1;
  bool FFormulasUncalced = false;
  TXLSFunctionEvent FFunctionEvent;
};

// Compiles formula text with a tokenizer and an encoder of its own (the hyperlink object uses it
// for locations inside the workbook); empty when nothing was compiled.
std::vector<uint8_t> CompileFormula(const TXLSFormulaWorkbook& book, TXLSErrorManager& errors,
                                    std::u16string_view text, int32_t sheetId);

// Resolves the legacy 3-D reference index of a 0x3A / 0x3B token to one sheet; false when it
// does not name exactly one sheet.
using TXLSLegacy3dSheet = std::function<bool(uint16_t refIndex, int32_t& sheet)>;

// Reads a compiled name definition as a sheet reference: 0 not a plain sheet reference (`area`
// unchanged), 1 one cell (Col2 = Col1, Row2 = Row1), 2 an area, 3 a legacy reference whose sheet
// index is 255 or more. For 1 and 2 `area` holds the sheet, rows and columns with the absolute
// flags in bit 31 of the rows and bit 15 of the columns. Legacy arrays (0xFF) are read only with
// `legacySheet`.
uint8_t PtgsToArea3d(std::span<const uint8_t> ptgs, TXLS3dCellArea& area,
                     const TXLSLegacy3dSheet& legacySheet = {});

}  // namespace xls
