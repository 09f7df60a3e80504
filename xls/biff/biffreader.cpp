#include "xls/biff/biffreader.h"

#include <cstdio>
#include <memory>

#include "platform/textcodec.h"
#include "xls/biff/biff5.h"
#include "xls/biff/biffrecords.h"
#include "xls/formula/xlsformulabinding.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlsbook.h"
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

// Pictures and notes of the legacy sheets' drawings into the model: each picture shape with a
// cell anchor (sheet i, picture j, counted in reading order) whose reference names a stored
// picture becomes an image "Pict<i>_<j>.<ext>" of the hub's image list (a metafile sized by its
// header), and each note bound by its NOTE record a comment with its text and author.
void PutDrawingsIntoModel(TBIFF5& biff, TXc12Manager& manager) {
  TMSOPictures& store = biff.MSOPictures();
  TXc12GraphicImages& images = manager.GrManager().Images();
  for (size_t i = 0; i < biff.Sheets().Count(); ++i) {
    const TEscherDrawing& drawing = biff.Sheets().GetSheet(i)->EscherDrawing();
    TXc12DataWorksheet* ws = i < manager.Worksheets().Count() ? manager.Worksheets().Items(i) : nullptr;
    size_t j = 0;
    drawing.ForEachShape([&](TShape& s, TShapeGroup&) {
      if (s.IsGroup() || !s.ClientAnchor()) return;
      if (s.FShapeType == 75) {
        ++j;
        const int64_t id = s.FOPT.BlipId();
        if (id <= 0 || size_t(id) > store.Count()) return;
        const TMSOPicture& p = *store.GetMSOPicture(size_t(id - 1));
        const std::u16string name = PictureName(p.PictType(), i + 1, j);
        if (name.empty()) return;
        std::vector<uint8_t> bytes;
        p.SaveToStream(bytes);
        if (p.PictType() == msoblipEMF || p.PictType() == msoblipWMF) {
          if (TXc12GraphicImage* found = images.FindByDescr(name)) return (void)found;
          int32_t w = 0, h = 0;
          if (!MetafilePixelSize(p, w, h)) return;
          TXc12GraphicImage* img =
              images.Add(bytes, p.PictType() == msoblipEMF ? TXc12ImageType::x12itEMF : TXc12ImageType::x12itWMF);
          img->FDescr = name;
          img->FWidth = w;
          img->FHeight = h;
        } else {
          images.LoadFromStream(bytes, name);
        }
        return;
      }
      if (s.FNote && ws) {
        TXc12Comment* c = ws->Comments().Add();
        c->SetCol(s.FNote->CellCol);
        c->SetRow(s.FNote->CellRow);
        c->FText = s.FText;
        if (!s.FNote->Author.empty()) {
          TXc12Authors& authors = ws->Comments().Authors();
          TXc12Author* a = authors.Find(s.FNote->Author);
          c->FAuthor = a ? a : authors.Add(s.FNote->Author);
        }
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
  PutDrawingsIntoModel(*biff, manager);
  AttachLegacyNames(book, *biff);
  book.SetBIFF(std::move(biff));
}

void RegisterBIFFReader() { DefaultXLSBookReaders().ReadLegacy = ReadLegacyWorkbook; }

}  // namespace xls::biff
