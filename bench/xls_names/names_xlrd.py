#!/usr/bin/python3
"""names_xlrd.py FILE: the peer of xls_dump's name lines with xlrd (Debian's python3-xlrd 1.2): the
workbook opened (xlrd evaluates every name as it opens), every name printed with its scope and the
text of its evaluated result."""
import sys

import xlrd


def main(path):
    book = xlrd.open_workbook(path, logfile=open("/dev/null", "w"))
    sheets = book.sheets()
    out = []
    for n in book.name_obj_list:
        scope = sheets[n.scope].name if 0 <= n.scope < len(sheets) else ""
        text = n.result.text if n.result is not None else ""
        out.append("name\t%s\t%s\t%s" % (scope, n.name, text))
    sys.stdout.write("\n".join(out) + "\n")
    print("found\t%d names" % len(out))


if __name__ == "__main__":
    main(sys.argv[1])
