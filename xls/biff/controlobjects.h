// The form controls of a legacy sheet: `TControlObjects` holds five lists (list boxes, combo
// boxes, buttons, check boxes, radio buttons), each item naming one host-control shape of the
// sheet's drawing and giving its linked cell, source range, text, macro and state as text and
// values. The control data live in the shape's control object (shapeobjects.h); the items hold
// none of their own, and the drawing owns the shapes.
//
// Linked cells and source ranges read and write as absolute A1 references ("$B$7", "$A$1:$A$5");
// the sheet part of a 3-D source range is not shown. The drop-down arrows of autofilters are
// combo boxes; clearing a sheet's autofilters deletes them through `DeleteById`.
//
// Design choice: clearing the controls empties all five lists and deletes their shapes, so that no
// item is left on a freed shape.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xls/biff/drawingobjects.h"

namespace xls::biff {

class TControlObjects;
class TShapeControlListBox;
class TShapeControlCheckBox;
class TShapeOutsideMsoBaseTextMacro;

enum class TCtrlCheckState : uint8_t { ccsUnchecked, ccsChecked, cchTristate };

// A list box or combo box item.
class TControlListBox : public TDrwAnchor {
 public:
  TControlListBox() = default;
  // "$A$1:$A$5"; raises the control's "No source area assigned" / "Unknown LBS formula.".
  std::u16string SourceArea() const;
  // Raises "Invalid area reference" for a text that is no area.
  void SetSourceArea(std::u16string_view area);
  // "$B$7"; raises "Unknown SBS formula." for a control without a linked cell.
  std::u16string DestCell() const;
  // Raises "Invalid cell reference" for a text that is no cell.
  void SetDestCell(std::u16string_view cell);

 protected:
  TShapeControlListBox& Control() const;
};

class TControlComboBox : public TControlListBox {};

// A control with a text.
class TControlText : public TDrwAnchor {
 public:
  std::u16string Text() const;
  void SetText(std::u16string_view value);
};

// A control with a text and a macro.
class TControlTextMacro : public TControlText {
 public:
  explicit TControlTextMacro(TControlObjects* owner) : FObjects(owner) {}
  std::u16string MacroName() const;
  // Adds a defined name `name` flagged as a VB procedure, makes sure the workbook has its
  // reference to itself, and links the control's macro to it.
  void SetMacroName(std::u16string_view name);

 protected:
  TShapeOutsideMsoBaseTextMacro& Control() const;
  TControlObjects* FObjects;
};

class TControlButton : public TControlTextMacro {
 public:
  using TControlTextMacro::TControlTextMacro;
};

class TControlCheckBox : public TControlTextMacro {
 public:
  using TControlTextMacro::TControlTextMacro;
  TCtrlCheckState State() const;
  // The value is taken to its low 7 bits.
  void SetState(TCtrlCheckState value);
};

class TControlRadioButton : public TControlCheckBox {
 public:
  using TControlCheckBox::TControlCheckBox;
};

// One list of control items.
class TControlObjList : public TAnchorList {
 public:
  enum class TKind : uint8_t { ListBox, ComboBox, Button, CheckBox, RadioButton };
  TControlObjList(TControlObjects* owner, TEscherDrawing* drawing, TKind kind)
      : TAnchorList(drawing), FOwner(owner), FKind(kind) {}

  // A new item with a new control shape in the drawing; a new combo box while FAddAutoFilter is
  // set is an autofilter drop-down.
  TDrwAnchor& Add() override;
  TControlObjects* Owner() const { return FOwner; }

  // Combo boxes: new items are autofilter drop-downs.
  bool FAddAutoFilter = false;

 private:
  TControlObjects* FOwner;
  TKind FKind;
};

template <class TItem>
class TControlList : public TControlObjList {
 public:
  using TControlObjList::TControlObjList;
  TItem& Add() { return static_cast<TItem&>(TControlObjList::Add()); }
  TItem& AddFromFile(TShapeClientAnchor* shape) { return static_cast<TItem&>(TControlObjList::AddFromFile(shape)); }
  TItem& Items(size_t index) const { return static_cast<TItem&>(TControlObjList::Items(index)); }
};

using TControlListBoxes = TControlList<TControlListBox>;
using TControlComboBoxes = TControlList<TControlComboBox>;
using TControlButtons = TControlList<TControlButton>;
using TControlCheckBoxes = TControlList<TControlCheckBox>;
using TControlRadioButtons = TControlList<TControlRadioButton>;

class TControlObjects {
 public:
  TControlObjects(TSheet* owner, TEscherDrawing* drawing, TFormulaHandler* formulaHandler);
  ~TControlObjects();
  // Empties the five lists and deletes their shapes from the drawing.
  void Clear();
  // Forgets the items of the five lists, leaving the drawing alone (it was cleared itself).
  void Release();
  // Sorts a host-control shape (type 201) read from the file into its list by its control object;
  // other shapes are left alone.
  void AddFromFile(TShape& shape);

  TControlListBoxes& ListBoxes() { return FListBoxes; }
  TControlComboBoxes& ComboBoxes() { return FComboBoxes; }
  TControlButtons& Buttons() { return FButtons; }
  TControlCheckBoxes& CheckBoxes() { return FCheckBoxes; }
  TControlRadioButtons& RadioButtons() { return FRadioButtons; }
  TFormulaHandler* FormulaHandler() const { return FFormulaHandler; }
  TSheet* Owner() const { return FOwner; }

 private:
  TSheet* FOwner;
  TEscherDrawing* FDrawing;
  TFormulaHandler* FFormulaHandler;
  TControlListBoxes FListBoxes;
  TControlComboBoxes FComboBoxes;
  TControlButtons FButtons;
  TControlCheckBoxes FCheckBoxes;
  TControlRadioButtons FRadioButtons;
};

}  // namespace xls::biff
