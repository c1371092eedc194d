// Decodes dyld's bind opcodes into the pointers to set to imported symbols.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ByteCursor.h"
#include "SegmentBounds.h"

struct Binding {
    std::uint64_t segment = 0;
    std::uint64_t offset = 0;
    // 1 for the first LC_LOAD_DYLIB, and so on.
    std::uint64_t library = 0;
    std::string symbol;
    std::int64_t addend = 0;
};

class BindReader {
public:
    enum class Table { eager, lazy };

    // Refuses (MachORefusal) an unknown opcode, a bind type other than a plain
    // pointer, special library ordinals, weak imports, and a pointer outside
    // its segment. The lazy table is a run of entries, each ended by DONE.
    static std::vector<Binding> read(ByteCursor opcodes, const SegmentBounds& bounds, Table table);
};
