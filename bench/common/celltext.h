// Cell text as the workbook drivers print it (xls_cells, xls_dump): one UTF-8 field per value,
// with backslash, TAB, LF and CR written as \\, \t, \n and \r, so that every cell, name or
// comment stays on one line and fields can be split at TABs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace xls {
class TXLSWorksheet;
}

namespace kws::bench {

// The text in UTF-8 with backslash, TAB, LF and CR escaped.
std::string EscapedText(std::u16string_view text);
// The same, appended to `out`.
void AppendEscapedText(std::string& out, std::u16string_view text);

// The cell's text (the sheet's GetAsString: cached results for formulas, numbers in general
// form), escaped; empty for a missing or blank cell.
std::string CellText(xls::TXLSWorksheet& sheet, int32_t col, int32_t row);

}  // namespace kws::bench
