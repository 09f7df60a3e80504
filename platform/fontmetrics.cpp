#include "platform/fontmetrics.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <atomic>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>

#include "platform/textcodec.h"

namespace kws {

namespace {

std::atomic<int> gPixelsPerInch{96};

struct FontWidth {
  std::u16string_view Name;  // upper case
  double Digit;              // advance of the widest digit, in em
  double BoldDigit;
};

// Digit advances of the fonts that workbooks commonly name (all of them give the ten digits one
// width, as fonts made for tables do).
constexpr FontWidth kFonts[] = {
    {u"CALIBRI", 0.5068, 0.5068},      {u"CALIBRI LIGHT", 0.5068, 0.5068}, {u"CAMBRIA", 0.5552, 0.5552},
    {u"ARIAL", 0.5562, 0.5562},        {u"ARIAL NARROW", 0.4561, 0.4561}, {u"HELVETICA", 0.5562, 0.5562},
    {u"TIMES NEW ROMAN", 0.5, 0.5},    {u"TAHOMA", 0.5459, 0.5459},       {u"VERDANA", 0.6362, 0.6362},
    {u"COURIER NEW", 0.6001, 0.6001},  {u"CONSOLAS", 0.5498, 0.5498},     {u"SEGOE UI", 0.5586, 0.5586},
    {u"GEORGIA", 0.6143, 0.6499},      {u"MS SANS SERIF", 0.5, 0.5625},   {u"AHARONI", 0.5, 0.5},
    {u"SIMSUN", 0.5, 0.5},             {u"MS GOTHIC", 0.5, 0.5},          {u"MS PGOTHIC", 0.5, 0.5},
    {u"MICROSOFT YAHEI", 0.5581, 0.5581},
};
constexpr double kTypicalDigit = 0.55;

// Faces made with the metrics of the fonts workbooks name, as fontconfig's metric aliases pair
// them; a match to any other family (a general fallback) is not used for widths.
struct MetricAlias {
  std::u16string_view Name;  // upper case
  const char* Compatible;
};
constexpr MetricAlias kMetricAliases[] = {
    {u"CALIBRI", "Carlito"},
    {u"CAMBRIA", "Caladea"},
    {u"ARIAL", "Liberation Sans"},
    {u"HELVETICA", "Liberation Sans"},
    {u"ARIAL NARROW", "Liberation Sans Narrow"},
    {u"TIMES NEW ROMAN", "Liberation Serif"},
    {u"TIMES", "Liberation Serif"},
    {u"COURIER NEW", "Liberation Mono"},
    {u"COURIER", "Liberation Mono"},
};

// The font files found so far and the FreeType faces opened on them, under one lock.
struct FontFiles {
  std::mutex Lock;
  FT_Library Library = nullptr;
  bool Failed = false;
  bool FontconfigUp = false;
  struct Found {
    std::string Family;  // empty: no usable file
    FT_Face Face = nullptr;
  };
  std::map<std::tuple<std::u16string, bool, bool>, Found> Faces;

  ~FontFiles() {
    for (auto& f : Faces)
      if (f.second.Face) FT_Done_Face(f.second.Face);
    if (Library) FT_Done_FreeType(Library);
    if (FontconfigUp) FcFini();
  }

  // Called with the lock held.
  Found& Face(std::u16string_view faceName, bool bold, bool italic) {
    const std::u16string upper = AsciiUpperCopy(faceName);
    auto [it, added] = Faces.try_emplace(std::make_tuple(upper, bold, italic));
    if (!added) return it->second;
    if (!Library && !Failed && FT_Init_FreeType(&Library) != 0) Failed = true;
    if (Failed || faceName.empty()) return it->second;
    if (!FontconfigUp && !(FontconfigUp = FcInit())) return it->second;
    const std::string name = Utf16ToUtf8(faceName);
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return it->second;
    FcChar8* family = nullptr;
    FcChar8* file = nullptr;
    int index = 0;
    if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch &&
        FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
      FcPatternGetInteger(match, FC_INDEX, 0, &index);
      const std::string got(reinterpret_cast<const char*>(family));
      bool usable = AsciiUpperCopy(Utf8ToUtf16(got)) == upper;
      for (const auto& a : kMetricAliases)
        if (a.Name == upper && got == a.Compatible) usable = true;
      FT_Face face = nullptr;
      if (usable && FT_New_Face(Library, reinterpret_cast<const char*>(file), index, &face) == 0) {
        it->second.Family = got;
        it->second.Face = face;
      }
    }
    FcPatternDestroy(match);
    return it->second;
  }
};

FontFiles& Files() {
  static FontFiles files;
  return files;
}

// The next code point of UTF-16 text (a lone surrogate stands for itself).
char32_t NextCodePoint(std::u16string_view s, size_t& i) {
  const char16_t a = s[i++];
  if (a >= 0xD800 && a < 0xDC00 && i < s.size() && s[i] >= 0xDC00 && s[i] < 0xE000)
    return 0x10000 + ((char32_t(a) - 0xD800) << 10) + (s[i++] - 0xDC00);
  return a;
}

}  // namespace

int PixelsPerInch() { return gPixelsPerInch.load(std::memory_order_relaxed); }

void SetPixelsPerInch(int ppi) { gPixelsPerInch.store(ppi >= 1 ? ppi : 96, std::memory_order_relaxed); }

FontPixelMetrics MeasureFont(std::u16string_view faceName, double sizePoints, bool bold, int ppi) {
  FontPixelMetrics m;
  if (!(sizePoints > 0) || sizePoints > 4096 || ppi < 1) return m;
  const double px = sizePoints * ppi / 72.0;
  m.Height = int(std::lround(px));
  const std::u16string name = AsciiUpperCopy(faceName);
  double digit = kTypicalDigit;
  for (const auto& f : kFonts)
    if (f.Name == name) {
      digit = bold ? f.BoldDigit : f.Digit;
      break;
    }
  // Advances are hinted to whole pixels, which drops the fraction.
  m.DigitWidth = int(std::floor(px * digit + 1e-9));
  if (m.DigitWidth < 1) m.DigitWidth = 1;
  return m;
}

int MeasureText(std::u16string_view faceName, double sizePoints, bool bold, bool italic,
                std::u16string_view text, int ppi) {
  if (text.empty()) return 0;
  const FontPixelMetrics m = MeasureFont(faceName, sizePoints, bold, ppi);
  if (m.Height == 0) return 0;
  FontFiles& files = Files();
  {
    std::lock_guard<std::mutex> lock(files.Lock);
    FT_Face face = files.Face(faceName, bold, italic).Face;
    if (face && FT_Set_Char_Size(face, 0, FT_F26Dot6(std::lround(sizePoints * 64)), FT_UInt(ppi),
                                 FT_UInt(ppi)) == 0) {
      long width = 0;
      for (size_t i = 0; i < text.size();) {
        const char32_t cp = NextCodePoint(text, i);
        const FT_UInt glyph = FT_Get_Char_Index(face, cp);
        // A character the file lacks counts as a digit, as for a font without a file.
        // The design advance scaled to the size and rounded to whole pixels, as the screen lays out
        // text; the hinter's own advances run a pixel wider at common sizes (Carlito's digits at
        // 11 points give 8 pixels where Calibri's give 7).
        if (glyph == 0 || FT_Load_Glyph(face, glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0)
          width += m.DigitWidth;
        else
          width += (face->glyph->linearHoriAdvance + 0x8000) >> 16;
        if (width > (1L << 30)) break;
      }
      return int(width);
    }
  }
  long width = 0;
  for (size_t i = 0; i < text.size() && width <= (1L << 30);) {
    NextCodePoint(text, i);
    width += m.DigitWidth;
  }
  return int(width);
}

std::string TextFontFamily(std::u16string_view faceName, bool bold, bool italic) {
  FontFiles& files = Files();
  std::lock_guard<std::mutex> lock(files.Lock);
  return files.Face(faceName, bold, italic).Family;
}

}  // namespace kws
