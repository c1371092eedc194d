// Where a rebase or bind may write: a pointer inside one of the segments.
#pragma once

#include <cstdint>
#include <vector>

#include "MachOFile.h"

class SegmentBounds {
public:
    explicit SegmentBounds(const std::vector<MachOSegment>& segments);

    // Refuses (MachORefusal) a segment index that does not exist or a pointer
    // at offset that does not fit in the segment; what names the table.
    void check(std::uint64_t segment, std::uint64_t offset, const char* what) const;
    // Refuses more fix-ups than there are pointers in all segments, which only
    // a table that revisits the same places over and over would make.
    void checkCount(std::size_t fixups, const char* what) const;

private:
    std::vector<std::uint64_t> sizes;
    std::uint64_t pointers = 0;
};
