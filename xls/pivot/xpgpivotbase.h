// What the pivot unit adds to the element runtime of xls/package: the document base with the
// load's element budget, the compact values of cache records and the shared-item collector of a
// cache field.
//
// Element budget: every element object of a pivot document and every value of a cache record
// charges one unit; the documents read for one workbook load share one budget (10 million by
// default, as the drawing units). A record value costs 8 bytes in the records' value array plus
// 8 for a number or date, or its text; element objects some 50 to 300 bytes. Beyond the bound the
// load raises XLSRWException "Too many pivot elements", which the package reader turns into a
// dropped part.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "xls/drawingml/xpgdrawingbase.h"
#include "xls/model/xlsshareditems.h"
#include "xls/package/xpgruntime.h"

namespace xls {
class TXLSStream;
}

namespace xls::xpgpivot {

using xpgdml::TXpgElementBudget;

// A new budget for the pivot documents of one load.
std::shared_ptr<TXpgElementBudget> NewPivotBudget(int64_t limit = TXpgElementBudget::kDefaultLimit);

// Reads one part into `root` with a fresh reader over the document's error sink; the element
// `root` receives the document element. The tokenizer's failures pass to the caller.
void XpgPivotLoad(TXPGDocBase& doc, TXPGBase& root, TXLSStream* stream, std::string_view bytes);
// Raises XLSRWException "Not a <expected> part: document element <name>" for a document
// element other than the expected one (a part of another kind under a pivot relationship).
[[noreturn]] void XpgPivotWrongDocument(const TXPGReader& reader, std::string_view expected);

// Base of the pivot documents (one per root list).
class TXPGPivotDocBase : public TXPGDocBase {
 public:
  TXPGPivotDocBase() : FBudget(NewPivotBudget()) {}
  void ChargeElement() override { FBudget->Charge(); }
  void Charge(int64_t n) { FBudget->Charge(n); }
  const std::shared_ptr<TXpgElementBudget>& Budget() const { return FBudget; }
  void SetBudget(std::shared_ptr<TXpgElementBudget> budget) { FBudget = std::move(budget); }

 private:
  std::shared_ptr<TXpgElementBudget> FBudget;
};

// Charges one element object to its document (no document: an object made outside a load).
inline void XpgPivotCharge(TXPGDocBase* owner) {
  if (owner) owner->ChargeElement();
}

// The kind of one value of a cache record, as the element that wrote it: missing "m", number
// "n", Boolean "b", error "e", string "s", date-time "d", index into the field's shared items "x".
enum class TPivotRecordKind : uint8_t { Missing, Number, Boolean, Error, String, DateTime, Index };

// One stored record value: its kind and either the value itself (an index, a Boolean) or the
// position of its number or text in the records' side arrays.
struct TPivotRecordSlot {
  TPivotRecordKind Kind;
  uint32_t Payload;
};

// One record value as read back.
struct TPivotRecordValue {
  TPivotRecordKind Kind = TPivotRecordKind::Missing;
  int32_t Index = 0;       // Index: the shared item; Boolean: 0 or 1
  double Number = 0;       // Number, DateTime (days)
  std::u16string_view Text;  // String, Error (the error text as written)
};

// The shared-item collector of one cache field: every distinct value once, in order of first
// occurrence, with counts by kind and the range of numbers and dates.
class TXLSSharedItemsValuesHash : public TXPGBase {
 public:
  TXLSSharedItemsValuesHash() : TXPGBase(nullptr) {}
  int CheckAssigned() override;
  // The value elements' children ("x", "tpls") add nothing: skipped without a report.
  TXPGBase* HandleElement(TXPGReader& reader) override;
  // Reads the value of the element just started ("v", and the unused flag "u").
  void AssignAttributes(const TXpgXMLAttributeList& attributes) override;

  // Starts a value element of the given kind (a blank is added at once).
  void BeginValue(TXLSSharedItemsValueType type);
  void Clear();
  bool AddBoolean(bool v);
  bool AddDateTime(double v);
  bool AddError(TXc12CellError v);
  bool AddFloat(double v);
  bool AddString(std::u16string_view v);
  bool Add();  // a blank

  // When a value element has started: the sum of the kinds' counts; otherwise 0.
  int Count() const;
  // True when the numbers are at least as many as each other kind and the whole numbers (so
  // also for a field without values): the field's default summary is a sum.
  bool IsNumeric() const;
  int BooleanCount() const { return FBooleanCount; }
  int DateCount() const { return FDateCount; }
  int ErrorCount() const { return FErrorCount; }
  int BlankCount() const { return FBlankCount; }
  int NumericCount() const { return FNumericCount; }
  int IntegerCount() const { return FIntegerCount; }
  int StringCount() const { return FStringCount; }
  double MinValue() const { return FMinValue; }
  double MaxValue() const { return FMaxValue; }
  double MinDate() const { return FMinDate; }
  double MaxDate() const { return FMaxDate; }
  bool LongText() const { return FLongText; }
  bool Used() const { return FUsed; }
  const TXLSUniqueSharedItemsValues& ValueList() const { return FValueList; }

 private:
  void Added(bool isNew);
  int FBooleanCount = 0, FDateCount = 0, FErrorCount = 0, FBlankCount = 0, FNumericCount = 0,
      FIntegerCount = 0, FStringCount = 0;
  static constexpr double kMax = std::numeric_limits<double>::max();
  double FMinValue = kMax, FMaxValue = -kMax, FMinDate = kMax, FMaxDate = -kMax;
  bool FLongText = false;
  bool FUsed = false;
  bool FLastNew = false;  // the value element being read added a new value
  TXLSSharedItemsValueType FCurrType = TXLSSharedItemsValueType::xsivtBoolean;
  TXLSUniqueSharedItemsValues FValueList;

};

}  // namespace xls::xpgpivot
