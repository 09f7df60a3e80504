// The legacy road of the spreadsheet component: `RegisterBIFFReader` makes every new `TXLSBook`
// read .xls workbooks (BIFF8 "Workbook" and BIFF5/7 "Book" streams of a compound file, bare
// BIFF2-4 files) through the legacy reader object `TBIFF5` with this library's record handlers.
// The reader object stays with the component after the load (`TXLSBook::BIFF()`).
#pragma once

#include <cstdint>
#include <span>

namespace xls {
class TXLSBook;
}

namespace xls::biff {

// Sets `DefaultXLSBookReaders().ReadLegacy`; safe to call many times.
void RegisterBIFFReader();

// The reading itself: a legacy workbook's bytes into the component's model.
void ReadLegacyWorkbook(TXLSBook& book, std::span<const uint8_t> data);

}  // namespace xls::biff
