#include "xls/model/xlsglobals.h"

namespace xls {

namespace {

constexpr uint32_t Bgr(uint32_t rrggbb) {
  return ((rrggbb & 0xFF) << 16) | (rrggbb & 0xFF00) | ((rrggbb >> 16) & 0xFF);
}

struct TGlobals {
  std::array<uint32_t, XLS_PALETTE_SIZE> Palette = DefaultPalette;
  std::array<uint32_t, XLS_THEME_COLOR_COUNT> Theme = DefaultThemeColors;
  std::u16string True = u"TRUE";
  std::u16string False = u"FALSE";
};

TGlobals& Globals() {
  static TGlobals g;
  return g;
}

}  // namespace

// Written as RRGGBB and stored as 00BBGGRR.
const std::array<uint32_t, XLS_PALETTE_SIZE> DefaultPalette = {
    Bgr(0x000000), Bgr(0xFFFFFF), Bgr(0xFF0000), Bgr(0x00FF00), Bgr(0x0000FF), Bgr(0xFFFF00),
    Bgr(0xFF00FF), Bgr(0x00FFFF), Bgr(0x000000), Bgr(0xFFFFFF), Bgr(0xFF0000), Bgr(0x00FF00),
    Bgr(0x0000FF), Bgr(0xFFFF00), Bgr(0xFF00FF), Bgr(0x00FFFF), Bgr(0x800000), Bgr(0x008000),
    Bgr(0x000080), Bgr(0x808000), Bgr(0x800080), Bgr(0x008080), Bgr(0xC0C0C0), Bgr(0x808080),
    Bgr(0x9999FF), Bgr(0x993366), Bgr(0xFFFFCC), Bgr(0xCCFFFF), Bgr(0x660066), Bgr(0xFF8080),
    Bgr(0x0066CC), Bgr(0xCCCCFF), Bgr(0x000080), Bgr(0xFF00FF), Bgr(0xFFFF00), Bgr(0x00FFFF),
    Bgr(0x800080), Bgr(0x800000), Bgr(0x008080), Bgr(0x0000FF), Bgr(0x00CCFF), Bgr(0xCCFFFF),
    Bgr(0xCCFFCC), Bgr(0xFFFF99), Bgr(0x99CCFF), Bgr(0xFF99CC), Bgr(0xCC99FF), Bgr(0xFFCC99),
    Bgr(0x3366FF), Bgr(0x33CCCC), Bgr(0x99CC00), Bgr(0xFFCC00), Bgr(0xFF9900), Bgr(0xFF6600),
    Bgr(0x666699), Bgr(0x969696), Bgr(0x003366), Bgr(0x339966), Bgr(0x003300), Bgr(0x333300),
    Bgr(0x993300), Bgr(0x993366), Bgr(0x333399), Bgr(0x333333), 0x0F000000, 0x0F000000,
};

const std::array<uint32_t, XLS_THEME_COLOR_COUNT> DefaultThemeColors = {
    Bgr(0xFFFFFF), Bgr(0x000000), Bgr(0xEEECE1), Bgr(0x1F497D), Bgr(0x4F81BD), Bgr(0xC0504D), Bgr(0x9BBB59),
    Bgr(0x8064A2), Bgr(0x4BACC6), Bgr(0xF79646), Bgr(0x0000FF), Bgr(0x800080), Bgr(0x7F7F7F),
};

std::array<uint32_t, XLS_PALETTE_SIZE>& IndexedPalette() { return Globals().Palette; }
std::array<uint32_t, XLS_THEME_COLOR_COUNT>& ThemeColors() { return Globals().Theme; }
void ResetIndexedPalette() { Globals().Palette = DefaultPalette; }

const std::u16string& StrTRUE() { return Globals().True; }
const std::u16string& StrFALSE() { return Globals().False; }
void SetStrTRUE(std::u16string value) { Globals().True = std::move(value); }
void SetStrFALSE(std::u16string value) { Globals().False = std::move(value); }

void ResetXLSGlobals() { Globals() = TGlobals(); }

}  // namespace xls
