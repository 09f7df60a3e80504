#include "xls/biff/biffreader.h"

#include <memory>

#include "platform/textcodec.h"
#include "xls/biff/biff5.h"
#include "xls/biff/biffrecords.h"
#include "xls/formula/xlsformulabinding.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlsbook.h"

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

void RegisterBIFFReader() { DefaultXLSBookReaders().ReadLegacy = ReadLegacyWorkbook; }

}  // namespace xls::biff
