#!/usr/bin/python3
"""Makes the workbook-package fixtures of this folder and, for each, the expected cell list.

Writers (Debian packages): python3-xlsxwriter, python3-openpyxl, LibreOffice Calc with python3-uno,
Gnumeric (ssconvert). Expected lists are read back from every package by openpyxl (data_only: the
cached results of formulas), turned into the engine's cell text by fixturetools (numbers in general
form, "TRUE"/"FALSE", error texts, dates as serial numbers) and written as NAME.tsv; merged areas,
hyperlinks, comments and defined names as openpyxl reads them go to NAME.objects.

  xlsxwriter-cells.xlsx    shared strings (Latin, CJK, a rich string, tab and line break), numbers in
                           general form, dates and times, Booleans, formulas with cached numbers,
                           texts, Booleans and errors, array formulas, a hyperlink, merged cells, a
                           comment, workbook and sheet-scoped defined names, a cell at XFD1048576
  xlsxwriter-inline.xlsx   the same writer in constant-memory mode: inline strings, a rich inline
                           string
  openpyxl-cells.xlsx      inline strings, error cells without formulas, dates, a CJK sheet name,
                           merged cells, hyperlink, comment, defined names, XFD1048576
  openpyxl-isodates.xlsx   dates stored as ISO 8601 text cells (t="d")
  libreoffice-cells.xlsx   Calc: rich text, a URL field, comments, merged cells, formulas with cached
                           results (numbers, texts, Booleans, errors), an array formula, dates, a
                           named range, XFD1048576
  gnumeric-cells.xlsx      openpyxl-cells.xlsx converted by ssconvert (shared strings; print-area
                           names whose text is #REF!)
  xlsxwriter-stored.xlsx   xlsxwriter-cells.xlsx with every part stored, not deflated (so that the
                           fuzz test's damage reaches the XML)
  shared-formulas.xlsx     an xlsxwriter package whose formula columns and rows this script rewrites
                           into shared formulas (t="shared" masters with ref and followers with si
                           only), cached values kept

Encrypted packages (ENCRYPTED below): plain packages of this folder encrypted by ooxml_encrypt.py
(a copy of the shared fixture writer; LibreOffice 7.4 writes no encrypted package through its
API) with a fixed --seed, agile and standard, with the password each row names. Their expected
cells are those of the plain package. The script proves each one: msoffcrypto-tool decrypts it
back to the plain package's bytes (checking the agile HMAC) and refuses the password with its
letter case swapped, and LibreOffice opens the ones named for it with the password.

Drawing fixtures (--drawings), each with NAME.pictures (openpyxl's ws._images: sheet, anchor kind,
from cell, to cell, format) and, for the LibreOffice ones, NAME.shapes (LibreOffice's reading of the
package through python3-uno: per draw-page shape its sheet, kind, the ooxml- preset of its
geometry, start cell and text with paragraphs joined by LF):
  xlsxwriter-shapes.xlsx       two text boxes (two paragraphs; gradient fill, round-dot line, bold
                               italic 14 pt Arial) and a picture (two-cell, editAs oneCell)
  libreoffice-shapes.xlsx      Calc: a rectangle with text, an ellipse, a text box, a line, a group
                               of two shapes, a picture
  libreoffice-resaved-shapes.xlsx  xlsxwriter-shapes.xlsx re-saved by soffice --convert-to xlsx (its
                               text boxes lose txBox)
  openpyxl-picture.xlsx        a picture in a one-cell anchor, parts without prefixes
  libreoffice-shapes-stored.xlsx   libreoffice-shapes.xlsx with every part stored (fuzz seed)

Run: tests/data/xlsx/make_fixtures.py               (rewrites every fixture and .tsv of this folder)
     tests/data/xlsx/make_fixtures.py --drawings    (only the drawing fixtures and their peers)
     tests/data/xlsx/make_fixtures.py --encrypted   (only the encrypted packages, and their proof)
     tests/data/xlsx/make_fixtures.py --large DIR   (DIR/large-plain.xlsx, a stored package of
                                                     10,000,000 bytes (2,442 segments), and
                                                     DIR/large-agile.xlsx, its agile encryption: a
                                                     compound file with DIFAT sectors; kept out of
                                                     git for its size, made by the benchmark)
"""

import datetime
import os
import re
import shutil
import subprocess
import sys
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True
sys.path.insert(0, HERE)
from fixturetools import BOOL_TEXT, LibreOffice, escape, general, write_tsv  # noqa: E402

LATIN = ["Plain text", "Grüße aus Köln", "Ça coûte 5 €", "Ärger über Öl"]
CJK = ["中文字符测试", "日本語のテキスト", "한국어 텍스트", "繁體中文測試"]
NUMBERS = [0, 1, -1, 3.25, 0.1 + 0.2, 1 / 3, 100, 123456789012345, 1234567890123456, 1e20, -2.5e-10,
           1.5e-7, 0.00001, 0.000012345, 2 ** 53, 3.14159265358979, 999999999999999, -0.5]
DATES = [datetime.datetime(2024, 2, 29), datetime.datetime(1900, 3, 1), datetime.datetime(2024, 1, 1, 12, 0),
         datetime.datetime(1999, 12, 31, 18, 30)]
ERRORS = ["#DIV/0!", "#N/A", "#NAME?", "#NULL!", "#NUM!", "#REF!", "#VALUE!"]
RICH_PLAIN = "Rich and text"


def expected_from_openpyxl(path):
    """The non-empty cells as the engine's text, read by openpyxl from the package."""
    import openpyxl
    from openpyxl.utils.datetime import to_excel

    wb = openpyxl.load_workbook(path, data_only=True)
    cells = []
    for ws in wb.worksheets:
        # The cell dictionary, not iter_rows: a sheet with a cell at XFD1048576 spans 2^34 cells.
        for (row, col), cell in sorted(ws._cells.items()):
            v = cell.value
            if v is None:
                continue
            if isinstance(v, bool):
                text = BOOL_TEXT[v]
            elif isinstance(v, (int, float)):
                text = general(v)
            elif isinstance(v, (datetime.datetime, datetime.date, datetime.time, datetime.timedelta)):
                text = general(to_excel(v, wb.epoch))
            else:
                text = str(v)
            cells.append((ws.title, row - 1, col - 1, text))
    return cells


class RowOrder:
    """A worksheet proxy that keeps every write and hands them on in row, column order when the
    sheet is done: xlsxwriter's constant-memory mode keeps only the current row."""

    def __init__(self, ws):
        self.ws = ws
        self.calls = []

    def __getattr__(self, name):
        return lambda row, col, *args: self.calls.append((row, col, name, args))

    def flush(self):
        for row, col, name, args in sorted(self.calls, key=lambda c: (c[0], c[1])):
            getattr(self.ws, name)(row, col, *args)


def objects_from_openpyxl(path):
    """Merged areas, hyperlinks, comments and defined names as openpyxl reads them, one line each:
    merge<TAB>sheet<TAB>range, link<TAB>sheet<TAB>cell<TAB>target, comment<TAB>sheet<TAB>cell<TAB>text,
    name<TAB>scope sheet or empty<TAB>name."""
    import openpyxl

    wb = openpyxl.load_workbook(path)
    lines = []
    for ws in wb.worksheets:
        for rng in sorted(str(r) for r in ws.merged_cells.ranges):
            lines.append(("merge", ws.title, rng))
        for (row, col), cell in sorted(ws._cells.items()):
            if cell.hyperlink is not None:
                lines.append(("link", ws.title, cell.coordinate, cell.hyperlink.target or cell.hyperlink.location or ""))
            if cell.comment is not None:
                lines.append(("comment", ws.title, cell.coordinate, cell.comment.text))
    for dn in wb.defined_names.definedName:
        if dn.name.startswith("_xlnm."):
            continue
        scope = wb.worksheets[dn.localSheetId].title if dn.localSheetId is not None else ""
        lines.append(("name", scope, dn.name))
    return lines


def write_objects(path, lines):
    with open(path, "w", encoding="utf-8", newline="\n") as out:
        for fields in lines:
            out.write("\t".join(escape(f) for f in fields) + "\n")


def make_xlsxwriter(path, constant_memory):
    import xlsxwriter

    wb = xlsxwriter.Workbook(path, {"constant_memory": constant_memory})
    bold = wb.add_format({"bold": True})
    italic = wb.add_format({"italic": True, "font_color": "red"})
    date_fmt = wb.add_format({"num_format": "yyyy-mm-dd"})
    time_fmt = wb.add_format({"num_format": "yyyy-mm-dd hh:mm"})
    pct = wb.add_format({"num_format": "0.00%"})

    strings = RowOrder(wb.add_worksheet("Strings"))
    ws = strings
    for i, text in enumerate(LATIN + CJK):
        ws.write_string(i, 0, text)
        ws.write_string(i, 1, LATIN[0])  # one shared string used many times
    row = len(LATIN + CJK)
    ws.write_rich_string(row, 0, bold, "Rich", " and ", italic, "text")
    ws.write_string(row + 1, 0, "Tab\there and\nnewline")
    ws.write_string(row + 2, 0, "  leading and trailing  ")
    ws.write_string(row + 3, 0, "x" * 300 + " long")
    if not constant_memory:
        ws.write_url(row + 4, 0, "https://example.com/kwsearch", None, "Link text")
        ws.write_string(row + 7, 0, "Commented")
    strings.flush()
    if not constant_memory:
        strings.ws.merge_range(row + 5, 0, row + 6, 2, "Merged cell text")
        strings.ws.write_comment(row + 7, 0, "A comment holding commentword")

    ws = RowOrder(wb.add_worksheet("Numbers"))
    for i, value in enumerate(NUMBERS):
        ws.write_number(i, 0, value)
        ws.write_number(i, 1, value, pct)  # number formats are not applied by the cell text
    for i, value in enumerate(DATES):
        ws.write_datetime(i, 2, value, time_fmt if value.hour else date_fmt)
    ws.write_boolean(0, 3, True)
    ws.write_boolean(1, 3, False)
    ws.flush()

    ws = RowOrder(wb.add_worksheet("Formulas"))
    for i in range(5):
        ws.write_number(i, 0, i + 1)
        ws.write_formula(i, 1, "=A%d*2" % (i + 1), None, (i + 1) * 2)
    ws.write_formula(0, 2, '="Total "&SUM(A1:A5)', None, "Total 15")
    ws.write_formula(1, 2, "=A1<A2", None, True)
    ws.write_formula(2, 2, "=A1>A2", None, False)
    ws.write_formula(3, 2, "=A1/3", None, 1 / 3)
    for i, err in enumerate(ERRORS):
        ws.write_formula(i, 3, "=ERROR.TYPE(%d)" % i, None, err)
    ws.write_array_formula(0, 4, 0, 4, "{=SUM(A1:A5*2)}", None, 30)
    if not constant_memory:  # the followers of a range would be written rows after their row
        ws.write_array_formula(1, 4, 3, 4, "{=A1:A3*10}", None, 10)
    ws.flush()

    if not constant_memory:
        ws = wb.add_worksheet("Corner")
        ws.write_string(0, 0, "First cell")
        ws.write_string(1048575, 16383, "Last cell XFD")
        wb.define_name("TaxRate", "=Numbers!$A$4")
        wb.define_name("Strings!LocalList", "=Strings!$A$1:$A$3")
    wb.close()


def make_openpyxl(path, iso_dates):
    import openpyxl
    from openpyxl.comments import Comment
    from openpyxl.workbook.defined_name import DefinedName

    wb = openpyxl.Workbook()
    wb.iso_dates = iso_dates
    ws = wb.active
    if iso_dates:
        ws.title = "Dates"
        for i, value in enumerate(DATES + [datetime.date(2001, 9, 9)]):
            ws.cell(i + 1, 1, value)
        wb.save(path)
        return
    ws.title = "Werte"
    for i, text in enumerate(LATIN + CJK):
        ws.cell(i + 1, 1, text)
    for i, value in enumerate(NUMBERS):
        ws.cell(i + 1, 2, value)
    for i, value in enumerate(DATES):
        ws.cell(i + 1, 3, value)
    ws.cell(1, 4, True)
    ws.cell(2, 4, False)
    for i, err in enumerate(ERRORS):
        ws.cell(i + 1, 5, err)  # error texts become error cells (t="e")
    ws.cell(20, 1, "Merged text")
    ws.merge_cells("A20:C21")
    link = ws.cell(22, 1, "Hyperlinked text")
    link.hyperlink = "https://example.com/openpyxl"
    note = ws.cell(23, 1, "Has a comment")
    note.comment = Comment("Comment with commentword", "Tester")

    ws2 = wb.create_sheet("数据")
    for i, text in enumerate(CJK):
        ws2.cell(1, i + 1, text)
    ws2.cell(1048576, 16384, "右下角")
    wb.defined_names.append(DefinedName("Rate", attr_text="Werte!$B$4"))
    wb.defined_names.append(DefinedName("CjkRange", attr_text="'数据'!$A$1:$D$1"))
    wb.save(path)


def make_libreoffice(lo, path):
    from com.sun.star.awt.FontWeight import BOLD
    from com.sun.star.table import CellRangeAddress

    doc = lo.new_calc()
    sheets = doc.Sheets
    sheets.getByIndex(0).Name = "Text"
    sheets.insertNewByName("Calc", 1)
    sheets.insertNewByName("Corner", 2)

    ws = sheets.getByName("Text")
    for i, text in enumerate(LATIN + CJK):
        ws.getCellByPosition(0, i).setString(text)
    row = len(LATIN + CJK)
    cell = ws.getCellByPosition(0, row)  # rich text: a bold first word
    cell.setString(RICH_PLAIN)
    cursor = cell.createTextCursor()
    cursor.gotoStart(False)
    cursor.goRight(4, True)
    cursor.CharWeight = BOLD
    cell = ws.getCellByPosition(0, row + 1)  # a URL field inside the cell text
    field = doc.createInstance("com.sun.star.text.TextField.URL")
    field.URL = "https://example.com/libreoffice"
    field.Representation = "LibreOffice link"
    cell.insertTextContent(cell.createTextCursor(), field, False)
    ws.getCellByPosition(0, row + 2).setString("Merged by Calc")
    ws.getCellRangeByName("A%d:C%d" % (row + 3, row + 4)).merge(True)
    ws.getCellByPosition(0, row + 5).setString("Annotated")
    addr = ws.getCellByPosition(0, row + 5).CellAddress
    ws.Annotations.insertNew(addr, "Calc comment with commentword")
    ws.getCellByPosition(0, row + 6).setString("Line one\nline two")

    ws = sheets.getByName("Calc")
    for i, value in enumerate(NUMBERS):
        ws.getCellByPosition(0, i).setValue(float(value))
    formulas = ["=A2+A4", "=A4*2", '="Sum "&SUM(A1:A5)', "=A4>1", "=A4<1", "=1/0", "=NA()", "=SQRT(-1)",
                '="a"+1', "=NOSUCHFUNCTION(1)", "=LEN(\"中文\")", "=A6"]
    for i, f in enumerate(formulas):
        ws.getCellByPosition(1, i).setFormula(f)
    ws.getCellRangeByName("C1:C3").setArrayFormula("A1:A3*10")
    ws.getCellRangeByName("D1").setArrayFormula("SUM(A1:A5*2)")
    fmts = doc.NumberFormats
    locale = doc.CharLocale
    date_key = fmts.queryKey("YYYY-MM-DD", locale, False)
    if date_key == -1:
        date_key = fmts.addNew("YYYY-MM-DD", locale)
    epoch = datetime.datetime(1899, 12, 30)
    for i, value in enumerate(DATES):
        c = ws.getCellByPosition(4, i)
        c.setValue((value - epoch) / datetime.timedelta(days=1))
        c.NumberFormat = date_key
    named = doc.NamedRanges
    named.addNewByName("Budget", "$Calc.$A$1:$A$5", ws.getCellByPosition(0, 0).CellAddress, 0)

    ws = sheets.getByName("Corner")
    ws.getCellByPosition(0, 0).setString("Top left")
    ws.getCellByPosition(16383, 1048575).setString("Bottom right XFD")
    ws.getCellByPosition(16383, 1048575).CharWeight = BOLD
    doc.calculateAll()
    lo.store(doc, path, "Calc MS Excel 2007 XML")
    doc.close(True)
    del CellRangeAddress


def make_shared_formulas(path):
    """xlsxwriter writes every formula whole; the sheet XML is then rewritten so that each marked
    group is one shared formula: the first cell keeps the text with t="shared", ref and si, the
    others keep only t="shared" and si (and every cell its cached value)."""
    import xlsxwriter

    tmp = path + ".tmp"
    wb = xlsxwriter.Workbook(tmp)
    ws = wb.add_worksheet("Shared")
    for i in range(10):
        ws.write_number(i, 0, i + 1)
        ws.write_formula(i, 1, "=A%d*2" % (i + 1), None, (i + 1) * 2)
        ws.write_formula(i, 2, "=B%d+$A$1" % (i + 1), None, (i + 1) * 2 + 1)
        ws.write_formula(i, 3, '="Row "&A%d' % (i + 1), None, "Row %d" % (i + 1))
    for c in range(8):  # a row-wise group: B12:I12 each one above its left neighbour
        ws.write_formula(11, c + 1, "=%s12+1" % chr(ord("A") + c), None, c + 2)
    ws.write_number(11, 0, 1)
    wb.close()

    groups = {  # si: (ref, cells of the group in order)
        0: ("B1:B10", ["B%d" % r for r in range(1, 11)]),
        1: ("C1:C10", ["C%d" % r for r in range(1, 11)]),
        2: ("D1:D10", ["D%d" % r for r in range(1, 11)]),
        3: ("B12:I12", ["%s12" % chr(ord("B") + c) for c in range(8)]),
    }
    group_of = {}
    for si, (rng, refs) in groups.items():
        for k, r in enumerate(refs):
            group_of[r] = (si, rng, k == 0)

    def rewrite(m):
        r = m.group(1)
        if r not in group_of:
            return m.group(0)
        si, rng, master = group_of[r]
        f = '<f t="shared" ref="%s" si="%d">%s</f>' % (rng, si, m.group(3)) if master else '<f t="shared" si="%d"/>' % si
        return m.group(0).replace("<f>%s</f>" % m.group(3), f)

    with zipfile.ZipFile(tmp) as zin, zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as zout:
        for item in zin.infolist():
            data = zin.read(item.filename)
            if item.filename == "xl/worksheets/sheet1.xml":
                text = data.decode("utf-8")
                text = re.sub(r'<c r="([A-Z]+[0-9]+)"([^>]*)><f>([^<]*)</f>', rewrite, text)
                assert text.count('t="shared"') == sum(len(v[1]) for v in groups.values())
                data = text.encode("utf-8")
            zout.writestr(item, data)
    os.remove(tmp)


# name, plain package, password, ooxml_encrypt.py options, opened by LibreOffice in the proof
ENCRYPTED = [
    ("encrypted-agile-sha512", "libreoffice-cells", "Pass wörd 1", ["--method", "agile", "--hash", "SHA512"], True),
    ("encrypted-agile-sha1", "openpyxl-cells", "Sesame",
     ["--method", "agile", "--hash", "SHA1", "--key-bits", "128"], True),
    ("encrypted-standard32", "xlsxwriter-cells", "Standard pw", ["--method", "standard", "--version", "3.2"], True),
    ("encrypted-standard42", "openpyxl-cells", "Standard pw", ["--method", "standard", "--version", "4.2"], False),
    ("encrypted-standard-aes256", "libreoffice-cells", "Long key",
     ["--method", "standard", "--key-bits", "256"], False),
    ("encrypted-velvet", "xlsxwriter-cells", "VelvetSweatshop", ["--method", "agile"], False),
]


def encrypt(plain, out, password, options, seed):
    subprocess.run(["/usr/bin/python3", os.path.join(HERE, "ooxml_encrypt.py"), "--seed", str(seed)] + options
                   + [plain, out, password], check=True)


def prove_msoffcrypto(path, plain, password, checks_verifier=True):
    """msoffcrypto-tool decrypts the file to the plain bytes and refuses the swapped-case password.

    The tool compares whole decrypted values with digests, so it can check neither the password
    nor the HMAC of an agile SHA-1 file (20 digest bytes, 32 decrypted); there it only decrypts,
    and the swapped password must fail to give a package."""
    import io
    import msoffcrypto

    def decrypt(pw):
        with open(path, "rb") as f:
            office = msoffcrypto.OfficeFile(f)
            office.load_key(password=pw, verify_password=checks_verifier)
            out = io.BytesIO()
            office.decrypt(out, verify_integrity=(office.type == "agile" and checks_verifier))
            return out.getvalue()

    with open(plain, "rb") as f:
        assert decrypt(password) == f.read(), "%s: msoffcrypto-tool decrypts other bytes" % path
    try:
        decrypt(password.swapcase())
    except Exception:  # InvalidKeyError, or no valid package from the wrong key
        return
    raise AssertionError("%s: msoffcrypto-tool takes the password in other letter case" % path)


def prove_libreoffice(lo, path, password, expected):
    """LibreOffice opens the file with the password and shows the first expected cell."""
    doc = lo.load(path, password)
    assert doc is not None, "%s: LibreOffice does not open it" % path
    sheet, a1, text = expected[0].split("\t", 2)
    got = doc.Sheets.getByName(sheet).getCellRangeByName(a1).getString()
    doc.close(True)
    assert got == text, "%s: LibreOffice reads %r at %s!%s, not %r" % (path, got, sheet, a1, text)


def make_encrypted():
    for seed, (name, plain, password, options, _) in enumerate(ENCRYPTED, start=2801):
        encrypt(plain + ".xlsx", name + ".xlsx", password, options, seed)
        prove_msoffcrypto(name + ".xlsx", plain + ".xlsx", password, "SHA1" not in options)
        print(name + ".xlsx", os.path.getsize(name + ".xlsx"), "bytes, msoffcrypto-tool agrees")
    profile = tempfile.mkdtemp(prefix="lo-fixtures-encrypted-")
    try:
        with LibreOffice(profile) as lo:
            for name, plain, password, _, by_lo in ENCRYPTED:
                if by_lo:
                    with open(plain + ".tsv", encoding="utf-8") as f:
                        prove_libreoffice(lo, name + ".xlsx", password, f.read().splitlines())
                    print(name + ".xlsx", "opened by LibreOffice")
    finally:
        shutil.rmtree(profile, ignore_errors=True)


LARGE_SIZE = 10000000  # 2,442 segments of 4096 bytes, the last one of 1,664


def make_large(folder):
    """A stored package of exactly LARGE_SIZE bytes (xlsxwriter, padded by the zip comment) and its
    agile encryption with the password "Large pw"."""
    import xlsxwriter

    os.makedirs(folder, exist_ok=True)
    plain = os.path.join(folder, "large-plain.xlsx")
    tmp = plain + ".tmp"

    def build(rows):
        wb = xlsxwriter.Workbook(tmp, {"constant_memory": True})
        ws = wb.add_worksheet("Large")
        for r in range(rows):
            ws.write_string(r, 0, "Row %07d text" % r)
            ws.write_number(r, 1, r * 0.5)
        ws.write_string(rows, 0, "Largekeyword")
        wb.close()
        with zipfile.ZipFile(tmp) as zin, zipfile.ZipFile(plain, "w", zipfile.ZIP_STORED) as zout:
            for item in zin.infolist():
                data = zin.read(item.filename)
                item.compress_type = zipfile.ZIP_STORED
                zout.writestr(item, data)
        os.remove(tmp)
        return os.path.getsize(plain)

    rows, size = 100000, build(100000)
    for _ in range(4):
        if LARGE_SIZE - 60000 <= size <= LARGE_SIZE:
            break
        rows = int(rows * (LARGE_SIZE - 30000) / size)
        size = build(rows)
    assert LARGE_SIZE - 65535 <= size <= LARGE_SIZE, size
    with zipfile.ZipFile(plain, "a") as z:
        z.comment = b"-" * (LARGE_SIZE - size)
    assert os.path.getsize(plain) == LARGE_SIZE
    encrypted = os.path.join(folder, "large-agile.xlsx")
    encrypt(plain, encrypted, "Large pw", ["--method", "agile"], 2900)
    prove_msoffcrypto(encrypted, plain, "Large pw")
    print(encrypted, os.path.getsize(encrypted), "bytes, msoffcrypto-tool agrees")


def png_bytes(width, height, rgb):
    """A small truecolour PNG of one colour."""
    import struct
    import zlib

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    row = b"\0" + bytes(rgb) * width
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(row * height)) + chunk(b"IEND", b""))


def make_xlsxwriter_shapes(path):
    import io
    import xlsxwriter

    wb = xlsxwriter.Workbook(path)
    ws = wb.add_worksheet("Shapes")
    ws.write("A1", "shapes")
    style = {"fill": {"color": "#DDEEFF"}, "gradient": {"colors": ["#FF0000", "#0000FF"]},
             "line": {"color": "red", "width": 1.5, "dash_type": "round_dot"},
             "font": {"bold": True, "italic": True, "size": 14, "name": "Arial"}}
    ws.insert_textbox("C3", "First paragraph\nSecond paragraph", style)
    ws.insert_textbox("C12", "Plain box", {})
    ws.insert_image("H3", "image.png", {"image_data": io.BytesIO(png_bytes(48, 32, (200, 40, 40))),
                                        "object_position": 2})
    wb.close()


def make_openpyxl_picture(path):
    import io
    import openpyxl
    from openpyxl.drawing.image import Image

    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "Pictures"
    ws["A1"] = "picture"
    img = Image(io.BytesIO(png_bytes(20, 10, (10, 120, 200))))
    ws.add_image(img, "B3")
    wb.save(path)


def make_libreoffice_shapes(lo, path, image_path):
    from com.sun.star.awt import Point, Size

    doc = lo.new_calc()
    sheet = doc.Sheets.getByIndex(0)
    sheet.Name = "Shapes"
    sheet.getCellRangeByName("A1").String = "shapes"
    page = sheet.DrawPage

    def add(kind, x, y, w, h, text=None):
        shape = doc.createInstance("com.sun.star.drawing." + kind)
        page.add(shape)
        shape.Position = Point(x, y)
        shape.Size = Size(w, h)
        if text is not None:
            shape.String = text
        cell_anchor(shape)
        return shape

    def cell_anchor(shape):
        # anchored to the cell under its top left corner (written as a two-cell anchor)
        pos = shape.Position
        for r in range(200):
            cell = sheet.getCellByPosition(0, r)
            if cell.Position.Y + cell.Size.Height > pos.Y:
                break
        for c in range(100):
            col = sheet.getCellByPosition(c, r)
            if col.Position.X + col.Size.Width > pos.X:
                break
        shape.Anchor = sheet.getCellByPosition(c, r)

    add("RectangleShape", 2000, 1500, 4000, 2000, "Rectangle text\nsecond line")
    add("EllipseShape", 8000, 1500, 3000, 2000)
    add("TextShape", 2000, 5000, 4000, 1500, "Text box")
    add("LineShape", 8000, 5000, 3000, 1500)
    a = add("RectangleShape", 2000, 9000, 2000, 1000)
    b = add("EllipseShape", 5000, 9000, 2000, 1000)
    group = lo.ctx.ServiceManager.createInstanceWithContext("com.sun.star.drawing.ShapeCollection", lo.ctx)
    group.add(a)
    group.add(b)
    cell_anchor(page.group(group))
    provider = lo.ctx.ServiceManager.createInstanceWithContext("com.sun.star.graphic.GraphicProvider", lo.ctx)
    pic = add("GraphicObjectShape", 12000, 9000, 2000, 1500)
    pic.Graphic = provider.queryGraphic(lo.props(URL="file://" + os.path.abspath(image_path)))
    lo.store(doc, path, "Calc Office Open XML")
    doc.close(True)


def shapes_from_libreoffice(lo, path):
    """LibreOffice's reading of every draw-page shape: sheet, kind, ooxml- preset, start cell, text."""
    doc = lo.load(path)
    lines = []
    try:
        for s in range(doc.Sheets.Count):
            sheet = doc.Sheets.getByIndex(s)
            page = sheet.DrawPage
            for i in range(page.Count):
                shape = page.getByIndex(i)
                kind = shape.ShapeType.rsplit(".", 1)[-1]
                preset = ""
                if kind == "CustomShape":
                    for p in shape.CustomShapeGeometry:
                        if p.Name == "Type":
                            preset = p.Value
                cell = ""
                anchor = shape.Anchor
                if hasattr(anchor, "CellAddress"):
                    a = anchor.CellAddress
                    cell = xl_cell(a.Row, a.Column)
                text = shape.String if hasattr(shape, "String") else ""
                lines.append([sheet.Name, kind, preset, cell, text])
    finally:
        doc.close(True)
    return lines


def xl_cell(row, col):
    letters = ""
    col += 1
    while col:
        col, r = divmod(col - 1, 26)
        letters = chr(65 + r) + letters
    return "%s%d" % (letters, row + 1)


def pictures_from_openpyxl(path):
    import openpyxl

    lines = []
    wb = openpyxl.load_workbook(path)
    for ws in wb.worksheets:
        for img in ws._images:
            a = img.anchor
            kind = type(a).__name__
            start = xl_cell(a._from.row, a._from.col)
            end = xl_cell(a.to.row, a.to.col) if kind == "TwoCellAnchor" else ""
            lines.append([ws.title, {"TwoCellAnchor": "twoCell", "OneCellAnchor": "oneCell"}.get(kind, "absolute"),
                          start, end, img.format.lower()])
    return lines


def write_lines(path, lines):
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        for line in lines:
            f.write("\t".join(escape(str(x)) for x in line) + "\n")


def stored_copy(src, dst):
    with zipfile.ZipFile(src) as zin, zipfile.ZipFile(dst, "w", zipfile.ZIP_STORED) as zout:
        for item in zin.infolist():
            data = zin.read(item.filename)
            item.compress_type = zipfile.ZIP_STORED
            zout.writestr(item, data)


def make_drawings():
    make_xlsxwriter_shapes("xlsxwriter-shapes.xlsx")
    make_openpyxl_picture("openpyxl-picture.xlsx")
    profile = tempfile.mkdtemp(prefix="lo-fixtures-drawing-")
    image = os.path.join(profile, "picture.png")
    with open(image, "wb") as f:
        f.write(png_bytes(30, 30, (40, 160, 40)))
    try:
        subprocess.run(["soffice", "-env:UserInstallation=file://" + profile, "--headless", "--convert-to", "xlsx",
                        "--outdir", profile, "xlsxwriter-shapes.xlsx"], check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        shutil.copy(os.path.join(profile, "xlsxwriter-shapes.xlsx"), "libreoffice-resaved-shapes.xlsx")
        with LibreOffice(profile) as lo:
            make_libreoffice_shapes(lo, "libreoffice-shapes.xlsx", image)
            for name in ("libreoffice-shapes.xlsx", "libreoffice-resaved-shapes.xlsx", "xlsxwriter-shapes.xlsx"):
                write_lines(name[:-5] + ".shapes", shapes_from_libreoffice(lo, name))
    finally:
        shutil.rmtree(profile, ignore_errors=True)
    stored_copy("libreoffice-shapes.xlsx", "libreoffice-shapes-stored.xlsx")
    for name in ("xlsxwriter-shapes.xlsx", "libreoffice-shapes.xlsx", "libreoffice-resaved-shapes.xlsx",
                 "openpyxl-picture.xlsx"):
        write_lines(name[:-5] + ".pictures", pictures_from_openpyxl(name))
        print(name, os.path.getsize(name), "bytes")


def main():
    os.chdir(HERE)
    if sys.argv[1:2] == ["--drawings"]:
        return make_drawings()
    if sys.argv[1:2] == ["--encrypted"]:
        return make_encrypted()
    if sys.argv[1:2] == ["--large"]:
        return make_large(os.path.abspath(sys.argv[2]))
    made = []
    make_xlsxwriter("xlsxwriter-cells.xlsx", False)
    make_xlsxwriter("xlsxwriter-inline.xlsx", True)
    make_openpyxl("openpyxl-cells.xlsx", False)
    make_openpyxl("openpyxl-isodates.xlsx", True)
    make_shared_formulas("shared-formulas.xlsx")
    made += ["xlsxwriter-cells.xlsx", "xlsxwriter-inline.xlsx", "openpyxl-cells.xlsx", "openpyxl-isodates.xlsx",
             "shared-formulas.xlsx"]
    profile = tempfile.mkdtemp(prefix="lo-fixtures-bench-")
    try:
        with LibreOffice(profile) as lo:
            make_libreoffice(lo, "libreoffice-cells.xlsx")
    finally:
        shutil.rmtree(profile, ignore_errors=True)
    made.append("libreoffice-cells.xlsx")
    subprocess.run(["ssconvert", "-T", "Gnumeric_Excel:xlsx", "openpyxl-cells.xlsx", "gnumeric-cells.xlsx"],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    made.append("gnumeric-cells.xlsx")
    with zipfile.ZipFile("xlsxwriter-cells.xlsx") as zin, \
            zipfile.ZipFile("xlsxwriter-stored.xlsx", "w", zipfile.ZIP_STORED) as zout:
        for item in zin.infolist():
            data = zin.read(item.filename)
            item.compress_type = zipfile.ZIP_STORED
            zout.writestr(item, data)
    made.append("xlsxwriter-stored.xlsx")
    for name in made:
        write_tsv(name[:-5] + ".tsv", expected_from_openpyxl(name))
        objects = objects_from_openpyxl(name)
        if objects:
            write_objects(name[:-5] + ".objects", objects)
        print(name, os.path.getsize(name), "bytes")
    make_encrypted()


if __name__ == "__main__":
    main()
