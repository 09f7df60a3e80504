// Row types of the function table of the engine's own formula tokens.
//
// The rows themselves are generated into xlsfuncdata.gen.h by tools/formula/gen_functable.py;
// xlsfuncnames.h looks them up.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace xls {

enum TXLSExcelFuncType : uint8_t { xeftNormal, xeftArray };

// Class of a function's result or argument. Kept for an evaluator; the engine itself never reads
// the classes.
enum TXLSExcelFuncArgType : uint8_t { xefatNone, xefatRef, xefatArea, xefatRange, xefatValue };

inline constexpr int32_t kXLSFuncMaxArgClasses = 11;
// Argument count of a row of TXLSExcelFuncArgs that belongs to a variable-count function.
inline constexpr int32_t kXLSFuncVariableArgs = 255;
// Max of a function that takes any number of arguments.
inline constexpr int32_t kXLSFuncAnyArgCount = 254;

struct TXLSExcelFuncArgs {
  int32_t FuncId;
  int32_t ArgCount;
  TXLSExcelFuncArgType Result;
  std::array<TXLSExcelFuncArgType, kXLSFuncMaxArgClasses> Args;
};

// One row of the function data. Args is null for a function without an argument row.
struct TXc12FuncData {
  TXLSExcelFuncType Type_;
  const TXLSExcelFuncArgs* Args;
  int32_t Id;
  int32_t Min;
  int32_t Max;
  std::u16string_view Name;
};

}  // namespace xls
