// A small zip archive writer for test fixtures: stored and deflated entries, an optional data
// descriptor per entry and an archive comment. It is independent of the product's zip code, so
// that tests of the readers do not check the product against itself.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kws::test {

class ZipWriter {
 public:
  enum class Method : uint16_t { Stored = 0, Deflated = 8 };

  // Adds an entry. With `dataDescriptor` the local header carries flag bit 3 and zero CRC and
  // sizes, and a signed data descriptor follows the data.
  ZipWriter& Add(std::string_view name, std::string_view data, Method method = Method::Deflated,
                 bool dataDescriptor = false);
  ZipWriter& Stored(std::string_view name, std::string_view data) { return Add(name, data, Method::Stored); }
  ZipWriter& Deflated(std::string_view name, std::string_view data) { return Add(name, data, Method::Deflated); }
  // Adds an entry whose data is already packed: the caller gives the method, the packed bytes,
  // and the CRC and uncompressed size to record (which may deliberately disagree with the data).
  ZipWriter& AddPacked(std::string_view name, uint16_t method, std::string packed, uint32_t crc,
                       uint32_t uncompressedSize);
  ZipWriter& Comment(std::string_view comment);

  // The archive bytes: local records, central directory, end record and comment.
  std::string Bytes() const;

 private:
  struct Entry {
    std::string name;
    uint16_t method = 0;
    uint16_t flags = 0;
    uint32_t crc = 0;
    uint32_t size = 0;
    std::string packed;
  };
  std::vector<Entry> entries_;
  std::string comment_;
};

// Raw deflate (no zlib header) of `data` at zlib's default level.
std::string RawDeflate(std::string_view data);

}  // namespace kws::test
