// The formula tokenizer: cuts formula text (as the package format writes it, without a leading
// "=") into a list of tokens for the encoder.
//
// It reads constants, operators, parentheses, argument separators, A1 references with sheet and
// external-book prefixes, defined names, function names (with or without the "_xlfn." prefix) and
// structured references to tables. It does not check the structure of the expression beyond what
// its recognisers need; what it cannot read is reported as a numbered error (4001-4013) through
// the error manager, which by default raises. After scanning, one pass decides for every blank run
// inside the formula whether it is white space or the intersection operator.
//
// Text is read in strict mode: "." is the decimal separator and "," the list separator whatever
// the locale. Recognisers either consume text and add tokens or leave the position and the list
// as they were and answer no. Nesting (parentheses, unary signs, array constants) is limited to
// kMaxNesting levels, so hostile text cannot exhaust the stack.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace xls {

class TXLSErrorManager;

// The encoder relies on these ordinals and ranges (errors 13-20 in TXc12CellError order,
// operators 27-42).
enum TXLSTokenType : uint8_t {
  xttNone, xttWhitespace, xttComma, xttColon, xttSemicolon, xttSpaceOp, xttExclamation, xttLPar,
  xttRPar, xttLSqBracket, xttRSqBracket, xttAphostrophe, xttSpace, xttConstErrNull,
  xttConstErrDiv0, xttConstErrValue, xttConstErrRef, xttConstErrName, xttConstErrNum,
  xttConstErrNA, xttConstErrGettingData, xttConstLogicalTrue, xttConstLogicalFalse,
  xttConstString, xttConstArrayBegin, xttConstArrayEnd, xttConstNumber, xttOpHat, xttOpMult,
  xttOpDiv, xttOpPlus, xttOpMinus, xttOpUMinus, xttOpUPlus, xttOpAmp, xttOpEqual, xttOpNotEqual,
  xttOpLess, xttOpLessEqual, xttOpGreater, xttOpGreaterEqual, xttOpPercent, xttOpRange,
  xttOpISect, xttRelCol, xttAbsCol, xttRelRow, xttAbsRow, xttR1C1RelCol, xttR1C1AbsCol,
  xttR1C1RelRow, xttR1C1AbsRow, xttName, xttFuncName, xttSheetName, xttWorkbookName, xttTable,
  xttTableCol, xttTableSpecial
};

// True for the operator types xttOpHat .. xttOpRange.
constexpr bool IsOperatorToken(TXLSTokenType t) { return t >= xttOpHat && t <= xttOpRange; }

enum TXLSTokenValType : uint8_t {
  xtvtNone, xtvtInteger, xtvtFloat, xtvtChar, xtvtString, xtvtIdetifier, xtvtTokenList
};

// 1-based positions in the formula text of a token's first and last character.
struct TXLSTokenPos {
  uint16_t P1 = 0;
  uint16_t P2 = 0;
};

struct TXLSToken {
  TXLSTokenPos Pos;
  TXLSTokenType TokenType = xttNone;
  TXLSTokenValType ValueType = xtvtNone;
  int64_t vInteger = 0;   // xtvtInteger: column, row or blank count
  double vFloat = 0;      // xtvtFloat
  char16_t vChar = 0;     // xtvtChar
  std::u16string vPStr;   // xtvtString
};

class TXLSTokenList {
 public:
  TXLSToken& Add(TXLSTokenType type, TXLSTokenPos pos = {});
  void AddUnknown(char16_t c);
  // 1..8 give #NULL! .. #GETTING_DATA; any other number gives #NULL!.
  void AddConstError(int n);
  void AddConstLogical(bool value);
  void AddConstNumber(double value);
  void AddConstString(std::u16string_view s);
  void AddName(std::u16string_view s);
  void AddSheetName(std::u16string_view s);
  void AddWorkbookName(std::u16string_view s);
  void AddTableCol(std::u16string_view s);
  void AddTableSpecial(std::u16string_view s);
  void AddSpace(int64_t count, bool isWhitespace);
  void AddCol(int64_t col, bool absolute);
  void AddRow(int64_t row, bool absolute);
  // R1C1 parts: an absolute zero-based column or row, or a relative offset.
  void AddR1C1Col(int64_t value, bool absolute);
  void AddR1C1Row(int64_t value, bool absolute);
  void AddTableEnd();

  // The last token, or null.
  TXLSToken* Last();
  // Type of the last token that is not xttSpace; xttNone when there is none.
  TXLSTokenType LastTokenType() const;
  const std::u16string& GetAsString(size_t index) const { return FItems.at(index).vPStr; }
  const TXLSToken& GetItems(size_t index) const { return FItems.at(index); }
  TXLSToken& GetItems(size_t index) { return FItems.at(index); }
  size_t Count() const { return FItems.size(); }
  // Drops the tokens from `count` on (a recogniser that answers no).
  void Truncate(size_t count) { FItems.resize(count); }

 private:
  TXLSToken& AddText(TXLSTokenType type, std::u16string_view s);
  void AddInteger(TXLSTokenType type, int64_t value);
  std::vector<TXLSToken> FItems;
};

class TXLSTokenizer {
 public:
  // Deepest nesting of parentheses, unary signs and array constants.
  static constexpr int kMaxNesting = 256;

  // Strict mode; `errors` receives the numbered errors and must outlive the tokenizer.
  explicit TXLSTokenizer(TXLSErrorManager& errors);

  // Sets the text and puts the position on its first character.
  void SetFormula(std::u16string_view formula);

  // Strict mode (the default) reads numbers with "." and lists with ","; otherwise the decimal
  // separator is the locale's and the list separator ";" where that is ",", else ",".
  bool StrictMode() const { return FStrictMode; }
  void SetStrictMode(bool strict, char16_t localeDecimal = u'.');
  // R1C1 mode (off by default) reads references as R and C parts (an absolute 1-based number or
  // a relative offset in brackets, nothing for offset 0) into the R1C1 tokens, which the encoder
  // does not compile. A bad part is error 4014.
  bool R1C1Mode() const { return FR1C1Mode; }
  void SetR1C1Mode(bool on) { FR1C1Mode = on; }
  // The token list of the current text; null when the text is empty or blanks only.
  std::unique_ptr<TXLSTokenList> Parse();

 private:
  char16_t Ch() const { return FIndex < FFormula.size() ? FFormula[FIndex] : 0; }
  char16_t ChAt(size_t i) const { return i < FFormula.size() ? FFormula[i] : 0; }
  void Error(int number, std::u16string_view text = {});
  void Add(TXLSTokenType type, size_t first);

  bool Element();
  bool ElementBody();
  bool Operand();
  bool ErrorConst();
  bool Logical();
  bool RowRange();
  bool Number();
  bool String();
  bool ArrayConst();
  bool BinaryOperator();
  bool ReferenceOrName();
  bool A1Reference();
  bool R1C1Reference();
  // One R or C part after its letter; false after error 4014.
  bool R1C1Part(int64_t limit, int64_t& value, bool& absolute);
  bool Name();
  bool SheetPrefix();
  bool QuotedPrefix();
  bool UnquotedPrefix(size_t from);
  bool BookPrefix();
  bool StructuredRef();
  bool TableItem();
  bool BracketList();
  // Reads one to three column letters at the position; false when there are none or they give a
  // column above 16383.
  bool ReadColumn(int64_t& col, bool& absolute);
  // Reads an optional "$" and one to nine digits giving a row number 1..1048576; false (position
  // kept) otherwise. `row` is zero-based.
  bool ReadRow(int64_t& row, bool& absolute);

  TXLSErrorManager& FErrors;
  std::u16string FFormula;
  size_t FIndex = 0;
  TXLSTokenList* FTokenList = nullptr;
  char16_t FDecimalSep = u'.';
  char16_t FListSep = u',';
  bool FStrictMode = true;
  bool FR1C1Mode = false;
  int FDepth = 0;
};

}  // namespace xls
