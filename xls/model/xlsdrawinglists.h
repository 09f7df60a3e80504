// What the model holds of a sheet's DrawingML drawing without knowing its classes: the sheet
// data's drawing document (xls/drawingml's element tree of the drawing part) and the sheet
// object's drawing layer over it, both made by the makers the drawing library registers (empty
// until it does, and then a sheet has no drawing).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
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

// The legacy sheet's text objects as the text box reads and writes them (the legacy drawing
// layer implements it).
class TXLSLegacyTexts {
 public:
  virtual ~TXLSLegacyTexts() = default;
  virtual std::u16string Text(int32_t index) const = 0;
  // Texts longer than 32767 units are cut there.
  virtual void SetText(int32_t index, std::u16string_view text) = 0;
};

// Where a legacy picture sits: cells with offsets in 1024ths of a column and 256ths of a row.
struct TXLSAnchor97 {
  int32_t Col1 = 0, Col1Offs = 0, Row1 = 0, Row1Offs = 0;
  int32_t Col2 = 0, Col2Offs = 0, Row2 = 0, Row2Offs = 0;
};

// An object of a sheet object's drawing layer (an image, a shape, a text box, ...).
class TXLSDrawingLayerObject {
 public:
  virtual ~TXLSDrawingLayerObject() = default;
};

// The sheet object's drawing layer: sorts the drawing's objects after every load; after a legacy
// load it also takes the legacy sheet's text objects and places each legacy picture.
class TXLSDrawingLayer : public TXLSFactoryObject {
 public:
  virtual void AfterRead() = 0;
  // Stores the legacy picture's bytes as an image of the graphic manager (under `imageName`,
  // where an image already stored under that name is taken) and places it by a new two-cell
  // anchor; nullptr when the image store refuses the bytes.
  virtual TXLSDrawingLayerObject* InsertImage97(std::u16string_view imageName, std::span<const uint8_t> image,
                                                const TXLSAnchor97& anchor) = 0;
  // The legacy sheet's text objects (not owned; they live as long as the kept reader object).
  virtual void SetBIFFDrawing(TXLSLegacyTexts* texts) = 0;
};

struct TXLSDrawingFactory {
  // A sheet's drawing document over the workbook's graphic manager.
  std::function<std::unique_ptr<TXc12DrawingDocument>(TXc12GraphicManager& graphics)> NewDocument;
  // The sheet object's drawing layer (xls/drawingml's TXLSDrawing) over its sheet data's document.
  std::function<std::unique_ptr<TXLSDrawingLayer>(TXLSWorksheet& sheet)> NewSheetDrawing;
};
TXLSDrawingFactory& DefaultDrawingFactory();

}  // namespace xls
