// libFuzzer target over the tokenizer: every input must end in events or a clean exception, and
// the events must not depend on how the input is cut into chunks. Build and run with
// tests/xls/package/fuzz/run_libfuzzer.sh (clang).
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>

#include "xls/package/xpgreadxml.h"

namespace {

struct Digest : xls::TXpgReadXML {
  uint64_t h = 1469598103934665603ull;
  void Mix(std::string_view s) {
    for (unsigned char c : s) h = (h ^ c) * 1099511628211ull;
    h = (h ^ 0xFF) * 1099511628211ull;
  }
  void BeginTag() override {
    Mix(RawQName());
    h += int(Namespace());
    for (int i = 0; i < Attributes().Count(); ++i) {
      Mix(Attributes().RawName(i));
      Mix(Attributes().ValueBytes(i));
      h += Attributes().GetValues(i).size();
    }
    if (HasText()) h += Text().size();
  }
  void EndTag() override { Mix(RawQName()); }
  void Comment() override { Mix(CommentText()); }
};

std::pair<uint64_t, std::string> Run(std::string_view in, size_t piece) {
  Digest d;
  std::string error;
  size_t pos = 0;
  try {
    if (piece == 0) {
      d.LoadFromBytes(in);
    } else {
      d.LoadFromReader([&](char* buf, size_t count) {
        size_t n = std::min({count, piece, in.size() - pos});
        std::memcpy(buf, in.data() + pos, n);
        pos += n;
        return n;
      });
    }
  } catch (const std::exception& e) {
    error = e.what();
  }
  return {d.h, error};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  if (Run(in, 0) != Run(in, 1 + size % 7)) __builtin_trap();
  return 0;
}
