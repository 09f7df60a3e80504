#include "xls/biff/sheets.h"

#include <algorithm>

#include "platform/textcodec.h"
#include "xls/biff/biff5.h"
#include "xls/biff/shapeobjects.h"
#include "xls/biff/chartobjects.h"
#include "xls/biff/sheetrules.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsutils.h"

namespace xls::biff {

// Upper case of every letter (the wide upper-casing of the platform): here the UTF-16 letters
// that towupper knows without a locale, which for the names of legacy sheets means ASCII and
// Latin-1.
std::u16string UpperName(std::u16string_view s) {
  std::u16string u(s);
  for (char16_t& c : u) {
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) c = char16_t(c - 0x20);
  }
  return u;
}

namespace {

// WINDOW2 fields.
constexpr size_t W2_OPTIONS = 0, W2_TOPROW = 2, W2_LEFTCOL = 4, W2_ZOOMPREVIEW = 10, W2_ZOOM = 12;

}  // namespace

// ---------------------------------------------------------------------------------------------
void TMergedCells::Copy(int32_t Col1, int32_t Row1, int32_t Col2, int32_t Row2, int32_t DeltaCol, int32_t DeltaRow) {
  std::vector<TXLSCellArea> copies;
  for (size_t i = 0; i < Count(); ++i) {
    const TXLSCellArea a = Items(i)->AsRecArea();
    if (std::min(a.Col2, Col2) < std::max(a.Col1, Col1) || std::min(a.Row2, Row2) < std::max(a.Row1, Row1)) continue;
    TXLSCellArea n{a.Row1 + DeltaRow, a.Row2 + DeltaRow, a.Col1 + DeltaCol, a.Col2 + DeltaCol};
    if (ClipToLimits(n)) copies.push_back(n);
  }
  for (const TXLSCellArea& n : copies) TSolidCellAreas97::Add(n);
}

void TSelectedAreas::Init(int32_t col, int32_t row) {
  Add(col, row, col, row);
  FActiveCol = col;
  FActiveRow = row;
}

void TSelectedAreas::Move(int32_t col, int32_t row) {
  if (FItems.empty()) {
    Init(col, row);
    return;
  }
  FItems.resize(1);
  FItems[0]->SetSize(col, row, col, row);
  FActiveCol = col;
  FActiveRow = row;
}

void TPane::Clear() {
  FPaneType = TPaneType::ptNone;
  FSplitColX = FSplitRowY = FLeftCol = FTopRow = 0;
  FActivePane = 3;
  FSelections.Clear();
}

void TPane::SetActivePane(uint8_t value) {
  if (value > 3) throw XLSRWException("Value out of range");
  FActivePane = value;
}

// ---------------------------------------------------------------------------------------------
void TBasicSheet::SetName(std::u16string_view value) {
  if (UpperName(value) != UpperName(FName)) FName = value;
}

TSheet::TSheet(TSheets* owner, int32_t id)
    : FOwner(owner), FRecords(std::make_unique<TRecordStorageSheet>()) {
  TBIFF5* biff = owner ? owner->Owner() : nullptr;
  FEscherDrawing = std::make_unique<TEscherDrawing>(biff ? &biff->MSOPictures() : nullptr,
                                                    biff ? &biff->FormulaHandler().InternalNames() : nullptr,
                                                    biff ? &biff->Fonts() : nullptr);
  TFormulaHandler* handler = biff ? &biff->FormulaHandler() : nullptr;
  FDrawingObjects = std::make_unique<TDrawingObjects>(this, biff ? &biff->Fonts() : nullptr, handler, FEscherDrawing.get());
  FControlObjects = std::make_unique<TControlObjects>(this, FEscherDrawing.get(), handler);
  FEscherDrawing->OnReadShape = [this](TEscherDrawing&, TShape& shape) {
    FDrawingObjects->AddFromFile(shape);
    FControlObjects->AddFromFile(shape);
    // A chart shape anchored to cells goes to the chart list by its object, whatever its shape
    // type (Excel writes 201, Gnumeric 146).
    auto* anchored = dynamic_cast<TShapeClientAnchor*>(&shape);
    if (anchored && dynamic_cast<TShapeOutsideMsoChart*>(shape.FInterface.get())) Charts().AddFromFile(*anchored);
  };
  FSelectedAreas.Init(0, 0);
  FName = u"Sheet" + kws::Utf8ToUtf16(std::to_string(id + 1));
}

TSheet::~TSheet() = default;

void TSheet::ClearData() {
  FTabColor = 64;
  FSheetProtections = AllSheetProtections;
  FRecords->SetDefaultData();
  FCachedMSORecs.Clear();
  FCharts.reset();
  FMergedCells.Clear();
  FPane.Clear();
  FSelectedAreas.Clear();
  FVisibleAreas.Clear();
  FRules.reset();
  ReleaseDrawingObjects();
  FEscherDrawing->Clear();
  FDrawingRead = false;
  FHasDefaultRecords = false;
  FDimension = TXLSCellArea{0, 0, 0, 0};
}

void TSheet::AfterFileRead() {
  const TRecordView d = FRecords->DIMENSIONS();
  FDimension.Row1 = int32_t(d.U32(0));
  const int32_t rowAfter = int32_t(d.U32(4));
  FDimension.Col1 = d.U16(8);
  const int32_t colAfter = d.U16(10);
  FDimension.Col2 = colAfter == 0 ? 0 : colAfter - 1;
  FDimension.Row2 = rowAfter <= 0 ? 0 : rowAfter - 1;
}

void TSheet::ReleaseDrawingObjects() {
  FDrawingObjects->Release();
  FControlObjects->Release();
  if (FCharts) FCharts->Clear();
}

TDrwCharts& TSheet::Charts() {
  if (!FCharts) {
    TBIFF5* biff = FOwner ? FOwner->Owner() : nullptr;
    FCharts = std::make_unique<TDrwCharts>(FEscherDrawing.get(), biff ? &biff->FormulaHandler() : nullptr,
                                           biff ? &biff->Fonts() : nullptr);
  }
  return *FCharts;
}

void TSheet::NameIndexChanged(int32_t delta) {
  for (size_t i = 0; i < FEscherDrawing->ShapeCount(); ++i) {
    TShapeOutsideMso* object = FEscherDrawing->Group().Items(i)->FInterface.get();
    if (auto* button = dynamic_cast<TShapeControlButton*>(object))
      button->NameIndexChanged(delta);
    else if (auto* list = dynamic_cast<TShapeControlListBox*>(object))
      list->NameIndexChanged(delta);
  }
}

void TSheet::Assign(const TBasicSheet& source) {
  const auto* s = dynamic_cast<const TSheet*>(&source);
  if (!s) throw XLSRWException("Object is not TSheet");
  SetDefaultColWidth(s->DefaultColWidth());
  SetOptions(s->Options());
  SetWorkspaceOptions(s->WorkspaceOptions());
  FSheetProtections = s->FSheetProtections;
  SetZoom(s->Zoom());
  SetZoomPreview(s->ZoomPreview());
  FRecalcFormulas = s->FRecalcFormulas;
  FHidden = s->FHidden;
  FMergedCells.Assign(s->FMergedCells);
}

int32_t TSheet::LeftCol() const { return FRecords->SlotWordAt(TRecordStorageSheet::PWINDOW2, W2_LEFTCOL); }
void TSheet::SetLeftCol(int32_t v) {
  if (v >= 0 && v <= 255) FRecords->SetSlotWordAt(TRecordStorageSheet::PWINDOW2, W2_LEFTCOL, uint16_t(v));
}
int32_t TSheet::TopRow() const { return FRecords->SlotWordAt(TRecordStorageSheet::PWINDOW2, W2_TOPROW); }
void TSheet::SetTopRow(int32_t v) {
  if (v >= 0 && v <= 65535) FRecords->SetSlotWordAt(TRecordStorageSheet::PWINDOW2, W2_TOPROW, uint16_t(v));
}
uint16_t TSheet::Zoom() const { return FRecords->SlotWordAt(TRecordStorageSheet::PWINDOW2, W2_ZOOM); }
void TSheet::SetZoom(uint16_t v) { FRecords->SetSlotWordAt(TRecordStorageSheet::PWINDOW2, W2_ZOOM, v); }
uint16_t TSheet::ZoomPreview() const {
  return FRecords->SlotWordAt(TRecordStorageSheet::PWINDOW2, W2_ZOOMPREVIEW);
}
void TSheet::SetZoomPreview(uint16_t v) {
  FRecords->SetSlotWordAt(TRecordStorageSheet::PWINDOW2, W2_ZOOMPREVIEW, v);
}

uint16_t TSheet::Options() const {
  const uint16_t w = FRecords->SlotWordAt(TRecordStorageSheet::PWINDOW2, W2_OPTIONS);
  uint16_t o = 0;
  if (w & 0x01) o |= 1u << soShowFormulas;
  if (w & 0x02) o |= 1u << soGridlines;
  if (w & 0x04) o |= 1u << soRowColHeadings;
  if (w & 0x08) o |= 1u << soFrozenPanes;
  if (w & 0x10) o |= 1u << soShowZeros;
  return o;
}

void TSheet::SetOptions(uint16_t o) {
  uint16_t w = 0x04A0;
  if (o & (1u << soShowFormulas)) w |= 0x01;
  if (o & (1u << soGridlines)) w |= 0x02;
  if (o & (1u << soRowColHeadings)) w |= 0x04;
  if (o & (1u << soFrozenPanes)) w |= 0x08;
  if (o & (1u << soShowZeros)) w |= 0x10;
  FRecords->SetSlotWordAt(TRecordStorageSheet::PWINDOW2, W2_OPTIONS, w);
}

// WSBOOL: bit 0 woShowAutoBreaks, bits 5-8 the next four, bit 10 woOutlineSymbols.
uint16_t TSheet::WorkspaceOptions() const {
  const uint16_t w = FRecords->WSBOOL();
  uint16_t o = 0;
  if (w & 0x0001) o |= 1u << woShowAutoBreaks;
  for (int i = 0; i < 4; ++i)
    if (w & (0x0020 << i)) o |= 1u << (woApplyStyles + i);
  if (w & 0x0400) o |= 1u << woOutlineSymbols;
  return o;
}

void TSheet::SetWorkspaceOptions(uint16_t o) {
  uint16_t w = 0;
  if (o & (1u << woShowAutoBreaks)) w |= 0x0001;
  for (int i = 0; i < 4; ++i)
    if (o & (1u << (woApplyStyles + i))) w |= uint16_t(0x0020 << i);
  if (o & (1u << woOutlineSymbols)) w |= 0x0400;
  FRecords->SetWSBOOL(w);
}

// DIMENSIONS (BIFF8 layout): first row dword, row after the last dword, first column word,
// column after the last word.
void TSheet::SetFirstCol(int32_t v) {
  FDimension.Col1 = v;
  FRecords->SetSlotWordAt(TRecordStorageSheet::PDIMENSIONS, 8, uint16_t(std::clamp(v, 0, 255)));
}
void TSheet::SetFirstRow(int32_t v) {
  FDimension.Row1 = v;
  FRecords->SetSlotWordAt(TRecordStorageSheet::PDIMENSIONS, 0, uint16_t(std::clamp(v, 0, 65535)));
  FRecords->SetSlotWordAt(TRecordStorageSheet::PDIMENSIONS, 2, 0);
}
void TSheet::SetLastCol(int32_t v) {
  FDimension.Col2 = v;
  FRecords->SetSlotWordAt(TRecordStorageSheet::PDIMENSIONS, 10, uint16_t(std::clamp(v + 1, 0, 255)));
}
void TSheet::SetLastRow(int32_t v) {
  FDimension.Row2 = v;
  FRecords->SetSlotWordAt(TRecordStorageSheet::PDIMENSIONS, 4, uint16_t(std::clamp(v + 1, 0, 65535)));
  FRecords->SetSlotWordAt(TRecordStorageSheet::PDIMENSIONS, 6, 0);
}

// ---------------------------------------------------------------------------------------------
TSheet* TSheets::Add(TWorksheetType type) {
  auto s = std::make_unique<TSheet>(this, FNextId++);
  s->FWorksheetType = type;
  s->FIndex = int32_t(FItems.size());
  FItems.push_back(std::move(s));
  return FItems.back().get();
}

TSheet* TSheets::GetSheet(size_t index) const {
  if (index >= FItems.size()) ListIndexError(index);
  return FItems[index].get();
}

TSheet* TSheets::SheetByName(std::u16string_view name) const {
  const std::u16string u = UpperName(name);
  for (const auto& s : FItems)
    if (UpperName(s->Name()) == u) return s.get();
  return nullptr;
}

void TSheets::ClearAll() {
  for (auto& s : FItems) s->ClearData();
  FItems.clear();
}

void TSheets::Clear() {
  ClearAll();
  Add(TWorksheetType::wtSheet);
}

}  // namespace xls::biff
