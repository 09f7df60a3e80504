#!/usr/bin/python3
"""Makes the legacy formula fixtures of this folder.

  gnumeric-biff7-3d.xls   Gnumeric BIFF7 (BIFF5 tokens) with 3-D references into another sheet of
                          the workbook: First!A1 =Second!B3+1, First!A2 =SUM(Second!A1:B2),
                          First!C1:C5 =Second!A1*2 .. =Second!A5*2

  libreoffice-biff8-shared.xls  LibreOffice Calc BIFF8, sheet "Main": numbers 1 to 12 in A1:A12 and
                          nine formulas filled down C2:K10, which Calc writes as shared formulas
                          (SHRFMLA) where it can: negative column and row offsets, mixed absolute
                          parts, an area, a union inside a function (a memory token whose
                          sub-expression holds the relative references), IF with strings; and,
                          written per cell, a reference into the sheet "Other Sheet", an
                          intersection and an array constant of two rows and two columns.

  libreoffice-biff8-names.xls  LibreOffice Calc BIFF8, sheets "My Sheet", "Second" and "Third":
                          references into 'My Sheet', the 3-D range 'My Sheet':Third, a reference
                          into a second LibreOffice book (other.xls: a SUPBOOK with an encoded
                          path and its XCT/CRN cache), EOMONTH (an add-in PtgNameX), a name used
                          in a formula, workbook- and sheet-scope names, Print_Area, Print_Titles
                          and an autofilter (_FilterDatabase).

  gnumeric-names-biff8.xls, gnumeric-names-biff7.xls  ssconvert (Gnumeric_Excel:excel_biff8 and
                          :excel_biff7) of an openpyxl source: one-sheet references, a workbook
                          and a sheet-scope name, a name in a formula and EOMONTH.

  *.peers                 what the other programs read from each of these three files, one line
                          a formula or name in xls_dump's form: "lo" lines from LibreOffice's own
                          reading (soffice converts the .xls to .xlsx, openpyxl reads its defined
                          names, formulas and external-link books), "xlrd" lines from xlrd 1.2's
                          name_obj_list.

Writers (Debian packages): python3-xlsxwriter for the source package and Gnumeric's ssconvert
(Gnumeric_Excel:excel_biff7) for the BIFF7 file; LibreOffice Calc through python3-uno (with
../xlsx/fixturetools.py) for the BIFF8 file.

Run: tests/data/formula/make_fixtures.py
"""

import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(HERE, "..", "xlsx"))
from fixturetools import LibreOffice  # noqa: E402

# The formulas of C2:K10 by the 1-based row r, in Calc's formula syntax (";" between arguments,
# "!" intersection, array rows split by "|").
SHARED_FORMULAS = [
    lambda r: "=A%d*2" % r,
    lambda r: "=$A%d+A$1+$A$1" % r,
    lambda r: "=SUM(A%d:A%d)" % (r - 1, r),
    lambda r: "='Other Sheet'.A%d+1" % r,
    lambda r: "=SUM((A%d;A%d))" % (r, r + 1),
    lambda r: "=SUM(A1:A%d!A%d:A12)" % (r + 1, r),
    lambda r: "=SUM({1;2|3;4})+A%d" % r,
    lambda r: '=IF(A%d>5;"big";"small")' % r,
    lambda r: "=C%d" % (r + 1),
]


def make_libreoffice_shared(lo, path):
    doc = lo.new_calc()
    ws = doc.Sheets.getByIndex(0)
    ws.Name = "Main"
    doc.Sheets.insertNewByName("Other Sheet", 1)
    for i in range(12):
        ws.getCellByPosition(0, i).setValue(float(i + 1))
    for c, formula in enumerate(SHARED_FORMULAS):
        cells = ws.getCellRangeByPosition(c + 2, 1, c + 2, 9)
        cells.setFormulaArray(tuple((formula(r),) for r in range(2, 11)))
    doc.calculateAll()
    lo.store(doc, path, "MS Excel 97")
    doc.close(True)


def make_libreoffice_names(lo, work, path):
    other_path = os.path.join(work, "dir", "other.xls")
    os.makedirs(os.path.dirname(other_path), exist_ok=True)
    other = lo.new_calc()
    other.Sheets.getByIndex(0).Name = "Data"
    other.Sheets.getByIndex(0).getCellByPosition(0, 0).setValue(42.0)
    lo.store(other, other_path, "MS Excel 97")
    other.close(True)

    doc = lo.new_calc()
    sheets = doc.Sheets
    sheets.getByIndex(0).Name = "My Sheet"
    sheets.insertNewByName("Second", 1)
    sheets.insertNewByName("Third", 2)
    my, second = sheets.getByIndex(0), sheets.getByIndex(1)
    for r in range(4):
        for c in range(2):
            my.getCellByPosition(c, r).setValue(float(r * 2 + c + 1))
    my.getCellByPosition(0, 5).setValue(45000.0)
    from com.sun.star.table import CellAddress
    names = doc.NamedRanges
    names.addNewByName("Total", "$'My Sheet'.$A$1:$B$2", CellAddress(0, 0, 0), 0)
    names.addNewByName("Rate", "$'My Sheet'.$B$4", CellAddress(0, 0, 0), 0)
    second.NamedRanges.addNewByName("Local", "$Second.$A$1", CellAddress(1, 0, 0), 0)
    formulas = [
        "='My Sheet'.A1*2",
        "=SUM($'My Sheet'.A1:$Third.B2)",
        "=SUM(Total)*Rate",
        "=EOMONTH('My Sheet'.A6;1)",
        "='file://%s'#$Data.A1+1" % other_path,
        "=Local+1",
    ]
    for r, f in enumerate(formulas):
        second.getCellByPosition(0, r).setFormula(f)
    my.setPrintAreas((my.getCellRangeByName("A1:B4").RangeAddress,))
    my.setPrintTitleRows(True)
    my.setTitleRows(my.getCellRangeByName("A1:B1").RangeAddress)
    db = doc.DatabaseRanges
    db.addNewByName("__Anonymous_Sheet_DB__0", my.getCellRangeByName("A1:B4").RangeAddress)
    db.getByName("__Anonymous_Sheet_DB__0").AutoFilter = True
    doc.calculateAll()
    lo.store(doc, path, "MS Excel 97")
    doc.close(True)


def make_gnumeric_names(work):
    import openpyxl
    from openpyxl.workbook.defined_name import DefinedName

    src = os.path.join(work, "names-src.xlsx")
    wb = openpyxl.Workbook()
    first = wb.active
    first.title = "First"
    second = wb.create_sheet("Second")
    for r in range(1, 4):
        second.cell(r, 1, r)
        second.cell(r, 2, r * 10)
    first["A1"] = "=Second!B3+1"
    first["A2"] = "=SUM(Second!A1:B2)"
    first["A3"] = "=SUM(Total)*2"
    first["A4"] = "=EOMONTH(B1,1)"
    first["A5"] = "=Rate*3"
    first["B1"] = 45000
    first["C1"] = 0.5
    total = DefinedName("Total", attr_text="Second!$A$1:$B$2")
    rate = DefinedName("Rate", attr_text="First!$C$1", localSheetId=0)
    if hasattr(wb.defined_names, "append"):  # openpyxl 3.0: one list, the scope in localSheetId
        wb.defined_names.append(total)
        wb.defined_names.append(rate)
    else:  # openpyxl 3.1: sheet-scope names live with their sheet
        wb.defined_names[total.name] = total
        rate.localSheetId = None
        first.defined_names[rate.name] = rate
    wb.save(src)
    for kind, name in (("excel_biff8", "gnumeric-names-biff8.xls"), ("excel_biff7", "gnumeric-names-biff7.xls")):
        subprocess.run(["ssconvert", "-T", "Gnumeric_Excel:" + kind, src, os.path.join(HERE, name)], check=True,
                       env=dict(os.environ, LC_ALL="C.UTF-8"), stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)


def peer_lines(lo, work, path):
    """The formula and name lines LibreOffice (through .xlsx and openpyxl) and xlrd read."""
    import openpyxl
    import xlrd

    lines = []
    book = xlrd.open_workbook(path, logfile=open(os.devnull, "w"))
    sheets = book.sheets()
    for n in book.name_obj_list:
        scope = sheets[n.scope].name if 0 <= n.scope < len(sheets) else ""
        text = n.result.text if n.result is not None else ""
        lines.append("xlrd\tname\t%s\t%s\t%s" % (scope, ("_xlnm." if n.builtin else "") + n.name, text))
    doc = lo.load(path)
    xlsx = os.path.join(work, os.path.basename(path) + ".xlsx")
    lo.store(doc, xlsx, "Calc MS Excel 2007 XML")
    doc.close(True)
    wb = openpyxl.load_workbook(xlsx)
    defined = wb.defined_names
    items = defined.items() if hasattr(defined, "items") else [(d.name, d) for d in defined.definedName]
    for name, dn in items:
        lines.append("lo\tname\t\t%s\t%s" % (name, dn.attr_text))
    for ws in wb.worksheets:
        local = getattr(ws, "defined_names", {})
        for name, dn in (local.items() if hasattr(local, "items") else []):
            lines.append("lo\tname\t%s\t%s\t%s" % (ws.title, name, dn.attr_text))
        for row in ws.iter_rows():
            for cell in row:
                if isinstance(cell.value, str) and cell.value.startswith("="):
                    lines.append("lo\tformula\t%s\t%s\t%s" % (ws.title, cell.coordinate, cell.value[1:]))
    for i, link in enumerate(wb._external_links):
        book_path = link.file_link.Target if link.file_link is not None else ""
        sheet_names = "|".join(s.val if hasattr(s, "val") else str(s)
                               for s in (link.externalBook.sheetNames.sheetName if link.externalBook.sheetNames else []))
        lines.append("lo\tlink\t%d\t%s\t%s" % (i + 1, book_path, sheet_names))
    with open(path[:-4] + ".peers", "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")


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
        make_gnumeric_names(work)
        with LibreOffice(os.path.join(work, "lo-legacy-formula")) as lo:
            make_libreoffice_shared(lo, os.path.join(HERE, "libreoffice-biff8-shared.xls"))
            make_libreoffice_names(lo, work, os.path.join(HERE, "libreoffice-biff8-names.xls"))
            for name in ("libreoffice-biff8-names.xls", "gnumeric-names-biff8.xls", "gnumeric-names-biff7.xls"):
                peer_lines(lo, work, os.path.join(HERE, name))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
