#include "tests/support/vbawriter.h"

#include <algorithm>

namespace kws::test {

namespace {

void Put16(std::string& s, uint16_t v) {
  s.push_back(char(v & 0xFF));
  s.push_back(char(v >> 8));
}
void Put32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s.push_back(char((v >> (8 * i)) & 0xFF));
}
std::string U32(uint32_t v) {
  std::string s;
  Put32(s, v);
  return s;
}
std::string U16(uint16_t v) {
  std::string s;
  Put16(s, v);
  return s;
}
// Latin-1 bytes as UTF-16LE (the fixtures' names are Latin-1).
std::string Wide(std::string_view s) {
  std::string w;
  for (char c : s) Put16(w, uint8_t(c));
  return w;
}
std::vector<uint8_t> Vec(std::string_view s) { return std::vector<uint8_t>(s.begin(), s.end()); }

std::string CompressChunk(std::string_view chunk) {
  std::string out;
  size_t d = 0;
  while (d < chunk.size()) {
    const size_t flagAt = out.size();
    out.push_back(0);
    for (int bit = 0; bit < 8 && d < chunk.size(); ++bit) {
      unsigned bitCount = 4;
      while ((size_t(1) << bitCount) < d) ++bitCount;
      const size_t maxLength = std::min<size_t>((0xFFFFu >> bitCount) + 3, chunk.size() - d);
      size_t bestLength = 0, bestOffset = 0;
      for (size_t p = 0; p < d; ++p) {
        size_t n = 0;
        while (n < maxLength && chunk[p + n] == chunk[d + n]) ++n;
        if (n > bestLength) {
          bestLength = n;
          bestOffset = d - p;
        }
      }
      if (bestLength >= 3) {
        Put16(out, uint16_t(((bestOffset - 1) << (16 - bitCount)) | (bestLength - 3)));
        out[flagAt] = char(uint8_t(out[flagAt]) | (1u << bit));
        d += bestLength;
      } else {
        out.push_back(chunk[d++]);
      }
    }
  }
  return out;
}

}  // namespace

std::string VbaCompress(std::string_view bytes) {
  std::string out(1, '\x01');
  for (size_t at = 0; at < bytes.size(); at += 4096) {
    const std::string_view chunk = bytes.substr(at, 4096);
    const std::string packed = CompressChunk(chunk);
    if (packed.size() > 4096) {
      Put16(out, 0x3FFF);  // raw: 4096 bytes, padded with zeros
      std::string raw(chunk);
      raw.resize(4096, '\0');
      out += raw;
    } else {
      Put16(out, uint16_t(0xB000 | (packed.size() + 2 - 3)));
      out += packed;
    }
  }
  return out;
}

std::string VbaRecord(uint16_t id, std::string_view body) {
  std::string r;
  Put16(r, id);
  Put32(r, uint32_t(body.size()));
  r += body;
  return r;
}

std::string VbaDirStream(const VbaProjectSpec& spec) {
  std::string d;
  d += VbaRecord(0x0001, U32(1));  // SYSKIND: 32-bit Windows
  d += VbaRecord(0x0002, U32(0x409));
  d += VbaRecord(0x0014, U32(0x409));
  d += VbaRecord(0x0003, U16(spec.codePage));
  d += VbaRecord(0x0004, "VBAProject");
  d += VbaRecord(0x0005, "") + VbaRecord(0x0040, "");
  d += VbaRecord(0x0006, "") + VbaRecord(0x003D, "");
  d += VbaRecord(0x0007, U32(0));
  d += VbaRecord(0x0008, U32(0));
  d += VbaRecord(0x0009, U32(1)).substr(0, 6) + U32(1) + U16(1);  // says 4 bytes, holds 6
  d += VbaRecord(0x000C, "") + VbaRecord(0x003C, "");
  const size_t count = spec.moduleCount >= 0 ? size_t(spec.moduleCount) : spec.modules.size();
  d += VbaRecord(0x000F, U16(uint16_t(count)));
  d += VbaRecord(0x0013, U16(0xFFFF));
  for (const VbaModuleSpec& m : spec.modules) {
    const std::string stream = m.streamName.empty() ? m.name : m.streamName;
    d += VbaRecord(0x0019, m.name) + VbaRecord(0x0047, Wide(m.name));
    d += VbaRecord(0x001A, stream) + VbaRecord(0x0032, Wide(stream));
    d += VbaRecord(0x001C, "") + VbaRecord(0x0048, "");
    d += VbaRecord(0x0031, U32(uint32_t(m.cache.size())));
    d += VbaRecord(0x001E, U32(0));
    d += VbaRecord(0x002C, U16(0xFFFF));
    d += VbaRecord(m.document ? 0x0022 : 0x0021, "");
    d += VbaRecord(0x002B, "");
  }
  d += VbaRecord(0x0010, "");
  return d;
}

std::string VbaProjectText(const VbaProjectSpec& spec) {
  std::string t = "ID=\"{00000000-0000-0000-0000-000000000000}\"\r\n";
  for (const VbaModuleSpec& m : spec.modules)
    t += m.document ? "Document=" + m.name + "/&H00000000\r\n" : "Module=" + m.name + "\r\n";
  t += "Name=\"VBAProject\"\r\nHelpContextID=\"0\"\r\nVersionCompatible32=\"393222000\"\r\n\r\n";
  t += "[Host Extender Info]\r\n&H00000001={3832D640-CF90-11CF-8E43-00A0C911005A};VBE;&H00000000\r\n";
  return t;
}

void PutVbaProject(CfbStorageCopy& file, const VbaProjectSpec& spec, const std::string* dir) {
  file.PutStream(u"_VBA_PROJECT_CUR/PROJECT", Vec(VbaProjectText(spec)));
  std::string wm;
  for (const VbaModuleSpec& m : spec.modules) wm += m.name + '\0' + Wide(m.name) + std::string(2, '\0');
  file.PutStream(u"_VBA_PROJECT_CUR/PROJECTwm", Vec(wm + std::string(2, '\0')));
  file.PutStream(u"_VBA_PROJECT_CUR/VBA/_VBA_PROJECT", {0xCC, 0x61, 0xFF, 0xFF, 0x00, 0x00, 0x00});
  file.PutStream(u"_VBA_PROJECT_CUR/VBA/dir", Vec(dir ? *dir : VbaCompress(VbaDirStream(spec))));
  for (const VbaModuleSpec& m : spec.modules) {
    const std::string& stream = m.streamName.empty() ? m.name : m.streamName;
    std::u16string name;
    for (char c : stream) name.push_back(char16_t(uint8_t(c)));
    file.PutStream(u"_VBA_PROJECT_CUR/VBA/" + name, Vec(m.cache + VbaCompress(m.source)));
  }
}

}  // namespace kws::test
