#!/usr/bin/python3
"""Writes the number-format fixtures and what LibreOffice shows for them.

    /usr/bin/python3 tests/data/numfmt/make_fixtures.py

openpyxl writes codes.xlsx (sheet "Codes": one format code a row, the code as text in column A
and 20 values under it in B..U: negatives, ties, large and tiny numbers, dates and times; sheet
"Builtin": the built-in formats 14, 20 and 22 over the same values) and dates1904.xlsx (a
workbook of the 1904 date system, a few date and time codes over small serials). LibreOffice
converts each sheet to text as shown, en-US, with the filter options

    9,34,76,1,,1033,false,true,true,false,false,-1

(tab separator, double quote, UTF-8, from line 1, language 1033, cell text as shown, every
sheet); the result is kept as NAME.tsv, one line per non-empty cell: sheet<TAB>A1<TAB>text, with
tab, CR, LF and backslash written \\t, \\r, \\n, \\\\.
"""
import csv
import glob
import os
import shutil
import subprocess
import sys
import tempfile

import openpyxl
from openpyxl.utils.datetime import CALENDAR_MAC_1904

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "xlsx"))
from fixturetools import ref  # noqa: E402

FILTER = "csv:Text - txt - csv (StarCalc):9,34,76,1,,1033,false,true,true,false,false,-1"

VALUES = [0, 1, -1, 0.5, -0.5, 1.005, 2.675, -2.5, 12.345, 1234.5678, -1234.5678, 1234567.891,
          -0.004, 0.000123, 3.14159e-7, 123456789012.345, 1e15, 45000.75, 0.0625, 1.5]

CODES = [
    "General", "0", "0.0", "0.00", "0.000", "#,##0", "#,##0.00", "#,##0.000", "0%", "0.0%", "0.00%",
    "0000", "00000.00", "#", "####", "#.##", "0.##", "#,###", "?0", "??0.0?",
    "0.00E+00", "0.000E+00", "0E+00", "##0.0E+0",
    '"$"#,##0.00', '"$"#,##0.00;[Red]-"$"#,##0.00', "#,##0.00;(#,##0.00)", "#,##0_);[Red](#,##0)",
    '_(* #,##0_);_(* (#,##0);_(* "-"_);_(@_)', "[$\u20ac-407]#,##0.00", "[$kr-414] #,##0", "[$-409]0.00",
    "0.0,", "0.0,,", '#,##0,"K"', '0;-0;"zero"', "0.00;-0.00;;@", ";;;", "[Red]0;[Blue]-0", "[Green]0.00",
    "[>=100]0;0.00", "# ?/?", "# ??/??", '0" units"', '"Total "0.00', "\\\u20ac0.00", "0\\ %",
    "dd/mm/yyyy", "mm/dd/yy", "d-mmm-yy", "d-mmm", "mmm-yy", "mmmm d, yyyy", "dddd", "ddd d mmm",
    "yyyy-mm-dd", "yyyy-mm-dd hh:mm:ss", "hh:mm", "h:mm:ss", "h:mm AM/PM", "h:mm:ss AM/PM", "[h]:mm",
    "[h]:mm:ss", "[mm]:ss", "mm:ss", "mm:ss.0", "hh:mm:ss.00", "mmmmm", "yy", "h:mm A/P", "d/m/yy h:mm",
]

BUILTIN = ["mm-dd-yy", "h:mm", "m/d/yy h:mm"]  # openpyxl stores these as formats 14, 20 and 22

VALUES_1904 = [0, 1, 1.5, 366, 45000.25, 0.75]
CODES_1904 = ["yyyy-mm-dd", "yyyy-mm-dd hh:mm", "[h]:mm", "d-mmm-yy", "dddd"]


def fill(ws, codes, values):
    for r, code in enumerate(codes, start=1):
        ws.cell(row=r, column=1, value=code)
        for c, v in enumerate(values, start=2):
            cell = ws.cell(row=r, column=c, value=v)
            cell.number_format = code


def make_codes(path):
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "Codes"
    fill(ws, CODES, VALUES)
    fill(wb.create_sheet("Builtin"), BUILTIN, VALUES)
    wb.save(path)


def make_1904(path):
    wb = openpyxl.Workbook()
    wb.epoch = CALENDAR_MAC_1904
    ws = wb.active
    ws.title = "Dates"
    fill(ws, CODES_1904, VALUES_1904)
    wb.save(path)


def escaped(text):
    return text.replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n").replace("\r", "\\r")


def convert(name, sheets, work):
    """LibreOffice's text of every sheet of NAME.xlsx, kept as NAME.tsv."""
    subprocess.run(["soffice", "-env:UserInstallation=file://" + os.path.join(work, "profile"), "--headless",
                    "--norestore", "--convert-to", FILTER, "--outdir", work, name + ".xlsx"],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    lines = []
    for sheet in sheets:
        found = glob.glob(os.path.join(work, "%s-%s.csv" % (name, sheet)))
        if not found:
            raise SystemExit("LibreOffice wrote no text for sheet " + sheet)
        with open(found[0], encoding="utf-8", newline="") as f:
            for r, row in enumerate(csv.reader(f, delimiter="\t", quotechar='"')):
                for c, text in enumerate(row):
                    if text != "":
                        lines.append("%s\t%s\t%s" % (escaped(sheet), ref(r, c), escaped(text)))
    with open(name + ".tsv", "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def main():
    os.chdir(HERE)
    make_codes("codes.xlsx")
    make_1904("dates1904.xlsx")
    work = tempfile.mkdtemp(prefix="lo-numfmt-")
    try:
        convert("codes", ("Codes", "Builtin"), work)
        convert("dates1904", ("Dates",), work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    for name in ("codes.xlsx", "codes.tsv", "dates1904.xlsx", "dates1904.tsv"):
        print(name, os.path.getsize(name), "bytes")


if __name__ == "__main__":
    main()
