#!/usr/bin/python3
"""find_xlrd.py FILE KEYWORD: the peer search with xlrd (Debian's python3-xlrd 1.2): the workbook
read whole, every cell's value as text, letters folded; prints "found" / "absent" as xls_find does."""
import sys

import xlrd


def main(path, keyword):
    wanted = keyword.upper()
    book = xlrd.open_workbook(path)
    for sheet in book.sheets():
        for r in range(sheet.nrows):
            for c, v in enumerate(sheet.row_values(r)):
                if v != "" and wanted in str(v).upper():
                    print("found\t%s\t%s\t%s" % (keyword, sheet.name, xlrd.cellname(r, c)))
                    return
    print("absent\t%s" % keyword)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
