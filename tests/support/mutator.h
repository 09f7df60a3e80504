// Random mutations of byte strings for the bounded fuzz tests: bit flips, interesting integers,
// truncation, duplicated and removed slices, and inserted zip signatures. Deterministic for a
// given seed, so that a failing input can be made again from the seed and the iteration.
#pragma once

#include <chrono>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace kws::test {

class Mutator {
 public:
  explicit Mutator(uint64_t seed) : rng_(seed) {}
  // One to four mutations of `input`.
  std::string Mutate(const std::string& input);
  // A random member of `corpus`, mutated.
  std::string Next(const std::vector<std::string>& corpus);
  uint64_t Below(uint64_t n) { return n == 0 ? 0 : rng_() % n; }

 private:
  void MutateOnce(std::string& s);
  std::mt19937_64 rng_;
};

// How long and how many inputs a bounded fuzz test runs: the environment's KWS_FUZZ_SECONDS and
// KWS_FUZZ_INPUTS when set, else the defaults given.
struct FuzzBudget {
  double seconds;
  uint64_t inputs;
  static FuzzBudget FromEnvironment(double defaultSeconds, uint64_t defaultInputs);
};

// Runs `exercise` on mutated members of `corpus` until the budget is spent; returns the number
// of inputs run.
template <class F>
uint64_t RunFuzz(const FuzzBudget& budget, const std::vector<std::string>& corpus, uint64_t seed, F&& exercise) {
  Mutator mutator(seed);
  const auto start = std::chrono::steady_clock::now();
  uint64_t inputs = 0;
  while (inputs < budget.inputs &&
         std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() < budget.seconds) {
    exercise(mutator.Next(corpus));
    ++inputs;
  }
  return inputs;
}

}  // namespace kws::test
