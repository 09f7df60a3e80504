// The component's defined names: the workbook data's name list with the link to the formula
// language (a definition text is compiled into a token array when it is set and after a
// workbook was read, a plain sheet reference or area is recognised, and the definition is
// written back as text).
//
// A compiled reference keeps its absolute flags in its area: bit 15 of a column and bit 31 of a
// row. A definition that is one reference or one area of a sheet of this workbook is a "simple
// name" (xsntRef, xsntArea); one into another workbook is xsntError.
// Design choice: the model cannot link the formula language, so the compile link is the small
// interface `TXLSNameFormulas` that the formula layer installs on the list; without it names keep
// their text and stay uncompiled. A name that does not compile keeps its text, so reading it
// back never loses what the file said.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "xls/model/xlsworkbookdata.h"

namespace xls {

class TXc12Manager;
class TXLSNames;

// What the names need of the formula language.
class TXLSNameFormulas {
 public:
  virtual ~TXLSNameFormulas() = default;
  // Compiles definition text at workbook level; empty when nothing was compiled. Numbered errors
  // go through the hub's error manager (and raise unless a list or an event takes them).
  virtual std::vector<uint8_t> EncodeName(std::u16string_view text) = 0;
  // The text of a compiled definition; `saveToFile` writes external books as "[n]".
  virtual std::u16string DecodeName(std::span<const uint8_t> ptgs, bool saveToFile) = 0;
  // Reads a compiled definition as a sheet reference: 0 none, 1 a cell, 2 an area, 3 a sheet of
  // another workbook (see PtgsToArea3d of the formula language).
  virtual uint8_t NameArea(std::span<const uint8_t> ptgs, TXLS3dCellArea& area) = 0;
};

// One defined name of the component.
class TXLSName : public TXc12DefinedName {
 public:
  explicit TXLSName(TXLSNames* parent) : FParent(parent) {}

  // Renames the name; a text that a live name of the same scope (workbook-wide, or the same
  // sheet) already has, its own text included, is error 4032 and leaves the name as it was.
  // While a workbook is read the text is kept and the clash is a warning 4032, so that a file with
  // two equal names still loads.
  void SetName(std::u16string_view name) override;
  // Drops the compiled tokens, stores the text and compiles it (error 4011 when it does not
  // compile; the text is kept).
  void SetDefinition(std::u16string_view text);
  // The definition as text: a simple name from its area, any other compiled definition decoded,
  // an uncompiled one as its stored text.
  std::u16string Definition() const { return Text(false); }
  // As Definition, external books written as "[n]".
  std::u16string Content() const { return Text(true); }
  // The area of a simple name; nullptr for any other definition.
  const TXLS3dCellArea* Area() const {
    return FSimpleName == TXc12SimpleNameType::xsntNone ? nullptr : &FArea;
  }
  // Compiles the stored text when the name has no tokens yet; false when it did not compile.
  // With `warnOnly` a failure is warning 4011 and never raises.
  bool Compile(bool warnOnly);

 private:
  std::u16string Text(bool saveToFile) const;
  TXLSNames* FParent;  // not owned
};

// The component's name list.
class TXLSNames : public TXc12DefinedNames {
 public:
  TXLSNames(TXLSClassFactory* factory, TXc12Manager* manager)
      : TXc12DefinedNames(factory), FManager(manager) {}

  // The live workbook-wide name with this text (a to z folded); nullptr when none.
  TXLSName* Find(std::u16string_view name) const;
  TXLSName* Names(size_t index) const { return dynamic_cast<TXLSName*>(Items(index)); }

  TXc12Manager* Manager() const { return FManager; }
  TXLSNameFormulas* Formulas() const { return FFormulas; }
  // Installed by the formula layer; nullptr removes it (names then stay uncompiled).
  void SetFormulas(TXLSNameFormulas* formulas) { FFormulas = formulas; }

 private:
  TXc12Manager* FManager;                 // not owned
  TXLSNameFormulas* FFormulas = nullptr;  // not owned
};

// The workbook object's own name list.
class TXLSNames_Int : public TXLSNames {
 public:
  using TXLSNames::TXLSNames;
  // Compiles every name, in list order, after a workbook was read. A name that does not compile
  // is warning 4011 and keeps its text: a damaged name never ends a load.
  void AfterRead();
};

}  // namespace xls
