// Turns x86-64 compact unwind encodings into DWARF frame descriptions, which
// the Linux unwinder reads, so that exceptions pass through a bundle's code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "CompactUnwindReader.h"

struct DwarfFrames {
    std::vector<std::uint8_t> bytes;
    // Where each frame description entry starts in bytes.
    std::vector<std::size_t> entries;
};

class DwarfFrameWriter {
public:
    // image is where the image-relative addresses of the table lie now;
    // personalities holds the address of each personality function, in the
    // table's order. Functions without unwind information get no entry;
    // refuses (MachORefusal) the modes that need more than the encoding (the
    // stack size read from code, or DWARF in __eh_frame).
    static DwarfFrames write(const CompactUnwindTable& table, std::uint64_t image,
                             const std::vector<std::uint64_t>& personalities);
};
