// The function table of the engine's own formula tokens, and the token-size table.
//
// Function ids 0..380 are the legacy binary format's function numbers, 381 is QUOTIENT and
// 800..873 are the engine's own numbers for functions without a legacy number. The encoder looks a
// function name up to choose between a fixed-count (0x81), a variable-count (0x82) and a user
// function token (0xF2); the decoder turns an id back into its name and, for a fixed-count
// function, its argument count. The rows are constant data generated from tools/formula/ tables;
// the one instance is built on first use (a function-local static), so no start-up order matters.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "xls/formula/xlsfunctypes.h"

namespace xls {

class TXLSExcelFuncNames {
 public:
  // The one process-wide table.
  static const TXLSExcelFuncNames& Instance();

  // Id of a function name, letter case ignored; -1 when the name is not in the table. The
  // "_xlfn." prefix is not part of any name.
  int32_t FindId(std::u16string_view name) const;
  // Name of function `id`; empty for an id without a row (or outside 0..873).
  std::u16string_view FindName(int32_t id) const;
  // Row of function `id`; null for an id without a row.
  const TXc12FuncData* Data(int32_t id) const;
  // True when the function takes a fixed number of arguments (Min equals Max). An id without a
  // row raises XLSRWException "Unknown function id "<id>"".
  bool FixedArgs(int32_t id) const;

  // Number of entries: one per id 0..873.
  static constexpr int32_t kCount = 874;

 private:
  TXLSExcelFuncNames();

  std::array<const TXc12FuncData*, kCount> FList{};
  std::unordered_map<std::u16string, int32_t> FByName;  // key: ASCII upper-cased name
};

// Size in bytes of a token of id `id`, the id byte included; -1 when the size is not fixed or the
// id is no token. Own tokens use the ids of xlsptgs.h; the other entries are legacy token sizes.
int32_t XLSTokenSize(uint8_t id);

}  // namespace xls
