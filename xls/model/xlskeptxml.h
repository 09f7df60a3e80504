// XML parts and package objects that the model keeps without reading them itself: the core
// document properties, the connections part, a table's query table, a sheet's legacy (VML)
// drawing, the open package.
//
// The model never parses bytes, so the package layer hands these over as objects behind the two
// small interfaces below: its node tree (the small DOM) implements `TXc12XmlNode` and
// `TXc12XmlDocument`, and any package-level object the model only owns derives from
// `TXc12PackageObject`. Paths are "/"-separated qualified names as the part writes them
// ("cp:coreProperties/dc:creator"), matched exactly, first match at each level.
// Design choice: a part the reader could not parse is still kept, as its bytes
// (`TXc12KeptXml::FBytes`), so that nothing a file holds is lost and a writer can put it back.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace xls {

// One element of a kept XML tree.
class TXc12XmlNode {
 public:
  virtual ~TXc12XmlNode() = default;
  virtual std::u16string_view NodeName() const = 0;
  // The element's leading text.
  virtual std::u16string_view NodeText() const = 0;
  virtual void SetNodeText(std::u16string_view text) = 0;
  // The value of the attribute of that qualified name; empty when it has none.
  virtual std::u16string NodeAttribute(std::u16string_view qname) const = 0;
  virtual int NodeCount() const = 0;
  virtual TXc12XmlNode* NodeItem(int index) const = 0;
  // The node at the path below this one; nullptr when a step is missing.
  virtual TXc12XmlNode* FindNode(std::u16string_view path) const = 0;
};

// A kept XML tree; its root is a pseudo node whose child is the document element.
class TXc12XmlDocument {
 public:
  virtual ~TXc12XmlDocument() = default;
  virtual TXc12XmlNode* DocumentRoot() const = 0;
};

// A package-level object the model owns but does not look into (the open package, a pivot cache).
class TXc12PackageObject {
 public:
  virtual ~TXc12PackageObject() = default;
};

// One kept XML part: its tree, or its bytes when it could not be parsed.
struct TXc12KeptXml {
  void Clear() {
    FDom.reset();
    FBytes.clear();
    FName.clear();
  }
  bool Empty() const { return !FDom && FBytes.empty(); }
  // The node at the path from the tree's root; nullptr without a tree or node.
  TXc12XmlNode* Find(std::u16string_view path) const {
    return FDom && FDom->DocumentRoot() ? FDom->DocumentRoot()->FindNode(path) : nullptr;
  }

  std::unique_ptr<TXc12XmlDocument> FDom;
  std::vector<uint8_t> FBytes;  // the part as read, when it could not be parsed
  std::u16string FName;         // the part's name in the package
};

}  // namespace xls
