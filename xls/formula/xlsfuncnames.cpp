#include "xls/formula/xlsfuncnames.h"

#include <string>

#include "platform/textcodec.h"
#include "xls/formula/xlsfuncdata.gen.h"
#include "xls/formula/xlsformulaerror.h"

namespace xls {

static_assert(detail::kHighestFuncId + 1 == TXLSExcelFuncNames::kCount);

const TXLSExcelFuncNames& TXLSExcelFuncNames::Instance() {
  static const TXLSExcelFuncNames instance;
  return instance;
}

TXLSExcelFuncNames::TXLSExcelFuncNames() {
  FByName.reserve(detail::kFuncData.size());
  for (const TXc12FuncData& row : detail::kFuncData) {
    FList[static_cast<size_t>(row.Id)] = &row;
    FByName.emplace(std::u16string(row.Name), row.Id);
  }
}

int32_t TXLSExcelFuncNames::FindId(std::u16string_view name) const {
  auto it = FByName.find(kws::AsciiUpperCopy(name));
  return it == FByName.end() ? -1 : it->second;
}

const TXc12FuncData* TXLSExcelFuncNames::Data(int32_t id) const {
  if (id < 0 || id >= kCount) return nullptr;
  return FList[static_cast<size_t>(id)];
}

std::u16string_view TXLSExcelFuncNames::FindName(int32_t id) const {
  const TXc12FuncData* row = Data(id);
  return row ? row->Name : std::u16string_view();
}

bool TXLSExcelFuncNames::FixedArgs(int32_t id) const {
  const TXc12FuncData* row = Data(id);
  if (!row) ThrowUnknownFunctionId(id);
  return row->Min == row->Max;
}

int32_t XLSTokenSize(uint8_t id) { return detail::kTokenSizes[id]; }

}  // namespace xls
