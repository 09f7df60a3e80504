// Conditional formats, sort states, custom sheet views and smart tags: the model objects' defaults
// and Clear rules, and their reading from small packages built here.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "tests/xls/xlsxreader/objects_fixtures.h"
#include "xls/model/xlssheetextras.h"
#include "xls/model/xlsutils.h"
#include "xls/model/xlsstylesheet.h"

namespace xls {
namespace {

using namespace objectsfixtures;

// ---- model: defaults and Clear rules

struct ClearCase {
  const char* name;
  std::function<void()> check;
};

const ClearCase kClearCases[] = {
    {"CfRuleResetsAttributesKeepsFormulasAndValues",
     [] {
       TXc12CfRule r;
       EXPECT_EQ(r.FType_, kXc12CfTypeNone);
       EXPECT_EQ(static_cast<int>(r.FOperator), 255);
       EXPECT_EQ(static_cast<int>(r.FTimePeriod), 255);
       EXPECT_TRUE(r.FAboveAverage);
       r.FType_ = TXc12CfType::x12ctCellIs;
       r.FOperator = TXc12ConditionalFormattingOperator::x12cfoBetween;
       r.FTimePeriod = TXc12TimePeriod::x12tpToday;
       TXc12DXF* fake = reinterpret_cast<TXc12DXF*>(&r);
       r.FDXF = fake;
       r.FPriority = 4;
       r.FStopIfTrue = r.FPercent = r.FBottom = r.FEqualAverage = true;
       r.FAboveAverage = false;
       r.FText = u"x";
       r.FRank = 5;
       r.FStdDev = 2;
       r.SerFormulas(1, u"A1>2");
       r.FPtgs[1] = std::make_unique<uint8_t[]>(3);
       r.FPtgsSz[1] = 3;
       r.FValMin = 1;
       r.SetValuesCount(4);
       r.FDataBar->FMinLength = 0;
       r.FIconSet->FReverse = true;
       r.FColorScale->Cfvos().Add();
       r.Clear();
       EXPECT_EQ(r.FType_, kXc12CfTypeNone);
       EXPECT_EQ(r.FOperator, kXc12CfOperatorNone);
       EXPECT_EQ(r.FTimePeriod, kXc12TimePeriodNone);
       EXPECT_EQ(r.FDXF, nullptr);
       EXPECT_EQ(r.FPriority, 0);
       EXPECT_FALSE(r.FStopIfTrue || r.FPercent || r.FBottom || r.FEqualAverage);
       EXPECT_TRUE(r.FAboveAverage);
       EXPECT_TRUE(r.FText.empty());
       EXPECT_EQ(r.FRank, 0);
       EXPECT_EQ(r.FStdDev, 0);
       EXPECT_EQ(r.FDataBar->FMinLength, 10);
       EXPECT_FALSE(r.FIconSet->FReverse);
       EXPECT_EQ(r.FColorScale->Cfvos().Count(), 0u);
       // Kept: formulas, compiled forms, doubles, value array.
       EXPECT_EQ(r.Formulas(1), u"A1>2");
       EXPECT_NE(r.FPtgs[1], nullptr);
       EXPECT_EQ(r.FPtgsSz[1], 3);
       EXPECT_EQ(r.FValMin, 1);
       EXPECT_EQ(r.ValuesCount(), 4u);
     }},
    {"CfvoClearIsNumberEmptyGte",
     [] {
       TXc12Cfvo c;
       c.FType = TXc12CfvoType::x12ctFormula;
       c.FVal = u"A1";
       c.FGte = false;
       c.Clear();
       EXPECT_EQ(c.FType, TXc12CfvoType::x12ctNum);
       EXPECT_TRUE(c.FVal.empty());
       EXPECT_TRUE(c.FGte);
     }},
    {"IconSetClearKeepsValueObjects",
     [] {
       TXc12IconSet s;
       EXPECT_EQ(s.FIconSet, TXc12IconSetType::x12ist3TrafficLights1);
       EXPECT_TRUE(s.FShowValue && s.FPercent && !s.FReverse);
       s.Cfvos().Add();
       s.FIconSet = TXc12IconSetType::x12ist5Arrows;
       s.FShowValue = s.FPercent = false;
       s.FReverse = true;
       s.Clear();
       EXPECT_EQ(s.FIconSet, TXc12IconSetType::x12ist3TrafficLights1);
       EXPECT_TRUE(s.FShowValue && s.FPercent && !s.FReverse);
       EXPECT_EQ(s.Cfvos().Count(), 1u);
     }},
    {"DataBarClearResetsLengthsColourAndBothValueObjects",
     [] {
       TXc12DataBar b;
       b.FMinLength = 1;
       b.FMaxLength = 2;
       b.FShowValue = false;
       b.FColor.ColorType = TXc12ColorType::exctRgb;
       b.FCfvo1->FVal = u"1";
       b.FCfvo2->FType = TXc12CfvoType::x12ctMax;
       b.Clear();
       EXPECT_EQ(b.FMinLength, 10);
       EXPECT_EQ(b.FMaxLength, 90);
       EXPECT_TRUE(b.FShowValue);
       EXPECT_EQ(b.FColor.ColorType, TXc12ColorType::exctUnassigned);
       EXPECT_TRUE(b.FCfvo1->FVal.empty());
       EXPECT_EQ(b.FCfvo2->FType, TXc12CfvoType::x12ctNum);
     }},
    {"ColorScaleClearEmptiesBothLists",
     [] {
       TXc12ColorScale s;
       s.Cfvos().Add();
       s.Colors().Add(TXc12Color{});
       s.Clear();
       EXPECT_EQ(s.Cfvos().Count(), 0u);
       EXPECT_EQ(s.Colors().Count(), 0u);
     }},
    {"ConditionalFormattingClearKeepsPivot",
     [] {
       TXLSConditionalFormat f(nullptr, nullptr);
       f.SetPivot(true);
       f.SQRef().Add(1, 1);
       f.CfRules().Add();
       f.Clear();
       EXPECT_TRUE(f.Pivot());
       EXPECT_EQ(f.SQRef().Count(), 0u);
       EXPECT_EQ(f.CfRules().Count(), 0u);
       EXPECT_EQ(f.ResultColor(), 0u);
       EXPECT_EQ(f.ResultDXF(), nullptr);
       EXPECT_EQ(f.ResIconIndex(), 0);
     }},
    {"SortStateIsZeroUntilFirstClear",
     [] {
       TXc12SortState s;
       EXPECT_EQ(s.FSortMethod, TXc12SortMethod::x12smStroke);
       EXPECT_EQ(s.FRef, Area(0, 0, 0, 0));
       s.FColumnSort = s.FCaseSensitive = true;
       s.SortConditions().Add();
       s.Clear();
       EXPECT_FALSE(s.FColumnSort || s.FCaseSensitive);
       EXPECT_EQ(s.FSortMethod, TXc12SortMethod::x12smNone);
       EXPECT_EQ(s.FRef, Area(-1, -1, -1, -1));
       EXPECT_EQ(s.SortConditions().Count(), 0u);
     }},
    {"SortConditionClearGivesA1",
     [] {
       TXc12SortCondition c;
       c.FDescending = true;
       c.FSortBy = TXc12SortBy::x12sbIcon;
       c.FRef = Area(3, 3, 4, 4);
       c.FCustomList = u"a,b";
       c.FDxfId = 2;
       c.FIconSet = TXc12IconSetType::x12ist4Rating;
       c.FIconId = 3;
       c.Clear();
       EXPECT_FALSE(c.FDescending);
       EXPECT_EQ(c.FSortBy, TXc12SortBy::x12sbValue);
       EXPECT_EQ(c.FRef, Area(0, 0, 0, 0));
       EXPECT_TRUE(c.FCustomList.empty());
       EXPECT_EQ(c.FDxfId, -1);
       EXPECT_EQ(c.FIconSet, TXc12IconSetType::x12ist3Arrows);
       EXPECT_EQ(c.FIconId, 0);
     }},
    {"AutoFilterAndTableHoldClearedSortStates",
     [] {
       TXc12AutoFilter f;
       EXPECT_EQ(f.FSortState->FSortMethod, TXc12SortMethod::x12smNone);
       f.FSortState->SortConditions().Add();
       f.Clear();
       EXPECT_EQ(f.FSortState->SortConditions().Count(), 0u);
       TXc12Table t;
       EXPECT_EQ(t.FSortState->FRef, Area(-1, -1, -1, -1));
       EXPECT_EQ(t.FAutoFilter->FRef, Area(-1, -1, -1, -1));
     }},
    {"CustomSheetViewClearResetsEveryMemberKeepsFactory",
     [] {
       TXLSClassFactoryImpl factory;
       TXc12CustomSheetViews views(&factory);
       TXc12CustomSheetView& v = *views.Add();
       EXPECT_EQ(v.FClassFactory, &factory);
       EXPECT_EQ(v.FScale, 100);
       EXPECT_EQ(v.FColorId, 64);
       EXPECT_TRUE(v.FShowGridLines && v.FShowRowCol && v.FOutlineSymbols && v.FZeroValues && v.FShowRuler);
       v.FGuid = u"{X}";
       v.FScale = 50;
       v.FHiddenRows = true;
       v.FState = TXc12SheetState::x12ssHidden;
       v.FTopLeftCell = Area(1, 1, 1, 1);
       v.FPane->FXSplit = 3;
       v.FSelection->FSQRef.Add(4, 4);
       v.FRowBreaks->push_back({});
       v.FPageMargins->FLeft = 2;
       v.FPrintOptions->FHeadings = true;
       v.FPageSetup->FScale = 80;
       v.FHeaderFooter->FOddHeader = u"h";
       v.FAutoFilter->FRef = Area(0, 0, 1, 1);
       v.Clear();
       EXPECT_EQ(v.FClassFactory, &factory);
       EXPECT_TRUE(v.FGuid.empty());
       EXPECT_EQ(v.FScale, 100);
       EXPECT_FALSE(v.FHiddenRows);
       EXPECT_EQ(v.FState, TXc12SheetState::x12ssVisible);
       EXPECT_EQ(v.FTopLeftCell, Area(-1, -1, -1, -1));
       EXPECT_EQ(v.FPane->FXSplit, 0);
       ASSERT_EQ(v.FSelection->FSQRef.Count(), 1u);  // A1 only
       EXPECT_TRUE(v.FRowBreaks->empty());
       EXPECT_EQ(v.FPageMargins->FLeft, 0.7);
       EXPECT_FALSE(v.FPrintOptions->FHeadings);
       EXPECT_EQ(v.FPageSetup->FScale, 100);
       EXPECT_TRUE(v.FHeaderFooter->FOddHeader.empty());
       EXPECT_EQ(v.FAutoFilter->FRef, Area(-1, -1, -1, -1));
     }},
    {"SmartTagClearsZeroFieldsAndEmptyLists",
     [] {
       TXc12CellSmartTags cell;
       cell.FRef->SetAsString(u"C4");
       TXc12CellSmartTag& tag = *cell.Add();
       tag.FType_ = 3;
       tag.FDeleted = tag.FXmlBased = true;
       tag.Add()->FKey = u"k";
       tag.Clear();
       EXPECT_EQ(tag.FType_, 0);
       EXPECT_FALSE(tag.FDeleted || tag.FXmlBased);
       EXPECT_EQ(tag.Count(), 0u);
       cell.Clear();
       EXPECT_EQ(cell.Count(), 0u);
       EXPECT_EQ(cell.FRef->Col, 0);
       EXPECT_EQ(cell.FRef->Row, 0);
     }},
};

class SheetExtras_Clear : public ::testing::TestWithParam<ClearCase> {};
TEST_P(SheetExtras_Clear, Rule) { GetParam().check(); }
INSTANTIATE_TEST_SUITE_P(Cases, SheetExtras_Clear, ::testing::ValuesIn(kClearCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SheetExtras_CfRule, SerFormulasDropsOnlyThatCompiledFormAndChecksIndex) {
  TXc12CfRule r;
  for (int i = 0; i < 3; ++i) {
    r.FPtgs[i] = std::make_unique<uint8_t[]>(2);
    r.FPtgsSz[i] = 2;
  }
  r.SerFormulas(2, u"B1");
  r.SerFormulas(2, u"B2");  // twice: the compiled form is gone after the first
  EXPECT_EQ(r.Formulas(2), u"B2");
  EXPECT_EQ(r.FPtgs[2], nullptr);
  EXPECT_EQ(r.FPtgsSz[2], 0);
  EXPECT_NE(r.FPtgs[0], nullptr);
  EXPECT_EQ(r.FPtgsSz[1], 2);
  for (int bad : {-1, 3}) {
    try {
      r.SerFormulas(bad, u"x");
      FAIL() << bad;
    } catch (const XLSRWException& e) {
      EXPECT_STREQ(e.what(), "Index out of range");
    }
  }
}

TEST(SheetExtras_Cfvo, NumberTextWithFullStopWhateverTheLocale) {
  const struct {
    const char16_t* text;
    double value;
  } cases[] = {{u"12.5", 12.5}, {u"50", 50}, {u"-0.25", -0.25}, {u"abc", 0}, {u"", 0}, {u"1,5", 0}};
  for (const auto& c : cases) {
    TXc12Cfvo v;
    v.FVal = c.text;
    EXPECT_EQ(v.AsFloat(), c.value) << std::string(c.text,
                                                   c.text + std::char_traits<char16_t>::length(c.text));
  }
  TXc12Cfvo v;
  v.FVal = u"50";
  EXPECT_EQ(v.AsPercent(), 0.5);
  v.SetAsFloat(0.1);
  EXPECT_EQ(v.FVal, u"0.1");
  v.SetAsFloat(-1234.5);
  EXPECT_EQ(v.AsFloat(), -1234.5);
}

TEST(SheetExtras_Factory, SheetMakesItsConditionalFormatsThroughTheFactory) {
  TXLSClassFactoryImpl factory;
  for (TXLSClassFactory* f :
       {static_cast<TXLSClassFactory*>(&factory), static_cast<TXLSClassFactory*>(nullptr)}) {
    TXc12DataWorksheet sheet(f, 0, nullptr, nullptr);
    auto* list = dynamic_cast<TXLSConditionalFormats*>(&sheet.ConditionalFormatting());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->FXc12Sheet, &sheet);
    TXc12ConditionalFormatting* cf = list->AddCF();
    ASSERT_EQ(list->Count(), 1u);
    TXLSConditionalFormat* x = list->Format(0);
    ASSERT_EQ(x, cf);
    EXPECT_EQ(x->FXc12Sheet, &sheet);
    x->Areas().Add(Area(0, 0, 3, 3));
    EXPECT_TRUE(x->Intersect(2, 2, 5, 5));
    list->DeleteLocal(0, 0, 3, 3);  // the move-and-copy list deletes through the item
    EXPECT_EQ(x->Areas().Count(), 0u);
    // A new sheet holds a cleared sort state, no custom views and no smart tags.
    EXPECT_EQ(sheet.SortState().FSortMethod, TXc12SortMethod::x12smNone);
    EXPECT_EQ(sheet.CustomSheetViews().Count(), 0u);
    EXPECT_EQ(sheet.SmartTags().Count(), 0u);
  }
}

// ---- reading

TEST(WorksheetExtras_SortState, SheetFilterAndTableEachGetTheirOwn) {
  const std::string table =
      "<table " + kMain +
      " id=\"1\" name=\"T\" displayName=\"T\" ref=\"A1:B4\"><autoFilter ref=\"A1:B4\"/>"
      "<sortState ref=\"A2:B4\"><sortCondition descending=\"1\" ref=\"B2:B4\"/></sortState>"
      "<tableColumns count=\"2\"><tableColumn id=\"1\" name=\"a\"/><tableColumn id=\"2\" name=\"b\"/>"
      "</tableColumns></table>";
  Load l(Book(
      Worksheet("<sheetData/>"
                "<autoFilter ref=\"D1:F9\"><filterColumn colId=\"0\"><filters><filter val=\"x\"/>"
                "</filters></filterColumn><filterColumn colId=\"1\"/>"
                "<sortState ref=\"D2:F9\"><sortCondition ref=\"E2:E9\" sortBy=\"fontColor\"/></sortState>"
                "</autoFilter>"
                "<sortState columnSort=\"1\" caseSensitive=\"1\" sortMethod=\"pinYin\" ref=\"A1:C9\">"
                "<sortCondition descending=\"1\" sortBy=\"cellColor\" ref=\"B1:B9\" dxfId=\"4\"/>"
                "<sortCondition sortBy=\"icon\" ref=\"C1:C9\" customList=\"lo,hi\" iconSet=\"5Arrows\" "
                "iconId=\"2\"/></sortState>"
                "<tableParts count=\"1\"><tablePart r:id=\"rId3\"/></tableParts>"),
      {{"rId3", "table", "../tables/table1.xml", ""}}, {{"xl/tables/table1.xml", table}}));
  l.ReadSheet();
  const TXc12SortState& s = l.sheet->SortState();
  EXPECT_TRUE(s.FColumnSort);
  EXPECT_TRUE(s.FCaseSensitive);
  EXPECT_EQ(s.FSortMethod, TXc12SortMethod::x12smPinYin);
  EXPECT_EQ(s.FRef, Area(0, 0, 2, 8));
  ASSERT_EQ(s.SortConditions().Count(), 2u);
  const TXc12SortCondition& c0 = *s.SortConditions().Items(0);
  EXPECT_TRUE(c0.FDescending);
  EXPECT_EQ(c0.FSortBy, TXc12SortBy::x12sbCellColor);
  EXPECT_EQ(c0.FRef, Area(1, 0, 1, 8));
  EXPECT_EQ(c0.FDxfId, 4);
  const TXc12SortCondition& c1 = *s.SortConditions().Items(1);
  EXPECT_EQ(c1.FSortBy, TXc12SortBy::x12sbIcon);
  EXPECT_EQ(c1.FCustomList, u"lo,hi");
  EXPECT_EQ(c1.FIconSet, TXc12IconSetType::x12ist5Arrows);
  EXPECT_EQ(c1.FIconId, 2);
  EXPECT_EQ(c1.FDxfId, -1);

  // The autofilter with two columns keeps its one condition in its own state.
  const TXc12SortState& fs = *l.sheet->Autofilter().FSortState;
  ASSERT_EQ(fs.SortConditions().Count(), 1u);
  EXPECT_EQ(fs.FRef, Area(3, 1, 5, 8));
  EXPECT_EQ(fs.SortConditions().Items(0)->FSortBy, TXc12SortBy::x12sbFontColor);
  EXPECT_EQ(fs.FSortMethod, TXc12SortMethod::x12smNone);

  ASSERT_EQ(l.sheet->Tables().Count(), 1u);
  const TXc12Table& t = *l.sheet->Tables().Items(0);
  EXPECT_EQ(t.FAutoFilter->FRef, Area(0, 0, 1, 3));
  ASSERT_EQ(t.FSortState->SortConditions().Count(), 1u);
  EXPECT_TRUE(t.FSortState->SortConditions().Items(0)->FDescending);
}

TEST(WorksheetExtras_ConditionalFormats, RulesVisualsFormulasAndDifferentialFormats) {
  Load l(Book(
      Worksheet("<sheetData/>"
                "<conditionalFormatting sqref=\"A1:A10 C3\">"
                "<cfRule type=\"cellIs\" dxfId=\"1\" priority=\"2\" operator=\"between\" stopIfTrue=\"1\">"
                "<formula>1</formula><formula>$B$1</formula><formula>3</formula><formula>4</formula></cfRule>"
                "<cfRule type=\"timePeriod\" dxfId=\"7\" priority=\"3\" timePeriod=\"last7Days\" "
                "text=\"t\" rank=\"5\" stdDev=\"2\" aboveAverage=\"0\" percent=\"1\" bottom=\"1\" "
                "equalAverage=\"1\"/>"
                "</conditionalFormatting>"
                "<conditionalFormatting pivot=\"1\" sqref=\"B1:B5\">"
                "<cfRule type=\"colorScale\" priority=\"1\"><colorScale><cfvo type=\"min\"/>"
                "<cfvo type=\"percentile\" val=\"50\" gte=\"0\"/><cfvo type=\"max\"/>"
                "<color rgb=\"FFF8696B\"/><color theme=\"4\"/><color rgb=\"FF63BE7B\"/></colorScale></cfRule>"
                "<cfRule type=\"dataBar\" priority=\"4\"><dataBar minLength=\"0\" maxLength=\"100\" "
                "showValue=\"0\"><cfvo type=\"num\" val=\"1.5\"/><cfvo type=\"formula\" val=\"$A$1*2\"/>"
                "<color rgb=\"FF638EC6\"/></dataBar></cfRule>"
                "<cfRule type=\"iconSet\" priority=\"5\"><iconSet iconSet=\"4Rating\" reverse=\"1\" "
                "showValue=\"0\"><cfvo type=\"percent\" val=\"0\"/><cfvo type=\"percent\" val=\"25\"/>"
                "</iconSet></cfRule>"
                "<cfRule priority=\"6\"/>"
                "</conditionalFormatting>"),
      {}));
  TXc12DXFs& dxfs = l.hub.StyleSheet().DXFs();
  while (dxfs.Count() < 3) dxfs.Add();
  l.ReadSheet();
  TXc12ConditionalFormattings& list = l.sheet->ConditionalFormatting();
  ASSERT_EQ(list.Count(), 2u);

  TXc12ConditionalFormatting& a = *list.CF(0);
  EXPECT_FALSE(a.FPivot);
  EXPECT_EQ(a.SQRef().DelimitedText(), u"A1:A10 C3");
  ASSERT_EQ(a.CfRules().Count(), 2u);
  const TXc12CfRule& r0 = *a.CfRules().Items(0);
  EXPECT_EQ(r0.FType_, TXc12CfType::x12ctCellIs);
  EXPECT_EQ(r0.FOperator, TXc12ConditionalFormattingOperator::x12cfoBetween);
  EXPECT_EQ(r0.FDXF, dxfs.Items(1));
  EXPECT_EQ(r0.FPriority, 2);
  EXPECT_TRUE(r0.FStopIfTrue);
  EXPECT_EQ(r0.Formulas(0), u"1");
  EXPECT_EQ(r0.Formulas(1), u"$B$1");
  EXPECT_EQ(r0.Formulas(2), u"3");  // the fourth formula is ignored
  EXPECT_EQ(r0.FPtgs[0], nullptr);  // kept as text, not compiled
  EXPECT_EQ(r0.FTimePeriod, kXc12TimePeriodNone);
  const TXc12CfRule& r1 = *a.CfRules().Items(1);
  EXPECT_EQ(r1.FType_, TXc12CfType::x12ctTimePeriod);
  EXPECT_EQ(r1.FTimePeriod, TXc12TimePeriod::x12tpLast7Days);
  EXPECT_EQ(r1.FDXF, nullptr);  // dxfId 7 is beyond the style sheet's three formats
  EXPECT_EQ(r1.FText, u"t");
  EXPECT_EQ(r1.FRank, 5);
  EXPECT_EQ(r1.FStdDev, 2);
  EXPECT_FALSE(r1.FAboveAverage);
  EXPECT_TRUE(r1.FPercent && r1.FBottom && r1.FEqualAverage);
  EXPECT_EQ(r1.FOperator, kXc12CfOperatorNone);

  TXc12ConditionalFormatting& b = *list.CF(1);
  EXPECT_TRUE(b.FPivot);
  ASSERT_EQ(b.CfRules().Count(), 4u);
  const TXc12ColorScale& cs = *b.CfRules().Items(0)->FColorScale;
  ASSERT_EQ(cs.FCfvos->Count(), 3u);
  EXPECT_EQ(cs.FCfvos->Items(0)->FType, TXc12CfvoType::x12ctMin);
  EXPECT_EQ(cs.FCfvos->Items(1)->FType, TXc12CfvoType::x12ctPercentile);
  EXPECT_EQ(cs.FCfvos->Items(1)->FVal, u"50");
  EXPECT_FALSE(cs.FCfvos->Items(1)->FGte);
  EXPECT_TRUE(cs.FCfvos->Items(2)->FGte);
  ASSERT_EQ(cs.FColors->Count(), 3u);
  EXPECT_EQ(cs.FColors->Items(0).ColorType, TXc12ColorType::exctRgb);
  EXPECT_EQ(cs.FColors->Items(0).ARGB & 0xFFFFFFu, SwapRedBlue(0xF8696Bu));  // rgb F8696B, red low
  EXPECT_EQ(cs.FColors->Items(1).ColorType, TXc12ColorType::exctTheme);

  const TXc12DataBar& db = *b.CfRules().Items(1)->FDataBar;
  EXPECT_EQ(db.FMinLength, 0);
  EXPECT_EQ(db.FMaxLength, 100);
  EXPECT_FALSE(db.FShowValue);
  EXPECT_EQ(db.FCfvo1->AsFloat(), 1.5);
  EXPECT_EQ(db.FCfvo2->FType, TXc12CfvoType::x12ctFormula);
  EXPECT_EQ(db.FCfvo2->FVal, u"$A$1*2");
  EXPECT_EQ(db.FColor.ARGB & 0xFFFFFFu, SwapRedBlue(0x638EC6u));

  const TXc12IconSet& is = *b.CfRules().Items(2)->FIconSet;
  EXPECT_EQ(is.FIconSet, TXc12IconSetType::x12ist4Rating);
  EXPECT_TRUE(is.FReverse);
  EXPECT_FALSE(is.FShowValue);
  EXPECT_TRUE(is.FPercent);
  ASSERT_EQ(is.FCfvos->Count(), 2u);
  EXPECT_EQ(is.FCfvos->Items(1)->AsPercent(), 0.25);

  // No type given: the model's none stays.
  EXPECT_EQ(b.CfRules().Items(3)->FType_, kXc12CfTypeNone);
  EXPECT_EQ(b.CfRules().Items(3)->FPriority, 6);
}

TEST(WorksheetExtras_CustomSheetViews, AttributesAndOwnedMembers) {
  Load l(Book(
      Worksheet("<sheetData/><customSheetViews>"
                "<customSheetView guid=\"{A1B2}\" scale=\"85\" colorId=\"10\" showGridLines=\"0\" "
                "hiddenRows=\"1\" state=\"veryHidden\" view=\"pageLayout\" topLeftCell=\"B3\" "
                "filter=\"1\" showRuler=\"0\">"
                "<pane xSplit=\"2\" ySplit=\"1\" topLeftCell=\"C2\" activePane=\"bottomRight\" "
                "state=\"frozen\"/><selection pane=\"bottomRight\" activeCell=\"D4\" sqref=\"D4:E5\"/>"
                "<rowBreaks count=\"1\" manualBreakCount=\"1\"><brk id=\"9\" max=\"16383\" man=\"1\"/>"
                "</rowBreaks><colBreaks/>"
                "<pageMargins left=\"1\" right=\"1\" top=\"2\" bottom=\"2\" header=\"0.5\" footer=\"0.5\"/>"
                "<printOptions gridLines=\"1\"/><pageSetup orientation=\"landscape\" scale=\"70\"/>"
                "<headerFooter><oddHeader>&amp;CTop</oddHeader></headerFooter>"
                "<autoFilter ref=\"A1:C5\"><filterColumn colId=\"1\"/></autoFilter>"
                "</customSheetView>"
                "<customSheetView guid=\"{C3}\"/></customSheetViews>"),
      {}));
  l.ReadSheet();
  TXc12CustomSheetViews& views = l.sheet->CustomSheetViews();
  ASSERT_EQ(views.Count(), 2u);
  const TXc12CustomSheetView& v = *views.Items(0);
  EXPECT_EQ(v.FClassFactory, &l.factory);
  EXPECT_EQ(v.FGuid, u"{A1B2}");
  EXPECT_EQ(v.FScale, 85);
  EXPECT_EQ(v.FColorId, 10);
  EXPECT_FALSE(v.FShowGridLines);
  EXPECT_TRUE(v.FHiddenRows);
  EXPECT_TRUE(v.FFilter);
  EXPECT_FALSE(v.FShowRuler);
  EXPECT_EQ(v.FState, TXc12SheetState::x12ssVeryHidden);
  EXPECT_EQ(v.FView, TXc12SheetViewType::x12svtPageLayout);
  EXPECT_EQ(v.FTopLeftCell, Area(1, 2, 1, 2));
  EXPECT_EQ(v.FPane->FXSplit, 2);
  EXPECT_EQ(v.FPane->FState, TXc12PaneState::x12psFrozen);
  EXPECT_EQ(v.FSelection->FPane, TXc12PaneEnum::x12pBottomRight);
  EXPECT_EQ(v.FSelection->FActiveCell, Area(3, 3, 3, 3));
  EXPECT_EQ(v.FSelection->FSQRef.DelimitedText(), u"D4:E5");
  ASSERT_EQ(v.FRowBreaks->size(), 1u);
  EXPECT_EQ((*v.FRowBreaks)[0].FId, 9);
  EXPECT_TRUE((*v.FRowBreaks)[0].FMan);
  EXPECT_TRUE(v.FColBreaks->empty());
  EXPECT_EQ(v.FPageMargins->FTop, 2);
  EXPECT_TRUE(v.FPrintOptions->FGridLines);
  EXPECT_EQ(v.FPageSetup->FScale, 70);
  EXPECT_EQ(v.FPageSetup->FOrientation, TXc12Orientation::x12oLandscape);
  EXPECT_EQ(v.FHeaderFooter->FOddHeader, u"&CTop");
  EXPECT_EQ(v.FAutoFilter->FRef, Area(0, 0, 2, 4));
  EXPECT_EQ(v.FAutoFilter->ColumnCount(), 1u);

  // A view without children keeps every member's defaults.
  const TXc12CustomSheetView& w = *views.Items(1);
  EXPECT_EQ(w.FGuid, u"{C3}");
  EXPECT_EQ(w.FScale, 100);
  EXPECT_EQ(w.FSelection->FSQRef.DelimitedText(), u"A1");
  EXPECT_EQ(w.FPageMargins->FLeft, 0.7);
  EXPECT_EQ(w.FAutoFilter->FRef, Area(-1, -1, -1, -1));
  // The sheet's own views and page setup are untouched.
  EXPECT_EQ(l.sheet->PageSetup().FScale, 100);
}

TEST(WorksheetExtras_SmartTags, CellsTagsAndProperties) {
  Load l(Book(Worksheet("<sheetData/><smartTags>"
                        "<cellSmartTags r=\"B3\"><cellSmartTag type=\"2\" deleted=\"1\">"
                        "<cellSmartTagPr key=\"k1\" val=\"v1\"/><cellSmartTagPr key=\"k2\" val=\"v2\"/>"
                        "</cellSmartTag><cellSmartTag type=\"0\" xmlBased=\"1\"/></cellSmartTags>"
                        "<cellSmartTags r=\"not a cell\"/></smartTags>"),
              {}));
  l.ReadSheet();
  TXc12SmartTags& tags = l.sheet->SmartTags();
  ASSERT_EQ(tags.Count(), 2u);
  const TXc12CellSmartTags& cell = *tags.Items(0);
  EXPECT_EQ(cell.FRef->Col, 1);
  EXPECT_EQ(cell.FRef->Row, 2);
  ASSERT_EQ(cell.Count(), 2u);
  const TXc12CellSmartTag& t0 = *cell.Items(0);
  EXPECT_EQ(t0.FType_, 2);
  EXPECT_TRUE(t0.FDeleted);
  EXPECT_FALSE(t0.FXmlBased);
  ASSERT_EQ(t0.Count(), 2u);
  EXPECT_EQ(t0.Items(1)->FKey, u"k2");
  EXPECT_EQ(t0.Items(1)->FVal, u"v2");
  EXPECT_TRUE(cell.Items(1)->FXmlBased);
  // A reference that is not one cell leaves A1.
  EXPECT_EQ(tags.Items(1)->FRef->AsString(), u"A1");
}

// Numbers and names the model does not know: a differential format number outside the style
// sheet (negative or beyond the list) gives none; unknown enumeration
// texts keep the model's defaults.
TEST(WorksheetExtras_BadValues, UnknownNumbersAndNamesKeepDefaults) {
  Load l(Book(Worksheet("<sheetData/>"
                        "<sortState sortMethod=\"bogus\" ref=\"nowhere\"><sortCondition sortBy=\"bogus\" "
                        "iconSet=\"9Stars\" dxfId=\"-7\" ref=\"A1\"/></sortState>"
                        "<customSheetViews><customSheetView guid=\"{G}\" state=\"gone\" view=\"wide\"/>"
                        "</customSheetViews>"
                        "<conditionalFormatting sqref=\"A1\">"
                        "<cfRule type=\"bogus\" dxfId=\"-5\" operator=\"near\" timePeriod=\"someday\"/>"
                        "<cfRule type=\"expression\" dxfId=\"1\"><formula>A1</formula></cfRule>"
                        "<cfRule type=\"expression\" dxfId=\"2\"/>"
                        "<cfRule type=\"iconSet\"><iconSet iconSet=\"7Moons\"><cfvo type=\"far\" val=\"x\"/>"
                        "</iconSet></cfRule></conditionalFormatting>"),
              {}));
  l.hub.StyleSheet().DXFs().Add();  // one format: number 0 only
  l.ReadSheet();
  const TXc12SortState& s = l.sheet->SortState();
  EXPECT_EQ(s.FSortMethod, TXc12SortMethod::x12smNone);
  EXPECT_EQ(s.FRef, Area(-1, -1, -1, -1));
  ASSERT_EQ(s.SortConditions().Count(), 1u);
  EXPECT_EQ(s.SortConditions().Items(0)->FSortBy, TXc12SortBy::x12sbValue);
  EXPECT_EQ(s.SortConditions().Items(0)->FIconSet, TXc12IconSetType::x12ist3Arrows);
  EXPECT_EQ(s.SortConditions().Items(0)->FDxfId, -1);
  const TXc12CustomSheetView& v = *l.sheet->CustomSheetViews().Items(0);
  EXPECT_EQ(v.FState, TXc12SheetState::x12ssVisible);
  EXPECT_EQ(v.FView, TXc12SheetViewType::x12svtNormal);
  const TXc12CfRules& rules = l.sheet->ConditionalFormatting().CF(0)->CfRules();
  ASSERT_EQ(rules.Count(), 4u);
  EXPECT_EQ(rules.Items(0)->FType_, kXc12CfTypeNone);
  EXPECT_EQ(rules.Items(0)->FOperator, kXc12CfOperatorNone);
  EXPECT_EQ(rules.Items(0)->FTimePeriod, kXc12TimePeriodNone);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(rules.Items(i)->FDXF, nullptr) << i;
  EXPECT_EQ(rules.Items(1)->Formulas(0), u"A1");
  EXPECT_EQ(rules.Items(3)->FIconSet->FIconSet, TXc12IconSetType::x12ist3TrafficLights1);
  ASSERT_EQ(rules.Items(3)->FIconSet->FCfvos->Count(), 1u);
  EXPECT_EQ(rules.Items(3)->FIconSet->FCfvos->Items(0)->FType, TXc12CfvoType::x12ctNum);
  EXPECT_EQ(rules.Items(3)->FIconSet->FCfvos->Items(0)->AsFloat(), 0);
}

TEST(WorksheetExtras_Missing, NoElementsLeaveTheSheetsDefaults) {
  Load l(Book(Worksheet("<sheetData/><customSheetViews/><smartTags/>"), {}));
  l.ReadSheet();
  EXPECT_EQ(l.sheet->CustomSheetViews().Count(), 0u);
  EXPECT_EQ(l.sheet->SmartTags().Count(), 0u);
  EXPECT_EQ(l.sheet->ConditionalFormatting().Count(), 0u);
  EXPECT_EQ(l.sheet->SortState().FRef, Area(-1, -1, -1, -1));
  EXPECT_EQ(l.sheet->SortState().FSortMethod, TXc12SortMethod::x12smNone);
}

}  // namespace
}  // namespace xls
