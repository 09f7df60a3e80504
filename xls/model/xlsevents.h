// Events of the spreadsheet component that libraries above the model fire: the readers' progress
// and the formula language's function lookups. They live here so that the component can hold
// them and the readers and the formula handler can take them without knowing the component.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

namespace xls {

// Load progress in whole percent, rising, each value at most once per load.
using TXLSProgressEvent = std::function<void(int32_t percent)>;
// A function of the function table met while formula text is compiled: its name as written and
// its number in the table.
using TXLSFunctionEvent = std::function<void(std::u16string_view name, int32_t id)>;
// A function that the function table does not hold (an add-in or macro function) met while
// formula text is compiled; it is stored as a user-function token under this name.
using TXLSUserFunctionEvent = std::function<void(std::u16string_view name)>;

}  // namespace xls
