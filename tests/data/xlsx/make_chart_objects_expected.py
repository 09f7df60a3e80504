#!/usr/bin/python3
"""Writes chart-objects.expected: openpyxl's reading of the charts of each worksheet of the chart
fixtures (load_workbook, each sheet's _charts in order) whose anchor is a two-cell anchor, the
ones the sheet's drawing layer turns into chart objects. One line per chart:

  chart<TAB>file<TAB>sheet<TAB>from column<TAB>from row<TAB>to column<TAB>to row<TAB>title

Columns and rows zero-based; the title as make_chart_expected.py writes it. A chart in another
anchor is listed as

  skipped<TAB>file<TAB>sheet<TAB>anchor class

Run with Debian's python3 from this folder after make_chart_fixtures.py. libreoffice-charts.xlsx
and gnumeric-charts.xlsx are left out: openpyxl 3.0 cannot load them whole.
"""
import os
import warnings

import openpyxl

from make_chart_expected import title

HERE = os.path.dirname(os.path.abspath(__file__))
FILES = ["xlsxwriter-charts.xlsx", "openpyxl-charts.xlsx", "libreoffice-charts2.xlsx"]


def main():
    out = []
    warnings.simplefilter("ignore")
    for f in FILES:
        wb = openpyxl.load_workbook(os.path.join(HERE, f))
        for ws in wb.worksheets:
            for c in ws._charts:
                a = c.anchor
                if type(a).__name__ != "TwoCellAnchor":
                    out.append("skipped\t%s\t%s\t%s" % (f, ws.title, type(a).__name__))
                    continue
                out.append("chart\t%s\t%s\t%d\t%d\t%d\t%d\t%s" % (f, ws.title, a._from.col, a._from.row, a.to.col,
                                                                 a.to.row, title(c.title)))
    with open(os.path.join(HERE, "chart-objects.expected"), "w", encoding="utf-8", newline="\n") as fh:
        fh.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
