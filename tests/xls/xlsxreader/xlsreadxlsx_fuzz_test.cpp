// Bounded fuzz of the package reader: the XML of the workbook, sheet, styles and shared-strings
// parts mutated, packed and loaded. Every input must end cleanly (loaded, or an exception that
// leaves the component empty) under the sanitizers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/mutator.h"
#include "tests/xls/xlsxreader/readxlsx_fixtures.h"
#include "xls/xlsxreader/xlsreadxlsx.h"

namespace {

using kws::test::TPackageBuilder;

TEST(ReadXLSXFuzz, MutatedPartsEndCleanly) {
  xls::RegisterXLSXReader();
  const std::string sheet = kws::test::WorksheetXml(
      "<row r=\"1\" s=\"1\" ht=\"20\" customHeight=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" "
      "s=\"1\"><v>1.5</v></c>"
      "<c r=\"C1\"><f t=\"shared\" ref=\"C1:C3\" si=\"0\">B1*2</f><v>3</v></c><c r=\"D1\" "
      "t=\"e\"><v>#N/A</v></c></row>"
      "<row r=\"2\"><c r=\"C2\"><f t=\"shared\" si=\"0\"/><v>0</v></c><c r=\"D2\"><f t=\"array\" "
      "ref=\"D2:E3\">A1:B2</f>"
      "<v>1</v></c><c r=\"E2\" t=\"b\"><v>1</v></c><c t=\"inlineStr\"><is><r><t>x</t></r></is></c></row>",
      "<mergeCells><mergeCell ref=\"A5:B6\"/></mergeCells><hyperlinks><hyperlink ref=\"A1\" "
      "location=\"S!B2\"/></hyperlinks>",
      "<cols><col min=\"1\" max=\"3\" width=\"9\" style=\"1\"/></cols>");
  const std::string sst = std::string("<sst xmlns=\"") + kws::test::kMainNs +
                          "\"><si><t>a</t></si><si><r><rPr><b/><sz val=\"9\"/></rPr><t>b</t></r></si></sst>";
  const std::string styles =
      std::string("<styleSheet xmlns=\"") + kws::test::kMainNs +
      "\"><numFmts><numFmt numFmtId=\"164\" formatCode=\"0.0\"/></numFmts><fonts><font><b/>"
      "<color theme=\"1\"/><name val=\"A\"/></font></fonts><fills><fill><gradientFill degree=\"90\">"
      "<stop position=\"0\"><color rgb=\"FF00FF00\"/></stop></gradientFill></fill></fills>"
      "<borders><border><left style=\"thin\"><color indexed=\"8\"/></left></border></borders>"
      "<cellXfs><xf/><xf numFmtId=\"164\" fontId=\"0\" applyFont=\"1\"><alignment horizontal=\"center\"/>"
      "</xf></cellXfs><dxfs><dxf><font><i/></font></dxf></dxfs><colors><indexedColors>"
      "<rgbColor rgb=\"FF000000\"/></indexedColors></colors></styleSheet>";
  const std::string names = "<definedNames><definedName name=\"N\">S!$A$1</definedName></definedNames>";
  const std::vector<std::string> corpus = {sheet, sst, styles, names};
  xls::TXLSBook book;
  const auto budget = kws::test::FuzzBudget::FromEnvironment(10, 1500);
  const uint64_t n = kws::test::RunFuzz(budget, corpus, 7, [&](const std::string& input) {
    TPackageBuilder b;
    const bool isSheet = input.find("sheetData") != std::string::npos;
    const bool isSst = input.find("<sst") != std::string::npos;
    const bool isStyles = input.find("styleSheet") != std::string::npos;
    b.Sheet("S", isSheet ? input : sheet)
        .SharedStrings(isSst ? input : sst)
        .Styles(isStyles ? input : styles);
    b.WorkbookTail(!isSheet && !isSst && !isStyles ? input : names);
    const std::string bytes = b.Bytes();
    try {
      book.LoadFromBytes(kws::test::AsSpan(bytes));
    } catch (const std::exception&) {
      EXPECT_EQ(book.Count(), 0u);
    }
  });
  EXPECT_GT(n, 0u);
}

}  // namespace
