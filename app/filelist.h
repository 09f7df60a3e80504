// Listing the files of a folder tree by name masks.
//
// The masks ("*.doc,*.pdf") are taken one after another; each takes every file of the folder and
// of all its subfolders whose whole name matches it ("*" any run of characters, "?" one
// character), without regard to the case of the letters a to z, so "REPORT.DOC" is listed under
// "*.doc" and "*.doc" never takes "x.docx". The result is grouped by mask in mask order; within a
// mask the files of a folder come before those of its subfolders; nothing is sorted or made unique.
// A subfolder that cannot be read is skipped, and a folder that cannot be read at all gives no
// files. Symbolic links to folders are not followed (so a link cycle cannot loop).
#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

namespace kws::app {

// Splits a mask text at "," and blanks; empty pieces are dropped.
std::vector<std::string> SplitMasks(std::string_view masks);

// True when the whole name (UTF-8) matches the mask, ignoring the case of a to z.
bool MatchesMask(std::string_view name, std::string_view mask);

// The full paths of the files under `folder` matching the masks (UTF-8, comma-joined).
std::vector<std::filesystem::path> getfilelist(const std::filesystem::path& folder, std::string_view masks);

// The file's extension with its dot, taken from the last "." of the name (".txt" of ".txt"),
// with a to z upper-cased; empty when the name has no dot.
std::string UpperExtension(const std::filesystem::path& file);

}  // namespace kws::app
