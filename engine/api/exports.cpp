// The six exported functions. Each checks the handle and its arguments, calls into the
// engine and returns; no C++ exception (a failed allocation included) crosses the
// boundary, and a refused call returns 0 and changes nothing.
#include <cstdint>
#include <mutex>
#include <new>

#include "api/engine.h"
#include "api/zedare.h"
#include "eval/terms.h"

using zedare::Engine;

namespace {

bool onBoard(int32_t row, int32_t column) {
  return row >= 1 && row <= 8 && column >= 1 && column <= 8;
}
bool isColour(int32_t colour) {
  return colour == 1 || colour == -1;
}

using Guard = std::lock_guard<std::mutex>;

// x times 1000 truncated toward zero; 0 for what no integer holds (a NaN included).
int32_t thousandths(double x) {
  const double v = x * 1000.0;
  if (!(v > -2147483648.0 && v < 2147483648.0)) return 0;
  return static_cast<int32_t>(v);
}

constexpr int32_t kNoMoveValue = -9999000;

int32_t moveValue(const Engine& e, int32_t row, int32_t column) {
  if (!onBoard(row, column)) return kNoMoveValue;
  const zedare::Board& root = *e.root;
  for (int i = 0; i < root.moveCount; ++i) {
    const zedare::MoveEntry& m = root.moves[i];
    if (m.row != row || m.column != column) continue;
    if (m.flag != zedare::MoveFlag::Legal || m.value == zedare::kNoValue) return kNoMoveValue;
    return thousandths(static_cast<double>(m.value));
  }
  return kNoMoveValue;
}

int32_t evaluationTerm(Engine& e, int32_t term, int32_t what) {
  if (term < 1 || term > zedare::kEvalTermCount) return 0;
  zedare::EvaluationTerms terms;
  if (!zedare::evaluationTerms(e, e.gameBoard, 1, terms) || terms.finished) return 0;
  switch (what) {
    case 0:
      return thousandths(terms.contribution[term - 1]);
    case 1:
      return terms.feature[term - 1];
    case 2:
      return thousandths(terms.weight[term - 1]);
    default:
      return 0;
  }
}

int32_t instruction(Engine& e, uint32_t code, int32_t a, int32_t b) {
  switch (code) {
    case ZEDARE_SET_HUMAN_COLOUR:
      if (!isColour(a)) return 0;
      // Every value, bound and move order kept in the tree is from the computer's side,
      // so after a swap of the colours the kept tree would answer for the other side: it
      // is forgotten, as code 9 forgets it. The same colours again keep it.
      if (a != e.humanColour) {
        e.humanColour = a;
        e.computerColour = -a;
        e.resetTree();
      }
      return 0;
    case ZEDARE_SET_LEVEL:
      e.setLevel(a);
      return 0;
    case ZEDARE_SET_ALGORITHM:
      e.algorithm = static_cast<zedare::Algorithm>(a);
      return 0;
    case ZEDARE_HUMAN_COLOUR:
      return e.humanColour;
    case ZEDARE_COMPUTER_COLOUR:
      return e.computerColour;
    case ZEDARE_SIDE_TO_MOVE: {
      Guard guard(e.boardLock);
      return e.gameBoard.sideToMove;
    }
    case ZEDARE_LEVEL:
      return e.level;
    case ZEDARE_ALGORITHM:
      return static_cast<int32_t>(e.algorithm);
    case ZEDARE_NEW_GAME:
      e.newGame();
      return 0;
    case ZEDARE_RESET_TREE:
      e.resetTree();
      return 0;
    case ZEDARE_IS_HUMAN_TO_MOVE: {
      Guard guard(e.boardLock);
      return e.gameBoard.sideToMove == e.humanColour;
    }
    case ZEDARE_IS_COMPUTER_TO_MOVE: {
      Guard guard(e.boardLock);
      return e.gameBoard.sideToMove == e.computerColour;
    }
    case ZEDARE_HUMAN_CAN_MOVE: {
      Guard guard(e.boardLock);
      return e.gameBoard.hasLegalMove(e.humanColour);
    }
    case ZEDARE_COMPUTER_CAN_MOVE: {
      Guard guard(e.boardLock);
      return e.gameBoard.hasLegalMove(e.computerColour);
    }
    case ZEDARE_HUMAN_MOVE:
    case ZEDARE_COMPUTER_MOVE: {
      const int colour = code == ZEDARE_HUMAN_MOVE ? e.humanColour : e.computerColour;
      if (b == 0) return e.chooseAndPlay(a, colour);
      if (!onBoard(a, b)) return 0;
      return e.playMove(a, b, colour);
    }
    case ZEDARE_THINK_IN_BACKGROUND:
      e.ponder();
      return 0;
    case ZEDARE_EXACT_COUNT:
      return e.exactCount;
    case ZEDARE_EVAL_COUNT:
      return e.evalCount;
    case ZEDARE_GAME_COUNTER:
      return e.gameCounter;
    case ZEDARE_BEST_VALUE: {
      // Truncated toward zero; a value outside the integer range cannot be converted.
      Guard guard(e.boardLock);
      return thousandths(static_cast<double>(e.bestMove.value));
    }
    case ZEDARE_LAST_ROW: {
      Guard guard(e.boardLock);
      return e.lastRow;
    }
    case ZEDARE_LAST_COLUMN: {
      Guard guard(e.boardLock);
      return e.lastColumn;
    }
    case ZEDARE_SET_LAST_MOVE: {
      if (a < 0 || a > 8 || b < 0 || b > 8) return 0;
      Guard guard(e.boardLock);
      e.lastRow = a;
      e.lastColumn = b;
      return 0;
    }
    case ZEDARE_DISC_DIFFERENCE: {
      Guard guard(e.boardLock);
      return e.discDifference();
    }
    case ZEDARE_IS_SEARCHING:
      return e.searching.load(std::memory_order_relaxed);
    case ZEDARE_STOP_SEARCH:
      e.searching.store(0, std::memory_order_relaxed);
      return 0;
    case ZEDARE_IS_PONDERING:
      return e.pondering.load(std::memory_order_relaxed);
    case ZEDARE_STOP_PONDERING:
      e.pondering.store(0, std::memory_order_relaxed);
      return 0;
    case ZEDARE_LOAD_MODEL:
      e.loadModel(a, "modele", "parametry9_i15", "wzorce9_i15", b);
      return 0;
    case ZEDARE_SET_MOVE_TIME:
      if (a < 0) return 0;
      e.moveTime = a;
      return 0;
    case ZEDARE_MOVE_TIME:
      return e.moveTime;
    case ZEDARE_MOVE_VALUE:
      return moveValue(e, a, b);
    case ZEDARE_EVAL_TERM:
      return evaluationTerm(e, a, b);
    default:
      return 0;
  }
}

int32_t boardQuery(Engine& e, uint32_t code, int32_t row, int32_t column, int32_t colour) {
  if (code > ZEDARE_END_GAME) return 0;
  std::unique_lock<std::mutex> guard(e.boardLock);
  switch (code) {
    case ZEDARE_SQUARE_COLOUR:
      return onBoard(row, column) ? e.gameBoard.colourAt(row, column) : 0;
    case ZEDARE_SQUARE_STATE:
      return onBoard(row, column) ? e.gameBoard.stateAt(row, column) : 0;
    case ZEDARE_IS_LEGAL:
      return onBoard(row, column) && isColour(colour) ? e.gameBoard.isLegal(row, column, colour)
                                                      : 0;
    // The tree was grown for the side that was to move; after a pass or the end of the
    // game it no longer describes the game board, so it starts afresh.
    case ZEDARE_PASS:
      e.gameBoard.pass();
      guard.unlock();
      e.resetTree();
      return 0;
    case ZEDARE_END_GAME:
      e.gameBoard.sideToMove = 0;
      guard.unlock();
      e.resetTree();
      return 0;
    default:
      return 0;
  }
}

int32_t recordCommand(Engine& e, uint32_t code) {
  switch (code) {
    case ZEDARE_RECORD_STORE:
      e.record.store(e.gameBoard, e.humanColour);
      return 0;
    case ZEDARE_RECORD_RESET:
      e.record.reset();
      return 0;
    case ZEDARE_RECORD_PLAYER_COLOUR:
      return e.record.playerColour;
    case ZEDARE_RECORD_LOAD_CURRENT: {
      Guard guard(e.boardLock);
      e.record.loadCurrent(e.gameBoard);
      return 0;
    }
    case ZEDARE_RECORD_SIDE_TO_MOVE:
      return e.record.currentSideToMove();
    case ZEDARE_RECORD_FORWARD:
      e.record.forward();
      return 0;
    case ZEDARE_RECORD_BACK:
      e.record.back();
      return 0;
    case ZEDARE_RECORD_LAST:
      e.record.toLast();
      return 0;
    case ZEDARE_RECORD_FIRST:
      e.record.toFirst();
      return 0;
    default:
      return 0;
  }
}

}  // namespace

extern "C" {

ZedareHandle TavrinCreate(void) {
  try {
    return new Engine();
  } catch (...) {
    return nullptr;
  }
}

void TavrinDestroy(ZedareHandle engine) {
  try {
    delete static_cast<Engine*>(engine);
  } catch (...) {
  }
}

int32_t TavrinInst(ZedareHandle engine, uint32_t code, int32_t a, int32_t b) {
  if (!engine) return 0;
  try {
    return instruction(*static_cast<Engine*>(engine), code, a, b);
  } catch (...) {
    return 0;
  }
}

int32_t TavrinInst_p0(ZedareHandle engine, uint32_t code, int32_t row, int32_t column,
                      int32_t colour) {
  if (!engine) return 0;
  try {
    return boardQuery(*static_cast<Engine*>(engine), code, row, column, colour);
  } catch (...) {
    return 0;
  }
}

int32_t TavrinInst_pp(ZedareHandle engine, uint32_t code) {
  if (!engine) return 0;
  try {
    return recordCommand(*static_cast<Engine*>(engine), code);
  } catch (...) {
    return 0;
  }
}

int32_t TavrinFile_pp(ZedareHandle engine, uint32_t code, const char* path) {
  if (!engine || !path) return 0;
  try {
    Engine& e = *static_cast<Engine*>(engine);
    if (code == ZEDARE_FILE_LOAD) return e.record.load(path) ? 1 : 0;
    if (code == ZEDARE_FILE_SAVE) return e.record.save(path) ? 1 : 0;
  } catch (...) {
  }
  return 0;
}

}  // extern "C"
