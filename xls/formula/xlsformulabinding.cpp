#include "xls/formula/xlsformulabinding.h"

#include <memory>
#include <vector>

#include "xls/model/xc12manager.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlscellmmu.h"
#include "xls/model/xlsnames.h"
#include "xls/model/xlsworkbookdata.h"
#include "xls/model/xlsworksheetdata.h"

namespace xls {

namespace {

// The tables of one worksheet.
class TTablesView : public TXLSFormulaTables {
 public:
  const TXc12Tables* FTables = nullptr;

  int32_t TableCount() const override { return int32_t(FTables->Count()); }
  std::u16string_view TableName(int32_t t) const override { return Table(t).FName; }
  int32_t ColumnCount(int32_t t) const override { return int32_t(Table(t).ColumnCount()); }
  std::u16string_view ColumnName(int32_t t, int32_t c) const override {
    return Table(t).Columns(size_t(c))->FName;
  }
  int32_t ColumnId(int32_t t, int32_t c) const override {
    const int32_t id = Table(t).Columns(size_t(c))->FId;
    return id > 0 ? id : c + 1;
  }
  TXLSFormulaTableGeometry Geometry(int32_t t) const override {
    const TXc12Table& table = Table(t);
    return {table.FRef.Col1, table.FRef.Row1,       table.FRef.Col2,
            table.FRef.Row2, table.FHeaderRowCount, table.FTotalsRowCount};
  }
  int32_t Find(std::u16string_view name) const override { return FTables->Find(name); }
  int32_t Find(int32_t col, int32_t row) const override { return FTables->Find(col, row); }

 private:
  const TXc12Table& Table(int32_t t) const { return *FTables->Items(size_t(t)); }
};

constexpr std::u16string_view kBuiltInTexts[] = {
    u"_xlnm.Consolidate_Area", u"_xlnm.Extract",      u"_xlnm.Database",    u"_xlnm.Criteria",
    u"_xlnm.Print_Area",       u"_xlnm.Print_Titles", u"_xlnm.Sheet_Title", u"_xlnm._FilterDatabase",
};

// The workbook over the hub, read live.
class TWorkbookView : public TXLSFormulaWorkbook {
 public:
  explicit TWorkbookView(TXc12Manager& manager) : FManager(manager) {}

  int32_t SheetCount() const override { return int32_t(FManager.Worksheets().Count()); }
  std::u16string_view SheetName(int32_t s) const override { return Sheet(s).FName; }
  const TXLSFormulaTables* SheetTables(int32_t s) const override {
    TXc12Tables& tables = Sheet(s).Tables();
    if (tables.Count() == 0) return nullptr;
    if (FTables.size() <= size_t(s)) FTables.resize(size_t(s) + 1);
    if (!FTables[size_t(s)]) FTables[size_t(s)] = std::make_unique<TTablesView>();
    FTables[size_t(s)]->FTables = &tables;
    return FTables[size_t(s)].get();
  }
  int32_t DefinedNameCount() const override { return int32_t(Names().Count()); }
  std::u16string_view DefinedNameName(int32_t n) const override {
    const TXc12DefinedName& name = *Names().Items(size_t(n));
    // A built-in name keeps no text of its own; formula text names it in its file form.
    if (name.Name().empty() && name.BuiltIn() != TXc12BuiltInName::bnNone) {
      const size_t kind = size_t(name.BuiltIn());
      if (kind < std::size(kBuiltInTexts)) return kBuiltInTexts[kind];
    }
    return name.Name();
  }
  int32_t DefinedNameSheet(int32_t n) const override { return Names().Items(size_t(n))->LocalSheetId(); }
  int32_t ExternalLinkCount() const override { return int32_t(FManager.XLinks().Count()); }
  std::u16string_view ExternalLinkFileName(int32_t l) const override { return Link(l).FFilename; }
  int32_t ExternalSheetCount(int32_t l) const override { return int32_t(Link(l).FSheetNames.size()); }
  std::u16string_view ExternalSheetName(int32_t l, int32_t s) const override {
    return Link(l).FSheetNames.at(size_t(s));
  }

  int32_t FindSheet(std::u16string_view name) const override { return FManager.Worksheets().Find(name); }
  int32_t FindExternalSheet(int32_t link, std::u16string_view name) const override {
    return Link(link).FindSheetName(name);
  }
  // The model's lookups skip deleted names; a built-in name is found by its file form.
  int32_t FindName(std::u16string_view name, int32_t sheet) const override {
    int32_t i = Names().FindId(name, sheet);
    if (i < 0 && sheet >= 0) i = FindBuiltIn(name, sheet);
    return i >= 0 ? i : FindBuiltIn(name, -1);
  }
  int32_t FindNameInSheet(std::u16string_view name, int32_t sheet) const override {
    const int32_t i = Names().FindIdInSheet(name, sheet);
    return i >= 0 ? i : FindBuiltIn(name, sheet);
  }

 private:
  TXc12DataWorksheet& Sheet(int32_t s) const { return *FManager.Worksheets().Items(size_t(s)); }
  const TXc12DefinedNames& Names() const { return FManager.Workbook().DefinedNames(); }
  const TXc12XExternalBook& Link(int32_t l) const {
    return FManager.XLinks().Items(size_t(l))->FExternalBook;
  }
  int32_t FindBuiltIn(std::u16string_view text, int32_t sheet) const {
    for (size_t kind = 0; kind < std::size(kBuiltInTexts); ++kind) {
      if (kBuiltInTexts[kind] != text) continue;
      const TXc12DefinedNames& names = Names();
      for (size_t n = 0; n < names.Count(); ++n) {
        const TXc12DefinedName& d = *names.Items(n);
        if (!d.Deleted() && d.Name().empty() && size_t(d.BuiltIn()) == kind && d.LocalSheetId() == sheet)
          return int32_t(n);
      }
    }
    return -1;
  }

  TXc12Manager& FManager;
  mutable std::vector<std::unique_ptr<TTablesView>> FTables;
};

// What the component keeps: the views, the handler over them and the names' compile link.
class TFormulaBinding : public TXLSFactoryObject, public TXLSNameFormulas {
 public:
  explicit TFormulaBinding(TXLSBook& book)
      : FBook(book), FView(book.Manager()), FHandler(FView, *book.Manager().Errors(), FormulaSeparatorsOf(book)) {
    book.OnDecodeFormula = [this](TXLSWorksheet& sheet, std::span<const uint8_t> ptgs) {
      TXLSFormulaCellsOf cells(sheet.Cells());
      return FHandler.DecodeFormula(&cells, sheet.Index(), ptgs, false);
    };
    if (auto* names = dynamic_cast<TXLSNames*>(&book.Manager().Workbook().DefinedNames()))
      names->SetFormulas(this);
    // The component holds the function events, so they may be set before or after this binding
    // exists; the handler asks them at each lookup (one call per function of a compiled text).
    FHandler.SetOnFunction([&book](std::u16string_view name, int32_t id) {
      if (const TXLSFunctionEvent& e = book.OnFunction()) e(name, id);
    });
    FHandler.SetOnUserFunction([&book](std::u16string_view name) {
      if (const TXLSUserFunctionEvent& e = book.OnUserFunction()) e(name);
    });
  }
  ~TFormulaBinding() override {
    if (auto* names = dynamic_cast<TXLSNames*>(&FBook.Manager().Workbook().DefinedNames());
        names && names->Formulas() == this)
      names->SetFormulas(nullptr);
    FBook.OnDecodeFormula = nullptr;
  }

  std::vector<uint8_t> EncodeName(std::u16string_view text) override {
    return FHandler.EncodeFormula(text, -1);
  }
  std::u16string DecodeName(std::span<const uint8_t> ptgs, bool saveToFile) override {
    return FHandler.DecodeFormula(nullptr, -1, ptgs, saveToFile);
  }
  // Legacy 3-D references find their sheet through the legacy reader's external references.
  // A legacy area comes back with its column words as stored (column in bits 0-13, bit 14 set for
  // a relative column, bit 15 for a relative row); names keep the own form (bit 15 of a column,
  // bit 31 of a row set when absolute), so the flags are turned over here.
  uint8_t NameArea(std::span<const uint8_t> ptgs, TXLS3dCellArea& area) override {
    TXLS3dCellArea found = area;
    const uint8_t kind = PtgsToArea3d(ptgs, found, FBook.Manager().FExtSheet97);
    if (kind == 0) return 0;
    if (!ptgs.empty() && ptgs[0] == 0xFF) {
      auto own = [](int32_t& col, int32_t& row) {
        const uint32_t word = uint32_t(col) & 0xFFFF;
        col = int32_t((word & 0x3FFF) | ((word & 0x4000) ? 0 : 0x8000));
        row = int32_t((uint32_t(row) & 0xFFFF) | ((word & 0x8000) ? 0 : 0x80000000u));
      };
      own(found.Col1, found.Row1);
      own(found.Col2, found.Row2);
    }
    area = found;
    return kind;
  }

  TXLSBook& FBook;
  TWorkbookView FView;
  TXLSFormulaHandler FHandler;
};

TFormulaBinding& BindingOf(TXLSBook& book) {
  if (auto* b = dynamic_cast<TFormulaBinding*>(book.FormulaService())) return *b;
  auto binding = std::make_unique<TFormulaBinding>(book);
  TFormulaBinding& ref = *binding;
  book.SetFormulaService(std::move(binding));
  return ref;
}

}  // namespace

TXLSFormulaSeparators FormulaSeparatorsOf(TXLSBook& book) {
  TXLSFormulaSeparators s;
  s.List = book.Manager().FRowSeparator;
  s.Decimal = book.Settings().DecimalSeparator;
  s.ArrayCol = book.Manager().FColSeparator;
  return s;
}

TXLSCellFormula TXLSFormulaCellsOf::GetFormula(int32_t col, int32_t row) const {
  TXLSCellFormula f;
  TXLSCellItem cell;
  if (!FCells.FindCell(col, row, cell)) return f;
  switch (FCells.CellType(cell)) {
    case TXLSCellType::xctFloatFormula:
    case TXLSCellType::xctStringFormula:
    case TXLSCellType::xctBooleanFormula:
    case TXLSCellType::xctErrorFormula:
      break;
    default:
      return f;
  }
  if (FCells.IsFormulaCompiled(cell)) {
    const uint8_t* ptgs = nullptr;
    const int32_t n = FCells.GetFormulaPtgs(cell, ptgs);
    f.kind = TXLSCellFormula::Tokens;
    f.ptgs = std::span<const uint8_t>(ptgs, n > 0 ? size_t(n) : 0);
  } else {
    FText = FCells.GetFormula(cell);
    f.kind = TXLSCellFormula::Text;
    f.text = FText;
  }
  return f;
}

TXLSFormulaHandler& FormulaHandlerOf(TXLSBook& book) { return BindingOf(book).FHandler; }

void RegisterFormulaBinding() {
  DefaultXLSBookReaders().AttachServices = [](TXLSBook& book) { FormulaHandlerOf(book); };
}

const TXLSFormulaWorkbook& FormulaWorkbookOf(TXLSBook& book) { return BindingOf(book).FView; }

}  // namespace xls
