#include "xls/biff/biffreader.h"

#include <cstdio>
#include <memory>

#include "platform/textcodec.h"
#include "xls/biff/biff5.h"
#include "xls/biff/biffrecords.h"
#include "xls/biff/drawingobjects.h"
#include "xls/biff/escherdrawing.h"
#include "xls/biff/sheets.h"
#include "xls/formula/xlsformulabinding.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlsdrawinglists.h"
#include "xls/model/xlsimages.h"
#include "xls/model/xlssheetparts.h"
#include "xls/model/xlsworksheetdata.h"

namespace xls::biff {

namespace {

// The hub's view of the reader object's name tables and the component's decoding of legacy
// tokens through them. The decode finds the reader object the component holds at each call, so
// that nothing outlives it (the component's Clear, a version switch and the next load drop it).
void AttachLegacyNames(TXLSBook& book, TBIFF5& biff) {
  TXc12Manager& manager = book.Manager();
  TExternalNames& external = biff.FormulaHandler().ExternalNames();
  biff.FormulaHandler().FSeparators = FormulaSeparatorsOf(book);
  manager.FNames97 = &biff.FormulaHandler().InternalNames();
  manager.FExtNames97 = &external;
  manager.FExtSheet97 = [&external](uint16_t refIndex, int32_t& sheet) { return external.OwnSheet(refIndex, sheet); };
  FormulaHandlerOf(book).SetLegacyDecode([&book](std::span<const uint8_t> ptgs, int32_t sheetIndex) {
    auto* reader = dynamic_cast<TBIFF5*>(book.BIFF());
    const TXLSFormulaSeparators separators = FormulaSeparatorsOf(book);
    if (!reader) return DecodeBIFFFormula(ptgs, sheetIndex, 0, 0, {}, separators.List, separators);
    TBIFFDecodeOptions options;
    if (reader->Version() < TExcelVersion::xvExcel97) {
      options.Version = TBIFFFormulaVersion::BIFF5;
      TBIFFTextCodec codec;
      codec.SetBIFF8(false);
      codec.SetCodePage(reader->Codepage());
      options.Decode8 = [codec](std::span<const uint8_t> bytes) { return codec.Decode8(bytes); };
    }
    return reader->FormulaHandler().DecodeFormula(ptgs, sheetIndex, separators, options);
  });
}

// The file name of picture `j` of sheet `i` (both from 1) by its kind; empty for kinds the
// model keeps no image of.
std::u16string PictureName(uint8_t type, size_t i, size_t j) {
  const char* ext = nullptr;
  switch (type) {
    case msoblipEMF: ext = "emf"; break;
    case msoblipWMF: ext = "wmf"; break;
    case msoblipJPEG: ext = "jpg"; break;
    case msoblipPNG: ext = "png"; break;
    case msoblipDIB: ext = "bmp"; break;
    default: return {};
  }
  char buf[48];
  std::snprintf(buf, sizeof buf, "Pict%d_%d.%s", int(i), int(j), ext);
  return kws::Utf8ToUtf16(buf);
}

// A stored picture's bytes as an image of the hub's list under `name`: a metafile sized by its
// header (the image list reads no metafile sizes), any other kind by the list itself. nullptr when
// no size can be read (a metafile then adds nothing and warns of nothing).
TXc12GraphicImage* StoreImage(TXc12GraphicImages& images, const TMSOPicture& p, const std::u16string& name,
                              std::span<const uint8_t> bytes) {
  if (p.PictType() != msoblipEMF && p.PictType() != msoblipWMF) return images.LoadFromStream(bytes, name);
  if (TXc12GraphicImage* found = images.FindByDescr(name)) return found;
  int32_t w = 0, h = 0;
  if (!MetafilePixelSize(p, w, h)) return nullptr;
  TXc12GraphicImage* img = images.Add(bytes, p.PictType() == msoblipEMF ? TXc12ImageType::x12itEMF : TXc12ImageType::x12itWMF);
  img->FDescr = name;
  img->FWidth = w;
  img->FHeight = h;
  return img;
}

TXLSAnchor97 Anchor97(const TMSOObjCLIENTANCHOR& a) {
  TXLSAnchor97 r;
  r.Col1 = int32_t(a.FCol1), r.Col1Offs = int32_t(a.FCol1Offset), r.Row1 = int32_t(a.FRow1), r.Row1Offs = int32_t(a.FRow1Offset);
  r.Col2 = int32_t(a.FCol2), r.Col2Offs = int32_t(a.FCol2Offset), r.Row2 = int32_t(a.FRow2), r.Row2Offs = int32_t(a.FRow2Offset);
  return r;
}

// After the load, pictures and notes of the legacy sheets' drawings into the model. Sheet i's
// picture j (both from 1, j counting every picture object of the sheet in reading order) whose
// reference names a stored picture becomes the image "Pict<i>_<j>.<ext>": with a drawing library
// registered, placed by the sheet object's drawing (InsertImage97) at its legacy anchor, the
// drawing also taking the sheet's text objects; without one, only into the hub's image list. A
// metafile is sized by its header. Each note bound by its NOTE record becomes a comment with its
// text and author.
void PutDrawingsIntoModel(TXLSBook& book, TBIFF5& biff) {
  TXc12Manager& manager = book.Manager();
  TMSOPictures& store = biff.MSOPictures();
  TXc12GraphicImages& images = manager.GrManager().Images();
  for (size_t i = 0; i < biff.Sheets().Count(); ++i) {
    TSheet& sheet = *biff.Sheets().GetSheet(i);
    TXLSWorksheet* ws = i < book.Count() ? book.Items(i) : nullptr;
    TDrawingObjects& objects = sheet.DrawingObjects();
    TXLSDrawingLayer* layer = nullptr;
    if (ws && (objects.Pictures().Count() > 0 || objects.Texts().Count() > 0)) {
      layer = ws->Drawing();
      if (layer) layer->SetBIFFDrawing(&objects);
    }
    for (size_t j = 0; j < objects.Pictures().Count(); ++j) {
      const TDrwPicture& picture = objects.Pictures().Items(j);
      const int64_t id = picture.PictureId();
      if (id <= 0 || size_t(id) > store.Count() || !picture.Shape()) continue;
      const TMSOPicture& p = *store.GetMSOPicture(size_t(id - 1));
      const std::u16string name = PictureName(p.PictType(), i + 1, j + 1);
      if (name.empty()) continue;
      std::vector<uint8_t> bytes;
      p.SaveToStream(bytes);
      // A metafile goes into the list first, sized by its header; the drawing then finds it there.
      const bool metafile = p.PictType() == msoblipEMF || p.PictType() == msoblipWMF;
      if ((metafile || !layer) && !StoreImage(images, p, name, bytes)) continue;
      if (layer) layer->InsertImage97(name, bytes, Anchor97(picture.Shape()->FAnchor));
    }
    if (i >= manager.Worksheets().Count()) continue;
    TXc12DataWorksheet& data = *manager.Worksheets().Items(i);
    sheet.EscherDrawing().ForEachShape([&](TShape& s, TShapeGroup&) {
      if (!s.FNote) return;
      TXc12Comment* c = data.Comments().Add();
      c->SetCol(s.FNote->CellCol);
      c->SetRow(s.FNote->CellRow);
      c->FText = s.Text();
      if (!s.FNote->Author.empty()) {
        TXc12Authors& authors = data.Comments().Authors();
        TXc12Author* a = authors.Find(s.FNote->Author);
        c->FAuthor = a ? a : authors.Add(s.FNote->Author);
      }
    });
  }
}

}  // namespace

void ReadLegacyWorkbook(TXLSBook& book, std::span<const uint8_t> data) {
  TXc12Manager& manager = book.Manager();
  auto biff = std::make_unique<TBIFF5>(manager);
  AddRecordHandlers(biff->Handlers(), std::make_shared<TBIFFRecords>(manager));
  biff->FSkipDrawing = book.SkipExcel97Drawing;
  biff->SetReadMacros(book.ReadVBA);
  // Only a set event is handed on: the record loop then tests an empty one per record.
  if (const TXLSProgressEvent& progress = book.OnProgress())
    biff->FProgressEvent = [progress](TXLSReadII&, int32_t percent) { progress(percent); };
  if (!book.Filename().empty()) biff->SetFilename(std::filesystem::path(kws::Utf16ToUtf8(book.Filename())));
  biff->LoadFromStream(data);
  manager.SetVersion(biff->Version());
  AttachLegacyNames(book, *biff);
  book.SetBIFF(std::move(biff));
}

void RegisterBIFFReader() {
  DefaultXLSBookReaders().ReadLegacy = ReadLegacyWorkbook;
  DefaultXLSBookReaders().AfterReadLegacy = [](TXLSBook& book) {
    if (auto* biff = dynamic_cast<TBIFF5*>(book.BIFF())) PutDrawingsIntoModel(book, *biff);
  };
}

}  // namespace xls::biff
