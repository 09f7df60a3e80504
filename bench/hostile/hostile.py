#!/usr/bin/python3
"""Hostile inputs for the search and the spreadsheet engine, at two sizes, and their cost.

  hostile.py list                                   names of the inputs
  hostile.py make DIR [--size n|4n] [NAME ...]      writes the inputs (all, or the names given)
  hostile.py bench [--bin DIR] [--mem-limit GIB] [NAME ...]
                                                    makes both sizes under /tmp and prints time and
                                                    peak memory of search_tree and xls_cells
  hostile.py check NAME --bin DIR --out DIR         makes the small size of one input and runs
                                                    both tools over it: each must end by itself,
                                                    with success or a clean error (exit 1)

Every input is written by this script from the Python standard library: zip packages through
zipfile, compound files (legacy workbooks, Word documents) through the small writer below
(version 4, 4096-byte sectors, every stream at least 4096 bytes so that no mini stream is needed).
"""
import argparse
import os
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import time
import zipfile

NS_MAIN = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
NS_REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
NS_PKG = "http://schemas.openxmlformats.org/package/2006/relationships"
NS_W = "http://schemas.openxmlformats.org/wordprocessingml/2006/main"
NS_A = "http://schemas.openxmlformats.org/drawingml/2006/main"
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
CT_MAIN = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"
CT_SHEET = "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"
CT_SST = "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"
CT_THEME = "application/vnd.openxmlformats-officedocument.theme+xml"
CT_COMMENTS = "application/vnd.openxmlformats-officedocument.spreadsheetml.comments+xml"
CT_DOC = "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"
KEY = "needle"  # every workbook that loads holds it in A1 of its first sheet unless said otherwise


# ---- zip packages -------------------------------------------------------------------------------

def col_name(c):
    s = ""
    c += 1
    while c:
        c, r = divmod(c - 1, 26)
        s = chr(65 + r) + s
    return s


def write_zip(path, parts):
    """parts: list of (name, bytes or str); deflated."""
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as z:
        for name, data in parts:
            z.writestr(name, data.encode() if isinstance(data, str) else data)


def workbook(path, sheets, sst=None, extra_parts=(), extra_types=(), wb_rels=(), sheet_rels=None):
    """A package of worksheets. sheets: list of worksheet XML texts (or None for an empty one).
    sst: list of <si> contents. wb_rels: (type, target) more workbook relationships.
    sheet_rels: {index: [(id, type, target)]}."""
    types = [f'<Override PartName="/xl/workbook.xml" ContentType="{CT_MAIN}"/>']
    rels = []
    book = [f'<workbook xmlns="{NS_MAIN}" xmlns:r="{NS_REL}"><sheets>']
    parts = []
    for i, xml in enumerate(sheets):
        n = i + 1
        types.append(f'<Override PartName="/xl/worksheets/sheet{n}.xml" ContentType="{CT_SHEET}"/>')
        rels.append(f'<Relationship Id="rId{n}" Type="{REL}worksheet" Target="worksheets/sheet{n}.xml"/>')
        book.append(f'<sheet name="S{n}" sheetId="{n}" r:id="rId{n}"/>')
        parts.append((f"xl/worksheets/sheet{n}.xml",
                      xml if xml is not None else f'<worksheet xmlns="{NS_MAIN}"><sheetData/></worksheet>'))
        if sheet_rels and i in sheet_rels:
            body = "".join(f'<Relationship Id="{rid}" Type="{REL}{t}" Target="{tg}"/>' for rid, t, tg in sheet_rels[i])
            parts.append((f"xl/worksheets/_rels/sheet{n}.xml.rels", f'<Relationships xmlns="{NS_PKG}">{body}</Relationships>'))
    book.append("</sheets></workbook>")
    k = len(sheets)
    if sst is not None:
        k += 1
        types.append(f'<Override PartName="/xl/sharedStrings.xml" ContentType="{CT_SST}"/>')
        rels.append(f'<Relationship Id="rId{k}" Type="{REL}sharedStrings" Target="sharedStrings.xml"/>')
        parts.append(("xl/sharedStrings.xml", f'<sst xmlns="{NS_MAIN}" count="{len(sst)}" uniqueCount="{len(sst)}">'
                      + "".join(f"<si>{s}</si>" for s in sst) + "</sst>"))
    for t, target in wb_rels:
        k += 1
        rels.append(f'<Relationship Id="rId{k}" Type="{REL}{t}" Target="{target}"/>')
    types.extend(extra_types)
    head = [("[Content_Types].xml",
             '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
             '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
             '<Default Extension="xml" ContentType="application/xml"/>' + "".join(types) + "</Types>"),
            ("_rels/.rels", f'<Relationships xmlns="{NS_PKG}"><Relationship Id="rId1" '
             f'Type="{REL}officeDocument" Target="xl/workbook.xml"/></Relationships>'),
            ("xl/workbook.xml", "".join(book)),
            ("xl/_rels/workbook.xml.rels", f'<Relationships xmlns="{NS_PKG}">' + "".join(rels) + "</Relationships>")]
    write_zip(path, head + parts + list(extra_parts))


def sheet(rows_xml, root_attrs=""):
    return f'<worksheet xmlns="{NS_MAIN}"{root_attrs}><sheetData>{rows_xml}</sheetData></worksheet>'


def key_row():
    return f'<row r="1"><c r="A1" t="inlineStr"><is><t>{KEY}</t></is></c></row>'


def numbers(first_row, count, width=10):
    """`count` numeric cells in rows of `width` from `first_row` on."""
    out = []
    for r in range((count + width - 1) // width):
        cells = "".join(f'<c r="{col_name(c)}{first_row + r}"><v>{r * width + c}</v></c>'
                        for c in range(min(width, count - r * width)))
        out.append(f'<row r="{first_row + r}">{cells}</row>')
    return "".join(out)


# ---- compound files and legacy records ----------------------------------------------------------

def compound(path, streams):
    """A version 4 compound file holding `streams` ({name: bytes}) in the root storage."""
    SEC, END, FREE, FATSEC = 4096, 0xFFFFFFFE, 0xFFFFFFFF, 0xFFFFFFFD
    names = sorted(streams, key=lambda s: (len(s), s.upper()))
    data = [streams[n] + b"\0" * max(0, 4096 - len(streams[n])) for n in names]
    data = [d + b"\0" * (-len(d) % SEC) for d in data]
    starts, sec = [], 0
    for d in data:
        starts.append(sec)
        sec += len(d) // SEC
    entries = len(names) + 1
    dir_secs = (entries * 128 + SEC - 1) // SEC
    dir_start = sec
    sec += dir_secs
    fat_secs = 1
    while fat_secs * (SEC // 4) < sec + fat_secs:
        fat_secs += 1
    if fat_secs > 109:
        raise ValueError("compound file too large for this writer")
    fat = []
    for d, s in zip(data, starts):
        k = len(d) // SEC
        fat += [s + i + 1 for i in range(k - 1)] + [END]
    fat += [dir_start + i + 1 for i in range(dir_secs - 1)] + [END]
    fat += [FATSEC] * fat_secs
    fat += [FREE] * (fat_secs * (SEC // 4) - len(fat))

    def entry(name, kind, child, right, start, size):
        u = name.encode("utf-16-le")
        return (u + b"\0" * (64 - len(u)) + struct.pack("<HBBIII", len(u) + 2 if name else 0, kind, 1,
                                                          FREE, right, child)
                + b"\0" * 16 + b"\0" * 4 + b"\0" * 16 + struct.pack("<IQ", start, size))

    d = entry("Root Entry", 5, 1 if names else FREE, FREE, END, 0)
    for i, n in enumerate(names):
        d += entry(n, 2, FREE, i + 2 if i + 1 < len(names) else FREE, starts[i], len(streams[n]))
    d += b"\0" * (dir_secs * SEC - len(d))
    difat = [sec + i for i in range(fat_secs)] + [FREE] * (109 - fat_secs)
    header = (bytes.fromhex("D0CF11E0A1B11AE1") + b"\0" * 16 + struct.pack("<HHHHH", 0x3E, 4, 0xFFFE, 12, 6)
              + b"\0" * 6 + struct.pack("<IIIIIIIII", dir_secs, fat_secs, dir_start, 0, 4096, END, 0, END, 0)
              + struct.pack("<109I", *difat))
    with open(path, "wb") as f:
        f.write(header + b"\0" * (SEC - len(header)))
        for x in data:
            f.write(x)
        f.write(d)
        f.write(struct.pack(f"<{len(fat)}I", *fat))


def rec(rid, body):
    return struct.pack("<HH", rid, len(body)) + body


def biff8_book(path, cells):
    """A BIFF8 workbook of one sheet whose cell records are `cells` (record bytes)."""
    bof = lambda t: rec(0x0809, struct.pack("<HHHHII", 0x0600, t, 0x0DBB, 0x07CC, 0, 6))
    sheet_name = b"S1"
    bound = lambda pos: rec(0x0085, struct.pack("<IBBBB", pos, 0, 0, len(sheet_name), 0) + sheet_name)
    globals_len = len(bof(5)) + len(bound(0)) + 4
    label = rec(0x0204, struct.pack("<HHHHB", 0, 0, 0, len(KEY), 0) + KEY.encode())
    ws = bof(5) + bound(globals_len) + rec(0x000A, b"") + bof(0x10) + label + b"".join(cells) + rec(0x000A, b"")
    compound(path, {"Workbook": ws})


def number(row, col, value):
    return rec(0x0203, struct.pack("<HHHd", row, col, 0, value))


# ---- Word documents ------------------------------------------------------------------------------

def doc_page_listed(path, times):
    """A .doc whose PlcBteChpx lists one property page `times` times; the page marks 101 runs."""
    text = f"visible {KEY} text".encode("cp1252")
    word = bytearray(0x400)
    struct.pack_into("<HH", word, 0, 0xA5EC, 0xC1)
    struct.pack_into("<H", word, 0x0A, 0x0200)
    struct.pack_into("<H", word, 0x20, 14)
    struct.pack_into("<H", word, 0x3E, 22)
    struct.pack_into("<H", word, 0x98, 0x5D)
    struct.pack_into("<I", word, 0x4C, len(text))
    fc = len(word)
    word += text
    word += b"\0" * (-len(word) % 512)
    page_no = len(word) // 512
    page = bytearray(512)
    crun = 101
    for r in range(crun + 1):
        struct.pack_into("<I", page, 4 * r, fc + r * 3)
    for r in range(crun):
        page[4 * (crun + 1) + r] = 0xF8 if r % 2 else 0  # odd runs carry the CHPX at 0x1F0
    page[0x1F0:0x1F4] = b"\x03\x00\x08\x00"  # sprmCFRMarkDel 0: marked, not deleted
    page[511] = crun
    word += page
    table = bytearray()
    clx = len(table)
    plc = struct.pack("<II", 0, len(text)) + struct.pack("<HIH", 0, (fc * 2) | 0x40000000, 0)
    table += b"\x02" + struct.pack("<I", len(plc)) + plc
    bte = len(table)
    table += b"\0" * (4 * (times + 1)) + struct.pack("<I", page_no) * times
    struct.pack_into("<II", word, 0x9A + 12 * 8, bte, len(table) - bte)
    struct.pack_into("<II", word, 0x9A + 33 * 8, clx, bte - clx)
    compound(path, {"WordDocument": bytes(word), "1Table": bytes(table)})


def docx_prefix_per_element(path, paragraphs):
    body = "".join(f'<p{i}:p xmlns:p{i}="{NS_W}"><p{i}:r><p{i}:t>para {i}</p{i}:t></p{i}:r></p{i}:p>'
                   for i in range(paragraphs))
    main = f'<w:document xmlns:w="{NS_W}"><w:body>{body}<w:p><w:r><w:t>{KEY}</w:t></w:r></w:p></w:body></w:document>'
    write_zip(path, [("[Content_Types].xml",
                      '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
                      '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
                      f'<Override PartName="/word/document.xml" ContentType="{CT_DOC}"/></Types>'),
                     ("_rels/.rels", f'<Relationships xmlns="{NS_PKG}"><Relationship Id="rId1" '
                      f'Type="{REL}officeDocument" Target="word/document.xml"/></Relationships>'),
                     ("word/document.xml", main)])


# ---- the inputs ----------------------------------------------------------------------------------
# Each maker takes the output folder and the scale (1 for n, 4 for 4n) and writes its files there.

def make_special(out, scale):
    """A FIFO, a socket and device links under searched names (the same at both sizes)."""
    for name in ("fifo.xlsx", "fifo.xls", "fifo.txt", "fifo.pdf", "fifo.doc", "fifo.docx"):
        os.mkfifo(os.path.join(out, name))
    for name, target in (("zero.xlsx", "/dev/zero"), ("zero.doc", "/dev/zero"), ("zero.pdf", "/dev/zero"),
                         ("urandom.txt", "/dev/urandom"), ("urandom.xls", "/dev/urandom")):
        os.symlink(target, os.path.join(out, name))
    s = socket.socket(socket.AF_UNIX)
    s.bind(os.path.join(out, "socket.xlsx"))
    s.close()  # the socket file stays


def make_sparse(out, scale):
    with open(os.path.join(out, "sparse.xlsx"), "wb") as f:
        f.truncate(3 * scale << 30)


def make_sparse_signatures(out, scale):
    """Sparse files of 2 GiB (n) or 8 GiB (4n) that start as a workbook: a zip or compound-file
    signature alone, and a sound package / legacy workbook, each followed by holes."""
    size = 2 * scale << 30
    book = os.path.join(out, "package_then_holes.xlsx")
    workbook(book, [sheet(key_row())])
    # 500 cells: a Workbook stream over 4096 bytes, which the compound-file writer needs
    biff8_book(os.path.join(out, "workbook_then_holes.xls"), [number(1 + i // 10, i % 10, i) for i in range(500)])
    with open(os.path.join(out, "zip_signature.xlsx"), "wb") as f:
        f.write(b"PK\x03\x04")
    with open(os.path.join(out, "cfb_signature.xls"), "wb") as f:
        f.write(bytes.fromhex("D0CF11E0A1B11AE1"))
    for name in ("package_then_holes.xlsx", "workbook_then_holes.xls", "zip_signature.xlsx", "cfb_signature.xls"):
        with open(os.path.join(out, name), "r+b") as f:
            f.truncate(size)


def make_rtl_row(out, scale):
    # n: rows of 4,096 columns; 4n: of 16,384 (the whole width). 40 rows, each written right to left.
    width = 4096 * scale
    rows = []
    for r in range(1, 41):
        cells = "".join(f'<c r="{col_name(c)}{r + 1}"><v>{c}</v></c>' for c in range(width - 1, -1, -1))
        rows.append(f'<row r="{r + 1}">{cells}</row>')
    workbook(os.path.join(out, "rtl_row.xlsx"), [sheet(key_row() + "".join(rows))])


def make_shared_string_cells(out, scale):
    cells = 20000 * scale
    rows = "".join(f'<row r="{r + 2}"><c r="A{r + 2}" t="s"><v>0</v></c></row>' for r in range(cells))
    workbook(os.path.join(out, "shared_string_cells.xlsx"), [sheet(key_row() + rows)],
             sst=["<t>" + "x" * 1000000 + "</t>"])


def make_docx_prefixes(out, scale):
    docx_prefix_per_element(os.path.join(out, "prefix_per_element.docx"), 50000 * scale)


def make_unused_prefixes(out, scale):
    attrs = "".join(f' xmlns:u{i}="urn:unused:{i}"' for i in range(40000 * scale))
    workbook(os.path.join(out, "unused_prefixes.xlsx"), [sheet(key_row() + numbers(2, 10000 * scale), attrs)])


def make_doc_pages(out, scale):
    doc_page_listed(os.path.join(out, "page_listed.doc"), 1000000 * scale)


def make_rels_one_part(out, scale):
    # 8 (n) or 32 (4n) relationships of the workbook name one part of 200 MiB.
    big = b"<x>" + b" " * (200 << 20) + b"</x>"
    rels = [("customXml", "../customXml/item1.xml")] * (8 * scale)
    workbook(os.path.join(out, "rels_one_part.xlsx"), [sheet(key_row())], wb_rels=rels,
             extra_parts=[("customXml/item1.xml", big)])


def make_theme_elements(out, scale):
    theme = f'<a:theme xmlns:a="{NS_A}" name="T"><a:themeElements>'.encode() + b"<a:x/>" * (10000000 * scale) \
        + b"</a:themeElements></a:theme>"
    workbook(os.path.join(out, "theme_elements.xlsx"), [sheet(key_row())], wb_rels=[("theme", "theme/theme1.xml")],
             extra_types=[f'<Override PartName="/xl/theme/theme1.xml" ContentType="{CT_THEME}"/>'],
             extra_parts=[("xl/theme/theme1.xml", theme)])


def make_array_formulas(out, scale):
    count = 240000 * scale
    rows = []
    for r in range(count // 10):
        cells = "".join(f'<c r="{col_name(c)}{r + 2}"><f t="array" ref="{col_name(c)}{r + 2}">1+{c}</f><v>{1 + c}</v></c>'
                        for c in range(10))
        rows.append(f'<row r="{r + 2}">{cells}</row>')
    workbook(os.path.join(out, "array_formulas.xlsx"), [sheet(key_row() + "".join(rows))])


def make_empty_sheets(out, scale):
    workbook(os.path.join(out, "empty_sheets.xlsx"), [sheet(key_row())] + [None] * (100000 * scale - 1))


def make_picture_many_drawings(out, scale):
    """250 (n) or 1,000 (4n) sheets whose drawings all name one picture of 1 MiB."""
    import random
    count = 250 * scale
    picture = random.Random(17).randbytes(1 << 20)  # incompressible: the package holds it once
    sheets, rels, parts = [], {}, []
    for i in range(count):
        sheets.append(sheet(key_row() if i == 0 else "").replace("</sheetData>", '</sheetData><drawing r:id="rIdD"/>')
                      .replace(f'xmlns="{NS_MAIN}"', f'xmlns="{NS_MAIN}" xmlns:r="{NS_REL}"', 1))
        rels[i] = [("rIdD", "drawing", f"../drawings/drawing{i + 1}.xml")]
        parts.append((f"xl/drawings/drawing{i + 1}.xml",
                      '<xdr:wsDr xmlns:xdr="http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing"/>'))
        parts.append((f"xl/drawings/_rels/drawing{i + 1}.xml.rels",
                      f'<Relationships xmlns="{NS_PKG}"><Relationship Id="rIdP" Type="{REL}image" '
                      'Target="../media/image1.png"/></Relationships>'))
    parts.append(("xl/media/image1.png", picture))
    workbook(os.path.join(out, "picture_many_drawings.xlsx"), sheets, sheet_rels=rels, extra_parts=parts)


def make_comments(out, scale):
    count = 100000 * scale
    body = "".join(f'<comment ref="{col_name(i % 100)}{i // 100 + 2}" authorId="0"><text><t>c{i}</t></text></comment>'
                   for i in range(count))
    comments = f'<comments xmlns="{NS_MAIN}"><authors><author>a</author></authors><commentList>{body}</commentList></comments>'
    workbook(os.path.join(out, "comments.xlsx"), [sheet(key_row() + numbers(2, count, 100))],
             sheet_rels={0: [("rId1", "comments", "../comments1.xml")]},
             extra_types=[f'<Override PartName="/xl/comments1.xml" ContentType="{CT_COMMENTS}"/>'],
             extra_parts=[("xl/comments1.xml", comments)])


def make_long_shared_string(out, scale):
    text = "y" * (2000000 * scale)
    workbook(os.path.join(out, "long_shared_string.xlsx"),
             [sheet(key_row() + '<row r="2"><c r="A2" t="s"><v>0</v></c></row>')], sst=[f"<t>{text}</t>"])


def make_legacy_damaged(out, scale):
    good = [number(1 + i // 10, i % 10, float(i)) for i in range(10000 * scale)]
    short = rec(0x0203, struct.pack("<HHHH", 2, 11, 0, 0))  # a NUMBER record of 8 bytes
    far = number(3, 40000, 1.0)                              # a cell at column 40,000
    biff8_book(os.path.join(out, "legacy_short_number.xls"), good[:5] + [short] + good[5:])
    biff8_book(os.path.join(out, "legacy_far_column.xls"), good[:5] + [far] + good[5:])


def make_reading_differences(out, scale):
    """The small packages of the reading differences, each cell repeated 1,000 (n) or 4,000 times."""
    count = 1000 * scale
    rep = lambda cell: "".join(f'<row r="{r + 2}">{cell.format(r=r + 2)}</row>' for r in range(count))
    workbook(os.path.join(out, "sst_plain_before_runs.xlsx"),
             [sheet(key_row() + rep('<c r="A{r}" t="s"><v>0</v></c>'))], sst=["<t>a</t><r><t>b</t></r>"])
    workbook(os.path.join(out, "date_time_only.xlsx"), [sheet(key_row() + rep('<c r="A{r}" t="d"><v>10:10:10</v></c>'))])
    workbook(os.path.join(out, "crlf_text.xlsx"),
             [sheet(key_row() + rep('<c r="A{r}" t="inlineStr"><is><t>one\r\ntwo\rthree&#13;</t></is></c>'))])
    workbook(os.path.join(out, "xhhhh_escapes.xlsx"),
             [sheet(key_row() + rep('<c r="A{r}" t="inlineStr"><is><t>ABC_x000D_ _x005F_x0041_</t></is></c>'))])
    # A part whose stored CRC-32 is wrong: the sheet's bytes are changed after the zip was written.
    path = os.path.join(out, "crc_mismatch.xlsx")
    workbook(path, [sheet(key_row() + rep('<c r="A{r}"><v>7</v></c>'))])
    with zipfile.ZipFile(path) as z:
        entries = [(i, z.read(i.filename)) for i in z.infolist()]
    with zipfile.ZipFile(path, "w", zipfile.ZIP_STORED) as z:
        for info, data in entries:
            info.compress_type = zipfile.ZIP_STORED
            z.writestr(info, data)
    blob = bytearray(open(path, "rb").read())
    at = blob.find(b"<v>7</v>")
    blob[at + 3] = ord("8")  # same length, other bytes: only the CRC tells
    open(path, "wb").write(bytes(blob))


INPUTS = {
    "special_files": make_special,
    "sparse_file": make_sparse,
    "sparse_signatures": make_sparse_signatures,
    "rtl_row": make_rtl_row,
    "shared_string_cells": make_shared_string_cells,
    "prefix_per_element": make_docx_prefixes,
    "unused_prefixes": make_unused_prefixes,
    "page_listed": make_doc_pages,
    "rels_one_part": make_rels_one_part,
    "theme_elements": make_theme_elements,
    "array_formulas": make_array_formulas,
    "empty_sheets": make_empty_sheets,
    "picture_many_drawings": make_picture_many_drawings,
    "comments": make_comments,
    "long_shared_string": make_long_shared_string,
    "legacy_damaged": make_legacy_damaged,
    "reading_differences": make_reading_differences,
}

MASKS = "*.xlsx,*.xls,*.doc,*.docx,*.wps,*.pdf,*.txt,*.pas"


def make(out, names, scale):
    os.makedirs(out, exist_ok=True)
    for name in names:
        folder = os.path.join(out, name)
        os.makedirs(folder, exist_ok=True)
        INPUTS[name](folder, scale)


# ---- running the tools ---------------------------------------------------------------------------

def tool_runs(folder, bindir):
    """The commands run over one input folder: search_tree over the folder, xls_cells per workbook."""
    # A keyword that no file holds, so that the search reads every cell and every text.
    runs = [("search_tree", [os.path.join(bindir, "search_tree"), folder, MASKS, "nosuchtext"])]
    for f in sorted(os.listdir(folder)):
        # xls_cells prints every cell: over 20,000 cells of one 1,000,000-character string it would
        # measure 20 GB of printing, not the load; the search over them is what search_tree shows.
        if f == "shared_string_cells.xlsx":
            continue
        if f.lower().endswith((".xlsx", ".xls")):
            runs.append((f"xls_cells {f}", [os.path.join(bindir, "xls_cells"), os.path.join(folder, f)]))
    return runs


def measured(cmd, mem_limit, timeout):
    """Runs cmd under /usr/bin/time, which reports the peak resident memory of the tool itself
    (a child forked from this script would count the script's own memory); returns
    (exit code, "signal" or "timeout"; seconds; peak KiB)."""
    import resource

    def limit():
        if mem_limit:
            resource.setrlimit(resource.RLIMIT_AS, (mem_limit, mem_limit))
    with tempfile.NamedTemporaryFile("r") as report:
        start = time.monotonic()
        p = subprocess.Popen(["/usr/bin/time", "-o", report.name, "-f", "%x %M"] + cmd, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL, preexec_fn=limit)
        try:
            p.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            subprocess.run(["pkill", "-KILL", "-P", str(p.pid)])  # the tool, child of our time process
            p.wait()
            return "timeout", time.monotonic() - start, 0
        seconds = time.monotonic() - start
        text = report.read()
    fields = text.split()
    if "signal" in text or len(fields) < 2 or not fields[-2].isdigit():
        return "signal", seconds, int(fields[-1]) if fields and fields[-1].isdigit() else 0
    code = int(fields[-2])
    return code, seconds, int(fields[-1])


def bench(args):
    names = args.names or list(INPUTS)
    root = tempfile.mkdtemp(prefix="hostile-", dir=args.tmp)
    try:
        rows = []
        for name in names:
            results = {}
            for label, scale in (("n", 1), ("4n", 4)):
                out = os.path.join(root, label)
                t0 = time.monotonic()
                make(out, [name], scale)
                gen = time.monotonic() - t0
                for tool, cmd in tool_runs(os.path.join(out, name), args.bin):
                    results.setdefault(tool, {})[label] = measured(cmd, args.mem_limit << 30, args.timeout)
                print(f"# {name} {label}: made in {gen:.1f} s", file=sys.stderr, flush=True)
                shutil.rmtree(os.path.join(out, name))
            for tool, r in results.items():
                rows.append((name, tool, r.get("n"), r.get("4n")))
        print(f"{'input':22} {'tool':34} {'n: s':>8} {'MB':>7} {'exit':>7} {'4n: s':>8} {'MB':>7} {'exit':>7} {'ratio':>6}")
        for name, tool, n, n4 in rows:
            ratio = f"{n4[1] / n[1]:.1f}" if n and n4 and n[1] > 0.05 else "-"
            fmt = lambda r: f"{r[1]:8.2f} {r[2] / 1024:7.0f} {str(r[0]):>7}" if r else " " * 24
            print(f"{name:22} {tool:34} {fmt(n)} {fmt(n4)} {ratio:>6}")
    finally:
        shutil.rmtree(root, ignore_errors=True)


def check(args):
    """The small size of one input through both tools: each must end with 0 or 1 (a clean error),
    never a signal, a sanitizer report or the timeout."""
    out = args.out
    shutil.rmtree(out, ignore_errors=True)
    make(out, [args.name], 1)
    failed = False
    for tool, cmd in tool_runs(os.path.join(out, args.name), args.bin):
        start = time.monotonic()
        try:
            p = subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=args.timeout)
            code, err = p.returncode, p.stderr.decode(errors="replace")
        except subprocess.TimeoutExpired:
            code, err = "timeout", ""
        seconds = time.monotonic() - start
        clean = code in (0, 1) and "Sanitizer" not in err and "runtime error" not in err
        if tool == "search_tree" and code != 0:
            clean = False  # the search always ends normally
        print(f"{tool}: exit {code} in {seconds:.2f} s{'' if clean else '  FAILED'}")
        if not clean:
            print(err[-4000:])
            failed = True
    shutil.rmtree(out, ignore_errors=True)
    return 1 if failed else 0


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = ap.add_subparsers(dest="cmd", required=True)
    sub.add_parser("list")
    m = sub.add_parser("make")
    m.add_argument("out")
    m.add_argument("--size", choices=("n", "4n"), default="n")
    m.add_argument("names", nargs="*")
    b = sub.add_parser("bench")
    here = os.path.dirname(os.path.abspath(__file__))
    b.add_argument("--bin", default=os.path.join(here, "..", "..", "build-rel", "bench"))
    b.add_argument("--mem-limit", type=int, default=6, help="address-space limit per run, GiB (0: none)")
    b.add_argument("--timeout", type=float, default=120)
    b.add_argument("--tmp", default=None)
    b.add_argument("names", nargs="*")
    c = sub.add_parser("check")
    c.add_argument("name", choices=list(INPUTS))
    c.add_argument("--bin", required=True)
    c.add_argument("--out", required=True)
    c.add_argument("--timeout", type=float, default=55)
    args = ap.parse_args()
    if args.cmd == "list":
        print("\n".join(INPUTS))
    elif args.cmd == "make":
        make(args.out, args.names or list(INPUTS), 1 if args.size == "n" else 4)
    elif args.cmd == "bench":
        bench(args)
    else:
        sys.exit(check(args))


if __name__ == "__main__":
    main()
