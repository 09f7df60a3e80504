// The drawing-object lists of a legacy sheet: `TDrawingObjects` holds, over the sheet's drawing
// (`TEscherDrawing`), the lists of its text boxes, notes, basic shapes, auto shapes and pictures.
// Each item stands for one shape of the drawing and gives typed access to its anchor, properties
// and object; the drawing owns the shapes, the items only point at them.
//
// While a file is read the sheet hands each text box, note and picture shape to `AddFromFile` of
// its list; after the load the workbook component brings pictures and notes into the model
// through these lists. Adding an item otherwise makes a new shape in the drawing; clearing a list
// deletes its items' shapes from the drawing.
//
// Format facts (MS-ODRAW 2.3): shape properties used here are 0x0004 rotation (16.16 degrees),
// 0x0080 text id, 0x0081-0x0084 text margins (EMU), 0x0104 picture reference, 0x0105 picture name,
// 0x0181 fill colour, 0x01C0 line colour, 0x01D1 line end (arrow), 0x0380 shape name. The cell
// anchor's column offsets count 1/1024 of the column's width, its row offsets 1/256 of the row's
// height; anchor option bit 1 set: the shape does not move with its cells.
//
// Design choice: a text box stored without a text object (no TXO) reads "" as its text and gets a
// text object when a text is set, so every item of `Texts` can be read and written.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xls/model/xlsdrawinglists.h"

namespace xls {
class TXc12Fonts;
}

namespace xls::biff {

class TEscherDrawing;
class TShapeClientAnchor;
class TShapeOutsideMsoBaseText;
class TShapeOutsideMsoNote;
class TFormulaHandler;
class TDrawingObjects;
class TDrwCollection;
class TAnchorList;
class TSheet;
class TShape;

// One item of a drawing-object list: the shape it stands for and its anchor.
class TDrwAnchor {
 public:
  virtual ~TDrwAnchor() = default;
  TDrwAnchor(const TDrwAnchor&) = delete;
  TDrwAnchor& operator=(const TDrwAnchor&) = delete;

  virtual void SetShape(TShapeClientAnchor* shape) { FShape = shape; }
  TShapeClientAnchor* Shape() const { return FShape; }
  // The item's own name ("Text 0", "Picture 3", ...): the list's prefix and the collection id.
  std::u16string DisplayName() const;
  // The collection id: 0 for the first item ever added to the list, then counting up.
  int32_t Id() const { return FId; }

  // The anchor's corner cells; the offsets as fractions of the column's width (1/1024) and the
  // row's height (1/256). Setting an offset clamps it to 0..1 (not a number counts as 1) and
  // rounds half to even. An item without a shape reads 0 and ignores settings.
  int32_t Col1() const;
  int32_t Row1() const;
  int32_t Col2() const;
  int32_t Row2() const;
  void SetCol1(int32_t v);
  void SetRow1(int32_t v);
  void SetCol2(int32_t v);
  void SetRow2(int32_t v);
  double Col1Offset() const;
  double Row1Offset() const;
  double Col2Offset() const;
  double Row2Offset() const;
  void SetCol1Offset(double v);
  void SetRow1Offset(double v);
  void SetCol2Offset(double v);
  void SetRow2Offset(double v);
  bool FlipHorizontal() const;
  bool FlipVertical() const;
  void SetFlipHorizontal(bool v);
  void SetFlipVertical(bool v);
  uint32_t SpId() const;

 protected:
  TDrwAnchor() = default;
  friend class TAnchorList;

  std::u16string_view FPrefix;  // a literal of the list
  bool FFileAdd = false;
  TShapeClientAnchor* FShape = nullptr;
  int32_t FId = 0;
};

// An item with colours, rotation, placement and a macro.
class TDrwCustom : public TDrwAnchor {
 public:
  // Reading gives an empty string.
  std::u16string MacroName() const { return {}; }
  // Adds the internal name `name` as a procedure (with the workbook's reference to itself) and
  // links the shape's OBJ data to it.
  virtual void SetMacroName(std::u16string_view name);
  // Degrees from property 0x0004; 0 when absent. Raises "Rotation must be between -180 and 180".
  double Rotation() const;
  void SetRotation(double value);
  // Properties 0x01C0 and 0x0181: -1 when absent; setting changes an existing property only.
  int64_t LineColor() const;
  void SetLineColor(uint32_t v);
  int64_t FillColor() const;
  void SetFillColor(uint32_t v);
  bool MoveWithCells() const;
  void SetMoveWithCells(bool v);

 protected:
  explicit TDrwCustom(TDrwCollection& owner) : FOwner(&owner) {}
  TDrwCollection* FOwner;
};

// An item with text: a text box or a note.
class TCustomDrwText : public TDrwCustom {
 public:
  // Property 0x0380 when the shape has it, else the item's own name.
  std::u16string Name() const;
  void SetName(std::u16string_view value);
  // The text of the shape's object; "" when it has none. A text of more than 32767 characters
  // keeps its first 32767; a shape without a text object gets one.
  std::u16string Text() const;
  void SetText(std::u16string_view value);
  // Margins in centimetres (properties 0x0081-0x0084 in EMU; absent reads as -1 EMU); setting
  // changes an existing property only.
  double MarginLeft() const { return Margin(0x0081); }
  double MarginTop() const { return Margin(0x0082); }
  double MarginRight() const { return Margin(0x0083); }
  double MarginBottom() const { return Margin(0x0084); }
  void SetMarginLeft(double v) { SetMargin(0x0081, v); }
  void SetMarginTop(double v) { SetMargin(0x0082, v); }
  void SetMarginRight(double v) { SetMargin(0x0083, v); }
  void SetMarginBottom(double v) { SetMargin(0x0084, v); }

 protected:
  using TDrwCustom::TDrwCustom;
  TShapeOutsideMsoBaseText* TextObject() const;
  double Margin(uint16_t id) const;
  void SetMargin(uint16_t id, double v);
  std::u16string FTextName;
};

class TDrwText : public TCustomDrwText {
 public:
  explicit TDrwText(TDrwCollection& owner) : TCustomDrwText(owner) {}
};

class TDrwNote : public TCustomDrwText {
 public:
  explicit TDrwNote(TDrwCollection& owner) : TCustomDrwText(owner) {}
  // Raises "Notes can not have macros assigned".
  void SetMacroName(std::u16string_view name) override;
  int32_t CellCol() const;
  int32_t CellRow() const;
  void SetCellCol(int32_t v);
  void SetCellRow(int32_t v);
  std::u16string Author() const;
  void SetAuthor(std::u16string_view v);
  // Bit 1 of the note's options.
  bool AlwaysVisible() const;
  void SetAlwaysVisible(bool v);

 private:
  TShapeOutsideMsoNote* Note() const;
};

enum class TBasicShapeType : uint8_t { bstLine, bstArrow, bstEllipse, bstRectangle };

class TDrwBasic : public TDrwCustom {
 public:
  explicit TDrwBasic(TDrwCollection& owner) : TDrwCustom(owner) {}
  TBasicShapeType ShapeType() const;
  // Sets the shape type and rebuilds the shape's properties for it.
  void SetShapeType(TBasicShapeType value);
};

enum class TAutoShapeType : uint8_t {
  astSun,
  astMoon,
  astLeftArrow,
  astDownArrow,
  astUpArrow,
  astLeftRightArrow,
  astUpDownArrow,
  astQuadArrow,
  astLeftArrowCallout,
  astRightArrowCallout,
  astUpArrowCallout,
  astDownArrowCallout,
  astLeftRightArrowCallout,
  astUpDownArrowCallout,
  astQuadArrowCallout
};

class TDrwAutoShape : public TDrwCustom {
 public:
  explicit TDrwAutoShape(TDrwCollection& owner) : TDrwCustom(owner) {}
  TAutoShapeType ShapeType() const;
  void SetShapeType(TAutoShapeType value);
};

class TDrwPicture : public TDrwCustom {
 public:
  explicit TDrwPicture(TDrwCollection& owner) : TDrwCustom(owner) {}
  // Property 0x0104: after a load the 1-based position of the picture in the store; -1 absent.
  int64_t PictureId() const;
  // Raises "Picture Id out of range." outside 0..the picture count (when the store holds any).
  void SetPictureId(int32_t value);
  std::u16string PictureName() const;
  // Raises "Can not find picture: " + name when the store has no picture of that name.
  void SetPictureName(std::u16string_view name);
};

// The items of one list over the sheet's drawing (drawing objects or controls), each with the
// collection id the list gave it (from 0, never reused) and a name made of a prefix and that id.
class TAnchorList {
 public:
  virtual ~TAnchorList();
  TAnchorList(const TAnchorList&) = delete;
  TAnchorList& operator=(const TAnchorList&) = delete;

  // A new item with a new shape in the drawing.
  virtual TDrwAnchor& Add() = 0;
  // An item for a shape the drawing already holds (no shape is made).
  TDrwAnchor& AddFromFile(TShapeClientAnchor* shape);
  size_t Count() const { return FItems.size(); }
  TDrwAnchor& Items(size_t index) const { return *FItems.at(index); }
  // Deletes the item's shape from the drawing, then the item (std::out_of_range outside the list).
  void Delete(size_t index);
  // Deletes the first item whose collection id is `id`, with its shape; nothing when none has it.
  void DeleteById(int32_t id);
  // Deletes every item's shape from the drawing, then the items.
  void Clear();
  // Forgets the items without touching the drawing (its shapes went with it).
  void Release() { FItems.clear(); }
  TEscherDrawing* Drawing() const { return FDrawing; }

 protected:
  explicit TAnchorList(TEscherDrawing* drawing) : FDrawing(drawing) {}
  // Appends `item` with the next collection id, named `prefix` (a literal, kept by the item) and the
  // id, on `shape` when given.
  TDrwAnchor& Append(std::unique_ptr<TDrwAnchor> item, std::u16string_view prefix, TShapeClientAnchor* shape);

  TEscherDrawing* FDrawing;
  bool FFileAdd = false;  // an item for a shape of the file is being added

 private:
  int32_t FNextId = 0;
  std::vector<std::unique_ptr<TDrwAnchor>> FItems;
};

// A list of drawing-object items over the sheet's drawing.
class TDrwCollection : public TAnchorList {
 public:
  enum class TKind : uint8_t { Text, Note, Basic, AutoShape, Picture };
  TDrwCollection(TDrawingObjects* owner, TEscherDrawing* drawing, TKind kind, xls::TXc12Fonts* fonts = nullptr)
      : TAnchorList(drawing), FOwner(owner), FKind(kind), FFonts(fonts) {}

  TDrwAnchor& Add() override;
  TDrawingObjects* Owner() const { return FOwner; }
  xls::TXc12Fonts* Fonts() const { return FFonts; }

 private:
  TDrawingObjects* FOwner;
  TKind FKind;
  xls::TXc12Fonts* FFonts;
};

template <class TItem>
class TDrwList : public TDrwCollection {
 public:
  using TDrwCollection::TDrwCollection;
  TItem& Add() { return static_cast<TItem&>(TDrwCollection::Add()); }
  TItem& AddFromFile(TShapeClientAnchor* shape) { return static_cast<TItem&>(TDrwCollection::AddFromFile(shape)); }
  TItem& Items(size_t index) const { return static_cast<TItem&>(TDrwCollection::Items(index)); }
};

using TDrwTexts = TDrwList<TDrwText>;
using TDrwNotes = TDrwList<TDrwNote>;
using TDrwBasics = TDrwList<TDrwBasic>;
using TDrwAutoShapes = TDrwList<TDrwAutoShape>;
using TDrwPictures = TDrwList<TDrwPicture>;

// The five lists of one legacy sheet. As the model's legacy texts, text object `index` is the
// item of that position in the text-box list: outside the list it reads "" and takes no text.
class TDrawingObjects : public xls::TXLSLegacyTexts {
 public:
  TDrawingObjects(TSheet* owner, xls::TXc12Fonts* fonts, TFormulaHandler* formulaHandler, TEscherDrawing* drawing);
  ~TDrawingObjects() override;
  std::u16string Text(int32_t index) const override;
  void SetText(int32_t index, std::u16string_view text) override;
  // Clears the five lists (their shapes are deleted from the drawing).
  void Clear();
  // Forgets the items of the five lists, leaving the drawing alone (it was cleared itself).
  void Release();

  TDrwTexts& Texts() { return FTexts; }
  TDrwNotes& Notes() { return FNotes; }
  TDrwBasics& Basics() { return FBasics; }
  TDrwAutoShapes& AutoShapes() { return FAutoShapes; }
  TDrwPictures& Pictures() { return FPictures; }
  const TDrwTexts& Texts() const { return FTexts; }
  const TDrwNotes& Notes() const { return FNotes; }
  const TDrwPictures& Pictures() const { return FPictures; }
  TEscherDrawing* Drawing() const { return FDrawing; }
  TFormulaHandler* FormulaHandler() const { return FFormulaHandler; }
  TSheet* Owner() const { return FOwner; }
  // Sorts a shape read from the file into its list: pictures (type 75), notes and text boxes (type
  // 202, by their object); only shapes anchored to cells. Other shapes are left alone.
  void AddFromFile(TShape& shape);

 private:
  TSheet* FOwner;
  TEscherDrawing* FDrawing;
  TFormulaHandler* FFormulaHandler;
  TDrwTexts FTexts;
  TDrwNotes FNotes;
  TDrwBasics FBasics;
  TDrwAutoShapes FAutoShapes;
  TDrwPictures FPictures;
};

}  // namespace xls::biff
