// The drawing-object lists of a legacy sheet over a drawing of new shapes: items and their names,
// anchors and offsets, rotation and colours, text (also of a text box without a text object),
// margins, notes, basic and auto shape types, pictures of the store, macros, and clearing.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "xls/biff/biffformulahandler.h"
#include "xls/biff/drawingobjects.h"
#include "xls/biff/escherdrawing.h"
#include "xls/biff/escherpictures.h"
#include "xls/biff/shapeobjects.h"
#include "xls/model/xlserrors.h"

namespace xls::biff {
namespace {

std::string ErrorText(const std::function<void()>& f) {
  try {
    f();
  } catch (const XLSRWException& e) {
    return e.what();
  }
  return "(no error)";
}

class DrawingObjects : public ::testing::Test {
 protected:
  TMSOPictures Store;
  TFormulaHandler Handler;
  TEscherDrawing Drawing{&Store, &Handler.InternalNames(), nullptr};
  TDrawingObjects Objects{nullptr, nullptr, &Handler, &Drawing};
};

TEST_F(DrawingObjects, NewItemsMakeNamedShapes) {
  TDrwText& a = Objects.Texts().Add();
  TDrwText& b = Objects.Texts().Add();
  TDrwPicture& p = Objects.Pictures().Add();
  EXPECT_EQ(a.DisplayName(), u"Text 0");
  EXPECT_EQ(b.DisplayName(), u"Text 1");
  EXPECT_EQ(p.DisplayName(), u"Picture 0");
  EXPECT_EQ(Drawing.ShapeCount(), 3u);
  EXPECT_NE(a.SpId(), b.SpId());
  EXPECT_EQ(a.Shape()->FShapeType, 202);
  EXPECT_EQ(p.Shape()->FShapeType, 75);
  EXPECT_FALSE(p.MoveWithCells()) << "a new picture does not move with its cells";
  EXPECT_TRUE(a.MoveWithCells());
  EXPECT_EQ(std::vector<int32_t>({a.Col1(), a.Row1(), a.Col2(), a.Row2()}), std::vector<int32_t>({1, 1, 3, 5}));
  EXPECT_NE(Drawing.DgId(), 0);
}

TEST_F(DrawingObjects, AnchorOffsetsAreFractionsOfTheCell) {
  TDrwBasic& s = Objects.Basics().Add();
  struct TCase {
    double set;
    uint32_t stored;
  };
  const TCase cases[] = {{1.5, 1024}, {-0.2, 0}, {0.5, 512}, {std::numeric_limits<double>::quiet_NaN(), 1024},
                         {0.000488281, 0} /* 0.5 of a unit: half to even */, {0.00146484375, 2} /* 1.5 units */};
  for (const auto& c : cases) {
    s.SetCol1Offset(c.set);
    EXPECT_EQ(s.Shape()->FAnchor.FCol1Offset, c.stored) << c.set;
  }
  s.SetRow2Offset(0.25);
  EXPECT_EQ(s.Shape()->FAnchor.FRow2Offset, 64u);
  EXPECT_DOUBLE_EQ(s.Row2Offset(), 0.25);
  s.SetCol2(9);
  s.SetRow1(4);
  EXPECT_EQ(s.Col2(), 9);
  EXPECT_EQ(s.Row1(), 4);
  s.SetMoveWithCells(false);
  EXPECT_FALSE(s.MoveWithCells());
  s.SetMoveWithCells(true);
  EXPECT_TRUE(s.MoveWithCells());
  s.SetFlipHorizontal(true);
  s.SetFlipVertical(true);
  s.SetFlipHorizontal(false);
  EXPECT_FALSE(s.FlipHorizontal());
  EXPECT_TRUE(s.FlipVertical());
}

TEST_F(DrawingObjects, RotationAndColours) {
  TDrwAutoShape& s = Objects.AutoShapes().Add();
  EXPECT_EQ(s.Rotation(), 0);
  s.SetRotation(-90);
  EXPECT_EQ(s.Rotation(), -90);
  EXPECT_EQ(s.Shape()->FOPT.GetId(0), 0x0004) << "rotation is the first property";
  s.SetRotation(45.5);
  EXPECT_EQ(s.Rotation(), 45.5);
  EXPECT_EQ(ErrorText([&] { s.SetRotation(180.5); }), "Rotation must be between -180 and 180");
  EXPECT_EQ(ErrorText([&] { s.SetRotation(std::nan("")); }), "Rotation must be between -180 and 180");
  EXPECT_EQ(s.FillColor(), 0x08000041);
  s.SetFillColor(0x00FF0000);
  EXPECT_EQ(s.FillColor(), 0x00FF0000);
  TDrwText& t = Objects.Texts().Add();
  const size_t props = t.Shape()->FOPT.Count();
  EXPECT_EQ(t.LineColor(), 0x08000040);
  TDrwPicture& p = Objects.Pictures().Add();
  EXPECT_EQ(p.FillColor(), -1);
  p.SetFillColor(5);
  EXPECT_EQ(p.FillColor(), -1) << "an absent colour is not added";
  EXPECT_EQ(t.Shape()->FOPT.Count(), props);
}

TEST_F(DrawingObjects, TextsAndMargins) {
  TDrwText& t = Objects.Texts().Add();
  EXPECT_EQ(t.Text(), u"");
  t.SetText(u"Hello");
  EXPECT_EQ(t.Text(), u"Hello");
  t.SetText(std::u16string(40000, u'n'));
  EXPECT_EQ(t.Text().size(), 32767u);
  EXPECT_EQ(t.Name(), u"Text 0");
  t.SetName(u"Mine");
  EXPECT_EQ(t.Name(), u"Mine");
  EXPECT_EQ(t.MarginLeft(), -1 / 360000.0) << "absent margin";

  // A text box read from a file without a text object reads "" and gets one when set.
  auto* shape = Drawing.AddTextBox();
  shape->FInterface.reset();
  TDrwText& file = Objects.Texts().AddFromFile(shape);
  EXPECT_EQ(file.Shape(), shape);
  EXPECT_EQ(Drawing.ShapeCount(), 2u) << "an item from the file makes no shape";
  EXPECT_EQ(file.Text(), u"");
  file.SetText(u"now");
  EXPECT_EQ(file.Text(), u"now");
  auto* object = dynamic_cast<TShapeOutsideMsoBaseText*>(shape->FInterface.get());
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->ShapeType(), TMSOShapeType::mstTextBox);
  EXPECT_EQ(object->TXO()[0], 0x12);
}

TEST_F(DrawingObjects, NotesAndMacros) {
  TDrwNote& n = Objects.Notes().Add();
  n.SetCellCol(3);
  n.SetCellRow(7);
  n.SetAuthor(u"Ann");
  n.SetAlwaysVisible(true);
  EXPECT_EQ(n.CellCol(), 3);
  EXPECT_EQ(n.CellRow(), 7);
  EXPECT_EQ(n.Author(), u"Ann");
  EXPECT_TRUE(n.AlwaysVisible());
  n.SetAlwaysVisible(false);
  EXPECT_FALSE(n.AlwaysVisible());
  EXPECT_EQ(ErrorText([&] { n.SetMacroName(u"Run"); }), "Notes can not have macros assigned");

  TDrwBasic& b = Objects.Basics().Add();
  const size_t subs = b.Shape()->FOBJ.Count();
  b.SetMacroName(u"Run");
  EXPECT_EQ(Handler.InternalNames().FindName(u"Run"), 0);
  EXPECT_TRUE(Handler.InternalNames().GetItems(0).IsVBProcedure());
  TBaseRecordStorage& obj = b.Shape()->FOBJ;
  ASSERT_EQ(obj.Count(), subs + 1);
  EXPECT_EQ(obj.Items(subs - 1)->RecId, ftMacro);
  EXPECT_EQ(obj.Items(subs - 1)->Data, (std::vector<uint8_t>{7, 0, 0, 0, 0, 0, 0x39, 0, 0, 1, 0, 0, 0, 0}));
  EXPECT_EQ(obj.Items(subs)->RecId, ftEnd);
  b.SetMacroName(u"Other");
  EXPECT_EQ(obj.Count(), subs + 1) << "an existing ftMacro is replaced";
  EXPECT_EQ(obj.Items(subs - 1)->Data[9], 2);
  EXPECT_EQ(b.MacroName(), u"");
  EXPECT_EQ(Handler.ExternalNames().ExtSheets().size(), 1u) << "one reference to the workbook itself";
}

TEST_F(DrawingObjects, ShapeTypes) {
  TDrwBasic& b = Objects.Basics().Add();
  for (auto t : {TBasicShapeType::bstEllipse, TBasicShapeType::bstRectangle, TBasicShapeType::bstArrow,
                 TBasicShapeType::bstLine}) {
    b.SetShapeType(t);
    EXPECT_EQ(b.ShapeType(), t);
  }
  b.SetShapeType(TBasicShapeType::bstEllipse);
  EXPECT_EQ(b.Shape()->FShapeType, 3);
  EXPECT_EQ(b.Shape()->ObjType(), 3) << "the OBJ says oval";
  EXPECT_EQ(b.Shape()->FOPT.ItemCount(), 4u);
  TDrwAutoShape& a = Objects.AutoShapes().Add();
  EXPECT_EQ(a.ShapeType(), TAutoShapeType::astSun);
  for (int i = 0; i <= int(TAutoShapeType::astQuadArrowCallout); ++i) {
    a.SetShapeType(TAutoShapeType(i));
    EXPECT_EQ(a.ShapeType(), TAutoShapeType(i)) << i;
  }
  a.SetShapeType(TAutoShapeType::astUpArrowCallout);
  EXPECT_EQ(a.Shape()->FShapeType, 79);
}

TEST_F(DrawingObjects, PicturesOfTheStore) {
  TDrwPicture& p = Objects.Pictures().Add();
  EXPECT_EQ(p.PictureId(), 0);
  EXPECT_EQ(p.PictureName(), u"[???]");
  auto* shape = Drawing.AddBasic();
  EXPECT_EQ(Objects.Pictures().AddFromFile(shape).PictureId(), -1) << "no picture reference";
  TMSOPicture* pic = Store.Add();
  pic->LoadFromStream(std::span<const uint8_t>(), u"C:\\pics\\logo.png", 0);
  pic->SetFileBlipId(1);
  EXPECT_EQ(ErrorText([&] { p.SetPictureId(2); }), "Picture Id out of range.");
  EXPECT_EQ(ErrorText([&] { p.SetPictureId(-1); }), "Picture Id out of range.");
  p.SetPictureName(u"c:\\PICS\\LOGO.PNG");
  EXPECT_EQ(p.PictureId(), 1);
  EXPECT_EQ(p.PictureName(), u"logo.png") << "the file-name part of the store entry's name";
  p.SetPictureId(0);
  EXPECT_EQ(p.PictureName(), u"");
  EXPECT_EQ(ErrorText([&] { p.SetPictureName(u"none.png"); }), "Can not find picture: none.png");
}

TEST_F(DrawingObjects, ClearDeletesTheShapesAndTheCluster) {
  Objects.Texts().Add();
  Objects.Texts().Add();
  TDrwPicture& p = Objects.Pictures().Add();
  const uint32_t kept = p.SpId();
  Objects.Texts().Clear();
  EXPECT_EQ(Objects.Texts().Count(), 0u);
  ASSERT_EQ(Drawing.ShapeCount(), 1u);
  EXPECT_EQ(Drawing.Group().Items(0)->SpId(), kept);
  EXPECT_NE(Drawing.DgId(), 0);
  Objects.Clear();
  EXPECT_EQ(Drawing.ShapeCount(), 0u);
  EXPECT_EQ(Drawing.DgId(), 0) << "the drawing gave up its cluster";
  EXPECT_EQ(Objects.Texts().Add().DisplayName(), u"Text 2") << "ids are not reused";
}

}  // namespace
}  // namespace xls::biff
