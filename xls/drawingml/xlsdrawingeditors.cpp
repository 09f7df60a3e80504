// Shape-properties and text-box editors of the sheet's drawing layer.
#include "xls/drawingml/xlsdrawingeditors.h"

namespace xls {

using namespace xpgdml;
using namespace xpgdml::xdr;

namespace {

TCT_ShapeProperties* AnchorSpPr(TCT_TwoCellAnchor* anchor) {
  if (!anchor) return nullptr;
  TEG_ObjectChoices* objects = anchor->EG_ObjectChoices();
  if (TCT_Shape* sp = objects->Sp()) return sp->Create_SpPr();
  if (TCT_Picture* pic = objects->Pic()) return pic->Create_SpPr();
  return nullptr;
}

}  // namespace

TXLSDrawingEditorShape::TXLSDrawingEditorShape(TCT_TwoCellAnchor* anchor) : FAnchor(anchor) {
  if (TCT_ShapeProperties* spPr = AnchorSpPr(anchor)) FShapeProperies = std::make_unique<TXLSDrwShapeProperies>(spPr);
}

TXLSDrawingEditorShape::~TXLSDrawingEditorShape() = default;

TXLSDrawingEditorTextBox::TXLSDrawingEditorTextBox(TCT_TwoCellAnchor* anchor) {
  TCT_Shape* sp = anchor ? anchor->EG_ObjectChoices()->Sp() : nullptr;
  FEx12Body = sp ? sp->TxBody() : nullptr;
  if (FEx12Body) FBody = std::make_unique<TXLSDrwTextBody>(FEx12Body);
}

TXLSDrawingEditorTextBox::~TXLSDrawingEditorTextBox() = default;

}  // namespace xls
