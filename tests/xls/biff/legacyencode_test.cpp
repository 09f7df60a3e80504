// Formula text to legacy tokens through the reader object's formula handler: sheet references get
// an EXTERNSHEET entry of their own, other books a SUPBOOK, names the model's numbers; the legacy
// side's own defined names; and the round trip of every formula and name text of the legacy
// fixtures (files written by LibreOffice and Gnumeric) through encoder and decoder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/textcodec.h"
#include "tests/support/biffbook.h"
#include "xls/biff/biff5.h"
#include "xls/biff/biffreader.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlscellmmu.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsglobals.h"
#include "xls/model/xlsnames.h"
#include "xls/model/xlsworkbookdata.h"

namespace xls::biff {
namespace {

using kws::test::BiffBody;
using kws::test::BiffBoundSheet;
using kws::test::BiffCompoundFile;
using kws::test::BiffRecord;
using kws::test::BiffWorkbookStream;

std::string N(std::u16string_view s) { return kws::Utf16ToUtf8(s); }

std::string ErrorText(const std::function<void()>& f) {
  try {
    f();
  } catch (const XLSRWException& e) {
    std::string m = e.what();
    for (char& c : m)
      if (c == '\r') c = '|';
    return m;
  }
  return "(no error)";
}

// Sheets "My Sheet", "Third", "Don't"; an own SUPBOOK, another book C:\dir\book.xls with the sheet
// Data, the entries (self 0..0), (self 0..1), (book Data); the name Total.
std::string NamesBook() {
  const std::string encoded("\x01\x01" "Cdir\x03" "book.xls", 15);
  std::string g = BiffRecord(0x01AE, BiffBody().U16(3).U16(0x0401));
  g += BiffRecord(0x01AE, BiffBody().U16(1).U16(uint16_t(encoded.size())).U8(0).Bytes(encoded).Str8("Data"));
  g += BiffRecord(0x0017, BiffBody().U16(3).U16(0).U16(0).U16(0).U16(0).U16(0).U16(1).U16(1).U16(0).U16(0));
  g += BiffRecord(0x0018, BiffBody().U16(0).U8(0).U8(5).U16(7).U16(0).U16(0).U32(0).U8(0).Bytes("Total")
                              .U8(0x3A).U16(0).U16(0).U16(0));
  g += BiffBoundSheet("My Sheet") + BiffBoundSheet("Third") + BiffBoundSheet("Don't");
  return BiffCompoundFile(BiffWorkbookStream(g, {"", "", ""}));
}

class LegacyEncode : public ::testing::Test {
 protected:
  LegacyEncode() : book(Settings()) {}
  static FormatSettings Settings() {
    RegisterBIFFReader();
    return FormatSettings();
  }
  void SetUp() override { ResetXLSGlobals(); }
  void Load(const std::string& bytes) {
    book.Readers().ReadLegacy = ReadLegacyWorkbook;
    book.LoadFromBytes(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  }
  TBIFF5& Biff() { return *dynamic_cast<TBIFF5*>(book.BIFF()); }
  TFormulaHandler& Handler() { return Biff().FormulaHandler(); }
  // Encoded and decoded again, or the error.
  std::string RoundTrip(std::u16string_view text, std::vector<uint8_t>* tokens = nullptr) {
    std::vector<uint8_t> buf(512);
    std::string out;
    const std::string error = ErrorText([&] {
      buf.resize(size_t(Handler().EncodeFormula(text, 0x20, buf)));
      out = N(Handler().DecodeFormula(buf));
    });
    if (tokens) *tokens = buf;
    return error == "(no error)" ? out : "error " + error;
  }
  TXLSBook book;
};

TEST_F(LegacyEncode, SheetsBooksAndNamesThroughTheTables) {
  Load(NamesBook());
  const TExternalNames& tables = Handler().ExternalNames();
  const size_t entries = tables.ExtSheets().size();
  const struct {
    const char* text;
    const char* back;  // null: the text itself
  } cases[] = {
      {"'My Sheet'!A1*2", nullptr},
      {"SUM('My Sheet'!$A$1:B2)+Third!C3", nullptr},
      {"'Don''t'!A1&\"x\"", nullptr},
      {"third!a1", "Third!A1"},
      {"Total+1", nullptr},
      {"total*2", "Total*2"},
      {"'C:\\dir\\[book.xls]Data'!A1", nullptr},
      {"'D:\\x\\[new.xls]S1'!B2+'D:\\x\\[new.xls]S1'!B3", nullptr},
      {"Nowhere!A1", "error Error in formula Nowhere!A1|Unknown name NOWHERE"},
      {"Missing+1", "error Error in formula Missing+1|Unknown name MISSING"},
      {"'My Sheet:Third'!A1", "error Error in formula 'My Sheet:Third'!A1|Unknown name My Sheet:Third"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(RoundTrip(kws::Utf8ToUtf16(c.text)), c.back ? c.back : c.text) << c.text;
  // 'My Sheet' reused entry 0 (not the entry over two sheets); Third and Don't got one each, the
  // other book's sheet reused its entry, the new book got a book and one entry.
  EXPECT_EQ(tables.ExtSheets().size(), entries + 3);
  std::vector<uint8_t> tokens;
  RoundTrip(u"'My Sheet'!A1", &tokens);
  EXPECT_EQ(tokens.at(1), 0);
  RoundTrip(u"Third!A1", &tokens);
  const uint8_t third = tokens.at(1);
  EXPECT_GE(third, 3);
  RoundTrip(u"Third!B1", &tokens);
  EXPECT_EQ(tokens.at(1), third);
  EXPECT_EQ(tables.ExtSheets().size(), entries + 3);
  // After a sheet is inserted before it, Third's entry names the sheet after it.
  Handler().InsertSheet(0);
  EXPECT_EQ(tables.ExtSheets().at(third).FirstSheet, 2);
  EXPECT_EQ(tables.ExtSheets().at(0).FirstSheet, 1);
}

TEST_F(LegacyEncode, InternalNames) {
  Load(NamesBook());
  TInternalNames& names = Handler().InternalNames();
  EXPECT_EQ(book.Manager().FNames97, &names);
  int deleted = 0;
  names.OnNameDeleted = [&](TInternalNames&, int32_t index) { deleted += index == -1; };

  TInternalName& rate = names.Add();
  EXPECT_EQ(ErrorText([&] { rate.SetDefinition(u"1"); }), "Name must be set before definition.");
  EXPECT_EQ(ErrorText([&] { rate.SetName(u""); }), "Name is empty");
  rate.SetName(u"Rate");
  rate.SetDefinition(u"'My Sheet'!$B$4");
  EXPECT_TRUE(rate.NameIsCell());
  EXPECT_EQ(rate.Row1(), 3);
  EXPECT_EQ(rate.Col1(), 1);
  EXPECT_EQ(rate.ExtSheet(), 0);
  EXPECT_EQ(N(rate.Definition()), "'My Sheet'!$B$4");
  rate.SetCol1(2);
  EXPECT_EQ(N(rate.Definition()), "'My Sheet'!$C$4");
  EXPECT_EQ(names.FindName(u"RATE"), 0);
  EXPECT_EQ(names.FindName(u"Other"), -1);

  TInternalName& user = names.Add();
  user.SetName(u"_xlnm.Print_Area");
  EXPECT_EQ(N(user.Name()), "Print_Area");
  EXPECT_TRUE(user.IsOption(TNameOption::noBuiltIn));
  EXPECT_EQ(user.BuiltInName(), TX97BuiltInName::xbnNone);
  user.SetDefinition(u"1+2");
  EXPECT_EQ(ErrorText([&] { user.Col1(); }), "Name is not of requested type.");
  EXPECT_EQ(user.ExtSheet(), -1);

  // Print_Titles of a sheet: an area or two; it belongs to the sheet its areas name.
  TInternalName& titles = names.Add();
  titles.SetBuiltInName(TX97BuiltInName::xbnPrintTitles);
  EXPECT_EQ(N(titles.Name()), "");
  EXPECT_EQ(ErrorText([&] { titles.SetDefinition(u"1+1"); }), "Name definition must be an area");
  EXPECT_TRUE(titles.FNameDef.empty());
  titles.SetDefinition(u"Third!$A$1:$IV$1,Third!$A$1:$A$65536");
  EXPECT_EQ(titles.FNameDef.size(), 23u);
  EXPECT_TRUE(titles.NameIsArea(true));
  EXPECT_FALSE(titles.NameIsArea(false));
  EXPECT_EQ(titles.FSheetIndex, 2);
  EXPECT_EQ(N(titles.Definition()), "Third!$A$1:$IV$1,Third!$A$1:$A$65536");
  EXPECT_EQ(names.FindBuiltInName(TX97BuiltInName::xbnPrintTitles, 1), &titles);
  EXPECT_EQ(names.FindBuiltInName(TX97BuiltInName::xbnPrintTitles, 0), nullptr);
  // A second one for the same sheet replaces the first.
  TInternalName& again = names.Add();
  again.SetBuiltInName(TX97BuiltInName::xbnPrintTitles);
  again.SetDefinition(u"Third!$A$2:$IV$2");
  EXPECT_EQ(names.Count(), 3u);
  EXPECT_EQ(deleted, 1);
  EXPECT_EQ(names.FindBuiltInName(TX97BuiltInName::xbnPrintTitles, 1), &again);
  EXPECT_EQ(again.Row1(), 1);
  // Found and deleted by the same sheet number.
  names.DeleteBuiltInName(TX97BuiltInName::xbnPrintTitles, 0);
  EXPECT_EQ(names.Count(), 3u);
  names.DeleteBuiltInName(TX97BuiltInName::xbnPrintTitles, 1);
  EXPECT_EQ(names.Count(), 2u);
  EXPECT_EQ(deleted, 2);
  // The table goes with the reader object.
  book.Clear(1);
  EXPECT_EQ(book.Manager().FNames97, nullptr);
}

// Every formula and name text of the legacy fixtures encodes and decodes back to itself. Left
// out: array constants, sheet ranges ('My Sheet:Third'), other books and add-in functions (their
// names live in another book's table), texts the decoder gives for deleted references (#REF!!).
TEST_F(LegacyEncode, FixtureTextsRoundTrip) {
  const char* root = std::getenv("KWS_SOURCE_DIR");
  ASSERT_NE(root, nullptr);
  for (const char* file : {"libreoffice-biff8-names.xls", "libreoffice-biff8-shared.xls", "gnumeric-names-biff8.xls",
                           "gnumeric-names-biff7.xls", "gnumeric-biff7-3d.xls"}) {
    std::ifstream in(std::string(root) + "/tests/data/formula/" + file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(bytes.empty()) << file;
    Load(bytes);
    std::vector<std::u16string> texts;
    const TXc12DefinedNames& defined = book.Manager().Workbook().DefinedNames();
    for (size_t i = 0; i < defined.Count(); ++i)
      if (const auto* n = dynamic_cast<const TXLSName*>(defined.Items(i))) texts.push_back(n->Definition());
    for (size_t s = 0; s < book.Count(); ++s) {
      TXLSCellMMU& cells = book.Items(s)->Cells();
      cells.BeginIterateRow(-1);
      while (cells.IterateNextRow()) {
        cells.BeginIterateCol();
        while (cells.IterateNextCol()) {
          const int32_t col = cells.IterCellCol(), row = cells.IterCellRow();
          const TXLSCellType type = cells.CellType(cells.IterCell());
          if (type == TXLSCellType::xctFloatFormula || type == TXLSCellType::xctStringFormula ||
              type == TXLSCellType::xctBooleanFormula || type == TXLSCellType::xctErrorFormula) {
            std::u16string f = book.Items(s)->GetAsFormula(col, row);
            if (!f.empty() && f[0] == u'=') f.erase(0, 1);
            texts.push_back(f);
          }
        }
      }
    }
    size_t checked = 0;
    for (const std::u16string& text : texts) {
      if (text.find_first_of(u"{[") != std::u16string::npos || text.find(u"EOMONTH") != std::u16string::npos ||
          text.find(u"#REF!!") != std::u16string::npos || text.find(u":Third'") != std::u16string::npos)
        continue;
      EXPECT_EQ(RoundTrip(text), N(text)) << file;
      ++checked;
    }
    EXPECT_GT(checked, 0u) << file;
  }
}

}  // namespace
}  // namespace xls::biff
