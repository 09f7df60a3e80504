#!/usr/bin/python3
"""Makes the legacy drawing fixtures of this folder and the pictures they hold.

Pictures, written here byte by byte: pict.png (a 4x3 RGB PNG), pict8.bmp (an 8-bit palette BMP,
5x4), pict.wmf (a placeable WMF drawing a rectangle), pict.emf (an EMF drawing a rectangle);
pict.jpg is pict.png as LibreOffice's graphic provider writes it as JPEG.

Sources (python3-xlsxwriter):
  drawing-source.xlsx   sheet "Drawing": notes on B2 (two lines, author "Ann") and D4 (Latin-1
                        text "café àéü ß", author "Bob"), the PNG at F2, a text box at B10, a
                        column chart of A20:A23 at H10; sheet "Plain": cells only.
  pictures-source.xlsx  sheet "Pictures": the WMF at A1, the EMF at E1, the JPEG at A12, the PNG at
                        E12, the BMP at I12.
  gnumeric-source.xlsx  sheet "Drawing": a note with author on B2, a text box at B10, the PNG at
                        F2, a chart at H10.

Writers (Debian packages):
  lo-drawing.xls, lo-drawing-protected.xls (password "draw-pw"), lo-drawing.xlsx
                        LibreOffice through python3-uno loads drawing-source.xlsx, adds on sheet
                        "Drawing" a rectangle with text at B14, a group of a rectangle with text
                        and an ellipse at E20, and five form controls (check box linked to K26,
                        radio button, button, list box linked to K27 with its items from M26:M28,
                        combo box with its items from N26:N28), then stores MS Excel 97 (plain and
                        with the password) and Office Open XML (the oracle's conversion).
  lo-pictures.xls, lo-pictures.xlsx
                        LibreOffice stores pictures-source.xlsx as MS Excel 97 and as Office Open
                        XML (metafiles stored deflated; the BMP becomes a PNG).
  gn-drawing.xls, gn-drawing-biff7.xls
                        ssconvert -T Gnumeric_Excel:excel_biff8 / excel_biff7 of
                        gnumeric-source.xlsx.

Expected lines (tab-separated, texts escaped as in xls_dump):
  NAME.xlrd       "comment  sheet  A1  author  text" for each note python3-xlrd 1.2 reads with
                  formatting_info=True from NAME.xls.
  lo-drawing.openpyxl
                  the comments openpyxl reads from lo-drawing.xlsx (same form), then from its
                  drawing part "anchor  sheet  kind  A1:B2" for each top-level anchor (kind: pic,
                  sp, grpSp, graphicFrame) and "text  sheet  text" for each shape text (paragraphs
                  joined by LF), both in document order.
  NAME.pictures   for lo-drawing and lo-pictures: "picture  sheet  format  A1  A1  col,colOff,row,rowOff
                  col,colOff,row,rowOff" (from and to cell, then both markers with their offsets
                  in EMU) for each picture
                  openpyxl reads from NAME.xlsx (ws._images; it drops metafiles).

lo_controls.py reads the form controls of a legacy workbook back through LibreOffice (the
controls test runs it on lo-drawing.xls).

Run: /usr/bin/python3 tests/data/xls-drawing/make_fixtures.py [--oracles]
(--oracles writes only the expected lines, from the files already made.)
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(HERE, "..", "xlsx"))
from fixturetools import LibreOffice  # noqa: E402

PASSWORD = "draw-pw"


def path(name):
    return os.path.join(HERE, name)


def png_bytes(w, h):
    raw = b"".join(b"\0" + b"".join(bytes((x * 60 % 256, y * 80 % 256, 128)) for x in range(w)) for y in range(h))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    ihdr = struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b"")


def bmp8_bytes(w, h):
    stride = (w + 3) // 4 * 4
    pixels = b"".join(bytes((x + y) % 4 for x in range(w)) + b"\0" * (stride - w) for y in range(h))
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in
                       [(255, 0, 0), (0, 160, 0), (0, 0, 255), (250, 220, 40)]) + b"\0" * 4 * 252
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 8, 0, len(pixels), 2835, 2835, 256, 0)
    offset = 14 + len(info) + len(palette)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + palette + pixels


def wmf_bytes():
    def rec(func, *words):
        return struct.pack("<IH", 3 + len(words), func) + struct.pack("<%dh" % len(words), *words)

    body = (rec(0x020B, 0, 0) + rec(0x020C, 1000, 1500) +                # SETWINDOWORG, SETWINDOWEXT
            struct.pack("<IH", 7, 0x02FC) + struct.pack("<HIH", 0, 0x0030A0E0, 0) +  # CREATEBRUSHINDIRECT
            rec(0x012D, 0) + rec(0x041B, 900, 1400, 100, 100) + rec(0x0000))   # SELECTOBJECT, RECTANGLE, EOF
    size_words = (18 + len(body)) // 2
    header = struct.pack("<HHHIHIH", 1, 9, 0x0300, size_words, 1, 7, 0)
    placeable = struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, 0, 0, 1500, 1000, 1440, 0)
    checksum = 0
    for (w,) in struct.iter_unpack("<H", placeable[:20]):
        checksum ^= w
    placeable = placeable[:20] + struct.pack("<H", checksum)
    return placeable + header + body


def emf_bytes():
    records = []
    records.append(struct.pack("<II", 0x27, 24) + struct.pack("<IIII", 1, 0, 0x0030A0E0, 0))  # CREATEBRUSHINDIRECT
    records.append(struct.pack("<III", 0x25, 12, 1))                       # SELECTOBJECT 1
    records.append(struct.pack("<II4i", 0x2B, 24, 10, 10, 190, 140))       # RECTANGLE
    records.append(struct.pack("<IIIII", 0x0E, 20, 0, 16, 20))             # EOF
    body = b"".join(records)
    header_size = 88
    total = header_size + len(body)
    header = struct.pack("<II4i4iIIIIHHIIII2i2i", 1, header_size, 0, 0, 199, 149, 0, 0, 5292, 3969,
                         0x464D4520, 0x10000, total, 1 + len(records), 2, 0, 0, 0, 0, 0,
                         1920, 1080, 508, 285)
    return header + body


def write_pictures():
    with open(path("pict.png"), "wb") as f:
        f.write(png_bytes(4, 3))
    with open(path("pict8.bmp"), "wb") as f:
        f.write(bmp8_bytes(5, 4))
    with open(path("pict.wmf"), "wb") as f:
        f.write(wmf_bytes())
    with open(path("pict.emf"), "wb") as f:
        f.write(emf_bytes())


def write_sources():
    import xlsxwriter

    wb = xlsxwriter.Workbook(path("drawing-source.xlsx"))
    ws = wb.add_worksheet("Drawing")
    ws.write("A1", "Drawing sheet")
    ws.write_comment("B2", "first line\nsecond line", {"author": "Ann"})
    ws.write_comment("D4", "café àéü ß", {"author": "Bob"})
    ws.insert_image("F2", path("pict.png"))
    ws.insert_textbox("B10", "Text box text", {"width": 160, "height": 50})
    for i, v in enumerate([3, 5, 2, 7]):
        ws.write_number(19 + i, 0, v)
    chart = wb.add_chart({"type": "column"})
    chart.add_series({"values": "=Drawing!$A$20:$A$23"})
    ws.insert_chart("H10", chart)
    wb.add_worksheet("Plain").write("A1", "plain")
    wb.close()

    wb = xlsxwriter.Workbook(path("pictures-source.xlsx"))
    ws = wb.add_worksheet("Pictures")
    ws.insert_image("A1", path("pict.wmf"))
    ws.insert_image("E1", path("pict.emf"))
    ws.insert_image("A12", path("pict.jpg"))
    ws.insert_image("E12", path("pict.png"))
    ws.insert_image("I12", path("pict8.bmp"))
    wb.close()

    wb = xlsxwriter.Workbook(path("gnumeric-source.xlsx"))
    ws = wb.add_worksheet("Drawing")
    ws.write("A1", "Gnumeric drawing")
    ws.write_comment("B2", "gnumeric note", {"author": "Carl"})
    ws.insert_textbox("B10", "Gnumeric text box", {"width": 160, "height": 50})
    ws.insert_image("F2", path("pict.png"))
    for i, v in enumerate([1, 4, 9]):
        ws.write_number(19 + i, 0, v)
    chart = wb.add_chart({"type": "line"})
    chart.add_series({"values": "=Drawing!$A$20:$A$22"})
    ws.insert_chart("H10", chart)
    wb.close()


def add_shapes(lo, doc):
    from com.sun.star.awt import Point, Size

    sheet = doc.Sheets.getByName("Drawing")
    page = sheet.DrawPage

    def shape(kind, x, y, w, h, text=None):
        s = doc.createInstance("com.sun.star.drawing.%s" % kind)
        s.Position = Point(x, y)
        s.Size = Size(w, h)
        page.add(s)
        if text is not None:
            s.String = text
        return s

    shape("RectangleShape", 2000, 7000, 3000, 1200, "Rectangle text")
    a = shape("RectangleShape", 9000, 10000, 2500, 1000, "Grouped text")
    b = shape("EllipseShape", 12000, 10000, 1500, 1000)
    shapes = lo.ctx.ServiceManager.createInstanceWithContext("com.sun.star.drawing.ShapeCollection", lo.ctx)
    shapes.add(a)
    shapes.add(b)
    page.group(shapes)
    add_controls(lo, doc, page)


def add_controls(lo, doc, page):
    """Five kinds of form control on sheet "Drawing", the check box and the list box linked to cells."""
    from com.sun.star.awt import Point, Size
    from com.sun.star.table import CellAddress

    sheet_index = 0
    controls = [("CheckBox", "Check me", 2000, 30000), ("RadioButton", "Pick me", 6000, 30000),
                ("CommandButton", "Press", 10000, 30000), ("ListBox", None, 2000, 33000),
                ("ComboBox", None, 6000, 33000)]
    for kind, label, x, y in controls:
        model = doc.createInstance("com.sun.star.form.component.%s" % kind)
        if label is not None:
            model.Label = label
        shape = doc.createInstance("com.sun.star.drawing.ControlShape")
        shape.Position = Point(x, y)
        shape.Size = Size(3000, 800)
        shape.Control = model
        page.add(shape)
        if kind in ("CheckBox", "ListBox"):
            from com.sun.star.beans import NamedValue
            arg = NamedValue()
            arg.Name = "BoundCell"
            arg.Value = CellAddress(sheet_index, 10, 25 if kind == "CheckBox" else 26)
            binding = doc.createInstanceWithArguments("com.sun.star.table.CellValueBinding", (arg,))
            model.setValueBinding(binding)
        if kind in ("ListBox", "ComboBox"):
            source = list_source(doc, sheet_index, 12 if kind == "ListBox" else 13)
            model.setListEntrySource(source)


def list_source(doc, sheet_index, col):
    """The items of a list control as a range of three cells in rows 26 to 28 of column col."""
    from com.sun.star.beans import NamedValue
    from com.sun.star.table import CellRangeAddress

    sheet = doc.Sheets.getByIndex(sheet_index)
    for row, text in enumerate(("one", "two", "three") if col == 12 else ("red", "green", "blue")):
        sheet.getCellByPosition(col, 25 + row).String = text
    arg = NamedValue()
    arg.Name = "CellRange"
    arg.Value = CellRangeAddress(sheet_index, col, 25, col, 27)
    return doc.createInstanceWithArguments("com.sun.star.table.CellRangeListSource", (arg,))


def write_jpeg(lo):
    provider = lo.ctx.ServiceManager.createInstanceWithContext("com.sun.star.graphic.GraphicProvider", lo.ctx)
    graphic = provider.queryGraphic(lo.props(URL="file://" + path("pict.png")))
    provider.storeGraphic(graphic, lo.props(URL="file://" + path("pict.jpg"), MimeType="image/jpeg"))


def esc(text):
    return text.replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n").replace("\r", "\\r")


def a1(col, row):
    name = ""
    col += 1
    while col:
        col, rem = divmod(col - 1, 26)
        name = chr(65 + rem) + name
    return "%s%d" % (name, row + 1)


def write_oracles():
    import re
    import zipfile
    import xlrd
    import openpyxl

    for name in ("lo-drawing", "gn-drawing"):
        book = xlrd.open_workbook(path(name + ".xls"), formatting_info=True)
        with open(path(name + ".xlrd"), "w", encoding="utf-8") as out:
            for sheet in book.sheets():
                for (row, col), note in sorted(sheet.cell_note_map.items()):
                    out.write("comment\t%s\t%s\t%s\t%s\n" % (esc(sheet.name), a1(col, row), esc(note.author),
                                                              esc(note.text)))
    wb = openpyxl.load_workbook(path("lo-drawing.xlsx"))
    with open(path("lo-drawing.openpyxl"), "w", encoding="utf-8") as out:
        for ws in wb:
            for row in ws.iter_rows():
                for c in row:
                    if c.comment:
                        out.write("comment\t%s\t%s\t%s\t%s\n" % (esc(ws.title), c.coordinate,
                                                                  esc(c.comment.author or ""), esc(c.comment.text)))
        z = zipfile.ZipFile(path("lo-drawing.xlsx"))
        xml = z.read("xl/drawings/drawing1.xml").decode("utf-8")
        sheet = wb.sheetnames[0]
        for anchor in re.findall(r"<xdr:twoCellAnchor.*?</xdr:twoCellAnchor>", xml, re.S):
            nums = [int(v) for v in re.findall(r"<xdr:(?:col|row)>(\d+)</xdr:", anchor)[:4]]
            kind = re.search(r"<xdr:(pic|sp|grpSp|graphicFrame|cxnSp)>", anchor).group(1)
            out.write("anchor\t%s\t%s\t%s:%s\n" % (esc(sheet), kind, a1(nums[0], nums[1]), a1(nums[2], nums[3])))
        for body in re.findall(r"<xdr:txBody>.*?</xdr:txBody>", xml, re.S):
            paragraphs = ["".join(re.findall(r"<a:t>(.*?)</a:t>", p, re.S))
                          for p in re.findall(r"<a:p>.*?</a:p>", body, re.S)]
            text = "\n".join(paragraphs)
            if text:
                out.write("text\t%s\t%s\n" % (esc(sheet), esc(text)))
    for name in ("lo-drawing", "lo-pictures"):
        wb = openpyxl.load_workbook(path(name + ".xlsx"))
        with open(path(name + ".pictures"), "w", encoding="utf-8") as out:
            for ws in wb:
                for img in ws._images:
                    a = img.anchor
                    out.write("picture\t%s\t%s\t%s\t%s\t%d,%d,%d,%d\t%d,%d,%d,%d\n" % (
                        esc(ws.title), img.format.lower(), a1(a._from.col, a._from.row), a1(a.to.col, a.to.row),
                        a._from.col, a._from.colOff, a._from.row, a._from.rowOff,
                        a.to.col, a.to.colOff, a.to.row, a.to.rowOff))


def main():
    write_pictures()
    profile = tempfile.mkdtemp(prefix="lo-drawing-")
    try:
        with LibreOffice(profile) as lo:
            write_jpeg(lo)
            write_sources()
            doc = lo.load(path("drawing-source.xlsx"))
            add_shapes(lo, doc)
            lo.store(doc, path("lo-drawing.xls"), "MS Excel 97")
            lo.store(doc, path("lo-drawing-protected.xls"), "MS Excel 97", PASSWORD)
            lo.store(doc, path("lo-drawing.xlsx"), "Calc MS Excel 2007 XML")
            doc.close(True)
            doc = lo.load(path("pictures-source.xlsx"))
            lo.store(doc, path("lo-pictures.xls"), "MS Excel 97")
            lo.store(doc, path("lo-pictures.xlsx"), "Calc MS Excel 2007 XML")
            doc.close(True)
    finally:
        shutil.rmtree(profile, ignore_errors=True)
    for target, name in (("Gnumeric_Excel:excel_biff8", "gn-drawing.xls"),
                         ("Gnumeric_Excel:excel_biff7", "gn-drawing-biff7.xls")):
        subprocess.run(["ssconvert", "-T", target, path("gnumeric-source.xlsx"), path(name)], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    write_oracles()


if __name__ == "__main__":
    if sys.argv[1:] == ["--oracles"]:
        write_oracles()
    else:
        main()
