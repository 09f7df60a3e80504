// Runtime of the generated element classes: the element base, the owning element lists, the
// reader that drives an element tree over the tokenizer, the document base and the helpers the
// generated attribute readers call.
//
// One runtime serves every generated unit (relationships, content types, SpreadsheetML, and
// later the drawing, chart and pivot units); what differs between units (when attributes are
// assigned, what an unknown enumeration value or Boolean gives, whether children exist from the
// start or appear on first occurrence, the not-given values) is chosen per unit in the
// generator's tables and baked into the generated code, apart from the one reader switch in
// TXpgUnitPolicy.
//
// Reading rules every unit shares:
// - Names are matched by namespace and local name: the generated code switches on the byte sum
//   of the local name and then compares the name as text, so a different name with the same sum
//   is unknown. The prefix a document binds is irrelevant; an element in no namespace is taken
//   as one of the unit's own namespace.
// - An unknown element is reported once ("Unknown Element" with its name as written) and its
//   whole subtree is skipped: neither its attributes nor its children reach any element.
// - mc:AlternateContent yields its mc:Fallback branch only, read into the element that holds the
//   mc:AlternateContent; mc:Choice branches are skipped without a report.
// - Namespace declarations are never offered as attributes.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "xls/package/xpgreadxml.h"

namespace xls {

class TXLSStream;
class TXPGDocBase;
class TXPGReader;

// State flags of an element (TXpgAssigneds).
enum TXpgAssigned : uint8_t { xaElements = 1, xaAttributes = 2, xaContent = 4, xaRead = 8 };

// Base of every generated element class.
class TXPGBase {
 public:
  explicit TXPGBase(TXPGDocBase* owner) : FOwner(owner) {}
  virtual ~TXPGBase() = default;
  TXPGBase(const TXPGBase&) = delete;
  TXPGBase& operator=(const TXPGBase&) = delete;

  // Recomputes xaElements/xaAttributes; returns how many things differ from their defaults.
  virtual int CheckAssigned() { return 1; }
  // The element that receives a child start tag; nullptr for an unknown child (reported and
  // skipped by the reader), TXPGReader::SkipSilently() for a child consumed without a report.
  virtual TXPGBase* HandleElement(TXPGReader& reader);
  // Converts the attributes of the element's own start tag.
  virtual void AssignAttributes(const TXpgXMLAttributeList& attributes) { (void)attributes; }
  // Called when one of the element's children has ended.
  virtual void HandleChildEnd() {}
  // Content read by the element itself, once its HandleElement has called
  // TXPGReader::TakeContent: the start and end tags inside it come here instead of the per-tag
  // dispatch, apart from subtrees handed back through TXPGReader::BeginGeneric and skipped ones.
  // ContentEnd returns false for the end of the element itself.
  virtual void ContentBegin(TXPGReader& reader);
  virtual bool ContentEnd(TXPGReader& reader);

  bool Available() const { return (FAssigneds & xaRead) != 0; }
  uint8_t Assigneds() const { return FAssigneds; }
  void SetAssigneds(uint8_t a) { FAssigneds = a; }
  TXPGDocBase* Owner() const { return FOwner; }
  int ElementCount() const { return FElementCount; }
  int AttributeCount() const { return FAttributeCount; }
  // Free for the owner's use (an order stamp in the drawing units).
  int32_t Tag() const { return FTag; }
  void SetTag(int32_t t) { FTag = t; }

 protected:
  void ReportAttribute(const TXpgXMLAttributeList& attributes, int index) const;
  void ReportElement(const TXpgReadXML& reader) const;

  TXPGDocBase* FOwner;
  int FElementCount = 0;
  int FAttributeCount = 0;
  uint8_t FAssigneds = 0;
  int32_t FTag = 0;
};

[[noreturn]] void XpgListIndexError(int index);

// Owning list of generated elements, in document order.
template <class T>
class TXpgList {
 public:
  explicit TXpgList(TXPGDocBase* owner) : owner_(owner) {}
  T* Add() {
    items_.push_back(std::make_unique<T>(owner_));
    return items_.back().get();
  }
  // Appends an item made elsewhere and returns it.
  T* Append(std::unique_ptr<T> item) {
    items_.push_back(std::move(item));
    return items_.back().get();
  }
  T* GetItems(int index) const {
    if (index < 0 || index >= Count()) XpgListIndexError(index);
    return items_[index].get();
  }
  T* operator[](int index) const { return GetItems(index); }
  int Count() const { return static_cast<int>(items_.size()); }
  void Clear() { items_.clear(); }
  int CheckAssigned() {
    int n = 0;
    for (auto& i : items_) n += i->CheckAssigned();
    Assigned = n > 0;
    return n;
  }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }
  bool Assigned = false;

 private:
  TXPGDocBase* owner_;
  std::vector<std::unique_ptr<T>> items_;
};

// The reader switch that differs between units.
struct TXpgUnitPolicy {
  // Call AssignAttributes for every start tag, also one without attributes.
  bool AssignAttributesAlways = false;
  // Elements may read their own content (TXPGReader::TakeContent); off, every tag goes through
  // the per-tag dispatch (tests compare the two).
  bool ContentReading = true;
};

// Drives an element tree: every start tag goes to HandleElement of the current element.
//
// An element whose content is a fixed, small grammar read in bulk (the rows and cells of sheet
// data) may read it itself: its HandleElement calls TakeContent, and from then on the tags
// inside it go to its ContentBegin/ContentEnd, which follow the grammar's levels with direct code
// and hand any other tag back through BeginGeneric with the element of that level; such a
// subtree runs through the per-tag dispatch and returns to the element's own reading when it
// ends. The element must leave exactly what the per-tag dispatch would: objects, read flags,
// events and reports.
class TXPGReader : public TXpgReadXML {
 public:
  TXPGReader(TXpgPErrors& errors, TXPGBase& root, TXpgUnitPolicy policy);

  void BeginTag() override {
    if (route_ == Route::Content) return content_->ContentBegin(*this);
    if (skipDepth_) {
      ++skipDepth_;
      return;
    }
    Dispatch();
    Reroute();
  }
  void EndTag() override {
    if (route_ == Route::Content) {
      if (content_->ContentEnd(*this)) return;
      content_ = nullptr;
    } else if (skipDepth_) {
      if (--skipDepth_ == 0) route_ = afterSkip_;
      return;
    }
    EndDispatched();
    Reroute();
  }

  // Called from HandleElement of the current element: the rest of its content goes to its
  // ContentBegin/ContentEnd. False (nothing changed) when an element reads its content already.
  bool TakeContent() {
    if (content_ || !policy_.ContentReading) return false;
    content_ = current_;
    contentBase_ = stack_.size();
    return true;
  }
  // For an element reading its own content: the current start tag and its subtree go through
  // the per-tag dispatch as children of `element`.
  void BeginGeneric(TXPGBase* element) {
    current_ = element;
    Dispatch();
    Reroute();
  }
  // The current element's subtree is consumed without a report.
  void SkipContent() {
    skipDepth_ = 1;
    afterSkip_ = route_;
    route_ = Route::Skip;
  }
  // The reader hands the current start tag's attributes to the element it enters.
  bool AssignsAttributes() const { return policy_.AssignAttributesAlways || Attributes().Count() > 0; }

  // The sentinel a HandleElement returns for a child consumed without a report (an object that
  // is only compared, never used).
  static TXPGBase* SkipSilently() { return &skipSentinel_; }
  TXpgPErrors& Errors() { return errors_; }
  // The current tag is in namespace `ns`, or in none.
  bool InNs(TXpgNs ns) const { return Namespace() == ns || Namespace() == TXpgNs::None; }
  // The current tag is `local` in `ns` (or in none).
  bool Is(TXpgNs ns, std::string_view local) const { return InNs(ns) && RawLocalName() == local; }

 private:
  enum class Kind : uint8_t { Element, AlternateContent, Fallback };
  struct Frame {
    TXPGBase* element;
    Kind kind;
  };
  // Where the next tag goes: a skipped subtree, the element reading its own content, or the
  // per-tag dispatch; set again whenever the skip depth, the stack or the content reader changes,
  // so that a tag inside content read by its element takes one test.
  enum class Route : uint8_t { Dispatch, Content, Skip };
  void Reroute() {
    const Route next =
        content_ != nullptr && stack_.size() == contentBase_ ? Route::Content : Route::Dispatch;
    route_ = skipDepth_ ? Route::Skip : next;
    afterSkip_ = next;  // a skip changes neither the stack nor the content reader
  }

  // The per-tag dispatch of a start tag and of an end tag.
  void Dispatch();
  void EndDispatched();

  inline static TXPGBase skipSentinel_{nullptr};
  TXpgPErrors& errors_;
  TXPGBase* current_;
  TXpgUnitPolicy policy_;
  std::vector<Frame> stack_;
  int skipDepth_ = 0;
  TXPGBase* content_ = nullptr;  // the element reading its own content, if any
  size_t contentBase_ = 0;       // stack_ size at the element's own level
  Route route_ = Route::Dispatch;
  Route afterSkip_ = Route::Dispatch;  // the route when the skipped subtree ends
};

// Base of the generated document classes: the error sink every element of the tree reports to.
class TXPGDocBase {
 public:
  TXPGDocBase() = default;
  virtual ~TXPGDocBase() = default;
  TXPGDocBase(const TXPGDocBase&) = delete;
  TXPGDocBase& operator=(const TXPGDocBase&) = delete;
  TXpgPErrors& Errors() { return FErrors; }
  // Called once for every element object made for this document (the drawing units bound the
  // objects of one load here); the base counts nothing.
  virtual void ChargeElement() {}

 protected:
  TXpgPErrors FErrors;
};

// Helpers of the generated attribute readers.
// Position of `value` among `names` (ASCII letters compared without regard to case), or -1.
int XpgEnumIndex(std::string_view value, std::span<const std::string_view> names);
// Raises XLSRWException "Can not find enum \"%s\"" with prefix + value.
[[noreturn]] void XpgEnumNotFound(std::string_view prefix, std::string_view value);
// Integer text (TryXmlStrToInt), 0 when it does not convert.
int32_t XpgToInt(std::string_view text);
// Hexadecimal ARGB digits (at most 8), 0 when they do not convert.
int32_t XpgToArgb(std::string_view text);
// Float text, 0.0 when it does not convert.
double XpgToDouble(std::string_view text);
// Boolean text: 1 for true/1/t, 0 for false/0/f (any case), `fallback` for anything else.
uint8_t XpgToBool(std::string_view text, uint8_t fallback);

}  // namespace xls
