// PLACEHOLDER: workbooks are not searched yet. findinexcel returns false without opening the
// file, so the worker lists and counts .xls and .xlsx files but never reports them as hits. The
// spreadsheet engine's search replaces this file.
#include "app/findexcel.h"

namespace kws::app {

struct TExcelSearch::Impl {};

TExcelSearch::TExcelSearch() : impl_(std::make_unique<Impl>()) {}
TExcelSearch::~TExcelSearch() = default;

bool TExcelSearch::findinexcel(const std::filesystem::path&, std::u16string_view) { return false; }

}  // namespace kws::app
