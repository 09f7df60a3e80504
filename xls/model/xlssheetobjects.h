// The smaller things a worksheet part holds beside its cells that the search never looks at but a
// complete model keeps: scenarios with their input cells, data consolidation with its source
// areas, phonetic properties, custom properties, embedded (OLE) objects, controls and web publish
// items.
//
// Names follow the ECMA-376 elements and attributes (18.3.1: scenarios/scenario/inputCells,
// dataConsolidate/dataRefs/dataRef, phoneticPr, customProperties/customPr, oleObjects/oleObject,
// controls/control, webPublishItems/webPublishItem). Areas and cells are zero-based; an area the
// file did not give has all bounds -1.
// Design choice: each list is a plain owning list (TXc12PlainList) with an `Add` that appends an
// item in its default state, since nothing here is made by the class factory.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xls/model/xlscellarea.h"
#include "xls/model/xlsutils.h"

namespace xls {

// ---- scenarios

struct TXc12InputCell {
  int32_t FRow = 0, FCol = 0;
  bool FDeleted = false, FUndone = false;
  std::u16string FVal;
  int32_t FNumFmtId = 0;
};

class Tx12InputCells : public TXc12PlainList<TXc12InputCell> {
 public:
  using TXc12PlainList<TXc12InputCell>::Add;
  // An input cell at the A1 reference; a text that is no cell leaves it at A1.
  TXc12InputCell* Add(std::u16string_view cellRef) {
    TXc12InputCell* c = Add();
    int32_t col = 0, row = 0;
    if (RefStrToColRow(cellRef, col, row)) c->FCol = col, c->FRow = row;
    return c;
  }
};

struct TXc12Scenario {
  // Everything but the count, which keeps its value.
  void Clear() {
    FName.clear();
    FLocked = FHidden = false;
    FUser.clear();
    FComment.clear();
    FInputCells.Clear();
  }
  std::u16string FName;
  bool FLocked = false, FHidden = false;
  int32_t FCount = 0;
  std::u16string FUser, FComment;
  Tx12InputCells FInputCells;
};

class TXc12Scenarios : public TXc12PlainList<TXc12Scenario> {
 public:
  // No scenarios, current and show 0; the areas stay.
  void Clear() {
    TXc12PlainList<TXc12Scenario>::Clear();
    FCurrent = FShow = 0;
  }
  int32_t FCurrent = 0, FShow = 0;
  TCellAreas FSqref;
};

// ---- data consolidation

enum class TXc12DataConsolidateFunction : uint8_t {
  x12dcfAverage,
  x12dcfCount,
  x12dcfCountNums,
  x12dcfMax,
  x12dcfMin,
  x12dcfProduct,
  x12dcfStdDev,
  x12dcfStdDevp,
  x12dcfSum,
  x12dcfVar,
  x12dcfVarp
};

struct TXc12DataRef {
  TXLSCellArea FRef{-1, -1, -1, -1};
  std::u16string FName, FSheet, FRId;
};

struct TXc12DataConsolidate {
  void Clear() {
    FFunction = TXc12DataConsolidateFunction::x12dcfSum;
    FLeftLabels = FTopLabels = FLink = false;
    FDataRefs.Clear();
  }
  TXc12DataConsolidateFunction FFunction = TXc12DataConsolidateFunction::x12dcfSum;
  bool FLeftLabels = false, FTopLabels = false, FLink = false;
  TXc12PlainList<TXc12DataRef> FDataRefs;
};

// ---- phonetic properties

enum class TXc12PhoneticType : uint8_t {
  x12ptHalfwidthKatakana,
  x12ptFullwidthKatakana,
  x12ptHiragana,
  x12ptNoConversion
};
enum class TXc12PhoneticAlignment : uint8_t { x12paNoControl, x12paLeft, x12paCenter, x12paDistributed };

struct TXc12PhoneticPr {
  void Clear() { *this = TXc12PhoneticPr(); }
  int32_t FFontId = 0;
  TXc12PhoneticType FType = TXc12PhoneticType::x12ptFullwidthKatakana;
  TXc12PhoneticAlignment FAlignment = TXc12PhoneticAlignment::x12paLeft;
};

// ---- custom properties, OLE objects, controls, web publish items

// customPr: a named property whose data is a part of its own (FData holds that part's bytes;
// empty when the package did not give it).
struct TXc12CustomProperty {
  std::u16string FName, FRId;
  std::vector<uint8_t> FData;
};

enum class TXc12DvAspect : uint8_t { x12daDVASPECT_CONTENT, x12daDVASPECT_ICON };
enum class TXc12OleUpdate : uint8_t { x12ouOLEUPDATE_ALWAYS, x12ouOLEUPDATE_ONCALL };

struct TXc12OleObject {
  std::u16string FProgId;
  TXc12DvAspect FDvAspect = TXc12DvAspect::x12daDVASPECT_CONTENT;
  std::u16string FLink;
  TXc12OleUpdate FOleUpdate = TXc12OleUpdate::x12ouOLEUPDATE_ALWAYS;
  bool FAutoLoad = false;
  int32_t FShapeId = 0;
  std::u16string FRId;
};

struct TXc12Control {
  int32_t FShapeId = 0;
  std::u16string FRId, FName;
};

enum class TXc12WebSourceType : uint8_t {
  x12wstSheet,
  x12wstPrintArea,
  x12wstAutoFilter,
  x12wstRange,
  x12wstChart,
  x12wstPivotTable,
  x12wstQuery,
  x12wstLabel
};

struct TXc12WebPublishItem {
  int32_t FId = 0;
  std::u16string FDivId;
  TXc12WebSourceType FSourceType = TXc12WebSourceType::x12wstSheet;
  TCellRef FSourceRef;
  std::u16string FSourceObject, FDestinationFile, FTitle;
  bool FAutoRepublish = false;
};

using TXc12CustomProperties = TXc12PlainList<TXc12CustomProperty>;
using TXc12OleObjects = TXc12PlainList<TXc12OleObject>;
using TXc12Controls = TXc12PlainList<TXc12Control>;
using TXc12WebPublishItems = TXc12PlainList<TXc12WebPublishItem>;

}  // namespace xls
