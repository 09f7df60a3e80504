#include "xls/biff/controlobjects.h"

#include "xls/biff/biffformulahandler.h"
#include "xls/biff/escherdrawing.h"
#include "xls/biff/shapeobjects.h"
#include "xls/model/xlscellarea.h"
#include "xls/model/xlserrors.h"

namespace xls::biff {

namespace {

template <class T>
T& ObjectOf(TShapeClientAnchor* shape, const char* what) {
  T* object = shape ? dynamic_cast<T*>(shape->FInterface.get()) : nullptr;
  if (!object) throw XLSRWException(std::string("The shape holds no ") + what);
  return *object;
}

}  // namespace

// --- items ---------------------------------------------------------------------------------------

TShapeControlListBox& TControlListBox::Control() const { return ObjectOf<TShapeControlListBox>(FShape, "list box"); }

std::u16string TControlListBox::SourceArea() const {
  int32_t sheet = 0, c1 = 0, r1 = 0, c2 = 0, r2 = 0;
  Control().GetSourceArea(sheet, c1, r1, c2, r2);
  return AreaToRefStrAbs(c1, r1, c2, r2, true, true, true, true);
}

void TControlListBox::SetSourceArea(std::u16string_view area) {
  int32_t c1, r1, c2, r2;
  bool a1, a2, a3, a4;
  if (!AreaStrToColRowAbs(area, c1, r1, c2, r2, a1, a2, a3, a4)) throw XLSRWException("Invalid area reference");
  Control().SetSourceArea(-1, c1, r1, c2, r2);
}

std::u16string TControlListBox::DestCell() const {
  int32_t col = 0, row = 0;
  Control().GetDestCell(col, row);
  return ColRowToRefStrAbs(col, row, true, true);
}

void TControlListBox::SetDestCell(std::u16string_view cell) {
  int32_t col, row;
  bool colAbs, rowAbs;
  if (!RefStrToColRowAbs(cell, col, row, colAbs, rowAbs)) throw XLSRWException("Invalid cell reference");
  Control().SetDestCell(col, row);
}

std::u16string TControlText::Text() const {
  return ObjectOf<TShapeOutsideMsoBaseText>(FShape, "text object").Text();
}

void TControlText::SetText(std::u16string_view value) {
  ObjectOf<TShapeOutsideMsoBaseText>(FShape, "text object").SetText(value);
}

TShapeOutsideMsoBaseTextMacro& TControlTextMacro::Control() const {
  return ObjectOf<TShapeOutsideMsoBaseTextMacro>(FShape, "control");
}

std::u16string TControlTextMacro::MacroName() const { return Control().GetMacro(); }

void TControlTextMacro::SetMacroName(std::u16string_view name) {
  TShapeOutsideMsoBaseTextMacro& control = Control();
  TFormulaHandler* handler = FObjects ? FObjects->FormulaHandler() : nullptr;
  if (!handler) throw XLSRWException("No formula handler for macro names");
  TInternalName& added = handler->InternalNames().Add();
  added.SetName(name);
  added.SetOption(TNameOption::noVBProcedure, true);
  handler->ExternalNames().AddSelf(0xFFFE, 1);
  control.SetMacro(name);
}

TCtrlCheckState TControlCheckBox::State() const {
  const uint16_t s = ObjectOf<TShapeControlCheckBox>(FShape, "check box").State();
  return s == 0 ? TCtrlCheckState::ccsUnchecked : s == 1 ? TCtrlCheckState::ccsChecked : TCtrlCheckState::cchTristate;
}

void TControlCheckBox::SetState(TCtrlCheckState value) {
  ObjectOf<TShapeControlCheckBox>(FShape, "check box").SetState(uint16_t(value) & 0x7F);
}

// --- lists ---------------------------------------------------------------------------------------

TDrwAnchor& TControlObjList::Add() {
  const bool make = !FFileAdd && FDrawing;
  switch (FKind) {
    case TKind::ListBox:
      return Append(std::make_unique<TControlListBox>(), u"ListBox ", make ? FDrawing->AddListBox() : nullptr);
    case TKind::ComboBox:
      if (FAddAutoFilter)
        return Append(std::make_unique<TControlComboBox>(), u"ComboBox Autofilter ",
                      make ? FDrawing->AddComboBoxAutoFilter() : nullptr);
      return Append(std::make_unique<TControlComboBox>(), u"ComboBox ", make ? FDrawing->AddComboBox() : nullptr);
    case TKind::Button:
      return Append(std::make_unique<TControlButton>(FOwner), u"Button ", make ? FDrawing->AddButton() : nullptr);
    case TKind::CheckBox:
      return Append(std::make_unique<TControlCheckBox>(FOwner), u"CheckBox ", make ? FDrawing->AddCheckBox() : nullptr);
    case TKind::RadioButton:
      break;
  }
  return Append(std::make_unique<TControlRadioButton>(FOwner), u"RadioButton ",
                make ? FDrawing->AddRadioButton() : nullptr);
}

TControlObjects::TControlObjects(TSheet* owner, TEscherDrawing* drawing, TFormulaHandler* formulaHandler)
    : FOwner(owner),
      FDrawing(drawing),
      FFormulaHandler(formulaHandler),
      FListBoxes(this, drawing, TControlObjList::TKind::ListBox),
      FComboBoxes(this, drawing, TControlObjList::TKind::ComboBox),
      FButtons(this, drawing, TControlObjList::TKind::Button),
      FCheckBoxes(this, drawing, TControlObjList::TKind::CheckBox),
      FRadioButtons(this, drawing, TControlObjList::TKind::RadioButton) {}

TControlObjects::~TControlObjects() = default;

void TControlObjects::Clear() {
  FListBoxes.Clear();
  FComboBoxes.Clear();
  FButtons.Clear();
  FCheckBoxes.Clear();
  FRadioButtons.Clear();
}

void TControlObjects::Release() {
  FListBoxes.Release();
  FComboBoxes.Release();
  FButtons.Release();
  FCheckBoxes.Release();
  FRadioButtons.Release();
}

void TControlObjects::AddFromFile(TShape& shape) {
  auto* anchored = dynamic_cast<TShapeClientAnchor*>(&shape);
  if (!anchored || shape.FShapeType != 201) return;
  TShapeOutsideMso* object = shape.FInterface.get();
  if (dynamic_cast<TShapeControlComboBox*>(object))
    FComboBoxes.AddFromFile(anchored);
  else if (dynamic_cast<TShapeControlListBox*>(object))
    FListBoxes.AddFromFile(anchored);
  else if (dynamic_cast<TShapeControlButton*>(object))
    FButtons.AddFromFile(anchored);
  else if (dynamic_cast<TShapeControlRadioButton*>(object))
    FRadioButtons.AddFromFile(anchored);
  else if (dynamic_cast<TShapeControlCheckBox*>(object))
    FCheckBoxes.AddFromFile(anchored);
}

}  // namespace xls::biff
