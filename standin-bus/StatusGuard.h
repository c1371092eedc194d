// Keeps exceptions inside the library: its functions return into C callers.
#pragma once

#include <cstdint>
#include <new>

#include "ConfluxControl.h"

template <typename Work>
std::int32_t guardedStatus(Work&& work) noexcept {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return kConfluxStatusOutOfMemory;
    } catch (...) {
        return kConfluxStatusInternalError;
    }
}
