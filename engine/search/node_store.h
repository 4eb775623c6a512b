// NodeStore: where the boards of the kept search tree live.
//
// The kept tree grows by one board per legal move above keptDepth and loses whole
// subtrees when a move is played: at the top levels that is millions of boards a move.
// Taking each from the heap and giving each back costs time while the search waits,
// and giving back a subtree one board at a time took the game half a second after
// every move. The store instead:
//
//   - hands out boards from slabs of its own, reusing their move lists;
//   - takes a released subtree back in constant time: the subtree waits whole, and each
//     later request recycles one waiting board (its children join the wait), so the
//     cost of a release is spread over the requests that reuse its memory;
//   - keeps the tree within a memory budget: a request that would need fresh memory
//     beyond it is refused (nullptr), and the search then plays that move on a scratch
//     board instead of keeping it;
//   - reports a failed allocation (the heap refused, or the test hook below) as a
//     refusal with failed() set, which the search treats as a stop.
//
// A store belongs to one engine and is used by one thread at a time. Boards of the store
// carry inStore = 1: they are never deleted, and a board that owns one does not delete
// it.
#ifndef ZEDARE_SEARCH_NODE_STORE_H
#define ZEDARE_SEARCH_NODE_STORE_H

#include <cstddef>
#include <vector>

#include "board/board.h"

namespace zedare {

class NodeStore {
 public:
  // A whole game at the highest level then stays under 600 MB of resident memory (the
  // rest of the engine takes about 20 MB). Searches that need more keep what fits and
  // play the rest on scratch boards, at the cost of positions scored again.
  static constexpr size_t kDefaultBudget = size_t{512} << 20;
  static constexpr size_t kUnlimited = ~size_t{0};

  NodeStore() = default;
  ~NodeStore();
  NodeStore(const NodeStore&) = delete;
  NodeStore& operator=(const NodeStore&) = delete;

  // A board for the tree with room for `entries` move entries, owning no children; its
  // contents are whatever it held before (the caller overwrites them). nullptr when it
  // would take the store past its budget (unless `anyway`), or when memory could not
  // be had (failed() is then true).
  //
  // `share` (1..kShares) limits a request to share/kShares of the budget, so that
  // requests of lower value can be refused while memory remains for the others.
  static constexpr int kShares = 16;
  Board* acquire(int entries, bool anyway = false, int share = kShares);
  // Takes back a board and everything below it, in constant time.
  void release(Board* subtree);
  // Takes back every child of `board` and leaves its entries without children.
  void releaseChildren(Board& board);
  // Gives every board and move list back to the heap: every board the store handed out
  // is gone afterwards. For the start of a new game, so that the memory a deep game's
  // tree held does not stay with the process.
  void clear();

  // Bytes held for boards and their move lists, in use or waiting to be reused.
  size_t bytes() const { return bytes_; }
  size_t budget() const { return budget_; }
  // Boards made so far (in use or waiting to be reused).
  size_t boards() const {
    return slabs_.empty() ? 0 : (slabs_.size() - 1) * kSlabBoards + size_t(usedInLastSlab_);
  }
  void setBudget(size_t bytes) { budget_ = bytes; }

  // Whether an allocation failed since the last clearFailure().
  bool failed() const { return failed_; }
  void clearFailure() { failed_ = false; }
  // Test hook: after `count` more fresh allocations every further one fails, as if the
  // heap were exhausted; a negative count (the default) never fails.
  void failAfter(long count) { failAfter_ = count; }

 private:
  bool allocationAllowed();
  Board* fresh();

  static constexpr int kSlabBoards = 1024;
  std::vector<Board*> slabs_;
  int usedInLastSlab_ = kSlabBoards;
  Board* free_ = nullptr;     // boards owning no children, ready for use
  Board* waiting_ = nullptr;  // released subtrees' roots, their children still attached
  size_t bytes_ = 0;
  size_t budget_ = kDefaultBudget;
  bool failed_ = false;
  long failAfter_ = -1;
};

}  // namespace zedare

#endif
