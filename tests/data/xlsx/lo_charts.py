#!/usr/bin/python3
"""Reads the charts of a workbook through LibreOffice (python3-uno) and prints one line per chart
object (an OLE2 shape holding a chart document) of each sheet's draw page, in the form of
xls_dump's `chart` lines:

    chart<TAB>sheet<TAB>from<TAB>to<TAB>types<TAB>title<TAB>series count

- from, to: the cells under the shape's top-left and bottom-right corners, found from the cells'
  positions on the sheet;
- types: the chart types of the diagram's coordinate systems in order, joined by "|", under the
  name of the chart element of the file that LibreOffice reads into each (TYPES below); a type
  with no entry there prints as LibreOffice's own name with a "?" in front, so that it never
  matches by accident; empty when the diagram holds no chart type;
- title: the text of the chart's main title, empty when it has none;
- series count: the data series of all its chart types, except that a candlestick chart type
  counts the value ranges of its series: LibreOffice reads the c:ser elements of a stock chart
  (high, low, close...) into ONE data series with one value sequence per element (roles
  "values-first", "values-max", "values-min", "values-last").

Texts are escaped as xls_dump escapes them. Used by the chart dump test with the file's path.
"""
import sys

from fixturetools import anchor_cells, draw_shapes, escape, print_reading

# com.sun.star.chart2 chart type -> the chart element of the file it stands for. Only the types
# the test's charts need: ColumnChartType is c:barChart (bars and columns alike, the direction
# being the coordinate system's SwapXAndYAxis), CandleStickChartType is c:stockChart.
TYPES = {
    "com.sun.star.chart2.ColumnChartType": "barChart",
    "com.sun.star.chart2.CandleStickChartType": "stockChart",
}
CANDLESTICK = "com.sun.star.chart2.CandleStickChartType"


def type_name(chart_type):
    return TYPES.get(chart_type, "?" + chart_type.rsplit(".", 1)[-1])


def series_count(chart_type):
    series = chart_type.getDataSeries()
    if chart_type.ChartType != CANDLESTICK:
        return len(series)
    return sum(1 for s in series for seq in s.getDataSequences()
               if seq.getValues() is not None and seq.getValues().Role.startswith("values-"))


def title_of(chart):
    title = chart.getTitleObject()
    return "" if title is None else "".join(part.String for part in title.getText())


def read_doc(doc):
    lines = []
    for _, sheet, shape in draw_shapes(doc, "com.sun.star.drawing.OLE2Shape"):
        chart = shape.Model
        if chart is None or not chart.supportsService("com.sun.star.chart2.ChartDocument"):
            continue
        types, count = [], 0
        diagram = chart.getFirstDiagram()
        for system in (diagram.getCoordinateSystems() if diagram is not None else ()):
            for chart_type in system.getChartTypes():
                types.append(type_name(chart_type.ChartType))
                count += series_count(chart_type)
        lines.append("\t".join(["chart", escape(sheet.Name), *anchor_cells(sheet, shape), "|".join(types),
                                escape(title_of(chart)), str(count)]))
    return lines


def main():
    print_reading(sys.argv[1], read_doc, "lo-charts-")


if __name__ == "__main__":
    main()
