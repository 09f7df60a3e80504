// The shape tree of one legacy sheet's drawing: `TEscherDrawing` reads the OfficeArtDgContainer
// that the sheet's MSODRAWING records hold, with the BIFF records the file puts between its
// pieces (each shape's OBJ record, the TXO record and CONTINUE records of its text, an embedded
// chart's substream, IMDATA pictures), and creates new shapes.
//
// Format facts (MS-ODRAW 2.2.13 to 2.2.40, MS-XLS 2.4.181 MsoDrawing, 2.4.329 TxO):
// - DgContainer (0xF002): DG (0xF008: shape count, last shape id; instance = drawing id), an
//   optional FRIT container (0xF118), the patriarch's SpgrContainer (0xF003), optionally a solver
//   container (0xF005). An SpgrContainer holds first the group's own SpContainer (0xF004: FSPGR
//   rectangle and FSP), then its children, SpContainers or nested SpgrContainers.
// - An SpContainer holds FSP (0xF00A: shape id, flags; instance = shape type), properties
//   (0xF00B, 0xF122), an anchor (0xF010 cell anchor of 18 bytes, 0xF00F child anchor of 16),
//   client data (0xF011) and for a shape with text a client text box (0xF00D).
// - The sheet stream ends an MSODRAWING record after the client data; the OBJ record (0x005D) of
//   the shape follows, then (for an embedded chart) the chart's BOF..EOF substream. A text box
//   record stands alone in the next MSODRAWING record and is followed by the TXO record (0x01B6):
//   TextLen characters in CONTINUE records (each starting with its own width flag, 0 8-bit,
//   1 UTF-16LE), then FormatLen bytes of formatting runs in a CONTINUE record.
//
// Design: the drawing's records are first taken from the stream by their headers alone (which are
// never encrypted), from the first MSODRAWING up to the first record that cannot belong to the
// drawing; the shape tree is then read from that list, each drawing record consumed by its own
// length. A drawing that fails to read leaves the record loop in step and hands its records back
// to be kept raw. A shape reads its text whenever its container holds a text box record, whatever
// its properties say (LibreOffice writes text boxes without a text id). The OBJ sub-records and
// the text records are kept with the shape and handed to `ObjectReader`, the seam where the OBJ
// and TXO object classes take them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "xls/biff/escherpictures.h"
#include "xls/biff/escherrecords.h"
#include "xls/biff/recordstorage.h"

namespace xls {
class TXc12Fonts;
}

namespace xls::biff {

class TXLSStream;
class TInternalNames;
class TEscherDrawing;
class TShapeOutsideMso;  // the object made from a shape's OBJ and TXO records

inline constexpr uint16_t BIFFID_TXO = 0x01B6;
inline constexpr uint16_t BIFFID_IMDATA = 0x007F;
// Deepest group nesting a drawing may have.
inline constexpr int MSO_MAX_GROUP_DEPTH = 64;

// The cell anchor of a shape (OfficeArtClientAnchorSheet).
struct TMSOObjCLIENTANCHOR {
  uint32_t FOptions = 0;
  uint32_t FCol1 = 0, FCol1Offset = 0, FRow1 = 0, FRow1Offset = 0;
  uint32_t FCol2 = 0, FCol2Offset = 0, FRow2 = 0, FRow2Offset = 0;
  // Nine 16-bit words; missing bytes read 0.
  void Read(std::span<const uint8_t> body);
};

struct TMSORecCHILDANCHOR {
  int32_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
};
using TMSORecSPGR = TMSORecCHILDANCHOR;

struct TMSORecDG {
  uint32_t ShapeCount_ = 0;
  uint32_t CurSpId = 0;
};

struct TMSOFileReGroupItem {
  uint16_t fridNew = 0, fridOld = 0;
};

// What a NOTE record ties to a note shape.
struct TShapeNoteData {
  int32_t CellCol = 0, CellRow = 0;
  uint16_t Options = 0;
  std::u16string Author;
};

class TShape {
 public:
  virtual ~TShape();
  virtual bool IsGroup() const { return false; }
  // The cell anchor, or nullptr for a shape in a group's coordinates.
  virtual TMSOObjCLIENTANCHOR* ClientAnchor() { return nullptr; }
  virtual TMSORecCHILDANCHOR* ChildAnchor() { return nullptr; }

  uint32_t SpId() const { return FSpId; }
  int32_t ShapeType() const { return FShapeType; }
  bool FlipHorizontal() const { return (FOptions & 0x40) != 0; }
  bool FlipVertical() const { return (FOptions & 0x80) != 0; }
  void SetFlipHorizontal(bool v) { FOptions = v ? FOptions | 0x40 : FOptions & ~uint32_t(0x40); }
  void SetFlipVertical(bool v) { FOptions = v ? FOptions | 0x80 : FOptions & ~uint32_t(0x80); }
  // Sets the shape type; rectangle (1), oval (3) and lines (13, 20) also set the OBJ's type.
  void SetShapeType(int32_t value);
  void MakeMacro();
  // Object type and id of the OBJ's first sub-record (ftCmo); -1 without one.
  int32_t ObjType() const;
  int32_t ObjId() const;
  // Shape name (property 0x0380).
  std::u16string Name() const { return FOPT.FindString(0x0380); }

  uint32_t FSpId = 0;
  int32_t FShapeType = 0;
  uint32_t FOptions = 0;
  TOPT FOPT;
  // Tertiary properties, made when the shape has them.
  std::unique_ptr<TOPT> FFOPT;
  std::unique_ptr<TMSORecords> FUnknown;
  // The OBJ record's sub-records (type, length, data), as read.
  TBaseRecordStorage FOBJ;
  // The TXO record and the CONTINUE records of the shape's text, as read, in stream form (each
  // record's 4-byte header, then its body); empty without a text, and emptied once the shape's
  // text object has read them (it keeps the TXO body, the text and the runs).
  std::vector<uint8_t> FTXO;
  // An embedded chart's substream, BOF to its first EOF, as read; made for a chart and handed to
  // the chart's object once that is made (a shape without a chart object keeps it).
  std::unique_ptr<TBaseRecordStorage> FChart;
  // The shape's text: its text object's when it has one, else FText.
  const std::u16string& Text() const;
  // The text of the TXO records of a shape without a text object (empty without them); a text
  // object holds its text itself, once.
  std::u16string FText;
  bool FHasText = false;
  // Set on a note shape by its NOTE record (held in the shape: one block less a note).
  std::optional<TShapeNoteData> FNote;
  // The object made from the OBJ and TXO records, when the object classes are attached.
  std::shared_ptr<TShapeOutsideMso> FInterface;
  // Object type and id of the ftCmo sub-record when a control's object took the sub-records.
  int32_t FTakenObjType = -1;
  int32_t FTakenObjId = -1;
};

class TShapeClientAnchor final : public TShape {
 public:
  TMSOObjCLIENTANCHOR* ClientAnchor() override { return &FAnchor; }
  bool FVisible = true;
  TMSOObjCLIENTANCHOR FAnchor;
};

class TShapeChildAnchor : public TShape {
 public:
  TMSORecCHILDANCHOR* ChildAnchor() override { return &FCHILDANCHOR; }
  TMSORecCHILDANCHOR FCHILDANCHOR;
};

class TShapeGroup : public TShape {
 public:
  explicit TShapeGroup(TEscherDrawing* drawing) : FDrawing(drawing) {}
  bool IsGroup() const override { return true; }
  size_t Count() const { return FList.size(); }
  TShape* Items(size_t i) const { return FList.at(i).get(); }
  // Shapes in this group at every level below it.
  size_t DeepCount() const;
  TEscherDrawing* FDrawing;
  std::vector<std::unique_ptr<TShape>> FList;
  TMSORecSPGR FSPGR;
};

class TShapeGroupClientAnchor : public TShapeGroup {
 public:
  using TShapeGroup::TShapeGroup;
  TMSOObjCLIENTANCHOR* ClientAnchor() override { return &FAnchor; }
  TMSOObjCLIENTANCHOR FAnchor;
};

class TShapeGroupChildAnchor : public TShapeGroup {
 public:
  using TShapeGroup::TShapeGroup;
  TMSORecCHILDANCHOR* ChildAnchor() override { return &FCHILDANCHOR; }
  TMSORecCHILDANCHOR FCHILDANCHOR;
};

// The records of a sheet drawing as taken from the stream: each record's id and body, the body
// either where it lies in the stream's bytes (in clear, in one piece) or copied into a block of
// this list.
class TDrawingRecords {
 public:
  void Clear() {
    FBytes.clear();
    FItems.clear();
  }
  void Add(uint16_t id, std::span<const uint8_t> body);
  // A body that stays where it lies for as long as this list is used.
  void AddLent(uint16_t id, std::span<const uint8_t> body) { FItems.push_back({id, uint16_t(body.size()), false, 0, body.data()}); }
  void Reserve(size_t bytes) { FBytes.reserve(bytes); }
  // Makes room for a body of `length` bytes and returns it to be filled; `Cut` then states how
  // many were filled.
  uint8_t* Append(uint16_t id, uint16_t length);
  void Cut(uint16_t filled);
  size_t Count() const { return FItems.size(); }
  uint16_t Id(size_t i) const { return FItems[i].RecId; }
  std::span<const uint8_t> Body(size_t i) const {
    const TEntry& e = FItems[i];
    return {e.Owned ? FBytes.data() + e.Offset : e.Lent, e.Length};
  }

 private:
  struct TEntry {
    uint16_t RecId;
    uint16_t Length;
    bool Owned;
    size_t Offset;         // in FBytes, when owned
    const uint8_t* Lent;   // else where the body lies
  };
  std::vector<uint8_t> FBytes;
  std::vector<TEntry> FItems;
};

using TFileReadShapeEvent = std::function<void(TEscherDrawing& drawing, TShape& shape)>;
// Takes a shape's OBJ sub-records and text records once they are read; the default is
// ReadShapeObject.
using TShapeObjectReader = std::function<void(TEscherDrawing& drawing, TShape& shape)>;
// Makes the shape's object from its OBJ sub-records (controls take them over) and reads its text
// from the TXO records into it; the shape's text follows the object's.
void ReadShapeObject(TEscherDrawing& drawing, TShape& shape);

class TEscherDrawing {
 public:
  TEscherDrawing(TEscherGroup* parent, TInternalNames* internalNames, TXc12Fonts* fonts);
  ~TEscherDrawing();
  TEscherDrawing(const TEscherDrawing&) = delete;
  TEscherDrawing& operator=(const TEscherDrawing&) = delete;

  // Reads the drawing that starts with the current MSODRAWING record (header read, body not),
  // with every record of it; leaves the stream after its last record. `records` receives the
  // records taken (so that a failed drawing can be kept raw). Raises XLSRWException
  // "Error on reading shape #n\r" and the reason; the drawing is then empty.
  void LoadFromStream(TXLSStream& stream, TDrawingRecords& records);
  // Reads the drawing from its records (the first an MSODRAWING). Raises as LoadFromStream.
  void LoadFromRecords(const TDrawingRecords& records);

  // Binds a NOTE record to its note shape; raises "Can not find shape for note #%d".
  void SetNoteData(int32_t col, int32_t row, uint16_t options, uint16_t objId, std::u16string_view author);
  // Picture references become 1-based store positions; a reference to no stored picture becomes
  // 0 and is reported through `warn` with its number.
  void AssignBlipIds(const std::vector<int32_t>& blips, const std::function<void(int32_t)>& warn = {});
  size_t ShapeCount() const { return FGroup->Count(); }
  // Shapes at all levels.
  size_t DeepShapeCount() const { return FGroup->DeepCount(); }
  void DeleteShape(uint32_t spId);
  void Clear();

  // New shapes, anchored to cells and appended to the patriarch.
  TShapeClientAnchor* AddTextBox();
  TShapeClientAnchor* AddNote();
  TShapeClientAnchor* AddBasic();
  TShapeClientAnchor* AddAutoShape();
  TShapeClientAnchor* AddPicture();
  TShapeClientAnchor* AddChart();
  TShapeClientAnchor* AddListBox();
  TShapeClientAnchor* AddComboBox();
  TShapeClientAnchor* AddComboBoxAutoFilter();
  TShapeClientAnchor* AddButton();
  TShapeClientAnchor* AddCheckBox();
  TShapeClientAnchor* AddRadioButton();
  // Makes sure the drawing has a DGG cluster.
  void AddEmpty();

  TEscherGroup* EscherGroup() const { return FParent; }
  TShapeGroup& Group() const { return *FGroup; }
  uint16_t DgId() const { return FDgId; }
  const TMSORecDG& DG() const { return FDG; }
  const std::vector<TMSOFileReGroupItem>& FileReGroupItems() const { return FFileReGroupItems; }
  const TMSORecords* SolverContainer() const { return FSolverContainer.get(); }
  TInternalNames* InternalNames() const { return FInternalNames; }
  TXc12Fonts* Fonts() const { return FFonts; }
  int32_t MaxObjId() const { return FMaxObjId; }
  // Calls `f` for every shape at every level, parents before their children.
  void ForEachShape(const std::function<void(TShape& shape, TShapeGroup& parent)>& f) const;

  TFileReadShapeEvent OnReadShape;
  TShapeObjectReader ObjectReader = ReadShapeObject;

 private:
  friend class TDrawingReader;
  void PrepareNewShape();
  uint32_t NextSpId() { return FDG.CurSpId++; }
  int32_t NextObjId() { return ++FMaxObjId; }
  TShapeClientAnchor* NewShape(int kind);
  void ReleaseCluster();

  TEscherGroup* FParent;
  std::unique_ptr<TShapeGroup> FGroup;
  uint16_t FDgId = 0;
  TMSORecDG FDG;
  std::vector<TMSOFileReGroupItem> FFileReGroupItems;
  std::unique_ptr<TMSORecords> FSolverContainer;
  TInternalNames* FInternalNames;
  TXc12Fonts* FFonts;
  int32_t FMaxObjId = 0;
  // Note shapes by object id for the NOTE records (sorted by id, file order within an id); made
  // again when the shape count changed.
  std::vector<std::pair<uint16_t, TShape*>> FNoteIndex;
  size_t FNoteIndexSize = SIZE_MAX;
  // Whether the shape ids read from the file have been checked against the DG record's count
  // (once per read: every shape added since takes a new id).
  bool FSpIdsChecked = false;
};

}  // namespace xls::biff
