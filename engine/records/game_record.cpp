// The game record and its text file.
#include "records/game_record.h"

#include "records/safe_file.h"

#include <bit>
#include <cassert>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace zedare {

namespace {

// The record's invariant, which Debug builds check after every change: the indices in
// order, and every slot up to the last holding a position of its own disc count (slot i,
// i + 4 discs), so that stepping through the record reaches only positions of the game.
[[maybe_unused]] bool slotsHoldTheirCounts(const GameRecord& r) {
  if (r.lastIndex < 0 || r.lastIndex >= GameRecord::kSlots || r.currentIndex < 0 ||
      r.currentIndex > r.lastIndex)
    return false;
  for (int i = 0; i <= r.lastIndex; ++i) {
    const Board& b = r.positions[i];
    if (b.discCount != i + 4 || std::popcount(b.occupancy) != i + 4) return false;
  }
  return true;
}

}  // namespace

GameRecord::GameRecord() {
  reset();
}

GameRecord::GameRecord(const GameRecord& other) {
  *this = other;
}

GameRecord& GameRecord::operator=(const GameRecord& other) {
  if (this == &other) return *this;
  currentIndex = other.currentIndex;
  lastIndex = other.lastIndex;
  playerColour = other.playerColour;
  for (int i = 0; i <= lastIndex; ++i) positions[i] = other.positions[i];
  assert(slotsHoldTheirCounts(*this));
  return *this;
}

void GameRecord::reset() {
  currentIndex = 0;
  lastIndex = 0;
  playerColour = -1;
  positions[0].setInitial();
}

void GameRecord::store(const Board& position, int colour) {
  const int i = position.discCount - 4;
  // A slot beyond the one after the last would leave slots never written between them,
  // which navigation would reach as positions of the game: such a store is refused.
  if (i < 0 || i >= kSlots || i > lastIndex + 1) return;
  playerColour = colour;
  positions[i] = position;
  currentIndex = i;
  lastIndex = i;
  assert(slotsHoldTheirCounts(*this));
}

bool GameRecord::save(const char* path) const {
  std::string text = std::to_string(playerColour) + " " + std::to_string(currentIndex) + " " +
                     std::to_string(lastIndex) + "\n";
  for (int i = 0; i <= lastIndex; ++i) {
    text += positions[i].toLine();
    text += '\n';
  }
  return replaceFileContents(path, text);
}

namespace {

bool onlyBlanks(const char* p) {
  for (; *p; ++p) {
    if (*p != ' ' && *p != '\t' && *p != '\r') return false;
  }
  return true;
}

}  // namespace

bool GameRecord::load(const char* path) {
  if (!path) return false;
  std::FILE* f = std::fopen(path, "r");
  if (!f) return false;
  auto parsed = std::make_unique<GameRecord>();
  std::string line;
  bool ok = readTextLine(f, line);
  if (ok) {
    int colour, current, last;
    char extra;
    ok = std::sscanf(line.c_str(), "%i %i %i %c", &colour, &current, &last, &extra) == 3 &&
         (colour == -1 || colour == 1) && last >= 0 && last < kSlots && current >= 0 &&
         current <= last;
    if (ok) {
      parsed->playerColour = colour;
      parsed->currentIndex = current;
      parsed->lastIndex = last;
    }
  }
  for (int i = 0; ok && i <= parsed->lastIndex; ++i) {
    ok = readTextLine(f, line);
    const char* cursor = line.c_str();
    ok = ok && parsed->positions[i].parseText(cursor) && onlyBlanks(cursor) &&
         parsed->positions[i].count(0) == 60 - i;
    if (ok) parsed->positions[i].rebuildCandidates();
  }
  std::fclose(f);
  if (!ok) return false;
  *this = *parsed;
  return true;
}

}  // namespace zedare
