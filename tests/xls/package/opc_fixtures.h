// Workbook packages for the OPC tests: relationships parts written from a table, and a standard
// package with sheets, a chartsheet, a drawing with images and a chart, and an unread custom part.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "tests/support/zipwriter.h"

namespace xls::opcfixtures {

inline const std::string kRelNs = "http://schemas.openxmlformats.org/package/2006/relationships";
inline const std::string kOfficeRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

struct Rel {
  std::string id, type, target, mode;  // type: the last path step of an office relationship type
};

inline std::string Rels(const std::vector<Rel>& rels) {
  std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Relationships xmlns=\"" + kRelNs + "\">";
  for (const Rel& r : rels) {
    const std::string type = r.type.find("://") != std::string::npos ? r.type : kOfficeRel + r.type;
    x += "<Relationship Id=\"" + r.id + "\" Type=\"" + type + "\" Target=\"" + r.target + "\"";
    if (!r.mode.empty()) x += " TargetMode=\"" + r.mode + "\"";
    x += "/>";
  }
  return x + "</Relationships>";
}

inline const std::string kTypes =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"xml\" ContentType=\"text/xml\"/>"
    "<Default Extension=\"png\" ContentType=\"image/other\"/>"
    "<Default Extension=\"data\" ContentType=\"application/x-data\"/>"
    "<Default Extension=\"data\" ContentType=\"application/x-second\"/>"
    "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/wb\"/>"
    "<Override PartName=\"/customXml/item1.xml\" ContentType=\"application/custom\"/>"
    "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/second\"/>"
    "</Types>";

using Parts = std::map<std::string, std::string>;

// A workbook package: two worksheets (one written with an absolute target), a chartsheet, styles,
// a calculation chain, a drawing with an internal and an external image and a chart, a custom XML
// part nobody reads.
inline Parts StandardParts() {
  return {
      {"[Content_Types].xml", kTypes},
      {"_rels/.rels", Rels({{"rId1", "officeDocument", "xl/workbook.xml", ""},
                            {"rId2", "http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties",
                             "docProps/core.xml", ""},
                            {"rId3", "customXml", "customXml/item1.xml", ""}})},
      {"docProps/core.xml", "<core/>"},
      {"customXml/item1.xml", "<custom>kept</custom>"},
      {"xl/workbook.xml", "<workbook/>"},
      {"xl/_rels/workbook.xml.rels",
       Rels({{"rId1", "worksheet", "worksheets/sheet1.xml", ""},
             {"rId2", "worksheet", "/xl/worksheets/sheet2.xml", ""},
             {"rId3", "chartsheet", "chartsheets/sheet3.xml", ""},
             {"rId4", "styles", "styles.xml", ""},
             {"rId5", "calcChain", "calcChain.xml", ""},
             {"rId6", "sharedStrings", "sharedStrings.xml", ""}})},
      {"xl/worksheets/sheet1.xml", "<worksheet>1</worksheet>"},
      {"xl/worksheets/sheet2.xml", "<worksheet>2</worksheet>"},
      {"xl/chartsheets/sheet3.xml", "<chartsheet/>"},
      {"xl/styles.xml", "<styleSheet/>"},
      {"xl/calcChain.xml", "<calcChain/>"},
      {"xl/worksheets/_rels/sheet1.xml.rels",
       Rels({{"rId1", "drawing", "../drawings/drawing1.xml", ""}, {"rId2", "comments", "../comments1.xml", ""}})},
      {"xl/worksheets/_rels/sheet2.xml.rels", Rels({{"rId7", "drawing", "../drawings/drawing2.xml", ""}})},
      {"xl/comments1.xml", "<comments/>"},
      {"xl/drawings/drawing1.xml", "<wsDr>1</wsDr>"},
      {"xl/drawings/drawing2.xml", "<wsDr>2</wsDr>"},
      {"xl/drawings/_rels/drawing1.xml.rels",
       Rels({{"rId1", "image", "../media/image1.png", ""},
             {"rId2", "image", "http://example.com/a.png", "External"},
             {"rId3", "chart", "../charts/chart1.xml", ""}})},
      {"xl/media/image1.png", "PNGDATA"},
      {"xl/charts/chart1.xml", "<chartSpace/>"},
      {"xl/charts/_rels/chart1.xml.rels",
       Rels({{"rId1", "http://schemas.microsoft.com/office/2011/relationships/chartStyle", "style1.xml", ""}})},
      {"xl/charts/style1.xml", "<cs:chartStyle/>"},
  };
}

inline std::string Package(const Parts& parts, bool stored = false) {
  kws::test::ZipWriter w;
  for (const auto& [name, data] : parts) stored ? w.Stored(name, data) : w.Deflated(name, data);
  return w.Bytes();
}

}  // namespace xls::opcfixtures
