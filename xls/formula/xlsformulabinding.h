// The formula service of a spreadsheet component, wired to its data model.
//
// The model cannot link the formula language (the formula library sits above it), so this unit
// does the wiring: it makes the views of xlsformulamodel.h over the component's hub (worksheets
// with their tables, defined names, external links) and over a sheet's cell store, creates the
// component's `TXLSFormulaHandler` over them, keeps both in the component's formula-service slot
// (so they live exactly as long as the component), sets the component's `OnDecodeFormula` so that
// compiled cell formulas read as text, installs the compile link of the defined names, and lets
// the handler's function lookups raise the component's OnFunction and OnUserFunction.
//
// The views read the hub live: a load, a clear or a new sheet needs no re-wiring. Separators of
// formula text written for people come from the component's settings (decimal separator) and
// the hub (list separator and array column separator).
#pragma once

#include "xls/formula/xlsformulahandler.h"

namespace xls {

class TXLSBook;
class TXLSCellMMU;
class TXc12Manager;

// The component's formula handler, created with its model views on the first call and kept
// with the component; every later call returns the same handler.
TXLSFormulaHandler& FormulaHandlerOf(TXLSBook& book);

// Makes every component that starts from the default readers attach its formula service at the
// start of each load, so names are compiled and formula cells read as text after any load. Safe
// to call many times.
void RegisterFormulaBinding();

// The separators of formula text written for people in this component (list, decimal, array
// column).
TXLSFormulaSeparators FormulaSeparatorsOf(TXLSBook& book);

// The workbook view the handler of `book` reads (the same object on every call).
const TXLSFormulaWorkbook& FormulaWorkbookOf(TXLSBook& book);

// A view of one sheet's cell store for DecodeFormula (tokens that stand for another cell).
class TXLSFormulaCellsOf : public TXLSFormulaCells {
 public:
  explicit TXLSFormulaCellsOf(TXLSCellMMU& cells) : FCells(cells) {}
  TXLSCellFormula GetFormula(int32_t col, int32_t row) const override;

 private:
  TXLSCellMMU& FCells;
  mutable std::u16string FText;  // the last formula text handed out
};

}  // namespace xls
