// What every offline operation (self-play matches and dumps here, books and training
// data above) shares: the status it returns, the stop request that an interrupt sets,
// the progress hook a command-line front end shows, the messages about files, playing on
// with the engine's game board, and the position line that dumps write.
//
// Stopping: a long run checks offlineStopRequested() between games and between written
// lines, never inside a search, so whatever it has written by then is whole games and
// whole lines. requestOfflineStop() only stores to a lock-free atomic and may be called
// from a signal handler.
#ifndef ZEDARE_RECORDS_OFFLINE_RUN_H
#define ZEDARE_RECORDS_OFFLINE_RUN_H

#include <cstdio>
#include <string>

namespace zedare {

struct Board;
struct Engine;

enum OfflineStatus : int {
  kOfflineDone = 0,
  kOfflineCannotOpen = 1,    // an input or output file could not be opened
  kOfflineBadInput = 2,      // a malformed input line (or a book move that is not legal)
  kOfflineBadArgument = 3,   // an argument outside what the operation accepts
  kOfflineTooLarge = 4,      // more rows than the operation can hold
  kOfflineWriteFailed = 5,   // an output file could not be written completely
  kOfflineInterrupted = 6,   // a stop was requested; the output is a valid prefix
  kOfflineNotConverged = 7,  // an iterative solver stopped short of its tolerance
};

// A short English name of a status, for messages.
const char* offlineStatusText(int status);

// ---- stop request ----
void requestOfflineStop();  // async-signal-safe
bool offlineStopRequested();
void clearOfflineStop();

// ---- progress ----
struct OfflineProgress {
  const char* unit;  // what done and total count: "games", "lines", "bytes", "stages"
  long long done;
  long long total;      // 0 when not known in advance
  long long positions;  // positions handled so far (moves played, position lines read)
};
using OfflineProgressHook = void (*)(void* context, const OfflineProgress& progress);
// Installs the hook that the operations call as they go (nullptr: none).
void setOfflineProgressHook(OfflineProgressHook hook, void* context);
void reportOfflineProgress(const char* unit, long long done, long long total, long long positions);

// ---- playing on the engine's game board ----
// The colour to move has no legal move: the turn goes to the other colour and the search
// tree starts afresh from the game board (its root must hold the side to move).
void passTurn(Engine& engine);
// After chooseMove: plays bestMove for colour when it is a searched move (flag 2). When
// that makes no move although colour has one, the first entry of the game board's list
// that is legal for colour is played instead and engine.dumpCounter counts it, so a game
// always moves on. Returns 1 if a move was made.
int playChosenMove(Engine& engine, int colour);

// ---- self-play ----
// The number of opening lines that a match or dump of this depth enumerates (the games
// it plays): every legal move at every ply, only the first one at ply 1, passes
// followed, lines in which neither side can move dropped.
long long countOpeningLines(int depth);

// ---- diagnostics ----
void reportCannotOpen(const char* path, bool forWriting);
// Closes an output file (f := null). Returns status, or kOfflineWriteFailed (reported)
// when status was kOfflineDone and something could not be written. Nothing when f is null.
int closeOfflineOutput(std::FILE*& f, const char* path, int status);
void reportBadLine(const char* path, long line, const std::string& what);

// ---- position lines ----
// "%i\t%i\t" (game number, disc count), then the board text, ended by "\n".
std::string positionLine(int game, int discs, const Board& board);

}  // namespace zedare

#endif
