// Typed value lists: the values of XML Schema list types (blank-separated lists of references,
// numbers, Booleans, dates or strings) as the element classes hold them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "xls/package/xpgvalues.h"

namespace xls {

// Common part: the delimiter, the error event for pieces that do not parse, and the delimited
// text. Setting the delimited text clears the list and adds every piece; a piece that does not
// parse fires OnError and is left out.
class TBaseXpgList {
 public:
  virtual ~TBaseXpgList() = default;
  char16_t Delimiter() const { return delimiter_; }
  void SetDelimiter(char16_t d) { delimiter_ = d; }
  std::function<void(TBaseXpgList&)> OnError;

  virtual int Count() const = 0;
  virtual void Clear() = 0;
  virtual std::u16string GetAsString(int index) const = 0;
  virtual std::u16string GetDelimitedText() const;
  virtual void SetDelimitedText(std::u16string_view text);

 protected:
  // Adds one piece of a delimited text; false when it does not parse.
  virtual bool AddPiece(std::u16string_view piece) = 0;
  void CheckIndex(int index) const;

 private:
  char16_t delimiter_ = u' ';
};

template <class T>
class TItemXpgList : public TBaseXpgList {
 public:
  int Count() const override { return static_cast<int>(items_.size()); }
  void Clear() override { items_.clear(); }
  T Items(int index) const {
    CheckIndex(index);
    return items_[index];
  }
  void AddValue(T v) { items_.push_back(v); }

 protected:
  std::vector<T> items_;
};

// "true"/"false" items. Add raises on text XmlStrToBool refuses; pieces accept only true/false.
class TBooleanXpgList : public TItemXpgList<bool> {
 public:
  void Add(std::u16string_view text) { items_.push_back(XmlStrToBool(text)); }
  std::u16string GetAsString(int index) const override { return Items(index) ? u"true" : u"false"; }
  std::u16string GetDelimitedText() const override;

 protected:
  bool AddPiece(std::u16string_view piece) override;
};

class TExtendedXpgList : public TItemXpgList<double> {
 public:
  void Add(std::u16string_view text) { items_.push_back(XmlStrToFloat(text)); }
  std::u16string GetAsString(int index) const override { return XmlFloatToStr(Items(index)); }

 protected:
  bool AddPiece(std::u16string_view piece) override;
};

// 32-bit unsigned items; Add raises "'%s' is not a valid integer value" on bad text.
class TLongwordXpgList : public TItemXpgList<uint32_t> {
 public:
  void Add(std::u16string_view text);
  std::u16string GetAsString(int index) const override { return XmlIntToStr(Items(index)); }

 protected:
  bool AddPiece(std::u16string_view piece) override;
};

// Date-time items; setting a non-empty delimited text raises "Not implemented:
// TryXmlStrToDateTime".
class TTDateTimeXpgList : public TItemXpgList<TXpgDateTime> {
 public:
  void Add(std::u16string_view text) { items_.push_back(XmlStrToDateTime(text)); }
  std::u16string GetAsString(int index) const override { return XmlDateTimeToStr(Items(index)); }
  std::u16string GetDelimitedText() const override;

 protected:
  bool AddPiece(std::u16string_view piece) override;
};

// Strings, split only at the delimiter.
class TStringXpgList : public TBaseXpgList {
 public:
  int Count() const override { return static_cast<int>(items_.size()); }
  void Clear() override { items_.clear(); }
  std::u16string GetAsString(int index) const override { return GetItems(index); }
  const std::u16string& GetItems(int index) const {
    CheckIndex(index);
    return items_[index];
  }
  void Add(std::u16string_view value) { items_.emplace_back(value); }
  // name="value" followed by a blank.
  void AddNameValue(std::u16string_view name, std::u16string_view value);
  // The items one per line (CR LF).
  std::u16string Text() const;

 protected:
  bool AddPiece(std::u16string_view piece) override {
    Add(piece);
    return true;
  }

 private:
  std::vector<std::u16string> items_;
};

}  // namespace xls
