// The matrix file formats.
//
// Text table (readtxt / writetxt): one line per row, each ended by "\n"; elements
// separated by spaces or tabs (writetxt puts one tab between elements); a carriage
// return anywhere is ignored, so CR LF files read the same; no header and no count.
// A number is at most 29 characters and may use a decimal comma or point. A last line
// without its newline is not part of the table.
//
// Counted format (readbin / writebin, plain text despite the names): "%d %d " with the
// numbers of rows and columns, then every element as "%g " row after row, no line
// breaks.
//
// The engine reads eight pattern tables of 19683 rows and a parameter file whenever the
// style of play changes, so readtxt reads the whole file into memory at once and makes
// two passes over the buffer (count the shape, then convert), with no stdio call per
// character. Conversions never go through the process locale: a desktop toolkit may set
// LC_NUMERIC to a locale with a decimal comma, and the files must not depend on that.
#include <locale.h>
#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "matrix/matrix.h"

namespace zedare {

namespace {

constexpr const char* kOpenForReading = "nieudane otwarcie pliku do odczytu";
constexpr const char* kOpenForWriting = "nieudane otwarcie pliku do zapisu";
constexpr int kMaxNumberLength = 29;
// The longest row a text table may have, blanks included: far beyond any table the
// engine reads (a few hundred characters a row), and a bound on the memory a file that
// never ends its first line can take.
constexpr size_t kMaxLine = size_t{1} << 24;
// The longest token the counted format takes (the rest of a long number is ignored).
constexpr int kMaxCountedToken = 4096;
// The most rows a counted table without elements may have (8 MB of row pointers).
constexpr long long kMaxEmptyRows = 1 << 20;

[[noreturn]] void stop(const char* signature, const char* message) {
  matrixError(signature, message, "");
}

locale_t cLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return locale;
}

// The longest prefix of text that is a number, 0 when there is none (the text-to-number
// rule of the formats), read in the "C" convention. `text` is NUL-terminated at length.
double parseNumber(const char* text, size_t length) {
  double value = 0.0;
  const auto [end, error] = std::from_chars(text, text + length, value);
  if (error == std::errc() && end == text + length) return value;
  // Everything from_chars does not take whole: a leading '+', hexadecimal, a trailing
  // non-numeric part, a value out of range.
  const locale_t locale = cLocale();
  return locale != static_cast<locale_t>(nullptr) ? strtod_l(text, nullptr, locale)
                                                  : std::strtod(text, nullptr);
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using ClosedFile = std::unique_ptr<std::FILE, FileCloser>;

// Reads a whole file, handing each newly read part to `check` (which may stop the
// process through the error path, so that a device or pipe that never ends is refused
// as soon as its contents cannot be a table). A file that opens but cannot be read (a
// directory) counts as one that cannot be opened.
template <class Check>
bool readWholeFile(const char* path, std::string& out, Check check) {
  if (path == nullptr) return false;
  // Closed on every way out, including an error handler that returns by throwing.
  const ClosedFile file(std::fopen(path, "rb"));
  if (!file) return false;
  struct stat info;
  if (fstat(fileno(file.get()), &info) == 0 && S_ISREG(info.st_mode))
    out.reserve(static_cast<size_t>(info.st_size));
  char chunk[1 << 16];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
    out.append(chunk, got);
    check(out.data() + out.size() - got, got);
  }
  return std::ferror(file.get()) == 0;
}

bool readWholeFile(const char* path, std::string& out) {
  return readWholeFile(path, out, [](const char*, size_t) {});
}

// Writes a whole buffer; false when the file cannot be opened or written completely.
bool writeWholeFile(const char* path, const char* mode, const std::string& text) {
  if (path == nullptr) return false;
  std::FILE* file = std::fopen(path, mode);
  if (file == nullptr) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && written;
}

// Appends value formatted as printf's "%.<precision>g" does in the "C" convention.
void appendNumber(std::string& out, double value, int precision) {
  char buffer[48];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, precision);
  out.append(buffer, result.ptr);
}

bool isBlank(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Whitespace-separated tokens of the counted format, from a buffer or from a stream.
// next() copies at most capacity - 1 characters of the next token (the rest of a longer
// token is skipped) and NUL-terminates them; it returns the copied length, -1 when no
// token is left, or -2 for a token longer than kMaxCountedToken (a device or a damaged
// file that never ends one). left() is the number of bytes not yet read, or -1 when the
// source cannot tell (a pipe); consumed() counts the bytes read so far.
class BufferTokens {
 public:
  BufferTokens(const char* begin, const char* end) : begin_(begin), at_(begin), end_(end) {}
  int next(char* token, int capacity) {
    while (at_ < end_ && isBlank(static_cast<unsigned char>(*at_))) ++at_;
    if (at_ == end_) return -1;
    int length = 0;
    for (int seen = 0; at_ < end_ && !isBlank(static_cast<unsigned char>(*at_)); ++at_) {
      if (++seen > kMaxCountedToken) return -2;
      if (length < capacity - 1) token[length++] = *at_;
    }
    token[length] = '\0';
    return length;
  }
  void skipBlanks() {}
  long long left() const { return end_ - at_; }
  long long consumed() const { return at_ - begin_; }

 private:
  const char* begin_;
  const char* at_;
  const char* end_;
};

class StreamTokens {
 public:
  explicit StreamTokens(std::FILE* stream) : stream_(stream) {}
  int next(char* token, int capacity) {
    int c = get();
    while (c != EOF && isBlank(c)) c = get();
    if (c == EOF) return -1;
    int length = 0;
    for (int seen = 0; c != EOF && !isBlank(c); c = get()) {
      if (++seen > kMaxCountedToken) return -2;
      if (length < capacity - 1) token[length++] = static_cast<char>(c);
    }
    token[length] = '\0';
    return length;
  }
  // The blank that ends the format is part of it: consume every blank up to the next
  // non-blank character, which stays in the stream.
  void skipBlanks() {
    int c = std::getc(stream_);
    while (c != EOF && isBlank(c)) c = std::getc(stream_);
    if (c != EOF) std::ungetc(c, stream_);
  }
  long long left() const {
    struct stat info;
    const long position = std::ftell(stream_);
    if (position < 0 || fstat(fileno(stream_), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    return info.st_size > position ? info.st_size - position : 0;
  }
  long long consumed() const { return consumed_; }

 private:
  int get() {
    const int c = std::getc(stream_);
    if (c != EOF) ++consumed_;
    return c;
  }
  std::FILE* stream_;
  long long consumed_ = 0;
};

// Reads a count the way "%d" does (sign and digits, the rest of the token ignored);
// false when there is none or it does not fit an int.
template <class Tokens>
bool readCount(Tokens& tokens, int& count) {
  char token[64];
  if (tokens.next(token, sizeof token) < 0) return false;
  char* end = nullptr;
  const long value = std::strtol(token, &end, 10);
  if (end == token || value < 0 || value > 2147483647L) return false;
  count = static_cast<int>(value);
  return true;
}

// Reads the next `count` elements into `out` (fewer when the source ends first).
template <class Tokens>
void readElements(Tokens& tokens, double* out, long long count, const char* signature) {
  char token[64];
  for (long long k = 0; k < count; ++k) {
    const int length = tokens.next(token, sizeof token);
    if (length == -1) return;
    if (length == -2) stop(signature, "liczba ma zbyt wiele cyfr");
    out[k] = parseNumber(token, static_cast<size_t>(length));
  }
}

template <class Tokens>
void readCounted(matrix& m, Tokens& tokens, const char* signature) {
  int rows = 0;
  int cols = 0;
  // A file without two valid counts would otherwise give an arbitrary shape.
  if (!readCount(tokens, rows) || !readCount(tokens, cols) ||
      (rows > 0 && cols > 2147483647 / rows))
    stop(signature, "nieprawidlowe wymiary macierzy");
  // Elements missing at the end of the file stay 0, but the counts must not claim more
  // elements than the file has bytes after them (every element takes one at least): a
  // few bytes must not make the reader allocate a table of any size. A table without
  // elements still costs memory for each row, so it may have at most kMaxEmptyRows
  // (a bound of its own, so that such a table, written, reads back).
  const long long count = static_cast<long long>(rows) * cols;
  auto tooLarge = [&](long long bytes) {
    return count > bytes || (count == 0 && rows > kMaxEmptyRows);
  };
  const long long left = tokens.left();
  if (left >= 0) {
    if (tooLarge(left)) stop(signature, "nieprawidlowe wymiary macierzy");
    m = matrix(rows, cols);
    if (count > 0) readElements(tokens, m.data[0], count, signature);
  } else {
    // A pipe cannot tell its length: the elements are gathered first, in memory that
    // grows only with what really arrives, and the same rule is checked at its end.
    const long long countsEnd = tokens.consumed();
    std::vector<double> values;
    char token[64];
    while (static_cast<long long>(values.size()) < count) {
      const int length = tokens.next(token, sizeof token);
      if (length == -1) break;
      if (length == -2) stop(signature, "liczba ma zbyt wiele cyfr");
      values.push_back(parseNumber(token, static_cast<size_t>(length)));
    }
    const bool complete = static_cast<long long>(values.size()) == count;
    if ((!complete && tooLarge(tokens.consumed() - countsEnd)) ||
        (count == 0 && rows > kMaxEmptyRows))
      stop(signature, "nieprawidlowe wymiary macierzy");
    m = matrix(rows, cols);
    std::copy(values.begin(), values.end(), count > 0 ? m.data[0] : nullptr);
  }
  tokens.skipBlanks();
}

std::string countedText(const matrix& m) {
  std::string out;
  out.reserve(24 + static_cast<size_t>(m.rowCount) * static_cast<size_t>(m.colCount) * 14);
  out += std::to_string(m.rowCount);
  out += ' ';
  out += std::to_string(m.colCount);
  out += ' ';
  for (int i = 0; i < m.rowCount; ++i) {
    for (int j = 0; j < m.colCount; ++j) {
      appendNumber(out, m.data[i][j], 6);
      out += ' ';
    }
  }
  return out;
}

}  // namespace

void matrix::readtxt(const char* path) {
  const char* signature = "readtxt(char *)";
  // First pass, as the file comes in: the shape. Every line ended by a newline is a row;
  // all must have the number of tokens of the first. A number longer than any number can
  // be, or a line longer than kMaxLine, ends the read at once: a device or a damaged file
  // that never ends a line or a number must not fill the memory.
  long long lines = 0;
  int columns = -1;
  int tokens = 0;
  int tokenLength = 0;
  size_t lineLength = 0;
  size_t tableEnd = 0;
  size_t scanned = 0;
  std::string text;
  auto scan = [&](const char* part, size_t count) {
    for (size_t q = 0; q < count; ++q) {
      switch (part[q]) {
        case '\r':
          break;
        case ' ':
        case '\t':
          tokenLength = 0;
          break;
        case '\n':
          if (columns < 0)
            columns = tokens;
          else if (tokens != columns)
            stop(signature, "zmienna liczba elementow w wierszach");
          ++lines;
          tokens = 0;
          tokenLength = 0;
          lineLength = 0;
          tableEnd = scanned + q + 1;
          continue;
        default:
          if (tokenLength++ == 0) ++tokens;
          if (tokenLength > kMaxNumberLength) stop(signature, "liczba ma zbyt wiele cyfr");
      }
      if (++lineLength > kMaxLine) stop(signature, "nieprawidlowe wymiary macierzy");
    }
    scanned += count;
  };
  if (!readWholeFile(path, text, scan)) stop(signature, kOpenForReading);
  const char* buffer = text.data();
  if (lines > 2147483647LL) stop(signature, "nieprawidlowe wymiary macierzy");
  const int rows = static_cast<int>(lines);
  if (rows == 0) columns = 0;

  if (rowCount != rows || colCount != columns) {
    release();
    allocate(rows, columns);
  }

  // Second pass: the values, over the complete lines only. The shape is known to
  // match, so every token has its place.
  char token[kMaxNumberLength + 1];
  int length = 0;
  int i = 0;
  int j = 0;
  for (size_t q = 0; q < tableEnd; ++q) {
    const char c = buffer[q];
    if (c == '\r') continue;
    if (c == ' ' || c == '\t' || c == '\n') {
      if (length > 0) {
        token[length] = '\0';
        data[i][j++] = parseNumber(token, static_cast<size_t>(length));
        length = 0;
      }
      if (c == '\n') {
        ++i;
        j = 0;
      }
      continue;
    }
    if (length == kMaxNumberLength) stop(signature, "liczba ma zbyt wiele cyfr");
    token[length++] = c == ',' ? '.' : c;
  }
}

void matrix::writetxt(const char* path, Separator separator) const {
  const char* signature = "writetxt(char *,Separator)";
  if (separator != Point && separator != Comma)
    stop(signature, "nieprawidlowy separator dziesietny");
  std::string out;
  out.reserve(static_cast<size_t>(rowCount) * (static_cast<size_t>(colCount) * 14 + 1));
  for (int i = 0; i < rowCount; ++i) {
    for (int j = 0; j < colCount; ++j) {
      const size_t start = out.size();
      appendNumber(out, data[i][j], 10);
      if (separator == Comma)
        for (size_t q = start; q < out.size(); ++q)
          if (out[q] == '.') out[q] = ',';
      if (j + 1 < colCount) out += '\t';
    }
    // A row without elements is still a line, so the shape reads back as written.
    out += '\n';
  }
  // A failed write is reported like a failed open: the file on disk is not the table.
  if (!writeWholeFile(path, "w", out)) stop(signature, kOpenForWriting);
}

void matrix::readbin(const char* path) {
  const char* signature = "readbin(char *)";
  // A regular file is read whole; anything else (a pipe, a device) is read token by token,
  // as far as the table needs, so that a source that never ends cannot fill the memory.
  struct stat info;
  if (path != nullptr && stat(path, &info) == 0 && !S_ISREG(info.st_mode) &&
      !S_ISDIR(info.st_mode)) {
    const ClosedFile stream(std::fopen(path, "rb"));
    if (!stream) stop(signature, kOpenForReading);
    StreamTokens tokens(stream.get());
    readCounted(*this, tokens, signature);
    return;
  }
  std::string text;
  if (!readWholeFile(path, text)) stop(signature, kOpenForReading);
  BufferTokens tokens(text.data(), text.data() + text.size());
  readCounted(*this, tokens, signature);
}

void matrix::writebin(const char* path) const {
  if (!writeWholeFile(path, "wb", countedText(*this))) stop("writebin(char *)", kOpenForWriting);
}

void matrix::readbin(std::FILE* stream) {
  const char* signature = "readbin(FILE *)";
  if (stream == nullptr) stop(signature, kOpenForReading);
  StreamTokens tokens(stream);
  readCounted(*this, tokens, signature);
}

void matrix::writebin(std::FILE* stream) const {
  const std::string text = countedText(*this);
  if (stream == nullptr || std::fwrite(text.data(), 1, text.size(), stream) != text.size())
    stop("writebin(FILE *)", kOpenForWriting);
}

}  // namespace zedare
