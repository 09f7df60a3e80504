// node find_npm_xlsx.js MODULE_DIR FILE KEYWORD: the peer search with the npm package "xlsx"
// (installed by run.sh into MODULE_DIR): the workbook read whole, every cell's shown text (or its
// value) searched with letters folded; prints "found" / "absent" as xls_find does.
const path = require("path");
const XLSX = require(path.join(process.argv[2], "node_modules", "xlsx"));
const keyword = process.argv[4];
const wanted = keyword.toUpperCase();
const wb = XLSX.readFile(process.argv[3]);
for (const name of wb.SheetNames) {
  const ws = wb.Sheets[name];
  for (const ref of Object.keys(ws)) {
    if (ref[0] === "!") continue;
    const cell = ws[ref];
    const text = cell.w !== undefined ? cell.w : String(cell.v);
    if (text.toUpperCase().includes(wanted)) {
      console.log(`found\t${keyword}\t${name}\t${ref}`);
      process.exit(0);
    }
  }
}
console.log(`absent\t${keyword}`);
