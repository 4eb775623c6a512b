#include "search/node_store.h"

#include <cassert>
#include <cstdlib>
#include <new>

namespace zedare {

namespace {

// Memory of a move list of `capacity` entries, with the heap's own header.
size_t moveBytes(int capacity) {
  return capacity > 0 ? size_t(capacity) * sizeof(MoveEntry) + 16 : 0;
}

}  // namespace

NodeStore::~NodeStore() {
  clear();
}

void NodeStore::clear() {
  for (size_t s = 0; s < slabs_.size(); ++s) {
    const int used = s + 1 == slabs_.size() ? usedInLastSlab_ : kSlabBoards;
    for (int i = 0; i < used; ++i) {
      Board& b = slabs_[s][i];
      b.moveCount = 0;  // its children are boards of this store, freed with their slabs
      b.~Board();
    }
    std::free(slabs_[s]);
  }
  slabs_.clear();
  slabs_.shrink_to_fit();
  usedInLastSlab_ = kSlabBoards;
  free_ = nullptr;
  waiting_ = nullptr;
  bytes_ = 0;
}

bool NodeStore::allocationAllowed() {
  if (failAfter_ == 0) {
    failed_ = true;
    return false;
  }
  if (failAfter_ > 0) --failAfter_;
  return true;
}

Board* NodeStore::fresh() {
  if (usedInLastSlab_ == kSlabBoards) {
    if (!allocationAllowed()) return nullptr;
    void* memory = std::malloc(sizeof(Board) * kSlabBoards);
    if (memory) {
      try {
        slabs_.push_back(static_cast<Board*>(memory));
      } catch (const std::bad_alloc&) {
        std::free(memory);
        memory = nullptr;
      }
    }
    if (!memory) {
      failed_ = true;
      return nullptr;
    }
    usedInLastSlab_ = 0;
  }
  Board* b = new (slabs_.back() + usedInLastSlab_++) Board();
  b->inStore = 1;
  bytes_ += sizeof(Board);
  return b;
}

Board* NodeStore::acquire(int entries, bool anyway, int share) {
  if (entries > kMaxMoves) entries = kMaxMoves;
  const size_t limit = share >= kShares ? budget_ : budget_ / kShares * size_t(share);
  Board* b;
  if (free_) {
    b = free_;
    free_ = b->link;
  } else if (waiting_) {
    // Recycle one board of a released subtree; its children wait in its place.
    b = waiting_;
    waiting_ = b->link;
    for (int i = 0; i < b->moveCount; ++i) {
      Board* child = b->moves[i].child;
      b->moves[i].child = nullptr;
      if (child && child->inStore) {
        child->link = waiting_;
        waiting_ = child;
      }
    }
  } else {
    if (!anyway && bytes_ + sizeof(Board) + moveBytes(entries) > limit) return nullptr;
    b = fresh();
    if (!b) return nullptr;
  }
  b->link = nullptr;
#ifndef NDEBUG
  // Debug builds: a board handed out owns no children (a child still attached would
  // belong to two parents once the board is played on).
  for (int i = 0; i < b->moveCount; ++i) assert(!b->moves[i].child);
#endif
  if (b->moveCapacity < entries) {
    const size_t before = moveBytes(b->moveCapacity);
    bool ok = anyway || bytes_ - before + moveBytes(entries) <= limit;
    if (ok && !allocationAllowed()) ok = false;
    if (ok) {
      try {
        b->reserveMoves(entries);
      } catch (const std::bad_alloc&) {
        failed_ = true;
        ok = false;
      }
    }
    if (!ok) {
      b->link = free_;  // it owns no children now
      free_ = b;
      return nullptr;
    }
    bytes_ += moveBytes(b->moveCapacity) - before;
  }
  return b;
}

void NodeStore::release(Board* subtree) {
  if (!subtree) return;
  // Debug builds: only the store's own boards come back, and none twice in a row (a board
  // released while still waiting would be handed out twice).
  assert(subtree->inStore && subtree != waiting_);
  subtree->link = waiting_;
  waiting_ = subtree;
}

void NodeStore::releaseChildren(Board& board) {
  for (int i = 0; i < board.moveCount; ++i) {
    Board* child = board.moves[i].child;
    board.moves[i].child = nullptr;
    if (!child) continue;
    if (child->inStore) {
      release(child);
    } else {
      delete child;
    }
  }
}

}  // namespace zedare
