#include "platform/filewatch.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>

namespace kws {

namespace {
constexpr uint32_t kFolderMask = IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                 IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
}  // namespace

FileWatch::State FileWatch::StatOf(const std::filesystem::path& file) {
  State s;
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return s;
  s.Exists = true;
  s.Dev = uint64_t(st.st_dev);
  s.Ino = uint64_t(st.st_ino);
  s.Size = int64_t(st.st_size);
  s.Mtime = st.st_mtim;
  return s;
}

bool FileWatch::Start(const std::filesystem::path& file) {
  Stop();
  if (file.empty()) return false;
  std::error_code ec;
  std::filesystem::path abs = std::filesystem::absolute(file, ec);
  if (ec || !abs.has_filename()) return false;
  const std::filesystem::path folder = abs.parent_path();
  const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd < 0) return false;
  if (::inotify_add_watch(fd, folder.c_str(), kFolderMask) < 0) {
    ::close(fd);
    return false;
  }
  FFd = fd;
  FFile = std::move(abs);
  FState = StatOf(FFile);
  return true;
}

void FileWatch::Stop() {
  if (FFd >= 0) ::close(FFd);
  FFd = -1;
}

FileChange FileWatch::Poll() {
  if (FFd < 0) return FileChange::None;
  const std::string name = FFile.filename().string();
  bool touched = false;     // an event concerned the file
  bool wrote = false;       // a writer closed it
  bool newEntry = false;    // a new entry appeared under its name
  bool folderGone = false;  // the folder was removed or moved away
  bool lost = false;        // the queue overflowed
  alignas(inotify_event) char buf[8192];
  for (;;) {
    const ssize_t n = ::read(FFd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // EAGAIN: the queue is empty
    for (ssize_t off = 0; off + ssize_t(sizeof(inotify_event)) <= n;) {
      const auto* ev = reinterpret_cast<const inotify_event*>(buf + off);
      off += ssize_t(sizeof(inotify_event) + ev->len);
      if (off > n) break;  // the kernel hands whole events; never read past what it gave
      if (ev->mask & IN_Q_OVERFLOW) lost = true;
      if (ev->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT)) folderGone = true;
      // The name is NUL-terminated within its padded length.
      if (ev->len == 0 || std::strcmp(ev->name, name.c_str()) != 0) continue;
      touched = true;
      if (ev->mask & IN_CLOSE_WRITE) wrote = true;
      if (ev->mask & (IN_CREATE | IN_MOVED_TO)) newEntry = true;
    }
  }
  if (!touched && !folderGone && !lost) return FileChange::None;

  const State was = FState;
  const State now = folderGone ? State{} : StatOf(FFile);
  FState = now;
  if (folderGone) Stop();
  if (!now.Exists) return was.Exists ? FileChange::Deleted : FileChange::None;
  if (!was.Exists || newEntry || now.Dev != was.Dev || now.Ino != was.Ino) return FileChange::Replaced;
  const bool sameTime = now.Mtime.tv_sec == was.Mtime.tv_sec && now.Mtime.tv_nsec == was.Mtime.tv_nsec;
  // A closed write counts even when the clock's granularity left the time as it was; after a lost
  // queue, only a moved last-write time or size tells.
  if (!sameTime || now.Size != was.Size) return FileChange::Changed;
  return wrote ? FileChange::Changed : FileChange::None;
}

}  // namespace kws
