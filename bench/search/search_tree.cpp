// Runs the search worker over a folder (or a list file of paths) without a window and prints,
// in UTF-8, "files N" after the listing, "hit K<TAB>path<TAB>size text<TAB>time text" for every
// hit in order, then "searched N" and "hits N".
//
//   search_tree FOLDER MASKS KEYWORDS        MASKS comma-joined ("*.txt,*.pdf")
//   search_tree --list LISTFILE KEYWORDS     LISTFILE: one full path a line
#include <atomic>
#include <cstdio>
#include <fstream>
#include <string>

#include "app/hitrow.h"
#include "app/mythread.h"
#include "platform/textcodec.h"

namespace {

class TConsoleView final : public kws::app::TSearchView {
 public:
  void showfilecounts(int32_t n) override { std::printf("files %d\n", n); }
  void showfinishes(int32_t n) override { finishes = n; }
  void addlist(const std::filesystem::path& file) override {
    ++hits;
    std::printf("hit %d\t%s\t%s\t%s\n", hits, file.c_str(), kws::app::FileSizeText(kws::app::HitFileSize(file)).c_str(),
                kws::app::LastWriteTimeText(file).c_str());
  }
  void showmessage(const std::u16string& text) override {
    std::fprintf(stderr, "%s\n", kws::Utf16ToUtf8(text).c_str());
  }
  void endfinding() override { std::printf("searched %d\nhits %d\n", finishes, hits); }

  int32_t finishes = 0;
  int32_t hits = 0;
};

int Usage() {
  std::fprintf(stderr, "usage: search_tree FOLDER MASKS KEYWORDS\n       search_tree --list LISTFILE KEYWORDS\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return Usage();
  std::unique_ptr<kws::app::TFileList> list;
  std::filesystem::path folder;
  std::string masks;
  if (std::string(argv[1]) == "--list") {
    std::ifstream in(argv[2], std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "cannot read %s\n", argv[2]);
      return 1;
    }
    list = std::make_unique<kws::app::TFileList>();
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty()) list->emplace_back(line);
    }
  } else {
    folder = argv[1];
    masks = argv[2];
  }
  kws::app::TFindText routines;
  kws::app::TInlineHandOver handover;
  TConsoleView view;
  std::atomic<bool> stopfind{false};
  kws::app::TMyThread worker(std::move(list), folder, masks, kws::Utf8ToUtf16(argv[3]), routines, handover, view,
                             stopfind);
  worker.Run();
  std::fflush(stdout);
  return 0;
}
