// The component's version switch: to the legacy version it reads the empty legacy workbook it
// keeps; back to the package version it drops the legacy reader object.
#include <gtest/gtest.h>

#include <vector>

#include "platform/cfb.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlsstylesheet.h"
#include "xls/model/xlsworksheetdata.h"

namespace xls {
namespace {

// A legacy reader that records what it was given and leaves one sheet "Sheet1" and an object.
struct FakeLegacy {
  explicit FakeLegacy(TXLSBook& book) {
    book.Readers().ReadLegacy = [this](TXLSBook& b, std::span<const uint8_t> data) {
      ++calls;
      bytes.assign(data.begin(), data.end());
      b.Manager().Worksheets().Add(-1)->FName = u"Sheet1";
      b.SetBIFF(std::make_unique<TXLSFactoryObject>());
    };
  }
  int calls = 0;
  std::vector<uint8_t> bytes;
};

TEST(Book_Version, LegacySwitchReadsTheKeptEmptyWorkbook) {
  TXLSBook book;
  FakeLegacy reader(book);
  book.Items(0)->SetAsFloat(0, 0, 1);
  book.SetVersion(TExcelVersion::xvExcel97);
  EXPECT_EQ(book.Errors().WarningCount(), 1);  // the sheet with content was discarded
  EXPECT_EQ(book.Version(), TExcelVersion::xvExcel97);
  ASSERT_EQ(reader.calls, 1);
  const std::span<const uint8_t> kept = EmptyLegacyWorkbook();
  EXPECT_EQ(reader.bytes, std::vector<uint8_t>(kept.begin(), kept.end()));
  EXPECT_TRUE(kws::OpenCompoundData(reader.bytes).OpenStream(u"Workbook").has_value());
  ASSERT_EQ(book.Count(), 1u);
  EXPECT_EQ(book.Items(0)->Name(), u"Sheet1");
  EXPECT_TRUE(book.Manager().StyleSheet().Fonts().Items(0)->Locked());
  ASSERT_NE(book.BIFF(), nullptr);

  // The same version again changes nothing.
  book.SetVersion(TExcelVersion::xvExcel97);
  EXPECT_EQ(reader.calls, 1);

  book.SetVersion(TExcelVersion::xvExcel2007);
  EXPECT_EQ(book.Version(), TExcelVersion::xvExcel2007);
  EXPECT_EQ(book.BIFF(), nullptr);
  EXPECT_EQ(book.Count(), 1u);  // the model stays
}

TEST(Book_Version, EmptyWorkbookSwitchesWithoutWarning) {
  TXLSBook book;
  FakeLegacy reader(book);
  book.SetVersion(TExcelVersion::xvExcel97);
  EXPECT_EQ(book.Errors().WarningCount(), 0);
  EXPECT_EQ(reader.calls, 1);
}

TEST(Worksheet_IsEmpty, TellsAnEmptySheetFromOneWithACellAtA1) {
  TXLSBook book;
  TXLSWorksheet& sheet = *book.Items(0);
  sheet.CalcDimensions();
  EXPECT_TRUE(sheet.IsEmpty());
  sheet.SetAsFloat(0, 0, 1);
  sheet.CalcDimensions();
  EXPECT_FALSE(sheet.IsEmpty());
  EXPECT_EQ(sheet.LastRow(), 0);
}

TEST(Book_Version, WithoutLegacyReaderRaisesAndLeavesNoWorkbook) {
  TXLSBook book;
  book.Readers().ReadLegacy = nullptr;
  book.Items(0)->SetAsString(0, 0, u"old");
  EXPECT_THROW(book.SetVersion(TExcelVersion::xvExcel97), XLSRWException);
  EXPECT_EQ(book.Count(), 0u);
}

}  // namespace
}  // namespace xls
