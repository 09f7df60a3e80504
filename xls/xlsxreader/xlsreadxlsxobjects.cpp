#include "xls/xlsxreader/xlsreadxlsxobjects.h"

#include <charconv>
#include <exception>
#include <limits>

#include "platform/textcodec.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsstylesheet.h"
#include "xls/model/xlsworkbookdata.h"
#include "xls/model/xlsworksheetdata.h"
#include "xls/xlsxreader/xlsreadxlsxconv.h"
#include "xls/package/xlspackageopc.h"
#include "xls/package/xlszlib.h"
#include "xls/package/xpgdom.h"
#include "xls/package/xpgvalues.h"
#include "xls/spreadsheetml/xpgparsexlsx.h"

namespace xls {

using namespace xpgxlsx;

namespace {

// An enumeration value of the element classes as the model's enumeration of the same order;
// `def` when the file did not give it (255) or gave one beyond the model's last value.
template <class E>
E EnumOf(uint8_t v, E last, E def) {
  return v <= static_cast<uint8_t>(last) ? static_cast<E>(v) : def;
}

TXLSCellArea AreaOf(std::u16string_view text) {
  TXLSCellArea a;
  AreaStrToCellArea(text, a);
  return a;
}

void ReadSqref(const TStringXpgList& src, TBaseCellAreas& dst) {
  dst.SetDelimitedText(src.GetDelimitedText());
}

// Integer text after trimming blanks; `def` when it is not one or does not fit.
int32_t StrToIntDef(std::u16string_view s, int32_t def) {
  while (!s.empty() && (s.front() == u' ' || s.front() == u'\t' || s.front() == u'\r' || s.front() == u'\n'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == u' ' || s.back() == u'\t' || s.back() == u'\r' || s.back() == u'\n'))
    s.remove_suffix(1);
  if (s.empty() || s.size() > 16) return def;
  char buf[16];
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] > 0x7F) return def;
    buf[i] = static_cast<char>(s[i]);
  }
  const char* first = buf;
  const char* last = buf + s.size();
  if (*first == '+') ++first;
  int32_t v = 0;
  const auto r = std::from_chars(first, last, v);
  return (r.ec == std::errc() && r.ptr == last) ? v : def;
}

// The first child whose name is `local` under any prefix; nullptr when none.
TXpgDOMNode* ChildByLocal(const TXpgDOMNode& node, std::u16string_view local) {
  for (int i = 0; i < node.Count(); ++i)
    if (XmlStripPrefix(node.Items(i)->QName()) == local) return node.Items(i);
  return nullptr;
}

// The next piece of `rest` up to a comma (all of it when none); `rest` keeps what follows.
std::u16string_view SplitAtComma(std::u16string_view& rest) {
  const auto p = rest.find(u',');
  std::u16string_view piece = rest.substr(0, p);
  rest = p == std::u16string_view::npos ? std::u16string_view() : rest.substr(p + 1);
  return piece;
}

// fillcolor: "#" and hexadecimal digits, else decimal text; `def` when neither converts.
int32_t FillColorOf(std::u16string_view s, int32_t def) {
  if (!s.empty() && s.front() == u'#') return XmlHexStrToIntDef(s.substr(1), def);
  return StrToIntDef(s, def);
}

// Closes one of the package's current items (sheet, drawing, table) on every way out of a step.
struct TCurrentItemCloser {
  TOPCItem*& item;
  ~TCurrentItemCloser() {
    if (item) item->Close();
    item = nullptr;
  }
};

// A part read whole; what one load holds this way is capped by the package.
std::vector<uint8_t> ReadBytes(TOPC_XLSX& package, TXLSStream& stream) {
  const std::string s = package.ReadHeld(stream);
  return std::vector<uint8_t>(s.begin(), s.end());
}

}  // namespace

void ReadKeptXml(TOPC_XLSX& package, TXLSStream& stream, std::u16string_view name, TXc12KeptXml& dst,
                 const std::function<void(std::u16string_view)>& warn) {
  dst.Clear();
  dst.FName = name;
  std::vector<uint8_t> bytes = ReadBytes(package, stream);
  auto dom = std::make_unique<TXpgSimpleDOM>();
  try {
    dom->LoadFromUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    dst.FDom = std::move(dom);
  } catch (const std::exception& e) {
    // Kept as it is: nothing of the file is lost, and the load goes on.
    dst.FBytes = std::move(bytes);
    if (warn) warn(u"Part " + std::u16string(name) + u" kept unparsed: " + kws::Utf8ToUtf16(e.what()));
  }
}

TXLSSheetVml::TXLSSheetVml() = default;
TXLSSheetVml::~TXLSSheetVml() = default;

TXLSReadXLSXObjects::TXLSReadXLSXObjects(TXc12Manager& manager, TOPC_XLSX& package,
                                         TXLSFormulaHandler* formulas, TXLSWarningCap* warnings)
    : FManager(manager),
      FPackage(package),
      FFormulas(formulas),
      FWarningCap(warnings ? *warnings : FOwnWarningCap) {}

TXLSReadXLSXObjects::~TXLSReadXLSXObjects() = default;

void TXLSReadXLSXObjects::BindErrors(TXPGDocBase& doc) {
  doc.Errors().OnError = [this](TXpgPErrors& e) { Warning(e.LastErrorText()); };
}

void TXLSReadXLSXObjects::Warning(std::u16string_view text) {
  if (FManager.Errors() && FWarningCap.Take()) FManager.Errors()->Warning(text, XLSWARN_XML_READ);
}

TXLSSheetVml* TXLSReadXLSXObjects::VmlDrawingOf(int32_t sheetIndex) const {
  for (const auto& v : FVmlDrawings)
    if (v->SheetIndex == sheetIndex) return v.get();
  return nullptr;
}

// ---- the worksheet's own elements -------------------------------------------------------------

void TXLSReadXLSXObjects::ReadWorksheetObjects(const TCT_Worksheet& src, TXc12DataWorksheet& sheet) {
  // Sheet properties.
  if (const TCT_SheetPr* pr = src.SheetPr(); pr && pr->Available()) {
    TXc12SheetPr& d = sheet.SheetPr();
    d.FSyncHorizontal = pr->SyncHorizontal();
    d.FSyncVertical = pr->SyncVertical();
    d.FSyncRef = AreaOf(pr->SyncRef());
    d.FTransitionEvaluation = pr->TransitionEvaluation();
    d.FTransitionEntry = pr->TransitionEntry();
    d.FPublished_ = pr->Published_();
    d.FCodeName = pr->CodeName();
    d.FFilterMode = pr->FilterMode();
    d.FEnableFormatConditionsCalculation = pr->EnableFormatConditionsCalculation();
    if (pr->TabColor()) d.FTabColor = ReadColor(*pr->TabColor());
    if (const TCT_OutlinePr* o = pr->OutlinePr(); o && o->Available()) {
      d.FApplyStyles = o->ApplyStyles();
      d.FSummaryBelow = o->SummaryBelow();
      d.FSummaryRight = o->SummaryRight();
      d.FShowOutlineSymbols = o->ShowOutlineSymbols();
    }
    if (const TCT_PageSetUpPr* p = pr->PageSetUpPr(); p && p->Available()) {
      d.FAutoPageBreaks = p->AutoPageBreaks();
      d.FFitToPage = p->FitToPage();
    }
  }

  // Dimension: always written; without the element all bounds are -1.
  sheet.SetDimension(
      AreaOf(src.Dimension() ? std::u16string_view(src.Dimension()->Ref()) : std::u16string_view()));

  if (src.SheetViews() && src.SheetViews()->Available())
    ReadSheetViews(*src.SheetViews(), sheet.SheetViews());

  if (const TCT_SheetFormatPr* f = src.SheetFormatPr()) {
    TXc12SheetFormatPr& d = sheet.SheetFormatPr();
    d.FBaseColWidth = f->BaseColWidth();
    d.FDefaultColWidth = f->DefaultColWidth();
    sheet.Columns().FDefColWidth = f->DefaultColWidth();
    d.FDefaultRowHeight = f->DefaultRowHeight() * 20;
    d.FCustomHeight = f->CustomHeight();
    d.FZeroHeight = f->ZeroHeight();
    d.FThickTop = f->ThickTop();
    d.FThickBottom = f->ThickBottom();
    d.FOutlineLevelRow = f->OutlineLevelRow();
    d.FOutlineLevelCol = f->OutlineLevelCol();
  }

  if (src.SheetCalcPr()) sheet.SheetCalcPr().FFullCalcOnLoad = src.SheetCalcPr()->FullCalcOnLoad();

  if (const TCT_SheetProtection* p = src.SheetProtection()) {
    TXc12SheetProtection& d = sheet.SheetProtection();
    d.FPassword = static_cast<uint16_t>(p->Password());
    d.FSheet = p->Sheet();
    d.FObjects = p->Objects();
    d.FScenarios = p->Scenarios();
    d.FFormatCells = p->FormatCells();
    d.FFormatColumns = p->FormatColumns();
    d.FFormatRows = p->FormatRows();
    d.FInsertColumns = p->InsertColumns();
    d.FInsertRows = p->InsertRows();
    d.FInsertHyperlinks = p->InsertHyperlinks();
    d.FDeleteColumns = p->DeleteColumns();
    d.FDeleteRows = p->DeleteRows();
    d.FSelectLockedCells = p->SelectLockedCells();
    d.FSort = p->Sort();
    d.FAutoFilter = p->AutoFilter();
    d.FPivotTables = p->PivotTables();
    d.FSelectUnlockedCells = p->SelectUnlockedCells();
  }

  if (src.ProtectedRanges())
    for (const auto& r : *src.ProtectedRanges()->ProtectedRangeXpgList()) {
      auto d = std::make_unique<TXc12ProtectedRange>();
      d->FPassword = r->Password();
      ReadSqref(r->SqrefXpgList(), d->FSqref);
      d->FName = r->Name();
      d->FSecurityDescriptor = r->SecurityDescriptor();
      sheet.ProtectedRanges().push_back(std::move(d));
    }

  if (const TCT_Scenarios* sc = src.Scenarios(); sc && sc->ScenarioXpgList()->Count() > 0) {
    TXc12Scenarios& d = sheet.Scenarios();
    d.FCurrent = sc->Current();
    d.FShow = sc->Show();
    ReadSqref(sc->SqrefXpgList(), d.FSqref);
    for (const auto& x : *sc->ScenarioXpgList()) {
      TXc12Scenario* e = d.Add();
      e->FName = x->Name();
      e->FLocked = x->Locked();
      e->FHidden = x->Hidden();
      e->FUser = x->User();
      e->FComment = x->Comment();
      for (const auto& c : *x->InputCellsXpgList()) {
        TXc12InputCell* i = e->FInputCells.Add(c->R());
        i->FDeleted = c->Deleted();
        i->FUndone = c->Undone();
        i->FVal = c->Val();
        i->FNumFmtId = c->NumFmtId();
      }
    }
  }

  if (src.AutoFilter() && src.AutoFilter()->Available())
    ReadAutoFilter(*src.AutoFilter(), sheet.Autofilter());
  if (src.SortState() && src.SortState()->Available()) ReadSortState(*src.SortState(), sheet.SortState());
  if (const TCT_DataConsolidate* dc = src.DataConsolidate(); dc && dc->Available()) {
    TXc12DataConsolidate& d = sheet.DataConsolidate();
    d.FFunction = EnumOf(dc->Function_(), TXc12DataConsolidateFunction::x12dcfVarp,
                         TXc12DataConsolidateFunction::x12dcfSum);
    d.FLeftLabels = dc->LeftLabels();
    d.FTopLabels = dc->TopLabels();
    d.FLink = dc->Link();
    if (dc->DataRefs())
      for (const auto& r : *dc->DataRefs()->DataRefXpgList()) {
        TXc12DataRef* e = d.FDataRefs.Add();
        e->FRef = AreaOf(r->Ref());
        e->FName = r->Name();
        e->FSheet = r->Sheet();
        e->FRId = r->R_Id();
      }
  }
  if (src.CustomSheetViews() && src.CustomSheetViews()->CustomSheetViewXpgList()->Count() > 0)
    ReadCustomSheetViews(*src.CustomSheetViews(), sheet.CustomSheetViews());
  if (const TCT_PhoneticPr* ph = src.PhoneticPr(); ph && ph->Available()) {
    TXc12PhoneticPr& d = sheet.PhoneticPr();
    d.FFontId = ph->FontId();
    d.FType =
        EnumOf(ph->Type(), TXc12PhoneticType::x12ptNoConversion, TXc12PhoneticType::x12ptFullwidthKatakana);
    d.FAlignment =
        EnumOf(ph->Alignment(), TXc12PhoneticAlignment::x12paDistributed, TXc12PhoneticAlignment::x12paLeft);
  }
  if (src.ConditionalFormattingXpgList())
    for (const auto& cf : *src.ConditionalFormattingXpgList())
      ReadConditionalFormatting(*cf, *sheet.ConditionalFormatting().AddCF());

  if (const TCT_DataValidations* dvs = src.DataValidations(); dvs && dvs->Available()) {
    sheet.DataValidations().FDisablePrompts = dvs->DisablePrompts();
    sheet.DataValidations().FXWindow = dvs->XWindow();
    sheet.DataValidations().FYWindow = dvs->YWindow();
    for (const auto& v : *dvs->DataValidationXpgList()) {
      TXc12DataValidation* d = sheet.AddDataValidation();
      d->FType_ =
          EnumOf(v->Type_(), TXc12DataValidationType::x12dvtCustom, TXc12DataValidationType::x12dvtNone);
      d->FErrorStyle = EnumOf(v->ErrorStyle(), TXc12DataValidationErrorStyle::x12dvesInformation,
                              TXc12DataValidationErrorStyle::x12dvesStop);
      d->FImeMode = EnumOf(v->ImeMode(), TXc12DataValidationImeMode::x12dvimHalfHangul,
                           TXc12DataValidationImeMode::x12dvimNoControl);
      d->FOperator_ = EnumOf(v->Operator_(), TXc12DataValidationOperator::x12dvoGreaterThanOrEqual,
                             TXc12DataValidationOperator::x12dvoBetween);
      d->FAllowBlank = v->AllowBlank();
      d->FShowDropDown = v->ShowDropDown();
      d->FShowInputMessage = v->ShowInputMessage();
      d->FShowErrorMessage = v->ShowErrorMessage();
      d->FErrorTitle = v->ErrorTitle();
      d->FError = v->Error();
      d->FPromptTitle = v->PromptTitle();
      d->FPrompt = v->Prompt();
      ReadSqref(v->SqrefXpgList(), d->FSqref);
      d->FFormula1 = v->Formula1();
      d->FFormula2 = v->Formula2();
    }
  }

  if (src.PrintOptions() && src.PrintOptions()->Available())
    ReadPrintOptions(*src.PrintOptions(), sheet.PrintOptions());
  if (src.PageMargins() && src.PageMargins()->Available())
    ReadPageMargins(*src.PageMargins(), sheet.PageMargins());
  if (src.PageSetup() && src.PageSetup()->Available()) ReadPageSetup(*src.PageSetup(), sheet.PageSetup());
  if (src.HeaderFooter() && src.HeaderFooter()->Available())
    ReadHeaderFooter(*src.HeaderFooter(), sheet.HeaderFooter());
  if (src.RowBreaks() && src.RowBreaks()->Available()) ReadPageBreaks(*src.RowBreaks(), sheet.RowBreaks());
  if (src.ColBreaks() && src.ColBreaks()->Available()) ReadPageBreaks(*src.ColBreaks(), sheet.ColBreaks());

  if (src.CustomProperties())
    for (const auto& c : *src.CustomProperties()->CustomPrXpgList()) {
      TXc12CustomProperty* d = sheet.CustomProperties().Add();
      d->FName = c->Name();
      d->FRId = c->R_Id();
      ReadCustomPropertyData(*d);
    }

  // A watch whose reference is not one cell is left out rather than put at A1.
  if (src.CellWatches())
    for (const auto& w : *src.CellWatches()->CellWatchXpgList()) {
      int32_t col = 0, row = 0;
      if (RefStrToColRow(w->R(), col, row)) sheet.CellWatches().Add(w->R());
    }

  if (src.IgnoredErrors())
    for (const auto& e : *src.IgnoredErrors()->IgnoredErrorXpgList()) {
      auto d = std::make_unique<TXc12IgnoredError>();
      ReadSqref(e->SqrefXpgList(), d->FSqref);
      d->FEvalError = e->EvalError();
      d->FTwoDigitTextYear = e->TwoDigitTextYear();
      d->FNumberStoredAsText = e->NumberStoredAsText();
      d->FFormula = e->Formula();
      d->FFormulaRange = e->FormulaRange();
      d->FUnlockedFormula = e->UnlockedFormula();
      d->FEmptyCellReference = e->EmptyCellReference();
      d->FListDataValidation = e->ListDataValidation();
      d->FCalculatedColumn = e->CalculatedColumn();
      sheet.IgnoredErrors().push_back(std::move(d));
    }

  if (src.SmartTags() && src.SmartTags()->CellSmartTagsXpgList()->Count() > 0)
    ReadSmartTags(*src.SmartTags(), sheet.SmartTags());

  if (src.OleObjects())
    for (const auto& o : *src.OleObjects()->OleObjectXpgList()) {
      TXc12OleObject* d = sheet.OleObjects().Add();
      d->FProgId = o->ProgId();
      d->FDvAspect =
          EnumOf(o->DvAspect(), TXc12DvAspect::x12daDVASPECT_ICON, TXc12DvAspect::x12daDVASPECT_CONTENT);
      d->FLink = o->Link();
      d->FOleUpdate = EnumOf(o->OleUpdate(), TXc12OleUpdate::x12ouOLEUPDATE_ONCALL,
                             TXc12OleUpdate::x12ouOLEUPDATE_ALWAYS);
      d->FAutoLoad = o->AutoLoad();
      d->FShapeId = o->ShapeId();
      d->FRId = o->R_Id();
    }
  if (src.Controls())
    for (const auto& c : *src.Controls()->ControlXpgList()) {
      TXc12Control* d = sheet.Controls().Add();
      d->FShapeId = c->ShapeId();
      d->FRId = c->R_Id();
      d->FName = c->Name();
    }
  if (src.WebPublishItems()) ReadWebPublishItems(*src.WebPublishItems(), sheet.WebPublishItems());

  // Parts the sheet names.
  if (src.TableParts())
    for (const auto& t : *src.TableParts()->TablePartXpgList()) LoadTable(t->R_Id(), sheet);
  if (src.Drawing() && src.Drawing()->Available()) LoadDrawing(src.Drawing()->R_Id(), sheet);
  if (src.LegacyDrawing() && src.LegacyDrawing()->Available())
    LoadVmlDrawing(src.LegacyDrawing()->R_Id(), sheet);
  LoadPivotTables(sheet);
}

// ---- element readers ----------------------------------------------------------------------------

void TXLSReadXLSXObjects::ReadSheetViews(const TCT_SheetViews& src, TXc12SheetViews& dst) {
  dst.Clear();
  for (const auto& v : *src.SheetViewXpgList()) {
    TXc12SheetView* d = dst.Add();
    d->FWindowProtection = v->WindowProtection();
    d->FShowFormulas = v->ShowFormulas();
    d->FShowGridLines = v->ShowGridLines();
    d->FShowRowColHeaders = v->ShowRowColHeaders();
    d->FShowZeros = v->ShowZeros();
    d->FRightToLeft = v->RightToLeft();
    d->FTabSelected = v->TabSelected();
    d->FShowRuler = v->ShowRuler();
    d->FShowOutlineSymbols = v->ShowOutlineSymbols();
    d->FDefaultGridColor = v->DefaultGridColor();
    d->FShowWhiteSpace = v->ShowWhiteSpace();
    d->FView = EnumOf(v->View(), TXc12SheetViewType::x12svtPageLayout, TXc12SheetViewType::x12svtNormal);
    d->FTopLeftCell = AreaOf(v->TopLeftCell());
    d->FColorId = v->ColorId();
    d->FZoomScale = v->ZoomScale();
    d->FZoomScaleNormal = v->ZoomScaleNormal();
    d->FZoomScaleSheetLayoutView = v->ZoomScaleSheetLayoutView();
    d->FZoomScalePageLayoutView = v->ZoomScalePageLayoutView();
    d->FWorkbookViewId = v->WorkbookViewId();
    if (v->Pane() && v->Pane()->Available()) ReadPane(*v->Pane(), d->FPane);
    for (const auto& s : *v->SelectionXpgList()) {
      d->FSelection.push_back(std::make_unique<TXc12Selection>());
      ReadSelection(*s, *d->FSelection.back());
    }
    for (const auto& p : *v->PivotSelectionXpgList()) {
      d->FPivotSelection.push_back(std::make_unique<TXc12PivotSelection>());
      ReadPivotSelection(*p, *d->FPivotSelection.back());
    }
  }
}

void TXLSReadXLSXObjects::ReadPivotSelection(const TCT_PivotSelection& src, TXc12PivotSelection& dst) {
  dst.FPane = EnumOf(src.Pane(), TXc12PaneEnum::x12pTopLeft, TXc12PaneEnum::x12pTopLeft);
  dst.FShowHeader = src.ShowHeader();
  dst.FLabel_ = src.Label();
  dst.FData = src.Data();
  dst.FExtendable = src.Extendable();
  dst.FAxis = EnumOf(src.Axis(), TXc12Axis::x12aAxisValues, TXc12Axis::x12aUnknown);
  dst.FDimension = src.Dimension();
  dst.FStart = src.Start();
  dst.FMin = src.Min();
  dst.FMax = src.Max();
  dst.FActiveRow = src.ActiveRow();
  dst.FActiveCol = src.ActiveCol();
  dst.FPreviousRow = src.PreviousRow();
  dst.FPreviousCol = src.PreviousCol();
  dst.FClick = src.Click();
  dst.FRId = src.R_Id();
  const TCT_PivotArea* a = src.PivotArea();
  if (!a) return;
  TXc12PivotArea& d = dst.FPivotArea;
  d.FField = a->Field();
  d.FType_ = EnumOf(a->Type_(), TXc12PivotAreaType::x12patTopRight, TXc12PivotAreaType::x12patNormal);
  d.FDataOnly = a->DataOnly();
  d.FLabelOnly = a->LabelOnly();
  d.FGrandRow = a->GrandRow();
  d.FGrandCol = a->GrandCol();
  d.FCacheIndex = a->CacheIndex();
  d.FOutline = a->Outline();
  d.FOffset = AreaOf(a->Offset());
  d.FCollapsedLevelsAreSubtotals = a->CollapsedLevelsAreSubtotals();
  d.FAxis = EnumOf(a->Axis(), TXc12Axis::x12aAxisValues, TXc12Axis::x12aUnknown);
  d.FFieldPosition = a->FieldPosition();
  if (!a->References()) return;
  for (const auto& r : *a->References()->ReferenceXpgList()) {
    auto e = std::make_unique<TXc12PivotAreaReference>();
    e->FField = r->Field();
    e->FSelected = r->Selected();
    e->FByPosition = r->ByPosition();
    e->FRelative = r->Relative();
    e->FDefaultSubtotal = r->DefaultSubtotal();
    e->FSumSubtotal = r->SumSubtotal();
    e->FCountASubtotal = r->CountASubtotal();
    e->FAvgSubtotal = r->AvgSubtotal();
    e->FMaxSubtotal = r->MaxSubtotal();
    e->FMinSubtotal = r->MinSubtotal();
    e->FProductSubtotal = r->ProductSubtotal();
    e->FCountSubtotal = r->CountSubtotal();
    e->FStdDevSubtotal = r->StdDevSubtotal();
    e->FStdDevPSubtotal = r->StdDevPSubtotal();
    e->FVarSubtotal = r->VarSubtotal();
    e->FVarPSubtotal = r->VarPSubtotal();
    for (const auto& x : *r->XXpgList()) e->FValues.push_back(x->V());
    d.FReferences.push_back(std::move(e));
  }
}

void TXLSReadXLSXObjects::ReadWebPublishItems(const TCT_WebPublishItems& src, TXc12WebPublishItems& dst) {
  for (const auto& w : *src.WebPublishItemXpgList()) {
    TXc12WebPublishItem* d = dst.Add();
    d->FId = w->Id();
    d->FDivId = w->DivId();
    d->FSourceType =
        EnumOf(w->SourceType(), TXc12WebSourceType::x12wstLabel, TXc12WebSourceType::x12wstSheet);
    d->FSourceRef.SetAsString(w->SourceRef());
    d->FSourceObject = w->SourceObject();
    d->FDestinationFile = w->DestinationFile();
    d->FTitle = w->Title();
    d->FAutoRepublish = w->AutoRepublish();
  }
}

void TXLSReadXLSXObjects::ReadCustomPropertyData(TXc12CustomProperty& dst) {
  if (dst.FRId.empty()) return;
  // The property's data is only kept: a part the package cannot give is a warning.
  try {
    if (auto stream = FPackage.ReadCustomProperty(dst.FRId))
      dst.FData = ReadBytes(FPackage, *stream);
    else
      Warning(u"Custom property part " + dst.FRId + u" not found");
  } catch (const std::exception& e) {
    Warning(u"Custom property part " + dst.FRId + u" not read: " + kws::Utf8ToUtf16(e.what()));
  }
}

void TXLSReadXLSXObjects::ReadPane(const TCT_Pane& src, TXc12Pane& dst) {
  dst.FXSplit = src.XSplit();
  dst.FYSplit = src.YSplit();
  dst.FTopLeftCell = AreaOf(src.TopLeftCell());
  dst.FActivePane = EnumOf(src.ActivePane(), TXc12PaneEnum::x12pTopLeft, TXc12PaneEnum::x12pTopLeft);
  dst.FState = EnumOf(src.State(), TXc12PaneState::x12psFrozenSplit, TXc12PaneState::x12psSplit);
}

void TXLSReadXLSXObjects::ReadSelection(const TCT_Selection& src, TXc12Selection& dst) {
  dst.FPane = EnumOf(src.Pane(), TXc12PaneEnum::x12pTopLeft, TXc12PaneEnum::x12pTopLeft);
  dst.FActiveCell = AreaOf(src.ActiveCell());
  dst.FActiveCellId = src.ActiveCellId();
  if (src.SqrefXpgList().Count() > 0) ReadSqref(src.SqrefXpgList(), dst.FSQRef);
}

void TXLSReadXLSXObjects::ReadAutoFilter(const TCT_AutoFilter& src, TXc12AutoFilter& dst) {
  dst.FRef = AreaOf(src.Ref());
  for (const auto& c : *src.FilterColumnXpgList()) {
    TXc12FilterColumn* d = dst.AddColumn();
    d->FColId = c->ColId();
    d->FHiddenButton = c->HiddenButton();
    d->FShowButton = c->ShowButton();
    if (const TCT_Filters* f = c->Filters(); f && f->Available()) {
      for (const auto& v : *f->FilterXpgList()) d->FFilters.push_back(v->Val());
      d->FBlank = f->Blank();
      d->FCalendarType = EnumOf(f->CalendarType(), TXc12CalendarType::x12ctGregorianXlitEnglish,
                                TXc12CalendarType::x12ctNone);
      for (const auto& g : *f->DateGroupItemXpgList()) {
        TXc12DateGroupItem x;
        x.FYear = g->Year();
        x.FMonth = g->Month();
        x.FDay = g->Day();
        x.FHour = g->Hour();
        x.FMinute = g->Minute();
        x.FSecond = g->Second();
        x.FDateTimeGrouping = EnumOf(g->DateTimeGrouping(), TXc12DateTimeGrouping::x12dtgSecond,
                                     TXc12DateTimeGrouping::x12dtgYear);
        d->FDateGroupItems.push_back(x);
      }
    }
    if (const TCT_Top10* t = c->Top10(); t && t->Available()) {
      d->FTop10.FAssigned = true;
      d->FTop10.FTop = t->Top();
      d->FTop10.FPercent = t->Percent();
      d->FTop10.FVal = t->Val();
      d->FTop10.FFilterVal = t->FilterVal();
    }
    // Two conditions at most; further ones are ignored.
    if (const TCT_CustomFilters* cf = c->CustomFilters(); cf && cf->CustomFilterXpgList()->Count() > 0) {
      d->FCustomAnd = cf->And();
      for (const auto& v : *cf->CustomFilterXpgList()) {
        if (d->FCustomFilters.size() == 2) break;
        TXc12CustomFilter x;
        x.FOperator =
            EnumOf(v->Operator_(), TXc12FilterOperator::x12foGreaterThan, TXc12FilterOperator::x12foEqual);
        x.FVal = v->Val();
        d->FCustomFilters.push_back(std::move(x));
      }
    }
    if (const TCT_DynamicFilter* df = c->DynamicFilter(); df && df->Available()) {
      d->FDynamicFilter.FType_ =
          EnumOf(df->Type_(), TXc12DynamicFilterType::x12dftM12, TXc12DynamicFilterType::x12dftUnset);
      d->FDynamicFilter.FVal = df->Val();
      d->FDynamicFilter.FMaxVal = df->MaxVal();
    }
    if (const TCT_ColorFilter* cf = c->ColorFilter(); cf && cf->Available()) {
      const TXc12DXFs& dxfs = FManager.StyleSheet().DXFs();
      const int32_t dxf = cf->DxfId();
      d->FColorFilter.FAssigned = true;
      d->FColorFilter.FDxfId = dxf;
      d->FColorFilter.FDXF = dxf >= 0 && static_cast<size_t>(dxf) < dxfs.Count()
                                 ? dxfs.Items(static_cast<size_t>(dxf))
                                 : nullptr;
      d->FColorFilter.FCellColor = cf->CellColor();
    }
    if (const TCT_IconFilter* icf = c->IconFilter(); icf && icf->Available()) {
      d->FIconFilter.FAssigned = true;
      d->FIconFilter.FIconSet =
          EnumOf(icf->IconSet(), TXc12IconSetType::x12ist5Quarters, TXc12IconSetType::x12ist3Arrows);
      d->FIconFilter.FIconId = icf->IconId();
    }
  }
  if (src.SortState() && src.SortState()->Available()) ReadSortState(*src.SortState(), *dst.FSortState);
}

void TXLSReadXLSXObjects::ReadSortState(const TCT_SortState& src, TXc12SortState& dst) {
  dst.FColumnSort = src.ColumnSort();
  dst.FCaseSensitive = src.CaseSensitive();
  dst.FSortMethod = EnumOf(src.SortMethod(), TXc12SortMethod::x12smNone, TXc12SortMethod::x12smNone);
  dst.FRef = AreaOf(src.Ref());
  for (const auto& c : *src.SortConditionXpgList()) {
    TXc12SortCondition* d = dst.SortConditions().Add();
    d->FDescending = c->Descending();
    d->FSortBy = EnumOf(c->SortBy(), TXc12SortBy::x12sbIcon, TXc12SortBy::x12sbValue);
    d->FRef = AreaOf(c->Ref());
    d->FCustomList = c->CustomList();
    d->FDxfId = c->DxfId() >= 0 ? c->DxfId() : -1;
    d->FIconSet = EnumOf(c->IconSet(), TXc12IconSetType::x12ist5Quarters, TXc12IconSetType::x12ist3Arrows);
    d->FIconId = c->IconId();
  }
}

void TXLSReadXLSXObjects::ReadCustomSheetViews(const TCT_CustomSheetViews& src, TXc12CustomSheetViews& dst) {
  for (const auto& v : *src.CustomSheetViewXpgList()) {
    TXc12CustomSheetView* d = dst.Add();
    d->FGuid = v->Guid();
    d->FScale = v->Scale();
    d->FColorId = v->ColorId();
    d->FShowPageBreaks = v->ShowPageBreaks();
    d->FShowFormulas = v->ShowFormulas();
    d->FShowGridLines = v->ShowGridLines();
    d->FShowRowCol = v->ShowRowCol();
    d->FOutlineSymbols = v->OutlineSymbols();
    d->FZeroValues = v->ZeroValues();
    d->FFitToPage = v->FitToPage();
    d->FPrintArea = v->PrintArea();
    d->FFilter = v->Filter();
    d->FShowAutoFilter = v->ShowAutoFilter();
    d->FHiddenRows = v->HiddenRows();
    d->FHiddenColumns = v->HiddenColumns();
    d->FState = EnumOf(v->State(), TXc12SheetState::x12ssVeryHidden, TXc12SheetState::x12ssVisible);
    d->FFilterUnique = v->FilterUnique();
    d->FView = EnumOf(v->View(), TXc12SheetViewType::x12svtPageLayout, TXc12SheetViewType::x12svtNormal);
    d->FShowRuler = v->ShowRuler();
    d->FTopLeftCell = AreaOf(v->TopLeftCell());
    if (v->Pane() && v->Pane()->Available()) ReadPane(*v->Pane(), *d->FPane);
    if (v->Selection() && v->Selection()->Available()) ReadSelection(*v->Selection(), *d->FSelection);
    if (v->RowBreaks() && v->RowBreaks()->BrkXpgList()->Count() > 0)
      ReadPageBreaks(*v->RowBreaks(), *d->FRowBreaks);
    if (v->ColBreaks() && v->ColBreaks()->BrkXpgList()->Count() > 0)
      ReadPageBreaks(*v->ColBreaks(), *d->FColBreaks);
    if (v->PageMargins() && v->PageMargins()->Available())
      ReadPageMargins(*v->PageMargins(), *d->FPageMargins);
    if (v->PrintOptions() && v->PrintOptions()->Available())
      ReadPrintOptions(*v->PrintOptions(), *d->FPrintOptions);
    if (v->PageSetup() && v->PageSetup()->Available()) ReadPageSetup(*v->PageSetup(), *d->FPageSetup);
    if (v->HeaderFooter() && v->HeaderFooter()->Available())
      ReadHeaderFooter(*v->HeaderFooter(), *d->FHeaderFooter);
    if (v->AutoFilter() && v->AutoFilter()->Available()) ReadAutoFilter(*v->AutoFilter(), *d->FAutoFilter);
  }
}

void TXLSReadXLSXObjects::ReadConditionalFormatting(const TCT_ConditionalFormatting& src,
                                                    TXc12ConditionalFormatting& dst) {
  dst.FPivot = src.Pivot();
  ReadSqref(src.SqrefXpgList(), *dst.FSQRef);
  TXc12DXFs& dxfs = FManager.StyleSheet().DXFs();
  for (const auto& r : *src.CfRuleXpgList()) {
    TXc12CfRule* d = dst.CfRules().Add();
    d->FType_ = EnumOf(r->Type_(), TXc12CfType::x12ctAboveAverage, d->FType_);
    // A number the style sheet does not hold leaves the rule without a differential format.
    const int32_t dxf = r->DxfId();
    d->FDXF =
        dxf >= 0 && static_cast<size_t>(dxf) < dxfs.Count() ? dxfs.Items(static_cast<size_t>(dxf)) : nullptr;
    d->FPriority = r->Priority();
    d->FStopIfTrue = r->StopIfTrue();
    d->FAboveAverage = r->AboveAverage();
    d->FPercent = r->Percent();
    d->FBottom = r->Bottom();
    d->FOperator = EnumOf(r->Operator_(), TXc12ConditionalFormattingOperator::x12cfoEndsWith, d->FOperator);
    d->FText = r->Text();
    d->FTimePeriod = EnumOf(r->TimePeriod(), TXc12TimePeriod::x12tpNextWeek, d->FTimePeriod);
    d->FRank = r->Rank();
    d->FStdDev = r->StdDev();
    d->FEqualAverage = r->EqualAverage();
    // The first three formulas; further ones are ignored.
    const TStringXpgList& formulas = r->FormulaXpgList();
    for (int i = 0; i < formulas.Count() && i < 3; ++i) d->SerFormulas(i, formulas.GetItems(i));
    if (const TCT_ColorScale* cs = r->ColorScale(); cs && cs->Available()) {
      for (const auto& c : *cs->CfvoXpgList()) ReadCfvo(*c, *d->FColorScale->Cfvos().Add());
      ReadColorList(*cs->ColorXpgList(), d->FColorScale->Colors());
    }
    if (const TCT_DataBar* db = r->DataBar(); db && db->Available()) {
      d->FDataBar->FMinLength = db->MinLength();
      d->FDataBar->FMaxLength = db->MaxLength();
      d->FDataBar->FShowValue = db->ShowValue();
      const TCT_CfvoXpgList& cfvos = *db->CfvoXpgList();
      if (cfvos.Count() > 0) ReadCfvo(*cfvos.GetItems(0), *d->FDataBar->FCfvo1);
      if (cfvos.Count() > 1) ReadCfvo(*cfvos.GetItems(1), *d->FDataBar->FCfvo2);
      if (db->Color() && db->Color()->Available()) d->FDataBar->FColor = ReadColor(*db->Color());
    }
    if (const TCT_IconSet* is = r->IconSet(); is && is->Available()) {
      d->FIconSet->FIconSet =
          EnumOf(is->IconSet(), TXc12IconSetType::x12ist5Quarters, TXc12IconSetType::x12ist3TrafficLights1);
      d->FIconSet->FShowValue = is->ShowValue();
      d->FIconSet->FPercent = is->Percent();
      d->FIconSet->FReverse = is->Reverse();
      for (const auto& c : *is->CfvoXpgList()) ReadCfvo(*c, *d->FIconSet->Cfvos().Add());
    }
  }
}

void TXLSReadXLSXObjects::ReadCfvo(const TCT_Cfvo& src, TXc12Cfvo& dst) {
  dst.FType = EnumOf(src.Type_(), TXc12CfvoType::x12ctPercentile, dst.FType);
  dst.FVal = src.Val();
  dst.FGte = src.Gte();
}

void TXLSReadXLSXObjects::ReadColorList(const TXpgList<TCT_Color>& src, TXc12Colors& dst) {
  for (const auto& c : src) dst.Add(ReadColor(*c));
}

void TXLSReadXLSXObjects::ReadSmartTags(const TCT_SmartTags& src, TXc12SmartTags& dst) {
  for (const auto& cell : *src.CellSmartTagsXpgList()) {
    TXc12CellSmartTags* d = dst.Add();
    d->FRef->SetAsString(cell->R());
    for (const auto& tag : *cell->CellSmartTagXpgList()) {
      TXc12CellSmartTag* t = d->Add();
      t->FType_ = tag->Type_();
      t->FDeleted = tag->Deleted();
      t->FXmlBased = tag->XmlBased();
      for (const auto& pr : *tag->CellSmartTagPrXpgList()) {
        TXc12CellSmartTagPr* p = t->Add();
        p->FKey = pr->Key();
        p->FVal = pr->Val();
      }
    }
  }
}

void TXLSReadXLSXObjects::ReadPrintOptions(const TCT_PrintOptions& src, TXc12PrintOptions& dst) {
  dst.FHorizontalCentered = src.HorizontalCentered();
  dst.FVerticalCentered = src.VerticalCentered();
  dst.FHeadings = src.Headings();
  dst.FGridLines = src.GridLines();
  dst.FGridLinesSet = src.GridLinesSet();
}

void TXLSReadXLSXObjects::ReadPageMargins(const TCT_PageMargins& src, TXc12PageMargins& dst) {
  dst.FLeft = src.Left();
  dst.FRight = src.Right();
  dst.FTop = src.Top();
  dst.FBottom = src.Bottom();
  dst.FHeader = src.Header();
  dst.FFooter = src.Footer();
}

void TXLSReadXLSXObjects::ReadPageSetup(const TCT_PageSetup& src, TXc12PageSetup& dst) {
  // Paper codes beyond the model's list (printer-specific sizes) keep the default.
  if (src.PaperSize() >= 0 && src.PaperSize() <= static_cast<int32_t>(TXc12PaperSize::psA3ExtraTransverse))
    dst.FPaperSize = static_cast<TXc12PaperSize>(src.PaperSize());
  dst.FScale = src.Scale();
  dst.FFirstPageNumber = src.FirstPageNumber();
  dst.FFitToWidth = src.FitToWidth();
  dst.FFitToHeight = src.FitToHeight();
  dst.FPageOrder =
      EnumOf(src.PageOrder(), TXc12PageOrder::x12poOverThenDown, TXc12PageOrder::x12poDownThenOver);
  dst.FOrientation =
      EnumOf(src.Orientation(), TXc12Orientation::x12oLandscape, TXc12Orientation::x12oDefault);
  dst.FUsePrinterDefaults = src.UsePrinterDefaults();
  dst.FBlackAndWhite = src.BlackAndWhite();
  dst.FDraft = src.Draft();
  dst.FCellComments = EnumOf(src.CellComments(), TXc12CellComments::x12ccAtEnd, TXc12CellComments::x12ccNone);
  dst.FUseFirstPageNumber = src.UseFirstPageNumber();
  dst.FErrors = EnumOf(src.Errors(), TXc12PrintError::x12peNA, TXc12PrintError::x12peDisplayed);
  dst.FHorizontalDpi = src.HorizontalDpi();
  dst.FVerticalDpi = src.VerticalDpi();
  dst.FCopies = src.Copies();
  dst.FRId = src.R_Id();
  // The printer's own settings are only kept: a part the package cannot give is a warning.
  if (!src.R_Id().empty()) try {
      if (auto stream = FPackage.ReadPrinterSettings(src.R_Id()))
        dst.FPrinterSettings = ReadBytes(FPackage, *stream);
    } catch (const std::exception& e) {
      Warning(u"Printer settings " + src.R_Id() + u" not read: " + kws::Utf8ToUtf16(e.what()));
    }
}

void TXLSReadXLSXObjects::ReadHeaderFooter(const TCT_HeaderFooter& src, TXc12HeaderFooter& dst) {
  dst.FDifferentOddEven = src.DifferentOddEven();
  dst.FDifferentFirst = src.DifferentFirst();
  dst.FScaleWithDoc = src.ScaleWithDoc();
  dst.FAlignWithMargins = src.AlignWithMargins();
  dst.FOddHeader = src.OddHeader();
  dst.FOddFooter = src.OddFooter();
  dst.FEvenHeader = src.EvenHeader();
  dst.FEvenFooter = src.EvenFooter();
  dst.FFirstHeader = src.FirstHeader();
  dst.FFirstFooter = src.FirstFooter();
}

void TXLSReadXLSXObjects::ReadPageBreaks(const TCT_PageBreak& src, std::vector<TXc12Break>& dst) {
  for (const auto& b : *src.BrkXpgList())
    dst.push_back({b->Id(), b->Min(), b->Max(), b->Man() != 0, b->Pt() != 0});
}

// ---- parts named by the sheet -------------------------------------------------------------------

void TXLSReadXLSXObjects::LoadTable(std::u16string_view rId, TXc12DataWorksheet& sheet) {
  TCurrentItemCloser closer{FPackage.FCurrTable};
  auto stream = FPackage.ReadTable(rId);
  TXPGDocXLSX doc;
  BindErrors(doc);
  doc.LoadFromStream(*stream);
  stream.reset();
  const TCT_Table* t = doc.Table();
  if (!t) return;

  TXc12Table* d = sheet.Tables().Add();
  d->FId = t->Id();
  d->FName = t->Name();
  d->FDisplayName = t->DisplayName();
  d->FComment = t->Comment();
  d->FRef = AreaOf(t->Ref());
  d->FTableType = EnumOf(t->TableType(), TXc12TableType::x12ttQueryTable, TXc12TableType::x12ttWorksheet);
  d->FHeaderRowCount = t->HeaderRowCount();
  d->FInsertRow = t->InsertRow();
  d->FInsertRowShift = t->InsertRowShift();
  d->FTotalsRowCount = t->TotalsRowCount();
  d->FTotalsRowShown = t->TotalsRowShown();
  d->FPublished = t->Published();
  d->FHeaderRowDxfId = t->HeaderRowDxfId();
  d->FDataDxfId = t->DataDxfId();
  d->FTotalsRowDxfId = t->TotalsRowDxfId();
  d->FHeaderRowBorderDxfId = t->HeaderRowBorderDxfId();
  d->FTableBorderDxfId = t->TableBorderDxfId();
  d->FTotalsRowBorderDxfId = t->TotalsRowBorderDxfId();
  d->FHeaderRowCellStyle = t->HeaderRowCellStyle();
  d->FDataCellStyle = t->DataCellStyle();
  d->FTotalsRowCellStyle = t->TotalsRowCellStyle();
  d->FConnectionId = t->ConnectionId();
  if (t->AutoFilter() && t->AutoFilter()->Available()) ReadAutoFilter(*t->AutoFilter(), *d->FAutoFilter);
  if (t->SortState() && t->SortState()->Available()) ReadSortState(*t->SortState(), *d->FSortState);
  if (t->TableColumns())
    for (const auto& c : *t->TableColumns()->TableColumnXpgList()) {
      TXc12TableColumn* dc = d->AddColumn();
      dc->FId = c->Id();
      dc->FUniqueName = c->UniqueName();
      dc->FName = c->Name();
      dc->FTotalsRowFunction = EnumOf(c->TotalsRowFunction(), TXc12TotalsRowFunction::x12trfCustom,
                                      TXc12TotalsRowFunction::x12trfNone);
      dc->FTotalsRowLabel = c->TotalsRowLabel();
      dc->FQueryTableFieldId = c->QueryTableFieldId();
      dc->FHeaderRowDxfId = c->HeaderRowDxfId();
      dc->FDataDxfId = c->DataDxfId();
      dc->FTotalsRowDxfId = c->TotalsRowDxfId();
      dc->FHeaderRowCellStyle = c->HeaderRowCellStyle();
      dc->FDataCellStyle = c->DataCellStyle();
      dc->FTotalsRowCellStyle = c->TotalsRowCellStyle();
      if (const TCT_TableFormula* f = c->CalculatedColumnFormula(); f && f->Available()) {
        dc->FCalculatedColumnFormula = f->Content();
        dc->FCalculatedColumnArray = f->Array();
      }
      if (const TCT_TableFormula* f = c->TotalsRowFormula(); f && f->Available()) {
        dc->FTotalsRowFormula = f->Content();
        dc->FTotalsRowArray = f->Array();
      }
      if (const TCT_XmlColumnPr* x = c->XmlColumnPr(); x && x->Available()) {
        dc->FXmlColumnPr.FAssigned = true;
        dc->FXmlColumnPr.FMapId = x->MapId();
        dc->FXmlColumnPr.FXpath = x->Xpath();
        dc->FXmlColumnPr.FDenormalized = x->Denormalized();
        dc->FXmlColumnPr.FXmlDataType =
            EnumOf(x->XmlDataType(), TXc12XmlDataType::x12xdtAnyType, TXc12XmlDataType::x12xdtString);
      }
    }
  if (const TCT_TableStyleInfo* si = t->TableStyleInfo(); si && si->Available()) {
    d->FTableStyleInfo.FName = si->Name();
    d->FTableStyleInfo.FShowFirstColumn = si->ShowFirstColumn();
    d->FTableStyleInfo.FShowLastColumn = si->ShowLastColumn();
    d->FTableStyleInfo.FShowRowStripes = si->ShowRowStripes();
    d->FTableStyleInfo.FShowColumnStripes = si->ShowColumnStripes();
  }
  // The table's query table, kept as it is (the table part is still the package's current one).
  if (auto q = FPackage.ReadQueryTable())
    ReadKeptXml(FPackage, *q, u"query table of " + d->FName, d->FQueryTable,
                [this](std::u16string_view w) { Warning(w); });
}

void TXLSReadXLSXObjects::LoadDrawing(std::u16string_view rId, TXc12DataWorksheet& sheet) {
  TOPCItem* drawing = FPackage.ItemOpenRead(FPackage.FCurrSheet, opc::RelType(opc::kDrawing), rId);
  if (!drawing) {
    Warning(u"Can not find Drawing in OPC");
    return;
  }
  FPackage.FCurrDrawing = drawing;
  TCurrentItemCloser closer{FPackage.FCurrDrawing};
  // Pictures the drawing names: registered under the sheet's and the picture's relationship ids
  // (what a picture's r:embed names), a part named by several drawings held once.
  const std::u16string sheetId = FPackage.FCurrSheet ? FPackage.FCurrSheet->GetId() : std::u16string();
  std::vector<std::u16string> ids;
  if (FPackage.GetDrawingImages(ids)) {
    for (const auto& id : ids) {
      // A picture the package cannot give (missing, damaged, too large) is left out with a
      // warning: the drawing never ends a load.
      try {
        std::u16string target, part;
        TXc12GraphicImage* known = nullptr;
        auto stream = FPackage.ReadDrawingMedia(id, target, [&](const std::u16string& name) {
          part = name;
          const auto it = FImagesByPart.find(name);
          known = it == FImagesByPart.end() ? nullptr : it->second;
          return !known;
        });
        if (known) {
          known->AddUse(sheetId, id);
          continue;
        }
        if (!stream) continue;
        const std::vector<uint8_t> data = ReadBytes(FPackage, *stream);
        const auto dot = target.rfind(u'.');
        const std::u16string_view ext =
            dot == std::u16string::npos ? std::u16string_view() : std::u16string_view(target).substr(dot + 1);
        FImagesByPart[part] = FManager.GrManager().Images().Xc12_Add(data, ext, target, sheetId, id);
      } catch (const std::exception& e) {
        Warning(u"Picture " + id + u" of the drawing not read: " + kws::Utf8ToUtf16(e.what()));
      }
    }
  }
  // The part into the sheet's drawing document. One that cannot be read (missing, damaged, over
  // the element budget) is dropped with a warning naming it: the sheet keeps an empty drawing,
  // the pictures stay in the image store and the load goes on.
  TXc12DrawingDocument* doc = sheet.MakeDrawing(FManager.GrManager());
  if (!doc) return;
  FManager.GrManager().FXLSOPC = &FPackage;
  doc->OnWarning = [this](std::u16string_view w) { Warning(w); };
  try {
    auto stream = FPackage.ItemOpenStream(drawing);
    doc->LoadDrawing(*stream);
  } catch (const std::exception& e) {
    doc->Clear();
    Warning(u"Drawing " + FPackage.PartName(drawing) + u" not read: " + kws::Utf8ToUtf16(e.what()));
  }
  FManager.GrManager().FXLSOPC = nullptr;
}

void TXLSReadXLSXObjects::LoadPivotTables(TXc12DataWorksheet& sheet) {
  TXc12PivotTableList* tables = sheet.PivotTables();
  std::vector<std::u16string> ids;
  if (!tables || !FPackage.GetSheetPivotTables(ids)) return;
  TXc12PivotCacheList* caches = FManager.Workbook().PivotCaches();
  for (const std::u16string& id : ids) {
    try {
      auto stream = FPackage.ReadPivotTable(id);
      tables->LoadTable(*stream, caches);
    } catch (const std::exception& e) {
      Warning(u"Pivot table " + id + u" not read: " + kws::Utf8ToUtf16(e.what()));
    }
  }
}

void TXLSReadXLSXObjects::LoadVmlDrawing(std::u16string_view rId, TXc12DataWorksheet& sheet) {
  std::vector<std::u16string> rels;
  auto stream = FPackage.ReadVmlDrawing(rId, rels);
  TXc12KeptXml& dst = sheet.VmlDrawing();
  dst.Clear();
  auto dom = std::make_unique<TXpgSimpleDOM>();
  // About 26 elements and attributes per comment shape: room for the shapes of 150,000 comments.
  dom->MaxNodes = 4000000;
  // A VML drawing is not worth a workbook: one that cannot be read (damaged, or more nodes than
  // the budget) is dropped with a warning, and the sheet's comments keep no shapes.
  if (stream) {
    try {
      dom->LoadFromStream(*stream);
    } catch (const std::exception& e) {
      Warning(u"VML drawing " + std::u16string(rId) + u" not read: " + kws::Utf8ToUtf16(e.what()));
      return;
    }
  }
  dst.FDom = std::move(dom);
  sheet.VmlDrawingRels() = std::move(rels);
  auto vml = std::make_unique<TXLSSheetVml>();
  vml->SheetIndex = sheet.Index();
  for (auto& v : FVmlDrawings)
    if (v->SheetIndex == vml->SheetIndex) {
      v = std::move(vml);
      return;
    }
  FVmlDrawings.push_back(std::move(vml));
}

// ---- comments -----------------------------------------------------------------------------------

void TXLSReadXLSXObjects::DoComment(const TCT_Comment& src, TXc12DataWorksheet& sheet) {
  int32_t col = 0, row = 0;
  if (!RefStrToColRow(src.Ref(), col, row)) {
    Warning(u"Comment with invalid cell reference \"" + src.Ref() + u"\" skipped");
    return;
  }
  TXc12Comment* c = sheet.Comments().Add();
  c->SetCol(col);
  c->SetRow(row);
  if (src.Text()) {
    std::vector<TXc12FontRun> runs;
    ReadRichText(FManager.StyleSheet(), *src.Text(), c->FText, runs);
    // The comment keeps no font runs, so the uses the run fonts were given go back (a text
    // without runs got the default font without a use).
    if (src.Text()->RXpgList() && src.Text()->RXpgList()->Count() > 0)
      for (const auto& r : runs)
        if (r.Font) r.Font->Release();
  }
  FPendingAuthors.emplace_back(c, src.AuthorId());
}

void TXLSReadXLSXObjects::LoadComments(std::u16string_view sheetRId, TXc12DataWorksheet& sheet) {
  FPendingAuthors.clear();
  if (auto stream = FPackage.ReadComments(sheetRId)) {
    TXPGDocXLSX doc;
    BindErrors(doc);
    TCT_Comments* comments = doc.Root()->Comments();
    comments->CommentList()->OnReadComment = [this, &sheet](TCT_Comment& c) { DoComment(c, sheet); };
    doc.LoadFromStream(*stream);
    stream.reset();
    TXc12Authors& authors = sheet.Comments().Authors();
    for (int i = 0; i < comments->Authors()->AuthorXpgList().Count(); ++i)
      authors.Add(comments->Authors()->AuthorXpgList().GetItems(i));
    // An author id outside the list names no author.
    for (const auto& [comment, id] : FPendingAuthors)
      comment->FAuthor = (id >= 0 && static_cast<size_t>(id) < authors.Count())
                             ? authors.Items(static_cast<size_t>(id))
                             : nullptr;
    FPendingAuthors.clear();
  }
  if (TXLSSheetVml* vml = VmlDrawingOf(sheet.Index())) ReadCommentShapes(*vml, sheet);
}

void TXLSReadXLSXObjects::ReadCommentShapes(TXLSSheetVml& vml, TXc12DataWorksheet& sheet) {
  auto* dom = dynamic_cast<TXpgSimpleDOM*>(sheet.VmlDrawing().FDom.get());
  if (!dom || dom->Root()->Count() == 0) return;
  TXpgDOMNode* doc = dom->Root()->Items(0);
  int i = 0;
  while (i < doc->Count()) {
    TXpgDOMNode* shape = doc->Items(i);
    if (XmlStripPrefix(shape->QName()) != u"shape") {
      ++i;
      continue;
    }
    int32_t col = -1, row = -1;
    // The anchor text belongs to this shape only: a shape without x:Anchor takes the defaults.
    std::u16string anchor;
    if (const TXpgDOMNode* data = ChildByLocal(*shape, u"ClientData")) {
      if (const TXpgDOMNode* n = ChildByLocal(*data, u"Column")) col = StrToIntDef(n->Content(), -1);
      if (const TXpgDOMNode* n = ChildByLocal(*data, u"Row")) row = StrToIntDef(n->Content(), -1);
      if (const TXpgDOMNode* n = ChildByLocal(*data, u"Anchor")) anchor = n->Content();
    }
    TXc12Comment* comment = (col >= 0 && row >= 0) ? sheet.Comments().Find(col, row) : nullptr;
    if (!comment) {
      ++i;
      continue;
    }
    TXLSCommentShape s;
    s.Comment = comment;
    if (const TXpgDOMAttribute* fill = shape->Attributes().Find(u"fillcolor"))
      s.Color = FillColorOf(fill->Value, 0xFFFFE1);
    std::u16string_view rest = anchor;
    // col and row are below the sheet's limits here (a comment exists there), so the defaults
    // cannot overflow.
    s.Col1 = StrToIntDef(SplitAtComma(rest), col + 1);
    s.Col1Offs = StrToIntDef(SplitAtComma(rest), 15);
    s.Row1 = StrToIntDef(SplitAtComma(rest), row <= 1 ? 0 : row - 1);
    s.Row1Offs = StrToIntDef(SplitAtComma(rest), 10);
    s.Col2 = StrToIntDef(SplitAtComma(rest), col + 3);
    s.Col2Offs = StrToIntDef(SplitAtComma(rest), 31);
    s.Row2 = StrToIntDef(SplitAtComma(rest), row + 3);
    s.Row2Offs = StrToIntDef(SplitAtComma(rest), 9);
    s.Shape = doc->Detach(i);  // the next child moves into place at i
    vml.CommentShapes.push_back(std::move(s));
  }
}

// ---- chartsheets --------------------------------------------------------------------------------

void TXLSReadXLSXObjects::LoadChartSheet(std::u16string_view rId, TXc12DataWorksheet& sheet) {
  TCurrentItemCloser closer{FPackage.FCurrSheet};
  auto stream = FPackage.OpenAndReadChartSheet(rId);
  TXPGDocXLSX doc;
  BindErrors(doc);
  doc.LoadFromStream(*stream);
  stream.reset();
  const TCT_Chartsheet* cs = doc.Chartsheet();
  if (!cs) return;

  if (const TCT_ChartsheetPr* pr = cs->SheetPr(); pr && pr->Available()) {
    sheet.SheetPr().FCodeName = pr->CodeName();
    if (pr->TabColor()) sheet.SheetPr().FTabColor = ReadColor(*pr->TabColor());
    sheet.SheetPr().FPublished_ = pr->Published_();
  }
  if (const TCT_ChartsheetViews* views = cs->SheetViews(); views && views->Available()) {
    sheet.SheetViews().Clear();
    for (const auto& v : *views->SheetViewXpgList()) {
      TXc12SheetView* d = sheet.SheetViews().Add();
      d->FTabSelected = v->TabSelected();
      d->FZoomScale = v->ZoomScale();
      d->FWorkbookViewId = v->WorkbookViewId();
      d->FZoomToFit = v->ZoomToFit();
    }
  }
  if (const TCT_ChartsheetProtection* p = cs->SheetProtection()) {
    sheet.SheetProtection().FPassword = static_cast<uint16_t>(p->Password());
    sheet.SheetProtection().FObjects = p->Objects();
  }
  if (cs->PageMargins() && cs->PageMargins()->Available())
    ReadPageMargins(*cs->PageMargins(), sheet.PageMargins());
  if (cs->HeaderFooter() && cs->HeaderFooter()->Available())
    ReadHeaderFooter(*cs->HeaderFooter(), sheet.HeaderFooter());
  if (cs->WebPublishItems()) ReadWebPublishItems(*cs->WebPublishItems(), sheet.WebPublishItems());
  if (cs->Drawing() && cs->Drawing()->Available()) LoadDrawing(cs->Drawing()->R_Id(), sheet);
  if (cs->LegacyDrawing() && cs->LegacyDrawing()->Available())
    LoadVmlDrawing(cs->LegacyDrawing()->R_Id(), sheet);
}

}  // namespace xls
