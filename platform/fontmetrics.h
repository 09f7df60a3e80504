// Font metrics without a display device.
//
// This stands in for the graphics interface the style sheet used to measure fonts on the screen
// (an information context on the display, a font made from a logical-font record, the text
// extent of single characters, the desktop's pixels per inch). There is no screen here: the
// resolution is 96 pixels per inch unless a program sets another, and the width of a digit comes
// from a table of the advance widths of digits in common fonts (as a fraction of the em), which
// is how column widths are derived. Text widths come from the font files fontconfig finds: the
// face itself or a face made with its metrics (Carlito for Calibri, Liberation Sans for Arial and
// so on), whose advances FreeType reads at the pixel size; with neither, every character counts
// as wide as a digit of the table. Thread-safe; no GUI library is touched.
#pragma once

#include <string>
#include <string_view>

namespace kws {

// The resolution used for pixel sizes: 96 unless set (values below 1 restore 96).
int PixelsPerInch();
void SetPixelsPerInch(int ppi);

struct FontPixelMetrics {
  int Height = 0;      // pixel height of the em: size in points * ppi / 72, rounded
  int DigitWidth = 0;  // largest advance of the digits 0..9, in whole pixels (at least 1)
};

// Metrics of a font given by its face name (ASCII letters compared without case), its size in
// points and whether it is bold, at `ppi` pixels per inch. Unknown faces use a typical width.
FontPixelMetrics MeasureFont(std::u16string_view faceName, double sizePoints, bool bold, int ppi);

// The width in whole pixels of `text` on one line in the font (no kerning): the sum of the
// advances, each rounded to whole pixels, of the face's font file or of a metric-compatible one;
// without such a file, the number of characters times MeasureFont's digit width.
int MeasureText(std::u16string_view faceName, double sizePoints, bool bold, bool italic,
                std::u16string_view text, int ppi);
// The family name of the font file MeasureText uses for the face, or empty when it uses the table.
std::string TextFontFamily(std::u16string_view faceName, bool bold, bool italic);

}  // namespace kws
