// The control front-end of a legacy sheet over a drawing: new controls and their names, linked
// cells and source ranges as A1 text, texts, states and macros, controls sorted from the shapes
// of a file, deleting by index and by id, and clearing every list with its shapes.
#include <gtest/gtest.h>

#include <string>

#include "xls/biff/controlobjects.h"
#include "xls/biff/sheetrules.h"
#include "xls/biff/shapeobjects.h"
#include "tests/xls/biff/shapeobjects_fixtures.h"
#include "xls/model/xlserrors.h"

namespace xls::biff {
namespace {

using test::ErrorText;

class LegacyControlObjects : public ::testing::Test, protected test::TDrawingFixture {
 protected:
  TControlObjects Controls{nullptr, &Drawing, &Handler};
};

TEST_F(LegacyControlObjects, NewControlsAndTheirValues) {
  TControlListBox& list = Controls.ListBoxes().Add();
  EXPECT_EQ(list.DisplayName(), u"ListBox 0");
  EXPECT_EQ(list.Shape()->FShapeType, 201);
  EXPECT_EQ(list.DestCell(), u"$B$2");
  list.SetDestCell(u"B7");
  EXPECT_EQ(list.DestCell(), u"$B$7");
  list.SetSourceArea(u"$A$1:C5");
  EXPECT_EQ(list.SourceArea(), u"$A$1:$C$5");
  EXPECT_EQ(ErrorText([&] { list.SetDestCell(u"B0"); }), "Invalid cell reference");
  EXPECT_EQ(ErrorText([&] { list.SetSourceArea(u"A1:"); }), "Invalid area reference");
  EXPECT_EQ(list.DestCell(), u"$B$7") << "a failed setting leaves the control as it was";

  TControlButton& button = Controls.Buttons().Add();
  EXPECT_EQ(button.DisplayName(), u"Button 0");
  EXPECT_EQ(button.Text(), u"Button");
  button.SetText(u"Run it");
  EXPECT_EQ(button.Text(), u"Run it");
  EXPECT_EQ(button.MacroName(), u"");
  button.SetMacroName(u"Module1.Run");
  EXPECT_EQ(button.MacroName(), u"Module1.Run");
  button.SetMacroName(u"Other");
  EXPECT_EQ(button.MacroName(), u"Other");
  EXPECT_EQ(Handler.InternalNames().Count(), 2u) << "two defined names";
  EXPECT_EQ(Handler.ExternalNames().ExtSheets().size(), 1u) << "one reference to the workbook itself";

  TControlCheckBox& check = Controls.CheckBoxes().Add();
  EXPECT_EQ(check.Text(), u"CheckBox");
  EXPECT_EQ(check.State(), TCtrlCheckState::ccsUnchecked);
  check.SetState(TCtrlCheckState::ccsChecked);
  EXPECT_EQ(check.State(), TCtrlCheckState::ccsChecked);
  TControlRadioButton& radio = Controls.RadioButtons().Add();
  EXPECT_EQ(radio.Text(), u"RadioButton");
  radio.SetState(TCtrlCheckState::cchTristate);
  EXPECT_EQ(radio.State(), TCtrlCheckState::cchTristate);
  EXPECT_EQ(Drawing.ShapeCount(), 4u);
}

TEST_F(LegacyControlObjects, AutoFilterDropDownsAndDeleteById) {
  TControlComboBox& first = Controls.ComboBoxes().Add();
  Controls.ComboBoxes().FAddAutoFilter = true;
  TControlComboBox& arrow = Controls.ComboBoxes().Add();
  Controls.ComboBoxes().FAddAutoFilter = false;
  EXPECT_EQ(first.DisplayName(), u"ComboBox 0");
  EXPECT_EQ(arrow.DisplayName(), u"ComboBox Autofilter 1");
  auto* object = dynamic_cast<TShapeControlComboBox*>(arrow.Shape()->FInterface.get());
  ASSERT_NE(object, nullptr);
  EXPECT_TRUE(object->IsAutoFilter());
  EXPECT_EQ(ErrorText([&] { (void)arrow.DestCell(); }), "Unknown SBS formula.");
  const uint32_t firstShape = first.SpId();
  Controls.ComboBoxes().DeleteById(1);
  ASSERT_EQ(Controls.ComboBoxes().Count(), 1u);
  EXPECT_EQ(Controls.ComboBoxes().Items(0).DisplayName(), u"ComboBox 0");
  ASSERT_EQ(Drawing.ShapeCount(), 1u);
  EXPECT_EQ(Drawing.Group().Items(0)->SpId(), firstShape);
  Controls.ComboBoxes().DeleteById(7);
  EXPECT_EQ(Controls.ComboBoxes().Count(), 1u) << "an id no item has changes nothing";
}

TEST_F(LegacyControlObjects, ShapesOfTheFileSortedByTheirObject) {
  // One of each control, as the drawing reader leaves them: shapes of type 201 with objects.
  for (auto add : {&TEscherDrawing::AddListBox, &TEscherDrawing::AddComboBox, &TEscherDrawing::AddButton,
                   &TEscherDrawing::AddCheckBox, &TEscherDrawing::AddRadioButton, &TEscherDrawing::AddTextBox})
    Controls.AddFromFile(*(Drawing.*add)());
  EXPECT_EQ(Controls.ListBoxes().Count(), 1u);
  EXPECT_EQ(Controls.ComboBoxes().Count(), 1u);
  EXPECT_EQ(Controls.Buttons().Count(), 1u);
  EXPECT_EQ(Controls.CheckBoxes().Count(), 1u);
  EXPECT_EQ(Controls.RadioButtons().Count(), 1u) << "radio buttons of the file get items";
  EXPECT_EQ(Drawing.ShapeCount(), 6u) << "no shape made for items of the file";
  // The linked cell of a control stored with the relative flags in its column word.
  auto* list = dynamic_cast<TShapeControlListBox*>(Controls.ListBoxes().Items(0).Shape()->FInterface.get());
  ASSERT_NE(list, nullptr);
  list->FSBSFormula = {0x24, 0, 0, 0, 0xC0, 0};
  EXPECT_EQ(Controls.ListBoxes().Items(0).DestCell(), u"$A$1");

  // Clearing empties every list and deletes the shapes; the text box stays.
  Controls.Clear();
  EXPECT_EQ(Controls.ComboBoxes().Count() + Controls.CheckBoxes().Count() + Controls.RadioButtons().Count() +
                Controls.ListBoxes().Count() + Controls.Buttons().Count(),
            0u);
  ASSERT_EQ(Drawing.ShapeCount(), 1u);
  EXPECT_EQ(Drawing.Group().Items(0)->FShapeType, 202);
}

// Filters read from a file do not know their drop-downs (id 0): clearing them deletes the sheet's
// autofilter drop-downs, each by its id, and leaves the user's combo box with id 0 alone.
TEST_F(LegacyControlObjects, ClearingAutoFiltersDeletesOnlyTheirDropDowns) {
  TControlComboBox& user = Controls.ComboBoxes().Add();
  Controls.ComboBoxes().FAddAutoFilter = true;
  Controls.ComboBoxes().Add();
  Controls.ComboBoxes().Add();
  Controls.ComboBoxes().FAddAutoFilter = false;
  ASSERT_EQ(user.Id(), 0);
  TAutoFilters filters;
  filters.FComboBoxes = &Controls.ComboBoxes();
  filters.Clear();
  ASSERT_EQ(Controls.ComboBoxes().Count(), 1u);
  EXPECT_EQ(Controls.ComboBoxes().Items(0).DisplayName(), u"ComboBox 0");
  EXPECT_EQ(Drawing.ShapeCount(), 1u);
}

}  // namespace
}  // namespace xls::biff
