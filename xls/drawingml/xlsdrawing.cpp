// The worksheet's drawing layer over its drawing part's element tree.
#include "xls/drawingml/xlsdrawing.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "xls/drawingml/xlsdrawingprops.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlscellarea.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsrowscols.h"
#include "xls/model/xlsstylesheet.h"
#include "xls/model/xlsworksheetdata.h"
#include "platform/textcodec.h"

namespace xls {

using namespace xpgdml;
using namespace xpgdml::xdr;

namespace {

constexpr int64_t kEmuPerInch = 914400;
constexpr int64_t kMaxOffset = 2147483647;

// A double rounded to an integer, halves to the even neighbour, held to 0..kMaxOffset.
uint32_t RoundOffset(double v) {
  if (!(v > 0)) return 0;
  if (v >= double(kMaxOffset)) return uint32_t(kMaxOffset);
  return static_cast<uint32_t>(std::nearbyint(v));
}

uint32_t CellIndex(int32_t v, int32_t hi) { return static_cast<uint32_t>(std::clamp(v, 0, hi)); }

// A marker's offset as EMU; not given counts as 0.
int64_t Offset(uint32_t v) { return v == TCT_Marker_Pos::kNotGiven ? 0 : int64_t(v); }
int32_t Index(uint32_t v, int32_t hi) { return v == TCT_Marker_Pos::kNotGiven ? 0 : int32_t(std::min<uint32_t>(v, uint32_t(hi))); }

}  // namespace

// ---- document -----------------------------------------------------------------------------

TXLSSheetDrawingDocument::TXLSSheetDrawingDocument(TXc12GraphicManager& graphics)
    : FGraphics(&graphics), FDoc(std::make_unique<TXPGDocXLSXDrawing>()) {
  FDoc->FGrManager = FGraphics;
}

void TXLSSheetDrawingDocument::LoadDrawing(TXLSStream& part) {
  FDoc->OnWarning = OnWarning;
  FDoc->_LoadFromStream(part, false);
}

void TXLSSheetDrawingDocument::Clear() {
  auto budget = FDoc->Budget();
  FDoc = std::make_unique<TXPGDocXLSXDrawing>();
  FDoc->FGrManager = FGraphics;
  FDoc->SetBudget(std::move(budget));
}


// ---- positions ----------------------------------------------------------------------------

int32_t TXLSDrwTwoPosShape::Col1() const { return Index(FAnchor->From()->Col(), XLS_MAXCOL); }
int32_t TXLSDrwTwoPosShape::Row1() const { return Index(FAnchor->From()->Row(), XLS_MAXROW); }
int32_t TXLSDrwTwoPosShape::Col2() const { return Index(FAnchor->To_()->Col(), XLS_MAXCOL); }
int32_t TXLSDrwTwoPosShape::Row2() const { return Index(FAnchor->To_()->Row(), XLS_MAXROW); }
void TXLSDrwTwoPosShape::SetCol1(int32_t v) { FAnchor->From()->SetCol(CellIndex(v, XLS_MAXCOL)); }
void TXLSDrwTwoPosShape::SetRow1(int32_t v) { FAnchor->From()->SetRow(CellIndex(v, XLS_MAXROW)); }
void TXLSDrwTwoPosShape::SetCol2(int32_t v) { FAnchor->To_()->SetCol(CellIndex(v, XLS_MAXCOL)); }
void TXLSDrwTwoPosShape::SetRow2(int32_t v) { FAnchor->To_()->SetRow(CellIndex(v, XLS_MAXROW)); }

namespace {

// The offset (EMU) inside a cell of `size` pixels as a fraction of the cell.
double OffsetFraction(int64_t emu, int32_t size, int ppi) {
  if (size <= 0) return 0;
  const int64_t px = emu * ppi / kEmuPerInch;
  return double(px) / size;
}

// The fraction (clamped to 0..1, not a number gives 0) of a cell of `size` pixels as EMU.
uint32_t FractionOffset(double v, int32_t size, int ppi) {
  if (!(v >= 0)) v = 0;
  v = std::min(v, 1.0);
  const int64_t cell = int64_t(std::max(size, 0)) * kEmuPerInch / ppi;
  return RoundOffset(double(cell) * v);
}

}  // namespace

double TXLSDrwTwoPosShape::Col1Offs() const {
  return OffsetFraction(Offset(FAnchor->From()->ColOff()), FOwner->ColPixels(Col1()), FOwner->PpiX());
}
double TXLSDrwTwoPosShape::Row1Offs() const {
  return OffsetFraction(Offset(FAnchor->From()->RowOff()), FOwner->RowPixels(Row1()), FOwner->PpiY());
}
double TXLSDrwTwoPosShape::Col2Offs() const {
  return OffsetFraction(Offset(FAnchor->To_()->ColOff()), FOwner->ColPixels(Col2()), FOwner->PpiX());
}
double TXLSDrwTwoPosShape::Row2Offs() const {
  return OffsetFraction(Offset(FAnchor->To_()->RowOff()), FOwner->RowPixels(Row2()), FOwner->PpiY());
}
void TXLSDrwTwoPosShape::SetCol1Offs(double v) {
  FAnchor->From()->SetColOff(FractionOffset(v, FOwner->ColPixels(Col1()), FOwner->PpiX()));
}
void TXLSDrwTwoPosShape::SetRow1Offs(double v) {
  FAnchor->From()->SetRowOff(FractionOffset(v, FOwner->RowPixels(Row1()), FOwner->PpiY()));
}
void TXLSDrwTwoPosShape::SetCol2Offs(double v) {
  FAnchor->To_()->SetColOff(FractionOffset(v, FOwner->ColPixels(Col2()), FOwner->PpiX()));
}
void TXLSDrwTwoPosShape::SetRow2Offs(double v) {
  FAnchor->To_()->SetRowOff(FractionOffset(v, FOwner->RowPixels(Row2()), FOwner->PpiY()));
}

// ---- images -------------------------------------------------------------------------------

TDrwOptImagePositioning TXLSDrawingImage::Positioning() const {
  switch (FAnchor->EditAs()) {
    case steaoneCell: return TDrwOptImagePositioning::doipMoveButDoNotSize;
    case steaabsolute: return TDrwOptImagePositioning::doipDoNotMoveOrSize;
    default: return TDrwOptImagePositioning::doipMoveAndSize;
  }
}

void TXLSDrawingImage::SetPositioning(TDrwOptImagePositioning v) {
  switch (v) {
    case TDrwOptImagePositioning::doipMoveButDoNotSize: FAnchor->SetEditAs(steaoneCell); break;
    case TDrwOptImagePositioning::doipMoveAndSize: FAnchor->SetEditAs(steatwoCell); break;
    case TDrwOptImagePositioning::doipDoNotMoveOrSize: FAnchor->SetEditAs(steaabsolute); break;
  }
}

TXc12GraphicImage* TXLSDrawingImage::Image() const {
  const TCT_Picture* pic = FAnchor->EG_ObjectChoices()->Pic();
  const TCT_Blip* blip = pic && pic->BlipFill() ? pic->BlipFill()->A_Blip() : nullptr;
  return blip ? blip->Image() : nullptr;
}

TXc12ImageType TXLSDrawingImage::ImageType() const {
  const TXc12GraphicImage* i = Image();
  return i ? i->FImageType : TXc12ImageType::x12itUnknown;
}

std::u16string TXLSDrawingImage::ImageTypeStr() const {
  const TXc12GraphicImage* i = Image();
  return i ? i->TypeExt() : std::u16string();
}

std::u16string TXLSDrawingImage::UniqueName() const {
  const TXc12GraphicImage* i = Image();
  return i ? i->UniqueName() : std::u16string();
}

// ---- text boxes ---------------------------------------------------------------------------

namespace {
TCT_TextBody* ShapeText(TCT_TwoCellAnchor* anchor) {
  TCT_Shape* sp = anchor ? anchor->EG_ObjectChoices()->Sp() : nullptr;
  return sp ? sp->TxBody() : nullptr;
}
}  // namespace

std::u16string TXLSDrawingTextBox::PlainText() const {
  if (TXLSLegacyTexts* legacy = FOwner->BIFFDrawing()) return legacy->Text(FCurrIndex);
  if (TCT_TextBody* body = ShapeText(FAnchor)) return TXLSDrwTextBody(body).PlainText();
  return std::u16string();
}

void TXLSDrawingTextBox::SetPlainText(std::u16string_view text) {
  if (TXLSLegacyTexts* legacy = FOwner->BIFFDrawing())
    legacy->SetText(FCurrIndex, text);
  else if (TCT_TextBody* body = ShapeText(FAnchor))
    TXLSDrwTextBody(body).SetPlainText(text);
}

// ---- drawing ------------------------------------------------------------------------------

TXLSDrawing::TXLSDrawing(TXc12Manager* manager, TCT_Drawing* drw, TXLSErrorManager* errors)
    : FManager(manager), FDrw(drw), FGrManager(manager ? &manager->GrManager() : nullptr), FErrors(errors) {}

void TXLSDrawing::SetProps(TXLSColumns* cols, TXLSRows* rows) {
  FColumns = cols;
  FRows = rows;
}

int32_t TXLSDrawing::ColPixels(int32_t col) const {
  return FColumns ? FColumns->Items(std::clamp(col, 0, XLS_MAXCOL))->PixelWidth() : 0;
}

int32_t TXLSDrawing::RowPixels(int32_t row) const {
  return FRows ? FRows->Items(std::clamp(row, 0, XLS_MAXROW))->PixelHeight() : 0;
}

int TXLSDrawing::PpiX() const {
  int x = 96, y = 96;
  if (FManager) FManager->StyleSheet().PixelsPerInchXY(x, y);
  return x > 0 ? x : 96;
}

int TXLSDrawing::PpiY() const {
  int x = 96, y = 96;
  if (FManager) FManager->StyleSheet().PixelsPerInchXY(x, y);
  return y > 0 ? y : 96;
}

// The id of the first present of shape, group shape and picture counts for the highest id.
void TXLSDrawing::NoteShapeId(const TEG_ObjectChoices* objects) {
  const TCT_NonVisualDrawingProps* pr = nullptr;
  if (const TCT_Shape* sp = objects->Sp())
    pr = sp->NvSpPr() ? sp->NvSpPr()->CNvPr() : nullptr;
  else if (const TCT_GroupShape* g = objects->GrpSp())
    pr = g->NvGrpSpPr() ? g->NvGrpSpPr()->CNvPr() : nullptr;
  else if (const TCT_Picture* p = objects->Pic())
    pr = p->NvPicPr() ? p->NvPicPr()->CNvPr() : nullptr;
  if (pr && pr->Id() != 2147483632) FMaxShapeId = std::max(FMaxShapeId, pr->Id());
}

void TXLSDrawing::AfterRead() {
  if (!FDrw) return;
  TEG_Anchor* anchors = FDrw->EG_Anchor();
  for (const auto& item : *anchors->TwoCellAnchorXpgList()) {
    TCT_TwoCellAnchor* a = item.get();
    const TEG_ObjectChoices* o = a->EG_ObjectChoices();
    NoteShapeId(o);
    const TCT_Picture* pic = o->Pic();
    const TCT_Shape* sp = o->Sp();
    if (pic && pic->Available() && pic->BlipFill() && pic->BlipFill()->A_Blip()) {
      FImages.Add()->AssignAnchor(a);
    } else if (sp && sp->NvSpPr() && sp->NvSpPr()->CNvSpPr() && sp->NvSpPr()->CNvSpPr()->TxBox() == 1) {
      FTextBoxes.Add(a);
    } else if (o->GraphicFrame() && o->GraphicFrame()->IsChart()) {
      FCharts._FileAdd(o->GraphicFrame()->A_Graphic()->A_GraphicData()->Chart())->AssignAnchor(a);
    } else if (sp && sp->Available() && sp->SpPr() && sp->SpPr()->A_EG_Geometry()->A_PrstGeom() &&
               sp->SpPr()->A_EG_Geometry()->A_PrstGeom()->Available()) {
      TXLSDrawingShape* s = FShapes.Add();
      s->AssignAnchor(a);
      const TST_ShapeType t = sp->SpPr()->A_EG_Geometry()->A_PrstGeom()->Prst();
      if (t < std::size(kTST_ShapeTypeNames)) s->SetShapeType(t);
    }
  }
  // Word art: a one-cell shape whose text body's properties hold a 3-D scene.
  for (const auto& item : *anchors->OneCellAnchorXpgList()) {
    TCT_OneCellAnchor* a = item.get();
    NoteShapeId(a->EG_ObjectChoices());
    const TCT_Shape* sp = a->EG_ObjectChoices()->Sp();
    const TCT_TextBodyProperties* pr = sp && sp->Available() && sp->TxBody() ? sp->TxBody()->A_BodyPr() : nullptr;
    if (pr && pr->Available() && pr->A_Scene3d() && pr->A_Scene3d()->Available())
      FWordArts.Add()->SetOneCellAnchor(a);
  }
  for (const auto& a : *anchors->AbsoluteAnchorXpgList()) NoteShapeId(a->EG_ObjectChoices());
}

TXLSDrawingChart::TXLSDrawingChart(TXLSDrawing* owner, xpgchart::TXPGDocXLSXChart* chart)
    : TXLSDrwTwoPosShape(owner), FChartSpace(chart ? chart->ChartSpace() : nullptr) {}

TXLSDrawingChart* TXLSDrawingCharts::_FileAdd(xpgchart::TXPGDocXLSXChart* chart) {
  FItems.push_back(std::make_unique<TXLSDrawingChart>(FOwner, chart));
  return FItems.back().get();
}

TXLSDrawingImage* TXLSDrawing::InsertImage97(std::u16string_view imageName, std::span<const uint8_t> image,
                                             const TXLSAnchor97& anchor) {
  if (!FDrw || !FGrManager) return nullptr;
  TXc12GraphicImage* img = FGrManager->Images().LoadFromStream(image, imageName);
  if (!img) return nullptr;
  const int ppiX = PpiX(), ppiY = PpiY();
  const int32_t c1 = std::clamp(anchor.Col1, 0, XLS_MAXCOL), c2 = std::clamp(anchor.Col2, 0, XLS_MAXCOL);
  const int32_t r1 = std::clamp(anchor.Row1, 0, XLS_MAXROW), r2 = std::clamp(anchor.Row2, 0, XLS_MAXROW);
  auto px = [](int32_t size, int32_t offs, double unit) {
    return int64_t(std::nearbyint(size * std::clamp(offs / unit, 0.0, 1.0)));
  };
  TCT_TwoCellAnchor* a = FDrw->EG_Anchor()->TwoCellAnchorXpgList()->Add();
  a->From()->SetCol(uint32_t(c1));
  a->From()->SetRow(uint32_t(r1));
  a->From()->SetColOff(uint32_t(px(ColPixels(c1), anchor.Col1Offs, 1024) * kEmuPerInch / ppiX));
  a->From()->SetRowOff(uint32_t(px(RowPixels(r1), anchor.Row1Offs, 256) * kEmuPerInch / ppiY));
  a->To_()->SetCol(uint32_t(c2));
  a->To_()->SetRow(uint32_t(r2));
  a->To_()->SetColOff(uint32_t(px(ColPixels(c2), anchor.Col2Offs, 1024) * kEmuPerInch / ppiX));
  a->To_()->SetRowOff(uint32_t(px(RowPixels(r2), anchor.Row2Offs, 256) * kEmuPerInch / ppiY));

  TCT_Picture* pic = a->EG_ObjectChoices()->Create_Pic();
  pic->Clear();
  TCT_PictureNonVisual* nv = pic->Create_NvPicPr();
  TCT_NonVisualDrawingProps* pr = nv->Create_CNvPr();
  const int32_t id = img->Index() + 1;
  pr->SetId(id);
  pr->SetName(u"Picture " + kws::Utf8ToUtf16(std::to_string(id)));
  pr->SetDescr(img->FDescr);
  nv->Create_CNvPicPr()->Create_PicLocks()->SetNoChangeAspect(1);
  TCT_BlipFillProperties* fill = pic->Create_BlipFill();
  fill->Create_Blip()->SetImage(img);
  fill->A_EG_FillModeProperties()->Create_Stretch();
  pic->Create_SpPr()->A_EG_Geometry()->Create_PrstGeom()->SetPrst(ststRect);

  TXLSDrawingImage* result = FImages.Add();
  result->AssignAnchor(a);
  return result;
}

// ---- image editor -------------------------------------------------------------------------

TXLSDrawingEditorImage::TXLSDrawingEditorImage(TXLSDrawing* owner, TXLSDrawingImage* image)
    : FOwner(owner), FImage(image) {
  const TCT_Picture* pic = image->Anchor()->EG_ObjectChoices()->Pic();
  FBlip = pic && pic->BlipFill() ? pic->BlipFill()->A_Blip() : nullptr;
  Measure();
}

int32_t TXLSDrawingEditorImage::OriginalWidth() const {
  const TXc12GraphicImage* i = FImage->Image();
  return i ? i->FWidth : 0;
}

int32_t TXLSDrawingEditorImage::OriginalHeight() const {
  const TXc12GraphicImage* i = FImage->Image();
  return i ? i->FHeight : 0;
}

void TXLSDrawingEditorImage::Measure() {
  int64_t w = 0, h = 0;
  for (int32_t c = FImage->Col1(); c <= FImage->Col2(); ++c) w += FOwner->ColPixels(c);
  for (int32_t r = FImage->Row1(); r <= FImage->Row2(); ++r) h += FOwner->RowPixels(r);
  if (FImage->Col1Offs() > 0) w -= int64_t(std::nearbyint(FImage->Col1Offs() * FOwner->ColPixels(FImage->Col1())));
  if (FImage->Col2Offs() > 0) {
    const int32_t last = FOwner->ColPixels(FImage->Col2());
    w += int64_t(std::nearbyint(FImage->Col2Offs() * last)) - last;
  }
  if (FImage->Row1Offs() > 0) h -= int64_t(std::nearbyint(FImage->Row1Offs() * FOwner->RowPixels(FImage->Row1())));
  if (FImage->Row2Offs() > 0) {
    const int32_t last = FOwner->RowPixels(FImage->Row2());
    h += int64_t(std::nearbyint(FImage->Row2Offs() * last)) - last;
  }
  FPixelWidth = int32_t(std::clamp<int64_t>(w, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
  FPixelHeight = int32_t(std::clamp<int64_t>(h, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
  FCmWidth = FPixelWidth / (FOwner->PpiX() / 2.54);
  FCmHeight = FPixelHeight / (FOwner->PpiY() / 2.54);
}

namespace {

// Places the end of a span of `size` pixels that starts `start` pixels into cell `first`: walks
// the cells while whole ones fit, stopping at `last`; gives the end cell and the pixels into it.
void Walk(int64_t size, int64_t start, int32_t first, int32_t last, const std::function<int32_t(int32_t)>& pixels,
          int32_t& endCell, int64_t& endOffset) {
  int64_t rest = size + start;
  int32_t cell = first;
  while (cell < last) {
    const int32_t p = pixels(cell);
    if (rest - p < 0) break;
    rest -= p;
    ++cell;
  }
  endCell = cell;
  endOffset = std::max<int64_t>(rest, 0);
}

}  // namespace

// Scales one side by f: the start cell stays, its offset is held to the new size, and the end
// cell and offset follow from a walk over the cells.
void TXLSDrawingEditorImage::Scale(double f, bool columns) {
  int32_t& size = columns ? FPixelWidth : FPixelHeight;
  size = int32_t(std::clamp(std::nearbyint(size * f), 0.0, double(std::numeric_limits<int32_t>::max())));
  const int ppi = columns ? FOwner->PpiX() : FOwner->PpiY();
  const int32_t first = columns ? FImage->Col1() : FImage->Row1();
  const double firstOffs = columns ? FImage->Col1Offs() : FImage->Row1Offs();
  auto pixels = [this, columns](int32_t i) { return columns ? FOwner->ColPixels(i) : FOwner->RowPixels(i); };
  const int64_t start = std::min<int64_t>(int64_t(std::nearbyint(pixels(first) * firstOffs)), size);
  int32_t end;
  int64_t offset;
  Walk(size, start, first, columns ? XLS_MAXCOL : XLS_MAXROW, pixels, end, offset);
  TCT_Marker_Pos* from = FImage->Anchor()->From();
  TCT_Marker_Pos* to = FImage->Anchor()->To_();
  const uint32_t startEmu = RoundOffset(double(start * kEmuPerInch / ppi));
  const uint32_t endEmu = RoundOffset(double(offset * kEmuPerInch / ppi));
  if (columns) {
    from->SetColOff(startEmu);
    to->SetCol(uint32_t(end));
    to->SetColOff(endEmu);
  } else {
    from->SetRowOff(startEmu);
    to->SetRow(uint32_t(end));
    to->SetRowOff(endEmu);
  }
}

void TXLSDrawingEditorImage::SetCmWidth(double v) {
  if (!(FCmWidth > 0) || !std::isfinite(v)) return;
  const double f = v / FCmWidth;
  Scale(f, true);
  if (FKeepAspect) Scale(f, false);
  Measure();
}

void TXLSDrawingEditorImage::SetCmHeight(double v) {
  if (!(FCmHeight > 0) || !std::isfinite(v)) return;
  const double f = v / FCmHeight;
  if (FKeepAspect) Scale(f, true);
  Scale(f, false);
  Measure();
}

// ---- registration -------------------------------------------------------------------------

void RegisterDrawings() {
  DefaultDrawingFactory().NewDocument = [](TXc12GraphicManager& graphics) -> std::unique_ptr<TXc12DrawingDocument> {
    return std::make_unique<TXLSSheetDrawingDocument>(graphics);
  };
  DefaultDrawingFactory().NewSheetDrawing = [](TXLSWorksheet& sheet) -> std::unique_ptr<TXLSDrawingLayer> {
    auto* doc = dynamic_cast<TXLSSheetDrawingDocument*>(sheet.Xc12Sheet().Drawing());
    if (!doc || !sheet.Owner()) return nullptr;
    TXc12Manager& manager = sheet.Owner()->Manager();
    auto d = std::make_unique<TXLSDrawing>(&manager, doc->WsDr(), manager.Errors());
    d->SetProps(&sheet.Columns(), &sheet.Rows());
    return d;
  };
}

}  // namespace xls
