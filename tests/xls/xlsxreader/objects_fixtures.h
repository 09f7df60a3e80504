// Small packages for the sheet-objects reader tests: a workbook with one worksheet (rId1) and one
// chartsheet (rId2), and one load that parses the worksheet part as the sheet loader does and hands
// it to the objects reader.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tests/xls/package/opc_fixtures.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsworksheetdata.h"
#include "xls/xlsxreader/xlsreadxlsxobjects.h"
#include "xls/package/xlspackageopc.h"
#include "xls/spreadsheetml/xpgparsexlsx.h"

namespace xls::objectsfixtures {

using opcfixtures::Parts;
using opcfixtures::Rel;
using opcfixtures::Rels;

inline const std::string kMain =
    "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";

inline std::string Worksheet(const std::string& body) {
  return "<worksheet " + kMain + ">" + body + "</worksheet>";
}

// A package with one worksheet (rId1) and one chartsheet (rId2); `extra` adds or replaces parts.
inline Parts Book(const std::string& sheetXml, const std::vector<Rel>& sheetRels, const Parts& extra = {}) {
  Parts p{{"[Content_Types].xml", opcfixtures::kTypes},
          {"_rels/.rels", Rels({{"rId1", "officeDocument", "xl/workbook.xml", ""}})},
          {"xl/workbook.xml", "<workbook/>"},
          {"xl/_rels/workbook.xml.rels", Rels({{"rId1", "worksheet", "worksheets/sheet1.xml", ""},
                                               {"rId2", "chartsheet", "chartsheets/sheet2.xml", ""}})},
          {"xl/worksheets/sheet1.xml", sheetXml}};
  if (!sheetRels.empty()) p["xl/worksheets/_rels/sheet1.xml.rels"] = Rels(sheetRels);
  for (const auto& [k, v] : extra) p[k] = v;
  return p;
}

// The number of listed messages that contain `part`.
inline int MessagesWith(const TXLSErrorManager& errors, std::u16string_view part) {
  int n = 0;
  for (const auto& e : errors.ErrorList()) n += e.Text.find(part) != std::u16string::npos;
  return n;
}

// One load: the hub, the open package, the objects reader and the first sheet.
struct Load {
  explicit Load(const Parts& parts) : Load(opcfixtures::Package(parts)) {}
  explicit Load(std::string package) : hub(&factory, &errors), bytes(std::move(package)) {
    errors.SetIgnoreXMLWarnings(false);
    errors.SetSaveToList(true);
    hub.CreateMembers();
    pkg.OpenRead(bytes, false);
    objects = std::make_unique<TXLSReadXLSXObjects>(hub, pkg, nullptr);
    sheet = hub.Worksheets().Add(0);
  }
  // What the sheet loader does around the objects reader.
  void ReadSheet() { ReadSheet(u"rId1", *sheet); }
  void ReadSheet(std::u16string_view rId, TXc12DataWorksheet& target) {
    auto stream = pkg.OpenAndReadSheet(rId);
    xpgxlsx::TXPGDocXLSX doc;
    doc.LoadFromStream(*stream);
    objects->ReadWorksheetObjects(*doc.Worksheet(), target);
    pkg.CloseSheet();
    objects->LoadComments(rId, target);
  }
  int Warnings(std::u16string_view part) const { return MessagesWith(errors, part); }
  TXLSClassFactoryImpl factory;
  TXLSErrorManager errors;
  TXc12Manager hub;
  TXLSMemoryStream bytes;
  TOPC_XLSX pkg;
  std::unique_ptr<TXLSReadXLSXObjects> objects;
  TXc12DataWorksheet* sheet = nullptr;
};

inline TXLSCellArea Area(int c1, int r1, int c2, int r2) { return {r1, r2, c1, c2}; }

}  // namespace xls::objectsfixtures
