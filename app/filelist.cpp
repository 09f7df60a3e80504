#include "app/filelist.h"

#include <system_error>

namespace kws::app {
namespace {

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; }

// Length of the UTF-8 sequence that starts at `i` (1 for a stray byte).
size_t SequenceLength(std::string_view s, size_t i) {
  size_t n = 1;
  while (i + n < s.size() && (static_cast<unsigned char>(s[i + n]) & 0xC0) == 0x80) ++n;
  return n;
}

// The last component of a path as written (no copy).
std::string_view NameOf(const std::filesystem::path& p) {
  const std::string_view s = p.native();
  const size_t slash = s.rfind('/');
  return slash == std::string_view::npos ? s : s.substr(slash + 1);
}

}  // namespace

std::vector<std::string> SplitMasks(std::string_view masks) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < masks.size()) {
    const size_t end = masks.find_first_of(", ", i);
    const size_t stop = end == std::string_view::npos ? masks.size() : end;
    if (stop > i) out.emplace_back(masks.substr(i, stop - i));
    i = stop + 1;
  }
  return out;
}

bool MatchesMask(std::string_view name, std::string_view mask) {
  // Greedy matching with one back-track point for the last "*": linear for the usual masks.
  size_t n = 0, m = 0;
  size_t starM = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == '*') {
      starM = m++;
      starN = n;
    } else if (m < mask.size() && mask[m] == '?') {
      ++m;
      n += SequenceLength(name, n);
    } else if (m < mask.size() && FoldAscii(mask[m]) == FoldAscii(name[n])) {
      ++m;
      ++n;
    } else if (starM != std::string_view::npos) {
      m = starM + 1;
      starN += SequenceLength(name, starN);
      n = starN;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

std::vector<std::filesystem::path> getfilelist(const std::filesystem::path& folder, std::string_view masks) {
  namespace fs = std::filesystem;
  const std::vector<std::string> maskList = SplitMasks(masks);
  std::vector<std::vector<fs::path>> groups(maskList.size());
  if (maskList.empty()) return {};

  // One walk of the tree; each file goes to every mask group it matches. Folders wait on a stack
  // so that a deep tree costs no recursion.
  std::vector<fs::path> pending{folder};
  std::vector<fs::path> subfolders;
  while (!pending.empty()) {
    const fs::path dir = std::move(pending.back());
    pending.pop_back();
    std::error_code ec;
    fs::directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec);
    if (ec) continue;
    subfolders.clear();
    for (; it != fs::directory_iterator(); it.increment(ec)) {
      if (ec) break;
      const fs::directory_entry& entry = *it;
      std::error_code typeEc;
      if (entry.is_symlink(typeEc)) {
        if (entry.is_directory(typeEc)) continue;  // not followed
      } else if (entry.is_directory(typeEc)) {
        subfolders.push_back(entry.path());
        continue;
      }
      const std::string_view name = NameOf(entry.path());
      for (size_t k = 0; k < maskList.size(); ++k)
        if (MatchesMask(name, maskList[k])) groups[k].push_back(entry.path());
    }
    // Subfolders are visited in the order met: push them reversed onto the stack.
    for (auto r = subfolders.rbegin(); r != subfolders.rend(); ++r) pending.push_back(std::move(*r));
  }

  std::vector<fs::path> out;
  size_t total = 0;
  for (const auto& g : groups) total += g.size();
  out.reserve(total);
  for (auto& g : groups)
    for (auto& p : g) out.push_back(std::move(p));
  return out;
}

std::string UpperExtension(const std::filesystem::path& file) {
  const std::string_view name = NameOf(file);
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return {};
  std::string ext(name.substr(dot));
  for (char& c : ext)
    if (c >= 'a' && c <= 'z') c = char(c - 32);
  return ext;
}

}  // namespace kws::app
