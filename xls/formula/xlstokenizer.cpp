#include "xls/formula/xlstokenizer.h"

#include <charconv>
#include <string>

#include "xls/formula/xlsformulaerror.h"
#include "xls/model/xlscellarea.h"

namespace xls {

// ---------------------------------------------------------------------------------------------
// Token list

TXLSToken& TXLSTokenList::Add(TXLSTokenType type, TXLSTokenPos pos) {
  TXLSToken& t = FItems.emplace_back();
  t.TokenType = type;
  t.Pos = pos;
  return t;
}

TXLSToken& TXLSTokenList::AddText(TXLSTokenType type, std::u16string_view s) {
  TXLSToken& t = Add(type);
  t.ValueType = xtvtString;
  t.vPStr.assign(s);
  return t;
}

void TXLSTokenList::AddUnknown(char16_t c) {
  TXLSToken& t = Add(xttNone);
  t.ValueType = xtvtChar;
  t.vChar = c;
}

void TXLSTokenList::AddConstError(int n) {
  Add(n >= 1 && n <= 8 ? static_cast<TXLSTokenType>(xttConstErrNull + n - 1) : xttConstErrNull);
}

void TXLSTokenList::AddConstLogical(bool value) {
  Add(value ? xttConstLogicalTrue : xttConstLogicalFalse);
}

void TXLSTokenList::AddConstNumber(double value) {
  TXLSToken& t = Add(xttConstNumber);
  t.ValueType = xtvtFloat;
  t.vFloat = value;
}

void TXLSTokenList::AddConstString(std::u16string_view s) { AddText(xttConstString, s); }
void TXLSTokenList::AddName(std::u16string_view s) { AddText(xttName, s); }
void TXLSTokenList::AddSheetName(std::u16string_view s) { AddText(xttSheetName, s); }
void TXLSTokenList::AddWorkbookName(std::u16string_view s) { AddText(xttWorkbookName, s); }
void TXLSTokenList::AddTableCol(std::u16string_view s) { AddText(xttTableCol, s); }
void TXLSTokenList::AddTableSpecial(std::u16string_view s) { AddText(xttTableSpecial, s); }

void TXLSTokenList::AddInteger(TXLSTokenType type, int64_t value) {
  TXLSToken& t = Add(type);
  t.ValueType = xtvtInteger;
  t.vInteger = value;
}

void TXLSTokenList::AddSpace(int64_t count, bool isWhitespace) { AddInteger(isWhitespace ? xttWhitespace : xttSpace, count); }
void TXLSTokenList::AddCol(int64_t col, bool absolute) { AddInteger(absolute ? xttAbsCol : xttRelCol, col); }
void TXLSTokenList::AddRow(int64_t row, bool absolute) { AddInteger(absolute ? xttAbsRow : xttRelRow, row); }
void TXLSTokenList::AddR1C1Col(int64_t value, bool absolute) {
  AddInteger(absolute ? xttR1C1AbsCol : xttR1C1RelCol, value);
}
void TXLSTokenList::AddR1C1Row(int64_t value, bool absolute) {
  AddInteger(absolute ? xttR1C1AbsRow : xttR1C1RelRow, value);
}

void TXLSTokenList::AddTableEnd() { Add(xttRSqBracket); }

TXLSToken* TXLSTokenList::Last() { return FItems.empty() ? nullptr : &FItems.back(); }

TXLSTokenType TXLSTokenList::LastTokenType() const {
  for (auto it = FItems.rbegin(); it != FItems.rend(); ++it)
    if (it->TokenType != xttSpace) return it->TokenType;
  return xttNone;
}

// ---------------------------------------------------------------------------------------------
// Character classes

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\r' || c == u'\n'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }
// A character that continues a name: a cell reference followed by one is no reference.
bool IsNameChar(char16_t c) {
  return IsLetter(c) || IsDigit(c) || c == u'_' || c == u'.' || c >= 128;
}
bool IsNameStart(char16_t c) {
  return IsLetter(c) || IsDigit(c) || c >= 192 || c == u'_' || c == u'\\';
}
bool IsNameRest(char16_t c) {
  return IsLetter(c) || IsDigit(c) || c >= 192 || c == u'_' || c == u'.';
}
bool InSet(char16_t c, std::u16string_view set) { return set.find(c) != std::u16string_view::npos; }

// Characters that may not stand in an unquoted sheet name.
constexpr std::u16string_view kNotInSheetName = u" \r\n&*+,-/<=>^'()?[\\]";
// Characters that may not stand in a book name of a "[book]Sheet!" prefix.
constexpr std::u16string_view kNotInBookName = u" \r\n&*+,-/:<=>^'?[]";

// Function-name form: after an optional "_xlfn." a letter, then letters, digits, "." and "_".
bool HasFunctionNameForm(std::u16string_view s) {
  constexpr std::u16string_view kPrefix = u"_xlfn.";
  if (s.substr(0, kPrefix.size()) == kPrefix) s.remove_prefix(kPrefix.size());
  if (s.empty() || !IsLetter(s[0])) return false;
  for (char16_t c : s)
    if (!IsLetter(c) && !IsDigit(c) && c != u'.' && c != u'_') return false;
  return true;
}

constexpr std::u16string_view kErrorChars = u"#/!?01234567890_ABCDEFGHIJKLMNOPQRSTUVWXYZ";

constexpr int64_t kMaxRowNumber = 1048576;
constexpr int64_t kMaxColumn = 16383;

uint16_t Pos16(size_t index) { return static_cast<uint16_t>(index + 1 > 0xFFFF ? 0xFFFF : index + 1); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Tokenizer

TXLSTokenizer::TXLSTokenizer(TXLSErrorManager& errors) : FErrors(errors) {}

void TXLSTokenizer::SetFormula(std::u16string_view formula) {
  FFormula.assign(formula);
  FIndex = 0;
}

void TXLSTokenizer::SetStrictMode(bool strict, char16_t localeDecimal) {
  FStrictMode = strict;
  FDecimalSep = strict ? u'.' : localeDecimal;
  FListSep = strict ? u',' : (localeDecimal == u',' ? u';' : u',');
}

void TXLSTokenizer::Error(int number, std::u16string_view text) {
  ReportFormulaError(FErrors, number, text);
}

void TXLSTokenizer::Add(TXLSTokenType type, size_t first) {
  FTokenList->Add(type, {Pos16(first), Pos16(first)});
}

std::unique_ptr<TXLSTokenList> TXLSTokenizer::Parse() {
  bool allBlank = true;
  for (char16_t c : FFormula)
    if (c > u' ') allBlank = false;
  if (allBlank) return nullptr;

  auto list = std::make_unique<TXLSTokenList>();
  FTokenList = list.get();
  FDepth = 0;
  size_t lead = 0;
  while (lead < FFormula.size() && IsBlank(FFormula[lead])) ++lead;
  if (lead > 0) {
    list->AddSpace(static_cast<int64_t>(lead), true);
    FFormula.erase(0, lead);
  }
  size_t trail = 0;
  while (trail < FFormula.size() && IsBlank(FFormula[FFormula.size() - 1 - trail])) ++trail;
  FFormula.resize(FFormula.size() - trail);
  FIndex = 0;

  while (FIndex < FFormula.size()) {
    if (IsBlank(Ch())) {
      const size_t first = FIndex;
      while (IsBlank(Ch())) ++FIndex;
      list->AddSpace(static_cast<int64_t>(FIndex - first), false);
    } else if (!Element()) {
      Error(4006);
      list->AddUnknown(Ch());
      ++FIndex;
    }
  }

  // A blank run between two tokens is white space next to a separator, a parenthesis, an
  // operator or a function name, and the intersection operator everywhere else.
  for (size_t i = 1; i + 1 < list->Count(); ++i) {
    TXLSToken& t = list->GetItems(i);
    if (t.TokenType != xttSpace) continue;
    const TXLSTokenType before = list->GetItems(i - 1).TokenType;
    const TXLSTokenType after = list->GetItems(i + 1).TokenType;
    const bool white = before == xttComma || before == xttLPar || IsOperatorToken(before) ||
                       before == xttFuncName || after == xttComma || after == xttRPar || IsOperatorToken(after);
    t.TokenType = white ? xttWhitespace : xttOpISect;
  }
  if (trail > 0 && trail < FFormula.size()) list->AddSpace(static_cast<int64_t>(trail), false);
  FTokenList = nullptr;
  return list;
}

bool TXLSTokenizer::Element() {
  if (FDepth >= kMaxNesting) {
    Error(4006);
    return false;
  }
  ++FDepth;
  const bool ok = ElementBody();
  --FDepth;
  return ok;
}

bool TXLSTokenizer::ElementBody() {
  const char16_t c = Ch();
  if (c == 0) return false;
  if (c == u'(') {
    const size_t first = FIndex++;
    TXLSToken* last = FTokenList->Last();
    if (last && last->TokenType == xttName && HasFunctionNameForm(last->vPStr))
      last->TokenType = xttFuncName;
    else
      Add(xttLPar, first);
    while (Element()) {
    }
    if (Ch() == u')')
      Add(xttRPar, FIndex);
    else
      Error(4007, FFormula);
    if (FIndex < FFormula.size()) ++FIndex;
    return true;
  }
  if (Operand()) return true;

  const TXLSTokenType lastType = FTokenList->LastTokenType();
  if ((c == u'-' || c == u'+') &&
      (lastType == xttNone || lastType == xttWhitespace || lastType == xttComma ||
       lastType == xttLPar || (lastType >= xttOpHat && lastType <= xttOpGreaterEqual) ||
       lastType == xttFuncName)) {
    Add(c == u'-' ? xttOpUMinus : xttOpUPlus, FIndex);
    ++FIndex;
    if (!Element()) Error(4008, u"-");
    return true;
  }
  if (c == FListSep) {
    Add(xttComma, FIndex);
    ++FIndex;
    Element();
    return true;
  }
  if (BinaryOperator()) {
    if (Element()) return true;
  }
  if (Ch() == u'%') {
    Add(xttOpPercent, FIndex);
    ++FIndex;
    return true;
  }
  if (ReferenceOrName()) return true;
  if (BracketList()) return true;
  return false;
}

bool TXLSTokenizer::BinaryOperator() {
  struct Op {
    std::u16string_view text;
    TXLSTokenType type;
  };
  static constexpr Op kOps[] = {
      {u"^", xttOpHat},         {u"*", xttOpMult},        {u"/", xttOpDiv},
      {u"+", xttOpPlus},        {u"-", xttOpMinus},       {u"&", xttOpAmp},
      {u"=", xttOpEqual},       {u"<>", xttOpNotEqual},   {u"<=", xttOpLessEqual},
      {u">=", xttOpGreaterEqual}, {u"<", xttOpLess},      {u">", xttOpGreater},
      {u":", xttOpRange}};
  std::u16string_view rest(FFormula);
  rest.remove_prefix(FIndex);
  for (const Op& op : kOps) {
    if (rest.substr(0, op.text.size()) == op.text) {
      Add(op.type, FIndex);
      FIndex += op.text.size();
      return true;
    }
  }
  if (Ch() == u' ') {
    TXLSToken* last = FTokenList->Last();
    if (last && last->TokenType == xttSpace)
      ++last->vInteger;
    else
      FTokenList->AddSpace(1, false);
    ++FIndex;
    return true;
  }
  return false;
}

// ---------------------------------------------------------------------------------------------
// Operands

bool TXLSTokenizer::Operand() {
  return ErrorConst() || Logical() || RowRange() || Number() || String() || ArrayConst();
}

bool TXLSTokenizer::ErrorConst() {
  if (Ch() != u'#') return false;
  std::u16string_view rest(FFormula);
  rest.remove_prefix(FIndex);
  // The error texts of TXc12CellError 1..8, in that order.
  for (int i = 1; i <= 8; ++i) {
    const std::u16string_view text = Xc12CellErrorNames[i];
    if (rest.substr(0, text.size()) == text) {
      const size_t first = FIndex;
      FIndex += text.size();
      FTokenList->AddConstError(i);
      FTokenList->Last()->Pos = {Pos16(first), Pos16(FIndex - 1)};
      return true;
    }
  }
  size_t n = 0;
  while (n < rest.size() && InSet(rest[n], kErrorChars)) ++n;
  FIndex += n;
  Error(4001, rest.substr(0, n));
  return true;
}

bool TXLSTokenizer::Logical() {
  std::u16string_view rest(FFormula);
  rest.remove_prefix(FIndex);
  for (bool value : {true, false}) {
    const std::u16string_view word = value ? u"TRUE" : u"FALSE";
    if (rest.substr(0, word.size()) != word) continue;
    // TRUE and FALSE are words only when they end there: TRUEVALUE is a name, TRUE() a function.
    const char16_t next = ChAt(FIndex + word.size());
    if (IsNameChar(next) || next == u'(') return false;
    const size_t first = FIndex;
    FIndex += word.size();
    FTokenList->AddConstLogical(value);
    FTokenList->Last()->Pos = {Pos16(first), Pos16(FIndex - 1)};
    return true;
  }
  return false;
}

bool TXLSTokenizer::ReadRow(int64_t& row, bool& absolute) {
  size_t i = FIndex;
  absolute = ChAt(i) == u'$';
  if (absolute) ++i;
  int64_t value = 0;
  size_t digits = 0;
  while (IsDigit(ChAt(i)) && digits < 10) {
    value = value * 10 + (ChAt(i) - u'0');
    ++digits;
    ++i;
  }
  if (digits == 0 || digits > 9 || value < 1 || value > kMaxRowNumber) return false;
  row = value - 1;
  FIndex = i;
  return true;
}

bool TXLSTokenizer::RowRange() {
  // Only the shape "[$]digits:" makes a row range; anything else is left to the number reader.
  size_t i = FIndex;
  if (ChAt(i) == u'$') ++i;
  if (!IsDigit(ChAt(i))) return false;
  while (IsDigit(ChAt(i))) ++i;
  if (ChAt(i) != u':') return false;
  int64_t row1 = 0, row2 = 0;
  bool abs1 = false, abs2 = false;
  if (!ReadRow(row1, abs1) || (++FIndex, !ReadRow(row2, abs2))) {
    // Row 0, a row past the last one or missing second digits.
    FIndex = i + 1;
    while (ChAt(FIndex) == u'$' || IsDigit(ChAt(FIndex))) ++FIndex;
    Error(4010);
    return true;
  }
  FTokenList->AddRow(row1, abs1);
  FTokenList->Add(xttColon, {Pos16(i), Pos16(i)});
  FTokenList->AddRow(row2, abs2);
  return true;
}

bool TXLSTokenizer::Number() {
  const size_t first = FIndex;
  size_t i = FIndex;
  std::string text;
  while (IsDigit(ChAt(i))) text.push_back(static_cast<char>(ChAt(i++)));
  const bool leading = !text.empty();
  if (ChAt(i) == FDecimalSep) {
    ++i;
    text.push_back('.');
    if (!IsDigit(ChAt(i))) {
      FIndex = i;
      Error(4003);
      return true;
    }
    while (IsDigit(ChAt(i))) text.push_back(static_cast<char>(ChAt(i++)));
  } else if (!leading) {
    return false;
  }
  if (ChAt(i) == u'E' || ChAt(i) == u'e') {
    ++i;
    text.push_back('e');
    if (ChAt(i) == u'+' || ChAt(i) == u'-') text.push_back(static_cast<char>(ChAt(i++)));
    if (!IsDigit(ChAt(i))) {
      FIndex = i;
      Error(4002);
      return true;
    }
    while (IsDigit(ChAt(i))) text.push_back(static_cast<char>(ChAt(i++)));
  }
  FIndex = i;
  double value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) value = 0;  // does not convert
  FTokenList->AddConstNumber(value);
  FTokenList->Last()->Pos = {Pos16(first), Pos16(FIndex - 1)};
  return true;
}

bool TXLSTokenizer::String() {
  if (Ch() != u'"') return false;
  const size_t first = FIndex++;
  std::u16string text;
  for (;;) {
    if (FIndex >= FFormula.size()) {
      Error(4004);
      break;
    }
    const char16_t c = FFormula[FIndex++];
    if (c == u'"') {
      if (Ch() != u'"') break;
      ++FIndex;
    }
    text.push_back(c);
  }
  FTokenList->AddConstString(text);
  FTokenList->Last()->Pos = {Pos16(first), Pos16(FIndex - 1)};
  return true;
}

bool TXLSTokenizer::ArrayConst() {
  if (Ch() != u'{') return false;
  if (FDepth >= kMaxNesting) {
    Error(4006);
    return false;
  }
  ++FDepth;
  Add(xttConstArrayBegin, FIndex);
  ++FIndex;
  bool ok = true;
  for (;;) {
    if (Ch() == u'-' || Ch() == u'+') {
      Add(Ch() == u'-' ? xttOpUMinus : xttOpUPlus, FIndex);
      ++FIndex;
    }
    if (!Operand()) {
      ok = false;
      break;
    }
    if (Ch() == FListSep) {
      Add(xttComma, FIndex);
      ++FIndex;
    } else if (Ch() == u';') {
      Add(xttSemicolon, FIndex);
      ++FIndex;
    } else {
      break;
    }
  }
  --FDepth;
  if (ok && Ch() == u'}') {
    Add(xttConstArrayEnd, FIndex);
    ++FIndex;
  } else {
    Error(4005);
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// References and names

bool TXLSTokenizer::ReadColumn(int64_t& col, bool& absolute) {
  size_t i = FIndex;
  absolute = ChAt(i) == u'$';
  if (absolute) ++i;
  int64_t value = 0;
  size_t letters = 0;
  while (IsLetter(ChAt(i)) && letters < 4) {
    value = value * 26 + (ChAt(i) - (ChAt(i) >= u'a' ? u'a' : u'A') + 1);
    ++letters;
    ++i;
  }
  if (letters == 0 || letters > 3 || value - 1 > kMaxColumn) return false;
  col = value - 1;
  FIndex = i;
  return true;
}

bool TXLSTokenizer::A1Reference() {
  const size_t start = FIndex;
  int64_t col = 0, row = 0;
  bool colAbs = false, rowAbs = false;
  if (ReadColumn(col, colAbs)) {
    if (Ch() == u':') {
      // Whole columns.
      const size_t colon = FIndex++;
      int64_t col2 = 0;
      bool col2Abs = false;
      FTokenList->AddCol(col, colAbs);
      FTokenList->Add(xttColon, {Pos16(colon), Pos16(colon)});
      if (ReadColumn(col2, col2Abs))
        FTokenList->AddCol(col2, col2Abs);
      else
        Error(4010);
      return true;
    }
    // A cell, unless a name character follows the row, or "(": LOG10(A1) calls a function.
    if (ReadRow(row, rowAbs) && !IsNameChar(Ch()) && Ch() != u'(') {
      FTokenList->AddCol(col, colAbs);
      FTokenList->AddRow(row, rowAbs);
      return true;
    }
    FIndex = start;
  }
  // Whole rows.
  const size_t save = FIndex;
  if (Ch() != u'$' && !IsDigit(Ch())) return false;
  if (ReadRow(row, rowAbs) && Ch() == u':') {
    ++FIndex;
    int64_t row2 = 0;
    bool row2Abs = false;
    if (ReadRow(row2, row2Abs)) {
      FTokenList->AddRow(row, rowAbs);
      FTokenList->Add(xttColon, {Pos16(FIndex), Pos16(FIndex)});
      FTokenList->AddRow(row2, row2Abs);
      return true;
    }
  }
  FIndex = save;
  if (Ch() == u'$') ++FIndex;
  while (IsDigit(Ch()) || Ch() == u':' || Ch() == u'$') ++FIndex;
  Error(4010);
  return true;
}

bool TXLSTokenizer::R1C1Part(int64_t limit, int64_t& value, bool& absolute) {
  absolute = false;
  value = 0;
  if (Ch() == u'[') {
    ++FIndex;
    const bool negative = Ch() == u'-';
    if (Ch() == u'-' || Ch() == u'+') ++FIndex;
    size_t digits = 0;
    while (IsDigit(Ch()) && digits < 8) value = value * 10 + (Ch() - u'0'), ++FIndex, ++digits;
    if (digits == 0 || IsDigit(Ch()) || value > limit || Ch() != u']') {
      while (Ch() != 0 && Ch() != u']') ++FIndex;
      if (Ch() == u']') ++FIndex;
      Error(4014);
      return false;
    }
    ++FIndex;
    if (negative) value = -value;
    return true;
  }
  if (!IsDigit(Ch())) return true;  // offset 0
  size_t digits = 0;
  while (IsDigit(Ch()) && digits < 8) value = value * 10 + (Ch() - u'0'), ++FIndex, ++digits;
  if (IsDigit(Ch()) || value < 1 || value > limit) {
    while (IsDigit(Ch())) ++FIndex;
    Error(4014);
    return false;
  }
  absolute = true;
  value -= 1;
  return true;
}

bool TXLSTokenizer::R1C1Reference() {
  const size_t start = FIndex;
  const size_t count = FTokenList->Count();
  bool any = false;
  int64_t value = 0;
  bool absolute = false;
  if (Ch() == u'R' || Ch() == u'r') {
    ++FIndex;
    if (!R1C1Part(kMaxRowNumber, value, absolute)) return true;
    FTokenList->AddR1C1Row(value, absolute);
    any = true;
  }
  if (Ch() == u'C' || Ch() == u'c') {
    ++FIndex;
    if (!R1C1Part(kMaxColumn + 1, value, absolute)) return true;
    FTokenList->AddR1C1Col(value, absolute);
    any = true;
  }
  // "Rate" or "COS(" are a name and a function, not references.
  if (!any || IsNameChar(Ch()) || Ch() == u'(' || Ch() == u'[') {
    FIndex = start;
    FTokenList->Truncate(count);
    return false;
  }
  return true;
}

bool TXLSTokenizer::Name() {
  if (!IsNameStart(Ch())) return false;
  const size_t first = FIndex++;
  while (IsNameRest(Ch())) ++FIndex;
  FTokenList->AddName(std::u16string_view(FFormula).substr(first, FIndex - first));
  FTokenList->Last()->Pos = {Pos16(first), Pos16(FIndex - 1)};
  if (Ch() == u'[') {
    FTokenList->Last()->TokenType = xttTable;
    ++FIndex;
    if (!BracketList()) TableItem();
    if (Ch() == u']') {
      FTokenList->AddTableEnd();
      ++FIndex;
    }
  }
  return true;
}

bool TXLSTokenizer::ReferenceOrName() {
  const size_t start = FIndex;
  const size_t count = FTokenList->Count();
  const bool prefix = SheetPrefix();
  if (prefix && Ch() == u'#') {
    if (ErrorConst()) return true;
  }
  const size_t afterPrefix = FIndex;
  const size_t countAfterPrefix = FTokenList->Count();
  if (FR1C1Mode && R1C1Reference()) {
    if (Ch() == u':' && FTokenList->Count() > countAfterPrefix) {
      FTokenList->Add(xttColon, {Pos16(FIndex), Pos16(FIndex)});
      ++FIndex;
      if (!R1C1Reference()) Error(4014);
    }
    return true;
  }
  if (A1Reference()) {
    const TXLSTokenType last = FTokenList->LastTokenType();
    if ((last == xttRelRow || last == xttAbsRow) && Ch() == u':' &&
        FTokenList->Count() == countAfterPrefix + 2) {
      // After a cell: ":" and a second cell of the area.
      FTokenList->Add(xttColon, {Pos16(FIndex), Pos16(FIndex)});
      ++FIndex;
      A1Reference();
    }
    return true;
  }
  FIndex = afterPrefix;
  FTokenList->Truncate(countAfterPrefix);
  if (Name()) return true;
  FIndex = start;
  FTokenList->Truncate(count);
  return false;
}

bool TXLSTokenizer::SheetPrefix() {
  if (Ch() == u'\'') return QuotedPrefix();
  if (UnquotedPrefix(FIndex)) return true;
  return BookPrefix();
}

bool TXLSTokenizer::QuotedPrefix() {
  const size_t start = FIndex;
  const size_t count = FTokenList->Count();
  auto fail = [&](int number, std::u16string_view text) {
    Error(number, text);
    FIndex = start;
    FTokenList->Truncate(count);
    return false;
  };
  ++FIndex;
  std::u16string text;
  for (;;) {
    if (FIndex >= FFormula.size()) return fail(4013, u"'");
    const char16_t c = FFormula[FIndex++];
    if (c == u'\'') {
      if (Ch() != u'\'') break;
      ++FIndex;  // a doubled apostrophe stands for one
    }
    text.push_back(c);
  }
  if (Ch() != u'!') return fail(4013, u"!");
  ++FIndex;
  if (text.empty()) return fail(4011, {});
  std::u16string_view rest(text);
  if (rest[0] == u'[') {
    const size_t close = rest.find(u']');
    if (close == std::u16string_view::npos || close == 1 || close + 1 == rest.size())
      return fail(4012, {});
    FTokenList->AddWorkbookName(rest.substr(1, close - 1));
    rest.remove_prefix(close + 1);
  }
  const size_t colon = rest.find(u':');
  if (colon != std::u16string_view::npos) {
    if (colon == 0 || colon + 1 == rest.size()) return fail(4011, {});
    FTokenList->AddSheetName(rest.substr(0, colon));
    FTokenList->Add(xttColon);
    rest.remove_prefix(colon + 1);
  }
  if (rest.empty()) return fail(4011, {});
  FTokenList->AddSheetName(rest);
  FTokenList->Add(xttExclamation);
  return true;
}

bool TXLSTokenizer::UnquotedPrefix(size_t from) {
  size_t i = from;
  size_t colon = std::u16string_view::npos;
  for (;; ++i) {
    const char16_t c = ChAt(i);
    if (c == 0 && i >= FFormula.size()) return false;
    if (c == u'!') break;
    if (c == u':') {
      if (colon != std::u16string_view::npos) return false;
      colon = i;
      continue;
    }
    if (InSet(c, kNotInSheetName)) return false;
  }
  std::u16string_view f(FFormula);
  if (i == from || colon == from || colon + 1 == i) return false;
  if (colon != std::u16string_view::npos) {
    FTokenList->AddSheetName(f.substr(from, colon - from));
    FTokenList->Add(xttColon);
    FTokenList->AddSheetName(f.substr(colon + 1, i - colon - 1));
  } else {
    FTokenList->AddSheetName(f.substr(from, i - from));
  }
  FTokenList->Add(xttExclamation);
  FIndex = i + 1;
  return true;
}

bool TXLSTokenizer::BookPrefix() {
  if (Ch() != u'[') return false;
  size_t i = FIndex + 1;
  while (i < FFormula.size() && !InSet(FFormula[i], kNotInBookName)) ++i;
  if (i == FIndex + 1 || ChAt(i) != u']') return false;
  const size_t count = FTokenList->Count();
  FTokenList->AddWorkbookName(std::u16string_view(FFormula).substr(FIndex + 1, i - FIndex - 1));
  if (!UnquotedPrefix(i + 1)) {
    FTokenList->Truncate(count);
    return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Structured references

bool TXLSTokenizer::TableItem() {
  const size_t first = FIndex;
  if (Ch() == u'#') {
    const size_t close = FFormula.find(u']', FIndex);
    if (close == std::u16string::npos) return false;
    FTokenList->AddTableSpecial(std::u16string_view(FFormula).substr(FIndex + 1, close - FIndex - 1));
    FIndex = close;
    return true;
  }
  auto escaped = [&](size_t i) { return ChAt(i) == u'\'' && InSet(ChAt(i + 1), u"#'[]"); };
  size_t i = FIndex;
  if (escaped(i))
    i += 2;
  else if (ChAt(i) > u' ' && !InSet(ChAt(i), u"#+-[]"))
    ++i;
  else
    return false;
  for (;;) {
    if (escaped(i))
      i += 2;
    else if (i < FFormula.size() && ChAt(i) >= u' ' && !InSet(ChAt(i), u"#[]"))
      ++i;
    else
      break;
  }
  FTokenList->AddTableCol(std::u16string_view(FFormula).substr(first, i - first));
  FIndex = i;
  return true;
}

bool TXLSTokenizer::BracketList() {
  const size_t start = FIndex;
  const size_t count = FTokenList->Count();
  while (Ch() == u' ') ++FIndex;
  bool any = false;
  while (Ch() == u'[') {
    // One item and its "]".
    ++FIndex;
    if (!TableItem() || Ch() != u']') {
      if (any) return true;
      FIndex = start;
      FTokenList->Truncate(count);
      return false;
    }
    any = true;
    ++FIndex;
    while (Ch() == u' ') ++FIndex;
    const char16_t c = Ch();
    if (c == u']' || c == 0) return true;
    if (c != u',' && c != u':' && c != u';') {
      Element();
      return true;
    }
    Add(c == u',' ? xttComma : c == u':' ? xttColon : xttSemicolon, FIndex);
    ++FIndex;
    if (c == u',')
      while (Ch() == u' ') ++FIndex;
  }
  if (any) return true;
  FIndex = start;
  return false;
}

}  // namespace xls
