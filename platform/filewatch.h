// Watching one file for changes, without a message loop.
//
// This stands in for the class-library timer combined with the system's change notification on
// a folder, which the spreadsheet component used for its optional file watch: the system woke a
// wait on one of its own threads, the wait switched on a timer, and the timer's tick told the
// program on its window thread that something in the folder had been written. Here the kernel's
// inotify interface watches the folder of the file (not its subfolders) and `Poll` plays the
// timer's tick: it reads what the kernel queued, without ever waiting, and answers with what
// became of the one watched file since the previous poll.
//
// Facts relied on (inotify(7)): events of a watched folder name the entry they concern; a file
// renamed over the watched name arrives as IN_MOVED_TO of that name (the file it replaced leaves
// no event of its own); a write shows as IN_CLOSE_WRITE when the writer closes the file; a new
// inode may get the number of one just freed, so a new entry under the name is known by its
// IN_CREATE / IN_MOVED_TO, not by a changed inode number; a queue that overflowed
// (IN_Q_OVERFLOW) has lost events, so the file's state is then compared with the one recorded.
//
// Design choice: no thread. The caller polls on the thread that uses the watched data, so the
// news is handled where it can safely be acted on, and starting, polling and stopping never
// block (the descriptor is non-blocking; stopping closes it). Everything that happened between
// two polls is reported as one net change, so a write, a replacement or a deletion is reported
// once however many kernel events it took. A change counts when the writer closes the file, so a
// file is not reported while it is half written (and setting only its times is not a change).
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>

namespace kws {

// What became of the watched file between two polls.
enum class FileChange : uint8_t {
  None,      // nothing
  Changed,   // the same file was written and closed
  Replaced,  // another file now stands under the name (renamed over it, or made anew)
  Deleted,   // the name no longer exists (also when the folder went away)
};

// One file watched through its folder. Not thread-safe: one thread starts, polls and stops.
class FileWatch {
 public:
  FileWatch() = default;
  ~FileWatch() { Stop(); }
  FileWatch(const FileWatch&) = delete;
  FileWatch& operator=(const FileWatch&) = delete;

  // Watches `file` (made absolute against the current folder); any watch before is stopped.
  // False when the file's folder cannot be watched (missing, not a folder, no inotify). The file
  // itself need not exist: its appearing is then reported as Replaced.
  bool Start(const std::filesystem::path& file);
  // Ends the watch at once; safe to call when none runs.
  void Stop();
  // True from a successful Start until Stop, or until the folder was removed or moved (the
  // poll that sees this reports Deleted when the file existed, and ends the watch).
  bool Active() const { return FFd >= 0; }
  const std::filesystem::path& File() const { return FFile; }

  // The net change since Start or the previous poll; never waits.
  FileChange Poll();

 private:
  struct State {
    bool Exists = false;
    uint64_t Dev = 0, Ino = 0;
    int64_t Size = 0;
    timespec Mtime{};
  };
  static State StatOf(const std::filesystem::path& file);

  int FFd = -1;
  std::filesystem::path FFile;
  State FState;
};

}  // namespace kws
