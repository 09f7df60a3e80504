// Process-wide tables of the engine: the Boolean texts, the indexed colour palette and the theme
// colours, with their read-only defaults.
//
// Colour values are 00BBGGRR (red in the low byte). The default palette holds the 64 indexed
// colours of ECMA-376 Part 1 (18.8.27 indexedColors) plus the system foreground and background
// (both 0F000000). The working copies are changed by the readers (a package's indexed colours, a
// theme part's colour scheme) and stay in force for later loads; the Boolean texts are shared by
// every component. Design choice: each table is a function-local static reached through an
// accessor, and `ResetXLSGlobals` puts all of them back to the start-up state so that tests do not
// leak state into each other. The engine is used by one thread at a time; no lock is taken.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace xls {

inline constexpr int XLS_PALETTE_SIZE = 66;
inline constexpr int XLS_THEME_COLOR_COUNT = 13;

extern const std::array<uint32_t, XLS_PALETTE_SIZE> DefaultPalette;
extern const std::array<uint32_t, XLS_THEME_COLOR_COUNT> DefaultThemeColors;

// The working palette (starts as DefaultPalette).
std::array<uint32_t, XLS_PALETTE_SIZE>& IndexedPalette();
// The working theme colours (start as DefaultThemeColors), in the order of TXc12ClrSchemeColor.
std::array<uint32_t, XLS_THEME_COLOR_COUNT>& ThemeColors();
// Puts IndexedPalette back to DefaultPalette (done when a legacy reader is created).
void ResetIndexedPalette();

// The texts of Boolean cell values, "TRUE" and "FALSE" at start-up.
const std::u16string& StrTRUE();
const std::u16string& StrFALSE();
void SetStrTRUE(std::u16string value);
void SetStrFALSE(std::u16string value);

// Puts every table above back to its start-up state.
void ResetXLSGlobals();

}  // namespace xls
