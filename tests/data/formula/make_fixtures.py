#!/usr/bin/python3
"""Makes the legacy formula fixtures of this folder.

  gnumeric-biff7-3d.xls   Gnumeric BIFF7 (BIFF5 tokens) with 3-D references into another sheet of
                          the workbook: First!A1 =Second!B3+1, First!A2 =SUM(Second!A1:B2),
                          First!C1:C5 =Second!A1*2 .. =Second!A5*2

Writers (Debian packages): python3-xlsxwriter for the source package, Gnumeric's ssconvert
(Gnumeric_Excel:excel_biff7) for the legacy file.

Run: tests/data/formula/make_fixtures.py
"""

import os
import shutil
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


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
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
