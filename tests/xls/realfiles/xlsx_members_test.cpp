// Workbook packages with the members beside cells (tests/data/xlsx, made by make_member_fixtures.py:
// openpyxl's filters of every kind, a table with a totals row and core properties; LibreOffice's
// scenarios) are loaded through the component and compared with what openpyxl read from the same
// files (NAME.members).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/xls/realfiles/realfiles.h"
#include "xls/model/formatsettings.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlscellarea.h"
#include "xls/model/xlsworksheetdata.h"
#include "xls/xlsxreader/xlsreadxlsx.h"

namespace {

using kws::test::Escaped;

// Enumeration texts as the schema writes them, in the model's order (which is the schema's).
const char16_t* const kCalendars[] = {u"none",
                                      u"gregorian",
                                      u"gregorianUs",
                                      u"japan",
                                      u"taiwan",
                                      u"korea",
                                      u"hijri",
                                      u"thai",
                                      u"hebrew",
                                      u"gregorianMeFrench",
                                      u"gregorianArabic",
                                      u"gregorianXlitEnglish"};
const char16_t* const kGroupings[] = {u"year", u"month", u"day", u"hour", u"minute", u"second"};
const char16_t* const kOperators[] = {u"equal",    u"lessThan",           u"lessThanOrEqual",
                                      u"notEqual", u"greaterThanOrEqual", u"greaterThan"};
const char16_t* const kDynamic[] = {
    u"null",        u"aboveAverage", u"belowAverage", u"tomorrow",  u"today",     u"yesterday",
    u"nextWeek",    u"thisWeek",     u"lastWeek",     u"nextMonth", u"thisMonth", u"lastMonth",
    u"nextQuarter", u"thisQuarter",  u"lastQuarter",  u"nextYear",  u"thisYear",  u"lastYear",
    u"yearToDate",  u"Q1",           u"Q2",           u"Q3",        u"Q4",        u"M1",
    u"M2",          u"M3",           u"M4",           u"M5",        u"M6",        u"M7",
    u"M8",          u"M9",           u"M10",          u"M11",       u"M12"};
const char16_t* const kIconSets[] = {
    u"3Arrows",        u"3ArrowsGray", u"3Flags",      u"3TrafficLights1", u"3TrafficLights2", u"3Signs",
    u"3Symbols",       u"3Symbols2",   u"4Arrows",     u"4ArrowsGray",     u"4RedToBlack",     u"4Rating",
    u"4TrafficLights", u"5Arrows",     u"5ArrowsGray", u"5Rating",         u"5Quarters"};
const char16_t* const kTableTypes[] = {u"worksheet", u"xml", u"queryTable"};
const char16_t* const kTotals[] = {u"",      u"sum",       u"min",    u"max", u"average",
                                   u"count", u"countNums", u"stdDev", u"var", u"custom"};

template <class E, size_t N>
std::string Name(const char16_t* const (&names)[N], E value) {
  const auto i = static_cast<size_t>(value);
  return i < N ? Escaped(names[i]) : "?";
}

std::string Num(double v) { return Escaped(xls::FormatGeneral(v, u'.')); }
std::string Flag(bool v) { return v ? "1" : "0"; }

std::string Date(double serial) {
  return serial == 0 ? std::string() : Escaped(xls::TXc12DocProps::DateTimeToXmlText(serial));
}

std::string Join(const std::vector<std::string>& items) {
  std::string s;
  for (size_t i = 0; i < items.size(); ++i) s += (i ? "|" : "") + items[i];
  return s;
}

// The lines of NAME.members from the model.
std::vector<std::string> MemberLines(xls::TXLSBook& book) {
  std::vector<std::string> lines;
  xls::TXc12DocProps& p = book.Manager().DocProps();
  lines.push_back("docprops\t" + Escaped(p.Creator()) + '\t' + Escaped(p.LastModifiedBy()) + '\t' +
                  Date(p.DateCreated()) + '\t' + Date(p.DateModified()));
  for (size_t s = 0; s < book.Count(); ++s) {
    xls::TXc12DataWorksheet& data = book.Items(s)->Xc12Sheet();
    const std::string sheet = Escaped(data.FName);
    for (size_t i = 0; i < data.Scenarios().Count(); ++i) {
      const xls::TXc12Scenario& sc = *data.Scenarios().Items(i);
      std::vector<std::string> cells;
      for (size_t c = 0; c < sc.FInputCells.Count(); ++c) {
        const xls::TXc12InputCell& in = *sc.FInputCells.Items(c);
        cells.push_back(Escaped(xls::ColRowToRefStr(in.FCol, in.FRow)) + '=' + Escaped(in.FVal));
      }
      lines.push_back("scenario\t" + sheet + '\t' + Escaped(sc.FName) + '\t' + Join(cells));
    }
    const xls::TXc12AutoFilter& f = data.Autofilter();
    for (size_t i = 0; i < f.ColumnCount(); ++i) {
      const xls::TXc12FilterColumn& c = *f.Columns(i);
      const std::string head = "filter\t" + sheet + '\t' + std::to_string(c.FColId) + '\t';
      if (!c.FFilters.empty() || c.FBlank) {
        std::vector<std::string> values;
        for (const auto& v : c.FFilters) values.push_back(Escaped(v));
        lines.push_back(head + "values\t" + Join(values) + '\t' + Flag(c.FBlank) + '\t' +
                        Name(kCalendars, c.FCalendarType));
      }
      if (!c.FDateGroupItems.empty()) {
        std::vector<std::string> items;
        for (const auto& g : c.FDateGroupItems)
          items.push_back(std::to_string(g.FYear) + '-' + std::to_string(g.FMonth) + '-' +
                          std::to_string(g.FDay) + ' ' + std::to_string(g.FHour) + ':' +
                          std::to_string(g.FMinute) + ':' + std::to_string(g.FSecond) + ' ' +
                          Name(kGroupings, g.FDateTimeGrouping));
        lines.push_back(head + "dategroup\t" + Join(items));
      }
      if (c.FTop10.FAssigned)
        lines.push_back(head + "top10\t" + Flag(c.FTop10.FTop) + '\t' + Flag(c.FTop10.FPercent) + '\t' +
                        Num(c.FTop10.FVal) + '\t' + Num(c.FTop10.FFilterVal));
      if (!c.FCustomFilters.empty()) {
        std::vector<std::string> conds;
        for (const auto& x : c.FCustomFilters)
          conds.push_back(Name(kOperators, x.FOperator) + ' ' + Escaped(x.FVal));
        lines.push_back(head + "custom\t" + Flag(c.FCustomAnd) + '\t' + Join(conds));
      }
      if (c.FDynamicFilter.FType_ != xls::TXc12DynamicFilterType::x12dftUnset)
        lines.push_back(head + "dynamic\t" + Name(kDynamic, c.FDynamicFilter.FType_) + '\t' +
                        Num(c.FDynamicFilter.FVal));
      if (c.FColorFilter.FAssigned)
        lines.push_back(head + "color\t" + std::to_string(c.FColorFilter.FDxfId) + '\t' +
                        Flag(c.FColorFilter.FCellColor));
      if (c.FIconFilter.FAssigned)
        lines.push_back(head + "icon\t" + Name(kIconSets, c.FIconFilter.FIconSet) + '\t' +
                        std::to_string(c.FIconFilter.FIconId));
    }
    for (size_t i = 0; i < data.Tables().Count(); ++i) {
      const xls::TXc12Table& t = *data.Tables().Items(i);
      std::vector<std::string> funcs, labels;
      bool anyFunc = false;
      for (size_t c = 0; c < t.ColumnCount(); ++c) {
        funcs.push_back(Name(kTotals, t.Columns(c)->FTotalsRowFunction));
        anyFunc |= t.Columns(c)->FTotalsRowFunction != xls::TXc12TotalsRowFunction::x12trfNone;
        labels.push_back(Escaped(t.Columns(c)->FTotalsRowLabel));
      }
      lines.push_back("table\t" + sheet + '\t' + Escaped(t.FName) + '\t' +
                      Escaped(xls::AreaToRefStr(t.FRef.Col1, t.FRef.Row1, t.FRef.Col2, t.FRef.Row2)) + '\t' +
                      Name(kTableTypes, t.FTableType) + '\t' + Escaped(t.FTableStyleInfo.FName) + '\t' +
                      (anyFunc ? Join(funcs) : std::string()) + '\t' + Join(labels));
    }
  }
  return lines;
}

class XlsxMembers : public kws::test::RealFileTest {
 protected:
  XlsxMembers() : RealFileTest("xlsx") {}
  static void SetUpTestSuite() { xls::RegisterXLSXReader(); }
};

TEST_P(XlsxMembers, Members_MatchOpenpyxl) {
  const auto expected = kws::test::ReadLines(File(".members"));
  ASSERT_FALSE(expected.empty()) << File(".members");
  xls::TXLSBook book;
  book.LoadFromFile(File(".xlsx"));
  EXPECT_EQ(kws::test::DiffLineSets(expected, MemberLines(book)), "");
}

const char* const kMemberPackages[] = {"openpyxl-members", "libreoffice-scenarios"};
INSTANTIATE_TEST_SUITE_P(Packages, XlsxMembers, testing::ValuesIn(kMemberPackages),
                         kws::test::FixtureTestName);

// What the writers put in beyond openpyxl's reading: the table's totals formula and style flags,
// the filter's differential format, the scenarios' attributes as Calc writes them.
TEST(XlsxMembers_Details, TableFormulaStyleFlagsAndScenarioAttributes) {
  xls::RegisterXLSXReader();
  xls::TXLSBook book;
  book.LoadFromFile(kws::test::RealFilesDir("xlsx") / "openpyxl-members.xlsx");
  const xls::TXc12Table& t = *book.Items(1)->Xc12Sheet().Tables().Items(0);
  EXPECT_EQ(t.Columns(4)->FTotalsRowFormula, u"SUM(SalesTable[Bonus])*2");
  EXPECT_TRUE(t.FTableStyleInfo.FShowFirstColumn);
  EXPECT_TRUE(t.FTableStyleInfo.FShowRowStripes);
  EXPECT_FALSE(t.FTableStyleInfo.FShowColumnStripes);
  const xls::TXc12FilterColumn& colour = *book.Items(0)->Xc12Sheet().Autofilter().Columns(5);
  EXPECT_NE(colour.FColorFilter.FDXF, nullptr);  // the style sheet's one differential format

  xls::TXLSBook calc;
  calc.LoadFromFile(kws::test::RealFilesDir("xlsx") / "libreoffice-scenarios.xlsx");
  const xls::TXc12Scenarios& sc = calc.Items(0)->Xc12Sheet().Scenarios();
  ASSERT_EQ(sc.Count(), 2u);
  EXPECT_TRUE(sc.Items(0)->FLocked);  // Calc writes "true"
  EXPECT_EQ(sc.Items(0)->FComment, u"high sales");
}

}  // namespace
