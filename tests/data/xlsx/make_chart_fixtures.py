#!/usr/bin/python3
"""Makes the chart workbooks of this folder:

  xlsxwriter-charts.xlsx     python3-xlsxwriter: area, bar, column, line, pie, doughnut, scatter,
                             stock and radar charts with subtypes, a column and line chart on two
                             axes, a formats chart (markers, trendline, error bars, data labels,
                             pattern and gradient fills, log axis), a chart titled by a cell
                             reference and a chart sheet
  openpyxl-charts.xlsx       python3-openpyxl (unprefixed elements, one-cell anchors): area, bar,
                             line and pie in 2-D and 3-D, doughnut, projected pie, radar, surface,
                             stock, scatter and bubble charts (the bubble chart titled by a quoted
                             cell reference)
  libreoffice-charts.xlsx    xlsxwriter-charts.xlsx saved again by LibreOffice (soffice --convert-to)
  libreoffice-charts2.xlsx   openpyxl-charts.xlsx saved again by LibreOffice
  libreoffice-uno-charts.xlsx  LibreOffice's own charts made through python3-uno: column (with a
                             title), stacked bar, line, area, pie, scatter (XY) and net charts over
                             a data sheet, two of them on a sheet of their own
  gnumeric-charts.xlsx       xlsxwriter-charts.xlsx converted by Gnumeric
                             (ssconvert -T Gnumeric_Excel:xlsx2; writes c:symbol val="auto")
  libreoffice-charts-readable.xlsx, gnumeric-charts-readable.xlsx
                             copies of libreoffice-charts.xlsx and gnumeric-charts.xlsx without the
                             charts openpyxl 3.0 cannot read (LibreOffice's stock chart: text in a
                             number cache; Gnumeric's stock chart: an empty plot area, and its fills
                             chart: gradient stops at "0%"): their drawing anchors are
                             removed, so openpyxl can load the whole workbook (the whole-workbook
                             comparison, tests/data/make_dump_expected.py)

The expected chart and series lines come from openpyxl's reading of each package
(make_chart_expected.py). lo_charts.py reads the charts of a workbook back through LibreOffice
(the chart dump test runs it on the conversions and their readable copies, for the charts the
copies lack).

Run with Debian's python3 from this folder: /usr/bin/python3 make_chart_fixtures.py [WHAT...]
(WHAT: writers, uno, readable; all three when none is given).
"""
import os
import shutil
import subprocess
import sys
import tempfile

from fixturetools import LibreOffice

HERE = os.path.dirname(os.path.abspath(__file__))


def make_xlsxwriter(path):
    import xlsxwriter

    wb = xlsxwriter.Workbook(path)
    ws = wb.add_worksheet("Data")
    ws.write_row(0, 0, ["Month", "North", "South", "East", "High", "Low", "Close"])
    months = ["Jan", "Feb", "Mar", "Apr", "May", "Jun"]
    for r in range(6):
        ws.write_row(r + 1, 0, [months[r], 10 + r * 3, 25 - r * 2, 7 + (r * 5) % 11, 30 + r, 20 + r, 25 + r])
    charts = wb.add_worksheet("Charts")

    def series(chart, cols, **extra):
        for c in cols:
            letter = "ABCDEFG"[c]
            d = {"name": "=Data!$%s$1" % letter, "categories": "=Data!$A$2:$A$7",
                 "values": "=Data!$%s$2:$%s$7" % (letter, letter)}
            d.update(extra)
            chart.add_series(d)
        return chart

    row = 0
    for spec in [{"type": "area"}, {"type": "area", "subtype": "stacked"}, {"type": "bar"},
                 {"type": "bar", "subtype": "percent_stacked"}, {"type": "column"},
                 {"type": "column", "subtype": "stacked"}, {"type": "line"}, {"type": "radar"},
                 {"type": "radar", "subtype": "filled"}, {"type": "scatter", "subtype": "smooth_with_markers"}]:
        chart = series(wb.add_chart(spec), [1, 2])
        chart.set_title({"name": "%s %s" % (spec["type"], spec.get("subtype", ""))})
        charts.insert_chart(row, 0, chart)
        row += 16
    pie = series(wb.add_chart({"type": "pie"}), [1])
    charts.insert_chart(row, 0, pie)
    row += 16
    doughnut = series(wb.add_chart({"type": "doughnut"}), [1, 2])
    charts.insert_chart(row, 0, doughnut)
    row += 16
    stock = wb.add_chart({"type": "stock"})
    for c in (4, 5, 6):
        letter = "ABCDEFG"[c]
        stock.add_series({"categories": "=Data!$A$2:$A$7", "values": "=Data!$%s$2:$%s$7" % (letter, letter)})
    charts.insert_chart(row, 0, stock)
    row += 16
    combo = series(wb.add_chart({"type": "column"}), [1])
    line = series(wb.add_chart({"type": "line"}), [2], y2_axis=True)
    combo.combine(line)
    combo.set_title({"name": "Two axes"})
    charts.insert_chart(row, 0, combo)
    row += 16
    fmt = wb.add_chart({"type": "line"})
    fmt.add_series({"name": "Formatted", "categories": "=Data!$A$2:$A$7", "values": "=Data!$B$2:$B$7",
                    "marker": {"type": "square", "size": 8, "fill": {"color": "red"}},
                    "trendline": {"type": "polynomial", "order": 2, "display_equation": True},
                    "y_error_bars": {"type": "percentage", "value": 5},
                    "data_labels": {"value": True, "position": "above"}})
    fmt.set_y_axis({"log_base": 10, "name": "Log axis"})
    fmt.set_x_axis({"name": "Months"})
    charts.insert_chart(row, 0, fmt)
    row += 16
    fills = wb.add_chart({"type": "column"})
    fills.add_series({"values": "=Data!$B$2:$B$7", "pattern": {"pattern": "percent_5", "fg_color": "red",
                                                                "bg_color": "yellow"}})
    fills.add_series({"values": "=Data!$C$2:$C$7", "gradient": {"colors": ["#DDEBCF", "#9CB86E", "#156B13"]}})
    charts.insert_chart(row, 0, fills)
    row += 16
    titled = series(wb.add_chart({"type": "column"}), [3])
    titled.set_title({"name": "=Data!$D$1"})  # a title given by a cell reference
    charts.insert_chart(row, 0, titled)
    sheet = wb.add_chartsheet("Chart Sheet")
    cs = series(wb.add_chart({"type": "column"}), [1, 3])
    cs.set_title({"name": "On a chart sheet"})
    sheet.set_chart(cs)
    wb.close()


def make_openpyxl(path):
    from openpyxl import Workbook
    from openpyxl.chart import (AreaChart, AreaChart3D, BarChart, BarChart3D, BubbleChart, DoughnutChart,
                                LineChart, LineChart3D, PieChart, PieChart3D, ProjectedPieChart, RadarChart,
                                Reference, ScatterChart, Series, StockChart, SurfaceChart, SurfaceChart3D)
    from openpyxl.chart.data_source import StrRef
    from openpyxl.chart.text import Text
    from openpyxl.chart.title import Title

    wb = Workbook()
    ws = wb.active
    ws.title = "Data"
    rows = [["Item", "A", "B", "C"]] + [["i%d" % k, k, 10 - k, (k * 7) % 5 + 1] for k in range(1, 7)]
    for r in rows:
        ws.append(r)
    cs = wb.create_sheet("Charts")
    data = Reference(ws, min_col=2, min_row=1, max_col=3, max_row=7)
    cats = Reference(ws, min_col=1, min_row=2, max_row=7)
    row = 1
    for cls in (AreaChart, AreaChart3D, BarChart, BarChart3D, LineChart, LineChart3D, RadarChart, SurfaceChart,
                SurfaceChart3D, DoughnutChart):
        chart = cls()
        chart.title = cls.__name__
        chart.add_data(data, titles_from_data=True)
        chart.set_categories(cats)
        cs.add_chart(chart, "A%d" % row)
        row += 16
    for cls in (PieChart, PieChart3D, ProjectedPieChart):
        chart = cls()
        chart.title = cls.__name__
        chart.add_data(Reference(ws, min_col=2, min_row=1, max_row=7), titles_from_data=True)
        chart.set_categories(cats)
        cs.add_chart(chart, "A%d" % row)
        row += 16
    stock = StockChart()
    stock.add_data(Reference(ws, min_col=2, min_row=1, max_col=4, max_row=7), titles_from_data=True)
    stock.set_categories(cats)
    cs.add_chart(stock, "A%d" % row)
    row += 16
    scatter = ScatterChart()
    scatter.title = "Scatter"
    xs = Reference(ws, min_col=2, min_row=2, max_row=7)
    for c in (3, 4):
        s = Series(Reference(ws, min_col=c, min_row=1, max_row=7), xs, title_from_data=True)
        scatter.series.append(s)
    cs.add_chart(scatter, "A%d" % row)
    row += 16
    bubble = BubbleChart()
    bubble.series.append(Series(values=Reference(ws, min_col=3, min_row=2, max_row=7), xvalues=xs,
                                zvalues=Reference(ws, min_col=4, min_row=2, max_row=7), title="Bubbles"))
    bubble.title = Title(tx=Text(strRef=StrRef("'Data'!$D$1")))  # a title given by a quoted reference
    cs.add_chart(bubble, "A%d" % row)
    wb.save(path)


def libreoffice(src, dst):
    work = tempfile.mkdtemp(prefix="lo-charts-")
    try:
        subprocess.run(["soffice", "-env:UserInstallation=file://" + os.path.join(work, "profile"), "--headless",
                        "--norestore", "--convert-to", "xlsx:Calc MS Excel 2007 XML", "--outdir", work, src],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.copyfile(os.path.join(work, os.path.basename(src)), dst)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def make_libreoffice_uno(lo, path):
    from com.sun.star.awt import Rectangle
    from com.sun.star.table import CellRangeAddress

    doc = lo.new_calc()
    sheets = doc.Sheets
    data = sheets.getByIndex(0)
    data.Name = "Data"
    sheets.insertNewByName("Charts", 1)
    sheets.insertNewByName("More Charts", 2)
    rows = [["Quarter", "North", "South", "West"]] + [["Q%d" % q, 12 + q * 4, 30 - q * 3, 8 + (q * 7) % 9]
                                                      for q in range(1, 7)]
    for r, values in enumerate(rows):
        for c, v in enumerate(values):
            cell = data.getCellByPosition(c, r)
            if isinstance(v, str):
                cell.setString(v)
            else:
                cell.setValue(float(v))

    def area(c1, r1, c2, r2):
        a = CellRangeAddress()
        a.Sheet, a.StartColumn, a.StartRow, a.EndColumn, a.EndRow = 0, c1, r1, c2, r2
        return a

    def add(sheet, name, top, diagram, ranges, title=None, **props):
        rect = Rectangle()
        rect.X, rect.Y, rect.Width, rect.Height = 500, 500 + top * 8000, 12000, 7000
        sheet.Charts.addNewByName(name, rect, ranges, True, True)
        chart = sheet.Charts.getByName(name).EmbeddedObject
        if diagram:
            chart.setDiagram(chart.createInstance("com.sun.star.chart." + diagram))
        for k, v in props.items():
            setattr(chart.Diagram, k, v)
        chart.HasMainTitle = title is not None
        if title is not None:
            chart.Title.String = title

    charts = sheets.getByName("Charts")
    add(charts, "Columns", 0, None, (area(0, 0, 3, 6),), "Quarterly sales")
    add(charts, "StackedBars", 1, "BarDiagram", (area(0, 0, 2, 6),), Vertical=True, Stacked=True)
    add(charts, "Lines", 2, "LineDiagram", (area(0, 0, 3, 6),), "Lines")
    add(charts, "Areas", 3, "AreaDiagram", (area(0, 0, 2, 6),))
    more = sheets.getByName("More Charts")
    add(more, "Pie", 0, "PieDiagram", (area(0, 0, 1, 6),), "North share")
    add(more, "XY", 1, "XYDiagram", (area(1, 0, 3, 6),))
    add(more, "Net", 2, "NetDiagram", (area(0, 0, 3, 6),))
    lo.store(doc, path, "Calc MS Excel 2007 XML")
    doc.close(True)


def without_unreadable_charts(src, dst):
    """A copy of src whose drawings no longer anchor the charts openpyxl cannot read."""
    import posixpath
    import re
    import zipfile
    from xml.etree import ElementTree

    from openpyxl.chart.chartspace import ChartSpace
    from openpyxl.chart.reader import read_chart
    from openpyxl.xml.functions import fromstring

    with zipfile.ZipFile(src) as z:
        parts = {i.filename: z.read(i.filename) for i in z.infolist()}
    unreadable = set()
    for name, data in parts.items():
        if name.startswith("xl/charts/chart") and name.endswith(".xml"):
            try:
                read_chart(ChartSpace.from_tree(fromstring(data)))
            except Exception:
                unreadable.add(name)
    removed = []
    for name in list(parts):
        if not (name.startswith("xl/drawings/drawing") and name.endswith(".xml")):
            continue
        rels = "xl/drawings/_rels/" + posixpath.basename(name) + ".rels"
        if rels not in parts:
            continue
        gone = {r.get("Id") for r in ElementTree.fromstring(parts[rels])
                if posixpath.normpath(posixpath.join("xl/drawings", r.get("Target"))) in unreadable}

        def keep(m):  # anchors never nest: each match is one whole anchor
            rid = re.search(rb'<(?:c:)?chart\b[^>]*?r:id="([^"]+)"', m.group(0))
            if rid and rid.group(1).decode() in gone:
                removed.append(rid.group(1).decode())
                return b""
            return m.group(0)

        parts[name] = re.sub(rb"<((?:xdr:)?(?:twoCellAnchor|oneCellAnchor|absoluteAnchor))\b.*?</\1>", keep,
                             parts[name], flags=re.S)
    with zipfile.ZipFile(dst, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in parts.items():
            z.writestr(name, data)
    return sorted(unreadable), removed


def main():
    os.chdir(HERE)
    what = set(sys.argv[1:]) or {"writers", "uno", "readable"}
    if "writers" in what:
        make_writers()
    if "uno" in what:
        profile = tempfile.mkdtemp(prefix="lo-charts-uno-")
        try:
            with LibreOffice(profile) as lo:
                make_libreoffice_uno(lo, "libreoffice-uno-charts.xlsx")
        finally:
            shutil.rmtree(profile, ignore_errors=True)
    if "readable" in what:
        for src in ("libreoffice-charts.xlsx", "gnumeric-charts.xlsx"):
            dst = src[:-5] + "-readable.xlsx"
            print(dst, "without", *without_unreadable_charts(src, dst))
    for name in ("xlsxwriter-charts.xlsx", "openpyxl-charts.xlsx", "libreoffice-charts.xlsx",
                 "libreoffice-charts2.xlsx", "gnumeric-charts.xlsx", "libreoffice-uno-charts.xlsx",
                 "libreoffice-charts-readable.xlsx", "gnumeric-charts-readable.xlsx"):
        print(name, os.path.getsize(name), "bytes")


def make_writers():
    make_xlsxwriter("xlsxwriter-charts.xlsx")
    make_openpyxl("openpyxl-charts.xlsx")
    libreoffice("xlsxwriter-charts.xlsx", "libreoffice-charts.xlsx")
    work = tempfile.mkdtemp(prefix="lo-charts2-")
    try:
        shutil.copyfile("openpyxl-charts.xlsx", os.path.join(work, "openpyxl-charts2.xlsx"))
        libreoffice(os.path.join(work, "openpyxl-charts2.xlsx"), "libreoffice-charts2.xlsx")
    finally:
        shutil.rmtree(work, ignore_errors=True)
    subprocess.run(["ssconvert", "-T", "Gnumeric_Excel:xlsx2", "xlsxwriter-charts.xlsx", "gnumeric-charts.xlsx"],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


if __name__ == "__main__":
    main()
