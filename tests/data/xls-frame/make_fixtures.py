#!/usr/bin/python3
"""Makes the legacy-workbook fixtures of the record-loop tests.

LibreOffice (headless, own profile, driven through python3-uno) builds one small workbook with
three worksheets (the second hidden) and saves it as BIFF8 ("MS Excel 97") and as BIFF8 protected
with the password "frame-pw" (the "Password" store property, which LibreOffice writes as RC4
encryption, FILEPASS type 1). LibreOffice no longer writes BIFF5, so Gnumeric's ssconvert rewrites
the BIFF8 file as BIFF8 and as BIFF7 (the BIFF5 record layout in a "Book" stream).

Run: /usr/bin/python3 tests/data/xls-frame/make_fixtures.py  (needs libreoffice-calc, python3-uno,
gnumeric). Writes lo-biff8.xls, lo-biff8-protected.xls, gn-biff8.xls, gn-biff7.xls
beside this script.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

import uno
from com.sun.star.beans import PropertyValue

HERE = os.path.dirname(os.path.abspath(__file__))
PASSWORD = "frame-pw"


def prop(name, value):
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


def fill(doc):
    sheets = doc.Sheets
    sheets.getByIndex(0).Name = "Alpha"
    sheets.insertNewByName("Beta", 1)
    sheets.insertNewByName("Gamma", 2)
    alpha = sheets.getByName("Alpha")
    alpha.getCellByPosition(0, 0).String = "Keyword alpha"
    alpha.getCellByPosition(1, 0).Value = 123.5
    alpha.getCellByPosition(2, 0).Formula = "=B1*2"
    # Enough distinct strings that the shared-string table runs into CONTINUE records and the
    # stream spans several 1024-byte blocks.
    for r in range(1, 400):
        alpha.getCellByPosition(0, r).String = "row %d text %s" % (r, "x" * (r % 37))
        alpha.getCellByPosition(1, r).Value = r * 1.25
    beta = sheets.getByName("Beta")
    beta.getCellByPosition(0, 0).String = "hidden sheet text"
    beta.IsVisible = False
    gamma = sheets.getByName("Gamma")
    gamma.getCellByPosition(3, 4).String = "Gamma D5"


def main():
    profile = tempfile.mkdtemp(prefix="lo-biff-frame-")
    pipe = "biffframe%d" % os.getpid()
    office = subprocess.Popen([
        "soffice", "-env:UserInstallation=file://" + profile, "--headless", "--invisible",
        "--norestore", "--accept=pipe,name=%s;urp;" % pipe])
    try:
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
        ctx = None
        for _ in range(120):
            try:
                ctx = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
                break
            except Exception:
                time.sleep(0.5)
        if ctx is None:
            sys.exit("LibreOffice did not start")
        desktop = ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)
        doc = desktop.loadComponentFromURL("private:factory/scalc", "_blank", 0, (prop("Hidden", True),))
        fill(doc)
        url = lambda n: uno.systemPathToFileUrl(os.path.join(HERE, n))
        doc.storeToURL(url("lo-biff8.xls"), (prop("FilterName", "MS Excel 97"),))
        doc.storeToURL(url("lo-biff8-protected.xls"),
                       (prop("FilterName", "MS Excel 97"), prop("Password", PASSWORD)))
        doc.close(True)
        try:
            desktop.terminate()
        except Exception:
            pass
    finally:
        try:
            office.wait(timeout=30)
        except subprocess.TimeoutExpired:
            office.kill()
        shutil.rmtree(profile, ignore_errors=True)
    src = os.path.join(HERE, "lo-biff8.xls")
    for fmt, name in (("Gnumeric_Excel:excel_biff8", "gn-biff8.xls"), ("Gnumeric_Excel:excel_biff7", "gn-biff7.xls")):
        subprocess.run(["ssconvert", "-T", fmt, src, os.path.join(HERE, name)], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


if __name__ == "__main__":
    main()
