// Self-play: the match between weight sets 1 and 2 and the position dump.
//
// Both walk every opening line up to a depth from the start position (only the first
// legal move at ply 1, since the four first moves lead to the same position turned
// round) and play each line out with chooseMove, without books. The match writes one
// results line per game, a feature record per position and a game file per game; the
// dump writes every position of the games whose numbers lie in a range.
//
// Output is written a whole game at a time and flushed, and a stop request is honoured
// only between games, so an interrupted run leaves complete games behind.
#include <algorithm>
#include <memory>
#include <string>

#include "api/engine.h"
#include "eval/model.h"
#include "records/offline_run.h"
#include "search/solver.h"

namespace zedare {

namespace {

// Progress of the run in this thread (a match or a dump is one run at a time).
struct RunCounters {
  long long total = 0;      // games the run will play
  long long done = 0;       // games played
  long long positions = 0;  // moves played in them
  std::string dumpPath;     // the dump file's name, for messages
};
thread_local RunCounters run;
// The solver of a dump that finishes its games by perfect play.
thread_local std::unique_ptr<EndgameSolver> perfectPlay;

long long countLines(Board p, int ply, int depth, int passed) {
  if (ply > depth) return 1;
  const int s = p.sideToMove;
  if (p.hasLegalMove(s)) {
    const Board q(p);
    long long n = 0;
    for (int i = 0; i < q.moveCount; ++i) {
      if (!p.play(q.moves[i].row, q.moves[i].column, s)) continue;
      n += countLines(p, ply + 1, depth, 0);
      p = q;
      if (ply == 1) break;
    }
    return n;
  }
  if (passed) return 0;
  p.pass();
  return countLines(p, ply, depth, 1);
}

// Plays the game on the game board to its end, in pairs of turns: the human's then the
// computer's, or the computer's first when it is to move. A turn without a legal move is
// a pass; the game ends after a pair in which neither side could move. `before` is
// called with the turn's colour before each move is chosen. With a solver, the moves
// from e.dumpPerfectFrom empty squares on are its best moves instead of chooseMove's.
template <typename BeforeMove>
void playOut(Engine& e, BeforeMove before, EndgameSolver* perfect = nullptr) {
  const bool computerFirst = e.gameBoard.sideToMove == e.computerColour;
  const int order[2] = {computerFirst ? e.computerColour : e.humanColour,
                        computerFirst ? e.humanColour : e.computerColour};
  for (;;) {
    bool moved = false;
    for (const int q : order) {
      if (e.gameBoard.hasLegalMove(q)) {
        before(q);
        if (perfect && e.gameBoard.count(0) <= e.dumpPerfectFrom) {
          const EndgameSolver::Result r = perfect->solve(e.gameBoard.discs(q), e.gameBoard.discs(-q));
          e.bestMove = MoveEntry{MoveFlag::Legal, static_cast<int8_t>(r.square / 8 + 1),
                                 static_cast<int8_t>(r.square % 8 + 1), static_cast<float>(r.value),
                                 nullptr};
        } else {
          e.chooseMove(0);
        }
        if (playChosenMove(e, q)) {
          moved = true;
          ++run.positions;
        }
      } else {
        passTurn(e);
      }
    }
    if (!moved) break;
  }
}

bool flushed(std::FILE* f, const std::string& what) {
  if (std::fflush(f) == 0 && !std::ferror(f)) return true;
  std::fprintf(stderr, "%s: write failed\n", what.c_str());
  return false;
}

// One match game from P: every position with a move is stored in the match record and
// written as a feature record before its move; weight set 1 plays the human's side and
// set 2 the computer's.
int playMatchGame(Engine& e, const Board& p) {
  if (offlineStopRequested()) return kOfflineInterrupted;
  ++e.gameCounter;
  e.gameBoard = p;
  e.resetTree();
  playOut(e, [&e](int q) {
    e.matchRecord.store(e.gameBoard, e.humanColour);
    writeFeatureRecord(e, e.evaluationsFile, e.gameCounter, e.gameBoard);
    e.evalVariant = q == e.humanColour ? 1 : 2;
    if (e.matchSidesSet) {
      const Engine::SearchSettings& side = e.matchSides[q == e.humanColour ? 0 : 1];
      e.algorithm = side.algorithm;
      e.moveTime = side.moveTime;
    }
  });
  e.gameBoard.sideToMove = 0;
  e.matchRecord.store(e.gameBoard, e.humanColour);
  writeFeatureRecord(e, e.evaluationsFile, e.gameCounter, e.gameBoard);
  std::fprintf(e.resultsFile, "%i\t%i\t%i\n", e.gameCounter, e.gameBoard.count(e.computerColour),
               e.gameBoard.count(e.humanColour));
  if (!flushed(e.resultsFile, e.matchName + "_wyniki.txt") ||
      !flushed(e.evaluationsFile, e.matchName + "_oceny.txt")) {
    return kOfflineWriteFailed;
  }
  const std::string gamePath = e.matchName + "_" + std::to_string(e.gameCounter) + ".gam";
  if (!e.matchRecord.save(gamePath.c_str())) {
    std::fprintf(stderr, "%s: cannot write the game file\n", gamePath.c_str());
    return kOfflineWriteFailed;
  }
  ++run.done;
  reportOfflineProgress("games", run.done, run.total, run.positions);
  return kOfflineDone;
}

// One step of the walk over the opening lines from P at a ply: every legal move of the
// side to move, in list order (only the first at ply 1, the four first moves being the
// same position turned round), each played and followed by `next` at the next ply; a
// pass, followed by `next` at the same ply, when the side cannot move; nothing when
// neither side can. `before` sees P before each move.
template <typename BeforeMove, typename Next>
int openingStep(Engine& e, int ply, Board& p, int passed, BeforeMove before, Next next) {
  const int s = p.sideToMove == e.humanColour ? e.humanColour : e.computerColour;
  if (p.hasLegalMove(s)) {
    const Board q(p);
    for (int i = 0; i < q.moveCount; ++i) {
      const MoveEntry& m = q.moves[i];
      if (!p.isLegal(m.row, m.column, s)) continue;
      before(p);
      p.play(m.row, m.column, s);
      if (const int status = next(ply + 1, p, 0)) return status;
      p = q;
      if (ply == 1) break;
    }
    return kOfflineDone;
  }
  if (passed) return kOfflineDone;
  p.pass();
  return next(ply, p, 1);
}

}  // namespace

long long countOpeningLines(int depth) {
  Board start;
  start.setInitial();
  return countLines(start, 1, depth, 0);
}

int Engine::startMatch(const char* name, int depth) {
  if (depth < 0) {
    std::fprintf(stderr, "match: the depth must not be negative (%d)\n", depth);
    return kOfflineBadArgument;
  }
  matchName = std::string(name) + (computerColour == -1 ? "_C" : "_B") + std::to_string(depth);
  const std::string resultsPath = matchName + "_wyniki.txt";
  const std::string evaluationsPath = matchName + "_oceny.txt";
  resultsFile = std::fopen(resultsPath.c_str(), "w");
  if (!resultsFile) {
    reportCannotOpen(resultsPath.c_str(), true);
    return kOfflineCannotOpen;
  }
  evaluationsFile = std::fopen(evaluationsPath.c_str(), "w");
  if (!evaluationsFile) {
    reportCannotOpen(evaluationsPath.c_str(), true);
    std::fclose(resultsFile);
    resultsFile = nullptr;
    return kOfflineCannotOpen;
  }
  gameBoard.setInitial();
  record.reset();
  resetTree();
  lastRow = lastColumn = 0;
  matchRecord.reset();
  matchDepth = depth;
  gameCounter = 0;
  run = RunCounters{countOpeningLines(depth), 0, 0, {}};
  int status = matchNode(1, gameBoard, 0);
  status = closeOfflineOutput(resultsFile, resultsPath.c_str(), status);
  return closeOfflineOutput(evaluationsFile, evaluationsPath.c_str(), status);
}

int Engine::matchNode(int ply, Board p, int passed) {
  if (ply > matchDepth) return playMatchGame(*this, p);
  return openingStep(
      *this, ply, p, passed, [this](const Board& before) { matchRecord.store(before, humanColour); },
      [this](int nextPly, const Board& after, int pass) { return matchNode(nextPly, after, pass); });
}

int Engine::startDump(const char* name, int depth, int first, int last) {
  if (depth < 0) {
    std::fprintf(stderr, "dump: the depth must not be negative (%d)\n", depth);
    return kOfflineBadArgument;
  }
  dumpFile = std::fopen(name, "w");
  if (!dumpFile) {
    reportCannotOpen(name, true);
    return kOfflineCannotOpen;
  }
  gameBoard.setInitial();
  record.reset();
  resetTree();
  lastRow = lastColumn = 0;
  dumpDepth = depth;
  gameCounter = 1;
  dumpFirst = first;
  dumpLast = last;
  delete[] openingLine;
  openingLine = new Board[depth + 1];
  dumpCounter = 0;
  // One solver for the whole dump: what its table learns holds for every game.
  if (dumpPerfectFrom > 0) perfectPlay = std::make_unique<EndgameSolver>();
  const long long lines = countOpeningLines(depth);
  const long long from = std::max(first, 1), to = std::min<long long>(last, lines);
  run = RunCounters{std::max(0LL, to - from + 1), 0, 0, name};
  const int status = dumpNode(1, gameBoard, 0);
  delete[] openingLine;
  openingLine = nullptr;
  perfectPlay.reset();
  return closeOfflineOutput(dumpFile, name, status);
}

int Engine::dumpNode(int ply, Board p, int passed) {
  if (ply > dumpDepth) {
    if (gameCounter < dumpFirst || gameCounter > dumpLast) {
      ++gameCounter;
      return kOfflineDone;
    }
    if (offlineStopRequested()) return kOfflineInterrupted;
    gameBoard = p;
    resetTree();
    // The game's lines are collected and written together, so the file never ends
    // inside a game.
    std::string text;
    for (int i = 1; i <= dumpDepth; ++i) {
      text += positionLine(gameCounter, openingLine[i].discCount, openingLine[i]);
    }
    playOut(
        *this, [this, &text](int) { text += positionLine(gameCounter, gameBoard.discCount, gameBoard); },
        perfectPlay.get());
    gameBoard.sideToMove = 0;
    text += positionLine(gameCounter, gameBoard.discCount, gameBoard);
    std::fputs(text.c_str(), dumpFile);
    if (!flushed(dumpFile, run.dumpPath)) return kOfflineWriteFailed;
    ++gameCounter;
    ++run.done;
    reportOfflineProgress("games", run.done, run.total, run.positions);
    return kOfflineDone;
  }
  return openingStep(
      *this, ply, p, passed, [this, ply](const Board& before) { openingLine[ply] = before; },
      [this](int nextPly, const Board& after, int pass) { return dumpNode(nextPly, after, pass); });
}

}  // namespace zedare
