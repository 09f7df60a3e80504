// Legacy (BIFF8) formula text to tokens: the tokenizer `TXLSTokenizer97` and the encoder
// `TEncodeFormula`, which writes the parsed-expression tokens (Rgce) of a formula text in postfix
// order while it parses it by recursive descent.
//
// Text: no leading "="; cell references A1 to IV65536, sheet names (quoted when they hold blanks,
// apostrophes doubled inside), quoted drive paths with a bracketed file name for other books,
// defined names, functions of the legacy function table (FindExcelFunction), numbers in the
// locale's notation with an optional exponent, strings in double quotes (a doubled double quote
// is one quote), the error literals #NULL! .. #N/A and TRUE / FALSE. The list and decimal
// separators are the ones the decoder takes (TXLSFormulaSeparators). Sheets, defined names and
// other books are asked of the owner through events.
//
// Tokens written: operators, PtgParen, PtgMissArg, PtgStr (UTF-16), PtgAttr space for blanks,
// PtgErr, PtgBool, PtgInt, PtgNum, PtgFunc, PtgFuncVar, PtgName, PtgRef, PtgArea, PtgNameX,
// PtgRef3d, PtgArea3d; PtgISect for a blank between two references and PtgUnion for a list
// separator between references outside an argument list. Operand tokens take the class of the
// function argument they stand in (reference 0x20, value 0x40, array 0x60); function tokens always
// carry the value class.
//
// Failures: numbered errors ("Error in formula <text>\r" and the error's text) go to
// OnFormulaError when it is set, and encoding goes on; otherwise they raise XLSRWException. Raised
// directly: "Error in formula" (the tokenizer failed, or the text nests deeper than
// kMaxNesting levels), "Formula buffer overflow." and the tokenizer's "Illegal use of decimal
// separator" and "Invalid name". Design choices: text left after a whole expression is error 2
// with its token (never dropped); a function the table lacks is error 4; the blank records of an
// encoding that ended in an error never reach the next one.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "xls/formula/xlsformulamodel.h"

namespace xls {

enum class TTokenType : uint8_t {
  ttNone, ttAdd, ttConcat, ttSub, ttMul, ttDiv, ttPercent, ttPower, ttGT, ttGE, ttLT, ttLE, ttEQ,
  ttNE, ttParenL, ttParenR, ttSpace, ttListSep, ttVectL, ttVectR, ttFunc, ttRef, ttArea, ttRef3d,
  ttArea3d, ttRefX, ttAreaX, ttNumber, ttString, ttPath, ttFile, ttName, ttNameX, ttSheetName,
  ttSheetNameX, ttError
};

struct TXLSToken97 {
  std::u16string Token;
  TTokenType TokenType = TTokenType::ttNone;
};

// (error number, text for its %s).
using TTokenErrorEvent = std::function<void(int32_t errorId, std::u16string_view text)>;

enum class TFormulaVersion : uint8_t { fvExcel95, fvExcel97 };

class TXLSTokenizer97 {
 public:
  // Fills the list from `value`; the text is upper-cased outside quotes. Errors go to
  // FTokenErrorEvent and set Error(); "Illegal use of decimal separator" and "Invalid name" raise
  // XLSRWException.
  void Tokenize(std::u16string_view value);
  void Add(std::u16string token, TTokenType type) { FItems.push_back({std::move(token), type}); }
  void Clear();
  const TXLSToken97& GetItems(size_t index) const { return FItems.at(index); }
  size_t Count() const { return FItems.size(); }
  // The first token at or after `index` that is not a blank; ttNone when there is none.
  TTokenType NextToken(size_t index) const;
  bool Error() const { return FError; }
  const std::u16string& OrigValue() const { return FOrigValue; }

  TXLSFormulaSeparators FSeparators;
  TTokenErrorEvent FTokenErrorEvent;
  TFormulaVersion FFormulaVersion = TFormulaVersion::fvExcel97;

 private:
  TTokenType Last(size_t back = 0) const;
  void Fail(int32_t errorId, std::u16string_view text);
  size_t RefLength(size_t s) const;
  bool NameStop(char16_t c) const;
  void ScanString(size_t& p);
  void ScanRefOrName(size_t& p);
  void ScanName(size_t& p);
  void ScanQuotedName(size_t& p);
  void ScanFile(size_t& p);
  void ScanNumber(size_t& p);
  void ScanError(size_t& p);

  std::vector<TXLSToken97> FItems;
  std::u16string FValue, FOrigValue;
  size_t FLen = 0;
  bool FError = false;
};

class TEncodeFormula {
 public:
  // Deepest nesting of groups, signs and function calls.
  static constexpr int32_t kMaxNesting = 256;

  // (name text, 0-based index or negative when unknown).
  using TUnknownNameEvent = std::function<void(std::u16string_view name, int32_t& id)>;
  // A sheet-qualified or external operand: fills the EXTERNSHEET index and the sheet index
  // (references) or the 0-based external name index; a negative nameIndex: not found.
  using TUnknownExternNameEvent =
      std::function<void(std::u16string_view path, std::u16string_view filename, std::u16string_view sheetName,
                         std::u16string_view name, bool isRef, int32_t& extIndex, int32_t& nameIndex)>;
  using TFormulaErrorEvent = std::function<void(int32_t errorId, const std::u16string& message)>;

  TEncodeFormula();

  // Token bytes written into `buf` for `formula` (no leading "="); 0 for a blank formula (error 18).
  int32_t Encode(std::u16string_view formula, uint8_t returnClass, TFormulaVersion version, std::span<uint8_t> buf);

  int32_t LastSheetIndex() const { return FLastSheetIndex; }
  void SetSeparators(const TXLSFormulaSeparators& separators) { FTokenizer.FSeparators = separators; }
  const TXLSTokenizer97& Tokenizer() const { return FTokenizer; }

  TUnknownNameEvent _OnUnknownName;
  TUnknownExternNameEvent OnExternName;
  TFormulaErrorEvent OnFormulaError;

 private:
  struct TNesting;
  void Report(int32_t errorId, std::u16string_view text);
  void Put(const void* bytes, size_t n);
  void PutU8(uint8_t v) { Put(&v, 1); }
  void PutU16(uint16_t v);
  // Every token id: the most recent blank record first (PtgAttr space when it holds blanks).
  void PutId(uint8_t id);
  void WriteBlankRecord();
  // Steps over the blanks at the position and pushes their record.
  void PushBlanks();
  void SkipBlanks();
  TTokenType TypeAt(size_t i) const;
  const std::u16string& TextAt(size_t i) const;

  void ExprWithClass(uint8_t cls);
  void Union(bool topLevel);
  void Binary(void (TEncodeFormula::*next)(), std::span<const std::pair<TTokenType, uint8_t>> ops);
  void Comparison();
  void Concatenation();
  void Additive();
  void Multiplicative();
  void Power();
  void Percent();
  void Intersection();
  void Unary();
  void Primary();
  void OperandAfterBlanks();
  void Operand();
  void Constant();
  void FunctionCall();
  bool SheetOperand(size_t& consumed);
  bool PlainReference();
  bool WriteRef(uint8_t base, std::u16string_view text, bool area, int32_t extIndex);
  void DefinedName(std::u16string_view text);
  bool ReferenceStarts(size_t i) const;

  TXLSTokenizer97 FTokenizer;
  std::u16string FStrTRUE, FStrFALSE;
  std::span<uint8_t> FBuffer;
  size_t FCurrBufSize = 0;
  size_t FPos = 0;
  int32_t FLastSheetIndex = -1;
  uint8_t FFuncArgClass = 0x40;
  int64_t FLastPtgPos = -1;
  int32_t FDepth = 0;
  bool FLastOperandRef = false;  // the operand just written is a reference or a name
  std::u16string FFormulaText;
  std::vector<uint32_t> FWSStack;
  TFormulaVersion FFormulaVersion = TFormulaVersion::fvExcel97;
};

}  // namespace xls
