#!/usr/bin/python3
"""Makes the legacy chart fixtures of this folder and their expected lines.

lo-charts.xls      python3-openpyxl writes charts-source.xlsx: sheet "Data" with four number
                   columns and category labels, and eleven charts on sheet "Charts": column,
                   bar, line, pie, doughnut, area, scatter, bubble and radar (nine 2-D kinds),
                   3-D column and 3-D pie; the column chart has a title and a legend, the line
                   chart a gradient chart area. LibreOffice (soffice --headless --convert-to xls)
                   writes the legacy file; every chart becomes an embedded chart sub-stream.
lo-charts.openpyxl LibreOffice converts lo-charts.xls back to .xlsx; openpyxl reads that package:
                   one line per chart (type, 3-D, series count, anchor's top-left cell) and one per
                   series (name, values reference, categories reference), in the form of the
                   `biffchart`/`biffseries` lines of xls_dump.
gn-chartsheet.xls  ssconvert writes it from gn-chartsheet.gnumeric (made here): sheet "Data" with
                   an embedded column chart of two series, and sheet "Graph" marked
                   gnm:SheetType="object" in the sheet-name index holding a line chart of three series: a chart sheet.
gn-chartsheet.gnumeric-read
                   Gnumeric reads gn-chartsheet.xls back (ssconvert to .xlsx): the number of
                   c:ser elements of each chart part, in part order.

Run: tests/data/xls-charts/make_fixtures.py
"""

import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))


def make_source(path):
    from openpyxl import Workbook
    from openpyxl.chart import (AreaChart, BarChart, BarChart3D, BubbleChart, DoughnutChart,
                                LineChart, PieChart, PieChart3D, RadarChart, Reference,
                                ScatterChart, Series)

    wb = Workbook()
    ws = wb.active
    ws.title = "Data"
    ws.append(["Item", "North", "South", "East", "West"])
    for i, name in enumerate(["Apples", "Pears", "Plums", "Cherries", "Figs"]):
        ws.append([name, 10 + i * 3, 20 - i * 2, 5 + i * i, 12 + (i % 3) * 4])
    charts = wb.create_sheet("Charts")
    cats = Reference(ws, min_col=1, min_row=2, max_row=6)

    def series_data(chart, first, last):
        chart.add_data(Reference(ws, min_col=first, max_col=last, min_row=1, max_row=6), titles_from_data=True)
        chart.set_categories(cats)

    made = []
    c = BarChart()
    c.type = "col"
    c.title = "Fruit by region"
    series_data(c, 2, 4)
    made.append(c)
    c = BarChart()
    c.type = "bar"
    series_data(c, 2, 3)
    c.legend = None
    made.append(c)
    c = LineChart()
    series_data(c, 2, 5)
    made.append(c)
    c = PieChart()
    series_data(c, 2, 2)
    made.append(c)
    c = DoughnutChart()
    series_data(c, 3, 3)
    made.append(c)
    c = AreaChart()
    series_data(c, 2, 3)
    made.append(c)
    c = ScatterChart()
    for col in (2, 3):
        s = Series(Reference(ws, min_col=col, min_row=2, max_row=6), Reference(ws, min_col=5, min_row=2, max_row=6),
                   title_from_data=False)
        c.series.append(s)
    made.append(c)
    c = BubbleChart()
    s = Series(values=Reference(ws, min_col=3, min_row=2, max_row=6), xvalues=Reference(ws, min_col=2, min_row=2, max_row=6),
               zvalues=Reference(ws, min_col=4, min_row=2, max_row=6))
    c.series.append(s)
    made.append(c)
    c = RadarChart()
    series_data(c, 2, 4)
    made.append(c)
    c = BarChart3D()
    series_data(c, 2, 3)
    made.append(c)
    c = PieChart3D()
    series_data(c, 4, 4)
    made.append(c)
    for i, chart in enumerate(made):
        chart.width, chart.height = 8, 5
        charts.add_chart(chart, "%s%d" % ("AJ"[i % 2], 1 + (i // 2) * 12))
    wb.save(path)
    add_gradient_chart_area(path, "xl/charts/chart3.xml")


GRADIENT = ('<spPr><a:gradFill xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main"><a:gsLst>'
            '<a:gs pos="0"><a:srgbClr val="FFFFFF"/></a:gs><a:gs pos="100000"><a:srgbClr val="4F81BD"/></a:gs>'
            '</a:gsLst><a:lin ang="5400000" scaled="0"/></a:gradFill></spPr>')


def add_gradient_chart_area(path, part):
    """openpyxl writes no chart-space shape properties: the line chart's gradient area goes in here."""
    with zipfile.ZipFile(path) as z:
        items = [(i, z.read(i.filename)) for i in z.infolist()]
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for info, data in items:
            if info.filename == part:
                data = data.replace(b"</chart>", b"</chart>" + GRADIENT.encode(), 1)
            z.writestr(info, data)


def soffice(tmp, fmt, src, outdir):
    subprocess.run(["soffice", "-env:UserInstallation=file://" + os.path.join(tmp, "profile"), "--headless",
                    "--convert-to", fmt, "--outdir", outdir, src], check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=300)


def ref_text(ref):
    """A chart reference as xls_dump prints it: without $ and without quotes around a plain sheet name."""
    if ref is None:
        return ""
    f = ref.numRef.f if getattr(ref, "numRef", None) is not None else (
        ref.strRef.f if getattr(ref, "strRef", None) is not None else "")
    f = (f or "").replace("$", "")
    m = re.match(r"^'([A-Za-z_][A-Za-z0-9_]*)'!(.*)$", f)
    return m.group(1) + "!" + m.group(2) if m else f


KIND = {"BarChart": None, "BarChart3D": None, "LineChart": "line", "LineChart3D": "line", "PieChart": "pie",
        "PieChart3D": "pie", "DoughnutChart": "doughnut", "AreaChart": "area", "AreaChart3D": "area",
        "ScatterChart": "scatter", "BubbleChart": "bubble", "RadarChart": "radar", "SurfaceChart": "surface",
        "SurfaceChart3D": "surface", "ProjectedPieChart": "boppop"}


def openpyxl_lines(xlsx):
    from openpyxl import load_workbook
    from openpyxl.utils import get_column_letter
    wb = load_workbook(xlsx)
    lines = []
    for ws in wb.worksheets:
        for n, ch in enumerate(ws._charts):
            # openpyxl hands the first chart of the plot area back as the chart itself.
            typed = ch
            kind = KIND.get(type(typed).__name__)
            if kind is None:
                kind = "bar" if getattr(typed, "barDir", "col") == "bar" else "column"
            if kind == "radar" and getattr(typed, "radarStyle", "") == "filled":
                kind = "radararea"
            three_d = 1 if "3D" in type(typed).__name__ else 0
            series = list(ch.series)
            frm = ch.anchor._from
            anchor = "%s%d" % (get_column_letter(frm.col + 1), frm.row + 1)
            lines.append("\t".join(["biffchart", ws.title, str(n), anchor, kind, str(three_d), str(len(series))]))
            for k, s in enumerate(series):
                values = ref_text(s.yVal if s.yVal is not None else s.val)
                cats = ref_text(s.xVal if s.xVal is not None else s.cat)
                name = ""
                if s.tx is not None and s.tx.strRef is not None:
                    name = ref_text(s.tx)
                elif s.tx is not None and s.tx.v is not None:
                    name = '"%s"' % s.tx.v
                lines.append("\t".join(["biffseries", ws.title, str(n), str(k), name, values, cats]))
    return lines


GNUMERIC = """<?xml version="1.0" encoding="UTF-8"?>
<gnm:Workbook xmlns:gnm="http://www.gnumeric.org/v10.dtd">
  <gnm:SheetNameIndex><gnm:SheetName>Data</gnm:SheetName><gnm:SheetName gnm:SheetType="object">Graph</gnm:SheetName></gnm:SheetNameIndex>
  <gnm:Sheets>
    <gnm:Sheet>
      <gnm:Name>Data</gnm:Name><gnm:MaxCol>2</gnm:MaxCol><gnm:MaxRow>4</gnm:MaxRow>
      <gnm:Cells>%(cells)s</gnm:Cells>
      <gnm:Objects>
        <gnm:SheetObjectGraph ObjectBound="E2:K14" ObjectOffset="0 0 0 0" Direction="17" Print="1">
          <GogObject type="GogGraph"><GogObject role="Chart">
            <GogObject role="Plot" type="GogBarColPlot">
              <property name="horizontal">false</property>
              %(embedded)s
            </GogObject>
            <GogObject role="Legend"/>
          </GogObject></GogObject>
        </gnm:SheetObjectGraph>
      </gnm:Objects>
    </gnm:Sheet>
    <gnm:Sheet>
      <gnm:Name>Graph</gnm:Name><gnm:MaxCol>-1</gnm:MaxCol><gnm:MaxRow>-1</gnm:MaxRow>
      <gnm:Cells/>
      <gnm:Objects>
        <gnm:SheetObjectGraph ObjectBound="A1:H20" ObjectOffset="0 0 0 0" Direction="17" Print="1">
          <GogObject type="GogGraph"><GogObject role="Chart">
            <GogObject role="Plot" type="GogLinePlot">
              %(sheet)s
            </GogObject>
          </GogObject></GogObject>
        </gnm:SheetObjectGraph>
      </gnm:Objects>
    </gnm:Sheet>
  </gnm:Sheets>
</gnm:Workbook>
"""


def gnumeric_series(cols):
    out = []
    for col in cols:
        out.append('<GogObject role="Series"><data>'
                   '<dimension id="-1" type="GnmGODataScalar">Data!%s1</dimension>'
                   '<dimension id="0" type="GnmGODataVector">Data!$A$2:$A$5</dimension>'
                   '<dimension id="1" type="GnmGODataVector">Data!$%s$2:$%s$5</dimension></data></GogObject>'
                   % (col, col, col))
    return "".join(out)


def make_gnumeric(path):
    cells = []
    for r in range(5):
        for c in range(3):
            if r == 0:
                v, t = ["Item", "One", "Two"][c], 60
            elif c == 0:
                v, t = "Row %d" % r, 60
            else:
                v, t = str(r * (c + 1)), 40
            cells.append('<gnm:Cell Row="%d" Col="%d" ValueType="%d">%s</gnm:Cell>' % (r, c, t, v))
    with open(path, "w") as f:
        f.write(GNUMERIC % {"cells": "".join(cells), "embedded": gnumeric_series("BC"),
                            "sheet": gnumeric_series("BCB")})


def chart_series_counts(xlsx):
    with zipfile.ZipFile(xlsx) as z:
        names = sorted((n for n in z.namelist() if re.match(r"xl/charts/chart\d+\.xml$", n)),
                       key=lambda n: int(re.search(r"(\d+)", n.rsplit("/", 1)[1]).group(1)))
        return [len(re.findall(rb"<c:ser>", z.read(n))) for n in names]


def main():
    with tempfile.TemporaryDirectory() as tmp:
        src = os.path.join(tmp, "lo-charts.xlsx")
        make_source(src)
        soffice(tmp, "xls", src, tmp)
        shutil.copy(os.path.join(tmp, "lo-charts.xls"), os.path.join(HERE, "lo-charts.xls"))
        back = os.path.join(tmp, "back")
        os.mkdir(back)
        soffice(tmp, "xlsx", os.path.join(HERE, "lo-charts.xls"), back)
        with open(os.path.join(HERE, "lo-charts.openpyxl"), "w") as f:
            f.write("\n".join(openpyxl_lines(os.path.join(back, "lo-charts.xlsx"))) + "\n")

        gn = os.path.join(HERE, "gn-chartsheet.gnumeric")
        make_gnumeric(gn)
        out = os.path.join(HERE, "gn-chartsheet.xls")
        subprocess.run(["ssconvert", "-T", "Gnumeric_Excel:excel_biff8", gn, out], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        read = os.path.join(tmp, "gn-read.xlsx")
        subprocess.run(["ssconvert", "-T", "Gnumeric_Excel:xlsx2", out, read], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        with open(os.path.join(HERE, "gn-chartsheet.gnumeric-read"), "w") as f:
            f.write(" ".join(str(n) for n in chart_series_counts(read)) + "\n")


if __name__ == "__main__":
    sys.exit(main())
