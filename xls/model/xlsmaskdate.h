// Whether a number-format code shows dates or times, as the cell-format mask reads it.
//
// The code is read as the mask reads it before formatting: "general" (any letter case) stands for
// "@", the first bracket group of the whole code is dropped, and only the first section (up to a
// ";" outside double quotes) counts. That section shows dates or times when it holds a date or
// time letter (d h m s y, either case) or an elapsed-time group ([h], [mm], [ss]) and no digit
// placeholder (# 0 ?) stands before its decimal point; quoted text, escaped characters (\x, _x)
// and "E+"/"E-" exponents are not letters of the format; "@" clears what was seen before it.
// Design choice: only this test of the mask is here (the cell object asks it for GetIsDateTime);
// formatting numbers with a mask is a separate unit.
#pragma once

#include <string_view>

namespace xls {

// True when the first section of `code` shows dates or times. Raises XLSRWException "Format
// string more than 255 characthers" for a code of 256 characters or more.
bool NumFmtIsDateTime(std::u16string_view code);

}  // namespace xls
