// The whole training chain at small size: a dump, its final positions, pattern
// statistics and files, feature rows, fitted and smoothed weights, and a game played
// with the model loaded back from those files.
#include <climits>

#include "eval/features.h"
#include "eval/model.h"
#include "matrix/matrix.h"
#include "offline_support.h"

using namespace offline_test;
using zedare::matrix;

namespace {

using Pipeline = OfflineTest;

matrix readMatrix(const std::string& path) {
  matrix m;
  m.readtxt(path.c_str());
  return m;
}

}  // namespace

TEST_F(Pipeline, DumpToPlayableModel) {
  zedare::Engine& e = engine();
  const std::string dump = path("dump.txt"), finals = path("finals.txt"), rows = path("rows.txt");
  ASSERT_EQ(e.startDump(dump.c_str(), 2, 1, INT_MAX), zedare::kOfflineDone);
  const std::vector<std::string> positions = readLines(dump);

  ASSERT_EQ(e.extractFinalPositions(dump.c_str(), finals.c_str()), zedare::kOfflineDone);
  const std::vector<std::string> finalLines = readLines(finals);
  ASSERT_EQ(finalLines.size(), 3u);
  for (int g = 1; g <= 3; ++g) EXPECT_EQ(parsePosition(finalLines[g - 1]).game, g);

  ASSERT_EQ(e.patternStatistics(dump.c_str(), finals.c_str()), zedare::kOfflineDone);
  EXPECT_EQ(e.gameCounter, 0) << "the two files are in step";
  const std::string prefix = path("wzorce9_i15");
  ASSERT_EQ(e.savePatterns(prefix.c_str()), zedare::kOfflineDone);

  // Feature rows with the new tables: one per position, in order.
  ASSERT_EQ(e.writeFeatureRows(dump.c_str(), rows.c_str()), zedare::kOfflineDone);
  const std::vector<std::string> rowLines = readLines(rows);
  ASSERT_EQ(rowLines.size(), positions.size());
  for (size_t i = 0; i < rowLines.size(); ++i) {
    const Position p = parsePosition(positions[i]);
    const std::vector<std::string> f = fields(rowLines[i], '\t');
    ASSERT_EQ(f.size(), 20u);
    EXPECT_EQ(std::stoi(f[0]), p.game);
    EXPECT_EQ(std::stoi(f[1]), p.discs);
    EXPECT_EQ(std::stoi(f[2]), p.side);
  }

  const std::string weights = path("parametry9_i15_0");
  testing::internal::CaptureStdout();
  ASSERT_EQ(e.fitWeights(rows.c_str(), weights.c_str(), 0, path("err.txt").c_str()),
            zedare::kOfflineDone);
  testing::internal::GetCapturedStdout();
  ASSERT_EQ(e.smoothWeights((weights + ".dat").c_str(), 5, 64, 5, (weights + ".dat").c_str()),
            zedare::kOfflineDone);
  const matrix w = readMatrix(weights + ".dat");
  EXPECT_EQ(w.rows(), 18);
  EXPECT_EQ(w.cols(), 64);

  // The model loads from the written files as the game loads its own (the text keeps
  // ten significant digits), and plays.
  zedare::Engine player;
  player.loadModel(1, dir.c_str(), "parametry9_i15", "wzorce9_i15", 0);
  for (int t = 0; t < zedare::pattern::Count; ++t) {
    ASSERT_EQ(player.patterns1[t].rows(), e.patterns1[t].rows());
    for (int i = 1; i <= e.patterns1[t].rows(); ++i)
      ASSERT_NEAR(player.patterns1[t](i, 3), e.patterns1[t](i, 3), 1e-9) << t << ":" << i;
  }
  player.setLevel(1);
  int moves[2] = {0, 0};
  for (int passes = 0; passes < 2;) {
    const int side = player.gameBoard.sideToMove;
    if (!player.gameBoard.hasLegalMove(side)) {
      zedare::passTurn(player);
      ++passes;
      continue;
    }
    passes = 0;
    player.chooseMove(0);
    ASSERT_EQ(player.bestMove.flag, zedare::MoveFlag::Legal);
    ASSERT_EQ(zedare::playChosenMove(player, side), 1);
    ++moves[side > 0];
  }
  EXPECT_GT(moves[0], 0);
  EXPECT_GT(moves[1], 0);
  EXPECT_EQ(player.dumpCounter, 0) << "every chosen move was played";
  EXPECT_EQ(player.gameBoard.discCount, 4 + moves[0] + moves[1]);
}
