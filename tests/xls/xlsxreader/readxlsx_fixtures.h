// Small workbook packages for the package reader's tests, written with the tests' own zip writer:
// one workbook part naming its sheets, optional styles and shared strings, and any extra parts.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tests/support/zipwriter.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlserrors.h"

namespace kws::test {

inline constexpr char kMainNs[] = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
inline constexpr char kRelNs[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

struct TPackageSheet {
  std::string name;
  std::string xml;                 // the whole worksheet part; empty: see `type`
  std::string type = "worksheet";  // relationship type name
  std::string rels;                // the sheet's own relationships part, when not empty
};

// Builds a package. `sheetData` helpers wrap rows into a worksheet part.
class TPackageBuilder {
 public:
  TPackageBuilder& Sheet(std::string name, std::string xml, std::string type = "worksheet",
                         std::string rels = {}) {
    sheets_.push_back({std::move(name), std::move(xml), std::move(type), std::move(rels)});
    return *this;
  }
  TPackageBuilder& Styles(std::string xml) { return styles_ = std::move(xml), *this; }
  TPackageBuilder& SharedStrings(std::string xml) { return sst_ = std::move(xml), *this; }
  TPackageBuilder& WorkbookExtra(std::string xml) { return wbExtra_ = std::move(xml), *this; }
  TPackageBuilder& WorkbookAttributes(std::string a) { return wbAttrs_ = std::move(a), *this; }
  TPackageBuilder& WorkbookRel(std::string id, std::string type, std::string target) {
    wbRels_ += "<Relationship Id=\"" + id + "\" Type=\"" + std::string(kRelNs) + "/" + type + "\" Target=\"" +
               target + "\"/>";
    return *this;
  }
  TPackageBuilder& Part(std::string name, std::string data) {
    parts_.emplace_back(std::move(name), std::move(data));
    return *this;
  }
  // Leaves the content-types part out.
  TPackageBuilder& WithoutContentTypes() { return contentTypes_ = false, *this; }

  std::string Bytes() const {
    ZipWriter z;
    if (contentTypes_)
      z.Deflated("[Content_Types].xml",
                 "<?xml version=\"1.0\"?><Types "
                 "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                 "<Default Extension=\"rels\" "
                 "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                 "<Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>");
    z.Deflated("_rels/.rels",
               "<?xml version=\"1.0\"?><Relationships "
               "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
               "<Relationship Id=\"rId1\" Type=\"" +
                   std::string(kRelNs) + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>");
    std::string wb = "<?xml version=\"1.0\"?><workbook xmlns=\"" + std::string(kMainNs) + "\" xmlns:r=\"" +
                     kRelNs + "\"" + wbAttrs_ + ">" + wbExtra_ + "<sheets>";
    std::string rels =
        "<?xml version=\"1.0\"?><Relationships "
        "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (size_t i = 0; i < sheets_.size(); ++i) {
      const std::string n = std::to_string(i + 1);
      wb += "<sheet name=\"" + sheets_[i].name + "\" sheetId=\"" + n + "\" r:id=\"rIdS" + n + "\"/>";
      const std::string folder = sheets_[i].type == "chartsheet" ? "chartsheets" : "worksheets";
      rels += "<Relationship Id=\"rIdS" + n + "\" Type=\"" + kRelNs + "/" + sheets_[i].type + "\" Target=\"" +
              folder + "/sheet" + n + ".xml\"/>";
      z.Deflated("xl/" + folder + "/sheet" + n + ".xml", sheets_[i].xml);
      if (!sheets_[i].rels.empty())
        z.Deflated("xl/" + folder + "/_rels/sheet" + n + ".xml.rels",
                   "<?xml version=\"1.0\"?><Relationships "
                   "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" +
                       sheets_[i].rels + "</Relationships>");
    }
    wb += sheetEntries_ + "</sheets>" + wbTail_ + "</workbook>";
    if (!styles_.empty()) {
      rels +=
          "<Relationship Id=\"rIdSt\" Type=\"" + std::string(kRelNs) + "/styles\" Target=\"styles.xml\"/>";
      z.Deflated("xl/styles.xml", styles_);
    }
    if (!sst_.empty()) {
      rels += "<Relationship Id=\"rIdSst\" Type=\"" + std::string(kRelNs) +
              "/sharedStrings\" Target=\"sharedStrings.xml\"/>";
      z.Deflated("xl/sharedStrings.xml", sst_);
    }
    rels += wbRels_ + "</Relationships>";
    z.Deflated("xl/workbook.xml", wb);
    z.Deflated("xl/_rels/workbook.xml.rels", rels);
    for (const auto& [name, data] : parts_) z.Deflated(name, data);
    return z.Bytes();
  }

  TPackageBuilder& WorkbookTail(std::string xml) { return wbTail_ = std::move(xml), *this; }
  // Raw sheet entries after those of the sheets given (they may name the sheets' parts).
  TPackageBuilder& SheetEntries(std::string xml) { return sheetEntries_ = std::move(xml), *this; }

 private:
  std::vector<TPackageSheet> sheets_;
  std::string styles_, sst_, wbExtra_, wbAttrs_, wbRels_, wbTail_, sheetEntries_;
  std::vector<std::pair<std::string, std::string>> parts_;
  bool contentTypes_ = true;
};

// A worksheet part around sheetData content (rows), with optional elements after sheetData.
inline std::string WorksheetXml(std::string_view rows, std::string_view after = {},
                                std::string_view before = {}) {
  return "<?xml version=\"1.0\"?><worksheet xmlns=\"" + std::string(kMainNs) + "\" xmlns:r=\"" + kRelNs +
         "\">" + std::string(before) + "<sheetData>" + std::string(rows) + "</sheetData>" +
         std::string(after) + "</worksheet>";
}

// A shared-strings part of plain items.
inline std::string SharedStringsXml(const std::vector<std::string>& items) {
  std::string s = "<?xml version=\"1.0\"?><sst xmlns=\"" + std::string(kMainNs) + "\">";
  for (const auto& t : items) s += "<si><t>" + t + "</t></si>";
  return s + "</sst>";
}

inline std::span<const uint8_t> AsSpan(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

// The warnings a load reported, as their texts.
inline std::vector<std::u16string> WarningTexts(xls::TXLSBook& book) {
  std::vector<std::u16string> r;
  for (const auto& e : book.Errors().ErrorList()) r.push_back(e.Text);
  return r;
}

}  // namespace kws::test
