// Streaming a large sheet keeps the number of live element objects constant: every heap block
// (element objects, lists, strings) is counted, and the count after the last cell equals the
// count after the first rows.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "xls/spreadsheetml/xpgparsexlsx.h"

namespace {
std::atomic<long> gLiveBlocks{0};
}  // namespace

void* operator new(std::size_t n) {
  void* p = std::malloc(n ? n : 1);
  if (!p) throw std::bad_alloc();
  ++gLiveBlocks;
  return p;
}
void operator delete(void* p) noexcept {
  if (p) --gLiveBlocks;
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  if (p) --gLiveBlocks;
  std::free(p);
}

namespace xls::xpgxlsx {
namespace {

TEST(TCT_SheetData_Stream, MillionCellsKeepLiveObjectsConstant) {
  constexpr int kRows = 10000, kCols = 100;
  std::string xml = "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
  xml.reserve(size_t(kRows) * kCols * 24 + 1000);
  for (int r = 1; r <= kRows; ++r) {
    xml += "<row r=\"" + std::to_string(r) + "\">";
    for (int c = 0; c < kCols; ++c) xml += (c % 10 == 0) ? "<c t=\"s\"><v>12</v></c>" : "<c s=\"1\"><v>3.5</v></c>";
    xml += "</row>";
  }
  xml += "</sheetData></worksheet>";

  TXPGDocXLSX doc;
  long cells = 0, rows = 0, afterWarmUp = -1, atEnd = -1;
  double sum = 0;
  doc.Worksheet()->SheetData()->Row()->OnReadC = [&](TCT_Cell& c) {
    ++cells;
    sum += c.V().size();
  };
  doc.Worksheet()->SheetData()->OnReadRow = [&](TCT_Row& r) {
    ++rows;
    if (r.R() == 10) afterWarmUp = gLiveBlocks.load();
    if (r.R() == kRows) atEnd = gLiveBlocks.load();
  };
  doc.LoadFromBytes(xml);
  EXPECT_EQ(rows, kRows);
  EXPECT_EQ(cells, long(kRows) * kCols);
  EXPECT_EQ(sum, 100000 * 2 + 900000 * 3);  // the value texts arrive whole
  EXPECT_GT(afterWarmUp, 0);
  EXPECT_EQ(atEnd, afterWarmUp);
}

}  // namespace
}  // namespace xls::xpgxlsx
