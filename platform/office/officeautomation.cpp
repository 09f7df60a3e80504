#include "platform/office/officeautomation.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "platform/cfb.h"
#include "platform/filebytes.h"
#include "platform/office/wordtext.h"

namespace kws {

char16_t OfficeFoldCase(char16_t c) {
  if (c < 0x80) return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return char16_t(c + 32);
  if (c >= 0x100 && c <= 0x17F) {
    // Latin Extended-A pairs upper/lower case on even/odd code points, except
    // in 0x138..0x148 and 0x179..0x17E, where the upper case is odd.
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? char16_t(c + 1) : c;
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    return (c & 1) ? c : char16_t(c + 1);
  }
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return char16_t(c + 32);  // Greek
  if (c >= 0x410 && c <= 0x42F) return char16_t(c + 32);                // Cyrillic
  if (c >= 0x400 && c <= 0x40F) return char16_t(c + 80);
  if (c >= 0xFF21 && c <= 0xFF3A) return char16_t(c + 32);  // full-width Latin
  return c;
}

bool OfficeFindText(std::u16string_view content, std::u16string_view text) {
  if (text.empty() || text.find(kWordTextBreak) != std::u16string_view::npos) return false;
  std::u16string needle(text);
  std::transform(needle.begin(), needle.end(), needle.begin(), OfficeFoldCase);
  const auto it = std::search(content.begin(), content.end(),
                              std::boyer_moore_horspool_searcher(needle.begin(), needle.end()));
  return it != content.end();
}

std::u16string ReadWordText(const std::filesystem::path& file) {
  const RegularFile opened(file);  // a FIFO, socket or device is never read
  if (!opened.ok()) throw WordTextError("cannot open the document");
  // The kind is told from the first bytes, before the file is read whole.
  uint8_t head[8];
  const int64_t got = opened.ReadAt(head, sizeof head, 0);
  if (got < 0) throw WordTextError("cannot read the document");
  const bool compound = got == 8 && IsCompoundData(head);
  if (!compound && !(got >= 4 && std::memcmp(head, "PK\x03\x04", 4) == 0))
    throw WordTextError("not a word-processing document");
  if (opened.size() > (uint64_t(2) << 30)) throw WordTextError("cannot read the document");
  const auto readAll = [&opened](auto& bytes) {
    bytes.resize(static_cast<size_t>(opened.size()));
    const int64_t all = opened.ReadAt(bytes.data(), bytes.size(), 0);
    if (all < 0) throw WordTextError("cannot read the document");
    bytes.resize(size_t(all));
  };
  if (compound) {
    std::vector<uint8_t> bytes;
    readAll(bytes);
    return ReadDocText(OpenCompoundData(std::move(bytes)));
  }
  std::string bytes;
  readAll(bytes);
  return ReadDocxText(std::move(bytes));
}

namespace {

class OwnDocument : public OfficeDocument {
 public:
  explicit OwnDocument(std::u16string text) : folded_(std::move(text)) {
    std::transform(folded_.begin(), folded_.end(), folded_.begin(), OfficeFoldCase);
  }
  bool Find(std::u16string_view text) override { return OfficeFindText(folded_, text); }
  void Close() override { folded_.clear(); }

 private:
  std::u16string folded_;  // the main text, case-folded once
};

class OwnApplication : public OfficeApplication {
 public:
  void SetVisible(bool) override {}
  std::unique_ptr<OfficeDocument> Open(const std::filesystem::path& file) override {
    return std::make_unique<OwnDocument>(ReadWordText(file));
  }
};

}  // namespace

std::unique_ptr<OfficeApplication> OwnOfficeAutomation::Connect(OfficeProgram) {
  return std::make_unique<OwnApplication>();
}

}  // namespace kws
