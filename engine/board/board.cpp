// Board storage: the shared tables, construction and copying in both forms, the
// symmetric and colour-inverted copies, move-list housekeeping and the text form.
// The rules themselves (legality, flips, candidates) are in rules.cpp.
#include "board/board.h"

#include <bit>
#include <cerrno>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <new>

namespace zedare {

const uint8_t ColumnMask[8] = {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80};
const uint8_t ColumnClearMask[8] = {0xFE, 0xFD, 0xFB, 0xF7, 0xEF, 0xDF, 0xBF, 0x7F};

namespace {

struct BitCounts {
  int v[256];
  constexpr BitCounts() : v() {
    for (int i = 0; i < 256; ++i) v[i] = std::popcount(static_cast<unsigned>(i));
  }
};
constexpr BitCounts kBitCounts;

// The row converter: entry k = occupancy * 256 + colour of one packed row holds the
// eight colours and then the eight square states of columns 1..8. Built from its rule
// once per process; a function-local static makes the first use thread-safe.
const int32_t* converterTable() {
  static const int32_t* table = [] {
    int32_t* t = new int32_t[65536 * 16];
    for (unsigned k = 0; k < 65536; ++k) {
      const unsigned occ = k >> 8, col = k & 0xFF;
      int32_t* e = t + k * 16;
      for (int c = 0; c < 8; ++c) {
        const bool occupied = (occ >> c) & 1, flag = (col >> c) & 1;
        e[c] = occupied ? (flag ? 1 : -1) : 0;
        e[8 + c] = occupied ? 2 : (flag ? 1 : 0);
      }
    }
    return t;
  }();
  return table;
}

}  // namespace

const int BitCountTable[256] = {
#define B2(n) n, n + 1, n + 1, n + 2
#define B4(n) B2(n), B2(n + 1), B2(n + 1), B2(n + 2)
#define B6(n) B4(n), B4(n + 1), B4(n + 1), B4(n + 2)
    B6(0), B6(1), B6(1), B6(2)
#undef B2
#undef B4
#undef B6
};
static_assert(sizeof(BitCountTable) == sizeof(kBitCounts.v));

const int32_t* converterRow(unsigned occupancyByte, unsigned colourByte) {
  return converterTable() + ((occupancyByte & 0xFF) * 256 + (colourByte & 0xFF)) * 16;
}

void symmetry(int code, int row, int column, int& outRow, int& outColumn) {
  switch (code) {
    case 1:
      outRow = column, outColumn = row;
      break;
    case 2:
      outRow = 9 - column, outColumn = 9 - row;
      break;
    case 3:
      outRow = 9 - row, outColumn = 9 - column;
      break;
    case 4:
      outRow = row, outColumn = 9 - column;
      break;
    case 5:
      outRow = column, outColumn = 9 - row;
      break;
    case 6:
      outRow = 9 - row, outColumn = column;
      break;
    case 7:
      outRow = 9 - column, outColumn = row;
      break;
    default:
      outRow = row, outColumn = column;
      break;
  }
}

// ---------------------------------------------------------------------------
// Construction and copying

Board::Board(const Board& other) {
  *this = other;
}

Board& Board::operator=(const Board& other) {
  if (this == &other) return *this;
  assignSquares(other);
  sideToMove = other.sideToMove;
  discCount = other.discCount;
  ensureCapacity(other.moveCount);
  moveCount = other.moveCount;
  for (int i = 0; i < moveCount; ++i) {
    moves[i] =
        MoveEntry{MoveFlag::Untried, other.moves[i].row, other.moves[i].column, kNoValue, nullptr};
  }
  cachedValue = lowerBound = upperBound = kNoValue;
  return *this;
}

Board::~Board() {
  destroyChildren();
  std::free(moves);
  delete[] grid;
}

void Board::ensureCapacity(int entries) {
  if (entries <= moveCapacity) return;
  // Grow in steps of eight: a scratch board that is played on again and again soon
  // stops reallocating. Boards of the kept tree (the store's) are sized exactly, since
  // there are millions of them and their lists are written once.
  int capacity = inStore ? entries : (entries + 7) / 8 * 8;
  if (capacity > kMaxMoves) capacity = kMaxMoves;
  if (capacity < entries) capacity = entries;
  void* p = std::realloc(moves, sizeof(MoveEntry) * capacity);
  if (!p) throw std::bad_alloc();
  moves = static_cast<MoveEntry*>(p);
  moveCapacity = static_cast<int8_t>(capacity);
}

void Board::toGrid() {
  if (!grid) grid = new int32_t[128];
  form = BoardForm::Grid;
  refreshGrid();
}

void Board::syncGrid() const {
  if (form != BoardForm::Grid || !gridStale) return;
  for (int r = 1; r <= 8; ++r) {
    const unsigned occ = (occupancy >> ((r - 1) * 8)) & 0xFF;
    const unsigned col = (colour >> ((r - 1) * 8)) & 0xFF;
    const int32_t* e = converterRow(occ, col);
    std::memcpy(grid + (r - 1) * 8, e, 8 * sizeof(int32_t));
    std::memcpy(grid + 64 + (r - 1) * 8, e + 8, 8 * sizeof(int32_t));
  }
  gridStale = false;
}

const int32_t* Board::gridSquares() const {
  syncGrid();
  return grid;
}

void Board::assignSquares(const Board& source) {
  occupancy = source.occupancy;
  colour = source.colour;
  refreshGrid();
}

// ---------------------------------------------------------------------------
// Squares

int Board::colourAt(int row, int column) const {
  if (form == BoardForm::Grid) return gridSquares()[squareIndex(row, column)];
  const uint64_t bit = squareBit(row, column);
  if (!(occupancy & bit)) return 0;
  return (colour & bit) ? 1 : -1;
}

int Board::stateAt(int row, int column) const {
  if (form == BoardForm::Grid) return gridSquares()[64 + squareIndex(row, column)];
  const uint64_t bit = squareBit(row, column);
  if (occupancy & bit) return 2;
  return (colour & bit) ? 1 : 0;
}

void Board::setSquare(int row, int column, int colourValue) {
  const uint64_t bit = squareBit(row, column);
  if (colourValue == 0) {
    occupancy &= ~bit;
    colour &= ~bit;
  } else {
    occupancy |= bit;
    if (colourValue > 0) {
      colour |= bit;
    } else {
      colour &= ~bit;
    }
  }
  refreshGrid();
}

void Board::setCandidateFlag(int row, int column, bool candidate) {
  const uint64_t bit = squareBit(row, column);
  if (occupancy & bit) return;
  if (candidate) {
    colour |= bit;
  } else {
    colour &= ~bit;
  }
  refreshGrid();
}

int Board::count(int colourValue) const {
  if (colourValue == 0) return 64 - std::popcount(occupancy);
  return std::popcount(discs(colourValue));
}

bool Board::sameSquares(const Board& other) const {
  if (form == BoardForm::Grid && other.form == BoardForm::Grid) {
    return std::memcmp(gridSquares(), other.gridSquares(), 64 * sizeof(int32_t)) == 0;
  }
  if (form == BoardForm::Grid) {
    return occupancy == other.occupancy && discs(1) == other.discs(1);
  }
  return occupancy == other.occupancy && colour == other.colour;
}

// ---------------------------------------------------------------------------
// Whole-board operations

void Board::setInitial() {
  sideToMove = -1;
  occupancy = squareBit(4, 4) | squareBit(5, 5) | squareBit(4, 5) | squareBit(5, 4);
  colour = squareBit(4, 4) | squareBit(5, 5);
  // The twelve empty neighbours of the centre, listed row by row.
  static const int8_t kCandidates[12][2] = {{3, 3}, {3, 4}, {3, 5}, {3, 6}, {4, 3}, {4, 6},
                                            {5, 3}, {5, 6}, {6, 3}, {6, 4}, {6, 5}, {6, 6}};
  ensureCapacity(12);
  moveCount = 12;
  for (int i = 0; i < 12; ++i) {
    colour |= squareBit(kCandidates[i][0], kCandidates[i][1]);
    moves[i] =
        MoveEntry{MoveFlag::Untried, kCandidates[i][0], kCandidates[i][1], kNoValue, nullptr};
  }
  refreshGrid();
  discCount = 4;
  cachedValue = lowerBound = upperBound = kNoValue;
}

void Board::copyTransformed(Board& target, int code) const {
  uint64_t occ = 0, col = 0;
  for (uint64_t m = occupancy | colour; m; m &= m - 1) {
    const int sq = std::countr_zero(m);
    int r, c;
    symmetry(code, sq / 8 + 1, sq % 8 + 1, r, c);
    const uint64_t bit = squareBit(r, c);
    if (occupancy & (uint64_t{1} << sq)) occ |= bit;
    if (colour & (uint64_t{1} << sq)) col |= bit;
  }
  target.occupancy = occ;
  target.colour = col;
  target.refreshGrid();
  target.ensureCapacity(moveCount);
  target.moveCount = moveCount;
  for (int i = 0; i < moveCount; ++i) {
    int r, c;
    symmetry(code, moves[i].row, moves[i].column, r, c);
    target.moves[i] = MoveEntry{MoveFlag::Untried, static_cast<int8_t>(r), static_cast<int8_t>(c),
                                kNoValue, nullptr};
  }
  target.discCount = discCount;
  target.sideToMove = sideToMove;
  target.cachedValue = target.lowerBound = target.upperBound = kNoValue;
}

void Board::copyInverted(Board& target) const {
  target.occupancy = occupancy;
  // Discs change colour; candidate flags of empty squares stay.
  target.colour = colour ^ occupancy;
  target.refreshGrid();
  target.ensureCapacity(moveCount);
  target.moveCount = moveCount;
  for (int i = 0; i < moveCount; ++i) {
    target.moves[i] =
        MoveEntry{MoveFlag::Untried, moves[i].row, moves[i].column, kNoValue, nullptr};
  }
  target.discCount = discCount;
  target.sideToMove = static_cast<int8_t>(-sideToMove);
  target.cachedValue = target.lowerBound = target.upperBound = kNoValue;
}

void Board::resetMoves() {
  for (int i = 0; i < moveCount; ++i) {
    moves[i].flag = MoveFlag::Untried;
    moves[i].value = kNoValue;
    moves[i].child = nullptr;
  }
}

void Board::copyMovesWithValues(const Board& source) {
  ensureCapacity(source.moveCount);
  moveCount = source.moveCount;
  for (int i = 0; i < moveCount; ++i) {
    moves[i] = source.moves[i];
    moves[i].child = nullptr;
  }
}

void Board::sortMoves(int order) {
  // Insertion sort: stable, and lists hold at most 60 entries, usually about ten.
  for (int i = 1; i < moveCount; ++i) {
    const MoveEntry e = moves[i];
    int j = i;
    for (; j > 0; --j) {
      const MoveEntry& p = moves[j - 1];
      bool before;  // does e belong before p?
      if (e.flag != p.flag) {
        before = e.flag > p.flag;
      } else if (order == 1) {
        before = e.value > p.value;
      } else {
        before = e.value < p.value;
      }
      if (!before) break;
      moves[j] = moves[j - 1];
    }
    moves[j] = e;
  }
}

void Board::clearValues() {
  lowerBound = upperBound = kNoValue;
  for (int i = 0; i < moveCount; ++i) {
    if (moves[i].child) moves[i].child->clearValues();
  }
}

void Board::destroyChildren() {
  for (int i = 0; i < moveCount; ++i) {
    // The child's destructor takes its own subtree; a board of the engine's NodeStore
    // belongs to the store, which takes its subtrees back itself.
    if (moves[i].child && !moves[i].child->inStore) delete moves[i].child;
    moves[i].child = nullptr;
  }
}

// ---------------------------------------------------------------------------
// Text form

void Board::writeLine(std::FILE* stream, const char* trailer) const {
  std::fputs(toLine().c_str(), stream);
  std::fputs(trailer, stream);
}

bool readBoundedInteger(const char*& p, long long low, long long high, long long& out) {
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(p, &end, 10);  // skips leading white space
  if (end == p || errno == ERANGE || v < low || v > high) return false;
  out = v;
  p = end;
  return true;
}

bool Board::parseText(const char*& cursor, TextStrictness strictness, std::string* why) {
  const char* p = cursor;
  const long long squareLimit = strictness == TextStrictness::Strict ? 1 : 1000;
  long long values[64];
  for (int i = 0; i < 64; ++i) {
    if (!readBoundedInteger(p, -squareLimit, squareLimit, values[i])) {
      if (why) {
        *why = "square " + std::to_string(i / 8 + 1) + "," + std::to_string(i % 8 + 1) +
               " is not -1, 0 or 1";
      }
      return false;
    }
  }
  long long side;
  if (!readBoundedInteger(p, -1, 1, side)) {
    if (why) *why = "the side to move is missing or not -1, 0 or 1";
    return false;
  }
  for (int i = 0; i < 64; ++i) {
    setSquare(i / 8 + 1, i % 8 + 1, values[i] == 0 ? 0 : (values[i] == -1 ? -1 : 1));
  }
  sideToMove = static_cast<int8_t>(side);
  cursor = p;
  return true;
}

LineStatus readBoundedLine(std::FILE* stream, std::string& line, std::size_t maxLength) {
  line.clear();
  int ch;
  while ((ch = getc_unlocked(stream)) != EOF && ch != '\n') {
    if (line.size() >= maxLength) return LineStatus::TooLong;
    line += static_cast<char>(ch);
  }
  return ch != EOF || !line.empty() ? LineStatus::Line : LineStatus::End;
}

bool readTextLine(std::FILE* stream, std::string& line) {
  return readBoundedLine(stream, line) == LineStatus::Line;
}

std::string Board::toLine() const {
  std::string text;
  text.reserve(200);
  for (int r = 1; r <= 8; ++r) {
    for (int c = 1; c <= 8; ++c) {
      const int v = colourAt(r, c);
      text += v < 0 ? "-1 " : v > 0 ? "1 " : "0 ";
    }
  }
  text += ' ';
  text += std::to_string(static_cast<int>(sideToMove));
  return text;
}

bool Board::readLine(std::FILE* stream, const char* trailer) {
  for (int r = 1; r <= 8; ++r) {
    for (int c = 1; c <= 8; ++c) {
      int v;
      if (std::fscanf(stream, "%i ", &v) != 1) return false;
      setSquare(r, c, v == 0 ? 0 : (v == -1 ? -1 : 1));
    }
  }
  int side;
  if (std::fscanf(stream, " %i", &side) != 1) return false;
  sideToMove = static_cast<int8_t>(side);
  // Every trailer the engine uses is white space, which as a scan format skips any
  // run of white space; other characters must match literally.
  for (const char* t = trailer; *t; ++t) {
    int ch;
    if (std::isspace(static_cast<unsigned char>(*t))) {
      while ((ch = std::fgetc(stream)) != EOF && std::isspace(ch)) {
      }
      if (ch != EOF) std::ungetc(ch, stream);
    } else if ((ch = std::fgetc(stream)) != *t) {
      if (ch != EOF) std::ungetc(ch, stream);
      return false;
    }
  }
  return true;
}

}  // namespace zedare
