// SPDX-License-Identifier: MIT
#include "platform/heap.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace qs::heap {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)

// The sanitizers bring allocators of their own.
void use_large_pages() {}

#else

// Where the memory below the boundary is held: a variable the program could read, since the
// compiler may leave out an allocation whose result nobody reads.
extern void* reserved;
void* reserved = nullptr;

namespace {

constexpr uintptr_t kLargePage = uintptr_t{2} << 20;
// The heap grows by this much at a time: a command's memory then lies in one mapping, which
// keeps its large pages (a mapping grown later is a new one, without them).
constexpr int kGrowth = 64 << 20;
// Blocks up to this size come from the heap, as they do by default once the program has freed
// one that large (the allocator's own ceiling for that rule).
constexpr int kMapped = 32 << 20;
// How far past the heap's free end the probe reaches, which makes the heap grow.
constexpr size_t kBeyondEnd = 64 << 10;

uintptr_t address(const void* p) { return reinterpret_cast<uintptr_t>(p); }
uintptr_t round_up(uintptr_t a) { return (a + kLargePage - 1) & ~(kLargePage - 1); }

struct Grown {
    uintptr_t first = 0;  // where the probe began: the heap's free end once it is freed
    uintptr_t end = 0;    // just past it, where the heap wrote its bookkeeping
};

// Takes a block larger than the heap's free end, which comes from there and makes the heap grow,
// and frees it; nothing when the heap did not grow.
Grown grow() {
    const uintptr_t before = address(sbrk(0));
    const size_t size = mallinfo2().keepcost + kBeyondEnd;
    void* probe = std::malloc(size);
    if (!probe) return {};
    Grown g;
    if (address(sbrk(0)) != before) g = {address(probe), address(probe) + size};
    std::free(probe);
    return g;
}

}  // namespace

void use_large_pages() {
    if (mallopt(M_MMAP_THRESHOLD, kMapped) != 1 || mallopt(M_TOP_PAD, kGrowth) != 1) return;
    const Grown g = grow();
    if (g.end == 0) return;
    // A page the heap has written already stays a small one, and so does its 2 MB around it.
    const uintptr_t from = round_up(g.end + 64), top = address(sbrk(0));
    if (top < from + kLargePage) return;
    if (madvise(reinterpret_cast<void*>(from), top - from, MADV_HUGEPAGE) != 0) return;
    // What lies below the boundary (and a few bytes beyond it, for the heap's bookkeeping) is
    // taken for good and never written, so that what the program allocates next lies in the
    // large pages. It costs address space, not memory.
    reserved = std::malloc(from - g.first + 64);
}

#endif

}  // namespace qs::heap
