// tools/style_stats on games whose leaning is known: both sides take the move that
// leaves them the most discs (or the fewest) after a random opening. The tool must find
// every such choice, lean the right way on discs, and give the exact average that the
// definition yields, worked out here from the games themselves.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "board/board.h"
#include "training/offline.h"

namespace {

namespace fs = std::filesystem;

enum class Policy { MostDiscs, FewestDiscs };

constexpr int kDepth = 4;     // random plies, left out by the tool like a dump's opening
constexpr int kEndgame = 12;  // choices with this many empty squares or fewer are left out

int discDifferenceAfter(const zedare::Board& b, int square, int mover) {
  zedare::Board child = b;
  child.play(square / 8 + 1, square % 8 + 1, mover);
  return child.count(mover) - child.count(-mover);
}

struct Expected {
  long long choices = 0;
  double discsLeanSum = 0;  // over the choices where the moves differ on discs
  long long discsLeanCount = 0;
};

// Writes `games` games in the dump's layout (each position before its move with the
// side about to move, then the final position with side 0) and works out what the tool
// must report on discs.
Expected writeGames(const std::string& path, Policy policy, int games, unsigned seed) {
  std::mt19937 random(seed);
  std::ofstream out(path);
  Expected e;
  for (int game = 1; game <= games; ++game) {
    zedare::Board b;
    b.setInitial();
    int side = b.sideToMove;
    for (int ply = 0;; ++ply) {
      if (!b.hasLegalMove(side)) {
        side = -side;
        if (!b.hasLegalMove(side)) break;
      }
      b.sideToMove = static_cast<int8_t>(side);
      const int total = b.count(1) + b.count(-1);
      out << zedare::positionLine(game, total, b);
      std::vector<int> moves;
      for (uint64_t m = b.legalMask(side); m; m &= m - 1) moves.push_back(std::countr_zero(m));
      int chosen = moves[random() % moves.size()];
      if (ply >= kDepth) {
        std::vector<int> after;  // the mover's disc difference after each move
        for (int sq : moves) after.push_back(discDifferenceAfter(b, sq, side));
        const auto lo = std::min_element(after.begin(), after.end());
        const auto hi = std::max_element(after.begin(), after.end());
        // The first square (in square order) that gives the policy's value.
        const size_t pick = (policy == Policy::MostDiscs ? hi : lo) - after.begin();
        chosen = moves[pick];
        if (64 - total > kEndgame && moves.size() >= 2) {
          ++e.choices;
          if (*hi != *lo) {
            double mean = 0;
            for (int d : after) mean += double(d) / double(after.size());
            e.discsLeanSum += (after[pick] - mean) / double(*hi - *lo);
            ++e.discsLeanCount;
          }
        }
      }
      b.play(chosen / 8 + 1, chosen % 8 + 1, side);
      side = -side;
    }
    b.sideToMove = 0;
    out << zedare::positionLine(game, b.count(1) + b.count(-1), b);
  }
  return e;
}

// Runs the tool; its output fields, or none when it failed.
std::vector<double> runTool(const std::string& positions, int* status = nullptr) {
  const std::string output = positions + ".out";
  const std::string command = std::string(ZEDARE_STYLE_STATS_TOOL) + " " + positions + " modele " +
                              std::to_string(kDepth) + " " + std::to_string(kEndgame) + " > " +
                              output + " 2> /dev/null";
  const int s = std::system(command.c_str());
  if (status) *status = s;
  std::vector<double> fields;
  if (s != 0) return fields;
  std::ifstream in(output);
  for (double v; in >> v;) fields.push_back(v);
  return fields;
}

class StyleStats : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("style_stats_test_" + std::to_string(::getpid()));
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }
  std::string file(const char* name) const { return (folder_ / name).string(); }
  fs::path folder_;
};

// Fields: 7 averages, then lean and standard error for discs, mobility, stable discs,
// frontier, corners, edges, patterns, corner threats, then the number of choices.
constexpr int kDiscsLean = 7, kDiscsError = 8, kChoices = 23;

TEST_F(StyleStats, FindsEveryChoiceAndItsLeaningOnDiscs) {
  for (Policy policy : {Policy::MostDiscs, Policy::FewestDiscs}) {
    const bool most = policy == Policy::MostDiscs;
    SCOPED_TRACE(most ? "most discs" : "fewest discs");
    const std::string path = file(most ? "most.txt" : "fewest.txt");
    const Expected e = writeGames(path, policy, 40, most ? 1 : 2);
    const std::vector<double> f = runTool(path);
    ASSERT_EQ(f.size(), 24u);
    EXPECT_EQ(static_cast<long long>(f[kChoices]), e.choices);
    ASSERT_GT(e.discsLeanCount, 0);
    EXPECT_NEAR(f[kDiscsLean], e.discsLeanSum / double(e.discsLeanCount), 0.0005);
    if (most) {
      EXPECT_GT(f[kDiscsLean], 0.3);
    } else {
      EXPECT_LT(f[kDiscsLean], -0.3);
    }
    EXPECT_GT(f[kDiscsError], 0.0);
    EXPECT_LT(f[kDiscsError], 0.05);
  }
}

TEST_F(StyleStats, RefusesAMalformedFileAndAMissingOne) {
  const std::string bad = file("bad.txt");
  std::ofstream(bad) << "1\t4\tnot a board\n";
  int status = 0;
  EXPECT_TRUE(runTool(bad, &status).empty());
  EXPECT_NE(status, 0);
  EXPECT_TRUE(runTool(file("missing.txt"), &status).empty());
  EXPECT_NE(status, 0);
}

}  // namespace
