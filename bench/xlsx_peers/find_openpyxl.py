#!/usr/bin/python3
"""find_openpyxl.py FILE KEYWORD: the peer search with openpyxl's read-only mode: every cell's
value as text, letters folded, first hit printed ("found" / "absent" as xls_find does)."""
import sys

import openpyxl


def main(path, keyword):
    wanted = keyword.upper()
    wb = openpyxl.load_workbook(path, read_only=True, data_only=True)
    for ws in wb.worksheets:
        for row in ws.iter_rows():
            for cell in row:
                v = cell.value
                if v is not None and wanted in str(v).upper():
                    print("found\t%s\t%s\t%s" % (keyword, ws.title, cell.coordinate))
                    return
    print("absent\t%s" % keyword)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
