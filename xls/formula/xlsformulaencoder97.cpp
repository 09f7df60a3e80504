#include "xls/formula/xlsformulaencoder97.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

#include "xls/formula/xlslegacyfunctable.h"
#include "xls/model/xlscellarea.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsglobals.h"

namespace xls {

namespace {

using TT = TTokenType;

// Upper case of the ASCII and Latin-1 letters.
char16_t Upper97(char16_t c) {
  return ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) ? char16_t(c - 0x20) : c;
}

bool IsLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

struct TErrorLiteral {
  std::u16string_view Text;
  uint8_t Code;
};
constexpr TErrorLiteral kErrorLiterals[] = {{u"#NULL!", 0x00}, {u"#DIV/0!", 0x07}, {u"#VALUE!", 0x0F},
                                            {u"#REF!", 0x17},  {u"#NAME?", 0x1D},  {u"#NUM!", 0x24},
                                            {u"#N/A", 0x2A}};

std::u16string_view ErrorText(int32_t id) {
  static constexpr std::u16string_view kTexts[] = {
      u"Invalid constant %s",
      u"Invalid symbol %s",
      u"Closing paranthese missing in function",
      u"Invalid function name %s",
      u"Missing quote characther in string %s",
      u"Strings can have max 255 characthers",
      u"Unknown name %s",
      u"Enclosing characther %s missing",
      u"Invalid filename %s",
      u"To many unary operators",
      u"Missmatching parantheses",
      u"Illegal number",
      u"Illegal character in string %s",
      u"Bad filename %s",
      u"Invalid 3D name %s",
      u"Invalid name %s",
      u"Wrong number of arguments for function %s",
      u"Empty formula",
  };
  return id >= 1 && id <= int32_t(std::size(kTexts)) ? kTexts[id - 1] : u"Error in formula";
}

constexpr uint16_t kColRel = 0x4000;
constexpr uint16_t kRowRel = 0x8000;

uint16_t ColWord(int32_t col, bool colAbs, bool rowAbs) {
  return uint16_t((col & 0x3FFF) | (colAbs ? 0 : kColRel) | (rowAbs ? 0 : kRowRel));
}

bool IsReferenceToken(TT t) {
  return t == TT::ttRef || t == TT::ttArea || t == TT::ttPath || t == TT::ttName || t == TT::ttNameX ||
         t == TT::ttSheetName || t == TT::ttSheetNameX;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Tokenizer

void TXLSTokenizer97::Clear() {
  FItems.clear();
  FError = false;
}

TTokenType TXLSTokenizer97::NextToken(size_t index) const {
  for (size_t i = index; i < FItems.size(); ++i)
    if (FItems[i].TokenType != TT::ttSpace) return FItems[i].TokenType;
  return TT::ttNone;
}

TTokenType TXLSTokenizer97::Last(size_t back) const {
  return FItems.size() > back ? FItems[FItems.size() - 1 - back].TokenType : TT::ttNone;
}

void TXLSTokenizer97::Fail(int32_t errorId, std::u16string_view text) {
  FError = true;
  if (FTokenErrorEvent) FTokenErrorEvent(errorId, text);
}

void TXLSTokenizer97::Tokenize(std::u16string_view value) {
  Clear();
  FOrigValue = value;
  FValue = value;
  // Upper case outside quotes; a quote runs to the next quote of the same kind.
  char16_t quote = 0;
  for (char16_t& c : FValue) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == u'"' || c == u'\'') {
      quote = c;
    } else {
      c = Upper97(c);
    }
  }
  FLen = FValue.size();
  size_t p = 0;
  const auto one = [&](TT type) {
    Add(std::u16string(1, FValue[p]), type);
    ++p;
  };
  while (p < FLen && !FError) {
    const char16_t c = FValue[p];
    switch (c) {
      case u' ': one(TT::ttSpace); break;
      case u'"': ScanString(p); break;
      case u'#': ScanError(p); break;
      case u'%': one(TT::ttPercent); break;
      case u'&': one(TT::ttConcat); break;
      case u'*': one(TT::ttMul); break;
      case u'+': one(TT::ttAdd); break;
      case u'-': one(TT::ttSub); break;
      case u'/': one(TT::ttDiv); break;
      case u'^': one(TT::ttPower); break;
      case u')': one(TT::ttParenR); break;
      case u'=': one(TT::ttEQ); break;
      case u'<':
        if (p + 1 < FLen && (FValue[p + 1] == u'=' || FValue[p + 1] == u'>')) {
          Add(FValue.substr(p, 2), FValue[p + 1] == u'=' ? TT::ttLE : TT::ttNE);
          p += 2;
        } else {
          one(TT::ttLT);
        }
        break;
      case u'>':
        if (p + 1 < FLen && FValue[p + 1] == u'=') {
          Add(u">=", TT::ttGE);
          p += 2;
        } else {
          one(TT::ttGT);
        }
        break;
      case u'(':
        if (Last() == TT::ttName) {
          FItems.back().TokenType = TT::ttFunc;
          ++p;
        } else {
          one(TT::ttParenL);
        }
        break;
      case u'\'':
        // Closes a quoted path: after the sheet name of another book (which may read as a cell).
        if (Last() == TT::ttName ||
            (Last(1) == TT::ttFile && (Last() == TT::ttRef || Last() == TT::ttArea)))
          ++p;
        else
          ScanQuotedName(p);
        break;
      case u'[': ScanFile(p); break;
      case u'!': {
        const TT last = Last();
        if (last == TT::ttRef || last == TT::ttArea || last == TT::ttName)
          FItems.back().TokenType = Last(1) == TT::ttFile ? TT::ttSheetNameX : TT::ttSheetName;
        else if (last != TT::ttPath)
          Fail(15, u"");
        ++p;
        break;
      }
      case u'{':
      case u'}': FError = true; break;
      default:
        if (c == u'$' || c == u'_' || IsLetter(c)) {
          ScanRefOrName(p);
        } else if (IsDigit(c)) {
          ScanNumber(p);
        } else if (c == FSeparators.List) {
          one(TT::ttListSep);
        } else if (c == FSeparators.Decimal) {
          throw XLSRWException("Illegal use of decimal separator");
        } else {
          const size_t start = p;
          ScanName(p);
          if (p == start) throw XLSRWException("Invalid name");
        }
        break;
    }
  }
}

void TXLSTokenizer97::ScanString(size_t& p) {
  // A doubled double quote inside the string is one quote.
  std::u16string text;
  for (size_t i = p + 1; i < FLen; ++i) {
    if (FValue[i] != u'"') {
      text += FValue[i];
    } else if (i + 1 < FLen && FValue[i + 1] == u'"') {
      text += u'"';
      ++i;
    } else {
      Add(std::move(text), TT::ttString);
      p = i + 1;
      return;
    }
  }
  Fail(5, FOrigValue);
}

void TXLSTokenizer97::ScanError(size_t& p) {
  for (const TErrorLiteral& e : kErrorLiterals) {
    if (FValue.compare(p, e.Text.size(), e.Text) == 0) {
      Add(std::u16string(e.Text), TT::ttError);
      p += e.Text.size();
      return;
    }
  }
  size_t end = p + 1;
  while (end < FLen && (IsLetter(FValue[end]) || IsDigit(FValue[end]) || FValue[end] == u'!' ||
                        FValue[end] == u'/' || FValue[end] == u'?'))
    ++end;
  Fail(2, std::u16string_view(FValue).substr(p, end - p));
}

size_t TXLSTokenizer97::RefLength(size_t s) const {
  static constexpr std::u16string_view kFollow = u" !\"#$%&'()*+-/:<=>[]^{}";
  size_t i = s;
  if (i < FLen && FValue[i] == u'$') ++i;
  if (i + 1 >= FLen || !IsLetter(FValue[i])) return 0;
  const char16_t c1 = Upper97(FValue[i++]);
  if (c1 <= u'I' && IsLetter(FValue[i])) {
    if (c1 == u'I' && Upper97(FValue[i]) >= u'W') return 0;
    ++i;
  }
  if (i < FLen && FValue[i] == u'$') ++i;
  const size_t digits = i;
  int32_t row = 0;
  while (i < FLen && IsDigit(FValue[i])) {
    if (row <= 65536) row = row * 10 + (FValue[i] - u'0');
    ++i;
  }
  if (i == digits) return 0;
  if (i < FLen && kFollow.find(FValue[i]) == std::u16string_view::npos && FValue[i] != FSeparators.List) return 0;
  if (row < 1 || row > 65536) return 0;
  return i - s;
}

void TXLSTokenizer97::ScanRefOrName(size_t& p) {
  const size_t len = RefLength(p);
  if (len < 2) {
    if (FValue[p] == u'$')
      Fail(16, u"");
    else
      ScanName(p);
    return;
  }
  const TT last = Last();
  size_t end = p + len;
  TT type = TT::ttRef;
  if (end < FLen && FValue[end] == u':') {
    if (const size_t len2 = RefLength(end + 1); len2 >= 2) {
      end += 1 + len2;
      type = TT::ttArea;
    }
  }
  if (last == TT::ttSheetName)
    type = type == TT::ttRef ? TT::ttRef3d : TT::ttArea3d;
  else if (last == TT::ttSheetNameX)
    type = type == TT::ttRef ? TT::ttRefX : TT::ttAreaX;
  Add(FValue.substr(p, end - p), type);
  p = end;
}

bool TXLSTokenizer97::NameStop(char16_t c) const {
  static constexpr std::u16string_view kStops = u" !\"#%&'()*+-./<=>?[\\]^{}";
  return c <= 0xFF && (kStops.find(c) != std::u16string_view::npos || c == FSeparators.List);
}

void TXLSTokenizer97::ScanName(size_t& p) {
  const size_t start = p;
  while (p < FLen && !NameStop(FValue[p])) ++p;
  if (p > start) Add(FValue.substr(start, p - start), Last() == TT::ttPath ? TT::ttNameX : TT::ttName);
}

void TXLSTokenizer97::ScanQuotedName(size_t& p) {
  // The text up to the closing apostrophe; a doubled apostrophe inside is one apostrophe.
  const size_t q = p;
  std::u16string text;
  size_t close = FLen;
  for (size_t i = q + 1; i < FLen; ++i) {
    if (FValue[i] != u'\'') {
      text += FValue[i];
    } else if (i + 1 < FLen && FValue[i + 1] == u'\'') {
      text += u'\'';
      ++i;
    } else {
      close = i;
      break;
    }
  }
  if (close < FLen && text.size() >= 7 && text[1] == u':' && text[2] == u'\\') {
    // A drive path; a bracketed file name may follow inside the quotes.
    const size_t bracket = text.find(u'[', 1);
    if (bracket != std::u16string::npos) {
      Add(text.substr(0, bracket), TT::ttPath);
      p = FValue.find(u'[', q + 1);
    } else {
      Add(std::move(text), TT::ttPath);
      p = close + 1;
    }
    return;
  }
  static constexpr std::u16string_view kBad = u"*/?[\\]";
  for (size_t i = q + 1; i < close; ++i) {
    if (kBad.find(FValue[i]) != std::u16string_view::npos) {
      Fail(13, std::u16string_view(FValue).substr(q, i - q + 1));
      return;
    }
  }
  Add(std::move(text), TT::ttName);
  p = close < FLen ? close + 1 : FLen;
}

void TXLSTokenizer97::ScanFile(size_t& p) {
  const size_t close = FValue.find(u']', p + 1);
  if (close == std::u16string::npos) {
    Fail(14, FValue);
  } else if (close == p + 1) {
    Fail(14, u"[]");
  } else {
    Add(FValue.substr(p + 1, close - p - 1), TT::ttFile);
    p = close + 1;
  }
}

void TXLSTokenizer97::ScanNumber(size_t& p) {
  static constexpr std::u16string_view kStops = u" %&)*+-/<=>^";
  const size_t start = p;
  bool decimal = false;
  while (p < FLen) {
    const char16_t c = FValue[p];
    if (IsDigit(c)) {
      ++p;
    } else if (c == FSeparators.Decimal && c != FSeparators.List) {
      if (decimal) {
        Fail(12, u"");
        return;
      }
      decimal = true;
      ++p;
    } else if (c == u'E') {
      // An exponent: E, an optional sign and digits.
      size_t q = p + 1;
      if (q < FLen && (FValue[q] == u'+' || FValue[q] == u'-')) ++q;
      if (q >= FLen || !IsDigit(FValue[q])) {
        Fail(12, u"");
        return;
      }
      while (q < FLen && IsDigit(FValue[q])) ++q;
      p = q;
      break;
    } else {
      break;
    }
  }
  if (p < FLen && kStops.find(FValue[p]) == std::u16string_view::npos && FValue[p] != FSeparators.List) {
    Fail(12, u"");
    return;
  }
  Add(FValue.substr(start, p - start), TT::ttNumber);
}

// ---------------------------------------------------------------------------------------------
// Encoder

struct TEncodeFormula::TNesting {
  explicit TNesting(TEncodeFormula& e) : FEncoder(e) {
    if (++FEncoder.FDepth > kMaxNesting) throw XLSRWException("Error in formula");
  }
  ~TNesting() { --FEncoder.FDepth; }
  TEncodeFormula& FEncoder;
};

TEncodeFormula::TEncodeFormula() {
  FTokenizer.FTokenErrorEvent = [this](int32_t id, std::u16string_view text) { Report(id, text); };
  for (char16_t c : StrTRUE()) FStrTRUE += Upper97(c);
  for (char16_t c : StrFALSE()) FStrFALSE += Upper97(c);
}

void TEncodeFormula::Report(int32_t errorId, std::u16string_view text) {
  std::u16string message = u"Error in formula " + FFormulaText + u"\r";
  std::u16string_view pattern = ErrorText(errorId);
  if (const size_t at = pattern.find(u"%s"); at != std::u16string_view::npos) {
    message.append(pattern.substr(0, at));
    message.append(text);
    message.append(pattern.substr(at + 2));
  } else {
    message.append(pattern);
  }
  if (OnFormulaError) {
    OnFormulaError(errorId, message);
    return;
  }
  throw XLSRWException(message);
}

void TEncodeFormula::Put(const void* bytes, size_t n) {
  if (n > FBuffer.size() - FCurrBufSize) throw XLSRWException("Formula buffer overflow.");
  std::memcpy(FBuffer.data() + FCurrBufSize, bytes, n);
  FCurrBufSize += n;
}

void TEncodeFormula::PutU16(uint16_t v) {
  const uint8_t b[2] = {uint8_t(v & 0xFF), uint8_t(v >> 8)};
  Put(b, 2);
}

void TEncodeFormula::PutId(uint8_t id) {
  WriteBlankRecord();
  FLastPtgPos = int64_t(FCurrBufSize);
  PutU8(id);
}

void TEncodeFormula::WriteBlankRecord() {
  if (FWSStack.empty()) return;
  const uint32_t record = FWSStack.back();
  FWSStack.pop_back();
  if (record == 0) return;
  const TT before = TT(record >> 16);
  const uint8_t attr[4] = {0x19, 0x40, uint8_t(before == TT::ttParenL ? 2 : before == TT::ttParenR ? 4 : 0),
                           uint8_t(record & 0xFF)};
  Put(attr, 4);
}

void TEncodeFormula::PushBlanks() {
  uint32_t count = 0;
  while (FPos < FTokenizer.Count() && TypeAt(FPos) == TT::ttSpace) {
    ++FPos;
    if (count < 255) ++count;
  }
  FWSStack.push_back(count == 0 || FPos >= FTokenizer.Count() ? 0 : (uint32_t(TypeAt(FPos)) << 16) | count);
}

void TEncodeFormula::SkipBlanks() {
  while (FPos < FTokenizer.Count() && TypeAt(FPos) == TT::ttSpace) ++FPos;
}

TTokenType TEncodeFormula::TypeAt(size_t i) const {
  return i < FTokenizer.Count() ? FTokenizer.GetItems(i).TokenType : TT::ttNone;
}

const std::u16string& TEncodeFormula::TextAt(size_t i) const {
  static const std::u16string kEmpty;
  return i < FTokenizer.Count() ? FTokenizer.GetItems(i).Token : kEmpty;
}

int32_t TEncodeFormula::Encode(std::u16string_view formula, uint8_t returnClass, TFormulaVersion version,
                               std::span<uint8_t> buf) {
  FLastSheetIndex = -1;
  FFormulaVersion = version;
  FTokenizer.FFormulaVersion = version;
  FWSStack.clear();
  FDepth = 0;
  FFormulaText = formula;
  if (std::all_of(formula.begin(), formula.end(), [](char16_t c) { return c <= u' '; })) {
    Report(18, u"");
    return 0;
  }
  FTokenizer.Tokenize(formula);
  if (FTokenizer.Error()) {
    FTokenizer.Clear();
    throw XLSRWException("Error in formula");
  }
  FBuffer = buf;
  FCurrBufSize = 0;
  FLastPtgPos = -1;
  FPos = 0;
  FFuncArgClass = returnClass ? returnClass : 0x40;
  Union(true);
  SkipBlanks();
  if (FPos < FTokenizer.Count()) Report(2, TextAt(FPos));
  FTokenizer.Clear();
  return int32_t(FCurrBufSize);
}

void TEncodeFormula::Union(bool topLevel) {
  Comparison();
  while (FTokenizer.NextToken(FPos) == TT::ttListSep) {
    // Only references join into a union; an argument list never reaches here.
    size_t after = FPos;
    while (TypeAt(after) != TT::ttListSep) ++after;
    const size_t sep = after++;
    while (TypeAt(after) == TT::ttSpace) ++after;
    if (!ReferenceStarts(after)) {
      FPos = sep;
      if (topLevel) return;  // reported as text after the expression
      Report(2, TextAt(sep));
      FPos = sep + 1;
      continue;
    }
    PushBlanks();
    ++FPos;
    Comparison();
    PutId(0x10);
  }
}

void TEncodeFormula::ExprWithClass(uint8_t cls) {
  FFuncArgClass = cls ? cls : 0x40;
  Comparison();
}

void TEncodeFormula::Binary(void (TEncodeFormula::*next)(), std::span<const std::pair<TTokenType, uint8_t>> ops) {
  (this->*next)();
  for (;;) {
    const TT t = FTokenizer.NextToken(FPos);
    const auto op = std::find_if(ops.begin(), ops.end(), [t](const auto& o) { return o.first == t; });
    if (op == ops.end()) return;
    PushBlanks();
    ++FPos;
    (this->*next)();
    PutId(op->second);
  }
}

void TEncodeFormula::Comparison() {
  static constexpr std::pair<TT, uint8_t> kOps[] = {{TT::ttGT, 0x0D}, {TT::ttGE, 0x0C}, {TT::ttLT, 0x09},
                                                   {TT::ttLE, 0x0A}, {TT::ttEQ, 0x0B}, {TT::ttNE, 0x0E}};
  Binary(&TEncodeFormula::Concatenation, kOps);
}

void TEncodeFormula::Concatenation() {
  static constexpr std::pair<TT, uint8_t> kOps[] = {{TT::ttConcat, 0x08}};
  Binary(&TEncodeFormula::Additive, kOps);
}

void TEncodeFormula::Additive() {
  static constexpr std::pair<TT, uint8_t> kOps[] = {{TT::ttAdd, 0x03}, {TT::ttSub, 0x04}};
  Binary(&TEncodeFormula::Multiplicative, kOps);
}

void TEncodeFormula::Multiplicative() {
  static constexpr std::pair<TT, uint8_t> kOps[] = {{TT::ttMul, 0x05}, {TT::ttDiv, 0x06}};
  Binary(&TEncodeFormula::Power, kOps);
}

void TEncodeFormula::Power() {
  static constexpr std::pair<TT, uint8_t> kOps[] = {{TT::ttPower, 0x07}};
  Binary(&TEncodeFormula::Percent, kOps);
}

void TEncodeFormula::Percent() {
  Unary();
  while (FTokenizer.NextToken(FPos) == TT::ttPercent) {
    PushBlanks();
    ++FPos;
    PutId(0x14);
  }
}

void TEncodeFormula::Unary() {
  std::vector<uint8_t> signs;
  for (TT t = FTokenizer.NextToken(FPos); t == TT::ttAdd || t == TT::ttSub; t = FTokenizer.NextToken(FPos)) {
    PushBlanks();
    signs.push_back(t == TT::ttAdd ? 0x12 : 0x13);
    ++FPos;
  }
  Intersection();
  for (auto it = signs.rbegin(); it != signs.rend(); ++it) PutId(*it);
}

bool TEncodeFormula::ReferenceStarts(size_t i) const {
  const TT t = TypeAt(i);
  return IsReferenceToken(t) || t == TT::ttParenL;
}

void TEncodeFormula::Intersection() {
  Primary();
  // Blanks between two references are the intersection operator.
  while (FLastOperandRef && TypeAt(FPos) == TT::ttSpace) {
    size_t after = FPos;
    while (TypeAt(after) == TT::ttSpace) ++after;
    if (!ReferenceStarts(after) || TypeAt(after) == TT::ttParenL) return;
    FPos = after;
    FWSStack.push_back(0);
    Primary();
    if (!FLastOperandRef) return;
    PutId(0x0F);
  }
}

void TEncodeFormula::Primary() {
  if (FTokenizer.NextToken(FPos) == TT::ttParenL) {
    const TNesting nesting(*this);
    PushBlanks();
    ++FPos;
    Union(false);
    if (FTokenizer.NextToken(FPos) != TT::ttParenR) {
      Report(11, u"");
      return;
    }
    PushBlanks();
    ++FPos;
    WriteBlankRecord();
    PutId(0x15);
    return;
  }
  OperandAfterBlanks();
}

void TEncodeFormula::OperandAfterBlanks() {
  PushBlanks();
  if (FPos >= FTokenizer.Count()) {
    // The text ends where an operand belongs.
    FWSStack.pop_back();
    Report(2, u"");
    return;
  }
  Operand();
}

void TEncodeFormula::Operand() {
  const TT t = TypeAt(FPos);
  FLastOperandRef = false;
  if (t == TT::ttFunc) {
    FunctionCall();
    return;
  }
  if (!IsReferenceToken(t)) {
    Constant();
    ++FPos;
    return;
  }
  size_t consumed = 1;
  if (SheetOperand(consumed)) {
    FPos += consumed;
    FLastOperandRef = true;
    return;
  }
  if (t == TT::ttSheetName || t == TT::ttSheetNameX || t == TT::ttPath) {
    // A sheet or book that is not known: the sheet text is the unknown name.
    WriteBlankRecord();
    Report(7, TextAt(FPos));
    FPos += consumed;
    return;
  }
  const std::u16string& text = TextAt(FPos);
  if (PlainReference()) {
    FLastOperandRef = true;
  } else if (text == FStrTRUE || text == FStrFALSE) {
    PutId(0x1D);
    PutU8(text == FStrTRUE ? 1 : 0);
  } else {
    DefinedName(text);
    FLastOperandRef = true;
  }
  ++FPos;
}

void TEncodeFormula::Constant() {
  const TXLSToken97& token = FTokenizer.GetItems(FPos);
  if (token.TokenType == TT::ttString) {
    if (token.Token.size() >= 256) {
      WriteBlankRecord();
      Report(6, u"");
      return;
    }
    PutId(0x17);
    PutU8(uint8_t(token.Token.size()));
    if (token.Token.empty()) {
      PutU8(0);
      return;
    }
    PutU8(1);
    for (char16_t c : token.Token) PutU16(c);
    return;
  }
  if (token.TokenType == TT::ttError) {
    for (const TErrorLiteral& e : kErrorLiterals)
      if (e.Text == token.Token) {
        PutId(0x1C);
        PutU8(e.Code);
        return;
      }
  }
  if (token.TokenType == TT::ttNumber) {
    std::string ascii;
    for (char16_t c : token.Token) ascii += c == FTokenizer.FSeparators.Decimal ? '.' : char(c);
    double value = 0;
    const auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (ec == std::errc() && end == ascii.data() + ascii.size() && std::isfinite(value)) {
      if (value >= 0 && value <= 65535 && value == std::floor(value)) {
        PutId(0x1E);
        PutU16(uint16_t(value));
      } else {
        PutId(0x1F);
        const uint64_t bits = std::bit_cast<uint64_t>(value);
        uint8_t b[8];
        for (int i = 0; i < 8; ++i) b[i] = uint8_t(bits >> (8 * i));
        Put(b, 8);
      }
      return;
    }
  }
  WriteBlankRecord();
  Report(1, token.Token);
}

bool TEncodeFormula::WriteRef(uint8_t base, std::u16string_view text, bool area, int32_t extIndex) {
  int32_t c1 = 0, r1 = 0, c2 = 0, r2 = 0;
  bool ca1 = false, ra1 = false, ca2 = false, ra2 = false;
  const bool ok = area ? AreaStrToColRowAbs(text, c1, r1, c2, r2, ca1, ra1, ca2, ra2)
                       : RefStrToColRowAbs(text, c1, r1, ca1, ra1);
  if (!ok || c1 > 255 || r1 > 65535 || (area && (c2 > 255 || r2 > 65535))) return false;
  PutId(uint8_t(FFuncArgClass + base));
  if (extIndex >= 0) PutU16(uint16_t(extIndex));
  PutU16(uint16_t(r1));
  if (area) PutU16(uint16_t(r2));
  PutU16(ColWord(c1, ca1, ra1));
  if (area) PutU16(ColWord(c2, ca2, ra2));
  return true;
}

bool TEncodeFormula::PlainReference() {
  const TT t = TypeAt(FPos);
  if (t != TT::ttRef && t != TT::ttArea) return false;
  return WriteRef(t == TT::ttRef ? 0x04 : 0x05, TextAt(FPos), t == TT::ttArea, -1);
}

bool TEncodeFormula::SheetOperand(size_t& consumed) {
  const TT t0 = TypeAt(FPos), t1 = TypeAt(FPos + 1);
  int32_t extIndex = -1, nameIndex = -1;
  size_t last = 0;
  if (t0 == TT::ttSheetName || t0 == TT::ttSheetNameX) consumed = FPos + 1 < FTokenizer.Count() ? 2 : 1;
  if (t0 == TT::ttPath && t1 == TT::ttNameX) consumed = 2;
  if (t0 == TT::ttPath && t1 == TT::ttFile && TypeAt(FPos + 2) == TT::ttSheetNameX && FPos + 3 < FTokenizer.Count())
    consumed = 4;
  if (t0 == TT::ttSheetName && (t1 == TT::ttRef3d || t1 == TT::ttArea3d)) {
    last = FPos + 1;
    if (OnExternName) OnExternName(u"", u"", TextAt(FPos), TextAt(last), true, extIndex, nameIndex);
  } else if (t0 == TT::ttPath && t1 == TT::ttNameX) {
    last = FPos + 1;
    if (OnExternName) OnExternName(TextAt(FPos), u"", u"", TextAt(last), false, extIndex, nameIndex);
  } else if (consumed == 4) {
    last = FPos + 3;
    if (OnExternName)
      OnExternName(TextAt(FPos), TextAt(FPos + 1), TextAt(FPos + 2), TextAt(last), true, extIndex, nameIndex);
  } else {
    return false;
  }
  if (nameIndex < 0 || extIndex < 0 || extIndex > 0xFFFF) return false;
  const TT lt = TypeAt(last);
  if (lt == TT::ttRef3d || lt == TT::ttRefX || lt == TT::ttArea3d || lt == TT::ttAreaX) {
    const bool area = lt == TT::ttArea3d || lt == TT::ttAreaX;
    if (!WriteRef(area ? 0x1B : 0x1A, TextAt(last), area, extIndex)) return false;
    FLastSheetIndex = nameIndex;
    return true;
  }
  if (lt != TT::ttNameX || nameIndex >= 0xFFFF) return false;
  PutId(uint8_t(FFuncArgClass + 0x19));
  PutU16(uint16_t(extIndex));
  PutU16(uint16_t(nameIndex + 1));
  PutU16(0);
  return true;
}

void TEncodeFormula::DefinedName(std::u16string_view text) {
  int32_t id = -1;
  if (_OnUnknownName) _OnUnknownName(text, id);
  if (id < 0 || id >= 0xFFFF) {
    WriteBlankRecord();
    Report(7, text);
    return;
  }
  PutId(uint8_t(FFuncArgClass + 0x03));
  PutU16(uint16_t(id + 1));
  PutU16(0);
}

void TEncodeFormula::FunctionCall() {
  const std::u16string name = TextAt(FPos);
  const int32_t number = FindExcelFunction(name);
  const TExcelFunction* row = ExcelFunction(number);
  if (!row || row->Min < 0) Report(4, name);
  ++FPos;
  const TNesting nesting(*this);
  int32_t count = 0;
  uint8_t cls = 0;
  const size_t n = FTokenizer.Count();
  for (;;) {
    if (row && count <= 5 && row->ArgClass[count] != 0) cls = row->ArgClass[count];
    // The next argument separator of this list.
    size_t sep = n;
    int32_t depth = 0;
    for (size_t j = FPos; j < n; ++j) {
      const TT t = TypeAt(j);
      if (t == TT::ttParenL || t == TT::ttFunc) {
        ++depth;
      } else if (t == TT::ttParenR) {
        if (depth == 0) break;
        --depth;
      } else if (t == TT::ttListSep && depth == 0) {
        sep = j;
        break;
      }
    }
    if (sep == FPos) {
      // A missing argument takes no blank record: records stay with the tokens they precede.
      FLastPtgPos = int64_t(FCurrBufSize);
      PutU8(0x16);
      FPos = sep + 1;
      ++count;
      continue;
    }
    if (sep < n) {
      ExprWithClass(cls);
      SkipBlanks();
      if (FPos != sep) Report(2, TextAt(FPos));
      FPos = sep + 1;
      ++count;
      continue;
    }
    if (FTokenizer.NextToken(FPos) == TT::ttParenR) {
      SkipBlanks();
      ++FPos;
      break;
    }
    if (FPos >= n) {
      Report(3, u"");
      break;
    }
    ExprWithClass(cls);
    ++count;
    SkipBlanks();
    if (FPos < n) {
      if (TypeAt(FPos) == TT::ttParenR)
        ++FPos;
      else
        Report(2, TextAt(FPos));
    }
    break;
  }
  if (row) {
    if (row->Min == row->Max) {
      if (count != row->Min) Report(17, name);
      PutId(0x41);
      PutU16(uint16_t(number));
    } else {
      if (count > 0x7F) Report(17, name);
      PutId(0x42);
      PutU8(uint8_t(count));
      PutU16(uint16_t(number));
    }
  } else {
    WriteBlankRecord();
  }
  FFuncArgClass = 0x40;
}

}  // namespace xls
