#!/usr/bin/python3
"""Reads the form controls of a workbook through LibreOffice (python3-uno) and prints one line per
control shape of each sheet's draw page, in the form of xls_dump's `biffcontrol` lines less the
macro field:

    biffcontrol<TAB>sheet<TAB>kind<TAB>anchor<TAB>label<TAB>linked cell<TAB>source area<TAB>state

- kind: checkbox, radio, button, listbox, combobox, from the services of the control's model (a
  list box model with Dropdown set, as LibreOffice imports a combo box, is a combobox);
- anchor: the cells under the shape's top-left and bottom-right corners, found from the cells'
  positions on the sheet (A1:B2);
- label: the model's Label (empty for list and combo boxes);
- linked cell: the BoundCell of the model's value binding (com.sun.star.form.binding), A1 form,
  with "Sheet!" in front when it lies on another sheet;
- source area: the CellRange of the model's list entry source, in the same form;
- state: the State of check boxes and radio buttons (0 unchecked, 1 checked, 2 mixed), the
  one-based index of the first selected item of list and combo boxes (0 when none), empty for
  buttons.

Texts are escaped as xls_dump escapes them. Used by the controls test with the file's path.
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "xlsx"))
from fixturetools import anchor_cells, draw_shapes, escape, print_reading, ref  # noqa: E402


def kind_of(model):
    services = set(model.SupportedServiceNames)
    for service, kind in (("CheckBox", "checkbox"), ("RadioButton", "radio"), ("CommandButton", "button"),
                          ("ComboBox", "combobox")):
        if "com.sun.star.form.component." + service in services:
            return kind
    if "com.sun.star.form.component.ListBox" in services:
        return "combobox" if model.Dropdown else "listbox"
    return None


def sheet_prefix(doc, own, index):
    return "" if index == own else doc.Sheets.getByIndex(index).Name + "!"


def linked(model, getter, name):
    """The property `name` of the object the model's `getter` gives (a binding or a list source)."""
    try:
        target = getattr(model, getter)()
    except AttributeError:
        return None
    if target is None or not target.getPropertySetInfo().hasPropertyByName(name):
        return None
    return target.getPropertyValue(name)


def bound_cell(doc, own, model):
    cell = linked(model, "getValueBinding", "BoundCell")
    return "" if cell is None else sheet_prefix(doc, own, cell.Sheet) + ref(cell.Row, cell.Column)


def source_area(doc, own, model):
    r = linked(model, "getListEntrySource", "CellRange")
    if r is None:
        return ""
    return sheet_prefix(doc, own, r.Sheet) + ref(r.StartRow, r.StartColumn) + ":" + ref(r.EndRow, r.EndColumn)


def state_of(kind, model):
    if kind in ("checkbox", "radio"):
        return str(model.State)
    if kind in ("listbox", "combobox"):
        selected = model.SelectedItems
        return str(selected[0] + 1) if selected else "0"
    return ""


def read_doc(doc):
    lines = []
    for index, sheet, shape in draw_shapes(doc, "com.sun.star.drawing.ControlShape"):
        model = shape.Control
        kind = kind_of(model)
        if kind is None:
            continue
        anchor = ":".join(anchor_cells(sheet, shape))
        label = model.Label if kind not in ("listbox", "combobox") else ""
        lines.append("\t".join(["biffcontrol", escape(sheet.Name), kind, anchor, escape(label),
                                bound_cell(doc, index, model), source_area(doc, index, model),
                                state_of(kind, model)]))
    return lines


def main():
    print_reading(sys.argv[1], read_doc, "lo-controls-")


if __name__ == "__main__":
    main()
