// What the cell store and the shared string table need of the style sheet: use counts.
//
// Cells count one use of their cell format (and through it of its number format, font, fill and
// border); rich shared strings hold font references whose uses are released when the string
// goes. The style sheet's cell-format editor implements this interface; the cell store and the
// shared string table hold it as a back-reference (not owned) and work without one (nullptr: no
// counting), so that they can be used and tested alone.
#pragma once

#include <cstddef>
#include <cstdint>

namespace xls {

class TXc12Font;

// A rich-text run: from character Index on, the text uses Font (a font of the style sheet).
struct TXc12FontRun {
  int32_t Index = 0;
  TXc12Font* Font = nullptr;
  bool operator==(const TXc12FontRun&) const = default;
};

class TXLSStyleUseCounter {
 public:
  virtual ~TXLSStyleUseCounter() = default;
  // One more use of cell format `xf` and of its number format, font, fill and border.
  virtual void UseStyle(int32_t xf) = 0;
  // One use less of the same.
  virtual void FreeStyle(int32_t xf) = 0;
  // One use less of each run's font.
  virtual void FreeFonts(const TXc12FontRun* runs, size_t count) = 0;
};

}  // namespace xls
