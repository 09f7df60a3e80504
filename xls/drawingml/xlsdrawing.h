// The worksheet's drawing layer over the element tree of its drawing part: after every load the
// anchors are sorted into typed object lists (images, shapes, word art, text boxes, charts),
// positions are offered in cells plus fractions of a cell, pictures in centimetres and inches,
// and a legacy picture becomes a two-cell anchor with a picture so that both file kinds end with
// the same model.
//
// Units: anchor offsets are EMU (914400 per inch); pixels and EMU convert with the style sheet's
// pixels per inch (X for columns, Y for rows) in 64-bit integers, division truncating.
// Design choice: the objects refer to anchors of the tree, which the sheet data owns and which
// outlives them; one-cell pictures get no object (only two-cell anchors are edited here).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "xls/drawingml/xpgparsedrawing.h"
#include "xls/model/xlsdrawinglists.h"
#include "xls/model/xlsimages.h"

namespace xls {

class TXc12Manager;
class TXLSErrorManager;
class TXLSColumns;
class TXLSRows;

// The sheet data's drawing document: the generated document of the drawing part.
class TXLSSheetDrawingDocument : public TXc12DrawingDocument {
 public:
  explicit TXLSSheetDrawingDocument(TXc12GraphicManager& graphics);
  void LoadDrawing(TXLSStream& part) override;
  void Clear() override;
  xpgdml::xdr::TXPGDocXLSXDrawing& Document() { return *FDoc; }
  // The drawing element read (xdr:wsDr, or c:userShapes when that was the document element).
  xpgdml::xdr::TCT_Drawing* WsDr() const { return FDoc->Drawing(); }

 private:
  TXc12GraphicManager* FGraphics;
  std::unique_ptr<xpgdml::xdr::TXPGDocXLSXDrawing> FDoc;
};

enum class TDrwOptImagePositioning : uint8_t { doipMoveButDoNotSize, doipMoveAndSize, doipDoNotMoveOrSize };

class TXLSDrawing;

class TXLSDrawingObject : public TXLSDrawingLayerObject {
 public:
  explicit TXLSDrawingObject(TXLSDrawing* owner) : FOwner(owner) {}
  virtual ~TXLSDrawingObject() = default;
  TXLSDrawing* Owner() const { return FOwner; }

 protected:
  TXLSDrawing* FOwner;
};

// An object placed by a two-cell anchor: cells (zero-based) and offsets inside them as fractions
// of the cell (0..1; a cell of no size gives 0).
class TXLSDrwTwoPosShape : public TXLSDrawingObject {
 public:
  using TXLSDrawingObject::TXLSDrawingObject;
  virtual void AssignAnchor(xpgdml::xdr::TCT_TwoCellAnchor* anchor) { FAnchor = anchor; }
  xpgdml::xdr::TCT_TwoCellAnchor* Anchor() const { return FAnchor; }
  int32_t Col1() const;
  int32_t Row1() const;
  int32_t Col2() const;
  int32_t Row2() const;
  void SetCol1(int32_t v);
  void SetRow1(int32_t v);
  void SetCol2(int32_t v);
  void SetRow2(int32_t v);
  double Col1Offs() const;
  double Row1Offs() const;
  double Col2Offs() const;
  double Row2Offs() const;
  void SetCol1Offs(double v);
  void SetRow1Offs(double v);
  void SetCol2Offs(double v);
  void SetRow2Offs(double v);

 protected:
  xpgdml::xdr::TCT_TwoCellAnchor* FAnchor = nullptr;
};

class TXLSDrawingImage : public TXLSDrwTwoPosShape {
 public:
  using TXLSDrwTwoPosShape::TXLSDrwTwoPosShape;
  TDrwOptImagePositioning Positioning() const;
  void SetPositioning(TDrwOptImagePositioning v);
  // The image of the store the picture shows; nullptr when its blip is bound to none.
  TXc12GraphicImage* Image() const;
  // x12itUnknown, an empty text and an empty name when the picture is bound to no image.
  TXc12ImageType ImageType() const;
  std::u16string ImageTypeStr() const;
  std::u16string UniqueName() const;
};

class TXLSDrawingShape : public TXLSDrwTwoPosShape {
 public:
  using TXLSDrwTwoPosShape::TXLSDrwTwoPosShape;
  // A plain stored value, not tied to the geometry element.
  xpgdml::TST_ShapeType ShapeType() const { return FShapeType; }
  void SetShapeType(xpgdml::TST_ShapeType v) { FShapeType = v; }

 private:
  xpgdml::TST_ShapeType FShapeType = xpgdml::ststRect;
};

class TXLSDrawingWordArt : public TXLSDrwTwoPosShape {
 public:
  using TXLSDrwTwoPosShape::TXLSDrwTwoPosShape;
  xpgdml::xdr::TCT_OneCellAnchor* OneCellAnchor() const { return FAnchor1; }
  void SetOneCellAnchor(xpgdml::xdr::TCT_OneCellAnchor* a) { FAnchor1 = a; }

 private:
  xpgdml::xdr::TCT_OneCellAnchor* FAnchor1 = nullptr;
};

class TXLSDrawingTextBox : public TXLSDrwTwoPosShape {
 public:
  using TXLSDrwTwoPosShape::TXLSDrwTwoPosShape;
  void AssignAnchor(xpgdml::xdr::TCT_TwoCellAnchor* anchor) override { FAnchor = anchor; }
  // With legacy text objects: the text of the one at CurrIndex; otherwise the shape's text.
  std::u16string PlainText() const;
  void SetPlainText(std::u16string_view text);
  int32_t FCurrIndex = 0;
};

template <class T>
class TXLSDrawingObjectList {
 public:
  explicit TXLSDrawingObjectList(TXLSDrawing* owner) : FOwner(owner) {}
  T* Add() {
    FItems.push_back(std::make_unique<T>(FOwner));
    return FItems.back().get();
  }
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  T* Items(int32_t index) const { return FItems.at(static_cast<size_t>(index)).get(); }

 private:
  TXLSDrawing* FOwner;
  std::vector<std::unique_ptr<T>> FItems;
};
using TXLSDrawingImages = TXLSDrawingObjectList<TXLSDrawingImage>;
using TXLSDrawingShapes = TXLSDrawingObjectList<TXLSDrawingShape>;
using TXLSDrawingWordArts = TXLSDrawingObjectList<TXLSDrawingWordArt>;
class TXLSDrawingTextBoxes : public TXLSDrawingObjectList<TXLSDrawingTextBox> {
 public:
  using TXLSDrawingObjectList::TXLSDrawingObjectList;
  TXLSDrawingTextBox* Add(xpgdml::xdr::TCT_TwoCellAnchor* anchor) {
    TXLSDrawingTextBox* t = TXLSDrawingObjectList::Add();
    t->AssignAnchor(anchor);
    return t;
  }
};

// A chart placed by a two-cell anchor: the chart space of the chart document its graphic frame
// loaded (nullptr when the part's document element was c:chart). The document stays the frame's.
class TXLSDrawingChart : public TXLSDrwTwoPosShape {
 public:
  TXLSDrawingChart(TXLSDrawing* owner, xpgchart::TXPGDocXLSXChart* chart);
  xpgchart::TCT_ChartSpace* ChartSpace() const { return FChartSpace; }

 private:
  xpgchart::TCT_ChartSpace* FChartSpace;
};

// The drawing's charts in the order they were added (the order of the two-cell anchors).
class TXLSDrawingCharts : public TXLSDrawingObject {
 public:
  TXLSDrawingCharts(TXLSErrorManager* errors, TXLSDrawing* owner) : TXLSDrawingObject(owner), FErrors(errors) {}
  // A chart object over a loaded chart document, appended.
  TXLSDrawingChart* _FileAdd(xpgchart::TXPGDocXLSXChart* chart);
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  TXLSDrawingChart* Items(int32_t index) const { return FItems.at(static_cast<size_t>(index)).get(); }
  TXLSErrorManager* Errors() const { return FErrors; }

 private:
  TXLSErrorManager* FErrors;
  std::vector<std::unique_ptr<TXLSDrawingChart>> FItems;
};

class TXLSDrawing : public TXLSDrawingLayer {
 public:
  TXLSDrawing(TXc12Manager* manager, xpgdml::xdr::TCT_Drawing* drw, TXLSErrorManager* errors);
  void SetProps(TXLSColumns* cols, TXLSRows* rows);
  // Sorts the anchors into the lists (once, on a fresh drawing).
  void AfterRead() override;
  // Stores the legacy picture's bytes as an image and places it by a new two-cell anchor; nullptr
  // (and nothing changed) when the image store refuses the bytes.
  TXLSDrawingImage* InsertImage97(std::u16string_view imageName, std::span<const uint8_t> image,
                                  const TXLSAnchor97& anchor) override;
  // Deleting cells moves no drawing object.
  void Delete(int32_t col1, int32_t row1, int32_t col2, int32_t row2) { (void)col1, (void)row1, (void)col2, (void)row2; }

  xpgdml::xdr::TCT_Drawing* Xc12Drw() const { return FDrw; }
  int32_t MaxShapeId() const { return FMaxShapeId; }
  TXLSDrawingImages& Images() { return FImages; }
  TXLSDrawingShapes& Shapes() { return FShapes; }
  TXLSDrawingWordArts& WordArts() { return FWordArts; }
  TXLSDrawingTextBoxes& TextBoxes() { return FTextBoxes; }
  TXLSDrawingCharts& Charts() { return FCharts; }
  TXLSLegacyTexts* BIFFDrawing() const { return FBIFFDrawing; }
  void SetBIFFDrawing(TXLSLegacyTexts* v) override { FBIFFDrawing = v; }

  // Pixel sizes of cells and the pixels per inch, as the objects and editors use them.
  int32_t ColPixels(int32_t col) const;
  int32_t RowPixels(int32_t row) const;
  int PpiX() const;
  int PpiY() const;

 private:
  void NoteShapeId(const xpgdml::xdr::TEG_ObjectChoices* objects);

  int32_t FMaxShapeId = 1000;
  TXc12Manager* FManager;
  xpgdml::xdr::TCT_Drawing* FDrw;
  TXc12GraphicManager* FGrManager;
  TXLSErrorManager* FErrors;
  TXLSColumns* FColumns = nullptr;
  TXLSRows* FRows = nullptr;
  TXLSDrawingImages FImages{this};
  TXLSDrawingShapes FShapes{this};
  TXLSDrawingWordArts FWordArts{this};
  TXLSDrawingTextBoxes FTextBoxes{this};
  TXLSDrawingCharts FCharts{FErrors, this};
  TXLSLegacyTexts* FBIFFDrawing = nullptr;
};

// A picture's size over the cells it spans, in centimetres (and inches); setting a size moves the
// anchor's to cell. The walk over rows and columns stops at the sheet's last one.
class TXLSDrawingEditorImage {
 public:
  TXLSDrawingEditorImage(TXLSDrawing* owner, TXLSDrawingImage* image);
  int32_t OriginalWidth() const;
  int32_t OriginalHeight() const;
  double CmWidth() const { return FCmWidth; }
  double CmHeight() const { return FCmHeight; }
  void SetCmWidth(double v);
  void SetCmHeight(double v);
  double InchWidth() const { return FCmWidth / 2.54; }
  double InchHeight() const { return FCmHeight / 2.54; }
  void SetInchWidth(double v) { SetCmWidth(v * 2.54); }
  void SetInchHeight(double v) { SetCmHeight(v * 2.54); }
  bool KeepAspect() const { return FKeepAspect; }
  void SetKeepAspect(bool v) { FKeepAspect = v; }
  int32_t PixelWidth() const { return FPixelWidth; }
  int32_t PixelHeight() const { return FPixelHeight; }

 private:
  void Measure();
  void Scale(double f, bool columns);
  TXLSDrawing* FOwner;
  TXLSDrawingImage* FImage;
  xpgdml::TCT_Blip* FBlip = nullptr;
  int32_t FPixelWidth = 0, FPixelHeight = 0;
  double FCmWidth = 0, FCmHeight = 0;
  bool FKeepAspect = true;
};

// Registers the sheet drawing document and the sheet's drawing layer with the model.
void RegisterDrawings();

}  // namespace xls
