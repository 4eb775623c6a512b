// Engine: one game in progress and everything the computer needs to play it: the game
// board and its record, the search tree kept between moves, the level settings, the
// loaded evaluation data and the scratch storage of the evaluation (its EvalContext
// part) and the search.
//
// The instance is driven through the exported command codes (exports.cpp). Two threads
// may use it at once: while the worker thread is inside a move search or background
// thinking, the user-interface thread reads and clears the two stop flags (atomic, the
// only data shared during a search) and paints from the game board, the last move and
// the chosen move's value. Those three change only before and after a search (a move
// played, a pass, a new game), and every change and every painter's read of them holds
// `boardLock` for the few instructions it takes; the search itself locks nothing.
#ifndef ZEDARE_API_ENGINE_H
#define ZEDARE_API_ENGINE_H

#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "api/levels.h"
#include "board/board.h"
#include "eval/context.h"
#include "matrix/matrix.h"
#include "records/game_record.h"
#include "search/fast_search.h"
#include "search/leaf_cache.h"
#include "search/node_store.h"
#include "search/search.h"

namespace zedare {

constexpr int kPlySlots = 30;

// Called before every root search with its mode, leaf depth and kept depth (tests and
// tools use it to see the schedule the game control runs).
using SearchObserver = void (*)(void* context, SearchMode mode, int leafDepth, int keptDepth);

struct Engine : EvalContext {
  int level = 3;
  int evalVariant = 1;  // 1: evaluation over weight set 1; otherwise weight set 2
  int openingBookLimit = 0;
  int continuationLimit = 0;
  int depth = 0;
  int exactEmpties = 0;
  int wldEmpties = 0;
  int lastRow = 0;
  int lastColumn = 0;
  std::atomic<int> searching{0};
  std::atomic<int> pondering{0};
  Algorithm algorithm = Algorithm::Mtdf;
  int keptDepth = 4;
  MoveEntry bestMove{MoveFlag::Illegal, 0, 0, 0.0f, nullptr};
  int exactCount = 0;
  int evalCount = 0;
  int gameCounter = 0;

  SearchObserver searchObserver = nullptr;
  void* searchObserverContext = nullptr;

  SearchMode searchMode = SearchMode::Heuristic;
  int leafDepth = 0;
  // The kept tree's boards, root included, within the store's memory budget.
  NodeStore tree;
  Board* root = nullptr;  // a board of `tree`; never null after construction
  Board plySlots[kPlySlots];
  // Leaf values of the current search (forgotten when each search starts).
  LeafCache leafCache;
  // Counts MTD(f) searches; bounds stored under another count are unknown (Board).
  // Whether a search ended because memory ran out (it ends as if stopped) is
  // tree.failed(), cleared when the next move search or background thinking starts.
  uint32_t boundEpoch = 0;
  // The fast search's table and solver, made on its first search (so an engine that
  // never uses it keeps no more memory) and kept until the engine ends; a new game
  // forgets what they hold.
  std::unique_ptr<FastSearch> fast;
  // Milliseconds a move search may take (ZEDARE_SET_MOVE_TIME), 0 for no limit. The fast
  // search uses the time to search deeper and solve the end earlier; the others only
  // stop when it is over.
  int moveTime = 0;

  // Offline operations (self-play, books, training).
  int bookMaxPly = 0;
  int dumpDepth = 0;
  std::FILE* evaluationsFile = nullptr;
  std::FILE* dumpFile = nullptr;
  std::FILE* trainingFile = nullptr;
  int dumpFirst = 0;
  int dumpLast = 0;
  Board* openingLine = nullptr;  // owned array of dumpDepth + 1 boards
  std::string matchName;
  int matchDepth = 0;
  std::FILE* resultsFile = nullptr;
  GameRecord matchRecord;
  // The root search and move time of each side of a self-play match: [0] weight set 1
  // (the human's side), [1] set 2. Each move of a match takes its side's.
  struct SearchSettings {
    Algorithm algorithm = Algorithm::Mtdf;
    int moveTime = 0;
  };
  SearchSettings matchSides[2];
  bool matchSidesSet = false;
  int dumpCounter = 0;
  // Offline only: a dump finishes its games by perfect play (the exact endgame solver,
  // for both sides) from this many empty squares on; 0 never.
  int dumpPerfectFrom = 0;

  matrix workMatrices[7];

  Board gameBoard;
  GameRecord record;
  // Guards gameBoard, lastRow/lastColumn and bestMove between a writer and the painter's
  // queries from the other thread (see above).
  mutable std::mutex boardLock;

  Engine();
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // ---- game control ----
  void setLevel(int newLevel);  // code 1
  void applyLevel();            // the level's parameters and fresh work matrices
  void newGame();               // code 8
  void resetTree();             // code 9: a fresh root copied from the game board
  // Plays (row, column) for a colour on the game board, handing the searched subtree
  // of that move to the new root when there is one. 1 if the move was made.
  int playMove(int row, int column, int colourValue);
  // Chooses a move for the colour (book or search) and plays it. 1 if a move was played.
  int chooseAndPlay(int bookAllowed, int colourValue);
  void chooseMove(int bookAllowed);
  void setBestMove(const MoveEntry& move);  // under boardLock
  void ponder();
  // Disc difference from the human's side (code 24).
  int discDifference() const;

  // ---- offline operations: self-play, books, training data ----
  // (declared and implemented in engine/records and engine/training)
  // BEGIN offline operations
  // Each returns a status, an OfflineStatus of training/offline.h: 0 when the run went
  // to its end, otherwise why it stopped (a file that cannot be opened, a malformed
  // input line, a limit, a write failure, a stop request). Diagnostics name the file and
  // line on standard error; the operations' own console messages go to standard output.

  // Self-play: every opening line up to `depth` plies, played out with chooseMove.
  int startMatch(const char* name, int depth);
  int startDump(const char* name, int depth, int first, int last);
  // The recursive steps; 0 to go on, else the status the whole run stops with.
  int matchNode(int ply, Board position, int passed);
  int dumpNode(int ply, Board position, int passed);

  // Books.
  int generateBook(const char* fileName, int maxPly, int colour);
  int generateContinuations(const char* input, int moveNumber, const char* output,
                            int lastMoveNumber, int colour, double threshold);
  int symmetrizeBook(const char* input, const char* output);

  // Training data and statistics.
  int mergePositionFiles(const char* baseName, int count);
  int extractFinalPositions(const char* input, const char* output);
  // sideToMove 1: column 13 holds the side-to-move term as the evaluation computes it
  // (+1 when the computer is to move, -1 when the human is, 0 in a final position)
  // instead of 0.
  int writeFeatureRows(const char* input, const char* output, int sideToMove = 0);
  int patternStatistics(const char* positionFile, const char* finalFile);
  int savePatterns(const char* prefix);
  // allColumns 0: only frontier (5) and corners/X-squares (8) may enter the fit;
  // 1: every column does. sideToMove 1: column 13 (rows written with the side-to-move
  // term) enters every stage's fit as well, without the column rules. The error vector
  // goes to errorFile.
  int fitWeights(const char* rowFile, const char* outputName, int allColumns = 0,
                 const char* errorFile = "err.txt", int sideToMove = 0);
  int smoothWeights(const char* input, int first, int last, int points, const char* output);
  // The three report files are written into directory ("" for the working directory).
  int featureReport(const char* rowFile, const char* directory = "");
  // END offline operations

  // ---- evaluation data ----
  void loadModel(int slot, const char* directory, const char* parameterName,
                 const char* patternName, int n);
};

}  // namespace zedare

#endif
