// Hand-written parts of the pivot unit: the document base's budget and loading, extensions,
// cache fields, the shared-item collector, the records with their compact values and the row and
// column item lists of a table definition.
#include <cmath>
#include <limits>

#include "platform/textcodec.h"
#include "xls/model/xlserrors.h"
#include "xls/package/xlsstream.h"
#include "xls/package/xpgvalues.h"
#include "xls/pivot/xpgparserpivot.h"

namespace xls::xpgpivot {

std::shared_ptr<TXpgElementBudget> NewPivotBudget(int64_t limit) {
  return std::make_shared<TXpgElementBudget>(limit, "Too many pivot elements");
}

namespace {
// The root of one part's reader: hands the document element to the loader's target.
class TPartRoot : public TXPGBase {
 public:
  explicit TPartRoot(TXPGBase& target) : TXPGBase(nullptr), FTarget(target) {}
  TXPGBase* HandleElement(TXPGReader& r) override { return FTarget.HandleElement(r); }

 private:
  TXPGBase& FTarget;
};
}  // namespace

void XpgPivotLoad(TXPGDocBase& doc, TXPGBase& root, TXLSStream* stream, std::string_view bytes) {
  TPartRoot top(root);
  TXPGReader reader(doc.Errors(), top, TXpgUnitPolicy{});
  if (stream)
    reader.LoadFromStream(*stream);
  else
    reader.LoadFromBytes(bytes);
}

void XpgPivotWrongDocument(const TXPGReader& reader, std::string_view expected) {
  throw XLSRWException("Not a " + std::string(expected) + " part: document element " +
                       std::string(reader.RawQName()));
}

// ---- extensions -------------------------------------------------------------------------------

TXPGBase* TCT_Extension::HandleElement(TXPGReader& r) {
  return FAnyElements.Add(r.QName(), r.HasText() ? std::u16string_view(r.Text()) : std::u16string_view());
}

int TCT_Extension::CheckAssigned() { return CheckAssignedGenerated() + FAnyElements.Count(); }

// ---- cache fields -------------------------------------------------------------------------------

TCT_CacheField* TCT_CacheFields::GetItems(int index) const {
  if (index < 0 || index >= Count()) XpgListIndexError(index);
  return FItems[index].get();
}

TCT_CacheField* TCT_CacheFields::Add() {
  FItems.push_back(std::make_unique<TCT_CacheField>(FOwner));
  return FItems.back().get();
}

TXPGBase* TCT_CacheFields::HandleElement(TXPGReader& r) {
  if (r.Is(TXpgNs::SpreadsheetML, "cacheField")) return Add();
  return nullptr;
}

int TCT_CacheFields::CheckAssigned() {
  FAssigneds = 0;
  if (FItems.empty()) return 0;
  int n = Count();
  for (auto& f : FItems) n += f->CheckAssigned();
  FAssigneds = xaElements | xaAttributes;
  return n;
}

// ---- shared items -------------------------------------------------------------------------------

TXPGBase* TCT_SharedItems::HandleElement(TXPGReader& r) {
  if (!r.InNs(TXpgNs::SpreadsheetML) || r.RawLocalName().size() != 1) return nullptr;
  TXLSSharedItemsValueType type;
  switch (r.RawLocalName()[0]) {
    case 'b': type = TXLSSharedItemsValueType::xsivtBoolean; break;
    case 'd': type = TXLSSharedItemsValueType::xsivtDate; break;
    case 'e': type = TXLSSharedItemsValueType::xsivtError; break;
    case 'm': type = TXLSSharedItemsValueType::xsivtBlank; break;
    case 'n': type = TXLSSharedItemsValueType::xsivtNumeric; break;
    case 's': type = TXLSSharedItemsValueType::xsivtString; break;
    default: return nullptr;
  }
  FValues.BeginValue(type);
  return &FValues;
}

int TCT_SharedItems::CheckAssigned() {
  const int attributes = CheckAssignedGenerated();
  int n = attributes;
  const TXLSSharedItemsValuesHash& v = FValues;
  for (int c : {v.DateCount(), v.StringCount(), v.BlankCount(), v.NumericCount(), v.IntegerCount()})
    if (c > 0) ++n;
  if (n > 0) FAssigneds |= xaAttributes;
  if (v.Count() > 0) FAssigneds |= xaElements;
  return n + v.Count();
}

int TXLSSharedItemsValuesHash::CheckAssigned() {
  FAssigneds = xaAttributes;
  return 1;
}

TXPGBase* TXLSSharedItemsValuesHash::HandleElement(TXPGReader& reader) {
  (void)reader;
  return TXPGReader::SkipSilently();
}

void TXLSSharedItemsValuesHash::BeginValue(TXLSSharedItemsValueType type) {
  FUsed = true;
  FCurrType = type;
  FLastNew = false;
  if (type == TXLSSharedItemsValueType::xsivtBlank) FLastNew = Add();
}

void TXLSSharedItemsValuesHash::AssignAttributes(const TXpgXMLAttributeList& a) {
  bool unused = false;
  int value = -1;
  for (int i = 0; i < a.Count(); ++i) {
    if (a.Is(i, TXpgNs::None, "u"))
      unused = XmlStrToBool(a.GetValues(i));
    else if (a.Is(i, TXpgNs::None, "v"))
      value = i;
  }
  const std::u16string empty;
  const std::u16string& text = value >= 0 ? a.GetValues(value) : empty;
  switch (FCurrType) {
    case TXLSSharedItemsValueType::xsivtBoolean: FLastNew = AddBoolean(XmlStrToBool(text)); break;
    case TXLSSharedItemsValueType::xsivtDate: FLastNew = AddDateTime(XmlStrToDateTime(text)); break;
    case TXLSSharedItemsValueType::xsivtError: FLastNew = AddError(ErrorTextToCellError(text)); break;
    case TXLSSharedItemsValueType::xsivtNumeric: FLastNew = AddFloat(XmlStrToFloat(text)); break;
    case TXLSSharedItemsValueType::xsivtString: FLastNew = AddString(text); break;
    case TXLSSharedItemsValueType::xsivtBlank: break;  // added when the element started
  }
  // The flag belongs to this element's value: only a value it added carries it.
  if (FLastNew && FValueList.Count() > 0) FValueList.GetItems(FValueList.Count() - 1)->SetUnused(unused);
}

void TXLSSharedItemsValuesHash::Clear() {
  FBooleanCount = FDateCount = FErrorCount = FBlankCount = FNumericCount = FIntegerCount = FStringCount = 0;
  FMinValue = FMinDate = kMax;
  FMaxValue = FMaxDate = -kMax;
  FLongText = false;
  FValueList.Clear();
}

bool TXLSSharedItemsValuesHash::AddBoolean(bool v) {
  const bool isNew = FValueList.AddBoolean(v);
  FBooleanCount += isNew;
  return isNew;
}

bool TXLSSharedItemsValuesHash::AddDateTime(double v) {
  const bool isNew = FValueList.AddDate(v);
  FDateCount += isNew;
  if (v <= FMinDate) FMinDate = v;
  if (v >= FMaxDate) FMaxDate = v;
  return isNew;
}

bool TXLSSharedItemsValuesHash::AddError(TXc12CellError v) {
  const bool isNew = FValueList.AddError(v);
  FErrorCount += isNew;
  return isNew;
}

bool TXLSSharedItemsValuesHash::AddFloat(double v) {
  const bool isNew = FValueList.AddNumeric(v);
  if (isNew) {
    ++FNumericCount;
    if (v == std::trunc(v) && v >= -2147483647.0 && v <= 2147483647.0) ++FIntegerCount;
  }
  if (v <= FMinValue) FMinValue = v;
  if (v >= FMaxValue) FMaxValue = v;
  return isNew;
}

bool TXLSSharedItemsValuesHash::AddString(std::u16string_view v) {
  const bool isNew = FValueList.AddString(v);
  if (isNew) {
    ++FStringCount;
    if (v.size() > 255) FLongText = true;
  }
  return isNew;
}

bool TXLSSharedItemsValuesHash::Add() {
  const bool isNew = FValueList.AddBlank();
  FBlankCount += isNew;
  return isNew;
}

int TXLSSharedItemsValuesHash::Count() const {
  return FUsed ? FBooleanCount + FDateCount + FErrorCount + FBlankCount + FNumericCount + FStringCount : 0;
}

bool TXLSSharedItemsValuesHash::IsNumeric() const {
  for (int c : {FBooleanCount, FDateCount, FErrorCount, FBlankCount, FIntegerCount, FStringCount})
    if (FNumericCount < c) return false;
  return true;
}

// ---- records ----------------------------------------------------------------------------------

// The current record: every value element of an "r" is stored in the records' compact arrays;
// what a value element holds (its OLAP references) is skipped without a report.
class TPivotRecordReader : public TXPGBase {
 public:
  explicit TPivotRecordReader(TCT_PivotCacheRecords& records) : TXPGBase(nullptr), FRecords(records) {}
  TXPGBase* HandleElement(TXPGReader& r) override {
    if (!r.InNs(TXpgNs::SpreadsheetML) || r.RawLocalName().size() != 1) return nullptr;
    TPivotRecordKind kind;
    switch (r.RawLocalName()[0]) {
      case 'x': kind = TPivotRecordKind::Index; break;
      case 'n': kind = TPivotRecordKind::Number; break;
      case 's': kind = TPivotRecordKind::String; break;
      case 'd': kind = TPivotRecordKind::DateTime; break;
      case 'b': kind = TPivotRecordKind::Boolean; break;
      case 'e': kind = TPivotRecordKind::Error; break;
      case 'm': kind = TPivotRecordKind::Missing; break;
      default: return nullptr;
    }
    FRecords.AddValue(kind, r.Attributes());
    return TXPGReader::SkipSilently();
  }

 private:
  TCT_PivotCacheRecords& FRecords;
};

void TCT_PivotCacheRecords::AddValue(TPivotRecordKind kind, const TXpgXMLAttributeList& a) {
  if (FOwner) FOwner->ChargeElement();
  int v = -1;
  for (int i = 0; i < a.Count(); ++i)
    if (a.Is(i, TXpgNs::None, "v")) v = i;
  uint32_t payload = 0;
  switch (kind) {
    case TPivotRecordKind::Index:
      payload = static_cast<uint32_t>(v >= 0 ? XpgToInt(a.ValueBytes(v)) : 0);
      break;
    case TPivotRecordKind::Boolean:
      payload = v >= 0 ? XpgToBool(a.ValueBytes(v), 0) == 1 : 0;
      break;
    case TPivotRecordKind::Number:
    case TPivotRecordKind::DateTime:
      payload = static_cast<uint32_t>(FNumbers.size());
      if (v < 0)
        FNumbers.push_back(kind == TPivotRecordKind::Number ? std::numeric_limits<double>::quiet_NaN() : 0.0);
      else
        FNumbers.push_back(kind == TPivotRecordKind::Number ? XpgToDouble(a.ValueBytes(v))
                                                            : XmlStrToDateTime(a.GetValues(v)));
      break;
    case TPivotRecordKind::String:
    case TPivotRecordKind::Error:
      payload = static_cast<uint32_t>(FTexts.size());
      FTexts.push_back(v >= 0 ? a.GetValues(v) : std::u16string());
      break;
    case TPivotRecordKind::Missing:
      break;
  }
  FValues.push_back({kind, payload});
}

TXPGBase* TCT_PivotCacheRecords::HandleElement(TXPGReader& r) {
  if (!FInDocument) {
    // The document element.
    if (!r.Is(TXpgNs::SpreadsheetML, "pivotCacheRecords")) XpgPivotWrongDocument(r, "pivotCacheRecords");
    FInDocument = true;
    return this;
  }
  if (r.Is(TXpgNs::SpreadsheetML, "r")) {
    if (!FRecordReader) FRecordReader = std::make_unique<TPivotRecordReader>(*this);
    FStarts.push_back(static_cast<uint32_t>(FValues.size()));
    return FRecordReader.get();
  }
  if (r.Is(TXpgNs::SpreadsheetML, "extLst")) {
    if (!FExtLst) FExtLst = std::make_unique<TCT_ExtensionList>(FOwner);
    return FExtLst.get();
  }
  return nullptr;
}

void TCT_PivotCacheRecords::AssignAttributes(const TXpgXMLAttributeList& a) {
  for (int i = 0; i < a.Count(); ++i) {
    if (a.Is(i, TXpgNs::None, "count"))
      FCount = XpgToInt(a.ValueBytes(i));
    else
      FRootAttributes.Add(a.AsXmlText2(i));
  }
}

int TCT_PivotCacheRecords::CheckAssigned() {
  FAssigneds = xaAttributes;
  int n = 1 + (FCount != 2147483632 ? 1 : 0);
  if (!FStarts.empty()) {
    n += RecordCount();
    FAssigneds |= xaElements;
  }
  return n;
}

int TCT_PivotCacheRecords::ValueCount(int record) const {
  if (record < 0 || record >= RecordCount()) XpgListIndexError(record);
  const size_t end = record + 1 < RecordCount() ? FStarts[record + 1] : FValues.size();
  return static_cast<int>(end - FStarts[record]);
}

TPivotRecordValue TCT_PivotCacheRecords::Value(int record, int index) const {
  if (index < 0 || index >= ValueCount(record)) XpgListIndexError(index);
  const TPivotRecordSlot& s = FValues[FStarts[record] + index];
  TPivotRecordValue v;
  v.Kind = s.Kind;
  switch (s.Kind) {
    case TPivotRecordKind::Index:
    case TPivotRecordKind::Boolean: v.Index = static_cast<int32_t>(s.Payload); break;
    case TPivotRecordKind::Number:
    case TPivotRecordKind::DateTime: v.Number = FNumbers[s.Payload]; break;
    case TPivotRecordKind::String:
    case TPivotRecordKind::Error: v.Text = FTexts[s.Payload]; break;
    case TPivotRecordKind::Missing: break;
  }
  return v;
}

void TCT_PivotCacheRecords::Load(TXLSStream* stream, std::string_view bytes) {
  Clear();
  try {
    XpgPivotLoad(*FOwner, *this, stream, bytes);
  } catch (...) {
    Clear();  // a records part read in part is no records part
    throw;
  }
}

void TCT_PivotCacheRecords::LoadFromStream(TXLSStream& stream) { Load(&stream, {}); }
void TCT_PivotCacheRecords::LoadFromBytes(std::string_view bytes) { Load(nullptr, bytes); }

void TCT_PivotCacheRecords::Clear() {
  FInDocument = false;
  FRootAttributes.Clear();
  FCount = 0;
  FStarts = {};
  FValues = {};
  FNumbers = {};
  FTexts = {};
  FExtLst.reset();
}

// ---- table definitions --------------------------------------------------------------------------

TXPGBase* TCT_pivotTableDefinition::HandleElement(TXPGReader& r) {
  TXPGBase* x = HandleElementGenerated(r);
  if (x != nullptr && x == FColItems.get()) FColItems->SetIsRow(false);
  return x;
}

}  // namespace xls::xpgpivot
