// The small DOM: a generic node tree built from an XML part, for the parts that have no element
// classes of their own (themes, core properties, VML drawings, connections, chart styles, the
// encryption descriptor of encrypted packages).
//
// A node keeps its qualified name as written, its leading text (trimmed of blanks and control
// characters unless PreserveSpaces is set) and its attributes in document order with their
// white space normalised. Nodes are copies: the tree outlives the stream it was read from.
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
  int Count() const { return static_cast<int>(childs_.size()); }
  TXpgDOMNode* Items(int index) const;
  void Clear() { childs_.clear(); }
  // Takes the child out of the list and hands it to the caller.
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
  TXpgDOMAttributes attributes_;
  std::vector<std::unique_ptr<TXpgDOMNode>> childs_;
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

 private:
  template <class F>
  int64_t Load(F&& parse);
  std::unique_ptr<TXpgDOMNode> root_;
  std::vector<TXpgDOMNode*> stack_;
};

}  // namespace xls
