// A macOS plug-in bundle loaded as a host on a Mac would: its Info.plist names
// the executable and the entry point, and the executable's own x86-64 code is
// mapped here and bound to the Linux stand-ins for its libraries.
#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "LinuxRuntime.h"
#include "MachOFile.h"
#include "MachOImage.h"

class MachOBundle {
public:
    // Refuses (MachORefusal) what it cannot load, naming what it met.
    static std::unique_ptr<MachOBundle> load(const std::filesystem::path& bundle,
                                             std::unique_ptr<LinuxRuntime> runtime);

    // The entry point that Info.plist names, as the bundle exports it; null
    // if it exports no such symbol.
    void* entryPoint() const noexcept { return entry; }

private:
    MachOBundle(std::vector<std::uint8_t> bytes, std::unique_ptr<LinuxRuntime> runtime);

    std::vector<std::uint8_t> bytes;
    std::unique_ptr<LinuxRuntime> runtime;
    MachOFile file;
    MachOImage image;
    void* entry = nullptr;
};
