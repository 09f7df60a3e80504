// The drawing objects' colour, fill, line and text wrappers over element trees read from inline
// XML: unit conversions, the choice between alternative elements, the defaults they write and the
// messages of their checks.
#include "xls/drawingml/xlsdrawingprops.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "tests/xls/drawingml/fragmentdoc.h"
#include "xls/model/xlserrors.h"

namespace xls {
namespace {

using namespace xpgdml;
using xpgdml::test::Doc;

// The message of the XLSRWException `f` raises ("" when none).
template <class F>
std::string Raised(F&& f) {
  try {
    f();
  } catch (const XLSRWException& e) {
    return e.what();
  }
  return "";
}

TEG_ColorChoice* SolidColor(Doc& d) { return d.doc.SolidFill()->A_EG_ColorChoice(); }

TEST(DrawingWrappers_Color, KindsValuesAndTransparency) {
  // An empty choice becomes the scheme colour accent1, from then on held by the element.
  Doc e("<a:solidFill@/>");
  TXLSDrwColor empty(SolidColor(e));
  EXPECT_EQ(empty.ColorType(), xdctScheme);
  EXPECT_EQ(empty.AsScheme(), stscvAccent1);
  ASSERT_NE(SolidColor(e)->A_SchemeClr(), nullptr);
  EXPECT_EQ(empty.AsRGB(), 0x4F81BDu);  // the default theme's accent1

  struct Case {
    const char* color;
    TXLSDrwColorType type;
    uint32_t rgb;
  };
  const Case cases[] = {
      {"<a:srgbClr val=\"336699\"/>", xdctRGB, 0x336699},
      {"<a:scrgbClr r=\"100000\" g=\"50196\" b=\"0\"/>", xdctRGB, 0xFF8000},
      // HSL goes through bytes: luminance 50 % is 128 / 255, a shade above the middle.
      {"<a:hslClr hue=\"0\" sat=\"100000\" lum=\"50000\"/>", xdctHSL, 0xFF0101},
      {"<a:sysClr val=\"windowText\" lastClr=\"000000\"/>", xdctSystem, 0xFFFFFF},  // the window colour
      {"<a:schemeClr val=\"tx1\"/>", xdctScheme, 0},
      {"<a:schemeClr val=\"bg1\"/>", xdctScheme, 0xFFFFFF},
      {"<a:schemeClr val=\"dk2\"/>", xdctScheme, 0x1F497D},
      {"<a:prstClr val=\"black\"/>", xdctPreset, 0xFFFFFF},
      // Transforms apply: red at half its luminance (through byte HSL).
      {"<a:srgbClr val=\"FF0000\"><a:lumMod val=\"50000\"/></a:srgbClr>", xdctRGB, 0x7F0101},
  };
  for (const Case& c : cases) {
    Doc d(std::string("<a:solidFill@>") + c.color + "</a:solidFill>");
    TXLSDrwColor color(SolidColor(d));
    EXPECT_EQ(color.ColorType(), c.type) << c.color;
    EXPECT_EQ(color.AsRGB(), c.rgb) << c.color;
    EXPECT_EQ(color.AsTColor(), SwapRedBlue(c.rgb)) << c.color;
  }

  // Reading another kind raises; writing makes the kind.
  Doc s("<a:solidFill@><a:srgbClr val=\"336699\"/></a:solidFill>");
  TXLSDrwColor c(SolidColor(s));
  EXPECT_EQ(Raised([&] { c.AsHSL(); }), "Color is not HSL");
  EXPECT_EQ(Raised([&] { c.AsSystem(); }), "Color is not System");
  EXPECT_EQ(Raised([&] { c.AsScheme(); }), "Color is not Scheme");
  EXPECT_EQ(Raised([&] { c.AsPreset(); }), "Color is not Preset");
  EXPECT_NE(SolidColor(s)->A_SrgbClr(), nullptr);  // the tree is as it was
  c.SetAsPreset(stpcvDkBlue);
  EXPECT_EQ(c.AsPreset(), stpcvDkBlue);
  EXPECT_EQ(SolidColor(s)->A_SrgbClr(), nullptr);
  c.SetAsHSL(0x00FF80);
  EXPECT_EQ(c.AsHSL(), 0x00FF80u);
  EXPECT_EQ(c.AsRGB(), 0xFF0101u);  // byte HSL: red at full saturation, half luminance
  c.SetAsSystem(stscvWindow);
  EXPECT_EQ(c.AsSystem(), stscvWindow);
  c.SetAsTColor(0x0000FF);  // a Windows red
  EXPECT_EQ(SolidColor(s)->A_SrgbClr()->Val(), 0xFF0000);

  // Transparency is the alpha transform in DrawingML's unit: a file's 50 % reads as 0.5.
  Doc a("<a:solidFill@><a:srgbClr val=\"FF0000\"><a:alpha val=\"50000\"/></a:srgbClr></a:solidFill>");
  TXLSDrwColor ac(SolidColor(a));
  EXPECT_DOUBLE_EQ(ac.Transparency(), 0.5);
  ac.SetTransparency(2);
  EXPECT_EQ(SolidColor(a)->A_SrgbClr()->A_EG_ColorTransform()->GetAsDouble("alpha"), 100000);
  ac.SetTransparency(std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(ac.Transparency(), 0);
  EXPECT_EQ(SolidColor(a)->A_SrgbClr()->A_EG_ColorTransform()->Count(), 1);

  // ARGB: alpha byte 128 stores 50196 and reads back as the same four bytes.
  ac.SetAsARGB(0x80336699);
  EXPECT_EQ(SolidColor(a)->A_SrgbClr()->Val(), 0x336699);
  EXPECT_EQ(SolidColor(a)->A_SrgbClr()->A_EG_ColorTransform()->GetAsDouble("alpha"), 50196);
  EXPECT_EQ(ac.AsARGB(), 0x80336699u);
  // Other kinds keep their colour and take the transparency.
  Doc k("<a:solidFill@><a:schemeClr val=\"tx1\"/></a:solidFill>");
  TXLSDrwColor kc(SolidColor(k));
  kc.SetAsARGB(0xFF123456);
  EXPECT_EQ(kc.AsScheme(), stscvTx1);
  EXPECT_DOUBLE_EQ(kc.Transparency(), 1.0);
}

TEST(DrawingWrappers_Fill, ChoiceSolidGradientAndPicture) {
  Doc d("<a:spPr@><a:solidFill><a:srgbClr val=\"00FF00\"/></a:solidFill></a:spPr>");
  TEG_FillProperties* group = d.doc.SpPr()->A_EG_FillProperties();
  TXLSDrwFillChoice fill(group);
  EXPECT_EQ(fill.FillType(), xdftSolid);
  EXPECT_EQ(fill.AsSolid().Color().AsRGB(), 0x00FF00u);
  EXPECT_EQ(Raised([&] { fill.AsGradient(); }), "Fill is not Gradient Fill");
  EXPECT_EQ(Raised([&] { fill.AsPicture(); }), "Fill is not Pictuer Fill");
  EXPECT_EQ(Raised([&] { fill.AsNone(); }), "Fill is not None Fill");
  // Automatic makes only the wrapper: the solid fill stays in the tree.
  fill.SetFillType(xdftAutomatic);
  EXPECT_EQ(fill.FillType(), xdftAutomatic);
  EXPECT_NE(group->A_SolidFill(), nullptr);
  EXPECT_EQ(Raised([&] { fill.AsSolid(); }), "Fill is not Solid Fill");
  fill.SetFillType(xdftNone);
  EXPECT_EQ(group->A_SolidFill(), nullptr);
  EXPECT_NE(group->A_NoFill(), nullptr);

  // A gradient with one stop gets the two default stops.
  Doc g("<a:gradFill@><a:gsLst><a:gs pos=\"30000\"><a:srgbClr val=\"123456\"/></a:gs></a:gsLst></a:gradFill>");
  TXLSDrwFillGradient grad(g.doc.GradFill());
  ASSERT_EQ(grad.Stops().Count(), 2);
  EXPECT_EQ(g.doc.GradFill()->A_GsLst()->A_GsXpgList()->Count(), 2);
  EXPECT_EQ(grad.Stops().GetItems(0)->StopPosition(), 0);
  EXPECT_EQ(grad.Stops().GetItems(0)->Color().AsRGB(), 0x0000FFu);
  EXPECT_EQ(grad.Stops().GetItems(1)->StopPosition(), 1);
  EXPECT_EQ(g.doc.GradFill()->A_GsLst()->A_GsXpgList()->GetItems(1)->Pos(), 100000);
  EXPECT_EQ(grad.Stops().GetItems(1)->Color().AsRGB(), 0xA0A0FFu);
  grad.Stops().Add()->SetStopPosition(0.255);
  EXPECT_EQ(g.doc.GradFill()->A_GsLst()->A_GsXpgList()->GetItems(2)->Pos(), 25500);
  // No shading: linear is made. Angles in degrees.
  EXPECT_EQ(grad.GradientType(), xdgftLinear);
  grad.SetAngle(90);
  EXPECT_EQ(g.doc.GradFill()->A_EG_ShadeProperties()->A_Lin()->Ang(), 5400000);
  EXPECT_EQ(grad.Direction(), xdgfdNone);
  grad.SetDirection(xdgfdTopRight);
  EXPECT_EQ(grad.Angle(), 135);
  // Radial: the directions write both rectangles and read back.
  grad.SetGradientType(xdgftRadial);
  EXPECT_EQ(g.doc.GradFill()->A_EG_ShadeProperties()->A_Lin(), nullptr);
  EXPECT_EQ(g.doc.GradFill()->A_EG_ShadeProperties()->A_Path()->Path(), stpstCircle);
  for (TXLSDrwGradientFillDirection dir : {xdgfdTopLeft, xdgfdTopRight, xdgfdBottomLeft, xdgfdBottomRight, xdgfdCentre}) {
    grad.SetDirection(dir);
    EXPECT_EQ(grad.GradientType(), xdgftRadial) << int(dir);
    EXPECT_EQ(grad.Direction(), dir) << int(dir);
  }
  EXPECT_EQ(g.doc.GradFill()->A_TileRect(), nullptr);  // centre: no tile rectangle
  grad.SetDirection(xdgfdBottomLeft);
  EXPECT_TRUE(g.doc.GradFill()->A_EG_ShadeProperties()->A_Path()->A_FillToRect()->Equal(0, 100000, 100000, 0));
  EXPECT_TRUE(g.doc.GradFill()->A_TileRect()->Equal(-100000, 0, 0, -100000));
  // A file's rectangular gradient with the top-left rectangles.
  Doc r(
      "<a:gradFill@><a:gsLst><a:gs pos=\"0\"/><a:gs pos=\"100000\"/></a:gsLst><a:path path=\"rect\">"
      "<a:fillToRect l=\"100000\" b=\"100000\"/></a:path><a:tileRect t=\"-100000\" r=\"-100000\"/></a:gradFill>");
  TXLSDrwFillGradient rect(r.doc.GradFill());
  EXPECT_EQ(rect.GradientType(), xdgftRectangular);
  EXPECT_EQ(rect.Direction(), xdgfdTopLeft);
  EXPECT_EQ(rect.Angle(), 0);

  // Picture: a picture fill without a mode becomes tiled; transparency and luminance effects.
  Doc p("<a:blipFill@/>");
  TXLSDrwFillPicture pict(p.doc.BlipFill());
  ASSERT_NE(p.doc.BlipFill()->A_Blip(), nullptr);
  EXPECT_TRUE(pict.TilePicture());
  pict.Tile()->SetOffsetX(2);
  pict.Tile()->SetScale(0.5);
  EXPECT_EQ(p.doc.BlipFill()->A_EG_FillModeProperties()->A_Tile()->Tx(), 25400);
  EXPECT_EQ(p.doc.BlipFill()->A_EG_FillModeProperties()->A_Tile()->Sy(), 50000);
  pict.SetTilePicture(false);
  EXPECT_EQ(p.doc.BlipFill()->A_EG_FillModeProperties()->A_Tile(), nullptr);
  pict.Stretch()->SetOffsetTop(0.25);
  EXPECT_EQ(p.doc.BlipFill()->A_EG_FillModeProperties()->A_Stretch()->A_FillRect()->T(), 25000);
  pict.SetTransparency(2);
  EXPECT_EQ(p.doc.BlipFill()->A_Blip()->A_AlphaModFix()->Amt(), 100000);
  EXPECT_EQ(pict.Transparency(), 1);
  pict.SetTransparency(0);
  EXPECT_EQ(p.doc.BlipFill()->A_Blip()->A_AlphaModFix(), nullptr);
  pict.SetBrightness(0.2);
  EXPECT_EQ(p.doc.BlipFill()->A_Blip()->A_Lum()->Bright(), 20000);
  pict.SetBrightness(0);  // contrast is 0 too: the effect goes
  EXPECT_EQ(p.doc.BlipFill()->A_Blip()->A_Lum(), nullptr);
  // A stretched picture keeps its mode.
  Doc st("<a:blipFill@><a:blip/><a:stretch><a:fillRect/></a:stretch></a:blipFill>");
  EXPECT_FALSE(TXLSDrwFillPicture(st.doc.BlipFill()).TilePicture());
}

TEST(DrawingWrappers_Line, WidthDashJoinAndArrows) {
  Doc d(
      "<a:spPr@><a:ln w=\"12700\"><a:solidFill><a:srgbClr val=\"FF0000\"/></a:solidFill><a:custDash>"
      "<a:ds d=\"1\" sp=\"1\"/></a:custDash><a:round/><a:miter/></a:ln></a:spPr>");
  TXLSDrwShapeProperies sp(d.doc.SpPr());
  ASSERT_TRUE(sp.HasLine());
  TXLSDrwLineStyle* line = sp.Line();
  EXPECT_EQ(line->Width(), 1);
  line->SetWidth(2.5);
  EXPECT_EQ(d.doc.SpPr()->A_Ln()->W(), 31750);
  EXPECT_EQ(line->Fill()->AsSolid().Color().AsRGB(), 0xFF0000u);
  EXPECT_EQ(line->DashType(), stpldvSolid);  // a custom dash only
  line->SetDashType(stpldvDash);
  EXPECT_EQ(d.doc.SpPr()->A_Ln()->A_EG_LineDashProperties()->A_CustDash(), nullptr);
  EXPECT_EQ(line->DashType(), stpldvDash);
  EXPECT_EQ(line->JoinType(), xdljtRound);
  line->SetJoinType(xdljtMiter);  // present already: the round join stays
  EXPECT_NE(d.doc.SpPr()->A_Ln()->A_EG_LineJoinProperties()->A_Round(), nullptr);
  line->SetJoinType(xdljtBevel);
  EXPECT_EQ(line->JoinType(), xdljtBevel);
  line->SetJoinType(xdljtNone);
  EXPECT_EQ(line->JoinType(), xdljtNone);
  // A shape's outline has no arrows.
  EXPECT_EQ(Raised([&] { line->SetHasBeginArrow(true); }), "This line can not have arrows");
  EXPECT_EQ(d.doc.SpPr()->A_Ln()->A_HeadEnd(), nullptr);
  sp.SetHasLine(false);
  EXPECT_EQ(d.doc.SpPr()->A_Ln(), nullptr);
  sp.SetHasLine(true);
  EXPECT_NE(d.doc.SpPr()->A_Ln(), nullptr);

  // An open line: arrows made and removed with their elements; a line without fill has no fill.
  Doc c("<a:ln@><a:noFill/></a:ln>");
  TXLSDrwLineStyle open(c.doc.Ln(), true);
  EXPECT_EQ(open.Fill(), nullptr);
  open.SetHasEndArrow(true);
  open.EndArrow()->SetEndType(stletTriangle);
  EXPECT_EQ(c.doc.Ln()->A_TailEnd()->Type(), stletTriangle);
  open.SetHasEndArrow(false);
  EXPECT_EQ(c.doc.Ln()->A_TailEnd(), nullptr);
  EXPECT_FALSE(open.HasEndArrow());

  // Shape properties of their own.
  TXLSDrwShapeProperies own(std::make_unique<TCT_ShapeProperties>(nullptr));
  EXPECT_FALSE(own.HasLine());
  EXPECT_EQ(own.Fill().FillType(), xdftAutomatic);
}

TEST(DrawingWrappers_Text, BodyParagraphsRunsAndFonts) {
  Doc d(
      "<xdr:txBody@><a:bodyPr/><a:p><a:pPr algn=\"r\"/><a:r><a:rPr b=\"1\" sz=\"1400\"><a:latin typeface=\"Arial\"/>"
      "</a:rPr><a:t>a</a:t></a:r><a:r><a:t>b</a:t></a:r></a:p><a:p><a:r><a:t>c</a:t></a:r></a:p></xdr:txBody>");
  TCT_TextBody* tb = d.doc.XdrTxBody();
  {
    TXLSDrwTextBody body(tb);
    EXPECT_EQ(body.PlainText(), u"ab\rc");
    ASSERT_EQ(body.Paras().Count(), 2);
    TXLSDrwTextPara* p0 = body.Paras().GetItems(0);
    EXPECT_EQ(p0->Align(), xdtaRight);
    EXPECT_EQ(body.Paras().GetItems(1)->Align(), xdtaLeft);
    body.Paras().GetItems(1)->SetAlign(xdtaCentre);
    EXPECT_EQ(tb->A_PXpgList()->GetItems(1)->A_PPr()->Algn(), sttatCtr);
    TXLSDrwTextFont* f = p0->Runs().GetItems(0)->Font();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Name(), u"Arial");
    EXPECT_EQ(f->Size(), 14);
    EXPECT_TRUE(f->Bold());
    EXPECT_FALSE(f->Italic());
    // Added text takes a copy of the last font; the new wrapper has none.
    TXLSDrwTextRun* added = body.Paras().GetItems(1)->Runs().AddText(u"d");
    EXPECT_EQ(added->Font(), nullptr);
    TCT_TextCharacterProperties* rPr = tb->A_PXpgList()->GetItems(1)->A_EG_TextRuns()->GetItems(1)->A_R()->A_RPr();
    ASSERT_NE(rPr, nullptr);
    EXPECT_EQ(rPr->B(), 0);  // the last run with a font is "c", whose properties were made empty
    EXPECT_EQ(body.PlainText(), u"ab\rcd");
    // A run written with CR and more becomes a line break and reads as CR alone; back again.
    TXLSDrwTextRun* run = p0->Runs().GetItems(0);
    run->SetText(u"\rxyz");
    EXPECT_EQ(run->Text(), u"\r");
    EXPECT_NE(tb->A_PXpgList()->GetItems(0)->A_EG_TextRuns()->GetItems(0)->A_Br(), nullptr);
    EXPECT_EQ(run->Font()->Name(), u"Arial");  // the properties went with the break
    run->SetText(u"A");
    EXPECT_EQ(run->Text(), u"A");
    EXPECT_EQ(p0->PlainText(), u"Ab");
    // Writing the body: one paragraph with one run holding the CR, read back the same.
    body.SetPlainText(u"x\ry");
    EXPECT_EQ(body.PlainText(), u"x\ry");
    ASSERT_EQ(tb->A_PXpgList()->Count(), 1);
    ASSERT_EQ(tb->A_PXpgList()->GetItems(0)->A_EG_TextRuns()->Count(), 1);
    EXPECT_EQ(tb->A_PXpgList()->GetItems(0)->A_EG_TextRuns()->GetItems(0)->A_R()->A_T(), u"x\ry");
  }
  // A font of the paragraphs, when the text is added first: a copy of the bold Arial font.
  Doc f2("<xdr:txBody@><a:p><a:r><a:rPr b=\"1\" i=\"1\"><a:latin typeface=\"Arial\"/></a:rPr><a:t>a</a:t></a:r></a:p>"
         "</xdr:txBody>");
  {
    TXLSDrwTextBody body(f2.doc.XdrTxBody());
    body.Paras().GetItems(0)->Runs().AddText(u"b");
    TCT_TextCharacterProperties* rPr =
        f2.doc.XdrTxBody()->A_PXpgList()->GetItems(0)->A_EG_TextRuns()->GetItems(1)->A_R()->A_RPr();
    EXPECT_EQ(rPr->B(), 1);
    EXPECT_EQ(rPr->I(), 1);
    EXPECT_EQ(rPr->A_Latin()->Typeface(), u"Arial");
  }
  // A body without paragraphs gets a list and reads empty.
  Doc e("<c:rich@><a:bodyPr/></c:rich>");
  TXLSDrwTextBody eb(e.doc.CRich());
  EXPECT_NE(e.doc.CRich()->A_PXpgList(), nullptr);
  EXPECT_EQ(eb.PlainText(), u"");

  // A font of its own: the colour makes a solid sRGB text fill; an untouched fill is cleared.
  TXLSDrwTextFont font;
  EXPECT_TRUE(font.Assigned());
  EXPECT_EQ(font.Name(), u"");
  font.SetName(u"Calibri");
  font.SetSize(10.5);
  EXPECT_EQ(font.Props()->Sz(), 1050);
  font.SetColor(0x0000FF);  // Windows red
  EXPECT_EQ(font.Color(), 0x0000FFu);
  EXPECT_EQ(font.Props()->A_EG_FillProperties()->A_SolidFill()->A_EG_ColorChoice()->A_SrgbClr()->Val(), 0xFF0000);
  Doc r("<a:rPr@><a:solidFill/></a:rPr>");
  { TXLSDrwTextFont wrapped(r.doc.RPr()); }
  EXPECT_EQ(r.doc.RPr()->A_EG_FillProperties()->A_SolidFill(), nullptr);
}

}  // namespace
}  // namespace xls
