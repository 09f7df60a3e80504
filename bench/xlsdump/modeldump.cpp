#include "bench/xlsdump/modeldump.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include <nettle/sha1.h>

#include "bench/common/celltext.h"
#include "xls/biff/biff5.h"
#include "xls/biff/escherdrawing.h"
#include "xls/biff/chartobjects.h"
#include "xls/biff/sheetrules.h"
#include "xls/biff/shapeobjects.h"
#include "xls/drawingml/xlsdrawing.h"
#include "xls/drawingml/xlsdrawingprops.h"
#include "xls/drawingml/xpgchartseries.h"
#include "platform/textcodec.h"
#include "xls/model/formatsettings.h"
#include "xls/model/xc12manager.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlscellmmu.h"
#include "xls/model/xlsformattedobj.h"
#include "xls/model/xlsmask.h"
#include "xls/model/xlshyperlinks.h"
#include "xls/model/xlsnames.h"
#include "xls/model/xlssheetsettings.h"
#include "xls/model/xlsstylesheet.h"
#include "xls/model/xlsworkbookdata.h"
#include "xls/model/xlsworksheetdata.h"
#include "xls/pivot/xpgpivotroots.h"

namespace kws::bench {
namespace {

using xls::TXc12CfType;
using xls::TXc12ConditionalFormattingOperator;
using xls::TXc12DataValidationOperator;
using xls::TXc12DataValidationType;

// One line under construction: the kind word, then fields each after one TAB.
class TLine {
 public:
  explicit TLine(const char* kind) : FText(kind) {}
  TLine& Raw(std::string_view field) {
    FText += '\t';
    FText += field;
    return *this;
  }
  TLine& Text(std::u16string_view field) { return Raw(EscapedText(field)); }
  TLine& Number(double v) { return Text(xls::FormatGeneral(v, u'.')); }
  TLine& Int(int64_t v) { return Raw(std::to_string(v)); }
  TLine& Flag(bool v) { return Raw(v ? "1" : "0"); }
  const std::string& Str() const { return FText; }

 private:
  std::string FText;
};

const char* VersionWord(xls::TExcelVersion v) {
  switch (v) {
    case xls::TExcelVersion::xvExcel21:
      return "xls21";
    case xls::TExcelVersion::xvExcel30:
      return "xls30";
    case xls::TExcelVersion::xvExcel40:
      return "xls40";
    case xls::TExcelVersion::xvExcel50:
      return "xls50";
    case xls::TExcelVersion::xvExcel97:
      return "xls97";
    case xls::TExcelVersion::xvExcel2007:
      return "xlsx";
    case xls::TExcelVersion::xvOffice2007Encrypted:
      return "xlsxEncrypted";
    case xls::TExcelVersion::xvExcelUnknown:
      return "unknown";
    case xls::TExcelVersion::xvNone:
      break;
  }
  return "none";
}

const char* StateWord(xls::TXc12Visibility v) {
  switch (v) {
    case xls::TXc12Visibility::x12vHidden:
      return "hidden";
    case xls::TXc12Visibility::x12vVeryHidden:
      return "veryHidden";
    case xls::TXc12Visibility::x12vVisible:
      break;
  }
  return "visible";
}

// The name as a package writes it; built-in names by their reserved text.
std::u16string NameText(const xls::TXc12DefinedName& n) {
  switch (n.BuiltIn()) {
    case xls::TXc12BuiltInName::bnConsolidateArea:
      return u"_xlnm.Consolidate_Area";
    case xls::TXc12BuiltInName::bnExtract:
      return u"_xlnm.Extract";
    case xls::TXc12BuiltInName::bnDatabase:
      return u"_xlnm.Database";
    case xls::TXc12BuiltInName::bnCriteria:
      return u"_xlnm.Criteria";
    case xls::TXc12BuiltInName::bnPrintArea:
      return u"_xlnm.Print_Area";
    case xls::TXc12BuiltInName::bnPrintTitles:
      return u"_xlnm.Print_Titles";
    case xls::TXc12BuiltInName::bnSheetTitle:
      return u"_xlnm.Sheet_Title";
    case xls::TXc12BuiltInName::bnFilterDatabase:
      return u"_xlnm._FilterDatabase";
    case xls::TXc12BuiltInName::bnNone:
      break;
  }
  return n.Name();
}

const char* HyperlinkWord(xls::TXLSHyperlinkType t) {
  switch (t) {
    case xls::TXLSHyperlinkType::xhltURL:
      return "url";
    case xls::TXLSHyperlinkType::xhltFile:
      return "file";
    case xls::TXLSHyperlinkType::xhltUNC:
      return "unc";
    case xls::TXLSHyperlinkType::xhltWorkbook:
      return "workbook";
    case xls::TXLSHyperlinkType::xhltUnknown:
      break;
  }
  return "";
}

// The words of the file format's enumerations, in the order of the model's enumerations.
constexpr const char* kValidationTypes[] = {"none", "whole", "decimal",    "list",
                                            "date", "time",  "textLength", "custom"};
constexpr const char* kValidationOperators[] = {"between",     "notBetween",        "equal",
                                                "notEqual",    "lessThan",          "lessThanOrEqual",
                                                "greaterThan", "greaterThanOrEqual"};
constexpr const char* kCfTypes[] = {"expression",     "cellIs",
                                    "colorScale",     "dataBar",
                                    "iconSet",        "top10",
                                    "uniqueValues",   "duplicateValues",
                                    "containsText",   "notContainsText",
                                    "beginsWith",     "endsWith",
                                    "containsBlanks", "notContainsBlanks",
                                    "containsErrors", "notContainsErrors",
                                    "timePeriod",     "aboveAverage"};
constexpr const char* kCfOperators[] = {"lessThan",           "lessThanOrEqual", "equal",      "notEqual",
                                        "greaterThanOrEqual", "greaterThan",     "between",    "notBetween",
                                        "containsText",       "notContains",     "beginsWith", "endsWith"};

constexpr const char* kTableTypes[] = {"worksheet", "xml", "queryTable"};
constexpr const char* kTotalsFunctions[] = {"",      "sum",       "min",    "max", "average",
                                            "count", "countNums", "stdDev", "var", "custom"};

// The word of `v` in `words`; empty for a value outside the table (the "none given" values).
template <class E, size_t N>
const char* Word(E v, const char* const (&words)[N]) {
  const size_t i = static_cast<size_t>(v);
  return i < N ? words[i] : "";
}

std::u16string AreaText(const xls::TCellArea& a) { return a.AsString(); }

constexpr const char* kUnderlines[] = {"none", "single", "double", "singleAccounting", "doubleAccounting"};
constexpr const char* kScripts[] = {"baseline", "superscript", "subscript"};
constexpr const char* kPatterns[] = {"none",          "solid",          "mediumGray",   "darkGray",
                                     "lightGray",     "darkHorizontal", "darkVertical", "darkDown",
                                     "darkUp",        "darkGrid",       "darkTrellis",  "lightHorizontal",
                                     "lightVertical", "lightDown",      "lightUp",      "lightGrid",
                                     "lightTrellis",  "gray125",        "gray0625"};
constexpr const char* kHorizontal[] = {"general", "left",    "center",           "right",
                                       "fill",    "justify", "centerContinuous", "distributed"};
constexpr const char* kVertical[] = {"top", "center", "bottom", "justify", "distributed"};
constexpr const char* kBorders[] = {"none",
                                    "thin",
                                    "medium",
                                    "dashed",
                                    "dotted",
                                    "thick",
                                    "double",
                                    "hair",
                                    "mediumDashed",
                                    "dashDot",
                                    "mediumDashDot",
                                    "dashDotDot",
                                    "mediumDashDotDot",
                                    "slantDashDot"};
constexpr const char* kPaneTypes[] = {"none", "frozen", "split", "frozenSplit"};
constexpr const char* kActivePanes[] = {"bottomRight", "topRight", "bottomLeft", "topLeft"};
constexpr const char* kOrientations[] = {"default", "portrait", "landscape"};

// A colour as RRGGBB, "auto" for an automatic or missing one.
std::string ColourText(const xls::TXc12Color& c) {
  if (c.ColorType == xls::TXc12ColorType::exctAuto || c.ColorType == xls::TXc12ColorType::exctUnassigned)
    return "auto";
  const uint32_t bgr = xls::Xc12ColorToRGB(c, 0);
  char hex[8];
  std::snprintf(hex, sizeof hex, "%02X%02X%02X", unsigned(bgr & 0xFF), unsigned((bgr >> 8) & 0xFF),
                unsigned((bgr >> 16) & 0xFF));
  return hex;
}

// The column's letters ("A", "XFD").
std::u16string ColumnLetters(int32_t col) {
  std::u16string ref = xls::ColRowToRefStr(col, 0);
  ref.pop_back();  // the row number "1"
  return ref;
}

std::u16string AreaText(const xls::TXLSCellArea& a) {
  if (a.Col1 == a.Col2 && a.Row1 == a.Row2) return xls::ColRowToRefStr(a.Col1, a.Row1);
  return xls::AreaToRefStr(a.Col1, a.Row1, a.Col2, a.Row2);
}

char CellTypeLetter(xls::TXLSCellType t) {
  switch (t) {
    case xls::TXLSCellType::xctString:
      return 's';
    case xls::TXLSCellType::xctFloat:
      return 'n';
    case xls::TXLSCellType::xctBoolean:
      return 'b';
    case xls::TXLSCellType::xctError:
      return 'e';
    case xls::TXLSCellType::xctFloatFormula:
    case xls::TXLSCellType::xctStringFormula:
    case xls::TXLSCellType::xctBooleanFormula:
    case xls::TXLSCellType::xctErrorFormula:
      return 'f';
    case xls::TXLSCellType::xctNone:
    case xls::TXLSCellType::xctBlank:
      break;
  }
  return 0;
}

// A date serial of the document properties as W3C text; empty for none.
std::u16string DateText(double serial) {
  return serial == 0 ? std::u16string() : xls::TXc12DocProps::DateTimeToXmlText(serial);
}

bool SameHeader(const xls::TXLSMMURowHeader& a, const xls::TXLSMMURowHeader& b) {
  return a.Options == b.Options && a.Style == b.Style && a.OutlineLevel == b.OutlineLevel &&
         a.Height == b.Height;
}

class TDumper {
 public:
  TDumper(xls::TXLSBook& book, const TDumpSink& sink, const TDumpSink& warn)
      : FBook(book), FSink(sink), FWarn(warn) {}

  void Run() {
    Workbook();
    for (size_t s = 0; s < FBook.Count(); ++s) Sheet(*FBook.Items(s));
    Macros();
    LegacyChartSheets();
  }

 private:
  void Emit(const TLine& line) { FSink(line.Str()); }

  void Workbook() {
    xls::TXc12Manager& m = FBook.Manager();
    Emit(TLine("book")
             .Raw(VersionWord(FBook.Version()))
             .Int(int64_t(FBook.Count()))
             .Raw(m.Workbook().WorkbookPr().FDate1904 ? "1904" : "1900"));
    for (size_t s = 0; s < FBook.Count(); ++s) {
      xls::TXc12DataWorksheet& ws = FBook.Items(s)->Xc12Sheet();
      Emit(TLine("sheet")
               .Int(int64_t(s))
               .Text(ws.FName)
               .Raw(ws.FIsChartSheet ? "chart" : "work")
               .Raw(StateWord(ws.FState)));
    }
    xls::TXc12DefinedNames& names = m.Workbook().DefinedNames();
    for (size_t i = 0; i < names.Count(); ++i) {
      const xls::TXc12DefinedName& n = *names.Items(i);
      if (n.Deleted()) continue;
      std::u16string scope;
      if (n.LocalSheetId() >= 0 && size_t(n.LocalSheetId()) < FBook.Count())
        scope = FBook.Items(size_t(n.LocalSheetId()))->Name();
      std::u16string definition = n.FContent;
      if (const auto* named = dynamic_cast<const xls::TXLSName*>(&n)) definition = named->Definition();
      Emit(TLine("name").Text(scope).Text(NameText(n)).Text(StripEquals(definition)));
    }

    // Core document properties, when the model holds the part (the package road).
    if (!m.FileData().FDocPropsCore.Empty()) {
      xls::TXc12DocProps& p = m.DocProps();
      Emit(TLine("docprops")
               .Text(p.Creator())
               .Text(p.LastModifiedBy())
               .Text(DateText(p.DateCreated()))
               .Text(DateText(p.DateModified())));
    }
    // Connections of the kept connections part (nothing when it was kept unparsed).
    if (const xls::TXc12XmlNode* list = m.Workbook().Connections().Find(u"connections"))
      for (int i = 0; i < list->NodeCount(); ++i) {
        const xls::TXc12XmlNode* c = list->NodeItem(i);
        if (c->NodeName() != u"connection") continue;
        const xls::TXc12XmlNode* db = c->FindNode(u"dbPr");
        const std::u16string refresh = c->NodeAttribute(u"refreshOnLoad");
        Emit(TLine("connection")
                 .Text(c->NodeAttribute(u"id"))
                 .Text(c->NodeAttribute(u"name"))
                 .Text(c->NodeAttribute(u"type"))
                 .Flag(refresh == u"1" || refresh == u"true")
                 .Text(db ? db->NodeAttribute(u"command") : std::u16string()));
      }
    PivotCaches();
  }

  // Pivot caches of the workbook (when the pivot library is registered) and their fields.
  void PivotCaches() {
    auto* caches = dynamic_cast<xls::xpgpivot::TCT_PivotCacheDefinitions*>(FBook.Manager().Workbook().PivotCaches());
    if (!caches) return;
    using namespace xls::xpgpivot;
    for (int i = 0; i < caches->Count(); ++i) {
      const TCT_pivotCacheDefinition& c = *caches->GetItems(i);
      const TCT_CacheSource* src = c.CacheSource();
      const TCT_WorksheetSource* ws = src ? src->WorksheetSource() : nullptr;
      static const char* const kSource[] = {"worksheet", "external", "consolidation", "scenario"};
      const int type = src ? src->Type() : 65535;
      const int fields = c.CacheFields() ? c.CacheFields()->Count() : 0;
      Emit(TLine("pivotcache")
               .Int(c.CacheId())
               .Raw(type < 4 ? kSource[type] : "")
               .Text(ws ? ws->Sheet() : u"")
               .Text(ws ? (ws->Ref().empty() ? ws->Name() : ws->Ref()) : u"")
               .Int(fields)
               .Int(c.Records()->RecordCount())
               .Int(c.UsageCount()));
      for (int f = 0; f < fields; ++f) {
        const TCT_CacheField& field = *c.CacheFields()->GetItems(f);
        // A field without shared items answers as one with none: a sum.
        static const TXLSSharedItemsValuesHash kNone;
        const TXLSSharedItemsValuesHash& v = field.SharedItems() ? field.SharedItems()->Values() : kNone;
        std::u16string items;
        for (int k = 0; k < v.ValueList().Count(); ++k) {
          const xls::TXLSSharedItemsValue& x = *v.ValueList().GetItems(k);
          static const char16_t kLetters[] = u"bdemns";
          if (k) items += u'|';
          items += kLetters[static_cast<int>(x.Type_())];
          items += u':';
          items += x.AsIdString();
        }
        Emit(TLine("pivotcachefield")
                 .Int(c.CacheId())
                 .Int(f)
                 .Text(field.Name())
                 .Raw(v.IsNumeric() ? "Sum" : "Count")
                 .Text(items));
      }
    }
  }

  // The sheet's pivot tables and their data fields.
  void PivotTables(const std::u16string& name, xls::TXc12DataWorksheet& data) {
    using namespace xls::xpgpivot;
    auto* tables = dynamic_cast<TCT_pivotTableDefinitions*>(data.PivotTables());
    if (!tables) return;
    auto id = [](int32_t v) { return v == 2147483632 ? std::string() : std::to_string(v); };
    for (int i = 0; i < tables->Count(); ++i) {
      const TCT_pivotTableDefinition& t = *tables->GetItems(i);
      auto fields = [&](const TCT_RowColFields* f) {
        std::string out;
        if (f && f->FieldXpgList())
          for (const auto& x : *f->FieldXpgList()) out += (out.empty() ? "" : "|") + id(x->X());
        return out;
      };
      std::string pages;
      if (t.PageFields() && t.PageFields()->PageFieldXpgList())
        for (const auto& p : *t.PageFields()->PageFieldXpgList()) pages += (pages.empty() ? "" : "|") + id(p->Fld());
      Emit(TLine("pivottable")
               .Text(name)
               .Text(t.Name())
               .Raw(id(t.CacheId()))
               .Text(t.Location() ? t.Location()->Ref() : u"")
               .Raw(fields(t.RowFields()))
               .Raw(fields(t.ColFields()))
               .Raw(pages)
               .Flag(t.RowGrandTotals() == 1)
               .Flag(t.ColGrandTotals() == 1)
               .Flag(t.Cache() != nullptr));
      if (t.DataFields() && t.DataFields()->DataFieldXpgList()) {
        int k = 0;
        for (const auto& d : *t.DataFields()->DataFieldXpgList())
          Emit(TLine("pivotdatafield").Text(name).Text(t.Name()).Int(k++).Text(d->Name()).Raw(id(d->Fld())).Text(d->Subtotal()));
      }
    }
  }

  static std::u16string_view StripEquals(std::u16string_view f) {
    if (!f.empty() && f.front() == u'=') f.remove_prefix(1);
    return f;
  }

  void Sheet(xls::TXLSWorksheet& sheet) {
    const std::u16string& name = sheet.Name();
    xls::TXc12DataWorksheet& data = sheet.Xc12Sheet();
    xls::TXLSCellMMU& cells = sheet.Cells();

    // Cells, then their formulas: one pass over the store each.
    for (bool formulas : {false, true}) {
      cells.BeginIterateRow(-1);
      while (cells.IterateNextRow()) {
        cells.BeginIterateCol();
        while (cells.IterateNextCol()) {
          const int32_t col = cells.IterCellCol(), row = cells.IterCellRow();
          const char type = CellTypeLetter(cells.CellType(cells.IterCell()));
          if (type == 0 || (formulas && type != 'f')) continue;
          TLine line(formulas ? "formula" : "cell");
          line.Text(name).Text(xls::ColRowToRefStr(col, row));
          if (!formulas)
            Emit(line.Raw(std::string_view(&type, 1)).Raw(CellText(sheet, col, row)));
          else
            Emit(line.Text(FormulaText(sheet, col, row)));
        }
      }
    }

    for (size_t i = 0; i < data.MergedCells().Count(); ++i)
      Emit(TLine("merged").Text(name).Text(AreaText(*data.MergedCells().Items(i))));

    for (size_t i = 0; i < data.Hyperlinks().Count(); ++i) {
      const xls::TXc12Hyperlink& h = *data.Hyperlinks().Link(i);
      // The component's hyperlink object gives the kind and the stored address.
      const auto* link = dynamic_cast<const xls::TXLSHyperlink*>(&h);
      const std::u16string& address = link ? link->Address() : h.FAddress;
      Emit(TLine("hyperlink")
               .Text(name)
               .Text(AreaText(h.FRef))
               .Raw(HyperlinkWord(link ? link->HyperlinkType() : h.FHyperlinkType))
               .Text(address.empty() ? h.FLocation : address)
               .Text(h.FTooltip));
    }

    for (size_t i = 0; i < data.Comments().Count(); ++i) {
      const xls::TXc12Comment& c = *data.Comments().Items(i);
      Emit(TLine("comment")
               .Text(name)
               .Text(xls::ColRowToRefStr(c.Col(), c.Row()))
               .Text(c.FAuthor ? c.FAuthor->FName : std::u16string())
               .Text(c.FText));
    }

    for (size_t i = 0; i < data.Columns().Count(); ++i) {
      const xls::TXc12Column& c = *data.Columns().Items(i);
      Emit(TLine("col")
               .Text(name)
               .Text(ColumnLetters(c.FMin))
               .Text(ColumnLetters(c.FMax))
               .Number(c.FWidth)
               .Flag((c.FOptions & xls::xcoHidden) != 0));
    }

    // Rows whose header says more than a plain row's (height, format, flags).
    const xls::TXLSMMURowHeader& plain = cells.DefaultRowHdr();
    cells.BeginIterateRow(-1);
    while (cells.IterateNextRow()) {
      const xls::TXLSMMURowHeader* h = cells.IterRow();
      if (!h || SameHeader(*h, plain)) continue;
      TLine line("row");
      line.Text(name).Int(int64_t(cells.IterCellRow()) + 1);
      if (h->Height == 0xFFFF)
        line.Raw("");  // no height given
      else
        line.Number(h->Height / 20.0);
      Emit(line.Flag((h->Options & xls::xroHidden) != 0));
    }

    for (const auto& v : data.DataValidations())
      Emit(TLine("validation")
               .Text(name)
               .Text(v->FSqref.DelimitedText())
               .Raw(Word(v->FType_, kValidationTypes))
               .Raw(Word(v->FOperator_, kValidationOperators))
               .Text(v->FFormula1)
               .Text(v->FFormula2));

    xls::TXc12ConditionalFormattings& cfs = data.ConditionalFormatting();
    for (size_t i = 0; i < cfs.Count(); ++i) {
      xls::TXc12ConditionalFormatting& cf = *cfs.CF(i);
      const std::u16string areas = cf.SQRef().DelimitedText();
      for (size_t r = 0; r < cf.CfRules().Count(); ++r) {
        const xls::TXc12CfRule& rule = *cf.CfRules().Items(r);
        Emit(TLine("condformat")
                 .Text(name)
                 .Text(areas)
                 .Raw(Word(rule.FType_, kCfTypes))
                 .Raw(Word(rule.FOperator, kCfOperators))
                 .Text(rule.Formulas(0))
                 .Text(rule.Formulas(1)));
      }
    }

    const xls::TXc12AutoFilter& filter = data.Autofilter();
    if (filter.FRef.Col1 >= 0 && filter.FRef.Row1 >= 0)
      Emit(TLine("autofilter").Text(name).Text(AreaText(filter.FRef)));
    LegacyRules(sheet);

    for (size_t i = 0; i < data.Tables().Count(); ++i) {
      const xls::TXc12Table& t = *data.Tables().Items(i);
      std::u16string columns;
      std::string totals;
      bool anyTotal = false;
      for (size_t c = 0; c < t.ColumnCount(); ++c) {
        if (c) columns += u'|', totals += '|';
        columns += t.Columns(c)->FName;
        totals += Word(t.Columns(c)->FTotalsRowFunction, kTotalsFunctions);
        anyTotal |= t.Columns(c)->FTotalsRowFunction != xls::TXc12TotalsRowFunction::x12trfNone;
      }
      Emit(TLine("table")
               .Text(name)
               .Text(t.FName.empty() ? t.FDisplayName : t.FName)
               .Text(AreaText(t.FRef))
               .Text(columns)
               .Raw(Word(t.FTableType, kTableTypes))
               .Text(t.FTableStyleInfo.FName)
               .Raw(anyTotal ? totals : std::string()));
    }

    for (size_t i = 0; i < data.Tables().Count(); ++i) {
      const xls::TXc12Table& t = *data.Tables().Items(i);
      if (t.FQueryTable.Empty()) continue;
      const xls::TXc12XmlNode* q = t.FQueryTable.Find(u"queryTable");
      Emit(TLine("querytable")
               .Text(name)
               .Text(t.FName.empty() ? t.FDisplayName : t.FName)
               .Text(q ? q->NodeAttribute(u"connectionId") : std::u16string()));
    }

    for (size_t i = 0; i < data.Scenarios().Count(); ++i) {
      const xls::TXc12Scenario& sc = *data.Scenarios().Items(i);
      std::u16string cells;
      for (size_t c = 0; c < sc.FInputCells.Count(); ++c) {
        const xls::TXc12InputCell& in = *sc.FInputCells.Items(c);
        if (c) cells += u'|';
        cells += xls::ColRowToRefStr(in.FCol, in.FRow) + u'=' + in.FVal;
      }
      Emit(TLine("scenario").Text(name).Text(sc.FName).Text(cells));
    }

    SheetSettings(sheet);
  }

  // Formats of cells not on format 0, then pane, print settings, header and footer, page
  // breaks and protection, read through the editing layer's wrappers.
  void SheetSettings(xls::TXLSWorksheet& sheet) {
    using TSide = xls::TXLSFormattedObj::TSide;
    const std::u16string& name = sheet.Name();
    xls::TXLSCellMMU& cells = sheet.Cells();
    cells.BeginIterateRow(-1);
    while (cells.IterateNextRow()) {
      cells.BeginIterateCol();
      while (cells.IterateNextCol()) {
        if (cells.IterGetStyleIndex() == 0) continue;
        const int32_t col = cells.IterCellCol(), row = cells.IterCellRow();
        const xls::TXLSFormattedCell f(xls::StyleXF(FBook.Manager().StyleSheet(), cells.IterGetStyleIndex()));
        if (!f.XF()->Font() || !f.XF()->Fill()) continue;
        const xls::TXc12FontStyles st = f.FontStyle();
        std::string bis;
        if (st.Contains(xls::TXc12FontStyle::xfsBold)) bis += 'b';
        if (st.Contains(xls::TXc12FontStyle::xfsItalic)) bis += 'i';
        if (st.Contains(xls::TXc12FontStyle::xfsStrikeOut)) bis += 's';
        const xls::TXc12CellProtections p = f.Protection();
        TLine line("cellfmt");
        line.Text(name)
            .Text(xls::ColRowToRefStr(col, row))
            .Text(f.FontName())
            .Number(f.FontSize())
            .Raw(bis)
            .Raw(Word(f.FontUnderline(), kUnderlines))
            .Raw(Word(f.FontSubSuperScript(), kScripts))
            .Raw(ColourText(f.FontColor()))
            .Raw(Word(f.FillPatternPattern(), kPatterns))
            .Raw(f.FillPatternPattern() == xls::TXc12FillPattern::efpNone
                     ? ""
                     : ColourText(f.FillPatternForeColor()))
            .Text(f.NumberFormat())
            .Raw(Word(f.HorizAlignment(), kHorizontal))
            .Raw(Word(f.VertAlignment(), kVertical))
            .Flag(f.XF()->Alignment().FOptions.Contains(xls::TXc12AlignmentOption::foWrapText))
            .Flag(f.ShrinkToFit())
            .Int(f.Rotation())
            .Int(f.Indent())
            .Flag(p.Contains(xls::TXc12CellProtection::cpLocked))
            .Flag(p.Contains(xls::TXc12CellProtection::cpHidden));
        for (TSide side : {TSide::Top, TSide::Left, TSide::Right, TSide::Bottom, TSide::Diag})
          line.Raw(Word(f.BorderStyle(side), kBorders));
        Emit(line);
      }
    }

    xls::TXLSPane& pane = sheet.Pane();
    if (pane.PaneType() != xls::TPaneType::ptNone) {
      const xls::TXc12Pane& p = *pane.Record();
      Emit(TLine("pane")
               .Text(name)
               .Raw(Word(pane.PaneType(), kPaneTypes))
               .Text(p.FTopLeftCell.Col1 >= 0 ? xls::ColRowToRefStr(p.FTopLeftCell.Col1, p.FTopLeftCell.Row1)
                                              : std::u16string())
               .Number(pane.SplitColX())
               .Number(pane.SplitRowY())
               .Raw(Word(pane.ActivePane(), kActivePanes)));
    }

    xls::TXLSPrintSettings& ps = sheet.PrintSettings();
    const xls::TXc12PageSetup& setup = sheet.Xc12Sheet().PageSetup();
    using M = xls::TXLSPrintSettings::TMargin;
    using O = xls::TPrintSetupOption;
    const xls::TPrintSetupOptions o = ps.Options();
    std::string words;
    const auto word = [&words](bool on, const char* w) {
      if (!on) return;
      if (!words.empty()) words += ' ';
      words += w;
    };
    word(o.Contains(O::psoNoColor), "blackAndWhite");
    word(o.Contains(O::psoDraftQuality), "draft");
    word(o.Contains(O::psoNotes), "notes");
    word(o.Contains(O::psoRowColHeading), "headings");
    word(o.Contains(O::psoGridlines), "gridLines");
    word(o.Contains(O::psoHorizCenter), "horizontalCentered");
    word(o.Contains(O::psoVertCenter), "verticalCentered");
    TLine print("print");
    print.Text(name)
        .Raw(Word(setup.FOrientation, kOrientations))
        .Int(int64_t(ps.PaperSize()))
        .Int(ps.ScalingFactor())
        .Int(ps.FitWidth())
        .Int(ps.FitHeight());
    for (M m : {M::Left, M::Right, M::Top, M::Bottom, M::Header, M::Footer}) print.Number(ps.Margin(m));
    Emit(print.Raw(words));

    xls::TXLSHeaderFooter& hf = ps.HeaderFooter();
    if (!(hf.OddHeader().empty() && hf.OddFooter().empty() && hf.EvenHeader().empty() &&
          hf.EvenFooter().empty() && hf.FirstHeader().empty() && hf.FirstFooter().empty()))
      Emit(TLine("headfoot")
               .Text(name)
               .Text(hf.OddHeader())
               .Text(hf.OddFooter())
               .Text(hf.EvenHeader())
               .Text(hf.EvenFooter())
               .Text(hf.FirstHeader())
               .Text(hf.FirstFooter()));

    for (auto [list, kind] : {std::pair{&ps.HorizPagebreaks(), "row"}, {&ps.VertPagebreaks(), "col"}})
      for (size_t i = 0; i < list->Count(); ++i) {
        const xls::TXLSPagebreak b = list->Items(i);
        Emit(TLine("pagebreak").Text(name).Raw(kind).Int(b.Id()).Int(b.Min()).Int(b.Max()).Flag(b.Manual()));
      }

    xls::TXLSSheetProtection& prot = sheet.Protection();
    if (prot.Sheet()) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "%04X", unsigned(prot.Verifier()));
      std::string actions;
      const auto act = [&actions](bool on, const char* w) {
        if (!on) return;
        if (!actions.empty()) actions += ' ';
        actions += w;
      };
      act(prot.Objects(), "objects");
      act(prot.Scenarios(), "scenarios");
      act(prot.FormatCells(), "formatCells");
      act(prot.FormatColumns(), "formatColumns");
      act(prot.FormatRows(), "formatRows");
      act(prot.InsertColumns(), "insertColumns");
      act(prot.InsertRows(), "insertRows");
      act(prot.InsertHyperlinks(), "insertHyperlinks");
      act(prot.DeleteColumns(), "deleteColumns");
      act(prot.DeleteRows(), "deleteRows");
      act(prot.SelectLockedCells(), "selectLockedCells");
      act(prot.SelectUnlockedCells(), "selectUnlockedCells");
      act(prot.Sort(), "sort");
      act(prot.AutoFilter(), "autoFilter");
      act(prot.PivotTables(), "pivotTables");
      Emit(TLine("protection").Text(name).Raw(prot.Verifier() ? hex : "").Raw(actions));
    }

    PivotTables(name, sheet.Xc12Sheet());
    FormattedNumbers(sheet);
    LegacyDrawing(sheet);
    LegacyObjects(sheet);
    Drawing(name, sheet.Xc12Sheet());
    LegacyCharts(sheet);
    Charts(name, sheet.Xc12Sheet());
  }

  // The charts of the sheet's drawing in the order of its drawing lines: a `chart` line each,
  // then its `series` lines (chart groups in file order) and its `axis` lines.
  void Charts(const std::u16string& name, xls::TXc12DataWorksheet& data) {
    using namespace xls::xpgdml::xdr;
    auto* doc = dynamic_cast<xls::TXLSSheetDrawingDocument*>(data.Drawing());
    if (!doc) return;
    const TEG_Anchor& anchors = *doc->WsDr()->EG_Anchor();
    auto cell = [](const TCT_Marker_Pos* m) -> std::u16string {
      if (!m || m->Col() == TCT_Marker_Pos::kNotGiven || m->Row() == TCT_Marker_Pos::kNotGiven) return {};
      return xls::ColRowToRefStr(int32_t(m->Col()), int32_t(m->Row()));
    };
    int number = 0;
    auto chart = [&](const TEG_ObjectChoices& o, const std::u16string& from, const std::u16string& to) {
      if (!o.GraphicFrame() || !o.GraphicFrame()->IsChart()) return;
      Chart(name, number++, from, to, *o.GraphicFrame()->A_Graphic()->A_GraphicData()->Chart());
    };
    for (const auto& a : *anchors.TwoCellAnchorXpgList()) chart(*a->EG_ObjectChoices(), cell(a->From()), cell(a->To_()));
    for (const auto& a : *anchors.OneCellAnchorXpgList()) chart(*a->EG_ObjectChoices(), cell(a->From()), u"");
    for (const auto& a : *anchors.AbsoluteAnchorXpgList()) chart(*a->EG_ObjectChoices(), u"", u"");
  }

  void Chart(const std::u16string& name, int number, const std::u16string& from, const std::u16string& to,
             xls::xpgchart::TXPGDocXLSXChart& doc) {
    using namespace xls::xpgchart;
    TCT_ChartSpace* cs = doc.ChartSpace();
    TCT_Chart* c = cs ? cs->Chart() : nullptr;
    TCT_PlotArea* plot = c ? c->PlotArea() : nullptr;
    const std::vector<TXpgChartGroup> groups = plot ? ChartGroups(*plot) : std::vector<TXpgChartGroup>();
    std::string types;
    size_t count = 0;
    for (const TXpgChartGroup& g : groups) {
      types += (types.empty() ? "" : "|") + std::string(g.Type);
      count += g.Series.size();
    }
    Emit(TLine("chart").Text(name).Text(from).Text(to).Raw(types).Text(c && c->Title() ? TitleText(c->Title()) : u"")
             .Int(int64_t(count)));
    auto u = [](TCT_UnsignedInt* v) { return v ? std::to_string(v->Val()) : std::string(); };
    for (const TXpgChartGroup& g : groups)
      for (const TXpgChartSeries& s : g.Series) {
        std::u16string sname;
        if (TCT_SerTx* tx = s.Shared->Tx()) sname = tx->StrRef() ? RefText(RefOrText(tx->StrRef())) : tx->V();
        Emit(TLine("series").Text(name).Int(number).Raw(g.Type).Raw(u(s.Shared->Idx())).Raw(u(s.Shared->Order()))
                 .Text(sname).Text(RefText(SourceRef(s.Categories))).Text(RefText(SourceRef(s.Values)))
                 .Text(RefText(SourceRef(s.BubbleSizes))));
      }
    if (!plot) return;
    auto axes = [&](auto* list, const char* kind) {
      if (!list) return;
      for (const auto& a : *list) {
        TEG_AxShared* x = a->EG_AxShared();
        const auto pos = x->AxPos()->Val();
        Emit(TLine("axis").Text(name).Int(number).Raw(kind).Raw(u(x->AxId())).Raw(u(x->CrossAx()))
                 .Raw(pos < std::size(xls::xpgdml::kTST_AxPosNames) ? xls::xpgdml::kTST_AxPosNames[pos] : "")
                 .Flag(x->Delete() && x->Delete()->Val() == 1)
                 .Text(x->Title() ? TitleText(x->Title()) : u""));
      }
    };
    axes(plot->ValAxis(), "valAx");
    axes(plot->CatAxis(), "catAx");
    axes(plot->DateAxes(), "dateAx");
    axes(plot->SerAx(), "serAx");
  }

  // A reference as the dump shows it: the bound range without quotes and dollar signs (an
  // unbound one as read).
  static std::u16string RefText(std::u16string ref) {
    std::u16string out;
    for (char16_t ch : ref)
      if (ch != u'$' && ch != u'\'') out += ch;
    return out;
  }

  // A title given by reference: its range as references print; else its text (paragraphs and
  // line breaks as CR).
  static std::u16string TitleText(xls::xpgchart::TCT_Title* t) {
    if (t->Tx() && t->Tx()->StrRef()) return RefText(RefOrText(t->Tx()->StrRef()));
    return xls::xpgchart::TitleText(t);
  }

  // The sheet's drawing tree (when the drawing library is registered): each anchor (two-cell,
  // then one-cell, then absolute, each in file order), then its objects: shapes, connectors and
  // groups (a group's members after it) as `shape`, pictures as `picture`.
  void Drawing(const std::u16string& name, xls::TXc12DataWorksheet& data) {
    using namespace xls::xpgdml;
    using namespace xls::xpgdml::xdr;
    auto* doc = dynamic_cast<xls::TXLSSheetDrawingDocument*>(data.Drawing());
    if (!doc) return;
    const TEG_Anchor& anchors = *doc->WsDr()->EG_Anchor();
    auto cell = [](const TCT_Marker_Pos* m) -> std::u16string {
      if (!m || m->Col() == TCT_Marker_Pos::kNotGiven || m->Row() == TCT_Marker_Pos::kNotGiven) return {};
      return xls::ColRowToRefStr(int32_t(m->Col()), int32_t(m->Row()));
    };
    auto pair = [](int64_t a, int64_t b) { return std::to_string(a) + "," + std::to_string(b); };
    auto extent = [&](const TCT_PositiveSize2D* e) { return e ? pair(e->Cx(), e->Cy()) : std::string(); };
    auto objects = [](const TEG_ObjectChoices& o) {
      std::string s;
      auto add = [&](bool present, const char* word) {
        if (present) s += (s.empty() ? "" : "|") + std::string(word);
      };
      add(o.Sp(), "sp"), add(o.GrpSp(), "grpSp"), add(o.GraphicFrame(), "graphicFrame"), add(o.CxnSp(), "cxnSp"),
          add(o.Pic(), "pic");
      return s;
    };
    for (const auto& a : *anchors.TwoCellAnchorXpgList()) {
      const bool given = a->EditAs() < std::size(kTST_EditAsNames);
      Emit(TLine("drawing").Text(name).Raw("twoCell").Text(cell(a->From())).Text(cell(a->To_())).Raw("")
               .Raw(given ? kTST_EditAsNames[a->EditAs()] : "").Raw(objects(*a->EG_ObjectChoices())));
      DrawingObjects(name, cell(a->From()), *a->EG_ObjectChoices());
    }
    for (const auto& a : *anchors.OneCellAnchorXpgList()) {
      Emit(TLine("drawing").Text(name).Raw("oneCell").Text(cell(a->From())).Raw("").Raw(extent(a->Ext())).Raw("")
               .Raw(objects(*a->EG_ObjectChoices())));
      DrawingObjects(name, cell(a->From()), *a->EG_ObjectChoices());
    }
    for (const auto& a : *anchors.AbsoluteAnchorXpgList()) {
      Emit(TLine("drawing").Text(name).Raw("absolute").Raw(a->Pos() ? pair(a->Pos()->X(), a->Pos()->Y()) : "")
               .Raw("").Raw(extent(a->Ext())).Raw("").Raw(objects(*a->EG_ObjectChoices())));
      DrawingObjects(name, u"", *a->EG_ObjectChoices());
    }
  }

  // The objects of one anchor, from its cell.
  void DrawingObjects(const std::u16string& name, const std::u16string& from,
                      const xls::xpgdml::xdr::TEG_ObjectChoices& o) {
    if (o.Sp()) DrawingShape(name, from, *o.Sp());
    if (o.GrpSp()) DrawingGroup(name, from, *o.GrpSp());
    if (o.CxnSp()) DrawingConnector(name, from, *o.CxnSp());
    if (o.Pic()) DrawingPicture(name, from, *o.Pic());
  }

  TLine& ShapeIds(TLine& line, const xls::xpgdml::TCT_NonVisualDrawingProps* pr) {
    if (!pr) return line.Raw("").Raw("");
    return line.Raw(pr->Id() == 2147483632 ? "" : std::to_string(pr->Id())).Text(pr->Name());
  }

  void DrawingShape(const std::u16string& name, const std::u16string& from, const xls::xpgdml::TCT_Shape& sp) {
    using namespace xls::xpgdml;
    const TCT_ShapeNonVisual* nv = sp.NvSpPr();
    std::string kind;
    const TEG_Geometry* geometry = sp.SpPr() ? sp.SpPr()->A_EG_Geometry() : nullptr;
    if (nv && nv->CNvSpPr() && nv->CNvSpPr()->TxBox() == 1)
      kind = "textbox";
    else if (geometry && geometry->A_PrstGeom() && geometry->A_PrstGeom()->Prst() < std::size(kTST_ShapeTypeNames))
      kind = kTST_ShapeTypeNames[geometry->A_PrstGeom()->Prst()];
    else if (geometry && geometry->A_CustGeom())
      kind = "custom";
    TLine line("shape");
    line.Text(name).Text(from);
    // Paragraphs and line breaks as CR.
    const std::u16string text = sp.TxBody() ? xls::TXLSDrwTextBody(sp.TxBody()).PlainText() : std::u16string();
    Emit(ShapeIds(line, nv ? nv->CNvPr() : nullptr).Raw(kind).Text(text));
  }

  void DrawingConnector(const std::u16string& name, const std::u16string& from,
                        const xls::xpgdml::xdr::TCT_Connector& c) {
    TLine line("shape");
    line.Text(name).Text(from);
    Emit(ShapeIds(line, c.NvCxnSpPr() ? c.NvCxnSpPr()->CNvPr() : nullptr).Raw("connector").Text(u""));
  }

  void DrawingGroup(const std::u16string& name, const std::u16string& from, const xls::xpgdml::xdr::TCT_GroupShape& g) {
    TLine line("shape");
    line.Text(name).Text(from);
    Emit(ShapeIds(line, g.NvGrpSpPr() ? g.NvGrpSpPr()->CNvPr() : nullptr).Raw("group").Text(u""));
    if (g.SpXpgList())
      for (const auto& x : *g.SpXpgList()) DrawingShape(name, u"", *x);
    if (g.GrpSpXpgList())
      for (const auto& x : *g.GrpSpXpgList()) DrawingGroup(name, u"", *x);
    if (g.CxnSpXpgList())
      for (const auto& x : *g.CxnSpXpgList()) DrawingConnector(name, u"", *x);
    if (g.PicXpgList())
      for (const auto& x : *g.PicXpgList()) DrawingPicture(name, u"", *x);
  }

  void DrawingPicture(const std::u16string& name, const std::u16string& from, const xls::xpgdml::xdr::TCT_Picture& p) {
    const xls::xpgdml::TCT_NonVisualDrawingProps* pr = p.NvPicPr() ? p.NvPicPr()->CNvPr() : nullptr;
    const xls::xpgdml::TCT_Blip* blip = p.BlipFill() ? p.BlipFill()->A_Blip() : nullptr;
    const xls::TXc12GraphicImage* image = blip ? blip->Image() : nullptr;
    static constexpr const char* kTypes[] = {"jpeg", "png", "emf", "wmf", "gif", ""};
    TLine line("picture");
    line.Text(name).Text(from);
    ShapeIds(line, pr).Text(pr ? pr->Descr() : u"");
    if (image)
      line.Raw(kTypes[size_t(image->FImageType)]).Int(int64_t(image->FImage.size()));
    else
      line.Raw("").Raw("");
    Emit(line);
  }

  // The shape tree of a legacy sheet's drawing and its pictures as the reader object holds them.
  void LegacyDrawing(xls::TXLSWorksheet& sheet) {
    namespace b = xls::biff;
    auto* biff = dynamic_cast<b::TBIFF5*>(FBook.BIFF());
    const int32_t index = sheet.Index();
    if (!biff || index < 0 || size_t(index) >= biff->Sheets().Count()) return;
    const b::TEscherDrawing& drawing = biff->GetSheet(size_t(index))->EscherDrawing();
    if (drawing.DgId() == 0 && drawing.ShapeCount() == 0) return;
    const std::u16string& name = sheet.Name();
    Emit(TLine("biffdrawing").Text(name).Int(drawing.DgId()).Int(int64_t(drawing.DeepShapeCount())));
    const auto anchor = [](b::TShape& s) {
      if (const b::TMSOObjCLIENTANCHOR* a = s.ClientAnchor())
        return xls::AreaToRefStr(int32_t(a->FCol1), int32_t(a->FRow1), int32_t(a->FCol2), int32_t(a->FRow2));
      const b::TMSORecCHILDANCHOR* c = s.ChildAnchor();
      char buf[64] = "";
      if (c) std::snprintf(buf, sizeof buf, "%d %d %d %d", int(c->X1), int(c->Y1), int(c->X2), int(c->Y2));
      return std::u16string(buf, buf + std::strlen(buf));
    };
    std::vector<b::TShape*> pictures;
    drawing.ForEachShape([&](b::TShape& s, b::TShapeGroup& parent) {
      std::string flips = std::string(s.FlipHorizontal() ? "h" : "") + (s.FlipVertical() ? "v" : "");
      const int32_t objType = s.ObjType();
      Emit(TLine("biffshape")
               .Text(name)
               .Int(s.SpId())
               .Int(parent.SpId())
               .Int(s.ShapeType())
               .Raw(objType < 0 ? "" : std::to_string(objType))
               .Text(anchor(s))
               .Raw(flips)
               .Text(s.Name())
               .Text(s.Text()));
      if (!s.IsGroup() && s.ShapeType() == 75) pictures.push_back(&s);
    });
    static constexpr const char* kTypes[] = {"", "", "emf", "wmf", "pict", "jpeg", "png", "dib"};
    b::TMSOPictures& store = biff->MSOPictures();
    for (b::TShape* s : pictures) {
      const int64_t id = s->FOPT.BlipId();
      TLine line("biffpicture");
      line.Text(name).Text(anchor(*s)).Int(id > 0 ? id : 0);
      if (id > 0 && size_t(id) <= store.Count()) {
        const b::TMSOPicture& p = *store.GetMSOPicture(size_t(id - 1));
        std::vector<uint8_t> bytes;
        p.SaveToStream(bytes);
        sha1_ctx ctx;
        sha1_init(&ctx);
        sha1_update(&ctx, bytes.size(), bytes.data());
        uint8_t digest[SHA1_DIGEST_SIZE];
        sha1_digest(&ctx, sizeof digest, digest);
        std::string hex;
        for (uint8_t d : digest) {
          char h[3];
          std::snprintf(h, sizeof h, "%02x", unsigned(d));
          hex += h;
        }
        const uint8_t t = p.PictType();
        line.Raw(t < 8 && kTypes[t][0] ? kTypes[t] : std::to_string(t)).Int(int64_t(bytes.size())).Raw(hex);
      } else {
        line.Raw("").Raw("").Raw("");
      }
      Emit(line);
    }
  }

  // Embedded charts of a legacy sheet (and, after the last sheet, the chart sheets), read from
  // their record trees: type, 3-D, series and the series' references.
  void LegacyCharts(xls::TXLSWorksheet& sheet) {
    auto* biff = dynamic_cast<xls::biff::TBIFF5*>(FBook.BIFF());
    const int32_t index = sheet.Index();
    if (!biff || index < 0 || size_t(index) >= biff->Sheets().Count()) return;
    const xls::biff::TSheet& legacy = *biff->GetSheet(size_t(index));
    // Every chart shape of the drawing, nested ones included, in file order.
    size_t place = 0;
    legacy.EscherDrawing().ForEachShape([&](xls::biff::TShape& shape, xls::biff::TShapeGroup&) {
      const auto* chart = dynamic_cast<const xls::biff::TShapeOutsideMsoChart*>(shape.FInterface.get());
      if (!chart) return;
      const xls::biff::TMSOObjCLIENTANCHOR* a = shape.ClientAnchor();
      const std::u16string anchor = a ? xls::ColRowToRefStr(int32_t(a->FCol1), int32_t(a->FRow1)) : std::u16string();
      LegacyChart(*biff, sheet.Name(), std::to_string(place++), anchor, chart->Records());
    });
  }

  void LegacyChartSheets() {
    auto* biff = dynamic_cast<xls::biff::TBIFF5*>(FBook.BIFF());
    if (!biff) return;
    for (size_t i = 0; i < biff->SheetCharts().Count(); ++i) {
      const xls::biff::TSheetChart& c = biff->SheetCharts().Items(i);
      LegacyChart(*biff, c.Name(), "sheet", {}, c.Record());
    }
  }

  void LegacyChart(xls::biff::TBIFF5& biff, const std::u16string& name, const std::string& place,
                   const std::u16string& anchor, xls::biff::TChartRecord& root) {
    const xls::biff::TChartSummary summary = xls::biff::SummarizeChart(root);
    Emit(TLine("biffchart")
             .Text(name)
             .Raw(place)
             .Text(anchor)
             .Raw(summary.Type)
             .Raw(summary.Is3D ? "1" : "0")
             .Int(int64_t(summary.SeriesCount)));
    xls::biff::TChartRecord* chart = xls::biff::ChartRecordOf(root);
    if (!chart) return;
    const auto ref = [&](auto get) {
      try {
        std::u16string t = get();
        std::erase(t, u'$');
        // A plain sheet name loses its quotes, as the package format's readers print it.
        if (t.size() > 2 && t[0] == u'\'' && t.find(u'\'', 1) != std::u16string::npos) {
          const size_t end = t.find(u'\'', 1);
          const std::u16string sheetName = t.substr(1, end - 1);
          bool plain = !sheetName.empty() && !(sheetName[0] >= u'0' && sheetName[0] <= u'9');
          for (char16_t ch : sheetName)
            plain = plain && ((ch >= u'A' && ch <= u'Z') || (ch >= u'a' && ch <= u'z') || (ch >= u'0' && ch <= u'9') || ch == u'_');
          if (plain) t = sheetName + t.substr(end + 1);
        }
        return t;
      } catch (const xls::XLSRWException& e) {
        FWarn(EscapedText(name + u": " + e.Message()));
        return std::u16string();
      }
    };
    int64_t n = 0;
    for (size_t i = 0; i < chart->Count(); ++i) {
      if (chart->Items(i)->RecId() != xls::biff::CHARTREC_SERIES) continue;
      xls::biff::TXLSChartSerie serie(&biff.FormulaHandler());
      serie.SetRecord(chart->Items(i));
      Emit(TLine("biffseries")
               .Text(name)
               .Raw(place)
               .Int(n++)
               .Text(ref([&] { return serie.SerieName(); }))
               .Text(ref([&] { return serie.Values(); }))
               .Text(ref([&] { return serie.Category(); })));
    }
  }

  // The formatted text of number cells (and cached numbers of formulas) whose number format is not
  // General, with the colour its section names. Formatted with the en-US defaults whatever the
  // locale, so that the lines are the same on every machine.
  void FormattedNumbers(xls::TXLSWorksheet& sheet) {
    const xls::FormatSettings saved = FBook.Settings();
    FBook.SetSettings(xls::FormatSettings{});
    xls::TXc12DataStyleSheet& styles = FBook.Manager().StyleSheet();
    xls::TXLSCellMMU& cells = sheet.Cells();
    cells.BeginIterateRow(-1);
    while (cells.IterateNextRow()) {
      cells.BeginIterateCol();
      while (cells.IterateNextCol()) {
        const xls::TXLSCellType t = cells.CellType(cells.IterCell());
        if (t != xls::TXLSCellType::xctFloat && t != xls::TXLSCellType::xctFloatFormula) continue;
        const xls::TXc12XF* xf = xls::StyleXF(styles, cells.IterGetStyleIndex());
        const xls::TXc12NumberFormat* fmt = xf ? xf->NumFmt() : nullptr;
        if (!fmt || fmt->Index() == 0 || (fmt->Index() >= 50 && kws::AsciiSameText(fmt->Value(), u"General")))
          continue;
        const int32_t col = cells.IterCellCol(), row = cells.IterCellRow();
        uint32_t color = xls::kNoMaskColor;
        const std::u16string text = sheet.GetFormatString(col, row, &color);
        char rgb[8] = "";
        if (color != xls::kNoMaskColor)
          std::snprintf(rgb, sizeof rgb, "%02X%02X%02X", unsigned(color & 0xFF), unsigned(color >> 8 & 0xFF),
                        unsigned(color >> 16 & 0xFF));
        Emit(TLine("fmt").Text(sheet.Name()).Text(xls::ColRowToRefStr(col, row)).Text(text).Raw(rgb));
      }
    }
    FBook.SetSettings(saved);
  }

  // The modules of a legacy workbook's macro project (read with ReadVBA on), in dir order.
  void Macros() {
    auto* biff = dynamic_cast<xls::biff::TBIFF5*>(FBook.BIFF());
    const xls::biff::TXLSVBA* vba = biff ? biff->VBA() : nullptr;
    if (!vba) return;
    const auto join = [](const std::vector<std::u16string>& items, std::u16string_view sep) {
      std::u16string out;
      for (size_t i = 0; i < items.size(); ++i) out += (i ? std::u16string(sep) : u"") + items[i];
      return out;
    };
    for (size_t i = 0; i < vba->ModuleCount(); ++i) {
      const xls::biff::TVBAModuleSource& m = vba->Modules(i);
      Emit(TLine("macro")
               .Text(m.Name())
               .Raw(m.ModuleType() == xls::biff::TVbaModuleType::vmtDocument ? "document" : "module")
               .Text(join(m.Attributes().All(), u"|"))
               .Text(join(m.Source().All(), u"\n")));
    }
  }

  // Validations, conditional formats and the autofilter that a legacy load keeps with the
  // reader object's sheets, in the package format's words; the filter's area is the sheet's
  // _FilterDatabase name.
  void LegacyRules(xls::TXLSWorksheet& sheet) {
    auto* biff = dynamic_cast<xls::biff::TBIFF5*>(FBook.BIFF());
    const int32_t index = sheet.Index();
    if (!biff || index < 0 || size_t(index) >= biff->Sheets().Count()) return;
    xls::biff::TSheet& legacy = *biff->GetSheet(size_t(index));
    const std::u16string& name = sheet.Name();
    const auto formula = [&](const std::vector<uint8_t>& tokens, int32_t col, int32_t row) {
      try {
        return xls::biff::RuleFormulaText(*biff, tokens, legacy.FSheetIndex, col, row);
      } catch (const xls::XLSRWException& e) {
        FWarn(EscapedText(name + u": " + e.Message()));
        return std::u16string();
      }
    };
    if (const xls::biff::TSheetRules* rules = xls::biff::FindSheetRules(legacy)) {
      static constexpr const char* kDVOperators[] = {"between",     "notBetween", "equal",
                                                     "notEqual",    "greaterThan", "lessThan",
                                                     "greaterThanOrEqual", "lessThanOrEqual"};
      using VT = xls::biff::TValidationType;
      for (size_t i = 0; i < rules->FDataValidations.Count(); ++i) {
        const xls::biff::TDataValidation& v = rules->FDataValidations.Items(i);
        const bool plain = v.FValidationType == VT::vtAny || v.FValidationType == VT::vtList ||
                           v.FValidationType == VT::vtCustom;
        const int32_t col = v.FAreas.Count() ? v.FAreas.Items(0)->Col1() : 0;
        const int32_t row = v.FAreas.Count() ? v.FAreas.Items(0)->Row1() : 0;
        Emit(TLine("validation")
                 .Text(name)
                 .Text(v.FAreas.DelimitedText())
                 .Raw(Word(v.FValidationType, kValidationTypes))
                 .Raw(plain ? "" : Word(v.FValidationOperator, kDVOperators))
                 .Text(formula(v.FFormula1, col, row))
                 .Text(formula(v.FFormula2, col, row)));
      }
      static constexpr const char* kCFOperators[] = {"",         "between",     "notBetween",
                                                     "equal",    "notEqual",    "greaterThan",
                                                     "lessThan", "greaterThanOrEqual", "lessThanOrEqual"};
      for (size_t i = 0; i < rules->FConditionalFormats.Count(); ++i) {
        const xls::biff::TConditionalFormat& cf = rules->FConditionalFormats.Items(i);
        for (size_t r = 0; r < cf.ReadCount(); ++r) {
          const xls::biff::TCondFmtData& c = cf.Condition(r);
          Emit(TLine("condformat")
                   .Text(name)
                   .Text(cf.Areas().DelimitedText())
                   .Raw(c.CompareCell() ? "cellIs" : "expression")
                   .Raw(c.CompareCell() ? Word(c.CompOperator(), kCFOperators) : "")
                   .Text(formula(c.FFormula1, cf.FBaseCol, cf.FBaseRow))
                   .Text(formula(c.FFormula2, cf.FBaseCol, cf.FBaseRow)));
        }
      }
    }
    xls::TXc12DefinedNames& names = FBook.Manager().Workbook().DefinedNames();
    for (size_t i = 0; i < names.Count(); ++i) {
      const xls::TXc12DefinedName& n = *names.Items(i);
      if (n.Deleted() || n.BuiltIn() != xls::TXc12BuiltInName::bnFilterDatabase || n.LocalSheetId() != index)
        continue;
      std::u16string text = n.FContent;
      if (const auto* named = dynamic_cast<const xls::TXLSName*>(&n)) text = named->Definition();
      text = text.substr(text.find(u'!') == std::u16string::npos ? 0 : text.rfind(u'!') + 1);
      std::erase(text, u'$');
      std::erase(text, u'=');
      xls::TXLSCellArea a{-1, -1, -1, -1};
      xls::AreaStrToCellArea(text, a);
      if (a.Col1 >= 0 && a.Row1 >= 0) Emit(TLine("autofilter").Text(name).Text(AreaToRefStrFor(a)));
      break;
    }
  }

  // The text boxes and the form controls that a legacy load keeps with the reader object's sheets:
  // `bifftextbox` per item of the text-box list, `biffcontrol` per control of the control lists;
  // the controls' formulas (linked cell, source range, macro) are decoded by the reader's formula
  // handler.
  void LegacyObjects(xls::TXLSWorksheet& sheet) {
    auto* biff = dynamic_cast<xls::biff::TBIFF5*>(FBook.BIFF());
    const int32_t index = sheet.Index();
    if (!biff || index < 0 || size_t(index) >= biff->Sheets().Count()) return;
    xls::biff::TSheet& legacy = *biff->GetSheet(size_t(index));
    const std::u16string& name = sheet.Name();
    const auto anchor = [](const xls::biff::TDrwAnchor& item) {
      return xls::AreaToRefStr(item.Col1(), item.Row1(), item.Col2(), item.Row2());
    };
    xls::biff::TDrwTexts& texts = legacy.DrawingObjects().Texts();
    for (size_t i = 0; i < texts.Count(); ++i)
      Emit(TLine("bifftextbox").Text(name).Text(anchor(texts.Items(i))).Text(texts.Items(i).Text()));

    // Formula data of a control (token count, 4 bytes, tokens) as text without "$".
    const auto formula = [&](std::span<const uint8_t> tokens) {
      if (tokens.empty()) return std::u16string();
      try {
        std::u16string text = xls::biff::RuleFormulaText(*biff, tokens, legacy.FSheetIndex, 0, 0);
        std::erase(text, u'$');
        return text;
      } catch (const xls::XLSRWException& e) {
        FWarn(EscapedText(name + u": " + e.Message()));
        return std::u16string();
      }
    };
    xls::biff::TControlObjects& controls = legacy.ControlObjects();
    using TList = xls::biff::TControlObjList;
    const std::pair<TList*, const char*> lists[] = {{&controls.ListBoxes(), "listbox"},
                                                    {&controls.ComboBoxes(), "combobox"},
                                                    {&controls.Buttons(), "button"},
                                                    {&controls.CheckBoxes(), "checkbox"},
                                                    {&controls.RadioButtons(), "radio"}};
    for (const auto& [list, kind] : lists) {
      for (size_t i = 0; i < list->Count(); ++i) {
        const xls::biff::TDrwAnchor& item = list->Items(i);
        xls::biff::TShapeOutsideMso* object = item.Shape() ? item.Shape()->FInterface.get() : nullptr;
        std::u16string text, cell, source, state, macro;
        if (auto* l = dynamic_cast<xls::biff::TShapeControlListBox*>(object)) {
          cell = formula(xls::biff::ObjFormulaTokens(l->FSBSFormulaOrig));
          if (!l->FSBSFormulaOrig.empty() && l->FSBSFormula.empty()) cell.clear();  // an autofilter's arrow
          source = formula(l->LBS().FFormula);
          state = xls::FormatGeneral(l->SelectedIndex(), u'.');
          macro = formula(xls::biff::ObjFormulaTokens(l->FMacroFormula));
        } else if (auto* t = dynamic_cast<xls::biff::TShapeOutsideMsoBaseTextMacro*>(object)) {
          text = t->Text();
          macro = formula(xls::biff::ObjFormulaTokens(t->FMacroFormula));
          if (auto* c = dynamic_cast<xls::biff::TShapeControlCheckBox*>(object)) {
            cell = formula(xls::biff::ObjFormulaTokens(c->FCBLSFMLA));
            state = xls::FormatGeneral(c->State(), u'.');
          }
        }
        Emit(TLine("biffcontrol").Text(name).Raw(kind).Text(anchor(item)).Text(text).Text(cell).Text(source).Text(state).Text(macro));
      }
    }
  }

  static std::u16string AreaToRefStrFor(const xls::TXLSCellArea& a) {
    return xls::AreaToRefStr(a.Col1, a.Row1, a.Col2, a.Row2);
  }

  // The cell's formula without "="; a formula the formula layer cannot turn into text is a
  // warning and an empty field.
  std::u16string FormulaText(xls::TXLSWorksheet& sheet, int32_t col, int32_t row) {
    try {
      return std::u16string(StripEquals(sheet.GetAsFormula(col, row)));
    } catch (const xls::XLSRWException& e) {
      FWarn(EscapedText(sheet.Name() + u"!" + xls::ColRowToRefStr(col, row) + u": " + e.Message()));
      return {};
    }
  }

  xls::TXLSBook& FBook;
  const TDumpSink& FSink;
  const TDumpSink& FWarn;
};

}  // namespace

void DumpModel(xls::TXLSBook& book, const TDumpSink& sink, const TDumpSink& warn) {
  TDumper(book, sink, warn).Run();
}

}  // namespace kws::bench
