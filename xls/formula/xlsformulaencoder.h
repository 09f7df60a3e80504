// The encoder from a token list of the tokenizer to an own token array.
//
// It turns the infix order of the text into postfix order with an operator stack, binds sheet
// names, external books, defined names, functions and tables through the workbook view, and packs
// the result into one array of exactly the needed size. All tokens of one encoding are built in
// one work buffer of 65535 bytes, and the stacks and the written list hold offsets into it, so
// nothing is allocated per token.
//
// The written array is always balanced: an empty argument writes the missing-argument token (also
// when only blanks stand there), a fixed-count function with the wrong number of arguments is
// error 4020 or 4021 and gives no array, a structured reference is written as one operand (its
// items, then the table token) wherever it stands, and an array that would not leave exactly one
// result (an operator without its operands, as in "%" or "A1:") is error 4015 and no array.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "xls/formula/xlsformulamodel.h"
#include "xls/formula/xlstokenizer.h"
#include "xls/model/xlsevents.h"

namespace xls {

class TXLSErrorManager;

class TXLSFormulaEncoder {
 public:
  static constexpr size_t kBufSize = 65535;

  // `book` and `errors` must outlive the encoder.
  TXLSFormulaEncoder(const TXLSFormulaWorkbook& book, TXLSErrorManager& errors);

  // The own token array of `tokens` for a formula of sheet `sheetId` (-1: workbook level) at cell
  // (col, row) (-1: none). Empty when nothing was compiled: a failed table check or a
  // fixed-count function with the wrong number of arguments whose error was listed. Numbered
  // errors go to the error manager; faults raise XLSRWException.
  std::vector<uint8_t> Encode(const TXLSTokenList& tokens, int32_t sheetId, int32_t col = -1,
                              int32_t row = -1);

  // The tables that structured references are resolved against first (the current sheet's), and
  // that sheet's index; nullptr (the default) finds tables through all worksheets.
  void SetCurrTables(const TXLSFormulaTables* tables, int32_t sheet) {
    FStartTables = tables;
    FStartTablesSheet = tables ? sheet : -1;
  }

  // The events of the function lookups (either may be nullptr; neither is owned): `onFunction`
  // for a name found in the function table, `onUserFunction` for one it does not hold.
  void SetFunctionEvents(const TXLSFunctionEvent* onFunction, const TXLSUserFunctionEvent* onUserFunction) {
    FOnFunction = onFunction;
    FOnUserFunction = onUserFunction;
  }

  // True (the default): an unreadable token ends the encoding with what was written so far;
  // false: it raises "Invalid xtt token N".
  bool StopOnError() const { return FStopOnError; }
  void SetStopOnError(bool value) { FStopOnError = value; }

 private:
  struct Tok {
    uint32_t off = 0;
    uint32_t size = 0;
  };
  // An entry of the operator stack; open items count their arguments (array: elements and rows).
  struct Entry {
    Tok tok;
    int32_t args = 0;
    int32_t rows = 0;
  };

  uint8_t IdOf(Tok t) const { return FBuffer[t.off]; }
  Tok Make(uint8_t id, std::span<const uint8_t> body = {});
  Tok MakeText(uint8_t id, std::span<const uint8_t> head, std::u16string_view text);
  Tok MakeRef(uint8_t id, int64_t col, int64_t row, std::span<const uint8_t> tail = {});
  Tok MakeArea(uint8_t id, int64_t c1, int64_t r1, int64_t c2, int64_t r2,
               std::span<const uint8_t> tail = {});
  void Write(const Entry& e);
  void WriteTok(Tok t) { Write(Entry{t}); }
  void Push(Entry e);
  void PopWrite();
  static int Precedence(uint8_t id);
  Entry* InnermostOpen();
  bool Balanced() const;
  size_t NextNotSpace(size_t i) const;
  void Error(int number, std::u16string_view text = {});

  bool Handle(size_t& i);
  void Function(size_t i);
  void Reference(size_t& i);
  bool Table(size_t& i);

  const TXLSFormulaWorkbook& FBook;
  TXLSErrorManager& FErrors;
  const TXLSTokenList* FTokens = nullptr;
  std::vector<uint8_t> FBuffer;
  size_t FBufUsed = 0;
  std::vector<Entry> FStack;
  std::vector<size_t> FOpen;  // positions in FStack of the open items
  std::vector<Tok> FPostfix;
  TXLSTokenType FPrevToken = xttNone;
  TXLSTokenType FPrevSignificant = xttNone;  // the last token other than blanks
  const TXLSFormulaTables* FCurrTables = nullptr;
  int32_t FCurrTablesSheet = -1;
  const TXLSFormulaTables* FStartTables = nullptr;
  int32_t FStartTablesSheet = -1;
  int32_t FSheetId = -1;
  int32_t FCol = -1;
  int32_t FRow = -1;
  const TXLSFunctionEvent* FOnFunction = nullptr;
  const TXLSUserFunctionEvent* FOnUserFunction = nullptr;
  bool FStopOnError = true;
  bool FDone = false;
  bool FFailed = false;
};

}  // namespace xls
