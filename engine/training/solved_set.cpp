// Solved positions: a fixed set of positions from self-play games with their exact values,
// against which the static evaluation is measured in discs.
//
// Set line: "value<TAB>" and then the position line it came from ("game<TAB>discs<TAB>"
// and the board text); the value is the exact final disc difference for the side to move
// (the engine's scoring: empty squares of an early end count for nobody).
#include <cmath>
#include <cstdlib>
#include <string>

#include "api/engine.h"
#include "eval/evaluate.h"
#include "search/solver.h"
#include "training/offline.h"

namespace zedare {

int writeSolvedSet(const char* positions, const char* output, int minEmpties, int maxEmpties) {
  if (minEmpties < 1 || maxEmpties < minEmpties || maxEmpties > 60) {
    std::fprintf(stderr, "solved set: empty squares from %d to %d make no range\n", minEmpties,
                 maxEmpties);
    return kOfflineBadArgument;
  }
  InputFile in;
  if (!in.open(positions)) return kOfflineCannotOpen;
  OutputFile out;
  if (!out.open(output)) return kOfflineCannotOpen;
  EndgameSolver solver;
  const int span = maxEmpties - minEmpties + 1;
  // One position per game: the one with the game's own number of empty squares (the games
  // spread over the range in turn), the first such position with a move to play.
  int pickedGame = INT32_MIN;
  long long positionsRead = 0;
  const int status = forEachPosition(
      in, positions, positionsRead, [&](int game, int discs, const Board& board) {
        const int wanted = minEmpties + ((game % span) + span) % span;
        if (game == pickedGame || board.sideToMove == 0 || board.count(0) != wanted ||
            !board.hasLegalMove(board.sideToMove)) {
          return kOfflineDone;
        }
        pickedGame = game;
        const EndgameSolver::Result r = solver.solve(board);
        out.write(std::to_string(r.value) + "\t" + positionLine(game, discs, board), true);
        return kOfflineDone;
      });
  return out.finish(status);
}

int evaluationErrors(Engine& e, const char* set, EvalErrors& result) {
  InputFile in;
  if (!in.open(set)) return kOfflineCannotOpen;
  LineReader lines(in.get(), set);
  result = EvalErrors{};
  Board board;
  std::string why;
  double sumEval = 0, sumExact = 0, sumEvalSquares = 0, sumProducts = 0;
  while (lines.next()) {
    char* rest = nullptr;
    const long value = std::strtol(lines.text(), &rest, 10);
    int game, discs;
    if (rest == lines.text() || *rest != '\t' || value < -64 || value > 64 ||
        !parsePositionLine(rest + 1, game, discs, board, why) || board.sideToMove == 0) {
      lines.reject(why.empty() ? "expected an exact value, a tab and a position line" : why);
      return kOfflineBadInput;
    }
    e.computerColour = board.sideToMove;
    e.humanColour = -board.sideToMove;
    const double eval = evaluate1(e, board);
    const double error = eval - static_cast<double>(value);
    result.byEmpties[board.count(0)].add(error);
    result.all.add(error);
    sumEval += eval;
    sumExact += value;
    sumEvalSquares += eval * eval;
    sumProducts += eval * value;
  }
  if (lines.tooLong()) return kOfflineBadInput;
  // The least-squares line exact = slope * evaluation + intercept: a slope of 1 means the
  // evaluation's unit is the disc.
  const double n = static_cast<double>(result.all.count);
  const double variance = sumEvalSquares - sumEval * sumEval / n;
  if (n > 1 && variance > 0) {
    result.slope = (sumProducts - sumEval * sumExact / n) / variance;
    result.intercept = (sumExact - result.slope * sumEval) / n;
  }
  return kOfflineDone;
}

}  // namespace zedare
