#include "platform/fontmetrics.h"

#include <atomic>
#include <cmath>

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

}  // namespace kws
