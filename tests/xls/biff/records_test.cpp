// Legacy record handlers through the component: workbook streams written record by record, read
// with TXLSBook and the legacy reader, and checked by the cell texts, styles and names they give.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/textcodec.h"
#include "tests/support/biffbook.h"
#include "tests/support/mutator.h"
#include "xls/biff/biff5.h"
#include "xls/biff/biffreader.h"
#include "xls/biff/biffrecords.h"
#include "xls/biff/xlsstream.h"
#include "xls/formula/xlsformulabinding.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsnames.h"
#include "xls/crypto/md5.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlscellmmu.h"
#include "xls/model/xlsglobals.h"
#include "xls/model/xlssst.h"
#include "xls/model/xlsstylesheet.h"
#include "xls/model/xlsworkbookdata.h"
#include "xls/model/xlsworksheetdata.h"

namespace {

using kws::test::BiffBOF;
using kws::test::BiffBody;
using kws::test::BiffBoundSheet;
using kws::test::BiffCompoundFile;
using kws::test::BiffEOF;
using kws::test::BiffRecord;
using kws::test::BiffWorkbookStream;

constexpr uint16_t kSST = 0x00FC, kCONTINUE = 0x003C, kLABELSST = 0x00FD, kFORMULA = 0x0006, kSTRING = 0x0207;

// A cell record head: row, column, XF.
BiffBody Cell(uint16_t row, uint16_t col, uint16_t xf = 0) {
  return std::move(BiffBody().U16(row).U16(col).U16(xf));
}

std::string Number(uint16_t row, uint16_t col, double v) { return BiffRecord(0x0203, Cell(row, col).F64(v)); }
std::string LabelSst(uint16_t row, uint16_t col, uint32_t i) {
  return BiffRecord(kLABELSST, Cell(row, col).U32(i));
}

// FORMULA with 8 cached bytes, flags and tokens.
std::string Formula(uint16_t row, uint16_t col, std::string cached, uint16_t flags, std::string tokens) {
  return BiffRecord(
      kFORMULA, Cell(row, col).Bytes(cached).U16(flags).U32(0).U16(uint16_t(tokens.size())).Bytes(tokens));
}
std::string Cached(double v) { return BiffBody().F64(v); }
std::string Special(uint8_t type, uint8_t value) {
  return BiffBody().U8(type).U8(0).U8(value).U8(0).U16(0).U16(0xFFFF);
}
// PtgInt 1 and the PtgExp of a shared or array formula at (row, col).
const std::string kTokInt = std::string("\x1E\x01\x00", 3);
std::string TokExp(uint16_t row, uint16_t col) { return BiffBody().U8(0x01).U16(row).U16(col); }

// The worksheets of a BIFF8 workbook with one sheet list entry per sheet.
std::string Book8(std::string globals, const std::vector<std::string>& sheets) {
  std::string g;
  for (size_t i = 0; i < sheets.size(); ++i) g += BiffBoundSheet("Sheet" + std::to_string(i + 1));
  return BiffCompoundFile(BiffWorkbookStream(globals + g, sheets));
}

class Reader : public ::testing::Test {
 protected:
  Reader() : book(Settings()) {}
  static xls::FormatSettings Settings() {
    xls::biff::RegisterBIFFReader();
    return xls::FormatSettings();
  }
  void SetUp() override { xls::ResetXLSGlobals(); }
  void Load(const std::string& file) {
    book.Readers().ReadLegacy = xls::biff::ReadLegacyWorkbook;
    book.LoadFromBytes(std::span(reinterpret_cast<const uint8_t*>(file.data()), file.size()));
  }
  std::u16string Text(int col, int row, size_t sheet = 0) { return book.Items(sheet)->GetAsString(col, row); }
  xls::TXc12DataStyleSheet& Styles() { return book.Manager().StyleSheet(); }
  xls::TXLSCellMMU& Cells(size_t sheet = 0) { return book.Items(sheet)->Cells(); }
  std::string LoadError(const std::string& file) {
    try {
      Load(file);
    } catch (const xls::XLSRWException& e) {
      return e.what();
    }
    return "(no error)";
  }
  xls::TXLSBook book;
};

// ---------------------------------------------------------------------------------------------
// Cells

// ROW: height, outline level, hidden, collapsed and custom height go to the row's header, the
// row's format only with flag 0x80; cells before and after the record stay.
TEST_F(Reader, Rows_HeaderFromTheRowRecordCellsStay) {
  const auto row = [](uint16_t r, uint16_t height, uint16_t flags, uint16_t xf) {
    return BiffRecord(0x0208, BiffBody().U16(r).U16(0).U16(2).U16(height).U16(0).U16(0).U16(flags).U16(xf));
  };
  std::string s = Number(5, 0, 5.5);
  s += row(2, 400, 0x0002 | 0x0010 | 0x0020 | 0x0040, 1) + row(5, 255, 0x0080, 1) + row(7, 300, 0x0000, 1);
  s += Number(2, 1, 2.5) + Number(7, 0, 7);
  const std::string xf = BiffRecord(
      0x00E0, BiffBody().U16(0).U16(0).U16(1).U16(0x0B).U16(0).U16(0).U16(0xC000).U32(0).U16(0x3FFF));
  Load(Book8(xf + xf, {s}));
  struct Case {
    int row;
    uint16_t height;
    uint8_t outline, options;
    bool styled;
  } cases[] = {{2, 400, 2, xls::xroCollapsed | xls::xroHidden | xls::xroCustomHeight, false},
               {5, 255, 0, 0, true},
               {7, 300, 0, 0, false}};
  ASSERT_EQ(Styles().XFs().Count(), 3u);  // the model's default format, then the file's: XF 1 is format 2
  for (const auto& c : cases) {
    const xls::TXLSMMURowHeader* found = Cells().FindRow(c.row);
    ASSERT_NE(found, nullptr) << c.row;
    const xls::TXLSMMURowHeader h = *found;  // packed: fields are compared from a copy
    EXPECT_EQ(uint16_t(h.Height), c.height) << c.row;
    EXPECT_EQ(h.OutlineLevel, c.outline) << c.row;
    EXPECT_EQ(h.Options, c.options) << c.row;
    EXPECT_EQ(uint16_t(h.Style), c.styled ? 2 : 0) << c.row;
  }
  EXPECT_EQ(Text(0, 5), u"5.5");
  EXPECT_EQ(Text(1, 2), u"2.5");
  EXPECT_EQ(Text(0, 7), u"7");
}

TEST_F(Reader, Cells_EveryValueKindGivesItsText) {
  // A shared string keeps no characters below 32 but LF and CR (the TAB goes).
  const std::string sst =
      BiffRecord(kSST, BiffBody().U32(3).U32(3).Str8("plain\tx").Str16(u"\u4E2D\u6587").Str8("caf\xE9"));
  std::string s;
  s += LabelSst(0, 0, 0) + LabelSst(0, 1, 1) + LabelSst(0, 2, 2);
  s += Number(1, 0, 1.5) + Number(1, 1, -1234567.25);
  // RK: 00 00 F0 3F is 1.0, 06 is the integer 1, 07 is 0.01, 92 01 is 100.
  for (auto [col, rk] : {std::pair{0, 0x3FF00000u}, {1, 0x06u}, {2, 0x07u}, {3, 0x192u}})
    s += BiffRecord(0x027E, Cell(2, uint16_t(col)).U32(rk));
  // MULRK: three numbers from column 1 on (Length 24), last column 3.
  s += BiffRecord(0x00BD, BiffBody().U16(3).U16(1).U16(0).U32(0x0A).U16(0).U32(0x0E).U16(0).U32(0x12).U16(3));
  s += BiffRecord(0x0205, Cell(4, 0).U8(1).U8(0)) + BiffRecord(0x0205, Cell(4, 1).U8(0x2A).U8(1)) +
       BiffRecord(0x0205, Cell(4, 2).U8(0x10).U8(1));
  s += BiffRecord(0x0204, Cell(5, 0).Str8("label")) + BiffRecord(0x0204, Cell(5, 1).Str16(u"\u00DCber"));
  s += BiffRecord(0x0201, Cell(6, 0)) +
       BiffRecord(0x00BE, BiffBody().U16(6).U16(1).U16(0).U16(0).U16(0).U16(3));
  Load(Book8(sst, {s}));

  const struct {
    const char* ref;
    std::u16string text;
  } expected[] = {{"A1", u"plainx"},      {"B1", u"\u4E2D\u6587"},
                  {"C1", u"caf\u00E9"},   {"A2", u"1.5"},
                  {"B2", u"-1234567.25"}, {"A3", u"1"},
                  {"B3", u"1"},           {"C3", u"0.01"},
                  {"D3", u"100"},         {"B4", u"2"},
                  {"C4", u"3"},           {"D4", u"4"},
                  {"A5", u"TRUE"},        {"A6", u"label"},
                  {"B6", u"\u00DCber"}};
  for (const auto& e : expected) {
    int32_t col, row;
    ASSERT_TRUE(xls::RefStrToColRow(kws::Utf8ToUtf16(e.ref), col, row));
    EXPECT_EQ(Text(col, row), e.text) << e.ref;
  }
  EXPECT_EQ(book.Items(0)->GetAsError(1, 4), xls::TXc12CellError::errNA);
  EXPECT_EQ(book.Items(0)->GetAsError(2, 4), xls::TXc12CellError::errUnknown);
  for (int c = 0; c < 4; ++c) EXPECT_EQ(book.Items(0)->GetCellType(c, 6), xls::TXLSCellType::xctBlank) << c;
}

TEST_F(Reader, Formula_CachedResultsAreTheCellTexts) {
  std::string s;
  s += Formula(0, 0, Cached(42.5), 0, kTokInt);
  s += Formula(0, 1, Special(1, 1), 0, kTokInt);
  s += Formula(0, 2, Special(2, 0x07), 0, kTokInt);
  s += Formula(0, 3, Special(3, 0), 0, kTokInt);
  // A text result in the STRING record that follows; characters below 32 are left out.
  s += Formula(0, 4, Special(0, 0), 0, kTokInt) + BiffRecord(kSTRING, BiffBody().Str8("A\tB"));
  // A text result without its STRING record: the cell is not stored.
  s += Formula(0, 5, Special(0, 0), 0, kTokInt);
  // A number result with no tokens is not stored either, nor a result with an unknown error code
  // (and the load goes on).
  s += Formula(0, 6, Cached(1), 0, "") + Formula(0, 7, Special(2, 0x10), 0, kTokInt) + Number(0, 8, 9);
  Load(Book8("", {s}));
  EXPECT_EQ(Text(0, 0), u"42.5");
  EXPECT_EQ(Text(1, 0), u"TRUE");
  EXPECT_EQ(book.Items(0)->GetAsError(2, 0), xls::TXc12CellError::errDiv0);
  EXPECT_EQ(book.Items(0)->GetCellType(3, 0), xls::TXLSCellType::xctStringFormula);
  EXPECT_EQ(Text(3, 0), u"");
  EXPECT_EQ(Text(4, 0), u"AB");
  EXPECT_EQ(book.Items(0)->GetCellType(5, 0), xls::TXLSCellType::xctNone);
  EXPECT_EQ(book.Items(0)->GetCellType(6, 0), xls::TXLSCellType::xctNone);
  EXPECT_EQ(book.Items(0)->GetCellType(7, 0), xls::TXLSCellType::xctNone);
  EXPECT_EQ(Text(8, 0), u"9");
  // Tokens are kept behind the legacy marker 0xFF.
  const uint8_t* ptgs = nullptr;
  xls::TXLSCellItem item = Cells().FindCell(0, 0);
  ASSERT_EQ(Cells().GetFormulaPtgs(item, ptgs), 4);
  EXPECT_EQ(std::memcmp(ptgs, "\xFF\x1E\x01\x00", 4), 0);
}

TEST_F(Reader, Formula_SharedCellsTakeTheSharedTokensAndDamagedOnesAreSkipped) {
  // SHRFMLA over A1:A3 after the first cell; the string result of A2 follows in a STRING record.
  const std::string shr =
      BiffRecord(0x04BC, BiffBody().U16(0).U16(2).U8(0).U8(0).U16(0).U16(3).Bytes(kTokInt));
  std::string s = Formula(0, 0, Cached(1), 0x08, TokExp(0, 0)) + shr;
  s += Formula(1, 0, Special(0, 0), 0x08, TokExp(0, 0)) + BiffRecord(kSTRING, BiffBody().Str16(u"two"));
  s += Formula(2, 0, Cached(3), 0x08, TokExp(0, 0));
  Load(Book8("", {s}));
  EXPECT_EQ(Text(0, 0), u"1");
  EXPECT_EQ(Text(0, 1), u"two");
  EXPECT_EQ(Text(0, 2), u"3");
  const uint8_t* ptgs = nullptr;
  ASSERT_EQ(Cells().GetFormulaPtgs(Cells().FindCell(0, 2), ptgs), 4);
  EXPECT_EQ(ptgs[1], 0x1E);

  // A follower of a group never read is skipped with a warning; a first cell too short to read is
  // skipped too, and its SHRFMLA, which no cell took, still serves the followers.
  xls::TXLSErrorList list;
  book.Errors().SetErrorList(&list);
  s = Number(4, 1, 7) + Formula(5, 1, Cached(1), 0x08, TokExp(5, 1)) + Number(6, 1, 8);
  s += BiffRecord(kFORMULA, Cell(0, 0).F64(1)) + shr + Formula(2, 0, Cached(3), 0x08, TokExp(0, 0));
  Load(Book8("", {s}));
  EXPECT_EQ(Text(1, 4), u"7");
  EXPECT_EQ(Text(1, 6), u"8");
  EXPECT_EQ(book.Items(0)->GetCellType(1, 5), xls::TXLSCellType::xctNone);
  EXPECT_EQ(book.Items(0)->GetCellType(0, 0), xls::TXLSCellType::xctNone);
  EXPECT_EQ(Text(0, 2), u"3");
  ASSERT_EQ(Cells().GetFormulaPtgs(Cells().FindCell(0, 2), ptgs), 4);
  EXPECT_EQ(ptgs[1], 0x1E);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_NE(list[0].Text.find(u"Fixup error in shared formula at C=1,R=5 (B6)"), std::u16string::npos);
  EXPECT_NE(list[1].Text.find(u"Record too short"), std::u16string::npos);
}

// Every group of a sheet with many groups is found by its first cell; a follower that points into
// the middle of a range finds the range that holds the cell.
TEST_F(Reader, Formula_ManySharedGroupsAndPointsInsideARange) {
  const auto shr = [](uint16_t r1, uint16_t r2, uint8_t c, int16_t value) {
    return BiffRecord(0x04BC,
                      BiffBody().U16(r1).U16(r2).U8(c).U8(c).U16(0).U16(3).U8(0x1E).U16(uint16_t(value)));
  };
  std::string s;
  constexpr uint16_t kGroups = 3000;
  for (uint16_t g = 0; g < kGroups; ++g) {  // column A: groups of two rows, the integer g
    s += Formula(uint16_t(2 * g), 0, Cached(g), 0x08, TokExp(uint16_t(2 * g), 0)) +
         shr(2 * g, 2 * g + 1, 0, g);
    s += Formula(uint16_t(2 * g + 1), 0, Cached(g), 0x08, TokExp(uint16_t(2 * g), 0));
  }
  // Column B: a group over B1:B9; a follower points at B5, a cell inside it that starts no group.
  s += Formula(0, 1, Cached(1), 0x08, TokExp(0, 1)) + shr(0, 8, 1, 7777);
  s += Formula(6, 1, Cached(2), 0x08, TokExp(4, 1));
  Load(Book8("", {s}));
  const uint8_t* ptgs = nullptr;
  for (const uint16_t row : {uint16_t(1), uint16_t(2 * kGroups - 1), uint16_t(2 * kGroups - 2)}) {
    ASSERT_EQ(Cells().GetFormulaPtgs(Cells().FindCell(0, row), ptgs), 4) << row;
    EXPECT_EQ(ptgs[2] | ptgs[3] << 8, row / 2) << row;  // PtgInt of the row's own group
  }
  ASSERT_EQ(Cells().GetFormulaPtgs(Cells().FindCell(1, 6), ptgs), 4);
  EXPECT_EQ(ptgs[2] | ptgs[3] << 8, 7777);
}

TEST_F(Reader, Formula_ArrayMembersPointAtTheFirstCell) {
  // ARRAY over B2:C3 after the first cell; the other three cells are members.
  const std::string array =
      BiffRecord(0x0221, BiffBody().U16(1).U16(2).U8(1).U8(2).U16(1).U32(0).U16(3).Bytes(kTokInt));
  std::string s = Formula(1, 1, Cached(7), 0, TokExp(1, 1)) + array;
  s += Formula(1, 2, Cached(8), 0, TokExp(1, 1)) + Formula(2, 1, Cached(9), 0, TokExp(1, 1));
  s += Formula(2, 2, Special(0, 0), 0, TokExp(1, 1)) + BiffRecord(kSTRING, BiffBody().Str8("ten"));
  Load(Book8("", {s}));
  EXPECT_EQ(Text(1, 1), u"7");
  EXPECT_EQ(Text(2, 1), u"8");
  EXPECT_EQ(Text(1, 2), u"9");
  EXPECT_EQ(Text(2, 2), u"ten");
  Cells().RetriveFormula(Cells().FindCell(1, 1));
  EXPECT_EQ(Cells().FormulaHelper().FFormulaType, xls::TXLSCellFormulaType::xcftArray);
  EXPECT_EQ(Cells().FormulaHelper().StrTargetRef(), u"B2:C3");
  Cells().RetriveFormula(Cells().FindCell(2, 2));
  EXPECT_EQ(Cells().FormulaHelper().FFormulaType, xls::TXLSCellFormulaType::xcftArrayChild97);
}

// ---------------------------------------------------------------------------------------------
// Shared strings

TEST_F(Reader, SST_LongStringAcrossContinueRecordsInMixedWidths) {
  // 10000 characters: 4000 8-bit in the SST, 3000 UTF-16 in the first CONTINUE, 3000 8-bit in
  // the second; then a rich string whose run header is split across the next CONTINUE.
  std::u16string expected;
  std::string part1, part3;
  std::u16string part2;
  for (int i = 0; i < 4000; ++i)
    part1.push_back(char('a' + i % 26)), expected.push_back(char16_t('a' + i % 26));
  for (int i = 0; i < 3000; ++i)
    part2.push_back(char16_t(0x4E00 + i)), expected.push_back(char16_t(0x4E00 + i));
  for (int i = 0; i < 3000; ++i)
    part3.push_back(char('A' + i % 26)), expected.push_back(char16_t('A' + i % 26));
  std::string sst = BiffRecord(kSST, BiffBody().U32(2).U32(2).U16(10000).U8(0).Bytes(part1));
  sst += BiffRecord(kCONTINUE, BiffBody().U8(1).Units(part2));
  sst += BiffRecord(kCONTINUE, BiffBody().U8(0).Bytes(part3).U16(2).U8(0x08));
  // The rest of the second string's header (cRun = 1) and its characters, then its run.
  sst += BiffRecord(kCONTINUE, BiffBody().U16(1).Bytes("xy").U16(1).U16(5));
  Load(Book8(sst, {LabelSst(0, 0, 0) + LabelSst(1, 0, 1)}));
  EXPECT_EQ(Text(0, 0), expected);
  EXPECT_EQ(Text(0, 1), u"xy");
  const xls::TXLSString* rich = book.Manager().SST().GetItems(1);
  ASSERT_TRUE(rich && xls::TXc12DataSST::IsFormattedString(*rich));
  ASSERT_EQ(xls::TXc12DataSST::GetFontRunsCount(*rich), 1u);
  // Font index 5 of the file has no FONT record here: the run takes the default font.
  EXPECT_EQ(xls::TXc12DataSST::GetFontRuns(*rich)[0].Font, Styles().Fonts().DefaultFont());
}

TEST_F(Reader, SST_ShortTableBadFlagsAndBadIndexes) {
  // Announces 5 strings, holds 2: reading stops with the last record.
  const std::string shortSst = BiffRecord(kSST, BiffBody().U32(5).U32(5).Str8("one").Str8("two"));
  xls::TXLSErrorList list;
  book.Errors().SetErrorList(&list);
  // Index 2 is past the table: an empty text with warning 2002; the sheet goes on.
  Load(Book8(shortSst, {LabelSst(0, 0, 1) + LabelSst(0, 1, 2) + Number(0, 2, 3)}));
  EXPECT_EQ(Text(0, 0), u"two");
  EXPECT_EQ(book.Items(0)->GetCellType(1, 0), xls::TXLSCellType::xctString);
  EXPECT_EQ(Text(1, 0), u"");
  EXPECT_EQ(Text(2, 0), u"3");
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].Number, 2002);
  EXPECT_EQ(list[0].Text, u"W2002: Shared string index 2 out of range");

  // A string of an unknown kind ends the table: the strings before it stay, a cell naming a lost
  // one gets the empty text, and the load goes on.
  list.clear();
  const std::string badFlag =
      BiffRecord(kSST, BiffBody().U32(2).U32(2).Str8("kept").U16(1).U8(0x02).Bytes("x"));
  Load(Book8(badFlag, {LabelSst(0, 0, 0) + LabelSst(0, 1, 1) + Number(0, 2, 3)}));
  EXPECT_EQ(Text(0, 0), u"kept");
  EXPECT_EQ(Text(1, 0), u"");
  EXPECT_EQ(Text(2, 0), u"3");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].Number, xls::XLSWARN_BIFF_RECORD_SKIPPED);
  EXPECT_NE(list[0].Text.find(u"STT: Unhandled string type in Read (02)"), std::u16string::npos);
  EXPECT_EQ(list[1].Number, xls::XLSWARN_BIFF_SST_INDEX);
}

// ---------------------------------------------------------------------------------------------
// Text of BIFF5 files: the code page of the CODEPAGE record

TEST_F(Reader, CodePage_Biff5TextUsesTheFilesCodePage) {
  struct Case {
    uint16_t codePage;  // 0: no CODEPAGE record
    std::string bytes;
    std::u16string text;
  } cases[] = {
      {0, "\x80", u"\u20AC"},                         // Windows-1252 by default
      {1251, "\xCF\xF0\xE8", u"\u041F\u0440\u0438"},  // Cyrillic
      {936, "\xD6\xD0\xCE\xC4", u"\u4E2D\u6587"},     // GBK
      {4242, "\x80", u"\u20AC"},                      // unknown: Windows-1252
  };
  for (const Case& c : cases) {
    std::string g = c.codePage ? BiffRecord(0x0042, BiffBody().U16(c.codePage)) : std::string();
    g += BiffBoundSheet("S" + c.bytes, false);
    const std::string sheet = BiffRecord(0x0204, Cell(0, 0).U16(uint16_t(c.bytes.size())).Bytes(c.bytes));
    Load(BiffCompoundFile(BiffWorkbookStream(g, {sheet}, false), false));
    EXPECT_EQ(Text(0, 0), c.text) << c.codePage;
    EXPECT_EQ(book.Items(0)->Name(), u"S" + c.text) << c.codePage;
  }
}

TEST_F(Reader, Biff4Worksheet_FormatsFontsAndTextInTheCodePage) {
  // A bare BIFF4 worksheet file: its 3 formats come first, the Excel 4 built-ins 3 to 33 behind.
  std::string s = BiffRecord(0x0409, kws::test::Bof2Body(0x0000, 0x0010));
  s += BiffRecord(0x0042, BiffBody().U16(1251));
  s += BiffRecord(0x0231, BiffBody().U16(240).U16(0x01).U16(8).U8(2).Bytes("Ar"));
  for (const char* f : {"0.0", "0.00%", "@"})
    s += BiffRecord(0x041E, BiffBody().U16(0).U8(uint8_t(std::strlen(f))).Bytes(f));
  s += BiffRecord(0x0443, BiffBody().U8(0).U8(1).U16(0).U8(0x08).U8(0).U16(0).U32(0));
  // A short NUMBER and a LABEL at column 40,000 are skipped with a warning each.
  s += BiffRecord(0x0204, Cell(0, 0, 0).U16(3).Bytes("\xCF\xF0\xE8")) +
       BiffRecord(0x0203, Cell(2, 0).U16(0)) + BiffRecord(0x0204, Cell(3, 40000).U16(1).Bytes("x")) +
       Number(1, 0, 2.5) + kws::test::BiffEOF();
  xls::TXLSErrorList list;
  book.Errors().SetErrorList(&list);
  book.Readers().ReadLegacy = xls::biff::ReadLegacyWorkbook;
  book.LoadFromBytes(std::span(reinterpret_cast<const uint8_t*>(s.data()), s.size()), true);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_NE(list[0].Text.find(u"Record too short"), std::u16string::npos);
  EXPECT_NE(list[1].Text.find(u"Cell column out of range"), std::u16string::npos);
  ASSERT_EQ(book.Count(), 1u);
  EXPECT_EQ(book.Items(0)->Name(), u"Sheet1");
  EXPECT_EQ(Text(0, 0), u"\u041F\u0440\u0438");
  EXPECT_EQ(Text(0, 1), u"2.5");
  xls::TXc12DataStyleSheet& ss = Styles();
  EXPECT_EQ(ss.NumFmts().Items(50)->Value(), u"0.0");
  EXPECT_EQ(ss.NumFmts().Items(52)->Value(), u"@");
  EXPECT_EQ(ss.NumFmts().Items(53)->Value(), u"#,##0");
  EXPECT_EQ(ss.NumFmts().Items(83)->Value(), xls::biff::Excel4NumberFormats()[33]);
  const xls::TXc12XF* xf = ss.XFs().Items(1);
  EXPECT_EQ(xf->Font()->Name(), u"Ar");
  EXPECT_TRUE(xf->Font()->Style().Contains(xls::TXc12FontStyle::xfsBold));
  EXPECT_EQ(xf->NumFmt()->Value(), u"0.00%");
  EXPECT_TRUE(xf->Alignment().FOptions.Contains(xls::TXc12AlignmentOption::foWrapText));
}

TEST_F(Reader, Biff2File_CellsAndCachedFormulaResults) {
  // Cells of BIFF2: row, column, 3 attribute bytes, then the value at 7.
  auto cell2 = [](uint16_t row, uint16_t col) {
    return std::move(BiffBody().U16(row).U16(col).U8(0).U8(0).U8(0));
  };
  std::string s = BiffRecord(0x0009, kws::test::Bof2Body(0x0002, 0x0010));
  s += BiffRecord(0x0002, cell2(0, 0).U16(7)) + BiffRecord(0x0003, cell2(0, 1).F64(0.5));
  s += BiffRecord(0x0004, cell2(0, 2).U8(3).Bytes("\x80"
                                                  "ab"));
  s += BiffRecord(0x0006, cell2(1, 0).F64(12).U8(0).U8(1).U8(0x1E));
  s += BiffRecord(0x0006, cell2(1, 1).U8(0).U8(0).U8(0).U8(0).U8(0).U8(0).U16(0xFFFF).U8(0).U8(1).U8(0x1E));
  s += BiffRecord(0x0007, BiffBody().U8(2).Bytes("ok")) + kws::test::BiffEOF();
  book.Readers().ReadLegacy = xls::biff::ReadLegacyWorkbook;
  book.LoadFromBytes(std::span(reinterpret_cast<const uint8_t*>(s.data()), s.size()), true);
  ASSERT_EQ(book.Count(), 1u);
  EXPECT_EQ(Text(0, 0), u"7");
  EXPECT_EQ(Text(1, 0), u"0.5");
  EXPECT_EQ(Text(2, 0), u"\u20ACab");
  EXPECT_EQ(Text(0, 1), u"12");
  EXPECT_EQ(Text(1, 1), u"ok");
}

TEST_F(Reader, DirectRead_ValuesGoToTheEventNotTheStore) {
  std::vector<std::pair<std::u16string, std::u16string>> seen;
  book.SetDirectRead(true);
  book.SetOnReadCell([&](xls::TXLSEventCell& c) {
    std::u16string v = c.FCellType == xls::TXLSCellType::xctString ? c.FValString
                       : c.FCellType == xls::TXLSCellType::xctBoolean
                           ? u"bool"
                           : kws::Utf8ToUtf16(std::to_string(int(c.FValFloat)));
    seen.emplace_back(xls::ColRowToRefStr(c.FCol, c.FRow), v);
  });
  const std::string sst = BiffRecord(kSST, BiffBody().U32(1).U32(1).Str8("s"));
  // A cell at column 40,000 reaches no event either: it is skipped as in a stored load.
  const std::string cells =
      LabelSst(0, 0, 0) + Number(0, 1, 7) + Number(0, 40000, 8) + BiffRecord(0x0205, Cell(0, 2).U8(1).U8(0)) +
      Formula(1, 0, Special(0, 0), 0, kTokInt) + BiffRecord(kSTRING, BiffBody().Str8("A\tB"));
  Load(Book8(sst, {cells}));
  const std::vector<std::pair<std::u16string, std::u16string>> expected{
      {u"A1", u"s"}, {u"B1", u"7"}, {u"C1", u"bool"}, {u"A2", u"A\tB"}};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(book.Items(0)->GetCellType(1, 0), xls::TXLSCellType::xctNone);
}

// ---------------------------------------------------------------------------------------------
// Styles

std::string Font(uint16_t height, std::string_view name) {
  return BiffRecord(0x0031, BiffBody()
                                .U16(height)
                                .U16(0)
                                .U16(0x7FFF)
                                .U16(700)
                                .U16(0)
                                .U8(0)
                                .U8(0)
                                .U8(0)
                                .U8(0)
                                .U8(uint8_t(name.size()))
                                .U8(0)
                                .Bytes(name));
}
std::string XF(uint16_t font, uint16_t fmt) {
  return BiffRecord(
      0x00E0, BiffBody().U16(font).U16(fmt).U16(1).U16(0x0B).U16(0).U16(0).U16(0xC000).U32(0).U16(0x3FFF));
}

TEST_F(Reader, Styles_FontsFormatsAndCellFormatsMapToTheModel) {
  std::string g;
  for (int i = 0; i < 6; ++i) g += Font(uint16_t(200 + 20 * i), "F" + std::to_string(i));
  g += BiffRecord(0x041E, BiffBody().U16(164).Str8("0.000"));
  g += XF(3, 164) + XF(5, 14) + XF(40, 55) + XF(0, 9999);
  // Named styles and the read-only recommendation stay with the reader object; of a user style
  // the copy ends with its name.
  g += BiffRecord(0x0293, BiffBody().U16(0x8000).U8(0).U8(0xFF));
  g += BiffRecord(0x0293, BiffBody().U16(0x0010).U16(3).U8(0).Bytes("abc").Bytes("junk"));
  g += BiffRecord(0x005B, BiffBody().U16(1).U16(0).U16(0));
  // A palette announcing 60 colours holds 2.
  g += BiffRecord(0x0092, BiffBody().U16(60).U32(0x00112233).U32(0x00445566));
  Load(Book8(g, {Number(0, 0, 1)}));
  xls::TXc12DataStyleSheet& ss = Styles();
  // Model fonts: default, FONT 0-3, placeholder, FONT 4-5.
  ASSERT_EQ(ss.Fonts().Count(), 8u);
  EXPECT_EQ(ss.Fonts().Items(4)->Name(), u"F3");
  EXPECT_EQ(ss.Fonts().Items(6)->Name(), u"F4");
  EXPECT_TRUE(ss.Fonts().Items(6)->Style().Contains(xls::TXc12FontStyle::xfsBold));
  EXPECT_EQ(ss.Fonts().Items(6)->Size(), 14);
  EXPECT_EQ(ss.NumFmts().Count() >= 165u, true);
  const xls::TXc12XF* a = ss.XFs().Items(1);
  EXPECT_EQ(a->Font(), ss.Fonts().Items(4));
  EXPECT_EQ(a->NumFmt()->Value(), u"0.000");
  EXPECT_EQ(a->Alignment().FHorizAlignment, xls::TXc12HorizAlignment::chaRight);
  EXPECT_TRUE(a->Alignment().FOptions.Contains(xls::TXc12AlignmentOption::foWrapText));
  EXPECT_TRUE(a->Border()->Options().Contains(xls::TXc12CellBorderOption::ecboDiagonalDown));
  EXPECT_TRUE(a->Border()->Options().Contains(xls::TXc12CellBorderOption::ecboDiagonalUp));
  EXPECT_EQ(a->Fill()->BgColor().Indexed, xls::TXc12IndexColor::xcAutomatic);
  EXPECT_EQ(ss.XFs().Items(2)->Font(), ss.Fonts().Items(6));
  EXPECT_EQ(ss.XFs().Items(2)->NumFmt(), ss.NumFmts().Items(14));
  // Out of range: the default font, and format 0 for a CJK built-in format without FORMAT.
  EXPECT_EQ(ss.XFs().Items(3)->Font(), ss.Fonts().DefaultFont());
  EXPECT_EQ(ss.XFs().Items(3)->NumFmt(), ss.NumFmts().DefaultNumFmt());
  EXPECT_EQ(ss.XFs().Items(4)->NumFmt(), ss.NumFmts().DefaultNumFmt());
  EXPECT_EQ(xls::IndexedPalette()[8], 0x00112233u);
  EXPECT_EQ(xls::IndexedPalette()[9], 0x00445566u);
  EXPECT_EQ(xls::IndexedPalette()[10], xls::DefaultPalette[10]);
  auto* biff = dynamic_cast<xls::biff::TBIFF5*>(book.BIFF());
  ASSERT_NE(biff, nullptr);
  ASSERT_EQ(biff->Styles().Count(), 2u);
  EXPECT_EQ(biff->Styles().Items(0)->Data.size(), 4u);
  EXPECT_EQ(biff->Styles().Items(1)->Data.size(), 8u);
  EXPECT_TRUE(biff->RecomendReadOnly());
}

// ---------------------------------------------------------------------------------------------
// Names, sheet list, external references

TEST_F(Reader, Names_JoinedAcrossContinueAndBuiltInCodes) {
  // A user name whose description goes on in a CONTINUE record, a print area on sheet 2 and a
  // name with function group 63.
  const std::string tokens("\x1E\x07\x00", 3);
  std::string name = BiffBody()
                         .U16(0)
                         .U8(0)
                         .U8(5)
                         .U16(3)
                         .U16(0)
                         .U16(0)
                         .U8(0)
                         .U8(5)
                         .U8(0)
                         .U8(0)
                         .U8(0)
                         .Bytes("Total")
                         .Bytes(tokens)
                         .U8(0)
                         .Bytes("des");
  std::string g = BiffRecord(0x0018, name) + BiffRecord(kCONTINUE, "cr");
  g += BiffRecord(0x0018, BiffBody().U16(0x20).U8(0).U8(1).U16(0).U16(0).U16(2).U32(0).U8(0).U8(0x06));
  g += BiffRecord(0x0018, BiffBody().U16(0x0FC0).U8(0).U8(1).U16(0).U16(0).U16(0).U32(0).U8(0).Bytes("g"));
  // A 16-bit sheet name of 130 characters is read whole.
  const std::u16string longName(130, u'\u00C5');
  g += BiffRecord(0x0085, BiffBody().U32(0).U8(0).U8(0).U8(130).U8(1).Units(longName));
  const std::string stream =
      BiffWorkbookStream(g + BiffBoundSheet("Two"), {Number(0, 0, 1), Number(0, 0, 2)});
  Load(BiffCompoundFile(stream));
  xls::TXc12DefinedNames& names = book.Manager().Workbook().DefinedNames();
  ASSERT_EQ(names.Count(), 3u);
  EXPECT_EQ(names.Items(0)->Name(), u"Total");
  EXPECT_EQ(names.Items(0)->FDescription, u"descr");
  EXPECT_EQ(names.Items(0)->FPtgs, (std::vector<uint8_t>{0xFF, 0x1E, 0x07, 0x00}));
  EXPECT_EQ(names.Items(1)->BuiltIn(), xls::TXc12BuiltInName::bnPrintArea);
  EXPECT_EQ(names.Items(1)->LocalSheetId(), 1);
  EXPECT_EQ(names.Items(2)->FFunctionGroupId, 63);
  EXPECT_EQ(book.Manager().Worksheets().Items(0)->FName, longName);
}

// The sheet number of a NAME counts the sheet list's entries; a chart sheet first keeps no model
// worksheet, so entry 2 is the first worksheet. A name on the chart sheet lands on no worksheet.
TEST_F(Reader, Names_SheetNumberCountsChartSheets) {
  const auto name = [](std::string_view text, uint16_t sheet) {
    return BiffRecord(0x0018, BiffBody().U16(0).U8(0).U8(uint8_t(text.size())).U16(3).U16(0).U16(sheet)
                                  .U32(0).U8(0).Bytes(text).Bytes(std::string("\x1E\x07\x00", 3)));
  };
  std::string g = BiffBoundSheet("Chart1", true, 0, 2) + BiffBoundSheet("Data") + BiffBoundSheet("More");
  g += name("Local", 2) + name("Local", 3) + name("OnChart", 1) + name("Book", 0);
  g += BiffRecord(0x0018, BiffBody().U16(0x20).U8(0).U8(1).U16(0).U16(0).U16(3).U32(0).U8(0).U8(0x06));
  const std::string stream = BiffBOF(0x0005) + g + BiffEOF() + BiffBOF(0x0020) + BiffEOF() +
                             BiffBOF(0x0010) + Number(0, 0, 1) + BiffEOF() + BiffBOF(0x0010) +
                             Number(0, 0, 2) + BiffEOF();
  Load(BiffCompoundFile(stream));
  const xls::TXc12DataWorksheets& sheets = book.Manager().Worksheets();
  ASSERT_EQ(sheets.Count(), 2u);
  const xls::TXc12DefinedNames& names = book.Manager().Workbook().DefinedNames();
  ASSERT_EQ(names.Count(), 5u);
  const auto scopeName = [&](size_t i) -> std::u16string {
    const int32_t scope = names.Items(i)->LocalSheetId();
    if (scope < 0) return u"(book)";
    return size_t(scope) < sheets.Count() ? sheets.Items(size_t(scope))->FName : u"(none)";
  };
  EXPECT_EQ(scopeName(0), u"Data");
  EXPECT_EQ(scopeName(1), u"More");
  EXPECT_EQ(scopeName(2), u"(none)");
  EXPECT_EQ(scopeName(3), u"(book)");
  EXPECT_EQ(names.Items(4)->BuiltIn(), xls::TXc12BuiltInName::bnPrintArea);
  EXPECT_EQ(scopeName(4), u"More");
}

// A macro sheet stores cells as a worksheet does: it is read and searched, and the sheets after
// it keep their cells. A module's substream (BIFF5) holds no cells and is stepped over whole; a
// load once failed at either with "Invalid sheet type in file".
TEST_F(Reader, MacroSheetIsReadAndModuleSkipped) {
  std::string g = BiffBoundSheet("Macro1", true, 0, 1) + BiffBoundSheet("Module1", true, 0, 6) +
                  BiffBoundSheet("Data");
  const std::string stream = BiffBOF(0x0005) + g + BiffEOF() + BiffBOF(0x0040) + Number(0, 0, 1) + BiffEOF() +
                             BiffBOF(0x0006) + Number(0, 0, 9) + BiffEOF() + BiffBOF(0x0010) +
                             Number(1, 2, 2) + BiffEOF();
  Load(BiffCompoundFile(stream));
  const xls::TXc12DataWorksheets& sheets = book.Manager().Worksheets();
  ASSERT_EQ(sheets.Count(), 2u);
  EXPECT_EQ(sheets.Items(0)->FName, u"Macro1");
  EXPECT_EQ(sheets.Items(1)->FName, u"Data");
  EXPECT_EQ(Text(0, 0, 0), u"1");
  EXPECT_EQ(Text(2, 1, 1), u"2");
  EXPECT_EQ(Text(0, 0, 1), u"");
}

// BIFF5/7 writers keep the autofilter range as the plain name "_FilterDatabase" (Gnumeric writes
// it twice, the second hidden): it is the sheet's built-in name, read without a duplicate warning.
TEST_F(Reader, Names_Biff5FilterDatabaseIsTheBuiltInName) {
  const auto name = [](std::string_view text, uint16_t flags, uint16_t sheet) {
    return BiffRecord(0x0018, BiffBody().U16(flags).U8(0).U8(uint8_t(text.size())).U16(3).U16(sheet).U16(sheet)
                                  .U32(0).Bytes(text).Bytes(std::string("\x1E\x07\x00", 3)));
  };
  std::string g = BiffBoundSheet("One", false) + BiffBoundSheet("Two", false);
  g += name("_FilterDatabase", 0, 2) + name("_FilterDatabase", 1, 2) + name("Other", 0, 2);
  xls::TXLSErrorList list;
  book.Errors().SetErrorList(&list);
  Load(BiffCompoundFile(BiffWorkbookStream(g, {Number(0, 0, 1), Number(0, 0, 2)}, false), false));
  book.Errors().SetErrorList(nullptr);
  EXPECT_TRUE(list.empty()) << (list.empty() ? "" : kws::Utf16ToUtf8(list[0].Text));
  const xls::TXc12DefinedNames& names = book.Manager().Workbook().DefinedNames();
  ASSERT_EQ(names.Count(), 3u);
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(names.Items(i)->BuiltIn(), xls::TXc12BuiltInName::bnFilterDatabase);
    EXPECT_EQ(names.Items(i)->LocalSheetId(), 1);
  }
  EXPECT_TRUE(names.Items(1)->FHidden);
  EXPECT_EQ(names.Items(2)->BuiltIn(), xls::TXc12BuiltInName::bnNone);
  EXPECT_EQ(names.Items(2)->Name(), u"Other");
}

// The external references of a BIFF8 book with the sheets "My Sheet", "Third" and "Don't": this
// workbook (3 sheets), another book C:\dir\book.xls with the sheet Data and a CRN group, add-in
// functions with EOMONTH; EXTERNSHEET entries, some of them pointing outside the tables.
std::string ExternStream(const std::string& extra = "") {
  const std::string encoded("\x01\x01" "Cdir\x03" "book.xls", 15);
  std::string g = BiffRecord(0x01AE, BiffBody().U16(3).U16(0x0401));
  g += BiffRecord(0x01AE, BiffBody().U16(1).U16(uint16_t(encoded.size())).U8(0).Bytes(encoded).Str8("Data"));
  g += BiffRecord(0x0059, BiffBody().U16(1).U16(0)) + BiffRecord(0x005A, BiffBody().U8(0).U8(0).U16(0).U8(1).F64(4));
  g += BiffRecord(0x0059, BiffBody().U16(1).U16(5)) + BiffRecord(0x005A, BiffBody().U8(0).U8(0).U16(0).U8(1).F64(4));
  g += BiffRecord(0x01AE, BiffBody().U16(1).U16(0x3A01));
  g += BiffRecord(0x0023, BiffBody().U16(0).U32(0).U8(7).U8(0).Bytes("EOMONTH").U16(2).Bytes("\x1C\x17"));
  // 0: My Sheet; 1: My Sheet..Third; 2: Data of the other book; 3: add-ins; 4: deleted sheet;
  // 5: Don't; 6: a book that is not there; 7: a sheet the other book does not have.
  const uint16_t entries[][3] = {{0, 0, 0}, {0, 0, 1}, {1, 0, 0}, {2, 0, 0},
                                 {0, 0xFFFF, 0xFFFF}, {0, 2, 2}, {7, 0, 0}, {1, 5, 5}};
  BiffBody es;
  es.U16(uint16_t(std::size(entries)));
  for (const auto& e : entries) es.U16(e[0]).U16(e[1]).U16(e[2]);
  g += BiffRecord(0x0017, es) + extra;
  // The name Total, defined as 'My Sheet'!$A$1.
  g += BiffRecord(0x0018, BiffBody().U16(0).U8(0).U8(5).U16(7).U16(0).U16(0).U32(0).U8(0).Bytes("Total")
                              .U8(0x3A).U16(0).U16(0).U16(0));
  g += BiffBoundSheet("My Sheet") + BiffBoundSheet("Third") + BiffBoundSheet("Don't");
  const std::string cell = Formula(0, 1, Cached(1), 0, BiffBody().U8(0x3A).U16(1).U16(0).U16(0xC000).str());
  return BiffWorkbookStream(g, {Number(0, 0, 1) + cell, "", ""});
}
std::string ExternBook() { return BiffCompoundFile(ExternStream()); }

std::string Ref3d(uint16_t entry) { return BiffBody().U8(0x3A).U16(entry).U16(0).U16(0xC000); }

TEST_F(Reader, Extern_ReferencesAndNamesDecodeThroughTheTables) {
  xls::TXLSErrorList list;
  book.Errors().SetErrorList(&list);
  Load(ExternBook());
  book.Errors().SetErrorList(nullptr);
  const std::string area = BiffBody().U8(0x3B).U16(1).U16(0).U16(1).U16(0xC000).U16(0xC001);
  const std::string nameX3 = BiffBody().U8(0x39).U16(3).U16(1).U16(0);
  const struct {
    std::string tokens;
    std::u16string text;
  } cases[] = {
      {Ref3d(0), u"'My Sheet'!A1"},
      {area, u"'My Sheet:Third'!A1:B2"},
      {Ref3d(5), u"'Don''t'!A1"},
      {Ref3d(2), u"'C:\\dir\\[book.xls]Data'!A1"},
      // A deleted sheet, a book or a sheet outside the tables, an entry outside the list.
      {Ref3d(4), u"#REF!!A1"},
      {Ref3d(6), u"#REF!!A1"},
      {Ref3d(7), u"#REF!!A1"},
      {Ref3d(99), u"#REF!!A1"},
      // Add-in function, a name past the add-in's list, names of this workbook (the model's).
      {nameX3 + BiffBody().U8(0x44).U16(0).U16(0xC000).U8(0x42).U8(2).U16(255).str(), u"EOMONTH(A1)"},
      {BiffBody().U8(0x39).U16(3).U16(9).U16(0), u"#NAME?"},
      {BiffBody().U8(0x39).U16(0).U16(1).U16(0), u"Total"},
      {BiffBody().U8(0x23).U16(1).U16(0), u"Total"},
      {BiffBody().U8(0x23).U16(2).U16(0), u"#NAME?"},
      {BiffBody().U8(0x23).U16(0).U16(0), u"#NAME?"},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> ptgs{0xFF};
    ptgs.insert(ptgs.end(), c.tokens.begin(), c.tokens.end());
    EXPECT_EQ(xls::FormulaHandlerOf(book).DecodeFormula(nullptr, 0, ptgs, false), c.text)
        << kws::Utf16ToUtf8(c.text);
  }
  // The name's definition and the model's 3-D resolver: only an own entry of one sheet has one.
  const auto* total = dynamic_cast<const xls::TXLSName*>(book.Manager().Workbook().DefinedNames().Items(0));
  ASSERT_NE(total, nullptr);
  EXPECT_EQ(total->Definition(), u"'My Sheet'!$A$1");
  const auto& resolve = book.Manager().FExtSheet97;
  ASSERT_TRUE(resolve);
  int32_t sheet = -1;
  EXPECT_TRUE(resolve(5, sheet));
  EXPECT_EQ(sheet, 2);
  for (uint16_t entry : {1, 2, 3, 4, 6, 99}) EXPECT_FALSE(resolve(entry, sheet)) << entry;
  // The CRN group of a sheet the book does not have is dropped with a warning; the other stays.
  auto* biff = dynamic_cast<xls::biff::TBIFF5*>(book.BIFF());
  ASSERT_NE(biff, nullptr);
  EXPECT_EQ(biff->FormulaHandler().ExternalNames().SupBooks().at(1)->FSheets.at(0).FCRN.size(), 1u);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].Number, xls::XLSWARN_BIFF_EXTERN_DROPPED);
  EXPECT_EQ(Text(0, 0), u"1");
  // The tables go with the reader object: after a clear the texts fall back, nothing dangles.
  book.Clear(1);
  EXPECT_EQ(book.Manager().FExtNames97, nullptr);
  EXPECT_EQ(xls::FormulaHandlerOf(book).DecodeFormula(nullptr, 0, std::vector<uint8_t>{0xFF, 0x23, 1, 0, 0, 0}, false),
            u"[EXTERNNAME]");
}

// Mutated external-reference and name records (counts, indexes, lengths): the load fails
// cleanly or goes on, and every name and cell formula then decodes without a fault.
TEST_F(Reader, Extern_MutatedRecordsFailCleanlyOrDecode) {
  std::vector<std::string> corpus{ExternStream()};
  const auto budget = kws::test::FuzzBudget::FromEnvironment(3.0, 3000);
  const uint64_t runs = kws::test::RunFuzz(budget, corpus, 2027, [&](const std::string& s) {
    xls::TXLSBook b;
    b.Readers().ReadLegacy = xls::biff::ReadLegacyWorkbook;
    const std::string file = BiffCompoundFile(s);
    try {
      b.LoadFromBytes(std::span(reinterpret_cast<const uint8_t*>(file.data()), file.size()));
    } catch (const std::exception&) {
      return;
    }
    xls::TXc12DefinedNames& names = b.Manager().Workbook().DefinedNames();
    for (size_t i = 0; i < names.Count(); ++i) {
      try {
        if (const auto* n = dynamic_cast<const xls::TXLSName*>(names.Items(i))) n->Definition();
      } catch (const xls::XLSRWException&) {
      }
    }
    for (size_t i = 0; i < b.Count(); ++i) {
      try {
        b.Items(i)->GetAsString(0, 0);
        b.Items(i)->GetAsString(1, 0);
        if (b.OnDecodeFormula) {
          const std::vector<uint8_t> ptgs{0xFF, 0x3A, 5, 0, 0, 0, 0, 0xC0};
          b.OnDecodeFormula(*b.Items(i), ptgs);
        }
      } catch (const xls::XLSRWException&) {
      }
    }
  });
  std::printf("extern records fuzz: %llu inputs\n", static_cast<unsigned long long>(runs));
  EXPECT_GT(runs, 0u);
}

TEST_F(Reader, Extern_GroupsWithoutTheirBookAreDroppedCellsStay) {
  // EXTERNNAME and a CRN group before any SUPBOOK, and a SUPBOOK announcing more sheets than it
  // holds: dropped or cut with warnings, the cells stay.
  const std::string externName = BiffRecord(0x0023, BiffBody().U16(0).U32(0).U8(1).U8(0).Bytes("f").U16(0));
  const std::string xct = BiffRecord(0x0059, BiffBody().U16(1).U16(0)) + BiffRecord(0x005A, BiffBody().U32(0));
  const std::string supbook = BiffRecord(0x01AE, BiffBody().U16(65535).U16(1).U8(0).Bytes("b").Str8("S"));
  std::string externSheet = BiffRecord(0x0017, BiffBody().U16(60000).U16(0).U16(0).U16(0));
  externSheet += BiffRecord(kCONTINUE, BiffBody().U16(0).U16(0).U16(0));
  xls::TXLSErrorList list;
  book.Errors().SetErrorList(&list);
  Load(Book8(externName + xct + supbook + externSheet, {Number(0, 0, 1)}));
  book.Errors().SetErrorList(nullptr);
  EXPECT_EQ(Text(0, 0), u"1");
  EXPECT_EQ(list.size(), 2u);
  auto* biff = dynamic_cast<xls::biff::TBIFF5*>(book.BIFF());
  ASSERT_NE(biff, nullptr);
  const auto& tables = biff->FormulaHandler().ExternalNames();
  ASSERT_EQ(tables.SupBooks().size(), 1u);
  EXPECT_EQ(tables.SupBooks()[0]->FSheets.size(), 1u);
  EXPECT_EQ(tables.ExtSheets().size(), 2u);
}

// ---------------------------------------------------------------------------------------------
// FILEPASS

// MD5 of one message of at most 55 bytes.
std::array<uint8_t, 16> Md5Short(std::span<const uint8_t> m) {
  uint8_t block[64] = {};
  std::memcpy(block, m.data(), m.size());
  block[m.size()] = 0x80;
  const uint64_t bits = uint64_t(m.size()) * 8;
  for (int i = 0; i < 8; ++i) block[56 + i] = uint8_t(bits >> (8 * i));
  xls::TMD5Context ctx;
  xls::TMD5::Init(ctx);
  xls::TMD5::Update(ctx, block);
  xls::TMD5::Store(ctx);
  return ctx.Digest;
}

// A FILEPASS body for `password` (RC4 1.1) and the stream encrypted from the record after it.
std::string Encrypt(const std::string& globalsBefore, const std::string& rest, std::u16string_view password) {
  uint8_t salt[16], verifier[32];
  for (int i = 0; i < 16; ++i) salt[i] = uint8_t(i * 7 + 1), verifier[i] = uint8_t(0xA0 + i);
  const auto hash = Md5Short(std::span<const uint8_t>(verifier, 16));
  std::memcpy(verifier + 16, hash.data(), 16);
  BiffBody fp;
  fp.U16(1).U16(1).U16(1).Bytes(std::string(reinterpret_cast<char*>(salt), 16)).Bytes(std::string(32, '\0'));
  xls::biff::TBIFFRC4 rc4;
  rc4.Init(xls::biff::TRecFILEPASS::FromBytes(
               std::span(reinterpret_cast<const uint8_t*>(fp.str().data()), fp.size())),
           password);
  rc4.Crypt(verifier, 32, 0);  // the key stream of block 0 from its start
  std::string body = fp.str();
  std::memcpy(body.data() + 22, verifier, 32);
  xls::biff::TBIFFRC4 key;
  EXPECT_TRUE(key.Init(xls::biff::TRecFILEPASS::FromBytes(
                           std::span(reinterpret_cast<const uint8_t*>(body.data()), body.size())),
                       password));
  std::string s = kws::test::BiffBOF(5) + globalsBefore + BiffRecord(0x002F, body) + rest;
  // Bodies after FILEPASS are encrypted at their stream offsets; headers and BOF bodies are not.
  size_t pos = kws::test::BiffBOF(5).size() + globalsBefore.size() + 4 + body.size();
  while (pos + 4 <= s.size()) {
    const uint16_t id = uint16_t(uint8_t(s[pos]) | (uint8_t(s[pos + 1]) << 8));
    const size_t len = uint8_t(s[pos + 2]) | (uint8_t(s[pos + 3]) << 8);
    if ((id & 0xFF) != 0x09) key.Crypt(reinterpret_cast<uint8_t*>(s.data()) + pos + 4, len, pos + 4);
    pos += 4 + len;
  }
  return BiffCompoundFile(s);
}

std::string Protected(std::u16string_view password) {
  const std::string rest = BiffBoundSheet("Secret") +
                           BiffRecord(kSST, BiffBody().U32(1).U32(1).Str8(std::string(1500, 'k'))) +
                           kws::test::BiffEOF() + kws::test::BiffBOF(0x10) + LabelSst(0, 0, 0) +
                           Number(1, 0, 5) + kws::test::BiffEOF();
  return Encrypt("", rest, password);
}

TEST_F(Reader, FilePass_DefaultPasswordOpensWithoutOne) {
  Load(Protected(u"VelvetSweatshop"));
  EXPECT_EQ(Text(0, 0), std::u16string(1500, u'k'));
  EXPECT_EQ(Text(0, 1), u"5");
  auto* biff = dynamic_cast<xls::biff::TBIFF5*>(book.BIFF());
  ASSERT_NE(biff, nullptr);
  EXPECT_EQ(biff->FPassword, u"VelvetSweatshop");
}

TEST_F(Reader, FilePass_GivenWrongMissingAndUnknownEncryption) {
  book.SetPassword(u"s3cret");
  Load(Protected(u"s3cret"));
  EXPECT_EQ(Text(0, 1), u"5");

  book.SetPassword(u"other");
  EXPECT_NE(LoadError(Protected(u"s3cret")).find("E1004: File is encrypted, password is wrong."),
            std::string::npos);
  book.SetPassword(u"");
  EXPECT_NE(LoadError(Protected(u"s3cret"))
                .find("E1003: File is encrypted, password missing. If you think the file is "
                      "unencrypted, try \"VelvetSweatshop\""),
            std::string::npos);
  // XOR obfuscation, CryptoAPI RC4 (version 4.2) and a body too short for its fields.
  for (const std::string& body : {std::string(BiffBody().U16(0).U16(0).U16(0)),
                                  std::string(BiffBody().U16(1).U16(4).U16(2).Bytes(std::string(60, 'x'))),
                                  std::string(BiffBody().U16(1).U16(1).U16(1).Bytes(std::string(20, 'x')))}) {
    const std::string file =
        BiffCompoundFile(kws::test::BiffBOF(5) + BiffRecord(0x002F, body) + kws::test::BiffEOF());
    EXPECT_NE(LoadError(file).find("E1002: Unknown type of encryption"), std::string::npos);
  }
}

// ---------------------------------------------------------------------------------------------
// Damaged files

// One damaged content record among sound ones is skipped with warning 2003 naming the reason, and
// every other cell reads as written; a MULRK running past the last column keeps the cells before
// it; a damaged FONT or XF keeps its place, so the formats after it keep their indexes.
TEST_F(Reader, Damaged_ContentRecordsAreSkippedAndTheLoadGoesOn) {
  xls::TXLSErrorList list;
  book.Errors().SetErrorList(&list);
  const std::string sst = BiffRecord(kSST, BiffBody().U32(1).U32(1).Str8("shared"));
  const struct {
    const char* what;
    std::string record;
    const char16_t* reason;
  } cases[] = {
      {"NUMBER of 8 bytes", BiffRecord(0x0203, Cell(0, 5).U16(0)), u"Record too short"},
      {"NUMBER at column 40000", Number(0, 40000, 1), u"Cell column out of range"},
      {"RK short", BiffRecord(0x027E, Cell(0, 5).U16(6)), u"Record too short"},
      {"RK at column 40000", BiffRecord(0x027E, Cell(0, 40000).U32(6)), u"Cell column out of range"},
      {"LABELSST short", BiffRecord(kLABELSST, Cell(0, 5).U16(0)), u"Record too short"},
      {"LABELSST at column 40000", LabelSst(0, 40000, 0), u"Cell column out of range"},
      {"FORMULA short", BiffRecord(kFORMULA, Cell(0, 5).F64(1).U16(0)), u"Record too short"},
      {"FORMULA at column 40000", Formula(0, 40000, Cached(1), 0, kTokInt), u"Cell column out of range"},
      {"MULRK short", BiffRecord(0x00BD, BiffBody().U16(0).U16(5)), u"Record too short"},
      {"LABEL at column 40000", BiffRecord(0x0204, Cell(0, 40000).Str8("x")), u"Cell column out of range"},
      {"BOOLERR short", BiffRecord(0x0205, Cell(0, 5).U8(1)), u"Record too short"},
      {"BLANK short", BiffRecord(0x0201, BiffBody().U16(0).U16(5)), u"Record too short"},
      {"ROW short", BiffRecord(0x0208, BiffBody().U16(0).U16(0).U16(2)), u"Record too short"},
      {"cell in the globals", "", u"Cell record outside a worksheet"},
  };
  for (const auto& c : cases) {
    list.clear();
    const bool inGlobals = c.record.empty();
    const std::string damaged = inGlobals ? Number(0, 0, 5) : c.record;
    Load(Book8(sst + (inGlobals ? damaged : ""),
               {Number(0, 0, 1) + LabelSst(1, 0, 0) + (inGlobals ? "" : damaged) +
                Formula(2, 0, Cached(3), 0, kTokInt) + BiffRecord(0x027E, Cell(3, 0).U32(0x06))}));
    EXPECT_EQ(Text(0, 0), u"1") << c.what;
    EXPECT_EQ(Text(0, 1), u"shared") << c.what;
    EXPECT_EQ(Text(0, 2), u"3") << c.what;
    EXPECT_EQ(Text(0, 3), u"1") << c.what;
    EXPECT_EQ(book.Items(0)->GetCellType(5, 0), xls::TXLSCellType::xctNone) << c.what;
    ASSERT_EQ(list.size(), 1u) << c.what;
    EXPECT_EQ(list[0].Number, xls::XLSWARN_BIFF_RECORD_SKIPPED) << c.what;
    EXPECT_NE(list[0].Text.find(c.reason), std::u16string::npos)
        << c.what << ": " << kws::Utf16ToUtf8(list[0].Text);
  }

  list.clear();
  const std::string mulrk = BiffRecord(
      0x00BD, BiffBody().U16(0).U16(16382).U16(0).U32(0x0A).U16(0).U32(0x0E).U16(0).U32(0x12).U16(16384));
  std::string g = Font(200, "A") + BiffRecord(0x0031, BiffBody().U16(200)) + Font(220, "C");
  g += BiffRecord(0x041E, BiffBody().U16(164).Str8("0.000"));
  g += XF(0, 0) + BiffRecord(0x00E0, BiffBody().U16(2).U16(164)) + XF(2, 164);
  Load(Book8(g, {mulrk + BiffRecord(0x0203, Cell(1, 0, 2).F64(1.5))}));
  EXPECT_EQ(Text(16382, 0), u"2");
  EXPECT_EQ(Text(16383, 0), u"3");
  EXPECT_EQ(Text(0, 1), u"1.5");
  xls::TXc12DataStyleSheet& ss = Styles();
  ASSERT_EQ(ss.Fonts().Count(), 4u);  // the default font, then the file's three
  EXPECT_EQ(ss.Fonts().Items(3)->Name(), u"C");
  ASSERT_EQ(ss.XFs().Count(), 4u);
  EXPECT_EQ(ss.XFs().Items(2)->NumFmt(), ss.NumFmts().DefaultNumFmt());
  EXPECT_EQ(ss.XFs().Items(3)->NumFmt()->Value(), u"0.000");
  EXPECT_EQ(ss.XFs().Items(3)->Font(), ss.Fonts().Items(3));
  EXPECT_EQ(Cells().GetStyle(Cells().FindCell(0, 1)), 3);  // XF 2 of the file
  ASSERT_EQ(list.size(), 3u);
  EXPECT_NE(list[0].Text.find(u"Record too short"), std::u16string::npos);
  EXPECT_NE(list[2].Text.find(u"Cell column out of range"), std::u16string::npos);
}

// Mutated workbook streams end in a workbook or a clean error.
TEST_F(Reader, Damaged_MutatedStreamsLoadOrFailCleanly) {
  const std::string sst =
      BiffRecord(kSST, BiffBody().U32(2).U32(2).Str8("abc").U16(3).U8(9).U16(1).Bytes("xyz").U32(0));
  std::string cells = LabelSst(0, 0, 0) + LabelSst(0, 1, 1) + Number(1, 0, 2) +
                      Formula(2, 0, Cached(1), 0x08, TokExp(2, 0)) +
                      BiffRecord(0x04BC, BiffBody().U16(2).U16(3).U8(0).U8(0).U16(0).U16(3).Bytes(kTokInt)) +
                      BiffRecord(0x00BD, BiffBody().U16(3).U16(1).U16(0).U32(0x0A).U16(3));
  const std::string stream =
      BiffWorkbookStream(Font(200, "A") + XF(0, 0) + sst + BiffBoundSheet("S"), {cells});
  // Mutated workbook streams, each in a sound compound file.
  std::vector<std::string> corpus{stream};
  const auto budget = kws::test::FuzzBudget::FromEnvironment(3.0, 3000);
  const uint64_t runs = kws::test::RunFuzz(budget, corpus, 1001, [&](const std::string& s) {
    try {
      xls::TXLSBook b;
      b.Readers().ReadLegacy = xls::biff::ReadLegacyWorkbook;
      const std::string file = BiffCompoundFile(s);
      b.LoadFromBytes(std::span(reinterpret_cast<const uint8_t*>(file.data()), file.size()));
      for (size_t i = 0; i < b.Count(); ++i) b.Items(i)->GetAsString(0, 0);
    } catch (const std::exception&) {
    }
  });
  EXPECT_GT(runs, 0u);
}

}  // namespace
