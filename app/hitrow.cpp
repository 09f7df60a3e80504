#include "app/hitrow.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace kws::app {

uint64_t HitFileSize(const std::filesystem::path& file) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  struct stat st {};
  const uint64_t size = ::fstat(fd, &st) == 0 && st.st_size > 0 ? static_cast<uint64_t>(st.st_size) : 0;
  ::close(fd);
  return size;
}

std::string FileSizeText(uint64_t n, char decimalSeparator) {
  if (n < 1024) return std::to_string(n) + " B";
  double value;
  const char* unit;
  if (n < 1048576ull) {
    value = double(n) / 1024.0;
    unit = " KB";
  } else if (n < 1073741824ull) {
    value = double(n) / 1048576.0;
    unit = " MB";
  } else {
    value = double(n) / 1073741824.0;
    unit = " GB";
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.2f", value);  // no locale is ever set: the point is '.'
  std::string text(buf);
  if (const size_t dot = text.find('.'); dot != std::string::npos) text[dot] = decimalSeparator;
  return text + unit;
}

std::string LastWriteTimeText(const std::filesystem::path& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return {};
  std::tm tm {};
  const std::time_t t = st.st_mtime;
  if (!::localtime_r(&t, &tm)) return {};
  char buf[64];
  if (tm.tm_hour == 0 && tm.tm_min == 0 && tm.tm_sec == 0)
    std::snprintf(buf, sizeof buf, "%d/%d/%d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
  else
    std::snprintf(buf, sizeof buf, "%d/%d/%d %d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec);
  return buf;
}

}  // namespace kws::app
