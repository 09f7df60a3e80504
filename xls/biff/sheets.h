// Legacy-side sheet objects of one legacy load: `TSheets` holds a `TSheet` per worksheet of the
// file, with what only the legacy side needs (the sheet's raw record storage with its default
// slots, pane, selection, merged and visible areas, hidden state, protections, tab colour,
// dimension). Cells, formats and settings go to the workbook model instead.
//
// A new sheet is named "Sheet" and its collection id + 1; ids count from 0 per collection and are
// never reused, so after three sheets were made and removed the next one is "Sheet4". Names are
// compared without regard to letter case. The view properties read and write the sheet's
// WINDOW2, WSBOOL, DEFCOLWIDTH and DIMENSIONS slots through bounded views: a BIFF5 WINDOW2 of 10
// bytes has no zoom words, so its zoom reads 0 and is not written.
//
// Conditional formats, validations and autofilters are held in `FRules` (sheetrules.h). The
// sheet's drawing sorts each shape it reads into the drawing-object, control and chart lists.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xls/biff/controlobjects.h"
#include "xls/biff/drawingobjects.h"
#include "xls/biff/escherdrawing.h"
#include "xls/biff/recordstorage.h"
#include "xls/model/xlscellarea.h"

namespace xls {
class TXc12Manager;
}

namespace xls::biff {

// Upper case of the letters of a legacy sheet name (ASCII and Latin-1), for comparing names
// without regard to case.
std::u16string UpperName(std::u16string_view s);

class TBIFF5;
class TSheets;
struct TSheetRules;
class TDrwCharts;

// Legacy cell areas and their lists. The lists share the model's area routines (cutting a
// rectangle out, clipping, shifting, absorbing copied areas) within the limits of the legacy
// sheet: columns 0..255, rows 0..65535.
inline constexpr int32_t MAX_LEGACY_COL = 255;
inline constexpr int32_t MAX_LEGACY_ROW = 65535;

// A zero-based, inclusive legacy cell area with the id its list gave it.
class TCellArea97 : public TCellAreaImpl {
 public:
  int32_t Id() const { return FId; }
  // Copies the four coordinates, not the id.
  void Assign(const TCellArea& source) { SetAsRecArea(source.AsRecArea()); }
  int32_t FId = 0;
};

// A list of legacy areas over one of the model's kinds of list (`TCellAreas`: areas that may be
// cut; `TSolidCellAreas`: areas only removed or moved whole). Each area made gets the next id
// (from 0, never reused).
template <class TList>
class TBaseCellAreas97 : public TList {
 public:
  TBaseCellAreas97() { this->SetLimits(MAX_LEGACY_COL, MAX_LEGACY_ROW); }
  std::unique_ptr<TCellArea> CreateArea() const override {
    auto a = std::make_unique<TCellArea97>();
    a->FId = FIdCount++;
    return a;
  }
  using TList::Add;
  TCellArea97& Add(int32_t col1, int32_t row1, int32_t col2, int32_t row2) {
    return static_cast<TCellArea97&>(*TList::Add(col1, row1, col2, row2));
  }
  // std::out_of_range outside the list.
  TCellArea97& GetItems(size_t index) const { return static_cast<TCellArea97&>(*this->Items(index)); }
  // Clears this list and adds a copy of every area of `areas` (new ids).
  void Assign(const TBaseCellAreas& areas) {
    this->Clear();
    for (size_t i = 0; i < areas.Count(); ++i) TList::Add(areas.Items(i)->AsRecArea());
  }

 protected:
  mutable int32_t FIdCount = 0;
};

// Areas that may be split freely (selections, visible areas, the ranges of conditional formats
// and validations).
class TCellAreas97 : public TBaseCellAreas97<TCellAreas> {};

// Areas that may only be removed or moved whole: Delete refuses to cut one in two ("Can not
// change part of a merged cell", the list unchanged), Move by deltas alone is refused; Copy and
// Include do nothing.
class TSolidCellAreas97 : public TBaseCellAreas97<TSolidCellAreas> {
 public:
  void Copy(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) override {}
  TCellArea* Include(int32_t, int32_t, int32_t, int32_t) override { return nullptr; }
};

class TMergedCells : public TSolidCellAreas97 {
 public:
  // Adds, for every merged area that meets the rectangle, a whole copy moved by the deltas;
  // copies that leave the sheet are not added.
  void Copy(int32_t Col1, int32_t Row1, int32_t Col2, int32_t Row2, int32_t DeltaCol, int32_t DeltaRow) override;
};

// The selected areas of a sheet with the active cell.
class TSelectedAreas : public TCellAreas97 {
 public:
  // Adds the one-cell area and makes it the active cell.
  void Init(int32_t col, int32_t row);
  // Keeps only the first area, makes it the one-cell area (col, row) and that cell active. (For
  // a selection this takes the place of the lists' shift by deltas.)
  void Move(int32_t col, int32_t row) override;
  using TCellAreas97::Move;
  int32_t FActiveCol = 0, FActiveRow = 0, FActiveArea = 0;
};

enum class TPaneType : uint8_t { ptNone, ptFrozen, ptSplit, ptFrozenSplit };

class TPane {
 public:
  void Clear();
  uint8_t ActivePane() const { return FActivePane; }
  // Raises XLSRWException "Value out of range" above 3 (the pane stays as it was).
  void SetActivePane(uint8_t value);
  TPaneType FPaneType = TPaneType::ptNone;
  int32_t FSplitColX = 0, FSplitRowY = 0, FLeftCol = 0, FTopRow = 0;
  TBaseRecordStorage FSelections;

 private:
  uint8_t FActivePane = 3;
};

enum class TWorksheetType : uint8_t { wtSheet, wtVBModule, wtExcel4Macro };
enum class THiddenState : uint8_t { hsVisible, hsHidden, hsVeryHidden };

// Sheet protections as bits (1 << member).
enum TSheetProtection : uint8_t {
  spEditObjects,
  spEditScenarios,
  spEditCellFormatting,
  spEditColumnFormatting,
  spEditRowFormatting,
  spInsertColumns,
  spInsertRows,
  spInsertHyperlinks,
  spDeleteColumns,
  spDeleteRows,
  spSelectLockedCells,
  spSortCellRange,
  spEditAutoFileters,
  spEditPivotTables,
  spSelectUnlockedCells
};
inline constexpr uint16_t AllSheetProtections = 0x7FFF;

enum TSheetOption : uint8_t {
  soGridlines,
  soRowColHeadings,
  soProtected,
  soR1C1Mode,
  soIteration,
  soShowFormulas,
  soFrozenPanes,
  soShowZeros
};
enum TWorkspaceOption : uint8_t {
  woShowAutoBreaks,
  woApplyStyles,
  woRowSumsBelow,
  woColSumsRight,
  woFitToPage,
  woOutlineSymbols
};

class TBasicSheet {
 public:
  virtual ~TBasicSheet() = default;
  const std::u16string& Name() const { return FName; }
  // Replaced only when the new name differs from the current one in more than letter case.
  void SetName(std::u16string_view value);
  int32_t Index() const { return FIndex; }
  int32_t FSheetIndex = 0;  // position in the file's sheet list

 protected:
  std::u16string FName;
  int32_t FIndex = 0;  // position in the collection
  friend class TSheets;
};

class TSheet : public TBasicSheet {
 public:
  TSheet(TSheets* owner, int32_t id);
  ~TSheet() override;
  TSheet(const TSheet&) = delete;
  TSheet& operator=(const TSheet&) = delete;

  void ClearData();
  // Takes the dimension from the DIMENSIONS slot (called for every sheet after a load).
  void AfterFileRead();
  std::u16string DisplayName() const { return FName; }
  // Defined-name indexes held by the buttons and list boxes of the drawing move by Delta.
  void NameIndexChanged(int32_t delta);
  // Copies the view settings, protections, hidden state and merged cells of another sheet.
  void Assign(const TBasicSheet& source);

  TRecordStorageSheet& Records() { return *FRecords; }
  const TRecordStorageSheet& Records() const { return *FRecords; }
  TSheets* Owner() const { return FOwner; }

  // Properties over the record slots.
  uint16_t DefaultColWidth() const { return FRecords->DEFCOLWIDTH(); }
  void SetDefaultColWidth(uint16_t v) { FRecords->SetDEFCOLWIDTH(v); }
  int32_t LeftCol() const;
  void SetLeftCol(int32_t v);  // outside 0..255 ignored
  int32_t TopRow() const;
  void SetTopRow(int32_t v);  // outside 0..65535 ignored
  uint16_t Zoom() const;
  void SetZoom(uint16_t v);
  uint16_t ZoomPreview() const;
  void SetZoomPreview(uint16_t v);
  uint16_t Options() const;  // bits of TSheetOption
  void SetOptions(uint16_t v);
  uint16_t WorkspaceOptions() const;  // bits of TWorkspaceOption
  void SetWorkspaceOptions(uint16_t v);
  int32_t FirstCol() const { return FDimension.Col1; }
  int32_t FirstRow() const { return FDimension.Row1; }
  int32_t LastCol() const { return FDimension.Col2; }
  int32_t LastRow() const { return FDimension.Row2; }
  void SetFirstCol(int32_t v);
  void SetFirstRow(int32_t v);
  void SetLastCol(int32_t v);
  void SetLastRow(int32_t v);

  bool FHasDefaultRecords = false;
  bool FRecalcFormulas = true;
  TMergedCells FMergedCells;
  TPane FPane;
  TSelectedAreas FSelectedAreas;
  THiddenState FHidden = THiddenState::hsVisible;
  uint16_t FSheetProtections = AllSheetProtections;
  TWorksheetType FWorksheetType = TWorksheetType::wtSheet;
  uint8_t FTabColor = 64;
  TXLSCellArea FDimension{0, 0, 0, 0};
  TCellAreas97 FVisibleAreas;
  TBaseRecordStorage FCachedMSORecs;
  // The sheet's drawing, and whether this load has met it (a later MSODRAWING is kept raw).
  TEscherDrawing& EscherDrawing() const { return *FEscherDrawing; }
  bool FDrawingRead = false;
  // The text boxes, notes, shapes and pictures, and the controls, of the drawing.
  TDrawingObjects& DrawingObjects() const { return *FDrawingObjects; }
  TControlObjects& ControlObjects() const { return *FControlObjects; }
  // Forgets the list items after the drawing lost its shapes (a drawing that failed to read).
  void ReleaseDrawingObjects();
  // Conditional formats, validations and the autofilter (sheetrules.h), made on first use.
  std::unique_ptr<TSheetRules> FRules;
  // Embedded charts (chartobjects.h), made at the sheet's first chart (`Charts()`).
  std::unique_ptr<TDrwCharts> FCharts;
  TDrwCharts& Charts();

 private:
  TSheets* FOwner;
  std::unique_ptr<TRecordStorageSheet> FRecords;
  std::unique_ptr<TEscherDrawing> FEscherDrawing;
  std::unique_ptr<TDrawingObjects> FDrawingObjects;
  std::unique_ptr<TControlObjects> FControlObjects;
};

class TSheets {
 public:
  TSheets(TBIFF5* owner, TXc12Manager* manager) : FOwner(owner), FManager(manager) {}
  TSheet* Add(TWorksheetType type = TWorksheetType::wtSheet);
  // std::out_of_range outside the collection.
  TSheet* GetSheet(size_t index) const;
  size_t Count() const { return FItems.size(); }
  // First sheet with that name without regard to letter case; nullptr when none.
  TSheet* SheetByName(std::u16string_view name) const;
  // ClearData on every sheet, then removes them all.
  void ClearAll();
  // ClearAll, then one new sheet.
  void Clear();
  TBIFF5* Owner() const { return FOwner; }
  TXc12Manager* Manager() const { return FManager; }

 private:
  TBIFF5* FOwner;
  TXc12Manager* FManager;
  std::vector<std::unique_ptr<TSheet>> FItems;
  int32_t FNextId = 0;
};

}  // namespace xls::biff
