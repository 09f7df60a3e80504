// Builds VBA projects (MS-OVBA) for test fixtures: the compression of source text and dir
// streams, dir records field by field, and the storage "_VBA_PROJECT_CUR" with its "PROJECT",
// "PROJECTwm" and "VBA" ("dir", "_VBA_PROJECT", one stream per module), put into a storage copy
// that saves as the compound file of a workbook.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cfb.h"

namespace kws::test {

// A compressed container of `bytes`: greedy matches within each 4096-byte chunk, a raw chunk
// where compression would not make the chunk smaller.
std::string VbaCompress(std::string_view bytes);

// One dir record: 16-bit id, 32-bit size, body.
std::string VbaRecord(uint16_t id, std::string_view body);

struct VbaModuleSpec {
  std::string name;        // 8-bit, in the project's code page
  std::string source;      // the module text in the project's code page, Attribute lines included
  bool document = false;   // a document module (MODULETYPE 0x0022) rather than a standard one
  std::string streamName;  // empty: the name
  std::string cache;       // bytes in front of the compressed source (the offset points past them)
};

struct VbaProjectSpec {
  uint16_t codePage = 1252;
  std::vector<VbaModuleSpec> modules;
  // When set, the module count PROJECTMODULES gives in place of the number of modules.
  int moduleCount = -1;
};

// The decompressed dir stream of a project.
std::string VbaDirStream(const VbaProjectSpec& spec);
// The "PROJECT" stream's text of a project.
std::string VbaProjectText(const VbaProjectSpec& spec);
// Puts "_VBA_PROJECT_CUR" of the project into `file` (with the compressed dir stream unless
// `dir` gives the stream's bytes as they are to be stored).
void PutVbaProject(CfbStorageCopy& file, const VbaProjectSpec& spec, const std::string* dir = nullptr);

}  // namespace kws::test
