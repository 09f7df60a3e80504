#!/usr/bin/python3
"""Writes lo-macros.xls, a legacy workbook with a VBA project, and lo-macros.expect, the `macro`
lines of xls_dump as LibreOffice reads the project back.

    /usr/bin/python3 tests/data/xls-macros/make_fixtures.py

The script writes lo-macros.xlsm itself: a macro-enabled package of one sheet whose
xl/vbaProject.bin holds a VBA project (MS-OVBA) that this script compresses and stores: a long
standard module "Modul\xe4" with Latin-1 text (code page 1252) and the document modules
"ThisWorkbook" and "Sheet1". LibreOffice (soffice --headless) imports the package with its Basic
code and converts it to lo-macros.xls, writing _VBA_PROJECT_CUR itself. lo-macros.expect is what
LibreOffice then reads from lo-macros.xls through python3-uno: per module its name, its type and
its source without the two lines LibreOffice puts on top (lo_read.py), in the form of xls_dump's
`macro` line less the attributes field (LibreOffice does not show the Attribute lines).
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import lo_read  # noqa: E402

# ---- MS-OVBA compression ---------------------------------------------------------------------


def compress_chunk(chunk):
    out = bytearray()
    d = 0
    while d < len(chunk):
        flag_at = len(out)
        out.append(0)
        for bit in range(8):
            if d >= len(chunk):
                break
            bit_count = 4
            while (1 << bit_count) < d:
                bit_count += 1
            max_len = min((0xFFFF >> bit_count) + 3, len(chunk) - d)
            best_len, best_off = 0, 0
            # Longest match that starts before d in this chunk (it may run into d).
            n = 3
            while n <= max_len:
                p = chunk.rfind(chunk[d:d + n], max(0, d - (1 << bit_count)), d + n - 1)
                if p < 0 or p >= d:
                    break
                best_len, best_off = n, d - p
                n += 1
            if best_len >= 3:
                out += struct.pack("<H", ((best_off - 1) << (16 - bit_count)) | (best_len - 3))
                out[flag_at] |= 1 << bit
                d += best_len
            else:
                out.append(chunk[d])
                d += 1
    return bytes(out)


def compress(data):
    out = bytearray(b"\x01")
    for at in range(0, len(data), 4096):
        chunk = data[at:at + 4096]
        packed = compress_chunk(chunk)
        if len(packed) > 4096:
            out += struct.pack("<H", 0x3FFF) + chunk.ljust(4096, b"\0")
        else:
            out += struct.pack("<H", 0xB000 | (len(packed) + 2 - 3)) + packed
    return bytes(out)


# ---- the project -----------------------------------------------------------------------------

LONG_LINES = ["Attribute VB_Name = \"Modul\xe4\"",
              "' Gr\xfc\xdfe aus K\xf6ln: \xe4\xf6\xfc \xc4\xd6\xdc \xdf \xe9\xe8\xea \xa3\xa7\xb0",
              "Option Explicit", ""]
for i in range(120):
    LONG_LINES += ["Public Function Stra\xdfe%d(ByVal n As Long) As String" % i,
                   "    Stra\xdfe%d = \"Caf\xe9 Nr. \" & CStr(n + %d)" % (i, i),
                   "End Function", ""]
LONG_LINES += ["Sub Ende()", "    MsgBox \"Tsch\xfc\xdf\"", "End Sub"]

MODULES = [
    # name, document module, source lines (the file's text, Attribute lines included)
    ("ThisWorkbook", True, ["Attribute VB_Name = \"ThisWorkbook\"", "Attribute VB_Base = \"0{00020819-0000-0000-C000-000000000046}\"",
                            "Attribute VB_GlobalNameSpace = False", "Attribute VB_Creatable = False",
                            "Attribute VB_PredeclaredId = True", "Attribute VB_Exposed = True",
                            "Attribute VB_TemplateDerived = False", "Attribute VB_Customizable = True",
                            "Private Sub Workbook_Open()", "    Sheet1.Range(\"A1\").Value = 1", "End Sub"]),
    ("Sheet1", True, ["Attribute VB_Name = \"Sheet1\"", "Attribute VB_Base = \"0{00020820-0000-0000-C000-000000000046}\"",
                      "Attribute VB_GlobalNameSpace = False", "Attribute VB_Creatable = False",
                      "Attribute VB_PredeclaredId = True", "Attribute VB_Exposed = True",
                      "Attribute VB_TemplateDerived = False", "Attribute VB_Customizable = True"]),
    ("Modul\xe4", False, LONG_LINES),
]


def cp(text):
    return text.encode("cp1252")


def rec(rid, body):
    return struct.pack("<HI", rid, len(body)) + body


def wide(text):
    return text.encode("utf-16-le")


def dir_stream():
    d = rec(0x01, struct.pack("<I", 1)) + rec(0x02, struct.pack("<I", 0x409)) + rec(0x14, struct.pack("<I", 0x409))
    d += rec(0x03, struct.pack("<H", 1252)) + rec(0x04, b"VBAProject")
    d += rec(0x05, b"") + rec(0x40, b"") + rec(0x06, b"") + rec(0x3D, b"")
    d += rec(0x07, struct.pack("<I", 0)) + rec(0x08, struct.pack("<I", 0))
    d += struct.pack("<HIIH", 0x09, 4, 1, 1)  # PROJECTVERSION: says 4 bytes, holds 6
    d += rec(0x0C, b"") + rec(0x3C, b"")
    # A reference to the OLE automation library, as Excel writes one.
    libid = b"*\\G{00020430-0000-0000-C000-000000000046}#2.0#0#C:\\Windows\\System32\\stdole2.tlb#OLE Automation"
    d += rec(0x16, b"stdole") + rec(0x3E, wide("stdole"))
    d += rec(0x0D, struct.pack("<I", len(libid)) + libid + struct.pack("<IH", 0, 0))
    d += rec(0x0F, struct.pack("<H", len(MODULES))) + rec(0x13, struct.pack("<H", 0xFFFF))
    for name, document, _ in MODULES:
        d += rec(0x19, cp(name)) + rec(0x47, wide(name)) + rec(0x1A, cp(name)) + rec(0x32, wide(name))
        d += rec(0x1C, b"") + rec(0x48, b"") + rec(0x31, struct.pack("<I", 0)) + rec(0x1E, struct.pack("<I", 0))
        d += rec(0x2C, struct.pack("<H", 0xFFFF)) + rec(0x22 if document else 0x21, b"") + rec(0x2B, b"")
    d += rec(0x10, b"")
    return d


def project_text():
    t = "ID=\"{5D0E5A1B-3C2F-4B8E-9A7D-1E2F3A4B5C6D}\"\r\n"
    for name, document, _ in MODULES:
        t += ("Document=%s/&H00000000\r\n" % name) if document else ("Module=%s\r\n" % name)
    t += "Name=\"VBAProject\"\r\nHelpContextID=\"0\"\r\nVersionCompatible32=\"393222000\"\r\n"
    t += "CMG=\"C2C0DB5ADF5EDF5EDF5EDF5E\"\r\nDPB=\"6B697A6B7B6B7B6B\"\r\nGC=\"2B29323232323232CD\"\r\n\r\n"
    t += "[Host Extender Info]\r\n&H00000001={3832D640-CF90-11CF-8E43-00A0C911005A};VBE;&H00000000\r\n\r\n"
    t += "[Workspace]\r\n"
    for name, _, _ in MODULES:
        t += "%s=0, 0, 0, 0, C\r\n" % name
    return cp(t)


def project_streams():
    """Path (names joined by "/") to bytes."""
    s = {"PROJECT": project_text(),
         "PROJECTwm": b"".join(cp(n) + b"\0" + wide(n) + b"\0\0" for n, _, _ in MODULES) + b"\0\0",
         "VBA/_VBA_PROJECT": bytes([0xCC, 0x61, 0xFF, 0xFF, 0x00, 0x00, 0x00]),
         "VBA/dir": compress(dir_stream())}
    for name, _, lines in MODULES:
        s["VBA/" + name] = compress(cp("\r\n".join(lines) + "\r\n"))
    return s


# ---- a compound file (version 3) ---------------------------------------------------------------


def name_key(name):
    return (len(name), name.upper())


def write_cfb(streams):
    """A compound file of the streams (paths with "/"); storages as the paths need them."""
    entries = [{"name": "Root Entry", "type": 5, "kids": [], "data": b""}]
    index = {"": 0}
    for path in sorted(streams):
        parts = path.split("/")
        for depth in range(len(parts)):
            sub = "/".join(parts[:depth + 1])
            if sub in index:
                continue
            last = depth == len(parts) - 1
            index[sub] = len(entries)
            entries.append({"name": parts[depth], "type": 2 if last else 1, "kids": [],
                            "data": streams[path] if last else b""})
            entries[index["/".join(parts[:depth])]]["kids"].append(index[sub])
    for e in entries:
        e.update(left=0xFFFFFFFF, right=0xFFFFFFFF, child=0xFFFFFFFF, start=0xFFFFFFFE)

    def hang(ids):
        if not ids:
            return 0xFFFFFFFF
        mid = len(ids) // 2
        entries[ids[mid]]["left"] = hang(ids[:mid])
        entries[ids[mid]]["right"] = hang(ids[mid + 1:])
        return ids[mid]

    for e in entries:
        e["child"] = hang(sorted(e["kids"], key=lambda i: name_key(entries[i]["name"])))
    # Mini stream for streams under 4096 bytes, sectors of 512 bytes for the others.
    mini, mini_fat = bytearray(), []
    big = []
    for e in entries:
        if e["type"] != 2 or not e["data"]:
            continue
        if len(e["data"]) < 4096:
            n = (len(e["data"]) + 63) // 64
            e["start"] = len(mini) // 64
            mini_fat += [e["start"] + k + 1 for k in range(n - 1)] + [0xFFFFFFFE]
            mini += e["data"].ljust(n * 64, b"\0")
        else:
            big.append(e)
    body = bytearray(512)  # sector 0: the FAT (one sector is enough for these small files)
    fat = [0xFFFFFFFD]

    def chain(data):
        if not data:
            return 0xFFFFFFFE
        n = (len(data) + 511) // 512
        start = len(fat)
        fat.extend(start + k + 1 for k in range(n - 1))
        fat.append(0xFFFFFFFE)
        body.extend(data.ljust(n * 512, b"\0"))
        return start

    dir_count = (len(entries) + 3) // 4
    mini_fat_bytes = b"".join(struct.pack("<I", v) for v in mini_fat)
    dir_start = chain(b"\0" * (dir_count * 512))
    mini_fat_start = chain(mini_fat_bytes)
    entries[0]["start"] = chain(bytes(mini))
    entries[0]["size"] = len(mini)
    for e in big:
        e["start"] = chain(e["data"])
    assert len(fat) <= 128
    body[0:512] = b"".join(struct.pack("<I", v) for v in fat).ljust(512, b"\xff")
    directory = bytearray()
    for e in entries:
        name = wide(e["name"])
        ent = name.ljust(64, b"\0") + struct.pack("<HBB", len(name) + 2, e["type"], 1)
        ent += struct.pack("<III", e["left"], e["right"], e["child"]) + b"\0" * 16 + b"\0" * 4 + b"\0" * 16
        size = e.get("size", len(e["data"]))
        ent += struct.pack("<IIi", e["start"] if (e["type"] != 1) else 0, size, 0)
        directory += ent
    while len(directory) % 512:
        directory += (b"\0" * 64 + struct.pack("<HBB", 0, 0, 0) + struct.pack("<III", 0xFFFFFFFF, 0xFFFFFFFF,
                      0xFFFFFFFF) + b"\0" * 48)
    body[dir_start * 512:(dir_start + dir_count) * 512] = directory
    header = bytes.fromhex("D0CF11E0A1B11AE1") + b"\0" * 16 + struct.pack("<HHHHH", 0x3E, 3, 0xFFFE, 9, 6)
    header += b"\0" * 6 + struct.pack("<IIIIIIIII", 0, 1, dir_start, 0, 4096,
                                      mini_fat_start if mini_fat else 0xFFFFFFFE,
                                      (len(mini_fat_bytes) + 511) // 512, 0xFFFFFFFE, 0)
    header += struct.pack("<I", 0) + b"\xff" * (4 * 108)
    return header + bytes(body)


# ---- the package -----------------------------------------------------------------------------

CONTENT_TYPES = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">
<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>
<Default Extension="xml" ContentType="application/xml"/>
<Default Extension="bin" ContentType="application/vnd.ms-office.vbaProject"/>
<Override PartName="/xl/workbook.xml" ContentType="application/vnd.ms-excel.sheet.macroEnabled.main+xml"/>
<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>
</Types>"""
ROOT_RELS = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>
</Relationships>"""
WORKBOOK = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">
<workbookPr codeName="ThisWorkbook"/>
<sheets><sheet name="Sheet1" sheetId="1" r:id="rId1"/></sheets>
</workbook>"""
WORKBOOK_RELS = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>
<Relationship Id="rId2" Type="http://schemas.microsoft.com/office/2006/relationships/vbaProject" Target="vbaProject.bin"/>
</Relationships>"""
SHEET = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">
<sheetPr codeName="Sheet1"/>
<sheetData>
<row r="1"><c r="A1"><v>1</v></c><c r="B1" t="inlineStr"><is><t>Makro</t></is></c></row>
<row r="2"><c r="A2"><v>2.5</v></c><c r="B2" t="inlineStr"><is><t>Stra\u00dfe</t></is></c></row>
</sheetData>
</worksheet>"""


def write_package(path, vba_project):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", CONTENT_TYPES)
        z.writestr("_rels/.rels", ROOT_RELS)
        z.writestr("xl/workbook.xml", WORKBOOK)
        z.writestr("xl/_rels/workbook.xml.rels", WORKBOOK_RELS)
        z.writestr("xl/worksheets/sheet1.xml", SHEET.encode("utf-8"))
        z.writestr("xl/vbaProject.bin", vba_project)


def convert(source, out, fmt):
    work = tempfile.mkdtemp(prefix="lo-convert-")
    profile = tempfile.mkdtemp(prefix="lo-profile-")
    try:
        subprocess.run(["soffice", "--headless", "--norestore", "-env:UserInstallation=file://" + profile,
                        "--convert-to", fmt, "--outdir", work, source], check=True, stdout=subprocess.DEVNULL)
        produced = os.path.join(work, os.path.splitext(os.path.basename(source))[0] + "." + fmt.split(":")[0])
        shutil.move(produced, out)
    finally:
        shutil.rmtree(work, ignore_errors=True)
        shutil.rmtree(profile, ignore_errors=True)


def main():
    package = os.path.join(HERE, "lo-macros.xlsm")
    write_package(package, write_cfb(project_streams()))
    xls = os.path.join(HERE, "lo-macros.xls")
    convert(package, xls, 'xls:MS Excel 97')
    with open(os.path.join(HERE, "lo-macros.expect"), "w", encoding="utf-8", newline="\n") as f:
        for line in lo_read.read([xls])[xls]["macro"]:
            f.write(line + "\n")


if __name__ == "__main__":
    main()
