// Stable names for pointers that differ from run to run.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "TranscriptValue.h"

// The first pointer seen is prefix1, the next new one prefix2, and so on, so
// a transcript and its expectations read the same in every run.
class PointerLabels {
public:
    explicit PointerLabels(std::string prefix);

    // Null for a null pointer.
    TranscriptValue labelOf(std::uintptr_t pointer);

    // An address as a word in hex, or null.
    static TranscriptValue address(std::uintptr_t pointer);

private:
    std::string prefix;
    std::map<std::uintptr_t, std::size_t> labels;
};
