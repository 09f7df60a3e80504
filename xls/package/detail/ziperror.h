// How the zip layer raises its errors: the engine's exception with the layer's message.
#pragma once

#include <string>

#include "xls/model/xlserrors.h"

namespace xls::detail {
[[noreturn]] inline void RaiseZipError(const std::string& message) { throw XLSRWException(message); }
}  // namespace xls::detail
