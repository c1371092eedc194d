// Every call of a run, in the order in which it was made.
#pragma once

#include <cstddef>
#include <vector>

#include "TranscriptEntry.h"

class Transcript {
public:
    // The host's next own call moves before everything appended from now on.
    void startGroup() noexcept { groupStart = records.size(); }
    void append(TranscriptEntry entry);
    // The host logs its own calls (PluginMain, a notification) when they
    // return; each is put before the calls it caused, and starts a new group.
    void appendHostCall(TranscriptEntry entry);

    const std::vector<TranscriptEntry>& entries() const noexcept { return records; }

private:
    std::vector<TranscriptEntry> records;
    std::size_t groupStart = 0;
};
