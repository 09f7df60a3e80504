#include "xls/model/xlssheetextras.h"

#include <charconv>

#include "xls/model/xlserrors.h"

namespace xls {

// ---- sort state

void TXc12SortCondition::Clear() {
  FDescending = false;
  FSortBy = TXc12SortBy::x12sbValue;
  FRef = {};  // A1
  FCustomList.clear();
  FDxfId = -1;
  FIconSet = TXc12IconSetType::x12ist3Arrows;
  FIconId = 0;
}

TXc12SortCondition* TXc12SortConditions::Add() {
  FItems.push_back(std::make_unique<TXc12SortCondition>());
  return FItems.back().get();
}

void TXc12SortState::Clear() {
  FColumnSort = false;
  FCaseSensitive = false;
  FSortMethod = TXc12SortMethod::x12smNone;
  FRef = {-1, -1, -1, -1};
  FSortConditions.Clear();
}

// ---- conditional formats

void TXc12Cfvo::Clear() {
  FType = TXc12CfvoType::x12ctNum;
  FVal.clear();
  FGte = true;
}

double TXc12Cfvo::AsFloat() const { return TextToFloat(FVal, u'.'); }

void TXc12Cfvo::SetAsFloat(double v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  FVal.assign(buf, r.ptr);
}

TXc12Cfvo* TXc12Cfvos::Add() {
  FItems.push_back(std::make_unique<TXc12Cfvo>());
  return FItems.back().get();
}

void TXc12IconSet::Clear() {
  FIconSet = TXc12IconSetType::x12ist3TrafficLights1;
  FShowValue = true;
  FPercent = true;
  FReverse = false;
}

void TXc12DataBar::Clear() {
  FMinLength = 10;
  FMaxLength = 90;
  FShowValue = true;
  FColor = TXc12Color{};
  FCfvo1->Clear();
  FCfvo2->Clear();
}

void TXc12CfRule::Clear() {
  FType_ = kXc12CfTypeNone;
  FOperator = kXc12CfOperatorNone;
  FTimePeriod = kXc12TimePeriodNone;
  FDXF = nullptr;
  FPriority = 0;
  FStopIfTrue = false;
  FAboveAverage = true;
  FPercent = false;
  FBottom = false;
  FText.clear();
  FRank = 0;
  FStdDev = 0;
  FEqualAverage = false;
  FColorScale->Clear();
  FDataBar->Clear();
  FIconSet->Clear();
}

void TXc12CfRule::SerFormulas(int index, std::u16string_view value) {
  if (index < 0 || index > 2) throw XLSRWException(u"Index out of range");
  const auto i = static_cast<size_t>(index);
  FFormula[i] = value;
  FPtgs[i].reset();
  FPtgsSz[i] = 0;
}

TXc12CfRule* TXc12CfRules::Add() {
  FItems.push_back(std::make_unique<TXc12CfRule>());
  return FItems.back().get();
}

TXc12ConditionalFormatting* TXc12ConditionalFormattings::Add() {
  std::unique_ptr<TXc12ConditionalFormatting> item = CreateItem();
  TXc12ConditionalFormatting* p = item.get();
  FItems.push_back(std::move(item));
  return p;
}

std::unique_ptr<TXc12ConditionalFormatting> TXLSConditionalFormats::CreateItem() {
  std::unique_ptr<TXLSConditionalFormat> cf;
  if (FClassFactory)
    cf = FClassFactory->CreateAs<TXLSConditionalFormat>(TXLSClassFactoryType::xcftConditionalFormat, nullptr);
  if (!cf) cf = std::make_unique<TXLSConditionalFormat>(nullptr, nullptr);
  cf->FXc12Sheet = FXc12Sheet;
  return cf;
}

// ---- custom sheet views

void TXc12CustomSheetView::Clear() {
  FGuid.clear();
  FScale = 100;
  FColorId = 64;
  FShowPageBreaks = FShowFormulas = false;
  FShowGridLines = FShowRowCol = FOutlineSymbols = FZeroValues = true;
  FFitToPage = FPrintArea = FFilter = FShowAutoFilter = FHiddenRows = FHiddenColumns = false;
  FState = TXc12SheetState::x12ssVisible;
  FFilterUnique = false;
  FView = TXc12SheetViewType::x12svtNormal;
  FShowRuler = true;
  FTopLeftCell = {-1, -1, -1, -1};
  *FPane = TXc12Pane{};
  FSelection->Clear();
  FRowBreaks->clear();
  FColBreaks->clear();
  *FPageMargins = TXc12PageMargins{};
  *FPrintOptions = TXc12PrintOptions{};
  *FPageSetup = TXc12PageSetup{};
  *FHeaderFooter = TXc12HeaderFooter{};
  FAutoFilter->Clear();
}

TXc12CustomSheetView* TXc12CustomSheetViews::Add() {
  FItems.push_back(std::make_unique<TXc12CustomSheetView>(FClassFactory));
  return FItems.back().get();
}

// ---- smart tags

TXc12CellSmartTagPr* TXc12CellSmartTag::Add() {
  FItems.push_back(std::make_unique<TXc12CellSmartTagPr>());
  return FItems.back().get();
}

TXc12CellSmartTag* TXc12CellSmartTags::Add() {
  FItems.push_back(std::make_unique<TXc12CellSmartTag>());
  return FItems.back().get();
}

TXc12CellSmartTags* TXc12SmartTags::Add() {
  FItems.push_back(std::make_unique<TXc12CellSmartTags>());
  return FItems.back().get();
}

}  // namespace xls
