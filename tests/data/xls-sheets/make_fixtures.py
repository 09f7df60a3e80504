#!/usr/bin/python3
"""Makes the legacy sheet-record fixtures of this folder and their expected lines.

Source: sheets-source.xlsx, written here by python3-openpyxl, with on sheet "Links" hyperlinks
(URL, mailto, relative file, absolute file, UNC path, a place in the workbook, with tooltips),
merged areas, column widths (one hidden column), row heights (one hidden row), a pane frozen at
B2, page setup, margins, header and footer and page breaks; on sheet "Rules" validations (an
explicit list with prompts, whole numbers over two ranges, a custom formula, a list from a range),
conditional formats (fill, font, border, one over two ranges, five rules on one range) and an
autofilter with conditions; sheet "Locked" is protected.

Writers (Debian packages):
  sheets-libreoffice.xls      soffice --headless --convert-to xls (BIFF8). It writes every record
                              kind above but PANE (headless conversion loses frozen panes),
                              HLINKTOOLTIP, FILTERMODE, AUTOFILTER and conditional-format groups
                              over three rules.
  sheets-gnumeric-biff8.xls   ssconvert -T Gnumeric_Excel:excel_biff8: PANE, AUTOFILTER, a CONDFMT
                              of five CF records, no HLINK.
  sheets-gnumeric-biff7.xls   ssconvert -T Gnumeric_Excel:excel_biff7: the same in BIFF5 records,
                              with DV and CF in BIFF5 layouts.
Bare BIFF2-4 files: make_sheetjs.py (SheetJS through node) writes sheetjs-biff2/3/4.xls with their
cells as xlrd reads them; bare files with COLWIDTH, ROW or FORMULA have no writer here at all:
tests/support/biffbook.h builds those.

Expected lines, in the form of xls_dump (bench/xlsdump/README.md):
  NAME.xlrd      merged, col, row, hyperlink, pane of each .xls as python3-xlrd 1.2 reads it with
                 formatting_info=True (widths in characters: xlrd's 1/256 units ÷ 256; heights in
                 points: its twips ÷ 20). xlrd drops the up-level count of a relative file link
                 (its "..\\"), and refuses formatting_info on a BIFF7 file with CONDFMT records,
                 which the Gnumeric BIFF7 file has: that file gets no .xlrd.
  sheets-source.openpyxl
                 validation, condformat, autofilter, print margins, headfoot and protection as
                 openpyxl reads the source package.

Run: tests/data/xls-sheets/make_fixtures.py
"""

import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(HERE, "..", "xlsx"))
from fixturetools import col_name, escape, general  # noqa: E402

SOURCE = os.path.join(HERE, "sheets-source.xlsx")

LINKS = [  # cell, target, location, tooltip
    ("A1", "http://example.com/page", None, "Example site"),
    ("A2", "mailto:someone@example.com", None, None),
    ("A3", "../up/report.xls", None, None),
    ("A4", "file:///C:/Data/table.xls", None, None),
    ("A5", "\\\\server\\share\\book.xls", None, None),
    ("A6", None, "Rules!B3", "Go to the rules"),
]


def make_source():
    from openpyxl import Workbook
    from openpyxl.formatting.rule import CellIsRule, FormulaRule
    from openpyxl.styles import Border, Font, PatternFill, Side
    from openpyxl.worksheet.datavalidation import DataValidation
    from openpyxl.worksheet.pagebreak import Break

    wb = Workbook()
    ws = wb.active
    ws.title = "Links"
    for cell, target, location, tip in LINKS:
        ws[cell] = "link " + cell
        if target:
            ws[cell].hyperlink = target
        else:
            ws[cell].hyperlink = "#" + location
            ws[cell].hyperlink.location = location
            ws[cell].hyperlink.target = None
        if tip:
            ws[cell].hyperlink.tooltip = tip
    for r in range(8, 40):
        for c in range(1, 6):
            ws.cell(r, c, r * 10 + c)
    ws.merge_cells("B8:C9")
    ws.merge_cells("D12:E12")
    ws.merge_cells("A20:A25")
    ws.column_dimensions["A"].width = 20
    ws.column_dimensions["B"].width = 8.5
    ws.column_dimensions["D"].width = 31.25
    ws.column_dimensions["E"].hidden = True
    ws.row_dimensions[3].height = 30
    ws.row_dimensions[10].hidden = True
    ws.row_dimensions[15].height = 6.75
    ws.freeze_panes = "B2"
    ws.page_setup.orientation = "landscape"
    ws.page_setup.paperSize = ws.PAPERSIZE_A4
    ws.page_setup.scale = 85
    ws.page_margins.left = 0.5
    ws.page_margins.right = 0.6
    ws.page_margins.top = 1.1
    ws.page_margins.bottom = 1.2
    ws.oddHeader.center.text = "Sheet header"
    ws.oddFooter.right.text = "Page &P"
    ws.row_breaks.append(Break(id=20))
    ws.col_breaks.append(Break(id=3))
    ws.print_options.gridLines = True

    rules = wb.create_sheet("Rules")
    for r in range(1, 30):
        for c in range(1, 8):
            rules.cell(r, c, (r * 7 + c * 3) % 23)
    rules["H1"], rules["H2"], rules["H3"] = "red", "green", "blue"
    dv = DataValidation(type="list", formula1='"alpha,beta,gamma"', allow_blank=True)
    dv.promptTitle, dv.prompt, dv.showInputMessage = "Pick", "One of three", True
    dv.errorTitle, dv.error, dv.showErrorMessage = "Wrong", "Not in the list", True
    dv.add("A2:A5")
    rules.add_data_validation(dv)
    whole = DataValidation(type="whole", operator="between", formula1="1", formula2="10")
    whole.add("B2:B5")
    whole.add("D2:D5")
    rules.add_data_validation(whole)
    custom = DataValidation(type="custom", formula1="LEN(C2)>2")
    custom.add("C2:C5")
    rules.add_data_validation(custom)
    ranged = DataValidation(type="list", formula1="$H$1:$H$3")
    ranged.add("E2:E5")
    rules.add_data_validation(ranged)
    red = PatternFill(start_color="FFFF0000", end_color="FFFF0000", fill_type="solid")
    rules.conditional_formatting.add("A10:A15", CellIsRule(operator="greaterThan", formula=["10"], fill=red))
    rules.conditional_formatting.add("B10:B15", CellIsRule(operator="between", formula=["2", "6"],
                                                           font=Font(bold=True, color="FF0000FF")))
    thin = Side(style="thin", color="FF000000")
    rules.conditional_formatting.add("C10:C15", FormulaRule(formula=["C10>5"],
                                                            border=Border(left=thin, right=thin, top=thin, bottom=thin)))
    rules.conditional_formatting.add("D10:D12 F10:F12", CellIsRule(operator="lessThan", formula=["5"], fill=red))
    for op, val in [("equal", "1"), ("equal", "2"), ("equal", "3"), ("equal", "4"), ("equal", "5")]:
        rules.conditional_formatting.add("G10:G20", CellIsRule(operator=op, formula=[val], fill=red))
    rules.auto_filter.ref = "A20:C29"
    rules.auto_filter.add_filter_column(0, ["3", "5"])
    rules.auto_filter.add_custom_filter = None

    locked = wb.create_sheet("Locked")
    locked["A1"] = "protected"
    locked.protection.sheet = True
    locked.protection.password = "secret"
    wb.save(SOURCE)


def convert(tmp):
    out = {}
    # Converted beside the source, so that its relative link keeps one level up.
    subprocess.run(["soffice", "-env:UserInstallation=file://" + os.path.join(tmp, "profile"), "--headless",
                    "--convert-to", "xls", "--outdir", HERE, SOURCE], check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    shutil.move(os.path.join(HERE, "sheets-source.xls"), os.path.join(tmp, "lo.xls"))
    out["sheets-libreoffice.xls"] = os.path.join(tmp, "lo.xls")
    for kind in ("biff8", "biff7"):
        path = os.path.join(tmp, "gn-" + kind + ".xls")
        subprocess.run(["ssconvert", "-T", "Gnumeric_Excel:excel_" + kind, SOURCE, path], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        out["sheets-gnumeric-" + kind + ".xls"] = path
    for name, path in out.items():
        shutil.copyfile(path, os.path.join(HERE, name))
    return list(out)


ACTIVE_PANES = ["bottomRight", "topRight", "bottomLeft", "topLeft"]
XLRD_LINK_KINDS = {"url": "url", "local file": "file", "unc": "unc", "workbook": "workbook"}


def xlrd_lines(path):
    import xlrd

    book = xlrd.open_workbook(path, formatting_info=True)
    lines = []
    for sh in book.sheets():
        name = escape(sh.name)
        for rlo, rhi, clo, chi in sh.merged_cells:
            area = "%s%d" % (col_name(clo), rlo + 1)
            if (rhi - rlo, chi - clo) != (1, 1):
                area += ":%s%d" % (col_name(chi - 1), rhi)
            lines.append("merged\t%s\t%s" % (name, area))
        for h in sh.hyperlink_list:
            area = "%s%d" % (col_name(h.fcolx), h.frowx + 1)
            if (h.lrowx, h.lcolx) != (h.frowx, h.fcolx):
                area += ":%s%d" % (col_name(h.lcolx), h.lrowx + 1)
            target = h.url_or_path if h.type != "workbook" else h.textmark
            lines.append("hyperlink\t%s\t%s\t%s\t%s\t%s" % (name, area, XLRD_LINK_KINDS.get(h.type, ""),
                                                        escape(target or ""), escape(h.quicktip or "")))
        # xlrd keeps one object per COLINFO record for each column it covers.
        groups = []
        for colx in sorted(sh.colinfo_map):
            info = sh.colinfo_map[colx]
            if groups and groups[-1][0] is info and groups[-1][2] == colx - 1:
                groups[-1][2] = colx
            else:
                groups.append([info, colx, colx])
        for info, first, last in groups:
            lines.append("col\t%s\t%s\t%s\t%s\t%d" % (name, col_name(first), col_name(last),
                                                      general(info.width / 256), info.hidden))
        for rowx in sorted(sh.rowinfo_map):
            info = sh.rowinfo_map[rowx]
            # xls_dump prints no line for a row whose header is a plain row's (15 points, no flags).
            if info.height == 300 and not info.hidden and not info.outline_level and not info.has_default_xf_index:
                continue
            lines.append("row\t%s\t%d\t%s\t%d" % (name, rowx + 1, general(info.height / 20), info.hidden))
        if sh.vert_split_pos or sh.horz_split_pos:
            lines.append("pane\t%s\t%s\t%s%d\t%s\t%s\t%s" % (
                name, "frozen" if sh.panes_are_frozen else "split", col_name(sh.vert_split_first_visible),
                sh.horz_split_first_visible + 1, general(sh.vert_split_pos), general(sh.horz_split_pos),
                ACTIVE_PANES[sh.split_active_pane or 0]))
    return lines


def openpyxl_lines():
    from openpyxl import load_workbook

    wb = load_workbook(SOURCE)
    lines = []
    for ws in wb.worksheets:
        name = escape(ws.title)
        for dv in ws.data_validations.dataValidation:
            lines.append("validation\t%s\t%s\t%s\t%s\t%s\t%s" % (
                name, str(dv.sqref), dv.type or "", dv.operator or ("between" if dv.type not in (None, "list", "custom") else ""),
                escape(dv.formula1 or ""), escape(dv.formula2 or "")))
        for cf in ws.conditional_formatting:
            for rule in cf.rules:
                f = list(rule.formula or []) + ["", ""]
                lines.append("condformat\t%s\t%s\t%s\t%s\t%s\t%s" % (
                    name, str(cf.sqref), rule.type, rule.operator or "", escape(f[0]), escape(f[1])))
        if ws.auto_filter.ref:
            lines.append("autofilter\t%s\t%s" % (name, ws.auto_filter.ref))
        hf = [ws.oddHeader, ws.oddFooter]
        texts = []
        for part in hf:
            text = ""
            for code, side in (("&L", part.left), ("&C", part.center), ("&R", part.right)):
                if side.text:
                    text += code + side.text
            texts.append(text)
        if any(texts):
            lines.append("headfoot\t%s\t%s\t%s" % (name, escape(texts[0]), escape(texts[1])))
        m = ws.page_margins
        lines.append("margins\t%s\t%s\t%s\t%s\t%s" % (name, general(m.left), general(m.right), general(m.top),
                                                   general(m.bottom)))
        for kind, brks in (("row", ws.row_breaks.brk), ("col", ws.col_breaks.brk)):
            for b in brks:
                lines.append("pagebreak\t%s\t%s\t%d" % (name, kind, b.id))
        p = ws.protection
        if p.sheet:
            actions = [a for a in ("objects", "scenarios", "formatCells", "formatColumns", "formatRows",
                                   "insertColumns", "insertRows", "insertHyperlinks", "deleteColumns",
                                   "deleteRows", "selectLockedCells", "selectUnlockedCells", "sort",
                                   "autoFilter", "pivotTables") if getattr(p, a)]
            lines.append("protection\t%s\t%s\t%s" % (name, p.password or "", " ".join(actions)))
    return lines


def main():
    make_source()
    with tempfile.TemporaryDirectory() as tmp:
        names = convert(tmp)
    for name in names:
        base = os.path.join(HERE, name[:-4])
        if name.endswith("biff7.xls"):
            if os.path.exists(base + ".xlrd"):
                os.remove(base + ".xlrd")
            continue
        with open(base + ".xlrd", "w", encoding="utf-8") as f:
            f.write("".join(line + "\n" for line in xlrd_lines(os.path.join(HERE, name))))
    with open(os.path.join(HERE, "sheets-source.openpyxl"), "w", encoding="utf-8") as f:
        f.write("".join(line + "\n" for line in openpyxl_lines()))


if __name__ == "__main__":
    main()
