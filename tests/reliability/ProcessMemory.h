// The heap in use by the whole process, as the allocator in use counts it.
#pragma once

#include <cstddef>

class ProcessMemory {
public:
    // Bytes handed out and not yet freed: AddressSanitizer's count under
    // ASan, glibc's otherwise.
    static std::size_t allocatedBytes() noexcept;
};
