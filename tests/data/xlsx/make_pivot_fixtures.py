#!/usr/bin/python3
"""Makes the pivot-table fixtures of this folder (run with Debian's /usr/bin/python3).

Writers: LibreOffice Calc through python3-uno (DataPilot tables stored as "Calc MS Excel 2007
XML") and python3-openpyxl (re-saving a LibreOffice package). Each package is read back by
openpyxl here, so that a file it cannot read is never kept.

  libreoffice-pivot-fields.xlsx   one DataPilot table with a row, a column, a page and a data field
  libreoffice-pivot-shared.xlsx   two tables over one source: a mixed field (numbers, texts, an
                                  error, blanks) and a date field (dates and blanks)
  libreoffice-pivot-dategroup.xlsx  a table whose date field is grouped by months
                                  (createDateGroup: fieldGroup, rangePr, groupItems)
  openpyxl-pivot-resaved.xlsx     libreoffice-pivot-shared.xlsx re-saved by openpyxl after its first
                                  cache is given direct record values (x, n, s, b, d, e, m) and
                                  Boolean shared items; openpyxl writes each table's cache as a
                                  definition of its own, both under one cache id

  --large FILE ROWS   a LibreOffice table over ROWS rows whose row field has ROWS distinct texts
                      (the benchmark's workbook; not kept here)
"""
import datetime
import os
import shutil
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from fixturetools import LibreOffice  # noqa: E402

EPOCH = datetime.datetime(1899, 12, 30)


def serial(d):
    return (d - EPOCH) / datetime.timedelta(days=1)


def add_table(doc, src, area, dst, name, layout, date_group=None):
    """area: (first column, first row, last column, last row) on sheet src; layout: field index
    -> orientation name (ROW, COLUMN, PAGE, DATA); DATA fields are summed."""
    from com.sun.star.sheet.DataPilotFieldOrientation import COLUMN, DATA, PAGE, ROW
    from com.sun.star.sheet.GeneralFunction import SUM
    from com.sun.star.table import CellAddress, CellRangeAddress

    orient = {"ROW": ROW, "COLUMN": COLUMN, "PAGE": PAGE, "DATA": DATA}
    sheets = doc.Sheets
    tables = sheets.getByIndex(dst).DataPilotTables
    desc = tables.createDataPilotDescriptor()
    desc.SourceRange = CellRangeAddress(src, area[0], area[1], area[2], area[3])
    fields = desc.DataPilotFields
    for index, o in layout.items():
        f = fields.getByIndex(index)
        f.Orientation = orient[o]
        if o == "DATA":
            f.Function = SUM
    tables.insertNewByName(name, CellAddress(dst, 0, 2), desc)
    if date_group is not None:
        from com.sun.star.sheet import DataPilotFieldGroupInfo
        from com.sun.star.sheet.DataPilotFieldGroupBy import MONTHS

        table = tables.getByName(name)
        field = table.DataPilotFields.getByIndex(date_group)
        info = DataPilotFieldGroupInfo()
        info.HasDateValues = True
        info.HasAutoStart = True
        info.HasAutoEnd = True
        info.GroupBy = MONTHS
        field.createDateGroup(info)


def fill(ws, rows):
    for r, row in enumerate(rows):
        for c, v in enumerate(row):
            cell = ws.getCellByPosition(c, r)
            if v is None:
                continue
            if isinstance(v, datetime.datetime):
                cell.setValue(serial(v))
            elif isinstance(v, str) and v.startswith("="):
                cell.setFormula(v)
            elif isinstance(v, str):
                cell.setString(v)
            else:
                cell.setValue(float(v))


def date_format(doc, ws, col, last_row):
    fmts = doc.NumberFormats
    key = fmts.queryKey("YYYY-MM-DD", doc.CharLocale, False)
    if key == -1:
        key = fmts.addNew("YYYY-MM-DD", doc.CharLocale)
    for r in range(1, last_row + 1):
        ws.getCellByPosition(col, r).NumberFormat = key


def make_fields(lo, path):
    doc = lo.new_calc()
    doc.Sheets.getByIndex(0).Name = "Data"
    doc.Sheets.insertNewByName("Pivot", 1)
    rows = [["Region", "Product", "Year", "Sales"]]
    regions, products = ["North", "South", "East"], ["Pens", "Ink", "Paper", "Clips"]
    for i in range(24):
        rows.append([regions[i % 3], products[i % 4], 2020 + i % 2, 10 + 7 * i])
    fill(doc.Sheets.getByIndex(0), rows)
    add_table(doc, 0, (0, 0, 3, len(rows) - 1), 1, "Sales by region",
              {0: "ROW", 1: "COLUMN", 2: "PAGE", 3: "DATA"})
    doc.calculateAll()
    lo.store(doc, path, "Calc MS Excel 2007 XML")
    doc.close(True)


def make_shared(lo, path):
    doc = lo.new_calc()
    doc.Sheets.getByIndex(0).Name = "Data"
    doc.Sheets.insertNewByName("Mixed", 1)
    doc.Sheets.insertNewByName("Dates", 2)
    rows = [["Mixed", "When", "Amount"]]
    mixed = [1, "one", 2.5, "=1/0", None, "two", 1, "one", 3]
    dates = [datetime.datetime(2021, 3, 1), datetime.datetime(2021, 3, 2), None, datetime.datetime(2021, 3, 1),
             datetime.datetime(2022, 1, 15), None, datetime.datetime(2021, 3, 2), datetime.datetime(2023, 7, 9),
             datetime.datetime(2021, 3, 1)]
    for i in range(len(mixed)):
        rows.append([mixed[i], dates[i], i + 1])
    ws = doc.Sheets.getByIndex(0)
    fill(ws, rows)
    date_format(doc, ws, 1, len(rows) - 1)
    doc.calculateAll()
    area = (0, 0, 2, len(rows) - 1)
    add_table(doc, 0, area, 1, "By mixed", {0: "ROW", 2: "DATA"})
    add_table(doc, 0, area, 2, "By date", {1: "ROW", 2: "DATA"})
    doc.calculateAll()
    lo.store(doc, path, "Calc MS Excel 2007 XML")
    doc.close(True)


def make_dategroup(lo, path):
    doc = lo.new_calc()
    doc.Sheets.getByIndex(0).Name = "Data"
    doc.Sheets.insertNewByName("Months", 1)
    rows = [["Day", "Amount"]]
    for i in range(40):
        rows.append([datetime.datetime(2021, 1, 1) + datetime.timedelta(days=9 * i), i % 7 + 1])
    ws = doc.Sheets.getByIndex(0)
    fill(ws, rows)
    date_format(doc, ws, 0, len(rows) - 1)
    add_table(doc, 0, (0, 0, 1, len(rows) - 1), 1, "By month", {0: "ROW", 1: "DATA"}, date_group=0)
    doc.calculateAll()
    lo.store(doc, path, "Calc MS Excel 2007 XML")
    doc.close(True)


def make_large(lo, path, count):
    doc = lo.new_calc()
    doc.Sheets.getByIndex(0).Name = "Data"
    doc.Sheets.insertNewByName("Pivot", 1)
    ws = doc.Sheets.getByIndex(0)
    data = [("Id", "Value")] + [("id%07d" % i, float(i % 97)) for i in range(count)]
    ws.getCellRangeByPosition(0, 0, 1, count).setDataArray(tuple(data))
    add_table(doc, 0, (0, 0, 1, count), 1, "Large", {0: "ROW", 1: "DATA"})
    lo.store(doc, path, "Calc MS Excel 2007 XML")
    doc.close(True)


def resave_openpyxl(src, dst):
    """Re-saves src with openpyxl after giving the first cache direct record values and Boolean
    shared items (openpyxl keeps the pivot parts it reads and writes them again)."""
    import openpyxl
    from openpyxl.pivot.cache import SharedItems
    from openpyxl.pivot.fields import Boolean, DateTimeField, Error, Missing, Number, Text
    from openpyxl.pivot.record import Record

    wb = openpyxl.load_workbook(src)
    pivot = wb["Mixed"]._pivots[0]
    cache = pivot.cache
    field = cache.cacheFields[0]
    field.sharedItems = SharedItems(_fields=[Boolean(v=True), Boolean(v=False)], count=2)
    records = cache.records
    direct = [Number(v=4.5), Text(v="direct"), Boolean(v=True), DateTimeField(v=datetime.datetime(2020, 5, 17)),
              Error(v="#N/A"), Missing()]
    for i, r in enumerate(records.r):
        kind = direct[i % len(direct)]
        # The first field's value is given directly in every record but the first, which keeps an
        # index into the (Boolean) shared items.
        if i == 0:
            r._fields[0] = openpyxl.pivot.fields.Index(v=1)
        else:
            r._fields[0] = kind
    wb.save(dst)


def check_openpyxl(path):
    import openpyxl

    wb = openpyxl.load_workbook(path)
    return sum(len(ws._pivots) for ws in wb.worksheets)


def main():
    os.chdir(HERE)
    profile = tempfile.mkdtemp(prefix="lo-fixtures-pivot-")
    try:
        with LibreOffice(profile) as lo:
            if sys.argv[1:2] == ["--large"]:
                return make_large(lo, os.path.abspath(sys.argv[2]), int(sys.argv[3]))
            make_fields(lo, "libreoffice-pivot-fields.xlsx")
            make_shared(lo, "libreoffice-pivot-shared.xlsx")
            make_dategroup(lo, "libreoffice-pivot-dategroup.xlsx")
    finally:
        shutil.rmtree(profile, ignore_errors=True)
    resave_openpyxl("libreoffice-pivot-shared.xlsx", "openpyxl-pivot-resaved.xlsx")
    for name in ("libreoffice-pivot-fields.xlsx", "libreoffice-pivot-shared.xlsx",
                 "libreoffice-pivot-dategroup.xlsx", "openpyxl-pivot-resaved.xlsx"):
        print(name, os.path.getsize(name), "bytes,", check_openpyxl(name), "pivot tables read by openpyxl")


if __name__ == "__main__":
    main()
