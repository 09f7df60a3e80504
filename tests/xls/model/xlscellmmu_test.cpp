#include "xls/model/xlscellmmu.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include "xls/model/xlserrors.h"
#include "xls/model/xlssst.h"
#include "xls/model/xlsstyleuse.h"

namespace xls {
namespace {

// Counts uses per cell format.
class CountingStyles : public TXLSStyleUseCounter {
 public:
  void UseStyle(int32_t xf) override { ++Uses[xf]; }
  void FreeStyle(int32_t xf) override { --Uses[xf]; }
  void FreeFonts(const TXc12FontRun*, size_t count) override { FreedFonts += int(count); }
  std::map<int32_t, int> Uses;
  int FreedFonts = 0;
};

std::vector<uint8_t> RowBytes(TXLSCellMMU& m, int32_t row) {
  if (!m.FindRow(row)) return {};
  m.SelectRowBlock(row);
  auto& bm = m.BlockManager();
  bm.SelectVector(row & 255);
  const uint8_t* v = bm.GetVector(row & 255);
  return std::vector<uint8_t>(v, v + bm.VectManager().MemorySize());
}

std::vector<uint8_t> Header(uint16_t count, uint32_t last) {
  return {uint8_t(count), uint8_t(count >> 8), uint8_t(last), uint8_t(last >> 8), uint8_t(last >> 16), uint8_t(last >> 24),
          0, 0, 0, 0, 0x2C, 0x01};  // default row header: height 300
}

std::vector<uint8_t> Cat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(CellStore_RowVector, ExactBytes) {
  TXLSCellMMU m(0, nullptr, nullptr);
  for (int c = 0; c < 3; ++c) m.StoreFloat(c, 0, 0, 7);
  EXPECT_EQ(RowBytes(m, 0), Cat(Header(3, 12), {3, 2, 7, 7, 7}));  // one run (3, kind 2)

  m.StoreFloat(300, 1, 0, 5);  // 127 + 127 + 46 empty columns first
  EXPECT_EQ(RowBytes(m, 1), Cat(Header(301, 15), {0xFF, 0xFF, 0xAE, 1, 2, 5}));

  for (int c = 0; c < 128; ++c) m.StoreFloat(c, 2, 0, 1);  // the 128th item starts a new run
  std::vector<uint8_t> runs = {127, 2};
  runs.insert(runs.end(), 127, 1);
  runs.insert(runs.end(), {1, 2, 1});
  EXPECT_EQ(RowBytes(m, 2), Cat(Header(128, 12 + 129), runs));

  // A sized item never joins a run; a blank always carries its style.
  m.StoreBlank(0, 3, 0);
  m.StoreBlank(1, 3, 9);
  EXPECT_EQ(RowBytes(m, 3), Cat(Header(2, 12), {2, 0x41, 0, 0, 9, 0}));
}

TEST(CellStore_RowVector, RebuildInsideGapsAndRuns) {
  TXLSCellMMU m(0, nullptr, nullptr);
  m.StoreFloat(0, 0, 0, 1);
  m.StoreFloat(200, 0, 0, 2);
  m.StoreFloat(128, 0, 0, 3);  // inside the gap 1..199: rebuilt
  EXPECT_EQ(RowBytes(m, 0), Cat(Header(201, 20), {1, 2, 1, 0xFF, 1, 2, 3, 0xC7, 1, 2, 2}));
  m.StoreFloat(128, 0, 0, 1000);  // replaces the item, another code
  EXPECT_EQ(m.GetFloat(m.FindCell(128, 0)), 1000);
  EXPECT_EQ(m.GetFloat(m.FindCell(200, 0)), 2);
  m.StoreFloat(5, 5, 0, 1);
  m.StoreFloat(6, 5, 0, 2);
  m.StoreFloat(7, 5, 0, 3);
  m.StoreFloat(6, 5, 0, 1.5);  // inside a run: split into three slots
  EXPECT_EQ(RowBytes(m, 5), Cat(Header(8, 22), {0x85, 1, 2, 1, 1, 5, 0x96, 0, 0, 0, 1, 2, 3}));
}

TEST(CellStore_RowVector, DeletingLastItemRemovesRowAndHeader) {
  CountingStyles styles;
  TXLSCellMMU m(0, nullptr, &styles);
  m.StoreFloat(3, 10, 0, 1);
  m.StoreFloat(4, 11, 0, 1);
  EXPECT_EQ(styles.Uses[0], 4);  // two new rows, two cells
  m.DeleteCell(3, 10);
  EXPECT_EQ(m.FindRow(10), nullptr);
  EXPECT_NE(m.FindRow(11), nullptr);
  EXPECT_EQ(styles.Uses[0], 2);
  EXPECT_EQ(m.Blocks(0).MemSize, 12 + 1 + 3);  // row 11: a gap byte and a slot
  m.DeleteCell(3, 10);  // nothing there: nothing changes
  EXPECT_EQ(styles.Uses[0], 2);
}

TEST(CellStore_Dimensions, UsedAreaAndLastRow) {
  TXLSCellMMU m(0, nullptr, nullptr);
  EXPECT_TRUE(m.CalcDimensions());
  EXPECT_EQ(m.FDimension, (TXLSCellArea{0, 0, 0, 0}));
  m.AddRow(5, 0);  // a header-only row is still empty
  EXPECT_TRUE(m.CalcDimensions());
  m.DeleteRows(5, 5);
  for (int r = 300; r <= 310; ++r) m.StoreFloat(2 + r % 3, r, 0, r);
  EXPECT_FALSE(m.CalcDimensions());
  EXPECT_EQ(m.FDimension, (TXLSCellArea{300, 310, 2, 4}));
  EXPECT_EQ(m.LastRow(), 310);
  int32_t c1, c2;
  m.CalcRowDimensions(305, c1, c2);
  EXPECT_EQ(c1, 2);
  EXPECT_EQ(c2, 4);
  m.CalcRowDimensions(5000, c1, c2);
  EXPECT_EQ(c1, -1);
  m.DeleteRows(2000, 3000);  // beyond the block list: nothing
  EXPECT_EQ(m.BlockCount(), 2u);
  m.DeleteRows(300, 310);
  EXPECT_EQ(m.BlockCount(), 0u);
  EXPECT_EQ(m.LastRow(), -1);
  m.StoreFloat(0, 0, 0, 1);
  EXPECT_EQ(m.LastRow(), 0);
}

TEST(CellStore_Iterate, RowsAndColumnsInOrder) {
  TXLSCellMMU m(0, nullptr, nullptr);
  const std::vector<std::pair<int32_t, int32_t>> cells = {{0, 1}, {5, 1}, {16383, 1}, {2, 256}, {7, 1048575}};
  for (auto [c, r] : cells) m.StoreFloat(c, r, 0, c + r);
  m.AddRow(600, 0);  // header only: visited, but has no cells
  std::vector<std::pair<int32_t, int32_t>> seen;
  m.BeginIterate(0);
  while (m.IterateNext()) {
    seen.emplace_back(m.IterCellCol(), m.IterCellRow());
    EXPECT_EQ(m.GetFloat(m.IterCell()), m.IterCellCol() + m.IterCellRow());
  }
  EXPECT_EQ(seen, cells);
  m.BeginIterate(257);
  ASSERT_TRUE(m.IterateNext());
  EXPECT_EQ(m.IterCellRow(), 1048575);
}

TEST(CellStore_Limits, BadPositionsRaiseAndLeaveTheStoreAlone) {
  TXLSCellMMU m(0, nullptr, nullptr);
  m.StoreFloat(1, 1, 0, 1);
  const auto before = RowBytes(m, 1);
  EXPECT_THROW(m.StoreFloat(16384, 1, 0, 1), XLSRWException);
  EXPECT_THROW(m.StoreFloat(-1, 1, 0, 1), XLSRWException);
  EXPECT_THROW(m.StoreBoolean(0, 1048576, 0, true), XLSRWException);
  EXPECT_THROW(m.StoreBoolean(0, -1, 0, true), XLSRWException);
  EXPECT_THROW(m.StoreFloat(0, 1, 70000, 1), XLSRWException);
  EXPECT_THROW(m.SetXLate(256, 1), XLSRWException);
  EXPECT_EQ(RowBytes(m, 1), before);
  EXPECT_EQ(m.BlockCount(), 1u);
  EXPECT_EQ(m.FindCell(16384, 1).Data, nullptr);
  EXPECT_EQ(m.FindCell(0, -5).Data, nullptr);
}

TEST(CellItems_EncodeFloat, Kinds) {
  struct Case {
    double x;
    uint8_t kind;
    int64_t stored;
  } cases[] = {
      {0, 8, 0},         {7, 2, 7},           {-128, 2, -128},        {300, 3, 300},
      {100000, 4, 100000}, {-2147483646, 4, -2147483646}, {-2147483647, 8, 0}, {12.5, 5, 1250},
      {0.001, 6, 10},    {3.14159, 8, 0},     {-0.5, 8, 0},           {1e-9, 8, 0},
      {5e9, 8, 0},       {2.5e-5, 8, 0},      {1234.5678, 6, 12345678},
      // sound packing: only forms that read back exactly
      {0.1234567890123456, 8, 0}, {1.00000000000001, 8, 0}, {7.0000000000001, 8, 0},
  };
  for (const auto& c : cases) {
    const TXLSEncodedFloat e = EncodeFloat(c.x);
    EXPECT_EQ(e.Kind, c.kind) << c.x;
    if (c.kind != 8) {
      EXPECT_EQ(e.Int, c.stored) << c.x;
    } else {
      EXPECT_EQ(std::bit_cast<uint64_t>(e.Float), std::bit_cast<uint64_t>(c.x)) << c.x;
    }
  }
  for (double special : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                         -std::numeric_limits<double>::infinity(), 1.7976931348623157e308})
    EXPECT_EQ(EncodeFloat(special).Kind, 8);
}

TEST(CellItems_Float, ReadBackExactly) {
  TXLSCellMMU m(0, nullptr, nullptr);
  const double values[] = {12.5, 0.001, 0.1234567890123456, 1.00000000000001, -0.5, 1e300, -3.25, 65535, 1e-300};
  for (size_t i = 0; i < std::size(values); ++i) m.StoreFloat(int32_t(i), 0, int32_t(i % 2) * 7, values[i]);
  for (size_t i = 0; i < std::size(values); ++i) {
    const TXLSCellItem c = m.FindCell(int32_t(i), 0);
    EXPECT_EQ(m.CellType(c), TXLSCellType::xctFloat);
    EXPECT_EQ(m.GetFloat(c), values[i]);
    EXPECT_EQ(m.GetStyle(c), int32_t(i % 2) * 7);
  }
  TXLSCellMMU nan(0, nullptr, nullptr);
  nan.StoreFloat(0, 0, 0, std::numeric_limits<double>::quiet_NaN());
  EXPECT_TRUE(std::isnan(nan.GetFloat(nan.FindCell(0, 0))));
}

TEST(CellItems_Types, BooleanErrorStringAndBlank) {
  TXc12DataSST sst;
  TXLSCellMMU m(0, &sst, nullptr);
  m.StoreBoolean(0, 0, 0, true);
  m.StoreError(1, 0, 3, TXc12CellError::errDiv0);
  m.StoreString(2, 0, 0, u"abc");
  m.StoreBlank(3, 0, 0);
  TXLSCellMMU noTable(0, nullptr, nullptr);  // indexes alone, no table to count in
  noTable.StoreString(4, 0, 0, 65535);
  noTable.StoreString(5, 0, 0, 70000);
  EXPECT_TRUE(m.GetBoolean(m.FindCell(0, 0)));
  EXPECT_EQ(m.GetError(m.FindCell(1, 0)), TXc12CellError::errDiv0);
  EXPECT_EQ(m.GetStyle(m.FindCell(1, 0)), 3);
  EXPECT_EQ(m.GetString(m.FindCell(2, 0)), u"abc");
  EXPECT_EQ(m.CellType(m.FindCell(2, 0)), TXLSCellType::xctString);
  EXPECT_EQ(m.FindCell(3, 0).XLate, 0x41u);
  EXPECT_TRUE(m.GetBlank(3, 0));
  EXPECT_TRUE(m.GetEmpty(3, 0));
  EXPECT_TRUE(m.GetEmpty(30, 0));
  EXPECT_FALSE(m.GetEmpty(0, 0));
  EXPECT_EQ(noTable.FindCell(4, 0).XLate, 9u);
  EXPECT_EQ(noTable.FindCell(5, 0).XLate, 10u);
  EXPECT_EQ(noTable.GetStringSST(noTable.FindCell(5, 0)), 70000);
  EXPECT_EQ(m.CellType(m.FindCell(9, 9)), TXLSCellType::xctNone);
  EXPECT_EQ(m.GetFloat(m.FindCell(0, 0)), 0);
}

TEST(CellItems_Formula, TextTokensChildrenAndResults) {
  TXLSCellMMU m(0, nullptr, nullptr);
  auto& h = m.FormulaHelper();
  h.Clear();
  h.FCol = 0, h.FRow = 0, h.FStyle = 0;
  h.FFormula = u"SUM(A1:B2)";
  h.SetAsFloat(3.5);
  m.StoreFormula();
  TXLSCellItem c = m.FindCell(0, 0);
  EXPECT_EQ(c.XLate, 0x94u);
  EXPECT_FALSE(m.IsFormulaCompiled(c));
  EXPECT_EQ(m.GetFormula(c), u"SUM(A1:B2)");
  EXPECT_EQ(m.GetFormulaValFloat(c), 3.5);
  EXPECT_EQ(m.GetFloat(c), 3.5);
  const uint8_t* body = c.Data + 3 + 8;
  EXPECT_EQ(body[2], 1);  // one byte per character
  const uint8_t* ptgs;
  EXPECT_THROW(m.GetFormulaPtgs(c, ptgs), XLSRWException);

  h.Clear();
  h.FCol = 1, h.FRow = 0, h.FStyle = 4;
  h.FFormula = u"\u4e2d";
  h.SetAsString(u"r\u00e9sult");
  h.SetStrTargetRef(u"B1:C3");
  m.StoreFormula();
  c = m.FindCell(1, 0);
  EXPECT_EQ(c.XLate, 0xD5u);
  EXPECT_EQ(m.GetStyle(c), 4);
  EXPECT_EQ(m.GetFormula(c), u"\u4e2d");
  EXPECT_EQ(m.GetFormulaValString(c), u"r\u00e9sult");
  m.RetriveFormula(c);
  EXPECT_TRUE(h.FHasApply);
  EXPECT_EQ(h.StrTargetRef(), u"B1:C3");
  EXPECT_EQ(h.FFormula, u"\u4e2d");

  h.Clear();
  h.FCol = 2, h.FRow = 0, h.FStyle = 0;
  h.FFormulaType = TXLSCellFormulaType::xcftArrayChild97;
  h.FParentCol = 3, h.FParentRow = 70000;
  h.SetAsBoolean(true);
  m.StoreFormula();
  c = m.FindCell(2, 0);
  EXPECT_TRUE(m.IsFormulaCompiled(c));
  ASSERT_EQ(m.GetFormulaPtgs(c, ptgs), 7);
  EXPECT_EQ(std::vector<uint8_t>(ptgs, ptgs + 7), (std::vector<uint8_t>{0xB9, 3, 0, 0x70, 0x11, 0x01, 0}));
  EXPECT_THROW(m.GetFormula(c), XLSRWException);
  EXPECT_TRUE(m.GetFormulaValBoolean(c));

  h.Clear();
  const uint8_t tokens[] = {0x1E, 0x05, 0x00};
  h.AllocPtgs97(tokens, 3);
  h.FCol = 3, h.FRow = 0, h.FStyle = 0;
  h.SetAsError(TXc12CellError::errNA);
  m.StoreFormula();
  c = m.FindCell(3, 0);
  ASSERT_EQ(m.GetFormulaPtgs(c, ptgs), 4);
  EXPECT_EQ(ptgs[0], 0xFF);
  EXPECT_EQ(m.GetFormulaValError(c), TXc12CellError::errNA);

  EXPECT_THROW(h.SetAsError(TXc12CellError::errUnknown), XLSRWException);
  h.Clear();
  h.FCol = 4, h.FRow = 0;
  EXPECT_THROW(m.StoreFormula(), XLSRWException);  // no result type
}

TEST(CellItems_Formula, LongCachedStringIsCutNotWrapped) {
  TXLSCellMMU m(0, nullptr, nullptr);
  auto& h = m.FormulaHelper();
  h.Clear();
  h.FCol = 0, h.FRow = 0, h.FStyle = 0;
  h.FFormula = u"A1";
  h.SetAsString(std::u16string(40000, u'x'));
  m.StoreFormula();
  const TXLSCellItem c = m.FindCell(0, 0);
  const std::u16string s = m.GetFormulaValString(c);
  EXPECT_GT(s.size(), 30000u);
  EXPECT_LT(s.size(), 40000u);
  EXPECT_EQ(s, std::u16string(s.size(), u'x'));
  EXPECT_EQ(m.GetFormula(c), u"A1");
  h.Clear();
  h.FCol = 1, h.FRow = 0, h.FStyle = 0;
  h.FFormula = std::u16string(70000, u'y');
  h.SetAsFloat(1);
  EXPECT_THROW(m.StoreFormula(), XLSRWException);
  EXPECT_EQ(m.FindCell(1, 0).Data, nullptr);
}

TEST(CellItems_Style, SetStyleClearCellAndUseCounts) {
  CountingStyles styles;
  TXc12DataSST sst;
  TXLSCellMMU m(0, &sst, &styles);
  m.StoreFloat(0, 0, 0, 300);
  m.SetStyle(0, 0, 5);  // re-packed with a style prefix
  TXLSCellItem c = m.FindCell(0, 0);
  EXPECT_EQ(c.XLate, 0x43u);
  EXPECT_EQ(m.GetFloat(c), 300);
  m.SetStyle(0, 0, 6);  // overwritten in place
  EXPECT_EQ(m.FindCell(0, 0).Data, c.Data);
  EXPECT_EQ(m.GetStyle(m.FindCell(0, 0)), 6);
  EXPECT_EQ(styles.Uses[5], 0);
  EXPECT_EQ(styles.Uses[6], 1);
  EXPECT_EQ(styles.Uses[0], 1);  // the row

  m.ClearCell(0, 0);  // styled: becomes a blank with that style
  EXPECT_TRUE(m.GetBlank(0, 0));
  EXPECT_EQ(m.GetStyle(m.FindCell(0, 0)), 6);
  EXPECT_EQ(styles.Uses[6], 1);
  m.StoreFloat(1, 0, 0, 2);
  m.ClearCell(1, 0);  // unstyled: removed
  EXPECT_EQ(m.FindCell(1, 0).Data, nullptr);
  EXPECT_EQ(styles.Uses[0], 1);

  m.StoreString(2, 0, 0, u"text");
  m.SetStyle(2, 0, 8);
  m.SetStyle(2, 0, 0);
  EXPECT_EQ(sst.GetItems(0)->RefCount, 1);  // restoring by index keeps one use
  m.UpdateStringOF(2, 0, u"other", 3);
  EXPECT_EQ(sst.GetItems(0), nullptr);  // the replaced text had no use left
  m.DeleteCell(2, 0);
  EXPECT_EQ(sst.TotalCount(), 1);  // the last slot went; slot 0 waits for reuse
  EXPECT_EQ(sst.FreeCount(), 1);

  m.AddRow(9, 4);
  EXPECT_EQ(int(m.FindRow(9)->Style), 4);
  EXPECT_EQ(int(m.FindRow(9)->Height), 300);
  m.FindRow(9)->Height = 500;
  m.AddRow(9, 7);
  EXPECT_EQ(int(m.FindRow(9)->Height), 300);
  EXPECT_EQ(styles.Uses[4], 0);
  EXPECT_EQ(styles.Uses[7], 1);

  m.UpdateFloatOF(0, 0, 9.5, 1);  // the cell keeps its format 6
  EXPECT_EQ(m.GetStyle(m.FindCell(0, 0)), 6);
  EXPECT_EQ(styles.Uses[6], 1);
  EXPECT_EQ(styles.Uses[1], 0);
}

}  // namespace
}  // namespace xls

namespace xls {
namespace {

// Random stores and deletes in a few rows, checked cell by cell and by iteration against a plain
// map after every step: exercises appends, runs, gaps, rebuilds and vector removal together.
TEST(CellStore_Random, MatchesAPlainMap) {
  TXLSCellMMU m(0, nullptr, nullptr);
  std::map<std::pair<int32_t, int32_t>, double> ref;  // (row, col) -> value
  uint32_t seed = 12345;
  const auto next = [&seed](uint32_t n) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) % n;
  };
  const int32_t rows[] = {0, 1, 255, 256, 70000};
  const double values[] = {1, 2, 300, 1.5, 0.1234567890123456, -7, 100000};
  for (int step = 0; step < 4000; ++step) {
    const int32_t row = rows[next(5)];
    const int32_t col = int32_t(next(4) == 0 ? next(600) : next(40));
    if (next(4) == 0) {
      m.DeleteCell(col, row);
      ref.erase({row, col});
    } else {
      const double v = values[next(7)];
      m.StoreFloat(col, row, 0, v);
      ref[{row, col}] = v;
    }
    if (step % 97 != 0) continue;
    for (const auto& [rc, v] : ref) ASSERT_EQ(m.GetFloat(m.FindCell(rc.second, rc.first)), v) << step;
    using Cells = std::vector<std::pair<std::pair<int32_t, int32_t>, double>>;
    Cells seen;
    m.BeginIterate(0);
    while (m.IterateNext()) seen.push_back({{m.IterCellRow(), m.IterCellCol()}, m.GetFloat(m.IterCell())});
    ASSERT_EQ(seen, Cells(ref.begin(), ref.end())) << step;
    for (int32_t r : rows) {
      const bool hasCells = ref.lower_bound({r, 0}) != ref.lower_bound({r + 1, 0});
      ASSERT_EQ(m.FindRow(r) != nullptr, hasCells) << step;
    }
  }
}

// A file gives the headers of a group of rows before their cells: each row that then grows moves
// behind the others in its block, and every row keeps its header, its cells and its place in the
// row order.
TEST(CellStore_RowOrder, HeadersFirstThenCellsRowByRow) {
  CountingStyles styles;
  TXLSCellMMU m(0, nullptr, &styles);
  for (int32_t r = 0; r < 40; ++r) m.AddRow(r, r % 3);
  for (int32_t r = 0; r < 40; ++r)
    for (int32_t c = 0; c < 6; ++c) m.StoreFloat(c * 2, r, 0, r * 100 + c + 0.25);
  std::vector<std::pair<int32_t, int32_t>> order;
  m.BeginIterate(0);
  while (m.IterateNext()) {
    order.push_back({m.IterCellRow(), m.IterCellCol()});
    EXPECT_EQ(m.GetFloat(m.IterCell()), m.IterCellRow() * 100 + m.IterCellCol() / 2 + 0.25);
  }
  ASSERT_EQ(order.size(), 240u);
  EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
  // The same rows made one after the other, each with its header: the same bytes row by row.
  CountingStyles styles2;
  TXLSCellMMU in(0, nullptr, &styles2);
  for (int32_t r = 0; r < 40; ++r) {
    in.AddRow(r, r % 3);
    for (int32_t c = 0; c < 6; ++c) in.StoreFloat(c * 2, r, 0, r * 100 + c + 0.25);
  }
  for (int32_t r = 0; r < 40; ++r) {
    EXPECT_EQ(uint16_t(m.FindRow(r)->Style), r % 3) << r;
    EXPECT_EQ(RowBytes(m, r), RowBytes(in, r)) << r;
  }
  EXPECT_EQ(styles.Uses, styles2.Uses);
}

// Block areas come from the store's page pool: a sheet filled row by row grows its last block in
// place over several batches; blocks edited afterwards move, blocks emptied give their area up,
// and blocks that keep moving end up on the heap. Every cell keeps its value throughout.
TEST(CellStore_Pool, FillInOrderThenEditMoveAndDeleteBlocks) {
  TXLSCellMMU m(0, nullptr, nullptr);
  std::map<std::pair<int32_t, int32_t>, double> ref;
  const auto store = [&](int32_t row, int32_t col, double v) {
    m.StoreFloat(col, row, 0, v);
    ref[{row, col}] = v;
  };
  const auto check = [&](const char* when) {
    for (const auto& [rc, v] : ref) ASSERT_EQ(m.GetFloat(m.FindCell(rc.second, rc.first)), v) << when;
    size_t n = 0;
    m.BeginIterate(0);
    while (m.IterateNext()) ++n;
    ASSERT_EQ(n, ref.size()) << when;
  };
  for (int32_t r = 0; r < 6000; ++r)
    for (int32_t c = 0; c < 12; ++c) store(r, c, r * 1.25 + c / 7.0);
  check("filled in order");
  for (int32_t r = 3; r < 6000; r += 97) store(r, 300 + r % 50, -r - 0.5);  // earlier blocks grow elsewhere
  check("edited");
  m.DeleteRows(512, 1279);  // whole blocks and parts of blocks
  ref.erase(ref.lower_bound({512, 0}), ref.lower_bound({1280, 0}));
  check("rows deleted");
  for (int round = 0; round < 40; ++round) {  // blocks emptied and filled again, again and again
    m.DeleteRows(2048, 2303);
    ref.erase(ref.lower_bound({2048, 0}), ref.lower_bound({2304, 0}));
    for (int32_t r = 2048; r < 2304; r += 3) store(r, round % 7, round + r / 8.0);
    store(100, 400 + round, round);
  }
  check("emptied and refilled");
  m.Clear();
  ref.clear();
  store(7, 7, 7.5);
  check("after clearing");
  // Two blocks growing in turn move each other out of place until the pool closes.
  for (int32_t c = 0; c < 4000; ++c) {
    store(0, c, c + 0.5);
    store(256, c, -c - 0.5);
  }
  check("two blocks in turn");
}

}  // namespace
}  // namespace xls

namespace xls {
namespace {

TEST(CellItems_Strings, BadIndexRaisesBeforeWritingAndRowDeletionReleases) {
  TXc12DataSST sst;
  TXLSCellMMU m(0, &sst, nullptr);
  EXPECT_THROW(m.StoreString(0, 0, 0, 5), XLSRWException);
  EXPECT_EQ(m.FindRow(0), nullptr);
  m.StoreString(0, 0, 0, u"kept");
  m.StoreString(0, 1, 0, u"gone");
  m.StoreString(1, 1, 0, u"gone");
  EXPECT_EQ(sst.GetItems(1)->RefCount, 2);
  m.DeleteRows(1, 1);
  EXPECT_EQ(sst.TotalCount(), 1);  // the rows' string uses were given back
  EXPECT_EQ(m.GetString(m.FindCell(0, 0)), u"kept");
  m.StoreString(1, 0, 4, u"styled");
  m.ClearCell(1, 0);  // a blank with the style stays; the string's use goes
  EXPECT_TRUE(m.GetBlank(1, 0));
  EXPECT_EQ(sst.TotalCount(), 1);
}

}  // namespace
}  // namespace xls

namespace xls {
namespace {

TEST(CellItems_Formula, DataTableBodyAndTableDataRoundTrip) {
  TXLSCellMMU m(0, nullptr, nullptr);
  auto& h = m.FormulaHelper();
  h.Clear();
  h.FCol = 5, h.FRow = 9, h.FStyle = 3;
  h.FFormulaType = TXLSCellFormulaType::xcftDataTable;
  h.FTableOptions = 0x0C;
  h.SetStrR1(u"B2");  // also marks the table data
  h.SetStrR2(u"C70000");
  h.SetAsFloat(-2.5);
  EXPECT_EQ(h.AllocSize(), 1 + 2 + 8 + 17 + 13);
  m.StoreFormula();
  const TXLSCellItem c = m.FindCell(5, 9);
  EXPECT_EQ(MMURead16(c.Data), 41);
  const uint8_t* ptgs;
  ASSERT_EQ(m.GetFormulaPtgs(c, ptgs), 14);
  EXPECT_EQ(std::vector<uint8_t>(ptgs, ptgs + 14),
            (std::vector<uint8_t>{0xBA, 0x0C, 1, 0, 1, 0, 0, 0, 2, 0, 0x6F, 0x11, 0x01, 0}));
  m.RetriveFormula(c);
  EXPECT_EQ(h.FFormulaType, TXLSCellFormulaType::xcftDataTable);
  EXPECT_TRUE(h.FIsTABLE);
  EXPECT_EQ(h.StrR1(), u"B2");
  EXPECT_EQ(h.StrR2(), u"C70000");
  EXPECT_EQ(h.FStyle, 3);
  EXPECT_EQ(h.AsFloat(), -2.5);
  // Re-storing what was read gives the same bytes.
  const std::vector<uint8_t> before(c.Data, c.Data + 2 + 41);
  h.FCol = 6, h.FRow = 9;
  m.StoreFormula();
  const TXLSCellItem d = m.FindCell(6, 9);
  EXPECT_EQ(std::vector<uint8_t>(d.Data, d.Data + 2 + 41), before);
}

}  // namespace
}  // namespace xls

namespace xls {
namespace {

// One cell of a fill: numbers of several kinds, a styled blank and a formula item (sized).
struct FillCell {
  int32_t Row, Col;
  double Value;
};

void StoreFillCell(TXLSCellMMU& m, const FillCell& f) {
  if (f.Col % 11 == 5) {
    auto& h = m.FormulaHelper();
    h.Clear();
    h.FCol = f.Col, h.FRow = f.Row, h.FStyle = 2;
    h.FFormula = u"A1+" + std::u16string(size_t(f.Col % 4), u'1');
    h.SetAsFloat(f.Value);
    m.StoreFormula();
  } else if (f.Col % 13 == 7) {
    m.StoreBlank(f.Col, f.Row, 3);
  } else {
    m.StoreFloat(f.Col, f.Row, f.Col % 3, f.Value);
  }
}

// Cells stored in any order end as the same row bytes as cells stored in order, whatever reads
// or changes come between the stores; a cell stored twice keeps its later value.
TEST(CellStore_Order, AnyOrderGivesTheInOrderBytes) {
  std::vector<FillCell> cells;
  for (int32_t r : {0, 1, 2, 255, 256, 300, 70000})
    for (int32_t c = 0; c < 400; c += 1 + (r + c) % 5)
      cells.push_back({r, c, r * 1000.0 + c + (c % 2 ? 0.5 : 0)});
  TXLSCellMMU inOrder(0, nullptr, nullptr);
  for (const FillCell& f : cells) StoreFillCell(inOrder, f);

  uint32_t seed = 99;
  const auto next = [&seed](uint32_t n) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) % n;
  };
  struct Case {
    const char* Name;
    std::vector<FillCell> Order;
    bool ReadBetween;
  };
  std::vector<FillCell> reversed(cells.rbegin(), cells.rend());
  std::vector<FillCell> byColumn = cells;
  std::stable_sort(byColumn.begin(), byColumn.end(),
                   [](const FillCell& a, const FillCell& b) { return a.Col < b.Col; });
  std::vector<FillCell> shuffled = cells;
  for (size_t i = shuffled.size(); i > 1; --i) std::swap(shuffled[i - 1], shuffled[next(uint32_t(i))]);
  std::vector<FillCell> overwritten = shuffled;  // every cell first with another value, then its own
  for (FillCell& f : overwritten) f.Value = -f.Value - 3;
  overwritten.insert(overwritten.end(), reversed.begin(), reversed.end());
  const Case cases[] = {{"right to left", reversed, false},
                        {"column by column", byColumn, false},
                        {"shuffled", shuffled, false},
                        {"shuffled, read between", shuffled, true},
                        {"stored twice", overwritten, false}};
  for (const Case& k : cases) {
    TXLSCellMMU m(0, nullptr, nullptr);
    for (size_t i = 0; i < k.Order.size(); ++i) {
      StoreFillCell(m, k.Order[i]);
      if (k.ReadBetween && i % 37 == 0) {
        const FillCell& f = k.Order[i / 2];
        EXPECT_EQ(m.FindCell(f.Col, f.Row).Data != nullptr, true) << k.Name;
      }
    }
    for (int32_t r : {0, 1, 2, 255, 256, 300, 70000})
      EXPECT_EQ(RowBytes(m, r), RowBytes(inOrder, r)) << k.Name << " row " << r;
    std::vector<std::pair<int32_t, int32_t>> seen;
    m.BeginIterate(0);
    while (m.IterateNext()) seen.push_back({m.IterCellRow(), m.IterCellCol()});
    EXPECT_EQ(seen.size(), cells.size()) << k.Name;
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end())) << k.Name;
  }
}

// Full rows of 16,384 columns filled right to left: linear in the cells (a row rewritten for
// every cell takes minutes here); every cell reads back.
TEST(CellStore_Order, FullRowsRightToLeftLoadInLinearTime) {
  TXLSCellMMU m(0, nullptr, nullptr);
  constexpr int32_t kRows = 40;
  for (int32_t r = 0; r < kRows; ++r) {
    m.AddRow(r, 0);
    for (int32_t c = XLS_MAXCOL; c >= 0; --c) m.StoreFloat(c, r, 0, c + r * 0.5);
  }
  int64_t n = 0;
  double sum = 0;
  m.BeginIterate(0);
  while (m.IterateNext()) ++n, sum += m.GetFloat(m.IterCell()) - m.IterCellCol();
  EXPECT_EQ(n, int64_t(kRows) * (XLS_MAXCOL + 1));
  EXPECT_EQ(sum, (XLS_MAXCOL + 1) * 0.5 * (kRows * (kRows - 1) / 2));
  EXPECT_EQ(m.GetFloat(m.FindCell(XLS_MAXCOL, kRows - 1)), XLS_MAXCOL + (kRows - 1) * 0.5);
}

}  // namespace
}  // namespace xls
