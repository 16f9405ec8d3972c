#include "runtime/heap_tuning.h"

#include <malloc.h>
#include <sys/mman.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>

void TuneHeapForLargeRuns() {
  // Blocks up to this size come from the heap rather than from a mapping of
  // their own, which would be given back (and its pages cleared again) on
  // every free: the arrays of a large run are grown and dropped many times.
  constexpr int kHeapBlockLimit = 32 << 20;  // the allocator's own maximum
  mallopt(M_MMAP_THRESHOLD, kHeapBlockLimit);
  mallopt(M_TRIM_THRESHOLD, 512 << 20);
  mallopt(M_TOP_PAD, 16 << 20);

  // Grow the heap by a reserve made of blocks below the limit, advise large
  // pages over it, and free it: it stays as the heap's free top, from which
  // the run's records are then carved. Untouched reserve costs no memory.
  constexpr std::size_t kPiece = 16 << 20;
  std::array<void*, 16> pieces{};
  for (void*& p : pieces) p = std::malloc(kPiece);
  std::uintptr_t lo = ~std::uintptr_t{0};
  std::uintptr_t hi = 0;
  for (void* p : pieces) {
    if (!p) continue;
    const auto at = reinterpret_cast<std::uintptr_t>(p);
    lo = std::min(lo, at);
    hi = std::max(hi, at + kPiece);
  }
  constexpr std::uintptr_t kLargePage = 2 << 20;
  lo = (lo + kLargePage - 1) & ~(kLargePage - 1);
  hi &= ~(kLargePage - 1);
  if (hi > lo) ::madvise(reinterpret_cast<void*>(lo), hi - lo, MADV_HUGEPAGE);
  for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) std::free(*it);
}
