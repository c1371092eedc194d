#include "MachOFile.h"

#include <mach-o/loader.h>

#include <string>

#include "MachORefusal.h"

namespace {

// From mach/machine.h, which does not build here: CPU_TYPE_X86 | CPU_ARCH_ABI64.
constexpr std::uint32_t kCpuTypeX86_64 = 0x01000007;
constexpr std::size_t kSegmentNameLength = 16;
// More than any plug-in needs; keeps a hostile file from reserving the address space.
constexpr std::uint64_t kLargestImage = std::uint64_t{1} << 30;

// Commands whose contents the loader does not need: symbol tables for
// debuggers, identification, and the code signature, which is not checked.
constexpr std::uint32_t kIgnoredCommands[] = {
    LC_SYMTAB,  LC_DYSYMTAB,       LC_UUID,          LC_BUILD_VERSION, LC_VERSION_MIN_MACOSX,
    LC_SOURCE_VERSION, LC_FUNCTION_STARTS, LC_DATA_IN_CODE, LC_CODE_SIGNATURE,
};

// Sections whose contents dyld would act on and this loader does not.
constexpr std::uint32_t kRefusedSectionTypes[] = {
    S_MOD_INIT_FUNC_POINTERS, S_MOD_TERM_FUNC_POINTERS, S_THREAD_LOCAL_REGULAR,
    S_THREAD_LOCAL_ZEROFILL,  S_THREAD_LOCAL_VARIABLES, S_INIT_FUNC_OFFSETS,
};

bool endsWithin(std::uint64_t start, std::uint64_t length, std::uint64_t limit) {
    return start <= limit && length <= limit - start;
}

}  // namespace

MachOFile::MachOFile(const std::vector<std::uint8_t>& bytes) : bytes(bytes) {
    ByteCursor header(bytes.data(), bytes.size(), "Mach-O header");
    readHeader(header);
    if (!hasDyldInfo) {
        throw MachORefusal("the file has no LC_DYLD_INFO command (chained fixups are not supported)");
    }
}

void MachOFile::readHeader(ByteCursor& header) {
    if (header.u32() != MH_MAGIC_64) {
        throw MachORefusal("not a 64-bit little-endian Mach-O file");
    }
    if (header.u32() != kCpuTypeX86_64) {
        throw MachORefusal("not an x86-64 Mach-O file");
    }
    header.u32();  // CPU subtype
    const std::uint32_t fileType = header.u32();
    if (fileType != MH_BUNDLE) {
        throw MachORefusal("file type " + std::to_string(fileType) + " is not MH_BUNDLE");
    }
    const std::uint32_t commandCount = header.u32();
    const std::uint32_t commandsSize = header.u32();
    header.u32();  // flags
    header.u32();  // reserved
    if (!endsWithin(header.offset(), commandsSize, bytes.size())) {
        throw MachORefusal("the load commands run past the end of the file");
    }
    ByteCursor commands(bytes.data() + header.offset(), commandsSize, "load commands");
    for (std::uint32_t index = 0; index < commandCount; ++index) {
        const std::size_t start = commands.offset();
        const std::uint32_t command = commands.u32();
        const std::uint32_t size = commands.u32();
        if (size < sizeof(load_command) || size % sizeof(std::uint64_t) != 0 ||
            !endsWithin(start, size, commandsSize)) {
            throw MachORefusal("load command " + std::to_string(index) + " has a bad size");
        }
        ByteCursor body(bytes.data() + header.offset() + start, size, "load command " + MachORefusal::hex(command));
        body.seek(sizeof(load_command));
        readCommand(command, body);
        commands.seek(start + size);
    }
}

void MachOFile::readCommand(std::uint32_t command, ByteCursor& body) {
    switch (command) {
        case LC_SEGMENT_64:
            return readSegment(body);
        case LC_DYLD_INFO:
        case LC_DYLD_INFO_ONLY:
            return readDyldInfo(body);
        case LC_LOAD_DYLIB:
            return readLibrary(body);
        default:
            for (const std::uint32_t ignored : kIgnoredCommands) {
                if (command == ignored) {
                    return;
                }
            }
            throw MachORefusal("unknown load command " + MachORefusal::hex(command));
    }
}

void MachOFile::readSegment(ByteCursor& body) {
    MachOSegment segment;
    segment.name = body.fixedString(kSegmentNameLength);
    segment.address = body.u64();
    segment.memorySize = body.u64();
    segment.fileOffset = body.u64();
    segment.fileSize = body.u64();
    body.u32();  // maximum protection
    segment.protection = body.u32();
    const std::uint32_t sectionCount = body.u32();
    body.u32();  // flags
    if (!endsWithin(segment.fileOffset, segment.fileSize, bytes.size()) ||
        segment.fileSize > segment.memorySize || !endsWithin(segment.address, segment.memorySize, kLargestImage)) {
        throw MachORefusal("segment " + segment.name + " lies outside the file or the address range");
    }
    for (std::uint32_t index = 0; index < sectionCount; ++index) {
        MachOSection section;
        section.name = body.fixedString(kSegmentNameLength);
        body.fixedString(kSegmentNameLength);  // the segment's name again
        section.address = body.u64();
        section.size = body.u64();
        body.seek(body.offset() + 4 * sizeof(std::uint32_t));  // offset, alignment, relocations
        const std::uint32_t flags = body.u32();
        body.seek(body.offset() + 3 * sizeof(std::uint32_t));  // reserved
        for (const std::uint32_t refused : kRefusedSectionTypes) {
            if ((flags & SECTION_TYPE) == refused) {
                throw MachORefusal("section " + section.name + " has type " + MachORefusal::hex(refused) +
                                   ", which this loader does not run");
            }
        }
        if (section.address < segment.address ||
            !endsWithin(section.address - segment.address, section.size, segment.memorySize)) {
            throw MachORefusal("section " + section.name + " lies outside its segment");
        }
        segment.sections.push_back(std::move(section));
    }
    segmentList.push_back(std::move(segment));
}

void MachOFile::readDyldInfo(ByteCursor& body) {
    const auto range = [&](const char* what) {
        const std::uint32_t offset = body.u32();
        return rangeOf(offset, body.u32(), what);
    };
    rebase = range("rebase information");
    bind = range("bind information");
    weakBind = range("weak bind information");
    lazyBind = range("lazy bind information");
    exports = range("export information");
    hasDyldInfo = true;
}

void MachOFile::readLibrary(ByteCursor& body) {
    const std::uint32_t nameOffset = body.u32();
    body.seek(nameOffset);
    libraryList.push_back(body.cString());
}

MachOFileRange MachOFile::rangeOf(std::uint32_t offset, std::uint32_t size, const char* what) const {
    if (!endsWithin(offset, size, bytes.size())) {
        throw MachORefusal(std::string("the ") + what + " runs past the end of the file");
    }
    return MachOFileRange{offset, size};
}

ByteCursor MachOFile::cursor(MachOFileRange range, const char* what) const {
    return ByteCursor(bytes.data() + range.offset, static_cast<std::size_t>(range.size), what);
}

const std::uint8_t* MachOFile::segmentContents(const MachOSegment& segment) const noexcept {
    return bytes.data() + segment.fileOffset;
}

const MachOSection* MachOFile::findSection(const std::string& segment, const std::string& section) const noexcept {
    for (const MachOSegment& candidate : segmentList) {
        if (candidate.name != segment) {
            continue;
        }
        for (const MachOSection& found : candidate.sections) {
            if (found.name == section) {
                return &found;
            }
        }
    }
    return nullptr;
}
