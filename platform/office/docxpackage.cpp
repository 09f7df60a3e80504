// Main text of WordprocessingML packages (ECMA-376), read through the engine's
// zip and XML layers.
//
// Format facts: the package relationship part "_rels/.rels" names the main part
// with a relationship whose type ends in "/officeDocument";
// "[Content_Types].xml" gives each part its content type (Override by part
// name, else Default by extension). A word-processing main part has one of the
// content types in kMainTypes. In the main part, text is in w:t elements of
// runs; w:tab, w:ptab, w:br and w:cr inside runs, and the ends of paragraphs
// (w:p) and table cells (w:tc), separate text. Deleted text (w:del, w:delText,
// w:delInstrText), text moved away (w:moveFrom) and field instructions
// (w:instrText) are not part of what the document shows; field results are
// ordinary runs. Text boxes (w:txbxContent) are stories of their own, as in the
// binary format, and are not part of the main text. The namespace is matched by its URI, transitional or
// strict, whatever prefix the document binds to it.
//
// Design: the main part is tokenized as it is inflated (no copy of the whole
// part), and skipped subtrees are tracked by the depth at which they started.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "platform/office/wordtext.h"
#include "platform/textcodec.h"
#include "xls/package/xlsstream.h"
#include "xls/package/xlszip.h"
#include "xls/package/xpgreadxml.h"

namespace kws {

namespace {

// Parts read whole (content types, relationships) are small; anything larger is
// not a document.
constexpr size_t kSmallPartLimit = size_t(16) << 20;
// The main text is held in memory: 128 Mi code units (tens of thousands of pages) at most, so a
// part that inflates to a huge text ends in an error instead of exhausting memory.
constexpr size_t kMainTextLimit = size_t(128) << 20;

constexpr std::u16string_view kMainTypes[] = {
    u"application/"
    u"vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml",
    u"application/"
    u"vnd.openxmlformats-officedocument.wordprocessingml.template.main+xml",
    u"application/vnd.ms-word.document.macroEnabled.main+xml",
    u"application/vnd.ms-word.template.macroEnabledTemplate.main+xml",
};

bool EqualNoCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && AsciiUpperCopy(a) == AsciiUpperCopy(b);
}

bool IsMainType(std::u16string_view type) {
  return std::any_of(std::begin(kMainTypes), std::end(kMainTypes),
                     [&](std::u16string_view t) { return EqualNoCase(t, type); });
}

// Collects every element of a small part with its attributes.
class ElementCollector : public xls::TXpgReadXML {
 public:
  struct Item {
    std::u16string element;
    std::vector<std::pair<std::u16string, std::u16string>> attributes;
    std::u16string Get(std::u16string_view name) const {
      for (const auto& [n, v] : attributes)
        if (n == name) return v;
      return {};
    }
  };
  void BeginTag() override {
    Item item{Tag(), {}};
    for (int i = 0; i < Attributes().Count(); ++i)
      item.attributes.emplace_back(Attributes().GetAttributes(i), Attributes().GetValues(i));
    items.push_back(std::move(item));
  }
  std::vector<Item> items;
};

// The text of the main part.
class MainPartReader : public xls::TXpgReadXML {
 public:
  MainPartReader() { PreserveSpaces = true; }

  void BeginTag() override {
    if (skipDepth_ || !IsWord()) return;
    const std::string_view n = RawLocalName();
    if (n == "del" || n == "delText" || n == "delInstrText" || n == "instrText" || n == "moveFrom" ||
        n == "txbxContent") {
      if (!IsEmptyElement()) skipDepth_ = Depth();
      return;
    }
    if (n == "t") {
      text_ += Text();  // the text after the start tag
      if (text_.size() > kMainTextLimit) throw WordTextError("package: main text too large");
    } else if (n == "tab" || n == "ptab" || n == "br" || n == "cr") {
      Break();
    } else if (n == "noBreakHyphen") {
      text_.push_back(u'-');
    }
  }

  void EndTag() override {
    if (skipDepth_) {
      if (Depth() == skipDepth_) skipDepth_ = 0;
      return;
    }
    if (!IsWord()) return;
    const std::string_view n = RawLocalName();
    if (n == "p" || n == "tc") Break();
  }

  std::u16string Take() { return std::move(text_); }

 private:
  // The tokenizer resolves each element's prefix through the bindings in scope.
  bool IsWord() const { return Namespace() == xls::TXpgNs::WordprocessingML; }
  void Break() {
    if (text_.empty() || text_.back() != kWordTextBreak) text_.push_back(kWordTextBreak);
  }

  int skipDepth_ = 0;
  std::u16string text_;
};

std::string ReadEntry(xls::TXLSZipArchive& zip, int index) {
  auto reader = zip.Items(index).NewReader();
  return reader->ReadAll(kSmallPartLimit);
}

// The name of the main part inside the archive, or empty.
std::u16string MainPartName(xls::TXLSZipArchive& zip) {
  const int ct = zip.Find(u"[Content_Types].xml");
  if (ct < 0) return {};
  ElementCollector types;
  types.LoadFromBytes(ReadEntry(zip, ct));
  auto contentType = [&](const std::u16string& part) {
    for (const auto& it : types.items)
      if (it.element == u"Override" && EqualNoCase(it.Get(u"PartName"), u"/" + part))
        return it.Get(u"ContentType");
    const size_t dot = part.rfind(u'.');
    const std::u16string ext = dot == std::u16string::npos ? u"" : part.substr(dot + 1);
    for (const auto& it : types.items)
      if (it.element == u"Default" && EqualNoCase(it.Get(u"Extension"), ext)) return it.Get(u"ContentType");
    return std::u16string();
  };

  const int rels = zip.Find(u"_rels/.rels");
  if (rels >= 0) {
    ElementCollector relations;
    relations.LoadFromBytes(ReadEntry(zip, rels));
    for (const auto& r : relations.items) {
      constexpr std::u16string_view kSuffix = u"/officeDocument";
      const std::u16string type = r.Get(u"Type");
      if (r.element != u"Relationship" || type.size() < kSuffix.size() ||
          type.compare(type.size() - kSuffix.size(), kSuffix.size(), kSuffix) != 0)
        continue;
      std::u16string target = r.Get(u"Target");
      while (!target.empty() && target.front() == u'/') target.erase(0, 1);
      if (target.rfind(u"./", 0) == 0) target.erase(0, 2);
      return IsMainType(contentType(target)) ? target : std::u16string();
    }
  }
  for (const auto& it : types.items)
    if (it.element == u"Override" && IsMainType(it.Get(u"ContentType")) && it.Get(u"PartName").size() > 1)
      return it.Get(u"PartName").substr(1);
  return {};
}

}  // namespace

std::u16string ReadDocxText(std::string bytes) {
  xls::TXLSViewStream stream(bytes);
  xls::TXLSZipArchive zip;
  zip.OpenRead(stream);
  const std::u16string main = MainPartName(zip);
  if (main.empty()) throw WordTextError("package: no word-processing main part");
  const int index = zip.Find(main);
  if (index < 0) throw WordTextError("package: main part missing");
  auto reader = zip.Items(index).NewReader();
  MainPartReader text;
  text.LoadFromStream(*reader);
  return text.Take();
}

}  // namespace kws
