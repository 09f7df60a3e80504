#!/usr/bin/python3
"""Writes chart-parts.expected: openpyxl's reading of every chart part (xl/charts/chart*.xml) of
the chart fixtures, read part by part with openpyxl's own chart-space class. One line per part:

  part<TAB>file:part<TAB>chart types of the plot area in file order joined by |<TAB>title<TAB>series count
  series<TAB>file:part<TAB>chart type<TAB>idx<TAB>order<TAB>name<TAB>categories<TAB>values<TAB>bubble sizes
  axis<TAB>file:part<TAB>kind<TAB>id<TAB>crossing axis id<TAB>position<TAB>deleted (0/1)<TAB>title
  unread<TAB>file:part<TAB>openpyxl's error

A name is the string reference's formula, else the literal text; categories and values the
formula of the reference (number, string or multi-level), else empty. A title is its string
reference's formula, else the runs of its rich text with paragraphs joined by CR, written with
xls_dump's escapes (backslash, TAB, LF, CR as \\, \t, \n, \r).

Run with Debian's python3 from this folder after make_chart_fixtures.py.
"""
import os
import zipfile

from openpyxl.chart.chartspace import ChartSpace
from openpyxl.xml.functions import fromstring

HERE = os.path.dirname(os.path.abspath(__file__))
FILES = ["xlsxwriter-charts.xlsx", "openpyxl-charts.xlsx", "libreoffice-charts.xlsx", "libreoffice-charts2.xlsx",
         "gnumeric-charts.xlsx", "libreoffice-uno-charts.xlsx"]


def ref(src):
    if src is None:
        return ""
    for kind in ("numRef", "strRef", "multiLvlStrRef"):
        r = getattr(src, kind, None)
        if r is not None and r.f:
            return r.f
    return ""


def name(tx):
    if tx is None:
        return ""
    if tx.strRef is not None and tx.strRef.f:
        return tx.strRef.f
    return tx.v or ""


def escape(text):
    return text.replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n").replace("\r", "\\r")


def title(t):
    if t is None or t.tx is None:
        return ""
    if t.tx.strRef is not None:
        return escape(t.tx.strRef.f or "")
    if t.tx.rich is None:
        return ""
    return escape("\r".join("".join(r.t or "" for r in p.r) for p in t.tx.rich.p))


def main():
    out = []
    for f in FILES:
        with zipfile.ZipFile(os.path.join(HERE, f)) as z:
            parts = sorted((n for n in z.namelist() if n.startswith("xl/charts/chart") and n.endswith(".xml")),
                           key=lambda n: int(n[len("xl/charts/chart"):-4]))
            for p in parts:
                key = "%s:%s" % (f, p)
                try:
                    cs = ChartSpace.from_tree(fromstring(z.read(p)))
                except Exception as e:  # openpyxl cannot read every writer's part
                    out.append("unread\t%s\t%s" % (key, type(e).__name__))
                    continue
                pa = cs.chart.plotArea
                charts = pa._charts
                out.append("part\t%s\t%s\t%s\t%d" % (key, "|".join(c.tagname for c in charts),
                                                      title(cs.chart.title), sum(len(c.ser) for c in charts)))
                for c in charts:
                    for s in c.ser:
                        xs = getattr(s, "xVal", None)
                        ys = getattr(s, "yVal", None)
                        cat = ref(s.cat) if getattr(s, "cat", None) is not None else ref(xs)
                        val = ref(s.val) if getattr(s, "val", None) is not None else ref(ys)
                        bub = ref(getattr(s, "bubbleSize", None))
                        out.append("series\t%s\t%s\t%d\t%d\t%s\t%s\t%s\t%s" % (key, c.tagname, s.idx, s.order,
                                                                            name(s.tx), cat, val, bub))
                for ax in pa._axes:
                    out.append("axis\t%s\t%s\t%d\t%d\t%s\t%d\t%s" % (key, ax.tagname, ax.axId, ax.crossAx,
                                                                  ax.axPos or "", 1 if ax.delete else 0,
                                                                  title(ax.title)))
    with open(os.path.join(HERE, "chart-parts.expected"), "w", encoding="utf-8", newline="\n") as fh:
        fh.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
