// Benchmark driver for the office-document layer: reads each document given on the command line
// through our own readers, as the Word and WPS routines do.
//
//   office_extract --text FILE...       writes each document's main text (UTF-8, breaks as new
//                                       lines) to standard output, like docx2txt and catdoc
//   office_extract --find WORD FILE...  counts the documents that contain WORD (case-blind)
//
// Prints "documents N hits K unreadable U" to standard error at the end.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/office/officeautomation.h"
#include "platform/office/wordtext.h"
#include "platform/textcodec.h"

int main(int argc, char** argv) {
  if (argc < 3 || (std::strcmp(argv[1], "--text") != 0 && std::strcmp(argv[1], "--find") != 0)) {
    std::fprintf(stderr, "usage: office_extract --text FILE... | --find WORD FILE...\n");
    return 2;
  }
  const bool find = std::strcmp(argv[1], "--find") == 0;
  int first = 2;
  std::u16string word;
  if (find) word = kws::Utf8ToUtf16(argv[first++]);
  kws::OwnOfficeAutomation automation;
  auto app = automation.Connect(kws::OfficeProgram::Word);
  long documents = 0, hits = 0, unreadable = 0;
  for (int i = first; i < argc; ++i, ++documents) {
    try {
      if (find) {
        auto doc = app->Open(argv[i]);
        hits += doc->Find(word);
        doc->Close();
      } else {
        std::u16string text = kws::ReadWordText(argv[i]);
        for (char16_t& c : text)
          if (c == kws::kWordTextBreak) c = u'\n';
        const std::string utf8 = kws::Utf16ToUtf8(text);
        std::fwrite(utf8.data(), 1, utf8.size(), stdout);
        std::fputc('\n', stdout);
      }
    } catch (const std::exception&) {
      ++unreadable;
    }
  }
  std::fprintf(stderr, "documents %ld hits %ld unreadable %ld\n", documents, hits, unreadable);
  return 0;
}
