// Decodes dyld's rebase opcodes into the pointers to slide.
#pragma once

#include <cstdint>
#include <vector>

#include "ByteCursor.h"
#include "SegmentBounds.h"

struct Rebase {
    std::uint64_t segment = 0;
    std::uint64_t offset = 0;
};

class RebaseReader {
public:
    // Refuses (MachORefusal) an unknown opcode, a rebase type other than a
    // plain pointer, and a pointer outside its segment.
    static std::vector<Rebase> read(ByteCursor opcodes, const SegmentBounds& bounds);
};
