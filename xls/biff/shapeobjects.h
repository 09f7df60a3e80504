// The spreadsheet objects behind the shapes of a legacy sheet drawing: what an OBJ record
// (0x005D) and a TXO record (0x01B6) with its CONTINUE records say about one shape. A shape of
// the drawing (its OfficeArtSpContainer) is followed in the record stream by its OBJ record; text
// boxes, notes, labels, buttons, check boxes and radio buttons then by an MSODRAWING record with
// the shape's client-textbox record and by a TXO record whose CONTINUE records hold the text and
// its formatting runs. The drawing reader hands these records here as bytes:
//
//   TBaseRecordStorage obj;                       // the shape's OBJ sub-records
//   ReadObjRecord(objBody, obj, maxObjId);        // one OBJ record body
//   auto object = MakeShapeObject(obj, hasText, &names);   // may take the sub-records over
//   if (auto* text = dynamic_cast<TShapeOutsideMsoBaseText*>(object.get()))
//     text->ReadText(txoBody, nextContinueBody);  // the TXO body, then its CONTINUE bodies
//
// Format facts (MS-XLS 2.4.181 Obj, 2.4.329 TxO, 2.5.* Ft*):
// - An OBJ body is a list of sub-records: type (ft, u16), length (cb, u16), cb bytes; it ends
//   with ftEnd (0, length 0). ftLbsData's length word is not reliable: it runs to the record's end.
// - ftCmo (0x15, 18 bytes): object type, object id, flags (bit 8: drop-down of an autofilter).
// - Formula data of ftMacro, ftSbsFmla, ftCblsFmla, and of the list source in ftLbsData: the token
//   byte count (u16), 4 reserved bytes, the BIFF8 tokens, a fill byte. A macro link is PtgNameX
//   (0x39) with the sheet word at data offset 7 and the 1-based name index at 9; a linked cell is
//   PtgRef (0x24) with its row word at 1 and column word at 3 of the tokens; a source range PtgArea
//   (0x25) or PtgArea3d (0x3B). Bits 14 and 15 of a column word are the relative flags.
// - TXO body: options, orientation, 6 reserved bytes, text length (characters, at 10), runs
//   length (bytes, at 12), reserved, formula size (at 16). Unless the text length is 0 the text
//   follows in CONTINUE records, each starting with its own width flag (0: one byte a character,
//   1: UTF-16LE), then the runs in CONTINUE records, 8 bytes a run (character index, font index,
//   4 reserved bytes).
//
// Design choice: every read is bounded by the bytes handed in. A sub-record whose length passes
// its record is cut to the record; the text is read until TextLen characters are in and the runs
// until FormatLen bytes are in, and both end where the CONTINUE records end, so a short or long
// record never moves the drawing reader off the record boundaries.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <vector>

#include "xls/biff/recordstorage.h"

namespace xls::biff {

class TInternalNames;

// OBJ sub-record types.
enum TObjFt : uint16_t {
  ftEnd = 0x0000,
  ftMacro = 0x0004,
  ftButton = 0x0005,
  ftGmo = 0x0006,
  ftCf = 0x0007,
  ftPioGrbit = 0x0008,
  ftPictFmla = 0x0009,
  ftCbls = 0x000A,
  ftRbo = 0x000B,
  ftSbs = 0x000C,
  ftNts = 0x000D,
  ftSbsFmla = 0x000E,
  ftGboData = 0x000F,
  ftEdoData = 0x0010,
  ftRboData = 0x0011,
  ftCblsData = 0x0012,
  ftLbsData = 0x0013,
  ftCblsFmla = 0x0014,
  ftCmo = 0x0015
};

// Object types of ftCmo that the objects tell apart.
enum TObjType : uint16_t {
  otChart = 5,
  otTextBox = 6,
  otButton = 7,
  otCheckBox = 11,
  otRadioButton = 12,
  otLabel = 14,
  otScrollBar = 17,
  otListBox = 18,
  otGroupBox = 19,
  otDropDown = 20,
  otNote = 25,
  otDrawing = 30
};

// Reads one OBJ record body into `subRecords` (each stored with RecId = ft, Length = cb and its
// data) and returns the object type of its (first) ftCmo, -1 when none was met. An empty body stores
// nothing. A sub-record longer than the bytes left is cut to them; ftLbsData takes the rest of the
// record and is followed by a stored ftEnd for a list or drop-down; bytes after ftEnd are passed
// over; a header cut by the record's end ends the list. `maxObjId` rises to the ftCmo object id
// when that is larger. Raises XLSRWException "Unknown OBJ record %.2X" for a type other than 0 and
// outside 0x0004-0x0015.
int32_t ReadObjRecord(std::span<const uint8_t> body, TBaseRecordStorage& subRecords, int32_t& maxObjId);
// The object type of stored sub-records: the first word of the first one; -1 when there is none.
int32_t ObjectTypeOf(const TBaseRecordStorage& subRecords);
// The object id of stored sub-records: the second word of the first one; -1 when there is none.
int32_t ObjectIdOf(const TBaseRecordStorage& subRecords);

enum class TMSOShapeType : uint8_t {
  mstUnknown,
  mstCtrlLabel,
  mstCtrlButton,
  mstCtrlListBox,
  mstCtrlCheckBox,
  mstCtrlComboBox,
  mstCtrlRadioButton,
  mstCtrlGroupBox,
  mstCtrlScrollBar,
  mstTextBox,
  mstTextShape,
  mstNote,
  mstChart
};

// The object of one shape, made from its OBJ (and TXO) records.
// `p` as a T when it is exactly one (T has no subclasses): one type compare, where a cast would
// search the class tree, for passes over every shape of a large drawing.
template <class T, class B>
T* ExactCast(B* p) {
  static_assert(std::is_final_v<std::remove_const_t<T>>);
  return p && typeid(*p) == typeid(T) ? static_cast<T*>(p) : nullptr;
}

class TShapeOutsideMso {
 public:
  virtual ~TShapeOutsideMso() = default;
  TShapeOutsideMso(const TShapeOutsideMso&) = delete;
  TShapeOutsideMso& operator=(const TShapeOutsideMso&) = delete;

  // Copies the fields of an object of the same class (other classes copy the common fields).
  virtual void Assign(const TShapeOutsideMso& source);
  // Takes the control's values out of the stored sub-records; true when the object now holds
  // them (the shape's sub-records are then cleared by the caller).
  virtual bool ParseOBJ(const TBaseRecordStorage& storage);

  bool OwnsObjData() const { return FOwnsObjData; }
  uint16_t ObjId() const { return FObjId; }
  TMSOShapeType ShapeType() const { return FShapeType; }

  bool FOwnsObjData = false;
  uint16_t FObjId = 0;
  uint16_t FOptions = 0;  // ftCmo flags
  TMSOShapeType FShapeType = TMSOShapeType::mstUnknown;

 protected:
  explicit TShapeOutsideMso(TMSOShapeType type) : FShapeType(type) {}
};

// One formatting run of a TXO: the first character it covers and its legacy font index.
struct TRecTXORUN {
  uint16_t CharIndex = 0;
  uint16_t FontIndex = 0;
  uint32_t Reserved = 0;
};

// The next CONTINUE body that follows a TXO record, or nothing when the next record is no CONTINUE
// (or the stream ends). The bytes stay valid until the next call.
using TTXOPieceSource = std::function<std::optional<std::span<const uint8_t>>()>;

// An object with a text (text boxes, labels, group boxes, shapes with text, notes, buttons, check
// boxes, radio buttons).
class TShapeOutsideMsoBaseText : public TShapeOutsideMso {
 public:
  explicit TShapeOutsideMsoBaseText(TMSOShapeType type = TMSOShapeType::mstUnknown);
  void Assign(const TShapeOutsideMso& source) override;

  // Reads the text of the TXO record body `txo`, taking its CONTINUE bodies from `next`: the text
  // until TextLen characters are in (each piece by its own width flag), then FormatLen bytes of
  // runs (whole runs kept); both end where `next` gives no more. A TextLen of 0 takes nothing.
  // Raises XLSRWException "Unicode error in TXO" for a text piece whose width flag is neither 0
  // nor 1.
  void ReadText(std::span<const uint8_t> txo, const TTXOPieceSource& next);
  // The same over pieces already read; returns how many of them were taken.
  size_t ReadText(std::span<const uint8_t> txo, std::span<const std::span<const uint8_t>> pieces);

  const std::u16string& Text() const { return FText; }
  void SetText(std::u16string_view value) { FText = value; }
  const std::vector<TRecTXORUN>& TXORuns() const { return FTXORuns; }
  // Copies CharIndex and FontIndex of every run given (the runs become as many).
  void SetFormatting(std::span<const TRecTXORUN> runs);
  // A new object's text: empty, TXO options 0x0212 and all lengths 0, two runs of zeros.
  void SetDefaultTxo();
  // The TXO record body as read (at least its 18 fixed bytes).
  const std::vector<uint8_t>& TXO() const { return FpTXO; }
  uint16_t TextLen() const;
  uint16_t FormatLen() const;

  std::vector<uint8_t> FpTXO;
  std::u16string FText;
  std::vector<TRecTXORUN> FTXORuns;
};

// A comment: its text, and its cell, flags and author from the sheet's NOTE record.
class TShapeOutsideMsoNote final : public TShapeOutsideMsoBaseText {
 public:
  TShapeOutsideMsoNote() : TShapeOutsideMsoBaseText(TMSOShapeType::mstNote) {}
  void Assign(const TShapeOutsideMso& source) override;
  int32_t CellCol() const { return FCellCol; }
  int32_t CellRow() const { return FCellRow; }
  // The NOTE record's flags; bit 1 (0x0002): the comment is shown.
  uint16_t Options() const { return FNoteOptions; }
  const std::u16string& Author() const { return FAuthor; }

  int32_t FCellCol = 0;
  int32_t FCellRow = 0;
  uint16_t FNoteOptions = 0;
  std::u16string FAuthor;
};

// A text object that may call a macro (its ftMacro data).
class TShapeOutsideMsoBaseTextMacro : public TShapeOutsideMsoBaseText {
 public:
  TShapeOutsideMsoBaseTextMacro(TMSOShapeType type, TInternalNames* names);
  void Assign(const TShapeOutsideMso& source) override;
  // The name of the internal name the macro link points at; empty when there is no link or it
  // points at no internal name.
  std::u16string GetMacro() const;
  // Links the internal name `name`; raises "Can not find Name " + name when there is none.
  bool SetMacro(std::u16string_view name);
  // The link's name index moves by `delta` (defined names were inserted or removed before it).
  void NameIndexChanged(int32_t delta);

  TInternalNames* FInternalNames;
  std::vector<uint8_t> FMacroFormula;
};

class TShapeControlButton : public TShapeOutsideMsoBaseTextMacro {
 public:
  explicit TShapeControlButton(TInternalNames* names);
  bool ParseOBJ(const TBaseRecordStorage& storage) override;
};

enum class TCheckState : uint8_t { csUnchecked, csChecked, csMixed };

class TShapeControlCheckBox : public TShapeOutsideMsoBaseTextMacro {
 public:
  explicit TShapeControlCheckBox(TInternalNames* names);
  void Assign(const TShapeOutsideMso& source) override;
  bool ParseOBJ(const TBaseRecordStorage& storage) override;
  // The low 2 bits of the first word of ftCbls.
  uint16_t State() const;
  void SetState(uint16_t value);

  std::vector<uint8_t> FCBLS, FCBLSFMLA, FCBLSDATA;

 protected:
  TShapeControlCheckBox(TMSOShapeType type, TInternalNames* names);
};

class TShapeControlRadioButton : public TShapeControlCheckBox {
 public:
  explicit TShapeControlRadioButton(TInternalNames* names);
  void Assign(const TShapeOutsideMso& source) override;
  bool ParseOBJ(const TBaseRecordStorage& storage) override;

  std::vector<uint8_t> FRBO, FRBODATA;
};

// ftSbs: the scroll values of a list, drop-down or scroll bar.
struct TObjSBS {
  uint32_t Reserved = 0;
  uint16_t ScrollPos = 0, MinimumValue = 0, MaximumValue = 0, ScrollWhenArrowClicked = 0,
           ScrollWhenBarClicked = 0, Horizontal = 0, Width = 0, Options = 0;
  static TObjSBS FromBytes(std::span<const uint8_t> data);
  std::vector<uint8_t> ToBytes() const;
};

// ftLbsData of a list or drop-down: the source range formula and the entry values.
class TObjLBS {
 public:
  virtual ~TObjLBS() = default;
  // Reads the sub-record data; returns the offset after the fields read (bounded by the data).
  virtual size_t LoadFromBuf(std::span<const uint8_t> buf);
  virtual std::unique_ptr<TObjLBS> Clone() const = 0;

  // The source range: (sheet, first column, first row, last column, last row); the sheet is -1
  // for a range of the sheet itself. Raises "No source area assigned" when there is none and
  // "Unknown LBS formula." for a formula that is no area.
  void GetSourceArea(int32_t& sheet, int32_t& col1, int32_t& row1, int32_t& col2, int32_t& row2) const;
  // Makes the formula an area of this sheet (the sheet is not stored); true when it changed.
  bool SetSourceArea(int32_t col1, int32_t row1, int32_t col2, int32_t row2);

  std::vector<uint8_t> FLBSOrig;
  uint32_t FUnknownFmlaData1 = 0;
  std::vector<uint8_t> FFormula;
  uint8_t FUnknownFmlaData2 = 0;
  uint16_t FEntryCount = 0;
  uint16_t FSelectedEntry = 0;
  uint16_t FStyle = 0;
  uint16_t FLinkedEdit = 0;
};

class TObjLBSListBox : public TObjLBS {
 public:
  size_t LoadFromBuf(std::span<const uint8_t> buf) override;
  std::unique_ptr<TObjLBS> Clone() const override { return std::make_unique<TObjLBSListBox>(*this); }
  std::vector<uint8_t> FMultiselect;  // one byte per entry, for multiple selection
};

class TObjLBSComboBox : public TObjLBS {
 public:
  size_t LoadFromBuf(std::span<const uint8_t> buf) override;
  std::unique_ptr<TObjLBS> Clone() const override { return std::make_unique<TObjLBSComboBox>(*this); }
  uint16_t FComboStyle = 0, FLineCount = 0, FUnknown = 0;
};

class TShapeControl : public TShapeOutsideMso {
 protected:
  using TShapeOutsideMso::TShapeOutsideMso;
};

// A list box; a drop-down (TShapeControlComboBox) is one with IsComboBox set.
class TShapeControlListBox : public TShapeControl {
 public:
  TShapeControlListBox() : TShapeControlListBox(false) {}
  void Assign(const TShapeOutsideMso& source) override;
  bool ParseOBJ(const TBaseRecordStorage& storage) override;

  bool IsComboBox() const { return FIsComboBox; }
  // The linked cell; raises "Unknown SBS formula." when the link is no cell reference.
  void GetDestCell(int32_t& col, int32_t& row) const;
  void SetDestCell(int32_t col, int32_t row);
  void GetSourceArea(int32_t& sheet, int32_t& col1, int32_t& row1, int32_t& col2, int32_t& row2) const {
    FLBS->GetSourceArea(sheet, col1, row1, col2, row2);
  }
  void SetSourceArea(int32_t sheet, int32_t col1, int32_t row1, int32_t col2, int32_t row2);
  void NameIndexChanged(int32_t delta);
  uint16_t SelectedIndex() const { return FLBS->FSelectedEntry; }
  void SetSelectedIndex(uint16_t value) { FLBS->FSelectedEntry = value; }
  TObjLBS& LBS() const { return *FLBS; }

  bool FIsComboBox = false;
  bool FIsComboBoxAutoFilter = false;
  TObjSBS FSBS;
  std::vector<uint8_t> FSBSFormula, FSBSFormulaOrig, FMacroFormula;
  std::unique_ptr<TObjLBS> FLBS;
  bool FChanged = true;

 protected:
  explicit TShapeControlListBox(bool isComboBox);
};

class TShapeControlComboBox : public TShapeControlListBox {
 public:
  TShapeControlComboBox() : TShapeControlListBox(true) {}
  // A drop-down of an autofilter: flags bit 8 and no linked cell.
  bool IsAutoFilter() const;
  // Raises "An autofilter combo box can not be changed to a normal." for false.
  void SetIsAutoFilter(bool value);
};

class TShapeControlScrollBar : public TShapeOutsideMso {
 public:
  TShapeControlScrollBar();
  void Assign(const TShapeOutsideMso& source) override;
  bool ParseOBJ(const TBaseRecordStorage& storage) override;
  uint16_t Value() const { return Sbs().ScrollPos; }
  uint16_t MinValue() const { return Sbs().MinimumValue; }
  uint16_t MaxValue() const { return Sbs().MaximumValue; }
  uint16_t IncChange() const { return Sbs().ScrollWhenArrowClicked; }
  uint16_t PageChange() const { return Sbs().ScrollWhenBarClicked; }
  void SetValue(uint16_t v) { SetWord(4, v); }
  void SetMinValue(uint16_t v) { SetWord(6, v); }
  void SetMaxValue(uint16_t v) { SetWord(8, v); }
  void SetIncChange(uint16_t v) { SetWord(10, v); }
  void SetPageChange(uint16_t v) { SetWord(12, v); }

  std::vector<uint8_t> FSBS, FSBSFormula, FSBSFormulaOrig, FMacroFormula;

 private:
  TObjSBS Sbs() const { return TObjSBS::FromBytes(FSBS); }
  void SetWord(size_t off, uint16_t v);
};

// An embedded chart's object, `TShapeOutsideMsoChart`, holds the chart's record tree: it lives
// with the chart layer (chartobjects.h).

// The object a shape gets for the object type of its stored sub-records (ObjectTypeOf); nullptr
// when it gets none. `hasText`: a TXO follows for it (the shape has a text id, or its container
// holds a client-textbox record), which text boxes and the types without a class of their own
// need to get an object. Controls take their values out of `subRecords` (ParseOBJ); when they do,
// `subRecords` is cleared. Objects are made with object id 0 unless ParseOBJ gave one.
std::shared_ptr<TShapeOutsideMso> MakeShapeObject(TBaseRecordStorage& subRecords, bool hasText,
                                                  TInternalNames* names);

// The formula tokens of an object formula (ftMacro, ftSbsFmla, ftCblsFmla data): the token byte
// count at 0, the tokens from 6, cut to the data.
std::span<const uint8_t> ObjFormulaTokens(std::span<const uint8_t> data);

}  // namespace xls::biff
