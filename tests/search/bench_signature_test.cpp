// Guards the search bench's node-count signature: the quick set of the bench, run here
// with the shipped model, must score exactly the stored number of positions. A change of
// search behaviour (or of the shipped model) changes it; the commit that does so updates
// bench/signature.txt and says why.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "../../bench/search_suite.h"

namespace {

// The number stored under `name` in bench/signature.txt, -1 when there is none.
long long storedSignature(const char* name) {
  std::ifstream stored(std::string(ZEDARE_SOURCE_DIR) + "/bench/signature.txt");
  std::string word;
  long long value = -1;
  while (stored >> word)
    if (word == name) stored >> value;
  return value;
}

long long signatureOf(const std::vector<bench::CaseSpec>& cases) {
  zedare::Engine model;
  model.loadModel(1, "modele", "parametry9_i15", "wzorce9_i15", 0);
  model.loadModel(2, "modele", "parametry9_i15", "wzorce9_i15", 0);
  long long signature = 0;
  for (const auto& c : cases)
    for (const auto& p : bench::positions())
      signature += bench::runCase(model, p, c.level, c.algorithm).nodes;
  return signature;
}

}  // namespace

TEST(BenchSignature, QuickSetScoresTheStoredNumberOfPositions) {
  const long long expected = storedSignature("quick");
  ASSERT_GE(expected, 0) << "no 'quick' line in bench/signature.txt";
  EXPECT_EQ(signatureOf(bench::quickCases()), expected)
      << "run `zedare_bench --quick` and update bench/signature.txt if intended";
}

TEST(BenchSignature, FastSearchQuickSetScoresTheStoredNumberOfPositions) {
  const long long expected = storedSignature("fast");
  ASSERT_GE(expected, 0) << "no 'fast' line in bench/signature.txt";
  EXPECT_EQ(signatureOf(bench::fastQuickCases()), expected)
      << "run `zedare_bench --algorithm 3 --quick` and update the 'fast' line of "
         "bench/signature.txt if intended";
}
