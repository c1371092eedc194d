// Reads the compact unwind table (__TEXT,__unwind_info) that ld64 writes for
// every function: how to unwind its frame, its personality and its LSDA.
#pragma once

#include <cstdint>
#include <vector>

#include "ByteCursor.h"

struct CompactUnwindEntry {
    // Image-relative, as all addresses in the table.
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    std::uint32_t encoding = 0;
    // Zero where the function has no language-specific data.
    std::uint64_t lsda = 0;
};

struct CompactUnwindTable {
    std::vector<CompactUnwindEntry> functions;
    // Image-relative addresses of pointers to the personality functions;
    // an encoding's personality index counts from 1 into this.
    std::vector<std::uint64_t> personalityPointers;
};

class CompactUnwindReader {
public:
    // Refuses (MachORefusal) a version or page kind it does not know and
    // anything that points outside the table.
    static CompactUnwindTable read(ByteCursor table);
};
