#include "xls/formula/xlsformulahandler.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/textcodec.h"
#include "tests/xls/formula/formulatestbook.h"
#include "tests/xls/formula/ptgbuilder.h"

namespace xls {
namespace {

using test::PtgBuilder;
using Bytes = std::vector<uint8_t>;

struct Handling {
  test::TestBook book;
  test::FormulaTestErrors errors;
  TXLSFormulaHandler handler{book, errors.Manager(), test::kComma};

  std::string Text(const Bytes& ptgs, const TXLSFormulaCells* cells = nullptr) {
    return kws::Utf16ToUtf8(handler.DecodeFormula(cells, 0, ptgs, false));
  }
  Bytes Shared(std::u16string_view formula, int32_t dCol, int32_t dRow, bool lock = false) {
    Bytes ptgs = handler.EncodeFormula(formula, 0);
    handler.AdjustCell(ptgs, dCol, dRow, lock);
    return ptgs;
  }
};

TEST(FormulaHandler_EncodeFormula, BlankTextGivesNoArray) {
  Handling h;
  EXPECT_TRUE(h.handler.EncodeFormula(u"", 0).empty());
  EXPECT_TRUE(h.handler.EncodeFormula(u"  \r\n", 0).empty());
  EXPECT_EQ(h.Text(h.handler.EncodeFormula(u"SUM(A1)  ", 0)), "SUM(A1)");
}

TEST(FormulaHandler_AdjustCell, SharedFormulaFollowers) {
  Handling h;
  // Compiled at C3, used at C5.
  EXPECT_EQ(h.Text(h.Shared(u"A1+$B$1", 0, 2)), "A3+$B$1");
  const Bytes moved = h.Shared(u"A1", 0, -1);
  EXPECT_EQ(moved.size(), 7u);
  EXPECT_EQ(moved[0], ptg::RefErr);
  EXPECT_EQ(h.Text(moved), "#REF!");
  EXPECT_EQ(h.Text(h.Shared(u"A1:A2", 0, 3, true)), "A1:A5");
  EXPECT_EQ(h.Text(h.Shared(u"'My Sheet'!A1", 0, kXLSMaxRow)), "'My Sheet'!A1048576");
  EXPECT_EQ(h.Text(h.Shared(u"'My Sheet'!A1", 0, kXLSMaxRow + 1)), "#REF!");
  EXPECT_EQ(h.Text(h.Shared(u"'My Sheet'!A1:B2", 0, kXLSMaxRow)), "'My Sheet'!#REF!");
  EXPECT_EQ(h.Text(h.Shared(u"COUNTIF(A:A,A1)", 0, 1)), "COUNTIF(A1:A1048576,A2)");
}

TEST(FormulaHandler_DecodeFormula, EveryForm) {
  Handling h;
  test::TestCells cells;
  cells.tokens[{0, 4}] = h.handler.EncodeFormula(u"B1*2", 0);
  cells.tokens[{0, 5}] = {0xFF, 0x1E, 7, 0};
  h.handler.SetLegacyDecode([](std::span<const uint8_t> p, int32_t) {
    return u"legacy " + std::u16string(1, char16_t(u'0' + p[2]));
  });
  EXPECT_EQ(h.Text(PtgBuilder().Id(ptg::OtherCell).U16(0).U32(4), &cells), "B1*2");
  EXPECT_EQ(h.Text(PtgBuilder().Id(ptg::OtherCell).U16(0).U32(5), &cells), "legacy 7");
  EXPECT_EQ(h.Text({0xFF, 0x1E, 3, 0}), "legacy 3");
  EXPECT_THROW(h.Text({0xB9, 0, 0}, &cells), std::runtime_error);
  EXPECT_THROW(h.Text(PtgBuilder().Id(ptg::OtherCell).U16(0).U32(4)), std::runtime_error);
}

TEST(CompileFormula, ErrorsRaiseUnlessIgnored) {
  Handling h;
  EXPECT_EQ(CompileFormula(h.book, h.errors.Manager(), u"Data2!B2", -1),
            Bytes(PtgBuilder().Id(ptg::Ref3d).Cell(1, 1).U8(2)));
  EXPECT_THROW(CompileFormula(h.book, h.errors.Manager(), u"NoSheet!A1", -1), std::runtime_error);
  h.errors.Manager().SetIgnoreErrors(true);
  EXPECT_TRUE(CompileFormula(h.book, h.errors.Manager(), u"NoSheet!A1", -1).empty());
}

TEST(PtgsToArea3d, OwnAndLegacySheetReferences) {
  Handling h;
  TXLS3dCellArea area;
  EXPECT_EQ(PtgsToArea3d(h.handler.EncodeFormula(u"'My Sheet'!$A$1", -1), area), 1);
  EXPECT_EQ(area, (TXLS3dCellArea{1, int32_t(kPtgRowAbs), int32_t(kPtgRowAbs), kPtgColAbs, kPtgColAbs}));
  EXPECT_EQ(PtgsToArea3d(h.handler.EncodeFormula(u"Data2!B2:C3", -1), area), 2);
  EXPECT_EQ(area, (TXLS3dCellArea{2, 1, 2, 1, 2}));
  const TXLS3dCellArea before = area;
  EXPECT_EQ(PtgsToArea3d(h.handler.EncodeFormula(u"Data2!A1+1", -1), area), 0);
  EXPECT_EQ(area, before);
  EXPECT_EQ(PtgsToArea3d(h.handler.EncodeFormula(u"A1", -1), area), 0);

  const TXLSLegacy3dSheet sheets = [](uint16_t index, int32_t& sheet) {
    if (index == 9) return false;
    sheet = index == 1 ? 300 : 2;
    return true;
  };
  const Bytes ref3d = {0xFF, 0x3A, 0, 0, 4, 0, 0x05, 0xC0};
  EXPECT_EQ(PtgsToArea3d(ref3d, area, sheets), 1);
  EXPECT_EQ(area, (TXLS3dCellArea{2, 4, 4, 0xC005, 0xC005}));
  EXPECT_EQ(PtgsToArea3d(Bytes{0xFF, 0x5B, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0}, area, sheets), 3);
  EXPECT_EQ(PtgsToArea3d(Bytes{0xFF, 0x3A, 9, 0, 4, 0, 0, 0}, area, sheets), 0);
  EXPECT_EQ(PtgsToArea3d(ref3d, area), 0);                                     // no resolver
  EXPECT_EQ(PtgsToArea3d(Bytes{0xFF, 0x3A, 0, 0, 4}, area, sheets), 0);               // cut short
  // A reference followed by more tokens is a formula (a 3-D cell times 2 plus 1).
  EXPECT_EQ(PtgsToArea3d(Bytes{0xFF, 0x7A, 0, 0, 2, 0, 1, 0, 0x1E, 2, 0, 0x05, 0x1E, 1, 0, 0x03}, area, sheets), 0);
}

}  // namespace
}  // namespace xls
