#include "xls/formula/xlsformulaerror.h"

#include "xls/model/xlserrors.h"

namespace xls {

void ReportFormulaError(TXLSErrorManager& errors, int number, std::u16string_view text) {
  errors.Error(text, number);
}

void RaiseFormulaException(const std::string& message) { throw XLSRWException(message); }

void ThrowIllegalPtgs() { RaiseFormulaException("Illegal ptgs"); }

void ThrowUnknownPtgs(uint8_t id) { RaiseFormulaException("Unknown ptgs " + HexByte(id)); }

void ThrowPtgsTruncated(uint8_t id) { RaiseFormulaException("Truncated ptgs " + HexByte(id)); }

void ThrowUnknownFunctionId(int32_t id) {
  RaiseFormulaException("Unknown function id \"" + std::to_string(id) + "\"");
}

std::string HexByte(uint8_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return {kDigits[value >> 4], kDigits[value & 0x0F]};
}

}  // namespace xls
