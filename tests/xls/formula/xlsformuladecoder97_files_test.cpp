// Formulas of real legacy workbooks (tests/data/xls, written by LibreOffice and Gnumeric) through
// the shared-formula fix-up and the decoder: the text of each formula cell must be the formula
// that the fixture script typed into the writing program.
//
// The test walks the records of the workbook stream itself (BOF, BOUNDSHEET, FORMULA, SHRFMLA),
// so that only the formula code is under test: a shared-formula cell (first token PtgExp, flag
// bit 3) takes the tokens of the SHRFMLA record whose range holds it, fixed up for the cell.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/cfb.h"
#include "platform/textcodec.h"
#include "xls/formula/xlsformuladecoder97.h"

namespace xls {
namespace {

using Bytes = std::vector<uint8_t>;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

struct Shared {
  int32_t row1, row2, col1, col2;
  Bytes tokens;
};

struct Book {
  bool biff8 = true;
  int sharedCells = 0;  // cells whose tokens came from a SHRFMLA
  // Sheet name -> (column, row) -> formula text.
  std::map<std::string, std::map<std::pair<int32_t, int32_t>, std::string>> formulas;
};

// A file of tests/data, e.g. "xls/libreoffice-biff8.xls".
std::filesystem::path DataFile(const char* name) {
  const char* root = std::getenv("KWS_SOURCE_DIR");
  return std::filesystem::path(root ? root : ".") / "tests" / "data" / name;
}

Book ReadFormulas(const char* name) {
  Book book;
  const kws::CfbStorage root = kws::OpenCompoundFile(DataFile(name));
  std::optional<kws::CfbStream> stream = root.OpenStream(u"Workbook");
  if (!stream) stream = root.OpenStream(u"Book");
  if (!stream) throw std::runtime_error("no workbook stream");
  const Bytes data = stream->ReadAll();

  std::vector<std::string> sheetNames;
  int sheet = -1;  // index of the current worksheet sub-stream, -1 in the globals
  std::vector<Shared> shared;
  std::vector<int32_t> externSheets;  // BIFF8 EXTERNSHEET: the first sheet of each entry
  // Defined names as "Name<n>"; sheets of this workbook by their names, quoted when they hold a
  // blank (BIFF8 EXTERNSHEET entries, BIFF5 first and last sheet).
  const TGetNameEvent names = [&](TFormulaNameType type, int32_t first, int32_t index, int32_t, int32_t) {
    const auto sheetName = [&](int32_t i) {
      const std::string n = i >= 0 && i < static_cast<int32_t>(sheetNames.size()) ? sheetNames[i] : "?";
      return n.find(' ') == std::string::npos ? n : "'" + n + "'";
    };
    std::string text = "Name" + std::to_string(index);
    if (type == TFormulaNameType::ntCurrBook)
      text = sheetName(first) + (first == index ? "" : ":" + sheetName(index)) + "!";
    else if (type == TFormulaNameType::ntExternSheet && index < 0 &&
             first < static_cast<int32_t>(externSheets.size()))
      text = sheetName(externSheets[first]) + "!";
    return kws::Utf8ToUtf16(text);
  };
  size_t pos = 0;
  while (pos + 4 <= data.size()) {
    const uint16_t id = U16(&data[pos]);
    const size_t len = U16(&data[pos + 2]);
    if (pos + 4 + len > data.size()) break;
    const uint8_t* body = &data[pos + 4];
    const size_t next = pos + 4 + len;
    if (id == 0x0809 && len >= 4) {  // BOF
      book.biff8 = U16(body) == 0x0600;
      if (U16(body + 2) == 0x0010) ++sheet;
      shared.clear();
    } else if (id == 0x0085 && len >= 8) {  // BOUNDSHEET: the name after 6 bytes
      const size_t count = body[6];
      const bool wide = book.biff8 && (body[7] & 1);
      const uint8_t* chars = body + (book.biff8 ? 8 : 7);
      std::u16string text;
      for (size_t i = 0; i < count; ++i) text += wide ? char16_t(U16(chars + 2 * i)) : char16_t(chars[i]);
      sheetNames.push_back(kws::Utf16ToUtf8(text));
    } else if (id == 0x0017 && book.biff8 && len >= 2) {  // EXTERNSHEET: entries of 6 bytes
      for (size_t i = 0; i < U16(body) && 2 + 6 * i + 6 <= len; ++i)
        externSheets.push_back(U16(body + 2 + 6 * i + 2));
    } else if (id == 0x0006 && len >= 22 && sheet >= 0) {  // FORMULA
      const int32_t row = U16(body), col = U16(body + 2);
      const size_t cce = U16(body + 20);
      Bytes tokens(body + 22, body + 22 + cce);
      const Bytes constants(body + 22 + cce, body + len);
      if (!tokens.empty() && tokens[0] == 0x01 && (U16(body + 14) & 0x08)) {
        if (next + 4 <= data.size() && (U16(&data[next]) == 0x04BC || U16(&data[next]) == 0x00BC)) {
          const uint8_t* s = &data[next + 4];
          const size_t scce = U16(s + 8);
          shared.push_back({U16(s), U16(s + 2), s[4], s[5], Bytes(s + 10, s + 10 + scce)});
        }
        const int32_t anchorRow = U16(&tokens[1]), anchorCol = U16(&tokens[3]);
        bool found = false;
        for (const Shared& f : shared) {
          if (anchorRow >= f.row1 && anchorRow <= f.row2 && anchorCol >= f.col1 && anchorCol <= f.col2) {
            tokens = f.tokens;
            FixupSharedFormula(book.biff8, tokens, col, row);
            found = true;
            ++book.sharedCells;
            break;
          }
        }
        if (!found) throw std::runtime_error("no shared formula for a cell");
      }
      Bytes stored;
      if (constants.empty()) {
        stored = {0xFF};
      } else {
        stored = {0xFE, static_cast<uint8_t>(constants.size()), static_cast<uint8_t>(constants.size() >> 8)};
      }
      stored.insert(stored.end(), tokens.begin(), tokens.end());
      stored.insert(stored.end(), constants.begin(), constants.end());
      const std::string name = sheet < static_cast<int>(sheetNames.size()) ? sheetNames[sheet] : "?";
      book.formulas[name][{col, row}] = kws::Utf16ToUtf8(
          DecodeBIFFFormula(stored, sheet, 0, 0, names, u',', {},
                            {book.biff8 ? TBIFFFormulaVersion::BIFF8 : TBIFFFormulaVersion::BIFF5, {}}));
    }
    pos = next;
  }
  return book;
}

std::string Col(int32_t col) { return std::string(1, static_cast<char>('A' + col)); }

TEST(DecodeBIFFFormula_Files, LibreOfficeSharedAndSingleFormulas) {
  const Book book = ReadFormulas("xls/libreoffice-biff8.xls");
  ASSERT_TRUE(book.biff8);
  EXPECT_GE(book.sharedCells, 40);  // Calc writes the two filled-down columns as shared formulas
  ASSERT_TRUE(book.formulas.count("Formulas"));
  const auto& f = book.formulas.at("Formulas");
  for (int32_t r = 0; r < 20; ++r) {
    const std::string n = std::to_string(r + 1);
    EXPECT_EQ(f.at({1, r}), "A" + n + "*2") << "B" << n;
    EXPECT_EQ(f.at({2, r}), "\"Row \"&A" + n) << "C" << n;
  }
  for (int32_t c = 1; c <= 8; ++c) EXPECT_EQ(f.at({c, 21}), Col(c - 1) + "22+1") << Col(c) << "22";
  const char* singles[] = {"MID(D1,2,3)", "A1<A2", "A1>A2",          "1/0", "NA()", "\"a\"+1", nullptr,
                           "SQRT(-1)",    "A3/7",  "REPT(\"ab\",3)", "\"\""};
  for (int32_t r = 0; r < 11; ++r) {
    if (singles[r]) {
      EXPECT_EQ(f.at({4, r}), singles[r]) << "E" << r + 1;
    }
  }
}

TEST(DecodeBIFFFormula_Files, GnumericBIFF8AndBIFF7) {
  for (const char* file : {"xls/gnumeric-biff8.xls", "xls/gnumeric-biff7.xls"}) {
    const Book book = ReadFormulas(file);
    EXPECT_EQ(book.biff8, std::string(file) == "xls/gnumeric-biff8.xls");
    ASSERT_TRUE(book.formulas.count("Gnumeric")) << file;
    const auto& f = book.formulas.at("Gnumeric");
    for (int32_t r = 0; r < 10; ++r) EXPECT_EQ(f.at({2, r}), "B" + std::to_string(r + 1) + "*2") << file;
    EXPECT_EQ(f.at({3, 0}), "B2<B3") << file;
    EXPECT_EQ(f.at({3, 1}), "1/0") << file;
    EXPECT_EQ(f.at({3, 2}), "\"Text \"&B2") << file;
  }
}

// Calc's shared formulas: negative column and row offsets, mixed absolute parts, a union in a
// memory token whose sub-expression holds relative references; and per cell a 3-D reference, an
// intersection and an array constant of two rows and two columns.
TEST(DecodeBIFFFormula_Files, LibreOfficeSharedFormulaForms) {
  const Book book = ReadFormulas("formula/libreoffice-biff8-shared.xls");
  ASSERT_TRUE(book.formulas.count("Main"));
  EXPECT_GE(book.sharedCells, 9 * 6);
  const auto& f = book.formulas.at("Main");
  for (int32_t r = 2; r <= 10; ++r) {
    const std::string n = std::to_string(r), up = std::to_string(r - 1), down = std::to_string(r + 1);
    const std::string expected[] = {"A" + n + "*2",
                                    "$A" + n + "+A$1+$A$1",
                                    "SUM(A" + up + ":A" + n + ")",
                                    "'Other Sheet'!A" + n + "+1",
                                    "SUM((A" + n + ",A" + down + "))",
                                    "SUM(A1:A" + down + " A" + n + ":A12)",
                                    "SUM({1,2;3,4})+A" + n,
                                    "IF(A" + n + ">5,\"big\",\"small\")",
                                    "C" + down};
    for (int32_t c = 0; c < 9; ++c) EXPECT_EQ(f.at({c + 2, r - 1}), expected[c]) << Col(c + 2) << r;
  }
}

// BIFF5 3-D references into this workbook: a negative EXTERNSHEET index, then the first and last
// sheet; the tokens are 18 (cell) and 21 (area) bytes long.
TEST(DecodeBIFFFormula_Files, GnumericBIFF7SheetReferences) {
  const Book book = ReadFormulas("formula/gnumeric-biff7-3d.xls");
  EXPECT_FALSE(book.biff8);
  ASSERT_TRUE(book.formulas.count("First"));
  const auto& f = book.formulas.at("First");
  EXPECT_EQ(f.at({0, 0}), "Second!B3+1");
  EXPECT_EQ(f.at({0, 1}), "SUM(Second!A1:B2)");
  for (int32_t r = 0; r < 5; ++r) EXPECT_EQ(f.at({2, r}), "Second!A" + std::to_string(r + 1) + "*2");
}

}  // namespace
}  // namespace xls
