// Guards the search bench's node-count signature: the quick set of the bench, run here
// with the shipped model, must score exactly the stored number of positions. A change of
// search behaviour (or of the shipped model) changes it; the commit that does so updates
// bench/signature.txt and says why.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "../../bench/search_suite.h"

TEST(BenchSignature, QuickSetScoresTheStoredNumberOfPositions) {
  std::ifstream stored(std::string(ZEDARE_SOURCE_DIR) + "/bench/signature.txt");
  ASSERT_TRUE(stored.good()) << "bench/signature.txt is missing";
  std::string word;
  long long expected = -1;
  while (stored >> word)
    if (word == "quick") stored >> expected;
  ASSERT_GE(expected, 0) << "no 'quick' line in bench/signature.txt";

  zedare::Engine model;
  model.loadModel(1, "modele", "parametry9_i15", "wzorce9_i15", 0);
  model.loadModel(2, "modele", "parametry9_i15", "wzorce9_i15", 0);
  long long signature = 0;
  for (const auto& c : bench::quickCases())
    for (const auto& p : bench::positions())
      signature += bench::runCase(model, p, c.level, c.algorithm).nodes;
  EXPECT_EQ(signature, expected)
      << "run `zedare_bench --quick` and update bench/signature.txt if intended";
}
