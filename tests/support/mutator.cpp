#include "tests/support/mutator.h"

#include <cstdlib>
#include <cstring>

namespace kws::test {
namespace {

constexpr uint32_t kInteresting[] = {0, 1, 0x7F, 0x80, 0xFF, 0x100, 0x7FFF, 0x8000, 0xFFFF, 0x10000,
                                     0x7FFFFFFF, 0x80000000, 0xFFFFFFFE, 0xFFFFFFFF};
const char* const kTokens[] = {"PK\x03\x04", "PK\x01\x02", "PK\x05\x06", "PK\x07\x08",
                               "<", ">", "/>", "&#", "&amp;", "]]>", "\"", "../", "%2", "_rels/"};

}  // namespace

void Mutator::MutateOnce(std::string& s) {
  switch (Below(8)) {
    case 0:  // flip a bit
      if (!s.empty()) s[Below(s.size())] ^= static_cast<char>(1u << Below(8));
      break;
    case 1:  // set a byte
      if (!s.empty()) s[Below(s.size())] = static_cast<char>(Below(256));
      break;
    case 2: {  // an interesting 16- or 32-bit little-endian value
      const uint32_t v = kInteresting[Below(std::size(kInteresting))];
      const size_t width = Below(2) ? 4 : 2;
      if (s.size() >= width) {
        const size_t at = Below(s.size() - width + 1);
        for (size_t i = 0; i < width; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
      }
      break;
    }
    case 3:  // truncate
      s.resize(Below(s.size() + 1));
      break;
    case 4: {  // duplicate a slice
      if (s.empty()) break;
      const size_t from = Below(s.size());
      const size_t len = Below(std::min<size_t>(s.size() - from, 512) + 1);
      s.insert(Below(s.size() + 1), s.substr(from, len));
      break;
    }
    case 5: {  // remove a slice
      if (s.empty()) break;
      const size_t from = Below(s.size());
      s.erase(from, Below(std::min<size_t>(s.size() - from, 64) + 1));
      break;
    }
    case 6: {  // insert a token
      const char* t = kTokens[Below(std::size(kTokens))];
      s.insert(Below(s.size() + 1), t, std::strlen(t));
      break;
    }
    default:  // random bytes appended
      for (uint64_t i = Below(32); i > 0; --i) s.push_back(static_cast<char>(Below(256)));
      break;
  }
}

std::string Mutator::Mutate(const std::string& input) {
  std::string s = input;
  for (uint64_t n = 1 + Below(4); n > 0; --n) MutateOnce(s);
  return s;
}

std::string Mutator::Next(const std::vector<std::string>& corpus) {
  return Mutate(corpus[Below(corpus.size())]);
}

FuzzBudget FuzzBudget::FromEnvironment(double defaultSeconds, uint64_t defaultInputs) {
  FuzzBudget b{defaultSeconds, defaultInputs};
  if (const char* s = std::getenv("KWS_FUZZ_SECONDS")) b.seconds = std::atof(s);
  if (const char* n = std::getenv("KWS_FUZZ_INPUTS")) b.inputs = std::strtoull(n, nullptr, 10);
  return b;
}

}  // namespace kws::test
