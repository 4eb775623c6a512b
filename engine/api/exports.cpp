// The six exported functions. Each checks the handle and its arguments, calls into the
// engine and returns; no C++ exception (a failed allocation included) crosses the
// boundary, and a refused call returns 0 and changes nothing.
#include <cstdint>
#include <mutex>
#include <new>

#include "api/engine.h"
#include "api/zedare.h"

using zedare::Engine;

namespace {

bool onBoard(int32_t row, int32_t column) {
  return row >= 1 && row <= 8 && column >= 1 && column <= 8;
}
bool isColour(int32_t colour) {
  return colour == 1 || colour == -1;
}

using Guard = std::lock_guard<std::mutex>;

int32_t instruction(Engine& e, uint32_t code, int32_t a, int32_t b) {
  switch (code) {
    case 0:
      if (!isColour(a)) return 0;
      if (a != e.humanColour) {
        e.humanColour = a;
        e.computerColour = -a;
      }
      return 0;
    case 1:
      e.setLevel(a);
      return 0;
    case 2:
      e.algorithm = a;
      return 0;
    case 3:
      return e.humanColour;
    case 4:
      return e.computerColour;
    case 5: {
      Guard guard(e.boardLock);
      return e.gameBoard.sideToMove;
    }
    case 6:
      return e.level;
    case 7:
      return e.algorithm;
    case 8:
      e.newGame();
      return 0;
    case 9:
      e.resetTree();
      return 0;
    case 10: {
      Guard guard(e.boardLock);
      return e.gameBoard.sideToMove == e.humanColour;
    }
    case 11: {
      Guard guard(e.boardLock);
      return e.gameBoard.sideToMove == e.computerColour;
    }
    case 12: {
      Guard guard(e.boardLock);
      return e.gameBoard.hasLegalMove(e.humanColour);
    }
    case 13: {
      Guard guard(e.boardLock);
      return e.gameBoard.hasLegalMove(e.computerColour);
    }
    case 14:
    case 15: {
      const int colour = code == 14 ? e.humanColour : e.computerColour;
      if (b == 0) return e.chooseAndPlay(a, colour);
      if (!onBoard(a, b)) return 0;
      return e.playMove(a, b, colour);
    }
    case 16:
      e.ponder();
      return 0;
    case 17:
      return e.exactCount;
    case 18:
      return e.evalCount;
    case 19:
      return e.gameCounter;
    case 20: {
      // Truncated toward zero; a value outside the integer range cannot be converted.
      Guard guard(e.boardLock);
      const double v = static_cast<double>(e.bestMove.value) * 1000.0;
      if (!(v > -2147483648.0 && v < 2147483648.0)) return 0;
      return static_cast<int32_t>(v);
    }
    case 21: {
      Guard guard(e.boardLock);
      return e.lastRow;
    }
    case 22: {
      Guard guard(e.boardLock);
      return e.lastColumn;
    }
    case 23: {
      if (a < 0 || a > 8 || b < 0 || b > 8) return 0;
      Guard guard(e.boardLock);
      e.lastRow = a;
      e.lastColumn = b;
      return 0;
    }
    case 24: {
      Guard guard(e.boardLock);
      return e.discDifference();
    }
    case 25:
      return e.searching.load(std::memory_order_relaxed);
    case 26:
      e.searching.store(0, std::memory_order_relaxed);
      return 0;
    case 27:
      return e.pondering.load(std::memory_order_relaxed);
    case 28:
      e.pondering.store(0, std::memory_order_relaxed);
      return 0;
    case 30:
      e.loadModel(a, "modele", "parametry9_i15", "wzorce9_i15", b);
      return 0;
    default:
      return 0;
  }
}

int32_t boardQuery(Engine& e, uint32_t code, int32_t row, int32_t column, int32_t colour) {
  if (code > 4) return 0;
  std::unique_lock<std::mutex> guard(e.boardLock);
  switch (code) {
    case 0:
      return onBoard(row, column) ? e.gameBoard.colourAt(row, column) : 0;
    case 1:
      return onBoard(row, column) ? e.gameBoard.stateAt(row, column) : 0;
    case 2:
      return onBoard(row, column) && isColour(colour) ? e.gameBoard.isLegal(row, column, colour)
                                                      : 0;
    // The tree was grown for the side that was to move; after a pass or the end of the
    // game it no longer describes the game board, so it starts afresh.
    case 3:
      e.gameBoard.pass();
      guard.unlock();
      e.resetTree();
      return 0;
    case 4:
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
    case 0:
      e.record.store(e.gameBoard, e.humanColour);
      return 0;
    case 1:
      e.record.reset();
      return 0;
    case 2:
      return e.record.playerColour;
    case 3: {
      Guard guard(e.boardLock);
      e.record.loadCurrent(e.gameBoard);
      return 0;
    }
    case 4:
      return e.record.currentSideToMove();
    case 5:
      e.record.forward();
      return 0;
    case 6:
      e.record.back();
      return 0;
    case 7:
      e.record.toLast();
      return 0;
    case 8:
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
    if (code == 0) return e.record.load(path) ? 1 : 0;
    if (code == 1) return e.record.save(path) ? 1 : 0;
  } catch (...) {
  }
  return 0;
}

}  // extern "C"
