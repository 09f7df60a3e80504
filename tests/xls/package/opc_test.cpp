// OPC package: content types, the relationship tree and the spreadsheet accessors, with both zip
// back-ends.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>

#include "platform/textcodec.h"
#include "tests/support/zipwriter.h"
#include "tests/xls/package/opc_fixtures.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlserrors.h"
#include "xls/package/detail/opcparts.h"
#include "xls/package/xlspackageopc.h"

namespace xls {
namespace {

using namespace opcfixtures;

std::string ReadAll(const std::unique_ptr<TXLSStream>& s) { return s ? s->ReadAll(1 << 20) : std::string("<none>"); }

template <class F>
std::string MessageOf(F&& f) {
  try {
    f();
  } catch (const XLSRWException& e) {
    return e.what();
  }
  return "";
}

class OpcBackends : public ::testing::TestWithParam<bool> {
 protected:
  void Open(TOPC_XLSX& opc, const Parts& parts) {
    bytes_ = std::make_unique<TXLSMemoryStream>(Package(parts));
    opc.OpenRead(*bytes_, GetParam());
  }
  std::unique_ptr<TXLSMemoryStream> bytes_;
};

TEST_P(OpcBackends, Accessors_FindPartsByTypeAndId) {
  TOPC_XLSX opc;
  Open(opc, StandardParts());
  EXPECT_EQ(ReadAll(opc.ReadWorkbook()), "<workbook/>");
  EXPECT_EQ(ReadAll(opc.ReadStyles()), "<styleSheet/>");
  EXPECT_EQ(ReadAll(opc.ReadTheme()), "<none>");
  EXPECT_EQ(ReadAll(opc.ReadDocPropsCore()), "<core/>");
  EXPECT_EQ(MessageOf([&] { opc.ReadSST(); }), "Can not find file xl/sharedStrings.xml in ZIP");
  EXPECT_TRUE(opc.SheetIsChartSheet(u"rId3"));
  EXPECT_FALSE(opc.SheetIsChartSheet(u"rId1"));
  EXPECT_EQ(opc.FindSheetItemTarget(u"RID1", u"rid1"), u"../drawings/drawing1.xml");  // Ids ignore case
  EXPECT_EQ(MessageOf([&] { opc.FindSheetItemTarget(u"rId9", u"rId1"); }), "Can not find worksheet in OPC");
  EXPECT_EQ(ReadAll(opc.ReadComments(u"rId1")), "<comments/>");

  EXPECT_EQ(ReadAll(opc.OpenAndReadSheet(u"rId1")), "<worksheet>1</worksheet>");
  EXPECT_EQ(ReadAll(opc.OpenAndReadDrawing(u"rId1")), "<wsDr>1</wsDr>");
  std::vector<std::u16string> images;
  EXPECT_TRUE(opc.GetDrawingImages(images));
  EXPECT_EQ(images, (std::vector<std::u16string>{u"rId1", u"rId2"}));
  std::u16string target;
  EXPECT_EQ(ReadAll(opc.ReadDrawingMedia(u"rId1", target)), "PNGDATA");
  EXPECT_EQ(target, u"../media/image1.png");
  EXPECT_EQ(opc.ReadDrawingMedia(u"rId2", target), nullptr);  // external: no stream, no target
  EXPECT_EQ(target, u"");
  EXPECT_FALSE(opc.FCurrDrawing->Find(u"rId2")->CheckedOut());
  EXPECT_TRUE(opc.FCurrDrawing->Find(u"rId1")->CheckedOut());
  EXPECT_EQ(MessageOf([&] { opc.ReadDrawingMedia(u"rId9", target); }), "Can not find Image in OPC");
  TOPCItem* chart = opc.FindAndOpenChart(u"rId3");
  ASSERT_NE(chart, nullptr);
  EXPECT_EQ(chart->AbsoluteTarget(), u"xl/charts/chart1.xml");
  EXPECT_EQ(ReadAll(opc.ReadChartStyle(chart, u"rId1")), "<cs:chartStyle/>");
  EXPECT_EQ(MessageOf([&] { opc.ReadChartColors(chart, u"rId1"); }),
            "OPC Item is not of excpected type \"http://schemas.microsoft.com/office/2011/relationships/chartColorStyle\"");
  opc.ItemClose(chart);
  opc.CloseDrawing();
  opc.CloseSheet();
  EXPECT_EQ(MessageOf([&] { opc.CloseSheet(); }), "Close on not open OPC Item.");
  EXPECT_EQ(MessageOf([&] { opc.OpenAndReadSheet(u"rId3"); }),
            "OPC Item is not of excpected type \"" + kOfficeRel + "worksheet\"");
  EXPECT_EQ(MessageOf([&] { opc.OpenAndReadSheet(u"rId9"); }), "Can not find worksheet in OPC");
  EXPECT_EQ(MessageOf([&] { opc.ReadPivotCacheDefinition(u"rId9"); }), "Can not find pivotCacheDefintion rId9 in OPC");
}

TEST_P(OpcBackends, Targets_AbsoluteRelativeAndDotSegmentsResolveAlike) {
  TOPC_XLSX opc;
  Open(opc, StandardParts());
  TOPCItem* wb = opc.FWorkbook;
  ASSERT_NE(wb, nullptr);
  EXPECT_EQ(wb->Find(u"rId1")->AbsoluteTarget(), u"xl/worksheets/sheet1.xml");
  EXPECT_EQ(wb->Find(u"rId2")->AbsoluteTarget(), u"xl/worksheets/sheet2.xml");
  EXPECT_EQ(wb->Find(u"rId1")->Find(u"rId1")->AbsoluteTarget(), u"xl/drawings/drawing1.xml");
  EXPECT_EQ(wb->Find(u"rId2")->Find(u"rId7")->AbsoluteTarget(), u"xl/drawings/drawing2.xml");
  EXPECT_EQ(ReadAll(opc.OpenAndReadSheet(u"rId2")), "<worksheet>2</worksheet>");
  EXPECT_EQ(ReadAll(opc.OpenAndReadDrawing(u"rId7")), "<wsDr>2</wsDr>");
}

TEST_P(OpcBackends, TargetsWithEscapesAndDotSegments_Resolve) {
  Parts p = StandardParts();
  p["xl/_rels/workbook.xml.rels"] = Rels({{"rId1", "worksheet", "./worksheets/My%20Sheet.xml", ""},
                                          {"rId2", "worksheet", "/xl/./worksheets/../worksheets/sheet2.xml", ""}});
  p.erase("xl/worksheets/sheet1.xml");
  p["xl/worksheets/My Sheet.xml"] = "<worksheet>spaced</worksheet>";
  p["xl/worksheets/_rels/My Sheet.xml.rels"] = Rels({{"rId1", "drawing", "../drawings/drawing1.xml", ""}});
  TOPC_XLSX opc;
  Open(opc, p);
  EXPECT_EQ(ReadAll(opc.OpenAndReadSheet(u"rId1")), "<worksheet>spaced</worksheet>");
  EXPECT_EQ(opc.FCurrSheet->Count(), 1);  // its relationships were found under the decoded name
  opc.CloseSheet();
  EXPECT_EQ(ReadAll(opc.OpenAndReadSheet(u"rId2")), "<worksheet>2</worksheet>");
}

TEST_P(OpcBackends, WorkbookAtPackageRoot_HasItsRelationshipsBesideIt) {
  Parts p = {{"[Content_Types].xml", kTypes},
             {"_rels/.rels", Rels({{"rId1", "officeDocument", "workbook.xml", ""}})},
             {"workbook.xml", "<workbook/>"},
             {"_rels/workbook.xml.rels", Rels({{"rId1", "worksheet", "sheet1.xml", ""}})},
             {"sheet1.xml", "<worksheet/>"}};
  TOPC_XLSX opc;
  Open(opc, p);
  EXPECT_EQ(opc.FWorkbook->RelationshipsPartName(), u"_rels/workbook.xml.rels");
  EXPECT_EQ(ReadAll(opc.OpenAndReadSheet(u"rId1")), "<worksheet/>");
}

TEST_P(OpcBackends, FailedOpen_LeavesThePackageClosedForTheNext) {
  struct Case {
    const char* what;
    Parts parts;
    const char* message;
  };
  Parts none = StandardParts();
  none["_rels/.rels"] = Rels({});
  Parts two = StandardParts();
  two["_rels/.rels"] = Rels({{"rId1", "officeDocument", "xl/workbook.xml", ""}, {"rId2", "officeDocument", "xl/workbook.xml", ""}});
  Parts noTypes = StandardParts();
  noTypes.erase("[Content_Types].xml");
  Parts badXml = StandardParts();
  badXml["xl/_rels/workbook.xml.rels"] = "<Relationships><Relationship Id=\"a\"";
  const Case cases[] = {
      {"no workbook", none, "Can not find workbook in OPC"},
      {"two workbooks", two, "More than one workbook in OPC"},
      {"no content types", noTypes, "Can not find file [Content_Types].xml in ZIP"},
  };
  TOPC_XLSX opc;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(MessageOf([&] { Open(opc, c.parts); }), c.message);
    EXPECT_EQ(opc.State(), TOPCState::opcsClosed);
    EXPECT_EQ(opc.Root()->Count(), 0);
    Open(opc, StandardParts());  // the next package opens
    EXPECT_EQ(ReadAll(opc.ReadWorkbook()), "<workbook/>");
    EXPECT_EQ(MessageOf([&] { Open(opc, StandardParts()); }), "OPC is allready open");
    opc.Close();
  }
  // Malformed XML in a relationships part fails the open with the tokenizer's error, and also
  // leaves the package closed.
  EXPECT_THROW(Open(opc, badXml), std::exception);
  EXPECT_EQ(opc.State(), TOPCState::opcsClosed);
}

TEST_P(OpcBackends, RelationshipCycle_IsFollowedOnceWithAWarning) {
  Parts p = StandardParts();
  // sheet1 -> drawing1 -> back to the workbook, whose relationships lead to sheet1 again; and
  // sheet2 shares drawing1 with sheet1.
  p["xl/drawings/_rels/drawing1.xml.rels"] = Rels({{"rId1", "image", "../media/image1.png", ""},
                                                   {"rId9", "officeDocument", "../workbook.xml", ""}});
  p["xl/worksheets/_rels/sheet2.xml.rels"] = Rels({{"rId7", "drawing", "../drawings/drawing1.xml", ""}});
  TOPC_XLSX opc;
  std::vector<std::u16string> warned;
  opc.OnWarning = [&](const std::u16string& w) { warned.push_back(w); };
  Open(opc, p);
  ASSERT_EQ(warned.size(), 2u);
  EXPECT_EQ(warned[0], u"OPC: the relationships of \"xl/workbook.xml\" are reached again and not followed");
  EXPECT_EQ(warned[1], u"OPC: the relationships of \"xl/drawings/drawing1.xml\" are reached again and not followed");
  EXPECT_EQ(opc.Warnings(), warned);
  TOPCItem* back = opc.FWorkbook->Find(u"rId1")->Find(u"rId1")->Find(u"rId9");
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->Count(), 0);
  EXPECT_EQ(opc.FWorkbook->Find(u"rId2")->Find(u"rId7")->Count(), 0);
}

TEST_P(OpcBackends, LongRelationshipChain_StopsAtTheDepthLimit) {
  Parts p = StandardParts();
  p["xl/_rels/styles.xml.rels"] = Rels({{"rId1", "custom", "c1.xml", ""}});
  for (int i = 1; i <= kOPCMaxDepth + 5; ++i)
    p["xl/_rels/c" + std::to_string(i) + ".xml.rels"] = Rels({{"rId1", "custom", "c" + std::to_string(i + 1) + ".xml", ""}});
  TOPC_XLSX opc;
  Open(opc, p);
  ASSERT_EQ(opc.Warnings().size(), 1u);
  EXPECT_EQ(opc.Warnings()[0], u"OPC: relationships nested deeper than 64 levels are not followed");
}

TEST_P(OpcBackends, TooManyRelationships_FailTheOpen) {
  TOPC_XLSX opc;
  opc.MaxItems = 10;
  EXPECT_EQ(MessageOf([&] { Open(opc, StandardParts()); }), "OPC: too many relationships in the package");
  EXPECT_EQ(opc.State(), TOPCState::opcsClosed);
  opc.MaxItems = 100;
  Open(opc, StandardParts());
  EXPECT_NE(opc.FWorkbook, nullptr);
}

TEST_P(OpcBackends, ManyParts_OpenInTimeLinearInTheirNumber) {
  // 20,000 parts, each looked up twice (for its own relationships part and when read): names are
  // found through an index, not by a scan of the directory.
  Parts p = StandardParts();
  std::vector<Rel> rels;
  for (int i = 0; i < 20000; ++i) {
    const std::string name = "p" + std::to_string(i) + ".xml";
    rels.push_back({"rId" + std::to_string(i), "customXml", name, ""});
    p["xl/" + name] = "<x/>";
  }
  p["xl/_rels/styles.xml.rels"] = Rels(rels);
  TXLSMemoryStream bytes(Package(p, true));
  const auto start = std::chrono::steady_clock::now();
  TOPC_XLSX opc;
  opc.OpenRead(bytes, GetParam());
  TOPCItemList unused;
  opc.SaveUnchecked(unused);
  EXPECT_EQ(unused.size(), 20000u + 15u);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

TEST_P(OpcBackends, UnusedParts_AreCollectedWithBytesAndContentType) {
  TOPC_XLSX opc;
  Open(opc, StandardParts());
  opc.ReadWorkbook();
  opc.ReadStyles();
  TOPCItemList unused;
  opc.SaveUnchecked(unused);
  std::map<std::u16string, const TOPCItem*> byName;
  std::vector<std::u16string> names;
  for (const TOPCItem* i : unused) {
    names.push_back(i->TargetMode() == TOPCTargetMode::otmExternal ? i->Target() : i->AbsoluteTarget());
    byName[names.back()] = i;
  }
  // Depth first, each item before its children; the workbook and styles were read, the
  // calculation chain is never among the unused parts.
  EXPECT_EQ(names, (std::vector<std::u16string>{
                       u"xl/worksheets/sheet1.xml", u"xl/drawings/drawing1.xml", u"xl/media/image1.png",
                       u"http://example.com/a.png", u"xl/charts/chart1.xml", u"xl/charts/style1.xml",
                       u"xl/comments1.xml", u"xl/worksheets/sheet2.xml", u"xl/drawings/drawing2.xml",
                       u"xl/chartsheets/sheet3.xml", u"xl/sharedStrings.xml", u"docProps/core.xml",
                       u"customXml/item1.xml"}));
  const TOPCItem* custom = byName[u"customXml/item1.xml"];
  ASSERT_NE(custom->Data(), nullptr);
  EXPECT_EQ(custom->Data()->Bytes(), "<custom>kept</custom>");
  EXPECT_EQ(custom->Content(), u"application/custom");
  ASSERT_NE(byName[u"xl/media/image1.png"]->Data(), nullptr);
  EXPECT_EQ(byName[u"xl/media/image1.png"]->Content(), u"");  // covered by an extension default only
  EXPECT_EQ(byName[u"http://example.com/a.png"]->Data(), nullptr);  // external
  EXPECT_EQ(byName[u"xl/sharedStrings.xml"]->Data(), nullptr);  // not in the archive
}

// Eight relationships naming one part: the part is kept once and packed, so the load unpacks
// nothing; its bytes come when asked for, and what one load unpacks whole is capped. A kept part
// whose bytes do not match the archive's CRC-32 gives no bytes.
TEST_P(OpcBackends, PartNamedManyTimes_IsKeptOncePackedAndUnpackedOnUse) {
  Parts p = StandardParts();
  std::vector<Rel> rels;
  for (int i = 0; i < 8; ++i) rels.push_back({"rIdK" + std::to_string(i), "customXml", "big.bin", ""});
  rels.push_back({"rIdBad", "customXml", "bad.bin", ""});
  p["xl/_rels/styles.xml.rels"] = Rels(rels);
  const std::string big(8 << 20, 'z');
  p["xl/big.bin"] = big;
  kws::test::ZipWriter w;
  for (const auto& [name, data] : p) w.Deflated(name, data);
  w.AddPacked("xl/bad.bin", 0, "damaged", 0, 7);  // CRC-32 of "damaged" is not 0
  bytes_ = std::make_unique<TXLSMemoryStream>(w.Bytes());
  TOPC_XLSX opc;
  opc.OpenRead(*bytes_, GetParam());
  opc.MaxHeldBytes = 20 << 20;
  TOPCItemList unused;
  opc.SaveUnchecked(unused);
  std::vector<const TOPCItem*> named;
  const TOPCItem* bad = nullptr;
  for (const TOPCItem* i : unused) {
    if (i->AbsoluteTarget() == u"xl/big.bin") named.push_back(i);
    if (i->AbsoluteTarget() == u"xl/bad.bin") bad = i;
  }
  ASSERT_EQ(named.size(), 8u);
  ASSERT_NE(named[0]->Source(), nullptr);
  for (const TOPCItem* i : named) EXPECT_EQ(i->Source(), named[0]->Source());
  EXPECT_EQ(opc.HeldBytes(), 0);
  const std::vector<uint8_t> bytes = named[0]->Source()->Bytes();
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), big);
  // Asked for through the items: two fit under the cap, the third does not.
  ASSERT_NE(named[0]->Data(), nullptr);
  EXPECT_EQ(named[0]->Data()->Bytes(), big);
  ASSERT_NE(named[1]->Data(), nullptr);
  EXPECT_EQ(opc.HeldBytes(), 16 << 20);
  EXPECT_EQ(named[2]->Data(), nullptr);
  TXLSViewStream more(big);
  EXPECT_EQ(MessageOf([&] { opc.ReadHeld(more); }), "OPC: parts read whole exceed 20971520 bytes");
  ASSERT_NE(bad, nullptr);
  ASSERT_NE(bad->Source(), nullptr);
  EXPECT_EQ(MessageOf([&] { bad->Source()->Bytes(); }),
            "ZIP entry \"xl/bad.bin\" is damaged (CRC-32 mismatch)");
  EXPECT_EQ(bad->Data(), nullptr);
}

TEST_P(OpcBackends, ContentTypes_BuiltInDefaultsAndFirstEntriesWin) {
  TOPC_XLSX opc;
  Open(opc, StandardParts());
  TOPC_ContentTypes& ct = opc.ContentTypes();
  EXPECT_EQ(ct.Items(ct.FindDefault(u"xml")).ContentType, u"application/xml");
  EXPECT_EQ(ct.Items(ct.FindDefault(u"png")).ContentType, u"image/png");
  EXPECT_EQ(ct.Items(ct.FindDefault(u"data")).ContentType, u"application/x-data");
  EXPECT_EQ(ct.Items(ct.FindOverride(u"/xl/workbook.xml")).ContentType, u"application/wb");
  EXPECT_EQ(ct.FindDefault(u"bmp"), -1);  // not a spreadsheet default
  EXPECT_EQ(ct.Count(), 9 + 1 + 2);
}

INSTANTIATE_TEST_SUITE_P(OwnAndLibzip, OpcBackends, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Libzip" : "Own"; });

TEST(OpcParts, RelationshipsAreMatchedByNamespaceWhateverThePrefix) {
  struct Case {
    size_t count;
    uint8_t mode;  // of the first relationship
  };
  const std::string ns = "\"http://schemas.openxmlformats.org/package/2006/relationships\"";
  const std::string plain = "<Relationships xmlns=" + ns + "><Relationship Id=\"r1\" Type=\"t\" Target=\"a.xml\"";
  const std::string prefixed = "<pr:Relationships xmlns:pr=" + ns + "><pr:Relationship Id=\"r1\" Type=\"t\" Target=\"a.xml\"";
  const std::string other = "<pr:Relationships xmlns:pr=\"urn:other\"><pr:Relationship Id=\"r1\" Type=\"t\" Target=\"a.xml\"";
  const std::vector<std::pair<std::string, Case>> cases = {
      {plain + "/></Relationships>", {1, 255}},
      {plain + " TargetMode=\"External\"/></Relationships>", {1, 0}},
      {plain + " TargetMode=\"external\"/></Relationships>", {1, 0}},
      {plain + " TargetMode=\"Internal\"/></Relationships>", {1, 1}},
      {prefixed + "/></pr:Relationships>", {1, 255}},
      {other + "/></pr:Relationships>", {0, 255}},
      {"<Relationship xmlns=" + ns + " Id=\"r1\" Type=\"t\" Target=\"a.xml\"/>", {0, 255}},
  };
  for (const auto& [xml, c] : cases) {
    SCOPED_TRACE(xml);
    TXLSMemoryStream s(xml);
    const detail::TOPCRelationshipsPart rels(s);
    ASSERT_EQ(rels.size(), c.count);
    if (c.count == 0) continue;
    EXPECT_EQ(rels[0].Id, u"r1");
    EXPECT_EQ(rels[0].Type, u"t");
    EXPECT_EQ(rels[0].Target, u"a.xml");
    EXPECT_EQ(rels[0].TargetMode, c.mode);
  }
}

TEST(OpcItem, TargetSplitsAtLastSlashUnlessExternal) {
  TOPCContainer c;
  TOPCItem item(&c, c.Root());
  item.SetTarget(u"../drawings/drawing1.xml");
  EXPECT_EQ(item.Path(), u"../drawings");
  EXPECT_EQ(item.Name(), u"drawing1.xml");
  EXPECT_EQ(item.Target(), u"../drawings/drawing1.xml");
  item.SetTargetMode(TOPCTargetMode::otmExternal);
  item.SetTarget(u"http://example.com/x/y.png");
  EXPECT_EQ(item.Path(), u"");
  EXPECT_EQ(item.Name(), u"http://example.com/x/y.png");
}

TEST(OpcContainer, WrittenPackage_ReadsBack) {
  for (bool alternate : {false, true}) {
    SCOPED_TRACE(alternate);
    TXLSMemoryStream out;
    {
      TOPC_XLSX opc;
      opc.OpenWrite(out, alternate);
      auto wb = std::make_unique<TOPCItem>(&opc, opc.Root());
      wb->SetType(opc::RelType(opc::kOfficeDocument));
      wb->SetTarget(u"xl/workbook.xml");
      TOPCItem* w = opc.Root()->Add(u"rId1", std::move(wb));
      auto sheet = std::make_unique<TOPCItem>(&opc, w);
      sheet->SetType(opc::RelType(opc::kWorksheet));
      sheet->SetTarget(u"worksheets/sheet1.xml");
      w->Add(u"rId1", std::move(sheet));
      auto link = std::make_unique<TOPCItem>(&opc, w);
      link->SetType(u"http://example.com/link");
      link->SetTargetMode(TOPCTargetMode::otmExternal);
      link->SetTarget(u"http://example.com/?a=1&b=2");
      w->Add(u"rId2", std::move(link));
      opc.ContentTypes().AddOverride(u"xl/workbook.xml", u"application/wb");
      TXLSMemoryStream wbData("<workbook/>"), sheetData("<worksheet/>");
      opc.Zip()->Write(u"xl/workbook.xml", wbData);
      opc.Zip()->Write(u"xl/worksheets/sheet1.xml", sheetData);
      opc.Close();
    }
    out.SetPosition(0);
    TOPC_XLSX opc;
    opc.OpenRead(out, alternate);
    EXPECT_EQ(ReadAll(opc.ReadWorkbook()), "<workbook/>");
    EXPECT_EQ(ReadAll(opc.OpenAndReadSheet(u"rId1")), "<worksheet/>");
    EXPECT_EQ(opc.FWorkbook->Find(u"rId2")->TargetMode(), TOPCTargetMode::otmExternal);
    EXPECT_EQ(opc.FWorkbook->FindTarget(u"rId2"), u"http://example.com/?a=1&b=2");
    EXPECT_EQ(opc.ContentTypes().Items(opc.ContentTypes().FindOverride(u"/xl/workbook.xml")).ContentType,
              u"application/wb");
  }
}

}  // namespace
}  // namespace xls
