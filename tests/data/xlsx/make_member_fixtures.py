#!/usr/bin/python3
"""Makes the workbook-package fixtures for the members beside cells and, for each, what openpyxl reads
from it (NAME.members, one object a line, fields separated by TAB).

  openpyxl-members.xlsx      python3-openpyxl: an autofilter with a column of each filter kind (values
                             with blank and calendar, date groups, top 10, two custom conditions,
                             dynamic, colour through a differential format, icon), a table with a
                             totals row (label, sum, average, count, custom) and a table style, and
                             core document properties (creator, last modified by, created, modified)
  libreoffice-scenarios.xlsx LibreOffice Calc through python3-uno: two scenarios over input cells of
                             one sheet (Calc keeps a scenario as a sheet of its own and writes it
                             as the scenarios element of the sheet it belongs to)

Calc's data consolidation (XConsolidatable.consolidate) and its external data links are not
written to .xlsx by Calc (no dataConsolidate element, no connections part); the reader tests build
those parts with the tests' own zip writer instead.

Lines of NAME.members (what openpyxl reads):
  docprops  creator, last modified by, created, modified (yyyy-mm-ddThh:mm:ssZ)
  scenario  sheet, name, input cells as REF=VALUE joined by "|"
  filter    sheet, column id, kind, then by kind: values (values joined by "|", blank 0/1,
            calendar type), dategroup (year-month-day hour:minute:second grouping, joined by "|"),
            top10 (top 0/1, percent 0/1, val, filterVal), custom (and 0/1, operator value joined by
            "|"), dynamic (type, val), color (dxf id, cell colour 0/1), icon (icon set, icon id)
  table     sheet, name, area, type, style name, totals functions joined by "|" (empty for none),
            totals labels joined by "|"

Run: tests/data/xlsx/make_member_fixtures.py   (rewrites the fixtures and .members files above)
"""

import datetime
import os
import shutil
import sys
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True
sys.path.insert(0, HERE)
from fixturetools import LibreOffice, escape, general  # noqa: E402


def iso(t):
    return t.strftime("%Y-%m-%dT%H:%M:%SZ") if t else ""


def flag(v):
    return "1" if v else "0"


def make_openpyxl(path):
    import openpyxl
    from openpyxl.styles import PatternFill
    from openpyxl.styles.differential import DifferentialStyle
    from openpyxl.worksheet.filters import (ColorFilter, CustomFilter, CustomFilters, DateGroupItem,
                                            DynamicFilter, FilterColumn, Filters, IconFilter, Top10)
    from openpyxl.worksheet.table import Table, TableFormula, TableStyleInfo

    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "Filters"
    ws.append(["Name", "Rank", "Amount", "Score", "Colour", "Trend", "Day"])
    for i in range(1, 20):
        ws.append(["n%d" % i, i, i * 2.5, 100 - i, "c", i % 3, datetime.date(2024, 1 + i % 12, 1 + i)])
    wb._differential_styles.add(DifferentialStyle(fill=PatternFill(bgColor="FFFFC7CE")))
    f = ws.auto_filter
    f.ref = "A1:G20"
    f.filterColumn.append(FilterColumn(colId=0, filters=Filters(filter=["n1", "n2"], blank=True,
                                                                calendarType="gregorian")))
    f.filterColumn.append(FilterColumn(colId=6, filters=Filters(dateGroupItem=[
        DateGroupItem(year=2024, month=3, dateTimeGrouping="month"),
        DateGroupItem(year=2024, month=5, day=6, hour=7, minute=8, second=9, dateTimeGrouping="second")])))
    f.filterColumn.append(FilterColumn(colId=1, top10=Top10(top=False, percent=True, val=10, filterVal=3.5)))
    f.filterColumn.append(FilterColumn(colId=2, customFilters=CustomFilters(_and=True, customFilter=[
        CustomFilter(operator="greaterThan", val="5"), CustomFilter(operator="lessThanOrEqual", val="40")])))
    f.filterColumn.append(FilterColumn(colId=3, dynamicFilter=DynamicFilter(type="aboveAverage", val=90.5)))
    f.filterColumn.append(FilterColumn(colId=4, colorFilter=ColorFilter(dxfId=0, cellColor=True)))
    f.filterColumn.append(FilterColumn(colId=5, iconFilter=IconFilter(iconSet="3Arrows", iconId=1)))

    t = wb.create_sheet("Tables")
    t.append(["Region", "Sales", "Units", "Note", "Bonus"])
    for i, region in enumerate(["North", "South", "East", "West"]):
        t.append([region, 100 + i * 10, i + 1, "x", i * 1.5])
    t.append(["Total", None, None, None, None])
    tab = Table(displayName="SalesTable", ref="A1:E6", totalsRowCount=1)
    tab._initialise_columns()
    for column, name in zip(tab.tableColumns, ["Region", "Sales", "Units", "Note", "Bonus"]):
        column.name = name
    tab.tableColumns[0].totalsRowLabel = "Total"
    tab.tableColumns[1].totalsRowFunction = "sum"
    tab.tableColumns[2].totalsRowFunction = "average"
    tab.tableColumns[3].totalsRowFunction = "count"
    tab.tableColumns[4].totalsRowFunction = "custom"
    tab.tableColumns[4].totalsRowFormula = TableFormula(attr_text="SUM(SalesTable[Bonus])*2")
    tab.autoFilter = None
    tab.tableStyleInfo = TableStyleInfo(name="TableStyleMedium9", showRowStripes=True, showFirstColumn=True)
    t.add_table(tab)

    wb.properties.creator = "Fixture Writer"
    wb.properties.lastModifiedBy = "Second Editor"
    wb.properties.created = datetime.datetime(2024, 3, 5, 14, 30, 0)
    wb.properties.modified = datetime.datetime(2024, 6, 1, 8, 0, 0)
    wb.save(path)


def make_libreoffice(lo, path):
    from com.sun.star.table import CellRangeAddress

    doc = lo.new_calc()
    sheet = doc.Sheets.getByIndex(0)
    sheet.Name = "Plan"
    for r in range(4):
        sheet.getCellByPosition(0, r).String = "Item %d" % (r + 1)
        sheet.getCellByPosition(1, r).Value = 10 * (r + 1)
        sheet.getCellByPosition(2, r).Value = r + 0.5
    sheet.getCellByPosition(3, 0).Formula = "=SUM(B1:B4)*C1"
    sheet.getScenarios().addNewByName("Best case", (CellRangeAddress(0, 1, 0, 1, 3),), "high sales")
    sheet.getScenarios().addNewByName("Low rate", (CellRangeAddress(0, 2, 0, 2, 1),), "")
    props = doc.DocumentProperties
    props.Author = "Calc Writer"
    props.ModifiedBy = "Calc Editor"
    lo.store(doc, path, "Calc Office Open XML")
    doc.close(True)


def members_from_openpyxl(path):
    import openpyxl

    wb = openpyxl.load_workbook(path)
    p = wb.properties
    # openpyxl gives a part without dcterms:created the time of its own reading: by design the
    # expected value is then empty, as the file holds none.
    with zipfile.ZipFile(path) as z:
        core = next((z.read(n) for n in z.namelist() if n.endswith("core.xml")), b"")
    created = iso(p.created) if b"dcterms:created" in core else ""
    lines = [["docprops", p.creator or "", p.lastModifiedBy or "", created, iso(p.modified)]]
    for ws in wb.worksheets:
        if ws.scenarios:
            for s in ws.scenarios.scenario:
                cells = "|".join("%s=%s" % (c.r, c.val) for c in s.inputCells)
                lines.append(["scenario", ws.title, s.name, cells])
        for c in ws.auto_filter.filterColumn:
            head = ["filter", ws.title, str(c.colId)]
            if c.filters is not None:
                fl = c.filters
                if fl.filter or fl.blank:
                    lines.append(head + ["values", "|".join(fl.filter), flag(fl.blank), fl.calendarType or "none"])
                if fl.dateGroupItem:
                    items = ["%d-%d-%d %d:%d:%d %s" % (g.year, g.month or 0, g.day or 0, g.hour or 0, g.minute or 0,
                                                       g.second or 0, g.dateTimeGrouping) for g in fl.dateGroupItem]
                    lines.append(head + ["dategroup", "|".join(items)])
            if c.top10 is not None:
                t = c.top10
                lines.append(head + ["top10", flag(t.top), flag(t.percent), general(t.val), general(t.filterVal)])
            if c.customFilters is not None:
                cf = c.customFilters
                conds = "|".join("%s %s" % (x.operator or "equal", x.val) for x in cf.customFilter)
                lines.append(head + ["custom", flag(cf._and), conds])
            if c.dynamicFilter is not None:
                lines.append(head + ["dynamic", c.dynamicFilter.type, general(c.dynamicFilter.val or 0)])
            if c.colorFilter is not None:
                lines.append(head + ["color", str(c.colorFilter.dxfId), flag(c.colorFilter.cellColor)])
            if c.iconFilter is not None:
                lines.append(head + ["icon", c.iconFilter.iconSet, str(c.iconFilter.iconId)])
        for tab in ws.tables.values():
            funcs = "|".join(c.totalsRowFunction or "" for c in tab.tableColumns)
            labels = "|".join(c.totalsRowLabel or "" for c in tab.tableColumns)
            if not any(c.totalsRowFunction for c in tab.tableColumns):
                funcs = ""
            style = tab.tableStyleInfo.name if tab.tableStyleInfo else ""
            lines.append(["table", ws.title, tab.name, tab.ref, tab.tableType or "worksheet", style, funcs, labels])
    return lines


def write_members(path, lines):
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        for line in lines:
            f.write("\t".join(escape(x) for x in line) + "\n")


def main():
    os.chdir(HERE)
    make_openpyxl("openpyxl-members.xlsx")
    profile = tempfile.mkdtemp(prefix="lo-profile-")
    try:
        with LibreOffice(profile) as lo:
            make_libreoffice(lo, "libreoffice-scenarios.xlsx")
    finally:
        shutil.rmtree(profile, ignore_errors=True)
    for name in ("openpyxl-members.xlsx", "libreoffice-scenarios.xlsx"):
        write_members(name[:-5] + ".members", members_from_openpyxl(name))
        print(name, os.path.getsize(name), "bytes")


if __name__ == "__main__":
    main()
