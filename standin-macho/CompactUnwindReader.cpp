#include "CompactUnwindReader.h"

#include <mach-o/compact_unwind_encoding.h>

#include <algorithm>
#include <string>

#include "MachORefusal.h"

namespace {

constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kIndexEntrySize = 3 * sizeof(std::uint32_t);
constexpr std::size_t kLsdaEntrySize = 2 * sizeof(std::uint32_t);
constexpr std::uint32_t kCompressedOffsetMask = 0x00FFFFFF;
constexpr unsigned kCompressedIndexShift = 24;

struct PageEntry {
    std::uint64_t start;
    std::uint32_t encoding;
};

std::uint16_t u16(ByteCursor& cursor) {
    const std::uint16_t low = cursor.byte();
    return static_cast<std::uint16_t>(low | cursor.byte() << 8);
}

std::vector<std::uint32_t> encodingsAt(ByteCursor& table, std::uint64_t offset, std::uint64_t count) {
    table.seek(offset);
    std::vector<std::uint32_t> encodings;
    for (std::uint64_t index = 0; index < count; ++index) {
        encodings.push_back(table.u32());
    }
    return encodings;
}

void readRegularPage(ByteCursor& table, std::uint64_t page, std::vector<PageEntry>& entries) {
    const std::uint16_t entriesOffset = u16(table);
    const std::uint16_t count = u16(table);
    table.seek(page + entriesOffset);
    for (std::uint16_t index = 0; index < count; ++index) {
        const std::uint32_t start = table.u32();
        entries.push_back(PageEntry{start, table.u32()});
    }
}

void readCompressedPage(ByteCursor& table, std::uint64_t page, std::uint64_t base,
                        const std::vector<std::uint32_t>& common, std::vector<PageEntry>& entries) {
    const std::uint16_t entriesOffset = u16(table);
    const std::uint16_t count = u16(table);
    const std::uint16_t encodingsOffset = u16(table);
    const std::uint16_t encodingsCount = u16(table);
    const std::vector<std::uint32_t> local = encodingsAt(table, page + encodingsOffset, encodingsCount);
    table.seek(page + entriesOffset);
    for (std::uint16_t index = 0; index < count; ++index) {
        const std::uint32_t entry = table.u32();
        const std::size_t encoding = entry >> kCompressedIndexShift;
        if (encoding >= common.size() + local.size()) {
            throw MachORefusal("the __unwind_info section names encoding " + std::to_string(encoding) +
                               ", which it does not hold");
        }
        entries.push_back(PageEntry{base + (entry & kCompressedOffsetMask),
                                    encoding < common.size() ? common[encoding] : local[encoding - common.size()]});
    }
}

}  // namespace

CompactUnwindTable CompactUnwindReader::read(ByteCursor table) {
    if (table.u32() != kVersion) {
        throw MachORefusal("the __unwind_info section has a version other than 1");
    }
    const std::uint32_t commonOffset = table.u32();
    const std::uint32_t commonCount = table.u32();
    const std::uint32_t personalitiesOffset = table.u32();
    const std::uint32_t personalitiesCount = table.u32();
    const std::uint32_t indexOffset = table.u32();
    const std::uint32_t indexCount = table.u32();
    if (indexCount == 0) {
        return CompactUnwindTable{};
    }
    CompactUnwindTable result;
    const std::vector<std::uint32_t> common = encodingsAt(table, commonOffset, commonCount);
    for (const std::uint32_t pointer : encodingsAt(table, personalitiesOffset, personalitiesCount)) {
        result.personalityPointers.push_back(pointer);
    }

    // The last index entry only marks where the functions end.
    std::vector<PageEntry> entries;
    std::uint64_t lsdaFirst = 0;
    std::uint64_t lsdaEnd = 0;
    std::uint64_t functionsEnd = 0;
    for (std::uint32_t index = 0; index < indexCount; ++index) {
        table.seek(std::uint64_t{indexOffset} + index * kIndexEntrySize);
        const std::uint32_t base = table.u32();
        const std::uint32_t page = table.u32();
        const std::uint32_t lsdas = table.u32();
        if (index == 0) {
            lsdaFirst = lsdas;
        }
        if (index + 1 == indexCount) {
            functionsEnd = base;
            lsdaEnd = lsdas;
            break;
        }
        table.seek(page);
        const std::uint32_t kind = table.u32();
        if (kind == UNWIND_SECOND_LEVEL_REGULAR) {
            readRegularPage(table, page, entries);
        } else if (kind == UNWIND_SECOND_LEVEL_COMPRESSED) {
            readCompressedPage(table, page, base, common, entries);
        } else {
            throw MachORefusal("the __unwind_info section has a page of unknown kind " + std::to_string(kind));
        }
    }

    for (std::size_t index = 0; index < entries.size(); ++index) {
        const std::uint64_t end = index + 1 < entries.size() ? entries[index + 1].start : functionsEnd;
        if (end < entries[index].start) {
            throw MachORefusal("the __unwind_info section lists functions out of order");
        }
        result.functions.push_back(CompactUnwindEntry{entries[index].start, end, entries[index].encoding, 0});
    }
    if (lsdaEnd < lsdaFirst) {
        throw MachORefusal("the __unwind_info section's LSDA list ends before it starts");
    }
    table.seek(lsdaFirst);
    for (std::uint64_t at = lsdaFirst; at + kLsdaEntrySize <= lsdaEnd; at += kLsdaEntrySize) {
        const std::uint32_t function = table.u32();
        const std::uint32_t lsda = table.u32();
        const auto found = std::find_if(result.functions.begin(), result.functions.end(),
                                        [&](const CompactUnwindEntry& entry) { return entry.start == function; });
        if (found == result.functions.end()) {
            throw MachORefusal("the __unwind_info section gives an LSDA to no function");
        }
        found->lsda = lsda;
    }
    return result;
}
