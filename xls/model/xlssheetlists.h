// The component's own classes of a sheet's lists that the class factory makes: merged cells
// with a painted flag, data validations that move and copy with cell ranges, and the autofilter
// with its columns.
//
// Design choice: the model asks the class factory for these objects (kinds xcftMergedCells,
// xcftMergedCellsMember, xcftDataValidationsMember, xcftAutofilter, xcftAutofilterColumn) and
// falls back to its plain classes when a factory makes none, so the model works alone and the
// component puts these in.
#pragma once

#include <cstdint>
#include <memory>

#include "xls/model/xlsclassfactory.h"
#include "xls/model/xlssheetparts.h"

namespace xls {

class TXLSNames;
class TXc12DataWorksheet;

// One merged area.
class TXLSMergedCell : public TCellAreaImpl, public TXLSFactoryObject {
 public:
  bool Painted() const { return FPainted; }
  void SetPainted(bool v) { FPainted = v; }

 private:
  bool FPainted = false;
};

// The merged areas of a sheet; its areas are made by the class factory.
class TXLSMergedCells : public TXc12MergedCells {
 public:
  explicit TXLSMergedCells(TXLSClassFactory* factory) : FClassFactory(factory) {}
  std::unique_ptr<TCellArea> CreateArea() const override;
  TXLSMergedCell* Cell(size_t index) const { return dynamic_cast<TXLSMergedCell*>(Items(index)); }

 private:
  TXLSClassFactory* FClassFactory;  // not owned
};

// One data validation; the move and copy operations act on its areas.
class TXLSDataValidation : public TXc12DataValidation, public TXLSMoveCopyItem {
 public:
  TCellAreas& Areas() { return FSqref; }
  // The area meets one of the validation's areas.
  bool Intersect(int32_t col1, int32_t row1, int32_t col2, int32_t row2) const {
    return FSqref.AreaInAreas(col1, row1, col2, row2);
  }
  void Copy(int32_t col1, int32_t row1, int32_t col2, int32_t row2, int32_t deltaCol, int32_t deltaRow) {
    FSqref.Copy(col1, row1, col2, row2, deltaCol, deltaRow);
  }
  void Delete(int32_t col1, int32_t row1, int32_t col2, int32_t row2) override {
    FSqref.Delete(col1, row1, col2, row2);
  }
  // A validation does not grow by an area: Include leaves its areas as they are.
  void Include(int32_t, int32_t, int32_t, int32_t) {}
  void Move(int32_t deltaCol, int32_t deltaRow) { FSqref.Move(deltaCol, deltaRow); }
  void Move(int32_t col1, int32_t row1, int32_t col2, int32_t row2, int32_t deltaCol, int32_t deltaRow) {
    FSqref.Move(col1, row1, col2, row2, deltaCol, deltaRow);
  }
};

class TXLSAutofilterColumn : public TXc12FilterColumn {};

// The autofilter of a sheet; its columns are made by the class factory.
class TXLSAutofilter : public TXc12AutoFilter {
 public:
  TXLSAutofilter(TXLSClassFactory* factory, TXLSNames* names, TXc12DataWorksheet* sheet)
      : FClassFactory(factory), FNames(names), FXc12Sheet(sheet) {}
  std::unique_ptr<TXc12FilterColumn> CreateColumn() override;

  int32_t Col1() const { return FRef.Col1; }
  int32_t Row1() const { return FRef.Row1; }
  int32_t Col2() const { return FRef.Col2; }
  int32_t Row2() const { return FRef.Row2; }
  TXLSNames* Names() const { return FNames; }
  TXc12DataWorksheet* Xc12Sheet() const { return FXc12Sheet; }

 private:
  TXLSClassFactory* FClassFactory;  // not owned
  TXLSNames* FNames;                // not owned
  TXc12DataWorksheet* FXc12Sheet;   // the sheet that owns the filter; not owned
};

}  // namespace xls
