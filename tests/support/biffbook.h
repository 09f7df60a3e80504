// Builds legacy workbooks for test fixtures on top of the record writer (biffwriter.h): record
// bodies field by field (with BIFF8 strings), sub-streams between BOF and EOF, a whole workbook
// stream and the compound file that holds it as "Workbook" (BIFF8) or "Book" (BIFF5/7).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/biffwriter.h"

namespace kws::test {

// A record body, little-endian, built field by field.
class BiffBody {
 public:
  BiffBody& U8(uint8_t v);
  BiffBody& U16(uint16_t v);
  BiffBody& U32(uint32_t v);
  BiffBody& F64(double v);
  BiffBody& Bytes(std::string_view b);
  // UTF-16LE code units.
  BiffBody& Units(std::u16string_view s);
  // A BIFF8 string: u16 count, flag byte 0 and one byte per character (Latin-1).
  BiffBody& Str8(std::string_view latin1);
  // A BIFF8 string: u16 count, flag byte 1 and UTF-16LE units.
  BiffBody& Str16(std::u16string_view s);
  const std::string& str() const { return FBytes; }
  operator std::string() const { return FBytes; }
  operator std::string_view() const { return FBytes; }
  size_t size() const { return FBytes.size(); }

 private:
  std::string FBytes;
};

// BOF record of BIFF8 or BIFF5 for sub-stream type 5 (globals) or 0x10 (worksheet); EOF record.
std::string BiffBOF(uint16_t type, bool biff8 = true);
std::string BiffEOF();
// A BOUNDSHEET record of a sheet with an 8-bit name.
std::string BiffBoundSheet(std::string_view name, bool biff8 = true, uint8_t visibility = 0,
                           uint8_t type = 0);
// A whole workbook stream: the globals BOF, `globals`, EOF, then per sheet BOF, records, EOF.
std::string BiffWorkbookStream(std::string_view globals, const std::vector<std::string>& sheets,
                               bool biff8 = true);
// A bare BIFF2, BIFF3 or BIFF4 worksheet file (`version` 2, 3 or 4): its BOF, `records`, EOF.
std::string BiffBareFile(int version, std::string_view records);
// The head of a BIFF2 cell record: row, column and the 3 attribute bytes.
BiffBody Biff2Cell(uint16_t row, uint16_t col);
// The compound file that holds `stream` as "Workbook" (biff8) or "Book".
std::string BiffCompoundFile(std::string_view stream, bool biff8 = true);

}  // namespace kws::test
