// The objects behind legacy drawing shapes, from built OBJ and TXO record bodies: the sub-record
// list (cut, trailing and hostile sub-records), the text of TXO records in mixed widths and cut
// short, every control kind with its values, list data, linked cells and macro links.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/textcodec.h"
#include "tests/support/biffbook.h"
#include "xls/biff/biffformulahandler.h"
#include "xls/biff/biffrecordview.h"
#include "tests/xls/biff/shapeobjects_fixtures.h"
#include "xls/biff/shapeobjects.h"
#include "xls/model/xlserrors.h"

namespace xls::biff {
namespace {

using kws::test::BiffBody;

std::span<const uint8_t> Span(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

using test::ErrorText;

// One OBJ sub-record: type, length, data.
std::string Sub(uint16_t ft, const std::string& data) {
  return BiffBody().U16(ft).U16(uint16_t(data.size())).Bytes(data);
}
std::string Cmo(uint16_t type, uint16_t id, uint16_t flags) {
  return Sub(ftCmo, BiffBody().U16(type).U16(id).U16(flags).Bytes(std::string(12, '\0')));
}
const std::string End = Sub(ftEnd, "");

// Object formula data: token byte count, 4 reserved bytes, tokens, fill byte.
std::string Fmla(const std::string& tokens) {
  return BiffBody().U16(uint16_t(tokens.size())).U32(0).Bytes(tokens).U8(0);
}
// PtgRef with the relative flags in its column word, as LibreOffice and Excel store it.
std::string CellRef(uint16_t col, uint16_t row) { return BiffBody().U8(0x24).U16(row).U16(col | 0xC000); }
std::string AreaRef(uint16_t c1, uint16_t r1, uint16_t c2, uint16_t r2) {
  return BiffBody().U8(0x25).U16(r1).U16(r2).U16(c1 | 0xC000).U16(c2 | 0xC000);
}
std::string Sbs(uint16_t pos, uint16_t min, uint16_t max, uint16_t inc, uint16_t page) {
  return BiffBody().U32(0).U16(pos).U16(min).U16(max).U16(inc).U16(page).U16(0).U16(16).U16(1);
}
// ftLbsData: the source formula (cbFmla, then the formula data), entry count, selection, style,
// linked edit, and `tail` (selection bytes or the combo fields).
std::string Lbs(const std::string& tokens, uint16_t entries, uint16_t selected, uint16_t style,
                const std::string& tail = "") {
  const std::string f = tokens.empty() ? std::string() : Fmla(tokens);
  return BiffBody().U16(uint16_t(f.size())).Bytes(f).U16(entries).U16(selected).U16(style).U16(0).Bytes(tail);
}

struct TObj {
  TBaseRecordStorage subs;
  int32_t maxId = 0;
  int32_t type = -1;
  explicit TObj(const std::string& body) { type = ReadObjRecord(Span(body), subs, maxId); }
  std::vector<uint16_t> Types() const {
    std::vector<uint16_t> t;
    for (size_t i = 0; i < subs.Count(); ++i) t.push_back(subs.Items(i)->RecId);
    return t;
  }
};

TEST(ObjRecord_SubRecords, ListsEachSubRecordWithinTheRecord) {
  // A drop-down: ftLbsData runs to the record's end whatever its length word says, and an ftEnd
  // is stored after it.
  const std::string lbs = Lbs(AreaRef(0, 0, 0, 4), 5, 0, 0, BiffBody().U16(0).U16(8).U16(0));
  TObj dropDown(Cmo(otDropDown, 7, 0) + Sub(ftSbs, Sbs(0, 0, 4, 1, 5)) +
                BiffBody().U16(ftLbsData).U16(0x1FEE).Bytes(lbs).str());
  EXPECT_EQ(dropDown.type, otDropDown);
  EXPECT_EQ(dropDown.maxId, 7);
  EXPECT_EQ(dropDown.Types(), (std::vector<uint16_t>{ftCmo, ftSbs, ftLbsData, ftEnd}));
  EXPECT_EQ(dropDown.subs.Items(2)->Data.size(), lbs.size());

  // Bytes after ftEnd are passed over; the largest object id is kept.
  int32_t maxId = 9;
  TBaseRecordStorage subs;
  const std::string note = Cmo(otNote, 3, 0x4011) + Sub(ftNts, std::string(22, '\0')) + End + "trailing";
  EXPECT_EQ(ReadObjRecord(Span(note), subs, maxId), otNote);
  EXPECT_EQ(maxId, 9);
  EXPECT_EQ(subs.Count(), 3u);
  EXPECT_EQ(ObjectTypeOf(subs), otNote);
  EXPECT_EQ(ObjectIdOf(subs), 3);

  // A sub-record whose length passes the record is cut to it; a header cut by the end ends the list.
  TObj cut(Cmo(otButton, 1, 0) + BiffBody().U16(ftMacro).U16(0x4000).Bytes("abc").str());
  EXPECT_EQ(cut.Types(), (std::vector<uint16_t>{ftCmo, ftMacro}));
  EXPECT_EQ(cut.subs.Items(1)->Length, 3);
  EXPECT_EQ(cut.subs.Items(1)->Data, (std::vector<uint8_t>{'a', 'b', 'c'}));
  TObj header(Cmo(otButton, 1, 0) + "\x04");
  EXPECT_EQ(header.Types(), (std::vector<uint16_t>{ftCmo}));

  // An OBJ of length 0 stores nothing and makes no object.
  TObj empty("");
  EXPECT_EQ(empty.type, -1);
  EXPECT_EQ(empty.subs.Count(), 0u);
  EXPECT_EQ(ObjectTypeOf(empty.subs), -1);
  EXPECT_EQ(MakeShapeObject(empty.subs, true, nullptr), nullptr);

  // A type outside the known range ends the read.
  EXPECT_EQ(ErrorText([] { TObj bad(Cmo(otButton, 1, 0) + Sub(0x0030, "xx")); }), "Unknown OBJ record 30");
  EXPECT_EQ(ErrorText([] { TObj bad(Sub(0x0003, "")); }), "Unknown OBJ record 03");
}

// --- TXO text ----------------------------------------------------------------------------------

std::string Txo(uint16_t textLen, uint16_t formatLen) {
  return BiffBody().U16(0x0212).U16(0).Bytes(std::string(6, '\0')).U16(textLen).U16(formatLen).U16(0).U16(0);
}
std::string Piece8(const std::string& latin1) { return BiffBody().U8(0).Bytes(latin1); }
std::string Piece16(std::u16string_view s) { return BiffBody().U8(1).Units(s); }
std::string TxoRun(uint16_t charIndex, uint16_t font) { return BiffBody().U16(charIndex).U16(font).U32(0); }

struct TTextCase {
  const char* name;
  std::string txo;
  std::vector<std::string> pieces;  // the CONTINUE bodies that follow the TXO
  std::u16string text;
  std::vector<uint16_t> runFonts;
  size_t taken;  // pieces the text and runs took
};

TEST(TxoText_Read, TextAndRunsFromTheirContinueRecords) {
  const std::string twoRuns = TxoRun(0, 0) + TxoRun(3, 5);
  const std::u16string longText(9000, u'x');
  const std::vector<TTextCase> cases = {
      {"single bytes", Txo(5, 16), {Piece8("Hello"), twoRuns}, u"Hello", {0, 5}, 2},
      {"Latin-1 in single bytes", Txo(3, 16), {Piece8("\xE9\x80\xFF"), twoRuns}, u"\u00E9\u0080\u00FF", {0, 5}, 2},
      {"UTF-16", Txo(2, 16), {Piece16(u"\u20AC\u4E2D"), twoRuns}, u"\u20AC\u4E2D", {0, 5}, 2},
      {"two-byte then single-byte piece",
       Txo(5, 16),
       {Piece16(u"\u20ACb"), Piece8("c\xE9" "d"), twoRuns},
       u"\u20ACbc\u00E9d",
       {0, 5},
       3},
      {"single-byte then two-byte piece", Txo(4, 16), {Piece8("ab"), Piece16(u"\u4E2D!"), twoRuns}, u"ab\u4E2D!", {0, 5}, 3},
      {"text past 8223 characters", Txo(9000, 16), {Piece8(std::string(8223, 'x')), Piece8(std::string(777, 'x')), twoRuns},
       longText, {0, 5}, 3},
      {"runs over two records", Txo(2, 24), {Piece8("ab"), TxoRun(0, 1) + TxoRun(1, 2), TxoRun(2, 3) + "more"}, u"ab", {1, 2, 3}, 3},
      {"runs record longer than FormatLen", Txo(2, 8), {Piece8("ab"), twoRuns}, u"ab", {0}, 2},
      {"no text: nothing read", Txo(0, 16), {Piece8("ab"), twoRuns}, u"", {}, 0},
      {"text cut short: bounded, no runs", Txo(10, 16), {Piece8("abc")}, u"abc", {}, 1},
      {"odd byte of a two-byte piece dropped", Txo(3, 16), {Piece16(u"ab") + "z"}, u"ab", {}, 1},
      {"text record longer than TextLen", Txo(2, 16), {Piece8("abcdef"), twoRuns}, u"ab", {0, 5}, 2},
      {"runs cut short: whole runs kept", Txo(1, 16), {Piece8("a"), TxoRun(0, 4) + std::string("\x01\x00", 2)}, u"a", {4}, 2},
      {"empty CONTINUE passed", Txo(2, 16), {"", Piece8("ab"), twoRuns}, u"ab", {0, 5}, 3},
      {"short TXO body", std::string("\x12\x02", 2), {Piece8("ab")}, u"", {}, 0},
  };
  const std::string nextDrawing("\x0F\x00\x04\xF0", 4);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::span<const uint8_t>> pieces;
    for (const auto& p : c.pieces) pieces.push_back(Span(p));
    // A complete text is followed by the next shape's drawing, which it never takes; a cut one by
    // no CONTINUE at all.
    const TRecordView txo(Span(c.txo));
    if (txo.U16(10) == 0 || (c.text.size() == txo.U16(10) && c.runFonts.size() * 8 >= txo.U16(12)))
      pieces.push_back(Span(nextDrawing));
    TShapeOutsideMsoBaseText text(TMSOShapeType::mstTextBox);
    EXPECT_EQ(text.ReadText(Span(c.txo), pieces), c.taken);
    EXPECT_EQ(text.Text(), c.text);
    std::vector<uint16_t> fonts;
    for (const auto& r : text.TXORuns()) fonts.push_back(r.FontIndex);
    EXPECT_EQ(fonts, c.runFonts);
    EXPECT_GE(text.TXO().size(), 18u);
  }
}

TEST(TxoText_Read, WidthFlagOtherThanZeroOrOneFails) {
  TShapeOutsideMsoBaseText text;
  const std::string txo = Txo(4, 16), a = Piece8("ab"), bad = "\x02xy";
  const std::vector<std::span<const uint8_t>> pieces = {Span(a), Span(bad)};
  EXPECT_EQ(ErrorText([&] { text.ReadText(Span(txo), pieces); }), "Unicode error in TXO");
}

TEST(TxoText_Set, DefaultsAndFormatting) {
  TShapeOutsideMsoBaseText text;
  text.SetText(u"old");
  text.SetDefaultTxo();
  EXPECT_EQ(text.Text(), u"");
  EXPECT_EQ(text.TXO(), (std::vector<uint8_t>{0x12, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(text.TXORuns().size(), 2u);
  const TRecTXORUN runs[] = {{0, 6, 77}, {4, 9, 88}};
  text.SetFormatting(runs);
  ASSERT_EQ(text.TXORuns().size(), 2u);
  EXPECT_EQ(text.TXORuns()[1].CharIndex, 4);
  EXPECT_EQ(text.TXORuns()[1].FontIndex, 9);
  EXPECT_EQ(text.TXORuns()[1].Reserved, 0u);  // only index and font are copied
}

// --- objects by type -----------------------------------------------------------------------------

TEST(ShapeObject_Make, ClassByObjectTypeAndText) {
  struct TCase {
    uint16_t type;
    bool hasText;
    bool made;
    TMSOShapeType kind;
  };
  const TCase cases[] = {
      {otTextBox, true, true, TMSOShapeType::mstTextBox},    {otTextBox, false, false, {}},
      {otLabel, true, true, TMSOShapeType::mstCtrlLabel},     {otGroupBox, true, true, TMSOShapeType::mstCtrlGroupBox},
      {otDrawing, true, true, TMSOShapeType::mstTextShape},   {otDrawing, false, false, {}},
      {2, true, true, TMSOShapeType::mstUnknown},             {8, false, false, {}},
      {otNote, false, true, TMSOShapeType::mstNote},          {otChart, false, true, TMSOShapeType::mstChart},
      {otButton, false, true, TMSOShapeType::mstCtrlButton},  {otCheckBox, false, true, TMSOShapeType::mstCtrlCheckBox},
      {otRadioButton, false, true, TMSOShapeType::mstCtrlRadioButton},
      {otScrollBar, false, true, TMSOShapeType::mstCtrlScrollBar},
      {otListBox, false, true, TMSOShapeType::mstCtrlListBox}, {otDropDown, false, true, TMSOShapeType::mstCtrlComboBox},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    TObj obj(Cmo(c.type, 4, 0x6011) + End);
    auto object = MakeShapeObject(obj.subs, c.hasText, nullptr);
    ASSERT_EQ(object != nullptr, c.made);
    if (!object) continue;
    EXPECT_EQ(object->ShapeType(), c.kind);
    // Controls take the OBJ data over (with its object id); the others leave it with the shape.
    EXPECT_EQ(object->OwnsObjData(), obj.subs.Count() == 0);
    EXPECT_EQ(object->ObjId(), object->OwnsObjData() ? 4 : 0);
  }
}

class ShapeControls : public ::testing::Test {
 protected:
  std::shared_ptr<TShapeOutsideMso> Make(const std::string& body) {
    TObj obj(body);
    auto object = MakeShapeObject(obj.subs, false, &Handler.InternalNames());
    EXPECT_EQ(obj.subs.Count(), 0u) << "the control holds its OBJ data";
    return object;
  }
  template <class T>
  static T& As(const std::shared_ptr<TShapeOutsideMso>& p) {
    auto* t = dynamic_cast<T*>(p.get());
    if (!t) throw std::runtime_error("wrong class");
    return *t;
  }
  TFormulaHandler Handler;
};

TEST_F(ShapeControls, ButtonMacroLink) {
  TInternalNames& names = Handler.InternalNames();
  names.Add().SetName(u"First");
  names.Add().SetName(u"Macro1");
  // PtgNameX: sheet word, then the 1-based name index (2: Macro1), then a reserved word.
  const std::string link = Fmla(BiffBody().U8(0x39).U16(0).U16(2).U16(0));
  auto button = Make(Cmo(otButton, 5, 0x4011) + Sub(ftMacro, link) + End);
  auto& b = As<TShapeControlButton>(button);
  EXPECT_EQ(b.GetMacro(), u"Macro1");
  EXPECT_EQ(b.FOptions, 0x4011);
  b.NameIndexChanged(-1);
  EXPECT_EQ(b.GetMacro(), u"First");
  b.NameIndexChanged(5);
  EXPECT_EQ(b.GetMacro(), u"") << "an index past the names links nothing";
  EXPECT_TRUE(b.SetMacro(u"MACRO1"));
  EXPECT_EQ(b.FMacroFormula, (std::vector<uint8_t>{7, 0, 0, 0, 0, 0, 0x39, 0, 0, 2, 0, 0, 0, 0}));
  EXPECT_EQ(ErrorText([&] { b.SetMacro(u"None"); }), "Can not find Name None");

  EXPECT_EQ(ErrorText([&] { Make(Cmo(otButton, 5, 0) + Sub(ftGmo, "\0\0") + End); }),
            "Unknown record 0006 in OBJ LBS");
}

TEST_F(ShapeControls, CheckBoxAndRadioButtonState) {
  const std::string cbls = BiffBody().U16(1).U16(0).U32(0).U16(0).U16(0);
  auto check = Make(Cmo(otCheckBox, 2, 0x0011) + Sub(ftCbls, cbls) + Sub(ftCblsFmla, Fmla(CellRef(3, 9))) +
                    Sub(ftCblsData, BiffBody().U16(1).U16(0).U16(0).U16(0)) + End);
  auto& c = As<TShapeControlCheckBox>(check);
  EXPECT_EQ(c.State(), 1);
  EXPECT_EQ(ObjFormulaTokens(c.FCBLSFMLA).size(), 5u);
  c.SetState(2);
  EXPECT_EQ(c.State(), 2);
  EXPECT_EQ(c.FCBLS[0], 2);

  auto radio = Make(Cmo(otRadioButton, 3, 0x0011) + Sub(ftCbls, cbls) + Sub(ftRbo, BiffBody().U32(0).U16(4).U16(1)) +
                    Sub(ftRboData, BiffBody().U16(4).U16(1)) + Sub(ftCblsData, BiffBody().U16(0).U16(0).U16(0).U16(0)) +
                    End);
  auto& r = As<TShapeControlRadioButton>(radio);
  EXPECT_EQ(r.ShapeType(), TMSOShapeType::mstCtrlRadioButton);
  EXPECT_EQ(r.State(), 1);
  EXPECT_EQ(r.FRBO.size(), 8u);
  EXPECT_EQ(r.FRBODATA.size(), 4u);
  EXPECT_EQ(r.ObjId(), 3);

  EXPECT_EQ(ErrorText([&] { Make(Cmo(otCheckBox, 2, 0) + Sub(ftRbo, "") + End); }), "Unknown record 000B in OBJ CBLS");
  EXPECT_EQ(ErrorText([&] { Make(Cmo(otRadioButton, 2, 0) + Sub(ftSbs, "") + End); }), "Unknown record 000C in OBJ RBO");
}

TEST_F(ShapeControls, ScrollBarValues) {
  auto scroll = Make(Cmo(otScrollBar, 1, 0x6011) + Sub(ftSbs, Sbs(7, 1, 90, 2, 10)) +
                     Sub(ftSbsFmla, Fmla(CellRef(0, 0))) + End);
  auto& s = As<TShapeControlScrollBar>(scroll);
  EXPECT_EQ(s.Value(), 7);
  EXPECT_EQ(s.MinValue(), 1);
  EXPECT_EQ(s.MaxValue(), 90);
  EXPECT_EQ(s.IncChange(), 2);
  EXPECT_EQ(s.PageChange(), 10);
  EXPECT_EQ(s.FSBSFormula.size(), 6u);
  EXPECT_EQ(s.FSBSFormulaOrig.size(), 12u);
  s.SetPageChange(20);
  EXPECT_EQ(s.PageChange(), 20);
  // A cut ftSbs reads 0 for the missing values.
  auto cut = Make(Cmo(otScrollBar, 1, 0) + Sub(ftSbs, BiffBody().U32(0).U16(3)) + End);
  EXPECT_EQ(As<TShapeControlScrollBar>(cut).Value(), 3);
  EXPECT_EQ(As<TShapeControlScrollBar>(cut).MaxValue(), 0);
  EXPECT_EQ(ErrorText([&] { Make(Cmo(otScrollBar, 1, 0) + Sub(ftCbls, "") + End); }), "Unknown record 000A in OBJ CBLS");
}

TEST_F(ShapeControls, ListBoxLinksAndListData) {
  // Linked cell D10 and source area B2:B6, both with the relative flags in their column words;
  // multiple selection (style bit 4) with a selection byte per entry.
  auto list = Make(Cmo(otListBox, 8, 0x2011) + Sub(ftSbs, Sbs(0, 0, 4, 1, 5)) + Sub(ftSbsFmla, Fmla(CellRef(3, 9))) +
                   Sub(ftLbsData, Lbs(AreaRef(1, 1, 1, 5), 5, 2, 0x10, std::string("\0\1\0\1\0", 5))));
  auto& l = As<TShapeControlListBox>(list);
  int32_t col = -1, row = -1, sheet = 0, c1 = 0, r1 = 0, c2 = 0, r2 = 0;
  l.GetDestCell(col, row);
  EXPECT_EQ(col, 3);
  EXPECT_EQ(row, 9);
  l.GetSourceArea(sheet, c1, r1, c2, r2);
  EXPECT_EQ(std::vector<int32_t>({sheet, c1, r1, c2, r2}), std::vector<int32_t>({-1, 1, 1, 1, 5}));
  EXPECT_EQ(l.SelectedIndex(), 2);
  EXPECT_EQ(l.LBS().FEntryCount, 5);
  EXPECT_EQ(dynamic_cast<TObjLBSListBox&>(l.LBS()).FMultiselect, (std::vector<uint8_t>{0, 1, 0, 1, 0}));
  EXPECT_FALSE(l.FChanged);

  // Setting the same cell changes nothing; another one keeps the flags and marks the change.
  l.SetDestCell(3, 9);
  EXPECT_FALSE(l.FChanged);
  l.SetDestCell(1, 6);
  EXPECT_TRUE(l.FChanged);
  l.GetDestCell(col, row);
  EXPECT_EQ(col, 1);
  EXPECT_EQ(row, 6);
  EXPECT_EQ(l.FSBSFormula[4], 0xC0);
  l.SetSourceArea(-1, 2, 0, 3, 9);
  l.GetSourceArea(sheet, c1, r1, c2, r2);
  EXPECT_EQ(std::vector<int32_t>({sheet, c1, r1, c2, r2}), std::vector<int32_t>({-1, 2, 0, 3, 9}));

  // A 3-D source area gives its sheet; a list without a source or linked cell says so.
  auto area3d = Make(Cmo(otListBox, 9, 0) +
                     Sub(ftLbsData, Lbs(BiffBody().U8(0x3B).U16(2).U16(0).U16(3).U16(0xC000).U16(0xC001), 4, 0, 0)));
  As<TShapeControlListBox>(area3d).GetSourceArea(sheet, c1, r1, c2, r2);
  EXPECT_EQ(std::vector<int32_t>({sheet, c1, r1, c2, r2}), std::vector<int32_t>({2, 0, 0, 1, 3}));
  EXPECT_EQ(ErrorText([&] { As<TShapeControlListBox>(area3d).GetDestCell(col, row); }), "Unknown SBS formula.")
      << "a list of the file without ftSbsFmla has no linked cell";
  auto bare = Make(Cmo(otListBox, 9, 0) + Sub(ftLbsData, Lbs("", 0, 0, 0)));
  EXPECT_EQ(ErrorText([&] { As<TShapeControlListBox>(bare).GetSourceArea(sheet, c1, r1, c2, r2); }),
            "No source area assigned");
  auto named = Make(Cmo(otListBox, 9, 0) + Sub(ftLbsData, Lbs(BiffBody().U8(0x23).U32(1), 0, 0, 0)));
  EXPECT_EQ(ErrorText([&] { As<TShapeControlListBox>(named).GetSourceArea(sheet, c1, r1, c2, r2); }),
            "Unknown LBS formula.");
  // The walk of a list ends at its list data.
  auto after = Make(Cmo(otListBox, 9, 0) + Sub(ftLbsData, Lbs("", 0, 0, 0)));
  EXPECT_EQ(As<TShapeControlListBox>(after).ObjId(), 9);
  EXPECT_EQ(ErrorText([&] { Make(Cmo(otListBox, 9, 0) + Sub(ftCbls, "") + End); }), "Unknown record 000A in OBJ LBS");
}

TEST_F(ShapeControls, ComboBoxAndAutoFilterDropDown) {
  auto combo = Make(Cmo(otDropDown, 4, 0x2011) + Sub(ftSbs, Sbs(0, 0, 4, 1, 5)) + Sub(ftSbsFmla, Fmla(CellRef(0, 0))) +
                    Sub(ftLbsData, Lbs(AreaRef(0, 0, 0, 2), 3, 1, 0, BiffBody().U16(2).U16(8).U16(0))));
  auto& c = As<TShapeControlComboBox>(combo);
  EXPECT_TRUE(c.IsComboBox());
  EXPECT_FALSE(c.IsAutoFilter());
  auto& lbs = dynamic_cast<TObjLBSComboBox&>(c.LBS());
  EXPECT_EQ(lbs.FComboStyle, 2);
  EXPECT_EQ(lbs.FLineCount, 8);
  EXPECT_EQ(c.SelectedIndex(), 1);
  int32_t col = -1, row = -1;
  c.GetDestCell(col, row);
  EXPECT_EQ(col, 0);
  EXPECT_EQ(row, 0);

  // The drop-down arrow of an autofilter (flags bit 8): no linked cell, and it stays one.
  auto filter = Make(Cmo(otDropDown, 5, 0x2101) + Sub(ftSbs, Sbs(0, 0, 0, 1, 10)) +
                     Sub(ftSbsFmla, Fmla(CellRef(0, 0))) + Sub(ftLbsData, Lbs("", 0, 0, 0x0301)));
  auto& f = As<TShapeControlComboBox>(filter);
  EXPECT_TRUE(f.IsAutoFilter());
  EXPECT_EQ(ErrorText([&] { f.GetDestCell(col, row); }), "Unknown SBS formula.");
  EXPECT_EQ(ErrorText([&] { f.SetIsAutoFilter(false); }), "An autofilter combo box can not be changed to a normal.");

  TShapeControlComboBox made;
  EXPECT_FALSE(made.IsAutoFilter());
  made.SetIsAutoFilter(true);
  EXPECT_TRUE(made.IsAutoFilter());
  EXPECT_EQ(made.FOptions, 0x2101);
  EXPECT_EQ(made.LBS().FStyle, 0x0301);
  EXPECT_EQ(dynamic_cast<TObjLBSComboBox&>(made.LBS()).FLineCount, 8);
}

TEST_F(ShapeControls, NewControlDefaults) {
  TShapeControlListBox list;
  EXPECT_TRUE(list.OwnsObjData());
  EXPECT_EQ(list.FOptions, 0x2011);
  const std::string sbs = Sbs(0, 0, 4, 1, 5);
  EXPECT_EQ(list.FSBS.ToBytes(), std::vector<uint8_t>(sbs.begin(), sbs.end()));
  int32_t col = -1, row = -1;
  list.GetDestCell(col, row);
  EXPECT_EQ(col, 1);
  EXPECT_EQ(row, 1);
  EXPECT_NE(dynamic_cast<TObjLBSListBox*>(&list.LBS()), nullptr);
  EXPECT_EQ(list.LBS().FEntryCount, 10);
  EXPECT_TRUE(list.FChanged);
  TShapeControlComboBox combo;
  EXPECT_EQ(dynamic_cast<TObjLBSComboBox&>(combo.LBS()).FLineCount, 10);
  TShapeControlCheckBox check(nullptr);
  EXPECT_EQ(check.FCBLS.size(), 12u);
  EXPECT_EQ(check.FOptions, 0x0011);
  EXPECT_EQ(check.GetMacro(), u"");
  TShapeControlButton button(nullptr);
  EXPECT_EQ(button.FOptions, 0x4001);
  TShapeControlScrollBar scroll;
  EXPECT_EQ(scroll.FSBS.size(), 20u);
  EXPECT_EQ(scroll.FOptions, 0x6011);

  // Assign copies the list data, not a shared pointer to it.
  TShapeControlListBox copy;
  copy.Assign(list);
  list.LBS().FEntryCount = 3;
  EXPECT_EQ(copy.LBS().FEntryCount, 10);
}

TEST_F(ShapeControls, HostileListData) {
  // A formula size word with a token count far past the data, a selection of 65535 entries.
  const std::string lbs = BiffBody().U16(0xFFFF).U16(0xFFFF).U32(0).Bytes("\x25\x01");
  auto list = Make(Cmo(otListBox, 1, 0) + Sub(ftLbsData, lbs));
  auto& l = As<TShapeControlListBox>(list);
  EXPECT_EQ(l.LBS().FFormula.size(), 2u);
  EXPECT_EQ(l.LBS().FEntryCount, 0);
  const std::string many = Lbs("", 0xFFFF, 0, 0x20, "\1\1\1");
  auto multi = Make(Cmo(otListBox, 1, 0) + Sub(ftLbsData, many));
  EXPECT_EQ(dynamic_cast<TObjLBSListBox&>(As<TShapeControlListBox>(multi).LBS()).FMultiselect.size(), 3u);
}

TEST(ShapeObject_Note, KeepsItsOBJDataAndReadsText) {
  TObj obj(Cmo(otNote, 12, 0x4011) + Sub(ftNts, std::string(22, '\0')) + End);
  auto object = MakeShapeObject(obj.subs, false, nullptr);
  auto* note = dynamic_cast<TShapeOutsideMsoNote*>(object.get());
  ASSERT_NE(note, nullptr);
  EXPECT_EQ(obj.subs.Count(), 3u) << "the note's id stays with the shape for its NOTE record";
  const std::string txo = Txo(3, 16), text = Piece8("Hi!"), runs = TxoRun(0, 0) + TxoRun(3, 0);
  const std::vector<std::span<const uint8_t>> pieces = {Span(text), Span(runs)};
  EXPECT_EQ(note->ReadText(Span(txo), pieces), 2u);
  EXPECT_EQ(note->Text(), u"Hi!");
  TShapeOutsideMsoNote copy;
  note->FAuthor = u"Ann";
  note->FCellCol = 2;
  copy.Assign(*note);
  EXPECT_EQ(copy.Author(), u"Ann");
  EXPECT_EQ(copy.CellCol(), 2);
  EXPECT_EQ(copy.Text(), u"Hi!");
}

}  // namespace
}  // namespace xls::biff
