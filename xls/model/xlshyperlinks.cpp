#include "xls/model/xlshyperlinks.h"

#include "xls/model/xc12manager.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsnames.h"

namespace xls {

namespace {
bool IsHex(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}
char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; }

// The prefix test with letters compared without case (a prefix here holds only ASCII, which no
// other character lower-cases to as a single unit).
bool Begins(std::u16string_view t, std::u16string_view p) {
  if (t.size() < p.size()) return false;
  for (size_t i = 0; i < p.size(); ++i)
    if (Lower(t[i]) != p[i]) return false;
  return true;
}

bool HasScheme(std::u16string_view t) {
  size_t i = 0;
  while (i < t.size() && Lower(t[i]) >= u'a' && Lower(t[i]) <= u'z') ++i;
  return t.substr(i, 3) == u"://";
}
}  // namespace

std::u16string HyperlinkEncode(std::u16string_view t) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  std::u16string out;
  out.reserve(t.size());
  for (size_t i = 0; i < t.size(); ++i) {
    const char16_t c = t[i];
    bool encode = false;
    switch (c) {
      case u' ':
      case u'#':
      case u'$':
      case u'&':
      case u'+':
      case u',':
      case u';':
      case u'=':
      case u'@':
      case u'[':
      case u']':
      case u'^':
      case u'`':
      case u'{':
      case u'}':
      case u'~':
      case 127:
        encode = true;
        break;
      case u'%':
        encode = !(i + 1 < t.size() && IsHex(t[i + 1]));
        break;
      default:
        break;
    }
    if (!encode) {
      out += c;
      continue;
    }
    out += u'%';
    out += kHex[(c >> 4) & 15];
    out += kHex[c & 15];
  }
  return out;
}

std::u16string ClassifyHyperlink(std::u16string_view t,
                                 bool (*workbookPlace)(const void*, std::u16string_view), const void* context,
                                 TXLSHyperlinkType& kind, std::u16string* tooltip) {
  // "file:///" has the form of a scheme but names a file: it is taken by the file case below.
  if ((HasScheme(t) && !Begins(t, u"file://")) || Begins(t, u"www.")) {
    kind = TXLSHyperlinkType::xhltURL;
    const size_t q = t.rfind(u'?');
    if (q == std::u16string_view::npos) return HyperlinkEncode(t);
    std::u16string out(t.substr(0, q + 1));
    std::u16string_view query = t.substr(q + 1);
    for (bool first = true;; first = false) {
      const size_t amp = query.find(u'&');
      const std::u16string_view param = query.substr(0, amp);
      if (!first) out += u'&';
      const size_t eq = param.rfind(u'=');
      if (eq == std::u16string_view::npos) {
        out += HyperlinkEncode(param);
      } else {
        out += param.substr(0, eq + 1);
        out += HyperlinkEncode(param.substr(eq + 1));
      }
      if (amp == std::u16string_view::npos) break;
      query = query.substr(amp + 1);
    }
    return out;
  }
  if (t.size() >= 2 && t[0] == u'\\' && t[1] == u'\\') {
    kind = TXLSHyperlinkType::xhltUNC;
    return u"file:///" + HyperlinkEncode(t);
  }
  // The stored form of a network path (file:/// and two backslashes, as files give it back) is
  // that network path again, not a local file.
  if (Begins(t, u"file:///\\\\")) {
    kind = TXLSHyperlinkType::xhltUNC;
    return std::u16string(t);
  }
  if (Begins(t, u"file:///") || (t.size() >= 2 && t[1] == u':')) {
    kind = TXLSHyperlinkType::xhltFile;
    return Begins(t, u"file:///") ? std::u16string(t) : u"file:///" + HyperlinkEncode(t);
  }
  if (Begins(t, u"mailto:")) {
    kind = TXLSHyperlinkType::xhltURL;
    return std::u16string(t);
  }
  if (workbookPlace && workbookPlace(context, t)) {
    kind = TXLSHyperlinkType::xhltWorkbook;
    if (tooltip) *tooltip = u"#" + std::u16string(t);
    return std::u16string(t);
  }
  kind = TXLSHyperlinkType::xhltFile;
  return HyperlinkEncode(t);
}

bool TXLSHyperlinks::NamesPlaceInWorkbook(std::u16string_view text) const {
  if (!FManager || text.empty()) return false;
  auto* names = dynamic_cast<TXLSNames*>(&FManager->Workbook().DefinedNames());
  if (!names || !names->Formulas()) return false;
  TXLSErrorManager* errors = FManager->Errors();
  struct TQuiet {
    TXLSErrorManager* e;
    bool was;
    ~TQuiet() {
      if (e) {
        e->SetIgnoreErrors(was);
        e->ClearLastError();
      }
    }
  } quiet{errors, errors && errors->IgnoreErrors()};
  if (errors) {
    errors->SetIgnoreErrors(true);
    errors->ClearLastError();
  }
  try {
    // A place is a reference into this workbook or a defined name: other formulas ("100%",
    // "other.xlsx" taken as an unknown name) are not places but files.
    const std::vector<uint8_t> ptgs = names->Formulas()->EncodeName(text);
    if (ptgs.empty()) return false;
    TXLS3dCellArea area{};
    const uint8_t kind = names->Formulas()->NameArea(ptgs, area);
    if (kind == 1 || kind == 2) return true;
    return kind == 0 && names->Find(text) != nullptr;
  } catch (const std::exception&) {
    return false;
  }
}

void TXLSHyperlink::SetAddress(std::u16string_view text) {
  const auto place = [](const void* owner, std::u16string_view t) {
    return static_cast<const TXLSHyperlinks*>(owner)->NamesPlaceInWorkbook(t);
  };
  TXLSHyperlinkType kind = TXLSHyperlinkType::xhltUnknown;
  FAddress = ClassifyHyperlink(text, FOwner ? +place : nullptr, FOwner, kind, &FTooltip);
  FHyperlinkType = kind;
  FHyperlinkEnc = kind;
}

}  // namespace xls
