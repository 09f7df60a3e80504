// Writes legacy BIFF record streams for test fixtures: records (4-byte header and body),
// little-endian fields, and the BOF and BOUNDSHEET bodies of the BIFF versions.
//
// A BIFF8 BOF body is 16 bytes (version 0x0600, sub-stream type, build, year, two dwords), a
// BIFF5/7 BOF 8 bytes (version 0x0500, type, build, year), a BIFF2-4 BOF 4 bytes (version,
// type); BOUNDSHEET holds the stream position of the sheet's BOF (32-bit), the visibility byte,
// the sheet-type byte and the name (length byte; BIFF8 adds a character-width flag byte).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kws::test {

std::string Le16(uint16_t v);
std::string Le32(uint32_t v);
std::string LeF64(double v);
// Header (id, body length) and body.
std::string BiffRecord(uint16_t id, std::string_view body);
// BOF bodies.
std::string Bof8Body(uint16_t type);
std::string Bof5Body(uint16_t type);
std::string Bof2Body(uint16_t version, uint16_t type);
// BOUNDSHEET bodies with an 8-bit name; BIFF8 (flag byte 0) and BIFF5.
std::string BoundSheet8Body(std::string_view name, uint8_t visibility = 0, uint8_t type = 0);
std::string BoundSheet5Body(std::string_view name, uint8_t visibility = 0, uint8_t type = 0);

}  // namespace kws::test
