#include "xls/formula/xlsptgs.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "tests/xls/formula/ptgbuilder.h"

namespace xls {
namespace {

using test::PtgBuilder;
using Bytes = std::vector<uint8_t>;

std::vector<size_t> Walk(const Bytes& ptgs) {
  std::vector<size_t> sizes;
  TXLSIteratePtgs it(ptgs);
  while (it.Next()) sizes.push_back(it.CurrPtgs().size());
  return sizes;
}

std::string WalkError(const Bytes& ptgs) {
  try {
    Walk(ptgs);
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "no error";
}

TEST(IteratePtgs_Next, StepsOverEveryForm) {
  const struct {
    const char* what;
    Bytes ptgs;
    std::vector<size_t> sizes;
  } cases[] = {
      {"own operands and operator", PtgBuilder().Int(1).Ref(0, 0).Id(ptg::Add), {5, 7, 1}},
      {"string of 2 units", PtgBuilder().Str(u"ab").Id(ptg::UPlus), {7, 1}},
      {"user function", PtgBuilder().Id(ptg::UserFunc).U8(1).U16(3).U16('A').U16('B').U16('C'), {10}},
      {"moved-off reference and area", PtgBuilder().Id(ptg::RefErr).Cell(0, 0).Id(ptg::AreaErr).Body(0, 0, 1, 1),
       {7, 13}},
      {"legacy form byte, string 8-bit and 16-bit", {0xFF, 0x17, 2, 0, 'a', 'b', 0x17, 1, 1, 'c', 0}, {1, 5, 5}},
      {"legacy choose attribute with 2 jumps", {0xFF, 0x19, 0x04, 2, 0, 0, 0, 0, 0, 0, 0}, {1, 10}},
      {"legacy plain attribute", {0xFF, 0x19, 0x01, 0, 0}, {1, 4}},
      {"legacy memory area then its reference", {0xFF, 0x26, 0, 0, 0, 0, 5, 0, 0x24, 0, 0, 0, 0xC0}, {1, 7, 5}},
      {"array constants are left out", {0xFE, 3, 0, 0x1E, 1, 0, 9, 9, 9}, {3, 3}},
      {"legacy intersection is one byte", {0xFF, 0x24, 0, 0, 0, 0xC0, 0x24, 1, 0, 1, 0xC0, 0x0F}, {1, 5, 5, 1}},
      {"legacy shared formula token", {0xFF, 0x01, 0, 0, 0, 0}, {1, 5}},
      {"own intersection carries its count", PtgBuilder().Ref(0, 0).Ref(1, 0).Id(ptg::ISect).U8(1), {7, 7, 2}},
      {"empty array", {}, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(Walk(c.ptgs), c.sizes) << c.what;
}

TEST(IteratePtgs_Next, DamagedArraysRaiseBeforeReadingPastTheEnd) {
  const struct {
    const char* what;
    Bytes ptgs;
    const char* message;
  } cases[] = {
      {"id 0", {0x00}, "Illegal ptgs"},
      {"unknown id", {0x8A - 5}, "Unknown ptgs 85"},
      {"0xB9 inside an array", PtgBuilder().Int(1).Id(0xB9), "Unknown ptgs B9"},
      {"truncated reference", {ptg::Ref, 0, 0, 0}, "Truncated ptgs 84"},
      {"truncated area", {ptg::Area, 0}, "Truncated ptgs 86"},
      {"string length past the end", PtgBuilder().Id(ptg::Str).U16(100).U16('a'), "Truncated ptgs 8A"},
      {"string without its length", {ptg::Str, 1}, "Truncated ptgs 8A"},
      {"user function name past the end", {ptg::UserFunc, 0, 5, 0, 'a', 0}, "Truncated ptgs F2"},
      {"fixed token cut short", {ptg::Num, 0, 0, 0}, "Truncated ptgs 1F"},
      {"array constants longer than the array", {0xFE, 50, 0, 0x1E, 1, 0}, "Truncated ptgs FE"},
      {"legacy string cut short", {0xFF, 0x17, 9, 1, 'a'}, "Truncated ptgs 17"},
      {"legacy choose table cut short", {0xFF, 0x19, 0x04, 200, 0, 0, 0}, "Truncated ptgs 19"},
  };
  for (const auto& c : cases) EXPECT_EQ(WalkError(c.ptgs), c.message) << c.what;
}

Bytes Adjusted(Bytes ptgs, int32_t dCol, int32_t dRow, bool lock = false) {
  AdjustPtgs(ptgs, dCol, dRow, lock);
  return ptgs;
}

TEST(AdjustPtgs_Shift, RelativePartsMoveAbsolutePartsStay) {
  // A1+$B$1 compiled at C3, copied to C5.
  const Bytes master = PtgBuilder().Ref(0, 0).Ref(1, 0, true, true).Id(ptg::Add);
  EXPECT_EQ(Adjusted(master, 0, 2), Bytes(PtgBuilder().Ref(0, 2).Ref(1, 0, true, true).Id(ptg::Add)));
  // $A1 and A$1 by two columns and three rows.
  EXPECT_EQ(Adjusted(PtgBuilder().Ref(0, 0, true, false).Ref(0, 0, false, true), 2, 3),
            Bytes(PtgBuilder().Ref(0, 3, true, false).Ref(2, 0, false, true)));
  // Sheet2!B2 moves like a cell; its sheet byte stays.
  EXPECT_EQ(Adjusted(PtgBuilder().Id(ptg::Ref3d).Cell(1, 1).U8(1), 1, 1),
            Bytes(PtgBuilder().Id(ptg::Ref3d).Cell(2, 2).U8(1)));
}

TEST(AdjustPtgs_Shift, LockStartRowKeepsCellRowsAndFirstRowOfAreas) {
  EXPECT_EQ(Adjusted(PtgBuilder().Area(0, 0, 0, 1), 0, 3, true), Bytes(PtgBuilder().Area(0, 0, 0, 4)));
  EXPECT_EQ(Adjusted(PtgBuilder().Ref(0, 0), 1, 3, true), Bytes(PtgBuilder().Ref(1, 0)));
}

TEST(AdjustPtgs_OffSheet, ReferencesBecomeTheirErrorFormsAndKeepTheirSize) {
  Bytes a1 = Adjusted(PtgBuilder().Ref(0, 0), 0, -1);
  EXPECT_EQ(a1.size(), 7u);
  EXPECT_EQ(a1[0], ptg::RefErr);
  Bytes area = Adjusted(PtgBuilder().Area(0, 0, 1, 1), -1, 0);
  EXPECT_EQ(area.size(), 13u);
  EXPECT_EQ(area[0], ptg::AreaErr);
  Bytes sheetCell = Adjusted(PtgBuilder().Id(ptg::Ref3d).Cell(0, 0).U8(1), 0, kXLSMaxRow + 1);
  EXPECT_EQ(sheetCell[0], ptg::Err3d);
  EXPECT_EQ(sheetCell[7], 4);  // #REF!
  Bytes sheetArea = Adjusted(PtgBuilder().Id(ptg::Area3d).Body(0, 0, 1, 1).U8(1), 0, kXLSMaxRow);
  EXPECT_EQ(sheetArea[0], ptg::AreaErr3d);
  EXPECT_EQ(sheetArea[13], 1);  // the sheet stays for the text Sheet2!#REF!
  EXPECT_EQ(Adjusted(PtgBuilder().Ref(kXLSMaxCol, 0), 1, 0)[0], ptg::RefErr);
}

TEST(AdjustPtgs_WholeRowsAndColumns, NeverMoveAlongTheirFullSpan) {
  // COUNTIF(A:A,A1) shared one row down gives COUNTIF(A:A,A2).
  const Bytes countif = PtgBuilder().Area(0, 0, 0, kXLSMaxRow).Ref(0, 0).Func(346);
  EXPECT_EQ(Adjusted(countif, 0, 1), Bytes(PtgBuilder().Area(0, 0, 0, kXLSMaxRow).Ref(0, 1).Func(346)));
  // A:A one column right becomes B:B; 1:1 one row down becomes 2:2 but never moves sideways.
  EXPECT_EQ(Adjusted(PtgBuilder().Area(0, 0, 0, kXLSMaxRow), 1, 1),
            Bytes(PtgBuilder().Area(1, 0, 1, kXLSMaxRow)));
  EXPECT_EQ(Adjusted(PtgBuilder().Area(0, 0, kXLSMaxCol, 0), 1, 1),
            Bytes(PtgBuilder().Area(0, 1, kXLSMaxCol, 1)));
}

TEST(AdjustPtgs_Untouched, ExternalRangeAndTableReferencesStay) {
  const Bytes ext = PtgBuilder().Id(ptg::RefExt).Cell(0, 0).U16(0).U8(0).Id(ptg::Area3dRange).Body(0, 0, 1, 1).U8(0).U8(1);
  EXPECT_EQ(Adjusted(ext, 3, 3), ext);
}

TEST(AdjustPtgs_Legacy, CellAndAreaTokensMoveInTheirWords) {
  // 0xFF, ref A1 relative (row 0, column word 0xC000), area A1:B2 relative.
  const Bytes legacy = {0xFF, 0x44, 0, 0, 0, 0xC0, 0x25, 0, 0, 1, 0, 0, 0xC0, 1, 0xC0};
  EXPECT_EQ(Adjusted(legacy, 1, 2), Bytes({0xFF, 0x44, 2, 0, 1, 0xC0, 0x25, 2, 0, 3, 0, 1, 0xC0, 2, 0xC0}));
  // Moved above the first row: the reference-error token of the same class.
  EXPECT_EQ(Adjusted({0xFF, 0x64, 0, 0, 0, 0xC0}, 0, -1)[1], 0x6A);
  // An absolute legacy reference (no relative bits) stays.
  EXPECT_EQ(Adjusted({0xFF, 0x24, 5, 0, 5, 0x00}, 3, 3), Bytes({0xFF, 0x24, 5, 0, 5, 0x00}));
}

TEST(AdjustPtgs_Damaged, TruncatedArrayRaisesWithItsBytesUntouched) {
  // A valid reference followed by a truncated one: nothing may change.
  Bytes ptgs = PtgBuilder().Ref(0, 0).Id(ptg::Ref).U8(0);
  const Bytes before = ptgs;
  EXPECT_THROW(AdjustPtgs(ptgs, 1, 1, false), std::runtime_error);
  EXPECT_EQ(ptgs, before);
}

}  // namespace
}  // namespace xls
