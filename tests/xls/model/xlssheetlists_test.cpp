// The component's sheet lists made by its class factory: merged cells, validations, autofilter.
#include "xls/model/xlssheetlists.h"

#include <gtest/gtest.h>

#include "xls/model/xlsbook.h"
#include "xls/model/xlsnames.h"
#include "xls/model/xlsworkbookdata.h"
#include "xls/model/xlsworksheetdata.h"

namespace xls {
namespace {

TXc12DataWorksheet& FirstSheet(TXLSBook& book) { return *book.Manager().Worksheets().Items(0); }

TEST(SheetLists_Factory, ComponentSheetsHoldTheComponentClasses) {
  TXLSBook book;
  TXc12DataWorksheet& sheet = FirstSheet(book);
  auto* merged = dynamic_cast<TXLSMergedCells*>(&sheet.MergedCells());
  ASSERT_NE(merged, nullptr);
  merged->AddRef({1, 2, 0, 3});
  ASSERT_NE(merged->Cell(0), nullptr);
  EXPECT_FALSE(merged->Cell(0)->Painted());
  merged->Cell(0)->SetPainted(true);
  EXPECT_TRUE(merged->Cell(0)->Painted());
  EXPECT_EQ(merged->Cell(0)->AsRecArea(), (TXLSCellArea{1, 2, 0, 3}));

  auto* filter = dynamic_cast<TXLSAutofilter*>(&sheet.Autofilter());
  ASSERT_NE(filter, nullptr);
  EXPECT_EQ(filter->Xc12Sheet(), &sheet);
  EXPECT_EQ(filter->Names(), dynamic_cast<TXLSNames*>(&book.Manager().Workbook().DefinedNames()));
  filter->FRef = {0, 9, 1, 4};
  EXPECT_EQ(filter->Col1(), 1);
  EXPECT_EQ(filter->Row2(), 9);
  EXPECT_NE(dynamic_cast<TXLSAutofilterColumn*>(filter->AddColumn()), nullptr);

  EXPECT_NE(dynamic_cast<TXLSDataValidation*>(sheet.AddDataValidation()), nullptr);
  ASSERT_EQ(sheet.DataValidations().size(), 1u);
}

TEST(SheetLists_Validation, MoveCopyOperationsActOnItsAreas) {
  TXLSDataValidation v;
  v.Areas().Add(0, 0, 1, 1);  // A1:B2
  EXPECT_TRUE(v.Intersect(1, 1, 5, 5));
  EXPECT_FALSE(v.Intersect(2, 0, 5, 5));
  v.Include(4, 4, 6, 6);
  EXPECT_EQ(v.Areas().Count(), 1u);
  v.Move(2, 3);
  EXPECT_EQ(v.Areas().Items(0)->AsRecArea(), (TXLSCellArea{3, 4, 2, 3}));
  v.Delete(2, 3, 3, 4);
  EXPECT_EQ(v.Areas().Count(), 0u);
}

TEST(SheetLists_Plain, ModelWithoutFactoryKeepsItsOwnClasses) {
  TXc12DataWorksheet sheet(nullptr, 0, nullptr, nullptr);
  EXPECT_EQ(dynamic_cast<TXLSMergedCells*>(&sheet.MergedCells()), nullptr);
  EXPECT_EQ(dynamic_cast<TXLSDataValidation*>(sheet.AddDataValidation()), nullptr);
  EXPECT_NE(sheet.Autofilter().AddColumn(), nullptr);
}

}  // namespace
}  // namespace xls
