#include "search/leaf_cache.h"

#include <new>

namespace zedare {

bool LeafCache::allocate() {
  if (disabled_) return false;
  // Value-initialised: every tag 0, which no generation uses.
  entries_.reset(new (std::nothrow) Entry[kSize]());
  return entries_ != nullptr;
}

}  // namespace zedare
