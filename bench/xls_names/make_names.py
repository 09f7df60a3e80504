#!/usr/bin/python3
"""Writes the names benchmark workbook: two sheets ("Data" and "My Sheet") with a few numbers and
20,000 defined names (cells, areas, formulas over cells and other names, one in ten of sheet scope)
as a package with openpyxl, then has LibreOffice Calc (headless, a profile of its own) save it as
a BIFF8 .xls.

  make_names.py OUT.xls
"""
import os
import shutil
import subprocess
import sys
import tempfile

import openpyxl
from openpyxl.workbook.defined_name import DefinedName

NAMES = 20000


def definition(i):
    row = i % 1000 + 1
    kind = i % 4
    if kind == 0:
        return "Data!$A$%d" % row
    if kind == 1:
        return "'My Sheet'!$A$%d:$C$%d" % (row, row + 5)
    if kind == 2:
        return "Data!$B$%d*2+1" % row
    return "SUM('My Sheet'!$B$1:$B$%d)" % row


def main(out):
    work = tempfile.mkdtemp(prefix="kws-xls-names-")
    try:
        src = os.path.join(work, "names.xlsx")
        wb = openpyxl.Workbook()
        data = wb.active
        data.title = "Data"
        my = wb.create_sheet("My Sheet")
        for r in range(1, 1001):
            data.cell(r, 1, r)
            data.cell(r, 2, r * 0.5)
            my.cell(r, 2, r)
        data["D1"] = "=SUM(N00000:N00003)"
        for i in range(NAMES):
            name = DefinedName("N%05d" % i, attr_text=definition(i))
            local = i % 10 == 9
            if hasattr(wb.defined_names, "append"):  # openpyxl 3.0
                if local:
                    name.localSheetId = 0
                wb.defined_names.append(name)
            elif local:  # openpyxl 3.1: sheet-scope names live with their sheet
                data.defined_names[name.name] = name
            else:
                wb.defined_names[name.name] = name
        wb.save(src)
        subprocess.run(["soffice", "-env:UserInstallation=file://" + os.path.join(work, "profile"), "--headless",
                        "--convert-to", "xls:MS Excel 97", "--outdir", work, src],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.move(os.path.join(work, "names.xls"), out)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main(sys.argv[1])
