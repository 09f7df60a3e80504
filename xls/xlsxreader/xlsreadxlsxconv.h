// Conversions from SpreadsheetML element objects to the workbook model's style records, shared by
// the package reader's workbook, sheet and sheet-object steps.
//
// Format facts (ECMA-376 Part 1, 18.8 and 18.4): a colour element names one of auto, theme,
// indexed or rgb (in that order of precedence here) with an optional tint; a font's Boolean
// property elements (b, i, strike, outline, shadow, condense, extend) mean true when present
// without val; rich text is a list of r runs, each with optional rPr run properties, or a plain t.
// Enumeration attributes that a file did not give hold 255 in the element classes.
//
// Design choice: these are free functions over the element classes and the model records, so
// that every reader step (and the sheet-object reader) converts the same way without holding a
// reader object.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "xls/model/xlssheetparts.h"
#include "xls/model/xlsstyles.h"
#include "xls/model/xlsstyleuse.h"
#include "xls/spreadsheetml/xpgparsexlsx.h"

namespace xls {

class TXc12DataStyleSheet;

// A phonetic run of rich text: start and end (character positions) and its text.
using TXLSPhoneticRun = TXc12PhoneticRun;

// The value when it was given, else the default (the element classes hold 255 for "not given").
inline uint8_t DefaultIfUnset(uint8_t value, uint8_t defaultValue) {
  return value == 255 ? defaultValue : value;
}

// auto → automatic; theme ≥ 0 → theme colour; indexed < 0 → RGB; else indexed; tint kept; the
// ARGB value resolved (0 for automatic). An element without attributes is RGB with value -1.
TXc12Color ReadColor(const xpgxlsx::TCT_Color& color);
void ApplyAlignment(const xpgxlsx::TCT_CellAlignment& src, TXc12CellAlignment& dst);
void ApplyBorderPr(const xpgxlsx::TCT_BorderPr& src, TXc12BorderPr& dst);
void ApplyBorder(const xpgxlsx::TCT_Border& src, TXc12Border& dst);
// A pattern fill wins over a gradient fill; a fill with neither stays as it is.
void ApplyFill(const xpgxlsx::TCT_Fill& src, TXc12Fill& dst);
void ApplyFont(const xpgxlsx::TCT_Font& src, TXc12Font& dst);
// The style sheet's first font equal to the run's properties, with one more use counted; nullptr
// when the style sheet holds no equal font.
TXc12Font* ReadRunFont(TXc12DataStyleSheet& styles, const xpgxlsx::TCT_RPrElt& rpr);
// Text, font runs and (when `phonetic` is given) phonetic runs of a rich-text item. Without runs:
// the t text and one run at Index 1 with the default font (not counted as a use).
void ReadRichText(TXc12DataStyleSheet& styles, const xpgxlsx::TCT_Rst& item, std::u16string& text,
                  std::vector<TXc12FontRun>& runs, std::vector<TXLSPhoneticRun>* phonetic = nullptr);
TXc12CellProtections ReadProtection(const xpgxlsx::TCT_CellProtection& src);
TXc12ApplyFormats ReadXfApply(const xpgxlsx::TCT_Xf& xf);

}  // namespace xls
