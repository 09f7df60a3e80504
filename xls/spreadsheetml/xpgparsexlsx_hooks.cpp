// Hand-written hooks of the SpreadsheetML element classes that do not follow the generated
// pattern.
#include "xls/spreadsheetml/xpgparsexlsx.h"

namespace xls::xpgxlsx {

// Reading an rgb attribute flags the colour as given whatever the value converts to.
void TCT_Color::AssignAttributes(const TXpgXMLAttributeList& a) {
  AssignAttributesGenerated(a);
  for (int i = 0; i < a.Count(); ++i)
    if (a.Is(i, TXpgNs::None, "rgb")) FRgbAssigned = true;
}

void TCT_Color::Clear() {
  ClearGenerated();
  FRgbAssigned = false;
}

// Every occurrence of a font property starts from its defaults; an empty b, i, strike, outline,
// shadow, condense or extend element means True and an empty u element single underline. The
// element's own val attribute, when present, is applied after this.
TXPGBase* TCT_Font::HandleElement(TXPGReader& r) {
  TXPGBase* x = HandleElementGenerated(r);
  if (x == nullptr || x == TXPGReader::SkipSilently()) return x;
  if (auto* p = dynamic_cast<TCT_BooleanProperty*>(x)) {
    p->Clear();
    p->SetVal(1);
  } else if (auto* u = dynamic_cast<TCT_UnderlineProperty*>(x)) {
    u->Clear();
    u->SetVal(stuvSingle);
  } else if (auto* n = dynamic_cast<TCT_FontName*>(x)) {
    n->Clear();
  } else if (auto* ip = dynamic_cast<TCT_IntProperty*>(x)) {
    ip->Clear();
  } else if (auto* c = dynamic_cast<TCT_Color*>(x)) {
    c->Clear();
  } else if (auto* s = dynamic_cast<TCT_FontSize*>(x)) {
    s->Clear();
  } else if (auto* v = dynamic_cast<TCT_VerticalAlignFontProperty*>(x)) {
    v->Clear();
  } else if (auto* sc = dynamic_cast<TCT_FontScheme*>(x)) {
    sc->Clear();
  }
  return x;
}

// An ext element holds content of other schemas: all of it is consumed without a report.
TXPGBase* TCT_Extension::HandleElement(TXPGReader& r) {
  (void)r;
  return TXPGReader::SkipSilently();
}

}  // namespace xls::xpgxlsx
