// The texts of a hit row that do not depend on the window: the file's size and its size text.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>

namespace kws::app {

// Size in bytes of a file opened for reading; 0 when it cannot be opened.
uint64_t HitFileSize(const std::filesystem::path& file);

// "1023 B", then two decimals with the given separator: "1.00 KB" from 1024 bytes, "MB" from
// 1048576, "GB" from 1073741824.
std::string FileSizeText(uint64_t n, char decimalSeparator = '.');

// Last-write time of a file in local time as "yyyy/M/d H:mm:ss", the time left out at exactly
// midnight; empty when the file cannot be examined. The window uses the user's locale instead.
std::string LastWriteTimeText(const std::filesystem::path& file);

}  // namespace kws::app
