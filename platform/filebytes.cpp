#include "platform/filebytes.h"

#include <cstdio>
#include <istream>
#include <memory>

namespace kws {

namespace {
struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// Appends what is left of `f` in large chunks.
bool ReadRest(std::FILE* f, std::vector<uint8_t>& out) {
  constexpr size_t kChunk = size_t{1} << 20;
  for (;;) {
    size_t have = out.size();
    out.resize(have + kChunk);
    size_t got = std::fread(out.data() + have, 1, kChunk, f);
    out.resize(have + got);
    if (got < kChunk) return !std::ferror(f);
  }
}
}  // namespace

bool ReadFileBytes(const std::filesystem::path& file, std::vector<uint8_t>& out) {
  out.clear();
  std::unique_ptr<std::FILE, FileCloser> f(std::fopen(file.c_str(), "rb"));
  if (!f) return false;
  std::error_code ec;
  // A regular file is read in one call at its size; anything else (or a file that grew) in chunks.
  if (std::filesystem::is_regular_file(file, ec)) {
    uintmax_t size = std::filesystem::file_size(file, ec);
    if (!ec && size > 0 && size < (uintmax_t{1} << 40)) {
      out.resize(size_t(size));
      size_t got = std::fread(out.data(), 1, out.size(), f.get());
      out.resize(got);
      if (got < size) return !std::ferror(f.get());
    }
  }
  return ReadRest(f.get(), out);
}

std::vector<uint8_t> ReadStreamBytes(std::istream& stream) {
  constexpr size_t kChunk = size_t{1} << 20;
  std::vector<uint8_t> out;
  while (stream) {
    size_t have = out.size();
    out.resize(have + kChunk);
    stream.read(reinterpret_cast<char*>(out.data() + have), std::streamsize(kChunk));
    out.resize(have + size_t(stream.gcount()));
  }
  return out;
}

}  // namespace kws
