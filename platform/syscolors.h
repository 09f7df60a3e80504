// The desktop's system colours without a desktop.
//
// This stands in for the call that asked the operating system for the colour of a user-interface
// element (the window background, index 5). There is no desktop session behind the engine, so
// every request gets the usual default of a light desktop theme: a white window background.
#pragma once

#include <cstdint>

namespace kws {

// The window background colour as RGB (red in bits 16-23): white.
uint32_t SystemWindowColor();

}  // namespace kws
