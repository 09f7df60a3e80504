#include "xls/package/detail/opcparts.h"

#include "platform/textcodec.h"
#include "xls/package/xpgreadxml.h"

namespace xls::detail {
namespace {

using kws::AsciiUpperCopy;
using kws::Utf16ToUtf8;

// Element names of both parts, in the namespace the part's document element declares (or in
// none, as some writers leave it out).
bool IsPackageNs(TXpgNs ns) {
  return ns == TXpgNs::None || ns == TXpgNs::PackageRelationships || ns == TXpgNs::ContentTypes;
}

class TRelationshipsReader : public TXpgReadXML {
 public:
  std::vector<TOPCRelationshipEntry> Items;

  void BeginTag() override {
    if (Depth() != 2 || !IsPackageNs(Namespace()) || RawLocalName() != "Relationship") return;
    TOPCRelationshipEntry e;
    const TXpgXMLAttributeList& a = Attributes();
    for (int i = 0; i < a.Count(); ++i) {
      if (a.Ns(i) != TXpgNs::None) continue;
      const std::string_view name = a.LocalName(i);
      if (name == "Id") {
        e.Id = a.GetValues(i);
      } else if (name == "Type") {
        e.Type = a.GetValues(i);
      } else if (name == "Target") {
        e.Target = a.GetValues(i);
      } else if (name == "TargetMode") {
        e.TargetMode = AsciiUpperCopy(a.GetValues(i)) == u"INTERNAL" ? 1 : 0;
      }
    }
    if (HasText()) e.Text = Text();
    Items.push_back(std::move(e));
  }
};

class TContentTypesReader : public TXpgReadXML {
 public:
  std::vector<TOPCContentTypeEntry> Defaults, Overrides;

  void BeginTag() override {
    if (Depth() != 2 || !IsPackageNs(Namespace())) return;
    const std::string_view tag = RawLocalName();
    const bool isDefault = tag == "Default";
    if (!isDefault && tag != "Override") return;
    TOPCContentTypeEntry e;
    e.IsOverride = !isDefault;
    const TXpgXMLAttributeList& a = Attributes();
    for (int i = 0; i < a.Count(); ++i) {
      if (a.Ns(i) != TXpgNs::None) continue;
      const std::string_view name = a.LocalName(i);
      if (name == "ContentType")
        e.ContentType = a.GetValues(i);
      else if (name == (isDefault ? "Extension" : "PartName"))
        e.Key = a.GetValues(i);
    }
    (isDefault ? Defaults : Overrides).push_back(std::move(e));
  }
};

void Load(TXpgReadXML& reader, TXLSStream& stream) {
  reader.LoadFromReader([&stream](char* buffer, size_t count) { return stream.Read(buffer, count); });
}

std::string Escape(std::u16string_view value) {
  std::string out;
  for (char c : Utf16ToUtf8(value)) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

void Attr(std::string& out, const char* name, std::u16string_view value) {
  out += ' ';
  out += name;
  out += "=\"";
  out += Escape(value);
  out += '"';
}

constexpr char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";

}  // namespace

std::vector<TOPCRelationshipEntry> ReadRelationshipsPart(TXLSStream& stream) {
  TRelationshipsReader reader;
  Load(reader, stream);
  return std::move(reader.Items);
}

std::vector<TOPCContentTypeEntry> ReadContentTypesPart(TXLSStream& stream) {
  TContentTypesReader reader;
  Load(reader, stream);
  std::vector<TOPCContentTypeEntry> all = std::move(reader.Defaults);
  for (auto& e : reader.Overrides) all.push_back(std::move(e));
  return all;
}

void WriteRelationshipsPart(TXLSStream& out, std::u16string_view xmlns,
                            const std::vector<TOPCRelationshipEntry>& relationships) {
  std::string xml = kDeclaration;
  xml += "<Relationships";
  if (!xmlns.empty()) Attr(xml, "xmlns", xmlns);
  xml += '>';
  for (const auto& r : relationships) {
    xml += "<Relationship";
    if (r.TargetMode <= 1) Attr(xml, "TargetMode", r.TargetMode == 0 ? u"External" : u"Internal");
    Attr(xml, "Target", r.Target);
    Attr(xml, "Type", r.Type);
    Attr(xml, "Id", r.Id);
    if (r.Text.empty()) {
      xml += "/>";
    } else {
      xml += '>';
      xml += Escape(r.Text);
      xml += "</Relationship>";
    }
  }
  xml += "</Relationships>";
  out.WriteBuffer(xml.data(), xml.size());
}

void WriteContentTypesPart(TXLSStream& out, std::u16string_view xmlns,
                           const std::vector<TOPCContentTypeEntry>& entries) {
  std::string xml = kDeclaration;
  xml += "<Types";
  if (!xmlns.empty()) Attr(xml, "xmlns", xmlns);
  xml += '>';
  for (const bool overrides : {false, true}) {
    for (const auto& e : entries) {
      if (e.IsOverride != overrides) continue;
      if (overrides) {
        xml += "<Override";
        Attr(xml, "ContentType", e.ContentType);
        Attr(xml, "PartName", e.Key);
      } else {
        xml += "<Default";
        Attr(xml, "Extension", e.Key);
        Attr(xml, "ContentType", e.ContentType);
      }
      xml += "/>";
    }
  }
  xml += "</Types>";
  out.WriteBuffer(xml.data(), xml.size());
}

}  // namespace xls::detail
