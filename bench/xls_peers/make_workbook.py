#!/usr/bin/python3
"""Writes the legacy benchmark workbook: 60,000 rows by 10 columns (columns A-E texts from a
vocabulary of 30,000, F-J numbers with fractions; the last text cell E60000 alone holds the keyword
"needlework") as a package with xlsxwriter, then has LibreOffice Calc (headless, a profile of its
own) save it as a BIFF8 .xls.

  make_workbook.py OUT.xls
"""
import os
import shutil
import subprocess
import sys
import tempfile

import xlsxwriter

ROWS = 60000


def main(out):
    work = tempfile.mkdtemp(prefix="kws-xls-peers-")
    try:
        src = os.path.join(work, "sixty.xlsx")
        wb = xlsxwriter.Workbook(src)
        ws = wb.add_worksheet("Data")
        for r in range(ROWS):
            for c in range(5):
                ws.write_string(r, c, "word%05d text%d" % ((r * 7 + c * 13) % 30000, c))
            for c in range(5):
                ws.write_number(r, 5 + c, r * 1.25 + c / 7)
        ws.write_string(ROWS - 1, 4, "last needlework cell")
        wb.close()
        subprocess.run(["soffice", "-env:UserInstallation=file://" + os.path.join(work, "profile"), "--headless",
                        "--convert-to", "xls:MS Excel 97", "--outdir", work, src],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.move(os.path.join(work, "sixty.xls"), out)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main(sys.argv[1])
