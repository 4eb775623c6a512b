// The solved set and the evaluation error measured against it: the values are those of
// the independent square-by-square solver, one position per game with the game's count
// of empty squares, and the error table is the evaluation's own arithmetic.
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>

#include "../search/search_support.h"
#include "eval/evaluate.h"
#include "offline_support.h"

using namespace offline_test;

namespace {

using SolvedSet = OfflineTest;

TEST_F(SolvedSet, OnePositionPerGameWithItsExactValueAndTheErrorsOfTheEvaluation) {
  const std::string dump = path("dump.txt"), set = path("set.txt");
  ASSERT_EQ(engine().startDump(dump.c_str(), 3, 1, INT_MAX), zedare::kOfflineDone);
  ASSERT_EQ(zedare::writeSolvedSet(dump.c_str(), set.c_str(), 8, 10), zedare::kOfflineDone);
  const std::vector<std::string> lines = readLines(set);
  ASSERT_GE(lines.size(), 8u);
  std::map<int, int> games;
  double squares = 0;
  for (const std::string& line : lines) {
    const size_t tab = line.find('\t');
    const int value = std::atoi(line.c_str());
    const Position p = parsePosition(line.substr(tab + 1));
    EXPECT_EQ(++games[p.game], 1) << "one position per game";
    EXPECT_EQ(p.count(0), 8 + p.game % 3) << line;
    const zedare::Board b = p.board();
    EXPECT_EQ(value, support::solve(oracle::Position::fromBoard(b), b.sideToMove, -65, 65))
        << line;
    zedare::Engine& e = engine();
    e.computerColour = b.sideToMove;
    e.humanColour = -b.sideToMove;
    const double error = zedare::evaluate1(e, b) - value;
    squares += error * error;
  }
  zedare::EvalErrors errors;
  ASSERT_EQ(zedare::evaluationErrors(engine(), set.c_str(), errors), zedare::kOfflineDone);
  EXPECT_EQ(errors.all.count, static_cast<long long>(lines.size()));
  EXPECT_EQ(errors.byEmpties[8].count + errors.byEmpties[9].count + errors.byEmpties[10].count,
            errors.all.count);
  EXPECT_NEAR(errors.all.rms(), std::sqrt(squares / lines.size()), 1e-5);

  // A set line without its value is refused.
  std::ofstream(path("bad.txt")) << lines[0].substr(lines[0].find('\t') + 1) << "\n";
  EXPECT_EQ(zedare::evaluationErrors(engine(), path("bad.txt").c_str(), errors),
            zedare::kOfflineBadInput);
}

}  // namespace
