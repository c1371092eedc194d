// A Mach-O bundle mapped into this process and ready to run: its segments
// copied in, pointers slid, every import bound (lazy ones too), memory
// protected as the segments ask, and a frame description of each function
// registered with the unwinder, so that exceptions pass through its code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "DwarfFrameWriter.h"
#include "LinuxRuntime.h"
#include "MachOFile.h"

class MachOImage {
public:
    // Refuses (MachORefusal) whatever the file holds that cannot be mapped or
    // bound; nothing stays mapped then. The runtime must outlive the image.
    MachOImage(const MachOFile& file, LinuxRuntime& runtime);
    ~MachOImage();
    MachOImage(const MachOImage&) = delete;
    MachOImage& operator=(const MachOImage&) = delete;

    // Where the exported symbol lies in memory; null if it is not exported.
    void* exported(const std::string& symbol) const;

private:
    void reserve();
    void copySegments();
    void applyRebases();
    void applyBindings();
    void protectSegments();
    void registerFrames();
    std::uint64_t* pointerAt(std::uint64_t segment, std::uint64_t offset) const;
    void release() noexcept;

    const MachOFile& file;
    LinuxRuntime& runtime;
    std::uint8_t* base = nullptr;
    std::size_t length = 0;
    std::uint64_t lowestAddress = 0;
    // Exports count from the Mach-O header's address.
    std::uint64_t headerAddress = 0;
    bool holdsHeader = false;
    DwarfFrames frames;
    std::vector<const void*> registered;
};
