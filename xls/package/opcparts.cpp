#include "xls/package/detail/opcparts.h"

#include "xls/package/xpgparsecontenttype.h"
#include "xls/package/xpgparseopc.h"

namespace xls::detail {
namespace {

std::u16string XmlnsAttribute(std::u16string_view xmlns) { return u"xmlns=\"" + std::u16string(xmlns) + u"\""; }

}  // namespace

TOPCRelationshipsPart::TOPCRelationshipsPart(TXLSStream& stream) : FDoc(std::make_unique<xpgopc::TXPGDocOPC>()) {
  FDoc->LoadFromStream(stream);
}

TOPCRelationshipsPart::~TOPCRelationshipsPart() = default;

size_t TOPCRelationshipsPart::size() const {
  return FDoc->Relationships() ? static_cast<size_t>(FDoc->Relationships()->RelationshipXpgList()->Count()) : 0;
}

TOPCRelationshipView TOPCRelationshipsPart::operator[](size_t index) const {
  const xpgopc::TCT_Relationship& r = *FDoc->Relationships()->RelationshipXpgList()->GetItems(static_cast<int>(index));
  return {r.Id(), r.Type(), r.Target(), r.Content(), static_cast<uint8_t>(r.TargetMode())};
}

std::vector<TOPCContentTypeEntry> ReadContentTypesPart(TXLSStream& stream) {
  xpgct::TXPGDocContentType doc;
  doc.LoadFromStream(stream);
  std::vector<TOPCContentTypeEntry> out;
  if (!doc.Types()) return out;
  for (const auto& d : *doc.Types()->DefaultXpgList()) out.push_back({false, d->Extension(), d->ContentType()});
  for (const auto& o : *doc.Types()->OverrideXpgList()) out.push_back({true, o->PartName(), o->ContentType()});
  return out;
}

void WriteRelationshipsPart(TXLSStream& out, std::u16string_view xmlns,
                            const std::vector<TOPCRelationshipEntry>& relationships) {
  xpgopc::TXPGDocOPC doc;
  if (!xmlns.empty()) doc.Root()->RootAttributes().Add(XmlnsAttribute(xmlns));
  for (const auto& e : relationships) {
    xpgopc::TCT_Relationship* r = doc.Relationships()->RelationshipXpgList()->Add();
    r->SetId(e.Id);
    r->SetType(e.Type);
    r->SetTarget(e.Target);
    r->SetContent(e.Text);
    r->SetTargetMode(static_cast<xpgopc::TST_TargetMode>(e.TargetMode));
  }
  doc.SaveToStream(out);
}

void WriteContentTypesPart(TXLSStream& out, std::u16string_view xmlns,
                           const std::vector<TOPCContentTypeEntry>& entries) {
  xpgct::TXPGDocContentType doc;
  if (!xmlns.empty()) doc.Root()->RootAttributes().Add(XmlnsAttribute(xmlns));
  for (const auto& e : entries) {
    if (e.IsOverride) {
      xpgct::TCT_Override* o = doc.Types()->OverrideXpgList()->Add();
      o->SetContentType(e.ContentType);
      o->SetPartName(e.Key);
    } else {
      xpgct::TCT_Default* d = doc.Types()->DefaultXpgList()->Add();
      d->SetExtension(e.Key);
      d->SetContentType(e.ContentType);
    }
  }
  doc.SaveToStream(out);
}

}  // namespace xls::detail
