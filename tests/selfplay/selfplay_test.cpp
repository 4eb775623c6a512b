// Self-play: the position dump and the match. Games are checked by the rules (every
// line follows from the one before by a legal move), the opening lines by the known
// number of positions reachable in the first plies, and the files by their layout.
#include <climits>
#include <filesystem>
#include <map>
#include <set>

#include "../training/offline_support.h"
#include "records/game_record.h"
#include "search/solver.h"

using namespace offline_test;
using zedare::Board;

namespace {

using SelfPlay = OfflineTest;

// The lines of a dump grouped by game number, in file order.
std::map<int, std::vector<Position>> gamesOf(const std::vector<std::string>& lines) {
  std::map<int, std::vector<Position>> games;
  for (const std::string& line : lines) {
    const Position p = parsePosition(line);
    games[p.game].push_back(p);
  }
  return games;
}

// One dumped game: `opening` opening lines from the start, then one line per move and
// the final line with side to move 0; every line one legal move after the one before.
void expectWholeGame(const std::vector<Position>& game, int opening) {
  ASSERT_GE(game.size(), static_cast<size_t>(opening + 1));
  Board start;
  start.setInitial();
  EXPECT_TRUE(sameSquares(game[0], fromBoard(start)));
  for (size_t i = 0; i < game.size(); ++i) {
    EXPECT_EQ(game[i].discs, game[i].count(1) + game[i].count(-1)) << "line " << i;
    if (i + 1 < game.size()) {
      EXPECT_NE(game[i].side, 0) << "line " << i;
    }
    if (i > 0) {
      EXPECT_EQ(game[i].discs, game[i - 1].discs + 1) << "line " << i;
      EXPECT_TRUE(oneMoveApart(game[i - 1], game[i])) << "line " << i;
    }
  }
  const Position& last = game.back();
  EXPECT_EQ(last.side, 0);
  // The game really is over: neither colour has a legal move.
  const Board end = last.board();
  EXPECT_FALSE(end.hasLegalMove(1));
  EXPECT_FALSE(end.hasLegalMove(-1));
}

}  // namespace

TEST_F(SelfPlay, DumpAtDepthOnePlaysOneGameAfterTheFirstLegalMove) {
  const std::string out = path("dump.txt");
  ASSERT_EQ(engine().startDump(out.c_str(), 1, 1, 1000), zedare::kOfflineDone);
  const auto games = gamesOf(readLines(out));
  ASSERT_EQ(games.size(), 1u);
  ASSERT_EQ(games.begin()->first, 1);
  const std::vector<Position>& game = games.begin()->second;
  expectWholeGame(game, 1);
  // The first legal move of the start position's list is black's (3, 4).
  EXPECT_EQ(game[1].at(3, 4), -1);
  EXPECT_EQ(game[1].at(4, 4), -1);
  EXPECT_EQ(game[0].side, -1);
  EXPECT_EQ(game[1].side, 1);
  EXPECT_EQ(engine().gameCounter, 2);
  EXPECT_EQ(engine().dumpCounter, 0);
  EXPECT_EQ(engine().gameBoard.sideToMove, 0);
  EXPECT_EQ(engine().openingLine, nullptr);
}

TEST_F(SelfPlay, DumpRangeWritesOnlyItsGamesAsTheFullDumpDoes) {
  const std::string full = path("full.txt"), part = path("part.txt");
  ASSERT_EQ(engine().startDump(full.c_str(), 2, 1, INT_MAX), zedare::kOfflineDone);
  EXPECT_EQ(engine().gameCounter, 4);  // three lines enumerated, one more than the last
  const auto fullGames = gamesOf(readLines(full));
  ASSERT_EQ(fullGames.size(), 3u);
  std::set<std::string> openings;
  for (const auto& [number, game] : fullGames) {
    expectWholeGame(game, 2);
    openings.insert(game[2].board().toLine());
  }
  EXPECT_EQ(openings.size(), 3u) << "each game starts from its own opening line";

  ASSERT_EQ(engine().startDump(part.c_str(), 2, 2, 2), zedare::kOfflineDone);
  EXPECT_EQ(engine().gameCounter, 4);
  const std::vector<std::string> partLines = readLines(part);
  std::vector<std::string> game2;
  for (const std::string& line : readLines(full))
    if (line.rfind("2\t", 0) == 0) game2.push_back(line);
  EXPECT_EQ(partLines, game2);

  // Game 2 opens with black's (3, 4) and white's second legal reply in list order.
  Board b;
  b.setInitial();
  b.play(3, 4, -1);
  int legalSeen = 0;
  for (int i = 0; i < b.moveCount; ++i) {
    if (b.isLegal(b.moves[i].row, b.moves[i].column, 1) && ++legalSeen == 2) {
      Board reply = b;
      reply.play(b.moves[i].row, b.moves[i].column, 1);
      EXPECT_TRUE(sameSquares(parsePosition(partLines.at(2)), fromBoard(reply)));
      break;
    }
  }
  EXPECT_EQ(legalSeen, 2);
}

TEST_F(SelfPlay, OpeningLinesAreCountedWithoutPlayingGamesOutsideTheRange) {
  // Positions reachable after 1..5 plies, divided by the four equivalent first moves.
  const long long expected[] = {1, 3, 14, 61, 349};
  const std::string out = path("none.txt");
  for (int depth = 1; depth <= 5; ++depth) {
    EXPECT_EQ(zedare::countOpeningLines(depth), expected[depth - 1]) << "depth " << depth;
    ASSERT_EQ(engine().startDump(out.c_str(), depth, INT_MAX, INT_MAX), zedare::kOfflineDone);
    EXPECT_EQ(engine().gameCounter - 1, expected[depth - 1]) << "depth " << depth;
    EXPECT_TRUE(readText(out).empty());
  }
}

TEST_F(SelfPlay, MatchAtDepthOneWritesOneGameWithItsRecordsAndResult) {
  zedare::Engine& e = engine();
  e.loadModel(2, "modele", "parametry9_i15", "wzorce9_i15", 6);
  const std::string base = path("m");
  ASSERT_EQ(e.startMatch(base.c_str(), 1), zedare::kOfflineDone);
  EXPECT_EQ(e.matchName, base + "_B1");
  EXPECT_EQ(e.gameCounter, 1);
  EXPECT_FALSE(exists(base + "_B1_2.gam"));

  const std::vector<std::string> game = readLines(base + "_B1_1.gam");
  ASSERT_GE(game.size(), 3u);
  std::istringstream header(game[0]);
  int player, current, last;
  header >> player >> current >> last;
  EXPECT_EQ(player, -1);
  EXPECT_EQ(current, last);
  ASSERT_EQ(game.size(), static_cast<size_t>(last) + 2);
  std::vector<Position> positions;
  for (size_t i = 1; i < game.size(); ++i) positions.push_back(parsePosition(game[i], false));
  Board start;
  start.setInitial();
  EXPECT_TRUE(sameSquares(positions[0], fromBoard(start)));
  for (size_t i = 1; i < positions.size(); ++i) {
    EXPECT_TRUE(oneMoveApart(positions[i - 1], positions[i])) << "position " << i;
  }
  const Position& final = positions.back();
  EXPECT_EQ(final.side, 0);

  const std::vector<std::string> results = readLines(base + "_B1_wyniki.txt");
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0],
            "1\t" + std::to_string(final.count(1)) + "\t" + std::to_string(final.count(-1)));

  // One feature record per position played from (the opening move's is not one) and
  // one for the final position, which carries only discs, side and difference.
  const std::vector<std::string> records = readLines(base + "_B1_oceny.txt");
  ASSERT_EQ(records.size(), positions.size() - 1);
  for (size_t i = 0; i < records.size(); ++i) {
    const std::vector<std::string> f = fields(records[i], '\t');
    ASSERT_EQ(f.size(), 21u);
    EXPECT_EQ(f[0], "1");
    EXPECT_EQ(std::stoi(f[1]), positions[i + 1].count(1) + positions[i + 1].count(-1));
    EXPECT_EQ(std::stoi(f[3]), positions[i + 1].count(1) - positions[i + 1].count(-1));
  }
  const std::vector<std::string> f = fields(records.back(), '\t');
  EXPECT_EQ(f[2], "0");
  for (int k = 5; k <= 20; ++k) EXPECT_EQ(f[k - 1], "0") << "field " << k;
  EXPECT_EQ(e.resultsFile, nullptr);
  EXPECT_EQ(e.evaluationsFile, nullptr);
}

TEST_F(SelfPlay, MatchFilesAreNamedByComputerColourAndDepthAndNumberedFromOne) {
  zedare::Engine& e = engine();
  e.loadModel(2, "modele", "parametry9_i15", "wzorce9_i15", 3);
  e.computerColour = -1;
  e.humanColour = 1;
  const std::string base = path("m");
  ASSERT_EQ(e.startMatch(base.c_str(), 2), zedare::kOfflineDone);
  const std::vector<std::string> results = readLines(base + "_C2_wyniki.txt");
  ASSERT_EQ(results.size(), 3u);
  for (int g = 1; g <= 3; ++g) {
    const std::vector<std::string> r = fields(results[g - 1], '\t');
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0], std::to_string(g));
    const std::vector<std::string> game = readLines(base + "_C2_" + std::to_string(g) + ".gam");
    ASSERT_FALSE(game.empty());
    EXPECT_EQ(game[0].substr(0, 2), "1 ") << "the header carries the human's colour";
    const Position final = parsePosition(game.back(), false);
    EXPECT_EQ(r[1], std::to_string(final.count(-1)));  // the computer's discs first
    EXPECT_EQ(r[2], std::to_string(final.count(1)));
  }
  EXPECT_FALSE(exists(base + "_C2_4.gam"));
  int previous = 0;
  for (const std::string& line : readLines(base + "_C2_oceny.txt")) {
    const int game = std::stoi(line);
    EXPECT_TRUE(game == previous || game == previous + 1);
    previous = game;
  }
  EXPECT_EQ(previous, 3);
}

TEST_F(SelfPlay, OutputsThatCannotBeOpenedPlayNothing) {
  zedare::Engine& e = engine();
  e.gameCounter = 77;
  testing::internal::CaptureStderr();
  EXPECT_EQ(e.startDump(path("missing/dump.txt").c_str(), 1, 1, 1), zedare::kOfflineCannotOpen);
  EXPECT_EQ(e.startMatch(path("missing/m").c_str(), 1), zedare::kOfflineCannotOpen);
  // The results file opens but the evaluations file cannot (a folder has its name): the
  // first one is closed again and nothing is played.
  ASSERT_TRUE(std::filesystem::create_directory(path("m_B1_oceny.txt")));
  EXPECT_EQ(e.startMatch(path("m").c_str(), 1), zedare::kOfflineCannotOpen);
  const std::string messages = testing::internal::GetCapturedStderr();
  EXPECT_NE(messages.find("missing/dump.txt"), std::string::npos);
  EXPECT_NE(messages.find("m_B1_oceny.txt"), std::string::npos);
  EXPECT_EQ(e.gameCounter, 77);
  EXPECT_EQ(e.resultsFile, nullptr);
  EXPECT_EQ(e.evaluationsFile, nullptr);
  EXPECT_FALSE(exists(path("m_B1_1.gam")));
  EXPECT_EQ(e.startDump(path("d.txt").c_str(), -1, 1, 1), zedare::kOfflineBadArgument);
}

TEST_F(SelfPlay, AStopRequestEndsTheRunBetweenGamesLeavingWholeGames) {
  zedare::Engine& e = engine();
  const std::string full = path("full.txt"), cut = path("cut.txt");
  ASSERT_EQ(e.startDump(full.c_str(), 2, 1, INT_MAX), zedare::kOfflineDone);

  // The request arrives while game 1 is reported as done; game 2 is not started.
  zedare::setOfflineProgressHook(
      [](void*, const zedare::OfflineProgress& p) {
        if (std::string(p.unit) == "games" && p.done == 1) zedare::requestOfflineStop();
      },
      nullptr);
  EXPECT_EQ(e.startDump(cut.c_str(), 2, 1, INT_MAX), zedare::kOfflineInterrupted);
  std::vector<std::string> game1;
  for (const std::string& line : readLines(full))
    if (line.rfind("1\t", 0) == 0) game1.push_back(line);
  EXPECT_EQ(readLines(cut), game1);

  zedare::clearOfflineStop();
  e.loadModel(2, "modele", "parametry9_i15", "wzorce9_i15", 1);
  const std::string base = path("m");
  EXPECT_EQ(e.startMatch(base.c_str(), 2), zedare::kOfflineInterrupted);
  EXPECT_EQ(readLines(base + "_B2_wyniki.txt").size(), 1u);
  EXPECT_TRUE(exists(base + "_B2_1.gam"));
  EXPECT_FALSE(exists(base + "_B2_2.gam"));
  EXPECT_EQ(e.resultsFile, nullptr);
}

TEST_F(SelfPlay, ProgressCountsGamesOfTheRangeAndTheirMoves) {
  struct Seen {
    long long done = 0, total = 0, positions = 0;
  } seen;
  zedare::setOfflineProgressHook(
      [](void* context, const zedare::OfflineProgress& p) {
        auto* s = static_cast<Seen*>(context);
        s->done = p.done;
        s->total = p.total;
        s->positions = p.positions;
      },
      &seen);
  const std::string out = path("dump.txt");
  ASSERT_EQ(engine().startDump(out.c_str(), 3, 5, 7), zedare::kOfflineDone);
  EXPECT_EQ(seen.done, 3);
  EXPECT_EQ(seen.total, 3);
  // Every played-out position but the final and the opening ones is one move.
  const auto games = gamesOf(readLines(out));
  long long moves = 0;
  for (const auto& [number, game] : games) moves += static_cast<long long>(game.size()) - 3 - 1;
  EXPECT_EQ(seen.positions, moves);
}

// A dump that finishes its games by perfect play: each game's result is the exact value
// of its first position with that many empty squares, which level 1 on its own misses in
// some of the games.
TEST_F(SelfPlay, PerfectPlayFromTheThresholdGivesTheExactResult) {
  const int threshold = 12;
  int games = 0, missedByLevel1 = 0;
  for (const int perfectFrom : {threshold, 0}) {
    const std::string out = path("perfect" + std::to_string(perfectFrom) + ".txt");
    engine().dumpPerfectFrom = perfectFrom;
    ASSERT_EQ(engine().startDump(out.c_str(), 3, 1, INT_MAX), zedare::kOfflineDone);
    for (const auto& [number, game] : gamesOf(readLines(out))) {
      expectWholeGame(game, 3);
      auto at = std::find_if(game.begin(), game.end(), [](const Position& p) {
        return p.side != 0 && p.count(0) <= threshold;
      });
      ASSERT_NE(at, game.end());
      zedare::EndgameSolver solver;
      const int exact = solver.solve(at->board()).value;
      const int mine = game.back().count(at->side), theirs = game.back().count(-at->side);
      const int result = theirs == 0 ? 64 : mine == 0 ? -64 : mine - theirs;
      if (perfectFrom) {
        EXPECT_EQ(result, exact) << "game " << number;
        ++games;
      } else if (result != exact) {
        ++missedByLevel1;
      }
    }
  }
  EXPECT_GE(games, 8);
  EXPECT_GE(missedByLevel1, 1);
}
