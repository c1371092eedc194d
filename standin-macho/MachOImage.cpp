#include "MachOImage.h"

#include <mach-o/loader.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

#include "BindReader.h"
#include "CompactUnwindReader.h"
#include "ExportTrie.h"
#include "MachORefusal.h"
#include "RebaseReader.h"

namespace {

int protectionOf(std::uint32_t machProtection) {
    int protection = PROT_NONE;
    if ((machProtection & VM_PROT_READ) != 0) {
        protection |= PROT_READ;
    }
    if ((machProtection & VM_PROT_WRITE) != 0) {
        protection |= PROT_WRITE;
    }
    if ((machProtection & VM_PROT_EXECUTE) != 0) {
        protection |= PROT_EXEC;
    }
    return protection;
}

std::uint64_t pageSize() { return static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE)); }

}  // namespace

MachOImage::MachOImage(const MachOFile& file, LinuxRuntime& runtime) : file(file), runtime(runtime) {
    try {
        reserve();
        copySegments();
        applyRebases();
        applyBindings();
        protectSegments();
        registerFrames();
    } catch (...) {
        release();
        throw;
    }
}

MachOImage::~MachOImage() { release(); }

void MachOImage::release() noexcept {
    for (const void* frame : registered) {
        runtime.deregisterFrame(frame);
    }
    registered.clear();
    if (base != nullptr) {
        munmap(base, length);
        base = nullptr;
    }
}

void MachOImage::reserve() {
    const std::vector<MachOSegment>& segments = file.segments();
    if (segments.empty()) {
        throw MachORefusal("the file has no segments");
    }
    lowestAddress = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t highestAddress = 0;
    for (const MachOSegment& segment : segments) {
        if (segment.address % pageSize() != 0) {
            throw MachORefusal("segment " + segment.name + " does not start on a page");
        }
        if (segment.fileOffset == 0 && segment.fileSize != 0) {
            headerAddress = segment.address;
            holdsHeader = true;
        }
        lowestAddress = std::min(lowestAddress, segment.address);
        highestAddress = std::max(highestAddress, segment.address + segment.memorySize);
    }
    if (!holdsHeader) {
        throw MachORefusal("no segment maps the Mach-O header");
    }
    length = static_cast<std::size_t>(highestAddress - lowestAddress);
    void* mapped = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
        throw MachORefusal("no memory to map " + std::to_string(length) + " bytes");
    }
    base = static_cast<std::uint8_t*>(mapped);
}

void MachOImage::copySegments() {
    for (const MachOSegment& segment : file.segments()) {
        std::memcpy(base + (segment.address - lowestAddress), file.segmentContents(segment),
                    static_cast<std::size_t>(segment.fileSize));
    }
}

std::uint64_t* MachOImage::pointerAt(std::uint64_t segment, std::uint64_t offset) const {
    const MachOSegment& holder = file.segments()[static_cast<std::size_t>(segment)];
    return reinterpret_cast<std::uint64_t*>(base + (holder.address - lowestAddress) + offset);
}

void MachOImage::applyRebases() {
    const std::uint64_t slide = reinterpret_cast<std::uintptr_t>(base) - lowestAddress;
    for (const Rebase& rebase : RebaseReader::read(file.rebaseInfo(), SegmentBounds(file.segments()))) {
        std::uint64_t* pointer = pointerAt(rebase.segment, rebase.offset);
        std::uint64_t value = 0;
        std::memcpy(&value, pointer, sizeof(value));
        value += slide;
        std::memcpy(pointer, &value, sizeof(value));
    }
}

void MachOImage::applyBindings() {
    const SegmentBounds bounds(file.segments());
    if (!BindReader::read(file.weakBindInfo(), bounds, BindReader::Table::eager).empty()) {
        throw MachORefusal("weak definitions are not supported");
    }
    for (const BindReader::Table table : {BindReader::Table::eager, BindReader::Table::lazy}) {
        const ByteCursor opcodes = table == BindReader::Table::eager ? file.bindInfo() : file.lazyBindInfo();
        for (const Binding& binding : BindReader::read(opcodes, bounds, table)) {
            if (binding.library > file.libraries().size()) {
                throw MachORefusal("symbol " + binding.symbol + " is bound to library ordinal " +
                                   std::to_string(binding.library) + ", which the file does not link");
            }
            const std::string& library = file.libraries()[static_cast<std::size_t>(binding.library - 1)];
            const std::uint64_t value =
                runtime.resolve(library, binding.symbol) + static_cast<std::uint64_t>(binding.addend);
            std::memcpy(pointerAt(binding.segment, binding.offset), &value, sizeof(value));
        }
    }
}

void MachOImage::protectSegments() {
    for (const MachOSegment& segment : file.segments()) {
        const std::uint64_t start = segment.address - lowestAddress;
        if (segment.memorySize != 0 && mprotect(base + start, static_cast<std::size_t>(std::min<std::uint64_t>(segment.memorySize, length - start)),
                                                protectionOf(segment.protection)) != 0) {
            throw MachORefusal("segment " + segment.name + " cannot be protected as it asks");
        }
    }
}

// ld64 describes every function's frame in the compact __unwind_info, which
// macOS's unwinder reads first; the Linux unwinder reads DWARF, so each
// function gets a DWARF frame description written from its compact encoding.
// (ld64.lld-14 leaves the addresses in __eh_frame unrelocated; compact
// encodings that would send the unwinder there are refused.)
void MachOImage::registerFrames() {
    const MachOSection* section = file.findSection("__TEXT", "__unwind_info");
    if (section == nullptr) {
        return;
    }
    const std::uint8_t* const image = base + (headerAddress - lowestAddress);
    const std::uint64_t imageLength = length - (headerAddress - lowestAddress);
    const CompactUnwindTable table = CompactUnwindReader::read(
        ByteCursor(base + (section->address - lowestAddress), static_cast<std::size_t>(section->size),
                   "__unwind_info section"));
    std::vector<std::uint64_t> personalities;
    ByteCursor memory(image, static_cast<std::size_t>(imageLength), "image");
    for (const std::uint64_t pointer : table.personalityPointers) {
        memory.seek(pointer);
        personalities.push_back(memory.u64());
    }
    for (const CompactUnwindEntry& function : table.functions) {
        if (function.end > imageLength || function.lsda >= imageLength) {
            throw MachORefusal("the __unwind_info section describes code outside the image");
        }
    }
    frames = DwarfFrameWriter::write(table, reinterpret_cast<std::uintptr_t>(image), personalities);
    for (const std::size_t entry : frames.entries) {
        runtime.registerFrame(frames.bytes.data() + entry);
        registered.push_back(frames.bytes.data() + entry);
    }
}

void* MachOImage::exported(const std::string& symbol) const {
    const std::optional<std::uint64_t> offset = ExportTrie::find(file.exportInfo(), symbol);
    if (!offset) {
        return nullptr;
    }
    const std::uint64_t header = headerAddress - lowestAddress;
    if (*offset >= length - header) {
        throw MachORefusal("the export of " + symbol + " points outside the image");
    }
    return base + header + *offset;
}
