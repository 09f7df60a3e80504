#!/usr/bin/python3
"""Writes the benchmark workbook with xlsxwriter (Debian's python3-xlsxwriter):
100,000 rows by 10 columns = 1,000,000 cells; columns A-E shared strings (a vocabulary of 50,000
texts, so the table is shared for real), columns F-J numbers with fractions. The last string cell
(E100000) alone holds the keyword "needlework".

  make_workbook.py OUT.xlsx
"""
import sys

import xlsxwriter

ROWS, STRING_COLS, NUMBER_COLS = 100000, 5, 5


def main(path):
    wb = xlsxwriter.Workbook(path, {"constant_memory": False})
    ws = wb.add_worksheet("Data")
    for r in range(ROWS):
        for c in range(STRING_COLS):
            ws.write_string(r, c, "word%05d text%d" % ((r * 7 + c * 13) % 50000, c))
        for c in range(NUMBER_COLS):
            ws.write_number(r, STRING_COLS + c, r * 1.25 + c / 7)
    ws.write_string(ROWS - 1, STRING_COLS - 1, "last needlework cell")
    wb.close()


if __name__ == "__main__":
    main(sys.argv[1])
