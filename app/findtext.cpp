#include "app/findtext.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "app/keywords.h"
#include "platform/filebytes.h"
#include "platform/textcodec.h"

namespace kws::app {
namespace {

// Bytes read per step of the streamed search; the buffer is this plus the overlap.
constexpr size_t kChunk = 256u << 10;
// Bytes kept in the reusable buffer after a whole large file has been read are given back.
constexpr size_t kKeepBuffer = 8u << 20;

// How common a byte is in text (higher is more common), for choosing which byte of a keyword to
// look for first: memchr for a rare byte skips most of the text at memory speed.
constexpr std::array<uint8_t, 256> kByteRank = [] {
  std::array<uint8_t, 256> r{};
  for (int b = 0; b < 256; ++b) {
    uint8_t v = 10;                                  // control bytes
    if (b >= '!' && b <= '~') v = 50;                // punctuation
    if (b >= '0' && b <= '9') v = 40;
    if (b >= 'A' && b <= 'Z') v = 60;
    if (b >= 'a' && b <= 'z') v = 120;
    if (b >= 0x80 && b <= 0xBF) v = 150;             // UTF-8 continuation bytes
    if (b >= 0xC0 && b <= 0xDF) v = 70;
    if (b >= 0xE0 && b <= 0xEF) v = (b >= 0xE4 && b <= 0xE9) ? 170 : 90;  // CJK lead bytes
    if (b >= 0xF0) v = 30;
    r[b] = v;
  }
  const char* common = "etaoinshrdlcumwfgypb";  // English letters by frequency
  for (int i = 0; common[i]; ++i) r[static_cast<unsigned char>(common[i])] = static_cast<uint8_t>(250 - 5 * i);
  r[' '] = 255;
  r['\n'] = 100;
  r['\r'] = 60;
  r['\t'] = 60;
  r[','] = 110;
  r['.'] = 110;
  return r;
}();

// One UTF-8 keyword with the position of its rarest byte.
struct TNeedle {
  std::string bytes;
  size_t rare = 0;
};

TNeedle MakeNeedle(std::u16string_view keyword) {
  TNeedle n{Utf16ToUtf8(keyword), 0};
  for (size_t i = 1; i < n.bytes.size(); ++i)
    if (kByteRank[static_cast<unsigned char>(n.bytes[i])] < kByteRank[static_cast<unsigned char>(n.bytes[n.rare])])
      n.rare = i;
  return n;
}

// Position of the first occurrence of the needle at or after `from`, or npos: memchr for its
// rarest byte, then a compare; when that byte turns out to be common here, memmem takes over.
size_t FindFrom(std::string_view text, const TNeedle& needle, size_t from) {
  const size_t len = needle.bytes.size();
  if (len == 0 || len > text.size()) return std::string_view::npos;
  const char* const base = text.data();
  const char rareByte = needle.bytes[needle.rare];
  const size_t last = text.size() - len;  // last possible start
  size_t pos = from;
  size_t misses = 0;
  while (pos <= last) {
    const void* hit = std::memchr(base + pos + needle.rare, rareByte, last - pos + 1);
    if (!hit) return std::string_view::npos;
    const size_t start = static_cast<size_t>(static_cast<const char*>(hit) - base) - needle.rare;
    if (std::memcmp(base + start, needle.bytes.data(), len) == 0) return start;
    pos = start + 1;
    if (++misses > 32 && pos - from < misses * 64) {  // a false candidate every 64 bytes or less
      const void* m = ::memmem(base + pos, text.size() - pos, needle.bytes.data(), len);
      return m ? static_cast<size_t>(static_cast<const char*>(m) - base) : std::string_view::npos;
    }
  }
  return std::string_view::npos;
}

bool AnyInUtf8(std::string_view text, const std::vector<TNeedle>& needles) {
  for (const auto& n : needles)
    if (FindFrom(text, n, 0) != std::string_view::npos) return true;
  return false;
}

bool AnyIn(std::u16string_view text, const std::vector<std::u16string>& keywords) {
  for (const auto& k : keywords)
    if (!k.empty() && text.find(k) != std::u16string_view::npos) return true;
  return false;
}

// Valid UTF-8 by the same rules as IsValidUtf8 (no overlong forms, no surrogates, nothing above
// U+10FFFF), written as one tight loop because every text file passes through it: ASCII is
// skipped sixteen bytes at a time. A test holds it equal to IsValidUtf8.
}  // namespace

bool IsUtf8Text(std::string_view s) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const size_t n = s.size();
  const auto cont = [p](size_t i) { return (p[i] & 0xC0) == 0x80; };
  size_t i = 0;
  while (i < n) {
    if (i + 16 <= n) {
      uint64_t a, b;
      std::memcpy(&a, p + i, 8);
      std::memcpy(&b, p + i + 8, 8);
      if (((a | b) & 0x8080808080808080ull) == 0) {
        i += 16;
        continue;
      }
    }
    const unsigned char c = p[i];
    if (c < 0x80) {
      ++i;
    } else if (c < 0xC2) {
      return false;
    } else if (c < 0xE0) {
      if (i + 1 >= n || !cont(i + 1)) return false;
      i += 2;
    } else if (c < 0xF0) {
      if (i + 2 >= n || !cont(i + 1) || !cont(i + 2)) return false;
      if ((c == 0xE0 && p[i + 1] < 0xA0) || (c == 0xED && p[i + 1] > 0x9F)) return false;
      i += 3;
    } else if (c < 0xF5) {
      if (i + 3 >= n || !cont(i + 1) || !cont(i + 2) || !cont(i + 3)) return false;
      if ((c == 0xF0 && p[i + 1] < 0x90) || (c == 0xF4 && p[i + 1] > 0x8F)) return false;
      i += 4;
    } else {
      return false;
    }
  }
  return true;
}

namespace {

bool IsUtf8(std::string_view s) { return IsUtf8Text(s); }

// End of the bytes [from, used) that holds only whole sequences: a lead byte among the last
// three whose sequence runs past `used` starts the part kept for the next chunk.
size_t CompleteEnd(const char* p, size_t from, size_t used) {
  for (size_t k = 1; k <= 3 && used >= from + k; ++k) {
    const auto b = static_cast<unsigned char>(p[used - k]);
    if (b < 0x80) return used;
    if (b >= 0xC0) {
      const size_t len = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
      return len > k ? used - k : used;
    }
  }
  return used;
}

std::vector<std::u16string> Keywords(std::u16string_view findtxt) { return SplitCommaText(RemoveBlanks(findtxt)); }

// Reads a file opened as a regular file (see OpenText).
class TFd {
 public:
  explicit TFd(const kws::RegularFile& file) : fd_(file.fd()) {}
  // Reads up to n bytes, retrying after interruptions; 0 at the end of the file.
  size_t Read(char* out, size_t n, const std::filesystem::path& file) const {
    for (;;) {
      const ssize_t r = ::read(fd_, out, n);
      if (r >= 0) return static_cast<size_t>(r);
      if (errno != EINTR) throw std::runtime_error("cannot read " + file.string());
    }
  }
  void Rewind() const { ::lseek(fd_, 0, SEEK_SET); }

 private:
  int fd_;
};

void ReadRest(const TFd& fd, const std::filesystem::path& file, std::string& out) {
  for (;;) {
    const size_t old = out.size();
    out.resize(old + kChunk);
    const size_t n = fd.Read(out.data() + old, kChunk, file);
    out.resize(old + n);
    if (n == 0) return;
  }
}

}  // namespace

bool FindInTextBytes(std::string_view bytes, std::u16string_view findtxt) {
  const std::vector<std::u16string> keywords = Keywords(findtxt);
  const auto u = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  const bool utf8Bom = bytes.size() >= 3 && u(0) == 0xEF && u(1) == 0xBB && u(2) == 0xBF;
  const bool utf16 = bytes.size() >= 2 && ((u(0) == 0xFF && u(1) == 0xFE) || (u(0) == 0xFE && u(1) == 0xFF));
  const std::string_view body = utf8Bom ? bytes.substr(3) : bytes;
  if (!utf16 && IsUtf8(body)) {
    std::vector<TNeedle> needles;
    for (const auto& k : keywords)
      if (!k.empty()) needles.push_back(MakeNeedle(k));
    return AnyInUtf8(body, needles);
  }
  return AnyIn(DecodeText(bytes), keywords);
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

namespace {

enum class TScan { Found, NotFound, Unsure, NotUtf8 };

// Streams the file from its start (after a UTF-8 mark) chunk by chunk, keeping the last bytes of
// each chunk so that a keyword across two chunks is seen.
//
// With `validate`, the bytes are checked as UTF-8 on the way and the whole file is read even after
// a hit, since a hit counts only in a UTF-8 file.
//
// Without, the keywords must be ASCII. Their bytes then decode to the keyword in every 8-bit
// reading of the file (UTF-8, or GB18030 where an ASCII byte is a character of its own unless it
// follows a lead byte) whenever the byte before them is ASCII or there is none: such a hit ends
// the scan at once (Found). A hit after a byte of 0x80 or more may be the tail of a GB18030
// character; when only such hits occur the answer is Unsure and the caller validates.
//
// A file that starts with a UTF-16 mark is not scanned (NotUtf8). `rewind` starts over a file
// read before.
TScan Scan(const TFd& fd, const std::filesystem::path& file, std::string& buf, const std::vector<TNeedle>& needles,
           size_t longest, bool validate, bool rewind) {
  if (buf.size() < kChunk + longest + 4) buf.resize(kChunk + longest + 4);
  if (rewind) fd.Rewind();
  size_t used = fd.Read(buf.data(), kChunk, file);
  // A regular file gives less than asked only at its end: then no further read is needed.
  bool atEnd = used < kChunk;
  const auto u = [&buf](size_t i) { return static_cast<unsigned char>(buf[i]); };
  if (used >= 2 && ((u(0) == 0xFF && u(1) == 0xFE) || (u(0) == 0xFE && u(1) == 0xFF))) return TScan::NotUtf8;
  const size_t skip = used >= 3 && u(0) == 0xEF && u(1) == 0xBB && u(2) == 0xBF ? 3 : 0;
  size_t validFrom = skip;
  size_t searchFrom = validFrom;
  const size_t textStart = searchFrom;  // in the first chunk only
  bool firstChunk = true;
  bool found = needles.empty();
  bool unsure = false;
  for (;;) {
    if (validate) {
      const size_t end = CompleteEnd(buf.data(), validFrom, used);
      if (!IsUtf8(std::string_view(buf.data() + validFrom, end - validFrom))) return TScan::NotUtf8;
      validFrom = end;
      if (!found) found = AnyInUtf8(std::string_view(buf.data() + searchFrom, used - searchFrom), needles);
    } else {
      validFrom = used;
      const std::string_view chunk(buf.data(), used);
      for (const auto& n : needles) {
        for (size_t m = FindFrom(chunk, n, searchFrom); m != std::string_view::npos; m = FindFrom(chunk, n, m + 1)) {
          if ((firstChunk && m == textStart) || static_cast<unsigned char>(chunk[m - 1]) < 0x80) return TScan::Found;
          unsure = true;
        }
      }
    }
    // Keep the overlap for the search (a whole keyword's length, so that every later match has
    // the byte before it in the buffer) and an unfinished sequence for the validation.
    const size_t keep = std::min(used, std::max(longest, used - validFrom));
    std::memmove(buf.data(), buf.data() + used - keep, keep);
    validFrom -= used - keep;
    searchFrom = keep > 0 && longest > 0 ? keep - (longest - 1) : keep;
    used = keep;
    firstChunk = false;
    const size_t n = atEnd ? 0 : fd.Read(buf.data() + used, kChunk, file);
    atEnd = n < kChunk;
    if (n == 0) {
      if (validate && validFrom < used) return TScan::NotUtf8;  // the file ends inside a sequence
      if (unsure) return TScan::Unsure;
      return found && !needles.empty() ? TScan::Found : TScan::NotFound;
    }
    used += n;
  }
}

}  // namespace

// The keywords of one search text in the form the text routine uses, kept from file to file.
struct TFindText::TTextKeys {
  std::u16string findtxt;
  std::vector<TNeedle> needles;
  size_t longest = 0;
  bool ascii = true;
};

TFindText::TFindText() = default;
TFindText::~TFindText() = default;

bool TFindText::findintxt(const std::filesystem::path& file, std::u16string_view findtxt) {
  struct Release {  // gives a large buffer back on every way out
    std::string& b;
    ~Release() {
      if (b.capacity() > kKeepBuffer) std::string().swap(b);
    }
  } release{buffer_};
  if (!keys_ || keys_->findtxt != findtxt) {
    auto keys = std::make_unique<TTextKeys>();
    keys->findtxt = findtxt;
    for (const auto& k : Keywords(findtxt)) {
      if (k.empty()) continue;
      keys->needles.push_back(MakeNeedle(k));
      keys->longest = std::max(keys->longest, keys->needles.back().bytes.size());
      for (char c : keys->needles.back().bytes) keys->ascii = keys->ascii && static_cast<unsigned char>(c) < 0x80;
    }
    keys_ = std::move(keys);
  }
  const TTextKeys& keys = *keys_;
  if (keys.needles.empty()) return false;  // an empty keyword never matches: nothing to read
  const kws::RegularFile opened(file);
  switch (opened.state()) {
    case kws::RegularFile::State::Open:
      break;
    case kws::RegularFile::State::Missing:
    case kws::RegularFile::State::Folder:
      throw TFileMissing(file);
    case kws::RegularFile::State::NotRegular:
      return false;  // a FIFO, socket or device is searched and holds nothing
    case kws::RegularFile::State::Failed:
      throw std::runtime_error("cannot open " + file.string());
  }
  const TFd fd(opened);

  if (keys.ascii) {
    // An ASCII keyword whose bytes are absent is absent from the text in every encoding this
    // routine reads except UTF-16 (ASCII characters come only from ASCII bytes there), so a
    // miss costs one pass at memory speed, and so does a hit after an ASCII byte.
    const TScan result = Scan(fd, file, buffer_, keys.needles, keys.longest, false, false);
    if (result == TScan::Found || result == TScan::NotFound) return result == TScan::Found;
    if (result == TScan::Unsure && Scan(fd, file, buffer_, {}, 0, true, true) != TScan::NotUtf8) return true;
  } else {
    const TScan result = Scan(fd, file, buffer_, keys.needles, keys.longest, true, false);
    if (result != TScan::NotUtf8) return result == TScan::Found;
  }
  // UTF-16, or bytes that are not UTF-8: decode the whole file.
  fd.Rewind();
  buffer_.clear();
  ReadRest(fd, file, buffer_);
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
