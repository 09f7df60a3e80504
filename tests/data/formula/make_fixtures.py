#!/usr/bin/python3
"""Makes the legacy formula fixtures of this folder.

  gnumeric-biff7-3d.xls   Gnumeric BIFF7 (BIFF5 tokens) with 3-D references into another sheet of
                          the workbook: First!A1 =Second!B3+1, First!A2 =SUM(Second!A1:B2),
                          First!C1:C5 =Second!A1*2 .. =Second!A5*2

  libreoffice-biff8-shared.xls  LibreOffice Calc BIFF8, sheet "Main": numbers 1 to 12 in A1:A12 and
                          nine formulas filled down C2:K10, which Calc writes as shared formulas
                          (SHRFMLA) where it can: negative column and row offsets, mixed absolute
                          parts, an area, a union inside a function (a memory token whose
                          sub-expression holds the relative references), IF with strings; and,
                          written per cell, a reference into the sheet "Other Sheet", an
                          intersection and an array constant of two rows and two columns.

Writers (Debian packages): python3-xlsxwriter for the source package and Gnumeric's ssconvert
(Gnumeric_Excel:excel_biff7) for the BIFF7 file; LibreOffice Calc through python3-uno (with
../xlsx/fixturetools.py) for the BIFF8 file.

Run: tests/data/formula/make_fixtures.py
"""

import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(HERE, "..", "xlsx"))
from fixturetools import LibreOffice  # noqa: E402

# The formulas of C2:K10 by the 1-based row r, in Calc's formula syntax (";" between arguments,
# "!" intersection, array rows split by "|").
SHARED_FORMULAS = [
    lambda r: "=A%d*2" % r,
    lambda r: "=$A%d+A$1+$A$1" % r,
    lambda r: "=SUM(A%d:A%d)" % (r - 1, r),
    lambda r: "='Other Sheet'.A%d+1" % r,
    lambda r: "=SUM((A%d;A%d))" % (r, r + 1),
    lambda r: "=SUM(A1:A%d!A%d:A12)" % (r + 1, r),
    lambda r: "=SUM({1;2|3;4})+A%d" % r,
    lambda r: '=IF(A%d>5;"big";"small")' % r,
    lambda r: "=C%d" % (r + 1),
]


def make_libreoffice_shared(lo, path):
    doc = lo.new_calc()
    ws = doc.Sheets.getByIndex(0)
    ws.Name = "Main"
    doc.Sheets.insertNewByName("Other Sheet", 1)
    for i in range(12):
        ws.getCellByPosition(0, i).setValue(float(i + 1))
    for c, formula in enumerate(SHARED_FORMULAS):
        cells = ws.getCellRangeByPosition(c + 2, 1, c + 2, 9)
        cells.setFormulaArray(tuple((formula(r),) for r in range(2, 11)))
    doc.calculateAll()
    lo.store(doc, path, "MS Excel 97")
    doc.close(True)


def main():
    import xlsxwriter

    work = tempfile.mkdtemp(prefix="formula-fixtures-")
    try:
        src = os.path.join(work, "src.xlsx")
        wb = xlsxwriter.Workbook(src)
        first = wb.add_worksheet("First")
        second = wb.add_worksheet("Second")
        first.write_formula(0, 0, "=Second!B3+1", None, 1)
        first.write_formula(1, 0, "=SUM(Second!A1:B2)", None, 1)
        for row in range(5):
            first.write_formula(row, 2, "=Second!A%d*2" % (row + 1), None, 0)
        second.write_number(0, 0, 1)
        wb.close()
        subprocess.run(["ssconvert", "-T", "Gnumeric_Excel:excel_biff7", src,
                        os.path.join(HERE, "gnumeric-biff7-3d.xls")], check=True,
                       env=dict(os.environ, LC_ALL="C.UTF-8"), stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        with LibreOffice(os.path.join(work, "lo-legacy-formula")) as lo:
            make_libreoffice_shared(lo, os.path.join(HERE, "libreoffice-biff8-shared.xls"))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
