#include "xls/formula/xlsformuladecoder97.h"

#include <bit>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "xls/formula/xlsformulaerror.h"
#include "xls/formula/xlsfuncnames.h"
#include "xls/formula/xlslegacyfuncdata.gen.h"
#include "xls/formula/xlslegacyfunctable.h"
#include "xls/formula/xlsptgs.h"
#include "xls/model/formatsettings.h"
#include "xls/model/xlscellarea.h"

namespace xls {

namespace {

constexpr std::u16string_view kValMissing = u"<Val missing>";

// Base ids (class bits stripped) of the tokens handled here.
namespace lptg {
constexpr uint8_t ISect = 0x0F;
constexpr uint8_t Union = 0x10;
constexpr uint8_t Range = 0x11;
constexpr uint8_t UPlus = 0x12;
constexpr uint8_t UMinus = 0x13;
constexpr uint8_t Percent = 0x14;
constexpr uint8_t Paren = 0x15;
constexpr uint8_t MissArg = 0x16;
constexpr uint8_t Str = 0x17;
constexpr uint8_t Extended = 0x18;
constexpr uint8_t Attr = 0x19;
constexpr uint8_t Err = 0x1C;
constexpr uint8_t Bool = 0x1D;
constexpr uint8_t Int = 0x1E;
constexpr uint8_t Num = 0x1F;
constexpr uint8_t Array = 0x20;
constexpr uint8_t Func = 0x21;
constexpr uint8_t FuncVar = 0x22;
constexpr uint8_t Name = 0x23;
constexpr uint8_t Ref = 0x24;
constexpr uint8_t Area = 0x25;
constexpr uint8_t MemArea = 0x26;
constexpr uint8_t MemErr = 0x27;
constexpr uint8_t MemNoMem = 0x28;
constexpr uint8_t MemFunc = 0x29;
constexpr uint8_t RefErr = 0x2A;
constexpr uint8_t AreaErr = 0x2B;
constexpr uint8_t RefN = 0x2C;
constexpr uint8_t AreaN = 0x2D;
constexpr uint8_t MemAreaN = 0x2E;
constexpr uint8_t MemNoMemN = 0x2F;
constexpr uint8_t NameX = 0x39;
constexpr uint8_t Ref3d = 0x3A;
constexpr uint8_t Area3d = 0x3B;
constexpr uint8_t RefErr3d = 0x3C;
constexpr uint8_t AreaErr3d = 0x3D;
}  // namespace lptg

constexpr uint8_t kAttrChoose = 0x04;
constexpr uint8_t kAttrSum = 0x10;
constexpr uint16_t kColRel = 0x4000;
constexpr uint16_t kRowRel = 0x8000;

std::u16string Decimal(int64_t value) {
  const std::string s = std::to_string(value);
  return std::u16string(s.begin(), s.end());
}

// A string constant as formula text: in double quotes, a double quote inside doubled.
std::u16string QuotedString(std::u16string_view s) {
  std::u16string out(1, u'"');
  for (char16_t c : s) {
    if (c == u'"') out += u'"';
    out += c;
  }
  return out + u'"';
}

std::u16string HexText(std::u16string_view prefix, uint8_t value, std::u16string_view suffix) {
  const std::string hex = HexByte(value);
  std::u16string s(prefix);
  s.append(hex.begin(), hex.end());
  s.append(suffix);
  return s;
}

std::u16string_view ErrorCodeText(uint8_t code) {
  switch (code) {
    case 0x00:
      return u"#NULL!";
    case 0x07:
      return u"#DIV/0!";
    case 0x0F:
      return u"#VALUE!";
    case 0x17:
      return u"#REF!";
    case 0x1D:
      return u"#NAME?";
    case 0x24:
      return u"#NUM!";
    case 0x2A:
      return u"#N/A";
    default:
      return u"#???";
  }
}

double GetDouble(const uint8_t* p) {
  const uint64_t bits = uint64_t{PtgGetU32(p)} | (uint64_t{PtgGetU32(p + 4)} << 32);
  return std::bit_cast<double>(bits);
}

// Characters of a legacy string: UTF-16 code units, or bytes taken as code points 0-255.
std::u16string Chars(const uint8_t* p, size_t count, bool wide) {
  std::u16string s(count, u'\0');
  for (size_t i = 0; i < count; ++i)
    s[i] = wide ? static_cast<char16_t>(PtgGetU16(p + 2 * i)) : static_cast<char16_t>(p[i]);
  return s;
}

// Argument count that a PtgFunc (fixed count) implies for function `number`. The legacy table
// lists some fixed-count functions with a range (MID 1/3), so the count comes from the function
// table of the own tokens, whose numbers below 381 are the same, when it has the function with a
// fixed count; otherwise from the legacy table's least count.
int32_t FixedArgCount(int32_t number, const TExcelFunction* legacy) {
  if (number < kExcelFunctionCount) {
    const TXc12FuncData* own = TXLSExcelFuncNames::Instance().Data(number);
    if (own && own->Min == own->Max) return own->Min;
  }
  return legacy && legacy->Min > 0 ? legacy->Min : 0;
}

class TBIFFDecoder {
 public:
  TBIFFDecoder(std::span<const uint8_t> buf, int32_t sheetIndex, int32_t col, int32_t row,
               const TGetNameEvent& getName, char16_t listSep, const TXLSFormulaSeparators& separators,
               const TBIFFDecodeOptions& options)
      : FBuf(buf),
        FEnd(buf.size()),
        FArrayPos(buf.size()),
        FSheetIndex(sheetIndex),
        FCol(col),
        FRow(row),
        FGetName(getName),
        FListSep(listSep),
        FSeparators(separators),
        FDecode8(options.Decode8),
        FBIFF8(options.Version == TBIFFFormulaVersion::BIFF8) {}

  std::u16string Decode();

 private:
  // The token at FPos needs `size` bytes before the end of the token part.
  const uint8_t* Need(size_t size) const {
    if (size > FEnd - FPos) ThrowPtgsTruncated(FBuf[FPos]);
    return FBuf.data() + FPos;
  }
  // The array constants need `size` more bytes.
  const uint8_t* NeedArray(size_t size) const {
    if (FArrayPos > FBuf.size() || size > FBuf.size() - FArrayPos) ThrowPtgsTruncated(lptg::Array);
    return FBuf.data() + FArrayPos;
  }

  // Characters of a BIFF5 string, in the file's code page.
  std::u16string Chars8(const uint8_t* p, size_t count) const {
    return FDecode8 ? FDecode8(std::span<const uint8_t>(p, count)) : Chars(p, count, false);
  }
  void Push(std::u16string text) { FStack.push_back(std::move(text)); }
  void Binary(std::u16string_view op);
  // Top := left + top + right; an empty stack gets the missing-value marker instead.
  void Wrap(std::u16string_view left, std::u16string_view right);
  void Function(std::u16string name, size_t count);
  std::u16string Named(TFormulaNameType type, int32_t sheet, int32_t name, int32_t col, int32_t row,
                       std::u16string_view fallback) const {
    return FGetName ? FGetName(type, sheet, name, col, row) : std::u16string(fallback);
  }

  std::u16string CellText(const uint8_t* rowAt, const uint8_t* colAt, bool relative) const;
  std::u16string LocText(const uint8_t* p, bool relative) const;
  std::u16string AreaText(const uint8_t* p, bool relative) const;
  std::u16string ArrayText();
  std::u16string Prefix3d(const uint8_t* p) const;

  std::span<const uint8_t> FBuf;
  size_t FPos = 0;
  size_t FEnd;       // end of the token part
  size_t FArrayPos;  // next array constant
  int32_t FSheetIndex, FCol, FRow;
  const TGetNameEvent& FGetName;
  char16_t FListSep;
  const TXLSFormulaSeparators& FSeparators;
  const std::function<std::u16string(std::span<const uint8_t>)>& FDecode8;
  bool FBIFF8;
  std::vector<std::u16string> FStack;
};

void TBIFFDecoder::Binary(std::u16string_view op) {
  if (FStack.size() < 2) {
    Push(std::u16string(kValMissing));
    return;
  }
  std::u16string top = std::move(FStack.back());
  FStack.pop_back();
  FStack.back().append(op).append(top);
}

void TBIFFDecoder::Wrap(std::u16string_view left, std::u16string_view right) {
  if (FStack.empty()) {
    Push(std::u16string(kValMissing));
    return;
  }
  std::u16string& top = FStack.back();
  top.insert(0, left);
  top.append(right);
}

void TBIFFDecoder::Function(std::u16string name, size_t count) {
  if (FStack.size() < count) RaiseFormulaException("Function arguments missing");
  const size_t first = FStack.size() - count;
  name += u'(';
  for (size_t i = first; i < FStack.size(); ++i) {
    if (i > first) name += FListSep;
    name += FStack[i];
  }
  name += u')';
  FStack.resize(first);
  Push(std::move(name));
}

// One cell of a reference. BIFF8: row u16 at `rowAt`, column word at `colAt`; BIFF5: row word at
// `rowAt`, column byte at `colAt`. With `relative` the relative parts are offsets from the base cell.
std::u16string TBIFFDecoder::CellText(const uint8_t* rowAt, const uint8_t* colAt, bool relative) const {
  uint16_t flags;
  uint32_t col, row;
  if (FBIFF8) {
    row = PtgGetU16(rowAt);
    flags = PtgGetU16(colAt);
    col = relative ? flags & 0xFFu : flags & 0x3FFFu;
  } else {
    flags = PtgGetU16(rowAt);
    row = flags & 0x3FFFu;
    col = *colAt;
  }
  const bool colRel = flags & kColRel, rowRel = flags & kRowRel;
  if (relative && colRel)
    col = (static_cast<uint32_t>(static_cast<int8_t>(col)) + static_cast<uint32_t>(FCol)) & 0xFFu;
  if (relative && rowRel) row = (row + static_cast<uint32_t>(FRow)) & (FBIFF8 ? 0xFFFFu : 0x3FFFu);
  return ColRowToRefStrAbs(static_cast<int32_t>(col), static_cast<int32_t>(row), !colRel, !rowRel);
}

std::u16string TBIFFDecoder::LocText(const uint8_t* p, bool relative) const {
  return CellText(p, p + 2, relative);
}

// An area body: BIFF8 first row, last row, first column word, last column word; BIFF5 first row
// word, last row word, first column byte, last column byte.
std::u16string TBIFFDecoder::AreaText(const uint8_t* p, bool relative) const {
  return CellText(p, p + 4, relative) + u':' + CellText(p + 2, p + (FBIFF8 ? 6 : 5), relative);
}

std::u16string TBIFFDecoder::Prefix3d(const uint8_t* p) const {
  constexpr std::u16string_view fallback = u"[ExternSheet]";
  if (FBIFF8) return Named(TFormulaNameType::ntExternSheet, PtgGetU16(p), -1, 0, 0, fallback);
  const int16_t ixals = static_cast<int16_t>(PtgGetU16(p));
  if (ixals < 0) {
    const int16_t first = static_cast<int16_t>(PtgGetU16(p + 10));
    const int16_t last = static_cast<int16_t>(PtgGetU16(p + 12));
    return Named(TFormulaNameType::ntCurrBook, first, last, 0, 0, fallback);
  }
  return Named(TFormulaNameType::ntExternSheet, ixals - 1, -1, 0, 0, fallback);
}

// The next array constant: a column count - 1 byte and a row count - 1 u16, then the values row
// by row. Rows are joined by ";", the values of a row by the array column separator.
std::u16string TBIFFDecoder::ArrayText() {
  const uint8_t* h = NeedArray(3);
  const uint32_t cols = h[0] + 1u;
  const uint32_t rows = PtgGetU16(h + 1) + 1u;
  FArrayPos += 3;
  std::u16string text = u"{";
  for (uint32_t r = 0; r < rows; ++r) {
    if (r) text += u';';
    for (uint32_t c = 0; c < cols; ++c) {
      if (c) text += FSeparators.ArrayCol;
      const uint8_t type = NeedArray(1)[0];
      switch (type) {
        case 0x00:
          NeedArray(9);
          FArrayPos += 9;
          break;
        case 0x01:
          text += FormatGeneral(GetDouble(NeedArray(9) + 1), FSeparators.Decimal);
          FArrayPos += 9;
          break;
        case 0x02: {
          size_t size;
          std::u16string s;
          if (FBIFF8) {
            const uint8_t* v = NeedArray(4);
            const size_t count = PtgGetU16(v + 1);
            const bool wide = v[3] != 0;
            size = 4 + (wide ? 2 * count : count);
            s = Chars(NeedArray(size) + 4, count, wide);
          } else {
            const size_t count = NeedArray(2)[1];
            size = 2 + count;
            s = Chars8(NeedArray(size) + 2, count);
          }
          text += QuotedString(s);
          FArrayPos += size;
          break;
        }
        case 0x04:
          text += NeedArray(9)[1] == 1 ? u"TRUE" : u"FALSE";
          FArrayPos += 9;
          break;
        case 0x10:
          text += ErrorCodeText(NeedArray(9)[1]);
          FArrayPos += 9;
          break;
        default:
          return u"Bad element ID#" + Decimal(type) + u" in array";
      }
    }
  }
  return text + u'}';
}

std::u16string TBIFFDecoder::Decode() {
  static constexpr std::u16string_view kOps[] = {u"+", u"-",  u"*", u"/",  u"^", u"&",
                                                 u"<", u"<=", u"=", u">=", u">", u"<>"};
  const size_t refSize = FBIFF8 ? 5 : 4;
  const size_t areaSize = FBIFF8 ? 9 : 7;
  const size_t ref3dSize = FBIFF8 ? 7 : 18;
  const size_t area3dSize = FBIFF8 ? 11 : 21;
  const size_t loc3d = FBIFF8 ? 3 : 15;  // offset of the location in a 3-D token
  bool stop = false;
  while (!stop && FPos < FEnd) {
    const uint8_t stored = FBuf[FPos];
    const uint8_t id = PtgBaseId(stored);
    size_t size = 1;
    switch (id) {
      case 0x00:
        stop = true;
        break;
      case 0x03:
      case 0x04:
      case 0x05:
      case 0x06:
      case 0x07:
      case 0x08:
      case 0x09:
      case 0x0A:
      case 0x0B:
      case 0x0C:
      case 0x0D:
      case 0x0E:
        Binary(kOps[id - 0x03]);
        break;
      case lptg::ISect:
        Binary(u" ");
        break;
      case lptg::Union:
        Binary(std::u16string_view(&FSeparators.List, 1));
        break;
      case lptg::Range:
        Binary(u":");
        break;
      case lptg::UPlus:
        Wrap(u"+", u"");
        break;
      case lptg::UMinus:
        Wrap(u"-", u"");
        break;
      case lptg::Percent:
        Wrap(u"", u"%");
        break;
      case lptg::Paren:
        Wrap(u"(", u")");
        break;
      case lptg::MissArg:
        Push(u"");
        break;
      case lptg::Str: {
        std::u16string s;
        if (FBIFF8) {
          const uint8_t* p = Need(3);
          const bool wide = p[2] != 0;
          size = 3 + (wide ? 2u * p[1] : p[1]);
          s = Chars(Need(size) + 3, p[1], wide);
        } else {
          size = 2 + size_t{Need(2)[1]};
          s = Chars8(Need(size) + 2, FBuf[FPos + 1]);
        }
        Push(QuotedString(s));
        break;
      }
      case lptg::Extended: {
        const uint8_t sub = Need(2)[1];
        switch (sub) {
          case 1:
          case 2:
          case 3:
          case 12:
          case 13:
          case 14:
          case 15:
          case 16:
          case 29:
            size = 6;
            Need(size);
            break;
          case 10:
          case 11:
            size = 15;
            Need(size);
            break;
          case 6:
          case 7: {
            size = 6;
            const uint8_t* p = Need(size);
            const int32_t col = p[4], row = PtgGetU16(p + 2);
            Push(Named(TFormulaNameType::ntCellValue, FSheetIndex, -1, col, row, ColRowToRefStr(col, row)));
            break;
          }
          default:
            size = 2;
            Push(HexText(u"Unknown eptg[", sub, u"]"));
            break;
        }
        break;
      }
      case lptg::Attr: {
        const uint8_t* p = Need(4);
        size = 4;
        if (p[1] & kAttrChoose)
          size = 4 + 2 * (size_t{PtgGetU16(p + 2)} + 1);
        else if (p[1] & kAttrSum)
          Wrap(u"SUM(", u")");
        Need(size);
        break;
      }
      case lptg::Err:
        size = 2;
        Push(std::u16string(ErrorCodeText(Need(size)[1])));
        break;
      case lptg::Bool:
        size = 2;
        Push(Need(size)[1] ? u"TRUE" : u"FALSE");
        break;
      case lptg::Int:
        size = 3;
        Push(Decimal(PtgGetU16(Need(size) + 1)));
        break;
      case lptg::Num:
        size = 9;
        Push(FormatGeneral(GetDouble(Need(size) + 1), FSeparators.Decimal));
        break;
      case lptg::Array:
        size = 8;
        Need(size);
        Push(ArrayText());
        break;
      case lptg::Func: {
        size = 3;
        const int32_t number = PtgGetU16(Need(size) + 1);
        const TExcelFunction* f = ExcelFunction(number);
        Function(f ? std::u16string(f->Name) : Decimal(number),
                 static_cast<size_t>(FixedArgCount(number, f)));
        break;
      }
      case lptg::FuncVar: {
        size = 4;
        const uint8_t* p = Need(size);
        size_t count = p[1] & 0x7Fu;
        const int32_t number = PtgGetU16(p + 2) & 0x7FFF;
        const TExcelFunction* f = ExcelFunction(number);
        std::u16string name = f ? std::u16string(f->Name) : Decimal(number);
        if (f && name[0] >= u'0' && name[0] <= u'9' && count > 0) {
          // A user or add-in function: its name is the first argument.
          if (FStack.size() < count) RaiseFormulaException("Function arguments missing");
          const size_t at = FStack.size() - count;
          name = std::move(FStack[at]);
          FStack.erase(FStack.begin() + static_cast<std::ptrdiff_t>(at));
          --count;
        }
        Function(std::move(name), count);
        break;
      }
      case lptg::Name:
        size = FBIFF8 ? 5 : 15;
        Push(Named(TFormulaNameType::ntName, -1, PtgGetU16(Need(size) + 1), 0, 0, u"[EXTERNNAME]"));
        break;
      case lptg::Ref:
        size = refSize;
        Push(LocText(Need(size) + 1, false));
        break;
      case lptg::Area:
        size = areaSize;
        Push(AreaText(Need(size) + 1, false));
        break;
      // Memory tokens: the sub-expression that follows the header holds the operand; it is
      // printed, so only the header is stepped over.
      case lptg::MemArea:
      case lptg::MemErr:
      case lptg::MemNoMem:
        size = 7;
        Need(size);
        break;
      case lptg::MemFunc:
      case lptg::MemAreaN:
      case lptg::MemNoMemN:
        size = 3;
        Need(size);
        break;
      case lptg::RefErr:
      case lptg::AreaErr:
        size = id == lptg::RefErr ? refSize : areaSize;
        Need(size);
        Push(u"#REF!");
        break;
      case lptg::RefN:
        size = refSize;
        Push(LocText(Need(size) + 1, true));
        break;
      case lptg::AreaN:
        size = areaSize;
        Push(AreaText(Need(size) + 1, true));
        break;
      case lptg::NameX: {
        size = FBIFF8 ? 7 : 25;
        const uint8_t* p = Need(size);
        int32_t sheet, name;
        if (FBIFF8) {
          sheet = PtgGetU16(p + 1);
          name = PtgGetU16(p + 3);
        } else {
          const int16_t ixals = static_cast<int16_t>(PtgGetU16(p + 1));
          sheet = (ixals < 0 ? -ixals : ixals) - 1;
          name = PtgGetU16(p + 11);
        }
        Push(Named(TFormulaNameType::ntExternSheet, sheet, name, 0, 0, u"[EXTERNNAME X]"));
        break;
      }
      case lptg::Ref3d:
      case lptg::RefErr3d:
      case lptg::Area3d:
      case lptg::AreaErr3d: {
        const bool area = id == lptg::Area3d || id == lptg::AreaErr3d;
        size = area ? area3dSize : ref3dSize;
        const uint8_t* p = Need(size);
        std::u16string text = Prefix3d(p + 1);
        if (id == lptg::RefErr3d || id == lptg::AreaErr3d)
          text += u"#REF!";
        else
          text += area ? AreaText(p + loc3d, false) : LocText(p + loc3d, false);
        Push(std::move(text));
        break;
      }
      case ptg::LegacyArrays: {
        size = 3;
        const size_t n = PtgGetU16(Need(size) + 1);
        if (n > FEnd - FPos - size) ThrowPtgsTruncated(stored);
        FEnd -= n;
        FArrayPos = FBuf.size() - n;
        break;
      }
      case ptg::Legacy:
        break;
      default:
        Push(HexText(u"Unknown ptg[", stored, u"]"));
        stop = true;
        break;
    }
    if (!stop) FPos += size;
  }
  return FStack.empty() ? std::u16string(u"[ERROR]") : std::move(FStack.back());
}

// Size of the shared-formula token at `p` (bytes left: `left`), checked against them.
size_t SharedPtgSize(const uint8_t* p, size_t left, bool isBIFF8) {
  const uint8_t id = PtgBaseId(p[0]);
  auto need = [&](size_t size) {
    if (size > left) ThrowPtgsTruncated(p[0]);
    return size;
  };
  switch (id) {
    case lptg::Str:
      need(isBIFF8 ? 3 : 2);
      if (!isBIFF8) return need(2 + size_t{p[1]});
      return need(3 + (p[2] ? 2 * size_t{p[1]} : size_t{p[1]}));
    case lptg::Attr:
      need(4);
      return need(p[1] == kAttrChoose ? 4 + 2 * (size_t{PtgGetU16(p + 2)} + 1) : 4);
    // Memory tokens: only the header is stepped over, so that the references of the
    // sub-expression that follows are fixed too.
    case lptg::MemArea:
    case lptg::MemErr:
    case lptg::MemNoMem:
      return need(7);
    case lptg::MemFunc:
    case lptg::MemAreaN:
    case lptg::MemNoMemN:
      return need(3);
    default:
      break;
  }
  const uint8_t size = id < 0x40 ? (isBIFF8 ? detail::kSharedPtgSizes8 : detail::kSharedPtgSizes5)[id] : 0;
  if (size == 0) RaiseFormulaException("Unknown ptg[" + HexByte(p[0]) + "] in Shared Formula");
  return need(size);
}

// One corner of a relative reference made absolute in place. BIFF8: row u16 at `row`, column
// word at `col`; BIFF5: row word at `row`, column byte at `col`.
void FixCorner(bool isBIFF8, uint8_t* row, uint8_t* col, int32_t baseCol, int32_t baseRow) {
  if (isBIFF8) {
    const uint16_t word = PtgGetU16(col);
    uint32_t c = word & 0xFFu;
    uint32_t r = PtgGetU16(row);
    if (word & kColRel)
      c = (static_cast<uint32_t>(static_cast<int8_t>(c)) + static_cast<uint32_t>(baseCol)) & 0xFFu;
    if (word & kRowRel) r = (r + static_cast<uint32_t>(baseRow)) & 0xFFFFu;
    PtgPutU16(row, static_cast<uint16_t>(r));
    PtgPutU16(col, static_cast<uint16_t>((word & (kColRel | kRowRel)) | c));
  } else {
    const uint16_t word = PtgGetU16(row);
    uint32_t r = word & 0x3FFFu;
    uint32_t c = *col;
    if (word & kRowRel) r = (r + static_cast<uint32_t>(baseRow)) & 0x3FFFu;
    if (word & kColRel) c = (c + static_cast<uint32_t>(baseCol)) & 0xFFu;
    PtgPutU16(row, static_cast<uint16_t>((word & (kColRel | kRowRel)) | r));
    *col = static_cast<uint8_t>(c);
  }
}

}  // namespace

std::u16string DecodeBIFFFormula(std::span<const uint8_t> buf, int32_t sheetIndex, int32_t col, int32_t row,
                                 const TGetNameEvent& getName, char16_t listSep,
                                 const TXLSFormulaSeparators& separators, const TBIFFDecodeOptions& options) {
  TBIFFDecoder decoder(buf, sheetIndex, col, row, getName, listSep, separators, options);
  return decoder.Decode();
}

void FixupSharedFormula(bool isBIFF8, std::span<uint8_t> ptgs, int32_t col, int32_t row) {
  size_t pos = 0;
  while (pos < ptgs.size()) {
    uint8_t* p = ptgs.data() + pos;
    const size_t size = SharedPtgSize(p, ptgs.size() - pos, isBIFF8);
    const uint8_t id = PtgBaseId(p[0]);
    if (id == lptg::RefN) {
      p[0] = static_cast<uint8_t>(p[0] - (lptg::RefN - lptg::Ref));
      FixCorner(isBIFF8, p + 1, p + 3, col, row);
    } else if (id == lptg::AreaN) {
      p[0] = static_cast<uint8_t>(p[0] - (lptg::AreaN - lptg::Area));
      FixCorner(isBIFF8, p + 1, p + 5, col, row);
      FixCorner(isBIFF8, p + 3, p + (isBIFF8 ? 7 : 6), col, row);
    }
    pos += size;
  }
}

TXLSLegacyFormulaDecode MakeLegacyFormulaDecode(TXLSFormulaSeparators separators, TGetNameEvent getName) {
  return [separators, getName = std::move(getName)](std::span<const uint8_t> ptgs, int32_t sheetIndex) {
    return DecodeBIFFFormula(ptgs, sheetIndex, 0, 0, getName, separators.List, separators);
  };
}

}  // namespace xls
