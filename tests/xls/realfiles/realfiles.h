// Helpers of the real-file tests: the fixture folders under tests/data, the expected cell lists
// kept beside each fixture (NAME.tsv, written by the independent readers openpyxl and xlrd), the
// same list made from a loaded component, and a difference report that names each cell.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "xls/model/xlsbook.h"

namespace kws::test {

// tests/data/<area> of the source tree (KWS_SOURCE_DIR, else the folder compiled in).
std::filesystem::path RealFilesDir(const char* area);

// The lines of a UTF-8 text file without their line ends; a missing file gives none.
std::vector<std::string> ReadLines(const std::filesystem::path& file);
// The first line of a file, or an empty text when it is missing.
std::string ReadFirstLine(const std::filesystem::path& file);

// One UTF-8 line "sheet<TAB>A1<TAB>text" per cell whose text is not empty, sheets in order, rows
// then columns; tab, CR, LF and backslash in names and texts are written \t, \r, \n, \\.
std::vector<std::string> CellLines(xls::TXLSBook& book);
std::string Escaped(const std::u16string& text);

// Empty when both lists hold the same lines; otherwise one line per difference (a cell only in
// one list, or a cell whose texts differ, with both texts), at most `limit`, and the totals.
std::string DiffCellLines(const std::vector<std::string>& expected, const std::vector<std::string>& actual,
                          size_t limit = 40);

// The same comparison for lists whose order does not matter (both sorted first).
std::string DiffLineSets(std::vector<std::string> expected, std::vector<std::string> actual,
                         size_t limit = 40);

// Loads `bytes` written to a temporary file NAME into a component that holds the sound workbook
// `soundFile` first: the load must raise, and no cell of either workbook may be left to search.
void ExpectCleanFailure(const std::filesystem::path& soundFile, const std::string& name,
                        const std::string& bytes);

// A test over one fixture of tests/data/<area>, named by the test's parameter without extension.
class RealFileTest : public testing::TestWithParam<const char*> {
 protected:
  explicit RealFileTest(const char* area) : area_(area) {}
  // The fixture's file with this extension (".xlsx", ".tsv", ...).
  std::filesystem::path File(const char* ext) const {
    return RealFilesDir(area_) / (std::string(GetParam()) + ext);
  }

 private:
  const char* area_;
};

// The fixture's name as a test name ("-" becomes "_").
std::string FixtureTestName(const testing::TestParamInfo<const char*>& info);

// The bytes of `file` followed by holes up to `size` bytes (a sparse file: the holes take no room
// on disk), written to a temporary file NAME of `dir`; returns its path.
std::filesystem::path SparseCopy(const std::filesystem::path& dir, const std::string& name,
                                 const std::string& bytes, uint64_t size);
// The process's peak resident memory so far, MiB.
long PeakResidentMiB();
// `count` bytes of seeded noise.
std::string NoiseBytes(size_t count, uint32_t seed);

}  // namespace kws::test
