#include "xls/formula/xlsformulaencoder.h"

#include <algorithm>
#include <bit>
#include <string>

#include "platform/textcodec.h"
#include "xls/formula/xlsformuladecoder.h"
#include "xls/formula/xlsformulaerror.h"
#include "xls/formula/xlsfuncnames.h"
#include "xls/formula/xlsptgs.h"

namespace xls {

namespace {

bool IsOpenItem(uint8_t id) {
  return id == ptg::Paren || id == ptg::Array || id == ptg::Func || id == ptg::FuncVar ||
         id == ptg::UserFunc;
}

bool IsCallItem(uint8_t id) {
  return id == ptg::Array || id == ptg::Func || id == ptg::FuncVar || id == ptg::UserFunc;
}

// Tokens that give a reference, the only operands a union takes.
bool IsReferenceClass(uint8_t id) {
  return id == ptg::ISect || id == ptg::Union || id == ptg::Range || id == ptg::Paren ||
         id == ptg::Ref || id == ptg::Area || id == ptg::RefErr || id == ptg::AreaErr ||
         (id >= ptg::Ref3d && id <= ptg::AreaExtRange) || (id >= ptg::Err3d && id <= ptg::AreaErr3dAlt);
}

// A token body built on the stack, so that making a token allocates nothing.
class Body {
 public:
  void push_back(uint8_t v) {
    if (FSize == sizeof FBytes) RaiseFormulaException("Out of memory in Encode Formula");
    FBytes[FSize++] = v;
  }
  void append(std::span<const uint8_t> more) {
    for (uint8_t v : more) push_back(v);
  }
  operator std::span<const uint8_t>() const { return {FBytes, FSize}; }

 private:
  uint8_t FBytes[32];
  size_t FSize = 0;
};

void Put16(Body& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(Body& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

Body Zeros(size_t n) {
  Body b;
  for (size_t i = 0; i < n; ++i) b.push_back(0);
  return b;
}

bool IsColToken(TXLSTokenType t) { return t == xttRelCol || t == xttAbsCol; }
bool IsRowToken(TXLSTokenType t) { return t == xttRelRow || t == xttAbsRow; }

// Column and row values with their absolute flags.
int64_t ColValue(const TXLSToken& t) {
  return (t.vInteger & kPtgColMask) | (t.TokenType == xttAbsCol ? kPtgColAbs : 0);
}
int64_t RowValue(const TXLSToken& t) {
  return (t.vInteger & kPtgRowMask) | (t.TokenType == xttAbsRow ? int64_t{kPtgRowAbs} : 0);
}

// Table item specifiers, by TXLSTableSpecialSpecifier ordinal.
constexpr std::u16string_view kSpecials[] = {u"", u"ALL", u"DATA", u"HEADERS", u"TOTALS",
                                             u"THIS ROW"};
constexpr int kColumnItem = 0xFFFF;
enum { kAll = 1, kData, kHeaders, kTotals, kThisRow };

}  // namespace

TXLSFormulaEncoder::TXLSFormulaEncoder(const TXLSFormulaWorkbook& book, TXLSErrorManager& errors)
    : FBook(book), FErrors(errors) {
  FBuffer.reserve(kBufSize);
}

void TXLSFormulaEncoder::Error(int number, std::u16string_view text) {
  ReportFormulaError(FErrors, number, text);
}

TXLSFormulaEncoder::Tok TXLSFormulaEncoder::Make(uint8_t id, std::span<const uint8_t> body) {
  const size_t size = 1 + body.size();
  // Every token takes its size and 4 bytes of bookkeeping of the work buffer.
  if (FBufUsed + size + 4 > kBufSize) RaiseFormulaException("Out of memory in Encode Formula");
  FBufUsed += size + 4;
  Tok t{static_cast<uint32_t>(FBuffer.size()), static_cast<uint32_t>(size)};
  FBuffer.push_back(id);
  FBuffer.insert(FBuffer.end(), body.begin(), body.end());
  return t;
}

TXLSFormulaEncoder::Tok TXLSFormulaEncoder::MakeText(uint8_t id, std::span<const uint8_t> head,
                                                     std::u16string_view text) {
  if (text.size() > 0xFFFF) RaiseFormulaException("Out of memory in Encode Formula");
  const size_t size = 1 + head.size() + 2 + 2 * text.size();
  if (FBufUsed + size + 4 > kBufSize) RaiseFormulaException("Out of memory in Encode Formula");
  FBufUsed += size + 4;
  Tok t{static_cast<uint32_t>(FBuffer.size()), static_cast<uint32_t>(size)};
  FBuffer.push_back(id);
  FBuffer.insert(FBuffer.end(), head.begin(), head.end());
  FBuffer.push_back(static_cast<uint8_t>(text.size()));
  FBuffer.push_back(static_cast<uint8_t>(text.size() >> 8));
  for (char16_t c : text) {
    FBuffer.push_back(static_cast<uint8_t>(c));
    FBuffer.push_back(static_cast<uint8_t>(c >> 8));
  }
  return t;
}

TXLSFormulaEncoder::Tok TXLSFormulaEncoder::MakeRef(uint8_t id, int64_t col, int64_t row,
                                                    std::span<const uint8_t> tail) {
  Body body;
  Put32(body, static_cast<uint32_t>(row));
  Put16(body, static_cast<uint32_t>(col));
  body.append(tail);
  return Make(id, body);
}

TXLSFormulaEncoder::Tok TXLSFormulaEncoder::MakeArea(uint8_t id, int64_t c1, int64_t r1,
                                                     int64_t c2, int64_t r2,
                                                     std::span<const uint8_t> tail) {
  Body body;
  Put32(body, static_cast<uint32_t>(r1));
  Put32(body, static_cast<uint32_t>(r2));
  Put16(body, static_cast<uint32_t>(c1));
  Put16(body, static_cast<uint32_t>(c2));
  body.append(tail);
  return Make(id, body);
}

int TXLSFormulaEncoder::Precedence(uint8_t id) {
  switch (id) {
    case ptg::ISect: case ptg::Union: case ptg::Range: return 38;
    case ptg::UPlus: case ptg::UMinus: return 37;
    case ptg::Percent: return 36;
    case ptg::Power: return 35;
    case ptg::Mul: case ptg::Div: return 34;
    case ptg::Add: case ptg::Sub: return 33;
    case ptg::Concat: return 32;
    case ptg::Less: case ptg::LessEqual: case ptg::GreaterEqual: case ptg::Greater: return 31;
    case ptg::Equal: case ptg::NotEqual: return 30;
    case ptg::ArgSep: return 6;
    case ptg::FuncVar: return 4;
    case ptg::Func: case ptg::UserFunc: return 3;
    case ptg::Paren: return 2;
    case ptg::Array: return 1;
    default: RaiseFormulaException("Unknown operator " + HexByte(id));
  }
}

TXLSFormulaEncoder::Entry* TXLSFormulaEncoder::InnermostOpen() {
  return FOpen.empty() ? nullptr : &FStack[FOpen.back()];
}

size_t TXLSFormulaEncoder::NextNotSpace(size_t i) const {
  while (i < FTokens->Count() && FTokens->GetItems(i).TokenType == xttSpace) ++i;
  return i;
}

void TXLSFormulaEncoder::Write(const Entry& e) {
  const uint8_t id = IdOf(e.tok);
  uint8_t* body = FBuffer.data() + e.tok.off + 1;
  switch (id) {
    case ptg::ArgSep: {
      const Entry* open = InnermostOpen();
      if (open && IsCallItem(IdOf(open->tok))) return;  // an argument separator
      // A union: both operands must be references. Blanks between them do not count.
      uint8_t last[2] = {0, 0};
      int found = 0;
      for (size_t k = FPostfix.size(); k > 0 && found < 2; --k)
        if (IdOf(FPostfix[k - 1]) != ptg::Space) last[found++] = IdOf(FPostfix[k - 1]);
      if (found == 2 && IsReferenceClass(last[0]) && IsReferenceClass(last[1]))
        FPostfix.push_back(Make(ptg::Union));
      else
        Error(4018);
      return;
    }
    case ptg::Func: {
      const TXc12FuncData* row = TXLSExcelFuncNames::Instance().Data(PtgGetU16(body));
      if (row && e.args != row->Min) {
        Error(e.args < row->Min ? 4020 : 4021, row->Name);
        FFailed = true;  // the error was listed: no unbalanced array
      }
      break;
    }
    case ptg::FuncVar:
    case ptg::UserFunc:
      if (e.args > 255) {
        const TXc12FuncData* row =
            id == ptg::FuncVar ? TXLSExcelFuncNames::Instance().Data(PtgGetU16(body + 1)) : nullptr;
        Error(4021, row ? row->Name : std::u16string_view());
        FFailed = true;
      }
      body[0] = static_cast<uint8_t>(e.args);
      break;
    case ptg::Array:
      PtgPutU16(body, static_cast<uint16_t>(e.rows > 0 ? e.args / e.rows : 0));
      PtgPutU32(body + 2, static_cast<uint32_t>(e.args > 0 ? e.rows : 0));
      break;
    default:
      break;
  }
  FPostfix.push_back(e.tok);
}

void TXLSFormulaEncoder::PopWrite() {
  const Entry e = FStack.back();
  FStack.pop_back();
  if (!FOpen.empty() && FOpen.back() == FStack.size()) FOpen.pop_back();
  Write(e);
}

void TXLSFormulaEncoder::Push(Entry e) {
  const uint8_t id = IdOf(e.tok);
  if (id == ptg::RPar) {
    while (!FStack.empty() && !IsOpenItem(IdOf(FStack.back().tok))) PopWrite();
    if (!FStack.empty()) PopWrite();
    return;
  }
  if (!IsOpenItem(id) && id != ptg::UPlus && id != ptg::UMinus) {
    const int own = Precedence(id);
    while (!FStack.empty() && Precedence(IdOf(FStack.back().tok)) >= own) PopWrite();
  }
  if (IsOpenItem(id)) FOpen.push_back(FStack.size());
  FStack.push_back(e);
}

std::vector<uint8_t> TXLSFormulaEncoder::Encode(const TXLSTokenList& tokens, int32_t sheetId,
                                                int32_t col, int32_t row) {
  FTokens = &tokens;
  FSheetId = sheetId;
  FCol = col;
  FRow = row;
  FBuffer.clear();
  FBufUsed = 0;
  FStack.clear();
  FStack.reserve(tokens.Count() + 1);
  FOpen.clear();
  FPostfix.clear();
  FPostfix.reserve(tokens.Count() + 1);
  FPrevToken = FPrevSignificant = xttNone;
  FCurrTables = FStartTables;
  FCurrTablesSheet = FStartTablesSheet;
  FDone = FFailed = false;

  for (size_t i = 0; i < tokens.Count() && !FDone;) {
    const TXLSTokenType type = tokens.GetItems(i).TokenType;
    if (!Handle(i) || FFailed) return {};
    FPrevToken = type;
    if (type != xttWhitespace && type != xttSpace) FPrevSignificant = type;
    ++i;
  }
  if (!FDone)
    while (!FStack.empty()) PopWrite();
  if (FFailed) return {};
  if (!FPostfix.empty() && !Balanced()) {
    // Operators without their operands ("%", "A1:") give no array that could not be decoded.
    Error(4015);
    return {};
  }

  std::vector<uint8_t> out;
  size_t total = 0;
  for (Tok t : FPostfix) total += t.size;
  out.reserve(total);
  for (Tok t : FPostfix) out.insert(out.end(), FBuffer.begin() + t.off, FBuffer.begin() + t.off + t.size);
  return out;
}

// True when the written tokens leave exactly one result and no token takes more operands than
// stand before it.
bool TXLSFormulaEncoder::Balanced() const {
  int64_t depth = 0;
  for (Tok t : FPostfix) {
    const uint8_t* p = FBuffer.data() + t.off;
    int64_t takes = 0;
    switch (p[0]) {
      case ptg::Space:
        continue;
      case ptg::UPlus: case ptg::UMinus: case ptg::Percent: case ptg::Paren:
        takes = 1;
        break;
      case ptg::Func: {
        const TXc12FuncData* row = TXLSExcelFuncNames::Instance().Data(PtgGetU16(p + 1));
        takes = row ? row->Min : 0;
        break;
      }
      case ptg::FuncVar: case ptg::UserFunc:
        takes = p[1];
        break;
      case ptg::Array:
        takes = int64_t{PtgGetU16(p + 1)} * PtgGetU32(p + 3);
        break;
      case ptg::Table:
        takes = p[5];
        break;
      default:
        if (p[0] >= ptg::Add && p[0] <= ptg::Range) takes = 2;
        break;
    }
    if (takes > depth) return false;
    depth -= takes;
    ++depth;
  }
  return depth == 1;
}

// Handles the token at i (and the tokens it consumes: i is left on the last of them). False ends
// the encoding with no array.
bool TXLSFormulaEncoder::Handle(size_t& i) {
  const TXLSToken& t = FTokens->GetItems(i);
  switch (t.TokenType) {
    case xttWhitespace: {
      const uint8_t count = static_cast<uint8_t>(t.vInteger > 255 ? 255 : t.vInteger);
      WriteTok(Make(ptg::Space, {&count, 1}));
      return true;
    }
    case xttComma:
    case xttSemicolon: {
      Entry* open = InnermostOpen();
      if (open && IsCallItem(IdOf(open->tok))) {
        const bool missing = FPrevSignificant == xttComma || FPrevSignificant == xttSemicolon ||
                             FPrevSignificant == xttFuncName;
        if (IdOf(open->tok) == ptg::Array) {
          ++open->args;
          if (t.TokenType == xttSemicolon) ++open->rows;
        } else {
          ++open->args;
        }
        Push(Entry{Make(ptg::ArgSep)});
        if (missing && IdOf(InnermostOpen()->tok) != ptg::Array) WriteTok(Make(ptg::MissArg));
      } else {
        Push(Entry{Make(ptg::ArgSep)});
      }
      return true;
    }
    case xttColon:
      Push(Entry{Make(ptg::Range)});
      return true;
    case xttExclamation:
    case xttLSqBracket:
    case xttRSqBracket:
    case xttAphostrophe:
    case xttSpace:
      return true;
    case xttLPar:
      Push(Entry{Make(ptg::Paren)});
      return true;
    case xttRPar: {
      const Entry* open = InnermostOpen();
      if (open && IdOf(open->tok) != ptg::Paren && IdOf(open->tok) != ptg::Array && open->args > 0 &&
          (FPrevSignificant == xttComma || FPrevSignificant == xttFuncName))
        WriteTok(Make(ptg::MissArg));
      Push(Entry{Make(ptg::RPar)});
      return true;
    }
    case xttConstErrNull: case xttConstErrDiv0: case xttConstErrValue: case xttConstErrRef:
    case xttConstErrName: case xttConstErrNum: case xttConstErrNA: case xttConstErrGettingData: {
      const uint8_t code = static_cast<uint8_t>(t.TokenType - xttConstErrNull + 1);
      WriteTok(Make(ptg::Err, {&code, 1}));
      return true;
    }
    case xttConstLogicalTrue:
    case xttConstLogicalFalse: {
      const uint8_t v = t.TokenType == xttConstLogicalTrue ? 1 : 0;
      WriteTok(Make(ptg::Bool, {&v, 1}));
      return true;
    }
    case xttConstString: {
      WriteTok(MakeText(ptg::Str, {}, t.vPStr));
      return true;
    }
    case xttConstArrayBegin: {
      const size_t next = NextNotSpace(i + 1);
      const bool empty = next < FTokens->Count() && FTokens->GetItems(next).TokenType == xttConstArrayEnd;
      Entry e{Make(ptg::Array, Zeros(6))};
      e.args = e.rows = empty ? 0 : 1;
      Push(e);
      return true;
    }
    case xttConstArrayEnd: {
      Entry* open = InnermostOpen();
      if (open && IdOf(open->tok) == ptg::Array && open->args > 0 && open->args % open->rows != 0)
        Error(4022);
      Push(Entry{Make(ptg::RPar)});
      return true;
    }
    case xttConstNumber: {
      const double v = t.vFloat;
      Body body;
      if (v >= -2147483646.0 && v <= 2147483647.0 && v == static_cast<double>(static_cast<int64_t>(v))) {
        Put32(body, static_cast<uint32_t>(static_cast<int32_t>(v)));
        WriteTok(Make(ptg::Int, body));
      } else {
        const uint64_t bits = std::bit_cast<uint64_t>(v);
        Put32(body, static_cast<uint32_t>(bits));
        Put32(body, static_cast<uint32_t>(bits >> 32));
        WriteTok(Make(ptg::Num, body));
      }
      return true;
    }
    case xttOpHat: case xttOpMult: case xttOpDiv: case xttOpPlus: case xttOpMinus:
    case xttOpUMinus: case xttOpUPlus: case xttOpAmp: case xttOpEqual: case xttOpNotEqual:
    case xttOpLess: case xttOpLessEqual: case xttOpGreater: case xttOpGreaterEqual:
    case xttOpPercent: case xttOpRange: {
      static constexpr uint8_t kIds[] = {ptg::Power, ptg::Mul, ptg::Div, ptg::Add,
                                         ptg::Sub, ptg::UMinus, ptg::UPlus, ptg::Concat,
                                         ptg::Equal, ptg::NotEqual, ptg::Less, ptg::LessEqual,
                                         ptg::Greater, ptg::GreaterEqual, ptg::Percent, ptg::Range};
      Push(Entry{Make(kIds[t.TokenType - xttOpHat])});
      return true;
    }
    case xttOpISect: {
      const uint8_t count = static_cast<uint8_t>(t.vInteger > 255 ? 255 : t.vInteger);
      Push(Entry{Make(ptg::ISect, {&count, 1})});
      return true;
    }
    case xttRelCol: case xttAbsCol: case xttRelRow: case xttAbsRow:
    case xttR1C1RelCol: case xttR1C1AbsCol: case xttR1C1RelRow: case xttR1C1AbsRow:
    case xttSheetName: case xttWorkbookName:
      Reference(i);
      return true;
    case xttName: {
      const int32_t index = FBook.FindName(t.vPStr, FSheetId);
      Body body;
      if (index >= 0 && index < 0xFFFF) {
        Put16(body, static_cast<uint32_t>(index));
        WriteTok(Make(ptg::Name, body));
      } else {
        const uint8_t code = 5;  // #NAME?
        WriteTok(Make(ptg::Err, {&code, 1}));
      }
      return true;
    }
    case xttFuncName:
      Function(i);
      return true;
    case xttTable:
    case xttTableCol:
    case xttTableSpecial:
      return Table(i);
    case xttNone:
    case xttSpaceOp:
    default:
      if (FStopOnError) {
        FDone = true;
        return true;
      }
      RaiseFormulaException("Invalid xtt token " + std::to_string(t.TokenType));
  }
}

void TXLSFormulaEncoder::Function(size_t i) {
  const TXLSToken& t = FTokens->GetItems(i);
  const TXLSExcelFuncNames& funcs = TXLSExcelFuncNames::Instance();
  const int32_t id = funcs.FindId(t.vPStr);
  const TXc12FuncData* row = id >= 0 ? funcs.Data(id) : nullptr;
  if (row) {
    if (FOnFunction) (*FOnFunction)(t.vPStr, id);
  } else if (FOnUserFunction) {
    (*FOnUserFunction)(t.vPStr);
  }
  // No arguments when ")" follows; blanks alone stand for one missing argument, except in a
  // function that takes none.
  size_t next = NextNotSpace(i + 1);
  int32_t args = 1;
  if (next < FTokens->Count()) {
    const TXLSTokenType n = FTokens->GetItems(next).TokenType;
    if (n == xttRPar) args = 0;
    const bool blanksOnly = n == xttWhitespace && NextNotSpace(next + 1) < FTokens->Count() &&
                            FTokens->GetItems(NextNotSpace(next + 1)).TokenType == xttRPar;
    if (blanksOnly && row && row->Max == 0) args = 0;
  }
  Body body;
  Entry e;
  if (!row) {
    body.push_back(0);
    e.tok = MakeText(ptg::UserFunc, body, t.vPStr);
  } else if (row->Min == row->Max) {
    Put16(body, static_cast<uint32_t>(id));
    e.tok = Make(ptg::Func, body);
  } else {
    body.push_back(0);
    Put16(body, static_cast<uint32_t>(id));
    e.tok = Make(ptg::FuncVar, body);
  }
  e.args = args;
  Push(e);
}

void TXLSFormulaEncoder::Reference(size_t& i) {
  const size_t count = FTokens->Count();
  auto type = [&](size_t k) { return k < count ? FTokens->GetItems(k).TokenType : xttNone; };
  auto item = [&](size_t k) -> const TXLSToken& { return FTokens->GetItems(k); };

  // Prefix: [book] sheet [: sheet] !
  const TXLSToken* book = nullptr;
  const TXLSToken* sheet1 = nullptr;
  const TXLSToken* sheet2 = nullptr;
  size_t k = i;
  if (type(k) == xttWorkbookName) book = &item(k++);
  if (type(k) == xttSheetName) {
    sheet1 = &item(k++);
    if (type(k) == xttColon && type(k + 1) == xttSheetName) {
      sheet2 = &item(k + 1);
      k += 2;
    }
  }
  if (type(k) == xttExclamation) ++k;

  // Shape.
  enum { kCell, kArea, kName, kError, kNothing } shape;
  size_t last = k;
  int64_t c1 = 0, r1 = 0, c2 = 0, r2 = 0;
  const TXLSTokenType t0 = type(k);
  if (IsRowToken(t0) && type(k + 1) == xttColon && IsRowToken(type(k + 2))) {
    shape = kArea;
    r1 = RowValue(item(k));
    r2 = RowValue(item(k + 2));
    c1 = 0;
    c2 = kXLSMaxCol;
    last = k + 2;
  } else if (IsColToken(t0) && type(k + 1) == xttColon && IsColToken(type(k + 2))) {
    shape = kArea;
    c1 = ColValue(item(k));
    c2 = ColValue(item(k + 2));
    r1 = 0;
    r2 = kXLSMaxRow;
    last = k + 2;
  } else if (IsColToken(t0) && IsRowToken(type(k + 1))) {
    c1 = ColValue(item(k));
    r1 = RowValue(item(k + 1));
    last = k + 1;
    shape = kCell;
    if (type(k + 2) == xttColon && IsColToken(type(k + 3)) && IsRowToken(type(k + 4))) {
      shape = kArea;
      c2 = ColValue(item(k + 3));
      r2 = RowValue(item(k + 4));
      last = k + 4;
    }
  } else if (t0 == xttName) {
    shape = kName;
  } else if (t0 >= xttConstErrNull && t0 <= xttConstErrGettingData) {
    shape = kError;
  } else if (IsColToken(t0) || IsRowToken(t0) || (t0 >= xttR1C1RelCol && t0 <= xttR1C1AbsRow)) {
    shape = kNothing;
  } else {
    RaiseFormulaException("Unknown sheet reference type: \"" + HexByte(static_cast<uint8_t>(t0)) + "\"");
  }
  i = last;
  if (shape == kNothing) return;

  // Prefix binding.
  int32_t link = -1, s1 = -1, s2 = -1;
  if (book) {
    const std::u16string& name = book->vPStr;
    int64_t n = 0;
    bool number = !name.empty() && name.size() <= 9;
    for (char16_t c : name) {
      if (c < u'0' || c > u'9') number = false;
      n = n * 10 + (c - u'0');
    }
    if (number)
      link = (n >= 1 && n <= FBook.ExternalLinkCount()) ? static_cast<int32_t>(n - 1) : -1;
    else
      link = FBook.FindExternalBook(name);
    if (link < 0) {
      Error(4012, name);
      return;
    }
  }
  if (shape == kName) {
    int32_t index = -1;
    if (sheet2) RaiseFormulaException("Unknown name reference");
    if (book) {
      index = FBook.FindName(item(k).vPStr, -1);
    } else if (sheet1) {
      const int32_t s = FBook.FindSheet(sheet1->vPStr);
      if (s < 0) {
        Error(4016, sheet1->vPStr);
        return;
      }
      index = FBook.FindNameInSheet(item(k).vPStr, s);
    }
    Body body;
    Put16(body, index >= 0 && index < 0xFFFF ? static_cast<uint32_t>(index) : 0xFFFF);
    WriteTok(Make(ptg::Name, body));
    return;
  }
  auto findSheet = [&](const TXLSToken* s) -> int32_t {
    if (!s) return -1;
    const int32_t index = book ? FBook.FindExternalSheet(link, s->vPStr) : FBook.FindSheet(s->vPStr);
    if (index < 0) {
      Error(4016, s->vPStr);
      return -2;
    }
    if (index > 0xFF) RaiseFormulaException("Sheet index " + std::to_string(index) + " does not fit a reference");
    return index;
  };
  s1 = findSheet(sheet1);
  s2 = findSheet(sheet2);
  if (s1 == -2 || s2 == -2) return;

  if (shape == kError) {
    const uint8_t code = static_cast<uint8_t>(t0 - xttConstErrNull + 1);
    if (!sheet1) {
      WriteTok(Make(ptg::Err, {&code, 1}));
    } else {
      // An error after any sheet prefix is the error alone.
      Body body = Zeros(6);
      body.push_back(code);
      WriteTok(Make(ptg::Err3d, body));
    }
    return;
  }
  Body tail;
  uint8_t id;
  const bool area = shape == kArea;
  if (!sheet1) {
    id = area ? ptg::Area : ptg::Ref;
  } else if (!book) {
    id = sheet2 ? (area ? ptg::Area3dRange : ptg::Ref3dRange) : (area ? ptg::Area3d : ptg::Ref3d);
    tail.push_back(static_cast<uint8_t>(s1));
    if (sheet2) tail.push_back(static_cast<uint8_t>(s2));
  } else {
    id = sheet2 ? (area ? ptg::AreaExtRange : ptg::RefExtRange) : (area ? ptg::AreaExt : ptg::RefExt);
    Put16(tail, static_cast<uint32_t>(link));
    tail.push_back(static_cast<uint8_t>(s1));
    if (sheet2) tail.push_back(static_cast<uint8_t>(s2));
  }
  WriteTok(area ? MakeArea(id, c1, r1, c2, r2, tail) : MakeRef(id, c1, r1, tail));
}

// A structured reference: a table name with its items, or items alone. The items are written
// first, ranges between them after their second item, then the table token: one operand.
bool TXLSFormulaEncoder::Table(size_t& i) {
  const size_t count = FTokens->Count();
  auto type = [&](size_t k) { return k < count ? FTokens->GetItems(k).TokenType : xttNone; };
  const TXLSToken* named = type(i) == xttTable ? &FTokens->GetItems(i) : nullptr;
  size_t k = named ? i + 1 : i;

  // Check the items.
  struct Item {
    size_t index;
    int special;  // kAll..kThisRow, or kColumnItem
    TXLSTokenType before;  // separator before it (xttNone for the first)
  };
  std::vector<Item> items;
  TXLSTokenType sep = xttNone;
  while (type(k) == xttTableCol || type(k) == xttTableSpecial) {
    const TXLSToken& t = FTokens->GetItems(k);
    Item it{k, kColumnItem, sep};
    if (t.TokenType == xttTableSpecial) {
      const std::u16string upper = kws::AsciiUpperCopy(t.vPStr);
      it.special = 0;
      for (int s = kAll; s <= kThisRow; ++s)
        if (upper == kSpecials[s]) it.special = s;
      if (it.special == 0) {
        Error(4026, t.vPStr);
        return false;
      }
    }
    items.push_back(it);
    ++k;
    const TXLSTokenType after = type(k);
    if (after != xttComma && after != xttColon && after != xttSpace) break;
    if (it.special != kColumnItem && after != xttComma) {
      Error(4028);
      return false;
    }
    if (type(k + 1) != xttTableCol && type(k + 1) != xttTableSpecial) break;
    sep = after;
    ++k;
  }
  if (items.size() >= 2) {
    std::vector<int> order;
    for (const Item& it : items) order.push_back(it.special);
    std::sort(order.begin(), order.end());
    if ((items[0].special == kColumnItem) != (order[0] == kColumnItem)) {
      Error(4030);
      return false;
    }
    const int a = order[0], b = order[1];
    bool ok = true;
    if (a != kColumnItem && b != kColumnItem) {
      ok = a == kData && (b == kHeaders || b == kTotals);
      if (order.size() >= 3 && order[2] != kColumnItem) ok = false;
    }
    if (!ok) {
      Error(4029);
      return false;
    }
  }

  // The table.
  const TXLSFormulaTables* tables = nullptr;
  int32_t sheet = -1, table = -1;
  if (named) {
    if (FCurrTables && (table = FCurrTables->Find(named->vPStr)) >= 0) {
      tables = FCurrTables;
      sheet = FCurrTablesSheet;
    } else if ((table = FBook.FindTable(named->vPStr, sheet)) >= 0) {
      tables = FBook.SheetTables(sheet);
      FCurrTables = tables;
      FCurrTablesSheet = sheet;
    }
    if (!tables) {
      Error(4024, named->vPStr);
      i = (type(k) == xttRSqBracket) ? k : k - 1;
      return true;
    }
  } else {
    if (!FCurrTables && FSheetId >= 0 && FSheetId < FBook.SheetCount()) {
      FCurrTables = FBook.SheetTables(FSheetId);
      FCurrTablesSheet = FSheetId;
    }
    tables = FCurrTables;
    table = tables ? tables->Find(FCol, FRow) : -1;
    sheet = FCurrTablesSheet;
    if (table < 0) {
      std::u16string at = u"at ";
      if (FCol >= 0 && FRow >= 0)
        AppendCellText(at, static_cast<uint32_t>(FRow), static_cast<uint16_t>(FCol));
      Error(4024, at);
      i = k - 1;
      return true;
    }
  }
  const TXLSFormulaTableGeometry g = tables->Geometry(table);
  const int64_t dataRow1 = g.Row1 + g.HeaderRowCount, dataRow2 = g.Row2 - g.TotalsRowCount;

  // The items, in text order.
  int32_t args = items.empty() ? 0 : 1;
  for (const Item& it : items) {
    const TXLSToken& t = FTokens->GetItems(it.index);
    Body body;
    if (it.special == kColumnItem) {
      std::u16string plain;
      for (size_t c = 0; c < t.vPStr.size(); ++c) {
        if (t.vPStr[c] == u'\'' && c + 1 < t.vPStr.size()) ++c;
        plain.push_back(t.vPStr[c]);
      }
      const int32_t column = tables->FindColumn(table, plain);
      if (column < 0) {
        Error(4025, t.vPStr);
        return false;
      }
      const int64_t c = tables->ColumnId(table, column) + g.Col1 - 1;
      Put16(body, static_cast<uint32_t>(table));
      Put16(body, static_cast<uint32_t>(column));
      body.push_back(ptg::Area);
      Put32(body, static_cast<uint32_t>(dataRow1));
      Put32(body, static_cast<uint32_t>(dataRow2));
      Put16(body, static_cast<uint32_t>(c));
      Put16(body, static_cast<uint32_t>(c));
      WriteTok(Make(ptg::TableCol, body));
    } else {
      uint8_t code = 0;
      int64_t r1 = 0, r2 = 0;
      switch (it.special) {
        case kAll: r1 = g.Row1; r2 = g.Row2; break;
        case kData: r1 = dataRow1; r2 = dataRow2; break;
        case kHeaders:
          if (g.HeaderRowCount > 0) { r1 = g.Row1; r2 = g.Row1 + g.HeaderRowCount - 1; } else { code = 4; }
          break;
        case kTotals:
          if (g.TotalsRowCount > 0) { r1 = g.Row2 - g.TotalsRowCount + 1; r2 = g.Row2; } else { code = 4; }
          break;
        default: break;  // this row: rows 0 and 0
      }
      body.push_back(static_cast<uint8_t>(it.special));
      body.push_back(code);
      body.push_back(ptg::Area);
      Put32(body, static_cast<uint32_t>(r1));
      Put32(body, static_cast<uint32_t>(r2));
      Put16(body, static_cast<uint32_t>(g.Col1));
      Put16(body, static_cast<uint32_t>(g.Col2));
      WriteTok(Make(ptg::TableSpecial, body));
    }
    if (it.before == xttColon) WriteTok(Make(ptg::Range));
    if (it.before == xttComma) ++args;
  }
  if (named) {
    if (type(k) != xttRSqBracket) {
      Error(4027, named->vPStr);
      return false;
    }
    if (sheet > 254) RaiseFormulaException("Sheet index " + std::to_string(sheet) + " does not fit a table reference");
    Body body;
    Put16(body, static_cast<uint32_t>(table));
    Put16(body, static_cast<uint32_t>(sheet));
    body.push_back(static_cast<uint8_t>(args));
    body.push_back(ptg::Area);
    Put32(body, static_cast<uint32_t>(dataRow1));
    Put32(body, static_cast<uint32_t>(dataRow2));
    Put16(body, static_cast<uint32_t>(g.Col1));
    Put16(body, static_cast<uint32_t>(g.Col2));
    WriteTok(Make(ptg::Table, body));
    i = k;
  } else {
    i = k - 1;
  }
  return true;
}

}  // namespace xls
