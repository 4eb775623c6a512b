// LeafCache: the heuristic values of the positions scored at the leaves of one search.
//
// Below keptDepth the children are scratch boards, so a leaf's value is not kept
// anywhere: every MTD(f) pass over the same tree scores the same leaves again, and
// different move orders reach the same position (a transposition) within one pass. The
// cache remembers the last values in a small table that stays in the processor's
// cache, so that such a position is looked up instead of evaluated again.
//
// The value is the evaluation's, so a hit gives exactly what evaluating would: a
// position is found only under its whole board (discs, candidate flags, side to move
// and disc count), and everything else the evaluation reads (the weights, the pattern
// tables, the computer's colour, the variant) is fixed during a search. forget() is
// called when each search starts, so nothing carries over from one to the next. An
// entry is overwritten by the next position that maps to its slot.
//
// The table is allocated on first use; if that fails, the cache stays empty and every
// position is evaluated.
#ifndef ZEDARE_SEARCH_LEAF_CACHE_H
#define ZEDARE_SEARCH_LEAF_CACHE_H

#include <cstdint>
#include <memory>

#include "board/board.h"

namespace zedare {

class LeafCache {
 public:
  // 2^14 entries of 24 bytes: 384 KB, about what a core's second-level cache holds
  // beside the pattern values. A larger table hits more often but misses that cache, and
  // was slower on the whole.
  static constexpr int kBits = 14;

  // Every stored value becomes unknown, in constant time.
  void forget() {
    if (++generation_ == kGenerations) {  // the tags are about to repeat: clear them once
      generation_ = 1;
      if (entries_) {
        for (size_t i = 0; i < kSize; ++i) entries_[i].tag = 0;
      }
    }
  }

  // The value of board b: the stored one, or evaluate() stored for the next time.
  template <class Evaluate>
  float value(const Board& b, Evaluate evaluate) {
    if (!entries_ && !allocate()) return evaluate();
    const uint32_t tag = tagOf(b);
    Entry& x = entries_[slotOf(b)];
    if (x.tag == tag && x.occupancy == b.occupancy && x.colour == b.colour) return x.value;
    const float v = evaluate();
    x.occupancy = b.occupancy;
    x.colour = b.colour;
    x.tag = tag;
    x.value = v;
    return v;
  }

  // Test hook: a cache that never allocates evaluates every position.
  void disable() { disabled_ = true; }

 private:
  struct Entry {
    uint64_t occupancy;
    uint64_t colour;
    uint32_t tag;  // generation, side to move and disc count; 0: empty
    float value;
  };
  static constexpr size_t kSize = size_t{1} << kBits;
  static constexpr uint32_t kGenerations = uint32_t{1} << 22;

  // generation (22 bits) | side to move + 1 (2 bits) | disc count (8 bits)
  uint32_t tagOf(const Board& b) const {
    return generation_ << 10 | static_cast<uint32_t>(b.sideToMove + 1) << 8 |
           static_cast<uint32_t>(b.discCount & 0xFF);
  }
  static size_t slotOf(const Board& b) {
    const uint64_t h = (b.occupancy ^ (b.colour * 0xC2B2AE3D27D4EB4FULL)) * 0x9E3779B97F4A7C15ULL;
    return static_cast<size_t>(h >> (64 - kBits));
  }
  bool allocate();

  std::unique_ptr<Entry[]> entries_;
  uint32_t generation_ = 1;
  bool disabled_ = false;
};

}  // namespace zedare

#endif
