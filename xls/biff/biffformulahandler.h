// `TFormulaHandler`: the formula service of one legacy reader object. It owns the external
// reference tables of the workbook (and, for BIFF5/7, those of the sheets that have their own),
// the legacy side's own defined names and the legacy encoder, turns formula text into BIFF8
// tokens (sheets of this workbook get an EXTERNSHEET entry of their own, other books a SUPBOOK)
// and answers what legacy tokens name: sheet prefixes of 3-D references ("Sheet1!",
// "'My Sheet:Third'!", "'C:\dir\[book.xls]Data'!"), defined names and external or add-in names.
// Sheets and defined names are asked of the owner through events, so the texts always follow the
// workbook as it is now.
//
// Design choice: defined names (PtgName, and PtgNameX into this workbook) are the model's names,
// where the NAME records go; a number outside them prints "#NAME?". A reference whose entry, book
// or sheet is outside its table prints "#REF!" as its prefix.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "xls/biff/biffinternalnames.h"
#include "xls/biff/biffnames.h"
#include "xls/formula/xlsformulaencoder97.h"
#include "xls/formula/xlsformuladecoder97.h"

namespace xls::biff {

enum class TSheetDataType : uint8_t { sdtName, sdtCell };
// The index of the sheet with that name (without regard to case) and the sheet count; -1 and 0.
using TSheetNameEvent = std::function<void(std::u16string_view name, int32_t& index, int32_t& tabCount)>;
// sdtName: the name of sheet `sheetIndex` (empty when there is none); sdtCell: a cell's text.
using TSheetDataEvent =
    std::function<std::u16string(TSheetDataType type, int32_t sheetIndex, int32_t col, int32_t row)>;
// The formula text of defined name `index` (0-based) of the workbook; empty when there is none.
using TDefinedNameEvent = std::function<std::u16string(int32_t index)>;

class TFormulaHandler : public TXLSFactoryObject {
 public:
  TFormulaHandler();
  ~TFormulaHandler() override;

  // Empties every table.
  void Clear();

  // BIFF8 tokens of `formula` (no leading "=") written into `buf` with operands of `returnClass`;
  // the byte count. Raises XLSRWException for text that does not encode.
  int32_t EncodeFormula(std::u16string_view formula, uint8_t returnClass, std::span<uint8_t> buf);
  // Text of BIFF8 tokens of a defined name (no sheet of its own).
  std::u16string DecodeFormula(std::span<const uint8_t> ptgs);
  TEncodeFormula& Encoder() { return *FFormulaEncoder; }
  TInternalNames& InternalNames() { return *FInternalNames; }
  // The 0-based index of a defined name of the workbook model, negative when there is none
  // (the encoder's `_OnUnknownName`).
  void SetOnName(TEncodeFormula::TUnknownNameEvent event) { FFormulaEncoder->_OnUnknownName = std::move(event); }
  // The encoder's `OnExternName`: a sheet of this workbook (path and file empty), a sheet of another
  // book (isRef) or an external name of another book.
  void HandleExternName(std::u16string_view path, std::u16string_view filename, std::u16string_view sheetName,
                        std::u16string_view name, bool isRef, int32_t& extIndex, int32_t& nameIndex);

  TExternalNames& ExternalNames() { return *FExternalNames; }
  const TExternalNames& ExternalNames() const { return *FExternalNames; }
  // The table the formulas of `sheetIndex` use: the sheet's own (BIFF5/7) when it has one, else
  // the workbook's. `create` makes a sheet's own table.
  TExternalNames& TablesOf(int32_t sheetIndex, bool create = false);

  // The answer to a decoder's request (see TGetNameEvent) for a formula of `formulaSheet`.
  std::u16string GetName(TFormulaNameType type, int32_t sheetIndex, int32_t nameIndex, int32_t col,
                         int32_t row, int32_t formulaSheet);
  // Text of legacy tokens (with or without their form byte) of a formula of `sheetIndex`
  // (-1: a defined name), in the layouts of `options`.
  std::u16string DecodeFormula(std::span<const uint8_t> ptgs, int32_t sheetIndex,
                               const TXLSFormulaSeparators& separators, const TBIFFDecodeOptions& options,
                               int32_t col = 0, int32_t row = 0);
  // Own-book entries that sheet numbers at or after `sheetIndex` move up by one.
  void InsertSheet(int32_t sheetIndex);

  // The separators of formula text, as the component's decode takes them.
  TXLSFormulaSeparators FSeparators;

  // The names of every sheet of the file in its sheet-list order (chart sheets included), which
  // is how legacy references number sheets; empty before a load.
  std::vector<std::u16string> FSheetNames;

  TSheetNameEvent OnSheetName;
  TSheetDataEvent OnSheetData;
  TDefinedNameEvent OnDefinedName;

 private:
  std::u16string SheetPrefix(int32_t first, int32_t last);
  std::u16string DefinedName(int32_t number);

  std::unique_ptr<TEncodeFormula> FFormulaEncoder;
  std::unique_ptr<TExternalNames> FExternalNames;
  std::unique_ptr<TInternalNames> FInternalNames;
  std::map<int32_t, std::unique_ptr<TExternalNames>> FSheetExternalNames;
};

}  // namespace xls::biff
