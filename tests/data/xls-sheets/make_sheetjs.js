// Writes bare BIFF2, BIFF3 and BIFF4 workbooks with SheetJS (npm's "xlsx"), one sheet of numbers,
// texts, Booleans, an error, a blank and a date serial: sheetjs-biff2.xls, sheetjs-biff3.xls,
// sheetjs-biff4.xls. Needs node and the package, installed outside the repository:
//
//     mkdir -p /tmp/sheetjs && (cd /tmp/sheetjs && npm install xlsx)
//     NODE_PATH=/tmp/sheetjs/node_modules node tests/data/xls-sheets/make_sheetjs.js
//
// make_sheetjs.py runs it and writes NAME.tsv beside each file: its cells as python3-xlrd 1.2
// reads them.
const path = require("path");
const XLSX = require("xlsx");

const rows = [
  ["Name", "Count", "Price", "Flag"],
  ["apple", 3, 1.25, true],
  ["pear", -7, 1e-7, false],
  ["plum", 123456789, 3.14159265358979, null],
  ["big", 1e300, -0.5, true],
];
const ws = XLSX.utils.aoa_to_sheet(rows);
ws["E1"] = { t: "s", v: "Err" };
ws["E2"] = { t: "e", v: 0x07 };  // #DIV/0!
ws["E3"] = { t: "z" };  // a blank cell
ws["E4"] = { t: "n", v: 45000.5 };
ws["A6"] = { t: "s", v: "text with spaces  and \u00e9" };
ws["!ref"] = "A1:E6";
const wb = XLSX.utils.book_new();
XLSX.utils.book_append_sheet(wb, ws, "Data");
for (const kind of ["biff2", "biff3", "biff4"]) {
  XLSX.writeFile(wb, path.join(__dirname, "sheetjs-" + kind + ".xls"), { bookType: kind, sheetStubs: true });
}
