// The data of one worksheet (its cell store and every other part a worksheet part or a legacy
// sheet substream carries) and the hub's list of them.
//
// Readers add one object per sheet in workbook order and fill it; the sheet objects of the
// component wrap them. A sheet name used in reference text is quoted unless it is made of ASCII
// letters and digits only; inside the quotes an apostrophe is doubled ('Bob''s'), which is how
// ECMA-376 formula text and the legacy formula text both escape it.
// Design choice: members that belong to later layers (the drawing, pivot tables) are not held
// here until those layers exist; the lists the class factory makes (hyperlinks, merged cells,
// autofilter, conditional formats, data validations) are created through it so that the editing
// layer can put its own subclasses in. The legacy (VML) drawing is kept as the package layer's
// tree with the part's relationships, since nothing in the model reads it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xls/model/xlscellmmu.h"
#include "xls/model/xlsclassfactory.h"
#include "xls/model/xlsdrawinglists.h"
#include "xls/model/xlskeptxml.h"
#include "xls/model/xlspivotlists.h"
#include "xls/model/xlssheetextras.h"
#include "xls/model/xlssheetobjects.h"
#include "xls/model/xlssheetparts.h"
#include "xls/model/xlsutils.h"

namespace xls {

class TXc12DataSST;
class TXc12DataStyleSheet;

class TXc12DataWorksheet : public TIndexObject {
 public:
  TXc12DataWorksheet(TXLSClassFactory* factory, int32_t index, TXc12DataSST* sst, TXc12DataStyleSheet* styles);
  ~TXc12DataWorksheet() override;
  TXc12DataWorksheet(const TXc12DataWorksheet&) = delete;
  TXc12DataWorksheet& operator=(const TXc12DataWorksheet&) = delete;

  // One sheet view.
  void SetDefaultValues();

  TXLSCellMMU& Cells() { return *FCells; }
  TXc12Columns& Columns() { return FColumns; }
  TXc12Comments& Comments() { return FComments; }
  TXc12Tables& Tables() { return FTables; }
  // The sheet's pivot tables (made by the registered pivot maker on first use); nullptr when no
  // pivot library has registered.
  TXc12PivotTableList* PivotTables();
  // The sheet's drawing document: nullptr until MakeDrawing; MakeDrawing makes it through the
  // class factory (kind xcftDrawing, the graphic manager as owner) or the registered maker, and
  // gives nullptr when no drawing library has registered.
  TXc12DrawingDocument* Drawing() const { return FDrawing.get(); }
  TXc12DrawingDocument* MakeDrawing(TXc12GraphicManager& graphics);
  TXc12Hyperlinks& Hyperlinks() { return *FHyperlinks; }
  TXc12MergedCells& MergedCells() { return *FMergedCells; }
  TXc12AutoFilter& Autofilter() { return *FAutofilter; }
  TXc12CustomSheetViews& CustomSheetViews() { return *FCustomSheetViews; }
  TXc12SortState& SortState() { return *FSortState; }
  // Made by the class factory (kind xcftConditionalFormats), the component's list without one.
  TXc12ConditionalFormattings& ConditionalFormatting() { return *FConditionalFormatting; }
  TXc12SmartTags& SmartTags() { return *FSmartTags; }
  TXc12SheetViews& SheetViews() { return FSheetViews; }
  TXc12SheetPr& SheetPr() { return FSheetPr; }
  TXc12SheetFormatPr& SheetFormatPr() { return FSheetFormatPr; }
  TXc12SheetCalcPr& SheetCalcPr() { return FSheetCalcPr; }
  TXc12SheetProtection& SheetProtection() { return FSheetProtection; }
  std::vector<std::unique_ptr<TXc12ProtectedRange>>& ProtectedRanges() { return FProtectedRanges; }
  // Made by the class factory (kind xcftDataValidations), the model's own list without one.
  TXc12DataValidations& DataValidations() { return *FDataValidations; }
  // Appends a validation made by the class factory (the model's own class without one).
  TXc12DataValidation* AddDataValidation() { return FDataValidations->AddDV(); }
  TXc12Scenarios& Scenarios() { return FScenarios; }
  TXc12DataConsolidate& DataConsolidate() { return FDataConsolidate; }
  TXc12PhoneticPr& PhoneticPr() { return FPhoneticPr; }
  TXc12CustomProperties& CustomProperties() { return FCustomProperties; }
  TXc12OleObjects& OleObjects() { return FOleObjects; }
  TXc12Controls& Controls() { return FControls; }
  TXc12WebPublishItems& WebPublishItems() { return FWebPublishItems; }
  // The legacy drawing part's tree (comment shapes taken out to their comments) and its
  // relationships, "type&target" each; empty when the sheet names none.
  TXc12KeptXml& VmlDrawing() { return FVmlDrawing; }
  std::vector<std::u16string>& VmlDrawingRels() { return FVmlDrawingRels; }
  TXc12PrintOptions& PrintOptions() { return FPrintOptions; }
  TXc12PageMargins& PageMargins() { return FPageMargins; }
  TXc12PageSetup& PageSetup() { return FPageSetup; }
  TXc12HeaderFooter& HeaderFooter() { return FHeaderFooter; }
  std::vector<TXc12Break>& RowBreaks() { return FRowBreaks; }
  std::vector<TXc12Break>& ColBreaks() { return FColBreaks; }
  TCellRefs& CellWatches() { return FCellWatches; }
  std::vector<std::unique_ptr<TXc12IgnoredError>>& IgnoredErrors() { return FIgnoredErrors; }

  TXLSCellArea Dimension() const { return FCells->FDimension; }
  void SetDimension(const TXLSCellArea& a) { FCells->FDimension = a; }
  // The name as reference text names it: unchanged when made of ASCII letters and digits only
  // (also when empty), else in apostrophes with inner apostrophes doubled.
  std::u16string QuotedName() const;

  std::u16string FName;
  int32_t FSheetId = 0;
  TXc12Visibility FState = TXc12Visibility::x12vVisible;
  std::u16string FRId;
  bool FIsChartSheet = false;

 private:
  TXLSClassFactory* FClassFactory;
  TXc12DataSST* FSST;
  TXc12DataStyleSheet* FStyles;
  std::unique_ptr<TXLSCellMMU> FCells;
  TXc12Columns FColumns;
  TXc12Comments FComments;
  TXc12Tables FTables;
  std::unique_ptr<TXc12Hyperlinks> FHyperlinks;
  std::unique_ptr<TXc12MergedCells> FMergedCells;
  std::unique_ptr<TXc12AutoFilter> FAutofilter;
  std::unique_ptr<TXc12CustomSheetViews> FCustomSheetViews;
  std::unique_ptr<TXc12SortState> FSortState = NewClearedSortState();
  std::unique_ptr<TXc12PivotTableList> FPivotTables;
  std::unique_ptr<TXc12DrawingDocument> FDrawing;
  std::unique_ptr<TXc12ConditionalFormattings> FConditionalFormatting;
  std::unique_ptr<TXc12SmartTags> FSmartTags = std::make_unique<TXc12SmartTags>();
  TXc12SheetViews FSheetViews;
  TXc12SheetPr FSheetPr;
  TXc12SheetFormatPr FSheetFormatPr;
  TXc12SheetCalcPr FSheetCalcPr;
  TXc12SheetProtection FSheetProtection;
  std::vector<std::unique_ptr<TXc12ProtectedRange>> FProtectedRanges;
  std::unique_ptr<TXc12DataValidations> FDataValidations;
  TXc12Scenarios FScenarios;
  TXc12DataConsolidate FDataConsolidate;
  TXc12PhoneticPr FPhoneticPr;
  TXc12CustomProperties FCustomProperties;
  TXc12OleObjects FOleObjects;
  TXc12Controls FControls;
  TXc12WebPublishItems FWebPublishItems;
  TXc12KeptXml FVmlDrawing;
  std::vector<std::u16string> FVmlDrawingRels;
  TXc12PrintOptions FPrintOptions;
  TXc12PageMargins FPageMargins;
  TXc12PageSetup FPageSetup;
  TXc12HeaderFooter FHeaderFooter;
  std::vector<TXc12Break> FRowBreaks, FColBreaks;
  TCellRefs FCellWatches;
  std::vector<std::unique_ptr<TXc12IgnoredError>> FIgnoredErrors;
};

class TXc12DataWorksheets : public TIndexObjectList {
 public:
  TXc12DataWorksheets(TXLSClassFactory* factory, TXc12DataSST* sst, TXc12DataStyleSheet* styles)
      : FClassFactory(factory), FSST(sst), FStyles(styles) {}
  // Appends a new sheet; its sheet id is sheetId when >= 0, else the new count.
  TXc12DataWorksheet* Add(int32_t sheetId);
  // Frees every sheet, then clears the shared string table and the style sheet.
  void Clear();
  // Position of the first sheet with this name (a to z folded); -1 when none.
  int32_t Find(std::u16string_view name) const;
  TXc12DataWorksheet* Items(size_t index) const { return static_cast<TXc12DataWorksheet*>(TIndexObjectList::Items(index)); }

 private:
  TXLSClassFactory* FClassFactory;
  TXc12DataSST* FSST;
  TXc12DataStyleSheet* FStyles;
};

// Sheet names in reference text: `name` quoted as QuotedName does.
std::u16string QuoteSheetName(std::u16string_view name);
// At most `maxUnits` UTF-16 units of `name`, one fewer when the cut would split a surrogate pair.
std::u16string CutSheetName(std::u16string_view name, size_t maxUnits = 31);

}  // namespace xls
