// The spreadsheet component over workbooks built in memory: text search, cell text, sheet names,
// clearing, file kinds, routing to the readers and the state after a failed load.
#include "xls/model/xlsbook.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <optional>
#include <sstream>

#include "platform/textcodec.h"
#include "tests/support/cfbwriter.h"
#include "tests/support/tempdir.h"
#include "xls/model/xlscellmmu.h"
#include "xls/model/xlsglobals.h"
#include "xls/model/xlssst.h"
#include "xls/model/xlsworksheetdata.h"

namespace xls {
namespace {

FormatSettings PointSettings() {
  FormatSettings fs;
  fs.DecimalSeparator = u'.';
  fs.ThousandSeparator = u',';
  return fs;
}

struct Hit {
  int32_t Sheet, Col, Row, Pos;
  bool operator==(const Hit&) const = default;
};

std::vector<Hit> AllHits(TXLSBook& book, std::u16string_view text, bool ci = true) {
  std::vector<Hit> hits;
  book.BeginFindText();
  while (book.FindText(text, ci) && hits.size() < 1000) {
    TXLSWorksheet* s = book.Items(size_t(book.CurrFindSheet()));
    hits.push_back({book.CurrFindSheet(), s->CurrFindCol(), s->CurrFindRow(), s->CurrFindPos()});
  }
  return hits;
}

TEST(Book_Search, FindsCaseBlindFromPositionAndEndsThere) {
  TXLSBook book(PointSettings());
  book.Items(0)->SetAsString(2, 2, u"abc");
  EXPECT_EQ(AllHits(book, u"B"), (std::vector<Hit>{{0, 2, 2, 2}}));
  // After the end, FindText stays false until BeginFindText.
  EXPECT_FALSE(book.FindText(u"a", true));
  EXPECT_TRUE(AllHits(book, u"B", false).empty());
}

TEST(Book_Search, OverlappingHitsInOneCellThenNextCell) {
  TXLSBook book(PointSettings());
  book.Items(0)->SetAsString(0, 0, u"xxx");
  book.Items(0)->SetAsString(1, 0, u"x");
  book.Items(0)->SetAsString(0, 1, u"yxy");
  EXPECT_EQ(AllHits(book, u"x"), (std::vector<Hit>{{0, 0, 0, 1}, {0, 0, 0, 2}, {0, 0, 0, 3}, {0, 1, 0, 1}, {0, 0, 1, 2}}));
  EXPECT_EQ(AllHits(book, u"xx"), (std::vector<Hit>{{0, 0, 0, 1}, {0, 0, 0, 2}}));
}

TEST(Book_Search, FoldsOnlyAsciiLetters) {
  TXLSBook book(PointSettings());
  book.Items(0)->SetAsString(0, 0, u"\u00C4pfel");  // capital A-umlaut
  EXPECT_TRUE(AllHits(book, u"\u00E4pfel").empty());
  EXPECT_EQ(AllHits(book, u"\u00C4PFEL").size(), 1u);
  EXPECT_EQ(AllHits(book, u"\u00C4pFeL").size(), 1u);
  EXPECT_TRUE(AllHits(book, u"\u00C4PFEL", false).empty());
}

TEST(Book_Search, CellKindsGiveTheirTexts) {
  TXLSBook book(PointSettings());
  TXLSWorksheet* s = book.Items(0);
  s->SetAsFloat(0, 0, 1234.5);
  s->SetAsBoolean(1, 0, true);
  s->SetAsError(2, 0, TXc12CellError::errDiv0);
  s->SetAsFloat(3, 0, 1e20);
  s->SetAsFloat(4, 0, 0.1 + 0.2);
  EXPECT_EQ(AllHits(book, u"1234.5").size(), 1u);
  EXPECT_TRUE(AllHits(book, u"1,234.50").empty());
  EXPECT_EQ(AllHits(book, u"TRUE"), (std::vector<Hit>{{0, 1, 0, 1}}));
  EXPECT_EQ(AllHits(book, u"#DIV/0!"), (std::vector<Hit>{{0, 2, 0, 1}}));
  EXPECT_EQ(s->GetAsString(3, 0), u"1E20");
  EXPECT_EQ(s->GetAsString(4, 0), u"0.3");
  EXPECT_EQ(s->GetAsString(9, 9), u"");
}

TEST(Book_Search, DecimalSeparatorOfTheSettings) {
  FormatSettings fs = PointSettings();
  fs.DecimalSeparator = u',';
  TXLSBook book(fs);
  book.Items(0)->SetAsFloat(0, 0, 12.5);
  book.Items(0)->SetAsString(1, 0, u"7,25");
  EXPECT_EQ(book.Items(0)->GetAsString(0, 0), u"12,5");
  EXPECT_DOUBLE_EQ(book.Items(0)->GetAsFloat(1, 0), 7.25);
}

TEST(Book_Search, BooleanTextsAreTheProcessWideOnes) {
  TXLSBook book(PointSettings());
  book.Items(0)->SetAsBoolean(0, 0, false);
  SetStrFALSE(u"FALSCH");
  const std::u16string t = book.Items(0)->GetAsString(0, 0);
  ResetXLSGlobals();
  EXPECT_EQ(t, u"FALSCH");
}

// Formula cells written through the store's staging record.
void StoreFormula(TXLSWorksheet& s, int32_t col, int32_t row, std::u16string formula, TXLSCellType type,
                  const std::function<void(TXLSFormulaHelper&)>& result) {
  TXLSFormulaHelper& h = s.Cells().FormulaHelper();
  h.Clear();
  h.FCol = col;
  h.FRow = row;
  h.FStyle = 0;
  h.FFormula = std::move(formula);
  h.FCellType = type;
  result(h);
  s.Cells().StoreFormula();
}

TEST(Book_Search, FormulaCellsGiveCachedResultsNotTheirText) {
  TXLSBook book(PointSettings());
  TXLSWorksheet& s = *book.Items(0);
  StoreFormula(s, 0, 0, u"CONCAT(\"Wi\",\"dget\")", TXLSCellType::xctStringFormula, [](auto& h) { h.SetAsString(u"Widget"); });
  StoreFormula(s, 1, 0, u"1/0", TXLSCellType::xctErrorFormula, [](auto& h) { h.SetAsError(TXc12CellError::errDiv0); });
  StoreFormula(s, 2, 0, u"1=1", TXLSCellType::xctBooleanFormula, [](auto& h) { h.SetAsBoolean(true); });
  StoreFormula(s, 3, 0, u"SUM(A9:A10)", TXLSCellType::xctFloatFormula, [](auto& h) { h.SetAsFloat(2.5); });
  EXPECT_EQ(s.GetAsString(0, 0), u"Widget");
  EXPECT_EQ(s.GetAsString(1, 0), u"#DIV/0!");
  EXPECT_EQ(s.GetAsString(2, 0), u"TRUE");
  EXPECT_EQ(s.GetAsString(3, 0), u"2.5");
  EXPECT_EQ(AllHits(book, u"widget").size(), 1u);
  EXPECT_TRUE(AllHits(book, u"CONCAT").empty());
  EXPECT_TRUE(AllHits(book, u"SUM").empty());
  book.SetShowFormulas(true);
  EXPECT_EQ(s.GetAsString(3, 0), u"SUM(A9:A10)");
  EXPECT_EQ(s.GetAsFormula(0, 0), u"CONCAT(\"Wi\",\"dget\")");
  EXPECT_THROW(s.GetAsFormula(5, 5), XLSRWException);
  // [n] at the start names external workbook n.
  book.Manager().XLinks().Add()->FExternalBook.FFilename = u"Prices.xlsx";
  StoreFormula(s, 4, 0, u"[1]Rates!A1", TXLSCellType::xctFloatFormula, [](auto& h) { h.SetAsFloat(1); });
  StoreFormula(s, 5, 0, u"[2]Rates!A1", TXLSCellType::xctFloatFormula, [](auto& h) { h.SetAsFloat(1); });
  EXPECT_EQ(s.GetAsFormula(4, 0), u"[Prices.xlsx]Rates!A1");
  EXPECT_EQ(s.GetAsFormula(5, 0), u"[2]Rates!A1");
}

// The search reads cell texts in place (shared-string entries, number texts on the stack); the
// reference below walks the same cells through GetAsString, the plain text of every cell, and
// says where each call of FindText must stop.
struct RefCell {
  int32_t Col, Row;
  std::u16string Text;
};

std::vector<RefCell> RefCells(TXLSWorksheet& s) {
  std::vector<RefCell> cells;
  s.CalcDimensions();
  for (int32_t r = s.FirstRow(); r <= s.LastRow(); ++r)
    for (int32_t c = s.FirstCol(); c <= s.LastCol(); ++c)
      if (s.GetCellType(c, r) != TXLSCellType::xctNone) cells.push_back({c, r, s.GetAsString(c, r)});
  return cells;
}

// Where the search stands: the cell and the 0-based place the next hit may start at.
struct RefCursor {
  size_t Cell = 0, From = 0;
};

std::optional<Hit> RefNext(const std::vector<RefCell>& cells, RefCursor& at, std::u16string_view key,
                           bool ci) {
  const std::u16string k = ci ? kws::AsciiUpperCopy(key) : std::u16string(key);
  for (; at.Cell < cells.size(); ++at.Cell, at.From = 0) {
    if (k.empty()) continue;
    const std::u16string t = ci ? kws::AsciiUpperCopy(cells[at.Cell].Text) : cells[at.Cell].Text;
    const size_t p = t.find(k, at.From);
    if (p == std::u16string::npos) continue;
    at.From = p + 1;
    return Hit{0, cells[at.Cell].Col, cells[at.Cell].Row, int32_t(p + 1)};
  }
  return std::nullopt;
}

// One sheet with every kind of cell text: 8-bit, 16-bit and rich shared strings, numbers of every
// form, Booleans, errors and formulas with cached results.
void FillEveryKind(TXLSBook& book) {
  TXLSWorksheet& s = *book.Items(0);
  s.SetAsString(0, 0, u"Needle and needlework");
  s.SetAsString(3, 0, u"Caf\u00e9 CAF\u00c9 e-E 1.5e-7");        // 8-bit with Latin-1 letters
  s.SetAsString(1, 1, u"\u03a9mega needle \u03c9MEGA \u0100a");  // 16-bit: units above 255
  book.SetCompressStrings(false);
  s.SetAsString(2, 1, u"wide ascii TRUE false 1234.5");  // 16-bit entry of ASCII text
  book.SetCompressStrings(true);
  TXc12DataSST& sst = book.Manager().SST();
  const std::vector<TXc12FontRun> runs{{0, nullptr}, {4, nullptr}};
  s.Cells().StoreString(4, 1, 0, sst.AddFormattedString(u"RichNEEDLE rich", runs));
  s.Cells().StoreString(5, 1, 0, sst.AddFormattedString(u"R\u0416ch needle", runs));  // rich and 16-bit
  s.SetAsString(6, 1, u"aaaa");
  s.SetAsString(7, 1, u"");
  // clang-format off
  const double numbers[] = {0, 1, -1, 123456, 1234.5, -0.001, 1.5e-7, 1e20, -1.25e100, 0.5 / 1.5, 1e15, 1e-5,
                            0.000015, 9007199254740993.0, -2.5, -7e-6, 100, 999999999999999.0};
  // clang-format on
  int32_t col = 0;
  for (double x : numbers) s.SetAsFloat(col++, 2, x);
  s.SetAsBoolean(0, 3, true);
  s.SetAsBoolean(1, 3, false);
  col = 2;
  for (int e = 1; e <= 8; ++e) s.SetAsError(col++, 3, TXc12CellError(e));
  s.SetAsBlank(11, 3);
  StoreFormula(s, 1, 5, u"CONCAT(\"ne\",\"edle\")", TXLSCellType::xctStringFormula,
               [](auto& h) { h.SetAsString(u"needle Needle"); });
  StoreFormula(s, 2, 5, u"1/0", TXLSCellType::xctErrorFormula,
               [](auto& h) { h.SetAsError(TXc12CellError::errDiv0); });
  StoreFormula(s, 3, 5, u"1=1", TXLSCellType::xctBooleanFormula, [](auto& h) { h.SetAsBoolean(true); });
  StoreFormula(s, 4, 5, u"SUM(E1:E2)*1.5", TXLSCellType::xctFloatFormula,
               [](auto& h) { h.SetAsFloat(-2.5e-9); });
  StoreFormula(s, 5, 5, u"2*3", TXLSCellType::xctFloatFormula, [](auto& h) { h.SetAsFloat(6); });
}

TEST(Book_Search, HitsAndOrderAgreeWithTheTextOfEveryCell) {
  // clang-format off
  const std::u16string_view keys[] = {
      u"needle", u"NEEDLE", u"nEEdLe", u"e", u"E", u"E-", u"e-7", u"1", u"-", u"0", u"00", u"3333", u"1.",
      u".", u",", u"5E", u"-1.25E", u"1E15", u"9.00719925474099E", u"TRUE", u"rue", u"fAlSe", u"#div",
      u"/0!", u"#N/A", u"A", u"N", u"I", u"F", u"aa", u"caf\u00e9", u"CAF\u00c9", u"\u00e9", u"\u03a9m",
      u"\u03c9m", u"\u0100A", u"\u0416", u"rich", u"sum(", u"*1.5", u"\"", u"2*", u"x", u""};
  // clang-format on
  for (const char16_t separator : {u'.', u','}) {
    FormatSettings fs = PointSettings();
    fs.DecimalSeparator = separator;
    TXLSBook book(fs);
    FillEveryKind(book);
    for (const bool formulas : {false, true}) {
      book.SetShowFormulas(formulas);
      const std::vector<RefCell> cells = RefCells(*book.Items(0));
      for (const std::u16string_view key : keys)
        for (const bool ci : {true, false}) {
          std::vector<Hit> expected;
          RefCursor at;
          while (auto h = RefNext(cells, at, key, ci)) expected.push_back(*h);
          EXPECT_EQ(AllHits(book, key, ci), expected) << kws::Utf16ToUtf8(key) << " ci " << ci << " formulas "
                                                      << formulas << " separator " << char(separator);
        }
    }
  }
}

TEST(Book_Search, NextCallWithAnotherKeywordGoesOnInTheSameCell) {
  TXLSBook book(PointSettings());
  FillEveryKind(book);
  const std::vector<RefCell> cells = RefCells(*book.Items(0));
  // Keywords taken in turn, each call going on from the previous call's hit.
  const std::u16string_view turns[] = {u"e", u"1", u"E", u"needle", u"e", u"a", u"-", u"0"};
  book.BeginFindText();
  RefCursor at;
  size_t calls = 0;
  for (bool found = true; found && calls < 1000; ++calls) {
    const std::u16string_view key = turns[calls % std::size(turns)];
    const std::optional<Hit> expected = RefNext(cells, at, key, true);
    found = book.FindText(key, true);
    ASSERT_EQ(found, expected.has_value()) << calls;
    TXLSWorksheet& s = *book.Items(0);
    if (found) {
      EXPECT_EQ((Hit{0, s.CurrFindCol(), s.CurrFindRow(), s.CurrFindPos()}), *expected) << calls;
    }
  }
  EXPECT_GE(calls, 14u);                    // 13 hits, then the end
  EXPECT_FALSE(book.FindText(u"e", true));  // the end holds until BeginFindText
}

TEST(Book_Search, CellChangedAfterAHitIsReadAfresh) {
  TXLSBook book(PointSettings());
  TXLSWorksheet& s = *book.Items(0);
  s.SetAsString(0, 0, u"first");
  s.SetAsString(1, 1, u"needle needle");
  s.SetAsString(199, 1, u"none");  // the area searched reaches column 199
  book.BeginFindText();
  ASSERT_TRUE(book.FindText(u"needle", true));
  EXPECT_EQ((Hit{0, s.CurrFindCol(), s.CurrFindRow(), s.CurrFindPos()}), (Hit{0, 1, 1, 1}));
  // Before the search goes on, the hit cell gets another text and the rows grow: the bytes of
  // row 2 move behind the longer row 1.
  s.SetAsString(1, 1, u"xx needle");
  for (int32_t c = 1; c < 199; ++c) s.SetAsString(c, 0, u"other text");
  s.SetAsString(150, 1, u"a needle");
  std::vector<Hit> hits;
  while (book.FindText(u"needle", true)) hits.push_back({0, s.CurrFindCol(), s.CurrFindRow(), s.CurrFindPos()});
  EXPECT_EQ(hits, (std::vector<Hit>{{0, 1, 1, 4}, {0, 150, 1, 3}}));
}

TEST(Book_Search, OnlyExistingCellsAreVisitedFarCornersDoNotHang) {
  TXLSBook book(PointSettings());
  book.Items(0)->SetAsString(0, 0, u"first");
  book.Items(0)->SetAsString(XLS_MAXCOL, XLS_MAXROW, u"last");
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(AllHits(book, u"S"), (std::vector<Hit>{{0, 0, 0, 4}, {0, XLS_MAXCOL, XLS_MAXROW, 3}}));
  EXPECT_TRUE(AllHits(book, u"nothing").empty());
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
}

TEST(Book_Search, RowOrderAcrossSheetsAndEmptyBooks) {
  TXLSBook book(PointSettings());
  EXPECT_TRUE(AllHits(book, u"a").empty());  // one empty sheet
  book.Add();
  book.Items(1)->SetAsString(5, 3, u"key");
  book.Items(1)->SetAsString(1, 7, u"key");
  book.Items(1)->SetAsString(9, 3, u"key");
  book.BeginFindText();
  ASSERT_TRUE(book.FindText(u"KEY", true));
  EXPECT_EQ(book.CurrFindSheet(), 1);
  EXPECT_EQ(AllHits(book, u"key"), (std::vector<Hit>{{1, 5, 3, 1}, {1, 9, 3, 1}, {1, 1, 7, 1}}));
  EXPECT_TRUE(AllHits(book, u"").empty());
}

TEST(Book_Sheets, NamesAreUniqueCutAndChecked) {
  TXLSBook book(PointSettings());
  EXPECT_EQ(book.Items(0)->Name(), u"Sheet1");
  book.Add();
  EXPECT_EQ(book.Items(1)->Name(), u"Sheet2");
  book.Items(0)->SetName(u"Sheet3");
  book.Add();
  EXPECT_EQ(book.Items(2)->Name(), u"Sheet4");  // Sheet3 is taken
  book.Items(1)->SetName(u"SHEET3");             // taken in other letter case: unchanged
  EXPECT_EQ(book.Items(1)->Name(), u"Sheet2");
  EXPECT_EQ(book.Errors().WarningCount(), 1);
  book.Items(1)->SetName(std::u16string(40, u'n'));
  EXPECT_EQ(book.Items(1)->Name(), std::u16string(31, u'n'));
  // 30 units and a surrogate pair: the pair is not cut in half.
  book.Items(1)->SetName(std::u16string(30, u'm') + u"\U0001F600");
  EXPECT_EQ(book.Items(1)->Name(), std::u16string(30, u'm'));
  EXPECT_EQ(book.SheetByName(u"sheet3"), book.Items(0));
  EXPECT_EQ(book.SheetByName(u"nope"), nullptr);
  book.SetDefaultName(u"");
  EXPECT_EQ(book.DefaultName(), u"Sheet");
}

TEST(Book_Sheets, ClearIsBoundedAndHundredSheetsComeAndGo) {
  TXLSBook book(PointSettings());
  book.Clear(300);
  EXPECT_EQ(book.Count(), 255u);
  EXPECT_EQ(book.Items(254)->Name(), u"Sheet255");
  book.Clear(-1);
  EXPECT_EQ(book.Count(), 0u);
  book.Clear(100);
  for (size_t i = 0; i < 100; ++i) book.Items(i)->SetAsString(int32_t(i), int32_t(i), u"cell");
  EXPECT_EQ(AllHits(book, u"cell").size(), 100u);
  book.Clear(1);
  EXPECT_EQ(book.Count(), 1u);
  EXPECT_TRUE(AllHits(book, u"cell").empty());
  auto many = std::make_unique<TXLSBook>(PointSettings());
  many->Clear(100);
  many.reset();
}

TEST(Book_Cells, GettersRaiseOnWrongKinds) {
  TXLSBook book(PointSettings());
  TXLSWorksheet& s = *book.Items(0);
  s.SetAsString(0, 0, u"true");
  s.SetAsString(1, 0, u"12.5");
  s.SetAsString(2, 0, u"abc");
  s.SetAsBlank(3, 0);
  EXPECT_TRUE(s.GetAsBoolean(0, 0));
  EXPECT_DOUBLE_EQ(s.GetAsFloat(1, 0), 12.5);
  EXPECT_DOUBLE_EQ(s.GetAsFloat(2, 0), 0);
  EXPECT_THROW(s.GetAsBoolean(2, 0), XLSRWException);
  EXPECT_THROW(s.GetAsError(0, 0), XLSRWException);
  EXPECT_TRUE(s.GetAsBlank(3, 0));
  EXPECT_TRUE(s.GetAsEmpty(4, 0));
  EXPECT_FALSE(s.GetAsEmpty(0, 0));
  try {
    s.GetAsError(7, 7);
    FAIL();
  } catch (const XLSRWException& e) {
    EXPECT_EQ(e.Message(), u"Cell is missing/is of wrong type");
  }
}

// ---- file kinds and routing

std::vector<uint8_t> Bytes(std::string_view s) { return {s.begin(), s.end()}; }

std::vector<uint8_t> CompoundWith(std::u16string_view stream) {
  kws::test::CfbWriter w;
  w.AddStream(stream, std::string(600, 'x'));
  return Bytes(w.Build().bytes);
}

TEST(Book_Files, DetectFileTypeBySignature) {
  struct Case {
    std::vector<uint8_t> data;
    int kind;
  };
  const Case cases[] = {{{0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1}, 1}, {{0xD0, 0xCF, 0x11, 0xE0, 0xA1}, 0},
                        {Bytes("PK\x03\x04rest"), 2},                            {Bytes("PK\x03"), 0},
                        {Bytes("{\\rtf1"), 6},                                   {Bytes("plain"), 0},
                        {{}, 0}};
  for (const Case& c : cases) EXPECT_EQ(TXLSBook::DetectFileType(c.data), c.kind);
  const std::vector<uint8_t> long17(17, 0);
  EXPECT_FALSE(TXLSBook::StreamHasSignature(long17, long17));
  EXPECT_TRUE(TXLSBook::StreamHasSignature(long17, std::span(long17).first(16)));
}

struct Recorder {
  std::string road;
  std::vector<uint8_t> seen;
};

void Connect(TXLSBook& book, Recorder& rec) {
  book.Readers().ReadPackage = [&rec](TXLSBook& b, std::span<const uint8_t> zip) {
    rec.road = "package";
    rec.seen.assign(zip.begin(), zip.end());
    TXc12DataWorksheet* ws = b.Manager().Worksheets().Add(-1);
    ws->FName = u"Loaded";
    ws->Cells().StoreString(0, 0, 0, u"from package");
  };
  book.Readers().ReadLegacy = [&rec](TXLSBook& b, std::span<const uint8_t>) {
    rec.road = "legacy";
    b.Manager().Worksheets().Add(-1)->FName = u"Legacy";
  };
  book.Readers().DecryptPackage = [&rec](TXLSBook&, std::span<const uint8_t>, const std::u16string& password,
                                         std::vector<uint8_t>& zip) {
    rec.road = "decrypt";
    if (password.empty()) return TXLSCryptoResult::xcrMissingPassword;
    if (password != u"secret") return TXLSCryptoResult::xcrWrongPassword;
    zip = Bytes("PK\x03\x04" "decrypted");
    return TXLSCryptoResult::xcrOk;
  };
}

TEST(Book_Files, RoutedByFirstBytesWhateverTheName) {
  kws::test::TempDir dir;
  const auto zip = Bytes("PK\x03\x04zipdata");
  struct Case {
    const char* name;
    std::vector<uint8_t> data;
    const char* road;
    TExcelVersion version;
  };
  const Case cases[] = {
      {"a.bin", zip, "package", TExcelVersion::xvExcel2007},
      {"b.XLS", zip, "package", TExcelVersion::xvExcel2007},
      {"c.xlsx", CompoundWith(u"Workbook"), "legacy", TExcelVersion::xvExcel97},
      {"d.xlsx", CompoundWith(u"Book"), "legacy", TExcelVersion::xvExcel97},
      {"e.XLS", Bytes("\x09\x00\x04\x00early"), "legacy", TExcelVersion::xvExcel97},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TXLSBook book(PointSettings());
    Recorder rec;
    Connect(book, rec);
    const std::string bytes(c.data.begin(), c.data.end());
    book.LoadFromFile(dir.Write(c.name, bytes));
    EXPECT_EQ(rec.road, c.road);
    EXPECT_EQ(book.Version(), c.version);
    ASSERT_EQ(book.Count(), 1u);
  }
}

TEST(Book_Files, EncryptedPackagesGoThroughTheDecryptor) {
  const auto enc = CompoundWith(u"EncryptionInfo");
  TXLSBook book(PointSettings());
  Recorder rec;
  Connect(book, rec);
  struct Case {
    std::u16string password;
    const char16_t* error;
  };
  for (const Case& c : {Case{u"", u"Missing password"}, Case{u"guess", u"Wrong password"}}) {
    book.SetPassword(c.password);
    try {
      book.LoadFromBytes(enc);
      FAIL();
    } catch (const XLSRWException& e) {
      EXPECT_EQ(e.Message(), c.error);
    }
  }
  book.SetPassword(u"secret");
  book.LoadFromBytes(enc);
  EXPECT_EQ(rec.road, "package");
  EXPECT_EQ(rec.seen, Bytes("PK\x03\x04" "decrypted"));
  EXPECT_EQ(book.Items(0)->GetAsString(0, 0), u"from package");
}

TEST(Book_Files, DamagedCompoundFileRaisesAndClears) {
  TXLSBook book(PointSettings());
  Recorder rec;
  Connect(book, rec);
  auto cfb = CompoundWith(u"Workbook");
  for (size_t cut : {size_t(8), size_t(100), size_t(512)}) {
    std::vector<uint8_t> part(cfb.begin(), cfb.begin() + std::ptrdiff_t(cut));
    book.Clear(1);
    EXPECT_THROW(book.LoadFromBytes(part), XLSRWException) << cut;
    EXPECT_EQ(book.Count(), 0u);
  }
  EXPECT_EQ(rec.road, "");
}

TEST(Book_Files, UnknownKindsRaiseTheReadError) {
  kws::test::TempDir dir;
  TXLSBook book(PointSettings());
  Recorder rec;
  Connect(book, rec);
  for (const auto& data : {Bytes("just text"), CompoundWith(u"WordDocument"), Bytes("")}) {
    std::istringstream in(std::string(data.begin(), data.end()));
    try {
      book.LoadFromStream(in);
      FAIL();
    } catch (const XLSRWException& e) {
      EXPECT_EQ(e.Message(), u"XLSX File read error.");
    }
  }
  EXPECT_THROW(book.LoadFromFile(dir.Write("t.xlsx", "plain text")), XLSRWException);
  EXPECT_THROW(book.LoadFromFile(dir.path() / "missing.xlsx"), XLSRWException);
  EXPECT_EQ(rec.road, "");
}

TEST(Book_Files, KindToldFromFirstBytesBeforeTheFileIsRead) {
  kws::test::TempDir dir;
  TXLSBook book(PointSettings());
  Recorder rec;
  Connect(book, rec);
  size_t legacySeen = 0;
  book.Readers().ReadLegacy = [&legacySeen](TXLSBook&, std::span<const uint8_t> data) {
    legacySeen = data.size();
    throw XLSRWException("The file is not an Excel workbook");
  };
  // Sparse files of 8 GB: only their first bytes are read.
  for (const char* name : {"sparse.xlsx", "sparse.xls"}) {
    const auto file = dir.Write(name, "");
    std::filesystem::resize_file(file, uintmax_t{8} << 30);
    EXPECT_THROW(book.LoadFromFile(file), XLSRWException) << name;
    EXPECT_EQ(book.Count(), 0u);
  }
  EXPECT_EQ(legacySeen, 8u);
  // A FIFO without a writer and a device are never opened for reading.
  const auto fifo = dir.path() / "fifo.xlsx";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/zero", dir.path() / "zero.xls");
  for (const auto& file : {fifo, dir.path() / "zero.xls"}) {
    try {
      book.LoadFromFile(file);
      FAIL() << file;
    } catch (const XLSRWException& e) {
      EXPECT_EQ(e.Message(), u"Cannot open file \"" + kws::Utf8ToUtf16(file.string()) + u"\"");
    }
  }
  EXPECT_EQ(rec.road, "");
}

TEST(Book_Files, ReadersNotConnectedRaiseOwnErrors) {
  TXLSBook book(PointSettings());
  book.Readers() = TXLSBookReaders{};
  EXPECT_THROW(book.LoadFromBytes(Bytes("PK\x03\x04")), XLSRWException);
  EXPECT_THROW(book.LoadFromBytes(CompoundWith(u"Workbook")), XLSRWException);
  EXPECT_THROW(book.LoadFromBytes(CompoundWith(u"EncryptionInfo")), XLSRWException);
}

TEST(Book_Files, FailedLoadLeavesNothingToSearchAndNextLoadWorks) {
  TXLSBook book(PointSettings());
  Recorder rec;
  Connect(book, rec);
  book.LoadFromBytes(Bytes("PK\x03\x04"));
  ASSERT_EQ(AllHits(book, u"package").size(), 1u);
  // A file of unknown kind.
  EXPECT_THROW(book.LoadFromBytes(Bytes("garbage")), XLSRWException);
  EXPECT_TRUE(AllHits(book, u"package").empty());
  // A reader that fails half way.
  book.LoadFromBytes(Bytes("PK\x03\x04"));
  book.Readers().ReadPackage = [](TXLSBook& b, std::span<const uint8_t>) {
    b.Manager().Worksheets().Add(-1)->Cells().StoreString(0, 0, 0, u"half package");
    throw XLSRWException("broken part");
  };
  EXPECT_THROW(book.LoadFromBytes(Bytes("PK\x03\x04")), XLSRWException);
  EXPECT_EQ(book.Manager().Worksheets().Count(), 0u);
  EXPECT_TRUE(AllHits(book, u"package").empty());
  Connect(book, rec);
  book.LoadFromBytes(Bytes("PK\x03\x04"));
  EXPECT_EQ(AllHits(book, u"package").size(), 1u);
}

// ---- relative cell ranges bound after a load

TEST(Book_RelCells, BoundToTheirSheetsAfterTheLoad) {
  TXLSBook book(PointSettings());
  std::vector<std::unique_ptr<TXLSRelCells>> keep;
  book.Readers().ReadPackage = [&keep](TXLSBook& b, std::span<const uint8_t>) {
    const char16_t* names[] = {u"Sheet1", u"My Sheet", u"Bob's"};
    for (auto n : names) b.Manager().Worksheets().Add(-1)->FName = n;
    b.Manager().Worksheets().Items(1)->Cells().StoreString(0, 0, 0, u"a");
    for (auto ref : {u"Sheet1!$B$2:$B$9", u"'My Sheet'!A1", u"[1]Sheet1!A1", u"'Bob''s'!C3", u"(Sheet1!A1,Sheet1!B2)", u"Nowhere!A1"})
      keep.emplace_back(b.Manager().GrManager().CreateRelativeCells(ref));
  };
  book.LoadFromBytes(Bytes("PK\x03\x04"));
  ASSERT_EQ(keep.size(), 6u);
  EXPECT_TRUE(book.Manager().VirtualCells().empty());
  EXPECT_EQ(keep[0]->Ref(), u"Sheet1!B2:B9");
  EXPECT_EQ(keep[0]->RefAbs(), u"Sheet1!$B$2:$B$9");
  EXPECT_EQ(keep[0]->ShortRef(), u"B2:B9");
  EXPECT_EQ(keep[1]->Ref(), u"My Sheet!A1");
  EXPECT_EQ(keep[1]->GetAsString(0, 0), u"a");
  EXPECT_EQ(keep[2]->SheetName(), u"???");
  EXPECT_EQ(keep[3]->SheetName(), u"Bob's");
  EXPECT_EQ(keep[3]->Ref(), u"Bob's!C3");
  EXPECT_EQ(keep[4]->RefAbs(), u"(Sheet1!A1,Sheet1!B2)");
  EXPECT_EQ(keep[5]->SheetName(), u"???");
  EXPECT_EQ(keep[5]->GetAsString(0, 0), u"");
  EXPECT_THROW(keep[5]->SetAsFloat(0, 0, 1), XLSRWException);
  // Writing with AutoExtend grows the bounds.
  keep[0]->FAutoExtend = true;
  keep[0]->SetAsFloat(5, 20, 1);
  EXPECT_EQ(keep[0]->ShortRef(), u"B2:F21");
}

TEST(Book_RelCells, AsTextJoinsTheAreaRowByRow) {
  TXLSBook book(PointSettings());
  TXLSRelCellsImpl rc(book.Items(0));
  book.Items(0)->SetAsString(0, 0, u"a");
  book.Items(0)->SetAsString(1, 0, u"b");
  book.Items(0)->SetAsString(0, 1, u"c");
  book.Items(0)->SetAsString(2, 1, u"d");
  rc.SetRefAbs(u"A1:C2");
  EXPECT_EQ(rc.AsText(), u"a b  c  d");
}

// Cells as pivot shared-item values and back: each kind written by SetAsSharedItem reads back as
// the same value; a blank value leaves the cell; no cell, or no sheet, gives none.
TEST(Book_RelCells, SharedItemValuesRoundTrip) {
  TXLSBook book(PointSettings());
  TXLSRelCellsImpl rc(book.Items(0));
  const TXLSSharedItemsValueBoolean b(true);
  const TXLSSharedItemsValueNumeric n(2.5);
  const TXLSSharedItemsValueString s(u"text");
  const TXLSSharedItemsValueError e(TXc12CellError::errNA);
  const TXLSSharedItemsValue* values[] = {&b, &n, &s, &e};
  for (int i = 0; i < 4; ++i) {
    rc.SetAsSharedItem(i, 0, *values[i]);
    auto back = rc.GetAsSharedItem(i, 0);
    ASSERT_NE(back, nullptr) << i;
    EXPECT_TRUE(back->Equal(*values[i])) << i;
  }
  // A date value is written as its serial number (read back as a number without a date format).
  rc.SetAsSharedItem(4, 0, TXLSSharedItemsValueDate(44197));
  EXPECT_TRUE(rc.GetAsSharedItem(4, 0)->EqualNumeric(44197));
  rc.SetAsSharedItem(0, 0, TXLSSharedItemsValueBlank());
  EXPECT_TRUE(rc.GetAsSharedItem(0, 0)->EqualBoolean(true));
  book.Items(0)->SetAsBlank(5, 0);
  EXPECT_TRUE(rc.GetAsSharedItem(5, 0)->EqualBlank());
  EXPECT_EQ(rc.GetAsSharedItem(9, 9), nullptr);
  TXLSRelCellsImpl unbound(nullptr);
  EXPECT_EQ(unbound.GetAsSharedItem(0, 0), nullptr);
  EXPECT_THROW(unbound.SetAsSharedItem(0, 0, n), XLSRWException);
}

TEST(Book_RelCells, HubClearForgetsCollectedRanges) {
  TXLSBook book(PointSettings());
  std::unique_ptr<TXLSRelCells> rc(book.Manager().GrManager().CreateRelativeCells(u"Sheet1!A1"));
  ASSERT_EQ(book.Manager().VirtualCells().size(), 1u);
  book.Clear(1);
  EXPECT_TRUE(book.Manager().VirtualCells().empty());
}

}  // namespace
}  // namespace xls

namespace xls {
namespace {

// Stores the shared-string entry `index` into the cells (0..n-1, row).
void StoreEntry(TXLSBook& book, int32_t index, int32_t n, int32_t row) {
  TXLSCellMMU& cells = book.Items(0)->Cells();
  for (int32_t c = 0; c < n; ++c) cells.StoreString(c, row, 0, index);
}

// An entry used by many cells is searched once per keyword: every cell still gets its hits, at
// every place inside the cell, and a keyword the entry lacks costs one search of it (20,000 cells
// of a 1,000,000-character entry searched cell by cell would take minutes here).
TEST(Book_Search, SharedEntrySearchedOnceServesEveryCell) {
  TXLSBook book(PointSettings());
  TXc12DataSST& sst = book.Manager().SST();
  const int32_t small = sst.FileAddString(u"ab needle cd NEEDLE");
  StoreEntry(book, small, 2, 0);
  EXPECT_EQ(AllHits(book, u"needle"),
            (std::vector<Hit>{{0, 0, 0, 4}, {0, 0, 0, 14}, {0, 1, 0, 4}, {0, 1, 0, 14}}));
  EXPECT_EQ(AllHits(book, u"NEEDLE", false), (std::vector<Hit>{{0, 0, 0, 14}, {0, 1, 0, 14}}));

  std::u16string big(1000000, u'a');
  big.replace(big.size() - 3, 3, u"end");
  const int32_t large = sst.FileAddString(big);
  StoreEntry(book, large, 10000, 1);
  StoreEntry(book, large, 10000, 2);
  EXPECT_TRUE(AllHits(book, u"absent").empty());
  book.BeginFindText();
  EXPECT_FALSE(book.FindText(u"aab", true));
  book.BeginFindText();
  size_t ends = 0;
  TXLSWorksheet& s = *book.Items(0);
  while (book.FindText(u"aend", true)) {
    ++ends;
    ASSERT_EQ(s.CurrFindPos(), int32_t(big.size()) - 3);
  }
  EXPECT_EQ(ends, 20000u);
}

// A package's text is shown, and searched, with its _xHHHH_ escapes read; a legacy workbook's text
// is what it holds.
TEST(Book_Search, PackageEscapesAreReadInCellTextAndSearch) {
  struct Case {
    std::u16string Stored, Shown;
  };
  const Case cases[] = {{u"ABC_x000D_", u"ABC\r"},
                        {u"_x005F_x0041_", u"_x0041_"},
                        {u"a_x0041__x00e9_b", u"aA\u00e9b"},
                        {u"_x00G1_ _X0041_ _x004", u"_x00G1_ _X0041_ _x004"},
                        {u"no escape", u"no escape"}};
  for (const bool package : {true, false}) {
    TXLSBook book(PointSettings());
    TXc12DataSST& sst = book.Manager().SST();
    sst.SetIsExcel97(!package);
    for (size_t i = 0; i < std::size(cases); ++i)
      StoreEntry(book, sst.FileAddString(cases[i].Stored), 1, int32_t(i));
    for (size_t i = 0; i < std::size(cases); ++i)
      EXPECT_EQ(book.Items(0)->GetAsString(0, int32_t(i)), package ? cases[i].Shown : cases[i].Stored);
    EXPECT_EQ(AllHits(book, u"x0041_", false).size(), package ? 1u : 2u);
    EXPECT_EQ(AllHits(book, u"C\r").size(), package ? 1u : 0u);
    EXPECT_EQ(AllHits(book, u"_x005F").size(), package ? 0u : 1u);
  }
}

}  // namespace
}  // namespace xls
