// The generator's policy knobs of the drawing and pivot units, on a small generated test unit.
#include "tests/xls/package/xpgpolicysample.h"

#include <gtest/gtest.h>

#include <cmath>

#include "xls/model/xlserrors.h"

namespace xls::xpgpolicysample {
namespace {

constexpr const char* kOpen = "<a:gradFill xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"";

TEST(XpgPolicy_Lazy, ChildrenAppearOnFirstOccurrence) {
  TXPGDocPolicySample doc;
  doc.LoadFromBytes(std::string(kOpen) + "><a:path w=\"5\"/></a:gradFill>");
  TCT_GradientFillProperties* g = doc.GradFill();
  ASSERT_NE(g, nullptr);
  ASSERT_NE(g->Path(), nullptr);
  EXPECT_TRUE(g->Path()->Available());
  EXPECT_EQ(g->GsXpgList(), nullptr);  // never occurred
  EXPECT_EQ(g->RotWithShape(), 2);     // not given
  TCT_Path2D* p = g->Path();
  EXPECT_EQ(p->W(), 5);
  EXPECT_EQ(p->Fill(), stpfmNorm);
  EXPECT_EQ(p->Stroke(), 1);
  EXPECT_EQ(p->ExtrusionOk(), 2);
  EXPECT_TRUE(std::isnan(p->Scale()));
  EXPECT_EQ(p->Clr(), -16);
  EXPECT_EQ(sizeof(p->Fill()), 2u);
}

TEST(XpgPolicy_Values, BooleansFallBackToTheirDefault) {
  TXPGDocPolicySample doc;
  doc.LoadFromBytes(std::string(kOpen) + " rotWithShape=\"yes\"><a:gs stroke=\"yes\" fill=\"NORM\"/>"
                    "<a:gs stroke=\"0\"/></a:gradFill>");
  EXPECT_EQ(doc.GradFill()->RotWithShape(), 0);  // no schema default: False, never "not given"
  ASSERT_EQ(doc.GradFill()->GsXpgList()->Count(), 2);
  EXPECT_EQ(doc.GradFill()->GsXpgList()->GetItems(0)->Stroke(), 1);
  EXPECT_EQ(doc.GradFill()->GsXpgList()->GetItems(0)->Fill(), stpfmNorm);
  EXPECT_EQ(doc.GradFill()->GsXpgList()->GetItems(1)->Stroke(), 0);
}

TEST(XpgPolicy_Enum, UnknownValueEndsTheLoad) {
  TXPGDocPolicySample doc;
  try {
    doc.LoadFromBytes(std::string(kOpen) + "><a:path fill=\"foo\"/></a:gradFill>");
    ADD_FAILURE();
  } catch (const XLSRWException& e) {
    EXPECT_STREQ(e.what(), "Can not find enum \"stpfmfoo\"");
  }
}

}  // namespace
}  // namespace xls::xpgpolicysample
