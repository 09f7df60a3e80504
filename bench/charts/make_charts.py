#!/usr/bin/python3
"""make_charts.py OUT [CHARTS]: a workbook of CHARTS (default 1,000) column charts made by
python3-xlsxwriter, each with 3 series of 100 cached points over one data sheet."""
import sys

import xlsxwriter


def main():
    out = sys.argv[1]
    charts = int(sys.argv[2]) if len(sys.argv) > 2 else 1000
    wb = xlsxwriter.Workbook(out)
    data = wb.add_worksheet("Data")
    for r in range(100):
        data.write_row(r, 0, ["c%d" % r, r * 1.5, 100 - r, (r * 37) % 101])
    sheet = wb.add_worksheet("Charts")
    for k in range(charts):
        chart = wb.add_chart({"type": "column"})
        for c in "BCD":
            chart.add_series({"name": "Series %s" % c, "categories": "=Data!$A$1:$A$100",
                              "values": "=Data!$%s$1:$%s$100" % (c, c)})
        sheet.insert_chart(k * 16, (k % 4) * 9, chart)
    wb.close()


if __name__ == "__main__":
    main()
