// What the loader reads from an x86-64 MH_BUNDLE: its segments, the libraries
// it links, and where its rebase, bind and export information lie.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ByteCursor.h"

struct MachOSection {
    std::string name;
    std::uint64_t address = 0;
    std::uint64_t size = 0;
};

struct MachOSegment {
    std::string name;
    std::uint64_t address = 0;
    std::uint64_t memorySize = 0;
    std::uint64_t fileOffset = 0;
    std::uint64_t fileSize = 0;
    std::uint32_t protection = 0;
    std::vector<MachOSection> sections;
};

// A part of the file that the dyld information points to.
struct MachOFileRange {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

// Reads and checks the header and every load command on construction;
// anything this loader does not understand is refused with a MachORefusal.
// The bytes stay the caller's and must outlive the object.
class MachOFile {
public:
    explicit MachOFile(const std::vector<std::uint8_t>& bytes);

    const std::vector<MachOSegment>& segments() const noexcept { return segmentList; }
    // Install names, in the order of their library ordinals 1, 2, ...
    const std::vector<std::string>& libraries() const noexcept { return libraryList; }
    const MachOSection* findSection(const std::string& segment, const std::string& section) const noexcept;

    ByteCursor rebaseInfo() const { return cursor(rebase, "rebase information"); }
    ByteCursor bindInfo() const { return cursor(bind, "bind information"); }
    ByteCursor weakBindInfo() const { return cursor(weakBind, "weak bind information"); }
    ByteCursor lazyBindInfo() const { return cursor(lazyBind, "lazy bind information"); }
    ByteCursor exportInfo() const { return cursor(exports, "export information"); }
    // The bytes of a segment that come from the file.
    const std::uint8_t* segmentContents(const MachOSegment& segment) const noexcept;

private:
    void readHeader(ByteCursor& header);
    void readCommand(std::uint32_t command, ByteCursor& body);
    void readSegment(ByteCursor& body);
    void readDyldInfo(ByteCursor& body);
    void readLibrary(ByteCursor& body);
    MachOFileRange rangeOf(std::uint32_t offset, std::uint32_t size, const char* what) const;
    ByteCursor cursor(MachOFileRange range, const char* what) const;

    const std::vector<std::uint8_t>& bytes;
    std::vector<MachOSegment> segmentList;
    std::vector<std::string> libraryList;
    MachOFileRange rebase, bind, weakBind, lazyBind, exports;
    bool hasDyldInfo = false;
};
