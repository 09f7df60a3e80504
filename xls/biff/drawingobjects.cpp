#include "xls/biff/drawingobjects.h"

#include <algorithm>
#include <cmath>

#include "xls/biff/biffformulahandler.h"
#include "xls/biff/escherdrawing.h"
#include "xls/biff/shapeobjects.h"
#include "xls/model/xlserrors.h"

namespace xls::biff {

namespace {

// Shape properties.
constexpr uint16_t PROP_ROTATION = 0x0004;
constexpr uint16_t PROP_PICTURE = 0x0104;
constexpr uint16_t PROP_PICTURE_NAME = 0x0105;
constexpr uint16_t PROP_FILL_COLOR = 0x0181;
constexpr uint16_t PROP_LINE_COLOR = 0x01C0;
constexpr uint16_t PROP_LINE_END = 0x01D1;
constexpr uint16_t PROP_SHAPE_NAME = 0x0380;

constexpr size_t MAX_TEXT = 32767;
constexpr double EMU_PER_CM = 360000.0;

// A fraction of a cell in 1/`scale`: clamped to 0..1 (not a number counts as 1), rounded half to even.
uint32_t CellFraction(double v, double scale) {
  if (std::isnan(v) || v > 1) v = 1;
  if (v < 0) v = 0;
  return uint32_t(std::nearbyint(v * scale));
}

// The value of a property as a signed 32-bit number; `absent` when the shape has none.
int64_t SignedProp(const TShape* shape, uint16_t id, int64_t absent) {
  if (!shape) return absent;
  const int i = shape->FOPT.Find(id);
  return i < 0 ? absent : int64_t(int32_t(shape->FOPT.GetValue(size_t(i))));
}

void SetExistingProp(TShape* shape, uint16_t id, uint32_t v) {
  if (!shape) return;
  const int i = shape->FOPT.Find(id);
  if (i >= 0) shape->FOPT.SetValue(size_t(i), v);
}

std::u16string FileNamePart(const std::u16string& name) {
  const size_t slash = name.find_last_of(u"\\/");
  return slash == std::u16string::npos ? name : name.substr(slash + 1);
}

bool SameText(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) {
           auto up = [](char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; };
           return up(x) == up(y);
         });
}

}  // namespace

// --- anchors -------------------------------------------------------------------------------------

#define KWS_ANCHOR_FIELD(Name, Field)                                   \
  int32_t TDrwAnchor::Name() const { return FShape ? int32_t(FShape->FAnchor.Field) : 0; } \
  void TDrwAnchor::Set##Name(int32_t v) {                               \
    if (FShape) FShape->FAnchor.Field = uint32_t(v);                    \
  }
KWS_ANCHOR_FIELD(Col1, FCol1)
KWS_ANCHOR_FIELD(Row1, FRow1)
KWS_ANCHOR_FIELD(Col2, FCol2)
KWS_ANCHOR_FIELD(Row2, FRow2)
#undef KWS_ANCHOR_FIELD

#define KWS_ANCHOR_OFFSET(Name, Field, Scale)                                          \
  double TDrwAnchor::Name() const { return FShape ? FShape->FAnchor.Field / Scale : 0; } \
  void TDrwAnchor::Set##Name(double v) {                                               \
    if (FShape) FShape->FAnchor.Field = CellFraction(v, Scale);                        \
  }
KWS_ANCHOR_OFFSET(Col1Offset, FCol1Offset, 1024.0)
KWS_ANCHOR_OFFSET(Col2Offset, FCol2Offset, 1024.0)
KWS_ANCHOR_OFFSET(Row1Offset, FRow1Offset, 256.0)
KWS_ANCHOR_OFFSET(Row2Offset, FRow2Offset, 256.0)
#undef KWS_ANCHOR_OFFSET

bool TDrwAnchor::FlipHorizontal() const { return FShape && FShape->FlipHorizontal(); }
bool TDrwAnchor::FlipVertical() const { return FShape && FShape->FlipVertical(); }
void TDrwAnchor::SetFlipHorizontal(bool v) {
  if (FShape) FShape->SetFlipHorizontal(v);
}
void TDrwAnchor::SetFlipVertical(bool v) {
  if (FShape) FShape->SetFlipVertical(v);
}
uint32_t TDrwAnchor::SpId() const { return FShape ? FShape->FSpId : 0; }

// --- custom items ------------------------------------------------------------------------------

void TDrwCustom::SetMacroName(std::u16string_view name) {
  if (!FShape) return;
  TFormulaHandler* handler = FOwner->Owner() ? FOwner->Owner()->FormulaHandler() : nullptr;
  if (!handler) throw XLSRWException("No formula handler for macro names");
  TInternalNames& names = handler->InternalNames();
  TInternalName& added = names.Add();
  added.SetName(name);
  added.SetOption(TNameOption::noVBProcedure, true);
  handler->ExternalNames().AddSelf(0xFFFE, 1);
  // ftMacro: 7 token bytes, 4 reserved, PtgNameX with sheet 0 and the new name's position from 1.
  std::vector<uint8_t> macro(14, 0);
  macro[0] = 7;
  macro[6] = 0x39;
  const auto position = uint16_t(names.Count());
  macro[9] = uint8_t(position);
  macro[10] = uint8_t(position >> 8);
  TBaseRecordStorage& obj = FShape->FOBJ;
  const int existing = obj.FindRecord(ftMacro);
  if (existing >= 0) {
    obj.UpdateRec(size_t(existing), macro);
  } else {
    auto rec = std::make_unique<TRecordData>();
    rec->RecId = ftMacro;
    rec->Length = uint16_t(macro.size());
    rec->Data = macro;
    if (obj.Count() > 0 && obj.Items(obj.Count() - 1) && obj.Items(obj.Count() - 1)->RecId == ftEnd)
      obj.SetItems(obj.Count() - 1, std::move(rec));
    else
      obj.AddRec(uint32_t(ftMacro) | uint32_t(macro.size()) << 16, macro);
    obj.AddRec(ftEnd, {});
  }
  FShape->MakeMacro();
}

double TDrwCustom::Rotation() const { return double(SignedProp(FShape, PROP_ROTATION, 0)) / 65536.0; }

void TDrwCustom::SetRotation(double value) {
  if (std::isnan(value) || value < -180 || value > 180)
    throw XLSRWException("Rotation must be between -180 and 180");
  if (!FShape) return;
  const auto stored = uint32_t(int32_t(std::nearbyint(value * 65536.0)));
  const int i = FShape->FOPT.Find(PROP_ROTATION);
  if (i >= 0) {
    FShape->FOPT.SetValue(size_t(i), stored);
  } else {
    FShape->FOPT.AddValue(PROP_ROTATION, stored);
    FShape->FOPT.SetItemCount();
  }
}

int64_t TDrwCustom::LineColor() const {
  return FShape ? FShape->FOPT.FindValue(PROP_LINE_COLOR) : -1;
}
void TDrwCustom::SetLineColor(uint32_t v) { SetExistingProp(FShape, PROP_LINE_COLOR, v); }
int64_t TDrwCustom::FillColor() const {
  return FShape ? FShape->FOPT.FindValue(PROP_FILL_COLOR) : -1;
}
void TDrwCustom::SetFillColor(uint32_t v) { SetExistingProp(FShape, PROP_FILL_COLOR, v); }

bool TDrwCustom::MoveWithCells() const { return FShape && (FShape->FAnchor.FOptions & 0x0002) == 0; }

void TDrwCustom::SetMoveWithCells(bool v) {
  if (!FShape) return;
  FShape->FAnchor.FOptions = v ? FShape->FAnchor.FOptions & ~uint32_t(0x0002) : FShape->FAnchor.FOptions | 0x0002;
}

// --- text items ----------------------------------------------------------------------------------

TShapeOutsideMsoBaseText* TCustomDrwText::TextObject() const {
  return FShape ? dynamic_cast<TShapeOutsideMsoBaseText*>(FShape->FInterface.get()) : nullptr;
}

std::u16string TCustomDrwText::Name() const {
  if (FShape && FShape->FOPT.Find(PROP_SHAPE_NAME) >= 0) return FShape->FOPT.FindString(PROP_SHAPE_NAME);
  return FTextName.empty() ? DisplayName() : FTextName;
}

void TCustomDrwText::SetName(std::u16string_view value) {
  if (FShape && FShape->FOPT.Find(PROP_SHAPE_NAME) >= 0) FShape->FOPT.UpdateString(PROP_SHAPE_NAME, value);
  FTextName = value;
}

std::u16string TCustomDrwText::Text() const {
  const TShapeOutsideMsoBaseText* text = TextObject();
  return text ? text->Text() : std::u16string();
}

void TCustomDrwText::SetText(std::u16string_view value) {
  if (!FShape) return;
  TShapeOutsideMsoBaseText* text = TextObject();
  if (!text) {
    // A text box read without a text object gets one.
    auto made = std::make_unique<TShapeOutsideMsoBaseText>(TMSOShapeType::mstTextBox);
    made->SetDefaultTxo();
    text = made.get();
    FShape->FInterface = std::move(made);
  }
  text->SetText(value.substr(0, std::min(value.size(), MAX_TEXT)));
}

double TCustomDrwText::Margin(uint16_t id) const { return double(SignedProp(FShape, id, -1)) / EMU_PER_CM; }

void TCustomDrwText::SetMargin(uint16_t id, double v) {
  SetExistingProp(FShape, id, uint32_t(int32_t(std::nearbyint(v * EMU_PER_CM))));
}

// --- notes ---------------------------------------------------------------------------------------

TShapeOutsideMsoNote* TDrwNote::Note() const {
  return FShape ? dynamic_cast<TShapeOutsideMsoNote*>(FShape->FInterface.get()) : nullptr;
}

void TDrwNote::SetMacroName(std::u16string_view) { throw XLSRWException("Notes can not have macros assigned"); }

int32_t TDrwNote::CellCol() const { return Note() ? Note()->FCellCol : 0; }
int32_t TDrwNote::CellRow() const { return Note() ? Note()->FCellRow : 0; }
void TDrwNote::SetCellCol(int32_t v) {
  if (Note()) Note()->FCellCol = v;
}
void TDrwNote::SetCellRow(int32_t v) {
  if (Note()) Note()->FCellRow = v;
}
std::u16string TDrwNote::Author() const { return Note() ? Note()->FAuthor : std::u16string(); }
void TDrwNote::SetAuthor(std::u16string_view v) {
  if (Note()) Note()->FAuthor = v;
}
bool TDrwNote::AlwaysVisible() const { return Note() && (Note()->FNoteOptions & 0x0002); }
void TDrwNote::SetAlwaysVisible(bool v) {
  if (TShapeOutsideMsoNote* note = Note())
    note->FNoteOptions = v ? note->FNoteOptions | 0x0002 : note->FNoteOptions & ~0x0002;
}

// --- shapes --------------------------------------------------------------------------------------

TBasicShapeType TDrwBasic::ShapeType() const {
  if (!FShape) return TBasicShapeType::bstLine;
  switch (FShape->FShapeType) {
    case 1: return TBasicShapeType::bstRectangle;
    case 3: return TBasicShapeType::bstEllipse;
    case 20: return FShape->FOPT.FindValue(PROP_LINE_END) == 1 ? TBasicShapeType::bstArrow : TBasicShapeType::bstLine;
    default: return TBasicShapeType::bstLine;
  }
}

void TDrwBasic::SetShapeType(TBasicShapeType value) {
  if (!FShape) return;
  const int32_t type = value == TBasicShapeType::bstEllipse     ? 3
                       : value == TBasicShapeType::bstRectangle ? 1
                                                                : 20;
  FShape->SetShapeType(type);
  TOPT& opt = FShape->FOPT;
  opt.Clear();
  if (type != 20) {
    opt.AddValue(0x00BF, 0x00080008);
    opt.AddValue(0x0181, 0x0800000D);
    opt.AddValue(0x01BF, 0x00100010);
    opt.AddValue(0x01C0, 0x08000040);
  } else {
    opt.AddValue(0x00BF, 0x00080008);
    opt.AddValue(0x0144, 4);
    opt.AddValue(0x017F, 0x00010000);
    opt.AddValue(0x01BF, 0x00100000);
    opt.AddValue(0x01C0, 0x08000040);
    opt.AddValue(PROP_LINE_END, value == TBasicShapeType::bstArrow ? 1 : 0);
    opt.AddValue(0x01FF, 0x00100010);
  }
  opt.SetItemCount();
}

TAutoShapeType TDrwAutoShape::ShapeType() const {
  const int32_t t = FShape ? FShape->FShapeType : 0;
  if (t == 184) return TAutoShapeType::astMoon;
  if (t >= 66 && t <= 70) return TAutoShapeType(int(TAutoShapeType::astLeftArrow) + (t - 66));
  if (t >= 76 && t <= 83) return TAutoShapeType(int(TAutoShapeType::astQuadArrow) + (t - 76));
  return TAutoShapeType::astSun;
}

void TDrwAutoShape::SetShapeType(TAutoShapeType value) {
  if (!FShape) return;
  const int v = int(value);
  int32_t type = 183;
  if (value == TAutoShapeType::astMoon)
    type = 184;
  else if (v >= int(TAutoShapeType::astLeftArrow) && v <= int(TAutoShapeType::astUpDownArrow))
    type = 66 + (v - int(TAutoShapeType::astLeftArrow));
  else if (v >= int(TAutoShapeType::astQuadArrow))
    type = 76 + (v - int(TAutoShapeType::astQuadArrow));
  FShape->SetShapeType(type);
}

// --- pictures ------------------------------------------------------------------------------------

int64_t TDrwPicture::PictureId() const { return FShape ? FShape->FOPT.FindValue(PROP_PICTURE) : -1; }

std::u16string TDrwPicture::PictureName() const {
  return FShape ? FShape->FOPT.FindString(PROP_PICTURE_NAME) : std::u16string();
}

void TDrwPicture::SetPictureId(int32_t value) {
  if (!FShape) return;
  const TEscherGroup* store = FOwner->Drawing() ? FOwner->Drawing()->EscherGroup() : nullptr;
  if (store && store->Count() > 0) {
    if (value < 0 || size_t(value) > store->Count()) throw XLSRWException("Picture Id out of range.");
    const std::u16string name = value == 0 ? std::u16string() : FileNamePart(store->GetMSOPicture(size_t(value - 1))->Filename());
    if (FShape->FOPT.Find(PROP_PICTURE_NAME) >= 0) FShape->FOPT.UpdateString(PROP_PICTURE_NAME, name);
  }
  if (FShape->FOPT.Find(PROP_PICTURE) >= 0) FShape->FOPT.UpdateValue(PROP_PICTURE, uint32_t(value));
}

void TDrwPicture::SetPictureName(std::u16string_view name) {
  const TEscherGroup* store = FOwner->Drawing() ? FOwner->Drawing()->EscherGroup() : nullptr;
  for (size_t i = 0; store && i < store->Count(); ++i) {
    const TMSOPicture* p = store->GetMSOPicture(i);
    if (SameText(p->Filename(), name)) {
      SetPictureId(p->FileBlipId());
      return;
    }
  }
  throw XLSRWException(u"Can not find picture: " + std::u16string(name));
}

// --- lists ---------------------------------------------------------------------------------------

TAnchorList::~TAnchorList() = default;

std::u16string TDrwAnchor::DisplayName() const {
  std::u16string name(FPrefix);
  for (char c : std::to_string(FId)) name.push_back(char16_t(c));
  return name;
}

TDrwAnchor& TAnchorList::Append(std::unique_ptr<TDrwAnchor> item, std::u16string_view prefix, TShapeClientAnchor* shape) {
  item->FFileAdd = FFileAdd;
  item->FId = FNextId++;
  item->FPrefix = prefix;
  if (shape) item->SetShape(shape);
  FItems.push_back(std::move(item));
  return *FItems.back();
}

TDrwAnchor& TAnchorList::AddFromFile(TShapeClientAnchor* shape) {
  FFileAdd = true;
  TDrwAnchor* item = nullptr;
  try {
    item = &Add();
  } catch (...) {
    FFileAdd = false;
    throw;
  }
  FFileAdd = false;
  item->SetShape(shape);
  return *item;
}

void TAnchorList::Delete(size_t index) {
  TDrwAnchor& item = *FItems.at(index);
  if (item.Shape() && FDrawing) FDrawing->DeleteShape(item.SpId());
  FItems.erase(FItems.begin() + std::ptrdiff_t(index));
}

void TAnchorList::DeleteById(int32_t id) {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i]->Id() == id) {
      Delete(i);
      return;
    }
}

void TAnchorList::Clear() {
  for (const auto& item : FItems)
    if (item->Shape() && FDrawing) FDrawing->DeleteShape(item->SpId());
  FItems.clear();
}

TDrwAnchor& TDrwCollection::Add() {
  const bool make = !FFileAdd && FDrawing;
  switch (FKind) {
    case TKind::Text:
      return Append(std::make_unique<TDrwText>(*this), u"Text ", make ? FDrawing->AddTextBox() : nullptr);
    case TKind::Note:
      return Append(std::make_unique<TDrwNote>(*this), u"Note ", make ? FDrawing->AddNote() : nullptr);
    case TKind::Basic:
      return Append(std::make_unique<TDrwBasic>(*this), u"Basic ", make ? FDrawing->AddBasic() : nullptr);
    case TKind::AutoShape:
      return Append(std::make_unique<TDrwAutoShape>(*this), u"AutoShape ", make ? FDrawing->AddAutoShape() : nullptr);
    case TKind::Picture:
      break;
  }
  auto& picture = static_cast<TDrwPicture&>(
      Append(std::make_unique<TDrwPicture>(*this), u"Picture ", make ? FDrawing->AddPicture() : nullptr));
  if (make) picture.SetMoveWithCells(false);
  return picture;
}

TDrawingObjects::TDrawingObjects(TSheet* owner, xls::TXc12Fonts* fonts, TFormulaHandler* formulaHandler,
                                 TEscherDrawing* drawing)
    : FOwner(owner),
      FDrawing(drawing),
      FFormulaHandler(formulaHandler),
      FTexts(this, drawing, TDrwCollection::TKind::Text, fonts),
      FNotes(this, drawing, TDrwCollection::TKind::Note, fonts),
      FBasics(this, drawing, TDrwCollection::TKind::Basic),
      FAutoShapes(this, drawing, TDrwCollection::TKind::AutoShape),
      FPictures(this, drawing, TDrwCollection::TKind::Picture) {}

TDrawingObjects::~TDrawingObjects() = default;

void TDrawingObjects::Clear() {
  FTexts.Clear();
  FNotes.Clear();
  FBasics.Clear();
  FAutoShapes.Clear();
  FPictures.Clear();
}

void TDrawingObjects::Release() {
  FTexts.Release();
  FNotes.Release();
  FBasics.Release();
  FAutoShapes.Release();
  FPictures.Release();
}

std::u16string TDrawingObjects::Text(int32_t index) const {
  return index >= 0 && size_t(index) < FTexts.Count() ? FTexts.Items(size_t(index)).Text() : std::u16string();
}

void TDrawingObjects::SetText(int32_t index, std::u16string_view text) {
  if (index >= 0 && size_t(index) < FTexts.Count()) FTexts.Items(size_t(index)).SetText(text);
}

void TDrawingObjects::AddFromFile(TShape& shape) {
  auto* anchored = dynamic_cast<TShapeClientAnchor*>(&shape);
  if (!anchored) return;
  if (shape.FShapeType == 75) {
    FPictures.AddFromFile(anchored);
  } else if (shape.FShapeType == 202) {
    if (dynamic_cast<TShapeOutsideMsoNote*>(shape.FInterface.get()))
      FNotes.AddFromFile(anchored);
    else
      FTexts.AddFromFile(anchored);
  }
}

}  // namespace xls::biff
