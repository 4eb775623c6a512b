// The search bench's fixed position set and its runner, shared by the bench program and
// by the test that guards the node-count signature.
//
// Each case runs chooseMove (no book) from a fresh tree at a fixed level and algorithm
// with the computer to move, and records the move, the value and the positions scored
// (exactCount + evalCount). The sum of those counts over the set is the signature: any
// change of search behaviour (move ordering, pruning, scoring, the schedule) changes it.
#ifndef ZEDARE_BENCH_SEARCH_SUITE_H
#define ZEDARE_BENCH_SEARCH_SUITE_H

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "api/engine.h"
#include "search/solver.h"

namespace bench {

struct BenchPosition {
  const char* name;
  const char* squares;  // 64 characters, row 1 first: 'X' black (-1), 'O' white (+1), '-' empty
  char side;            // 'X' or 'O'
};

// Opening, middle game and endgames from 12 to 20 empty squares; the endgames marked
// "ff" are classic test positions.
inline const std::vector<BenchPosition>& positions() {
  static const std::vector<BenchPosition> list = {
      {"start", "---------------------------OX------XO---------------------------", 'X'},
      {"open48", "-----------O------OO-------OX------XXX------XO-----XXXXX-------O", 'X'},
      {"mid40", "---------XOX--O---XO-OO----XOXO----XXOOX---XXXO----XO-------O---", 'X'},
      {"mid32", "-------------X---O-XX---XXXXO---XXXXOOO-XXXXOO----XXOOO--OOO--OO", 'X'},
      {"ff59-34", "-----------------------O--OOOOO---OOOOOXOOOOXXXX--XXOOXX--XX-O-X", 'X'},
      {"ff58-30", "--XOOO----OOO----OOOXOO--OOOOXO--OXOXXX-OOXXXX----X-XX----------", 'X'},
      {"ff26-20", "-OOOOO----OXXO---OOOOXXO-OOOXOXX-OOXOOXX-XOXXOXX--O-XXXX--O----O", 'X'},
      {"ff22-17", "--OOOO--X-OOOOO-XXOOXOXXXOXOXXXXXXXOXXXX-XXOXOXX--OXXX-X----X---", 'O'},
      {"ff01-14", "--XXXXX--OOOXX-O-OOOXXOX-OXOXOXXOXXXOXXX--XOXOXX-XXXOOO--OOOOO--", 'X'},
      {"end12", "--XXXXXXXXXXXOXOOX-OXX---OXXOOO-OXOOXOOOXOOO--OXXXXOXXO-XXXOO-O-", 'X'},
  };
  return list;
}

inline void setUp(zedare::Engine& e, const BenchPosition& p) {
  e.gameBoard.occupancy = 0;
  e.gameBoard.colour = 0;
  for (int i = 0; i < 64; ++i) {
    const char ch = p.squares[i];
    e.gameBoard.setSquare(i / 8 + 1, i % 8 + 1, ch == 'X' ? -1 : ch == 'O' ? 1 : 0);
  }
  e.gameBoard.sideToMove = static_cast<int8_t>(p.side == 'X' ? -1 : 1);
  e.gameBoard.rebuildCandidates();
  e.computerColour = e.gameBoard.sideToMove;
  e.humanColour = -e.computerColour;
  e.resetTree();
}

// The kept tree's memory budget of every engine the benches make (--budget).
inline size_t treeBudget = zedare::NodeStore::kDefaultBudget;

struct CaseResult {
  std::string name;
  int level, algorithm;
  int row, column;
  float value;
  int64_t nodes;
  double seconds;
  size_t treeBytes;  // the kept tree's store at the end
};

// Weight and pattern sets 1 and 2 of `model` copied into e.
inline void takeModel(zedare::Engine& e, const zedare::Engine& model) {
  e.weights1 = model.weights1;
  e.weights2 = model.weights2;
  for (int i = 0; i < 8; ++i) {
    e.patterns1[i] = model.patterns1[i];
    e.patterns2[i] = model.patterns2[i];
  }
}

// Runs one case with the model already loaded in `model` (weight and pattern set 1 are
// copied into a fresh engine, so every case starts from the same state).
inline CaseResult runCase(const zedare::Engine& model, const BenchPosition& p, int level,
                          int algorithm) {
  zedare::Engine e;
  e.tree.setBudget(treeBudget);
  takeModel(e, model);
  setUp(e, p);
  e.level = 0;
  e.setLevel(level);
  e.algorithm = static_cast<zedare::Algorithm>(algorithm);
  const auto start = std::chrono::steady_clock::now();
  e.chooseMove(0);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return {p.name,
          level,
          algorithm,
          e.bestMove.row,
          e.bestMove.column,
          e.bestMove.value,
          static_cast<int64_t>(e.exactCount) + e.evalCount,
          seconds,
          e.tree.bytes()};
}

// The quick set: every position at levels 1 to 3 with MTD(f), and at level 1 with
// minimax and alpha-beta. Cheap enough to run as a test, also under the sanitizers.
struct CaseSpec {
  int level, algorithm;
};
inline std::vector<CaseSpec> quickCases() {
  return {{1, 2}, {2, 2}, {3, 2}, {1, 0}, {1, 1}};
}
// The fast search's quick set (its own signature, the "fast" line): levels 1 to 4.
inline std::vector<CaseSpec> fastQuickCases() {
  return {{1, 3}, {2, 3}, {3, 3}, {4, 3}};
}

// The root search of the bench's move searches, games and stops (--algorithm).
inline int algorithm = 2;

// ---- exact solves of the endgame files ----

// Solves every position of the bench's endgame files (bench/positions/*.obf) with at most
// `maxEmpties` empty squares exactly by chooseMove (the computer to move, a heuristic
// pass to depth 4 first, as a level's schedule runs it), and prints each one's time and
// value against the file's, then the median time per number of empty squares. The
// files count the empty squares of a game that ends early for the winner, the engine
// for nobody: such a position is checked against the solver under the files' rule.
inline int runEndgames(const zedare::Engine& model, int algorithm, int maxEmpties) {
  std::map<int, std::vector<double>> perEmpties;
  int wrong = 0;
  for (const char* file : {"fforum-1-19.obf", "fforum-20-39.obf", "fforum-40-59.obf"}) {
    std::ifstream in(std::string(ZEDARE_POSITIONS_DIR) + "/" + file);
    std::string line;
    int index = 0;
    while (std::getline(in, line)) {
      ++index;
      if (line.size() < 66) continue;
      BenchPosition p{"", line.c_str(), line[65]};
      const int empties = static_cast<int>(std::count(line.begin(), line.begin() + 64, '-'));
      if (empties > maxEmpties) continue;
      const int fileScore = std::stoi(line.substr(line.find(':', 66) + 1));
      zedare::Engine e;
      takeModel(e, model);
      setUp(e, p);
      e.level = 0;
      e.depth = 4;
      e.exactEmpties = e.wldEmpties = 60;
      e.algorithm = static_cast<zedare::Algorithm>(algorithm);
      const auto start = std::chrono::steady_clock::now();
      e.chooseMove(0);
      const double seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      const int value = static_cast<int>(e.bestMove.value);
      bool right = value == fileScore;
      if (!right) {  // an early end: the files' rule gives the file's score?
        zedare::EndgameSolver engineRule(zedare::EndScoring::Engine, 16),
            filesRule(zedare::EndScoring::EmptiesToWinner, 16);
        right = engineRule
                        .solve(e.root->discs(p.side == 'X' ? -1 : 1),
                               e.root->discs(p.side == 'X' ? 1 : -1))
                        .value == value &&
                filesRule
                        .solve(e.root->discs(p.side == 'X' ? -1 : 1),
                               e.root->discs(p.side == 'X' ? 1 : -1))
                        .value == fileScore;
      }
      wrong += !right;
      perEmpties[empties].push_back(seconds);
      std::printf("%s #%d: %d empty, value %d (file %d)%s, %.3f s, %d positions\n", file, index,
                  empties, value, fileScore, right ? "" : " WRONG", seconds,
                  e.exactCount + e.evalCount);
      std::fflush(stdout);
    }
  }
  for (auto& [empties, times] : perEmpties) {
    std::sort(times.begin(), times.end());
    std::printf("%d empty squares: median %.3f s, worst %.3f s over %zu positions\n", empties,
                times[times.size() / 2], times.back(), times.size());
  }
  std::printf("%d wrong values\n", wrong);
  return wrong ? 1 : 0;
}

}  // namespace bench

#endif
