// Board: the engine's one position type, and the node of the search tree.
//
// A Board holds an 8x8 position, its disc count, the side to move and the candidate
// list (every empty square next to a disc, in the order the squares became
// candidates). Each candidate entry may own the Board reached by playing it, so the
// search tree is a tree of Boards owned top-down.
//
// Squares are (row, column), each 1..8; the row is the major coordinate. Colours are
// +1 and -1 (-1 moves first), 0 for no disc.
//
// Two storage forms, chosen per object:
//
//   packed (BoardForm::Packed): two 64-bit words. Square (r, c) is bit (r-1)*8 + (c-1), so row r
//     is byte r-1 and column c is bit c-1 of that byte.
//       occupancy: bit set = the square holds a disc.
//       colour:    for an occupied square, set = colour +1, clear = colour -1;
//                  for an empty square, set = the square is a candidate.
//     Copies are two word moves, and legality, flips and counts are whole-word bit
//     operations.
//
//   grid (BoardForm::Grid): an owned array of 128 ints. Element (r-1)*8 + (c-1) is the colour of
//     (r, c) (+1, -1, 0); element 64 + (r-1)*8 + (c-1) is its square state (0 empty, 1
//     candidate, 2 occupied). The search's per-ply scratch boards are in this form. A
//     grid board keeps its two words current as well, so every rule runs on the same
//     bit operations in both forms. Every change rebuilds the grid at once, except a
//     move played by playFrom (the search's millions of scratch moves, whose grid
//     nobody reads): that grid is rebuilt from the words when it is next read. checkConsistency()
//     verifies that the two agree.
//
// Values: cachedValue, lowerBound and upperBound are the search's score of this
// position and its two MTD(f) bounds; kNoValue (-9999.0) means unknown.
//
// The move list is an owned array with a capacity of its own: a board that is played
// on again and again (the search's scratch boards) reuses its array and allocates
// nothing once it is large enough.
#ifndef ZEDARE_BOARD_BOARD_H
#define ZEDARE_BOARD_BOARD_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace zedare {

constexpr float kNoValue = -9999.0f;
constexpr int kMaxMoves = 60;


// How strictly a text form is read (see Board::parseText).
enum class TextStrictness { Lenient, Strict };

// One decimal integer after optional white space, in low..high; false, with `p`
// unmoved, when there is none or it is out of range.
bool readBoundedInteger(const char*& p, long long low, long long high, long long& out);

struct Board;

// The state of a move-list entry (the list sort puts higher values first).
enum class MoveFlag : int8_t {
  Illegal = 0,  // tried and not legal
  Untried = 1,  // a candidate not yet tried
  Legal = 2,    // tried and legal (its child kept or null); also a book's chosen move
};

struct MoveEntry {
  MoveFlag flag = MoveFlag::Untried;
  int8_t row = 0;
  int8_t column = 0;
  float value = kNoValue;
  Board* child = nullptr;  // owned
};

// The two storage forms (see above).
enum class BoardForm : uint8_t { Packed = 1, Grid = 2 };

// Process-wide constant tables.
extern const uint8_t ColumnMask[8];
extern const uint8_t ColumnClearMask[8];
extern const int BitCountTable[256];
// 65536 rows of 16 ints: index occupancyByte * 256 + colourByte of one packed row gives
// the eight colours and then the eight square states of that row, as the grid stores
// them. Computed from its rule on first use (thread-safe); see converterTable().
const int32_t* converterRow(unsigned occupancyByte, unsigned colourByte);

// Bit of square (row, column), both 1..8.
constexpr uint64_t squareBit(int row, int column) {
  return uint64_t{1} << ((row - 1) * 8 + (column - 1));
}
constexpr int squareIndex(int row, int column) {
  return (row - 1) * 8 + (column - 1);
}

struct Board {
  uint64_t occupancy = 0;
  uint64_t colour = 0;
  int32_t* grid = nullptr;     // grid form only; owned; 128 ints
  MoveEntry* moves = nullptr;  // owned; moveCount entries valid
  // The next board in a list of the engine's NodeStore (free or waiting to be
  // recycled); unused outside it.
  Board* link = nullptr;
  float cachedValue = kNoValue;
  float lowerBound = kNoValue;
  float upperBound = kNoValue;
  // The MTD(f) search whose bounds lowerBound and upperBound are (see searchMtdf): bounds
  // stored by an earlier search count as unknown, so a search forgets every bound of the
  // kept tree without walking it.
  uint32_t boundEpoch = 0;
  BoardForm form = BoardForm::Packed;
  int8_t discCount = 0;
  int8_t sideToMove = 0;
  int8_t moveCount = 0;
  int8_t moveCapacity = 0;
  // What scale cachedValue is on (0 heuristic, 1 disc difference), so that a score
  // cached by a heuristic search is never taken for a disc difference or back.
  int8_t cachedKind = 0;
  // 1 for a board of the engine's NodeStore (the kept search tree): its memory is the
  // store's, so it is never deleted, and a board that owns it does not delete it.
  uint8_t inStore = 0;
  // Grid form: the grid no longer matches the words and is rebuilt from them before it
  // is next read. Moves and copies only change the words; the grid is made when read.
  mutable bool gridStale = false;

  Board() = default;
  // Copy: squares, side to move, disc count, the move list with every entry reset
  // (untried, no value, no child) and all three values unknown. Keeps the target's form.
  Board(const Board& other);
  Board& operator=(const Board& other);
  ~Board();

  // Converts to the grid form (allocating the grid) and fills it from the words.
  void toGrid();
  // The grid of a grid-form board, brought up to date with the words first.
  const int32_t* gridSquares() const;
  // Makes room for `entries` move entries (at most kMaxMoves) so that copies and moves
  // up to that size allocate nothing.
  void reserveMoves(int entries) { ensureCapacity(entries); }

  // ---- squares ----
  int colourAt(int row, int column) const;  // +1, -1, 0
  int stateAt(int row, int column) const;   // 0 empty, 1 candidate, 2 occupied
  // Discs of a colour as a bit mask (colour +1 or -1).
  uint64_t discs(int colourValue) const {
    return colourValue > 0 ? occupancy & colour : occupancy & ~colour;
  }
  uint64_t candidates() const { return ~occupancy & colour; }
  // Sets one square directly (used by readers and tests): colour +1/-1 puts a disc,
  // 0 empties it and clears its candidate flag. Does not touch the list or the count.
  void setSquare(int row, int column, int colourValue);
  // Marks an empty square as candidate (state 1) or not, without touching the list.
  void setCandidateFlag(int row, int column, bool candidate);

  // count(0): empty squares; count(+1) / count(-1): discs of that colour.
  int count(int colourValue) const;

  // Same squares (packed: both words, so candidate flags too; grid: the 64 colours).
  // The form of this board decides.
  bool sameSquares(const Board& other) const;

  // ---- whole-board operations ----
  void setInitial();
  // Copies only the squares (and the words), by the forms of both boards.
  void assignSquares(const Board& source);
  // Writes into target the position mapped by symmetry code 0..7 (see symmetry()).
  void copyTransformed(Board& target, int code) const;
  // Writes into target the position with every disc's colour negated.
  void copyInverted(Board& target) const;
  void resetMoves();
  void copyMovesWithValues(const Board& source);
  // Stable sort: flag descending, then value ascending (order 0) or descending (1).
  void sortMoves(int order);
  // lowerBound and upperBound := unknown here and in every kept child, recursively.
  void clearValues();
  // Destroys every child board below every entry, frees the list, count := 0.
  void destroyChildren();

  // Text form: the 64 colours as "%i " row by row, then " %i" with the side to move,
  // then the trailer. readLine() reads the same with the trailer used as a scan
  // format; it returns false when the text does not parse (the board is then left
  // with whatever squares were read). The caller runs rebuildCandidates() after it.
  void writeLine(std::FILE* stream, const char* trailer) const;
  bool readLine(std::FILE* stream, const char* trailer);
  std::string toLine() const;  // the text form without trailer
  // Parse of the text form from a string: 64 integers and the side to move, -1, 0 or
  // +1, after optional white space each. Returns false, leaving the board unchanged,
  // when a number is missing or out of range; on success the cursor is left after the
  // side to move. Lenient (the engine's own files: books, game records): square values
  // 0 empty, -1 black, any other value up to 1000 in size white, as those readers have
  // always taken them. Strict (the offline tools' inputs): every square -1, 0 or +1,
  // and `why` (if given) says what is wrong.
  bool parseText(const char*& cursor, TextStrictness strictness = TextStrictness::Lenient,
                 std::string* why = nullptr);

  // ---- rules ----
  int isLegal(int row, int column, int colourValue) const;
  int play(int row, int column, int colourValue);
  // This board := `parent` with (row, column) played by colourValue, as a copy of the
  // parent followed by play() would leave it, without copying the parent's list first.
  // When the move is illegal, 0 and this board is left as it was. This board must own
  // no children.
  int playFrom(const Board& parent, int row, int column, int colourValue);
  // The same for the squares, side to move, disc count and values only: the move list
  // is left empty. For a position that is scored and never expanded (the search's
  // leaves), whose list nobody reads.
  int playSquaresFrom(const Board& parent, int row, int column, int colourValue);
  // The discs that (row, column) flips for a colour; 0 when the move is not legal.
  uint64_t flipsFor(int row, int column, int colourValue) const;
  // playFrom and playSquaresFrom for a legal move whose flips (flipsFor on the parent)
  // the caller already has, so that they are not found twice.
  void playFrom(const Board& parent, int row, int column, int colourValue, uint64_t flips);
  void playSquaresFrom(const Board& parent, int row, int column, int colourValue,
                       uint64_t flips);
  // Room the move list needs after (row, column) is played here (at most kMaxMoves).
  int listSizeAfter(int row, int column) const;
  void pass() { sideToMove = static_cast<int8_t>(-sideToMove); }
  int hasLegalMove(int colourValue) const;
  int mobility(int colourValue) const;  // legal candidates, X-squares not counted
  void rebuildCandidates();
  // Bit mask of the legal squares for a colour (whole-board, all empty squares).
  uint64_t legalMask(int colourValue) const;

  // Debug check: rebuilds the candidate set and disc count from the squares and
  // compares with the stored ones (and, in the grid form, the grid with the words).
  // Returns an empty string when consistent, else a description of the first fault.
  std::string checkConsistency() const;

 private:
  void ensureCapacity(int entries);
  // The three ways of playing a move share these: the words, disc count, side to move
  // and values after (row, column) flipping `flips` is played from parent's squares, and
  // the list after it (parent may be this board).
  void takeSquaresFrom(const Board& parent, int row, int column, uint64_t flips, int colourValue);
  void takeListFrom(const Board& parent, int row, int column);
  // After a change of the words: the grid is rebuilt now (refreshGrid) or when it is
  // next read (markGridStale, for the search's scratch boards).
  void markGridStale() {
    if (form == BoardForm::Grid) gridStale = true;
  }
  void refreshGrid() {
    markGridStale();
    syncGrid();
  }
  void syncGrid() const;
};

// The longest line any of the engine's text files may hold. A position line is under 200
// characters and a book, game or training line a few dozen more; a longer line is refused
// as soon as it passes this length, so that a "file" that never ends a line (a device, a
// damaged file) cannot make a reader grow its memory without bound.
constexpr std::size_t kMaxTextLine = 4096;

enum class LineStatus { Line, End, TooLong };

// Reads one line of a text file into `line`, without its "\n"; End at the end of the file
// (a last line without "\n" is still a Line), TooLong as soon as the line passes
// maxLength characters (the rest of it stays unread).
LineStatus readBoundedLine(std::FILE* stream, std::string& line,
                           std::size_t maxLength = kMaxTextLine);

// Reads one line of a text file into `line`, without its line end; false at the end of
// the file or for a line longer than kMaxTextLine. The readers of position lines (game
// records, books) go line by line so that a short or broken line is seen as such and
// never runs into the next one.
bool readTextLine(std::FILE* stream, std::string& line);

// Maps square (row, column) by symmetry code 0..7:
// 0 (r,c) 1 (c,r) 2 (9-c,9-r) 3 (9-r,9-c) 4 (r,9-c) 5 (c,9-r) 6 (9-r,c) 7 (9-c,r).
void symmetry(int code, int row, int column, int& outRow, int& outColumn);

}  // namespace zedare

#endif
