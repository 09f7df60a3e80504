#!/usr/bin/python3
"""Makes the bare BIFF2-4 fixtures written by SheetJS and their expected cells.

make_sheetjs.js (node, with npm's "xlsx" installed outside the repository) writes
sheetjs-biff2.xls, sheetjs-biff3.xls and sheetjs-biff4.xls: numbers, texts, Booleans, an error
(#DIV/0!) and a blank, which SheetJS stores as BIFF2 BOOLERR and BLANK records in every version.
Beside each, NAME.tsv holds its cells as python3-xlrd 1.2 reads them (sheet, A1, engine text;
blank cells left out), made by the legacy cell fixtures' routine (../xls/make_fixtures.py).

    mkdir -p /tmp/sheetjs && (cd /tmp/sheetjs && npm install xlsx)
    NODE_PATH=/tmp/sheetjs/node_modules tests/data/xls-sheets/make_sheetjs.py
"""
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(HERE, "..", "xls"))
from make_fixtures import expected_from_xlrd, write_tsv  # noqa: E402


def main():
    subprocess.run(["node", os.path.join(HERE, "make_sheetjs.js")], check=True)
    for kind in ("biff2", "biff3", "biff4"):
        base = os.path.join(HERE, "sheetjs-" + kind)
        data = open(base + ".xls", "rb").read()
        write_tsv(base + ".tsv", expected_from_xlrd(data))
        print("%s.xls %d bytes" % (base, len(data)))


if __name__ == "__main__":
    main()
