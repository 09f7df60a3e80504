// Reads everything a compound file offers: every element of every storage,
// every stream whole and in odd-sized pieces, and a copy of the root. Used by
// the corrupt-file and fuzz tests to drive every path of the reader over one
// input.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/cfb.h"

namespace kws::test {

// Returns the total of all stream bytes read; raises CfbError wherever the
// reader does.
inline uint64_t WalkCompound(std::vector<uint8_t> bytes) {
  uint64_t total = 0;
  CfbStorage root = OpenCompoundData(std::move(bytes));
  std::vector<CfbStorage> todo{root};
  for (size_t i = 0; i < todo.size() && i < 256; ++i) {
    for (const CfbElement& e : todo[i].Elements()) {
      if (e.type == CfbElementType::Storage) {
        if (auto sub = todo[i].OpenStorage(e.name)) todo.push_back(*sub);
        continue;
      }
      auto s = todo[i].OpenStream(e.name);
      if (!s) continue;
      const auto whole = s->ReadAll();
      total += whole.size();
      s->Seek(0, CfbSeekOrigin::Begin);
      uint8_t buf[97];
      size_t n;
      uint64_t again = 0;
      while ((n = s->Read(buf, sizeof buf)) > 0) again += n;
      if (again != whole.size() || whole.size() != s->Size()) throw CfbError("walk: sizes differ");
    }
  }
  root.CopyToMemory();
  return total;
}

}  // namespace kws::test
