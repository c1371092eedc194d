#include "Transcript.h"

#include <utility>

std::size_t Transcript::append(TranscriptEntry entry) {
    records.push_back(std::move(entry));
    return records.size() - 1;
}

void Transcript::replace(std::size_t index, TranscriptEntry entry) { records.at(index) = std::move(entry); }
