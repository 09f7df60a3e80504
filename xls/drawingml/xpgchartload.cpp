// Loading a chart part with its style, colour-style and user-shapes parts.
#include "xls/drawingml/xpgchartload.h"

#include <exception>
#include <string>

#include "platform/textcodec.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsimages.h"
#include "xls/package/xlspackageopc.h"

namespace xls::xpgchart {

namespace {

constexpr std::u16string_view kUserShapesType = u"/officeDocument/2006/relationships/chartUserShapes";

std::u16string Reason(const std::exception& e) {
  if (auto* x = dynamic_cast<const XLSRWException*>(&e)) return x->Message();
  return kws::Utf8ToUtf16(e.what());
}

// Closes an item opened for reading when the scope ends.
struct TItemOpen {
  TOPCContainer& opc;
  TOPCItem* item;
  ~TItemOpen() {
    if (item && item->State() == TOPCState::opcsRead) opc.ItemClose(item);
  }
};

}  // namespace

std::unique_ptr<TXPGDocXLSXChart> LoadChart(const TXpgChartLoad& load, std::u16string_view id) {
  TXPGDrawingDocBase* drawing = load.Drawing;
  if (!drawing || drawing->FKind != TXpgDrawingKind::SheetDrawing) return nullptr;
  auto warn = [&](std::u16string_view text) {
    if (load.Warning) load.Warning(text);
  };
  TOPC_XLSX* opc = drawing->FGrManager ? drawing->FGrManager->FXLSOPC : nullptr;
  if (!opc || !opc->FCurrDrawing) {
    warn(u"Chart " + std::u16string(id) + u" not read: no drawing part is being read");
    return nullptr;
  }
  std::u16string name = std::u16string(id);
  TOPCItem* item = nullptr;
  try {
    item = opc->ItemOpenRead(opc->FCurrDrawing, opc::RelType(opc::kChart), id);
  } catch (const std::exception& e) {
    warn(u"Chart " + name + u" not read: " + Reason(e));
    return nullptr;
  }
  if (!item) {
    warn(u"Chart " + name + u" not read: the drawing has no such relationship");
    return nullptr;
  }
  TItemOpen open{*opc, item};
  name = item->AbsoluteTarget();

  auto doc = std::make_unique<TXPGDocXLSXChart>();
  doc->FGrManager = drawing->FGrManager;
  doc->SetBudget(drawing->Budget());
  try {
    auto stream = opc->ItemOpenStream(item);
    if (!stream) throw XLSRWException(u"the package has no such part");
    doc->LoadFromStream(*stream);
  } catch (const std::exception& e) {
    warn(u"Chart " + name + u" not read: " + Reason(e));
    return nullptr;  // its cell ranges leave the binding list with it
  }

  // Style and colour-style parts, in the order of the chart's relationships.
  for (int i = 0; i < item->Count(); ++i) {
    TOPCItem* rel = item->Items(i);
    const bool style = rel->Type_() == opc::kChartStyleType;
    if (!style && rel->Type_() != opc::kChartColorStyleType) continue;
    try {
      auto stream = style ? opc->ReadChartStyle(item, rel->GetId()) : opc->ReadChartColors(item, rel->GetId());
      if (!stream) throw XLSRWException(u"the package has no such part");
      (style ? doc->AddStyle() : doc->AddColors())->LoadFromStream(*stream);
    } catch (const std::exception& e) {
      if (style) doc->FreeStyle();
      else doc->FreeColors();
      warn(std::u16string(style ? u"Chart style " : u"Chart colour style ") + rel->AbsoluteTarget() + u" not read: " +
           Reason(e));
    }
  }

  // User shapes.
  TCT_ChartSpace* space = doc->ChartSpace();
  if (space && space->UserShapes() && load.ReadUserShapes) {
    const std::u16string usId = space->UserShapes()->R_Id();
    try {
      TOPCItem* us = opc->ItemOpenRead(item, opc::RelType(kUserShapesType), usId);
      if (!us) throw XLSRWException(u"the chart has no relationship " + usId);
      TItemOpen usOpen{*opc, us};
      auto stream = opc->ItemOpenStream(us);
      if (!stream) throw XLSRWException(u"the package has no such part");
      space->AddDrawing(load.ReadUserShapes(*stream));
    } catch (const std::exception& e) {
      warn(u"User shapes of chart " + name + u" not read: " + Reason(e));
    }
  }
  return doc;
}

}  // namespace xls::xpgchart
