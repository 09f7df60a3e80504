#!/usr/bin/python3
"""Writes the sheet-record benchmark workbook: 60,000 rows by 6 columns, every row with its own
height (so that LibreOffice writes a ROW record for each), 10,000 merged areas (G1:H1 to
G10000:H10000) and 10,000 hyperlinks (A1 to A10000), as a package with xlsxwriter, then has
LibreOffice Calc (headless, a profile of its own) save it as a BIFF8 .xls.

  make_workbook.py OUT.xls
"""
import os
import shutil
import subprocess
import sys
import tempfile

import xlsxwriter

ROWS = 60000
AREAS = 10000


def main(out):
    work = tempfile.mkdtemp(prefix="kws-xls-sheet-peers-")
    try:
        src = os.path.join(work, "sheets.xlsx")
        wb = xlsxwriter.Workbook(src)
        ws = wb.add_worksheet("Data")
        for r in range(ROWS):
            ws.set_row(r, 15 + (r % 7))
            if r < AREAS:
                ws.write_url(r, 0, "http://example.com/item/%d" % r, string="item %d" % r)
            else:
                ws.write_string(r, 0, "word%05d" % (r % 30000))
            for c in range(1, 6):
                ws.write_number(r, c, r * 1.25 + c / 7)
            if r < AREAS:
                ws.merge_range(r, 6, r, 7, "merged %d" % r)
        wb.close()
        subprocess.run(["soffice", "-env:UserInstallation=file://" + os.path.join(work, "profile"), "--headless",
                        "--convert-to", "xls:MS Excel 97", "--outdir", work, src],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.move(os.path.join(work, "sheets.xls"), out)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main(sys.argv[1])
