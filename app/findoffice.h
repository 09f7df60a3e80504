// Word and WPS documents, searched for the worker.
//
// Both routines take a file's full path and the search text as typed, split it with
// SplitCommaText (blanks kept), and return true when at least one keyword is found in the
// document; a miss and every handled failure return false. They run on the search worker and
// share the run's flags with it: `hasword` and `haswps` are true at the start of every run and a
// routine turns its flag false when its means of reading documents cannot be had. The worker
// sends .doc/.docx to findinword while `hasword` holds, else to findinwps; .wps to findinwps only
// while `haswps` holds.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "platform/office/officeautomation.h"

namespace kws::app {

// Per-run state the office routines share with the worker.
struct TOfficeSearchState {
  bool hasword = true;
  bool haswps = true;
  // Shows a modal information box in the window; returns once the user has closed it. Called on
  // the worker, which waits meanwhile. May be empty (no window): then nothing is shown.
  std::function<void(const std::u16string&)> showmessage;
  // Where the Word and WPS applications come from; none means our own document readers
  // (OwnOfficeAutomation). Tests put a fake here.
  OfficeAutomation* automation = nullptr;
};

// Message shown when Word documents cannot be searched.
inline constexpr char16_t kWordMissingMessage[] =
    u"创建Word对象失败，可能是你的系统中没有正确的安装Word程序。";
// Message shown when WPS documents cannot be searched.
inline constexpr char16_t kWpsMissingMessage[] =
    u"创建WPS对象失败，可能是你的系统中没有正确的安装WPS程序。";

bool findinword(const std::filesystem::path& file, std::u16string_view findtxt, TOfficeSearchState& state);
bool findinwps(const std::filesystem::path& file, std::u16string_view findtxt, TOfficeSearchState& state);

}  // namespace kws::app
