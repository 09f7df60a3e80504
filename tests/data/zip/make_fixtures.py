#!/usr/bin/python3
"""Writes the small zip fixtures of the zip reader tests with Python's zipfile module.

Run from any folder: /usr/bin/python3 tests/data/zip/make_fixtures.py
The output is deterministic (fixed dates, fixed contents), so rerunning it leaves the committed
files unchanged.
"""
import io
import os
import struct
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
DATE = (2021, 3, 4, 5, 6, 8)

WORKBOOK = ("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<workbook>"
            + "".join("<sheet name=\"Sheet%d\" sheetId=\"%d\"/>" % (i, i) for i in range(1, 60))
            + "</workbook>\n").encode()
README = b"Hello, stored world!\n"


def info(name, method):
    zi = zipfile.ZipInfo(name, DATE)
    zi.compress_type = method
    zi.external_attr = 0o644 << 16
    return zi


def build(entries, comment=b""):
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w") as z:
        for name, data, method in entries:
            z.writestr(info(name, method), data)
        z.comment = comment
    return bytearray(buf.getvalue())


class Unseekable(io.RawIOBase):
    """A write-only stream without tell/seek: zipfile then writes data descriptors."""

    def __init__(self):
        self.data = bytearray()

    def writable(self):
        return True

    def write(self, b):
        self.data += b
        return len(b)


def build_with_descriptors(entries):
    out = Unseekable()
    with zipfile.ZipFile(out, "w") as z:
        for name, data, method in entries:
            with z.open(info(name, method), "w") as f:
                f.write(data)
    return out.data


def patch_methods(data, method):
    """Sets the compression method of every local and central record."""
    data = bytearray(data)
    i = 0
    while True:
        i = data.find(b"PK\x03\x04", i)
        if i < 0:
            break
        struct.pack_into("<H", data, i + 8, method)
        i += 4
    i = 0
    while True:
        i = data.find(b"PK\x01\x02", i)
        if i < 0:
            break
        struct.pack_into("<H", data, i + 10, method)
        i += 4
    return data


def end_record(data):
    return data.rfind(b"PK\x05\x06")


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(bytes(data))


def main():
    write("stored.zip", build([("docs/readme.txt", README, zipfile.ZIP_STORED),
                               ("empty.txt", b"", zipfile.ZIP_STORED)]))
    write("deflated.zip", build([("xl/workbook.xml", WORKBOOK, zipfile.ZIP_DEFLATED),
                                 ("docs/readme.txt", README, zipfile.ZIP_DEFLATED)]))
    write("descriptor.zip", build_with_descriptors([("xl/workbook.xml", WORKBOOK, zipfile.ZIP_DEFLATED),
                                                    ("docs/readme.txt", README, zipfile.ZIP_STORED)]))
    # Archive comments: 300 bytes (the end record lies past the first search window) and 2,000
    # bytes (past the second) in archives far smaller than those windows.
    write("comment300.zip", build([("docs/readme.txt", README, zipfile.ZIP_DEFLATED)], b"C" * 300))
    write("comment2000.zip", build([("docs/readme.txt", README, zipfile.ZIP_DEFLATED)],
                                   bytes(range(32, 127)) * 21 + b"x" * 5))
    # An entry whose method field says 12 (bzip2), which the readers do not support.
    write("method12.zip", patch_methods(build([("docs/readme.txt", README, zipfile.ZIP_STORED)]), 12))
    # Central directory offset of the end record pointing past the end of the file.
    data = build([("docs/readme.txt", README, zipfile.ZIP_DEFLATED)])
    struct.pack_into("<I", data, end_record(data) + 16, 0x7FFFFFF0)
    write("brokencd.zip", data)
    # End record counting three entries where the directory holds one.
    data = build([("docs/readme.txt", README, zipfile.ZIP_DEFLATED)])
    struct.pack_into("<HH", data, end_record(data) + 8, 3, 3)
    write("badcount.zip", data)
    # Bytes after the end record, as a decrypted package carries its cipher padding.
    write("trailing.zip", build([("docs/readme.txt", README, zipfile.ZIP_DEFLATED)]) + b"\x00" * 15)
    # Corrupt deflate data: the first bytes of the compressed stream are overwritten.
    data = build([("docs/readme.txt", README * 20, zipfile.ZIP_DEFLATED)])
    start = 30 + len("docs/readme.txt")
    data[start:start + 4] = b"\xff\xff\xff\xff"
    write("corrupt.zip", data)
    # The archive without its central directory and end record: only local headers remain.
    data = build([("docs/readme.txt", README, zipfile.ZIP_STORED),
                  ("xl/workbook.xml", WORKBOOK, zipfile.ZIP_DEFLATED)])
    write("nodirectory.zip", data[:data.find(b"PK\x01\x02")])


if __name__ == "__main__":
    main()
