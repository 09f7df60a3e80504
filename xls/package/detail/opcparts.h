// Reading and writing the package's bookkeeping parts for the OPC container: the relationships
// parts and "[Content_Types].xml", through their generated element documents (which match
// elements by namespace, whatever prefix a part binds to it).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xls/package/xlsstream.h"

namespace xls::detail {

struct TOPCRelationshipEntry {
  std::u16string Id;
  std::u16string Type;
  std::u16string Target;
  std::u16string Text;        // the element's text, if any
  uint8_t TargetMode = 255;   // 0 External, 1 Internal, 255 not given
};

struct TOPCContentTypeEntry {
  bool IsOverride = false;
  std::u16string Key;  // Extension, or PartName
  std::u16string ContentType;
};

// The relationships of a relationships part, in document order. A part whose document element
// is a lone Relationship gives none.
std::vector<TOPCRelationshipEntry> ReadRelationshipsPart(TXLSStream& stream);
// Every Default in document order, then every Override in document order.
std::vector<TOPCContentTypeEntry> ReadContentTypesPart(TXLSStream& stream);

void WriteRelationshipsPart(TXLSStream& out, std::u16string_view xmlns,
                            const std::vector<TOPCRelationshipEntry>& relationships);
void WriteContentTypesPart(TXLSStream& out, std::u16string_view xmlns,
                           const std::vector<TOPCContentTypeEntry>& entries);

}  // namespace xls::detail
