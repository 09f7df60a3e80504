#include "xls/model/xlsnames.h"

#include <exception>

#include "xls/model/xc12manager.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsworksheetdata.h"

namespace xls {

namespace {

TXLSErrorManager* ErrorsOf(const TXLSNames* names) {
  return names && names->Manager() ? names->Manager()->Errors() : nullptr;
}

}  // namespace

// ---- one name

void TXLSName::SetName(std::u16string_view name) {
  const bool taken = FParent && !name.empty() &&
                     (LocalSheetId() < 0 ? FParent->Find(name) != nullptr
                                         : FParent->FindIdInSheet(name, LocalSheetId()) >= 0);
  if (taken) {
    const bool reading = FParent->Manager() && FParent->Manager()->FIsUpdating;
    if (TXLSErrorManager* errors = ErrorsOf(FParent)) {
      if (reading)
        errors->Warning(name, XLSERR_NAME_DEFINED);
      else
        errors->Error(name, XLSERR_NAME_DEFINED);
    }
    if (!reading) return;
  }
  TXc12DefinedName::SetName(name);
}

void TXLSName::SetDefinition(std::u16string_view text) {
  FPtgs.clear();
  FSimpleName = TXc12SimpleNameType::xsntNone;
  FContent = text;
  Compile(false);
}

bool TXLSName::Compile(bool warnOnly) {
  TXLSNameFormulas* formulas = FParent ? FParent->Formulas() : nullptr;
  if (!formulas) return false;
  TXLSErrorManager* errors = ErrorsOf(FParent);
  if (FPtgs.empty()) {
    bool failed = false;
    if (!warnOnly) {
      FPtgs = formulas->EncodeName(FContent);
    } else {
      // After a read the encoder's own errors are held back: the one report is the warning below.
      struct Hold {
        TXLSErrorManager* errors;
        bool before;
        ~Hold() {
          if (errors) errors->SetIgnoreErrors(before);
        }
      } hold{errors, errors && errors->IgnoreErrors()};
      if (errors) errors->SetIgnoreErrors(true);
      try {
        FPtgs = formulas->EncodeName(FContent);
      } catch (const std::exception&) {
        failed = true;
      }
    }
    if (failed || FPtgs.empty()) {
      FPtgs.clear();
      FSimpleName = TXc12SimpleNameType::xsntNone;
      if (errors) {
        if (warnOnly)
          errors->Warning(FContent, XLSERR_FMLA_INVALID_SHEET_NAME);
        else
          errors->Error(FContent, XLSERR_FMLA_INVALID_SHEET_NAME);
      }
      return false;
    }
  }
  TXLS3dCellArea area = FArea;
  switch (formulas->NameArea(FPtgs, area)) {
    case 1:
      FSimpleName = TXc12SimpleNameType::xsntRef;
      break;
    case 2:
      FSimpleName = TXc12SimpleNameType::xsntArea;
      break;
    case 3:
      FSimpleName = TXc12SimpleNameType::xsntError;
      break;
    default:
      FSimpleName = TXc12SimpleNameType::xsntNone;
      return true;
  }
  FArea = area;
  return true;
}

std::u16string TXLSName::Text(bool saveToFile) const {
  if (FPtgs.empty()) return FContent;
  const TXc12Manager* manager = FParent ? FParent->Manager() : nullptr;
  switch (FSimpleName) {
    case TXc12SimpleNameType::xsntRef:
    case TXc12SimpleNameType::xsntArea: {
      // A sheet that is gone since the name was compiled reads as a broken reference.
      if (!manager || FArea.SheetIndex < 0 || size_t(FArea.SheetIndex) >= manager->Worksheets().Count())
        return u"#REF!";
      std::u16string s = manager->Worksheets().Items(size_t(FArea.SheetIndex))->QuotedName() + u"!";
      if (FSimpleName == TXc12SimpleNameType::xsntRef)
        s += ColRowToRefStrAbs(Col1(), Row1(), (FArea.Col1 & 0x8000) != 0,
                               (uint32_t(FArea.Row1) & 0x80000000u) != 0);
      else
        s += AreaToRefStrPacked(FArea.Col1, FArea.Row1, FArea.Col2, FArea.Row2);
      return s;
    }
    case TXc12SimpleNameType::xsntError:
      return u"#REF!";
    default:
      break;
  }
  TXLSNameFormulas* formulas = FParent ? FParent->Formulas() : nullptr;
  if (!formulas) return FContent;
  return formulas->DecodeName(FPtgs, saveToFile);
}

// ---- lists

TXLSName* TXLSNames::Find(std::u16string_view name) const {
  const int32_t i = FindId(name, -1);
  if (i < 0) return nullptr;
  TXLSName* n = Names(size_t(i));
  return n && !n->Deleted() ? n : nullptr;
}

void TXLSNames_Int::AfterRead() {
  for (size_t i = 0; i < Count(); ++i)
    if (TXLSName* n = Names(i); n && !n->Deleted() && !(n->FPtgs.empty() && n->FContent.empty()))
      n->Compile(true);
}

}  // namespace xls
