// The shared pieces of the offline operations: status texts, the stop request, the
// progress hook, diagnostics, the line reader and the strict line parsers.
#include "training/offline.h"

#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
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

inline bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

void skipBlanks(const char*& p) {
  while (isBlank(*p)) ++p;
}

// One decimal integer after optional blanks; false when there is none or it is out of
// [low, high].
bool readInteger(const char*& p, long long low, long long high, long long& out) {
  skipBlanks(p);
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(p, &end, 10);
  if (end == p || errno == ERANGE || v < low || v > high) return false;
  out = v;
  p = end;
  return true;
}

bool onlyBlanksLeft(const char* p) {
  skipBlanks(p);
  return *p == '\0';
}

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

LineReader::~LineReader() = default;

bool LineReader::next() {
  for (;;) {
    const LineStatus status = readBoundedLine(stream_, buffer_);
    if (status == LineStatus::End) return false;
    ++line_;
    if (status == LineStatus::TooLong) {
      tooLong_ = true;
      reject("longer than " + std::to_string(kMaxTextLine) + " characters");
      return false;
    }
    bytes_ += static_cast<long long>(buffer_.size()) + 1;
    while (!buffer_.empty() && buffer_.back() == '\r') buffer_.pop_back();
    if (!onlyBlanksLeft(buffer_.c_str())) return true;
  }
}

OutputFile::~OutputFile() {
  if (stream_) std::fclose(stream_);
}

bool OutputFile::open(const char* path) {
  path_ = path;
  stream_ = std::fopen(path, "w");
  if (!stream_) reportCannotOpen(path, true);
  return stream_ != nullptr;
}

void OutputFile::write(const std::string& text, bool flush) {
  std::fwrite(text.data(), 1, text.size(), stream_);
  if (flush) std::fflush(stream_);
}

int OutputFile::finish(int status) {
  if (!stream_) return status;
  const bool ok = !std::ferror(stream_);
  const bool closed = std::fclose(stream_) == 0;
  stream_ = nullptr;
  if ((!ok || !closed) && status == kOfflineDone) {
    std::fprintf(stderr, "%s: write failed\n", path_.c_str());
    return kOfflineWriteFailed;
  }
  return status;
}

InputFile::~InputFile() {
  if (stream_) std::fclose(stream_);
}

bool InputFile::open(const char* path, bool report) {
  stream_ = std::fopen(path, "r");
  if (!stream_ && report) reportCannotOpen(path, false);
  return stream_ != nullptr;
}

long long fileSize(std::FILE* stream) {
  struct stat s;
  if (fstat(fileno(stream), &s) != 0) return 0;
  return static_cast<long long>(s.st_size);
}

bool parseBoardText(const char*& cursor, Board& board, std::string& why) {
  const char* p = cursor;
  uint64_t occupancy = 0, white = 0;
  for (int sq = 0; sq < 64; ++sq) {
    long long v;
    if (!readInteger(p, -1, 1, v)) {
      why = "square " + std::to_string(sq / 8 + 1) + "," + std::to_string(sq % 8 + 1) +
            " is not -1, 0 or 1";
      return false;
    }
    if (v != 0) occupancy |= uint64_t{1} << sq;
    if (v == 1) white |= uint64_t{1} << sq;
  }
  long long side;
  if (!readInteger(p, -1, 1, side)) {
    why = "the side to move is missing or not -1, 0 or 1";
    return false;
  }
  board.occupancy = occupancy;
  board.colour = white;
  board.sideToMove = static_cast<int8_t>(side);
  board.rebuildCandidates();
  cursor = p;
  return true;
}

bool parsePositionLine(const char* text, int& game, int& discs, Board& board, std::string& why) {
  const char* p = text;
  long long g, d;
  if (!readInteger(p, INT32_MIN, INT32_MAX, g) || !readInteger(p, 0, 64, d)) {
    why = "expected a game number and a disc count before the position";
    return false;
  }
  if (!parseBoardText(p, board, why)) return false;
  if (!onlyBlanksLeft(p)) {
    why = "unexpected text after the side to move";
    return false;
  }
  game = static_cast<int>(g);
  discs = static_cast<int>(d);
  return true;
}

bool parseBookLine(const char* text, Board& board, int& row, int& column, double& value,
                   std::string& why) {
  const char* p = text;
  if (!parseBoardText(p, board, why)) return false;
  long long r, c;
  if (!readInteger(p, 1, 8, r) || !readInteger(p, 1, 8, c)) {
    why = "expected the move's row and column (1 to 8) after the position";
    return false;
  }
  skipBlanks(p);
  char* end = nullptr;
  const double v = std::strtod(p, &end);
  if (end == p) {
    why = "expected the move's value after its row and column";
    return false;
  }
  if (!onlyBlanksLeft(end)) {
    why = "unexpected text after the move's value";
    return false;
  }
  row = static_cast<int>(r);
  column = static_cast<int>(c);
  value = v;
  return true;
}

bool parseFeatureRow(const char* text, long long values[], int count, std::string& why) {
  const char* p = text;
  for (int i = 0; i < count; ++i) {
    if (!readInteger(p, INT32_MIN, INT32_MAX, values[i])) {
      why = "expected " + std::to_string(count) + " integers, column " + std::to_string(i + 1) +
            " is missing or not an integer";
      return false;
    }
  }
  if (!onlyBlanksLeft(p)) {
    why = "more than " + std::to_string(count) + " columns";
    return false;
  }
  return true;
}

void passTurn(Engine& e) {
  e.gameBoard.pass();
  e.resetTree();
}

int playChosenMove(Engine& e, int colour) {
  const int before = e.gameBoard.discCount;
  if (e.bestMove.flag == 2) e.playMove(e.bestMove.row, e.bestMove.column, colour);
  if (e.gameBoard.discCount != before) return 1;
  int row = 0, column = 0;
  for (int i = 0; i < e.gameBoard.moveCount; ++i) {
    const MoveEntry& m = e.gameBoard.moves[i];
    if ((m.flag == 1 || m.flag == 2) && e.gameBoard.isLegal(m.row, m.column, colour)) {
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

std::string bookLine(const Board& board, int row, int column, double value) {
  char move[64];
  std::snprintf(move, sizeof move, "\t%i %i  %g\n", row, column, value);
  return board.toLine() + move;
}

}  // namespace zedare
