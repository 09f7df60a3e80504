// Chart record trees: a chart of a legacy workbook (a chart sheet, or a chart embedded in a
// sheet's drawing) kept as a tree of its records, so that the chart object layer
// (chartobjects.h) can present it and nothing of the chart is lost.
//
// Format facts (MS-XLS 2.1.7.20, 2.4): a chart is a sub-stream that starts with a BOF record of
// sheet type 0x0020 and ends with an EOF record; inside it BEGIN (0x1033) and END (0x1034)
// bracket the children of the record before the BEGIN. FONTX (0x1026) names a font (u16 index
// into the workbook's fonts, or the ifnt of an FBI record of the chart); FBI (0x1060) holds
// dmixBasis, dmiyBasis, twpHeightBasis, scab and ifnt (u16 each). GELFRAME (0x1066) holds an
// Escher property table that may go on in further GELFRAME and CONTINUE records. MSODRAWING
// (0x00EC) records inside a chart hold the chart's own drawing.
//
// Tree nodes: the root (id 0xFFFA, no body) has the chart's owner instead of a parent record;
// an ordinary node holds a copy of its record body; a FONTX node holds no body and refers to a
// model font (not owned); an FBI node holds its 10 body bytes and 4 bytes of the referred font's
// list position (0xFFFFFFFF for none) and refers to that font; a GELFRAME node holds the joined
// bodies of its records (any length: a joined frame may pass 65,535 bytes); an MSODRAWING node of
// more than 80 bytes stands for the drawing its owner reads.
//
// Design: one chart never ends a load. A sub-stream ends at its first EOF whatever BOF records
// it holds (Gnumeric starts chart sheets with two); a sub-stream the tree reader cannot take
// (a BEGIN with no record before it, nesting deeper than `MAX_CHART_NESTING`, a failing drawing,
// "Can not find FBI") is kept as a flat list of its records up to that EOF, and the caller warns.
// Font indexes outside the workbook's font list refer to no font.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "xls/biff/xlsstream.h"

namespace xls {
class TXc12Font;
class TXc12Fonts;
}  // namespace xls

namespace xls::biff {

// Record ids of the chart sub-stream.
inline constexpr uint16_t CHARTREC_ROOT = 0xFFFA;
inline constexpr uint16_t CHARTREC_BOF = 0x0809;
inline constexpr uint16_t CHARTREC_EOF = 0x000A;
inline constexpr uint16_t CHARTREC_PROTECT = 0x0012;
inline constexpr uint16_t CHARTREC_CONTINUE = 0x003C;
inline constexpr uint16_t CHARTREC_MSODRAWING = 0x00EC;
inline constexpr uint16_t CHARTREC_CHART = 0x1002;
inline constexpr uint16_t CHARTREC_SERIES = 0x1003;
inline constexpr uint16_t CHARTREC_DATAFORMAT = 0x1006;
inline constexpr uint16_t CHARTREC_LINEFORMAT = 0x1007;
inline constexpr uint16_t CHARTREC_MARKERFORMAT = 0x1009;
inline constexpr uint16_t CHARTREC_AREAFORMAT = 0x100A;
inline constexpr uint16_t CHARTREC_PIEFORMAT = 0x100B;
inline constexpr uint16_t CHARTREC_ATTACHEDLABEL = 0x100C;
inline constexpr uint16_t CHARTREC_SERIESTEXT = 0x100D;
inline constexpr uint16_t CHARTREC_CHARTFORMAT = 0x1014;
inline constexpr uint16_t CHARTREC_LEGEND = 0x1015;
inline constexpr uint16_t CHARTREC_BAR = 0x1017;
inline constexpr uint16_t CHARTREC_LINE = 0x1018;
inline constexpr uint16_t CHARTREC_PIE = 0x1019;
inline constexpr uint16_t CHARTREC_AREA = 0x101A;
inline constexpr uint16_t CHARTREC_SCATTER = 0x101B;
inline constexpr uint16_t CHARTREC_AXIS = 0x101D;
inline constexpr uint16_t CHARTREC_TICK = 0x101E;
inline constexpr uint16_t CHARTREC_VALUERANGE = 0x101F;
inline constexpr uint16_t CHARTREC_CATSERRANGE = 0x1020;
inline constexpr uint16_t CHARTREC_CHARTFORMATLINK = 0x1022;
inline constexpr uint16_t CHARTREC_DEFAULTTEXT = 0x1024;
inline constexpr uint16_t CHARTREC_TEXT = 0x1025;
inline constexpr uint16_t CHARTREC_FONTX = 0x1026;
inline constexpr uint16_t CHARTREC_OBJECTLINK = 0x1027;
inline constexpr uint16_t CHARTREC_FRAME = 0x1032;
inline constexpr uint16_t CHARTREC_BEGIN = 0x1033;
inline constexpr uint16_t CHARTREC_END = 0x1034;
inline constexpr uint16_t CHARTREC_CHART3D = 0x103A;
inline constexpr uint16_t CHARTREC_RADAR = 0x103E;
inline constexpr uint16_t CHARTREC_SURF = 0x103F;
inline constexpr uint16_t CHARTREC_RADARAREA = 0x1040;
inline constexpr uint16_t CHARTREC_AXISPARENT = 0x1041;
inline constexpr uint16_t CHARTREC_SHTPROPS = 0x1044;
inline constexpr uint16_t CHARTREC_POS = 0x104F;
inline constexpr uint16_t CHARTREC_BRAI = 0x1051;
inline constexpr uint16_t CHARTREC_3DBARSHAPE = 0x105F;
inline constexpr uint16_t CHARTREC_FBI = 0x1060;
inline constexpr uint16_t CHARTREC_BOPPOP = 0x1061;
inline constexpr uint16_t CHARTREC_GELFRAME = 0x1066;
// No file record: a default-record table entry that stands for the whole legend table.
inline constexpr uint16_t CHARTREC_DEFLEGEND = 0xF001;

// Deepest BEGIN/END nesting the tree reader takes (real charts nest fewer than ten levels).
inline constexpr int MAX_CHART_NESTING = 32;
// MSODRAWING records inside a chart up to this many body bytes are dropped.
inline constexpr uint32_t CHART_DRAWING_MIN = 80;

class TChartRecord;
class TBaseRecordStorage;
class TEscherDrawing;
class TEscherGroup;

// Where the tree reader takes its records from: the workbook stream (chart sheets) or the records
// a sheet's drawing reader kept for an embedded chart.
class TChartRecordSource {
 public:
  virtual ~TChartRecordSource() = default;
  // The next record's header; false at the end.
  virtual bool NextHeader(TBIFFHeader& header) = 0;
  // The body of the record whose header was read last (fewer bytes when the source ends).
  virtual std::vector<uint8_t> Body(const TBIFFHeader& header) = 0;
  // The next record's id without moving; 0 at the end.
  virtual uint16_t PeekId() const = 0;
  virtual int64_t Pos() const = 0;
  virtual void Seek(int64_t pos) = 0;
};

class TStreamChartSource : public TChartRecordSource {
 public:
  explicit TStreamChartSource(TXLSStream& stream) : FStream(stream) {}
  bool NextHeader(TBIFFHeader& header) override { return FStream.ReadHeader(header) == 4; }
  std::vector<uint8_t> Body(const TBIFFHeader& header) override;
  uint16_t PeekId() const override { return FStream.PeekHeader(); }
  int64_t Pos() const override { return FStream.Pos(); }
  void Seek(int64_t pos) override { FStream.Seek(pos, 0); }
  TXLSStream& Stream() { return FStream; }

 private:
  TXLSStream& FStream;
};

class TListChartSource : public TChartRecordSource {
 public:
  explicit TListChartSource(const TBaseRecordStorage& records) : FRecords(records) {}
  bool NextHeader(TBIFFHeader& header) override;
  std::vector<uint8_t> Body(const TBIFFHeader& header) override;
  uint16_t PeekId() const override;
  int64_t Pos() const override { return int64_t(FNext); }
  void Seek(int64_t pos) override { FNext = size_t(pos); }

 private:
  const TBaseRecordStorage& FRecords;
  size_t FNext = 0;
};

// What a chart tree belongs to: the chart sheet list or an embedded chart's shape. The tree
// reader hands it the chart's drawing.
class TChartTreeOwner {
 public:
  virtual ~TChartTreeOwner() = default;
  // Reads the chart's drawing, which starts with the body of the MSODRAWING record whose header
  // was just read (`placeholder` stands for it in the tree; its body is not filled), with the
  // drawing records that follow it (MSODRAWING, OBJ, TXO, CONTINUE, IMDATA), into a new Escher
  // drawing of the owner's drawing group; the drawing read last is the chart's. Leaves the source
  // after the drawing's last record; raises XLSRWException when the drawing cannot be read.
  virtual void LoadChartDrawing(TChartRecordSource& source, TChartRecord& placeholder, TXc12Fonts* fonts);

 protected:
  // The picture store new drawings belong to (none: a drawing of its own).
  virtual TEscherGroup* DrawingGroup() const { return nullptr; }
  // The fonts a new drawing gets from the tree reader's (an embedded chart's drawing gets none).
  virtual TXc12Fonts* DrawingFonts(TXc12Fonts* fonts) const { return fonts; }
  virtual void SetDrawing(std::unique_ptr<TEscherDrawing> drawing) = 0;
};

// One node of a chart record tree; owns its children (file order) and its body.
class TChartRecord {
 public:
  // A record from its 32-bit header (id low, length high) and body bytes (zero when none).
  TChartRecord(TChartRecord* parent, uint32_t header, const uint8_t* data);
  // A record with `length` zeroed body bytes.
  TChartRecord(TChartRecord* parent, uint16_t recId, uint32_t length);
  // A record that refers to a font (FONTX): no body.
  TChartRecord(TChartRecord* parent, uint16_t recId, TXc12Font* font);
  virtual ~TChartRecord();
  TChartRecord(const TChartRecord&) = delete;
  TChartRecord& operator=(const TChartRecord&) = delete;

  TChartRecord* Parent() const { return FParent; }
  uint16_t RecId() const { return FRecId; }
  uint32_t Length() const { return uint32_t(FData.size()); }
  uint8_t* Data() { return FData.data(); }
  const uint8_t* Data() const { return FData.data(); }
  std::span<const uint8_t> Body() const { return FData; }
  std::vector<uint8_t>& Bytes() { return FData; }
  // The font a FONTX or FBI node refers to (nullptr for none).
  TXc12Font* Font() const { return FFont; }
  void SetFont(TXc12Font* f) { FFont = f; }

  size_t Count() const { return FItems.size(); }
  TChartRecord* Items(size_t index) const;  // std::out_of_range outside
  TChartRecord* Last() const { return FItems.empty() ? nullptr : FItems.back().get(); }
  // Index of `child` among this node's children; -1 when it is none of them.
  int32_t IndexOf(const TChartRecord* child) const;

  // The root of this node's tree (nullptr when the chain breaks, which no tree built here does).
  TChartRecord* Root();
  // The owner of the tree (set on the root only).
  TChartTreeOwner* Owner() const { return FOwner; }
  void SetOwner(TChartTreeOwner* owner) { FOwner = owner; }

  // Reads records from the stream into this node's children up to the sub-stream's first EOF
  // (included) or the end of the stream; `buffer` is the caller's record buffer (not needed
  // beyond its size), `fonts` the model's font list (may be nullptr: no font references).
  void Read(TXLSStream& stream, std::vector<uint8_t>& buffer, TXc12Fonts* fonts);
  void Read(TChartRecordSource& source, TXc12Fonts* fonts);
  // Index of the first direct child with that id; -1 when none.
  int32_t FindRecord(uint16_t id) const;
  // The first direct child with that id, nullptr when none.
  TChartRecord* Find(uint16_t id) const;
  // Creates a child with `length` zeroed body bytes at `index` (at the end when negative or past
  // the end).
  TChartRecord* InsertRecord(int32_t index, uint16_t recId, uint32_t length, bool isUpdate);
  // Takes a child made elsewhere, at `index` (the end when negative or past it).
  TChartRecord* Insert(int32_t index, std::unique_ptr<TChartRecord> child);
  // Frees the first direct child with that id; whether there was one.
  bool RemoveRecord(uint16_t id);
  // Frees the child at index.
  void Delete(size_t index);
  // Frees every child.
  void ClearChildren() { FItems.clear(); }
  // Changes the body length by delta, keeping the leading bytes (new bytes are 0).
  void Resize(int32_t delta);
  // The font of the FBI record (a direct child of the root) whose ifnt is `index`; nullptr when
  // none matches and the last root child is no FBI; raises "Can not find FBI" when it is one.
  TXc12Font* FindFBIFont(uint16_t index);

 protected:
  TChartRecord* FParent = nullptr;
  TChartTreeOwner* FOwner = nullptr;

 private:
  // Reads one level; true when the sub-stream's EOF was met.
  bool ReadLevel(TChartRecordSource& source, TXc12Fonts* fonts, int depth);
  uint16_t FRecId = 0;
  std::vector<uint8_t> FData;
  TXc12Font* FFont = nullptr;
  std::vector<std::unique_ptr<TChartRecord>> FItems;
};

// A node whose content another object may hold in another form (root and GELFRAME records): the
// update event puts it back before the record is written.
class TChartRecordUpdate : public TChartRecord {
 public:
  using TChartRecord::TChartRecord;
  std::function<void(TChartRecordUpdate&)> OnUpdate;
};

// A new root (id 0xFFFA) that belongs to `owner`.
std::unique_ptr<TChartRecordUpdate> NewChartRoot(TChartTreeOwner* owner);

// Model font of file font index `index` (list entry index + 1); nullptr outside the list.
TXc12Font* ChartFontOfIndex(TXc12Fonts* fonts, uint32_t index);

// Reads a chart sub-stream into `root`: as a tree when it can, else (the returned text is the
// reason, empty on success) as a flat list of its records up to its first EOF, read again from
// `start`, where the sub-stream's first unread record begins.
std::string ReadChartOrRaw(TChartRecord& root, TChartRecordSource& source, TXc12Fonts* fonts, int64_t start);

// One chart sheet.
class TSheetChart {
 public:
  int32_t SheetIndex() const { return FSheetIndex; }
  const std::u16string& Name() const { return FName; }
  TChartRecordUpdate& Record() const { return *FRecord; }
  // True when the sub-stream could not be read as a tree: the root holds its records flat.
  bool Raw() const { return FRaw; }
  // The chart sheet's drawing (nullptr when the chart has none).
  TEscherDrawing* Drawing() const { return FDrawing.get(); }
  void AddDrawing(std::unique_ptr<TEscherDrawing> drawing);
  TSheetChart();
  ~TSheetChart();

 private:
  friend class TSheetCharts;
  int32_t FSheetIndex = 0;
  std::u16string FName = u"Chart";
  std::unique_ptr<TChartRecordUpdate> FRecord;
  std::unique_ptr<TEscherDrawing> FDrawing;  // declared after the tree: freed before it
  bool FRaw = false;
};

// The chart sheets of a legacy workbook, in file order.
class TSheetCharts : public TChartTreeOwner {
 public:
  explicit TSheetCharts(TEscherGroup* drawingGroup = nullptr) : FDrawingGroup(drawingGroup) {}
  TEscherGroup* DrawingGroup() const override { return FDrawingGroup; }
  size_t Count() const { return FItems.size(); }
  TSheetChart& Items(size_t index) const;  // std::out_of_range outside
  void Clear() { FItems.clear(); }
  int32_t CurrIndex() const { return FCurrIndex; }

  // Reads a chart sheet whose BOF body the record loop has read into `buffer` (its first 16
  // bytes become the tree's BOF record); the stream stands after that BOF. Returns the reason
  // when the sheet had to be kept raw (empty when it was read as a tree).
  std::string LoadFromStream(TXLSStream& stream, std::u16string_view name, std::vector<uint8_t>& buffer,
                             TXc12Fonts* fonts, int32_t sheetIndex);

 protected:
  void SetDrawing(std::unique_ptr<TEscherDrawing> drawing) override;

 private:
  TEscherGroup* FDrawingGroup;
  std::vector<std::unique_ptr<TSheetChart>> FItems;
  int32_t FCurrIndex = 0;
};

}  // namespace xls::biff
