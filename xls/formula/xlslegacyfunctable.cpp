#include "xls/formula/xlslegacyfunctable.h"

#include "xls/formula/xlslegacyfuncdata.gen.h"

namespace xls {

const TExcelFunction* ExcelFunction(int32_t number) {
  if (number < 0 || number >= kExcelFunctionCount) return nullptr;
  return &detail::kExcelFunctions[static_cast<size_t>(number)];
}

int32_t FindExcelFunction(std::u16string_view upperName) {
  for (int32_t i = 0; i < kExcelFunctionCount; ++i)
    if (upperName == detail::kExcelFunctions[static_cast<size_t>(i)].Name) return i;
  return -1;
}

}  // namespace xls
