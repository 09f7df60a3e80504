#!/usr/bin/python3
"""Writes the sheet-settings fixtures of the editing layer and, beside each, NAME.expect: the
cellfmt, col, row, pane, print, headfoot, pagebreak and protection lines of xls_dump as openpyxl reads the
file ("*" for a colour openpyxl gives as an index or with a tint; print lines for sheets with a page
setup only).

    /usr/bin/python3 tests/data/editing/make_fixtures.py

xlsxwriter-settings.xlsx is written by xlsxwriter, openpyxl-settings.xlsx by openpyxl with the
same settings: frozen and split panes, page setup, margins, print options, header and footer,
row and column breaks, sheet password "secret" and four kinds of link. libreoffice-settings.xlsx is
LibreOffice's round trip of the xlsxwriter file (soffice --headless --convert-to xlsx; it drops the
panes).

edit-base.xlsx is an openpyxl workbook with a few values (A1 italic); edit-libreoffice.xlsx is that
workbook after edits made in LibreOffice through python3-uno (see uno_edits) and saved as .xlsx.
The editing tests replay the same edits through the format command, rows and columns on the base
and compare each cell with LibreOffice's file. range-libreoffice.xlsx is the base after the edits of
uno_range_edits (one property a range: fonts, alignment, number format, protection, fill and
lines), which the range test replays through the sheet's range object.

comments-xlsxwriter.xlsx holds comments written by xlsxwriter with the author "Ann" (and one of
another author); comments-libreoffice.xlsx is the base with comments LibreOffice made through
python3-uno (Annotations.insertNew) and saved as .xlsx. Beside each, NAME.expect holds one line
per comment as openpyxl reads it: comment, sheet, cell, author, text (tab, CR, LF and backslash
written \\t, \\r, \\n, \\\\).

    /usr/bin/python3 tests/data/editing/make_fixtures.py [settings] [edits] [range] [comments]

makes the named groups only (all without arguments)."""
import os
import shutil
import subprocess
import sys
import tempfile
import time
import openpyxl
import xlsxwriter
from openpyxl.worksheet.pagebreak import Break

HERE = os.path.dirname(os.path.abspath(__file__))


def with_xlsxwriter(path):
    wb = xlsxwriter.Workbook(path)
    fmt = wb.add_format({"bold": True, "italic": True, "font_color": "#FF0000", "bg_color": "#00FF00",
                         "num_format": "0.00", "align": "center", "valign": "top", "text_wrap": True,
                         "rotation": 45, "top": 1, "bottom": 3, "locked": False, "hidden": True})
    rest = wb.add_format({"font_name": "Arial", "font_size": 14, "underline": 2, "font_strikeout": True,
                          "font_script": 1, "pattern": 4, "fg_color": "#FF0000", "bg_color": "#0000FF",
                          "align": "right", "indent": 2, "shrink": True, "left": 2, "right": 5, "diag_type": 3,
                          "diag_border": 4, "num_format": "#,##0.000"})
    sub = wb.add_format({"font_script": 2, "underline": 33, "align": "justify", "valign": "vcenter",
                         "rotation": -30, "top": 6, "bottom": 7, "left": 8, "right": 13})
    s = wb.add_worksheet("Frozen")
    s.write("A1", "x", fmt)
    s.write("B1", 2.5, rest)
    s.write("C1", "sub", sub)
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


def theme_colours(wb):
    """The file's theme colours in the order of the theme attribute (lt1, dk1, lt2, dk2, accents,
    hlink, folHlink), as RRGGBB."""
    import re
    xml = wb.loaded_theme.decode() if isinstance(wb.loaded_theme, bytes) else (wb.loaded_theme or "")
    scheme = re.search(r"<a:clrScheme.*?</a:clrScheme>", xml, re.S)
    found = {}
    if scheme:
        for name, body in re.findall(r"<a:(dk1|lt1|dk2|lt2|accent\d|hlink|folHlink)>(.*?)</a:\1>", scheme.group(0), re.S):
            v = re.search(r'(?:srgbClr val|lastClr)="([0-9A-Fa-f]{6})"', body)
            found[name] = v.group(1).upper() if v else "*"
    order = ["lt1", "dk1", "lt2", "dk2"] + ["accent%d" % i for i in range(1, 7)] + ["hlink", "folHlink"]
    return [found.get(k, "*") for k in order]


def colour(c, theme):
    """RRGGBB of an rgb or untinted theme colour; "*" where openpyxl's reading does not say."""
    if c is None:
        return "auto"
    if c.type == "rgb" and isinstance(c.rgb, str):
        return c.rgb[-6:].upper()
    if c.type == "theme" and not c.tint and c.theme < len(theme):
        return theme[c.theme]
    if c.type == "auto":
        return "auto"
    return "*"


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
        ps = ws.page_setup
        if ps.orientation:
            po = ws.print_options
            words = [w for w, on in (("blackAndWhite", ps.blackAndWhite), ("draft", ps.draft),
                                     ("headings", po.headings), ("gridLines", po.gridLines),
                                     ("horizontalCentered", po.horizontalCentered),
                                     ("verticalCentered", po.verticalCentered)) if on]
            m = ws.page_margins
            lines.append("\t".join(["print", n, ps.orientation, str(ps.paperSize or 9), str(ps.scale or 100),
                                    str(ps.fitToWidth if ps.fitToWidth is not None else 1),
                                    str(ps.fitToHeight if ps.fitToHeight is not None else 1)]
                                   + [num(v) for v in (m.left, m.right, m.top, m.bottom, m.header, m.footer)]
                                   + [" ".join(words)]))
        theme = theme_colours(wb)
        for (row, col), c in sorted(ws._cells.items()):
            if not c.has_style or c.style_id == 0:
                continue
            f, fill, al, pr, b = c.font, c.fill, c.alignment, c.protection, c.border
            pattern = fill.fill_type or "none"
            lines.append("\t".join([
                "cellfmt", n, c.coordinate, f.name or "", num(f.sz),
                ("b" if f.b else "") + ("i" if f.i else "") + ("s" if f.strike else ""),
                f.u or "none", f.vertAlign or "baseline", colour(f.color, theme),
                pattern, "" if pattern == "none" else colour(fill.fgColor, theme),
                "" if c.number_format == "General" else c.number_format,
                al.horizontal or "general", al.vertical or "bottom", "1" if al.wrap_text else "0",
                "1" if al.shrink_to_fit else "0", str(int(al.textRotation or 0)), str(int(al.indent or 0)),
                "1" if pr.locked else "0", "1" if pr.hidden else "0"]
                + [(side.style or "none") for side in (b.top, b.left, b.right, b.bottom, b.diagonal)]))
        for key, d in sorted(ws.column_dimensions.items()):
            if d.customWidth or d.hidden:
                lines.append("\t".join(["col", n, openpyxl.utils.get_column_letter(d.min),
                                        openpyxl.utils.get_column_letter(d.max), num(d.width),
                                        "1" if d.hidden else "0"]))
        for r, d in sorted(ws.row_dimensions.items()):
            # rows of the default height are plain rows to the dump, whatever flag they carry
            if d.hidden or (d.customHeight and d.ht and d.ht != ws.sheet_format.defaultRowHeight):
                lines.append("\t".join(["row", n, str(r), num(d.ht) if d.ht else "", "1" if d.hidden else "0"]))
        if ws.protection.sheet:
            # the verifier as a number: LibreOffice writes it in lower-case hex
            lines.append("\t".join(["protection", n, (ws.protection.password or "").upper()]))
    with open(os.path.splitext(path)[0] + ".expect", "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def edit_base(path):
    wb = openpyxl.Workbook()
    s = wb.active
    s.title = "Edits"
    for r in range(1, 9):
        for c in range(1, 6):
            s.cell(row=r, column=c, value=r * 10 + c + 0.125)
    s["A1"] = "head"
    s["A1"].font = openpyxl.styles.Font(italic=True)
    wb.save(path)


def uno_edits(doc, uno):
    """The edits the tests replay: bold on A1:B2 (A1 is italic already), a thin outline on B2:D4
    with a dashed bottom line on C3, number format 0.00 on A3:A5, a yellow background on D1:E2, the
    sixth row 1 cm high, the eighth row hidden, column G blue and column F hidden."""
    from com.sun.star.awt.FontWeight import BOLD
    sheet = doc.Sheets.getByIndex(0)
    sheet.getCellRangeByName("A1:B2").CharWeight = BOLD

    def line(style, width):
        b = uno.createUnoStruct("com.sun.star.table.BorderLine2")
        b.LineStyle = style
        b.LineWidth = width
        b.Color = 0
        return b

    thin = line(0, 26)  # SOLID, 0.75 pt: LibreOffice writes "thin"
    outline = uno.createUnoStruct("com.sun.star.table.TableBorder2")
    for side in ("TopLine", "BottomLine", "LeftLine", "RightLine"):
        setattr(outline, side, thin)
        setattr(outline, "Is" + side + "Valid", True)
    sheet.getCellRangeByName("B2:D4").TableBorder2 = outline
    sheet.getCellRangeByName("C3").BottomBorder2 = line(2, 26)  # DASHED
    formats = doc.NumberFormats
    locale = uno.createUnoStruct("com.sun.star.lang.Locale")
    key = formats.queryKey("0.00", locale, False)
    if key < 0:
        key = formats.addNew("0.00", locale)
    sheet.getCellRangeByName("A3:A5").NumberFormat = key
    sheet.getCellRangeByName("D1:E2").CellBackColor = 0xFFFF00
    rows = sheet.Rows
    rows.getByIndex(5).Height = 1000
    rows.getByIndex(7).IsVisible = False
    cols = sheet.Columns
    cols.getByIndex(6).CellBackColor = 0x0000FF
    cols.getByIndex(5).IsVisible = False


def uno_range_edits(doc, uno):
    """One property a range, as the range test sets them through the range object (a cell of
    LibreOffice has no superscript of its own: the script position is left out)."""
    from com.sun.star.awt.FontWeight import BOLD
    from com.sun.star.awt.FontSlant import ITALIC
    from com.sun.star.awt.FontUnderline import SINGLE, DOUBLE
    from com.sun.star.awt.FontStrikeout import SINGLE as STRIKE
    from com.sun.star.table.CellHoriJustify import RIGHT, CENTER
    sheet = doc.Sheets.getByIndex(0)
    r = sheet.getCellRangeByName
    r("A1:B1").CharFontName = "Arial"
    r("C1").CharHeight = 14
    r("D1:E1").CharColor = 0xFF0000
    r("A2").CharUnderline = SINGLE
    r("B2").CharUnderline = DOUBLE
    r("C2").CharWeight = BOLD
    r("C2").CharPosture = ITALIC
    r("D2").CharStrikeout = STRIKE
    r("A3").HoriJustify = RIGHT
    r("B3").HoriJustify = CENTER
    r("C3").VertJustify = 1  # CellVertJustify2.TOP
    r("D3").RotateAngle = 4500
    r("E3").IsTextWrapped = True
    r("A4").ShrinkToFit = True
    formats = doc.NumberFormats
    locale = uno.createUnoStruct("com.sun.star.lang.Locale")
    key = formats.queryKey("#,##0.000", locale, False)
    if key < 0:
        key = formats.addNew("#,##0.000", locale)
    r("B4:C4").NumberFormat = key
    prot = uno.createUnoStruct("com.sun.star.util.CellProtection")
    prot.IsLocked = True
    prot.IsFormulaHidden = True
    r("D4").CellProtection = prot
    r("E4").CellBackColor = 0x00FF00

    def line(style, width, colour):
        b = uno.createUnoStruct("com.sun.star.table.BorderLine2")
        b.LineStyle = style
        b.LineWidth = width
        b.Color = colour
        return b

    outline = uno.createUnoStruct("com.sun.star.table.TableBorder2")
    for side in ("TopLine", "BottomLine", "LeftLine", "RightLine"):
        setattr(outline, side, line(0, 70, 0xFF0000))  # SOLID, 2 pt: "medium"
        setattr(outline, "Is" + side + "Valid", True)
    inside = line(2, 26, 0x0000FF)  # DASHED, 0.75 pt: "dashed"
    outline.HorizontalLine = inside
    outline.IsHorizontalLineValid = True
    outline.VerticalLine = inside
    outline.IsVerticalLineValid = True
    r("B6:D8").TableBorder2 = outline
    r("A8").DiagonalTLBR2 = line(0, 26, 0)
    r("A8").DiagonalBLTR2 = line(0, 26, 0)


def uno_comments(doc, uno):
    """Comments on A1, B2 and C1 (the area test deletes A1:B2 and keeps C1), one of two lines."""
    sheet = doc.Sheets.getByIndex(0)
    notes = sheet.Annotations
    for col, row, text in ((0, 0, "first note"), (1, 1, "two\nlines"), (2, 0, "kept")):
        at = uno.createUnoStruct("com.sun.star.table.CellAddress")
        at.Sheet, at.Column, at.Row = 0, col, row
        notes.insertNew(at, text)


def comments_xlsxwriter(path):
    wb = xlsxwriter.Workbook(path)
    s = wb.add_worksheet("Notes")
    s.set_comments_author("Ann")
    for ref, value, text in (("A1", "a", "Check this"), ("B2", 2, "Second\nline"), ("C1", "c", "kept"),
                             ("D5", 5, "Unicode \u00e9\u4e2d")):
        s.write(ref, value)
        s.write_comment(ref, text)
    s.write_comment("E1", "by Bob", {"author": "Bob"})
    t = wb.add_worksheet("Other")
    t.write_comment("A3", "on the second sheet", {"author": "Ann"})
    wb.close()


def escaped(text):
    return text.replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n").replace("\r", "\\r")


def comments_expect(path):
    wb = openpyxl.load_workbook(path)
    lines = []
    for ws in wb.worksheets:
        for (row, col), c in sorted(ws._cells.items()):
            if c.comment is not None:
                lines.append("\t".join(["comment", ws.title, c.coordinate, escaped(c.comment.author or ""),
                                        escaped(c.comment.text or "")]))
    with open(os.path.splitext(path)[0] + ".expect", "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def with_libreoffice_edits(base, out, edits=None):
    import uno
    from com.sun.star.beans import PropertyValue
    profile = tempfile.mkdtemp(prefix="lo-profile-")
    pipe = "kws_editing_%d" % os.getpid()
    office = subprocess.Popen(["soffice", "--headless", "--norestore", "--nologo",
                               "-env:UserInstallation=file://" + profile,
                               "--accept=pipe,name=%s;urp;" % pipe])
    try:
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
        ctx = None
        for _ in range(120):
            try:
                ctx = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
                break
            except Exception:
                time.sleep(0.5)
        desktop = ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)

        def prop(name, value):
            p = PropertyValue()
            p.Name, p.Value = name, value
            return p

        doc = desktop.loadComponentFromURL(uno.systemPathToFileUrl(base), "_blank", 0, (prop("Hidden", True),))
        (edits or uno_edits)(doc, uno)
        doc.storeToURL(uno.systemPathToFileUrl(out), (prop("FilterName", "Calc Office Open XML"),))
        doc.close(True)
        try:
            desktop.terminate()
        except Exception:
            pass  # the bridge goes away with the office
    finally:
        try:
            office.wait(timeout=30)
        except subprocess.TimeoutExpired:
            office.kill()
        shutil.rmtree(profile, ignore_errors=True)


def libreoffice_roundtrip(source, out):
    work = tempfile.mkdtemp(prefix="lo-convert-")
    profile = tempfile.mkdtemp(prefix="lo-profile-")
    try:
        subprocess.run(["soffice", "--headless", "--norestore", "-env:UserInstallation=file://" + profile,
                        "--convert-to", "xlsx", "--outdir", work, source], check=True, stdout=subprocess.DEVNULL)
        shutil.move(os.path.join(work, os.path.basename(source)), out)
    finally:
        shutil.rmtree(work, ignore_errors=True)
        shutil.rmtree(profile, ignore_errors=True)


GROUPS = sys.argv[1:] or ["settings", "edits", "range", "comments"]
if "settings" in GROUPS:
    for name, make in (("xlsxwriter-settings.xlsx", with_xlsxwriter), ("openpyxl-settings.xlsx", with_openpyxl)):
        path = os.path.join(HERE, name)
        make(path)
        expect(path)
if "comments" in GROUPS:
    path = os.path.join(HERE, "comments-xlsxwriter.xlsx")
    comments_xlsxwriter(path)
    comments_expect(path)
if shutil.which("soffice"):
    base = os.path.join(HERE, "edit-base.xlsx")
    if "settings" in GROUPS:
        lo = os.path.join(HERE, "libreoffice-settings.xlsx")
        libreoffice_roundtrip(os.path.join(HERE, "xlsxwriter-settings.xlsx"), lo)
        expect(lo)
    if "edits" in GROUPS:
        edit_base(base)
        with_libreoffice_edits(base, os.path.join(HERE, "edit-libreoffice.xlsx"))
    if "range" in GROUPS:
        with_libreoffice_edits(base, os.path.join(HERE, "range-libreoffice.xlsx"), uno_range_edits)
    if "comments" in GROUPS:
        path = os.path.join(HERE, "comments-libreoffice.xlsx")
        with_libreoffice_edits(base, path, uno_comments)
        comments_expect(path)
