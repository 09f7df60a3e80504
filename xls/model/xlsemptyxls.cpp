#include "xls/model/xlsbook.h"

namespace xls {

std::span<const uint8_t> EmptyLegacyWorkbook() {
  static constexpr uint8_t kBytes[] = {
#include "xls/model/xlsemptyxls.gen.inc"
  };
  return kBytes;
}

}  // namespace xls
