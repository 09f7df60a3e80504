// The chart object layer: an object tree over a chart's record tree (chartrecords.h). A chart
// object `TDrwChart` has its series, data points, labels, default texts, frame and plot area
// (axes, chart style, legend, 3-D settings). The objects copy no record content: each one refers
// to records of the tree, and its properties read and write the bytes of those records
// (chartproperties.cpp), so the tree always holds the current state.
//
// Format facts (MS-XLS 2.4): CHART (0x1002) holds SERIES (0x1003) with BRAI (0x1051) references
// (id byte 0 name, 1 values, 2 categories, 3 bubble sizes; rt byte 1: 1 literal, 2 reference;
// cce u16 at 6, tokens from 8), DEFAULTTEXT (0x1024) + TEXT (0x1025), FRAME (0x1032), AXISPARENT
// (0x1041) with AXIS (0x101D, wType u16 0 category, 1 value, 2 series), CHARTFORMAT (0x1014)
// whose first child is the chart type record, and SHTPROPS (0x1044).
//
// An embedded chart's record tree belongs to the object of its drawing shape,
// `TShapeOutsideMsoChart`: the sheet drawing's reader makes that object for an OBJ record of
// object type 5 and lets it read the chart sub-stream that follows; the sheet's shape-read event
// then hands the shape to the sheet's chart list (`TDrwCharts::AddFromFile`), which binds a chart
// object to the tree. A new chart (`TDrwCharts::Add`) gets a new chart shape in the sheet's
// drawing (`TEscherDrawing::AddChart`) whose tree is an empty root.
//
// Design: binding never changes the tree except for a fill-effect frame, whose GELFRAME content
// moves into the frame's property table (and back through the record's update event). A chart
// the layer rejects is dropped from the chart list and keeps its record tree (`AddFromFile`
// returns why), so one odd chart never ends a load.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "xls/biff/chartrecords.h"
#include "xls/biff/drawingobjects.h"  // TDrwAnchor
#include "xls/biff/escherpictures.h"  // TMSOBlipType
#include "xls/biff/escherrecords.h"   // TOPT
#include "xls/biff/shapeobjects.h"    // TShapeOutsideMso
#include "xls/model/xlscellarea.h"

namespace xls {
class TXc12Font;
class TXc12Fonts;
}  // namespace xls

namespace xls::biff {

class TFormulaHandler;
class TShapeOutsideMsoChart;

enum class TXLSChartType : uint8_t { xctNone, xctArea, xctBubble, xctColumn, xctLine, xctPie, xctRadar, xctScatter, xctSurface };
enum class TChartLineStyle : uint8_t { clsSolid, clsDash, clsDot, clsDashDot, clsDashDotDot, clsNone, clsDarkGray, clsMediumGray, clsLightGray };
enum class TChartMarkerStyle : uint8_t { cmsNone, cmsSquare, cmsDiamond, cmsTriangle, cmsX, cmsStar, cmsDowJones, cmsStandardDeviation, cmsCircle, cmsPlus };
enum class TChartEmptyCells : uint8_t { cecNotPlotted, cecZero, cecInterpolated };
enum class TChartLegendType : uint8_t { cltBottom, cltCorner, cltTop, cltRight, cltLeft, cltNotDocked };
enum class TChartLegendSpacing : uint8_t { clsClose, clsMedium, clsOpen };
enum class TSerieItemGeomtery : uint8_t { sigDefault, sigCylinder, sigPyramid, sigChoppedPyramid, sigCone, sigChoppedCone, sigLast };
enum class TDefaultRecordData : uint8_t {
  drdAll, drdLegend, drdSerie, drdDataformat, drdStyleArea, drdStyleBarColumn, drdStyleLine, drdStylePie,
  drdStyleRadar, drdStyleScatter, drdStyleSurface
};
// Sets are bit masks: bit i is element i of the enumeration named.
using TChartDataLabels = uint8_t;          // cdlValue, cdlValuePercent, cdlSmoothedLine, cdlCategory, cdlBubbleSize
using TChartSheetOptions = uint8_t;        // csoOnlyVisibleCells, csoDoNotSize
using TCatSerAxisScalingOptions = uint8_t; // csasoCrossesMidCategory, csasoValueCrossesRight, csasoReverseCategories
using TValueAxisScalingOptions = uint8_t;  // vasoAutoMin ... vasoCategoryAxisCrossing
using TChart3DOptions = uint8_t;           // c3doPerspectiveTrans, c3doClusterdCols, c3doAutoScaling, c3do2dWalls

// An object bound to one record of the tree.
class TRecordObject {
 public:
  virtual ~TRecordObject() = default;
  TChartRecord* Rec() const { return FRecord; }
  bool Valid() const { return FRecord != nullptr; }
  virtual void SetRecord(TChartRecord* record) { FRecord = record; }

 protected:
  // The bound record; raises "Property has no data." when there is none (or, with `child`, when
  // it has no first child).
  TChartRecord& Need(bool child = false) const;
  TChartRecord* FRecord = nullptr;
};

// TEXT (0x1025) of a default text.
class TChartText : public TRecordObject {
 public:
  void SetRecord(TChartRecord* record) override;
  TXc12Font* Font() const { return FFont; }
  TXc12IndexColor Color() const;
  void SetColor(TXc12IndexColor v);

 private:
  TXc12Font* FFont = nullptr;
};

class TLineFormat : public TRecordObject {
 public:
  TXc12IndexColor LineColor() const;
  void SetLineColor(TXc12IndexColor v);
  TChartLineStyle LineStyle() const;
  void SetLineStyle(TChartLineStyle v);
  bool Automatic() const;
  void SetAutomatic(bool v);
};

class TAreaFormat : public TRecordObject {
 public:
  uint8_t Pattern() const;  // TXc12FillPattern
  void SetPattern(uint8_t v);
  TXc12IndexColor ForegroundColor() const;
  void SetForegroundColor(TXc12IndexColor v);
  TXc12IndexColor BackgroundColor() const;
  void SetBackgroundColor(TXc12IndexColor v);
  bool Automatic() const;
  void SetAutomatic(bool v);
  bool SwapColorWhenNeg() const;
  void SetSwapColorWhenNeg(bool v);
};

class TMarkerFormat : public TRecordObject {
 public:
  TChartMarkerStyle MarkerStyle() const;
  void SetMarkerStyle(TChartMarkerStyle v);
  TXc12IndexColor ForegroundColor() const;
  void SetForegroundColor(TXc12IndexColor v);
  TXc12IndexColor BackgroundColor() const;
  void SetBackgroundColor(TXc12IndexColor v);
  bool Automatic() const;
  void SetAutomatic(bool v);
  uint32_t Size() const;
  void SetSize(uint32_t v);
};

// A fill-effect frame: the GELFRAME's Escher property table (OPT records) lives in `Properties()`
// while the frame is bound.
class TGelFrame : public TRecordObject {
 public:
  void SetRecord(TChartRecord* record) override;
  const TOPT& Properties() const { return FOPT; }
  TMSOBlipType PictureType() const;
  // The table's defaults of a new fill effect; the owning chart gets a drawing record when it has
  // none.
  void SetDefaults();
  // Writes the table back into the GELFRAME body (an OPT record with its 8-byte header).
  void UpdateRecord();

 private:
  TOPT FOPT;
};

class TPaintFrame : public TRecordObject {
 public:
  void SetRecord(TChartRecord* record) override;
  TLineFormat& LineFormat() { return FLineFormat; }
  TAreaFormat& AreaFormat() { return FAreaFormat; }
  TGelFrame& FillEffects() { return FGelFrame; }
  bool HasFillEffects() const { return FGelFrame.Valid(); }
  void SetHasFillEffects(bool v);

 private:
  TLineFormat FLineFormat;
  TAreaFormat FAreaFormat;
  TGelFrame FGelFrame;
};

class TTickFormat : public TRecordObject {
 public:
  uint8_t MajorTick() const;  // TTickType
  void SetMajorTick(uint8_t v);
  uint8_t MinorTick() const;
  void SetMinorTick(uint8_t v);
  uint8_t LabelPosition() const;  // TTickLablePos
  void SetLabelPosition(uint8_t v);
  TXc12IndexColor LabelColor() const;
  void SetLabelColor(TXc12IndexColor v);
  uint16_t TextRotation() const;
  void SetTextRotation(uint16_t v);
};

class TCatSerAxisScaling : public TRecordObject {
 public:
  uint16_t CrossingPoint() const;
  void SetCrossingPoint(int32_t v);
  uint16_t LabelsFrequency() const;
  void SetLabelsFrequency(int32_t v);
  uint16_t TickMarksFrequency() const;
  void SetTickMarksFrequency(int32_t v);
  TCatSerAxisScalingOptions Options() const;
  void SetOptions(TCatSerAxisScalingOptions v);
};

class TValueAxisScaling : public TRecordObject {
 public:
  double MinValue() const { return Float(0); }
  void SetMinValue(double v) { SetFloat(0, v, 0); }
  double MaxValue() const { return Float(8); }
  void SetMaxValue(double v) { SetFloat(8, v, 1); }
  double MajorInc() const { return Float(16); }
  void SetMajorInc(double v) { SetFloat(16, v, 2); }
  double MinorInc() const { return Float(24); }
  void SetMinorInc(double v) { SetFloat(24, v, 3); }
  double CategoryAxisCrossing() const { return Float(32); }
  void SetCategoryAxisCrossing(double v) { SetFloat(32, v, 4); }
  TValueAxisScalingOptions Options() const;
  void SetOptions(TValueAxisScalingOptions v);

 private:
  double Float(size_t at) const;
  void SetFloat(size_t at, double v, int autoBit);
};

class TChartAxis : public TRecordObject {
 public:
  void SetRecord(TChartRecord* record) override;
  TTickFormat& Tick() { return FTick; }

 private:
  TTickFormat FTick;
};

class TCategoryAxis : public TChartAxis {
 public:
  void SetRecord(TChartRecord* record) override;
  TCatSerAxisScaling& Scaling() { return FCatSerAxisScaling; }

 private:
  TCatSerAxisScaling FCatSerAxisScaling;
};
using TSerieAxis = TCategoryAxis;

class TValueAxis : public TChartAxis {
 public:
  void SetRecord(TChartRecord* record) override;
  TValueAxisScaling& Scaling() { return FValueAxisScaling; }

 private:
  TValueAxisScaling FValueAxisScaling;
};

class TChart3D : public TRecordObject {
 public:
  uint16_t Rotation() const;
  void SetRotation(int32_t v);
  int16_t Elevation() const;
  void SetElevation(int32_t v);
  uint16_t Distance() const;
  void SetDistance(int32_t v);
  uint16_t RelHeight() const;
  void SetRelHeight(uint16_t v);
  uint16_t RelDepth() const;
  void SetRelDepth(uint16_t v);
  uint16_t SeriesSpace() const;
  void SetSeriesSpace(uint16_t v);
  TChart3DOptions Options() const;
  void SetOptions(TChart3DOptions v);
};

class TChartLegend : public TRecordObject {
 public:
  void SetRecord(TChartRecord* record) override;
  TChartLegendType LegendType() const;
  void SetLegendType(TChartLegendType v);
  TChartLegendSpacing LegendSpacing() const;
  void SetLegendSpacing(TChartLegendSpacing v);
  bool Vertical() const;
  void SetVertical(bool v);
  bool HasFrame() const { return FFrame.Valid(); }
  void SetHasFrame(bool v);
  TPaintFrame& Frame() { return FFrame; }

 private:
  TPaintFrame FFrame;
};

// A data point (DATAFORMAT, 0x1006) of a series or a chart style's default.
class TDataPoint {
 public:
  TChartRecord* Rec() const { return FRecord; }
  bool Valid() const { return FRecord != nullptr; }
  // Raises "DATAFORMAT has no child records" for a DATAFORMAT without children.
  void SetRecord(TChartRecord* record);
  void Unbind();
  uint16_t PointIndex() const;
  void SetPointIndex(int32_t v);
  uint16_t PieSliceDist() const;
  void SetPieSliceDist(int32_t v);
  TChartDataLabels DataLablel() const;
  void SetDataLablel(TChartDataLabels v);
  TLineFormat& LineFormat() { return FLineFormat; }
  TAreaFormat& AreaFormat() { return FAreaFormat; }
  TMarkerFormat& MarkerFormat() { return FMarkerFormat; }

 private:
  TChartRecord* FRecord = nullptr;
  TLineFormat FLineFormat;
  TAreaFormat FAreaFormat;
  TMarkerFormat FMarkerFormat;
  TChartRecord* FRecPIEFORMAT = nullptr;
  TChartRecord* FRecATTACHEDLABEL = nullptr;
};

// CHARTFORMAT (0x1014), by its chart type record.
class TChartStyle : public TRecordObject {
 public:
  void SetRecord(TChartRecord* record) override;
  // The chart type the style shows (each style reports its own).
  virtual TXLSChartType StyleChartType() const = 0;
  bool VaryColors() const;
  void SetVaryColors(bool v);
  TChart3D& Chart3D() { return FChart3D; }
  TChartLegend& Legend() { return FLegend; }
  TDataPoint& DefDatapoint() { return FDefDatapoint; }
  bool HasDefDataPoint() const { return FDefDatapoint.Valid(); }
  // True adds a default DATAFORMAT with its formats; false removes the default data point.
  void SetHasDefDataPoint(bool v);

 protected:
  TChart3D FChart3D;
  TChartLegend FLegend;
  TDataPoint FDefDatapoint;
};

class TChartStyleBarColumn : public TChartStyle {
 public:
  // Bars and columns share one word of the enumeration.
  TXLSChartType StyleChartType() const override { return TXLSChartType::xctColumn; }
  bool IsBar() const;
  void SetIsBar(bool v);
  bool Stacked() const;
  void SetStacked(bool v);
};
class TChartStyleLine : public TChartStyle {
 public:
  TXLSChartType StyleChartType() const override { return TXLSChartType::xctLine; }
  bool Stacked() const;
  void SetStacked(bool v);
  bool CategoryAsPercent() const;
  void SetCategoryAsPercent(bool v);
  bool Shadow() const;
  void SetShadow(bool v);
};
class TChartStylePie : public TChartStyle {
 public:
  TXLSChartType StyleChartType() const override { return TXLSChartType::xctPie; }
  uint16_t Angle() const;
  void SetAngle(int32_t v);
  uint16_t DonutHole() const;
  void SetDonutHole(int32_t v);
  bool Shadow() const;
  void SetShadow(bool v);
  bool LeaderLines() const;
  void SetLeaderLines(bool v);
};
class TChartStyleScatter : public TChartStyle {
 public:
  TXLSChartType StyleChartType() const override;
  uint16_t BubblePercent() const;
  void SetBubblePercent(int32_t v);
  bool BubbleIsArea() const;
  void SetBubbleIsArea(bool v);
  bool IsBubble() const;
  void SetIsBubble(bool v);
  bool NegativeBubble() const;
  void SetNegativeBubble(bool v);
  bool Shadow() const;
  void SetShadow(bool v);
};
class TChartStyleRadar : public TChartStyle {
 public:
  TXLSChartType StyleChartType() const override { return TXLSChartType::xctRadar; }
  bool AxisLabels() const;
  void SetAxisLabels(bool v);
  bool Shadow() const;
  void SetShadow(bool v);
};
// A filled radar: the chart type enumeration has no word of its own for it, so it reports radar.
class TChartStyleRadarArea : public TChartStyleRadar {};
class TChartStyleArea : public TChartStyle {
 public:
  TXLSChartType StyleChartType() const override { return TXLSChartType::xctArea; }
};
class TChartStyleSurface : public TChartStyle {
 public:
  TXLSChartType StyleChartType() const override { return TXLSChartType::xctSurface; }
};
// Bar of pie and pie of pie: a pie chart.
class TChartStyleBopPop : public TChartStyle {
 public:
  TXLSChartType StyleChartType() const override { return TXLSChartType::xctPie; }
};

// AXISPARENT (0x1041).
class TChartPlotArea : public TRecordObject {
 public:
  void SetRecord(TChartRecord* record) override;
  TXLSChartType ChartType() const;
  void SetChartType(TXLSChartType v);
  TChartStyle* ChartStyle() const { return FChartStyle.get(); }
  TPaintFrame& Frame() { return FFrame; }
  TCategoryAxis& CategoryAxis() { return FCategoryAxis; }
  TSerieAxis& SerieAxis() { return FSerieAxis; }
  TValueAxis& ValueAxis() { return FValueAxis; }
  bool Is3D() const { return FChartStyle && FChartStyle->Chart3D().Valid(); }
  void SetIs3D(bool v);
  bool HasLegend() const { return FChartStyle && FChartStyle->Legend().Valid(); }
  void SetHasLegend(bool v);

 private:
  TChartStyle& Style() const;
  TCategoryAxis FCategoryAxis;
  TSerieAxis FSerieAxis;
  TValueAxis FValueAxis;
  std::unique_ptr<TChartStyle> FChartStyle;
  TPaintFrame FFrame;
};

// One SERIES (0x1003).
class TXLSChartSerie {
 public:
  explicit TXLSChartSerie(TFormulaHandler* handler) : FFormulaHandler(handler) {}
  TChartRecord* Rec() const { return FRecord; }
  void SetRecord(TChartRecord* record);
  // The name: a reference's text, or a literal in double quotes.
  std::u16string SerieName() const;
  void SetSerieName(std::u16string_view v);
  std::u16string Values() const { return DecodeRef(FiRecAI_Values); }
  void SetValues(std::u16string_view v);
  std::u16string Category() const { return DecodeRef(FiRecAI_Category); }
  void SetCategory(std::u16string_view v) { EncodeRef(FiRecAI_Category, v); }
  std::u16string Values2() const { return DecodeRef(FiRecAI_Values2); }
  void SetValues2(std::u16string_view v) { EncodeRef(FiRecAI_Values2, v); }
  std::vector<std::unique_ptr<TDataPoint>>& DataPoints() { return FDataPoints; }
  TDataPoint& DefDataPoint() { return FDefDatapoint; }
  bool HasDefDataPoint() const;
  void SetHasDefDataPoint(bool v);
  TSerieItemGeomtery Geomtery() const;
  void SetGeomtery(TSerieItemGeomtery v);

 private:
  TChartRecord& Brai(int32_t index) const;
  std::u16string DecodeRef(int32_t index) const;
  void EncodeRef(int32_t index, std::u16string_view text);
  TChartRecord* FRecord = nullptr;
  TFormulaHandler* FFormulaHandler;
  int32_t FiRecAI_Values = -1, FiRecAI_Values2 = -1, FiRecAI_Category = -1, FiRecAI_SerieName = -1;
  TChartRecord* PRecGeomtery = nullptr;
  TDataPoint FDefDatapoint;
  std::vector<std::unique_ptr<TDataPoint>> FDataPoints;
};

// One TEXT (0x1025) child of CHART: a title or a label.
class TChartLabel {
 public:
  TChartRecord* Rec() const { return FRecord; }
  void SetRecord(TChartRecord* record);
  int32_t XOffset() const;
  void SetXOffset(int32_t v);
  int32_t YOffset() const;
  void SetYOffset(int32_t v);
  uint16_t SerieIndex() const;
  void SetSerieIndex(uint16_t v);
  uint16_t DataPointIndex() const;
  void SetDataPointIndex(uint16_t v);
  uint16_t Rotation() const;
  void SetRotation(int32_t v);
  std::u16string Text() const;
  void SetText(std::u16string_view v);

 private:
  TChartRecord& Need(TChartRecord* r) const;
  TChartRecord* FRecord = nullptr;
  TChartRecord* FRecPOS = nullptr;
  TChartRecord* FRecAI = nullptr;
  TChartRecord* FRecOBJECTLINK = nullptr;
  TChartRecord* FRecSERIESTEXT = nullptr;
};

// An embedded chart's objects; the item stands for the chart's shape in the sheet's drawing (none
// for a chart bound to a tree of its own).
class TDrwChart : public TDrwAnchor {
 public:
  TDrwChart(int32_t id, TFormulaHandler* handler);
  const std::u16string& Name() const { return FName; }
  TChartRecord* Rec() const { return FRecord; }
  // The object of the chart's shape, which holds the record tree (nullptr without a shape).
  TShapeOutsideMsoChart* ChartShape() const;
  // Binds the chart to a record tree (its root, or the CHART record's parent): raises
  // XLSRWException with the layer's message for a tree of unexpected shape.
  void SetRecord(TChartRecord* record);
  std::vector<std::unique_ptr<TXLSChartSerie>>& Series() { return FSeries; }
  std::vector<std::unique_ptr<TChartLabel>>& Labels() { return FLabels; }
  TChartPlotArea& PlotArea() { return FPlotArea; }
  TPaintFrame& Frame() { return FFrame; }
  TChartText& DefaultTextA() { return FDefaultTextA; }
  TChartText& DefaultTextB() { return FDefaultTextB; }

  TChartEmptyCells EmptyCells() const;
  void SetEmptyCells(TChartEmptyCells v);
  bool PlotVisibleCellsOnly() const;
  void SetPlotVisibleCellsOnly(bool v);
  TChartSheetOptions SheetOptions() const;
  void SetSheetOptions(TChartSheetOptions v);

 private:
  friend class TDrwCharts;
  static std::u16string Digits(int32_t v);
  TChartRecord& Props() const;
  TChartRecord* FRecord = nullptr;
  TChartRecord* FRecCHART = nullptr;
  TChartRecord* FRecSHTPROPS = nullptr;
  TChartText FDefaultTextA, FDefaultTextB;
  std::vector<std::unique_ptr<TChartLabel>> FLabels;
  std::vector<std::unique_ptr<TXLSChartSerie>> FSeries;
  TChartPlotArea FPlotArea;
  TPaintFrame FFrame;
  TFormulaHandler* FFormulaHandler;
  std::u16string FName;  // "Chart n", n the id it was made with
};

// The object of an embedded chart's shape (OBJ object type 5): the chart's record tree, read from
// the chart sub-stream that follows the shape's OBJ record, and the chart's own drawing. Made by
// the sheet drawing's reader with the drawing's picture store and fonts, or with a new chart shape
// (`TEscherDrawing::AddChart`), whose tree is an empty root.
class TShapeOutsideMsoChart final : public TShapeOutsideMso, public TChartTreeOwner {
 public:
  explicit TShapeOutsideMsoChart(TEscherGroup* drawingGroup = nullptr, TXc12Fonts* fonts = nullptr);
  ~TShapeOutsideMsoChart() override;
  TChartRecordUpdate& Records() const { return *FRecords; }
  // The chart's own drawing (nullptr when it has none).
  TEscherDrawing* Drawing() const { return FDrawing.get(); }
  TEscherGroup* DrawingGroup() const override { return FDrawingGroup; }
  TXc12Fonts* Fonts() const { return FFonts; }
  void SetOwners(TEscherGroup* drawingGroup, TXc12Fonts* fonts) {
    FDrawingGroup = drawingGroup;
    FFonts = fonts;
  }

  // Reads the chart sub-stream that starts at the source's position (its BOF) up to its first EOF
  // into the tree, with the object's fonts. One the tree reader cannot take is kept as a flat list
  // of its records (without a drawing): the reason is returned and kept as `Failure`.
  std::string Read(TChartRecordSource& source);
  // True when the sub-stream could not be read as a tree: the root holds its records flat.
  bool Raw() const { return FRaw; }
  // Why the chart was kept raw or without objects ("Chart kept raw: ...", "Chart kept without
  // objects: ..."); empty when neither happened.
  const std::string& Failure() const { return FFailure; }
  // The chart's drawing, made when it has none: a drawing of the object's picture store that has
  // its cluster there. True when it was made.
  bool NeedDrawing();

 protected:
  TXc12Fonts* DrawingFonts(TXc12Fonts*) const override { return nullptr; }
  void SetDrawing(std::unique_ptr<TEscherDrawing> drawing) override;

 private:
  friend class TDrwCharts;
  TEscherGroup* FDrawingGroup;
  TXc12Fonts* FFonts;
  std::unique_ptr<TChartRecordUpdate> FRecords;
  std::unique_ptr<TEscherDrawing> FDrawing;  // declared after the tree: freed before it
  bool FRaw = false;
  std::string FFailure;
};

// The embedded charts of a legacy sheet, over the sheet's drawing.
class TDrwCharts {
 public:
  TDrwCharts(TEscherDrawing* drawing, TFormulaHandler* handler, TXc12Fonts* fonts)
      : FDrawing(drawing), FFormulaHandler(handler), FFonts(fonts) {}
  size_t Count() const { return FItems.size(); }
  TDrwChart& Items(size_t index) const;  // std::out_of_range outside
  // Forgets the charts (their shapes, with the trees, stay with the drawing).
  void Clear() { FItems.clear(); }
  TXc12Fonts* Fonts() const { return FFonts; }

  // A new chart: a new chart shape in the sheet's drawing (`AddChart`), its object bound to the
  // shape's tree.
  TDrwChart& Add();
  // Adds the chart of a chart shape read from the file, whose object is a `TShapeOutsideMsoChart`
  // (the sheet's shape-read event calls it). A raw tree, or one the layer rejects, gets no chart
  // item: the object's `Failure` says why and is returned (empty when the chart was added).
  std::string AddFromFile(TShapeClientAnchor& shape);
  // Binds a new chart item of `shape` (may be nullptr) to the tree whose root is `root`; the
  // reason when the layer rejects the tree (no item is added then), else empty.
  std::string AddFromFile(TShapeClientAnchor* shape, TChartRecord* root);

 private:
  std::vector<std::unique_ptr<TDrwChart>> FItems;
  TEscherDrawing* FDrawing;
  TFormulaHandler* FFormulaHandler;
  TXc12Fonts* FFonts;
  int32_t FNextId = 1;
};

// Expands the default-record table `table` below `record`; `fonts` receives the fonts of FBI
// entries. A table that opens with BEGIN below a record without children fills that record's own
// block (a new LEGEND gets its POS and TEXT below it).
void ReadDefaultRecords(TChartRecord& record, TDefaultRecordData table, TXc12Fonts* fonts);

// ---- the record tree as a dump reads it ----------------------------------------------------

// The CHART record of a tree (the first CHART child of a root that starts with BOF); nullptr when
// none.
TChartRecord* ChartRecordOf(TChartRecord& root);
// The chart type word of the last AXISPARENT's CHARTFORMAT ("column", "bar", "line", "pie",
// "doughnut", "area", "scatter", "bubble", "radar", "radararea", "surface", "boppop"; empty when
// the tree names none), whether it is 3-D, and its number of series.
struct TChartSummary {
  std::string Type;
  bool Is3D = false;
  size_t SeriesCount = 0;
};
TChartSummary SummarizeChart(TChartRecord& root);

}  // namespace xls::biff
