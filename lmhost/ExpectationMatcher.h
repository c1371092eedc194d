// Matches expectations against a transcript, one cursor per stream.
#pragma once

#include <cstddef>
#include <array>
#include <vector>

#include "TranscriptEntry.h"

// An expectation about one stream skips the entries of every other stream,
// so `expect bus` passes over the host calls that came before the event.
class ExpectationMatcher {
public:
    explicit ExpectationMatcher(const std::vector<TranscriptEntry>& entries);

    // Moves every cursor past what the transcript holds now.
    void skipAll() noexcept;
    // The next entry of the stream not yet taken, or null.
    const TranscriptEntry* peek(TranscriptStream stream) const noexcept;
    // Like peek, and moves the stream's cursor past it.
    const TranscriptEntry* take(TranscriptStream stream) noexcept;

    // Same stream and call, equal arguments and result, and every detail of
    // the pattern present in the entry with an equal value.
    static bool matches(const TranscriptEntry& pattern, const TranscriptEntry& actual);

private:
    std::size_t nextIndex(TranscriptStream stream) const noexcept;
    static std::size_t slot(TranscriptStream stream) noexcept { return static_cast<std::size_t>(stream); }

    const std::vector<TranscriptEntry>& entries;
    // Indexed by stream: where the search for its next entry starts.
    std::array<std::size_t, 5> cursors{};
};
