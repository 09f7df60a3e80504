#!/usr/bin/python3
"""Makes the workbook packages of this folder that hold the objects of a sheet beside its cells:
merged cells, hyperlinks (web address with a tooltip, a place in the workbook, a file, a UNC path),
comments, data validations, conditional formats, an autofilter, a table, hidden and very hidden
sheets, a chart sheet and workbook and sheet-scoped defined names.

  xlsxwriter-objects.xlsx    written by python3-xlsxwriter
  openpyxl-objects.xlsx      written by python3-openpyxl
  libreoffice-objects.xlsx   xlsxwriter-objects.xlsx opened and saved again by LibreOffice Calc
                             (soffice --convert-to)
  gnumeric-objects.xlsx      openpyxl-objects.xlsx converted by Gnumeric's ssconvert

What each program keeps of the objects when it writes is its own affair: the expected lines are
read back from every package by openpyxl (../make_dump_expected.py).

Run: tests/data/xlsx/make_object_fixtures.py, then tests/data/make_dump_expected.py
"""

import os
import shutil
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


def make_xlsxwriter(path):
    import xlsxwriter

    wb = xlsxwriter.Workbook(path)
    red = wb.add_format({"font_color": "red"})
    ws = wb.add_worksheet("Objects")
    ws.merge_range("A1:C1", "Merged title")
    ws.write_url("A3", "https://example.com/xlsxwriter", string="Web link", tip="Opens the web page")
    ws.write_url("A4", "internal:'Data Table'!A1", string="To the table")
    ws.write_url("A5", r"external:c:\temp\other.xlsx", string="A file")
    ws.write_url("A6", r"external:\\server\share\book.xlsx", string="A share")
    ws.write_string("A8", "Noted")
    ws.write_comment("A8", "A note from the writer", {"author": "Writer"})
    ws.data_validation("B3:B6", {"validate": "list", "source": ["alpha", "beta", "gamma"]})
    ws.data_validation("C3:C6", {"validate": "integer", "criteria": "between", "minimum": 1, "maximum": 10})
    ws.data_validation("D3", {"validate": "decimal", "criteria": ">", "value": 0.5})
    ws.data_validation("E3:E4 G3", {"validate": "custom", "value": "=LEN(E3)<5"})
    for r in range(10):
        ws.write_number(9 + r, 5, r)
    ws.conditional_format("F10:F19", {"type": "cell", "criteria": ">", "value": 5, "format": red})
    ws.conditional_format("F10:F19", {"type": "cell", "criteria": "between", "minimum": 2, "maximum": 4,
                                      "format": red})
    ws.conditional_format("F10:F19", {"type": "formula", "criteria": "=MOD(F10,2)=0", "format": red})
    ws.conditional_format("G10:G19", {"type": "3_color_scale"})
    ws.conditional_format("H10:H19", {"type": "data_bar"})
    ws.conditional_format("I10:I19", {"type": "top", "value": 3, "format": red})
    ws.conditional_format("J10:J19", {"type": "text", "criteria": "containing", "value": "x", "format": red})
    ws.write_row("A21", ["Name", "Count", "Note"])
    for r, row in enumerate([["a", 1, "x"], ["b", 2, "y"], ["c", 3, "z"]]):
        ws.write_row(21 + r, 0, row)
    ws.autofilter("A21:C24")

    tab = wb.add_worksheet("Data Table")
    tab.add_table("B2:D5", {"name": "Sales", "columns": [{"header": "Region"}, {"header": "Units"},
                                                          {"header": "Price"}],
                            "data": [["North", 3, 1.5], ["South", 4, 2.5], ["East", 5, 3.5]]})
    wb.add_worksheet("Hidden").hide()
    chart = wb.add_chart({"type": "column"})
    chart.add_series({"values": "='Data Table'!$C$3:$C$5"})
    wb.add_chartsheet("Chart").set_chart(chart)
    wb.define_name("Units", "='Data Table'!$C$3:$C$5")
    wb.define_name("Objects!Local", "=Objects!$F$10:$F$19")
    wb.close()


def make_openpyxl(path):
    import openpyxl
    from openpyxl.chart import BarChart, Reference
    from openpyxl.comments import Comment
    from openpyxl.formatting.rule import CellIsRule, ColorScaleRule, DataBarRule, FormulaRule, IconSetRule
    from openpyxl.styles import Font
    from openpyxl.styles.differential import DifferentialStyle  # noqa: F401 (rules make their own)
    from openpyxl.workbook.defined_name import DefinedName
    from openpyxl.worksheet.datavalidation import DataValidation
    from openpyxl.worksheet.hyperlink import Hyperlink
    from openpyxl.worksheet.table import Table, TableStyleInfo

    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "Objects"
    ws["A1"] = "Merged title"
    ws.merge_cells("A1:C2")
    ws.merge_cells("E1:E3")
    ws["A3"] = "Web link"
    ws["A3"].hyperlink = Hyperlink(ref="A3", target="https://example.com/openpyxl", tooltip="Web tooltip")
    ws["A4"] = "To the table"
    ws["A4"].hyperlink = Hyperlink(ref="A4", location="'Data Table'!B2")
    ws["A5"] = "A file"
    ws["A5"].hyperlink = "other.xlsx"
    ws["A8"] = "Noted"
    ws["A8"].comment = Comment("A note\nover two lines", "Reviewer")
    ws["B8"] = "Second"
    ws["B8"].comment = Comment("Another note", "Writer")

    dv = DataValidation(type="list", formula1='"red,green,blue"', allow_blank=True)
    dv.add("B3:B6")
    ws.add_data_validation(dv)
    dv = DataValidation(type="whole", operator="notBetween", formula1="0", formula2="9")
    dv.add("C3:C6")
    dv.add("C9")
    ws.add_data_validation(dv)
    dv = DataValidation(type="textLength", operator="lessThanOrEqual", formula1="12")
    dv.add("D3")
    ws.add_data_validation(dv)
    dv = DataValidation(type="date", operator="greaterThan", formula1="DATE(2024,1,1)")
    dv.add("D4")
    ws.add_data_validation(dv)

    for r in range(10, 20):
        ws.cell(r, 6, r - 10)
    red = Font(color="FF0000")
    ws.conditional_formatting.add("F10:F19", CellIsRule(operator="greaterThan", formula=["5"], font=red))
    ws.conditional_formatting.add("F10:F19", CellIsRule(operator="between", formula=["2", "4"], font=red))
    ws.conditional_formatting.add("G10:G19 I10", FormulaRule(formula=["MOD(G10,2)=0"], font=red))
    ws.conditional_formatting.add("H10:H19", ColorScaleRule(start_type="min", start_color="FFFFFF",
                                                            end_type="max", end_color="FF0000"))
    ws.conditional_formatting.add("I10:I19", DataBarRule(start_type="min", end_type="max", color="638EC6"))
    ws.conditional_formatting.add("J10:J19", IconSetRule("3Arrows", "percent", [0, 33, 67]))

    ws.append([])
    for r, row in enumerate([["Name", "Count"], ["a", 1], ["b", 2], ["c", 3]]):
        for c, v in enumerate(row):
            ws.cell(21 + r, 1 + c, v)
    ws.auto_filter.ref = "A21:B24"

    tab = wb.create_sheet("Data Table")
    for r, row in enumerate([["Region", "Units", "Price"], ["North", 3, 1.5], ["South", 4, 2.5]]):
        for c, v in enumerate(row):
            tab.cell(2 + r, 2 + c, v)
    table = Table(displayName="Sales", ref="B2:D4")
    table.tableStyleInfo = TableStyleInfo(name="TableStyleMedium9", showRowStripes=True)
    tab.add_table(table)

    wb.create_sheet("Hidden").sheet_state = "hidden"
    wb.create_sheet("Very Hidden").sheet_state = "veryHidden"
    chart = BarChart()
    chart.add_data(Reference(tab, min_col=3, min_row=2, max_row=4), titles_from_data=True)
    wb.create_chartsheet("Chart").add_chart(chart)

    wb.defined_names.append(DefinedName("Units", attr_text="'Data Table'!$C$3:$C$4"))
    wb.defined_names.append(DefinedName("Local", localSheetId=0, attr_text="Objects!$F$10:$F$19"))
    wb.defined_names.append(DefinedName("_xlnm.Print_Area", localSheetId=0, attr_text="Objects!$A$1:$J$24"))
    wb.save(path)


def main():
    os.chdir(HERE)
    make_xlsxwriter("xlsxwriter-objects.xlsx")
    make_openpyxl("openpyxl-objects.xlsx")
    work = tempfile.mkdtemp(prefix="lo-objects-")
    try:
        subprocess.run(["soffice", "-env:UserInstallation=file://" + os.path.join(work, "profile"), "--headless",
                        "--norestore", "--convert-to", "xlsx:Calc MS Excel 2007 XML", "--outdir", work,
                        "xlsxwriter-objects.xlsx"], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.copyfile(os.path.join(work, "xlsxwriter-objects.xlsx"), "libreoffice-objects.xlsx")
    finally:
        shutil.rmtree(work, ignore_errors=True)
    subprocess.run(["ssconvert", "-T", "Gnumeric_Excel:xlsx", "openpyxl-objects.xlsx", "gnumeric-objects.xlsx"],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for name in ("xlsxwriter-objects.xlsx", "openpyxl-objects.xlsx", "libreoffice-objects.xlsx",
                 "gnumeric-objects.xlsx"):
        print(name, os.path.getsize(name), "bytes")


if __name__ == "__main__":
    main()
