// Pattern statistics of a small hand-made game, worked out by hand: every position is
// counted under the eight symmetries, each also with colours and side inverted, against
// its game's final position transformed alike.
#include "eval/features.h"
#include "eval/model.h"
#include "matrix/matrix.h"
#include "offline_support.h"

using namespace offline_test;
using zedare::matrix;
namespace pattern = zedare::pattern;

namespace {

using Patterns = OfflineTest;

std::string line(int game, int side, std::initializer_list<std::tuple<int, int, int>> discs) {
  int squares[64] = {};
  for (const auto& [r, c, v] : discs) squares[(r - 1) * 8 + c - 1] = v;
  std::string s = std::to_string(game) + "\t" + std::to_string(discs.size()) + "\t";
  for (int v : squares) s += std::to_string(v) + " ";
  return s + " " + std::to_string(side) + "\n";
}

// The game: one position in play, black to move, and the final position.
//   P: (1,1) black, (2,1) white, (1,8) white.
//   F: corners (1,1) black, (1,8) white, (8,1) white, (8,8) black; column 1 below the
//      corner black, black, white, then empty; diagonal (2,2) white, (3,3) white,
//      (4,4) black, the rest of it empty.
const std::string kPosition = line(1, -1, {{1, 1, -1}, {2, 1, 1}, {1, 8, 1}});
const std::string kFinal = line(1, 0,
                                {{1, 1, -1},
                                 {1, 8, 1},
                                 {8, 1, 1},
                                 {8, 8, -1},
                                 {2, 1, -1},
                                 {3, 1, -1},
                                 {4, 1, 1},
                                 {2, 2, 1},
                                 {3, 3, 1},
                                 {4, 4, -1}});

}  // namespace

TEST_F(Patterns, CornerTableOfAHandMadeGame) {
  const std::string positions = path("pos.txt"), finals = path("fin.txt");
  writeText(positions, kPosition + kFinal);
  writeText(finals, kFinal);
  zedare::Engine& e = engine();
  ASSERT_EQ(e.patternStatistics(positions.c_str(), finals.c_str()), zedare::kOfflineDone);
  EXPECT_EQ(e.gameCounter, 0);

  // A2: row (side + 1) * 3 + colour of (1,1) + 2. Each corner of P and of F comes to
  // (1,1) under two of the eight symmetries; inverted images have side and colours
  // negated (F's side 0 stays 0) and the outcome negated.
  //   P plain (side -1): corner black 2x -> row 1, out -1 -1; empty corners 4x -> row 2,
  //     out (8,8) -1 -1 and (8,1) +1 +1; white corner 2x -> row 3, out +1 +1.
  //   P inverted (side +1): row 9 (+1 +1), row 8 (+1 +1 -1 -1), row 7 (-1 -1).
  //   F plain (side 0): black corners 4x -> row 4 (-1 x4); white 4x -> row 6 (+1 x4).
  //   F inverted: black corners turn white -> row 6 (+1 x4); white turn black -> row 4.
  const double expected[9][3] = {{2, -2, -1}, {4, 0, 0},   {2, 2, 1}, {8, -8, -1}, {0, 0, 0},
                                 {8, 8, 1},   {2, -2, -1}, {4, 0, 0}, {2, 2, 1}};
  const matrix& a2 = e.patterns1[pattern::A2];
  ASSERT_EQ(a2.rows(), 9);
  ASSERT_EQ(a2.cols(), 3);
  for (int i = 1; i <= 9; ++i)
    for (int j = 1; j <= 3; ++j) EXPECT_EQ(a2(i, j), expected[i - 1][j - 1]) << i << "," << j;

  // Every table counts each of the 2 positions 16 times.
  for (int t = 0; t < pattern::Count; ++t) {
    double total = 0;
    const matrix& table = e.patterns1[t];
    ASSERT_EQ(table.rows(), t == pattern::A2 ? 9 : pattern::kRows);
    for (int i = 1; i <= table.rows(); ++i) total += table(i, 1);
    EXPECT_EQ(total, 32) << "table " << t;
  }
}

TEST_F(Patterns, EdgeAndDiagonalRowsOfAHandMadeGame) {
  const std::string positions = path("pos.txt"), finals = path("fin.txt");
  writeText(positions, kPosition + kFinal);
  writeText(finals, kFinal);
  zedare::Engine& e = engine();
  ASSERT_EQ(e.patternStatistics(positions.c_str(), finals.c_str()), zedare::kOfflineDone);
  const matrix* t = e.patterns1;

  // P's column 1 read downwards, black to move: digits (colour + 1) 0, 2, then six 1s:
  // 0*1 + 2*3 + (9 + 27 + 81 + 243 + 729 + 2187) = 3282, row 3283. No other edge of P
  // reads the same, so only the identity image lands there.
  EXPECT_EQ(t[pattern::A1](3283, 1), 1);
  EXPECT_EQ(t[pattern::A1](3283, 2), -1);  // F's (1,1)
  EXPECT_EQ(t[pattern::SC1](3283, 1), 1);
  EXPECT_EQ(t[pattern::SC1](3283, 2), -1);  // F's (2,1)..(7,1): -1 -1 +1 0 0 0
  EXPECT_EQ(t[pattern::SC1](3283, 3), -1);
  // Inverted: white to move (top digit 2), digits 2, 0, six 1s:
  // 2 * 6561 + 2 + 0 + 3276 = 16400, row 16401; outcomes negated.
  EXPECT_EQ(t[pattern::A1](16401, 1), 1);
  EXPECT_EQ(t[pattern::A1](16401, 2), 1);
  EXPECT_EQ(t[pattern::SC1](16401, 2), 1);

  // P's row 1 read rightwards: digits 0, six 1s, 2: (3 + ... + 729) + 2 * 2187 = 5466,
  // row 5467; only the identity image reads it there.
  EXPECT_EQ(t[pattern::A3](5467, 1), 1);
  EXPECT_EQ(t[pattern::A3](5467, 2), -1);

  // P's diagonal: black corner then seven empties, 3279 + 0 = 3279, row 3280; the
  // identity and the transposition both keep the diagonal in place.
  EXPECT_EQ(t[pattern::A4](3280, 1), 2);
  EXPECT_EQ(t[pattern::A4](3280, 2), -2);
  EXPECT_EQ(t[pattern::PRZ](3280, 1), 2);
  EXPECT_EQ(t[pattern::PRZ](3280, 2), 2);  // twice F's (2,2)..(7,7): +1 +1 -1
  EXPECT_EQ(t[pattern::PRZ](3280, 3), 1);

  // Every plain image of P has an empty column 3 (black to move, eight 1 digits: 3280,
  // row 3281), and none of the squares those images bring to (4,3) and (5,3) holds a
  // disc in F.
  EXPECT_EQ(t[pattern::SC3](3281, 1), 8);
  EXPECT_EQ(t[pattern::SC3](3281, 2), 0);
}

TEST_F(Patterns, PositionsOfAnotherGameAreStillPairedAndCounted) {
  const std::string positions = path("pos.txt"), finals = path("fin.txt");
  writeText(positions, line(1, -1, {{1, 1, -1}}) + line(2, 1, {{1, 1, 1}}) + kFinal +
                           line(2, -1, {{2, 2, 1}}) + line(2, 0, {{8, 8, 1}}));
  writeText(finals, kFinal + line(2, 0, {{8, 8, 1}}));
  zedare::Engine& e = engine();
  ASSERT_EQ(e.patternStatistics(positions.c_str(), finals.c_str()), zedare::kOfflineDone);
  EXPECT_EQ(e.gameCounter, 1);
  double total = 0;
  for (int i = 1; i <= 9; ++i) total += e.patterns1[pattern::A2](i, 1);
  EXPECT_EQ(total, 5 * 16);

  // A line of the final-position file that is not a final position is refused.
  writeText(finals, kPosition);
  testing::internal::CaptureStderr();
  EXPECT_EQ(e.patternStatistics(positions.c_str(), finals.c_str()), zedare::kOfflineBadInput);
  EXPECT_NE(testing::internal::GetCapturedStderr().find(finals + ":1:"), std::string::npos);
}

TEST_F(Patterns, SavedTablesReadBackWithDecimalCommas) {
  const std::string positions = path("pos.txt"), finals = path("fin.txt");
  writeText(positions, kPosition + kFinal);
  writeText(finals, kFinal);
  zedare::Engine& e = engine();
  ASSERT_EQ(e.patternStatistics(positions.c_str(), finals.c_str()), zedare::kOfflineDone);
  e.patterns1[pattern::A1](1, 3) = 0.25;
  const std::string prefix = path("w");
  ASSERT_EQ(e.savePatterns(prefix.c_str()), zedare::kOfflineDone);
  EXPECT_EQ(readLines(prefix + "_A1.dat")[0], "0\t0\t0,25");
  EXPECT_EQ(readLines(prefix + "_A2.dat")[0], "2\t-2\t-1");
  for (int t = 0; t < pattern::Count; ++t) {
    matrix m;
    m.readtxt(zedare::patternPath(dir.c_str(), "w", t).c_str());
    ASSERT_EQ(m.rows(), e.patterns1[t].rows());
    ASSERT_EQ(m.cols(), 3);
    for (int i = 1; i <= m.rows(); ++i)
      for (int j = 1; j <= 3; ++j) ASSERT_EQ(m(i, j), e.patterns1[t](i, j)) << t << ":" << i;
  }
  testing::internal::CaptureStderr();
  EXPECT_EQ(e.savePatterns(path("missing/w").c_str()), zedare::kOfflineCannotOpen);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("missing/w_A1.dat"), std::string::npos);
}
