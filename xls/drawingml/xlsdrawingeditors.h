// Editors of a two-cell anchor's shape: its shape properties (fill and line) and its text body,
// handed out as the wrappers of xlsdrawingprops.h, which write every change into the element.
//
// Design choices: the shape-properties editor works on the anchor's shape, else its picture, and
// makes their xdr:spPr when absent; an anchor holding neither (a group, a connector, a graphic
// frame) has no shape properties to edit and the editor offers none rather than properties that
// go nowhere. The text-box editor wraps the shape's xdr:txBody as read; a shape without a text
// body offers no body.
#pragma once

#include <memory>

#include "xls/drawingml/xlsdrawingprops.h"
#include "xls/drawingml/xpgparsedrawing.h"

namespace xls {

class TXLSDrawingEditorShape {
 public:
  explicit TXLSDrawingEditorShape(xpgdml::xdr::TCT_TwoCellAnchor* anchor);
  ~TXLSDrawingEditorShape();
  // nullptr when the anchor holds neither a shape nor a picture.
  TXLSDrwShapeProperies* ShapeProperies() const { return FShapeProperies.get(); }
  xpgdml::xdr::TCT_TwoCellAnchor* Anchor() const { return FAnchor; }

 private:
  xpgdml::xdr::TCT_TwoCellAnchor* FAnchor;  // not owned
  std::unique_ptr<TXLSDrwShapeProperies> FShapeProperies;
};

class TXLSDrawingEditorTextBox {
 public:
  explicit TXLSDrawingEditorTextBox(xpgdml::xdr::TCT_TwoCellAnchor* anchor);
  ~TXLSDrawingEditorTextBox();
  // nullptr when the anchor holds no shape with a text body.
  TXLSDrwTextBody* Body() const { return FBody.get(); }

 private:
  xpgdml::TCT_TextBody* FEx12Body = nullptr;  // not owned
  std::unique_ptr<TXLSDrwTextBody> FBody;
};

}  // namespace xls
