// Conditional formats, data validations and the autofilter of a legacy sheet, kept on the legacy
// side with their raw condition data and their formulas as legacy tokens.
//
// Format facts (MS-XLS): CONDFMT holds the CF count, an id, the bounding range and the ranges;
// each CF (one condition) holds its type (1 compare the cell value, 2 formula), the operator
// (1 between .. 8 less or equal), both formula byte counts, a flag word saying which format
// blocks follow (bit 25 number format, 26 font, 27 alignment, 28 border, 29 pattern, 30
// protection, in that order; the number format is counted when bit 0 of the word at 10 is set,
// else 2 bytes), then the tokens. DVAL announces the DV records; each DV holds its flag word
// (bits 0-3 type, 4-6 error style, 20-23 operator), four texts, two formulas and its ranges.
// FILTERMODE / AUTOFILTERINFO / AUTOFILTER describe the autofilter's column conditions; the
// filter's area is the sheet's _FilterDatabase name, which lives in the workbook model.
//
// Decisions: CF and DV formulas are relative to the top-left cell of the CONDFMT's bounding range
// and of the rule's first range. One bad object never ends a load: a CONDFMT whose CF count is
// outside 1..3 or whose CF is missing, a DV missing or with a text flag other than 0 or 1, keeps
// what was read and leaves the next record to the loop (the reader warns). A CONDFMT of more than
// three CF (Gnumeric writes five) keeps them all, the ones past the third behind them. BIFF5/7
// rules (Gnumeric writes them) hold 8-bit texts without flag bytes and BIFF5 tokens.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "xls/biff/biffvalues.h"
#include "xls/biff/sheets.h"
#include "xls/model/xlsstyles.h"

namespace xls::biff {

class TBIFF5;

// Bad or missing objects found while reading; the reader turns them into warnings.
using TRuleWarnings = std::vector<std::u16string>;

// What reading a rule needs of the record loop: the next record's id and reading it whole.
class TRuleSource {
 public:
  virtual ~TRuleSource() = default;
  virtual uint16_t PeekId() = 0;
  virtual bool ReadRecord(uint16_t& id, std::vector<uint8_t>& body) = 0;
};

enum class TConditionOperator : uint8_t {
  coNoComparision, coBetween, coNotBetween, coEqual, coNotEqual, coGreater, coLess, coGreateEqual, coLessEqual
};

struct TCondFmtData;

// Typed access to a condition's font block (118 bytes: height at 64, options at 68, weight at
// 72, escapement at 74, underline at 76, colour index at 80, modified flags at 88, escapement and
// underline "modified" words at 92 and 96, 0x0001 at 116).
class TCondFmtFont {
 public:
  explicit TCondFmtFont(TCondFmtData& data) : FData(data) {}
  // Twentieths of a point; 0 when not set. Writing 0 stores "not set"; the font counts as
  // assigned exactly when a height is stored.
  int32_t Height20() const;
  void SetHeight20(int32_t v);
  // Bold (weight 700 or more), italic and strike-out; the other styles are not kept.
  TXc12FontStyles FontStyle() const;
  void SetFontStyle(TXc12FontStyles v);
  int32_t Escapment() const;
  void SetEscapment(int32_t v);
  TXc12Underline Underline() const;
  void SetUnderline(TXc12Underline v);
  // A palette index; 64 (automatic) when not set.
  int32_t Color() const;
  void SetColor(int32_t v);
  bool Assigned() const;

 private:
  TCondFmtData& FData;
};

enum class TCondFmtSide : uint8_t { Left, Right, Top, Bottom };

// Typed access to a condition's border block: line styles in four 4-bit fields (left, right,
// top, bottom), palette indexes in four 7-bit fields (left bits 0-6, right 7-13, top 16-22,
// bottom 23-29).
class TCondFmtBorder {
 public:
  explicit TCondFmtBorder(TCondFmtData& data) : FData(data) {}
  int32_t Style(TCondFmtSide side) const;
  // A different value replaces the field and makes the side assigned when it is not 0.
  void SetStyle(TCondFmtSide side, int32_t v);
  // Values above 64 read as 64 (automatic).
  int32_t Color(TCondFmtSide side) const;
  void SetColor(TCondFmtSide side, int32_t v);
  int32_t LeftStyle() const { return Style(TCondFmtSide::Left); }
  int32_t RightStyle() const { return Style(TCondFmtSide::Right); }
  int32_t TopStyle() const { return Style(TCondFmtSide::Top); }
  int32_t BottomStyle() const { return Style(TCondFmtSide::Bottom); }
  int32_t LeftColor() const { return Color(TCondFmtSide::Left); }
  int32_t RightColor() const { return Color(TCondFmtSide::Right); }
  int32_t TopColor() const { return Color(TCondFmtSide::Top); }
  int32_t BottomColor() const { return Color(TCondFmtSide::Bottom); }
  bool Assigned() const;

 private:
  TCondFmtData& FData;
};

// Typed access to a condition's pattern block: the fill pattern in bits 10-15 of its first word,
// the background colour in bits 0-6 and the foreground colour in bits 7-13 of its second.
class TCondFmtPattern {
 public:
  explicit TCondFmtPattern(TCondFmtData& data) : FData(data) {}
  int32_t FillPattern() const;
  // Replaces the bits (0 clears them); assigned exactly when the value is not 0.
  void SetFillPattern(int32_t v);
  // 0 and values above 64 read as 64 (automatic); writing 0 or 64 clears the field and its flag.
  int32_t BackColor() const;
  void SetBackColor(int32_t v);
  int32_t ForeColor() const;
  void SetForeColor(int32_t v);
  bool Assigned() const;

 private:
  int32_t ColorField(int shift) const;
  void SetColorField(int shift, size_t flag, int32_t v);
  TCondFmtData& FData;
};

// One condition of a conditional format: the CF record's first 12 bytes, its format blocks and
// its formulas (legacy tokens).
struct TCondFmtData {
  TCondFmtData();
  TCondFmtFont FmtFont() { return TCondFmtFont(*this); }
  TCondFmtBorder FmtBorder() { return TCondFmtBorder(*this); }
  TCondFmtPattern FmtPattern() { return TCondFmtPattern(*this); }
  bool CompareCell() const { return FRecCF[0] == 1; }
  TConditionOperator CompOperator() const {
    return FRecCF[1] <= 8 ? TConditionOperator(FRecCF[1]) : TConditionOperator::coNoComparision;
  }
  std::array<uint8_t, 12> FRecCF{};
  std::vector<uint8_t> FFormula1, FFormula2;
  std::array<uint8_t, 118> FFont{};
  std::array<uint8_t, 8> FBorder{};
  std::array<uint8_t, 4> FPattern{};
  bool FFontAssigned = false;
  std::array<bool, 4> FBorderAssigned{};   // left, right, top, bottom
  std::array<bool, 3> FPatternAssigned{};  // pattern, colour in bits 0-6, colour in bits 7-13
};

class TConditionalFormat {
 public:
  TConditionalFormat() : FConditions(3) {}
  // Conditions 1 to 3 always exist; those past the third are there when the file had them.
  TCondFmtData& Condition(size_t i) { return FConditions.at(i); }
  const TCondFmtData& Condition(size_t i) const { return FConditions.at(i); }
  size_t ConditionCount() const { return FConditions.size(); }
  // Conditions read from the file.
  size_t ReadCount() const { return FRead; }
  TCellAreas97& Areas() { return FAreas; }
  const TCellAreas97& Areas() const { return FAreas; }
  // The cell the formulas are relative to: the top-left of the bounding range.
  int32_t FBaseCol = 0, FBaseRow = 0;
  size_t FRead = 0;

 private:
  friend class TConditionalFormats;
  std::vector<TCondFmtData> FConditions;
  TCellAreas97 FAreas;
};

class TConditionalFormats {
 public:
  TConditionalFormat& Add();
  size_t Count() const { return FItems.size(); }
  TConditionalFormat& Items(size_t i) const { return *FItems.at(i); }
  void Clear() { FItems.clear(); }
  // A CONDFMT body (`biff8` false: BIFF5 tokens); its CF records are read from `source`.
  void LoadFromStream(TRuleSource& source, const TBIFFBody& body, TRuleWarnings& warnings);

 private:
  static void ReadCF(const TBIFFBody& b, TCondFmtData& c);
  std::vector<std::unique_ptr<TConditionalFormat>> FItems;
};

enum class TValidationType : uint8_t { vtAny, vtInteger, vtNumber, vtList, vtDate, vtTime, vtTextLength, vtCustom };
enum class TValidationStyle : uint8_t { vsStop, vsWarning, vsInfo };
enum class TValidationOperator : uint8_t {
  vopBetween, vopNotBetween, vopEqual, vopNotEqual, vopGreater, vopLess, vopGreateEqual, vopLessEqual
};

struct TDataValidation {
  uint32_t FOptions = 0;
  std::u16string FInputTitle, FErrorTitle, FInputMsg, FErrorMsg;
  std::vector<uint8_t> FFormula1, FFormula2;
  TValidationType FValidationType = TValidationType::vtNumber;
  TValidationStyle FValidationStyle = TValidationStyle::vsStop;
  TValidationOperator FValidationOperator = TValidationOperator::vopEqual;
  TCellAreas97 FAreas;
};

class TDataValidations {
 public:
  TDataValidation& Add();
  size_t Count() const { return FItems.size(); }
  TDataValidation& Items(size_t i) const { return *FItems.at(i); }
  void Clear() { FItems.clear(); }
  // A DVAL body and the DV records it announces, or a DV met on its own (one rule).
  void LoadFromStream(TRuleSource& source, uint16_t id, const TBIFFBody& body, bool biff8, TRuleWarnings& warnings);
  std::array<uint8_t, 18> FRecDVAL{};

 private:
  // One DV body; false when a text's flag byte is neither 0 nor 1 (the rule keeps what was read).
  static bool ReadDV(const TBIFFBody& b, bool biff8, TDataValidation& dv);
  std::vector<std::unique_ptr<TDataValidation>> FItems;
};

enum class TAutoFilterOperator : uint8_t {
  afoUnassigned, afoLess, afoEqual, afoLessEqual, afoGreater, afoNotEqual, afoGreaterEqual
};
enum class TAutoFilterDataType : uint8_t {
  afdtUnused, afdtFloat, afdtString, afdtBoolean, afdtError, afdtAllBlanks, afdtAllNonBlanks
};

struct TAutoFilterCondition {
  TAutoFilterOperator CompOperator = TAutoFilterOperator::afoUnassigned;
  TAutoFilterDataType DataType = TAutoFilterDataType::afdtUnused;
  std::u16string vString;
  double vFloat = 0;
  uint8_t vByte = 0;  // the Boolean or error value
};

struct TAutoFilter {
  int32_t FId = 0;
  uint16_t FIndex = 0, FOptions = 0;
  TAutoFilterCondition FCondition1, FCondition2;
};

class TAutoFilters {
 public:
  // An entry may be empty: a filter's position is its column index.
  size_t Count() const { return FItems.size(); }
  TAutoFilter* GetItems(size_t i) const { return FItems.at(i).get(); }
  // Drops the filters, deletes their drop-down arrows from the sheet's combo boxes, each by its
  // id, and deletes the sheet's filter-range name (_FilterDatabase, every live entry of it) from
  // the workbook model's names. A filter read from a file does not know its drop-down (its id is
  // 0), and a sheet has one autofilter: every autofilter drop-down of the sheet is the filter's,
  // and no other combo box is touched.
  void Clear();
  // FILTERMODE or AUTOFILTERINFO, then the AUTOFILTER records that follow.
  void LoadFromStream(TRuleSource& source, uint16_t id, const TBIFFBody& body);
  int32_t FDropDownCount = 0;
  bool FIsDynamicFilter = false;
  // The sheet's combo boxes (nullptr: no drop-downs are deleted).
  TControlComboBoxes* FComboBoxes = nullptr;
  TSheet* FParent = nullptr;  // the sheet of the filter; set by SheetRules

 private:
  std::vector<std::unique_ptr<TAutoFilter>> FItems;
};

// The rules a legacy sheet keeps.
struct TSheetRules {
  TConditionalFormats FConditionalFormats;
  TDataValidations FDataValidations;
  TAutoFilters FAutoFilters;
};

// The legacy rules of sheet `sheet` of the reader object (created on first use).
TSheetRules& SheetRules(TSheet& sheet);
const TSheetRules* FindSheetRules(const TSheet& sheet);

// A rule formula as text (without "="), its relative references counted from (col, row), in the
// layouts of the reader object's version; an explicit list's NUL-separated items joined by ",".
std::u16string RuleFormulaText(TBIFF5& biff, std::span<const uint8_t> tokens, int32_t sheetIndex, int32_t col,
                               int32_t row);

}  // namespace xls::biff
