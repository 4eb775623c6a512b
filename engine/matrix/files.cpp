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

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "matrix/matrix.h"

namespace zedare {

namespace {

constexpr const char* kOpenForReading = "nieudane otwarcie pliku do odczytu";
constexpr const char* kOpenForWriting = "nieudane otwarcie pliku do zapisu";
constexpr int kMaxNumberLength = 29;

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

// Reads a whole file. A file that opens but cannot be read (a directory) counts as
// one that cannot be opened.
bool readWholeFile(const char* path, std::string& out) {
  if (path == nullptr) return false;
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  struct stat info;
  if (fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode))
    out.reserve(static_cast<size_t>(info.st_size));
  char chunk[1 << 16];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) out.append(chunk, got);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  return !failed;
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
// token is skipped) and NUL-terminates them; it returns the copied length, or -1 when
// no token is left.
class BufferTokens {
 public:
  BufferTokens(const char* begin, const char* end) : at_(begin), end_(end) {}
  int next(char* token, int capacity) {
    while (at_ < end_ && isBlank(static_cast<unsigned char>(*at_))) ++at_;
    if (at_ == end_) return -1;
    int length = 0;
    for (; at_ < end_ && !isBlank(static_cast<unsigned char>(*at_)); ++at_)
      if (length < capacity - 1) token[length++] = *at_;
    token[length] = '\0';
    return length;
  }
  void skipBlanks() {}

 private:
  const char* at_;
  const char* end_;
};

class StreamTokens {
 public:
  explicit StreamTokens(std::FILE* stream) : stream_(stream) {}
  int next(char* token, int capacity) {
    int c = std::getc(stream_);
    while (c != EOF && isBlank(c)) c = std::getc(stream_);
    if (c == EOF) return -1;
    int length = 0;
    while (c != EOF && !isBlank(c)) {
      if (length < capacity - 1) token[length++] = static_cast<char>(c);
      c = std::getc(stream_);
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

 private:
  std::FILE* stream_;
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

template <class Tokens>
void readCounted(matrix& m, Tokens& tokens, const char* signature) {
  int rows = 0;
  int cols = 0;
  // A file without two valid counts would otherwise give an arbitrary shape.
  if (!readCount(tokens, rows) || !readCount(tokens, cols) ||
      (rows > 0 && cols > 2147483647 / rows))
    stop(signature, "nieprawidlowe wymiary macierzy");
  m = matrix(rows, cols);
  char token[64];
  for (int i = 0; i < rows; ++i) {
    for (int j = 0; j < cols; ++j) {
      const int length = tokens.next(token, sizeof token);
      // An element missing at the end of the file stays 0.
      if (length < 0) return;
      m.data[i][j] = parseNumber(token, static_cast<size_t>(length));
    }
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
  std::string text;
  if (!readWholeFile(path, text)) stop(signature, kOpenForReading);
  const char* buffer = text.data();
  const size_t size = text.size();

  // First pass: the shape. Every line ended by a newline is a row; all must have the
  // number of tokens of the first.
  long long lines = 0;
  int columns = -1;
  int tokens = 0;
  bool inToken = false;
  size_t tableEnd = 0;
  for (size_t q = 0; q < size; ++q) {
    switch (buffer[q]) {
      case '\r':
        break;
      case ' ':
      case '\t':
        inToken = false;
        break;
      case '\n':
        if (columns < 0)
          columns = tokens;
        else if (tokens != columns)
          stop(signature, "zmienna liczba elementow w wierszach");
        ++lines;
        tokens = 0;
        inToken = false;
        tableEnd = q + 1;
        break;
      default:
        if (!inToken) {
          inToken = true;
          ++tokens;
        }
    }
  }
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
