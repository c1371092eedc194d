#include "ProcessMemory.h"

#include <malloc.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUAYLINE_UNDER_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define QUAYLINE_UNDER_ASAN 1
#endif

#if defined(QUAYLINE_UNDER_ASAN)
#include <sanitizer/allocator_interface.h>

std::size_t ProcessMemory::allocatedBytes() noexcept { return __sanitizer_get_current_allocated_bytes(); }
#else
std::size_t ProcessMemory::allocatedBytes() noexcept { return mallinfo2().uordblks; }
#endif
