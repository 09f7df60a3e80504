#include "xls/biff/biffreader.h"

#include <memory>

#include "platform/textcodec.h"
#include "xls/biff/biff5.h"
#include "xls/biff/biffrecords.h"
#include "xls/model/xlsbook.h"

namespace xls::biff {

void ReadLegacyWorkbook(TXLSBook& book, std::span<const uint8_t> data) {
  TXc12Manager& manager = book.Manager();
  auto biff = std::make_unique<TBIFF5>(manager);
  AddRecordHandlers(biff->Handlers(), std::make_shared<TBIFFRecords>(manager));
  biff->FSkipDrawing = book.SkipExcel97Drawing;
  // Only a set event is handed on: the record loop then tests an empty one per record.
  if (const TXLSProgressEvent& progress = book.OnProgress())
    biff->FProgressEvent = [progress](TXLSReadII&, int32_t percent) { progress(percent); };
  if (!book.Filename().empty()) biff->SetFilename(std::filesystem::path(kws::Utf16ToUtf8(book.Filename())));
  biff->LoadFromStream(data);
  manager.SetVersion(biff->Version());
  book.SetBIFF(std::move(biff));
}

void RegisterBIFFReader() { DefaultXLSBookReaders().ReadLegacy = ReadLegacyWorkbook; }

}  // namespace xls::biff
