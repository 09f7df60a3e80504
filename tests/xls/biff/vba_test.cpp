// The macro storage of legacy workbooks: MS-OVBA decompression (the standard's own examples,
// round trips and hostile containers), the dir walk with its modules, edit mode and the saved
// copy, and hostile projects that end in one warning while every cell is read.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/cfb.h"
#include "platform/textcodec.h"
#include "tests/support/biffbook.h"
#include "tests/support/vbawriter.h"
#include "xls/biff/biff5.h"
#include "xls/biff/biffreader.h"
#include "xls/biff/biffvba.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlserrors.h"
#include "xls/model/xlsglobals.h"

namespace {

using kws::CfbStorageCopy;
using kws::test::BiffBody;
using kws::test::BiffBoundSheet;
using kws::test::BiffRecord;
using kws::test::BiffWorkbookStream;
using kws::test::VbaCompress;
using kws::test::VbaDirStream;
using kws::test::VbaModuleSpec;
using kws::test::VbaProjectSpec;
using kws::test::VbaRecord;
using xls::biff::TVBAReadResult;
using xls::biff::TVbaModuleType;
using xls::biff::TXLSVBA;

std::vector<uint8_t> Bytes(std::string_view s) { return std::vector<uint8_t>(s.begin(), s.end()); }
std::string Str(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

std::string Decompress(std::string_view container, size_t budget = xls::biff::kVBAMaxProjectBytes) {
  return Str(xls::biff::VBADecompress(Bytes(container), 0, budget));
}

std::string Hex(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(char(b));
  return s;
}

// A compressed chunk around token bytes (flag bytes included by the caller).
std::string Chunk(std::string_view tokens) {
  const uint16_t h = uint16_t(0xB000 | (tokens.size() + 2 - 3));
  return std::string{char(h & 0xFF), char(h >> 8)} + std::string(tokens);
}
std::string Token(uint16_t t) { return std::string{char(t & 0xFF), char(t >> 8)}; }

// ---- decompression ------------------------------------------------------------------------

TEST(VBADecompress, TheStandardsExamples) {
  // MS-OVBA 3.2.1 (literals only) and 3.2.2 (with copy tokens).
  EXPECT_EQ(Decompress(Hex({0x01, 0x19, 0xB0, 0x00, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x00, 0x69,
                            0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F, 0x70, 0x00, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76,
                            0x2E})),
            "abcdefghijklmnopqrstuv.");
  EXPECT_EQ(Decompress(Hex({0x01, 0x2F, 0xB0, 0x00, 0x23, 0x61, 0x61, 0x61, 0x62, 0x63, 0x64, 0x65, 0x82, 0x66,
                            0x00, 0x70, 0x61, 0x67, 0x68, 0x69, 0x6A, 0x01, 0x38, 0x08, 0x61, 0x6B, 0x6C, 0x00,
                            0x30, 0x6D, 0x6E, 0x6F, 0x70, 0x06, 0x71, 0x02, 0x70, 0x04, 0x10, 0x72, 0x73, 0x74,
                            0x75, 0x76, 0x10, 0x77, 0x78, 0x79, 0x7A, 0x00, 0x3C})),
            "#aaabcdefaaaaghijaaaaaklaaamnopqaaaaaaaaaaaarstuvwxyzaaa");
}

TEST(VBADecompress, RoundTripsOverChunksRawAndCompressed) {
  std::string text;
  for (int i = 0; text.size() < 20000; ++i) text += "Sub P" + std::to_string(i % 97) + "()\r\n  x = " + std::to_string(i) + "\r\n";
  std::string noise(8192, '\0');
  uint32_t r = 1;
  for (char& c : noise) c = char((r = r * 1103515245 + 12345) >> 16);  // two raw chunks
  for (const std::string& s : {std::string(), std::string("a"), std::string(4096, 'x'), std::string(4097, 'y'), text, noise}) {
    SCOPED_TRACE(s.size());
    EXPECT_EQ(Decompress(VbaCompress(s)), s);
  }
  EXPECT_EQ(VbaCompress(noise)[2] & 0x80, 0);  // the noise really went raw
}

TEST(VBADecompress, HostileContainersRaise) {
  const std::string a4096 = "\x01" + Chunk(Hex({0x02}) + "a" + Token(0x0FFC));  // 'a' and a copy of 4095
  ASSERT_EQ(Decompress(a4096), std::string(4096, 'a'));
  struct Case {
    const char* name;
    std::string container;
  } cases[] = {
      {"no signature", Hex({0x02}) + Chunk(Hex({0x00}) + "abc")},
      {"empty", ""},
      {"copy token first in its chunk", "\x01" + Chunk(Hex({0x01}) + Token(0x0000))},
      {"copy token before its chunk", "\x01" + Chunk(Hex({0x02}) + "a" + Token(0x0FFC)) + Chunk(Hex({0x02}) + "b" + Token(0x1000))},
      {"chunk past 4096 bytes", "\x01" + Chunk(Hex({0x06}) + "a" + Token(0x0FFC) + Token(0x0000))},
      {"raw chunk cut short", "\x01" + Hex({0xFF, 0x3F}) + std::string(100, 'r')},
      {"chunk header cut short", "\x01" + Chunk(Hex({0x00}) + "abc") + "\x10"},
      {"wrong chunk signature", "\x01" + Hex({0x05, 0xA0}) + Hex({0x00}) + "abc"},
      {"copy token cut short", "\x01" + Chunk(Hex({0x02}) + "a" + "\x01")},
      // The header says 40 bytes, the stream holds 7: the chunk ends with the stream, a copy
      // token half there.
      {"lying chunk size, longer", "\x01" + Hex({0x25, 0xB0, 0x02}) + "a" + "\x01"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_THROW(Decompress(c.container), xls::XLSRWException);
  }
  // A chunk whose size says less than it holds: the rest is taken as the next chunk's header.
  const std::string shortSize = "\x01" + Hex({0x03, 0xB0, 0x00}) + "abcdefg";
  EXPECT_THROW(Decompress(shortSize), xls::XLSRWException);
  // The project's budget counts across calls and ends a bomb.
  size_t budget = 10000;
  const auto big = Bytes(a4096);
  EXPECT_EQ(xls::biff::VBADecompress(big, 0, budget).size(), 4096u);
  EXPECT_EQ(budget, 10000u - 4096u);
  xls::biff::VBADecompress(big, 0, budget);
  EXPECT_THROW(xls::biff::VBADecompress(big, 0, budget), xls::XLSRWException);
}

// ---- the project ----------------------------------------------------------------------------

VbaProjectSpec TwoModules() {
  VbaProjectSpec p;
  VbaModuleSpec m;
  m.name = "Module1";
  m.source = "Attribute VB_Name = \"Module1\"\r\nATTRIBUTE VB_Exposed = False\r\n"
             "Attribute  VB_Creatable = False\r\nSub Gr\xFC\xDF" "e()\r\n  MsgBox \"Caf\xE9\"\r\nEnd Sub";
  m.cache = std::string(37, '\x7E');  // compiled code in front of the source
  VbaModuleSpec d;
  d.name = "ThisWorkbook";
  d.document = true;
  d.source = "Attribute VB_Name = \"ThisWorkbook\"\r\nPrivate Sub Workbook_Open()\r\nEnd Sub\r\n";
  p.modules = {m, d};
  return p;
}

kws::CfbStorage ProjectFile(const VbaProjectSpec& spec, const std::string* dir = nullptr) {
  CfbStorageCopy file;
  file.PutStream(u"Workbook", Bytes("not read here"));
  kws::test::PutVbaProject(file, spec, dir);
  return kws::OpenCompoundData(file.Save());
}

TEST(TXLSVBA_Read, ModulesInDirOrderWithAttributesSourceAndRecords) {
  TXLSVBA vba;
  std::vector<std::u16string> warnings;
  vba.OnWarning = [&](std::u16string_view t) { warnings.emplace_back(t); };
  ASSERT_EQ(vba.Read(ProjectFile(TwoModules())), TVBAReadResult::vbarrReadOnly);
  EXPECT_TRUE(warnings.empty());
  ASSERT_EQ(vba.ModuleCount(), 2u);
  const auto& m = vba.Modules(0);
  EXPECT_EQ(m.Name(), u"Module1");
  EXPECT_EQ(m.ModuleType(), TVbaModuleType::vmtMacro);
  EXPECT_EQ(m.Attributes().All(),
            (std::vector<std::u16string>{u"VB_Name = \"Module1\"", u"VB_Exposed = False", u"VB_Creatable = False"}));
  // Latin-1 text through code page 1252; the last line has no line feed and is kept.
  EXPECT_EQ(m.Source().All(),
            (std::vector<std::u16string>{u"Sub Gr\u00fc\u00dfe()", u"  MsgBox \"Caf\u00e9\"", u"End Sub"}));
  EXPECT_EQ(m.FileOffset(), 16);
  const auto& d = vba.Modules(1);
  EXPECT_EQ(d.Name(), u"ThisWorkbook");
  EXPECT_EQ(d.ModuleType(), TVbaModuleType::vmtDocument);
  EXPECT_EQ(d.Source().All(), (std::vector<std::u16string>{u"Private Sub Workbook_Open()", u"End Sub"}));
  // Each module keeps its own records, MODULEOFFSET with 16 in it; PROJECTVERSION keeps 6 bytes.
  ASSERT_EQ(m.Dir().Count(), 11u);
  EXPECT_EQ(m.Dir().Items(0).RecId, 0x0019);
  EXPECT_EQ(m.Dir().Items(10).RecId, 0x002B);
  bool offset = false;
  for (size_t i = 0; i < m.Dir().Count(); ++i)
    if (m.Dir().Items(i).RecId == 0x0031) {
      offset = true;
      EXPECT_EQ(m.Dir().Items(i).Data, (std::vector<uint8_t>{16, 0, 0, 0}));
    }
  EXPECT_TRUE(offset);
  bool version = false;
  for (size_t i = 0; i < vba.Dir().Count(); ++i)
    if (vba.Dir().Items(i).RecId == 0x0009) {
      version = true;
      EXPECT_EQ(vba.Dir().Items(i).Length, 6u);
    }
  EXPECT_TRUE(version);
  EXPECT_EQ(vba.Dir().Items(vba.Dir().Count() - 1).RecId, 0x0013);  // PROJECTCOOKIE, before the modules
  // The copy's root is the project storage: saved, it is a package's VBA part.
  ASSERT_NE(vba.Saved(), nullptr);
  EXPECT_NE(vba.Saved()->Find(u"VBA/dir"), nullptr);
  EXPECT_NE(vba.Saved()->Find(u"PROJECT"), nullptr);
  EXPECT_NE(vba.Saved()->Find(u"PROJECTwm"), nullptr);
  EXPECT_THROW(vba.SetEditVBA(true), xls::XLSRWException);
  vba.Clear();
  EXPECT_EQ(vba.ModuleCount(), 0u);
  EXPECT_EQ(vba.Saved(), nullptr);
  vba.SetEditVBA(true);  // unlocked again
}

TEST(TXLSVBA_Read, CodePagesStreamNamesAndDisable) {
  // Code page 1251: names and source are Cyrillic; an unknown code page reads as 1252.
  VbaProjectSpec cyr;
  cyr.codePage = 1251;
  VbaModuleSpec m;
  m.name = "\xCC\xEE\xE4";  // "Мод"
  m.source = "' \xCF\xF0\xE8\xE2\xE5\xF2\r\n";
  m.streamName = "Stream7";  // the module's stream has a name of its own
  cyr.modules = {m};
  TXLSVBA vba;
  ASSERT_EQ(vba.Read(ProjectFile(cyr)), TVBAReadResult::vbarrReadOnly);
  ASSERT_EQ(vba.ModuleCount(), 1u);
  EXPECT_EQ(vba.Modules(0).Source().All(), std::vector<std::u16string>{u"' \u041f\u0440\u0438\u0432\u0435\u0442"});
  // The Unicode name record wins over the 8-bit one (the writer put Latin-1 units there).
  EXPECT_EQ(vba.Modules(0).Name(), u"\u00cc\u00ee\u00e4");

  VbaProjectSpec odd = cyr;
  odd.codePage = 4711;
  odd.modules[0].source = "x = \"\xE9\"";
  TXLSVBA other;
  ASSERT_EQ(other.Read(ProjectFile(odd)), TVBAReadResult::vbarrReadOnly);
  EXPECT_EQ(other.Modules(0).Source().All(), std::vector<std::u16string>{u"x = \"\u00e9\""});

  TXLSVBA disabled;
  disabled.SetEditVBA(true);
  disabled.SetDisableVBA(true);
  EXPECT_FALSE(disabled.EditVBA());
  EXPECT_EQ(disabled.Read(ProjectFile(TwoModules())), TVBAReadResult::vbarrReadOnly);
  EXPECT_EQ(disabled.ModuleCount(), 0u);
  EXPECT_NE(disabled.Saved(), nullptr);
}

TEST(TXLSVBA_Read, EditModeChangesTheCopyNeverTheFile) {
  VbaProjectSpec spec = TwoModules();
  CfbStorageCopy file;
  file.PutStream(u"Workbook", Bytes("w"));
  kws::test::PutVbaProject(file, spec);
  file.PutStream(u"_VBA_PROJECT_CUR/VBA/__SRP_0", Bytes("cache"));
  const std::vector<uint8_t> bytes = file.Save();
  const kws::CfbStorage root = kws::OpenCompoundData(bytes);
  TXLSVBA vba;
  vba.SetEditVBA(true);
  ASSERT_EQ(vba.Read(root), TVBAReadResult::vbarrOk);
  EXPECT_TRUE(vba.IsEditing());
  EXPECT_EQ(vba.ModuleCount(), 2u);
  ASSERT_FALSE(vba.Project().empty());
  EXPECT_EQ(vba.Project()[0], u"ID=\"{00000000-0000-0000-0000-000000000000}\"");
  EXPECT_EQ(Str(vba.Projectwm()).substr(0, 8), std::string("Module1\0", 8));
  ASSERT_NE(vba.Saved(), nullptr);
  EXPECT_EQ(vba.Saved()->Find(u"VBA"), nullptr);
  EXPECT_EQ(vba.Saved()->Find(u"PROJECT"), nullptr);
  EXPECT_EQ(vba.Saved()->Find(u"PROJECTwm"), nullptr);
  // The file's storage is as it was.
  const auto vbaStorage = root.OpenStorage(u"_VBA_PROJECT_CUR")->OpenStorage(u"VBA");
  EXPECT_TRUE(vbaStorage->OpenStream(u"__SRP_0"));
  EXPECT_EQ(vbaStorage->OpenStream(u"_VBA_PROJECT")->Size(), 7u);
}

TEST(TXLSVBA_Read, NoProjectIsAFailureWithoutWarning) {
  CfbStorageCopy file;
  file.PutStream(u"Workbook", Bytes("w"));
  TXLSVBA vba;
  int warnings = 0;
  vba.OnWarning = [&](std::u16string_view) { ++warnings; };
  EXPECT_EQ(vba.Read(kws::OpenCompoundData(file.Save())), TVBAReadResult::vbarrFailure);
  EXPECT_EQ(warnings, 0);
  EXPECT_EQ(vba.Saved(), nullptr);
  vba.SetEditVBA(true);  // nothing was read: still free to change
}

// ---- hostile projects in a workbook ---------------------------------------------------------

class VBALoad : public ::testing::Test {
 protected:
  VBALoad() : book(Settings()) {}
  static xls::FormatSettings Settings() {
    xls::biff::RegisterBIFFReader();
    return xls::FormatSettings();
  }
  void SetUp() override {
    xls::ResetXLSGlobals();
    book.Errors().SetErrorList(&warnings);
    book.ReadVBA = true;
  }
  // A workbook of two cells with the project put in by `put`.
  void Load(const std::function<void(CfbStorageCopy&)>& put) {
    const std::string cells = BiffRecord(0x0203, BiffBody().U16(0).U16(0).U16(15).F64(1)) +
                              BiffRecord(0x0203, BiffBody().U16(1).U16(1).U16(15).F64(2.5));
    CfbStorageCopy file;
    file.PutStream(u"Workbook", Bytes(BiffWorkbookStream(BiffBoundSheet("Sheet1"), {cells})));
    put(file);
    const std::vector<uint8_t> bytes = file.Save();
    warnings.clear();
    book.LoadFromBytes(bytes);
  }
  xls::biff::TXLSVBA& VBA() { return *dynamic_cast<xls::biff::TBIFF5*>(book.BIFF())->VBA(); }
  xls::TXLSBook book;
  xls::TXLSErrorList warnings;
};

TEST_F(VBALoad, SoundProjectIsReadWithTheCells) {
  Load([](CfbStorageCopy& f) { kws::test::PutVbaProject(f, TwoModules()); });
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ(VBA().ModuleCount(), 2u);
  EXPECT_EQ(book.Items(0)->GetAsString(1, 1), u"2.5");
  book.ReadVBA = false;
  Load([](CfbStorageCopy& f) { kws::test::PutVbaProject(f, TwoModules()); });
  EXPECT_EQ(dynamic_cast<xls::biff::TBIFF5*>(book.BIFF())->VBA(), nullptr);
}

TEST_F(VBALoad, HostileProjectsEndInOneWarningAndAllCells) {
  const auto withDir = [](std::string dirBytes) {
    return [dirBytes](CfbStorageCopy& f) { kws::test::PutVbaProject(f, TwoModules(), &dirBytes); };
  };
  const std::string dir = VbaDirStream(TwoModules());
  const std::string chunkA = Chunk(Hex({0x02}) + "a" + Token(0x0FFC));  // 6 bytes give 4096
  struct Case {
    const char* name;
    std::function<void(CfbStorageCopy&)> put;
  } cases[] = {
      {"VBA storage missing",
       [](CfbStorageCopy& f) {
         kws::test::PutVbaProject(f, TwoModules());
         f.Remove(u"_VBA_PROJECT_CUR/VBA");
       }},
      {"dir missing",
       [](CfbStorageCopy& f) {
         kws::test::PutVbaProject(f, TwoModules());
         f.Remove(u"_VBA_PROJECT_CUR/VBA/dir");
       }},
      {"dir without terminator", withDir(VbaCompress(dir.substr(0, dir.size() - 6)))},
      {"module terminator missing", withDir(VbaCompress(dir.substr(0, dir.size() - 12)))},
      {"something else after the modules", withDir(VbaCompress(dir.substr(0, dir.size() - 6) + VbaRecord(0x0013, "xx")))},
      {"record size past the dir", withDir(VbaCompress(dir.substr(0, 10) + "\x02\x00\xFF\xFF\xFF\x7F" + dir.substr(10)))},
      {"65,535 modules, two there",
       [](CfbStorageCopy& f) {
         VbaProjectSpec s = TwoModules();
         s.moduleCount = 65535;
         kws::test::PutVbaProject(f, s);
       }},
      {"dir copy token before its chunk", withDir("\x01" + chunkA + Chunk(Hex({0x01}) + Token(0x0000)))},
      {"dir chunk size lying", withDir("\x01" + Hex({0x0A, 0xB0}) + VbaCompress(dir).substr(3))},
      {"module stream missing",
       [](CfbStorageCopy& f) {
         kws::test::PutVbaProject(f, TwoModules());
         f.Remove(u"_VBA_PROJECT_CUR/VBA/ThisWorkbook");
       }},
      {"module offset past its stream",
       [](CfbStorageCopy& f) {
         VbaProjectSpec s = TwoModules();
         s.modules[1].cache = std::string(5000, 'c');
         kws::test::PutVbaProject(f, s);
         f.PutStream(u"_VBA_PROJECT_CUR/VBA/ThisWorkbook", Bytes(std::string(100, 'c')));
       }},
      {"module copy token before its chunk",
       [&](CfbStorageCopy& f) {
         kws::test::PutVbaProject(f, TwoModules());
         f.PutStream(u"_VBA_PROJECT_CUR/VBA/ThisWorkbook", Bytes("\x01" + Chunk(Hex({0x01}) + Token(0x0000))));
       }},
      // 17,000 chunks of 6 bytes (102 KB in the file) would give 69.6 MB, 1:680.
      {"1:680 bomb",
       [&](CfbStorageCopy& f) {
         kws::test::PutVbaProject(f, TwoModules());
         std::string bomb = "\x01";
         for (int i = 0; i < 17000; ++i) bomb += chunkA;
         f.PutStream(u"_VBA_PROJECT_CUR/VBA/Module1", Bytes(std::string(37, '\x7E') + bomb));
       }},
  };
  const std::map<std::string, std::u16string> kReasons = {
      {"VBA storage missing", u"VBA storage missing"},
      {"dir missing", u"VBA dir stream missing"},
      {"dir without terminator", u"EOF missing in VBA dir stream"},
      {"module terminator missing", u"EOF missing in VBA dir stream"},
      {"something else after the modules", u"EOF missing in VBA dir stream"},
      {"record size past the dir", u"VBA dir record runs past the dir stream"},
      {"65,535 modules, two there", u"EOF missing in VBA dir stream"},
      {"dir copy token before its chunk", u"VBA copy token reaches before its chunk"},
      {"dir chunk size lying", u"VBA compressed chunk with a wrong signature"},
      {"module stream missing", u"VBA module stream missing"},
      {"module offset past its stream", u"VBA module offset past the end of its stream"},
      {"module copy token before its chunk", u"VBA copy token reaches before its chunk"},
      {"1:680 bomb", u"VBA project larger than 64 MiB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Load(c.put);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].Number, xls::XLSWARN_BIFF_RECORD_SKIPPED);
    EXPECT_NE(warnings[0].Text.find(u"Macros not read: "), std::u16string::npos);
    EXPECT_NE(warnings[0].Text.find(kReasons.at(c.name)), std::u16string::npos) << kws::Utf16ToUtf8(warnings[0].Text);
    EXPECT_EQ(VBA().ModuleCount(), 0u);
    EXPECT_NE(VBA().Saved(), nullptr);  // the copy is kept
    EXPECT_EQ(book.Items(0)->GetAsString(0, 0), u"1");
    EXPECT_EQ(book.Items(0)->GetAsString(1, 1), u"2.5");
  }
}

}  // namespace
