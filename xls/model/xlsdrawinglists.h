// What the model holds of a sheet's DrawingML drawing without knowing its classes: the sheet
// data's drawing document (xls/drawingml's element tree of the drawing part) and the sheet
// object's drawing layer over it, both made by the makers the drawing library registers (empty
// until it does, and then a sheet has no drawing).
#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "xls/model/xlsclassfactory.h"

namespace xls {

class TXLSStream;
class TXLSWorksheet;
class TXc12GraphicManager;

class TXc12DrawingDocument : public TXLSFactoryObject {
 public:
  // Reads the sheet's drawing part (the package's current drawing part). A part that cannot be
  // read raises XLSRWException; the caller then calls Clear.
  virtual void LoadDrawing(TXLSStream& part) = 0;
  // Drops everything read: the document is as new.
  virtual void Clear() = 0;
  // Receives the warnings of parts the drawing names (a chart dropped, a part left out).
  std::function<void(std::u16string_view)> OnWarning;
};

// The sheet object's drawing layer: sorts the drawing's objects after every load.
class TXLSDrawingLayer : public TXLSFactoryObject {
 public:
  virtual void AfterRead() = 0;
};

struct TXLSDrawingFactory {
  // A sheet's drawing document over the workbook's graphic manager.
  std::function<std::unique_ptr<TXc12DrawingDocument>(TXc12GraphicManager& graphics)> NewDocument;
  // The sheet object's drawing layer (xls/drawingml's TXLSDrawing) over its sheet data's document.
  std::function<std::unique_ptr<TXLSDrawingLayer>(TXLSWorksheet& sheet)> NewSheetDrawing;
};
TXLSDrawingFactory& DefaultDrawingFactory();

}  // namespace xls
