// A bound on the element objects one workbook load makes for the parts read into element trees
// (drawings, charts and their user shapes; pivot caches and tables). A file can name one part
// from many places or pack millions of tiny elements into a small zip: the bound keeps memory
// near what a real workbook needs and ends the reading of the part that crosses it.
#pragma once

#include <cstdint>

namespace xls {

class TXpgElementBudget {
 public:
  static constexpr int64_t kDefaultLimit = 10'000'000;
  // `what`: the message beyond the bound (a literal).
  explicit TXpgElementBudget(int64_t limit = kDefaultLimit, const char* what = "Too many drawing elements")
      : FLimit(limit), FWhat(what) {}
  // Counts one object (or `n`); raises XLSRWException with the budget's message beyond the bound.
  void Charge(int64_t n = 1) {
    if ((FUsed += n) > FLimit) Exceeded();
  }
  int64_t Used() const { return FUsed; }
  int64_t Limit() const { return FLimit; }
  // A new load: nothing used.
  void Reset() { FUsed = 0; }
  void SetLimit(int64_t limit) { FLimit = limit; }

 private:
  [[noreturn]] void Exceeded() const;
  int64_t FUsed = 0;
  int64_t FLimit;
  const char* FWhat;
};

}  // namespace xls
