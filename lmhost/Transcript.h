// Every call of a run, in the order in which it was made.
#pragma once

#include <cstddef>
#include <vector>

#include "TranscriptEntry.h"

class Transcript {
public:
    // Answers the entry's index.
    std::size_t append(TranscriptEntry entry);
    // A host call is appended when it starts and completed when it returns.
    void replace(std::size_t index, TranscriptEntry entry);

    const std::vector<TranscriptEntry>& entries() const noexcept { return records; }

private:
    std::vector<TranscriptEntry> records;
};
