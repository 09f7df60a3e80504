#include "tests/support/biffbook.h"

#include <cstring>

#include "tests/support/cfbwriter.h"

namespace kws::test {

BiffBody& BiffBody::U8(uint8_t v) {
  FBytes.push_back(char(v));
  return *this;
}
BiffBody& BiffBody::U16(uint16_t v) { return Bytes(Le16(v)); }
BiffBody& BiffBody::U32(uint32_t v) { return Bytes(Le32(v)); }
BiffBody& BiffBody::F64(double v) { return Bytes(LeF64(v)); }
BiffBody& BiffBody::Bytes(std::string_view b) {
  FBytes.append(b);
  return *this;
}
BiffBody& BiffBody::Units(std::u16string_view s) {
  for (char16_t c : s) U16(uint16_t(c));
  return *this;
}
BiffBody& BiffBody::Str8(std::string_view latin1) { return U16(uint16_t(latin1.size())).U8(0).Bytes(latin1); }
BiffBody& BiffBody::Str16(std::u16string_view s) { return U16(uint16_t(s.size())).U8(1).Units(s); }

std::string BiffBOF(uint16_t type, bool biff8) {
  return BiffRecord(0x0809, biff8 ? Bof8Body(type) : Bof5Body(type));
}

std::string BiffEOF() { return BiffRecord(0x000A, ""); }

std::string BiffBoundSheet(std::string_view name, bool biff8, uint8_t visibility, uint8_t type) {
  return BiffRecord(
      0x0085, biff8 ? BoundSheet8Body(name, visibility, type) : BoundSheet5Body(name, visibility, type));
}

std::string BiffWorkbookStream(std::string_view globals, const std::vector<std::string>& sheets, bool biff8) {
  std::string s = BiffBOF(0x0005, biff8) + std::string(globals) + BiffEOF();
  for (const std::string& sheet : sheets) s += BiffBOF(0x0010, biff8) + sheet + BiffEOF();
  return s;
}

std::string BiffCompoundFile(std::string_view stream, bool biff8) {
  CfbWriter w;
  w.AddStream(biff8 ? u"Workbook" : u"Book", stream);
  return w.Build().bytes;
}

std::string BiffBareFile(int version, std::string_view records) {
  const uint16_t bof = version == 2 ? 0x0009 : version == 3 ? 0x0209 : 0x0409;
  return BiffRecord(bof, Bof2Body(uint16_t(version << 8), 0x0010)) + std::string(records) + BiffEOF();
}

BiffBody Biff2Cell(uint16_t row, uint16_t col) { return std::move(BiffBody().U16(row).U16(col).U8(0).U8(0).U8(0)); }

}  // namespace kws::test
