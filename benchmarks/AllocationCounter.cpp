#include "AllocationCounter.h"

#include <cstdlib>
#include <new>

std::uint64_t AllocationCounter::allocations = 0;

namespace {

void* countedAllocation(std::size_t size) noexcept {
    AllocationCounter::noteAllocation();
    return std::malloc(size == 0 ? 1 : size);
}

void* countedAllocationOrThrow(std::size_t size) {
    if (void* memory = countedAllocation(size)) {
        return memory;
    }
    throw std::bad_alloc();
}

}  // namespace

// Exported, so that a plug-in loaded into the process allocates through these too.
#define QUAYLINE_REPLACED __attribute__((visibility("default")))

QUAYLINE_REPLACED void* operator new(std::size_t size) { return countedAllocationOrThrow(size); }
QUAYLINE_REPLACED void* operator new[](std::size_t size) { return countedAllocationOrThrow(size); }
QUAYLINE_REPLACED void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return countedAllocation(size);
}
QUAYLINE_REPLACED void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return countedAllocation(size);
}
QUAYLINE_REPLACED void operator delete(void* memory) noexcept { std::free(memory); }
QUAYLINE_REPLACED void operator delete[](void* memory) noexcept { std::free(memory); }
QUAYLINE_REPLACED void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
QUAYLINE_REPLACED void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
