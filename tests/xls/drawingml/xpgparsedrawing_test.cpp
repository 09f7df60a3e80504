// The spreadsheet drawing unit over inline XML: anchors and markers, the object choice,
// pictures, graphic frames, connectors and group shapes, the shapes and non-visual parts of the
// common unit as a sheet drawing and as chart user shapes hold them.
#include "xls/drawingml/xpgparsedrawing.h"

#include <gtest/gtest.h>

#include <string>

namespace xls::xpgdml::xdr {
namespace {

constexpr const char* kNs =
    " xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\""
    " xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\""
    " xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\""
    " xmlns:cdr=\"http://schemas.openxmlformats.org/drawingml/2006/chartDrawing\""
    " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";

// Reads `xml` (the document element carries "@" where the declarations go) as a sheet drawing,
// or as user shapes, counting the reports.
struct Doc {
  TXPGDocXLSXDrawing doc;
  int reports = 0;
  std::u16string last;
  explicit Doc(std::string xml, bool userShapes = false) {
    doc.Errors().OnError = [this](TXpgPErrors& e) {
      ++reports;
      last = e.LastErrorText();
    };
    const size_t at = xml.find('@');
    if (at != std::string::npos) xml.replace(at, 1, kNs);
    doc._LoadFromBytes(xml, userShapes);
  }
  TEG_Anchor& Anchors() { return *doc.Drawing()->EG_Anchor(); }
  TCT_TwoCellAnchor& Two(int i) { return *Anchors().TwoCellAnchorXpgList()->GetItems(i); }
};

std::string WsDr(const std::string& body) { return "<xdr:wsDr@>" + body + "</xdr:wsDr>"; }
std::string TwoCell(const std::string& body, const std::string& attrs = "") {
  return "<xdr:twoCellAnchor" + attrs + "><xdr:from><xdr:col>1</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>2"
         "</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:from><xdr:to><xdr:col>4</xdr:col><xdr:colOff>0</xdr:colOff>"
         "<xdr:row>9</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:to>" + body + "<xdr:clientData/></xdr:twoCellAnchor>";
}

TEST(DrawingAnchors, ListsKeepTheirOwnOrder) {
  Doc d(WsDr(TwoCell("<xdr:sp><xdr:nvSpPr><xdr:cNvPr id=\"2\" name=\"A\"/><xdr:cNvSpPr/></xdr:nvSpPr></xdr:sp>") +
             "<xdr:absoluteAnchor><xdr:pos x=\"10\" y=\"20\"/><xdr:ext cx=\"30\" cy=\"40\"/><xdr:clientData/>"
             "</xdr:absoluteAnchor>" +
             TwoCell("<xdr:sp><xdr:nvSpPr><xdr:cNvPr id=\"3\" name=\"B\"/><xdr:cNvSpPr/></xdr:nvSpPr></xdr:sp>")));
  EXPECT_EQ(d.reports, 0) << std::string(d.last.begin(), d.last.end());
  ASSERT_EQ(d.Anchors().TwoCellAnchorXpgList()->Count(), 2);
  EXPECT_EQ(d.Two(0).EG_ObjectChoices()->Sp()->NvSpPr()->CNvPr()->Name(), u"A");
  EXPECT_EQ(d.Two(1).EG_ObjectChoices()->Sp()->NvSpPr()->CNvPr()->Id(), 3);
  ASSERT_EQ(d.Anchors().AbsoluteAnchorXpgList()->Count(), 1);
  TCT_AbsoluteAnchor* abs = d.Anchors().AbsoluteAnchorXpgList()->GetItems(0);
  EXPECT_EQ(abs->Pos()->X(), 10);
  EXPECT_EQ(abs->Ext()->Cy(), 40);
  EXPECT_EQ(d.Anchors().OneCellAnchorXpgList()->Count(), 0);
  EXPECT_EQ(d.Two(0).From()->Col(), 1u);
  EXPECT_EQ(d.Two(0).To_()->Row(), 9u);
}

TEST(DrawingAnchors, EditAsAndMissingParts) {
  struct Case {
    const char* attrs;
    TST_EditAs want;
  } cases[] = {
      {" editAs=\"oneCell\"", steaoneCell},
      // Not given stays not given (the drawing layer places it like twoCell).
      {"", TST_EditAs(65535)},
      {" editAs=\"twoCell\"", steatwoCell},
      {" editAs=\"absolute\"", steaabsolute},
      // An unknown value reads as not given and the part goes on.
      {" editAs=\"bogus\"", TST_EditAs(65535)},
  };
  for (const Case& c : cases) {
    Doc d(WsDr("<xdr:twoCellAnchor" + std::string(c.attrs) + "/>"));
    EXPECT_EQ(d.Two(0).EditAs(), c.want) << c.attrs;
    // A two-cell anchor always has its markers and client data.
    ASSERT_NE(d.Two(0).From(), nullptr);
    ASSERT_NE(d.Two(0).To_(), nullptr);
    ASSERT_NE(d.Two(0).ClientData(), nullptr);
    EXPECT_EQ(d.Two(0).From()->Col(), TCT_Marker_Pos::kNotGiven);
  }
  Doc one(WsDr("<xdr:oneCellAnchor><xdr:from><xdr:col>0</xdr:col></xdr:from><xdr:clientData/></xdr:oneCellAnchor>"));
  TCT_OneCellAnchor* a = one.Anchors().OneCellAnchorXpgList()->GetItems(0);
  EXPECT_EQ(a->Ext(), nullptr);
  EXPECT_EQ(a->From()->Col(), 0u);
}

TEST(DrawingAnchors, MarkersAreBounded) {
  struct Case {
    const char *col, *colOff, *row, *rowOff;
    uint32_t wantCol, wantColOff, wantRow, wantRowOff;
  } cases[] = {
      {"3", "76200", "7", nullptr, 3, 76200, 7, TCT_Marker_Pos::kNotGiven},
      {"-1", "-1", "-1", "-1", 0, 0, 0, 0},
      {"4294967296", "4294967296", "4294967296", "2147483648", 16383, 2147483647, 1048575, 2147483647},
      {"16384", "abc", "1048576", " 12 ", 16383, 0, 1048575, 12},
      {"99999999999999999999999", "", "+5", "1.5", 0, 0, 5, 0},
  };
  for (const Case& c : cases) {
    std::string m = "<xdr:from>";
    auto add = [&](const char* name, const char* v) {
      if (v) m += std::string("<xdr:") + name + ">" + v + "</xdr:" + name + ">";
    };
    add("col", c.col), add("colOff", c.colOff), add("row", c.row), add("rowOff", c.rowOff);
    m += "</xdr:from>";
    Doc d(WsDr("<xdr:twoCellAnchor>" + m + "</xdr:twoCellAnchor>"));
    const TCT_Marker_Pos* f = d.Two(0).From();
    EXPECT_EQ(f->Col(), c.wantCol) << c.col;
    EXPECT_EQ(f->ColOff(), c.wantColOff) << c.colOff;
    EXPECT_EQ(f->Row(), c.wantRow) << c.row;
    EXPECT_EQ(f->RowOff(), c.wantRowOff);
    EXPECT_EQ(d.reports, 0);
  }
}

TEST(DrawingAnchors, ClientDataAndObjectChoice) {
  Doc d(WsDr("<xdr:twoCellAnchor><xdr:sp/><xdr:pic/><xdr:clientData fLocksWithSheet=\"maybe\" "
             "fPrintsWithSheet=\"0\"><x/></xdr:clientData></xdr:twoCellAnchor>"
             "<xdr:twoCellAnchor><xdr:contentPart r:id=\"rId1\"/></xdr:twoCellAnchor>"));
  // Both objects stay (the schema's choice is not enforced); content of the client data is taken.
  EXPECT_NE(d.Two(0).EG_ObjectChoices()->Sp(), nullptr);
  EXPECT_NE(d.Two(0).EG_ObjectChoices()->Pic(), nullptr);
  EXPECT_EQ(d.Two(0).ClientData()->FLocksWithSheet(), 1);
  EXPECT_EQ(d.Two(0).ClientData()->FPrintsWithSheet(), 0);
  // xdr:contentPart is no object of the choice: reported.
  EXPECT_EQ(d.reports, 1);
  EXPECT_NE(d.last.find(u"contentPart"), std::u16string::npos);
}

TEST(DrawingObjects, ShapeWithAllParts) {
  Doc d(WsDr(TwoCell(
      "<xdr:sp macro=\"m1\" fLocksText=\"nonsense\" fPublished=\"nonsense\"><xdr:nvSpPr><xdr:cNvPr id=\"5\" "
      "name=\"Picture 1\" descr=\"\"/><xdr:cNvSpPr txBox=\"1\"><a:spLocks noGrp=\"1\"/></xdr:cNvSpPr></xdr:nvSpPr>"
      "<xdr:spPr><a:xfrm><a:off x=\"1\" y=\"2\"/><a:ext cx=\"3\" cy=\"4\"/></a:xfrm><a:prstGeom prst=\"rect\">"
      "<a:avLst/></a:prstGeom><a:solidFill><a:srgbClr val=\"FF0000\"/></a:solidFill></xdr:spPr>"
      "<xdr:style><a:lnRef idx=\"2\"><a:schemeClr val=\"accent1\"/></a:lnRef><a:fillRef idx=\"1\">"
      "<a:schemeClr val=\"accent1\"/></a:fillRef><a:effectRef idx=\"0\"><a:schemeClr val=\"accent1\"/>"
      "</a:effectRef><a:fontRef idx=\"minor\"><a:schemeClr val=\"lt1\"/></a:fontRef></xdr:style></xdr:sp>")));
  EXPECT_EQ(d.reports, 0) << std::string(d.last.begin(), d.last.end());
  xpgdml::TCT_Shape* sp = d.Two(0).EG_ObjectChoices()->Sp();
  ASSERT_NE(sp, nullptr);
  EXPECT_EQ(sp->Macro(), u"m1");
  EXPECT_EQ(sp->FLocksText(), 1);
  EXPECT_EQ(sp->FPublished(), 0);
  const xpgdml::TCT_NonVisualDrawingProps* pr = sp->NvSpPr()->CNvPr();
  EXPECT_EQ(pr->Id(), 5);
  EXPECT_EQ(pr->Name(), u"Picture 1");
  EXPECT_EQ(pr->Descr(), u"");
  EXPECT_EQ(pr->Hidden(), 0);
  EXPECT_EQ(sp->NvSpPr()->CNvSpPr()->TxBox(), 1);
  EXPECT_EQ(sp->NvSpPr()->CNvSpPr()->A_SpLocks()->NoGrp(), 1);
  EXPECT_EQ(sp->NvSpPr()->CNvSpPr()->A_SpLocks()->NoMove(), 0);
  ASSERT_NE(sp->SpPr()->A_EG_Geometry()->A_PrstGeom(), nullptr);
  EXPECT_EQ(sp->SpPr()->A_EG_Geometry()->A_CustGeom(), nullptr);
  EXPECT_TRUE(sp->SpPr()->A_EG_Geometry()->A_PrstGeom()->Available());
  EXPECT_NE(sp->SpPr()->A_EG_FillProperties()->A_SolidFill(), nullptr);
  EXPECT_EQ(sp->SpPr()->A_Xfrm()->A_Ext()->Cx(), 3);
  EXPECT_EQ(sp->Style()->A_LnRef()->Idx(), 2);
  EXPECT_NE(sp->Style()->A_LnRef()->A_EG_ColorChoice()->A_SchemeClr(), nullptr);
  EXPECT_EQ(sp->Style()->A_FontRef()->Idx(), stfciMinor);
  // Clear drops every child and restores the defaults.
  sp->Clear();
  EXPECT_EQ(sp->NvSpPr(), nullptr);
  EXPECT_EQ(sp->SpPr(), nullptr);
  EXPECT_EQ(sp->Macro(), u"");
  EXPECT_EQ(sp->FLocksText(), 1);
}

TEST(DrawingObjects, NonVisualPartsAndLocks) {
  Doc d(WsDr(
      TwoCell("<xdr:pic><xdr:nvPicPr><xdr:cNvPr name=\"P\"/><xdr:cNvPicPr preferRelativeResize=\"no\">"
              "<a:picLocks noChangeAspect=\"1\" noCrop=\"t\"/></xdr:cNvPicPr></xdr:nvPicPr></xdr:pic>") +
      TwoCell("<xdr:pic><xdr:nvPicPr><xdr:cNvPr id=\"abc\" name=\"Q\"/><xdr:cNvPicPr preferRelativeResize=\"0\"/>"
              "</xdr:nvPicPr></xdr:pic>") +
      TwoCell("<xdr:cxnSp><xdr:nvCxnSpPr><xdr:cNvPr id=\"7\" name=\"C\"/><xdr:cNvCxnSpPr><a:cxnSpLocks noMove=\"1\"/>"
              "<a:stCxn id=\"3\" idx=\"1\"/><a:endCxn id=\"4\" idx=\"2\"/></xdr:cNvCxnSpPr></xdr:nvCxnSpPr>"
              "<xdr:spPr><a:prstGeom prst=\"straightConnector1\"/></xdr:spPr></xdr:cxnSp>")));
  EXPECT_EQ(d.reports, 0) << std::string(d.last.begin(), d.last.end());
  const xpgdml::TCT_PictureNonVisual* nv = d.Two(0).EG_ObjectChoices()->Pic()->NvPicPr();
  EXPECT_EQ(nv->CNvPr()->Id(), 2147483632);
  EXPECT_EQ(nv->CNvPicPr()->PreferRelativeResize(), 1);
  const xpgdml::TCT_PictureLocking* locks = nv->CNvPicPr()->A_PicLocks();
  EXPECT_EQ(locks->NoChangeAspect(), 1);
  EXPECT_EQ(locks->NoCrop(), 1);
  EXPECT_EQ(locks->NoMove(), 0);
  EXPECT_EQ(locks->NoGrp(), 0);
  const xpgdml::TCT_PictureNonVisual* nv2 = d.Two(1).EG_ObjectChoices()->Pic()->NvPicPr();
  EXPECT_EQ(nv2->CNvPr()->Id(), 0);
  EXPECT_EQ(nv2->CNvPicPr()->PreferRelativeResize(), 0);
  const TCT_Connector* cxn = d.Two(2).EG_ObjectChoices()->CxnSp();
  const xpgdml::TCT_NonVisualConnectorProperties* cp = cxn->NvCxnSpPr()->CNvCxnSpPr();
  EXPECT_EQ(cp->A_StCxn()->Id(), 3);
  EXPECT_EQ(cp->A_StCxn()->Idx(), 1);
  EXPECT_EQ(cp->A_EndCxn()->Idx(), 2);
  EXPECT_EQ(cp->A_CxnSpLocks()->NoMove(), 1);
  EXPECT_EQ(cxn->SpPr()->A_EG_Geometry()->A_PrstGeom()->Prst(), ststStraightConnector1);
}

TEST(DrawingObjects, SameSumNamesAreNotTakenForEachOther) {
  // a:grpSpLocks and a:cxnSpLocks share a byte sum, as do xdr:cNvGrpSpPr and xdr:cNvCxnSpPr.
  Doc d(WsDr(TwoCell("<xdr:cxnSp><xdr:nvCxnSpPr><xdr:cNvGrpSpPr/><xdr:cNvCxnSpPr><a:grpSpLocks/>"
                     "</xdr:cNvCxnSpPr></xdr:nvCxnSpPr></xdr:cxnSp>")));
  EXPECT_EQ(d.reports, 2);
  EXPECT_EQ(d.Two(0).EG_ObjectChoices()->CxnSp()->NvCxnSpPr()->CNvCxnSpPr()->A_CxnSpLocks(), nullptr);
}

TEST(DrawingObjects, ShapeNonVisualFollowsTheDocumentsNamespace) {
  const std::string sp =
      "<xdr:sp><xdr:nvSpPr><cdr:cNvPr id=\"9\" name=\"U\"><a:hlinkClick r:id=\"x\"/></cdr:cNvPr></xdr:nvSpPr></xdr:sp>";
  Doc sheet(WsDr(TwoCell(sp)));
  // In a sheet drawing cdr:cNvPr is unknown: reported with its subtree.
  EXPECT_EQ(sheet.reports, 1);
  EXPECT_EQ(sheet.Two(0).EG_ObjectChoices()->Sp()->NvSpPr()->CNvPr(), nullptr);
  Doc user("<c:userShapes@><cdr:relSizeAnchor><cdr:from><cdr:x>0.1</cdr:x><cdr:y>0.25</cdr:y></cdr:from>"
           "<cdr:sp><cdr:nvSpPr><cdr:cNvPr id=\"9\" name=\"U\"/><cdr:cNvSpPr/></cdr:nvSpPr><cdr:spPr>"
           "<a:prstGeom prst=\"rect\"/></cdr:spPr><cdr:style><a:lnRef idx=\"2\"/></cdr:style></cdr:sp>"
           "</cdr:relSizeAnchor></c:userShapes>",
           true);
  EXPECT_EQ(user.reports, 0) << std::string(user.last.begin(), user.last.end());
  ASSERT_EQ(user.Anchors().RelSizeAnchorXpgList()->Count(), 1);
  TCT_RelSizeAnchor* a = user.Anchors().RelSizeAnchorXpgList()->GetItems(0);
  EXPECT_DOUBLE_EQ(a->From()->X(), 0.1);
  EXPECT_DOUBLE_EQ(a->From()->Y(), 0.25);
  EXPECT_DOUBLE_EQ(a->To_()->X(), 0.8);
  EXPECT_DOUBLE_EQ(a->To_()->Y(), 0.4);
  EXPECT_EQ(a->Sp()->NvSpPr()->CNvPr()->Id(), 9);
  EXPECT_NE(a->Sp()->SpPr()->A_EG_Geometry()->A_PrstGeom(), nullptr);
  EXPECT_EQ(a->Sp()->Style()->A_LnRef()->Idx(), 2);
}

TEST(DrawingObjects, UserShapesDropWhatTheyDoNotHold) {
  Doc user("<c:userShapes@><cdr:relSizeAnchor><cdr:pic><cdr:nvPicPr/></cdr:pic></cdr:relSizeAnchor>"
           "<cdr:absSizeAnchor><cdr:sp/></cdr:absSizeAnchor></c:userShapes>",
           true);
  // The picture is dropped silently, the absolute-size anchor is reported.
  EXPECT_EQ(user.reports, 1);
  TCT_RelSizeAnchor* a = user.Anchors().RelSizeAnchorXpgList()->GetItems(0);
  EXPECT_EQ(a->Sp()->NvSpPr(), nullptr);
  EXPECT_NE(a->Sp()->SpPr(), nullptr);
  EXPECT_EQ(user.Anchors().RelSizeAnchorXpgList()->Count(), 1);
}

TEST(DrawingObjects, GraphicFrameKeepsUriAndChartId) {
  Doc d(WsDr(TwoCell("<xdr:graphicFrame macro=\"\"><xdr:nvGraphicFramePr><xdr:cNvPr id=\"2\" name=\"Chart 1\"/>"
                     "<xdr:cNvGraphicFramePr><a:graphicFrameLocks noGrp=\"1\"/></xdr:cNvGraphicFramePr>"
                     "</xdr:nvGraphicFramePr><xdr:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"0\" cy=\"0\"/></xdr:xfrm>"
                     "<a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/chart\">"
                     "<c:chart r:id=\"rId1\"/></a:graphicData></a:graphic></xdr:graphicFrame>") +
             TwoCell("<xdr:graphicFrame><a:graphic><a:graphicData uri=\"d\"><dgm:relIds xmlns:dgm=\"urn:d\" "
                     "r:dm=\"rId2\"/></a:graphicData></a:graphic></xdr:graphicFrame>")));
  EXPECT_EQ(d.reports, 0) << std::string(d.last.begin(), d.last.end());
  const TCT_GraphicalObjectFrame* f = d.Two(0).EG_ObjectChoices()->GraphicFrame();
  EXPECT_EQ(f->NvGraphicFramePr()->CNvPr()->Name(), u"Chart 1");
  EXPECT_EQ(f->NvGraphicFramePr()->CNvGraphicFramePr()->A_GraphicFrameLocks()->NoGrp(), 1);
  const TCT_GraphicalObjectData* g = f->A_Graphic()->A_GraphicData();
  EXPECT_EQ(g->Uri(), u"http://schemas.openxmlformats.org/drawingml/2006/chart");
  EXPECT_EQ(g->ChartRId(), u"rId1");
  const TCT_GraphicalObjectData* g2 = d.Two(1).EG_ObjectChoices()->GraphicFrame()->A_Graphic()->A_GraphicData();
  EXPECT_EQ(g2->Uri(), u"d");
  EXPECT_EQ(g2->ChartRId(), u"");
}

TEST(DrawingObjects, GroupShapesNest) {
  Doc d(WsDr(TwoCell("<xdr:grpSp><xdr:nvGrpSpPr><xdr:cNvPr id=\"4\" name=\"G\"/><xdr:cNvGrpSpPr>"
                     "<a:grpSpLocks noUngrp=\"1\"/></xdr:cNvGrpSpPr></xdr:nvGrpSpPr><xdr:grpSpPr><a:xfrm rot=\"60\">"
                     "<a:off x=\"1\" y=\"2\"/><a:ext cx=\"3\" cy=\"4\"/><a:chOff x=\"5\" y=\"6\"/><a:chExt cx=\"7\" "
                     "cy=\"8\"/></a:xfrm><a:noFill/></xdr:grpSpPr><xdr:sp/><xdr:pic/><xdr:sp/><xdr:grpSp><xdr:sp/>"
                     "</xdr:grpSp></xdr:grpSp>")));
  EXPECT_EQ(d.reports, 0) << std::string(d.last.begin(), d.last.end());
  const TCT_GroupShape* g = d.Two(0).EG_ObjectChoices()->GrpSp();
  EXPECT_EQ(g->NvGrpSpPr()->CNvPr()->Id(), 4);
  EXPECT_EQ(g->NvGrpSpPr()->CNvGrpSpPr()->A_GrpSpLocks()->NoUngrp(), 1);
  EXPECT_EQ(g->GrpSpPr()->A_Xfrm()->Rot(), 60);
  EXPECT_EQ(g->GrpSpPr()->A_Xfrm()->A_ChExt()->Cy(), 8);
  EXPECT_NE(g->GrpSpPr()->A_EG_FillProperties()->A_NoFill(), nullptr);
  EXPECT_EQ(g->SpXpgList()->Count(), 2);
  EXPECT_EQ(g->PicXpgList()->Count(), 1);
  ASSERT_EQ(g->GrpSpXpgList()->Count(), 1);
  EXPECT_EQ(g->GrpSpXpgList()->GetItems(0)->SpXpgList()->Count(), 1);
  EXPECT_EQ(g->CxnSpXpgList(), nullptr);
  EXPECT_EQ(g->GraphicFrameXpgList(), nullptr);
}

TEST(DrawingDocument, DocumentElements) {
  // c:userShapes read in sheet mode lands in the drawing like xdr:wsDr; another element is reported.
  Doc u("<c:userShapes@><cdr:relSizeAnchor/></c:userShapes>");
  EXPECT_EQ(u.Anchors().RelSizeAnchorXpgList()->Count(), 1);
  Doc x("<x:foo xmlns:x=\"urn:x\"><xdr:wsDr@><xdr:twoCellAnchor/></xdr:wsDr></x:foo>");
  EXPECT_EQ(x.reports, 1);
  EXPECT_EQ(x.Anchors().TwoCellAnchorXpgList()->Count(), 0);
  EXPECT_NE(x.doc.WsDr(), nullptr);
  // Unprefixed parts (openpyxl) are read by namespace.
  Doc plain("<wsDr xmlns=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\">"
            "<oneCellAnchor><from><col>2</col><row>5</row></from><ext cx=\"1\" cy=\"2\"/><pic><nvPicPr>"
            "<cNvPr id=\"1\" name=\"Image 1\"/><cNvPicPr/></nvPicPr></pic><clientData/></oneCellAnchor></wsDr>");
  EXPECT_EQ(plain.reports, 0);
  TCT_OneCellAnchor* a = plain.Anchors().OneCellAnchorXpgList()->GetItems(0);
  EXPECT_EQ(a->From()->Row(), 5u);
  EXPECT_EQ(a->EG_ObjectChoices()->Pic()->NvPicPr()->CNvPr()->Name(), u"Image 1");
}

}  // namespace
}  // namespace xls::xpgdml::xdr
