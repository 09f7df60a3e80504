#include "platform/syscolors.h"

namespace kws {

uint32_t SystemWindowColor() { return 0xFFFFFF; }

}  // namespace kws
