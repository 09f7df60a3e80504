// The small DOM: a generic node tree built from an XML part, for the parts that have no element
// classes of their own (themes, core properties, VML drawings, connections, chart styles, the
// encryption descriptor of encrypted packages).
//
// A node keeps its qualified name as written, its leading text (trimmed of blanks and control
// characters unless PreserveSpaces is set) and its attributes in document order with their
// white space normalised. Nodes are copies: the tree outlives the stream it was read from.
//
// A load builds at most MaxNodes elements and attributes together (kXpgDomMaxNodes unless the
// caller sets another budget); a document with more raises "XML error: more than %d nodes" and
// the tree is emptied, so a small part that inflates to millions of elements costs a bounded
// amount of memory. Children are kept in a gap buffer: detaching the children one after the other
// (in any one direction) costs constant time per child.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xls/model/xlskeptxml.h"
#include "xls/package/xpgreadxml.h"
#include "xls/package/xpgvalues.h"

namespace xls {

// Elements and attributes one small-DOM load builds at most by default: a theme holds a few
// thousand; 1,000,000 bound a hostile part (millions of empty elements deflate to kilobytes) to
// about 160 MB. A VML drawing, with about 26 per comment shape, gets a larger budget from its
// reader.
inline constexpr int64_t kXpgDomMaxNodes = 1000000;

class TXpgDOMAttribute {
 public:
  TXpgDOMAttribute(std::u16string name, std::u16string value) : Name(std::move(name)), Value(std::move(value)) {}
  std::u16string Name;
  std::u16string Value;
  // Integer text, else 0.
  int32_t AsInteger() const;
  // The low byte of each character, base64-decoded.
  std::string AsBase64() const;
};

class TXpgDOMAttributes {
 public:
  TXpgDOMAttribute& Add(std::u16string_view name, std::u16string_view value);
  int Count() const { return static_cast<int>(items_.size()); }
  TXpgDOMAttribute& Items(int index) const;
  // The first attribute of that exact name, or nullptr.
  TXpgDOMAttribute* Find(std::u16string_view name) const;
  std::u16string FindValue(std::u16string_view name) const;
  int32_t FindValueIntDef(std::u16string_view name, int32_t def) const;
  // The value read as hexadecimal digits ("FF00" is 65280); the default when absent or bad.
  int32_t FindValueHexDef(std::u16string_view name, int32_t def) const;

 private:
  std::vector<std::unique_ptr<TXpgDOMAttribute>> items_;
};

// A node is also the model's view of a kept tree (TXc12XmlNode).
class TXpgDOMNode : public TXc12XmlNode {
 public:
  explicit TXpgDOMNode(TXpgDOMNode* parent) : parent_(parent) {}
  ~TXpgDOMNode() override = default;

  std::u16string_view NodeName() const override { return qname_; }
  std::u16string_view NodeText() const override { return content_; }
  void SetNodeText(std::u16string_view text) override { content_ = text; }
  std::u16string NodeAttribute(std::u16string_view qname) const override {
    return attributes_.FindValue(qname);
  }
  int NodeCount() const override { return Count(); }
  TXc12XmlNode* NodeItem(int index) const override { return Items(index); }
  TXc12XmlNode* FindNode(std::u16string_view path) const override { return Find(path); }

  TXpgDOMNode* AddChild(std::u16string_view qname);
  void AddAttribute(std::u16string_view qname, std::u16string_view value) { attributes_.Add(qname, value); }
  int Count() const { return static_cast<int>(childs_.size() - gapLen_); }
  TXpgDOMNode* Items(int index) const;
  void Clear() {
    childs_.clear();
    gap_ = gapLen_ = 0;
  }
  // Takes the child out of the list and hands it to the caller; the children after it move up
  // by one. Constant time when it follows a detach at the same or a neighbouring index.
  std::unique_ptr<TXpgDOMNode> Detach(int index);
  // Follows a "/"-separated path of child names (first match at each level); nullptr when not
  // found, or raises "XML error: Can not find expected node \"%s\"" when `required`.
  TXpgDOMNode* Find(std::u16string_view path, bool required = false) const;

  TXpgDOMNode* Parent() const { return parent_; }
  const std::u16string& QName() const { return qname_; }
  void SetQName(std::u16string_view q) { qname_ = q; }
  const std::u16string& Content() const { return content_; }
  void SetContent(std::u16string_view c) { content_ = c; }
  TXpgDOMAttributes& Attributes() { return attributes_; }
  const TXpgDOMAttributes& Attributes() const { return attributes_; }

  const std::u16string& AsString() const { return content_; }
  int32_t AsInteger() const;
  double AsFloat() const;
  bool AsBoolean() const;
  TXpgDateTime AsDateTime() const;  // raises "Not implemented: TryXmlStrToDateTime"
  void SetAsInteger(int32_t v) { content_ = XmlIntToStr(v); }
  void SetAsFloat(double v) { content_ = XmlFloatToStr(v); }
  void SetAsBoolean(bool v) { content_ = XmlBoolToStr(v); }
  void SetAsDateTime(TXpgDateTime v) { content_ = XmlDateTimeToStr(v); }

 protected:
  virtual std::unique_ptr<TXpgDOMNode> CreateChild() { return std::make_unique<TXpgDOMNode>(this); }

 private:
  TXpgDOMNode* parent_;
  std::u16string qname_;
  std::u16string content_;
  // Moves the gap so that it starts at child `index`.
  void MoveGap(size_t index);
  // The slot of child `index` in childs_.
  size_t Slot(size_t index) const { return index < gap_ ? index : index + gapLen_; }

  TXpgDOMAttributes attributes_;
  // The children in order, with an empty gap of gapLen_ slots at gap_ left by detached ones.
  std::vector<std::unique_ptr<TXpgDOMNode>> childs_;
  size_t gap_ = 0, gapLen_ = 0;
};

class TXpgSimpleDOM : public TXpgReadXML, public TXc12XmlDocument {
 public:
  TXpgSimpleDOM();
  TXc12XmlNode* DocumentRoot() const override { return root_.get(); }
  // The root node "__ROOT__"; the document element is its child.
  TXpgDOMNode* Root() const { return root_.get(); }

  void Clear() override;
  int64_t LoadFromStream(TXLSStream& stream) override;
  int64_t LoadFromUtf8(std::string_view bytes);
  void LoadFromString(std::u16string_view text);
  // Loads the leading run of printable ASCII, LF and CR bytes (at most maxSize); returns its
  // length.
  size_t LoadFromBuffer(std::string_view bytes, size_t maxSize);

  void BeginTag() override;
  void EndTag() override;

  // Elements and attributes one load may build.
  int64_t MaxNodes = kXpgDomMaxNodes;

 private:
  int64_t nodes_ = 0;
  template <class F>
  int64_t Load(F&& parse);
  std::unique_ptr<TXpgDOMNode> root_;
  std::vector<TXpgDOMNode*> stack_;
};

}  // namespace xls
