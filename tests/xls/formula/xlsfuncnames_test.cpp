#include "xls/formula/xlsfuncnames.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace xls {
namespace {

TEST(FuncNames_FindId, NamesIgnoreCaseAndPrefixIsNoName) {
  const struct {
    std::u16string_view name;
    int32_t id;
  } cases[] = {{u"sum", 4},         {u"Sum", 4},      {u"SUM", 4},
               {u"QUOTIENT", 381},  {u"T.DIST.2T", 800}, {u"EDATE", 873},
               {u"_xlfn.IFERROR", -1}, {u"IFERROR", 839}, {u"ERROR.TYPE", 261},
               {u"", -1},           {u"NOSUCHFUNCTION", -1}};
  const TXLSExcelFuncNames& t = TXLSExcelFuncNames::Instance();
  for (const auto& c : cases) EXPECT_EQ(t.FindId(c.name), c.id) << std::string(c.name.begin(), c.name.end());
}

TEST(FuncNames_FindName, IdsWithoutRowsAreEmpty) {
  const TXLSExcelFuncNames& t = TXLSExcelFuncNames::Instance();
  EXPECT_EQ(t.FindName(19), u"PI");
  EXPECT_EQ(t.FindName(53), u"");
  EXPECT_EQ(t.FindName(-1), u"");
  EXPECT_EQ(t.FindName(874), u"");
  EXPECT_EQ(t.Data(53), nullptr);
}

TEST(FuncNames_Table, CountsOfRowsAndKinds) {
  const TXLSExcelFuncNames& t = TXLSExcelFuncNames::Instance();
  int rows = 0, fixed = 0, any = 0, withArgs = 0;
  for (int32_t id = 0; id < TXLSExcelFuncNames::kCount; ++id) {
    const TXc12FuncData* d = t.Data(id);
    if (!d) continue;
    ++rows;
    EXPECT_EQ(d->Id, id);
    EXPECT_EQ(t.FindId(d->Name), id);
    if (d->Min == d->Max) ++fixed;
    if (d->Max == kXLSFuncAnyArgCount) ++any;
    if (d->Args) {
      ++withArgs;
      EXPECT_EQ(d->Args->FuncId, id);
    }
  }
  EXPECT_EQ(rows, 328);
  EXPECT_EQ(fixed, 212);
  EXPECT_EQ(any, 48);
  EXPECT_GT(withArgs, 0);
  EXPECT_EQ(t.Data(164)->Type_, xeftArray);
  EXPECT_EQ(t.Data(1)->Args->Args[1], xefatRef);  // IF: value, ref, ref
  EXPECT_EQ(t.Data(29)->Args->Result, xefatArea);  // INDEX
}

TEST(FuncNames_FixedArgs, FixedVariableAndUnknown) {
  const TXLSExcelFuncNames& t = TXLSExcelFuncNames::Instance();
  EXPECT_TRUE(t.FixedArgs(2));   // ISNA 1
  EXPECT_FALSE(t.FixedArgs(1));  // IF 2-3
  EXPECT_FALSE(t.FixedArgs(0));  // COUNT 1+
  try {
    t.FixedArgs(53);
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Unknown function id \"53\"");
  }
}

TEST(FuncNames_TokenSize, SizesOfOwnAndLegacyIds) {
  EXPECT_EQ(XLSTokenSize(0x86), 13);
  EXPECT_EQ(XLSTokenSize(0x8A), -1);
  EXPECT_EQ(XLSTokenSize(0x0F), 2);
  EXPECT_EQ(XLSTokenSize(0x00), -1);
  EXPECT_EQ(XLSTokenSize(0xB9), -1);
  EXPECT_EQ(XLSTokenSize(0xBC), 19);
  EXPECT_EQ(XLSTokenSize(0x7D), 11);
  EXPECT_EQ(XLSTokenSize(0xFF), 1);
}

}  // namespace
}  // namespace xls
