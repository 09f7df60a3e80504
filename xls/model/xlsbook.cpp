#include "xls/model/xlsbook.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <istream>
#include <limits>

#include "platform/cfb.h"
#include "platform/filebytes.h"
#include "platform/fontmetrics.h"
#include "platform/textcodec.h"
#include "xls/model/xlscellmmu.h"
#include "xls/model/xlsclipboard.h"
#include "xls/model/xlscmdformat.h"
#include "xls/model/xlscomments.h"
#include "xls/model/xlsformattedobj.h"
#include "xls/model/xlsglobals.h"
#include "xls/model/xlshyperlinks.h"
#include "xls/model/xlsmask.h"
#include "xls/model/xlsnames.h"
#include "xls/model/xlspivotlists.h"
#include "xls/model/xlsrange.h"
#include "xls/model/xlsrowscols.h"
#include "xls/model/xlssheetlists.h"
#include "xls/model/xlssheetsettings.h"
#include "xls/model/xlssst.h"
#include "xls/model/xlsstylesheet.h"
#include "xls/model/xlsworkbookdata.h"
#include "xls/model/xlsworksheetdata.h"

namespace xls {

TXLSBookReaders& DefaultXLSBookReaders() {
  static TXLSBookReaders readers;
  return readers;
}

namespace {
const char16_t* const kWrongType = u"Cell is missing/is of wrong type";

std::u16string_view ErrorName(TXc12CellError e) {
  const unsigned code = static_cast<unsigned>(e) & 0x7F;
  return code <= 8 ? std::u16string_view(Xc12CellErrorNames[code]) : std::u16string_view();
}

std::u16string ErrorText(TXc12CellError e) { return std::u16string(ErrorName(e)); }

bool IsFormula(TXLSCellType t) {
  return t == TXLSCellType::xctFloatFormula || t == TXLSCellType::xctStringFormula ||
         t == TXLSCellType::xctBooleanFormula || t == TXLSCellType::xctErrorFormula;
}
}  // namespace

// ---- worksheet

TXLSWorksheet::TXLSWorksheet(TXLSClassFactory* factory, TXc12DataWorksheet* sheet, TXc12Manager* manager,
                             TXLSWorkbook* owner)
    : FClassFactory(factory), FXc12Sheet(sheet), FManager(manager), FOwner(owner) {
  TXc12PageSetup& ps = FXc12Sheet->PageSetup();
  if (ps.FPaperSize == TXc12PaperSize::psNone) ps.FPaperSize = FManager->FDefaultPaperSz;
  TXc12DataStyleSheet* styles = &FManager->StyleSheet();
  FTheCellFormat = std::make_unique<TXLSFormattedCell>(styles->XFs().DefaultXF());
  FColumns = std::make_unique<TXLSColumns>(&sheet->Columns(), styles);
}

TXLSRows& TXLSWorksheet::Rows() {
  if (!FRows) FRows = std::make_unique<TXLSRows>(&FXc12Sheet->Cells(), &FManager->StyleSheet());
  return *FRows;
}

TXLSPrintSettings& TXLSWorksheet::PrintSettings() {
  if (!FPrintSettings) FPrintSettings = std::make_unique<TXLSPrintSettings>(FXc12Sheet, nullptr);
  return *FPrintSettings;
}

TXLSPane& TXLSWorksheet::Pane() {
  if (!FPane) FPane = std::make_unique<TXLSPane>(FXc12Sheet);
  return *FPane;
}

TXLSSheetProtection& TXLSWorksheet::Protection() {
  if (!FProtection) FProtection = std::make_unique<TXLSSheetProtection>(FXc12Sheet);
  return *FProtection;
}

TXLSSelectedAreas& TXLSWorksheet::SelectedAreas() {
  if (!FSelectedAreas) FSelectedAreas = std::make_unique<TXLSSelectedAreas>();
  return *FSelectedAreas;
}

TXLSWorksheet::~TXLSWorksheet() = default;

TXLSFactoryObject* TXLSWorksheet::PivotTables() {
  if (!FPivotTables && DefaultPivotFactory().NewSheetPivotTables)
    FPivotTables = DefaultPivotFactory().NewSheetPivotTables(*this);
  return FPivotTables.get();
}

TXLSDrawingLayer* TXLSWorksheet::Drawing() {
  if (!FDrawing && DefaultDrawingFactory().NewSheetDrawing && FXc12Sheet->MakeDrawing(FManager->GrManager()))
    FDrawing = DefaultDrawingFactory().NewSheetDrawing(*this);
  return FDrawing.get();
}

void TXLSWorksheet::ForgetLegacyDrawing() {
  if (FDrawing) FDrawing->SetBIFFDrawing(nullptr);
}

TXLSRange& TXLSWorksheet::Range() {
  if (!FRange) FRange = std::make_unique<TXLSRange>(FManager, this);
  return *FRange;
}

TXLSComments& TXLSWorksheet::Comments() {
  if (!FComments) FComments = std::make_unique<TXLSComments>(FManager, &FXc12Sheet->Comments());
  return *FComments;
}

TXLSCell& TXLSWorksheet::Cell(int32_t col, int32_t row) {
  if (!ValidColRow(col, row)) throw XLSRWException("Cell out of range");
  if (!FTheCell) FTheCell = std::make_unique<TXLSCell>(&FManager->StyleSheet(), &FXc12Sheet->Cells());
  return *FTheCell->Position(col, row);
}

TXLSFormattedCell& TXLSWorksheet::CellFormat(int32_t col, int32_t row) {
  const TXLSCellItem item = Cells().FindCell(col, row);
  return *FTheCellFormat->Position(StyleXF(FManager->StyleSheet(), item.Data ? Cells().GetStyle(item) : 0));
}

int32_t TXLSWorksheet::Index() const { return FXc12Sheet->Index(); }
const std::u16string& TXLSWorksheet::Name() const { return FXc12Sheet->FName; }
TXLSCellMMU& TXLSWorksheet::Cells() { return FXc12Sheet->Cells(); }

void TXLSWorksheet::SetName(std::u16string_view name) {
  const std::u16string n = CutSheetName(name);
  const TXc12DataWorksheets& sheets = FManager->Worksheets();
  const int32_t found = sheets.Find(n);
  if (found < 0 || found == Index())  // renaming a sheet to its own name in other letter case is allowed
    FXc12Sheet->FName = n;
  else if (FManager->Errors())
    FManager->Errors()->Warning(n, XLSERR_SHEET_NAME_EXISTS);
}

void TXLSWorksheet::CalcDimensions() { Cells().CalcDimensions(); }
// The store answers afresh: its area after CalcDimensions reads (0, 0, 0, 0) both for a sheet
// without cells and for one with a cell at A1.
bool TXLSWorksheet::IsEmpty() const { return FXc12Sheet->Cells().CalcDimensions(); }
int32_t TXLSWorksheet::FirstCol() const { return FXc12Sheet->Dimension().Col1; }
int32_t TXLSWorksheet::LastCol() const { return FXc12Sheet->Dimension().Col2; }
int32_t TXLSWorksheet::FirstRow() const { return FXc12Sheet->Dimension().Row1; }
int32_t TXLSWorksheet::LastRow() const { return FXc12Sheet->Dimension().Row2; }

TXLSCellType TXLSWorksheet::GetCellType(int32_t col, int32_t row) {
  TXLSCellItem cell;
  if (!Cells().FindCell(col, row, cell)) return TXLSCellType::xctNone;
  return Cells().CellType(cell);
}

std::u16string TXLSWorksheet::CellText(int32_t col, int32_t row, bool formulasAsText, bool formatted,
                                       uint32_t* color) {
  if (color) *color = kNoMaskColor;
  TXLSCellMMU& cells = Cells();
  TXLSCellItem cell;
  if (!cells.FindCell(col, row, cell)) return {};
  const TXLSCellType t = cells.CellType(cell);
  if (formulasAsText && IsFormula(t)) return GetAsFormula(col, row);
  const FormatSettings& fs = FOwner->Settings();
  switch (t) {
    case TXLSCellType::xctBoolean: return cells.GetBoolean(cell) ? StrTRUE() : StrFALSE();
    case TXLSCellType::xctError: return ErrorText(cells.GetError(cell));
    case TXLSCellType::xctString: {
      // A package's text is shown with its _xHHHH_ escapes read.
      std::u16string text = cells.GetString(cell);
      if (FManager->SST().IsExcel97() || text.find(u"_x") == std::u16string::npos) return text;
      return DecodePackageEscapes(text);
    }
    case TXLSCellType::xctFloat:
      if (formatted) return FormattedNumber(cells.GetStyle(cell), cells.GetFloat(cell), color);
      return FormatGeneral(cells.GetFloat(cell), fs);
    case TXLSCellType::xctFloatFormula:
      if (formatted) return FormattedNumber(cells.GetStyle(cell), cells.GetFormulaValFloat(cell), color);
      return FormatGeneral(cells.GetFormulaValFloat(cell), fs);
    case TXLSCellType::xctStringFormula: return cells.GetFormulaValString(cell);
    case TXLSCellType::xctBooleanFormula: return cells.GetFormulaValBoolean(cell) ? StrTRUE() : StrFALSE();
    case TXLSCellType::xctErrorFormula: return ErrorText(cells.GetFormulaValError(cell));
    default: return {};
  }
}

std::u16string TXLSWorksheet::GetAsString(int32_t col, int32_t row) { return CellText(col, row, FOwner->ShowFormulas()); }
std::u16string TXLSWorksheet::GetFormatString(int32_t col, int32_t row, uint32_t* color) {
  return CellText(col, row, FOwner->ShowFormulas(), true, color);
}

std::u16string TXLSWorksheet::FormattedNumber(int32_t style, double value, uint32_t* color) {
  const FormatSettings& fs = FOwner->Settings();
  TXc12XFs& xfs = FManager->StyleSheet().XFs();
  const TXc12XF* xf = style >= 0 && size_t(style) < xfs.Count() ? xfs.Items(size_t(style)) : nullptr;
  const TXc12NumberFormat* fmt = xf ? xf->NumFmt() : nullptr;
  std::u16string code;
  if (fmt && fmt->Index() == 14)
    code = MaskCodeOfDateForm(fs.ShortDateFormat);
  else if (fmt && fmt->Index() == 20)
    code = MaskCodeOfDateForm(fs.ShortTimeFormat);
  else if (fmt && fmt->Index() == 22)
    code = MaskCodeOfDateForm(fs.ShortDateFormat + u" " + fs.ShortTimeFormat);
  else if (fmt && !fmt->Value().empty())
    code = fmt->Value();
  else if (FDefDecimals < 0)
    return FormatGeneral(value, fs);
  else
    code = u"#,##0" + (FDefDecimals > 0 ? u"." + std::u16string(size_t(std::min(FDefDecimals, 200)), u'0') : u"");
  TExcelMask mask(fs);
  try {
    mask.SetMask(code);
  } catch (const XLSRWException&) {
    return FormatGeneral(value, fs);  // a code of 256 characters or more
  }
  mask.SetDate1904(FManager->Workbook().WorkbookPr().FDate1904);
  std::u16string text = mask.FormatNumber(value);
  if (color && mask.ColorNamed()) *color = mask.Color();
  return text;
}

double TXLSWorksheet::GetAsFloat(int32_t col, int32_t row) {
  TXLSCellMMU& cells = Cells();
  TXLSCellItem cell;
  if (!cells.FindCell(col, row, cell)) return 0;
  switch (cells.CellType(cell)) {
    case TXLSCellType::xctFloat: return cells.GetFloat(cell);
    case TXLSCellType::xctFloatFormula: return cells.GetFormulaValFloat(cell);
    case TXLSCellType::xctString:
    case TXLSCellType::xctStringFormula: return TextToFloat(CellText(col, row, false), FOwner->Settings().DecimalSeparator);
    default: return 0;
  }
}

bool TXLSWorksheet::GetAsBoolean(int32_t col, int32_t row) {
  TXLSCellMMU& cells = Cells();
  TXLSCellItem cell;
  if (cells.FindCell(col, row, cell)) {
    switch (cells.CellType(cell)) {
      case TXLSCellType::xctBoolean: return cells.GetBoolean(cell);
      case TXLSCellType::xctBooleanFormula: return cells.GetFormulaValBoolean(cell);
      case TXLSCellType::xctString: {
        const std::u16string t = kws::AsciiUpperCopy(cells.GetString(cell));
        if (t == u"TRUE") return true;
        if (t == u"FALSE") return false;
        break;
      }
      default: break;
    }
  }
  throw XLSRWException(std::u16string_view(kWrongType));
}

TXc12CellError TXLSWorksheet::GetAsError(int32_t col, int32_t row) {
  TXLSCellMMU& cells = Cells();
  TXLSCellItem cell;
  if (cells.FindCell(col, row, cell)) {
    const TXLSCellType t = cells.CellType(cell);
    if (t == TXLSCellType::xctError) return cells.GetError(cell);
    if (t == TXLSCellType::xctErrorFormula) return cells.GetFormulaValError(cell);
  }
  throw XLSRWException(std::u16string_view(kWrongType));
}

std::u16string TXLSWorksheet::GetAsFormula(int32_t col, int32_t row) {
  TXLSCellMMU& cells = Cells();
  TXLSCellItem cell;
  if (!cells.FindCell(col, row, cell) || !IsFormula(cells.CellType(cell))) throw XLSRWException(std::u16string_view(kWrongType));
  if (cells.IsFormulaCompiled(cell)) {
    const uint8_t* ptgs = nullptr;
    const int32_t n = cells.GetFormulaPtgs(cell, ptgs);
    if (!FOwner->OnDecodeFormula) throw XLSRWException("Formula decoding is not available");
    return FOwner->OnDecodeFormula(*this, std::span<const uint8_t>(ptgs, size_t(std::max(n, 0))));
  }
  std::u16string f = cells.GetFormula(cell);
  // [n] at the start names external workbook n (1-based).
  if (f.size() > 2 && f[0] == u'[') {
    const size_t close = f.find(u']');
    if (close != std::u16string::npos && close >= 2) {
      size_t n = 0;
      bool digits = close - 1 <= 6;
      for (size_t i = 1; i < close && digits; ++i) {
        if (f[i] < u'0' || f[i] > u'9') digits = false;
        else n = n * 10 + size_t(f[i] - u'0');
      }
      if (digits && n >= 1 && n <= FManager->XLinks().Count())
        f = u"[" + FManager->XLinks().Items(n - 1)->FExternalBook.FFilename + f.substr(close);
    }
  }
  return f;
}

bool TXLSWorksheet::GetIsDateTime(int32_t col, int32_t row) {
  TXLSCellMMU& cells = Cells();
  TXLSCellItem cell;
  if (!cells.FindCell(col, row, cell) || cells.CellType(cell) == TXLSCellType::xctBlank) return false;
  const int32_t style = cells.GetStyle(cell);
  TXc12XFs& xfs = FManager->StyleSheet().XFs();
  if (style < 0 || size_t(style) >= xfs.Count()) return false;
  const TXc12XF* xf = xfs.Items(size_t(style));
  const TXc12NumberFormat* fmt = xf ? xf->NumFmt() : nullptr;
  if (!fmt) return false;
  if (fmt->IsDateTime()) return true;
  try {
    return NumFmtIsDateTime(fmt->Value());
  } catch (const XLSRWException&) {
    return false;  // a code the mask refuses shows no dates
  }
}

bool TXLSWorksheet::GetAsBlank(int32_t col, int32_t row) { return GetCellType(col, row) == TXLSCellType::xctBlank; }
bool TXLSWorksheet::GetAsEmpty(int32_t col, int32_t row) {
  const TXLSCellType t = GetCellType(col, row);
  return t == TXLSCellType::xctBlank || t == TXLSCellType::xctNone;
}

int32_t TXLSWorksheet::DefaultStyle(int32_t col, int32_t row) {
  if (const int32_t d = FOwner ? FOwner->DefaultFormat() : -1;
      d >= 0 && size_t(d) < FManager->StyleSheet().XFs().Count())
    return d;
  if (const TXc12XF* xf = FColumns->ColumnXF(col); xf && xf->Index() > 0) return xf->Index();
  if (TXLSMMURowHeader* r = Cells().FindRow(row); r && r->Style != 0) return r->Style;
  return 0;
}

bool TXLSWorksheet::DirectWriting() const { return FManager->FDirectWrite && FManager->FCellWriteEvent; }

template <class F>
void TXLSWorksheet::HandOver(int32_t col, int32_t row, F&& setValue) {
  if (col < 0 || col > XLS_MAXCOL) throw XLSRWException("Cell column out of range");
  if (row < 0 || row > XLS_MAXROW) throw XLSRWException("Cell row out of range");
  TXLSEventCell& cell = FManager->EventCell();
  if (cell.FSheetIndex == Index() && cell.FPrevCol == col && cell.FPrevRow == row) {
    if (TXLSErrorManager* errors = FManager->Errors())
      errors->Error(ColRowToRefStr(col, row), XLSERR_DIRECT_WRITE_SAME_CELL);
    return;
  }
  cell.ClearValues();
  cell.FSheetIndex = Index();
  cell.FSheetName = Name();
  cell.FCol = cell.FPrevCol = col;
  cell.FRow = cell.FPrevRow = row;
  setValue(cell);
  const TCellReadWriteEvent event = FManager->FCellWriteEvent;  // the handler may replace it
  event(cell);
}

void TXLSWorksheet::SetAsBlank(int32_t col, int32_t row) {
  if (DirectWriting())
    return HandOver(col, row, [](TXLSEventCell& c) { c.FCellType = TXLSCellType::xctBlank; });
  Cells().UpdateBlankOF(col, row, DefaultStyle(col, row));
}
void TXLSWorksheet::SetAsBoolean(int32_t col, int32_t row, bool value) {
  if (DirectWriting()) return HandOver(col, row, [&](TXLSEventCell& c) { c.SetAsBoolean(value); });
  Cells().UpdateBooleanOF(col, row, value, DefaultStyle(col, row));
}
void TXLSWorksheet::SetAsError(int32_t col, int32_t row, TXc12CellError value) {
  if (DirectWriting()) return HandOver(col, row, [&](TXLSEventCell& c) { c.SetAsError(value); });
  Cells().UpdateErrorOF(col, row, value, DefaultStyle(col, row));
}
void TXLSWorksheet::SetAsFloat(int32_t col, int32_t row, double value) {
  if (DirectWriting()) return HandOver(col, row, [&](TXLSEventCell& c) { c.SetAsFloat(value); });
  Cells().UpdateFloatOF(col, row, value, DefaultStyle(col, row));
}
void TXLSWorksheet::SetAsString(int32_t col, int32_t row, std::u16string_view value) {
  if (DirectWriting()) return HandOver(col, row, [&](TXLSEventCell& c) { c.SetAsString(value); });
  Cells().UpdateStringOF(col, row, value, DefaultStyle(col, row));
}

void TXLSWorksheet::SetAsDateTime(int32_t col, int32_t row, double value) {
  if (DirectWriting()) return HandOver(col, row, [&](TXLSEventCell& c) { c.SetAsFloat(value); });
  if (!ValidColRow(col, row)) throw XLSRWException("Cell out of range");
  if (!FOwner || FOwner->DefaultFormat() < 0) {
    const double whole = std::trunc(value);
    const int32_t builtIn = whole == 0 ? 20 : (value != whole ? 22 : 14);
    TXLSCellItem cell;
    const bool exists = Cells().FindCell(col, row, cell);
    const TXc12XF* xf =
        StyleXF(FManager->StyleSheet(), exists ? Cells().GetStyle(cell) : DefaultStyle(col, row));
    const TXc12NumberFormat* fmt = xf ? xf->NumFmt() : nullptr;
    if (!fmt || fmt->Index() != builtIn) {
      TXLSCmdFormat& cmd = FOwner->Command();
      cmd.BeginEdit(this);
      cmd.Number().SetFormat(XLSBuiltInNumFmts[builtIn]);
      cmd.Apply(col, row);
    }
    if (Cells().FindCell(col, row, cell)) {  // the command left the cell with its new format
      Cells().UpdateFloatOF(col, row, value, Cells().GetStyle(cell));
      return;
    }
  }
  Cells().UpdateFloatOF(col, row, value, DefaultStyle(col, row));
}

void* TXLSWorksheet::RequestObject(const void* classId) {
  if (classId == ClassId<TXc12DataWorksheet>()) return FXc12Sheet;
  if (classId == ClassId<TCellAreas>()) return static_cast<TCellAreas*>(&SelectedAreas());
  if (classId == ClassId<TXLSColumns>()) return FColumns.get();
  if (classId == ClassId<TXLSRows>()) return &Rows();
  return nullptr;
}

void TXLSWorksheet::DeleteCells(int32_t col1, int32_t row1, int32_t col2, int32_t row2,
                                TXLSDeleteOptions options) {
  if (col1 > col2) std::swap(col1, col2);
  if (row1 > row2) std::swap(row1, row2);
  col1 = std::clamp(col1, 0, XLS_MAXCOL), col2 = std::clamp(col2, 0, XLS_MAXCOL);
  row1 = std::clamp(row1, 0, XLS_MAXROW), row2 = std::clamp(row2, 0, XLS_MAXROW);
  TXLSCellMMU& cells = Cells();
  const bool values = options.Contains(TXLSDeleteOption::xdoCellValues);
  const bool formats = options.Contains(TXLSDeleteOption::xdoFormats);
  if (col1 == 0 && col2 == XLS_MAXCOL) {
    cells.DeleteRows(row1, row2);
  } else if (values && !cells.CalcDimensions()) {
    // Only the stored cells of the area are visited: positions are gathered first, since deleting
    // moves the items the iteration stands on.
    const TXLSCellArea dim = FXc12Sheet->Dimension();
    const int32_t r1 = std::max(row1, dim.Row1), r2 = std::min(row2, dim.Row2);
    std::vector<std::pair<int32_t, int32_t>> found;
    if (r1 <= r2) {
      cells.BeginIterateRow(r1 - 1);
      while (cells.IterateNextRow() && cells.IterCellRow() <= r2) {
        cells.BeginIterateCol();
        while (cells.IterateNextCol() && cells.IterCellCol() <= col2)
          if (cells.IterCellCol() >= col1) found.emplace_back(cells.IterCellCol(), cells.IterCellRow());
      }
    }
    for (const auto& [c, r] : found) {
      if (formats)
        cells.DeleteCell(c, r);
      else
        cells.ClearCell(c, r);
    }
  }
  if (values) {
    FXc12Sheet->MergedCells().Delete(col1, row1, col2, row2);
    FXc12Sheet->Hyperlinks().Delete(col1, row1, col2, row2);
  }
  if (options.Contains(TXLSDeleteOption::xdoComments)) FXc12Sheet->Comments().Delete(col1, row1, col2, row2);
  if (options.Contains(TXLSDeleteOption::xdoDataValidations)) {
    TXc12DataValidations& list = FXc12Sheet->DataValidations();
    for (auto& v : list)
      if (auto* item = dynamic_cast<TXLSMoveCopyItem*>(v.get())) item->Delete(col1, row1, col2, row2);
    // A validation left without cells would be written with an empty reference list.
    std::erase_if(list, [](const std::unique_ptr<TXc12DataValidation>& v) {
      auto* d = dynamic_cast<TXLSDataValidation*>(v.get());
      return d && d->Areas().Count() == 0;
    });
  }
  if (options.Contains(TXLSDeleteOption::xdoConditionalFormats))
    FXc12Sheet->ConditionalFormatting().DeleteLocal(col1, row1, col2, row2);
}

int32_t TXLSWorksheet::AutoWidthCol(int32_t col, int32_t minWidth, int32_t maxWidth) {
  if (col < 0 || col > XLS_MAXCOL) throw XLSRWException("Cell column out of range");
  TXc12DataStyleSheet& styles = FManager->StyleSheet();
  int ppi = 96, ppiY = 96;
  styles.PixelsPerInchXY(ppi, ppiY);
  ppi = std::max(ppi, 1);
  TXLSCellMMU& cells = Cells();
  TXc12MergedCells& merged = FXc12Sheet->MergedCells();
  std::vector<int32_t> rows;
  cells.BeginIterateRow(-1);
  while (cells.IterateNextRow()) {
    TXLSCellItem item;
    if (cells.FindCell(col, cells.IterCellRow(), item) && merged.CellInAreas(col, cells.IterCellRow()) < 0)
      rows.push_back(cells.IterCellRow());
  }
  int32_t widest = 0;
  const TXc12Font* font = nullptr;
  kws::FontPixelMetrics metrics;
  for (const int32_t row : rows) {
    const TXLSCellItem item = cells.FindCell(col, row);
    const TXc12XF* xf = StyleXF(styles, item.Data ? cells.GetStyle(item) : 0);
    const TXc12Font* f = xf && xf->Font() ? xf->Font() : styles.Fonts().DefaultFont();
    if (!f) continue;
    const bool bold = f->Style().Contains(TXc12FontStyle::xfsBold);
    const bool italic = f->Style().Contains(TXc12FontStyle::xfsItalic);
    if (f != font) {
      font = f;
      metrics = kws::MeasureFont(f->Name(), f->Size(), bold, ppi);
    }
    const std::u16string text = GetAsFmtString(col, row);
    const TXc12CellAlignment* align = xf ? &xf->Alignment() : nullptr;
    const int32_t rotation = align ? align->FRotation : 0;
    int32_t w;
    if (rotation == 90 || rotation == 180 || rotation == 255) {
      w = metrics.Height;
    } else if (align && align->IsWrapText()) {
      // Without a width limit a wrapped text breaks at its line ends only.
      w = 0;
      size_t start = 0;
      for (;;) {
        const size_t end = text.find(u'\n', start);
        const std::u16string_view line = std::u16string_view(text).substr(start, end - start);
        w = std::max(w, kws::MeasureText(f->Name(), f->Size(), bold, italic, line, ppi));
        if (end == std::u16string::npos) break;
        start = end + 1;
      }
    } else {
      w = kws::MeasureText(f->Name(), f->Size(), bold, italic, text, ppi);
    }
    const int32_t ave = metrics.DigitWidth;
    w += ave + 5;
    if (align && align->FIndent > 0) w += std::min(align->FIndent, 250) * ave;
    if (align && align->FHorizAlignment == TXc12HorizAlignment::chaRight) w += ave;
    widest = std::max(widest, w);
  }
  if (widest > 0) {
    const int32_t lo = std::min(minWidth, maxWidth), hi = std::max(minWidth, maxWidth);
    FColumns->Items(col)->SetPixelWidth(std::clamp(widest, lo, hi));
  }
  return widest;
}

// ---- text search

void TXLSWorksheet::BeginFindText() {
  CalcDimensions();
  FFindDim = FXc12Sheet->Dimension();
  FCurrFindPos = -1;
  FCurrFindCol = 0;
  FCurrFindRow = 0;
  FIterValid = false;
}

// Positions the store's iteration on the first cell at (row, col) or after it in row order and
// points `cell` at that cell. A cell the iteration already stands on is read from the iteration
// when `iterCurrent` says that it was reached in this call, else looked up afresh into `lookup`
// (the store may have changed since the previous call returned). The iteration's own item is
// pointed at rather than copied: its fields have just been written one by one, and a copy of the
// whole would wait for those writes.
bool TXLSWorksheet::SeekCell(int32_t& row, int32_t& col, bool iterCurrent, TXLSCellItem& lookup,
                             const TXLSCellItem*& cell) {
  TXLSCellMMU& cells = Cells();
  if (FIterValid && cells.IterCellRow() == row && cells.IterCellCol() == col) {
    if (iterCurrent) {
      cell = &cells.IterCell();
    } else {
      lookup = cells.FindCell(col, row);
      cell = &lookup;
    }
    return true;
  }
  FIterValid = false;
  cells.BeginIterateRow(row - 1);
  while (cells.IterateNextRow()) {
    const int32_t r = cells.IterCellRow();
    cells.BeginIterateCol();
    while (cells.IterateNextCol()) {
      if (r == row && cells.IterCellCol() < col) continue;
      row = r;
      col = cells.IterCellCol();
      cell = &cells.IterCell();
      FIterValid = true;
      return true;
    }
  }
  return false;
}

namespace {

constexpr size_t kNoHit = std::u16string_view::npos;

// The unit as the search compares it: a to z as capitals when folding.
template <bool Fold, class Unit>
inline char16_t SearchUnit(Unit c) {
  const auto u = char16_t(c);
  return Fold && char16_t(u - u'a') < 26 ? char16_t(u - 32) : u;
}

// UTF-16 units stored as bytes in the machine's order, read without assuming their alignment.
struct TWideBytes {
  const uint8_t* Bytes;
  char16_t operator[](size_t i) const {
    char16_t u;
    std::memcpy(&u, Bytes + 2 * i, 2);
    return u;
  }
};

// The first position at `from` or later where `key` (already folded) stands in text[0, n); the
// text is anything indexed by unit (a pointer to units or TWideBytes).
template <bool Fold, class Text>
size_t FindUnits(const Text& text, size_t n, size_t from, std::u16string_view key) {
  const size_t m = key.size();
  if (from > n || n - from < m) return kNoHit;
  const char16_t first = key[0];
  for (size_t i = from, last = n - m; i <= last; ++i) {
    if (SearchUnit<Fold>(text[i]) != first) continue;
    size_t j = 1;
    while (j < m && SearchUnit<Fold>(text[i + j]) == key[j]) ++j;
    if (j == m) return i;
  }
  return kNoHit;
}

// A keyword made ready for one FindText call: folded once, and told beforehand which kinds of
// cell text can hold it at all.
class TFindKey {
 public:
  TFindKey(std::u16string_view text, bool fold, char16_t decimalSeparator) : FText(text), FFold(fold) {
    if (fold) kws::AsciiUpperInPlace(FText);
    const char16_t sep = fold ? kws::AsciiUpper(decimalSeparator) : decimalSeparator;
    for (char16_t c : FText) {
      if (c > 0xFF) FNarrowCanHold = false;
      // A general-form number text is made of digits, '-', the separator, 'E' and the letters
      // of NAN and INF (all capitals, so folding leaves them as they are).
      const bool numeric = (c >= u'0' && c <= u'9') || c == u'-' || c == sep || c == u'E' || c == u'N' ||
                           c == u'A' || c == u'I' || c == u'F';
      if (!numeric) FNumberCanHold = false;
    }
  }
  bool Empty() const { return FText.empty(); }
  bool NumberCanHold() const { return FNumberCanHold; }
  size_t In(std::u16string_view text, size_t from) const {
    return FFold ? FindUnits<true>(text.data(), text.size(), from, FText)
                 : FindUnits<false>(text.data(), text.size(), from, FText);
  }
  // 8-bit text: the byte is the code unit (Latin-1).
  size_t In(const uint8_t* text, size_t n, size_t from) const {
    if (!FNarrowCanHold) return kNoHit;
    return FFold ? FindUnits<true>(text, n, from, FText) : FindUnits<false>(text, n, from, FText);
  }
  // A shared-string entry searched where it is stored: after its header, Len bytes of Latin-1 or
  // Len UTF-16 units (Options bit 0).
  size_t In(const TXLSString& entry, size_t from) const {
    const uint8_t* text = TXc12DataSST::TextBytes(entry);
    if (!(entry.Options & 1)) return In(text, entry.Len, from);
    const TWideBytes wide{text};
    return FFold ? FindUnits<true>(wide, entry.Len, from, FText)
                 : FindUnits<false>(wide, entry.Len, from, FText);
  }

 private:
  std::u16string FText;
  bool FFold;
  bool FNarrowCanHold = true;
  bool FNumberCanHold = true;
};

// The first place at `from` or later where the key stands in a shared-string entry (the escapes
// of a package's text read when `decode` is set). The place found from the start is kept in
// `firstHit` (see TXLSWorkbook::TFindEntryCache) and serves every later cell using the entry.
size_t FindInEntry(const TFindKey& key, const TXLSString& entry, int32_t index, size_t from, bool decode,
                   std::vector<uint32_t>& firstHit) {
  const auto search = [&](size_t at) {
    if (decode && MayHoldPackageEscape(entry))
      return key.In(DecodePackageEscapes(TXc12DataSST::GetText(entry)), at);
    return key.In(entry, at);
  };
  if (size_t(index) >= firstHit.size()) return search(from);
  uint32_t& known = firstHit[size_t(index)];
  if (known == 0) {
    const size_t p = search(0);
    if (p != kNoHit && p > UINT32_MAX - 2) return from == 0 ? p : search(from);
    known = p == kNoHit ? 1 : uint32_t(p + 2);
  }
  if (known == 1) return kNoHit;
  return from <= known - 2 ? known - 2 : search(from);
}

// The first place at `from` or later (0-based) where the key stands in the text of the cell, the
// text being what GetAsString gives. The text is read where the store keeps it (shared strings,
// the Boolean and error names) or made in a buffer on the stack (numbers); only formula texts
// and string results of formulas are made as strings.
size_t FindInCell(TXLSWorksheet& sheet, TXLSCellMMU& cells, const TXLSCellItem& cell, int32_t col,
                  int32_t row, const TFindKey& key, size_t from, bool formulasAsText,
                  char16_t decimalSeparator, TXc12DataSST& sst, std::vector<uint32_t>& firstHit) {
  const TXLSCellType t = cells.CellType(cell);
  if (formulasAsText && IsFormula(t)) return key.In(sheet.GetAsFormula(col, row), from);
  switch (t) {
    case TXLSCellType::xctString: {
      const int32_t i = cells.GetStringSST(cell);
      if (i < 0) return kNoHit;
      const TXLSString* entry = sst.GetItems(i);
      return entry ? FindInEntry(key, *entry, i, from, !sst.IsExcel97(), firstHit) : kNoHit;
    }
    case TXLSCellType::xctFloat:
    case TXLSCellType::xctFloatFormula: {
      if (!key.NumberCanHold()) return kNoHit;
      const double v = t == TXLSCellType::xctFloat ? cells.GetFloat(cell) : cells.GetFormulaValFloat(cell);
      std::array<char16_t, kFormatGeneralMaxLen> buf;
      return key.In(std::u16string_view(buf.data(), FormatGeneralTo(v, decimalSeparator, buf)), from);
    }
    case TXLSCellType::xctBoolean: return key.In(cells.GetBoolean(cell) ? StrTRUE() : StrFALSE(), from);
    case TXLSCellType::xctBooleanFormula:
      return key.In(cells.GetFormulaValBoolean(cell) ? StrTRUE() : StrFALSE(), from);
    case TXLSCellType::xctError: return key.In(ErrorName(cells.GetError(cell)), from);
    case TXLSCellType::xctErrorFormula: return key.In(ErrorName(cells.GetFormulaValError(cell)), from);
    case TXLSCellType::xctStringFormula: return key.In(cells.GetFormulaValString(cell), from);
    default: return kNoHit;
  }
}

}  // namespace

bool TXLSWorksheet::FindText(std::u16string_view text, bool caseInsensitive) {
  if (FCurrFindPos > 0) ++FCurrFindPos;
  const bool formulasAsText = FOwner->ShowFormulas();
  const char16_t separator = FOwner->Settings().DecimalSeparator;
  const TFindKey key(text, caseInsensitive, separator);
  TXc12DataSST& sst = FManager->SST();
  std::vector<uint32_t>& firstHit = FOwner->FindEntryCache(text, caseInsensitive, sst);
  TXLSCellMMU& cells = Cells();
  bool iterCurrent = false;  // the iteration has moved to its cell in this call
  // Only the cells that exist are visited, row by row, within the used area taken by
  // BeginFindText; a position between cells holds no text and cannot hit.
  while (FCurrFindRow <= FFindDim.Row2) {
    int32_t row = FCurrFindRow, col = FCurrFindCol;
    TXLSCellItem lookup;
    const TXLSCellItem* cell = nullptr;
    if (!SeekCell(row, col, iterCurrent, lookup, cell) || row > FFindDim.Row2) break;
    if (row != FCurrFindRow || col != FCurrFindCol) FCurrFindPos = -1;
    FCurrFindRow = row;
    FCurrFindCol = col;
    const bool inArea = col <= FFindDim.Col2 && (row == 0 || col >= FFindDim.Col1);
    if (inArea && !key.Empty() && cell->Data) {
      // A hit at position p (1-based) goes on from p + 1 in the same cell on the next call.
      const int32_t start = FCurrFindPos > 0 ? FCurrFindPos : 1;
      const size_t p = FindInCell(*this, cells, *cell, col, row, key, size_t(start - 1), formulasAsText,
                                  separator, sst, firstHit);
      if (p != kNoHit) {
        FCurrFindPos = int32_t(p) + 1;
        return true;
      }
    }
    FCurrFindPos = -1;
    if (!cells.IterateNext()) break;
    FCurrFindRow = cells.IterCellRow();
    FCurrFindCol = cells.IterCellCol();
    iterCurrent = true;
  }
  // Nothing left: every later call gives false until BeginFindText.
  FCurrFindPos = -1;
  FCurrFindRow = FFindDim.Row2 + 1;
  FCurrFindCol = 0;
  FIterValid = false;
  return false;
}

// ---- workbook

TXLSWorkbook::TXLSWorkbook(TXLSClassFactory* factory, TXc12Manager* manager) : FClassFactory(factory), FManager(manager) {}
TXLSWorkbook::~TXLSWorkbook() = default;

TXLSWorksheet* TXLSWorkbook::Add() {
  TXc12DataWorksheets& sheets = FManager->Worksheets();
  TXc12DataWorksheet* data = sheets.Add(-1);
  const size_t count = sheets.Count();
  std::u16string name;
  for (size_t i = 0; i <= 1000 && name.empty(); ++i) {
    const std::string n = std::to_string(i + count);
    std::u16string candidate = FDefaultName + std::u16string(n.begin(), n.end());
    if (sheets.Find(candidate) < 0) name = std::move(candidate);
  }
  if (name.empty()) {
    sheets.Delete(sheets.Count() - 1);
    throw XLSRWException("Can not create unique worksheet name");
  }
  data->FName = name;
  FItems.push_back(std::make_unique<TXLSWorksheet>(FClassFactory, data, FManager, this));
  return FItems.back().get();
}

void TXLSWorkbook::DropSheets() {
  if (FCmdFormat) FCmdFormat->DropTarget();
  FDefaultFormat = -1;
  FItems.clear();
}

TXLSCmdFormat& TXLSWorkbook::Command() {
  if (!FCmdFormat) FCmdFormat = std::make_unique<TXLSCmdFormat>(FManager);
  return *FCmdFormat;
}
TXLSWorkbookData& TXLSWorkbook::WorkbookData() {
  if (!FWorkbookData) FWorkbookData = std::make_unique<TXLSWorkbookData>(&FManager->Workbook().BookViews());
  return *FWorkbookData;
}
TXLSClipboard& TXLSWorkbook::Clipboard() {
  if (!FXLSClipboard) FXLSClipboard = std::make_unique<TXLSClipboard>(FManager);
  return *FXLSClipboard;
}

TXLSOptionsDialog& TXLSWorkbook::Options() {
  if (!FOptions)
    FOptions = std::make_unique<TXLSOptionsDialog>(&FManager->Workbook().CalcPr(), &FManager->Workbook().WorkbookPr());
  return *FOptions;
}

void TXLSWorkbook::Clear() {
  DropSheets();
  if (FOptions) FOptions->Clear();
  FCompiled = false;
  FCurrFindSheet = 0;
}

void TXLSWorkbook::AfterRead() {
  FCompiled = false;
  DropSheets();
  TXc12DataWorksheets& sheets = FManager->Worksheets();
  for (size_t i = 0; i < sheets.Count(); ++i)
    FItems.push_back(std::make_unique<TXLSWorksheet>(FClassFactory, sheets.Items(i), FManager, this));
  // The drawing objects of every sheet that has a drawing (a sheet without one makes none).
  for (auto& sheet : FItems)
    if (sheet->Xc12Sheet().Drawing())
      if (TXLSDrawingLayer* d = sheet->Drawing()) d->AfterRead();
  if (auto* names = dynamic_cast<TXLSNames_Int*>(&FManager->Workbook().DefinedNames())) names->AfterRead();
}

TXLSWorksheet* TXLSWorkbook::SheetByName(std::u16string_view name) const {
  const std::u16string key = kws::AsciiUpperCopy(name);
  for (const auto& s : FItems)
    if (kws::AsciiUpperCopy(s->Name()) == key) return s.get();
  return nullptr;
}

std::vector<uint32_t>& TXLSWorkbook::FindEntryCache(std::u16string_view key, bool fold,
                                                    const TXc12DataSST& sst) {
  TFindEntryCache& c = FFindCache;
  if (c.Key != key || c.Fold != fold || c.Table != &sst || c.Generation != sst.Generation() ||
      c.FirstHit.size() < size_t(sst.TotalCount())) {
    c.Key = key;
    c.Fold = fold;
    c.Table = &sst;
    c.Generation = sst.Generation();
    c.FirstHit.assign(size_t(sst.TotalCount()), 0);
  }
  return c.FirstHit;
}

void TXLSWorkbook::BeginFindText() {
  for (auto& s : FItems) s->BeginFindText();
  FCurrFindSheet = 0;
}

bool TXLSWorkbook::FindText(std::u16string_view text, bool caseInsensitive) {
  while (size_t(FCurrFindSheet) < FItems.size()) {
    if (FItems[size_t(FCurrFindSheet)]->FindText(text, caseInsensitive)) return true;
    ++FCurrFindSheet;
  }
  return false;
}

// ---- relative cell ranges over a sheet

bool TXLSRelCellsImpl::GetAsBoolean(int32_t c, int32_t r) {
  if (!FSheet) return false;
  const TXLSCellType t = FSheet->GetCellType(c, r);
  return (t == TXLSCellType::xctBoolean || t == TXLSCellType::xctBooleanFormula) && FSheet->GetAsBoolean(c, r);
}
double TXLSRelCellsImpl::GetAsFloat(int32_t c, int32_t r) { return FSheet ? FSheet->GetAsFloat(c, r) : 0; }
std::u16string TXLSRelCellsImpl::GetAsString(int32_t c, int32_t r) { return FSheet ? FSheet->GetAsString(c, r) : u""; }
TXc12CellError TXLSRelCellsImpl::GetAsError(int32_t c, int32_t r) {
  if (!FSheet) return TXc12CellError::errUnknown;
  const TXLSCellType t = FSheet->GetCellType(c, r);
  return (t == TXLSCellType::xctError || t == TXLSCellType::xctErrorFormula) ? FSheet->GetAsError(c, r)
                                                                             : TXc12CellError::errUnknown;
}
bool TXLSRelCellsImpl::GetAsBlank(int32_t c, int32_t r) { return FSheet && FSheet->GetAsBlank(c, r); }
bool TXLSRelCellsImpl::GetAsEmpty(int32_t c, int32_t r) { return FSheet && FSheet->GetAsEmpty(c, r); }
std::u16string TXLSRelCellsImpl::GetAsFmtString(int32_t c, int32_t r) { return FSheet ? FSheet->GetAsFmtString(c, r) : u""; }
TXLSCellType TXLSRelCellsImpl::GetCellType(int32_t c, int32_t r) {
  return FSheet ? FSheet->GetCellType(c, r) : TXLSCellType::xctNone;
}


bool TXLSRelCellsImpl::GetIsDateTime(int32_t c, int32_t r) { return FSheet && FSheet->GetIsDateTime(c, r); }

std::unique_ptr<TXLSRelCells> TXLSRelCellsImpl::CreateInstance() const {
  return std::make_unique<TXLSRelCellsImpl>(FSheet);
}

void TXLSRelCellsImpl::Bind(TXLSWorksheet* sheet) {
  FSheet = sheet;
  FCommand = sheet && sheet->Owner() ? &sheet->Owner()->Command().Commands() : nullptr;
}

TXLSWorksheet& TXLSRelCellsImpl::Bound() const {
  if (!FSheet) throw XLSRWException("Cell range is not bound to a worksheet");
  return *FSheet;
}

TXLSCmdFormat& TXLSRelCellsImpl::Cmd() const {
  TXLSWorksheet& sheet = Bound();
  if (!sheet.Owner()) throw XLSRWException("Cell range is not bound to a worksheet");
  return sheet.Owner()->Command();
}

void TXLSRelCellsImpl::ClearAll(int32_t c1, int32_t r1, int32_t c2, int32_t r2) {
  using O = TXLSDeleteOption;
  Bound().DeleteCells(c1, r1, c2, r2,
                      {O::xdoCellValues, O::xdoFormats, O::xdoComments, O::xdoDataValidations,
                       O::xdoConditionalFormats, O::xdoAutofilters, O::xdoDrawing});
}

int32_t TXLSRelCellsImpl::AutoWidthCol(int32_t col) {
  return Bound().AutoWidthCol(col, 0, std::numeric_limits<int32_t>::max());
}

void TXLSRelCellsImpl::BeginCommand() { Cmd().BeginEdit(&Bound()); }
void TXLSRelCellsImpl::ApplyCommand() { Cmd().Apply(FCol1, FRow1, FCol2, FRow2); }
void TXLSRelCellsImpl::ApplyCommand(int32_t c, int32_t r) { ApplyCommand(c, r, c, r); }
void TXLSRelCellsImpl::ApplyCommand(int32_t c1, int32_t r1, int32_t c2, int32_t r2) {
  TXLSCmdFormat& cmd = Cmd();
  cmd.Apply(c1, r1, c2, r2);
  cmd.Clear();
}

bool TXLSRelCellsImpl::ClipToUsedArea(int32_t& c1, int32_t& r1, int32_t& c2, int32_t& r2) {
  if (!FSheet || FSheet->IsEmpty()) return false;  // IsEmpty also computes the used area
  c1 = std::max(c1, FSheet->FirstCol()), r1 = std::max(r1, FSheet->FirstRow());
  c2 = std::min(c2, FSheet->LastCol()), r2 = std::min(r2, FSheet->LastRow());
  return c1 <= c2 && r1 <= r2;
}

template <class F>
void TXLSRelCellsImpl::Write(int32_t c, int32_t r, F&& write) {
  Bound();
  if (FAutoExtend) {
    FCol1 = std::min(FCol1, c), FCol2 = std::max(FCol2, c);
    FRow1 = std::min(FRow1, r), FRow2 = std::max(FRow2, r);
  }
  write(*FSheet);
}

void TXLSRelCellsImpl::SetAsBoolean(int32_t c, int32_t r, bool v) {
  Write(c, r, [&](TXLSWorksheet& s) { s.SetAsBoolean(c, r, v); });
}
void TXLSRelCellsImpl::SetAsFloat(int32_t c, int32_t r, double v) {
  Write(c, r, [&](TXLSWorksheet& s) { s.SetAsFloat(c, r, v); });
}
void TXLSRelCellsImpl::SetAsString(int32_t c, int32_t r, std::u16string_view v) {
  Write(c, r, [&](TXLSWorksheet& s) { s.SetAsString(c, r, v); });
}
void TXLSRelCellsImpl::SetAsError(int32_t c, int32_t r, TXc12CellError v) {
  Write(c, r, [&](TXLSWorksheet& s) { s.SetAsError(c, r, v); });
}
void TXLSRelCellsImpl::SetAsBlank(int32_t c, int32_t r) {
  Write(c, r, [&](TXLSWorksheet& s) { s.SetAsBlank(c, r); });
}
std::unique_ptr<TXLSSharedItemsValue> TXLSRelCellsImpl::GetAsSharedItem(int32_t c, int32_t r) {
  if (!FSheet) return nullptr;
  switch (FSheet->GetCellType(c, r)) {
    case TXLSCellType::xctBlank:
      return std::make_unique<TXLSSharedItemsValueBlank>();
    case TXLSCellType::xctBoolean:
    case TXLSCellType::xctBooleanFormula:
      return std::make_unique<TXLSSharedItemsValueBoolean>(FSheet->GetAsBoolean(c, r));
    case TXLSCellType::xctError:
    case TXLSCellType::xctErrorFormula:
      return std::make_unique<TXLSSharedItemsValueError>(FSheet->GetAsError(c, r));
    case TXLSCellType::xctString:
    case TXLSCellType::xctStringFormula:
      return std::make_unique<TXLSSharedItemsValueString>(FSheet->GetAsString(c, r));
    case TXLSCellType::xctFloat:
    case TXLSCellType::xctFloatFormula:
      if (FSheet->GetIsDateTime(c, r)) return std::make_unique<TXLSSharedItemsValueDate>(FSheet->GetAsFloat(c, r));
      return std::make_unique<TXLSSharedItemsValueNumeric>(FSheet->GetAsFloat(c, r));
    case TXLSCellType::xctNone:
      break;
  }
  return nullptr;
}
void TXLSRelCellsImpl::SetAsSharedItem(int32_t c, int32_t r, const TXLSSharedItemsValue& v) {
  switch (v.Type_()) {
    case TXLSSharedItemsValueType::xsivtBoolean: return SetAsBoolean(c, r, v.AsBoolean());
    case TXLSSharedItemsValueType::xsivtDate: return SetAsFloat(c, r, v.AsDate());
    case TXLSSharedItemsValueType::xsivtError: return SetAsError(c, r, v.AsError());
    case TXLSSharedItemsValueType::xsivtNumeric: return SetAsFloat(c, r, v.AsNumeric());
    case TXLSSharedItemsValueType::xsivtString: return SetAsString(c, r, v.AsString());
    case TXLSSharedItemsValueType::xsivtBlank: return;
  }
}
std::u16string TXLSRelCellsImpl::SheetName() const { return FSheet ? FSheet->Name() : u"???"; }
int32_t TXLSRelCellsImpl::SheetIndex() const { return FSheet ? FSheet->Index() : -1; }

// ---- class factory

std::unique_ptr<TXLSFactoryObject> TXLSClassFactoryImpl::CreateAClass(TXLSClassFactoryType kind, void* owner) {
  switch (kind) {
    case TXLSClassFactoryType::xcftNames: return std::make_unique<TXLSNames_Int>(this, FManager);
    case TXLSClassFactoryType::xcftNamesMember:
      return std::make_unique<TXLSName>(dynamic_cast<TXLSNames*>(static_cast<TXc12DefinedNames*>(owner)));
    case TXLSClassFactoryType::xcftMergedCells: return std::make_unique<TXLSMergedCells>(this);
    case TXLSClassFactoryType::xcftMergedCellsMember: return std::make_unique<TXLSMergedCell>();
    case TXLSClassFactoryType::xcftHyperlinks: {
      auto h = std::make_unique<TXLSHyperlinks>(FManager);
      h->FClassFactory = this;
      return h;
    }
    case TXLSClassFactoryType::xcftHyperlinksMember:
      if (auto* list = dynamic_cast<TXLSHyperlinks*>(static_cast<TXc12Hyperlinks*>(owner)))
        return std::make_unique<TXLSHyperlink>(list);
      return std::make_unique<TXc12Hyperlink>();
    case TXLSClassFactoryType::xcftDataValidations: return std::make_unique<TXc12DataValidations>(this);
    case TXLSClassFactoryType::xcftDataValidationsMember: return std::make_unique<TXLSDataValidation>();
    case TXLSClassFactoryType::xcftAutofilter:
      return std::make_unique<TXLSAutofilter>(
          this, FManager ? dynamic_cast<TXLSNames*>(&FManager->Workbook().DefinedNames()) : nullptr,
          static_cast<TXc12DataWorksheet*>(owner));
    case TXLSClassFactoryType::xcftAutofilterColumn: return std::make_unique<TXLSAutofilterColumn>();
    case TXLSClassFactoryType::xcftConditionalFormats: return std::make_unique<TXLSConditionalFormats>(this);
    case TXLSClassFactoryType::xcftConditionalFormat: return std::make_unique<TXLSConditionalFormat>(FManager, nullptr);
    case TXLSClassFactoryType::xcftVirtualCells: return std::make_unique<TXLSRelCellsImpl>(nullptr);
    case TXLSClassFactoryType::xcftDrawing:
      if (owner && DefaultDrawingFactory().NewDocument)
        return DefaultDrawingFactory().NewDocument(*static_cast<TXc12GraphicManager*>(owner));
      return nullptr;
    default: return nullptr;
  }
}

// ---- component

TXLSBook::TXLSBook(const FormatSettings& settings) : TXLSWorkbook(nullptr, nullptr) {
  FSettings = settings;
  FErrors = std::make_unique<TXLSErrorManager>();
  FClassFactoryImpl = std::make_unique<TXLSClassFactoryImpl>();
  FManagerOwned = std::make_unique<TXc12Manager>(FClassFactoryImpl.get(), FErrors.get(), settings);
  FClassFactoryImpl->FManager = FManagerOwned.get();
  FManagerOwned->CreateMembers();
  FClassFactory = FClassFactoryImpl.get();
  FManager = FManagerOwned.get();
  FReaders = DefaultXLSBookReaders();
  Clear(1);
}

TXLSBook::~TXLSBook() {
  FMonitor.Stop();
  DropSheets();  // the sheet objects refer into the hub
  FCmdFormat.reset();
  FWorkbookData.reset();
  FOptions.reset();
  FBIFF.reset();
  FFormulaService.reset();
}

void TXLSBook::Clear(int32_t defaultSheets) {
  if (!FKeepMonitor) FMonitor.Stop();
  FManager->Clear();
  TXLSWorkbook::Clear();
  FBIFF.reset();
  FManager->FNames97 = nullptr;  // the tables went with the reader object
  const int32_t n = std::clamp(defaultSheets, 0, 255);
  for (int32_t i = 0; i < n; ++i) Add();
}

bool TXLSBook::StreamHasSignature(std::span<const uint8_t> data, std::span<const uint8_t> signature) {
  return signature.size() <= 16 && data.size() >= signature.size() &&
         std::equal(signature.begin(), signature.end(), data.begin());
}

int TXLSBook::DetectFileType(std::span<const uint8_t> data) {
  static constexpr uint8_t kCfb[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1};
  static constexpr uint8_t kZip[] = {0x50, 0x4B, 0x03, 0x04};
  static constexpr uint8_t kRtf[] = {0x7B, 0x5C, 0x72, 0x74, 0x66};
  if (StreamHasSignature(data, kCfb)) return 1;
  if (StreamHasSignature(data, kZip)) return 2;
  if (StreamHasSignature(data, kRtf)) return 6;
  return 0;
}

void TXLSBook::SetVersion(TExcelVersion version) {
  if (version == Version()) return;
  if (version == TExcelVersion::xvExcel97) {
    const bool content = Count() > 1 || (Count() == 1 && !Items(0)->IsEmpty());
    if (content) FErrors->Warning(u"", XLSERR_WORKBOOK_NOT_EMPTY);
    Clear(1);
    FManager->SetVersion(TExcelVersion::xvExcel97);
    LoadFromStream97(EmptyLegacyWorkbook());
    FManager->StyleSheet().XFEditor().LockAll();
    return;
  }
  // The sheets stay, the legacy reader object goes: nothing may point into it afterwards.
  for (size_t i = 0; i < Count(); ++i) Items(i)->ForgetLegacyDrawing();
  FBIFF.reset();
  FManager->FNames97 = nullptr;
  FManager->FExtNames97 = nullptr;
  FManager->FExtSheet97 = nullptr;
  FManager->SetVersion(TExcelVersion::xvExcel2007);
}

void TXLSBook::SetDirectWrite(bool v) {
  if (v && !FManager->FDirectWrite) FManager->EventCell().FPrevCol = FManager->EventCell().FPrevRow = -1;
  FManager->FDirectWrite = v;
}

bool TXLSBook::SetMonitorFile(bool on) {
  if (!on || FManager->FFilename.empty()) {
    FMonitor.Stop();
    return false;
  }
  return FMonitor.Start(std::filesystem::path(kws::Utf16ToUtf8(FManager->FFilename)));
}

TXLSFileChange TXLSBook::PollMonitorFile() {
  const TXLSFileChange change = FMonitor.Poll();
  if (change != TXLSFileChange::None && FMonitorFileEvent) {
    const TXLSMonitorFileEvent event = FMonitorFileEvent;  // the handler may replace it, reload or clear
    event(*this, change);
  }
  return change;
}

bool TXLSBook::CompressStrings() const { return FManager->SST().CompressStrings(); }
void TXLSBook::SetCompressStrings(bool v) { FManager->SST().SetCompressStrings(v); }

void TXLSBook::BindVirtualCells() {
  for (TXLSRelCells* rc : FManager->VirtualCells()) {
    if (!rc) continue;  // freed by its owner during the load
    rc->FBindSlot = SIZE_MAX;
    auto* impl = dynamic_cast<TXLSRelCellsImpl*>(rc);
    std::u16string sheet, area;
    if (!impl || !SplitSheetRef(rc->Ref_(), sheet, area)) continue;
    TXLSWorksheet* ws = SheetByName(sheet);
    if (!ws) continue;
    impl->Bind(ws);
    int32_t c1, r1, c2, r2;
    if (AreaStrToColRow(area, c1, r1, c2, r2)) rc->FCol1 = c1, rc->FRow1 = r1, rc->FCol2 = c2, rc->FRow2 = r2;
  }
  FManager->VirtualCells().clear();
}

void TXLSBook::AfterReadWork() {
  TXLSWorkbook::AfterRead();
  FManager->AfterRead();
  BindVirtualCells();
  if (FBIFF && FReaders.AfterReadLegacy) FReaders.AfterReadLegacy(*this);
}

template <class F>
void TXLSBook::Load(TExcelVersion version, F&& read) {
  try {
    FManager->SetVersion(version);
    Clear(0);
    FManager->BeforeRead();
    if (FReaders.AttachServices) FReaders.AttachServices(*this);
    read();
    AfterReadWork();
  } catch (...) {
    // Nothing of this file or of the previous one stays to be searched.
    FManager->FIsUpdating = false;
    Clear(0);
    throw;
  }
}

void TXLSBook::RouteLoad(std::span<const uint8_t> data, bool legacyName) {
  const int kind = DetectFileType(data);
  auto legacy = [&] {
    if (!FReaders.ReadLegacy) throw XLSRWException("Legacy workbook reader not available");
    Load(TExcelVersion::xvExcel97, [&] { FReaders.ReadLegacy(*this, data); });
  };
  auto package = [&](std::span<const uint8_t> zip) {
    if (!FReaders.ReadPackage) throw XLSRWException("Workbook package reader not available");
    Load(TExcelVersion::xvExcel2007, [&] { FReaders.ReadPackage(*this, zip); });
  };
  try {
    if (kind == 2) return package(data);
    if (kind == 1) {
      bool isLegacy = false, isEncrypted = false;
      try {
        const kws::CfbStorage root = kws::OpenCompoundView(data);
        isLegacy = root.OpenStream(u"Workbook").has_value() || root.OpenStream(u"Book").has_value();
        isEncrypted = !isLegacy && root.OpenStream(u"EncryptionInfo").has_value();
      } catch (const kws::CfbError& e) {
        throw XLSRWException(e.what());
      }
      if (isLegacy) return legacy();
      if (isEncrypted) {
        if (!FReaders.DecryptPackage) throw XLSRWException("Encrypted workbook reader not available");
        std::u16string password = FManager->FPassword;
        if (password.empty() && FManager->FPasswordEvent) FManager->FPasswordEvent(password);
        std::vector<uint8_t> zip;
        switch (FReaders.DecryptPackage(*this, data, password, zip)) {
          case TXLSCryptoResult::xcrOk: return package(zip);
          case TXLSCryptoResult::xcrMissingPassword: throw XLSRWException("Missing password");
          case TXLSCryptoResult::xcrWrongPassword: throw XLSRWException("Wrong password");
          case TXLSCryptoResult::xcrUnsupportedEncryption: throw XLSRWException("Unsupported encryption");
          default: throw XLSRWException("Unknown crypto error");
        }
      }
      throw XLSRWException("XLSX File read error.");
    }
    if (legacyName) return legacy();  // a bare early file has no signature
    throw XLSRWException("XLSX File read error.");
  } catch (...) {
    // Also the errors raised before a reader started: no previous workbook stays behind.
    Clear(0);
    throw;
  }
}

void TXLSBook::LoadFromBytes(std::span<const uint8_t> data, bool legacyName) { RouteLoad(data, legacyName); }

void TXLSBook::LoadFromStream(std::istream& stream) {
  std::vector<uint8_t> data = kws::ReadStreamBytes(stream);
  RouteLoad(data, false);
}

void TXLSBook::LoadFromStream97(std::span<const uint8_t> data) {
  if (!FReaders.ReadLegacy) {
    Clear(0);
    throw XLSRWException("Legacy workbook reader not available");
  }
  Load(TExcelVersion::xvExcel97, [&] { FReaders.ReadLegacy(*this, data); });
}

void TXLSBook::LoadFromFile(const std::filesystem::path& file) {
  // A reload of the watched file keeps the watch through the clears of the load.
  struct Keep {
    bool& flag;
    ~Keep() { flag = false; }
  } keep{FKeepMonitor};
  if (FMonitor.Active()) {
    std::error_code ec;
    const std::filesystem::path abs = std::filesystem::absolute(file, ec);
    FKeepMonitor = !ec && abs.lexically_normal() == FMonitor.File().lexically_normal();
  }
  FManager->FFilename = kws::Utf8ToUtf16(file.string());
  std::string ext = file.extension().string();
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
  const bool legacyName = ext == ".xls" || ext == ".xlm";
  kws::RegularFile opened(file);  // a FIFO, socket or device is never read
  uint8_t head[8];
  const int64_t got = opened.ReadAt(head, sizeof head, 0);
  if (got < 0) {
    Clear(0);
    throw XLSRWException("Cannot open file \"" + file.string() + "\"");
  }
  // The kind is told from the first bytes before the file is read whole: a compound file, a zip
  // package or (by its name) a bare early file, whose first record is a BOF (0x0009, 0x0209 or
  // 0x0409). Anything else fails at once, whatever its size, with the error its bytes would give.
  const std::span<const uint8_t> first(head, size_t(got));
  const int kind = DetectFileType(first);
  if (kind != 1 && kind != 2 && !(legacyName && got > 0 && head[0] == 0x09))
    return RouteLoad(first, legacyName);
  // A compound file beyond what its sector ids can address fails before its bytes are read.
  if (kind == 1 && opened.size() > kws::kCompoundFileMaxSize) {
    Clear(0);
    throw XLSRWException("compound file: file too large");
  }
  // Mapped, not copied: the readers take what they need from the bytes during the load.
  kws::MappedFile data(std::move(opened));
  if (!data.ok()) {
    Clear(0);
    throw XLSRWException("Cannot open file \"" + file.string() + "\"");
  }
  RouteLoad(data.bytes(), legacyName);
}

}  // namespace xls
