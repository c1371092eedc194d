#include "Transcript.h"

#include <iterator>
#include <utility>

void Transcript::append(TranscriptEntry entry) { records.push_back(std::move(entry)); }

void Transcript::appendHostCall(TranscriptEntry entry) {
    records.insert(std::next(records.begin(), static_cast<std::ptrdiff_t>(groupStart)), std::move(entry));
    startGroup();
}
