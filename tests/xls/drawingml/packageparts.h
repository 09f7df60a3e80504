// The parts of a package fixture (tests/data/xlsx) in zip order, and a package packed again from
// them (stored, the text of some parts replaced): the drawing and chart tests change one part of
// a real workbook and load the whole of it.
#pragma once

#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/zipwriter.h"
#include "xls/package/xlsstream.h"
#include "xls/package/xlsziparchiveintf.h"
#include "xls/package/xlszip.h"

namespace kws::test {

using PackageParts = std::vector<std::pair<std::string, std::string>>;

inline PackageParts FixtureParts(const std::string& file) {
  const char* root = std::getenv("KWS_SOURCE_DIR");
  xls::TXLSZipArchiveIntfXLS zip;
  zip.LoadFromFile(std::string(root ? root : ".") + "/tests/data/xlsx/" + file);
  PackageParts parts;
  for (int i = 0; i < zip.Zip().Count(); ++i) {
    const std::u16string& name = zip.Zip().Items(i).Name();
    if (name.empty() || name.back() == u'/') continue;
    parts.emplace_back(std::string(name.begin(), name.end()), zip.OpenStream(name)->ReadAll(1 << 24));
  }
  return parts;
}

// The parts packed stored; a part named in `changed` takes its text there (an empty text leaves
// the part out), and the parts `changed` names that the fixture lacks are added at the end.
inline std::string Repack(const PackageParts& parts, const std::map<std::string, std::string>& changed = {}) {
  ZipWriter z;
  for (const auto& [name, data] : parts) {
    auto it = changed.find(name);
    if (it == changed.end()) z.Stored(name, data);
    else if (!it->second.empty()) z.Stored(name, it->second);
  }
  for (const auto& [name, data] : changed) {
    bool known = false;
    for (const auto& p : parts) known = known || p.first == name;
    if (!known && !data.empty()) z.Stored(name, data);
  }
  return z.Bytes();
}

}  // namespace kws::test
