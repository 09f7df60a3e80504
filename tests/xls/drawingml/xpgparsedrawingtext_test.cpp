// DrawingML text: character properties with fonts and hyperlinks, bullets, spacing and tab
// stops, paragraphs with their run items, text bodies with body properties and list style, read
// from inline XML through the fragment document, and the operations the model's text wrappers
// call (AssignFont, ConvertToBreak, ConvertToRun, Create_Paras, PlainText).
#include <gtest/gtest.h>

#include <string>

#include "xls/drawingml/xpgparsedrawingcommon.h"
#include "tests/xls/drawingml/fragmentdoc.h"

namespace xls::xpgdml {
namespace {

using test::Doc;

constexpr int32_t kNotGiven = 2147483632;

// ---- character properties -------------------------------------------------------------------

TEST(DrawingText_RunProperties, AttributesAndTheirInitialValues) {
  struct Case {
    const char* xml;
    uint8_t b, i, dirty;
    int32_t sz;
    int u, strike, cap;
    int reports;
  };
  const Case cases[] = {
      // The five optional Booleans start False; dirty and smtClean True.
      {"<a:rPr@/>", 0, 0, 1, kNotGiven, 65535, 65535, 65535, 0},
      {"<a:rPr@ b=\"1\" i=\"true\" sz=\"1100\"/>", 1, 1, 1, 1100, 65535, 65535, 65535, 0},
      // Other words: False where the schema gives no default, the default (True) for dirty.
      {"<a:rPr@ b=\"yes\" dirty=\"yes\"/>", 0, 0, 1, kNotGiven, 65535, 65535, 65535, 0},
      {"<a:rPr@ u=\"sng\" strike=\"dblStrike\" cap=\"all\" dirty=\"0\"/>", 0, 0, 0, kNotGiven, sttutSng,
       sttstDblStrike, sttctAll, 0},
      // A value outside its type reads as not given and reading goes on; a size of 10.5 is no
      // integer (0).
      {"<a:rPr@ u=\"single\" sz=\"10.5\" b=\"1\"/>", 1, 0, 1, 0, 65535, 65535, 65535, 0},
      {"<a:rPr@ foo=\"1\" i=\"t\"/>", 0, 1, 1, kNotGiven, 65535, 65535, 65535, 1},
  };
  for (const Case& c : cases) {
    Doc d(c.xml);
    TCT_TextCharacterProperties* p = d.doc.RPr();
    ASSERT_NE(p, nullptr) << c.xml;
    EXPECT_EQ(p->B(), c.b) << c.xml;
    EXPECT_EQ(p->I(), c.i) << c.xml;
    EXPECT_EQ(p->Dirty(), c.dirty) << c.xml;
    EXPECT_EQ(p->Sz(), c.sz) << c.xml;
    EXPECT_EQ(p->U(), c.u) << c.xml;
    EXPECT_EQ(p->Strike(), c.strike) << c.xml;
    EXPECT_EQ(p->Cap(), c.cap) << c.xml;
    EXPECT_EQ(d.count, c.reports) << c.xml;
  }
  // Every character-properties object counts as an assigned font: the five Booleans count.
  Doc e("<a:rPr@/>");
  EXPECT_EQ(e.doc.RPr()->CheckAssigned(), 5);
  EXPECT_EQ(e.doc.RPr()->Assigneds() & xaAttributes, xaAttributes);
  TCT_TextCharacterProperties fresh(nullptr);
  EXPECT_EQ(fresh.CheckAssigned(), 5);
}

TEST(DrawingText_RunProperties, FontsHyperlinksUnderlinesAndFills) {
  Doc d(
      "<a:rPr@ lang=\"en-US\" b=\"1\"><a:ln w=\"9525\"><a:solidFill><a:srgbClr val=\"FF0000\"/></a:solidFill>"
      "</a:ln><a:solidFill><a:schemeClr val=\"tx1\"/></a:solidFill><a:effectLst><a:glow rad=\"5\"/>"
      "</a:effectLst><a:highlight><a:srgbClr val=\"FFFF00\"/></a:highlight><a:uLnTx/><a:uLn w=\"100\"/>"
      "<a:uFill><a:solidFill><a:srgbClr val=\"00FF00\"/></a:solidFill></a:uFill>"
      "<a:latin typeface=\"Arial\" panose=\"020B0604020202020204\" pitchFamily=\"34\" charset=\"0\"/>"
      "<a:ea typeface=\"+mn-ea\"/><a:cs typeface=\"X\" panose=\"1A\"/><a:sym typeface=\"Wingdings\"/>"
      "<a:hlinkClick r:id=\"rId3\" foo=\"1\" tooltip=\"tip\"><a:snd r:embed=\"rId4\" name=\"s\" bar=\"2\"/>"
      "</a:hlinkClick><a:hlinkMouseOver r:id=\"\" history=\"0\"/></a:rPr>");
  TCT_TextCharacterProperties* p = d.doc.RPr();
  // Only the sound's unknown attribute is reported; a hyperlink passes its strangers over.
  EXPECT_EQ(d.reports, u"Row 0: Unknown Attribute bar; ");
  EXPECT_EQ(p->Lang(), u"en-US");
  EXPECT_EQ(p->A_Ln()->W(), 9525);
  EXPECT_EQ(p->A_Ln()->A_EG_LineFillProperties()->A_SolidFill()->A_EG_ColorChoice()->A_SrgbClr()->Val(), 0xFF0000);
  EXPECT_EQ(p->A_EG_FillProperties()->A_SolidFill()->A_EG_ColorChoice()->A_SchemeClr()->Val(), stscvTx1);
  EXPECT_EQ(p->A_EG_EffectProperties()->A_EffectLst()->A_Glow()->Rad(), 5);
  EXPECT_EQ(p->A_Highlight()->A_EG_ColorChoice()->A_SrgbClr()->Val(), 0xFFFF00);
  // Both underline-line alternatives stay.
  EXPECT_NE(p->A_EG_TextUnderlineLine()->A_ULnTx(), nullptr);
  EXPECT_EQ(p->A_EG_TextUnderlineLine()->A_ULn()->W(), 100);
  EXPECT_EQ(p->A_EG_TextUnderlineFill()->A_UFill()->A_EG_FillProperties()->A_SolidFill()->A_EG_ColorChoice()
                ->A_SrgbClr()
                ->Val(),
            0x00FF00);
  // A ten-byte panose does not fit: 0; a short one converts; none keeps the not-given value.
  EXPECT_EQ(p->A_Latin()->Typeface(), u"Arial");
  EXPECT_EQ(p->A_Latin()->Panose(), 0);
  EXPECT_EQ(p->A_Latin()->PitchFamily(), 34);
  EXPECT_EQ(p->A_Latin()->Charset(), 0);
  EXPECT_EQ(p->A_Cs()->Panose(), 26);
  EXPECT_EQ(p->A_Ea()->Panose(), -16);
  EXPECT_EQ(p->A_Ea()->Charset(), 1);
  EXPECT_EQ(p->A_Sym()->Typeface(), u"Wingdings");
  EXPECT_EQ(p->A_HlinkClick()->R_Id(), u"rId3");
  EXPECT_EQ(p->A_HlinkClick()->Tooltip(), u"tip");
  EXPECT_EQ(p->A_HlinkClick()->History(), 1);
  EXPECT_EQ(p->A_HlinkClick()->A_Snd()->R_Embed(), u"rId4");
  EXPECT_EQ(p->A_HlinkClick()->A_Snd()->CheckAssigned(), 1);
  EXPECT_EQ(p->A_HlinkMouseOver()->History(), 0);
  // A font without a typeface does not count it.
  TCT_TextFont f(nullptr);
  EXPECT_EQ(f.CheckAssigned(), 0);
}

TEST(DrawingText_RunProperties, AssignFontAndCreateLatin) {
  Doc src(
      "<a:rPr@ sz=\"1400\" b=\"1\" i=\"1\" strike=\"sngStrike\" kern=\"1200\" cap=\"small\" spc=\"-50\" "
      "normalizeH=\"1\" baseline=\"30000\" lang=\"de-DE\" noProof=\"1\"><a:solidFill><a:srgbClr val=\"0000FF\"/>"
      "</a:solidFill><a:latin typeface=\"Arial\" charset=\"2\"/><a:ea typeface=\"MS Gothic\"/></a:rPr>");
  TCT_TextCharacterProperties* s = src.doc.RPr();
  Doc dst("<a:rPr@ u=\"dbl\"><a:latin typeface=\"Calibri\" charset=\"0\"/></a:rPr>");
  TCT_TextCharacterProperties* t = dst.doc.RPr();
  TCT_TextFont* latin = t->A_Latin();
  t->AssignFont(*s);
  EXPECT_EQ(t->Sz(), 1400);
  EXPECT_EQ(t->B(), 1);
  EXPECT_EQ(t->I(), 1);
  EXPECT_EQ(t->U(), 65535);  // the source's not-given underline replaces the target's
  EXPECT_EQ(t->Strike(), sttstSngStrike);
  EXPECT_EQ(t->Kern(), 1200);
  EXPECT_EQ(t->Cap(), sttctSmall);
  EXPECT_EQ(t->Spc(), -50);
  EXPECT_EQ(t->NormalizeH(), 1);
  EXPECT_EQ(t->Baseline(), 30000);
  // Not copied: language, proofing, fill, the other fonts, the Latin font's character set.
  EXPECT_EQ(t->Lang(), u"");
  EXPECT_EQ(t->NoProof(), 0);
  EXPECT_TRUE(t->A_EG_FillProperties()->Automatic());
  EXPECT_EQ(t->A_Ea(), nullptr);
  EXPECT_EQ(t->A_Latin(), latin);
  EXPECT_EQ(latin->Typeface(), u"Arial");
  EXPECT_EQ(latin->Charset(), 0);

  // A source whose Latin font names no typeface makes no Latin font; one without any owner works.
  TCT_TextCharacterProperties noOwner(nullptr);
  Doc empty("<a:rPr@><a:latin typeface=\"\"/></a:rPr>");
  noOwner.AssignFont(*empty.doc.RPr());
  EXPECT_EQ(noOwner.A_Latin(), nullptr);
  TCT_TextFont* made = noOwner.Create_Latin();
  EXPECT_EQ(noOwner.Create_Latin(), made);
  noOwner.AssignFont(*s);
  EXPECT_EQ(made->Typeface(), u"Arial");
  EXPECT_EQ(made->Charset(), 1);
}

// ---- bullets, spacing and tab stops ---------------------------------------------------------

TEST(DrawingText_ParagraphProperties, BulletsSpacingAndTabStops) {
  Doc d(
      "<a:pPr@ marL=\"342900\" lvl=\"1\" indent=\"-342900\" algn=\"just\" fontAlgn=\"base\" rtl=\"yes\" "
      "defTabSz=\"914400\"><a:lnSpc><a:spcPct val=\"90000\"/></a:lnSpc><a:spcBef><a:spcPts val=\"600\"/>"
      "</a:spcBef><a:spcAft><a:spcPct val=\"90%\"/></a:spcAft><a:buClrTx/><a:buClr><a:srgbClr val=\"FF0000\"/>"
      "</a:buClr><a:buSzPct foo=\"1\" val=\"75000\"/><a:buFont typeface=\"Wingdings\" pitchFamily=\"2\"/>"
      "<a:buNone/><a:buChar char=\"&#8226;\"/><a:buAutoNum type=\"arabicPeriod\" startAt=\"3\"/>"
      "<a:buBlip><a:blip r:embed=\"rId1\"/><a:blip cstate=\"email\"/></a:buBlip>"
      "<a:tabLst><a:tab pos=\"100\"/><a:tab pos=\"200\" algn=\"dec\"/><a:tab algn=\"ctr\"/></a:tabLst>"
      "<a:defRPr sz=\"1800\"/></a:pPr>");
  TCT_TextParagraphProperties* p = d.doc.PPr();
  EXPECT_EQ(d.reports, u"Row 0: Unknown Attribute foo; ");
  EXPECT_EQ(p->MarL(), 342900);
  EXPECT_EQ(p->Lvl(), 1);
  EXPECT_EQ(p->Indent(), -342900);
  EXPECT_EQ(p->Algn(), sttatJust);
  EXPECT_EQ(p->FontAlgn(), sttfatBase);
  EXPECT_EQ(p->FontAlgn(), 3);
  EXPECT_EQ(p->Rtl(), 0);  // no schema default: False, not 2
  EXPECT_EQ(p->MarR(), kNotGiven);
  EXPECT_EQ(p->EaLnBrk(), 2);
  EXPECT_EQ(p->DefTabSz(), 914400);
  EXPECT_EQ(p->A_LnSpc()->A_SpcPct()->Val(), 90000);
  EXPECT_EQ(p->A_SpcBef()->A_SpcPts()->Val(), 600);
  EXPECT_EQ(p->A_SpcAft()->A_SpcPct()->Val(), 0);  // "90%" is no integer
  EXPECT_NE(p->A_EG_TextBulletColor()->A_BuClrTx(), nullptr);
  EXPECT_EQ(p->A_EG_TextBulletColor()->A_BuClr()->A_EG_ColorChoice()->A_SrgbClr()->Val(), 0xFF0000);
  // A one-attribute class finds val wherever it stands and reports the stranger.
  EXPECT_EQ(p->A_EG_TextBulletSize()->A_BuSzPct()->Val(), 75000);
  EXPECT_EQ(p->A_EG_TextBulletTypeface()->A_BuFont()->Typeface(), u"Wingdings");
  // Several bullet kinds read stay side by side.
  TEG_TextBullet* bu = p->A_EG_TextBullet();
  EXPECT_NE(bu->A_BuNone(), nullptr);
  EXPECT_EQ(bu->A_BuChar()->Char(), u"\u2022");
  EXPECT_EQ(bu->A_BuAutoNum()->Type(), sttasArabicPeriod);
  EXPECT_EQ(bu->A_BuAutoNum()->StartAt(), 3);
  // A second a:blip reuses the bullet's picture.
  EXPECT_EQ(bu->A_BuBlip()->A_Blip()->R_Embed(), u"rId1");
  EXPECT_EQ(bu->A_BuBlip()->A_Blip()->Cstate(), stbcEmail);
  TCT_TextTabStopXpgList* tabs = p->A_TabLst()->A_TabXpgList();
  ASSERT_EQ(tabs->Count(), 3);
  EXPECT_EQ(tabs->GetItems(0)->Pos(), 100);
  EXPECT_EQ(tabs->GetItems(0)->Algn(), 65535);
  EXPECT_EQ(tabs->GetItems(1)->Algn(), stttatDec);
  EXPECT_EQ(tabs->GetItems(2)->Pos(), kNotGiven);
  EXPECT_EQ(tabs->GetItems(2)->Algn(), stttatCtr);
  tabs->GetItems(1)->Clear();
  EXPECT_EQ(tabs->GetItems(1)->Pos(), kNotGiven);
  EXPECT_EQ(p->A_DefRPr()->Sz(), 1800);

  // Counts: an autonumber bullet counts 1 whatever it holds; a bullet size its value when given.
  Doc a("<a:pPr@><a:buAutoNum/><a:buSzPts/></a:pPr>");
  TCT_TextAutonumberBullet* an = a.doc.PPr()->A_EG_TextBullet()->A_BuAutoNum();
  EXPECT_EQ(an->Type(), 65535);
  EXPECT_EQ(an->StartAt(), 1);
  EXPECT_EQ(an->CheckAssigned(), 1);
  EXPECT_EQ(a.doc.PPr()->A_EG_TextBulletSize()->A_BuSzPts()->CheckAssigned(), 0);
}

// ---- paragraphs and runs --------------------------------------------------------------------

TEST(DrawingText_Paragraphs, RunItemsInDocumentOrder) {
  Doc d(
      "<a:p@><a:pPr algn=\"ctr\"/><a:r><a:rPr lang=\"en-US\" b=\"1\"/><a:t>Hello</a:t></a:r><a:br><a:rPr sz=\"900\"/>"
      "</a:br><a:fld id=\"{5C1F}\" type=\"slidenum\"><a:rPr/><a:t>7</a:t></a:fld><a:r><a:t xml:space=\"preserve\"> "
      "W &amp; o</a:t></a:r><a:endParaRPr lang=\"de-DE\"/></a:p>");
  TCT_TextParagraph* p = d.doc.P();
  EXPECT_EQ(d.count, 0) << std::string(d.reports.begin(), d.reports.end());
  EXPECT_EQ(p->A_PPr()->Algn(), sttatCtr);
  EXPECT_EQ(p->A_PPr()->Algn(), 1);
  TEG_TextRunXpgList* runs = p->A_EG_TextRuns();
  ASSERT_EQ(runs->Count(), 4);
  EXPECT_EQ(runs->GetItems(0)->A_R()->A_T(), u"Hello");
  EXPECT_EQ(runs->GetItems(0)->A_R()->A_RPr()->B(), 1);
  EXPECT_EQ(runs->GetItems(0)->A_Br(), nullptr);
  EXPECT_EQ(runs->GetItems(1)->A_Br()->A_RPr()->Sz(), 900);
  TCT_TextField* fld = runs->GetItems(2)->A_Fld();
  EXPECT_EQ(fld->Id(), u"{5C1F}");
  EXPECT_EQ(fld->Type(), u"slidenum");
  EXPECT_EQ(fld->A_T(), u"7");
  EXPECT_EQ(fld->A_PPr(), nullptr);
  EXPECT_EQ(runs->GetItems(3)->A_R()->A_T(), u" W & o");
  EXPECT_EQ(p->A_EndParaRPr()->Lang(), u"de-DE");
  // A field counts its required id; a run its text.
  TCT_TextField bare(nullptr);
  EXPECT_EQ(bare.CheckAssigned(), 1);
  EXPECT_EQ(bare.Assigneds(), xaAttributes);
  TCT_RegularTextRun run(nullptr);
  EXPECT_EQ(run.CheckAssigned(), 0);
  run.SetA_T(u"x");
  EXPECT_EQ(run.CheckAssigned(), 1);
  EXPECT_EQ(run.Assigneds(), xaElements);

  // An unknown child is reported once and skipped with its content: no run item is made for
  // it, and its runs do not land on the paragraph.
  Doc u("<a:p@><a:foo><a:r><a:t>lost</a:t></a:r></a:foo><a:r><a:t>kept</a:t></a:r></a:p>");
  EXPECT_EQ(u.reports, u"Row 0: Unknown Element a:foo; ");
  ASSERT_EQ(u.doc.P()->A_EG_TextRuns()->Count(), 1);
  EXPECT_EQ(u.doc.P()->A_EG_TextRuns()->GetItems(0)->A_R()->A_T(), u"kept");

  // A second a:t replaces the text; an empty a:t leaves it empty.
  Doc t("<a:p@><a:r><a:t>one</a:t><a:t>two</a:t></a:r><a:r><a:t/></a:r></a:p>");
  EXPECT_EQ(t.doc.P()->A_EG_TextRuns()->GetItems(0)->A_R()->A_T(), u"two");
  EXPECT_EQ(t.doc.P()->A_EG_TextRuns()->GetItems(1)->A_R()->A_T(), u"");

  // Clear drops the properties, the runs and the end properties.
  p->Clear();
  EXPECT_EQ(p->A_PPr(), nullptr);
  EXPECT_EQ(p->A_EndParaRPr(), nullptr);
  EXPECT_EQ(p->A_EG_TextRuns()->Count(), 0);
  EXPECT_NE(p->Create_PPr(), nullptr);
  EXPECT_EQ(p->Create_PPr(), p->A_PPr());
}

TEST(DrawingText_Paragraphs, ConvertBetweenRunAndBreak) {
  Doc d(
      "<a:p@><a:r><a:rPr sz=\"1100\"/><a:t>text</a:t></a:r><a:fld id=\"x\"><a:rPr b=\"1\"/></a:fld>"
      "<a:br><a:rPr i=\"1\"/></a:br><a:r><a:t>plain</a:t></a:r></a:p>");
  TEG_TextRunXpgList* runs = d.doc.P()->A_EG_TextRuns();
  ASSERT_EQ(runs->Count(), 4);
  // A run becomes a break holding its properties; the text is gone; again changes nothing.
  TEG_TextRun* item = runs->GetItems(0);
  item->ConvertToBreak();
  EXPECT_EQ(item->A_R(), nullptr);
  ASSERT_NE(item->A_Br(), nullptr);
  TCT_TextCharacterProperties* props = item->A_Br()->A_RPr();
  ASSERT_NE(props, nullptr);
  EXPECT_EQ(props->Sz(), 1100);
  TCT_TextLineBreak* br = item->A_Br();
  item->ConvertToBreak();
  EXPECT_EQ(item->A_Br(), br);
  EXPECT_EQ(br->A_RPr(), props);
  // A field becomes a break without properties.
  runs->GetItems(1)->ConvertToBreak();
  EXPECT_EQ(runs->GetItems(1)->A_Fld(), nullptr);
  EXPECT_EQ(runs->GetItems(1)->A_Br()->A_RPr(), nullptr);
  // A break becomes a run with an empty text and the break's properties.
  runs->GetItems(2)->ConvertToRun();
  EXPECT_EQ(runs->GetItems(2)->A_Br(), nullptr);
  EXPECT_EQ(runs->GetItems(2)->A_R()->A_T(), u"");
  EXPECT_EQ(runs->GetItems(2)->A_R()->A_RPr()->I(), 1);
  // Create_R on a break frees it; on a run returns that run.
  runs->GetItems(0)->Create_R();
  EXPECT_EQ(runs->GetItems(0)->A_Br(), nullptr);
  EXPECT_EQ(runs->GetItems(0)->A_R()->A_RPr(), nullptr);
  TCT_RegularTextRun* plain = runs->GetItems(3)->A_R();
  EXPECT_EQ(runs->GetItems(3)->Create_R(), plain);
  EXPECT_EQ(plain->A_T(), u"plain");
  TCT_TextCharacterProperties* made = plain->Create_RPr();
  EXPECT_NE(made, nullptr);
  EXPECT_EQ(plain->A_RPr(), made);
}

// ---- text body ------------------------------------------------------------------------------

TEST(DrawingText_Body, ParagraphsPlainTextAndCreateParas) {
  Doc d(
      "<xdr:txBody@><a:bodyPr/><a:lstStyle/><a:p><a:r><a:t>Hello</a:t></a:r><a:r><a:t>World</a:t></a:r></a:p>"
      "<a:p><a:br/><a:fld id=\"{1}\"><a:t>F</a:t></a:fld><a:r><a:t>Again</a:t></a:r></a:p></xdr:txBody>");
  TCT_TextBody* b = d.doc.XdrTxBody();
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(d.count, 0);
  ASSERT_EQ(b->A_PXpgList()->Count(), 2);
  EXPECT_EQ(b->A_PXpgList()->GetItems(1)->A_EG_TextRuns()->Count(), 3);
  EXPECT_EQ(b->PlainText(), u"HelloWorldAgain");
  EXPECT_TRUE(b->A_BodyPr()->Available());
  // Writing: one paragraph with one run holding the whole value; body properties stay.
  TCT_TextBodyProperties* bodyPr = b->A_BodyPr();
  b->SetPlainText(u"one\ntwo");
  ASSERT_EQ(b->A_PXpgList()->Count(), 1);
  TEG_TextRunXpgList* runs = b->A_PXpgList()->GetItems(0)->A_EG_TextRuns();
  ASSERT_EQ(runs->Count(), 1);
  EXPECT_EQ(runs->GetItems(0)->A_R()->A_T(), u"one\ntwo");
  EXPECT_EQ(runs->GetItems(0)->A_R()->A_RPr(), nullptr);
  EXPECT_EQ(b->A_BodyPr(), bodyPr);
  EXPECT_EQ(b->PlainText(), u"one\ntwo");

  // No paragraphs: no list, empty text; Create_Paras makes one list once.
  Doc e("<c:rich@><a:bodyPr/></c:rich>");
  TCT_TextBody* r = e.doc.CRich();
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->A_PXpgList(), nullptr);
  EXPECT_EQ(r->PlainText(), u"");
  TCT_TextParagraphXpgList* paras = r->Create_Paras();
  EXPECT_EQ(paras->Count(), 0);
  EXPECT_EQ(r->Create_Paras(), paras);
  TCT_TextBody own(nullptr);
  own.SetPlainText(u"x");
  EXPECT_EQ(own.PlainText(), u"x");
}

TEST(DrawingText_Body, BodyPropertiesAutofitAndListStyle) {
  struct Case {
    const char* attrs;
    int wrap, anchor, vert;
    uint8_t rtlCol, upright;
    int32_t lIns;
  };
  const Case cases[] = {
      {"", 65535, 65535, 65535, 2, 0, kNotGiven},
      {" wrap=\"square\" anchor=\"ctr\"", sttwtSquare, sttatCtr1, 65535, 2, 0, kNotGiven},
      {" anchor=\"dist\" vert=\"vert270\" lIns=\"91440\"", 65535, 4, sttvtVert270, 2, 0, 91440},
      {" anchor=\"just\" rtlCol=\"yes\" upright=\"1\"", 65535, 3, 65535, 0, 1, kNotGiven},
      {" anchor=\"middle\" wrap=\"SQUARE\"", sttwtSquare, 65535, 65535, 2, 0, kNotGiven},
  };
  for (const Case& c : cases) {
    Doc d(std::string("<a:bodyPr@") + c.attrs + "/>");
    TCT_TextBodyProperties* p = d.doc.BodyPr();
    EXPECT_EQ(p->Wrap(), c.wrap) << c.attrs;
    EXPECT_EQ(p->Anchor(), c.anchor) << c.attrs;
    EXPECT_EQ(p->Vert(), c.vert) << c.attrs;
    EXPECT_EQ(p->RtlCol(), c.rtlCol) << c.attrs;
    EXPECT_EQ(p->Upright(), c.upright) << c.attrs;
    EXPECT_EQ(p->LIns(), c.lIns) << c.attrs;
    EXPECT_EQ(p->Rot(), kNotGiven) << c.attrs;
    EXPECT_EQ(p->AnchorCtr(), 2) << c.attrs;
  }
  Doc e("<a:bodyPr@/>");
  EXPECT_EQ(e.doc.BodyPr()->CheckAssigned(), 0);

  Doc a(
      "<a:bodyPr@><a:normAutofit fontScale=\"62500\" lnSpcReduction=\"20000\"/><a:spAutoFit/>"
      "<a:prstTxWarp prst=\"textArchUp\"><a:avLst/></a:prstTxWarp><a:scene3d><a:camera prst=\"orthographicFront\"/>"
      "<a:lightRig rig=\"threePt\" dir=\"t\"/></a:scene3d><a:sp3d extrusionH=\"100\"/></a:bodyPr>");
  TCT_TextBodyProperties* p = a.doc.BodyPr();
  EXPECT_EQ(a.count, 0);
  EXPECT_EQ(p->A_EG_TextAutofit()->A_NormAutofit()->FontScale(), 62500);
  EXPECT_EQ(p->A_EG_TextAutofit()->A_NormAutofit()->LnSpcReduction(), 20000);
  EXPECT_NE(p->A_EG_TextAutofit()->A_SpAutoFit(), nullptr);
  EXPECT_EQ(p->A_EG_TextAutofit()->A_NoAutofit(), nullptr);
  EXPECT_EQ(p->A_PrstTxWarp()->Prst(), sttstTextArchUp);
  EXPECT_TRUE(p->A_Scene3d()->Available());
  EXPECT_EQ(p->A_EG_Text3D()->A_Sp3d()->ExtrusionH(), 100);
  Doc n("<a:bodyPr@><a:normAutofit/></a:bodyPr>");
  TCT_TextNormalAutofit* na = n.doc.BodyPr()->A_EG_TextAutofit()->A_NormAutofit();
  EXPECT_EQ(na->FontScale(), 100000);
  EXPECT_EQ(na->LnSpcReduction(), 0);
  EXPECT_EQ(na->CheckAssigned(), 0);

  Doc l("<c:txPr@><a:bodyPr/><a:lstStyle><a:lvl2pPr marL=\"5\"/><a:defPPr algn=\"r\"/></a:lstStyle></c:txPr>");
  TCT_TextListStyle* ls = l.doc.CTxPr()->A_LstStyle();
  EXPECT_EQ(ls->A_DefPPr()->Algn(), sttatR);
  EXPECT_EQ(ls->A_Lvl2pPr()->MarL(), 5);
  EXPECT_EQ(ls->A_Lvl1pPr(), nullptr);
  EXPECT_EQ(ls->A_Lvl3pPr(), nullptr);
  EXPECT_EQ(l.count, 0);
}

}  // namespace
}  // namespace xls::xpgdml
