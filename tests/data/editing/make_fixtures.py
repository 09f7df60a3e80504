#!/usr/bin/python3
"""Writes the sheet-settings fixtures of the editing layer and, beside each, NAME.expect: the
pane, print, headfoot, pagebreak and protection lines of xls_dump as openpyxl reads the file.

    /usr/bin/python3 tests/data/editing/make_fixtures.py

xlsxwriter-settings.xlsx is written by xlsxwriter, openpyxl-settings.xlsx by openpyxl with the
same settings: frozen and split panes, page setup, margins, print options, header and footer,
row and column breaks, sheet password "secret" and four kinds of link."""
import os
import openpyxl
import xlsxwriter
from openpyxl.worksheet.pagebreak import Break

HERE = os.path.dirname(os.path.abspath(__file__))


def with_xlsxwriter(path):
    wb = xlsxwriter.Workbook(path)
    fmt = wb.add_format({"bold": True, "italic": True, "font_color": "#FF0000", "bg_color": "#00FF00",
                         "num_format": "0.00", "align": "center", "valign": "top", "text_wrap": True,
                         "rotation": 45, "top": 1, "bottom": 3, "locked": False, "hidden": True})
    s = wb.add_worksheet("Frozen")
    s.write("A1", "x", fmt)
    s.set_row(2, 30, fmt, {"level": 1, "hidden": True})
    s.set_column("C:D", 20, fmt, {"level": 1})
    s.freeze_panes(2, 1)
    s.set_landscape()
    s.set_paper(9)
    s.fit_to_pages(2, 3)
    s.set_margins(left=0.5, right=0.6, top=0.7, bottom=0.8)
    s.set_header("&CTop", margin=0.2)
    s.set_footer("&RPage &P", margin=0.25)
    s.hide_gridlines(0)
    s.center_horizontally()
    s.set_h_pagebreaks([10, 20])
    s.set_v_pagebreaks([3])
    s.protect("secret")
    s.write_url("A5", "http://example.com/a b")
    s.write_url("A6", "external:c:\\temp\\other.xlsx")
    s.write_url("A7", "external:\\\\server\\share\\book.xlsx")
    s.write_url("A8", "internal:Split!A1")
    t = wb.add_worksheet("Split")
    t.split_panes(15, 8.43)
    wb.close()


def with_openpyxl(path):
    wb = openpyxl.Workbook()
    s = wb.active
    s.title = "Frozen"
    s["A1"] = "x"
    s.freeze_panes = "B3"
    s.page_setup.orientation = "landscape"
    s.page_setup.paperSize = 9
    s.page_setup.fitToWidth = 2
    s.page_setup.fitToHeight = 3
    s.sheet_properties.pageSetUpPr.fitToPage = True
    s.page_margins = openpyxl.worksheet.page.PageMargins(left=0.5, right=0.6, top=0.7, bottom=0.8,
                                                         header=0.2, footer=0.25)
    s.oddHeader.center.text = "Top"
    s.oddFooter.right.text = "Page &P"
    s.print_options.gridLines = True
    s.print_options.horizontalCentered = True
    s.row_breaks.append(Break(id=10))
    s.row_breaks.append(Break(id=20))
    s.col_breaks.append(Break(id=3))
    s.protection.sheet = True
    s.protection.password = "secret"
    s["A5"].hyperlink = "http://example.com/a b"
    t = wb.create_sheet("Split")
    t.sheet_view.pane = openpyxl.worksheet.views.Pane(xSplit=2000, ySplit=1500, topLeftCell="C4",
                                                      activePane="bottomRight", state="split")
    wb.save(path)


def num(v):
    v = float(v)
    return str(int(v)) if v == int(v) else repr(v)


def expect(path):
    wb = openpyxl.load_workbook(path)
    lines = []
    for ws in wb.worksheets:
        n = ws.title
        p = ws.sheet_view.pane
        if p is not None and (p.xSplit or p.ySplit):
            lines.append("\t".join(["pane", n, p.state or "split", p.topLeftCell or "", num(p.xSplit or 0),
                                    num(p.ySplit or 0), p.activePane or "topLeft"]))
        hf = [ws.oddHeader, ws.oddFooter, ws.evenHeader, ws.evenFooter, ws.firstHeader, ws.firstFooter]
        texts = []
        for part in hf:
            t = ""
            for code, sec in (("&L", part.left), ("&C", part.center), ("&R", part.right)):
                if sec.text:
                    t += code + sec.text
            texts.append(t)
        if any(texts):
            lines.append("\t".join(["headfoot", n] + texts))
        for kind, breaks in (("row", ws.row_breaks.brk), ("col", ws.col_breaks.brk)):
            for b in breaks:
                lines.append("\t".join(["pagebreak", n, kind, str(b.id), str(b.min or 0), str(b.max or 0),
                                        "1" if b.man else "0"]))
        if ws.protection.sheet:
            lines.append("\t".join(["protection", n, ws.protection.password or ""]))
    with open(os.path.splitext(path)[0] + ".expect", "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


for name, make in (("xlsxwriter-settings.xlsx", with_xlsxwriter), ("openpyxl-settings.xlsx", with_openpyxl)):
    path = os.path.join(HERE, name)
    make(path)
    expect(path)
