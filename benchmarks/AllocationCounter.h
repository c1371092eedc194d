// Counts every allocation made through operator new in this process, so a
// benchmark can report allocations per operation next to its time.
#pragma once

#include <cstdint>

// The counting operator new is in AllocationCounter.cpp; linking that file
// into a benchmark binary replaces the global one for the whole process,
// shared libraries included. Single-threaded, like the benchmarks.
class AllocationCounter {
public:
    static void noteAllocation() noexcept { ++allocations; }
    // Allocations since the process started.
    static std::uint64_t total() noexcept { return allocations; }

private:
    static std::uint64_t allocations;
};
