#!/usr/bin/python3
"""read_xlrd.py FILE: the peer reading with xlrd (Debian's python3-xlrd 1.2, formatting_info=True):
the workbook read whole, every cell's value as text, merged areas, hyperlinks, column and row
records; prints their counts in the form of read_ours.sh."""
import sys

import xlrd


def main(path):
    book = xlrd.open_workbook(path, formatting_info=True)
    cells = merged = links = rows = cols = 0
    for sheet in book.sheets():
        for r in range(sheet.nrows):
            for v in sheet.row_values(r):
                if v != "":
                    str(v)
                    cells += 1
        merged += len(sheet.merged_cells)
        links += len(sheet.hyperlink_list)
        rows += len(sheet.rowinfo_map)
        cols += len(sheet.colinfo_map)
    print("counts\tcells %d\tmerged %d\thyperlinks %d\trows %d" % (cells, merged, links, rows))


if __name__ == "__main__":
    main(sys.argv[1])
