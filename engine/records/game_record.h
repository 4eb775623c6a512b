// GameRecord: every position of a game, indexed by disc count - 4, so the user can step
// back and forth, continue from an earlier position, and save and load the game.
//
// Game file (text): "%i %i %i\n" with the player colour, the current index and the last
// index, then one Board text line per position 0..last ("%i " x 64, " %i", "\n").
#ifndef ZEDARE_RECORDS_GAME_RECORD_H
#define ZEDARE_RECORDS_GAME_RECORD_H

#include "board/board.h"

namespace zedare {

struct GameRecord {
  static constexpr int kSlots = 61;

  int currentIndex = 0;
  int lastIndex = 0;
  int playerColour = -1;
  Board positions[kSlots];

  GameRecord();
  GameRecord(const GameRecord& other);
  GameRecord& operator=(const GameRecord& other);

  void reset();
  // Stores a copy of the position at index discCount - 4 and makes it the last one.
  // A position whose disc count lies outside 4..64, or more than one past the last
  // stored one (the slots between would hold no position of this game), is not stored.
  void store(const Board& position, int colour);
  void loadCurrent(Board& target) const { target = positions[currentIndex]; }
  int currentSideToMove() const { return positions[currentIndex].sideToMove; }
  void forward() {
    if (currentIndex < lastIndex) ++currentIndex;
  }
  void back() {
    if (currentIndex > 0) --currentIndex;
  }
  void toLast() { currentIndex = lastIndex; }
  void toFirst() { currentIndex = 0; }

  // Saving writes a temporary file beside the target and renames it over the target,
  // so an existing good file is never replaced by a half-written one; a read-only
  // target is refused (see replaceFileContents).
  bool save(const char* path) const;
  // Loading parses the whole file into a temporary record and installs it only when
  // the file is good: a missing or unreadable file, a malformed header, a last index
  // outside 0..60, a current index outside 0..last, a missing, short or overlong
  // position line, a position in slot i without i + 4 discs, or a side to move other
  // than -1, 0, +1 leaves this record exactly as it was.
  bool load(const char* path);
};

}  // namespace zedare

#endif
