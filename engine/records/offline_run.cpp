// The pieces every offline run shares: status texts, the stop request, the progress
// hook, diagnostics, playing on with the game board, the position line.
#include "records/offline_run.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "api/engine.h"
#include "board/board.h"

namespace zedare {

namespace {

std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free,
              "the stop request is set from a signal handler");

OfflineProgressHook progressHook = nullptr;
void* progressContext = nullptr;

}  // namespace

const char* offlineStatusText(int status) {
  switch (status) {
    case kOfflineDone:
      return "done";
    case kOfflineCannotOpen:
      return "a file could not be opened";
    case kOfflineBadInput:
      return "malformed input";
    case kOfflineBadArgument:
      return "bad argument";
    case kOfflineTooLarge:
      return "too many rows";
    case kOfflineWriteFailed:
      return "an output file could not be written";
    case kOfflineInterrupted:
      return "interrupted";
    case kOfflineNotConverged:
      return "the solver did not converge";
    default:
      return "unknown status";
  }
}

void requestOfflineStop() {
  stopRequested.store(true, std::memory_order_relaxed);
}
bool offlineStopRequested() {
  return stopRequested.load(std::memory_order_relaxed);
}
void clearOfflineStop() {
  stopRequested.store(false, std::memory_order_relaxed);
}

void setOfflineProgressHook(OfflineProgressHook hook, void* context) {
  progressHook = hook;
  progressContext = context;
}

void reportOfflineProgress(const char* unit, long long done, long long total, long long positions) {
  if (progressHook) progressHook(progressContext, OfflineProgress{unit, done, total, positions});
}

void reportCannotOpen(const char* path, bool forWriting) {
  std::fprintf(stderr, "%s: cannot open for %s: %s\n", path, forWriting ? "writing" : "reading",
               std::strerror(errno));
}

void reportBadLine(const char* path, long line, const std::string& what) {
  std::fprintf(stderr, "%s:%ld: malformed line: %s\n", path, line, what.c_str());
}

void passTurn(Engine& e) {
  e.gameBoard.pass();
  e.resetTree();
}

int playChosenMove(Engine& e, int colour) {
  const int before = e.gameBoard.discCount;
  if (e.bestMove.flag == MoveFlag::Legal) e.playMove(e.bestMove.row, e.bestMove.column, colour);
  if (e.gameBoard.discCount != before) return 1;
  int row = 0, column = 0;
  for (int i = 0; i < e.gameBoard.moveCount; ++i) {
    const MoveEntry& m = e.gameBoard.moves[i];
    if ((m.flag == MoveFlag::Untried || m.flag == MoveFlag::Legal) &&
        e.gameBoard.isLegal(m.row, m.column, colour)) {
      row = m.row;
      column = m.column;
      break;
    }
  }
  if (row == 0) return 0;
  ++e.dumpCounter;
  return e.playMove(row, column, colour);
}

std::string positionLine(int game, int discs, const Board& board) {
  char head[32];
  std::snprintf(head, sizeof head, "%i\t%i\t", game, discs);
  return head + board.toLine() + "\n";
}

int closeOfflineOutput(std::FILE*& f, const char* path, int status) {
  if (!f) return status;
  const bool ok = !std::ferror(f);
  const bool closed = std::fclose(f) == 0;
  f = nullptr;
  if ((!ok || !closed) && status == kOfflineDone) {
    std::fprintf(stderr, "%s: write failed\n", path);
    return kOfflineWriteFailed;
  }
  return status;
}

}  // namespace zedare
