// Fills one sheet's cell store the way a reader does (row by row, left to right) with 10 million
// numbers and 1 million distinct shared strings, then reads every cell back by row iteration.
//
// Layout: 1,000,000 rows of 11 cells: columns 0-3 small integers, 4-6 values with two decimals,
// 7-9 arbitrary doubles, column 10 a text "item <row>". Prints the store and read times, the
// store's bytes per numeric cell (the numbers alone are stored once more into a second store to
// measure them apart from the strings) and a checksum so the reads cannot be optimised away.
#include <chrono>
#include <cstdio>
#include <string>

#include "xls/model/xlscellmmu.h"
#include "xls/model/xlssst.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

constexpr int32_t kRows = 1000000;
constexpr int32_t kNumCols = 10;

double Value(int32_t row, int32_t col) {
  if (col < 4) return double((row * 7 + col) % 30000);
  if (col < 7) return double((row * 13 + col) % 1000000) / 100.0;
  return double(row) * 1.0000001 + col / 3.0;
}

std::u16string Text(int32_t row) {
  const std::string s = "item " + std::to_string(row);
  return std::u16string(s.begin(), s.end());
}

void FillNumbers(xls::TXLSCellMMU& m) {
  for (int32_t r = 0; r < kRows; ++r)
    for (int32_t c = 0; c < kNumCols; ++c) m.StoreFloat(c, r, 0, Value(r, c));
}

}  // namespace

int main() {
  // Numbers alone: bytes per numeric cell.
  {
    xls::TXLSCellMMU numbers(0, nullptr, nullptr);
    const auto t0 = Clock::now();
    FillNumbers(numbers);
    const auto t1 = Clock::now();
    std::printf("numbers only: store %.3f s, %.2f bytes per numeric cell in use, %.2f allocated\n", Seconds(t0, t1),
                double(numbers.MemoryUsed()) / (double(kRows) * kNumCols),
                double(numbers.MemoryAllocated()) / (double(kRows) * kNumCols));
  }

  xls::TXc12DataSST sst;
  xls::TXLSCellMMU m(0, &sst, nullptr);
  const auto t0 = Clock::now();
  for (int32_t r = 0; r < kRows; ++r) {
    for (int32_t c = 0; c < kNumCols; ++c) m.StoreFloat(c, r, 0, Value(r, c));
    m.StoreString(kNumCols, r, 0, Text(r));
  }
  const auto t1 = Clock::now();

  double sum = 0;
  size_t chars = 0, cells = 0;
  m.BeginIterate(0);
  while (m.IterateNext()) {
    const xls::TXLSCellItem& cell = m.IterCell();
    ++cells;
    if (m.CellType(cell) == xls::TXLSCellType::xctString) {
      const xls::TXLSString* s = sst.GetItems(m.GetStringSST(cell));
      chars += s->Len;
    } else {
      sum += m.GetFloat(cell);
    }
  }
  const auto t2 = Clock::now();

  double expected = 0;
  for (int32_t r = 0; r < kRows; ++r)
    for (int32_t c = 0; c < kNumCols; ++c) expected += m.GetFloat(m.FindCell(c, r));
  std::printf("numbers + strings: store %.3f s, read by row iteration %.3f s (%zu cells, %zu string units)\n",
              Seconds(t0, t1), Seconds(t1, t2), cells, chars);
  std::printf("cell store %.1f MB in use, %.1f MB allocated; %d shared strings\n", m.MemoryUsed() / 1e6,
              m.MemoryAllocated() / 1e6, sst.TotalCount());
  std::printf("checksum %s\n", sum == expected ? "ok" : "MISMATCH");
  return sum == expected && cells == size_t(kRows) * (kNumCols + 1) ? 0 : 1;
}
