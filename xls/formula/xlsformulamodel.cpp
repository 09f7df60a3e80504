#include "xls/formula/xlsformulamodel.h"

#include "platform/textcodec.h"

namespace xls {

int32_t TXLSFormulaTables::Find(std::u16string_view name) const {
  for (int32_t t = 0; t < TableCount(); ++t)
    if (kws::AsciiSameText(TableName(t), name)) return t;
  return -1;
}

int32_t TXLSFormulaTables::Find(int32_t col, int32_t row) const {
  for (int32_t t = 0; t < TableCount(); ++t) {
    const TXLSFormulaTableGeometry g = Geometry(t);
    if (col >= g.Col1 && col <= g.Col2 && row >= g.Row1 && row <= g.Row2) return t;
  }
  return -1;
}

int32_t TXLSFormulaTables::FindColumn(int32_t table, std::u16string_view name) const {
  for (int32_t c = 0; c < ColumnCount(table); ++c)
    if (kws::AsciiSameText(ColumnName(table, c), name)) return c;
  return -1;
}

int32_t TXLSFormulaWorkbook::FindSheet(std::u16string_view name) const {
  for (int32_t s = 0; s < SheetCount(); ++s)
    if (kws::AsciiSameText(SheetName(s), name)) return s;
  return -1;
}

int32_t TXLSFormulaWorkbook::FindExternalBook(std::u16string_view fileName) const {
  for (int32_t l = 0; l < ExternalLinkCount(); ++l)
    if (kws::AsciiSameText(ExternalLinkFileName(l), fileName)) return l;
  return -1;
}

int32_t TXLSFormulaWorkbook::FindExternalSheet(int32_t link, std::u16string_view name) const {
  for (int32_t s = 0; s < ExternalSheetCount(link); ++s)
    if (kws::AsciiSameText(ExternalSheetName(link, s), name)) return s;
  return -1;
}

int32_t TXLSFormulaWorkbook::FindName(std::u16string_view name, int32_t sheet) const {
  if (sheet >= 0) {
    const int32_t local = FindNameInSheet(name, sheet);
    if (local >= 0) return local;
  }
  for (int32_t n = 0; n < DefinedNameCount(); ++n)
    if (DefinedNameSheet(n) < 0 && kws::AsciiSameText(DefinedNameName(n), name)) return n;
  return -1;
}

int32_t TXLSFormulaWorkbook::FindNameInSheet(std::u16string_view name, int32_t sheet) const {
  for (int32_t n = 0; n < DefinedNameCount(); ++n)
    if (DefinedNameSheet(n) == sheet && kws::AsciiSameText(DefinedNameName(n), name)) return n;
  return -1;
}

int32_t TXLSFormulaWorkbook::FindTable(std::u16string_view name, int32_t& sheet) const {
  for (int32_t s = 0; s < SheetCount(); ++s) {
    const TXLSFormulaTables* tables = SheetTables(s);
    const int32_t t = tables ? tables->Find(name) : -1;
    if (t >= 0) {
      sheet = s;
      return t;
    }
  }
  return -1;
}

}  // namespace xls
