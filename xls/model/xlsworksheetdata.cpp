#include "xls/model/xlsworksheetdata.h"

#include "platform/textcodec.h"
#include "xls/model/xlssst.h"
#include "xls/model/xlsstylesheet.h"

namespace xls {

std::u16string QuoteSheetName(std::u16string_view name) {
  bool plain = true;
  for (char16_t c : name)
    if (!((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9'))) plain = false;
  if (plain) return std::u16string(name);
  std::u16string s = u"'";
  for (char16_t c : name) {
    s += c;
    if (c == u'\'') s += u'\'';
  }
  s += u'\'';
  return s;
}

std::u16string CutSheetName(std::u16string_view name, size_t maxUnits) {
  if (name.size() <= maxUnits) return std::u16string(name);
  size_t n = maxUnits;
  if (n > 0 && name[n - 1] >= 0xD800 && name[n - 1] <= 0xDBFF) --n;  // high surrogate: keep the pair whole
  return std::u16string(name.substr(0, n));
}

TXc12DataWorksheet::TXc12DataWorksheet(TXLSClassFactory* factory, int32_t index, TXc12DataSST* sst,
                                       TXc12DataStyleSheet* styles)
    : FClassFactory(factory), FSST(sst), FStyles(styles) {
  FCells = std::make_unique<TXLSCellMMU>(index, sst, styles ? &styles->XFEditor() : nullptr);
  if (FClassFactory) {
    FHyperlinks = FClassFactory->CreateAs<TXc12Hyperlinks>(TXLSClassFactoryType::xcftHyperlinks, this);
    FMergedCells = FClassFactory->CreateAs<TXc12MergedCells>(TXLSClassFactoryType::xcftMergedCells, this);
    FAutofilter = FClassFactory->CreateAs<TXc12AutoFilter>(TXLSClassFactoryType::xcftAutofilter, this);
    FDataValidations =
        FClassFactory->CreateAs<TXc12DataValidations>(TXLSClassFactoryType::xcftDataValidations, this);
  }
  if (!FHyperlinks) FHyperlinks = std::make_unique<TXc12Hyperlinks>();
  if (!FHyperlinks->FClassFactory) FHyperlinks->FClassFactory = FClassFactory;
  if (!FDataValidations) FDataValidations = std::make_unique<TXc12DataValidations>(FClassFactory);
  if (!FMergedCells) FMergedCells = std::make_unique<TXc12MergedCells>();
  if (!FAutofilter) FAutofilter = std::make_unique<TXc12AutoFilter>();
  FAutofilter->FOwner = this;
  FAutofilter->Clear();
  FCustomSheetViews = std::make_unique<TXc12CustomSheetViews>(FClassFactory);
  if (FClassFactory)
    FConditionalFormatting =
        FClassFactory->CreateAs<TXc12ConditionalFormattings>(TXLSClassFactoryType::xcftConditionalFormats, this);
  if (!FConditionalFormatting) FConditionalFormatting = std::make_unique<TXLSConditionalFormats>(FClassFactory);
  FConditionalFormatting->FXc12Sheet = this;
  SetDefaultValues();
}

TXc12DataWorksheet::~TXc12DataWorksheet() = default;

TXc12PivotTableList* TXc12DataWorksheet::PivotTables() {
  if (!FPivotTables && DefaultPivotFactory().NewTables) FPivotTables = DefaultPivotFactory().NewTables();
  return FPivotTables.get();
}

TXc12DrawingDocument* TXc12DataWorksheet::MakeDrawing(TXc12GraphicManager& graphics) {
  if (!FDrawing && FClassFactory)
    FDrawing = FClassFactory->CreateAs<TXc12DrawingDocument>(TXLSClassFactoryType::xcftDrawing, &graphics);
  if (!FDrawing && DefaultDrawingFactory().NewDocument) FDrawing = DefaultDrawingFactory().NewDocument(graphics);
  return FDrawing.get();
}

TXLSDrawingFactory& DefaultDrawingFactory() {
  static TXLSDrawingFactory factory;
  return factory;
}

void TXc12DataWorksheet::SetDefaultValues() { FSheetViews.Add(); }

std::u16string TXc12DataWorksheet::QuotedName() const { return QuoteSheetName(FName); }

TXc12DataWorksheet* TXc12DataWorksheets::Add(int32_t sheetId) {
  const int32_t count = int32_t(Count());
  auto ws = std::make_unique<TXc12DataWorksheet>(FClassFactory, count, FSST, FStyles);
  ws->FSheetId = sheetId >= 0 ? sheetId : count + 1;
  return static_cast<TXc12DataWorksheet*>(TIndexObjectList::Add(std::move(ws)));
}

void TXc12DataWorksheets::Clear() {
  TIndexObjectList::Clear();
  if (FSST) FSST->Clear();
  if (FStyles) FStyles->Clear();
}

int32_t TXc12DataWorksheets::Find(std::u16string_view name) const {
  const std::u16string key = kws::AsciiUpperCopy(name);
  for (size_t i = 0; i < Count(); ++i)
    if (kws::AsciiUpperCopy(Items(i)->FName) == key) return int32_t(i);
  return -1;
}

}  // namespace xls
