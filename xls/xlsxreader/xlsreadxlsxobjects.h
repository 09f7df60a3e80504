// The sheet-level objects of a workbook package: what a worksheet part holds beside its cells
// (properties, dimension, views, format defaults, protection, filters, sort state, custom views,
// conditional formats, validations, printing, cell watches, ignored errors, smart tags), the parts a
// worksheet names (tables, the drawing's images, the legacy VML drawing), the comments part with its VML
// anchors, and chartsheet parts.
//
// Format facts (ECMA-376 Part 1, 18.3 worksheets, 18.5 tables, 18.7 comments, 18.3.1.* chartsheet
// elements; Part 4 for VML): a worksheet names its table, drawing and legacy-drawing parts by
// relationship id (tablePart, drawing, legacyDrawing r:id); the comments part hangs off the
// worksheet by relationship type only. A comment's authorId is a position in the part's author
// list and its ref an A1 cell. The legacy drawing draws a comment as a v:shape whose
// x:ClientData holds x:Column and x:Row (zero-based) and x:Anchor, eight comma-separated numbers
// (left column, its offset, top row, its offset, right column, its offset, bottom row, its
// offset).
//
// Design choice: the class is made per load by the package reader and copies from element trees
// that the caller parsed, so every step can also be driven over a tree built in a test. Parts it
// reads are parsed into their own documents that live only for that step; names the element
// classes do not know become warning 2001 of the hub's error manager and never end a load. The
// drawing part itself is left unread (it stays with the model's kept parts); only its pictures
// are taken into the image list.
// The VML tree of each sheet goes to the sheet's model with the part's relationships; the comment
// shapes taken out of it (with their colour and anchor) stay with this object for the rest of the
// load (VmlDrawings()), since the model's comments do not hold shapes yet.
// A kept part that does not parse as XML (connections, query table) is kept as its bytes with a
// warning; the load goes on.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "xls/model/xlscellarea.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlssheetextras.h"
#include "xls/model/xlssheetobjects.h"
#include "xls/model/xlssheetparts.h"

namespace xls {

class TXc12Manager;
class TXc12GraphicImage;
class TXc12DrawingDocument;
class TXc12DataWorksheet;
class TXc12Comment;
class TOPC_XLSX;
class TXLSFormulaHandler;
class TXpgDOMNode;
class TXpgSimpleDOM;
class TXPGDocBase;
class TXLSStream;
template <class T>
class TXpgList;

namespace xpgxlsx {
class TCT_Worksheet;
class TCT_SheetViews;
class TCT_Pane;
class TCT_Selection;
class TCT_AutoFilter;
class TCT_PrintOptions;
class TCT_PageMargins;
class TCT_PageSetup;
class TCT_HeaderFooter;
class TCT_PageBreak;
class TCT_Comment;
class TCT_Chartsheet;
class TCT_SortState;
class TCT_CustomSheetViews;
class TCT_ConditionalFormatting;
class TCT_Cfvo;
class TCT_Color;
class TCT_SmartTags;
class TCT_PivotSelection;
class TCT_WebPublishItems;
}  // namespace xpgxlsx

// Reads a whole XML part into `dst`: its tree, or, when it does not parse, its bytes, with the
// warning "Part NAME kept unparsed: REASON" through `warn`. The bytes count against the package's
// cap on what one load reads whole.
void ReadKeptXml(TOPC_XLSX& package, TXLSStream& stream, std::u16string_view name, TXc12KeptXml& dst,
                 const std::function<void(std::u16string_view)>& warn);

// The legacy drawing shape of one comment, taken out of the sheet's VML tree.
struct TXLSCommentShape {
  TXc12Comment* Comment = nullptr;  // not owned; an entry of the sheet's comments
  int32_t Color = 0xFFFFE1;         // fillcolor of the shape
  // Anchor: columns and rows zero-based, offsets in pixels.
  int32_t Col1 = 0, Col1Offs = 15, Row1 = 0, Row1Offs = 10, Col2 = 0, Col2Offs = 31, Row2 = 0, Row2Offs = 9;
  std::unique_ptr<TXpgDOMNode> Shape;
};

// The legacy drawing of one sheet.
// (the tree itself is the sheet's VmlDrawing()).
struct TXLSSheetVml {
  TXLSSheetVml();
  ~TXLSSheetVml();
  int32_t SheetIndex = -1;
  std::vector<TXLSCommentShape> CommentShapes;
};

class TXLSReadXLSXObjects {
 public:
  // `warnings`: the load's warning cap, which the warnings of the objects count toward as well
  // (none: a cap of the objects' own).
  TXLSReadXLSXObjects(TXc12Manager& manager, TOPC_XLSX& package, TXLSFormulaHandler* formulas,
                      TXLSWarningCap* warnings = nullptr);
  ~TXLSReadXLSXObjects();
  TXLSReadXLSXObjects(const TXLSReadXLSXObjects&) = delete;
  TXLSReadXLSXObjects& operator=(const TXLSReadXLSXObjects&) = delete;

  // Every sheet-level step after a worksheet part was parsed, in document-schema order, ending
  // with its tables, drawing and legacy drawing. Call it while the sheet's item is the package's
  // current sheet (between OpenAndReadSheet and CloseSheet).
  void ReadWorksheetObjects(const xpgxlsx::TCT_Worksheet& src, TXc12DataWorksheet& sheet);
  // After the sheet's part is closed: the sheet's comments part (none: nothing), then the comment
  // shapes of the legacy drawing read for this sheet.
  void LoadComments(std::u16string_view sheetRId, TXc12DataWorksheet& sheet);
  // A whole chartsheet part: opens, copies and closes it. Raises "Can not find worksheet in OPC"
  // when the relationship names no chartsheet.
  void LoadChartSheet(std::u16string_view rId, TXc12DataWorksheet& sheet);

  // Element readers (the targets are cleared or filled as each says).
  // Empties the views, then adds one per sheetView.
  void ReadSheetViews(const xpgxlsx::TCT_SheetViews& src, TXc12SheetViews& dst);
  void ReadPane(const xpgxlsx::TCT_Pane& src, TXc12Pane& dst);
  void ReadPivotSelection(const xpgxlsx::TCT_PivotSelection& src, TXc12PivotSelection& dst);
  // Adds one item per webPublishItem (worksheets and chartsheets).
  void ReadWebPublishItems(const xpgxlsx::TCT_WebPublishItems& src, TXc12WebPublishItems& dst);
  void ReadSelection(const xpgxlsx::TCT_Selection& src, TXc12Selection& dst);
  void ReadAutoFilter(const xpgxlsx::TCT_AutoFilter& src, TXc12AutoFilter& dst);
  // Adds one condition per sortCondition to what the state holds.
  void ReadSortState(const xpgxlsx::TCT_SortState& src, TXc12SortState& dst);
  // Adds one view per customSheetView.
  void ReadCustomSheetViews(const xpgxlsx::TCT_CustomSheetViews& src, TXc12CustomSheetViews& dst);
  // One conditionalFormatting element into a new format. Formulas stay text; a differential
  // format number that the style sheet does not hold leaves the rule without one.
  void ReadConditionalFormatting(const xpgxlsx::TCT_ConditionalFormatting& src,
                                 TXc12ConditionalFormatting& dst);
  void ReadCfvo(const xpgxlsx::TCT_Cfvo& src, TXc12Cfvo& dst);
  void ReadColorList(const TXpgList<xpgxlsx::TCT_Color>& src, TXc12Colors& dst);
  // Adds one cell entry per cellSmartTags; an r that is not one cell leaves the reference A1.
  void ReadSmartTags(const xpgxlsx::TCT_SmartTags& src, TXc12SmartTags& dst);
  void ReadPrintOptions(const xpgxlsx::TCT_PrintOptions& src, TXc12PrintOptions& dst);
  void ReadPageMargins(const xpgxlsx::TCT_PageMargins& src, TXc12PageMargins& dst);
  // Also takes the printer-settings part the element names (the package's current sheet).
  void ReadPageSetup(const xpgxlsx::TCT_PageSetup& src, TXc12PageSetup& dst);
  void ReadHeaderFooter(const xpgxlsx::TCT_HeaderFooter& src, TXc12HeaderFooter& dst);
  void ReadPageBreaks(const xpgxlsx::TCT_PageBreak& src, std::vector<TXc12Break>& dst);

  // Parts named by the current sheet. A missing table or VML part raises the package's error
  // ("Can not find Table in OPC", "Can not find VmlDrawing %s in OPC"); a drawing part that is
  // missing or cannot be read is a warning (the sheet keeps an empty drawing).
  void LoadTable(std::u16string_view rId, TXc12DataWorksheet& sheet);
  void LoadDrawing(std::u16string_view rId, TXc12DataWorksheet& sheet);
  void LoadVmlDrawing(std::u16string_view rId, TXc12DataWorksheet& sheet);
  // The sheet's pivot table parts into its pivot tables (when a pivot library has registered),
  // each linked to its cache; a part that cannot be read is dropped with a warning naming it.
  void LoadPivotTables(TXc12DataWorksheet& sheet);
  // One comment element: a comment at its ref with its text and author index. A ref that is not
  // one cell adds nothing.
  void DoComment(const xpgxlsx::TCT_Comment& src, TXc12DataWorksheet& sheet);

  // The legacy drawings read in this load, in reading order.
  const std::vector<std::unique_ptr<TXLSSheetVml>>& VmlDrawings() const { return FVmlDrawings; }
  // The one of the sheet with that index, or nullptr.
  TXLSSheetVml* VmlDrawingOf(int32_t sheetIndex) const;

 private:
  // Reports every unknown name of the document as warning 2001.
  void BindErrors(TXPGDocBase& doc);
  void Warning(std::u16string_view text);
  // The custom property's own part (of the current sheet) as bytes; a missing one is a warning.
  void ReadCustomPropertyData(TXc12CustomProperty& dst);
  // Takes the comment shapes out of the sheet's VML tree.
  void ReadCommentShapes(TXLSSheetVml& vml, TXc12DataWorksheet& sheet);

  TXc12Manager& FManager;
  TOPC_XLSX& FPackage;
  TXLSFormulaHandler* FFormulas;  // not owned; may be null
  TXLSWarningCap FOwnWarningCap;
  TXLSWarningCap& FWarningCap;    // the load's, or FOwnWarningCap
  std::vector<std::unique_ptr<TXLSSheetVml>> FVmlDrawings;
  // The pictures read in this load by their part name: a part named by several drawings is read
  // and held once.
  std::unordered_map<std::u16string, TXc12GraphicImage*> FImagesByPart;
  // Comments added by DoComment with their author index, until the part's author list is known.
  std::vector<std::pair<TXc12Comment*, int32_t>> FPendingAuthors;
};

}  // namespace xls
