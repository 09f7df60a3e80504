// Word and WPS documents, searched through the office automation layer
// (platform/office): the application object is had from the layer, the document
// opened hidden and read-only, each keyword looked for with the document's
// find, and the document closed.
//
// Two choices differ from a plain reading of the routines, both so that no
// document is silently skipped and no message nags: when Word cannot be had,
// the same document is searched through WPS at once (instead of being reported
// as not containing the keywords); and each "could not create" message is shown
// at most once per run (the WPS message only when `haswps` turns false, which
// happens once a run because the worker sets it true at the start of every
// run).
#include "app/findoffice.h"

#include "app/keywords.h"

namespace kws::app {

namespace {

OfficeAutomation& AutomationOf(const TOfficeSearchState& state) {
  static OwnOfficeAutomation own;
  return state.automation ? *state.automation : own;
}

void ShowMessage(const TOfficeSearchState& state, const char16_t* text) {
  if (state.showmessage) state.showmessage(text);
}

// Steps 2 to 6 of both routines, once the application object is had.
bool SearchDocument(OfficeApplication& application, const std::filesystem::path& file,
                    std::u16string_view findtxt) {
  application.SetVisible(false);  // a failure here is not handled: it ends the run
  std::unique_ptr<OfficeDocument> document;
  try {
    document = application.Open(file);
  } catch (const std::exception&) {
    return false;  // missing, protected, encrypted or unreadable: not found, no
                   // message
  }
  if (!document) return false;
  bool result = false;
  try {
    for (const std::u16string& keyword : SplitCommaText(findtxt)) {
      result = document->Find(keyword);
      if (result) break;
    }
    document->Close();
  } catch (const std::exception&) {
    // The document is released without being closed; the last completed find
    // stands.
  }
  return result;
}

}  // namespace

bool findinword(const std::filesystem::path& file, std::u16string_view findtxt, TOfficeSearchState& state) {
  std::unique_ptr<OfficeApplication> word = AutomationOf(state).Connect(OfficeProgram::Word);
  if (!word) {
    if (state.hasword) ShowMessage(state, kWordMissingMessage);
    state.hasword = false;
    return findinwps(file, findtxt, state);
  }
  return SearchDocument(*word, file, findtxt);
}

bool findinwps(const std::filesystem::path& file, std::u16string_view findtxt, TOfficeSearchState& state) {
  std::unique_ptr<OfficeApplication> wps = AutomationOf(state).Connect(OfficeProgram::Wps);
  if (!wps) {
    if (state.haswps) ShowMessage(state, kWpsMissingMessage);
    state.haswps = false;
    return false;
  }
  return SearchDocument(*wps, file, findtxt);
}

}  // namespace kws::app
