// Name hashes and the enumeration table of the SpreadsheetML unit.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <string_view>

#include "xls/package/xpgreadxml.h"
#include "xls/spreadsheetml/xpgparsexlsx.h"

namespace xls::xpgxlsx {
namespace {

// Byte sums of element and attribute names as the format documentation of this unit quotes them.
struct NameSum {
  std::string_view name;
  uint32_t sum;
};
constexpr NameSum kQuotedSums[] = {
      {"Pages", 496}, {"aca", 293}, {"alignment", 959}, {"allowPng", 836}, {"allowRefreshQuery", 1796},
      {"appName", 706}, {"authorId", 832}, {"authors", 774}, {"autoCompressPictures", 2132},
      {"autoRecover", 1167}, {"b", 98}, {"backupFile", 1014}, {"baseType", 829}, {"bestFit", 721},
      {"bookViews", 953}, {"borders", 753}, {"bx", 218}, {"ca", 196}, {"calcCompleted", 1328},
      {"calcId", 576}, {"calcMode", 792}, {"calcOnSave", 991}, {"calcPr", 597}, {"cellStyleXfs", 1250},
      {"cellStyles", 1060}, {"cellXfs", 721}, {"charset", 746}, {"chartsheet", 1067},
      {"checkCompatibility", 1880}, {"cm", 208}, {"codeName", 796}, {"codePage", 792},
      {"collapsed", 951}, {"color", 543}, {"colors", 658}, {"commentList", 1167}, {"comments", 870},
      {"concurrentCalc", 1462}, {"concurrentManualCount", 2218}, {"condense", 847}, {"content", 763},
      {"count", 553}, {"countASubtotal", 1464}, {"crashSave", 928}, {"css", 329},
      {"customFormat", 1284}, {"customHeight", 1268}, {"customSheetViews", 1698}, {"customWidth", 1179},
      {"customWorkbookViews", 2039}, {"dataExtractLoad", 1525}, {"date1904", 620},
      {"defaultTableStyle", 1758}, {"defaultThemeVersion", 1982}, {"definedNames", 1219}, {"del1", 358},
      {"del2", 359}, {"dialogsheet", 1161}, {"display", 758}, {"dpi", 317}, {"drawing", 748},
      {"dt2D", 334}, {"dtr", 330}, {"dxfs", 437}, {"eb", 199}, {"embed", 509}, {"extLst", 644},
      {"extend", 648}, {"externalReferences", 1893}, {"f", 102}, {"family", 642},
      {"fileRecoveryPr", 1457}, {"fileSharing", 1132}, {"fileVersion", 1158}, {"fills", 538},
      {"filterPrivacy", 1380}, {"fontId", 612}, {"fonts", 554}, {"forceFullCalc", 1301},
      {"fullCalcOnLoad", 1379}, {"fullPrecision", 1375}, {"functionGroups", 1510}, {"guid", 425},
      {"headerFooter", 1240}, {"hidden", 620}, {"hiddenRows", 1047}, {"hidePivotFieldList", 1836},
      {"ht", 220}, {"i", 105}, {"indexedColors", 1363}, {"is", 220}, {"iterate", 750},
      {"iterateCount", 1271}, {"iterateDelta", 1240}, {"lastEdited", 1027}, {"legacyDrawing", 1345},
      {"legacyDrawingHF", 1487}, {"location", 857}, {"lockRevision", 1272}, {"lockStructure", 1402},
      {"lockWindows", 1172}, {"longFileNames", 1316}, {"lowestEdited", 1261}, {"max", 326},
      {"min", 324}, {"numFmts", 746}, {"objects", 746}, {"oleObjects", 1034}, {"oleSize", 731},
      {"outline", 768}, {"outlineLevel", 1272}, {"pageMargins", 1134}, {"pageSetup", 942},
      {"password", 883}, {"ph", 216}, {"phonetic", 858}, {"phoneticPr", 1052}, {"picture", 764},
      {"pivotCaches", 1145}, {"printOptions", 1305}, {"promptedSolutions", 1851},
      {"publishItems", 1273}, {"published", 960}, {"r", 114}, {"r1", 163}, {"r2", 164}, {"r:id", 377},
      {"rFont", 521}, {"rPh", 298}, {"rPr", 308}, {"readOnlyRecommended", 1953}, {"ref", 317},
      {"refMode", 706}, {"refreshAllConnections", 2187}, {"repairLoad", 1027},
      {"reservationPassword", 2053}, {"revisionsPassword", 1845}, {"rupBuild", 839}, {"s", 115},
      {"saveExternalLinkValues", 2288}, {"sb", 213}, {"scale", 520}, {"scheme", 629}, {"shadow", 646},
      {"sheetFormatPr", 1348}, {"sheetPr", 731}, {"sheetProtection", 1600}, {"sheetView", 948},
      {"sheetViews", 1063}, {"sheets", 652}, {"show", 449}, {"showBorderUnselectedTables", 2694},
      {"showInkAnnotation", 1790}, {"showObjects", 1163}, {"showPivotChartFilter", 2091},
      {"showRowCol", 1047}, {"si", 220}, {"smartTagPr", 1029}, {"smartTagTypes", 1368}, {"spans", 549},
      {"sst", 346}, {"state", 545}, {"stdDevSubtotal", 1464}, {"strike", 658}, {"style", 561},
      {"styleSheet", 1066}, {"sz", 237}, {"t", 116}, {"tabSelected", 1120}, {"table", 520},
      {"tableStyles", 1164}, {"targetScreenSize", 1666}, {"thickBot", 824}, {"thickTop", 838},
      {"thicket", 748}, {"tooltip", 779}, {"type", 450}, {"u", 117}, {"uniqueCount", 1184},
      {"updateLinks", 1156}, {"userName", 832}, {"v", 118}, {"vertAlign", 940}, {"vm", 227},
      {"vml", 335}, {"vt:i1", 446}, {"webPublishItems", 1559}, {"webPublishObjects", 1759},
      {"webPublishing", 1363}, {"width", 544}, {"workbook", 878}, {"workbookPassword", 1729},
      {"workbookPr", 1072}, {"workbookProtection", 1941}, {"workbookViewId", 1462}, {"worksheet", 988},
      {"zoomScale", 941}, {"zoomToFit", 939},
};

TEST(XpgHash_Names, QuotedByteSumsMatchComputed) {
  for (const NameSum& q : kQuotedSums) EXPECT_EQ(XpgHashA(q.name), q.sum) << q.name;
  // The multiplicative hash over the 16-bit characters of a name.
  EXPECT_EQ(static_cast<uint32_t>(StrHashB(u"Properties")), 0xDF9CD057u);
  EXPECT_EQ(static_cast<uint32_t>(XpgHashB("Properties")), 0xDF9CD057u);
  // Colliding sums are why two classes tell these names apart by text.
  EXPECT_NE(XpgHashB("countASubtotal"), XpgHashB("stdDevSubtotal"));
  EXPECT_NE(XpgHashB("showRowCol"), XpgHashB("hiddenRows"));
}

TEST(EnumNames_Table, TypesAndIdentifierCounts) {
  // prefix of the first identifier of each type and the number of values, in table order
  const std::pair<std::string_view, int> types[] = {
      {"stuv", 5},   {"stvar", 3},  {"stva", 5},   {"stbs", 14},  {"stpt", 19},  {"stfs", 3},   {"stgt", 2},
      {"sttst", 28}, {"stha", 8},   {"stpa", 4},   {"stpt", 4},   {"stdtg", 6},  {"stsm", 3},   {"stct", 13},
      {"stsb", 4},   {"stist", 17}, {"stdft", 35}, {"stfo", 6},   {"sta", 4},    {"stpat", 7},  {"stv", 3},
      {"stcm", 3},   {"stul", 3},   {"sttss", 11}, {"stc", 3},    {"sto", 3},    {"ststs", 3},  {"strm", 2},
      {"stss", 3},   {"stda", 2},   {"stct", 6},   {"stpo", 2},   {"stct", 7},   {"stps", 3},   {"stcft", 4},
      {"stcc", 3},   {"stdvo", 8},  {"stct", 18},  {"stpe", 4},   {"stou", 2},   {"stwst", 8},  {"stdves", 3},
      {"sttp", 10},  {"stp", 4},    {"stcfo", 12}, {"stdvim", 11}, {"stsvt", 3}, {"stdcf", 11}, {"stdvt", 8},
      {"sto", 3},    {"sttt", 3},   {"sttrf", 10}, {"stxdt", 45}};
  ASSERT_EQ(std::size(types), 53u);
  ASSERT_EQ(kEnumNameCount, 414);
  // Walk the table: each type is a run of ordinals 0..n-1 whose identifiers carry its prefix.
  int pos = 0;
  for (const auto& [prefix, n] : types) {
    for (int k = 0; k < n; ++k, ++pos) {
      ASSERT_LT(pos, kEnumNameCount);
      EXPECT_EQ(kEnumNames[pos].Ordinal, k) << kEnumNames[pos].Identifier;
      EXPECT_TRUE(kEnumNames[pos].Identifier.starts_with(prefix)) << kEnumNames[pos].Identifier;
    }
  }
  EXPECT_EQ(pos, 414);
  // Identifiers are distinct without regard to case.
  std::map<std::string, int> seen;
  for (int i = 0; i < kEnumNameCount; ++i) {
    std::string id(kEnumNames[i].Identifier);
    for (char& c : id) c = (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
    EXPECT_EQ(seen[id]++, 0) << id;
  }
  EXPECT_EQ(kEnumNames[0].Identifier, "stuvSingle");
  EXPECT_EQ(kEnumNames[413].Identifier, "stxdtanyType");
  EXPECT_EQ(StrToEnum("STCTINLINESTR"), stctInlineStr);
  EXPECT_EQ(StrToEnum("sttss800x600"), sttss800x600);
  EXPECT_EQ(StrToEnum("stxdtQName"), stxdtQName);
}

}  // namespace
}  // namespace xls::xpgxlsx
