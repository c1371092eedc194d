#include "SegmentBounds.h"

#include <string>

#include "MachORefusal.h"

SegmentBounds::SegmentBounds(const std::vector<MachOSegment>& segments) {
    for (const MachOSegment& segment : segments) {
        sizes.push_back(segment.memorySize);
        pointers += segment.memorySize / sizeof(std::uint64_t);
    }
}

void SegmentBounds::check(std::uint64_t segment, std::uint64_t offset, const char* what) const {
    if (segment >= sizes.size()) {
        throw MachORefusal(std::string("the ") + what + " names segment " + std::to_string(segment) +
                           ", which does not exist");
    }
    const std::uint64_t size = sizes[static_cast<std::size_t>(segment)];
    if (offset > size || size - offset < sizeof(std::uint64_t)) {
        throw MachORefusal(std::string("the ") + what + " writes outside segment " + std::to_string(segment));
    }
}

void SegmentBounds::checkCount(std::size_t fixups, const char* what) const {
    if (fixups > pointers) {
        throw MachORefusal(std::string("the ") + what + " holds more fix-ups than the segments hold pointers");
    }
}
