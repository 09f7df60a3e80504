#!/usr/bin/python3
"""Makes xlsxwriter-drawing.xlsx (text boxes and charts with gradient, pattern, dash and
transparent fills, formatted text, chart titles and axis fonts), its Gnumeric re-save
gnumeric-drawing.xlsx (ssconvert -T Gnumeric_Excel:xlsx2) and its LibreOffice re-save
libreoffice-drawing.xlsx (soffice --convert-to xlsx), and extracts from the drawing and chart parts
of these and of the object fixtures every spPr element (a:, xdr:, c:, cdr: or unprefixed) into
drawing-fragments.txt and every text body (txBody, txPr, rich) into drawing-text-fragments.txt:
one fragment a line, its start tag given the namespace declarations of the part's document element.

Run with Debian's python3 (xlsxwriter) from this folder: /usr/bin/python3 make_drawing_fragments.py
"""
import os
import re
import shutil
import subprocess
import tempfile
import zipfile

import xlsxwriter

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCES = ["xlsxwriter-drawing.xlsx", "gnumeric-drawing.xlsx", "libreoffice-drawing.xlsx", "libreoffice-objects.xlsx",
           "openpyxl-objects.xlsx"]


def make_xlsxwriter(path):
    wb = xlsxwriter.Workbook(path)
    ws = wb.add_worksheet("Data")
    for r, row in enumerate([[1, 4, 2], [2, 5, 3], [3, 1, 6], [4, 2, 5]]):
        ws.write_row(r, 0, row)
    ws.insert_textbox("E2", "gradient box", {
        "fill": {"color": "#DDEEFF", "transparency": 30},
        "line": {"color": "red", "width": 2.25, "dash_type": "round_dot"},
        "gradient": {"colors": ["#FF0000", "#00FF00", "#0000FF"], "type": "radial"}})
    ws.insert_textbox("E8", "pattern box", {"pattern": {"pattern": "percent_50", "fg_color": "red",
                                                         "bg_color": "yellow"},
                                             "line": {"none": True}})
    ws.insert_textbox("E14", "First paragraph\nSecond paragraph", {
        "font": {"name": "Arial", "size": 14, "bold": True, "italic": True, "color": "#1F497D", "underline": True},
        "align": {"vertical": "middle", "horizontal": "center"}, "gradient": {"colors": ["#DDEBCF", "#9CB86E"]},
        "line": {"color": "#404040", "dash_type": "round_dot"}})
    chart = wb.add_chart({"type": "column"})
    chart.set_title({"name": "Sales by month", "name_font": {"name": "Calibri", "size": 16, "bold": True,
                                                              "color": "#C00000"}})
    chart.set_x_axis({"name": "Month", "num_font": {"italic": True, "rotation": -45},
                      "name_font": {"size": 9, "underline": True}})
    chart.set_y_axis({"num_font": {"name": "Arial", "size": 8, "color": "#7F7F7F"}})
    chart.set_legend({"font": {"size": 9, "bold": True, "baseline": -1}})
    chart.add_series({"values": "=Data!$A$1:$A$4", "gradient": {"colors": ["#963735", "#F1DCDB"], "angle": 45},
                      "border": {"color": "black", "dash_type": "long_dash_dot"}})
    chart.add_series({"values": "=Data!$B$1:$B$4", "pattern": {"pattern": "wide_upward_diagonal",
                                                                "fg_color": "#804000", "bg_color": "#FFFFFF"}})
    chart.set_chartarea({"fill": {"color": "#FFFFC2", "transparency": 50}, "border": {"dash_type": "dash"}})
    chart.set_plotarea({"gradient": {"colors": ["#FFEFD1", "#F0EBD5", "#B69F66"], "type": "rectangular"}})
    ws.insert_chart("H2", chart)
    line = wb.add_chart({"type": "line"})
    line.add_series({"values": "=Data!$C$1:$C$4", "line": {"color": "#FF9900", "width": 3.25,
                                                          "dash_type": "square_dot", "transparency": 20},
                     "marker": {"type": "diamond", "size": 7, "fill": {"color": "green"}},
                     "data_labels": {"value": True, "font": {"name": "Consolas", "size": 7, "color": "red"}}})
    line.set_title({"name": "=Data!$A$1"})
    ws.insert_chart("H20", line)
    wb.close()


def fragments(path, names=r"spPr"):
    out = []
    with zipfile.ZipFile(path) as z:
        for name in sorted(z.namelist()):
            if not name.endswith(".xml") or not re.search(r"(drawings|charts)/", name):
                continue
            text = z.read(name).decode("utf-8")
            root = re.search(r"<(?![?!])[^>]*>", text).group(0)
            decls = " ".join(re.findall(r'xmlns(?::[\w.-]+)?="[^"]*"', root))
            for m in re.finditer(r"<((?:[\w.-]+:)?(?:%s))\b(.*?)(/>|>.*?</\1>)" % names, text, re.S):
                frag = m.group(0)
                frag = "<" + m.group(1) + " " + decls + frag[1 + len(m.group(1)):]
                out.append(frag.replace("\r", " ").replace("\n", " "))
    return out


def main():
    os.chdir(HERE)
    make_xlsxwriter("xlsxwriter-drawing.xlsx")
    subprocess.run(["ssconvert", "-T", "Gnumeric_Excel:xlsx2", "xlsxwriter-drawing.xlsx", "gnumeric-drawing.xlsx"],
                   check=True, capture_output=True)
    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run(["soffice", "--headless", "--convert-to", "xlsx", "--outdir", tmp, "xlsxwriter-drawing.xlsx"],
                       check=True, capture_output=True)
        shutil.copyfile(os.path.join(tmp, "xlsxwriter-drawing.xlsx"), "libreoffice-drawing.xlsx")
    for out, names in (("drawing-fragments.txt", r"spPr"), ("drawing-text-fragments.txt", r"txBody|txPr|rich")):
        lines = []
        for f in SOURCES:
            for frag in fragments(f, names):
                lines.append(frag)
        with open(out, "w", encoding="utf-8", newline="\n") as f:
            f.write("\n".join(lines) + "\n")
        print(len(lines), "fragments in", out)


if __name__ == "__main__":
    main()
