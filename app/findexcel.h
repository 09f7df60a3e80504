// Workbooks (.xls, .xlsx), searched for the worker through the spreadsheet engine.
//
// The object stands for the one spreadsheet component the search keeps from start-up to shutdown;
// each load replaces the previous workbook. findinexcel splits the search text with
// SplitCommaText (blanks kept) and returns true when one keyword occurs in the text of any cell of
// any sheet, ignoring the case of the letters a to z; an empty keyword never matches. It may
// throw; the worker counts a file that throws as searched and not containing the keywords.
#pragma once

#include <filesystem>
#include <memory>
#include <string_view>

namespace kws::app {

class TExcelSearch {
 public:
  TExcelSearch();
  ~TExcelSearch();
  TExcelSearch(const TExcelSearch&) = delete;
  TExcelSearch& operator=(const TExcelSearch&) = delete;

  bool findinexcel(const std::filesystem::path& file, std::u16string_view findtxt);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace kws::app
