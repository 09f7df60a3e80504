#include "platform/office/officeautomation.h"

#include <algorithm>
#include <fstream>
#include <functional>

#include "platform/cfb.h"
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
  std::ifstream in(file, std::ios::binary | std::ios::ate);
  if (!in) throw WordTextError("cannot open the document");
  const std::streamoff size = in.tellg();
  if (size < 0 || uint64_t(size) > (uint64_t(2) << 30)) throw WordTextError("cannot read the document");
  std::string bytes(static_cast<size_t>(size), '\0');
  in.seekg(0);
  if (!in.read(bytes.data(), size)) throw WordTextError("cannot read the document");
  if (bytes.size() >= 8 && IsCompoundData(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), 8)))
    return ReadDocText(OpenCompoundData(std::vector<uint8_t>(bytes.begin(), bytes.end())));
  if (bytes.size() >= 4 && bytes.compare(0, 4, "PK\x03\x04", 4) == 0) return ReadDocxText(std::move(bytes));
  throw WordTextError("not a word-processing document");
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
