#include "tests/support/zipwriter.h"

#include <zlib.h>

#include <stdexcept>

namespace kws::test {
namespace {

void Put16(std::string& out, uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

constexpr uint32_t kDosTime = (12u << 11) | (30u << 5);             // 12:30:00
constexpr uint32_t kDosDate = ((2020u - 1980u) << 9) | (6u << 5) | 15u;  // 2020-06-15

}  // namespace

std::string RawDeflate(std::string_view data) {
  z_stream z{};
  if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::runtime_error("deflateInit2 failed");
  std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  const int rc = deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  if (rc != Z_STREAM_END) throw std::runtime_error("deflate failed");
  return out;
}

ZipWriter& ZipWriter::Add(std::string_view name, std::string_view data, Method method,
                          bool dataDescriptor) {
  Entry e;
  e.name = std::string(name);
  e.method = static_cast<uint16_t>(method);
  e.flags = dataDescriptor ? 8 : 0;
  e.crc = static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()),
                                      static_cast<uInt>(data.size())));
  e.size = static_cast<uint32_t>(data.size());
  e.packed = method == Method::Stored ? std::string(data) : RawDeflate(data);
  entries_.push_back(std::move(e));
  return *this;
}

ZipWriter& ZipWriter::AddPacked(std::string_view name, uint16_t method, std::string packed,
                                uint32_t crc, uint32_t uncompressedSize) {
  Entry e;
  e.name = std::string(name);
  e.method = method;
  e.crc = crc;
  e.size = uncompressedSize;
  e.packed = std::move(packed);
  entries_.push_back(std::move(e));
  return *this;
}

ZipWriter& ZipWriter::Comment(std::string_view comment) {
  comment_ = std::string(comment);
  return *this;
}

std::string ZipWriter::Bytes() const {
  std::string out;
  std::vector<uint32_t> offsets;
  for (const Entry& e : entries_) {
    offsets.push_back(static_cast<uint32_t>(out.size()));
    const bool dd = (e.flags & 8) != 0;
    Put32(out, 0x04034B50);
    Put16(out, 20);
    Put16(out, e.flags);
    Put16(out, e.method);
    Put16(out, kDosTime);
    Put16(out, kDosDate);
    Put32(out, dd ? 0 : e.crc);
    Put32(out, dd ? 0 : static_cast<uint32_t>(e.packed.size()));
    Put32(out, dd ? 0 : e.size);
    Put16(out, static_cast<uint32_t>(e.name.size()));
    Put16(out, 0);
    out += e.name;
    out += e.packed;
    if (dd) {
      Put32(out, 0x08074B50);
      Put32(out, e.crc);
      Put32(out, static_cast<uint32_t>(e.packed.size()));
      Put32(out, e.size);
    }
  }
  const auto dirStart = static_cast<uint32_t>(out.size());
  for (size_t i = 0; i < entries_.size(); ++i) {
    const Entry& e = entries_[i];
    Put32(out, 0x02014B50);
    Put16(out, 20);
    Put16(out, 20);
    Put16(out, e.flags);
    Put16(out, e.method);
    Put16(out, kDosTime);
    Put16(out, kDosDate);
    Put32(out, e.crc);
    Put32(out, static_cast<uint32_t>(e.packed.size()));
    Put32(out, e.size);
    Put16(out, static_cast<uint32_t>(e.name.size()));
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, 0);
    Put32(out, 0);
    Put32(out, offsets[i]);
    out += e.name;
  }
  const auto dirSize = static_cast<uint32_t>(out.size()) - dirStart;
  Put32(out, 0x06054B50);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, static_cast<uint32_t>(entries_.size()));
  Put16(out, static_cast<uint32_t>(entries_.size()));
  Put32(out, dirSize);
  Put32(out, dirStart);
  Put16(out, static_cast<uint32_t>(comment_.size()));
  out += comment_;
  return out;
}

}  // namespace kws::test
