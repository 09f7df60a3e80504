// How the formula language reports failures.
//
// Numbered errors (4001-4030) go through the component's error manager, which raises
// XLSRWException unless the host keeps an error list or takes errors through its event; a caller
// goes on only when the report returns. Faults of a token array raise XLSRWException directly.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace xls {

class TXLSErrorManager;

// Reports numbered error `number` with its text argument `text`.
void ReportFormulaError(TXLSErrorManager& errors, int number, std::u16string_view text);

// Raises XLSRWException with `message`.
[[noreturn]] void RaiseFormulaException(const std::string& message);

// "Illegal ptgs": a token id of 0.
[[noreturn]] void ThrowIllegalPtgs();
// "Unknown ptgs XX": a token id without a known size.
[[noreturn]] void ThrowUnknownPtgs(uint8_t id);
// "Truncated ptgs XX": a token that runs past the end of its array.
[[noreturn]] void ThrowPtgsTruncated(uint8_t id);
// "Unknown function id "N"".
[[noreturn]] void ThrowUnknownFunctionId(int32_t id);

// Two upper-case hexadecimal digits.
std::string HexByte(uint8_t value);

}  // namespace xls
