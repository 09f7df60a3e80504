// What the drawing units (DrawingML common, chart, spreadsheet drawing) add to the element
// runtime of xls/package: the drawing document base with the graphic manager and the element
// budget, the adjustable coordinate and angle values, the one ordered list of mixed element
// objects (path commands), the holder of foreign elements inside extensions, and the colour
// transform list that every colour carries.
//
// Element budget: every element object of a drawing, chart or user-shape document charges one
// unit to the budget of the load, held by the workbook's graphic manager, so all documents read
// for one workbook load share one bound.
// An object costs about 50 to 100 bytes with its allocation and list slot (measured in a release
// build: 56 bytes per a:blur of an effect container, 86 per object for gradient stops with a
// colour and a transform; the largest classes, shape properties with their groups, some 300), so
// the default bound of 10 million objects keeps one load's drawing trees near 1 GB at most, while
// real drawings stay far below it (a large chart makes some thousands). Beyond the bound the load
// raises XLSRWException "Too many drawing elements", which the caller turns into a dropped part.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "xls/model/xlselementbudget.h"
#include "xls/package/xpgruntime.h"

namespace xls {
class TXc12GraphicManager;
class TXc12GraphicImage;
}  // namespace xls

namespace xls::xpgdml {

// The bound on the element objects of one load (xls/model/xlselementbudget.h).
using xls::TXpgElementBudget;

// What kind of part a drawing document reads: pictures bind to the workbook's image store only
// in a sheet's drawing; in a chart or its user shapes a picture's r:embed names a relationship
// of that part.
enum class TXpgDrawingKind : uint8_t { Other, SheetDrawing, Chart, UserShapes };

// Base of the drawing, chart and user-shape documents.
class TXPGDrawingDocBase : public TXPGDocBase {
 public:
  TXPGDrawingDocBase() : FBudget(std::make_shared<TXpgElementBudget>()) {}
  // A document with the workbook's graphic manager charges the budget of the manager's load, so
  // that every drawing, chart and user-shape document of one load shares one bound; one without
  // (a fragment read on its own) charges its own budget.
  void ChargeElement() override;

  // The workbook's graphic manager (not owned; nullptr for documents read on their own).
  TXc12GraphicManager* FGrManager = nullptr;
  // Prefix of the shape children: "xdr" in a sheet drawing, "cdr" in chart user shapes.
  std::u16string FNS;
  TXpgDrawingKind FKind = TXpgDrawingKind::Other;
  // Receives the warnings of parts read for this document (a chart dropped, a part left out).
  std::function<void(std::u16string_view)> OnWarning;

  // The budget of a document without a graphic manager; such documents may share one.
  const std::shared_ptr<TXpgElementBudget>& Budget() const { return FBudget; }
  void SetBudget(std::shared_ptr<TXpgElementBudget> budget) { FBudget = std::move(budget); }

 private:
  std::shared_ptr<TXpgElementBudget> FBudget;
};

// Charges one element object to its document (no document: element made by a model wrapper).
inline void XpgChargeElement(TXPGDocBase* owner) {
  if (owner) owner->ChargeElement();
}

// A number or the name of a geometry guide (ST_AdjCoordinate: EMU; ST_AdjAngle: 60000ths of a
// degree). nVal: -1 not given, 0 a number in Val1, 1 a guide name in Val2.
struct TST_AdjValue {
  std::u16string Val2;
  int32_t nVal = -1;
  int32_t Val1 = 0;
};
struct TST_AdjCoordinate : TST_AdjValue {};
struct TST_AdjAngle : TST_AdjValue {};
// An integer text gives a number, any other non-empty text a guide name; empty text changes
// nothing.
void StrToAdjValue(std::u16string_view text, TST_AdjValue& value);
inline void StrToAdjCoordinate(std::u16string_view text, TST_AdjCoordinate& value) {
  StrToAdjValue(text, value);
}
inline void StrToAdjAngle(std::u16string_view text, TST_AdjAngle& value) { StrToAdjValue(text, value); }

// An owning list of element objects made elsewhere and handed over (the chart's bar series).
class TXPGBaseList {
 public:
  TXPGBaseList() = default;
  // Takes `item` over and returns it.
  template <class T>
  T* Add(std::unique_ptr<T> item) {
    T* p = item.get();
    FItems.push_back(std::move(item));
    return p;
  }
  TXPGBase* GetItems(int index) const {
    if (index < 0 || index >= Count()) XpgListIndexError(index);
    return FItems[index].get();
  }
  TXPGBase* operator[](int index) const { return GetItems(index); }
  int Count() const { return static_cast<int>(FItems.size()); }
  void Clear() { FItems.clear(); }
  // Recomputes the flags of every item.
  void CheckAssigned() {
    for (auto& i : FItems) i->CheckAssigned();
  }
  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

 protected:
  std::vector<std::unique_ptr<TXPGBase>> FItems;
};

// An owning list of element objects of several classes, in document order (path commands).
class TXPGBaseObjectList : public TXPGBaseList {
 public:
  explicit TXPGBaseObjectList(TXPGDocBase* owner) : FOwner(owner) {}
  using TXPGBaseList::Add;
  // A new item of class T with the list's owner.
  template <class T>
  T* Add() {
    return Add(std::make_unique<T>(FOwner));
  }
  // Recomputes the items' flags; returns the sum of their counts.
  int CheckAssigned() {
    int n = 0;
    for (auto& i : FItems) n += i->CheckAssigned();
    Assigned = n > 0;
    return n;
  }
  bool Assigned = false;

 private:
  TXPGDocBase* FOwner;
};

// An element no class describes, inside an extension: its name as written, its text, its
// attributes; everything below it lands on the same object.
class TXPGAnyElement : public TXPGBase {
 public:
  explicit TXPGAnyElement(TXPGDocBase* owner) : TXPGBase(owner) { XpgChargeElement(owner); }
  TXPGBase* HandleElement(TXPGReader& reader) override;
  void AssignAttributes(const TXpgXMLAttributeList& attributes) override;
  std::u16string FElementName;
  std::u16string FContent;
  // Name as written and decoded value of every attribute, in order.
  std::vector<std::pair<std::u16string, std::u16string>> FAttributes;
};

class TXPGAnyElements {
 public:
  explicit TXPGAnyElements(TXPGDocBase* owner) : FOwner(owner) {}
  TXPGAnyElement* Add(std::u16string_view elementName, std::u16string_view content);
  int Count() const { return static_cast<int>(FItems.size()); }
  TXPGAnyElement* GetItems(int index) const {
    if (index < 0 || index >= Count()) XpgListIndexError(index);
    return FItems[index].get();
  }

 private:
  TXPGDocBase* FOwner;
  std::vector<std::unique_ptr<TXPGAnyElement>> FItems;
};

// The transforms of one colour (alpha, lumMod, hueOff, ...) as name and value pairs in document
// order; values stay in the schema's units (1/1000 percent, 60000ths of a degree for hue and
// hueOff).
class TEG_ColorTransform : public TXPGBase {
 public:
  struct TItem {
    std::string Name;
    int32_t Value;
  };
  explicit TEG_ColorTransform(TXPGDocBase* owner) : TXPGBase(owner) { XpgChargeElement(owner); }
  int CheckAssigned() override;
  // Records a transform element (its val attribute); a transform without a value (inv, gray,
  // comp, gamma, invGamma) is taken without an entry; other names are not taken.
  TXPGBase* HandleElement(TXPGReader& reader) override;
  // Index of the first entry named `name` (case counts), -1 when there is none.
  int Find(std::string_view name) const;
  // Value of the first entry named `name`, NaN when there is none.
  double GetAsDouble(std::string_view name) const;
  // Sets the first entry named `name` to `value` rounded (halves to even), or appends one.
  void SetAsDouble(std::string_view name, double value);
  void Add(std::string_view name, int32_t value) { FItems.push_back({std::string(name), value}); }
  void Clear() {
    FItems.clear();
    FAssigneds = 0;
  }
  // `rgb` after the hue, saturation and luminance transforms, in order: hue in 60000ths of a
  // degree (wrapping around the circle), the others / 100000; saturation and luminance are
  // clamped to 0..1 before the conversion back. Other transforms are ignored.
  uint32_t Apply(uint32_t rgb) const;
  const std::vector<TItem>& Items() const { return FItems; }
  int Count() const { return static_cast<int>(FItems.size()); }

 private:
  std::vector<TItem> FItems;
};

}  // namespace xls::xpgdml
