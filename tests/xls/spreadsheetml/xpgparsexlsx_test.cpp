// The style elements of the SpreadsheetML unit, read through the generated classes.
#include "xls/spreadsheetml/xpgparsexlsx.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/textcodec.h"

namespace xls::xpgxlsx {
namespace {

struct Styles {
  TXPGDocXLSX doc;
  std::vector<std::string> reports;
  explicit Styles(const std::string& body,
                  const std::string& open =
                      "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">",
                  const std::string& close = "</styleSheet>") {
    doc.Errors().OnError = [this](TXpgPErrors& e) { reports.push_back(kws::Utf16ToUtf8(e.LastErrorText())); };
    doc.LoadFromBytes(open + body + close);
  }
  TCT_Stylesheet* S() const { return doc.StyleSheet(); }
  TCT_Font* Font(int i = 0) const { return S()->Fonts()->FontXpgList()->GetItems(i); }
};

TEST(TCT_Font_Read, PropertyElements) {
  Styles s("<fonts count=\"3\"><font><b/><i/><u/><sz val=\"11\"/><sz/><name val=\"Arial\"/></font>"
           "<font><b val=\"false\"/><u val=\"DOUBLE\"/><vertAlign val=\"superscript\"/></font>"
           "<font><b val=\"yes\"/><strike val=\"0\"/><scheme val=\"minor\"/></font></fonts>");
  ASSERT_EQ(s.S()->Fonts()->FontXpgList()->Count(), 3);
  TCT_Font* f = s.Font(0);
  EXPECT_EQ(f->B()->Val(), 1);
  EXPECT_EQ(f->I()->Val(), 1);
  EXPECT_EQ(f->U()->Val(), stuvSingle);
  EXPECT_FALSE(f->Strike()->Available());
  EXPECT_EQ(f->Strike()->Val(), 0);
  EXPECT_EQ(f->Sz()->Val(), 0.0);  // the second sz starts from its default
  EXPECT_EQ(f->Name()->Val(), u"Arial");
  EXPECT_EQ(f->VertAlign()->Val(), 255);
  f = s.Font(1);
  EXPECT_EQ(f->B()->Val(), 0);
  EXPECT_EQ(f->U()->Val(), stuvDouble);
  EXPECT_EQ(f->VertAlign()->Val(), stvarSuperscript);
  EXPECT_EQ(f->Scheme()->Val(), 255);
  f = s.Font(2);
  EXPECT_EQ(f->B()->Val(), 1);  // other text gives True for this class
  EXPECT_EQ(f->Strike()->Val(), 0);
  EXPECT_EQ(f->Scheme()->Val(), stfsMinor);
  EXPECT_TRUE(s.reports.empty());
}

TEST(TCT_Color_Read, AttributeConversions) {
  struct Case {
    const char* attrs;
    int32_t rgb;
    bool rgbAssigned;
    int32_t indexed, theme;
    double tint;
    uint8_t autoColor;
  };
  const Case cases[] = {
      {"rgb=\"FF0000FF\"", int32_t(0xFF0000FF), true, -1, -1, 0, 0},
      {"indexed=\"64\"", -1, false, 64, -1, 0, 0},
      {"rgb=\"zz\"", 0, true, -1, -1, 0, 0},
      {"rgb=\"FFFFFFFF\" theme=\"3\" tint=\"-0.25\"", -1, true, -1, 3, -0.25, 0},
      {"rgb=\"1FFFFFFFF\"", 0, true, -1, -1, 0, 0},
      {"indexed=\"12.5\" theme=\"abc\" tint=\"abc\"", -1, false, 0, 0, 0, 0},
      {"indexed=\"4294967296\" tint=\"1.5E2\"", -1, false, 0, -1, 150, 0},
      {"auto=\"TRUE\"", -1, false, -1, -1, 0, 1},
      {"auto=\" 1\"", -1, false, -1, -1, 0, 0},
      {"auto=\"\"", -1, false, -1, -1, 0, 0},
      {"theme=\"1\" theme=\"2\"", -1, false, -1, 2, 0, 0},
  };
  for (const Case& c : cases) {
    Styles s(std::string("<fonts><font><color ") + c.attrs + "/></font></fonts>");
    TCT_Color* col = s.Font()->Color();
    EXPECT_EQ(col->Rgb(), c.rgb) << c.attrs;
    EXPECT_EQ(col->RgbAssigned(), c.rgbAssigned) << c.attrs;
    EXPECT_EQ(col->Indexed(), c.indexed) << c.attrs;
    EXPECT_EQ(col->Theme(), c.theme) << c.attrs;
    EXPECT_EQ(col->Tint(), c.tint) << c.attrs;
    EXPECT_EQ(col->Auto(), c.autoColor) << c.attrs;
  }
}

TEST(TCT_Stylesheet_Read, NamesAndReports) {
  struct Case {
    std::string body;
    std::vector<std::string> reports;
  };
  const std::vector<Case> cases = {
      // same byte sum as tint, other name: reported, not taken for tint
      {"<fonts><font><color tnit=\"0.5\" Tint=\"0.5\"/></font></fonts>",
       {"Row 0: Unknown Attribute tnit", "Row 0: Unknown Attribute Tint"}},
      // an unknown element is reported once; nothing below it is read
      {"<borders><border><start style=\"thin\"><color rgb=\"FF00FF00\"/></start></border></borders>",
       {"Row 0: Unknown Element start"}},
      // a child inside a leaf element is an unknown element; its attributes never reach the leaf
      {"<fonts><font><color><x rgb=\"FF\"/></color></font></fonts>", {"Row 0: Unknown Element x"}},
      // everything inside ext is consumed without a report
      {"<extLst><ext uri=\"{X}\"><x14:foo xmlns:x14=\"urn:x14\" a=\"1\"><bar/></x14:foo></ext></extLst>", {}},
      // a class without attributes ignores attributes written on its element
      {"<fills><fill foo=\"1\"/></fills>", {}},
      // a class with one attribute still scans all of them by name
      {"<fonts><font><sz foo=\"1\" val=\"9\"/></font></fonts>", {"Row 0: Unknown Attribute foo"}},
  };
  for (const Case& c : cases) {
    Styles s(c.body);
    EXPECT_EQ(s.reports, c.reports) << c.body;
  }
  Styles sz("<fonts><font><sz foo=\"1\" val=\"9\"/></font></fonts>");
  EXPECT_EQ(sz.Font()->Sz()->Val(), 9.0);
  Styles t("<fonts><font><color tnit=\"0.5\"/></font></fonts>");
  EXPECT_EQ(t.Font()->Color()->Tint(), 0.0);
  Styles b("<borders><border><start><color rgb=\"FF00FF00\"/></start></border></borders>");
  EXPECT_FALSE(b.S()->Borders()->BorderXpgList()->GetItems(0)->Left()->Color()->Available());
  Styles e("<extLst><ext uri=\"{X}\"><y uri=\"{Y}\"/></ext></extLst>");
  EXPECT_EQ(e.S()->ExtLst()->ExtXpgList()->GetItems(0)->Uri(), u"{X}");
}

TEST(TCT_Stylesheet_Read, PrefixedPartReadsLikeUnprefixed) {
  const std::string body =
      "<x:cellXfs count=\"1\"><x:xf numFmtId=\"4\" applyFont=\"1\" fontId=\"3\">"
      "<x:alignment horizontal=\"CENTER\" wrapText=\"1\"/></x:xf></x:cellXfs>";
  Styles s(body, "<x:styleSheet xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">",
           "</x:styleSheet>");
  EXPECT_TRUE(s.reports.empty());
  ASSERT_TRUE(s.S()->Available());
  TCT_Xf* xf = s.S()->CellXfs()->XfXpgList()->GetItems(0);
  EXPECT_EQ(xf->NumFmtId(), 4);
  EXPECT_EQ(xf->FontId(), 3);
  EXPECT_EQ(xf->ApplyFont(), 1);
  EXPECT_EQ(xf->Alignment()->Horizontal(), sthaCenter);
  EXPECT_EQ(xf->Alignment()->Vertical(), 255);
  EXPECT_EQ(xf->Alignment()->WrapText(), 1);
  EXPECT_TRUE(xf->Alignment()->Available());
  EXPECT_FALSE(xf->Protection()->Available());
  EXPECT_EQ(xf->Protection()->Locked(), 1);
}

TEST(TCT_Stylesheet_Read, EnumerationsWithinTheirOwnType) {
  struct Case {
    const char* patternType;
    int expected;
  };
  const Case cases[] = {{"gray125", stptGray125}, {"GRAY125", stptGray125}, {"solid", stptSolid},
                        // a value of another type with the same prefix is not taken
                        {"hiragana", 255}, {"bogus", 255}, {"", 255}};
  for (const Case& c : cases) {
    Styles s(std::string("<fills><fill><patternFill patternType=\"") + c.patternType + "\"/></fill></fills>");
    EXPECT_EQ(s.S()->Fills()->FillXpgList()->GetItems(0)->PatternFill()->PatternType(), c.expected)
        << c.patternType;
  }
  Styles none("<fills><fill><patternFill/></fill></fills>");
  EXPECT_EQ(none.S()->Fills()->FillXpgList()->GetItems(0)->PatternFill()->PatternType(), 255);
  EXPECT_EQ(kEnumNameCount, 414);
  EXPECT_EQ(StrToEnum("stctGREGORIAN"), 1);
  EXPECT_EQ(StrToEnum("stuvSingle"), 0);
  EXPECT_EQ(StrToEnum("nothing"), 0);
}

TEST(TCT_Stylesheet_Read, OtherStyleElements) {
  Styles s(
      "<numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"0.00&quot;x&quot;\"/></numFmts>"
      "<dxfs><dxf><protection hidden=\"1\"/><border outline=\"0\"><left style=\"thick\"/></border></dxf></dxfs>"
      "<tableStyles count=\"1\" defaultTableStyle=\"TS\"><tableStyle name=\"T\" pivot=\"0\">"
      "<tableStyleElement type=\"headerRow\" dxfId=\"2\"/></tableStyle></tableStyles>"
      "<colors><indexedColors><rgbColor rgb=\"FF000000\"/><rgbColor rgb=\"FFFFFFFF\"/></indexedColors></colors>"
      "<fills><fill><gradientFill degree=\"90\"><stop position=\"1\"><color theme=\"4\"/></stop></gradientFill></fill></fills>");
  EXPECT_TRUE(s.reports.empty());
  EXPECT_EQ(s.S()->NumFmts()->NumFmtXpgList()->GetItems(0)->FormatCode(), u"0.00\"x\"");
  TCT_Dxf* dxf = s.S()->Dxfs()->DxfXpgList()->GetItems(0);
  EXPECT_EQ(dxf->Protection()->Locked(), 1);
  EXPECT_EQ(dxf->Protection()->Hidden(), 1);
  EXPECT_EQ(dxf->Border()->Outline(), 0);
  EXPECT_EQ(dxf->Border()->Left()->Style(), stbsThick);
  EXPECT_EQ(dxf->Border()->Right()->Style(), stbsNone);
  TCT_TableStyle* ts = s.S()->TableStyles()->TableStyleXpgList()->GetItems(0);
  EXPECT_EQ(ts->Pivot(), 0);
  EXPECT_EQ(ts->Table(), 1);
  EXPECT_EQ(ts->TableStyleElementXpgList()->GetItems(0)->Type(), sttstHeaderRow);
  EXPECT_EQ(ts->TableStyleElementXpgList()->GetItems(0)->Size(), 1);
  EXPECT_EQ(s.S()->Colors()->IndexedColors()->RgbColorXpgList()->Count(), 2);
  TCT_GradientFill* g = s.S()->Fills()->FillXpgList()->GetItems(0)->GradientFill();
  EXPECT_EQ(g->Degree(), 90.0);
  EXPECT_EQ(g->Type(), stgtLinear);
  EXPECT_EQ(g->StopXpgList()->GetItems(0)->Color()->Theme(), 4);
  EXPECT_FALSE(s.S()->Fills()->FillXpgList()->GetItems(0)->PatternFill()->Available());
}

}  // namespace
}  // namespace xls::xpgxlsx
