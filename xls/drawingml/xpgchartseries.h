// The chart groups of a plot area in file order with their series, whatever the chart type: what
// the model's chart objects and the dump read of a chart without knowing its sixteen classes.
#pragma once

#include <string_view>
#include <vector>

#include "xls/drawingml/xpgparsechart.h"

namespace xls::xpgchart {

// One series: its shared members and data sources (nullptr when absent). Categories are the x
// values of scatter and bubble series, values their y values.
struct TXpgChartSeries {
  TCT_SerieShared* Shared = nullptr;
  TCT_AxDataSource* Categories = nullptr;
  TCT_NumDataSource* Values = nullptr;
  TCT_NumDataSource* BubbleSizes = nullptr;
};

// One chart group (c:barChart, c:line3DChart, ...): its element name, its object and its series.
struct TXpgChartGroup {
  std::string_view Type;
  TXPGBase* Chart = nullptr;
  std::vector<TXpgChartSeries> Series;
};

// The groups of the plot area in the order of the part (by their order stamps).
std::vector<TXpgChartGroup> ChartGroups(const TCT_PlotArea& plot);

// The text of a reference: the bound range in absolute form (GetF) once the load has bound it,
// else the text as read; a reference that names no sheet of the workbook, or is no range at all
// (LibreOffice writes a literal series name as the c:f "Formatted"), keeps its text instead of
// the unbound range's "???!$A$1".
std::u16string RefOrText(const TCT_StrRef* ref);
std::u16string RefOrText(const TCT_NumRef* ref);

// The reference text of a data source: the number, string or multi-level string reference's
// RefOrText (the multi-level reference's text as read), else empty.
std::u16string SourceRef(const TCT_AxDataSource* source);
std::u16string SourceRef(const TCT_NumDataSource* source);

// The text of a chart, axis or label title: when the title is given by a cell reference, its
// range once bound, else its formula as read (RefOrText); else the rich text's paragraphs joined with CR (line breaks as CR); empty without
// either (a title Excel makes itself from the series name has no text in the part).
std::u16string TitleText(const TCT_Title* title);

}  // namespace xls::xpgchart
