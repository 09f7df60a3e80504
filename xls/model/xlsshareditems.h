// The distinct values of a pivot cache field (its shared items): Booleans, dates, errors, blanks,
// numbers and strings, each an object of its own kind, in an owning list, and the unique list
// that refuses a value it already holds.
//
// Format facts: a cache field lists every distinct value of its source column once, in order of
// first appearance; the kinds are told apart (the number 1 and the date with serial 1 are two
// values), strings are compared exactly (letter case counts), numbers and dates by exact
// floating-point equality (a NaN equals nothing, so two NaNs are two values).
// Design choice: the unique list finds an equal value through a hash set keyed by kind and value
// (constant time per value), so a field of a million distinct texts loads in linear time; each
// distinct value is held once, in the list's order of addition.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "xls/model/xlscellarea.h"

namespace xls {

enum class TXLSSharedItemsValueType : uint8_t {
  xsivtBoolean, xsivtDate, xsivtError, xsivtBlank, xsivtNumeric, xsivtString
};

// One shared-item value. A value answers only the getter and setter of its own kind; the others
// raise XLSRWException "Invalid value type".
class TXLSSharedItemsValue {
 public:
  virtual ~TXLSSharedItemsValue() = default;
  // 32-bit hash of the value: strings rotate left by 2 and xor each code unit, numbers and dates
  // each byte of the double (least significant first), errors their ordinal, Booleans 1 or 0,
  // blanks 0.
  virtual uint32_t GetHash() const = 0;
  virtual bool AsBoolean() const;
  virtual double AsDate() const;
  virtual TXc12CellError AsError() const;
  virtual double AsNumeric() const;
  virtual const std::u16string& AsString() const;
  // A text that tells the value apart from the others of its kind ("TRUE", the serial or number
  // in general form, the error text, "BLANK", the string itself).
  virtual std::u16string AsIdString() const = 0;
  // The value as the user sees it (dates in the short date form, fractions with two decimals,
  // "(blank)").
  virtual std::u16string AsText() const { return {}; }
  virtual void SetAsBoolean(bool v);
  virtual void SetAsDate(double v);
  virtual void SetAsError(TXc12CellError v);
  virtual void SetAsNumeric(double v);
  virtual void SetAsString(std::u16string_view v);
  virtual TXLSSharedItemsValueType Type_() const = 0;
  // A new value of the same kind and value (Unused not copied).
  virtual std::unique_ptr<TXLSSharedItemsValue> Clone() const = 0;

  bool Unused() const { return FUnused; }
  void SetUnused(bool v) { FUnused = v; }

  bool EqualBoolean(bool v) const;
  bool EqualError(TXc12CellError v) const;
  bool EqualString(std::u16string_view v) const;
  bool EqualNumeric(double v) const;
  bool EqualDate(double v) const;
  bool EqualBlank() const { return Type_() == TXLSSharedItemsValueType::xsivtBlank; }
  bool Equal(const TXLSSharedItemsValue& other) const;

 private:
  bool FUnused = false;
};

class TXLSSharedItemsValueBoolean final : public TXLSSharedItemsValue {
 public:
  explicit TXLSSharedItemsValueBoolean(bool v) : FValue(v) {}
  uint32_t GetHash() const override { return FValue ? 1 : 0; }
  bool AsBoolean() const override { return FValue; }
  std::u16string AsIdString() const override { return FValue ? u"TRUE" : u"FALSE"; }
  std::u16string AsText() const override { return AsIdString(); }
  void SetAsBoolean(bool v) override { FValue = v; }
  TXLSSharedItemsValueType Type_() const override { return TXLSSharedItemsValueType::xsivtBoolean; }
  std::unique_ptr<TXLSSharedItemsValue> Clone() const override;

 private:
  bool FValue;
};

class TXLSSharedItemsValueDate final : public TXLSSharedItemsValue {
 public:
  explicit TXLSSharedItemsValueDate(double v) : FValue(v) {}
  uint32_t GetHash() const override;
  double AsDate() const override { return FValue; }
  std::u16string AsIdString() const override;
  std::u16string AsText() const override;
  void SetAsDate(double v) override { FValue = v; }
  TXLSSharedItemsValueType Type_() const override { return TXLSSharedItemsValueType::xsivtDate; }
  std::unique_ptr<TXLSSharedItemsValue> Clone() const override;

 private:
  double FValue;
};

class TXLSSharedItemsValueError final : public TXLSSharedItemsValue {
 public:
  explicit TXLSSharedItemsValueError(TXc12CellError v) : FValue(v) {}
  uint32_t GetHash() const override { return static_cast<uint32_t>(FValue); }
  TXc12CellError AsError() const override { return FValue; }
  std::u16string AsIdString() const override;
  std::u16string AsText() const override { return AsIdString(); }
  void SetAsError(TXc12CellError v) override { FValue = v; }
  TXLSSharedItemsValueType Type_() const override { return TXLSSharedItemsValueType::xsivtError; }
  std::unique_ptr<TXLSSharedItemsValue> Clone() const override;

 private:
  TXc12CellError FValue;
};

class TXLSSharedItemsValueBlank final : public TXLSSharedItemsValue {
 public:
  uint32_t GetHash() const override { return 0; }
  std::u16string AsIdString() const override { return u"BLANK"; }
  std::u16string AsText() const override { return u"(blank)"; }
  TXLSSharedItemsValueType Type_() const override { return TXLSSharedItemsValueType::xsivtBlank; }
  std::unique_ptr<TXLSSharedItemsValue> Clone() const override;
};

class TXLSSharedItemsValueNumeric final : public TXLSSharedItemsValue {
 public:
  explicit TXLSSharedItemsValueNumeric(double v) : FValue(v) {}
  uint32_t GetHash() const override;
  double AsNumeric() const override { return FValue; }
  std::u16string AsIdString() const override;
  std::u16string AsText() const override;
  void SetAsNumeric(double v) override { FValue = v; }
  TXLSSharedItemsValueType Type_() const override { return TXLSSharedItemsValueType::xsivtNumeric; }
  std::unique_ptr<TXLSSharedItemsValue> Clone() const override;

 private:
  double FValue;
};

class TXLSSharedItemsValueString final : public TXLSSharedItemsValue {
 public:
  explicit TXLSSharedItemsValueString(std::u16string_view v) : FValue(v) {}
  uint32_t GetHash() const override;
  const std::u16string& AsString() const override { return FValue; }
  std::u16string AsIdString() const override { return FValue; }
  std::u16string AsText() const override { return FValue; }
  void SetAsString(std::u16string_view v) override { FValue = v; }
  TXLSSharedItemsValueType Type_() const override { return TXLSSharedItemsValueType::xsivtString; }
  std::unique_ptr<TXLSSharedItemsValue> Clone() const override;

 private:
  std::u16string FValue;
};

// The hash of a string, a double and an error ordinal as GetHash computes them.
uint32_t SharedItemsStringHash(std::u16string_view v);
uint32_t SharedItemsDoubleHash(double v);

// An owning list of values in order of addition. Find is a linear search for an equal value;
// the typed Adds append a new value and return true.
class TXLSSharedItemsValues {
 public:
  TXLSSharedItemsValues() = default;
  virtual ~TXLSSharedItemsValues() = default;
  TXLSSharedItemsValues(const TXLSSharedItemsValues&) = delete;
  TXLSSharedItemsValues& operator=(const TXLSSharedItemsValues&) = delete;

  int Count() const { return static_cast<int>(FItems.size()); }
  // Raises XLSRWException "List index out of bounds (%d)" outside 0..Count-1.
  TXLSSharedItemsValue* GetItems(int index) const;
  virtual void Clear() { FItems.clear(); }

  virtual bool FindBoolean(bool v) const;
  virtual bool FindNumeric(double v) const;
  virtual bool FindDate(double v) const;
  virtual bool FindError(TXc12CellError v) const;
  virtual bool FindBlank() const;
  virtual bool FindString(std::u16string_view v) const;
  virtual bool Find(const TXLSSharedItemsValue& v) const;

  // Takes the value object itself.
  virtual bool Add(std::unique_ptr<TXLSSharedItemsValue> v);
  virtual bool AddBoolean(bool v);
  virtual bool AddDate(double v);
  virtual bool AddError(TXc12CellError v);
  virtual bool AddBlank();
  virtual bool AddNumeric(double v);
  virtual bool AddString(std::u16string_view v);

 protected:
  void Append(std::unique_ptr<TXLSSharedItemsValue> v) { FItems.push_back(std::move(v)); }

 private:
  std::vector<std::unique_ptr<TXLSSharedItemsValue>> FItems;
};

// The list of distinct values: an Add returns true when the value was new and has been appended,
// false (nothing changed) when an equal value is present. Add with a value object adds its value
// and frees the object either way.
class TXLSUniqueSharedItemsValues final : public TXLSSharedItemsValues {
 public:
  TXLSUniqueSharedItemsValues();
  ~TXLSUniqueSharedItemsValues() override;
  void Clear() override;

  bool FindBoolean(bool v) const override;
  bool FindNumeric(double v) const override;
  bool FindDate(double v) const override;
  bool FindError(TXc12CellError v) const override;
  bool FindBlank() const override;
  bool FindString(std::u16string_view v) const override;
  bool Find(const TXLSSharedItemsValue& v) const override;

  bool Add(std::unique_ptr<TXLSSharedItemsValue> v) override;
  bool AddBoolean(bool v) override;
  bool AddDate(double v) override;
  bool AddError(TXc12CellError v) override;
  bool AddBlank() override;
  bool AddNumeric(double v) override;
  bool AddString(std::u16string_view v) override;

 private:
  // The set holds positions in the list; a probe value stands at position -1.
  struct THash {
    const TXLSUniqueSharedItemsValues* list;
    size_t operator()(int32_t i) const;
  };
  struct TEq {
    const TXLSUniqueSharedItemsValues* list;
    bool operator()(int32_t a, int32_t b) const;
  };
  const TXLSSharedItemsValue& At(int32_t i) const { return i < 0 ? *FProbe : *GetItems(i); }
  bool Has(const TXLSSharedItemsValue& probe) const;
  bool Insert(std::unique_ptr<TXLSSharedItemsValue> v);

  mutable const TXLSSharedItemsValue* FProbe = nullptr;
  std::unordered_set<int32_t, THash, TEq> FSet;
};

}  // namespace xls
