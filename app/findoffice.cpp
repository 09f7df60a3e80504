// PLACEHOLDER: Word and WPS documents are not searched yet. Both routines return false without
// opening the file, so the worker lists and counts .doc, .docx and .wps files but never reports
// them as hits. The readers for these formats replace this file.
#include "app/findoffice.h"

namespace kws::app {

bool findinword(const std::filesystem::path&, std::u16string_view, TOfficeSearchState&) {
  return false;
}

bool findinwps(const std::filesystem::path&, std::u16string_view, TOfficeSearchState&) {
  return false;
}

}  // namespace kws::app
