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
  if (!book.Filename().empty()) biff->SetFilename(std::filesystem::path(kws::Utf16ToUtf8(book.Filename())));
  biff->LoadFromStream(data);
  manager.SetVersion(biff->Version());
  book.SetBIFF(std::move(biff));
}

void RegisterBIFFReader() { DefaultXLSBookReaders().ReadLegacy = ReadLegacyWorkbook; }

}  // namespace xls::biff
