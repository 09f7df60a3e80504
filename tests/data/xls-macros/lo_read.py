#!/usr/bin/python3
"""Reads workbooks through LibreOffice (python3-uno) and gives, per file, the `macro` lines of its
Basic modules and the `cell` lines of its sheets:

    macro<TAB>module<TAB>type (module/document)<TAB>source lines joined by \\n (xls_dump's escapes)
    cell<TAB>sheet<TAB>A1<TAB>text as LibreOffice shows it

The two lines LibreOffice puts on top of an imported VBA module ("Rem Attribute VBA_ModuleType=..."
and "Option VBASupport 1") are left out. Used by make_fixtures.py and, with file names on the
command line, by the tests (one block of lines per file, each file's block headed "file<TAB>path").
"""
import os
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "xlsx"))
from fixturetools import LibreOffice, escape, ref  # noqa: E402


def read_doc(doc):
    out = {"macro": [], "cell": []}
    libs = doc.BasicLibraries
    for lib_name in libs.getElementNames():
        if not libs.isLibraryLoaded(lib_name):
            libs.loadLibrary(lib_name)
        lib = libs.getByName(lib_name)
        for name in lib.getElementNames():
            source = lib.getByName(name).replace("\r\n", "\n").split("\n")
            if source and source[0].startswith("Rem Attribute VBA_ModuleType="):
                source = source[2:] if len(source) > 1 and source[1].startswith("Option VBASupport") else source[1:]
            while source and source[-1] == "":
                source.pop()
            kind = "module"
            try:
                if lib.getModuleInfo(name).ModuleType == 4:  # com.sun.star.script.ModuleType.DOCUMENT
                    kind = "document"
            except Exception:
                pass
            out["macro"].append("\t".join(["macro", escape(name), kind, escape("\n".join(source))]))
    sheets = doc.Sheets
    for i in range(sheets.getCount()):
        sheet = sheets.getByIndex(i)
        cursor = sheet.createCursor()
        cursor.gotoEndOfUsedArea(False)
        end = cursor.getRangeAddress()
        for r in range(end.EndRow + 1):
            for c in range(end.EndColumn + 1):
                cell = sheet.getCellByPosition(c, r)
                if cell.getType().value == "EMPTY":
                    continue
                out["cell"].append("\t".join(["cell", escape(sheet.Name), ref(r, c),
                                              escape(cell.getString())]))
    return out


def read(paths):
    profile = tempfile.mkdtemp(prefix="lo-profile-")
    result = {}
    try:
        with LibreOffice(profile) as office:
            for path in paths:
                doc = office.load(path)
                result[path] = read_doc(doc)
                doc.close(True)
    finally:
        shutil.rmtree(profile, ignore_errors=True)
    return result


if __name__ == "__main__":
    got = read(sys.argv[1:])
    for path in sys.argv[1:]:
        sys.stdout.write("file\t%s\n" % path)
        for kind in ("macro", "cell"):
            for line in got[path][kind]:
                sys.stdout.write(line + "\n")
