// What the offline operations on files share, beside what records/offline_run.h gives
// every offline run: the strict readers and writers of their text lines.
//
// Reading: input files are read line by line and every line is parsed strictly. A line
// that does not parse is reported as "<file>:<line>: <what is wrong>" on standard error
// and the operation stops with kOfflineBadInput, instead of reading on from wherever a
// scan would have left the stream. Lines holding only blanks are skipped.
#ifndef ZEDARE_TRAINING_OFFLINE_H
#define ZEDARE_TRAINING_OFFLINE_H

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "records/offline_run.h"
#include "search/search.h"

namespace zedare {

struct Board;
struct Engine;
class matrix;

// ---- line reading ----
// Reads a text file line by line, with the line number and the bytes consumed.
class LineReader {
 public:
  LineReader(std::FILE* stream, const char* path) : stream_(stream), path_(path) {}
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // The next line that holds more than blanks, without its line end; false at the end,
  // and also for a line longer than any valid one (kMaxTextLine), which is reported as
  // malformed and makes tooLong() true: the caller must not take that for the end.
  bool next();
  bool tooLong() const { return tooLong_; }
  const char* text() const { return buffer_.c_str(); }
  long lineNumber() const { return line_; }
  long long bytesRead() const { return bytes_; }
  const char* path() const { return path_; }
  // Reports the current line as malformed.
  void reject(const std::string& what) const { reportBadLine(path_, line_, what); }

 private:
  std::FILE* stream_;
  const char* path_;
  std::string buffer_;
  bool tooLong_ = false;
  long line_ = 0;
  long long bytes_ = 0;
};

// A text file of an offline run, closed by the destructor unless closed before.
class OfflineFile {
 public:
  OfflineFile(const OfflineFile&) = delete;
  OfflineFile& operator=(const OfflineFile&) = delete;
  std::FILE* get() const { return stream_; }

 protected:
  OfflineFile() = default;
  ~OfflineFile();
  std::FILE* stream_ = nullptr;
};

// An output text file, opened for writing (replacing any file of the name) and closed
// once, by finish() or else by the destructor.
class OutputFile : public OfflineFile {
 public:
  // Opens path; reports a failure and returns false.
  bool open(const char* path);
  // Writes text and, with flush set, hands it to the system at once.
  void write(const std::string& text, bool flush = false);
  // Closes the file. Returns status, or kOfflineWriteFailed (reported) when status was
  // kOfflineDone and something could not be written.
  int finish(int status);

 private:
  std::string path_;
};

// An input text file, closed by the destructor.
class InputFile : public OfflineFile {
 public:
  // Opens path for reading; with report set, reports a failure. False on failure.
  bool open(const char* path, bool report = true);
};

// Whether path can be written, found out without leaving a new empty file behind; a path
// that cannot is reported.
bool writableOutput(const std::string& path);

// Size of a file in bytes, 0 when it cannot be determined.
long long fileSize(std::FILE* stream);

// ---- solved positions ----
// Writes, for every game of a position file, one of its positions with minEmpties to
// maxEmpties empty squares (the game number chooses which count) solved exactly:
// "value<TAB>position line", the value for the side to move.
int writeSolvedSet(const char* positions, const char* output, int minEmpties, int maxEmpties);

// The error of the static evaluation (weight set 1, from the side to move) against the
// exact values of a solved set, in discs.
struct EvalErrors {
  struct Row {
    long long count = 0;
    double sumSquares = 0, sumAbs = 0;
    void add(double error) {
      ++count;
      sumSquares += error * error;
      sumAbs += std::fabs(error);
    }
    double rms() const { return count ? std::sqrt(sumSquares / count) : 0.0; }
    double meanAbs() const { return count ? sumAbs / count : 0.0; }
  };
  Row byEmpties[61];
  Row all;
  // exact value = slope * evaluation + intercept, fitted over the whole set.
  double slope = 0, intercept = 0;
};
int evaluationErrors(Engine& engine, const char* set, EvalErrors& result);

// ---- pattern statistics in memory ----
// The eight tables (A1 .. PRZ) as zero matrices of counts, sums of outcomes and means.
void resetPatternTables(matrix* tables);
// Counts position p with its game's final position f under the eight symmetries, each
// also with the colours inverted (see patterns.cpp).
void countPatternPosition(matrix* tables, const Board& p, const Board& f);
// Column 3 := column 2 / column 1 where column 1 > 0, else 0.
void finishPatternMeans(matrix* tables);

// Walks a position file and its final-position file in step: for every final position,
// the position lines up to and including the game's own final line (both files list the
// games in the same order). `each` (game, position, final position) returns 0 to go on
// or a status to stop with. mismatched counts the positions whose game number differs
// from their final position's (they are still paired with it).
int forEachPairedPosition(const char* positionFile, const char* finalFile, int& mismatched,
                          const std::function<int(int, const Board&, const Board&)>& each);

// ---- line formats ----
// The board text form is read by Board::parseText (strict here), the book line by
// parseBookLine (search/search.h).
// Position line: "%i\t%i\t" (game number, disc count), then the board text.
bool parsePositionLine(const char* text, int& game, int& discs, Board& board, std::string& why);
// Feature row: exactly kFeatureColumns integers.
bool parseFeatureRow(const char* text, long long values[], int count, std::string& why);

// Runs `each` (game, discs, board) on every position line of an open input; stops at a
// malformed line (reported) or a stop request. `each` returns 0 to go on or a status to
// stop with.
template <typename Each>
int forEachPosition(InputFile& in, const char* path, long long& positions, Each each) {
  const long long size = fileSize(in.get());
  LineReader lines(in.get(), path);
  Board board;
  std::string why;
  while (lines.next()) {
    if (offlineStopRequested()) return kOfflineInterrupted;
    int game, discs;
    if (!parsePositionLine(lines.text(), game, discs, board, why)) {
      lines.reject(why);
      return kOfflineBadInput;
    }
    if (const int status = each(game, discs, board)) return status;
    ++positions;
    reportOfflineProgress("bytes", lines.bytesRead(), size, positions);
  }
  return lines.tooLong() ? kOfflineBadInput : kOfflineDone;
}


}  // namespace zedare

#endif
