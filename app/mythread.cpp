#include "app/mythread.h"

#include <limits>
#include <system_error>

#include "app/filelist.h"

namespace kws::app {

TMyThread::TMyThread(std::unique_ptr<TFileList> Flist, std::filesystem::path apath, std::string extnames,
                     std::u16string afindtxt, TFindText& routines, THandOver& handover, TSearchView& view,
                     std::atomic<bool>& stopfind)
    : findtxt(std::move(afindtxt)),
      filelist(std::move(Flist)),
      routines_(routines),
      handover_(handover),
      view_(view),
      stopfind_(stopfind) {
  if (!filelist) {
    path = std::move(apath);
    ext = std::move(extnames);
  }
}

TMyThread::~TMyThread() {
  if (thread_.joinable()) thread_.join();
}

void TMyThread::Start() {
  thread_ = std::thread([this] { Run(); });
}

void TMyThread::Run() {
  Execute();
  filelist.reset();
  handover_.Run([this] { view_.endfinding(); });
}

TMyThread::TVisit TMyThread::SearchOne(const std::filesystem::path& file) {
  const std::string e = UpperExtension(file);
  const bool text = e == ".TXT" || e == ".PAS";
  if (!text) {
    std::error_code ec;
    const auto st = std::filesystem::status(file, ec);
    if (ec || !std::filesystem::exists(st) || std::filesystem::is_directory(st)) return TVisit::Missing;
  }
  // Text files, the bulk of many trees, are not looked up before they are opened: the text
  // routine's own open tells whether the file is there (TFileMissing).
  TOfficeSearchState& office = routines_.office;
  bool found = false;
  try {
    if (e == ".DOC" || e == ".DOCX") found = office.hasword ? findinword(file, findtxt, office) : findinwps(file, findtxt, office);
    if (e == ".WPS" && office.haswps) found = findinwps(file, findtxt, office);
    if (e == ".XLS" || e == ".XLSX") found = routines_.findinexcel(file, findtxt);
    if (e == ".PDF") found = routines_.findinpdf(file, findtxt);
    if (text) found = routines_.findintxt(file, findtxt);
  } catch (const TFileMissing&) {
    return TVisit::Missing;
  } catch (...) {
    found = false;  // an unreadable or damaged file is a miss, never the end of the run
  }
  return found ? TVisit::Found : TVisit::NotFound;
}

void TMyThread::Execute() {
  if (!filelist) {
    filelist = std::make_unique<TFileList>();
    try {
      *filelist = getfilelist(path, ext);
    } catch (...) {
      // A listing that fails leaves nothing to search; the run still ends normally.
      filelist->clear();
    }
  }
  const size_t total = filelist->size();
  filecounts = total > size_t(std::numeric_limits<int32_t>::max()) ? std::numeric_limits<int32_t>::max()
                                                                   : static_cast<int32_t>(total);
  handover_.Run([this] { view_.showfilecounts(filecounts); });
  finishes = 0;
  TOfficeSearchState& office = routines_.office;
  office.hasword = true;
  office.haswps = true;
  office.showmessage = [this](const std::u16string& text) {
    handover_.Run([this, &text] { view_.showmessage(text); });
  };

  for (size_t i = 0; i < total; ++i) {
    const std::filesystem::path& file = (*filelist)[i];
    const TVisit visit = SearchOne(file);
    if (visit != TVisit::Missing) {
      ++finishes;
      handover_.Run([this] { view_.showfinishes(finishes); });
    }
    const bool found = visit == TVisit::Found;
    if (found) {
      filename = file;
      handover_.Run([this] { view_.addlist(filename); });
    }
    if (stopfind_.load()) break;
  }
  office.showmessage = nullptr;
}

}  // namespace kws::app
