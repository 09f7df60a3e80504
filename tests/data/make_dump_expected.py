#!/usr/bin/python3
"""Writes NAME.dump beside every workbook fixture of xlsx/ and xls/: the lines that xls_dump should
print for the kinds another program reads from the same file (the line form is bench/xlsdump/README.md).

  xlsx/*.xlsx   read by python3-openpyxl: book, sheet (with its kind and state), name, docprops,
                merged, hyperlink, comment, validation, condformat, autofilter, table, scenario
                (openpyxl gives a core-properties part without created or modified the time of its
                own reading, and itself as the creator; such a field is written empty, as the file
                holds none), and the pivot
                kinds pivotcache, pivotcachefield, pivottable, pivotdatafield (caches as openpyxl's
                workbook parser loads each listed one; the tables using a cache are those openpyxl
                links to it; a field's default function is left empty: openpyxl names none),
                and the charts of sheets and chart sheets (_charts) as chart and series lines:
                the anchor's cells, the plot area's chart types, the title (a reference's
                formula, else the text of its paragraphs joined by LF), each series' idx, order,
                name, category, value and bubble-size references as written; charts numbered in
                the order of the dump's drawing lines (two-cell, one-cell, then absolute anchors);
                a file openpyxl cannot load (a chart it cannot read) gets no NAME.dump
  xls/*.xls     read by python3-xlrd 1.2: book, sheet, name, cell; the two encrypted files are
                decrypted first by xls/make_fixtures.py's own RC4 (xlrd does not decrypt)

The test (tests/bench/xlsdump/xls_dump_test.cpp) compares kind by kind, each kind as a set of lines,
and lists the differences that are there by design.

Run: tests/data/make_dump_expected.py   (after the fixture scripts of xlsx/ and xls/)
"""

import glob
import os
import sys
import zipfile
from urllib.parse import urlparse

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(HERE, "xlsx"))
sys.path.insert(0, os.path.join(HERE, "xls"))
from fixturetools import escape, general, ref  # noqa: E402

DEFAULT_PASSWORD = "VelvetSweatshop"


def line(*fields):
    return "\t".join(escape("" if f is None else str(f)) for f in fields)


def write_lines(path, lines):
    with open(path, "w", encoding="utf-8", newline="\n") as out:
        for text in lines:
            out.write(text + "\n")


# ---------------------------------------------------------------------------------------------
# Packages through openpyxl

def package_names(path, sheet_titles):
    """Every defined name of the workbook part as openpyxl parses it, before its reader moves print
    areas and titles to their sheets and drops _xlnm._FilterDatabase."""
    from openpyxl.packaging.workbook import WorkbookPackage
    from openpyxl.reader.excel import ExcelReader, _find_workbook_part
    from openpyxl.xml.functions import fromstring

    reader = ExcelReader(path)
    reader.read_manifest()
    part = _find_workbook_part(reader.package).PartName[1:]
    with zipfile.ZipFile(path) as z:
        package = WorkbookPackage.from_tree(fromstring(z.read(part)))
    lines = []
    for dn in package.definedNames.definedName if package.definedNames else []:
        scope = sheet_titles[dn.localSheetId] if dn.localSheetId is not None else ""
        lines.append(line("name", scope, dn.name, dn.attr_text or ""))
    return lines


def hyperlink_kind(link):
    if not link.target:
        return "workbook"
    if urlparse(link.target).scheme.lower() in ("http", "https", "mailto", "ftp", "news"):
        return "url"
    if link.target.startswith("\\\\") or link.target.startswith("file:///\\\\"):
        return "unc"
    return "file"


def pivot_lines(path, wb):
    """The pivot kinds as openpyxl reads them: every cache the workbook lists (in its order, each
    with its records), and every sheet's tables with their data fields."""
    import datetime

    from openpyxl.packaging.relationship import get_dependents, get_rel
    from openpyxl.pivot.cache import CacheDefinition
    from openpyxl.pivot.record import RecordList
    from openpyxl.reader.excel import ExcelReader

    reader = ExcelReader(path)
    reader.read_manifest()
    reader.read_workbook()
    parser = reader.parser
    tables = [(ws.title, p) for ws in wb.worksheets for p in ws._pivots]
    by_key = {}  # openpyxl keeps one cache per id: the last listed (its tables point to it)
    caches = []
    for c in parser.caches:
        cache = get_rel(reader.archive, parser.rels, id=c.id, cls=CacheDefinition)
        if cache.deps:
            cache.records = get_rel(reader.archive, cache.deps, cache.id, RecordList)
        caches.append((c.cacheId, cache))
        by_key[c.cacheId] = cache
    lines = []
    epoch = datetime.datetime(1899, 12, 30)
    for cache_id, cache in caches:
        src = cache.cacheSource
        ws = src.worksheetSource if src is not None else None
        records = len(cache.records.r) if getattr(cache, "records", None) is not None else 0
        # openpyxl links the tables of an id to the cache it kept for that id (the last listed).
        used = sum(1 for _, p in tables if p.cacheId == cache_id) if by_key[cache_id] is cache else 0
        lines.append(line("pivotcache", cache_id, src.type if src is not None else "", ws.sheet if ws else "",
                          (ws.ref or ws.name) if ws else "", len(cache.cacheFields), records, used))
        for i, f in enumerate(cache.cacheFields):
            items = []
            for v in (f.sharedItems._fields if f.sharedItems is not None else []):
                kind = type(v).__name__
                if kind == "Boolean":
                    items.append("b:" + ("TRUE" if v.v else "FALSE"))
                elif kind == "DateTimeField":
                    items.append("d:" + general((v.v - epoch) / datetime.timedelta(days=1)))
                elif kind == "Error":
                    items.append("e:" + v.v)
                elif kind == "Missing":
                    items.append("m:BLANK")
                elif kind == "Number":
                    items.append("n:" + general(v.v))
                else:
                    items.append("s:" + v.v)
            lines.append(line("pivotcachefield", cache_id, i, f.name, "", "|".join(items)))
    for sheet, p in tables:
        def joined(values):
            return "|".join(str(x) for x in values)

        lines.append(line("pivottable", sheet, p.name, p.cacheId, p.location.ref, joined(f.x for f in p.rowFields),
                          joined(f.x for f in p.colFields), joined(f.fld for f in p.pageFields),
                          int(p.rowGrandTotals is not False), int(p.colGrandTotals is not False),
                          int(p.cache is not None)))
        for i, d in enumerate(p.dataFields):
            lines.append(line("pivotdatafield", sheet, p.name, i, d.name, d.fld, d.subtotal))
    return lines


def expected_from_openpyxl(path):
    import openpyxl
    from openpyxl.chartsheet import Chartsheet
    from openpyxl.utils.datetime import MAC_EPOCH

    wb = openpyxl.load_workbook(path)
    sheets = wb._sheets  # worksheets and chart sheets in workbook order
    lines = [line("book", "xlsx", len(sheets), "1904" if wb.epoch == MAC_EPOCH else "1900")]
    for i, ws in enumerate(sheets):
        lines.append(line("sheet", i, ws.title, "chart" if isinstance(ws, Chartsheet) else "work", ws.sheet_state))
    lines += package_names(path, [ws.title for ws in sheets])
    with zipfile.ZipFile(path) as z:
        core = next((z.read(n) for n in z.namelist() if n.endswith("core.xml")), None)
    if core is not None:
        p = wb.properties

        def iso(t, tag):
            return t.strftime("%Y-%m-%dT%H:%M:%SZ") if t and tag in core else ""

        # openpyxl names itself the creator of a part that names none.
        creator = p.creator if b"creator>" in core else ""
        lines.append(line("docprops", creator, p.lastModifiedBy, iso(p.created, b"dcterms:created"),
                          iso(p.modified, b"dcterms:modified")))
    for ws in wb.worksheets:
        name = ws.title
        for rng in ws.merged_cells.ranges:
            lines.append(line("merged", name, rng.coord))
        links, comments = {}, []
        for (row, col), cell in sorted(ws._cells.items()):
            if cell.hyperlink is not None:  # a link over an area is copied to each of its cells
                links.setdefault(cell.hyperlink.ref, cell.hyperlink)
            if cell.comment is not None:
                comments.append(line("comment", name, cell.coordinate, cell.comment.author, cell.comment.text))
        for area, link in links.items():
            lines.append(line("hyperlink", name, area, hyperlink_kind(link), link.target or link.location,
                              link.tooltip))
        lines += comments
        for dv in ws.data_validations.dataValidation:
            lines.append(line("validation", name, str(dv.sqref), dv.type or "none", dv.operator or "between",
                              dv.formula1, dv.formula2))
        for cf in ws.conditional_formatting:
            for rule in cf.rules:
                formulas = list(rule.formula or []) + ["", ""]
                lines.append(line("condformat", name, str(cf.sqref), rule.type, rule.operator, formulas[0],
                                  formulas[1]))
        if ws.auto_filter.ref:
            lines.append(line("autofilter", name, ws.auto_filter.ref))
        for table in ws.tables.values():
            columns = "|".join(c.name for c in table.tableColumns)
            totals = "|".join(c.totalsRowFunction or "" for c in table.tableColumns)
            if not any(c.totalsRowFunction for c in table.tableColumns):
                totals = ""
            style = table.tableStyleInfo.name if table.tableStyleInfo else ""
            lines.append(line("table", name, table.name or table.displayName, table.ref, columns,
                              table.tableType or "worksheet", style, totals))
        if ws.scenarios:
            for sc in ws.scenarios.scenario:
                cells = "|".join("%s=%s" % (c.r, c.val) for c in sc.inputCells)
                lines.append(line("scenario", name, sc.name, cells))
    return lines + pivot_lines(path, wb) + chart_lines(wb)


def chart_lines(wb):
    from make_chart_expected import name as series_name, ref as source_ref
    from openpyxl.drawing.spreadsheet_drawing import AbsoluteAnchor, OneCellAnchor, TwoCellAnchor

    def cell(marker):
        return ref(marker.row, marker.col) if marker is not None else ""

    def title(t):
        if t is None or t.tx is None:
            return ""
        if t.tx.strRef is not None:
            return t.tx.strRef.f or ""
        if t.tx.rich is None:
            return ""
        return "\n".join("".join(r.t or "" for r in (p.r or [])) for p in t.tx.rich.paragraphs)

    rank = {TwoCellAnchor: 0, OneCellAnchor: 1, AbsoluteAnchor: 2}
    lines = []
    for ws in wb._sheets:
        charts = sorted(ws._charts, key=lambda c: rank[type(c._read_anchor)])  # sorted() is stable
        for number, chart in enumerate(charts):
            a = chart._read_anchor
            to = getattr(a, "to", None)
            groups = chart._charts
            lines.append(line("chart", ws.title, cell(getattr(a, "_from", None)), cell(to),
                              "|".join(g.tagname for g in groups), title(chart.title),
                              sum(len(g.series) for g in groups)))
            for g in groups:
                for s in g.series:
                    xs, ys = getattr(s, "xVal", None), getattr(s, "yVal", None)
                    cat = source_ref(s.cat) if getattr(s, "cat", None) is not None else source_ref(xs)
                    val = source_ref(s.val) if getattr(s, "val", None) is not None else source_ref(ys)
                    lines.append(line("series", ws.title, number, g.tagname, s.idx, s.order, series_name(s.tx),
                                      cat, val, source_ref(getattr(s, "bubbleSize", None))))
    return lines


def keep_chart_anchors():
    """openpyxl anchors every chart of a chart sheet at A1 when it adds it; the anchor its drawing
    gave is kept aside first, for worksheets and chart sheets alike."""
    from openpyxl.chartsheet import Chartsheet
    from openpyxl.worksheet.worksheet import Worksheet

    for cls in (Worksheet, Chartsheet):
        add = cls.add_chart

        def keep(self, chart, *args, _add=add):
            chart._read_anchor = chart.anchor
            return _add(self, chart, *args)

        cls.add_chart = keep


# ---------------------------------------------------------------------------------------------
# Legacy workbooks through xlrd

VERSION_WORDS = {20: "xls21", 21: "xls21", 30: "xls30", 40: "xls40", 45: "xls40", 50: "xls50", 70: "xls50",
                 80: "xls97"}
VISIBILITY = {0: "visible", 1: "hidden", 2: "veryHidden"}


def expected_from_xlrd(data):
    import xlrd
    from make_fixtures import xlrd_cells

    book = xlrd.open_workbook(file_contents=data, logfile=open(os.devnull, "w"))
    sheets = book.sheets()
    lines = [line("book", VERSION_WORDS[book.biff_version], len(sheets), "1904" if book.datemode else "1900")]
    for i, sheet in enumerate(sheets):
        lines.append(line("sheet", i, sheet.name, "work", VISIBILITY[sheet.visibility]))
    for n in book.name_obj_list:
        scope = sheets[n.scope].name if 0 <= n.scope < len(sheets) else ""
        text = n.result.text if n.result is not None else ""
        lines.append(line("name", scope, ("_xlnm." if n.builtin else "") + n.name, text))
    types = {xlrd.XL_CELL_TEXT: "s", xlrd.XL_CELL_NUMBER: "n", xlrd.XL_CELL_DATE: "n",
             xlrd.XL_CELL_BOOLEAN: "b", xlrd.XL_CELL_ERROR: "e"}
    for sheet, row, col, ctype, text in xlrd_cells(book):
        lines.append(line("cell", sheet, ref(row, col), types[ctype], text))
    return lines


def legacy_bytes(path):
    """The bytes xlrd reads: the file, or for an encrypted one its decrypted Workbook stream."""
    from make_fixtures import decrypt_stream, has_record, workbook_stream

    base = path[:-4]
    if os.path.exists(base + ".password"):
        with open(base + ".password", encoding="utf-8") as f:
            return decrypt_stream(workbook_stream(path), f.read())
    with open(path, "rb") as f:
        data = f.read()
    try:
        stream = workbook_stream(path)  # BIFF8 only; a BIFF5/7 file keeps its records in "Book"
    except TypeError:
        return data
    if has_record(stream, 0x002F):  # FILEPASS: protected with the default password
        return decrypt_stream(stream, DEFAULT_PASSWORD)
    return data


def main():
    keep_chart_anchors()
    for path in sorted(glob.glob(os.path.join(HERE, "xlsx", "*.xlsx"))):
        if not zipfile.is_zipfile(path):
            continue  # an encrypted package: its test compares it with the plain package it was made from
        try:
            lines = expected_from_openpyxl(path)
        except Exception as e:  # openpyxl 3.0 cannot read every chart (see xlsx/make_chart_fixtures.py)
            print(os.path.relpath(path, HERE), "not read by openpyxl:", type(e).__name__)
            continue
        write_lines(path[:-5] + ".dump", lines)
        print(os.path.relpath(path, HERE))
    for path in sorted(glob.glob(os.path.join(HERE, "xls", "*.xls"))):
        write_lines(path[:-4] + ".dump", expected_from_xlrd(legacy_bytes(path)))
        print(os.path.relpath(path, HERE))


if __name__ == "__main__":
    main()
