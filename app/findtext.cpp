#include "app/findtext.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>
#include <vector>

#include "app/keywords.h"
#include "platform/textcodec.h"

namespace kws::app {
namespace {

// Bytes kept in the reusable buffer after a file larger than this has been read are given back.
constexpr size_t kKeepBuffer = 8u << 20;

void ReadWholeFile(const std::filesystem::path& file, std::string& out) {
  out.clear();
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error("cannot open " + file.string());
  struct stat st {};
  if (::fstat(fd, &st) == 0 && st.st_size > 0) out.reserve(static_cast<size_t>(st.st_size));
  char chunk[1 << 16];
  for (;;) {
    // Read straight into the string's spare capacity when there is room, else through a chunk.
    if (out.capacity() - out.size() >= sizeof(chunk)) {
      const size_t old = out.size();
      out.resize(out.capacity());
      const ssize_t n = ::read(fd, out.data() + old, out.size() - old);
      if (n <= 0) {
        out.resize(old);
        if (n < 0) {
          ::close(fd);
          throw std::runtime_error("cannot read " + file.string());
        }
        break;
      }
      out.resize(old + static_cast<size_t>(n));
    } else {
      const ssize_t n = ::read(fd, chunk, sizeof(chunk));
      if (n < 0) {
        ::close(fd);
        throw std::runtime_error("cannot read " + file.string());
      }
      if (n == 0) break;
      out.append(chunk, static_cast<size_t>(n));
    }
  }
  ::close(fd);
}

// Valid UTF-8, checked eight ASCII bytes at a time; each non-ASCII sequence goes to the shared
// validator.
bool IsUtf8(std::string_view s) {
  const char* p = s.data();
  const size_t n = s.size();
  size_t i = 0;
  while (i < n) {
    if (i + 8 <= n) {
      uint64_t w;
      std::memcpy(&w, p + i, 8);
      if ((w & 0x8080808080808080ull) == 0) {
        i += 8;
        continue;
      }
    }
    const auto b = static_cast<unsigned char>(p[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    const size_t len = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    if (len == 1 || i + len > n || !IsValidUtf8(s.substr(i, len))) return false;
    i += len;
  }
  return true;
}

std::vector<std::u16string> Keywords(std::u16string_view findtxt) {
  return SplitCommaText(RemoveBlanks(findtxt));
}

bool AnyIn(std::u16string_view text, const std::vector<std::u16string>& keywords) {
  for (const auto& k : keywords)
    if (!k.empty() && text.find(k) != std::u16string_view::npos) return true;
  return false;
}

bool AnyInUtf8(std::string_view text, const std::vector<std::u16string>& keywords) {
  for (const auto& k : keywords) {
    if (k.empty()) continue;
    const std::string needle = Utf16ToUtf8(k);
    if (::memmem(text.data(), text.size(), needle.data(), needle.size()) != nullptr) return true;
  }
  return false;
}

}  // namespace

bool FindInTextBytes(std::string_view bytes, std::u16string_view findtxt) {
  const std::vector<std::u16string> keywords = Keywords(findtxt);
  const auto u = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  if (bytes.size() >= 3 && u(0) == 0xEF && u(1) == 0xBB && u(2) == 0xBF) {
    const std::string_view rest = bytes.substr(3);
    return IsUtf8(rest) ? AnyInUtf8(rest, keywords) : AnyIn(Utf8ToUtf16(rest), keywords);
  }
  if (bytes.size() >= 2 && u(0) == 0xFF && u(1) == 0xFE)
    return AnyIn(Utf16BytesToString(bytes.substr(2), false), keywords);
  if (bytes.size() >= 2 && u(0) == 0xFE && u(1) == 0xFF)
    return AnyIn(Utf16BytesToString(bytes.substr(2), true), keywords);
  if (IsUtf8(bytes)) return AnyInUtf8(bytes, keywords);
  const std::optional<std::u16string> text = DecodeCharset(bytes, "GB18030");
  if (!text) throw std::runtime_error("GB18030 decoding is not available");
  return AnyIn(*text, keywords);
}

std::u16string DecodeText(std::string_view bytes) {
  const auto u = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  if (bytes.size() >= 3 && u(0) == 0xEF && u(1) == 0xBB && u(2) == 0xBF) return Utf8ToUtf16(bytes.substr(3));
  if (bytes.size() >= 2 && u(0) == 0xFF && u(1) == 0xFE) return Utf16BytesToString(bytes.substr(2), false);
  if (bytes.size() >= 2 && u(0) == 0xFE && u(1) == 0xFF) return Utf16BytesToString(bytes.substr(2), true);
  if (IsUtf8(bytes)) return Utf8ToUtf16(bytes);
  std::optional<std::u16string> text = DecodeCharset(bytes, "GB18030");
  if (!text) throw std::runtime_error("GB18030 decoding is not available");
  return std::move(*text);
}

bool TFindText::findintxt(const std::filesystem::path& file, std::u16string_view findtxt) {
  struct Release {  // gives a large buffer back on every way out
    std::string& b;
    ~Release() {
      if (b.capacity() > kKeepBuffer) std::string().swap(b);
    }
  } release{buffer_};
  ReadWholeFile(file, buffer_);
  return FindInTextBytes(buffer_, findtxt);
}

bool TFindText::findinpdf(const std::filesystem::path& file, std::u16string_view findtxt) {
  struct Closer {
    TPdfDocument& d;
    ~Closer() { d.Close(); }
  } closer{pdfdoc};
  const std::vector<std::u16string> keywords = Keywords(findtxt);
  pdfdoc.Open(file);
  const int pages = pdfdoc.PageCount();
  for (int page = 1; page <= pages; ++page) {
    pdfdoc.SetPageNumber(page);
    for (const auto& k : keywords)
      if (pdfdoc.FindFirst(k, /*wholeWord=*/true) != -1) return true;
  }
  return false;
}

}  // namespace kws::app
