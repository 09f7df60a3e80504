#include "tests/support/biffwriter.h"

#include <cstring>

namespace kws::test {

std::string Le16(uint16_t v) { return std::string{char(v & 0xFF), char(v >> 8)}; }
std::string Le32(uint32_t v) { return Le16(uint16_t(v)) + Le16(uint16_t(v >> 16)); }
std::string LeF64(double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, 8);
  return Le32(uint32_t(bits)) + Le32(uint32_t(bits >> 32));
}

std::string BiffRecord(uint16_t id, std::string_view body) {
  return Le16(id) + Le16(uint16_t(body.size())) + std::string(body);
}

std::string Bof8Body(uint16_t type) {
  return Le16(0x0600) + Le16(type) + Le16(0x0DBB) + Le16(0x07CC) + Le32(0x000100C1) + Le32(0x00000406);
}
std::string Bof5Body(uint16_t type) { return Le16(0x0500) + Le16(type) + Le16(0x0DBB) + Le16(0x07CC); }
std::string Bof2Body(uint16_t version, uint16_t type) { return Le16(version) + Le16(type); }

std::string BoundSheet8Body(std::string_view name, uint8_t visibility, uint8_t type) {
  return Le32(0) + char(visibility) + char(type) + char(name.size()) + '\0' + std::string(name);
}
std::string BoundSheet5Body(std::string_view name, uint8_t visibility, uint8_t type) {
  return Le32(0) + char(visibility) + char(type) + char(name.size()) + std::string(name);
}

}  // namespace kws::test
