#include "xls/model/xlssheetlists.h"

namespace xls {

std::unique_ptr<TCellArea> TXLSMergedCells::CreateArea() const {
  if (FClassFactory)
    if (auto cell =
            FClassFactory->CreateAs<TXLSMergedCell>(TXLSClassFactoryType::xcftMergedCellsMember, nullptr))
      return cell;
  return std::make_unique<TXLSMergedCell>();
}

std::unique_ptr<TXc12FilterColumn> TXLSAutofilter::CreateColumn() {
  if (FClassFactory)
    if (auto column =
            FClassFactory->CreateAs<TXc12FilterColumn>(TXLSClassFactoryType::xcftAutofilterColumn, this))
      return column;
  return std::make_unique<TXLSAutofilterColumn>();
}

}  // namespace xls
