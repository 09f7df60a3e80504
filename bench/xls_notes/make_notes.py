#!/usr/bin/python3
"""Writes the notes benchmark workbook: one sheet with 10,000 cells, each with a note of two lines
(its author "Author n mod 7"), as a package with xlsxwriter, then has LibreOffice Calc (headless, a
profile of its own) save it as a BIFF8 .xls (about 3.8 MB).

  make_notes.py OUT.xls
"""
import os
import shutil
import subprocess
import sys
import tempfile

import xlsxwriter

NOTES = 10000


def main(out):
    work = tempfile.mkdtemp(prefix="kws-xls-notes-")
    try:
        src = os.path.join(work, "notes.xlsx")
        wb = xlsxwriter.Workbook(src)
        ws = wb.add_worksheet("Notes")
        for i in range(NOTES):
            row, col = i // 20, i % 20
            ws.write_number(row, col, i)
            ws.write_comment(row, col, "Note %d about cell %d\nsecond line of note %d" % (i, i, i),
                             {"author": "Author %d" % (i % 7)})
        wb.close()
        subprocess.run(["soffice", "-env:UserInstallation=file://" + os.path.join(work, "profile"), "--headless",
                        "--convert-to", "xls:MS Excel 97", "--outdir", work, src],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.move(os.path.join(work, "notes.xls"), out)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main(sys.argv[1])
