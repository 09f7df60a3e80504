// The search worker: one run over a folder tree or a given list of files.
//
// The worker lists the files (or takes the given list), then visits each once: a file that no
// longer exists is skipped; any other is routed by its upper-cased extension, counted as searched
// and, when a keyword was found, reported as a hit. Every change of the window (file count,
// searched count, each hit, the message boxes of the office routines and the return to the idle
// state at the end) goes through the hand-over, which runs it on the window's thread and returns
// when it is done, so the worker never touches the window itself. The stop request is read after
// each file. An error raised by a routine counts the file as searched and not containing the
// keywords; the run goes on with the next file.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/findtext.h"

namespace kws::app {

// Runs a piece of work on the window's thread and returns once it has run.
class THandOver {
 public:
  virtual ~THandOver() = default;
  virtual void Run(const std::function<void()>& work) = 0;
};

// Runs the work at once on the calling thread (no window, or tests that drive the worker inline).
class TInlineHandOver final : public THandOver {
 public:
  void Run(const std::function<void()>& work) override { work(); }
};

// The window changes the worker asks for; each is called through the hand-over.
class TSearchView {
 public:
  virtual ~TSearchView() = default;
  virtual void showfilecounts(int32_t filecounts) = 0;
  virtual void showfinishes(int32_t finishes) = 0;
  virtual void addlist(const std::filesystem::path& filename) = 0;
  virtual void showmessage(const std::u16string& text) = 0;
  virtual void endfinding() = 0;
};

using TFileList = std::vector<std::filesystem::path>;

class TMyThread {
 public:
  // With a list, exactly those files are searched; without one, `apath` is listed with the masks
  // `extnames` ("*.doc,*.pdf"). `afindtxt` is the search text as typed. `routines` and `stopfind`
  // outlive the worker.
  TMyThread(std::unique_ptr<TFileList> Flist, std::filesystem::path apath, std::string extnames,
            std::u16string afindtxt, TFindText& routines, THandOver& handover, TSearchView& view,
            std::atomic<bool>& stopfind);
  // Waits for the thread when one was started (it has normally ended already: see Start()).
  ~TMyThread();
  TMyThread(const TMyThread&) = delete;
  TMyThread& operator=(const TMyThread&) = delete;

  // Starts the run on a thread of its own. Its last act is the endfinding hand-over.
  void Start();
  // The whole run on the calling thread: Execute, then free the list and hand over endfinding.
  void Run();
  // The search itself.
  void Execute();

  std::filesystem::path filename;  // the hit being handed over
  std::filesystem::path path;
  std::string ext;
  std::u16string findtxt;
  std::unique_ptr<TFileList> filelist;
  int32_t filecounts = 0;
  int32_t finishes = 0;

 private:
  enum class TVisit { Missing, Found, NotFound };
  // Routes one file by its extension; Missing when no file is there any more.
  TVisit SearchOne(const std::filesystem::path& file);

  TFindText& routines_;
  THandOver& handover_;
  TSearchView& view_;
  std::atomic<bool>& stopfind_;
  std::thread thread_;
};

}  // namespace kws::app
