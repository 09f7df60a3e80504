// `TInternalNames`: the legacy side's own defined names (those that drawing controls and
// autofilters of a legacy workbook create and look up), each a `TInternalName` whose definition is
// kept as BIFF8 tokens, compiled from text by the legacy encoder and decoded through the formula
// handler's tables. The names read from a file's NAME records live in the model, not here.
//
// Format facts: a user name is stored as the byte 0x01 and the name in UTF-16 (a byte 0 and 8-bit
// characters in older forms); a built-in name is the two bytes 0x00 and its code (0 Consolidate_Area
// .. 13 _FilterDatabase). A definition of one area is 11 bytes starting with a PtgArea3d (0x3B, 0x5B
// or 0x7B: EXTERNSHEET index u16 at byte 1, rows u16 at bytes 3 and 5, column words at bytes 7
// and 9); of one cell 7 bytes starting with PtgRef3d 0x3A (row at byte 3, column at byte 5).
//
// Design choice: the list is updating from creation on, so names are neither tested for
// duplicates nor sorted; a built-in name is found and deleted by the same sheet number (the
// sheet index + 1 that the name stores).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "xls/biff/biffnames.h"
#include "xls/model/xlsclassfactory.h"

namespace xls {
class TEncodeFormula;
}

namespace xls::biff {

enum class TX97BuiltInName : uint8_t {
  xbnConsolidateArea, xbnAutoOpen, xbnAutoClose, xbnExtract, xbnDatabase, xbnCriteria, xbnPrintArea,
  xbnPrintTitles, xbnRecorder, xbnDataForm, xbnAutoActivate, xbnAutoDeactivate, xbnSheetTitle,
  xbnFilterDatabase, xbnNone
};

enum class TNameOption : uint8_t {
  noBuiltIn, noHidden, noFunction, noVBProcedure, noMacro, noXLM, noPublishToServer, noWorkbookParameter,
  noComplex, noBig
};

class TInternalNames;

class TInternalName {
 public:
  explicit TInternalName(TInternalNames& parent) : FParent(&parent) {}

  // Empty for a built-in name.
  std::u16string Name() const;
  // A leading "_xlnm." is dropped and marks the name built-in. Raises "Name is empty".
  void SetName(std::u16string_view value);
  TX97BuiltInName BuiltInName() const;
  void SetBuiltInName(TX97BuiltInName value);
  // The definition as formula text (empty when there is none).
  std::u16string Definition() const;
  // Compiles `value` into at most 512 token bytes. Print_Area and Print_Titles take an area or a
  // list of two areas (the union of two areas of one sheet) and then belong to that sheet, where
  // they replace any other such name. Raises "Name must be set before definition.", "Name
  // definition must be an area" or the encoder's errors; the name then keeps its state.
  void SetDefinition(std::u16string_view value);

  bool NameIsArea(bool listAccepted) const;
  bool NameIsCell() const;
  // Bounds of a one-area or one-cell definition; raise "Name is not of requested type." for any
  // other (ExtSheet then gives -1).
  int32_t Col1() const;
  int32_t Row1() const;
  int32_t Col2() const;
  int32_t Row2() const;
  int32_t ExtSheet() const;
  void SetCol1(int32_t v);
  void SetRow1(int32_t v);
  void SetCol2(int32_t v);
  void SetRow2(int32_t v);
  bool IsOption(TNameOption o) const { return (FNameOptions >> unsigned(o)) & 1; }
  void SetOption(TNameOption o, bool on);
  bool IsVBProcedure() const { return IsOption(TNameOption::noVBProcedure); }

  TInternalNames* FParent;
  uint8_t FKeyShortcut = 0;
  uint16_t FUnused = 0;
  uint16_t FSheetIndex = 0;  // 0: the workbook; else sheet index + 1
  TRawText FName;
  std::vector<uint8_t> FNameDef;
  std::u16string FNameDefStr, FCustomMenu, FDescription, FHelpTopic, FStatusBar;
  int32_t FFormulaSize = 0;
  bool FLoadedFormFile = false;
  std::u16string FComment;
  uint16_t FNameOptions = 0;
  int32_t FFuncGroupId = 0;
  std::u16string FShortcutKey;

 private:
  uint16_t Field(size_t areaOffset, size_t cellOffset, bool column) const;
  void SetField(size_t areaOffset, size_t cellOffset, bool column, int32_t v);
};

class TInternalNames : public TXLSFactoryObject {
 public:
  // The text of definition tokens, decoded through the formula handler's tables.
  using TDecodeEvent = std::function<std::u16string(std::span<const uint8_t> ptgs)>;

  TInternalNames(TEncodeFormula& encoder, TDecodeEvent decode);

  TInternalName& Add();
  // Frees the name, then tells OnNameDeleted (with -1).
  void Delete(size_t index);
  void Clear() { FItems.clear(); }
  size_t Count() const { return FItems.size(); }
  TInternalName& GetItems(size_t index) { return *FItems.at(index); }
  // Index of the first name equal to `name` without regard to case; -1 when none.
  int32_t FindName(std::u16string_view name) const;
  // The built-in name of that code on sheet `sheetIndex` (-1: the workbook).
  TInternalName* FindBuiltInName(TX97BuiltInName code, int32_t sheetIndex);
  void DeleteBuiltInName(TX97BuiltInName code, int32_t sheetIndex);

  TEncodeFormula& Encoder() { return *FEncoder; }
  std::u16string Decode(std::span<const uint8_t> ptgs) const { return FDecode ? FDecode(ptgs) : std::u16string(); }
  std::function<void(TInternalNames&, int32_t)> OnNameDeleted;
  bool FIsUpdating = true;

 private:
  friend class TInternalName;
  void Sort();
  TEncodeFormula* FEncoder;
  TDecodeEvent FDecode;
  std::vector<std::unique_ptr<TInternalName>> FItems;
};

}  // namespace xls::biff
