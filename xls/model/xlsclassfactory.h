// The class factory: lets the model create the component's own subclasses of its lists and
// objects (names, merged cells, hyperlinks, autofilter, relative cell ranges, ...).
//
// The model asks the factory for an object of a kind and takes ownership of what it gets; the
// base factory makes the model's plain classes, the editing layer overrides `CreateAClass` to
// hand out its richer subclasses. Every object a factory makes derives from `TXLSFactoryObject`
// so that one owning pointer type carries any kind.
#pragma once

#include <cstdint>
#include <memory>

namespace xls {

enum class TXLSClassFactoryType : uint8_t {
  xcftNames, xcftNamesMember, xcftMergedCells, xcftMergedCellsMember, xcftHyperlinks,
  xcftHyperlinksMember, xcftDataValidations, xcftDataValidationsMember, xcftConditionalFormat,
  xcftConditionalFormats, xcftAutofilter, xcftAutofilterColumn, xcftDrawing, xcftVirtualCells
};

class TXLSFactoryObject {
 public:
  virtual ~TXLSFactoryObject() = default;
};

class TXLSClassFactory {
 public:
  virtual ~TXLSClassFactory() = default;
  // A new object of the kind, or nullptr for a kind this factory does not make.
  virtual std::unique_ptr<TXLSFactoryObject> CreateAClass(TXLSClassFactoryType kind, void* owner) = 0;

  // The object as T; nullptr when the factory made none or one of another class.
  template <class T>
  std::unique_ptr<T> CreateAs(TXLSClassFactoryType kind, void* owner) {
    auto o = CreateAClass(kind, owner);
    if (auto* t = dynamic_cast<T*>(o.get())) {
      o.release();
      return std::unique_ptr<T>(t);
    }
    return nullptr;
  }
};

}  // namespace xls
