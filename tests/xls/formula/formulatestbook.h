// A small workbook for the formula tests: a few sheets (one with a blank in its name), defined
// names, a table with columns, external links, a cell store with formula cells, and an error
// manager that raises or keeps a list.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/textcodec.h"
#include "xls/formula/xlsformulamodel.h"
#include "xls/model/xlserrors.h"

namespace xls::test {

// The two separator settings: "," lists with "." decimals; ";" lists with "," decimals.
constexpr TXLSFormulaSeparators kComma{u',', u'.', u','};
constexpr TXLSFormulaSeparators kSemicolon{u';', u',', u'\\'};

class FormulaTestErrors {
 public:
  TXLSErrorManager& Manager() { return FManager; }
  // Errors go to the list instead of raising.
  void KeepList() { FManager.SetErrorList(&FList); }
  std::vector<std::string> Messages() const {
    std::vector<std::string> out;
    for (const TXLSErrorListItem& item : FList) out.push_back(kws::Utf16ToUtf8(item.Text));
    return out;
  }

 private:
  TXLSErrorManager FManager;
  TXLSErrorList FList;
};

struct TestTable {
  std::u16string name;
  std::vector<std::u16string> columns;
  TXLSFormulaTableGeometry geometry;
};

class TestTables : public TXLSFormulaTables {
 public:
  std::vector<TestTable> tables;
  int32_t TableCount() const override { return static_cast<int32_t>(tables.size()); }
  std::u16string_view TableName(int32_t t) const override { return tables.at(t).name; }
  int32_t ColumnCount(int32_t t) const override { return static_cast<int32_t>(tables.at(t).columns.size()); }
  std::u16string_view ColumnName(int32_t t, int32_t c) const override { return tables.at(t).columns.at(c); }
  TXLSFormulaTableGeometry Geometry(int32_t t) const override { return tables.at(t).geometry; }
};

struct TestLink {
  std::u16string file;
  std::vector<std::u16string> sheets;
};

// Sheets "Sheet1", "My Sheet", "Data2", "It's"; the table "Sales" on sheet 0 at A1:B6 with a
// header row and a totals row (columns Region, Amount); the workbook names "Total", "Rate" and
// "Rate" local to sheet 1; the external links "Other.xlsx" with sheets "Jan", "Feb" and
// "Book 1.xlsx" with the sheet "My Data".
class TestBook : public TXLSFormulaWorkbook {
 public:
  TestBook() {
    sheets = {u"Sheet1", u"My Sheet", u"Data2", u"It's"};
    sheetTables.resize(sheets.size());
    sheetTables[0].tables.push_back({u"Sales", {u"Region", u"Amount"}, {0, 0, 1, 5, 1, 1}});
    names = {u"Total", u"Rate", u"Rate"};
    nameSheets = {-1, -1, 1};
    links.push_back({u"Other.xlsx", {u"Jan", u"Feb"}});
    links.push_back({u"Book 1.xlsx", {u"My Data"}});
  }
  std::vector<std::u16string> sheets;
  std::vector<TestTables> sheetTables;
  std::vector<std::u16string> names;
  std::vector<int32_t> nameSheets;
  std::vector<TestLink> links;

  int32_t SheetCount() const override { return static_cast<int32_t>(sheets.size()); }
  std::u16string_view SheetName(int32_t s) const override { return sheets.at(s); }
  const TXLSFormulaTables* SheetTables(int32_t s) const override {
    return sheetTables.at(s).tables.empty() ? nullptr : &sheetTables.at(s);
  }
  int32_t DefinedNameCount() const override { return static_cast<int32_t>(names.size()); }
  std::u16string_view DefinedNameName(int32_t n) const override { return names.at(n); }
  int32_t DefinedNameSheet(int32_t n) const override { return nameSheets.at(n); }
  int32_t ExternalLinkCount() const override { return static_cast<int32_t>(links.size()); }
  std::u16string_view ExternalLinkFileName(int32_t l) const override { return links.at(l).file; }
  int32_t ExternalSheetCount(int32_t l) const override { return static_cast<int32_t>(links.at(l).sheets.size()); }
  std::u16string_view ExternalSheetName(int32_t l, int32_t s) const override { return links.at(l).sheets.at(s); }
};

// Formula cells by (col, row): compiled tokens or text.
class TestCells : public TXLSFormulaCells {
 public:
  std::map<std::pair<int32_t, int32_t>, std::vector<uint8_t>> tokens;
  std::map<std::pair<int32_t, int32_t>, std::u16string> texts;
  TXLSCellFormula GetFormula(int32_t col, int32_t row) const override {
    TXLSCellFormula f;
    if (auto t = tokens.find({col, row}); t != tokens.end()) {
      f.kind = TXLSCellFormula::Tokens;
      f.ptgs = t->second;
    } else if (auto s = texts.find({col, row}); s != texts.end()) {
      f.kind = TXLSCellFormula::Text;
      f.text = s->second;
    }
    return f;
  }
};

}  // namespace xls::test
