#include "tests/xls/realfiles/realfiles.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>

#include "bench/common/celltext.h"
#include "platform/textcodec.h"
#include "tests/support/tempdir.h"
#include "xls/model/xlscellarea.h"
#include "xls/model/xlscellmmu.h"

namespace kws::test {

std::filesystem::path RealFilesDir(const char* area) {
  const char* root = std::getenv("KWS_SOURCE_DIR");
  return std::filesystem::path(root ? root : KWS_REALFILES_SOURCE_DIR) / "tests/data" / area;
}

std::vector<std::string> ReadLines(const std::filesystem::path& file) {
  std::vector<std::string> lines;
  std::ifstream in(file, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
  }
  return lines;
}

std::string ReadFirstLine(const std::filesystem::path& file) {
  const auto lines = ReadLines(file);
  return lines.empty() ? std::string() : lines.front();
}

std::string Escaped(const std::u16string& text) { return kws::bench::EscapedText(text); }

std::vector<std::string> CellLines(xls::TXLSBook& book) {
  std::vector<std::string> lines;
  for (size_t s = 0; s < book.Count(); ++s) {
    xls::TXLSWorksheet& sheet = *book.Items(s);
    const std::string name = Escaped(sheet.Name());
    xls::TXLSCellMMU& cells = sheet.Cells();
    cells.BeginIterateRow(-1);
    while (cells.IterateNextRow()) {
      const int32_t row = cells.IterCellRow();
      cells.BeginIterateCol();
      while (cells.IterateNextCol()) {
        const int32_t col = cells.IterCellCol();
        const std::u16string text = sheet.GetAsString(col, row);
        if (text.empty()) continue;
        lines.push_back(name + '\t' + kws::Utf16ToUtf8(xls::ColRowToRefStr(col, row)) + '\t' + Escaped(text));
      }
    }
  }
  return lines;
}

namespace {

// "sheet<TAB>ref" -> text of each line.
std::map<std::string, std::string> ByCell(const std::vector<std::string>& lines) {
  std::map<std::string, std::string> cells;
  for (const std::string& line : lines) {
    const size_t tab1 = line.find('\t');
    const size_t tab2 = tab1 == std::string::npos ? std::string::npos : line.find('\t', tab1 + 1);
    if (tab2 == std::string::npos) {
      cells[line] = "";
    } else {
      cells[line.substr(0, tab2)] = line.substr(tab2 + 1);
    }
  }
  return cells;
}

std::string Clip(const std::string& text) {
  return text.size() <= 120 ? text : text.substr(0, 100) + "... (" + std::to_string(text.size()) + " bytes)";
}

}  // namespace

std::string DiffCellLines(const std::vector<std::string>& expected, const std::vector<std::string>& actual,
                          size_t limit) {
  const auto want = ByCell(expected);
  const auto got = ByCell(actual);
  std::string report;
  size_t differences = 0;
  const auto note = [&](const std::string& text) {
    if (++differences <= limit) report += text + '\n';
  };
  for (const auto& [cell, text] : want) {
    const auto it = got.find(cell);
    if (it == got.end()) {
      note("missing  " + cell + "  expected \"" + Clip(text) + "\"");
    } else if (it->second != text) {
      note("differs  " + cell + "  expected \"" + Clip(text) + "\"  read \"" + Clip(it->second) + "\"");
    }
  }
  for (const auto& [cell, text] : got) {
    if (!want.count(cell)) note("extra    " + cell + "  read \"" + Clip(text) + "\"");
  }
  if (differences == 0 && expected.size() != actual.size()) note("a cell is listed twice");
  if (differences == 0) return {};
  return report + std::to_string(differences) + " differences (" + std::to_string(expected.size()) +
         " cells expected, " + std::to_string(actual.size()) + " read)";
}

std::string DiffLineSets(std::vector<std::string> expected, std::vector<std::string> actual, size_t limit) {
  std::sort(expected.begin(), expected.end());
  std::sort(actual.begin(), actual.end());
  std::vector<std::string> missing, extra;
  std::set_difference(expected.begin(), expected.end(), actual.begin(), actual.end(),
                      std::back_inserter(missing));
  std::set_difference(actual.begin(), actual.end(), expected.begin(), expected.end(),
                      std::back_inserter(extra));
  std::string report;
  size_t n = 0;
  for (const auto& line : missing)
    if (n++ < limit) report += "missing  " + Clip(line) + '\n';
  for (const auto& line : extra)
    if (n++ < limit) report += "extra    " + Clip(line) + '\n';
  return report;
}

void ExpectCleanFailure(const std::filesystem::path& soundFile, const std::string& name,
                        const std::string& bytes) {
  TempDir dir;
  const auto file = dir.Write(name, bytes);
  xls::TXLSBook book;
  book.LoadFromFile(soundFile);
  ASSERT_FALSE(CellLines(book).empty()) << soundFile;
  EXPECT_ANY_THROW(book.LoadFromFile(file)) << name;
  EXPECT_TRUE(CellLines(book).empty()) << name;
  book.BeginFindText();
  EXPECT_FALSE(book.FindText(u"Plain text", true)) << name;
}

std::string FixtureTestName(const testing::TestParamInfo<const char*>& info) {
  std::string name = info.param;
  for (char& c : name)
    if (c == '-') c = '_';
  return name;
}

std::filesystem::path SparseCopy(const std::filesystem::path& dir, const std::string& name,
                                 const std::string& bytes, uint64_t size) {
  const std::filesystem::path file = dir / name;
  std::ofstream(file, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
  std::filesystem::resize_file(file, size);
  return file;
}

long PeakResidentMiB() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

std::string NoiseBytes(size_t count, uint32_t seed) {
  std::mt19937 rng(seed);
  std::string bytes(count, '\0');
  for (char& c : bytes) c = char(rng());
  return bytes;
}

}  // namespace kws::test
