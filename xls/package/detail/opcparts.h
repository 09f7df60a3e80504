// Reading and writing the package's bookkeeping parts for the OPC container: the relationships
// parts and "[Content_Types].xml", through their generated element documents (which match
// elements by namespace, whatever prefix a part binds to it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xls/package/xlsstream.h"

namespace xls::xpgopc {
class TXPGDocOPC;
}

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

// One relationship as read; the views last as long as the part that hands it out.
struct TOPCRelationshipView {
  std::u16string_view Id;
  std::u16string_view Type;
  std::u16string_view Target;
  std::u16string_view Text;
  uint8_t TargetMode = 255;
};

// The relationships of a relationships part read whole, in document order. They are held once,
// by the part's document, and handed out as views, so that a part of many relationships costs
// one copy of them while its items are made (or while it is refused). A part whose document
// element is a lone Relationship gives none.
class TOPCRelationshipsPart {
 public:
  explicit TOPCRelationshipsPart(TXLSStream& stream);
  ~TOPCRelationshipsPart();
  TOPCRelationshipsPart(const TOPCRelationshipsPart&) = delete;
  TOPCRelationshipsPart& operator=(const TOPCRelationshipsPart&) = delete;
  size_t size() const;
  TOPCRelationshipView operator[](size_t index) const;

 private:
  std::unique_ptr<xpgopc::TXPGDocOPC> FDoc;
};
// Every Default in document order, then every Override in document order.
std::vector<TOPCContentTypeEntry> ReadContentTypesPart(TXLSStream& stream);

void WriteRelationshipsPart(TXLSStream& out, std::u16string_view xmlns,
                            const std::vector<TOPCRelationshipEntry>& relationships);
void WriteContentTypesPart(TXLSStream& out, std::u16string_view xmlns,
                           const std::vector<TOPCContentTypeEntry>& entries);

}  // namespace xls::detail
