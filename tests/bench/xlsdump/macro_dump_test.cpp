// xls_dump's `macro` lines of LibreOffice's lo-macros.xls against LibreOffice's own reading of
// its modules (tests/data/xls-macros/lo-macros.expect: the same lines less the attributes field,
// which LibreOffice does not show; the empty lines at a module's end left out on both sides).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/xls/realfiles/realfiles.h"

namespace {

using Lines = std::vector<std::string>;

std::string Trimmed(std::string source) {
  while (source.size() >= 2 && source.compare(source.size() - 2, 2, "\\n") == 0) source.resize(source.size() - 2);
  return source;
}

TEST(XlsDumpMacros, ModulesMatchLibreOffice) {
  const auto dir = kws::test::RealFilesDir("xls-macros");
  const std::string cmd = std::string("'") + KWS_XLS_DUMP + "' '" + (dir / "lo-macros.xls").string() + "' 2>&1";
  std::string out;
  FILE* pipe = popen(cmd.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char buf[65536];
  for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
  EXPECT_EQ(pclose(pipe), 0);
  Lines got, attributes;
  for (size_t at = 0; at < out.size();) {
    const size_t end = out.find('\n', at);
    const std::string line = out.substr(at, end - at);
    at = end == std::string::npos ? out.size() : end + 1;
    EXPECT_NE(line.compare(0, 8, "warning\t"), 0) << line;
    if (line.compare(0, 6, "macro\t") != 0) continue;
    // macro, module, type, attributes, source
    std::vector<std::string> f;
    for (size_t p = 0;;) {
      const size_t tab = line.find('\t', p);
      f.push_back(line.substr(p, tab == std::string::npos ? std::string::npos : tab - p));
      if (tab == std::string::npos) break;
      p = tab + 1;
    }
    ASSERT_EQ(f.size(), 5u) << line;
    got.push_back(f[0] + "\t" + f[1] + "\t" + f[2] + "\t" + Trimmed(f[4]));
    EXPECT_EQ(f[3].substr(0, f[3].find('|')), "VB_Name = \"" + f[1] + "\"");
  }
  Lines expected = kws::test::ReadLines(dir / "lo-macros.expect");
  for (std::string& l : expected) l = l.substr(0, l.rfind('\t') + 1) + Trimmed(l.substr(l.rfind('\t') + 1));
  ASSERT_EQ(expected.size(), 3u);
  EXPECT_EQ(kws::test::DiffLineSets(expected, got), "");
}

}  // namespace
