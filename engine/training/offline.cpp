// The shared pieces of the offline operations on files: the line reader, the files and
// the strict line parsers.
#include "training/offline.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "api/engine.h"
#include "board/board.h"

namespace zedare {

namespace {

inline bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

void skipBlanks(const char*& p) {
  while (isBlank(*p)) ++p;
}

bool readInteger(const char*& p, long long low, long long high, long long& out) {
  return readBoundedInteger(p, low, high, out);
}

bool onlyBlanksLeft(const char* p) {
  skipBlanks(p);
  return *p == '\0';
}

}  // namespace

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

OfflineFile::~OfflineFile() {
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
  return closeOfflineOutput(stream_, path_.c_str(), status);
}

bool InputFile::open(const char* path, bool report) {
  stream_ = std::fopen(path, "r");
  if (!stream_ && report) reportCannotOpen(path, false);
  return stream_ != nullptr;
}

bool writableOutput(const std::string& path) {
  struct stat s;
  if (stat(path.c_str(), &s) == 0) {
    if (access(path.c_str(), W_OK) == 0) return true;
    errno = EACCES;
  } else if (std::FILE* f = std::fopen(path.c_str(), "w")) {
    std::fclose(f);
    std::remove(path.c_str());
    return true;
  }
  reportCannotOpen(path.c_str(), true);
  return false;
}

long long fileSize(std::FILE* stream) {
  struct stat s;
  if (fstat(fileno(stream), &s) != 0) return 0;
  return static_cast<long long>(s.st_size);
}

bool parsePositionLine(const char* text, int& game, int& discs, Board& board, std::string& why) {
  const char* p = text;
  long long g, d;
  if (!readInteger(p, INT32_MIN, INT32_MAX, g) || !readInteger(p, 0, 64, d)) {
    why = "expected a game number and a disc count before the position";
    return false;
  }
  if (!board.parseText(p, TextStrictness::Strict, &why)) return false;
  board.rebuildCandidates();
  if (!onlyBlanksLeft(p)) {
    why = "unexpected text after the side to move";
    return false;
  }
  game = static_cast<int>(g);
  discs = static_cast<int>(d);
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

}  // namespace zedare
