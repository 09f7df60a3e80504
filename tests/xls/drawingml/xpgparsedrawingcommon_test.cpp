// The DrawingML common unit: its enumeration table and the reading of property elements
// (shape properties, line, fills, effects, scene, geometry) from inline XML.
#include "xls/drawingml/xpgparsedrawingcommon.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <set>
#include <string>

#include "xls/model/xlscellarea.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsimages.h"
#include "xls/package/xlspackageopc.h"
#include "tests/xls/drawingml/fragmentdoc.h"

namespace xls::xpgdml {
namespace {

using test::Doc;
using test::kNs;

// ---- enumeration table ----------------------------------------------------------------------

TEST(DrawingEnums_Table, TypesCountsAndIdentifiers) {
  struct Row {
    const char* name;
    size_t have, want;
  };
  const Row rows[] = {
      {"TST_SchemeColorVal", std::size(kTST_SchemeColorValNames), 17},
      {"TST_BlackWhiteMode", std::size(kTST_BlackWhiteModeNames), 11},
      {"TST_PresetColorVal", std::size(kTST_PresetColorValNames), 140},
      {"TST_SystemColorVal", std::size(kTST_SystemColorValNames), 30},
      {"TST_RectAlignment", std::size(kTST_RectAlignmentNames), 9},
      {"TST_PathShadeType", std::size(kTST_PathShadeTypeNames), 3},
      {"TST_PresetShadowVal", std::size(kTST_PresetShadowValNames), 20},
      {"TST_PresetPatternVal", std::size(kTST_PresetPatternValNames), 54},
      {"TST_TileFlipMode", std::size(kTST_TileFlipModeNames), 4},
      {"TST_BlipCompression", std::size(kTST_BlipCompressionNames), 5},
      {"TST_EffectContainerType", std::size(kTST_EffectContainerTypeNames), 2},
      {"TST_BlendMode", std::size(kTST_BlendModeNames), 5},
      {"TST_ShapeType", std::size(kTST_ShapeTypeNames), 187},
      {"TST_PathFillMode", std::size(kTST_PathFillModeNames), 6},
      {"TST_TextShapeType", std::size(kTST_TextShapeTypeNames), 41},
      {"TST_PresetCameraType", std::size(kTST_PresetCameraTypeNames), 62},
      {"TST_LightRigDirection", std::size(kTST_LightRigDirectionNames), 8},
      {"TST_LightRigType", std::size(kTST_LightRigTypeNames), 27},
      {"TST_PenAlignment", std::size(kTST_PenAlignmentNames), 2},
      {"TST_LineEndType", std::size(kTST_LineEndTypeNames), 6},
      {"TST_LineEndWidth", std::size(kTST_LineEndWidthNames), 3},
      {"TST_LineCap", std::size(kTST_LineCapNames), 3},
      {"TST_PresetLineDashVal", std::size(kTST_PresetLineDashValNames), 11},
      {"TST_LineEndLength", std::size(kTST_LineEndLengthNames), 3},
      {"TST_CompoundLine", std::size(kTST_CompoundLineNames), 5},
      {"TST_BevelPresetType", std::size(kTST_BevelPresetTypeNames), 12},
      {"TST_PresetMaterialType", std::size(kTST_PresetMaterialTypeNames), 15},
      {"TST_TextCapsType", std::size(kTST_TextCapsTypeNames), 3},
      {"TST_TextStrikeType", std::size(kTST_TextStrikeTypeNames), 3},
      {"TST_TextUnderlineType", std::size(kTST_TextUnderlineTypeNames), 18},
      {"TST_TextAutonumberScheme", std::size(kTST_TextAutonumberSchemeNames), 41},
      {"TST_ColorSchemeIndex", std::size(kTST_ColorSchemeIndexNames), 12},
      {"TST_FontCollectionIndex", std::size(kTST_FontCollectionIndexNames), 3},
      {"TST_TextAlignType", std::size(kTST_TextAlignTypeNames), 7},
      {"TST_TextFontAlignType", std::size(kTST_TextFontAlignTypeNames), 5},
      {"TST_TextTabAlignType", std::size(kTST_TextTabAlignTypeNames), 4},
      {"TST_TextAnchoringType", std::size(kTST_TextAnchoringTypeNames), 5},
      {"TST_TextVerticalType", std::size(kTST_TextVerticalTypeNames), 7},
      {"TST_TextWrappingType", std::size(kTST_TextWrappingTypeNames), 2},
      {"TST_TextHorzOverflowType", std::size(kTST_TextHorzOverflowTypeNames), 2},
      {"TST_TextVertOverflowType", std::size(kTST_TextVertOverflowTypeNames), 3},
      {"TST_RadarStyle", std::size(kTST_RadarStyleNames), 3},
      {"TST_BarDir", std::size(kTST_BarDirNames), 2},
      {"TST_SplitType", std::size(kTST_SplitTypeNames), 5},
      {"TST_TickMark", std::size(kTST_TickMarkNames), 4},
      {"TST_TimeUnit", std::size(kTST_TimeUnitNames), 3},
      {"TST_Grouping", std::size(kTST_GroupingNames), 3},
      {"TST_Orientation", std::size(kTST_OrientationNames), 2},
      {"TST_LblAlgn", std::size(kTST_LblAlgnNames), 3},
      {"TST_MarkerStyle", std::size(kTST_MarkerStyleNames), 11},
      {"TST_Crosses", std::size(kTST_CrossesNames), 3},
      {"TST_PictureFormat", std::size(kTST_PictureFormatNames), 3},
      {"TST_ErrBarType", std::size(kTST_ErrBarTypeNames), 3},
      {"TST_TickLblPos", std::size(kTST_TickLblPosNames), 4},
      {"TST_AxPos", std::size(kTST_AxPosNames), 4},
      {"TST_Shape", std::size(kTST_ShapeNames), 6},
      {"TST_CrossBetween", std::size(kTST_CrossBetweenNames), 2},
      {"TST_DispBlanksAs", std::size(kTST_DispBlanksAsNames), 3},
      {"TST_ErrValType", std::size(kTST_ErrValTypeNames), 5},
      {"TST_LegendPos", std::size(kTST_LegendPosNames), 5},
      {"TST_ErrDir", std::size(kTST_ErrDirNames), 2},
      {"TST_LayoutMode", std::size(kTST_LayoutModeNames), 2},
      {"TST_BarGrouping", std::size(kTST_BarGroupingNames), 4},
      {"TST_DLblPos", std::size(kTST_DLblPosNames), 9},
      {"TST_SizeRepresents", std::size(kTST_SizeRepresentsNames), 2},
      {"TST_PageSetupOrientation", std::size(kTST_PageSetupOrientationNames), 3},
      {"TST_OfPieType", std::size(kTST_OfPieTypeNames), 2},
      {"TST_ScatterStyle", std::size(kTST_ScatterStyleNames), 6},
      {"TST_LayoutTarget", std::size(kTST_LayoutTargetNames), 2},
      {"TST_BuiltInUnit", std::size(kTST_BuiltInUnitNames), 9},
      {"TST_TrendlineType", std::size(kTST_TrendlineTypeNames), 6},
      {"TST_EditAs", std::size(kTST_EditAsNames), 3},
  };
  EXPECT_EQ(std::size(rows), 72u);
  size_t total = 0;
  for (const Row& r : rows) {
    EXPECT_EQ(r.have, r.want) << r.name;
    total += r.have;
  }
  EXPECT_EQ(total, 930u);
  ASSERT_EQ(kEnumNameCount, 930);
  std::set<std::string> lower;
  for (const TXpgEnumName& e : kEnumNames) {
    std::string s(e.Identifier);
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    EXPECT_TRUE(lower.insert(s).second) << e.Identifier;
  }
  // The departures: the anchoring type's values that its prefix shares with the alignment type,
  // the edit-as identifiers in the value's own case; first-edition ordinals.
  EXPECT_EQ(sttatCtr1, 1);
  EXPECT_EQ(sttatJust1, 3);
  EXPECT_EQ(sttatDist1, 4);
  EXPECT_EQ(steatwoCell, 0);
  EXPECT_EQ(steaabsolute, 2);
  EXPECT_EQ(stpcvDkBlue, 21);
  EXPECT_EQ(stpcvYellowGreen, 139);
  EXPECT_EQ(ststRect, 4);
  EXPECT_EQ(straB, 7);
  EXPECT_EQ(stpmtWarmMatte, 7);
  EXPECT_EQ(stscv3dDkShadow, 21);
  EXPECT_EQ(sizeof(TST_ShapeType), 2u);
}

// ---- reading rules --------------------------------------------------------------------------

TEST(DrawingRead_Names, MatchedByNamespaceAndByText) {
  // Unprefixed in the default namespace, under another prefix, and a name with the byte sum of
  // a known one.
  Doc d1(
      "<spPr xmlns=\"http://schemas.openxmlformats.org/drawingml/2006/main\"><solidFill>"
      "<srgbClr val=\"00FF00\"/></solidFill></spPr>");
  ASSERT_NE(d1.doc.SpPr(), nullptr);
  ASSERT_NE(d1.doc.SpPr()->A_EG_FillProperties()->A_SolidFill(), nullptr);
  EXPECT_EQ(d1.doc.SpPr()->A_EG_FillProperties()->A_SolidFill()->A_EG_ColorChoice()->A_SrgbClr()->Val(),
            0x00FF00);
  EXPECT_EQ(d1.count, 0);

  Doc d2(
      "<d:ln xmlns:d=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
      "w=\"12700\"><d:round/></d:ln>");
  ASSERT_NE(d2.doc.Ln(), nullptr);
  EXPECT_EQ(d2.doc.Ln()->W(), 12700);
  EXPECT_NE(d2.doc.Ln()->A_EG_LineJoinProperties()->A_Round(), nullptr);

  // A one-attribute class finds its attribute wherever it stands; the stranger is reported.
  Doc d4("<a:solidFill@><a:srgbClr foo=\"1\" val=\"FF0000\"/></a:solidFill>");
  EXPECT_EQ(d4.doc.SolidFill()->A_EG_ColorChoice()->A_SrgbClr()->Val(), 0xFF0000);
  EXPECT_EQ(d4.count, 1);
  EXPECT_EQ(d4.last, u"Row 0: Unknown Attribute foo");

  Doc d3("<a:gradFill@><a:sgLst><a:gs pos=\"1\"/></a:sgLst></a:gradFill>");  // sgLst: sum of gsLst
  EXPECT_EQ(d3.doc.GradFill()->A_GsLst()->A_GsXpgList()->Count(), 0);
  EXPECT_EQ(d3.count, 1);
  EXPECT_EQ(d3.last, u"Row 0: Unknown Element a:sgLst");
}

TEST(DrawingRead_Unknown, ReportedOnceAndSubtreeSkipped) {
  Doc d("<a:gradFill@><a:foo val=\"1\"><a:lin ang=\"5\"/><a:bar/></a:foo><a:lin ang=\"7\"/></a:gradFill>");
  EXPECT_EQ(d.count, 1);
  EXPECT_EQ(d.last, u"Row 0: Unknown Element a:foo");
  ASSERT_NE(d.doc.GradFill()->A_EG_ShadeProperties()->A_Lin(), nullptr);
  EXPECT_EQ(d.doc.GradFill()->A_EG_ShadeProperties()->A_Lin()->Ang(), 7);

  // A container inside an unknown child of a blend is not taken as the blend's own.
  Doc b("<a:effectDag@><a:blend blend=\"over\"><a:foo><a:cont type=\"tree\"/></a:foo></a:blend></a:effectDag>");
  EXPECT_EQ(b.count, 1);
  EXPECT_EQ(b.doc.EffectDag()->A_EG_Effect()->A_BlendXpgList()->GetItems(0)->A_Cont(), nullptr);
  // A class without children takes what stands inside it silently.
  Doc c("<a:effectDag@><a:alphaCeiling><a:blur rad=\"5\"/></a:alphaCeiling></a:effectDag>");
  EXPECT_EQ(c.count, 0);
  EXPECT_EQ(c.doc.EffectDag()->A_EG_Effect()->A_AlphaCeilingXpgList()->Count(), 1);
  EXPECT_EQ(c.doc.EffectDag()->A_EG_Effect()->A_BlurXpgList(), nullptr);
}

TEST(DrawingRead_AlternateContent, FallbackReadNestedToo) {
  Doc d(
      "<a:spPr@><mc:AlternateContent><mc:Choice Requires=\"a14\"><a:noFill/></mc:Choice>"
      "<mc:Fallback><mc:AlternateContent><mc:Choice Requires=\"x\"><a:gradFill/></mc:Choice>"
      "<mc:Fallback><a:solidFill><a:schemeClr val=\"accent1\"/></a:solidFill></mc:Fallback>"
      "</mc:AlternateContent><a:ln w=\"3\"/></mc:Fallback></mc:AlternateContent></a:spPr>");
  TEG_FillProperties* f = d.doc.SpPr()->A_EG_FillProperties();
  EXPECT_EQ(f->A_NoFill(), nullptr);
  EXPECT_EQ(f->A_GradFill(), nullptr);
  ASSERT_NE(f->A_SolidFill(), nullptr);
  EXPECT_EQ(f->A_SolidFill()->A_EG_ColorChoice()->A_SchemeClr()->Val(), stscvAccent1);
  ASSERT_NE(d.doc.SpPr()->A_Ln(), nullptr);
  EXPECT_EQ(d.doc.SpPr()->A_Ln()->W(), 3);
  EXPECT_EQ(d.count, 0);
}

TEST(DrawingRead_Values, EnumerationsBooleansAndAdjustableValues) {
  // A value outside its type gives the not-given value and reading goes on; values are looked up
  // in their own type only; Booleans fall back to their schema default, else False.
  Doc d(
      "<a:spPr@><a:prstGeom prst=\"auto\"/><a:solidFill><a:prstClr val=\"darkBlue\"/></a:solidFill>"
      "<a:ln cap=\"FLAT\"/></a:spPr>");
  EXPECT_EQ(d.doc.SpPr()->A_EG_Geometry()->A_PrstGeom()->Prst(), 65535);
  EXPECT_EQ(d.doc.SpPr()->A_EG_FillProperties()->A_SolidFill()->A_EG_ColorChoice()->A_PrstClr()->Val(),
            65535);
  EXPECT_EQ(d.doc.SpPr()->A_Ln()->Cap(), stlcFlat);

  Doc g("<a:gradFill@ rotWithShape=\"yes\"/>");
  EXPECT_EQ(g.doc.GradFill()->RotWithShape(), 0);
  Doc g2("<a:gradFill@/>");
  EXPECT_EQ(g2.doc.GradFill()->RotWithShape(), 2);

  Doc c(
      "<a:custGeom@><a:pathLst><a:path w=\"100\" h=\"50\" stroke=\"yes\" fill=\"NORM\"><a:moveTo><a:pt "
      "x=\"0\" y=\"h\"/>"
      "</a:moveTo><a:lnTo><a:pt x=\"\" y=\"5\"/></a:lnTo><a:arcTo stAng=\"cd4\" swAng=\"5400000\"/><a:close/>"
      "<a:cubicBezTo><a:pt x=\"1\" y=\"1\"/><a:pt x=\"2\" y=\"2\"/><a:pt x=\"3\" y=\"3\"/><a:pt x=\"4\" "
      "y=\"4\"/>"
      "</a:cubicBezTo></a:path></a:pathLst><a:ahLst><a:ahPolar/><a:ahXY minX=\"0\" "
      "maxX=\"w\"/><a:ahPolar/></a:ahLst>"
      "<a:rect l=\"l\" t=\"t\" r=\"r\" b=\"b\"/></a:custGeom>");
  EXPECT_EQ(c.count, 0);
  TCT_Path2D* p = c.doc.CustGeom()->A_PathLst()->A_PathXpgList()->GetItems(0);
  EXPECT_EQ(p->W(), 100);
  EXPECT_EQ(p->Stroke(), 1);
  EXPECT_EQ(p->Fill(), stpfmNorm);
  ASSERT_EQ(p->Objects()->Count(), 5);
  auto* mv = dynamic_cast<TCT_Path2DMoveTo*>(p->Objects()->GetItems(0));
  ASSERT_NE(mv, nullptr);
  EXPECT_EQ(mv->A_Pt()->X().nVal, 0);
  EXPECT_EQ(mv->A_Pt()->Y().nVal, 1);
  EXPECT_EQ(mv->A_Pt()->Y().Val2, u"h");
  auto* ln = dynamic_cast<TCT_Path2DLineTo*>(p->Objects()->GetItems(1));
  ASSERT_NE(ln, nullptr);
  EXPECT_EQ(ln->A_Pt()->X().nVal, -1);
  auto* arc = dynamic_cast<TCT_Path2DArcTo*>(p->Objects()->GetItems(2));
  ASSERT_NE(arc, nullptr);
  EXPECT_EQ(arc->StAng().nVal, 1);
  EXPECT_EQ(arc->SwAng().Val1, 5400000);
  EXPECT_NE(dynamic_cast<TCT_Path2DClose*>(p->Objects()->GetItems(3)), nullptr);
  auto* cub = dynamic_cast<TCT_Path2DCubicBezierTo*>(p->Objects()->GetItems(4));
  ASSERT_NE(cub, nullptr);
  EXPECT_EQ(cub->A_PtXpgList()->Count(), 4);
  EXPECT_EQ(cub->A_PtXpgList()->GetItems(3)->X().Val1, 4);
  TCT_AdjustHandleList* ah = c.doc.CustGeom()->A_AhLst();
  EXPECT_EQ(ah->A_AhPolarXpgList()->Count(), 2);
  ASSERT_EQ(ah->A_AhXYXpgList()->Count(), 1);
  EXPECT_EQ(ah->A_AhXYXpgList()->GetItems(0)->MaxX().Val2, u"w");
  EXPECT_EQ(ah->A_AhXYXpgList()->GetItems(0)->MinY().nVal, -1);
}

// ---- the property elements ------------------------------------------------------------------

TEST(DrawingRead_Fills, GradientPatternBlipAndChoices) {
  Doc d(
      "<a:spPr@><a:noFill/><a:solidFill><a:srgbClr val=\"FF0000\"><a:lumMod val=\"75000\"/>"
      "<a:lumOff val=\"25000\"/><a:inv/></a:srgbClr></a:solidFill></a:spPr>");
  TEG_FillProperties* f = d.doc.SpPr()->A_EG_FillProperties();
  ASSERT_NE(f->A_NoFill(), nullptr);
  ASSERT_NE(f->A_SolidFill(), nullptr);
  EXPECT_FALSE(f->Automatic());
  TEG_ColorTransform* t = f->A_SolidFill()->A_EG_ColorChoice()->A_SrgbClr()->A_EG_ColorTransform();
  ASSERT_EQ(t->Count(), 2);
  EXPECT_EQ(t->Items()[0].Name, "lumMod");
  EXPECT_EQ(t->Items()[1].Value, 25000);
  EXPECT_EQ(f->A_SolidFill()->A_EG_ColorChoice()->A_SrgbClr()->Val(), 16711680);
  TCT_SolidColorFillProperties* solid = f->A_SolidFill();
  EXPECT_EQ(f->Create_SolidFill(), solid);
  EXPECT_NE(f->A_NoFill(), nullptr);
  f->Create_GradFill();
  EXPECT_EQ(f->A_NoFill(), nullptr);
  EXPECT_EQ(f->A_SolidFill(), nullptr);
  EXPECT_EQ(f->CheckAssigned(), 0);  // an empty gradient still has its stop list and shade group
  f->Create_NoFill();
  EXPECT_EQ(f->CheckAssigned(), 1);
  f->Remove_NoFill();
  EXPECT_TRUE(f->Automatic());

  Doc g(
      "<a:gradFill@><a:gsLst><a:gs pos=\"0\"><a:schemeClr val=\"accent1\"/></a:gs><a:gs pos=\"50000\"/>"
      "<a:gs pos=\"100000\"/></a:gsLst><a:lin ang=\"5400000\" scaled=\"1\"/><a:tileRect "
      "r=\"-100000\"/></a:gradFill>");
  TCT_GradientFillProperties* gf = g.doc.GradFill();
  ASSERT_EQ(gf->A_GsLst()->A_GsXpgList()->Count(), 3);
  EXPECT_EQ(gf->A_GsLst()->A_GsXpgList()->GetItems(1)->Pos(), 50000);
  EXPECT_EQ(gf->A_EG_ShadeProperties()->A_Lin()->Ang(), 5400000);
  EXPECT_EQ(gf->A_EG_ShadeProperties()->A_Lin()->Scaled(), 1);
  EXPECT_EQ(gf->Flip(), 65535);
  EXPECT_TRUE(gf->A_TileRect()->Equal(0, -100000, 0, 0));

  Doc p(
      "<a:pattFill@ prst=\"dkDnDiag\"><a:fgClr><a:sysClr val=\"windowText\" lastClr=\"000000\"/></a:fgClr>"
      "<a:bgClr><a:prstClr val=\"dkBlue\"/></a:bgClr></a:pattFill>");
  EXPECT_EQ(p.doc.PattFill()->Prst(), stppvDkDnDiag);
  EXPECT_EQ(p.doc.PattFill()->A_FgClr()->A_EG_ColorChoice()->A_SysClr()->Val(), stscvWindowText);
  EXPECT_EQ(p.doc.PattFill()->A_FgClr()->A_EG_ColorChoice()->A_SysClr()->LastClr(), 0);
  EXPECT_EQ(p.doc.PattFill()->A_BgClr()->A_EG_ColorChoice()->A_PrstClr()->Val(), stpcvDkBlue);

  Doc b(
      "<a:blipFill@ dpi=\"96\"><a:blip r:embed=\"rId1\" cstate=\"print\"><a:alphaModFix amt=\"50000\"/>"
      "<a:lum bright=\"10\"/></a:blip><a:srcRect/><a:stretch><a:fillRect/></a:stretch><a:tile tx=\"10\" "
      "sy=\"20\"/>"
      "</a:blipFill>");
  TCT_BlipFillProperties* bf = b.doc.BlipFill();
  EXPECT_EQ(b.count, 0);
  EXPECT_EQ(bf->A_Blip()->R_Embed(), u"rId1");
  EXPECT_EQ(bf->A_Blip()->Cstate(), stbcPrint);
  EXPECT_EQ(bf->A_Blip()->A_AlphaModFix()->Amt(), 50000);
  EXPECT_EQ(bf->A_Blip()->A_Lum()->Bright(), 10);
  EXPECT_EQ(bf->A_EG_FillModeProperties()->A_Tile()->Tx(), 10);
  EXPECT_EQ(bf->A_EG_FillModeProperties()->A_Tile()->Sy(), 20);
  ASSERT_NE(bf->A_EG_FillModeProperties()->A_Stretch(), nullptr);
  bf->A_EG_FillModeProperties()->Create_Tile();
  EXPECT_EQ(bf->A_EG_FillModeProperties()->A_Stretch(), nullptr);
}

TEST(DrawingRead_Lines, DashJoinEndsAndWrapperOperations) {
  Doc d(
      "<a:ln@ w=\"12700\" cmpd=\"dbl\" algn=\"in\"><a:blipFill/><a:prstDash val=\"sysDot\"/><a:custDash>"
      "<a:ds d=\"100\" sp=\"200\"/></a:custDash><a:round/><a:miter lim=\"800000\"/><a:headEnd/>"
      "<a:tailEnd type=\"arrow\" w=\"lg\" len=\"sm\"/></a:ln>");
  TCT_LineProperties* ln = d.doc.Ln();
  EXPECT_EQ(d.count, 0);
  EXPECT_EQ(ln->W(), 12700);
  EXPECT_EQ(ln->Cmpd(), stclDbl);
  EXPECT_EQ(ln->Algn(), stpaIn);
  EXPECT_NE(ln->A_EG_LineFillProperties()->A_BlipFill(), nullptr);
  TEG_LineDashProperties* dash = ln->A_EG_LineDashProperties();
  EXPECT_EQ(dash->A_PrstDash()->Val(), stpldvSysDot);
  EXPECT_EQ(dash->A_CustDash()->A_DsXpgList()->GetItems(0)->Sp(), 200);
  EXPECT_EQ(dash->Create_PrstDash(), dash->A_PrstDash());
  EXPECT_NE(dash->A_CustDash(), nullptr);  // the preset existed: nothing freed
  TEG_LineJoinProperties* join = ln->A_EG_LineJoinProperties();
  EXPECT_NE(join->A_Round(), nullptr);
  EXPECT_EQ(join->A_Miter()->Lim(), 800000);
  join->Create_Miter();
  EXPECT_NE(join->A_Round(), nullptr);
  join->Create_Bevel();
  EXPECT_EQ(join->A_Round(), nullptr);
  EXPECT_EQ(join->A_Miter(), nullptr);
  EXPECT_EQ(ln->A_HeadEnd()->Type(), 65535);
  EXPECT_EQ(ln->A_HeadEnd()->CheckAssigned(), 0);
  EXPECT_EQ(ln->A_TailEnd()->Type(), stletArrow);
  EXPECT_EQ(ln->A_TailEnd()->W(), stlewLg);
  ln->Free_HeadEnd();
  EXPECT_EQ(ln->A_HeadEnd(), nullptr);

  Doc e("<a:ln@/>");
  EXPECT_EQ(e.doc.Ln()->CheckAssigned(), 0);
  EXPECT_EQ(e.doc.Ln()->W(), 2147483632);
}

TEST(DrawingRead_Effects, ListContainerAndSingleEffects) {
  Doc d(
      "<a:effectLst@><a:outerShdw blurRad=\"1\" dist=\"2\" rotWithShape=\"yes\"><a:srgbClr val=\"000000\">"
      "<a:alpha val=\"40000\"/></a:srgbClr></a:outerShdw><a:outerShdw dist=\"5\"/><a:blur rad=\"12.5\"/>"
      "<a:prstShdw prst=\"SHDW3\"/></a:effectLst>");
  TCT_EffectList* l = d.doc.EffectLst();
  EXPECT_EQ(l->A_OuterShdw()->BlurRad(), 1);
  EXPECT_EQ(l->A_OuterShdw()->Dist(), 5);
  EXPECT_EQ(l->A_OuterShdw()->RotWithShape(), 1);
  EXPECT_EQ(l->A_OuterShdw()->Algn(), straB);
  EXPECT_EQ(l->A_OuterShdw()->A_EG_ColorChoice()->A_SrgbClr()->A_EG_ColorTransform()->GetAsDouble("alpha"),
            40000);
  EXPECT_EQ(l->A_Blur()->Rad(), 0);
  EXPECT_EQ(l->A_PrstShdw()->Prst(), stpsvShdw3);

  Doc c(
      "<a:effectDag@ type=\"Tree\"><a:blur/><a:glow rad=\"3\"/><a:blur/><a:tint hue=\"120\" amt=\"3000\"/>"
      "<a:xfrm sy=\"5\" tx=\"7\"/><a:blend blend=\"mult\"><a:cont/></a:blend><a:alphaMod/></a:effectDag>");
  TCT_EffectContainer* ct = c.doc.EffectDag();
  EXPECT_EQ(ct->Type(), stectTree);
  TEG_Effect* eg = ct->A_EG_Effect();
  EXPECT_EQ(eg->A_BlurXpgList()->Count(), 2);
  EXPECT_EQ(eg->A_GlowXpgList()->GetItems(0)->Rad(), 3);
  EXPECT_EQ(eg->A_TintXpgList()->GetItems(0)->Hue(), 120);
  EXPECT_EQ(eg->A_TintXpgList()->GetItems(0)->Amt(), 3000);
  EXPECT_EQ(eg->A_XfrmXpgList()->GetItems(0)->Sy(), 5);
  EXPECT_EQ(eg->A_XfrmXpgList()->GetItems(0)->Tx(), 7);
  EXPECT_EQ(eg->A_BlendXpgList()->GetItems(0)->Blend(), stbmMult);
  EXPECT_NE(eg->A_BlendXpgList()->GetItems(0)->A_Cont(), nullptr);
  EXPECT_EQ(eg->A_AlphaModXpgList()->Count(), 1);
  EXPECT_EQ(c.count, 0);
}

TEST(DrawingRead_Scene, CameraLightRigShape3D) {
  Doc d(
      "<a:spPr@><a:scene3d><a:camera prst=\"orthographicFront\"/><a:lightRig rig=\"threePt\" dir=\"t\"/>"
      "</a:scene3d><a:sp3d><a:bevelT/><a:extrusionClr><a:srgbClr val=\"123456\"/></a:extrusionClr></a:sp3d>"
      "<a:extLst><a:ext uri=\"{A}\"><x:foo xmlns:x=\"urn:x\" k=\"v\">t</x:foo></a:ext><a:ext "
      "uri=\"{B}\"/></a:extLst></a:spPr>");
  TCT_Scene3D* s = d.doc.SpPr()->A_Scene3d();
  EXPECT_EQ(s->A_Camera()->Prst(), stpctOrthographicFront);
  EXPECT_EQ(s->A_Camera()->Zoom(), 100000);
  EXPECT_EQ(s->A_Camera()->Fov(), 2147483632);
  EXPECT_EQ(s->A_LightRig()->Rig(), stlrtThreePt);
  EXPECT_EQ(s->A_LightRig()->Dir(), stlrdT);
  TCT_Shape3D* sp = d.doc.SpPr()->A_Sp3d();
  EXPECT_EQ(sp->PrstMaterial(), stpmtWarmMatte);
  EXPECT_EQ(sp->A_BevelT()->W(), 76200);
  EXPECT_EQ(sp->A_BevelT()->Prst(), stbptCircle);
  EXPECT_EQ(sp->A_ExtrusionClr()->A_EG_ColorChoice()->A_SrgbClr()->Val(), 0x123456);
  TCT_OfficeArtExtension* ext = d.doc.SpPr()->A_ExtLst()->A_EG_OfficeArtExtensionList()->A_Ext();
  EXPECT_EQ(ext->Uri(), u"{B}");
  ASSERT_EQ(ext->AnyElements().Count(), 1);
  EXPECT_EQ(ext->AnyElements().GetItems(0)->FElementName, u"x:foo");
  EXPECT_EQ(ext->AnyElements().GetItems(0)->FContent, u"t");
  EXPECT_EQ(d.count, 0);
}

// ---- hand-written operations ----------------------------------------------------------------

TEST(DrawingColor_Transforms, FindGetSetAndApply) {
  TEG_ColorTransform t(nullptr);
  EXPECT_TRUE(std::isnan(t.GetAsDouble("alpha")));
  t.SetAsDouble("alpha", 500.5);
  EXPECT_EQ(t.GetAsDouble("alpha"), 500);
  t.SetAsDouble("alpha", 7);
  EXPECT_EQ(t.Count(), 1);
  EXPECT_EQ(t.Find("Alpha"), -1);
  EXPECT_EQ(t.Apply(0x336699), 0x336699u);  // no hue, saturation or luminance entry: unchanged

  auto near = [](uint32_t a, uint32_t b) {
    for (int s = 0; s < 24; s += 8)
      if (std::abs(int((a >> s) & 0xFF) - int((b >> s) & 0xFF)) > 8) return false;  // byte-level HSL
    return true;
  };
  struct Case {
    uint32_t in;
    std::vector<std::pair<const char*, int32_t>> items;
    uint32_t want;
  };
  const Case cases[] = {
      {0xFF0000, {{"hueOff", 10800000}}, 0x00FFFF},      // half way round the circle: cyan
      {0xFF0000, {{"hueOff", 21600000 * 3}}, 0xFF0000},  // whole turns wrap
      {0xFFFFFF, {{"lumOff", 60000}}, 0xFFFFFF},         // past 1: white, no wrap-around
      {0x000000, {{"lumOff", -60000}}, 0x000000},
      {0xFF0000, {{"lumMod", 50000}}, 0x800000},
      {0xFF0000, {{"satMod", 0}}, 0x808080},
  };
  for (const Case& c : cases) {
    TEG_ColorTransform x(nullptr);
    for (auto& [n, v] : c.items) x.Add(n, v);
    const uint32_t got = x.Apply(c.in);
    EXPECT_TRUE(near(got, c.want)) << std::hex << c.in << " -> " << got;
  }
  // A transform takes its value from val only; one without attributes records nothing.
  Doc d(
      "<a:solidFill@><a:srgbClr val=\"000000\"><a:alpha foo=\"5\"/><a:alpha/><a:gray val=\"1\"/>"
      "<a:lumBogus val=\"1\"/></a:srgbClr></a:solidFill>");
  TEG_ColorTransform* dt = d.doc.SolidFill()->A_EG_ColorChoice()->A_SrgbClr()->A_EG_ColorTransform();
  ASSERT_EQ(dt->Count(), 1);
  EXPECT_EQ(dt->Items()[0].Name, "gray");
  EXPECT_EQ(d.count, 2);  // foo, a:lumBogus
  EXPECT_EQ(d.last, u"Row 0: Unknown Element a:lumBogus");

  // Luminance 0.4 * 0.75 + 0.25 = 0.55.
  TEG_ColorTransform m(nullptr);
  m.Add("lumMod", 75000);
  m.Add("lumOff", 25000);
  const uint32_t gray40 = HSLFloatToRGB(0, 0.4, 0);
  double h, l, s;
  RGBToHSLFloat(m.Apply(gray40), h, l, s);
  EXPECT_NEAR(l, 0.55, 0.01);
}

TEST(DrawingColor_Values, ScRgbAndHslRoundTrips) {
  Doc d("<a:solidFill@><a:hslClr hue=\"14400000\" sat=\"100000\" lum=\"50000\"/></a:solidFill>");
  TCT_HslColor* hsl = d.doc.SolidFill()->A_EG_ColorChoice()->A_HslClr();
  EXPECT_EQ(hsl->HSL(), uint32_t(170 << 16 | 255 << 8 | 128));  // 240 degrees, full, half
  TEG_ColorChoice choice(nullptr);
  TCT_HslColor* h2 = choice.Create_HslClr();
  h2->SetHSL(0x12AB7F);
  EXPECT_EQ(h2->HSL(), 0x12AB7Fu);
  TCT_ScRgbColor sc(nullptr);
  sc.SetRGB(0xFF8000);
  EXPECT_EQ(sc.R(), 100000);
  EXPECT_EQ(sc.G(), 50196);
  EXPECT_EQ(sc.B(), 0);
  EXPECT_EQ(sc.RGB(), 0xFF8000u);
  // Choice: creating another alternative frees the present one; the same returns it.
  TCT_SRgbColor* s = choice.Create_SrgbClr();
  EXPECT_EQ(choice.A_HslClr(), nullptr);
  EXPECT_EQ(choice.Create_SrgbClr(), s);
  choice.Create_SchemeClr();
  EXPECT_EQ(choice.A_SrgbClr(), nullptr);
}

TEST(DrawingBlip_Binding, OnlyInASheetDrawing) {
  TXc12GraphicManager gm(nullptr);
  const uint8_t png[] = {1, 2, 3};
  TXc12GraphicImage* img = gm.Images().Xc12_Add(png, u"png", u"image1.png", u"rIdSheet", u"rId1");
  TOPC_XLSX opc;
  gm.FXLSOPC = &opc;
  // The current sheet is the package's item with the sheet's relationship id.
  TOPCItem root(&opc, nullptr);
  opc.FCurrSheet = root.Add(u"rIdSheet", std::make_unique<TOPCItem>(&opc, &root));
  ASSERT_EQ(opc.FCurrSheet->GetId(), u"rIdSheet");
  struct Case {
    TXpgDrawingKind kind;
    bool bound;
  };
  for (Case c : {Case{TXpgDrawingKind::SheetDrawing, true}, Case{TXpgDrawingKind::Chart, false},
                 Case{TXpgDrawingKind::UserShapes, false}}) {
    TXPGDocDrawingFragment doc;
    doc.FGrManager = &gm;
    doc.FKind = c.kind;
    doc.LoadFromBytes(std::string("<a:blipFill") + kNs + "><a:blip xmlns:r=\"" +
                      "http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
                      "r:embed=\"rId1\"/></a:blipFill>");
    EXPECT_EQ(doc.BlipFill()->A_Blip()->Image(), c.bound ? img : nullptr) << int(c.kind);
  }
}

TEST(DrawingBudget_Elements, SharedBoundEndsTheLoad) {
  auto budget = std::make_shared<TXpgElementBudget>(40);
  TXPGDocDrawingFragment a, b;
  a.SetBudget(budget);
  b.SetBudget(budget);
  const std::string ten =
      "<a:effectDag" + std::string(kNs) + "><a:blur/><a:blur/><a:blur/><a:blur/><a:blur/></a:effectDag>";
  a.LoadFromBytes(ten);
  const int64_t one = budget->Used();
  EXPECT_GT(one, 5);
  std::string big = "<a:effectDag" + std::string(kNs) + ">";
  for (int i = 0; i < 100; ++i) big += "<a:blur/>";
  big += "</a:effectDag>";
  try {
    b.LoadFromBytes(big);
    ADD_FAILURE() << "no error";
  } catch (const XLSRWException& e) {
    EXPECT_STREQ(e.what(), "Too many drawing elements");
  }
  EXPECT_LE(budget->Used(), 41);

  // Documents with the workbook's graphic manager share the budget of its load, whatever budget
  // they were given; a new load (Clear) starts from nothing.
  TXc12GraphicManager gm(nullptr);
  gm.DrawingBudget().SetLimit(40);
  TXPGDocDrawingFragment c, e;
  c.FGrManager = &gm;
  e.FGrManager = &gm;
  e.SetBudget(std::make_shared<TXpgElementBudget>());
  c.LoadFromBytes(ten);
  EXPECT_EQ(gm.DrawingBudget().Used(), one);
  EXPECT_THROW(e.LoadFromBytes(big), XLSRWException);
  EXPECT_EQ(e.Budget()->Used(), 0);
  gm.Clear();
  EXPECT_EQ(gm.DrawingBudget().Used(), 0);
  TXPGDocDrawingFragment f;
  f.FGrManager = &gm;
  f.LoadFromBytes(ten);
  EXPECT_EQ(gm.DrawingBudget().Used(), one);
}

// The counts the model's wrappers read (a text fill counting below 1 is cleared, a font counts as
// assigned above 0) and the writing side's: required attributes count whatever they hold.
TEST(DrawingCheckAssigned, CountsOfTheElementFamilies) {
  using Pick = TXPGBase* (*)(TCT_ShapeProperties&);
  auto fill = [](TCT_ShapeProperties& s) -> TXPGBase* { return s.A_EG_FillProperties(); };
  auto geom = [](TCT_ShapeProperties& s) -> TXPGBase* { return s.A_EG_Geometry(); };
  auto line = [](TCT_ShapeProperties& s) -> TXPGBase* { return s.A_Ln(); };
  auto effects = [](TCT_ShapeProperties& s) -> TXPGBase* { return s.A_EG_EffectProperties(); };
  auto xfrm = [](TCT_ShapeProperties& s) -> TXPGBase* { return s.A_Xfrm(); };
  auto sp3d = [](TCT_ShapeProperties& s) -> TXPGBase* { return s.A_Sp3d(); };
  auto scene = [](TCT_ShapeProperties& s) -> TXPGBase* { return s.A_Scene3d(); };
  struct Case {
    const char* inner;
    Pick pick;
    int want;
  };
  const Case cases[] = {
      {"<a:noFill/>", fill, 1},
      {"<a:solidFill><a:schemeClr val=\"accent1\"/></a:solidFill>", fill, 1},
      {"<a:solidFill><a:schemeClr val=\"accent1\"><a:lumMod val=\"75000\"/></a:schemeClr></a:solidFill>", fill, 2},
      {"<a:solidFill><a:srgbClr/></a:solidFill>", fill, 0},
      {"<a:solidFill><a:scrgbClr/></a:solidFill>", fill, 1},
      {"<a:solidFill/>", fill, 0},
      // Stops count 1 each plus their colour.
      {"<a:gradFill><a:gsLst><a:gs pos=\"0\"><a:srgbClr val=\"FF0000\"/></a:gs><a:gs/></a:gsLst></a:gradFill>", fill, 3},
      {"<a:gradFill rotWithShape=\"1\"><a:lin ang=\"0\"/></a:gradFill>", fill, 2},
      // A picture counts its bound image and its effects, not its identifiers.
      {"<a:blipFill><a:blip r:embed=\"rId1\"/></a:blipFill>", fill, 0},
      {"<a:blipFill><a:blip r:embed=\"rId1\"><a:alphaModFix amt=\"50000\"/></a:blip></a:blipFill>", fill, 1},
      {"<a:blipFill><a:blip><a:alphaModFix/></a:blip><a:stretch><a:fillRect/></a:stretch></a:blipFill>", fill, 0},
      {"<a:pattFill prst=\"pct5\"><a:fgClr><a:schemeClr val=\"tx1\"/></a:fgClr></a:pattFill>", fill, 2},
      {"<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom>", geom, 2},
      {"<a:custGeom><a:avLst/><a:gdLst><a:gd/></a:gdLst><a:rect l=\"0\" t=\"0\" r=\"r\" b=\"b\"/>"
       "<a:pathLst><a:path><a:moveTo><a:pt x=\"0\" y=\"0\"/></a:moveTo><a:arcTo/></a:path></a:pathLst></a:custGeom>",
       geom, 6},
      {"<a:ln><a:custDash><a:ds/><a:ds d=\"1\" sp=\"2\"/></a:custDash></a:ln>", line, 2},
      {"<a:ln><a:headEnd/></a:ln>", line, 0},
      {"<a:effectLst><a:prstShdw prst=\"shdw2\" dist=\"38100\"/></a:effectLst>", effects, 1},
      {"<a:effectDag/>", effects, 0},
      {"<a:xfrm><a:off/><a:ext/></a:xfrm>", xfrm, 2},
      {"<a:sp3d><a:bevelT/><a:bevelB w=\"76200\"/></a:sp3d>", sp3d, 2},
      {"<a:scene3d><a:camera/><a:lightRig><a:rot/></a:lightRig></a:scene3d>", scene, 3},
  };
  for (const Case& c : cases) {
    Doc d(std::string("<a:spPr@>") + c.inner + "</a:spPr>");
    ASSERT_EQ(d.count, 0) << c.inner;
    TXPGBase* e = c.pick(*d.doc.SpPr());
    ASSERT_NE(e, nullptr) << c.inner;
    EXPECT_EQ(e->CheckAssigned(), c.want) << c.inner;
  }
  // A bound picture counts its image.
  TCT_Blip blip(nullptr);
  EXPECT_EQ(blip.CheckAssigned(), 0);
  TXc12GraphicImage image;
  blip.SetImage(&image);
  EXPECT_EQ(blip.CheckAssigned(), 1);
  EXPECT_EQ(blip.Assigneds(), xaAttributes);
  // The text font wrapper's rule: a fill group set up but left without a colour counts 0.
  TEG_FillProperties group(nullptr);
  group.Create_SolidFill();
  EXPECT_EQ(group.CheckAssigned(), 0);
  group.Create_SolidFill()->A_EG_ColorChoice()->Create_SrgbClr()->SetVal(0x123456);
  EXPECT_EQ(group.CheckAssigned(), 1);
}

TEST(DrawingBaseList, HandedOverItemsInOrder) {
  TXPGBaseList list;
  TCT_RelativeRect* r = list.Add(std::make_unique<TCT_RelativeRect>(nullptr));
  auto* g = list.Add(std::make_unique<TCT_LineJoinRound>(nullptr));
  r->SetL(5);
  r->SetAssigneds(xaRead);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.GetItems(0), r);
  EXPECT_EQ(list.GetItems(1), g);
  EXPECT_THROW(list.GetItems(2), std::out_of_range);
  list.CheckAssigned();  // every item's flags recomputed: the rectangle's attribute counts
  EXPECT_EQ(r->Assigneds(), xaRead | xaAttributes);
  EXPECT_EQ(g->Assigneds(), 0);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

}  // namespace
}  // namespace xls::xpgdml
