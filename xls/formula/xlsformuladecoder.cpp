#include "xls/formula/xlsformuladecoder.h"

#include "xls/model/formatsettings.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <string>

#include "xls/formula/xlsformulaerror.h"
#include "xls/formula/xlsfuncnames.h"
#include "xls/formula/xlsptgs.h"
#include "xls/model/xlscellarea.h"

namespace xls {

namespace {

std::u16string Ascii(std::string_view s) { return std::u16string(s.begin(), s.end()); }

std::u16string Decimal(int64_t v) { return Ascii(std::to_string(v)); }

std::u16string_view ErrorText(uint8_t code) {
  if (code >= std::size(Xc12CellErrorNames))
    RaiseFormulaException("Unknown error code " + std::to_string(code));
  return Xc12CellErrorNames[code];
}

// Raised for an index outside the model's list it points into.
void CheckIndex(int64_t index, int64_t count) {
  if (index < 0 || index >= count)
    RaiseFormulaException("List index out of bounds (" + std::to_string(index) + ")");
}

// A sheet name needs apostrophes unless it is letters A-Z, a-z and digits only.
bool NeedsQuotes(std::u16string_view name) {
  if (name.empty()) return true;
  for (char16_t c : name)
    if (!((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')))
      return true;
  return false;
}

// Apostrophes inside a quoted name are doubled, so that the text reads back as the same name.
void AppendQuotedBody(std::u16string& out, std::u16string_view name) {
  for (char16_t c : name) {
    out.push_back(c);
    if (c == u'\'') out.push_back(u'\'');
  }
}

void AppendAreaText(std::u16string& out, const uint8_t* body) {
  out += AreaToRefStrPacked(PtgGetU16(body + 8), static_cast<int32_t>(PtgGetU32(body)),
                            PtgGetU16(body + 10), static_cast<int32_t>(PtgGetU32(body + 4)));
}

}  // namespace

void AppendCellText(std::u16string& out, uint32_t rowField, uint16_t colField) {
  out += ColRowToRefStrAbs(colField & kPtgColMask, static_cast<int32_t>(rowField & kPtgRowMask),
                           (colField & kPtgColAbs) != 0, (rowField & kPtgRowAbs) != 0);
}

// ---------------------------------------------------------------------------------------------
// String stack

void TStringStack::Need(int64_t count) const {
  if (count > Count()) RaiseFormulaException("Empty decode stack");
}

void TStringStack::Push(std::u16string value) {
  if (FStackPtr + 1 >= kSize) RaiseFormulaException("Out of decode stack");
  FStack[static_cast<size_t>(++FStackPtr)] = std::move(value);
}

void TStringStack::Op(std::u16string_view op) {
  Need(2);
  std::u16string& first = FStack[static_cast<size_t>(FStackPtr - 1)];
  first += op;
  first += FStack[static_cast<size_t>(FStackPtr)];
  --FStackPtr;
}

void TStringStack::UnaryLeft(std::u16string_view op) {
  Need(1);
  FStack[static_cast<size_t>(FStackPtr)].insert(0, op);
}

void TStringStack::UnaryRight(std::u16string_view op) {
  Need(1);
  FStack[static_cast<size_t>(FStackPtr)] += op;
}

void TStringStack::Surround(std::u16string_view left, std::u16string_view right) {
  Need(1);
  std::u16string& top = FStack[static_cast<size_t>(FStackPtr)];
  top.insert(0, left);
  top += right;
}

void TStringStack::Call(std::u16string_view name, int argCount, char16_t open, char16_t close) {
  std::u16string text(name);
  text.push_back(open);
  if (argCount < 1) {
    text.push_back(close);
    Push(std::move(text));
    return;
  }
  Need(argCount);
  const int first = FStackPtr - argCount + 1;
  for (int i = first; i <= FStackPtr; ++i) {
    if (i > first) text.push_back(FSeparators.List);
    text += FStack[static_cast<size_t>(i)];
  }
  text.push_back(close);
  FStackPtr = first;
  FStack[static_cast<size_t>(first)] = std::move(text);
}

void TStringStack::Func(std::u16string_view name, int argCount) { Call(name, argCount, u'(', u')'); }

void TStringStack::Table(std::u16string_view name, int argCount) {
  // Items come bracketed ("[Amount]", "[#Headers]"); a single one keeps its own brackets
  // (Sales[Amount]), several are listed in an outer pair (Sales[[#Headers],[Amount]]).
  if (argCount == 1) {
    Need(1);
    std::u16string& top = FStack[static_cast<size_t>(FStackPtr)];
    bool single = top.size() >= 2 && top.front() == u'[' && top.back() == u']';
    for (size_t i = 1; single && i + 1 < top.size(); ++i) {
      if (top[i] == u'\'')
        ++i;
      else if (top[i] == u']')
        single = false;
    }
    if (single) {
      top.insert(0, name);
      return;
    }
  }
  Call(name, argCount, u'[', u']');
}

void TStringStack::Array_(int64_t cols, int64_t rows) {
  const int64_t count = cols * rows;
  if (count <= 0) {
    Push(u"{}");
    return;
  }
  Need(count);
  const int first = FStackPtr - static_cast<int>(count) + 1;
  std::u16string text(u"{");
  for (int64_t i = 0; i < count; ++i) {
    // Rows are always separated by ";", which is how array text reads back under every list
    // separator ("{1,2;3,4}", "{1\\2;3\\4}").
    if (i > 0) text.push_back(i % cols == 0 ? u';' : FSeparators.ArrayCol);
    text += FStack[static_cast<size_t>(first + i)];
  }
  text.push_back(u'}');
  FStackPtr = first;
  FStack[static_cast<size_t>(first)] = std::move(text);
}

const std::u16string& TStringStack::Peek() const {
  Need(1);
  return FStack[static_cast<size_t>(FStackPtr)];
}

// ---------------------------------------------------------------------------------------------
// Decoder

TXLSFormulaDecoder::TXLSFormulaDecoder(const TXLSFormulaWorkbook& book,
                                       TXLSFormulaSeparators separators)
    : FBook(book), FSeparators(separators), FStack(FSeparators) {}

std::u16string TXLSFormulaDecoder::Decode(const TXLSFormulaCells* cells, int32_t sheetIndex,
                                          std::span<const uint8_t> ptgs, size_t stop,
                                          bool saveToFile) {
  FSheetIndex = sheetIndex;
  FCurrTables = nullptr;
  if (sheetIndex >= 0) {
    CheckIndex(sheetIndex, FBook.SheetCount());
    FCurrTables = FBook.SheetTables(sheetIndex);
  }
  return DecodeWith(FStack, cells, ptgs, stop, saveToFile, false);
}

const TXLSFormulaTables& TXLSFormulaDecoder::ItemTables(std::span<const uint8_t> after) const {
  // The items of a structured reference stand before their table token, which names the sheet
  // of the table: a formula on one sheet may use a table of another.
  for (TXLSIteratePtgs it(after); it.Next();) {
    const std::span<const uint8_t> t = it.CurrPtgs();
    if (t[0] != ptg::Table) continue;
    const uint16_t sheet = PtgGetU16(t.data() + 3);
    if (sheet >= 255) break;
    CheckIndex(sheet, FBook.SheetCount());
    if (const TXLSFormulaTables* tables = FBook.SheetTables(sheet)) return *tables;
    break;
  }
  return CurrentTables();
}

const TXLSFormulaTables& TXLSFormulaDecoder::CurrentTables() const {
  if (!FCurrTables) RaiseFormulaException("List index out of bounds (0)");
  return *FCurrTables;
}

std::u16string TXLSFormulaDecoder::SheetPrefix(int32_t first, int32_t last) const {
  CheckIndex(first, FBook.SheetCount());
  if (last >= 0) CheckIndex(last, FBook.SheetCount());
  return PrefixText({}, FBook.SheetName(first), last >= 0 ? FBook.SheetName(last) : u"", false);
}

std::u16string TXLSFormulaDecoder::BookPrefix(uint16_t book, int32_t firstSheet,
                                              int32_t lastSheet, bool saveToFile) const {
  CheckIndex(book, FBook.ExternalLinkCount());
  CheckIndex(firstSheet, FBook.ExternalSheetCount(book));
  if (lastSheet >= 0) CheckIndex(lastSheet, FBook.ExternalSheetCount(book));
  const std::u16string name =
      saveToFile ? Decimal(int64_t{book} + 1) : std::u16string(FBook.ExternalLinkFileName(book));
  return PrefixText(name, FBook.ExternalSheetName(book, firstSheet),
                    lastSheet >= 0 ? FBook.ExternalSheetName(book, lastSheet) : u"", true);
}

std::u16string TXLSFormulaDecoder::PrefixText(std::u16string_view book, std::u16string_view first,
                                              std::u16string_view last, bool external) const {
  return external ? SheetPrefixText(u"[", book, u"]", first, last) : SheetPrefixText({}, {}, {}, first, last);
}

std::u16string SheetPrefixText(std::u16string_view open, std::u16string_view book, std::u16string_view close,
                               std::u16string_view first, std::u16string_view last) {
  // A prefix that would not read back as written is quoted as a whole ('My Sheet:Data'!A1,
  // '[Book 1.xlsx]Jan'!A1), with its apostrophes doubled.
  bool quote = NeedsQuotes(first) || (!last.empty() && NeedsQuotes(last));
  for (char16_t c : book)
    if (std::u16string_view(u" \r\n&*+,-/:<=>^'?[]").find(c) != std::u16string_view::npos) quote = true;
  std::u16string out;
  if (quote) out.push_back(u'\'');
  out.append(open);
  AppendQuotedBody(out, book);
  out.append(close);
  AppendQuotedBody(out, first);
  if (!last.empty()) {
    out.push_back(u':');
    AppendQuotedBody(out, last);
  }
  if (quote) out.push_back(u'\'');
  out.push_back(u'!');
  return out;
}

std::u16string TXLSFormulaDecoder::DecodeWith(TStringStack& stack, const TXLSFormulaCells* cells,
                                              std::span<const uint8_t> ptgs, size_t stop,
                                              bool saveToFile, bool nested) {
  static constexpr std::u16string_view kOps[] = {u"+", u"-", u"*", u"/",  u"^", u"&",
                                                 u"<", u"<=", u"=", u">=", u">", u"<>"};
  static constexpr std::u16string_view kSpecials[] = {u"_ERROR_", u"#All",    u"#Data",
                                                      u"#Headers", u"#Totals", u"#This Row"};
  const TXLSExcelFuncNames& funcs = TXLSExcelFuncNames::Instance();
  stack.Clear();
  std::u16string prefix;
  size_t offset = 0;
  while (offset < ptgs.size()) {
    std::span<const uint8_t> rest = ptgs.subspan(offset);
    const uint8_t id = rest[0];
    if (id == 0) RaiseFormulaException("Illegal ptgs 00");
    const bool own = (id >= ptg::Add && id <= ptg::Paren) || id == ptg::Err || id == ptg::Bool ||
                     id == ptg::Num || (id >= ptg::Array && id <= ptg::Str && id != 0x85) ||
                     id == ptg::Space || (id >= ptg::Ref3d && id <= ptg::AreaExtRange) ||
                     (id >= ptg::Err3d && id <= ptg::AreaErr3dAlt) || id == ptg::ArrayCell ||
                     (id >= ptg::DataTable && id <= ptg::TableSpecial) || id == ptg::MissArg ||
                     id == ptg::UserFunc || id == ptg::RPar;
    if (!own) RaiseFormulaException("Unknown Ptg \"" + HexByte(id) + "\"");
    const size_t size = id == ptg::RPar ? 1 : PtgSize(rest);
    const uint8_t* p = rest.data();
    std::u16string text;
    switch (id) {
      case ptg::Space:
        prefix.assign(p[1], u' ');
        offset += size;
        continue;
      case ptg::RPar:  // the encoder's closing token: nothing to write
        break;
      case ptg::ISect:
        stack.Op(std::u16string(p[1], u' '));
        break;
      case ptg::Union:
        stack.Op(prefix + FSeparators.List);
        break;
      case ptg::Range:
        stack.Op(prefix + u':');
        break;
      case ptg::UPlus:
      case ptg::UMinus:
        stack.UnaryLeft(prefix + (id == ptg::UPlus ? u'+' : u'-'));
        break;
      case ptg::Percent:
        stack.UnaryRight(prefix + u'%');
        break;
      case ptg::Paren:
        stack.Surround(prefix + u'(', u")");
        break;
      case ptg::Err:
        stack.Push(prefix + std::u16string(ErrorText(p[1])));
        break;
      case ptg::Bool:
        stack.Push(prefix + (p[1] ? u"TRUE" : u"FALSE"));
        break;
      case ptg::Num: {
        uint64_t bits = uint64_t{PtgGetU32(p + 1)} | (uint64_t{PtgGetU32(p + 5)} << 32);
        stack.Push(prefix + FormatGeneral(std::bit_cast<double>(bits), FSeparators.Decimal));
        break;
      }
      case ptg::Array:
        stack.Array_(PtgGetU16(p + 1), PtgGetU32(p + 3));
        break;
      case ptg::Func:
      case ptg::FuncVar: {
        const uint16_t fid = PtgGetU16(p + (id == ptg::Func ? 1 : 2));
        const TXc12FuncData* row = funcs.Data(fid);
        if (!row) ThrowUnknownFunctionId(fid);
        stack.Func(prefix + std::u16string(row->Name), id == ptg::Func ? row->Min : p[1]);
        break;
      }
      case ptg::Name: {
        const uint16_t index = PtgGetU16(p + 1);
        if (index == 0xFFFF) {
          stack.Push(prefix + u"#NAME?");
        } else {
          CheckIndex(index, FBook.DefinedNameCount());
          stack.Push(prefix + std::u16string(FBook.DefinedNameName(index)));
        }
        break;
      }
      case ptg::Ref:
        text = prefix;
        AppendCellText(text, PtgGetU32(p + 1), PtgGetU16(p + 5));
        stack.Push(std::move(text));
        break;
      case ptg::Area:
        text = prefix;
        AppendAreaText(text, p + 1);
        stack.Push(std::move(text));
        break;
      case ptg::RefErr:
      case ptg::AreaErr:
        stack.Push(prefix + u"#REF!");
        break;
      case ptg::Int:
        stack.Push(prefix + Decimal(static_cast<int32_t>(PtgGetU32(p + 1))));
        break;
      case ptg::Str: {
        // Double quotes inside are doubled, so that the text reads back as the same string.
        text = prefix + u'"';
        const size_t n = PtgGetU16(p + 1);
        for (size_t i = 0; i < n; ++i) {
          const char16_t c = static_cast<char16_t>(PtgGetU16(p + 3 + 2 * i));
          text.push_back(c);
          if (c == u'"') text.push_back(u'"');
        }
        text.push_back(u'"');
        stack.Push(std::move(text));
        break;
      }
      case ptg::Ref3d:
      case ptg::Ref3dRange:
      case ptg::RefExt:
      case ptg::RefExtRange:
      case ptg::Area3d:
      case ptg::Area3dRange:
      case ptg::AreaExt:
      case ptg::AreaExtRange: {
        // Cell (0xA2-0xA5) or area (0xA6-0xA9) body, then by (id - 0xA2) % 4: a sheet, a range
        // of sheets, an external book and sheet, an external book and a range of its sheets.
        const bool area = id >= ptg::Area3d;
        const int kind = (id - ptg::Ref3d) % 4;
        const uint8_t* q = p + (area ? 13 : 7);
        text = prefix;
        if (kind < 2)
          text += SheetPrefix(q[0], kind == 1 ? q[1] : -1);
        else
          text += BookPrefix(PtgGetU16(q), q[2], kind == 3 ? q[3] : -1, saveToFile);
        if (area)
          AppendAreaText(text, p + 1);
        else
          AppendCellText(text, PtgGetU32(p + 1), PtgGetU16(p + 5));
        stack.Push(std::move(text));
        break;
      }
      case ptg::Err3d:
      case ptg::Err3dAlt:
        stack.Push(prefix + std::u16string(ErrorText(p[7])));
        break;
      case ptg::AreaErr3d:
        stack.Push(prefix + SheetPrefix(p[13], -1) + u"#REF!");
        break;
      case ptg::AreaErr3dAlt:
        stack.Push(prefix + std::u16string(ErrorText(p[13])));
        break;
      case ptg::ArrayCell:
      case ptg::DataTableCell: {
        if (!cells) RaiseFormulaException("Decode formula with ACells = Nil");
        if (nested) RaiseFormulaException("Nested formula cell reference");
        const TXLSCellFormula f =
            cells->GetFormula(PtgGetU16(p + 1), static_cast<int32_t>(PtgGetU32(p + 3) & kPtgRowMask));
        if (f.kind == TXLSCellFormula::Tokens) {
          TStringStack inner(FSeparators);
          stack.Push(DecodeWith(inner, cells, f.ptgs, stop, saveToFile, true));
        } else if (f.kind == TXLSCellFormula::Text) {
          stack.Push(std::u16string(f.text));
        } else {
          RaiseFormulaException("Formula is not compiled");
        }
        break;
      }
      case ptg::DataTable: {
        const uint8_t flags = p[1];
        auto input = [&](int which) {
          if (flags & (which == 0 ? 0x01 : 0x02)) return std::u16string(u"#REF!");
          std::u16string cell;
          const uint8_t* q = p + 2 + 6 * which;
          AppendCellText(cell, PtgGetU32(q + 2) & kPtgRowMask, PtgGetU16(q) & kPtgColMask);
          return cell;
        };
        std::u16string first, second;
        if (flags & 0x04) {
          first = input(0);
          second = input(1);
        } else if (flags & 0x08) {
          first = input(0);
        } else {
          second = input(0);
        }
        stack.Push(prefix + u"TABLE(" + first + FSeparators.List + second + u")");
        break;
      }
      case ptg::Table: {
        const uint16_t sheet = PtgGetU16(p + 3);
        if (sheet < 255) {
          CheckIndex(sheet, FBook.SheetCount());
          FCurrTables = FBook.SheetTables(sheet);
        }
        const TXLSFormulaTables& tables = CurrentTables();
        const uint16_t table = PtgGetU16(p + 1);
        CheckIndex(table, tables.TableCount());
        stack.Table(prefix + std::u16string(tables.TableName(table)), p[5]);
        break;
      }
      case ptg::TableCol: {
        const TXLSFormulaTables& tables = ItemTables(ptgs.subspan(offset + size));
        const uint16_t table = PtgGetU16(p + 1), column = PtgGetU16(p + 3);
        CheckIndex(table, tables.TableCount());
        CheckIndex(column, tables.ColumnCount(table));
        // In brackets, with "'", "#", "[" and "]" escaped by an apostrophe, as it is read.
        text = prefix + u'[';
        for (char16_t c : tables.ColumnName(table, column)) {
          if (c == u'\'' || c == u'#' || c == u'[' || c == u']') text.push_back(u'\'');
          text.push_back(c);
        }
        text.push_back(u']');
        stack.Push(std::move(text));
        break;
      }
      case ptg::TableSpecial:
        CheckIndex(p[1], std::size(kSpecials));
        stack.Push(u'[' + std::u16string(kSpecials[p[1]]) + u']');
        break;
      case ptg::MissArg:
        stack.Push(prefix);
        break;
      case ptg::UserFunc: {
        std::u16string name = prefix;
        const size_t n = PtgGetU16(p + 2);
        for (size_t i = 0; i < n; ++i) name.push_back(static_cast<char16_t>(PtgGetU16(p + 4 + 2 * i)));
        stack.Func(name, p[1]);
        break;
      }
      default:  // the binary operators 0x03-0x0E
        stack.Op(prefix + std::u16string(kOps[id - ptg::Add]));
        break;
    }
    prefix.clear();
    offset += size;
    if (stop != kNoStop && offset >= stop) break;
  }
  return stack.Count() > 0 ? stack.Peek() : std::u16string(u"???");
}

std::u16string DecodeFormulaOfAnyForm(TXLSFormulaDecoder& decoder, const TXLSFormulaCells* cells,
                                      int32_t sheetIndex, std::span<const uint8_t> ptgs,
                                      bool saveToFile, const TXLSLegacyFormulaDecode& legacy) {
  if (ptgs.empty()) RaiseFormulaException("Empty formula");
  if (ptgs[0] == ptg::OtherCell) {
    if (ptgs.size() < 7) ThrowPtgsTruncated(ptg::OtherCell);
    if (!cells) RaiseFormulaException("Decode formula with ACells = Nil");
    const TXLSCellFormula f = cells->GetFormula(
        PtgGetU16(ptgs.data() + 1), static_cast<int32_t>(PtgGetU32(ptgs.data() + 3) & kPtgRowMask));
    if (f.kind != TXLSCellFormula::Tokens) RaiseFormulaException("Formula is not compiled");
    ptgs = f.ptgs;
    if (ptgs.empty()) RaiseFormulaException("Empty formula");
    if (ptgs[0] == ptg::OtherCell) RaiseFormulaException("Nested formula cell reference");
  }
  if (ptgs[0] == ptg::Legacy || ptgs[0] == ptg::LegacyArrays) {
    if (!legacy) RaiseFormulaException("No decoder for legacy formula tokens");
    return legacy(ptgs, sheetIndex);
  }
  return decoder.Decode(cells, sheetIndex, ptgs, TXLSFormulaDecoder::kNoStop, saveToFile);
}

}  // namespace xls
