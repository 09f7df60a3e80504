"""Helpers shared by the workbook fixture scripts (xlsx/make_fixtures.py, xls/make_fixtures.py) and
the scripts that read a workbook through LibreOffice for a test (lo_*.py).

- general(): a number as the engine's cell text shows it: at most 15 significant digits, the
  shortest text of that precision, plain notation when |x| >= 0.00001 and at most 15 digits stand
  before the point, otherwise "E" and the exponent without "+" or leading zeros.
- write_tsv(): the expected cell list, one UTF-8 line per non-empty cell,
  "sheet<TAB>A1 reference<TAB>text", with tab, CR, LF and backslash written as \\t, \\r, \\n, \\\\
  (the form the xls_cells tool prints).
- LibreOffice: a headless office with a profile of its own, driven through its UNO bridge;
  print_reading() prints what a function reads from a workbook loaded in one; draw_shapes() and
  anchor_cells() walk the shapes of the sheets' draw pages and find the cells under their corners.
"""

import math
import os
import socket
import subprocess
import time

BOOL_TEXT = {True: "TRUE", False: "FALSE"}
ERROR_TEXTS = ("#NULL!", "#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#NUM!", "#N/A", "#GETTING_DATA")


def general(value):
    value = float(value)
    if math.isnan(value):
        return "NAN"
    if math.isinf(value):
        return "INF" if value > 0 else "-INF"
    if value == 0:
        return "0"
    text = "%.14e" % value  # d.dddddddddddddde±x, correctly rounded to 15 digits
    mantissa, exp = text.split("e")
    exp = int(exp)
    negative = mantissa.startswith("-")
    digits = mantissa.lstrip("-").replace(".", "").rstrip("0") or "0"
    out = "-" if negative else ""
    if exp >= 15 or exp < -5:
        out += digits[0]
        if len(digits) > 1:
            out += "." + digits[1:]
        return out + "E" + str(exp)
    if exp >= 0:
        whole = exp + 1
        if len(digits) <= whole:
            return out + digits + "0" * (whole - len(digits))
        return out + digits[:whole] + "." + digits[whole:]
    return out + "0." + "0" * (-exp - 1) + digits


def col_name(col):  # zero-based column to letters
    name = ""
    col += 1
    while col:
        col, rem = divmod(col - 1, 26)
        name = chr(65 + rem) + name
    return name


def ref(row, col):  # zero-based row and column to an A1 reference
    return "%s%d" % (col_name(col), row + 1)


def escape(text):
    return text.replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n").replace("\r", "\\r")


def write_tsv(path, cells):
    """cells: (sheet name, zero-based row, zero-based column, text) in sheet, row, column order."""
    with open(path, "w", encoding="utf-8", newline="\n") as out:
        for sheet, row, col, text in cells:
            if text != "":
                out.write("%s\t%s\t%s\n" % (escape(sheet), ref(row, col), escape(text)))


class LibreOffice:
    """soffice --headless with its own profile, reached through a UNO socket on a free port."""

    def __init__(self, profile):
        import uno  # python3-uno

        self.uno = uno
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            port = s.getsockname()[1]
        self.profile = profile
        self.proc = subprocess.Popen(
            ["soffice", "-env:UserInstallation=file://" + profile, "--headless", "--invisible",
             "--norestore", "--accept=socket,host=127.0.0.1,port=%d;urp;" % port],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
        url = "uno:socket,host=127.0.0.1,port=%d;urp;StarOffice.ComponentContext" % port
        for _ in range(200):
            try:
                self.ctx = resolver.resolve(url)
                break
            except Exception:
                time.sleep(0.25)
        else:
            raise RuntimeError("LibreOffice did not answer on its UNO socket")
        self.desktop = self.ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", self.ctx)

    def props(self, **kw):
        from com.sun.star.beans import PropertyValue

        out = []
        for name, value in kw.items():
            p = PropertyValue()
            p.Name = name
            p.Value = value
            out.append(p)
        return tuple(out)

    def new_calc(self):
        return self.desktop.loadComponentFromURL("private:factory/scalc", "_blank", 0, self.props(Hidden=True))

    def load(self, path, password=None):
        kw = {"Hidden": True}
        if password is not None:
            kw["Password"] = password
        return self.desktop.loadComponentFromURL("file://" + os.path.abspath(path), "_blank", 0, self.props(**kw))

    def store(self, doc, path, filter_name, password=None):
        kw = {"FilterName": filter_name, "Overwrite": True}
        if password is not None:
            kw["Password"] = password
        doc.storeToURL("file://" + os.path.abspath(path), self.props(**kw))

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def close(self):
        try:
            self.desktop.terminate()
        except Exception:
            pass
        try:
            self.proc.wait(timeout=60)
        except subprocess.TimeoutExpired:
            self.proc.kill()


def print_reading(path, read_doc, prefix):
    """Loads the workbook in a headless office with a profile of its own (a temporary folder named
    from prefix) and prints the lines read_doc(doc) gives for it, one a line."""
    import shutil
    import sys
    import tempfile

    profile = tempfile.mkdtemp(prefix=prefix)
    try:
        with LibreOffice(profile) as office:
            doc = office.load(path)
            lines = read_doc(doc)
            doc.close(True)
    finally:
        shutil.rmtree(profile, ignore_errors=True)
    for line in lines:
        sys.stdout.write(line + "\n")


def draw_shapes(doc, service):
    """(sheet index, sheet, shape) for each shape of each sheet's draw page that supports the
    service (com.sun.star.drawing.ControlShape, ...), sheets and shapes in order."""
    for index in range(doc.Sheets.getCount()):
        sheet = doc.Sheets.getByIndex(index)
        page = sheet.DrawPage
        for k in range(page.getCount()):
            shape = page.getByIndex(k)
            if shape.supportsService(service):
                yield index, sheet, shape


def cell_at(sheet, x, y):
    """The cell whose area holds the point (1/100 mm from the sheet's top-left corner)."""
    col = 0
    while col < 16383 and sheet.getCellByPosition(col + 1, 0).Position.X <= x:
        col += 1
    row = 0
    while row < 1048575 and sheet.getCellByPosition(0, row + 1).Position.Y <= y:
        row += 1
    return ref(row, col)


def anchor_cells(sheet, shape):
    """The cells under the shape's top-left and bottom-right corners (A1 references)."""
    at, size = shape.Position, shape.Size
    return cell_at(sheet, at.X, at.Y), cell_at(sheet, at.X + size.Width, at.Y + size.Height)
