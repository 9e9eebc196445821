#include "platform/Hugepageheap.h"

#include <cstdint>
#include <cstdlib>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr int kLargestFromHeap = 256 * 1024 * 1024;
constexpr int kHeapStep = 64 * 1024 * 1024;
constexpr std::uintptr_t kHugePage = 2 * 1024 * 1024;

} // namespace

void UseHugePageHeap() {
    mallopt(M_MMAP_THRESHOLD, kLargestFromHeap);
    mallopt(M_TRIM_THRESHOLD, kHeapStep);
    mallopt(M_TOP_PAD, kHeapStep);
    // One block as large as a step grows the heap now; freed, it stays as the heap's free top.
    const auto start = reinterpret_cast<std::uintptr_t>(sbrk(0));
    void* step = std::malloc(kHeapStep);
    std::free(step);
    const auto end = reinterpret_cast<std::uintptr_t>(sbrk(0));
    const std::uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t last = end & ~(kHugePage - 1);
    if (step != nullptr && last > first) {
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }
}
