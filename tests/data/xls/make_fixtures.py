#!/usr/bin/python3
"""Makes the legacy workbook fixtures of this folder and, for each, the expected cell list.

Writers (Debian packages): LibreOffice Calc through python3-uno (BIFF8 only: it no longer writes
BIFF5), Gnumeric's ssconvert (Gnumeric_Excel:excel_biff8 and :excel_biff7) from packages made by
python3-xlsxwriter. Expected lists are read from every file by python3-xlrd 1.2 and turned into the
engine's cell text by ../xlsx/fixturetools.py, written as NAME.tsv; a file that needs a password has
it in NAME.password (no line end).

  libreoffice-biff8.xls     Latin and CJK shared strings, a CJK sheet name, a 10,000-character Latin
                            string and a 10,000-character CJK string (the shared-string table runs
                            across CONTINUE records, a string split inside its characters), numbers
                            in general form, dates, Boolean and error formula results, text formula
                            results, shared formulas (SHRFMLA) in a column and a row, =MID(A1,2,3),
                            an array formula, merged cells, a named range
  libreoffice-velvet.xls    a workbook whose structure is protected without a password: Calc
                            encrypts it (RC4, FILEPASS version 1.1) with the default password
                            "VelvetSweatshop", so it opens without one
  libreoffice-password.xls  encrypted by Calc with the password in libreoffice-password.password
  gnumeric-biff8.xls        Gnumeric BIFF8: Latin and CJK, numbers, Booleans, errors, formulas
  gnumeric-biff7.xls        Gnumeric BIFF7 (BIFF5 records, LABEL cells) in code page 1252
  gnumeric-biff7-cp936.xls  Gnumeric BIFF7 written in a Chinese locale: CODEPAGE 936, text in GBK

xlrd does not decrypt, so for the two encrypted files this script decrypts the Workbook stream
itself (RC4 with MD5 key derivation as [MS-OFFCRYPTO] 2.3.6 and the record rules of [MS-XLS]
2.2.10, with hashlib and an RC4 of a few lines), checks the password verifier, and hands the
decrypted stream to xlrd; Calc's encryption is thereby checked against an independent decryption.

Run: tests/data/xls/make_fixtures.py   (needs zh_CN.UTF-8 generated in /etc/locale.gen)
"""

import datetime
import hashlib
import os
import shutil
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(HERE, "..", "xlsx"))
from fixturetools import BOOL_TEXT, LibreOffice, general, write_tsv  # noqa: E402

PASSWORD = "kwsearch-2026"
DEFAULT_PASSWORD = "VelvetSweatshop"
LATIN = ["Plain text", "Grüße aus Köln", "Ça coûte 5 €", "Ærø – naïve café"]
CJK = ["中文字符测试", "日本語のテキスト", "한국어 텍스트", "繁體中文測試"]
GBK_TEXT = ["中文字符测试", "简体中文的单元格", "数字和文字", "日本語テキスト"]  # all in code page 936
NUMBERS = [0, 1, -1, 3.25, 0.1 + 0.2, 1 / 3, 100, 123456789012345, 1234567890123456, 1e20, -2.5e-10,
           1.5e-7, 0.00001, 2 ** 53, 3.14159265358979, -0.5, 65536, 536870911, 536870912, -536870913]
DATES = [datetime.datetime(2024, 2, 29), datetime.datetime(1900, 3, 1), datetime.datetime(2024, 1, 1, 12, 0)]


def long_latin():
    base = "The quick brown fox jumps over the lazy dog. "
    text = (base * 300)[:9990]
    return text + "ENDOFLATIN"  # 10,000 characters, a marker at the end


def long_cjk():
    base = "汉字测试长字符串的内容"
    text = (base * 1000)[:9994]
    return text + "END中文结尾"  # 10,000 characters


# ---------------------------------------------------------------------------------------------
# Expected cells through xlrd

def legacy_text(text):
    """The engine keeps of a legacy string only the characters from 32 up, LF and CR: a TAB read
    from the shared-string table or a LABEL record is dropped. (Text results of formulas lose LF and
    CR too; no formula of these fixtures gives one.)"""
    return "".join(ch for ch in text if ord(ch) >= 32 or ch in "\n\r")


def xlrd_cells(book):
    """(sheet name, row, column, xlrd cell type, engine text) of every cell that is neither empty
    nor blank, sheets in order, rows then columns."""
    import xlrd

    for sheet in book.sheets():
        for row in range(sheet.nrows):
            for col in range(sheet.ncols):
                cell = sheet.cell(row, col)
                if cell.ctype in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
                    continue
                if cell.ctype == xlrd.XL_CELL_TEXT:
                    text = legacy_text(cell.value)
                elif cell.ctype in (xlrd.XL_CELL_NUMBER, xlrd.XL_CELL_DATE):
                    text = general(cell.value)
                elif cell.ctype == xlrd.XL_CELL_BOOLEAN:
                    text = BOOL_TEXT[bool(cell.value)]
                elif cell.ctype == xlrd.XL_CELL_ERROR:
                    text = xlrd.error_text_from_code[cell.value]
                else:
                    raise ValueError("cell type %r" % cell.ctype)
                yield sheet.name, row, col, cell.ctype, text


def expected_from_xlrd(data):
    import xlrd

    book = xlrd.open_workbook(file_contents=data, formatting_info=False, on_demand=False,
                              logfile=open(os.devnull, "w"))
    return [(sheet, row, col, text) for sheet, row, col, _, text in xlrd_cells(book)]


# ---------------------------------------------------------------------------------------------
# RC4 decryption of a BIFF8 Workbook stream

def rc4(key, data):
    s = list(range(256))
    j = 0
    for i in range(256):
        j = (j + s[i] + key[i % len(key)]) & 0xFF
        s[i], s[j] = s[j], s[i]
    out = bytearray(len(data))
    i = j = 0
    for n, b in enumerate(data):
        i = (i + 1) & 0xFF
        j = (j + s[i]) & 0xFF
        s[i], s[j] = s[j], s[i]
        out[n] = b ^ s[(s[i] + s[j]) & 0xFF]
    return bytes(out)


def block_key(h1, block):
    return hashlib.md5(h1[:5] + struct.pack("<I", block)).digest()


def workbook_stream(path):
    import xlrd.compdoc

    data = open(path, "rb").read()
    doc = xlrd.compdoc.CompDoc(data, logfile=open(os.devnull, "w"))
    return bytes(doc.get_named_stream("Workbook"))


# Records whose bodies stay plain in an encrypted stream: BOF, FILEPASS, USREXCL, FILELOCK,
# INTERFACEHDR, RRDINFO, RRDHEAD; BOUNDSHEET keeps its first four bytes (the sheet offset) plain.
PLAIN_RECORDS = {0x0809, 0x002F, 0x0194, 0x0195, 0x00E1, 0x0196, 0x0138}


def decrypt_stream(stream, password):
    """The Workbook stream with every encrypted record body decrypted and FILEPASS renamed to a
    record that readers skip (same length, so sheet offsets stay right)."""
    pos = 0
    out = bytearray(stream)
    h1 = None
    keystream = {}

    def key_bytes(offset, count):  # the RC4 key stream at stream offset.. offset+count
        res = bytearray()
        while count:
            block, inner = divmod(offset, 1024)
            if block not in keystream:
                keystream[block] = rc4(block_key(h1, block), bytes(1024))
            take = min(count, 1024 - inner)
            res += keystream[block][inner:inner + take]
            offset += take
            count -= take
        return res

    while pos + 4 <= len(stream):
        rtype, size = struct.unpack_from("<HH", stream, pos)
        body = pos + 4
        if rtype == 0x002F:
            enc_type, major, minor = struct.unpack_from("<HHH", stream, body)
            if (enc_type, major, minor) != (1, 1, 1):
                raise ValueError("FILEPASS is not RC4 version 1.1: %r" % ((enc_type, major, minor),))
            salt = stream[body + 6:body + 22]
            verifier = stream[body + 22:body + 38]
            verifier_hash = stream[body + 38:body + 54]
            h0 = hashlib.md5(password.encode("utf-16-le")).digest()
            h1 = hashlib.md5((h0[:5] + salt) * 16).digest()
            plain = rc4(block_key(h1, 0), verifier + verifier_hash)
            if hashlib.md5(plain[:16]).digest() != plain[16:]:
                raise ValueError("the password %r does not open this file" % password)
            struct.pack_into("<H", out, pos, 0x00E2)  # a record type xlrd ignores
        elif h1 is not None and rtype not in PLAIN_RECORDS:
            start = body + 4 if rtype == 0x0085 else body
            count = body + size - start
            if count > 0:
                ks = key_bytes(start, count)
                for k in range(count):
                    out[start + k] ^= ks[k]
        pos = body + size
    if h1 is None:
        raise ValueError("no FILEPASS record")
    return bytes(out)


def has_record(stream, wanted):
    pos = 0
    while pos + 4 <= len(stream):
        rtype, size = struct.unpack_from("<HH", stream, pos)
        if rtype == wanted:
            return True
        pos += 4 + size
    return False


# ---------------------------------------------------------------------------------------------
# Writers

def make_libreoffice_book(lo, protect_structure=False):
    doc = lo.new_calc()
    sheets = doc.Sheets
    sheets.getByIndex(0).Name = "Latin"
    sheets.insertNewByName("中文", 1)
    sheets.insertNewByName("Long", 2)
    sheets.insertNewByName("Formulas", 3)

    ws = sheets.getByName("Latin")
    for i, text in enumerate(LATIN):
        ws.getCellByPosition(0, i).setString(text)
        ws.getCellByPosition(1, i).setString(LATIN[0])
    for i, value in enumerate(NUMBERS):
        ws.getCellByPosition(2, i).setValue(float(value))
    ws.getCellByPosition(0, 6).setString("Merged area text")
    ws.getCellRangeByName("A7:B8").merge(True)
    ws.getCellByPosition(0, 9).setString("Tab\there and\nnewline")

    ws = sheets.getByName("中文")
    for i, text in enumerate(CJK):
        ws.getCellByPosition(0, i).setString(text)
        ws.getCellByPosition(1, i).setValue(i * 1.5)

    ws = sheets.getByName("Long")
    ws.getCellByPosition(0, 0).setString(long_latin())
    ws.getCellByPosition(0, 1).setString(long_cjk())
    for i in range(40):  # strings after the long ones, in the table's later records
        ws.getCellByPosition(1, i).setString("After long %d" % i if i % 2 else "之后 %d" % i)

    ws = sheets.getByName("Formulas")
    for i in range(20):
        ws.getCellByPosition(0, i).setValue(float(i + 1))
    # Filled down: Calc writes each column as one shared formula.
    ws.getCellRangeByName("B1:B20").setFormulaArray(tuple(("=A%d*2" % (i + 1),) for i in range(20)))
    ws.getCellRangeByName("C1:C20").setFormulaArray(tuple(('="Row "&A%d' % (i + 1),) for i in range(20)))
    row = tuple("=%s22+1" % chr(ord("A") + c) for c in range(8))  # filled right along row 22
    ws.getCellByPosition(0, 21).setValue(1.0)
    ws.getCellRangeByName("B22:I22").setFormulaArray((row,))
    ws.getCellByPosition(3, 0).setString("Kwsearch")
    singles = ["=MID(D1;2;3)", "=A1<A2", "=A1>A2", "=1/0", "=NA()", '="a"+1', "=NOSUCHFUNCTION(1)",
               "=SQRT(-1)", "=A3/7", '=REPT("ab";3)', '=""']
    for i, f in enumerate(singles):
        ws.getCellByPosition(4, i).setFormula(f)
    ws.getCellRangeByName("F1:F3").setArrayFormula("A1:A3*10")
    fmts = doc.NumberFormats
    key = fmts.queryKey("YYYY-MM-DD", doc.CharLocale, False)
    if key == -1:
        key = fmts.addNew("YYYY-MM-DD", doc.CharLocale)
    epoch = datetime.datetime(1899, 12, 30)
    for i, value in enumerate(DATES):
        c = ws.getCellByPosition(6, i)
        c.setValue((value - epoch) / datetime.timedelta(days=1))
        c.NumberFormat = key
    doc.NamedRanges.addNewByName("Numbers", "$Formulas.$A$1:$A$20", ws.getCellByPosition(0, 0).CellAddress, 0)
    if protect_structure:
        doc.protect("")
    doc.calculateAll()
    return doc


def make_small_book(lo, title):
    doc = lo.new_calc()
    ws = doc.Sheets.getByIndex(0)
    ws.Name = title
    ws.getCellByPosition(0, 0).setString("Secret text in " + title)
    ws.getCellByPosition(1, 0).setValue(42.5)
    ws.getCellByPosition(0, 1).setString("保密的中文")
    ws.getCellByPosition(1, 1).setFormula("=B1*2")
    ws.getCellByPosition(0, 2).setString("x" * 3000)  # a body longer than one 1024-byte key block
    doc.Sheets.insertNewByName("Second", 1)
    doc.Sheets.getByName("Second").getCellByPosition(2, 4).setString("On the second sheet")
    return doc


def make_gnumeric_source(path, texts):
    import xlsxwriter

    wb = xlsxwriter.Workbook(path)
    ws = wb.add_worksheet("Gnumeric")
    for i, text in enumerate(texts):
        ws.write_string(i, 0, text)
    for i, value in enumerate(NUMBERS):
        ws.write_number(i, 1, value)
    for i in range(10):
        ws.write_formula(i, 2, "=B%d*2" % (i + 1), None, NUMBERS[i] * 2)
    ws.write_formula(0, 3, "=B2<B3", None, False)
    ws.write_formula(1, 3, "=1/0", None, "#DIV/0!")
    ws.write_formula(2, 3, '="Text "&B2', None, "Text 1")
    ws.write_boolean(3, 3, True)
    ws2 = wb.add_worksheet("Second")
    ws2.write_string(0, 0, texts[0] + " again")
    ws2.write_number(2, 2, 2.5)
    wb.close()


def main():
    os.chdir(HERE)
    work = tempfile.mkdtemp(prefix="xls-fixtures-")
    profile = os.path.join(work, "lo-fixtures-bench")
    outputs = {}  # file name -> (password or None)
    try:
        with LibreOffice(profile) as lo:
            doc = make_libreoffice_book(lo)
            lo.store(doc, "libreoffice-biff8.xls", "MS Excel 97")
            doc.close(True)
            outputs["libreoffice-biff8.xls"] = None
            doc = make_small_book(lo, "Velvet")
            doc.protect("")
            lo.store(doc, "libreoffice-velvet.xls", "MS Excel 97")
            doc.close(True)
            outputs["libreoffice-velvet.xls"] = DEFAULT_PASSWORD
            doc = make_small_book(lo, "Password")
            lo.store(doc, "libreoffice-password.xls", "MS Excel 97", password=PASSWORD)
            doc.close(True)
            outputs["libreoffice-password.xls"] = PASSWORD

        src = os.path.join(work, "latin.xlsx")
        make_gnumeric_source(src, LATIN + CJK)
        for target, name, env in (("excel_biff8", "gnumeric-biff8.xls", {}),
                                  ("excel_biff7", "gnumeric-biff7.xls", {"LC_ALL": "C.UTF-8"})):
            subprocess.run(["ssconvert", "-T", "Gnumeric_Excel:" + target, src, name], check=True,
                           env=dict(os.environ, **env), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            outputs[name] = None
        src = os.path.join(work, "gbk.xlsx")
        make_gnumeric_source(src, GBK_TEXT)
        subprocess.run(["ssconvert", "-T", "Gnumeric_Excel:excel_biff7", src, "gnumeric-biff7-cp936.xls"], check=True,
                       env=dict(os.environ, LANG="zh_CN.UTF-8", LC_ALL="zh_CN.UTF-8"),
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        outputs["gnumeric-biff7-cp936.xls"] = None
    finally:
        shutil.rmtree(work, ignore_errors=True)

    import xlrd

    for name, password in outputs.items():
        base = name[:-4]
        if password is None:
            data = open(name, "rb").read()
            if os.path.exists(base + ".password"):
                os.remove(base + ".password")
        else:
            data = decrypt_stream(workbook_stream(name), password)
            if name != "libreoffice-velvet.xls":
                with open(base + ".password", "w", encoding="utf-8", newline="") as f:
                    f.write(password)
        book = xlrd.open_workbook(file_contents=data, logfile=open(os.devnull, "w"))
        write_tsv(base + ".tsv", expected_from_xlrd(data))
        print("%-28s BIFF%d code page %s, %d bytes" % (name, book.biff_version // 10, book.codepage,
                                                      os.path.getsize(name)))
    stream = workbook_stream("libreoffice-biff8.xls")
    assert has_record(stream, 0x04BC), "no SHRFMLA record in libreoffice-biff8.xls"
    assert has_record(stream, 0x003C), "no CONTINUE record in libreoffice-biff8.xls"


if __name__ == "__main__":
    main()
