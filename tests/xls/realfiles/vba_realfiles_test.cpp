// The macro project of LibreOffice's lo-macros.xls (tests/data/xls-macros/make_fixtures.py): the
// modules read with ReadVBA on against LibreOffice's reading of the same file (lo-macros.expect);
// the saved copy of "_VBA_PROJECT_CUR" against olefile's reading of the file's storage and, as
// the VBA part of a package, against LibreOffice's reading; the copy of the file's other elements
// with the Workbook stream put back, against LibreOffice's reading of the original.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "platform/cfb.h"
#include "platform/textcodec.h"
#include "tests/support/tempdir.h"
#include "tests/xls/realfiles/realfiles.h"
#include "xls/biff/biff5.h"
#include "xls/biff/biffreader.h"
#include "xls/biff/biffvba.h"
#include "xls/model/xlsbook.h"
#include "xls/model/xlsglobals.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

std::string Output(const std::string& cmd) {
  std::string out;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    char buf[65536];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    pclose(p);
  }
  return out;
}

Lines Split(const std::string& text) {
  Lines lines;
  for (size_t at = 0; at < text.size();) {
    const size_t end = text.find('\n', at);
    lines.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
    at = end == std::string::npos ? text.size() : end + 1;
  }
  return lines;
}

// Lines of a source joined by "\n" in escaped form, less the empty lines at its end (LibreOffice
// ends every module with one).
std::string Trimmed(std::string source) {
  while (source.size() >= 2 && source.compare(source.size() - 2, 2, "\\n") == 0) source.resize(source.size() - 2);
  return source;
}

class LoMacros : public ::testing::Test {
 protected:
  LoMacros() : book(Settings()) {}
  static xls::FormatSettings Settings() {
    xls::biff::RegisterBIFFReader();
    return xls::FormatSettings();
  }
  void SetUp() override {
    xls::ResetXLSGlobals();
    book.Errors().SetErrorList(&warnings);
    book.ReadVBA = true;
    dir = kws::test::RealFilesDir("xls-macros");
    bytes = kws::test::ReadFileBytes(dir / "lo-macros.xls");
    ASSERT_FALSE(bytes.empty());
    book.LoadFromBytes(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    biff = dynamic_cast<xls::biff::TBIFF5*>(book.BIFF());
    ASSERT_NE(biff, nullptr);
    ASSERT_NE(biff->VBA(), nullptr);
  }
  // The `macro` lines of the project without the attributes field, as lo-macros.expect has them.
  Lines MacroLines() const {
    Lines lines;
    const xls::biff::TXLSVBA& vba = *biff->VBA();
    for (size_t i = 0; i < vba.ModuleCount(); ++i) {
      const auto& m = vba.Modules(i);
      std::u16string source;
      for (size_t k = 0; k < m.Source().Count(); ++k) source += (k ? u"\n" : u"") + m.Source().Strings(k);
      lines.push_back("macro\t" + kws::test::Escaped(m.Name()) + "\t" +
                      (m.ModuleType() == xls::biff::TVbaModuleType::vmtDocument ? "document" : "module") + "\t" +
                      Trimmed(kws::test::Escaped(source)));
    }
    return lines;
  }
  fs::path dir;
  std::string bytes;
  xls::TXLSBook book;
  xls::TXLSErrorList warnings;
  xls::biff::TBIFF5* biff = nullptr;
};

Lines Trim(Lines lines) {
  for (std::string& l : lines) {
    const size_t tab = l.rfind('\t');
    l = l.substr(0, tab + 1) + Trimmed(l.substr(tab + 1));
  }
  return lines;
}

TEST_F(LoMacros, ModulesMatchLibreOffice) {
  EXPECT_TRUE(warnings.empty());
  const Lines expected = Trim(kws::test::ReadLines(dir / "lo-macros.expect"));
  ASSERT_EQ(expected.size(), 3u);
  EXPECT_EQ(kws::test::DiffLineSets(expected, MacroLines()), "");
  // Every module names itself in its first attribute.
  const xls::biff::TXLSVBA& vba = *biff->VBA();
  for (size_t i = 0; i < vba.ModuleCount(); ++i)
    EXPECT_EQ(vba.Modules(i).Attributes().Strings(0), u"VB_Name = \"" + vba.Modules(i).Name() + u"\"");
}

TEST_F(LoMacros, SavedCopyIsTheStorageForOlefile) {
  const kws::CfbStorageCopy* saved = biff->VBA()->Saved();
  ASSERT_NE(saved, nullptr);
  kws::test::TempDir tmp;
  const std::vector<uint8_t> part = saved->Save();
  const fs::path vbaBin = tmp.Write("vbaProject.bin", std::string(part.begin(), part.end()));
  const char* root = std::getenv("KWS_SOURCE_DIR");
  const std::string lister = "/usr/bin/python3 '" + std::string(root ? root : ".") + "/tests/platform/cfb_olefile_list.py' ";
  // The file's "_VBA_PROJECT_CUR" lines, its own line as the root's.
  Lines expected;
  for (const std::string& l : Split(Output(lister + "'" + (dir / "lo-macros.xls").string() + "' 2>&1"))) {
    const std::string prefix = "_VBA_PROJECT_CUR";
    if (l.compare(0, prefix.size() + 1, prefix + "/") == 0) expected.push_back(l.substr(prefix.size() + 1));
    if (l.compare(0, prefix.size() + 1, prefix + "\t") == 0)
      expected.push_back("\troot" + l.substr(l.find('\t', prefix.size() + 1)));
  }
  ASSERT_GT(expected.size(), 5u);
  EXPECT_EQ(kws::test::DiffLineSets(expected, Split(Output(lister + "'" + vbaBin.string() + "' 2>&1"))), "");
}

TEST_F(LoMacros, CopiesReadByLibreOfficeAsTheOriginal) {
  if (std::system("command -v soffice > /dev/null 2>&1") != 0) GTEST_SKIP() << "no LibreOffice";
  kws::test::TempDir tmp;
  // The saved copy as the VBA part of the package the fixture came from.
  const std::vector<uint8_t> part = biff->VBA()->Saved()->Save();
  const fs::path vbaBin = tmp.Write("vbaProject.bin", std::string(part.begin(), part.end()));
  const fs::path xlsm = tmp.path() / "rebuilt.xlsm";
  const std::string repack =
      "/usr/bin/python3 -c \"import sys, zipfile\n"
      "src = zipfile.ZipFile(sys.argv[1])\n"
      "with zipfile.ZipFile(sys.argv[2], 'w', zipfile.ZIP_DEFLATED) as out:\n"
      "    for n in src.namelist():\n"
      "        out.writestr(n, open(sys.argv[3], 'rb').read() if n == 'xl/vbaProject.bin' else src.read(n))\n\" '" +
      (dir / "lo-macros.xlsm").string() + "' '" + xlsm.string() + "' '" + vbaBin.string() + "'";
  ASSERT_EQ(std::system(repack.c_str()), 0);
  // The other elements' copy with the Workbook stream put back.
  const kws::CfbStorageCopy* extra = biff->ExtraObjects().Saved();
  ASSERT_NE(extra, nullptr);
  EXPECT_EQ(extra->Find(u"Workbook"), nullptr);
  kws::CfbStorageCopy rebuilt = kws::OpenCompoundData(extra->Save()).CopyToMemory();
  rebuilt.clsid = extra->clsid;
  const auto original = kws::OpenCompoundData(std::vector<uint8_t>(bytes.begin(), bytes.end()));
  rebuilt.PutStream(u"Workbook", original.OpenStream(u"Workbook")->ReadAll());
  const std::vector<uint8_t> xlsBytes = rebuilt.Save();
  const fs::path xls = tmp.Write("rebuilt.xls", std::string(xlsBytes.begin(), xlsBytes.end()));

  const fs::path source = dir / "lo-macros.xls";
  const std::string out = Output("/usr/bin/python3 '" + (dir / "lo_read.py").string() + "' '" + source.string() + "' '" +
                              xls.string() + "' '" + xlsm.string() + "' 2>/dev/null");
  std::map<std::string, std::map<std::string, Lines>> read;  // file, kind, lines
  std::string file;
  for (const std::string& l : Split(out)) {
    if (l.compare(0, 5, "file\t") == 0) {
      file = l.substr(5);
      continue;
    }
    read[file][l.substr(0, l.find('\t'))].push_back(l);
  }
  const Lines expected = Trim(kws::test::ReadLines(dir / "lo-macros.expect"));
  ASSERT_FALSE(read[source.string()]["cell"].empty());
  EXPECT_EQ(kws::test::DiffLineSets(expected, Trim(read[source.string()]["macro"])), "");
  // The package with the saved copy as its VBA part: the same modules.
  EXPECT_EQ(kws::test::DiffLineSets(expected, Trim(read[xlsm.string()]["macro"])), "");
  // The rebuilt workbook: the same cells, and the project came along with the other elements.
  EXPECT_EQ(kws::test::DiffLineSets(read[source.string()]["cell"], read[xls.string()]["cell"]), "");
  EXPECT_EQ(kws::test::DiffLineSets(expected, Trim(read[xls.string()]["macro"])), "");
}

}  // namespace
