#include "ExpectationMatcher.h"

#include <algorithm>

namespace {

bool sameValues(const std::vector<TranscriptField>& expected, const std::vector<TranscriptField>& actual) {
    return std::equal(expected.begin(), expected.end(), actual.begin(), actual.end(),
                      [](const TranscriptField& left, const TranscriptField& right) {
                          return left.value == right.value;
                      });
}

bool sameResult(const std::optional<TranscriptField>& expected, const std::optional<TranscriptField>& actual) {
    return expected.has_value() == actual.has_value() && (!expected || expected->value == actual->value);
}

bool carries(const std::vector<TranscriptField>& details, const TranscriptField& required) {
    return std::any_of(details.begin(), details.end(), [&required](const TranscriptField& detail) {
        return detail.name == required.name && detail.value == required.value;
    });
}

}  // namespace

ExpectationMatcher::ExpectationMatcher(const std::vector<TranscriptEntry>& entries) : entries(entries) {}

void ExpectationMatcher::skipAll() noexcept { cursors.fill(entries.size()); }

std::size_t ExpectationMatcher::nextIndex(TranscriptStream stream) const noexcept {
    std::size_t index = cursors[slot(stream)];
    while (index < entries.size() && entries[index].stream != stream) {
        ++index;
    }
    return index;
}

const TranscriptEntry* ExpectationMatcher::peek(TranscriptStream stream) const noexcept {
    const std::size_t index = nextIndex(stream);
    return index < entries.size() ? &entries[index] : nullptr;
}

const TranscriptEntry* ExpectationMatcher::take(TranscriptStream stream) noexcept {
    const std::size_t index = nextIndex(stream);
    cursors[slot(stream)] = std::min(index + 1, entries.size());
    return index < entries.size() ? &entries[index] : nullptr;
}

bool ExpectationMatcher::matches(const TranscriptEntry& pattern, const TranscriptEntry& actual) {
    return pattern.stream == actual.stream && pattern.call == actual.call &&
           sameValues(pattern.arguments, actual.arguments) && sameResult(pattern.result, actual.result) &&
           std::all_of(pattern.details.begin(), pattern.details.end(),
                       [&actual](const TranscriptField& required) { return carries(actual.details, required); });
}
