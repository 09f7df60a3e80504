#!/usr/bin/python3
"""notes_xlrd.py FILE: the peer of xls_dump's comment lines with xlrd (Debian's python3-xlrd 1.2):
the workbook opened with formatting_info=True (which reads the notes), every note printed with its
sheet, cell, author and text."""
import sys

import xlrd


def cell(row, col):
    name = ""
    col += 1
    while col:
        col, rem = divmod(col - 1, 26)
        name = chr(65 + rem) + name
    return "%s%d" % (name, row + 1)


def esc(text):
    return text.replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n").replace("\r", "\\r")


def main(path):
    book = xlrd.open_workbook(path, formatting_info=True, logfile=open("/dev/null", "w"))
    out = []
    for sheet in book.sheets():
        for (row, col), note in sorted(sheet.cell_note_map.items()):
            out.append("comment\t%s\t%s\t%s\t%s" % (esc(sheet.name), cell(row, col), esc(note.author), esc(note.text)))
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main(sys.argv[1])
